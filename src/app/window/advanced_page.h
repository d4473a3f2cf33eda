// AdvancedPage (Ckakushi): the advanced page (dialog 129). Every control is collected; only
// the acrylic box acts at once, on the whole window.
#pragma once

#include "app/window/control_set.h"
#include "toolkit/custom_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace ordano {

struct AppContext;
struct SettingsRecord;

// The advanced page's controls, in the order the page lays them out.
enum class AdvancedControl {
  OmitVolumeName,
  OmitFolderName,
  HideTargetLabel,
  HideFileNameLabel,
  HideTotalLabel,
  RenameTarget,
  TargetName,
  TotalCountPlace,
  IndentTree,
  IncludeEmptyFolders,
  RelativeRootName,
  IncludeTargetName,
  CsvFolderAndFile,
  TxtLineBreaks,
  TxtBrTags,
  CharFilter,
  CharFilterMode,
  CharFilterText,
  DropDateLimit,
  DropDateDays,
  ExpandArchives,
  ReadShortcuts,
  SaveToClipboard,
  WriteCapacity,
  CapacityPlace,
  ForceConfirmAtStart,
  NoTopmost,
  Acrylic,
  LibraryToo,
  Done,
  Count
};

class AdvancedPage : public ToolkitPage {
  Q_OBJECT
 public:
  AdvancedPage(AppContext& ctx, QWidget* parent);

  void Apply(const SettingsRecord& s);
  void Collect(SettingsRecord& s) const;

 public slots:
  // The acrylic box follows the window's mode (menu, profile switch).
  void ShowAcrylic(bool on);

 signals:
  // The acrylic box was clicked: the main window switches itself and every page.
  void acrylicToggled(bool on);

 private:
  template <class W>
  W* As(AdvancedControl id) const {
    return controls_.Get<W>(id);
  }
  QCheckBox* Box(AdvancedControl id, const QString& text);
  QLineEdit* Edit(AdvancedControl id);
  QComboBox* Combo(AdvancedControl id, const QStringList& entries);
  void Build();
  void Connect();
  void UpdateEnableStates();

  AppContext& ctx_;
  ControlSet<AdvancedControl> controls_;
};

}  // namespace ordano
