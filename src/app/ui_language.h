// The language the program speaks: Japanese (the texts as written) or
// English (the translation embedded in the program). One choice for the
// window and the command line.
#pragma once

#include <functional>
#include <string>

#include "core/message.h"

namespace ordano {

enum class UiLanguage { Japanese, English };

// ORDANO_LANG=ja|en decides; otherwise the first of LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG that is set: "ja…", "C", "POSIX" → Japanese, any other
// language → English. Nothing set → Japanese. `env` returns nullptr for an
// unset variable.
UiLanguage ChooseUiLanguage(const std::function<const char*(const char*)>& env);
UiLanguage ChooseUiLanguage();

// Where the compiled English texts are found in the program's resources.
inline constexpr char kEnglishCatalogue[] = ":/i18n/ordano_en.qm";

// A message in the command line's language (chosen once per process from the
// environment); Japanese when English is chosen but its texts are missing.
std::u16string ConsoleText(const Message& message);
// The same, UTF-8.
std::string ConsoleTextUtf8(const Message& message);

}  // namespace ordano
