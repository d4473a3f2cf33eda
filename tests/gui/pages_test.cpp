// The settings pages, profiles, the title splash and the information page
// through their real widgets on the offscreen platform.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "app/window/advanced_page.h"
#include "app/window/basic_page.h"
#include "app/window/html_page.h"
#include "app/window/info_page.h"
#include "app/window/main_window.h"
#include "app/window/profile_dialog.h"
#include "app/window/profile_name_dialog.h"
#include "app/window/title_splash.h"
#include "app/window/window_language.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "gui_session.h"
#include "run_binary.h"
#include "settings/settings_defaults.h"
#include "settings/settings_files.h"
#include "settings/settings_profiles.h"
#include "toolkit/link_static.h"

namespace ordano {
namespace {

QString Q(std::u16string_view s) { return QString::fromStdU16String(std::u16string(s)); }

struct Session : testing::GuiSession {
  Session() { answer = QMessageBox::Yes; }
  template <class W>
  W* Find(const char* name, QWidget* in) const {
    return in->findChild<W*>(name);
  }
  std::string Folder() const { return ctx->programFolder; }
};

// Every field away from its default, texts with zero bytes after them.
std::unique_ptr<SettingsRecord> EveryFieldChanged() {
  auto r = std::make_unique<SettingsRecord>();
  SettingsRecord& s = *r;
  SetText(s.OutputFolder, u"/srv/out/");
  SetText(s.OutputFile, u"/srv/out/list.csv");
  s.AppendOutput = 1;
  s.ConfirmOverwrite = 0;
  s.WriteTargetFolder = 0;
  s.Unify = 1;
  s.WriteDate = 1;
  s.IncludeHidden = 1;
  s.ScanToDepth = 0;
  s.SortOrder = 4;
  s.SortDescending = 1;
  s.IgnoreHierarchy = 1;
  s.FolderSizes = 1;
  s.OmitVolumeName = 0;
  s.OmitFolderName = 1;
  s.ForceConfirmAtStart = 1;
  s.Translucent = 1;
  s.SizeMB = 1;
  s.HtmlLinks = 1;
  s.FileNameOnly = 1;
  s.RelativeOutput = 1;
  s.OpenAfterSave = 1;
  s.AppendNameDigits = 1;
  s.AppendDigitCount = 33;
  s.DigitsByTab = 1;
  s.TabEight = 1;
  s.HtmlBackColor = 0x12ab34;
  s.DateRangeEnabled = 1;
  s.SearchDepth = 7;
  s.OutputKind = 2;
  s.NoTopmost = 1;
  s.HideTargetLabel = 1;
  s.HideFileNameLabel = 1;
  s.HideTotalLabel = 1;
  s.RenameTarget = 1;
  s.IndentTree = 1;
  s.IncludeEmptyFolders = 1;
  s.RelativeRootName = 1;
  s.CharFilter = 1;
  s.CharFilterMode = 1;
  s.TxtLineBreaks = 1;
  s.TxtBrTags = 1;
  s.DropDateDays = 42;
  s.DropDateLimit = 1;
  s.ExpandArchives = 1;
  s.SaveToClipboard = 1;
  s.PreferLastExtension = 1;
  s.ComputeMd5 = 1;
  s.WriteCapacity = 1;
  SetText(s.HeadTags, u"<head>\r\n<title>一覧</title>\r\n</head>");
  SetText(s.BodyTags, u"<body bgcolor=\"#102030\">");
  SetText(s.LinkTags, u"<a href=\"%1\" title=\"%3\">%2</a>");
  s.HeadTagsEnabled = 1;
  s.BodyTagsEnabled = 1;
  s.LinkTagsEnabled = 1;
  s.CapacityPlace = 1;
  s.TotalCountPlace = 1;
  s.DateFromDate = 1500000000;
  s.DateFromTime = 1500012345;
  s.DateToDate = 1600000000;
  s.DateToTime = 1600054321;
  SetText(s.TargetName, u"対象：");
  SetText(s.CharFilterText, u"tmp/~$");
  SetText(s.FolderTag, u"bgcolor=#336699");
  s.FolderTagEnabled = 1;
  SetText(s.FileTag, u"class=\"f\"");
  s.FileTagEnabled = 1;
  SetText(s.SavedAt, u"2021.02.03(Wed) 04:05:06");
  s.NoTitleAtStart = 0;
  s.LineWidthEnabled = 1;
  s.LineWidth = 120;
  s.IncludeTargetName = 1;
  s.ReadShortcuts = 1;
  s.CsvFolderAndFile = 1;
  s.AcrylicMode = 1;
  return r;
}

// Each control's current state replayed to its handler, as if the user had
// touched every control and left it as it is: the boxes that are on first
// (switching a size unit on shows the others off).
void TouchEveryControl(const std::vector<QWidget*>& pages) {
  for (const bool on : {true, false}) {
    for (QWidget* page : pages) {
      for (QCheckBox* b : page->findChildren<QCheckBox*>()) {
        if (b->isChecked() != on) continue;
        emit b->toggled(on);
        emit b->clicked(on);
      }
    }
  }
  for (QWidget* page : pages) {
    for (QLineEdit* e : page->findChildren<QLineEdit*>()) emit e->textChanged(e->text());
    for (QPushButton* b : page->findChildren<QPushButton*>()) {
      if (b->isCheckable() && b->isChecked()) b->click();
    }
  }
}

QByteArray FileBytes(const std::string& path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class PagesTest : public QObject {
  Q_OBJECT

 private slots:
  // Every field of the record, applied to all pages and collected back (the
  // immediate controls writing as they do when touched), gives the same
  // bytes: a control missing or bound to the wrong field shows here.
  void RoundTripOfEveryField() {
    Session s;
    const auto wanted = EveryFieldChanged();
    s.ctx->settings = *wanted;
    s.window->ApplyPages();
    // The record back at its defaults, except what no page shows.
    auto& back = s.ctx->settings;
    ResetToDefaults(back, s.ctx->startup, s.ctx->profileName, 1700000000);
    ApplyMissingFileDefaults(back, s.Folder());
    std::memcpy(back.OutputFolder, wanted->OutputFolder, sizeof back.OutputFolder);
    std::memcpy(back.OutputFile, wanted->OutputFile, sizeof back.OutputFile);
    std::memcpy(back.SavedAt, wanted->SavedAt, sizeof back.SavedAt);
    back.Translucent = wanted->Translucent;
    TouchEveryControl(
        {&s.window->Basic(), &s.window->Advanced(), &s.window->HtmlTags(), &s.window->Info()});
    s.window->CollectPages();
    const auto* a = reinterpret_cast<const unsigned char*>(&back);
    const auto* b = reinterpret_cast<const unsigned char*>(wanted.get());
    std::size_t first = 0;
    while (first < kSettingsRecordSize && a[first] == b[first]) ++first;
    QVERIFY2(first == kSettingsRecordSize,
             qPrintable(QStringLiteral("first difference at offset %1").arg(first)));
  }

  // The conversions and reactions of the advanced and HTML tag pages, and
  // non-numeric text in every number field.
  void AdvancedAndHtmlTagRules() {
    Session s;
    AdvancedPage& adv = s.window->Advanced();
    auto* days = s.Find<QLineEdit>("dropDateDays", &adv);
    days->setText("250");
    adv.Collect(s.ctx->settings);
    QCOMPARE(s.ctx->settings.DropDateDays, 100);
    days->setText("abc");
    adv.Collect(s.ctx->settings);
    QCOMPARE(s.ctx->settings.DropDateDays, 0);

    // Total count place: combo index xor 1; 7 reads as bottom; a value past
    // the end selects the last entry, a negative one nothing.
    auto* total = s.Find<QComboBox>("totalCountPlace", &adv);
    auto* capacity = s.Find<QComboBox>("capacityPlace", &adv);
    s.ctx->settings.TotalCountPlace = 1;
    s.ctx->settings.CapacityPlace = 5;
    s.ctx->settings.CharFilterMode = -1;
    adv.Apply(s.ctx->settings);
    QCOMPARE(total->currentText(), QStringLiteral("上段"));
    QCOMPARE(capacity->currentText(), QStringLiteral("下段"));
    QCOMPARE(s.Find<QComboBox>("charFilterMode", &adv)->currentIndex(), -1);
    total->setCurrentIndex(1);
    adv.Collect(s.ctx->settings);
    QCOMPARE(s.ctx->settings.TotalCountPlace, 0);
    QCOMPARE(s.ctx->settings.CharFilterMode, -1);
    s.ctx->settings.TotalCountPlace = 7;
    s.window->ApplyPages();
    QCOMPARE(total->currentText(), QStringLiteral("下段"));
    QCOMPARE(s.ctx->settings.TotalCountPlace, 0);

    // Enable rules, on apply and on a click.
    auto enabled = [&](const char* name) { return s.Find<QWidget>(name, &adv)->isEnabled(); };
    QVERIFY(!enabled("targetName") && !enabled("charFilterText") && !enabled("charFilterMode"));
    s.Find<QCheckBox>("renameTarget", &adv)->click();
    QVERIFY(enabled("targetName") && !enabled("charFilterText"));
    s.Find<QCheckBox>("charFilter", &adv)->click();
    QVERIFY(enabled("charFilterText") && enabled("charFilterMode"));
    // Line breaks stored inverted; the hidden "完了" collects.
    QVERIFY(s.Find<QCheckBox>("txtLineBreaks", &adv)->isChecked());
    s.Find<QCheckBox>("txtLineBreaks", &adv)->click();
    s.Find<QPushButton>("done", &adv)->click();
    QCOMPARE(s.ctx->settings.TxtLineBreaks, 1);
    QCOMPARE(s.ctx->settings.RenameTarget, 1);
    // The acrylic box switches every page at once.
    s.Find<QCheckBox>("acrylic", &adv)->click();
    QCOMPARE(s.ctx->settings.AcrylicMode, 1);
    QVERIFY(s.window->Acrylic() && s.window->HtmlTags().Acrylic());

    // Non-numeric text in the basic page's number fields counts as 0.
    BasicPage& basic = s.window->Basic();
    s.Find<QLineEdit>("alignWidth", &basic)->setText("x9");
    s.Find<QLineEdit>("searchDepth", &basic)->setText("deep");
    s.Find<QLineEdit>("lineWidth", &basic)->setText("wide");
    QCOMPARE(s.ctx->settings.AppendDigitCount, 0);
    QCOMPARE(s.ctx->settings.SearchDepth, -1);
    QCOMPARE(s.ctx->settings.LineWidth, 0);

    // The head text's old charset becomes utf-8 on apply, stored back.
    HtmlTagPage& html = s.window->HtmlTags();
    SetText(s.ctx->settings.HeadTags, u"<head>\r\n<meta charset=utf-16le>\r\n</head>");
    s.window->ApplyPages();
    QCOMPARE(Q(TextOf(s.ctx->settings.HeadTags)),
             QStringLiteral("<head>\r\n<meta charset=utf-8>\r\n</head>"));
    auto* head = s.Find<QPlainTextEdit>("headTags", &html);
    QCOMPARE(head->toPlainText(), QStringLiteral("<head>\n<meta charset=utf-8>\n</head>"));
    QCOMPARE(head->wordWrapMode(), QTextOption::WrapAnywhere);
    // A text longer than its field is cut with room for the terminator.
    head->setPlainText(QString(6000, u'x'));
    html.Collect(s.ctx->settings);
    QCOMPARE(TextOf(s.ctx->settings.HeadTags).size(), std::size_t{4999});
  }

  // Profiles through the dialog: creates, copies, delete, numbers never
  // reused, the in-use row, renames in place and by dialog; a switch from
  // the main window applies the other profile and retitles the window.
  void ProfileFileEffects() {
    Session s;
    s.ctx->settings.WriteDate = 1;  // differs from the saved file
    {
      ProfileDialog dlg(*s.ctx, s.window->Host(), false, s.window.get());
      dlg.show();
      dlg.Create();
      dlg.Create();
      auto* list = dlg.findChild<QTableWidget*>("profiles");
      QCOMPARE(list->rowCount(), 3);
      const QStringList expect[] = {
          {"無題", "使用中", "0"}, {"新規", "　", "1"}, {"新規", "　", "2"}};
      for (int r = 0; r < 3; ++r) {
        QCOMPARE(list->item(r, 0)->text(), expect[r][0]);
        QCOMPARE(list->item(r, 2)->text(), expect[r][1]);
        QCOMPARE(list->item(r, 3)->text(), expect[r][2]);
      }
      QVERIFY(qAbs(list->columnWidth(0) * 140 - list->columnWidth(1) * 190) < 190);
      QCOMPARE(list->item(0, 1)->textAlignment() & Qt::AlignRight, int(Qt::AlignRight));
      SettingsRecord copy{};
      QVERIFY(ReadWholeSettings(s.Folder(), 2, copy));
      QCOMPARE(copy.WriteDate, 1);
      QCOMPARE(s.ctx->startup.ProfileCount, 2);
      QCOMPARE(s.ctx->startup.ProfileNumber, 0);

      // Delete 1 (answered Yes); then a create gets 3.
      dlg.DeleteRow(1);
      QVERIFY(!QFile::exists(QString::fromStdString(SettingsFilePath(s.Folder(), 1))));
      ProfileNameRecord name{};
      QVERIFY(ReadProfileName(s.Folder(), 1, name) && name.Deleted == 1);
      dlg.Create();
      QCOMPARE(list->item(list->rowCount() - 1, 3)->text(), QStringLiteral("3"));
      // The in-use row: double click and delete do nothing but a message.
      const QRect inUse = list->visualItemRect(list->item(0, 0));
      QSignalSpy doubleClicks(list, &QTableWidget::cellDoubleClicked);
      QTest::mousePress(list->viewport(), Qt::LeftButton, {}, inUse.center());
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, inUse.center());
      QCOMPARE(doubleClicks.size(), 1);
      QCOMPARE(dlg.result(), int(QDialog::Rejected));
      dlg.DeleteRow(0);
      QCOMPARE(s.messages.size(), 2);  // the delete question, then the refusal
      QCOMPARE(list->rowCount(), 3);

      // In place: Escape keeps the old name, Enter renames.
      QTableWidgetItem* row2 = list->item(1, 0);
      list->editItem(row2);
      auto* editor = list->viewport()->findChild<QLineEdit*>();
      QVERIFY(editor != nullptr);
      editor->setText("捨てる名前");
      QTest::keyClick(editor, Qt::Key_Escape);
      QCoreApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      QCOMPARE(row2->text(), QStringLiteral("新規"));
      QVERIFY(ReadProfileName(s.Folder(), 2, name));
      QCOMPARE(Q(TextOf(name.Name)), QStringLiteral("新規"));
      list->editItem(row2);
      editor = list->viewport()->findChild<QLineEdit*>();
      editor->setText("写真");
      QTest::keyClick(editor, Qt::Key_Return);
      QCoreApplication::processEvents();  // the delegate commits queued
      QVERIFY(ReadProfileName(s.Folder(), 2, name));
      QCOMPARE(Q(TextOf(name.Name)), QStringLiteral("写真"));
      // By the name dialog (menu 135), 201 characters cut to 200.
      s.names = {QString(201, u'長')};
      std::unique_ptr<QMenu> menu = dlg.RowMenu(2);
      QCOMPARE(menu->actions().size(), 3);
      menu->findChild<QAction*>("cmdRename")->trigger();
      QVERIFY(ReadProfileName(s.Folder(), 3, name));
      QCOMPARE(TextOf(name.Name).size(), std::size_t{200});
      QCOMPARE(list->item(2, 0)->text().size(), 200);
    }
    // A truncated settings file and a name file shorter than the count: not listed.
    QFile::resize(QString::fromStdString(SettingsFilePath(s.Folder(), 3)), 1000);
    s.ctx->startup.ProfileCount = 40;
    QCOMPARE(ListProfiles(s.Folder(), 40).size(), std::size_t{2});

    // Switch to 2 from the main window (No: the current profile unsaved).
    s.answer = QMessageBox::No;
    s.window->Host().modalScript = [&s, script = s.window->Host().modalScript](QDialog& d) {
      if (auto* dlg = qobject_cast<ProfileDialog*>(&d)) {
        dlg->RowMenu(1)->findChild<QAction*>("cmdSwitch")->trigger();
      } else {
        script(d);
      }
    };
    s.window->findChild<QPushButton*>("profiles")->click();
    QCOMPARE(s.ctx->startup.ProfileNumber, 2);
    QCOMPARE(s.ctx->settings.WriteDate, 1);  // profile 2's copy
    QVERIFY(s.window->windowTitle().endsWith(QStringLiteral("[2:写真]")));
    QVERIFY(s.window->Basic().findChild<QCheckBox*>("writeDate")->isChecked());
  }

  // "/P" and no number: a numbered list on a terminal (a pseudo-terminal
  // from script(1)), the chosen profile's settings used; an empty answer
  // ends with 0 and writes nothing; without terminal or display a message.
  void ChooserOnTerminal() {
    QTemporaryDir home;
    const std::string h = home.path().toStdString();
    const std::string tree = h + "/tree";
    QDir().mkpath(QString::fromStdString(tree));
    QFile f(QString::fromStdString(tree + "/a.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("abc");
    f.close();
    AppContext ctx;
    ctx.programFolder = h + "/";
    LoadSettingsAtStartup(ctx, std::nullopt);
    ctx.settings.FileNameOnly = 1;
    QVERIFY(CreateProfile(ctx.programFolder, ctx.startup, ctx.settings, {}).has_value());
    QVERIFY(RenameProfile(ctx.programFolder, 1, u"名前だけ"));
    QVERIFY(WriteStartupRecord(ctx.programFolder, ctx.startup));

    testing::RunOptions opts;
    opts.env = {
        {"ORDANO_HOME", h}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
    const std::string command = std::string(ORDANOU_BINARY) + " /P /O:" + h + " /F:out.txt " + tree;
    opts.stdinText = "7\n1\n";
    auto r = testing::RunProgram("/usr/bin/script", {"-qec", command, "/dev/null"}, opts);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.find("   1  名前だけ") != std::string::npos, r.out.c_str());
    QVERIFY(r.out.find("7: その番号のプロファイルはありません。") != std::string::npos);
    const QByteArray catalogue = FileBytes(h + "/out.txt");
    QVERIFY(!catalogue.isEmpty());
    // File names only: no size column.
    QVERIFY(!QString::fromUtf16(reinterpret_cast<const char16_t*>(catalogue.constData() + 2),
                                (catalogue.size() - 2) / 2)
                 .contains(QStringLiteral("3 ")));

    QFile::remove(QString::fromStdString(h + "/out.txt"));
    opts.stdinText = "\n";
    r = testing::RunProgram("/usr/bin/script", {"-qec", command, "/dev/null"}, opts);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!QFile::exists(QString::fromStdString(h + "/out.txt")));

    opts.stdinText = "1\n";
    r = testing::RunOrdanou({"/P", tree}, opts);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.find("/P") != std::string::npos);
  }

  // The timed splash's alpha table, the shape cut from the corner colour,
  // and title_.bmp files that are no bitmap or claim a huge one.
  void SplashAlphaAndShape() {
    const std::pair<int, int> table[] = {{1, 16},   {15, 240}, {16, 255}, {45, 255},
                                         {46, 255}, {62, 0},   {70, -1}};
    for (const auto& [tick, alpha] : table) QCOMPARE(SplashAlpha(tick, 255), alpha);
    QCOMPARE(SplashAlpha(30, 200), 200);

    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(qRgb(0, 128, 0));
    for (int y = 2; y < 5; ++y) {
      for (int x = 3; x < 8; ++x) picture.setPixel(x, y, qRgb(200, 0, 0));
    }
    picture.setPixel(15, 8, qRgb(1, 128, 0));
    const QRegion shape = ShapeOf(picture);
    QCOMPARE(shape, QRegion(3, 2, 5, 3) + QRegion(15, 8, 1, 1));
    picture.fill(qRgb(9, 9, 9));
    QVERIFY(ShapeOf(picture).isEmpty());

    QTemporaryDir dir;
    const QString bmp = dir.filePath("title_.bmp");
    const QSize builtIn = BuiltInTitlePicture().size();
    QFile text(bmp);
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a bitmap at all, just words");
    text.close();
    QCOMPARE(TitleSplash(dir.path() + "/").Picture().size(), builtIn);
    QByteArray huge(54, '\0');
    huge[0] = 'B';
    huge[1] = 'M';
    const auto put = [&huge](int at, quint32 v) {
      for (int i = 0; i < 4; ++i) huge[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(14, 40);
    put(18, 100000);
    put(22, 100000);
    huge[26] = 1;
    huge[28] = 24;
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write(huge);
    text.close();
    QVERIFY(LoadTitleBitmap(bmp).isNull());
    // A real bitmap is used, in its shape.
    QImage own(30, 20, QImage::Format_RGB32);
    own.fill(Qt::white);
    own.setPixel(10, 10, qRgb(0, 0, 255));
    QVERIFY(own.save(bmp, "BMP"));
    TitleSplash title(dir.path() + "/");
    QCOMPARE(title.Picture().size(), QSize(30, 20));
    QCOMPARE(title.mask(), QRegion(10, 10, 1, 1));

    // Timed show fades; staying while fading stops the fade at full alpha.
    title.ShowTimed();
    for (int i = 0; i < 20; ++i) title.Step();
    QVERIFY(title.Fading());
    QCOMPARE(title.Alpha(), 255);
    for (int i = 0; i < 30; ++i) title.Step();
    QVERIFY(title.Alpha() < 255);
    title.ShowStaying();
    QVERIFY(!title.Fading());
    QCOMPARE(title.Alpha(), 255);
    title.MakeMenu()->findChild<QAction*>("cmdClose")->trigger();
    QVERIFY(title.isHidden());
    title.ShowTimed();
    for (int i = 0; i < 70; ++i) title.Step();
    QVERIFY(title.isHidden() && !title.Fading());
  }

  // The splash is a window of the main window's: while the main window is
  // shown, a right click on the staying splash opens its menu and "閉じる"
  // closes it. At start it stands beside the window where the screen has
  // room, never over it.
  void SplashTakesItsMenuWhileTheWindowIsUpAndStandsBesideIt() {
    Session s;
    TitleSplash& title = s.window->Title();
    QCOMPARE(title.parentWidget(), s.window.get());
    QVERIFY(title.windowFlags() & Qt::FramelessWindowHint);
    title.ShowStaying();
    QVERIFY(QTest::qWaitForWindowExposed(&title));
    QSignalSpy closed(&title, &TitleSplash::closed);
    bool menuShown = false;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      menuShown = menu != nullptr;
      if (menu != nullptr) menu->findChild<QAction*>("cmdClose")->trigger();
      if (menu != nullptr) menu->close();
    });
    QTest::mouseClick(&title, Qt::RightButton, {}, title.rect().center());
    QVERIFY(menuShown);
    QVERIFY(title.isHidden());
    QCOMPARE(closed.count(), 1);

    const QRect area(0, 0, 1280, 800);
    const QSize splash(440, 260);
    QCOMPARE(PlaceBeside(splash, QRect(0, 0, 705, 741), area), QPoint(713, 0));
    QCOMPARE(PlaceBeside(splash, QRect(600, 100, 705, 600), area), QPoint(152, 100));
    QCOMPARE(PlaceBeside(splash, QRect(0, 0, 1280, 400), area), QPoint(0, 408));
    QCOMPARE(PlaceBeside(splash, QRect(0, 0, 800, 600), QRect(0, 0, 800, 600)), std::nullopt);
  }

  // The information page: memory figures as /proc/meminfo has them, the
  // nine archiver lines, the title box and menu 32787, the link.
  void InformationPage() {
    Session s;
    InfoPage& info = s.window->Info();
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    QVERIFY(meminfo.open(QIODevice::ReadOnly));
    const QString raw = QString::fromLatin1(meminfo.readAll());
    const QRegularExpression total(QStringLiteral("^MemTotal:\\s+(\\d+) kB"),
                                   QRegularExpression::MultilineOption);
    const qint64 bytes = total.match(raw).captured(1).toLongLong() * 1024;
    const QString grouped = QLocale(QLocale::English).toString(bytes);
    info.Refresh();
    const QRegularExpression form(
        QStringLiteral("^Memory:\n　　[0-9,]+B/([0-9,]+)B\nPage:\n　　[0-9,]+B/[0-9,]+B$"));
    const auto m = form.match(info.findChild<QLabel*>("memory")->text());
    QVERIFY2(m.hasMatch(), qPrintable(info.findChild<QLabel*>("memory")->text()));
    QCOMPARE(m.captured(1), grouped);
    QCOMPARE(info.findChild<QLabel*>("archivers")->text().split('\n').size(), 9);
    QVERIFY(
        info.findChild<QLabel*>("archivers")->text().contains(QStringLiteral("UnGCA32.dll none")));

    info.findChild<QCheckBox*>("titleAtStart")->click();
    QCOMPARE(s.ctx->settings.NoTitleAtStart, 0);
    QVERIFY(!s.window->MenuAction(kCmdNoTitleAtStart)->isChecked());
    s.window->MenuAction(kCmdNoTitleAtStart)->trigger();
    QVERIFY(!info.findChild<QCheckBox*>("titleAtStart")->isChecked());

    info.SetLink(QStringLiteral("someone@example.org"));
    QTest::mouseClick(info.findChild<LinkLabel*>("supportLink"), Qt::LeftButton);
    QCOMPARE(s.window->Host().opened.back(), std::string("mailto:someone@example.org"));
    QCOMPARE(info.findChild<LinkLabel*>("supportLink")->palette().color(QPalette::WindowText),
             QColor(0, 0, 255));
    QVERIFY(info.findChild<LinkLabel*>("supportLink")->font().underline());
  }

  // The window's language from the environment: ORDANO_LANG first, then the
  // locale variables in gettext's order; Japanese for C/POSIX and nothing set.
  void LanguageFromEnvironment() {
    struct Row {
      const char* name;
      std::vector<std::pair<const char*, const char*>> env;
      WindowLanguage want;
    };
    constexpr auto ja = WindowLanguage::Japanese;
    constexpr auto en = WindowLanguage::English;
    const std::vector<Row> rows = {
        {"nothing set", {}, ja},
        {"LANG ja", {{"LANG", "ja_JP.UTF-8"}}, ja},
        {"LANG en", {{"LANG", "en_US.UTF-8"}}, en},
        {"LANG de", {{"LANG", "de_DE.UTF-8"}}, en},
        {"LANG C", {{"LANG", "C"}}, ja},
        {"LANG C.UTF-8", {{"LANG", "C.UTF-8"}}, ja},
        {"LANG POSIX", {{"LANG", "POSIX"}}, ja},
        {"LANG empty", {{"LANG", ""}}, ja},
        {"LC_MESSAGES over LANG", {{"LC_MESSAGES", "en_GB.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}, en},
        {"LC_ALL over LC_MESSAGES", {{"LC_ALL", "ja_JP.UTF-8"}, {"LC_MESSAGES", "en_GB"}}, ja},
        {"empty LC_ALL skipped", {{"LC_ALL", ""}, {"LANG", "fr_FR.UTF-8"}}, en},
        {"LANGUAGE over LC_ALL", {{"LANGUAGE", "en_GB:ja"}, {"LC_ALL", "ja_JP.UTF-8"}}, en},
        {"LANGUAGE's first entry", {{"LANGUAGE", "ja:en"}, {"LANG", "en_US.UTF-8"}}, ja},
        {"ORDANO_LANG en over all", {{"ORDANO_LANG", "en"}, {"LANGUAGE", "ja"}}, en},
        {"ORDANO_LANG ja over all", {{"ORDANO_LANG", "ja"}, {"LC_ALL", "en_US.UTF-8"}}, ja},
        {"unknown ORDANO_LANG ignored", {{"ORDANO_LANG", "xx"}, {"LANG", "en_US.UTF-8"}}, en},
    };
    for (const Row& row : rows) {
      const auto env = [&row](const char* name) -> const char* {
        for (const auto& [k, v] : row.env) {
          if (std::strcmp(k, name) == 0) return v;
        }
        return nullptr;
      };
      QVERIFY2(ChooseWindowLanguage(env) == row.want, row.name);
    }
  }
};

}  // namespace ordano

QTEST_MAIN(ordano::PagesTest)
#include "pages_test.moc"
