// ProfileDialog (Cprofile): the profile dialog (dialog 134, "プロファイル設定"). It lists the
// profiles, creates, renames (by dialog or in place), deletes and switches
// them. In chooser mode (a command-line start with "/P") nothing is marked
// in use, switching asks nothing and the create button is hidden.
#pragma once

#include <memory>

#include "toolkit/custom_dialog.h"

class QMenu;
class QTableWidget;
class QTableWidgetItem;

namespace ordano {

struct AppContext;
class QtHost;

class ProfileDialog : public ToolkitDialog {
  Q_OBJECT
 public:
  static constexpr int kNumberColumn = 3;
  // Accepted when the dialog ended with a switch.
  ProfileDialog(AppContext& ctx, QtHost& host, bool chooser, QWidget* owner);

  void Fill();
  void Create();            // button 1023
  void SwitchRow(int row);  // double click, 32785
  void RenameRow(int row);  // 32783
  void DeleteRow(int row);  // 32784
  // Menu 135 for a row.
  std::unique_ptr<QMenu> RowMenu(int row);
  int NumberAt(int row) const;

 private:
  void AddRow(int number, const QString& name, const QString& savedAt, bool inUse);
  void OnItemChanged(QTableWidgetItem* item);

  AppContext& ctx_;
  QtHost& host_;
  QTableWidget* list_ = nullptr;
  bool chooser_;
  bool filling_ = false;
};

}  // namespace ordano
