// The settings from the command line: --set FIELD=VALUE and its friendly
// aliases (--md5, --depth N, --sort KEY, ...) for one run, --output PATH,
// and the commands that read or save settings without the window
// (--settings [--json], --save, --profiles).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "settings/settings_record.h"

namespace ordano {

struct ProfileExtras;

struct CommandLine;

struct SettingsOptions {
  struct Assignment {
    std::string field, value;
    std::string option;  // as given, for messages ("--depth=x")
  };
  std::vector<Assignment> assignments;  // in the order given; a later one wins
  std::optional<std::string> pattern;   // --pattern GLOB: the run's wildcard
  bool show = false;                    // --settings
  bool save = false;                    // --save
  bool listProfiles = false;            // --profiles
  std::vector<std::string> errors;      // malformed options, reported before anything runs
};

// Takes args[i] (and its value, moving i on) when it is one of the options
// above; false when it is not.
bool ParseSettingsOption(std::span<const std::string> args, std::size_t& i, CommandLine& cl);

// Checks every assignment (a message naming the field and what it accepts,
// exit 2, nothing read or written) and runs --settings, --save and
// --profiles. nullopt: nothing of these asked for, the run goes on.
std::optional<int> RunSettingsCommand(const CommandLine& cl);

// False, with the reason on stderr, when `profile` names no existing
// profile (/P:n of a run or of --settings and --save): nothing may create it.
bool RequireExistingProfile(const std::string& folder, int profile);

// The checked assignments applied to a run's record (the file is not written).
void ApplySettingsOverrides(SettingsRecord& settings, const SettingsOptions& options);
// The same for the profile's choices kept beside the record (LibraryToo);
// true when any was named.
bool ApplyExtrasOverrides(ProfileExtras& extras, const SettingsOptions& options);

}  // namespace ordano
