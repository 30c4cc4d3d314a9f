// Method calls and reply envelopes: exact bytes, decoding (whole and cut
// short), and what reaches the result.
#include "flutter/standard_method_codec.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codec_test_support.h"

namespace flutter::testing {
namespace {

const StandardMethodCodec& Codec() {
  return StandardMethodCodec::Shared();
}

// Remembers the one answer it got.
class RecordingResult : public MethodResult {
 public:
  void Success(const EncodableValue* result) override {
    ++answers;
    kind = "success";
    if (result) value = *result;
  }
  void Error(const std::string& error_code, const std::string& error_message,
             const EncodableValue* error_details) override {
    ++answers;
    kind = "error";
    code = error_code;
    message = error_message;
    if (error_details) value = *error_details;
  }
  void NotImplemented() override {
    ++answers;
    kind = "not implemented";
  }

  int answers = 0;
  std::string kind = "none";
  std::string code, message;
  std::optional<EncodableValue> value;  // result or details; empty when nothing
};

Bytes Of(std::unique_ptr<std::vector<uint8_t>> message) {
  return *message;
}

const Bytes kChunkMsMap = Concat({{0x0D, 0x01, 0x07, 0x08}, TextBytes("chunk_ms"), {0x03, 0x64, 0x00, 0x00, 0x00}});
const Bytes kStartCall = Concat({{0x07, 0x05}, TextBytes("start"), kChunkMsMap});
const Bytes kErrorBad = {0x01, 0x07, 0x01, 0x45, 0x07, 0x03, 0x62, 0x61, 0x64, 0x03, 0x07, 0x00, 0x00, 0x00};
const Bytes kSuccessHalf = Concat({{0x00, 0x06}, Bytes(6, 0), {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}});

EncodableValue ChunkMsArgs() {
  return EncodableValue(ValueMap{{EncodableValue("chunk_ms"), EncodableValue(100)}});
}

TEST(MethodCodecEncoding, RepliesAndCallsHaveTheirExactBytes) {
  const EncodableValue half(1.5), yes(true), seven(7);
  EXPECT_EQ(Hex(Of(Codec().EncodeSuccessReply(nullptr))), "00 00");
  EXPECT_EQ(Hex(Of(Codec().EncodeSuccessReply(&yes))), "00 01");
  EXPECT_EQ(Hex(Of(Codec().EncodeSuccessReply(&half))), Hex(kSuccessHalf));
  EXPECT_EQ(Hex(Of(Codec().EncodeErrorReply("E", "", nullptr))), "01 07 01 45 00 00");
  EXPECT_EQ(Hex(Of(Codec().EncodeErrorReply("E", "bad", &seven))), Hex(kErrorBad));
  EXPECT_EQ(Hex(Of(Codec().EncodeErrorReply("", "", nullptr))), "01 07 00 00 00");

  const MethodCall start("start", std::make_unique<EncodableValue>(ChunkMsArgs()));
  EXPECT_EQ(Hex(Of(Codec().EncodeCall(start))), Hex(kStartCall));
  const MethodCall bare("stop", nullptr);
  EXPECT_EQ(Hex(Of(Codec().EncodeCall(bare))), "07 04 73 74 6F 70 00");
}

TEST(MethodCodecDecodeCall, ReadsNameAndArguments) {
  std::unique_ptr<MethodCall> call;
  auto lines = StderrLinesOf([&] { call = Codec().DecodeCall(kStartCall.data(), kStartCall.size()); });
  ASSERT_NE(call, nullptr);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(call->method_name(), "start");
  ASSERT_NE(call->arguments(), nullptr);
  EXPECT_SAME_VALUE(*call->arguments(), ChunkMsArgs());

  // Bytes after the arguments are ignored.
  const Bytes trailing = Concat({kStartCall, {0x2A, 0x2A}});
  lines = StderrLinesOf([&] { call = Codec().DecodeCall(trailing.data(), trailing.size()); });
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(call->method_name(), "start");
}

TEST(MethodCodecDecodeCall, CallEndingAfterTheNameHasNullArguments) {
  const Bytes stop{0x07, 0x04, 0x73, 0x74, 0x6F, 0x70};
  std::unique_ptr<MethodCall> call;
  const auto lines = StderrLinesOf([&] { call = Codec().DecodeCall(stop.data(), stop.size()); });
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->method_name(), "stop");
  ASSERT_NE(call->arguments(), nullptr);
  EXPECT_TRUE(call->arguments()->IsNull());
  EXPECT_EQ(lines, std::vector<std::string>{kInvalidRead});
}

TEST(MethodCodecDecodeCall, NameThatIsNotAStringIsNoCall) {
  const Bytes int_name{0x03, 0x01, 0x00, 0x00, 0x00, 0x00};
  std::unique_ptr<MethodCall> call;
  const auto lines = StderrLinesOf([&] { call = Codec().DecodeCall(int_name.data(), int_name.size()); });
  EXPECT_EQ(call, nullptr);
  EXPECT_EQ(lines, std::vector<std::string>{"Invalid method call; method name is not a string."});
}

TEST(MethodCodecDecodeReply, SuccessHandsOverTheValueOrNothing) {
  RecordingResult result;
  const Bytes empty_success{0x00, 0x00};
  EXPECT_TRUE(Codec().DecodeReply(empty_success.data(), empty_success.size(), &result));
  EXPECT_EQ(result.kind, "success");
  EXPECT_FALSE(result.value.has_value());

  RecordingResult half;
  EXPECT_TRUE(Codec().DecodeReply(kSuccessHalf.data(), kSuccessHalf.size(), &half));
  ASSERT_TRUE(half.value.has_value());
  EXPECT_EQ(half.value->Get<double>(), 1.5);
  EXPECT_EQ(half.answers, 1);
}

TEST(MethodCodecDecodeReply, ErrorHandsOverCodeMessageAndDetails) {
  RecordingResult bare;
  const Bytes bare_error{0x01, 0x07, 0x01, 0x45, 0x00, 0x00};
  EXPECT_TRUE(Codec().DecodeReply(bare_error.data(), bare_error.size(), &bare));
  EXPECT_EQ(bare.kind, "error");
  EXPECT_EQ(bare.code, "E");
  EXPECT_EQ(bare.message, "");
  EXPECT_FALSE(bare.value.has_value());

  RecordingResult full;
  EXPECT_TRUE(Codec().DecodeReply(kErrorBad.data(), kErrorBad.size(), &full));
  EXPECT_EQ(full.code, "E");
  EXPECT_EQ(full.message, "bad");
  ASSERT_TRUE(full.value.has_value());
  EXPECT_EQ(full.value->Get<int32_t>(), 7);
  EXPECT_EQ(full.answers, 1);
}

TEST(MethodCodecDecodeReply, NoEnvelopeOrMalformedErrorCallsNothing) {
  const std::string malformed =
      "Invalid error reply; the code is not a string or the message is neither a string nor null.";
  struct Case {
    Bytes bytes;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {{0x02}, {}},
      {{0xFF, 0x00}, {}},
      {{0x01, 0x03, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, {malformed}},              // code is an int
      {{0x01, 0x00, 0x00, 0x00}, {malformed}},                                      // code is null
      {{0x01, 0x07, 0x01, 0x45, 0x03, 0x07, 0x00, 0x00, 0x00, 0x00}, {malformed}},  // message is an int
      {{0x01, 0x07, 0x01, 0x45, 0x01, 0x00}, {malformed}},                          // message is a bool
  };
  for (const Case& c : cases) {
    RecordingResult result;
    bool understood = true;
    const auto lines =
        StderrLinesOf([&] { understood = Codec().DecodeReply(c.bytes.data(), c.bytes.size(), &result); });
    EXPECT_FALSE(understood) << Hex(c.bytes);
    EXPECT_EQ(result.answers, 0) << Hex(c.bytes);
    EXPECT_EQ(lines, c.lines) << Hex(c.bytes);
  }
}

TEST(MethodCodecDecodeReply, EmptyReplyReadsAsSuccessWithNothing) {
  RecordingResult result;
  bool understood = false;
  const auto lines = StderrLinesOf([&] { understood = Codec().DecodeReply(nullptr, 0, &result); });
  EXPECT_TRUE(understood);
  EXPECT_EQ(result.kind, "success");
  EXPECT_FALSE(result.value.has_value());
  EXPECT_EQ(lines, std::vector<std::string>(2, kInvalidRead));
}

// Diagnostic lines when decoding the first k bytes, one digit per k from 0;
// the last digit holds for every longer proper prefix.
struct CutShort {
  const char* name;
  Bytes bytes;
  bool is_call;
  std::string prefix_lines;
};

TEST(MethodCodecTruncation, EveryProperPrefixDecodesWithTheExpectedDiagnostics) {
  const std::vector<CutShort> cases = {
      {"success 1.5", kSuccessHalf, false, "21"},
      {"success nothing", {0x00, 0x00}, false, "21"},
      {"bare error", {0x01, 0x07, 0x01, 0x45, 0x00, 0x00}, false, "243321"},
      {"error with message and details", kErrorBad, false, "24332222211111"},
      {"call start", kStartCall, true, "222222211112222222221111"},
      {"call stop", {0x07, 0x04, 0x73, 0x74, 0x6F, 0x70, 0x00}, true, "2222221"},
  };
  for (const CutShort& c : cases) {
    for (size_t length : PrefixLengths(c.bytes.size())) {
      const Bytes prefix(c.bytes.begin(), c.bytes.begin() + length);
      const auto lines = StderrLinesOf([&] {
        if (c.is_call) {
          (void)Codec().DecodeCall(prefix.data(), prefix.size());
        } else {
          RecordingResult result;
          (void)Codec().DecodeReply(prefix.data(), prefix.size(), &result);
          EXPECT_LE(result.answers, 1);
        }
      });
      const size_t expected = static_cast<size_t>(c.prefix_lines[std::min(length, c.prefix_lines.size() - 1)] - '0');
      ASSERT_EQ(lines.size(), expected) << c.name << ", first " << length << " bytes";
    }
  }
}

TEST(MethodCodecShared, OneCodecPerSerializer) {
  EXPECT_EQ(&StandardMethodCodec::Shared(), &StandardMethodCodec::Shared());
  EXPECT_EQ(&StandardMethodCodec::Shared(), &StandardMethodCodec::Shared(&StandardCodecSerializer::Shared()));
  EXPECT_EQ(&StandardCodecSerializer::Shared(), &StandardCodecSerializer::Shared());
}

}  // namespace
}  // namespace flutter::testing
