// Names as the library indexes and shows them. Names are kept as the file
// system's bytes; these give their searchable and printable forms.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ordano {

// The searchable form of a name or a query: the valid UTF-8 parts, ASCII and
// full-width Latin letters in lower case, full-width ASCII as ASCII,
// katakana as hiragana. A byte that is not UTF-8 becomes a space, so the
// parts on either side are found but no query runs across it.
std::string FoldForSearch(std::string_view bytes);

// Characters (code points) in valid UTF-8 text.
std::size_t CodePointCount(std::string_view utf8);

// A name for a line of output: control characters and bytes that are not
// UTF-8 as \xHH; everything else as it is.
std::string EscapedName(std::string_view bytes);

}  // namespace ordano
