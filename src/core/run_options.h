// The options one run works on: its own copy of the settings record with the
// basic page's states collected into it, and the page's control-only states.
#pragma once

#include <string>

#include "settings/settings_record.h"

namespace ordano {

struct AppContext;

struct RunOptions {
  SettingsRecord settings{};
  std::u16string wildcard = u"*.*";
  bool includeFileDrops = false;
  // Text catalogues in UTF-8 (the profile's Utf8Text, or the save panel's box).
  bool utf8Text = false;
};

// Builds ctx.options for a run starting now: the advanced and HTML tag pages
// collected into ctx.settings, a copy of it with the basic page collected,
// out-of-range values put back in range.
void BeginRunOptions(AppContext& ctx);

}  // namespace ordano
