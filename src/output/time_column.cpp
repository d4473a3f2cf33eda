#include "output/time_column.h"

#include <cstdint>

namespace ordano {
namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void Two(char16_t* p, int v) {
  p[0] = static_cast<char16_t>(u'0' + v / 10 % 10);
  p[1] = static_cast<char16_t>(u'0' + v % 10);
}

constexpr char16_t kWeekdays[7][3] = {{u'S', u'u', u'n'}, {u'M', u'o', u'n'}, {u'T', u'u', u'e'},
                                      {u'W', u'e', u'd'}, {u'T', u'h', u'u'}, {u'F', u'r', u'i'},
                                      {u'S', u'a', u't'}};

}  // namespace

void AppendTimeText(std::u16string& out, PackedTime t) {
  if (t == 0) return;
  // PackedTime: YYYYMMDDhhmmss * 4096 + offset; only the local fields are printed.
  std::int64_t v = t >> 12;
  const int second = static_cast<int>(v % 100);
  v /= 100;
  const int minute = static_cast<int>(v % 100);
  v /= 100;
  const int hour = static_cast<int>(v % 100);
  v /= 100;
  const int day = static_cast<int>(v % 100);
  v /= 100;
  const int month = static_cast<int>(v % 100);
  const int year = static_cast<int>(v / 100);
  if (year < 0 || year > 9999 || month < 1 || month > 12 || day < 1) {
    out.append(TimeText(t));  // not a packed time this code knows: the reference form
    return;
  }
  const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month),
                                          static_cast<unsigned>(day));
  const int wd = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday

  char16_t buf[24];
  Two(buf, year / 100);
  Two(buf + 2, year % 100);
  buf[4] = u'.';
  Two(buf + 5, month);
  buf[7] = u'.';
  Two(buf + 8, day);
  buf[10] = u'(';
  buf[11] = kWeekdays[wd][0];
  buf[12] = kWeekdays[wd][1];
  buf[13] = kWeekdays[wd][2];
  buf[14] = u')';
  buf[15] = u' ';
  Two(buf + 16, hour);
  buf[18] = u':';
  Two(buf + 19, minute);
  buf[21] = u':';
  Two(buf + 22, second);
  out.append(buf, 24);
}

}  // namespace ordano
