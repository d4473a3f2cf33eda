#include "update/update_check.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <ctime>
#include <fstream>
#include <memory>
#include <span>
#include <string_view>

#include "platform/file_handle.h"

namespace ordano {
namespace {

struct EasyDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using List = std::unique_ptr<curl_slist, ListDeleter>;

constexpr long kCheckSeconds = 8;
constexpr long kDownloadSeconds = 120;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
    s.remove_suffix(1);
  }
  return s;
}

// The address with "?t=now" (or "&t=now") so that no cache answers.
std::string CacheBusted(const std::string& url) {
  const auto now = static_cast<long long>(std::time(nullptr));
  return url + (url.find('?') == std::string::npos ? "?t=" : "&t=") + std::to_string(now);
}

// A handle with the settings every update request shares. Redirects are
// followed, but never from https down to http (except on loopback, which
// only tests use).
Easy NewRequest(const std::string& url, long seconds, List& headers) {
  Easy h(curl_easy_init());
  if (!h) return h;
  CURL* e = h.get();
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_USERAGENT, kUpdateAgent);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, seconds);
  // No progress for `seconds` ends the transfer (receive/send time-out).
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, seconds);
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
  const bool secure = url.starts_with("https://");
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  headers.reset(curl_slist_append(nullptr, "Cache-Control: no-cache"));
  // Appending keeps the list's head; a failed append leaves the list as it was.
  if (headers) curl_slist_append(headers.get(), "Pragma: no-cache");
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
  return h;
}

// Last-Modified of the final answer (a redirect's headers are forgotten).
struct HeaderState {
  std::string lastModified;
};

size_t OnHeader(char* data, size_t size, size_t n, void* user) {
  auto* state = static_cast<HeaderState*>(user);
  const std::string_view line(data, size * n);
  if (line.starts_with("HTTP/")) state->lastModified.clear();
  constexpr std::string_view kName = "last-modified:";
  if (line.size() > kName.size()) {
    bool match = true;
    for (std::size_t i = 0; i < kName.size() && match; ++i) {
      match = (line[i] | 0x20) == kName[i] || (line[i] == ':' && kName[i] == ':');
    }
    if (match) state->lastModified = std::string(Trim(line.substr(kName.size())));
  }
  return size * n;
}

// The body of the time query is never read: the first bytes end the transfer.
size_t StopAtBody(char*, size_t, size_t, void*) { return 0; }

struct DownloadSink {
  int fd = -1;
  std::uint64_t written = 0;
  std::uint64_t limit = 0;
  bool failed = false;
  bool cancelled = false;
  const std::function<bool(std::uint64_t, std::uint64_t)>* progress = nullptr;
};

size_t OnBody(char* data, size_t size, size_t n, void* user) {
  auto* sink = static_cast<DownloadSink*>(user);
  const std::size_t bytes = size * n;
  if (sink->written + bytes > sink->limit ||
      !WriteFully(sink->fd, std::as_bytes(std::span(data, bytes)))) {
    sink->failed = true;
    return 0;
  }
  sink->written += bytes;
  return bytes;
}

// libcurl calls this while bytes arrive and, waiting, about once a second.
int OnDownloadProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  auto* sink = static_cast<DownloadSink*>(user);
  if (sink->progress == nullptr || !*sink->progress) return 0;
  if ((*sink->progress)(static_cast<std::uint64_t>(std::max<curl_off_t>(now, 0)),
                        static_cast<std::uint64_t>(std::max<curl_off_t>(total, 0)))) {
    return 0;
  }
  sink->cancelled = true;
  return 1;  // aborts the transfer
}

size_t Discard(char*, size_t size, size_t n, void*) { return size * n; }

}  // namespace

std::int64_t ProgramFileTime(const std::string& exePath) {
  struct stat st;
  if (exePath.empty() || stat(exePath.c_str(), &st) != 0) return 0;
  return static_cast<std::int64_t>(st.st_mtime);
}

std::int64_t ReadUpdateStamp(const std::string& programDir) {
  std::ifstream in(programDir + "/" + kUpdateStampName);
  std::string line;
  if (!in || !std::getline(in, line)) return 0;
  const std::string_view text = Trim(line);
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

std::int64_t QueryServerTime(const std::string& url) {
  List headers;
  Easy h = NewRequest(CacheBusted(url), kCheckSeconds, headers);
  if (!h) return 0;
  HeaderState state;
  curl_easy_setopt(h.get(), CURLOPT_TIMEOUT, kCheckSeconds);
  curl_easy_setopt(h.get(), CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(h.get(), CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(h.get(), CURLOPT_WRITEFUNCTION, StopAtBody);
  const CURLcode rc = curl_easy_perform(h.get());
  if (rc != CURLE_OK && rc != CURLE_WRITE_ERROR) return 0;
  long status = 0;
  if (curl_easy_getinfo(h.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200) {
    return 0;
  }
  if (state.lastModified.empty()) return 0;
  const time_t t = curl_getdate(state.lastModified.c_str(), nullptr);
  return t > 0 ? static_cast<std::int64_t>(t) : 0;
}

bool IsUpdateNewer(std::int64_t serverTime, std::int64_t programTime,
                   const std::string& programDir) {
  if (serverTime <= 0) return false;
  const std::int64_t stamp = ReadUpdateStamp(programDir);
  if (stamp > 0) return serverTime > stamp;
  if (programTime <= 0) return true;
  return serverTime > programTime + 120;
}

DownloadStatus DownloadFile(const std::string& url, const std::string& target,
                            const DownloadOptions& options) {
  List headers;
  Easy h = NewRequest(CacheBusted(url), kDownloadSeconds, headers);
  if (!h) return DownloadStatus::Failed;
  CURL* e = h.get();
  unlink(target.c_str());
  UniqueFd fd(open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd) return DownloadStatus::Failed;
  DownloadSink sink{fd.get(), 0, options.maxBytes, false, false, &options.progress};
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeLimit.count()));
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, options.lowSpeedBytes);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options.lowSpeedTime.count()));
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnDownloadProgress);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, &sink);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  // An error status ends the transfer before its body is written.
  curl_easy_setopt(e, CURLOPT_FAILONERROR, 1L);
  const CURLcode rc = curl_easy_perform(e);
  long status = 0;
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
  const bool ok =
      rc == CURLE_OK && status == 200 && !sink.failed && sink.written > 0 && fsync(fd.get()) == 0;
  fd.reset();
  if (ok) return DownloadStatus::Ok;
  unlink(target.c_str());
  if (sink.cancelled) return DownloadStatus::Cancelled;
  if (rc == CURLE_OPERATION_TIMEDOUT) return DownloadStatus::TimedOut;
  return DownloadStatus::Failed;
}

void PostDownloadNotice(const UpdateEndpoints& endpoints) {
  List headers;
  Easy h = NewRequest(endpoints.notice, kCheckSeconds, headers);
  if (!h) return;
  if (headers) curl_slist_append(headers.get(), "Content-Type: application/x-www-form-urlencoded");
  curl_easy_setopt(h.get(), CURLOPT_HTTPHEADER, headers.get());
  char* escaped = curl_easy_escape(h.get(), endpoints.download.c_str(),
                                   static_cast<int>(endpoints.download.size()));
  if (escaped == nullptr) return;
  const std::string body = std::string("file=") + escaped;
  curl_free(escaped);
  curl_easy_setopt(h.get(), CURLOPT_TIMEOUT, kCheckSeconds);
  curl_easy_setopt(h.get(), CURLOPT_COPYPOSTFIELDS, body.c_str());
  curl_easy_setopt(h.get(), CURLOPT_REFERER, endpoints.support.c_str());
  curl_easy_setopt(h.get(), CURLOPT_WRITEFUNCTION, Discard);
  curl_easy_perform(h.get());
}

}  // namespace ordano
