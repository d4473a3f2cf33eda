// ordanou --check-update: the information page's update check from a terminal.
#pragma once

#include <string>
#include <vector>

namespace ordano {

struct CommandLine;

// Exit statuses of --check-update beyond the common ones.
inline constexpr int kExitUpdateAvailable = 10;

// 0 up to date; 10 a newer build exists (installed only after --yes or a Yes
// on the terminal; then the installer takes over once this process ends);
// 3 the check or the installation failed, or the check is off in this build.
int RunUpdateCommand(const CommandLine& cl, const std::vector<std::string>& arguments);

}  // namespace ordano
