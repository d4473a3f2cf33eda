#include "test_host.h"

#include <cstring>

#include "core/profile_context.h"
#include "settings/settings_defaults.h"

namespace ordano::testing {

std::unique_ptr<AppContext> MakeContext(TestHost& host) {
  auto ctx = std::make_unique<AppContext>();
  ResetToDefaults(*ctx);
  ctx->SetHost(host);
  return ctx;
}

}  // namespace ordano::testing
