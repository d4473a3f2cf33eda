// Byte counts as size text (plain, K, M or automatic units).
#pragma once

#include <cstdint>
#include <string>

namespace ordano {

struct SettingsRecord;

// a + b, held at the largest count instead of wrapping around.
std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b);

// The form the size options choose (SizeKB before SizeMB before SizeAuto).
enum class SizeFormat : std::uint8_t { Bytes, Kilo, Mega, Auto };
SizeFormat SizeFormatOf(const SettingsRecord& s);

// Appends the size text of v in `format`; no allocation once `out` has room.
void AppendSizeText(std::u16string& out, SizeFormat format, std::uint64_t v);

// The size text of v by SizeKB / SizeMB / SizeAuto; adds v to *total when
// given (saturating).
std::u16string FormatSize(const SettingsRecord& s, std::uint64_t v, std::uint64_t* total = nullptr);

}  // namespace ordano
