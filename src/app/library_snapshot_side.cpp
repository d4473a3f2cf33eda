#include "app/library_snapshot_side.h"

#include <limits.h>
#include <stdlib.h>

#include <charconv>
#include <new>

#include "library/library_place.h"
#include "library/volume_identity.h"

namespace ordano {
namespace {

std::string WithoutTrailingSlashes(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

bool LoadSide(const std::string& libraryPath, const std::string& side, Catalogue& out,
              CatalogueFilesResult& result) {
  result.path = side;
  std::string path = side.substr(kLibrarySidePrefix.size());
  std::size_t back = 0;
  if (const std::size_t tilde = path.rfind('~');
      tilde != std::string::npos && tilde + 1 < path.size()) {
    const char* first = path.data() + tilde + 1;
    const char* last = path.data() + path.size();
    const auto [end, ec] = std::from_chars(first, last, back);
    if (ec == std::errc() && end == last)
      path.resize(tilde);
    else
      back = 0;
  }
  try {
    const auto library = Library::Open(libraryPath, false);
    if (!library) {
      result.error = "there is no library at " + ShownLocation(libraryPath);
      return false;
    }
    const auto mounted = MountedVolumes();
    const std::vector<LibraryTree> trees = library->Trees();
    if (const LibraryTree* tree = TreeAt(trees, path, mounted)) {
      if (back >= tree->snapshots.size()) {
        result.error = "the library keeps " + std::to_string(tree->snapshots.size()) +
                       " snapshots of this folder (~0 to ~" +
                       std::to_string(tree->snapshots.size() - 1) + ")";
        return false;
      }
      out = library->SnapshotCatalogue(tree->snapshots[back].id, MountPointOf(*tree, mounted),
                                       tree->root);
      result.path.clear();
      return true;
    }
    result.error = kNoTreeHere;
  } catch (const LibraryRefused& e) {
    result.path = ShownLocation(libraryPath);
    result.error = e.what();
  } catch (const StoreError& e) {
    result.path = ShownLocation(libraryPath);
    result.error = e.what();
  }
  return false;
}

}  // namespace

std::string TreePath(const LibraryTree& tree,
                     const std::unordered_map<std::string, std::string>& mounted) {
  const auto at = mounted.find(tree.volumeKey);
  return WithoutTrailingSlashes(
      JoinMountPoint(at != mounted.end() ? at->second : tree.lastMountPoint, tree.root));
}

std::string MountPointOf(const LibraryTree& tree,
                         const std::unordered_map<std::string, std::string>& mounted) {
  const auto at = mounted.find(tree.volumeKey);
  return at != mounted.end() ? at->second : tree.lastMountPoint;
}

const LibraryTree* TreeAt(std::span<const LibraryTree> trees, const std::string& path,
                          const std::unordered_map<std::string, std::string>& mounted) {
  const std::string given = WithoutTrailingSlashes(path);
  char buf[PATH_MAX];
  const std::string real = realpath(given.c_str(), buf) != nullptr ? buf : given;
  for (const LibraryTree& tree : trees) {
    const std::string at = TreePath(tree, mounted);
    if (at == given || at == real) return &tree;
  }
  return nullptr;
}

CatalogueLoader CompareSideLoader(const std::string& libraryPath) {
  return [libraryPath](const std::string& side, Catalogue& out, CatalogueFilesResult& result) {
    if (side.starts_with(kLibrarySidePrefix)) return LoadSide(libraryPath, side, out, result);
    return LoadCatalogueFile(side, out, result);
  };
}

}  // namespace ordano
