#include "app/window/window_language.h"

#include <QApplication>
#include <QTranslator>
#include <array>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace ordano {
namespace {

WindowLanguage FromLocaleName(std::string_view v) {
  if (v.starts_with("ja") || v == "C" || v == "POSIX" || v.starts_with("C.") ||
      v.starts_with("POSIX.")) {
    return WindowLanguage::Japanese;
  }
  return WindowLanguage::English;
}

}  // namespace

WindowLanguage ChooseWindowLanguage(const std::function<const char*(const char*)>& env) {
  auto value = [&env](const char* name) -> std::string_view {
    const char* v = env(name);
    return v != nullptr ? std::string_view(v) : std::string_view();
  };
  const std::string_view forced = value("ORDANO_LANG");
  if (forced == "ja") return WindowLanguage::Japanese;
  if (forced == "en") return WindowLanguage::English;
  // LANGUAGE is a list ("en_GB:ja"); its first entry is the wish.
  std::string_view language = value("LANGUAGE");
  language = language.substr(0, language.find(':'));
  if (!language.empty()) return FromLocaleName(language);
  for (const char* name : std::array{"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string_view v = value(name);
    if (!v.empty()) return FromLocaleName(v);
  }
  return WindowLanguage::Japanese;
}

WindowLanguage ChooseWindowLanguage() {
  return ChooseWindowLanguage([](const char* name) { return std::getenv(name); });
}

bool InstallWindowLanguage(QApplication& app, WindowLanguage language) {
  if (language == WindowLanguage::Japanese) return true;
  auto english = std::make_unique<QTranslator>();
  if (!english->load(QStringLiteral(":/i18n/ordano_en.qm"))) return false;
  english->setParent(&app);  // the application object owns it from here
  QApplication::installTranslator(english.release());
  return true;
}

}  // namespace ordano
