#include "app/window/basic_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

#include "core/app_context.h"
#include "settings/settings_normalise.h"

namespace ordano {
namespace {

using C = BasicControl;

constexpr ControlNames<BasicControl> kControlNames = {{
    {C::AppendOutput, "appendOutput"},
    {C::ConfirmOverwrite, "confirmOverwrite"},
    {C::WriteTargetFolder, "writeTargetFolder"},
    {C::Unify, "unify"},
    {C::WriteDate, "writeDate"},
    {C::FolderSizes, "folderSizes"},
    {C::FileNameOnly, "fileNameOnly"},
    {C::RelativeOutput, "relativeOutput"},
    {C::OpenAfterSave, "openAfterSave"},
    {C::PreferLastExtension, "preferLastExtension"},
    {C::ComputeMd5, "computeMd5"},
    {C::HtmlLinks, "htmlLinks"},
    {C::OutputKind, "outputKind"},
    {C::HtmlBackColor, "htmlBackColor"},
    {C::IncludeHidden, "includeHidden"},
    {C::Subfolders, "subfolders"},
    {C::SearchDepth, "searchDepth"},
    {C::Wildcard, "wildcard"},
    {C::SizeKB, "sizeKB"},
    {C::SizeMB, "sizeMB"},
    {C::SizeAuto, "sizeAuto"},
    {C::SortName, "sortName"},
    {C::SortSize, "sortSize"},
    {C::SortModified, "sortModified"},
    {C::SortExtension, "sortExtension"},
    {C::SortExplorer, "sortExplorer"},
    {C::SortCreated, "sortCreated"},
    {C::Descending, "descending"},
    {C::IgnoreHierarchy, "ignoreHierarchy"},
    {C::IncludeFileDrops, "includeFileDrops"},
    {C::AlignNames, "alignNames"},
    {C::AlignWidth, "alignWidth"},
    {C::AlignByTab, "alignByTab"},
    {C::TabEight, "tabEight"},
    {C::LineWidthEnabled, "lineWidthEnabled"},
    {C::LineWidth, "lineWidth"},
    {C::MinWidth, "minWidth"},
    {C::DateRange, "dateRange"},
    {C::DateFrom, "dateFrom"},
    {C::TimeFrom, "timeFrom"},
    {C::DateTo, "dateTo"},
    {C::TimeTo, "timeTo"},
    {C::NowFrom, "nowFrom"},
    {C::NowTo, "nowTo"},
    {C::FolderCopy, "folderCopy"},
}};
static_assert(InEnumOrder(kControlNames));

// Collected boxes and their fields.
struct BoxField {
  BasicControl id;
  Flag SettingsRecord::*field;
};
constexpr BoxField kCollectedBoxes[] = {
    {C::AppendOutput, &SettingsRecord::AppendOutput},
    {C::ConfirmOverwrite, &SettingsRecord::ConfirmOverwrite},
    {C::WriteTargetFolder, &SettingsRecord::WriteTargetFolder},
    {C::Unify, &SettingsRecord::Unify},
    {C::WriteDate, &SettingsRecord::WriteDate},
    {C::IncludeHidden, &SettingsRecord::IncludeHidden},
    {C::Subfolders, &SettingsRecord::ScanToDepth},
    {C::FolderSizes, &SettingsRecord::FolderSizes},
    {C::Descending, &SettingsRecord::SortDescending},
    {C::PreferLastExtension, &SettingsRecord::PreferLastExtension},
    {C::ComputeMd5, &SettingsRecord::ComputeMd5},
    {C::LineWidthEnabled, &SettingsRecord::LineWidthEnabled},
};
// Immediate boxes that flip their field.
constexpr BoxField kFlipBoxes[] = {
    {C::HtmlLinks, &SettingsRecord::HtmlLinks},
    {C::FileNameOnly, &SettingsRecord::FileNameOnly},
    {C::IgnoreHierarchy, &SettingsRecord::IgnoreHierarchy},
    {C::RelativeOutput, &SettingsRecord::RelativeOutput},
    {C::OpenAfterSave, &SettingsRecord::OpenAfterSave},
    {C::AlignNames, &SettingsRecord::AppendNameDigits},
    {C::AlignByTab, &SettingsRecord::DigitsByTab},
    {C::TabEight, &SettingsRecord::TabEight},
    {C::DateRange, &SettingsRecord::DateRangeEnabled},
};
// In the order of the record's sort numbers.
constexpr BasicControl kSortIds[6] = {C::SortName,      C::SortSize,     C::SortModified,
                                      C::SortExtension, C::SortExplorer, C::SortCreated};
constexpr BasicControl kSizeIds[3] = {C::SizeKB, C::SizeMB, C::SizeAuto};

QDateTime FromSeconds(std::int64_t s) { return QDateTime::fromSecsSinceEpoch(s); }

}  // namespace

BasicPage::BasicPage(AppContext& ctx, RunHost& host, QWidget* parent)
    : ToolkitPage(parent), ctx_(ctx), host_(host), controls_(kControlNames) {
  setObjectName("basicPage");
  Build();
  Connect();
}

QCheckBox* BasicPage::Box(BasicControl id, const QString& text) {
  return controls_.Add(id, Child<QCheckBox>(text, this));
}

void BasicPage::Build() {
  auto edit = [this](BasicControl id, int width) {
    auto* e = controls_.Add(id, Child<QLineEdit>(this));
    e->setMaximumWidth(width);
    return e;
  };
  auto* top = Child<QGridLayout>(this);
  top->setContentsMargins(8, 8, 8, 8);

  auto* output = Child<QGroupBox>(tr("出力"), this);
  auto* og = Child<QGridLayout>(output);
  og->addWidget(Box(C::AppendOutput, tr("出力ファイルへの追記を行う")), 0, 0);
  og->addWidget(Box(C::ConfirmOverwrite, tr("上書き時に確認する")), 1, 0);
  og->addWidget(Box(C::WriteTargetFolder, tr("ターゲットフォルダ等の見出しを出力")), 2, 0);
  og->addWidget(Box(C::Unify, tr("既存のリストへ統合する")), 3, 0);
  og->addWidget(Box(C::WriteDate, tr("日付を出力する")), 4, 0);
  og->addWidget(Box(C::FolderSizes, tr("フォルダ毎のサイズを出力")), 5, 0);
  og->addWidget(Box(C::FileNameOnly, tr("ファイル名のみ出力")), 6, 0);
  og->addWidget(Box(C::RelativeOutput, tr("相対パスで出力する")), 0, 1);
  og->addWidget(Box(C::OpenAfterSave, tr("保存後ファイルを開く")), 1, 1);
  og->addWidget(Box(C::PreferLastExtension, tr("前回の拡張子を優先する")), 2, 1);
  og->addWidget(Box(C::ComputeMd5, tr("MD5を出力する")), 3, 1);
  og->addWidget(Box(C::HtmlLinks, tr("HTMLでリンクを張る")), 4, 1);
  auto* kindRow = Child<QHBoxLayout>();
  kindRow->addWidget(Child<QLabel>(tr("出力形式"), this));
  outputKind_ = controls_.Add(C::OutputKind, Child<QComboBox>(this));
  outputKind_->addItems({tr("通常"), tr("フォルダ名のみ"), tr("フォルダ名\\ファイル名")});
  kindRow->addWidget(outputKind_);
  og->addLayout(kindRow, 5, 1);
  auto* colourRow = Child<QHBoxLayout>();
  colourRow->addWidget(Child<QLabel>(tr("HTML背景色 #"), this));
  colourRow->addWidget(edit(C::HtmlBackColor, 80));
  og->addLayout(colourRow, 6, 1);
  top->addWidget(output, 0, 0, 1, 2);

  auto* scan = Child<QGroupBox>(tr("検索"), this);
  auto* sg = Child<QGridLayout>(scan);
  sg->addWidget(Box(C::IncludeHidden, tr("隠しファイルも含む")), 0, 0);
  sg->addWidget(Box(C::Subfolders, tr("サブフォルダも検索する")), 1, 0);
  auto* depthRow = Child<QHBoxLayout>();
  depthRow->addWidget(Child<QLabel>(tr("検索階層"), this));
  depthRow->addWidget(edit(C::SearchDepth, 60));
  depthRow->addStretch();
  sg->addLayout(depthRow, 2, 0);
  auto* wildRow = Child<QHBoxLayout>();
  wildRow->addWidget(Child<QLabel>(tr("ﾜｲﾙﾄﾞｶｰﾄﾞ"), this));
  wildRow->addWidget(edit(C::Wildcard, 140));
  sg->addLayout(wildRow, 3, 0);
  auto* sizes = Child<QHBoxLayout>();
  sizes->addWidget(Box(C::SizeKB, QStringLiteral("KB")));
  sizes->addWidget(Box(C::SizeMB, QStringLiteral("MB")));
  sizes->addWidget(Box(C::SizeAuto, tr("自動")));
  sg->addLayout(sizes, 4, 0);
  top->addWidget(scan, 1, 0);

  auto* sort = Child<QGroupBox>(tr("並べ替え"), this);
  auto* sortGrid = Child<QGridLayout>(sort);
  sortGroup_ = Child<QButtonGroup>(this);
  const QString sortLabels[6] = {tr("名前"),   tr("サイズ"),           tr("更新日"),
                                 tr("拡張子"), tr("エクスプローラ順"), tr("作成日")};
  for (int i = 0; i < 6; ++i) {
    // Push-like radio buttons.
    auto* b = controls_.Add(kSortIds[i], Child<QPushButton>(sortLabels[i], this));
    b->setCheckable(true);
    sortGroup_->addButton(b, i);
    sortGrid->addWidget(b, i / 3, i % 3);
  }
  sortGrid->addWidget(Box(C::Descending, tr("降順")), 2, 0);
  sortGrid->addWidget(Box(C::IgnoreHierarchy, tr("階層を無視して並べる")), 2, 1, 1, 2);
  sortGrid->addWidget(Box(C::IncludeFileDrops, tr("ファイルドロップも含む")), 3, 1, 1, 2);
  top->addWidget(sort, 1, 1);

  auto* columns = Child<QGroupBox>(tr("桁揃え・行幅"), this);
  auto* cg = Child<QGridLayout>(columns);
  cg->addWidget(Box(C::AlignNames, tr("ファイル名を桁揃えする")), 0, 0);
  cg->addWidget(edit(C::AlignWidth, 60), 0, 1);
  cg->addWidget(Box(C::AlignByTab, tr("タブで揃える")), 1, 0);
  cg->addWidget(Box(C::TabEight, tr("タブ=8桁")), 1, 1);
  cg->addWidget(Box(C::LineWidthEnabled, tr("一行表示桁数長の指定")), 2, 0);
  cg->addWidget(edit(C::LineWidth, 60), 2, 1);
  QLineEdit* minWidth = edit(C::MinWidth, 60);  // has no field and no effect
  minWidth->setEnabled(false);
  minWidth->hide();
  top->addWidget(columns, 2, 0);

  auto* dates = Child<QGroupBox>(tr("日付範囲"), this);
  auto* dg = Child<QGridLayout>(dates);
  dg->addWidget(Box(C::DateRange, tr("日付範囲を指定する")), 0, 0, 1, 3);
  auto picker = [this](BasicControl dateId, BasicControl timeId, QDateTimeEdit*& d,
                       QDateTimeEdit*& t) {
    d = controls_.Add(dateId, Child<QDateTimeEdit>(this));
    d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    d->setCalendarPopup(true);
    t = controls_.Add(timeId, Child<QDateTimeEdit>(this));
    t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  };
  picker(C::DateFrom, C::TimeFrom, fromDate_, fromTime_);
  picker(C::DateTo, C::TimeTo, toDate_, toTime_);
  auto* nowFrom = controls_.Add(C::NowFrom, Child<QPushButton>(tr("現在時間"), this));
  auto* nowTo = controls_.Add(C::NowTo, Child<QPushButton>(tr("現在時間"), this));
  dg->addWidget(fromDate_, 1, 0);
  dg->addWidget(fromTime_, 1, 1);
  dg->addWidget(nowFrom, 1, 2);
  dg->addWidget(Child<QLabel>(tr("～"), this), 2, 0);
  dg->addWidget(toDate_, 3, 0);
  dg->addWidget(toTime_, 3, 1);
  dg->addWidget(nowTo, 3, 2);
  top->addWidget(dates, 2, 1);

  controls_.Add(C::FolderCopy, Child<QListWidget>(this))->hide();

  // The wildcard starts as "*.*" with every start; it is never saved.
  As<QLineEdit>(C::Wildcard)->setText(QStringLiteral("*.*"));
}

void BasicPage::Connect() {
  for (const BoxField& b : kFlipBoxes) {
    auto* box = As<QCheckBox>(b.id);
    connect(box, &QCheckBox::toggled, this, [this, f = b.field](bool on) {
      if (applying_) return;
      ctx_.settings.*f = on ? 1 : 0;
      UpdateEnableStates();
    });
  }
  const SizeUnit units[3] = {SizeUnit::KB, SizeUnit::MB, SizeUnit::Auto};
  for (int i = 0; i < 3; ++i) {
    auto* box = As<QCheckBox>(kSizeIds[i]);
    connect(box, &QCheckBox::toggled, this, [this, unit = units[i]](bool on) {
      if (applying_) return;
      SwitchSizeUnit(ctx_.settings, unit, on);
      const QSignalBlocker b0(Control(C::SizeKB)), b1(Control(C::SizeMB)), b2(Control(C::SizeAuto));
      As<QCheckBox>(C::SizeKB)->setChecked(ctx_.settings.SizeKB != 0);
      As<QCheckBox>(C::SizeMB)->setChecked(ctx_.settings.SizeMB != 0);
      As<QCheckBox>(C::SizeAuto)->setChecked(ctx_.settings.SizeAuto != 0);
    });
  }
  connect(sortGroup_, &QButtonGroup::idClicked, this, [this](int order) {
    ctx_.settings.SortOrder = order;
    sortGroup_->button(order)->setChecked(true);
  });
  auto number = [this](BasicControl id, auto&& store) {
    connect(As<QLineEdit>(id), &QLineEdit::textChanged, this, [this, store](const QString& text) {
      if (!applying_) store(text.toStdU16String());
    });
  };
  number(C::AlignWidth, [this](const std::u16string& t) {
    ctx_.settings.AppendDigitCount = DecimalValue(std::u16string_view(t));
  });
  number(C::SearchDepth, [this](const std::u16string& t) {
    ctx_.settings.SearchDepth = SearchDepthFromText(t);
    ctx_.run.DepthLimit = DepthLimitFromSearchDepth(ctx_.settings.SearchDepth);
  });
  number(C::LineWidth, [this](const std::u16string& t) {
    ctx_.settings.LineWidth = DecimalValue(std::u16string_view(t));
  });
  connect(As<QLineEdit>(C::HtmlBackColor), &QLineEdit::textChanged, this, &BasicPage::OnHexEdited);
  connect(As<QPushButton>(C::NowFrom), &QPushButton::clicked, this, [this] { SetNow(true); });
  connect(As<QPushButton>(C::NowTo), &QPushButton::clicked, this, [this] { SetNow(false); });
}

void BasicPage::OnHexEdited(const QString& text) {
  if (applying_) return;
  if (const auto colour = ParseHtmlBackColor(text.toStdU16String())) {
    ctx_.settings.HtmlBackColor = *colour;
  } else {
    host_.ShowMessage(MsgId::HexDigitsOnly, MsgId::CaptionHexCheck, MsgIcon::Warning,
                      MsgButtons::Ok);
  }
}

void BasicPage::SetNow(bool from) {
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  SettingsRecord& s = ctx_.settings;
  (from ? s.DateFromDate : s.DateToDate) = now;
  (from ? s.DateFromTime : s.DateToTime) = now;
  const QDateTime t = FromSeconds(now);
  (from ? fromDate_ : toDate_)->setDateTime(t);
  (from ? fromTime_ : toTime_)->setDateTime(t);
}

void BasicPage::UpdateEnableStates() {
  const SettingsRecord& s = ctx_.settings;
  Control(C::IncludeFileDrops)->setEnabled(s.IgnoreHierarchy != 0);
  const bool digits = s.AppendNameDigits != 0;
  Control(C::AlignWidth)->setEnabled(digits);
  Control(C::AlignByTab)->setEnabled(digits);
  Control(C::TabEight)->setEnabled(digits && s.DigitsByTab != 0);
}

void BasicPage::Apply(const SettingsRecord& s) {
  applying_ = true;
  auto check = [this](BasicControl id, Flag v) { As<QCheckBox>(id)->setChecked(v != 0); };
  for (const BoxField& b : kCollectedBoxes) check(b.id, s.*b.field);
  for (const BoxField& b : kFlipBoxes) check(b.id, s.*b.field);
  check(C::SizeKB, s.SizeKB);
  check(C::SizeMB, s.SizeMB);
  check(C::SizeAuto, s.SizeAuto);
  auto text = [this](BasicControl id, const QString& t) { As<QLineEdit>(id)->setText(t); };
  text(C::AlignWidth, QString::number(NormalisedAppendDigitCount(s.AppendDigitCount)));
  text(C::HtmlBackColor, QString::fromStdU16String(HtmlBackColorText(s.HtmlBackColor)));
  text(C::SearchDepth, QString::number(ShownSearchDepth(s.SearchDepth)));
  text(C::LineWidth, QString::number(s.LineWidth));
  outputKind_->setCurrentIndex(ComboSelection(s.OutputKind, outputKind_->count()));
  if (s.SortOrder >= 0 && s.SortOrder < 6) {
    sortGroup_->button(s.SortOrder)->setChecked(true);
  } else {
    // No radio on: leave the group without a checked button.
    sortGroup_->setExclusive(false);
    for (QAbstractButton* b : sortGroup_->buttons()) b->setChecked(false);
    sortGroup_->setExclusive(true);
  }
  fromDate_->setDateTime(FromSeconds(s.DateFromDate));
  fromTime_->setDateTime(FromSeconds(s.DateFromTime));
  toDate_->setDateTime(FromSeconds(s.DateToDate));
  toTime_->setDateTime(FromSeconds(s.DateToTime));
  applying_ = false;
  // Enable states follow the shown record.
  Control(C::IncludeFileDrops)->setEnabled(s.IgnoreHierarchy != 0);
  Control(C::AlignWidth)->setEnabled(s.AppendNameDigits != 0);
  Control(C::AlignByTab)->setEnabled(s.AppendNameDigits != 0);
  Control(C::TabEight)->setEnabled(s.AppendNameDigits != 0 && s.DigitsByTab != 0);
}

void BasicPage::Collect(SettingsRecord& s) const {
  for (const BoxField& b : kCollectedBoxes) {
    s.*b.field = As<QCheckBox>(b.id)->isChecked() ? 1 : 0;
  }
  s.OutputKind = outputKind_->currentIndex();
  auto held = [](const QDateTimeEdit* picker) {
    return static_cast<std::int64_t>(picker->dateTime().toSecsSinceEpoch());
  };
  s.DateFromDate = held(fromDate_);
  s.DateFromTime = held(fromTime_);
  s.DateToDate = held(toDate_);
  s.DateToTime = held(toTime_);
}

void BasicPage::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && (event->modifiers() & Qt::ControlModifier)) {
    Collect(ctx_.settings);
    Apply(ctx_.settings);
    return;
  }
  ToolkitPage::mouseDoubleClickEvent(event);
}

std::u16string BasicPage::Wildcard() const {
  return As<QLineEdit>(C::Wildcard)->text().toStdU16String();
}

bool BasicPage::IncludeFileDrops() const { return As<QCheckBox>(C::IncludeFileDrops)->isChecked(); }

void BasicPage::SetFolderCopy(const QStringList& folders) {
  auto* copy = As<QListWidget>(C::FolderCopy);
  copy->clear();
  copy->addItems(folders);
}

}  // namespace ordano
