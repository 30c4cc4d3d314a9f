// The headless engine core behind the engine library's C functions, the test
// API and the UI port. One process-wide instance; one mutex guards all of its
// records. Host callbacks never run with that mutex held: they are queued on
// the platform tasks, or (responses to the UI) called after it is released.
// Lock order: a messenger lock may be held when the mutex is taken, never
// the other way round.
#ifndef STANDIN_ENGINE_CORE_H_
#define STANDIN_ENGINE_CORE_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "environment_requests.h"
#include "flutter/engine_library.h"
#include "platform.h"
#include "platform_tasks.h"
#include "records.h"
#include "sent_log.h"
#include "standin/engine_test_api.h"
#include "traffic_log.h"

namespace standin::internal {

// Called once when a message from the UI is answered, found no handler or
// lost its engine; called on the thread that caused it, with no lock held.
using Completion = std::function<void(const InjectedResponse&)>;
// Told of every send the host makes; called on the sending thread.
using SendObserver = std::function<void(const SentMessage&)>;

struct Settings {
  bool fail_engine_creation = false;
  bool fail_view_controller_creation = false;
  bool refuse_send_with_reply = false;
  bool hold_frames = false;
  // Unset: the window system's answer.
  std::optional<UINT> monitor_dpi;
  std::map<UINT, LRESULT> consumed_window_messages;
  // Refreshed at every engine creation.
  EnvironmentRequests environment;
};

class Core {
 public:
  // Created on first use and never destroyed, so that nothing it owns is torn
  // down under a thread still running at process exit.
  static Core& Instance();

  // ---- Engines, views, registrars (core_engines.cpp) ----
  FlutterDesktopEngineRef CreateEngine(const FlutterDesktopEngineProperties* properties);
  bool DestroyEngine(FlutterDesktopEngineRef engine);
  FlutterDesktopMessengerRef MessengerOf(FlutterDesktopEngineRef engine);
  FlutterDesktopPluginRegistrarRef Registrar(FlutterDesktopEngineRef engine, const char* plugin_name);
  FlutterDesktopMessengerRef RegistrarMessenger(FlutterDesktopPluginRegistrarRef registrar);
  void ReloadFonts(FlutterDesktopEngineRef engine);
  void SetNextFrame(FlutterDesktopEngineRef engine, FlutterDesktopNextFrameCallback callback, void* user_data);
  FlutterDesktopViewControllerRef CreateViewController(int width, int height, FlutterDesktopEngineRef engine);
  void DestroyViewController(FlutterDesktopViewControllerRef controller);
  FlutterDesktopViewRef ViewOf(FlutterDesktopViewControllerRef controller);
  void ForceRedraw(FlutterDesktopViewControllerRef controller);
  bool HandleWindowProc(FlutterDesktopViewControllerRef controller, const OfferedWindowMessage& message,
                        LRESULT* result);
  HWND WindowOf(FlutterDesktopViewRef view);
  UINT MonitorDpi(HMONITOR monitor);
  void Resync();
  // Queues a frame; `rendered` (if any) runs on the platform thread after it.
  bool RenderFrame(EngineId engine, std::function<void()> rendered = nullptr);
  // The view's window painted; the first paint renders a frame unless frames are held.
  void ViewPainted(EngineId engine);
  // Queues the action on the top-level window of the engine's view; `done`
  // gets its outcome on the platform thread. False when the engine has no view.
  bool RunWindowAction(EngineId engine, const platform::WindowAction& action, std::function<void(bool)> done);

  // ---- Messenger (core_messaging.cpp) ----
  bool Send(FlutterDesktopMessengerRef messenger, const char* channel, const uint8_t* message, size_t size);
  bool SendWithReply(FlutterDesktopMessengerRef messenger, const char* channel, const uint8_t* message, size_t size,
                     FlutterDesktopBinaryReply reply, void* user_data);
  void SetCallback(FlutterDesktopMessengerRef messenger, const char* channel, FlutterDesktopMessageCallback callback,
                   void* user_data);
  void SendResponse(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessageResponseHandle* handle,
                    const uint8_t* data, size_t size);
  FlutterDesktopMessengerRef AddRef(FlutterDesktopMessengerRef messenger);
  void Release(FlutterDesktopMessengerRef messenger);
  FlutterDesktopMessengerRef Lock(FlutterDesktopMessengerRef messenger);
  void Unlock(FlutterDesktopMessengerRef messenger);
  bool IsAvailable(FlutterDesktopMessengerRef messenger);

  MessageTicket Inject(EngineId engine, std::string channel, std::vector<uint8_t> bytes, Completion done);
  InjectedResponse ResponseTo(MessageTicket ticket);
  std::vector<SentMessage> Sent();
  void ClearSent();
  bool AnswerSent(uint64_t sent_id, std::vector<uint8_t> reply);
  void SetSendObserver(SendObserver observer);

  // ---- State for tests and the UI port (core.cpp) ----
  void Reset();
  PlatformTasks& Tasks() { return tasks_; }
  std::vector<EngineId> Engines(bool live_only);
  std::optional<EngineInfo> Info(EngineId engine);
  std::vector<OfferedWindowMessage> WindowMessages(EngineId engine);
  std::vector<std::string> RecentTraffic();
  Counters GetCounters();
  void Configure(const std::function<void(Settings&)>& change);

 private:
  struct Ticket {
    EngineId engine = 0;
    ResponseState state = ResponseState::kQueued;
    std::vector<uint8_t> bytes;  // the response
    Completion done;
    // The message itself, until it is delivered.
    std::string channel;
    std::vector<uint8_t> message;
  };
  struct PendingResponse {
    EngineId engine = 0;
    MessageTicket ticket = 0;
  };
  struct AwaitedReply {
    EngineId engine = 0;
    FlutterDesktopBinaryReply reply = nullptr;
    void* user_data = nullptr;
  };
  // A ticket's final outcome, to report once the mutex is released.
  struct Finished {
    Completion done;
    InjectedResponse response;
    void Report() const;
  };

  Core() = default;

  // Lookups; each takes the mutex as held, and refuses (with a diagnostic and
  // the invalid-handle count) what is null, unknown or, where said, destroyed.
  FlutterDesktopEngine* LiveEngine(FlutterDesktopEngineRef engine, const char* function);
  FlutterDesktopEngine* MessengerOwner(FlutterDesktopMessengerRef messenger, const char* function);
  FlutterDesktopViewController* LiveController(FlutterDesktopViewControllerRef controller, const char* function);
  FlutterDesktopEngine* EngineById(EngineId engine);
  void CountInvalidHandle(const char* function, const char* what);

  // Records a send (with a reply when `reply` is set) and tells the observer.
  bool AcceptSend(const char* function, FlutterDesktopMessengerRef messenger, const char* channel,
                  const uint8_t* message, size_t size, FlutterDesktopBinaryReply reply, void* user_data);
  // Shuts an engine down; called without the mutex. False when it was down already.
  bool ShutDown(FlutterDesktopEngine* engine);
  // Settles a ticket (mutex held); the result is reported after unlocking.
  Finished Settle(MessageTicket ticket, ResponseState state, std::vector<uint8_t> bytes);
  void Deliver(MessageTicket ticket);
  void DeliverReply(EngineId engine, AwaitedReply reply, const std::vector<uint8_t>& bytes);
  void Frame(EngineId engine);
  bool FramesHeld() const { return settings_.hold_frames || settings_.environment.hold_frames; }

  std::mutex mutex_;
  PlatformTasks tasks_;
  Settings settings_;
  Counters counters_;
  std::vector<std::unique_ptr<FlutterDesktopEngine>> engines_;  // index = id - 1
  std::vector<std::unique_ptr<FlutterDesktopViewController>> controllers_;
  // The messages offered to the view controllers of live engines: a window
  // gets hundreds, so a destroyed engine's go with it.
  std::unordered_map<EngineId, std::deque<OfferedWindowMessage>> window_messages_;
  std::unordered_map<MessageTicket, Ticket> tickets_;
  // Settled tickets kept for ResponseTo, oldest first; bounded so that a
  // long run does not grow without end.
  std::deque<MessageTicket> settled_tickets_;
  MessageTicket next_ticket_ = 1;
  // Response handles are numbers that are never reused, not even across
  // resets, so a second use of one is always recognised.
  std::unordered_map<uint64_t, PendingResponse> pending_responses_;
  // The node of the last response sent, reused for the next message.
  std::unordered_map<uint64_t, PendingResponse>::node_type spare_pending_;
  uint64_t next_response_handle_ = 1;
  SentLog sent_log_;
  std::unordered_map<uint64_t, AwaitedReply> awaited_replies_;
  uint64_t next_sent_id_ = 1;
  std::shared_ptr<const SendObserver> send_observer_;
  TrafficLog traffic_;
};

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_CORE_H_
