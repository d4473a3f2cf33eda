#include "temp_dir.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ordano::testing {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "ordano-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Restore permissions a test may have taken away, then remove everything.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0755);
  }
  chmod(path_.c_str(), 0755);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::operator/(std::string_view rel) const {
  return path_ + "/" + std::string(rel);
}

void MakeDirs(const std::string& path) { std::filesystem::create_directories(path); }

void WriteFile(const std::string& path, std::string_view bytes) {
  const auto parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + path);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void SetMtime(const std::string& path, std::int64_t unixSeconds) {
  struct timeval tv[2] = {{static_cast<time_t>(unixSeconds), 0},
                          {static_cast<time_t>(unixSeconds), 0}};
  if (lutimes(path.c_str(), tv) != 0) throw std::runtime_error("utimes failed: " + path);
}

std::u16string FromUtf16Le(std::string_view bytes) {
  std::u16string out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return out;
}

}  // namespace ordano::testing
