// Messages that claim more than they hold: each refused size costs one
// diagnostic line and an empty value, never the storage it claims.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "codec_test_support.h"

namespace flutter::testing {
namespace {

struct Decoded {
  EncodableValue value;
  uint64_t position = 0;
  std::vector<std::string> lines;
};

Decoded DecodeWithPosition(const Bytes& bytes) {
  Decoded result;
  result.lines = StderrLinesOf([&] {
    ByteBufferStreamReader reader(bytes.data(), bytes.size());
    result.value = StandardCodecSerializer::Shared().ReadNextValue(&reader);
    result.position = reader.position();
  });
  return result;
}

TEST(HostileSizes, SixByteMessageClaimingFourGibibytesIsRefusedAsEmpty) {
  const std::vector<std::pair<uint8_t, EncodableValue>> tags = {{0x05, EncodableValue(std::string())},
                                                                {0x07, EncodableValue(std::string())},
                                                                {0x08, EncodableValue(std::vector<uint8_t>())},
                                                                {0x09, EncodableValue(std::vector<int32_t>())},
                                                                {0x0A, EncodableValue(std::vector<int64_t>())},
                                                                {0x0B, EncodableValue(std::vector<double>())},
                                                                {0x0C, EncodableValue(ValueList())},
                                                                {0x0D, EncodableValue(ValueMap())},
                                                                {0x0E, EncodableValue(std::vector<float>())}};
  for (const auto& [tag, empty] : tags) {
    const Decoded decoded = DecodeWithPosition({tag, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(decoded.value.index(), empty.index()) << int{tag};
    EXPECT_SAME_VALUE(decoded.value, empty) << int{tag};
    EXPECT_EQ(decoded.lines, std::vector<std::string>{kInvalidRead}) << int{tag};
    EXPECT_EQ(decoded.position, 6u) << "the size prefix was read, nothing after it";
  }
}

TEST(HostileSizes, RefusedSizeLeavesThePositionForTheNextValue) {
  const Bytes bytes{0x07, 0xFE, 0x00, 0x10, 0x01};
  EncodableValue first, second;
  const auto lines = StderrLinesOf([&] {
    ByteBufferStreamReader reader(bytes.data(), bytes.size());
    first = StandardCodecSerializer::Shared().ReadNextValue(&reader);
    second = StandardCodecSerializer::Shared().ReadNextValue(&reader);
  });
  EXPECT_EQ(first.Get<std::string>(), "");
  EXPECT_EQ(second.Get<bool>(), true);
  EXPECT_EQ(lines.size(), 1u);
}

// The bytes a list still owes its later elements (one tag each) and a map its
// later entries (two tags each) are not available to an earlier element.
TEST(HostileSizes, EnclosingContainersKeepTheBytesTheyAreOwed) {
  const std::string unknown = "Unknown type in StandardCodecSerializer::ReadValueOfType: ";
  // Exactly enough: "ab" leaves one byte for each of the two later elements.
  Decoded fits = DecodeWithPosition({0x0C, 0x03, 0x07, 0x02, 'a', 'b', 0x01, 0x01});
  EXPECT_TRUE(fits.lines.empty());
  EXPECT_SAME_VALUE(fits.value,
                    EncodableValue(ValueList{EncodableValue("ab"), EncodableValue(true), EncodableValue(true)}));

  // One byte too many: the string is refused and its bytes are read as the later elements.
  Decoded refused = DecodeWithPosition({0x0C, 0x03, 0x07, 0x03, 'a', 'b', 'c', 0x01});
  EXPECT_EQ(refused.lines, (std::vector<std::string>{kInvalidRead, unknown + "97", unknown + "98"}));
  EXPECT_SAME_VALUE(refused.value, EncodableValue(ValueList{EncodableValue(""), EncodableValue(), EncodableValue()}));

  // A map key may not take the byte its value needs.
  Decoded key = DecodeWithPosition({0x0D, 0x01, 0x07, 0x01, 'a'});
  EXPECT_EQ(key.lines, (std::vector<std::string>{kInvalidRead, unknown + "97"}));
  EXPECT_SAME_VALUE(key.value, EncodableValue(ValueMap{{EncodableValue(""), EncodableValue()}}));

  // Nor may a value nested two levels down take what the outer map is owed.
  Decoded nested = DecodeWithPosition({0x0D, 0x02, 0x00, 0x0C, 0x01, 0x08, 0x02, 0x09, 0x09, 0x01});
  EXPECT_EQ(nested.lines.front(), kInvalidRead);
  EXPECT_EQ(nested.value.Get<ValueMap>().at(EncodableValue()).Get<ValueList>()[0].Get<std::vector<uint8_t>>().size(),
            0u);

  // A map count that its bytes cannot hold two tags each for.
  Decoded count = DecodeWithPosition({0x0D, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_EQ(count.lines, std::vector<std::string>{kInvalidRead});
  EXPECT_TRUE(count.value.Get<ValueMap>().empty());
}

TEST(HostileSizes, EveryNestedContainerClaimingHugeCountsCostsOneLineEach) {
  const int inner = 1000;
  Bytes bytes{0x0C, 0xFE, static_cast<uint8_t>(inner & 0xFF), static_cast<uint8_t>(inner >> 8)};
  for (int i = 0; i < inner; ++i) {
    const uint8_t tag = i % 2 ? 0x0D : 0x0B;
    bytes.insert(bytes.end(), {tag, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
  }
  const Decoded decoded = DecodeWithPosition(bytes);
  EXPECT_EQ(decoded.lines, std::vector<std::string>(inner, kInvalidRead));
  const ValueList& list = decoded.value.Get<ValueList>();
  ASSERT_EQ(list.size(), static_cast<size_t>(inner));
  EXPECT_TRUE(list[0].Get<std::vector<double>>().empty());
  EXPECT_TRUE(list[1].Get<ValueMap>().empty());
  EXPECT_EQ(decoded.position, bytes.size());
}

// A reader of someone else's making that cannot tell how many bytes it holds,
// only that a read came up short (as a stream over a pipe or socket can).
class UncountedReader : public ByteStreamReader {
 public:
  explicit UncountedReader(Bytes bytes) : bytes_(std::move(bytes)), inner_(bytes_.data(), bytes_.size()) {}
  uint8_t GetByte() override { return inner_.GetByte(); }
  void GetBytes(uint8_t* destination, size_t length) override { inner_.GetBytes(destination, length); }
  void SkipPadding(uint8_t alignment) override { inner_.SkipPadding(alignment); }
  bool ReadPastEnd() const override { return inner_.ReadPastEnd(); }

 private:
  Bytes bytes_;
  ByteBufferStreamReader inner_;
};

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Its prefixes cannot be checked against what it holds, so storage grows only
// as bytes arrive, and reading stops at the first short read.
TEST(HostileSizes, ReaderThatCannotCountGetsNothingSizedFromItsPrefixes) {
  const long peak_before = PeakResidentKiB();
  for (int round = 0; round < 3; ++round) {
    for (const uint8_t tag : {0x07, 0x08, 0x0C, 0x0D, 0x0B, 0x0E}) {
      UncountedReader reader({tag, 0xFF, 0x00, 0x00, 0x00, 0x40});
      EncodableValue value;
      (void)StderrLinesOf([&] { value = StandardCodecSerializer::Shared().ReadNextValue(&reader); });
      EXPECT_TRUE(reader.ReadPastEnd()) << int{tag};
      EXPECT_LE(Encode(value).size(), 16u) << int{tag};
    }
  }
  EXPECT_LT(PeakResidentKiB() - peak_before, 64 * 1024) << "KiB more at the peak";
}

// Whole values still come through such a reader unchanged.
TEST(HostileSizes, ReaderThatCannotCountReadsLargeValuesWhole) {
  const EncodableValue value(
      ValueList{EncodableValue(std::string(300000, 's')), EncodableValue(std::vector<double>(70000, 0.5)),
                EncodableValue(ValueMap{{EncodableValue(1), EncodableValue(std::vector<uint8_t>(5000, 7))}})});
  UncountedReader reader(Encode(value));
  EncodableValue decoded;
  const auto lines = StderrLinesOf([&] { decoded = StandardCodecSerializer::Shared().ReadNextValue(&reader); });
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(reader.ReadPastEnd());
  EXPECT_SAME_VALUE(decoded, value);
}

// Under a sanitizer, resident memory is not what the decoder holds: ASan's
// quarantine keeps what was freed, TSan's shadow grows with what was touched.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KESTRO_TEST_UNDER_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KESTRO_TEST_UNDER_SANITIZER 1
#endif
#if defined(KESTRO_TEST_UNDER_SANITIZER)
constexpr bool kResidentMemoryIsHeldMemory = false;
#else
constexpr bool kResidentMemoryIsHeldMemory = true;
#endif

// A reader as its users write one: the three operations and nothing more,
// silent past the end. It throws once it has been asked for more than one
// message may cost (64 MiB of bytes, or as many reads as 64 MiB of values),
// so that following a hostile prefix fails here at once instead of after
// gigabytes or minutes.
class MinimalReader : public ByteStreamReader {
 public:
  explicit MinimalReader(Bytes bytes) : bytes_(std::move(bytes)) {}
  uint8_t GetByte() override {
    Ask(1);
    return position_ < bytes_.size() ? bytes_[position_++] : 0;
  }
  void GetBytes(uint8_t* destination, size_t length) override {
    Ask(length);
    if (position_ > bytes_.size() || length > bytes_.size() - position_) return;
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), length, destination);
    position_ += length;
  }
  void SkipPadding(uint8_t alignment) override {
    if (position_ % alignment != 0) position_ += alignment - position_ % alignment;
  }

 private:
  static constexpr uint64_t kCostLimit = uint64_t{64} << 20;
  void Ask(size_t length) {
    asked_ += length;
    if (asked_ > kCostLimit || ++reads_ > kCostLimit / sizeof(EncodableValue)) {
      throw std::runtime_error("the serializer went on reading past any message");
    }
  }
  Bytes bytes_;
  size_t position_ = 0;
  uint64_t asked_ = 0;
  uint64_t reads_ = 0;
};

// What escapes one ReadNextValue, or "" (caught here so that the capture of
// standard error still ends).
std::string WhatEscapes(const StandardCodecSerializer& serializer, ByteStreamReader* reader,
                        EncodableValue* value = nullptr) {
  try {
    EncodableValue read = serializer.ReadNextValue(reader);
    if (value != nullptr) *value = std::move(read);
    return "";
  } catch (const std::exception& error) {
    return error.what();
  }
}

// Size prefixes from such a reader are bounded by what one value may decode
// to: each of these ends with one invalid-read line, however much it claims.
TEST(HostileSizes, ReaderWithOnlyTheThreeOperationsIsBoundedPerValue) {
  const long peak_before = PeakResidentKiB();
  const std::vector<Bytes> messages = {
      {0x07, 0xFF, 0x00, 0x00, 0x00, 0x80},  // a string of 2 GiB
      {0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // a large integer's text of 4 GiB
      {0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // a byte list of 4 GiB
      {0x0B, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // a double list of 32 GiB
      {0x0C, 0xFF, 0x00, 0x00, 0x00, 0x80},  // a list of 2^31 items
      // Containers inside containers share the one bound: the first to reach
      // it ends the value, and the rest stop without a word.
      {0x0C, 0x03, 0x0C, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x07, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x0D, 0xFF, 0xFF, 0xFF,
       0xFF, 0xFF},
      {0x0D, 0xFF, 0x00, 0x00, 0x00, 0x40, 0x0C, 0xFF, 0x00, 0x00, 0x00, 0x80},
  };
  for (const Bytes& message : messages) {
    MinimalReader reader(message);
    std::string escaped;
    const auto lines = StderrLinesOf([&] { escaped = WhatEscapes(StandardCodecSerializer::Shared(), &reader); });
    EXPECT_EQ(escaped, "") << Hex(message);
    EXPECT_EQ(lines, std::vector<std::string>{kInvalidRead}) << Hex(message);
  }
  // A map of 2^30 entries: the null keys read past the end say what they cost.
  MinimalReader reader({0x0D, 0xFF, 0x00, 0x00, 0x00, 0x40});
  std::string escaped;
  const auto lines = StderrLinesOf([&] { escaped = WhatEscapes(StandardCodecSerializer::Shared(), &reader); });
  EXPECT_EQ(escaped, "");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], kInvalidRead);
  EXPECT_EQ(lines[1].rfind("Map entries dropped in StandardCodecSerializer::ReadValueOfType: ", 0), 0u) << lines[1];
  if (kResidentMemoryIsHeldMemory) {
    EXPECT_LT(PeakResidentKiB() - peak_before, 64 * 1024) << "KiB more at the peak";
  }
}

// Only what the serializer itself can raise is its to catch: running out of
// memory anywhere in a value ends the whole value, as null, with one line.
TEST(HostileSizes, OutOfMemoryInsideAValueEndsItAsNull) {
  class ExhaustingSerializer : public StandardCodecSerializer {
   public:
    EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* stream) const override {
      if (type == 0x80) throw std::bad_alloc();
      return StandardCodecSerializer::ReadValueOfType(type, stream);
    }
  };
  const ExhaustingSerializer serializer;
  const Bytes bytes{0x0C, 0x02, 0x0D, 0x01, 0x01, 0x80, 0x01};
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  EncodableValue value(true);
  std::string escaped;
  const auto lines = StderrLinesOf([&] { escaped = WhatEscapes(serializer, &reader, &value); });
  EXPECT_EQ(escaped, "");
  EXPECT_TRUE(value.IsNull());
  EXPECT_EQ(lines.size(), 1u);
}

size_t Depth(const EncodableValue* value) {
  size_t depth = 0;
  for (;;) {
    if (const auto* list = value->TryGet<ValueList>()) {
      if (list->empty()) return depth + 1;
      value = &list->front();
    } else if (const auto* map = value->TryGet<ValueMap>()) {
      if (map->empty()) return depth + 1;
      value = &map->begin()->second;
    } else {
      return depth;
    }
    ++depth;
  }
}

TEST(HostileNesting, TenThousandNestedListsStopAtTheNestingLimit) {
  Bytes bytes;
  for (int i = 0; i < 10000; ++i) bytes.insert(bytes.end(), {0x0C, 0x01});
  bytes.push_back(0x00);
  const Decoded decoded = DecodeWithPosition(bytes);
  EXPECT_EQ(decoded.lines, std::vector<std::string>{kInvalidRead});
  EXPECT_EQ(Depth(&decoded.value), static_cast<size_t>(StandardCodecSerializer::kMaxNestingDepth) + 1);
}

TEST(HostileNesting, DeepMapsAndListsStopAtTheLimitAndTheRestIsNotRead) {
  Bytes bytes;
  for (int i = 0; i < 10000; ++i) bytes.insert(bytes.end(), {0x0D, 0x01, 0x00, 0x0C, 0x01});
  const Decoded decoded = DecodeWithPosition(bytes);
  EXPECT_EQ(decoded.lines, std::vector<std::string>{kInvalidRead});
  EXPECT_EQ(Depth(&decoded.value), static_cast<size_t>(StandardCodecSerializer::kMaxNestingDepth) + 1);
  EXPECT_LT(decoded.position, 5u * 200);
}

TEST(HostileNesting, ExactlyTheLimitDecodesSilently) {
  Bytes bytes;
  for (int i = 0; i < StandardCodecSerializer::kMaxNestingDepth; ++i) bytes.insert(bytes.end(), {0x0C, 0x01});
  bytes.push_back(0x01);
  const Decoded decoded = DecodeWithPosition(bytes);
  EXPECT_TRUE(decoded.lines.empty());
  EXPECT_EQ(decoded.position, bytes.size());
  EXPECT_EQ(Depth(&decoded.value), static_cast<size_t>(StandardCodecSerializer::kMaxNestingDepth));
}

// A list or map too deep to read is refused after its size prefix, as an
// oversized one is, so what a decode keeps encodes to a message that reads
// back to the same value, silently and to its last byte.
TEST(HostileNesting, RefusedDepthSurvivesEncodeAndDecode) {
  for (const uint8_t tag : {uint8_t{0x0C}, uint8_t{0x0D}}) {
    Bytes bytes;
    for (int i = 1; i < StandardCodecSerializer::kMaxNestingDepth; ++i) bytes.insert(bytes.end(), {0x0C, 0x01});
    bytes.insert(bytes.end(), {0x0C, 0x02, tag, tag});
    const Decoded decoded = DecodeWithPosition(bytes);
    EXPECT_FALSE(decoded.lines.empty());
    const Bytes once = Encode(decoded.value);
    const Decoded again = DecodeWithPosition(once);
    EXPECT_EQ(Hex(Encode(again.value)), Hex(once)) << int{tag};
    EXPECT_TRUE(again.lines.empty()) << int{tag};
    EXPECT_EQ(again.position, once.size()) << int{tag};
  }
}

// Nothing stays behind from one message in the next: a message refused deep
// down does not change how the following one on the same thread is read.
TEST(HostileNesting, LimitsAreFreshForEveryMessage) {
  Bytes deep;
  for (int i = 0; i < 10000; ++i) deep.insert(deep.end(), {0x0C, 0x01});
  (void)DecodeWithPosition(deep);
  const Decoded next = DecodeWithPosition({0x0C, 0x01, 0x07, 0x02, 'o', 'k'});
  EXPECT_TRUE(next.lines.empty());
  EXPECT_SAME_VALUE(next.value, EncodableValue(ValueList{EncodableValue("ok")}));
}

}  // namespace
}  // namespace flutter::testing
