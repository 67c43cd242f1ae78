#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "vdGDIPlusAPI.h"

namespace ZS_UNITY_ID {

namespace {

// A stand-in for gdiplus.dll: a fake module whose functions are counting stubs, so the
// tests see exactly what the binding looks up, starts, stops and frees.
struct TFakeGdiPlus {
  std::string Missing;      // a function name the fake module lacks
  GpStatus StartStatus = Ok;
  int Lookups = 0, Starts = 0, Shutdowns = 0, Frees = 0, Hooks = 0, Unhooks = 0;
};
TFakeGdiPlus* Fake = nullptr;
HMODULE const FakeModule = reinterpret_cast<HMODULE>(0x5A5A0000);

GpStatus WINAPI FakeHook(ULONG_PTR* Token) { ++Fake->Hooks; *Token = 7; return Ok; }
void WINAPI FakeUnhook(ULONG_PTR) { ++Fake->Unhooks; }
GpStatus WINAPI FakeStartup(ULONG_PTR* Token, const GdiplusStartupInput* In, GdiplusStartupOutput* Out) {
  ++Fake->Starts;
  EXPECT_EQ(1u, In->GdiplusVersion);
  EXPECT_TRUE(In->SuppressBackgroundThread);
  *Token = 1;
  Out->NotificationHook = FakeHook;
  Out->NotificationUnhook = FakeUnhook;
  return Fake->StartStatus;
}
void WINAPI FakeShutdown(ULONG_PTR) { ++Fake->Shutdowns; }
void WINAPI FakeOther() {}

TvdGdiPlusLoader FakeLoader() {
  TvdGdiPlusLoader L;
  L.Load = [](const wchar_t* Name) -> HMODULE { return std::wstring(Name) == L"gdiplus.dll" ? FakeModule : nullptr; };
  L.Proc = [](HMODULE M, const char* Name) -> FARPROC {
    EXPECT_EQ(FakeModule, M);
    ++Fake->Lookups;
    if (Fake->Missing == Name) return nullptr;
    if (!strcmp(Name, "GdiplusStartup")) return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeStartup));
    if (!strcmp(Name, "GdiplusShutdown")) return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeShutdown));
    return reinterpret_cast<FARPROC>(FakeOther);
  };
  L.Free = [](HMODULE M) -> BOOL { EXPECT_EQ(FakeModule, M); ++Fake->Frees; return TRUE; };
  return L;
}

class GDIPlusBinding : public ::testing::Test {
 protected:
  void SetUp() override {
    UnloadGdiPlusLibrary();
    Fake = &FFake;
    FOld = SetGdiPlusLoader(FakeLoader());
  }
  void TearDown() override {
    UnloadGdiPlusLibrary();
    SetGdiPlusLoader(FOld);
    Fake = nullptr;
  }
  TFakeGdiPlus FFake;
  TvdGdiPlusLoader FOld;
};

}  // namespace

TEST(GDIPlusBindingReal, SystemLibraryBindsEveryFunctionAndFindsThePngEncoder) {
  ASSERT_TRUE(CheckGdiPlus());
  ASSERT_NE(nullptr, GdiPlusModule());
  for (int I = 0; I < gfCount; ++I) EXPECT_NE(nullptr, GdiPlusProc(TvdGdipFunction(I))) << GdiPlusFunctionNames[I];
  CLSID Clsid{};
  EXPECT_EQ(0, GetEncoderClsid(L"IMAGE/png", Clsid));
  EXPECT_NE(0u, Clsid.Data1);
  EXPECT_EQ(1, GetEncoderClsid(L"image/none", Clsid));
  EXPECT_THROW(CheckGdiPlusStatus(2), EAssertionFailed);
  EXPECT_NO_THROW(CheckGdiPlusStatus(Ok));
}

TEST_F(GDIPlusBinding, FullBindingStartsOnceAndUnloadingTwiceFreesOnce) {
  EXPECT_TRUE(CheckGdiPlus());
  EXPECT_TRUE(CheckGdiPlus());
  EXPECT_EQ(gfCount, FFake.Lookups);
  EXPECT_EQ(1, FFake.Starts);
  EXPECT_EQ(1, FFake.Hooks);
  UnloadGdiPlusLibrary();
  UnloadGdiPlusLibrary();
  EXPECT_EQ(1, FFake.Unhooks);
  EXPECT_EQ(1, FFake.Shutdowns);
  EXPECT_EQ(1, FFake.Frees);
  EXPECT_EQ(nullptr, GdiPlusModule());
}

TEST_F(GDIPlusBinding, MissingFunctionNeverStartsAndLetsTheLibraryGo) {
  struct TCase { const char* Missing; int Lookups; };
  // A missing allocator stops the lookups at once; a missing start-up function must not be
  // called through a null pointer; a late missing function still leaves nothing bound.
  for (TCase C : {TCase{"GdipAlloc", 1}, TCase{"GdiplusStartup", 3}, TCase{"GdipIsVisibleRectI", gfCount}}) {
    SCOPED_TRACE(C.Missing);
    FFake = TFakeGdiPlus();
    FFake.Missing = C.Missing;
    EXPECT_FALSE(CheckGdiPlus());
    EXPECT_EQ(C.Lookups, FFake.Lookups);
    EXPECT_EQ(0, FFake.Starts);
    EXPECT_EQ(1, FFake.Frees);
    EXPECT_EQ(nullptr, GdiPlusModule());
    EXPECT_EQ(nullptr, GdiPlusProc(gfGdipAlloc));
    UnloadGdiPlusLibrary();
    EXPECT_EQ(0, FFake.Shutdowns);
    EXPECT_EQ(1, FFake.Frees);
    // Each check tries the load again.
    EXPECT_FALSE(CheckGdiPlus());
    EXPECT_EQ(2, FFake.Frees);
  }
}

TEST_F(GDIPlusBinding, FailedStartUpLeavesItUnavailable) {
  FFake.StartStatus = 3;
  EXPECT_FALSE(CheckGdiPlus());
  EXPECT_EQ(1, FFake.Starts);
  EXPECT_EQ(0, FFake.Hooks);
  EXPECT_EQ(1, FFake.Frees);
  UnloadGdiPlusLibrary();
  EXPECT_EQ(0, FFake.Shutdowns);
  EXPECT_EQ(1, FFake.Frees);
}

namespace {
std::vector<int> Calls;
}

TEST(GDIPlusUnitsLoader, StartsAtOnceAndFinishesInReverse) {
  Calls.clear();
  TvdUnitsLoader Loader;
  Loader.AddUnit([] { Calls.push_back(1); }, [] { Calls.push_back(-1); });
  Loader.AddUnit(nullptr, [] { Calls.push_back(-2); });
  Loader.AddUnit([] { Calls.push_back(3); }, [] { Calls.push_back(-3); });
  EXPECT_EQ((std::vector<int>{1, 3}), Calls);
  Loader.RemoveUnit([] { Calls.push_back(99); });  // never added: not called
  Loader.RemoveUnit(nullptr);
  EXPECT_EQ((std::vector<int>{1, 3}), Calls);
  Loader.Finalize();
  EXPECT_EQ((std::vector<int>{1, 3, -3, -2, -1}), Calls);
  Loader.Finalize();
  EXPECT_EQ(5u, Calls.size());
}

}  // namespace ZS_UNITY_ID
