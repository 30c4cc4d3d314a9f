#include "flutter/encodable_value.h"

#include <gtest/gtest.h>

namespace flutter {
namespace {

TEST(EncodableValueOrdering, DifferentAlternativesOrderByIndex) {
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

}  // namespace
}  // namespace flutter
