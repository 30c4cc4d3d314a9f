#include "window_class.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace kestro {
namespace {

LRESULT CALLBACK TestProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

bool ClassExists(WNDCLASSEXW* info = nullptr) {
  WNDCLASSEXW found{};
  found.cbSize = sizeof(found);
  const bool exists = GetClassInfoExW(GetModuleHandleW(nullptr), kWindowClassName, &found) != 0;
  if (info != nullptr) *info = found;
  return exists;
}

// The same calls, in the same order, that two Win32Window objects make
// while they are constructed, opened and destroyed.
TEST(WindowClass, TwoWindowsShareOneRegistrationThatTheLastOneEnds) {
  ASSERT_EQ(LiveWindowCount(), 0);
  ASSERT_FALSE(ClassExists());

  CountWindowCreated();
  CountWindowCreated();
  EXPECT_EQ(LiveWindowCount(), 2);
  EnsureWindowClassRegistered(TestProcedure);
  EnsureWindowClassRegistered(TestProcedure);
  WNDCLASSEXW info{};
  ASSERT_TRUE(ClassExists(&info));
  EXPECT_TRUE(WindowClassRegistered());
  EXPECT_EQ(info.lpfnWndProc, &TestProcedure);
  EXPECT_EQ(info.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
  EXPECT_NE(info.hIcon, nullptr) << "the icon resource " << kAppIconResourceId << " did not load";
  EXPECT_NE(info.hCursor, nullptr);
  EXPECT_EQ(info.hbrBackground, nullptr);

  CountWindowDestroyed();
  UnregisterWindowClassIfUnused();
  EXPECT_EQ(LiveWindowCount(), 1);
  EXPECT_TRUE(ClassExists()) << "the second window still uses the class";

  CountWindowDestroyed();
  UnregisterWindowClassIfUnused();
  EXPECT_EQ(LiveWindowCount(), 0);
  EXPECT_FALSE(ClassExists());
  EXPECT_FALSE(WindowClassRegistered());

  // A later window registers it again.
  CountWindowCreated();
  EnsureWindowClassRegistered(TestProcedure);
  EXPECT_TRUE(ClassExists());
  CountWindowDestroyed();
  UnregisterWindowClassIfUnused();
  EXPECT_FALSE(ClassExists());
}

std::vector<unsigned char> OwnVersionResource() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  std::vector<unsigned char> block(size);
  if (size == 0 || !GetFileVersionInfoW(path, 0, size, block.data())) block.clear();
  return block;
}

std::wstring VersionString(std::vector<unsigned char>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
  if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) return L"(missing)";
  return static_cast<const wchar_t*>(value);
}

// The program's resources are linked into this test as they are into kestro.exe.
TEST(Resources, CarryVersion1_0_3_103) {
  std::vector<unsigned char> block = OwnVersionResource();
  ASSERT_FALSE(block.empty()) << "no version resource";
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(0, 1)));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(103, 3)));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.0.3.103");
  EXPECT_EQ(VersionString(block, L"ProductVersion"), L"1.0.3.103");
}

}  // namespace
}  // namespace kestro
