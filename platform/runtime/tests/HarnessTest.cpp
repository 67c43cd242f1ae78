// Proves the test harness: plain code, a real window painted with GDI and read back,
// and a posted message reaching the window procedure.
#include <gtest/gtest.h>

#include "SysInit.h"
#include "SysUtils.h"

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

TEST(Harness, UnitsFinaliseInReverseOrderAndUndoOnFailure) {
  static std::wstring trace;
  trace.clear();
  InitializeUnits({{L"A", [] { trace += L"+A"; }, [] { trace += L"-A"; }},
                   {L"B", [] { trace += L"+B"; }, [] { trace += L"-B"; }}});
  EXPECT_TRUE(UnitInitialized(L"B"));
  FinalizeUnits();
  EXPECT_EQ(trace, L"+A+B-B-A");
  trace.clear();
  EXPECT_THROW(InitializeUnits({{L"C", [] { trace += L"+C"; }, [] { trace += L"-C"; }},
                                {L"D", [] { throw Exception(L"no"); }, nullptr}}),
               Exception);
  EXPECT_EQ(trace, L"+C-C");
  EXPECT_FALSE(UnitInitialized(L"C"));
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
