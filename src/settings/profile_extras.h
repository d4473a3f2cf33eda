// Choices of a profile that its 22,824-byte settings record has no room for,
// kept beside it as "Key=Value" lines (ordanou.ini, ordanouN.ini). Keys this
// version does not know are kept as read, so an older program saving a
// profile does not drop what a newer one stored.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordano {

struct ProfileExtras {
  bool libraryToo = false;  // LibraryToo: a catalogue run also records its trees in the library
  bool utf8Text = false;    // Utf8Text: text catalogues as UTF-8 without a mark, LF line ends
  std::map<std::string, std::string, std::less<>> unknown;
};

std::string ProfileExtrasFilePath(std::string_view folder, int profile);

// A missing or unreadable file gives the defaults; a line that is not
// "Key=Value" or a value that does not parse is ignored.
ProfileExtras ReadProfileExtras(std::string_view folder, int profile);
// Replaces the file in one step; false when it cannot be written.
bool WriteProfileExtras(std::string_view folder, int profile, const ProfileExtras& extras);

// The known keys with their values as the file writes them ("0"/"1").
std::vector<std::pair<std::string_view, std::string>> ExtrasFields(const ProfileExtras& extras);
// Sets a known key from its text (`0`/`1`, also `true`/`false`); nullopt when
// the key is not one of them, false when the value is not.
std::optional<bool> SetExtrasField(ProfileExtras& extras, std::string_view key,
                                   std::string_view value);

}  // namespace ordano
