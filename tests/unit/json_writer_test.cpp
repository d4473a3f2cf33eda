#include "output/json_writer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "catalogue_rows.h"
#include "compare/catalogue_read.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "platform/unicode.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::FillTable;
using testing::ReadFile;
using Json = nlohmann::json;

constexpr std::int64_t kT1 = 1714568709;
constexpr std::int64_t kT2 = 1709647629;
const std::u16string kEmoji = u"\U0001F600 emoji.txt";
const std::string kInvalid = "\xff\xfe.txt";

class JsonWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_ = testing::MakeContext(host_);
    path_ = dir_ / "cat.json";
  }

  void Rows() {
    FillTable(*ctx_, {
                         {u"/d", kEmoji, 1, 1, 1234, kT1, kT2, u"0123abcd"},
                         {u"/d", u"tab\there\x01\"q\\.txt", 1, 0, 5, kT1, 0},
                         {u"/d", u"placeholder-to-be", 1, 0, 7},
                         {u"/d/e", u"", 2, 1},
                     });
    // The scan keeps the bytes of a name that is not UTF-8.
    ctx_->table.SetName(2, Utf8ToUtf16(kInvalid), kInvalid);
    for (int i = 0; i < 3; ++i) {
      ctx_->table.SetLinkPath(i, u"/d/" + std::u16string(ctx_->table.Name(i)));
    }
    ctx_->table.SetTitle(0, u"A <title>");
  }

  std::string Write() {
    CFileCus sink;
    EXPECT_TRUE(WriteJsonCatalogue(*ctx_, sink, path_));
    return ReadFile(path_);
  }

  testing::TestHost host_;
  std::unique_ptr<AppContext> ctx_;
  testing::TempDir dir_;
  std::string path_;
};

TEST_F(JsonWriterTest, ParsesBackToTheTable) {
  ctx_->options.settings.ComputeMd5 = 1;
  Rows();
  const std::string bytes = Write();
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], '{');  // no byte-order mark
  EXPECT_TRUE(IsValidUtf8(bytes));
  // Emoji stay UTF-8, never surrogate escapes; control characters are escaped.
  EXPECT_NE(bytes.find(Utf16ToUtf8(kEmoji)), std::string::npos);
  EXPECT_EQ(bytes.find("\\ud8"), std::string::npos);
  EXPECT_EQ(bytes.find("\\uD8"), std::string::npos);
  EXPECT_NE(bytes.find("tab\\there\\u0001\\\"q\\\\.txt"), std::string::npos) << bytes;

  const Json doc = Json::parse(bytes);
  EXPECT_EQ(doc["file_count"], 3);
  EXPECT_EQ(doc["total_size"], 1246u);
  EXPECT_EQ(doc["total_size_text"], "1,246");
  EXPECT_EQ(doc["md5"], true);
  const Json& entries = doc["entries"];
  ASSERT_EQ(entries.size(), 4u);
  const EntryTable& t = ctx_->table;
  for (int i = 0; i < 4; ++i) {
    const Json& e = entries[static_cast<std::size_t>(i)];
    EXPECT_EQ(e["folder"], Utf16ToUtf8(t.Folder(i)));
    EXPECT_EQ(e["name"], Utf16ToUtf8(t.Name(i)));
    EXPECT_EQ(e["size"], t.Size(i));
    EXPECT_TRUE(e["size"].is_number_unsigned());
    EXPECT_EQ(e["size_text"], Utf16ToUtf8(t.SizeText(i)));
    EXPECT_EQ(e["depth"], t.Depth(i));
    EXPECT_EQ(e["link_path"], Utf16ToUtf8(t.LinkPath(i)));
    EXPECT_EQ(e["md5"], Utf16ToUtf8(t.Md5(i)));
    EXPECT_EQ(e["placeholder"], i == 3);
    EXPECT_EQ(e.contains("name_bytes"), i == 2);
  }
  EXPECT_EQ(entries[0]["name"], "\xF0\x9F\x98\x80 emoji.txt");
  EXPECT_EQ(entries[0]["modified"], IsoTimeText(PackLocalTime(kT1)));
  EXPECT_EQ(entries[0]["created"], IsoTimeText(PackLocalTime(kT2)));
  EXPECT_EQ(entries[0]["title"], "A <title>");
  EXPECT_EQ(entries[1]["name"], "tab\there\x01\"q\\.txt");
  EXPECT_TRUE(entries[1]["created"].is_null());
  // The display text with U+FFFD, and the exact bytes beside it.
  EXPECT_EQ(entries[2]["name"], "\xEF\xBF\xBD\xEF\xBF\xBD.txt");
  EXPECT_EQ(entries[2]["name_bytes"], "fffe2e747874");
  EXPECT_TRUE(entries[3]["modified"].is_null());
}

TEST_F(JsonWriterTest, NoMd5KeyWithoutDigestsAndEmptyTable) {
  Rows();
  Json doc = Json::parse(Write());
  EXPECT_EQ(doc["md5"], false);
  EXPECT_FALSE(doc["entries"][0].contains("md5"));
  EXPECT_FALSE(doc.contains("capacity"));

  FillTable(*ctx_, {});
  doc = Json::parse(Write());
  EXPECT_EQ(doc["file_count"], 0);
  EXPECT_TRUE(doc["entries"].is_array());
  EXPECT_TRUE(doc["entries"].empty());
}

// The header tells a verify where and how the rows were made; a root that is
// not UTF-8 reads back as its own bytes.
TEST_F(JsonWriterTest, RecordsTheRootsAndTheWalksOptions) {
  Rows();
  ctx_->run.Roots = {"/data", "/b" + kInvalid};
  ctx_->run.OnlyDevice = 5;
  ctx_->options.settings.ReadShortcuts = 1;
  ctx_->options.settings.RelativeOutput = 1;
  ctx_->options.settings.OmitVolumeName = 0;
  const std::string bytes = Write();
  Json doc = Json::parse(bytes);
  EXPECT_EQ(doc["roots"], Json::array({"/data", "/b\xEF\xBF\xBD\xEF\xBF\xBD.txt"}));
  EXPECT_EQ(doc["roots_bytes"][1], "2f62fffe2e747874");
  const Catalogue cat = ParseCatalogue(bytes).catalogue;
  EXPECT_TRUE(cat.hasRoots);
  EXPECT_EQ(cat.roots, ctx_->run.Roots);
  EXPECT_TRUE(cat.scanOptions.readShortcuts && cat.scanOptions.relativeOutput &&
              cat.scanOptions.oneFileSystem);
  EXPECT_FALSE(cat.scanOptions.omitVolumeName || cat.scanOptions.relativeRootName ||
               cat.scanOptions.includeTargetName || cat.scanOptions.omitFolderName);

  ctx_->run.Roots = {"/data"};
  ctx_->run.OnlyDevice.reset();
  EXPECT_FALSE(Json::parse(Write()).contains("roots_bytes"));
}

// Strings are copied in blocks while they are plain ASCII: every character
// that needs more, at every place of a block and after it, comes back intact.
TEST_F(JsonWriterTest, EveryCharacterAtEveryPlaceParsesBack) {
  const std::u16string odd[] = {
      u"\"",     u"\\",     u"\x01",   u"\x1f", u"\n",
      u"\x7f",   u"\u00e9", u"\u3042", kEmoji,  std::u16string(1, u'\xD800'),
      u"\uFFFD", u"\u2028"};
  std::vector<testing::CatalogueRow> rows;
  std::vector<std::u16string> titles;
  for (const std::u16string& c : odd) {
    for (int length = 1; length <= 20; ++length) {
      for (int at = 0; at < length; ++at) {
        std::u16string text(static_cast<std::size_t>(length), u'a');
        text.replace(static_cast<std::size_t>(at), 1, c);
        titles.push_back(text);
        rows.push_back({u"/d", u"f.txt"});
      }
    }
  }
  FillTable(*ctx_, rows);
  for (std::size_t i = 0; i < titles.size(); ++i) {
    ctx_->table.SetTitle(static_cast<int>(i), titles[i]);
  }
  const std::string bytes = Write();
  EXPECT_TRUE(IsValidUtf8(bytes));
  const Json doc = Json::parse(bytes);
  ASSERT_EQ(doc["entries"].size(), titles.size());
  for (std::size_t i = 0; i < titles.size(); ++i) {
    ASSERT_EQ(doc["entries"][i]["title"], Utf16ToUtf8(titles[i])) << i;
  }
}

TEST_F(JsonWriterTest, DestinationThatCannotBeCreatedIsReported) {
  Rows();
  path_ = dir_ / "missing/cat.json";
  CFileCus sink;
  EXPECT_FALSE(WriteJsonCatalogue(*ctx_, sink, path_));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].caption, u"おるだの♪書き出しエラー");
}

TEST(RawNameColumn, KeptOnlyForInvalidNamesAndMovesWithItsRow) {
  EntryTable t;
  t.Create(4);
  t.SetName(0, Utf8ToUtf16(kInvalid), kInvalid);
  t.SetName(1, u"plain.txt", "plain.txt");
  t.SetName(2, u"\uFFFD.txt", "\xEF\xBF\xBD.txt");  // a real U+FFFD is valid UTF-8
  t.SetName(3, u"x.txt", "\xff.txt");               // no replacement shown: not kept
  EXPECT_EQ(t.RawName(0), kInvalid);
  EXPECT_EQ(t.RawName(1), "");
  EXPECT_EQ(t.RawName(2), "");
  EXPECT_EQ(t.RawName(3), "");
  t.SwapRows(0, 3);
  EXPECT_EQ(t.RawName(3), kInvalid);
  EXPECT_EQ(t.RawName(0), "");
  t.ClearRow(3);
  EXPECT_EQ(t.RawName(3), "");
  t.Release();
  t.Create(1);
  EXPECT_EQ(t.RawName(0), "");
  EXPECT_EQ(HexBytes(std::string("\x00\x7f\x80\xff", 4) + "A"), "007f80ff41");
}

}  // namespace
}  // namespace ordano
