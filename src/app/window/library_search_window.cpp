#include "app/window/library_search_window.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "app/library_lookup.h"
#include "app/window/library_guard.h"
#include "app/window/library_hit_model.h"
#include "library/library_store.h"
#include "library/volume_identity.h"

namespace ordano {

LibrarySearchWindow::LibrarySearchWindow(const QString& libraryPath, QWidget* parent, int pageSize)
    : QWidget(parent, Qt::Window),
      libraryPath_(libraryPath),
      query_(new QLineEdit(this)),
      searchButton_(new QPushButton(tr("検索(&S)"), this)),
      view_(new QTableView(this)),
      status_(new QLabel(this)),
      typing_(new QTimer(this)),
      model_(new LibraryHitModel(libraryPath, pageSize, this)) {
  setObjectName("librarySearch");
  setWindowTitle(tr("ライブラリを検索"));
  query_->setObjectName("query");
  query_->setPlaceholderText(tr("名前の一部 (空白で区切って複数)"));
  query_->setClearButtonEnabled(true);
  searchButton_->setObjectName("search");
  status_->setObjectName("status");
  status_->setText(tr("探すファイルの名前を入力してください。"));

  view_->setObjectName("hitView");
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setAlternatingRowColors(true);
  view_->setWordWrap(false);
  view_->verticalHeader()->hide();
  view_->horizontalHeader()->setStretchLastSection(true);
  // Widths from the rows in sight and a few more, not from a whole page.
  view_->horizontalHeader()->setResizeContentsPrecision(50);
  view_->setSortingEnabled(true);
  view_->sortByColumn(LibraryHitModel::kName, Qt::AscendingOrder);

  auto* queryLabel = new QLabel(tr("名前(&N):"), this);
  queryLabel->setBuddy(query_);
  auto* queryRow = new QHBoxLayout;
  queryRow->addWidget(queryLabel);
  queryRow->addWidget(query_, 1);
  queryRow->addWidget(searchButton_);
  auto* rows = new QVBoxLayout(this);
  rows->addLayout(queryRow);
  rows->addWidget(view_, 1);
  rows->addWidget(status_);
  resize(760, 420);

  connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);
  connect(query_, &QLineEdit::returnPressed, this, &LibrarySearchWindow::Search);
  // Each pause in typing searches; a search still running stops for it.
  constexpr int kTypingPauseMs = 300;
  typing_->setSingleShot(true);
  typing_->setInterval(kTypingPauseMs);
  connect(query_, &QLineEdit::textEdited, typing_, qOverload<>(&QTimer::start));
  connect(typing_, &QTimer::timeout, this, &LibrarySearchWindow::Search);
  connect(searchButton_, &QPushButton::clicked, this, &LibrarySearchWindow::Search);
  // Enter on a row and a double click both activate it.
  connect(view_, &QAbstractItemView::activated, this, &LibrarySearchWindow::OpenHit);

  // Widths from a new search's first page only: the rest is not read yet, and
  // sorting keeps the widths the user sees.
  connect(model_, &LibraryHitModel::firstPage, this, [this] {
    if (std::exchange(fitColumns_, false)) view_->resizeColumnsToContents();
  });
  connect(model_, &LibraryHitModel::counted, this, [this](qint64 hits) {
    status_->setText(hits == 0 ? tr("見つかりませんでした。")
                               : tr("%n 件見つかりました。", "", static_cast<int>(hits)));
  });
  connect(model_, &LibraryHitModel::noLibrary, this, [this] {
    status_->setText(tr("ライブラリはまだありません (%1)。ordanou --add "
                        "でフォルダを登録してください。")
                         .arg(libraryPath_));
  });
  connect(model_, &LibraryHitModel::failed, this, [this](const QString& why) {
    status_->setText(tr("ライブラリを開けませんでした。"));
    WarnLibraryFailure(this, libraryPath_, why);
  });
}

void LibrarySearchWindow::Search() {
  typing_->stop();
  FindQuery query;
  query.fragments = QueryFragments(query_->text().toStdString());
  if (query.fragments.empty()) {
    model_->Clear();
    status_->setText(tr("探すファイルの名前を入力してください。"));
    return;
  }
  fitColumns_ = true;
  model_->Search(query);
  status_->setText(tr("検索中…"));
}

void LibrarySearchWindow::OpenHit(const QModelIndex& index) {
  if (!index.isValid()) return;
  const int row = index.row();
  const FindHit& hit = model_->Hit(row);
  if (model_->Online(row)) {
    const QString folder = QFile::decodeName(QByteArray::fromStdString(model_->Folder(row)));
    // The library may be older than the disk: the folder can be gone since.
    if (!QFileInfo(folder).isDir()) {
      QMessageBox::warning(this, windowTitle(),
                           tr("%1\nが見つかりません。ライブラリの記録が古いようです "
                              "(ordanou --add でもう一度登録できます)。")
                               .arg(folder));
    } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
      QMessageBox::warning(this, windowTitle(), tr("%1\nを開けませんでした。").arg(folder));
    }
    return;
  }
  const QString volume = LibraryHitModel::VolumeName(hit);
  std::string_view key = hit.volumeKey;
  const bool uuid = key.starts_with("uuid:");
  QString which = tr("「%1」").arg(volume);
  if (uuid && !hit.volumeLabel.empty()) {
    which += tr(" (UUID %1)").arg(QString::fromStdString(std::string(key.substr(5))));
  }
  QMessageBox::information(this, windowTitle(),
                           tr("このファイルはボリューム%1にあります。\n"
                              "そのボリュームは接続されていません。接続してから開いてください。")
                               .arg(which));
}

}  // namespace ordano
