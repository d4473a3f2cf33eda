// The update check against a loopback server, the archive's extraction and
// the installer script run for real in a temporary program folder.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../crawl_server/crawl_server.h"
#include "run_binary.h"
#include "temp_dir.h"
#include "test_host.h"
#include "update/installer_script.h"
#include "update/update_check.h"
#include "update/update_extract.h"
#include "update/update_flow.h"

namespace ordano {
namespace {

namespace fs = std::filesystem;
using testing::CrawlServer;
using testing::MakeDirs;
using testing::ReadFile;
using testing::SetMtime;
using testing::TempDir;
using testing::TestHost;
using testing::WriteFile;

struct ZipEntry {
  std::string name;
  std::string content;
  std::string linkTarget;  // non-empty: a symbolic link
};

void WriteZip(const std::string& path, const std::vector<ZipEntry>& entries) {
  std::unique_ptr<archive, decltype(&archive_write_free)> a(archive_write_new(),
                                                            archive_write_free);
  archive_write_set_format_zip(a.get());
  ASSERT_EQ(archive_write_open_filename(a.get(), path.c_str()), ARCHIVE_OK);
  for (const auto& e : entries) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                        archive_entry_free);
    archive_entry_set_pathname(entry.get(), e.name.c_str());
    const bool dir = !e.name.empty() && e.name.back() == '/';
    if (!e.linkTarget.empty()) {
      archive_entry_set_filetype(entry.get(), AE_IFLNK);
      archive_entry_set_symlink(entry.get(), e.linkTarget.c_str());
    } else {
      archive_entry_set_filetype(entry.get(), dir ? AE_IFDIR : AE_IFREG);
      archive_entry_set_size(entry.get(), static_cast<la_int64_t>(e.content.size()));
    }
    archive_entry_set_perm(entry.get(), 0755);
    ASSERT_EQ(archive_write_header(a.get(), entry.get()), ARCHIVE_OK) << e.name;
    if (!e.content.empty()) archive_write_data(a.get(), e.content.data(), e.content.size());
  }
  archive_write_close(a.get());
}

std::string HttpDate(std::int64_t t) {
  const time_t tt = static_cast<time_t>(t);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &tm);
  return buf;
}

TEST(UpdateConfigTest, AddressesFromTheBuildHostOrTheOverride) {
  const auto built = ChooseUpdateEndpoints("updates.example.org", nullptr);
  ASSERT_EQ(built.status, EndpointStatus::Ok);
  EXPECT_EQ(built.endpoints.download, "https://updates.example.org/download/ordano08.zip");
  EXPECT_EQ(built.endpoints.notice, "https://updates.example.org/top/abcd");
  EXPECT_EQ(built.endpoints.support, "https://updates.example.org/ordano");
  EXPECT_EQ(ChooseUpdateEndpoints("", nullptr).status, EndpointStatus::Off);
  EXPECT_EQ(ChooseUpdateEndpoints("", "").status, EndpointStatus::Off);

  const auto mirror = ChooseUpdateEndpoints("", "http://127.0.0.1:8080/x/new.zip");
  ASSERT_EQ(mirror.status, EndpointStatus::Ok);
  EXPECT_EQ(mirror.endpoints.notice, "http://127.0.0.1:8080/top/abcd");
  EXPECT_EQ(ChooseUpdateEndpoints("h", "https://mirror.example/u.zip").endpoints.download,
            "https://mirror.example/u.zip");
  for (const char* refused : {"http://mirror.example/u.zip", "http://127.evil.example/u.zip",
                              "ftp://127.0.0.1/u.zip", "not a url"}) {
    EXPECT_EQ(ChooseUpdateEndpoints("h", refused).status, EndpointStatus::Refused) << refused;
  }
}

class UpdateServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ClearProxyEnvironment();
    exe = prog / "ordanou";
    WriteFile(exe, "old");
    SetMtime(exe, kProgramTime);
  }
  void Serve(const std::string& routes) {
    std::string why;
    if (!server.Start(site.path(), routes, &why)) GTEST_SKIP() << why;
  }
  UpdateSetup Setup(const std::string& path) {
    UpdateSetup s;
    s.source = ChooseUpdateEndpoints("", (server.Origin() + path).c_str());
    s.executable = exe;
    s.programDir = prog.path();
    s.tempDir = work.path();
    return s;
  }
  static std::string LastModified(std::int64_t t) {
    return R"({"status": 200, "body": "zip", "headers": {"Last-Modified": ")" + HttpDate(t) +
           R"("}})";
  }

  static constexpr std::int64_t kProgramTime = 1700000000;
  TempDir prog, work, site;
  std::string exe;
  CrawlServer server;
  TestHost host;
};

TEST_F(UpdateServerTest, LastModifiedAgainstProgramTimeAndStamp) {
  const std::int64_t P = kProgramTime;
  Serve(R"({"/p120": )" + LastModified(P + 120) + R"(, "/p121": )" + LastModified(P + 121) +
        R"(, "/t": )" + LastModified(P - 5000) + R"(, "/t1": )" + LastModified(P - 4999) +
        R"(, "/none": {"status": 200, "body": "x"})" +
        R"(, "/bad": {"status": 200, "body": "x", "headers": {"Last-Modified": "yesterday"}})" +
        R"(, "/404": {"status": 404, "body": "gone", "headers": {"Last-Modified": ")" +
        HttpDate(P + 9999) + R"("}}})");
  const auto status = [&](const std::string& path) {
    return CheckUpdateServer(Setup(path)).status;
  };
  EXPECT_EQ(status("/p120"), UpdateCheckStatus::UpToDate);
  EXPECT_EQ(status("/p121"), UpdateCheckStatus::Newer);
  EXPECT_EQ(CheckUpdateServer(Setup("/p121")).serverTime, P + 121);
  for (const char* failing : {"/none", "/bad", "/404"}) {
    EXPECT_EQ(status(failing), UpdateCheckStatus::Failed) << failing;
  }

  // A stamp decides alone: equal is not newer, even far below the program's time.
  WriteFile(prog / kUpdateStampName, std::to_string(P - 5000) + "\n");
  EXPECT_EQ(status("/t"), UpdateCheckStatus::UpToDate);
  EXPECT_EQ(status("/t1"), UpdateCheckStatus::Newer);
  // An empty first line is no stamp.
  WriteFile(prog / kUpdateStampName, "\n" + std::to_string(P + 500) + "\n");
  EXPECT_EQ(status("/p120"), UpdateCheckStatus::UpToDate);
  EXPECT_EQ(status("/p121"), UpdateCheckStatus::Newer);

  // The request: the agent, no cache, a cache-buster.
  const auto fields = server.RequestFields();
  ASSERT_FALSE(fields.empty());
  EXPECT_TRUE(fields[0][1].starts_with("/p120?t=")) << fields[0][1];
  EXPECT_EQ(fields[0][3], "ordanoUpdateCheck/1.0");
  EXPECT_EQ(fields[0][4], "no-cache");

  // The manual check tells every outcome; the start-up check only offers.
  EXPECT_FALSE(CheckForUpdate(host, Setup("/none")));
  EXPECT_FALSE(StartupUpdateCheck(host, Setup("/none")));
  EXPECT_FALSE(CheckForUpdate(host, Setup("/p120")));
  EXPECT_FALSE(StartupUpdateCheck(host, Setup("/p120")));
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].text, JapaneseText(MsgId::UpdateCheckFailed));
  EXPECT_EQ(host.messages[1].text, JapaneseText(MsgId::UpToDate));
  EXPECT_EQ(host.messages[1].caption, JapaneseText(MsgId::CaptionOrdano));
  host.messages.clear();
  EXPECT_FALSE(StartupUpdateCheck(host, Setup("/p121")));  // answered No
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, JapaneseText(MsgId::UpdateOfferAtStart));
  UpdateSetup off = Setup("/p121");
  off.source = ChooseUpdateEndpoints("", nullptr);
  host.messages.clear();
  EXPECT_FALSE(CheckForUpdate(host, off));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, JapaneseText(MsgId::UpdateOff));
}

TEST_F(UpdateServerTest, DownloadNeedsStatus200AndTheNoticeIsPosted) {
  MakeDirs(site / "download");
  WriteZip(site / "download/u.zip", {{"ordanou", "new", ""}});
  Serve(R"({"/missing.zip": {"status": 404, "body": "<html>not found</html>"}})");
  const std::string target = work / "got.zip";
  EXPECT_EQ(DownloadFile(server.Origin() + "/missing.zip", target), DownloadStatus::Failed);
  EXPECT_FALSE(fs::exists(target));
  ASSERT_EQ(DownloadFile(server.Origin() + "/download/u.zip", target), DownloadStatus::Ok);
  EXPECT_EQ(ReadFile(target), ReadFile(site / "download/u.zip"));
  // A body beyond the limit is no update either.
  DownloadOptions small;
  small.maxBytes = 10;
  EXPECT_EQ(DownloadFile(server.Origin() + "/download/u.zip", target, small),
            DownloadStatus::Failed);
  EXPECT_FALSE(fs::exists(target));

  PostDownloadNotice(Setup("/download/u.zip").source.endpoints);
  const auto fields = server.RequestFields();
  ASSERT_EQ(fields.back()[0], "POST");
  EXPECT_EQ(fields.back()[1], "/top/abcd");
  EXPECT_EQ(fields.back()[6], "file=http%3A%2F%2F127.0.0.1%3A" + std::to_string(server.port()) +
                                  "%2Fdownload%2Fu.zip");
}

// A server that drips a few bytes a second: the download ends at its time
// limit with the message, or at once when the progress callback says stop
// (the window's 中止); neither leaves a file. The host sees the progress.
TEST_F(UpdateServerTest, TricklingDownloadEndsAtItsLimitOrWhenStopped) {
  // 3 bytes every 0.25 s, 8 s in all: steady enough for any low-speed rule.
  Serve(R"({"/drip.zip": {"count": 32, "chunk": 3, "interval": 0.25, "type": "application/zip"}})");
  struct ProgressHost : TestHost {
    int calls = 0;
    int begun = 0, ended = 0;
    int stopAt = 0;  // 0: never
    void DownloadBegin() override { ++begun; }
    bool DownloadProgress(std::uint64_t, std::uint64_t) override {
      return stopAt == 0 || ++calls < stopAt;
    }
    void DownloadEnd() override { ++ended; }
  } progressHost;

  UpdateSetup setup = Setup("/drip.zip");
  setup.download.timeLimit = std::chrono::milliseconds(1200);
  setup.download.lowSpeedBytes = 1;
  EXPECT_EQ(InstallUpdate(progressHost, setup, 0), InstallOutcome::Failed);
  ASSERT_EQ(progressHost.messages.size(), 1u);
  EXPECT_EQ(progressHost.messages[0].text, JapaneseText(MsgId::DownloadTimedOut));
  EXPECT_EQ(progressHost.begun, 1);
  EXPECT_EQ(progressHost.ended, 1);
  EXPECT_FALSE(fs::exists(work / "ordano_update.zip"));

  // Stopped from the progress: no message, no file, long before any limit.
  progressHost.messages.clear();
  progressHost.stopAt = 2;
  setup.download.timeLimit = std::chrono::minutes(5);
  EXPECT_EQ(InstallUpdate(progressHost, setup, 0), InstallOutcome::Failed);
  EXPECT_TRUE(progressHost.messages.empty());
  EXPECT_EQ(progressHost.calls, 2);
  EXPECT_FALSE(fs::exists(work / "ordano_update.zip"));
}

TEST(UpdateExtractTest, PayloadFolderAndRefusedArchives) {
  TempDir dir;
  const std::string out = dir / "ordano_update_extract";
  WriteZip(dir / "good.zip", {{"ordano08/", "", ""},
                              {"ordano08/ordanou", "#!/bin/sh\n", ""},
                              {"ordano08/help/index.html", "<p>", ""},
                              {"ordano08/latest", "", "ordanou"}});
  WriteFile(out + "/stale.txt", "from the last update");
  ASSERT_EQ(ExtractUpdateArchive(dir / "good.zip", out), ExtractStatus::Ok);
  EXPECT_FALSE(fs::exists(out + "/stale.txt"));
  EXPECT_EQ(FindPayloadFolder(out), out + "/ordano08");
  EXPECT_EQ(ReadFile(out + "/ordano08/help/index.html"), "<p>");

  const std::vector<std::pair<std::string, std::vector<ZipEntry>>> unsafe{
      {"dotdot", {{"ordanou", "x", ""}, {"../escaped.txt", "x", ""}}},
      {"inner dotdot", {{"a/../../escaped.txt", "x", ""}}},
      {"absolute", {{dir / "escaped.txt", "x", ""}}},
      {"link out", {{"l", "", "../.."}, {"l/escaped.txt", "x", ""}}},
      {"absolute link", {{"l", "", dir.path()}}},
  };
  for (const auto& [what, entries] : unsafe) {
    WriteZip(dir / "bad.zip", entries);
    EXPECT_EQ(ExtractUpdateArchive(dir / "bad.zip", out), ExtractStatus::Unsafe) << what;
    EXPECT_TRUE(fs::is_empty(out)) << what;
  }
  EXPECT_FALSE(fs::exists(dir / "escaped.txt"));
  EXPECT_FALSE(fs::exists(dir.path() + "/../escaped.txt"));

  WriteFile(dir / "text.zip", "<html>404 not found</html>");
  EXPECT_EQ(ExtractUpdateArchive(dir / "text.zip", out), ExtractStatus::NotAnArchive);
  WriteZip(dir / "empty.zip", {});
  EXPECT_EQ(ExtractUpdateArchive(dir / "empty.zip", out), ExtractStatus::Empty);
  std::vector<ZipEntry> many;
  for (int i = 0; i < 100000; ++i) many.push_back({"f" + std::to_string(i), "", ""});
  WriteZip(dir / "many.zip", many);
  EXPECT_EQ(ExtractUpdateArchive(dir / "many.zip", out), ExtractStatus::TooLarge);
  EXPECT_TRUE(fs::is_empty(out));
}

// The installer script in a temporary program folder, run by /bin/sh as the
// program would start it.
class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prog = dir / "prog dir";
    payload = dir / "payload";
    marker = dir / "marker";
    WriteFile(prog + "/ordanou", RecordArgs("old"));
    WriteFile(prog + "/ordanou.dat", "user settings");
    WriteFile(prog + "/sub/keep.txt", "kept");
    WriteFile(payload + "/ordanou", RecordArgs("new"));
    WriteFile(payload + "/ordanou.dat", "shipped settings");
    WriteFile(payload + "/profiles.dat/p.txt", "under a .dat path");
    WriteFile(payload + "/sub/new.txt", "new");
    MakeDirs(payload + "/empty");
    for (const auto& p : {prog + "/ordanou", payload + "/ordanou"}) chmod(p.c_str(), 0755);
    SetMtime(prog + "/ordanou", 1000);
  }
  // A program that writes its name and its arguments (NUL-ended) to the marker.
  std::string RecordArgs(const std::string& name) {
    return "#!/bin/sh\n{ printf '%s\\0' " + name + " \"$@\"; } > " + ShellQuote(marker) + "\n";
  }
  InstallerScript Script() {
    InstallerScript s;
    s.scriptPath = dir / "ordano_updater.sh";
    s.programDir = prog;
    s.executable = prog + "/ordanou";
    s.payloadDir = payload;
    s.stamp = "1700000123";
    s.arguments = arguments;
    s.attemptDelaySeconds = 0;
    s.waitTenths = 20;
    return s;
  }
  testing::ProcessResult RunScript(const InstallerScript& s, testing::RunOptions options = {}) {
    WriteFile(s.scriptPath, InstallerScriptText(s));
    return testing::RunProgram("/bin/sh", {s.scriptPath}, options);
  }
  std::vector<std::string> Marker() {
    std::vector<std::string> out;
    const std::string text = ReadFile(marker);
    std::size_t i = 0;
    while (i < text.size()) {
      const auto end = text.find('\0', i);
      out.push_back(text.substr(i, end - i));
      i = end + 1;
    }
    return out;
  }

  TempDir dir;
  std::string prog, payload, marker;
  const std::vector<std::string> arguments{"a b",   "it's", "\"q\"",       "100%", "%PATH%",
                                           "$HOME", "`id`", "line\nbreak", "",     "/P:2"};
};

TEST_F(InstallerTest, ReplacesTheProgramKeepsDataStopsTheOldPidAndRestarts) {
  // The old process: a copy of sleep running as the program file.
  fs::copy_file("/bin/sleep", prog + "/ordanou", fs::copy_options::overwrite_existing);
  const pid_t old = fork();
  ASSERT_GE(old, 0);
  if (old == 0) {
    execl((prog + "/ordanou").c_str(), "ordanou", "60", static_cast<char*>(nullptr));
    _exit(127);
  }
  InstallerScript s = Script();
  s.oldPid = old;
  const auto r = RunScript(s);
  int status = 0;
  ASSERT_EQ(waitpid(old, &status, 0), old);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_EQ(r.exitCode, 0) << r.err;

  std::vector<std::string> expected{"new"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(Marker(), expected);
  EXPECT_EQ(ReadFile(prog + "/ordanou.dat"), "user settings");
  EXPECT_FALSE(fs::exists(prog + "/profiles.dat"));
  EXPECT_EQ(ReadFile(prog + "/sub/new.txt"), "new");
  EXPECT_EQ(ReadFile(prog + "/sub/keep.txt"), "kept");
  EXPECT_TRUE(fs::is_directory(prog + "/empty"));
  EXPECT_EQ(ReadFile(prog + "/ordano_update.stamp"), "1700000123\n");
  struct stat st;
  ASSERT_EQ(stat((prog + "/ordanou").c_str(), &st), 0);
  EXPECT_GT(st.st_mtime, std::time(nullptr) - 60) << "touched at install time";
  EXPECT_FALSE(fs::exists(s.scriptPath)) << "the script removes itself";
  EXPECT_FALSE(fs::exists(prog + "/ordano_upd_probe.tmp"));
}

TEST_F(InstallerTest, ReadOnlyProgramFolderGoesThroughPkexec) {
  // A stub pkexec on PATH: it logs its arguments, then refuses (126) or, on
  // the second run, stands in for the administrator by opening the folder.
  const std::string stubs = dir / "bin";
  WriteFile(stubs + "/pkexec", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> " +
                                   ShellQuote(dir / "pkexec.log") + "\n[ -e " +
                                   ShellQuote(dir / "grant") + " ] || exit 126\nchmod u+w " +
                                   ShellQuote(prog) + "\nexec \"$@\"\n");
  chmod((stubs + "/pkexec").c_str(), 0755);
  testing::RunOptions options;
  options.env = {{"PATH", stubs + ":/usr/bin:/bin"}};
  // Root writes anywhere: the script then runs as nobody, who owns the tree.
  if (geteuid() == 0) {
    options.runAsUid = 65534;
    chmod(dir.path().c_str(), 0755);
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
      lchown(e.path().c_str(), 65534, 65534);
    }
    chown(dir.path().c_str(), 65534, 65534);
  }
  chmod(prog.c_str(), 0555);

  const InstallerScript s = Script();
  auto r = RunScript(s, options);
  ASSERT_NE(r.exitCode, testing::kCannotDropPrivileges);
  EXPECT_EQ(ReadFile(dir / "pkexec.log"), "/bin/sh " + s.scriptPath + " worker\n");
  // Refused: the old program starts again, with its arguments; nothing changed.
  std::vector<std::string> expected{"old"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(Marker(), expected);
  EXPECT_FALSE(fs::exists(prog + "/sub/new.txt"));
  EXPECT_FALSE(fs::exists(prog + "/ordano_update.stamp"));

  WriteFile(dir / "grant", "");
  if (geteuid() == 0) lchown((dir / "grant").c_str(), 65534, 65534);
  r = RunScript(s, options);
  expected[0] = "new";
  EXPECT_EQ(Marker(), expected) << r.err;
  EXPECT_EQ(ReadFile(prog + "/ordano_update.stamp"), "1700000123\n");
  EXPECT_EQ(ReadFile(prog + "/ordanou.dat"), "user settings");
}

}  // namespace
}  // namespace ordano
