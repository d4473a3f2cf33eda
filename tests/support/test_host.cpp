#include "test_host.h"

#include <cstring>

namespace ordano::testing {

std::unique_ptr<AppContext> MakeContext(TestHost& host) {
  auto ctx = std::make_unique<AppContext>();
  ctx->host = &host;
  return ctx;
}

}  // namespace ordano::testing
