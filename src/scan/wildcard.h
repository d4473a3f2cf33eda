// File-name patterns with the rules of a Windows directory search, used in
// place of the file system's own matching.
#pragma once

#include <string_view>

namespace ordano {

// "*" matches any run of characters (also none, also dots), "?" exactly one
// character; letters match without regard to case. Further rules:
// - An empty pattern matches nothing (a search with it finds nothing).
// - A pattern ending in ".*" also matches names that match it without that
//   ".*", so "*.*" matches every name and "a.*" matches "a".
// - A pattern ending in "." asks for names without an extension: the name
//   must match the pattern without that dot, and no wildcard may stand for a
//   dot, so "*." matches "README" but not "a.txt", and "a.b*." matches "a.bc".
// - Otherwise the whole name must match: "*.txt" does not match "a.txt.bak",
//   and "a?" does not match "a".
// Matching is linear in the name for each star; there is no backtracking
// blow-up.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name);

}  // namespace ordano
