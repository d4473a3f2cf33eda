// Every host serves the same scripted drop run the same way: the save dialog's
// answer and the overwrite question decide, and the written bytes do not
// depend on who asked.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/console_host.h"
#include "platform/unicode.h"
#include "run/run_driver.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::TempDir;

// The user's part of the run: save as `path`, then answer Yes to the
// overwrite question.
struct Script {
  std::string path;
};

class ScriptedHost {
 public:
  virtual ~ScriptedHost() = default;
  virtual RunHost& Host() = 0;
  virtual void Expect(const Script& script) = 0;
};

class ScriptedTestHost final : public ScriptedHost {
 public:
  RunHost& Host() override { return host_; }
  void Expect(const Script& s) override {
    SaveDialogState answer;
    answer.fileName = s.path;
    answer.lineWidthText = u"0";
    host_.saveAnswers = {answer};
    host_.answers = {MsgAnswer::Yes};
  }

 private:
  testing::TestHost host_;
};

// The console host answers on its terminal: the script is typed on stdin.
class ScriptedConsoleHost final : public ScriptedHost {
 public:
  ScriptedConsoleHost() : host_({.assumeYes = false, .interactive = true}) {
    saved_ = std::cin.rdbuf(input_.rdbuf());
  }
  ~ScriptedConsoleHost() override { std::cin.rdbuf(saved_); }
  RunHost& Host() override { return host_; }
  void Expect(const Script& s) override {
    // The console's save prompt has no panel: it keeps the proposal's states.
    input_.clear();
    input_.str(s.path + "\ny\n");
  }

 private:
  ConsoleHost host_;
  std::istringstream input_;
  std::streambuf* saved_ = nullptr;
};

using HostFactory = std::function<std::unique_ptr<ScriptedHost>()>;

// Runs the script twice (new file, then overwrite) and returns the catalogue.
std::string ScriptedDropRun(ScriptedHost& scripted, const TempDir& dir) {
  const std::vector<std::string> drop = {dir / "tree"};
  const std::string out = dir / "out.txt";
  std::remove(out.c_str());
  AppContext ctx;
  ctx.SetHost(scripted.Host());
  ctx.settings.ScanToDepth = 1;
  ctx.settings.ConfirmOverwrite = 1;
  ctx.settings.OmitVolumeName = 1;

  scripted.Expect({out});
  const RunResult first = DropRun(ctx, drop);
  EXPECT_EQ(first.outcome, RunOutcome::Written);
  EXPECT_EQ(first.writtenPath, out);
  const std::string once = testing::ReadFile(out);

  scripted.Expect({out});
  EXPECT_EQ(DropRun(ctx, drop).outcome, RunOutcome::Written);
  EXPECT_EQ(testing::ReadFile(out), once);
  EXPECT_EQ(TextOf(ctx.settings.OutputFile), Utf8ToUtf16(out));  // remembered
  EXPECT_FALSE(ctx.run.TableAllocated);
  return once;
}

TEST(HostConformance, ScriptedDropRunWritesTheSameCatalogueThroughEveryHost) {
  TempDir dir;
  testing::WriteFile(dir / "tree/a.txt", "alpha");
  testing::WriteFile(dir / "tree/sub/b.txt", "be");
  const std::vector<std::pair<const char*, HostFactory>> hosts = {
      {"test", [] { return std::unique_ptr<ScriptedHost>(std::make_unique<ScriptedTestHost>()); }},
      {"console",
       [] { return std::unique_ptr<ScriptedHost>(std::make_unique<ScriptedConsoleHost>()); }},
  };
  std::string expected;
  for (const auto& [name, make] : hosts) {
    SCOPED_TRACE(name);
    const std::string catalogue = ScriptedDropRun(*make(), dir);
    EXPECT_NE(catalogue.find(std::string("a\0.\0t\0x\0t\0", 10)), std::string::npos);
    if (expected.empty()) expected = catalogue;
    EXPECT_EQ(catalogue, expected);
  }
}

}  // namespace
}  // namespace ordano
