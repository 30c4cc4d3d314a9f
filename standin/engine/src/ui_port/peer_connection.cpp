#include "ui_port/peer_connection.h"

#include <utility>

#include "core.h"
#include "diagnostics.h"
#include "ui_port/actions.h"
#include "ui_port/state_report.h"

namespace standin::internal {

PeerConnection::PeerConnection(net::Socket socket, int number) : socket_(std::move(socket)), number_(number) {}

PeerConnection::~PeerConnection() {
  Close();
  Join();
}

void PeerConnection::Start() {
  threads_running_ = 2;
  // The owner joins both threads before it lets the connection go.
  reader_ = std::thread([this] {
    Guarded([this] { ReadLoop(); });
    ThreadEnded();
    reader_done_ = true;
  });
  writer_ = std::thread([this] {
    Guarded([this] { WriteLoop(); });
    {
      // Done writing (a protocol error included): the reader stops too.
      std::lock_guard<std::mutex> guard(mutex_);
      socket_.ShutDown();
    }
    ThreadEnded();
    writer_done_ = true;
  });
}

void PeerConnection::ThreadEnded() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (--threads_running_ == 0) socket_ = net::Socket();
}

void PeerConnection::Guarded(const std::function<void()>& loop) noexcept {
  try {
    loop();
  } catch (const std::exception& error) {
    try {
      Diagnose("UI port: peer " + std::to_string(number_) + " failed: " + error.what());
      Lost();
    } catch (...) {
      Close();
    }
  }
}

void PeerConnection::Queue(std::vector<uint8_t> frame) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (closed_ || close_when_sent_) return;
    if (unsent_bytes_ + frame.size() <= kMaxUnsentBytes) {
      unsent_bytes_ += frame.size();
      outbox_.push_back(std::move(frame));
      wake_writer_.notify_all();
      return;
    }
    // The writer may be stuck sending to this peer: reset the connection,
    // which frees it and tells the peer.
    CloseLocked(true);
  }
  Diagnose("UI port: peer " + std::to_string(number_) + " is not reading its frames; closing the connection");
}

void PeerConnection::Close() {
  std::lock_guard<std::mutex> guard(mutex_);
  CloseLocked(false);
}

void PeerConnection::CloseLocked(bool abort) {
  closed_ = true;
  outbox_.clear();
  wake_writer_.notify_all();
  if (abort) {
    socket_.Abort();
  } else {
    socket_.ShutDown();
  }
}

void PeerConnection::ShutDownWithoutWaiting() {
  std::unique_lock<std::mutex> guard(mutex_, std::try_to_lock);
  if (guard.owns_lock()) socket_.ShutDown();
}

void PeerConnection::Join() {
  if (reader_.joinable() && reader_.get_id() != std::this_thread::get_id()) reader_.join();
  if (writer_.joinable() && writer_.get_id() != std::this_thread::get_id()) writer_.join();
}

void PeerConnection::ReadLoop() {
  frames::FrameSplitter splitter;
  std::vector<uint8_t> buffer(64 * 1024);
  std::vector<uint8_t> body;
  bool rejected = false;
  while (!rejected) {
    const long received = socket_.Receive(buffer.data(), buffer.size());
    if (received <= 0) {
      // A peer that shuts down its sending side is taken as gone: answers
      // still owed to it are dropped.
      Lost();
      break;
    }
    splitter.Feed(buffer.data(), static_cast<size_t>(received));
    frames::FrameSplitter::Status status = frames::FrameSplitter::Status::kNeedMore;
    while (!rejected && (status = splitter.Next(&body)) == frames::FrameSplitter::Status::kBody) {
      std::string error;
      std::optional<frames::Request> request = frames::DecodeRequest(body.data(), body.size(), &error);
      if (request) {
        Handle(std::move(*request));
      } else {
        Reject(error);
        rejected = true;
      }
    }
    if (!rejected && status == frames::FrameSplitter::Status::kTooLarge) {
      Reject("frame body larger than " + std::to_string(frames::kMaxBodySize) + " bytes");
      rejected = true;
    }
  }
}

void PeerConnection::WriteLoop() {
  for (;;) {
    std::vector<uint8_t> frame;
    {
      std::unique_lock<std::mutex> guard(mutex_);
      wake_writer_.wait(guard, [&] { return closed_ || close_when_sent_ || !outbox_.empty(); });
      // Closed, or closing after the last frame went out.
      if (closed_ || outbox_.empty()) break;
      frame = std::move(outbox_.front());
      outbox_.pop_front();
      unsent_bytes_ -= frame.size();
    }
    if (!socket_.SendAll(frame.data(), frame.size())) {
      Lost();
      break;
    }
  }
}

void PeerConnection::Lost() {
  bool announce;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    announce = !closed_ && !close_when_sent_;
    CloseLocked(false);
  }
  if (announce) Diagnose("UI port: peer " + std::to_string(number_) + " has gone; connection closed");
}

void PeerConnection::Reject(const std::string& why) {
  Diagnose("UI port: malformed frame from peer " + std::to_string(number_) + " (" + why + "); closing the connection");
  Queue(frames::EncodeProtocolError(why));
  {
    std::lock_guard<std::mutex> guard(mutex_);
    close_when_sent_ = true;
  }
  wake_writer_.notify_all();
}

void PeerConnection::Handle(frames::Request request) {
  Core& core = Core::Instance();
  if (auto* send = std::get_if<frames::SendMessageRequest>(&request)) {
    std::weak_ptr<PeerConnection> peer = weak_from_this();
    const uint32_t request_id = send->request_id;
    core.Inject(send->engine, std::move(send->channel), std::move(send->message),
                [peer, request_id](const InjectedResponse& response) {
                  if (auto connection = peer.lock())
                    connection->Queue(frames::EncodeMessageResponse(request_id, response));
                });
  } else if (auto* reply = std::get_if<frames::ReplyToHostRequest>(&request)) {
    if (!core.AnswerSent(reply->message_id, std::move(reply->reply))) {
      Diagnose("UI port: peer " + std::to_string(number_) + " answered message " + std::to_string(reply->message_id) +
               ", which awaits no reply; ignored");
    }
  } else if (auto* query = std::get_if<frames::StateQuery>(&request)) {
    Queue(frames::EncodeStateReply(query->request_id, EncodeStateReport()));
  } else if (auto* action = std::get_if<frames::ActionRequest>(&request)) {
    // Answered once the action took effect on the platform thread.
    const uint32_t request_id = action->request_id;
    std::weak_ptr<PeerConnection> peer = weak_from_this();
    auto done = [peer, request_id](bool acted) {
      if (auto connection = peer.lock()) connection->Queue(frames::EncodeActionResult(request_id, acted));
    };
    if (!StartAction(*action, done)) {
      if (!frames::IsKnownAction(action->action)) {
        Diagnose("UI port: peer " + std::to_string(number_) + " asked for unknown action " +
                 std::to_string(action->action));
      }
      Queue(frames::EncodeActionResult(request_id, false));
    }
  }
}

}  // namespace standin::internal
