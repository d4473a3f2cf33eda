#include "app/window/advanced_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app_context.h"
#include "settings/settings_normalise.h"

namespace ordano {
namespace {

// Boxes stored as they show (the acrylic and line-break boxes have their own
// conversions below).
struct BoxField {
  int id;
  Flag SettingsRecord::*field;
};
constexpr BoxField kBoxes[] = {
    {1002, &SettingsRecord::OmitVolumeName},      {1003, &SettingsRecord::OmitFolderName},
    {1004, &SettingsRecord::ForceConfirmAtStart}, {1006, &SettingsRecord::NoTopmost},
    {1007, &SettingsRecord::HideTargetLabel},     {1008, &SettingsRecord::HideFileNameLabel},
    {1009, &SettingsRecord::HideTotalLabel},      {1010, &SettingsRecord::RenameTarget},
    {1018, &SettingsRecord::IncludeTargetName},   {1021, &SettingsRecord::CsvFolderAndFile},
    {1011, &SettingsRecord::IndentTree},          {1012, &SettingsRecord::IncludeEmptyFolders},
    {1013, &SettingsRecord::RelativeRootName},    {1014, &SettingsRecord::CharFilter},
    {1044, &SettingsRecord::TxtBrTags},           {1045, &SettingsRecord::DropDateLimit},
    {1015, &SettingsRecord::ExpandArchives},      {1016, &SettingsRecord::SaveToClipboard},
    {1019, &SettingsRecord::WriteCapacity},       {1020, &SettingsRecord::ReadShortcuts},
};

}  // namespace

AdvancedPage::AdvancedPage(AppContext& ctx, QWidget* parent) : ToolkitPage(parent), ctx_(ctx) {
  setObjectName("dlg129");
  Build();
  Connect();
}

QWidget* AdvancedPage::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

QCheckBox* AdvancedPage::Box(int id, const QString& text) {
  auto* box = Child<QCheckBox>(text, this);
  box->setObjectName(QStringLiteral("ctl%1").arg(id));
  controls_[id] = box;
  return box;
}

QLineEdit* AdvancedPage::Edit(int id) {
  auto* edit = Child<QLineEdit>(this);
  edit->setObjectName(QStringLiteral("ctl%1").arg(id));
  controls_[id] = edit;
  return edit;
}

QComboBox* AdvancedPage::Combo(int id, const QStringList& entries) {
  auto* combo = Child<QComboBox>(this);
  combo->setObjectName(QStringLiteral("ctl%1").arg(id));
  combo->addItems(entries);
  controls_[id] = combo;
  return combo;
}

void AdvancedPage::Build() {
  const QStringList places = {tr("上段"), tr("下段")};
  auto* top = Child<QGridLayout>(this);
  top->setContentsMargins(8, 8, 8, 8);

  auto* heads = Child<QGroupBox>(tr("見出し"), this);
  auto* hg = Child<QGridLayout>(heads);
  hg->addWidget(Box(1002, tr("ボリューム名を付けない")), 0, 0);
  hg->addWidget(Box(1003, tr("フォルダ名を付けない")), 1, 0);
  hg->addWidget(Box(1007, tr("「ターゲットフォルダ」行を出さない")), 2, 0);
  hg->addWidget(Box(1008, tr("「ﾌｧｲﾙ名」見出しを出さない")), 3, 0);
  hg->addWidget(Box(1009, tr("「総ﾌｧｲﾙ数」行を出さない")), 4, 0);
  hg->addWidget(Box(1010, tr("ターゲットフォルダ名を変える")), 5, 0);
  hg->addWidget(Edit(1017), 6, 0);
  auto* totalRow = Child<QHBoxLayout>();
  totalRow->addWidget(Child<QLabel>(tr("総ﾌｧｲﾙ数の位置"), this));
  totalRow->addWidget(Combo(1040, places));
  totalRow->addStretch();
  hg->addLayout(totalRow, 7, 0);
  top->addWidget(heads, 0, 0);

  auto* form = Child<QGroupBox>(tr("出力形式"), this);
  auto* fg = Child<QGridLayout>(form);
  fg->addWidget(Box(1011, tr("ツリー状に字下げする")), 0, 0);
  fg->addWidget(Box(1012, tr("空のフォルダも出力する")), 1, 0);
  fg->addWidget(Box(1013, tr("相対出力にルートフォルダ名を付ける")), 2, 0);
  fg->addWidget(Box(1018, tr("途中のフォルダにドロップしたフォルダ名を含める")), 3, 0);
  fg->addWidget(Box(1021, tr("CSVにフォルダ名とファイル名を出力")), 4, 0);
  fg->addWidget(Box(1043, tr("テキスト出力で改行する")), 5, 0);
  fg->addWidget(Box(1044, tr("改行に<br>タグを付ける")), 6, 0);
  top->addWidget(form, 0, 1);

  auto* filter = Child<QGroupBox>(tr("絞り込み"), this);
  auto* ig = Child<QGridLayout>(filter);
  ig->addWidget(Box(1014, tr("文字フィルタ (/ 区切り)")), 0, 0);
  ig->addWidget(Combo(1030, {tr("出力"), tr("破棄")}), 0, 1);
  ig->addWidget(Edit(1026), 1, 0, 1, 2);
  ig->addWidget(Box(1045, tr("アイコンへのドロップを日数で絞る")), 2, 0);
  auto* daysRow = Child<QHBoxLayout>();
  QLineEdit* days = Edit(1029);
  days->setMaximumWidth(60);
  daysRow->addWidget(days);
  daysRow->addWidget(Child<QLabel>(tr("日以内"), this));
  daysRow->addStretch();
  ig->addLayout(daysRow, 2, 1);
  top->addWidget(filter, 1, 0);

  auto* other = Child<QGroupBox>(tr("その他"), this);
  auto* og = Child<QGridLayout>(other);
  og->addWidget(Box(1015, tr("書庫の中身も出力する")), 0, 0, 1, 2);
  og->addWidget(Box(1020, tr("ショートカットのリンク先を読む")), 1, 0, 1, 2);
  og->addWidget(Box(1016, tr("クリップボードにも出力する")), 2, 0, 1, 2);
  og->addWidget(Box(1019, tr("ドライブの容量を出力")), 3, 0);
  og->addWidget(Combo(1038, places), 3, 1);
  og->addWidget(Box(1004, tr("起動時は常に上書き確認する")), 4, 0, 1, 2);
  og->addWidget(Box(1006, tr("最前面に表示しない(次回起動から)")), 5, 0, 1, 2);
  acrylicBox = Box(1005, tr("アクリル(半透明)背景"));
  og->addWidget(acrylicBox, 6, 0, 1, 2);
  // Kept beside the record (it has no room for it), at once when clicked.
  libraryBox = Child<QCheckBox>(tr("ライブラリにも登録する"), this);
  libraryBox->setObjectName("libraryToo");
  libraryBox->setToolTip(tr("リストを書いたフォルダを検索用のライブラリにも登録します"));
  og->addWidget(libraryBox, 7, 0, 1, 2);
  top->addWidget(other, 1, 1);

  // The template's hidden "完了" button collects the page.
  auto* done = Child<QPushButton>(tr("完了"), this);
  done->setObjectName("ctl1");
  done->setAutoDefault(false);
  done->hide();
  controls_[1] = done;
}

void AdvancedPage::Connect() {
  connect(acrylicBox, &QCheckBox::clicked, this, [this](bool on) {
    ctx_.settings.AcrylicMode = on ? 1 : 0;
    emit acrylicToggled(on);
  });
  connect(libraryBox, &QCheckBox::clicked, this, [this](bool on) {
    ctx_.extras.libraryToo = on;
    WriteProfileExtras(ctx_.programFolder, ctx_.startup.ProfileNumber, ctx_.extras);
  });
  for (int id : {1010, 1014}) {
    connect(static_cast<QCheckBox*>(Control(id)), &QCheckBox::toggled, this,
            &AdvancedPage::UpdateEnableStates);
  }
  connect(static_cast<QPushButton*>(Control(1)), &QPushButton::clicked, this,
          [this] { Collect(ctx_.settings); });
}

void AdvancedPage::UpdateEnableStates() {
  const bool rename = static_cast<QCheckBox*>(Control(1010))->isChecked();
  const bool filter = static_cast<QCheckBox*>(Control(1014))->isChecked();
  Control(1017)->setEnabled(rename);
  Control(1026)->setEnabled(filter);
  Control(1030)->setEnabled(filter);
}

void AdvancedPage::Apply(const SettingsRecord& s) {
  auto box = [this](int id) { return static_cast<QCheckBox*>(Control(id)); };
  auto edit = [this](int id) { return static_cast<QLineEdit*>(Control(id)); };
  auto combo = [this](int id, int stored) {
    auto* c = static_cast<QComboBox*>(Control(id));
    c->setCurrentIndex(ComboSelection(stored, c->count()));
  };
  for (const BoxField& b : kBoxes) box(b.id)->setChecked(s.*b.field != 0);
  acrylicBox->setChecked(s.AcrylicMode == 1);
  libraryBox->setChecked(ctx_.extras.libraryToo);
  box(1043)->setChecked(TxtLineBreaksBoxOn(s.TxtLineBreaks));
  edit(1017)->setText(QString::fromStdU16String(std::u16string(TextOf(s.TargetName))));
  edit(1026)->setText(QString::fromStdU16String(std::u16string(TextOf(s.CharFilterText))));
  edit(1029)->setText(QString::number(s.DropDateDays));
  combo(1030, s.CharFilterMode);
  combo(1038, s.CapacityPlace);
  combo(1040, TotalCountPlaceComboIndex(s.TotalCountPlace));
  UpdateEnableStates();
}

void AdvancedPage::Collect(SettingsRecord& s) const {
  auto box = [this](int id) { return static_cast<QCheckBox*>(Control(id))->isChecked(); };
  auto text = [this](int id) {
    return static_cast<QLineEdit*>(Control(id))->text().toStdU16String();
  };
  auto combo = [this](int id) { return static_cast<QComboBox*>(Control(id))->currentIndex(); };
  for (const BoxField& b : kBoxes) s.*b.field = box(b.id) ? 1 : 0;
  s.AcrylicMode = acrylicBox->isChecked() ? 1 : 0;
  s.TxtLineBreaks = TxtLineBreaksFromBox(box(1043));
  StoreEditText(s.TargetName, text(1017));
  StoreEditText(s.CharFilterText, text(1026));
  s.DropDateDays = DropDateDaysFromText(text(1029));
  s.CharFilterMode = combo(1030);
  s.CapacityPlace = combo(1038);
  s.TotalCountPlace = TotalCountPlaceFromComboIndex(combo(1040));
}

}  // namespace ordano
