#include "app/window/run_worker.h"

#include <QCoreApplication>
#include <QThread>

namespace ordano {

RunWorker::~RunWorker() {
  cancel_.store(true);
  Drain();
}

bool RunWorker::Start(std::function<void()> job, std::function<void()> done) {
  if (running_) return false;
  running_ = true;
  cancel_.store(false);
  done_ = std::move(done);
  thread_ = std::thread([this, job = std::move(job)] {
    job();
    // Posted: the interface thread joins and continues once it gets here.
    QMetaObject::invokeMethod(this, &RunWorker::Joined, Qt::QueuedConnection);
  });
  return true;
}

void RunWorker::Joined() {
  if (thread_.joinable()) thread_.join();
  running_ = false;
  std::function<void()> done = std::move(done_);
  done_ = nullptr;
  if (done) done();
  emit finished();
}

void RunWorker::Drain() {
  while (running_) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (running_ && !thread_.joinable()) break;
    QThread::msleep(1);
  }
  if (thread_.joinable()) thread_.join();
}

}  // namespace ordano
