#include "app/window/window_start.h"

#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>
#include <cstdlib>
#include <memory>
#include <optional>

#include "app/exit_status.h"
#include "app/window/main_window.h"
#include "app/window/qt_host.h"
#include "app/window/title_splash.h"
#include "app/window/update_offer.h"
#include "app/window/window_language.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "platform/display_probe.h"
#include "platform/instance_lock.h"
#include "platform/program_folder.h"
#include "settings/settings_defaults.h"
#include "settings/settings_files.h"

namespace ordano {
namespace {

bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0';
}

}  // namespace

std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv) {
  auto app = std::make_unique<QApplication>(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ordano"));
  QApplication::setDesktopFileName(QStringLiteral("io.github.ordano.Ordano"));
  // The same look on every desktop; the toolkit colours it.
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
    QApplication::setStyle(fusion);
  }
  // English where the environment asks for another language than Japanese.
  const WindowLanguage language = ChooseWindowLanguage();
  if (language == WindowLanguage::English && InstallWindowLanguage(*app, language)) return app;
  // Qt's own texts in Japanese where the translation is installed; owned by
  // the application object.
  auto* qtTexts = Child<QTranslator>(app.get());
  if (qtTexts->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(qtTexts);
  }
  return app;
}

bool DisplayAvailable() { return Set("QT_QPA_PLATFORM") || DisplayReachable(); }

bool DesktopLaunch() {
  // A real display only: a Qt platform named in the environment (offscreen in
  // CI) has nobody to answer a question.
  return !isatty(STDIN_FILENO) && !isatty(STDOUT_FILENO) && !isatty(STDERR_FILENO) &&
         DisplayReachable();
}

void ShowMainWindow(MainWindow& window, bool withTitle, const std::function<void()>& shown) {
  auto showWindow = [&window, shown] {
    window.show();
    if (shown) shown();
  };
  if (!withTitle) {
    showWindow();
    return;
  }
  // The title at start never covers the window: beside it where the screen
  // has room, otherwise alone before the window opens.
  TitleSplash& title = window.Title();
  const QScreen* screen = window.screen();
  const std::optional<QPoint> beside =
      screen == nullptr
          ? std::nullopt
          : PlaceBeside(title.size(), window.frameGeometry(), screen->availableGeometry());
  if (beside) {
    title.PlaceAt(*beside);
    showWindow();
    title.ShowTimed();
    return;
  }
  QObject::connect(&title, &TitleSplash::closed, &window, showWindow, Qt::SingleShotConnection);
  title.ShowTimed();
}

int RunWindow(int& argc, char** argv, const std::function<void(MainWindow&)>& shown) {
  std::unique_ptr<QApplication> app = MakeApplication(argc, argv);
  auto ctx = std::make_unique<AppContext>();
  ctx->programFolder = ProgramFolder();
  InstanceLock lock;
  if (lock.TryAcquire(ctx->programFolder) == InstanceLock::Result::HeldByOther) {
    QMessageBox::critical(
        nullptr, QCoreApplication::translate("WindowStart", "システム情報"),
        QCoreApplication::translate("WindowStart", "すでにおるだの♪が起動してます。"));
    return kExitAlreadyRunning;
  }
  LoadSettingsAtStartup(*ctx, std::nullopt);
  // Ctrl held at start: the window opens at its default place.
  if (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) {
    ctx->startup.WindowLeft = kNoWindowPlacement;
  }
  // A newer build taken at start-up: the installer waits for this process.
  if (OfferUpdateAtStart(*ctx, argc, argv)) return kExitOk;
  {
    MainWindow window(*ctx);
    window.Initialise();
    TakeSnapshot(*ctx);
    ShowMainWindow(window, ctx->settings.NoTitleAtStart == 0, [&] {
      if (shown) QTimer::singleShot(0, &window, [&] { shown(window); });
    });
    QApplication::exec();
  }
  WriteStartupRecord(ctx->programFolder, ctx->startup);
  return kExitOk;
}

int WithDesktopHost(AppContext& ctx, int& argc, char** argv,
                    const std::function<int(RunHost&)>& body) {
  std::unique_ptr<QApplication> app = MakeApplication(argc, argv);
  // Its windows come and go while the run works; none of them ends it.
  QApplication::setQuitOnLastWindowClosed(false);
  QtHost host(ctx);
  int status = 0;
  QEventLoop loop;
  // The run works on the host's worker thread; this thread serves its windows.
  host.Worker().Start([&] { status = body(host); }, [&loop] { loop.quit(); });
  loop.exec();
  return status;
}

}  // namespace ordano
