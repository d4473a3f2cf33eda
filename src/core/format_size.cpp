#include "core/format_size.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>

#include "settings/settings_record.h"

namespace ordano {
namespace {

// "000" to "999": a group of three digits with one look-up.
constexpr std::array<char16_t, 3000> kTriples = [] {
  std::array<char16_t, 3000> t{};
  for (int i = 0; i < 1000; ++i) {
    const auto at = static_cast<std::size_t>(3 * i);
    t[at] = static_cast<char16_t>(u'0' + i / 100);
    t[at + 1] = static_cast<char16_t>(u'0' + i / 10 % 10);
    t[at + 2] = static_cast<char16_t>(u'0' + i % 10);
  }
  return t;
}();

// The writers make a size text per row: built from the last group of three
// digits back, then appended in one piece.
void AppendGrouped(std::u16string& out, std::uint64_t v) {
  char16_t text[32];
  char16_t* const end = text + std::size(text);
  char16_t* q = end;
  for (; v >= 1000; v /= 1000) {
    q -= 3;
    std::copy_n(&kTriples[3 * (v % 1000)], 3, q);
    *--q = u',';
  }
  const int lead = v >= 100 ? 3 : v >= 10 ? 2 : 1;
  q -= lead;
  std::copy_n(&kTriples[3 * v + 3 - static_cast<std::size_t>(lead)], lead, q);
  out.append(q, static_cast<std::size_t>(end - q));
}

}  // namespace

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  return b > kMax - a ? kMax : a + b;
}

SizeFormat SizeFormatOf(const SettingsRecord& s) {
  if (s.SizeKB) return SizeFormat::Kilo;
  if (s.SizeMB) return SizeFormat::Mega;
  if (s.SizeAuto) return SizeFormat::Auto;
  return SizeFormat::Bytes;
}

void AppendSizeText(std::u16string& out, SizeFormat format, std::uint64_t v) {
  // The unit is 2^(10 × level) bytes.
  int level = 0;
  char letter = 0;
  switch (format) {
    case SizeFormat::Bytes:
      AppendGrouped(out, v);
      return;
    case SizeFormat::Kilo:
      level = 1;
      letter = 'K';
      break;
    case SizeFormat::Mega:
      level = 2;
      letter = 'M';
      break;
    case SizeFormat::Auto: {
      // Up while the number is above 1024, then once more when it is still
      // 1000 or more, so the shown number stays below 1000. From 1000 TiB on
      // there is no larger letter: such counts stay in T with a wider number
      // (e.g. 1,000.00T), exact rather than in a unit nobody reads.
      while (level < 4 && v > (std::uint64_t{1024} << (10 * level))) ++level;
      if (level < 4 && v >= 1000 * (std::uint64_t{1} << (10 * level))) ++level;
      if (level == 0) {
        AppendGrouped(out, v);
        return;
      }
      static constexpr char kLetters[] = {0, 'K', 'M', 'G', 'T'};
      letter = kLetters[level];
      break;
    }
  }
  // Cut, not rounded, to hundredths of the unit, in integers: exact for every
  // 64-bit count (1.999 gives 1.99, 2 TiB in K stays 2,147,483,648.00K).
  const unsigned __int128 hundredths = (static_cast<unsigned __int128>(v) * 100) >> (10 * level);
  AppendGrouped(out, static_cast<std::uint64_t>(hundredths / 100));
  const auto cents = static_cast<int>(hundredths % 100);
  out.push_back(u'.');
  out.push_back(static_cast<char16_t>(u'0' + cents / 10));
  out.push_back(static_cast<char16_t>(u'0' + cents % 10));
  out.push_back(static_cast<char16_t>(letter));
}

std::u16string FormatSize(const SettingsRecord& s, std::uint64_t v, std::uint64_t* total) {
  if (total) *total = SaturatingAdd(*total, v);
  std::u16string out;
  AppendSizeText(out, SizeFormatOf(s), v);
  return out;
}

}  // namespace ordano
