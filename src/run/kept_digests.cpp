#include "run/kept_digests.h"

#include <sys/stat.h>

#include <utility>

namespace ordano {
namespace {

// Kept after this many digests or this long, whichever comes first.
constexpr std::size_t kBatchFiles = 1000;
constexpr auto kBatchTime = std::chrono::seconds(1);

}  // namespace

KeptDigests::~KeptDigests() { Flush(); }

void KeptDigests::AddTree(const std::string& walked, const std::string& real,
                          const VolumeIdentity& volume) {
  struct stat st {};
  if (::stat(real.c_str(), &st) != 0) return;
  const std::lock_guard lock(mutex_);
  trees_.push_back(
      {walked, real, volume.key, volume.mountPoint, static_cast<std::uint64_t>(st.st_dev)});
  library_.ForEachKnownDigest(
      volume.key, BelowMountPoint(volume.mountPoint, real), [&](const KeptDigest& d) {
        known_[JoinMountPoint(volume.mountPoint, d.path)] = {d.stamp, d.md5};
      });
}

const KeptDigests::Tree* KeptDigests::Place(std::string_view path, std::uint64_t device,
                                            std::string& buffer, std::string_view& real) const {
  for (const Tree& t : trees_) {
    if (t.device != device || path.substr(0, t.walked.size()) != t.walked) continue;
    const std::string_view rest = path.substr(t.walked.size());
    if (!rest.empty() && rest.front() != '/' && !t.walked.ends_with('/')) continue;
    if (t.walked == t.real) {
      real = path;
      return &t;
    }
    buffer = t.real;
    if (!rest.empty() && rest.front() != '/' && !buffer.ends_with('/')) buffer += '/';
    buffer += rest;
    real = buffer;
    return &t;
  }
  return nullptr;
}

std::optional<std::array<std::uint8_t, 16>> KeptDigests::Known(std::string_view path,
                                                               std::uint64_t device,
                                                               const FileStamp& stamp) {
  if (rehash_) return std::nullopt;
  std::string buffer;
  std::string_view real;
  const std::lock_guard lock(mutex_);
  if (Place(path, device, buffer, real) == nullptr) return std::nullopt;
  const auto it = known_.find(real);
  if (it == known_.end() || !(it->second.stamp == stamp)) return std::nullopt;
  ++reused_;
  it->second.seen = true;
  return it->second.md5;
}

void KeptDigests::Made(std::string_view path, std::uint64_t device, const FileStamp& stamp,
                       const std::array<std::uint8_t, 16>& md5) {
  std::string buffer;
  std::string_view real;
  std::unique_lock lock(mutex_);
  ++read_;
  const Tree* tree = Place(path, device, buffer, real);
  if (tree == nullptr) return;
  batch_.push_back(
      {tree->volumeKey, BelowMountPoint(tree->mountPoint, std::string(real)), stamp, md5});
  auto it = known_.find(real);
  if (it == known_.end()) it = known_.emplace(std::string(real), Entry{}).first;
  it->second = {stamp, md5, true};
  if (batch_.size() >= kBatchFiles || std::chrono::steady_clock::now() - lastFlush_ >= kBatchTime) {
    FlushLocked(lock);
  }
}

void KeptDigests::Flush() {
  std::unique_lock lock(mutex_);
  FlushLocked(lock);
}

void KeptDigests::FlushLocked(std::unique_lock<std::mutex>& lock) {
  lastFlush_ = std::chrono::steady_clock::now();
  if (batch_.empty()) return;
  std::vector<KeptDigest> batch = std::move(batch_);
  batch_.clear();
  // Written outside the lock: the other workers go on meanwhile.
  lock.unlock();
  try {
    const std::lock_guard writing(writing_);
    library_.KeepDigests(batch);
  } catch (const std::exception&) {
    // Not kept: those files are read again by the next run; this one goes on.
  }
  lock.lock();
}

std::optional<FileStamp> KeptDigests::Seen(std::string_view path) const {
  const std::lock_guard lock(mutex_);
  const auto it = known_.find(path);
  if (it == known_.end() || !it->second.seen) return std::nullopt;
  return it->second.stamp;
}

StampLookup KeptDigests::Stamps() const {
  return [this, path = std::string()](std::string_view folder, std::string_view name) mutable {
    path.assign(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return Seen(path);
  };
}

std::uint64_t KeptDigests::Reused() const {
  const std::lock_guard lock(mutex_);
  return reused_;
}

std::uint64_t KeptDigests::Read() const {
  const std::lock_guard lock(mutex_);
  return read_;
}

}  // namespace ordano
