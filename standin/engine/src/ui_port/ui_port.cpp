#include "ui_port/ui_port.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core.h"
#include "diagnostics.h"
#include "ui_port/frames.h"
#include "ui_port/peer_connection.h"
#include "ui_port/socket.h"

namespace standin::internal {
namespace {

class UiPortServer {
 public:
  std::optional<uint16_t> Start(uint16_t port) {
    std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
    if (listener_.valid()) {
      if (port != 0 && port != port_) {
        Diagnose("UI port: already listening on " + std::to_string(port_) + "; not moved to " + std::to_string(port));
      }
      return port_;
    }
    std::string error;
    listener_ = net::Socket::Listen(port, &error);
    if (!listener_.valid()) {
      Diagnose("UI port: cannot listen on 127.0.0.1:" + std::to_string(port) + " (" + error + ")");
      return std::nullopt;
    }
    port_ = listener_.LocalPort();
    stopping_ = false;
    peers_seen_ = 0;
    Core::Instance().SetSendObserver([this](const SentMessage& message) { Broadcast(message); });
    acceptor_ = std::thread([this] { AcceptLoop(); });
    Diagnose("UI port listening: KESTRO_UI_PORT=" + std::to_string(port_));
    return port_;
  }

  void Stop() {
    std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
    if (!listener_.valid()) return;
    Core::Instance().SetSendObserver(nullptr);
    stopping_ = true;
    acceptor_.join();
    std::vector<std::shared_ptr<PeerConnection>> connections;
    {
      std::lock_guard<std::mutex> guard(connections_mutex_);
      connections.swap(connections_);
    }
    for (const auto& connection : connections) connection->Close();
    for (const auto& connection : connections) connection->Join();
    listener_ = net::Socket();
    port_ = 0;
  }

  std::optional<uint16_t> Port() {
    std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
    if (!listener_.valid()) return std::nullopt;
    return port_;
  }

 private:
  // How often the acceptor looks at the stop flag while nobody connects.
  static constexpr int kAcceptPollMs = 50;

  void AcceptLoop() {
    while (!stopping_) {
      try {
        AcceptOne();
      } catch (const std::exception& error) {
        Diagnose(std::string("UI port: accepting a peer failed: ") + error.what());
      }
    }
  }

  void AcceptOne() {
    if (!listener_.WaitReadable(kAcceptPollMs)) return;
    net::Socket socket = listener_.Accept();
    if (!socket.valid()) return;
    auto connection = std::make_shared<PeerConnection>(std::move(socket), ++peers_seen_);
    // Registered before its greeting can go out, so that a peer that has
    // the greeting also has every host message sent after it.
    connection->Queue(frames::EncodeHello());
    std::vector<std::shared_ptr<PeerConnection>> finished;
    {
      std::lock_guard<std::mutex> guard(connections_mutex_);
      for (auto it = connections_.begin(); it != connections_.end();) {
        if ((*it)->Finished()) {
          finished.push_back(*it);
          it = connections_.erase(it);
        } else {
          ++it;
        }
      }
      connections_.push_back(connection);
    }
    connection->Start();
    for (const auto& done : finished) done->Join();
  }

  void Broadcast(const SentMessage& message) {
    std::vector<std::shared_ptr<PeerConnection>> connections;
    {
      std::lock_guard<std::mutex> guard(connections_mutex_);
      connections = connections_;
    }
    if (connections.empty()) return;
    const std::vector<uint8_t> frame = frames::EncodeHostMessage(message);
    for (const auto& connection : connections) connection->Queue(frame);
  }

  std::mutex lifecycle_mutex_;
  net::Socket listener_;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  int peers_seen_ = 0;
  std::mutex connections_mutex_;
  std::vector<std::shared_ptr<PeerConnection>> connections_;
};

// Never destroyed, like the core: its threads may outlive static destruction.
UiPortServer& Server() {
  static UiPortServer* const server = new UiPortServer();
  return *server;
}

std::optional<uint16_t> ParsePort(const char* text) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  unsigned long value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned long>(*c - '0');
    if (value > 65535) return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<uint16_t> StartUiPortServer(uint16_t port) { return Server().Start(port); }

void StopUiPortServer() { Server().Stop(); }

std::optional<uint16_t> UiPortServerNumber() { return Server().Port(); }

void StartUiPortFromEnvironment() {
  const char* text = std::getenv("KESTRO_UI_PORT");
  if (text == nullptr || Server().Port()) return;
  if (std::optional<uint16_t> port = ParsePort(text)) {
    Server().Start(*port);
  } else {
    Diagnose(std::string("KESTRO_UI_PORT=\"") + text + "\" is not a port number (0 to 65535); no UI port");
  }
}

}  // namespace standin::internal
