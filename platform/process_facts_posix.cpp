#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "kestro/platform/process_facts.h"

namespace kestro {

std::string LocalTimestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millis));
  return text;
}

std::uint32_t CurrentThreadNumber() {
  return static_cast<std::uint32_t>(syscall(SYS_gettid));
}

std::uint32_t CurrentProcessNumber() {
  return static_cast<std::uint32_t>(getpid());
}

std::string OsBuildText() {
  utsname name{};
  if (uname(&name) != 0) return "unknown system";
  return std::string(name.sysname) + " " + name.release;
}

std::optional<std::string> EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace kestro
