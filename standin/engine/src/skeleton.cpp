// Placeholder bodies so that the host can link while the core is written.
#include "flutter/engine_library.h"
#include "standin/engine_test_api.h"

extern "C" {
FlutterDesktopEngineRef FlutterDesktopEngineCreate(const FlutterDesktopEngineProperties*) { return nullptr; }
bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef) { return true; }
FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef) { return nullptr; }
FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(FlutterDesktopEngineRef, const char*) {
  return nullptr;
}
void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef) {}
void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef, FlutterDesktopNextFrameCallback, void*) {}
FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int, int, FlutterDesktopEngineRef) {
  return nullptr;
}
void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef) {}
FlutterDesktopViewRef FlutterDesktopViewControllerGetView(FlutterDesktopViewControllerRef) { return nullptr; }
void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef) {}
bool FlutterDesktopViewControllerHandleTopLevelWindowProc(FlutterDesktopViewControllerRef, HWND, UINT, WPARAM, LPARAM,
                                                          LRESULT*) {
  return false;
}
HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef) { return nullptr; }
bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef, const char*, const uint8_t*, size_t) { return false; }
bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef, const char*, const uint8_t*, size_t,
                                          FlutterDesktopBinaryReply, void*) {
  return false;
}
void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef, const char*, FlutterDesktopMessageCallback,
                                        void*) {}
void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef, const FlutterDesktopMessageResponseHandle*,
                                         const uint8_t*, size_t) {}
FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger) { return messenger; }
void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef) {}
FlutterDesktopMessengerRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger) { return messenger; }
void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef) {}
bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef) { return false; }
UINT FlutterDesktopGetDpiForMonitor(HMONITOR) { return 96; }
void FlutterDesktopResyncOutputStreams(void) {}
FlutterDesktopMessengerRef FlutterDesktopPluginRegistrarGetMessenger(FlutterDesktopPluginRegistrarRef) {
  return nullptr;
}
}

namespace standin {
void ResetAll() {}
size_t PumpPlatformThread() { return 0; }
bool WaitForPlatformWork(std::chrono::milliseconds) { return false; }
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds) { return done(); }
void SetPlatformWakeUp(std::function<void()>) {}
std::vector<EngineId> LiveEngines() { return {}; }
std::vector<EngineId> AllEngines() { return {}; }
std::optional<EngineInfo> GetEngine(EngineId) { return std::nullopt; }
MessageTicket InjectMessage(EngineId, const std::string&, std::vector<uint8_t>) { return 0; }
InjectedResponse ResponseTo(MessageTicket) { return {}; }
std::vector<SentMessage> SentMessages() { return {}; }
bool AnswerSentMessage(uint64_t, std::vector<uint8_t>) { return false; }
bool RenderFrame(EngineId) { return false; }
void HoldFrames(bool) {}
void ConsumeWindowMessage(UINT, LRESULT) {}
void StopConsumingWindowMessage(UINT) {}
std::vector<OfferedWindowMessage> OfferedWindowMessages(EngineId) { return {}; }
void SetMonitorDpi(UINT) {}
void FailEngineCreation(bool) {}
void FailViewControllerCreation(bool) {}
void RefuseSendWithReply(bool) {}
Counters GetCounters() { return {}; }
std::optional<uint16_t> StartUiPort(uint16_t) { return std::nullopt; }
void StopUiPort() {}
std::optional<uint16_t> UiPortNumber() { return std::nullopt; }
}  // namespace standin
