#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "diagnostics.h"
#include "ui_port/socket.h"

namespace standin::internal::net {
namespace {

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

std::string Failure(const char* step) {
  return std::string(step) + ": " + std::strerror(errno);
}

int Fd(intptr_t handle) {
  return static_cast<int>(handle);
}

// Frames are small and answered at once: no waiting to coalesce them.
void NoDelay(intptr_t handle) {
  const int no_delay = 1;
  ::setsockopt(Fd(handle), IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof no_delay);
}

}  // namespace

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

Socket Socket::Connect(uint16_t port, std::string* error) {
  Socket connection(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!connection.valid()) {
    *error = Failure("socket");
    return {};
  }
  const sockaddr_in address = Loopback(port);
  if (::connect(Fd(connection.handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    *error = Failure("connect");
    return {};
  }
  NoDelay(connection.handle_);
  return connection;
}

uint16_t Socket::LocalPort() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(Fd(handle_), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

bool Socket::WaitReadable(int timeout_ms) const {
  pollfd entry{Fd(handle_), POLLIN, 0};
  return ::poll(&entry, 1, timeout_ms) > 0;
}

Socket Socket::Accept(std::string* error) const {
  // Without SOCK_NONBLOCK the connection blocks, whatever the listener does.
  Socket connection(::accept4(Fd(handle_), nullptr, nullptr, SOCK_CLOEXEC));
  if (connection.valid()) {
    NoDelay(connection.handle_);
  } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
    *error = Failure("accept4");
  }
  return connection;
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
