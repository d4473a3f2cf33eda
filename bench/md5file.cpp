// ordano_md5file FILE...: "digest  name" per file, as md5sum prints it, computed
// by the catalogue's own digest routine so its speed can be timed against md5sum.
#include <cstdio>
#include <string>

#include "bench_host.h"
#include "core/app_context.h"
#include "platform/unicode.h"
#include "scan/digest_file.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
    return 2;
  }
  ordano::BenchHost host;
  auto ctx = std::make_unique<ordano::AppContext>();
  ctx->SetHost(host);
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const std::u16string digest = ordano::DigestFile(*ctx, argv[i]);
    if (digest.empty()) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
      status = 1;
      continue;
    }
    std::printf("%s  %s\n", ordano::Utf16ToUtf8(digest).c_str(), argv[i]);
  }
  return status;
}
