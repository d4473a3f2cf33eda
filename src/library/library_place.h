// Where the library lives.
#pragma once

#include <optional>
#include <string>

namespace ordano {

// The library's file: `given` (--library), else ORDANO_LIBRARY, else
// ${XDG_DATA_HOME:-~/.local/share}/ordano/library.sqlite.
std::string LibraryPathFor(const std::optional<std::string>& given);

}  // namespace ordano
