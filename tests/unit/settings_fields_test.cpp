// The text form of the settings fields where the command line cannot reach:
// bytes argv never carries, cuts inside a surrogate pair, times beyond the
// calendar the text form writes.
#include "settings/settings_fields.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

namespace ordano {
namespace {

TEST(SettingsFields, TextFormEdges) {
  setenv("TZ", "UTC", 1);
  tzset();
  auto s = std::make_unique<SettingsRecord>();
  const SettingsField& target = *FindSettingsField("targetNAME");
  const SettingsField& from = *FindSettingsField("DateFromDate");
  const struct {
    const SettingsField& field;
    std::string value;
    std::string readBack;  // empty: refused
  } cases[] = {
      {target, std::string("a\0b", 3), ""},
      {target, "a\xff", ""},
      // 254 units and a pair that does not fit: the pair goes whole.
      {target, std::string(254, 'x') + "\xF0\x9F\x98\x80", std::string(254, 'x')},
      {target, "C:\\dir\\\\n", "C:\\\\dir\\\\n"},
      {from, "@-99999999999", "@-99999999999"},
      {from, "@253402300800", "@253402300800"},
      {from, "2024-02-29T23:59:59-01:30", "2024-03-01T01:29:59+00:00"},
      {from, "2023-02-29", ""},
      {from, "2024-01-01T24:00", ""},
  };
  for (const auto& c : cases) {
    const FieldSetResult r = SetFieldFromText(*s, c.field, c.value);
    EXPECT_EQ(r.error.has_value(), c.readBack.empty()) << c.value;
    if (!c.readBack.empty()) {
      EXPECT_EQ(FieldText(*s, c.field), c.readBack) << c.value;
    }
  }
}

}  // namespace
}  // namespace ordano
