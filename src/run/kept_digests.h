// The library's digests offered to a run's walk: a file whose size,
// modification time and inode are those stored with its digest is not read
// again, and the digests made are kept in the library in batches as the walk
// goes, so a run that is stopped loses little.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/library_store.h"
#include "scan/digest_reuse.h"

namespace ordano {

class KeptDigests final : public DigestReuse {
 public:
  // `library` outlives this; with `rehash` every file is read again (the
  // digests made are kept all the same).
  KeptDigests(Library& library, bool rehash) : library_(library), rehash_(rehash) {}
  // The same with a library of its own.
  KeptDigests(std::unique_ptr<Library> library, bool rehash)
      : owned_(std::move(library)), library_(*owned_), rehash_(rehash) {}
  ~KeptDigests() override;  // keeps the last batch
  KeptDigests(const KeptDigests&) = delete;
  KeptDigests& operator=(const KeptDigests&) = delete;

  // A tree the run walks: its root as the walk names it (`walked`) and as its
  // real path (a walk may take either), on `volume`. Reads the digests the
  // library knows below it.
  void AddTree(const std::string& walked, const std::string& real, const VolumeIdentity& volume);

  std::optional<std::array<std::uint8_t, 16>> Known(std::string_view path, std::uint64_t device,
                                                    const FileStamp& stamp) override;
  void Made(std::string_view path, std::uint64_t device, const FileStamp& stamp,
            const std::array<std::uint8_t, 16>& md5) override;

  // Writes the digests not kept yet (a failure to write loses only them).
  void Flush();
  // The stamp this run saw for the file at `path` (a real path) with the
  // digest it holds now, for StoreTree; nullopt for a file without one.
  std::optional<FileStamp> Seen(std::string_view path) const;
  // That for StoreTree, which names files by folder and name.
  StampLookup Stamps() const;
  // Files whose kept digest served, and files read.
  std::uint64_t Reused() const;
  std::uint64_t Read() const;

 private:
  struct Tree {
    std::string walked, real, volumeKey, mountPoint;
    std::uint64_t device = 0;
  };
  struct Entry {
    FileStamp stamp;
    std::array<std::uint8_t, 16> md5{};
    bool seen = false;  // this run reused or made the digest
  };
  struct PathHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  // The real path of a walked one on `device` (`path` itself where the tree
  // was walked by its real path, else made in `buffer`), and its tree; null
  // outside every tree.
  const Tree* Place(std::string_view path, std::uint64_t device, std::string& buffer,
                    std::string_view& real) const;
  void FlushLocked(std::unique_lock<std::mutex>& lock);

  std::unique_ptr<Library> owned_;
  Library& library_;
  const bool rehash_;
  mutable std::mutex mutex_;  // everything below
  std::mutex writing_;        // the library, while a batch is written
  std::vector<Tree> trees_;
  std::unordered_map<std::string, Entry, PathHash, std::equal_to<>> known_;  // by real path
  std::vector<KeptDigest> batch_;
  std::chrono::steady_clock::time_point lastFlush_ = std::chrono::steady_clock::now();
  std::uint64_t reused_ = 0, read_ = 0;
};

}  // namespace ordano
