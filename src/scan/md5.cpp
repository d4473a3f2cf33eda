#include "scan/md5.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace ordano {
namespace {

// Little-endian word i of a block, straight from the caller's bytes.
inline std::uint32_t Word(const unsigned char* p, int i) {
  std::uint32_t w;
  std::memcpy(&w, p + 4 * i, sizeof w);
  if constexpr (std::endian::native == std::endian::big) {
    w = (w >> 24) | ((w >> 8) & 0xff00u) | ((w << 8) & 0xff0000u) | (w << 24);
  }
  return w;
}

void Complain(const char* text) { std::fputs(text, stderr); }

}  // namespace

// The round functions are written so that the terms which do not depend on the
// previous step's result can be computed early: that dependency chain is what
// limits MD5's speed.
//   F(b,c,d) = (b & c) | (~b & d)  ==  d ^ (b & (c ^ d))
//   G(b,c,d) = (b & d) | (c & ~d)  ==  (b & d) + (c & ~d)   (disjoint bits)
//   H(b,c,d) = b ^ c ^ d
//   I(b,c,d) = c ^ (b | ~d)
#define ORDANO_MD5_F(a, b, c, d, i, k, s)              \
  a += Word(p, i) + (k) + ((d) ^ ((b) & ((c) ^ (d)))); \
  a = std::rotl(a, s) + (b)
#define ORDANO_MD5_G(a, b, c, d, i, k, s) \
  a += Word(p, i) + (k) + ((c) & ~(d));   \
  a += (b) & (d);                         \
  a = std::rotl(a, s) + (b)
#define ORDANO_MD5_H(a, b, c, d, i, k, s)    \
  a += Word(p, i) + (k) + ((b) ^ (c) ^ (d)); \
  a = std::rotl(a, s) + (b)
#define ORDANO_MD5_I(a, b, c, d, i, k, s)       \
  a += Word(p, i) + (k) + ((c) ^ ((b) | ~(d))); \
  a = std::rotl(a, s) + (b)

void MD5::transform(const unsigned char* p, std::size_t count) {
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (; count != 0; --count, p += kBlockSize) {
    const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

    ORDANO_MD5_F(a, b, c, d, 0, 0xd76aa478u, 7);
    ORDANO_MD5_F(d, a, b, c, 1, 0xe8c7b756u, 12);
    ORDANO_MD5_F(c, d, a, b, 2, 0x242070dbu, 17);
    ORDANO_MD5_F(b, c, d, a, 3, 0xc1bdceeeu, 22);
    ORDANO_MD5_F(a, b, c, d, 4, 0xf57c0fafu, 7);
    ORDANO_MD5_F(d, a, b, c, 5, 0x4787c62au, 12);
    ORDANO_MD5_F(c, d, a, b, 6, 0xa8304613u, 17);
    ORDANO_MD5_F(b, c, d, a, 7, 0xfd469501u, 22);
    ORDANO_MD5_F(a, b, c, d, 8, 0x698098d8u, 7);
    ORDANO_MD5_F(d, a, b, c, 9, 0x8b44f7afu, 12);
    ORDANO_MD5_F(c, d, a, b, 10, 0xffff5bb1u, 17);
    ORDANO_MD5_F(b, c, d, a, 11, 0x895cd7beu, 22);
    ORDANO_MD5_F(a, b, c, d, 12, 0x6b901122u, 7);
    ORDANO_MD5_F(d, a, b, c, 13, 0xfd987193u, 12);
    ORDANO_MD5_F(c, d, a, b, 14, 0xa679438eu, 17);
    ORDANO_MD5_F(b, c, d, a, 15, 0x49b40821u, 22);

    ORDANO_MD5_G(a, b, c, d, 1, 0xf61e2562u, 5);
    ORDANO_MD5_G(d, a, b, c, 6, 0xc040b340u, 9);
    ORDANO_MD5_G(c, d, a, b, 11, 0x265e5a51u, 14);
    ORDANO_MD5_G(b, c, d, a, 0, 0xe9b6c7aau, 20);
    ORDANO_MD5_G(a, b, c, d, 5, 0xd62f105du, 5);
    ORDANO_MD5_G(d, a, b, c, 10, 0x02441453u, 9);
    ORDANO_MD5_G(c, d, a, b, 15, 0xd8a1e681u, 14);
    ORDANO_MD5_G(b, c, d, a, 4, 0xe7d3fbc8u, 20);
    ORDANO_MD5_G(a, b, c, d, 9, 0x21e1cde6u, 5);
    ORDANO_MD5_G(d, a, b, c, 14, 0xc33707d6u, 9);
    ORDANO_MD5_G(c, d, a, b, 3, 0xf4d50d87u, 14);
    ORDANO_MD5_G(b, c, d, a, 8, 0x455a14edu, 20);
    ORDANO_MD5_G(a, b, c, d, 13, 0xa9e3e905u, 5);
    ORDANO_MD5_G(d, a, b, c, 2, 0xfcefa3f8u, 9);
    ORDANO_MD5_G(c, d, a, b, 7, 0x676f02d9u, 14);
    ORDANO_MD5_G(b, c, d, a, 12, 0x8d2a4c8au, 20);

    ORDANO_MD5_H(a, b, c, d, 5, 0xfffa3942u, 4);
    ORDANO_MD5_H(d, a, b, c, 8, 0x8771f681u, 11);
    ORDANO_MD5_H(c, d, a, b, 11, 0x6d9d6122u, 16);
    ORDANO_MD5_H(b, c, d, a, 14, 0xfde5380cu, 23);
    ORDANO_MD5_H(a, b, c, d, 1, 0xa4beea44u, 4);
    ORDANO_MD5_H(d, a, b, c, 4, 0x4bdecfa9u, 11);
    ORDANO_MD5_H(c, d, a, b, 7, 0xf6bb4b60u, 16);
    ORDANO_MD5_H(b, c, d, a, 10, 0xbebfbc70u, 23);
    ORDANO_MD5_H(a, b, c, d, 13, 0x289b7ec6u, 4);
    ORDANO_MD5_H(d, a, b, c, 0, 0xeaa127fau, 11);
    ORDANO_MD5_H(c, d, a, b, 3, 0xd4ef3085u, 16);
    ORDANO_MD5_H(b, c, d, a, 6, 0x04881d05u, 23);
    ORDANO_MD5_H(a, b, c, d, 9, 0xd9d4d039u, 4);
    ORDANO_MD5_H(d, a, b, c, 12, 0xe6db99e5u, 11);
    ORDANO_MD5_H(c, d, a, b, 15, 0x1fa27cf8u, 16);
    ORDANO_MD5_H(b, c, d, a, 2, 0xc4ac5665u, 23);

    ORDANO_MD5_I(a, b, c, d, 0, 0xf4292244u, 6);
    ORDANO_MD5_I(d, a, b, c, 7, 0x432aff97u, 10);
    ORDANO_MD5_I(c, d, a, b, 14, 0xab9423a7u, 15);
    ORDANO_MD5_I(b, c, d, a, 5, 0xfc93a039u, 21);
    ORDANO_MD5_I(a, b, c, d, 12, 0x655b59c3u, 6);
    ORDANO_MD5_I(d, a, b, c, 3, 0x8f0ccc92u, 10);
    ORDANO_MD5_I(c, d, a, b, 10, 0xffeff47du, 15);
    ORDANO_MD5_I(b, c, d, a, 1, 0x85845dd1u, 21);
    ORDANO_MD5_I(a, b, c, d, 8, 0x6fa87e4fu, 6);
    ORDANO_MD5_I(d, a, b, c, 15, 0xfe2ce6e0u, 10);
    ORDANO_MD5_I(c, d, a, b, 6, 0xa3014314u, 15);
    ORDANO_MD5_I(b, c, d, a, 13, 0x4e0811a1u, 21);
    ORDANO_MD5_I(a, b, c, d, 4, 0xf7537e82u, 6);
    ORDANO_MD5_I(d, a, b, c, 11, 0xbd3af235u, 10);
    ORDANO_MD5_I(c, d, a, b, 2, 0x2ad7d2bbu, 15);
    ORDANO_MD5_I(b, c, d, a, 9, 0xeb86d391u, 21);

    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  state_ = {a, b, c, d};
}

#undef ORDANO_MD5_F
#undef ORDANO_MD5_G
#undef ORDANO_MD5_H
#undef ORDANO_MD5_I

void MD5::update(std::span<const std::byte> data) { update(data.data(), data.size()); }

void MD5::update(const void* data, std::size_t size) {
  if (finalized_) {
    Complain("MD5::update:  Can't update a finalized digest!\n");
    return;
  }
  if (size == 0) return;
  auto in = static_cast<const unsigned char*>(data);
  length_ += size;

  // Top up a partly filled block first.
  if (buffered_ != 0) {
    const std::size_t take = std::min(size, kBlockSize - buffered_);
    std::memcpy(buffer_.data() + buffered_, in, take);
    buffered_ += take;
    in += take;
    size -= take;
    if (buffered_ < kBlockSize) return;
    transform(buffer_.data(), 1);
    buffered_ = 0;
  }
  // Whole blocks straight from the caller's bytes.
  if (const std::size_t blocks = size / kBlockSize; blocks != 0) {
    transform(in, blocks);
    in += blocks * kBlockSize;
    size -= blocks * kBlockSize;
  }
  if (size != 0) {
    std::memcpy(buffer_.data(), in, size);
    buffered_ = size;
  }
}

void MD5::finalize() {
  if (finalized_) {
    Complain("MD5::finalize:  Already finalized this digest!\n");
    return;
  }
  // 0x80, zeros up to 56 mod 64, then the bit length little-endian.
  const std::uint64_t bits = length_ * 8;
  std::array<unsigned char, 2 * kBlockSize> tail{};
  std::memcpy(tail.data(), buffer_.data(), buffered_);
  tail[buffered_] = 0x80;
  const std::size_t tailSize = buffered_ < 56 ? kBlockSize : 2 * kBlockSize;
  for (int i = 0; i < 8; ++i) tail[tailSize - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
  transform(tail.data(), tailSize / kBlockSize);

  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      digest_[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (8 * j));
  buffer_.fill(0);
  buffered_ = 0;
  finalized_ = true;
}

std::string MD5::hex_digest() const {
  if (!finalized_) {
    Complain("MD5::hex_digest:  Can't get digest if you haven't finalized the digest!\n");
    return {};
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(2 * kDigestSize, '0');
  for (std::size_t i = 0; i < kDigestSize; ++i) {
    out[2 * i] = kHex[digest_[i] >> 4];
    out[2 * i + 1] = kHex[digest_[i] & 0x0f];
  }
  return out;
}

}  // namespace ordano
