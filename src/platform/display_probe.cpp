#include "platform/display_probe.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/file_handle.h"

namespace ordano {
namespace {

std::string_view Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string_view(v) : std::string_view();
}

// Connects to a Unix socket; `abstract` uses the Linux abstract namespace (X servers listen there
// as well as on the path).
bool Accepts(const std::string& path, bool abstract) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::size_t offset = abstract ? 1 : 0;
  if (path.size() + offset >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path + offset, path.data(), path.size());
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return false;
  const auto length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
  return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), length) == 0;
}

bool WaylandReachable(std::string_view name) {
  std::string path(name);
  if (!path.starts_with('/')) {
    const std::string_view runtime = Env("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    path = std::string(runtime) + "/" + path;
  }
  return Accepts(path, false);
}

bool XReachable(std::string_view display) {
  if (display.starts_with("unix:")) display.remove_prefix(4);
  if (!display.starts_with(':')) return true;  // a remote or forwarded display: let the toolkit try
  std::string_view number = display.substr(1);
  number = number.substr(0, number.find('.'));
  if (number.empty()) return false;
  const std::string path = "/tmp/.X11-unix/X" + std::string(number);
  return Accepts(path, true) || Accepts(path, false);
}

}  // namespace

bool DisplayReachable() {
  const std::string_view wayland = Env("WAYLAND_DISPLAY");
  if (!wayland.empty() && WaylandReachable(wayland)) return true;
  const std::string_view x = Env("DISPLAY");
  return !x.empty() && XReachable(x);
}

}  // namespace ordano
