// kestro.log: records of many threads stay whole, the file rotates and keeps
// its share of old files, and a folder that cannot be used is refused.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kestro/platform/diagnostics.h"
#include "kestro/platform/log_file.h"

namespace kestro::testing {
namespace {

namespace fs = std::filesystem;

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("kestro-log-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::vector<std::string> Lines(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  fs::path folder_;
};

const std::regex kRecord(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[\d+\] (.*))");

TEST_F(LogFileTest, RecordsOfManyThreadsStayWholeAndEachLineIsStamped) {
  std::string failure;
  std::unique_ptr<LogFile> log = LogFile::Open(folder_ / "nested" / "deeper", LogFileLimits{}, &failure);
  ASSERT_NE(log, nullptr) << failure;
  constexpr int kThreads = 6;
  constexpr int kEach = 500;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&log, t] {
      const std::string payload(60, static_cast<char>('a' + t));
      for (int i = 0; i < kEach; ++i) log->Write(payload);
    });
  }
  for (std::thread& writer : writers) writer.join();
  // Several lines in one text become several records; a CRLF loses its CR.
  log->Write("first\r\nsecond\n");

  const std::vector<std::string> lines = Lines(log->Path());
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kEach + 2));
  std::smatch match;
  for (size_t i = 0; i < lines.size() - 2; ++i) {
    ASSERT_TRUE(std::regex_match(lines[i], match, kRecord)) << lines[i];
    const std::string payload = match[1];
    ASSERT_EQ(payload, std::string(60, payload[0])) << lines[i];
  }
  ASSERT_TRUE(std::regex_match(lines[lines.size() - 2], match, kRecord));
  EXPECT_EQ(match[1], "first");
  ASSERT_TRUE(std::regex_match(lines.back(), match, kRecord));
  EXPECT_EQ(match[1], "second");
}

TEST_F(LogFileTest, RotatesBeforeTheLimitAndKeepsOnlyTheNewestFiles) {
  std::string failure;
  LogFileLimits limits;
  limits.rotate_at_bytes = 1000;
  limits.kept_rotations = 3;
  std::unique_ptr<LogFile> log = LogFile::Open(folder_, limits, &failure);
  ASSERT_NE(log, nullptr) << failure;
  // About 100 bytes a record: ten records to a file.
  for (int i = 0; i < 100; ++i) log->Write("record " + std::to_string(i) + " " + std::string(60, 'x'));

  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
    names.push_back(entry.path().filename().string());
    EXPECT_LE(fs::file_size(entry.path()), limits.rotate_at_bytes) << entry.path();
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"kestro.1.log", "kestro.2.log", "kestro.3.log", "kestro.log"}));
  // The newest record is in kestro.log, the ones before it in kestro.1.log.
  EXPECT_NE(Lines(folder_ / "kestro.log").back().find("record 99 "), std::string::npos);
  const std::vector<std::string> previous = Lines(folder_ / "kestro.1.log");
  const std::string first_current = Lines(folder_ / "kestro.log").front();
  const int last_previous = std::stoi(previous.back().substr(previous.back().find("record ") + 7));
  const int first_in_current = std::stoi(first_current.substr(first_current.find("record ") + 7));
  EXPECT_EQ(last_previous + 1, first_in_current);
}

TEST_F(LogFileTest, AFolderThatCannotBeMadeIsRefusedWithTheReason) {
  fs::create_directories(folder_);
  std::ofstream(folder_ / "plain-file") << "x";
  std::string failure;
  EXPECT_EQ(LogFile::Open(folder_ / "plain-file" / "logs", LogFileLimits{}, &failure), nullptr);
  EXPECT_NE(failure.find("cannot be created"), std::string::npos) << failure;
}

TEST_F(LogFileTest, FromTheEnvironmentDiagnosticLinesReachTheLogAndStandardErrorStaysTheSame) {
  ::unsetenv("KESTRO_LOG_DIR");
  EXPECT_EQ(StartLogFromEnvironment("1.2.3"), std::nullopt);
  ::setenv("KESTRO_LOG_DIR", "", 1);
  EXPECT_EQ(StartLogFromEnvironment("1.2.3"), std::nullopt);

  fs::create_directories(folder_);
  std::ofstream(folder_ / "plain-file") << "x";
  ::setenv("KESTRO_LOG_DIR", (folder_ / "plain-file").c_str(), 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(StartLogFromEnvironment("1.2.3"), std::nullopt);
  const std::string refusal = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(refusal.begin(), refusal.end(), '\n'), 1) << refusal;
  EXPECT_EQ(refusal.rfind("Warning: KESTRO_LOG_DIR ", 0), 0u) << refusal;

  ::setenv("KESTRO_LOG_DIR", (folder_ / "logs").c_str(), 1);
  const std::optional<std::string> path = StartLogFromEnvironment("1.2.3");
  ::unsetenv("KESTRO_LOG_DIR");
  ASSERT_TRUE(path.has_value());
  ::testing::internal::CaptureStderr();
  ReportPlatformFailure("SomeCall", 5);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: SomeCall failed: 0x00000005\n");
  SetDiagnosticLog(nullptr);

  const std::vector<std::string> lines = Lines(*path);
  ASSERT_EQ(lines.size(), 2u);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[0], match, kRecord));
  EXPECT_TRUE(std::regex_match(std::string(match[1]),
                               std::regex("kestro 1\\.2\\.3; .+; process " + std::to_string(::getpid()))))
      << lines[0];
  ASSERT_TRUE(std::regex_match(lines[1], match, kRecord));
  EXPECT_EQ(match[1], "Error: SomeCall failed: 0x00000005");
}

}  // namespace
}  // namespace kestro::testing
