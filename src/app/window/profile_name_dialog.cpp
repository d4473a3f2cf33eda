#include "app/window/profile_name_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ordano {

ProfileNameDialog::ProfileNameDialog(const QString& name, QWidget* owner) : ToolkitDialog(owner) {
  setObjectName("dlg136");
  setWindowTitle(tr("プロファイル名変更"));
  auto* grid = Child<QGridLayout>(this);
  auto* label = Child<QLabel>(tr("プロファイル名"), this);
  edit = Child<QLineEdit>(name, this);
  edit->setObjectName("ctl1017");
  edit->setMinimumWidth(260);
  auto* set = Child<QPushButton>(tr("設定"), this);
  set->setObjectName("ctl1");
  set->setDefault(true);
  auto* cancel = Child<QPushButton>(tr("取り消し"), this);
  cancel->setObjectName("ctl2");
  grid->addWidget(label, 0, 0);
  grid->addWidget(edit, 0, 1, 1, 2);
  grid->addWidget(set, 1, 1);
  grid->addWidget(cancel, 1, 2);
  connect(set, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  // The focus moves to the edit a moment after the dialog opened.
  focusTimer_.setObjectName("timer1234");
  focusTimer_.setSingleShot(true);
  focusTimer_.setInterval(200);
  connect(&focusTimer_, &QTimer::timeout, this, [this] { edit->setFocus(); });
  focusTimer_.start();
}

QString ProfileNameDialog::Name() const { return edit->text().left(kMaxNameLength); }

}  // namespace ordano
