// The crawl against a real server on 127.0.0.1: scope, kinds, limits, cancel
// and the catalogue rows it hands to the output.
#include "crawler/crawl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "../crawl_server/crawl_server.h"
#include "output/json_writer.h"
#include "platform/unicode.h"
#include "run/crawl_output.h"
#include "run/web_search.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::CrawlServer;
using testing::TempDir;
using testing::TestHost;
using testing::WriteFile;

// Presses cancel once the server has been asked for `path` (its body is then
// being read), whatever the machine's speed.
struct CancelDuringHost : TestHost {
  const CrawlServer* server = nullptr;
  std::string path;
  void Pump(RunState& run) override {
    TestHost::Pump(run);
    if (server != nullptr && server->CountRequests(path) > 0) run.CancelRequested = true;
  }
};

#define SERVE(server, dir, routes)                                                  \
  do {                                                                              \
    if (testing::FindPython3().empty()) GTEST_SKIP() << "python3 is not installed"; \
    std::string why;                                                                \
    ASSERT_TRUE((server).Start(dir, routes, &why)) << why;                          \
  } while (0)

class CrawlerCrawl : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ClearProxyEnvironment();
    ctx = testing::MakeContext(host);
  }
  std::u16string U(const std::string& s) { return Utf8ToUtf16(s); }
  const WebItem* Find(const std::string& url) const {
    for (const auto& item : result.items) {
      if (item.url == Utf8ToUtf16(url)) return &item;
    }
    return nullptr;
  }
  int Count(const std::string& url) const {
    return static_cast<int>(
        std::count_if(result.items.begin(), result.items.end(),
                      [&](const WebItem& i) { return i.url == Utf8ToUtf16(url); }));
  }

  TempDir temp;
  CancelDuringHost host;
  std::unique_ptr<AppContext> ctx;
  CrawlResult result;
};

TEST_F(CrawlerCrawl, ListsTheSiteBreadthFirstWithinItsScope) {
  CrawlServer site, otherPort;
  SERVE(otherPort, temp / "other", "");
  SERVE(site, temp / "site", R"({"/start": {"status": 301, "location": "/docs/index.html"},
                                 "/docs/pic.html": {"type": "image/png"}})");
  const std::string o = site.Origin();
  const std::string port = std::to_string(site.port());
  WriteFile(
      temp / "site/docs/index.html",
      "<html><head><title>Top &amp; Index</title><link rel=stylesheet href=\"style.css\">"
      "</head><body><a href=\"a.html\">A</a> <a href=\"sub/\">Sub</a> <a href=\"#top\">top</a>"
      "<a href=\"../other.html\">parent</a>"
      "<a href=\"http://localhost:" +
          port +
          "/docs/x.html\">other host</a>"
          "<a href=\"" +
          otherPort.Origin() +
          "/docs/y.html\">other port</a>"
          "<a href=\"missing.html\">404</a><a href=\"pic.html\">pic</a><a href=\"A.html\">case</a>"
          "<a href=\"HTTP://127.0.0.1:" +
          port +
          "/docs/a.html\">host case</a>"
          "<img src=\"img/logo.png\"><a href=\"mailto:x@y\">mail</a></body></html>");
  WriteFile(temp / "site/docs/style.css",
            "body{background:url(img/bg.dat)} .x{background:url(\"img/logo.png\")}");
  WriteFile(temp / "site/docs/a.html",
            "<title>A</title><a href=\"index.html\">back</a><img src=\"img/bg.dat\"><a "
            "href=\"sub/\">s</a>");
  WriteFile(temp / "site/docs/A.html", "<title>upper</title>");
  WriteFile(temp / "site/docs/pic.html", std::string(777, 'x'));
  WriteFile(temp / "site/docs/sub/index.html",
            "<a href=\"../a.html\">up</a><a href=\"deep.html\">d</a>");
  WriteFile(temp / "site/docs/sub/deep.html", "<title>deep</title>");
  WriteFile(temp / "site/other.html", "<a href=\"never.html\">");

  ASSERT_TRUE(CrawlSite(*ctx, U(o + "/start"), result));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(result.cancelled);
  EXPECT_FALSE(result.limitHit);

  std::vector<std::string> urls;
  for (const auto& item : result.items)
    urls.push_back(Utf16ToUtf8(item.url) + " " + Utf16ToUtf8(item.kind) + " " +
                   std::to_string(item.depth));
  const std::vector<std::string> expected = {
      o + "/start HTML 0",
      o + "/docs/style.css Stylesheet 1",
      o + "/docs/a.html HTML 1",
      o + "/docs/sub/ HTML 1",
      o + "/other.html HTML 1",
      "http://localhost:" + port + "/docs/x.html HTML 1",
      otherPort.Origin() + "/docs/y.html HTML 1",
      o + "/docs/missing.html HTML 1",
      o + "/docs/pic.html Image 1",
      o + "/docs/A.html HTML 1",
      o + "/docs/img/logo.png Image 1",
      o + "/docs/img/bg.dat Image 2",  // "Other" from the CSS, an image by the img tag
      o + "/docs/sub/deep.html HTML 2",
  };
  EXPECT_EQ(urls, expected);

  const WebItem* start = Find(o + "/start");
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->title, u"Top & Index");
  EXPECT_EQ(Find(o + "/docs/pic.html")->contentLength, 777);
  EXPECT_EQ(Find(o + "/docs/missing.html")->status, 404u);
  EXPECT_EQ(Find(o + "/docs/missing.html")->contentLength, 35);
  EXPECT_EQ(Find(o + "/docs/img/logo.png")->contentLength, -1);  // never fetched
  EXPECT_EQ(Find(o + "/docs/A.html")->title, u"upper");

  // Fetched: each in-scope page once; never the parent, other hosts or ports, or images.
  std::vector<std::string> requests = site.Requests();
  std::sort(requests.begin(), requests.end());
  EXPECT_EQ(requests, (std::vector<std::string>{
                          "GET /docs/A.html", "GET /docs/a.html", "GET /docs/index.html",
                          "GET /docs/missing.html", "GET /docs/pic.html", "GET /docs/style.css",
                          "GET /docs/sub/", "GET /docs/sub/deep.html", "GET /start"}));
  for (const auto& f : site.RequestFields()) EXPECT_EQ(f[2], "127.0.0.1:" + port);
  EXPECT_TRUE(otherPort.Requests().empty());
  EXPECT_EQ(result.pagesFetched, 8);
  EXPECT_EQ(host.LastCrawlText(CrawlText::Finished),
            u"検索完了: 13件（取得ページ: 8件）\r\n基本・高度タブの設定で保存します。");
  EXPECT_TRUE(host.LastCrawlText(CrawlText::Progress)
                  .starts_with(u"検索中: 13件検出 / 待機0件\r\nhttp://"));
}

TEST_F(CrawlerCrawl, FetchesPagesFirstSeenByUnfollowedLinksAndImportedStylesheets) {
  CrawlServer site;
  SERVE(site, temp / "site", "");
  const std::string o = site.Origin();
  WriteFile(temp / "site/docs/index.html",
            "<link rel=\"next\" href=\"b.html\"><link rel=\"prev\" href=\"../up.html\">"
            "<link rel=\"stylesheet\" href=\"s.css\"><a href=\"c.html\">c</a>");
  WriteFile(
      temp / "site/docs/c.html",
      "<a href=\"b.html\">b</a><a href=\"b.html#x\">b again</a><a href=\"../up.html\">up</a>");
  WriteFile(temp / "site/docs/b.html", "<a href=\"only-from-b.html\">deeper</a>");
  WriteFile(temp / "site/docs/only-from-b.html", "<title>found</title>");
  WriteFile(temp / "site/docs/s.css", "@import \"more.css\"; body{color:red}");
  WriteFile(temp / "site/docs/more.css", "x{background:url(img/m.png)}");
  WriteFile(temp / "site/up.html", "<a href=\"docs/never.html\">");

  ASSERT_TRUE(CrawlSite(*ctx, U(o + "/docs/index.html"), result));
  std::vector<std::string> requests = site.Requests();
  std::sort(requests.begin(), requests.end());
  EXPECT_EQ(requests, (std::vector<std::string>{"GET /docs/b.html", "GET /docs/c.html",
                                                "GET /docs/index.html", "GET /docs/more.css",
                                                "GET /docs/only-from-b.html", "GET /docs/s.css"}));
  ASSERT_NE(Find(o + "/docs/only-from-b.html"), nullptr);
  EXPECT_EQ(Find(o + "/docs/only-from-b.html")->title, u"found");
  EXPECT_EQ(Find(o + "/docs/b.html")->depth, 1);  // listed where first seen
  EXPECT_EQ(Find(o + "/docs/more.css")->kind, u"Stylesheet");
  ASSERT_NE(Find(o + "/docs/img/m.png"), nullptr);
  EXPECT_EQ(Find(o + "/docs/img/m.png")->depth, 3);
  EXPECT_EQ(Find(o + "/up.html")->status, 0u);  // out of scope: listed, never fetched
}

TEST_F(CrawlerCrawl, DepthLimitListsButNeverFetchesBelowDepth32) {
  CrawlServer site;
  SERVE(site, temp / "site", "");
  for (int i = 0; i <= 40; ++i) {
    WriteFile(temp / ("site/p" + std::to_string(i) + ".html"),
              "<a href=\"p" + std::to_string(i + 1) + ".html\">next</a>");
  }
  ASSERT_TRUE(CrawlSite(*ctx, U(site.Origin() + "/p0.html"), result));
  ASSERT_EQ(result.items.size(), 34u);
  EXPECT_EQ(result.items.back().depth, 33);
  EXPECT_EQ(result.items.back().url, U(site.Origin() + "/p33.html"));
  EXPECT_EQ(site.CountRequests("/p32.html"), 1);
  EXPECT_EQ(site.CountRequests("/p33.html"), 0);
  EXPECT_EQ(result.pagesFetched, 33);
}

TEST_F(CrawlerCrawl, ItemLimitStopsListingButFetchesWhatIsQueued) {
  CrawlServer site;
  SERVE(site, temp / "site", "");
  std::string page = "<a href=\"q1.html\"></a><a href=\"q2.html\"></a>";
  for (int i = 0; i < kMaxCrawlItems + 5; ++i) page += "<img src=i" + std::to_string(i) + ".png>";
  WriteFile(temp / "site/index.html", page);
  WriteFile(temp / "site/q1.html", "<a href=\"new.html\">");
  WriteFile(temp / "site/q2.html", "x");
  ASSERT_TRUE(CrawlSite(*ctx, U(site.Origin() + "/index.html"), result));
  EXPECT_EQ(result.items.size(), static_cast<std::size_t>(kMaxCrawlItems));
  EXPECT_TRUE(result.limitHit);
  EXPECT_EQ(site.CountRequests("/q1.html"), 1);
  EXPECT_EQ(site.CountRequests("/q2.html"), 1);
  EXPECT_EQ(Find(site.Origin() + "/new.html"), nullptr);
  EXPECT_EQ(host.LastCrawlText(CrawlText::Finished),
            u"安全上限に達したため終了しました。結果: 50000件（取得ページ: 3件）");
}

TEST_F(CrawlerCrawl, StartFailuresAreToldAndListNothing) {
  CrawlServer site;
  SERVE(site, temp / "site", "");
  EXPECT_FALSE(CrawlSite(*ctx, U(site.Origin() + "/nothing.html"), result));
  EXPECT_EQ(result.failure, CrawlFailure::StartFailed);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, u"開始URLの取得に失敗しました（HTTP 404）。");
  EXPECT_EQ(host.messages[0].caption, u"Web検索");
  EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
  EXPECT_EQ(host.LastCrawlText(CrawlText::Finished),
            u"検索完了: 0件（取得ページ: 1件）\r\n基本・高度タブの設定で保存します。");

  EXPECT_FALSE(CrawlSite(*ctx, u"ftp://127.0.0.1/x", result));
  EXPECT_EQ(result.failure, CrawlFailure::InvalidUrl);
  EXPECT_EQ(host.messages.back().text,
            u"http:// または https:// で始まる正しいURLを入力してください。");
  EXPECT_EQ(host.messages.back().icon, MsgIcon::Warning);
}

TEST_F(CrawlerCrawl, CancelKeepsThePartialResult) {
  CrawlServer site;
  SERVE(site, temp / "site", R"({"/slow.html": {"chunk": 100, "interval": 0.02, "count": 3000}})");
  WriteFile(temp / "site/index.html", "<a href=\"slow.html\">s</a><a href=\"later.html\">l</a>");
  WriteFile(temp / "site/later.html", "<a href=\"never.html\">");
  host.server = &site;
  host.path = "/slow.html";
  ASSERT_TRUE(CrawlSite(*ctx, U(site.Origin() + "/index.html"), result));
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.items.size(), 3u);
  EXPECT_EQ(site.CountRequests("/later.html"), 0);
  EXPECT_EQ(host.LastCrawlText(CrawlText::Finished),
            u"中止しました。部分結果: 3件（取得ページ: 2件）");
}

TEST_F(CrawlerCrawl, WebSearchChecksInputAndAsksAfterCancel) {
  RunWebSearch(*ctx, u"  https://  ");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, u"リスト化したいページのURLを入力してください。");
  EXPECT_EQ(host.messages[0].icon, MsgIcon::Information);
  EXPECT_EQ(AcceptStartUrl(u" example.com/docs "), u"https://example.com/docs");
  EXPECT_EQ(AcceptStartUrl(u"http://"), u"");
  EXPECT_EQ(AcceptStartUrl(u"HTTP://x"), u"HTTP://x");

  CrawlServer site;
  SERVE(site, temp / "site", R"({"/slow.html": {"chunk": 100, "interval": 0.02, "count": 3000}})");
  WriteFile(temp / "site/index.html", "<a href=\"slow.html\">s</a>");
  host.server = &site;
  host.path = "/slow.html";
  host.answers = {MsgAnswer::No};
  const auto outcome = RunWebSearch(*ctx, U(site.Origin() + "/index.html"));
  EXPECT_EQ(outcome.status, WebSearchStatus::Declined);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1].text, u"検索を中止しました。ここまでの結果を保存しますか？");
  EXPECT_EQ(host.messages[1].buttons, MsgButtons::YesNo);
  EXPECT_EQ(host.messages[1].icon, MsgIcon::Question);
  EXPECT_FALSE(ctx->table.Allocated());

  // Without a scheme the text is crawled as https (here: no TLS, so it fails).
  host.server = nullptr;
  const auto https = RunWebSearch(*ctx, U("127.0.0.1:" + std::to_string(site.port()) + "/docs"));
  EXPECT_EQ(https.url, U("https://127.0.0.1:" + std::to_string(site.port()) + "/docs"));
  EXPECT_EQ(https.status, WebSearchStatus::NothingFound);
  EXPECT_TRUE(host.messages.back().text.starts_with(u"通信に失敗しました ("))
      << Utf16ToUtf8(host.messages.back().text);
}

TEST(CrawlerTable, RowsFromItems) {
  TestHost host;
  auto ctx = testing::MakeContext(host);
  std::vector<WebItem> items(3);
  items[0] = {u"http://h/docs/", u"HTML", u"Top", 1234, 0, true, 200, u"text/html"};
  items[1] = {u"http://h/docs/a%20b/c.png", u"Image", u"", -1, 1, false, 0, u""};
  items[2] = {u"http://g/x/long-file-name-for-width.css", u"", u"", 0, 1, true, 200, u""};

  ctx->options.settings.RelativeOutput = 0;
  BuildCrawlTable(*ctx, items);
  const EntryTable& t = ctx->table;
  EXPECT_EQ(ctx->run.EntryCount, 3);
  EXPECT_EQ(t.Name(0), u"docs");
  EXPECT_EQ(t.Folder(0), u"http://h/docs/");
  EXPECT_EQ(t.LinkPath(0), u"http://h/docs/");
  // The sort key carries the kind and the status (read by the JSON catalogue).
  ASSERT_TRUE(CrawlRowOf(t.SortKey(0)));
  EXPECT_EQ(CrawlRowOf(t.SortKey(0))->sortText, u"HTML");
  EXPECT_EQ(CrawlRowOf(t.SortKey(0))->kind, u"HTML");
  EXPECT_EQ(CrawlRowOf(t.SortKey(0))->status, 200u);
  EXPECT_EQ(CrawlRowOf(t.SortKey(1))->status, 0u);  // never fetched
  EXPECT_EQ(t.Depth(0), 1);
  EXPECT_EQ(t.Size(0), 1234u);
  EXPECT_EQ(t.SizeText(0), u"1,234");
  EXPECT_EQ(t.Title(0), u"Top");
  EXPECT_EQ(t.Name(1), u"c.png");
  EXPECT_EQ(t.Folder(1), u"http://h/docs/a b/");
  EXPECT_EQ(t.LinkPath(1), u"http://h/docs/a%20b/c.png");
  EXPECT_EQ(t.Size(1), 0u);
  EXPECT_EQ(t.SizeText(1), u"");
  EXPECT_EQ(t.Depth(1), 2);
  EXPECT_EQ(CrawlRowOf(t.SortKey(2))->sortText,
            u"long-file-name-for-width.css");  // no kind: the name
  EXPECT_EQ(CrawlRowOf(t.SortKey(2))->kind, u"");
  EXPECT_EQ(t.SizeText(2), u"0");
  EXPECT_EQ(ctx->run.TotalSize, 1234u);
  EXPECT_EQ(ctx->run.NameWidth, 30);
  EXPECT_EQ(ctx->run.MaxDepthReached, 2);

  ctx->options.settings.RelativeOutput = 1;
  BuildCrawlTable(*ctx, items);
  EXPECT_EQ(ctx->table.Folder(0), u"");
  EXPECT_EQ(ctx->table.LinkPath(0), u"docs");  // the start item: its name
  EXPECT_EQ(ctx->table.LinkPath(1), u"a b/c.png");
  EXPECT_EQ(ctx->table.LinkPath(2), u"http://g/x/long-file-name-for-width.css");
  EXPECT_EQ(ctx->run.TotalSize, 1234u);  // reset per build
}

TEST(CrawlerTable, StatusText) {
  const std::u16string longUrl = u"http://h/" + std::u16string(200, u'a');
  const std::u16string text = JapaneseText(CrawlStatusText(longUrl, 7, 3));
  EXPECT_EQ(text, u"検索中: 7件検出 / 待機3件\r\n" + longUrl.substr(0, 97) +
                      u"...\r\n上限: HTML/CSS 5000ページ、URL 50000件、深度32");
  EXPECT_EQ(
      JapaneseText(CrawlStatusText(u"http://h/", 0, 0)),
      u"検索中: 0件検出 / 待機0件\r\nhttp://h/\r\n上限: HTML/CSS 5000ページ、URL 50000件、深度32");
}

}  // namespace
}  // namespace ordano
