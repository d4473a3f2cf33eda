#include "scan/archive/member_name.h"

#include "platform/codepage.h"
#include "platform/unicode.h"

namespace ordano {

std::u16string DecodeMemberName(std::string_view stored) {
  if (IsValidUtf8(stored)) return Utf8ToUtf16(stored);
  return DecodeCodePage(kCodePageSystem, stored);
}

std::string MemberPathWithSlashes(std::string_view stored) {
  std::u16string text = DecodeMemberName(stored);
  for (auto& c : text) {
    if (c == u'\\') c = u'/';
  }
  return Utf16ToUtf8(text);
}

}  // namespace ordano
