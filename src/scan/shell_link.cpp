#include "scan/shell_link.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/codepage.h"
#include "scan/archive/member_headers.h"

namespace ordano {
namespace {

constexpr std::size_t kHeaderSize = 0x4C;
// CLSID 00021401-0000-0000-C000-000000000046 as stored.
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr std::uint32_t kHasTargetIdList = 0x01;
constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kHasName = 0x04;
constexpr std::uint32_t kHasRelativePath = 0x08;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kForceNoLinkInfo = 0x100;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x01;

using Bytes = std::span<const unsigned char>;

// A NUL-terminated string in the system code page starting at `offset` of
// `block`; nullopt when the offset lies outside or no NUL ends it.
std::optional<std::u16string> AnsiAt(Bytes block, std::size_t offset) {
  if (offset >= block.size()) return std::nullopt;
  const auto* start = block.data() + offset;
  const void* nul = std::memchr(start, 0, block.size() - offset);
  if (nul == nullptr) return std::nullopt;
  const auto length = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - start);
  return DecodeCodePage(kCodePageSystem,
                        std::string_view(reinterpret_cast<const char*>(start), length));
}

// A NUL-terminated UTF-16LE string at `offset` of `block`.
std::optional<std::u16string> Utf16At(Bytes block, std::size_t offset) {
  std::u16string out;
  for (std::size_t i = offset; i + 1 < block.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(Le16(block.data() + i));
    if (c == 0) return out;
    out.push_back(c);
  }
  return std::nullopt;
}

// LocalBasePath + CommonPathSuffix of a LinkInfo block.
std::optional<std::u16string> LocalPathOf(Bytes info) {
  if (info.size() < 0x1C) return std::nullopt;
  const std::uint32_t headerSize = Le32(info.data() + 4);
  const std::uint32_t flags = Le32(info.data() + 8);
  if ((flags & kVolumeIdAndLocalBasePath) == 0) return std::nullopt;  // a network path only
  std::optional<std::u16string> base, suffix;
  if (headerSize >= 0x24 && info.size() >= 0x24) {
    base = Utf16At(info, Le32(info.data() + 28));
    suffix = Utf16At(info, Le32(info.data() + 32));
  }
  if (!base) base = AnsiAt(info, Le32(info.data() + 16));
  if (!suffix) suffix = AnsiAt(info, Le32(info.data() + 24));
  if (!base) return std::nullopt;
  if (suffix) *base += *suffix;
  return base;
}

}  // namespace

std::optional<ShellLinkTarget> ParseShellLink(Bytes bytes) {
  if (bytes.size() < kHeaderSize || Le32(bytes.data()) != kHeaderSize ||
      std::memcmp(bytes.data() + 4, kLinkClsid, sizeof kLinkClsid) != 0) {
    return std::nullopt;
  }
  const std::uint32_t flags = Le32(bytes.data() + 20);
  std::size_t pos = kHeaderSize;
  auto has = [&](std::size_t n) { return n <= bytes.size() && pos <= bytes.size() - n; };

  if ((flags & kHasTargetIdList) != 0) {
    if (!has(2)) return std::nullopt;
    const std::size_t size = Le16(bytes.data() + pos);
    pos += 2;
    if (!has(size)) return std::nullopt;
    pos += size;
  }

  ShellLinkTarget target;
  if ((flags & kHasLinkInfo) != 0) {
    if (!has(4)) return std::nullopt;
    const std::size_t size = Le32(bytes.data() + pos);
    if (size < 4 || !has(size)) return std::nullopt;
    if ((flags & kForceNoLinkInfo) == 0) target.localPath = LocalPathOf(bytes.subspan(pos, size));
    pos += size;
  }

  // String data: NAME_STRING, then RELATIVE_PATH, each a count of characters
  // followed by the characters.
  const std::size_t unit = (flags & kIsUnicode) != 0 ? 2 : 1;
  for (const std::uint32_t flag : {kHasName, kHasRelativePath}) {
    if ((flags & flag) == 0) continue;
    if (!has(2)) return std::nullopt;
    const std::size_t count = Le16(bytes.data() + pos);
    pos += 2;
    if (!has(count * unit)) return std::nullopt;
    if (flag == kHasRelativePath) {
      const Bytes text = bytes.subspan(pos, count * unit);
      if (unit == 2) {
        std::u16string s;
        for (std::size_t i = 0; i < count; ++i)
          s.push_back(static_cast<char16_t>(Le16(text.data() + 2 * i)));
        target.relativePath = std::move(s);
      } else {
        target.relativePath = DecodeCodePage(
            kCodePageSystem, std::string_view(reinterpret_cast<const char*>(text.data()), count));
      }
    }
    pos += count * unit;
  }
  return target;
}

}  // namespace ordano
