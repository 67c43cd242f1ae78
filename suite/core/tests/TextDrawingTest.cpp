#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "Graphics.h"
#include "vdCore.h"
#include "vxDrawTextUtils.h"

namespace ZS_UNITY_ID {

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);

// A white 32-bit DIB in a memory DC with the fixed-pitch IPAGothic font selected and
// black text; pixels are read straight from the section's bits.
class Surface {
 public:
  explicit Surface(int fontHeight = -16, int weight = FW_NORMAL, int w = 240, int h = 80) : W(w), Hgt(h) {
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
    oldBmp = SelectObject(dc, bmp);
    LOGFONTW lf{};
    lf.lfHeight = fontHeight;
    lf.lfWeight = weight;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfQuality = NONANTIALIASED_QUALITY;
    wcscpy(lf.lfFaceName, L"IPAGothic");
    font = CreateFontIndirectW(&lf);
    oldFont = SelectObject(dc, font);
    SetTextColor(dc, Black);
    SIZE s{};
    GetTextExtentPoint32W(dc, L"M", 1, &s);
    U = s.cx;
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    RowHeight = tm.tmHeight;
    Clear();
  }
  ~Surface() {
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  void Clear() {
    GdiFlush();
    for (int i = 0; i < W * Hgt; ++i) bits[i] = 0xFFFFFF;
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    DWORD v = bits[y * W + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // Pixels of colour c inside [l, r) x [t, b).
  int Count(COLORREF c, int l, int t, int r, int b) const {
    int n = 0;
    for (int y = std::max(t, 0); y < std::min(b, Hgt); ++y)
      for (int x = std::max(l, 0); x < std::min(r, W); ++x)
        if (At(x, y) == c) ++n;
    return n;
  }
  int CountNot(COLORREF c, int l, int t, int r, int b) const {
    return (std::min(r, W) - std::max(l, 0)) * (std::min(b, Hgt) - std::max(t, 0)) - Count(c, l, t, r, b);
  }
  // The rightmost column in [t, b) holding a pixel of colour c; -1 when none.
  int RightmostOf(COLORREF c, int t, int b) const {
    for (int x = W - 1; x >= 0; --x)
      if (Count(c, x, t, x + 1, b) > 0) return x;
    return -1;
  }
  bool SameAs(const Surface& other, int l, int t, int r, int b) const {
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x)
        if (At(x, y) != other.At(x, y)) return false;
    return true;
  }
  int W, Hgt;
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ oldBmp, oldFont;
  HFONT font;
  DWORD* bits = nullptr;
  int U = 0, RowHeight = 0;
};

TEST(TextDrawing, EndEllipsisFollowsTheFittedText) {
  struct Case {
    const char* name;
    Integer flags;
    std::wstring text;
    int widthUnits;
    int height;            // 0: the surface height
    std::wstring expected;  // what a plain text-out of the same rectangle shows
    int expectedX;         // in units of U, -1: right-aligned, -2: centred
  } cases[] = {
      {"single line, left", vxtoSingleLine | vxtoEndEllipsis, L"abcdefghij", 6, 0, L"abc...", 0},
      {"single line, right", vxtoSingleLine | vxtoEndEllipsis | vxtoRight, L"abcdefghij", 6, 0, L"abc...", 0},
      // More rows than room: the last visible row ends in an ellipsis although it fits.
      {"cut rows, left", vxtoWordBreak | vxtoEndEllipsis, L"ab\ncd", 10, -1, L"ab...", 0},
      {"cut rows, centred", vxtoWordBreak | vxtoEndEllipsis | vxtoCenterX, L"ab\ncd", 10, -1, L"ab...", -2},
      {"cut rows, right", vxtoWordBreak | vxtoEndEllipsis | vxtoRight, L"ab\ncd", 10, -1, L"ab...", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Surface s, ref;
    int height = c.height == 0 ? s.Hgt - 20 : s.RowHeight + c.height;
    TRect r{10, 10, 10 + c.widthUnits * s.U, 10 + height};
    EXPECT_GT(vxTextOutFormatted(s.dc, c.text, r, c.flags), 0);
    int width = static_cast<int>(c.expected.size()) * s.U;
    int x = r.left + c.expectedX * s.U;
    if (c.expectedX == -1) x = r.right - width;
    if (c.expectedX == -2) x = r.left + (r.right - r.left - width) / 2;
    SetBkMode(ref.dc, TRANSPARENT);
    ExtTextOutW(ref.dc, x, r.top, ETO_CLIPPED, &r, c.expected.c_str(), static_cast<UINT>(c.expected.size()), nullptr);
    EXPECT_TRUE(s.SameAs(ref, 0, 0, s.W, s.Hgt));
    EXPECT_GT(s.Count(Black, 0, 0, s.W, s.Hgt), 0);
  }
}

TEST(TextDrawing, EllipsisIsClippedAtTheRightEdge) {
  Surface s;
  // Two and a half units for the ellipsis: no character fits before it but the first.
  TRect r{10, 10, 10 + 2 * s.U + s.U / 2, 10 + s.RowHeight};
  vxTextOutFormatted(s.dc, L"abcdef", r, vxtoSingleLine | vxtoEndEllipsis);
  EXPECT_GT(s.Count(Black, r.left, r.top, r.right, r.bottom), 0);
  EXPECT_EQ(s.Count(Black, r.right, 0, s.W, s.Hgt), 0);
}

TEST(TextDrawing, ClippingToTheRectangle) {
  for (bool noClip : {false, true}) {
    SCOPED_TRACE(noClip ? "no clip" : "clipped");
    Surface s;
    TRect r{10, 10, 10 + 4 * s.U, 10 + s.RowHeight};
    vxTextOutFormatted(s.dc, L"MMMMMMMM", r, vxtoSingleLine | (noClip ? vxtoNoClip : 0));
    EXPECT_GT(s.Count(Black, r.left, r.top, r.right, r.bottom), 0);
    EXPECT_EQ(s.Count(Black, r.right, 0, s.W, s.Hgt) > 0, noClip);
  }
}

TEST(TextDrawing, SelectionHighlightsOnlyItsCharacters) {
  Surface s;
  TRect r{10, 10, 10 + 4 * s.U, 10 + 2 * s.RowHeight};
  const int row2 = r.top + s.RowHeight;
  // "fg" in the middle of the second row.
  Integer h = vxTextOutFormatted(s.dc, L"abcd efgh", r, vxtoWordBreak, 6, 2, nullptr, Red, White);
  EXPECT_EQ(h, 2 * s.RowHeight);
  EXPECT_EQ(s.Count(Red, 0, 0, s.W, row2), 0) << "nothing selected in the first row";
  const int selL = r.left + s.U, selR = r.left + 3 * s.U;
  EXPECT_EQ(s.CountNot(Red, selL, row2, selR, row2 + s.RowHeight),
            s.Count(White, selL, row2, selR, row2 + s.RowHeight))
      << "the selection shows white text on red";
  EXPECT_GT(s.Count(White, selL, row2, selR, row2 + s.RowHeight), 0);
  EXPECT_EQ(s.Count(Red, 0, row2, selL, s.Hgt) + s.Count(Red, selR, row2, s.W, s.Hgt), 0);
  EXPECT_GT(s.Count(Black, r.left, row2, selL, row2 + s.RowHeight), 0) << "e";
  EXPECT_GT(s.Count(Black, selR, row2, r.right, row2 + s.RowHeight), 0) << "h";

  struct Ignored {
    const char* name;
    Integer start, length;
  } ignored[] = {{"start beyond the text", 9, 3}, {"negative start", -1, 3}, {"empty", 2, 0}};
  for (const auto& c : ignored) {
    SCOPED_TRACE(c.name);
    s.Clear();
    TRect r2 = r;
    vxTextOutFormatted(s.dc, L"abcd efgh", r2, vxtoWordBreak, c.start, c.length, nullptr, Red, White);
    EXPECT_EQ(s.Count(Red, 0, 0, s.W, s.Hgt), 0);
    EXPECT_GT(s.Count(Black, 0, 0, s.W, s.Hgt), 0);
  }
  // A selection running past the end is cut at the text's end.
  s.Clear();
  TRect r3 = r;
  vxTextOutFormatted(s.dc, L"abcd efgh", r3, vxtoWordBreak, 7, 100, nullptr, Red, White);
  EXPECT_GT(s.Count(Red, r.left + 2 * s.U, row2, r.left + 4 * s.U, row2 + s.RowHeight), 0);
  EXPECT_EQ(s.Count(Red, r.left + 4 * s.U, 0, s.W, s.Hgt), 0);
}

TEST(TextDrawing, SelectedEllipsisIsDrawnInTheSelectionColour) {
  Surface s;
  TRect r{10, 10, 10 + 6 * s.U, 10 + s.RowHeight};
  vxTextOutFormatted(s.dc, L"abcdefghij", r, vxtoSingleLine | vxtoEndEllipsis, 1, 9, nullptr, Red, Blue);
  // "bc" are selected, "..." follows in blue on white.
  EXPECT_GT(s.Count(Blue, r.left + 3 * s.U, r.top, r.right, r.bottom), 0);
  EXPECT_EQ(s.Count(Black, r.left + 3 * s.U, r.top, r.right, r.bottom), 0);
  EXPECT_GT(s.Count(Black, r.left, r.top, r.left + s.U, r.bottom), 0) << "a";
}

TEST(TextDrawing, JustifiedRowsReachTheRightEdge) {
  for (Integer align : {vxtoLeft, vxtoJustifyX}) {
    SCOPED_TRACE(align == vxtoLeft ? "left" : "justified");
    Surface s;
    TRect r{10, 10, 10 + 9 * s.U, 10 + 3 * s.RowHeight};
    vxTextOutFormatted(s.dc, L"ab cd ef ghijkl", r, vxtoWordBreak | align);
    int right = s.RightmostOf(Black, r.top, r.top + s.RowHeight);
    // Row one is "ab cd ef" (8 units); justified it spreads over the whole 9.
    if (align == vxtoJustifyX)
      EXPECT_GT(right, r.left + 8 * s.U);
    else
      EXPECT_LT(right, r.left + 8 * s.U);
  }
}

TEST(TextDrawing, FontAndColoursAreRestored) {
  Surface s;
  TFont font;
  font.SetName(L"IPAGothic");
  font.SetHeight(-24);
  font.SetColor(clBlue);
  HGDIOBJ before = GetCurrentObject(s.dc, OBJ_FONT);
  int mode = GetBkMode(s.dc);
  TRect r{10, 10, 200, 70};
  Integer h = vxTextOutFormatted(s.dc, L"MM", r, vxtoSingleLine, 0, 0, &font);
  EXPECT_GT(h, s.RowHeight) << "measured in the larger given font";
  EXPECT_GT(s.Count(Blue, 0, 0, s.W, s.Hgt), 0) << "drawn in the font's colour";
  EXPECT_EQ(GetCurrentObject(s.dc, OBJ_FONT), before);
  EXPECT_EQ(GetTextColor(s.dc), Black);
  EXPECT_EQ(GetBkMode(s.dc), mode);
  s.Clear();
  vxTextOutFormatted(s.dc, L"MM", r, vxtoSingleLine, 0, 0, &font, clHighlight, clHighlightText, 0, 0, 0, clRed);
  EXPECT_GT(s.Count(Red, 0, 0, s.W, s.Hgt), 0) << "an explicit text colour wins";
  EXPECT_EQ(s.Count(Blue, 0, 0, s.W, s.Hgt), 0);
  s.Clear();
  EXPECT_EQ(vxTextOutFormatted(s.dc, L"a\nb\nc", r, vxtoWordBreak | vxtoCalcRowCount), 3)
      << "the row count is answered while drawing too";
  EXPECT_GT(s.Count(Black, 0, 0, s.W, s.Hgt), 0);
}

TEST(TextDrawing, TinyFontsDrawBars) {
  for (int weight : {FW_NORMAL, FW_BOLD}) {
    SCOPED_TRACE(weight == FW_BOLD ? "bold" : "normal");
    Surface s(-4, weight);
    TvxTextParams p;
    vxCalcTextParamsOfDC(s.dc, vxtoPatternedText, p);
    ASSERT_TRUE(p.PatternedText);
    TRect r{10, 10, 200, 70};
    vxTextOutFormatted(s.dc, L"MMMMMMMMMMMMMMMMMMMM", r, vxtoPatternedText | vxtoSingleLine);
    int width = 20 * s.U;
    // The bar spans the row less one pixel at top and bottom.
    int black = s.Count(Black, r.left, r.top + 1, r.left + width, r.top + s.RowHeight - 1);
    int area = width * (s.RowHeight - 2);
    if (weight == FW_BOLD)
      EXPECT_EQ(black, area);
    else
      EXPECT_EQ(black, area / 2) << "a checkerboard of text and window colour";
    EXPECT_EQ(s.Count(Black, r.left, r.top + s.RowHeight - 1, s.W, s.Hgt), 0);
  }
}

int CALLBACK CountTextRecords(HDC, HANDLETABLE*, const ENHMETARECORD* rec, int, LPARAM data) {
  if (rec->iType == EMR_EXTTEXTOUTW) ++*reinterpret_cast<int*>(data);
  return 1;
}

TEST(TextDrawing, MetafilesGetEveryRowAndNoSelection) {
  Surface probe;
  HDC meta = CreateEnhMetaFileW(probe.dc, nullptr, nullptr, nullptr);
  SelectObject(meta, probe.font);
  // A clip region that hides the second row: a metafile still records it.
  HRGN clip = CreateRectRgn(0, 0, 300, 10 + probe.RowHeight);
  SelectClipRgn(meta, clip);
  DeleteObject(clip);
  TRect r{10, 10, 10 + 4 * probe.U, 10 + 2 * probe.RowHeight};
  vxTextOutFormatted(meta, L"abcd efgh", r, vxtoWordBreak, 0, 9, nullptr, Red, White);
  HENHMETAFILE emf = CloseEnhMetaFile(meta);
  ASSERT_NE(emf, nullptr);
  int texts = 0;
  EnumEnhMetaFile(nullptr, emf, &CountTextRecords, &texts, nullptr);
  EXPECT_EQ(texts, 2) << "both rows recorded";
  Surface played;
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(emf, sizeof(header), &header);
  RECT bounds{header.rclBounds.left, header.rclBounds.top, header.rclBounds.right + 1, header.rclBounds.bottom + 1};
  PlayEnhMetaFile(played.dc, emf, &bounds);
  EXPECT_EQ(played.Count(Red, 0, 0, played.W, played.Hgt), 0) << "no selection in a metafile";
  DeleteEnhMetaFile(emf);
}

TEST(TextDrawing, TabsExpandToTheSystemTabStops) {
  Surface s, ref;
  TRect r{10, 10, 230, 10 + s.RowHeight};
  vxTextOutFormatted(s.dc, L"a\tb", r, vxtoSingleLine | vxtoExpandTabs);
  SetBkMode(ref.dc, TRANSPARENT);
  TabbedTextOutW(ref.dc, r.left, r.top, L"a\tb", 3, 0, nullptr, r.left);
  EXPECT_TRUE(s.SameAs(ref, 0, 0, s.W, s.Hgt));
  TRect measured{10, 10, 230, 11};
  vxTextOutFormatted(s.dc, L"a\tb", measured, vxtoSingleLine | vxtoExpandTabs | vxtoCalcRect);
  EXPECT_EQ(measured.right - measured.left, static_cast<LONG>(LOWORD(GetTabbedTextExtentW(s.dc, L"a\tb", 3, 0, nullptr))));
}

// Systems without the wide-character functions get the text in the ANSI code page
// (932 here); layout and drawing come out the same.
TEST(TextDrawing, AnsiCodePagePathMatchesTheWidePath) {
  const bool wasNT = vdOSWinNT;
  Surface wide, ansi;
  TRect r1{10, 10, 10 + 9 * wide.U, 10 + 3 * wide.RowHeight}, r2 = r1;
  const std::wstring text = L"漢字かな abc\tdefghijkl";
  Integer h1 = vxTextOutFormatted(wide.dc, text, r1, vxtoWordBreak | vxtoEndEllipsis | vxtoExpandTabs);
  vdOSWinNT = false;
  Integer h2 = vxTextOutFormatted(ansi.dc, text, r2, vxtoWordBreak | vxtoEndEllipsis | vxtoExpandTabs);
  TRect m1{0, 0, 5 * wide.U, 1}, m2 = m1;
  vdOSWinNT = wasNT;
  vxTextOutFormatted(wide.dc, text, m1, vxtoWordBreak | vxtoCalcRect);
  vdOSWinNT = false;
  vxTextOutFormatted(ansi.dc, text, m2, vxtoWordBreak | vxtoCalcRect);
  vdOSWinNT = wasNT;
  EXPECT_EQ(h1, h2);
  EXPECT_TRUE(wide.SameAs(ansi, 0, 0, wide.W, wide.Hgt));
  EXPECT_TRUE(EqualRect(&m1, &m2));
  EXPECT_GT(wide.Count(Black, 0, 0, wide.W, wide.Hgt), 0);
}

TEST(TextDrawing, CanvasParameters) {
  TBitmap bmp;
  bmp.SetWidth(10);
  bmp.SetHeight(10);
  bmp.Canvas()->Font()->SetName(L"IPAGothic");
  bmp.Canvas()->Font()->SetHeight(-20);
  TvxTextParams p;
  vxCalcTextParamsOfCanvas(bmp.Canvas(), vxtoCenterX, p);
  TEXTMETRICW tm{};
  GetTextMetricsW(bmp.Canvas()->Handle(), &tm);
  EXPECT_EQ(p.RowHeight, tm.tmHeight);
  EXPECT_EQ(p.TextAlignX, taCenterX);
}

}  // namespace

}  // namespace ZS_UNITY_ID
