#include <gtest/gtest.h>

#include <utility>

#include "Libraries.h"

namespace ZS_UNITY_ID {

namespace {

// A system library this test program does not link, so that its presence in the process
// shows whether a TLibrary still holds it.
const wchar_t* const Unlinked = L"msimg32.dll";

TEST(Libraries, LoadBindAndFreeByName) {
  ASSERT_EQ(nullptr, GetModuleHandleW(Unlinked));
  {
    TLibrary lib(Unlinked);
    ASSERT_TRUE(lib.Loaded());
    EXPECT_EQ(lib.Handle(), GetModuleHandleW(Unlinked));
    BOOL(WINAPI * alphaBlend)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION) = nullptr;
    EXPECT_TRUE(lib.Bind(alphaBlend, "AlphaBlend"));
    EXPECT_NE(nullptr, alphaBlend);
    EXPECT_FALSE(lib.Bind(alphaBlend, "NoSuchEntry"));
    EXPECT_EQ(nullptr, alphaBlend);

    // Moving hands the one reference over.
    TLibrary other = std::move(lib);
    EXPECT_FALSE(lib.Loaded());
    EXPECT_TRUE(other.Loaded());
    EXPECT_EQ(nullptr, lib.Entry("AlphaBlend"));
    EXPECT_NE(nullptr, other.Entry("AlphaBlend"));
  }
  EXPECT_EQ(nullptr, GetModuleHandleW(Unlinked));  // the reference went back

  TLibrary lib;
  EXPECT_TRUE(lib.Load(Unlinked));
  EXPECT_TRUE(lib.Load(Unlinked));  // a second load releases the first reference
  lib.Free();
  EXPECT_FALSE(lib.Loaded());
  EXPECT_EQ(nullptr, GetModuleHandleW(Unlinked));
}

TEST(Libraries, AMissingLibraryBindsNothing) {
  TLibrary lib(L"zs_no_such_library.dll");
  EXPECT_FALSE(lib.Loaded());
  EXPECT_EQ(nullptr, lib.Handle());
  FARPROC f = reinterpret_cast<FARPROC>(1);
  EXPECT_FALSE(lib.Bind(f, "Anything"));
  EXPECT_EQ(nullptr, f);
  lib.Free();  // nothing to release
}

TEST(Libraries, EntriesOfLoadedModules) {
  using TGetTickCount = DWORD(WINAPI*)();
  auto tick = ModuleFunction<TGetTickCount>(L"kernel32.dll", "GetTickCount");
  ASSERT_NE(nullptr, tick);
  EXPECT_GT(tick(), 0u);
  EXPECT_EQ(nullptr, ModuleEntry(L"kernel32.dll", "NoSuchEntry"));
  EXPECT_EQ(nullptr, ModuleEntry(Unlinked, "AlphaBlend"));  // not loaded: not loaded for it
}

}  // namespace

}  // namespace ZS_UNITY_ID
