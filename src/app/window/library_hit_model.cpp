#include "app/window/library_hit_model.h"

#include <QLocale>
#include <algorithm>

#include "app/library_lookup.h"
#include "library/name_text.h"

namespace ordano {

LibraryHitModel::LibraryHitModel(int pageSize, QObject* parent)
    : QAbstractTableModel(parent), pageSize_(std::max(pageSize, 1)) {
  setObjectName("hits");
}

void LibraryHitModel::SetHits(std::vector<FindHit> hits,
                              const std::unordered_map<std::string, std::string>& mounted) {
  beginResetModel();
  rows_.clear();
  rows_.reserve(hits.size());
  for (FindHit& hit : hits) {
    Row row;
    row.folder = HitFolder(hit, mounted, &row.online);
    row.hit = std::move(hit);
    rows_.push_back(std::move(row));
  }
  // The first page at once; the rest as the view asks.
  shown_ = std::min(pageSize_, TotalHits());
  endResetModel();
  if (sortColumn_ >= 0) sort(sortColumn_, sortOrder_);
}

void LibraryHitModel::Clear() { SetHits({}, {}); }

QString LibraryHitModel::VolumeName(const FindHit& hit) {
  if (!hit.volumeLabel.empty()) return QString::fromStdString(EscapedName(hit.volumeLabel));
  std::string_view key = hit.volumeKey;
  if (key.starts_with("uuid:")) key.remove_prefix(5);
  return QString::fromStdString(EscapedName(key));
}

int LibraryHitModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

int LibraryHitModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant LibraryHitModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_) return {};
  const Row& r = rows_[static_cast<std::size_t>(index.row())];
  if (role == Qt::TextAlignmentRole && index.column() == kSize) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (role == Qt::ToolTipRole && index.column() == kFolder) {
    return QString::fromStdString(EscapedName(r.folder));
  }
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kName:
      return QString::fromStdString(EscapedName(r.hit.name));
    case kFolder:
      return QString::fromStdString(EscapedName(r.folder));
    case kSize:
      return QLocale().toString(static_cast<qulonglong>(r.hit.size));
    case kModified:
      return r.hit.modified ? QString::fromStdString(LocalTimeText(*r.hit.modified))
                            : QStringLiteral("-");
    case kVolume:
      return VolumeName(r.hit);
    case kState:
      return r.online ? tr("オンライン") : tr("オフライン");
    default:
      return {};
  }
}

QVariant LibraryHitModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kName:
      return tr("名前");
    case kFolder:
      return tr("フォルダ");
    case kSize:
      return tr("サイズ");
    case kModified:
      return tr("更新日時");
    case kVolume:
      return tr("ボリューム");
    case kState:
      return tr("状態");
    default:
      return {};
  }
}

bool LibraryHitModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && shown_ < TotalHits();
}

void LibraryHitModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  const int more = std::min(pageSize_, TotalHits() - shown_);
  beginInsertRows({}, shown_, shown_ + more - 1);
  shown_ += more;
  endInsertRows();
}

void LibraryHitModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  sortColumn_ = column;
  sortOrder_ = order;
  // Each column by its value, ties by folder and name so the order is stable.
  auto key = [column](const Row& r) {
    switch (column) {
      case kSize:
        return std::tuple(r.hit.size, std::string_view(), r.hit.modified.value_or(0));
      case kModified:
        return std::tuple(std::uint64_t{0}, std::string_view(), r.hit.modified.value_or(0));
      case kFolder:
        return std::tuple(std::uint64_t{0}, std::string_view(r.folder), std::int64_t{0});
      case kVolume:
        return std::tuple(
            std::uint64_t{0},
            std::string_view(r.hit.volumeLabel.empty() ? r.hit.volumeKey : r.hit.volumeLabel),
            std::int64_t{0});
      case kState:
        return std::tuple(std::uint64_t{r.online ? 0u : 1u}, std::string_view(), std::int64_t{0});
      default:
        return std::tuple(std::uint64_t{0}, std::string_view(r.hit.name), std::int64_t{0});
    }
  };
  auto tie = [](const Row& r) { return std::tie(r.folder, r.hit.name); };
  beginResetModel();
  std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
    const auto ka = key(a), kb = key(b);
    if (ka != kb) return order == Qt::AscendingOrder ? ka < kb : kb < ka;
    return tie(a) < tie(b);
  });
  endResetModel();
}

}  // namespace ordano
