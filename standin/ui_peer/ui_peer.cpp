#include "ui_peer.h"

#include <cerrno>
#include <cstdint>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace standin::testing {

void PutU32(std::vector<uint8_t>* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutU64(std::vector<uint8_t>* out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t PeerFrame::U32(size_t offset) const {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | payload.at(offset + static_cast<size_t>(i));
  return value;
}

uint64_t PeerFrame::U64(size_t offset) const {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | payload.at(offset + static_cast<size_t>(i));
  return value;
}

UiPeer::UiPeer(uint16_t port, bool wait_for_connection) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | (wait_for_connection ? 0 : SOCK_NONBLOCK), 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS) {
    Close();
    return;
  }
  // Blocking from here on; Next polls before it reads.
  if (!wait_for_connection) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

UiPeer::~UiPeer() {
  Close();
}

void UiPeer::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void UiPeer::SendRaw(const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t sent = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent <= 0) return;
    done += static_cast<size_t>(sent);
  }
}

void UiPeer::SendFrame(uint8_t type, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> frame;
  PutU32(&frame, static_cast<uint32_t>(payload.size() + 1));
  frame.push_back(type);
  frame.insert(frame.end(), payload.begin(), payload.end());
  SendRaw(frame);
}

void UiPeer::SendMessage(uint32_t request_id, uint64_t engine, const std::string& channel,
                         const std::vector<uint8_t>& message) {
  std::vector<uint8_t> payload;
  PutU32(&payload, request_id);
  PutU64(&payload, engine);
  PutU32(&payload, static_cast<uint32_t>(channel.size()));
  payload.insert(payload.end(), channel.begin(), channel.end());
  payload.insert(payload.end(), message.begin(), message.end());
  SendFrame(0x01, payload);
}

void UiPeer::ReplyToHost(uint64_t message_id, const std::vector<uint8_t>& reply) {
  std::vector<uint8_t> payload;
  PutU64(&payload, message_id);
  payload.insert(payload.end(), reply.begin(), reply.end());
  SendFrame(0x02, payload);
}

void UiPeer::QueryState(uint32_t request_id) {
  std::vector<uint8_t> payload;
  PutU32(&payload, request_id);
  SendFrame(0x03, payload);
}

void UiPeer::Action(uint32_t request_id, uint8_t action, uint64_t engine, const std::vector<uint8_t>& arguments) {
  std::vector<uint8_t> payload;
  PutU32(&payload, request_id);
  payload.push_back(action);
  PutU64(&payload, engine);
  payload.insert(payload.end(), arguments.begin(), arguments.end());
  SendFrame(0x04, payload);
}

std::optional<PeerFrame> UiPeer::Next(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (pending_.size() >= 4) {
      const uint32_t length = static_cast<uint32_t>(pending_[0]) | static_cast<uint32_t>(pending_[1]) << 8 |
                              static_cast<uint32_t>(pending_[2]) << 16 | static_cast<uint32_t>(pending_[3]) << 24;
      if (length >= 1 && pending_.size() >= 4 + static_cast<size_t>(length)) {
        PeerFrame frame{pending_[4], {pending_.begin() + 5, pending_.begin() + 4 + length}};
        pending_.erase(pending_.begin(), pending_.begin() + 4 + length);
        return frame;
      }
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd entry{fd_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
    uint8_t buffer[4096];
    const ssize_t received = ::recv(fd_, buffer, sizeof buffer, 0);
    if (received <= 0) return std::nullopt;
    pending_.insert(pending_.end(), buffer, buffer + received);
  }
}

std::optional<PeerFrame> UiPeer::NextOfType(uint8_t type) {
  for (;;) {
    std::optional<PeerFrame> frame = Next();
    if (!frame || frame->type == type) return frame;
  }
}

bool UiPeer::ClosedByHost() {
  for (;;) {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, 10000) <= 0) return false;
    uint8_t buffer[4096];
    const ssize_t received = ::recv(fd_, buffer, sizeof buffer, 0);
    if (received <= 0) return true;
  }
}

bool UiPeer::SendFailsSoon() {
  // Far more than the socket buffers of both sides hold.
  const std::vector<uint8_t> block(1u << 20, 0);
  for (int i = 0; i < 256; ++i) {
    pollfd entry{fd_, POLLOUT, 0};
    if (::poll(&entry, 1, 10000) <= 0) return false;  // stuck: nobody takes the bytes
    if (::send(fd_, block.data(), block.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno != EAGAIN) return true;
  }
  return false;
}

uint32_t UiPeer::Retransmissions() const {
  tcp_info info{};
  socklen_t size = sizeof info;
  if (::getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return UINT32_MAX;
  return info.tcpi_total_retrans;
}

}  // namespace standin::testing
