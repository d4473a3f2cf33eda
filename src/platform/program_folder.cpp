#include "platform/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

namespace ordano {
namespace {

namespace fs = std::filesystem;

bool IsSet(const char* value) { return value != nullptr && *value != '\0'; }

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// Absolute form, created when missing (a failure shows later as unwritable files).
std::string Prepared(const fs::path& folder) {
  std::error_code ec;
  fs::path abs = fs::absolute(folder, ec);
  if (ec) abs = folder;
  fs::create_directories(abs, ec);
  return WithSlash(abs.lexically_normal().string());
}

std::string HomeOfUser() {
  std::vector<char> buf(16384);
  struct passwd pw {};
  struct passwd* result = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result &&
      IsSet(result->pw_dir)) {
    return result->pw_dir;
  }
  return {};
}

std::string ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return {};
  return exe.parent_path().string();
}

std::string HomeOf(const ProgramFolderSources& sources) {
  return IsSet(sources.home) ? std::string(sources.home) : HomeOfUser();
}

// $XDG_CONFIG_HOME, else ~/.config; relative XDG paths are invalid and ignored.
fs::path ConfigHome(const ProgramFolderSources& sources) {
  if (IsSet(sources.xdgConfigHome) && sources.xdgConfigHome[0] == '/') {
    return sources.xdgConfigHome;
  }
  const std::string home = HomeOf(sources);
  if (home.empty()) return {};
  return fs::path(home) / ".config";
}

}  // namespace

std::string ChooseProgramFolder(const ProgramFolderSources& sources) {
  if (IsSet(sources.ordanoHome)) return Prepared(sources.ordanoHome);
  // A writable install folder alone is no reason to fill it with settings.
  std::error_code ec;
  if (!sources.executableFolder.empty() &&
      fs::is_regular_file(fs::path(sources.executableFolder) / "ordanou.dat", ec)) {
    return WithSlash(sources.executableFolder);
  }
  const fs::path config = ConfigHome(sources);
  if (config.empty()) return {};
  return Prepared(config / "ordano");
}

std::string ChooseDocumentsFolder(const ProgramFolderSources& sources) {
  const std::string home = HomeOf(sources);
  if (home.empty()) return {};
  // Lines such as XDG_DOCUMENTS_DIR="$HOME/Documents" (absolute or below $HOME).
  std::ifstream dirs(ConfigHome(sources) / "user-dirs.dirs");
  for (std::string line; std::getline(dirs, line);) {
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=\"";
    if (!line.starts_with(kKey) || line.size() < kKey.size() + 1 || line.back() != '"') continue;
    std::string value = line.substr(kKey.size(), line.size() - kKey.size() - 1);
    if (value.starts_with("$HOME")) value = home + value.substr(5);
    std::error_code ec;
    if (value.starts_with('/') && fs::is_directory(value, ec)) {
      return WithSlash(fs::path(value).lexically_normal().string());
    }
  }
  return WithSlash(home);
}

std::string DocumentsFolder() {
  ProgramFolderSources sources;
  sources.xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
  sources.home = std::getenv("HOME");
  return ChooseDocumentsFolder(sources);
}

std::string ProgramFolder() {
  ProgramFolderSources sources;
  sources.ordanoHome = std::getenv("ORDANO_HOME");
  sources.executableFolder = ExecutableFolder();
  sources.xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
  sources.home = std::getenv("HOME");
  return ChooseProgramFolder(sources);
}

}  // namespace ordano
