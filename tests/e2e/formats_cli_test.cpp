// The CSV, HTML, JSON and JSON Lines catalogues written by the ordanou binary.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "binary_test.h"
#include "platform/unicode.h"
#include "run_binary.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

// Field offsets in ordanou.dat.
constexpr std::size_t kAppendOutput = 1536;
constexpr std::size_t kHtmlLinks = 1608;
constexpr std::size_t kOutputKind = 1656;
constexpr std::size_t kCsvFolderAndFile = 22704;

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class Formats : public BinaryTest {
 protected:
  ProcessResult Run(const std::string& file, bool yes = false) {
    std::vector<std::string> args;
    if (yes) args.push_back("--yes");
    args.insert(args.end(), {"/O:" + (work / "out"), "/F:" + file, work / "tree"});
    return RunOrdanou(args, Opts());
  }
  void MakeTree() {
    WriteFile(work / "tree/say \"hi\", ok.txt", "abc");
    WriteFile(work / "tree/sub/b.bin", std::string(1000, 'x'));
    WriteFile(work / "tree/zero", "");
    MakeDirs(work / "out");
  }
  static std::string Csv(const std::string& path) { return Utf16Catalogue(path); }
};

TEST_F(Formats, CsvCatalogueQuotesNamesAndEndsRowsWithCrLf) {
  MakeTree();
  auto r = Run("cat.csv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string csv = Csv(work / "out/cat.csv");
  const std::string tree = work / "tree";
  EXPECT_TRUE(csv.starts_with("\"ターゲットフォルダ：" + tree +
                              "\",\"\",\"\"\r\n"
                              "\"ファイル名\",\"サイズByte\",\"更新日付\",\"作成日付\"\r\n"))
      << csv;
  EXPECT_NE(csv.find("\r\n\"say \"\"hi\"\", ok.txt\",\"3Byte\",\"20"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\r\n\"ターゲットフォルダ：" + tree +
                     "/sub\",\"\",\"\"\r\n\"b.bin\","
                     "\"1,000Byte\""),
            std::string::npos);
  EXPECT_TRUE(csv.ends_with("\r\n\"総ファイル数 3 個\",\"1,003Byte\",\"\",\"\"\r\n")) << csv;
  EXPECT_EQ(Count(csv, "\n"), Count(csv, "\r\n"));

  // Folder-and-file columns, then folder names only.
  PatchSetting(kCsvFolderAndFile, 1);
  r = Run("cat.csv", true);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(Csv(work / "out/cat.csv").find("\"" + tree + "\",\"zero\",\"0Byte\""),
            std::string::npos);
  PatchSetting(kOutputKind, 1);
  r = Run("cat.csv", true);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string folders = Csv(work / "out/cat.csv");
  EXPECT_TRUE(
      folders.starts_with("\"フォルダ名\",\"\",\"サイズByte\",\"更新日付\",\"作成日付\"\r\n"));
  EXPECT_NE(folders.find("\"" + tree + "\",\"\",\"3Byte\",\"\",\"\"\r\n"), std::string::npos)
      << folders;
  EXPECT_NE(folders.find("\"" + tree + "/sub\",\"\",\"1,000Byte\",\"\",\"\"\r\n"),
            std::string::npos);
  EXPECT_EQ(folders.find("zero"), std::string::npos);
}

// Into a pipe: "-" writes the text catalogue to stdout as UTF-8 with LF line
// ends and no mark, the same lines as the UTF-16 file; --utf8 and a saved
// Utf8Text write files that way; the record itself stays as it was.
TEST_F(Formats, TextIntoAPipeAndUtf8FilesAreTheFileCatalogueInUtf8) {
  MakeTree();
  ASSERT_EQ(Run("cat.txt").exitCode, 0);
  std::string lf = Utf16Catalogue(work / "out/cat.txt");
  for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--output", "-", work / "tree"},
        std::vector<std::string>{"/F:-", work / "tree"},
        std::vector<std::string>{"--output", "/dev/stdout", work / "tree"}}) {
    const auto r = RunOrdanou(args, Opts());
    ASSERT_EQ(r.exitCode, 0) << args[0] << r.err;
    EXPECT_EQ(r.out, lf) << args[0];  // no path line: the catalogue is all there is
    EXPECT_TRUE(IsValidUtf8(r.out));
    EXPECT_FALSE(std::filesystem::exists(work / "-"));
  }
  const auto piped = RunOrdanou({"--output", "-", work / "tree"}, Opts()).out;
  EXPECT_NE(piped.find("\nターゲットフォルダ：" + work / "tree" + "/sub\n"), std::string::npos);
  EXPECT_NE(piped.find("総ファイル数 3 個"), std::string::npos);
  EXPECT_TRUE(piped.ends_with("1,003Byte\n")) << piped;

  auto r = RunOrdanou({"--utf8", "--output", work / "out/u8.txt", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(work / "out/u8.txt"), lf);
  // Appending to that file goes on in its own encoding, without --utf8.
  PatchSetting(kAppendOutput, 1);
  r = RunOrdanou({"--yes", "--output", work / "out/u8.txt", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(work / "out/u8.txt"), lf + lf);
  PatchSetting(kAppendOutput, 0);

  r = RunOrdanou({"--set", "Utf8Text=1", "--save"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(std::filesystem::file_size(home / "ordanou.dat"), 22824u);
  EXPECT_NE(ReadFile(home / "ordanou.ini").find("Utf8Text=1\n"), std::string::npos);
  EXPECT_NE(RunOrdanou({"--settings"}, Opts()).out.find("\nUtf8Text=1\n"), std::string::npos);
  r = RunOrdanou({"--yes", "--output", work / "out/saved.txt", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(work / "out/saved.txt"), lf);

  // A reader that went away is a failed write, said on stderr.
  RunOptions gone = Opts();
  gone.stdoutReaderGone = true;
  r = RunOrdanou({"--output", "-", work / "tree"}, gone);
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_NE(r.err.find("stdout: Broken pipe"), std::string::npos) << r.err;
}

TEST_F(Formats, CsvAppendKeepsOneMarkAndOneHeader) {
  MakeTree();
  ASSERT_EQ(Run("first.csv").exitCode, 0);
  PatchSetting(kAppendOutput, 1);
  // Appending creates the file that is not there yet.
  auto r = Run("log.csv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Run("log.csv", true);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string csv = Csv(work / "out/log.csv");
  EXPECT_EQ(Count(csv, "\"ファイル名\""), 1u);
  EXPECT_EQ(Count(csv, "\"b.bin\""), 2u);
  EXPECT_EQ(Count(csv, "総ファイル数 3 個"), 2u);
}

TEST_F(Formats, HtmlCatalogueEscapesHostileNamesAndAppendsATable) {
  MakeDirs(work / "out");
  for (const char* name :
       {"<img src=x onerror=alert(1)>.txt", "a\"b.html", "100%#1.txt", "a&b.txt"}) {
    WriteFile(work / ("tree/" + std::string(name)), "x");
  }
  ASSERT_EQ(Run("first.txt").exitCode, 0);
  PatchSetting(kHtmlLinks, 1);
  auto r = Run("page.html");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string page = ReadFile(work / "out/page.html");
  const std::string tree = work / "tree";
  EXPECT_TRUE(page.starts_with("\xEF\xBB\xBF<html>\r\n<head>")) << page.substr(0, 40);
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"" + tree +
                      "/%3Cimg%20src=x%20onerror=alert(1)%3E.txt\">"
                      "&lt;img src=x onerror=alert(1)&gt;.txt</a>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<a href=\"" + tree + "/a%22b.html\">a&quot;b.html</a>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"" + tree + "/100%25%231.txt\">100%#1.txt</a>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"" + tree + "/a&amp;b.txt\">a&amp;b.txt</a>"), std::string::npos);

  PatchSetting(kAppendOutput, 1);
  r = Run("page.html", true);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  page = ReadFile(work / "out/page.html");
  EXPECT_EQ(Count(page, "\xEF\xBB\xBF"), 1u);
  EXPECT_EQ(Count(page, "<head>"), 1u);
  EXPECT_EQ(Count(page, "<table"), 2u);
  EXPECT_EQ(Count(page, "</body>"), 1u);
  EXPECT_TRUE(page.ends_with("</table></body></html>\r\n"));
}

TEST_F(Formats, JsonCatalogueKeepsTheBytesOfNamesThatAreNotUtf8) {
  MakeDirs(work / "out");
  WriteFile(work / "tree/\xF0\x9F\x98\x80.txt", "12345");
  WriteFile(work / "tree/\xff\xfe.bin", "1");
  WriteFile(work / "tree/ctl\x01.txt", "");
  WriteFile(work / "tree/sub/deep.txt", "12");
  auto r = Run("cat.json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string bytes = ReadFile(work / "out/cat.json");
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], '{');
  const nlohmann::json doc = nlohmann::json::parse(bytes);  // throws on invalid UTF-8
  EXPECT_EQ(doc["file_count"], 4);
  EXPECT_EQ(doc["total_size"], 8u);
  const auto& entries = doc["entries"];
  ASSERT_EQ(entries.size(), 4u);
  int seen = 0;
  for (const auto& e : entries) {
    const std::string name = e["name"];
    const std::string modified = e["modified"];
    EXPECT_EQ(modified.size(), 25u) << modified;  // 2024-05-01T13:05:09+00:00
    EXPECT_TRUE(modified.ends_with("+00:00")) << modified;
    if (name == "\xF0\x9F\x98\x80.txt") {
      EXPECT_EQ(e["size"], 5u);
      EXPECT_EQ(e["link_path"], work / "tree/\xF0\x9F\x98\x80.txt");
      EXPECT_FALSE(e.contains("name_bytes"));
      ++seen;
    } else if (name == "\xEF\xBF\xBD\xEF\xBF\xBD.bin") {
      EXPECT_EQ(e["name_bytes"], "fffe2e62696e");
      // A script can reach the file through the bytes.
      std::string raw;
      const std::string hex = e["name_bytes"];
      for (std::size_t k = 0; k < hex.size(); k += 2) {
        raw.push_back(static_cast<char>(std::stoi(hex.substr(k, 2), nullptr, 16)));
      }
      EXPECT_TRUE(std::filesystem::exists(work / ("tree/" + raw)));
      ++seen;
    } else if (name == "ctl\x01.txt") {
      EXPECT_EQ(e["size"], 0u);
      ++seen;
    } else if (name == "deep.txt") {
      EXPECT_EQ(e["folder"], work / "tree/sub");
      EXPECT_EQ(e["depth"], 2);
      ++seen;
    }
  }
  EXPECT_EQ(seen, 4);
  EXPECT_NE(bytes.find("ctl\\u0001.txt"), std::string::npos);
}

TEST_F(Formats, JsonLinesHoldTheJsonCatalogueLineByLine) {
  MakeTree();
  WriteFile(work / "tree/\xff\xfe.bin", "1");
  WriteFile(work / "tree/line\nbreak \xE2\x80\xA8.txt", "22");
  ASSERT_EQ(Run("cat.json").exitCode, 0);
  auto r = Run("cat.jsonl");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json doc = nlohmann::json::parse(ReadFile(work / "out/cat.json"));

  // Each line parses alone: the header, then the entries in the same order.
  const std::string lines = ReadFile(work / "out/cat.jsonl");
  ASSERT_TRUE(lines.ends_with("}\n"));
  std::vector<nlohmann::json> parsed;
  for (std::size_t at = 0, end; at < lines.size(); at = end + 1) {
    end = lines.find('\n', at);
    parsed.push_back(nlohmann::json::parse(lines.substr(at, end - at)));
  }
  nlohmann::json header = doc;
  header.erase("entries");
  EXPECT_EQ(parsed.front(), header);
  const std::vector<nlohmann::json> rows(parsed.begin() + 1, parsed.end());
  EXPECT_EQ(rows, doc["entries"].get<std::vector<nlohmann::json>>());
  EXPECT_EQ(rows.size(), 5u);
  // The same lines on stdout; --jsonl alone has nowhere to go.
  EXPECT_EQ(RunOrdanou({"--jsonl", "--output", "-", work / "tree"}, Opts()).out, lines);
  EXPECT_EQ(RunOrdanou({"--jsonl", work / "tree"}, Opts()).exitCode, 2);

  // The reader takes it as the same catalogue; a cut one is refused.
  r = RunOrdanou({"--compare", work / "out/cat.jsonl", work / "out/cat.json"}, Opts());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("equal: 5 files"), std::string::npos) << r.out;
  WriteFile(work / "out/cut.jsonl", lines.substr(0, lines.rfind('\n', lines.size() - 2) + 1));
  r = RunOrdanou({"--compare", work / "out/cut.jsonl", work / "out/cat.json"}, Opts());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("truncated"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ordano::testing
