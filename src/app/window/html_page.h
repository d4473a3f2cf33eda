// HtmlTagPage (Chtmlk): the HTML tag page (dialog 132): five tag texts of the HTML
// catalogue, each with its enable box. Every control is collected.
#pragma once

#include <map>

#include "toolkit/custom_dialog.h"

class QCheckBox;
class QPlainTextEdit;

namespace ordano {

struct SettingsRecord;

class HtmlTagPage : public ToolkitPage {
  Q_OBJECT
 public:
  explicit HtmlTagPage(QWidget* parent);

  // Migrates an old charset of the head text in `s` first (stored back).
  void Apply(SettingsRecord& s);
  void Collect(SettingsRecord& s) const;
  QWidget* Control(int id) const;

 private:
  std::map<int, QWidget*> controls_;
};

}  // namespace ordano
