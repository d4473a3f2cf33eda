#include "settings/profile_extras.h"

#include "platform/file_handle.h"

namespace ordano {
namespace {

constexpr std::size_t kExtrasLimit = 64 * 1024;
constexpr std::string_view kLibraryToo = "LibraryToo";
constexpr std::string_view kUtf8Text = "Utf8Text";

std::optional<bool> ParseFlag(std::string_view v) {
  if (v == "1" || v == "true") return true;
  if (v == "0" || v == "false") return false;
  return std::nullopt;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

}  // namespace

std::string ProfileExtrasFilePath(std::string_view folder, int profile) {
  if (profile == 0) return std::string(folder) + "ordanou.ini";
  return std::string(folder) + "ordanou" + std::to_string(profile) + ".ini";
}

ProfileExtras ReadProfileExtras(std::string_view folder, int profile) {
  ProfileExtras extras;
  const auto text = ReadAll(ProfileExtrasFilePath(folder, profile), kExtrasLimit);
  if (!text) return extras;
  std::string_view rest = *text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = Trimmed(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    const std::size_t eq = line.find('=');
    if (line.empty() || line.front() == '#' || eq == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, eq));
    const std::string_view value = Trimmed(line.substr(eq + 1));
    if (key.empty()) continue;
    if (!SetExtrasField(extras, key, value).has_value()) {
      extras.unknown[std::string(key)] = std::string(value);
    }
  }
  return extras;
}

bool WriteProfileExtras(std::string_view folder, int profile, const ProfileExtras& extras) {
  const std::string path = ProfileExtrasFilePath(folder, profile);
  // A profile with nothing to keep here gets no file.
  if (!extras.libraryToo && !extras.utf8Text && extras.unknown.empty() && !OpenForReading(path)) {
    return true;
  }
  std::string text;
  for (const auto& [key, value] : ExtrasFields(extras)) {
    text.append(key).append("=").append(value).append("\n");
  }
  for (const auto& [key, value] : extras.unknown) {
    text.append(key).append("=").append(value).append("\n");
  }
  return WriteAtomically(path, text);
}

std::vector<std::pair<std::string_view, std::string>> ExtrasFields(const ProfileExtras& extras) {
  return {{kLibraryToo, extras.libraryToo ? "1" : "0"}, {kUtf8Text, extras.utf8Text ? "1" : "0"}};
}

std::optional<bool> SetExtrasField(ProfileExtras& extras, std::string_view key,
                                   std::string_view value) {
  bool* const field = key == kLibraryToo ? &extras.libraryToo
                      : key == kUtf8Text ? &extras.utf8Text
                                         : nullptr;
  if (field != nullptr) {
    const auto flag = ParseFlag(value);
    if (flag) *field = *flag;
    return flag.has_value();
  }
  return std::nullopt;
}

}  // namespace ordano
