#include "app/window/update_offer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
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
  QtHost host(ctx);
  return StartupUpdateCheck(host, setup);
}

void CheckForUpdateFromWindow(MainWindow& window) {
  if (window.Busy()) return;
  std::vector<std::string> arguments;
  const QStringList all = QCoreApplication::arguments();
  for (qsizetype i = 1; i < all.size(); ++i)
    arguments.push_back(QFile::encodeName(all[i]).toStdString());
  UpdateSetup setup = CurrentUpdateSetup(std::move(arguments));
  setup.waitTenths = kWindowCloseTenths;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool handedOver = CheckForUpdate(window.Host(), setup);
  QApplication::restoreOverrideCursor();
  // A close asked for during the download stopped it; it happens now.
  if (handedOver || window.CloseRequested()) window.close();
}

}  // namespace ordano
