#include "platform/program_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "temp_dir.h"

namespace ordano {
namespace {

using testing::TempDir;

TEST(ProgramFolder, OrdanoHomeWinsAndIsCreated) {
  TempDir dir;
  const std::string home = dir / "portable/settings";
  ::setenv("ORDANO_HOME", home.c_str(), 1);
  const std::string folder = ProgramFolder();
  ::unsetenv("ORDANO_HOME");
  EXPECT_EQ(folder, home + "/");
  EXPECT_TRUE(std::filesystem::is_directory(home));
}

TEST(ProgramFolder, WritableExecutableFolderElseConfigFolder) {
  TempDir dir;
  const std::string exeDir = dir / "bin";
  testing::MakeDirs(exeDir);
  ProgramFolderSources sources;
  sources.executableFolder = exeDir;
  const std::string home = dir / "home";
  sources.home = home.c_str();
  EXPECT_EQ(ChooseProgramFolder(sources), exeDir + "/");

  // An executable folder that does not exist (or cannot be written) falls
  // through to the user's configuration folder.
  sources.executableFolder = dir / "missing";
  EXPECT_EQ(ChooseProgramFolder(sources), home + "/.config/ordano/");
  EXPECT_TRUE(std::filesystem::is_directory(home + "/.config/ordano"));

  const std::string xdg = dir / "xdg";
  sources.xdgConfigHome = xdg.c_str();
  EXPECT_EQ(ChooseProgramFolder(sources), xdg + "/ordano/");
  sources.xdgConfigHome = "relative/ignored";
  EXPECT_EQ(ChooseProgramFolder(sources), home + "/.config/ordano/");
}

}  // namespace
}  // namespace ordano
