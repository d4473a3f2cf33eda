// The whole-drive, multi-folder and web pages through their real widgets on
// the offscreen platform, and the information page's update button.
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <memory>

#include "../crawl_server/crawl_server.h"
#include "app/window/drive_page.h"
#include "app/window/main_window.h"
#include "app/window/multi_folder_page.h"
#include "app/window/save_dialog.h"
#include "app/window/web_page.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "gui_session.h"
#include "settings/settings_files.h"

namespace ordano {

class DrivePagesTest : public QObject {
  Q_OBJECT

 private:
  // A fresh program folder and the main window on it; message boxes are
  // answered with `answer` and recorded, the save dialog writes `saveAs`.
  struct Session : testing::GuiSession {
    Session() { answer = QMessageBox::No; }
    template <class W>
    W* Find(const QString& page, const QString& name) const {
      return window->findChild<QWidget*>(page)->findChild<W*>(name);
    }
  };

  static void Drop(QWidget* target, const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
  }

  static void Touch(const QString& path, const QByteArray& bytes = "x") {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

 private slots:
  void initTestCase() {
    testing::ClearProxyEnvironment();
    unsetenv("ORDANO_UPDATE_URL");
  }

  // Files dropped on the multi-folder page are ignored; a run catalogues the
  // list, which the page keeps while the hidden copy is emptied.
  void FolderListRunKeepsTheList() {
    Session s;
    QDir().mkpath(s.Path("one"));
    QDir().mkpath(s.Path("two"));
    Touch(s.Path("one/a.txt"));
    Touch(s.Path("two/b.txt"));
    Touch(s.Path("loose.txt"));
    s.window->SelectTab(MainWindow::kMultiFolderTab);
    auto* list = s.Find<QListWidget>("folderListPage", "folders");
    Drop(s.window.get(), {s.Path("one"), s.Path("loose.txt"), s.Path("two")});
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(1)->text(), s.Path("two"));
    QVERIFY(s.ctx->folderListChanged);

    s.saveAs = s.Path("list.txt");
    QSignalSpy ran(&s.window->FolderList(), &FolderListPage::runFinished);
    s.Find<QPushButton>("folderListPage", "run")->click();
    QVERIFY(ran.wait(5000));
    QFile out(s.saveAs);
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(out.readAll().constData()),
                           static_cast<qsizetype>(out.size() / 2));
    QVERIFY2(text.contains("a.txt") && text.contains("b.txt") && !text.contains("loose"),
             qPrintable(text));
    QCOMPARE(list->count(), 2);
    QCOMPARE(s.Find<QListWidget>("basicPage", "folderCopy")->count(), 0);

    // "削除" takes the selected entry, "全クリア" the rest; the list follows.
    list->item(0)->setSelected(true);
    s.Find<QPushButton>("folderListPage", "remove")->click();
    QCOMPARE(s.ctx->folderList, std::vector<std::u16string>{s.Path("two").toStdU16String()});
    s.Find<QPushButton>("folderListPage", "clear")->click();
    QCOMPARE(list->count(), 0);
    QVERIFY(s.ctx->folderList.empty());
    // An empty list lists nothing and says so.
    s.Find<QPushButton>("folderListPage", "run")->click();
    QVERIFY(ran.wait(5000));
    QCOMPARE(s.messages.last(),
             QStringLiteral("該当ドライブがないか該当ドライブにファイルがありません。"));
  }

  // The drive combo holds the mounted file systems; a drop of two items is refused.
  void DrivePageListAndDropRule() {
    Session s;
    auto* combo = s.Find<QComboBox>("drivePage", "drives");
    QCOMPARE(combo->count(), static_cast<int>(ListDrives().size()));
    s.window->Drive().SelectDrive(1000);
    QCOMPARE(combo->currentIndex(), combo->count() - 1);
    QCOMPARE(s.ctx->startup.DriveIndex, combo->count() - 1);
    Touch(s.Path("a"));
    Touch(s.Path("b"));
    s.window->SelectTab(2);
    Drop(&s.window->Drive(), {s.Path("a"), s.Path("b")});
    QCOMPARE(s.messages, QStringList{QStringLiteral("ファイルは1つだけドロップしてください。")});
  }

  // Empty URL, then start / cancel / cancelling against a slow loopback page:
  // the cancel asks whether to save (No: nothing written), the edit keeps the URL.
  void WebPageStartAndCancel() {
    Session s;
    auto* edit = s.Find<QLineEdit>("webPage", "url");
    auto* button = s.Find<QPushButton>("webPage", "start");
    QCOMPARE(edit->text(), QStringLiteral("https://"));
    QCOMPARE(button->text(), QStringLiteral("リスト化して保存"));
    button->click();
    QCOMPARE(s.messages,
             QStringList{QStringLiteral("リスト化したいページのURLを入力してください。")});

    QTemporaryDir site;
    testing::CrawlServer server;
    std::string why;
    if (!server.Start(site.path().toStdString(),
                      R"({"/slow/": {"count": 60, "interval": 0.1, "type": "text/html"}})", &why)) {
      QSKIP(why.c_str());
    }
    const QString url = QString::fromStdString(server.Origin()) + "/slow/";
    edit->setText(url);
    QString during, cancelling;
    bool editLocked = false;
    Touch(s.Path("dropped.txt"));
    QTimer::singleShot(500, [&] {
      during = button->text();
      editLocked = !edit->isEnabled();
      // A drop meanwhile starts nothing and says so.
      Drop(s.window.get(), {s.Path("dropped.txt")});
      button->click();  // while the crawl works
      cancelling = button->text() + (button->isEnabled() ? "" : " disabled");
    });
    s.messages.clear();
    QSignalSpy crawled(&s.window->Web(), &WebPage::crawlFinished);
    button->click();
    QVERIFY(crawled.wait(20000));
    QCOMPARE(during, QStringLiteral("中止"));
    QVERIFY(editLocked);
    QCOMPARE(cancelling, QStringLiteral("中止処理中... disabled"));
    QCOMPARE(
        s.messages,
        (QStringList{QStringLiteral("処理の実行中です。終わるか中止してからドロップしてください。"),
                     QStringLiteral("検索を中止しました。ここまでの結果を保存しますか？")}));
    QCOMPARE(s.window->Web().LastOutcome().status, WebSearchStatus::Declined);
    QCOMPARE(button->text(), QStringLiteral("リスト化して保存"));
    QVERIFY(button->isEnabled() && edit->isEnabled());
    QCOMPARE(edit->text(), url);
    QVERIFY(
        s.Find<QLabel>("webPage", "status")->text().startsWith(QStringLiteral("中止しました。")));
  }

  // The information page's update button reaches the check (off in this build).
  void InfoPageUpdateButton() {
    Session s;
    s.window->SelectTab(MainWindow::kInfoTab);
    QCOMPARE(s.Find<QPushButton>("infoPage", "update")->text(),
             QStringLiteral("Ordano Updateを行う"));
    s.Find<QPushButton>("infoPage", "update")->click();
    QCOMPARE(s.messages.size(), 1);
    QVERIFY(s.messages[0].contains(QStringLiteral("更新の確認")));
  }
};

}  // namespace ordano

QTEST_MAIN(ordano::DrivePagesTest)
#include "drive_pages_test.moc"
