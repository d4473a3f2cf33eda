#include "core/entry_table.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/unicode.h"

namespace ordano {

TextRef TextPool::Add(std::u16string_view text) {
  if (text.empty()) return {};
  if (text.size() > kBlock) text = text.substr(0, kBlock);  // no cell is that long
  if (kBlock - used_ < text.size()) {
    blocks_.push_back(std::make_unique_for_overwrite<char16_t[]>(kBlock));
    used_ = 0;
  }
  const auto offset =
      static_cast<std::uint32_t>((blocks_.size() - 1) * static_cast<std::size_t>(kBlock) + used_);
  std::copy(text.begin(), text.end(), blocks_.back().get() + used_);
  used_ += static_cast<std::uint32_t>(text.size());
  return {offset, static_cast<std::uint32_t>(text.size())};
}

void TextPool::Clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  used_ = kBlock;
}

namespace {

// A name's header: its length in characters, shifted left once, with bit 0
// set for UTF-16; 7 bits a byte.
constexpr std::size_t kHeaderMax = 5;

std::size_t PutHeader(unsigned char* out, std::uint32_t v) {
  std::size_t n = 0;
  while (v >= 0x80) {
    out[n++] = static_cast<unsigned char>((v & 0x7F) | 0x80);
    v >>= 7;
  }
  out[n++] = static_cast<unsigned char>(v);
  return n;
}

}  // namespace

std::uint32_t NamePool::Add(std::u16string_view text) {
  if (text.empty()) return 0;
  const bool wide = std::any_of(text.begin(), text.end(), [](char16_t c) { return c > u'\u00FF'; });
  // No name is that long; a block holds the longest with its header.
  const std::size_t maxChars = (kBlock - kHeaderMax - 1) / (wide ? 2 : 1);
  if (text.size() > maxChars) text = text.substr(0, maxChars);
  const std::size_t bytes = text.size() * (wide ? 2 : 1);
  if (kBlock - used_ < kHeaderMax + 1 + bytes) {
    // Offsets are 32 bits: 4096 blocks of 1 MiB.
    if (blocks_.size() >= (std::size_t{1} << 32) / kBlock) throw std::bad_alloc();
    blocks_.push_back(std::make_unique_for_overwrite<char16_t[]>(kBlock / 2));
    // Offset 0 is "no name": the first block starts one byte in.
    used_ = blocks_.size() == 1 ? 1 : 0;
  }
  const auto offset = static_cast<std::uint32_t>((blocks_.size() - 1) * kBlock + used_);
  unsigned char* at = reinterpret_cast<unsigned char*>(blocks_.back().get()) + used_;
  std::size_t n = PutHeader(at, static_cast<std::uint32_t>(text.size() << 1 | (wide ? 1 : 0)));
  if (wide) {
    n += (used_ + n) & 1;  // UTF-16 starts at an even offset
    std::memcpy(at + n, text.data(), bytes);
  } else {
    std::transform(text.begin(), text.end(), at + n,
                   [](char16_t c) { return static_cast<unsigned char>(c); });
  }
  used_ += static_cast<std::uint32_t>(n + bytes);
  return offset;
}

std::u16string_view NamePool::Get(std::uint32_t ref, std::u16string& buffer) const {
  const StoredName name = View(ref);
  if (name.narrow == nullptr) return {name.wide, name.size};
  buffer.assign(name.narrow, name.narrow + name.size);
  return buffer;
}

StoredName NamePool::View(std::uint32_t ref) const {
  if (ref == 0) return {};
  const std::uint32_t pos = ref % kBlock;
  const char16_t* block = blocks_[ref / kBlock].get();
  const unsigned char* at = reinterpret_cast<const unsigned char*>(block) + pos;
  std::uint32_t header = 0;
  std::size_t n = 0;
  for (int shift = 0;; shift += 7) {
    const unsigned char byte = at[n++];
    header |= static_cast<std::uint32_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) break;
  }
  const std::size_t length = header >> 1;
  if ((header & 1) != 0) {
    n += (pos + n) & 1;
    return {nullptr, block + (pos + n) / 2, length};
  }
  return {at + n, nullptr, length};
}

void NamePool::Clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  used_ = kBlock;
}

std::uint32_t EntryTable::Share(TextRef ref) {
  if (ref.length == 0) return 0;
  shared_.push_back(ref);
  return static_cast<std::uint32_t>(shared_.size() - 1);
}

void EntryTable::Create(int capacity) {
  ReleaseColumns();
  const auto rows = static_cast<std::size_t>(std::max(capacity, 0));
  // The sparse columns stay unallocated until a text is written to them.
  c_.ForEachDense([rows](auto& column) { column.resize(rows); });
  allocated_ = true;
}

void EntryTable::Grow(int capacity) {
  const auto rows = static_cast<std::size_t>(std::max(capacity, 0));
  if (rows <= c_.size.size()) return;
  c_.ForEachSparse([rows](auto& column) {
    if (!column.empty()) column.resize(rows);
  });
  c_.ForEachDense([rows](auto& column) { column.resize(rows); });
  allocated_ = true;
}

void EntryTable::Release() {
  ReleaseColumns();
  scanCarry_.reset();
}

void EntryTable::ReleaseColumns() {
  c_.ForEach([](auto& column) {
    column.clear();
    column.shrink_to_fit();
  });
  pool_.Clear();
  names_.Clear();
  shared_.assign(1, TextRef{});
  shared_.shrink_to_fit();
  folderPrefix_.clear();
  folderPrefix_.shrink_to_fit();
  offsetCount_ = 0;
  lastFolder_ = 0;
  lastLinkPrefix_ = 0;
  rawNames_.clear();
  allocated_ = false;
}

void EntryTable::SetFolder(int r, std::u16string_view v) {
  if (pool_.Get(shared_[lastFolder_]) != v) {
    // Stored with a "/" after it: a link prefix that is the folder text and
    // a slash (the usual one) is the same stored text.
    std::u16string slashed(v);
    slashed += u'/';
    TextRef ref = pool_.Add(slashed);
    ref.length = std::min(static_cast<std::uint32_t>(v.size()), ref.length - 1);
    lastFolder_ = Share(ref);
  }
  if ((c_.flags[r] & kLinkIsFolderPrefix) != 0 && c_.folder[r] != lastFolder_) {
    // The link path was the old folder's prefix: kept as the row's own.
    SetHigh(c_.linkPath, r, LinkIndex(r));
    c_.flags[r] &= ~kLinkIsFolderPrefix;
  }
  c_.folder[r] = lastFolder_;
}

void EntryTable::SetLinkPrefix(int r, std::u16string_view prefix) {
  const TextRef ref = shared_[lastLinkPrefix_];
  const TextRef last{ref.offset, ref.length & ~kPrefixOnly};
  if (lastLinkPrefix_ == 0 || pool_.Get(last) != prefix) {
    const TextRef folder = shared_[c_.folder[r]];
    const bool slashed = folder.length != 0 && prefix.size() == folder.length + 1 &&
                         pool_.Get({folder.offset, folder.length + 1}) == prefix;
    TextRef made = slashed ? TextRef{folder.offset, folder.length + 1} : pool_.Add(prefix);
    made.length |= kPrefixOnly;  // an empty prefix still marks "name follows"
    shared_.push_back(made);
    lastLinkPrefix_ = static_cast<std::uint32_t>(shared_.size() - 1);
  }
  // Rows of one folder have one prefix: it is kept with the folder.
  if (const std::uint32_t folder = c_.folder[r]; folder != 0) {
    if (folderPrefix_.size() <= folder) folderPrefix_.resize(shared_.size());
    if (folderPrefix_[folder] == 0) folderPrefix_[folder] = lastLinkPrefix_;
    if (folderPrefix_[folder] == lastLinkPrefix_) {
      c_.flags[r] |= kLinkIsFolderPrefix;
      SetHigh(c_.linkPath, r, 0u);
      return;
    }
  }
  c_.flags[r] &= ~kLinkIsFolderPrefix;
  SetHigh(c_.linkPath, r, lastLinkPrefix_);
}

std::u16string_view EntryTable::SizeText(int r, std::u16string& buffer) const {
  const int made = (c_.flags[r] & kSizeFormatBits) >> 1;
  if (made == 0) return Sparse(c_.sizeText, r);
  buffer.clear();
  AppendSizeText(buffer, static_cast<SizeFormat>(made - 1), Size(r));
  return buffer;
}

std::u16string EntryTable::LinkPath(int r) const {
  std::u16string buffer;
  const auto [head, name] = LinkPathParts(r, buffer);
  std::u16string path(head);
  path += name;
  return path;
}

void EntryTable::SetModified(int r, PackedTime t) {
  if ((c_.flags[r] & kCreatedIsModified) != 0 && t != Modified(r)) {
    // The creation time stays what it was: stored now.
    Allocate(c_.created);
    c_.created[r] = Modified(r);
    c_.flags[r] &= ~kCreatedIsModified;
  }
  std::int64_t wall = 0;
  int offset = 0;
  int slot = -1;
  if (SplitPackedTime(t, wall, offset) && wall >= 0 && wall < 0xFFFFFFFF) {
    slot = static_cast<int>(std::find(offsets_.begin(), offsets_.begin() + offsetCount_, offset) -
                            offsets_.begin());
    if (slot == offsetCount_ && offsetCount_ < static_cast<int>(offsets_.size())) {
      offsets_[offsetCount_++] = offset;
    }
    if (slot == static_cast<int>(offsets_.size())) slot = -1;
  }
  if (slot >= 0) {
    c_.modified[r] = static_cast<std::uint32_t>(wall + 1);
    c_.flags[r] =
        static_cast<std::uint8_t>((c_.flags[r] & ((1 << kOffsetShift) - 1)) | slot << kOffsetShift);
    SetHigh(c_.modifiedWhole, r, PackedTime{0});
  } else {
    c_.modified[r] = 0;
    SetHigh(c_.modifiedWhole, r, t);
  }
}

void EntryTable::SetCreated(int r, PackedTime t) {
  if (t != 0 && t == Modified(r)) {
    c_.flags[r] |= kCreatedIsModified;
    t = 0;
  } else {
    c_.flags[r] &= ~kCreatedIsModified;
  }
  SetHigh(c_.created, r, t);
}

EntryRow EntryTable::Row(int r) const {
  const auto sparse = [r](const auto& column) {
    return column.empty() ? typename std::decay_t<decltype(column)>::value_type{} : column[r];
  };
  return {c_.name[r],         c_.folder[r],         sparse(c_.linkPath),
          c_.modified[r],     sparse(c_.sizeText),  sparse(c_.title),
          sparse(c_.md5),     sparse(c_.sortKey),   sparse(c_.modifiedWhole),
          sparse(c_.created), c_.size[r],           sparse(c_.sizeHigh),
          c_.depth[r],        sparse(c_.depthHigh), c_.flags[r]};
}

void EntryTable::SetRow(int r, const EntryRow& row) {
  c_.name[r] = row.name;
  c_.folder[r] = row.folder;
  c_.modified[r] = row.modified;
  c_.size[r] = row.size;
  c_.depth[r] = row.depth;
  c_.flags[r] = row.flags;
  const auto sparse = [this, r](Column<TextRef>& column, TextRef v) {
    if (v.length == 0 && v.offset == 0 && column.empty()) return;
    Allocate(column);
    if (column[r].offset != v.offset || column[r].length != v.length) column[r] = v;
  };
  sparse(c_.sizeText, row.sizeText);
  sparse(c_.title, row.title);
  sparse(c_.md5, row.md5);
  sparse(c_.sortKey, row.sortKey);
  SetHigh(c_.linkPath, r, row.linkPath);
  SetHigh(c_.modifiedWhole, r, row.modifiedWhole);
  SetHigh(c_.created, r, row.created);
  SetHigh(c_.sizeHigh, r, row.sizeHigh);
  SetHigh(c_.depthHigh, r, row.depthHigh);
}

std::size_t EntryTable::BytesReserved() const {
  std::size_t bytes =
      pool_.BytesReserved() + names_.BytesReserved() + shared_.capacity() * sizeof(TextRef);
  c_.ForEach([&bytes](const auto& column) {
    bytes += column.capacity() * sizeof(typename std::decay_t<decltype(column)>::value_type);
  });
  return bytes;
}

std::string_view EntryTable::RawName(int r) const {
  if (rawNames_.empty()) return {};
  const std::uint32_t ref = c_.name[r];
  if (ref == 0) return {};
  const auto it = rawNames_.find(ref);
  return it == rawNames_.end() ? std::string_view{} : std::string_view(it->second);
}

void EntryTable::SetName(int r, std::u16string_view v, std::string_view native) {
  SetName(r, v);
  // Only a replaced sequence shows U+FFFD; the validity test runs on those alone.
  if (v.find(u'\uFFFD') != std::u16string_view::npos && !IsValidUtf8(native)) {
    rawNames_[c_.name[r]] = std::string(native);
  }
}

void BeginFillingPass(RunState& run, EntryTable& table) {
  run.Pass = 1;
  run.ExpectedCount = run.EntryCount;
  run.Capacity = run.EntryCount + 1000;
  table.Create(run.Capacity);
  run.NameWidth = 16;
  run.EntryCount = 0;
  run.PlaceholderCount = 0;
  run.OutputCounter = 0;
  run.ShortcutFolders.clear();
}

bool RoomForRow(RunState& run, EntryTable& table) {
  if (run.EntryCount < 0) return false;
  if (run.EntryCount < table.Capacity()) {
    run.Capacity = table.Capacity();
    return true;
  }
  constexpr int kMaxRows = std::numeric_limits<int>::max() - 1;
  if (run.EntryCount >= kMaxRows) return false;
  // Half again as many rows, at least the usual 1000 spare ones.
  const long long wanted = static_cast<long long>(run.EntryCount) +
                           std::max(1000LL, static_cast<long long>(run.EntryCount) / 2);
  table.Grow(static_cast<int>(std::min<long long>(wanted, kMaxRows)));
  run.Capacity = table.Capacity();
  return true;
}

}  // namespace ordano
