// The local paths of a text/uri-list (a drop or a paste of files), as the
// bytes the names have on disk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ordano {

// Every file: URI of the list, percent-decoded byte for byte (a name need not
// be UTF-8). Comment lines and other schemes are left out; "localhost" and
// this machine's own name count as local, another host's name stays in front
// ("//host/path").
std::vector<std::string> LocalPathsOfUriList(std::string_view list);

}  // namespace ordano
