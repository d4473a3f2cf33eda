// The window's two figures:
//   ordano_window_bench --startup           start the window, close it once shown
//   ordano_window_bench --drop TREE OUT     start the window, drop TREE on it, save
//                                           the catalogue as OUT through the save
//                                           dialog, close; prints the drop-to-file time
// Run with QT_QPA_PLATFORM=offscreen and ORDANO_HOME set.
#include <time.h>

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/window/main_window.h"
#include "app/window/save_dialog.h"
#include "app/window/window_start.h"

namespace {

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ordano;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--startup") {
    return RunWindow(argc, argv, [](MainWindow& window) { window.close(); });
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
  return RunWindow(argc, argv, [&](MainWindow& window) {
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
    // The interface thread's longest pause during the run: a timer that
    // should tick every 10 ms. Beside it, the interface thread's own CPU
    // time in its busiest pause: on a loaded machine a pause is mostly the
    // thread waiting for a core, which the CPU time leaves out. Pauses over
    // 50 ms are listed with when they began, to tell the run's phases apart.
    auto* tick = new QTimer(&window);
    auto last = std::make_shared<double>(since());
    auto lastCpu = std::make_shared<double>(ThreadCpuSeconds());
    auto longest = std::make_shared<double>(0);
    auto busiest = std::make_shared<double>(0);
    QObject::connect(tick, &QTimer::timeout, &window, [=, &since] {
      const double gap = since() - *last;
      const double cpu = ThreadCpuSeconds() - *lastCpu;
      if (gap > 0.05) {
        std::printf("  gap %.0f ms (%.0f ms CPU) from %.3f s\n", gap * 1000, cpu * 1000, *last);
      }
      *longest = std::max(*longest, gap);
      *busiest = std::max(*busiest, cpu);
      *last = since();
      *lastCpu = ThreadCpuSeconds();
    });
    QObject::connect(&window, &MainWindow::runFinished, &window, [=, &window, &since] {
      std::printf("drop to file: %.3f s\n", since());
      std::printf("longest interface-thread gap: %.0f ms (most CPU in one gap: %.0f ms)\n",
                  std::max(*longest, since() - *last) * 1000, *busiest * 1000);
      window.close();
    });
    std::printf("window shown: %.3f s\n", since());
    *last = since();
    tick->start(10);
    window.StartDropRun(drop);
  });
}
