#include "app/window/profile_name_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/window/control_set.h"

namespace ordano {
namespace {

enum class NameControl { Name, Set, Cancel, Count };
constexpr ControlNames<NameControl> kControlNames = {{
    {NameControl::Name, "name"},
    {NameControl::Set, "set"},
    {NameControl::Cancel, "cancel"},
}};
static_assert(InEnumOrder(kControlNames));

}  // namespace

ProfileNameDialog::ProfileNameDialog(const QString& name, QWidget* owner) : ToolkitDialog(owner) {
  setObjectName("profileNameDialog");
  ControlSet<NameControl> controls(kControlNames);
  setWindowTitle(tr("プロファイル名変更"));
  auto* grid = Child<QGridLayout>(this);
  auto* label = Child<QLabel>(tr("プロファイル名"), this);
  edit_ = controls.Add(NameControl::Name, Child<QLineEdit>(name, this));
  edit_->setMinimumWidth(260);
  auto* set = controls.Add(NameControl::Set, Child<QPushButton>(tr("設定"), this));
  set->setDefault(true);
  auto* cancel = controls.Add(NameControl::Cancel, Child<QPushButton>(tr("取り消し"), this));
  grid->addWidget(label, 0, 0);
  grid->addWidget(edit_, 0, 1, 1, 2);
  grid->addWidget(set, 1, 1);
  grid->addWidget(cancel, 1, 2);
  connect(set, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  // The focus moves to the edit_ a moment after the dialog opened.
  focusTimer_.setObjectName("timer1234");
  focusTimer_.setSingleShot(true);
  focusTimer_.setInterval(200);
  connect(&focusTimer_, &QTimer::timeout, this, [this] { edit_->setFocus(); });
  focusTimer_.start();
}

QString ProfileNameDialog::Name() const { return edit_->text().left(kMaxNameLength); }

}  // namespace ordano
