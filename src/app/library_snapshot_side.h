// A library snapshot as one side of --compare: "library:PATH" is the current
// snapshot of the library's tree at PATH, "library:PATH~N" the one N scans
// before it (--snapshots lists them).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compare/catalogue_files.h"
#include "library/library_store.h"

namespace ordano {

inline constexpr std::string_view kLibrarySidePrefix = "library:";

// The path a tree is known by: where its volume is mounted now, else where
// it was mounted last.
std::string TreePath(const LibraryTree& tree,
                     const std::unordered_map<std::string, std::string>& mounted);

// Where the tree's volume is mounted now, else where it was mounted last.
std::string MountPointOf(const LibraryTree& tree,
                         const std::unordered_map<std::string, std::string>& mounted);

// The tree of `trees` at `path` (trailing slashes and links aside); nullptr
// when none is there.
const LibraryTree* TreeAt(std::span<const LibraryTree> trees, const std::string& path,
                          const std::unordered_map<std::string, std::string>& mounted);
inline constexpr const char* kNoTreeHere =
    "no folder of the library is at this path (ordanou --snapshots lists them)";

// A loader for CompareCatalogueFiles: "library:" sides from the library at
// `libraryPath`, anything else as a catalogue file.
CatalogueLoader CompareSideLoader(const std::string& libraryPath);

}  // namespace ordano
