#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro::testing {
namespace {

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
}  // namespace kestro::testing
