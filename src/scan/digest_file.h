// MD5 of a file's contents, read in 256 KiB blocks with progress and cancel.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

struct AppContext;

// 32 lower-case hex digits; empty when the file cannot be opened or read, or
// is no regular file (a FIFO, device or socket is never read, so it cannot
// block the run). At most the size seen when the file was opened is read, so
// a growing file or a pseudo-file of size 0 ends at once.
std::u16string DigestFile(AppContext& ctx, const std::string& path);

// The same for the file `name` inside the open folder `dirFd`; `shownPath` is
// the path the progress text names.
std::u16string DigestFileAt(AppContext& ctx, int dirFd, const char* name,
                            std::string_view shownPath);

}  // namespace ordano
