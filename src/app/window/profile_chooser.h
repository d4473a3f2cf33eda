// The profile chooser of a command-line start with "/P" and no number: the
// profile dialog in chooser mode on a display, a numbered list on a
// terminal. Choosing switches the context to that profile (its settings and
// folder list, no save of the current one).
#pragma once

#include <cstdio>
#include <optional>

namespace ordano {

struct AppContext;

enum class ChooserResult { Chosen, NotChosen, Unavailable };

// The numbered list on `out`, the answer read from `in`: a listed number
// chooses, an empty line or the end of input does not; anything else asks
// again.
ChooserResult ChooseProfileOnTerminal(AppContext& ctx, std::FILE* in, std::FILE* out);

// The window's dialog with an X11 or Wayland display, else the list when
// stdin is a terminal, else Unavailable (the caller says why).
ChooserResult ChooseProfileAtStart(AppContext& ctx, int& argc, char** argv);

}  // namespace ordano
