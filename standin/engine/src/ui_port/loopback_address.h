// The IPv4 loopback address at a port, spelled once for both socket layers.
#ifndef STANDIN_ENGINE_UI_PORT_LOOPBACK_ADDRESS_H_
#define STANDIN_ENGINE_UI_PORT_LOOPBACK_ADDRESS_H_

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

#include <cstdint>

namespace standin::internal::net {

inline sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace standin::internal::net

#endif  // STANDIN_ENGINE_UI_PORT_LOOPBACK_ADDRESS_H_
