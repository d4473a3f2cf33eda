#include "app/window/library_search_worker.h"

#include <utility>

#include "app/library_lookup.h"
#include "app/window/library_guard.h"
#include "library/volume_identity.h"

namespace ordano {

LibrarySearchWorker::LibrarySearchWorker(const QString& libraryPath,
                                         const std::atomic<quint64>& latest)
    : libraryPath_(libraryPath), latest_(latest) {}

LibrarySearchWorker::~LibrarySearchWorker() = default;

void LibrarySearchWorker::Run(quint64 search, const std::function<void()>& body) {
  if (Stale(search)) return;
  bool missing = false;
  const std::optional<QString> why = LibraryFailure([&] {
    // Opened here, on this thread, and kept; a library made since the last
    // search is found by the next one.
    if (!library_) library_ = Library::Open(libraryPath_.toStdString(), false);
    if (!library_) {
      missing = true;
      return;
    }
    library_->StopWhen([this, search] { return Stale(search); });
    body();
  });
  if (Stale(search)) return;
  if (missing) {
    emit noLibrary(search);
  } else if (why) {
    emit failed(search, *why);
  }
}

void LibrarySearchWorker::Search(quint64 search, const FindQuery& query, FindSort sort,
                                 bool descending, int pageSize) {
  Run(search, [&] {
    query_ = query;
    mounted_ = MountedVolumes();
    order_ = FindOrder{sort, descending, {}};
    if (sort == FindSort::kOnline) {
      for (const auto& [key, mountPoint] : mounted_) order_.onlineKeys.push_back(key);
    }
    SendPage(search, nullptr, pageSize);
    // The count walks every hit: after the first page, so that one shows first.
    const std::uint64_t hits = library_->CountHits(query_);
    if (!Stale(search)) emit counted(search, hits);
  });
}

void LibrarySearchWorker::FetchAfter(quint64 search, const FindHit& after, int pageSize) {
  Run(search, [&] { SendPage(search, &after, pageSize); });
}

void LibrarySearchWorker::SendPage(quint64 search, const FindHit* after, int pageSize) {
  // One more than the page: whether there are hits after it.
  std::vector<FindHit> hits = library_->FindPage(query_, order_, after, pageSize + 1);
  LibraryPage page;
  page.search = search;
  page.first = after == nullptr;
  page.atEnd = hits.size() <= static_cast<std::size_t>(pageSize);
  if (!page.atEnd) hits.pop_back();
  page.rows.reserve(hits.size());
  for (FindHit& hit : hits) {
    LibraryRow& row = page.rows.emplace_back();
    row.folder = HitFolder(hit, mounted_, &row.online);
    row.hit = std::move(hit);
  }
  if (!Stale(search)) emit pageReady(page);
}

}  // namespace ordano
