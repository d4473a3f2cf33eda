// EntryTable: the rows of one catalogue, as parallel columns sized once per run.
// Text cells live in append-only pools and each cell is a small handle, so a
// million rows stay small and moving a row copies only handles.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/format_size.h"
#include "core/run_state.h"
#include "platform/time_text.h"

namespace ordano {

// Column storage taken zeroed from the system and never written when a row is
// added empty: a column's pages are touched as its rows are written, so a
// table sized for a whole tree costs memory only for the rows it holds.
// For types whose all-zero bytes are their empty value.
template <class T>
struct ZeroedAllocator {
  using value_type = T;
  ZeroedAllocator() = default;
  template <class U>
  ZeroedAllocator(const ZeroedAllocator<U>&) {}
  T* allocate(std::size_t n) {
    void* p = std::calloc(n, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) { std::free(p); }
  // Already zero: an empty row is not written.
  template <class U>
  void construct(U*) {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const ZeroedAllocator<U>&) const {
    return true;
  }
};
template <class T>
using Column = std::vector<T, ZeroedAllocator<T>>;

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

// Append-only name storage: one byte a character for a name whose characters
// are all below U+0100 (most names), UTF-16 for the others, each behind a
// short length header; a name is a 32-bit offset, 0 for none.
// A stored name read where it lies: one byte a character, or UTF-16.
struct StoredName {
  const unsigned char* narrow = nullptr;  // null: `wide` holds it
  const char16_t* wide = nullptr;
  std::size_t size = 0;
  char16_t operator[](std::size_t i) const { return narrow != nullptr ? narrow[i] : wide[i]; }
};

class NamePool {
 public:
  std::uint32_t Add(std::u16string_view text);
  // The name; a one-byte name is widened into `buffer`.
  std::u16string_view Get(std::uint32_t ref, std::u16string& buffer) const;
  StoredName View(std::uint32_t ref) const;
  void Clear();
  std::size_t BytesReserved() const { return blocks_.size() * std::size_t{kBlock}; }

 private:
  static constexpr std::uint32_t kBlock = 1u << 20;  // bytes per block
  // Held as UTF-16 units, so the wide names are read where they lie; written
  // and read byte by byte otherwise.
  std::vector<std::unique_ptr<char16_t[]>> blocks_;
  std::uint32_t used_ = kBlock;  // in the last block; full means "none yet"
};

// The cells of one row as the table stores them, all columns (the sort's
// pivot copy).
struct EntryRow {
  std::uint32_t name = 0, folder = 0, linkPath = 0, modified = 0;
  TextRef sizeText, title, md5, sortKey;
  PackedTime modifiedWhole = 0, created = 0;
  std::uint32_t size = 0, sizeHigh = 0;
  std::uint16_t depth = 0, depthHigh = 0;
  std::uint8_t flags = 0;
};

// The table: one array per column, all indexed by row number, created
// together and released together; the sort moves whole rows.
class EntryTable {
 public:
  // Creates every column with `capacity` rows (texts empty, numbers 0).
  void Create(int capacity);
  // Adds empty rows at the end; the rows written so far stay as they are.
  void Grow(int capacity);
  // Releases every column.
  void Release();
  bool Allocated() const { return allocated_; }
  // What the counting pass read, held by the scan for the filling pass (its
  // type is the scan's own). Kept when the columns are created; Release drops it.
  std::shared_ptr<void>& ScanCarry() { return scanCarry_; }
  int Capacity() const { return static_cast<int>(c_.size.size()); }

  // Text columns.
  // The name, made in `buffer` where it is stored one byte a character.
  std::u16string_view Name(int r, std::u16string& buffer) const {
    return names_.Get(c_.name[r], buffer);
  }
  std::u16string Name(int r) const {
    std::u16string buffer;
    return std::u16string(Name(r, buffer));
  }
  // The name without a copy (the sort compares many).
  StoredName NameAsStored(int r) const { return names_.View(c_.name[r]); }
  // Placeholder rows (empty folders) have none.
  bool HasName(int r) const { return c_.name[r] != 0; }
  // The size text: the stored one, or the row's size formatted in its SizeFormat
  // (made in `buffer`, which is reused from row to row).
  std::u16string_view SizeText(int r, std::u16string& buffer) const;
  std::u16string SizeText(int r) const {
    std::u16string buffer;
    return std::u16string(SizeText(r, buffer));
  }
  std::u16string_view Folder(int r) const { return pool_.Get(shared_[c_.folder[r]]); }
  // The link path; the folder's link prefix followed by the name where the
  // row was written with SetLinkPrefix.
  std::u16string LinkPath(int r) const;
  // The same in two parts, without a copy: folder part and name (made in
  // `nameBuffer` as Name makes it), or the whole path and an empty second part.
  std::pair<std::u16string_view, std::u16string_view> LinkPathParts(
      int r, std::u16string& nameBuffer) const {
    const TextRef ref = shared_[LinkIndex(r)];
    if ((ref.length & kPrefixOnly) == 0) return {pool_.Get(ref), {}};
    return {pool_.Get(TextRef{ref.offset, ref.length & ~kPrefixOnly}), Name(r, nameBuffer)};
  }
  std::u16string_view Title(int r) const { return Sparse(c_.title, r); }
  std::u16string_view Md5(int r) const { return Sparse(c_.md5, r); }
  std::u16string_view SortKey(int r) const { return Sparse(c_.sortKey, r); }
  void SetName(int r, std::u16string_view v) { c_.name[r] = names_.Add(v); }
  // A size text that is not the size alone (archive members).
  void SetSizeText(int r, std::u16string_view v) {
    c_.flags[r] &= ~kSizeFormatBits;
    SetSparse(c_.sizeText, r, v);
  }
  // The size text of an ordinary row: its Size in `format`, made when it is
  // read, so the text costs nothing per row.
  void SetSizeText(int r, SizeFormat format) {
    if (!c_.sizeText.empty() && c_.sizeText[r].length != 0) c_.sizeText[r] = {};
    c_.flags[r] = static_cast<std::uint8_t>((c_.flags[r] & ~kSizeFormatBits) |
                                            (static_cast<int>(format) + 1) << 1);
  }
  void SetLinkPath(int r, std::u16string_view v) {
    c_.flags[r] &= ~kLinkIsFolderPrefix;
    SetHigh(c_.linkPath, r, Share(pool_.Add(v)));
  }
  // The link path of an ordinary file, folder part plus name: the part is
  // stored once per folder and the name is not stored again.
  void SetLinkPrefix(int r, std::u16string_view prefix);
  void SetTitle(int r, std::u16string_view v) { SetSparse(c_.title, r, v); }
  void SetMd5(int r, std::u16string_view v) { SetSparse(c_.md5, r, v); }
  void SetSortKey(int r, std::u16string_view v) { SetSparse(c_.sortKey, r, v); }
  // A digest still being made: the cell holds its ticket (non-zero; the cell
  // reads as empty) until SetMd5 replaces it, and moves with its row.
  void SetMd5Ticket(int r, std::uint32_t ticket) {
    Allocate(c_.md5);
    c_.md5[r] = TextRef{ticket, 0};
  }
  std::uint32_t Md5Ticket(int r) const {
    if (c_.md5.empty() || c_.md5[r].length != 0) return 0;
    return c_.md5[r].offset;
  }
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
  // The last-write time is kept in 32 bits, as wall-clock seconds since 1970
  // with its UTC offset one of a few the table has met (a times outside that
  // is kept whole aside). A creation time equal to the last-write time (a
  // file not written since it was made) is a flag, not a stored value.
  PackedTime Modified(int r) const {
    if (!c_.modifiedWhole.empty() && c_.modifiedWhole[r] != 0) return c_.modifiedWhole[r];
    const std::uint32_t wall = c_.modified[r];
    if (wall == 0) return 0;
    return JoinPackedTime(std::int64_t{wall} - 1, offsets_[c_.flags[r] >> kOffsetShift]);
  }
  PackedTime Created(int r) const {
    if ((c_.flags[r] & kCreatedIsModified) != 0) return Modified(r);
    return c_.created.empty() ? 0 : c_.created[r];
  }
  std::u16string ModifiedText(int r) const { return TimeText(Modified(r)); }
  std::u16string CreatedText(int r) const { return TimeText(Created(r)); }
  void SetModified(int r, PackedTime t);
  void SetCreated(int r, PackedTime t);

  // Number columns: the low bits of each row, the high ones in a column made
  // when a row first needs them (4 GiB and more, a depth beyond 65535).
  std::uint64_t Size(int r) const {
    const std::uint64_t high = c_.sizeHigh.empty() ? 0 : c_.sizeHigh[r];
    return high << 32 | c_.size[r];
  }
  int Depth(int r) const {
    const std::uint32_t high = c_.depthHigh.empty() ? 0 : c_.depthHigh[r];
    return static_cast<int>(high << 16 | c_.depth[r]);
  }
  int FolderStart(int r) const { return c_.flags[r] & kFolderStartFlag; }
  void SetSize(int r, std::uint64_t v) {
    c_.size[r] = static_cast<std::uint32_t>(v);
    SetHigh(c_.sizeHigh, r, static_cast<std::uint32_t>(v >> 32));
  }
  void SetDepth(int r, int v) {
    const auto bits = static_cast<std::uint32_t>(v);
    c_.depth[r] = static_cast<std::uint16_t>(bits);
    SetHigh(c_.depthHigh, r, static_cast<std::uint16_t>(bits >> 16));
  }
  void SetFolderStart(int r, int v) {
    c_.flags[r] = static_cast<std::uint8_t>((c_.flags[r] & ~kFolderStartFlag) | (v != 0 ? 1 : 0));
  }

  // Whether two rows print the same folder (rows of one folder share their text).
  bool SameFolder(int a, int b) const {
    return c_.folder[a] == c_.folder[b] || Folder(a) == Folder(b);
  }

  // Clears every column of a row (a half-written row that is written again).
  void ClearRow(int r) { SetRow(r, EntryRow{}); }

  // Whole-row moves for the sort: all columns together.
  EntryRow Row(int r) const;
  void SetRow(int r, const EntryRow& row);
  void SwapRows(int a, int b) {
    c_.ForEach([a, b](auto& column) {
      if (!column.empty()) std::swap(column[a], column[b]);
    });
  }

  std::size_t BytesReserved() const;

 private:
  void ReleaseColumns();
  // Title, Md5, SortKey and stored size texts are absent from most runs: their
  // columns are made on the first text written to them (an empty column reads
  // as all empty).
  std::u16string_view Sparse(const Column<TextRef>& column, int r) const {
    return column.empty() ? std::u16string_view{} : pool_.Get(column[r]);
  }
  template <class T>
  void Allocate(Column<T>& column) {
    if (column.size() < c_.size.size()) column.resize(c_.size.size());
  }
  // Written only where the value changes: a column made for a few rows
  // keeps the pages of all the others untouched (and so not resident).
  template <class T>
  void SetHigh(Column<T>& column, int r, T high) {
    if (high == 0 && column.empty()) return;
    Allocate(column);
    if (column[r] != high) column[r] = high;
  }
  void SetSparse(Column<TextRef>& column, int r, std::u16string_view v) {
    if (v.empty() && column.empty()) return;
    Allocate(column);
    const TextRef ref = pool_.Add(v);
    if (column[r].offset != ref.offset || column[r].length != ref.length) column[r] = ref;
  }
  // A text held in `shared_`: folder texts and link paths, which rows of one
  // folder share, cost a 32-bit index per row. Index 0 is the empty text.
  std::uint32_t Share(TextRef ref);
  // The row's link path in `shared_`: its folder's prefix, or its own.
  std::uint32_t LinkIndex(int r) const {
    if ((c_.flags[r] & kLinkIsFolderPrefix) != 0) return folderPrefix_[c_.folder[r]];
    return c_.linkPath.empty() ? 0 : c_.linkPath[r];
  }
  static constexpr std::uint32_t kPrefixOnly = 1u << 31;  // in a link path's length
  // A row's flags: bit 0 FolderStart; bits 1-3 zero for a stored (or empty)
  // size text, else 1 + the SizeFormat the size is printed in.
  static constexpr std::uint8_t kFolderStartFlag = 1;
  static constexpr std::uint8_t kSizeFormatBits = 0x0E;
  // Bit 4: the creation time is the last-write time (the created column
  // holds nothing for the row).
  static constexpr std::uint8_t kCreatedIsModified = 0x10;
  // Bit 5: the link path is the prefix of the row's folder (folderPrefix_).
  static constexpr std::uint8_t kLinkIsFolderPrefix = 0x20;
  // Bits 6-7: the last-write time's UTC offset, an index into offsets_.
  static constexpr int kOffsetShift = 6;

  struct Columns {
    Column<std::uint32_t> name, folder, linkPath, modified;
    Column<TextRef> sizeText, title, md5, sortKey;
    Column<PackedTime> modifiedWhole, created;
    Column<std::uint32_t> size, sizeHigh;
    Column<std::uint16_t> depth, depthHigh;
    Column<std::uint8_t> flags;

    template <class F>
    void ForEach(F&& f) {
      ForEachDense(f);
      ForEachSparse(f);
    }
    template <class F>
    void ForEachDense(F&& f) {
      f(name), f(folder), f(modified), f(size), f(depth), f(flags);
    }
    template <class F>
    void ForEachSparse(F&& f) {
      f(linkPath), f(sizeText), f(title), f(md5), f(sortKey), f(modifiedWhole), f(created);
      f(sizeHigh), f(depthHigh);
    }
    template <class F>
    void ForEach(F&& f) const {
      f(name), f(folder), f(modified), f(size), f(depth), f(flags);
      f(linkPath), f(sizeText), f(title), f(md5), f(sortKey), f(modifiedWhole), f(created);
      f(sizeHigh), f(depthHigh);
    }
  };

  Columns c_;
  TextPool pool_;
  NamePool names_;
  std::vector<TextRef> shared_{TextRef{}};
  std::vector<std::uint32_t> folderPrefix_;  // by folder index: its link prefix
  std::array<int, 4> offsets_{};             // offset fields of the last-write times
  int offsetCount_ = 0;
  std::uint32_t lastFolder_ = 0, lastLinkPrefix_ = 0;
  std::unordered_map<std::uint32_t, std::string> rawNames_;  // by name offset
  bool allocated_ = false;
  std::shared_ptr<void> scanCarry_;
};

// Start of the filling pass: the table is sized from the count plus 1000
// spare rows, and the counters start again.
void BeginFillingPass(RunState& run, EntryTable& table);

// The one table-full rule of the filling pass: the row at run.EntryCount must
// exist before it is written. A full table grows, so files that appeared since
// the count are still listed and no row is ever dropped; run.Capacity follows
// the table. False only when no further row can be had at all.
bool RoomForRow(RunState& run, EntryTable& table);

}  // namespace ordano
