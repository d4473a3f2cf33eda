#include "app/window/compare_report.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <memory>
#include <new>

#include "app/window/qt_host.h"
#include "compare/catalogue_files.h"
#include "run/catalogue_verify.h"

namespace ordano {
namespace {

QString KindLabel(DifferenceKind kind) {
  switch (kind) {
    case DifferenceKind::Added:
      return QCoreApplication::translate("CompareReport", "追加");
    case DifferenceKind::Removed:
      return QCoreApplication::translate("CompareReport", "削除");
    case DifferenceKind::Changed:
      return QCoreApplication::translate("CompareReport", "変更");
    case DifferenceKind::Moved:
      return QCoreApplication::translate("CompareReport", "移動");
    case DifferenceKind::Unreadable:
      return QCoreApplication::translate("CompareReport", "読めない");
  }
  return {};
}

QString Path(const std::string& path) { return QString::fromUtf8(path.data(), path.size()); }

// The line's details: what follows the path in the text report.
QString Details(const Difference& d) {
  const std::string line = DifferenceLine(d);
  const std::size_t at = line.find(d.path, 11);
  return at == std::string::npos ? QString() : Path(line.substr(at + d.path.size())).trimmed();
}

const QString kFilter =
    QCoreApplication::translate("CompareReport", "カタログ (*.json *.csv);;すべてのファイル (*)");

void ShowFailure(QWidget& owner, const CatalogueFilesResult& result) {
  const QString reason = QString::fromStdString(result.error);
  QMessageBox::warning(
      &owner, QCoreApplication::translate("CompareReport", "おるだの♪"),
      result.path.empty()
          ? QCoreApplication::translate("CompareReport", "比較できません: ") + reason
          : QString::fromStdString(result.path) +
                QCoreApplication::translate("CompareReport", "\nカタログとして読めません: ") +
                reason);
}

// The report window, or a message when memory runs out while it is filled:
// the main window and its unsaved settings stay.
void Show(QWidget& owner, const CatalogueFilesResult& result, const QString& title) {
  if (!result.report) {
    if (!result.error.empty()) ShowFailure(owner, result);
    return;
  }
  try {
    auto window = std::make_unique<CompareReportWindow>(*result.report, title, &owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window.release()->show();  // owned by its parent
  } catch (const std::bad_alloc&) {
    CatalogueFilesResult failed;
    failed.error = kNoMemoryToCompare;
    ShowFailure(owner, failed);
  }
}

}  // namespace

CompareReportWindow::CompareReportWindow(const CompareReport& report, const QString& title,
                                         QWidget* parent)
    : QDialog(parent), text_(ReportText(report)) {
  setObjectName(QStringLiteral("compareReport"));
  setWindowTitle(title);
  resize(760, 420);
  auto* rows = new QVBoxLayout(this);
  auto* counts = new QLabel(this);
  counts->setObjectName(QStringLiteral("counts"));
  counts->setText(
      QCoreApplication::translate(
          "CompareReport", "追加 %1 ／ 削除 %2 ／ 変更 %3 ／ 移動 %4 ／ 読めない %5 ／ 変更なし %6")
          .arg(report.Count(DifferenceKind::Added))
          .arg(report.Count(DifferenceKind::Removed))
          .arg(report.Count(DifferenceKind::Changed))
          .arg(report.Count(DifferenceKind::Moved))
          .arg(report.Count(DifferenceKind::Unreadable))
          .arg(report.unchanged));
  rows->addWidget(counts);
  auto* filter = new QLineEdit(this);
  filter->setObjectName(QStringLiteral("filter"));
  filter->setPlaceholderText(
      QCoreApplication::translate("CompareReport", "絞り込み（種類・パス・内容）"));
  filter->setClearButtonEnabled(true);
  rows->addWidget(filter);

  model_ = new QStandardItemModel(0, 3, this);
  model_->setHorizontalHeaderLabels({QCoreApplication::translate("CompareReport", "種類"),
                                     QCoreApplication::translate("CompareReport", "パス"),
                                     QCoreApplication::translate("CompareReport", "内容")});
  for (const auto& d : report.differences) {
    QList<QStandardItem*> row{new QStandardItem(KindLabel(d.kind)), new QStandardItem(Path(d.path)),
                              new QStandardItem(Details(d))};
    for (auto* item : row) item->setEditable(false);
    model_->appendRow(row);
  }
  proxy_ = new QSortFilterProxyModel(this);
  proxy_->setSourceModel(model_);
  proxy_->setFilterKeyColumn(-1);
  proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  auto* list = new QTableView(this);
  list->setObjectName(QStringLiteral("list"));
  list->setModel(proxy_);
  list->setSortingEnabled(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->verticalHeader()->hide();
  list->horizontalHeader()->setStretchLastSection(true);
  rows->addWidget(list, 1);
  connect(filter, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);

  auto* buttons = new QHBoxLayout;
  auto* save =
      new QPushButton(QCoreApplication::translate("CompareReport", "テキストで保存(&S)..."), this);
  save->setObjectName(QStringLiteral("save"));
  auto* close = new QPushButton(QCoreApplication::translate("CompareReport", "閉じる"), this);
  close->setObjectName(QStringLiteral("close"));
  buttons->addStretch(1);
  buttons->addWidget(save);
  buttons->addWidget(close);
  rows->addLayout(buttons);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(save, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(
        this, QCoreApplication::translate("CompareReport", "レポートの保存"), QString(),
        QCoreApplication::translate("CompareReport", "テキスト (*.txt)"));
    if (!path.isEmpty() && !SaveAs(path)) {
      QMessageBox::warning(
          this, windowTitle(),
          path + QCoreApplication::translate("CompareReport", "\nに保存できません。"));
    }
  });
}

bool CompareReportWindow::SaveAs(const QString& path) const {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const auto size = static_cast<qint64>(text_.size());
  return file.write(text_.data(), size) == size && file.flush();
}

void CompareFromWindow(QWidget& owner) {
  const QString older = QFileDialog::getOpenFileName(
      &owner, QCoreApplication::translate("CompareReport", "比較する古いカタログ"), {}, kFilter);
  if (older.isEmpty()) return;
  const QString newer = QFileDialog::getOpenFileName(
      &owner, QCoreApplication::translate("CompareReport", "比較する新しいカタログ"), {}, kFilter);
  if (newer.isEmpty()) return;
  Show(owner, CompareCatalogueFiles(older.toStdString(), newer.toStdString()),
       QCoreApplication::translate("CompareReport", "カタログの比較"));
}

void VerifyFromWindow(QWidget& owner, QtHost& host) {
  if (host.Worker().Busy()) return;
  const QString path = QFileDialog::getOpenFileName(
      &owner, QCoreApplication::translate("CompareReport", "検証するカタログ"), {}, kFilter);
  if (path.isEmpty()) return;
  // The re-scan works on the worker thread; the report shows when it returns.
  auto result = std::make_shared<CatalogueFilesResult>();
  QPointer<QWidget> shown(&owner);
  host.Worker().Start(
      [&host, file = path.toStdString(), result] { *result = VerifyCatalogueFile(file, host); },
      [shown, result] {
        if (shown)
          Show(*shown, *result, QCoreApplication::translate("CompareReport", "カタログの検証"));
      });
}

}  // namespace ordano
