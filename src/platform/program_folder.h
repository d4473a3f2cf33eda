// The folder that holds the settings files.
#pragma once

#include <string>

namespace ordano {

// Where the folder can come from; a null pointer is an unset variable.
struct ProgramFolderSources {
  const char* ordanoHome = nullptr;     // ORDANO_HOME
  std::string executableFolder;         // folder of the running executable
  const char* xdgConfigHome = nullptr;  // XDG_CONFIG_HOME
  const char* home = nullptr;           // HOME
};

// ORDANO_HOME when set (created if missing); else the executable's folder when
// it is writable (a portable install); else $XDG_CONFIG_HOME/ordano or
// ~/.config/ordano, created on first use. Always absolute, with a trailing "/";
// empty only when no candidate exists at all.
std::string ChooseProgramFolder(const ProgramFolderSources& sources);

// The same from this process's environment and /proc/self/exe.
std::string ProgramFolder();

}  // namespace ordano
