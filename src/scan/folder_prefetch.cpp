#include "scan/folder_prefetch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

#include "core/entry_table.h"
#include "platform/open_at.h"
#include "scan/char_filter.h"
#include "scan/scan_folder.h"
#include "scan/wildcard.h"

namespace ordano {
namespace {

constexpr auto kWaitSlice = std::chrono::milliseconds(10);
constexpr int kMaxReadAhead = 256;
// Asked between this many entries, so a cancel stops a huge folder quickly.
constexpr int kEntriesPerCheck = 64;
constexpr int kSpinsBeforeSleep = 200;

}  // namespace

bool ListingRules::Passes(std::string_view name, std::u16string& display) const {
  display.clear();
  AppendDisplay(display, name);
  if (!matchAll && !WildcardMatch(pattern, display)) return false;
  if (!CharFilterMatch(settings, display)) return false;
  return includeHidden || name.front() != '.';
}

void ListFolder(OpenFolder& folder, const ListingRules& rules, ListedFolder& out,
                const std::function<bool()>& keepGoing) {
  std::u16string display;
  int untilCheck = kEntriesPerCheck;
  while (const dirent* d = folder.Next()) {
    if (--untilCheck == 0) {
      untilCheck = kEntriesPerCheck;
      if (!keepGoing()) break;
    }
    const std::string_view name(d->d_name);
    ListedFolder::Item item{
        static_cast<std::uint32_t>(out.names.size()), d->d_type, false, false, {}};
    if (IsRealFolder(folder.fd(), *d)) {
      item.folder = true;
    } else if (!rules.Passes(name, display)) {
      continue;  // gives no row: the walk never asks for it
    } else if (rules.statAll || d->d_type != DT_REG) {
      item.status = StatEntry(folder.fd(), d->d_name, true);
      // A dangling or looping link is listed as itself.
      if (item.status.kind == EntryKind::Unreadable &&
          (d->d_type == DT_LNK || d->d_type == DT_UNKNOWN)) {
        item.status = StatEntry(folder.fd(), d->d_name, false);
      }
      item.statted = true;
    }
    out.names.append(name);
    out.names.push_back('\0');
    out.items.push_back(item);
  }
  if (rules.foldersRead != nullptr) rules.foldersRead->fetch_add(1, std::memory_order_relaxed);
}

namespace {

// Packed listing: id, error, listError and the item count, then per item its
// name with a closing NUL, its type, its flags and kind, and when statted: the
// error (unreadable) or the size (7 bits a byte), the last-write time and,
// unless it is the same, the birth time.
enum PackedFlag : std::uint8_t { kFolder = 1, kStatted = 2, kSameTimes = 4, kStamped = 8 };

template <class T>
void PutRaw(std::string& out, T v) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &v, sizeof(T));
  out.append(bytes, sizeof(T));
}

template <class T>
T GetRaw(std::string_view& in) {
  T v{};
  std::memcpy(&v, in.data(), sizeof(T));
  in.remove_prefix(sizeof(T));
  return v;
}

void PutSize(std::string& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

std::uint64_t GetSize(std::string_view& in) {
  std::uint64_t v = 0;
  for (int shift = 0; !in.empty(); shift += 7) {
    const auto byte = static_cast<std::uint8_t>(in.front());
    in.remove_prefix(1);
    v |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) break;
  }
  return v;
}

}  // namespace

std::string PackListing(const ListedFolder& listed, bool keepStamps) {
  std::string out;
  out.reserve(32 + listed.names.size() + listed.items.size() * 24);
  PutRaw(out, listed.id.first);
  PutRaw(out, listed.id.second);
  PutRaw(out, listed.error);
  PutRaw(out, listed.listError);
  PutRaw(out, static_cast<std::uint32_t>(listed.items.size()));
  for (const ListedFolder::Item& item : listed.items) {
    const char* name = listed.names.data() + item.name;
    out.append(name, std::strlen(name) + 1);
    const EntryStatus& st = item.status;
    const bool same = st.created == st.modified;
    const bool stamped = keepStamps && st.mtimeNs >= 0;
    out.push_back(static_cast<char>(item.type));
    out.push_back(static_cast<char>((item.folder ? kFolder : 0) | (item.statted ? kStatted : 0) |
                                    (same ? kSameTimes : 0) | (stamped ? kStamped : 0)));
    if (!item.statted) continue;
    out.push_back(static_cast<char>(st.kind));
    if (st.kind == EntryKind::Unreadable) {
      PutRaw(out, st.error);
      continue;
    }
    PutSize(out, st.size);
    PutRaw(out, st.modified);
    if (!same) PutRaw(out, st.created);
    if (stamped) {
      PutRaw(out, st.mtimeNs);
      PutSize(out, st.inode);
      PutRaw(out, st.device);
    }
  }
  std::string exact(out);  // no spare capacity while it is held
  return exact;
}

ListedFolder UnpackListing(std::string_view in) {
  ListedFolder out;
  out.id.first = GetRaw<std::uint64_t>(in);
  out.id.second = GetRaw<std::uint64_t>(in);
  out.error = GetRaw<int>(in);
  out.listError = GetRaw<int>(in);
  const auto count = GetRaw<std::uint32_t>(in);
  out.items.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t length = in.find('\0');
    ListedFolder::Item item{static_cast<std::uint32_t>(out.names.size()), 0, false, false, {}};
    out.names.append(in.substr(0, length + 1));
    in.remove_prefix(length + 1);
    item.type = static_cast<unsigned char>(in[0]);
    const auto flags = static_cast<std::uint8_t>(in[1]);
    in.remove_prefix(2);
    item.folder = (flags & kFolder) != 0;
    item.statted = (flags & kStatted) != 0;
    if (item.statted) {
      EntryStatus& st = item.status;
      st.kind = static_cast<EntryKind>(in[0]);
      in.remove_prefix(1);
      if (st.kind == EntryKind::Unreadable) {
        st.error = GetRaw<int>(in);
      } else {
        st.size = GetSize(in);
        st.modified = GetRaw<std::int64_t>(in);
        st.created = (flags & kSameTimes) != 0 ? st.modified : GetRaw<std::int64_t>(in);
        if ((flags & kStamped) != 0) {
          st.mtimeNs = GetRaw<std::int64_t>(in);
          st.inode = GetSize(in);
          st.device = GetRaw<std::uint64_t>(in);
        }
      }
    }
    out.items.push_back(item);
  }
  return out;
}

HeldListings& HeldListingsOf(EntryTable& table) {
  std::shared_ptr<void>& carry = table.ScanCarry();
  if (!carry) carry = std::make_shared<HeldListings>();
  return *static_cast<HeldListings*>(carry.get());
}

struct FolderPrefetch::Job {
  enum class State : std::uint8_t { Queued, Running, Done, Taken, Abandoned };
  std::shared_ptr<const UniqueFd> parent;
  std::string name;
  int depth;
  int index;
  State state = State::Queued;
  ListedFolder result{};
};

int FolderPrefetch::ReadAheadForDescriptors() {
  // Half of what is left after the walk's own path, digests and the output.
  return static_cast<int>(SpareDescriptors(40, 2 * kMaxReadAhead) / 2);
}

FolderPrefetch::FolderPrefetch(ListingRules rules, int workers, int readAhead)
    : rules_(std::move(rules)), readAhead_(readAhead) {
  // A worker adds to it and must not fail for want of memory there.
  finished_.reserve(static_cast<std::size_t>(std::max(readAhead, 0) + std::max(workers, 0)));
  workers_.reserve(static_cast<std::size_t>(workers));
  for (int i = 0; i < workers; ++i) {
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // no more threads here: the walk lists what no worker takes
    }
  }
}

FolderPrefetch::~FolderPrefetch() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
    queued_.clear();
  }
  workAvailable_.notify_all();
  workers_.clear();  // joins
}

bool FolderPrefetch::HasRoom() const {
  const std::lock_guard lock(mutex_);
  return outstanding_ < readAhead_;
}

FolderPrefetch::Ticket FolderPrefetch::Submit(std::shared_ptr<const UniqueFd> parent,
                                              std::string name, int depth, int index) {
  auto job = std::make_shared<Job>(Job{std::move(parent), std::move(name), depth, index});
  std::unique_lock lock(mutex_);
  queued_.push_back(job);
  ++outstanding_;
  const bool wake = idle_ > 0;  // a busy worker finds it without a wake-up
  lock.unlock();
  if (wake) workAvailable_.notify_one();
  return job;
}

std::optional<ListedFolder> FolderPrefetch::Take(const Ticket& job,
                                                 const std::function<bool()>& wait) {
  std::unique_lock lock(mutex_);
  int spins = 0;
  while (job->state == Job::State::Running) {
    // Rather than sleep until a worker is done, list the next queued folder
    // here: a sleep and a wake-up per folder would cost more than small
    // folders take to list.
    if (!queued_.empty()) {
      RunNext(lock);
      continue;
    }
    // Listings take tens of microseconds: look again a few times before sleeping.
    if (spins++ < kSpinsBeforeSleep) {
      lock.unlock();
      std::this_thread::yield();
      lock.lock();
      continue;
    }
    ++runWaiting_;
    const bool woken = done_.wait_for(lock, kWaitSlice) == std::cv_status::no_timeout;
    --runWaiting_;
    if (woken) continue;
    lock.unlock();
    const bool go = wait();
    lock.lock();
    if (!go && job->state == Job::State::Running) {
      job->state = Job::State::Abandoned;  // the worker drops what it finds
      --outstanding_;
      return std::nullopt;
    }
  }
  const Job::State was = job->state;
  if (was == Job::State::Taken || was == Job::State::Abandoned) return std::nullopt;
  job->state = Job::State::Taken;
  --outstanding_;
  std::erase(finished_, job);
  if (was == Job::State::Queued) {
    std::erase(queued_, job);
    return std::nullopt;
  }
  ListedFolder listed = std::move(job->result);
  lock.unlock();
  if (listed.error == EMFILE || listed.error == ENFILE || listed.error == ENOMEM) {
    return std::nullopt;  // the walk lists it itself
  }
  return listed;
}

void FolderPrefetch::Discard(const Ticket& job) {
  if (!job) return;
  std::unique_lock lock(mutex_);
  switch (job->state) {
    case Job::State::Queued:
      std::erase(queued_, job);
      [[fallthrough]];
    case Job::State::Done:
      std::erase(finished_, job);
      job->state = Job::State::Taken;
      --outstanding_;
      break;
    case Job::State::Running:
      job->state = Job::State::Abandoned;
      --outstanding_;
      break;
    case Job::State::Taken:
    case Job::State::Abandoned:
      return;
  }
  ListedFolder gone = std::move(job->result);
  lock.unlock();  // its descriptor closes outside the lock
}

void FolderPrefetch::DropReadAhead() {
  // A listing made again costs time; a folder that cannot be opened for
  // want of a descriptor would cost rows.
  std::vector<ListedFolder> gone;
  std::unique_lock lock(mutex_);
  for (const Ticket& job : finished_) {
    gone.push_back(std::move(job->result));
    job->result = ListedFolder{};
    job->result.error = EMFILE;  // taken as "list it yourself"
  }
  finished_.clear();
  lock.unlock();  // the descriptors close outside the lock
}

void FolderPrefetch::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // The walk queues the next folders within microseconds: look again a few
    // times before sleeping, as a wake-up per folder costs more than a listing.
    for (int spins = 0; queued_.empty() && !stop_ && spins < kSpinsBeforeSleep; ++spins) {
      lock.unlock();
      std::this_thread::yield();
      lock.lock();
    }
    ++idle_;
    workAvailable_.wait(lock, [this] { return stop_ || !queued_.empty(); });
    --idle_;
    if (stop_) return;
    RunNext(lock);
  }
}

void FolderPrefetch::RunNext(std::unique_lock<std::mutex>& lock) {
  // The deepest folder first, then the first of its siblings.
  const auto best = std::min_element(queued_.begin(), queued_.end(), [](auto& a, auto& b) {
    return a->depth != b->depth ? a->depth > b->depth : a->index < b->index;
  });
  const Ticket job = *best;
  queued_.erase(best);
  job->state = Job::State::Running;
  lock.unlock();

  ListedFolder out;
  try {
    errno = 0;
    std::optional<OpenFolder> folder =
        OpenFolder::Open(job->parent->get(), job->name.c_str(), false);
    if (!folder) {
      out.error = errno != 0 ? errno : ENOENT;
    } else {
      // A folder on another device below a whole drive's root is not entered.
      if (!rules_.onlyDevice || folder->id().first == *rules_.onlyDevice) {
        ListFolder(*folder, rules_, out, [this] { return !stop_.load(std::memory_order_relaxed); });
        out.listError = folder->ListError();
      }
      folder->EndListing();
      out.folder = std::move(folder);
    }
  } catch (const std::bad_alloc&) {
    // Out of memory here ends no run: the walk lists the folder itself, and
    // fails there as a run out of memory does.
    out = ListedFolder{};
    out.error = ENOMEM;
  }

  lock.lock();
  job->parent.reset();
  if (job->state == Job::State::Abandoned) {
    lock.unlock();
    out = ListedFolder{};  // its descriptor closes outside the lock
    lock.lock();
    return;
  }
  job->result = std::move(out);
  job->state = Job::State::Done;
  finished_.push_back(job);
  if (runWaiting_ > 0) done_.notify_all();
}

}  // namespace ordano
