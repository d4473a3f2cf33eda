// The recursive folder walk that counts (pass 0) or writes (pass 1) the rows
// of one folder and its subfolders.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/path_parts.h"

namespace ordano {

struct AppContext;
struct RunState;

// Scans `folder` (a native path; no trailing "/" except for "/" itself) at
// ctx.run.CurrentDepth + 1 with the filters of the run's options (ctx.options). Leaves CurrentDepth
// as it found it, except when an invalid date range cancels the run.
void ScanFolder(AppContext& ctx, const std::string& folder);

// Whether `folder` is entered through a shortcut for the first time in this
// pass (it is then remembered in run.ShortcutFolders): each folder is entered
// that way at most once, so branching link chains stay linear.
bool EnterOnceThroughShortcut(RunState& run, const std::string& folder);

// Path texts of the scan (native bytes, "/" separators).

// The part of `path` below `root`: "" for the root itself, nullopt when the
// path does not lie below the root. An empty root stands for "/".
std::optional<std::string_view> BelowRoot(std::string_view root, std::string_view path);

// The Folder text of the rows of `folder` (a native path), by the run's
// options and RootFolder.
std::u16string RowFolderText(AppContext& ctx, std::string_view folder);

// Appends "/" unless the path already ends with one; returns the new length.
std::size_t AppendSeparator(std::string& path);

// Appends the display text of a native name (invalid UTF-8 as U+FFFD) without
// a temporary for plain ASCII names.
void AppendDisplay(std::u16string& out, std::string_view bytes);

}  // namespace ordano
