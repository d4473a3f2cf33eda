// The date range filter: bounds built from the four date pickers and the
// check for an end before the start.
#pragma once

#include <cstdint>

#include "settings/settings_record.h"

namespace ordano {

struct AppContext;

// Unix seconds. A bound that cannot be built is unusable: that side has no
// limit.
struct DateBounds {
  std::int64_t start;
  std::int64_t end;
  bool startUsable;
  bool endUsable;
};

// start = the local calendar date of DateFromDate with the local hour, minute
// and second of DateFromTime, taken as local time; end the same from the
// DateTo fields. A date picker year before 1900 gives time 0. A picker value
// that has no local time, or fields that do not convert back, leave the bound
// unusable. Years from 1900 to 1969 convert to their real (negative) times.
DateBounds BuildDateBounds(const SettingsRecord& s);

// start <= t <= end, each side only when usable.
bool InDateRange(const DateBounds& b, std::int64_t unixTime);

// With DateRangeEnabled on and an end before the start (both usable): tells
// the user, switches the range off in the record and on the page, requests
// the run's cancel and returns true. Otherwise false and nothing changes.
bool RejectInvalidDateRange(AppContext& ctx);

}  // namespace ordano
