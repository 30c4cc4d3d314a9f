#include <winsock2.h>

#include "socket_peer.h"

#include <windows.h>

namespace standin::testing {
namespace {

// Started once for the process; never cleaned up, as the library's own use is not either.
bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

void PumpQueuedMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

void PutU32(std::vector<uint8_t>* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutU64(std::vector<uint8_t>* out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | bytes.at(offset + static_cast<size_t>(i));
  return value;
}

bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    PumpQueuedMessages();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

uint16_t UnusedLoopbackPort() {
  if (!WinsockStarted()) return 0;
  const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = Loopback(0);
  int size = sizeof address;
  uint16_t port = 0;
  if (bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  closesocket(probe);
  return port;
}

SocketPeer::SocketPeer(uint16_t port) {
  if (!WinsockStarted()) return;
  const SOCKET connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const sockaddr_in address = Loopback(port);
  if (connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    closesocket(connection);
    return;
  }
  socket_ = connection;
}

SocketPeer::~SocketPeer() {
  if (connected()) closesocket(socket_);
}

void SocketPeer::Send(uint8_t type, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> frame;
  PutU32(&frame, static_cast<uint32_t>(payload.size() + 1));
  frame.push_back(type);
  frame.insert(frame.end(), payload.begin(), payload.end());
  size_t done = 0;
  while (connected() && done < frame.size()) {
    const int sent =
        send(socket_, reinterpret_cast<const char*>(frame.data() + done), static_cast<int>(frame.size() - done), 0);
    if (sent <= 0) return;
    done += static_cast<size_t>(sent);
  }
}

std::optional<Frame> SocketPeer::Split() {
  if (received_.size() < 4) return std::nullopt;
  const uint32_t length = GetU32(received_, 0);
  if (length == 0 || received_.size() - 4 < length) return std::nullopt;
  Frame frame{received_[4], {received_.begin() + 5, received_.begin() + 4 + length}};
  received_.erase(received_.begin(), received_.begin() + 4 + length);
  return frame;
}

std::optional<Frame> SocketPeer::Await(uint8_t type, std::chrono::milliseconds timeout) {
  std::optional<Frame> found;
  bool closed = !connected();
  PumpMessagesUntil(
      [&] {
        for (std::optional<Frame> frame = Split(); frame; frame = Split()) {
          if (frame->type == type) {
            found = std::move(frame);
            return true;
          }
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        timeval no_wait{0, 0};
        if (closed || select(0, &readable, nullptr, nullptr, &no_wait) <= 0) return closed;
        char buffer[65536];
        const int count = recv(socket_, buffer, sizeof buffer, 0);
        if (count <= 0) return closed = true;
        received_.insert(received_.end(), buffer, buffer + count);
        return false;
      },
      timeout);
  return found;
}

bool SocketPeer::SendFailsSoon() {
  u_long non_blocking = 1;
  if (!connected() || ioctlsocket(socket_, FIONBIO, &non_blocking) != 0) return false;
  // Far more than the socket buffers of both sides hold.
  const std::vector<char> block(1u << 20, 0);
  for (int i = 0; i < 256; ++i) {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(socket_, &writable);
    timeval patience{10, 0};
    if (select(0, nullptr, &writable, nullptr, &patience) <= 0) return false;  // stuck: nobody takes the bytes
    if (send(socket_, block.data(), static_cast<int>(block.size()), 0) == SOCKET_ERROR &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
      return true;
    }
  }
  return false;
}

bool SocketPeer::ClosedByHost() {
  u_long blocking = 0;
  if (!connected() || ioctlsocket(socket_, FIONBIO, &blocking) != 0) return false;
  for (;;) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval patience{10, 0};
    if (select(0, &readable, nullptr, nullptr, &patience) <= 0) return false;
    char buffer[65536];
    if (recv(socket_, buffer, sizeof buffer, 0) <= 0) return true;
  }
}

}  // namespace standin::testing
