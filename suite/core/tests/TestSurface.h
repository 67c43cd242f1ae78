// A 32-bit top-down DIB selected into a memory DC, wrapped by a platform canvas and a
// suite canvas: a real device context whose pixels the graphics tests read back.
#pragma once

#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "Graphics.h"
#include "vxGraphics.h"

namespace zs_test {

class TestSurface {
 public:
  explicit TestSurface(int w = 64, int h = 64, COLORREF background = RGB(255, 255, 255)) : W(w), H(h) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = SelectObject(dc, bmp);
    Clear(background);
    canvas = std::make_unique<TCanvas>();
    canvas->SetHandle(dc);
    vx = std::make_unique<TvxCanvas>(canvas.get());
  }
  ~TestSurface() {
    vx.reset();
    canvas.reset();
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  TestSurface(const TestSurface&) = delete;
  TestSurface& operator=(const TestSurface&) = delete;

  void Clear(COLORREF c) {
    GdiFlush();
    const DWORD v = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    for (int i = 0; i < W * H; ++i) bits[i] = v;
  }
  // The colour at device pixel (x, y) as a COLORREF (alpha ignored).
  COLORREF At(int x, int y) const {
    GdiFlush();
    const DWORD v = bits[y * W + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // The raw BGRA value.
  DWORD Raw(int x, int y) const {
    GdiFlush();
    return bits[y * W + x];
  }
  std::vector<DWORD> Pixels() const {
    GdiFlush();
    return std::vector<DWORD>(bits, bits + W * H);
  }
  // Number of pixels in R that differ from c.
  int CountNot(const RECT& R, COLORREF c) const {
    int n = 0;
    for (int y = R.top; y < R.bottom; ++y)
      for (int x = R.left; x < R.right; ++x)
        if (At(x, y) != c) ++n;
    return n;
  }
  // The bounding box of the pixels that differ from c (empty when none).
  RECT InkBounds(COLORREF c) const {
    RECT r{W, H, 0, 0};
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (At(x, y) != c) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    if (r.right == 0) r = RECT{0, 0, 0, 0};
    return r;
  }

  int W, H;
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
  DWORD* bits = nullptr;
  std::unique_ptr<TCanvas> canvas;
  std::unique_ptr<TvxCanvas> vx;
};

}  // namespace zs_test
