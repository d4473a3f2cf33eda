#include "platform/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
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

}  // namespace

std::string ChooseProgramFolder(const ProgramFolderSources& sources) {
  if (IsSet(sources.ordanoHome)) return Prepared(sources.ordanoHome);
  if (!sources.executableFolder.empty() && ::access(sources.executableFolder.c_str(), W_OK) == 0) {
    return WithSlash(sources.executableFolder);
  }
  // Relative XDG paths are invalid and ignored.
  fs::path config;
  if (IsSet(sources.xdgConfigHome) && sources.xdgConfigHome[0] == '/') {
    config = sources.xdgConfigHome;
  } else {
    const std::string home = IsSet(sources.home) ? std::string(sources.home) : HomeOfUser();
    if (home.empty()) return {};
    config = fs::path(home) / ".config";
  }
  return Prepared(config / "ordano");
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
