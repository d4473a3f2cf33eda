// The library search window over a large library, offscreen:
//   ordano_library_window_bench LIBRARY FILES QUERY...
// fills LIBRARY with FILES generated rows through the store when it does not
// exist yet, then for each QUERY types it into the search window and prints
// the time to the first page, to the count, to the first page sorted by size
// (biggest first) and to the page after it, with the longest time the
// window's event loop went without turning (its responsiveness); then the
// first QUERY typed while the last one runs.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/window/library_hit_model.h"
#include "app/window/library_search_window.h"
#include "compare/catalogue_read.h"
#include "library/library_store.h"
#include "library/volume_identity.h"

namespace {

using namespace ordano;

// The names of bench/make_tree.py: every tenth a Japanese word and a number.
void Fill(const std::string& path, int files) {
  static const char* const kWords[] = {
      "写真", "旅行",   "会議",   "資料", "報告", "夏休み", "家族", "音楽",   "動画", "請求書",
      "見積", "議事録", "カメラ", "東京", "大阪", "結婚式", "卒業", "運動会", "設計", "契約"};
  Catalogue catalogue;
  const int folders = std::max(1, files / 100);
  for (int i = 0; i < folders; ++i) {
    catalogue.folders.push_back("/bench-disk/d" + std::to_string(i % 100) + "/sub" +
                                std::to_string(i));
  }
  char name[64];
  for (int i = 0; i < files; ++i) {
    CatalogueRow& row = catalogue.rows.emplace_back();
    row.folder = static_cast<std::uint32_t>(i % folders);
    if (i % 10 == 0) {
      std::snprintf(name, sizeof name, "%s_%06d.dat", kWords[(i / 10) % 20], i);
    } else {
      std::snprintf(name, sizeof name, "file_%06d.dat", i);
    }
    row.name = name;
    row.size = static_cast<std::uint64_t>(i) * 2654435761u % 100000007u;
    row.hasSize = true;
    row.modified.known = true;
    row.modified.offsetMinutes = 0;
    row.modified.wall = 1500000000 + i;
  }
  VolumeIdentity disk;
  disk.key = "uuid:BENCH";
  disk.uuid = "BENCH";
  disk.label = "BENCH";
  disk.mountPoint = "/bench-disk";
  Library::Open(path, true)->StoreTree(disk, disk.mountPoint, catalogue, "bench", 1767225600);
}

// Runs the event loop until `done`; the longest gap between two turns of a
// 1 ms timer lands in `stall` (ms).
template <typename Done>
double Until(Done done, double& stall) {
  QElapsedTimer clock, turn;
  clock.start();
  turn.start();
  QTimer tick;
  tick.setInterval(1);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    stall = std::max(stall, turn.nsecsElapsed() / 1e6);
    turn.restart();
  });
  tick.start();
  while (!done()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  return clock.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 4) {
    std::fputs("usage: ordano_library_window_bench LIBRARY FILES QUERY...\n", stderr);
    return 2;
  }
  const std::string path = argv[1];
  if (!std::filesystem::exists(path)) {
    const auto start = std::chrono::steady_clock::now();
    Fill(path, std::stoi(argv[2]));
    std::printf("filled %s rows: %.1f s\n", argv[2],
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  for (int i = 3; i < argc; ++i) {
    LibrarySearchWindow window(QString::fromStdString(path));
    window.show();
    LibraryHitModel& model = *window.Model();
    auto* view = window.findChild<QTableView*>("hitView");
    double stall = 0;
    window.findChild<QLineEdit*>("query")->setText(QString::fromUtf8(argv[i]));
    QElapsedTimer clock;
    clock.start();
    window.Search();
    Until([&] { return model.rowCount() > 0 || !model.Busy(); }, stall);
    const double first = clock.nsecsElapsed() / 1e6;
    Until([&] { return !model.Busy(); }, stall);
    const double counted = clock.nsecsElapsed() / 1e6;
    clock.restart();
    view->sortByColumn(LibraryHitModel::kSize, Qt::DescendingOrder);
    Until([&] { return model.rowCount() > 0 || !model.Busy(); }, stall);
    const double sorted = clock.nsecsElapsed() / 1e6;
    Until([&] { return !model.Busy(); }, stall);
    const int rows = model.rowCount();
    clock.restart();
    model.fetchMore({});
    Until([&] { return !model.Busy(); }, stall);
    const double next = clock.nsecsElapsed() / 1e6;
    std::printf(
        "%s: %lld hits; first page %.0f ms, count %.0f ms; by size: first page %.0f ms, next "
        "page %.0f ms (%d -> %d rows); longest stall of the window %.1f ms\n",
        argv[i], static_cast<long long>(model.TotalHits()), first, counted, sorted, next, rows,
        model.rowCount(), stall);
  }
  // The last query typed while the first one runs: how soon its hits are counted.
  if (argc > 4) {
    LibrarySearchWindow window(QString::fromStdString(path));
    window.show();
    auto* query = window.findChild<QLineEdit*>("query");
    double stall = 0;
    query->setText(QString::fromUtf8(argv[argc - 1]));
    window.Search();
    QElapsedTimer clock;
    clock.start();
    Until([&] { return clock.elapsed() > 500; }, stall);
    query->setText(QString::fromUtf8(argv[3]));
    clock.restart();
    window.Search();
    Until([&] { return !window.Model()->Busy(); }, stall);
    std::printf("%s typed 0.5 s into %s: counted %.0f ms later (%lld hits)\n", argv[3],
                argv[argc - 1], clock.nsecsElapsed() / 1e6,
                static_cast<long long>(window.Model()->TotalHits()));
  }
  return 0;
}
