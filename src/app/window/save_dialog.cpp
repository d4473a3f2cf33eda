#include "app/window/save_dialog.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "toolkit/custom_dialog.h"

namespace ordano {

QStringList SaveDialogFilters() {
  // Qt reads the patterns from the last parentheses; the label keeps its own.
  return {SaveFileDialog::tr("対応ファイル(*.txt,*.html,*.csv) (*.txt *.csv *.html *.htm)"),
          SaveFileDialog::tr("txtファイル(*.txt) (*.txt)"),
          SaveFileDialog::tr("htmlファイル(*.html) (*.html *.htm)"),
          SaveFileDialog::tr("csvファイル(*.csv) (*.csv)"),
          SaveFileDialog::tr("すべてのファイル(*.*) (*.txt *)"),
          // The formats added on Linux come after the five the record numbers.
          SaveFileDialog::tr("jsonファイル(*.json) (*.json)"),
          SaveFileDialog::tr("JSON Linesファイル(*.jsonl) (*.jsonl)"),
          SaveFileDialog::tr("検索できるhtml(*.view.html) (*.view.html)"),
          SaveFileDialog::tr("ライブラリ(*.sqlite) (*.sqlite)")};
}

QString CompletedSaveName(const QString& name, const QString& extension) {
  if (name.isEmpty()) return name;
  if (name.endsWith('.')) return name + extension;
  const qsizetype slash = name.lastIndexOf('/');
  if (name.indexOf('.', slash + 1) < 0) return name + '.' + extension;
  return name;
}

namespace {

// The extension a name without one gets: the chosen filter's, when it names one.
QString FilterExtension(const QString& filter) {
  const qsizetype open = filter.lastIndexOf(QStringLiteral("(*."));
  const qsizetype end = filter.indexOf(QRegularExpression(QStringLiteral("[ )]")), open + 3);
  if (open < 0 || end < 0) return QStringLiteral("txt");
  const QString ext = filter.mid(open + 3, end - open - 3);
  return ext.isEmpty() || ext == QStringLiteral("*") ? QStringLiteral("txt") : ext;
}

}  // namespace

SaveFileDialog::SaveFileDialog(QWidget* owner, const SaveDialogState& proposal)
    : QFileDialog(owner) {
  setObjectName("saveDialog");
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::HideNameFilterDetails);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setWindowTitle(tr("おるだの♪出力ファイル保存"));
  const QStringList filters = SaveDialogFilters();
  setNameFilters(filters);

  auto* panel = Child<QGroupBox>(tr("最終確認"), this);
  panel->setObjectName("finalCheck");
  auto* rows = Child<QVBoxLayout>(panel);
  appendBox = Child<QCheckBox>(tr("出力ファイルへの追記を行う"), panel);
  appendBox->setObjectName("finalAppend");
  openAfterSaveBox = Child<QCheckBox>(tr("保存後ファイルを開く"), panel);
  openAfterSaveBox->setObjectName("finalOpenAfterSave");
  lineWidthBox = Child<QCheckBox>(tr("一行表示桁数長の指定"), panel);
  lineWidthBox->setObjectName("finalLineWidthEnabled");
  lineWidthEdit = Child<QLineEdit>(panel);
  lineWidthEdit->setObjectName("finalLineWidth");
  lineWidthEdit->setMaximumWidth(80);
  indentTreeBox = Child<QCheckBox>(tr("字下げ形式(ツリーもどき)で出力"), panel);
  indentTreeBox->setObjectName("finalIndentTree");
  utf8Box = Child<QCheckBox>(tr("テキストをUTF-8で出力 (LF, BOMなし)"), panel);
  utf8Box->setObjectName("finalUtf8");
  rows->addWidget(appendBox);
  rows->addWidget(openAfterSaveBox);
  auto* widthRow = Child<QHBoxLayout>();
  widthRow->addWidget(lineWidthBox);
  widthRow->addWidget(lineWidthEdit);
  widthRow->addStretch();
  rows->addLayout(widthRow);
  rows->addWidget(indentTreeBox);
  rows->addWidget(utf8Box);

  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
  } else if (layout() != nullptr) {
    layout()->addWidget(panel);
  }
  Propose(proposal);
}

void SaveFileDialog::Propose(const SaveDialogState& proposal) {
  selectNameFilter(SaveDialogFilters().value(std::clamp(proposal.filterIndex, 1, 5) - 1));
  if (!proposal.folder.empty()) setDirectory(QString::fromStdString(proposal.folder));
  if (!proposal.fileName.empty()) {
    selectFile(QString::fromStdString(proposal.fileName));
  } else if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
    name->clear();  // no name from the run before
  }
  appendBox->setChecked(proposal.appendOutput);
  openAfterSaveBox->setChecked(proposal.openAfterSave);
  lineWidthBox->setChecked(proposal.lineWidthEnabled);
  lineWidthEdit->setText(QString::fromStdU16String(proposal.lineWidthText));
  indentTreeBox->setChecked(proposal.indentTree);
  utf8Box->setChecked(proposal.utf8Text);
}

void SaveFileDialog::accept() {
  // Complete the typed name first, so the overwrite question asks about the
  // file that will really be written.
  const QStringList chosen = selectedFiles();
  if (!chosen.isEmpty() && !QFileInfo(chosen.front()).isDir()) {
    const QString completed =
        CompletedSaveName(chosen.front(), FilterExtension(selectedNameFilter()));
    if (completed != chosen.front()) selectFile(completed);
  }
  QFileDialog::accept();
}

SaveDialogState SaveFileDialog::Answer() const {
  SaveDialogState a;
  const QStringList chosen = selectedFiles();
  if (!chosen.isEmpty()) {
    const QFileInfo info(chosen.front());
    a.folder = info.absolutePath().toStdString();
    a.fileName = info.fileName().isEmpty() ? std::string() : info.absoluteFilePath().toStdString();
  }
  const int filter = static_cast<int>(SaveDialogFilters().indexOf(selectedNameFilter()));
  a.filterIndex = filter < 0 ? 1 : filter + 1;
  a.appendOutput = appendBox->isChecked();
  a.openAfterSave = openAfterSaveBox->isChecked();
  a.lineWidthEnabled = lineWidthBox->isChecked();
  a.lineWidthText = lineWidthEdit->text().toStdU16String();
  a.indentTree = indentTreeBox->isChecked();
  a.utf8Text = utf8Box->isChecked();
  return a;
}

}  // namespace ordano
