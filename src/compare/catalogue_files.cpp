#include "compare/catalogue_files.h"

#include <memory>
#include <new>

#include "compare/catalogue_verify.h"
#include "core/app_context.h"

namespace ordano {
namespace {

bool Load(const std::string& path, Catalogue& out, CatalogueFilesResult& result) {
  CatalogueLoad load = ReadCatalogue(path);
  if (!load.error.empty()) {
    result.path = path;
    result.error = std::move(load.error);
    return false;
  }
  out = std::move(load.catalogue);
  return true;
}

}  // namespace

CatalogueFilesResult CompareCatalogueFiles(const std::string& oldPath, const std::string& newPath) {
  CatalogueFilesResult result;
  try {
    Catalogue before, after;
    if (!Load(oldPath, before, result) || !Load(newPath, after, result)) return result;
    result.report = CompareCatalogues(before, after);
  } catch (const std::bad_alloc&) {
    result = {};
    result.error = kNoMemoryToCompare;
  }
  return result;
}

CatalogueFilesResult VerifyCatalogueFile(const std::string& path, RunHost& host) {
  CatalogueFilesResult result;
  std::unique_ptr<AppContext> ctx;
  try {
    Catalogue listed;
    if (!Load(path, listed, result)) return result;
    ctx = std::make_unique<AppContext>();
    ctx->SetHost(host);
    const std::optional<Catalogue> now = RescanCatalogue(*ctx, listed);
    if (now) result.report = CompareCatalogues(listed, *now);
  } catch (const std::bad_alloc&) {
    // The progress the re-scan showed must not stay up (ending it twice is harmless).
    if (ctx) host.ProgressEnd(ctx->run);
    result = {};
    result.error = kNoMemoryToCompare;
  }
  if (ctx) ctx->SetHost(QuietHost());
  return result;
}

}  // namespace ordano
