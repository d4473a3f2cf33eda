// The library's volumes: each disk catalogued, whether it is mounted now, and
// forgetting one (its rows deleted after a question).
#pragma once

#include <QString>
#include <QWidget>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace ordano {

class LibraryVolumesWindow : public QWidget {
  Q_OBJECT
 public:
  enum Column { kLabel, kUuid, kLastSeen, kState, kFiles, kSize, kCapacity, kColumnCount };

  explicit LibraryVolumesWindow(const QString& libraryPath, QWidget* parent = nullptr);

 public slots:
  // Reads the volumes from the library again.
  void Reload();
  // Asks, then removes the selected volume with its trees from the library.
  void ForgetSelected();

 signals:
  void volumeForgotten();

 private:
  QString libraryPath_;
  QTableWidget* table_;
  QPushButton* forget_;
  QPushButton* reload_;
  QLabel* status_;
  std::vector<std::string> keys_;  // of the table's rows
  std::vector<QString> names_;
  std::vector<std::uint64_t> files_;
};

}  // namespace ordano
