// The library's search window: a query field, the hits of every volume in a
// sortable table, and the folder of a hit opened when its volume is mounted.
// The searches run on a thread of their own: typing goes on while one runs,
// and a new query stops the one before.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;
class QTimer;

namespace ordano {

class LibraryHitModel;

class LibrarySearchWindow : public QWidget {
  Q_OBJECT
 public:
  explicit LibrarySearchWindow(const QString& libraryPath, QWidget* parent = nullptr,
                               int pageSize = 500);
  LibraryHitModel* Model() const { return model_; }

 public slots:
  // Searches the library for the query field's name fragments; the hits
  // come as the search goes.
  void Search();
  // Opens the folder holding the hit at `index`, or names the volume to plug in.
  void OpenHit(const QModelIndex& index);

 private:
  QString libraryPath_;
  QLineEdit* query_;
  QPushButton* searchButton_;
  QTableView* view_;
  QLabel* status_;
  QTimer* typing_;           // a search once typing pauses
  bool fitColumns_ = false;  // to the first page of the next search
  LibraryHitModel* model_;
};

}  // namespace ordano
