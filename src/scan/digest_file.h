// MD5 of a file's contents, read in 256 KiB blocks with progress and cancel.
#pragma once

#include <string>

namespace ordano {

struct AppContext;

// 32 lower-case hex digits; empty when the file cannot be opened or read.
std::u16string DigestFile(AppContext& ctx, const std::string& path);

}  // namespace ordano
