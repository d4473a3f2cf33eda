// The 7z header reader on hostile headers. The input is the header block of
// an archive whose signature header is made to fit (offset 0, size and CRCs
// right), so the fuzzer reaches the parser instead of the checksums; pack
// positions of coded headers point into the same bytes.
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "scan/archive/sevenzip_headers.h"

namespace {

void PutLe(std::vector<unsigned char>& out, std::size_t at, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t Crc(const unsigned char* p, std::size_t n) {
  return static_cast<std::uint32_t>(crc32_z(crc32_z(0, Z_NULL, 0), p, n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned char> archive(32 + size);
  const unsigned char signature[8] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4};
  std::copy(signature, signature + 8, archive.begin());
  PutLe(archive, 12, 0, 8);
  PutLe(archive, 20, size, 8);
  PutLe(archive, 28, Crc(data, size), 4);
  PutLe(archive, 8, Crc(archive.data() + 12, 20), 4);
  std::copy(data, data + size, archive.begin() + 32);

  const ordano::SevenZipListing listing = ordano::ParseSevenZip(archive);
  // Larger listings are left to libarchive.
  if (listing.members.size() > 2000000) __builtin_trap();
  if (listing.status != ordano::SevenZipStatus::Listed && !listing.members.empty())
    __builtin_trap();
  for (const auto& m : listing.members) {
    if (m.ratio != 0 && m.originalSize == 0) __builtin_trap();
  }
  return 0;
}
