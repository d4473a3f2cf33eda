#include "app/window/drive_page.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/window/control_set.h"
#include "app/window/run_worker.h"
#include "core/app_context.h"
#include "run/drive_runs.h"

namespace ordano {
namespace {

constexpr ControlNames<DriveControl> kControlNames = {{
    {DriveControl::Drives, "drives"},
    {DriveControl::Run, "run"},
}};
static_assert(InEnumOrder(kControlNames));

}  // namespace

DrivePage::DrivePage(AppContext& ctx, RunWorker& worker, QWidget* parent)
    : ToolkitPage(parent), ctx_(ctx), worker_(worker), drives_(ListDrives()) {
  setObjectName("drivePage");
  ControlSet<DriveControl> controls(kControlNames);
  auto* rows = Child<QVBoxLayout>(this);
  auto* group = Child<QGroupBox>(tr("ドライブ丸ごと"), this);
  auto* line = Child<QHBoxLayout>(group);
  line->addWidget(Child<QLabel>(tr("ドライブ"), group));
  driveList_ = controls.Add(DriveControl::Drives, Child<QComboBox>(group));
  driveList_->setMinimumContentsLength(24);
  // Filled once: the file systems mounted when the page is made.
  for (std::size_t i = 0; i < drives_.size(); ++i) {
    driveList_->addItem(QString::fromStdU16String(DriveText(drives_[i])), static_cast<int>(i));
  }
  line->addWidget(driveList_, 1);
  auto* runButton =
      controls.Add(DriveControl::Run, Child<QPushButton>(tr("丸ごと一覧実行"), group));
  runButton->setAutoDefault(false);
  line->addWidget(runButton);
  rows->addWidget(group);

  connect(runButton, &QPushButton::clicked, this, &DrivePage::RunSelectedDrive);
  connect(driveList_, &QComboBox::currentIndexChanged, this,
          [this](int index) { ctx_.startup.DriveIndex = index; });
}

void DrivePage::SelectDrive(int index) {
  if (index < 0 || driveList_->count() == 0) {
    driveList_->setCurrentIndex(-1);
    return;
  }
  driveList_->setCurrentIndex(std::min(index, driveList_->count() - 1));
}

void DrivePage::RunSelectedDrive() {
  if (worker_.Busy()) return;
  const QVariant data = driveList_->currentData();
  const int i = data.isValid() ? data.toInt() : -1;
  // No entry selected: the run finds no drive and says so.
  const std::string root = i >= 0 && i < static_cast<int>(drives_.size())
                               ? drives_[static_cast<std::size_t>(i)].mountPoint
                               : std::string();
  auto result = std::make_shared<RunResult>();
  worker_.Start([this, root, result] { *result = WholeDriveRun(ctx_, root); },
                [this, result] {
                  lastResult_ = std::move(*result);
                  emit runFinished();
                });
}

bool DrivePage::HandleDrop(const std::vector<std::string>& paths) {
  const auto root = WholeDriveDropRoot(ctx_, paths);
  if (!root) return true;
  droppedRoot_ = *root;
  // The dropped item's file system becomes the selected drive; nothing runs.
  for (std::size_t i = 0; i < drives_.size(); ++i) {
    if (drives_[i].mountPoint == droppedRoot_) driveList_->setCurrentIndex(static_cast<int>(i));
  }
  return true;
}

}  // namespace ordano
