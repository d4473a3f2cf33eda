#include "core/format_size.h"

#include <gtest/gtest.h>

#include "settings/settings_record.h"

namespace ordano {
namespace {

enum class Unit { Bytes, KB, MB, Auto };

SettingsRecord With(Unit u) {
  SettingsRecord s{};
  s.SizeKB = u == Unit::KB;
  s.SizeMB = u == Unit::MB;
  s.SizeAuto = u == Unit::Auto;
  return s;
}

std::u16string F(Unit u, std::uint64_t v) { return FormatSize(With(u), v); }

TEST(FormatSize, PlainBytesAreGroupedByThousands) {
  EXPECT_EQ(F(Unit::Bytes, 0), u"0");
  EXPECT_EQ(F(Unit::Bytes, 999), u"999");
  EXPECT_EQ(F(Unit::Bytes, 1000), u"1,000");
  EXPECT_EQ(F(Unit::Bytes, 1234567), u"1,234,567");
  EXPECT_EQ(F(Unit::Bytes, 18446744073709551615ull), u"18,446,744,073,709,551,615");
}

TEST(FormatSize, KilobytesAndMegabytesAreCutNotRounded) {
  EXPECT_EQ(F(Unit::KB, 1536), u"1.50K");
  EXPECT_EQ(F(Unit::KB, 10485760), u"10,240.00K");
  EXPECT_EQ(F(Unit::MB, 10485760), u"10.00M");
  EXPECT_EQ(F(Unit::KB, 3), u"0.00K");
  EXPECT_EQ(F(Unit::KB, 0), u"0.00K");
  EXPECT_EQ(F(Unit::MB, 5ull << 30), u"5,120.00M");
  // 1.999 K is cut to 1.99, never rounded up to 2.00.
  EXPECT_EQ(F(Unit::KB, 2047), u"1.99K");
  // Grouping stops at the point: 12,345.67K.
  EXPECT_EQ(F(Unit::KB, 12345ull * 1024 + 690), u"12,345.67K");
}

TEST(FormatSize, AutoUnitKeepsTheNumberBelowAThousand) {
  EXPECT_EQ(F(Unit::Auto, 0), u"0");
  EXPECT_EQ(F(Unit::Auto, 500), u"500");
  EXPECT_EQ(F(Unit::Auto, 999), u"999");
  EXPECT_EQ(F(Unit::Auto, 1000), u"0.97K");
  EXPECT_EQ(F(Unit::Auto, 1023), u"0.99K");
  EXPECT_EQ(F(Unit::Auto, 1024), u"1.00K");
  EXPECT_EQ(F(Unit::Auto, 1025), u"1.00K");
  EXPECT_EQ(F(Unit::Auto, 1048576), u"1.00M");
  EXPECT_EQ(F(Unit::Auto, 1073741824), u"1.00G");
  EXPECT_EQ(F(Unit::Auto, 1ull << 40), u"1.00T");
  EXPECT_EQ(F(Unit::Auto, 1000ull << 20), u"0.97G");
  EXPECT_EQ(F(Unit::Auto, 999ull << 40), u"999.00T");
}

TEST(FormatSize, AutoUnitBeyondAThousandTebibytesStaysInT) {
  EXPECT_EQ(F(Unit::Auto, 1000ull << 40), u"1,000.00T");
  // 2^64 - 1 bytes is a hair below 16,777,216 TiB: cut, it shows .99.
  EXPECT_EQ(F(Unit::Auto, 18446744073709551615ull), u"16,777,215.99T");
}

TEST(FormatSize, AddsToTheTotalOnlyWhenAsked) {
  const SettingsRecord s = With(Unit::KB);
  std::uint64_t total = 5;
  EXPECT_EQ(FormatSize(s, 1536, &total), u"1.50K");
  EXPECT_EQ(total, 1541u);
  FormatSize(s, 1536, &total);  // the same file twice counts twice
  EXPECT_EQ(total, 3077u);
  FormatSize(s, 1536);
  EXPECT_EQ(total, 3077u);
}

TEST(FormatSize, TebibytesAndMoreStayExact) {
  EXPECT_EQ(F(Unit::KB, 2199023255552ull), u"2,147,483,648.00K");  // 2 TiB
  EXPECT_EQ(F(Unit::KB, 1099511627776ull), u"1,073,741,824.00K");  // 1 TiB
  EXPECT_EQ(F(Unit::KB, 1099511627776ull + 1023), u"1,073,741,824.99K");
  EXPECT_EQ(F(Unit::MB, 1ull << 60), u"1,099,511,627,776.00M");
  EXPECT_EQ(F(Unit::Auto, 5ull << 40), u"5.00T");
  EXPECT_EQ(F(Unit::KB, 18446744073709551615ull), u"18,014,398,509,481,983.99K");
}

}  // namespace
}  // namespace ordano
