// Settings from the command line: --set and its aliases for one run,
// --settings, --save, --profiles and --output.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "binary_test.h"
#include "run_binary.h"
#include "settings/settings_fields.h"
#include "settings/settings_files.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

class SettingsCli : public BinaryTest {
 protected:
  // Field=value lines of `--settings` with the extra arguments.
  std::map<std::string, std::string> Settings(std::vector<std::string> args = {}) {
    args.insert(args.begin(), "--settings");
    const auto r = RunOrdanou(args, Opts());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::map<std::string, std::string> values;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
      const auto eq = line.find('=');
      values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
  }
};

std::set<std::string> FileNames(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.insert(e.path().filename());
  return names;
}

// A value other than the default for every field, in its text form, distinct
// per field so that two fields sharing bytes would show.
std::string OtherValue(const SettingsField& f, const std::string& current, std::size_t index) {
  const std::string n = std::to_string(index);
  switch (f.type) {
    case FieldType::Flag:
    case FieldType::Flag16:
      return current == "1" ? "0" : "1";
    case FieldType::Int:
      return std::to_string(current == std::to_string(f.max) ? f.min : f.max);
    case FieldType::Colour:
      return "a1b2c3";
    case FieldType::Time:
      return "2021-03-" + std::string(index % 28 + 1 < 10 ? "0" : "") +
             std::to_string(index % 28 + 1) + "T05:06:07+00:00";
    case FieldType::Text:
      return "v" + n + " é\\n\\tx\\\\y";
  }
  return {};
}

TEST_F(SettingsCli, EveryFieldSetsAndReadsBackWithoutWritingTheFile) {
  const auto defaults = Settings();
  // The record's fields and the ones kept beside it.
  ASSERT_EQ(defaults.size(), SettingsFields().size() + 2);
  EXPECT_EQ(defaults.at("LibraryToo"), "0");
  EXPECT_EQ(defaults.at("Utf8Text"), "0");
  const std::string manual = ReadFile(std::string(ORDANO_SOURCE_DIR) + "/data/man/ordanou.1");
  std::vector<std::string> args;
  std::map<std::string, std::string> expected;
  for (std::size_t i = 0; i < SettingsFields().size(); ++i) {
    const SettingsField& f = SettingsFields()[i];
    ASSERT_EQ(defaults.count(std::string(f.name)), 1u) << f.name;
    EXPECT_NE(manual.find(".B " + std::string(f.name) + "\n"), std::string::npos) << f.name;
    const std::string value = OtherValue(f, defaults.at(std::string(f.name)), i);
    expected[std::string(f.name)] = value;
    // Names in any case.
    std::string name(f.name);
    if (i % 2 == 1) name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    args.push_back("--set");
    args.push_back(name + "=" + value);
  }
  args.insert(args.end(), {"--set", "LibraryToo=1", "--utf8"});
  expected["LibraryToo"] = "1";
  expected["Utf8Text"] = "1";
  const auto got = Settings(args);
  for (const auto& [name, value] : expected) EXPECT_EQ(got.at(name), value) << name;
  // --settings and --set read; they never write.
  EXPECT_FALSE(std::filesystem::exists(home / "ordanou.dat"));

  const auto json =
      RunOrdanou({"--settings", "--json", "--md5", "--set", "TargetName=a\"b"}, Opts());
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_NE(json.out.find("\"ComputeMd5\": 1,"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"TargetName\": \"a\\\"b\","), std::string::npos);
}

TEST_F(SettingsCli, AliasesSetTheirFields) {
  const auto got = Settings({"--md5", "--hidden", "--archives", "--shortcuts", "--depth", "3",
                             "--sort", "natural", "--reverse", "--size-unit", "mb", "--dates",
                             "--tree", "--relative", "--clipboard"});
  const std::map<std::string, std::string> expected = {
      {"ComputeMd5", "1"},    {"IncludeHidden", "1"},  {"ExpandArchives", "1"},
      {"ReadShortcuts", "1"}, {"SearchDepth", "3"},    {"ScanToDepth", "1"},
      {"SortOrder", "4"},     {"SortDescending", "1"}, {"SizeKB", "0"},
      {"SizeMB", "1"},        {"SizeAuto", "0"},       {"WriteDate", "1"},
      {"IndentTree", "1"},    {"RelativeOutput", "1"}, {"SaveToClipboard", "1"}};
  for (const auto& [name, value] : expected) EXPECT_EQ(got.at(name), value) << name;
  EXPECT_EQ(Settings({"--sort=created", "--size-unit=byte"}).at("SortOrder"), "5");
}

TEST_F(SettingsCli, BadInputIsRefusedAndNothingWritten) {
  WriteFile(work / "tree/a.txt", "a");
  MakeDirs(work / "out");
  const std::string longText(300, 'x');
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--set", "Nope=1"}, "no settings field is named Nope"},
      {{"--set", "includehiden=1"}, "did you mean IncludeHidden?"},
      {{"--set", "WindowLeft=5"}, "WindowLeft is not a field of the settings record"},
      {{"--set", "SortOrder=9"}, "SortOrder takes 0 to 5 or name, size"},
      {{"--sort", "random"}, "SortOrder takes"},
      {{"--set", "IncludeHidden=maybe"}, "IncludeHidden takes 0/1"},
      {{"--set", "HtmlBackColor=zz"}, "HtmlBackColor takes a colour"},
      {{"--set", "DateFromDate=2024-02-30"}, "DateFromDate takes a date as ISO 8601"},
      {{"--set", "TargetName=a\nb"}, "line break"},
      {{"--set", "ComputeMd5"}, "FIELD=VALUE"},
      {{"--depth"}, "--depth needs a value"},
      {{"--depth", "200"}, "SearchDepth takes -1 to 127"},
      {{"--size-unit", "gb"}, "byte, kb, mb or auto"},
      {{"--output", "out/"}, "file path"},
      {{"--save"}, "--save needs --set"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    if (c.args.size() > 1) {
      for (const char* a : {"/O:out", "/F:c.txt", "tree"}) args.push_back(a);
    }
    const auto r = RunOrdanou(args, Opts());
    EXPECT_EQ(r.exitCode, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  // A profile that does not exist is not created by --save.
  const auto r = RunOrdanou({"/P:7", "--save", "--md5"}, Opts());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("no profile 7"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(work / "out/c.txt"));
  EXPECT_FALSE(std::filesystem::exists(home / "ordanou.dat"));
  EXPECT_FALSE(std::filesystem::exists(home / "ordanou7.dat"));

  // A text longer than its field is cut, with a warning.
  const auto cut = RunOrdanou({"--settings", "--set", "TargetName=" + longText}, Opts());
  EXPECT_EQ(cut.exitCode, 0);
  EXPECT_NE(cut.err.find("cut to the 255 characters TargetName holds"), std::string::npos);
  EXPECT_NE(cut.out.find("TargetName=" + longText.substr(0, 255) + "\n"), std::string::npos);
}

TEST_F(SettingsCli, SaveChangesOnlyTheNamedFields) {
  WriteFile(work / "tree/a.txt", "a");
  ASSERT_EQ(RunOrdanou({"/O:.", "/F:c.txt", "tree"}, Opts()).exitCode, 0);
  const std::string before = ReadFile(home / "ordanou.dat");
  const auto r = RunOrdanou({"--save", "--md5", "--set", "targetname=T:"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string after = ReadFile(home / "ordanou.dat");
  ASSERT_EQ(after.size(), before.size());
  std::vector<std::string> changed;
  for (const SettingsField& f : SettingsFields()) {
    // SavedAt is stamped (the same text within the second of the first run).
    if (f.name != "SavedAt" && before.compare(f.offset, f.bytes, after, f.offset, f.bytes) != 0)
      changed.emplace_back(f.name);
  }
  EXPECT_EQ(changed, (std::vector<std::string>{"ComputeMd5", "TargetName"}));
  EXPECT_EQ(Settings().at("ComputeMd5"), "1");

  const auto profiles = RunOrdanou({"--profiles"}, Opts());
  EXPECT_EQ(profiles.exitCode, 0);
  EXPECT_EQ(profiles.out.rfind("0\t無題\t20", 0), 0u) << profiles.out;
}

TEST_F(SettingsCli, Md5CsvByOutputMatchesMd5sumForThisRunOnly) {
  WriteFile(work / "tree/a.txt", "abc");
  WriteFile(work / "tree/sub/b.bin", std::string(70000, 'q'));
  WriteFile(work / "tree/c.log", "");
  MakeDirs(work / "out");
  const auto r = RunOrdanou({"--md5", "--output", "out/x.csv", "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string csv = Utf16Catalogue(work / "out/x.csv");
  for (const char* file : {"tree/a.txt", "tree/sub/b.bin", "tree/c.log"}) {
    const auto sum = RunProgram("/usr/bin/md5sum", {work / file});
    ASSERT_EQ(sum.exitCode, 0);
    const std::string digest = sum.out.substr(0, 32);
    const std::string name = std::filesystem::path(file).filename();
    const auto row = csv.find(name);
    ASSERT_NE(row, std::string::npos) << csv;
    EXPECT_NE(csv.substr(row, csv.find('\n', row) - row).find(digest), std::string::npos)
        << name << "\n"
        << csv;
  }
  // The run's options were not saved.
  EXPECT_EQ(Settings().at("ComputeMd5"), "0");
  // --pattern is the run's wildcard.
  ASSERT_EQ(RunOrdanou({"--pattern", "*.txt", "--output", "out/y.txt", "tree"}, Opts()).exitCode,
            0);
  const std::string text = Utf16Catalogue(work / "out/y.txt");
  EXPECT_NE(text.find("a.txt"), std::string::npos);
  EXPECT_EQ(text.find("b.bin"), std::string::npos) << text;
}

// Profiles as the program keeps them: profile 1 a copy of profile 0 named
// "one", profile 2 created and deleted, ProfileCount 2.
class SettingsCliProfiles : public SettingsCli {
 protected:
  void SetUp() override {
    WriteFile(work / "tree/a.txt", "a");
    ASSERT_EQ(RunOrdanou({"/O:.", "/F:c.txt", "tree"}, Opts()).exitCode, 0);
    std::filesystem::copy_file(home / "ordanou.dat", home / "ordanou1.dat");
    ASSERT_TRUE(RewriteProfileName(folder, 1, MakeProfileName(u"one")));
    ASSERT_TRUE(RewriteProfileName(folder, 2, MakeProfileName(u"gone", true)));
    SetProfileCount(2);
  }
  void SetProfileCount(int count) {
    StartupRecord startup{};
    startup.ProfileCount = count;
    ASSERT_TRUE(WriteStartupRecord(folder, startup));
  }
  const std::string folder = home.path() + "/";
};

TEST_F(SettingsCliProfiles, RunWithAProfileNumberThatNamesNoProfileIsRefused) {
  const auto before = FileNames(home.path());
  const struct {
    std::string number;
    int status;
  } cases[] = {{"-1", 2}, {"999", 2}, {"3", 2}, {"2", 2}, {"1", 0}, {"0", 0}};
  for (const auto& c : cases) {
    const std::string out = "c" + c.number + ".txt";
    const auto r = RunOrdanou({"/P:" + c.number, "/O:.", "/F:" + out, "tree"}, Opts());
    EXPECT_EQ(r.exitCode, c.status) << c.number << "\n" << r.err;
    EXPECT_EQ(std::filesystem::exists(work / out), c.status == 0) << c.number;
    if (c.status != 0) {
      EXPECT_NE(r.err.find("no profile " + c.number), std::string::npos) << r.err;
    }
    // No settings or folder list file for a stray number.
    EXPECT_EQ(FileNames(home.path()), before) << c.number;
  }
}

// Profiles made, renamed and deleted from the command line, with the
// dialog's rules: numbers upwards and never reused, the current one kept.
TEST_F(SettingsCliProfiles, CreateRenameAndDeleteFromTheCommandLine) {
  const auto profiles = [&] {
    std::vector<std::string> listed;  // number and name; the save times vary
    std::istringstream in(RunOrdanou({"--profiles"}, Opts()).out);
    for (std::string line; std::getline(in, line);)
      listed.push_back(line.substr(0, line.rfind('\t')));
    return listed;
  };
  // Profile 3 does not exist yet: refused, the existing ones named.
  auto r = RunOrdanou({"/P:3", "/O:.", "/F:c.txt", "tree"}, Opts());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("no profile 3; the profiles are 0, 1 (--create-profile"), std::string::npos)
      << r.err;
  // ... unless --create-profile asks for it: 3 is the next number (2 was deleted).
  r = RunOrdanou({"/P:3", "--create-profile", "写真", "--md5", "-o", "p3.txt", "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "3\t写真\n" + work / "p3.txt" + "\n");
  EXPECT_EQ(std::filesystem::file_size(home / "ordanou3.dat"), 22824u);
  r = RunOrdanou({"/P:7", "--create-profile", "x"}, Opts());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("makes profile 4"), std::string::npos) << r.err;

  r = RunOrdanou({"--create-profile", "music"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "4\tmusic\n");
  ASSERT_EQ(RunOrdanou({"--rename-profile", "4", "songs"}, Opts()).exitCode, 0);
  ASSERT_EQ(RunOrdanou({"--delete-profile", "1"}, Opts()).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(home / "ordanou1.dat"));
  EXPECT_EQ(profiles(), (std::vector<std::string>{"0\t無題", "3\t写真", "4\tsongs"}));
  EXPECT_EQ(RunOrdanou({"--create-profile", "next"}, Opts()).out, "5\tnext\n");

  // The current profile stays; a deleted or unknown number is no profile.
  r = RunOrdanou({"--delete-profile", "0"}, Opts());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("使用中のプロファイルは削除できません。"), std::string::npos) << r.err;
  EXPECT_EQ(RunOrdanou({"--rename-profile", "1", "back"}, Opts()).exitCode, 2);
  EXPECT_EQ(RunOrdanou({"--delete-profile", "x"}, Opts()).exitCode, 2);
  EXPECT_EQ(RunOrdanou({"--rename-profile", "4"}, Opts()).exitCode, 2);
  EXPECT_EQ(profiles(), (std::vector<std::string>{"0\t無題", "3\t写真", "4\tsongs", "5\tnext"}));
}

TEST_F(SettingsCliProfiles, ProfilesFarPastAHoleInTheNameFileAreListed) {
  // Its name record lies about 100 GB into the file, after a hole; the count
  // claims every number there is.
  constexpr int kFar = 200'000'000;
  std::filesystem::copy_file(home / "ordanou.dat",
                             home / ("ordanou" + std::to_string(kFar) + ".dat"));
  ASSERT_TRUE(RewriteProfileName(folder, kFar, MakeProfileName(u"far")));
  SetProfileCount(INT_MAX);
  RunOptions o = Opts();
  o.timeoutSeconds = 60;
  const auto r = RunOrdanou({"--profiles"}, o);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> listed;  // number and name; the save times vary
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);)
    listed.push_back(line.substr(0, line.rfind('\t')));
  EXPECT_EQ(listed, (std::vector<std::string>{"0\t無題", "1\tone", "200000000\tfar"})) << r.out;
}

TEST_F(SettingsCli, ConcurrentSavesWaitForEachOtherAndAllLand) {
  ASSERT_EQ(RunOrdanou({"--save", "--set", "SortOrder=1"}, Opts()).exitCode, 0);
  const std::vector<std::string> fields = {"ComputeMd5",    "IncludeHidden",  "ExpandArchives",
                                           "ReadShortcuts", "SortDescending", "WriteDate",
                                           "IndentTree",    "RelativeOutput"};
  // Started together by one shell; each prints its field and exit status.
  std::vector<std::string> args = {
      "-c", "for f; do (\"$ORDANOU\" --save --set \"$f=1\"; echo \"$f $?\") & done; wait", "sh"};
  args.insert(args.end(), fields.begin(), fields.end());
  RunOptions o = Opts();
  o.env.push_back({"ORDANOU", ORDANOU_BINARY});
  const auto r = RunProgram("/bin/sh", args, o);
  ASSERT_EQ(r.exitCode, 0);
  const auto saved = Settings();
  for (const auto& f : fields) {
    EXPECT_NE(r.out.find(f + " 0\n"), std::string::npos) << r.out << r.err;
    EXPECT_EQ(saved.at(f), "1") << f;  // no save undid another
  }
  EXPECT_EQ(saved.at("SortOrder"), "1");
}

}  // namespace
}  // namespace ordano::testing
