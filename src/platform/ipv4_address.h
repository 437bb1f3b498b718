// The socket address of a dotted IPv4 address and a port, shared by the
// socket files of both systems. Include it after the system's socket
// headers (<arpa/inet.h> or <winsock2.h> with <ws2tcpip.h>).
#pragma once

#include <cstdint>
#include <string>

namespace tarvik::platform {

// False when `address` is not a dotted IPv4 address.
inline bool ParseAddress(const std::string& address, sockaddr_in* out, std::uint16_t port) {
  *out = sockaddr_in{};
  out->sin_family = AF_INET;
  out->sin_port = htons(port);
  return inet_pton(AF_INET, address.c_str(), &out->sin_addr) == 1;
}

}  // namespace tarvik::platform
