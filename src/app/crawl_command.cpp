#include "app/crawl_command.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/console_host.h"
#include "app/console_start.h"
#include "app/exit_status.h"
#include "core/app_context.h"
#include "crawler/crawl_status.h"
#include "platform/unicode.h"
#include "run/web_search.h"

namespace ordano {
namespace {

constexpr std::size_t kStatusLineBytes = 200;

// The crawl's texts on stderr: the progress as one line rewritten in place
// (only on a terminal), the completion texts as plain lines.
class ConsoleCrawlStatus : public CrawlStatusSink {
 public:
  explicit ConsoleCrawlStatus(bool terminal) : terminal_(terminal) {}
  ~ConsoleCrawlStatus() override { ClearLine(); }

  void ShowCrawlText(CrawlText what, std::u16string_view text) override {
    switch (what) {
      case CrawlText::Progress:
        if (terminal_) ShowProgress(text);
        break;
      case CrawlText::Finished:
      case CrawlText::OutputDone:
        ClearLine();
        std::fprintf(stderr, "%s\n", Lines(text, "\n").c_str());
        break;
      case CrawlText::OutputNote:  // it speaks of the save dialog, which /O: /F: skip
        break;
    }
  }

  void ClearLine() {
    if (!lineShown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    lineShown_ = false;
  }

 private:
  static std::string Lines(std::u16string_view text, const char* separator) {
    std::string out = Utf16ToUtf8(text);
    for (std::size_t at; (at = out.find("\r\n")) != std::string::npos;)
      out.replace(at, 2, separator);
    return out;
  }

  void ShowProgress(std::u16string_view text) {
    // "検索中: N件検出 / 待機W件" and the URL; the fixed limits line is left out.
    const std::size_t lastBreak = text.rfind(u"\r\n");
    std::string line = Lines(text.substr(0, lastBreak), "  ");
    if (line.size() > kStatusLineBytes) {
      std::size_t cut = kStatusLineBytes;
      while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
      line.resize(cut);
    }
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    lineShown_ = true;
  }

  bool terminal_;
  bool lineShown_ = false;
};

// The console host with the status line cleared before anything is asked or told.
class CrawlConsoleHost : public RunHost {
 public:
  CrawlConsoleHost(ConsoleHost& inner, ConsoleCrawlStatus& status)
      : inner_(inner), status_(status) {}

  void CollectBasicPage(SettingsRecord& s) override { inner_.CollectBasicPage(s); }
  void ApplyBasicPage(const SettingsRecord& s) override { inner_.ApplyBasicPage(s); }
  std::u16string Wildcard() override { return inner_.Wildcard(); }
  bool IncludeFileDrops() override { return inner_.IncludeFileDrops(); }
  void Pump(RunState& run, int maxMessages) override { inner_.Pump(run, maxMessages); }
  void ProgressBegin(RunState& run) override { inner_.ProgressBegin(run); }
  void ProgressEnd(RunState& run) override { inner_.ProgressEnd(run); }
  MsgAnswer MessageBox(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                       MsgButtons buttons) override {
    status_.ClearLine();
    return inner_.MessageBox(text, caption, icon, buttons);
  }
  std::optional<SaveDialogState> SaveDialog(const SaveDialogState& proposal) override {
    status_.ClearLine();
    return inner_.SaveDialog(proposal);
  }
  bool SetClipboardText(std::u16string_view text) override { return inner_.SetClipboardText(text); }
  void OpenWithDefaultProgram(const std::string& path, const std::string& workingDir) override {
    inner_.OpenWithDefaultProgram(path, workingDir);
  }

 private:
  ConsoleHost& inner_;
  ConsoleCrawlStatus& status_;
};

}  // namespace

int RunCrawlCommand(const CommandLine& cl) {
  auto ctx = std::make_unique<AppContext>();
  InstanceLock lock;
  if (const auto refused = StartConsoleRun(*ctx, lock, cl.profile)) return *refused;

  const ConsoleHost::Options options = ConsoleHost::Detect(cl.assumeYes);
  ConsoleHost console(options);
  ConsoleCrawlStatus status(isatty(STDERR_FILENO) != 0);
  CrawlConsoleHost host(console, status);
  ctx->host = &host;

  const std::string typed = cl.crawlUrl.value_or(std::string());
  RunState& run = ctx->run;
  run.CmdOutputFolder = cl.outputFolder;
  run.CmdOutputName = cl.outputName;
  run.CmdBackColor = std::u16string(cl.backColor.begin(), cl.backColor.end());
  run.ForceSaveDialog = cl.forceSaveDialog;
  run.CmdLastPath = typed.empty() ? std::string("--crawl") : typed;

  WebSearchOptions search;
  search.output.keepCommandLineDestination = true;
  // On a terminal the question is asked; unattended, the partial result is
  // saved and the exit status tells that the crawl was cancelled.
  search.askBeforeSavingCancelled = options.interactive;
  const WebSearchOutcome outcome = RunWebSearch(*ctx, ToDisplay(typed), &status, search);
  status.ClearLine();

  switch (outcome.status) {
    case WebSearchStatus::NoInput:
      return kExitUsage;
    case WebSearchStatus::NothingFound:
      if (outcome.crawl.cancelled) return kExitCancelled;
      return outcome.crawl.failure == CrawlFailure::InvalidUrl ? kExitUsage : kExitNotWritten;
    case WebSearchStatus::Declined:
      std::fputs("ordanou: cancelled; nothing written\n", stderr);
      return kExitCancelled;
    case WebSearchStatus::Output:
      break;
  }
  const bool cancelled = outcome.crawl.cancelled;
  switch (outcome.output.status) {
    case OutputStatus::Written:
      std::printf("%s\n", outcome.output.path.c_str());
      [[fallthrough]];
    case OutputStatus::Clipboard:
      if (cancelled) {
        std::fputs("ordanou: cancelled; the result so far was written\n", stderr);
        return kExitCancelled;
      }
      return kExitOk;
    case OutputStatus::ClipboardFailed:
    case OutputStatus::Declined:
    case OutputStatus::Failed:
      std::fputs("ordanou: nothing written\n", stderr);
      return kExitNotWritten;
  }
  return kExitNotWritten;
}

}  // namespace ordano
