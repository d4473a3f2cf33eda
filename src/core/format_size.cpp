#include "core/format_size.h"

#include <cstdio>

#include "settings/settings_record.h"

namespace ordano {
namespace {

// Two-decimal text of x, cut rather than rounded: printf rounds to nearest,
// so half a hundredth is taken off first. The amount is the single-precision
// 0.005 the catalogue has always used, which keeps values that are exact to
// two decimals (1.50, 10.00) exact.
std::string CutToHundredths(double x) {
  const double cut = x - static_cast<double>(0.005f);
  if (cut < 0) return "0.00";
  char buf[400];  // %f of the largest 64-bit count stays far below this
  const int n = std::snprintf(buf, sizeof buf, "%1.2f", cut);
  return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

void AppendGrouped(std::u16string& out, std::string_view digits) {
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(u',');
    out.push_back(static_cast<char16_t>(digits[i]));
  }
}

}  // namespace

std::u16string FormatSize(const SettingsRecord& s, std::uint64_t v, std::uint64_t* total) {
  if (total) *total += v;

  double x = 0;
  char unit = 0;
  if (s.SizeKB) {
    x = static_cast<double>(v) / 1024.0;
    unit = 'K';
  } else if (s.SizeMB) {
    x = static_cast<double>(v) / 1048576.0;
    unit = 'M';
  } else if (s.SizeAuto) {
    x = static_cast<double>(v);
    int level = 0;
    while (x > 1024 && level < 4) {
      x /= 1024;
      ++level;
    }
    // Keep the shown number below 1000 by going one unit up. From 1000 TiB
    // on there is no larger letter: such counts stay in T with a wider
    // number (e.g. 1,000.00T), exact rather than in a unit nobody reads.
    if (x >= 1000 && level < 4) {
      x /= 1024;
      ++level;
    }
    static constexpr char kLetters[] = {0, 'K', 'M', 'G', 'T'};
    unit = kLetters[level];
  }

  std::u16string out;
  if (unit == 0) {
    const std::string digits = std::to_string(v);
    AppendGrouped(out, digits);
    return out;
  }
  const std::string text = CutToHundredths(x);
  const std::size_t point = text.size() - 3;  // "%1.2f" always ends in ".dd"
  AppendGrouped(out, std::string_view(text).substr(0, point));
  for (std::size_t i = point; i < text.size(); ++i) out.push_back(static_cast<char16_t>(text[i]));
  out.push_back(static_cast<char16_t>(unit));
  return out;
}

}  // namespace ordano
