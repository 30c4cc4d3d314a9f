// A fresh stand-in engine behind a view controller for each test, and the
// UI's side of a channel.
#ifndef KESTRO_TESTS_MESSAGING_TEST_SUPPORT_H_
#define KESTRO_TESTS_MESSAGING_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "flutter/flutter_view_controller.h"
#include "flutter/standard_method_codec.h"
#include "standin/engine_test_api.h"
#include "support/standin_view_test.h"

namespace flutter::testing {

inline const std::string kChannel = "kestro/test";

inline const flutter::StandardMethodCodec& Codec() {
  return flutter::StandardMethodCodec::Shared();
}

inline std::vector<uint8_t> CallBytes(const std::string& method, const flutter::EncodableValue& arguments = {}) {
  return *Codec().EncodeCall(flutter::MethodCall(method, std::make_unique<flutter::EncodableValue>(arguments)));
}
inline std::vector<uint8_t> SuccessBytes(const flutter::EncodableValue* value = nullptr) {
  return *Codec().EncodeSuccessReply(value);
}
inline std::vector<uint8_t> ErrorBytes(const std::string& code, const std::string& message,
                                       const flutter::EncodableValue* details = nullptr) {
  return *Codec().EncodeErrorReply(code, message, details);
}
// Not a method call: the method name is not a string.
inline std::vector<uint8_t> NotACall() {
  return {0x01};
}

// The codec and the stand-in may write lines of their own before ours.
inline bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The stand-in counts every misuse of its handles, locks and responses.
inline ::testing::AssertionResult NoMisuse() {
  const standin::Counters c = standin::GetCounters();
  const int misuses = c.sends_after_engine_gone + c.responses_after_engine_gone + c.duplicate_responses +
                      c.invalid_handles + c.unbalanced_calls;
  if (misuses == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << misuses << " misuses counted by the stand-in";
}

class MessagingTest : public kestro::testing::StandinViewTest {
 protected:
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
  static std::vector<standin::SentMessage> SentOn(const std::string& channel) {
    std::vector<standin::SentMessage> sent = standin::SentMessages();
    sent.erase(std::remove_if(sent.begin(), sent.end(), [&](const auto& m) { return m.channel != channel; }),
               sent.end());
    return sent;
  }
};

}  // namespace flutter::testing

#endif  // KESTRO_TESTS_MESSAGING_TEST_SUPPORT_H_
