// BasicPage (COrdanoDlg): the basic page (dialog 102). Immediate controls write the
// settings record the moment they change; collected ones keep their state in
// the control until a run or the exit collects the page.
#pragma once

#include <QString>
#include <QStringList>

#include "app/window/control_set.h"
#include "toolkit/custom_dialog.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QTimeEdit;

namespace ordano {

struct AppContext;
struct SettingsRecord;
class RunHost;

// The basic page's controls, in the order the page lays them out.
enum class BasicControl {
  AppendOutput,
  ConfirmOverwrite,
  WriteTargetFolder,
  Unify,
  WriteDate,
  FolderSizes,
  FileNameOnly,
  RelativeOutput,
  OpenAfterSave,
  PreferLastExtension,
  ComputeMd5,
  HtmlLinks,
  OutputKind,
  HtmlBackColor,
  IncludeHidden,
  Subfolders,
  SearchDepth,
  Wildcard,
  SizeKB,
  SizeMB,
  SizeAuto,
  SortName,
  SortSize,
  SortModified,
  SortExtension,
  SortExplorer,
  SortCreated,
  Descending,
  IgnoreHierarchy,
  IncludeFileDrops,
  AlignNames,
  AlignWidth,
  AlignByTab,
  TabEight,
  LineWidthEnabled,
  LineWidth,
  MinWidth,
  DateRange,
  DateFrom,
  TimeFrom,
  DateTo,
  TimeTo,
  NowFrom,
  NowTo,
  FolderCopy,
  Count
};

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

 public slots:
  // The hidden copy of the multi-folder list that a folder-list run reads;
  // emptied when the run is over.
  void SetFolderCopy(const QStringList& folders);

 protected:
  // Ctrl + right double-click: the page collected and applied again.
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QWidget* Control(BasicControl id) const { return controls_.Get(id); }
  template <class W>
  W* As(BasicControl id) const {
    return controls_.Get<W>(id);
  }
  QCheckBox* Box(BasicControl id, const QString& text);
  void Build();
  void Connect();
  void UpdateEnableStates();
  void OnHexEdited(const QString& text);
  void SetNow(bool from);

  AppContext& ctx_;
  RunHost& host_;
  bool applying_ = false;
  ControlSet<BasicControl> controls_;
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
