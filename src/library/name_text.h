// Names as the library indexes and shows them. Names are kept as the file
// system's bytes; these give their searchable and printable forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordano {

// The searchable form of a name or a query: the valid UTF-8 parts, ASCII and
// full-width Latin letters in lower case, full-width ASCII as ASCII,
// katakana as hiragana. A byte that is not UTF-8 becomes a space, so the
// parts on either side are found but no query runs across it.
std::string FoldForSearch(std::string_view bytes);

// Characters (code points) in valid UTF-8 text.
std::size_t CodePointCount(std::string_view utf8);

// The name index's words for a name (its bytes, folded as FoldForSearch
// folds them): each character with the one after it, or with the end of its
// run when a space, a tab or the end of the name follows (so every character
// starts a pair), without repeats, separated by spaces; each pair a word the
// index's tokenizer keeps whole: "g" and two hex digits for a first character
// below U+0100, else "h" and six; then the second's hex digits, or "z" for
// the end.
std::string NameGramWords(std::string_view name);

// The query term of a folded fragment of one character (a prefix: every
// pair it starts) or two (the pair's word); nullopt for any other fragment
// or one with a space or a tab.
std::optional<std::string> ShortGramQuery(std::string_view fragment);

// The pairs of a folded name (as NameGramWords makes them) as numbers, first
// character × 2^21 + second, and each first character alone: the array a
// server's index holds.
std::vector<std::int64_t> ShortGramKeys(std::string_view folded);

// The key of a folded fragment of one character (its key alone) or two (the
// pair's); nullopt as for ShortGramQuery.
std::optional<std::int64_t> ShortGramKey(std::string_view fragment);

// The query terms (joined by spaces: all must match) of any folded
// fragment: ShortGramQuery's term for one or two characters, else a few of
// the pairs inside its runs. Exact for one or two characters; for more, the
// rows it finds hold those pairs and still need the fragment checked. Nullopt when
// the fragment has no character but gaps.
std::optional<std::string> FragmentGramQuery(std::string_view fragment);

// Whether a folded fragment is a glob (holds `*` or `?`).
bool IsGlob(std::string_view fragment);

// Whether the whole folded name matches the folded glob: `*` any run of
// characters, `?` one character, everything else itself.
bool GlobMatches(std::string_view name, std::string_view glob);

// The literal runs of a glob, between its `*` and `?`.
std::vector<std::string_view> GlobLiterals(std::string_view glob);

// A name for a line of output: control characters and bytes that are not
// UTF-8 as \xHH; everything else as it is.
std::string EscapedName(std::string_view bytes);
// The same, appended to `out`.
void AppendEscapedName(std::string& out, std::string_view bytes);

}  // namespace ordano
