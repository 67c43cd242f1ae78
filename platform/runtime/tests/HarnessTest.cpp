// Proves the test harness: plain code, a real window painted with GDI and read back,
// and a posted message reaching the window procedure.
#include <gtest/gtest.h>

#include "SysInit.h"
#include "SysUtils.h"

namespace ZS_UNITY_ID {

TEST(Harness, ExceptionCarriesMessageAndClass) {
  try {
    throw EConvertError(L"bad value");
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), L"bad value");
    EXPECT_EQ(e.ClassName(), L"EConvertError");
    EXPECT_TRUE(e.InheritsFrom(Exception::StaticClass()));
    EXPECT_FALSE(e.InheritsFrom(EStreamError::StaticClass()));
    EXPECT_STREQ(e.what(), "bad value");
  }
}

namespace {
std::wstring g_trace;
const TUnitInfo UnitA = {L"A", [] { g_trace += L"+A"; }, [] { g_trace += L"-A"; }};
const TUnitInfo UnitB = {L"B", [] { g_trace += L"+B"; }, [] { g_trace += L"-B"; }};
const TUnitInfo UnitC = {L"C", [] { g_trace += L"+C"; }, [] { g_trace += L"-C"; }};
const TUnitInfo UnitFails = {L"Fails", [] { throw Exception(L"no"); }, nullptr};
const TUnitInfo* const LowUnits[] = {&UnitA, &UnitB};
const TUnitList Low = {L"Low", {}, LowUnits};
const TUnitList* const HighNeeds[] = {&Low};
const TUnitInfo* const HighUnits[] = {&UnitC};
const TUnitList High = {L"High", HighNeeds, HighUnits};
const TUnitInfo* const BrokenUnits[] = {&UnitC, &UnitFails};
const TUnitList Broken = {L"Broken", HighNeeds, BrokenUnits};
}  // namespace

TEST(Harness, UnitListsStartNeedsFirstAndStopOnlyWhatTheyStarted) {
  g_trace.clear();
  {
    TUnitScope low(Low);
    {
      // The lower layer is running already: only the upper layer's own unit starts,
      // and only it stops again.
      TUnitScope high(High);
      EXPECT_TRUE(UnitInitialized(L"C"));
    }
    EXPECT_TRUE(UnitInitialized(L"B"));
    EXPECT_FALSE(UnitInitialized(L"C"));
  }
  EXPECT_EQ(g_trace, L"+A+B+C-C-B-A");
  // The runtime's own units, started by this program's main, are untouched.
  EXPECT_TRUE(UnitInitialized(L"SysUtils"));

  g_trace.clear();
  {
    TUnitScope high(High);
  }
  EXPECT_EQ(g_trace, L"+A+B+C-C-B-A");
}

TEST(Harness, AFailingStartUpStopsTheUnitsItsListStarted) {
  g_trace.clear();
  EXPECT_THROW(TUnitScope broken(Broken), Exception);
  EXPECT_EQ(g_trace, L"+A+B+C-C-B-A");
  EXPECT_FALSE(UnitInitialized(L"A"));
  EXPECT_TRUE(UnitInitialized(L"Classes"));
}

namespace {
UINT g_seen = 0;
LRESULT CALLBACK TestWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_APP + 7) { g_seen = static_cast<UINT>(w); return 0; }
  return DefWindowProcW(h, msg, w, l);
}
HWND MakeWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TestWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZsHarnessWindow";
  RegisterClassW(&wc);
  return CreateWindowExW(0, L"ZsHarnessWindow", L"harness", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                         0, 0, 200, 150, nullptr, nullptr, wc.hInstance, nullptr);
}
}  // namespace

TEST(Harness, PaintedPixelsReadBack) {
  HWND w = MakeWindow();
  ASSERT_NE(w, nullptr);
  HDC dc = GetDC(w);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 40, 30);
  HGDIOBJ old = SelectObject(mem, bmp);
  RECT r{0, 0, 40, 30};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(mem, &r, red);
  RECT inner{10, 10, 20, 20};
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(mem, &inner, blue);
  SelectObject(mem, old);

  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = 40;
  bi.bmiHeader.biHeight = -30;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> px(40 * 30);
  ASSERT_EQ(GetDIBits(mem, bmp, 0, 30, px.data(), &bi, DIB_RGB_COLORS), 30);
  EXPECT_EQ(px[0] & 0xFFFFFF, 0xFF0000u);            // red (stored as BGRA)
  EXPECT_EQ(px[15 * 40 + 15] & 0xFFFFFF, 0x0000FFu);  // blue
  DeleteObject(red); DeleteObject(blue); DeleteObject(bmp); DeleteDC(mem);
  ReleaseDC(w, dc);
  DestroyWindow(w);
}

TEST(Harness, PostedMessageReachesWindowProcedure) {
  HWND w = MakeWindow();
  ASSERT_NE(w, nullptr);
  g_seen = 0;
  PostMessageW(w, WM_APP + 7, 42, 0);
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  EXPECT_EQ(g_seen, 42u);
  DestroyWindow(w);
}

}  // namespace ZS_UNITY_ID
