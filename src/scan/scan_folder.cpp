#include "scan/scan_folder.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/app_context.h"
#include "platform/open_at.h"
#include "platform/unicode.h"
#include "scan/archive/archive_list.h"
#include "scan/date_range.h"
#include "scan/digest_pool.h"
#include "scan/file_row.h"
#include "scan/folder_prefetch.h"
#include "scan/folder_reader.h"
#include "scan/html_title.h"
#include "scan/shortcut.h"
#include "scan/sort.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPumpInterval = std::chrono::milliseconds(29);
constexpr std::size_t kReadAheadPerFolder = 8;
// Descriptors left to everything but the folders of the current path: the
// standard streams, the instance lock, the file a row reads (digest, title,
// archive, shortcut) and the volume lookups.
constexpr long long kOtherDescriptors = 16;
constexpr long long kNoLevelLimit = 1 << 30;
constexpr int kTakenBeforeTrim = 2048;
constexpr int kRowsPerClock = 16;

bool NoDescriptor(int error) { return error == EMFILE || error == ENFILE; }

bool EndsWithLnk(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view tail = name.substr(name.size() - 4);
  return tail[0] == '.' && (tail[1] | 0x20) == 'l' && (tail[2] | 0x20) == 'n' &&
         (tail[3] | 0x20) == 'k';
}

// The entries of the folder being listed: read ahead by a worker, or read
// from the folder as the walk goes.
class EntrySource {
 public:
  EntrySource(OpenFolder& folder, const ListedFolder* listed) : folder_(folder), listed_(listed) {}
  bool Next(ListedEntry& e) {
    if (listed_ != nullptr) {
      if (next_ == listed_->items.size()) return false;
      const ListedFolder::Item& item = listed_->items[next_++];
      e = {listed_->names.data() + item.name, item.type, item.folder,
           item.statted ? &item.status : nullptr};
      return true;
    }
    const dirent* d = folder_.Next();
    if (d == nullptr) return false;
    e = {d->d_name, d->d_type, IsRealFolder(folder_.fd(), *d), nullptr};
    return true;
  }

 private:
  OpenFolder& folder_;
  const ListedFolder* listed_;
  std::size_t next_ = 0;
};

// The walk of one ScanFolder call from outside. It keeps the folders of the
// current path open, each subfolder is opened relative to its parent (so depth
// is not limited by PATH_MAX), and a folder reached again through a link is
// skipped. The walk is a loop over that path, not a recursion, so a deep tree
// needs no deep stack. A path deeper than the open-file limit allows keeps
// only its deepest folders open; the others are closed and opened again, one
// name at a time from the nearest open one, when the walk comes back to them.
// With more than one core, workers list the subfolders the walk will enter
// next (FolderPrefetch).
class FolderWalker {
 public:
  explicit FolderWalker(AppContext& ctx) : ctx_(ctx), s_(ctx.options.settings), run_(ctx.run) {}

  void Walk(const std::string& folder);
  void WalkFromTop();

 private:
  struct FolderTexts {
    bool rowReady = false;
    bool archiveReady = false;
    std::u16string row;      // Folder of file and placeholder rows
    std::u16string archive;  // folder text handed to ListArchive
    std::u16string linkPrefix;
  };
  // One folder on the current path, with what is left to visit below it.
  struct Level {
    OpenFolder folder;  // parked (closed) while deeper folders need the descriptors
    std::string path;   // full path as printed
    // Opened by its name inside the level above, else by its full path (the
    // first folder, a folder reached through a shortcut).
    bool inParent = false;
    std::vector<std::string> linked;      // shortcuts resolved to folders (full paths)
    std::vector<std::string> subfolders;  // names
    int depth = 0;
    // Listed in the counting pass and not opened again unless a row's work
    // needs the folder; `gone` once it could not be opened again.
    bool held = false;
    bool gone = false;
    std::vector<FolderPrefetch::Ticket> tickets{};  // of the first subfolders, read ahead
    std::size_t nextLinked = 0, nextSub = 0;
  };

  // Enters one folder: date check, depth gate, open, loop check, its rows.
  // `inParent`: `openName` is a name inside the top folder of the path, else
  // a full path (a link as the last component is then followed). False when
  // it was not entered (CurrentDepth unchanged).
  bool Enter(bool inParent, const std::string& openName, std::string path,
             const FolderPrefetch::Ticket& ticket = {});
  // Opens a folder through `open`, first closing folders of the path beyond
  // the budget, and again after each close while descriptors run out. Only
  // levels below index `parkableEnd` may be closed. False (errno set) when it
  // cannot be opened.
  template <class Open>
  bool OpenWithRoom(Open open, std::size_t parkableEnd);
  // Closes the shallowest open folder of the path below index `end`.
  bool ParkOneBelow(std::size_t end);
  // Opens the top folder of the path again if it was parked (and the parked
  // folders above it that it is reached through). False when it cannot be.
  bool ReopenTop();
  // The rest of the top folder is not visited (it could not be opened again).
  void SkipRestOfTop();
  void PopLevel();
  void ListRows(Level& level, const ListedFolder* listed, const std::optional<DateBounds>& bounds);
  // The descriptor of the top folder, opened again if it was held or parked;
  // kNoFolder when it is gone since it was listed.
  int TopFolderFd();
  // The listing the counting pass read of `path`, taken out of the held ones.
  std::optional<ListedFolder> TakeHeld(const std::string& path);
  // Queues the subfolders the walk enters next for the workers, deepest first.
  void ReadAhead();
  bool OnPath(const FolderId& id) const {
    for (const auto& l : levels_) {
      if (l->folder.id() == id) return true;
    }
    return false;
  }
  void PumpIfDue() {
    const auto now = Clock::now();
    if (now - ctx_.lastScanPump > kPumpInterval) {
      if (digests_) digests_->ShowProgress();
      ctx_.Host().Pump(run_);
      ctx_.lastScanPump = now;
    }
  }
  // A folder (empty name) or entry that exists but could not be looked at,
  // for a verify: its listed files there are unreadable, not removed.
  void NoteUnreadable(const std::string& folder, std::string_view name) {
    if (run_.NoteUnreadable && run_.Pass == 1) {
      run_.Unreadable.emplace_back(RowFolderText(ctx_, folder), name);
    }
  }
  void PrepareRowTexts(const std::string& p, FolderTexts& t);
  void PrepareArchiveText(const std::string& p, FolderTexts& t);
  std::u16string LinkPathOf(const std::string& target) const;
  // Waits for the digests of this walk and writes them into their rows.
  void FinishDigests(int firstRow);

  AppContext& ctx_;
  const SettingsRecord& s_;
  RunState& run_;
  std::vector<std::unique_ptr<Level>> levels_;
  int openLevels_ = 0;                   // levels whose descriptor is open
  int levelBudget_ = 2;                  // levels held open at most
  std::unique_ptr<DigestPool> digests_;  // filling pass with ComputeMd5, more than one core
  ListingRules rules_;
  HeldListings* held_ = nullptr;
  int heldTaken_ = 0;
  std::unique_ptr<FolderPrefetch> prefetch_;  // more than one core
  int untilClock_ = 1;
  // Reused per file, so the loop allocates nothing for ordinary names.
  std::u16string displayName_;
  std::u16string linkPath_;
  std::string path_;
};

void FolderWalker::PrepareRowTexts(const std::string& p, FolderTexts& t) {
  if (t.rowReady) return;
  t.rowReady = true;
  const std::string_view f = WithoutTrailingSlash(p);
  const std::optional<std::string_view> below = BelowRoot(run_.RootFolder, f);
  t.row = RowFolderText(ctx_, p);

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

void FolderWalker::FinishDigests(int firstRow) {
  if (!digests_) return;
  digests_->Finish();
  if (!run_.CancelRequested) {
    EntryTable& table = ctx_.table;
    const int end = std::min(run_.EntryCount, table.Capacity());
    for (int r = firstRow; r < end; ++r) {
      if (const std::uint32_t ticket = table.Md5Ticket(r))
        table.SetMd5(r, digests_->Result(ticket));
    }
    for (ReadFailure& f : digests_->Failures()) run_.NoteReadFailure(std::move(f.path), f.error);
  }
  digests_.reset();
}

void FolderWalker::Walk(const std::string& folder) {
  RaiseOpenFileLimit();
  const int firstRow = run_.EntryCount;
  const int workers = WorkerThreadCount();
  long long othersHeld = kOtherDescriptors;
  if (run_.Pass == 1 && s_.ComputeMd5 && workers > 1) {
    digests_ = std::make_unique<DigestPool>(ctx_, workers);
    // None could start (descriptors, threads): this thread digests.
    if (digests_->Workers() == 0) digests_.reset();
  }
  if (digests_) othersHeld += digests_->DescriptorsHeld();
  const std::u16string& pattern = ctx_.options.wildcard;
  held_ = &HeldListingsOf(ctx_.table);
  // A counting pass with nothing counted yet starts a run: listings an earlier
  // run left unused are stale (at worst a root's listings are read again).
  if (run_.Pass == 0 && run_.EntryCount == 0) held_->byPath.clear();
  // Every entry that can give a row is statted where its folder is read: the
  // counting pass keeps the listing for the filling pass.
  rules_ = ListingRules{s_,
                        pattern,
                        pattern == u"*" || pattern == u"*.*",
                        s_.IncludeHidden != 0,
                        true,
                        run_.OnlyDevice,
                        &held_->foldersRead};
  // A filling pass after a counting pass reads no folder: nothing to read ahead.
  const bool replay = run_.Pass == 1 && !held_->byPath.empty();
  if (const int readAhead = FolderPrefetch::ReadAheadForDescriptors();
      !replay && workers > 1 && readAhead >= 2 && s_.ScanToDepth && run_.DepthLimit != 1) {
    // The walk lists too while it waits, so it counts as one of them.
    prefetch_ = std::make_unique<FolderPrefetch>(rules_, workers - 1, readAhead);
    if (prefetch_->Workers() == 0) prefetch_.reset();
  }
  if (prefetch_) othersHeld += prefetch_->DescriptorsHeld();
  levelBudget_ = static_cast<int>(std::max(2LL, SpareDescriptors(othersHeld, kNoLevelLimit)));
  if (Enter(false, folder, folder)) WalkFromTop();
  if (prefetch_) {
    prefetch_.reset();
    // The workers' listings were freed into the workers' own heaps, which the
    // filling pass does not use: their pages go back before the table grows.
    malloc_trim(0);
  }
  FinishDigests(firstRow);
}

bool FolderWalker::ParkOneBelow(std::size_t end) {
  for (std::size_t i = 0; i < end && i < levels_.size(); ++i) {
    OpenFolder& f = levels_[i]->folder;
    if (!f.Parked()) {
      f.Park();
      --openLevels_;
      return true;
    }
  }
  return false;
}

template <class Open>
bool FolderWalker::OpenWithRoom(Open open, std::size_t parkableEnd) {
  while (openLevels_ >= levelBudget_ && ParkOneBelow(parkableEnd)) {
  }
  errno = 0;
  if (open()) return true;
  bool dropped = false;
  while (NoDescriptor(errno)) {
    const int error = errno;
    if (!dropped && (digests_ || prefetch_)) {
      // Listings read ahead and queued digests hold descriptors; without
      // them there are some again.
      dropped = true;
      if (prefetch_) prefetch_->DropReadAhead();
      if (digests_) digests_->WaitIdle();
    } else if (const int held = openLevels_; ParkOneBelow(parkableEnd)) {
      // The limit holds fewer folders than the budget guessed.
      levelBudget_ = std::max(2, std::min(levelBudget_, held));
    } else {
      errno = error;
      return false;
    }
    errno = 0;
    if (open()) return true;
  }
  return false;
}

bool FolderWalker::ReopenTop() {
  const std::size_t top = levels_.size() - 1;
  if (!levels_[top]->folder.Parked()) return true;
  if (levels_[top]->gone) return false;
  // Up to the nearest open folder, or one opened by its full path.
  std::size_t first = top;
  while (first > 0 && levels_[first]->inParent && levels_[first - 1]->folder.Parked()) --first;
  for (std::size_t i = first; i <= top; ++i) {
    Level& l = *levels_[i];
    const std::string name(l.inParent ? LastComponent(l.path) : std::string_view(l.path));
    const bool reopened = OpenWithRoom(
        [&] {
          return l.folder.Reopen(l.inParent ? levels_[i - 1]->folder.fd() : AT_FDCWD, name.c_str(),
                                 !l.inParent);
        },
        l.inParent ? i - 1 : i);
    if (!reopened) {
      if (run_.Pass == 1) run_.NoteReadFailure(l.path, errno);
      levels_[top]->gone = true;
      return false;
    }
    ++openLevels_;
  }
  return true;
}

void FolderWalker::SkipRestOfTop() {
  Level& top = *levels_.back();
  for (std::size_t i = top.nextSub; i < top.tickets.size(); ++i) {
    if (top.tickets[i]) prefetch_->Discard(top.tickets[i]);
  }
  top.nextLinked = top.linked.size();
  top.nextSub = top.subfolders.size();
}

void FolderWalker::PopLevel() {
  if (!levels_.back()->folder.Parked()) --openLevels_;
  levels_.pop_back();
  --run_.CurrentDepth;
}

void FolderWalker::ReadAhead() {
  if (!prefetch_ || run_.CancelRequested) return;
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it) {
    Level& l = **it;
    if (run_.DepthLimit >= 0 && l.depth >= run_.DepthLimit) continue;
    if (l.folder.Parked()) continue;  // read ahead again once it is open
    // A few per folder: a wide folder cannot take the read-ahead from the
    // deeper folders the walk wants first.
    const std::size_t upTo = std::min(l.subfolders.size(), l.nextSub + kReadAheadPerFolder);
    while (l.tickets.size() < upTo) {
      if (!prefetch_->HasRoom()) return;
      const std::size_t i = l.tickets.size();
      l.tickets.push_back(prefetch_->Submit(l.folder.SharedFd(), l.subfolders[i], l.depth + 1,
                                            static_cast<int>(i)));
    }
  }
}

void FolderWalker::WalkFromTop() {
  // Depth first: a folder's rows, then the folders its shortcuts lead to, then
  // its subfolders in enumeration order.
  while (!levels_.empty()) {
    Level& top = *levels_.back();
    const bool more = top.nextLinked < top.linked.size() ||
                      (s_.ScanToDepth && top.nextSub < top.subfolders.size());
    // A held folder is opened again only for a subfolder that is not held.
    if (more && !run_.CancelRequested && !top.held && !ReopenTop()) SkipRestOfTop();
    if (top.nextLinked < top.linked.size()) {
      const std::string& target = top.linked[top.nextLinked++];
      Enter(false, target, target);
    } else if (s_.ScanToDepth && top.nextSub < top.subfolders.size()) {
      const std::size_t i = top.nextSub++;
      const std::string& name = top.subfolders[i];
      std::string path = top.path;
      AppendSeparator(path);
      path += name;
      FolderPrefetch::Ticket ticket;
      if (i < top.tickets.size()) {
        ticket = std::move(top.tickets[i]);
      } else {
        top.tickets.resize(i + 1);  // entered without one: never to be read ahead
      }
      ReadAhead();
      Enter(true, name, std::move(path), ticket);
    } else {
      PopLevel();
    }
  }
}

bool FolderWalker::Enter(bool inParent, const std::string& openName, std::string path,
                         const FolderPrefetch::Ticket& ticket) {
  const auto notEntered = [&] {
    if (ticket) prefetch_->Discard(ticket);
    return false;
  };
  // The date range is checked at every folder: an end before the start ends the run.
  std::optional<DateBounds> bounds;
  if (s_.DateRangeEnabled) {
    if (RejectInvalidDateRange(ctx_)) return notEntered();
    bounds = BuildDateBounds(s_);
  }
  if (run_.CurrentDepth == run_.DepthLimit) return notEntered();
  const int depth = ++run_.CurrentDepth;
  if (run_.MaxDepthReached < depth) run_.MaxDepthReached = depth;

  // The top folder of the path stays open: it is the parent, or the folder
  // the walk goes on with after a shortcut's.
  const std::size_t parkableEnd = levels_.empty() ? 0 : levels_.size() - 1;
  std::optional<OpenFolder> folder;
  std::optional<ListedFolder> listed;
  int error = 0;
  const bool held = !run_.CancelRequested && run_.Pass == 1 && (listed = TakeHeld(path));
  if (run_.CancelRequested) {
    notEntered();
  } else if (held) {
    notEntered();  // (no ticket is issued while listings are held)
  } else if (ticket) {
    listed = prefetch_->Take(ticket, [this] {
      PumpIfDue();
      return !run_.CancelRequested;
    });
    if (listed) {
      folder = std::move(listed->folder);  // none: gone, or no permission
      error = listed->error;
      if (folder) {
        while (openLevels_ >= levelBudget_ && ParkOneBelow(parkableEnd)) {
        }
      }
    }
  }
  if (!run_.CancelRequested && !listed) {
    // A held parent is opened again for a subfolder that was not there before.
    const bool parentOpen = !inParent || ReopenTop();
    const bool opened = parentOpen && OpenWithRoom(
                                          [&] {
                                            folder = OpenFolder::Open(
                                                inParent ? levels_.back()->folder.fd() : AT_FDCWD,
                                                openName.c_str(), !inParent);
                                            return folder.has_value();
                                          },
                                          parkableEnd);
    if (!opened) error = parentOpen ? errno : ENOENT;
  }
  // No permission, gone, not a folder, a loop back to a folder being scanned,
  // or another file system below a whole drive's root: no rows. What could
  // not be opened is told at the end (what is gone is not).
  if (!held && (!folder || OnPath(folder->id()) ||
                (run_.OnlyDevice && folder->id().first != *run_.OnlyDevice))) {
    if (!folder && run_.Pass == 1) run_.NoteReadFailure(path, error);
    if (!folder && error != 0 && !IsGone(error)) NoteUnreadable(path, {});
    --run_.CurrentDepth;
    return false;
  }
  auto level = std::make_unique<Level>();
  level->folder = held ? OpenFolder::Closed(listed->id) : std::move(*folder);
  level->path = std::move(path);
  level->inParent = inParent;
  level->depth = depth;
  level->held = held;
  if (!held) ++openLevels_;
  Level& entered = *level;
  levels_.push_back(std::move(level));
  if (!listed && run_.Pass == 0) {
    // Listed whole, to be held for the filling pass.
    listed.emplace();
    ListFolder(entered.folder, rules_, *listed, [this] {
      PumpIfDue();
      return !run_.CancelRequested;
    });
    listed->listError = entered.folder.ListError();
  }
  if (listed) {
    // Known before the rows: the workers go on with them meanwhile.
    for (const ListedFolder::Item& item : listed->items) {
      const char* name = listed->names.data() + item.name;
      if (item.folder && (name[0] != '.' || rules_.includeHidden)) {
        entered.subfolders.emplace_back(name);
      }
    }
    ReadAhead();
  }
  if (!listed) held_->foldersRead.fetch_add(1, std::memory_order_relaxed);  // read by ListRows
  ListRows(entered, listed ? &*listed : nullptr, bounds);
  const int listError = listed ? listed->listError : entered.folder.ListError();
  if (listError != 0 && run_.Pass == 1) run_.NoteReadFailure(entered.path, listError);
  entered.folder.EndListing();
  if (!listed) ReadAhead();
  if (listed && run_.Pass == 0 && !run_.CancelRequested) {
    listed->id = entered.folder.id();
    // Read again, the folder's latest listing wins.
    held_->byPath.insert_or_assign(
        entered.path, PackListing(*listed, s_.ComputeMd5 && ctx_.digestReuse != nullptr));
  }
  return true;
}

std::optional<ListedFolder> FolderWalker::TakeHeld(const std::string& path) {
  const auto it = held_->byPath.find(path);
  if (it == held_->byPath.end()) return std::nullopt;
  std::optional<ListedFolder> listed(UnpackListing(it->second));
  held_->byPath.erase(it);
  // The listings are taken in the order they were read, so the ones used up
  // free whole pages: they go back to the system while the table grows.
  if (++heldTaken_ % kTakenBeforeTrim == 0) malloc_trim(0);
  return listed;
}

int FolderWalker::TopFolderFd() {
  Level& top = *levels_.back();
  if (top.folder.Parked() && !ReopenTop()) return kNoFolder;
  return top.folder.fd();
}

void FolderWalker::ListRows(Level& level, const ListedFolder* listed,
                            const std::optional<DateBounds>& bounds) {
  const std::string& p = level.path;
  const int depth = level.depth;
  const bool filling = run_.Pass == 1;
  const bool sortKeys = s_.SortOrder == 4 || s_.SortOrder == 5;
  const int first = run_.EntryCount;
  int n = 0;
  int statError = 0;  // the first entry whose status could not be read
  bool folderStartPending = true;
  FolderTexts texts;
  const std::size_t prefixLen = AppendSeparator(path_.assign(p));

  EntrySource entries(level.folder, listed);
  ListedEntry e{};
  while (entries.Next(e)) {
    const std::string_view name(e.name);
    if (e.folder) {
      if (listed == nullptr && (name.front() != '.' || rules_.includeHidden)) {
        level.subfolders.emplace_back(name);
      }
      continue;
    }

    // The clock is read every few rows: a read per row costs more than the
    // row's own work when the listing is held.
    if (--untilClock_ == 0) {
      untilClock_ = kRowsPerClock;
      PumpIfDue();
    }
    if (run_.CancelRequested) return;
    if (!rules_.Passes(name, displayName_)) continue;

    path_.resize(prefixLen);
    path_ += name;

    // A shortcut resolved to a file is listed under its target with its own
    // size and times; one that cannot be resolved is an ordinary file.
    std::string target;
    const bool maybeLink = e.type == DT_LNK || e.type == DT_UNKNOWN;
    if (s_.ReadShortcuts && (maybeLink || EndsWithLnk(name))) {
      std::string t = ResolveShortcut(ctx_, path_);
      if (!t.empty()) {
        struct stat ts;
        if (stat(t.c_str(), &ts) == 0 && S_ISDIR(ts.st_mode)) {
          // Entered once per pass; a folder already entered through a
          // shortcut, or on the current path, gives the shortcut's row instead.
          const FolderId id{static_cast<std::uint64_t>(ts.st_dev),
                            static_cast<std::uint64_t>(ts.st_ino)};
          if (!OnPath(id) && run_.ShortcutFolders.insert(id).second) {
            level.linked.push_back(std::move(t));
            continue;
          }
        }
        target = std::move(t);
      }
    }

    // Status: the filling pass needs it for every row; the counting pass only
    // when the type is not known or the date range needs the time.
    EntryStatus st;
    st.kind = EntryKind::File;
    if (e.status != nullptr && target.empty()) {
      // The listing's status follows links: it serves where the target's is wanted.
      st = *e.status;
    } else if (filling || bounds || e.type != DT_REG) {
      const int dirFd = TopFolderFd();
      if (dirFd == kNoFolder) continue;  // gone since it was listed
      st = StatEntry(dirFd, e.name, target.empty());
      // A dangling or looping link is listed as itself.
      if (st.kind == EntryKind::Unreadable && maybeLink) st = StatEntry(dirFd, e.name, false);
    }
    if (st.kind == EntryKind::Unreadable && statError == 0 && !IsGone(st.error)) {
      statError = st.error;
    }
    if (st.kind == EntryKind::Unreadable && filling && !IsGone(st.error)) NoteUnreadable(p, name);
    if (st.kind != EntryKind::File && st.kind != EntryKind::Link) continue;
    FileRow row;
    if (filling) {
      if (!target.empty()) {
        displayName_.clear();
        AppendDisplay(displayName_, target);
      }
      PrepareRowTexts(p, texts);
      row.folder = texts.row;
      if (target.empty()) {
        row.linkPath = texts.linkPrefix;
        row.linkPathIsPrefix = true;
      } else {
        linkPath_ = LinkPathOf(target);
        row.linkPath = linkPath_;
      }
    }
    row.name = displayName_;
    row.nativeName = target.empty() ? name : std::string_view(target);
    row.size = st.size;
    row.modified = st.modified;
    row.created = st.created;
    row.depth = depth;
    row.indent = 4 * depth - 4;
    row.folderStart = folderStartPending;
    row.sortKey = sortKeys;
    if (st.mtimeNs >= 0) {
      row.stamp = FileStamp{st.size, st.mtimeNs, st.inode};
      row.device = st.device;
    }
    if (filling) folderStartPending = false;  // consumed even when the date test rejects the row

    // The same time in both passes, so the count holds every row the filling pass writes.
    const std::int64_t testTime = s_.SortOrder == 5 ? st.created : st.modified;
    const bool passes = !bounds || InDateRange(*bounds, testTime);
    // The file itself is read only for its digest or title.
    const bool readsFile = filling && (s_.ComputeMd5 || HasHtmlExtension(row.name));
    const int dirFd = readsFile ? TopFolderFd() : kNoFolder;
    const FileSource source{dirFd,   e.name,         path_,
                            nullptr, digests_.get(), &level.folder.SharedFd()};
    if (AddFileRow(ctx_, row, source, passes)) ++n;

    if (s_.ExpandArchives) PrepareArchiveText(p, texts);
    n += ListArchive(ctx_, path_, texts.archive);
  }

  // A folder without search permission lists its names, but no status:
  // its files are told as the folder that could not be read.
  if (filling && statError != 0) run_.NoteReadFailure(p, statError);

  if (n == 0 && (s_.IncludeEmptyFolders || s_.IndentTree)) {
    if (filling) PrepareRowTexts(p, texts);
    if (AddPlaceholderRow(ctx_, texts.row, depth)) ++n;
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

std::u16string RowFolderText(AppContext& ctx, std::string_view folder) {
  const SettingsRecord& s = ctx.options.settings;
  const std::string_view f = WithoutTrailingSlash(folder);
  const std::string& root = ctx.run.RootFolder;
  const std::optional<std::string_view> below = BelowRoot(root, f);

  // Relative texts replace the decorated folder; a folder outside the root
  // (reached through a shortcut) keeps its absolute path.
  std::u16string text =
      s.RelativeOutput ? ToDisplay(below ? *below : f) : DecorateFolder(ctx, ToDisplay(f));
  if (s.RelativeRootName && text.empty()) {
    text = u"root<" + ToDisplay(LastComponent(folder)) + u">";
  }
  if (s.IncludeTargetName) {
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
  return DecorateFolder(ctx, text);
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
  walker.Walk(folder);
}

bool EnterOnceThroughShortcut(RunState& run, const std::string& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return false;
  return run.ShortcutFolders
      .insert({static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)})
      .second;
}

}  // namespace ordano
