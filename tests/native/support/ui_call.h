// Plays the UI against the stand-in engine: one method call on a channel of
// an engine, delivered on this (the platform) thread, and its answer.
#ifndef KESTRO_TESTS_NATIVE_SUPPORT_UI_CALL_H_
#define KESTRO_TESTS_NATIVE_SUPPORT_UI_CALL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flutter/standard_method_codec.h"
#include "standin/engine_test_api.h"

namespace kestro::testing {

// The answer's bytes; a call that was not answered fails the test.
inline std::vector<uint8_t> CallAsUi(standin::EngineId engine, const std::string& channel, const std::string& method,
                                     std::unique_ptr<flutter::EncodableValue> arguments) {
  auto bytes = flutter::StandardMethodCodec::Shared().EncodeCall(flutter::MethodCall(method, std::move(arguments)));
  const auto ticket = standin::InjectMessage(engine, channel, std::move(*bytes));
  standin::PumpPlatformThread();
  const standin::InjectedResponse response = standin::ResponseTo(ticket);
  EXPECT_EQ(response.state, standin::ResponseState::kAnswered) << method;
  return response.bytes;
}

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_SUPPORT_UI_CALL_H_
