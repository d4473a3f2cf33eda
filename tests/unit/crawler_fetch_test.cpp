// Fetching over HTTP against a real server on 127.0.0.1.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "../crawl_server/crawl_server.h"
#include "crawler/fetch.h"
#include "crawler/resource_kind.h"
#include "platform/unicode.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::CrawlServer;
using testing::TempDir;
using testing::TestHost;
using testing::WriteFile;

// A port on 127.0.0.1 where nothing listens: bound but never listening, and
// held for the test's life so no server of a parallel test can take it.
class ClosedPort {
 public:
  ClosedPort() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~ClosedPort() { close(fd_); }
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;
  std::string Text() const { return std::to_string(port_); }

 private:
  int fd_;
  int port_ = 0;
};

#define SERVE(routes)                             \
  do {                                            \
    Serve(routes);                                \
    if (IsSkipped() || HasFatalFailure()) return; \
  } while (0)

class CrawlerFetch : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ClearProxyEnvironment();
    ctx = testing::MakeContext(host);
  }
  // Skips the test when python3 is missing; fails it when the server does not start.
  void Serve(const std::string& routes) {
    std::string why;
    if (testing::FindPython3().empty()) GTEST_SKIP() << "python3 is not installed";
    ASSERT_TRUE(server.Start(temp / "site", routes, &why)) << why;
  }
  std::u16string Url(const std::string& path) { return Utf8ToUtf16(server.Origin() + path); }
  bool Fetch(const std::string& path, std::u16string_view kind, FetchResult& r) {
    return FetchUrl(session, *ctx, Url(path), kind, r);
  }

  TempDir temp;
  TestHost host;
  std::unique_ptr<AppContext> ctx;
  CrawlServer server;
  HttpSession session;
};

TEST_F(CrawlerFetch, FollowsRedirectsAndSendsAgentAndNoCache) {
  WriteFile(temp / "site/target/page.html", "<html>hello</html>");
  SERVE(R"({"/old": {"status": 301, "location": "/target/./page.html#frag"}})");
  ASSERT_TRUE(session.ok());
  FetchResult r;
  EXPECT_TRUE(Fetch("/old", kind::kHtml, r));
  EXPECT_EQ(r.status, 200u);
  EXPECT_EQ(r.finalUrl, Url("/target/page.html"));
  EXPECT_EQ(r.body, "<html>hello</html>");
  EXPECT_EQ(r.contentLength, 18);
  EXPECT_EQ(r.contentType, u"text/html; charset=utf-8");
  EXPECT_TRUE(r.error.empty());
  const auto log = server.RequestFields();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1][1], "/target/page.html");
  EXPECT_EQ(log[0][3], "ordanoWebCrawler/1.0");
  EXPECT_EQ(log[0][4], "no-cache");
  EXPECT_EQ(log[0][5], "no-cache");
}

TEST_F(CrawlerFetch, ReadsBodiesOnlyForPagesAndStylesheets) {
  WriteFile(temp / "site/pic.html", std::string(5000, 'P'));
  WriteFile(temp / "site/blob.bin", "<a href=x.html>");
  WriteFile(temp / "site/photo.png", std::string(300, 'I'));
  SERVE(R"({"/pic.html": {"type": "image/png"},
            "/blob.bin": {"type": "application/octet-stream"},
            "/nolen.html": {"body": "<p>twelve</p", "nolength": true},
            "/nolen.png": {"body": "zzz", "type": "image/png", "nolength": true}})");
  FetchResult r;
  EXPECT_TRUE(Fetch("/pic.html", kind::kHtml, r));
  EXPECT_EQ(ClassifyByContentType(r.contentType, kind::kHtml), kind::kImage);
  EXPECT_TRUE(r.body.empty());
  EXPECT_EQ(r.contentLength, 5000);
  EXPECT_TRUE(r.error.empty());

  EXPECT_TRUE(Fetch("/blob.bin", kind::kHtml, r));  // octet-stream keeps the fallback kind
  EXPECT_EQ(r.body, "<a href=x.html>");
  EXPECT_TRUE(Fetch("/blob.bin", kind::kImage, r));
  EXPECT_TRUE(r.body.empty());

  EXPECT_TRUE(Fetch("/nolen.html", kind::kHtml, r));
  EXPECT_EQ(r.body, "<p>twelve</p");
  EXPECT_EQ(r.contentLength, 12);  // no header: the bytes read
  EXPECT_TRUE(Fetch("/nolen.png", kind::kHtml, r));
  EXPECT_EQ(r.contentLength, 0);  // no header and no body read
  EXPECT_TRUE(r.error.empty());
}

TEST_F(CrawlerFetch, CutsBodiesAtEightMebibytes) {
  SERVE(R"({"/big.html": {"size": 9437184}})");
  FetchResult r;
  EXPECT_TRUE(Fetch("/big.html", kind::kHtml, r));
  EXPECT_EQ(r.body.size(), kMaxBodyBytes);
  EXPECT_EQ(r.contentLength, 9437184);
  EXPECT_TRUE(r.error.empty());
  EXPECT_GE(host.pumps, static_cast<int>(kMaxBodyBytes / 0x8000 / 8) - 1);
}

TEST_F(CrawlerFetch, ErrorStatusesStillReadTheBody) {
  SERVE("");
  FetchResult r;
  EXPECT_FALSE(Fetch("/missing.html", kind::kHtml, r));
  EXPECT_EQ(r.status, 404u);
  EXPECT_EQ(r.body, "<html><body>not found</body></html>");
  EXPECT_TRUE(r.error.empty());
}

TEST_F(CrawlerFetch, UnreachableServerGivesTheCommunicationMessage) {
  const ClosedPort closed;
  const std::string url = "http://127.0.0.1:" + closed.Text() + "/x.html";
  FetchResult r;
  EXPECT_FALSE(FetchUrl(session, *ctx, Utf8ToUtf16(url), kind::kHtml, r));
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.finalUrl, Utf8ToUtf16(url));
  EXPECT_TRUE(JapaneseText(r.error).starts_with(u"通信に失敗しました (7)。\r\n"))
      << Utf16ToUtf8(JapaneseText(r.error));
  EXPECT_GT(JapaneseText(r.error).size(), 20u);
}

TEST_F(CrawlerFetch, RedirectToNowhereIsACommunicationFailure) {
  const ClosedPort closed;
  SERVE(R"({"/away": {"status": 302, "location": "http://127.0.0.1:)" + closed.Text() + R"(/"}})");
  FetchResult r;
  EXPECT_FALSE(Fetch("/away", kind::kHtml, r));
  EXPECT_EQ(r.status, 0u);
  EXPECT_TRUE(JapaneseText(r.error).starts_with(u"通信に失敗しました"))
      << Utf16ToUtf8(JapaneseText(r.error));
  EXPECT_EQ(server.CountRequests("/away"), 2);  // opened twice
}

TEST_F(CrawlerFetch, CancelStopsReadingAndKeepsThePartialBody) {
  SERVE(R"({"/slow.html": {"chunk": 100, "interval": 0.02, "count": 3000}})");
  host.cancelAtPump = 2;
  FetchResult r;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Fetch("/slow.html", kind::kHtml, r));  // the status decides the result
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_TRUE(ctx->run.CancelRequested);
  EXPECT_FALSE(r.body.empty());
  EXPECT_LT(r.body.size(), 300000u);
  EXPECT_TRUE(r.error.empty());
  EXPECT_EQ(r.contentLength, static_cast<std::int64_t>(r.body.size()));
}

TEST_F(CrawlerFetch, TransferLimitEndsADrippingBodyAndKeepsWhatCame) {
  // Ten bytes a second never trips the stall guard; only the total limit ends it.
  SERVE(R"({"/drip.html": {"chunk": 3, "interval": 0.3, "count": 200}})");
  HttpSession limited(FetchOptions{std::chrono::seconds(2)});
  FetchResult r;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(FetchUrl(limited, *ctx, Url("/drip.html"), kind::kHtml, r));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(1900));
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_EQ(r.status, 200u);
  EXPECT_FALSE(r.body.empty());
  EXPECT_TRUE(r.body.starts_with("<p><p>"));
  EXPECT_EQ(r.contentLength, static_cast<std::int64_t>(r.body.size()));
  EXPECT_TRUE(JapaneseText(r.error).starts_with(u"受信に失敗しました (28)。\r\n"))
      << Utf16ToUtf8(JapaneseText(r.error));
  EXPECT_EQ(server.CountRequests("/drip.html"), 1);  // not opened again
  EXPECT_EQ(HttpSession().options().transferLimit, std::chrono::seconds(120));
}

}  // namespace
}  // namespace ordano
