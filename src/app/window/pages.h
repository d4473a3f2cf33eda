// The pages of the main window that have no file of their own yet. Their own
// issues fill in their controls; here each exists, takes the toolkit's look
// and takes drops (passing them on where it has no handler of its own).
#pragma once

#include <QTimer>
#include <string>
#include <vector>

#include "toolkit/custom_dialog.h"

class QCheckBox;
class QLabel;
class QListWidget;

namespace ordano {

struct AppContext;
struct SettingsRecord;
class RunHost;

// A page with a caption line, standing for a page still to be filled in.
class ShellPage : public CCustomDialog {
  Q_OBJECT
 public:
  ShellPage(const QString& objectName, const QString& caption, QWidget* parent);
};

// Whole-drive page (dialog 131): takes one dropped item as its root.
class Cdriveall : public ShellPage {
  Q_OBJECT
 public:
  Cdriveall(RunHost& host, QWidget* parent);
  const std::string& DroppedRoot() const { return droppedRoot_; }

 protected:
  bool HandleDrop(const std::vector<std::string>& paths) override;

 private:
  RunHost& host_;
  std::string droppedRoot_;
};

// Multi-folder page (dialog 137): dropped folders join the profile's list.
class CMultiDD : public ShellPage {
  Q_OBJECT
 public:
  CMultiDD(AppContext& ctx, QWidget* parent);
  // Appends the folders among the paths; files are ignored.
  void AddFolders(const std::vector<std::string>& paths);
  // Shows the profile's list again.
  void Reload();

 protected:
  bool HandleDrop(const std::vector<std::string>& paths) override;

 private:
  AppContext& ctx_;
  QListWidget* list_ = nullptr;
};

class CDmy : public ShellPage {
  Q_OBJECT
 public:
  explicit CDmy(QWidget* parent);
};

class CWebList : public ShellPage {
  Q_OBJECT
 public:
  explicit CWebList(QWidget* parent);
  // The crawl's status text.
  void ShowText(const QString& text);

 private:
  QLabel* status_ = nullptr;
};

// The version text of the title and the information page.
inline constexpr const char* kVersionText = "0.8 Rel1.0 Unicode版";

}  // namespace ordano
