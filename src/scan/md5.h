// MD5 message digest (RFC 1321), the program's own implementation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace ordano {

class MD5 {
 public:
  static constexpr std::size_t kBlockSize = 64;
  static constexpr std::size_t kDigestSize = 16;

  MD5() = default;

  // Appends bytes. After finalize this only writes a complaint to stderr.
  void update(std::span<const std::byte> data);
  void update(const void* data, std::size_t size);
  // Pads and closes the digest; a second call only complains.
  void finalize();
  // 32 lower-case hex digits; empty (with a complaint) before finalize.
  std::string hex_digest() const;
  // The 16 raw bytes; all zero before finalize.
  const std::array<std::uint8_t, kDigestSize>& digest() const { return digest_; }
  bool finalized() const { return finalized_; }

 private:
  void transform(const unsigned char* blocks, std::size_t count);

  std::array<std::uint32_t, 4> state_{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
  std::uint64_t length_ = 0;  // bytes taken so far
  std::array<unsigned char, kBlockSize> buffer_{};
  std::size_t buffered_ = 0;
  std::array<std::uint8_t, kDigestSize> digest_{};
  bool finalized_ = false;
};

}  // namespace ordano
