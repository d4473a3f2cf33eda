#include "app/window/pages.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "core/app_context.h"
#include "platform/unicode.h"

namespace ordano {

ShellPage::ShellPage(const QString& objectName, const QString& caption, QWidget* parent)
    : CCustomDialog(parent, true) {
  setObjectName(objectName);
  auto* rows = Child<QVBoxLayout>(this);
  auto* label = Child<QLabel>(caption, this);
  label->setWordWrap(true);
  rows->addWidget(label);
}

Ckakushi::Ckakushi(AppContext& ctx, QWidget* parent)
    : ShellPage(QStringLiteral("dlg129"), QStringLiteral("高度な出力設定"), parent), ctx_(ctx) {
  acrylicBox = Child<QCheckBox>(QStringLiteral("アクリル(半透明)背景"), this);
  acrylicBox->setObjectName("ctl1005");
  layout()->addWidget(acrylicBox);
  static_cast<QVBoxLayout*>(layout())->addStretch();
  connect(acrylicBox, &QCheckBox::clicked, this, [this](bool on) {
    ctx_.settings.AcrylicMode = on ? 1 : 0;
    if (onAcrylic) onAcrylic(on);
  });
}

void Ckakushi::Apply(const SettingsRecord& s) { acrylicBox->setChecked(s.AcrylicMode == 1); }

void Ckakushi::Collect(SettingsRecord& s) const { s.AcrylicMode = acrylicBox->isChecked() ? 1 : 0; }

Chtmlk::Chtmlk(QWidget* parent)
    : ShellPage(QStringLiteral("dlg132"), QStringLiteral("HTMLタグ設定"), parent) {}

namespace {

// MemAvailable and the like from /proc/meminfo, in bytes.
qint64 MemInfo(const QString& text, const char* key) {
  const QRegularExpression re(QStringLiteral("^%1:\\s+(\\d+) kB").arg(key),
                              QRegularExpression::MultilineOption);
  const auto m = re.match(text);
  return m.hasMatch() ? m.captured(1).toLongLong() * 1024 : 0;
}

}  // namespace

CInfo::CInfo(AppContext& ctx, QWidget* parent)
    : ShellPage(QStringLiteral("dlg141"), QStringLiteral("情報表示"), parent), ctx_(ctx) {
  auto* version = Child<QLabel>(QStringLiteral("おるだの♪ Ver %1").arg(kVersionText), this);
  version->setObjectName("ctl1039");
  memory_ = Child<QLabel>(this);
  memory_->setObjectName("ctl1046");
  titleBox = Child<QCheckBox>(QStringLiteral("タイトル表示をする"), this);
  titleBox->setObjectName("ctl1002");
  layout()->addWidget(version);
  layout()->addWidget(memory_);
  layout()->addWidget(titleBox);
  updateButton = Child<QPushButton>(QStringLiteral("Ordano Updateを行う"), this);
  updateButton->setObjectName("ctl1023");
  updateButton->setAutoDefault(false);
  updateButton->setToolTip(QStringLiteral("オンラインアップデートを行う場合クリックしてください"));
  layout()->addWidget(updateButton);
  connect(updateButton, &QPushButton::clicked, this, [this] {
    if (onUpdateCheck) onUpdateCheck();
  });
  static_cast<QVBoxLayout*>(layout())->addStretch();
  connect(titleBox, &QCheckBox::clicked, this, [this](bool on) {
    ctx_.settings.NoTitleAtStart = on ? 0 : 1;
    if (onTitleBox) onTitleBox(on);
  });
  timer_.setObjectName("timer1000");
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &CInfo::Refresh);
  timer_.start();
  Refresh();
}

void CInfo::Refresh() {
  QFile file(QStringLiteral("/proc/meminfo"));
  if (!file.open(QIODevice::ReadOnly)) return;
  const QString text = QString::fromLatin1(file.readAll());
  const QLocale c(QLocale::English);
  auto n = [&c](qint64 v) { return c.toString(v); };
  memory_->setText(QStringLiteral("Memory:\n　　%1B/%2B\nPage:\n　　%3B/%4B")
                       .arg(n(MemInfo(text, "MemAvailable")), n(MemInfo(text, "MemTotal")),
                            n(MemInfo(text, "SwapFree")), n(MemInfo(text, "SwapTotal"))));
}

}  // namespace ordano
