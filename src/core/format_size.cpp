#include "core/format_size.h"

#include <limits>

#include "settings/settings_record.h"

namespace ordano {
namespace {

void AppendGrouped(std::u16string& out, std::string_view digits) {
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(u',');
    out.push_back(static_cast<char16_t>(digits[i]));
  }
}

}  // namespace

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  return b > kMax - a ? kMax : a + b;
}

std::u16string FormatSize(const SettingsRecord& s, std::uint64_t v, std::uint64_t* total) {
  if (total) *total = SaturatingAdd(*total, v);

  // The unit is 2^(10 × level) bytes.
  int level = 0;
  char unit = 0;
  if (s.SizeKB) {
    level = 1;
    unit = 'K';
  } else if (s.SizeMB) {
    level = 2;
    unit = 'M';
  } else if (s.SizeAuto) {
    // Up while the number is above 1024, then once more when it is still
    // 1000 or more, so the shown number stays below 1000. From 1000 TiB on
    // there is no larger letter: such counts stay in T with a wider number
    // (e.g. 1,000.00T), exact rather than in a unit nobody reads.
    while (level < 4 && v > (std::uint64_t{1024} << (10 * level))) ++level;
    if (level < 4 && v >= 1000 * (std::uint64_t{1} << (10 * level))) ++level;
    static constexpr char kLetters[] = {0, 'K', 'M', 'G', 'T'};
    unit = kLetters[level];
  }

  std::u16string out;
  if (unit == 0) {
    AppendGrouped(out, std::to_string(v));
    return out;
  }
  // Cut, not rounded, to hundredths of the unit, in integers: exact for every
  // 64-bit count (1.999 gives 1.99, 2 TiB in K stays 2,147,483,648.00K).
  const unsigned __int128 hundredths = (static_cast<unsigned __int128>(v) * 100) >> (10 * level);
  AppendGrouped(out, std::to_string(static_cast<std::uint64_t>(hundredths / 100)));
  const auto cents = static_cast<int>(hundredths % 100);
  out.push_back(u'.');
  out.push_back(static_cast<char16_t>(u'0' + cents / 10));
  out.push_back(static_cast<char16_t>(u'0' + cents % 10));
  out.push_back(static_cast<char16_t>(unit));
  return out;
}

}  // namespace ordano
