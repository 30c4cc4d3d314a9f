#include "ui_port/ui_port.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core.h"
#include "diagnostics.h"
#include "platform.h"
#include "ui_port/frames.h"
#include "ui_port/peer_connection.h"
#include "ui_port/socket.h"

namespace standin::internal {
namespace {

class UiPortServer {
 public:
  std::optional<uint16_t> Start(uint16_t port, bool for_engines) {
    std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
    if (listener_.valid()) {
      if (port != 0 && port != port_) {
        Diagnose("UI port: already listening on " + std::to_string(port_) + "; not moved to " + std::to_string(port));
      }
      StartThreads();
      return port_;
    }
    std::string error;
    listener_ = net::Socket::Listen(port, &error);
    if (!listener_.valid()) {
      Diagnose("UI port: cannot listen on 127.0.0.1:" + std::to_string(port) + " (" + error + ")");
      return std::nullopt;
    }
    port_ = listener_.LocalPort();
    for_engines_ = for_engines;
    peers_seen_ = 0;
    StartThreads();
    Diagnose("UI port listening: KESTRO_UI_PORT=" + std::to_string(port_));
    return port_;
  }

  void Stop() {
    std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
    if (!listener_.valid()) return;
    StopThreads();
    listener_ = net::Socket();
    port_ = 0;
  }

  // A port the environment started serves while some engine lives: its
  // threads stop with the last engine and start again with the next. The
  // listener stays, so the port keeps its number, and peers that connect
  // meanwhile are greeted when the threads start again.
  void StopThreadsWithoutEngines() {
    std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
    if (for_engines_ && Core::Instance().Engines(true).empty()) StopThreads();
  }

  bool Serving() {
    std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
    return acceptor_.joinable();
  }

  // At process end, under the loader lock, after the system ended every
  // other thread (maybe inside one of our locks): shuts down what can be
  // shut down without waiting, and joins nothing.
  void ShutDownWithoutWaiting() {
    stopping_ = true;
    std::unique_lock<std::mutex> guard(connections_mutex_, std::try_to_lock);
    if (!guard.owns_lock()) return;
    for (const auto& connection : connections_) connection->ShutDownWithoutWaiting();
  }

  std::optional<uint16_t> Port() {
    std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
    if (!listener_.valid()) return std::nullopt;
    return port_;
  }

 private:
  // Lifecycle mutex held.
  void StartThreads() {
    if (acceptor_.joinable()) return;
    stopping_ = false;
    Core::Instance().SetSendObserver([this](const SentMessage& message) { Broadcast(message); });
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }

  // Lifecycle mutex held.
  void StopThreads() {
    if (!acceptor_.joinable()) return;
    Core::Instance().SetSendObserver(nullptr);
    stopping_ = true;
    acceptor_.join();
    std::vector<std::shared_ptr<PeerConnection>> connections;
    {
      std::lock_guard<std::mutex> guard(connections_mutex_);
      connections.swap(connections_);
    }
    for (const auto& connection : connections) connection->Close();
    // The joining thread may be the platform thread that a peer's thread
    // waits for (to describe a window): such waits give up meanwhile.
    platform::InterruptPlatformWaits(true);
    for (const auto& connection : connections) connection->Join();
    platform::InterruptPlatformWaits(false);
  }

  // How often the acceptor looks at the stop flag while nobody connects,
  // and how long it waits after accepting failed.
  static constexpr int kAcceptPollMs = 50;

  void AcceptLoop() {
    while (!stopping_) {
      try {
        AcceptWaiting();
      } catch (const std::exception& error) {
        Diagnose(std::string("UI port: accepting a peer failed: ") + error.what());
      }
    }
  }

  // Takes every waiting connection at once, so that a burst of peers is
  // greeted together rather than one per turn of the loop.
  void AcceptWaiting() {
    if (!listener_.WaitReadable(kAcceptPollMs)) return;
    std::vector<std::shared_ptr<PeerConnection>> arrived;
    std::string error;
    for (net::Socket socket = listener_.Accept(&error); socket.valid(); socket = listener_.Accept(&error)) {
      arrived.push_back(std::make_shared<PeerConnection>(std::move(socket), ++peers_seen_));
      // Registered before its greeting can go out, so that a peer that has
      // the greeting also has every host message sent after it.
      arrived.back()->Queue(frames::EncodeHello());
    }
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
      connections_.insert(connections_.end(), arrived.begin(), arrived.end());
    }
    for (const auto& connection : arrived) connection->Start();
    for (const auto& done : finished) done->Join();
    if (!error.empty()) {
      Diagnose("UI port: accepting a peer failed (" + error + ")");
      std::this_thread::sleep_for(std::chrono::milliseconds(kAcceptPollMs));
    }
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
  // Started by the environment: it serves while some engine lives.
  bool for_engines_ = false;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  int peers_seen_ = 0;
  std::mutex connections_mutex_;
  std::vector<std::shared_ptr<PeerConnection>> connections_;
};

// Set once the server exists, so that process end can look at it without
// making one.
std::atomic<UiPortServer*> existing_server{nullptr};

// Never destroyed, like the core: its threads may outlive static destruction.
UiPortServer& Server() {
  static UiPortServer* const server = existing_server = new UiPortServer();
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

std::optional<uint16_t> StartUiPortServer(uint16_t port) {
  return Server().Start(port, false);
}

void StopUiPortServer() {
  Server().Stop();
}

void StopUiPortWithoutEngines() {
  Server().StopThreadsWithoutEngines();
}

void ShutDownUiPortAtProcessEnd() {
  if (UiPortServer* server = existing_server) server->ShutDownWithoutWaiting();
}

std::optional<uint16_t> UiPortServerNumber() {
  return Server().Port();
}

void StartUiPortFromEnvironment() {
  const char* text = std::getenv("KESTRO_UI_PORT");
  if (text == nullptr || Server().Serving()) return;
  if (std::optional<uint16_t> port = ParsePort(text)) {
    Server().Start(*port, true);
  } else {
    Diagnose(std::string("KESTRO_UI_PORT=\"") + text + "\" is not a port number (0 to 65535); no UI port");
  }
}

}  // namespace standin::internal
