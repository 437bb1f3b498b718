#include "platform/desktop.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tarvik::platform {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

bool ConnectsUnix(const std::string& path, bool abstractName) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // An abstract name starts with a zero byte.
  const std::size_t offset = abstractName ? 1 : 0;
  if (path.size() + offset >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const auto length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
  ::close(fd);
  return ok;
}

bool ConnectsTcp(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool ok = false;
  for (addrinfo* a = found; a != nullptr && !ok; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    ok = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    ::close(fd);
  }
  ::freeaddrinfo(found);
  return ok;
}

// DISPLAY is [host]:number[.screen]; without a host the server listens on a
// local socket.
bool XServerReachable(const std::string& display) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string host = display.substr(0, colon);
  const std::string rest = display.substr(colon + 1);
  const std::size_t digits = rest.find_first_not_of("0123456789");
  const std::string number = rest.substr(0, digits);
  if (number.empty() || number.size() > 4) return false;
  if (host.empty() || host == "unix") {
    const std::string path = "/tmp/.X11-unix/X" + number;
    return ConnectsUnix(path, false) || ConnectsUnix(path, true);
  }
  if (host.front() == '/') return ConnectsUnix(display.substr(0, colon), false);  // launchd style
  return ConnectsTcp(host, 6000 + std::stoi(number));
}

bool WaylandReachable(const std::string& name) {
  if (name.front() == '/') return ConnectsUnix(name, false);
  const std::string runtime = Environment("XDG_RUNTIME_DIR");
  return !runtime.empty() && ConnectsUnix(runtime + "/" + name, false);
}

}  // namespace

bool DisplayAvailable() {
  const std::string platform = Environment("QT_QPA_PLATFORM");
  if (!platform.empty() && platform.rfind("xcb", 0) != 0 && platform.rfind("wayland", 0) != 0) {
    return true;
  }
  const std::string wayland = Environment("WAYLAND_DISPLAY");
  if (!wayland.empty() && platform.rfind("xcb", 0) != 0 && WaylandReachable(wayland)) return true;
  const std::string display = Environment("DISPLAY");
  return !display.empty() && platform.rfind("wayland", 0) != 0 && XServerReachable(display);
}

bool UserLanguageIsCzech() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = Environment(name);
    if (!value.empty()) return value.starts_with("cs");
  }
  return false;
}

}  // namespace tarvik::platform
