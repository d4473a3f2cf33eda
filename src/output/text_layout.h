// Column arithmetic of the text catalogue: the name column width, the frame
// line, one composed row, wrapping of long names and tab filling.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace ordano {

struct SettingsRecord;
struct RunState;

// The fixed shape of the columns for one output.
struct TextLayout {
  int nameWidth = 32;  // W, in display columns
  int sizeField = 15;  // the value's right-aligned field: 15, or 23 with archive sizes
  bool writeDate = false;
  bool computeMd5 = false;
  bool fileNameOnly = false;
  bool tabify = false;  // AppendNameDigits and DigitsByTab
  int tabWidth = 4;
  bool wrap = false;  // LineWidthEnabled

  int SizeColumnWidth() const { return sizeField + 5; }  // " " + field + "Byte"
  // 2 x ComputeMd5 + WriteDate: which optional columns exist.
  int ColumnState() const { return (computeMd5 ? 2 : 0) + (writeDate ? 1 : 0); }
};

inline constexpr int kDateColumnWidth = 28;  // "    %-24s"
inline constexpr int kMd5ColumnWidth = 4;    // "    %s" of an empty value

// W from NameWidth, AppendNameDigits/AppendDigitCount and the line width.
int NameColumnWidth(const SettingsRecord& s, const RunState& run);
TextLayout MakeTextLayout(const SettingsRecord& s, const RunState& run);

// The frame line of dashes (before TabifyLine).
std::u16string SeparatorLine(const TextLayout& layout);

// Appends one row to out. Every value that is not empty is formatted, loses
// its trailing spaces and is padded by display width to its column's nominal
// width; an empty value adds nothing.
void ComposeTextRow(std::u16string& out, const TextLayout& layout, std::u16string_view name,
                    std::u16string_view size, std::u16string_view date1, std::u16string_view date2,
                    std::u16string_view md5);

// One piece of a wrapped text; padSpace: a double-width character did not fit
// at the end and was carried over, so the piece is one column short.
struct WrapPiece {
  std::u16string_view text;
  bool padSpace = false;
};
struct WrappedText {
  static constexpr int kMaxPieces = 10;
  std::array<WrapPiece, kMaxPieces> pieces{};
  int count = 0;
};

// Splits text into pieces of at most `width` display columns (at most 10
// pieces; the rest is dropped). With enabled false the text is one piece.
WrappedText WrapText(std::u16string_view text, int width, bool enabled);

// Replaces runs of spaces that reach a tab stop (every tabWidth characters)
// by tab characters. Appends the result to out.
void TabifyLine(std::u16string_view line, int tabWidth, std::u16string& out);

void StripTrailingSpaces(std::u16string& line);

}  // namespace ordano
