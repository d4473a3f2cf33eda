// ordanou --crawl against a real HTTP server on 127.0.0.1: the catalogue file
// it writes, its exit status and what the server was asked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "../crawl_server/crawl_server.h"
#include "binary_test.h"
#include "platform/unicode.h"
#include "run_binary.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

#define SERVE(server, dir, routes)                                         \
  do {                                                                     \
    if (FindPython3().empty()) GTEST_SKIP() << "python3 is not installed"; \
    std::string why;                                                       \
    ASSERT_TRUE((server).Start(dir, routes, &why)) << why;                 \
  } while (0)

class CrawlCommand : public BinaryTest {
 protected:
  ProcessResult RunCrawl(const std::string& url, const std::string& name = "cat.txt") {
    MakeDirs(work / "out");
    return RunOrdanou({"--crawl", url, "/O:" + (work / "out"), "/F:" + name}, Opts());
  }
  std::string Catalogue(const std::string& name = "cat.txt") {
    return Utf16Catalogue(work / ("out/" + name));
  }
  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }
};

TEST_F(CrawlCommand, WritesTheSiteBelowTheRedirectedStartAndFetchesNothingOutside) {
  CrawlServer site, otherPort;
  SERVE(otherPort, work / "other", "");
  SERVE(site, work / "site", R"({"/start": {"status": 302, "location": "/docs/index.html"},
                                 "/docs/pic.html": {"type": "image/png"}})");
  const std::string o = site.Origin();
  WriteFile(work / "site/docs/index.html",
            "<title>t</title><link rel=stylesheet href=style.css>"
            "<a href=a.html>a</a><a href=b.html>b</a><a href=missing.html>m</a>"
            "<a href=pic.html>p</a><a href=../parent.html>up</a>"
            "<a href=\"http://localhost:" +
                std::to_string(site.port()) +
                "/docs/a.html\">host</a>"
                "<a href=\"" +
                otherPort.Origin() + "/docs/c.html\">port</a>");
  WriteFile(work / "site/docs/style.css",
            "body{background:url('img/back.png')} @font-face{src:url(fonts/f.woff2)}");
  WriteFile(work / "site/docs/a.html", "<a href=b.html>loop</a><a href=index.html>home</a>");
  WriteFile(work / "site/docs/b.html", "<a href=a.html>loop</a>");
  WriteFile(work / "site/docs/pic.html", std::string(1234, 'x') + "<a href=hidden.html>");
  WriteFile(work / "site/parent.html", "<a href=docs/never.html>");

  const ProcessResult r = RunCrawl(o + "/start");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, work / "out/cat.txt" + "\n");
  // Status lines are for a terminal; a log gets none of them.
  EXPECT_EQ(r.err, "");

  const std::string text = Catalogue();
  for (const char* part : {"start", "style.css", "a.html", "b.html", "missing.html", "pic.html",
                           "parent.html", "back.png", "f.woff2"}) {
    EXPECT_TRUE(Has(text, part)) << part << "\n" << text;
  }
  EXPECT_TRUE(Has(text, "ターゲットフォルダ：" + o + "/docs/\r\n")) << text;
  EXPECT_TRUE(Has(text, "ターゲットフォルダ：" + o + "/docs/img/\r\n")) << text;
  EXPECT_TRUE(Has(
      text, "ターゲットフォルダ：http://localhost:" + std::to_string(site.port()) + "/docs/\r\n"));
  EXPECT_TRUE(Has(text, "ターゲットフォルダ：" + otherPort.Origin() + "/docs/\r\n"));
  EXPECT_TRUE(Has(text, "1,254Byte")) << text;  // the image's length, its body unread
  EXPECT_FALSE(Has(text, "hidden.html"));
  // index.html is the start's redirect target, listed once as "start".
  EXPECT_FALSE(Has(text, "index.html"));
  EXPECT_FALSE(Has(text, "never.html"));

  // Each in-scope page once (the loop a <-> b included); nothing out of scope.
  for (const char* path : {"/start", "/docs/index.html", "/docs/style.css", "/docs/a.html",
                           "/docs/b.html", "/docs/missing.html", "/docs/pic.html"}) {
    EXPECT_EQ(site.CountRequests(path), 1) << path;
  }
  EXPECT_EQ(site.Requests().size(), 7u);
  for (const auto& f : site.RequestFields()) {
    EXPECT_EQ(f[2], "127.0.0.1:" + std::to_string(site.port()));
    EXPECT_EQ(f[3], "ordanoWebCrawler/1.0");
  }
  EXPECT_TRUE(otherPort.Requests().empty());

  // The JSON catalogue tells each URL's kind and status (null: never fetched).
  ASSERT_EQ(RunCrawl(o + "/start", "cat.json").exitCode, 0);
  std::ifstream in(work / "out/cat.json");
  const auto doc = nlohmann::json::parse(in);
  std::map<std::string, std::string> seen;
  for (const auto& e : doc["entries"]) {
    seen[e["name"].get<std::string>()] =
        e["kind"].get<std::string>() + " " + (e["status"].is_null() ? "null" : e["status"].dump());
  }
  EXPECT_EQ(seen["start"], "HTML 200");
  EXPECT_EQ(seen["style.css"], "Stylesheet 200");
  EXPECT_EQ(seen["missing.html"], "HTML 404");
  EXPECT_EQ(seen["pic.html"], "Image 200");
  EXPECT_EQ(seen["back.png"], "Image null");
  EXPECT_EQ(seen["parent.html"], "HTML null");
  EXPECT_EQ(seen.size(), 10u);  // a.html twice (two hosts), one name
}

TEST_F(CrawlCommand, DecodesShiftJisAndEucJpPages) {
  CrawlServer site;
  SERVE(site, work / "site", R"({"/sjis.html": {"type": "text/html"},
                                 "/euc.html": {"type": "text/html; charset=EUC-JP"}})");
  // 日本 in Shift_JIS (93 FA 96 7B) with only a meta charset; 漢字 in EUC-JP (B4 C1 BB FA).
  WriteFile(work / "site/sjis.html",
            "<meta http-equiv=Content-Type content=\"text/html; charset=Shift_JIS\">"
            "<a href=\"\x93\xfa\x96\x7b.html\">x</a><a href=euc.html>e</a>");
  WriteFile(work / "site/euc.html", "<a href=\"\xb4\xc1\xbb\xfa.html\">k</a>");
  WriteFile(work / "site/日本.html", "<p>");
  const ProcessResult r = RunCrawl(site.Origin() + "/sjis.html");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = Catalogue();
  EXPECT_TRUE(Has(text, "日本.html")) << text;
  EXPECT_TRUE(Has(text, "漢字.html")) << text;
  // The decoded names went out as UTF-8 escapes.
  EXPECT_EQ(site.CountRequests("/%E6%97%A5%E6%9C%AC.html"), 1);
  EXPECT_EQ(site.CountRequests("/%E6%BC%A2%E5%AD%97.html"), 1);
}

TEST_F(CrawlCommand, CutsBodiesOverEightMebibytes) {
  CrawlServer site;
  SERVE(site, work / "site", R"({"/big.html": {"size": 9437184,
      "head": "<html><a href=early.png>e</a>", "tail": "<a href=late.png>l</a>"}})");
  const ProcessResult r = RunCrawl(site.Origin() + "/big.html");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = Catalogue();
  EXPECT_TRUE(Has(text, "early.png"));
  EXPECT_FALSE(Has(text, "late.png"));
  EXPECT_TRUE(Has(text, "9,437,184Byte")) << text;  // the length the server announced
}

TEST_F(CrawlCommand, DepthLimitListsTheLinksOfDepth32ButFetchesNoDeeper) {
  CrawlServer site;
  SERVE(site, work / "site", "");
  for (int i = 0; i <= 35; ++i) {
    WriteFile(work / ("site/p" + std::to_string(i) + ".html"),
              "<a href=p" + std::to_string(i + 1) + ".html>n</a>");
  }
  const ProcessResult r = RunCrawl(site.Origin() + "/p0.html");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = Catalogue();
  EXPECT_TRUE(Has(text, "p33.html"));
  EXPECT_FALSE(Has(text, "p34.html"));
  EXPECT_EQ(site.CountRequests("/p32.html"), 1);
  EXPECT_EQ(site.CountRequests("/p33.html"), 0);
}

TEST_F(CrawlCommand, RefusesBadInputAndReportsAFailingStart) {
  ProcessResult r = RunCrawl("  ");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Has(r.err, "Web検索 [info]: リスト化したいページのURLを入力してください。")) << r.err;
  r = RunCrawl("ftp://127.0.0.1/x");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Has(r.err, "http:// または https:// で始まる正しいURLを入力してください。")) << r.err;

  CrawlServer site;
  SERVE(site, work / "site", "");
  r = RunCrawl(site.Origin() + "/gone/");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(Has(r.err, "Web検索 [error]: 開始URLの取得に失敗しました（HTTP 404）。")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(work / "out/cat.txt"));
}

// Ctrl-C during a slow page: the crawl stops, the result so far is written
// (no terminal to ask) and the exit status says it was cancelled.
TEST_F(CrawlCommand, InterruptSavesThePartialResultAndExitsCancelled) {
  CrawlServer site;
  SERVE(site, work / "site", R"({"/slow.html": {"chunk": 50, "interval": 0.05, "count": 2400}})");
  WriteFile(work / "site/index.html",
            "<a href=slow.html>s</a><a href=next.html>n</a><img src=i.png>");
  WriteFile(work / "site/next.html", "<a href=never.html>");
  MakeDirs(work / "out");
  const std::string errPath = work / "stderr.txt";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int out = open((work / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    setsid();
    for (const auto& [k, v] : Opts().env) {
      if (v.empty())
        unsetenv(k.c_str());
      else
        setenv(k.c_str(), v.c_str(), 1);
    }
    setenv("ASAN_OPTIONS", "detect_leaks=1", 1);
    if (chdir(work.path().c_str()) != 0) _exit(126);
    const std::string o = "/O:" + (work / "out");
    execl(ORDANOU_BINARY, ORDANOU_BINARY, "--crawl", (site.Origin() + "/index.html").c_str(),
          o.c_str(), "/F:cat.txt", static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait until the slow page is being read, then interrupt.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (site.CountRequests("/slow.html") == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(pid, SIGINT);
  int status = 0;
  bool ended = false;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  ASSERT_TRUE(ended) << "ordanou did not end after the interrupt";
  const std::string err = ReadFile(errPath);
  ASSERT_TRUE(WIFEXITED(status)) << err;
  EXPECT_EQ(WEXITSTATUS(status), 4) << err;
  EXPECT_TRUE(Has(err, "cancelled; the result so far was written")) << err;
  const std::string text = Catalogue();
  EXPECT_TRUE(Has(text, "slow.html"));
  EXPECT_TRUE(Has(text, "next.html"));
  EXPECT_TRUE(Has(text, "i.png"));
  EXPECT_EQ(site.CountRequests("/next.html"), 0);
}

}  // namespace
}  // namespace ordano::testing
