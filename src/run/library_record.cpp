#include "run/library_record.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>

#include "compare/catalogue_folders.h"
#include "core/app_context.h"
#include "library/library_place.h"
#include "library/library_store.h"
#include "library/volume_identity.h"
#include "platform/path_parts.h"
#include "run/catalogue_verify.h"
#include "run/kept_digests.h"
#include "run/run_driver.h"

namespace ordano {
namespace {

// The table's rows with every folder text turned into its path; false when
// one cannot be.
bool PlainCatalogue(const AppContext& ctx, Catalogue& out) {
  out = TableCatalogue(ctx, ctx.options.settings.ComputeMd5 != 0);
  for (std::string& f : out.folders) {
    const auto plain = PlainFolder(f);
    if (!plain) return false;
    f = std::string(*plain);
  }
  return true;
}

// The table again with plain folder texts: the given folders walked with the
// run's filters and digests, without relative or decorated folders.
bool RescanPlain(AppContext& ctx, const std::vector<std::string>& folders) {
  SettingsRecord& s = ctx.options.settings;
  const SettingsRecord kept = s;
  s.RelativeOutput = 0;
  s.RelativeRootName = 0;
  s.IncludeTargetName = 0;
  s.OmitVolumeName = 1;
  s.OmitFolderName = 0;
  const bool oneDevice = ctx.run.OnlyDevice.has_value();
  const bool done = ScanWithRunOptions(ctx, folders, oneDevice, ctx.run.EntryCount);
  s = kept;
  return done;
}

}  // namespace

bool PlainRunCatalogue(AppContext& ctx, const std::vector<std::string>& folders, Catalogue& out) {
  if (PlainCatalogue(ctx, out)) return true;
  if (!RescanPlain(ctx, folders)) return false;
  PlainCatalogue(ctx, out);
  return true;
}

std::unique_ptr<KeptDigests> DigestsForRun(AppContext& ctx, std::span<const std::string> paths) {
  if (!ctx.extras.libraryToo ||
      (ctx.settings.ComputeMd5 == 0 && ctx.options.settings.ComputeMd5 == 0)) {
    return nullptr;
  }
  try {
    auto kept = std::make_unique<KeptDigests>(
        Library::Open(LibraryPathFor(ctx.run.CmdLibrary), true), ctx.run.CmdRehash);
    for (const std::string& given : paths) {
      char buf[PATH_MAX];
      struct stat st;
      if (realpath(given.c_str(), buf) == nullptr || stat(buf, &st) != 0 || !S_ISDIR(st.st_mode)) {
        continue;
      }
      if (const auto volume = IdentifyVolume(buf)) {
        kept->AddTree(std::string(WithoutTrailingSlash(given)), buf, *volume);
      }
    }
    return kept;
  } catch (const std::exception&) {
    return nullptr;
  }
}

LibraryRecordResult RecordRunInLibrary(AppContext& ctx, const std::string& libraryPath) {
  LibraryRecordResult result;
  std::vector<std::string> folders;
  for (const std::string& given : ctx.run.Roots) {
    char buf[PATH_MAX];
    struct stat st;
    if (realpath(given.c_str(), buf) == nullptr || stat(buf, &st) != 0) {
      result.notes.push_back(given + ": " + std::strerror(errno));
    } else if (!S_ISDIR(st.st_mode)) {
      result.notes.push_back(given + ": not a folder (the library takes folders)");
    } else {
      folders.emplace_back(buf);
    }
  }
  if (folders.empty()) return result;
  try {
    Catalogue scanned;
    if (!PlainRunCatalogue(ctx, folders, scanned)) {
      result.error = "cancelled";
      return result;
    }
    const auto library = Library::Open(libraryPath, true);
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    // The stamps of the files whose digests the walk made or reused.
    StampLookup stamps;
    if (auto* kept = dynamic_cast<KeptDigests*>(ctx.digestReuse)) {
      kept->Flush();
      stamps = kept->Stamps();
    }
    for (const std::string& root : folders) {
      const auto volume = IdentifyVolume(root);
      if (!volume) {
        result.notes.push_back(root + ": no mounted volume holds it");
        continue;
      }
      result.files += library->StoreTree(*volume, root, scanned, "run", now, stamps);
      ++result.trees;
    }
  } catch (const LibraryRefused& e) {
    result.error = e.what();
  } catch (const StoreError& e) {
    result.error = e.what();
  } catch (const std::bad_alloc&) {
    result.error = "out of memory";
  }
  return result;
}

}  // namespace ordano

namespace ordano {

bool WriteLibraryFile(AppContext& ctx, const std::string& path, std::string& error) {
  std::vector<std::string> roots;
  for (const std::string& given : ctx.run.Roots) {
    char buf[PATH_MAX];
    struct stat st;
    if (realpath(given.c_str(), buf) == nullptr || stat(buf, &st) != 0) continue;
    std::string root(buf);
    if (!S_ISDIR(st.st_mode)) root = std::string(ParentFolder(root));
    if (std::find(roots.begin(), roots.end(), root) == roots.end()) roots.push_back(root);
  }
  const std::string folder(ParentFolderToOpen(path));
  std::string temp = folder + (folder.ends_with('/') ? "" : "/") + ".ordano-XXXXXX.sqlite";
  try {
    Catalogue scanned;
    if (!PlainRunCatalogue(ctx, roots, scanned)) {
      error = "cancelled";
      return false;
    }
    const int fd = ::mkstemps(temp.data(), 7);
    if (fd < 0) {
      error = std::strerror(errno);
      return false;
    }
    ::close(fd);
    ::unlink(temp.c_str());  // made again as a database
    {
      const auto library = Library::Open(temp, true);
      const auto now = static_cast<std::int64_t>(std::time(nullptr));
      for (const std::string& root : roots) {
        library->StoreTree(VolumeOrOffline(root), root, scanned, "run", now);
      }
    }  // closed: the write-ahead log is folded into the file
    if (::rename(temp.c_str(), path.c_str()) != 0) {
      error = std::strerror(errno);
      ::unlink(temp.c_str());
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    error = e.what();
  }
  for (const char* end : {"", "-wal", "-shm", "-journal"}) ::unlink((temp + end).c_str());
  return false;
}

}  // namespace ordano
