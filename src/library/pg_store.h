// The library in a PostgreSQL database, for several machines at once: the
// same tables as the SQLite file, names searched through pg_trgm.
#pragma once

#include <memory>
#include <string>

#include "library/library_backend.h"

namespace ordano {

// Connects to the database the URI names. With `create` a missing schema is
// made (and pg_trgm, where the role may); without, nullptr when there is
// none. Throws LibraryRefused (a newer schema, no pg_trgm) or StoreError.
std::unique_ptr<LibraryBackend> OpenServerLibrary(const std::string& uri, bool create);

}  // namespace ordano
