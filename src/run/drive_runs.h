// The runs of the whole-drive page and the multi-folder page.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "run/run_driver.h"

namespace ordano {

struct AppContext;

// Catalogues the file system mounted at `root` (a mount point): capacity of
// that file system, relative paths relative to it, other file systems mounted
// below it are not entered. Output run when rows were found, else the message.
RunResult WholeDriveRun(AppContext& ctx, const std::string& root);

// Catalogues every folder of the list, in order, into one output (the same
// folder twice is listed twice; a folder that is gone adds nothing and says
// nothing). Output run when rows were found, else the message.
RunResult FolderListRun(AppContext& ctx, std::span<const std::string> folders);

// A drop on the whole-drive page: exactly one item, whose file system root
// (mount point) is returned; otherwise "ファイルは1つだけドロップしてください。"
// and nullopt. Nothing runs.
std::optional<std::string> WholeDriveDropRoot(AppContext& ctx, std::span<const std::string> paths);

// A drop on the multi-folder page: every dropped folder is appended to `list`
// in order, files and paths longer than 2550 characters are ignored. Returns
// whether anything was dropped (the page then sets its list-changed flag).
bool AppendDroppedFolders(std::vector<std::u16string>& list, std::span<const std::string> paths);

}  // namespace ordano
