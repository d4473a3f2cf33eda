// A catalogue run's trees recorded in the library as well (--library-too and
// the advanced page's box).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ordano {

struct AppContext;
struct Catalogue;

struct LibraryRecordResult {
  std::uint64_t files = 0;
  int trees = 0;
  // Given paths not recorded, each with why ("PATH: reason").
  std::vector<std::string> notes;
  // Why nothing of this run was recorded (the library refused or failed).
  std::string error;
};

// Stores each folder the run was given as a tree of the volume it lies on, in
// the library at `libraryPath` (made when missing), from the scanned table
// (still allocated). When the run wrote folders the library cannot take as
// paths (relative, or the folder left out of a volume decoration) the given
// folders are walked once more with plain paths.
LibraryRecordResult RecordRunInLibrary(AppContext& ctx, const std::string& libraryPath);

class KeptDigests;

// For a run that records in the library with MD5 (--library-too): the
// library's digests of unchanged files under the given `paths`, and the
// digests made kept there as the walk goes. Null when there is nothing to
// offer (no MD5, not recording, or the library failed: the record at the end
// names why).
std::unique_ptr<KeptDigests> DigestsForRun(AppContext& ctx, std::span<const std::string> paths);

// The scanned table's rows with every folder as its path, `folders` (real
// paths) walked again when the run wrote folders otherwise. False when that
// walk was cancelled.
bool PlainRunCatalogue(AppContext& ctx, const std::vector<std::string>& folders, Catalogue& out);

// A destination ending in ".sqlite": the run's catalogue as a library file of
// its own (each given folder a tree; a given file's folder holds it). The
// file is replaced in one step; false with the reason when it could not be.
bool WriteLibraryFile(AppContext& ctx, const std::string& path, std::string& error);

}  // namespace ordano
