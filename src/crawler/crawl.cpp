#include "crawler/crawl.h"

#include <exception>
#include <unordered_map>

#include "core/app_context.h"
#include "crawler/fetch.h"
#include "crawler/link_extract.h"
#include "crawler/resource_kind.h"
#include "crawler/text_ops.h"
#include "crawler/url.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

constexpr std::size_t kStatusUrlLength = 100;

void Tell(AppContext& ctx, const Message& text, MsgIcon icon) {
  ctx.Host().ShowMessage(text, MsgId::CaptionWebSearch, icon, MsgButtons::Ok);
}

bool GoodStatus(unsigned long status) { return status >= 200 && status <= 399; }

// The bookkeeping of one crawl.
class Crawl {
 public:
  Crawl(AppContext& ctx, CrawlResult& result) : ctx_(ctx), result_(result), items_(result.items) {}

  void Run(std::u16string_view startUrl);

 private:
  bool Cancelled() const { return ctx_.run.CancelRequested; }
  // Fetches item i; false when the crawl must end.
  bool Visit(HttpSession& session, std::size_t i);
  void AddLinks(int pageDepth, const std::u16string& base, std::vector<LinkRef>& links);
  // The kind a link gives the URL it names.
  static std::u16string ListedKind(const LinkRef& link, std::u16string_view url) {
    return link.kind == kind::kOther ? std::u16string(ClassifyByTag(u"", url)) : link.kind;
  }
  // Whether a link of this kind to the item has it fetched.
  bool MayQueue(const LinkRef& link, std::u16string_view linkKind, const WebItem& item) const {
    return link.follow && item.depth <= kMaxCrawlDepth && IsPageKind(linkKind) &&
           InScope(scope_, item.url);
  }

  AppContext& ctx_;
  CrawlResult& result_;
  std::vector<WebItem>& items_;
  std::unordered_map<std::u16string, std::size_t> visited_;
  std::vector<std::size_t> queue_;
  CrawlScope scope_;
  LinkResolver resolver_;
};

void Crawl::Run(std::u16string_view startUrl) {
  const std::u16string start = NormaliseUrl(startUrl);
  const auto startParts = CrackUrl(start);
  if (!startParts) {
    Tell(ctx_, MsgId::EnterValidUrl, MsgIcon::Warning);
    result_.failure = CrawlFailure::InvalidUrl;
    return;
  }
  HttpSession session;
  if (!session.ok()) {
    Tell(ctx_, MsgId::NoInternetConnection, MsgIcon::Error);
    result_.failure = CrawlFailure::NoConnection;
    return;
  }

  items_.clear();
  WebItem first;
  first.url = start;
  first.kind = std::u16string(kind::kHtml);
  first.queued = true;
  items_.push_back(std::move(first));
  visited_[VisitKey(start)] = 0;
  queue_.push_back(0);
  scope_ = MakeScope(*startParts);

  for (std::size_t q = 0; q < queue_.size(); ++q) {
    if (Cancelled()) break;
    if (result_.pagesFetched >= kMaxCrawlPages) {
      result_.limitHit = true;
      break;
    }
    const std::size_t i = queue_[q];
    if (items_[i].depth > kMaxCrawlDepth) continue;
    ShowCrawlStatus(ctx_, items_[i].url, static_cast<int>(items_.size()),
                    static_cast<int>(queue_.size() - (q + 1)));
    if (!Visit(session, i)) break;
  }
  result_.cancelled = Cancelled();

  const auto n = static_cast<long long>(items_.size());
  const auto p = static_cast<long long>(result_.pagesFetched);
  const MsgId id = result_.cancelled  ? MsgId::CrawlCancelled
                   : result_.limitHit ? MsgId::CrawlLimitReached
                                      : MsgId::CrawlFinished;
  ctx_.Host().ShowCrawlText(CrawlText::Finished,
                            ctx_.Host().Text({id, {MessageNumber(n), MessageNumber(p)}}));
}

bool Crawl::Visit(HttpSession& session, std::size_t i) {
  FetchResult fetched;
  FetchUrl(session, ctx_, items_[i].url, items_[i].kind, fetched);
  WebItem& item = items_[i];
  item.fetched = true;
  item.status = fetched.status;
  item.contentLength = fetched.contentLength;
  item.contentType = fetched.contentType;
  item.kind = std::u16string(ClassifyByContentType(fetched.contentType, item.kind));
  ++result_.pagesFetched;

  if (i == 0) {
    if (!fetched.finalUrl.empty()) {
      if (const auto parts = CrackUrl(fetched.finalUrl)) {
        scope_ = MakeScope(*parts);
        visited_[VisitKey(fetched.finalUrl)] = 0;
      }
    }
    if (!GoodStatus(fetched.status)) {
      items_.clear();
      result_.failure = CrawlFailure::StartFailed;
      if (Cancelled()) return false;  // cancelled before the start page answered: no fault to tell
      Tell(ctx_,
           !fetched.error.empty()
               ? fetched.error
               : Message{MsgId::StartUrlFailed,
                         {MessageNumber(static_cast<long long>(fetched.status))}},
           MsgIcon::Error);
      return false;
    }
  }

  if (Cancelled() || !GoodStatus(fetched.status) || fetched.body.empty() ||
      !InScope(scope_, fetched.finalUrl)) {
    return true;
  }
  const int depth = item.depth;  // the list grows below: no references into it
  const bool isCss = item.kind == kind::kStylesheet;
  std::u16string base = fetched.finalUrl;
  std::vector<LinkRef> links;
  try {
    PageLinks found = ExtractBodyLinks(fetched.body, fetched.contentType, isCss);
    fetched.body = std::string();  // up to 8 MiB: free it before the links grow the list
    items_[i].title = found.title;
    if (!found.base.empty()) {
      std::u16string resolved = resolver_.Resolve(found.base, fetched.finalUrl);
      if (!resolved.empty()) base = std::move(resolved);
    }
    links = std::move(found.links);
  } catch (const std::exception&) {
    return true;  // the page stays listed; its links are skipped
  }
  AddLinks(depth, base, links);
  return true;
}

void Crawl::AddLinks(int pageDepth, const std::u16string& base, std::vector<LinkRef>& links) {
  for (LinkRef& link : links) {
    if (Cancelled()) return;
    std::u16string u = resolver_.Resolve(link.url, base);
    if (u.empty()) continue;
    std::u16string key = VisitKey(u);
    const auto known = visited_.find(key);
    if (known != visited_.end()) {
      WebItem& listed = items_[known->second];
      if (listed.kind == kind::kOther && link.kind != kind::kOther) listed.kind = link.kind;
      // First seen by a link that is not followed (<link rel="next">, an
      // image): a later followable link to it still has it fetched, or the
      // pages reachable only through it go missing.
      if (!listed.queued && MayQueue(link, ListedKind(link, listed.url), listed)) {
        listed.queued = true;
        queue_.push_back(known->second);
      }
      continue;
    }
    if (items_.size() >= static_cast<std::size_t>(kMaxCrawlItems)) {
      result_.limitHit = true;
      return;
    }
    WebItem item;
    item.kind = ListedKind(link, u);
    item.depth = pageDepth + 1;
    item.url = std::move(u);
    item.queued = MayQueue(link, item.kind, item);
    const std::size_t index = items_.size();
    const bool queue = item.queued;
    items_.push_back(std::move(item));
    visited_.emplace(std::move(key), index);
    if (queue) queue_.push_back(index);
  }
}

}  // namespace

Message CrawlStatusText(std::u16string_view itemUrl, int itemCount, int waiting) {
  std::u16string url(itemUrl);
  if (url.size() > kStatusUrlLength) url = url.substr(0, kStatusUrlLength - 3) + u"...";
  return {MsgId::CrawlProgress,
          {MessageNumber(itemCount), MessageNumber(waiting), std::move(url),
           MessageNumber(kMaxCrawlPages), MessageNumber(kMaxCrawlItems),
           MessageNumber(kMaxCrawlDepth)}};
}

void ShowCrawlStatus(AppContext& ctx, std::u16string_view itemUrl, int itemCount, int waiting) {
  ctx.Host().ShowCrawlText(CrawlText::Progress,
                           ctx.Host().Text(CrawlStatusText(itemUrl, itemCount, waiting)));
  ctx.Host().Pump(ctx.run);
}

bool CrawlSite(AppContext& ctx, std::u16string_view startUrl, CrawlResult& result) {
  result = CrawlResult{};
  Crawl crawl(ctx, result);
  crawl.Run(startUrl);
  return !result.items.empty();
}

}  // namespace ordano
