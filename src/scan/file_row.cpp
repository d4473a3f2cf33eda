#include "scan/file_row.h"

#include <cerrno>
#include <string>

#include "core/app_context.h"
#include "core/format_size.h"
#include "platform/time_text.h"
#include "scan/digest_file.h"
#include "scan/digest_pool.h"
#include "scan/html_title.h"
#include "scan/sort.h"

namespace ordano {

bool AddFileRow(AppContext& ctx, const FileRow& f, const FileSource& source, bool passes) {
  RunState& run = ctx.run;
  const SettingsRecord& s = ctx.options.settings;
  if (run.Pass != 1) {
    if (passes) ++run.EntryCount;
    return passes;
  }
  if (!RoomForRow(run, ctx.table)) return false;
  EntryTable& table = ctx.table;
  const int r = run.EntryCount;
  table.ClearRow(r);
  const bool readable = source.dirFd != kNoFolder;
  if (!readable) {
    // Nothing to read the file from: its digest and title stay empty.
  } else if (const auto known = s.ComputeMd5 && passes && f.stamp && ctx.digestReuse != nullptr
                                    ? ctx.digestReuse->Known(source.shownPath, f.device, *f.stamp)
                                    : std::nullopt) {
    table.SetMd5(r, DigestHex(*known));
  } else if (s.ComputeMd5 && source.digests != nullptr) {
    // The row's digest comes from a worker; a row that fails the date test
    // is overwritten, so nobody would read its digest.
    if (passes)
      table.SetMd5Ticket(r, source.digests->Submit(*source.folder, source.name, source.shownPath));
  } else if (s.ComputeMd5) {
    int error = 0;
    table.SetMd5(r, DigestFileAt(ctx, source.dirFd, source.name, source.shownPath, &error));
    if (error != 0 && passes && !run.CancelRequested) {
      run.NoteReadFailure(std::string(source.shownPath), error);
    }
  }
  table.SetName(r, f.name, f.nativeName);
  const int width = static_cast<int>(f.name.size()) + f.indent;
  if (run.NameWidth < width) run.NameWidth = width;
  table.SetSize(r, f.size);
  table.SetFolder(r, f.folder);
  if (f.linkPathIsPrefix) {
    table.SetLinkPrefix(r, f.linkPath);
  } else {
    table.SetLinkPath(r, f.linkPath);
  }
  table.SetDepth(r, f.depth);
  table.SetFolderStart(r, f.folderStart ? 1 : 0);
  const PackedTime modified = ctx.localTimes.Pack(f.modified);
  table.SetModified(r, modified);
  if (f.created) {
    table.SetCreated(r, *f.created == f.modified ? modified : ctx.localTimes.Pack(*f.created));
  }
  if (readable && HasHtmlExtension(f.name)) {
    const char* from = source.titleFrom != nullptr ? source.titleFrom : source.name;
    errno = 0;
    table.SetTitle(r, ReadHtmlTitleAt(source.dirFd, from, f.lowerCaseTitle));
    // A file without a title is no failure; one that found no descriptor is.
    if (passes && (errno == EMFILE || errno == ENFILE) && table.Title(r).empty()) {
      run.NoteReadFailure(std::string(source.shownPath), errno);
    }
  }
  if (!passes) return false;
  run.TotalSize = SaturatingAdd(run.TotalSize, f.size);
  table.SetSizeText(r, SizeFormatOf(s));
  if (f.sortKey) table.SetSortKey(r, ExplorerSortKey(f.name));
  ++run.EntryCount;
  return true;
}

bool AddPlaceholderRow(AppContext& ctx, std::u16string_view folder, int depth) {
  RunState& run = ctx.run;
  if (run.Pass == 1) {
    if (!RoomForRow(run, ctx.table)) return false;
    const int r = run.EntryCount;
    ctx.table.ClearRow(r);
    ctx.table.SetFolder(r, folder);
    ctx.table.SetDepth(r, depth);
    ctx.table.SetFolderStart(r, 1);
  }
  ++run.PlaceholderCount;
  ++run.EntryCount;
  return true;
}

}  // namespace ordano
