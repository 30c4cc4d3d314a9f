// The test API over the stand-in core.
#include <algorithm>
#include <utility>

#include "core.h"
#include "standin/engine_test_api.h"
#include "ui_port/ui_port.h"

namespace standin {

using internal::Core;
using internal::Settings;

void ResetAll() {
  internal::StopUiPortServer();
  Core::Instance().Reset();
}

size_t PumpPlatformThread() {
  return Core::Instance().Tasks().Pump();
}

bool WaitForPlatformWork(std::chrono::milliseconds timeout) {
  return Core::Instance().Tasks().WaitForWork(timeout);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    PumpPlatformThread();
    if (done()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    // Short waits: `done` may turn true without any task, through another thread.
    WaitForPlatformWork(
        std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now), std::chrono::milliseconds(10)));
  }
}

void SetPlatformWakeUp(std::function<void()> wake_up) {
  Core::Instance().Tasks().SetWakeUp(std::move(wake_up));
}

std::vector<EngineId> LiveEngines() {
  return Core::Instance().Engines(true);
}
std::vector<EngineId> AllEngines() {
  return Core::Instance().Engines(false);
}
std::optional<EngineInfo> GetEngine(EngineId engine) {
  return Core::Instance().Info(engine);
}

MessageTicket InjectMessage(EngineId engine, const std::string& channel, std::vector<uint8_t> bytes) {
  return Core::Instance().Inject(engine, channel, std::move(bytes), nullptr);
}

InjectedResponse ResponseTo(MessageTicket ticket) {
  return Core::Instance().ResponseTo(ticket);
}

std::vector<SentMessage> SentMessages() {
  return Core::Instance().Sent();
}

void ClearSentMessages() {
  Core::Instance().ClearSent();
}

bool AnswerSentMessage(uint64_t sent_id, std::vector<uint8_t> reply) {
  return Core::Instance().AnswerSent(sent_id, std::move(reply));
}

bool RenderFrame(EngineId engine) {
  return Core::Instance().RenderFrame(engine);
}

void HoldFrames(bool hold) {
  Core::Instance().Configure([&](Settings& settings) { settings.hold_frames = hold; });
}

void ConsumeWindowMessage(UINT message, LRESULT result) {
  Core::Instance().Configure([&](Settings& settings) { settings.consumed_window_messages[message] = result; });
}

void StopConsumingWindowMessage(UINT message) {
  Core::Instance().Configure([&](Settings& settings) { settings.consumed_window_messages.erase(message); });
}

std::vector<OfferedWindowMessage> OfferedWindowMessages(EngineId engine) {
  return Core::Instance().WindowMessages(engine);
}

std::vector<std::string> RecentTraffic() {
  return Core::Instance().RecentTraffic();
}

void SetMonitorDpi(UINT dpi) {
  Core::Instance().Configure([&](Settings& settings) { settings.monitor_dpi = dpi; });
}

void FailEngineCreation(bool fail) {
  Core::Instance().Configure([&](Settings& settings) { settings.fail_engine_creation = fail; });
}

void FailViewControllerCreation(bool fail) {
  Core::Instance().Configure([&](Settings& settings) { settings.fail_view_controller_creation = fail; });
}

void RefuseSendWithReply(bool refuse) {
  Core::Instance().Configure([&](Settings& settings) { settings.refuse_send_with_reply = refuse; });
}

Counters GetCounters() {
  return Core::Instance().GetCounters();
}

std::optional<uint16_t> StartUiPort(uint16_t port) {
  return internal::StartUiPortServer(port);
}
void StopUiPort() {
  internal::StopUiPortServer();
}
std::optional<uint16_t> UiPortNumber() {
  return internal::UiPortServerNumber();
}

}  // namespace standin
