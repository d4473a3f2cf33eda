// Whether the display the environment names answers, so that a stale DISPLAY
// gives the "no display" message instead of a toolkit abort.
#pragma once

namespace ordano {

// A Wayland socket ($WAYLAND_DISPLAY) or a local X server ($DISPLAY ":N")
// that accepts a connection; a remote X display ("host:N") counts as present.
bool DisplayReachable();

}  // namespace ordano
