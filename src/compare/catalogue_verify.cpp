#include "compare/catalogue_verify.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_set>

#include "core/app_context.h"
#include "platform/file_handle.h"
#include "scan/digest_file.h"

namespace ordano {
namespace {

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

struct DirEntry {
  std::string name;
  bool folder = false;
  bool operator<(const DirEntry& o) const { return name < o.name; }
};

// The folder's entries sorted by name; nullopt when it cannot be listed.
std::optional<std::vector<DirEntry>> ListFolder(int dirFd) {
  const int dup = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
  if (dup < 0) return std::nullopt;
  const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(dup));
  if (!dir) {
    ::close(dup);
    return std::nullopt;
  }
  std::vector<DirEntry> entries;
  while (const dirent* e = ::readdir(dir.get())) {
    const std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    bool folder = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN) {
      struct stat st {};
      folder = ::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    entries.push_back({std::string(name), folder});
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// One pass per folder: its listing is merged with the catalogue's rows of
// that folder (both sorted by name), so a gone file costs no system call and
// a present one one stat (and its digest where the catalogue has one).
class Rescan {
 public:
  Rescan(AppContext& ctx, const Catalogue& listed) : ctx_(ctx), listed_(listed) {
    for (const auto& f : listed.folders) {
      fresh_.FolderIndex(f);
      listedFolders_.insert(f);
    }
    fresh_.md5 = listed.md5;
    ranges_.assign(listed.folders.size(), {0, 0});
    for (std::size_t i = 0; i < listed.rows.size();) {
      std::size_t end = i + 1;
      while (end < listed.rows.size() && listed.rows[end].folder == listed.rows[i].folder) ++end;
      ranges_[listed.rows[i].folder] = {i, end};
      i = end;
    }
  }

  std::optional<Catalogue> Run() {
    RunState& run = ctx_.run;
    run.ExpectedCount = static_cast<int>(std::min<std::size_t>(listed_.rows.size() + 1, INT32_MAX));
    run.EntryCount = 0;
    ctx_.Host().ProgressBegin(run);
    bool done = true;
    for (std::uint32_t f = 0; f < listed_.folders.size() && done; ++f) {
      const auto [begin, end] = ranges_[f];
      done = Folder(listed_.folders[f], f, std::span(listed_.rows).subspan(begin, end - begin));
    }
    ctx_.Host().ProgressEnd(run);
    if (!done) return std::nullopt;
    fresh_.SortRows();
    return std::move(fresh_);
  }

 private:
  bool Step() {
    ++ctx_.run.EntryCount;
    ctx_.Host().Pump(ctx_.run, 1);
    return !ctx_.run.CancelRequested;
  }

  // The file `name` in the open folder as it is now; false when it is no file.
  bool Look(int dirFd, const std::string& folder, const std::string& name, bool digest,
            CatalogueRow& row) {
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, 0) != 0) {
      if (errno == ENOENT) return false;
      row.unreadable = true;
      return true;
    }
    if (S_ISDIR(st.st_mode)) return false;
    row.size = static_cast<std::uint64_t>(st.st_size);
    row.hasSize = true;
    row.modified = LocalCatalogueTime(st.st_mtime);
    if (digest) {
      const std::u16string hex = DigestFileAt(ctx_, dirFd, name.c_str(), folder + "/" + name);
      const std::string narrow(hex.begin(), hex.end());
      row.hasMd5 = ParseMd5(narrow, row.md5);
      row.unreadable = !row.hasMd5;
    }
    return true;
  }

  void Keep(std::uint32_t folder, std::string name, CatalogueRow& row) {
    row.folder = folder;
    row.name = std::move(name);
    fresh_.rows.push_back(std::move(row));
  }

  // `rows`: the catalogue's files of this folder (none for a new folder).
  bool Folder(const std::string& folder, std::uint32_t index, std::span<const CatalogueRow> rows) {
    const UniqueFd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::optional<std::vector<DirEntry>> entries;
    if (dirFd) entries = ListFolder(dirFd.get());
    if (!entries) {
      // Gone: its files are removed. There but closed to us: they cannot be read.
      const bool gone = errno == ENOENT || errno == ENOTDIR;
      for (const auto& row : rows) {
        if (!Step()) return false;
        if (gone) continue;
        CatalogueRow now;
        now.unreadable = true;
        Keep(index, row.name, now);
      }
      return true;
    }
    const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    auto e = entries->begin();
    auto r = rows.begin();
    while (e != entries->end() || r != rows.end()) {
      const int c = e == entries->end() ? 1 : r == rows.end() ? -1 : e->name.compare(r->name);
      if (c > 0) {  // listed, not there: removed
        if (!Step()) return false;
        ++r;
        continue;
      }
      if (e->folder) {
        // A listed folder is visited on its own; a new one is all added.
        const std::string path = prefix + e->name;
        if (!listedFolders_.contains(path) && !Folder(path, fresh_.FolderIndex(path), {})) {
          return false;
        }
        if (c == 0) ++r;
        ++e;
        continue;
      }
      if (!Step()) return false;
      const bool digest = c == 0 ? r->hasMd5 : fresh_.md5;
      CatalogueRow now;
      if (Look(dirFd.get(), folder, e->name, digest, now)) Keep(index, std::move(e->name), now);
      if (c == 0) ++r;
      ++e;
    }
    return true;
  }

  AppContext& ctx_;
  const Catalogue& listed_;
  Catalogue fresh_;
  std::unordered_set<std::string> listedFolders_;
  std::vector<std::pair<std::size_t, std::size_t>> ranges_;  // rows of each listed folder
};

}  // namespace

std::optional<Catalogue> RescanCatalogue(AppContext& ctx, const Catalogue& listed) {
  return Rescan(ctx, listed).Run();
}

}  // namespace ordano
