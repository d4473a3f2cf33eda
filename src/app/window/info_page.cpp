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

using C = InfoControl;

constexpr ControlNames<InfoControl> kControlNames = {{
    {C::Version, "version"},
    {C::Description, "description"},
    {C::Platform, "platform"},
    {C::Memory, "memory"},
    {C::Archivers, "archivers"},
    {C::TitleAtStart, "titleAtStart"},
    {C::TitleTimed, "titleTimed"},
    {C::TitleStaying, "titleStaying"},
    {C::Update, "update"},
    {C::SupportLink, "supportLink"},
}};
static_assert(InEnumOrder(kControlNames));

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

InfoPage::InfoPage(AppContext& ctx, QWidget* parent)
    : ToolkitPage(parent), ctx_(ctx), controls_(kControlNames) {
  setObjectName("infoPage");
  auto label = [this](InfoControl id, const QString& text) {
    return controls_.Add(id, Child<QLabel>(text, this));
  };
  auto* version = label(C::Version, tr("おるだの♪ Ver %1 (Linux)").arg(kVersionText));
  QFont big = version->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  big.setBold(true);
  version->setFont(big);
  QLabel* description = label(C::Description, tr("ファイル・フォルダの一覧を作るツール"));
  QLabel* platform = label(C::Platform, tr("Linux版: Qt 6 / libarchive / libcurl で動いています"));
  QLabel* memory = label(C::Memory, {});
  memory->setTextFormat(Qt::PlainText);
  QLabel* archivers = label(C::Archivers, {});
  archivers->setTextFormat(Qt::PlainText);
  archivers->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* titleBox = controls_.Add(C::TitleAtStart, Child<QCheckBox>(tr("タイトル表示をする"), this));
  auto* titleTimed = controls_.Add(C::TitleTimed, Child<QPushButton>(tr("タイトル表示1"), this));
  auto* titleStaying =
      controls_.Add(C::TitleStaying, Child<QPushButton>(tr("タイトル表示2"), this));
  auto* updateButton =
      controls_.Add(C::Update, Child<QPushButton>(tr("Ordano Updateを行う"), this));
  updateButton->setToolTip(tr("オンラインアップデートを行う場合クリックしてください"));
  for (QPushButton* b : {titleTimed, titleStaying, updateButton}) b->setAutoDefault(false);
  auto* link = controls_.Add(C::SupportLink, Child<LinkLabel>(QString(), this));

  auto* grid = Child<QGridLayout>(this);
  grid->setContentsMargins(12, 10, 12, 10);
  grid->setHorizontalSpacing(24);
  grid->addWidget(version, 0, 0, 1, 3);
  grid->addWidget(description, 1, 0, 1, 3);
  grid->addWidget(platform, 2, 0, 1, 3);
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
  connect(titleTimed, &QPushButton::clicked, this, &InfoPage::titleTimedRequested);
  connect(titleStaying, &QPushButton::clicked, this, &InfoPage::titleStayingRequested);
  connect(updateButton, &QPushButton::clicked, this, &InfoPage::updateCheckRequested);
  connect(link, &LinkLabel::activated, this, &InfoPage::linkActivated);
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
  As<QLabel>(C::Memory)->setText(MemoryText(QString::fromLatin1(file.readAll())));
}

void InfoPage::ShowArchivers() {
  const auto table = ctx_.archivers ? ctx_.archivers : EmptyArchiverTable();
  As<QLabel>(C::Archivers)->setText(QString::fromStdU16String(ArchiverLibraryList(*table)));
}

void InfoPage::SetLink(const QString& address) { As<LinkLabel>(C::SupportLink)->setText(address); }

void InfoPage::ShowTitleBox(bool shown) { As<QCheckBox>(C::TitleAtStart)->setChecked(shown); }

}  // namespace ordano
