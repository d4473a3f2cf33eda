// The --help text: the options come from the option table.
#pragma once

#include <string>

namespace ordano {

std::string HelpText();

}  // namespace ordano
