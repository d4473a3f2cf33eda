#include "compare/catalogue_verify.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <unordered_set>

#include "core/app_context.h"
#include "scan/digest_file.h"

namespace ordano {
namespace {

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

class Rescan {
 public:
  Rescan(AppContext& ctx, const Catalogue& listed) : ctx_(ctx), listed_(listed) {
    for (const auto& f : listed.folders) {
      fresh_.FolderIndex(f);
      listedFolders_.insert(f);
    }
    fresh_.md5 = listed.md5;
  }

  std::optional<Catalogue> Run() {
    RunState& run = ctx_.run;
    run.ExpectedCount = static_cast<int>(std::min<std::size_t>(listed_.rows.size() + 1, INT32_MAX));
    run.EntryCount = 0;
    ctx_.Host().ProgressBegin(run);
    for (const auto& row : listed_.rows) {
      if (!Step()) return std::nullopt;
      const std::string path = listed_.PathOf(row);
      CatalogueRow now;
      now.folder = row.folder;
      now.name = row.name;
      if (!Look(path, row.hasMd5, now)) continue;  // gone: removed
      fresh_.rows.push_back(std::move(now));
    }
    // Files nobody listed, in the listed folders and in new folders below them.
    for (std::uint32_t f = 0; f < listed_.folders.size(); ++f) {
      if (!Walk(listed_.folders[f], f)) return std::nullopt;
    }
    ctx_.Host().ProgressEnd(run);
    fresh_.SortRows();
    return std::move(fresh_);
  }

 private:
  bool Step() {
    ++ctx_.run.EntryCount;
    ctx_.Host().Pump(ctx_.run, 1);
    return !ctx_.run.CancelRequested;
  }

  // False when the path is not there (or not a file any more).
  bool Look(const std::string& path, bool digest, CatalogueRow& row) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) return false;
      row.unreadable = true;
      return true;
    }
    if (S_ISDIR(st.st_mode)) return false;
    row.size = static_cast<std::uint64_t>(st.st_size);
    row.hasSize = true;
    row.modified = LocalCatalogueTime(st.st_mtime);
    if (digest) {
      const std::u16string hex = DigestFile(ctx_, path);
      const std::string narrow(hex.begin(), hex.end());
      row.hasMd5 = ParseMd5(narrow, row.md5);
      row.unreadable = !row.hasMd5;
    }
    return true;
  }

  bool Listed(const std::string& folder, const std::string& name) const {
    const auto& rows = listed_.rows;
    const auto it = std::lower_bound(rows.begin(), rows.end(), std::pair(&folder, &name),
                                     [this](const CatalogueRow& r, const auto& key) {
                                       const int c = listed_.folders[r.folder].compare(*key.first);
                                       return c != 0 ? c < 0 : r.name < *key.second;
                                     });
    return it != rows.end() && listed_.folders[it->folder] == folder && it->name == name;
  }

  bool Walk(const std::string& folder, std::uint32_t index) {
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) return true;
    const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    while (const dirent* e = ::readdir(dir.get())) {
      const std::string_view name = e->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = prefix + std::string(name);
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode)) {
        // A listed folder is walked on its own; a new one is all added.
        if (!listedFolders_.contains(path) && !Walk(path, fresh_.FolderIndex(path))) return false;
        continue;
      }
      if (Listed(folder, std::string(name))) continue;
      if (!Step()) return false;
      CatalogueRow row;
      row.folder = index;
      row.name = name;
      if (Look(path, fresh_.md5, row)) fresh_.rows.push_back(std::move(row));
    }
    return true;
  }

  AppContext& ctx_;
  const Catalogue& listed_;
  Catalogue fresh_;
  std::unordered_set<std::string> listedFolders_;
};

}  // namespace

std::optional<Catalogue> RescanCatalogue(AppContext& ctx, const Catalogue& listed) {
  return Rescan(ctx, listed).Run();
}

}  // namespace ordano
