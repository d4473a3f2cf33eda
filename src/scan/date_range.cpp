#include "scan/date_range.h"

#include <ctime>
#include <optional>

#include "core/app_context.h"

namespace ordano {
namespace {

std::optional<std::tm> LocalFields(std::int64_t unixSeconds) {
  const auto t = static_cast<std::time_t>(unixSeconds);
  if (static_cast<std::int64_t>(t) != unixSeconds) return std::nullopt;
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return std::nullopt;
  return tm;
}

// One bound: the date of one picker with the time of day of the other.
std::optional<std::int64_t> Combine(std::int64_t datePicker, std::int64_t timePicker) {
  const auto date = LocalFields(datePicker);
  const auto clock = LocalFields(timePicker);
  if (!date || !clock) return std::nullopt;
  if (date->tm_year < 0) return 0;  // before 1900
  std::tm tm{};
  tm.tm_year = date->tm_year;
  tm.tm_mon = date->tm_mon;
  tm.tm_mday = date->tm_mday;
  tm.tm_hour = clock->tm_hour;
  tm.tm_min = clock->tm_min;
  tm.tm_sec = clock->tm_sec;
  tm.tm_isdst = -1;
  tm.tm_wday = -1;  // mktime sets it on success; -1 is also a valid time
  const std::time_t t = std::mktime(&tm);
  if (tm.tm_wday < 0) return std::nullopt;
  return static_cast<std::int64_t>(t);
}

}  // namespace

DateBounds BuildDateBounds(const SettingsRecord& s) {
  const auto start = Combine(s.DateFromDate, s.DateFromTime);
  const auto end = Combine(s.DateToDate, s.DateToTime);
  return {start.value_or(0), end.value_or(0), start.has_value(), end.has_value()};
}

bool InDateRange(const DateBounds& b, std::int64_t unixTime) {
  if (b.startUsable && unixTime < b.start) return false;
  if (b.endUsable && unixTime > b.end) return false;
  return true;
}

bool RejectInvalidDateRange(AppContext& ctx) {
  SettingsRecord& s = ctx.options.settings;
  if (!s.DateRangeEnabled) return false;
  const DateBounds b = BuildDateBounds(s);
  if (!b.startUsable || !b.endUsable || b.end >= b.start) return false;
  ctx.Host().ShowMessage(MsgId::DateRangeReversed, MsgId::CaptionOrdanoLatin, MsgIcon::Warning,
                         MsgButtons::Ok);
  // Switched off for good (the next run goes without it), on the page too.
  s.DateRangeEnabled = 0;
  ctx.settings.DateRangeEnabled = 0;
  ctx.Host().ApplyBasicPage(s);
  ctx.run.CancelRequested = true;
  return true;
}

}  // namespace ordano
