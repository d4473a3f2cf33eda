// Reading a catalogue back (JSON through SAX, the UTF-16 CSV) from hostile
// bytes, and comparing what was read with itself: never a crash, and a
// catalogue is always equal to itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "compare/catalogue_compare.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ordano::CatalogueLoad load = ordano::ParseCatalogue(bytes);
  if (!load.error.empty()) return 0;
  const ordano::CompareReport report = ordano::CompareCatalogues(load.catalogue, load.catalogue);
  if (!report.Equal()) std::abort();
  (void)ordano::ReportJson(report);
  return 0;
}
