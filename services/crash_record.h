// What kestro keeps in its crash folder beside the dumps: the last crash, as
// a few "key=value" lines, so that the next run can tell the UI about it.
#ifndef KESTRO_SERVICES_CRASH_RECORD_H_
#define KESTRO_SERVICES_CRASH_RECORD_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kestro {

struct CrashRecord {
  std::string time;  // local, "YYYY-MM-DD HH:MM:SS.mmm"
  std::uint32_t code = 0;
  std::string module;
  std::string dump;  // the minidump's path, UTF-8
};

inline constexpr char kLastCrashFileName[] = "last_crash.txt";
inline constexpr int kKeptDumps = 5;

std::string FormatCrashRecord(const CrashRecord& record);
// Nothing for a text that is not a whole record.
std::optional<CrashRecord> ParseCrashRecord(const std::string& text);

// The folder's last crash record; nothing when there is none or it is unreadable.
std::optional<CrashRecord> ReadLastCrash(const std::filesystem::path& folder);

// Removes the oldest of the folder's dumps (kestro-*.dmp, named so that their
// names sort by time) until `keep` are left.
void KeepNewestDumps(const std::filesystem::path& folder, int keep);

}  // namespace kestro

#endif  // KESTRO_SERVICES_CRASH_RECORD_H_
