// What the window system adds to the headless core. Chosen by file in CMake:
// headless/headless_platform.cpp for native builds and their tests,
// win32/*.cpp for flutter_windows.dll. The core never calls these with its
// mutex held, so an implementation may call back into the core.
#ifndef STANDIN_ENGINE_PLATFORM_H_
#define STANDIN_ENGINE_PLATFORM_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "flutter/platform_types.h"
#include "standin/engine_test_api.h"

namespace standin::internal::platform {

struct Rectangle {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

enum class ShowState { kNormal, kMinimised, kMaximised };

// The top-level window that contains a view.
struct TopLevelWindowState {
  uint64_t handle = 0;
  bool visible = false;
  ShowState show_state = ShowState::kNormal;
  uint32_t style = 0;
  uint32_t extended_style = 0;
  // Screen coordinates.
  Rectangle window;
  Rectangle client;
  // The view's window, relative to the client area's origin.
  Rectangle view;
  std::string title;  // UTF-8
  uint32_t dpi = 96;
};

enum class WindowActionKind { kClose, kResize, kFontChange, kMinimise, kRestore };

struct WindowAction {
  WindowActionKind kind = WindowActionKind::kClose;
  // kResize only: the new outer size of the top-level window.
  int32_t width = 0;
  int32_t height = 0;
};

// Each engine creation calls this; the first caller's thread becomes the
// platform thread, where queued platform tasks are run from then on.
void AdoptPlatformThread();

// While set, other threads' waits for the platform thread give up at once:
// the UI port sets it while it joins its threads, which may be waiting for
// the very thread that joins them.
void InterruptPlatformWaits(bool interrupt);

// The view's window of the given size; null when it cannot be made. Runs on
// the thread that creates the view controller.
HWND CreateViewWindow(EngineId engine, int width, int height);
void DestroyViewWindow(HWND view);

// The list of recent traffic changed; views repaint it soon (any thread).
void TrafficChanged();

// Any thread; the monitor may be null.
UINT MonitorDpi(HMONITOR monitor);

// The standard streams the library writes to follow the process's current
// standard handles again.
void ResyncOutputStreams();

// The top-level window containing `view`; nothing while the view is not in
// one. Any thread.
std::optional<TopLevelWindowState> DescribeTopLevelWindow(HWND view);

// On the platform thread: false when there is no top-level window to act on.
bool RunWindowAction(HWND view, const WindowAction& action);

// Ends the process the chosen way (frames::CrashKind), on the calling
// thread; returns only when this platform cannot (headless) or the kind is
// unknown. The host's crash handling is tested with it.
bool CrashProcess(uint8_t kind);

// The folder of the process's executable, against which the engine's
// relative data paths resolve; nothing when there is no such folder to look
// in (headless) or it cannot be found out.
std::optional<std::filesystem::path> ExecutableFolder();

}  // namespace standin::internal::platform

#endif  // STANDIN_ENGINE_PLATFORM_H_
