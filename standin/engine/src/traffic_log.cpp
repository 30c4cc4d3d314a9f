#include "traffic_log.h"

#include <optional>
#include <utility>

#include "flutter/byte_buffer_streams.h"
#include "flutter/standard_codec_serializer.h"

namespace standin::internal {
namespace {

// The standard message format's tag of a string: a method call starts with
// its name, so only such messages are read any further.
constexpr uint8_t kStringTag = 7;
constexpr size_t kLongestShownText = 64;

bool Printable(const std::string& text) {
  for (char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return !text.empty();
}

// Channel names come from the UI unchecked: painted lines stay one line.
std::string Shown(const std::string& text) {
  std::string shown;
  for (char c : text.substr(0, kLongestShownText)) shown.push_back(c >= 0x20 && c != 0x7F ? c : '?');
  if (text.size() > kLongestShownText) shown += "...";
  return shown;
}

std::optional<std::string> MethodName(const std::vector<uint8_t>& bytes) {
  if (bytes.empty() || bytes[0] != kStringTag) return std::nullopt;
  flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
  const flutter::EncodableValue first = flutter::StandardCodecSerializer::Shared().ReadNextValue(&reader);
  const std::string* name = first.TryGet<std::string>();
  if (name == nullptr || name->size() > kLongestShownText || !Printable(*name)) return std::nullopt;
  return *name;
}

}  // namespace

void TrafficLog::Note(Direction direction, EngineId engine, const std::string& channel,
                      const std::vector<uint8_t>& bytes) {
  std::string line = direction == Direction::kToHost ? "UI -> host" : "host -> UI";
  line += "   engine " + std::to_string(engine) + "   " + Shown(channel) + "   ";
  const std::string size = std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte" : " bytes");
  if (std::optional<std::string> method = MethodName(bytes)) {
    line += *method + " (" + size + ")";
  } else {
    line += size;
  }
  lines_.push_back(std::move(line));
  if (lines_.size() > kLinesKept) lines_.pop_front();
}

}  // namespace standin::internal
