#include "app/compare_command.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <new>
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

// --verify FOLDER|VOLUME: each tree's last snapshot in the library against
// the disk, one report after the other; the worst status.
int VerifyFromLibrary(const CommandLine& cl, ConsoleHost& host) {
  const std::string libraryPath = LibraryPathFor(cl.library.path);
  CatalogueFilesResult failure;
  failure.path = *cl.verify;
  const std::vector<std::string> sides = LibraryTargets(libraryPath, *cl.verify, failure);
  if (sides.empty()) return Failed(failure);
  const CatalogueLoader load = CompareSideLoader(libraryPath);
  int status = kExitOk;
  for (const std::string& side : sides) {
    Catalogue listed;
    CatalogueFilesResult result;
    if (!load(side, listed, result)) return Failed(result);
    result = VerifyCatalogue(listed, host);
    if (!result.report && result.error.empty()) {
      std::fputs("ordanou: cancelled\n", stderr);
      return kExitCancelled;
    }
    if (!result.report) {
      result.path = side.substr(kLibrarySidePrefix.size());
      return Failed(result);
    }
    const int reported = Report(*result.report, cl.json);
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
  if (::stat(cl.verify->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
    return VerifyFromLibrary(cl, host);
  }
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
