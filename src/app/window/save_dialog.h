// The save dialog of the output run: Qt's own file dialog (the same on every
// desktop) with the "最終確認" panel below it.
#pragma once

#include <QFileDialog>
#include <QStringList>

#include "core/run_host.h"

class QCheckBox;
class QLineEdit;

namespace ordano {

// The five filters, in the order of SaveDialogState::filterIndex, then the
// formats added on Linux.
QStringList SaveDialogFilters();
// A typed name completed as the output run names files: "a." -> "a.txt",
// no point in the last component -> ".txt" added (or the chosen filter's
// extension).
QString CompletedSaveName(const QString& name, const QString& extension = QStringLiteral("txt"));

class SaveFileDialog : public QFileDialog {
  Q_OBJECT
 public:
  SaveFileDialog(QWidget* owner, const SaveDialogState& proposal);
  // Shows `proposal` again: filter, folder, name and the panel's boxes (the
  // window keeps one dialog for all its runs; making one takes a while).
  void Propose(const SaveDialogState& proposal);
  // The chosen file (full path) and the panel's states.
  SaveDialogState Answer() const;

  QCheckBox* appendBox = nullptr;
  QCheckBox* openAfterSaveBox = nullptr;
  QCheckBox* lineWidthBox = nullptr;
  QLineEdit* lineWidthEdit = nullptr;
  QCheckBox* indentTreeBox = nullptr;
  QCheckBox* utf8Box = nullptr;  // this catalogue in UTF-8

 public slots:
  void accept() override;
};

}  // namespace ordano
