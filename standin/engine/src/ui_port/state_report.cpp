#include "ui_port/state_report.h"

#include <cstdint>
#include <optional>
#include <string>

#include "flutter/byte_buffer_streams.h"
#include "flutter/encodable_value.h"
#include "flutter/standard_codec_serializer.h"
#include "platform.h"
#include "standin/engine_test_api.h"

namespace standin::internal {
namespace {

using flutter::EncodableValue;
using flutter::ValueList;
using flutter::ValueMap;

EncodableValue Strings(const std::vector<std::string>& texts) {
  ValueList list;
  for (const std::string& text : texts) list.emplace_back(text);
  return list;
}

EncodableValue Describe(const platform::Rectangle& rectangle) {
  return ValueMap{
      {"left", rectangle.left}, {"top", rectangle.top}, {"right", rectangle.right}, {"bottom", rectangle.bottom}};
}

const char* Describe(platform::ShowState state) {
  switch (state) {
    case platform::ShowState::kMinimised:
      return "minimised";
    case platform::ShowState::kMaximised:
      return "maximised";
    case platform::ShowState::kNormal:
      break;
  }
  return "normal";
}

EncodableValue Describe(const platform::TopLevelWindowState& window) {
  return ValueMap{
      {"handle", static_cast<int64_t>(window.handle)},
      {"visible", window.visible},
      {"show_state", Describe(window.show_state)},
      {"style", static_cast<int64_t>(window.style)},
      {"extended_style", static_cast<int64_t>(window.extended_style)},
      {"window_rect", Describe(window.window)},
      {"client_rect", Describe(window.client)},
      {"view_rect", Describe(window.view)},
      {"title", window.title},
      {"dpi", static_cast<int32_t>(window.dpi)},
  };
}

// Only a running engine's view can be in a window; describing it may wait
// for the platform thread.
EncodableValue TopLevelWindowOf(const EngineInfo& engine) {
  if (!engine.alive || !engine.running || engine.view_window == nullptr) return EncodableValue();
  std::optional<platform::TopLevelWindowState> window = platform::DescribeTopLevelWindow(engine.view_window);
  return window ? Describe(*window) : EncodableValue();
}

// What the host handed FlutterDesktopEngineCreate, as far as the UI cares:
// how the entrypoint was asked to start. A null entrypoint reads as null.
EncodableValue Describe(const RecordedProperties& properties) {
  return ValueMap{
      {"entrypoint", properties.entrypoint ? EncodableValue(*properties.entrypoint) : EncodableValue()},
      {"entrypoint_argc", properties.entrypoint_argc},
      {"entrypoint_argv_null", properties.entrypoint_argv_null},
      {"entrypoint_arguments", Strings(properties.entrypoint_arguments)},
  };
}

EncodableValue Describe(const EngineInfo& engine) {
  EncodableValue view;
  if (engine.view) {
    view = ValueMap{{"width", engine.view->width}, {"height", engine.view->height}};
  }
  return ValueMap{
      {"id", static_cast<int64_t>(engine.id)},
      {"alive", engine.alive},
      {"running", engine.running},
      {"properties", Describe(engine.properties)},
      {"channels", Strings(engine.channels)},
      {"registrars", Strings(engine.registrar_requests)},
      {"view", view},
      {"fonts_reloads", engine.fonts_reloads},
      {"redraw_requests", engine.redraw_requests},
      {"frames_rendered", engine.frames_rendered},
      {"host_messenger_references", engine.host_messenger_references},
      {"view_window", static_cast<int64_t>(reinterpret_cast<uintptr_t>(engine.view_window))},
      {"window", TopLevelWindowOf(engine)},
  };
}

}  // namespace

std::vector<uint8_t> EncodeStateReport() {
  ValueList engines;
  for (EngineId id : AllEngines()) {
    if (std::optional<EngineInfo> engine = GetEngine(id)) engines.push_back(Describe(*engine));
  }
  const Counters counters = GetCounters();
  const EncodableValue state = ValueMap{
      {"engines", engines},
      {"sends_after_engine_gone", counters.sends_after_engine_gone},
      {"responses_after_engine_gone", counters.responses_after_engine_gone},
      {"duplicate_responses", counters.duplicate_responses},
      {"invalid_handles", counters.invalid_handles},
      {"unbalanced_calls", counters.unbalanced_calls},
      {"resyncs", counters.resyncs},
  };
  std::vector<uint8_t> bytes;
  flutter::ByteBufferStreamWriter writer(&bytes);
  flutter::StandardCodecSerializer::Shared().WriteValue(state, &writer);
  return bytes;
}

}  // namespace standin::internal
