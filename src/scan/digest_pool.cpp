#include "scan/digest_pool.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <system_error>

#include "core/app_context.h"
#include "platform/open_at.h"
#include "platform/unicode.h"
#include "scan/digest_file.h"

namespace ordano {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPumpInterval = std::chrono::milliseconds(29);
// How often a waiting run thread looks at the host when no digest ends.
constexpr auto kWaitSlice = std::chrono::milliseconds(10);
// Files queued per worker: enough to keep the workers busy while the walk
// takes its next steps, few enough that queued jobs hold few folders open.
constexpr std::size_t kReadAheadPerWorker = 8;
constexpr long long kDescriptorsPerWorker = 2 + kReadAheadPerWorker;

// Each worker holds a file and its job's folder, and each queued job a
// folder: under a low open-file limit (ulimit -n 64) fewer workers leave the
// walk its descriptors, and under a very low one (ulimit -n 16) none.
int WorkersForDescriptors() {
  return static_cast<int>(SpareDescriptors(32, 64 * kDescriptorsPerWorker) / kDescriptorsPerWorker);
}

}  // namespace

int WorkerThreadCount() {
  if (const char* v = std::getenv("ORDANO_THREADS"); v != nullptr && *v != '\0') {
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    if (*end == '\0' && n >= 1) return static_cast<int>(std::min(n, 64L));
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

DigestPool::DigestPool(AppContext& ctx, int workers)
    : ctx_(ctx), slots_(static_cast<std::size_t>(std::min(workers, WorkersForDescriptors()))) {
  workers_.reserve(slots_.size());
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    try {
      workers_.emplace_back([this, i] { Work(i); });
    } catch (const std::system_error&) {
      break;  // no more threads here (ulimit -u, address space): go on with fewer
    }
  }
  readAhead_ = kReadAheadPerWorker * workers_.size();
}

DigestPool::~DigestPool() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
    closing_ = true;
  }
  workAvailable_.notify_all();
  workers_.clear();  // joins
}

std::uint32_t DigestPool::Submit(std::shared_ptr<const UniqueFd> dir, const char* name,
                                 std::string_view shownPath) {
  std::unique_lock lock(mutex_);
  WaitPumping(lock, [this] { return queue_.size() < readAhead_; });
  states_.push_back(State::Failed);
  digests_.emplace_back();
  const auto ticket = static_cast<std::uint32_t>(states_.size());
  if (stop_) return ticket;  // cancelled: the row keeps an empty digest
  states_.back() = State::Queued;
  queue_.push_back(Job{ticket, std::move(dir), name, std::string(shownPath)});
  lock.unlock();
  workAvailable_.notify_one();
  return ticket;
}

void DigestPool::WaitIdle() {
  std::unique_lock lock(mutex_);
  WaitPumping(lock, [this] { return queue_.empty() && busy_ == 0; });
  // Jobs that found no descriptor still hold their folders: digest them here,
  // now that the workers hold none. Each one done frees its folder, so one
  // that finds no descriptor yet goes to the back while others succeed.
  std::deque<Job> retry(std::make_move_iterator(retry_.begin()),
                        std::make_move_iterator(retry_.end()));
  retry_.clear();
  lock.unlock();
  RunState& run = ctx_.run;
  std::size_t sinceProgress = 0;
  while (!retry.empty() && !run.CancelRequested) {
    Job job = std::move(retry.front());
    retry.pop_front();
    int error = 0;
    auto digest = DigestFileRawAt(ctx_, job.dir->get(), job.name.c_str(), job.shown, &error);
    const bool noDescriptor = !digest && (error == EMFILE || error == ENFILE);
    if (noDescriptor && sinceProgress < retry.size()) {
      ++sinceProgress;
      retry.push_back(std::move(job));
      continue;
    }
    job.dir.reset();
    // Every waiting job holds a folder and none could open its file: this one
    // lets its folder go and opens the file by its full path.
    if (noDescriptor) {
      digest = DigestFileRawAt(ctx_, AT_FDCWD, job.shown.c_str(), job.shown, &error);
    }
    sinceProgress = 0;
    const std::lock_guard relock(mutex_);
    states_[job.ticket - 1] = digest ? State::Done : State::Failed;
    if (digest) {
      digests_[job.ticket - 1] = *digest;
    } else if (error != 0) {
      failures_.push_back({job.ticket, {std::move(job.shown), error}});
    }
  }
}

long long DigestPool::DescriptorsHeld() const {
  return kDescriptorsPerWorker * static_cast<long long>(workers_.size());
}

std::vector<ReadFailure> DigestPool::Failures() const {
  auto sorted = failures_;
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<ReadFailure> out;
  out.reserve(sorted.size());
  for (auto& [ticket, failure] : sorted) out.push_back(std::move(failure));
  return out;
}

void DigestPool::Finish() {
  WaitIdle();
  ctx_.run.Md5StatusText.clear();
}

std::u16string DigestPool::Result(std::uint32_t ticket) const {
  const std::size_t i = ticket - 1;
  if (ticket == 0 || i >= states_.size() || states_[i] != State::Done) return {};
  return DigestHex(digests_[i]);
}

template <class Ready>
void DigestPool::WaitPumping(std::unique_lock<std::mutex>& lock, Ready ready) {
  RunState& run = ctx_.run;
  while (!ready() && !stop_) {
    if (run.CancelRequested) {  // seen by the walk first
      Stop();
      break;
    }
    progress_.wait_for(lock, kWaitSlice);
    if (ready()) break;
    const auto now = Clock::now();
    if (now - ctx_.lastScanPump <= kPumpInterval && !run.CancelRequested) continue;
    std::u16string status = StatusLocked();
    lock.unlock();
    run.Md5StatusText = std::move(status);
    ctx_.Host().Pump(run);
    ctx_.lastScanPump = now;
    lock.lock();
    if (run.CancelRequested) Stop();
  }
}

std::u16string DigestPool::StatusLocked() const {
  // The progress line names a file a worker is reading.
  for (const Slot& s : slots_) {
    if (s.job == nullptr) continue;
    const double percent =
        s.size == 0 ? 100.0 : static_cast<double>(s.done) * 100.0 / static_cast<double>(s.size);
    return Md5StatusText(percent, ToDisplay(s.job->shown));
  }
  return {};
}

void DigestPool::ShowProgress() {
  std::unique_lock lock(mutex_);
  std::u16string status = StatusLocked();
  lock.unlock();
  ctx_.run.Md5StatusText = std::move(status);
}

void DigestPool::Stop() {
  stop_ = true;
  queue_.clear();
  workAvailable_.notify_all();
}

void DigestPool::Work(std::size_t slot) {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      workAvailable_.wait(lock, [this] { return stop_ || closing_ || !queue_.empty(); });
      if (stop_ || queue_.empty()) return;
      job = std::move(queue_.front());
      queue_.pop_front();
      ++busy_;
      slots_[slot] = Slot{&job, 0, 0};
    }
    progress_.notify_all();  // room in the read-ahead

    State state = State::Failed;
    std::array<std::uint8_t, 16> digest{};
    errno = 0;
    UniqueFd file = OpenForReadingAt(job.dir->get(), job.name.c_str());
    int error = errno;
    struct stat st {};
    if (!file) {
      if (error == EMFILE || error == ENFILE) state = State::NoDescriptor;
    } else if (::fstat(file.get(), &st) != 0) {
      error = errno;
    } else {
      const auto size = static_cast<std::uint64_t>(st.st_size);
      {
        const std::lock_guard lock(mutex_);
        slots_[slot].size = size;
      }
      const auto d = DigestOrReuse(ctx_.digestReuse, file.get(), st, job.shown,
                                   [this, slot](std::uint64_t done) {
                                     if (stop_) return false;
                                     const std::lock_guard lock(mutex_);
                                     slots_[slot].done = done;
                                     return true;
                                   });
      if (d) {
        digest = *d;
        state = State::Done;
      } else {
        error = errno;
      }
    }
    file.reset();

    {
      const std::lock_guard lock(mutex_);
      const std::size_t i = job.ticket - 1;
      states_[i] = state;
      digests_[i] = digest;
      slots_[slot] = Slot{};
      if (state == State::NoDescriptor) {
        retry_.push_back(std::move(job));
      } else {
        job.dir.reset();
        if (state == State::Failed && error != 0) {
          failures_.push_back({job.ticket, {std::move(job.shown), error}});
        }
      }
      --busy_;
    }
    progress_.notify_all();
  }
}

}  // namespace ordano
