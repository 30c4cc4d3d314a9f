#include "host_fixture.h"

namespace standin::testing {

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

void RecordingHandler::InstallOn(FlutterDesktopMessengerRef messenger, const char* channel) {
  FlutterDesktopMessengerSetCallback(messenger, channel, &RecordingHandler::OnMessage, this);
}

void RecordingHandler::OnMessage(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                                 void* user_data) {
  auto* self = static_cast<RecordingHandler*>(user_data);
  std::vector<uint8_t> bytes;
  if (message->message_size > 0) bytes.assign(message->message, message->message + message->message_size);
  self->received.push_back({message->channel, bytes, message->response_handle, std::this_thread::get_id()});
  if (self->answer_at_once) {
    FlutterDesktopMessengerSendResponse(messenger, message->response_handle, self->answer.data(), self->answer.size());
  }
}

void StandinTest::SetUp() {
  standin::ResetAll();
}

void StandinTest::TearDown() {
  standin::ResetAll();
}

FlutterDesktopEngineRef StandinTest::CreateEngine() {
  const char* arguments[] = {"--first", "second"};
  FlutterDesktopEngineProperties properties{};
  properties.assets_path = L"data\\flutter_assets";
  properties.icu_data_path = L"data\\icudtl.dat";
  properties.aot_library_path = L"data\\app.so";
  properties.entrypoint = "";
  properties.entrypoint_argc = 2;
  properties.entrypoint_argv = arguments;
  return FlutterDesktopEngineCreate(&properties);
}

StandinTest::Running StandinTest::CreateRunningEngine(int width, int height) {
  Running running;
  running.engine = CreateEngine();
  running.messenger = FlutterDesktopEngineGetMessenger(running.engine);
  running.controller = FlutterDesktopViewControllerCreate(width, height, running.engine);
  const std::vector<standin::EngineId> engines = standin::AllEngines();
  if (!engines.empty()) running.id = engines.back();
  return running;
}

}  // namespace standin::testing
