#include "app/console_host.h"

#include <unistd.h>

#include <csignal>
#include <cstring>
#include <iostream>

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

std::string Narrow(std::u16string_view text) { return Utf16ToUtf8(text); }

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
  std::signal(SIGINT, OnInterrupt);
}

ConsoleHost::~ConsoleHost() {
  ClearProgressLine();
  std::signal(SIGINT, SIG_DFL);
}

ConsoleHost::Options ConsoleHost::Detect(bool assumeYes) {
  Options o;
  o.assumeYes = assumeYes;
  o.interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
  o.progressOnStderr = isatty(STDERR_FILENO);
  return o;
}

bool ConsoleHost::Interrupted() const { return g_interrupted != 0; }

void ConsoleHost::Pump(RunState& run, int) {
  if (g_interrupted) run.CancelRequested = true;
  if (options_.progressOnStderr && progressShown_) DrawProgress(run, false);
}

void ConsoleHost::ProgressBegin(RunState& run) {
  progressShown_ = true;
  if (options_.progressOnStderr) DrawProgress(run, true);
}

void ConsoleHost::ProgressEnd(RunState&) {
  ClearProgressLine();
  progressShown_ = false;
}

void ConsoleHost::DrawProgress(const RunState& run, bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  std::string line;
  char buf[128];
  if (run.ExpectedCount == 0) {
    std::snprintf(buf, sizeof buf, "ファイル数獲得中... %d", run.EntryCount);
    line = buf;
  } else {
    const int total = run.ExpectedCount - 1 > 0 ? run.ExpectedCount - 1 : 1;
    const double p = static_cast<double>(run.EntryCount) / total * 10000.0;
    std::snprintf(buf, sizeof buf, "処理中 %3.2f%% (%d/%d)", p / 100.0, run.EntryCount,
                  run.ExpectedCount - 1);
    line = buf;
  }
  if (!run.Md5StatusText.empty()) line += "  " + Narrow(run.Md5StatusText);
  if (!run.ArchiveStatusText.empty()) line += "  " + Narrow(run.ArchiveStatusText);
  if (line.size() > 200) line.resize(200);  // keep it on one line of a wide terminal
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
}

void ConsoleHost::ClearProgressLine() {
  if (options_.progressOnStderr && progressShown_) {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
  }
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
  ClearProgressLine();
  std::fprintf(stderr, "ordanou: %s [%s]: %s\n", Narrow(caption).c_str(), IconWord(icon),
               Narrow(text).c_str());
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  const bool withCancel = buttons == MsgButtons::YesNoCancel;
  if (options_.assumeYes) {
    std::fputs("ordanou: --yes given: answering Yes\n", stderr);
    return MsgAnswer::Yes;
  }
  MsgAnswer answer = withCancel ? MsgAnswer::Cancel : MsgAnswer::No;
  if (options_.interactive && AskYesNo("?", withCancel, answer)) return answer;
  std::fprintf(stderr, "ordanou: no terminal to answer; taking %s (use --yes to answer Yes)\n",
               withCancel ? "Cancel" : "No");
  return withCancel ? MsgAnswer::Cancel : MsgAnswer::No;
}

std::optional<SaveDialogState> ConsoleHost::SaveDialog(const SaveDialogState& proposal) {
  ClearProgressLine();
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
  std::fprintf(stderr, "おるだの♪出力ファイル保存 [%s]: ", proposed.c_str());
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
  if (!RunWithInput(command, Narrow(text))) {
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

}  // namespace ordano
