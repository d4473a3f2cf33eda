#include "app/console_host.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/run_state.h"
#include "temp_dir.h"

namespace ordano {
namespace {

// What the host wrote to stderr while `body` ran.
template <class Body>
std::string CapturedStderr(Body body) {
  testing::TempDir dir;
  const std::string path = dir / "stderr";
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  std::FILE* file = std::fopen(path.c_str(), "w");
  dup2(fileno(file), STDERR_FILENO);
  body();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::fclose(file);
  return testing::ReadFile(path);
}

// A file name may carry terminal escape sequences; none may reach the terminal.
TEST(ConsoleHost, ControlCharactersFromNamesNeverReachTheTerminal) {
  const std::u16string name =
      u"/d/\x1b]0;owned\x07\x9b"
      u"2J.txt";
  const std::string out = CapturedStderr([&] {
    ConsoleHost host({.assumeYes = false, .interactive = false, .progressOnStderr = true});
    host.MessageBox(name + u"\nﾌｧｲﾙはすでに存在しています。", u"上書き", MsgIcon::Question,
                    MsgButtons::Ok);
    RunState run;
    run.Md5StatusText = u"MD5: " + name;
    host.ProgressBegin(run);
    host.ShowCrawlText(CrawlText::Progress, u"検索中: 1件\r\nhttp://h/\x1b[2J\r\n上限");
    host.ProgressEnd(run);
  });
  EXPECT_EQ(out.find("\x1b]"), std::string::npos);
  EXPECT_EQ(out.find('\x07'), std::string::npos);
  EXPECT_EQ(out.find("\xc2\x9b"), std::string::npos);
  EXPECT_EQ(out.find("\x1b[2J"), std::string::npos);
  EXPECT_NE(out.find("/d/?]0;owned??2J.txt\n"), std::string::npos);  // the message's break stays
  EXPECT_NE(out.find("http://h/?[2J"), std::string::npos);
}

}  // namespace
}  // namespace ordano
