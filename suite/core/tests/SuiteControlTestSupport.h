// Helpers for the tests of the suite's custom-drawn controls: reading a window's pixels
// back, clicking at a client point with synthesized input, and a demo control.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "ControlsTestSupport.h"
#include "vxControls.h"

namespace vx_test {

// The client area of a window as shown on the screen, copied into a 32-bit DIB and
// read back with GetDIBits.
class TWindowPixels {
 public:
  explicit TWindowPixels(HWND Wnd) {
    RECT r;
    GetClientRect(Wnd, &r);
    W = r.right;
    H = r.bottom;
    HDC wdc = GetDC(Wnd);
    HDC mem = CreateCompatibleDC(wdc);
    HBITMAP bmp = CreateCompatibleBitmap(wdc, W, H);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, W, H, wdc, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = W;
    bi.bmiHeader.biHeight = -H;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    Bits.resize(static_cast<size_t>(W) * H);
    GetDIBits(mem, bmp, 0, H, Bits.data(), &bi, DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(Wnd, wdc);
  }
  COLORREF At(int X, int Y) const {
    DWORD v = Bits[static_cast<size_t>(Y) * W + X];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  int W = 0, H = 0;

 private:
  std::vector<DWORD> Bits;
};

// A colour as the screen shows it (system colours resolved).
inline COLORREF Shown(TColor C) { return static_cast<COLORREF>(ColorToRGB(C)); }

inline POINT ScreenPoint(TWinControl* C, int X, int Y) {
  POINT p{X, Y};
  ClientToScreen(C->Handle(), &p);
  return p;
}

// Moves the cursor to a client point of C and presses (and, unless Hold, releases) a
// button there.
inline void ClickAt(TWinControl* C, int X, int Y, DWORD Down = MOUSEEVENTF_LEFTDOWN,
                    DWORD Up = MOUSEEVENTF_LEFTUP, bool Hold = false) {
  MoveMouse(ScreenPoint(C, X, Y));
  SendMouseButton(Down);
  Pump(40);
  if (!Hold) {
    SendMouseButton(Up);
    Pump(40);
  }
}

}  // namespace vx_test
