// Profiles from the command line: --create-profile NAME, --rename-profile N
// NAME, --delete-profile N, with the rules of the profile dialog (numbers are
// handed out upwards and never reused; the current profile stays).
#pragma once

#include <optional>

namespace ordano {

struct CommandLine;

// nullopt when none of them was asked for, or when the run goes on (paths
// after --create-profile): `cl.profile` then names the new profile.
// Otherwise the exit status.
std::optional<int> RunProfileCommand(CommandLine& cl);

}  // namespace ordano
