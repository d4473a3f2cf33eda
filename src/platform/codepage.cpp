#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/unicode.h"

namespace ordano {
namespace {

const char* IconvName(int codePage) {
  switch (codePage) {
    case kCodePageSystem:
      return "CP932";
    case kCodePageEucJp:
      return "EUC-JP";
    case kCodePageLatin1:
      return "ISO-8859-1";
    case kCodePageUtf16Le:
      return "UTF-16LE";
    default:
      return "UTF-8";
  }
}

// One iconv conversion descriptor, closed on destruction.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

namespace {

enum class OnInvalid { Replace, Fail, FailButDropCutEnd };

// The one iconv decoding loop; an invalid byte is replaced (and skipped) or
// ends the decoding, as the caller asks.
std::optional<std::u16string> DecodeWithIconv(const Iconv& cd, std::string_view bytes,
                                              OnInvalid onInvalid) {
  std::u16string out;
  std::array<char16_t, 4096> buf;
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* outp = reinterpret_cast<char*>(buf.data());
    std::size_t outLeft = sizeof(buf);
    const std::size_t r = iconv(cd.get(), &in, &inLeft, &outp, &outLeft);
    out.append(buf.data(), (sizeof(buf) - outLeft) / 2);
    if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    if (onInvalid == OnInvalid::FailButDropCutEnd && errno == EINVAL) break;  // cut at the end
    if (onInvalid != OnInvalid::Replace) return std::nullopt;
    out.push_back(u'\uFFFD');
    ++in;
    --inLeft;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::u16string DecodeCodePage(int codePage, std::string_view bytes) {
  if (codePage == kCodePageUtf8 || codePage <= 0) return Utf8ToUtf16(bytes);
  Iconv cd("UTF-16LE", IconvName(codePage));
  if (!cd.ok()) return Utf8ToUtf16(bytes);
  return *DecodeWithIconv(cd, bytes, OnInvalid::Replace);
}

std::optional<std::u16string> DecodeCodePageStrictly(int codePage, std::string_view bytes,
                                                     bool allowCutEnd) {
  if (codePage != kCodePageSystem && codePage != kCodePageEucJp && codePage != kCodePageLatin1) {
    return std::nullopt;
  }
  Iconv cd("UTF-16LE", IconvName(codePage));
  if (!cd.ok()) return std::nullopt;
  return DecodeWithIconv(cd, bytes, allowCutEnd ? OnInvalid::FailButDropCutEnd : OnInvalid::Fail);
}

std::string EncodeCodePage(int codePage, std::u16string_view text) {
  if (codePage == kCodePageUtf8 || codePage <= 0) return Utf16ToUtf8(text);
  Iconv cd(IconvName(codePage), "UTF-16LE");
  if (!cd.ok()) return Utf16ToUtf8(text);
  std::string out;
  std::array<char, 8192> buf;
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
  std::size_t inLeft = text.size() * 2;
  while (inLeft > 0) {
    char* outp = buf.data();
    std::size_t outLeft = buf.size();
    const std::size_t r = iconv(cd.get(), &in, &inLeft, &outp, &outLeft);
    out.append(buf.data(), buf.size() - outLeft);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      out.push_back('?');
      // Skip one UTF-16 unit (two for a surrogate pair).
      const auto c = *reinterpret_cast<const char16_t*>(in);
      std::size_t skip = (c >= 0xD800 && c <= 0xDBFF && inLeft >= 4) ? 4 : 2;
      skip = std::min(skip, inLeft);
      in += skip;
      inLeft -= skip;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

namespace {

struct WideRange {
  char32_t first, last;
};
constexpr WideRange kEastAsianWide[] = {
#include "platform/east_asian_wide.inc"
};

bool IsEastAsianWide(char32_t cp) {
  auto it = std::upper_bound(std::begin(kEastAsianWide), std::end(kEastAsianWide), cp,
                             [](char32_t v, const WideRange& r) { return v < r.first; });
  if (it == std::begin(kEastAsianWide)) return false;
  --it;
  return cp <= it->last;
}

// CP932 byte length of every BMP character (0 = not encodable). Filled a
// block of 256 characters at a time, on the first use of the block: a
// catalogue of ASCII names never pays for the other 65,280 conversions.
class Cp932Widths {
 public:
  int Length(char32_t cp) const {
    if (cp < 0x80) return 1;
    if (cp >= 0x10000) return 0;
    const std::size_t block = cp >> 8;
    std::call_once(filled_[block], [this, block] { Fill(block); });
    return len_[cp];
  }

 private:
  void Fill(std::size_t block) const {
    Iconv cd("CP932", "UTF-16LE");
    if (!cd.ok()) return;
    for (char32_t cp = static_cast<char32_t>(block << 8); cp < ((block + 1) << 8); ++cp) {
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;
      char16_t in16 = static_cast<char16_t>(cp);
      char* in = reinterpret_cast<char*>(&in16);
      std::size_t inLeft = 2;
      char out[8];
      char* outp = out;
      std::size_t outLeft = sizeof(out);
      if (iconv(cd.get(), &in, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1)) {
        len_[cp] = static_cast<std::uint8_t>(sizeof(out) - outLeft);
      } else {
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
      }
    }
  }

  mutable std::array<std::once_flag, 256> filled_;
  mutable std::array<std::uint8_t, 0x10000> len_{};
};

const Cp932Widths& Widths() {
  static const Cp932Widths widths;
  return widths;
}

}  // namespace

int DisplayWidth(char32_t cp) {
  const int n = Widths().Length(cp);
  if (n > 0) return n;
  return IsEastAsianWide(cp) ? 2 : 1;
}

int DisplayWidth(std::u16string_view text) {
  int width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp < 0x80) {
      ++width;
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    width += DisplayWidth(cp);
  }
  return width;
}

}  // namespace ordano
