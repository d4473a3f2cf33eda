// DrivePage (Cdriveall): the whole-drive page (dialog 131). Its combo lists the mounted
// real file systems; its button catalogues the selected one.
#pragma once

#include <string>
#include <vector>

#include "run/run_driver.h"
#include "scan/mount_info.h"
#include "toolkit/custom_dialog.h"

class QComboBox;

namespace ordano {

struct AppContext;
class RunWorker;

// The whole-drive page's controls.
enum class DriveControl { Drives, Run, Count };

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

 signals:
  void runFinished();

 protected:
  bool HandleDrop(const std::vector<std::string>& paths) override;

 private:
  void RunSelectedDrive();

  AppContext& ctx_;
  RunWorker& worker_;
  QComboBox* driveList_ = nullptr;
  std::vector<DriveEntry> drives_;
  std::string droppedRoot_;
  RunResult lastResult_;
};

}  // namespace ordano
