#include "target_integrity.h"

#include <cstdint>
#include <string>

#include "foreground_tracking.h"
#include "kestro/platform/diagnostics.h"

namespace kestro {

namespace {
std::string Hex(std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  return "0x" + text;
}
}  // namespace

bool InputToWindowWouldBeDropped(WindowSystem& window_system, HWND target) {
  std::uint32_t own_level = 0;
  if (!window_system.GetProcessIntegrityLevel(window_system.GetCurrentProcessId(), &own_level)) return false;
  std::uint32_t target_level = 0;
  if (!window_system.GetProcessIntegrityLevel(ProcessIdOfWindow(window_system, target), &target_level)) {
    WriteDiagnosticLine(
        "Warning: Text insertion: the target window's integrity level cannot be read, so Ctrl+V would not reach "
        "it; the text stays on the clipboard to be pasted by hand");
    return true;
  }
  if (target_level <= own_level) return false;
  WriteDiagnosticLine("Warning: Text insertion: the target window runs at integrity level " + Hex(target_level) +
                      ", above kestro's " + Hex(own_level) +
                      ", so Windows would drop Ctrl+V; the text stays on the clipboard to be pasted by hand");
  return true;
}

}  // namespace kestro
