// The version information Explorer shows for the Windows programs: their own names, the
// project's version in the fixed part and the strings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_files.h"

#include <windows.h>

namespace {

struct VersionResource {
  std::vector<char> block;

  std::wstring Text(const std::wstring& name) const {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = L"\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueW(block.data(), key.c_str(), &value, &length) || length == 0) return L"(none)";
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
  }

  std::vector<int> FileVersion() const {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return {};
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    return {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
            LOWORD(fixed->dwFileVersionLS)};
  }
};

VersionResource ReadVersion(const std::wstring& program) {
  const std::wstring path = (testfiles::BinaryFolder() / program).wstring();
  VersionResource resource;
  resource.block.resize(GetFileVersionInfoSizeW(path.c_str(), nullptr));
  if (!resource.block.empty() &&
      !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(resource.block.size()), resource.block.data())) {
    resource.block.clear();
  }
  return resource;
}

void ExpectVersionOf(const std::wstring& name, const std::wstring& description) {
  const VersionResource resource = ReadVersion(name + L".exe");
  ASSERT_FALSE(resource.block.empty()) << "no version information in " << testing::PrintToString(name);
  EXPECT_EQ(resource.FileVersion(), (std::vector<int>{TQ_VERSION_MAJOR, TQ_VERSION_MINOR, TQ_VERSION_PATCH, 0}));
  EXPECT_EQ(resource.Text(L"FileVersion"), TQ_VERSION_TEXT);
  EXPECT_EQ(resource.Text(L"ProductVersion"), TQ_VERSION_TEXT);
  EXPECT_EQ(resource.Text(L"InternalName"), name);
  EXPECT_EQ(resource.Text(L"OriginalFilename"), name + L".exe");
  EXPECT_EQ(resource.Text(L"FileDescription"), description);
  EXPECT_EQ(resource.Text(L"ProductName"), L"TQ5A to TQ6A Project Converter");
}

TEST(VersionResource, TqconvNamesItselfAndTheVersion) {
  ExpectVersionOf(L"tqconv", L"TQ5A to TQ6A project converter (command line)");
}

#ifdef TQ_HAS_DIALOG_PROGRAM
TEST(VersionResource, TqconverterNamesItselfAndTheVersion) {
  ExpectVersionOf(L"tqconverter", L"TQ5A to TQ6A Project Converter");
}
#endif

}  // namespace
