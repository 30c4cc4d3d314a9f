#include "flutter/encodable_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace flutter::testing {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();

// One value of every alternative, in index order.
std::vector<EncodableValue> OneOfEach() {
  return {EncodableValue(),
          EncodableValue(true),
          EncodableValue(int32_t{-5}),
          EncodableValue(int64_t{-5}),
          EncodableValue(-5.0),
          EncodableValue("x"),
          EncodableValue(std::vector<uint8_t>{1}),
          EncodableValue(std::vector<int32_t>{1}),
          EncodableValue(std::vector<int64_t>{1}),
          EncodableValue(std::vector<double>{1}),
          EncodableValue(ValueList{EncodableValue(1)}),
          EncodableValue(ValueMap{{EncodableValue(1), EncodableValue(2)}}),
          EncodableValue(CustomValue(7)),
          EncodableValue(std::vector<float>{1})};
}

bool Before(const EncodableValue& a, const EncodableValue& b) {
  return a < b;
}
bool Equivalent(const EncodableValue& a, const EncodableValue& b) {
  return !(a < b) && !(b < a);
}

TEST(EncodableValueAlternatives, EachPayloadGivesItsFixedIndex) {
  const std::vector<EncodableValue> values = OneOfEach();
  ASSERT_EQ(values.size(), 14u);
  for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i].index(), i);
  EXPECT_EQ(EncodableValue::kFloatList, 13u);
  EXPECT_TRUE(EncodableValue().IsNull());
  // A text literal is a string, never a bool.
  EXPECT_EQ(EncodableValue("text").index(), EncodableValue::kString);
  EncodableValue assigned(true);
  assigned = "text";
  EXPECT_EQ(assigned.index(), EncodableValue::kString);
  const char* no_text = nullptr;
  EXPECT_EQ(EncodableValue(no_text).Get<std::string>(), "");
}

TEST(EncodableValueAccess, StrictAccessToAnotherAlternativeThrowsBadVariantAccess) {
  const EncodableValue value(int32_t{3});
  EXPECT_EQ(value.Get<int32_t>(), 3);
  try {
    (void)value.Get<int64_t>();
    FAIL() << "no exception";
  } catch (const std::bad_variant_access& error) {
    EXPECT_STREQ(error.what(), "bad variant access");
  }
  EXPECT_THROW((void)EncodableValue().Get<std::string>(), BadVariantAccess);
}

TEST(EncodableValueAccess, TestAndAccessGivesNothingForAnotherAlternative) {
  EncodableValue value(std::string("abc"));
  ASSERT_NE(value.TryGet<std::string>(), nullptr);
  EXPECT_EQ(*value.TryGet<std::string>(), "abc");
  EXPECT_EQ(value.TryGet<bool>(), nullptr);
  EXPECT_EQ(EncodableValue(int64_t{1}).TryGet<int32_t>(), nullptr);
}

TEST(EncodableValueAccess, FindLooksUpStringKeysOfAMap) {
  const EncodableValue args(
      ValueMap{{EncodableValue("chunk_ms"), EncodableValue(100)}, {EncodableValue(int32_t{1}), EncodableValue("one")}});
  ASSERT_NE(args.Find("chunk_ms"), nullptr);
  EXPECT_EQ(args.Find("chunk_ms")->Get<int32_t>(), 100);
  EXPECT_EQ(args.Find("1"), nullptr);
  EXPECT_EQ(EncodableValue("chunk_ms").Find("chunk_ms"), nullptr);
}

TEST(EncodableValueOrdering, DifferentAlternativesOrderByIndexWhateverThePayload) {
  const std::vector<EncodableValue> values = OneOfEach();
  for (size_t i = 0; i < values.size(); ++i) {
    for (size_t j = 0; j < values.size(); ++j) {
      if (i == j) continue;
      EXPECT_EQ(Before(values[i], values[j]), i < j) << i << " vs " << j;
    }
  }
  // A ValueList key after an enormous double list, a float list after a
  // CustomValue: the index decides, not the content.
  EXPECT_TRUE(Before(EncodableValue(std::vector<double>(100, 1e300)), EncodableValue(ValueList{})));
  EXPECT_TRUE(Before(EncodableValue(ValueList{EncodableValue(ValueMap{})}), EncodableValue(ValueMap{})));
  EXPECT_TRUE(Before(EncodableValue(CustomValue(std::string(100, 'z'))), EncodableValue(std::vector<float>{})));
}

TEST(EncodableValueOrdering, MapKeepsKeysOfDifferentAlternativesApart) {
  ValueMap map;
  map[EncodableValue(std::string("1"))] = EncodableValue(3);
  map[EncodableValue(int64_t{1})] = EncodableValue(2);
  map[EncodableValue(int32_t{1})] = EncodableValue(1);
  ASSERT_EQ(map.size(), 3u);
  auto it = map.begin();
  EXPECT_EQ(it++->first.index(), EncodableValue::kInt32);
  EXPECT_EQ(it++->first.index(), EncodableValue::kInt64);
  EXPECT_EQ(it++->first.index(), EncodableValue::kString);
}

TEST(EncodableValueOrdering, ScalarsOrderByValue) {
  EXPECT_TRUE(Equivalent(EncodableValue(), EncodableValue()));
  EXPECT_TRUE(Before(EncodableValue(false), EncodableValue(true)));
  EXPECT_FALSE(Before(EncodableValue(true), EncodableValue(false)));
  EXPECT_TRUE(Before(EncodableValue(int32_t{-1}), EncodableValue(int32_t{0})));
  EXPECT_TRUE(Before(EncodableValue(std::numeric_limits<int64_t>::min()), EncodableValue(int64_t{-1})));
  EXPECT_TRUE(Before(EncodableValue(-0.5), EncodableValue(0.25)));
  EXPECT_TRUE(Equivalent(EncodableValue(0.0), EncodableValue(-0.0)));
  // A NaN is neither before nor after any double.
  EXPECT_TRUE(Equivalent(EncodableValue(kNaN), EncodableValue(1.0)));
  EXPECT_TRUE(Equivalent(EncodableValue(kNaN), EncodableValue(kNaN)));
}

TEST(EncodableValueOrdering, StringsAndByteListsCompareUnsignedBytesWithPrefixFirst) {
  const EncodableValue a("a"), ab("ab"), b("b"), empty(""), high("\x80");
  EXPECT_TRUE(Before(a, ab));
  EXPECT_TRUE(Before(ab, b));
  EXPECT_TRUE(Before(EncodableValue(), empty));
  EXPECT_TRUE(Before(empty, a));
  EXPECT_TRUE(Before(b, high));  // 0x80 is above 'b' as an unsigned byte
  EXPECT_TRUE(Before(EncodableValue(std::string("a\0a", 3)), EncodableValue(std::string("a\0b", 3))));
  EXPECT_TRUE(Before(EncodableValue(std::vector<uint8_t>{1}), EncodableValue(std::vector<uint8_t>{1, 0})));
  EXPECT_TRUE(Before(EncodableValue(std::vector<uint8_t>{0x7F}), EncodableValue(std::vector<uint8_t>{0x80})));
}

TEST(EncodableValueOrdering, IntegerListsCompareSignedElementsWithPrefixFirst) {
  EXPECT_TRUE(Before(EncodableValue(std::vector<int32_t>{-1}), EncodableValue(std::vector<int32_t>{0})));
  EXPECT_TRUE(Before(EncodableValue(std::vector<int32_t>{5}), EncodableValue(std::vector<int32_t>{5, -9})));
  EXPECT_TRUE(Before(EncodableValue(std::vector<int64_t>{1, -2}), EncodableValue(std::vector<int64_t>{1, 2})));
  EXPECT_FALSE(Before(EncodableValue(std::vector<int64_t>{2}), EncodableValue(std::vector<int64_t>{1, 9})));
}

TEST(EncodableValueOrdering, FloatingListsStopTheWalkAtAnUnorderedPair) {
  using D = std::vector<double>;
  using F = std::vector<float>;
  auto before = [](auto a, auto b) { return Before(EncodableValue(a), EncodableValue(b)); };
  // The documented pair: neither orders first.
  EXPECT_FALSE(before(D{1.0, kNaN, 0.0}, D{1.0, kNaN, 5.0}));
  EXPECT_FALSE(before(D{1.0, kNaN, 5.0}, D{1.0, kNaN, 0.0}));
  // A plain lexicographic compare would go on past the NaNs and decide on 0 < 5.
  EXPECT_FALSE(before(F{kNaNf, 0.0f}, F{kNaNf, 5.0f}));
  EXPECT_FALSE(before(F{kNaNf, 0.0f}, F{1.0f}));
  EXPECT_FALSE(before(F{1.0f}, F{kNaNf, 0.0f}));
  EXPECT_TRUE(before(D{0.0, kNaN}, D{1.0}));
  EXPECT_FALSE(before(D{2.0, 0.0}, D{1.0, 5.0}));
  // Equal so far: the shorter orders first; equal lengths are equivalent.
  EXPECT_TRUE(before(F{1.0f}, F{1.0f, kNaNf}));
  EXPECT_FALSE(before(F{1.0f, kNaNf}, F{1.0f}));
  EXPECT_FALSE(before(D{1.0, 2.0}, D{1.0, 2.0}));
  EXPECT_TRUE(before(D{}, D{-1.0}));
}

TEST(EncodableValueOrdering, ListsAndMapsWalkTheirElementsInStep) {
  const EncodableValue list_1_a(ValueList{EncodableValue(1), EncodableValue("a")});
  const EncodableValue list_1_b(ValueList{EncodableValue(1), EncodableValue("b")});
  const EncodableValue list_1(ValueList{EncodableValue(1)});
  EXPECT_TRUE(Before(list_1_a, list_1_b));
  EXPECT_FALSE(Before(list_1_b, list_1_a));
  EXPECT_TRUE(Before(list_1, list_1_a));
  EXPECT_TRUE(
      Equivalent(EncodableValue(ValueList{EncodableValue(kNaN)}), EncodableValue(ValueList{EncodableValue(2.0)})));

  auto map = [](std::initializer_list<std::pair<const EncodableValue, EncodableValue>> entries) {
    return EncodableValue(ValueMap(entries));
  };
  // Keys decide before values, values decide between equivalent keys.
  EXPECT_TRUE(Before(map({{EncodableValue(1), EncodableValue("z")}}), map({{EncodableValue(2), EncodableValue("a")}})));
  EXPECT_TRUE(Before(map({{EncodableValue(1), EncodableValue("b")}}), map({{EncodableValue(1), EncodableValue("c")}})));
  EXPECT_FALSE(
      Before(map({{EncodableValue(1), EncodableValue("c")}}), map({{EncodableValue(1), EncodableValue("b")}})));
  // A map whose entries are a proper prefix of the other's orders first.
  EXPECT_TRUE(Before(map({{EncodableValue(1), EncodableValue(1)}}),
                     map({{EncodableValue(1), EncodableValue(1)}, {EncodableValue(2), EncodableValue(0)}})));
  EXPECT_FALSE(Before(map({{EncodableValue(1), EncodableValue(1)}, {EncodableValue(2), EncodableValue(0)}}),
                      map({{EncodableValue(1), EncodableValue(1)}})));
  EXPECT_TRUE(Equivalent(map({}), map({})));
}

TEST(EncodableValueOrdering, CustomValuesOrderByHolderAddress) {
  const EncodableValue first(CustomValue(std::string("same")));
  const EncodableValue second(CustomValue(std::string("same")));
  EXPECT_NE(Before(first, second), Before(second, first));
  EXPECT_FALSE(Before(first, first));

  ValueMap map;
  map[first] = EncodableValue(1);
  map[second] = EncodableValue(2);
  EXPECT_EQ(map.size(), 2u);
}

// Counts the live copies of itself, to see copies and destruction happen.
struct Tracked {
  static inline int live = 0;
  int payload;
  explicit Tracked(int p) : payload(p) { ++live; }
  Tracked(const Tracked& other) : payload(other.payload) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
};

TEST(EncodableValueOwnership, CopiesAreDeepAndIndependent) {
  EncodableValue original(ValueMap{
      {EncodableValue("list"), EncodableValue(ValueList{EncodableValue("a"), EncodableValue(std::vector<int32_t>{1})})},
      {EncodableValue("custom"), EncodableValue(CustomValue(Tracked(5)))}});
  EncodableValue copy = original;
  auto& copied_list = copy.Get<ValueMap>()[EncodableValue("list")].Get<ValueList>();
  copied_list[0] = EncodableValue("changed");
  copied_list[1].Get<std::vector<int32_t>>().push_back(2);
  copy.Get<ValueMap>()[EncodableValue("new")] = EncodableValue(true);
  std::any_cast<Tracked&>(copy.Get<ValueMap>()[EncodableValue("custom")].Get<CustomValue>().value()).payload = 9;

  const ValueMap& map = original.Get<ValueMap>();
  EXPECT_EQ(map.size(), 2u);
  const ValueList& list = map.at(EncodableValue("list")).Get<ValueList>();
  EXPECT_EQ(list[0].Get<std::string>(), "a");
  EXPECT_EQ(list[1].Get<std::vector<int32_t>>().size(), 1u);
  EXPECT_EQ(map.at(EncodableValue("custom")).Get<CustomValue>().TryGetAs<Tracked>()->payload, 5);
}

TEST(EncodableValueOwnership, CustomValueCopiesAndDestroysItsObject) {
  ASSERT_EQ(Tracked::live, 0);
  {
    EncodableValue value(CustomValue(Tracked(1)));
    EXPECT_EQ(Tracked::live, 1);
    EncodableValue copy = value;
    EXPECT_EQ(Tracked::live, 2);
    EXPECT_EQ(copy.Get<CustomValue>().TryGetAs<int>(), nullptr);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(EncodableValueOwnership, MoveLeavesTheSourceItsAlternativeWithAnEmptiedContainer) {
  EncodableValue text(std::string(100, 'x'));
  EncodableValue bytes(std::vector<uint8_t>(100, 1));
  EncodableValue floats(std::vector<float>(3, 1.0f));
  EncodableValue list(ValueList(3));
  EncodableValue map(ValueMap{{EncodableValue(1), EncodableValue(2)}});

  EncodableValue moved_text = std::move(text);
  EncodableValue moved_bytes = std::move(bytes);
  EncodableValue moved_floats(std::move(floats));
  EncodableValue moved_list;
  moved_list = std::move(list);
  EncodableValue moved_map(std::move(map));

  EXPECT_EQ(moved_text.Get<std::string>().size(), 100u);
  EXPECT_EQ(moved_list.Get<ValueList>().size(), 3u);
  // NOLINTBEGIN(bugprone-use-after-move): the moved-from state is the subject.
  EXPECT_TRUE(text.Get<std::string>().empty());
  EXPECT_TRUE(bytes.Get<std::vector<uint8_t>>().empty());
  EXPECT_TRUE(floats.Get<std::vector<float>>().empty());
  EXPECT_TRUE(list.Get<ValueList>().empty());
  EXPECT_TRUE(map.Get<ValueMap>().empty());
  // NOLINTEND(bugprone-use-after-move)
}

}  // namespace
}  // namespace flutter::testing
