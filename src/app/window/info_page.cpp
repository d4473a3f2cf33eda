#include "app/window/info_page.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include "app/window/pages.h"
#include "core/app_context.h"
#include "core/format_size.h"
#include "scan/archive/archiver_table.h"
#include "toolkit/link_static.h"

namespace ordano {
namespace {

// A figure of /proc/meminfo in bytes; nullopt when the line is missing.
std::optional<std::uint64_t> MemInfo(const QString& text, const char* key) {
  const QRegularExpression re(QStringLiteral("^%1:\\s+(\\d+) kB").arg(QLatin1String(key)),
                              QRegularExpression::MultilineOption);
  const auto m = re.match(text);
  if (!m.hasMatch()) return std::nullopt;
  return m.captured(1).toULongLong() * 1024;
}

}  // namespace

QString MemoryText(const QString& meminfo) {
  const auto total = MemInfo(meminfo, "MemTotal");
  if (!total) return {};
  // Kernels before 3.14 have no MemAvailable; free memory stands in.
  const auto available =
      MemInfo(meminfo, "MemAvailable").value_or(MemInfo(meminfo, "MemFree").value_or(0));
  // The size formatter with no unit chosen: bytes with digit grouping.
  const auto plain = std::make_unique<SettingsRecord>();
  auto n = [&plain](std::uint64_t v) { return QString::fromStdU16String(FormatSize(*plain, v)); };
  return QStringLiteral("Memory:\n　　%1B/%2B\nPage:\n　　%3B/%4B")
      .arg(n(available), n(*total), n(MemInfo(meminfo, "SwapFree").value_or(0)),
           n(MemInfo(meminfo, "SwapTotal").value_or(0)));
}

InfoPage::InfoPage(AppContext& ctx, QWidget* parent) : ToolkitPage(parent), ctx_(ctx) {
  setObjectName("dlg141");
  auto label = [this](const QString& name, const QString& text) {
    auto* l = Child<QLabel>(text, this);
    l->setObjectName(name);
    return l;
  };
  auto* version =
      label(QStringLiteral("ctl1039"), tr("おるだの♪ Ver %1 (Linux)").arg(kVersionText));
  QFont big = version->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  big.setBold(true);
  version->setFont(big);
  label(QStringLiteral("ctl1047"), tr("ファイル・フォルダの一覧を作るツール"));
  label(QStringLiteral("ctl1048"), tr("Linux版: Qt 6 / libarchive / libcurl で動いています"));
  memory = label(QStringLiteral("ctl1046"), {});
  memory->setTextFormat(Qt::PlainText);
  archivers = label(QStringLiteral("ctl1056"), {});
  archivers->setTextFormat(Qt::PlainText);
  archivers->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  titleBox = Child<QCheckBox>(tr("タイトル表示をする"), this);
  titleBox->setObjectName("ctl1002");
  titleTimed = Child<QPushButton>(tr("タイトル表示1"), this);
  titleTimed->setObjectName("ctl1036");
  titleStaying = Child<QPushButton>(tr("タイトル表示2"), this);
  titleStaying->setObjectName("ctl1037");
  updateButton = Child<QPushButton>(tr("Ordano Updateを行う"), this);
  updateButton->setObjectName("ctl1023");
  updateButton->setToolTip(tr("オンラインアップデートを行う場合クリックしてください"));
  for (QPushButton* b : {titleTimed, titleStaying, updateButton}) b->setAutoDefault(false);
  link = Child<LinkLabel>(QString(), this);
  link->setObjectName("ctl1040");

  auto* grid = Child<QGridLayout>(this);
  grid->setContentsMargins(12, 10, 12, 10);
  grid->setHorizontalSpacing(24);
  grid->addWidget(findChild<QLabel*>("ctl1039"), 0, 0, 1, 3);
  grid->addWidget(findChild<QLabel*>("ctl1047"), 1, 0, 1, 3);
  grid->addWidget(findChild<QLabel*>("ctl1048"), 2, 0, 1, 3);
  grid->addWidget(link, 3, 0, 1, 3);
  grid->addWidget(memory, 4, 0, 2, 1);
  grid->addWidget(archivers, 4, 1, 4, 2);
  grid->addWidget(titleBox, 6, 0);
  grid->addWidget(titleTimed, 7, 0);
  grid->addWidget(titleStaying, 8, 0);
  grid->addWidget(updateButton, 8, 1, 1, 2);
  grid->setRowStretch(9, 1);
  grid->setColumnStretch(1, 1);

  connect(titleBox, &QCheckBox::clicked, this, [this](bool on) {
    ctx_.settings.NoTitleAtStart = on ? 0 : 1;
    emit titleBoxToggled(on);
  });
  connect(updateButton, &QPushButton::clicked, this, &InfoPage::updateCheckRequested);
  timer_.setObjectName("timer1000");
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &InfoPage::Refresh);
  timer_.start();
  Refresh();
  ShowArchivers();
}

void InfoPage::Refresh() {
  QFile file(QStringLiteral("/proc/meminfo"));
  if (!file.open(QIODevice::ReadOnly)) return;
  memory->setText(MemoryText(QString::fromLatin1(file.readAll())));
}

void InfoPage::ShowArchivers() {
  const auto table = ctx_.archivers ? ctx_.archivers : EmptyArchiverTable();
  archivers->setText(QString::fromStdU16String(ArchiverLibraryList(*table)));
}

void InfoPage::SetLink(const QString& address) { link->setText(address); }

}  // namespace ordano
