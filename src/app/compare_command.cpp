#include "app/compare_command.h"

#include <cstdio>
#include <new>

#include "app/console_host.h"
#include "app/exit_status.h"
#include "app/library_snapshot_side.h"
#include "compare/catalogue_files.h"
#include "library/library_place.h"
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

int RunVerifyCommand(const CommandLine& cl) {
  if (!cl.paths.empty()) {
    std::fputs("ordanou: --verify takes one catalogue file: --verify CATALOGUE\n", stderr);
    return kExitUsage;
  }
  ConsoleHost host(ConsoleHost::Detect(true));
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
