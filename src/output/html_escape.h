// Putting names, folders and link paths into HTML: as text of a cell or of an
// attribute, and as the address of a link.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

// Appends text with &, <, >, " and ' written as character references, so it
// stays text both in a cell and inside a quoted attribute.
void AppendHtmlEscaped(std::u16string& out, std::u16string_view text);

// Appends a link path for an href. A path of the file system is
// percent-encoded where a character would end the attribute or change the
// meaning of the address (space, ", <, >, ', #, %, ?, "\" and control
// characters), and a relative path whose first segment holds ":" gets "./"
// so it is not read as a scheme. An address that already has a scheme
// ("http://…") keeps its %, ? and # and has only the attribute-breaking
// characters encoded. The result is HTML-escaped as well (& becomes &amp;).
void AppendHrefEncoded(std::u16string& out, std::u16string_view link);

// True when link starts with "scheme://".
bool HasUrlScheme(std::u16string_view link);

}  // namespace ordano
