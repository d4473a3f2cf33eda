// ordano_crawl_urls URL: runs only the crawl and prints every URL it lists,
// one a line, so its set and its time can be compared with wget's spider.
#include <cstdio>
#include <memory>

#include "bench_host.h"
#include "core/app_context.h"
#include "crawler/crawl.h"
#include "platform/unicode.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s URL\n", argv[0]);
    return 2;
  }
  auto ctx = std::make_unique<ordano::AppContext>();
  ordano::BenchHost host(/*showMessages=*/true);
  ctx->SetHost(host);
  ordano::CrawlResult result;
  ordano::CrawlSite(*ctx, ordano::Utf8ToUtf16(argv[1]), result);
  for (const auto& item : result.items) std::printf("%s\n", ordano::Utf16ToUtf8(item.url).c_str());
  std::fprintf(stderr, "pages fetched: %d\n", result.pagesFetched);
  return result.items.empty() ? 1 : 0;
}
