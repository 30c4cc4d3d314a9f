#include "win32_window.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fake_monitor_dpi.h"
#include "window_class.h"

namespace kestro::testing {
namespace {

// Records what the base class asks of its subclass.
class RecordingWindow : public Win32Window {
 public:
  bool create_result = true;
  int creates = 0;
  int teardowns = 0;

 protected:
  bool OnCreate() override {
    ++creates;
    return create_result;
  }
  void OnTeardown() override { ++teardowns; }
};

HWND FindOpenWindow(const std::wstring& title) {
  return FindWindowW(kWindowClassName, title.c_str());
}

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// Handles what is queued; true when WM_QUIT came.
bool PumpUntilIdle() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return true;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return false;
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    testing::SetMonitorDpi(96);
    PumpUntilIdle();
  }
};

// Small enough for the test display: the system limits a resizable window
// to about the screen's size.
TEST_F(Win32WindowTest, OpensHiddenAtTheMonitorScaledRectangle) {
  struct Case {
    UINT dpi;
    RECT expected;
  };
  for (const Case& c : {Case{96, {10, 10, 410, 310}}, Case{120, {12, 12, 512, 387}}, Case{144, {15, 15, 615, 465}}}) {
    testing::SetMonitorDpi(c.dpi);
    RecordingWindow window;
    const std::wstring title = L"scaled " + std::to_wstring(c.dpi);
    ASSERT_TRUE(window.OpenWindow(title, {10, 10}, {400, 300}));
    const HWND native = FindOpenWindow(title);
    ASSERT_NE(native, nullptr);
    const RECT rect = WindowRect(native);
    EXPECT_EQ(rect.left, c.expected.left) << c.dpi;
    EXPECT_EQ(rect.top, c.expected.top) << c.dpi;
    EXPECT_EQ(rect.right, c.expected.right) << c.dpi;
    EXPECT_EQ(rect.bottom, c.expected.bottom) << c.dpi;
    EXPECT_FALSE(IsWindowVisible(native));
    EXPECT_EQ(GetWindowLongW(native, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_POPUP), WS_THICKFRAME | WS_POPUP);
    EXPECT_EQ(window.creates, 1);
    window.MakeVisible();
    EXPECT_TRUE(IsWindowVisible(native));
    EXPECT_FALSE(IsZoomed(native));
  }
}

TEST_F(Win32WindowTest, FailedOnCreateFailsOpeningAndTheObjectStillCleansUp) {
  HWND native = nullptr;
  {
    RecordingWindow window;
    window.create_result = false;
    EXPECT_FALSE(window.OpenWindow(L"failing", {0, 0}, {100, 100}));
    native = FindOpenWindow(L"failing");
    EXPECT_NE(native, nullptr) << "the native window stays until the object goes";
  }
  EXPECT_FALSE(IsWindow(native));
  EXPECT_FALSE(WindowClassRegistered());
}

// Refuses to be created, as a failing WM_CREATE does.
class RefusedWindow : public RecordingWindow {
 protected:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == WM_CREATE) return -1;
    return RecordingWindow::HandleMessage(window, message, wparam, lparam);
  }
};

TEST_F(Win32WindowTest, RefusedRegistrationAndCreationAreReportedAndLeaveNoWindow) {
  ASSERT_FALSE(WindowClassRegistered());
  // The class name taken already: the program's own registration fails.
  WNDCLASSW taken{};
  taken.lpfnWndProc = Win32Window::WindowProcedure;
  taken.hInstance = GetModuleHandleW(nullptr);
  taken.lpszClassName = kWindowClassName;
  ASSERT_NE(RegisterClassW(&taken), 0);
  {
    ::testing::internal::CaptureStderr();
    RecordingWindow window;
    EXPECT_TRUE(window.OpenWindow(L"registered before", {0, 0}, {100, 100})) << "the class is there all the same";
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Error: RegisterClassW failed: 0x00000582"),
              std::string::npos);
  }
  EXPECT_FALSE(WindowClassRegistered());

  ::testing::internal::CaptureStderr();
  {
    RefusedWindow window;
    EXPECT_FALSE(window.OpenWindow(L"refused", {0, 0}, {100, 100}));
    EXPECT_EQ(window.creates, 0);
    EXPECT_EQ(FindOpenWindow(L"refused"), nullptr);
  }
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Error: CreateWindowExW failed: 0x"), std::string::npos);
}

TEST_F(Win32WindowTest, ContentFillsTheClientAreaAndFollowsResizes) {
  RecordingWindow window;
  ASSERT_TRUE(window.OpenWindow(L"content", {0, 0}, {400, 300}));
  const HWND native = FindOpenWindow(L"content");
  const HWND content = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, native, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(content, nullptr);
  window.AttachContent(content);
  const auto expect_filled = [&](const char* when) {
    const RECT client = window.ClientArea();
    RECT child{};
    GetWindowRect(content, &child);
    MapWindowPoints(HWND_DESKTOP, native, reinterpret_cast<POINT*>(&child), 2);
    EXPECT_EQ(child.left, client.left) << when;
    EXPECT_EQ(child.top, client.top) << when;
    EXPECT_EQ(child.right, client.right) << when;
    EXPECT_EQ(child.bottom, client.bottom) << when;
  };
  EXPECT_EQ(GetParent(content), native);
  EXPECT_EQ(GetFocus(), content);
  expect_filled("attached");
  SetWindowPos(native, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
  expect_filled("resized");
}

TEST_F(Win32WindowTest, DpiChangeTakesExactlyTheSuggestedRectangle) {
  RecordingWindow window;
  ASSERT_TRUE(window.OpenWindow(L"dpi change", {10, 10}, {300, 200}));
  const HWND native = FindOpenWindow(L"dpi change");
  RECT suggested{40, 50, 40 + 375, 50 + 250};
  EXPECT_EQ(SendMessageW(native, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&suggested)), 0);
  const RECT rect = WindowRect(native);
  EXPECT_EQ(rect.left, 40);
  EXPECT_EQ(rect.top, 50);
  EXPECT_EQ(rect.right, 415);
  EXPECT_EQ(rect.bottom, 300);
}

TEST_F(Win32WindowTest, ClosingEndsTheMessageLoopOnlyWhenAsked) {
  for (const bool quit : {false, true}) {
    RecordingWindow window;
    const std::wstring title = quit ? L"quitting" : L"staying";
    ASSERT_TRUE(window.OpenWindow(title, {0, 0}, {100, 100}));
    window.SetQuitWhenClosed(quit);
    const HWND native = FindOpenWindow(title);
    PumpUntilIdle();
    const int teardowns_before = window.teardowns;
    PostMessageW(native, WM_CLOSE, 0, 0);
    EXPECT_EQ(PumpUntilIdle(), quit);
    EXPECT_FALSE(IsWindow(native));
    EXPECT_EQ(window.teardowns, teardowns_before + 1) << "closing tears the window down once";
  }
}

// Two window objects share one registration of the class; it goes with
// the last object, also when the user closed its window earlier.
TEST_F(Win32WindowTest, TheClassLivesAsLongAsAnyWindowObject) {
  ASSERT_EQ(LiveWindowCount(), 0);
  auto first = std::make_unique<RecordingWindow>();
  auto second = std::make_unique<RecordingWindow>();
  EXPECT_EQ(LiveWindowCount(), 2);
  ASSERT_TRUE(first->OpenWindow(L"first", {0, 0}, {100, 100}));
  ASSERT_TRUE(second->OpenWindow(L"second", {0, 0}, {100, 100}));
  EXPECT_TRUE(WindowClassRegistered());

  DestroyWindow(FindOpenWindow(L"second"));
  EXPECT_TRUE(WindowClassRegistered());
  first.reset();
  EXPECT_EQ(LiveWindowCount(), 1);
  EXPECT_TRUE(WindowClassRegistered());
  WNDCLASSW info{};
  EXPECT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), kWindowClassName, &info));

  second.reset();
  EXPECT_EQ(LiveWindowCount(), 0);
  EXPECT_FALSE(WindowClassRegistered());
  EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), kWindowClassName, &info));

  // A later window registers it again.
  RecordingWindow later;
  ASSERT_TRUE(later.OpenWindow(L"later", {0, 0}, {100, 100}));
  EXPECT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), kWindowClassName, &info));
  EXPECT_NE(info.hIcon, nullptr) << "icon resource " << kAppIconResourceId;
}

}  // namespace
}  // namespace kestro::testing
