// The settings record by field name: one table (name, place in the record,
// type, accepted range) from which the command line's --set and --settings
// read and write every field. The table is built from the record's own
// members, so a name, offset or size is never written twice.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/settings_record.h"

namespace ordano {

enum class FieldType {
  Flag,    // 32-bit 0/1
  Flag16,  // 16-bit 0/1
  Int,     // 32-bit, within [min, max]; `names` may name the values from min
  Colour,  // 32-bit 0xRRGGBB
  Time,    // 64-bit seconds since 1970, written as ISO 8601
  Text,    // fixed UTF-16 array with a terminator
};

struct SettingsField {
  std::string_view name;
  std::size_t offset;
  std::size_t bytes;
  FieldType type;
  int min = 0;
  int max = 0;
  std::span<const std::string_view> names{};
};

// Every field of the record in the record's order (reserved bytes left out).
std::span<const SettingsField> SettingsFields();

// The field of that name, any case; nullptr when there is none.
const SettingsField* FindSettingsField(std::string_view name);

// What a field accepts, for messages and help ("0 to 5 or name, size, ...").
std::string AcceptedValues(const SettingsField& field);

// The text form of a field's value: flags 0/1, numbers in decimal, colours as
// six hex digits, times in ISO 8601 with their UTC offset, texts with "\\",
// "\n", "\r" and "\t" escaped, so that every value is one line and reads back
// through SetFieldFromText unchanged.
std::string FieldText(const SettingsRecord& settings, const SettingsField& field);

struct FieldSetResult {
  std::optional<std::string> error;  // why the value was refused (record untouched)
  bool cut = false;                  // a text longer than the field was cut
};

// Parses `value` (UTF-8, the text form above) and stores it in the field.
FieldSetResult SetFieldFromText(SettingsRecord& settings, const SettingsField& field,
                                std::string_view value);

// Whether `name` names a field of the start-up record (window placement,
// profile number) rather than of the settings record.
bool IsStartupRecordField(std::string_view name);

}  // namespace ordano
