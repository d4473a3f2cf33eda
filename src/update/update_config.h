// Where the update comes from: the build's update server, or the address in
// ORDANO_UPDATE_URL (mirrors, tests).
#pragma once

#include <string>
#include <string_view>

namespace ordano {

struct UpdateEndpoints {
  std::string download;  // the update archive
  std::string notice;    // the download notice (POST)
  std::string support;   // the support page, sent as the notice's referrer
};

enum class EndpointStatus {
  Ok,
  Off,      // no update server in this build and no ORDANO_UPDATE_URL
  Refused,  // ORDANO_UPDATE_URL is not https (http only for loopback) or not a URL
};

struct EndpointChoice {
  EndpointStatus status = EndpointStatus::Off;
  UpdateEndpoints endpoints;
};

// The endpoints of `buildHost` ("https://host/download/ordano08.zip", …), or
// of `overrideUrl` when it is given (then the notice and the support page are
// on its scheme, host and port). Null or empty overrideUrl: not given.
EndpointChoice ChooseUpdateEndpoints(std::string_view buildHost, const char* overrideUrl);

// The same for this build and this process's environment.
EndpointChoice CurrentUpdateEndpoints();

// The update server host name this build was configured with ("" = off).
std::string_view BuildUpdateHost();

// 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(std::string_view host);

}  // namespace ordano
