// A UI peer for tests and benchmarks: a plain loopback client with its own
// reading and writing of the UI port's frames, so that it cross-checks the
// host's side.
#ifndef KESTRO_STANDIN_UI_PEER_UI_PEER_H_
#define KESTRO_STANDIN_UI_PEER_UI_PEER_H_

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace standin::testing {

struct PeerFrame {
  uint8_t type = 0;
  std::vector<uint8_t> payload;

  uint8_t U8(size_t offset) const { return payload.at(offset); }
  uint32_t U32(size_t offset) const;
  uint64_t U64(size_t offset) const;
  std::vector<uint8_t> From(size_t offset) const { return {payload.begin() + offset, payload.end()}; }
};

class UiPeer {
 public:
  // Connects; with `wait_for_connection` false, returns while the
  // connection is still being made (Next waits for it), as a burst of
  // peers starting together would.
  explicit UiPeer(uint16_t port, bool wait_for_connection = true);
  ~UiPeer();
  UiPeer(const UiPeer&) = delete;
  UiPeer& operator=(const UiPeer&) = delete;

  bool connected() const { return fd_ >= 0; }
  void SendRaw(const std::vector<uint8_t>& bytes);
  void SendMessage(uint32_t request_id, uint64_t engine, const std::string& channel,
                   const std::vector<uint8_t>& message);
  void ReplyToHost(uint64_t message_id, const std::vector<uint8_t>& reply);
  void QueryState(uint32_t request_id);
  void Action(uint32_t request_id, uint8_t action, uint64_t engine, const std::vector<uint8_t>& arguments = {});

  // The next frame, or nothing when the host closed the connection or the
  // (generous) timeout passed.
  std::optional<PeerFrame> Next(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Skips host messages (events) until a frame of `type` arrives.
  std::optional<PeerFrame> NextOfType(uint8_t type);
  // True when the host has closed the connection (everything unread is skipped).
  bool ClosedByHost();
  // True when sending fails before the host could have buffered it all:
  // the host's side of the connection is closed.
  bool SendFailsSoon();
  // How often the connection's packets had to be sent again (the first
  // connection request included): 0 when the host took the peer at once.
  uint32_t Retransmissions() const;
  void Close();

 private:
  void SendFrame(uint8_t type, const std::vector<uint8_t>& payload);

  int fd_ = -1;
  std::vector<uint8_t> pending_;
};

// Little-endian appenders for building payloads.
void PutU32(std::vector<uint8_t>* out, uint32_t value);
void PutU64(std::vector<uint8_t>* out, uint64_t value);

}  // namespace standin::testing

#endif  // KESTRO_STANDIN_UI_PEER_UI_PEER_H_
