// Character sets of fetched pages: which code page a body is in, and its text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ordano {

// Code page of a charset name (utf-8, shift_jis and its aliases, euc-jp,
// iso-8859-1); 0 when the name is none of these.
int CharsetCodePage(std::string_view name);

// The charset value after "charset=" in raw bytes (a Content-Type header or
// the start of a body), lower-cased; empty when there is none or it is longer
// than 64 bytes.
std::string CharsetValue(std::string_view bytes);

// Code page of a body: the header's charset, a charset among the first 8192
// bytes, a UTF-8 byte-order mark, then a validity test of the first 4096
// bytes (UTF-8, else 932). 0 when none of these decides.
int DetectCodePage(std::u16string_view contentType, std::string_view body);

// The text of a body (a UTF-8 byte-order mark skipped); code page 0 means the
// system code page (932).
std::u16string DecodeBody(std::string_view body, std::u16string_view contentType);

// Bytes to text only when every byte sequence is valid in the code page (and
// complete, unless `allowCutEnd` lets the last character be cut off); nullopt
// otherwise. Code pages 65001, 932, 20932 and 28591.
std::optional<std::u16string> DecodeStrictly(int codePage, std::string_view bytes,
                                             bool allowCutEnd = false);

}  // namespace ordano
