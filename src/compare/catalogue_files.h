// Comparing two catalogue files and verifying one: what the command line and
// the window both run. Running out of memory is a message, never the end of
// the process (a window may hold unsaved settings).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "compare/catalogue_compare.h"

namespace ordano {

struct CatalogueFilesResult {
  std::optional<CompareReport> report;  // nullopt: failed (error says why) or cancelled
  std::string path;                     // the catalogue the error is about, if one
  std::string error;
  std::string note;  // a warning beside the report (what could not be looked at)
};

// Reads one catalogue; false with the path and the reason in `result`.
bool LoadCatalogueFile(const std::string& path, Catalogue& out, CatalogueFilesResult& result);

// Reads one side of a compare: a catalogue file, or (given by the caller)
// another source such as a snapshot of the library.
using CatalogueLoader =
    std::function<bool(const std::string& path, Catalogue& out, CatalogueFilesResult& result)>;

CatalogueFilesResult CompareCatalogueFiles(const std::string& oldPath, const std::string& newPath,
                                           const CatalogueLoader& load = LoadCatalogueFile);

// The message of a lack of memory outside reading a catalogue.
inline constexpr const char* kNoMemoryToCompare = "not enough memory to compare the catalogues";

}  // namespace ordano
