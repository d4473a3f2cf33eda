// ConsoleHost: the host of a command-line run. Questions go to the terminal,
// progress and status lines to stderr (only when it is a terminal); without a
// terminal the safe answer is taken and said on stderr; --yes answers Yes
// without a word. Ctrl-C cancels the run.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>

#include "core/run_host.h"

namespace ordano {

class ConsoleHost : public RunHost {
 public:
  struct Options {
    bool assumeYes = false;         // --yes
    bool interactive = false;       // a terminal can answer questions
    bool progressOnStderr = false;  // stderr is a terminal
    bool quiet = false;             // --quiet: errors only
  };
  explicit ConsoleHost(Options options);
  ~ConsoleHost() override;
  ConsoleHost(const ConsoleHost&) = delete;
  ConsoleHost& operator=(const ConsoleHost&) = delete;

  // Options for the current process: terminals detected on stdin/stderr.
  static Options Detect(bool assumeYes, bool quiet = false);

  void Pump(RunState& run) override;
  void ProgressBegin(RunState& run) override;
  void ProgressEnd(RunState& run) override;
  void ShowCrawlText(CrawlText what, std::u16string_view text) override;
  // In the command line's language.
  std::u16string Text(const Message& message) override;
  // Ctrl-C stops a download as it stops a scan.
  bool DownloadProgress(std::uint64_t, std::uint64_t) override { return !Interrupted(); }
  MsgAnswer MessageBox(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                       MsgButtons buttons) override;
  std::optional<SaveDialogState> SaveDialog(const SaveDialogState& proposal) override;
  bool SetClipboardText(std::u16string_view text) override;
  void OpenWithDefaultProgram(const std::string& path, const std::string& workingDir) override;
  // One line per failure on stderr, as a missing path is named.
  void ReportReadFailures(std::span<const ReadFailure> failures) override;
  // The same for what --library-too could not record; nothing when all went in.
  void ReportLibraryRecord(const std::string& library, std::uint64_t files,
                           std::span<const std::string> notes, std::string_view error) override;

  // Whether Ctrl-C was pressed since the host was created.
  bool Interrupted() const;

 private:
  void DrawProgress(const RunState& run, bool force);
  // The one status line on stderr, rewritten in place (scan progress or crawl status).
  void ShowStatusLine(std::string line);
  void ClearStatusLine();
  bool AskYesNo(const std::string& prompt, bool withCancel, MsgAnswer& answer);

  Options options_;
  // What SIGINT did before this host: put back when it ends (a job started
  // with SIGINT ignored keeps ignoring it).
  void (*previousInterrupt_)(int) = SIG_DFL;
  bool progressShown_ = false;
  bool statusLineShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace ordano
