#include "app/library_command.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/console_host.h"
#include "app/console_start.h"
#include "app/exit_status.h"
#include "app/library_lookup.h"
#include "app/library_snapshot_side.h"
#include "compare/catalogue_folders.h"
#include "compare/catalogue_read.h"
#include "core/app_context.h"
#include "library/library_questions.h"
#include "library/library_store.h"
#include "library/name_text.h"
#include "platform/unicode.h"
#include "run/catalogue_verify.h"
#include "run/kept_digests.h"
#include "run/run_driver.h"

namespace ordano {
namespace {

constexpr std::chrono::milliseconds kSettingsPatience{10000};
constexpr std::size_t kWriteChunk = 1 << 20;

std::string LibraryPath(const LibraryOptions& o) { return LibraryPathFor(o.path); }

// Runs `body` with the library's failures turned into messages naming it.
template <class Body>
int Guarded(const std::string& library, int failStatus, Body&& body) {
  const std::string name = TerminalText(ShownLocation(library));
  try {
    return body();
  } catch (const LibraryRefused& e) {
    std::fprintf(stderr, "ordanou: %s: %s\n", name.c_str(), e.what());
    return kExitUsage;
  } catch (const StoreError& e) {
    if (e.Corrupt()) {
      std::fprintf(stderr,
                   "ordanou: %s: the library is damaged or not a library (%s); nothing changed\n",
                   name.c_str(), e.what());
      return kExitUsage;
    }
    if (e.Full()) {
      std::fprintf(stderr, "ordanou: %s: the disk is full; nothing of this run was kept\n",
                   name.c_str());
      return kExitNotWritten;
    }
    // A write is one transaction: it failed whole.
    std::fprintf(stderr, "ordanou: %s: %s%s\n", name.c_str(), e.what(),
                 failStatus == kExitNotWritten ? "; nothing of this run was kept" : "");
    return failStatus;
  } catch (const std::filesystem::filesystem_error& e) {
    std::fprintf(stderr, "ordanou: %s: %s\n", name.c_str(), e.what());
    return failStatus;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "ordanou: %s: out of memory; nothing of this run was kept\n",
                 name.c_str());
    return failStatus;
  }
}

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::string VolumeName(const std::string& label) { return label.empty() ? "-" : label; }

// --add: each folder scanned as a catalogue run scans, then stored as one tree.
int Add(const CommandLine& cl, const std::string& libraryPath) {
  auto ctx = std::make_unique<AppContext>();
  {
    // The lock guards the settings files only while they are read: two adds
    // may run at once (the library serialises their writes).
    InstanceLock lock;
    if (const auto refused =
            StartConsoleRun(*ctx, lock, cl.profile, &cl.settings, kSettingsPatience)) {
      return *refused;
    }
  }
  // The library keeps real paths: no volume decoration, no relative folders.
  ctx->settings.RelativeOutput = 0;
  ctx->settings.OmitVolumeName = 1;
  ctx->settings.OmitFolderName = 0;

  return Guarded(libraryPath, kExitNotWritten, [&] {
    const auto library = Library::Open(libraryPath, true);
    ConsoleHost host(ConsoleHost::Detect(true));
    ctx->SetHost(host);
    int added = 0, failed = 0;
    for (const std::string& given : cl.paths) {
      char buf[PATH_MAX];
      struct stat st;
      if (realpath(given.c_str(), buf) == nullptr || stat(buf, &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "ordanou: %s: not a folder; not added\n", TerminalText(given).c_str());
        ++failed;
        continue;
      }
      const std::string root(buf);
      const auto volume = IdentifyVolume(root);
      if (!volume) {
        std::fprintf(stderr, "ordanou: %s: no mounted volume holds it; not added\n",
                     TerminalText(given).c_str());
        ++failed;
        continue;
      }
      // Digests the library holds for unchanged files serve again; those
      // made are kept as the walk goes, so a stopped add resumes.
      std::unique_ptr<KeptDigests> kept;
      if (ctx->settings.ComputeMd5 != 0) {
        kept = std::make_unique<KeptDigests>(*library, cl.library.rehash);
        kept->AddTree(root, root, *volume);
        ctx->digestReuse = kept.get();
      }
      const std::string paths[] = {root};
      const bool scannedAll = CommandLineRunScan(*ctx, paths);
      ctx->digestReuse = nullptr;
      if (!scannedAll) {
        ctx->SetHost(QuietHost());
        std::fputs("ordanou: cancelled; this folder was not added\n", stderr);
        return static_cast<int>(kExitCancelled);
      }
      const Catalogue scanned = TableCatalogue(*ctx, ctx->options.settings.ComputeMd5 != 0);
      ctx->table.Release();
      ctx->run.TableAllocated = false;
      // What could not be read is named, as a catalogue run names it.
      host.ReportReadFailures(ctx->run.ReadFailures);
      if (!ctx->run.ReadFailures.empty()) ++failed;
      StampLookup stamps;
      if (kept) {
        kept->Flush();
        stamps = kept->Stamps();
      }
      const std::uint64_t rows = library->StoreTree(*volume, root, scanned, "scan", Now(), stamps);
      std::string digests;
      if (kept) {
        digests = "; MD5: " + std::to_string(kept->Read()) + " read, " +
                  std::to_string(kept->Reused()) + " unchanged";
      }
      std::printf("%s: %llu files (volume %s%s)\n", TerminalText(root).c_str(),
                  static_cast<unsigned long long>(rows),
                  TerminalText(VolumeName(volume->label)).c_str(), digests.c_str());
      ++added;
    }
    ctx->SetHost(QuietHost());
    if (added == 0) return static_cast<int>(kExitNotWritten);
    return failed == 0 ? static_cast<int>(kExitOk) : static_cast<int>(kExitPartial);
  });
}

// --import: JSON and CSV catalogues, each root a tree of the volume it is on
// now (a root that is not there now: a volume of its own, offline).
int Import(const CommandLine& cl, const std::string& libraryPath) {
  return Guarded(libraryPath, kExitNotWritten, [&] {
    const auto library = Library::Open(libraryPath, true);
    int imported = 0, failed = 0;
    for (const std::string& file : cl.paths) {
      const std::string shown = TerminalText(file);
      CatalogueLoad load = ReadCatalogue(file);
      if (!load.error.empty()) {
        std::fprintf(stderr, "ordanou: %s: %s; not imported\n", shown.c_str(),
                     TerminalText(load.error).c_str());
        ++failed;
        continue;
      }
      Catalogue& cat = load.catalogue;
      // Volume decorations ("Vol:LABEL (L/path)") give way to their paths.
      bool relative = false;
      for (std::string& f : cat.folders) {
        if (const auto plain = PlainFolder(f)) {
          f = std::string(*plain);
        } else {
          relative = true;
        }
      }
      if (relative) {
        std::fprintf(stderr,
                     "ordanou: %s: its folders are not absolute paths (made with --relative?); "
                     "not imported\n",
                     shown.c_str());
        ++failed;
        continue;
      }
      std::uint64_t rows = 0;
      for (const std::string& root : cat.hasRoots ? cat.roots : TopFolders(cat)) {
        rows += library->StoreTree(VolumeOrOffline(root), root, cat, "import", Now());
      }
      std::printf("%s: %llu files\n", shown.c_str(), static_cast<unsigned long long>(rows));
      ++imported;
    }
    if (imported == 0) return static_cast<int>(kExitUsage);
    return failed == 0 ? static_cast<int>(kExitOk) : static_cast<int>(kExitPartial);
  });
}

// "[+|-]N[K|M|G|T]": at least, at most or exactly N bytes (units of 1024).
bool ParseSize(std::string_view text, FindQuery& q) {
  char sign = 0;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    sign = text.front();
    text.remove_prefix(1);
  }
  std::uint64_t n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end == text.data()) return false;
  std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
  int shift = 0;
  if (unit.size() == 1) {
    const std::string_view units = "KMGT";
    const auto at =
        units.find(static_cast<char>(std::toupper(static_cast<unsigned char>(unit[0]))));
    if (at == std::string_view::npos) return false;
    shift = 10 * static_cast<int>(at + 1);
  } else if (!unit.empty()) {
    return false;
  }
  if (shift > 0 && n > (UINT64_MAX >> shift)) return false;
  n <<= shift;
  if (sign != '-') q.minSize = n;
  if (sign != '+') q.maxSize = n;
  return true;
}

// "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM[:SS]" (a space for the T too, as --find
// prints times), local time, as Unix seconds.
std::optional<std::int64_t> ParseLocalTime(std::string_view text) {
  int field[6] = {0, 0, 0, 0, 0, 0};
  const auto number = [&](std::size_t at, std::size_t digits, int& out) {
    if (at + digits > text.size()) return false;
    for (std::size_t k = at; k < at + digits; ++k) {
      if (text[k] < '0' || text[k] > '9') return false;
    }
    const char* begin = text.data() + at;
    const auto [end, ec] = std::from_chars(begin, begin + digits, out);
    return ec == std::errc() && end == begin + digits;
  };
  const auto sep = [&](std::size_t at, std::string_view chars) {
    return at < text.size() && chars.find(text[at]) != std::string_view::npos;
  };
  if (!number(0, 4, field[0]) || !sep(4, "-") || !number(5, 2, field[1]) || !sep(7, "-") ||
      !number(8, 2, field[2])) {
    return std::nullopt;
  }
  if (text.size() > 10) {
    if (!sep(10, "T ") || !number(11, 2, field[3]) || !sep(13, ":") || !number(14, 2, field[4])) {
      return std::nullopt;
    }
    if (text.size() > 16 && (!sep(16, ":") || !number(17, 2, field[5]) || text.size() != 19)) {
      return std::nullopt;
    }
    if (text.size() != 16 && text.size() != 19) return std::nullopt;
  }
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (field[0] % 4 == 0 && field[0] % 100 != 0) || field[0] % 400 == 0;
  if (field[1] < 1 || field[1] > 12 || field[2] < 1 || field[2] > kDays[field[1] - 1] ||
      (field[1] == 2 && field[2] == 29 && !leap) || field[3] > 23 || field[4] > 59 ||
      field[5] > 59) {
    return std::nullopt;
  }
  std::tm tm{};
  tm.tm_year = field[0] - 1900;
  tm.tm_mon = field[1] - 1;
  tm.tm_mday = field[2];
  tm.tm_hour = field[3];
  tm.tm_min = field[4];
  tm.tm_sec = field[5];
  tm.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&tm));
}

// The query of --find; an error text when it is not one.
std::string BuildQuery(const LibraryOptions& o, FindQuery& q) {
  q.fragments = QueryFragments(o.find.value_or(""));
  for (const std::string& e : o.ext) {
    std::string ext = FoldForSearch(e);
    if (ext.starts_with('.')) ext.erase(0, 1);
    if (ext.empty() || ext.find_first_of(" ./") != std::string::npos) {
      return "--ext takes an extension such as jpg";
    }
    q.extensions.push_back(std::move(ext));
  }
  if (o.size && !ParseSize(*o.size, q)) return "--size takes [+|-]N[K|M|G|T], such as +10M";
  if (o.md5) {
    std::array<std::uint8_t, 16> digest{};
    if (!ParseMd5(*o.md5, digest)) return "--md5 takes 32 hex digits";
    q.md5 = digest;
  }
  if (o.volume) q.volume = *o.volume;
  constexpr const char* kDateForms = "YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], local time";
  if (o.newer && !(q.modifiedFrom = ParseLocalTime(*o.newer))) {
    return std::string("--newer takes a date: ") + kDateForms;
  }
  if (o.older && !(q.modifiedBefore = ParseLocalTime(*o.older))) {
    return std::string("--older takes a date: ") + kDateForms;
  }
  if (q.fragments.empty() && q.extensions.empty() && !q.minSize && !q.maxSize && !q.md5 &&
      !q.volume && !q.modifiedFrom && !q.modifiedBefore) {
    return "--find needs a name, --ext, --size, --md5, --volume, --newer or --older";
  }
  return {};
}

std::string HitPath(const FindHit& hit, const std::string& mountPoint) {
  const std::string folder = JoinMountPoint(mountPoint, hit.folder);
  return folder.ends_with('/') ? folder + hit.name : folder + "/" + hit.name;
}

using Mounted = std::unordered_map<std::string, std::string>;

// The path of a hit where it is now (its volume online) or was last seen.
std::string HitPath(const FindHit& hit, const Mounted& mounted, bool* online = nullptr) {
  const auto at = mounted.find(hit.volumeKey);
  if (online != nullptr) *online = at != mounted.end();
  return HitPath(hit, at != mounted.end() ? at->second : hit.lastMountPoint);
}

// Lines of hits. What neighbouring hits share (volume, folder, time) is
// worked out once: lists of a million hits are built this way.
class HitLines {
 public:
  explicit HitLines(const Mounted& mounted) : mounted_(mounted) {}

  void Append(std::string& out, const FindHit& hit) {
    if (!volume_ || *volume_ != hit.volumeId) {
      volume_ = hit.volumeId;
      const auto at = mounted_.find(hit.volumeKey);
      online_ = at != mounted_.end();
      mountPoint_ = online_ ? at->second : hit.lastMountPoint;
      label_ = EscapedName(VolumeName(hit.volumeLabel));
      folder_.reset();
    }
    if (!folder_ || *folder_ != hit.folder) {
      // The folder ends in a slash (ASCII): escaped apart, the path escapes the same.
      folder_ = hit.folder;
      std::string path = JoinMountPoint(mountPoint_, hit.folder);
      if (!path.ends_with('/')) path += '/';
      prefix_ = EscapedName(path);
    }
    out += prefix_;
    AppendEscapedName(out, hit.name);
    out += '\t';
    out += label_;
    out += online_ ? "\tonline\t" : "\toffline\t";
    out += std::to_string(hit.size);
    out += '\t';
    if (!hit.modified) {
      out += '-';
    } else {
      if (time_ != hit.modified) {
        time_ = hit.modified;
        timeText_ = LocalTimeText(*hit.modified);
      }
      out += timeText_;
    }
    out += '\n';
  }

 private:
  const Mounted& mounted_;
  std::optional<std::int64_t> volume_, time_;
  std::optional<std::string> folder_;
  bool online_ = false;
  std::string mountPoint_, label_, prefix_, timeText_;
};

nlohmann::json HitJson(const FindHit& hit, const Mounted& mounted) {
  bool online = false;
  const std::string path = HitPath(hit, mounted, &online);
  nlohmann::json j = {{"path", EscapedName(path)},
                      {"volume", EscapedName(hit.volumeLabel)},
                      {"online", online},
                      {"size", hit.size},
                      {"modified", hit.modified ? LocalTimeText(*hit.modified) : "-"}};
  if (!IsValidUtf8(path)) j["path_bytes"] = HexText(path);
  if (hit.md5) j["md5"] = Md5Text(*hit.md5);
  return j;
}

// One line a hit, or a JSON array of them.
std::string HitsText(const std::vector<FindHit>& hits, const Mounted& mounted, bool json) {
  if (!json) {
    std::string out;
    HitLines lines(mounted);
    for (const FindHit& hit : hits) lines.Append(out, hit);
    return out;
  }
  nlohmann::json list = nlohmann::json::array();
  for (const FindHit& hit : hits) list.push_back(HitJson(hit, mounted));
  return list.dump(2) + '\n';
}

bool Print(const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
         std::fflush(stdout) == 0;
}

int Find(const CommandLine& cl, const std::string& libraryPath) {
  FindQuery query;
  if (const std::string error = BuildQuery(cl.library, query); !error.empty()) {
    std::fprintf(stderr, "ordanou: %s (see --help)\n", error.c_str());
    return kExitUsage;
  }
  return Guarded(libraryPath, kExitUsage, [&] {
    const auto library = Library::Open(libraryPath, false);
    if (!library) {
      std::fprintf(stderr, "ordanou: %s: no library yet (fill it with --add)\n",
                   TerminalText(ShownLocation(libraryPath)).c_str());
      return static_cast<int>(kExitPartial);
    }
    const std::vector<FindHit> hits = library->Find(query);
    const auto mounted = MountedVolumes();
    const std::string out = HitsText(hits, mounted, cl.json);
    if (!Print(out)) {
      std::fputs("ordanou: the hits could not be written\n", stderr);
      return static_cast<int>(kExitUsage);
    }
    return static_cast<int>(hits.empty() ? kExitPartial : kExitOk);
  });
}

int Duplicates(const CommandLine& cl, const std::string& libraryPath) {
  return Guarded(libraryPath, kExitUsage, [&] {
    const auto library = Library::Open(libraryPath, false);
    const std::vector<DuplicateGroup> groups =
        library ? FindDuplicates(*library) : std::vector<DuplicateGroup>();
    const auto mounted = MountedVolumes();
    std::string out;
    HitLines lines(mounted);
    nlohmann::json list = nlohmann::json::array();
    for (const DuplicateGroup& g : groups) {
      if (cl.json) {
        nlohmann::json j = {{"size", g.size}, {"waste", g.Waste()}};
        if (g.md5) j["md5"] = Md5Text(*g.md5);
        for (const FindHit& hit : g.copies) j["copies"].push_back(HitJson(hit, mounted));
        list.push_back(std::move(j));
        continue;
      }
      out += std::to_string(g.copies.size()) + " copies of " + std::to_string(g.size) + " bytes (" +
             (g.md5 ? "md5 " + Md5Text(*g.md5) : std::string("same name")) + "), " +
             std::to_string(g.Waste()) + " bytes to gain\n";
      for (const FindHit& hit : g.copies) {
        out += "  ";
        lines.Append(out, hit);
        // Written as it grows: a list of a million copies is not held whole.
        if (out.size() >= kWriteChunk) {
          if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) {
            return static_cast<int>(kExitUsage);
          }
          out.clear();
        }
      }
    }
    if (cl.json) out = list.dump(2) + '\n';
    if (!Print(out)) return static_cast<int>(kExitUsage);
    return static_cast<int>(groups.empty() ? kExitPartial : kExitOk);
  });
}

// The one volume a label or UUID names; nullopt (said why) for none or several.
std::optional<LibraryVolume> OneVolume(Library& library, const std::string& name) {
  std::vector<LibraryVolume> found = library.MatchVolumes(name);
  if (found.size() == 1) return std::move(found.front());
  if (found.empty()) {
    std::fprintf(stderr, "ordanou: no volume %s in the library (see --volumes)\n",
                 TerminalText(name).c_str());
  } else {
    std::fprintf(stderr, "ordanou: %zu volumes are called %s: give the UUID (see --volumes)\n",
                 found.size(), TerminalText(name).c_str());
  }
  return std::nullopt;
}

bool AtOrBelow(std::string_view path, std::string_view root) {
  if (root == "/") return true;
  return path.substr(0, root.size()) == root &&
         (path.size() == root.size() || path[root.size()] == '/');
}

int Unique(const CommandLine& cl, const std::string& libraryPath) {
  return Guarded(libraryPath, kExitUsage, [&] {
    const auto library = Library::Open(libraryPath, false);
    if (!library) {
      std::fprintf(stderr, "ordanou: %s: no library yet (fill it with --add)\n",
                   TerminalText(ShownLocation(libraryPath)).c_str());
      return static_cast<int>(kExitUsage);
    }
    const std::string& target = *cl.library.unique;
    const auto mounted = MountedVolumes();
    std::function<bool(const FindHit&)> selected;
    if (target.starts_with('/') || target.starts_with('.')) {
      // A folder: the files below it, where the library last saw them.
      char buf[PATH_MAX];
      std::string root = realpath(target.c_str(), buf) != nullptr ? std::string(buf) : target;
      while (root.size() > 1 && root.back() == '/') root.pop_back();
      selected = [&, root](const FindHit& f) { return AtOrBelow(HitPath(f, mounted), root); };
    } else {
      const auto volume = OneVolume(*library, target);
      if (!volume) return static_cast<int>(kExitUsage);
      selected = [id = volume->id](const FindHit& f) { return f.volumeId == id; };
    }
    const std::vector<FindHit> unique = FindUnique(*library, selected);
    const std::string out = HitsText(unique, mounted, cl.json);
    if (!Print(out)) return static_cast<int>(kExitUsage);
    return static_cast<int>(unique.empty() ? kExitPartial : kExitOk);
  });
}

int Forget(const CommandLine& cl, const std::string& libraryPath) {
  return Guarded(libraryPath, kExitNotWritten, [&] {
    const auto library = Library::Open(libraryPath, false);
    if (!library) {
      std::fprintf(stderr, "ordanou: %s: no library yet\n",
                   TerminalText(ShownLocation(libraryPath)).c_str());
      return static_cast<int>(kExitUsage);
    }
    const auto volume = OneVolume(*library, *cl.library.forget);
    if (!volume) return static_cast<int>(kExitUsage);
    const std::uint64_t files = library->ForgetVolume(volume->key);
    std::printf("forgot %s: %llu files\n", TerminalText(VolumeName(volume->label)).c_str(),
                static_cast<unsigned long long>(files));
    return static_cast<int>(kExitOk);
  });
}

int Volumes(const CommandLine& cl, const std::string& libraryPath) {
  return Guarded(libraryPath, kExitUsage, [&] {
    const auto library = Library::Open(libraryPath, false);
    const std::vector<LibraryVolume> volumes =
        library ? library->Volumes() : std::vector<LibraryVolume>();
    const auto mounted = MountedVolumes();
    std::string out;
    nlohmann::json list = nlohmann::json::array();
    for (const LibraryVolume& v : volumes) {
      const bool online = mounted.contains(v.key);
      if (cl.json) {
        nlohmann::json j = {{"label", EscapedName(v.label)},
                            {"uuid", v.uuid},
                            {"key", EscapedName(v.key)},
                            {"fs_type", v.fsType},
                            {"online", online},
                            {"last_seen", LocalTimeText(v.lastSeen)},
                            {"first_seen", LocalTimeText(v.firstSeen)},
                            {"files", v.files},
                            {"size", v.bytes}};
        if (v.capacity) j["capacity"] = *v.capacity;
        if (v.free) j["free"] = *v.free;
        list.push_back(std::move(j));
      } else {
        out += EscapedName(VolumeName(v.label)) + '\t' +
               EscapedName(v.uuid.empty() ? v.key : v.uuid) + '\t' + LocalTimeText(v.lastSeen) +
               '\t' + (online ? "online" : "offline") + '\t' + std::to_string(v.files) +
               " files\t" + std::to_string(v.bytes) + " bytes\t" +
               (v.capacity ? std::to_string(*v.capacity) + " capacity" : "-") + '\n';
      }
    }
    if (cl.json) out = list.dump(2) + '\n';
    if (!Print(out)) {
      std::fputs("ordanou: the list could not be written\n", stderr);
      return static_cast<int>(kExitUsage);
    }
    return static_cast<int>(kExitOk);
  });
}

// --snapshots: every kept snapshot of every tree, as a side --compare takes.
int Snapshots(const CommandLine& cl, const std::string& libraryPath) {
  return Guarded(libraryPath, kExitUsage, [&] {
    const auto library = Library::Open(libraryPath, false);
    const std::vector<LibraryTree> trees = library ? library->Trees() : std::vector<LibraryTree>();
    const auto mounted = MountedVolumes();
    std::string out;
    nlohmann::json list = nlohmann::json::array();
    for (const LibraryTree& t : trees) {
      const std::string path = TreePath(t, mounted);
      for (std::size_t n = 0; n < t.snapshots.size(); ++n) {
        const LibrarySnapshot& s = t.snapshots[n];
        const std::string side = std::string(kLibrarySidePrefix) + EscapedName(path) +
                                 (n == 0 ? std::string() : "~" + std::to_string(n));
        if (cl.json) {
          list.push_back({{"side", side},
                          {"volume", EscapedName(t.volumeLabel)},
                          {"taken", LocalTimeText(s.taken)},
                          {"source", s.source},
                          {"files", s.files},
                          {"size", s.bytes}});
        } else {
          out += side + '\t' + EscapedName(VolumeName(t.volumeLabel)) + '\t' +
                 LocalTimeText(s.taken) + '\t' + s.source + '\t' + std::to_string(s.files) +
                 " files\t" + std::to_string(s.bytes) + " bytes\n";
        }
      }
    }
    if (cl.json) out = list.dump(2) + '\n';
    if (!Print(out)) {
      std::fputs("ordanou: the list could not be written\n", stderr);
      return static_cast<int>(kExitUsage);
    }
    return static_cast<int>(trees.empty() ? kExitPartial : kExitOk);
  });
}

}  // namespace

std::optional<int> RunLibraryCommand(const CommandLine& cl) {
  const LibraryOptions& o = cl.library;
  const bool filters = !o.ext.empty() || o.size || o.md5 || o.volume || o.newer || o.older;
  if (o.Commands() == 0) {
    // --library names where --library-too records a catalogue run,
    // where --compare finds "library:" sides and what --verify checks.
    if (!filters && (!o.path || o.too || cl.compare || cl.verify)) return std::nullopt;
    std::fputs(
        "ordanou: --library (without --library-too), --ext, --size, --volume, --newer and --older "
        "go with a library "
        "command such as --find (see --help)\n",
        stderr);
    return kExitUsage;
  }
  if (o.Commands() > 1) {
    std::fputs(
        "ordanou: one library command at a time (--add, --import, --find, --volumes, "
        "--snapshots, --duplicates, --unique, --forget)\n",
        stderr);
    return kExitUsage;
  }
  if (filters && !o.find) {
    std::fputs("ordanou: --ext, --size, --md5 HEX, --volume, --newer and --older go with --find\n",
               stderr);
    return kExitUsage;
  }
  const std::string library = LibraryPath(o);
  if ((o.add || o.import) && cl.paths.empty()) {
    std::fprintf(stderr, "ordanou: %s needs %s (see --help)\n", o.add ? "--add" : "--import",
                 o.add ? "folders" : "catalogue files");
    return kExitUsage;
  }
  if (!o.add && !o.import && !cl.paths.empty()) {
    std::fputs("ordanou: this library command takes no paths (quote a query with spaces)\n",
               stderr);
    return kExitUsage;
  }
  if (o.add) return Add(cl, library);
  if (o.import) return Import(cl, library);
  if (o.find) return Find(cl, library);
  if (o.duplicates) return Duplicates(cl, library);
  if (o.unique) return Unique(cl, library);
  if (o.forget) return Forget(cl, library);
  if (o.snapshots) return Snapshots(cl, library);
  return Volumes(cl, library);
}

}  // namespace ordano
