// Shortcut targets: symbolic links and .lnk files.
#pragma once

#include <string>

namespace ordano {

struct AppContext;

// The target of the shortcut at `path` when it exists here, else empty.
std::string ResolveShortcut(AppContext& ctx, const std::string& path);

}  // namespace ordano
