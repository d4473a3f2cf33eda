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
namespace {

using C = FolderListControl;

constexpr ControlNames<FolderListControl> kControlNames = {{
    {C::Folders, "folders"},
    {C::Remove, "remove"},
    {C::Clear, "clear"},
    {C::Run, "run"},
}};
static_assert(InEnumOrder(kControlNames));

}  // namespace

FolderListPage::FolderListPage(AppContext& ctx, RunWorker& worker, QWidget* parent)
    : ToolkitPage(parent), ctx_(ctx), worker_(worker), controls_(kControlNames) {
  setObjectName("folderListPage");
  auto* rows = Child<QVBoxLayout>(this);
  list_ = controls_.Add(C::Folders, Child<QListWidget>(this));
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  rows->addWidget(list_, 1);
  auto* buttons = Child<QHBoxLayout>();
  auto button = [this, buttons](FolderListControl id, const QString& text) {
    auto* b = controls_.Add(id, Child<QPushButton>(text, this));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  QPushButton* removeButton = button(C::Remove, tr("削除"));
  QPushButton* clearButton = button(C::Clear, tr("全クリア"));
  buttons->addStretch();
  QPushButton* runButton = button(C::Run, tr("リスト実行"));
  rows->addLayout(buttons);

  connect(removeButton, &QPushButton::clicked, this, &FolderListPage::RemoveSelected);
  connect(clearButton, &QPushButton::clicked, this, &FolderListPage::ClearAll);
  connect(runButton, &QPushButton::clicked, this, &FolderListPage::RunList);
}

void FolderListPage::Reload() {
  list_->clear();
  for (const auto& folder : ctx_.folderList) list_->addItem(QString::fromStdU16String(folder));
}

void FolderListPage::AddFolders(const std::vector<std::string>& paths) {
  const std::size_t before = ctx_.folderList.size();
  if (!AppendDroppedFolders(ctx_.folderList, paths)) return;
  for (std::size_t i = before; i < ctx_.folderList.size(); ++i) {
    list_->addItem(QString::fromStdU16String(ctx_.folderList[i]));
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
  for (const QListWidgetItem* item : list_->selectedItems()) rows.push_back(list_->row(item));
  std::sort(rows.rbegin(), rows.rend());
  for (const int r : rows) {
    std::unique_ptr<QListWidgetItem> gone(list_->takeItem(r));
    ctx_.folderList.erase(ctx_.folderList.begin() + r);
  }
  ctx_.folderListChanged = true;
}

void FolderListPage::ClearAll() {
  list_->clear();
  ctx_.folderList.clear();
  ctx_.folderListChanged = true;
}

void FolderListPage::RunList() {
  if (worker_.Busy()) return;
  // The run reads a copy, which the basic page holds and empties afterwards;
  // this page keeps its list.
  QStringList copy;
  std::vector<std::string> folders;
  folders.reserve(static_cast<std::size_t>(list_->count()));
  for (int i = 0; i < list_->count(); ++i) {
    copy.push_back(list_->item(i)->text());
    folders.push_back(ToNative(copy.back().toStdU16String()));
  }
  emit runListChanged(copy);
  auto result = std::make_shared<RunResult>();
  worker_.Start([this, folders, result] { *result = FolderListRun(ctx_, folders); },
                [this, result] {
                  lastResult_ = std::move(*result);
                  emit runListChanged({});
                  emit runFinished();
                });
}

FolderListHint::FolderListHint(QWidget* parent) : ToolkitPage(parent) {
  setObjectName("folderListHint");
  auto* rows = Child<QVBoxLayout>(this);
  auto* hint = Child<QLabel>(tr("処理したい複数のフォルダをドロップしてください"), this);
  hint->setWordWrap(true);
  rows->addWidget(hint);
}

}  // namespace ordano
