#include "scan/digest_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>

#include "core/app_context.h"
#include "platform/open_at.h"
#include "platform/unicode.h"
#include "scan/digest_reuse.h"
#include "scan/md5.h"

namespace ordano {
namespace {

constexpr std::size_t kDigestBlock = 262144;

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

std::u16string StatusText(double percent, std::u16string_view name) {
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
  return DigestFileAt(ctx, AT_FDCWD, path.c_str(), path);
}

std::u16string Md5StatusText(double percent, std::u16string_view name) {
  return StatusText(percent, name);
}

std::optional<std::array<std::uint8_t, 16>> DigestOpenFile(
    int fd, std::uint64_t size, const std::function<bool(std::uint64_t)>& onBlock) {
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  const auto buffer = std::make_unique_for_overwrite<std::byte[]>(kDigestBlock);
  MD5 md5;
  std::uint64_t done = 0;
  while (done < size) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(kDigestBlock, size - done));
    const ssize_t got = ReadBlock(fd, buffer.get(), want);
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    done += static_cast<std::uint64_t>(got);
    // A block read after a cancel is not digested.
    if (!onBlock(done)) break;
    md5.update(buffer.get(), static_cast<std::size_t>(got));
  }
  md5.finalize();
  return md5.digest();
}

std::optional<std::array<std::uint8_t, 16>> DigestOrReuse(
    DigestReuse* reuse, int fd, const struct stat& st, std::string_view path,
    const std::function<bool(std::uint64_t)>& onBlock) {
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (reuse == nullptr) return DigestOpenFile(fd, size, onBlock);
  const FileStamp stamp = StampOf(st);
  const auto device = static_cast<std::uint64_t>(st.st_dev);
  if (auto known = reuse->Known(path, device, stamp)) return known;
  bool stopped = false;  // a digest of part of the file
  auto digest = DigestOpenFile(fd, size, [&](std::uint64_t done) {
    stopped = !onBlock(done);
    return !stopped;
  });
  struct stat after {};
  // A file written while it was read has another stamp now: its digest is
  // not kept. Nor is one modified in the last two seconds, since a write in
  // the same clock tick as the read would leave the stamp as it was.
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const std::int64_t nowNs = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  if (digest && !stopped && ::fstat(fd, &after) == 0 && StampOf(after) == stamp &&
      stamp.mtimeNs < nowNs - 2000000000) {
    reuse->Made(path, device, stamp, *digest);
  }
  return digest;
}

std::u16string DigestHex(const std::array<std::uint8_t, 16>& digest) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string out(32, u'0');
  for (std::size_t i = 0; i < digest.size(); ++i) {
    out[2 * i] = kHex[digest[i] >> 4];
    out[2 * i + 1] = kHex[digest[i] & 0xF];
  }
  return out;
}

std::optional<std::array<std::uint8_t, 16>> DigestFileRawAt(AppContext& ctx, int dirFd,
                                                            const char* name,
                                                            std::string_view shownPath,
                                                            int* error) {
  RunState& run = ctx.run;
  run.Md5StatusText.clear();
  int ignored = 0;
  int& failure = error != nullptr ? *error : ignored;
  failure = 0;
  errno = 0;
  const UniqueFd file = OpenForReadingAt(dirFd, name);
  if (!file) {
    failure = errno;
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) {
    failure = errno;
    return std::nullopt;
  }
  // The size seen now is all that is read: a file that grows meanwhile, or a
  // pseudo-file that reports 0 yet reads without end (/proc), stops there.
  const auto size = static_cast<std::uint64_t>(st.st_size);
  const double length = static_cast<double>(size);
  const std::u16string shown = ToDisplay(shownPath);
  const auto digest =
      DigestOrReuse(ctx.digestReuse, file.get(), st, shownPath, [&](std::uint64_t done) {
        run.Md5StatusText = StatusText(static_cast<double>(done) * 100.0 / length, shown);
        if (run.CancelRequested) return false;
        for (int i = 0; i < 3; ++i) ctx.Host().Pump(run);
        return true;
      });
  if (!digest) failure = errno;
  run.Md5StatusText.clear();
  return digest;
}

std::u16string DigestFileAt(AppContext& ctx, int dirFd, const char* name,
                            std::string_view shownPath, int* error) {
  const auto digest = DigestFileRawAt(ctx, dirFd, name, shownPath, error);
  return digest ? DigestHex(*digest) : std::u16string();
}

}  // namespace ordano
