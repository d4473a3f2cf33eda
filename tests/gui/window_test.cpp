// The window end to end through its real widgets, on the offscreen platform:
// drops, the progress window, the save dialog and its panel, the exit.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string_view>

#include "../crawl_server/crawl_server.h"
#include "app/window/advanced_page.h"
#include "app/window/basic_page.h"
#include "app/window/compare_report.h"
#include "app/window/html_page.h"
#include "app/window/info_page.h"
#include "app/window/main_window.h"
#include "app/window/pages.h"
#include "app/window/profile_name_dialog.h"
#include "app/window/save_dialog.h"
#include "app/window/status_window.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "core/run_state.h"
#include "gui_session.h"
#include "settings/settings_files.h"
#include "settings/settings_normalise.h"
#include "test_host.h"
#include "toolkit/toolkit_colours.h"
#include "update/update_config.h"
#include "update/update_flow.h"

namespace ordano {

class WindowTest : public QObject {
  Q_OBJECT

 private:
  // A fresh program folder, its settings loaded as at start-up, and the
  // main window built on them.
  struct Session : testing::GuiSession {
    using GuiSession::GuiSession;
    // The window's own controls first, then the basic page's (the pages
    // share some control names).
    template <class W>
    W* Find(const QString& name) const {
      auto* body = window->findChild<QWidget*>("body");
      if (name == "body") return qobject_cast<W*>(body);
      if (W* own = body->findChild<W*>(name, Qt::FindDirectChildrenOnly)) return own;
      if (W* basic = window->Basic().findChild<W*>(name)) return basic;
      return window->findChild<W*>(name);
    }
    void Script(QMessageBox::StandardButton a, const QString& file, bool append,
                QStringList nameAnswers = {}) {
      answer = a;
      saveAs = file;
      panelAppend = append;
      names = std::move(nameAnswers);
    }
  };

  static void WriteTree(const QString& root, int files) {
    QDir().mkpath(root + "/sub");
    for (int i = 0; i < files; ++i) {
      QFile f(QStringLiteral("%1/%2/f%3.txt").arg(root, i % 2 ? "sub" : ".").arg(i));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QByteArray(i + 1, 'x'));
    }
  }

  static void Drop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    Drop(target, mime);
  }
  static void Drop(QWidget* target, const QMimeData& mime) {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
  }

  // An environment variable set for one test, as it was afterwards.
  struct ScopedEnv {
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
      qputenv(name, value);
    }
    ~ScopedEnv() { had_ ? qputenv(name_, old_) : qunsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

   private:
    const char* name_;
    bool had_;
    QByteArray old_;
  };

  // The UTF-16 text of a catalogue, byte-order marks included.
  static QString Catalogue(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
      text += QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
  }

 private slots:
  // A drop on a page without its own handler runs the whole road: scan with
  // the progress window, timer 9901, the save dialog, the file. Web addresses
  // are ignored, a vanished path is reported. The panel's append box holds
  // for that one catalogue.
  void DropOnAdvancedPageWritesThroughTheSaveDialog() {
    Session s;
    WriteTree(s.Path("tree"), 6);
    const QString out = s.Path("cat.txt");
    s.window->SelectTab(1);
    s.Script(QMessageBox::Yes, out, false);
    QSignalSpy finished(s.window.get(), &MainWindow::runFinished);
    Drop(&s.window->Advanced(),
         {QUrl::fromLocalFile(s.Path("tree")), QUrl(QStringLiteral("https://example.org/x")),
          QUrl::fromLocalFile(s.Path("gone"))});
    QVERIFY(finished.wait(5000));
    QCOMPARE(s.window->LastResult().outcome, RunOutcome::Written);
    QCOMPARE(s.window->LastResult().missingPaths.size(), std::size_t{1});
    QCOMPARE(s.window->LastResult().writtenPath, out.toStdString());
    const QString first = Catalogue(out);
    QVERIFY2(first.contains("f5.txt") && first.contains("f0.txt"), qPrintable(first));
    QCOMPARE(s.saveDialogs, 1);
    QCOMPARE(QString::fromStdU16String(std::u16string(TextOf(s.ctx->settings.OutputFile))), out);

    // Second drop: the panel appends (the overwrite question is answered Yes).
    s.Script(QMessageBox::Yes, out, true);
    Drop(&s.window->Basic(), {QUrl::fromLocalFile(s.Path("tree"))});
    QVERIFY(finished.wait(5000));
    const QString both = Catalogue(out);
    QCOMPARE(both.count("f5.txt"), 2);
    QCOMPARE(both.count(QChar(0xFEFF)), 1);
    QVERIFY(!s.Find<QCheckBox>("appendOutput")->isChecked());
    QCOMPARE(s.ctx->settings.AppendOutput, 0);
    QVERIFY(s.Find<QWidget>("body")->isEnabled());

    // Third drop: the panel's UTF-8 box writes this catalogue in UTF-8 with LF.
    const QString utf8 = s.Path("utf8.txt");
    s.Script(QMessageBox::Yes, utf8, false);
    s.panelUtf8 = true;
    Drop(&s.window->Basic(), {QUrl::fromLocalFile(s.Path("tree"))});
    QVERIFY(finished.wait(5000));
    QFile file(utf8);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY2(bytes.contains("f5.txt") && bytes.contains('\n') &&
                 !bytes.startsWith("\xEF\xBB\xBF") && !bytes.contains('\r'),
             bytes.left(200).constData());
    QVERIFY(!s.ctx->extras.utf8Text);
  }

  // A name typed without an extension takes the chosen filter's. One dialog
  // serves every row, as the window keeps its dialog between runs: each
  // proposal shows afresh, nothing of the run before stays.
  void SaveDialogCompletesTheChosenFormatsName() {
    QTemporaryDir dir;
    SaveDialogState proposal;
    proposal.folder = dir.path().toStdString();
    const struct {
      const char* filterEnd;
      const char* typed;
      const char* saved;
    } rows[] = {{"(*.sqlite)", "lib", "lib.sqlite"},
                {"(*.view.html)", "page.", "page.view.html"},
                {"(*.txt *)", "plain", "plain.txt"},
                {"(*.sqlite)", "kept.csv", "kept.csv"}};
    SaveFileDialog d(nullptr, proposal);
    for (const auto& row : rows) {
      d.Propose(proposal);
      for (const QString& f : SaveDialogFilters()) {
        if (f.endsWith(QLatin1String(row.filterEnd))) d.selectNameFilter(f);
      }
      d.selectFile(dir.filePath(QString::fromUtf8(row.typed)));
      d.utf8Box->setChecked(true);
      d.accept();
      QCOMPARE(QFileInfo(d.selectedFiles().value(0)).fileName(), QString::fromUtf8(row.saved));
    }
    proposal.filterIndex = 3;
    d.Propose(proposal);
    const SaveFileDialog fresh(nullptr, proposal);
    QCOMPARE(d.selectedNameFilter(), fresh.selectedNameFilter());
    QCOMPARE(d.selectedFiles(), fresh.selectedFiles());
    QVERIFY(!d.utf8Box->isChecked());
  }

  // Every run takes the advanced and HTML tag pages as they show, into the
  // record itself: the catalogue, the save dialog's panel and the clipboard
  // destination follow the boxes ticked since the window opened.
  void RunsTakeTheAdvancedAndHtmlPagesAsShown() {
    Session s([](AppContext& ctx) { ctx.settings.IndentTree = 1; });
    WriteTree(s.Path("tree"), 4);
    auto advanced = [&](const char* name) {
      return s.window->Advanced().findChild<QCheckBox*>(name);
    };
    QVERIFY(advanced("indentTree")->isChecked());
    advanced("indentTree")->click();      // ツリー状に字下げする off
    advanced("hideTotalLabel")->click();  // 「総ﾌｧｲﾙ数」行を出さない on
    s.Script(QMessageBox::Yes, s.Path("cat.txt"), false);
    QSignalSpy finished(s.window.get(), &MainWindow::runFinished);
    Drop(&s.window->Basic(), {QUrl::fromLocalFile(s.Path("tree"))});
    QVERIFY(finished.wait(5000));
    const QString text = Catalogue(s.Path("cat.txt"));
    QVERIFY2(text.contains("f3.txt") && !text.contains(QStringLiteral("総ファイル数")) &&
                 !text.contains(QChar(u'├')) && !text.contains(QChar(u'└')),
             qPrintable(text));
    QCOMPARE(s.panelIndentTree, QList<bool>{false});
    QCOMPARE(s.ctx->settings.IndentTree, 0);
    QCOMPARE(s.ctx->settings.HideTotalLabel, 1);

    // The HTML tag page's body text.
    auto* body = s.window->HtmlTags().findChild<QPlainTextEdit*>("bodyTags");
    QVERIFY(body != nullptr);
    s.window->HtmlTags().findChild<QCheckBox*>("bodyTagsOn")->setChecked(true);
    body->setPlainText(QStringLiteral("<body class=\"picked\">"));
    s.Script(QMessageBox::Yes, s.Path("cat.html"), false);
    Drop(&s.window->Basic(), {QUrl::fromLocalFile(s.Path("tree"))});
    QVERIFY(finished.wait(5000));
    QFile html(s.Path("cat.html"));
    QVERIFY(html.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(html.readAll()).contains(QStringLiteral("<body class=\"picked\">")));

    // クリップボードにも出力する: no save dialog, the catalogue on the clipboard.
    advanced("saveToClipboard")->click();
    QGuiApplication::clipboard()->clear();
    Drop(&s.window->Basic(), {QUrl::fromLocalFile(s.Path("tree"))});
    QVERIFY(finished.wait(5000));
    QCOMPARE(s.window->LastResult().outcome, RunOutcome::Written);
    QCOMPARE(s.saveDialogs, 2);
    QVERIFY(QGuiApplication::clipboard()->text().contains("f3.txt"));
  }

  // Dropped names are the bytes on disk, whatever their encoding: a folder
  // and files whose names are not UTF-8 are all catalogued.
  void DropOfNamesThatAreNotUtf8() {
    Session s;
    const std::string root = s.Path("raw").toStdString();
    const std::string folder = root + "/dir\xff";
    // Qt cannot name these files to remove them with the session's folder.
    const struct RemoveRaw {
      std::string root;
      ~RemoveRaw() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
      }
    } removeRaw{root};
    QVERIFY(mkdir(root.c_str(), 0700) == 0 && mkdir(folder.c_str(), 0700) == 0);
    auto touch = [](const std::string& path) {
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
      if (fd >= 0) close(fd);
      return fd >= 0;
    };
    QVERIFY(touch(folder + "/inside.txt") && touch(folder + "/in\xe9.txt"));
    QByteArray files;
    for (const char* name : {"a.txt", "b.txt", "c d.txt", "e%.txt", "bad\xff\xfe.txt", "f.txt"}) {
      QVERIFY(touch(root + "/" + name));
      // The last one names its host.
      files += (std::string_view(name) == "f.txt" ? "file://localhost" : "file://") +
               QUrl::fromLocalFile(s.Path("raw")).path(QUrl::FullyEncoded).toUtf8() + "/" +
               QByteArray(name).toPercentEncoding("/") + "\r\n";
    }
    QSignalSpy finished(s.window.get(), &MainWindow::runFinished);
    auto dropList = [&](const QByteArray& list, const QString& out) {
      s.Script(QMessageBox::Yes, out, false);
      QMimeData mime;
      mime.setData(QStringLiteral("text/uri-list"), list);
      Drop(&s.window->Basic(), mime);
      return finished.wait(5000) && s.window->LastResult().missingPaths.empty();
    };
    QVERIFY(dropList(
        "# a comment line\r\n" + QUrl::fromLocalFile(s.Path("raw")).toEncoded() + "/dir%FF\r\n",
        s.Path("dir.txt")));
    const QString inDir = Catalogue(s.Path("dir.txt"));
    QVERIFY2(inDir.contains("inside.txt") && inDir.count(".txt") == 2, qPrintable(inDir));
    QVERIFY(dropList(files, s.Path("files.txt")));
    const QString six = Catalogue(s.Path("files.txt"));
    QVERIFY2(six.count(".txt") == 6 && six.contains("e%.txt") && six.contains("c d.txt"),
             qPrintable(six));
  }

  // Ten thousand items in one drop: each is catalogued, none is lost.
  void TenThousandItemsAtOnce() {
    Session s;
    QDir().mkpath(s.Path("many"));
    QList<QUrl> urls;
    for (int i = 0; i < 10000; ++i) {
      const QString path = s.Path(QStringLiteral("many/%1.dat").arg(i, 5, 10, QChar('0')));
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      urls << QUrl::fromLocalFile(path);
    }
    const QString out = s.Path("many.txt");
    s.Script(QMessageBox::Yes, out, false);
    QSignalSpy finished(s.window.get(), &MainWindow::runFinished);
    Drop(&s.window->Basic(), urls);
    QVERIFY(finished.wait(20000));
    const QString text = Catalogue(out);
    QVERIFY(text.contains("00000.dat") && text.contains("09999.dat"));
    QCOMPARE(text.count(".dat"), 10000);
  }

  // The scan and the output work off the interface thread: a timer keeps
  // ticking through a drop run of a generated tree. The longest gap is
  // printed; the bound is far above what the machine shows.
  void InterfaceKeepsTickingDuringADropRun() {
    Session s;
    for (int d = 0; d < 40; ++d) {
      const QString folder = s.Path(QStringLiteral("tree/d%1").arg(d));
      QVERIFY(QDir().mkpath(folder));
      for (int i = 0; i < 100; ++i) {
        QFile f(QStringLiteral("%1/f%2.txt").arg(folder).arg(i));
        QVERIFY(f.open(QIODevice::WriteOnly));
      }
    }
    s.Script(QMessageBox::Yes, s.Path("tick.txt"), false);
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] {
      const qint64 now = clock.elapsed();
      longest = std::max(longest, now - last);
      last = now;
      ++ticks;
    });
    QSignalSpy finished(s.window.get(), &MainWindow::runFinished);
    clock.start();
    tick.start(5);
    Drop(&s.window->Basic(), {QUrl::fromLocalFile(s.Path("tree"))});
    QVERIFY(finished.wait(30000));
    longest = std::max(longest, clock.elapsed() - last);
    tick.stop();
    qInfo("drop run of 4000 files: %lld ms, %d ticks, longest gap %lld ms", clock.elapsed(), ticks,
          longest);
    QCOMPARE(s.window->LastResult().outcome, RunOutcome::Written);
    QVERIFY2(longest < 1000, qPrintable(QString::number(longest)));
  }

  // The stop button ends the scan: nothing written, no save dialog, the
  // window usable again.
  void CancelWritesNothingAndEnablesTheWindow() {
    Session s;
    WriteTree(s.Path("tree"), 40);
    s.Script(QMessageBox::Ok, s.Path("never.txt"), false);
    bool sawProgress = false;
    // The scan waits for its progress window to be shown: stopped right then.
    connect(s.window.get(), &MainWindow::runningChanged, this, [&](bool running) {
      ProgressWindow* status = s.window->Host().Status();
      if (!running || status == nullptr) return;
      sawProgress = status->isVisible() && !s.Find<QWidget>("body")->isEnabled();
      status->findChild<QPushButton*>("stop")->click();
    });
    QSignalSpy finished(s.window.get(), &MainWindow::runFinished);
    Drop(s.window.get(), {QUrl::fromLocalFile(s.Path("tree"))});
    QVERIFY(finished.wait(5000));
    QVERIFY(sawProgress);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(s.window->LastResult().outcome, RunOutcome::Cancelled);
    QTest::qWait(120);  // past timer 9901
    QCOMPARE(s.saveDialogs, 0);
    QVERIFY(!QFile::exists(s.Path("never.txt")));
    QVERIFY(s.Find<QWidget>("body")->isEnabled());
    QVERIFY(s.window->Host().Status() == nullptr);
  }

  // NormalMode 0 opens compact with "▼"; a tab chosen there shows no page
  // until the normal form returns.
  void CompactFormAndMenuTabs() {
    // A placement on a monitor since removed: the window still opens on a screen.
    Session s([](AppContext& ctx) {
      ctx.startup.NormalMode = 0;
      ctx.startup.WindowLeft = 40000;
      ctx.startup.WindowTop = 40000;
      ctx.startup.SaveTabPosition = 1;
      ctx.startup.TabIndex = 4;
    });
    QCOMPARE(s.window->CurrentTab(), 4);
    QVERIFY(s.window->MenuAction(kCmdSaveTab)->isChecked());
    QVERIFY(QGuiApplication::primaryScreen()->geometry().intersects(s.window->frameGeometry()));
    auto* form = s.Find<QPushButton>("formSwitch");
    QCOMPARE(form->text(), QStringLiteral("▼"));
    QVERIFY(s.Find<QWidget>("compactHint")->isVisible());
    QVERIFY(!s.Find<QTabBar>("tabBar")->isVisible());
    const int compactWidth = s.window->width();
    s.window->MenuAction(kCmdBasicTab + 1)->trigger();
    QCOMPARE(s.window->CurrentTab(), 1);
    for (ToolkitPage* page : s.window->Pages()) QVERIFY(!page->isVisible());
    form->click();
    QCOMPARE(form->text(), QStringLiteral("▲"));
    QVERIFY(s.window->Advanced().isVisible());
    QVERIFY(!s.window->Basic().isVisible());
    QVERIFY(s.window->width() > compactWidth);
    QCOMPARE(s.ctx->startup.NormalMode, 1);
    s.window->MenuAction(kCmdAbout)->trigger();
    QVERIFY(s.window->Info().isVisible());
  }

  // Escape in an edit of a page leaves the page shown: a page is no dialog
  // that Escape closes.
  void EscapeInAnEditLeavesThePageShown() {
    Session s;
    auto* wildcard = s.Find<QLineEdit>("wildcard");
    wildcard->setFocus();
    QTest::keyClick(wildcard, Qt::Key_Escape);
    QVERIFY(s.window->Basic().isVisible());
    QVERIFY(wildcard->isVisible());
    QCOMPARE(wildcard->text(), QStringLiteral("*.*"));
  }

  void MenuChecksAndBackToDefaults() {
    Session s;
    QAction* confirm = s.window->MenuAction(kCmdConfirmOnExit);
    QVERIFY(!confirm->isChecked());
    confirm->trigger();
    QCOMPARE(s.ctx->startup.ConfirmSaveOnExit, 1);
    s.window->MenuAction(kCmdSaveTab)->trigger();
    QCOMPARE(s.ctx->startup.SaveTabPosition, 1);
    const int noTitle = s.ctx->settings.NoTitleAtStart;
    s.window->MenuAction(kCmdNoTitleAtStart)->trigger();
    QCOMPARE(s.ctx->settings.NoTitleAtStart, noTitle ? 0 : 1);
    QCOMPARE(s.window->Info().findChild<QCheckBox*>("titleAtStart")->isChecked(), noTitle != 0);
    QVERIFY(!TextOf(s.ctx->settings.OutputFile).empty());
    s.window->MenuAction(kCmdHelp)->trigger();
    QVERIFY(!s.window->Host().opened.empty());
    QVERIFY(QFile::exists(QString::fromStdString(s.window->Host().opened.back())));
    QVERIFY(s.window->Host().opened.back().ends_with("/ordano.html"));
    s.Find<QCheckBox>("htmlLinks")->click();  // HtmlLinks, immediate
    QCOMPARE(s.ctx->settings.HtmlLinks, 1);
    s.window->MenuAction(kCmdDefaults)->trigger();
    QVERIFY(TextOf(s.ctx->settings.OutputFolder).empty());
    QVERIFY(TextOf(s.ctx->settings.OutputFile).empty());
    QCOMPARE(s.ctx->settings.HtmlLinks, 0);
    QVERIFY(!s.Find<QCheckBox>("htmlLinks")->isChecked());
  }

  void BasicPageRules() {
    Session s;
    s.Script(QMessageBox::Ok, {}, false);
    auto* colour = s.Find<QLineEdit>("htmlBackColor");
    colour->clear();
    QTest::keyClicks(colour, "ff00");
    QCOMPARE(s.ctx->settings.HtmlBackColor, 0x00ff00);
    s.window->Basic().Apply(s.ctx->settings);
    QCOMPARE(colour->text(), QStringLiteral("00ff00"));
    colour->clear();
    QTest::keyClicks(colour, "1234567");
    QCOMPARE(s.ctx->settings.HtmlBackColor, 0x234567);
    colour->clear();
    QTest::keyClicks(colour, "12g");
    QCOMPARE(s.ctx->settings.HtmlBackColor, 0x12);
    QCOMPARE(s.messages.size(), 1);
    QCOMPARE(s.messages.front(), QString::fromStdU16String(JapaneseText(MsgId::HexDigitsOnly)));

    s.Find<QCheckBox>("sizeKB")->click();
    s.Find<QCheckBox>("sizeMB")->click();
    QCOMPARE(s.ctx->settings.SizeKB, 0);
    QCOMPARE(s.ctx->settings.SizeMB, 1);
    QVERIFY(!s.Find<QCheckBox>("sizeKB")->isChecked());

    auto enabled = [&](const char* name) { return s.Find<QWidget>(name)->isEnabled(); };
    QVERIFY(!enabled("alignWidth") && !enabled("alignByTab") && !enabled("tabEight"));
    s.Find<QCheckBox>("alignNames")->click();
    QVERIFY(enabled("alignWidth") && enabled("alignByTab") && !enabled("tabEight"));
    s.Find<QCheckBox>("alignByTab")->click();
    QVERIFY(enabled("tabEight"));
    auto* depth = s.Find<QLineEdit>("searchDepth");
    depth->setText("0");
    QCOMPARE(s.ctx->settings.SearchDepth, -1);
    QCOMPARE(s.Find<QLineEdit>("wildcard")->text(), QStringLiteral("*.*"));
    s.Find<QPushButton>("sortModified")->click();
    QCOMPARE(s.ctx->settings.SortOrder, 2);
  }

  // Two close requests run the save-on-exit procedure once. A cancelled name
  // dialog asks the question again; Yes with a name makes a new profile.
  void CloseTwiceSavesOnceIntoANewProfile() {
    Session s([](AppContext& ctx) { ctx.startup.ConfirmSaveOnExit = 1; });
    s.Find<QCheckBox>("htmlLinks")->click();
    // The name is cut to 200 characters.
    const QString longName = QStringLiteral("旅行") + QString(250, 'x');
    s.Script(QMessageBox::Yes, {}, false, {QString(), longName});
    s.window->close();
    s.window->close();
    QCOMPARE(s.messages.size(), 2);
    QCOMPARE(s.nameDialogs, 2);
    QCOMPARE(s.ctx->startup.ProfileCount, 1);
    QCOMPARE(s.ctx->startup.ProfileNumber, 1);
    SettingsRecord saved{};
    QVERIFY(ReadSettings(s.ctx->programFolder, 1, saved));
    QCOMPARE(saved.HtmlLinks, 1);
    ProfileNameRecord name{};
    QVERIFY(ReadProfileName(s.ctx->programFolder, 1, name));
    QCOMPARE(QString::fromStdU16String(std::u16string(TextOf(name.Name))), longName.left(200));
    // The default profile kept its first-start contents.
    QVERIFY(ReadSettings(s.ctx->programFolder, 0, saved));
    QCOMPARE(saved.HtmlLinks, 0);
  }

  // In English the menus and message boxes (the window's and the run's) speak
  // English, while the catalogue a drop writes keeps its Japanese labels byte
  // for byte.
  void EnglishWindowWritesTheSameCatalogue() {
    QTemporaryDir trees;
    WriteTree(trees.filePath("tree"), 4);
    const auto dropRun = [&trees](Session& s) {
      s.Script(QMessageBox::Yes, s.Path("cat.txt"), false);
      QSignalSpy finished(s.window.get(), &MainWindow::runFinished);
      Drop(&s.window->Basic(), {QUrl::fromLocalFile(trees.filePath("tree"))});
      QFile out(s.Path("cat.txt"));
      return finished.wait(5000) && out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
    };
    QByteArray japanese;
    {
      Session s;
      japanese = dropRun(s);
      QCOMPARE(s.window->MenuAction(kCmdExit)->text(), QStringLiteral("おるだの♪の終了(&E)"));
    }
    QVERIFY2(QString::fromUtf16(reinterpret_cast<const char16_t*>(japanese.constData()),
                                japanese.size() / 2)
                 .contains(QStringLiteral("ターゲットフォルダ")),
             japanese.left(200).toHex().constData());

    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/ordano_en.qm")));
    QVERIFY(QCoreApplication::installTranslator(&english));
    // Every message from below the window has its English text.
    for (int id = 1; id <= static_cast<int>(kLastMsgId); ++id) {
      const char* source = MessageSource(static_cast<MsgId>(id));
      const bool ascii =
          std::ranges::none_of(std::string_view(source), [](char c) { return (c & 0x80) != 0; });
      QVERIFY2(ascii || QCoreApplication::translate(kMessageContext, source) !=
                            QString::fromUtf8(source),
               source);
    }
    Session s([](AppContext& ctx) { ctx.startup.ConfirmSaveOnExit = 1; });
    QCOMPARE(s.window->MenuAction(kCmdExit)->text(), QStringLiteral("&Quit Ordano"));
    QCOMPARE(dropRun(s), japanese);
    // The run's own question (from below the window) in English too.
    QCOMPARE(dropRun(s), japanese);
    QCOMPARE(s.captions, QStringList{QStringLiteral("Overwrite?")});
    QCOMPARE(s.messages,
             QStringList{s.Path("cat.txt") + "\nThe file already exists. Overwrite it?"});
    s.messages.clear();
    // A changed setting at close asks in English; Cancel quits without saving.
    s.Find<QCheckBox>("htmlLinks")->click();
    s.Script(QMessageBox::Cancel, {}, false);
    s.window->close();
    QCoreApplication::removeTranslator(&english);
    QCOMPARE(s.messages.size(), 1);
    QVERIFY2(s.messages.front().startsWith(QStringLiteral("Ordano's settings have changed.")),
             qPrintable(s.messages.front()));
  }

  // Closing during a scan stops it, saves once, writes no catalogue.
  void CloseDuringScan() {
    Session s;
    WriteTree(s.Path("tree"), 40);
    s.Script(QMessageBox::Ok, s.Path("never.txt"), false);
    connect(s.window.get(), &MainWindow::runningChanged, this, [&](bool running) {
      if (running) s.window->close();
    });
    Drop(s.window.get(), {QUrl::fromLocalFile(s.Path("tree"))});
    QTRY_VERIFY_WITH_TIMEOUT(!s.window->isVisible(), 5000);
    QCOMPARE(s.window->LastResult().outcome, RunOutcome::Cancelled);
    QTest::qWait(120);
    QCOMPARE(s.saveDialogs, 0);
    QVERIFY(!QFile::exists(s.Path("never.txt")));
    QVERIFY(QFile::exists(s.Path("ordanoud.dat")));
  }

  void AcrylicRecoloursEveryPageAtOnce() {
    Session s;
    auto back = [](QWidget* w) { return w->palette().color(QPalette::Window); };
    s.window->Advanced().findChild<QCheckBox*>("acrylic")->click();
    QCOMPARE(s.ctx->settings.AcrylicMode, 1);
    for (ToolkitPage* page : s.window->Pages()) QCOMPARE(back(page), kAcrylicBackColor);
    QVERIFY(qAbs(s.window->windowOpacity() - kAcrylicOpacity) < 0.01);
    // Background and opacity only: buttons keep an opaque face (their
    // labels drawn on it), boxes theirs.
    QCOMPARE(s.Find<QPushButton>("sortModified")->palette().color(QPalette::Button),
             kAcrylicBackColor);
    QCOMPARE(s.Find<QCheckBox>("htmlLinks")->palette().color(QPalette::Window), kAcrylicBackColor);
    // The toolkit's context menu switches it back, from any page.
    std::unique_ptr<QMenu> menu = s.window->Info().MakeContextMenu();
    menu->findChild<QAction*>("toolkitAcrylic")->trigger();
    QCOMPARE(s.ctx->settings.AcrylicMode, 0);
    QVERIFY(!s.window->Advanced().findChild<QCheckBox*>("acrylic")->isChecked());
    for (ToolkitPage* page : s.window->Pages()) QCOMPARE(back(page), kDialogBackColor);
    QCOMPARE(s.Find<QLineEdit>("htmlBackColor")->palette().color(QPalette::Base), kEditBackColor);
    QVERIFY(qAbs(s.window->windowOpacity() - 1.0) < 0.01);
  }

  // The window's host joins the host conformance script: a drop run saved
  // through the save dialog, then again with the overwrite question answered
  // Yes, gives the same bytes as the scripted test host.
  void QtHostServesTheConformanceScript() {
    QTemporaryDir dir;
    WriteTree(dir.filePath("tree"), 4);
    const QString out = dir.filePath("out.txt");
    auto dropTwice = [&](RunHost& host) {
      QFile::remove(out);
      AppContext ctx;
      ctx.SetHost(host);
      ctx.settings.ScanToDepth = 1;
      ctx.settings.ConfirmOverwrite = 1;
      ctx.settings.OmitVolumeName = 1;
      const std::vector<std::string> drop = {dir.filePath("tree").toStdString()};
      [&] { QCOMPARE(DropRun(ctx, drop).outcome, RunOutcome::Written); }();
      QFile f(out);
      const QByteArray once = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
      f.close();
      [&] { QCOMPARE(DropRun(ctx, drop).outcome, RunOutcome::Written); }();
      [&] { QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll() == once); }();
      return once;
    };
    AppContext qtCtx;
    QtHost qt(qtCtx);
    int asked = 0;
    qt.modalScript = [&](QDialog& d) {
      if (auto* save = qobject_cast<SaveFileDialog*>(&d)) {
        save->selectFile(out);
        static_cast<QDialog&>(*save).done(QDialog::Accepted);
      } else if (auto* box = qobject_cast<QMessageBox*>(&d)) {
        ++asked;
        box->button(QMessageBox::Yes)->click();
      }
    };
    testing::TestHost scripted;
    SaveDialogState answer;
    answer.fileName = out.toStdString();
    answer.lineWidthText = u"0";
    scripted.saveAnswers = {answer, answer};
    scripted.answers = {MsgAnswer::Yes};
    const QByteArray viaQt = dropTwice(qt);
    QCOMPARE(asked, 1);
    QVERIFY(viaQt.size() > 100);
    QCOMPARE(viaQt, dropTwice(scripted));
  }

  // ﾌｧｲﾙ has both commands; the report window counts, filters and saves
  // the same text the command line prints.
  void CompareReportCountsFiltersAndSaves() {
    Session s;
    QVERIFY(s.window->findChild<QAction*>("cmdCompare") &&
            s.window->findChild<QAction*>("cmdVerify"));
    const auto cat = [](const char* rows) {
      return ParseCatalogue(
                 std::string(R"({"format":"ordano-catalogue","version":1,"md5":true,"entries":[)") +
                 rows + "]}")
          .catalogue;
    };
    const char* a = R"({"folder":"/d","name":"a","size":1,"md5":"c4ca4238a0b923820dcc509a6f75849b"},
                       {"folder":"/d","name":"b","size":2},{"folder":"/d","name":"c","size":3})";
    const char* b = R"({"folder":"/e","name":"a","size":1,"md5":"c4ca4238a0b923820dcc509a6f75849b"},
                       {"folder":"/d","name":"b","size":5},{"folder":"/d","name":"new","size":3})";
    const CompareReport report = CompareCatalogues(cat(a), cat(b));
    CompareReportWindow window(report, QStringLiteral("カタログの比較"), s.window.get());
    QCOMPARE(window.findChild<QLabel*>("counts")->text(),
             QStringLiteral("追加 1 ／ 削除 1 ／ 変更 1 ／ 移動 1 ／ 読めない 0 ／ 変更なし 0"));
    auto* list = window.findChild<QTableView*>("list");
    QCOMPARE(list->model()->rowCount(), 4);
    window.findChild<QLineEdit*>("filter")->setText(QStringLiteral("移動"));
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 2).data().toString(), QStringLiteral("-> /e/a"));
    const QString out = s.Path("report.txt");
    QVERIFY(window.SaveAs(out));
    QFile saved(out);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll().toStdString(), ReportText(report));
    QVERIFY(!window.SaveAs(s.Path("no/such/folder/report.txt")));
  }

  // The information page's update button: the server's answer and the
  // download come on the worker, so the click returns at once and the window
  // keeps serving; the progress window shows while the main window waits,
  // and its 中止 stops the transfer, with no message after the offer.
  void UpdateDownloadStopsFromItsWindow() {
    testing::ClearProxyEnvironment();
    QTemporaryDir site;
    testing::CrawlServer server;
    std::string why;
    if (!server.Start(site.filePath("root").toStdString(),
                      R"({"/drip.zip": {"count": 400, "chunk": 3, "interval": 0.25,
                          "headers": {"Last-Modified": "Mon, 01 Jan 2035 00:00:00 GMT"}}})",
                      &why)) {
      QSKIP(why.c_str());
    }
    Session s;
    s.answer = QMessageBox::Yes;
    // The download's private folder under the session's home, and the server.
    const ScopedEnv tmp("TMPDIR", s.home.path().toLocal8Bit());
    const ScopedEnv url("ORDANO_UPDATE_URL",
                        QByteArray::fromStdString(server.Origin() + "/drip.zip"));
    RunWorker& worker = s.window->Host().Worker();
    QSignalSpy finished(&worker, &RunWorker::finished);
    s.window->Info().findChild<QPushButton*>("update")->click();
    const bool returnedAtOnce = worker.Running();
    QTRY_VERIFY_WITH_TIMEOUT(s.window->Host().DownloadWindow() != nullptr, 10000);
    ProgressWindow* progress = s.window->Host().DownloadWindow();
    const bool shown = progress->isVisible() && !s.Find<QWidget>("body")->isEnabled();
    QTRY_VERIFY_WITH_TIMEOUT(
        progress->Texts().lines[0].startsWith(QStringLiteral("ダウンロード中")), 10000);
    progress->findChild<QPushButton*>("stop")->click();
    QVERIFY(finished.wait(10000));
    QVERIFY(returnedAtOnce);
    QVERIFY(shown);
    QCOMPARE(s.messages.size(), 1);  // the offer only
    QVERIFY(s.window->Host().DownloadWindow() == nullptr);
    QVERIFY(s.Find<QWidget>("body")->isEnabled());
    QVERIFY(s.window->isVisible());
  }

  void ProgressWindowTexts() {
    RunState run;
    run.ExpectedCount = 101;
    run.EntryCount = 50;
    QCOMPARE(ProgressTextsOf(run, false).lines[1], QStringLiteral("処理中 50.00% (50/100)"));
    QVERIFY(ProgressTextsOf(run, false).lines[0].isEmpty());
    run.ExpectedCount = 0;
    run.EntryCount = 7;
    QCOMPARE(ProgressTextsOf(run, false).lines[1], QStringLiteral("ファイル数獲得中... 7"));
  }

  // A single dropped file with MD5 on: every entry is counted at once, yet
  // the progress window stays with its 中止 while the digest runs, and the
  // stop ends the run.
  void SingleFileDigestKeepsItsStopButton() {
    Session s([](AppContext& ctx) { ctx.settings.ComputeMd5 = 1; });
    const QString big = s.Path("big.bin");
    {
      QFile f(big);
      QVERIFY(f.open(QIODevice::WriteOnly));
      QVERIFY(f.resize(qint64{1} << 28));  // sparse: no disk, still a while to read
    }
    s.Script(QMessageBox::Ok, s.Path("never.txt"), false);
    bool stopShown = false;
    QSignalSpy finished(s.window.get(), &MainWindow::runFinished);
    // Once the scan is past its count and inside the digest.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      ProgressWindow* status = s.window->Host().Status();
      if (status == nullptr || status->Texts().lines[0].isEmpty()) return;
      auto* stop = status->findChild<QPushButton*>("stop");
      stopShown = status->isVisible() && stop->isVisible() && stop->isEnabled();
      stop->click();
      poll.stop();
    });
    poll.start(10);
    Drop(&s.window->Basic(), {QUrl::fromLocalFile(big)});
    QVERIFY(finished.wait(60000));
    QVERIFY(stopShown);
    QCOMPARE(s.window->LastResult().outcome, RunOutcome::Cancelled);
    QCOMPARE(s.saveDialogs, 0);
  }
};

}  // namespace ordano

QTEST_MAIN(ordano::WindowTest)
#include "window_test.moc"
