// The counters and flags one run shares between scan, output and progress.
#pragma once

#include <cerrno>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ordano {

// Something a run could not read (a folder, a file's contents), with the
// system's error number: the catalogue lacks it, and the user is told.
struct ReadFailure {
  std::string path;
  int error = 0;
  bool operator==(const ReadFailure&) const = default;
};

// Whether a failed read only found that the thing is gone (removed, replaced
// by a file or a link meanwhile): that is no failure, it is simply not there.
inline bool IsGone(int error) { return error == ENOENT || error == ENOTDIR || error == ELOOP; }

struct RunState {
  int EntryCount = 0;
  int ExpectedCount = 0;  // 0 while counting
  int Capacity = 0;       // ExpectedCount + 1000; 0 while counting
  int PlaceholderCount = 0;
  int NameWidth = 16;
  int SizeTextWidth = 0;
  std::uint64_t TotalSize = 0;
  int MaxDepthReached = 0;
  int CurrentDepth = 0;
  int DepthLimit = -1;     // from SearchDepth; negative means no limit
  std::string RootFolder;  // native path of the dropped folder being scanned
  // The paths the run scanned, as it took them (a JSON catalogue records them,
  // so a verify walks the same roots).
  std::vector<std::string> Roots;
  // A whole-drive run stays on the root's file system: folders on another
  // device (other mounts below the root) are not entered. Unset otherwise.
  std::optional<std::uint64_t> OnlyDevice;
  bool CancelRequested = false;
  bool RunFinished = false;
  int Pass = 0;  // 0 counting, 1 filling, 2 after both
  std::u16string Md5StatusText;
  std::u16string ArchiveStatusText;
  bool CapacityRequested = false;
  std::string CapacityTarget;
  // Command-line presets (emptied by every drop run).
  std::string CmdOutputFolder;
  std::string CmdOutputName;  // "-": the catalogue goes to stdout as UTF-8 text
  std::u16string CmdBackColor;
  std::string CmdLastPath;
  std::u16string CmdWildcard;             // --pattern; empty: the host's wildcard
  std::optional<std::string> CmdLibrary;  // --library: where --library-too records
  bool CmdRehash = false;                 // --rehash: no digest kept in the library serves
  bool CmdJsonLines = false;              // --jsonl: stdout takes JSON Lines
  bool ForceSaveDialog = false;
  bool TableAllocated = false;
  // Rows counted by the output run (reset with the table).
  int OutputCounter = 0;
  // Folders (device, inode) entered through a shortcut in this pass: each is
  // entered once, so branching link chains stay linear.
  std::set<std::pair<std::uint64_t, std::uint64_t>> ShortcutFolders;
  // A verify asks the filling pass to note what it could not look at, so a
  // listed file there is reported unreadable rather than removed: the folder
  // text its rows print, and the entry's name (empty: the whole folder and
  // everything below it).
  bool NoteUnreadable = false;
  std::vector<std::pair<std::u16string, std::string>> Unreadable;

  // What the run could not read, in the order the walk met it.
  std::vector<ReadFailure> ReadFailures;

  // Notes a read that failed (nothing when it was none, or IsGone).
  void NoteReadFailure(std::string path, int error) {
    if (error == 0 || IsGone(error)) return;
    if (!ReadFailures.empty() && ReadFailures.back().path == path) return;
    ReadFailures.push_back({std::move(path), error});
  }

  // Start of every run: counters, widths and flags back to their start values.
  void ResetForRun() {
    EntryCount = 0;
    PlaceholderCount = 0;
    TotalSize = 0;
    MaxDepthReached = 0;
    NameWidth = 16;
    SizeTextWidth = 0;
    CancelRequested = false;
    RunFinished = false;
    ExpectedCount = 0;
    Capacity = 0;
    Pass = 0;
    CurrentDepth = 0;
    Md5StatusText.clear();
    ArchiveStatusText.clear();
    ShortcutFolders.clear();
    ReadFailures.clear();
    OnlyDevice.reset();
    Roots.clear();
    Unreadable.clear();
  }
};

// SearchDepth as runs use it: 0 (all levels) becomes -1.
inline int DepthLimitFromSearchDepth(int searchDepth) {
  return searchDepth == 0 ? -1 : searchDepth;
}

}  // namespace ordano
