// The library windows' failures: a library that cannot be used is named in a
// message box and the window stays up.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace ordano {

// Runs `body`; a refused or damaged library, a failing database or a lack of
// memory is told in a warning naming `libraryPath`. False when it failed.
bool WithLibrary(QWidget* owner, const QString& libraryPath, const std::function<void()>& body);

}  // namespace ordano
