#include "platform/uri_list.h"

#include <unistd.h>

#include <climits>

namespace ordano {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  }
  return true;
}

// "%XX" becomes its byte; a "%" without two hex digits stays as it is.
std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool IsThisHost(std::string_view host) {
  if (host.empty() || EqualsNoCase(host, "localhost")) return true;
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return false;
  return EqualsNoCase(host, name);
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\0')) {
    s.remove_suffix(1);
  }
  return s;
}

}  // namespace

std::vector<std::string> LocalPathsOfUriList(std::string_view list) {
  std::vector<std::string> paths;
  while (!list.empty()) {
    const std::size_t end = list.find('\n');
    std::string_view line = Trimmed(list.substr(0, end));
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    constexpr std::string_view kScheme = "file:";
    if (line.size() <= kScheme.size() || !EqualsNoCase(line.substr(0, kScheme.size()), kScheme)) {
      continue;  // a comment, a web address, an empty line
    }
    line.remove_prefix(kScheme.size());
    // A query or fragment is no part of the name (the sender encodes "?" and
    // "#" in names).
    line = line.substr(0, line.find_first_of("?#"));
    std::string path;
    if (line.starts_with("//")) {
      line.remove_prefix(2);
      const std::size_t slash = line.find('/');
      if (slash == std::string_view::npos) continue;
      const std::string host = PercentDecoded(line.substr(0, slash));
      // Another machine's file keeps its host, as "//host/path": the run
      // then reports it as not found rather than dropping it unseen.
      if (!IsThisHost(host)) path = "//" + host;
      line.remove_prefix(slash);
    }
    if (!line.starts_with('/')) continue;
    path += PercentDecoded(line);
    if (path.find('\0') != std::string::npos) continue;  // no name holds a NUL
    paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace ordano
