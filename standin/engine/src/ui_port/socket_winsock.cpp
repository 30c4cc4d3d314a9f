#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "diagnostics.h"
#include "ui_port/loopback_address.h"
#include "ui_port/socket.h"
#include "ui_port/socket_os.h"

namespace standin::internal::net {
namespace {

// Winsock needs one WSAStartup per process before any socket call.
bool NetworkingReady() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}

SOCKET Handle(intptr_t handle) {
  return static_cast<SOCKET>(handle);
}

}  // namespace

namespace os {

intptr_t OpenStreamSocket() {
  if (!NetworkingReady()) return -1;
  return static_cast<intptr_t>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
}

std::string Failure(const char* step) {
  return std::string(step) + ": Winsock error " + std::to_string(WSAGetLastError());
}

bool ConnectToLoopback(intptr_t handle, uint16_t port) {
  const sockaddr_in address = Loopback(port);
  return ::connect(Handle(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

uint16_t BoundPort(intptr_t handle) {
  sockaddr_in address{};
  int length = sizeof address;
  if (::getsockname(Handle(handle), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

intptr_t AcceptWaiting(intptr_t listener, std::string* error) {
  const SOCKET connection = ::accept(Handle(listener), nullptr, nullptr);
  if (connection == INVALID_SOCKET) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) *error = Failure("accept");
    return -1;
  }
  // A connection inherits the listener's non-blocking mode.
  u_long non_blocking = 0;
  if (::ioctlsocket(connection, FIONBIO, &non_blocking) != 0) {
    *error = Failure("ioctlsocket(FIONBIO) of an accepted connection");
    ::closesocket(connection);
    return -1;
  }
  return static_cast<intptr_t>(connection);
}

void NoDelay(intptr_t handle) {
  const BOOL no_delay = TRUE;
  ::setsockopt(Handle(handle), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay), sizeof no_delay);
}

}  // namespace os

using os::Failure;

void Socket::Close() {
  if (valid()) ::closesocket(Handle(handle_));
  handle_ = kInvalid;
}

Socket Socket::Listen(uint16_t port, std::string* error) {
  Socket listener(os::OpenStreamSocket());
  if (!listener.valid()) {
    *error = Failure("socket");
    return {};
  }
  // Another process must not take the port over while we listen.
  const BOOL exclusive = TRUE;
  ::setsockopt(Handle(listener.handle_), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
  const sockaddr_in address = Loopback(port);
  if (::bind(Handle(listener.handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    *error = Failure("bind");
    return {};
  }
  if (::listen(Handle(listener.handle_), SOMAXCONN) != 0) {
    *error = Failure("listen");
    return {};
  }
  // Non-blocking, so that the acceptor can take every waiting connection.
  u_long non_blocking = 1;
  if (::ioctlsocket(Handle(listener.handle_), FIONBIO, &non_blocking) != 0) {
    *error = Failure("ioctlsocket(FIONBIO)");
    return {};
  }
  return listener;
}

bool Socket::WaitReadable(int timeout_ms) const {
  WSAPOLLFD entry{Handle(handle_), POLLRDNORM, 0};
  return ::WSAPoll(&entry, 1, timeout_ms) > 0;
}

bool Socket::SendAll(const uint8_t* data, size_t size) const {
  while (size > 0) {
    const int chunk = size > 1u << 30 ? 1 << 30 : static_cast<int>(size);
    const int sent = ::send(Handle(handle_), reinterpret_cast<const char*>(data), chunk, 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

long Socket::Receive(uint8_t* buffer, size_t capacity) const {
  const int chunk = capacity > 1u << 30 ? 1 << 30 : static_cast<int>(capacity);
  return ::recv(Handle(handle_), reinterpret_cast<char*>(buffer), chunk, 0);
}

void Socket::ShutDown() const {
  if (!valid()) return;
  ::shutdown(Handle(handle_), SD_BOTH);
  // A send waiting for a peer that reads nothing holds the sending side
  // open (the shutdown waits for it): cancel what waits on the socket.
  if (!::CancelIoEx(reinterpret_cast<HANDLE>(handle_), nullptr) && GetLastError() != ERROR_NOT_FOUND) {
    Diagnose("UI port: CancelIoEx on a socket failed (error " + std::to_string(GetLastError()) + ")");
  }
}

void Socket::Abort() const {
  if (!valid()) return;
  const linger reset{1, 0};
  if (::setsockopt(Handle(handle_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset) != 0) {
    Diagnose("UI port: " + Failure("setsockopt(SO_LINGER)") + "; the connection ends without a reset");
  }
  ShutDown();
}

}  // namespace standin::internal::net
