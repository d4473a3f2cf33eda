// Temporary folders and files for tests, removed at the end of the test.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ordano::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + rel
  std::string operator/(std::string_view rel) const;

 private:
  std::string path_;
};

// Creates parent folders as needed.
void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
void MakeDirs(const std::string& path);
// Sets the last-write time (Unix seconds).
void SetMtime(const std::string& path, std::int64_t unixSeconds);
// UTF-16LE bytes to a UTF-16 string (no BOM handling).
std::u16string FromUtf16Le(std::string_view bytes);

}  // namespace ordano::testing
