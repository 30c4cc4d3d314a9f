// Messages both ways, responses, and the messenger's references and lock.
#include <string>
#include <utility>

#include "core.h"
#include "diagnostics.h"

namespace standin::internal {
namespace {

// Response handles are opaque to the host: the engine hands out numbers.
const FlutterDesktopMessageResponseHandle* HandleFromNumber(uint64_t number) {
  return reinterpret_cast<const FlutterDesktopMessageResponseHandle*>(static_cast<uintptr_t>(number));
}

uint64_t NumberFromHandle(const FlutterDesktopMessageResponseHandle* handle) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
}

std::string Quoted(const char* channel) {
  return std::string("\"") + channel + "\"";
}

}  // namespace

Core::Finished Core::Settle(MessageTicket ticket, ResponseState state, std::vector<uint8_t> bytes) {
  auto it = tickets_.find(ticket);
  if (it == tickets_.end()) return {};
  it->second.state = state;
  if (!it->second.done) {
    it->second.bytes = std::move(bytes);
    settled_tickets_.push_back(ticket);
    if (settled_tickets_.size() > kSettledResponsesKept) {
      tickets_.erase(settled_tickets_.front());
      settled_tickets_.pop_front();
    }
    return {};
  }
  // Messages from the UI port are settled for good once reported; keeping
  // their tickets would only grow memory.
  Finished finished{std::move(it->second.done), InjectedResponse{state, std::move(bytes)}};
  tickets_.erase(it);
  return finished;
}

bool Core::Send(FlutterDesktopMessengerRef messenger, const char* channel, const uint8_t* message, size_t size) {
  return AcceptSend("FlutterDesktopMessengerSend", messenger, channel, message, size, nullptr, nullptr);
}

bool Core::SendWithReply(FlutterDesktopMessengerRef messenger, const char* channel, const uint8_t* message, size_t size,
                         FlutterDesktopBinaryReply reply, void* user_data) {
  if (reply == nullptr) {
    Diagnose("FlutterDesktopMessengerSendWithReply: null reply callback; not sent");
    return false;
  }
  return AcceptSend("FlutterDesktopMessengerSendWithReply", messenger, channel, message, size, reply, user_data);
}

bool Core::AcceptSend(const char* function, FlutterDesktopMessengerRef messenger, const char* channel,
                      const uint8_t* message, size_t size, FlutterDesktopBinaryReply reply, void* user_data) {
  const bool wants_reply = reply != nullptr;
  SentMessage observed;
  std::shared_ptr<const SendObserver> observer;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    FlutterDesktopEngine* engine = MessengerOwner(messenger, function);
    if (engine == nullptr) return false;
    if (channel == nullptr) {
      Diagnose(std::string(function) + ": null channel name; not sent");
      return false;
    }
    if (message == nullptr && size > 0) {
      Diagnose(std::string(function) + ": null message of " + std::to_string(size) + " bytes on channel " +
               Quoted(channel) + "; not sent");
      return false;
    }
    if (!engine->alive) {
      ++counters_.sends_after_engine_gone;
      Diagnose("send on a messenger whose engine is gone (channel " + Quoted(channel) + "); dropped");
      return false;
    }
    if (wants_reply && settings_.refuse_send_with_reply) return false;
    SentMessage& record = sent_log_.Add();
    record.id = next_sent_id_++;
    record.engine = engine->id;
    record.channel.assign(channel);
    if (size > 0) {
      record.bytes.assign(message, message + size);
    } else {
      record.bytes.clear();
    }
    record.wants_reply = wants_reply;
    if (wants_reply) awaited_replies_[record.id] = AwaitedReply{engine->id, reply, user_data};
    traffic_.Note(Direction::kToUi, engine->id, record.channel, message, size);
    if (send_observer_) {
      observer = send_observer_;
      observed = record;
    }
  }
  platform::TrafficChanged();
  if (observer) (*observer)(observed);
  return true;
}

void Core::SetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                       FlutterDesktopMessageCallback callback, void* user_data) {
  std::lock_guard<std::mutex> guard(mutex_);
  FlutterDesktopEngine* engine = MessengerOwner(messenger, "FlutterDesktopMessengerSetCallback");
  if (engine == nullptr) return;
  if (channel == nullptr) {
    Diagnose("FlutterDesktopMessengerSetCallback: null channel name; ignored");
    return;
  }
  if (!engine->alive) {
    Diagnose("FlutterDesktopMessengerSetCallback: the engine is gone (channel " + Quoted(channel) + "); ignored");
    return;
  }
  if (callback == nullptr) {
    engine->callbacks.erase(channel);
  } else {
    engine->callbacks[channel] = ChannelCallback{callback, user_data};
  }
}

void Core::SendResponse(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessageResponseHandle* handle,
                        const uint8_t* data, size_t size) {
  Finished finished;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    FlutterDesktopEngine* engine = MessengerOwner(messenger, "FlutterDesktopMessengerSendResponse");
    if (engine == nullptr) return;
    if (!engine->alive) {
      ++counters_.responses_after_engine_gone;
      Diagnose("FlutterDesktopMessengerSendResponse: the engine is gone; response dropped");
      return;
    }
    if (data == nullptr && size > 0) {
      Diagnose("FlutterDesktopMessengerSendResponse: null data of " + std::to_string(size) +
               " bytes; answered with the empty response");
      size = 0;
    }
    const uint64_t number = NumberFromHandle(handle);
    auto pending = pending_responses_.find(number);
    if (pending == pending_responses_.end() || pending->second.engine != engine->id) {
      ++counters_.duplicate_responses;
      Diagnose(number != 0 && number < next_response_handle_
                   ? "FlutterDesktopMessengerSendResponse: response handle used a second time; ignored"
                   : "FlutterDesktopMessengerSendResponse: a response handle this messenger never issued; ignored");
      return;
    }
    const MessageTicket ticket = pending->second.ticket;
    spare_pending_ = pending_responses_.extract(pending);
    std::vector<uint8_t> bytes;
    if (size > 0) bytes.assign(data, data + size);
    finished = Settle(ticket, ResponseState::kAnswered, std::move(bytes));
  }
  finished.Report();
}

FlutterDesktopMessengerRef Core::AddRef(FlutterDesktopMessengerRef messenger) {
  std::lock_guard<std::mutex> guard(mutex_);
  FlutterDesktopEngine* engine = MessengerOwner(messenger, "FlutterDesktopMessengerAddRef");
  if (engine == nullptr) return nullptr;
  ++engine->host_messenger_references;
  return messenger;
}

void Core::Release(FlutterDesktopMessengerRef messenger) {
  std::lock_guard<std::mutex> guard(mutex_);
  FlutterDesktopEngine* engine = MessengerOwner(messenger, "FlutterDesktopMessengerRelease");
  if (engine == nullptr) return;
  if (engine->host_messenger_references == 0) {
    ++counters_.unbalanced_calls;
    Diagnose("FlutterDesktopMessengerRelease: no reference left to release; ignored");
    return;
  }
  --engine->host_messenger_references;
}

FlutterDesktopMessengerRef Core::Lock(FlutterDesktopMessengerRef messenger) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (MessengerOwner(messenger, "FlutterDesktopMessengerLock") == nullptr) return nullptr;
  }
  messenger->lock.Lock();
  return messenger;
}

void Core::Unlock(FlutterDesktopMessengerRef messenger) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (MessengerOwner(messenger, "FlutterDesktopMessengerUnlock") == nullptr) return;
  }
  if (messenger->lock.Unlock()) return;
  std::lock_guard<std::mutex> guard(mutex_);
  ++counters_.unbalanced_calls;
  Diagnose("FlutterDesktopMessengerUnlock: this thread does not hold the messenger lock; ignored");
}

bool Core::IsAvailable(FlutterDesktopMessengerRef messenger) {
  std::lock_guard<std::mutex> guard(mutex_);
  const FlutterDesktopEngine* engine = MessengerOwner(messenger, "FlutterDesktopMessengerIsAvailable");
  return engine != nullptr && engine->alive;
}

MessageTicket Core::Inject(EngineId engine_id, std::string channel, std::vector<uint8_t> bytes, Completion done) {
  MessageTicket ticket;
  bool deliverable;
  Finished finished;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    ticket = next_ticket_++;
    const FlutterDesktopEngine* engine = EngineById(engine_id);
    deliverable = engine != nullptr && engine->alive;
    if (deliverable) traffic_.Note(Direction::kToHost, engine_id, channel, bytes.data(), bytes.size());
    tickets_.emplace(
        ticket, Ticket{engine_id, ResponseState::kQueued, {}, std::move(done), std::move(channel), std::move(bytes)});
    if (!deliverable) finished = Settle(ticket, ResponseState::kEngineGone, {});
  }
  if (!deliverable) {
    finished.Report();
    return ticket;
  }
  platform::TrafficChanged();
  // Only the ticket is captured, which keeps the task free of allocations.
  tasks_.Post([this, ticket] { Deliver(ticket); });
  return ticket;
}

void Core::Deliver(MessageTicket ticket) {
  std::string channel;
  std::vector<uint8_t> bytes;
  ChannelCallback callback;
  FlutterDesktopMessenger* messenger = nullptr;
  uint64_t response_number = 0;
  Finished finished;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = tickets_.find(ticket);
    if (it == tickets_.end() || it->second.state != ResponseState::kQueued) return;
    // Moved out: answering inside the callback may drop the ticket.
    channel = std::move(it->second.channel);
    bytes = std::move(it->second.message);
    FlutterDesktopEngine* engine = EngineById(it->second.engine);
    if (engine == nullptr || !engine->alive) {
      finished = Settle(ticket, ResponseState::kEngineGone, {});
    } else if (auto found = engine->callbacks.find(channel); found == engine->callbacks.end()) {
      // As the real engine does: a channel nobody listens on gets the empty response.
      finished = Settle(ticket, ResponseState::kNoHandler, {});
    } else {
      callback = found->second;
      messenger = &engine->messenger;
      response_number = next_response_handle_++;
      const PendingResponse pending{engine->id, ticket};
      if (spare_pending_) {
        spare_pending_.key() = response_number;
        spare_pending_.mapped() = pending;
        pending_responses_.insert(std::move(spare_pending_));
      } else {
        pending_responses_.emplace(response_number, pending);
      }
      it->second.state = ResponseState::kAwaitingAnswer;
    }
  }
  if (messenger == nullptr) {
    finished.Report();
    return;
  }
  const FlutterDesktopMessage message{sizeof(FlutterDesktopMessage), channel.c_str(),
                                      bytes.empty() ? nullptr : bytes.data(), bytes.size(),
                                      HandleFromNumber(response_number)};
  callback.callback(messenger, &message, callback.user_data);
}

InjectedResponse Core::ResponseTo(MessageTicket ticket) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = tickets_.find(ticket);
  if (it == tickets_.end()) return {};
  return InjectedResponse{it->second.state, it->second.bytes};
}

std::vector<SentMessage> Core::Sent() {
  std::lock_guard<std::mutex> guard(mutex_);
  return sent_log_.Messages();
}

void Core::ClearSent() {
  std::lock_guard<std::mutex> guard(mutex_);
  sent_log_.Clear();
}

bool Core::AnswerSent(uint64_t sent_id, std::vector<uint8_t> reply) {
  AwaitedReply awaited;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = awaited_replies_.find(sent_id);
    if (it == awaited_replies_.end()) return false;
    awaited = it->second;
    awaited_replies_.erase(it);
  }
  tasks_.Post([this, awaited, reply = std::move(reply)] { DeliverReply(awaited.engine, awaited, reply); });
  return true;
}

void Core::DeliverReply(EngineId engine_id, AwaitedReply awaited, const std::vector<uint8_t>& bytes) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    const FlutterDesktopEngine* engine = EngineById(engine_id);
    // The host's reply state may be gone with its engine: never call it then.
    if (engine == nullptr || !engine->alive) return;
  }
  awaited.reply(bytes.empty() ? nullptr : bytes.data(), bytes.size(), awaited.user_data);
}

void Core::SetSendObserver(SendObserver observer) {
  std::lock_guard<std::mutex> guard(mutex_);
  send_observer_ = observer ? std::make_shared<const SendObserver>(std::move(observer)) : nullptr;
}

}  // namespace standin::internal
