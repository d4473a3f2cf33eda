#include "binary_test.h"

#include "platform/unicode.h"

namespace ordano::testing {

RunOptions BinaryTest::Opts() const {
  RunOptions o;
  // HOME too: a first start puts its default catalogue there; the lock in
  // the settings folder, where the tests look for it.
  o.env = {{"ORDANO_HOME", home.path()},
           {"TZ", "UTC"},
           {"HOME", home.path()},
           {"XDG_CONFIG_HOME", ""},
           {"XDG_RUNTIME_DIR", ""}};
  for (const char* proxy :
       {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"}) {
    o.env.emplace_back(proxy, "");
  }
  // Japanese whatever the locale of the machine (also for a test that execs the binary itself).
  o.env.emplace_back("ORDANO_LANG", "ja");
  o.workingDir = work.path();
  return o;
}

void BinaryTest::PatchSetting(std::size_t offset, int value) {
  std::string record = ReadFile(home / "ordanou.dat");
  ASSERT_EQ(record.size(), 22824u);
  for (int k = 0; k < 4; ++k) record[offset + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
  WriteFile(home / "ordanou.dat", record);
}

std::string BinaryTest::Utf16Catalogue(const std::string& path) {
  const std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << path;
  const std::u16string text = FromUtf16Le(bytes.size() >= 2 ? bytes.substr(2) : std::string());
  EXPECT_EQ(text.find(u'\uFEFF'), std::u16string::npos) << path;
  return Utf16ToUtf8(text);
}

}  // namespace ordano::testing
