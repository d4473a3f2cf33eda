// What people type by habit: short forms, options after paths, "~" in the
// switches, mistyped options, and what each prints where.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "binary_test.h"
#include "run_binary.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

class OptionHabits : public BinaryTest {};

struct Habit {
  const char* what;
  std::vector<std::string> args;  // "@" stands for the work folder
  int status;
  std::string out;        // stdout starts with this ("" : empty)
  std::string err;        // stderr holds this ("" : empty)
  std::string catalogue;  // written here (relative to work) ...
  std::string holds;      // ... and holding this
};

TEST_F(OptionHabits, EachRowGivesItsStatusAndOutput) {
  WriteFile(work / "tree/a.txt", "abc");
  MakeDirs(work / "out");
  const std::string md5 = "900150983cd24fb0d6963f7d28e17f72";
  const std::vector<Habit> habits = {
      {"-o PATH", {"-o", "out/o.txt", "tree"}, 0, "@/out/o.txt\n", "", "out/o.txt", "a.txt"},
      {"an option after a path",
       {"--output", "out/m.txt", "tree", "--md5"},
       0,
       "@/out/m.txt\n",
       "",
       "out/m.txt",
       md5},
      {"a switch after a path",
       {"tree", "/F:s.txt", "/O:out"},
       0,
       "@/out/s.txt\n",
       "",
       "out/s.txt",
       "a.txt"},
      {"~/ after /O:",
       {"/O:~/out", "/F:t.txt", "tree"},
       0,
       "@/out/t.txt\n",
       "",
       "out/t.txt",
       "a.txt"},
      {"~/ after /F:", {"/F:~/out/u.txt", "tree"}, 0, "@/out/u.txt\n", "", "out/u.txt", "a.txt"},
      {"--name=VALUE",
       {"--output=out/e.txt", "tree"},
       0,
       "@/out/e.txt\n",
       "",
       "out/e.txt",
       "a.txt"},
      {"--yes overwrites silently",
       {"--yes", "-o", "out/o.txt", "tree"},
       0,
       "@/out/o.txt\n",
       "",
       "out/o.txt",
       "a.txt"},
      {"-q says nothing", {"-q", "--yes", "-o", "out/o.txt", "tree"}, 0, "", "", "", ""},
      {"-h", {"-h"}, 0, "Usage: ordanou [options]", "", "", ""},
      {"-V", {"-V"}, 0, "ordanou ", "", "", ""},
      {"/? keeps its usage text", {"/?"}, 0, "ordano.exe\nUsage:", "", "", ""},
      {"unknown -x", {"-x", "tree"}, 2, "", "unknown option -x (see --help)", "", ""},
      {"-v for -V", {"-v"}, 2, "", "unknown option -v; did you mean --version?", "", ""},
      {"a mistyped option",
       {"tree", "--mdd5"},
       2,
       "",
       "unknown option --mdd5; did you mean --md5?",
       "",
       ""},
      {"a flag with a value", {"--yes=1", "tree"}, 2, "", "--yes takes no value", "", ""},
      {"a missing value", {"tree", "-o"}, 2, "", "--output needs a value", "", ""},
      {"after -- a path",
       {"-o", "out/d.txt", "--", "-x"},
       3,
       "",
       "-x: no such file or folder",
       "",
       ""},
      {"a missing output folder",
       {"-o", "out/none/x.txt", "tree"},
       3,
       "",
       "@/out/none/x.txt: No such file or directory\nファイルの生成または書き出しに失敗しました。",
       "",
       ""},
      {"a folder as destination", {"-o", "out/", "tree"}, 2, "", "give a file path", "", ""},
      {"/F: naming a folder", {"/O:@", "/F:out", "tree"}, 3, "", "@/out: Is a directory\n", "", ""},
  };
  RunOptions o = Opts();
  o.env.emplace_back("HOME", work.path());
  const auto expand = [&](std::string s) {
    for (std::size_t at; (at = s.find('@')) != std::string::npos;) s.replace(at, 1, work.path());
    return s;
  };
  for (const Habit& h : habits) {
    std::vector<std::string> args;
    for (const std::string& a : h.args) args.push_back(expand(a));
    const ProcessResult r = RunOrdanou(args, o);
    EXPECT_EQ(r.exitCode, h.status) << h.what << "\n" << r.err;
    if (h.out.empty()) {
      EXPECT_EQ(r.out, "") << h.what;
    } else {
      EXPECT_TRUE(r.out.starts_with(expand(h.out))) << h.what << ": " << r.out;
    }
    if (h.err.empty()) {
      EXPECT_EQ(r.err, "") << h.what;
    } else {
      EXPECT_NE(r.err.find(expand(h.err)), std::string::npos) << h.what << ": " << r.err;
    }
    if (!h.catalogue.empty()) {
      EXPECT_NE(Utf16Catalogue(work / h.catalogue).find(h.holds), std::string::npos) << h.what;
    }
  }
  // Nothing was taken for a file name that was an option.
  for (const char* stray : {"-", "-o", "--md5", "-x", "~"}) {
    EXPECT_FALSE(std::filesystem::exists(work / stray)) << stray;
  }
  // --help is this program's, not the Windows usage line.
  const std::string help = RunOrdanou({"--help"}, o).out;
  EXPECT_EQ(help.find("ordano.exe"), std::string::npos);
  EXPECT_NE(help.find("  -o, --output PATH"), std::string::npos) << help;
}

}  // namespace
}  // namespace ordano::testing
