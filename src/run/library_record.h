// A catalogue run's trees recorded in the library as well (--library-too and
// the advanced page's box).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ordano {

struct AppContext;

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

}  // namespace ordano
