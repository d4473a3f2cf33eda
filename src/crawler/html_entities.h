// HTML character references in attribute values and titles.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

// Replaces &amp; &AMP; &quot; &apos; &lt; &gt; (in that order, each
// throughout the text) and then numeric references (&#66; &#x41;). Other named
// entities stay as they are.
std::u16string DecodeEntities(std::u16string_view text);

}  // namespace ordano
