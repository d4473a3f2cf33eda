#include "settings/settings_normalise.h"

#include <climits>
#include <cstdio>

namespace ordano {
namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
  std::size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::u16string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

}  // namespace

int ComboSelection(int stored, int entryCount) {
  if (stored < 0 || entryCount <= 0) return -1;
  return stored >= entryCount ? entryCount - 1 : stored;
}

std::optional<std::int32_t> ParseHtmlBackColor(std::u16string_view text) {
  std::uint32_t v = 0;
  for (const char16_t c : text) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = ((v & 0xFFFFFu) << 4) | static_cast<std::uint32_t>(d);
  }
  return static_cast<std::int32_t>(v);
}

std::u16string HtmlBackColorText(std::int32_t color) {
  char buf[16];
  const int n = std::snprintf(buf, sizeof buf, "%06x", static_cast<unsigned>(color));
  return std::u16string(buf, buf + n);
}

std::u16string MigrateHeadCharset(std::u16string_view head) {
  std::u16string text(head);
  // utf-16le before utf-16, so the longer name is replaced whole.
  for (const std::u16string_view old :
       {u"charset=shift_jis", u"charset=Shift_JIS", u"charset=SHIFT_JIS", u"charset=utf-16le",
        u"charset=utf-16", u"charset=UTF-16"}) {
    ReplaceAll(text, old, u"charset=utf-8");
  }
  ReplaceAll(text, u"charset=\"shift_jis\"", u"charset=\"utf-8\"");
  ReplaceAll(text, u"charset=\"utf-16\"", u"charset=\"utf-8\"");
  return text;
}

bool MigrateHeadTagsCharset(SettingsRecord& settings) {
  const std::u16string_view head = TextOf(settings.HeadTags);
  const std::u16string migrated = MigrateHeadCharset(head);
  if (migrated == head) return false;
  SetText(settings.HeadTags, migrated);
  return true;
}

std::u16string LinesForEdit(std::u16string_view field) {
  std::u16string text(field);
  ReplaceAll(text, u"\r\n", u"\n");
  return text;
}

std::u16string LinesFromEdit(std::u16string_view edit) {
  std::u16string text = LinesForEdit(edit);
  ReplaceAll(text, u"\n", u"\r\n");
  return text;
}

void SwitchSizeUnit(SettingsRecord& settings, SizeUnit unit, bool on) {
  Flag* const fields[] = {&settings.SizeKB, &settings.SizeMB, &settings.SizeAuto};
  const auto chosen = static_cast<std::size_t>(unit);
  if (on) {
    for (Flag* f : fields) *f = 0;
  }
  *fields[chosen] = on ? 1 : 0;
}

void NormaliseForBasicPage(SettingsRecord& settings) {
  settings.AppendDigitCount = NormalisedAppendDigitCount(settings.AppendDigitCount);
  settings.LineWidth = NormalisedLineWidth(settings.LineWidth);
  settings.Reserved1644 = 0;
}

void NormaliseForAdvancedPage(SettingsRecord& settings) {
  settings.TotalCountPlace = NormalisedTotalCountPlace(settings.TotalCountPlace);
}

void NormaliseForHtmlTagPage(SettingsRecord& settings) { MigrateHeadTagsCharset(settings); }

void NormaliseForAllPages(SettingsRecord& settings) {
  NormaliseForBasicPage(settings);
  NormaliseForAdvancedPage(settings);
  NormaliseForHtmlTagPage(settings);
}

void NormaliseForRun(SettingsRecord& settings) {
  NormaliseForAllPages(settings);
  // The entries of the output kind, character filter and capacity place combos.
  settings.OutputKind = ComboSelection(settings.OutputKind, 3);
  settings.CharFilterMode = ComboSelection(settings.CharFilterMode, 2);
  settings.CapacityPlace = ComboSelection(settings.CapacityPlace, 2);
  settings.DropDateDays = ClampDropDateDays(settings.DropDateDays);
}

}  // namespace ordano
