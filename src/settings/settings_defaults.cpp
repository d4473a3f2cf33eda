#include "settings/settings_defaults.h"

#include <cstring>
#include <ctime>
#include <string>

#include "platform/unicode.h"

namespace ordano {
namespace {

template <std::size_t N>
void Terminate(char16_t (&field)[N]) {
  if (TextOf(field).size() == N) field[N - 1] = u'\0';
}

}  // namespace

void ResetToDefaults(SettingsRecord& settings, StartupRecord& startup, ProfileNameRecord& name,
                     std::int64_t now) {
  std::memset(&settings, 0, sizeof settings);
  std::memset(&startup, 0, sizeof startup);
  std::memset(&name, 0, sizeof name);
  SetText(settings.HeadTags, kDefaultHeadTags);
  SetText(settings.BodyTags, kDefaultBodyTags);
  SetText(settings.LinkTags, kDefaultLinkTags);
  SetText(settings.TargetName, kDefaultTargetName);
  SetText(settings.FolderTag, kDefaultFolderTag);
  settings.DateFromDate = now;
  settings.DateFromTime = now;
  settings.DateToDate = now;
  settings.DateToTime = now;
  startup.WindowLeft = kNoWindowPlacement;
  startup.ProfileNumber = 0;
  startup.NormalMode = 1;
}

void ApplyMissingFileDefaults(SettingsRecord& settings, std::string_view outputFolder) {
  settings.AppendOutput = 0;
  settings.ConfirmOverwrite = 1;
  settings.WriteTargetFolder = 1;
  settings.Unify = 0;
  settings.ScanToDepth = 1;
  settings.OmitVolumeName = 1;
  settings.NoTitleAtStart = 1;
  std::u16string folder = Utf8ToUtf16(outputFolder);
  if (folder.empty() || folder.back() != u'/') folder += u'/';
  SetText(settings.OutputFolder, folder);
  SetText(settings.OutputFile, folder + u"txt.txt");
}

void FixUpAfterLoad(SettingsRecord& settings, bool fileWasRead) {
  if (fileWasRead && settings.ConfirmOverwrite == 0 && settings.WriteTargetFolder == 0 &&
      settings.ScanToDepth == 0) {
    settings.ConfirmOverwrite = 1;
    settings.WriteTargetFolder = 1;
    settings.ScanToDepth = 1;
  }
  if (settings.ForceConfirmAtStart == 1) settings.ConfirmOverwrite = 1;
  settings.Reserved1644 = 0;
}

void TerminateTexts(SettingsRecord& s) {
  Terminate(s.OutputFolder);
  Terminate(s.OutputFile);
  Terminate(s.HeadTags);
  Terminate(s.BodyTags);
  Terminate(s.LinkTags);
  Terminate(s.TargetName);
  Terminate(s.CharFilterText);
  Terminate(s.FolderTag);
  Terminate(s.FileTag);
  Terminate(s.SavedAt);
}

void TerminateTexts(ProfileNameRecord& name) { Terminate(name.Name); }

bool HasChanged(const SettingsRecord& current, const SettingsRecord& snapshot,
                bool folderListChanged) {
  return folderListChanged || std::memcmp(&current, &snapshot, kSettingsCompareSize) != 0;
}

}  // namespace ordano
