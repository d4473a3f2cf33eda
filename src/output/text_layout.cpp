#include "output/text_layout.h"

#include <algorithm>

#include "core/run_state.h"
#include "platform/codepage.h"
#include "settings/settings_normalise.h"
#include "settings/settings_record.h"

namespace ordano {
namespace {

void AppendSpaces(std::u16string& out, int n) {
  if (n > 0) out.append(static_cast<std::size_t>(n), u' ');
}

void AppendDashes(std::u16string& out, int n) {
  if (n > 0) out.append(static_cast<std::size_t>(n), u'-');
}

std::u16string_view TrimRight(std::u16string_view v) {
  while (!v.empty() && v.back() == u' ') v.remove_suffix(1);
  return v;
}

// Appends a formatted piece without its trailing spaces and pads it to its
// nominal width by display columns.
void AppendPiece(std::u16string& out, std::size_t pieceStart, int nominal) {
  while (out.size() > pieceStart && out.back() == u' ') out.pop_back();
  const int shown = DisplayWidth(std::u16string_view(out).substr(pieceStart));
  AppendSpaces(out, nominal - shown);
}

// One character of text at i (a surrogate pair is one) and its width.
char32_t CharAt(std::u16string_view text, std::size_t i, std::size_t* units) {
  char32_t cp = text[i];
  *units = 1;
  if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF) {
    cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    *units = 2;
  }
  return cp;
}

}  // namespace

int NameColumnWidth(const SettingsRecord& s, const RunState& run) {
  // The widths are limited again here so no record can overflow the sums.
  int w = run.NameWidth;
  if (s.AppendNameDigits) w = NormalisedAppendDigitCount(s.AppendDigitCount);
  if (s.LineWidthEnabled) {
    w = NormalisedLineWidth(s.LineWidth) - (run.SizeTextWidth > 0 ? 28 : 20);
    if (!s.FileNameOnly && s.WriteDate) w -= kDateColumnWidth;
    w = std::max(w, 4);
  }
  return 2 * std::clamp(w, 0, kMaxColumns);
}

TextLayout MakeTextLayout(const SettingsRecord& s, const RunState& run) {
  TextLayout l;
  l.nameWidth = NameColumnWidth(s, run);
  l.sizeField = run.SizeTextWidth > 0 ? 23 : 15;
  l.writeDate = s.WriteDate != 0;
  l.computeMd5 = s.ComputeMd5 != 0;
  l.fileNameOnly = s.FileNameOnly != 0;
  l.tabify = s.AppendNameDigits && s.DigitsByTab;
  l.tabWidth = s.TabEight ? 8 : 4;
  l.wrap = s.LineWidthEnabled != 0;
  return l;
}

std::u16string SeparatorLine(const TextLayout& l) {
  std::u16string line;
  AppendDashes(line, l.nameWidth);
  if (l.fileNameOnly) return line;
  line.push_back(u' ');
  AppendDashes(line, l.sizeField + 4);
  if (l.writeDate) {
    for (int k = 0; k < 2; ++k) {
      line.append(u"    ");
      AppendDashes(line, 24);
    }
  }
  if (l.computeMd5) {
    line.append(u"    ");
    AppendDashes(line, 32);
  }
  return line;
}

void ComposeTextRow(std::u16string& out, const TextLayout& l, std::u16string_view name,
                    std::u16string_view size, std::u16string_view date1, std::u16string_view date2,
                    std::u16string_view md5) {
  if (!name.empty()) {
    const std::size_t start = out.size();
    out.append(TrimRight(name));
    AppendPiece(out, start, l.nameWidth);
  }
  if (!size.empty()) {
    const std::size_t start = out.size();
    out.push_back(u' ');
    AppendSpaces(out, l.sizeField - static_cast<int>(size.size()));
    out.append(size);
    out.append(u"Byte");
    AppendPiece(out, start, l.SizeColumnWidth());
  }
  for (std::u16string_view date : {date1, date2}) {
    if (date.empty()) continue;
    const std::size_t start = out.size();
    out.append(u"    ");
    out.append(date);
    AppendPiece(out, start, kDateColumnWidth);
  }
  if (!md5.empty()) {
    const std::size_t start = out.size();
    out.append(u"    ");
    out.append(md5);
    AppendPiece(out, start, kMd5ColumnWidth);
  }
}

WrappedText WrapText(std::u16string_view text, int width, bool enabled) {
  WrappedText w;
  if (!enabled) {
    w.pieces[0].text = text;
    w.count = 1;
    return w;
  }
  if (width < 5) width = 4;
  std::u16string_view rest = text;
  while (w.count < WrappedText::kMaxPieces) {
    if (DisplayWidth(rest) < width) {
      w.pieces[w.count++].text = rest;
      return w;
    }
    int count = 0;
    std::size_t i = 0;
    std::size_t lastUnits = 0;
    while (count < width && i < rest.size()) {
      const char32_t cp = CharAt(rest, i, &lastUnits);
      count += DisplayWidth(cp);
      i += lastUnits;
    }
    WrapPiece& piece = w.pieces[w.count++];
    if (count > width) {
      i -= lastUnits;  // a double-width character straddled the limit
      piece.padSpace = true;
    }
    piece.text = rest.substr(0, i);
    rest.remove_prefix(i);
    // A text exactly as wide as a piece ends here: no empty extra line.
    if (rest.empty()) return w;
  }
  return w;  // anything after the tenth piece is dropped
}

void TabifyLine(std::u16string_view line, int t, std::u16string& out) {
  const std::size_t outStart = out.size();
  std::size_t p = 0;
  const std::size_t tab = static_cast<std::size_t>(t);
  while (p < line.size()) {
    const char16_t c = line[p];
    if (c != u' ' || p % tab != 0) {
      out.push_back(c);
      ++p;
      continue;
    }
    // A tab stop: spaces just before it become one tab.
    std::size_t trailing = 0;
    while (trailing < tab && out.size() > outStart + trailing &&
           out[out.size() - 1 - trailing] == u' ') {
      ++trailing;
    }
    if (trailing > 0) {
      out.resize(out.size() - trailing);
      out.push_back(u'\t');
    }
    // A whole tab width of spaces from here is one more tab.
    const std::u16string_view chunk = line.substr(p, tab);
    if (chunk.size() == tab && chunk.find_first_not_of(u' ') == std::u16string_view::npos) {
      out.push_back(u'\t');
    } else {
      out.append(chunk);
    }
    p += chunk.size();
  }
}

void StripTrailingSpaces(std::u16string& line) {
  while (!line.empty() && line.back() == u' ') line.pop_back();
}

}  // namespace ordano
