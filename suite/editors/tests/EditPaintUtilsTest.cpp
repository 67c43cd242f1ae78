#include <gtest/gtest.h>

#include "EditTestSurface.h"
#include "vxDrawTextUtils.h"
#include "vxEditPaintUtils.h"

using zs_edit_test::Surface;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);

TColor Rgb(Cardinal i) { return static_cast<TColor>(0x010000 + i); }

TEST(SolidBrushCache, FetchesCountHitsAndEvictTheLeastUsedSmallestColour) {
  TvxSolidBrushCache cache(4);
  HBRUSH b1 = cache.GetBrush(Rgb(1));
  EXPECT_EQ(cache.CountOf(Rgb(1)), 0);  // a new colour starts at 0
  EXPECT_EQ(cache.GetBrush(Rgb(1)), b1);
  EXPECT_EQ(cache.CountOf(Rgb(1)), 1);
  LOGBRUSH lb{};
  ASSERT_EQ(GetObjectW(b1, sizeof(lb), &lb), static_cast<int>(sizeof(lb)));
  EXPECT_EQ(lb.lbColor, static_cast<COLORREF>(ColorToRGB(Rgb(1))));
  // Fill up; 4 and 3 keep count 0, 2 gets a hit.
  cache.GetBrush(Rgb(4));
  cache.GetBrush(Rgb(3));
  cache.GetBrush(Rgb(2));
  cache.GetBrush(Rgb(2));
  EXPECT_EQ(cache.Depth(), 4);
  // The fifth colour evicts colour 3: count 0 like 4, but smaller.
  cache.GetBrush(Rgb(5));
  EXPECT_EQ(cache.Depth(), 4);
  EXPECT_EQ(cache.CountOf(Rgb(3)), -1);
  EXPECT_EQ(cache.CountOf(Rgb(4)), 0);
  EXPECT_EQ(cache.CountOf(Rgb(5)), 0);
  EXPECT_EQ(cache.CountOf(Rgb(1)), 1);
  cache.Clear();
  EXPECT_EQ(cache.Depth(), 0);
}

TEST(SolidBrushCache, SystemColoursBypassTheCache) {
  TvxSolidBrushCache* cache = vxSolidBrushCache();
  ASSERT_NE(cache, nullptr);
  cache->Clear();
  EXPECT_EQ(GetCachedSolidBrush(clBtnFace), GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(GetCachedSolidBrush(static_cast<TColor>(0xFF00001E)), GetSysColorBrush(30));
  EXPECT_EQ(cache->Depth(), 0);
  // One above the table is cached like an RGB value.
  GetCachedSolidBrush(static_cast<TColor>(0xFF00001F));
  EXPECT_EQ(cache->Depth(), 1);
  EXPECT_EQ(cache->CountOf(static_cast<TColor>(0xFF00001F)), 0);
  cache->Clear();
}

TEST(SolidBrushCache, BrushHeldUnderALockSurvivesEvictionAndClear) {
  TvxSolidBrushCache* cache = vxSolidBrushCache();
  cache->Clear();
  HBRUSH held;
  {
    TvxBrushCacheLock lock;
    held = GetCachedSolidBrush(Rgb(0));
    for (Cardinal i = 1; i <= 200; ++i) GetCachedSolidBrush(Rgb(i)), GetCachedSolidBrush(Rgb(i));
    EXPECT_EQ(cache->CountOf(Rgb(0)), -1);                          // evicted ...
    EXPECT_EQ(GetObjectType(held), static_cast<DWORD>(OBJ_BRUSH));  // ... but still usable
    cache->SystemPaletteChanged();
    EXPECT_EQ(cache->Depth(), 0);
    EXPECT_EQ(GetObjectType(held), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_GT(cache->ParkedCount(), 128);
  }
  EXPECT_EQ(cache->ParkedCount(), 0);
  EXPECT_EQ(GetObjectType(held), 0u);  // deleted once nobody holds it
  // Without a lock an evicted brush goes at once.
  HBRUSH b = GetCachedSolidBrush(Rgb(7));
  cache->Clear();
  EXPECT_EQ(GetObjectType(b), 0u);
}

TEST(SolidBrushCache, SystemColourChangeBroadcastClearsIt) {
  TvxSolidBrushCache* cache = vxSolidBrushCache();
  GetCachedSolidBrush(Rgb(9));
  ASSERT_GT(cache->Depth(), 0);
  SendMessageW(HWND_BROADCAST, WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(cache->Depth(), 0);
}

TEST(EditPaintUtils, ArrowSizes) {
  struct Case {
    TSize In;
    TvxArrowDirection Dir;
    TSize Out;
  } cases[] = {
      {{16, 16}, adUp, {7, 4}},    {{15, 20}, adDown, {7, 4}}, {{16, 16}, adLeft, {4, 7}},
      {{20, 15}, adRight, {4, 7}}, {{11, 11}, adUp, {5, 3}},   {{9, 30}, adDown, {5, 3}},
  };
  for (const Case& c : cases) {
    TSize s = CalculateArrowSize(c.In, c.Dir);
    EXPECT_EQ(s.cx, c.Out.cx) << c.In.cx << "x" << c.In.cy;
    EXPECT_EQ(s.cy, c.Out.cy) << c.In.cx << "x" << c.In.cy;
  }
}

TEST(EditPaintUtils, ArrowsArePaintedAsStripsCentredInTheRect) {
  Surface s(32, 32);
  // Size 4 up: 7 wide, 4 high, centred in (0,0,17,14) -> left 5, top 5.
  DrawEditArrow(s.vx.get(), 4, TRect{0, 0, 17, 14}, clBlack, false, false, adUp);
  EXPECT_EQ(s.At(8, 5), RGB(0, 0, 0));  // the tip
  EXPECT_EQ(s.At(7, 5), White);
  EXPECT_EQ(s.At(5, 8), RGB(0, 0, 0));  // the base row spans 7 pixels
  EXPECT_EQ(s.At(11, 8), RGB(0, 0, 0));
  EXPECT_EQ(s.At(4, 8), White);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 32, 32}, White), 1 + 3 + 5 + 7);

  s.Clear(White);
  // Double arrow pointing right with the content offset: 8 deep, 7 across, moved (1,1).
  DrawEditArrow(s.vx.get(), 4, TRect{0, 0, 16, 16}, clBlack, true, true, adRight);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 32, 32}, White), 2 * 16);
  EXPECT_EQ(s.At(4 + 1, 4 + 1), RGB(0, 0, 0));  // full column of the first arrow
  EXPECT_EQ(s.At(4 + 1, 10 + 1), RGB(0, 0, 0));
  EXPECT_EQ(s.At(11 + 1, 7 + 1), RGB(0, 0, 0));  // the tip of the second
  EXPECT_EQ(s.At(11 + 1, 6 + 1), White);
}

TEST(EditPaintUtils, FramesBordersAndPolylines) {
  Surface s(20, 20);
  TRect r{2, 2, 12, 12};
  DrawEditButtonBorder(s.vx.get(), r, TvxBorders{bLeft, bBottom}, clRed);
  EXPECT_PRED2(vxRectSame, r, (TRect{3, 2, 12, 11}));
  EXPECT_EQ(s.At(2, 5), RGB(255, 0, 0));
  EXPECT_EQ(s.At(6, 11), RGB(255, 0, 0));
  EXPECT_EQ(s.At(11, 5), White);

  s.Clear(White);
  r = TRect{1, 1, 9, 9};
  DrawButtonFrame3D(s.vx.get(), r, clWhite, clBlack);
  EXPECT_PRED2(vxRectSame, r, (TRect{2, 2, 8, 8}));
  EXPECT_EQ(s.At(8, 4), RGB(0, 0, 0));
  EXPECT_EQ(s.At(4, 8), RGB(0, 0, 0));
  r = TRect{10, 10, 14, 14};
  DrawButtonFrame(s.vx.get(), r, clBlue);
  EXPECT_PRED2(vxRectSame, r, (TRect{11, 11, 13, 13}));
  EXPECT_EQ(s.At(13, 12), RGB(0, 0, 255));
  EXPECT_EQ(s.At(12, 12), White);

  for (bool fill : {false, true}) {
    s.Clear(White);
    DrawEditPolyline(s.vx.get(), {TPoint{2, 2}, TPoint{2, 8}, TPoint{9, 8}}, clGreen, fill);
    const COLORREF g = static_cast<COLORREF>(ColorToRGB(clGreen));
    EXPECT_EQ(s.At(2, 2), g) << fill;
    EXPECT_EQ(s.At(9, 8), g) << fill;  // the end point is included
    EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 20}, White), 7 + 7) << fill;
  }
}

TEST(EditPaintUtils, FillRectExceptInnerLeavesTheInnerRect) {
  Surface s(20, 20);
  HBRUSH red = GetCachedSolidBrush(clRed);
  FillRectExceptInner(s.vx.get(), TRect{0, 0, 10, 10}, TRect{0, 0, 10, 10}, red);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 20}, White), 0);
  FillRectExceptInner(s.vx.get(), TRect{0, 0, 10, 10}, TRect{3, 3, 6, 7}, red);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 20}, White), 100 - 12);
  EXPECT_EQ(s.At(4, 4), White);
  s.Clear(White);
  FillRectExceptInner(s.vx.get(), TRect{0, 0, 10, 10}, TRect{}, red);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 20}, White), 100);
  s.Clear(White);
  FillRectWithColor(s.vx.get(), TRect{0, 0, 5, 5}, clNone);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 20}, White), 0);
}

TEST(EditPaintUtils, TextFlagsMapByMeaning) {
  struct Case {
    Integer TextOut;
    UINT DrawText;
  } cases[] = {
      {vxtoLeft | vxtoTop, DT_LEFT | DT_TOP},
      {vxtoCenterX, DT_CENTER},
      {vxtoRight, DT_RIGHT},
      {vxtoCenterY | vxtoSingleLine, DT_VCENTER | DT_SINGLELINE},
      {vxtoBottom | vxtoWordBreak, DT_BOTTOM | DT_WORDBREAK},
      {vxtoExpandTabs | vxtoEndEllipsis | vxtoEditControl, DT_EXPANDTABS | DT_END_ELLIPSIS | DT_EDITCONTROL},
      {vxtoNoClip | vxtoCalcRect | vxtoExternalLeading, DT_NOCLIP | DT_CALCRECT | DT_EXTERNALLEADING},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConvertTextOutFlags(c.TextOut), c.DrawText) << std::hex << c.TextOut;
    EXPECT_EQ(ConvertDrawTextFlags(c.DrawText), c.TextOut) << std::hex << c.DrawText;
  }
  // Justified and distributed alignments have no DrawText counterpart.
  EXPECT_EQ(ConvertTextOutFlags(vxtoJustifyX | vxtoDistributeY), 0u);
  EXPECT_EQ(ConvertTextOutFlags(vxtoCharBreak | vxtoAutoIndents), 0u);
}

TEST(EditPaintUtils, SmallRules) {
  EXPECT_TRUE(IsDigitCharacter(L'0'));
  EXPECT_TRUE(IsDigitCharacter(L'9'));
  EXPECT_FALSE(IsDigitCharacter(L'a'));
  EXPECT_FALSE(IsDigitCharacter(L'\xFF11'));  // a full-width digit is not one
  TBitmap empty;
  EXPECT_FALSE(IsBitmapUsable(nullptr));
  EXPECT_FALSE(IsBitmapUsable(&empty));
  TBitmap one(1, 1);
  EXPECT_TRUE(IsBitmapUsable(&one));
  EXPECT_EQ(ButtonsContentVerticalOffset(nullptr, 0, false), 0);
  EXPECT_EQ(ButtonsContentVerticalOffset(nullptr, 1, false), 4);
  EXPECT_EQ(ButtonsContentVerticalOffset(nullptr, 6, false), 2);
  EXPECT_EQ(GetEditButtonPainterClass(false, lfFlat), TvxFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(GetEditButtonPainterClass(false, lfOffice11), TvxOffice11LookAndFeelPainter::Instance());
  EXPECT_EQ(GetEditHighlightColor(false), clHighlight);
  EXPECT_EQ(GetFlatButtonBorderColor(true, false),
            TvxUltraFlatLookAndFeelPainter::Instance()->ButtonColor(vxbsPressed));
}

TEST(EditPaintUtils, GlyphsDrawWithTransparencyEnabledAndDisabled) {
  TBitmap glyph(4, 4);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(RECT{0, 0, 4, 4});
  glyph.Canvas()->Brush()->SetColor(clBlack);
  glyph.Canvas()->FillRect(RECT{1, 1, 3, 3});
  glyph.SetTransparentColor(clFuchsia);
  Surface s(16, 16);
  DrawGlyphOnCanvas(s.vx.get(), 2, 2, &glyph, true, clNone, nullptr);
  EXPECT_EQ(s.At(2, 2), White);  // transparent corner
  EXPECT_EQ(s.At(3, 3), RGB(0, 0, 0));
  s.Clear(White);
  DrawGlyphOnCanvas(s.vx.get(), 2, 2, &glyph, false, clYellow, nullptr);
  EXPECT_EQ(s.At(2, 2), static_cast<COLORREF>(ColorToRGB(clYellow)));
  EXPECT_NE(s.At(3, 3), RGB(0, 0, 0));  // disabled look, not the plain glyph
}

}  // namespace

#include "vxEdit.h"

namespace ZS_UNITY_ID {

namespace {

TEST(EditPaintUtils, ButtonWidths) {
  zs_edit_test::Surface s(8, 8);
  const Integer scroll = GetSystemMetrics(SM_CYHSCROLL);
  TvxEditButtonViewInfo b;
  b.Data.Kind = bkDown;
  EXPECT_EQ(CalculateEditButtonWidth(s.vx.get(), &b), scroll);  // never below the scroll bar height
  b.Width = 2;
  EXPECT_EQ(CalculateEditButtonWidth(s.vx.get(), &b), 4);  // the margins at least
  b.Width = 30;
  EXPECT_EQ(CalculateEditButtonWidth(s.vx.get(), &b), 30);
  b.Width = 0;
  b.Data.Kind = bkText;
  b.Data.VisibleCaption = L"A rather long caption";
  EXPECT_EQ(CalculateEditButtonWidth(s.vx.get(), &b), 4 + s.vx->TextWidth(b.Data.VisibleCaption) + 3);
  TBitmap glyph(40, 8);
  b.Data.Kind = bkGlyph;
  b.Glyph = &glyph;
  EXPECT_EQ(CalculateEditButtonWidth(s.vx.get(), &b), 44);
}

TEST(EditButtonViewInfo, UpdateRegionAndRepaintFollowTheLook) {
  TvxEditButtonViewInfo a, b;
  a.Bounds = b.Bounds = TRect{10, 2, 26, 18};
  std::unique_ptr<TvxRegion> r = a.GetUpdateRegion(&b);
  EXPECT_TRUE(r->IsEmpty());
  b.Data.State = ebsSelected;
  r = a.GetUpdateRegion(&b);
  EXPECT_PRED2(vxRectSame, r->BoundsRect(), a.Bounds);
  a.Assign(&b);
  EXPECT_TRUE(a.GetUpdateRegion(&b)->IsEmpty());
  EXPECT_FALSE(a.Repaint(nullptr, &b, TPoint{0, 0}));
}

}  // namespace

namespace {

TEST(EditPaintUtils, BorderWidthsAndButtons) {
  struct Case {
    TvxEditBorderStyle Style;
    Integer WithPainter, Without;
  } cases[] = {{ebsNone, 0, 0}, {ebsSingle, 1, 1},    {ebsThick, 2, 2},   {ebsFlat, 1, 2},
               {ebs3D, 1, 2},   {ebsUltraFlat, 1, 1}, {ebsOffice11, 1, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(GetEditBorderWidth(c.Style, TvxFlatLookAndFeelPainter::Instance()), c.WithPainter) << int(c.Style);
    EXPECT_EQ(GetEditBorderWidth(c.Style, nullptr), c.Without) << int(c.Style);
  }
  TvxCustomEditProperties p(nullptr);
  EXPECT_FALSE(PropertiesHaveButtons(&p, true));
  p.Buttons()->Add();
  EXPECT_TRUE(PropertiesHaveButtons(&p, true));
  EXPECT_FALSE(PropertiesHaveButtons(&p, false));
}

}  // namespace

}  // namespace ZS_UNITY_ID
