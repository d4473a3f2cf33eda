// BasicPage (COrdanoDlg): the basic page (dialog 102). Immediate controls write the
// settings record the moment they change; collected ones keep their state in
// the control until a run or the exit collects the page.
#pragma once

#include <QString>
#include <map>

#include "toolkit/custom_dialog.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QListWidget;
class QTimeEdit;

namespace ordano {

struct AppContext;
struct SettingsRecord;
class RunHost;

class BasicPage : public ToolkitPage {
  Q_OBJECT
 public:
  BasicPage(AppContext& ctx, RunHost& host, QWidget* parent);

  // Record -> controls (with the dependent enable states).
  void Apply(const SettingsRecord& s);
  // Collected controls -> record.
  void Collect(SettingsRecord& s) const;
  // Control-only states, read by runs.
  std::u16string Wildcard() const;
  bool IncludeFileDrops() const;

  // The control with this id (tests and the main window find them by name too).
  QWidget* Control(int id) const;

  // The hidden copy of the multi-folder list (1048) that a folder-list run reads.
  QListWidget* folderCopy = nullptr;

 protected:
  // Ctrl + right double-click: the page collected and applied again.
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QCheckBox* Box(int id, const QString& text);
  void Build();
  void Connect();
  void UpdateEnableStates();
  void OnHexEdited(const QString& text);
  void SetNow(bool from);

  AppContext& ctx_;
  RunHost& host_;
  bool applying_ = false;
  std::map<int, QWidget*> controls_;
  QButtonGroup* sortGroup_ = nullptr;
  QComboBox* outputKind_ = nullptr;
  // Each picker holds its field's whole time and shows the date or the time
  // part of it, as a date/time picker control does.
  QDateTimeEdit* fromDate_ = nullptr;
  QDateTimeEdit* fromTime_ = nullptr;
  QDateTimeEdit* toDate_ = nullptr;
  QDateTimeEdit* toTime_ = nullptr;
};

}  // namespace ordano
