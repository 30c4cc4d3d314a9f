// What tests (and the UI port) see of the stand-in engine core: its state,
// its records of what the host did, failure injection, and the platform
// thread pump. Everything here may be called from any thread unless a
// comment says otherwise.
//
// The platform thread. Incoming messages, replies to sends and next-frame
// callbacks are queued and run only inside PumpPlatformThread (or PumpUntil),
// on the thread that calls it: natively the platform thread is whichever
// thread pumps, which in tests is the test's own thread. The Windows view
// layer pumps from its message loop, woken through SetPlatformWakeUp.
#ifndef STANDIN_ENGINE_TEST_API_H_
#define STANDIN_ENGINE_TEST_API_H_

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flutter/platform_types.h"

namespace standin {

// Engines are numbered from 1 in creation order; ResetAll starts again at 1.
using EngineId = uint64_t;

// ---- Lifetime of the whole stand-in -------------------------------------

// Forgets every engine (live ones are freed without calling the host back),
// every record, counter, queued task and setting, and stops the UI port.
// Handles the host still holds become invalid: call between tests only.
void ResetAll();

// ---- The platform thread --------------------------------------------------

// Runs every queued platform task on the calling thread until the queue is
// empty; returns how many ran.
size_t PumpPlatformThread();

// Blocks until a platform task is queued or the timeout passes; true when
// there is work.
bool WaitForPlatformWork(std::chrono::milliseconds timeout);

// Pumps (waiting for work in between) until `done` returns true or the
// timeout passes; returns the last value of `done`. `done` runs on the
// calling thread between tasks.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Called (on any thread) each time a platform task is queued; the Windows
// view layer posts a message to its loop from here. Empty to remove.
void SetPlatformWakeUp(std::function<void()> wake_up);

// ---- Engines --------------------------------------------------------------

std::vector<EngineId> LiveEngines();
// Every engine since the last reset, destroyed ones included, in creation order.
std::vector<EngineId> AllEngines();

// What FlutterDesktopEngineCreate was given, copied. Absent optionals were
// null pointers.
struct RecordedProperties {
  std::optional<std::wstring> assets_path;
  std::optional<std::wstring> icu_data_path;
  std::optional<std::wstring> aot_library_path;
  std::optional<std::string> entrypoint;
  int32_t entrypoint_argc = 0;
  bool entrypoint_argv_null = true;
  // In order; a null element is recorded as an empty string.
  std::vector<std::string> entrypoint_arguments;
  std::array<int32_t, 3> option_values{};
};

struct ViewSize {
  int width = 0;
  int height = 0;
};

struct EngineInfo {
  EngineId id = 0;
  bool alive = false;
  // Taken over and started by a view controller.
  bool running = false;
  RecordedProperties properties;
  // Channels that currently have a callback, sorted by name.
  std::vector<std::string> channels;
  // Every registrar request, in request order (repeats included).
  std::vector<std::string> registrar_requests;
  // Present while the engine has (or had, until destroyed) a view.
  std::optional<ViewSize> view;
  HWND view_window = nullptr;
  int fonts_reloads = 0;
  int redraw_requests = 0;
  int frames_rendered = 0;
  // References added with FlutterDesktopMessengerAddRef and not yet released.
  int host_messenger_references = 0;
  // Whether a thread holds FlutterDesktopMessengerLock on its messenger.
  bool messenger_locked = false;
};

std::optional<EngineInfo> GetEngine(EngineId engine);

// ---- Messages from the UI to the host --------------------------------------

using MessageTicket = uint64_t;

enum class ResponseState {
  kUnknownTicket,
  kQueued,          // not yet delivered (the platform thread has not pumped)
  kAwaitingAnswer,  // delivered to a callback, never answered so far
  kAnswered,        // bytes hold the answer; empty bytes = the empty response
  kNoHandler,       // no callback on the channel: answered empty by the engine
  kEngineGone,      // unknown engine, or destroyed before it was answered
};

struct InjectedResponse {
  ResponseState state = ResponseState::kUnknownTicket;
  std::vector<uint8_t> bytes;
};

// Queues a message from "the UI" on a channel of an engine; it reaches the
// channel's callback on the platform thread.
MessageTicket InjectMessage(EngineId engine, const std::string& channel, std::vector<uint8_t> bytes);
// The outcomes of the latest kSettledResponsesKept settled tickets are kept;
// an older one reads as kUnknownTicket.
constexpr size_t kSettledResponsesKept = 4096;
InjectedResponse ResponseTo(MessageTicket ticket);

// ---- Messages from the host to the UI --------------------------------------

struct SentMessage {
  uint64_t id = 0;
  EngineId engine = 0;
  std::string channel;
  std::vector<uint8_t> bytes;
  bool wants_reply = false;
};

// The most recent sends (at most kSentMessagesKept), oldest first. Sends that
// were dropped (engine gone, refused) are not here.
constexpr size_t kSentMessagesKept = 4096;
std::vector<SentMessage> SentMessages();
// Forgets the recorded sends; later ones reuse their storage. A long run
// that never reads them calls it often, so the record stays small.
void ClearSentMessages();

// Queues the answer to a send with reply; the host's reply callback runs on
// the platform thread (empty bytes arrive as null and 0). False when that
// send wants no reply, was answered already, or its engine is gone.
bool AnswerSentMessage(uint64_t sent_id, std::vector<uint8_t> reply);

// ---- Frames, windows, registrars -------------------------------------------

// Renders a frame of the engine's view: the pending next-frame callback (if
// any) runs once on the platform thread. False when the engine has no view.
// The view's first paint renders one too, unless frames are held.
bool RenderFrame(EngineId engine);

// While held, FlutterDesktopViewControllerForceRedraw only counts; otherwise
// it renders a frame like RenderFrame. Not held by default, nor unless
// KESTRO_STANDIN_HOLD_FRAMES=1 at the last engine creation.
void HoldFrames(bool hold);

// Which top-level window messages the engine consumes, and with which result.
void ConsumeWindowMessage(UINT message, LRESULT result);
void StopConsumingWindowMessage(UINT message);

struct OfferedWindowMessage {
  HWND window = nullptr;
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  bool consumed = false;
};
// The most recent messages offered to the engine's view controller (at most
// kWindowMessagesKept), oldest first; none once the engine is destroyed.
constexpr size_t kWindowMessagesKept = 256;
std::vector<OfferedWindowMessage> OfferedWindowMessages(EngineId engine);

// What FlutterDesktopGetDpiForMonitor answers; unless set, the window
// system's answer (96 without one).
void SetMonitorDpi(UINT dpi);

// The most recent channel traffic (at most 20 lines, oldest first), as the
// view paints it: "UI -> host" or "host -> UI", the engine, the channel, and
// the method name with the size, or the size alone.
std::vector<std::string> RecentTraffic();

// ---- Failure injection (each stays until changed or reset) -----------------
// KESTRO_STANDIN_FAIL (engine, view_controller; comma-separated), read at
// every engine creation, adds to these.

void FailEngineCreation(bool fail);
void FailViewControllerCreation(bool fail);
// FlutterDesktopMessengerSendWithReply returns false and records nothing.
void RefuseSendWithReply(bool refuse);

// ---- Counters of host misuse and of process-wide calls ----------------------

struct Counters {
  // Send or SendWithReply on a messenger whose engine is gone.
  int sends_after_engine_gone = 0;
  // SendResponse on a messenger whose engine is gone.
  int responses_after_engine_gone = 0;
  // A response handle used a second time, or one the engine never issued.
  int duplicate_responses = 0;
  // Calls with a null, unknown or destroyed handle of any kind.
  int invalid_handles = 0;
  // Release without a matching AddRef, or Unlock without a matching Lock.
  int unbalanced_calls = 0;
  int resyncs = 0;
};
Counters GetCounters();

// ---- The UI port -----------------------------------------------------------

// Starts listening on 127.0.0.1 (0 = any free port); returns the bound
// port, or nothing when it cannot listen. Also started by the first engine
// creation when the environment variable KESTRO_UI_PORT is set.
std::optional<uint16_t> StartUiPort(uint16_t port);
// Closes the listener and every connection.
void StopUiPort();
std::optional<uint16_t> UiPortNumber();

}  // namespace standin

#endif  // STANDIN_ENGINE_TEST_API_H_
