// The host of the benchmark tools: no window, nothing to ask, every question
// gets the safe answer and messages are counted (and shown on stderr if asked).
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "core/run_host.h"
#include "platform/unicode.h"

namespace ordano {

class BenchHost : public RunHost {
 public:
  explicit BenchHost(bool showMessages = false) : showMessages_(showMessages) {}
  void Pump(RunState&) override {}
  MsgAnswer MessageBox(std::u16string_view text, std::u16string_view, MsgIcon,
                       MsgButtons) override {
    ++messages;
    if (showMessages_) std::fprintf(stderr, "%s\n", Utf16ToUtf8(text).c_str());
    return MsgAnswer::No;
  }
  std::optional<SaveDialogState> SaveDialog(const SaveDialogState&) override { return {}; }
  bool SetClipboardText(std::u16string_view) override { return false; }
  void OpenWithDefaultProgram(const std::string&, const std::string&) override {}
  int messages = 0;

 private:
  bool showMessages_;
};

}  // namespace ordano
