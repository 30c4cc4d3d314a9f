// A stand-in engine behind a view controller with the system audio
// channels installed, and the UI's side of both channels.
#ifndef KESTRO_TESTS_NATIVE_SYSTEM_AUDIO_FIXTURE_H_
#define KESTRO_TESTS_NATIVE_SYSTEM_AUDIO_FIXTURE_H_

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "flutter/byte_buffer_streams.h"
#include "flutter/flutter_view_controller.h"
#include "flutter/standard_method_codec.h"
#include "ramp_audio_endpoint.h"
#include "standin/engine_test_api.h"
#include "support/standin_view_test.h"
#include "support/ui_call.h"
#include "system_audio_channels.h"

namespace kestro::testing {

inline const std::string kMethods = "kestro/system_audio";
inline const std::string kEvents = "kestro/system_audio_events";

class SystemAudioTest : public StandinViewTest {
 protected:
  void SetUp() override {
    StandinViewTest::SetUp();
    if (HasFatalFailure()) return;
    InstallSystemAudioChannels(controller_->Engine(), Endpoints());
  }
  void TearDown() override {
    controller_.reset();
    EXPECT_EQ(standin::GetCounters().sends_after_engine_gone, 0);
    StandinViewTest::TearDown();
  }

  // The device the capture engine opens: a ramp ten times faster than real
  // time, so that events stay few enough to inspect.
  virtual AudioEndpointFactory Endpoints() { return RampEndpointFactory(10); }

  // Plays the UI: one call and its answer, after the platform thread ran.
  std::vector<uint8_t> Call(const std::string& channel, const std::string& method,
                            const flutter::EncodableValue& arguments = {}) {
    return CallAsUi(engine_id_, channel, method, std::make_unique<flutter::EncodableValue>(arguments));
  }
  std::vector<uint8_t> Start(const flutter::EncodableValue& arguments = {}) {
    return Call(kMethods, "start", arguments);
  }
  static flutter::EncodableValue ChunkMs(const flutter::EncodableValue& value) {
    return flutter::EncodableValue(flutter::ValueMap{{flutter::EncodableValue("chunk_ms"), value}});
  }

  // The byte lists sent on the event channel so far, in order.
  static std::vector<std::vector<uint8_t>> Events() {
    std::vector<std::vector<uint8_t>> events;
    for (const standin::SentMessage& sent : standin::SentMessages()) {
      if (sent.channel != kEvents) continue;
      EXPECT_FALSE(sent.wants_reply);
      flutter::ByteBufferStreamReader reader(sent.bytes.data(), sent.bytes.size());
      EXPECT_EQ(reader.GetByte(), 0) << "an event is a success envelope";
      const flutter::EncodableValue value = flutter::StandardCodecSerializer::Shared().ReadNextValue(&reader);
      const auto* bytes = value.TryGet<std::vector<uint8_t>>();
      EXPECT_NE(bytes, nullptr) << "an event carries a byte list";
      if (bytes) events.push_back(*bytes);
    }
    return events;
  }
  // Runs the platform thread until `count` events were sent.
  static bool WaitForEvents(size_t count) {
    return standin::PumpUntil([count] { return Events().size() >= count; }, std::chrono::seconds(10));
  }

  static const flutter::StandardMethodCodec& Codec() { return flutter::StandardMethodCodec::Shared(); }
  static std::vector<uint8_t> Success(const flutter::EncodableValue& value) {
    return *Codec().EncodeSuccessReply(&value);
  }
  static std::vector<uint8_t> SuccessWithoutValue() { return *Codec().EncodeSuccessReply(nullptr); }

};

}  // namespace kestro::testing

#endif  // KESTRO_TESTS_NATIVE_SYSTEM_AUDIO_FIXTURE_H_
