// The folders of a catalogue as paths on disk: what a verify walks and what
// the library stores.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compare/catalogue_read.h"

namespace ordano {

// The folders a catalogue without recorded roots lists that lie below no
// other folder it lists.
std::vector<std::string> TopFolders(const Catalogue& listed);

// The absolute path a folder text names: the text itself when it is one, the
// path inside a volume decoration ("Vol:LABEL (L/path)"); nothing for a
// relative text or a decoration without its path.
std::optional<std::string_view> PlainFolder(std::string_view text);

}  // namespace ordano
