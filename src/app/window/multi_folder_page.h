// FolderListPage (CMultiDD): the multi-folder page (dialog 137) with its list of folders, and
// FolderListHint, the hint page above it (dialog 143).
#pragma once

#include <QStringList>
#include <string>
#include <vector>

#include "app/window/control_set.h"
#include "run/run_driver.h"
#include "toolkit/custom_dialog.h"

class QListWidget;

namespace ordano {

struct AppContext;
class RunWorker;

// The multi-folder page's controls, in the order the page lays them out.
enum class FolderListControl { Folders, Remove, Clear, Run, Count };

class FolderListPage : public ToolkitPage {
  Q_OBJECT
 public:
  FolderListPage(AppContext& ctx, RunWorker& worker, QWidget* parent);

  // Appends the folders among the paths; files are ignored.
  void AddFolders(const std::vector<std::string>& paths);
  // Shows the profile's list again (start, profile switch).
  void Reload();
  const RunResult& LastResult() const { return lastResult_; }

 signals:
  void runFinished();
  // The list a run reads, as it starts; empty once it is over (the basic
  // page keeps it as its hidden copy).
  void runListChanged(const QStringList& folders);

 protected:
  bool HandleDrop(const std::vector<std::string>& paths) override;

 private:
  void RemoveSelected();
  void ClearAll();
  void RunList();

  AppContext& ctx_;
  RunWorker& worker_;
  ControlSet<FolderListControl> controls_;
  QListWidget* list_ = nullptr;
  RunResult lastResult_;
};

class FolderListHint : public ToolkitPage {
  Q_OBJECT
 public:
  explicit FolderListHint(QWidget* parent);
};

}  // namespace ordano
