// --compare OLD NEW and --verify CATALOGUE: the report on stdout, the status
// 0 equal, 1 different, 2 a bad argument, a catalogue that cannot be read or
// not enough memory (4 when a verify is cancelled).
#pragma once

#include "app/command_line.h"

namespace ordano {

int RunCompareCommand(const CommandLine& cl);
int RunVerifyCommand(const CommandLine& cl);

}  // namespace ordano
