#include "app/ui_language.h"

#include <QString>
#include <QTranslator>
#include <array>
#include <cstdlib>
#include <string_view>

#include "platform/unicode.h"

namespace ordano {
namespace {

UiLanguage FromLocaleName(std::string_view v) {
  if (v.starts_with("ja") || v == "C" || v == "POSIX" || v.starts_with("C.") ||
      v.starts_with("POSIX.")) {
    return UiLanguage::Japanese;
  }
  return UiLanguage::English;
}

// The command line's translator: loaded once, read-only afterwards. Without
// a QCoreApplication nothing can be installed, so it is asked directly.
class ConsoleTranslator {
 public:
  ConsoleTranslator() {
    loaded_ = ChooseUiLanguage() == UiLanguage::English &&
              translator_.load(QString::fromLatin1(kEnglishCatalogue));
  }
  std::u16string Pattern(MsgId id) const {
    const char* source = MessageSource(id);
    if (loaded_) {
      const QString translated = translator_.translate(kMessageContext, source);
      if (!translated.isEmpty()) return translated.toStdU16String();
    }
    return Utf8ToUtf16(source);
  }

 private:
  QTranslator translator_;
  bool loaded_ = false;
};

const ConsoleTranslator& Console() {
  static const ConsoleTranslator translator;
  return translator;
}

}  // namespace

UiLanguage ChooseUiLanguage(const std::function<const char*(const char*)>& env) {
  auto value = [&env](const char* name) -> std::string_view {
    const char* v = env(name);
    return v != nullptr ? std::string_view(v) : std::string_view();
  };
  const std::string_view forced = value("ORDANO_LANG");
  if (forced == "ja") return UiLanguage::Japanese;
  if (forced == "en") return UiLanguage::English;
  // LANGUAGE is a list ("en_GB:ja"); its first entry is the wish.
  std::string_view language = value("LANGUAGE");
  language = language.substr(0, language.find(':'));
  if (!language.empty()) return FromLocaleName(language);
  for (const char* name : std::array{"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string_view v = value(name);
    if (!v.empty()) return FromLocaleName(v);
  }
  return UiLanguage::Japanese;
}

UiLanguage ChooseUiLanguage() {
  return ChooseUiLanguage([](const char* name) { return std::getenv(name); });
}

std::u16string ConsoleText(const Message& message) {
  return FillMessage(Console().Pattern(message.id), message.args);
}

std::string ConsoleTextUtf8(const Message& message) { return Utf16ToUtf8(ConsoleText(message)); }

}  // namespace ordano
