#include "platform/time_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace ordano {
namespace {

struct Fields {
  int year, month, day, hour, minute, second, offsetMinutes;
};

Fields Unpack(PackedTime t) {
  Fields f{};
  f.offsetMinutes = static_cast<int>(t & 4095) - 2048;
  const std::int64_t v = t >> 12;
  if (v < 0 || v >= 100000000000000) {  // never packed
    f.year = -1;
    return f;
  }
  // YYYYMMDD and hhmmss apart: 32-bit divisions from there on.
  auto date = static_cast<std::uint32_t>(v / 1000000);
  auto time = static_cast<std::uint32_t>(v % 1000000);
  f.second = static_cast<int>(time % 100);
  time /= 100;
  f.minute = static_cast<int>(time % 100);
  f.hour = static_cast<int>(time / 100);
  f.day = static_cast<int>(date % 100);
  date /= 100;
  f.month = static_cast<int>(date % 100);
  f.year = static_cast<int>(date / 100);
  return f;
}

PackedTime Pack(const std::tm& tm, long gmtoffSeconds) {
  const std::int64_t year = tm.tm_year + 1900LL;
  if (year < 0 || year > 9999) return 0;
  std::int64_t v = year;
  v = v * 100 + tm.tm_mon + 1;
  v = v * 100 + tm.tm_mday;
  v = v * 100 + tm.tm_hour;
  v = v * 100 + tm.tm_min;
  v = v * 100 + tm.tm_sec;
  long minutes = gmtoffSeconds / 60;
  if (minutes < -2047) minutes = -2047;
  if (minutes > 2047) minutes = 2047;
  return v * 4096 + (minutes + 2048);
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Inverse of DaysFromCivil.
void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// "00" to "99": two digits with one look-up.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int v = 0; v < 100; ++v) {
    pairs[static_cast<std::size_t>(2 * v)] = static_cast<char>('0' + v / 10);
    pairs[static_cast<std::size_t>(2 * v + 1)] = static_cast<char>('0' + v % 10);
  }
  return pairs;
}();

}  // namespace

bool SplitPackedTime(PackedTime t, std::int64_t& wallSeconds, int& offsetField) {
  if (t == 0) return false;
  const Fields f = Unpack(t);
  if (f.year < 0 || f.month < 1 || f.month > 12 || f.day < 1 || f.day > 31 || f.hour > 23 ||
      f.minute > 59 || f.second > 59) {
    return false;
  }
  const std::int64_t days =
      DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day));
  wallSeconds = days * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
  offsetField = static_cast<int>(t & 4095);
  // A day past the month's end would not come back the same.
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (f.day > kDays[f.month - 1]) return false;
  const bool leap = (f.year % 4 == 0 && f.year % 100 != 0) || f.year % 400 == 0;
  return f.month != 2 || f.day <= 28 || leap;
}

PackedTime JoinPackedTime(std::int64_t wallSeconds, int offsetField) {
  std::int64_t days = wallSeconds / 86400;
  std::int64_t secs = wallSeconds % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  std::int64_t y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  if (y < 0 || y > 9999) return 0;
  std::int64_t v = y;
  v = v * 100 + m;
  v = v * 100 + d;
  v = v * 100 + secs / 3600;
  v = v * 100 + secs / 60 % 60;
  v = v * 100 + secs % 60;
  return v * 4096 + (offsetField & 4095);
}

PackedTime PackLocalTime(std::int64_t unixSeconds) {
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return 0;
  return Pack(tm, tm.tm_gmtoff);
}

PackedTime LocalTimePacker::Pack(std::int64_t unixSeconds) {
  constexpr std::int64_t kHour = 3600;
  if (unixSeconds < 0) return PackLocalTime(unixSeconds);
  const std::int64_t hour = unixSeconds / kHour;
  Hour& h = hours_[static_cast<std::size_t>(hour) % hours_.size()];
  if (h.hour != hour) {
    h.hour = hour;
    h.steady = false;
    const auto offsetAt = [](std::int64_t t, long& offset) {
      const std::time_t tt = static_cast<std::time_t>(t);
      std::tm tm{};
      if (!localtime_r(&tt, &tm)) return false;
      offset = tm.tm_gmtoff;
      return true;
    };
    long last = 0;
    h.steady = offsetAt(hour * kHour, h.offsetSeconds) &&
               offsetAt(hour * kHour + kHour - 1, last) && last == h.offsetSeconds;
  }
  if (!h.steady) return PackLocalTime(unixSeconds);
  long minutes = h.offsetSeconds / 60;
  minutes = std::clamp(minutes, -2047L, 2047L);
  // Seconds of an offset that is not whole minutes count in the wall clock.
  return JoinPackedTime(unixSeconds + h.offsetSeconds, static_cast<int>(minutes + 2048));
}

PackedTime PackLocalFields(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;  // daylight saving decided by the system
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1) || t <= 0) return 0;
  return PackLocalTime(t);
}

void AppendTimeText(std::u16string& out, PackedTime t) {
  if (t == 0) return;
  const Fields f = Unpack(t);
  const auto days =
      DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day));
  const int wd = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  // Built by hand: the writers print two of these per row, a million rows at a time.
  const auto two = [](char16_t* p, int v) {
    const char* d = &kDigitPairs[2 * (static_cast<unsigned>(v) % 100)];
    p[0] = static_cast<char16_t>(d[0]);
    p[1] = static_cast<char16_t>(d[1]);
  };
  char16_t buf[24];
  two(buf, f.year / 100);
  two(buf + 2, f.year % 100);
  buf[4] = u'.';
  two(buf + 5, f.month);
  buf[7] = u'.';
  two(buf + 8, f.day);
  buf[10] = u'(';
  for (int i = 0; i < 3; ++i) buf[11 + i] = static_cast<char16_t>(kWeekdays[wd][i]);
  buf[14] = u')';
  buf[15] = u' ';
  two(buf + 16, f.hour);
  buf[18] = u':';
  two(buf + 19, f.minute);
  buf[21] = u':';
  two(buf + 22, f.second);
  out.append(buf, 24);
}

std::u16string TimeText(PackedTime t) {
  std::u16string text;
  AppendTimeText(text, t);
  return text;
}

char* WriteIsoTimeText(char* out, PackedTime t) {
  if (t == 0) return out;
  const Fields f = Unpack(t);
  const int off = f.offsetMinutes < 0 ? -f.offsetMinutes : f.offsetMinutes;
  if (f.year < 0 || f.year > 9999 || off / 60 >= 100) {
    const int n = std::snprintf(
        out, kIsoTimeTextMax + 1, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", f.year, f.month,
        f.day, f.hour, f.minute, f.second, f.offsetMinutes < 0 ? '-' : '+', off / 60, off % 60);
    return out + std::min(n, kIsoTimeTextMax);
  }
  // The JSON writer calls this twice a row: digits by hand, not through printf.
  const auto two = [out](int at, int v) {
    std::memcpy(out + at, &kDigitPairs[2 * (static_cast<unsigned>(v) % 100)], 2);
  };
  two(0, f.year / 100);
  two(2, f.year % 100);
  out[4] = '-';
  two(5, f.month);
  out[7] = '-';
  two(8, f.day);
  out[10] = 'T';
  two(11, f.hour);
  out[13] = ':';
  two(14, f.minute);
  out[16] = ':';
  two(17, f.second);
  out[19] = f.offsetMinutes < 0 ? '-' : '+';
  two(20, off / 60);
  out[22] = ':';
  two(23, off % 60);
  return out + 25;
}

void AppendIsoTimeText(std::string& out, PackedTime t) {
  char buf[kIsoTimeTextMax + 1];
  out.append(buf, WriteIsoTimeText(buf, t));
}

std::string IsoTimeText(PackedTime t) {
  std::string out;
  AppendIsoTimeText(out, t);
  return out;
}

std::u16string NowStamp() {
  std::u16string text = TimeText(PackLocalTime(std::time(nullptr)));
  if (text.empty()) text = u"9999.99.99(ZZZ)";
  return text;
}

std::int64_t FallbackUnixTime() {
  std::tm tm{};
  tm.tm_year = 80;
  tm.tm_mday = 1;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

}  // namespace ordano
