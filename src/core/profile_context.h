// The settings of the one application context: start-up load, snapshot and
// change test, and the current profile's files.
#pragma once

#include <optional>

namespace ordano {

struct AppContext;

// Start-up defaults of all three records with the current time; the snapshot
// is cleared too.
void ResetToDefaults(AppContext& ctx);
void TakeSnapshot(AppContext& ctx);
bool HasChanged(const AppContext& ctx);

// What the start-up load did, for callers that report it.
struct StartupLoad {
  bool startupRecordRead = false;
  bool nameFileReady = false;
  bool settingsRead = false;       // false: first start of this profile
  bool firstStartWritten = false;  // the new settings file was written
};

// Start-up of the settings, in order: start-up defaults, sa.dat, the /P:n
// override, the name file, then the current profile's settings (first-start
// defaults and an immediate write when it has none) and the corrections after
// loading. Uses ctx.programFolder; the caller holds the instance lock.
StartupLoad LoadSettingsAtStartup(AppContext& ctx, std::optional<int> profileOverride);

// The current profile (ctx.startup.ProfileNumber) as the main window uses it.
bool ReadCurrentProfileName(AppContext& ctx);
bool ReadCurrentFolderList(AppContext& ctx);
// Makes `profile` the current one: its settings, folder list and extras.
void SwitchCurrentProfile(AppContext& ctx, int profile);
// Save to the current profile: the folder list, then the stamped settings.
// True when both were written.
bool SaveCurrentProfile(AppContext& ctx);

}  // namespace ordano
