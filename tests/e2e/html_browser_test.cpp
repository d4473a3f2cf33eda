// An HTML catalogue of hostile file names, opened in a real browser: every
// file row is there, the names are text, and nothing they spell runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "run_binary.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

constexpr char kChromium[] = "/usr/bin/chromium";
constexpr std::size_t kHtmlLinks = 1608;
constexpr std::size_t kLinkTagsEnabled = 15744;

// Each of these marks the body when its markup gets to run.
const std::vector<std::string> kHostileNames = {
    "<img src=x onerror=document.body.setAttribute('data-pwned',1)>.txt",
    "<svg onload=document.body.setAttribute('data-pwned',2)>.txt",
    "<iframe src=javascript:parent.document.body.setAttribute('data-pwned',3)>.txt",
    "x' onmouseover='1.txt",
    "a\"b.html",
    "100%#1.txt",
    "a&b.txt",
};

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A text node as the browser serialises it.
std::string SerialisedText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

// The attributes of the body element in the browser's DOM.
std::string BodyTag(const std::string& dom) {
  const std::size_t at = dom.find("<body");
  if (at == std::string::npos) return {};
  return dom.substr(at, dom.find('>', at) - at + 1);
}

class HtmlInBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kChromium, X_OK) != 0) {
      GTEST_SKIP() << kChromium << " is not installed (Debian package chromium); "
                   << "the browser check of the HTML catalogue did not run";
    }
  }

  RunOptions Opts() {
    RunOptions o;
    o.env = {{"ORDANO_HOME", home.path()}, {"TZ", "UTC"}};
    o.workingDir = work.path();
    return o;
  }

  // The DOM after the page has loaded and its scripts (if any) ran.
  std::string Dom(const std::string& page) {
    TempDir profile;
    RunOptions options;
    options.timeoutSeconds = 120;
    const ProcessResult r = RunProgram(
        kChromium,
        {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--user-data-dir=" + profile.path(), "--dump-dom", "file://" + page},
        options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("</html>"), std::string::npos) << r.out;
    return r.out;
  }

  void Patch(std::size_t offset, int value) {
    std::string record = ReadFile(home / "ordanou.dat");
    ASSERT_EQ(record.size(), 22824u);
    for (int k = 0; k < 4; ++k) record[offset + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
    WriteFile(home / "ordanou.dat", record);
  }

  void ExpectOnlyText(const std::string& dom) {
    EXPECT_EQ(BodyTag(dom).find("data-pwned"), std::string::npos) << BodyTag(dom);
    for (const char* element : {"<img", "<svg", "<iframe", "<script"}) {
      EXPECT_EQ(dom.find(element), std::string::npos) << element;
    }
    EXPECT_EQ(Count(dom, "<a href="), kHostileNames.size());
    EXPECT_EQ(dom.find("onmouseover=\""), std::string::npos);
    // One row per file, plus the folder, header and total rows.
    EXPECT_EQ(Count(dom, "<tr>"), kHostileNames.size() + 3);
    for (const std::string& name : kHostileNames) {
      EXPECT_NE(dom.find(">" + SerialisedText(name) + "</a></td>"), std::string::npos) << name;
    }
  }

  TempDir home, work;
};

TEST_F(HtmlInBrowser, DetectsMarkupThatRuns) {
  // The check itself: a page that does put a name in as markup is caught.
  WriteFile(work / "raw.html",
            "<html><body><table><tr><td>" + kHostileNames[0] + "</td></tr></table></body></html>");
  const std::string dom = Dom(work / "raw.html");
  EXPECT_NE(BodyTag(dom).find("data-pwned"), std::string::npos) << dom;
}

TEST_F(HtmlInBrowser, HostileNamesAreTextInTheDom) {
  MakeDirs(work / "out");
  for (const std::string& name : kHostileNames)
    WriteFile(work / ("tree/" + std::string(name)), "x");
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:first.txt", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;

  // The built-in link form, then the user's link template.
  Patch(kHtmlLinks, 1);
  r = RunOrdanou({"/O:" + (work / "out"), "/F:links.html", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string dom = Dom(work / "out/links.html");
  ExpectOnlyText(dom);
  EXPECT_NE(dom.find("href=\"" + work.path() + "/tree/100%25%231.txt\""), std::string::npos) << dom;
  EXPECT_NE(dom.find("href=\"" + work.path() + "/tree/a%22b.html\""), std::string::npos);

  Patch(kLinkTagsEnabled, 1);
  r = RunOrdanou({"/O:" + (work / "out"), "/F:template.html", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  dom = Dom(work / "out/template.html");
  ExpectOnlyText(dom);
  EXPECT_NE(dom.find("href=\"" + work.path() + "/tree/a&amp;b.txt\""), std::string::npos) << dom;
}

// The searchable page: the data and the names reach the DOM only as text,
// and a search given in the address lists exactly its hits.
TEST_F(HtmlInBrowser, ViewPageSearchesByAddressAndRunsNoName) {
  MakeDirs(work / "out");
  std::vector<std::string> names = kHostileNames;
  names.push_back("x\xE2\x80\xA8y<!--<script>z.txt");
  names.push_back("back\\slash \"q\" \xff.txt");
  for (const std::string& name : names) WriteFile(work / ("tree/" + name), "x");
  WriteFile(work / "tree/photos/Report-2024.txt", "12345");
  WriteFile(work / "tree/photos/old/REPORT.pdf", "1");
  WriteFile(work / "tree/unrelated.txt", "1");
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:first.txt", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Patch(kHtmlLinks, 1);
  r = RunOrdanou({"/O:" + (work / "out"), "/F:cat.view.html", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string page = ReadFile(work / "out/cat.view.html");
  EXPECT_EQ(Count(page, "<script"), 2u);  // the data and the page's own script
  EXPECT_EQ(Count(page, "</script>"), 2u);

  std::string dom = Dom(work / "out/cat.view.html#q=rEpOrT");
  EXPECT_NE(dom.find("data-search-hits=\"2\""), std::string::npos) << dom;
  EXPECT_NE(dom.find(">Report-2024.txt</a>"), std::string::npos);
  EXPECT_NE(dom.find(">REPORT.pdf</a>"), std::string::npos);
  EXPECT_NE(dom.find(">" + work.path() + "/tree/photos/old</span>"), std::string::npos);
  EXPECT_EQ(dom.find(">unrelated.txt<"), std::string::npos);
  EXPECT_NE(dom.find("data-first-folder-ms=\""), std::string::npos);

  // Every hostile name listed (all hold "."), as text.
  dom = Dom(work / "out/cat.view.html#q=.");
  EXPECT_NE(dom.find("data-search-hits=\"" + std::to_string(names.size() + 3) + "\""),
            std::string::npos);
  EXPECT_EQ(BodyTag(dom).find("data-pwned"), std::string::npos) << BodyTag(dom);
  for (const char* element : {"<img", "<svg", "<iframe"})
    EXPECT_EQ(dom.find(element), std::string::npos) << element;
  EXPECT_EQ(Count(dom, "<script"), 2u);
  for (std::size_t k = 0; k + 1 < names.size(); ++k)
    EXPECT_NE(dom.find(">" + SerialisedText(names[k]) + "</a>"), std::string::npos) << names[k];
  EXPECT_NE(dom.find("href=\"" + work.path() + "/tree/100%25%231.txt\""), std::string::npos);

  // A folder by its path.
  dom = Dom(work / "out/cat.view.html#f=" + work.path() + "/tree/photos");
  EXPECT_NE(dom.find(">Report-2024.txt</a>"), std::string::npos);
  EXPECT_EQ(dom.find(">REPORT.pdf</a>"), std::string::npos);
}

}  // namespace
}  // namespace ordano::testing
