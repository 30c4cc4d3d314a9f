// Collects what a capture engine hands its callbacks on the capture thread,
// for a test thread that waits for enough of it.
#ifndef KESTRO_TESTS_WINDOWS_AUDIO_CHUNK_COLLECTOR_H_
#define KESTRO_TESTS_WINDOWS_AUDIO_CHUNK_COLLECTOR_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "loopback_capture.h"

namespace kestro::testing {

class ChunkCollector {
 public:
  using Chunk = std::vector<std::uint8_t>;

  KestroLoopbackCapture::ChunkCallback ChunkCallback() {
    return [this](Chunk chunk) {
      std::lock_guard<std::mutex> lock(mutex);
      chunks.push_back(std::move(chunk));
      changed.notify_all();
    };
  }

  KestroLoopbackCapture::ErrorCallback ErrorCallback() {
    return [this](const std::string& message) {
      std::lock_guard<std::mutex> lock(mutex);
      errors.push_back(message);
      changed.notify_all();
    };
  }

  // Waits until `done` holds for the chunks and errors so far, or the
  // timeout passes; returns whether it holds.
  bool WaitUntil(std::chrono::milliseconds timeout,
                 const std::function<bool(const std::vector<Chunk>&, const std::vector<std::string>&)>& done) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return done(chunks, errors); });
  }

  std::vector<Chunk> Chunks() {
    std::lock_guard<std::mutex> lock(mutex);
    return chunks;
  }

  std::vector<std::string> Errors() {
    std::lock_guard<std::mutex> lock(mutex);
    return errors;
  }

 private:
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Chunk> chunks;
  std::vector<std::string> errors;
};

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_WINDOWS_AUDIO_CHUNK_COLLECTOR_H_
