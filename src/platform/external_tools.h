// Helper programs of the desktop: xdg-open and the clipboard tools.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ordano {

// Whether an executable of this name is on PATH.
bool FindOnPath(std::string_view program, std::string* fullPath = nullptr);

// Starts a program detached (it outlives us, its output goes nowhere);
// returns false when it could not be started.
bool SpawnDetached(const std::vector<std::string>& argv, const std::string& workingDir);

// Runs a program with `input` on its standard input and waits for it;
// returns true when it exited with status 0.
bool RunWithInput(const std::vector<std::string>& argv, std::string_view input);

// The clipboard command usable in this session (wl-copy under Wayland, xclip
// or xsel under X11), or empty when there is none.
std::vector<std::string> ClipboardCommand();

}  // namespace ordano
