// Renders the main window (both forms, the run pages' tabs), the basic page and the progress
// window to PNG files, for the README: window_shots <folder>.
// Run with QT_QPA_PLATFORM=offscreen and the Noto CJK fonts installed.
#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "app/window/basic_page.h"
#include "app/window/main_window.h"
#include "app/window/save_dialog.h"
#include "app/window/status_window.h"
#include "app/window/window_start.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "core/run_state.h"

int main(int argc, char** argv) {
  using namespace ordano;
  const std::unique_ptr<QApplication> app = MakeApplication(argc, argv);
  if (argc < 2) {
    std::fputs("usage: window_shots <folder>\n", stderr);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QTemporaryDir home;
  auto ctx = std::make_unique<AppContext>();
  ctx->programFolder = home.path().toStdString() + "/";
  LoadSettingsAtStartup(*ctx, std::nullopt);
  CMain window(*ctx);
  window.Initialise();
  window.show();
  QApplication::processEvents();
  bool ok = window.grab().save(out.filePath("main-normal.png"));
  ok = window.BasicPage().grab().save(out.filePath("basic-page.png")) && ok;
  // The tabs of the whole-drive, multi-folder and web pages.
  for (const auto& [tab, name] : {std::pair{2, "tab-drive.png"}, std::pair{3, "tab-multi.png"},
                                  std::pair{4, "tab-web.png"}}) {
    window.SelectTab(tab);
    QApplication::processEvents();
    ok = window.grab().save(out.filePath(QString::fromLatin1(name))) && ok;
  }
  window.SelectTab(0);
  window.SwitchForm();
  QApplication::processEvents();
  ok = window.grab().save(out.filePath("main-compact.png")) && ok;

  SaveDialogState proposal;
  proposal.folder = home.path().toStdString();
  proposal.fileName = home.filePath("catalogue.txt").toStdString();
  proposal.openAfterSave = true;
  proposal.lineWidthText = u"0";
  SaveFileDialog save(&window, proposal);
  save.resize(720, 560);
  save.show();
  QApplication::processEvents();
  ok = save.grab().save(out.filePath("save-dialog.png")) && ok;
  save.hide();

  RunState run;
  run.ExpectedCount = 1201;
  run.EntryCount = 738;
  run.Md5StatusText = u"MD5: IMG_0738.jpg";
  CStatus status(run, true, window.Scale(), nullptr);
  status.show();
  status.Tick();
  QApplication::processEvents();
  ok = status.grab().save(out.filePath("progress.png")) && ok;
  return ok ? 0 : 1;
}
