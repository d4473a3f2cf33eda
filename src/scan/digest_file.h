// MD5 of a file's contents, read in 256 KiB blocks with progress and cancel.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ordano {

struct AppContext;
class DigestReuse;

// 32 lower-case hex digits; empty when the file cannot be opened or read, or
// is no regular file (a FIFO, device or socket is never read, so it cannot
// block the run). At most the size seen when the file was opened is read, so
// a growing file or a pseudo-file of size 0 ends at once.
std::u16string DigestFile(AppContext& ctx, const std::string& path);

// The same for the file `name` inside the open folder `dirFd`; `shownPath` is
// the path the progress text names. Where the text is empty, `error` (when
// given) receives the errno of the failed open or read, 0 for a file that is
// no regular file.
std::u16string DigestFileAt(AppContext& ctx, int dirFd, const char* name,
                            std::string_view shownPath, int* error = nullptr);

// The same as raw bytes; nullopt where DigestFileAt gives an empty text.
std::optional<std::array<std::uint8_t, 16>> DigestFileRawAt(AppContext& ctx, int dirFd,
                                                            const char* name,
                                                            std::string_view shownPath,
                                                            int* error = nullptr);

// The MD5 of an open regular file, read in 256 KiB blocks up to `size` bytes.
// After each block `onBlock(bytesSoFar)` runs; when it returns false the read
// stops there (that block is not digested). Nullopt on a read error (errno set).
std::optional<std::array<std::uint8_t, 16>> DigestOpenFile(
    int fd, std::uint64_t size, const std::function<bool(std::uint64_t)>& onBlock);

// The digest of the open file `fd` (status `st`) at `path`: the one kept for
// it when `reuse` knows its stamp, else read as DigestOpenFile reads (and then
// reported to `reuse` when the file's stamp did not change during the read).
// Null `reuse`: always read.
std::optional<std::array<std::uint8_t, 16>> DigestOrReuse(
    DigestReuse* reuse, int fd, const struct stat& st, std::string_view path,
    const std::function<bool(std::uint64_t)>& onBlock);

// 32 lower-case hex digits of a digest.
std::u16string DigestHex(const std::array<std::uint8_t, 16>& digest);

// "MD5 12.34% name", the progress text of a digest.
std::u16string Md5StatusText(double percent, std::u16string_view name);

}  // namespace ordano
