#include "app/window/web_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "app/window/run_worker.h"
#include "core/app_context.h"

namespace ordano {
namespace {

constexpr const char* kListAndSave = QT_TRANSLATE_NOOP("ordano::WebPage", "リスト化して保存");

}  // namespace

WebPage::WebPage(AppContext& ctx, RunWorker& worker, QWidget* parent)
    : ToolkitPage(parent), ctx_(ctx), worker_(worker) {
  setObjectName("dlg144");
  auto* rows = Child<QVBoxLayout>(this);
  auto* group = Child<QGroupBox>(tr("Web検索(URL配下リスト化)"), this);
  auto* g = Child<QVBoxLayout>(group);
  auto* line = Child<QHBoxLayout>();
  line->addWidget(Child<QLabel>(tr("対象URL"), group));
  urlEdit = Child<QLineEdit>(group);
  urlEdit->setObjectName("ctl1100");
  line->addWidget(urlEdit, 1);
  button = Child<QPushButton>(tr(kListAndSave), group);
  button->setObjectName("ctl1101");
  button->setAutoDefault(false);
  line->addWidget(button);
  g->addLayout(line);
  statusText = Child<QLabel>(group);
  statusText->setObjectName("ctl1102");
  statusText->setWordWrap(true);
  statusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
  g->addWidget(statusText);
  rows->addWidget(group);
  rows->addStretch();

  // The page lives as long as the window, so its edit is the remembered URL.
  urlEdit->setText(QStringLiteral("https://"));
  ShowText(
      tr("同一ホスト・指定パス配下のHTMLを辿り、リンク、画像、動画、音声、CSS等を列挙します。\r\n"
         "出力は基本・高度タブの設定に従います（クリップボード保存も含む）。\r\n"
         "開始後は同じボタンで中止できます。"));
  connect(button, &QPushButton::clicked, this, &WebPage::OnButton);
  connect(urlEdit, &QLineEdit::returnPressed, button, &QPushButton::click);
}

void WebPage::ShowText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  statusText->setText(shown);
}

void WebPage::OnButton() {
  if (running_) {
    // Only the flag; the crawl notices it at its next pump.
    worker_.RequestCancel();
    button->setText(tr("中止処理中..."));
    button->setEnabled(false);
    return;
  }
  if (worker_.Busy()) return;
  const std::u16string accepted = AcceptStartUrl(urlEdit->text().toStdU16String());
  if (accepted.empty()) {
    // Nothing to crawl: the message only.
    lastOutcome_ = RunWebSearch(ctx_, urlEdit->text().toStdU16String());
    emit crawlFinished();
    return;
  }
  urlEdit->setText(QString::fromStdU16String(accepted));
  running_ = true;
  urlEdit->setEnabled(false);
  button->setText(tr("中止"));
  emit crawlStarted();

  WebSearchOptions options;
  // On the worker thread: the page changes on the interface thread.
  options.crawlEnded = [this] {
    QMetaObject::invokeMethod(this, &WebPage::CrawlEnded, Qt::QueuedConnection);
  };
  auto outcome = std::make_shared<WebSearchOutcome>();
  // The crawl, the cancel question and the output.
  worker_.Start([this, typed = urlEdit->text().toStdU16String(), options,
                 outcome] { *outcome = RunWebSearch(ctx_, typed, options); },
                [this, outcome] {
                  CrawlEnded();
                  lastOutcome_ = std::move(*outcome);
                  emit crawlFinished();
                });
}

void WebPage::CrawlEnded() {
  running_ = false;
  urlEdit->setEnabled(true);
  button->setEnabled(true);
  button->setText(tr(kListAndSave));
}

}  // namespace ordano
