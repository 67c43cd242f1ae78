#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vxDrawTextUtils.h"

namespace ZS_UNITY_ID {

namespace {

// A memory DC with a 32-bit DIB and the fixed-pitch IPAGothic font selected: every
// half-width character is U pixels wide and every full-width one 2 U.
class FixedFontDC {
 public:
  explicit FixedFontDC(int height = -16, int weight = FW_NORMAL, int w = 400, int h = 200) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    oldBmp = SelectObject(dc, bmp);
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfQuality = NONANTIALIASED_QUALITY;
    wcscpy(lf.lfFaceName, L"IPAGothic");
    font = CreateFontIndirectW(&lf);
    oldFont = SelectObject(dc, font);
    SIZE s{};
    GetTextExtentPoint32W(dc, L"M", 1, &s);
    U = s.cx;
    GetTextExtentPoint32W(dc, L"Wg", 2, &s);
    H = s.cy;
  }
  ~FixedFontDC() {
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  int Width(const wchar_t* s) const {
    SIZE sz{};
    GetTextExtentPoint32W(dc, s, static_cast<int>(wcslen(s)), &sz);
    return sz.cx;
  }
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ oldBmp, oldFont;
  HFONT font;
  int U = 0, H = 0;
};

struct Layout {
  std::vector<std::wstring> rows;
  std::vector<int> breaks;
  bool allFitted = false;
};

Layout MakeRows(FixedFontDC& f, const std::wstring& text, Integer flags, int widthUnits, int height = 1000,
                Integer maxRows = 0) {
  TvxTextParams p;
  vxCalcTextParamsOfDC(f.dc, flags, p);
  auto rows = std::make_unique<TvxTextRows>();
  Integer count = 0;
  TRect r{0, 0, widthUnits * f.U, height};
  Layout result;
  result.allFitted = vxMakeTextRowsOf(f.dc, text.c_str(), static_cast<Integer>(text.size()), vxMeasureTextExtents,
                                      nullptr, maxRows, count, *rows, p, r);
  EXPECT_EQ(count, rows->Count);
  for (Integer i = 0; i < count; ++i) {
    const TvxTextRow& row = vxGetTextRow(*rows, i);
    EXPECT_EQ(row.StartOffset, row.Text - text.c_str());
    result.rows.emplace_back(row.Text, row.TextLength);
    result.breaks.push_back(row.BreakCount);
  }
  return result;
}

TEST(TextLayout, TheTestFontIsFixedPitchWithFullWidthDoubled) {
  FixedFontDC f;
  ASSERT_GT(f.U, 0);
  EXPECT_EQ(f.Width(L"i"), f.U);
  EXPECT_EQ(f.Width(L"."), f.U);
  EXPECT_EQ(f.Width(L"漢"), 2 * f.U);
  EXPECT_EQ(f.Width(L"。"), 2 * f.U);
}

TEST(TextLayout, BreakingTable) {
  FixedFontDC f;
  constexpr Integer WB = vxtoWordBreak;
  struct Case {
    const char* name;
    std::wstring text;
    Integer flags;
    int width;  // in half-width characters
    std::vector<std::wstring> rows;
  } cases[] = {
      {"two words, only the first fits: the blank is skipped", L"ab cd", WB, 2, {L"ab", L"cd"}},
      {"word and blank fit: left rows keep the blank", L"ab cd", WB, 3, {L"ab ", L"cd"}},
      {"centred rows drop the blank before the break", L"ab cd", WB | vxtoCenterX, 3, {L"ab", L"cd"}},
      {"right rows drop the blank before the break", L"ab cd", WB | vxtoRight, 3, {L"ab", L"cd"}},
      {"several words per row", L"abc def ghi", WB, 7, {L"abc def", L"ghi"}},
      {"overlong word is split where it stops fitting", L"abcdefgh", WB, 3, {L"abc", L"def", L"gh"}},
      {"a row always gets one character", L"abc", WB, 0, {L"a", L"b", L"c"}},
      {"overlong word moves to its own row first", L"a bcdefg", WB, 4, {L"a ", L"bcde", L"fg"}},
      {"without word break only line ends break", L"ab cd ef", 0, 3, {L"ab cd ef"}},
      {"CR LF", L"ab\r\ncd", 0, 10, {L"ab", L"cd"}},
      {"LF", L"ab\ncd", WB, 10, {L"ab", L"cd"}},
      {"LF CR", L"ab\n\rcd", WB, 10, {L"ab", L"cd"}},
      {"lone CR", L"ab\rcd", WB, 10, {L"ab", L"cd"}},
      {"CR CR gives an empty row", L"ab\r\rcd", WB, 10, {L"ab", L"", L"cd"}},
      {"a trailing line break adds no row", L"ab\r\n", WB, 10, {L"ab"}},
      {"single line shows the first line", L"ab\r\ncd", vxtoSingleLine | WB, 1, {L"ab"}},
      {"spreadsheet style skips every leading space", L"ab   cd", WB | vxtoExcelStyle, 2, {L"ab", L"cd"}},
      {"ideographs break anywhere", L"漢字かなカナ", WB, 5, {L"漢字", L"かな", L"カナ"}},
      {"a full stop never starts a row", L"漢字漢字。漢字", WB, 8, {L"漢字漢", L"字。漢字"}},
      {"a comma never starts a row", L"漢字、字", WB, 4, {L"漢", L"字、", L"字"}},
      {"Latin before an ideograph", L"abc漢字", WB, 4, {L"abc", L"漢字"}},
      {"a full-width character splits a Latin word", L"ab漢", WB, 3, {L"ab", L"漢"}},
      {"tabs are words of their own", L"ab\tcd", WB, 2, {L"ab", L"cd"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Layout l = MakeRows(f, c.text, c.flags, c.width);
    EXPECT_EQ(l.rows, c.rows);
  }
}

TEST(TextLayout, JustifiedRowsLoseTrailingBlanksAndCountTheirBreaks) {
  FixedFontDC f;
  struct Case {
    const char* name;
    Integer flags;
    std::vector<std::wstring> rows;
    std::vector<int> breaks;
  } cases[] = {
      // The last row is not broken by width, so justification leaves it alone.
      {"justify", vxtoJustifyX, {L"ab cd", L"ef gh "}, {1, 0}},
      {"distribute", vxtoDistributeX, {L"ab cd", L"ef gh"}, {1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Justified alignment breaks at words even without the word-break flag.
    Layout l = MakeRows(f, L"ab cd ef gh ", c.flags, 6);
    EXPECT_EQ(l.rows, c.rows);
    EXPECT_EQ(l.breaks, c.breaks);
  }
}

TEST(TextLayout, RowLimitsAndFit) {
  FixedFontDC f;
  TvxTextParams p;
  vxCalcTextParamsOfDC(f.dc, vxtoWordBreak, p);
  // Whole rows only with the edit-control flag; otherwise a partly visible row counts.
  struct Case {
    const char* name;
    Integer flags;
    int rows;
  } cases[] = {{"edit control", vxtoWordBreak | vxtoEditControl, 2},
               {"plain", vxtoWordBreak, 3},
               {"edit control without clipping", vxtoWordBreak | vxtoEditControl | vxtoNoClip, 3},
               {"centred vertically: no limit", vxtoWordBreak | vxtoCenterY, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TvxTextParams params;
    vxCalcTextParamsOfDC(f.dc, c.flags, params);
    params.RowHeight = params.FullRowHeight = 13;
    auto rows = std::make_unique<TvxTextRows>();
    Integer count = 0;
    std::wstring text = L"a\nb\nc\nd\ne";
    bool fitted = vxMakeTextRowsOf(f.dc, text.c_str(), static_cast<Integer>(text.size()), vxMeasureTextExtents,
                                   nullptr, 0, count, *rows, params, TRect{0, 0, 100, 30});
    EXPECT_EQ(count, c.rows);
    EXPECT_EQ(fitted, c.rows == 5);
  }
  Layout limited = MakeRows(f, L"a b c d", vxtoWordBreak, 1, 1000, 2);
  EXPECT_EQ(limited.rows, (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_FALSE(limited.allFitted);
  Layout single = MakeRows(f, L"abcdef", vxtoSingleLine, 3);
  EXPECT_EQ(single.rows.size(), 1u);
  EXPECT_FALSE(single.allFitted);
  EXPECT_TRUE(MakeRows(f, L"abc", vxtoSingleLine, 3).allFitted);
}

TEST(TextLayout, FortyRowsSpillIntoTheDynamicStore) {
  FixedFontDC f;
  std::wstring text;
  for (int i = 0; i < 40; ++i) text += std::wstring(1, static_cast<wchar_t>(L'A' + i % 26)) + L"\n";
  TvxTextParams p;
  vxCalcTextParamsOfDC(f.dc, vxtoWordBreak, p);
  auto rows = std::make_unique<TvxTextRows>();
  Integer count = 0;
  vxMakeTextRowsOf(f.dc, text.c_str(), static_cast<Integer>(text.size()), vxMeasureTextExtents, nullptr, 0, count,
                   *rows, p, TRect{0, 0, 100, 100000});
  ASSERT_EQ(count, 40);
  EXPECT_GE(rows->DynamicRows.size(), 8u);
  for (int i = 0; i < 40; ++i) {
    const TvxTextRow& row = vxGetTextRow(*rows, i);
    EXPECT_EQ(row.TextLength, 1);
    EXPECT_EQ(row.Text[0], L'A' + i % 26);
    EXPECT_EQ(row.StartOffset, 2 * i);
  }
  EXPECT_EQ(&vxGetTextRow(*rows, 32), &rows->DynamicRows[0]);
}

TEST(TextLayout, PlacementTable) {
  struct Case {
    const char* name;
    TvxTextAlignX alignX;
    TvxTextAlignY alignY;
    bool preventLeft, preventTop;
    TRect bounds;
    std::vector<int> widths;
    std::vector<TPoint> origins;
  } cases[] = {
      {"top left", taLeft, taTop, false, false, {5, 7, 105, 100}, {30, 40}, {{5, 7}, {5, 17}}},
      {"centred", taCenterX, taCenterY, false, false, {0, 0, 101, 41}, {30, 41}, {{35, 10}, {30, 20}}},
      {"right bottom", taRight, taBottom, false, false, {0, 0, 100, 40}, {30, 40}, {{70, 20}, {60, 30}}},
      {"distributed vertically", taLeft, taDistributeY, false, false, {0, 0, 100, 41}, {1, 1, 1},
       {{0, 0}, {0, 16}, {0, 31}}},
      {"too wide, centred, kept inside", taCenterX, taCenterY, true, true, {0, 0, 20, 5}, {40, 40},
       {{0, 0}, {0, 10}}},
      {"too wide, centred, unbounded", taCenterX, taCenterY, false, false, {0, 0, 20, 5}, {40, 40},
       {{-10, -7}, {-10, 3}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TvxTextParams p{};
    p.RowHeight = p.FullRowHeight = 10;
    p.TextAlignX = c.alignX;
    p.TextAlignY = c.alignY;
    p.PreventLeftExceed = c.preventLeft;
    p.PreventTopExceed = c.preventTop;
    auto rows = std::make_unique<TvxTextRows>();
    rows->Count = static_cast<Integer>(c.widths.size());
    for (std::size_t i = 0; i < c.widths.size(); ++i) vxGetTextRow(*rows, static_cast<Integer>(i)).TextExtents.cx = c.widths[i];
    vxPlaceTextRows(nullptr, c.bounds, p, rows->Count, *rows);
    for (std::size_t i = 0; i < c.origins.size(); ++i) {
      const TvxTextRow& row = vxGetTextRow(*rows, static_cast<Integer>(i));
      EXPECT_EQ(row.TextOriginX, c.origins[i].x) << "row " << i;
      EXPECT_EQ(row.TextOriginY, c.origins[i].y) << "row " << i;
    }
    EXPECT_EQ(vxLongestTextRowWidth(*rows, rows->Count), *std::max_element(c.widths.begin(), c.widths.end()));
  }
}

TEST(TextLayout, ParametersFromTheDeviceContext) {
  FixedFontDC normal(-16), tiny(-5), bold(-16, FW_BOLD);
  TvxTextParams p;
  vxCalcTextParamsOfDC(normal.dc, vxtoPatternedText | vxtoEndEllipsis | vxtoRight | vxtoBottom | vxtoHidePrefix, p);
  TEXTMETRICW tm{};
  GetTextMetricsW(normal.dc, &tm);
  EXPECT_EQ(p.RowHeight, tm.tmHeight);
  EXPECT_FALSE(p.PatternedText) << "readable fonts are drawn as text";
  EXPECT_FALSE(p.Bold);
  EXPECT_TRUE(p.CharBreak);
  EXPECT_TRUE(p.HidePrefix);
  EXPECT_EQ(p.TextAlignX, taRight);
  EXPECT_EQ(p.TextAlignY, taBottom);
  EXPECT_EQ(p.EndEllipsisWidth, 3 * normal.U);
  EXPECT_EQ(p.OnePixel, 1);
  EXPECT_EQ(p.tmExternalLeading, 0);

  vxCalcTextParamsOfDC(tiny.dc, vxtoPatternedText, p);
  EXPECT_TRUE(p.PatternedText) << "a font under six pixels is drawn as bars";
  EXPECT_EQ(p.EndEllipsisWidth, 0);
  vxCalcTextParamsOfDC(bold.dc, 0, p);
  EXPECT_TRUE(p.Bold);

  // Line spacing rounds half to even.
  vxCalcTextParamsOfDC(normal.dc, 0, p, 1.5);
  double exact = tm.tmHeight * 1.5;
  int expected = static_cast<int>(exact);
  if (exact - expected > 0.5 || (exact - expected == 0.5 && expected % 2 != 0)) ++expected;
  EXPECT_EQ(p.FullRowHeight, expected);

  // Indents: two pixels on every side with automatic indents, then the given ones.
  vxCalcTextParamsOfDC(normal.dc, vxtoAutoIndents, p);
  TRect r{10, 10, 100, 50};
  TRect in = vxIndentTextRect(r, p, 3, 4);
  EXPECT_EQ(in.left, 15);
  EXPECT_EQ(in.top, 12);
  EXPECT_EQ(in.right, 94);
  EXPECT_EQ(in.bottom, 48);
  TRect out = vxUnindentTextRect(in, p, 3, 4);
  EXPECT_TRUE(EqualRect(&out, &r));
}

TEST(TextLayout, ExtentsWithTabs) {
  FixedFontDC f;
  TSize plain{}, tabbed{};
  vxMeasureTextExtents(f.dc, L"a\tb", 3, plain, nullptr, false);
  vxMeasureTextExtents(f.dc, L"a\tb", 3, tabbed, nullptr, true);
  EXPECT_GT(tabbed.cx, plain.cx) << "an expanded tab reaches the next tab stop";
  EXPECT_EQ(tabbed.cy, plain.cy);
  std::wstring longText(5000, L'x');
  TSize big{};
  vxMeasureTextExtents(f.dc, longText.c_str(), 5000, big, nullptr, true);
  // Long runs are measured by DrawText (Wine's lays out at most 1024 characters of a line).
  EXPECT_GE(big.cx, 1024 * f.U);
  EXPECT_EQ(big.cy, plain.cy);
}

TEST(TextOutFormatted, MeasuringRectangles) {
  FixedFontDC f;
  TEXTMETRICW tm{};
  GetTextMetricsW(f.dc, &tm);
  struct Case {
    const char* name;
    std::wstring text;
    Integer flags;
    int width;  // half-width characters available
    Integer maxRows, leftIndent, rightIndent;
    int expectWidth;  // half-width characters, plus indents
    int expectRows;
  } cases[] = {
      {"single line", L"abc def", vxtoSingleLine, 1, 0, 0, 0, 7, 1},
      {"rows narrower than the rectangle", L"ab cd\r\nefgh", vxtoWordBreak, 20, 0, 0, 0, 5, 2},
      {"words wrapped in a narrow rectangle", L"abc de fghij", vxtoWordBreak, 6, 0, 0, 0, 6, 2},
      {"row limit", L"a\nbb\nccc", vxtoWordBreak, 10, 2, 0, 0, 2, 2},
      {"indents are added back", L"abcd", vxtoSingleLine, 10, 0, 3, 2, 4, 1},
      {"accelerator marks hidden", L"&File", vxtoSingleLine | vxtoHidePrefix, 10, 0, 0, 0, 4, 1},
      {"doubled ampersand kept once", L"A&&B", vxtoSingleLine | vxtoHidePrefix, 10, 0, 0, 0, 3, 1},
      {"marks shown", L"A&&B", vxtoSingleLine, 10, 0, 0, 0, 4, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRect r{10, 20, 10 + c.width * f.U + c.leftIndent + c.rightIndent, 21};
    Integer answer = vxTextOutFormatted(f.dc, c.text, r, c.flags | vxtoCalcRect, 0, 0, nullptr, clHighlight,
                                        clHighlightText, c.maxRows, c.leftIndent, c.rightIndent);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 10 + c.expectWidth * f.U + c.leftIndent + c.rightIndent);
    EXPECT_EQ(r.bottom, 20 + (c.expectRows - 1) * tm.tmHeight + tm.tmHeight);
    EXPECT_EQ(answer, c.expectRows * tm.tmHeight);
    TRect counted{10, 20, 10 + c.width * f.U + c.leftIndent + c.rightIndent, 21};
    EXPECT_EQ(vxTextOutFormatted(f.dc, c.text, counted, c.flags | vxtoCalcRect | vxtoCalcRowCount, 0, 0, nullptr,
                                 clHighlight, clHighlightText, c.maxRows, c.leftIndent, c.rightIndent),
              c.expectRows);
  }
  // Nothing to lay out, or no room.
  TRect r{0, 0, 100, 100};
  EXPECT_EQ(vxTextOutFormatted(f.dc, L"", r, vxtoCalcRect), 0);
  EXPECT_EQ(vxTextOutFormatted(f.dc, L"&", r, vxtoCalcRect | vxtoHidePrefix), 0);
  TRect empty{0, 0, 0, 100};
  EXPECT_EQ(vxTextOutFormatted(f.dc, L"abc", empty, vxtoCalcRect), 0);
  TRect flat{0, 0, 100, 0};
  EXPECT_EQ(vxTextOutFormatted(f.dc, L"abc", flat, 0), 0) << "drawing needs height";
  EXPECT_EQ(vxTextOutFormatted(f.dc, L"abc", flat, vxtoCalcRect), tm.tmHeight) << "measuring does not";
}

}  // namespace

}  // namespace ZS_UNITY_ID
