// The catalogue's time text "%Y.%m.%d(%a) %H:%M:%S" (local time, English
// weekdays), kept compactly as a packed local time.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ordano {

// A local time packed as YYYYMMDDhhmmss * 4096 + (UTC offset in minutes + 2048).
// 0 means "no time" (an empty column). Packed values order exactly as their texts.
using PackedTime = std::int64_t;

// Local time of a Unix time; 0 when it cannot be converted to local time.
PackedTime PackLocalTime(std::int64_t unixSeconds);

// PackLocalTime for many times at the cost of few time zone look-ups (the C
// library parses the zone's rule again on each): the UTC offset is looked up
// once per hour of Unix time and reused within that hour when it is the same
// at both of its ends. The same results as PackLocalTime.
class LocalTimePacker {
 public:
  PackedTime Pack(std::int64_t unixSeconds);

 private:
  struct Hour {
    std::int64_t hour = -1;
    long offsetSeconds = 0;
    bool steady = false;  // one offset all through the hour
  };
  std::array<Hour, 64> hours_{};
};

// A local calendar time (as MS-DOS times give it); 0 when the fields are invalid.
PackedTime PackLocalFields(int year, int month, int day, int hour, int minute, int second);

// "2024.03.05(Tue) 14:07:09", or empty for 0.
std::u16string TimeText(PackedTime t);
// The same, appended without a temporary string.
void AppendTimeText(std::u16string& out, PackedTime t);

// "2024-03-05T14:07:09+09:00", or empty for 0.
std::string IsoTimeText(PackedTime t);
void AppendIsoTimeText(std::string& out, PackedTime t);
// The same written at `out`, which has room for kIsoTimeTextMax bytes (and a
// terminating zero); returns the end.
inline constexpr int kIsoTimeTextMax = 48;
char* WriteIsoTimeText(char* out, PackedTime t);

// A packed time apart: its local wall-clock time as seconds since 1970-01-01
// 00:00:00 (as if that were UTC) and its offset field (the low 12 bits).
// False for 0 and for values no packing made.
bool SplitPackedTime(PackedTime t, std::int64_t& wallSeconds, int& offsetField);
// The packed time of such a pair; 0 outside the years 0 to 9999.
PackedTime JoinPackedTime(std::int64_t wallSeconds, int offsetField);

// The part that orders like the text (offset dropped).
inline std::int64_t TimeOrderKey(PackedTime t) { return t >> 12; }

// The stamp of the current local time in the time format, as SavedAt keeps it.
std::u16string NowStamp();

// Local time used when a file's time cannot be read: 1980-01-01 00:00:00.
std::int64_t FallbackUnixTime();

}  // namespace ordano
