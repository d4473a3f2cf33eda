// QtHost: the window's side of a run. It reads the basic page, pumps Qt's
// events, shows the progress window, asks with message boxes and the save
// dialog, and uses Qt's clipboard and desktop services.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/run_host.h"

class QDialog;
class QWidget;

namespace ordano {

struct AppContext;
class CMain;
class CStatus;

class QtHost : public RunHost {
 public:
  // Without a main window (a command-line run started from the desktop) the
  // host serves the settings record and owns its windows itself.
  explicit QtHost(AppContext& ctx, CMain* main = nullptr);
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  void CollectRunPages(SettingsRecord& s) override;
  void CollectBasicPage(SettingsRecord& s) override;
  void ApplyBasicPage(const SettingsRecord& s) override;
  std::u16string Wildcard() override;
  bool IncludeFileDrops() override;
  void Pump(RunState& run, int maxMessages) override;
  void ProgressBegin(RunState& run) override;
  void ProgressEnd(RunState& run) override;
  void ShowCrawlText(CrawlText kind, std::u16string_view text) override;
  void DownloadBegin() override;
  bool DownloadProgress(std::uint64_t received, std::uint64_t total) override;
  void DownloadEnd() override;
  MsgAnswer MessageBox(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                       MsgButtons buttons) override;
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

  // The progress window of the current scan, or null.
  CStatus* Status() const { return status_.get(); }
  // The progress window of a download, or null.
  CStatus* DownloadWindow() const { return download_.get(); }

 private:
  QWidget* Owner() const;

  AppContext& ctx_;
  CMain* main_;
  std::unique_ptr<CStatus> status_;
  std::unique_ptr<CStatus> download_;
  std::uint64_t received_ = 0;
  std::uint64_t total_ = 0;
  bool downloadStopped_ = false;
};

}  // namespace ordano
