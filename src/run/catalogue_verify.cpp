#include "run/catalogue_verify.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <vector>

#include "compare/catalogue_folders.h"
#include "core/app_context.h"
#include "platform/time_text.h"
#include "platform/unicode.h"
#include "run/run_driver.h"
#include "run/verify_read_thread.h"
#include "scan/scan_folder.h"
#include "settings/settings_normalise.h"

namespace ordano {
namespace {

bool AbsoluteFolder(std::string_view folder) { return !folder.empty() && folder.front() == '/'; }

// The options of the catalogue's walk and texts; everything else as wide as
// the walk goes.
void SetOptions(RunOptions& options, const CatalogueHeader& header) {
  const Catalogue::ScanOptions& o = header.scanOptions;
  SettingsRecord& s = options.settings;
  s = SettingsRecord{};
  s.ScanToDepth = 1;
  s.IncludeHidden = 1;
  s.ComputeMd5 = header.md5 ? 1 : 0;
  s.ReadShortcuts = o.readShortcuts ? 1 : 0;
  s.RelativeOutput = o.relativeOutput ? 1 : 0;
  s.RelativeRootName = o.relativeRootName ? 1 : 0;
  s.IncludeTargetName = o.includeTargetName ? 1 : 0;
  s.OmitVolumeName = o.omitVolumeName ? 1 : 0;
  s.OmitFolderName = o.omitFolderName ? 1 : 0;
  NormaliseForRun(s);
  options.wildcard = u"*";
  options.includeFileDrops = false;
}

// A packed local time as the JSON catalogue gives it: wall clock and offset.
CatalogueTime TimeOf(PackedTime t) {
  CatalogueTime out;
  const std::int64_t v = t >> 12;
  if (t == 0 || v < 0) return out;
  std::tm tm{};
  tm.tm_sec = static_cast<int>(v % 100);
  tm.tm_min = static_cast<int>(v / 100 % 100);
  tm.tm_hour = static_cast<int>(v / 10000 % 100);
  tm.tm_mday = static_cast<int>(v / 1000000 % 100);
  tm.tm_mon = static_cast<int>(v / 100000000 % 100) - 1;
  tm.tm_year = static_cast<int>(v / 10000000000) - 1900;
  out.wall = static_cast<std::int64_t>(::timegm(&tm));
  out.offsetMinutes = static_cast<std::int16_t>((t & 4095) - 2048);
  out.known = true;
  return out;
}

}  // namespace

Catalogue TableCatalogue(const AppContext& ctx, bool md5) {
  const EntryTable& t = ctx.table;
  Catalogue now;
  now.md5 = md5;
  const int rows = std::min(ctx.run.EntryCount, t.Capacity());
  now.rows.reserve(static_cast<std::size_t>(rows));
  std::u16string_view lastFolder;
  std::uint32_t folder = 0;
  for (int r = 0; r < rows; ++r) {
    if (r == 0 || t.Folder(r) != lastFolder) {
      lastFolder = t.Folder(r);
      folder = now.FolderIndex(Utf16ToUtf8(lastFolder));
    }
    if (!t.HasName(r)) continue;  // an empty folder's row
    CatalogueRow& row = now.rows.emplace_back();
    row.folder = folder;
    const std::string_view raw = t.RawName(r);
    row.name = raw.empty() ? Utf16ToUtf8(t.Name(r)) : std::string(raw);
    row.size = t.Size(r);
    row.hasSize = true;
    row.modified = TimeOf(t.Modified(r));
    if (md5) {
      // No string per row: a digest is 32 hex digits or none.
      const std::u16string_view hex = t.Md5(r);
      std::array<char, 32> narrow{};
      if (hex.size() == narrow.size()) {
        std::transform(hex.begin(), hex.end(), narrow.begin(),
                       [](char16_t c) { return static_cast<char>(c); });
        row.hasMd5 = ParseMd5({narrow.data(), narrow.size()}, row.md5);
      }
    }
  }
  return now;
}

namespace {

// Listed files the walk did not find where it noted something it could not
// look at are unreadable, not removed: an entry it could not stat, or
// anything in (or below) a folder it could not open.
void MarkUnreadable(const RunState& run, const Catalogue& listed, Catalogue& now) {
  if (run.Unreadable.empty()) return;
  std::unordered_set<std::string> entries, folders;
  for (const auto& [folder, name] : run.Unreadable) {
    const std::string text = Utf16ToUtf8(folder);
    if (name.empty()) {
      folders.insert(text);
    } else {
      entries.insert(text + '\0' + name);
    }
  }
  std::unordered_set<std::string> found;
  for (const CatalogueRow& row : now.rows) found.insert(now.folders[row.folder] + '\0' + row.name);
  const auto inFolder = [&](const std::string& folder) {
    if (folders.contains(folder) || folders.contains("")) return true;  // "": a relative root
    for (std::string_view p = folder; p.size() > 1;) {
      const std::size_t slash = p.rfind('/');
      if (slash == std::string_view::npos) break;
      p = p.substr(0, slash == 0 ? 1 : slash);
      if (folders.contains(std::string(p))) return true;
    }
    return false;
  };
  for (const CatalogueRow& row : listed.rows) {
    const std::string& folder = listed.folders[row.folder];
    const std::string key = folder + '\0' + row.name;
    if (found.contains(key) || (!entries.contains(key) && !inFolder(folder))) continue;
    CatalogueRow& marked = now.rows.emplace_back();
    marked.folder = now.FolderIndex(folder);
    marked.name = row.name;
    marked.unreadable = true;
    found.insert(key);
  }
}

// A digest that could not be read where the catalogue has one: the file is
// unreadable (it is compared only where the catalogue has a digest). Both
// sides are sorted by folder text and name.
void MarkUnreadDigests(const Catalogue& listed, Catalogue& now) {
  if (!listed.md5) return;
  std::size_t i = 0, j = 0;
  while (i < listed.rows.size() && j < now.rows.size()) {
    const CatalogueRow& a = listed.rows[i];
    CatalogueRow& b = now.rows[j];
    int c = listed.folders[a.folder].compare(now.folders[b.folder]);
    if (c == 0) c = a.name.compare(b.name);
    if (c == 0 && a.hasMd5 && b.hasSize && !b.hasMd5) b.unreadable = true;
    if (c <= 0) ++i;
    if (c >= 0) ++j;
  }
}

// The walk of the header's roots (for one that records none, `roots`).
bool ScanRoots(AppContext& ctx, const CatalogueHeader& header,
               const std::vector<std::string>& roots) {
  SetOptions(ctx.options, header);
  ctx.run.NoteUnreadable = true;
  // About as many rows as the catalogue has: one pass, no count beforehand.
  const int expected = static_cast<int>(std::min<std::uint64_t>(header.fileCount, INT32_MAX / 2));
  const bool done = ScanWithRunOptions(ctx, roots, header.scanOptions.oneFileSystem, expected);
  ctx.run.NoteUnreadable = false;
  return done;
}

// The scanned table against what the catalogue lists.
Catalogue ScannedCatalogue(AppContext& ctx, const Catalogue& listed) {
  Catalogue now = TableCatalogue(ctx, listed.md5);
  ctx.table.Release();
  ctx.run.TableAllocated = false;
  MarkUnreadable(ctx.run, listed, now);
  now.SortRows();
  MarkUnreadDigests(listed, now);
  return now;
}

}  // namespace

std::string VerifyRefusal(const Catalogue& listed) {
  if (listed.hasRoots) return {};
  const bool relative = std::any_of(listed.folders.begin(), listed.folders.end(),
                                    [](const std::string& f) { return !AbsoluteFolder(f); });
  if (relative) {
    return "the catalogue records no roots and its folders are not absolute paths (made with "
           "--relative?): it cannot be verified";
  }
  return {};
}

std::optional<Catalogue> RescanCatalogue(AppContext& ctx, const Catalogue& listed) {
  const CatalogueHeader header = CatalogueHeader::Of(listed);
  if (!ScanRoots(ctx, header, listed.hasRoots ? listed.roots : TopFolders(listed))) {
    return std::nullopt;
  }
  return ScannedCatalogue(ctx, listed);
}

namespace {

// Runs `verify` with a run context of its own on `host`; out of memory, the
// progress it showed is taken down and the result says so.
template <typename Verify>
CatalogueFilesResult VerifyInContext(RunHost& host, Verify verify) {
  CatalogueFilesResult result;
  std::unique_ptr<AppContext> ctx;
  try {
    ctx = std::make_unique<AppContext>();
    ctx->SetHost(host);
    verify(*ctx, result);
  } catch (const std::bad_alloc&) {
    // Ending the progress twice is harmless.
    if (ctx) host.ProgressEnd(ctx->run);
    result = {};
    result.error = kNoMemoryToCompare;
  }
  if (ctx) ctx->SetHost(QuietHost());
  return result;
}

}  // namespace

CatalogueFilesResult VerifyCatalogue(const Catalogue& listed, RunHost& host) {
  return VerifyInContext(host, [&](AppContext& ctx, CatalogueFilesResult& result) {
    if (std::string refusal = VerifyRefusal(listed); !refusal.empty()) {
      result.error = std::move(refusal);
      return;
    }
    if (const std::optional<Catalogue> now = RescanCatalogue(ctx, listed)) {
      result.report = CompareCatalogues(listed, *now);
    }
  });
}

CatalogueFilesResult VerifyCatalogueFile(const std::string& path, RunHost& host) {
  return VerifyInContext(host, [&](AppContext& ctx, CatalogueFilesResult& result) {
    // The roots are walked while the entries are read (the header comes
    // first); a catalogue without roots is read whole before its walk.
    CatalogueLoad load;
    HeaderHandoff handoff;
    ReadWatchHost watch(host, handoff);
    const auto read = [&](std::stop_token stop) {
      load = ReadCatalogue(
          path, [&](CatalogueHeader header) { handoff.Give(std::move(header)); }, stop);
      handoff.Finish(!load.error.empty());
    };
    std::jthread reader;
    try {
      reader = std::jthread(read);
    } catch (const std::system_error&) {
      read({});  // no thread to be had: read first, then walk
    }
    std::optional<CatalogueHeader> early = handoff.Wait();
    bool cancelled = false;
    if (early) {
      ctx.SetHost(watch);
      const bool scanned = ScanRoots(ctx, *early, early->roots);
      ctx.SetHost(host);
      // Cancelled by the user: the rest of the catalogue is not needed.
      cancelled = !scanned && !handoff.Failed();
      if (cancelled) reader.request_stop();
    }
    if (reader.joinable()) reader.join();
    if (cancelled) return;
    if (!load.error.empty()) {
      result.path = path;
      result.error = std::move(load.error);
      return;
    }
    const Catalogue& listed = load.catalogue;
    if (std::string refusal = VerifyRefusal(listed); !refusal.empty()) {
      result.path = path;
      result.error = std::move(refusal);
      return;
    }
    // Files new beside its top-most folders cannot be seen.
    if (!listed.hasRoots) {
      result.note =
          "the catalogue records no roots: only its own folders and new folders below them are "
          "looked at";
    }
    std::optional<Catalogue> now;
    // Keys after the entries may have changed the walk: it is then done again.
    if (early && early->SameWalk(CatalogueHeader::Of(listed))) {
      now = ScannedCatalogue(ctx, listed);
    } else {
      now = RescanCatalogue(ctx, listed);
    }
    if (now) result.report = CompareCatalogues(listed, *now);
  });
}

}  // namespace ordano
