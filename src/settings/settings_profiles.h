// Profiles: numbered sets of settings under a name. Profile n has its own
// settings file, its own folder list and record n of the name file (marker 1
// once deleted). Numbers are handed out upwards and never reused.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_record.h"

namespace ordano {

inline constexpr std::size_t kMaxProfileNameLength = 200;
inline constexpr std::u16string_view kNewProfileName = u"新規";

struct ProfileRow {
  int number = 0;
  std::u16string name;
  std::u16string savedAt;
};

// Reads the settings of `profile` into `out` only when the file holds a whole
// record (a truncated file is no profile).
bool ReadWholeSettings(std::string_view folder, int profile, SettingsRecord& out);

// Profiles 0 to `profileCount` whose name record is not marked deleted and
// whose settings file holds a whole record. A name file shorter than the
// count claims ends the list where its records end. Only numbers with a
// settings file in the folder are looked up, so neither a huge count nor a
// name file with long holes makes the list slow.
std::vector<ProfileRow> ListProfiles(std::string_view folder, int profileCount);

// Whether `profile` may be used by number: 0 always (its files come with the
// first start); a numbered one when its settings file holds a whole record
// and its name record, if there is one, is not marked deleted.
bool ProfileExists(std::string_view folder, int profile);

// A new profile ProfileCount + 1: a copy of `current` stamped with the time
// of creation (an existing settings file of that number is left as it is)
// and the folder list, then ProfileCount raised and `name` (cut to 200
// characters) written as name record n. The current profile stays current.
// Nothing when the count cannot grow. The profile dialog and the exit
// question both create profiles here.
std::optional<ProfileRow> CreateProfile(std::string_view folder, StartupRecord& startup,
                                        const SettingsRecord& current,
                                        std::span<const std::u16string> folders,
                                        std::u16string_view name = kNewProfileName);

// The name is cut to 200 characters. False when the name file could not be
// written (the caller's list still shows the change).
bool RenameProfile(std::string_view folder, int profile, std::u16string_view name);
// Marks the name record deleted and removes the settings file; the folder
// list file stays.
bool DeleteProfile(std::string_view folder, int profile, std::u16string_view name);

// ProfileNumber becomes `profile`; its settings (when the file opens) and its
// folder list are read over the current ones. No corrections after loading.
void SwitchToProfile(std::string_view folder, int profile, StartupRecord& startup,
                     SettingsRecord& settings, std::vector<std::u16string>& folders);

}  // namespace ordano
