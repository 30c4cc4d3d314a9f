// A UI peer for the Windows tests: a loopback client of the UI port that
// keeps this thread's window messages flowing while it waits, since the
// thread that waits is also the engine's platform thread.
#ifndef KESTRO_TESTS_WINDOWS_STANDIN_SOCKET_PEER_H_
#define KESTRO_TESTS_WINDOWS_STANDIN_SOCKET_PEER_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace standin::testing {

struct Frame {
  uint8_t type = 0;
  std::vector<uint8_t> payload;
};

// Little-endian payload building and reading.
void PutU32(std::vector<uint8_t>* out, uint32_t value);
void PutU64(std::vector<uint8_t>* out, uint64_t value);
uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t offset);

// Handles this thread's queued window messages until `done` or the timeout.
bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// A loopback port that nothing listened on a moment ago.
uint16_t UnusedLoopbackPort();

class SocketPeer {
 public:
  explicit SocketPeer(uint16_t port);
  ~SocketPeer();
  SocketPeer(const SocketPeer&) = delete;
  SocketPeer& operator=(const SocketPeer&) = delete;

  bool connected() const { return socket_ != kNoSocket; }
  void Send(uint8_t type, const std::vector<uint8_t>& payload);
  // The next frame of `type`, skipping others, pumping window messages
  // meanwhile; nothing after the timeout or when the host closed.
  std::optional<Frame> Await(uint8_t type, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // True when sending fails before the host could have buffered it all:
  // the host's side of the connection is closed.
  bool SendFailsSoon();
  // True when the host has closed the connection (everything unread is skipped).
  bool ClosedByHost();

 private:
  std::optional<Frame> Split();

  // A SOCKET, kept opaque so that users need not include Winsock first.
  static constexpr uintptr_t kNoSocket = ~uintptr_t{0};
  uintptr_t socket_ = kNoSocket;
  std::vector<uint8_t> received_;
};

}  // namespace standin::testing

#endif  // KESTRO_TESTS_WINDOWS_STANDIN_SOCKET_PEER_H_
