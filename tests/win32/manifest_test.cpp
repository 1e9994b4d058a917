// What the manifest asks of the system, as the running program finds it: version 6 of the
// common controls, awareness of each monitor's resolution, and UTF-8 as the ANSI code page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "win32/windows_api.h"

namespace {

TEST(Manifest, CommonControls6PerMonitorResolutionAndUtf8) {
  // The side-by-side assembly of version 6 is what the manifest names; its folder says which
  // one the system gave (Wine's copy reports version 5 from DllGetVersion whichever it is).
  const HMODULE controls = ::LoadLibraryW(L"comctl32.dll");
  ASSERT_TRUE(controls);
  std::wstring path(MAX_PATH, L'\0');
  path.resize(::GetModuleFileNameW(controls, path.data(), MAX_PATH));
  ::FreeLibrary(controls);
  std::transform(path.begin(), path.end(), path.begin(), [](wchar_t c) { return std::towlower(c); });
  EXPECT_NE(path.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
      << testing::PrintToString(path);

  EXPECT_EQ(::GetAwarenessFromDpiAwarenessContext(::GetThreadDpiAwarenessContext()), DPI_AWARENESS_PER_MONITOR_AWARE);
  EXPECT_EQ(::GetACP(), 65001u);
}

}  // namespace
