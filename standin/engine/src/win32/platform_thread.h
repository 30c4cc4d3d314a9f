// The platform thread under Windows: a message-only window on the thread
// that created the first engine. Queued platform tasks wake it with a posted
// message and run from its window procedure, so they run inside the host's
// message loop (modal loops included), never on another thread.
#ifndef STANDIN_ENGINE_WIN32_PLATFORM_THREAD_H_
#define STANDIN_ENGINE_WIN32_PLATFORM_THREAD_H_

#include <windows.h>

#include <chrono>
#include <functional>

namespace standin::internal::win32 {

// Null until the first engine was created.
HWND PlatformWindow();

// Runs `work` on the platform thread and waits for it; false (and `work`
// never runs) when it did not start within `timeout` or there is no
// platform thread yet. On the platform thread itself it runs at once.
bool RunOnPlatformThread(const std::function<void()>& work, std::chrono::milliseconds timeout);

// The module that holds this library's window classes.
HINSTANCE LibraryInstance();

}  // namespace standin::internal::win32

#endif  // STANDIN_ENGINE_WIN32_PLATFORM_THREAD_H_
