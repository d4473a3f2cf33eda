#include "app/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
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

constexpr int kMargin = 5;
constexpr const char16_t* kExitQuestion =
    u"おるだの♪の設定項目が変更されました。\n"
    u"以下の保存の種類から選択してください保存を行います。\n\n"
    u"[はい]新規プロファイルを作成し保存します。\n"
    u"[いいえ]現在のプロファイルへ保存します。\n"
    u"[キャンセル]保存せずに終了します。";

struct MenuItem {
  int id;
  const char* label;
  bool checkable;
};

}  // namespace

double DisplayScale(double dpiX) { return std::max(dpiX / 99.0, 1.02); }

CMain::CMain(AppContext& ctx) : CCustomDialog(nullptr), ctx_(ctx), host_(ctx, this) {
  setObjectName("dlg140");
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
  acrylicHandler = [this](bool on) { ApplyAcrylic(on); };
  BuildMenu();
  BuildBody();
  ConnectAll();
}

CMain::~CMain() {
  if (&ctx_.Host() == &host_) ctx_.SetHost(QuietHost());
}

void CMain::BuildMenu() {
  menuBar_ = Child<QMenuBar>(this);
  auto add = [this](QMenu* menu, const MenuItem& item) {
    QAction* a = menu->addAction(QString::fromUtf8(item.label));
    a->setObjectName(QStringLiteral("cmd%1").arg(item.id));
    a->setCheckable(item.checkable);
    actions_[item.id] = a;
  };
  QMenu* file = menuBar_->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  add(file, {32800, "カタログの比較(&C)...", false});
  add(file, {32801, "カタログの検証(&V)...", false});
  file->addSeparator();
  add(file, {32771, "おるだの♪の終了(&E)", false});
  QMenu* settings = menuBar_->addMenu(QStringLiteral("設定(&O)"));
  QMenu* title = settings->addMenu(QStringLiteral("タイトル(&T)"));
  add(title, {32787, "起動時タイトルを表示しない(&T)", true});
  add(title, {32788, "もう一度タイトルを見る(&1)", false});
  add(title, {32789, "ずっと表示したままにする(&2)", false});
  QMenu* profile = settings->addMenu(QStringLiteral("プロファイル設定(&P)"));
  add(profile, {32781, "設定画面(&E)", false});
  add(profile, {32782, "設定変更時、終了時に保存確認(&S)", true});
  add(profile, {32797, "デフォルトに戻す(&D)", false});
  settings->addSeparator();
  add(settings, {32795, "タブ位置を保存する(&T)", true});
  add(settings, {32796, "ドライブ丸ごとのドライブ位置を保存する(&D)", true});
  QMenu* view = menuBar_->addMenu(QStringLiteral("表示(&V)"));
  add(view, {32790, "基本設定(&B)", false});
  add(view, {32791, "応用設定(&E)", false});
  add(view, {32792, "拡張機能(&X)", false});
  add(view, {32793, "マルチフォルダ(&M)", false});
  add(view, {32794, "情報表示(&I)", false});
  QMenu* tools = menuBar_->addMenu(tr("ツール(&T)"));
  QAction* search = tools->addAction(tr("ライブラリを検索(&S)..."));
  search->setObjectName("cmdLibrarySearch");
  search->setShortcut(QKeySequence::Find);
  connect(search, &QAction::triggered, this, [this] { OpenLibrarySearch(); });
  QAction* volumes = tools->addAction(tr("ライブラリのボリューム(&V)..."));
  volumes->setObjectName("cmdLibraryVolumes");
  connect(volumes, &QAction::triggered, this, [this] { OpenLibraryVolumes(); });
  QMenu* help = menuBar_->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
  add(help, {32779, "目次(&C)", false});
  add(help, {16, "バージョン情報(&A)", false});
}

void CMain::BuildBody() {
  auto* rows = Child<QVBoxLayout>(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  rows->setSizeConstraint(QLayout::SetFixedSize);
  rows->setMenuBar(menuBar_);
  body_ = Child<QWidget>(this);
  body_->setObjectName("body");
  rows->addWidget(body_);

  tabs_ = Child<QTabBar>(body_);
  tabs_->setObjectName("ctl1055");
  QFont tabFont;
  tabFont.setFamilies({QStringLiteral("Meiryo UI"), QStringLiteral("Noto Sans CJK JP")});
  tabFont.setPixelSize(qRound(11 * scale_) + 1);
  tabs_->setFont(tabFont);
  for (const char* label :
       {"基本(出力設定)", "高度(追加設定)", "拡張機能", "マルチフォルダ", "Web検索", "情報表示"}) {
    tabs_->addTab(QString::fromUtf8(label));
  }
  auto button = [this](int id, const QString& text) {
    auto* b = Child<QPushButton>(text, body_);
    b->setObjectName(QStringLiteral("ctl%1").arg(id));
    b->setAutoDefault(false);
    buttons_[id] = b;
    return b;
  };
  button(1036, QStringLiteral("▲"))
      ->setToolTip(QStringLiteral(
          "コンパクトモード/通常モード切替\n▲：コンパクトモードへ\n▼：通常モードへ"));
  button(1037, QStringLiteral("★"))->setToolTip(QStringLiteral("プロファイル画面を表示します。"));
  button(1, QStringLiteral("終了"))->setToolTip(QStringLiteral("おるだの♪を終了します。"));
  button(1023, QStringLiteral("開発HPへ"))->setToolTip(QStringLiteral("開発HPを開きます。"));
  button(1024, QStringLiteral("終了"))->setToolTip(QStringLiteral("おるだの♪を終了します。"));
  button(1025, QStringLiteral("開発HPへ"))->setToolTip(QStringLiteral("開発HPを開きます。"));
  dropHint_ = Child<QLabel>(QStringLiteral("ファイルまたはフォルダをドロップしてください"), body_);
  compactHint_ =
      Child<QLabel>(QStringLiteral("ファイルまたはフォルダをドロップしてください"), body_);
  compactHint_->setObjectName("ctl1057");
  compactHint_->setAlignment(Qt::AlignCenter);
  compactHint_->setFrameShape(QFrame::StyledPanel);

  // The pages, in the order the window creates them.
  basic_ = Child<COrdanoDlg>(ctx_, host_, body_);
  advanced_ = Child<Ckakushi>(ctx_, body_);
  drive_ = Child<Cdriveall>(ctx_, body_);
  html_ = Child<Chtmlk>(body_);
  multi_ = Child<CMultiDD>(ctx_, basic_->folderCopy, body_);
  info_ = Child<CInfo>(ctx_, body_);
  hint_ = Child<CDmy>(body_);
  web_ = Child<CWebList>(ctx_, body_);
}

std::vector<CCustomDialog*> CMain::Pages() const {
  return {basic_, advanced_, drive_, html_, multi_, info_, hint_, web_};
}

QAction* CMain::MenuAction(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void CMain::ConnectAll() {
  connect(tabs_, &QTabBar::currentChanged, this, [this] { ShowTabPages(); });
  connect(&outputTimer_, &QTimer::timeout, this, &CMain::FinishRunNow);
  connect(buttons_[1036], &QPushButton::clicked, this, &CMain::SwitchForm);
  for (int id : {1, 1024}) connect(buttons_[id], &QPushButton::clicked, this, [this] { close(); });
  for (int id : {1023, 1025}) {
    connect(buttons_[id], &QPushButton::clicked, this, &CMain::OpenSupportPage);
  }
  connect(buttons_[1037], &QPushButton::clicked, this, &CMain::OpenProfileDialog);
  auto on = [this](int id, auto&& fn) { connect(actions_[id], &QAction::triggered, this, fn); };
  on(32771, [this] { close(); });
  on(32800, [this] { CompareFromWindow(*this); });
  on(32801, [this] { VerifyFromWindow(*this, host_); });
  on(32787, [this](bool checked) {
    ctx_.settings.NoTitleAtStart = checked ? 1 : 0;
    info_->titleBox->setChecked(!checked);
  });
  on(32788, [this] { Title().ShowTimed(); });
  on(32789, [this] { Title().ShowStaying(); });
  on(32781, [this] { OpenProfileDialog(); });
  on(32782, [this](bool checked) { ctx_.startup.ConfirmSaveOnExit = checked ? 1 : 0; });
  on(32795, [this](bool checked) { ctx_.startup.SaveTabPosition = checked ? 1 : 0; });
  on(32796, [this](bool checked) { ctx_.startup.SaveDrivePosition = checked ? 1 : 0; });
  on(32797, [this] { BackToDefaults(); });
  for (int i = 0; i < 4; ++i) on(32790 + i, [this, i] { SelectTab(i); });
  on(32794, [this] { SelectTab(kInfoTab); });
  on(16, [this] { SelectTab(kInfoTab); });
  on(32779, [this] { OpenHelp(); });
  advanced_->onAcrylic = [this](bool acrylic) { ApplyAcrylic(acrylic); };
  info_->onTitleBox = [this](bool shown) { actions_[32787]->setChecked(!shown); };
  info_->onUpdateCheck = [this] { CheckForUpdateFromWindow(*this); };
  // A crawl pumps events while it runs: no other run may start meanwhile, and
  // a close waits for the crawl to return.
  drive_->busy = multi_->busy = [this] { return Busy(); };
  connect(web_, &CWebList::crawlFinished, this, [this] {
    if (closeRequested_) close();
  });
  connect(info_->titleTimed, &QPushButton::clicked, this, [this] { Title().ShowTimed(); });
  connect(info_->titleStaying, &QPushButton::clicked, this, [this] { Title().ShowStaying(); });
  info_->link->open = [this](const QString& address) {
    host_.OpenWithDefaultProgram(address.toStdString(), {});
  };
}

void CMain::Initialise() {
  ApplySettings();
  // The support address, or the help page without one.
  const QString support = QStringLiteral(ORDANO_SUPPORT_URL);
  const QString help = HelpPagePath();
  info_->SetLink(!support.isEmpty() ? support
                 : help.isEmpty()   ? QString()
                                    : QUrl::fromLocalFile(help).toString());
  if (ctx_.startup.SaveTabPosition == 1) {
    actions_[32795]->setChecked(true);
    SelectTab(std::clamp(ctx_.startup.TabIndex, 0, kTabCount - 1));
  }
  if (ctx_.startup.SaveDrivePosition == 1) {
    actions_[32796]->setChecked(true);
    drive_->SelectDrive(ctx_.startup.DriveIndex);
  }
  LayOut();
  ShowTabPages();
  RestorePlacement();
  // The saved form: flip, then switch once (which flips it back).
  ctx_.startup.NormalMode = ctx_.startup.NormalMode ? 0 : 1;
  SwitchForm();
  ApplyToolkitLook();
  for (CCustomDialog* page : Pages()) page->ApplyToolkitLook();
}

void CMain::ApplySettings() {
  ReadCurrentProfileName(ctx_);
  ReadCurrentFolderList(ctx_);
  setWindowTitle(QString::asprintf("おるだの♪ Ver %s [%d:%s]", kVersionText,
                                   ctx_.startup.ProfileNumber,
                                   Utf16ToUtf8(TextOf(ctx_.profileName.Name)).c_str()));
  // Made topmost, never the other way while the program runs (changing the
  // flag of a shown window hides it, so it is shown again).
  if (ctx_.settings.NoTopmost == 0 && !(windowFlags() & Qt::WindowStaysOnTopHint)) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown) show();
  }
  actions_[32782]->setChecked(ctx_.startup.ConfirmSaveOnExit != 0);
  SetPlainOpacity(ctx_.settings.Translucent == 1 ? 200.0 / 255.0 : 1.0);
  if (!ctx_.archivers) {
    ctx_.archivers = LoadArchivers();
    info_->ShowArchivers();
  }
  ApplyPages();
}

void CMain::ApplyPages() {
  NormaliseForAllPages(ctx_.settings);
  basic_->Apply(ctx_.settings);
  advanced_->Apply(ctx_.settings);
  html_->Apply(ctx_.settings);
  multi_->Reload();
  actions_[32787]->setChecked(ctx_.settings.NoTitleAtStart != 0);
  info_->titleBox->setChecked(ctx_.settings.NoTitleAtStart == 0);
  SetAcrylic(ctx_.settings.AcrylicMode == 1);
}

void CMain::CollectPages() {
  // The multi-folder list is held live in the context.
  advanced_->Collect(ctx_.settings);
  html_->Collect(ctx_.settings);
  basic_->Collect(ctx_.settings);
}

void CMain::OpenProfileDialog() {
  CollectPages();
  Cprofile dialog(ctx_, host_, false, this);
  host_.Exec(dialog);
  if (dialog.result() == QDialog::Accepted) ApplySettings();
}

CTitle& CMain::Title() {
  if (!title_) title_ = std::make_unique<CTitle>(QString::fromStdString(ctx_.programFolder));
  return *title_;
}

LibrarySearchWindow& CMain::OpenLibrarySearch() {
  if (librarySearch_ == nullptr) {
    librarySearch_ =
        new LibrarySearchWindow(QString::fromStdString(LibraryPathFor(std::nullopt)), this);
  }
  librarySearch_->show();
  librarySearch_->raise();
  librarySearch_->activateWindow();
  return *librarySearch_;
}

LibraryVolumesWindow& CMain::OpenLibraryVolumes() {
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

void CMain::ApplyAcrylic(bool on) {
  ctx_.settings.AcrylicMode = on ? 1 : 0;
  advanced_->acrylicBox->setChecked(on);
  SetAcrylic(on);
}

void CMain::LayOut() {
  const int m = kMargin;
  buttons_[1036]->setGeometry(m, m, 30, 24);
  buttons_[1037]->setGeometry(m + 34, m, 30, 24);
  const int tabTop = m + 28;
  QSize page(0, 0);
  for (CCustomDialog* p : Pages()) page = page.expandedTo(p->sizeHint());
  page = page.expandedTo(QSize(tabs_->sizeHint().width(), 300));
  tabs_->setGeometry(m, tabTop, page.width(), tabs_->sizeHint().height());
  const QRect area(m, tabs_->geometry().bottom() + 1, page.width(), page.height());
  for (CCustomDialog* p : std::initializer_list<CCustomDialog*>{basic_, advanced_, info_, web_}) {
    p->setGeometry(area);
  }
  // Second pages of a tab sit lower in the same area.
  const int driveOffset = qRound(1.5 * 65 * scale_);
  const int multiOffset = qRound(1.5 * 53 * scale_);
  drive_->setGeometry(area.x(), area.y(), area.width(), driveOffset);
  html_->setGeometry(area.adjusted(0, driveOffset, 0, 0));
  hint_->setGeometry(area.x(), area.y(), area.width(), multiOffset);
  multi_->setGeometry(area.adjusted(0, multiOffset, 0, 0));
  const int row = area.bottom() + 7;
  buttons_[1]->setGeometry(area.right() - 90, row, 90, 28);
  buttons_[1023]->setGeometry(area.right() - 190, row, 94, 28);
  dropHint_->setGeometry(m, row, area.width() - 200, 28);
  const int hintWidth = qRound(320 * scale_);
  compactHint_->setGeometry(m, tabTop, hintWidth, qRound(48 * scale_));
  const int compactRow = compactHint_->geometry().bottom() + 7;
  buttons_[1025]->setGeometry(m, compactRow, 94, 28);
  buttons_[1024]->setGeometry(m + hintWidth - 90, compactRow, 90, 28);
}

int CMain::CurrentTab() const { return tabs_->currentIndex(); }

void CMain::SelectTab(int index) {
  const QSignalBlocker block(tabs_);
  tabs_->setCurrentIndex(index);
  if (NormalForm()) ShowTabPages();
}

bool CMain::NormalForm() const { return ctx_.startup.NormalMode != 0; }

void CMain::ShowTabPages() {
  for (CCustomDialog* p : Pages()) p->hide();
  if (!NormalForm()) return;
  switch (tabs_->currentIndex()) {
    case 0:
      basic_->show();
      break;
    case 1:
      advanced_->show();
      break;
    case 2:
      drive_->show();
      html_->show();
      break;
    case 3:
      hint_->show();
      multi_->show();
      break;
    case 4:
      web_->show();
      break;
    case 5:
      info_->show();
      break;
    default:
      break;
  }
  update();
}

void CMain::SwitchForm() {
  const bool toCompact = NormalForm();
  ctx_.startup.NormalMode = toCompact ? 0 : 1;
  buttons_[1036]->setText(toCompact ? QStringLiteral("▼") : QStringLiteral("▲"));
  tabs_->setVisible(!toCompact);
  dropHint_->setVisible(!toCompact);
  buttons_[1]->setVisible(!toCompact);
  buttons_[1023]->setVisible(!toCompact);
  compactHint_->setVisible(toCompact);
  buttons_[1024]->setVisible(toCompact);
  buttons_[1025]->setVisible(toCompact);
  ShowTabPages();
  if (toCompact) {
    const QRect b = buttons_[1024]->geometry();
    body_->setFixedSize(b.right() + 1 + 5, b.bottom() + 1 + 7);
  } else {
    const QRect b = buttons_[1]->geometry();
    body_->setFixedSize(b.right() + 1 + 5, b.bottom() + 1 + qRound(15 * scale_));
  }
  adjustSize();
}

void CMain::RestorePlacement() {
  const StartupRecord& st = ctx_.startup;
  if (st.WindowLeft == kNoWindowPlacement) return;
  const QRect wanted(st.WindowLeft, st.WindowTop, std::max(st.WindowWidth, 100),
                     std::max(st.WindowHeight, 100));
  // A placement off every screen (a monitor since removed) is not kept.
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(wanted)) {
      move(wanted.topLeft());
      return;
    }
  }
}

void CMain::SetRunning(bool running) {
  running_ = running;
  body_->setEnabled(!running);
  menuBar_->setEnabled(!running);
}

bool CMain::Busy() const { return running_ || outputTimer_.isActive() || web_->Running(); }

bool CMain::HandleDrop(const std::vector<std::string>& paths) {
  if (Busy()) return true;
  if (NormalForm() && CurrentTab() == kMultiFolderTab) {
    multi_->AddFolders(paths);
    return true;
  }
  StartDropRun(paths);
  return true;
}

void CMain::StartDropRun(const std::vector<std::string>& paths) {
  raise();
  activateWindow();
  lastResult_ = RunResult{};
  std::vector<std::string> missing;
  const bool scanned = DropRunScan(ctx_, paths, &missing);
  for (const std::string& path : missing) {
    std::fprintf(stderr, "ordanou: %s: no such file or folder\n", path.c_str());
  }
  lastResult_.missingPaths = std::move(missing);
  if (!scanned) lastResult_.outcome = RunOutcome::Cancelled;
  if (closeRequested_) {
    // Closed during the scan: the scan was cancelled; now the exit.
    close();
    return;
  }
  if (scanned) {
    outputTimer_.start();
  } else {
    emit runFinished();
  }
}

void CMain::FinishRunNow() {
  outputTimer_.stop();
  if (!ctx_.run.TableAllocated) return;
  std::vector<std::string> missing = std::move(lastResult_.missingPaths);
  lastResult_ = FinishRunOutput(ctx_);
  lastResult_.missingPaths = std::move(missing);
  emit runFinished();
}

void CMain::PostFinishRun() {
  QMetaObject::invokeMethod(this, &CMain::FinishRunNow, Qt::QueuedConnection);
}

QString CMain::HelpPagePath() const {
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

void CMain::OpenHelp() {
  const QString page = HelpPagePath();
  if (!page.isEmpty()) host_.OpenWithDefaultProgram(page.toStdString(), ctx_.programFolder);
}

void CMain::OpenSupportPage() {
  // Without a configured address the help page stands in.
  const std::string url = ORDANO_SUPPORT_URL;
  if (url.empty()) {
    OpenHelp();
  } else {
    host_.OpenWithDefaultProgram(url, {});
  }
}

void CMain::BackToDefaults() {
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

void CMain::closeEvent(QCloseEvent* event) {
  if (running_ || web_->Running()) {
    // Stop the scan first; the exit follows when it has returned.
    ctx_.run.CancelRequested = true;
    closeRequested_ = true;
    event->ignore();
    return;
  }
  SaveOnExit();
  CCustomDialog::closeEvent(event);
}

void CMain::done(int result) {
  if (running_ || web_->Running()) {
    ctx_.run.CancelRequested = true;
    closeRequested_ = true;
    return;
  }
  SaveOnExit();
  CCustomDialog::done(result);
}

void CMain::SaveOnExit() {
  if (exitSaved_) return;
  exitSaved_ = true;
  advanced_->Collect(ctx_.settings);
  html_->Collect(ctx_.settings);
  StartupRecord& st = ctx_.startup;
  if (isMinimized()) {
    showNormal();  // the saved placement stays as it was
  } else if (isVisible()) {
    const QRect frame = frameGeometry();
    st.WindowLeft = frame.x();
    st.WindowTop = frame.y();
    st.WindowWidth = frame.width();
    st.WindowHeight = frame.height();
  }
  st.TabIndex = CurrentTab();
  basic_->Collect(ctx_.settings);

  if (st.ConfirmSaveOnExit == 0 || !HasChanged(ctx_)) {
    SaveCurrentProfile(ctx_);
    return;
  }
  for (;;) {
    switch (
        host_.MessageBox(kExitQuestion, u"おるだの♪", MsgIcon::Question, MsgButtons::YesNoCancel)) {
      case MsgAnswer::Yes: {
        Cprofilename dialog(QStringLiteral("新規"), this);
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

void CMain::SaveAsNewProfile(const QString& name) {
  StartupRecord& st = ctx_.startup;
  const int n = st.ProfileCount + 1;
  st.ProfileCount = n;
  st.ProfileNumber = n;
  SaveFolderList(ctx_.programFolder, n, ctx_.folderList);
  SaveSettings(ctx_.programFolder, n, ctx_.settings);
  WriteProfileExtras(ctx_.programFolder, n, ctx_.extras);
  AppendProfileName(ctx_.programFolder, MakeProfileName(name.toStdU16String()));
}

}  // namespace ordano
