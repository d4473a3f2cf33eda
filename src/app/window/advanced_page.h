// AdvancedPage (Ckakushi): the advanced page (dialog 129). Every control is collected; only
// the acrylic box acts at once, on the whole window.
#pragma once

#include <functional>
#include <map>

#include "toolkit/custom_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace ordano {

struct AppContext;
struct SettingsRecord;

class AdvancedPage : public ToolkitPage {
  Q_OBJECT
 public:
  AdvancedPage(AppContext& ctx, QWidget* parent);

  void Apply(const SettingsRecord& s);
  void Collect(SettingsRecord& s) const;
  QWidget* Control(int id) const;

  QCheckBox* acrylicBox = nullptr;  // 1005
  QCheckBox* libraryBox = nullptr;  // "libraryToo": runs record in the library too

 signals:
  // The acrylic box was clicked: the main window switches itself and every page.
  void acrylicToggled(bool on);

 private:
  QCheckBox* Box(int id, const QString& text);
  QLineEdit* Edit(int id);
  QComboBox* Combo(int id, const QStringList& entries);
  void Build();
  void Connect();
  void UpdateEnableStates();

  AppContext& ctx_;
  std::map<int, QWidget*> controls_;
};

}  // namespace ordano
