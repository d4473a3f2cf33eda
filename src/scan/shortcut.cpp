#include "scan/shortcut.h"

namespace ordano {

// Not resolved yet: every file behaves as "no link".
std::string ResolveShortcut(AppContext&, const std::string&) { return {}; }

}  // namespace ordano
