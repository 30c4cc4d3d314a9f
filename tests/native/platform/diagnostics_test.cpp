// Diagnostic lines from several threads at once arrive whole.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kestro/platform/diagnostics.h"

namespace kestro::testing {
namespace {

TEST(Diagnostics, LinesFromManyThreadsNeverMix) {
  constexpr int kThreads = 8;
  constexpr int kLinesEach = 2000;
  ::testing::internal::CaptureStderr();
  std::atomic<int> ready{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t, &ready] {
      // All at once, so that the writes overlap.
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      const std::string line = "writer " + std::to_string(t) + " " + std::string(40, static_cast<char>('a' + t));
      for (int i = 0; i < kLinesEach; ++i) WriteDiagnosticLine(line);
    });
  }
  for (std::thread& writer : writers) writer.join();
  std::istringstream written(::testing::internal::GetCapturedStderr());

  std::vector<int> lines_of(kThreads, 0);
  std::string line;
  while (std::getline(written, line)) {
    const int t = line.size() > 7 ? line[7] - '0' : -1;
    ASSERT_TRUE(t >= 0 && t < kThreads) << line;
    ASSERT_EQ(line, "writer " + std::to_string(t) + " " + std::string(40, static_cast<char>('a' + t)));
    ++lines_of[t];
  }
  EXPECT_THAT(lines_of, ::testing::Each(kLinesEach));
}

}  // namespace
}  // namespace kestro::testing
