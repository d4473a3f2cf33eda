// The one routine that writes a file's row, for the folder walk and for
// dropped or named files alike.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "scan/digest_reuse.h"

namespace ordano {

struct AppContext;
class DigestPool;
class UniqueFd;

// FileSource::dirFd of a row whose folder is gone since it was listed: the
// row keeps what the listing read, its digest and title stay empty.
inline constexpr int kNoFolder = -1;

// Where the file's contents are read (digest, title): `name` inside the open
// folder `dirFd` (AT_FDCWD with a full path for a dropped file), so deep
// files are reached without a path longer than PATH_MAX.
struct FileSource {
  int dirFd;
  const char* name;
  std::string_view shownPath;       // named by the digest's progress text
  const char* titleFrom = nullptr;  // another file for the title (a dropped shortcut's target)
  // Where the walk hashes on worker threads: the pool, and dirFd kept open
  // for the queued digest.
  DigestPool* digests = nullptr;
  const std::shared_ptr<const UniqueFd>* folder = nullptr;
};

struct FileRow {
  std::u16string_view name;      // as printed
  std::string_view nativeName;   // its bytes, kept when they are not UTF-8
  std::u16string_view folder;    // printed folder text
  std::u16string_view linkPath;  // "/" separated, absolute or below the root
  // linkPath holds only the folder part ("…/"); the name completes it, so
  // the table stores the part once per folder.
  bool linkPathIsPrefix = false;
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::optional<std::int64_t> created;  // none: the column stays empty
  int depth = 1;
  int indent = 0;  // added to the name's length for NameWidth
  bool folderStart = false;
  bool lowerCaseTitle = false;
  bool sortKey = false;  // SortOrder 4 and 5 sort by the explorer key
  // Where the walk read it: the digest a run keeps for this stamp serves
  // without opening the file (AppContext::digestReuse).
  std::optional<FileStamp> stamp;
  std::uint64_t device = 0;
};

// Filling pass: writes the row at run.EntryCount (digest, title and the
// columns above), then, when the row passes the date test, its size text and
// sort key, and counts it. Counting pass: counts a row that passes. A row that
// fails stays half written for the next one to overwrite. Returns whether the
// row was counted.
bool AddFileRow(AppContext& ctx, const FileRow& row, const FileSource& source, bool passes);

// The row of an empty folder (IncludeEmptyFolders or IndentTree); counted in
// both passes. Returns whether it was counted.
bool AddPlaceholderRow(AppContext& ctx, std::u16string_view folder, int depth);

}  // namespace ordano
