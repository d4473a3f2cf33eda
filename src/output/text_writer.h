// The text catalogue: every line in order, to a file or to the clipboard text.
#pragma once

#include <string>

namespace ordano {

struct AppContext;
struct RunState;
class CFileCus;

enum class TextWriteStatus {
  Written,
  MergeTargetEmpty,  // Unify onto an empty file: the user was told, nothing written
  Failed,            // the file could not be read or written
};

// "総ファイル数 N 個" with N = EntryCount - PlaceholderCount.
std::u16string TotalLine(const RunState& run);

// Writes the catalogue of ctx.table into sink, which is open (or in clipboard
// mode). For a file it first writes the byte-order mark at offset 0, then
// moves to the end (AppendOutput) or to the start of the last line (Unify),
// and after a merge cuts the file right after the new text. The sink is left
// open; the caller closes it and checks the result.
TextWriteStatus WriteTextCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path);

}  // namespace ordano
