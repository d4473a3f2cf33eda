#include "app/compare_command.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <new>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/console_host.h"
#include "app/exit_status.h"
#include "app/library_snapshot_side.h"
#include "compare/catalogue_files.h"
#include "library/library_place.h"
#include "library/library_store.h"
#include "library/volume_identity.h"
#include "platform/unicode.h"
#include "run/catalogue_verify.h"

namespace ordano {
namespace {

// The catalogue named with the reason; both made safe for a terminal, since a
// parse error may quote the file's bytes.
int Failed(const CatalogueFilesResult& result) {
  if (result.path.empty()) {
    std::fprintf(stderr, "ordanou: %s\n", TerminalText(result.error).c_str());
  } else {
    std::fprintf(stderr, "ordanou: %s: %s\n", TerminalText(result.path).c_str(),
                 TerminalText(result.error).c_str());
  }
  return kExitUsage;
}

int Report(const CompareReport& report, bool json) {
  std::string text;
  try {
    text = json ? ReportJson(report) : ReportText(report);
  } catch (const std::bad_alloc&) {
    std::fputs("ordanou: not enough memory for the report\n", stderr);
    return kExitUsage;
  }
  const bool written =
      std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
  if (!written) {
    std::fputs("ordanou: the report could not be written\n", stderr);
    return kExitUsage;
  }
  return report.Equal() ? kExitOk : kExitPartial;
}

}  // namespace

int RunCompareCommand(const CommandLine& cl) {
  if (!cl.compare || cl.compare->size() != 2 || !cl.paths.empty()) {
    std::fputs("ordanou: --compare takes two catalogue files: --compare OLD NEW\n", stderr);
    return kExitUsage;
  }
  const CatalogueFilesResult result = CompareCatalogueFiles(
      (*cl.compare)[0], (*cl.compare)[1], CompareSideLoader(LibraryPathFor(cl.library.path)));
  if (!result.report) return Failed(result);
  return Report(*result.report, cl.json);
}

namespace {

// The library's trees `target` names: the one at that folder, or every tree
// of the volume with that label or UUID; empty with `error` set when none.
std::vector<std::string> LibraryTargets(const std::string& libraryPath, const std::string& target,
                                        CatalogueFilesResult& error) {
  std::vector<std::string> sides;
  try {
    const auto library = Library::Open(libraryPath, false);
    if (!library) {
      error.error = "neither a catalogue file nor a library (none at " + libraryPath + ")";
      return sides;
    }
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      sides.push_back(std::string(kLibrarySidePrefix) + target);
      return sides;
    }
    const auto volumes = library->MatchVolumes(target);
    if (volumes.size() != 1) {
      error.error = volumes.empty() ? "no catalogue file, folder or library volume of this name"
                                    : "several volumes have this label: give the UUID";
      return sides;
    }
    const auto mounted = MountedVolumes();
    if (!mounted.contains(volumes.front().key)) {
      error.error = "the volume is not mounted (plug it in to verify it)";
      return sides;
    }
    for (const LibraryTree& tree : library->Trees()) {
      if (tree.volumeKey == volumes.front().key) {
        sides.push_back(std::string(kLibrarySidePrefix) + TreePath(tree, mounted));
      }
    }
  } catch (const std::exception& e) {
    error.path = libraryPath;
    error.error = e.what();
  }
  return sides;
}

// N of "N%" (1 to 100; the % may be left out); 0 when `text` is no such share.
int SamplePercent(std::string_view text) {
  if (text.ends_with('%')) text.remove_suffix(1);
  int n = 0;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data(), last, n);
  return ec == std::errc() && end == last && n >= 1 && n <= 100 ? n : 0;
}

// The files to re-hash: `percent` of the snapshot's (at least one), those
// verified longest ago. `listed` keeps only their rows, and its roots are
// the files themselves, so nothing else is read. Returns their ids.
std::vector<std::int64_t> TakeSample(Library& library, std::int64_t snapshot,
                                     const std::string& mountPoint, int percent,
                                     Catalogue& listed) {
  const std::uint64_t files = listed.rows.size();
  const std::uint64_t count =
      std::max<std::uint64_t>(1, (files * static_cast<std::uint64_t>(percent) + 99) / 100);
  std::unordered_set<std::string> chosen;
  std::vector<std::int64_t> ids;
  for (const VerifyPick& pick : library.LeastRecentlyVerified(snapshot, count)) {
    chosen.insert(JoinMountPoint(mountPoint, pick.folder) + '\0' + pick.name);
    ids.push_back(pick.fileId);
  }
  Catalogue sample;
  sample.md5 = listed.md5;
  sample.rawNames = listed.rawNames;
  sample.scanOptions = listed.scanOptions;
  sample.hasRoots = true;
  for (const CatalogueRow& row : listed.rows) {
    if (!chosen.contains(listed.folders[row.folder] + '\0' + row.name)) continue;
    CatalogueRow& kept = sample.rows.emplace_back(row);
    kept.folder = sample.FolderIndex(listed.folders[row.folder]);
    sample.roots.push_back(listed.PathOf(row));
  }
  sample.SortRows();
  listed = std::move(sample);
  return ids;
}

// The library's tree at `path` against its last snapshot, whole or a sample
// of `percent` (0: whole). Once the check has run, its files are recorded as
// verified; `note` says when that failed.
CatalogueFilesResult VerifyTree(const std::string& libraryPath, const std::string& path,
                                int percent, RunHost& host) {
  CatalogueFilesResult result;
  try {
    const auto library = Library::Open(libraryPath, false);
    if (!library) {
      result.error = "there is no library at " + ShownLocation(libraryPath);
      return result;
    }
    const auto mounted = MountedVolumes();
    const std::vector<LibraryTree> trees = library->Trees();
    const LibraryTree* tree = TreeAt(trees, path, mounted);
    if (tree == nullptr || tree->snapshots.empty()) {
      result.path = path;
      result.error = kNoTreeHere;
      return result;
    }
    const std::int64_t snapshot = tree->snapshots.front().id;
    const std::string mountPoint = MountPointOf(*tree, mounted);
    Catalogue listed = library->SnapshotCatalogue(snapshot, mountPoint, tree->root);
    std::vector<std::int64_t> sampled;
    if (percent > 0) sampled = TakeSample(*library, snapshot, mountPoint, percent, listed);
    const auto started = static_cast<std::int64_t>(std::time(nullptr));
    result = VerifyCatalogue(listed, host);
    if (!result.report) {
      if (!result.error.empty()) result.path = path;
      return result;
    }
    try {
      if (percent > 0) {
        library->MarkVerified(sampled, started);
      } else {
        library->MarkSnapshotVerified(snapshot, started);
      }
    } catch (const StoreError& e) {
      result.note = "the check could not be recorded in the library: " + std::string(e.what());
    }
  } catch (const LibraryRefused& e) {
    result = {};
    result.path = ShownLocation(libraryPath);
    result.error = e.what();
  } catch (const StoreError& e) {
    result = {};
    result.path = ShownLocation(libraryPath);
    result.error = e.what();
  }
  return result;
}

// --verify FOLDER|VOLUME: each tree's last snapshot in the library against
// the disk, one report after the other; the worst status.
int VerifyFromLibrary(const CommandLine& cl, int percent, ConsoleHost& host) {
  const std::string libraryPath = LibraryPathFor(cl.library.path);
  CatalogueFilesResult failure;
  failure.path = *cl.verify;
  const std::vector<std::string> sides = LibraryTargets(libraryPath, *cl.verify, failure);
  if (sides.empty()) return Failed(failure);
  int status = kExitOk;
  for (const std::string& side : sides) {
    const CatalogueFilesResult result =
        VerifyTree(libraryPath, side.substr(kLibrarySidePrefix.size()), percent, host);
    if (!result.report && result.error.empty()) {
      std::fputs("ordanou: cancelled\n", stderr);
      return kExitCancelled;
    }
    if (!result.report) return Failed(result);
    const int reported = Report(*result.report, cl.json);
    if (!result.note.empty()) {
      std::fprintf(stderr, "ordanou: %s: %s\n", TerminalText(ShownLocation(libraryPath)).c_str(),
                   TerminalText(result.note).c_str());
    }
    if (reported == kExitUsage) return reported;
    status = std::max(status, reported);
  }
  return status;
}

}  // namespace

int RunVerifyCommand(const CommandLine& cl) {
  if (!cl.paths.empty()) {
    std::fputs("ordanou: --verify takes one catalogue file, or a folder or volume of the library\n",
               stderr);
    return kExitUsage;
  }
  ConsoleHost host(ConsoleHost::Detect(true));
  // Not a file: a folder or a volume the library holds.
  struct stat st;
  const bool fromLibrary = ::stat(cl.verify->c_str(), &st) != 0 || S_ISDIR(st.st_mode);
  int percent = 0;
  if (cl.sample) {
    percent = SamplePercent(*cl.sample);
    if (percent == 0) {
      std::fprintf(stderr, "ordanou: --sample takes a share of 1%% to 100%% (as 5%%), not '%s'\n",
                   TerminalText(*cl.sample).c_str());
      return kExitUsage;
    }
    if (!fromLibrary) {
      std::fputs(
          "ordanou: --sample checks a folder or volume of the library, not a catalogue "
          "file (the library records what was verified when)\n",
          stderr);
      return kExitUsage;
    }
  }
  if (fromLibrary) return VerifyFromLibrary(cl, percent, host);
  const CatalogueFilesResult result = VerifyCatalogueFile(*cl.verify, host);
  if (!result.report && result.error.empty()) {
    std::fputs("ordanou: cancelled\n", stderr);
    return kExitCancelled;
  }
  if (!result.report) return Failed(result);
  if (!result.note.empty()) {
    std::fprintf(stderr, "ordanou: %s: %s\n", TerminalText(*cl.verify).c_str(),
                 result.note.c_str());
  }
  return Report(*result.report, cl.json);
}

}  // namespace ordano
