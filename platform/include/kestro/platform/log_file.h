// kestro.log: every diagnostic line, also kept in a folder of the user's
// choosing (KESTRO_LOG_DIR) for runs that have no console.
#ifndef KESTRO_PLATFORM_LOG_FILE_H_
#define KESTRO_PLATFORM_LOG_FILE_H_

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace kestro {

struct LogFileLimits {
  // A record that would take the file past this size goes to a new file.
  std::uint64_t rotate_at_bytes = 5u << 20;
  // Rotated files kept beside the current one: kestro.1.log (newest) on.
  int kept_rotations = 5;
};

class LogFile {
 public:
  // Opens <folder>/kestro.log for appending, creating the folder. Nothing,
  // with the reason in `failure`, when the folder cannot be made or written.
  static std::unique_ptr<LogFile> Open(const std::filesystem::path& folder, LogFileLimits limits, std::string* failure);

  // Each line of `text` becomes one record: the local time, the thread, the
  // line. Records of several threads never mix.
  void Write(std::string_view text);

  const std::filesystem::path& Path() const { return path_; }

 private:
  LogFile(std::filesystem::path folder, LogFileLimits limits);
  bool Reopen();
  void Rotate();
  std::filesystem::path Rotated(int number) const;

  const std::filesystem::path folder_;
  const std::filesystem::path path_;
  const LogFileLimits limits_;
  std::mutex mutex_;
  std::ofstream stream_;
  std::uint64_t size_ = 0;
  bool failed_ = false;
};

// When KESTRO_LOG_DIR names a folder, opens the log there, writes the run's
// first record (version, system build, process id) and makes every later
// diagnostic line go there too. The log file's path, or nothing (unset,
// empty, or the folder could not be used: then one line on standard error).
std::optional<std::string> StartLogFromEnvironment(std::string_view version);

// The log that diagnostic lines go to beside standard error; null for none.
// It must then stay alive for the rest of the process.
void SetDiagnosticLog(LogFile* log);

}  // namespace kestro

#endif  // KESTRO_PLATFORM_LOG_FILE_H_
