// Shared set-up of the messaging tests: a fresh stand-in engine behind a
// view controller, and helpers to play the UI's side of a channel.
#ifndef KESTRO_TESTS_MESSAGING_TEST_SUPPORT_H_
#define KESTRO_TESTS_MESSAGING_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flutter/encodable_value.h"
#include "flutter/flutter_view_controller.h"
#include "flutter/method_call.h"
#include "flutter/standard_method_codec.h"
#include "standin/engine_test_api.h"

namespace kestro_test {

inline const flutter::StandardMethodCodec& Codec() { return flutter::StandardMethodCodec::Shared(); }

inline std::vector<uint8_t> CallBytes(const std::string& method, const flutter::EncodableValue& arguments = {}) {
  return *Codec().EncodeCall(
      flutter::MethodCall(method, std::make_unique<flutter::EncodableValue>(arguments)));
}

inline std::vector<uint8_t> SuccessBytes(const flutter::EncodableValue* value = nullptr) {
  return *Codec().EncodeSuccessReply(value);
}

inline std::vector<uint8_t> ErrorBytes(const std::string& code, const std::string& message,
                                       const flutter::EncodableValue* details = nullptr) {
  return *Codec().EncodeErrorReply(code, message, details);
}

// Every test starts and ends with a reset stand-in and one running engine.
class MessagingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ResetAll();
    controller_ = std::make_unique<flutter::FlutterViewController>(800, 600, flutter::EngineProject(L"data"));
    ASSERT_NE(controller_->View(), nullptr);
    engine_id_ = standin::LiveEngines().back();
  }

  void TearDown() override {
    controller_.reset();
    standin::ResetAll();
  }

  flutter::BinaryMessenger* messenger() { return controller_->Engine()->Messenger(); }

  // Plays the UI: sends `bytes` on `channel` and runs the platform thread.
  standin::MessageTicket Deliver(const std::string& channel, std::vector<uint8_t> bytes) {
    standin::MessageTicket ticket = standin::InjectMessage(engine_id_, channel, std::move(bytes));
    standin::PumpPlatformThread();
    return ticket;
  }

  standin::InjectedResponse Exchange(const std::string& channel, std::vector<uint8_t> bytes) {
    return standin::ResponseTo(Deliver(channel, std::move(bytes)));
  }

  std::vector<standin::SentMessage> SentOn(const std::string& channel) const {
    std::vector<standin::SentMessage> sent;
    for (standin::SentMessage& message : standin::SentMessages()) {
      if (message.channel == channel) sent.push_back(std::move(message));
    }
    return sent;
  }

  std::unique_ptr<flutter::FlutterViewController> controller_;
  standin::EngineId engine_id_ = 0;
};

// Other layers (codec, stand-in) may write lines of their own before ours.
inline bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Not a method call: the method name is not a string.
inline std::vector<uint8_t> NotACall() { return {0x01}; }

// True when the stand-in saw no misuse of its handles, locks or responses.
inline ::testing::AssertionResult NoMisuse() {
  const standin::Counters counters = standin::GetCounters();
  if (counters.sends_after_engine_gone == 0 && counters.responses_after_engine_gone == 0 &&
      counters.duplicate_responses == 0 && counters.invalid_handles == 0 && counters.unbalanced_calls == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "sends after engine gone " << counters.sends_after_engine_gone
                                       << ", responses after engine gone " << counters.responses_after_engine_gone
                                       << ", duplicate responses " << counters.duplicate_responses
                                       << ", invalid handles " << counters.invalid_handles
                                       << ", unbalanced calls " << counters.unbalanced_calls;
}

}  // namespace kestro_test

#endif  // KESTRO_TESTS_MESSAGING_TEST_SUPPORT_H_
