#include "app/window/library_volumes_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/window/library_guard.h"
#include "library/library_store.h"
#include "library/name_text.h"
#include "library/volume_identity.h"

namespace ordano {
namespace {

QTableWidgetItem* Cell(const QString& text, bool number = false) {
  auto* item = new QTableWidgetItem(text);
  if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

LibraryVolumesWindow::LibraryVolumesWindow(const QString& libraryPath, QWidget* parent)
    : QWidget(parent, Qt::Window),
      libraryPath_(libraryPath),
      table_(new QTableWidget(0, kColumnCount, this)),
      forget_(new QPushButton(tr("忘れる(&F)..."), this)),
      reload_(new QPushButton(tr("最新の情報に更新(&R)"), this)),
      status_(new QLabel(this)) {
  setObjectName("libraryVolumes");
  setWindowTitle(tr("ライブラリのボリューム"));
  table_->setObjectName("volumes");
  table_->setHorizontalHeaderLabels({tr("ラベル"), tr("UUID"), tr("最後に見た日時"), tr("状態"),
                                     tr("ファイル数"), tr("合計サイズ"), tr("容量")});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(kUuid, QHeaderView::Stretch);
  forget_->setObjectName("forget");
  forget_->setToolTip(
      tr("選んだボリュームの記録をライブラリから消します (ディスクの中身はそのままです)。"));
  forget_->setEnabled(false);
  reload_->setObjectName("reload");
  status_->setObjectName("status");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(status_, 1);
  buttons->addWidget(reload_);
  buttons->addWidget(forget_);
  auto* rows = new QVBoxLayout(this);
  rows->addWidget(table_, 1);
  rows->addLayout(buttons);
  resize(760, 300);

  connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);
  connect(reload_, &QPushButton::clicked, this, &LibraryVolumesWindow::Reload);
  connect(forget_, &QPushButton::clicked, this, &LibraryVolumesWindow::ForgetSelected);
  connect(table_, &QTableWidget::itemSelectionChanged, this,
          [this] { forget_->setEnabled(!table_->selectedItems().isEmpty()); });
}

void LibraryVolumesWindow::Reload() {
  table_->setRowCount(0);
  keys_.clear();
  names_.clear();
  files_.clear();
  bool none = false;
  WithLibrary(this, libraryPath_, [&] {
    const auto library = Library::Open(libraryPath_.toStdString(), false);
    if (!library) {
      none = true;
      return;
    }
    const auto mounted = MountedVolumes();
    const QLocale locale;
    for (const LibraryVolume& v : library->Volumes()) {
      const int row = table_->rowCount();
      table_->insertRow(row);
      const QString label =
          v.label.empty() ? tr("(ラベルなし)") : QString::fromStdString(EscapedName(v.label));
      const bool online = mounted.contains(v.key);
      table_->setItem(row, kLabel, Cell(label));
      table_->setItem(row, kUuid,
                      Cell(QString::fromStdString(EscapedName(v.uuid.empty() ? v.key : v.uuid))));
      table_->setItem(row, kLastSeen, Cell(QString::fromStdString(LocalTimeText(v.lastSeen))));
      table_->setItem(row, kState, Cell(online ? tr("オンライン") : tr("オフライン")));
      table_->setItem(row, kFiles, Cell(locale.toString(static_cast<qulonglong>(v.files)), true));
      table_->setItem(row, kSize,
                      Cell(locale.formattedDataSize(static_cast<qint64>(v.bytes)), true));
      table_->setItem(row, kCapacity,
                      Cell(v.capacity ? locale.formattedDataSize(static_cast<qint64>(*v.capacity))
                                      : QStringLiteral("-"),
                           true));
      keys_.push_back(v.key);
      names_.push_back(label);
      files_.push_back(v.files);
    }
  });
  table_->resizeColumnsToContents();
  status_->setText(none ? tr("ライブラリはまだありません (%1)。").arg(libraryPath_)
                        : tr("%n 個のボリューム", "", table_->rowCount()));
  forget_->setEnabled(!table_->selectedItems().isEmpty());
}

void LibraryVolumesWindow::ForgetSelected() {
  const QList<QTableWidgetItem*> selected = table_->selectedItems();
  if (selected.isEmpty()) return;
  const auto row = static_cast<std::size_t>(selected.front()->row());
  if (row >= keys_.size()) return;
  const QString question = tr("ボリューム「%1」をライブラリから忘れますか?\n"
                              "%2 個のファイルの記録が消えます (ディスクの中身はそのままです)。")
                               .arg(names_[row])
                               .arg(QLocale().toString(static_cast<qulonglong>(files_[row])));
  if (QMessageBox::question(this, windowTitle(), question) != QMessageBox::Yes) return;
  const std::string key = keys_[row];
  std::uint64_t forgotten = 0;
  const bool done = WithLibrary(this, libraryPath_, [&] {
    const auto library = Library::Open(libraryPath_.toStdString(), false);
    if (library) forgotten = library->ForgetVolume(key);
  });
  const QString name = names_[row];
  Reload();
  if (done) {
    status_->setText(tr("「%1」を忘れました (%2 個のファイル)。")
                         .arg(name)
                         .arg(QLocale().toString(static_cast<qulonglong>(forgotten))));
    emit volumeForgotten();
  }
}

}  // namespace ordano
