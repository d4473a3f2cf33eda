// The settings files in the program folder: raw record images of the
// start-up record, each profile's settings and folder list, and the profile
// names. Every write replaces its file in one step; a file that cannot be
// written is skipped (the functions return false) and the others still go.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_record.h"

namespace ordano {

// One folder-list entry: 1,024 UTF-16 units including the terminator.
inline constexpr std::size_t kFolderListEntryUnits = 1024;
inline constexpr std::size_t kFolderListEntryBytes = kFolderListEntryUnits * 2;
inline constexpr std::u16string_view kUntitledProfileName = u"無題";

// File paths; `folder` is the program folder with its trailing "/".
std::string StartupFilePath(std::string_view folder);                // sa.dat
std::string SettingsFilePath(std::string_view folder, int profile);  // ordanou.dat, ordanouN.dat
std::string FolderListFilePath(std::string_view folder,
                               int profile);               // ordanoud.dat, ordanouNd.dat
std::string ProfileNameFilePath(std::string_view folder);  // ordanopu.dat
// The profile whose settings file has this name ("ordanou.dat" 0,
// "ordanou12.dat" 12); nothing for any other name, "ordanou012.dat" included.
std::optional<int> ProfileOfSettingsFileName(std::string_view name);

// Reads up to 84 bytes over the record; false (record untouched) when the
// file cannot be opened.
bool ReadStartupRecord(std::string_view folder, StartupRecord& startup);
bool WriteStartupRecord(std::string_view folder, const StartupRecord& startup);

// Creates the profile name file with record 0 "無題" unless it exists.
// False only when it is missing and cannot be created.
bool EnsureProfileNameFile(std::string_view folder);

// Reads up to 22,824 bytes over the record: a short file fills only the bytes
// it has, a long one only the record. Text fields keep a terminator. False
// (record untouched) when the file cannot be opened.
bool ReadSettings(std::string_view folder, int profile, SettingsRecord& settings);

// Sets SavedAt to the current local time text.
void StampSavedAt(SettingsRecord& settings);
// Writes the image as it is (a copy made for a new profile carries its own stamp).
bool WriteSettings(std::string_view folder, int profile, const SettingsRecord& settings);
// Stamps SavedAt in the live record, then writes it.
bool SaveSettings(std::string_view folder, int profile, SettingsRecord& settings);
// First start of a profile without a settings file: the extra defaults, then
// the stamped record is written at once.
bool WriteFirstStartSettings(std::string_view folder, int profile, SettingsRecord& settings);

// Replaces `list` by the profile's folder list. Reading stops at the end of
// the file whatever the count claims (a negative count reads what is there);
// an entry cut off by the end of the file is dropped. False (list empty)
// when the file cannot be opened.
bool ReadFolderList(std::string_view folder, int profile, std::vector<std::u16string>& list);
// Entries longer than 1,023 units are cut.
bool SaveFolderList(std::string_view folder, int profile, std::span<const std::u16string> list);

// Record `profile` of the name file; false (record untouched) when the file
// or the record is missing.
bool ReadProfileName(std::string_view folder, int profile, ProfileNameRecord& name);
// Both need an existing name file. Append adds one record at the end;
// rewrite replaces record `profile` (the file grows when it is shorter).
bool AppendProfileName(std::string_view folder, const ProfileNameRecord& name);
bool RewriteProfileName(std::string_view folder, int profile, const ProfileNameRecord& name);
ProfileNameRecord MakeProfileName(std::u16string_view name, bool deleted = false);

// Removes the profile's settings file and its extras; its folder list stays.
bool DeleteSettings(std::string_view folder, int profile);

// Removes what interrupted writes of the settings files left in `folder`
// (their temporary files). Call it only while holding the instance lock.
void RemoveStaleSettingsTemporaries(const std::string& folder);

}  // namespace ordano
