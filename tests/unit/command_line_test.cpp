#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cctype>

#include "app/option_table.h"
#include "temp_dir.h"

namespace ordano {
namespace {

CommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(CommandLine, SwitchesThenPaths) {
  const auto cl = Parse({"/O:/tmp/out", "-f:cat.txt", "/c:ff0000", "/S", "/h", "/home/a", "b"});
  EXPECT_EQ(cl.outputFolder, "/tmp/out");
  EXPECT_EQ(cl.outputName, "cat.txt");
  EXPECT_EQ(cl.backColor, "ff0000");
  EXPECT_TRUE(cl.forceSaveDialog);
  EXPECT_FALSE(cl.usage);
  EXPECT_EQ(cl.paths, (std::vector<std::string>{"/home/a", "b"}));
}

TEST(CommandLine, SlashTokensAreSwitchesOnlyInTheirShortForms) {
  EXPECT_TRUE(IsSwitchToken("/?"));
  EXPECT_TRUE(IsSwitchToken("/O:x"));
  EXPECT_TRUE(IsSwitchToken("/o"));
  EXPECT_TRUE(IsSwitchToken("/p:2"));
  EXPECT_FALSE(IsSwitchToken("-anything"));  // an unknown option, not a switch
  EXPECT_FALSE(IsSwitchToken("/opt"));       // a folder, not /O
  EXPECT_FALSE(IsSwitchToken("/home"));      // H followed by more letters
  EXPECT_FALSE(IsSwitchToken("/s/data"));    // S followed by a path
  EXPECT_FALSE(IsSwitchToken("/"));
  EXPECT_FALSE(IsSwitchToken("-"));
  const auto cl = Parse({"/opt", "/O:x", "--", "/S"});
  // Switches may follow paths; after "--" everything is a path.
  EXPECT_EQ(cl.paths, (std::vector<std::string>{"/opt", "/S"}));
  EXPECT_EQ(cl.outputFolder, "x");
  EXPECT_FALSE(cl.forceSaveDialog);
}

TEST(CommandLine, UsageProfileAndLinuxOptions) {
  EXPECT_TRUE(Parse({"/?"}).usage);
  EXPECT_TRUE(Parse({"-?"}).usage);
  const auto p = Parse({"/P:2", "/data"});
  ASSERT_TRUE(p.profile.has_value());
  EXPECT_EQ(*p.profile, 2);
  EXPECT_EQ(p.paths, (std::vector<std::string>{"/data"}));
  EXPECT_TRUE(Parse({"/P"}).profileChooser);
  EXPECT_EQ(*Parse({"-p=7"}).profile, 7);
  const auto l = Parse({"--yes", "--version", "--help", "--bogus", "x"});
  EXPECT_TRUE(l.assumeYes);
  EXPECT_TRUE(l.version);
  EXPECT_TRUE(l.help);
  EXPECT_EQ(l.unknownOptions, (std::vector<std::string>{"--bogus"}));
  EXPECT_EQ(*Parse({"--crawl", "http://127.0.0.1/"}).crawlUrl, "http://127.0.0.1/");
  EXPECT_EQ(Parse({"--", "-x"}).paths, (std::vector<std::string>{"-x"}));
}

TEST(CommandLine, PathListIsCappedAndEmptyTokensSkipped) {
  std::vector<std::string> args(kMaxCommandLinePaths + 5, "p");
  args[3] = "";
  EXPECT_EQ(Parse(args).paths.size(), kMaxCommandLinePaths);
  EXPECT_TRUE(Parse({}).paths.empty());
}

TEST(CommandLine, DecimalValueReadsLikeTheEdits) {
  EXPECT_EQ(DecimalValue("  42abc"), 42);
  EXPECT_EQ(DecimalValue("-3"), -3);
  EXPECT_EQ(DecimalValue("x1"), 0);
  EXPECT_EQ(DecimalValue(""), 0);
  EXPECT_EQ(DecimalValue("99999999999"), 2147483647);
}

}  // namespace
}  // namespace ordano

namespace ordano {
namespace {

// Every option of the table is handled by the parser (given a value where
// it takes one, and after --find where it filters a search).
TEST(CommandLine, EveryOptionOfTheTableIsHandled) {
  for (const OptionEntry& o : Options()) {
    const std::string name(o.name);
    const auto cl = Parse({"--find", "q", name, "1", "2", "path"});
    EXPECT_TRUE(cl.unknownOptions.empty()) << name;  // a bad value is refused elsewhere
    if (o.shortForm != 0) {
      EXPECT_TRUE(Parse({std::string("-") + o.shortForm, "x"}).unknownOptions.empty()) << name;
    }
  }
}

// `word` in `text` not followed by more of a name ("\\-\\-library" is not
// "\\-\\-library\\-too").
bool HasWord(const std::string& text, const std::string& word) {
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const std::size_t end = at + word.size();
    if (end == text.size() || (!std::isalnum(static_cast<unsigned char>(text[end])) &&
                               text[end] != '\\' && text[end] != '-')) {
      return true;
    }
  }
  return false;
}

// The manual page and both completions know every option of the table.
TEST(CommandLine, ManualAndCompletionsNameEveryOption) {
  const std::string data = std::string(ORDANO_SOURCE_DIR) + "/data/";
  const std::string manual = testing::ReadFile(data + "man/ordanou.1");
  const std::string zsh = testing::ReadFile(data + "completion/_ordanou");
  // The words of the bash completion's option list.
  const std::string bashFile = testing::ReadFile(data + "completion/ordanou.bash");
  const std::size_t from = bashFile.find("local options=\"");
  ASSERT_NE(from, std::string::npos);
  const std::size_t begin = from + 15;
  std::string bash = " " + bashFile.substr(begin, bashFile.find('"', begin) - begin) + " ";
  for (char& c : bash) c = c == '\n' ? ' ' : c;
  for (const OptionEntry& o : Options()) {
    const std::string name(o.name);
    std::string roff;
    for (const char c : o.name) roff += c == '-' ? "\\-" : std::string(1, c);
    EXPECT_TRUE(HasWord(manual, roff)) << name << " in ordanou.1";
    EXPECT_NE(bash.find(" " + name + " "), std::string::npos) << name << " in bash";
    if (o.shortForm == 0) {
      EXPECT_NE(zsh.find(name + "["), std::string::npos) << name << " in zsh";
      continue;
    }
    const std::string s = std::string("-") + o.shortForm;
    EXPECT_NE(manual.find("\\" + s + ", " + roff), std::string::npos) << s << " in ordanou.1";
    EXPECT_NE(bash.find(" " + s + " "), std::string::npos) << s << " in bash";
    EXPECT_NE(zsh.find("{" + s + "," + name + "}"), std::string::npos) << s << " in zsh";
  }
}

}  // namespace
}  // namespace ordano
