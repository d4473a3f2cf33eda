// The library's windows on the offscreen platform, over a library the binary
// (or the store itself) filled: searching, sorting, fetching a page at a time,
// a new query replacing one still running, opening a hit's folder or naming
// its volume, forgetting a volume, and the menu of the main window.
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <optional>

#include "app/window/library_hit_model.h"
#include "app/window/library_search_window.h"
#include "app/window/library_volumes_window.h"
#include "compare/catalogue_read.h"
#include "gui_session.h"
#include "library/library_store.h"
#include "library/sqlite_handle.h"
#include "library/volume_identity.h"
#include "run_binary.h"

namespace ordano {

// Takes the URLs the windows hand to the desktop instead of launching them.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void Open(const QUrl& url) { urls << url; }
};

class LibraryWindowTest : public QObject {
  Q_OBJECT

 private:
  // Answers the next message box (within a few seconds) with `button`; its
  // text lands in `texts`.
  static void AnswerNextBox(QMessageBox::StandardButton button, QStringList* texts,
                            int triesLeft = 500) {
    QTimer::singleShot(10, [button, texts, triesLeft] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        if (triesLeft > 0) AnswerNextBox(button, texts, triesLeft - 1);
        return;
      }
      *texts << box->text();
      box->button(button)->click();
    });
  }

  static void Write(const QString& path, qsizetype size) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
  }

  static QString Cell(const QAbstractItemModel& m, int row, int column) {
    return m.data(m.index(row, column)).toString();
  }

 private slots:
  // A tree added from this disk (online) and a catalogue of a disk that is
  // not here (offline), searched with a page of two rows.
  void SearchesSortsFetchesOpensAndForgets() {
    QTemporaryDir work;
    const QString library = work.filePath("lib/library.sqlite");
    for (int i = 0; i < 4; ++i) Write(work.filePath("a/photo_%1.jpg").arg(i), 10 * (i + 1));
    Write(work.filePath("a/notes.txt"), 1);
    QFile json(work.filePath("b.json"));
    QVERIFY(json.open(QIODevice::WriteOnly));
    json.write(R"({"format":"ordano-catalogue","version":1,"md5":false,"entries":[
      {"folder":"/ordano-drawer-disk/photos","name":"photo_big.jpg","size":50000},
      {"folder":"/ordano-drawer-disk/photos","name":"Photo_old.jpg","size":5}]})");
    json.close();
    testing::RunOptions opts;
    opts.env = {{"ORDANO_HOME", work.path().toStdString()}, {"TZ", "UTC"}};
    for (const QString& arg : {QStringLiteral("--add"), QStringLiteral("--import")}) {
      const QString what = arg == "--add" ? work.filePath("a") : json.fileName();
      const auto r = testing::RunOrdanou(
          {"--library", library.toStdString(), arg.toStdString(), what.toStdString()}, opts);
      QVERIFY2(r.exitCode == 0, r.err.c_str());
    }

    LibrarySearchWindow search(library, nullptr, 2);
    search.show();
    LibraryHitModel& model = *search.Model();
    search.findChild<QLineEdit*>("query")->setText(QStringLiteral("ＰＨＯＴＯ"));
    QTest::keyClick(search.findChild<QLineEdit*>("query"), Qt::Key_Return);
    QTRY_COMPARE(model.TotalHits(), 6);
    // Pages of two: the view asks for more while it has room.
    QTRY_COMPARE(model.rowCount(), 6);
    QVERIFY(search.findChild<QLabel*>("status")->text().contains("6"));

    // Sorted by size, biggest first: the offline disk's file, then this disk's.
    auto* view = search.findChild<QTableView*>("hitView");
    view->sortByColumn(LibraryHitModel::kSize, Qt::DescendingOrder);
    QTRY_VERIFY(!model.Busy() && model.rowCount() >= 2);
    QCOMPARE(Cell(model, 0, LibraryHitModel::kName), QStringLiteral("photo_big.jpg"));
    QCOMPARE(Cell(model, 0, LibraryHitModel::kState), QStringLiteral("オフライン"));
    QCOMPARE(Cell(model, 0, LibraryHitModel::kVolume),
             QStringLiteral("path:/ordano-drawer-disk/photos"));
    QCOMPARE(Cell(model, 1, LibraryHitModel::kName), QStringLiteral("photo_3.jpg"));
    QCOMPARE(Cell(model, 1, LibraryHitModel::kState), QStringLiteral("オンライン"));
    QCOMPARE(Cell(model, 1, LibraryHitModel::kFolder), work.filePath("a"));
    QCOMPARE(Cell(model, 1, LibraryHitModel::kSize), QStringLiteral("40"));
    view->sortByColumn(LibraryHitModel::kSize, Qt::AscendingOrder);
    QTRY_VERIFY(!model.Busy() && model.rowCount() == 6);
    QCOMPARE(Cell(model, 0, LibraryHitModel::kName), QStringLiteral("Photo_old.jpg"));
    QCOMPARE(Cell(model, 5, LibraryHitModel::kName), QStringLiteral("photo_big.jpg"));
    // By state: the disk that is here first.
    view->sortByColumn(LibraryHitModel::kState, Qt::AscendingOrder);
    QTRY_VERIFY(!model.Busy() && model.rowCount() == 6);
    QCOMPARE(Cell(model, 3, LibraryHitModel::kState), QStringLiteral("オンライン"));
    QCOMPARE(Cell(model, 4, LibraryHitModel::kState), QStringLiteral("オフライン"));
    view->sortByColumn(LibraryHitModel::kSize, Qt::AscendingOrder);
    QTRY_VERIFY(!model.Busy() && model.rowCount() == 6);

    // Enter on an online hit opens its folder; on an offline one the volume
    // to plug in is named.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    view->setFocus();
    view->setCurrentIndex(model.index(1, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(work.filePath("a"))});
    QStringList texts;
    AnswerNextBox(QMessageBox::Ok, &texts);
    view->setCurrentIndex(model.index(5, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts[0].contains("path:/ordano-drawer-disk/photos") && texts[0].contains("接続"),
             qPrintable(texts[0]));
    // A folder gone since it was added is said to be missing, not opened.
    QVERIFY(QDir(work.filePath("a")).removeRecursively());
    AnswerNextBox(QMessageBox::Ok, &texts);
    view->setCurrentIndex(model.index(1, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts[1].startsWith(work.filePath("a") + "\n"), qPrintable(texts[1]));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    // Forget the offline disk: asked first; No keeps it, Yes removes its rows.
    LibraryVolumesWindow volumes(library);
    volumes.show();
    volumes.Reload();
    auto* table = volumes.findChild<QTableWidget*>("volumes");
    QCOMPARE(table->rowCount(), 2);
    int offline = -1;
    for (int row = 0; row < 2; ++row) {
      if (table->item(row, LibraryVolumesWindow::kState)->text() == QStringLiteral("オフライン")) {
        offline = row;
      }
    }
    QVERIFY(offline >= 0);
    QCOMPARE(table->item(offline, LibraryVolumesWindow::kFiles)->text(), QStringLiteral("2"));
    table->selectRow(offline);
    auto* forget = volumes.findChild<QPushButton*>("forget");
    QVERIFY(forget->isEnabled());
    AnswerNextBox(QMessageBox::No, &texts);
    forget->click();
    QCOMPARE(texts.size(), 3);
    QVERIFY2(texts[2].contains("2 個のファイル"), qPrintable(texts[2]));
    QCOMPARE(table->rowCount(), 2);
    AnswerNextBox(QMessageBox::Yes, &texts);
    forget->click();
    QCOMPARE(texts.size(), 4);
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, LibraryVolumesWindow::kState)->text(), QStringLiteral("オンライン"));
    search.Search();
    QTRY_COMPARE(model.TotalHits(), 4);

    // A file that is not a library: named in a warning, the window stays up.
    const QString junk = work.filePath("junk.sqlite");
    QFile bad(junk);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4096, 'j'));
    bad.close();
    LibrarySearchWindow damaged(junk);
    damaged.show();
    damaged.findChild<QLineEdit*>("query")->setText(QStringLiteral("photo"));
    AnswerNextBox(QMessageBox::Ok, &texts);
    damaged.Search();
    QTRY_COMPARE(texts.size(), 5);
    QVERIFY2(texts[4].startsWith(junk), qPrintable(texts[4]));
    QVERIFY(damaged.isVisible());
    QVERIFY(!damaged.Model()->Busy());
    QCOMPARE(damaged.Model()->rowCount(), 0);
  }

  // Three thousand files stored through the store itself, on a disk that is
  // not here. A search shows its first page alone and reads the next after
  // the last row shown; a sort by size is SQL's order page after page; a
  // query typed while another waits for the library replaces it, and the
  // hits of the first never show.
  void PagesSortsAndReplacesOverThousandsOfHits() {
    QTemporaryDir work;
    const std::string path = work.filePath("library.sqlite").toStdString();
    constexpr int kFiles = 3000, kFolders = 30, kPage = LibraryHitModel::kDefaultPageSize;
    {
      Catalogue catalogue;
      for (int d = 0; d < kFolders; ++d) {
        catalogue.folders.push_back("/ordano-drawer-disk/d" + std::to_string(d));
      }
      for (int i = 0; i < kFiles; ++i) {
        CatalogueRow& row = catalogue.rows.emplace_back();
        row.folder = static_cast<std::uint32_t>(i % kFolders);
        row.name = "file_" + std::to_string(i) + ".dat";
        row.size = static_cast<std::uint64_t>(i) * 7919 % 3001 + 1;  // 3001 is prime: no ties
        row.hasSize = true;
      }
      VolumeIdentity disk;
      disk.key = "uuid:0D0E-0F10";
      disk.uuid = "0D0E-0F10";
      disk.label = "DRAWER";
      disk.mountPoint = "/ordano-drawer-disk";
      Library::Open(path, true)->StoreTree(disk, disk.mountPoint, catalogue, "scan", 1767225600);
    }
    const auto truth = [&](const char* sql) {
      Database db(path, false);
      Statement s(db, sql);
      QStringList column;
      while (s.Step()) column << QString::fromStdString(std::string(s.Bytes(0)));
      return column;
    };
    const auto names = [](const LibraryHitModel& m) {
      QStringList column;
      for (int row = 0; row < m.rowCount(); ++row) column << Cell(m, row, LibraryHitModel::kName);
      return column;
    };

    const QString library = QString::fromStdString(path);
    auto search = std::make_unique<LibrarySearchWindow>(library);
    search->show();
    LibraryHitModel& model = *search->Model();
    auto* query = search->findChild<QLineEdit*>("query");
    auto* status = search->findChild<QLabel*>("status");
    auto* view = search->findChild<QTableView*>("hitView");
    QTest::keyClicks(query, QStringLiteral("FILE"));
    QTest::keyClick(query, Qt::Key_Return);
    QCOMPARE(status->text(), QStringLiteral("検索中…"));
    QTRY_VERIFY(!model.Busy());
    QCOMPARE(model.TotalHits(), kFiles);
    QVERIFY2(status->text().contains("3000"), qPrintable(status->text()));
    QCOMPARE(model.rowCount(), kPage);
    // By name as the window starts; scrolling to the end reads the next page,
    // and every page starts where the one before ended.
    view->scrollToBottom();
    QTRY_COMPARE(model.rowCount(), 2 * kPage);
    for (int pages = 2; pages < kFiles / kPage && model.canFetchMore({}); ++pages) {
      const int had = model.rowCount();
      model.fetchMore({});
      QTRY_VERIFY(model.rowCount() > had || !model.canFetchMore({}));
    }
    QCOMPARE(names(model), truth("SELECT name FROM file ORDER BY name"));

    view->sortByColumn(LibraryHitModel::kSize, Qt::DescendingOrder);
    QTRY_VERIFY(!model.Busy());
    QCOMPARE(model.rowCount(), kPage);
    model.fetchMore({});
    QTRY_COMPARE(model.rowCount(), 2 * kPage);
    QCOMPARE(names(model), truth("SELECT name FROM file ORDER BY size DESC LIMIT 1000"));
    QCOMPARE(Cell(model, 0, LibraryHitModel::kSize), QLocale().toString(3001));
    QCOMPARE(Cell(model, 0, LibraryHitModel::kState), QStringLiteral("オフライン"));

    // A connection in exclusive mode keeps every other one out of the library
    // until it closes: the next window's first search waits for it.
    search.reset();
    std::optional<Database> lock(std::in_place, path, false);
    lock->Exec("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; SELECT COUNT(*) FROM file");
    LibrarySearchWindow second(library);
    second.show();
    LibraryHitModel& replaced = *second.Model();
    QStringList firstPages;
    connect(&replaced, &LibraryHitModel::firstPage,
            [&] { firstPages << Cell(replaced, 0, LibraryHitModel::kName); });
    query = second.findChild<QLineEdit*>("query");
    QTest::keyClicks(query, QStringLiteral("file_1"));
    QTest::keyClick(query, Qt::Key_Return);
    // The window answers while the search waits.
    QTest::qWait(100);
    QVERIFY(replaced.Busy());
    QCOMPARE(second.findChild<QLabel*>("status")->text(), QStringLiteral("検索中…"));
    query->clear();
    QTest::keyClicks(query, QStringLiteral("file_2"));
    QTest::keyClick(query, Qt::Key_Return);
    lock.reset();
    QTRY_VERIFY(!replaced.Busy());
    const QStringList hits =
        truth("SELECT name FROM file WHERE instr(name, 'file_2') ORDER BY name");
    QCOMPARE(replaced.TotalHits(), hits.size());
    QCOMPARE(names(replaced), hits.mid(0, kPage));
    QCOMPARE(firstPages, QStringList{hits.front()});
  }

  // Ctrl+F in the main window opens the search; without a library it says
  // so and makes none.
  void MenuOpensSearchWithoutMakingALibrary() {
    QTemporaryDir dir;
    const QString library = dir.filePath("none/library.sqlite");
    qputenv("ORDANO_LIBRARY", library.toUtf8());
    testing::GuiSession s;
    auto* action = s.window->findChild<QAction*>("cmdLibrarySearch");
    QVERIFY(action != nullptr);
    QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    action->trigger();
    auto* search = s.window->findChild<LibrarySearchWindow*>("librarySearch");
    QVERIFY(search != nullptr && search->isVisible());
    search->findChild<QLineEdit*>("query")->setText(QStringLiteral("x"));
    search->Search();
    QTRY_VERIFY(search->findChild<QLabel*>("status")->text().contains(library));
    s.window->findChild<QAction*>("cmdLibraryVolumes")->trigger();
    auto* volumes = s.window->findChild<LibraryVolumesWindow*>("libraryVolumes");
    QVERIFY(volumes != nullptr && volumes->isVisible());
    QCOMPARE(volumes->findChild<QTableWidget*>("volumes")->rowCount(), 0);
    QVERIFY(!QFileInfo::exists(dir.filePath("none")));
    qunsetenv("ORDANO_LIBRARY");
  }
};

}  // namespace ordano

QTEST_MAIN(ordano::LibraryWindowTest)
#include "library_window_test.moc"
