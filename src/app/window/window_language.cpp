#include "app/window/window_language.h"

#include <QApplication>
#include <QTranslator>
#include <memory>

namespace ordano {

bool InstallWindowLanguage(QApplication& app, WindowLanguage language) {
  if (language == WindowLanguage::Japanese) return true;
  auto english = std::make_unique<QTranslator>();
  if (!english->load(QString::fromLatin1(kEnglishCatalogue))) return false;
  english->setParent(&app);  // the application object owns it from here
  QApplication::installTranslator(english.release());
  return true;
}

}  // namespace ordano
