// ordano_md5file FILE...: "digest  name" per file, as md5sum prints it, computed
// by the catalogue's own digest routine so its speed can be timed against md5sum.
#include <cstdio>
#include <string>

#include "platform/unicode.h"
#include "scan/app_context.h"
#include "scan/digest_file.h"
#include "scan/run_host.h"

namespace {

// No window to serve: every question gets the safe answer.
class BenchHost : public ordano::RunHost {
 public:
  void Pump(ordano::RunState&, int) override {}
  ordano::MsgAnswer MessageBox(std::u16string_view, std::u16string_view, ordano::MsgIcon,
                               ordano::MsgButtons) override {
    return ordano::MsgAnswer::Cancel;
  }
  std::optional<ordano::SaveDialogState> SaveDialog(const ordano::SaveDialogState&) override {
    return std::nullopt;
  }
  bool SetClipboardText(std::u16string_view) override { return false; }
  void OpenWithDefaultProgram(const std::string&, const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
    return 2;
  }
  BenchHost host;
  auto ctx = std::make_unique<ordano::AppContext>();
  ctx->host = &host;
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const std::u16string digest = ordano::DigestFile(*ctx, argv[i]);
    if (digest.empty()) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
      status = 1;
      continue;
    }
    std::printf("%s  %s\n", ordano::Utf16ToUtf8(digest).c_str(), argv[i]);
  }
  return status;
}
