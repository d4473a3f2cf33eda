#include "app/window/html_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QTextOption>

#include "settings/settings_normalise.h"

namespace ordano {
namespace {

using C = HtmlTagControl;

constexpr ControlNames<HtmlTagControl> kControlNames = {{
    {C::HeadTagsOn, "headTagsOn"},
    {C::HeadTags, "headTags"},
    {C::BodyTagsOn, "bodyTagsOn"},
    {C::BodyTags, "bodyTags"},
    {C::LinkTagsOn, "linkTagsOn"},
    {C::LinkTags, "linkTags"},
    {C::FolderTagOn, "folderTagOn"},
    {C::FolderTag, "folderTag"},
    {C::FileTagOn, "fileTagOn"},
    {C::FileTag, "fileTag"},
}};
static_assert(InEnumOrder(kControlNames));

// Box, edit and their fields.
struct TagField {
  HtmlTagControl boxId;
  HtmlTagControl editId;
  const char* label;
  Flag SettingsRecord::*enabled;
};
constexpr TagField kTags[] = {
    {C::HeadTagsOn, C::HeadTags,
     QT_TRANSLATE_NOOP("ordano::HtmlTagPage", "ヘッダタグ (<head>～</head>)"),
     &SettingsRecord::HeadTagsEnabled},
    {C::BodyTagsOn, C::BodyTags, QT_TRANSLATE_NOOP("ordano::HtmlTagPage", "bodyタグ"),
     &SettingsRecord::BodyTagsEnabled},
    {C::LinkTagsOn, C::LinkTags, QT_TRANSLATE_NOOP("ordano::HtmlTagPage", "リンクタグ (%1～%6)"),
     &SettingsRecord::LinkTagsEnabled},
    {C::FolderTagOn, C::FolderTag, QT_TRANSLATE_NOOP("ordano::HtmlTagPage", "フォルダ行のtd属性"),
     &SettingsRecord::FolderTagEnabled},
    {C::FileTagOn, C::FileTag, QT_TRANSLATE_NOOP("ordano::HtmlTagPage", "ファイル行のtd属性"),
     &SettingsRecord::FileTagEnabled},
};

// The text fields by edit, in the order of kTags.
std::u16string_view TagText(const SettingsRecord& s, int index) {
  switch (index) {
    case 0:
      return TextOf(s.HeadTags);
    case 1:
      return TextOf(s.BodyTags);
    case 2:
      return TextOf(s.LinkTags);
    case 3:
      return TextOf(s.FolderTag);
    default:
      return TextOf(s.FileTag);
  }
}

void StoreTagText(SettingsRecord& s, int index, std::u16string_view text) {
  switch (index) {
    case 0:
      StoreEditText(s.HeadTags, text);
      break;
    case 1:
      StoreEditText(s.BodyTags, text);
      break;
    case 2:
      StoreEditText(s.LinkTags, text);
      break;
    case 3:
      StoreEditText(s.FolderTag, text);
      break;
    default:
      StoreEditText(s.FileTag, text);
      break;
  }
}

}  // namespace

HtmlTagPage::HtmlTagPage(QWidget* parent) : ToolkitPage(parent), controls_(kControlNames) {
  setObjectName("htmlTagPage");
  auto* grid = Child<QGridLayout>(this);
  grid->setContentsMargins(8, 4, 8, 4);
  int i = 0;
  for (const TagField& t : kTags) {
    auto* box = controls_.Add(t.boxId, Child<QCheckBox>(tr(t.label), this));
    auto* edit = controls_.Add(t.editId, Child<QPlainTextEdit>(this));
    // Tags have no word boundaries worth keeping: wrap at any character.
    edit->setWordWrapMode(QTextOption::WrapAnywhere);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The head block is the long one: it takes the left column.
    if (i == 0) {
      grid->addWidget(box, 0, 0);
      grid->addWidget(edit, 1, 0, 7, 1);
    } else {
      grid->addWidget(box, 2 * (i - 1), 1);
      grid->addWidget(edit, 2 * (i - 1) + 1, 1);
      edit->setMaximumHeight(44);
    }
    ++i;
  }
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
}

void HtmlTagPage::Apply(SettingsRecord& s) {
  MigrateHeadTagsCharset(s);
  for (std::size_t i = 0; i < std::size(kTags); ++i) {
    const TagField& t = kTags[i];
    controls_.Get<QCheckBox>(t.boxId)->setChecked(s.*t.enabled != 0);
    controls_.Get<QPlainTextEdit>(t.editId)->setPlainText(
        QString::fromStdU16String(LinesForEdit(TagText(s, static_cast<int>(i)))));
  }
}

void HtmlTagPage::Collect(SettingsRecord& s) const {
  for (std::size_t i = 0; i < std::size(kTags); ++i) {
    const TagField& t = kTags[i];
    s.*t.enabled = controls_.Get<QCheckBox>(t.boxId)->isChecked() ? 1 : 0;
    const QString text = controls_.Get<QPlainTextEdit>(t.editId)->toPlainText();
    StoreTagText(s, static_cast<int>(i), LinesFromEdit(text.toStdU16String()));
  }
}

}  // namespace ordano
