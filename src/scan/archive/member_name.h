// Member names as archives store them: bytes in whatever character set the
// archiver of the day used.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

// Valid UTF-8 is UTF-8 (current archivers); anything else is CP932 (old
// Japanese archives, the system code page of the platform they came from).
std::u16string DecodeMemberName(std::string_view stored);

// The stored bytes decoded as above with "\" separators turned into "/",
// as UTF-8. Decoding comes first: in CP932 a 0x5C byte can be the second
// half of a character such as 表.
std::string MemberPathWithSlashes(std::string_view stored);

}  // namespace ordano
