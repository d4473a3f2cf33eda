#include "app/compare_command.h"

#include <cstdio>
#include <memory>
#include <string>

#include "app/console_host.h"
#include "app/exit_status.h"
#include "compare/catalogue_compare.h"
#include "core/app_context.h"
#include "run/catalogue_verify.h"

namespace ordano {
namespace {

bool Load(const std::string& path, Catalogue& out) {
  CatalogueLoad load = ReadCatalogue(path);
  if (!load.error.empty()) {
    std::fprintf(stderr, "ordanou: %s: %s\n", path.c_str(), load.error.c_str());
    return false;
  }
  out = std::move(load.catalogue);
  return true;
}

int Report(const CompareReport& report, bool json) {
  const std::string text = json ? ReportJson(report) : ReportText(report);
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
  Catalogue before, after;
  if (!Load((*cl.compare)[0], before) || !Load((*cl.compare)[1], after)) return kExitUsage;
  return Report(CompareCatalogues(before, after), cl.json);
}

int RunVerifyCommand(const CommandLine& cl) {
  if (!cl.paths.empty()) {
    std::fputs("ordanou: --verify takes one catalogue file: --verify CATALOGUE\n", stderr);
    return kExitUsage;
  }
  Catalogue listed;
  if (!Load(*cl.verify, listed)) return kExitUsage;
  if (const std::string refusal = VerifyRefusal(listed); !refusal.empty()) {
    std::fprintf(stderr, "ordanou: %s: %s\n", cl.verify->c_str(), refusal.c_str());
    return kExitUsage;
  }
  if (!listed.hasRoots) {
    // Files new beside its top-most folders cannot be seen.
    std::fprintf(stderr,
                 "ordanou: %s: the catalogue records no roots: only its own folders and new "
                 "folders below them are looked at\n",
                 cl.verify->c_str());
  }
  auto ctx = std::make_unique<AppContext>();
  ConsoleHost host(ConsoleHost::Detect(true));
  ctx->SetHost(host);
  const std::optional<Catalogue> now = RescanCatalogue(*ctx, listed);
  ctx->SetHost(QuietHost());
  if (!now) {
    std::fputs("ordanou: cancelled\n", stderr);
    return kExitCancelled;
  }
  return Report(CompareCatalogues(listed, *now), cl.json);
}

}  // namespace ordano
