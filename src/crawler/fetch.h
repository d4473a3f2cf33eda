// One HTTP(S) GET for the crawler: status, headers, final URL after redirects
// and, for pages and stylesheets only, the body up to 8 MiB.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/message.h"
#include "crawler/curl_handles.h"

namespace ordano {

struct AppContext;

inline constexpr std::size_t kMaxBodyBytes = 0x800000;
inline constexpr char kCrawlerUserAgent[] = "ordanoWebCrawler/1.0";

struct FetchResult {
  unsigned long status = 0;  // 0: no response
  // Content-Length, or the bytes read when the header is absent (0 when the
  // body was not read).
  std::int64_t contentLength = -1;
  std::u16string contentType;  // empty when absent
  std::u16string finalUrl;     // after redirects, normalised
  Message error;               // last transport failure, else empty()
  std::string body;            // at most kMaxBodyBytes
};

struct FetchOptions {
  // Longest time one transfer may take, however steadily bytes arrive: a
  // server dripping a byte a second would otherwise hold the crawl for ever.
  // Reaching it ends reading as a failed read does, keeping the partial body.
  std::chrono::milliseconds transferLimit = std::chrono::seconds(120);
};

// The crawl's connection: one curl handle with the crawler's agent, the
// proxy of the environment, the time-outs and no caching. Reused for every
// request of a crawl, so connections are kept alive between pages.
class HttpSession {
 public:
  explicit HttpSession(const FetchOptions& options = {});
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;
  bool ok() const { return easy_ != nullptr; }
  CURL* handle() const { return easy_.get(); }
  const FetchOptions& options() const { return options_; }

 private:
  FetchOptions options_;
  CurlEasy easy_;
  CurlSlist headers_;
};

// GETs the URL. The body is read only when the response's kind (by its
// Content-Type, else `fallbackKind`) is "HTML" or "Stylesheet". Reading stops
// when ctx.run.CancelRequested is set or the session's transfer limit is
// reached; the host is pumped once per eight reads
// and while a transfer waits. True when the status is 200 to 399.
bool FetchUrl(HttpSession& session, AppContext& ctx, std::u16string_view url,
              std::u16string_view fallbackKind, FetchResult& result);

}  // namespace ordano
