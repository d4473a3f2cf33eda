#include "core/run_host.h"

namespace ordano {
namespace {

class Quiet final : public RunHost {
 public:
  void Pump(RunState&, int) override {}
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

RunHost& QuietHost() {
  static Quiet host;
  return host;
}

}  // namespace ordano
