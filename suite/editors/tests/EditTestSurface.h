// A 32-bit top-down DIB selected into a memory DC, wrapped by a platform canvas and a
// suite canvas, so that painting tests read back real pixels.
#pragma once

#include <windows.h>

#include <memory>

#include "Graphics.h"
#include "vxGraphics.h"

namespace zs_edit_test {

class Surface {
 public:
  explicit Surface(int w = 64, int h = 64, COLORREF background = RGB(255, 255, 255)) : W(w), H(h) {
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
  ~Surface() {
    vx.reset();
    canvas.reset();
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  void Clear(COLORREF c) {
    GdiFlush();
    const DWORD v = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    for (int i = 0; i < W * H; ++i) bits[i] = v;
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    const DWORD v = bits[y * W + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // The pixels that differ from c inside R.
  int CountNot(const RECT& R, COLORREF c) const {
    int n = 0;
    for (int y = R.top; y < R.bottom; ++y)
      for (int x = R.left; x < R.right; ++x)
        if (At(x, y) != c) ++n;
    return n;
  }
  int W, H;
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  DWORD* bits = nullptr;
  std::unique_ptr<TCanvas> canvas;
  std::unique_ptr<TvxCanvas> vx;
};

}  // namespace zs_edit_test
