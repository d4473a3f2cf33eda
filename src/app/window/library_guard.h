// The library windows' failures: a library that cannot be used is named in a
// message box and the window stays up.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

namespace ordano {

// Runs `body`; a refused or damaged library, a failing database or a lack of
// memory comes back as the text that says why (none when it worked). Safe on
// any thread.
std::optional<QString> LibraryFailure(const std::function<void()>& body);

// Tells `why` in a warning naming `libraryPath`.
void WarnLibraryFailure(QWidget* owner, const QString& libraryPath, const QString& why);

// Runs `body`; a failure as above is told in a warning. False when it failed.
bool WithLibrary(QWidget* owner, const QString& libraryPath, const std::function<void()>& body);

}  // namespace ordano
