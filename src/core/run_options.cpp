#include "core/run_options.h"

#include "core/app_context.h"
#include "settings/settings_normalise.h"

namespace ordano {

void BeginRunOptions(AppContext& ctx) {
  RunHost& host = ctx.Host();
  RunOptions& o = ctx.options;
  host.CollectRunPages(ctx.settings);
  o.settings = ctx.settings;
  host.CollectBasicPage(o.settings);
  NormaliseForRun(o.settings);
  o.wildcard = ctx.run.CmdWildcard.empty() ? host.Wildcard() : ctx.run.CmdWildcard;
  o.includeFileDrops = host.IncludeFileDrops();
  o.utf8Text = ctx.extras.utf8Text;
}

}  // namespace ordano
