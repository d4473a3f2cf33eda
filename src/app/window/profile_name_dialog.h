// ProfileNameDialog (Cprofilename): the profile name dialog (dialog 136).
#pragma once

#include <QTimer>

#include "toolkit/custom_dialog.h"

class QLineEdit;

namespace ordano {

class ProfileNameDialog : public ToolkitDialog {
  Q_OBJECT
 public:
  static constexpr int kMaxNameLength = 200;
  ProfileNameDialog(const QString& name, QWidget* owner);
  // The first 200 characters of the edit.
  QString Name() const;

 private:
  QLineEdit* edit_ = nullptr;
  QTimer focusTimer_;  // timer 1234
};

}  // namespace ordano
