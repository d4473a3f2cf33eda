// Start-up of the window, and the window's host for a command-line run
// started from the desktop.
#pragma once

#include <functional>
#include <memory>

class QApplication;

namespace ordano {

struct AppContext;
class MainWindow;
class RunHost;

// The application object of the window layer: Fusion style, the window's
// language from the environment (window_language.h); in Japanese, Qt's own
// texts (file dialog, buttons) in Japanese like the program's.
std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv);

// A display to open windows on: X11, Wayland, or a Qt platform named
// explicitly (offscreen for tests and benchmarks).
bool DisplayAvailable();
// Started from the desktop: no terminal anywhere, and an X11 or Wayland display.
bool DesktopLaunch();

// The whole window start-up: single instance, settings, the main window,
// sa.dat after it closed. Returns the exit status. `shown` (benchmarks) is
// called once the window is on screen and its event loop runs.
int RunWindow(int& argc, char** argv, const std::function<void(MainWindow&)>& shown = {});

// Shows the main window, with the timed title at start when `withTitle`:
// beside the window where the screen has room, otherwise alone before it.
// `shown` follows once the window is shown.
void ShowMainWindow(MainWindow& window, bool withTitle, const std::function<void()>& shown = {});

// Runs `body` with the window's host (progress window, message boxes).
int WithDesktopHost(AppContext& ctx, int& argc, char** argv,
                    const std::function<int(RunHost&)>& body);

}  // namespace ordano
