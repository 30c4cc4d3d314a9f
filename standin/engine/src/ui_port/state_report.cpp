#include "ui_port/state_report.h"

#include <string>

#include "flutter/byte_buffer_streams.h"
#include "flutter/encodable_value.h"
#include "flutter/standard_codec_serializer.h"
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

EncodableValue Describe(const EngineInfo& engine) {
  EncodableValue view;
  if (engine.view) {
    view = ValueMap{{"width", engine.view->width}, {"height", engine.view->height}};
  }
  return ValueMap{
      {"id", static_cast<int64_t>(engine.id)},
      {"alive", engine.alive},
      {"running", engine.running},
      {"channels", Strings(engine.channels)},
      {"registrars", Strings(engine.registrar_requests)},
      {"view", view},
      {"fonts_reloads", engine.fonts_reloads},
      {"redraw_requests", engine.redraw_requests},
      {"frames_rendered", engine.frames_rendered},
      {"host_messenger_references", engine.host_messenger_references},
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
