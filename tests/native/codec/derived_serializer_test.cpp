// A serializer derived from the standard one carries an extra kind of value,
// also inside lists and maps and through its own method codec.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codec_test_support.h"
#include "flutter/standard_method_codec.h"

namespace flutter::testing {
namespace {

struct Point {
  int32_t x;
  int32_t y;
};

class PointSerializer : public StandardCodecSerializer {
 public:
  static constexpr uint8_t kPointTag = 128;

  void WriteValue(const EncodableValue& value, ByteStreamWriter* stream) const override {
    const CustomValue* custom = value.TryGet<CustomValue>();
    const Point* point = custom ? custom->TryGetAs<Point>() : nullptr;
    if (point == nullptr) {
      StandardCodecSerializer::WriteValue(value, stream);
      return;
    }
    stream->PutByte(kPointTag);
    uint8_t body[8];
    std::memcpy(body, &point->x, 4);
    std::memcpy(body + 4, &point->y, 4);
    stream->PutBytes(body, sizeof(body));
  }

  EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* stream) const override {
    if (type != kPointTag) return StandardCodecSerializer::ReadValueOfType(type, stream);
    uint8_t body[8] = {};
    stream->GetBytes(body, sizeof(body));
    Point point{};
    std::memcpy(&point.x, body, 4);
    std::memcpy(&point.y, body + 4, 4);
    return EncodableValue(CustomValue(point));
  }
};

const PointSerializer& Points() {
  static const auto* serializer = new PointSerializer();
  return *serializer;
}

EncodableValue PointValue(int32_t x, int32_t y) {
  return EncodableValue(CustomValue(Point{x, y}));
}

Point PointOf(const EncodableValue& value) {
  return *value.Get<CustomValue>().TryGetAs<Point>();
}

TEST(DerivedSerializer, ExtraKindWorksInsideListsAndMaps) {
  const EncodableValue value(ValueList{
      PointValue(1, 2),
      EncodableValue(ValueMap{{EncodableValue("at"), PointValue(-3, 4)}, {PointValue(5, 6), EncodableValue(1.5)}})});
  const Bytes bytes = Encode(value, Points());
  EXPECT_EQ(Hex(Bytes(bytes.begin(), bytes.begin() + 11)), "0C 02 80 01 00 00 00 02 00 00 00");

  EncodableValue decoded;
  const auto lines = StderrLinesOf([&] { decoded = Decode(bytes, Points()); });
  EXPECT_TRUE(lines.empty());
  const ValueList& list = decoded.Get<ValueList>();
  EXPECT_EQ(PointOf(list[0]).y, 2);
  const ValueMap& map = list[1].Get<ValueMap>();
  EXPECT_EQ(PointOf(map.at(EncodableValue("at"))).x, -3);
  // The point key sorts after the string key, as CustomValue comes after string.
  EXPECT_EQ(PointOf(map.rbegin()->first).x, 5);
  EXPECT_EQ(map.rbegin()->second.Get<double>(), 1.5);
}

TEST(DerivedSerializer, StandardSerializerDoesNotKnowTheExtraKind) {
  const Bytes bytes = Encode(EncodableValue(ValueList{PointValue(1, 2), EncodableValue(true)}), Points());
  EncodableValue decoded;
  const auto lines = StderrLinesOf([&] { decoded = Decode(bytes); });
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "Unknown type in StandardCodecSerializer::ReadValueOfType: 128");
  EXPECT_TRUE(decoded.Get<ValueList>()[0].IsNull());
}

TEST(DerivedSerializer, ItsOwnMethodCodecCarriesTheKindInCallsAndReplies) {
  const StandardMethodCodec& codec = StandardMethodCodec::Shared(&Points());
  EXPECT_NE(&codec, &StandardMethodCodec::Shared());
  EXPECT_EQ(&codec, &StandardMethodCodec::Shared(&Points()));

  const MethodCall call(
      "move_to", std::make_unique<EncodableValue>(EncodableValue(ValueMap{{EncodableValue("to"), PointValue(7, 8)}})));
  const auto call_bytes = codec.EncodeCall(call);
  const auto decoded_call = codec.DecodeCall(call_bytes->data(), call_bytes->size());
  ASSERT_NE(decoded_call, nullptr);
  EXPECT_EQ(PointOf(*decoded_call->arguments()->Find("to")).y, 8);

  class PointResult : public MethodResult {
   public:
    void Success(const EncodableValue* result) override { point = PointOf(result->Get<ValueList>()[0]); }
    void Error(const std::string&, const std::string&, const EncodableValue* details) override {
      point = PointOf(*details);
    }
    void NotImplemented() override {}
    Point point{};
  } result;
  const EncodableValue success(ValueList{PointValue(9, 10)});
  const auto reply = codec.EncodeSuccessReply(&success);
  ASSERT_TRUE(codec.DecodeReply(reply->data(), reply->size(), &result));
  EXPECT_EQ(result.point.x, 9);
  const EncodableValue details = PointValue(11, 12);
  const auto error = codec.EncodeErrorReply("E", "m", &details);
  ASSERT_TRUE(codec.DecodeReply(error->data(), error->size(), &result));
  EXPECT_EQ(result.point.y, 12);
}

}  // namespace
}  // namespace flutter::testing
