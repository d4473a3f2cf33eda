#include "app/window/library_guard.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <filesystem>
#include <new>

#include "library/library_place.h"
#include "library/library_store.h"
#include "library/store_connection.h"

namespace ordano {
std::optional<QString> LibraryFailure(const std::function<void()>& body) {
  try {
    body();
    return std::nullopt;
  } catch (const LibraryRefused& e) {
    return QCoreApplication::translate("LibraryWindow", "このライブラリは使えません: %1")
        .arg(QString::fromUtf8(e.what()));
  } catch (const StoreError& e) {
    return e.Corrupt()
               ? QCoreApplication::translate(
                     "LibraryWindow", "ライブラリが壊れているか、ライブラリではありません (%1)。")
                     .arg(QString::fromUtf8(e.what()))
           : e.Full() ? QCoreApplication::translate(
                            "LibraryWindow", "ディスクがいっぱいです。何も変更していません。")
                      : QString::fromUtf8(e.what());
  } catch (const std::filesystem::filesystem_error& e) {
    return QString::fromUtf8(e.what());
  } catch (const std::bad_alloc&) {
    return QCoreApplication::translate("LibraryWindow", "メモリが足りません。");
  }
}

void WarnLibraryFailure(QWidget* owner, const QString& libraryPath, const QString& why) {
  QMessageBox::warning(
      owner, owner != nullptr ? owner->windowTitle() : QString(),
      QString::fromStdString(ShownLocation(libraryPath.toStdString())) + QLatin1Char('\n') + why);
}

bool WithLibrary(QWidget* owner, const QString& libraryPath, const std::function<void()>& body) {
  const std::optional<QString> why = LibraryFailure(body);
  if (why) WarnLibraryFailure(owner, libraryPath, *why);
  return !why;
}

}  // namespace ordano
