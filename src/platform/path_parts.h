// The parts of a "/"-separated path, shared by every layer so that all agree
// on the root and on trailing separators.
#pragma once

#include <string_view>

namespace ordano {

// The path without trailing "/" ("/" itself stays).
constexpr std::string_view WithoutTrailingSlash(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

// The last component ("b" of "/a/b/"; "/" of "/"; the whole of a bare name).
constexpr std::string_view LastComponent(std::string_view path) {
  path = WithoutTrailingSlash(path);
  if (path == "/") return path;
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The folder holding the last component: "/" for a name in the root folder,
// empty for a bare name.
constexpr std::string_view ParentFolder(std::string_view path) {
  path = WithoutTrailingSlash(path);
  const auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// The parent as a folder to open: "." for a bare name.
constexpr std::string_view ParentFolderToOpen(std::string_view path) {
  const std::string_view parent = ParentFolder(path);
  return parent.empty() ? std::string_view(".") : parent;
}

}  // namespace ordano
