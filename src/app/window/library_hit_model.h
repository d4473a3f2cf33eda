// The hits of a library search as a table, a page at a time: the pages are
// read by a worker thread in the order of the column clicked (sorted in
// SQL), the first as the search starts and the next as the view scrolls
// (canFetchMore/fetchMore). Only the pages shown are held.
#pragma once

#include <QAbstractTableModel>
#include <QThread>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "app/window/library_search_worker.h"
#include "library/library_pages.h"
#include "library/library_store.h"

namespace ordano {

class LibraryHitModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kName, kFolder, kSize, kModified, kVolume, kState, kColumnCount };
  static constexpr int kDefaultPageSize = 500;

  explicit LibraryHitModel(const QString& libraryPath, int pageSize = kDefaultPageSize,
                           QObject* parent = nullptr);
  ~LibraryHitModel() override;

  // Starts searching for `query` in the current order; one running stops.
  void Search(const FindQuery& query);
  // Stops the search and empties the table.
  void Clear();
  // Until the first page and the count have come (or the search failed), or
  // while a further page is being read.
  bool Busy() const { return searching_ || fetching_; }
  // The hits of the search once counted; -1 before.
  qint64 TotalHits() const { return total_; }
  const FindHit& Hit(int row) const { return rows_[static_cast<std::size_t>(row)].hit; }
  bool Online(int row) const { return rows_[static_cast<std::size_t>(row)].online; }
  // The hit's folder where it is now, or where its volume was last mounted.
  const std::string& Folder(int row) const { return rows_[static_cast<std::size_t>(row)].folder; }
  // How the volume is called: its label, else its UUID or key.
  static QString VolumeName(const FindHit& hit);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
  // Searches again in the column's order (in SQL).
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 signals:
  void firstPage();
  void counted(qint64 hits);
  void noLibrary();
  void failed(const QString& why);

 private:
  void Restart();
  void Take(const LibraryPage& page);
  void Ended();

  std::vector<LibraryRow> rows_;
  int pageSize_;
  std::optional<FindQuery> query_;
  FindSort sort_ = FindSort::kName;
  bool descending_ = false;
  bool searching_ = false;
  bool fetching_ = false;  // a page asked for and not come yet
  bool atEnd_ = true;
  qint64 total_ = -1;
  // The number of the search wanted now: the worker stops the others.
  std::atomic<quint64> latest_{0};
  QThread thread_;
  LibrarySearchWorker* worker_;  // lives on thread_, deleted as it finishes
};

}  // namespace ordano
