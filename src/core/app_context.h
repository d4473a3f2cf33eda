// The one application context: the settings, the run state and the table of
// the current run, held together so that a test can build a fresh one.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/entry_table.h"
#include "core/run_host.h"
#include "core/run_options.h"
#include "core/run_state.h"
#include "platform/time_text.h"
#include "settings/profile_extras.h"
#include "settings/settings_record.h"

namespace ordano {

struct ArchiverTable;
class DigestReuse;

struct AppContext {
  SettingsRecord settings{};
  SettingsRecord snapshot{};
  StartupRecord startup{};
  ProfileNameRecord profileName{};
  // The current profile's choices kept beside its record.
  ProfileExtras extras;
  // The program folder with a trailing "/" (settings files live here).
  std::string programFolder;
  // The options of the current run: the record plus the page's one-run states,
  // copied when the run starts (BeginRunOptions). Scan and output read these,
  // never the saved record, so one-run changes need no restoring.
  RunOptions options;
  RunState run;
  EntryTable table;
  // Multi-folder list of the current profile and its changed flag.
  std::vector<std::u16string> folderList;
  bool folderListChanged = false;
  // The archiver table, probed once at start-up (ListArchive probes it when
  // it is still empty).
  std::shared_ptr<const ArchiverTable> archivers;
  // Volume label per mount point, read once per program run.
  std::map<std::string, std::u16string> volumeLabels;
  // Digests kept from earlier runs (not owned): set by a run that records in
  // the library, null otherwise.
  DigestReuse* digestReuse = nullptr;
  // Local times of the rows, with the time zone looked up once an hour of them.
  LocalTimePacker localTimes;
  // Time of the last message pump of any folder scan.
  std::chrono::steady_clock::time_point lastScanPump{};

  // The user's side of every run; a quiet host until someone listens.
  RunHost& Host() const { return *host_; }
  void SetHost(RunHost& host) { host_ = &host; }

 private:
  RunHost* host_ = &QuietHost();  // not owned, never null
};

}  // namespace ordano
