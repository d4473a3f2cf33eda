#include "app/window/web_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "app/window/control_set.h"
#include "app/window/run_worker.h"
#include "core/app_context.h"

namespace ordano {
namespace {

constexpr ControlNames<WebControl> kControlNames = {{
    {WebControl::Url, "url"},
    {WebControl::Start, "start"},
    {WebControl::Status, "status"},
}};
static_assert(InEnumOrder(kControlNames));

constexpr const char* kListAndSave = QT_TRANSLATE_NOOP("ordano::WebPage", "リスト化して保存");

}  // namespace

WebPage::WebPage(AppContext& ctx, RunWorker& worker, QWidget* parent)
    : ToolkitPage(parent), ctx_(ctx), worker_(worker) {
  setObjectName("webPage");
  ControlSet<WebControl> controls(kControlNames);
  auto* rows = Child<QVBoxLayout>(this);
  auto* group = Child<QGroupBox>(tr("Web検索(URL配下リスト化)"), this);
  auto* g = Child<QVBoxLayout>(group);
  auto* line = Child<QHBoxLayout>();
  line->addWidget(Child<QLabel>(tr("対象URL"), group));
  urlEdit_ = controls.Add(WebControl::Url, Child<QLineEdit>(group));
  line->addWidget(urlEdit_, 1);
  button_ = controls.Add(WebControl::Start, Child<QPushButton>(tr(kListAndSave), group));
  button_->setAutoDefault(false);
  line->addWidget(button_);
  g->addLayout(line);
  statusText_ = controls.Add(WebControl::Status, Child<QLabel>(group));
  statusText_->setWordWrap(true);
  statusText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  g->addWidget(statusText_);
  rows->addWidget(group);
  rows->addStretch();

  // The page lives as long as the window, so its edit is the remembered URL.
  urlEdit_->setText(QStringLiteral("https://"));
  ShowText(
      tr("同一ホスト・指定パス配下のHTMLを辿り、リンク、画像、動画、音声、CSS等を列挙します。\r\n"
         "出力は基本・高度タブの設定に従います（クリップボード保存も含む）。\r\n"
         "開始後は同じボタンで中止できます。"));
  connect(button_, &QPushButton::clicked, this, &WebPage::OnButton);
  connect(urlEdit_, &QLineEdit::returnPressed, button_, &QPushButton::click);
}

void WebPage::ShowText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  statusText_->setText(shown);
}

void WebPage::OnButton() {
  if (running_) {
    // Only the flag; the crawl notices it at its next pump.
    worker_.RequestCancel();
    button_->setText(tr("中止処理中..."));
    button_->setEnabled(false);
    return;
  }
  if (worker_.Busy()) return;
  const std::u16string accepted = AcceptStartUrl(urlEdit_->text().toStdU16String());
  if (accepted.empty()) {
    // Nothing to crawl: the message only.
    lastOutcome_ = RunWebSearch(ctx_, urlEdit_->text().toStdU16String());
    emit crawlFinished();
    return;
  }
  urlEdit_->setText(QString::fromStdU16String(accepted));
  running_ = true;
  urlEdit_->setEnabled(false);
  button_->setText(tr("中止"));
  emit crawlStarted();

  WebSearchOptions options;
  // On the worker thread: the page changes on the interface thread.
  options.crawlEnded = [this] {
    QMetaObject::invokeMethod(this, &WebPage::CrawlEnded, Qt::QueuedConnection);
  };
  auto outcome = std::make_shared<WebSearchOutcome>();
  // The crawl, the cancel question and the output.
  worker_.Start([this, typed = urlEdit_->text().toStdU16String(), options,
                 outcome] { *outcome = RunWebSearch(ctx_, typed, options); },
                [this, outcome] {
                  CrawlEnded();
                  lastOutcome_ = std::move(*outcome);
                  emit crawlFinished();
                });
}

void WebPage::CrawlEnded() {
  running_ = false;
  urlEdit_->setEnabled(true);
  button_->setEnabled(true);
  button_->setText(tr(kListAndSave));
}

}  // namespace ordano
