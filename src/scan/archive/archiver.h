// The common archiver calls every archive kind offers: open, find the first
// and the next member, close, and the version numbers. Each row of the
// archiver table has one implementation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ordano {

// One member as an archiver reports it.
struct MemberRecord {
  std::uint64_t originalSize = 0;
  std::uint64_t compressedSize = 0;  // 0 when the format records none
  std::uint32_t crc = 0;             // CRC-32 of the member's data; 0 when unknown
  std::uint32_t ratio = 0;           // compressed / original in tenths of a percent; 0 when unknown
  std::uint16_t dosDate = 0;         // MS-DOS date and time, local; date 0 = none
  std::uint16_t dosTime = 0;
  bool hasUnixTime = false;  // a better time than the MS-DOS fields
  std::int64_t unixTime = 0;
  std::string path;        // as the archive stores it (UTF-8 or CP932 bytes)
  std::string attributes;  // starts with "d" for a folder
  std::string method;
};

// What an open archive needs from the caller while it reads member data.
struct MemberReadOptions {
  // Complete records: compressed sizes, and CRCs, read from the member data
  // where the headers store none. The counting pass leaves it off and only
  // learns that members exist.
  bool computeCrc = false;
  // Asked between blocks of a long member; false stops the read (cancel).
  std::function<bool()> keepReading;
};

class ArchiveHandle {
 public:
  virtual ~ArchiveHandle() = default;
};

// FindFirst/FindNext return 0 when a member was found and -1 when there is
// none (more). Every pattern lists every member: "*" and "*.*" are the only
// ones asked for.
class Archiver {
 public:
  virtual ~Archiver() = default;
  // Null when the file is not an archive of this kind or cannot be read.
  virtual std::unique_ptr<ArchiveHandle> OpenArchive(const std::string& path,
                                                     MemberReadOptions options) const = 0;
  virtual int FindFirst(ArchiveHandle& handle, std::string_view pattern,
                        MemberRecord& record) const = 0;
  virtual int FindNext(ArchiveHandle& handle, MemberRecord& record) const = 0;
  virtual void CloseArchive(std::unique_ptr<ArchiveHandle> handle) const { handle.reset(); }
  virtual std::uint16_t GetVersion() const = 0;
  virtual std::optional<std::uint16_t> GetSubVersion() const { return std::nullopt; }
};

// Ratio in tenths of a percent of a compressed size; 0 when nothing is known.
inline std::uint32_t RatioTenths(std::uint64_t compressed, std::uint64_t original) {
  if (compressed == 0 || original == 0) return 0;
  const long double r = static_cast<long double>(compressed) * 1000.0L / original;
  return r >= 4294967295.0L ? 4294967295u : static_cast<std::uint32_t>(r);
}

}  // namespace ordano
