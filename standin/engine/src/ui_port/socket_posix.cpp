#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "diagnostics.h"
#include "ui_port/loopback_address.h"
#include "ui_port/socket.h"
#include "ui_port/socket_os.h"

namespace standin::internal::net {
namespace {

int Fd(intptr_t handle) {
  return static_cast<int>(handle);
}

}  // namespace

namespace os {

intptr_t OpenStreamSocket() {
  return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

std::string Failure(const char* step) {
  return std::string(step) + ": " + std::strerror(errno);
}

bool ConnectToLoopback(intptr_t handle, uint16_t port) {
  const sockaddr_in address = Loopback(port);
  return ::connect(Fd(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

uint16_t BoundPort(intptr_t handle) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(Fd(handle), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

intptr_t AcceptWaiting(intptr_t listener, std::string* error) {
  // Without SOCK_NONBLOCK the connection blocks, whatever the listener does.
  const int connection = ::accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
  if (connection < 0 && errno != EAGAIN && errno != EWOULDBLOCK) *error = Failure("accept4");
  return connection < 0 ? -1 : connection;
}

void NoDelay(intptr_t handle) {
  const int no_delay = 1;
  ::setsockopt(Fd(handle), IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof no_delay);
}

}  // namespace os

using os::Failure;

void Socket::Close() {
  if (valid()) ::close(Fd(handle_));
  handle_ = kInvalid;
}

Socket Socket::Listen(uint16_t port, std::string* error) {
  // Non-blocking, so that the acceptor can take every waiting connection.
  Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!listener.valid()) {
    *error = Failure("socket");
    return {};
  }
  const int reuse = 1;
  ::setsockopt(Fd(listener.handle_), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  const sockaddr_in address = Loopback(port);
  if (::bind(Fd(listener.handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    *error = Failure("bind");
    return {};
  }
  if (::listen(Fd(listener.handle_), SOMAXCONN) != 0) {
    *error = Failure("listen");
    return {};
  }
  return listener;
}

bool Socket::WaitReadable(int timeout_ms) const {
  pollfd entry{Fd(handle_), POLLIN, 0};
  return ::poll(&entry, 1, timeout_ms) > 0;
}

bool Socket::SendAll(const uint8_t* data, size_t size) const {
  while (size > 0) {
    // No SIGPIPE when the peer has gone: the failure is reported instead.
    const ssize_t sent = ::send(Fd(handle_), data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

long Socket::Receive(uint8_t* buffer, size_t capacity) const {
  for (;;) {
    const ssize_t received = ::recv(Fd(handle_), buffer, capacity, 0);
    if (received < 0 && errno == EINTR) continue;
    return static_cast<long>(received);
  }
}

void Socket::ShutDown() const {
  if (valid()) ::shutdown(Fd(handle_), SHUT_RDWR);
}

void Socket::Abort() const {
  if (!valid()) return;
  const linger reset{1, 0};
  if (::setsockopt(Fd(handle_), SOL_SOCKET, SO_LINGER, &reset, sizeof reset) != 0) {
    Diagnose("UI port: " + Failure("setsockopt(SO_LINGER)") + "; the connection ends without a reset");
  }
  ShutDown();
}

}  // namespace standin::internal::net
