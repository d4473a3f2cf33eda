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

// Collected boxes and their fields.
struct BoxField {
  int id;
  Flag SettingsRecord::*field;
};
constexpr BoxField kCollectedBoxes[] = {
    {1002, &SettingsRecord::AppendOutput},      {1003, &SettingsRecord::ConfirmOverwrite},
    {1004, &SettingsRecord::WriteTargetFolder}, {1005, &SettingsRecord::Unify},
    {1006, &SettingsRecord::WriteDate},         {1007, &SettingsRecord::IncludeHidden},
    {1008, &SettingsRecord::ScanToDepth},       {1009, &SettingsRecord::FolderSizes},
    {1022, &SettingsRecord::SortDescending},    {1040, &SettingsRecord::PreferLastExtension},
    {1049, &SettingsRecord::ComputeMd5},        {1054, &SettingsRecord::LineWidthEnabled},
};
// Immediate boxes that flip their field.
constexpr BoxField kFlipBoxes[] = {
    {1013, &SettingsRecord::HtmlLinks},        {1014, &SettingsRecord::FileNameOnly},
    {1015, &SettingsRecord::IgnoreHierarchy},  {1023, &SettingsRecord::RelativeOutput},
    {1024, &SettingsRecord::OpenAfterSave},    {1025, &SettingsRecord::AppendNameDigits},
    {1027, &SettingsRecord::DigitsByTab},      {1028, &SettingsRecord::TabEight},
    {1033, &SettingsRecord::DateRangeEnabled},
};
constexpr int kSortIds[6] = {1018, 1019, 1020, 1021, 1039, 1043};

QDateTime FromSeconds(std::int64_t s) { return QDateTime::fromSecsSinceEpoch(s); }

}  // namespace

BasicPage::BasicPage(AppContext& ctx, RunHost& host, QWidget* parent)
    : ToolkitPage(parent), ctx_(ctx), host_(host) {
  setObjectName("dlg102");
  Build();
  Connect();
}

QWidget* BasicPage::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

QCheckBox* BasicPage::Box(int id, const QString& text) {
  auto* box = Child<QCheckBox>(text, this);
  box->setObjectName(QStringLiteral("ctl%1").arg(id));
  controls_[id] = box;
  return box;
}

void BasicPage::Build() {
  auto edit = [this](int id, int width) {
    auto* e = Child<QLineEdit>(this);
    e->setObjectName(QStringLiteral("ctl%1").arg(id));
    e->setMaximumWidth(width);
    controls_[id] = e;
    return e;
  };
  auto* top = Child<QGridLayout>(this);
  top->setContentsMargins(8, 8, 8, 8);

  auto* output = Child<QGroupBox>(tr("出力"), this);
  auto* og = Child<QGridLayout>(output);
  og->addWidget(Box(1002, tr("出力ファイルへの追記を行う")), 0, 0);
  og->addWidget(Box(1003, tr("上書き時に確認する")), 1, 0);
  og->addWidget(Box(1004, tr("ターゲットフォルダ等の見出しを出力")), 2, 0);
  og->addWidget(Box(1005, tr("既存のリストへ統合する")), 3, 0);
  og->addWidget(Box(1006, tr("日付を出力する")), 4, 0);
  og->addWidget(Box(1009, tr("フォルダ毎のサイズを出力")), 5, 0);
  og->addWidget(Box(1014, tr("ファイル名のみ出力")), 6, 0);
  og->addWidget(Box(1023, tr("相対パスで出力する")), 0, 1);
  og->addWidget(Box(1024, tr("保存後ファイルを開く")), 1, 1);
  og->addWidget(Box(1040, tr("前回の拡張子を優先する")), 2, 1);
  og->addWidget(Box(1049, tr("MD5を出力する")), 3, 1);
  og->addWidget(Box(1013, tr("HTMLでリンクを張る")), 4, 1);
  auto* kindRow = Child<QHBoxLayout>();
  kindRow->addWidget(Child<QLabel>(tr("出力形式"), this));
  outputKind_ = Child<QComboBox>(this);
  outputKind_->setObjectName("ctl1038");
  outputKind_->addItems({tr("通常"), tr("フォルダ名のみ"), tr("フォルダ名\\ファイル名")});
  controls_[1038] = outputKind_;
  kindRow->addWidget(outputKind_);
  og->addLayout(kindRow, 5, 1);
  auto* colourRow = Child<QHBoxLayout>();
  colourRow->addWidget(Child<QLabel>(tr("HTML背景色 #"), this));
  colourRow->addWidget(edit(1029, 80));
  og->addLayout(colourRow, 6, 1);
  top->addWidget(output, 0, 0, 1, 2);

  auto* scan = Child<QGroupBox>(tr("検索"), this);
  auto* sg = Child<QGridLayout>(scan);
  sg->addWidget(Box(1007, tr("隠しファイルも含む")), 0, 0);
  sg->addWidget(Box(1008, tr("サブフォルダも検索する")), 1, 0);
  auto* depthRow = Child<QHBoxLayout>();
  depthRow->addWidget(Child<QLabel>(tr("検索階層"), this));
  depthRow->addWidget(edit(1030, 60));
  depthRow->addStretch();
  sg->addLayout(depthRow, 2, 0);
  auto* wildRow = Child<QHBoxLayout>();
  wildRow->addWidget(Child<QLabel>(tr("ﾜｲﾙﾄﾞｶｰﾄﾞ"), this));
  wildRow->addWidget(edit(1017, 140));
  sg->addLayout(wildRow, 3, 0);
  auto* sizes = Child<QHBoxLayout>();
  sizes->addWidget(Box(1010, QStringLiteral("KB")));
  sizes->addWidget(Box(1011, QStringLiteral("MB")));
  sizes->addWidget(Box(1012, tr("自動")));
  sg->addLayout(sizes, 4, 0);
  top->addWidget(scan, 1, 0);

  auto* sort = Child<QGroupBox>(tr("並べ替え"), this);
  auto* sortGrid = Child<QGridLayout>(sort);
  sortGroup_ = Child<QButtonGroup>(this);
  const QString sortLabels[6] = {tr("名前"),   tr("サイズ"),           tr("更新日"),
                                 tr("拡張子"), tr("エクスプローラ順"), tr("作成日")};
  for (int i = 0; i < 6; ++i) {
    // Push-like radio buttons.
    auto* b = Child<QPushButton>(sortLabels[i], this);
    b->setObjectName(QStringLiteral("ctl%1").arg(kSortIds[i]));
    b->setCheckable(true);
    sortGroup_->addButton(b, i);
    controls_[kSortIds[i]] = b;
    sortGrid->addWidget(b, i / 3, i % 3);
  }
  sortGrid->addWidget(Box(1022, tr("降順")), 2, 0);
  sortGrid->addWidget(Box(1015, tr("階層を無視して並べる")), 2, 1, 1, 2);
  sortGrid->addWidget(Box(1016, tr("ファイルドロップも含む")), 3, 1, 1, 2);
  top->addWidget(sort, 1, 1);

  auto* columns = Child<QGroupBox>(tr("桁揃え・行幅"), this);
  auto* cg = Child<QGridLayout>(columns);
  cg->addWidget(Box(1025, tr("ファイル名を桁揃えする")), 0, 0);
  cg->addWidget(edit(1026, 60), 0, 1);
  cg->addWidget(Box(1027, tr("タブで揃える")), 1, 0);
  cg->addWidget(Box(1028, tr("タブ=8桁")), 1, 1);
  cg->addWidget(Box(1054, tr("一行表示桁数長の指定")), 2, 0);
  cg->addWidget(edit(1041, 60), 2, 1);
  QLineEdit* minWidth = edit(1042, 60);  // has no field and no effect
  minWidth->setEnabled(false);
  minWidth->hide();
  top->addWidget(columns, 2, 0);

  auto* dates = Child<QGroupBox>(tr("日付範囲"), this);
  auto* dg = Child<QGridLayout>(dates);
  dg->addWidget(Box(1033, tr("日付範囲を指定する")), 0, 0, 1, 3);
  auto picker = [this](int dateId, int timeId, QDateTimeEdit*& d, QDateTimeEdit*& t) {
    d = Child<QDateTimeEdit>(this);
    d->setObjectName(QStringLiteral("ctl%1").arg(dateId));
    d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    d->setCalendarPopup(true);
    t = Child<QDateTimeEdit>(this);
    t->setObjectName(QStringLiteral("ctl%1").arg(timeId));
    t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    controls_[dateId] = d;
    controls_[timeId] = t;
  };
  picker(1031, 1032, fromDate_, fromTime_);
  picker(1034, 1035, toDate_, toTime_);
  auto* nowFrom = Child<QPushButton>(tr("現在時間"), this);
  nowFrom->setObjectName("ctl1036");
  controls_[1036] = nowFrom;
  auto* nowTo = Child<QPushButton>(tr("現在時間"), this);
  nowTo->setObjectName("ctl1037");
  controls_[1037] = nowTo;
  dg->addWidget(fromDate_, 1, 0);
  dg->addWidget(fromTime_, 1, 1);
  dg->addWidget(nowFrom, 1, 2);
  dg->addWidget(Child<QLabel>(tr("～"), this), 2, 0);
  dg->addWidget(toDate_, 3, 0);
  dg->addWidget(toTime_, 3, 1);
  dg->addWidget(nowTo, 3, 2);
  top->addWidget(dates, 2, 1);

  folderCopy = Child<QListWidget>(this);
  folderCopy->setObjectName("ctl1048");
  folderCopy->hide();

  // The wildcard starts as "*.*" with every start; it is never saved.
  static_cast<QLineEdit*>(Control(1017))->setText(QStringLiteral("*.*"));
}

void BasicPage::Connect() {
  for (const BoxField& b : kFlipBoxes) {
    auto* box = static_cast<QCheckBox*>(Control(b.id));
    connect(box, &QCheckBox::toggled, this, [this, f = b.field](bool on) {
      if (applying_) return;
      ctx_.settings.*f = on ? 1 : 0;
      UpdateEnableStates();
    });
  }
  const SizeUnit units[3] = {SizeUnit::KB, SizeUnit::MB, SizeUnit::Auto};
  for (int i = 0; i < 3; ++i) {
    auto* box = static_cast<QCheckBox*>(Control(1010 + i));
    connect(box, &QCheckBox::toggled, this, [this, unit = units[i]](bool on) {
      if (applying_) return;
      SwitchSizeUnit(ctx_.settings, unit, on);
      const QSignalBlocker b0(Control(1010)), b1(Control(1011)), b2(Control(1012));
      static_cast<QCheckBox*>(Control(1010))->setChecked(ctx_.settings.SizeKB != 0);
      static_cast<QCheckBox*>(Control(1011))->setChecked(ctx_.settings.SizeMB != 0);
      static_cast<QCheckBox*>(Control(1012))->setChecked(ctx_.settings.SizeAuto != 0);
    });
  }
  connect(sortGroup_, &QButtonGroup::idClicked, this, [this](int order) {
    ctx_.settings.SortOrder = order;
    sortGroup_->button(order)->setChecked(true);
  });
  auto number = [this](int id, auto&& store) {
    connect(static_cast<QLineEdit*>(Control(id)), &QLineEdit::textChanged, this,
            [this, store](const QString& text) {
              if (!applying_) store(text.toStdU16String());
            });
  };
  number(1026, [this](const std::u16string& t) {
    ctx_.settings.AppendDigitCount = DecimalValue(std::u16string_view(t));
  });
  number(1030, [this](const std::u16string& t) {
    ctx_.settings.SearchDepth = SearchDepthFromText(t);
    ctx_.run.DepthLimit = DepthLimitFromSearchDepth(ctx_.settings.SearchDepth);
  });
  number(1041, [this](const std::u16string& t) {
    ctx_.settings.LineWidth = DecimalValue(std::u16string_view(t));
  });
  connect(static_cast<QLineEdit*>(Control(1029)), &QLineEdit::textChanged, this,
          &BasicPage::OnHexEdited);
  connect(static_cast<QPushButton*>(Control(1036)), &QPushButton::clicked, this,
          [this] { SetNow(true); });
  connect(static_cast<QPushButton*>(Control(1037)), &QPushButton::clicked, this,
          [this] { SetNow(false); });
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
  Control(1016)->setEnabled(s.IgnoreHierarchy != 0);
  const bool digits = s.AppendNameDigits != 0;
  Control(1026)->setEnabled(digits);
  Control(1027)->setEnabled(digits);
  Control(1028)->setEnabled(digits && s.DigitsByTab != 0);
}

void BasicPage::Apply(const SettingsRecord& s) {
  applying_ = true;
  auto check = [this](int id, Flag v) { static_cast<QCheckBox*>(Control(id))->setChecked(v != 0); };
  for (const BoxField& b : kCollectedBoxes) check(b.id, s.*b.field);
  for (const BoxField& b : kFlipBoxes) check(b.id, s.*b.field);
  check(1010, s.SizeKB);
  check(1011, s.SizeMB);
  check(1012, s.SizeAuto);
  auto text = [this](int id, const QString& t) {
    static_cast<QLineEdit*>(Control(id))->setText(t);
  };
  text(1026, QString::number(NormalisedAppendDigitCount(s.AppendDigitCount)));
  text(1029, QString::fromStdU16String(HtmlBackColorText(s.HtmlBackColor)));
  text(1030, QString::number(ShownSearchDepth(s.SearchDepth)));
  text(1041, QString::number(s.LineWidth));
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
  Control(1016)->setEnabled(s.IgnoreHierarchy != 0);
  Control(1026)->setEnabled(s.AppendNameDigits != 0);
  Control(1027)->setEnabled(s.AppendNameDigits != 0);
  Control(1028)->setEnabled(s.AppendNameDigits != 0 && s.DigitsByTab != 0);
}

void BasicPage::Collect(SettingsRecord& s) const {
  for (const BoxField& b : kCollectedBoxes) {
    s.*b.field = static_cast<QCheckBox*>(Control(b.id))->isChecked() ? 1 : 0;
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
  return static_cast<QLineEdit*>(Control(1017))->text().toStdU16String();
}

bool BasicPage::IncludeFileDrops() const {
  return static_cast<QCheckBox*>(Control(1016))->isChecked();
}

}  // namespace ordano
