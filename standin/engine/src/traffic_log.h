// The most recent channel traffic of all engines, as lines of text for the
// view to paint: direction, engine, channel, and the method name or size.
// Noting a message only copies a few short fields into a reused slot; the
// lines are formatted when someone reads them.
#ifndef STANDIN_ENGINE_TRAFFIC_LOG_H_
#define STANDIN_ENGINE_TRAFFIC_LOG_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "standin/engine_test_api.h"

namespace standin::internal {

enum class Direction { kToHost, kToUi };

class TrafficLog {
 public:
  static constexpr size_t kLinesKept = 20;
  // Longer channel and method names are cut (channels) or not shown (methods).
  static constexpr size_t kLongestShownText = 64;

  void Note(Direction direction, EngineId engine, const std::string& channel, const uint8_t* bytes, size_t size);
  // Oldest first.
  std::vector<std::string> Lines() const;
  void Clear();

 private:
  struct Entry {
    Direction direction = Direction::kToHost;
    EngineId engine = 0;
    // At most one character past what is shown, to know it was cut.
    std::string channel;
    size_t size = 0;
    size_t method_length = 0;  // 0: no method name shown
    std::array<char, kLongestShownText> method{};
  };

  std::array<Entry, kLinesKept> entries_;
  size_t next_ = 0;   // the slot the next message goes to
  size_t count_ = 0;  // slots in use
};

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_TRAFFIC_LOG_H_
