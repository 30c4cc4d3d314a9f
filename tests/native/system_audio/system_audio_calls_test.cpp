// What "kestro/system_audio" answers, and the chunk length "start" takes.
#include <gtest/gtest.h>

#include "system_audio_fixture.h"

namespace kestro::testing {
namespace {

using flutter::EncodableValue;
using flutter::ValueMap;

TEST(ChunkMilliseconds, TakesA32BitChunkMsAndClampsIt) {
  auto with = [](const EncodableValue& value) {
    const EncodableValue arguments(ValueMap{{EncodableValue("chunk_ms"), value}});
    return ChunkMillisecondsFromArguments(&arguments);
  };
  EXPECT_EQ(with(EncodableValue(100)), 100);
  EXPECT_EQ(with(EncodableValue(80)), 80);
  EXPECT_EQ(with(EncodableValue(2000)), 2000);
  EXPECT_EQ(with(EncodableValue(50)), 80);
  EXPECT_EQ(with(EncodableValue(0)), 80);
  EXPECT_EQ(with(EncodableValue(-5)), 80);
  EXPECT_EQ(with(EncodableValue(5000)), 2000);
  EXPECT_EQ(with(EncodableValue(INT32_MIN)), 80);
  EXPECT_EQ(with(EncodableValue(INT32_MAX)), 2000);
}

TEST(ChunkMilliseconds, AnythingElseKeeps600) {
  auto with = [](const EncodableValue& value) {
    const EncodableValue arguments(ValueMap{{EncodableValue("chunk_ms"), value}});
    return ChunkMillisecondsFromArguments(&arguments);
  };
  EXPECT_EQ(ChunkMillisecondsFromArguments(nullptr), 600);
  const EncodableValue null_arguments;
  EXPECT_EQ(ChunkMillisecondsFromArguments(&null_arguments), 600);
  const EncodableValue list(flutter::ValueList{EncodableValue(100)});
  EXPECT_EQ(ChunkMillisecondsFromArguments(&list), 600);
  const EncodableValue other_key(ValueMap{{EncodableValue("chunk"), EncodableValue(100)}});
  EXPECT_EQ(ChunkMillisecondsFromArguments(&other_key), 600);
  EXPECT_EQ(with(EncodableValue("100")), 600);
  EXPECT_EQ(with(EncodableValue(100.0)), 600);
  EXPECT_EQ(with(EncodableValue(int64_t{100})), 600);
  EXPECT_EQ(with(EncodableValue(true)), 600);
}

using SystemAudioCalls = SystemAudioTest;

TEST_F(SystemAudioCalls, IsSupportedAnswersTrue) {
  EXPECT_EQ(Call(kMethods, "is_supported"), Success(EncodableValue(true)));
  EXPECT_EQ(Call(kMethods, "is_supported", EncodableValue(42)), Success(EncodableValue(true)));
}

TEST_F(SystemAudioCalls, StopWithoutCaptureAnswersSuccessWithoutValue) {
  EXPECT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
}

TEST_F(SystemAudioCalls, StartAnswersTrueAndAgainWhileCapturing) {
  EXPECT_EQ(Start(ChunkMs(EncodableValue(100))), Success(EncodableValue(true)));
  EXPECT_EQ(Start(ChunkMs(EncodableValue(200))), Success(EncodableValue(true)));
  EXPECT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
}

TEST_F(SystemAudioCalls, OtherMethodsAreNotImplemented) {
  for (const char* method : {"Start", "start ", "is_supported2", "get_status ", "", "listen", "cancel"}) {
    EXPECT_TRUE(Call(kMethods, method, ChunkMs(EncodableValue(100))).empty()) << '"' << method << '"';
  }
}

// Natively there is no output device: the set-up fails on the capture
// thread, yet "start" has already answered true.
class SystemAudioWithoutDevice : public SystemAudioTest {
  AudioEndpointFactory Endpoints() override { return nullptr; }
};

TEST_F(SystemAudioWithoutDevice, StartAnswersTrueAndNoEventFollows) {
  EXPECT_EQ(Call(kEvents, "listen"), SuccessWithoutValue());
  EXPECT_EQ(Call(kMethods, "is_supported"), Success(EncodableValue(true)));
  EXPECT_EQ(Start(), Success(EncodableValue(true)));
  EXPECT_FALSE(standin::PumpUntil([] { return !Events().empty(); }, std::chrono::milliseconds(200)));
  EXPECT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
  EXPECT_EQ(Start(), Success(EncodableValue(true)));
  EXPECT_EQ(Call(kMethods, "stop"), SuccessWithoutValue());
}

TEST(SystemAudioInstall, NullEngineInstallsNothing) {
  InstallSystemAudioChannels(nullptr);
  InstallSystemAudioChannels(nullptr, RampEndpointFactory());
}

}  // namespace
}  // namespace kestro::testing
