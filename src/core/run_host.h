// RunHost: everything a run needs from the user's side (questions, the save
// dialog, progress, the clipboard, "open"). The console, the window layer and
// the tests each implement it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/message.h"
#include "core/run_state.h"

namespace ordano {

struct SettingsRecord;

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

// The crawl's status texts: the web page's description text in the window,
// the progress line on a terminal.
enum class CrawlText {
  Progress,    // "検索中: …" once per fetched page
  Finished,    // the crawl's completion text
  OutputNote,  // the text shown right before the output run
  OutputDone,  // "出力処理が終わりました。…"
};

// What the save dialog shows and what it returns, including its
// "最終確認" panel.
struct SaveDialogState {
  std::string folder;    // where the dialog starts
  std::string fileName;  // proposed name (may be a full path)
  int filterIndex = 1;   // 1-based: all, txt, html, csv, all files
  bool appendOutput = false;
  bool openAfterSave = false;
  bool lineWidthEnabled = false;
  bool indentTree = false;
  std::u16string lineWidthText;
  bool utf8Text = false;  // a text catalogue in UTF-8 (LF, no byte-order mark)
};

class RunHost {
 public:
  virtual ~RunHost() = default;

  // The settings pages at the start of every run. The advanced and HTML tag
  // pages are collected into the live record (what the user set there holds
  // from now on); the run then copies the record, and the basic page is
  // collected into that copy, as the run reads it from the page's controls.
  // Apply shows a record on the basic page (a run that switches the date
  // range off).
  virtual void CollectRunPages(SettingsRecord&) {}
  virtual void CollectBasicPage(SettingsRecord&) {}
  virtual void ApplyBasicPage(const SettingsRecord&) {}
  // Control-only states of the basic page (never saved).
  virtual std::u16string Wildcard() { return u"*.*"; }
  virtual bool IncludeFileDrops() { return false; }

  // Called often by the thread that runs the work: the host takes the
  // progress to show from `run` and may set run.CancelRequested here (cancel
  // button, Ctrl-C). A host whose interface runs on another thread serves it
  // there; nothing here waits for user-interface events.
  virtual void Pump(RunState& run) = 0;
  // The progress window of a run: shown at the start of the scan, closed at its end.
  virtual void ProgressBegin(RunState&) {}
  virtual void ProgressEnd(RunState&) {}
  // A status text of the web crawl.
  virtual void ShowCrawlText(CrawlText, std::u16string_view) {}
  // The progress window of a download (the update archive). Progress comes
  // while bytes arrive and while the transfer waits for them (total 0 when
  // unknown); it serves the host's events, and false stops the download.
  virtual void DownloadBegin() {}
  virtual bool DownloadProgress(std::uint64_t /*received*/, std::uint64_t /*total*/) {
    return true;
  }
  virtual void DownloadEnd() {}

  virtual MsgAnswer MessageBox(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                               MsgButtons buttons) = 0;
  // A message in the host's language; by default the Japanese text. Called
  // from the thread that runs the work.
  virtual std::u16string Text(const Message& message) { return JapaneseText(message); }
  // A message box of a message and its caption, both through Text.
  MsgAnswer ShowMessage(const Message& text, MsgId caption, MsgIcon icon, MsgButtons buttons) {
    return MessageBox(Text(text), Text(caption), icon, buttons);
  }
  // The save dialog; nullopt when cancelled.
  virtual std::optional<SaveDialogState> SaveDialog(const SaveDialogState& proposal) = 0;
  // Places text on the clipboard; false when that is not possible here.
  virtual bool SetClipboardText(std::u16string_view text) = 0;
  // Opens a file with its default program ("open" verb).
  virtual void OpenWithDefaultProgram(const std::string& path, const std::string& workingDir) = 0;
  // At the end of a run: the folders and files it could not read, each with
  // the system's reason. By default one message box lists them.
  virtual void ReportReadFailures(std::span<const ReadFailure> failures);
  // After a run that also records its trees in the library: the files
  // recorded, the given paths left out ("PATH: reason") and, when nothing
  // could be recorded, why. By default a message box tells the last two.
  virtual void ReportLibraryRecord(const std::string& library, std::uint64_t files,
                                   std::span<const std::string> notes, std::string_view error);
};

// The text of that message box, in the host's language.
std::u16string ReadFailuresText(RunHost& host, std::span<const ReadFailure> failures);

// The host of a context nobody listens to: no pumping, the safe answer (No,
// Cancel) to every question, no clipboard. Stateless, shared.
RunHost& QuietHost();

}  // namespace ordano
