#include "app/window/update_offer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <memory>
#include <string>
#include <vector>

#include "app/window/main_window.h"
#include "app/window/qt_host.h"
#include "update/update_flow.h"

namespace ordano {
namespace {

// The installer waits this long for the window to close (the exit may ask
// where to save the settings) before it stops the old process.
constexpr int kWindowCloseTenths = 600;

}  // namespace

bool OfferUpdateAtStart(AppContext& ctx, int argc, char** argv) {
  UpdateSetup setup = CurrentUpdateSetup(std::vector<std::string>(argv + 1, argv + argc));
  // Nothing to ask about without a server; no request either.
  if (setup.source.status != EndpointStatus::Ok) return false;
  // The check and the download work on the host's worker; the progress
  // window and the question are served here meanwhile.
  QtHost host(ctx);
  bool handedOver = false;
  QEventLoop loop;
  host.Worker().Start([&] { handedOver = StartupUpdateCheck(host, setup); }, [&] { loop.quit(); });
  loop.exec();
  return handedOver;
}

void CheckForUpdateFromWindow(MainWindow& window) {
  if (window.Busy()) return;
  std::vector<std::string> arguments;
  const QStringList all = QCoreApplication::arguments();
  for (qsizetype i = 1; i < all.size(); ++i)
    arguments.push_back(QFile::encodeName(all[i]).toStdString());
  UpdateSetup setup = CurrentUpdateSetup(std::move(arguments));
  setup.waitTenths = kWindowCloseTenths;
  QtHost& host = window.Host();
  if (setup.source.status != EndpointStatus::Ok) {
    // No server to ask: the message alone.
    CheckForUpdate(host, setup);
    return;
  }
  // The server's answer and the download come on the worker; the window
  // keeps drawing, and its progress window's 中止 or a close stops the
  // transfer. A close asked for meanwhile follows the worker's end.
  QApplication::setOverrideCursor(Qt::BusyCursor);
  auto handedOver = std::make_shared<bool>(false);
  host.Worker().Start([&host, setup, handedOver] { *handedOver = CheckForUpdate(host, setup); },
                      [&window, handedOver] {
                        QApplication::restoreOverrideCursor();
                        if (*handedOver) window.close();
                      });
}

}  // namespace ordano
