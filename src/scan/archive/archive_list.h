// Archive members as extra rows after the archive's own row.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/message.h"
#include "platform/time_text.h"
#include "scan/archive/member_name.h"

namespace ordano {

struct AppContext;
struct MemberRecord;

// Adds one row per member of the archive at `path` (counting pass: counts them)
// and returns the number of rows; 0 when ExpandArchives is off or the file is
// no archive this build can read. `folderText` is the archive's printed folder.
int ListArchive(AppContext& ctx, const std::string& path, std::u16string_view folderText);

// The progress text while an archive is read: prefix + "獲得中:" + the first
// 16 characters of the path's last component, with its "/" when the path has
// folders; the host puts it into words.
Message ArchiveStatusText(std::string_view prefix, std::string_view path);

// The member's local time: its better time when it has one, else its MS-DOS
// fields; 0 (empty) when there is none or the fields are no valid time.
PackedTime MemberTime(const MemberRecord& record);

}  // namespace ordano
