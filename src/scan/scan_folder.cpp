#include "scan/scan_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/app_context.h"
#include "core/format_size.h"
#include "platform/time_text.h"
#include "platform/unicode.h"
#include "scan/archive/archive_list.h"
#include "scan/char_filter.h"
#include "scan/date_range.h"
#include "scan/digest_file.h"
#include "scan/html_title.h"
#include "scan/shortcut.h"
#include "scan/sort.h"
#include "scan/volume_info.h"
#include "scan/wildcard.h"

namespace ordano {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPumpInterval = std::chrono::milliseconds(29);

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

bool IsDotOrDotDot(const char* n) {
  return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

bool EndsWithLnk(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view tail = name.substr(name.size() - 4);
  return tail[0] == '.' && (tail[1] | 0x20) == 'l' && (tail[2] | 0x20) == 'n' &&
         (tail[3] | 0x20) == 'k';
}

// Status of one listed file: what a row needs.
struct FileStatus {
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::int64_t created = 0;
};

enum class EntryKind { File, Folder, Other, Unreadable };

EntryKind KindOfMode(unsigned mode) {
  if (S_ISREG(mode)) return EntryKind::File;
  if (S_ISDIR(mode)) return EntryKind::Folder;
  return EntryKind::Other;
}

// One statx of the entry, symbolic links followed (a link to a file is listed
// with its target's status).
EntryKind StatEntry(int dirFd, const char* name, FileStatus& out) {
  struct statx sx;
  if (statx(dirFd, name, AT_NO_AUTOMOUNT, STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME,
            &sx) != 0) {
    return EntryKind::Unreadable;
  }
  out.size = sx.stx_size;
  out.modified = (sx.stx_mask & STATX_MTIME) ? sx.stx_mtime.tv_sec : FallbackUnixTime();
  out.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : out.modified;
  return KindOfMode(sx.stx_mode);
}

// Whether a directory entry is a real folder (links to folders are not).
bool IsRealFolder(int dirFd, const dirent& d) {
  if (d.d_type == DT_DIR) return true;
  if (d.d_type != DT_UNKNOWN) return false;
  struct stat st;
  return fstatat(dirFd, d.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

// The walk of one ScanFolder call from outside: it owns the chain of folders
// on the current path, so a folder reached again through a link is skipped.
class FolderWalker {
 public:
  explicit FolderWalker(AppContext& ctx) : ctx_(ctx), s_(ctx.options.settings), run_(ctx.run) {}

  void Scan(const std::string& folder, bool followLastLink);

 private:
  struct FolderTexts {
    bool rowReady = false;
    bool archiveReady = false;
    std::u16string row;      // Folder of file and placeholder rows
    std::u16string archive;  // folder text handed to ListArchive
    std::u16string linkPrefix;
  };

  bool TableFull() const {
    return run_.Pass == 1 && ((run_.Capacity > 0 && run_.EntryCount >= run_.Capacity) ||
                              run_.EntryCount >= ctx_.table.Capacity());
  }
  void PumpIfDue() {
    const auto now = Clock::now();
    if (now - ctx_.lastScanPump > kPumpInterval) {
      ctx_.Host().Pump(run_, 16);
      ctx_.lastScanPump = now;
    }
  }
  void PrepareRowTexts(const std::string& p, FolderTexts& t);
  void PrepareArchiveText(const std::string& p, FolderTexts& t);
  std::u16string LinkPathOf(const std::string& target) const;

  AppContext& ctx_;
  const SettingsRecord& s_;
  RunState& run_;
  std::vector<std::pair<dev_t, ino_t>> onPath_;
  // Reused per file, so the loop allocates nothing for ordinary names.
  std::u16string displayName_;
  std::u16string linkPath_;
  std::string path_;
};

void FolderWalker::PrepareRowTexts(const std::string& p, FolderTexts& t) {
  if (t.rowReady) return;
  t.rowReady = true;
  const std::string_view f = WithoutTrailingSlash(p);
  const std::string& root = run_.RootFolder;
  const std::optional<std::string_view> below = BelowRoot(root, f);

  // Relative texts replace the decorated folder; a folder outside the root
  // (reached through a shortcut) keeps its absolute path.
  std::u16string text =
      s_.RelativeOutput ? ToDisplay(below ? *below : f) : DecorateFolder(ctx_, ToDisplay(f));
  if (s_.RelativeRootName && text.empty()) {
    text = u"root<" + ToDisplay(LastComponent(p)) + u">";
  }
  if (s_.IncludeTargetName) {
    if (root.empty() || !below) {
      text = ToDisplay(f);
    } else {
      std::string head(LastComponent(root));
      if (!below->empty()) {
        if (head.empty() || head.back() != '/') head += '/';
        head += *below;
      }
      text = ToDisplay(head);
    }
  }
  t.row = DecorateFolder(ctx_, text);

  // Link paths of this folder's files: the folder part once, the name per file.
  std::string prefix;
  if (s_.RelativeOutput && below) {
    prefix = std::string(*below);
  } else {
    prefix = std::string(f);
  }
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  t.linkPrefix = ToDisplay(prefix);
}

void FolderWalker::PrepareArchiveText(const std::string& p, FolderTexts& t) {
  if (t.archiveReady) return;
  t.archiveReady = true;
  const std::string_view f = WithoutTrailingSlash(p);
  std::u16string text;
  if (s_.RelativeOutput) {
    const auto below = BelowRoot(run_.RootFolder, f);
    text = ToDisplay(below ? *below : f);
  } else {
    text = DecorateFolder(ctx_, ToDisplay(f));
  }
  t.archive = DecorateFolder(ctx_, text);
}

// LinkPath of a shortcut resolved to a file: the target itself, relative to
// the root when it lies below it.
std::u16string FolderWalker::LinkPathOf(const std::string& target) const {
  if (s_.RelativeOutput) {
    if (const auto below = BelowRoot(run_.RootFolder, target); below && !below->empty()) {
      return ToDisplay(*below);
    }
  }
  return ToDisplay(target);
}

void FolderWalker::Scan(const std::string& p, bool followLastLink) {
  // The date range is checked at every folder: an end before the start ends the run.
  std::optional<DateBounds> bounds;
  if (s_.DateRangeEnabled) {
    if (RejectInvalidDateRange(ctx_)) return;
    bounds = BuildDateBounds(s_);
  }

  if (run_.CurrentDepth == run_.DepthLimit) return;
  const int depth = ++run_.CurrentDepth;
  if (run_.MaxDepthReached < depth) run_.MaxDepthReached = depth;
  struct DepthRestore {
    RunState& run;
    ~DepthRestore() { --run.CurrentDepth; }
  } depthRestore{run_};

  if (run_.CancelRequested) return;
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLastLink ? 0 : O_NOFOLLOW);
  const int fd = open(p.c_str(), flags);
  if (fd < 0) return;  // no permission, gone, or not a folder: no rows
  DirPtr dir(fdopendir(fd));
  if (!dir) {
    close(fd);
    return;
  }
  struct stat self;
  if (fstat(fd, &self) != 0) return;
  const std::pair<dev_t, ino_t> id{self.st_dev, self.st_ino};
  for (const auto& onPath : onPath_) {
    if (onPath == id) return;  // a loop back to a folder being scanned
  }
  onPath_.push_back(id);
  struct PathPop {
    std::vector<std::pair<dev_t, ino_t>>& v;
    ~PathPop() { v.pop_back(); }
  } pathPop{onPath_};

  const bool filling = run_.Pass == 1;
  const bool includeHidden = s_.IncludeHidden != 0;
  const std::u16string& pattern = ctx_.options.wildcard;
  const bool matchAll = pattern == u"*" || pattern == u"*.*";
  const int first = run_.EntryCount;
  int n = 0;
  bool folderStartPending = true;
  bool fileLoopEnded = false;
  FolderTexts texts;
  std::vector<std::string> subfolders;
  std::vector<std::string> linkedFolders;  // shortcuts resolved to folders

  const std::size_t prefixLen = AppendSeparator(path_.assign(p));
  const std::string pathPrefix = path_;
  const int dirFd = dirfd(dir.get());

  while (const dirent* d = readdir(dir.get())) {
    if (IsDotOrDotDot(d->d_name)) continue;
    const std::string_view name(d->d_name);
    const bool hidden = name.front() == '.';

    if (IsRealFolder(dirFd, *d)) {
      if (!hidden || includeHidden) subfolders.push_back(pathPrefix + d->d_name);
      continue;
    }
    if (fileLoopEnded) continue;

    PumpIfDue();
    if (run_.CancelRequested) return;

    displayName_.clear();
    AppendDisplay(displayName_, name);
    if (!matchAll && !WildcardMatch(pattern, displayName_)) continue;
    if (!CharFilterMatch(s_, displayName_)) continue;
    if (TableFull()) {
      fileLoopEnded = true;  // the rest of this folder's files are not listed
      continue;
    }
    if (hidden && !includeHidden) continue;

    path_.resize(prefixLen);
    path_ += name;

    std::string target;  // a shortcut resolved to a file
    if (s_.ReadShortcuts && (d->d_type == DT_LNK || d->d_type == DT_UNKNOWN || EndsWithLnk(name))) {
      std::string t = ResolveShortcut(ctx_, path_);
      if (!t.empty()) {
        struct stat st;
        if (stat(t.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
          linkedFolders.push_back(std::move(t));
          continue;
        }
        target = std::move(t);
      }
    }

    // Status: the filling pass needs it for every row; the counting pass only
    // when the type is not known or the date range needs the time.
    FileStatus st;
    EntryKind kind = EntryKind::File;
    if (filling || bounds || d->d_type != DT_REG) kind = StatEntry(dirFd, d->d_name, st);
    if (kind != EntryKind::File) continue;  // folders, devices, vanished files

    const int row = run_.EntryCount;
    if (filling) {
      auto& table = ctx_.table;
      table.ClearRow(row);
      if (s_.ComputeMd5) table.SetMd5(row, DigestFile(ctx_, path_));
      if (!target.empty()) {
        displayName_.clear();
        AppendDisplay(displayName_, target);
      }
      table.SetName(row, displayName_, target.empty() ? name : std::string_view(target));
      const int width = static_cast<int>(displayName_.size()) + 4 * depth - 4;
      if (run_.NameWidth < width) run_.NameWidth = width;
      table.SetSize(row, st.size);
      PrepareRowTexts(p, texts);
      table.SetFolder(row, texts.row);
      if (target.empty()) {
        linkPath_.assign(texts.linkPrefix);
        linkPath_ += displayName_;
        table.SetLinkPath(row, linkPath_);
      } else {
        table.SetLinkPath(row, LinkPathOf(target));
      }
      table.SetDepth(row, depth);
      table.SetFolderStart(row, folderStartPending ? 1 : 0);
      folderStartPending = false;  // consumed even when the date test rejects this row
      const PackedTime modified = PackLocalTime(st.modified);
      table.SetModified(row, modified);
      table.SetCreated(row, st.created == st.modified ? modified : PackLocalTime(st.created));
      if (HasHtmlExtension(displayName_)) {
        table.SetTitle(row, ReadHtmlTitle(target.empty() ? path_ : target, false));
      }
    }

    const std::int64_t testTime = filling && s_.SortOrder == 5 ? st.created : st.modified;
    if (!bounds || InDateRange(*bounds, testTime)) {
      if (filling) {
        ctx_.table.SetSizeText(row, FormatSize(s_, st.size, &run_.TotalSize));
        if (s_.SortOrder == 4 || s_.SortOrder == 5) {
          ctx_.table.SetSortKey(row, ExplorerSortKey(displayName_));
        }
      }
      ++run_.EntryCount;
      ++n;
    }
    if (s_.ExpandArchives) PrepareArchiveText(p, texts);
    n += ListArchive(ctx_, path_, texts.archive);
  }
  dir.reset();  // only one folder handle open at a time while descending

  if (n == 0 && (s_.IncludeEmptyFolders || s_.IndentTree) && !TableFull()) {
    if (filling) {
      const int row = run_.EntryCount;
      ctx_.table.ClearRow(row);
      PrepareRowTexts(p, texts);
      ctx_.table.SetFolder(row, texts.row);
      ctx_.table.SetDepth(row, depth);
      ctx_.table.SetFolderStart(row, 1);
    }
    ++run_.PlaceholderCount;
    ++run_.EntryCount;
    ++n;
  }

  if (filling) {
    SortRange(ctx_, first, n);
    // The folder's start mark belongs to its first row in output order, which
    // the enumeration order (hashed on most Linux file systems) does not give.
    for (int r = first + 1; r < first + n; ++r) {
      if (ctx_.table.FolderStart(r) != 0) {
        ctx_.table.SetFolderStart(r, 0);
        ctx_.table.SetFolderStart(first, 1);
        break;
      }
    }
  }

  // Folders reached through shortcuts follow the folder's own rows, so those
  // stay together for the sort above.
  for (const auto& linked : linkedFolders) Scan(linked, true);

  if (s_.ScanToDepth) {
    for (const auto& sub : subfolders) Scan(sub, false);
  }
}

}  // namespace

std::optional<std::string_view> BelowRoot(std::string_view root, std::string_view path) {
  root = WithoutTrailingSlash(root);
  if (root.empty() || root == "/") {
    if (path.empty() || path.front() != '/') return std::nullopt;
    return WithoutTrailingSlash(path.substr(1));
  }
  if (path.substr(0, root.size()) != root) return std::nullopt;
  if (path.size() == root.size()) return std::string_view{};
  if (path[root.size()] != '/') return std::nullopt;
  return WithoutTrailingSlash(path.substr(root.size() + 1));
}

std::size_t AppendSeparator(std::string& path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path.size();
}

void AppendDisplay(std::u16string& out, std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      out += Utf8ToUtf16(bytes);
      return;
    }
  }
  out.append(bytes.begin(), bytes.end());
}

void ScanFolder(AppContext& ctx, const std::string& folder) {
  FolderWalker walker(ctx);
  walker.Scan(folder, true);
}

}  // namespace ordano
