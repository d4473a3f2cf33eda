#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "core/app_context.h"
#include "scan/char_filter.h"
#include "scan/date_range.h"
#include "scan/wildcard.h"
#include "test_host.h"

namespace ordano {
namespace {

SettingsRecord FilterSettings(int mode, std::u16string_view text) {
  SettingsRecord s{};
  s.CharFilter = 1;
  s.CharFilterMode = mode;
  SetText(s.CharFilterText, text);
  return s;
}

TEST(CharFilter, OffPassesEverything) {
  SettingsRecord s = FilterSettings(0, u"zzz");
  s.CharFilter = 0;
  EXPECT_TRUE(CharFilterMatch(s, u"a.txt"));
}

TEST(CharFilter, EmptyTextMatchesNothing) {
  EXPECT_FALSE(CharFilterMatch(FilterSettings(0, u""), u"a.txt"));
  EXPECT_TRUE(CharFilterMatch(FilterSettings(1, u""), u"a.txt"));
}

TEST(CharFilter, DropModeRemovesFragmentsInAnyCase) {
  const SettingsRecord s = FilterSettings(1, u"tmp/bak");
  EXPECT_FALSE(CharFilterMatch(s, u"x.TMP"));
  EXPECT_FALSE(CharFilterMatch(s, u"Backup.Bak"));
  EXPECT_FALSE(CharFilterMatch(s, u"tmpfile"));
  EXPECT_TRUE(CharFilterMatch(s, u"report.txt"));
  EXPECT_TRUE(CharFilterMatch(s, u"ba.k"));
}

TEST(CharFilter, KeepModeAndFragments) {
  const SettingsRecord s = FilterSettings(0, u"Report/");
  EXPECT_TRUE(CharFilterMatch(s, u"REPORT-2024.pdf"));
  EXPECT_FALSE(CharFilterMatch(s, u"repo.pdf"));
  // "//" holds an empty fragment, which is in every name.
  EXPECT_TRUE(CharFilterMatch(FilterSettings(0, u"zz//yy"), u"a.txt"));
  EXPECT_TRUE(CharFilterMatch(FilterSettings(0, u"/x"), u"a.txt"));
  EXPECT_FALSE(CharFilterMatch(FilterSettings(1, u"/x"), u"a.txt"));
  // Japanese fragments and full-width letters.
  EXPECT_TRUE(CharFilterMatch(FilterSettings(0, u"写真"), u"旅行写真.jpg"));
  EXPECT_TRUE(CharFilterMatch(FilterSettings(0, u"ＡＢ"), u"ａｂｃ.txt"));
}

TEST(Wildcard, StarQuestionAndCase) {
  EXPECT_TRUE(WildcardMatch(u"*", u"anything.at.all"));
  EXPECT_TRUE(WildcardMatch(u"*.TXT", u"a.txt"));
  EXPECT_TRUE(WildcardMatch(u"*.txt", u"A.TXT"));
  EXPECT_FALSE(WildcardMatch(u"*.txt", u"a.txt.bak"));
  EXPECT_TRUE(WildcardMatch(u"*.txt", u"a.bak.txt"));
  EXPECT_TRUE(WildcardMatch(u"a?c", u"abc"));
  EXPECT_FALSE(WildcardMatch(u"a?c", u"ac"));
  EXPECT_FALSE(WildcardMatch(u"a?", u"a"));
  EXPECT_TRUE(WildcardMatch(u"*a*b*c", u"xxaxxbxxbxc"));
  EXPECT_FALSE(WildcardMatch(u"*a*b*c", u"xxaxxbxxbx"));
  EXPECT_TRUE(WildcardMatch(u"ｒｅａｄ*", u"ＲＥＡＤＭＥ"));
  EXPECT_TRUE(WildcardMatch(u"写真?.jpg", u"写真1.JPG"));
  EXPECT_FALSE(WildcardMatch(u"", u"a"));
}

TEST(Wildcard, DotRules) {
  EXPECT_TRUE(WildcardMatch(u"*.*", u"README"));
  EXPECT_TRUE(WildcardMatch(u"*.*", u"a.b"));
  EXPECT_TRUE(WildcardMatch(u"*.*", u".hidden"));
  EXPECT_TRUE(WildcardMatch(u"a.*", u"a"));
  EXPECT_TRUE(WildcardMatch(u"a.*", u"a.zip"));
  EXPECT_FALSE(WildcardMatch(u"a.*", u"ab"));
  EXPECT_TRUE(WildcardMatch(u"*.", u"README"));
  EXPECT_FALSE(WildcardMatch(u"*.", u"a.txt"));
  EXPECT_TRUE(WildcardMatch(u"a.b*.", u"a.bc"));
  EXPECT_FALSE(WildcardMatch(u"a.b*.", u"a.b.c"));
}

TEST(Wildcard, ManyStarsStayFast) {
  // A greedy matcher with exponential backtracking would not finish this.
  const std::u16string name(5000, u'a');
  std::u16string pattern;
  for (int i = 0; i < 200; ++i) pattern += u"*a";
  EXPECT_FALSE(WildcardMatch(pattern + u"b", name));
  EXPECT_TRUE(WildcardMatch(pattern, name));
}

// Unix seconds of a local time.
std::int64_t Local(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

TEST(DateRange, DateOfOnePickerTimeOfTheOther) {
  SettingsRecord s{};
  s.DateFromDate = Local(2024, 3, 5, 23, 59, 59);
  s.DateFromTime = Local(2001, 1, 1, 8, 30, 15);
  s.DateToDate = Local(2024, 3, 6, 0, 0, 0);
  s.DateToTime = Local(1999, 7, 7, 17, 0, 0);
  const DateBounds b = BuildDateBounds(s);
  ASSERT_TRUE(b.startUsable);
  ASSERT_TRUE(b.endUsable);
  EXPECT_EQ(b.start, Local(2024, 3, 5, 8, 30, 15));
  EXPECT_EQ(b.end, Local(2024, 3, 6, 17, 0, 0));
  EXPECT_TRUE(InDateRange(b, b.start));
  EXPECT_TRUE(InDateRange(b, b.end));
  EXPECT_FALSE(InDateRange(b, b.start - 1));
  EXPECT_FALSE(InDateRange(b, b.end + 1));
}

TEST(DateRange, OldYearsAndUnusableBounds) {
  SettingsRecord s{};
  s.DateFromDate = Local(1850, 6, 1, 12, 0, 0);
  s.DateFromTime = Local(2020, 1, 1, 10, 0, 0);
  s.DateToDate = Local(1950, 6, 1, 0, 0, 0);
  s.DateToTime = Local(2020, 1, 1, 10, 0, 0);
  DateBounds b = BuildDateBounds(s);
  EXPECT_TRUE(b.startUsable);
  EXPECT_EQ(b.start, 0);  // a year before 1900
  EXPECT_TRUE(b.endUsable);
  EXPECT_EQ(b.end, Local(1950, 6, 1, 10, 0, 0));
  EXPECT_LT(b.end, 0);

  // A value with no local time at all: that side has no limit.
  s.DateToDate = INT64_MAX;
  b = BuildDateBounds(s);
  EXPECT_FALSE(b.endUsable);
  EXPECT_TRUE(InDateRange(b, INT64_C(4000000000)));
  EXPECT_FALSE(InDateRange(b, -1));
}

class PageHost : public testing::TestHost {
 public:
  int applied = 0;
  int appliedDateRange = -1;
  void ApplyBasicPage(const SettingsRecord& s) override {
    ++applied;
    appliedDateRange = s.DateRangeEnabled;
  }
};

TEST(DateRange, EndBeforeStartCancelsAndSwitchesOff) {
  PageHost host;
  auto ctx = testing::MakeContext(host);
  ctx->options.settings.DateRangeEnabled = 1;
  ctx->options.settings.DateFromDate = ctx->options.settings.DateFromTime =
      Local(2024, 5, 2, 12, 0, 0);
  ctx->options.settings.DateToDate = ctx->options.settings.DateToTime = Local(2024, 5, 1, 12, 0, 0);

  EXPECT_TRUE(RejectInvalidDateRange(*ctx));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, u"開始日付より終了日付が前になっています。");
  EXPECT_EQ(host.messages[0].caption, u"Ordano");
  EXPECT_EQ(host.messages[0].icon, MsgIcon::Warning);
  EXPECT_EQ(host.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(ctx->options.settings.DateRangeEnabled, 0);
  EXPECT_EQ(ctx->settings.DateRangeEnabled, 0);  // the next run goes without it
  EXPECT_EQ(host.applied, 1);
  EXPECT_EQ(host.appliedDateRange, 0);
  EXPECT_TRUE(ctx->run.CancelRequested);

  // Switched off now: the next check lets the run go on.
  ctx->run.CancelRequested = false;
  EXPECT_FALSE(RejectInvalidDateRange(*ctx));
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_FALSE(ctx->run.CancelRequested);
}

TEST(DateRange, ValidOrDisabledRangeIsAccepted) {
  PageHost host;
  auto ctx = testing::MakeContext(host);
  ctx->options.settings.DateFromDate = ctx->options.settings.DateFromTime =
      Local(2024, 5, 1, 12, 0, 0);
  ctx->options.settings.DateToDate = ctx->options.settings.DateToTime = Local(2024, 5, 1, 12, 0, 0);
  ctx->options.settings.DateRangeEnabled = 1;
  EXPECT_FALSE(RejectInvalidDateRange(*ctx));  // equal bounds are fine
  ctx->options.settings.DateToDate = Local(2020, 1, 1, 0, 0, 0);
  ctx->options.settings.DateRangeEnabled = 0;
  EXPECT_FALSE(RejectInvalidDateRange(*ctx));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.applied, 0);
  EXPECT_FALSE(ctx->run.CancelRequested);
}

}  // namespace
}  // namespace ordano
