// Folder listings read ahead by worker threads while the walk writes rows.
// Workers only open, list and stat; the walk takes each listing in its own
// depth-first order and makes every row itself, so rows, their order and
// every output byte are those of the walk without workers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/file_handle.h"
#include "scan/folder_reader.h"
#include "settings/settings_record.h"

namespace ordano {

class EntryTable;

// What decides, from a name alone, whether an entry can give a row, and
// which entries a listing stats. Workers keep their own copy.
struct ListingRules {
  SettingsRecord settings;  // the character filter
  std::u16string pattern;
  bool matchAll = true;
  bool includeHidden = false;
  bool statAll = false;  // else only entries whose type the listing does not tell
  std::optional<std::uint64_t> onlyDevice;
  // Counts every folder listing read from the file system (null: not counted).
  std::atomic<int>* foldersRead = nullptr;

  // Whether a file named `name` passes the wildcard, character and hidden
  // filters; `display` receives its display text.
  bool Passes(std::string_view name, std::u16string& display) const;
};

// One entry as the walk reads it, from the folder itself or from a listing.
struct ListedEntry {
  const char* name;
  unsigned char type;  // d_type
  bool folder;         // a real folder (links to folders are not)
  // Status of the entry, following a symbolic link; null when not read.
  const EntryStatus* status;
};

// A folder listed ahead: the open folder (its listing ended, the descriptor
// kept) and its entries in enumeration order.
struct ListedFolder {
  std::optional<OpenFolder> folder;
  FolderId id{};      // of the folder listed (kept when the listing is held)
  int error = 0;      // errno of a failed open
  int listError = 0;  // errno of a listing that ended early
  std::string names;
  struct Item {
    std::uint32_t name;  // offset in `names`
    unsigned char type;
    bool folder;
    bool statted;
    EntryStatus status;
  };
  std::vector<Item> items;
};

// Listings the counting pass read, by folder path, for the filling pass: a
// run reads each folder and stats each entry once, and the filling pass spends
// its time on the work per row. Held in the run's table between the passes.
struct HeldListings {
  std::unordered_map<std::string, std::string> byPath;  // packed by PackListing
  std::atomic<int> foldersRead{0};  // listings read from the file system in this run
};

// A listing in as few bytes as it takes (its folder closed), to be held
// between the passes, and back.
// With `keepStamps` each file's nanosecond time, inode and device go along
// (a run that reuses kept digests needs them; others spare the bytes).
std::string PackListing(const ListedFolder& listed, bool keepStamps);
ListedFolder UnpackListing(std::string_view packed);

// The run's held listings, made on first use; EntryTable::Release drops them.
HeldListings& HeldListingsOf(EntryTable& table);

// Lists `folder` as `rules` say, all entries at once. `keepGoing` is asked
// between entries; false stops the listing early.
void ListFolder(OpenFolder& folder, const ListingRules& rules, ListedFolder& out,
                const std::function<bool()>& keepGoing);

class FolderPrefetch {
 public:
  struct Job;
  using Ticket = std::shared_ptr<Job>;

  // Listings read ahead at most, given the open-file limit: each one holds a
  // folder open until the walk takes it. Below 2 the walk lists alone.
  static int ReadAheadForDescriptors();

  // Starts up to `workers` threads (fewer when the system refuses more;
  // Workers() says how many run).
  FolderPrefetch(ListingRules rules, int workers, int readAhead);
  ~FolderPrefetch();  // drops what is queued and joins the workers
  int Workers() const { return static_cast<int>(workers_.size()); }
  // Descriptors the listings read ahead and the workers may hold at once.
  long long DescriptorsHeld() const { return readAhead_ + Workers(); }
  FolderPrefetch(const FolderPrefetch&) = delete;
  FolderPrefetch& operator=(const FolderPrefetch&) = delete;

  bool HasRoom() const;
  // Queues the subfolder `name` of `parent`. Workers take the deepest queued
  // folder first, and of one folder's subfolders the first: the order the
  // walk will want them in.
  Ticket Submit(std::shared_ptr<const UniqueFd> parent, std::string name, int depth, int index);
  // The listing of a ticket, waiting while a worker reads it and calling
  // `wait` between slices (it returns false to give up). Nullopt when no
  // worker had started it, when it was given up, or when the worker found no
  // descriptor: the walk then lists the folder itself.
  std::optional<ListedFolder> Take(const Ticket& ticket, const std::function<bool()>& wait);
  // Forgets a ticket the walk will not take.
  void Discard(const Ticket& ticket);
  // Closes every listing read ahead (their folders are listed again when
  // taken): the walk calls it when it runs out of descriptors.
  void DropReadAhead();

 private:
  void Work();
  // Lists the best queued folder; called and returns with the lock held.
  void RunNext(std::unique_lock<std::mutex>& lock);

  ListingRules rules_;
  int readAhead_;
  mutable std::mutex mutex_;
  std::condition_variable workAvailable_, done_;
  std::vector<Ticket> queued_;
  std::vector<Ticket> finished_;  // listed, not yet taken
  int outstanding_ = 0;           // submitted, not yet taken or discarded
  int idle_ = 0;                  // workers waiting for a folder
  int runWaiting_ = 0;            // the walk waits for a listing
  std::atomic<bool> stop_{false};
  std::vector<std::jthread> workers_;
};

}  // namespace ordano
