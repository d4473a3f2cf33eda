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
// an ordanou.dat already stands there (a portable install, or settings kept
// there by an earlier version); else $XDG_CONFIG_HOME/ordano or
// ~/.config/ordano, created on first use. Always absolute, with a trailing "/";
// empty only when no candidate exists at all.
std::string ChooseProgramFolder(const ProgramFolderSources& sources);

// The same from this process's environment and /proc/self/exe.
std::string ProgramFolder();

// Where a first start puts the default catalogue: the user's documents folder
// (XDG_DOCUMENTS_DIR of user-dirs.dirs, when it exists), else the home
// folder. With a trailing "/"; empty without a home.
std::string ChooseDocumentsFolder(const ProgramFolderSources& sources);
std::string DocumentsFolder();

}  // namespace ordano
