// What a diagnostic record says about where it comes from: the local time,
// the thread, the process and the system. One implementation per platform.
#ifndef KESTRO_PLATFORM_PROCESS_FACTS_H_
#define KESTRO_PLATFORM_PROCESS_FACTS_H_

#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

// "YYYY-MM-DD HH:MM:SS.mmm", local time.
std::string LocalTimestamp();

std::uint32_t CurrentThreadNumber();
std::uint32_t CurrentProcessNumber();

// The system's name and build, e.g. "Windows 10.0.19045".
std::string OsBuildText();

// The variable's value in UTF-8; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

}  // namespace kestro

#endif  // KESTRO_PLATFORM_PROCESS_FACTS_H_
