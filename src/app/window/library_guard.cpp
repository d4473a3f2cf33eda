#include "app/window/library_guard.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <filesystem>
#include <new>

#include "library/library_store.h"
#include "library/sqlite_handle.h"

namespace ordano {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("LibraryWindow", text); }

}  // namespace

bool WithLibrary(QWidget* owner, const QString& libraryPath, const std::function<void()>& body) {
  QString why;
  try {
    body();
    return true;
  } catch (const LibraryRefused& e) {
    why = Tr("このライブラリは使えません: %1").arg(QString::fromUtf8(e.what()));
  } catch (const SqliteError& e) {
    why = e.Corrupt() ? Tr("ライブラリが壊れているか、ライブラリではありません (%1)。")
                            .arg(QString::fromUtf8(e.what()))
          : e.Full() ? Tr("ディスクがいっぱいです。何も変更していません。")
                     : QString::fromUtf8(e.what());
  } catch (const std::filesystem::filesystem_error& e) {
    why = QString::fromUtf8(e.what());
  } catch (const std::bad_alloc&) {
    why = Tr("メモリが足りません。");
  }
  QMessageBox::warning(owner, owner != nullptr ? owner->windowTitle() : QString(),
                       libraryPath + QLatin1Char('\n') + why);
  return false;
}

}  // namespace ordano
