// The runs of the whole-drive page and the multi-folder page.
#pragma once

#include <span>
#include <string>

#include "run/run_driver.h"

namespace ordano {

struct AppContext;

// The message of a whole-drive or folder-list run that listed nothing.
inline constexpr char16_t kNothingListedText[] =
    u"該当ドライブがないか該当ドライブにファイルがありません。";

// Catalogues the file system mounted at `root` (a mount point): capacity of
// that file system, relative paths relative to it, other file systems mounted
// below it are not entered. Output run when rows were found, else the message.
RunResult WholeDriveRun(AppContext& ctx, const std::string& root);

// Catalogues every folder of the list, in order, into one output (the same
// folder twice is listed twice; a folder that is gone adds nothing and says
// nothing). Output run when rows were found, else the message.
RunResult FolderListRun(AppContext& ctx, std::span<const std::string> folders);

}  // namespace ordano
