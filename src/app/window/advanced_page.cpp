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

using C = AdvancedControl;

constexpr ControlNames<AdvancedControl> kControlNames = {{
    {C::OmitVolumeName, "omitVolumeName"},
    {C::OmitFolderName, "omitFolderName"},
    {C::HideTargetLabel, "hideTargetLabel"},
    {C::HideFileNameLabel, "hideFileNameLabel"},
    {C::HideTotalLabel, "hideTotalLabel"},
    {C::RenameTarget, "renameTarget"},
    {C::TargetName, "targetName"},
    {C::TotalCountPlace, "totalCountPlace"},
    {C::IndentTree, "indentTree"},
    {C::IncludeEmptyFolders, "includeEmptyFolders"},
    {C::RelativeRootName, "relativeRootName"},
    {C::IncludeTargetName, "includeTargetName"},
    {C::CsvFolderAndFile, "csvFolderAndFile"},
    {C::TxtLineBreaks, "txtLineBreaks"},
    {C::TxtBrTags, "txtBrTags"},
    {C::CharFilter, "charFilter"},
    {C::CharFilterMode, "charFilterMode"},
    {C::CharFilterText, "charFilterText"},
    {C::DropDateLimit, "dropDateLimit"},
    {C::DropDateDays, "dropDateDays"},
    {C::ExpandArchives, "expandArchives"},
    {C::ReadShortcuts, "readShortcuts"},
    {C::SaveToClipboard, "saveToClipboard"},
    {C::WriteCapacity, "writeCapacity"},
    {C::CapacityPlace, "capacityPlace"},
    {C::ForceConfirmAtStart, "forceConfirmAtStart"},
    {C::NoTopmost, "noTopmost"},
    {C::Acrylic, "acrylic"},
    {C::LibraryToo, "libraryToo"},
    {C::Done, "done"},
}};
static_assert(InEnumOrder(kControlNames));

// Boxes stored as they show (the acrylic and line-break boxes have their own
// conversions below).
struct BoxField {
  AdvancedControl id;
  Flag SettingsRecord::*field;
};
constexpr BoxField kBoxes[] = {
    {C::OmitVolumeName, &SettingsRecord::OmitVolumeName},
    {C::OmitFolderName, &SettingsRecord::OmitFolderName},
    {C::ForceConfirmAtStart, &SettingsRecord::ForceConfirmAtStart},
    {C::NoTopmost, &SettingsRecord::NoTopmost},
    {C::HideTargetLabel, &SettingsRecord::HideTargetLabel},
    {C::HideFileNameLabel, &SettingsRecord::HideFileNameLabel},
    {C::HideTotalLabel, &SettingsRecord::HideTotalLabel},
    {C::RenameTarget, &SettingsRecord::RenameTarget},
    {C::IncludeTargetName, &SettingsRecord::IncludeTargetName},
    {C::CsvFolderAndFile, &SettingsRecord::CsvFolderAndFile},
    {C::IndentTree, &SettingsRecord::IndentTree},
    {C::IncludeEmptyFolders, &SettingsRecord::IncludeEmptyFolders},
    {C::RelativeRootName, &SettingsRecord::RelativeRootName},
    {C::CharFilter, &SettingsRecord::CharFilter},
    {C::TxtBrTags, &SettingsRecord::TxtBrTags},
    {C::DropDateLimit, &SettingsRecord::DropDateLimit},
    {C::ExpandArchives, &SettingsRecord::ExpandArchives},
    {C::SaveToClipboard, &SettingsRecord::SaveToClipboard},
    {C::WriteCapacity, &SettingsRecord::WriteCapacity},
    {C::ReadShortcuts, &SettingsRecord::ReadShortcuts},
};

}  // namespace

AdvancedPage::AdvancedPage(AppContext& ctx, QWidget* parent)
    : ToolkitPage(parent), ctx_(ctx), controls_(kControlNames) {
  setObjectName("advancedPage");
  Build();
  Connect();
}

QCheckBox* AdvancedPage::Box(AdvancedControl id, const QString& text) {
  return controls_.Add(id, Child<QCheckBox>(text, this));
}

QLineEdit* AdvancedPage::Edit(AdvancedControl id) {
  return controls_.Add(id, Child<QLineEdit>(this));
}

QComboBox* AdvancedPage::Combo(AdvancedControl id, const QStringList& entries) {
  auto* combo = controls_.Add(id, Child<QComboBox>(this));
  combo->addItems(entries);
  return combo;
}

void AdvancedPage::Build() {
  const QStringList places = {tr("上段"), tr("下段")};
  auto* top = Child<QGridLayout>(this);
  top->setContentsMargins(8, 8, 8, 8);

  auto* heads = Child<QGroupBox>(tr("見出し"), this);
  auto* hg = Child<QGridLayout>(heads);
  hg->addWidget(Box(C::OmitVolumeName, tr("ボリューム名を付けない")), 0, 0);
  hg->addWidget(Box(C::OmitFolderName, tr("フォルダ名を付けない")), 1, 0);
  hg->addWidget(Box(C::HideTargetLabel, tr("「ターゲットフォルダ」行を出さない")), 2, 0);
  hg->addWidget(Box(C::HideFileNameLabel, tr("「ﾌｧｲﾙ名」見出しを出さない")), 3, 0);
  hg->addWidget(Box(C::HideTotalLabel, tr("「総ﾌｧｲﾙ数」行を出さない")), 4, 0);
  hg->addWidget(Box(C::RenameTarget, tr("ターゲットフォルダ名を変える")), 5, 0);
  hg->addWidget(Edit(C::TargetName), 6, 0);
  auto* totalRow = Child<QHBoxLayout>();
  totalRow->addWidget(Child<QLabel>(tr("総ﾌｧｲﾙ数の位置"), this));
  totalRow->addWidget(Combo(C::TotalCountPlace, places));
  totalRow->addStretch();
  hg->addLayout(totalRow, 7, 0);
  top->addWidget(heads, 0, 0);

  auto* form = Child<QGroupBox>(tr("出力形式"), this);
  auto* fg = Child<QGridLayout>(form);
  fg->addWidget(Box(C::IndentTree, tr("ツリー状に字下げする")), 0, 0);
  fg->addWidget(Box(C::IncludeEmptyFolders, tr("空のフォルダも出力する")), 1, 0);
  fg->addWidget(Box(C::RelativeRootName, tr("相対出力にルートフォルダ名を付ける")), 2, 0);
  fg->addWidget(Box(C::IncludeTargetName, tr("途中のフォルダにドロップしたフォルダ名を含める")), 3,
                0);
  fg->addWidget(Box(C::CsvFolderAndFile, tr("CSVにフォルダ名とファイル名を出力")), 4, 0);
  fg->addWidget(Box(C::TxtLineBreaks, tr("テキスト出力で改行する")), 5, 0);
  fg->addWidget(Box(C::TxtBrTags, tr("改行に<br>タグを付ける")), 6, 0);
  top->addWidget(form, 0, 1);

  auto* filter = Child<QGroupBox>(tr("絞り込み"), this);
  auto* ig = Child<QGridLayout>(filter);
  ig->addWidget(Box(C::CharFilter, tr("文字フィルタ (/ 区切り)")), 0, 0);
  ig->addWidget(Combo(C::CharFilterMode, {tr("出力"), tr("破棄")}), 0, 1);
  ig->addWidget(Edit(C::CharFilterText), 1, 0, 1, 2);
  ig->addWidget(Box(C::DropDateLimit, tr("アイコンへのドロップを日数で絞る")), 2, 0);
  auto* daysRow = Child<QHBoxLayout>();
  QLineEdit* days = Edit(C::DropDateDays);
  days->setMaximumWidth(60);
  daysRow->addWidget(days);
  daysRow->addWidget(Child<QLabel>(tr("日以内"), this));
  daysRow->addStretch();
  ig->addLayout(daysRow, 2, 1);
  top->addWidget(filter, 1, 0);

  auto* other = Child<QGroupBox>(tr("その他"), this);
  auto* og = Child<QGridLayout>(other);
  og->addWidget(Box(C::ExpandArchives, tr("書庫の中身も出力する")), 0, 0, 1, 2);
  og->addWidget(Box(C::ReadShortcuts, tr("ショートカットのリンク先を読む")), 1, 0, 1, 2);
  og->addWidget(Box(C::SaveToClipboard, tr("クリップボードにも出力する")), 2, 0, 1, 2);
  og->addWidget(Box(C::WriteCapacity, tr("ドライブの容量を出力")), 3, 0);
  og->addWidget(Combo(C::CapacityPlace, places), 3, 1);
  og->addWidget(Box(C::ForceConfirmAtStart, tr("起動時は常に上書き確認する")), 4, 0, 1, 2);
  og->addWidget(Box(C::NoTopmost, tr("最前面に表示しない(次回起動から)")), 5, 0, 1, 2);
  og->addWidget(Box(C::Acrylic, tr("アクリル(半透明)背景")), 6, 0, 1, 2);
  // Kept beside the record (it has no room for it), at once when clicked.
  QCheckBox* libraryBox = Box(C::LibraryToo, tr("ライブラリにも登録する"));
  libraryBox->setToolTip(tr("リストを書いたフォルダを検索用のライブラリにも登録します"));
  og->addWidget(libraryBox, 7, 0, 1, 2);
  top->addWidget(other, 1, 1);

  // The template's hidden "完了" button collects the page.
  auto* done = controls_.Add(C::Done, Child<QPushButton>(tr("完了"), this));
  done->setAutoDefault(false);
  done->hide();
}

void AdvancedPage::Connect() {
  connect(As<QCheckBox>(C::Acrylic), &QCheckBox::clicked, this, [this](bool on) {
    ctx_.settings.AcrylicMode = on ? 1 : 0;
    emit acrylicToggled(on);
  });
  connect(As<QCheckBox>(C::LibraryToo), &QCheckBox::clicked, this, [this](bool on) {
    ctx_.extras.libraryToo = on;
    WriteProfileExtras(ctx_.programFolder, ctx_.startup.ProfileNumber, ctx_.extras);
  });
  for (AdvancedControl id : {C::RenameTarget, C::CharFilter}) {
    connect(As<QCheckBox>(id), &QCheckBox::toggled, this, &AdvancedPage::UpdateEnableStates);
  }
  connect(As<QPushButton>(C::Done), &QPushButton::clicked, this,
          [this] { Collect(ctx_.settings); });
}

void AdvancedPage::UpdateEnableStates() {
  const bool rename = As<QCheckBox>(C::RenameTarget)->isChecked();
  const bool filter = As<QCheckBox>(C::CharFilter)->isChecked();
  As<QWidget>(C::TargetName)->setEnabled(rename);
  As<QWidget>(C::CharFilterText)->setEnabled(filter);
  As<QWidget>(C::CharFilterMode)->setEnabled(filter);
}

void AdvancedPage::Apply(const SettingsRecord& s) {
  auto box = [this](AdvancedControl id) { return As<QCheckBox>(id); };
  auto edit = [this](AdvancedControl id) { return As<QLineEdit>(id); };
  auto combo = [this](AdvancedControl id, int stored) {
    auto* c = As<QComboBox>(id);
    c->setCurrentIndex(ComboSelection(stored, c->count()));
  };
  for (const BoxField& b : kBoxes) box(b.id)->setChecked(s.*b.field != 0);
  box(C::Acrylic)->setChecked(s.AcrylicMode == 1);
  box(C::LibraryToo)->setChecked(ctx_.extras.libraryToo);
  box(C::TxtLineBreaks)->setChecked(TxtLineBreaksBoxOn(s.TxtLineBreaks));
  edit(C::TargetName)->setText(QString::fromStdU16String(std::u16string(TextOf(s.TargetName))));
  edit(C::CharFilterText)
      ->setText(QString::fromStdU16String(std::u16string(TextOf(s.CharFilterText))));
  edit(C::DropDateDays)->setText(QString::number(s.DropDateDays));
  combo(C::CharFilterMode, s.CharFilterMode);
  combo(C::CapacityPlace, s.CapacityPlace);
  combo(C::TotalCountPlace, TotalCountPlaceComboIndex(s.TotalCountPlace));
  UpdateEnableStates();
}

void AdvancedPage::Collect(SettingsRecord& s) const {
  auto box = [this](AdvancedControl id) { return As<QCheckBox>(id)->isChecked(); };
  auto text = [this](AdvancedControl id) { return As<QLineEdit>(id)->text().toStdU16String(); };
  auto combo = [this](AdvancedControl id) { return As<QComboBox>(id)->currentIndex(); };
  for (const BoxField& b : kBoxes) s.*b.field = box(b.id) ? 1 : 0;
  s.AcrylicMode = box(C::Acrylic) ? 1 : 0;
  s.TxtLineBreaks = TxtLineBreaksFromBox(box(C::TxtLineBreaks));
  StoreEditText(s.TargetName, text(C::TargetName));
  StoreEditText(s.CharFilterText, text(C::CharFilterText));
  s.DropDateDays = DropDateDaysFromText(text(C::DropDateDays));
  s.CharFilterMode = combo(C::CharFilterMode);
  s.CapacityPlace = combo(C::CapacityPlace);
  s.TotalCountPlace = TotalCountPlaceFromComboIndex(combo(C::TotalCountPlace));
}

void AdvancedPage::ShowAcrylic(bool on) { As<QCheckBox>(C::Acrylic)->setChecked(on); }

}  // namespace ordano
