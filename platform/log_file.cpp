#include "kestro/platform/log_file.h"

#include <cstdio>
#include <system_error>
#include <utility>

#include "kestro/platform/diagnostics.h"
#include "kestro/platform/process_facts.h"

namespace kestro {
namespace {

constexpr char kVariable[] = "KESTRO_LOG_DIR";

// Kept for the rest of the process: diagnostic lines may come until its end.
LogFile* started_log = nullptr;

std::string Record(std::string_view line) {
  std::string record = LocalTimestamp();
  record.append(" [").append(std::to_string(CurrentThreadNumber())).append("] ");
  record.append(line).push_back('\n');
  return record;
}

// Straight to standard error: the log's own trouble must not go through
// the writer that feeds the log.
void ReportLogTrouble(const std::string& line) {
  const std::string whole = line + "\n";
  std::fwrite(whole.data(), 1, whole.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

LogFile::LogFile(std::filesystem::path folder, LogFileLimits limits)
    : folder_(std::move(folder)), path_(folder_ / "kestro.log"), limits_(limits) {}

std::unique_ptr<LogFile> LogFile::Open(const std::filesystem::path& folder, LogFileLimits limits,
                                       std::string* failure) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    *failure = "the folder cannot be created: " + error.message();
    return nullptr;
  }
  std::unique_ptr<LogFile> log(new LogFile(folder, limits));
  if (!log->Reopen()) {
    *failure = "the file cannot be written";
    return nullptr;
  }
  return log;
}

bool LogFile::Reopen() {
  if (stream_.is_open()) stream_.close();
  stream_.clear();
  stream_.open(path_, std::ios::binary | std::ios::app);
  if (!stream_.is_open()) return false;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path_, error);
  size_ = error ? 0 : size;
  return true;
}

std::filesystem::path LogFile::Rotated(int number) const {
  return folder_ / ("kestro." + std::to_string(number) + ".log");
}

void LogFile::Rotate() {
  stream_.close();
  std::error_code ignored;
  std::filesystem::remove(Rotated(limits_.kept_rotations), ignored);
  for (int number = limits_.kept_rotations - 1; number >= 1; --number) {
    std::filesystem::rename(Rotated(number), Rotated(number + 1), ignored);
  }
  if (limits_.kept_rotations >= 1) {
    std::filesystem::rename(path_, Rotated(1), ignored);
  } else {
    std::filesystem::remove(path_, ignored);
  }
  // Another process holding the file open keeps it from moving: then the
  // records simply go on in the same file.
  Reopen();
}

void LogFile::Write(std::string_view text) {
  std::string records;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    records.append(Record(line));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  if (records.empty()) return;

  std::lock_guard<std::mutex> guard(mutex_);
  if (failed_) return;
  if (size_ > 0 && size_ + records.size() > limits_.rotate_at_bytes) Rotate();
  if (stream_.is_open()) {
    stream_.write(records.data(), static_cast<std::streamsize>(records.size()));
    stream_.flush();
  }
  if (!stream_.is_open() || !stream_.good()) {
    // Once: a full disk must not add a line to every diagnostic.
    failed_ = true;
    ReportLogTrouble("Warning: " + path_.u8string() + " cannot be written; the log stops here");
    return;
  }
  size_ += records.size();
}

std::optional<std::string> StartLogFromEnvironment(std::string_view version) {
  const std::optional<std::string> folder = EnvironmentValue(kVariable);
  if (!folder.has_value() || folder->empty()) return std::nullopt;
  std::string failure;
  std::unique_ptr<LogFile> log = LogFile::Open(std::filesystem::u8path(*folder), LogFileLimits{}, &failure);
  if (log == nullptr) {
    ReportLogTrouble(std::string("Warning: ") + kVariable + " " + *folder + ": " + failure + "; no log file");
    return std::nullopt;
  }
  std::string first = "kestro ";
  first.append(version).append("; ").append(OsBuildText());
  first.append("; process ").append(std::to_string(CurrentProcessNumber()));
  log->Write(first);
  std::string path = log->Path().u8string();
  started_log = log.release();
  SetDiagnosticLog(started_log);
  return path;
}

}  // namespace kestro
