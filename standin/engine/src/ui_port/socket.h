// A TCP socket on the loopback interface, the one platform seam of the UI
// port: socket.cpp, over the calls of socket_posix.cpp or socket_winsock.cpp.
#ifndef STANDIN_ENGINE_UI_PORT_SOCKET_H_
#define STANDIN_ENGINE_UI_PORT_SOCKET_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace standin::internal::net {

class Socket {
 public:
  Socket() = default;
  ~Socket() { Close(); }
  Socket(Socket&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = kInvalid;
    }
    return *this;
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // Listens on 127.0.0.1 at `port` (0 = any free port), with room for as
  // many waiting connections as the system allows. Invalid on failure, with
  // the reason in `error`.
  static Socket Listen(uint16_t port, std::string* error);
  // Connects to 127.0.0.1 at `port` (the peer side, for tests and tools).
  static Socket Connect(uint16_t port, std::string* error);

  bool valid() const { return handle_ != kInvalid; }
  uint16_t LocalPort() const;
  // True when a connection (listener) or data (connection) is waiting.
  bool WaitReadable(int timeout_ms) const;
  // A waiting connection, blocking. Never waits: invalid when none is
  // waiting, or when accepting failed (the reason then in `error`).
  Socket Accept(std::string* error) const;
  // False when the connection failed or was shut down.
  bool SendAll(const uint8_t* data, size_t size) const;
  // Bytes read (> 0), 0 when the peer closed, < 0 on failure.
  long Receive(uint8_t* buffer, size_t capacity) const;
  // Ends both directions; wakes another thread blocked in Receive or
  // SendAll on this socket. The handle stays open until destruction.
  void ShutDown() const;
  // As ShutDown, and closing the handle resets the connection instead of
  // finishing it, so the peer sees the end even while it reads nothing,
  // and its sends fail rather than wait.
  void Abort() const;

 private:
  static constexpr intptr_t kInvalid = -1;
  explicit Socket(intptr_t handle) : handle_(handle) {}
  void Close();

  intptr_t handle_ = kInvalid;
};

}  // namespace standin::internal::net

#endif  // STANDIN_ENGINE_UI_PORT_SOCKET_H_
