#include "crash_record.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <vector>

namespace kestro {

std::string FormatCrashRecord(const CrashRecord& record) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(record.code));
  return "time=" + record.time + "\ncode=" + code + "\nmodule=" + record.module + "\ndump=" + record.dump + "\n";
}

std::optional<CrashRecord> ParseCrashRecord(const std::string& text) {
  CrashRecord record;
  bool time = false, code = false, module = false, dump = false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "time") {
      record.time = value;
      time = true;
    } else if (key == "code") {
      char* end = nullptr;
      const unsigned long long parsed = std::strtoull(value.c_str(), &end, 16);
      code = !value.empty() && end != nullptr && *end == '\0' && parsed <= 0xFFFFFFFFull;
      record.code = static_cast<std::uint32_t>(parsed);
    } else if (key == "module") {
      record.module = value;
      module = true;
    } else if (key == "dump") {
      record.dump = value;
      dump = true;
    }
  }
  if (!(time && code && module && dump)) return std::nullopt;
  return record;
}

std::optional<CrashRecord> ReadLastCrash(const std::filesystem::path& folder) {
  std::ifstream in(folder / kLastCrashFileName, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseCrashRecord(text);
}

void KeepNewestDumps(const std::filesystem::path& folder, int keep) {
  std::error_code error;
  std::vector<std::filesystem::path> dumps;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().u8string();
    if (name.rfind("kestro-", 0) == 0 && it->path().extension() == ".dmp") dumps.push_back(it->path());
  }
  if (static_cast<int>(dumps.size()) <= keep) return;
  std::sort(dumps.begin(), dumps.end());
  const size_t excess = dumps.size() - static_cast<size_t>(std::max(keep, 0));
  for (size_t i = 0; i < excess; ++i) std::filesystem::remove(dumps[i], error);
}

}  // namespace kestro
