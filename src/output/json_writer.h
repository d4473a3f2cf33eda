// The JSON catalogue: one UTF-8 object (no byte-order mark) with the run's
// totals and one entry per table row, for scripts. WriteJsonCatalogue is in
// catalogue_writers.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ordano {

// Appends text as a JSON string, quotes included, escaped as the JSON
// catalogue escapes it. scriptSafe also writes <, >, & and U+2028/U+2029 as
// \uXXXX, so the string can stand inside an HTML script element.
void AppendJsonString(std::string& out, std::u16string_view text, bool scriptSafe = false);

// Lower-case hexadecimal of bytes, two digits each ("ff41").
std::string HexBytes(std::string_view bytes);

// A crawl's table is never sorted, so its rows carry their resource kind and
// HTTP status for the JSON catalogue in the sort-key cell, after the sort
// text: "sort text", U+0000, kind, U+0000, status digits. No other row holds
// U+0000 there (names never contain it). Status 0: not fetched, or no answer.
std::u16string CrawlSortKey(std::u16string_view sortText, std::u16string_view kind,
                            unsigned long status);
struct CrawlRowInfo {
  std::u16string_view sortText;
  std::u16string_view kind;
  unsigned long status = 0;
};
// The parts of a crawl row's sort key; nullopt for any other row.
std::optional<CrawlRowInfo> CrawlRowOf(std::u16string_view sortKey);

}  // namespace ordano
