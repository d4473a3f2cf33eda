#include "run/web_search.h"

#include <exception>

#include "core/app_context.h"
#include "crawler/text_ops.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

MsgAnswer Ask(AppContext& ctx, const Message& text, MsgIcon icon, MsgButtons buttons) {
  return ctx.Host().ShowMessage(text, MsgId::CaptionWebSearch, icon, buttons);
}

}  // namespace

std::u16string AcceptStartUrl(std::u16string_view typed) {
  const std::u16string_view text = text16::Trim(typed);
  if (text.empty() || text == u"https://" || text == u"http://") return {};
  if (text.find(u"://") == std::u16string_view::npos) return u"https://" + std::u16string(text);
  return std::u16string(text);
}

WebSearchOutcome RunWebSearch(AppContext& ctx, std::u16string_view typed,
                              const WebSearchOptions& options) {
  WebSearchOutcome outcome;
  outcome.url = AcceptStartUrl(typed);
  if (outcome.url.empty()) {
    Ask(ctx, MsgId::EnterPageUrl, MsgIcon::Information, MsgButtons::Ok);
    outcome.status = WebSearchStatus::NoInput;
    return outcome;
  }

  ctx.run.CancelRequested = false;
  try {
    CrawlSite(ctx, outcome.url, outcome.crawl);
  } catch (const std::exception& e) {
    std::u16string text = Utf8ToUtf16(e.what());
    Ask(ctx,
        text.empty() ? Message(MsgId::CrawlInternalError)
                     : Message{MsgId::Plain, {std::move(text)}},
        MsgIcon::Error, MsgButtons::Ok);
    outcome.crawl.items.clear();
  }
  if (options.crawlEnded) options.crawlEnded();
  if (outcome.crawl.items.empty()) {
    outcome.status = WebSearchStatus::NothingFound;
    return outcome;
  }
  if (outcome.crawl.cancelled && options.askBeforeSavingCancelled &&
      Ask(ctx, MsgId::CrawlCancelledSaveQuestion, MsgIcon::Question, MsgButtons::YesNo) !=
          MsgAnswer::Yes) {
    outcome.status = WebSearchStatus::Declined;
    return outcome;
  }
  outcome.output = OutputCrawlResult(ctx, outcome.crawl.items, options.output);
  outcome.status = WebSearchStatus::Output;
  return outcome;
}

}  // namespace ordano
