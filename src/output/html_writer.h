// The HTML catalogue: one table per run in a UTF-8 page; appending adds a
// table before the page's closing body tag. WriteHtmlCatalogue is in
// catalogue_writers.h; these are its parts that stand on their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ordano {

// Fills the LinkTags template of one row, in one pass over the template (a
// value put in is never searched for placeholders again): %1 the link path,
// %2 the name, %3 the title (the name when there is none), %4 the link path
// and %5 the name up to their last ".", %6 the row index. %1 and %4 are
// encoded for an href, the others HTML-escaped; the template's own text is
// copied as written.
void AppendLinkTags(std::u16string& out, std::u16string_view linkTemplate,
                    std::u16string_view linkPath, std::u16string_view name,
                    std::u16string_view title, int rowIndex);

// Offset of the last "</body>" in the tail of a page ("<" exactly, the rest
// in any case), or -1.
std::int64_t FindBodyEnd(std::string_view tail);

}  // namespace ordano
