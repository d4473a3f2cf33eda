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

TEST(ProgramFolder, ExecutableFolderOnlyWithSettingsElseConfigFolder) {
  TempDir dir;
  const std::string exeDir = dir / "bin";
  testing::MakeDirs(exeDir);
  ProgramFolderSources sources;
  sources.executableFolder = exeDir;
  const std::string home = dir / "home";
  sources.home = home.c_str();
  // A writable install folder without settings is not the program folder.
  EXPECT_EQ(ChooseProgramFolder(sources), home + "/.config/ordano/");
  EXPECT_TRUE(std::filesystem::is_directory(home + "/.config/ordano"));
  testing::WriteFile(exeDir + "/ordanou.dat", "");
  EXPECT_EQ(ChooseProgramFolder(sources), exeDir + "/");

  sources.executableFolder = dir / "missing";
  const std::string xdg = dir / "xdg";
  sources.xdgConfigHome = xdg.c_str();
  EXPECT_EQ(ChooseProgramFolder(sources), xdg + "/ordano/");
  sources.xdgConfigHome = "relative/ignored";
  EXPECT_EQ(ChooseProgramFolder(sources), home + "/.config/ordano/");
}

TEST(ProgramFolder, DocumentsFolderFromUserDirsElseHome) {
  TempDir dir;
  const std::string home = dir / "home", xdg = dir / "xdg";
  ProgramFolderSources sources;
  sources.home = home.c_str();
  sources.xdgConfigHome = xdg.c_str();
  EXPECT_EQ(ChooseDocumentsFolder(sources), home + "/");
  // Named but missing: home.
  testing::WriteFile(xdg + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
  EXPECT_EQ(ChooseDocumentsFolder(sources), home + "/");
  testing::MakeDirs(home + "/Docs");
  EXPECT_EQ(ChooseDocumentsFolder(sources), home + "/Docs/");
  testing::MakeDirs(dir / "abs");
  testing::WriteFile(xdg + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + (dir / "abs") + "\"\n");
  EXPECT_EQ(ChooseDocumentsFolder(sources), (dir / "abs") + "/");
}

}  // namespace
}  // namespace ordano
