// ExplorerSortKey: the key of the explorer-like order. Numbers compare by
// value, and hiragana, katakana and half-width katakana spellings of a word
// (voiced, semi-voiced and small letters included) fold to one hiragana form.
#include <array>
#include <string>
#include <string_view>

#include "platform/unicode.h"
#include "scan/sort.h"

namespace ordano {
namespace {

constexpr char16_t kVoicedMark = 0xFF9E;      // half-width ﾞ
constexpr char16_t kSemiVoicedMark = 0xFF9F;  // half-width ﾟ

// Full-width forms of U+FF66 .. U+FF9D (their compatibility decompositions).
constexpr std::array<char16_t, 0xFF9E - 0xFF66> kHalfToFull = {
    u'ヲ', u'ァ', u'ィ', u'ゥ', u'ェ', u'ォ', u'ャ', u'ュ', u'ョ', u'ッ', u'ー', u'ア',
    u'イ', u'ウ', u'エ', u'オ', u'カ', u'キ', u'ク', u'ケ', u'コ', u'サ', u'シ', u'ス',
    u'セ', u'ソ', u'タ', u'チ', u'ツ', u'テ', u'ト', u'ナ', u'ニ', u'ヌ', u'ネ', u'ノ',
    u'ハ', u'ヒ', u'フ', u'ヘ', u'ホ', u'マ', u'ミ', u'ム', u'メ', u'モ', u'ヤ', u'ユ',
    u'ヨ', u'ラ', u'リ', u'ル', u'レ', u'ロ', u'ワ', u'ン'};

constexpr std::u16string_view kPlainFrom =
    u"ヴガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポぁぃぅぇぉっゃゅょァィゥェォッャュョヮ";
constexpr std::u16string_view kPlainTo =
    u"ウカキクケコサシスセソタチツテトハヒフヘホハヒフヘホあいうえおつやゆよあいうえおつやゆよゎ";
constexpr std::u16string_view kKatakana =
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤヰユヱヨラリルレロワ"
    u"ヲン";
constexpr std::u16string_view kHiragana =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゐゆゑよらりるれろわ"
    u"をん";
static_assert(kPlainFrom.size() == kPlainTo.size());
static_assert(kKatakana.size() == kHiragana.size());

bool IsHalfWidthKana(char16_t c) { return c >= 0xFF66 && c <= 0xFF9D; }
// Half-width rows that take the voiced mark: カ, サ, タ and ハ.
bool TakesVoicedMark(char16_t c) {
  return (c >= 0xFF76 && c <= 0xFF84) || (c >= 0xFF8A && c <= 0xFF8E);
}
bool TakesSemiVoicedMark(char16_t c) { return c >= 0xFF8A && c <= 0xFF8E; }

void ReplaceAll(std::u16string& s, std::u16string_view from, std::u16string_view to) {
  std::size_t pos = s.find(from);
  if (pos == std::u16string::npos) return;
  std::u16string out;
  out.reserve(s.size());
  std::size_t done = 0;
  for (; pos != std::u16string::npos; pos = s.find(from, done)) {
    out.append(s, done, pos - done);
    out.append(to);
    done = pos + from.size();
  }
  out.append(s, done, std::u16string::npos);
  s = std::move(out);
}

// Half-width katakana to full-width; a mark that belongs to the letter before
// it is dropped with it (ｶﾞ becomes カ), a lone mark stays.
std::u16string WidenHalfWidthKana(std::u16string_view k) {
  std::u16string out;
  out.reserve(k.size());
  for (std::size_t i = 0; i < k.size(); ++i) {
    const char16_t c = k[i];
    if (!IsHalfWidthKana(c)) {
      out.push_back(c);
      continue;
    }
    out.push_back(kHalfToFull[c - 0xFF66]);
    if (i + 1 < k.size() && ((k[i + 1] == kVoicedMark && TakesVoicedMark(c)) ||
                             (k[i + 1] == kSemiVoicedMark && TakesSemiVoicedMark(c)))) {
      ++i;
    }
  }
  return out;
}

void MapCharacters(std::u16string& s, std::u16string_view from, std::u16string_view to) {
  for (auto& c : s) {
    const std::size_t at = from.find(c);
    if (at != std::u16string_view::npos) c = to[at];
  }
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Every run of ASCII digits as "%09u" of its value. The value is written
// exactly however long the run (no 32-bit wrap or saturation): the run
// without its leading zeros, padded to nine digits.
std::u16string PadNumbers(std::u16string_view k) {
  std::u16string out;
  out.reserve(k.size() + 16);
  std::size_t i = 0;
  while (i < k.size()) {
    if (!IsDigit(k[i])) {
      out.push_back(k[i++]);
      continue;
    }
    std::size_t end = i;
    while (end < k.size() && IsDigit(k[end])) ++end;
    std::size_t lead = i;
    while (lead + 1 < end && k[lead] == u'0') ++lead;
    const std::size_t digits = end - lead;
    if (digits < 9) out.append(9 - digits, u'0');
    out.append(k.substr(lead, digits));
    i = end;
  }
  return out;
}

}  // namespace

std::u16string ExplorerSortKey(std::u16string_view name) {
  std::u16string k = AsciiLower(name);
  ReplaceAll(k, u"う゛", u"ヴ");
  k = WidenHalfWidthKana(k);
  MapCharacters(k, kPlainFrom, kPlainTo);
  MapCharacters(k, kKatakana, kHiragana);
  k = PadNumbers(k);
  std::size_t pad = 0;
  if (!k.empty()) {
    if (IsDigit(k.front())) {
      pad = 2;
    } else if (k.front() == u'-') {
      pad = 1;
    } else if (k.front() == u'～') {
      pad = 3;
    }
  }
  if (pad == 0) return k;
  std::u16string padded(pad, u' ');
  padded.append(k);
  return padded;
}

}  // namespace ordano
