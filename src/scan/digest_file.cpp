#include "scan/digest_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <memory>

#include "core/app_context.h"
#include "platform/unicode.h"
#include "scan/md5.h"

namespace ordano {
namespace {

constexpr std::size_t kDigestBlock = 262144;

class ReadFd {
 public:
  explicit ReadFd(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~ReadFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  ReadFd(const ReadFd&) = delete;
  ReadFd& operator=(const ReadFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Fills the buffer up to its size or end of file, so short reads from pipes
// or signals still give whole blocks. -1 on a read error.
ssize_t ReadBlock(int fd, std::byte* buf, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, buf + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

std::u16string StatusText(double percent, const std::u16string& name) {
  char number[64];
  std::snprintf(number, sizeof number, "%2.2f", percent);
  std::u16string text = u"MD5 ";
  for (const char* c = number; *c != '\0'; ++c) text.push_back(static_cast<char16_t>(*c));
  text += u"% ";
  text += name;
  return text;
}

}  // namespace

std::u16string DigestFile(AppContext& ctx, const std::string& path) {
  RunState& run = ctx.run;
  run.Md5StatusText.clear();
  ReadFd file(path);
  if (file.get() < 0) return {};
  ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  struct stat st {};
  const double length = ::fstat(file.get(), &st) == 0 ? static_cast<double>(st.st_size) : 0.0;
  const std::u16string name = ToDisplay(path);
  const auto buffer = std::make_unique_for_overwrite<std::byte[]>(kDigestBlock);
  MD5 md5;
  std::uint64_t done = 0;

  for (;;) {
    const ssize_t got = ReadBlock(file.get(), buffer.get(), kDigestBlock);
    if (got < 0) {
      run.Md5StatusText.clear();
      return {};
    }
    if (got == 0) break;
    done += static_cast<std::uint64_t>(got);
    // Files whose size stat cannot tell (length 0, yet readable) show 100%.
    const double percent = length > 0 ? static_cast<double>(done) * 100.0 / length : 100.0;
    run.Md5StatusText = StatusText(percent, name);
    if (run.CancelRequested) break;
    for (int i = 0; i < 3; ++i) ctx.Host().Pump(run, 1);
    md5.update(buffer.get(), static_cast<std::size_t>(got));
  }

  md5.finalize();
  run.Md5StatusText.clear();
  const std::string hex = md5.hex_digest();
  return std::u16string(hex.begin(), hex.end());
}

}  // namespace ordano
