// EntryTable: the rows of one catalogue, as parallel columns sized once per run.
// Text cells live in an append-only pool and each cell is an 8-byte handle, so a
// million rows stay small and moving a row copies only handles.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/time_text.h"

namespace ordano {

// A text cell: a span of the table's pool. Empty by default.
struct TextRef {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

// Append-only UTF-16 storage in fixed blocks (no reallocation, no copying).
class TextPool {
 public:
  TextRef Add(std::u16string_view text);
  std::u16string_view Get(TextRef ref) const {
    if (ref.length == 0) return {};
    return {blocks_[ref.offset / kBlock].get() + ref.offset % kBlock, ref.length};
  }
  void Clear();
  std::size_t BytesReserved() const { return blocks_.size() * kBlock * sizeof(char16_t); }

 private:
  static constexpr std::uint32_t kBlock = 1u << 20;  // characters per block
  std::vector<std::unique_ptr<char16_t[]>> blocks_;
  std::uint32_t used_ = kBlock;  // in the last block; full means "none yet"
  friend class EntryTable;
};

// The values of one row, all columns (the sort's pivot copy).
struct EntryRow {
  TextRef name, sizeText, folder, linkPath, title, md5, sortKey;
  PackedTime modified = 0, created = 0;
  std::uint64_t size = 0;
  std::int32_t depth = 0;
  std::uint8_t folderStart = 0;
};

class EntryTable {
 public:
  // Creates every column with `capacity` rows (texts empty, numbers 0).
  void Create(int capacity);
  // Releases every column.
  void Release();
  bool Allocated() const { return allocated_; }
  int Capacity() const { return static_cast<int>(rows_.size()); }

  // Text columns.
  std::u16string_view Name(int r) const { return pool_.Get(rows_[r].name); }
  std::u16string_view SizeText(int r) const { return pool_.Get(rows_[r].sizeText); }
  std::u16string_view Folder(int r) const { return pool_.Get(rows_[r].folder); }
  std::u16string_view LinkPath(int r) const { return pool_.Get(rows_[r].linkPath); }
  std::u16string_view Title(int r) const { return pool_.Get(rows_[r].title); }
  std::u16string_view Md5(int r) const { return pool_.Get(rows_[r].md5); }
  std::u16string_view SortKey(int r) const { return pool_.Get(rows_[r].sortKey); }
  void SetName(int r, std::u16string_view v) { rows_[r].name = pool_.Add(v); }
  void SetSizeText(int r, std::u16string_view v) { rows_[r].sizeText = pool_.Add(v); }
  void SetLinkPath(int r, std::u16string_view v) { rows_[r].linkPath = pool_.Add(v); }
  void SetTitle(int r, std::u16string_view v) { rows_[r].title = pool_.Add(v); }
  void SetMd5(int r, std::u16string_view v) { rows_[r].md5 = pool_.Add(v); }
  void SetSortKey(int r, std::u16string_view v) { rows_[r].sortKey = pool_.Add(v); }
  // Rows of one folder share one stored folder text.
  void SetFolder(int r, std::u16string_view v);

  // The exact bytes of a name that is not valid UTF-8 (its display text shows
  // U+FFFD in their place); empty for every other name. Kept aside, keyed by
  // the name's cell, so ordinary rows cost nothing and the bytes move with
  // their row through the sort.
  std::string_view RawName(int r) const;
  // SetName, keeping the native bytes when they are not valid UTF-8.
  void SetName(int r, std::u16string_view v, std::string_view native);

  // Time columns: packed local times (0 = empty); the text is made on demand.
  PackedTime Modified(int r) const { return rows_[r].modified; }
  PackedTime Created(int r) const { return rows_[r].created; }
  std::u16string ModifiedText(int r) const { return TimeText(rows_[r].modified); }
  std::u16string CreatedText(int r) const { return TimeText(rows_[r].created); }
  void SetModified(int r, PackedTime t) { rows_[r].modified = t; }
  void SetCreated(int r, PackedTime t) { rows_[r].created = t; }

  // Number columns.
  std::uint64_t Size(int r) const { return rows_[r].size; }
  int Depth(int r) const { return rows_[r].depth; }
  int FolderStart(int r) const { return rows_[r].folderStart; }
  void SetSize(int r, std::uint64_t v) { rows_[r].size = v; }
  void SetDepth(int r, int v) { rows_[r].depth = v; }
  void SetFolderStart(int r, int v) { rows_[r].folderStart = static_cast<std::uint8_t>(v); }

  // Whether two rows print the same folder (rows of one folder share their text).
  bool SameFolder(int a, int b) const {
    const TextRef ra = rows_[a].folder;
    const TextRef rb = rows_[b].folder;
    if (ra.offset == rb.offset && ra.length == rb.length) return true;
    return Folder(a) == Folder(b);
  }

  // Clears every column of a row (a half-written row that is written again).
  void ClearRow(int r) { rows_[r] = EntryRow{}; }

  // Whole-row moves for the sort: all columns together.
  const EntryRow& Row(int r) const { return rows_[r]; }
  void SetRow(int r, const EntryRow& row) { rows_[r] = row; }
  void SwapRows(int a, int b) { std::swap(rows_[a], rows_[b]); }

  std::size_t BytesReserved() const {
    return rows_.capacity() * sizeof(EntryRow) + pool_.BytesReserved();
  }

 private:
  std::vector<EntryRow> rows_;
  TextPool pool_;
  TextRef lastFolder_;
  std::unordered_map<std::uint32_t, std::string> rawNames_;  // by name offset
  bool allocated_ = false;
};

}  // namespace ordano
