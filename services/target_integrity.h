// Whether synthesized input can reach a window: Windows drops it without a
// word when the window's process runs at a higher integrity level than
// ours (an elevated program), while SendInput still counts it as sent.
#ifndef KESTRO_SERVICES_TARGET_INTEGRITY_H_
#define KESTRO_SERVICES_TARGET_INTEGRITY_H_

#include "flutter/platform_types.h"
#include "window_system.h"

namespace kestro {

// True when input to `target` would be dropped: its process's level is
// above ours, or cannot be read. Then a `Warning:` line says why. When our
// own level cannot be read there is nothing to compare, and input goes.
bool InputToWindowWouldBeDropped(WindowSystem& window_system, HWND target);

}  // namespace kestro

#endif  // KESTRO_SERVICES_TARGET_INTEGRITY_H_
