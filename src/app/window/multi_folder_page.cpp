#include "app/window/multi_folder_page.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "app/window/run_worker.h"
#include "core/app_context.h"
#include "platform/unicode.h"
#include "run/drive_runs.h"

namespace ordano {

FolderListPage::FolderListPage(AppContext& ctx, RunWorker& worker, QListWidget* hiddenCopy,
                               QWidget* parent)
    : ToolkitPage(parent), ctx_(ctx), worker_(worker), hiddenCopy_(hiddenCopy) {
  setObjectName("dlg137");
  auto* rows = Child<QVBoxLayout>(this);
  list = Child<QListWidget>(this);
  list->setObjectName("ctl1048");
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  rows->addWidget(list, 1);
  auto* buttons = Child<QHBoxLayout>();
  auto button = [this, buttons](int id, const QString& text) {
    auto* b = Child<QPushButton>(text, this);
    b->setObjectName(QStringLiteral("ctl%1").arg(id));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  removeButton = button(1024, tr("削除"));
  clearButton = button(1023, tr("全クリア"));
  buttons->addStretch();
  runButton = button(1, tr("リスト実行"));
  rows->addLayout(buttons);

  connect(removeButton, &QPushButton::clicked, this, &FolderListPage::RemoveSelected);
  connect(clearButton, &QPushButton::clicked, this, &FolderListPage::ClearAll);
  connect(runButton, &QPushButton::clicked, this, &FolderListPage::RunList);
}

void FolderListPage::Reload() {
  list->clear();
  for (const auto& folder : ctx_.folderList) list->addItem(QString::fromStdU16String(folder));
}

void FolderListPage::AddFolders(const std::vector<std::string>& paths) {
  const std::size_t before = ctx_.folderList.size();
  if (!AppendDroppedFolders(ctx_.folderList, paths)) return;
  for (std::size_t i = before; i < ctx_.folderList.size(); ++i) {
    list->addItem(QString::fromStdU16String(ctx_.folderList[i]));
  }
  ctx_.folderListChanged = true;
}

bool FolderListPage::HandleDrop(const std::vector<std::string>& paths) {
  AddFolders(paths);
  return true;
}

void FolderListPage::RemoveSelected() {
  // From the bottom, so the rows above keep their numbers.
  std::vector<int> rows;
  for (const QListWidgetItem* item : list->selectedItems()) rows.push_back(list->row(item));
  std::sort(rows.rbegin(), rows.rend());
  for (const int r : rows) {
    std::unique_ptr<QListWidgetItem> gone(list->takeItem(r));
    ctx_.folderList.erase(ctx_.folderList.begin() + r);
  }
  ctx_.folderListChanged = true;
}

void FolderListPage::ClearAll() {
  list->clear();
  ctx_.folderList.clear();
  ctx_.folderListChanged = true;
}

void FolderListPage::RunList() {
  if (worker_.Busy()) return;
  // The run reads the basic page's hidden copy, which is emptied afterwards;
  // this page keeps its list.
  hiddenCopy_->clear();
  for (int i = 0; i < list->count(); ++i) hiddenCopy_->addItem(list->item(i)->text());
  std::vector<std::string> folders;
  folders.reserve(static_cast<std::size_t>(hiddenCopy_->count()));
  for (int i = 0; i < hiddenCopy_->count(); ++i) {
    folders.push_back(ToNative(hiddenCopy_->item(i)->text().toStdU16String()));
  }
  auto result = std::make_shared<RunResult>();
  worker_.Start([this, folders, result] { *result = FolderListRun(ctx_, folders); },
                [this, result] {
                  lastResult_ = std::move(*result);
                  hiddenCopy_->clear();
                  emit runFinished();
                });
}

FolderListHint::FolderListHint(QWidget* parent) : ToolkitPage(parent) {
  setObjectName("dlg143");
  auto* rows = Child<QVBoxLayout>(this);
  auto* hint = Child<QLabel>(tr("処理したい複数のフォルダをドロップしてください"), this);
  hint->setWordWrap(true);
  rows->addWidget(hint);
}

}  // namespace ordano
