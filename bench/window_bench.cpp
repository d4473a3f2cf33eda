// The window's two figures:
//   ordano_window_bench --startup           start the window, close it once shown
//   ordano_window_bench --drop TREE OUT     start the window, drop TREE on it, save
//                                           the catalogue as OUT through the save
//                                           dialog, close; prints the drop-to-file time
// Run with QT_QPA_PLATFORM=offscreen and ORDANO_HOME set.
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/window/main_window.h"
#include "app/window/save_dialog.h"
#include "app/window/window_start.h"

int main(int argc, char** argv) {
  using namespace ordano;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--startup") {
    return RunWindow(argc, argv, [](CMain& window) { window.close(); });
  }
  if (mode != "--drop" || argc < 4) {
    std::fputs("usage: ordano_window_bench --startup | --drop TREE OUT\n", stderr);
    return 2;
  }
  const std::vector<std::string> drop = {argv[2]};
  const QString out = QString::fromLocal8Bit(argv[3]);
  const auto start = std::chrono::steady_clock::now();
  auto since = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  return RunWindow(argc, argv, [&](CMain& window) {
    window.Host().launchOpen = false;
    window.Host().modalScript = [&](QDialog& d) {
      if (auto* save = qobject_cast<SaveFileDialog*>(&d)) {
        std::printf("scan done, save dialog: %.3f s\n", since());
        save->selectFile(out);
        static_cast<QDialog&>(*save).done(QDialog::Accepted);
      } else if (auto* box = qobject_cast<QMessageBox*>(&d)) {
        QAbstractButton* yes = box->button(QMessageBox::Yes);
        (yes != nullptr ? yes : box->buttons().front())->click();
      }
    };
    QObject::connect(&window, &CMain::runFinished, &window, [&window, &since] {
      std::printf("drop to file: %.3f s\n", since());
      window.close();
    });
    std::printf("window shown: %.3f s\n", since());
    window.StartDropRun(drop);
  });
}
