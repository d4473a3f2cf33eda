// HtmlTagPage (Chtmlk): the HTML tag page (dialog 132): five tag texts of the HTML
// catalogue, each with its enable box. Every control is collected.
#pragma once

#include "app/window/control_set.h"
#include "toolkit/custom_dialog.h"

class QCheckBox;
class QPlainTextEdit;

namespace ordano {

struct SettingsRecord;

// The HTML tag page's controls: each tag text's box, then its edit.
enum class HtmlTagControl {
  HeadTagsOn,
  HeadTags,
  BodyTagsOn,
  BodyTags,
  LinkTagsOn,
  LinkTags,
  FolderTagOn,
  FolderTag,
  FileTagOn,
  FileTag,
  Count
};

class HtmlTagPage : public ToolkitPage {
  Q_OBJECT
 public:
  explicit HtmlTagPage(QWidget* parent);

  // Migrates an old charset of the head text in `s` first (stored back).
  void Apply(SettingsRecord& s);
  void Collect(SettingsRecord& s) const;

 private:
  ControlSet<HtmlTagControl> controls_;
};

}  // namespace ordano
