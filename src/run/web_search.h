// The web search as the page's button runs it: check the typed URL, crawl,
// then offer the result to the output run.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "crawler/crawl.h"
#include "run/crawl_output.h"

namespace ordano {

enum class WebSearchStatus {
  NoInput,       // empty, or only "http://" / "https://"
  NothingFound,  // invalid URL, start page failed, internal error: nothing listed
  Declined,      // cancelled, and the user chose not to save
  Output,        // the output run ran (see `output`)
};

struct WebSearchOptions {
  CrawlOutputOptions output;
  // Ask before saving a cancelled crawl's partial result; false saves it.
  bool askBeforeSavingCancelled = true;
  // Called when the crawl has returned, before the question and the output
  // (the page enables its controls again here).
  std::function<void()> crawlEnded;
};

struct WebSearchOutcome {
  WebSearchStatus status = WebSearchStatus::NothingFound;
  std::u16string url;  // the start URL as accepted ("https://" added when needed)
  CrawlResult crawl;
  OutputResult output;
};

// The typed text as a start URL: trimmed, "https://" put in front when it has
// no "://"; empty when there is nothing to crawl.
std::u16string AcceptStartUrl(std::u16string_view typed);

// Runs one web search for the typed text: messages through the host with the
// caption "Web検索", status texts through the host.
WebSearchOutcome RunWebSearch(AppContext& ctx, std::u16string_view typed,
                              const WebSearchOptions& options = {});

}  // namespace ordano
