// The update check in the window: the offer before the main window opens and
// the information page's button. Both work on the host's run worker (server
// query, question, download); the interface thread serves the windows.
#pragma once

namespace ordano {

struct AppContext;
class MainWindow;

// Start-up: silent unless a newer build exists; true when the user took it
// and the installer runs (the window is then not opened).
bool OfferUpdateAtStart(AppContext& ctx, int argc, char** argv);

// The information page's button: returns at once, every outcome is told;
// when the installer takes over, the window closes the ordinary way
// (settings saved).
void CheckForUpdateFromWindow(MainWindow& window);

}  // namespace ordano
