// "get_status" and the options "start" takes beside "chunk_ms".
#include <gtest/gtest.h>

#include "system_audio_fixture.h"

namespace kestro::testing {
namespace {

using flutter::EncodableValue;
using flutter::ValueMap;

// Values compare by their encoding.
std::vector<uint8_t> Wire(const EncodableValue* value) {
  return value ? *flutter::StandardMethodCodec::Shared().EncodeSuccessReply(value) : std::vector<uint8_t>{};
}
std::vector<uint8_t> Wire(const EncodableValue& value) {
  return Wire(&value);
}

std::string StateOf(const EncodableValue& status) {
  const EncodableValue* state = status.Find("state");
  return state && state->TryGet<std::string>() ? *state->TryGet<std::string>() : "";
}

TEST(CaptureOptionsFromArguments, EachOnlyForABoolTrue) {
  auto with = [](const EncodableValue& value) {
    const EncodableValue arguments(ValueMap{{EncodableValue("keep_alive"), value}});
    return CaptureOptionsFromArguments(&arguments).keep_alive;
  };
  const EncodableValue both(ValueMap{{EncodableValue("chunk_ms"), EncodableValue(100)},
                                     {EncodableValue("follow_default_device"), EncodableValue(true)},
                                     {EncodableValue("keep_alive"), EncodableValue(1)}});
  EXPECT_TRUE(CaptureOptionsFromArguments(&both).follow_default_device);
  EXPECT_FALSE(CaptureOptionsFromArguments(&both).keep_alive);
  EXPECT_FALSE(CaptureOptionsFromArguments(&both).exclude_own_audio);
  const EncodableValue exclude(ValueMap{{EncodableValue("exclude_own_audio"), EncodableValue(true)}});
  EXPECT_TRUE(CaptureOptionsFromArguments(&exclude).exclude_own_audio);
  EXPECT_TRUE(with(EncodableValue(true)));
  EXPECT_FALSE(with(EncodableValue(false)));
  EXPECT_FALSE(with(EncodableValue(1)));
  EXPECT_FALSE(with(EncodableValue("true")));
  EXPECT_FALSE(with(EncodableValue()));
  EXPECT_FALSE(CaptureOptionsFromArguments(nullptr).keep_alive);
  const EncodableValue list(flutter::ValueList{EncodableValue("keep_alive"), EncodableValue(true)});
  EXPECT_FALSE(CaptureOptionsFromArguments(&list).keep_alive);
}

TEST(CaptureOptionsFromArguments, QualityIsHighOnlyForTheStringHigh) {
  auto quality = [](const EncodableValue& value) {
    const EncodableValue arguments(ValueMap{{EncodableValue("quality"), value}});
    return CaptureOptionsFromArguments(&arguments).quality;
  };
  EXPECT_EQ(quality(EncodableValue("high")), ConversionQuality::kHigh);
  for (const EncodableValue& other : {EncodableValue("standard"), EncodableValue("High"), EncodableValue(true),
                                      EncodableValue(1), EncodableValue()}) {
    EXPECT_EQ(quality(other), ConversionQuality::kStandard);
  }
  EXPECT_EQ(CaptureOptionsFromArguments(nullptr).quality, ConversionQuality::kStandard);
}

TEST(StatusValue, WritesAFailureCodeAsItsUnsignedValue) {
  CaptureStatusSnapshot failed;
  failed.state = CaptureState::kFailed;
  failed.error = "WASAPI: GetService(IAudioCaptureClient) failed";
  failed.result_code = 0x88890003;
  failed.device = "Speakers";
  failed.format = StreamFormat{48000, 2, true};
  failed.silence_samples = 16 * 250 + 15;
  const EncodableValue value = StatusValue(failed);
  EXPECT_EQ(Wire(value.Find("state")), Wire(EncodableValue("failed")));
  EXPECT_EQ(Wire(value.Find("error")), Wire(EncodableValue("WASAPI: GetService(IAudioCaptureClient) failed")));
  EXPECT_EQ(Wire(value.Find("hresult")), Wire(EncodableValue(std::int64_t{2290679811})));
  EXPECT_EQ(Wire(value.Find("device")), Wire(EncodableValue("Speakers")));
  EXPECT_EQ(Wire(value.Find("format")), Wire(EncodableValue(ValueMap{
                                            {EncodableValue("sample_rate"), EncodableValue(48000)},
                                            {EncodableValue("channels"), EncodableValue(2)},
                                            {EncodableValue("float"), EncodableValue(true)},
                                        })));
  EXPECT_EQ(Wire(value.Find("silence_ms")), Wire(EncodableValue(std::int64_t{250})));
  EXPECT_EQ(value.Find("last_error"), nullptr) << "only after a recovery";
}

TEST(StatusValue, ARecoveredFailureIsTheLastErrorNotTheState) {
  CaptureStatusSnapshot recovered;
  recovered.state = CaptureState::kCapturing;
  recovered.last_error = "WASAPI: Initialize(loopback) failed";
  recovered.last_result_code = 0x88890004;
  const EncodableValue value = StatusValue(recovered);
  EXPECT_EQ(Wire(value.Find("error")), Wire(EncodableValue()));
  EXPECT_EQ(Wire(value.Find("hresult")), Wire(EncodableValue()));
  EXPECT_EQ(Wire(value.Find("last_error")), Wire(EncodableValue("WASAPI: Initialize(loopback) failed")));
  EXPECT_EQ(Wire(value.Find("last_hresult")), Wire(EncodableValue(std::int64_t{0x88890004})));
}

TEST(StatusValue, TellsWhetherOwnAudioIsLeftOutOnlyWhenAskedFor) {
  CaptureStatusSnapshot status;
  status.os_build = 19045;
  status.discontinuities = 3;
  EXPECT_EQ(StatusValue(status).Find("mode"), nullptr);
  EXPECT_EQ(StatusValue(status).Find("quality"), nullptr) << "only when \"high\" was asked for";
  EXPECT_EQ(StatusValue(status).Find("os_build"), nullptr);
  status.exclusion = ExclusionStatus{false, "IActivateAudioInterfaceAsyncOperation::GetActivateResult", 0x80070002};
  const EncodableValue refused = StatusValue(status);
  EXPECT_EQ(Wire(refused.Find("mode")), Wire(EncodableValue("endpoint")));
  EXPECT_EQ(Wire(refused.Find("exclusion_error")),
            Wire(EncodableValue(ValueMap{
                {EncodableValue("step"), EncodableValue("IActivateAudioInterfaceAsyncOperation::GetActivateResult")},
                {EncodableValue("hresult"), EncodableValue(std::int64_t{0x80070002})},
            })));
  EXPECT_EQ(Wire(refused.Find("os_build")), Wire(EncodableValue(std::int64_t{19045})));
  EXPECT_EQ(Wire(refused.Find("discontinuities")), Wire(EncodableValue(std::int64_t{3})));
  status.exclusion = ExclusionStatus{true, std::nullopt, std::nullopt};
  const EncodableValue excluded = StatusValue(status);
  EXPECT_EQ(Wire(excluded.Find("mode")), Wire(EncodableValue("exclude_own_audio")));
  EXPECT_EQ(excluded.Find("exclusion_error"), nullptr);
}

class SystemAudioStatus : public SystemAudioTest {
 protected:
  EncodableValue Status() {
    const std::vector<uint8_t> answer = Call(kMethods, "get_status");
    flutter::ByteBufferStreamReader reader(answer.data(), answer.size());
    EXPECT_EQ(reader.GetByte(), 0) << "a success envelope";
    return flutter::StandardCodecSerializer::Shared().ReadNextValue(&reader);
  }
  static std::int64_t CountOf(const EncodableValue& status, const char* key) {
    const EncodableValue* value = status.Find(key);
    return value != nullptr && value->TryGet<std::int64_t>() ? *value->TryGet<std::int64_t>() : -1;
  }
};

TEST_F(SystemAudioStatus, BeforeAnyStartIsStoppedWithNothingKnown) {
  const auto zero = EncodableValue(std::int64_t{0});
  EXPECT_EQ(Call(kMethods, "get_status", EncodableValue(42)), Success(EncodableValue(ValueMap{
                                                                  {EncodableValue("state"), EncodableValue("stopped")},
                                                                  {EncodableValue("error"), EncodableValue()},
                                                                  {EncodableValue("hresult"), EncodableValue()},
                                                                  {EncodableValue("device"), EncodableValue()},
                                                                  {EncodableValue("format"), EncodableValue()},
                                                                  {EncodableValue("chunks_emitted"), zero},
                                                                  {EncodableValue("chunks_dropped"), zero},
                                                                  {EncodableValue("silence_ms"), zero},
                                                                  {EncodableValue("device_switches"), zero},
                                                              })));
}

TEST_F(SystemAudioStatus, CountsChunksSentAndChunksNobodyListenedTo) {
  ASSERT_EQ(Start(ChunkMs(EncodableValue(80))), Success(EncodableValue(true)));
  ASSERT_TRUE(
      standin::PumpUntil([this] { return CountOf(Status(), "chunks_dropped") >= 2; }, std::chrono::seconds(10)));
  EXPECT_EQ(Wire(Status().Find("state")), Wire(EncodableValue("capturing")));
  ASSERT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
  ASSERT_TRUE(WaitForEvents(3));
  ASSERT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
  const EncodableValue status = Status();
  EXPECT_EQ(Wire(status.Find("state")), Wire(EncodableValue("stopped")));
  EXPECT_EQ(CountOf(status, "chunks_emitted"), static_cast<std::int64_t>(Events().size()));
  EXPECT_GE(CountOf(status, "chunks_dropped"), 2);
  EXPECT_EQ(Wire(status.Find("format")), Wire(EncodableValue(ValueMap{
                                             {EncodableValue("sample_rate"), EncodableValue(16000)},
                                             {EncodableValue("channels"), EncodableValue(1)},
                                             {EncodableValue("float"), EncodableValue(true)},
                                         })));
  EXPECT_EQ(CountOf(status, "silence_ms"), 0) << "keep-alive is off by default";
}

// Natively there is no output device: "start" answers true, the status
// tells why nothing comes.
class SystemAudioStatusWithoutDevice : public SystemAudioStatus {
  AudioEndpointFactory Endpoints() override { return nullptr; }
};

TEST_F(SystemAudioStatusWithoutDevice, ShowsTheFailureUntilStop) {
  ASSERT_EQ(Start(), Success(EncodableValue(true)));
  ASSERT_TRUE(standin::PumpUntil([this] { return StateOf(Status()) == "failed"; }, std::chrono::seconds(10)));
  const EncodableValue failed = Status();
  EXPECT_EQ(Wire(failed.Find("error")), Wire(EncodableValue("WASAPI: failed to create MMDeviceEnumerator")));
  EXPECT_EQ(Wire(failed.Find("hresult")), Wire(EncodableValue()));
  ASSERT_EQ(Start(), Success(EncodableValue(true)));
  EXPECT_EQ(Wire(Status().Find("state")), Wire(EncodableValue("failed")));
  ASSERT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
  EXPECT_EQ(Wire(Status().Find("state")), Wire(EncodableValue("stopped")));
}

}  // namespace
}  // namespace kestro::testing
