// The last crash survives the trip through its file, a damaged file reads as
// no crash, and the dump folder keeps only the newest dumps.
#include "crash_record.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace kestro::testing {
namespace {

namespace fs = std::filesystem;

TEST(CrashRecord, ReadsBackWhatWasWrittenAndRefusesPartialRecords) {
  const CrashRecord record{"2026-12-08 14:30:00.123", 0xC0000005u, "flutter_windows.dll",
                           "C:\\users\\x\\crashes\\kestro-1.dmp"};
  const std::optional<CrashRecord> read = ParseCrashRecord(FormatCrashRecord(record));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->time, record.time);
  EXPECT_EQ(read->code, record.code);
  EXPECT_EQ(read->module, record.module);
  EXPECT_EQ(read->dump, record.dump);
  // Written by Windows tools, the lines may end in CRLF.
  EXPECT_TRUE(ParseCrashRecord("time=t\r\ncode=0x1\r\nmodule=m\r\ndump=d\r\n").has_value());

  for (const char* damaged : {"", "time=t\ncode=0xC0000005\nmodule=m\n", "time=t\ncode=zz\nmodule=m\ndump=d\n",
                              "time=t\ncode=0x1FFFFFFFF\nmodule=m\ndump=d\n", "garbage without equals"}) {
    EXPECT_FALSE(ParseCrashRecord(damaged).has_value()) << damaged;
  }
}

TEST(CrashRecord, OnlyTheNewestDumpsStayAndOtherFilesAreLeftAlone) {
  const fs::path folder = fs::temp_directory_path() / ("kestro-dumps-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (int i = 1; i <= 7; ++i) std::ofstream(folder / ("kestro-2026120" + std::to_string(i) + ".dmp")) << i;
  std::ofstream(folder / kLastCrashFileName) << "x";
  std::ofstream(folder / "other-1.dmp") << "x";

  KeepNewestDumps(folder, kKeptDumps);
  std::set<std::string> left;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) left.insert(entry.path().filename());
  EXPECT_EQ(left,
            (std::set<std::string>{"kestro-20261203.dmp", "kestro-20261204.dmp", "kestro-20261205.dmp",
                                   "kestro-20261206.dmp", "kestro-20261207.dmp", kLastCrashFileName, "other-1.dmp"}));
  EXPECT_FALSE(ReadLastCrash(folder).has_value());
  EXPECT_FALSE(ReadLastCrash(folder / "missing").has_value());
  fs::remove_all(folder);
}

}  // namespace
}  // namespace kestro::testing
