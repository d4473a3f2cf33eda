#include "compare/catalogue_files.h"

#include <new>

namespace ordano {

bool LoadCatalogueFile(const std::string& path, Catalogue& out, CatalogueFilesResult& result) {
  CatalogueLoad load = ReadCatalogue(path);
  if (!load.error.empty()) {
    result.path = path;
    result.error = std::move(load.error);
    return false;
  }
  out = std::move(load.catalogue);
  return true;
}

CatalogueFilesResult CompareCatalogueFiles(const std::string& oldPath, const std::string& newPath,
                                           const CatalogueLoader& load) {
  CatalogueFilesResult result;
  try {
    Catalogue before, after;
    if (!load(oldPath, before, result) || !load(newPath, after, result)) return result;
    result.report = CompareCatalogues(before, after);
  } catch (const std::bad_alloc&) {
    result = {};
    result.error = kNoMemoryToCompare;
  }
  return result;
}

}  // namespace ordano
