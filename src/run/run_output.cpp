#include "run/run_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>

#include "core/app_context.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "output/text_writer.h"
#include "platform/decimal.h"
#include "platform/file_handle.h"
#include "platform/path_parts.h"
#include "platform/unicode.h"
#include "run/library_record.h"
#include "scan/sort.h"

namespace ordano {
namespace {

// The reason of a destination that is a device, FIFO or socket (no errno says it).
constexpr int kNotRegularFile = -1;

// What failed and why, the head of the message that says what to check.
Message WriteFailure(MsgId id, std::string_view path, int error) {
  std::u16string reason =
      error == kNotRegularFile ? u"not a regular file" : Utf8ToUtf16(std::strerror(error));
  return {id, {ToDisplay(std::string(path)), std::move(reason)}};
}

enum class Format { Text, Csv, Html, View, Json, JsonLines, Library };

// By the name's end, case-sensitively: "x.CSV" is a text catalogue.
Format FormatOf(std::string_view path) {
  if (path.ends_with(".csv")) return Format::Csv;
  if (path.ends_with(".view.html")) return Format::View;
  if (path.ends_with(".html") || path.ends_with(".htm")) return Format::Html;
  if (path.ends_with(".json")) return Format::Json;
  if (path.ends_with(".jsonl")) return Format::JsonLines;
  if (path.ends_with(".sqlite")) return Format::Library;
  return Format::Text;
}

// A name relative to folder; an absolute name stands as it is.
std::string JoinPath(const std::string& folder, const std::string& name) {
  if (name.starts_with('/') || folder.empty()) return name;
  if (folder.ends_with('/')) return folder + name;
  return folder + "/" + name;
}

// The folder as a full path (without chdir: relative to the process's
// current directory), without a trailing "/".
std::string FullFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::path p =
      folder.empty() ? std::filesystem::current_path(ec) : std::filesystem::absolute(folder, ec);
  if (ec) return folder;
  std::string out = p.lexically_normal().string();
  while (out.size() > 1 && out.ends_with('/')) out.pop_back();
  return out;
}

// "name." gets "txt"; a name without "." after its last "/" gets ".txt".
std::string CompleteName(std::string path) {
  if (path.ends_with('.')) return path + "txt";
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) path += ".txt";
  return path;
}

// A doubled separator near the end of the remembered name is made single.
std::u16string ProposedName(std::u16string_view outputFile) {
  std::u16string name(outputFile);
  const std::size_t last = name.rfind(u'/');
  if (last == std::u16string::npos) return name;
  const std::size_t from = last >= 4 ? last - 4 : 0;
  const std::size_t twice = name.find(u"//", from);
  if (twice != std::u16string::npos) name.erase(twice, 1);
  return name;
}

// 1-based filter of the save dialog that fits the last extension.
int FilterIndexFor(std::u16string_view outputFile) {
  const std::u16string lower = AsciiLower(outputFile);
  const std::u16string_view v = lower;
  if (v.ends_with(u".txt")) return 2;
  if (v.ends_with(u".htm") || v.ends_with(u".html")) return 3;
  if (v.ends_with(u".csv")) return 4;
  return 1;
}

std::u16string NumberText(int n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

// What stands at the destination: nothing yet, a regular file, or something
// a catalogue cannot replace (a FIFO would block the writer forever, a folder
// or a device is no catalogue).
enum class Destination { Missing, File, Other };
Destination DestinationKind(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return errno == ENOENT ? Destination::Missing : Destination::Other;
  if (S_ISREG(st.st_mode)) return Destination::File;
  errno = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;  // the reason the message gives
  return Destination::Other;
}

// The destination is remembered for the next run (saved record) and known to
// this one.
void Remember(AppContext& ctx, const std::string& path) {
  const std::u16string folder = ToDisplay(std::string(ParentFolder(path)));
  const std::u16string file = ToDisplay(path);
  for (SettingsRecord* s : {&ctx.settings, &ctx.options.settings}) {
    SetText(s->OutputFolder, folder);
    SetText(s->OutputFile, file);
  }
}

// The save dialog with its "最終確認" panel; the chosen path, or nothing.
std::optional<std::string> AskSaveDestination(AppContext& ctx) {
  SettingsRecord& s = ctx.options.settings;
  SaveDialogState proposal;
  proposal.folder = ToNative(TextOf(s.OutputFolder));
  proposal.fileName = ToNative(ProposedName(TextOf(s.OutputFile)));
  proposal.filterIndex = s.PreferLastExtension ? FilterIndexFor(TextOf(s.OutputFile)) : 1;
  proposal.appendOutput = s.AppendOutput != 0;
  proposal.openAfterSave = s.OpenAfterSave != 0;
  proposal.lineWidthEnabled = s.LineWidthEnabled != 0;
  proposal.indentTree = s.IndentTree != 0;
  proposal.lineWidthText = NumberText(s.LineWidth);
  proposal.utf8Text = ctx.options.utf8Text;

  const std::optional<SaveDialogState> answer = ctx.Host().SaveDialog(proposal);
  if (!answer) return std::nullopt;
  // The panel's states hold for this catalogue only: they change the run's copy.
  s.AppendOutput = answer->appendOutput;
  s.OpenAfterSave = answer->openAfterSave;
  s.LineWidthEnabled = answer->lineWidthEnabled;
  s.IndentTree = answer->indentTree;
  s.LineWidth = DecimalValue(std::u16string_view(answer->lineWidthText));
  ctx.options.utf8Text = answer->utf8Text;
  if (answer->fileName.empty()) return std::nullopt;

  const std::string folder = answer->folder.empty() ? proposal.folder : answer->folder;
  std::string path = CompleteName(JoinPath(folder, answer->fileName));
  if (!path.starts_with('/')) path = JoinPath(FullFolder(""), path);
  Remember(ctx, path);
  return path;
}

// The destination given on the command line: a bare name is taken in the
// output folder, a full path stands as it is.
std::string CommandLineDestination(AppContext& ctx) {
  const SettingsRecord& s = ctx.options.settings;
  const RunState& run = ctx.run;
  const std::string folder = FullFolder(
      !run.CmdOutputFolder.empty() ? run.CmdOutputFolder : ToNative(TextOf(s.OutputFolder)));
  const std::string name =
      !run.CmdOutputName.empty() ? run.CmdOutputName : ToNative(TextOf(s.OutputFile));
  const std::string path = JoinPath(folder, name);
  Remember(ctx, path);
  return path;
}

OutputResult Status(OutputStatus status, std::string path = {}) {
  OutputResult r;
  r.status = status;
  r.path = std::move(path);
  return r;
}

// The command line's "-": the text catalogue (or JSON Lines) on stdout, nothing to ask,
// append to or open; a reader that went away is a failed write.
OutputResult WriteToStdout(AppContext& ctx) {
  SettingsRecord& s = ctx.options.settings;
  s.AppendOutput = 0;
  s.Unify = 0;
  CFileCus sink;
  sink.SetUtf8Mode(true);
  if (!sink.OpenStream(STDOUT_FILENO)) {
    ShowWriteFailure(ctx, "stdout", sink.Error());
    return Status(OutputStatus::Failed);
  }
  bool ok = true;
  if (ctx.run.CmdJsonLines) {
    StreamJsonLines(ctx, sink);
  } else {
    ok = WriteTextCatalogue(ctx, sink, "-") == TextWriteStatus::Written;
  }
  if (!ok || !sink.Close()) {
    ShowWriteFailure(ctx, "stdout", sink.Error());
    return Status(OutputStatus::Failed);
  }
  return Status(OutputStatus::Written);
}

OutputResult WriteText(AppContext& ctx, CFileCus& sink, const std::string& path) {
  const SettingsRecord& s = ctx.options.settings;
  if (!sink.ClipboardMode()) {
    sink.SetUtf8Mode(ctx.options.utf8Text);
    // A merge rewrites a copy; an append extends the file in place.
    const auto mode = s.Unify          ? CFileCus::OpenMode::Edit
                      : s.AppendOutput ? CFileCus::OpenMode::OpenExisting
                                       : CFileCus::OpenMode::Replace;
    if (!sink.Open(path, mode)) {
      ShowWriteFailure(ctx, path, sink.Error());
      return Status(OutputStatus::Failed, path);
    }
  } else {
    sink.Open({}, CFileCus::OpenMode::Replace);
  }
  const TextWriteStatus written = WriteTextCatalogue(ctx, sink, path);
  // Nothing to merge into: the file stays exactly as it was.
  if (written == TextWriteStatus::MergeTargetEmpty) return Status(OutputStatus::Declined, path);
  const bool closed = written == TextWriteStatus::Written && sink.Close();
  if (!closed) {
    const int error = sink.Error();
    sink.Abandon();
    ShowWriteFailure(ctx, path, error);
    return Status(OutputStatus::Failed, path);
  }
  return Status(OutputStatus::Written, path);
}

// A failed write has been reported; say so too when the old file could not
// be put back as it was.
OutputResult Failure(AppContext& ctx, const CFileCus& sink, const std::string& path) {
  if (!sink.PreviousKept()) {
    ctx.Host().ShowMessage({MsgId::PreviousNotRestored, {ToDisplay(path)}},
                           MsgId::CaptionWriteError, MsgIcon::Error, MsgButtons::Ok);
  }
  return Status(OutputStatus::Failed, path);
}

OutputResult WriteCatalogue(AppContext& ctx) {
  const SettingsRecord& s = ctx.options.settings;
  RunState& run = ctx.run;
  RunHost& host = ctx.Host();

  if (s.IgnoreHierarchy && ctx.options.includeFileDrops) SortRange(ctx, 0, run.EntryCount);
  run.NameWidth = std::max(run.NameWidth, static_cast<int>(TotalLine(run).size()));

  const bool askForName = run.CmdLastPath.empty() || run.ForceSaveDialog;
  run.ForceSaveDialog = false;
  // Named on the command line, stdout wins over a profile's clipboard choice.
  if (!askForName && run.CmdOutputName == "-") return WriteToStdout(ctx);
  const bool clipboard = s.SaveToClipboard != 0;
  std::string path;
  if (!clipboard) {
    if (askForName) {
      std::optional<std::string> chosen = AskSaveDestination(ctx);
      if (!chosen) return Status(OutputStatus::Declined);
      path = std::move(*chosen);
    } else {
      path = CommandLineDestination(ctx);
    }
    const Destination there = DestinationKind(path);
    if (there == Destination::Other) {
      const int error = errno;
      if (FormatOf(path) == Format::Html) {
        ShowHtmlWriteFailure(ctx, path, error);
      } else {
        ShowWriteFailure(ctx, path, error);
      }
      return Status(OutputStatus::Failed, path);
    }
    if (s.ConfirmOverwrite && there == Destination::File && OpenForReading(path)) {
      const MsgAnswer a =
          host.ShowMessage({MsgId::OverwriteQuestion, {ToDisplay(path)}}, MsgId::CaptionOverwrite,
                           MsgIcon::Question, MsgButtons::YesNo);
      if (a != MsgAnswer::Yes) return Status(OutputStatus::Declined, path);
    }
  }

  // What a killed run left of its temporary file is no one's.
  if (!clipboard) {
    const std::string_view name = LastComponent(path);
    RemoveStaleTemporaries(std::string(ParentFolderToOpen(path)),
                           [name](std::string_view of) { return of == name; });
  }

  CFileCus sink;
  const Format format = clipboard ? Format::Text : FormatOf(path);
  try {
    if (format == Format::Library) {
      std::string error;
      if (!WriteLibraryFile(ctx, path, error)) {
        if (error == "cancelled") return Status(OutputStatus::Declined, path);
        host.ShowMessage({MsgId::Plain, {ToDisplay(path) + u"\n" + Utf8ToUtf16(error)}},
                         MsgId::CaptionWriteError, MsgIcon::Error, MsgButtons::Ok);
        return Status(OutputStatus::Failed, path);
      }
    } else if (format != Format::Text) {
      const bool ok = format == Format::Csv         ? WriteCsvCatalogue(ctx, sink, path)
                      : format == Format::Html      ? WriteHtmlCatalogue(ctx, sink, path)
                      : format == Format::View      ? WriteViewCatalogue(ctx, sink, path)
                      : format == Format::JsonLines ? WriteJsonLinesCatalogue(ctx, sink, path)
                                                    : WriteJsonCatalogue(ctx, sink, path);
      if (!ok) return Failure(ctx, sink, path);
    } else {
      sink.SetClipboardMode(clipboard);
      const OutputResult r = WriteText(ctx, sink, path);
      if (r.status == OutputStatus::Failed) return Failure(ctx, sink, path);
      if (r.status != OutputStatus::Written) return r;
    }
  } catch (const std::bad_alloc&) {
    // A catalogue too large for memory is a failed write like any other.
    sink.Abandon();
    if (format == Format::Html) {
      ShowHtmlWriteFailure(ctx, path, ENOMEM);
    } else {
      ShowWriteFailure(ctx, path, ENOMEM);
    }
    return Failure(ctx, sink, path);
  }

  if (clipboard) {
    // Line ends are "\n" here; a host that cannot reach a clipboard has said so.
    if (!host.SetClipboardText(sink.CollectedText())) return Status(OutputStatus::ClipboardFailed);
    host.ShowMessage(MsgId::ClipboardSaved, MsgId::CaptionOrdano, MsgIcon::Information,
                     MsgButtons::Ok);
    return Status(OutputStatus::Clipboard);
  }
  if (s.OpenAfterSave) host.OpenWithDefaultProgram(path, std::string(ParentFolder(path)));
  return Status(OutputStatus::Written, path);
}

}  // namespace

void ShowWriteFailure(AppContext& ctx, std::string_view path, int error) {
  ctx.Host().ShowMessage(WriteFailure(MsgId::WriteFailed, path, error), MsgId::CaptionWriteError,
                         MsgIcon::Error, MsgButtons::Ok);
}

void ShowHtmlWriteFailure(AppContext& ctx, std::string_view path, int error) {
  ctx.Host().ShowMessage(WriteFailure(MsgId::HtmlWriteFailed, path, error),
                         MsgId::CaptionWriteError, MsgIcon::Error, MsgButtons::Ok);
}

OutputResult RunOutput(AppContext& ctx) { return WriteCatalogue(ctx); }

}  // namespace ordano
