#include "core/run_options.h"

#include "core/app_context.h"

namespace ordano {

void BeginRunOptions(AppContext& ctx) {
  RunHost& host = ctx.Host();
  RunOptions& o = ctx.options;
  o.settings = ctx.settings;
  host.CollectBasicPage(o.settings);
  o.wildcard = host.Wildcard();
  o.includeFileDrops = host.IncludeFileDrops();
}

}  // namespace ordano
