// A fresh program folder loaded as at start-up and the main window on it,
// shown, its dialogs answered by script: message boxes with `answer` (their
// texts recorded; a box without that button takes its first), the save
// dialog with `saveAs` (empty cancels) and its panel's append box, the
// profile name dialog with `names` in turn (an empty name cancels).
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "app/window/main_window.h"
#include "app/window/profile_name_dialog.h"
#include "app/window/save_dialog.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "settings/settings_files.h"

namespace ordano::testing {

struct GuiSession {
  QTemporaryDir home;
  std::unique_ptr<AppContext> ctx = std::make_unique<AppContext>();
  std::unique_ptr<MainWindow> window;
  QStringList messages;
  QStringList captions;  // of the message boxes, as messages
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  QString saveAs;
  bool panelAppend = false;
  bool panelUtf8 = false;
  QStringList names;
  int saveDialogs = 0;
  int nameDialogs = 0;
  // The panel's 字下げ box as each save dialog showed it.
  QList<bool> panelIndentTree;

  // `before` changes the loaded settings before the window is made.
  explicit GuiSession(const std::function<void(AppContext&)>& before = {}) {
    ctx->programFolder = home.path().toStdString() + "/";
    LoadSettingsAtStartup(*ctx, std::nullopt);
    if (before) before(*ctx);
    window = std::make_unique<MainWindow>(*ctx);
    window->Host().launchOpen = false;
    window->Host().modalScript = [this](QDialog& d) { Answer(d); };
    window->Initialise();
    TakeSnapshot(*ctx);
    window->show();
  }
  QString Path(const QString& name) const { return home.filePath(name); }

 private:
  void Answer(QDialog& d) {
    if (auto* box = qobject_cast<QMessageBox*>(&d)) {
      messages << box->text();
      captions << box->windowTitle();
      QAbstractButton* b = box->button(answer);
      (b != nullptr ? b : box->buttons().front())->click();
    } else if (auto* save = qobject_cast<SaveFileDialog*>(&d)) {
      ++saveDialogs;
      panelIndentTree << save->indentTreeBox->isChecked();
      save->selectFile(saveAs);
      save->appendBox->setChecked(panelAppend);
      save->utf8Box->setChecked(panelUtf8);
      static_cast<QDialog&>(*save).done(saveAs.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    } else if (auto* name = qobject_cast<ProfileNameDialog*>(&d)) {
      ++nameDialogs;
      const QString next = names.isEmpty() ? QString() : names.takeFirst();
      name->findChild<QLineEdit*>("name")->setText(next);
      next.isEmpty() ? name->reject() : name->accept();
    }
  }
};

}  // namespace ordano::testing
