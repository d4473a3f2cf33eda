#include "core/profile_context.h"

#include <cstring>
#include <ctime>

#include "core/app_context.h"
#include "settings/profile_extras.h"
#include "settings/settings_defaults.h"
#include "settings/settings_files.h"
#include "settings/settings_profiles.h"

namespace ordano {

void ResetToDefaults(AppContext& ctx) {
  ResetToDefaults(ctx.settings, ctx.startup, ctx.profileName, std::time(nullptr));
  std::memset(&ctx.snapshot, 0, sizeof ctx.snapshot);
}

void TakeSnapshot(AppContext& ctx) { ctx.snapshot = ctx.settings; }

bool HasChanged(const AppContext& ctx) {
  return HasChanged(ctx.settings, ctx.snapshot, ctx.folderListChanged);
}

StartupLoad LoadSettingsAtStartup(AppContext& ctx, std::optional<int> profileOverride) {
  StartupLoad result;
  const std::string& folder = ctx.programFolder;
  ResetToDefaults(ctx);
  result.startupRecordRead = ReadStartupRecord(folder, ctx.startup);
  if (profileOverride) ctx.startup.ProfileNumber = *profileOverride;
  result.nameFileReady = EnsureProfileNameFile(folder);
  const int profile = ctx.startup.ProfileNumber;
  result.settingsRead = ReadSettings(folder, profile, ctx.settings);
  if (!result.settingsRead) {
    result.firstStartWritten = WriteFirstStartSettings(folder, profile, ctx.settings);
  }
  FixUpAfterLoad(ctx.settings, result.settingsRead);
  ctx.extras = ReadProfileExtras(folder, profile);
  return result;
}

bool ReadCurrentProfileName(AppContext& ctx) {
  return ReadProfileName(ctx.programFolder, ctx.startup.ProfileNumber, ctx.profileName);
}

bool ReadCurrentFolderList(AppContext& ctx) {
  return ReadFolderList(ctx.programFolder, ctx.startup.ProfileNumber, ctx.folderList);
}

void SwitchCurrentProfile(AppContext& ctx, int profile) {
  SwitchToProfile(ctx.programFolder, profile, ctx.startup, ctx.settings, ctx.folderList);
  ctx.extras = ReadProfileExtras(ctx.programFolder, profile);
}

bool SaveCurrentProfile(AppContext& ctx) {
  const int profile = ctx.startup.ProfileNumber;
  const bool listSaved = SaveFolderList(ctx.programFolder, profile, ctx.folderList);
  const bool settingsSaved = SaveSettings(ctx.programFolder, profile, ctx.settings);
  const bool extrasSaved = WriteProfileExtras(ctx.programFolder, profile, ctx.extras);
  return listSaved && settingsSaved && extrasSaved;
}

}  // namespace ordano
