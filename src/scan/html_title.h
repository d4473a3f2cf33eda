// The title of an HTML file, read from the start of the file.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

// True for names ending in ".htm" or ".html" (exact case: "index.HTM" is not).
bool HasHtmlExtension(std::u16string_view name);

// Reads the first 10000 bytes, decodes them as CP932, or as UTF-8 (up to the
// first zero byte) when the CP932 text contains "charset=utf-8", and returns
// the text between "<title>" and "</title>" (all lower or all upper case
// tags only). lowerCaseText lower-cases (A-Z) the decoded text first, so the
// title comes back in lower case. Empty when there is no title, the closing
// tag is missing, or the path is not a readable regular file (a FIFO or
// device is never read, so it cannot block the scan).
std::u16string ReadHtmlTitle(const std::string& path, bool lowerCaseText);

// The same for the file `name` inside the open folder `dirFd`.
std::u16string ReadHtmlTitleAt(int dirFd, const char* name, bool lowerCaseText);

// The same search over bytes already read.
std::u16string HtmlTitleOf(std::string_view head, bool lowerCaseText);

}  // namespace ordano
