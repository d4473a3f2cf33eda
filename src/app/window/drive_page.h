// DrivePage (Cdriveall): the whole-drive page (dialog 131). Its combo lists the mounted
// real file systems; its button catalogues the selected one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "run/run_driver.h"
#include "scan/mount_info.h"
#include "toolkit/custom_dialog.h"

class QComboBox;
class QPushButton;

namespace ordano {

struct AppContext;
class RunWorker;

class DrivePage : public ToolkitPage {
  Q_OBJECT
 public:
  DrivePage(AppContext& ctx, RunWorker& worker, QWidget* parent);

  // The drive list as filled when the page was made.
  const std::vector<DriveEntry>& Drives() const { return drives_; }
  // Selects entry `index` (DriveIndex at start): negative selects nothing,
  // past the end the last entry.
  void SelectDrive(int index);
  // The root a drop stored (the dropped item's file system).
  const std::string& DroppedRoot() const { return droppedRoot_; }
  const RunResult& LastResult() const { return lastResult_; }

  QComboBox* driveList = nullptr;    // 1030
  QPushButton* runButton = nullptr;  // 1023

 signals:
  void runFinished();

 protected:
  bool HandleDrop(const std::vector<std::string>& paths) override;

 private:
  void RunSelectedDrive();

  AppContext& ctx_;
  RunWorker& worker_;
  std::vector<DriveEntry> drives_;
  std::string droppedRoot_;
  RunResult lastResult_;
};

}  // namespace ordano
