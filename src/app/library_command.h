// The catalogue library's commands: --add, --import, --find and --volumes.
#pragma once

#include <optional>

#include "app/command_line.h"

namespace ordano {

// The exit status of a library command; nullopt when the command line asks
// for none. --find: 0 found, 1 none, 2 a bad query or an unusable library.
std::optional<int> RunLibraryCommand(const CommandLine& cl);

}  // namespace ordano
