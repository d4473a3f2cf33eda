// The library's searches on a thread of their own, over a read connection of
// their own (the library is in WAL mode: readers do not wait for a writer or
// for each other). The window asks with queued calls; pages and counts come
// back as queued signals. A search that is no longer the latest stops inside
// SQLite, and requests behind it that belong to it are skipped.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/library_pages.h"
#include "library/library_store.h"

namespace ordano {

struct LibraryRow {
  FindHit hit;
  std::string folder;  // where it is now, or where its volume was last mounted
  bool online = false;
};

struct LibraryPage {
  quint64 search = 0;
  bool first = false;  // the rows start over
  bool atEnd = false;  // no hits after these
  std::vector<LibraryRow> rows;
};

class LibrarySearchWorker : public QObject {
  Q_OBJECT
 public:
  // `latest` is the number of the search the window wants now; it outlives
  // this worker.
  LibrarySearchWorker(const QString& libraryPath, const std::atomic<quint64>& latest);
  ~LibrarySearchWorker() override;

  // On the worker's thread: the first page of `query` in `sort` order, then
  // the count of its hits.
  void Search(quint64 search, const FindQuery& query, FindSort sort, bool descending, int pageSize);
  // On the worker's thread: the page after `after`, of the search before.
  void FetchAfter(quint64 search, const FindHit& after, int pageSize);

 signals:
  void pageReady(const ordano::LibraryPage& page);
  void counted(quint64 search, quint64 hits);
  void noLibrary(quint64 search);
  void failed(quint64 search, const QString& why);

 private:
  bool Stale(quint64 search) const { return latest_.load() != search; }
  // Runs `body` for `search` over the open library; failures are told unless
  // the search is stale by then (a stopped statement fails too).
  void Run(quint64 search, const std::function<void()>& body);
  void SendPage(quint64 search, const FindHit* after, int pageSize);

  QString libraryPath_;
  const std::atomic<quint64>& latest_;
  std::unique_ptr<Library> library_;
  FindQuery query_;
  FindOrder order_;
  std::unordered_map<std::string, std::string> mounted_;
};

}  // namespace ordano
