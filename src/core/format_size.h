// Byte counts as size text (plain, K, M or automatic units).
#pragma once

#include <cstdint>
#include <string>

namespace ordano {

struct SettingsRecord;

// The size text of v by SizeKB / SizeMB / SizeAuto; adds v to *total when given.
std::u16string FormatSize(const SettingsRecord& s, std::uint64_t v, std::uint64_t* total = nullptr);

}  // namespace ordano
