#include "scan/char_filter.h"

#include <string>

#include "scan/name_compare.h"

namespace ordano {

bool CharFilterMatch(const SettingsRecord& s, std::u16string_view name) {
  if (!s.CharFilter) return true;
  const std::u16string n = FoldCaseText(name);
  std::u16string t = FoldCaseText(TextOf(s.CharFilterText));
  if (!t.empty() && t.back() != u'/') t.push_back(u'/');

  // Every fragment ends at a "/"; the text after the last one is never a fragment.
  bool matched = false;
  std::size_t start = 0;
  for (std::size_t slash = t.find(u'/'); slash != std::u16string::npos && !matched;
       slash = t.find(u'/', start)) {
    const std::u16string_view fragment(t.data() + start, slash - start);
    matched = n.find(fragment) != std::u16string::npos;
    start = slash + 1;
  }
  return s.CharFilterMode == 1 ? !matched : matched;
}

}  // namespace ordano
