// The CSV catalogue: every field in double quotes, UTF-16LE with a byte-order
// mark, rows ended by "\r\n". WriteCsvCatalogue is in catalogue_writers.h.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

// The text with every double quote doubled.
std::u16string QuoteCsvField(std::u16string_view text);
// The same, appended to out.
void AppendCsvQuoted(std::u16string& out, std::u16string_view text);

}  // namespace ordano
