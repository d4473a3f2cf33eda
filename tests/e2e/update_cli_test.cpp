// ordanou --check-update against a loopback server: the exit statuses, and
// the whole hand-over with a copy of the binary in its own program folder.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "../crawl_server/crawl_server.h"
#include "binary_test.h"
#include "run_binary.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

namespace fs = std::filesystem;
constexpr std::int64_t kProgramTime = 1700000000;

std::string HttpDate(std::int64_t t) {
  const time_t tt = static_cast<time_t>(t);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &tm);
  return buf;
}

// A zip with the payload in one top-level folder, as the server ships it.
void WritePayloadZip(const std::string& path, const std::string& program) {
  std::unique_ptr<archive, decltype(&archive_write_free)> a(archive_write_new(),
                                                            archive_write_free);
  archive_write_set_format_zip(a.get());
  ASSERT_EQ(archive_write_open_filename(a.get(), path.c_str()), ARCHIVE_OK);
  for (const auto& [name, body] : {std::pair<std::string, std::string>{"ordano08/ordanou", program},
                                   {"ordano08/ordanou.dat", "shipped settings"}}) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> e(archive_entry_new(),
                                                                    archive_entry_free);
    archive_entry_set_pathname(e.get(), name.c_str());
    archive_entry_set_filetype(e.get(), AE_IFREG);
    archive_entry_set_perm(e.get(), 0755);
    archive_entry_set_size(e.get(), static_cast<la_int64_t>(body.size()));
    ASSERT_EQ(archive_write_header(a.get(), e.get()), ARCHIVE_OK);
    archive_write_data(a.get(), body.data(), body.size());
  }
  archive_write_close(a.get());
}

class UpdateCommand : public BinaryTest {
 protected:
  void SetUp() override {
    ClearProxyEnvironment();
    if (FindPython3().empty()) GTEST_SKIP() << "python3 is not installed";
    prog = work / "prog";
    MakeDirs(prog);
    fs::copy_file(ORDANOU_BINARY, prog + "/ordanou");
    SetMtime(prog + "/ordanou", kProgramTime);
    MakeDirs(work / "tmp");
    WritePayloadZip(site / "new.zip",
                    "#!/bin/sh\nprintf '%s\\0' new \"$@\" > '" + (work / "marker") + "'\n");
    const std::string routes =
        R"({"/new.zip": {"headers": {"Last-Modified": ")" + HttpDate(kProgramTime + 1000) +
        R"("}}, "/old.zip": {"status": 200, "body": "x", "headers": {"Last-Modified": ")" +
        HttpDate(kProgramTime + 100) + R"("}}})";
    std::string why;
    ASSERT_TRUE(server.Start(site.path(), routes, &why)) << why;
  }
  ProcessResult Check(const std::string& url, bool yes, const std::string& tmp = {}) {
    RunOptions o = Opts();
    o.env.push_back({"TMPDIR", tmp.empty() ? work / "tmp" : tmp});
    o.env.push_back({"LC_ALL", "C.UTF-8"});  // the system's reasons untranslated
    o.env.push_back({"ORDANO_UPDATE_URL", url});
    std::vector<std::string> args{"--check-update"};
    if (yes) args.push_back("--yes");
    return RunProgram(prog + "/ordanou", args, o);
  }

  TempDir site;
  std::string prog;
  CrawlServer server;
};

TEST_F(UpdateCommand, ExitStatusesAndTheWholeHandOver) {
  auto r = Check("", false);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("off in this build"), std::string::npos) << r.err;
  r = Check("http://example.org/new.zip", false);
  EXPECT_EQ(r.exitCode, 3);
  r = Check(server.Origin() + "/missing.zip", false);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("更新の確認に失敗しました。"), std::string::npos) << r.err;
  r = Check(server.Origin() + "/old.zip", false);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "お使いのおるだの♪は最新です。\n");
  // Newer, but nobody answers Yes: reported, nothing installed.
  r = Check(server.Origin() + "/new.zip", false);
  EXPECT_EQ(r.exitCode, 10) << r.err;
  EXPECT_NE(r.out.find("アップデートファイルがあります。"), std::string::npos) << r.out;
  EXPECT_FALSE(
      fs::exists(work / "tmp/ordano-update-" + std::to_string(getuid()) + "/ordano_updater.sh"));

  r = Check(server.Origin() + "/new.zip", true);
  EXPECT_EQ(r.exitCode, 10) << r.err;
  // The installer waits for this process, replaces the program and restarts it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(work / "marker") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(fs::exists(work / "marker"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(ReadFile(work / "marker"), std::string("new\0--check-update\0--yes\0", 25));
  EXPECT_EQ(ReadFile(prog + "/ordano_update.stamp"), std::to_string(kProgramTime + 1000) + "\n");
  EXPECT_FALSE(fs::exists(prog + "/ordanou.dat"));
  EXPECT_EQ(server.CountRequests("/top/abcd"), 1);
}

TEST_F(UpdateCommand, RefusedTempFolderIsNamedWithTheReason) {
  // Nobody, root included, can make a folder under a regular file.
  WriteFile(work / "file", "");
  const auto r = Check(server.Origin() + "/new.zip", true, work / "file");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(
      r.err.find("更新用の一時フォルダを作成できませんでした。\n" + work / "file/ordano-update-" +
                 std::to_string(getuid()) + ": Not a directory\n"),
      std::string::npos)
      << r.err;
  EXPECT_EQ(server.CountRequests("/top/abcd"), 0);
}

}  // namespace
}  // namespace ordano::testing
