#include "app/window/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

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

QtHost::QtHost(AppContext& ctx, CMain* main) : ctx_(ctx), main_(main) {}

QtHost::~QtHost() = default;

QWidget* QtHost::Owner() const { return main_; }

void QtHost::CollectRunPages(SettingsRecord& s) {
  if (main_ == nullptr) return;
  main_->AdvancedPage().Collect(s);
  main_->HtmlPage().Collect(s);
}

void QtHost::CollectBasicPage(SettingsRecord& s) {
  if (main_ != nullptr) main_->BasicPage().Collect(s);
}

void QtHost::ApplyBasicPage(const SettingsRecord& s) {
  if (main_ != nullptr) main_->BasicPage().Apply(s);
}

std::u16string QtHost::Wildcard() {
  return main_ != nullptr ? main_->BasicPage().Wildcard() : RunHost::Wildcard();
}

bool QtHost::IncludeFileDrops() {
  return main_ != nullptr ? main_->BasicPage().IncludeFileDrops() : RunHost::IncludeFileDrops();
}

void QtHost::Pump(RunState&, int) {
  // Painting, the progress window and its stop button; the main window and
  // its pages are disabled, so no second run can start from here.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtHost::ProgressBegin(RunState& run) {
  const double scale = main_ != nullptr ? main_->Scale() : 1.02;
  status_ = std::make_unique<CStatus>(run, ctx_.options.settings.ComputeMd5 != 0, scale, Owner());
  status_->show();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (main_ != nullptr) main_->SetRunning(true);
}

void QtHost::ProgressEnd(RunState&) {
  status_.reset();
  if (main_ != nullptr) main_->SetRunning(false);
  QApplication::restoreOverrideCursor();
}

void QtHost::DownloadBegin() {
  received_ = total_ = 0;
  downloadStopped_ = false;
  const double scale = main_ != nullptr ? main_->Scale() : 1.02;
  download_ = std::make_unique<CStatus>(
      ProgressSource{[this] { return DownloadTextsOf(received_, total_); }, [] { return false; },
                     [this] { downloadStopped_ = true; }},
      scale, Owner());
  download_->setWindowTitle(QStringLiteral("おるだの♪ アップデート"));
  download_->show();
  // Nothing else starts while the transfer serves the window's events.
  if (main_ != nullptr) main_->SetRunning(true);
}

bool QtHost::DownloadProgress(std::uint64_t received, std::uint64_t total) {
  received_ = received;
  total_ = total;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // A close of the main window meanwhile stops the download too.
  return !downloadStopped_ && !(main_ != nullptr && main_->CloseRequested());
}

void QtHost::DownloadEnd() {
  download_.reset();
  if (main_ != nullptr) main_->SetRunning(false);
}

void QtHost::Exec(QDialog& dialog) {
  if (modalScript) {
    modalScript(dialog);
  } else {
    dialog.exec();
  }
}

MsgAnswer QtHost::MessageBox(std::u16string_view text, std::u16string_view caption, MsgIcon icon,
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
  SaveFileDialog dialog(Owner(), proposal);
  Exec(dialog);
  if (dialog.result() != QDialog::Accepted) return std::nullopt;
  return dialog.Answer();
}

void QtHost::ShowCrawlText(CrawlText, std::u16string_view text) {
  if (main_ != nullptr) main_->WebPage().ShowText(QString::fromStdU16String(std::u16string(text)));
}

bool QtHost::SetClipboardText(std::u16string_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->setText(QString::fromStdU16String(std::u16string(text)));
  return true;
}

void QtHost::OpenWithDefaultProgram(const std::string& path, const std::string&) {
  opened.push_back(path);
  if (!launchOpen) return;
  const QString text = QString::fromStdString(path);
  QDesktopServices::openUrl(text.contains(QStringLiteral("://")) ? QUrl(text)
                                                                 : QUrl::fromLocalFile(text));
}

}  // namespace ordano
