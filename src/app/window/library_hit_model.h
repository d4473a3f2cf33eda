// The hits of a library search as a table: all hits are held, the view is
// given them a page at a time as it scrolls (canFetchMore/fetchMore).
#pragma once

#include <QAbstractTableModel>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/library_store.h"

namespace ordano {

class LibraryHitModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kName, kFolder, kSize, kModified, kVolume, kState, kColumnCount };
  static constexpr int kDefaultPageSize = 500;

  explicit LibraryHitModel(int pageSize = kDefaultPageSize, QObject* parent = nullptr);

  // New hits; `mounted` (as MountedVolumes()) decides which are online.
  void SetHits(std::vector<FindHit> hits,
               const std::unordered_map<std::string, std::string>& mounted);
  void Clear();
  int TotalHits() const { return static_cast<int>(rows_.size()); }
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
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 private:
  struct Row {
    FindHit hit;
    std::string folder;
    bool online = false;
  };
  std::vector<Row> rows_;
  int pageSize_;
  int shown_ = 0;  // rows handed to the view so far
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace ordano
