// The window's compare and verify commands (menu ﾌｧｲﾙ) and the report window
// they open: counts, a filterable list, saving as text.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

#include "compare/catalogue_compare.h"

class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace ordano {

class QtHost;

class RunHost;

class CompareReportWindow : public QDialog {
 public:
  CompareReportWindow(const CompareReport& report, const QString& title, QWidget* parent);
  // The text report (as --compare prints it) to a file; false when it cannot be written.
  bool SaveAs(const QString& path) const;

 private:
  std::string text_;
  QStandardItemModel* model_;
  QSortFilterProxyModel* proxy_;
};

// Asks for two catalogue files and shows their report.
void CompareFromWindow(QWidget& owner);
// Asks for one catalogue, re-scans what it lists on the host's worker thread
// with its progress window (its stop button cancels), and shows the report.
void VerifyFromWindow(QWidget& owner, QtHost& host);

}  // namespace ordano
