#include "scan/entry_table.h"

#include <algorithm>

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
  Release();
  rows_.assign(static_cast<std::size_t>(std::max(capacity, 0)), EntryRow{});
  allocated_ = true;
}

void EntryTable::Release() {
  rows_.clear();
  rows_.shrink_to_fit();
  pool_.Clear();
  lastFolder_ = {};
  rawNames_.clear();
  allocated_ = false;
}

void EntryTable::SetFolder(int r, std::u16string_view v) {
  if (pool_.Get(lastFolder_) != v) lastFolder_ = pool_.Add(v);
  rows_[r].folder = lastFolder_;
}

std::string_view EntryTable::RawName(int r) const {
  if (rawNames_.empty()) return {};
  const TextRef ref = rows_[r].name;
  if (ref.length == 0) return {};
  const auto it = rawNames_.find(ref.offset);
  return it == rawNames_.end() ? std::string_view{} : std::string_view(it->second);
}

void EntryTable::SetName(int r, std::u16string_view v, std::string_view native) {
  SetName(r, v);
  // Only a replaced sequence shows U+FFFD; the validity test runs on those alone.
  if (v.find(u'\uFFFD') != std::u16string_view::npos && !IsValidUtf8(native)) {
    rawNames_[rows_[r].name.offset] = std::string(native);
  }
}

}  // namespace ordano
