// QtHost: the window's side of a run, a bridge between the worker thread the
// run works on and the interface thread. Progress goes to the progress window
// through a shared snapshot; questions (message boxes, the save dialog), the
// pages and the clipboard are served on the interface thread by a blocking
// queued call; the progress window's stop sets the worker's cancel flag,
// which Pump hands to the run. Called on the interface thread itself (a run
// without a worker) it serves directly.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/window/run_worker.h"
#include "app/window/status_window.h"
#include "core/run_host.h"

class QDialog;
class QObject;
class QWidget;

namespace ordano {

struct AppContext;
class MainWindow;
class ProgressWindow;
class SaveFileDialog;

class QtHost : public RunHost {
 public:
  // Without a main window (a command-line run started from the desktop) the
  // host serves the settings record and owns its windows itself.
  explicit QtHost(AppContext& ctx, MainWindow* main = nullptr);
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  void CollectRunPages(SettingsRecord& s) override;
  void CollectBasicPage(SettingsRecord& s) override;
  void ApplyBasicPage(const SettingsRecord& s) override;
  std::u16string Wildcard() override;
  bool IncludeFileDrops() override;
  void Pump(RunState& run) override;
  void ProgressBegin(RunState& run) override;
  void ProgressEnd(RunState& run) override;
  void ShowCrawlText(CrawlText kind, std::u16string_view text) override;
  void DownloadBegin() override;
  bool DownloadProgress(std::uint64_t received, std::uint64_t total) override;
  void DownloadEnd() override;
  MsgAnswer MessageBox(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                       MsgButtons buttons) override;
  // Through the application's installed translation.
  std::u16string Text(const Message& message) override;
  std::optional<SaveDialogState> SaveDialog(const SaveDialogState& proposal) override;
  bool SetClipboardText(std::u16string_view text) override;
  void OpenWithDefaultProgram(const std::string& path, const std::string& workingDir) override;

  // Runs a modal dialog. With a script set (tests, benchmarks) the script
  // answers the dialog through its widgets instead of a modal loop.
  void Exec(QDialog& dialog);
  std::function<void(QDialog&)> modalScript;
  // Paths and addresses handed to "open"; launching can be switched off.
  std::vector<std::string> opened;
  bool launchOpen = true;

  // The thread the window's runs work on, and its cancel flag.
  RunWorker& Worker() { return worker_; }
  const RunWorker& Worker() const { return worker_; }
  // The window goes away: a run under way is cancelled, its questions get
  // the safe answer, and this returns once it has ended.
  void ShutDown();

  // The progress window of the current scan, or null.
  ProgressWindow* Status() const { return status_.get(); }
  // The progress window of a download, or null.
  ProgressWindow* DownloadWindow() const { return download_.get(); }

 private:
  QWidget* Owner() const;
  bool OnInterfaceThread() const;
  // Runs `fn` on the interface thread and waits for it.
  void OnInterface(const std::function<void()>& fn);
  MsgAnswer AskNow(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                   MsgButtons buttons);

  AppContext& ctx_;
  MainWindow* main_;
  std::unique_ptr<QObject> bridge_;  // lives on the interface thread
  RunWorker worker_;
  // The progress the worker last published, and whether it shows digests.
  std::mutex progressMutex_;
  ProgressTexts progress_;
  bool progressMd5_ = false;
  std::int64_t lastPublished_ = 0;  // worker thread only
  std::unique_ptr<ProgressWindow> status_;
  std::unique_ptr<ProgressWindow> download_;
  std::unique_ptr<SaveFileDialog> saveDialog_;  // with a main window: kept between runs
  // The download's figures, written by the worker, shown by the interface.
  std::atomic<std::uint64_t> received_{0};
  std::atomic<std::uint64_t> total_{0};
};

}  // namespace ordano
