#include "app/window/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QThread>
#include <QUrl>
#include <chrono>

#include "app/window/advanced_page.h"
#include "app/window/basic_page.h"
#include "app/window/html_page.h"
#include "app/window/main_window.h"
#include "app/window/pages.h"
#include "app/window/save_dialog.h"
#include "app/window/status_window.h"
#include "app/window/web_page.h"
#include "core/app_context.h"
#include "settings/settings_record.h"

namespace ordano {
namespace {

QMessageBox::Icon QtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Warning:
      return QMessageBox::Warning;
    case MsgIcon::Error:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QtHost::QtHost(AppContext& ctx, MainWindow* main)
    : ctx_(ctx), main_(main), bridge_(std::make_unique<QObject>()) {}

QtHost::~QtHost() { ShutDown(); }

QWidget* QtHost::Owner() const { return main_; }

bool QtHost::OnInterfaceThread() const { return QThread::currentThread() == bridge_->thread(); }

void QtHost::OnInterface(const std::function<void()>& fn) {
  if (OnInterfaceThread()) {
    fn();
  } else {
    // The worker waits here; the interface thread never waits for the worker
    // (a close while a run is under way cancels it and returns).
    QMetaObject::invokeMethod(bridge_.get(), fn, Qt::BlockingQueuedConnection);
  }
}

void QtHost::ShutDown() {
  if (!worker_.Running()) return;
  worker_.RequestCancel();
  modalScript = [](QDialog& dialog) { dialog.reject(); };
  worker_.Drain();
}

void QtHost::CollectRunPages(SettingsRecord& s) {
  if (main_ == nullptr) return;
  OnInterface([&] {
    main_->Advanced().Collect(s);
    main_->HtmlTags().Collect(s);
  });
}

void QtHost::CollectBasicPage(SettingsRecord& s) {
  if (main_ != nullptr) OnInterface([&] { main_->Basic().Collect(s); });
}

void QtHost::ApplyBasicPage(const SettingsRecord& s) {
  if (main_ != nullptr) OnInterface([&] { main_->Basic().Apply(s); });
}

std::u16string QtHost::Wildcard() {
  if (main_ == nullptr) return RunHost::Wildcard();
  std::u16string wildcard;
  OnInterface([&] { wildcard = main_->Basic().Wildcard(); });
  return wildcard;
}

bool QtHost::IncludeFileDrops() {
  if (main_ == nullptr) return RunHost::IncludeFileDrops();
  bool include = false;
  OnInterface([&] { include = main_->Basic().IncludeFileDrops(); });
  return include;
}

void QtHost::Pump(RunState& run) {
  if (worker_.CancelRequested()) run.CancelRequested = true;
  // The progress window draws on its own timer from what is published here,
  // a few times a second at most.
  using namespace std::chrono;
  const std::int64_t now =
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  if (now - lastPublished_ < 40) return;
  lastPublished_ = now;
  const std::lock_guard lock(progressMutex_);
  progress_ = ProgressTextsOf(run, progressMd5_);
}

void QtHost::ProgressBegin(RunState& run) {
  const bool md5 = ctx_.options.settings.ComputeMd5 != 0;
  {
    const std::lock_guard lock(progressMutex_);
    progressMd5_ = md5;
    progress_ = ProgressTextsOf(run, md5);
  }
  lastPublished_ = 0;
  OnInterface([this] {
    const double scale = main_ != nullptr ? main_->Scale() : 1.02;
    // The window stays until the run ends: a single large file's digest
    // still runs when every entry is counted.
    status_ = std::make_unique<ProgressWindow>(
        ProgressSource{[this] {
                         const std::lock_guard lock(progressMutex_);
                         return progress_;
                       },
                       [] { return false; }, [this] { worker_.RequestCancel(); }},
        scale, Owner());
    status_->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (main_ != nullptr) main_->SetRunning(true);
  });
}

void QtHost::ProgressEnd(RunState&) {
  OnInterface([this] {
    status_.reset();
    if (main_ != nullptr) main_->SetRunning(false);
    QApplication::restoreOverrideCursor();
  });
}

void QtHost::DownloadBegin() {
  OnInterface([this] {
    received_ = 0;
    total_ = 0;
    const double scale = main_ != nullptr ? main_->Scale() : 1.02;
    download_ = std::make_unique<ProgressWindow>(
        ProgressSource{[this] { return DownloadTextsOf(received_.load(), total_.load()); },
                       [] { return false; }, [this] { worker_.RequestCancel(); }},
        scale, Owner());
    download_->setWindowTitle(QCoreApplication::translate("QtHost", "おるだの♪ アップデート"));
    download_->show();
    // Nothing else starts while the transfer runs.
    if (main_ != nullptr) main_->SetRunning(true);
  });
}

bool QtHost::DownloadProgress(std::uint64_t received, std::uint64_t total) {
  // On the worker: the progress window reads the figures at its own pace;
  // its 中止 and a close of the main window set the worker's cancel flag.
  received_ = received;
  total_ = total;
  return !worker_.CancelRequested();
}

void QtHost::DownloadEnd() {
  OnInterface([this] {
    download_.reset();
    if (main_ != nullptr) main_->SetRunning(false);
  });
}

void QtHost::Exec(QDialog& dialog) {
  // Only ever on the interface thread.
  if (modalScript) {
    modalScript(dialog);
  } else {
    dialog.exec();
  }
}

std::u16string QtHost::Text(const Message& message) {
  // translate() is safe from the worker thread.
  const QString pattern = QCoreApplication::translate(kMessageContext, MessageSource(message.id));
  return FillMessage(pattern.toStdU16String(), message.args);
}

MsgAnswer QtHost::MessageBox(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                             MsgButtons buttons) {
  MsgAnswer answer = MsgAnswer::Cancel;
  OnInterface([&] { answer = AskNow(text, caption, icon, buttons); });
  return answer;
}

MsgAnswer QtHost::AskNow(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
                         MsgButtons buttons) {
  QMessageBox::StandardButtons shown = QMessageBox::Ok;
  if (buttons == MsgButtons::YesNo) shown = QMessageBox::Yes | QMessageBox::No;
  if (buttons == MsgButtons::YesNoCancel) {
    shown = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  QMessageBox box(QtIcon(icon), QString::fromStdU16String(std::u16string(caption)),
                  QString::fromStdU16String(std::u16string(text)), shown, Owner());
  if (buttons == MsgButtons::YesNoCancel) box.setDefaultButton(QMessageBox::No);
  Exec(box);
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    case QMessageBox::Ok:
      return MsgAnswer::Ok;
    default:
      break;
  }
  // Closed without a button: the safe answer.
  return buttons == MsgButtons::Ok      ? MsgAnswer::Ok
         : buttons == MsgButtons::YesNo ? MsgAnswer::No
                                        : MsgAnswer::Cancel;
}

std::optional<SaveDialogState> QtHost::SaveDialog(const SaveDialogState& proposal) {
  std::optional<SaveDialogState> answer;
  OnInterface([&] {
    if (Owner() == nullptr) {
      SaveFileDialog dialog(nullptr, proposal);
      Exec(dialog);
      if (dialog.result() == QDialog::Accepted) answer = dialog.Answer();
      return;
    }
    // The window keeps its dialog: making and taking down a file dialog
    // stalls the interface thread for tens of milliseconds each run.
    if (saveDialog_) {
      saveDialog_->Propose(proposal);
    } else {
      saveDialog_ = std::make_unique<SaveFileDialog>(Owner(), proposal);
    }
    Exec(*saveDialog_);
    if (saveDialog_->result() == QDialog::Accepted) answer = saveDialog_->Answer();
  });
  return answer;
}

void QtHost::ShowCrawlText(CrawlText, std::u16string_view text) {
  if (main_ == nullptr) return;
  // Posted: the crawl goes on while the page shows it.
  QMetaObject::invokeMethod(
      bridge_.get(),
      [this, shown = QString::fromStdU16String(std::u16string(text))] {
        main_->Web().ShowText(shown);
      },
      OnInterfaceThread() ? Qt::DirectConnection : Qt::QueuedConnection);
}

bool QtHost::SetClipboardText(std::u16string_view text) {
  bool set = false;
  OnInterface([&] {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return;
    clipboard->setText(QString::fromStdU16String(std::u16string(text)));
    set = true;
  });
  return set;
}

void QtHost::OpenWithDefaultProgram(const std::string& path, const std::string&) {
  OnInterface([&] {
    opened.push_back(path);
    if (!launchOpen) return;
    const QString text = QString::fromStdString(path);
    QDesktopServices::openUrl(text.contains(QStringLiteral("://")) ? QUrl(text)
                                                                   : QUrl::fromLocalFile(text));
  });
}

}  // namespace ordano
