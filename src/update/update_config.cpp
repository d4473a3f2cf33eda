#include "update/update_config.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>

#ifndef ORDANO_UPDATE_HOST
#define ORDANO_UPDATE_HOST ""
#endif

namespace ordano {
namespace {

struct UrlDeleter {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct TextDeleter {
  void operator()(char* s) const { curl_free(s); }
};
using Text = std::unique_ptr<char, TextDeleter>;

Text Part(CURLU* u, CURLUPart part) {
  char* out = nullptr;
  if (curl_url_get(u, part, &out, 0) != CURLUE_OK) return nullptr;
  return Text(out);
}

UpdateEndpoints EndpointsOf(const std::string& origin, std::string download) {
  return {std::move(download), origin + "/top/abcd", origin + "/ordano"};
}

}  // namespace

std::string_view BuildUpdateHost() { return ORDANO_UPDATE_HOST; }

bool IsLoopbackHost(std::string_view host) {
  if (host == "localhost" || host == "[::1]" || host == "::1") return true;
  if (!host.starts_with("127.")) return false;
  // Dotted digits only: "127.evil.example" is a name, not the loopback net.
  int dots = 0;
  for (const char c : host) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return dots == 3;
}

EndpointChoice ChooseUpdateEndpoints(std::string_view buildHost, const char* overrideUrl) {
  EndpointChoice choice;
  if (overrideUrl != nullptr && *overrideUrl != '\0') {
    choice.status = EndpointStatus::Refused;
    std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, overrideUrl, 0) != CURLUE_OK) return choice;
    const Text scheme = Part(u.get(), CURLUPART_SCHEME);
    const Text host = Part(u.get(), CURLUPART_HOST);
    if (!scheme || !host) return choice;
    const std::string s(scheme.get());
    if (s != "https" && !(s == "http" && IsLoopbackHost(host.get()))) return choice;
    std::string origin = s + "://" + host.get();
    if (const Text port = Part(u.get(), CURLUPART_PORT)) origin += std::string(":") + port.get();
    choice.status = EndpointStatus::Ok;
    choice.endpoints = EndpointsOf(origin, overrideUrl);
    return choice;
  }
  if (buildHost.empty()) return choice;
  const std::string origin = "https://" + std::string(buildHost);
  choice.status = EndpointStatus::Ok;
  choice.endpoints = EndpointsOf(origin, origin + "/download/ordano08.zip");
  return choice;
}

EndpointChoice CurrentUpdateEndpoints() {
  return ChooseUpdateEndpoints(BuildUpdateHost(), std::getenv("ORDANO_UPDATE_URL"));
}

}  // namespace ordano
