// Where the library lives.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ordano {

// The library's file: `given` (--library), else ORDANO_LIBRARY, else
// ${XDG_DATA_HOME:-~/.local/share}/ordano/library.sqlite.
std::string LibraryPathFor(const std::optional<std::string>& given);

// Whether the library's location is a PostgreSQL server's database: a
// postgresql:// or postgres:// URI.
bool IsServerLocation(std::string_view location);

// The location for messages: a URI's password left out.
std::string ShownLocation(std::string_view location);

}  // namespace ordano
