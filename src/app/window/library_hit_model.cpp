#include "app/window/library_hit_model.h"

#include <QLocale>
#include <algorithm>

#include "library/name_text.h"

namespace ordano {

LibraryHitModel::LibraryHitModel(const QString& libraryPath, int pageSize, QObject* parent)
    : QAbstractTableModel(parent),
      pageSize_(std::max(pageSize, 1)),
      worker_(new LibrarySearchWorker(libraryPath, latest_)) {
  setObjectName("hits");
  thread_.setObjectName("librarySearch");
  worker_->moveToThread(&thread_);
  connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
  connect(worker_, &LibrarySearchWorker::pageReady, this, &LibraryHitModel::Take);
  connect(worker_, &LibrarySearchWorker::counted, this, [this](quint64 search, quint64 hits) {
    if (search != latest_.load()) return;
    searching_ = false;
    total_ = static_cast<qint64>(hits);
    emit counted(total_);
  });
  connect(worker_, &LibrarySearchWorker::noLibrary, this, [this](quint64 search) {
    if (search != latest_.load()) return;
    Ended();
    emit noLibrary();
  });
  connect(worker_, &LibrarySearchWorker::failed, this, [this](quint64 search, const QString& why) {
    if (search != latest_.load()) return;
    Ended();
    emit failed(why);
  });
  thread_.start();
}

LibraryHitModel::~LibraryHitModel() {
  ++latest_;  // stops the statement running, skips the requests queued
  thread_.quit();
  thread_.wait();
}

void LibraryHitModel::Search(const FindQuery& query) {
  query_ = query;
  Restart();
}

void LibraryHitModel::Clear() {
  ++latest_;
  query_.reset();
  beginResetModel();
  rows_.clear();
  endResetModel();
  Ended();
}

void LibraryHitModel::Ended() {
  searching_ = false;
  fetching_ = false;
  atEnd_ = true;
}

void LibraryHitModel::Restart() {
  const quint64 search = ++latest_;
  beginResetModel();
  rows_.clear();
  atEnd_ = false;
  total_ = -1;
  searching_ = true;
  fetching_ = true;
  endResetModel();
  QMetaObject::invokeMethod(
      worker_,
      [worker = worker_, search, query = *query_, sort = sort_, descending = descending_,
       size = pageSize_] { worker->Search(search, query, sort, descending, size); },
      Qt::QueuedConnection);
}

void LibraryHitModel::Take(const LibraryPage& page) {
  if (page.search != latest_.load()) return;
  fetching_ = false;
  atEnd_ = page.atEnd;
  if (page.first) {
    beginResetModel();
    rows_ = page.rows;
    endResetModel();
    emit firstPage();
  } else if (!page.rows.empty()) {
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(page.rows.size()) - 1);
    rows_.insert(rows_.end(), page.rows.begin(), page.rows.end());
    endInsertRows();
  }
}

QString LibraryHitModel::VolumeName(const FindHit& hit) {
  if (!hit.volumeLabel.empty()) return QString::fromStdString(EscapedName(hit.volumeLabel));
  std::string_view key = hit.volumeKey;
  if (key.starts_with("uuid:")) key.remove_prefix(5);
  return QString::fromStdString(EscapedName(key));
}

int LibraryHitModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LibraryHitModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant LibraryHitModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const LibraryRow& r = rows_[static_cast<std::size_t>(index.row())];
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
  return !parent.isValid() && !atEnd_;
}

void LibraryHitModel::fetchMore(const QModelIndex& parent) {
  // The first page is on its way with the search itself; one page at a time.
  if (!canFetchMore(parent) || fetching_ || rows_.empty()) return;
  fetching_ = true;
  QMetaObject::invokeMethod(
      worker_,
      [worker = worker_, search = latest_.load(), after = rows_.back().hit, size = pageSize_] {
        worker->FetchAfter(search, after, size);
      },
      Qt::QueuedConnection);
}

void LibraryHitModel::sort(int column, Qt::SortOrder order) {
  static constexpr FindSort kSorts[kColumnCount] = {FindSort::kName,   FindSort::kFolder,
                                                    FindSort::kSize,   FindSort::kModified,
                                                    FindSort::kVolume, FindSort::kOnline};
  if (column < 0 || column >= kColumnCount) return;
  sort_ = kSorts[column];
  descending_ = order == Qt::DescendingOrder;
  if (query_) Restart();
}

}  // namespace ordano
