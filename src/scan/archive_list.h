// Archive members as extra rows after the archive's own row.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

struct AppContext;

// Adds one row per member of the archive at `path` (counting pass: counts them)
// and returns the number of rows; 0 when ExpandArchives is off or the file is
// no archive this build can read. `folderText` is the archive's printed folder.
int ListArchive(AppContext& ctx, const std::string& path, std::u16string_view folderText);

}  // namespace ordano
