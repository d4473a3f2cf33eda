// RunWorker: the thread the window's runs work on (scan, digests, archive
// listing, crawl, output, verify), so the interface thread keeps drawing and
// answering. One job at a time; what the job needs from the user reaches the
// interface thread through the window's host.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

namespace ordano {

class RunWorker : public QObject {
  Q_OBJECT
 public:
  RunWorker() = default;
  // Waits for a job still under way (see Drain).
  ~RunWorker() override;
  RunWorker(const RunWorker&) = delete;
  RunWorker& operator=(const RunWorker&) = delete;

  // A job runs, or the owner holds the worker between two jobs of one run
  // (the scan and its output).
  bool Busy() const { return running_ || held_; }
  bool Running() const { return running_; }
  void Hold(bool held) { held_ = held; }

  // Runs `job` on the worker thread; `done` follows on the interface thread,
  // then finished(). False (and nothing runs) while another job runs.
  bool Start(std::function<void()> job, std::function<void()> done = {});

  // The cancel flag of the current run: set on the interface thread, read by
  // the host's Pump on the worker thread. Start clears it.
  void RequestCancel() { cancel_.store(true); }
  bool CancelRequested() const { return cancel_.load(); }

  // Serves the interface thread's events until the job has returned (the
  // window goes away while a run is under way); the caller has cancelled it
  // and answers its questions with the safe answer.
  void Drain();

 signals:
  void finished();

 private:
  void Joined();

  std::thread thread_;
  std::function<void()> done_;
  std::atomic<bool> cancel_{false};
  bool running_ = false;  // interface thread only
  bool held_ = false;
};

}  // namespace ordano
