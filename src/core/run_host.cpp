#include "core/run_host.h"

#include <cstring>

#include "platform/unicode.h"

namespace ordano {
namespace {

// A long list is cut here; the rest is counted.
constexpr std::size_t kListedFailures = 20;

class Quiet final : public RunHost {
 public:
  void Pump(RunState&) override {}
  MsgAnswer MessageBox(std::u16string_view, std::u16string_view, MsgIcon,
                       MsgButtons buttons) override {
    switch (buttons) {
      case MsgButtons::Ok:
        return MsgAnswer::Ok;
      case MsgButtons::YesNo:
        return MsgAnswer::No;
      case MsgButtons::YesNoCancel:
        return MsgAnswer::Cancel;
    }
    return MsgAnswer::Cancel;
  }
  std::optional<SaveDialogState> SaveDialog(const SaveDialogState&) override {
    return std::nullopt;
  }
  bool SetClipboardText(std::u16string_view) override { return false; }
  void OpenWithDefaultProgram(const std::string&, const std::string&) override {}
};

}  // namespace

std::u16string ReadFailuresText(RunHost& host, std::span<const ReadFailure> failures) {
  std::u16string text = host.Text(MsgId::ReadFailuresHead) + u"\n";
  for (std::size_t i = 0; i < failures.size() && i < kListedFailures; ++i) {
    text +=
        u"\n" + ToDisplay(failures[i].path) + u": " + Utf8ToUtf16(std::strerror(failures[i].error));
  }
  if (failures.size() > kListedFailures) {
    text += u"\n" +
            host.Text({MsgId::ReadFailuresMore,
                       {MessageNumber(static_cast<long long>(failures.size() - kListedFailures))}});
  }
  return text;
}

void RunHost::ReportReadFailures(std::span<const ReadFailure> failures) {
  if (failures.empty()) return;
  MessageBox(ReadFailuresText(*this, failures), Text(MsgId::CaptionOrdano), MsgIcon::Warning,
             MsgButtons::Ok);
}

void RunHost::ReportLibraryRecord(const std::string& library, std::uint64_t /*files*/,
                                  std::span<const std::string> notes, std::string_view error) {
  if (!error.empty()) {
    ShowMessage({MsgId::LibraryRecordFailed, {ToDisplay(library), Utf8ToUtf16(error)}},
                MsgId::CaptionOrdano, MsgIcon::Warning, MsgButtons::Ok);
  } else if (!notes.empty()) {
    std::u16string text = Text(MsgId::LibraryNotRecorded) + u"\n";
    for (const std::string& note : notes) text += u"\n" + ToDisplay(note);
    MessageBox(text, Text(MsgId::CaptionOrdano), MsgIcon::Information, MsgButtons::Ok);
  }
}

RunHost& QuietHost() {
  static Quiet host;
  return host;
}

}  // namespace ordano
