// Where the crawl's status texts go: the web page's description text in the
// window, stderr on a terminal for the command line.
#pragma once

#include <string_view>

namespace ordano {

enum class CrawlText {
  Progress,    // "検索中: …" once per fetched page
  Finished,    // the crawl's completion text
  OutputNote,  // the text shown right before the output run
  OutputDone,  // "出力処理が終わりました。…"
};

class CrawlStatusSink {
 public:
  virtual ~CrawlStatusSink() = default;
  virtual void ShowCrawlText(CrawlText what, std::u16string_view text) = 0;
};

}  // namespace ordano
