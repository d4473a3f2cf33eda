#include "app/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>
#include <ctime>

#include "app/library_lookup.h"
#include "app/window/advanced_page.h"
#include "app/window/basic_page.h"
#include "app/window/compare_report.h"
#include "app/window/drive_page.h"
#include "app/window/html_page.h"
#include "app/window/info_page.h"
#include "app/window/library_search_window.h"
#include "app/window/library_volumes_window.h"
#include "app/window/multi_folder_page.h"
#include "app/window/pages.h"
#include "app/window/profile_dialog.h"
#include "app/window/profile_name_dialog.h"
#include "app/window/title_splash.h"
#include "app/window/update_offer.h"
#include "app/window/web_page.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "platform/unicode.h"
#include "scan/archive/archiver_table.h"
#include "settings/settings_defaults.h"
#include "settings/settings_files.h"
#include "settings/settings_normalise.h"
#include "settings/settings_profiles.h"
#include "toolkit/link_static.h"

#ifndef ORDANO_SUPPORT_URL
#define ORDANO_SUPPORT_URL ""
#endif
#ifndef ORDANO_HELP_RELDIR
#define ORDANO_HELP_RELDIR "share/doc/ordano"
#endif
#ifndef ORDANO_SOURCE_HELP
#define ORDANO_SOURCE_HELP ""
#endif

// The icons are compiled into the static window library.
static void InitWindowResources() { Q_INIT_RESOURCE(ordanou); }

namespace ordano {
namespace {

constexpr const char* kExitQuestion =
    QT_TRANSLATE_NOOP("ordano::MainWindow",
                      "おるだの♪の設定項目が変更されました。\n"
                      "以下の保存の種類から選択してください保存を行います。\n\n"
                      "[はい]新規プロファイルを作成し保存します。\n"
                      "[いいえ]現在のプロファイルへ保存します。\n"
                      "[キャンセル]保存せずに終了します。");

constexpr const char* kBusyDropText = QT_TRANSLATE_NOOP(
    "ordano::MainWindow", "処理の実行中です。終わるか中止してからドロップしてください。");

struct MenuItem {
  int id;
  const char* name;  // the action's object name
  const char* label;
  bool checkable;
};

constexpr ControlNames<MainControl> kControlNames = {{
    {MainControl::FormSwitch, "formSwitch"},
    {MainControl::Profiles, "profiles"},
    {MainControl::Tabs, "tabBar"},
    {MainControl::Support, "support"},
    {MainControl::Exit, "exit"},
    {MainControl::CompactHint, "compactHint"},
    {MainControl::CompactSupport, "compactSupport"},
    {MainControl::CompactExit, "compactExit"},
}};
static_assert(InEnumOrder(kControlNames));

}  // namespace

double DisplayScale(double dpiX) { return std::max(dpiX / 99.0, 1.02); }

MainWindow::MainWindow(AppContext& ctx)
    : QMainWindow(nullptr),
      ToolkitSurface(static_cast<QWidget&>(*this)),
      ctx_(ctx),
      host_(ctx, this),
      controls_(kControlNames) {
  setObjectName("mainWindow");
  ctx_.SetHost(host_);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    scale_ = DisplayScale(screen->logicalDotsPerInchX());
  }
  InitWindowResources();
  QIcon icon(QStringLiteral(":/ordano/ordanou-256.png"));
  icon.addFile(QStringLiteral(":/ordano/ordanou-48.png"));
  icon.addFile(QStringLiteral(":/ordano/ordanou-16.png"));
  setWindowIcon(icon);
  outputTimer_.setObjectName("timer9901");
  outputTimer_.setSingleShot(true);
  outputTimer_.setInterval(50);
  BuildMenu();
  BuildBody();
  ConnectAll();
}

MainWindow::~MainWindow() {
  // A run still under way ends before the pages it reads go away.
  host_.ShutDown();
  if (&ctx_.Host() == &host_) ctx_.SetHost(QuietHost());
}

void MainWindow::BuildMenu() {
  menuBar_ = Child<QMenuBar>(this);
  setMenuBar(menuBar_);
  auto add = [this](QMenu* menu, const MenuItem& item) {
    QAction* a = menu->addAction(tr(item.label));
    a->setObjectName(QLatin1String(item.name));
    a->setCheckable(item.checkable);
    actions_[item.id] = a;
  };
  QMenu* file = menuBar_->addMenu(tr("ﾌｧｲﾙ(&F)"));
  add(file, {kCmdCompare, "cmdCompare", QT_TR_NOOP("カタログの比較(&C)..."), false});
  add(file, {kCmdVerify, "cmdVerify", QT_TR_NOOP("カタログの検証(&V)..."), false});
  file->addSeparator();
  add(file, {kCmdExit, "cmdExit", QT_TR_NOOP("おるだの♪の終了(&E)"), false});
  QMenu* settings = menuBar_->addMenu(tr("設定(&O)"));
  QMenu* title = settings->addMenu(tr("タイトル(&T)"));
  add(title, {kCmdNoTitleAtStart, "cmdNoTitleAtStart", QT_TR_NOOP("起動時タイトルを表示しない(&T)"),
              true});
  add(title, {kCmdTitleTimed, "cmdTitleTimed", QT_TR_NOOP("もう一度タイトルを見る(&1)"), false});
  add(title,
      {kCmdTitleStaying, "cmdTitleStaying", QT_TR_NOOP("ずっと表示したままにする(&2)"), false});
  QMenu* profile = settings->addMenu(tr("プロファイル設定(&P)"));
  add(profile, {kCmdProfiles, "cmdProfiles", QT_TR_NOOP("設定画面(&E)"), false});
  add(profile, {kCmdConfirmOnExit, "cmdConfirmOnExit",
                QT_TR_NOOP("設定変更時、終了時に保存確認(&S)"), true});
  add(profile, {kCmdDefaults, "cmdDefaults", QT_TR_NOOP("デフォルトに戻す(&D)"), false});
  settings->addSeparator();
  add(settings, {kCmdSaveTab, "cmdSaveTab", QT_TR_NOOP("タブ位置を保存する(&T)"), true});
  add(settings, {kCmdSaveDrive, "cmdSaveDrive",
                 QT_TR_NOOP("ドライブ丸ごとのドライブ位置を保存する(&D)"), true});
  QMenu* view = menuBar_->addMenu(tr("表示(&V)"));
  add(view, {kCmdBasicTab, "cmdBasicTab", QT_TR_NOOP("基本設定(&B)"), false});
  add(view, {kCmdBasicTab + 1, "cmdAdvancedTab", QT_TR_NOOP("応用設定(&E)"), false});
  add(view, {kCmdBasicTab + 2, "cmdExtrasTab", QT_TR_NOOP("拡張機能(&X)"), false});
  add(view, {kCmdBasicTab + 3, "cmdMultiFolderTab", QT_TR_NOOP("マルチフォルダ(&M)"), false});
  add(view, {kCmdInfoTab, "cmdInfoTab", QT_TR_NOOP("情報表示(&I)"), false});
  QMenu* tools = menuBar_->addMenu(tr("ツール(&T)"));
  QAction* search = tools->addAction(tr("ライブラリを検索(&S)..."));
  search->setObjectName("cmdLibrarySearch");
  search->setShortcut(QKeySequence::Find);
  connect(search, &QAction::triggered, this, [this] { OpenLibrarySearch(); });
  QAction* volumes = tools->addAction(tr("ライブラリのボリューム(&V)..."));
  volumes->setObjectName("cmdLibraryVolumes");
  connect(volumes, &QAction::triggered, this, [this] { OpenLibraryVolumes(); });
  QMenu* help = menuBar_->addMenu(tr("ﾍﾙﾌﾟ(&H)"));
  add(help, {kCmdHelp, "cmdHelp", QT_TR_NOOP("目次(&C)"), false});
  add(help, {kCmdAbout, "cmdAbout", QT_TR_NOOP("バージョン情報(&A)"), false});
}

void MainWindow::BuildBody() {
  body_ = Child<QWidget>(this);
  body_->setObjectName("body");
  setCentralWidget(body_);
  auto* rows = Child<QVBoxLayout>(body_);
  rows->setContentsMargins(5, 5, 5, 5);
  rows->setSpacing(4);

  auto button = [this](MainControl id, const QString& text) {
    auto* b = controls_.Add(id, Child<QPushButton>(text, body_));
    b->setAutoDefault(false);
    return b;
  };
  auto* top = Child<QHBoxLayout>();
  QPushButton* form = button(MainControl::FormSwitch, tr("▲"));
  form->setToolTip(tr("コンパクトモード/通常モード切替\n▲：コンパクトモードへ\n▼：通常モードへ"));
  QPushButton* profiles = button(MainControl::Profiles, tr("★"));
  profiles->setToolTip(tr("プロファイル画面を表示します。"));
  for (QPushButton* b : {form, profiles}) {
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(tr("▲▲")) + 12);
    top->addWidget(b);
  }
  top->addStretch();
  rows->addLayout(top);

  // The pages, in the order the window creates them.
  basic_ = Child<BasicPage>(ctx_, host_, body_);
  advanced_ = Child<AdvancedPage>(ctx_, body_);
  drive_ = Child<DrivePage>(ctx_, host_.Worker(), body_);
  html_ = Child<HtmlTagPage>(body_);
  multi_ = Child<FolderListPage>(ctx_, host_.Worker(), body_);
  info_ = Child<InfoPage>(ctx_, body_);
  hint_ = Child<FolderListHint>(body_);
  web_ = Child<WebPage>(ctx_, host_.Worker(), body_);

  tabs_ = Child<QTabWidget>(body_);
  tabs_->setObjectName("tabs");
  controls_.Add(MainControl::Tabs, tabs_->tabBar());
  QFont tabFont = tabs_->tabBar()->font();
  tabFont.setFamilies({QStringLiteral("Meiryo UI"), QStringLiteral("Noto Sans CJK JP")});
  tabFont.setPixelSize(qRound(11 * scale_) + 1);
  tabs_->tabBar()->setFont(tabFont);
  tabs_->setDocumentMode(true);
  tabs_->tabBar()->setExpanding(true);
  const std::pair<const char*, std::vector<QWidget*>> tabPages[] = {
      {QT_TR_NOOP("基本(出力設定)"), {basic_}},  {QT_TR_NOOP("高度(追加設定)"), {advanced_}},
      {QT_TR_NOOP("拡張機能"), {drive_, html_}}, {QT_TR_NOOP("マルチフォルダ"), {hint_, multi_}},
      {QT_TR_NOOP("Web検索"), {web_}},           {QT_TR_NOOP("情報表示"), {info_}}};
  for (const auto& [label, pages] : tabPages) {
    tabs_->addTab(TabPane(pages), tr(label));
  }
  rows->addWidget(tabs_, 1);

  normalFoot_ = Child<QWidget>(body_);
  auto* foot = Child<QHBoxLayout>(normalFoot_);
  foot->setContentsMargins(0, 0, 0, 0);
  dropHint_ = Child<QLabel>(tr("ファイルまたはフォルダをドロップしてください"), body_);
  foot->addWidget(dropHint_, 1);
  foot->addWidget(button(MainControl::Support, tr("開発HPへ")));
  foot->addWidget(button(MainControl::Exit, tr("終了")));
  rows->addWidget(normalFoot_);

  compactPart_ = Child<QWidget>(body_);
  auto* compact = Child<QVBoxLayout>(compactPart_);
  compact->setContentsMargins(0, 0, 0, 0);
  compactHint_ =
      controls_.Add(MainControl::CompactHint,
                    Child<QLabel>(tr("ファイルまたはフォルダをドロップしてください"), body_));
  compactHint_->setAlignment(Qt::AlignCenter);
  compactHint_->setFrameShape(QFrame::StyledPanel);
  compactHint_->setMinimumSize(qRound(320 * scale_), qRound(48 * scale_));
  compact->addWidget(compactHint_, 1);
  auto* compactButtons = Child<QHBoxLayout>();
  compactButtons->addWidget(button(MainControl::CompactSupport, tr("開発HPへ")));
  compactButtons->addStretch();
  compactButtons->addWidget(button(MainControl::CompactExit, tr("終了")));
  compact->addLayout(compactButtons);
  rows->addWidget(compactPart_, 1);

  controls_.Get<QPushButton>(MainControl::Exit)->setToolTip(tr("おるだの♪を終了します。"));
  controls_.Get<QPushButton>(MainControl::CompactExit)->setToolTip(tr("おるだの♪を終了します。"));
  controls_.Get<QPushButton>(MainControl::Support)->setToolTip(tr("開発HPを開きます。"));
  controls_.Get<QPushButton>(MainControl::CompactSupport)->setToolTip(tr("開発HPを開きます。"));
}

QScrollArea* MainWindow::TabPane(const std::vector<QWidget*>& pages) {
  // A page taller or wider than the window scrolls inside its tab.
  auto* pane = Child<QScrollArea>(tabs_);
  pane->setWidgetResizable(true);
  pane->setFrameShape(QFrame::NoFrame);
  auto* holder = Child<QWidget>(pane);
  auto* column = Child<QVBoxLayout>(holder);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  for (QWidget* page : pages)
    column->addWidget(page, page == pages.front() && pages.size() > 1 ? 0 : 1);
  pane->setWidget(holder);
  panes_.push_back(pane);
  return pane;
}

QSize MainWindow::PreferredSize() const {
  QSize content(0, 0);
  for (const QScrollArea* pane : panes_) content = content.expandedTo(pane->widget()->sizeHint());
  const QSize paneHint = panes_.front()->sizeHint();
  const QSize extra(std::max(0, content.width() - paneHint.width()),
                    std::max(0, content.height() - paneHint.height()));
  return sizeHint() + extra;
}

std::vector<ToolkitPage*> MainWindow::Pages() const {
  return {basic_, advanced_, drive_, html_, multi_, info_, hint_, web_};
}

QAction* MainWindow::MenuAction(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::ConnectAll() {
  connect(&outputTimer_, &QTimer::timeout, this, &MainWindow::FinishRunNow);
  connect(controls_.Get<QPushButton>(MainControl::FormSwitch), &QPushButton::clicked, this,
          &MainWindow::SwitchForm);
  for (MainControl id : {MainControl::Exit, MainControl::CompactExit}) {
    connect(controls_.Get<QPushButton>(id), &QPushButton::clicked, this, [this] { close(); });
  }
  for (MainControl id : {MainControl::Support, MainControl::CompactSupport}) {
    connect(controls_.Get<QPushButton>(id), &QPushButton::clicked, this,
            &MainWindow::OpenSupportPage);
  }
  connect(controls_.Get<QPushButton>(MainControl::Profiles), &QPushButton::clicked, this,
          &MainWindow::OpenProfileDialog);
  auto on = [this](int id, auto&& fn) { connect(actions_[id], &QAction::triggered, this, fn); };
  on(kCmdExit, [this] { close(); });
  on(kCmdCompare, [this] { CompareFromWindow(*this); });
  on(kCmdVerify, [this] { VerifyFromWindow(*this, host_); });
  on(kCmdNoTitleAtStart, [this](bool checked) {
    ctx_.settings.NoTitleAtStart = checked ? 1 : 0;
    info_->ShowTitleBox(!checked);
  });
  on(kCmdTitleTimed, [this] { Title().ShowTimed(); });
  on(kCmdTitleStaying, [this] { Title().ShowStaying(); });
  on(kCmdProfiles, [this] { OpenProfileDialog(); });
  on(kCmdConfirmOnExit, [this](bool checked) { ctx_.startup.ConfirmSaveOnExit = checked ? 1 : 0; });
  on(kCmdSaveTab, [this](bool checked) { ctx_.startup.SaveTabPosition = checked ? 1 : 0; });
  on(kCmdSaveDrive, [this](bool checked) { ctx_.startup.SaveDrivePosition = checked ? 1 : 0; });
  on(kCmdDefaults, [this] { BackToDefaults(); });
  for (int i = 0; i < 4; ++i) on(kCmdBasicTab + i, [this, i] { SelectTab(i); });
  on(kCmdInfoTab, [this] { SelectTab(kInfoTab); });
  on(kCmdAbout, [this] { SelectTab(kInfoTab); });
  on(kCmdHelp, [this] { OpenHelp(); });
  connect(advanced_, &AdvancedPage::acrylicToggled, this, &MainWindow::ApplyAcrylic);
  connect(multi_, &FolderListPage::runListChanged, basic_, &BasicPage::SetFolderCopy);
  connect(info_, &InfoPage::titleBoxToggled, this,
          [this](bool shown) { actions_[kCmdNoTitleAtStart]->setChecked(!shown); });
  connect(info_, &InfoPage::updateCheckRequested, this,
          [this] { CheckForUpdateFromWindow(*this); });
  // The crawl reads the settings while it works: the other pages, the menu
  // and the window's buttons wait; the web page keeps its stop, 終了 stops too.
  auto lockForCrawl = [this](bool locked) {
    for (ToolkitPage* page : Pages()) {
      if (page != web_) page->setEnabled(!locked);
    }
    for (MainControl id : {MainControl::FormSwitch, MainControl::Profiles, MainControl::Support,
                           MainControl::CompactSupport}) {
      controls_.Get(id)->setEnabled(!locked);
    }
    menuBar_->setEnabled(!locked);
  };
  connect(web_, &WebPage::crawlStarted, this, [lockForCrawl] { lockForCrawl(true); });
  connect(web_, &WebPage::crawlFinished, this, [lockForCrawl] { lockForCrawl(false); });
  // A close asked for while a run worked follows once it has returned.
  connect(&host_.Worker(), &RunWorker::finished, this, [this] {
    if (closeRequested_ && !Busy()) close();
  });
  connect(info_, &InfoPage::titleTimedRequested, this, [this] { Title().ShowTimed(); });
  connect(info_, &InfoPage::titleStayingRequested, this, [this] { Title().ShowStaying(); });
  connect(info_, &InfoPage::linkActivated, this, [this](const QString& address) {
    host_.OpenWithDefaultProgram(address.toStdString(), {});
  });
}

void MainWindow::Initialise() {
  ApplySettings();
  // The support address, or the help page without one.
  const QString support = QStringLiteral(ORDANO_SUPPORT_URL);
  const QString help = HelpPagePath();
  info_->SetLink(!support.isEmpty() ? support
                 : help.isEmpty()   ? QString()
                                    : QUrl::fromLocalFile(help).toString());
  if (ctx_.startup.SaveTabPosition == 1) {
    actions_[kCmdSaveTab]->setChecked(true);
    SelectTab(std::clamp(ctx_.startup.TabIndex, 0, kTabCount - 1));
  }
  if (ctx_.startup.SaveDrivePosition == 1) {
    actions_[kCmdSaveDrive]->setChecked(true);
    drive_->SelectDrive(ctx_.startup.DriveIndex);
  }
  RestorePlacement();
  // The saved form: flip, then switch once (which flips it back).
  ctx_.startup.NormalMode = ctx_.startup.NormalMode ? 0 : 1;
  SwitchForm();
  ApplyToolkitLook();
  for (ToolkitPage* page : Pages()) page->ApplyToolkitLook();
}

void MainWindow::ApplySettings() {
  ReadCurrentProfileName(ctx_);
  ReadCurrentFolderList(ctx_);
  setWindowTitle(
      tr("おるだの♪ Ver %1 [%2:%3]")
          .arg(QString::fromUtf8(kVersionText), QString::number(ctx_.startup.ProfileNumber),
               QString::fromStdU16String(std::u16string(TextOf(ctx_.profileName.Name)))));
  // Made topmost, never the other way while the program runs (changing the
  // flag of a shown window hides it, so it is shown again).
  if (ctx_.settings.NoTopmost == 0 && !(windowFlags() & Qt::WindowStaysOnTopHint)) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown) show();
  }
  actions_[kCmdConfirmOnExit]->setChecked(ctx_.startup.ConfirmSaveOnExit != 0);
  SetPlainOpacity(ctx_.settings.Translucent == 1 ? 200.0 / 255.0 : 1.0);
  if (!ctx_.archivers) {
    ctx_.archivers = LoadArchivers();
    info_->ShowArchivers();
  }
  ApplyPages();
}

void MainWindow::ApplyPages() {
  NormaliseForAllPages(ctx_.settings);
  basic_->Apply(ctx_.settings);
  advanced_->Apply(ctx_.settings);
  html_->Apply(ctx_.settings);
  multi_->Reload();
  actions_[kCmdNoTitleAtStart]->setChecked(ctx_.settings.NoTitleAtStart != 0);
  info_->ShowTitleBox(ctx_.settings.NoTitleAtStart == 0);
  SetAcrylic(ctx_.settings.AcrylicMode == 1);
}

void MainWindow::CollectPages() {
  // The multi-folder list is held live in the context.
  advanced_->Collect(ctx_.settings);
  html_->Collect(ctx_.settings);
  basic_->Collect(ctx_.settings);
}

void MainWindow::OpenProfileDialog() {
  CollectPages();
  ProfileDialog dialog(ctx_, host_, false, this);
  host_.Exec(dialog);
  if (dialog.result() == QDialog::Accepted) ApplySettings();
}

TitleSplash& MainWindow::Title() {
  if (title_ == nullptr)
    title_ = Child<TitleSplash>(QString::fromStdString(ctx_.programFolder), this);
  return *title_;
}

LibrarySearchWindow& MainWindow::OpenLibrarySearch() {
  if (librarySearch_ == nullptr) {
    librarySearch_ =
        new LibrarySearchWindow(QString::fromStdString(LibraryPathFor(std::nullopt)), this);
  }
  librarySearch_->show();
  librarySearch_->raise();
  librarySearch_->activateWindow();
  return *librarySearch_;
}

LibraryVolumesWindow& MainWindow::OpenLibraryVolumes() {
  if (libraryVolumes_ == nullptr) {
    libraryVolumes_ =
        new LibraryVolumesWindow(QString::fromStdString(LibraryPathFor(std::nullopt)), this);
    // Hits of a forgotten volume leave the search window's list.
    connect(libraryVolumes_, &LibraryVolumesWindow::volumeForgotten, this, [this] {
      if (librarySearch_ != nullptr) librarySearch_->Search();
    });
  }
  libraryVolumes_->show();
  libraryVolumes_->raise();
  libraryVolumes_->activateWindow();
  libraryVolumes_->Reload();
  return *libraryVolumes_;
}

void MainWindow::ApplyAcrylic(bool on) {
  ctx_.settings.AcrylicMode = on ? 1 : 0;
  advanced_->ShowAcrylic(on);
  SetAcrylic(on);
}

int MainWindow::CurrentTab() const { return tabs_->currentIndex(); }

void MainWindow::SelectTab(int index) { tabs_->setCurrentIndex(index); }

bool MainWindow::NormalForm() const { return ctx_.startup.NormalMode != 0; }

void MainWindow::SwitchForm() {
  const bool toCompact = NormalForm();
  ctx_.startup.NormalMode = toCompact ? 0 : 1;
  controls_.Get<QPushButton>(MainControl::FormSwitch)->setText(toCompact ? tr("▼") : tr("▲"));
  if (toCompact && isVisible()) normalSize_ = size();
  tabs_->setVisible(!toCompact);
  normalFoot_->setVisible(!toCompact);
  compactPart_->setVisible(toCompact);
  if (toCompact) {
    // A small drop target of its own size.
    body_->layout()->activate();
    setFixedSize(sizeHint());
  } else {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    body_->layout()->activate();
    resize(normalSize_.isValid() ? normalSize_ : PreferredSize());
  }
}

void MainWindow::RestorePlacement() {
  const StartupRecord& st = ctx_.startup;
  QScreen* screen = QGuiApplication::primaryScreen();
  QRect wanted(QPoint(0, 0), PreferredSize());
  if (st.WindowLeft != kNoWindowPlacement) {
    wanted = QRect(st.WindowLeft, st.WindowTop, st.WindowWidth, st.WindowHeight);
    if (wanted.width() < 100 || wanted.height() < 100) wanted.setSize(PreferredSize());
    // The screen the saved place lies on; a monitor since removed gives the primary one.
    if (QScreen* on = QGuiApplication::screenAt(wanted.center())) screen = on;
  }
  if (screen == nullptr) {
    resize(wanted.size());
    return;
  }
  const QRect area = screen->availableGeometry();
  const QSize size = wanted.size().boundedTo(area.size()).expandedTo(minimumSizeHint());
  if (st.WindowLeft == kNoWindowPlacement) {
    wanted = QRect(QPoint(area.x() + (area.width() - size.width()) / 2,
                          area.y() + (area.height() - size.height()) / 2),
                   size);
  } else {
    wanted.setSize(size);
  }
  // The whole window on the screen.
  wanted.moveLeft(std::clamp(wanted.left(), area.left(),
                             std::max(area.left(), area.right() - size.width() + 1)));
  wanted.moveTop(std::clamp(wanted.top(), area.top(),
                            std::max(area.top(), area.bottom() - size.height() + 1)));
  normalSize_ = size;
  resize(size);
  move(wanted.topLeft());
}

void MainWindow::SetRunning(bool running) {
  running_ = running;
  body_->setEnabled(!running);
  menuBar_->setEnabled(!running);
  emit runningChanged(running);
}

bool MainWindow::Busy() const { return host_.Worker().Busy() || outputTimer_.isActive(); }

bool MainWindow::HandleDrop(const std::vector<std::string>& paths) {
  if (Busy()) {
    // A scan disables the window; a crawl leaves it open, so say why nothing starts.
    host_.MessageBox(tr(kBusyDropText).toStdU16String(), tr("おるだの♪").toStdU16String(),
                     MsgIcon::Information, MsgButtons::Ok);
    return true;
  }
  if (NormalForm() && CurrentTab() == kMultiFolderTab) {
    multi_->AddFolders(paths);
    return true;
  }
  StartDropRun(paths);
  return true;
}

void MainWindow::StartDropRun(const std::vector<std::string>& paths) {
  raise();
  activateWindow();
  lastResult_ = RunResult{};
  // The scan works on the worker thread; the result is read here after it
  // has been joined.
  auto scan = std::make_shared<std::pair<bool, std::vector<std::string>>>();
  host_.Worker().Start(
      [this, paths, scan] { scan->first = DropRunScan(ctx_, paths, &scan->second); },
      [this, scan] {
        const bool scanned = scan->first;
        for (const std::string& path : scan->second) {
          std::fprintf(stderr, "ordanou: %s: no such file or folder\n", path.c_str());
        }
        lastResult_.missingPaths = std::move(scan->second);
        if (!scanned) lastResult_.outcome = RunOutcome::Cancelled;
        if (scanned && !closeRequested_) {
          // Held between the scan and its output: nothing else starts.
          host_.Worker().Hold(true);
          outputTimer_.start();
        } else {
          emit runFinished();
        }
      });
}

void MainWindow::FinishRunNow() {
  outputTimer_.stop();
  if (host_.Worker().Running()) return;
  host_.Worker().Hold(false);
  if (!ctx_.run.TableAllocated) return;
  if (closeRequested_) {
    // Closed between the scan and its output: nothing is written.
    ctx_.table.Release();
    ctx_.run.TableAllocated = false;
    lastResult_.outcome = RunOutcome::Cancelled;
    emit runFinished();
    close();
    return;
  }
  auto result = std::make_shared<RunResult>();
  host_.Worker().Start([this, result] { *result = FinishRunOutput(ctx_); },
                       [this, result] {
                         std::vector<std::string> missing = std::move(lastResult_.missingPaths);
                         lastResult_ = std::move(*result);
                         lastResult_.missingPaths = std::move(missing);
                         emit runFinished();
                       });
}

void MainWindow::PostFinishRun() {
  QMetaObject::invokeMethod(this, &MainWindow::FinishRunNow, Qt::QueuedConnection);
}

QString MainWindow::HelpPagePath() const {
  // The help page: in the program folder (a portable install), where the
  // install put it beside the binary, or in the source tree of a build.
  const QString candidates[] = {
      QString::fromStdString(ctx_.programFolder) + "ordano.html",
      QCoreApplication::applicationDirPath() + "/../" ORDANO_HELP_RELDIR "/ordano.html",
      QStringLiteral(ORDANO_SOURCE_HELP)};
  for (const QString& page : candidates) {
    if (!page.isEmpty() && QFileInfo::exists(page)) return QFileInfo(page).absoluteFilePath();
  }
  return {};
}

void MainWindow::OpenHelp() {
  const QString page = HelpPagePath();
  if (!page.isEmpty()) host_.OpenWithDefaultProgram(page.toStdString(), ctx_.programFolder);
}

void MainWindow::OpenSupportPage() {
  // Without a configured address the help page stands in.
  const std::string url = ORDANO_SUPPORT_URL;
  if (url.empty()) {
    OpenHelp();
  } else {
    host_.OpenWithDefaultProgram(url, {});
  }
}

void MainWindow::BackToDefaults() {
  SettingsRecord fresh{};
  StartupRecord startup{};
  ProfileNameRecord name{};
  ResetToDefaults(fresh, startup, name, static_cast<std::int64_t>(std::time(nullptr)));
  ApplyMissingFileDefaults(fresh, ctx_.programFolder);
  SetText(fresh.OutputFolder, u"");
  SetText(fresh.OutputFile, u"");
  ctx_.settings = fresh;
  ApplyPages();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (Busy()) {
    // Stop the run first; the exit follows when it has returned.
    host_.Worker().RequestCancel();
    closeRequested_ = true;
    event->ignore();
    return;
  }
  SaveOnExit();
  QMainWindow::closeEvent(event);
}

void MainWindow::SaveOnExit() {
  if (exitSaved_) return;
  exitSaved_ = true;
  advanced_->Collect(ctx_.settings);
  html_->Collect(ctx_.settings);
  StartupRecord& st = ctx_.startup;
  if (isMinimized()) {
    showNormal();  // the saved placement stays as it was
  } else if (isVisible()) {
    // The place of the window, and the size of its normal form.
    st.WindowLeft = frameGeometry().x();
    st.WindowTop = frameGeometry().y();
    const QSize normal = NormalForm() ? size() : normalSize_;
    st.WindowWidth = normal.width();
    st.WindowHeight = normal.height();
  }
  st.TabIndex = CurrentTab();
  basic_->Collect(ctx_.settings);

  if (st.ConfirmSaveOnExit == 0 || !HasChanged(ctx_)) {
    SaveCurrentProfile(ctx_);
    return;
  }
  for (;;) {
    switch (host_.MessageBox(tr(kExitQuestion).toStdU16String(), tr("おるだの♪").toStdU16String(),
                             MsgIcon::Question, MsgButtons::YesNoCancel)) {
      case MsgAnswer::Yes: {
        ProfileNameDialog dialog(tr("新規"), this);
        host_.Exec(dialog);
        if (dialog.result() == QDialog::Accepted) {
          SaveAsNewProfile(dialog.Name());
          return;
        }
        break;  // no name: ask again
      }
      case MsgAnswer::No:
        SaveCurrentProfile(ctx_);
        return;
      default:
        return;  // nothing saved
    }
  }
}

void MainWindow::SaveAsNewProfile(const QString& name) {
  // The profile dialog's routine, with the name given; then it becomes the
  // current profile and takes the settings as they stand now.
  const auto row = CreateProfile(ctx_.programFolder, ctx_.startup, ctx_.settings, ctx_.folderList,
                                 name.toStdU16String());
  if (row) ctx_.startup.ProfileNumber = row->number;
  SaveCurrentProfile(ctx_);
}

}  // namespace ordano
