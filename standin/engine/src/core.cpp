#include "core.h"

#include <string>
#include <utility>

#include "diagnostics.h"

namespace standin::internal {

Core& Core::Instance() {
  static Core* const instance = new Core();
  return *instance;
}

void Core::Finished::Report() const {
  if (done) done(response);
}

void Core::Reset() {
  tasks_.Clear();
  tasks_.SetWakeUp(nullptr);
  std::vector<std::unique_ptr<FlutterDesktopEngine>> engines;
  std::vector<std::unique_ptr<FlutterDesktopViewController>> controllers;
  std::unordered_map<MessageTicket, Ticket> tickets;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    settings_ = Settings();
    counters_ = Counters();
    engines.swap(engines_);
    controllers.swap(controllers_);
    window_messages_.clear();
    tickets.swap(tickets_);
    settled_tickets_.clear();
    next_ticket_ = 1;
    pending_responses_.clear();
    sent_log_.Clear();
    awaited_replies_.clear();
    next_sent_id_ = 1;
    send_observer_.reset();
    traffic_.Clear();
  }
}

void Core::CountInvalidHandle(const char* function, const char* what) {
  ++counters_.invalid_handles;
  Diagnose(std::string(function) + ": " + what + "; ignored");
}

FlutterDesktopEngine* Core::EngineById(EngineId engine) {
  if (engine == 0 || engine > engines_.size()) return nullptr;
  return engines_[engine - 1].get();
}

FlutterDesktopEngine* Core::LiveEngine(FlutterDesktopEngineRef engine, const char* function) {
  if (engine == nullptr) {
    CountInvalidHandle(function, "null engine");
    return nullptr;
  }
  for (const auto& known : engines_) {
    if (known.get() != engine) continue;
    if (known->alive) return known.get();
    CountInvalidHandle(function, "engine already destroyed");
    return nullptr;
  }
  CountInvalidHandle(function, "unknown engine handle");
  return nullptr;
}

FlutterDesktopEngine* Core::MessengerOwner(FlutterDesktopMessengerRef messenger, const char* function) {
  if (messenger == nullptr) {
    CountInvalidHandle(function, "null messenger");
    return nullptr;
  }
  for (const auto& known : engines_) {
    if (&known->messenger == messenger) return known.get();
  }
  CountInvalidHandle(function, "unknown messenger handle");
  return nullptr;
}

FlutterDesktopViewController* Core::LiveController(FlutterDesktopViewControllerRef controller, const char* function) {
  if (controller == nullptr) {
    CountInvalidHandle(function, "null view controller");
    return nullptr;
  }
  for (const auto& known : controllers_) {
    if (known.get() != controller) continue;
    if (known->alive) return known.get();
    CountInvalidHandle(function, "view controller already destroyed");
    return nullptr;
  }
  CountInvalidHandle(function, "unknown view controller handle");
  return nullptr;
}

std::vector<EngineId> Core::Engines(bool live_only) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<EngineId> ids;
  for (const auto& engine : engines_) {
    if (engine->alive || !live_only) ids.push_back(engine->id);
  }
  return ids;
}

std::optional<EngineInfo> Core::Info(EngineId id) {
  std::lock_guard<std::mutex> guard(mutex_);
  const FlutterDesktopEngine* engine = EngineById(id);
  if (engine == nullptr) return std::nullopt;
  EngineInfo info;
  info.id = engine->id;
  info.alive = engine->alive;
  info.running = engine->controller != nullptr;
  info.properties = engine->properties;
  for (const auto& entry : engine->callbacks) info.channels.push_back(entry.first);
  info.registrar_requests = engine->registrar_requests;
  info.view = engine->view_size;
  info.view_window = engine->view_window;
  info.fonts_reloads = engine->fonts_reloads;
  info.redraw_requests = engine->redraw_requests;
  info.frames_rendered = engine->frames_rendered;
  info.host_messenger_references = engine->host_messenger_references;
  info.messenger_locked = engine->messenger.lock.Held();
  return info;
}

std::vector<OfferedWindowMessage> Core::WindowMessages(EngineId id) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto record = window_messages_.find(id);
  if (record == window_messages_.end()) return {};
  return {record->second.begin(), record->second.end()};
}

std::vector<std::string> Core::RecentTraffic() {
  std::lock_guard<std::mutex> guard(mutex_);
  return traffic_.Lines();
}

Counters Core::GetCounters() {
  std::lock_guard<std::mutex> guard(mutex_);
  return counters_;
}

void Core::Configure(const std::function<void(Settings&)>& change) {
  std::lock_guard<std::mutex> guard(mutex_);
  change(settings_);
}

}  // namespace standin::internal
