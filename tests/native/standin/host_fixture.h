// What the stand-in's tests play: the host side of the engine library, with
// a recording channel callback and a fresh stand-in for every test.
#ifndef KESTRO_TESTS_STANDIN_HOST_FIXTURE_H_
#define KESTRO_TESTS_STANDIN_HOST_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "flutter/engine_library.h"
#include "standin/engine_test_api.h"

namespace standin::testing {

std::vector<uint8_t> Bytes(const std::string& text);

// One message as a channel callback saw it.
struct Received {
  std::string channel;
  std::vector<uint8_t> bytes;
  const FlutterDesktopMessageResponseHandle* response_handle = nullptr;
  std::thread::id thread;
};

// A channel callback that records what arrives and, when `answer` is set,
// answers every message with it at once.
struct RecordingHandler {
  std::vector<Received> received;
  bool answer_at_once = false;
  std::vector<uint8_t> answer;

  void InstallOn(FlutterDesktopMessengerRef messenger, const char* channel);
  static void OnMessage(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message, void* user_data);
};

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  struct Running {
    FlutterDesktopEngineRef engine = nullptr;
    FlutterDesktopViewControllerRef controller = nullptr;
    FlutterDesktopMessengerRef messenger = nullptr;
    standin::EngineId id = 0;
  };

  // An engine with two entrypoint arguments, and one driven by a view controller.
  static FlutterDesktopEngineRef CreateEngine();
  static Running CreateRunningEngine(int width = 800, int height = 600);
};

}  // namespace standin::testing

#endif  // KESTRO_TESTS_STANDIN_HOST_FIXTURE_H_
