// The character filter of the folder scan: keep or drop names that contain
// one of the "/"-separated fragments of CharFilterText.
#pragma once

#include <string_view>

#include "settings/settings_record.h"

namespace ordano {

// True when the name is listed. CharFilter off: always true. Mode 0 keeps
// names containing a fragment, mode 1 drops them. Letter case is ignored;
// an empty fragment (from "//" or a leading "/") is in every name, and an
// empty text has no fragments at all.
bool CharFilterMatch(const SettingsRecord& s, std::u16string_view name);

}  // namespace ordano
