#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "ImgList.h"
#include "ReferenceImage.h"
#include "TestSurface.h"
#include "vxBitmaps.h"
#include "vxGraphics.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);
constexpr COLORREF Green = RGB(0, 255, 0);

// A 10 x 10 tile whose every pixel has its own colour: (x * 20, y * 20, 77).
std::unique_ptr<TBitmap> MakeTile() {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) b->Canvas()->SetPixel(x, y, static_cast<TColor>(RGB(x * 20, y * 20, 77)));
  return b;
}

int FloorMod(int a, int b) { return ((a % b) + b) % b; }

TEST(CanvasDraw, ColourFillsAndSentinels) {
  TestSurface s(20, 20);
  s.vx->SetBrushColor(clRed);
  s.vx->FillRect(TRect{0, 0, 10, 10}, clNone);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 20}, White), 0);
  EXPECT_EQ(s.vx->Brush()->Color(), clRed);  // untouched
  s.vx->FillRect(TRect{0, 0, 10, 10}, clDefault);
  EXPECT_EQ(s.At(5, 5), Red);
  s.vx->FillRect(TRect{10, 10, 20, 20}, clBlue);
  EXPECT_EQ(s.At(15, 15), Blue);
  EXPECT_EQ(s.vx->Brush()->Color(), clBlue);
}

TEST(CanvasDraw, TilesAlignToTheLogicalOrigin) {
  auto tile = MakeTile();
  struct {
    const char* name;
    TPoint windowOrg;
    TRect fill;
  } cases[] = {
      {"positive", {0, 0}, {5, 5, 25, 25}},
      {"exact multiples", {0, 0}, {10, 0, 30, 20}},
      // Negative starts that are not multiples of the tile size still get their first
      // partial tile.
      {"negative start", {-30, -30}, {-25, -17, 3, 8}},
      {"negative, on tile edges", {-30, -30}, {-20, -10, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestSurface s(64, 64);
    s.vx->SetWindowOrg(c.windowOrg);
    s.vx->FillRect(c.fill, tile.get(), false);
    for (int dy = 0; dy < 64; ++dy)
      for (int dx = 0; dx < 64; ++dx) {
        const int lx = dx + c.windowOrg.x, ly = dy + c.windowOrg.y;
        const bool inside = lx >= c.fill.left && lx < c.fill.right && ly >= c.fill.top && ly < c.fill.bottom;
        const COLORREF expected = inside ? RGB(FloorMod(lx, 10) * 20, FloorMod(ly, 10) * 20, 77) : White;
        ASSERT_EQ(s.At(dx, dy), expected) << "logical " << lx << "," << ly;
      }
  }
  // With exclusion the filled rectangle leaves the clip region; an empty rectangle does
  // nothing, not even the exclusion.
  TestSurface s(30, 30);
  s.vx->FillRect(TRect{5, 5, 5, 20}, tile.get(), true);
  s.vx->FillRect(TRect{0, 0, 10, 10}, tile.get(), true);
  s.vx->SetBrushColor(clBlue);
  s.vx->FillRect(TRect{0, 0, 30, 30}, nullptr, false);
  EXPECT_EQ(s.At(3, 3), RGB(60, 60, 77));
  EXPECT_EQ(s.At(5, 15), Blue);
  EXPECT_EQ(s.At(20, 20), Blue);
}

TEST(CanvasDraw, FramesEdgesAndParams) {
  TestSurface s(40, 40);
  // A line wider than half the rectangle stays inside it.
  s.vx->FrameRect(TRect{5, 5, 15, 15}, clRed, 8);
  EXPECT_EQ(s.CountNot(RECT{5, 5, 15, 15}, Red), 0);
  EXPECT_EQ(s.At(4, 4), White);
  EXPECT_EQ(s.At(15, 15), White);
  // Only the chosen sides; with exclusion a later fill leaves the frame alone.
  s.Clear(White);
  s.vx->SaveClipRegion();
  s.vx->FrameRect(TRect{0, 0, 20, 20}, clRed, 2, TvxBorders{bLeft, bBottom}, true);
  s.vx->FillRect(TRect{0, 0, 40, 40}, clBlue);
  s.vx->RestoreClipRegion();
  EXPECT_EQ(s.At(0, 0), Red);
  EXPECT_EQ(s.At(1, 10), Red);
  EXPECT_EQ(s.At(10, 18), Red);
  EXPECT_EQ(s.At(10, 0), Blue);
  EXPECT_EQ(s.At(19, 10), Blue);

  // Complex frame: right/bottom colour owns the top-right and bottom-left corners.
  s.Clear(White);
  s.vx->DrawComplexFrame(TRect{0, 0, 10, 10}, clRed, clBlue, {}, 2);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 40, 40}, White), 0);
  s.vx->DrawComplexFrame(TRect{0, 0, 10, 10}, clRed, clBlue, vxBordersAll, 2);
  EXPECT_EQ(s.At(0, 0), Red);
  EXPECT_EQ(s.At(9, 0), Blue);
  EXPECT_EQ(s.At(0, 9), Blue);
  EXPECT_EQ(s.At(1, 5), Red);
  EXPECT_EQ(s.At(8, 5), Blue);
  EXPECT_EQ(s.At(5, 5), White);

  struct {
    bool sunken, outer;
    TColor lt, rb;
  } edges[] = {{true, true, clBtnShadow, clBtnHighlight},
               {true, false, cl3DDkShadow, cl3DLight},
               {false, true, cl3DLight, cl3DDkShadow},
               {false, false, clBtnHighlight, clBtnShadow}};
  for (const auto& e : edges) {
    s.Clear(RGB(1, 2, 3));
    s.vx->DrawEdge(TRect{2, 2, 12, 12}, e.sunken, e.outer);
    EXPECT_EQ(s.At(2, 5), ColorToRGB(e.lt)) << e.sunken << e.outer;
    EXPECT_EQ(s.At(5, 2), ColorToRGB(e.lt));
    EXPECT_EQ(s.At(11, 5), ColorToRGB(e.rb));
    EXPECT_EQ(s.At(5, 11), ColorToRGB(e.rb));
    EXPECT_EQ(s.At(5, 5), RGB(1, 2, 3));
  }

  // A view-params fill: frame, then the inside in the params' colour.
  s.Clear(White);
  TvxViewParams p;
  p.Color = clGreen;
  s.vx->FillRect(TRect{0, 0, 10, 10}, p, TvxBorders{bTop}, clRed, 3);
  EXPECT_EQ(s.At(5, 2), Red);
  EXPECT_EQ(s.At(5, 3), RGB(0, 128, 0));
  EXPECT_EQ(s.At(0, 9), RGB(0, 128, 0));
}

TEST(CanvasDraw, InvertingAndFocus) {
  TestSurface s(30, 30, RGB(10, 20, 30));
  s.vx->SetCopyMode(SRCPAINT);
  s.vx->InvertRect(TRect{0, 0, 5, 5});
  EXPECT_EQ(s.At(2, 2), RGB(245, 235, 225));
  EXPECT_EQ(s.vx->CopyMode(), static_cast<TCopyMode>(SRCCOPY));  // source copy afterwards
  // Frame corners are inverted once.
  s.Clear(RGB(10, 20, 30));
  s.vx->InvertFrame(TRect{10, 10, 20, 20}, 2);
  for (POINT p : {POINT{10, 10}, POINT{19, 10}, POINT{10, 19}, POINT{19, 19}, POINT{15, 11}, POINT{11, 15}})
    EXPECT_EQ(s.At(p.x, p.y), RGB(245, 235, 225)) << p.x << "," << p.y;
  EXPECT_EQ(s.At(15, 15), RGB(10, 20, 30));
  // Focus rectangle: a dotted XOR frame drawn twice leaves nothing.
  s.Clear(White);
  s.vx->DrawFocusRect(TRect{2, 2, 20, 20});
  EXPECT_GT(s.CountNot(RECT{0, 0, 30, 30}, White), 0);
  EXPECT_EQ(s.CountNot(RECT{3, 3, 19, 19}, White), 0);
  s.vx->DrawFocusRect(TRect{2, 2, 20, 20});
  EXPECT_EQ(s.CountNot(RECT{0, 0, 30, 30}, White), 0);
  s.vx->DrawDesignSelection(TRect{2, 2, 20, 20}, 2);
  EXPECT_GT(s.CountNot(RECT{3, 3, 19, 19}, White), 0);  // the second, inner rectangle
}

TEST(CanvasDraw, RegionsAndPies) {
  TestSurface s(40, 40);
  TvxRegion r(5, 5, 15, 15);
  s.vx->DrawRegion(&r, clBlue, clRed, 2, 1);
  EXPECT_EQ(s.At(5, 10), Red);
  EXPECT_EQ(s.At(6, 10), Red);
  EXPECT_EQ(s.At(7, 10), Blue);
  EXPECT_EQ(s.At(10, 5), Red);
  EXPECT_EQ(s.At(10, 6), Blue);
  EXPECT_EQ(s.At(4, 4), White);

  s.Clear(White);
  s.vx->Pie(TRect{0, 0, 30, 30}, 30, 0);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 40, 40}, White), 0);
  s.vx->SetBrushColor(clRed);
  s.vx->Pen()->SetColor(clRed);
  s.vx->Pie(TRect{0, 0, 30, 30}, 0, 360);  // the full pie
  EXPECT_EQ(s.At(15, 5), Red);
  EXPECT_EQ(s.At(5, 15), Red);
  EXPECT_EQ(s.At(25, 15), Red);
  s.Clear(White);
  s.vx->Pie(TRect{0, 0, 30, 30}, 0, 90);  // the upper right quarter
  EXPECT_EQ(s.At(22, 8), Red);
  EXPECT_EQ(s.At(8, 8), White);
  EXPECT_EQ(s.At(22, 22), White);
  s.vx->Pie(TRect{0, 0, 30, 0}, 0, 90);  // empty: nothing, no failure
}

TEST(CanvasDraw, RotationAndFlips) {
  // A 3 x 2 bitmap with a distinct colour per pixel.
  auto pixel = [](int x, int y) { return static_cast<TColor>(RGB(x * 50 + 10, y * 100 + 10, 5)); };
  struct {
    const char* name;
    TvxRotationAngle angle;
    bool flip;
    int w, h;
    // Where source pixel (x, y) lands.
    std::function<POINT(int, int)> to;
  } cases[] = {
      {"flip only", ra0, true, 3, 2, [](int x, int y) { return POINT{x, 1 - y}; }},
      {"plus 90", raPlus90, false, 2, 3, [](int x, int y) { return POINT{y, 2 - x}; }},
      {"plus 90 flipped", raPlus90, true, 2, 3, [](int x, int y) { return POINT{y, x}; }},
      {"minus 90", raMinus90, false, 2, 3, [](int x, int y) { return POINT{1 - y, x}; }},
      {"minus 90 flipped", raMinus90, true, 2, 3, [](int x, int y) { return POINT{1 - y, 2 - x}; }},
      {"180", ra180, false, 3, 2, [](int x, int y) { return POINT{2 - x, 1 - y}; }},
      {"180 flipped", ra180, true, 3, 2, [](int x, int y) { return POINT{2 - x, y}; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TvxBitmap b(3, 2, pf32bit);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) b.Canvas()->SetPixel(x, y, pixel(x, y));
    b.Rotate(c.angle, c.flip);
    ASSERT_EQ(b.Width(), c.w);
    ASSERT_EQ(b.Height(), c.h);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const POINT p = c.to(x, y);
        EXPECT_EQ(b.Canvas()->Pixel(p.x, p.y), pixel(x, y)) << x << "," << y;
      }
  }
  // The plus-90 rotation puts the source's top-right pixel at the top left.
  TvxBitmap b(3, 2, pf32bit);
  b.Canvas()->SetPixel(2, 0, clRed);
  b.Rotate(raPlus90);
  EXPECT_EQ(b.Canvas()->Pixel(0, 0), clRed);
  // No rotation and no flip: nothing.
  b.Rotate(ra0, false);
  EXPECT_EQ(b.Width(), 2);
  TestSurface s;
  TvxBitmap m(3, 1, pf32bit);
  m.Canvas()->SetPixel(0, 0, clRed);
  s.vx->FlipHorizontally(&m);
  EXPECT_EQ(m.Canvas()->Pixel(2, 0), clRed);
}

TEST(CanvasDraw, GlyphsImagesAndTransparency) {
  // A glyph whose bottom-left pixel colour (fuchsia) is transparent.
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(8, 8);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(RECT{0, 0, 8, 8});
  glyph.Canvas()->Brush()->SetColor(clBlack);
  glyph.Canvas()->FillRect(RECT{2, 2, 6, 6});
  TestSurface s(30, 30, RGB(1, 2, 3));
  s.vx->DrawGlyph(4, 4, &glyph);  // no background: the canvas shows through
  EXPECT_EQ(s.At(4, 4), RGB(1, 2, 3));
  EXPECT_EQ(s.At(7, 7), RGB(0, 0, 0));
  EXPECT_EQ(s.vx->Brush()->Style(), bsSolid);
  s.vx->DrawGlyph(14, 4, &glyph, true, clLime);
  EXPECT_EQ(s.At(14, 4), Green);
  EXPECT_EQ(s.At(17, 7), RGB(0, 0, 0));
  // Disabled: the image-list look, never the plain glyph.
  s.Clear(White);
  s.vx->DrawGlyph(4, 4, &glyph, false, clWhite);
  EXPECT_NE(s.At(7, 7), RGB(0, 0, 0));
  EXPECT_EQ(s.At(4, 4), White);
  EXPECT_GT(s.CountNot(RECT{4, 4, 12, 12}, White), 0);

  // Image-list drawing: invalid indexes draw nothing and leave the DC stack alone.
  TCustomImageList images(8, 8);
  images.AddMasked(&glyph, clFuchsia);
  s.Clear(White);
  for (int index : {-1, 1}) {
    s.vx->DrawImage(&images, 0, 0, index);
    EXPECT_EQ(s.vx->SavedDCCount(), 0);
  }
  EXPECT_EQ(s.CountNot(RECT{0, 0, 30, 30}, White), 0);
  s.vx->DrawImage(&images, 0, 0, 0);
  EXPECT_EQ(s.At(3, 3), RGB(0, 0, 0));
  EXPECT_EQ(s.At(0, 0), White);
  EXPECT_EQ(s.vx->SavedDCCount(), 0);

  // Constant-alpha drawing over the canvas or a given background.
  TBitmap red;
  red.SetPixelFormat(pf32bit);
  red.SetSize(4, 4);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(RECT{0, 0, 4, 4});
  const TvxAlphaBlendFunc saved = vxAlphaBlendFunc;
  for (bool software : {false, true}) {
    SCOPED_TRACE(software ? "software" : "system");
    if (software) vxAlphaBlendFunc = nullptr;
    s.Clear(Blue);
    s.vx->TransparentDraw(0, 0, &red, 255);
    EXPECT_EQ(s.At(1, 1), Red);
    s.vx->TransparentDraw(10, 0, &red, 0);
    EXPECT_EQ(s.At(11, 1), Blue);
    s.vx->TransparentDraw(20, 0, &red, 128);
    EXPECT_NEAR(GetRValue(s.At(21, 1)), 128, 1);
    EXPECT_NEAR(GetBValue(s.At(21, 1)), 127, 1);
    TBitmap green;
    green.SetPixelFormat(pf32bit);
    green.SetSize(4, 4);
    green.Canvas()->Brush()->SetColor(clLime);
    green.Canvas()->FillRect(RECT{0, 0, 4, 4});
    s.vx->TransparentDraw(0, 10, &red, 0, &green);
    EXPECT_EQ(s.At(1, 11), Green);
    vxAlphaBlendFunc = saved;
  }
}

TEST(CanvasDraw, HalftoneArrowsAndLightColours) {
  TestSurface s(40, 60, RGB(9, 9, 9));
  SetBkColor(s.dc, RGB(7, 7, 7));
  vxFillHalftone(s.canvas.get(), TRect{0, 0, 8, 8}, clRed, clBlue);
  EXPECT_NE(s.At(0, 0), s.At(1, 0));
  EXPECT_EQ(s.At(0, 0), s.At(1, 1));
  for (COLORREF c : {s.At(0, 0), s.At(1, 0)}) EXPECT_TRUE(c == Red || c == Blue);
  EXPECT_EQ(GetBkColor(s.dc), RGB(7, 7, 7));  // restored

  // Side 0 on (10, 10, 20, 50): a downward arrow with its tip at (10, 9) and an upward
  // one with its tip at (10, 50).
  s.Clear(White);
  vxDrawInsertArrows(s.canvas.get(), TRect{10, 10, 20, 50}, 0, clDefault, clRed);
  EXPECT_EQ(s.At(10, 9), RGB(0, 255, 255));  // the inverse of red outlines
  EXPECT_EQ(s.At(10, 5), Red);
  EXPECT_EQ(s.At(10, 50), RGB(0, 255, 255));
  EXPECT_EQ(s.At(10, 54), Red);
  EXPECT_EQ(s.At(10, 30), White);
  EXPECT_EQ(s.At(10, 10), White);

  // Light colours: mixed from face, highlight and window, or the highlight colour.
  const COLORREF face = ColorToRGB(clBtnFace), high = ColorToRGB(clHighlight), window = ColorToRGB(clWindow);
  auto mix = [&](int p1, int p2, int p3, int shift) {
    auto ch = [&](COLORREF c) { return (c >> shift) & 0xFF; };
    return std::clamp<int>(MulDiv(ch(face), p1, 100) + MulDiv(ch(high), p2, 100) + MulDiv(ch(window), p3, 100), 0, 255);
  };
  if (face != 0 && face != 0xFFFFFF) {
    EXPECT_EQ(GetRValue(vxGetLightHotColor()), mix(-2, 30, 72, 0));
    EXPECT_EQ(GetBValue(vxGetLightPressedColor()), mix(14, 44, 40, 16));
  }
  const DWORD saved = GetSysColor(COLOR_BTNFACE);
  const INT index = COLOR_BTNFACE;
  const COLORREF white = RGB(255, 255, 255);
  SetSysColors(1, &index, &white);
  EXPECT_EQ(static_cast<COLORREF>(vxGetLightHotColor()), ColorToRGB(clHighlight));
  SetSysColors(1, &index, &saved);
}

// The canvas drawing operations side by side, kept as a reference image.
TEST(CanvasDraw, ReferenceImageOfFramesEdgesAndFills) {
  TestSurface s(96, 64, RGB(192, 192, 192));
  TvxCanvas& c = *s.vx;
  auto tile = MakeTile();
  c.FillRect(TRect{2, 2, 30, 30}, tile.get());
  c.FrameRect(TRect{34, 2, 62, 30}, clNavy, 3);
  c.DrawComplexFrame(TRect{66, 2, 94, 30}, clWhite, clGray, vxBordersAll, 2);
  c.DrawEdge(TRect{2, 34, 30, 62}, true, true);
  c.DrawEdge(TRect{3, 35, 29, 61}, true, false);
  c.DrawEdge(TRect{34, 34, 62, 62}, false, true);
  c.DrawEdge(TRect{35, 35, 61, 61}, false, false);
  c.SetBrushColor(clMaroon);
  c.Pen()->SetColor(clBlack);
  c.Pie(TRect{66, 34, 94, 62}, 45, 270);
  zs_test::ExpectMatchesReference(L"canvas_frames_edges_fills", s.W, s.H, s.Pixels());
}

}  // namespace

namespace {

TEST(ColorNames, WebThenSystemKeywords) {
  const auto& table = vxGetColorInfos();
  ASSERT_EQ(table.size(), 169u);
  EXPECT_EQ(table[0].Name, L"aliceblue");
  EXPECT_EQ(table[0].Color, static_cast<TColor>(RGB(0xF0, 0xF8, 0xFF)));
  EXPECT_EQ(table[140].Name, L"yellowgreen");
  EXPECT_EQ(table[141].Name, L"activeborder");
  EXPECT_EQ(table[168].Name, L"windowtext");
  EXPECT_EQ(table[168].Color, clWindowText);
  for (size_t i = 1; i < 141; ++i) EXPECT_LT(table[i - 1].Name, table[i].Name);
  auto find = [&](const wchar_t* name) {
    for (const auto& c : table)
      if (c.Name == name) return c.Color;
    return clNone;
  };
  EXPECT_EQ(find(L"lightgrey"), static_cast<TColor>(RGB(0xD3, 0xD3, 0xD3)));
  EXPECT_EQ(find(L"lightgray"), clNone);
  EXPECT_EQ(find(L"darkgray"), static_cast<TColor>(RGB(0xA9, 0xA9, 0xA9)));
  EXPECT_EQ(find(L"coral"), static_cast<TColor>(RGB(0xFF, 0x7F, 0x50)));
  EXPECT_EQ(find(L"buttonface"), clBtnFace);
  EXPECT_EQ(find(L"threedhighlight"), clBtnHighlight);
}

}  // namespace

}  // namespace ZS_UNITY_ID
