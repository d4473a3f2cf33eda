// Conversions between the settings record and what the settings pages show:
// the values the pages normalise, the number and colour edits, the head-tag
// charset migration and the exclusive size units.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/decimal.h"
#include "settings/settings_record.h"

namespace ordano {

inline constexpr int kDefaultAppendDigitCount = 60;
inline constexpr int kMaxDropDateDays = 100;

// The widest column count a line of the text catalogue may ask for: the plain
// number fields take any int, and a line of a billion columns is no catalogue.
inline constexpr int kMaxColumns = 10000;

// Column width: 0 stands for 60; at most kMaxColumns.
inline int NormalisedAppendDigitCount(int value) {
  if (value == 0) return kDefaultAppendDigitCount;
  return value > kMaxColumns ? kMaxColumns : value;
}
// Line width: 0 to kMaxColumns.
inline int NormalisedLineWidth(int value) {
  return value < 0 ? 0 : (value > kMaxColumns ? kMaxColumns : value);
}

// Search depth as the edit shows it and runs use it: 0 means all levels (-1).
inline int ShownSearchDepth(int stored) { return stored == 0 ? -1 : stored; }
// The field after an edit of the depth text (0 or no digits become -1).
inline int SearchDepthFromText(std::u16string_view text) {
  return ShownSearchDepth(DecimalValue(text));
}

// TotalCountPlace keeps the combo index exclusive-or 1; a stored value above 1
// reads as 0 (bottom).
inline int NormalisedTotalCountPlace(int stored) { return stored > 1 ? 0 : stored; }
inline int TotalCountPlaceComboIndex(int stored) { return NormalisedTotalCountPlace(stored) ^ 1; }
inline int TotalCountPlaceFromComboIndex(int index) { return index ^ 1; }

// TxtLineBreaks is stored inverted: the box is on when the field is 0.
inline bool TxtLineBreaksBoxOn(int stored) { return stored == 0; }
inline Flag TxtLineBreaksFromBox(bool on) { return on ? 0 : 1; }

// The entry a combo shows for a stored value: nothing (-1) for a negative
// value, the last entry for one past the end.
int ComboSelection(int stored, int entryCount);

// Day count of a drop on the program icon, limited to 0..100.
inline int ClampDropDateDays(int value) {
  return value < 0 ? 0 : (value > kMaxDropDateDays ? kMaxDropDateDays : value);
}
inline int DropDateDaysFromText(std::u16string_view text) {
  return ClampDropDateDays(DecimalValue(text));
}

// The colour edit: hex digits (either case) of which the last six count; an
// empty text is 0. nullopt when another character occurs: the caller shows
// MsgId::HexDigitsOnly titled MsgId::CaptionHexCheck and keeps the previous value.
std::optional<std::int32_t> ParseHtmlBackColor(std::u16string_view text);
// "%06x" of the stored colour.
std::u16string HtmlBackColorText(std::int32_t color);

// Old head blocks declared Shift_JIS or UTF-16; the HTML output is UTF-8.
std::u16string MigrateHeadCharset(std::u16string_view head);
// Applies the migration to HeadTags; true when the field changed.
bool MigrateHeadTagsCharset(SettingsRecord& settings);

// An edit's text into its fixed field, cut to fit. A text equal to the
// field's leaves the field's bytes as they are (a loaded image may carry
// bytes after the terminator, and collecting must not count as a change);
// another text clears the whole array first.
template <std::size_t N>
void StoreEditText(char16_t (&field)[N], std::u16string_view text) {
  if (TextOf(field) == text.substr(0, N - 1)) return;
  std::fill(field, field + N, u'\0');
  SetText(field, text);
}

// Multi-line fields keep CR LF line breaks; the window's edits use LF.
std::u16string LinesForEdit(std::u16string_view field);
std::u16string LinesFromEdit(std::u16string_view edit);

enum class SizeUnit { KB, MB, Auto };
// Switching one unit on switches the other two off; switching one off
// affects only itself.
void SwitchSizeUnit(SettingsRecord& settings, SizeUnit unit, bool on);

// What applying the pages stores back: column width 60 for 0, the total
// count place read as 0 above 1, the unused flag at 1644 cleared, and the
// head-tag charset migrated.
void NormaliseForBasicPage(SettingsRecord& settings);
void NormaliseForAdvancedPage(SettingsRecord& settings);
void NormaliseForHtmlTagPage(SettingsRecord& settings);
void NormaliseForAllPages(SettingsRecord& settings);

// What a run works with, whichever host started it: the pages'
// normalisation, then every value the pages would show differently put in
// range (a combo value past the end as its last entry, the drop day count
// within 0..100, the widths within kMaxColumns).
void NormaliseForRun(SettingsRecord& settings);

}  // namespace ordano
