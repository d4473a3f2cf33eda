// The crawl: breadth-first from a start URL over the HTML pages and
// stylesheets below it, listing every URL found.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/message.h"

namespace ordano {

struct AppContext;

inline constexpr int kMaxCrawlPages = 5000;   // fetched pages
inline constexpr int kMaxCrawlItems = 50000;  // listed URLs
inline constexpr int kMaxCrawlDepth = 32;

// One listed URL.
struct WebItem {
  std::u16string url;               // normalised; the start item keeps the start URL as entered
  std::u16string kind;              // "HTML", "Image", …
  std::u16string title;             // parsed HTML pages only
  std::int64_t contentLength = -1;  // -1: not fetched, or no length and no body
  int depth = 0;                    // 0 for the start URL
  bool fetched = false;
  unsigned long status = 0;
  std::u16string contentType;
  bool queued = false;  // put in the fetch queue (the start item always is)
};

enum class CrawlFailure {
  None,
  InvalidUrl,    // not an http or https URL
  NoConnection,  // the HTTP layer could not be set up
  StartFailed,   // the start URL gave no answer or a status outside 200-399
};

struct CrawlResult {
  std::vector<WebItem> items;  // in discovery order
  int pagesFetched = 0;
  bool limitHit = false;
  bool cancelled = false;
  CrawlFailure failure = CrawlFailure::None;
};

// Crawls below `startUrl`. Cancelled through ctx.run.CancelRequested (set by
// the host's Pump); problems are told through the host's message box with the
// caption "Web検索". True when the result lists anything.
bool CrawlSite(AppContext& ctx, std::u16string_view startUrl, CrawlResult& result);

// The progress text of one page and one pump of the host.
void ShowCrawlStatus(AppContext& ctx, std::u16string_view itemUrl, int itemCount, int waiting);

// The progress text alone.
Message CrawlStatusText(std::u16string_view itemUrl, int itemCount, int waiting);

}  // namespace ordano
