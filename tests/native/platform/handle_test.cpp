// Handle owners close exactly what they own, once, in the order they give it up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "kestro/platform/com_ptr.h"
#include "kestro/platform/unique_handle.h"

namespace kestro::testing {
namespace {

using ::testing::ElementsAre;

std::vector<int> closed;
void FakeClose(int handle) {
  closed.push_back(handle);
}

// Like a file descriptor: 0 is a handle, -1 is none.
struct MinusOne {
  static constexpr int Get() { return -1; }
};
using Descriptor = UniqueHandle<int, CloseWith<FakeClose>, MinusOne>;

class UniqueHandleTest : public ::testing::Test {
 protected:
  void SetUp() override { closed.clear(); }
};

TEST_F(UniqueHandleTest, TheInvalidValueIsNeverClosedAndEveryOtherIsOnce) {
  {
    Descriptor none;
    Descriptor zero(0);
    EXPECT_FALSE(none);
    EXPECT_TRUE(zero);
  }
  EXPECT_THAT(closed, ElementsAre(0));
}

TEST_F(UniqueHandleTest, PutAndResetCloseTheOldHandleFirst) {
  Descriptor handle(1);
  int* slot = handle.Put();
  EXPECT_THAT(closed, ElementsAre(1));
  EXPECT_EQ(*slot, -1);
  *slot = 2;
  handle.Reset(3);
  EXPECT_THAT(closed, ElementsAre(1, 2));
  EXPECT_EQ(handle.Release(), 3);
  EXPECT_FALSE(handle);
  handle.Reset();
  EXPECT_THAT(closed, ElementsAre(1, 2));
}

TEST_F(UniqueHandleTest, MovesCloseTheTargetsHandleAndEmptyTheSource) {
  Descriptor first(1);
  Descriptor second(2);
  second = std::move(first);
  EXPECT_THAT(closed, ElementsAre(2));
  EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move)
  Descriptor third(std::move(second));
  EXPECT_FALSE(second);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(third.Get(), 1);
  third = Descriptor();
  EXPECT_THAT(closed, ElementsAre(2, 1));
}

// Stateful close, as when an object of ours frees the handle.
struct CloseInto {
  std::vector<int>* log = nullptr;
  void operator()(int handle) const { log->push_back(handle); }
};

TEST_F(UniqueHandleTest, AStatefulCloseTravelsWithItsHandle) {
  std::vector<int> first_log;
  std::vector<int> second_log;
  {
    UniqueHandle<int, CloseInto> second(2, CloseInto{&second_log});
    second = UniqueHandle<int, CloseInto>(1, CloseInto{&first_log});
    EXPECT_THAT(second_log, ElementsAre(2));
  }
  EXPECT_THAT(first_log, ElementsAre(1));
  EXPECT_THAT(second_log, ElementsAre(2));
}

// Counts its references like a COM object.
struct FakeInterface {
  int references = 1;
  void Release() { --references; }
};

TEST(ComPtrTest, MovesLeaveTheSourceEmptyAndReleaseOnce) {
  FakeInterface a;
  FakeInterface b;
  ComPtr<FakeInterface> first;
  *first.Put() = &a;
  ComPtr<FakeInterface> second(std::move(first));
  EXPECT_FALSE(first);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(second.Get(), &a);

  ComPtr<FakeInterface> third;
  *third.Put() = &b;
  third = std::move(second);
  EXPECT_FALSE(second);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(b.references, 0);
  EXPECT_EQ(a.references, 1);
  third.Put();
  EXPECT_EQ(a.references, 0);
  EXPECT_FALSE(third);
}

}  // namespace
}  // namespace kestro::testing
