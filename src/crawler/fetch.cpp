#include "crawler/fetch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "core/app_context.h"
#include "crawler/resource_kind.h"
#include "crawler/text_ops.h"
#include "crawler/url.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long kConnectTimeoutMs = 10000;
// A transfer that receives nothing for this long fails (the receive time-out).
constexpr long kStallSeconds = 30;
constexpr long kReadSize = 0x8000;
constexpr long kMaxRedirects = 20;
constexpr int kReadsPerPump = 8;
// While a transfer waits for bytes, the host still gets a look this often, so
// a cancel works on a silent server too.
constexpr auto kIdlePumpInterval = std::chrono::milliseconds(250);

// State of one transfer, shared with libcurl's callbacks.
struct Transfer {
  AppContext& ctx;
  std::u16string_view fallbackKind;
  FetchResult& result;
  CURL* handle;
  bool kindDecided = false;
  bool readBody = false;
  bool bodyStarted = false;  // the final response's data began to arrive
  bool stoppedHere = false;  // cancel, the size cap or a kind without body
  bool timedOut = false;     // the session's transfer limit was reached
  int reads = 0;
  Clock::time_point lastPump = Clock::now();
  Clock::time_point deadline{};

  bool Cancelled() const { return ctx.run.CancelRequested; }
  bool TimeUp() {
    if (!timedOut && Clock::now() >= deadline) timedOut = true;
    return timedOut;
  }
  void Pump() {
    ctx.Host().Pump(ctx.run);
    lastPump = Clock::now();
  }
};

std::u16string ContentTypeOf(CURL* h) {
  char* type = nullptr;
  if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &type) != CURLE_OK || type == nullptr) return {};
  return Utf8ToUtf16(type);
}

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  t.bodyStarted = true;
  if (!t.kindDecided) {
    t.kindDecided = true;
    t.readBody = IsPageKind(ClassifyByContentType(ContentTypeOf(t.handle), t.fallbackKind));
  }
  if (!t.readBody || t.Cancelled() || t.TimeUp() || t.result.body.size() >= kMaxBodyBytes) {
    t.stoppedHere = true;
    return 0;  // ends the transfer
  }
  const std::size_t take = std::min(n, kMaxBodyBytes - t.result.body.size());
  t.result.body.append(data, take);
  if (n > 0 && ++t.reads % kReadsPerPump == 0) t.Pump();
  if (take < n) {  // over the cap: the rest is cut silently
    t.stoppedHere = true;
    return 0;
  }
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto& t = *static_cast<Transfer*>(user);
  if (!t.Cancelled() && Clock::now() - t.lastPump >= kIdlePumpInterval) t.Pump();
  if (t.Cancelled() || t.TimeUp()) {
    t.stoppedHere = true;
    return 1;  // aborts the transfer
  }
  return 0;
}

// libcurl's own text (English) under a sentence in the user's language that
// carries the code.
enum class FailureStage { Connect, Receive };

Message FailureText(FailureStage stage, CURLcode code, const char* detail) {
  std::string message = detail != nullptr && *detail != '\0' ? detail : curl_easy_strerror(code);
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  const bool connect = stage == FailureStage::Connect;
  std::u16string number = MessageNumber(static_cast<long long>(code));
  if (message.empty()) {
    return {connect ? MsgId::ConnectFailedCodeOnly : MsgId::ReceiveFailedCodeOnly,
            {std::move(number)}};
  }
  return {connect ? MsgId::ConnectFailed : MsgId::ReceiveFailed,
          {std::move(number), Utf8ToUtf16(message)}};
}

bool IsRedirect(long status) { return status >= 300 && status <= 399; }

Message TimeLimitText(FailureStage stage, const Transfer& t, std::chrono::milliseconds limit) {
  char detail[160];
  std::snprintf(detail, sizeof detail,
                "Operation timed out after %lld milliseconds with %zu bytes received",
                static_cast<long long>(limit.count()), t.result.body.size());
  return FailureText(stage, CURLE_OPERATION_TIMEDOUT, detail);
}

}  // namespace

HttpSession::HttpSession(const FetchOptions& options) : options_(options), easy_(curl_easy_init()) {
  if (!easy_) return;
  CURL* h = easy_.get();
  curl_slist* list = curl_slist_append(nullptr, "Cache-Control: no-cache");
  if (list != nullptr) {
    curl_slist* more = curl_slist_append(list, "Pragma: no-cache");
    if (more != nullptr) list = more;
  }
  headers_.reset(list);
  curl_easy_setopt(h, CURLOPT_USERAGENT, kCrawlerUserAgent);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers_.get());
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReadSize);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");  // session cookies, as a browser keeps them
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnData);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
}

bool FetchUrl(HttpSession& session, AppContext& ctx, std::u16string_view url,
              std::u16string_view fallbackKind, FetchResult& result) {
  CURL* h = session.handle();
  const std::string target = Utf16ToUtf8(url);
  char errorBuffer[CURL_ERROR_SIZE];

  // Opening is tried twice, as a dropped connection often works the second time.
  for (int attempt = 0; attempt < 2; ++attempt) {
    result = FetchResult{};
    Transfer t{ctx, fallbackKind, result, h};
    t.deadline = Clock::now() + session.options().transferLimit;
    errorBuffer[0] = '\0';
    curl_easy_setopt(h, CURLOPT_URL, target.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    const CURLcode rc = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);

    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    const bool failed = rc != CURLE_OK && !t.stoppedHere;
    // No final response: nothing answered, or a redirect led nowhere.
    if (failed && !t.bodyStarted && (status == 0 || IsRedirect(status))) {
      if (attempt == 0 && !ctx.run.CancelRequested) continue;
      result.status = 0;
      result.error = FailureText(FailureStage::Connect, rc, errorBuffer);
      result.finalUrl = std::u16string(url);
      return false;
    }
    // Cancelled, or out of time, before any final answer.
    if (t.stoppedHere && (status == 0 || (t.timedOut && !t.bodyStarted && IsRedirect(status)))) {
      result.status = 0;
      result.finalUrl = std::u16string(url);
      if (t.timedOut) {
        result.error = TimeLimitText(FailureStage::Connect, t, session.options().transferLimit);
      }
      return false;
    }

    result.status = static_cast<unsigned long>(status);
    result.contentType = ContentTypeOf(h);
    curl_off_t length = -1;
    if (curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        length >= 0) {
      result.contentLength = static_cast<std::int64_t>(length);
    }
    char* effective = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
        effective != nullptr && *effective != '\0') {
      result.finalUrl = NormaliseUrl(Utf8ToUtf16(effective));
    }
    if (result.finalUrl.empty()) result.finalUrl = std::u16string(url);
    if (failed) result.error = FailureText(FailureStage::Receive, rc, errorBuffer);
    if (t.timedOut)
      result.error = TimeLimitText(FailureStage::Receive, t, session.options().transferLimit);
    if (result.contentLength < 0)
      result.contentLength = static_cast<std::int64_t>(result.body.size());
    return status >= 200 && status <= 399;
  }
  return false;  // not reached: the second attempt always returns
}

}  // namespace ordano
