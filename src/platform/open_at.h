// Opening files relative to an open folder, so that paths longer than PATH_MAX
// (deep trees) are still reached one component at a time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/file_handle.h"

namespace ordano {

// Opens the regular file `name` inside the folder `dirFd` (AT_FDCWD: the
// current folder, or an absolute name) for reading, without blocking: a FIFO,
// device or folder gives an empty handle (errno 0), and so does a file that
// cannot be opened (errno set). Symbolic links are followed.
UniqueFd OpenForReadingAt(int dirFd, const char* name);

// The first `limit` bytes of such a file; nullopt when it cannot be opened.
std::optional<std::string> ReadHeadAt(int dirFd, const char* name, std::size_t limit);

// Raises the soft limit of open files to the hard one: a folder walk holds
// one descriptor per level of the tree.
void RaiseOpenFileLimit();

// Descriptors the open-file limit leaves above `reserve`, capped at `cap`
// (`cap` when there is no limit); 0 when none are left.
long long SpareDescriptors(long long reserve, long long cap);

}  // namespace ordano
