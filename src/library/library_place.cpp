#include "library/library_place.h"

#include <cstdlib>

namespace ordano {

std::string LibraryPathFor(const std::optional<std::string>& given) {
  if (given) return *given;
  if (const char* e = std::getenv("ORDANO_LIBRARY"); e != nullptr && *e != '\0') return e;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x == '/') {
    return std::string(x) + "/ordano/library.sqlite";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/share/ordano/library.sqlite";
}

}  // namespace ordano
