#include "app/console_host.h"

#include <unistd.h>

#include <csignal>
#include <cstring>
#include <iostream>

#include "app/ui_language.h"
#include "core/run_state.h"
#include "platform/external_tools.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

// Set by the SIGINT handler; a signal handler can only reach a global.
volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  g_interrupted = 1;
  // A second Ctrl-C ends the process the usual way.
  std::signal(SIGINT, SIG_DFL);
}

// Text for a terminal, its control characters shown as "?".
std::string Narrow(std::u16string_view text, bool keepNewlines = false) {
  return TerminalText(Utf16ToUtf8(text), keepNewlines);
}

// A message as lines: its "\r\n" breaks kept (and its "\n" ones if asked),
// other controls made harmless.
std::string NarrowLines(std::u16string_view text, std::string_view separator,
                        bool keepNewlines = false) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(u"\r\n", start)) != std::u16string_view::npos;) {
    out += Narrow(text.substr(start, at - start), keepNewlines);
    out += separator;
    start = at + 2;
  }
  return out + Narrow(text.substr(start), keepNewlines);
}

// At most `bytes` bytes of a UTF-8 text, never cutting a character.
void CutUtf8(std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) return;
  while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
  text.resize(bytes);
}

constexpr std::size_t kStatusLineBytes = 200;  // one line of a wide terminal

const char* IconWord(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Error:
      return "error";
    case MsgIcon::Warning:
      return "warning";
    case MsgIcon::Question:
      return "question";
    case MsgIcon::Information:
      return "info";
    default:
      return "message";
  }
}

}  // namespace

ConsoleHost::ConsoleHost(Options options) : options_(options) {
  g_interrupted = 0;
  previousInterrupt_ = std::signal(SIGINT, OnInterrupt);
  if (previousInterrupt_ == SIG_ERR || previousInterrupt_ == OnInterrupt) {
    previousInterrupt_ = SIG_DFL;
  }
}

ConsoleHost::~ConsoleHost() {
  ClearStatusLine();
  std::signal(SIGINT, previousInterrupt_);
}

ConsoleHost::Options ConsoleHost::Detect(bool assumeYes, bool quiet) {
  Options o;
  o.assumeYes = assumeYes;
  o.quiet = quiet;
  o.interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
  o.progressOnStderr = isatty(STDERR_FILENO) && !quiet;
  return o;
}

bool ConsoleHost::Interrupted() const { return g_interrupted != 0; }

void ConsoleHost::Pump(RunState& run) {
  if (g_interrupted) run.CancelRequested = true;
  if (options_.progressOnStderr && progressShown_) DrawProgress(run, false);
}

void ConsoleHost::ProgressBegin(RunState& run) {
  progressShown_ = true;
  if (options_.progressOnStderr) DrawProgress(run, true);
}

void ConsoleHost::ProgressEnd(RunState&) {
  ClearStatusLine();
  progressShown_ = false;
}

void ConsoleHost::ShowCrawlText(CrawlText what, std::u16string_view text) {
  switch (what) {
    case CrawlText::Progress:
      // "検索中: N件検出 / 待機W件" and the URL; the fixed limits line is left out.
      if (options_.progressOnStderr)
        ShowStatusLine(NarrowLines(text.substr(0, text.rfind(u"\r\n")), "  "));
      break;
    case CrawlText::Finished:
    case CrawlText::OutputDone:
      // Status for the one watching; a log or a pipe gets only what failed.
      ClearStatusLine();
      if (options_.progressOnStderr) std::fprintf(stderr, "%s\n", NarrowLines(text, "\n").c_str());
      break;
    case CrawlText::OutputNote:  // it speaks of the save dialog, which /O: /F: skip
      break;
  }
}

std::u16string ConsoleHost::Text(const Message& message) { return ConsoleText(message); }

void ConsoleHost::DrawProgress(const RunState& run, bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  std::string line;
  if (run.ExpectedCount == 0) {
    line = ConsoleTextUtf8({MsgId::CountingFiles, {MessageNumber(run.EntryCount)}});
  } else {
    const int total = run.ExpectedCount - 1 > 0 ? run.ExpectedCount - 1 : 1;
    const double p = static_cast<double>(run.EntryCount) / total * 10000.0;
    char percent[32];
    std::snprintf(percent, sizeof percent, "%3.2f", p / 100.0);
    line = ConsoleTextUtf8({MsgId::Processing,
                            {Utf8ToUtf16(percent), MessageNumber(run.EntryCount),
                             MessageNumber(run.ExpectedCount - 1)}});
  }
  if (!run.Md5StatusText.empty()) line += "  " + Narrow(run.Md5StatusText);
  if (!run.ArchiveStatusText.empty()) line += "  " + Narrow(run.ArchiveStatusText);
  ShowStatusLine(std::move(line));
}

void ConsoleHost::ShowStatusLine(std::string line) {
  CutUtf8(line, kStatusLineBytes);
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
  statusLineShown_ = true;
}

void ConsoleHost::ClearStatusLine() {
  if (!statusLineShown_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  statusLineShown_ = false;
}

bool ConsoleHost::AskYesNo(const std::string& prompt, bool withCancel, MsgAnswer& answer) {
  std::fprintf(stderr, "%s %s ", prompt.c_str(), withCancel ? "[y/n/c]" : "[y/N]");
  std::fflush(stderr);
  std::string reply;
  if (!std::getline(std::cin, reply)) return false;
  if (!reply.empty() && (reply[0] == 'y' || reply[0] == 'Y')) {
    answer = MsgAnswer::Yes;
  } else if (withCancel && !reply.empty() && (reply[0] == 'n' || reply[0] == 'N')) {
    answer = MsgAnswer::No;
  } else if (withCancel) {
    answer = MsgAnswer::Cancel;
  } else {
    answer = MsgAnswer::No;
  }
  return true;
}

MsgAnswer ConsoleHost::MessageBox(std::u16string_view text, std::u16string_view caption,
                                  MsgIcon icon, MsgButtons buttons) {
  ClearStatusLine();
  const bool question = buttons != MsgButtons::Ok;
  // A question --yes answers is no news; --quiet keeps only errors.
  const bool say = question ? !options_.assumeYes : !options_.quiet || icon == MsgIcon::Error;
  if (say) {
    // The crawl's texts break lines with "\r\n", the others with "\n".
    std::fprintf(stderr, "ordanou: %s [%s]: %s\n", Narrow(caption).c_str(), IconWord(icon),
                 NarrowLines(text, "\n", true).c_str());
  }
  if (!question) return MsgAnswer::Ok;
  const bool withCancel = buttons == MsgButtons::YesNoCancel;
  if (options_.assumeYes) return MsgAnswer::Yes;
  MsgAnswer answer = withCancel ? MsgAnswer::Cancel : MsgAnswer::No;
  if (options_.interactive && AskYesNo("?", withCancel, answer)) return answer;
  std::fprintf(stderr, "ordanou: no terminal to answer; taking %s (use --yes to answer Yes)\n",
               withCancel ? "Cancel" : "No");
  return withCancel ? MsgAnswer::Cancel : MsgAnswer::No;
}

std::optional<SaveDialogState> ConsoleHost::SaveDialog(const SaveDialogState& proposal) {
  ClearStatusLine();
  std::string proposed = proposal.fileName;
  if (!proposed.empty() && proposed[0] != '/' && !proposal.folder.empty()) {
    proposed = proposal.folder + (proposal.folder.back() == '/' ? "" : "/") + proposed;
  }
  if (!options_.interactive) {
    std::fputs(
        "ordanou: a save dialog was asked for (/S), but there is no terminal; "
        "nothing written (give /O: and /F: instead)\n",
        stderr);
    return std::nullopt;
  }
  std::fputs(ConsoleTextUtf8({MsgId::SavePrompt, {ToDisplay(proposed)}}).c_str(), stderr);
  std::fflush(stderr);
  std::string reply;
  if (!std::getline(std::cin, reply)) return std::nullopt;
  SaveDialogState chosen = proposal;
  chosen.fileName = reply.empty() ? proposed : reply;
  if (!chosen.fileName.empty() && chosen.fileName[0] != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) chosen.fileName = std::string(cwd) + "/" + chosen.fileName;
  }
  const auto slash = chosen.fileName.rfind('/');
  chosen.folder = chosen.fileName.substr(0, slash == std::string::npos ? 0 : slash);
  return chosen;
}

bool ConsoleHost::SetClipboardText(std::u16string_view text) {
  const auto command = ClipboardCommand();
  if (command.empty()) {
    std::fputs("ordanou: no clipboard here (needs a display and wl-copy, xclip or xsel)\n", stderr);
    return false;
  }
  if (!RunWithInput(command, Utf16ToUtf8(text))) {
    std::fprintf(stderr, "ordanou: %s failed to take the text\n", command[0].c_str());
    return false;
  }
  return true;
}

void ConsoleHost::OpenWithDefaultProgram(const std::string& path, const std::string& workingDir) {
  if (!SpawnDetached({"xdg-open", path}, workingDir)) {
    std::fprintf(stderr, "ordanou: could not open %s (is xdg-open installed?)\n", path.c_str());
  }
}

void ConsoleHost::ReportLibraryRecord(const std::string& library, std::uint64_t /*files*/,
                                      std::span<const std::string> notes, std::string_view error) {
  ClearStatusLine();
  for (const std::string& note : notes) {
    std::fprintf(stderr, "ordanou: %s: not recorded in the library\n",
                 Narrow(ToDisplay(note)).c_str());
  }
  if (!error.empty()) {
    std::fprintf(stderr, "ordanou: %s: %s; nothing of this run was recorded in the library\n",
                 Narrow(ToDisplay(library)).c_str(), std::string(error).c_str());
  }
}

void ConsoleHost::ReportReadFailures(std::span<const ReadFailure> failures) {
  ClearStatusLine();
  for (const ReadFailure& f : failures) {
    std::fprintf(stderr, "ordanou: %s: %s\n", Narrow(ToDisplay(f.path)).c_str(),
                 std::strerror(f.error));
  }
}

}  // namespace ordano
