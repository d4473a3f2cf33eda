// FolderListPage (CMultiDD): the multi-folder page (dialog 137) with its list of folders, and
// FolderListHint, the hint page above it (dialog 143).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "run/run_driver.h"
#include "toolkit/custom_dialog.h"

class QListWidget;
class QPushButton;

namespace ordano {

struct AppContext;
class RunWorker;

class FolderListPage : public ToolkitPage {
  Q_OBJECT
 public:
  // `hiddenCopy` is the basic page's hidden list the run reads.
  FolderListPage(AppContext& ctx, RunWorker& worker, QListWidget* hiddenCopy, QWidget* parent);

  // Appends the folders among the paths; files are ignored.
  void AddFolders(const std::vector<std::string>& paths);
  // Shows the profile's list again (start, profile switch).
  void Reload();
  const RunResult& LastResult() const { return lastResult_; }

  QListWidget* list = nullptr;          // 1048
  QPushButton* removeButton = nullptr;  // 1024
  QPushButton* clearButton = nullptr;   // 1023
  QPushButton* runButton = nullptr;     // 1 ("リスト実行")

 signals:
  void runFinished();

 protected:
  bool HandleDrop(const std::vector<std::string>& paths) override;

 private:
  void RemoveSelected();
  void ClearAll();
  void RunList();

  AppContext& ctx_;
  RunWorker& worker_;
  QListWidget* hiddenCopy_;
  RunResult lastResult_;
};

class FolderListHint : public ToolkitPage {
  Q_OBJECT
 public:
  explicit FolderListHint(QWidget* parent);
};

}  // namespace ordano
