#include "scan/wildcard.h"

#include <algorithm>

#include "scan/name_compare.h"

namespace ordano {
namespace {

// Greedy two-pointer match: on a mismatch only the latest star takes one
// more character, which is enough for "*" and "?" patterns.
bool MatchWhole(std::u16string_view p, std::u16string_view n) {
  constexpr std::size_t kNone = std::u16string_view::npos;
  std::size_t pi = 0, ni = 0, starP = kNone, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == u'*') {
      starP = pi++;
      starN = ni;
    } else if (pi < p.size() && (p[pi] == u'?' || FoldCase(p[pi]) == FoldCase(n[ni]))) {
      ++pi;
      ++ni;
    } else if (starP != kNone) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == u'*') ++pi;
  return pi == p.size();
}

std::size_t LiteralDots(std::u16string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), u'.'));
}

}  // namespace

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  if (pattern.empty()) return false;
  if (pattern.ends_with(u".*")) {
    return MatchWhole(pattern, name) || MatchWhole(pattern.substr(0, pattern.size() - 2), name);
  }
  if (pattern.ends_with(u'.')) {
    // No wildcard may stand for a dot: then every dot of the name is one the
    // pattern spells out, so the counts agree.
    const std::u16string_view stem = pattern.substr(0, pattern.size() - 1);
    return LiteralDots(stem) == LiteralDots(name) && MatchWhole(stem, name);
  }
  return MatchWhole(pattern, name);
}

}  // namespace ordano
