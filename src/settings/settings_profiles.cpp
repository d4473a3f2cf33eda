#include "settings/settings_profiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <memory>
#include <system_error>

#include "settings/settings_files.h"

namespace ordano {

bool ReadWholeSettings(std::string_view folder, int profile, SettingsRecord& out) {
  struct stat st {};
  const std::string path = SettingsFilePath(folder, profile);
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      st.st_size < static_cast<off_t>(kSettingsRecordSize)) {
    return false;
  }
  return ReadSettings(folder, profile, out);
}

namespace {

// Numbers 0 to `last` that have a settings file in the folder, in order.
std::vector<int> NumbersWithSettingsFiles(std::string_view folder, int last) {
  std::vector<int> numbers;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(std::filesystem::path(folder), ec), end;
       !ec && it != end; it.increment(ec)) {
    const auto n = ProfileOfSettingsFileName(it->path().filename().native());
    if (n && *n <= last) numbers.push_back(*n);
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

}  // namespace

std::vector<ProfileRow> ListProfiles(std::string_view folder, int profileCount) {
  std::vector<ProfileRow> rows;
  auto scratch = std::make_unique<SettingsRecord>();
  for (const int n : NumbersWithSettingsFiles(folder, profileCount)) {
    ProfileNameRecord name{};
    if (!ReadProfileName(folder, n, name)) break;  // the name file ends here
    if (name.Deleted == 1 || !ReadWholeSettings(folder, n, *scratch)) continue;
    rows.push_back(
        {n, std::u16string(TextOf(name.Name)), std::u16string(TextOf(scratch->SavedAt))});
  }
  return rows;
}

bool ProfileExists(std::string_view folder, int profile) {
  if (profile == 0) return true;
  if (profile < 0) return false;
  ProfileNameRecord name{};
  if (ReadProfileName(folder, profile, name) && name.Deleted == 1) return false;
  auto scratch = std::make_unique<SettingsRecord>();
  return ReadWholeSettings(folder, profile, *scratch);
}

std::optional<ProfileRow> CreateProfile(std::string_view folder, StartupRecord& startup,
                                        const SettingsRecord& current,
                                        std::span<const std::u16string> folders,
                                        std::u16string_view name) {
  if (startup.ProfileCount < 0 || startup.ProfileCount == INT_MAX) return std::nullopt;
  const int n = startup.ProfileCount + 1;
  auto copy = std::make_unique<SettingsRecord>(current);
  StampSavedAt(*copy);
  const std::u16string_view shown = name.substr(0, kMaxProfileNameLength);
  ProfileRow row{n, std::u16string(shown), std::u16string(TextOf(copy->SavedAt))};
  auto existing = std::make_unique<SettingsRecord>();
  if (!ReadSettings(folder, n, *existing)) {
    WriteSettings(folder, n, *copy);
    SaveFolderList(folder, n, folders);
  }
  startup.ProfileCount = n;
  // Written at record n rather than at the end, so a name file that lost
  // records still gives the new profile its own name.
  RewriteProfileName(folder, n, MakeProfileName(shown));
  return row;
}

bool RenameProfile(std::string_view folder, int profile, std::u16string_view name) {
  return RewriteProfileName(folder, profile,
                            MakeProfileName(name.substr(0, kMaxProfileNameLength)));
}

bool DeleteProfile(std::string_view folder, int profile, std::u16string_view name) {
  const bool marked = RewriteProfileName(folder, profile, MakeProfileName(name, true));
  DeleteSettings(folder, profile);
  return marked;
}

void SwitchToProfile(std::string_view folder, int profile, StartupRecord& startup,
                     SettingsRecord& settings, std::vector<std::u16string>& folders) {
  startup.ProfileNumber = profile;
  ReadSettings(folder, profile, settings);
  ReadFolderList(folder, profile, folders);
}

}  // namespace ordano
