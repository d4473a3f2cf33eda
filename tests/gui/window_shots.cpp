// Renders the main window (both forms, the run pages' tabs), the pages, the
// progress window, the profile dialog and the title splash to PNG files, for
// the README: window_shots <folder>.
// Run with QT_QPA_PLATFORM=offscreen and the Noto CJK fonts installed.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QStyleFactory>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <memory>

#include "app/window/advanced_page.h"
#include "app/window/basic_page.h"
#include "app/window/compare_report.h"
#include "app/window/html_page.h"
#include "app/window/info_page.h"
#include "app/window/library_hit_model.h"
#include "app/window/library_search_window.h"
#include "app/window/library_volumes_window.h"
#include "app/window/main_window.h"
#include "app/window/profile_dialog.h"
#include "app/window/save_dialog.h"
#include "app/window/status_window.h"
#include "app/window/title_splash.h"
#include "app/window/window_start.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "core/run_state.h"
#include "library/library_store.h"
#include "library/volume_identity.h"
#include "settings/settings_profiles.h"

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
  MainWindow window(*ctx);
  window.Initialise();
  window.show();
  QApplication::processEvents();
  bool ok = window.grab().save(out.filePath("main-normal.png"));
  ok = window.Basic().grab().save(out.filePath("basic-page.png")) && ok;
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
  ProgressWindow status(
      ProgressSource{[&run] { return ProgressTextsOf(run, true); }, [] { return false; }, [] {}},
      window.Scale(), nullptr);
  status.show();
  status.Tick();
  QApplication::processEvents();
  ok = status.grab().save(out.filePath("progress.png")) && ok;
  status.hide();

  // The settings pages and the information page, in the normal form.
  window.SwitchForm();
  window.SelectTab(1);
  QApplication::processEvents();
  ok = window.Advanced().grab().save(out.filePath("advanced-page.png")) && ok;
  window.SelectTab(2);
  QApplication::processEvents();
  ok = window.HtmlTags().grab().save(out.filePath("html-tag-page.png")) && ok;
  // The link as an installed program shows it (not this build's folder).
  window.Info().SetLink(QStringLiteral("file:///usr/share/doc/ordano/ordano.html"));
  window.SelectTab(MainWindow::kInfoTab);
  QApplication::processEvents();
  ok = window.Info().grab().save(out.filePath("info-page.png")) && ok;

  // The profile dialog with two more profiles, one renamed.
  {
    ProfileDialog profiles(*ctx, window.Host(), false, &window);
    profiles.Create();
    profiles.Create();
    RenameProfile(ctx->programFolder, 2, u"写真整理");
    profiles.Fill();
    profiles.show();
    QApplication::processEvents();
    ok = profiles.grab().save(out.filePath("profile-dialog.png")) && ok;
  }

  // The splash picture in its shape (outside it transparent).
  TitleSplash title(QString::fromStdString(ctx->programFolder));
  QImage splash = title.Picture().convertToFormat(QImage::Format_ARGB32);
  const QRegion shape = ShapeOf(splash);
  for (int y = 0; y < splash.height(); ++y) {
    for (int x = 0; x < splash.width(); ++x) {
      if (!shape.contains(QPoint(x, y))) splash.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
  }
  ok = splash.save(out.filePath("title-splash.png")) && ok;

  // The report of two small catalogues: one file moved, one changed, one added, one removed.
  const auto cat = [](const char* rows) {
    return ParseCatalogue(
               std::string(R"({"format":"ordano-catalogue","version":1,"md5":true,"entries":[)") +
               rows + "]}")
        .catalogue;
  };
  const CompareReport report = CompareCatalogues(
      cat(R"({"folder":"/photos","name":"a.jpg","size":1,"md5":"c4ca4238a0b923820dcc509a6f75849b"},
             {"folder":"/photos","name":"b.jpg","size":2},{"folder":"/photos","name":"c.jpg","size":3})"),
      cat(R"({"folder":"/photos/2026","name":"a.jpg","size":1,"md5":"c4ca4238a0b923820dcc509a6f75849b"},
             {"folder":"/photos","name":"b.jpg","size":5},{"folder":"/photos","name":"d.jpg","size":3})"));
  CompareReportWindow compare(report, QStringLiteral("カタログの比較"), &window);
  compare.resize(640, 320);
  compare.show();
  QApplication::processEvents();
  ok = compare.grab().save(out.filePath("compare-report.png")) && ok;

  // The library's windows over two disks: the one holding / (online) and a
  // photo disk in a drawer (offline), times as in Japan.
  {
    qputenv("TZ", "Asia/Tokyo");
    tzset();
    const std::string libraryPath = home.filePath("library.sqlite").toStdString();
    auto library = Library::Open(libraryPath, true);
    const auto tree = [&](const VolumeIdentity& volume, const std::string& root, const char* rows) {
      library->StoreTree(volume, root, cat(rows), "scan", 1767225600);
    };
    VolumeIdentity system = IdentifyVolume("/").value_or(VolumeIdentity{});
    system.label = "SYSTEM";
    system.hasCapacity = true;
    system.capacity = 512ull << 30;
    tree(
        system, "/home/hana/Pictures",
        R"({"folder":"/home/hana/Pictures/2026","name":"京都の紅葉.jpg","size":4213760,"modified":"2026-11-21T10:12:03+09:00"},
            {"folder":"/home/hana/Pictures/2026","name":"紅葉_夜景.jpg","size":3801088,"modified":"2026-11-21T19:40:55+09:00"})");
    VolumeIdentity drawer;
    drawer.key = "uuid:7C2A-19F0";
    drawer.uuid = "7C2A-19F0";
    drawer.label = "PHOTOS-2019";
    drawer.fsType = "exfat";
    drawer.mountPoint = "/media/hana/PHOTOS-2019";
    drawer.hasCapacity = true;
    drawer.capacity = 128ull << 30;
    tree(
        drawer, "/media/hana/PHOTOS-2019/photos",
        R"({"folder":"/media/hana/PHOTOS-2019/photos/2019/11","name":"嵐山の紅葉.JPG","size":5242880,"modified":"2019-11-23T14:02:11+09:00"},
            {"folder":"/media/hana/PHOTOS-2019/photos/2019/11","name":"紅葉狩り.mov","size":187695104,"modified":"2019-11-23T14:30:40+09:00"},
            {"folder":"/media/hana/PHOTOS-2019/photos/2018","name":"紅葉.png","size":912384,"modified":"2018-11-18T09:15:00+09:00"})");
    library.reset();
    const QString path = QString::fromStdString(libraryPath);
    LibrarySearchWindow search(path);
    search.findChild<QLineEdit*>("query")->setText(QStringLiteral("紅葉"));
    // The search runs on a thread of its own: its pages come as events.
    const auto settle = [&search] {
      for (int turns = 0; turns < 1000 && search.Model()->Busy(); ++turns) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
      }
    };
    search.Search();
    settle();
    search.findChild<QTableView*>("hitView")->sortByColumn(LibraryHitModel::kSize,
                                                           Qt::DescendingOrder);
    settle();
    search.resize(900, 300);
    search.show();
    QApplication::processEvents();
    ok = search.grab().save(out.filePath("library-search.png")) && ok;
    LibraryVolumesWindow volumes(path);
    volumes.show();
    volumes.Reload();
    volumes.findChild<QTableWidget*>("volumes")->selectRow(0);
    volumes.resize(900, 200);
    QApplication::processEvents();
    ok = volumes.grab().save(out.filePath("library-volumes.png")) && ok;
  }
  return ok ? 0 : 1;
}
