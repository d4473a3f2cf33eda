// The former link extractor, over decoded text: the bench's yardstick.
#pragma once

#include <string_view>

#include "crawler/link_extract.h"

namespace ordano::reference {

long FindTagEnd(std::u16string_view text, std::size_t start);
std::u16string TagName(std::u16string_view tag);
std::u16string GetAttribute(std::u16string_view tag, std::u16string_view name);
std::vector<LinkRef> ParseSrcset(std::u16string_view value, std::u16string_view kind);
std::vector<LinkRef> ExtractCssUrls(std::u16string_view text);
PageLinks ExtractLinks(std::u16string_view text, bool isCss);

}  // namespace ordano::reference
