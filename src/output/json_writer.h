// The JSON catalogue: one UTF-8 object (no byte-order mark) with the run's
// totals and one entry per table row, for scripts. WriteJsonCatalogue is in
// catalogue_writers.h.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

// Lower-case hexadecimal of bytes, two digits each ("ff41").
std::string HexBytes(std::string_view bytes);

}  // namespace ordano
