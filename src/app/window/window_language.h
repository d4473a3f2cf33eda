// The language of the window: Japanese (the texts as written) or English
// (the translation embedded in the program).
#pragma once

#include <functional>
#include <string_view>

class QApplication;

namespace ordano {

enum class WindowLanguage { Japanese, English };

// ORDANO_LANG=ja|en decides; otherwise the first of LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG that is set: "ja…", "C", "POSIX" → Japanese, any other
// language → English. Nothing set → Japanese. `env` returns nullptr for an
// unset variable.
WindowLanguage ChooseWindowLanguage(const std::function<const char*(const char*)>& env);
WindowLanguage ChooseWindowLanguage();

// Installs the English texts on `app` (owned by it) when `language` is
// English. Returns false when the embedded translation would not load.
bool InstallWindowLanguage(QApplication& app, WindowLanguage language);

}  // namespace ordano
