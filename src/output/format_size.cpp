#include "output/format_size.h"

#include "settings/settings_record.h"

namespace ordano {

std::u16string FormatSize(const SettingsRecord&, std::uint64_t v, std::uint64_t* total) {
  if (total) *total += v;  // TODO(output)
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

}  // namespace ordano
