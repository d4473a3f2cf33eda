// Digests of the filling pass computed by worker threads while the walk goes
// on. Workers only open, read and hash files; the run's thread alone touches
// the run state, the table and the host (it pumps while it waits), so the
// window host never sees another thread.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/run_state.h"
#include "platform/file_handle.h"

namespace ordano {

struct AppContext;

// Threads for a walk's digests and listings: ORDANO_THREADS when set (1 keeps
// everything on the run's thread), else one per core. 1 means no workers.
int WorkerThreadCount();

class DigestPool {
 public:
  // Starts up to `workers` threads, fewer under a low open-file limit or when
  // the system refuses more threads; Workers() says how many run (with none
  // the caller digests on its own thread instead).
  DigestPool(AppContext& ctx, int workers);
  ~DigestPool();  // stops the workers (as a cancel would) and joins them
  DigestPool(const DigestPool&) = delete;
  DigestPool& operator=(const DigestPool&) = delete;

  // Queues the file `name` inside the folder `dir` (kept open by the job) and
  // returns its ticket (from 1). Waits, pumping, while the read-ahead is full.
  std::uint32_t Submit(std::shared_ptr<const UniqueFd> dir, const char* name,
                       std::string_view shownPath);
  // Waits, pumping, until every queued digest is done (or the run is
  // cancelled: the workers then stop within one block).
  void Finish();
  // Waits until no job holds a file or folder any more (digests that found
  // no descriptor are made on this thread): the walk calls it when it runs
  // out of descriptors, then tries again.
  void WaitIdle();
  // Sets the run's MD5 progress line from a file a worker is reading (the
  // walk calls it before it pumps).
  void ShowProgress();
  // The digest of a finished ticket; empty when the file could not be read.
  std::u16string Result(std::uint32_t ticket) const;
  // The files that could not be read, in ticket order (after Finish).
  std::vector<ReadFailure> Failures() const;
  int Workers() const { return static_cast<int>(workers_.size()); }
  // Descriptors the workers and the queue may hold at once.
  long long DescriptorsHeld() const;

 private:
  struct Job {
    std::uint32_t ticket;
    std::shared_ptr<const UniqueFd> dir;
    std::string name;
    std::string shown;
  };
  enum class State : std::uint8_t { Queued, Done, Failed, NoDescriptor };
  struct Slot {  // what a worker is reading, for the progress text
    const Job* job = nullptr;
    std::uint64_t done = 0, size = 0;
  };

  void Work(std::size_t slot);
  std::u16string StatusLocked() const;
  // Cancel: queued jobs dropped, workers stop after their current block.
  // Called with the lock held.
  void Stop();
  // Waits (pumping) until `ready` holds under the lock, or the run is cancelled.
  template <class Ready>
  void WaitPumping(std::unique_lock<std::mutex>& lock, Ready ready);

  AppContext& ctx_;
  std::mutex mutex_;
  std::condition_variable workAvailable_, progress_;
  std::deque<Job> queue_;
  std::vector<Job> retry_;  // no descriptor was left for them
  std::vector<std::array<std::uint8_t, 16>> digests_;
  std::vector<State> states_;
  std::vector<std::pair<std::uint32_t, ReadFailure>> failures_;
  std::vector<Slot> slots_;
  std::size_t busy_ = 0;  // jobs taken by workers, not yet done
  std::size_t readAhead_ = 0;
  std::atomic<bool> stop_{false};
  bool closing_ = false;
  std::vector<std::jthread> workers_;
};

}  // namespace ordano
