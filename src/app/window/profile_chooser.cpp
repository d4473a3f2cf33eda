#include "app/window/profile_chooser.h"

#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "app/window/profile_dialog.h"
#include "app/window/qt_host.h"
#include "app/window/window_start.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "platform/unicode.h"
#include "settings/settings_profiles.h"

namespace ordano {
namespace {

bool RealDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') return true;
  }
  return false;
}

}  // namespace

ChooserResult ChooseProfileOnTerminal(AppContext& ctx, std::FILE* in, std::FILE* out) {
  const auto rows = ListProfiles(ctx.programFolder, ctx.startup.ProfileCount);
  std::fputs("プロファイルを選んでください:\n", out);
  for (const ProfileRow& row : rows) {
    std::fprintf(out, "%4d  %s  %s\n", row.number, Utf16ToUtf8(row.name).c_str(),
                 Utf16ToUtf8(row.savedAt).c_str());
  }
  for (;;) {
    std::fputs("番号 (空行で中止): ", out);
    std::fflush(out);
    std::string line;
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
      if (line.size() < 64) line.push_back(static_cast<char>(c));
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty()) {
      std::fputc('\n', out);
      return ChooserResult::NotChosen;
    }
    char* end = nullptr;
    const long n = std::strtol(line.c_str(), &end, 10);
    if (end != nullptr && *end == '\0') {
      for (const ProfileRow& row : rows) {
        if (row.number != n) continue;
        SwitchCurrentProfile(ctx, row.number);
        return ChooserResult::Chosen;
      }
    }
    std::fprintf(out, "%s: その番号のプロファイルはありません。\n", line.c_str());
    if (c == EOF) return ChooserResult::NotChosen;
  }
}

ChooserResult ChooseProfileAtStart(AppContext& ctx, int& argc, char** argv) {
  if (RealDisplay()) {
    const auto app = MakeApplication(argc, argv);
    QtHost host(ctx);
    ProfileDialog dialog(ctx, host, true, nullptr);
    dialog.exec();
    return dialog.result() == QDialog::Accepted ? ChooserResult::Chosen : ChooserResult::NotChosen;
  }
  if (isatty(STDIN_FILENO)) return ChooseProfileOnTerminal(ctx, stdin, stderr);
  return ChooserResult::Unavailable;
}

}  // namespace ordano
