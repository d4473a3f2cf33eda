#include "core/entry_table.h"

#include <algorithm>
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
  for (auto* sparse : {&c_.sizeText, &c_.title, &c_.md5, &c_.sortKey}) {
    if (!sparse->empty()) sparse->resize(rows);
  }
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
  lastFolder_ = {};
  lastLinkPrefix_ = {};
  rawNames_.clear();
  allocated_ = false;
}

void EntryTable::SetFolder(int r, std::u16string_view v) {
  if (pool_.Get(lastFolder_) != v) lastFolder_ = pool_.Add(v);
  c_.folder[r] = lastFolder_;
}

void EntryTable::SetLinkPrefix(int r, std::u16string_view prefix) {
  const TextRef last{lastLinkPrefix_.offset, lastLinkPrefix_.length & ~kPrefixOnly};
  if (lastLinkPrefix_.length == 0 || pool_.Get(last) != prefix) {
    lastLinkPrefix_ = pool_.Add(prefix);
    lastLinkPrefix_.length |= kPrefixOnly;
  }
  c_.linkPath[r] = lastLinkPrefix_;
}

std::u16string_view EntryTable::SizeText(int r, std::u16string& buffer) const {
  const int made = c_.flags[r] >> 1;
  if (made == 0) return Sparse(c_.sizeText, r);
  buffer.clear();
  AppendSizeText(buffer, static_cast<SizeFormat>(made - 1), c_.size[r]);
  return buffer;
}

std::u16string EntryTable::LinkPath(int r) const {
  const auto [head, name] = LinkPathParts(r);
  std::u16string path(head);
  path += name;
  return path;
}

EntryRow EntryTable::Row(int r) const {
  const auto sparse = [r](const Column<TextRef>& column) {
    return column.empty() ? TextRef{} : column[r];
  };
  return {c_.name[r],       sparse(c_.sizeText), c_.folder[r],       c_.linkPath[r],
          sparse(c_.title), sparse(c_.md5),      sparse(c_.sortKey), c_.modified[r],
          c_.created[r],    c_.size[r],          c_.depth[r],        c_.flags[r]};
}

void EntryTable::SetRow(int r, const EntryRow& row) {
  c_.name[r] = row.name;
  c_.folder[r] = row.folder;
  c_.linkPath[r] = row.linkPath;
  const auto sparse = [this, r](Column<TextRef>& column, TextRef v) {
    if (v.length == 0 && v.offset == 0 && column.empty()) return;
    Allocate(column);
    column[r] = v;
  };
  sparse(c_.sizeText, row.sizeText);
  sparse(c_.title, row.title);
  sparse(c_.md5, row.md5);
  sparse(c_.sortKey, row.sortKey);
  c_.modified[r] = row.modified;
  c_.created[r] = row.created;
  c_.size[r] = row.size;
  c_.depth[r] = row.depth;
  c_.flags[r] = row.flags;
}

std::size_t EntryTable::BytesReserved() const {
  std::size_t bytes = pool_.BytesReserved();
  c_.ForEach([&bytes](const auto& column) {
    bytes += column.capacity() * sizeof(typename std::decay_t<decltype(column)>::value_type);
  });
  return bytes;
}

std::string_view EntryTable::RawName(int r) const {
  if (rawNames_.empty()) return {};
  const TextRef ref = c_.name[r];
  if (ref.length == 0) return {};
  const auto it = rawNames_.find(ref.offset);
  return it == rawNames_.end() ? std::string_view{} : std::string_view(it->second);
}

void EntryTable::SetName(int r, std::u16string_view v, std::string_view native) {
  SetName(r, v);
  // Only a replaced sequence shows U+FFFD; the validity test runs on those alone.
  if (v.find(u'\uFFFD') != std::u16string_view::npos && !IsValidUtf8(native)) {
    rawNames_[c_.name[r].offset] = std::string(native);
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
