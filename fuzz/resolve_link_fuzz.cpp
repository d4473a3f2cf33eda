// ResolveLink of a value against a base (split at the first line feed). A
// result must crack, be normalised already (so its visited key is stable) and
// have a display name and folder.
#include <cstdint>

#include "crawler/url.h"
#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string input = ordano::fuzz::FuzzText(data, size);
  const std::size_t split = input.find(u'\n');
  const std::u16string value = input.substr(0, split);
  const std::u16string base =
      split == std::u16string::npos ? u"http://example.com/dir/page.html" : input.substr(split + 1);
  const std::u16string url = ordano::ResolveLink(value, base);
  if (url.empty()) return 0;
  const auto parts = ordano::CrackUrl(url);
  if (!parts) __builtin_trap();
  if (ordano::NormaliseUrl(url) != url) __builtin_trap();
  if (ordano::FolderUrl(url).empty()) __builtin_trap();
  const auto scope = ordano::MakeScope(*parts);
  if (scope.prefix.empty() || scope.prefix.back() != u'/') __builtin_trap();
  if (!ordano::InScope(scope, url)) __builtin_trap();
  return 0;
}
