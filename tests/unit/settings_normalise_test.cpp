#include "settings/settings_normalise.h"

#include <gtest/gtest.h>

#include <climits>

#include "core/app_context.h"
#include "core/run_options.h"
#include "settings/settings_defaults.h"
#include "test_host.h"

namespace ordano {
namespace {

TEST(SettingsNormalise, DecimalTextLikeTheEdits) {
  EXPECT_EQ(DecimalValue(u"42"), 42);
  EXPECT_EQ(DecimalValue(u"  \t-17abc"), -17);
  EXPECT_EQ(DecimalValue(u"+8 9"), 8);
  EXPECT_EQ(DecimalValue(u""), 0);
  EXPECT_EQ(DecimalValue(u"abc"), 0);
  EXPECT_EQ(DecimalValue(u"- 5"), 0);
  EXPECT_EQ(DecimalValue(u"99999999999999999999"), INT_MAX);
  EXPECT_EQ(DecimalValue(u"-99999999999999999999"), INT_MIN);
  EXPECT_EQ(DecimalValue(u"-2147483648"), INT_MIN);
}

TEST(SettingsNormalise, DepthWidthDaysAndCombos) {
  EXPECT_EQ(NormalisedAppendDigitCount(0), 60);
  EXPECT_EQ(NormalisedAppendDigitCount(12), 12);
  EXPECT_EQ(ShownSearchDepth(0), -1);
  EXPECT_EQ(ShownSearchDepth(5), 5);
  EXPECT_EQ(SearchDepthFromText(u"x"), -1);
  EXPECT_EQ(SearchDepthFromText(u"3"), 3);

  EXPECT_EQ(DropDateDaysFromText(u"250"), 100);
  EXPECT_EQ(DropDateDaysFromText(u"-4"), 0);
  EXPECT_EQ(DropDateDaysFromText(u"30"), 30);

  EXPECT_EQ(ComboSelection(-1, 3), -1);
  EXPECT_EQ(ComboSelection(1, 3), 1);
  EXPECT_EQ(ComboSelection(9, 3), 2);

  EXPECT_EQ(TotalCountPlaceComboIndex(1), 0);
  EXPECT_EQ(TotalCountPlaceComboIndex(0), 1);
  EXPECT_EQ(TotalCountPlaceComboIndex(7), 1);
  EXPECT_EQ(TotalCountPlaceFromComboIndex(0), 1);

  SettingsRecord s{};
  s.TotalCountPlace = 7;
  s.Reserved1644 = 1;
  NormaliseForAllPages(s);
  EXPECT_EQ(s.TotalCountPlace, 0);
  EXPECT_EQ(s.AppendDigitCount, 60);
  EXPECT_EQ(s.Reserved1644, 0);
}

TEST(SettingsNormalise, HexColourCheck) {
  EXPECT_EQ(ParseHtmlBackColor(u"ff00"), 0x00ff00);
  EXPECT_EQ(HtmlBackColorText(*ParseHtmlBackColor(u"ff00")), u"00ff00");
  EXPECT_EQ(ParseHtmlBackColor(u"1234567"), 0x234567);
  EXPECT_EQ(ParseHtmlBackColor(u"ABCdef"), 0xabcdef);
  EXPECT_EQ(ParseHtmlBackColor(u""), 0);
  EXPECT_EQ(ParseHtmlBackColor(u"12g"), std::nullopt);
  EXPECT_EQ(ParseHtmlBackColor(u"ｆｆ"), std::nullopt);  // full-width letters
  EXPECT_EQ(HtmlBackColorText(0), u"000000");
  EXPECT_EQ(JapaneseText(MsgId::HexDigitsOnly), u"16進コード0～9、a～f以外は使えません。");
  EXPECT_EQ(JapaneseText(MsgId::CaptionHexCheck), u"16進数チェック");
}

TEST(SettingsNormalise, HeadCharsetMigration) {
  EXPECT_EQ(MigrateHeadCharset(u"<meta content=\"text/html; charset=utf-16le\">"),
            u"<meta content=\"text/html; charset=utf-8\">");
  EXPECT_EQ(MigrateHeadCharset(u"charset=Shift_JIS charset=\"shift_jis\" charset=\"utf-16\""),
            u"charset=utf-8 charset=\"utf-8\" charset=\"utf-8\"");
  EXPECT_EQ(MigrateHeadCharset(u"charset=euc-jp"), u"charset=euc-jp");

  SettingsRecord s{};
  SetText(s.HeadTags, kDefaultHeadTags);
  EXPECT_FALSE(MigrateHeadTagsCharset(s));
  SetText(s.HeadTags, u"<head>charset=UTF-16</head>");
  EXPECT_TRUE(MigrateHeadTagsCharset(s));
  EXPECT_EQ(TextOf(s.HeadTags), u"<head>charset=utf-8</head>");
}

TEST(SettingsNormalise, SizeUnitsAreExclusive) {
  SettingsRecord s{};
  SwitchSizeUnit(s, SizeUnit::KB, true);
  SwitchSizeUnit(s, SizeUnit::MB, true);
  EXPECT_EQ(s.SizeKB, 0);
  EXPECT_EQ(s.SizeMB, 1);
  EXPECT_EQ(s.SizeAuto, 0);
  s.SizeAuto = 1;  // a loaded file may hold two at once
  SwitchSizeUnit(s, SizeUnit::MB, false);
  EXPECT_EQ(s.SizeMB, 0);
  EXPECT_EQ(s.SizeAuto, 1);
}

TEST(SettingsNormalise, EveryRunWorksWithValuesInRange) {
  testing::TestHost host;
  const auto ctx = testing::MakeContext(host);
  SettingsRecord& saved = ctx->settings;
  saved.OutputKind = 5;
  saved.CharFilterMode = 2;
  saved.DropDateDays = 500;
  saved.AppendDigitCount = 600000000;
  saved.LineWidth = 1000000000;
  BeginRunOptions(*ctx);
  const SettingsRecord& run = ctx->options.settings;
  EXPECT_EQ(run.OutputKind, 2);  // a combo value past the end: its last entry
  EXPECT_EQ(run.CharFilterMode, 1);
  EXPECT_EQ(run.DropDateDays, 100);
  EXPECT_EQ(run.AppendDigitCount, 10000);
  EXPECT_EQ(run.LineWidth, 10000);
  EXPECT_EQ(saved.OutputKind, 5);  // the saved record is the user's
  saved.DropDateDays = -1;
  saved.OutputKind = -1;
  BeginRunOptions(*ctx);
  EXPECT_EQ(run.DropDateDays, 0);
  EXPECT_EQ(run.OutputKind, -1);  // none selected stays none
}

}  // namespace
}  // namespace ordano
