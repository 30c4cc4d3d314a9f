#include "traffic_log.h"

#include <algorithm>
#include <utility>

namespace standin::internal {
namespace {

// The standard message format's tag of a string: a method call starts with
// its name, so only such messages are read any further.
constexpr uint8_t kStringTag = 7;
// Size prefixes of the standard message format: one byte below 254, else a
// marker followed by a 16-bit (254) or 32-bit (255) little-endian size.
constexpr uint8_t kSize16Marker = 254;
constexpr uint8_t kSize32Marker = 255;

bool Printable(const char* text, size_t length) {
  return length > 0 && std::all_of(text, text + length, [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// Channel names come from the UI unchecked: painted lines stay one line.
std::string Shown(const std::string& text) {
  std::string shown;
  for (char c : text.substr(0, TrafficLog::kLongestShownText)) shown.push_back(c >= 0x20 && c != 0x7F ? c : '?');
  if (text.size() > TrafficLog::kLongestShownText) shown += "...";
  return shown;
}

// Where the method name a message starts with lies, if it is one worth showing.
bool FindMethodName(const uint8_t* bytes, size_t size, size_t* start, size_t* length) {
  if (size < 2 || bytes[0] != kStringTag) return false;
  size_t position = 2;
  uint64_t declared = bytes[1];
  if (bytes[1] == kSize16Marker || bytes[1] == kSize32Marker) {
    const size_t width = bytes[1] == kSize16Marker ? 2 : 4;
    if (size < position + width) return false;
    declared = 0;
    for (size_t i = 0; i < width; ++i) declared |= static_cast<uint64_t>(bytes[position + i]) << (8 * i);
    position += width;
  }
  if (declared > TrafficLog::kLongestShownText || declared > size - position) return false;
  if (!Printable(reinterpret_cast<const char*>(bytes + position), static_cast<size_t>(declared))) return false;
  *start = position;
  *length = static_cast<size_t>(declared);
  return true;
}

}  // namespace

void TrafficLog::Note(Direction direction, EngineId engine, const std::string& channel, const uint8_t* bytes,
                      size_t size) {
  Entry& entry = entries_[next_];
  next_ = (next_ + 1) % kLinesKept;
  count_ = std::min(count_ + 1, kLinesKept);
  entry.direction = direction;
  entry.engine = engine;
  entry.channel.assign(channel, 0, kLongestShownText + 1);
  entry.size = size;
  size_t start = 0;
  entry.method_length = 0;
  if (FindMethodName(bytes, size, &start, &entry.method_length)) {
    std::copy(bytes + start, bytes + start + entry.method_length, entry.method.begin());
  }
}

std::vector<std::string> TrafficLog::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(count_);
  for (size_t i = 0; i < count_; ++i) {
    const Entry& entry = entries_[(next_ + kLinesKept - count_ + i) % kLinesKept];
    std::string line = entry.direction == Direction::kToHost ? "UI -> host" : "host -> UI";
    line += "   engine " + std::to_string(entry.engine) + "   " + Shown(entry.channel) + "   ";
    const std::string size = std::to_string(entry.size) + (entry.size == 1 ? " byte" : " bytes");
    if (entry.method_length > 0) {
      line.append(entry.method.data(), entry.method_length);
      line += " (" + size + ")";
    } else {
      line += size;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

void TrafficLog::Clear() {
  next_ = 0;
  count_ = 0;
}

}  // namespace standin::internal
