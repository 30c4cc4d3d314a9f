// The most recent channel traffic of all engines, as lines of text for the
// view to paint: direction, engine, channel, and the method name or size.
#ifndef STANDIN_ENGINE_TRAFFIC_LOG_H_
#define STANDIN_ENGINE_TRAFFIC_LOG_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "standin/engine_test_api.h"

namespace standin::internal {

enum class Direction { kToHost, kToUi };

class TrafficLog {
 public:
  static constexpr size_t kLinesKept = 20;

  void Note(Direction direction, EngineId engine, const std::string& channel, const std::vector<uint8_t>& bytes);
  // Oldest first.
  std::vector<std::string> Lines() const { return {lines_.begin(), lines_.end()}; }
  void Clear() { lines_.clear(); }

 private:
  std::deque<std::string> lines_;
};

}  // namespace standin::internal

#endif  // STANDIN_ENGINE_TRAFFIC_LOG_H_
