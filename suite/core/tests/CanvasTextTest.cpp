#include <gtest/gtest.h>

#include "TestSurface.h"
#include "vxGraphics.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);

// A fixed font without smoothing, so that two renderings of the same text match exactly.
void UseTestFont(TFont* AFont) {
  AFont->SetName(L"Tahoma");
  AFont->SetHeight(-13);
  AFont->SetQuality(fqNonAntialiased);
  AFont->SetColor(clBlack);
}

// Writes Text with ExtTextOut at (X, Y) onto a surface in the canvas's font and colour.
void Reference(TestSurface& ref, TestSurface& from, const String& Text, int X, int Y, COLORREF Color,
               const RECT* clip = nullptr) {
  HGDIOBJ oldFont = SelectObject(ref.dc, from.vx->Font()->Handle());
  SetTextColor(ref.dc, Color);
  SetBkMode(ref.dc, TRANSPARENT);
  ExtTextOutW(ref.dc, X, Y, clip ? ETO_CLIPPED : 0, clip, Text.c_str(), static_cast<UINT>(Text.size()), nullptr);
  SelectObject(ref.dc, oldFont);
}

TEST(CanvasText, FlagsToDrawTextFlags) {
  struct {
    Integer flags;
    Cardinal expected;
  } cases[] = {
      {0, DT_NOPREFIX},
      {vxtfLeft | vxtfTop, DT_NOPREFIX},
      {vxtfRight | vxtfBottom, DT_NOPREFIX | DT_RIGHT | DT_BOTTOM},
      {vxtfCenterX | vxtfCenterY | vxtfSingleLine, DT_NOPREFIX | DT_CENTER | DT_VCENTER | DT_SINGLELINE},
      {vxtfNoClip | vxtfExpandTabs, DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS},
      {vxtfShowPrefix, 0},
      {vxtfWordBreak, DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL},
      {vxtfWordBreak | vxtfDontBreakChars, DT_NOPREFIX | DT_WORDBREAK},
      {vxtfWordBreak | vxtfDontBreakChars | vxtfNoFullWidthCharBreak,
       DT_NOPREFIX | DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK},
      {vxtfNoFullWidthCharBreak | vxtfDontBreakChars, DT_NOPREFIX},
      {vxtfEndEllipsis | vxtfCalcRect | vxtfPathEllipsis, DT_NOPREFIX | DT_END_ELLIPSIS | DT_CALCRECT | DT_PATH_ELLIPSIS},
  };
  for (const auto& c : cases) EXPECT_EQ(vxTextFlagsToDrawTextFlags(c.flags), c.expected) << std::hex << c.flags;
}

TEST(CanvasText, SingleLinePlacementMatchesExtTextOut) {
  TestSurface s(120, 40);
  UseTestFont(s.vx->Font());
  const String text = L"abc";
  const TSize size = s.vx->TextExtent(text);
  ASSERT_GT(size.cx, 0);
  const TRect r{7, 3, 100, 35};
  struct {
    const char* name;
    Integer flags;
    int x, y;
  } cases[] = {
      {"left top", vxtfSingleLine | vxtfLeft | vxtfTop, 7, 3},
      {"centred", vxtfSingleLine | vxtfCenterX | vxtfCenterY, (7 + 100 - size.cx) / 2, (3 + 35 - size.cy) / 2},
      {"right bottom", vxtfSingleLine | vxtfRight | vxtfBottom, 100 - size.cx, 35 - size.cy},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    s.Clear(White);
    s.vx->DrawTexT(text, r, c.flags, true);
    TestSurface ref(120, 40);
    UseTestFont(ref.vx->Font());
    Reference(ref, s, text, c.x, c.y, Black);
    EXPECT_EQ(s.Pixels(), ref.Pixels());
    EXPECT_GT(s.CountNot(RECT{0, 0, 120, 40}, White), 0);
  }
}

TEST(CanvasText, TextThatDoesNotFitIsClipped) {
  TestSurface s(120, 30);
  UseTestFont(s.vx->Font());
  const String text = L"WWWWWWWW";
  const TRect r{5, 5, 25, 25};
  s.vx->DrawTexT(text, r, vxtfSingleLine | vxtfLeft | vxtfTop, true);
  EXPECT_GT(s.CountNot(RECT{5, 5, 25, 25}, White), 0);
  EXPECT_EQ(s.CountNot(RECT{25, 0, 120, 30}, White), 0);
  // The same text through DrawText (end ellipsis) is clipped too.
  s.Clear(White);
  s.vx->DrawTexT(text, TRect{5, 5, 25, 25}, vxtfSingleLine | vxtfLeft | vxtfTop | vxtfPathEllipsis, true);
  EXPECT_EQ(s.CountNot(RECT{25, 0, 120, 30}, White), 0);
}

TEST(CanvasText, DisabledTextIsEngraved) {
  TestSurface s(80, 30);
  UseTestFont(s.vx->Font());
  s.vx->Font()->SetColor(clRed);
  const TBrushStyle styleBefore = s.vx->Brush()->Style();
  const String text = L"Ag";
  const TRect r{4, 4, 70, 26};
  s.vx->DrawTexT(text, r, vxtfSingleLine | vxtfLeft | vxtfTop, false);
  TestSurface ref(80, 30);
  UseTestFont(ref.vx->Font());
  RECT hi{5, 5, 70, 26}, sh{4, 4, 69, 25};
  Reference(ref, s, text, 5, 5, ColorToRGB(clBtnHighlight), &hi);
  Reference(ref, s, text, 4, 4, ColorToRGB(clBtnShadow), &sh);
  EXPECT_EQ(s.Pixels(), ref.Pixels());
  // Brush style and font colour are back.
  EXPECT_EQ(s.vx->Brush()->Style(), styleBefore);
  EXPECT_EQ(s.vx->Font()->Color(), clRed);
}

TEST(CanvasText, DrawTextPathForEllipsisAndMultiLine) {
  TestSurface s(100, 60);
  UseTestFont(s.vx->Font());
  // Multi-line, bottom-aligned: the text block ends at the rectangle's bottom.
  const String text = L"aa bb cc";
  const TRect r{0, 0, 30, 58};
  s.vx->DrawTexT(text, r, vxtfWordBreak | vxtfLeft | vxtfBottom, true);
  TRect m{0, 0, 30, 0};
  s.vx->TextExtent(text, m, vxtfWordBreak | vxtfLeft | vxtfTop);
  const RECT ink = s.InkBounds(White);
  EXPECT_GT(m.bottom - m.top, s.vx->TextHeight(L"Wg"));  // wraps
  EXPECT_GE(ink.top, 58 - (m.bottom - m.top));
  EXPECT_LE(ink.bottom, 58);
  // The overloaded form maps its arguments to the same bits.
  TestSurface t(100, 60);
  UseTestFont(t.vx->Font());
  t.vx->DrawTexT(text, r, taLeftJustify, vaBottom, true, false);
  EXPECT_EQ(s.Pixels(), t.Pixels());
  // Empty text draws nothing.
  t.Clear(White);
  t.vx->DrawTexT(L"", r, taLeftJustify, vaTop, false, false);
  EXPECT_EQ(t.CountNot(RECT{0, 0, 100, 60}, White), 0);
}

TEST(CanvasText, MeasuringInARectangle) {
  TestSurface s;
  UseTestFont(s.vx->Font());
  const Integer line = s.vx->TextHeight(L"Wg");
  // Width 0: measured at one pixel, one word per line when characters are not broken,
  // else words are broken too.
  TRect r{10, 10, 10, 10};
  s.vx->TextExtent(L"aa bb cc", r, vxtfWordBreak | vxtfDontBreakChars);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.bottom - r.top, 3 * line);
  r = TRect{10, 10, 10, 10};
  s.vx->TextExtent(L"aa bb cc", r, vxtfWordBreak);
  EXPECT_GT(r.bottom - r.top, 3 * line);
  // Placement inside the given rectangle by the alignment bits.
  const TSize one = s.vx->TextExtent(L"abc");
  struct {
    const char* name;
    Integer flags;
    TRect expected;
  } cases[] = {
      {"left", vxtfSingleLine, {0, 0, one.cx, one.cy}},
      {"right", vxtfSingleLine | vxtfRight, {100 - one.cx, 0, 100, one.cy}},
      {"centre", vxtfSingleLine | vxtfCenterX | vxtfCenterY,
       {(100 - one.cx) / 2, (40 - one.cy) / 2, (100 - one.cx) / 2 + one.cx, (40 - one.cy) / 2 + one.cy}},
      {"bottom", vxtfSingleLine | vxtfBottom, {0, 40 - one.cy, one.cx, 40}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRect m{0, 0, 100, 40};
    s.vx->TextExtent(L"abc", m, c.flags);
    EXPECT_EQ(m.left, c.expected.left);
    EXPECT_EQ(m.top, c.expected.top);
    EXPECT_EQ(m.right, c.expected.right);
    EXPECT_EQ(m.bottom, c.expected.bottom);
  }
}

TEST(CanvasText, VerticalAlignmentOfMultiLineText) {
  TestSurface s;
  UseTestFont(s.vx->Font());
  const Integer h = s.vx->TextHeight(L"Wg");
  // With end ellipsis and word break the text fills whole lines of the height.
  TRect r{0, 0, 50, 2 * h + 1};
  s.vx->AlignMultiLineTextRectVertically(r, L"one two three four five six", vaBottom, true, false, true, false, true);
  EXPECT_EQ(r.top, 1);
  // Disabled: one pixel less height, and the block ends one pixel higher.
  r = TRect{0, 0, 50, 2 * h + 1};
  s.vx->AlignMultiLineTextRectVertically(r, L"one two three four five six", vaBottom, true, false, false, false, true);
  EXPECT_EQ(r.top, 0);
  // Without the ellipsis the text is measured: one line, centred.
  r = TRect{0, 10, 200, 10 + 3 * h};
  s.vx->AlignMultiLineTextRectVertically(r, L"short", vaCenter, true, false);
  EXPECT_EQ(r.top, (10 + 10 + 3 * h - h) / 2);
  r = TRect{0, 10, 200, 50};
  s.vx->AlignMultiLineTextRectVertically(r, L"short", vaTop, true, false);
  EXPECT_EQ(r.top, 10);
}

TEST(CanvasText, LineRectanglesOfWrappedText) {
  TestSurface s(200, 100);
  UseTestFont(s.vx->Font());
  const TSize ab = s.vx->TextExtent(L"ab");
  struct {
    const char* name;
    String text;
    std::vector<Integer> widths;
  } cases[] = {
      {"CR LF", L"ab\r\ncd", {ab.cx, s.vx->TextWidth(L"cd")}},
      {"LF CR", L"ab\n\rcd", {ab.cx, s.vx->TextWidth(L"cd")}},
      {"CR CR", L"ab\r\rcd", {ab.cx, 0, s.vx->TextWidth(L"cd")}},
      {"prefix removed", L"&ab", {ab.cx}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRectArray bounds;
    s.vx->GetTextStringsBounds(c.text, TRect{10, 5, 190, 95}, vxtfLeft | vxtfTop | vxtfShowPrefix, true, bounds);
    ASSERT_EQ(bounds.size(), c.widths.size());
    Integer top = 5;
    for (size_t i = 0; i < bounds.size(); ++i) {
      EXPECT_EQ(bounds[i].left, 10);
      EXPECT_EQ(bounds[i].right - bounds[i].left, c.widths[i]) << i;
      EXPECT_EQ(bounds[i].top, top);
      EXPECT_EQ(bounds[i].bottom - bounds[i].top, ab.cy);
      top = bounds[i].bottom;
    }
  }
  // Word wrapping: right-aligned lines drop the breaking space and end at the right edge.
  const Integer w = s.vx->TextWidth(L"aaa bbb");
  TRectArray bounds;
  s.vx->GetTextStringsBounds(L"aaa bbb", TRect{0, 0, w - 1, 100}, vxtfRight | vxtfTop, true, bounds);
  ASSERT_EQ(bounds.size(), 2u);
  EXPECT_EQ(bounds[0].right, w - 1);
  EXPECT_EQ(bounds[0].right - bounds[0].left, s.vx->TextWidth(L"aaa"));
  EXPECT_EQ(bounds[1].right - bounds[1].left, s.vx->TextWidth(L"bbb"));
  // Left-aligned lines keep the space.
  bounds.clear();
  s.vx->GetTextStringsBounds(L"aaa bbb", TRect{0, 0, w - 1, 100}, vxtfLeft | vxtfTop, true, bounds);
  ASSERT_EQ(bounds.size(), 2u);
  EXPECT_EQ(bounds[0].right - bounds[0].left, s.vx->TextWidth(L"aaa "));
  // Disabled: the rectangle loses a pixel at the right.
  bounds.clear();
  s.vx->GetTextStringsBounds(L"ab", TRect{0, 0, 100, 100}, vxtfRight | vxtfTop, false, bounds);
  ASSERT_EQ(bounds.size(), 1u);
  EXPECT_EQ(bounds[0].right, 99);
}

TEST(CanvasText, FontHeightKeepsTheFont) {
  TestSurface s;
  TFont f;
  UseTestFont(&f);
  f.SetHeight(-20);
  const Integer h = s.vx->FontHeight(&f);
  EXPECT_EQ(s.vx->Font()->Height(), -20);
  EXPECT_EQ(h, s.vx->TextHeight(L"Qq"));
  EXPECT_GE(h, 20);
}

TEST(TextHelpers, MeasuringWithAFont) {
  TFont f;
  UseTestFont(&f);
  TestSurface s;
  s.vx->SetFont(&f);
  const TSize expected = s.vx->TextExtent(L"Hello");
  EXPECT_EQ(vxTextExtentOfFont(&f, L"Hello").cx, expected.cx);
  EXPECT_EQ(vxTextWidthOfFont(&f, L"Hello"), expected.cx);
  EXPECT_EQ(vxTextHeightOfFont(&f, L"Hello"), expected.cy);
  EXPECT_GT(vxTextWidthOfFont(&f, L"Hello", 30), expected.cx);  // a size of its own
  EXPECT_EQ(f.Height(), -13);  // the caller's font is untouched
  EXPECT_FALSE(vxGetScreenCanvas()->Canvas()->HandleAllocated());  // dormant again
}

TEST(TextHelpers, NarrowestRectangleForALineCount) {
  TestSurface s;
  HGDIOBJ old = SelectObject(s.dc, s.vx->Font()->Handle());
  const String text = L"the quick brown fox jumps over the lazy dog";
  TRect single{}, two{}, widest{0, 0, 1, 1};
  vxGetTextRect(s.dc, text, 1, single);
  DrawTextW(s.dc, text.c_str(), -1, &widest, DT_CALCRECT | DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK);
  vxGetTextRect(s.dc, text, 2, two);
  const Integer line = single.bottom - single.top;
  EXPECT_LT(two.right, single.right);
  EXPECT_GE(two.right, widest.right);
  EXPECT_LE(two.bottom, 2 * line);
  TRect limited{};
  vxGetTextRect(s.dc, text, 3, limited, true);
  EXPECT_EQ(limited.bottom, 3 * line);
  const TSize sz = vxTextSizeOnDC(s.dc, text);
  EXPECT_EQ(sz.cx, single.right);
  TSize part{};
  EXPECT_TRUE(vxTextExtentOnDC(s.dc, text, part, 3));
  TSize the{};
  GetTextExtentPoint32W(s.dc, L"the", 3, &the);
  EXPECT_EQ(part.cx, the.cx);
  SelectObject(s.dc, old);
}

TEST(TextHelpers, CharsetsAndSmallWrappers) {
  struct {
    Byte charset;
    const wchar_t* text;
    bool expected;
  } cases[] = {
      {GB2312_CHARSET, L"", true},           {CHINESEBIG5_CHARSET, L"\x4E2D", true},
      {ARABIC_CHARSET, L"", true},           {GB2312_CHARSET, L"Latin", false},
      {SHIFTJIS_CHARSET, L"\x65E5", false},  {ANSI_CHARSET, L"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(vxIsFarEastArabicCharset(c.charset, c.text), c.expected) << int(c.charset);
  // The test prefix runs under code page 932: the default character set is Shift-JIS.
  EXPECT_FALSE(vxIsFarEastArabicCharset(DEFAULT_CHARSET, L""));

  TRect r{10, 10, 50, 50};
  vxRectDeflateByMargins(r, TRect{1, 2, 3, 4});
  EXPECT_EQ(r.left, 11);
  EXPECT_EQ(r.top, 12);
  EXPECT_EQ(r.right, 47);
  EXPECT_EQ(r.bottom, 46);

  TestSurface s;
  TPoint p{5, 7};
  vxCanvasSetWindowOrg(s.canvas.get(), p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  p = TPoint{0, 0};
  vxCanvasSetWindowOrg(s.canvas.get(), p);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 7);

  LOGFONTW lf{};
  EXPECT_TRUE(vxGetLogFontOf(s.vx->Font()->Handle(), lf));
  LOGBRUSH lb{};
  EXPECT_TRUE(vxGetLogBrushOf(s.vx->Brush()->Handle(), lb));
  EXPECT_EQ(lb.lbColor, RGB(255, 255, 255));
  LOGPEN lp{};
  EXPECT_TRUE(vxGetLogPenOf(s.vx->Pen()->Handle(), lp));
  BITMAP bm{};
  EXPECT_TRUE(vxGetBitmapOf(s.bmp, bm));
  EXPECT_EQ(bm.bmWidth, 64);

  TvxViewParams params;
  TFont f;
  f.SetHeight(-17);
  params.Font = &f;
  params.TextColor = clRed;
  params.Color = clBlue;
  vxApplyViewParamsToCanvas(s.vx.get(), params);
  EXPECT_EQ(s.vx->Font()->Height(), -17);
  EXPECT_EQ(s.vx->Font()->Color(), clRed);
  EXPECT_EQ(s.vx->Brush()->Color(), clBlue);

  TPoint cursor{};
  vxGetCursorVisibleSize(cursor);
  EXPECT_GT(cursor.x, 0);
  EXPECT_LE(cursor.x, GetSystemMetrics(SM_CXCURSOR));
  EXPECT_LE(cursor.y, GetSystemMetrics(SM_CYCURSOR));
}

}  // namespace

}  // namespace ZS_UNITY_ID
