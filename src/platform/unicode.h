// UTF-8 <-> UTF-16 conversions. Catalogue text is UTF-16; file names are bytes.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

// Invalid UTF-8 (each maximal ill-formed subsequence) becomes U+FFFD, so any
// byte name has a display text.
std::u16string Utf8ToUtf16(std::string_view bytes);

// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// The same, appended to `out` (no temporary string on hot paths).
void AppendUtf8(std::string& out, std::u16string_view text);

bool IsValidUtf8(std::string_view bytes);

// Text for a terminal: control characters (C0, DEL, C1; a file name may carry
// escape sequences) are shown as "?" instead of reaching it, line feeds too
// unless kept. Bytes that are not UTF-8 pass as they are, except 0x80-0x9F,
// which a terminal not in UTF-8 takes as C1 controls.
std::string TerminalText(std::string_view text, bool keepNewlines = false);

// ASCII-only lower-casing (A-Z), as the name comparisons of the scan use.
std::u16string AsciiLower(std::u16string_view text);

// Display text of a native path or name.
inline std::u16string ToDisplay(std::string_view native) { return Utf8ToUtf16(native); }
// Native bytes of a display text (used for paths the user typed).
inline std::string ToNative(std::u16string_view text) { return Utf16ToUtf8(text); }

}  // namespace ordano
