// What a socket does the same way on every system, over socket_os.h.
#include "ui_port/socket.h"

#include "ui_port/socket_os.h"

namespace standin::internal::net {

Socket Socket::Connect(uint16_t port, std::string* error) {
  Socket connection(os::OpenStreamSocket());
  if (!connection.valid()) {
    *error = os::Failure("socket");
    return {};
  }
  if (!os::ConnectToLoopback(connection.handle_, port)) {
    *error = os::Failure("connect");
    return {};
  }
  os::NoDelay(connection.handle_);
  return connection;
}

uint16_t Socket::LocalPort() const {
  return os::BoundPort(handle_);
}

Socket Socket::Accept(std::string* error) const {
  Socket connection(os::AcceptWaiting(handle_, error));
  if (connection.valid()) os::NoDelay(connection.handle_);
  return connection;
}

}  // namespace standin::internal::net
