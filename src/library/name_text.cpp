#include "library/name_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace ordano {
namespace {

// The code point at `i` and its length; length 0 when the bytes there are
// not UTF-8 (overlong forms and surrogates included).
std::pair<char32_t, std::size_t> Decode(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
  const std::uint8_t b = byte(i);
  if (b < 0x80) return {b, 1};
  std::size_t n = 0;
  char32_t c = 0, min = 0;
  if ((b & 0xE0) == 0xC0) {
    n = 2, c = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    n = 3, c = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    n = 4, c = b & 0x07, min = 0x10000;
  } else {
    return {0, 0};
  }
  if (i + n > s.size()) return {0, 0};
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, n};
}

void Encode(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t Fold(char32_t c) {
  if (c >= 0xFF01 && c <= 0xFF5E) c = c - 0xFF01 + 0x21;  // full-width ASCII
  if (c == 0x3000) c = 0x20;                              // ideographic space
  if (c >= 'A' && c <= 'Z') c += 'a' - 'A';               // ASCII letters
  if (c >= 0x30A1 && c <= 0x30F6) c -= 0x60;              // katakana as hiragana
  return c;
}

void AppendHex(std::string& out, std::uint8_t b) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[b >> 4];
  out += kDigits[b & 15];
}

// The code points of valid UTF-8 (folded text is valid by construction).
std::u32string CodePoints(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto [c, n] = Decode(utf8, i);
    out += n == 0 ? U'\uFFFD' : c;
    i += n == 0 ? 1 : n;
  }
  return out;
}

// A gram never spans a space or a tab: no fragment holds one.
bool Gap(char32_t c) { return c == U' ' || c == U'\t'; }

// After the last character of a run (above every code point).
constexpr char32_t kEnd = 0x110000;
// The second of a key that stands for its first character alone.
constexpr char32_t kAny = 0x110001;

std::int64_t PairKey(char32_t a, char32_t b) {
  return (static_cast<std::int64_t>(a) << 21) | static_cast<std::int64_t>(b);
}

// `width` hex digits, or as few as the value needs with 0.
void AppendHex(std::string& out, std::uint32_t v, int width) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kDigits[v & 15];
    v >>= 4;
  } while (v != 0 || n < width);
  while (n > 0) out += buf[--n];
}

// The first character at a fixed width for its kind, so that a prefix query
// on it finds every pair it starts.
void AppendFirst(std::string& out, char32_t a) {
  out += a < 0x100 ? 'g' : 'h';
  AppendHex(out, a, a < 0x100 ? 2 : 6);
}

void AppendPairWord(std::string& out, std::int64_t key) {
  const auto a = static_cast<char32_t>(key >> 21), b = static_cast<char32_t>(key & 0x1FFFFF);
  AppendFirst(out, a);
  if (b == kEnd) {
    out += 'z';
  } else {
    AppendHex(out, b, 0);
  }
}

}  // namespace

std::string NameGramWords(std::string_view name) {
  // One pass over the name's bytes into buffers on the stack (most names
  // are short): an add computes this for every row it stores.
  constexpr std::size_t kInline = 128;
  std::array<char32_t, kInline> inlinePoints;
  std::array<std::int64_t, kInline> inlineKeys;
  std::vector<char32_t> heapPoints;
  std::vector<std::int64_t> heapKeys;
  char32_t* points = inlinePoints.data();
  std::int64_t* keys = inlineKeys.data();
  if (name.size() > kInline) {  // never more code points than bytes
    heapPoints.resize(name.size());
    heapKeys.resize(name.size());
    points = heapPoints.data();
    keys = heapKeys.data();
  }
  std::size_t n = 0;
  for (std::size_t i = 0; i < name.size();) {
    const auto [c, length] = Decode(name, i);
    points[n++] = length == 0 ? U' ' : Fold(c);  // as FoldForSearch: a gap
    i += length == 0 ? 1 : length;
  }
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (Gap(points[i])) continue;
    const bool last = i + 1 == n || Gap(points[i + 1]);
    keys[count++] = PairKey(points[i], last ? kEnd : points[i + 1]);
  }
  std::sort(keys, keys + count);
  count = static_cast<std::size_t>(std::unique(keys, keys + count) - keys);
  std::string out;
  out.reserve(count * 12);
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out += ' ';
    AppendPairWord(out, keys[i]);
  }
  return out;
}

std::vector<std::int64_t> ShortGramKeys(std::string_view folded) {
  const std::u32string cps = CodePoints(folded);
  std::vector<std::int64_t> keys;
  keys.reserve(2 * cps.size());
  for (std::size_t i = 0; i < cps.size(); ++i) {
    if (Gap(cps[i])) continue;
    const bool last = i + 1 == cps.size() || Gap(cps[i + 1]);
    keys.push_back(PairKey(cps[i], last ? kEnd : cps[i + 1]));
    keys.push_back(PairKey(cps[i], kAny));
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  return keys;
}

std::optional<std::int64_t> ShortGramKey(std::string_view fragment) {
  const std::u32string cps = CodePoints(fragment);
  if (std::any_of(cps.begin(), cps.end(), Gap)) return std::nullopt;
  if (cps.size() == 1) return PairKey(cps[0], kAny);
  if (cps.size() == 2) return PairKey(cps[0], cps[1]);
  return std::nullopt;
}

std::optional<std::string> ShortGramQuery(std::string_view fragment) {
  const std::u32string cps = CodePoints(fragment);
  if (std::any_of(cps.begin(), cps.end(), Gap)) return std::nullopt;
  std::string term;
  if (cps.size() == 1) {
    AppendFirst(term, cps[0]);
    term += '*';
  } else if (cps.size() == 2) {
    AppendPairWord(term, PairKey(cps[0], cps[1]));
  } else {
    return std::nullopt;
  }
  return term;
}

namespace {

// How common a character is in names, roughly: letters and the separators
// of names most, digits less, everything else (kana, kanji, symbols) least.
int Commonness(char32_t c) {
  if ((c >= 'a' && c <= 'z') || c == '.' || c == '_' || c == '-') return 2;
  if (c >= '0' && c <= '9') return 1;
  return 0;
}

// Pairs looked up for a long fragment: the index reads each pair's whole
// list of rows, and a pair such as "fi" is in most names, so a few of the
// rarer-looking pairs narrow the rows as well as all of them (the rows are
// checked for the fragment anyway) at a fraction of the reading.
constexpr std::size_t kLongFragmentPairs = 3;

}  // namespace

std::optional<std::string> FragmentGramQuery(std::string_view fragment) {
  if (const auto shortTerm = ShortGramQuery(fragment)) return shortTerm;
  // Longer: pairs inside its runs, the rarer-looking ones spread over the
  // fragment; a run of one character (between gaps) as the prefix of the
  // pairs it starts.
  const std::u32string cps = CodePoints(fragment);
  std::vector<std::pair<int, std::int64_t>> pairs;  // commonness, key
  std::vector<char32_t> singles;
  for (std::size_t i = 0; i < cps.size(); ++i) {
    if (Gap(cps[i])) continue;
    const bool runEnds = i + 1 == cps.size() || Gap(cps[i + 1]);
    if (!runEnds) {
      pairs.push_back({Commonness(cps[i]) + Commonness(cps[i + 1]), PairKey(cps[i], cps[i + 1])});
    } else if (i == 0 || Gap(cps[i - 1])) {
      singles.push_back(cps[i]);
    }
  }
  std::vector<std::int64_t> chosen;
  if (!pairs.empty()) {
    int least = 4;
    for (const auto& p : pairs) least = std::min(least, p.first);
    std::vector<std::int64_t> rarest;
    for (const auto& p : pairs) {
      if (p.first == least) rarest.push_back(p.second);
    }
    const std::size_t n = rarest.size(), k = std::min(n, kLongFragmentPairs);
    for (std::size_t i = 0; i < k; ++i)
      chosen.push_back(rarest[k == 1 ? 0 : i * (n - 1) / (k - 1)]);
    // Too few of the rarest: the next ones fill up.
    for (int next = least + 1; chosen.size() < kLongFragmentPairs && next <= 4; ++next) {
      for (const auto& p : pairs) {
        if (p.first == next && chosen.size() < kLongFragmentPairs) chosen.push_back(p.second);
      }
    }
  }
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  std::string terms;
  for (const std::int64_t key : chosen) {
    if (!terms.empty()) terms += ' ';
    AppendPairWord(terms, key);
  }
  for (const char32_t c : singles) {
    if (!terms.empty()) terms += ' ';
    AppendFirst(terms, c);
    terms += '*';
  }
  if (terms.empty()) return std::nullopt;
  return terms;
}

bool IsGlob(std::string_view fragment) {
  return fragment.find_first_of("*?") != std::string_view::npos;
}

bool GlobMatches(std::string_view name, std::string_view glob) {
  const std::u32string n = CodePoints(name), g = CodePoints(glob);
  // Greedy with one backtrack point: the last star seen.
  std::size_t ni = 0, gi = 0, starG = std::u32string::npos, starN = 0;
  while (ni < n.size()) {
    if (gi < g.size() && (g[gi] == U'?' || g[gi] == n[ni])) {
      ++ni, ++gi;
    } else if (gi < g.size() && g[gi] == U'*') {
      starG = gi++;
      starN = ni;
    } else if (starG != std::u32string::npos) {
      gi = starG + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (gi < g.size() && g[gi] == U'*') ++gi;
  return gi == g.size();
}

std::vector<std::string_view> GlobLiterals(std::string_view glob) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < glob.size();) {
    const std::size_t end = std::min(glob.find_first_of("*?", i), glob.size());
    if (end > i) out.push_back(glob.substr(i, end - i));
    i = end + 1;
  }
  return out;
}

std::string FoldForSearch(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto [c, n] = Decode(bytes, i);
    if (n == 0) {
      if (out.empty() || out.back() != ' ') out += ' ';
      ++i;
      continue;
    }
    Encode(out, Fold(c));
    i += n;
  }
  return out;
}

std::size_t CodePointCount(std::string_view utf8) {
  std::size_t n = 0;
  for (const char ch : utf8) n += (static_cast<std::uint8_t>(ch) & 0xC0) != 0x80;
  return n;
}

void AppendEscapedName(std::string& out, std::string_view bytes) {
  // Most names are printable ASCII: nothing to escape.
  if (std::all_of(bytes.begin(), bytes.end(), [](char ch) {
        const auto b = static_cast<std::uint8_t>(ch);
        return b >= 0x20 && b < 0x7F;
      })) {
    out += bytes;
    return;
  }
  for (std::size_t i = 0; i < bytes.size();) {
    const auto [c, n] = Decode(bytes, i);
    if (n == 0 || c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
      for (std::size_t k = 0; k < (n == 0 ? 1 : n); ++k) {
        AppendHex(out, static_cast<std::uint8_t>(bytes[i + k]));
      }
      i += n == 0 ? 1 : n;
      continue;
    }
    out.append(bytes.substr(i, n));
    i += n;
  }
}

std::string EscapedName(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  AppendEscapedName(out, bytes);
  return out;
}

}  // namespace ordano
