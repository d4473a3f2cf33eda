// The language of the window: the program's one choice (app/ui_language.h),
// installed on the application object.
#pragma once

#include <functional>

#include "app/ui_language.h"

class QApplication;

namespace ordano {

using WindowLanguage = UiLanguage;

inline WindowLanguage ChooseWindowLanguage(const std::function<const char*(const char*)>& env) {
  return ChooseUiLanguage(env);
}
inline WindowLanguage ChooseWindowLanguage() { return ChooseUiLanguage(); }

// Installs the English texts on `app` (owned by it) when `language` is
// English. Returns false when the embedded translation would not load.
bool InstallWindowLanguage(QApplication& app, WindowLanguage language);

}  // namespace ordano
