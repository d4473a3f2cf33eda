// The pages of the main window other than the basic page. Their own issues
// fill in their controls; here each exists, takes the toolkit's look and
// takes drops (passing them on where it has no handler of its own).
#pragma once

#include <QTimer>
#include <string>
#include <vector>

#include "toolkit/custom_dialog.h"

class QCheckBox;
class QLabel;
class QPushButton;

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

// Advanced page (dialog 129). Its acrylic box switches the window at once.
class Ckakushi : public ShellPage {
  Q_OBJECT
 public:
  Ckakushi(AppContext& ctx, QWidget* parent);
  void Apply(const SettingsRecord& s);
  void Collect(SettingsRecord& s) const;
  QCheckBox* acrylicBox = nullptr;
  std::function<void(bool)> onAcrylic;

 private:
  AppContext& ctx_;
};

class Chtmlk : public ShellPage {
  Q_OBJECT
 public:
  explicit Chtmlk(QWidget* parent);
};

// Information page (dialog 141): the version line and the memory figures.
class CInfo : public ShellPage {
  Q_OBJECT
 public:
  CInfo(AppContext& ctx, QWidget* parent);
  void Refresh();
  QCheckBox* titleBox = nullptr;  // 1002
  std::function<void(bool)> onTitleBox;
  QPushButton* updateButton = nullptr;  // 1023: the online update
  std::function<void()> onUpdateCheck;

 private:
  AppContext& ctx_;
  QLabel* memory_ = nullptr;
  QTimer timer_;  // timer 1000
};

// The version text of the title and the information page.
inline constexpr const char* kVersionText = "0.8 Rel1.0 Unicode版";

}  // namespace ordano
