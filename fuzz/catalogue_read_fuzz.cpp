// Reading a catalogue back (JSON through SAX, the UTF-16 CSV) from hostile
// bytes, and comparing what was read with itself: never a crash, and a
// catalogue is always equal to itself. The first byte chooses the form: odd,
// the rest is CSV text written as UTF-8 and handed over as the UTF-16 file
// (so the Japanese header labels can be found through the dictionary); even,
// the rest as it is (JSON, or UTF-16 after FF FE).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "compare/catalogue_compare.h"
#include "platform/unicode.h"

namespace {

std::string Utf16CsvFile(std::string_view utf8) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : ordano::Utf8ToUtf16(utf8)) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string bytes = (data[0] & 1) != 0 ? Utf16CsvFile(rest) : std::string(rest);
  const ordano::CatalogueLoad load = ordano::ParseCatalogue(bytes);
  if (!load.error.empty()) return 0;
  const ordano::CompareReport report = ordano::CompareCatalogues(load.catalogue, load.catalogue);
  if (!report.Equal()) std::abort();
  (void)ordano::ReportJson(report);
  // Every row removed: one report line each, whatever the names hold.
  ordano::Catalogue none;
  none.rawNames = load.catalogue.rawNames;
  const std::string text = ordano::ReportText(ordano::CompareCatalogues(load.catalogue, none));
  if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) !=
      load.catalogue.rows.size() + 1) {
    std::abort();
  }
  if (std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && b != '\n') || b == 0x7F;
      })) {
    std::abort();
  }
  return 0;
}
