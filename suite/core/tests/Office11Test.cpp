#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "vdCore.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"

namespace ZS_UNITY_ID {

namespace {

// A 32-bit DIB in a memory DC, white at first.
class Surface {
 public:
  Surface(int w, int h) : W(w), H(h) {
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
    for (int i = 0; i < w * h; ++i) bits[i] = 0xFFFFFF;
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    DWORD v = bits[y * W + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  int W, H;
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
  DWORD* bits = nullptr;
};

// Substitutes the theme-name query with one answering a chosen theme file and colour
// name, and takes one user of the colours for the test.
class Office11Colors : public ::testing::Test {
 protected:
  static inline const wchar_t* File = L"";
  static inline const wchar_t* Color = L"";
  static HRESULT WINAPI FakeThemeName(LPWSTR file, int nFile, LPWSTR color, int nColor, LPWSTR, int) {
    if (file) lstrcpynW(file, File, nFile);
    if (color) lstrcpynW(color, Color, nColor);
    return S_OK;
  }
  void SetUp() override {
    Real = vdUxTheme::Function(vdUxTheme::fnGetCurrentThemeName);
    vdUxTheme::SetFunction(vdUxTheme::fnGetCurrentThemeName,
                           reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeThemeName)));
    vdOffice11AcquireColors();
  }
  void TearDown() override {
    vdThemeManagerEnabled = vdUxTheme::IsThemeActive() != 0;
    vdUxTheme::SetFunction(vdUxTheme::fnGetCurrentThemeName, Real);
    vdOffice11RefreshColors();
    vdOffice11ReleaseColors();
  }
  void UseTheme(const wchar_t* file, const wchar_t* color) {
    File = file;
    Color = color;
    vdOffice11RefreshColors();
  }
  FARPROC Real = nullptr;
};

TEST(Office11, SchemeRule) {
  struct Case {
    const wchar_t* file;
    const wchar_t* color;
    DWORD major;
    Integer scheme;
  } cases[] = {
      {L"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", L"HomeStead", 5, 2},
      {L"luna.msstyles", L"normalcolor", 5, 1},
      {L"Luna.msstyles", L"Metallic", 5, 3},
      {L"Luna.msstyles", L"Custom", 5, 0},
      {L"C:\\Themes\\Other.msstyles", L"NormalColor", 5, 0},
      {L"C:\\Themes\\Aero.msstyles", L"NormalColor", 6, 1},
      {L"C:\\Themes\\Aero.msstyles", L"Other", 10, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.color << " " << c.major);
    EXPECT_EQ(vdOffice11SchemeOf(c.file, c.color, c.major), c.scheme);
  }
}

TEST_F(Office11Colors, LunaSchemeTakesTheTable) {
  ASSERT_TRUE(vdThemesAvailable()) << "the platform's visual style is expected to be active";
  ASSERT_GT(vdOSMajorVersion(), 5u);
  UseTheme(L"C:\\Themes\\Some.msstyles", L"HOMESTEAD");
  EXPECT_EQ(vdCurrentOffice11Scheme(), 2);
  EXPECT_TRUE(vdOffice11IsLunaScheme());
  EXPECT_EQ(vdOffice11BarColor, 0xA7D9D9);
  EXPECT_EQ(vdOffice11ControlBorderColor, 0x5E8D75);
  EXPECT_EQ(vdOffice11SelectionColor, 0x94E6FB);
  EXPECT_EQ(vdOffice11FilterBoxTextColor, 0xFFFFFF);
  EXPECT_EQ(vdOffice11GroupByBoxColor, vdMixColors(0x6B7760, 0x8FC4B5, 50));

  UseTheme(L"C:\\Themes\\Some.msstyles", L"NormalColor");
  EXPECT_EQ(vdCurrentOffice11Scheme(), 1);
  EXPECT_EQ(vdOffice11GradientColor1, 0xFEECDD);

  UseTheme(L"C:\\Themes\\Some.msstyles", L"Unknown");
  EXPECT_EQ(vdCurrentOffice11Scheme(), 0);
  EXPECT_FALSE(vdOffice11IsLunaScheme());
  EXPECT_EQ(vdOffice11BarColor, clBtnFace);
}

TEST_F(Office11Colors, ClassicStyleDerivesFromSystemColours) {
  vdThemeManagerEnabled = false;
  UseTheme(L"Luna.msstyles", L"NormalColor");
  EXPECT_EQ(vdCurrentOffice11Scheme(), 0);
  EXPECT_FALSE(vdOffice11IsLunaScheme());
  EXPECT_EQ(vdOffice11BarColor, clBtnFace);
  EXPECT_EQ(vdOffice11HighlightBorderColor, clHighlight);
  EXPECT_EQ(vdOffice11FilterBoxTextColor, clBtnHighlight);
  EXPECT_EQ(vdOffice11GradientColor1, vdMixColors(clBtnFace, clWindow, 22));
  EXPECT_EQ(vdOffice11HotColor1, vdNearestScreenColor(vdOffice11LightColor(-2, 30, 72)));
  EXPECT_EQ(vdOffice11SelectionColor, vdOffice11LightColor(41, 11, 48));
}

TEST(Office11, ColourArithmetic) {
  EXPECT_EQ(vdMixColors(clBlack, clWhite, 0), 0xFFFFFF);
  EXPECT_EQ(vdMixColors(clBlack, clWhite, 100), 0);
  EXPECT_EQ(vdMixColors(RGB(200, 0, 100), RGB(0, 200, 100), 25), RGB(50, 150, 100));
  EXPECT_EQ(vdScaleColorPercent(RGB(200, 101, 50), 50), RGB(100, 50, 25));
  EXPECT_EQ(vdScaleColorPercent(RGB(200, 100, 50), 200), RGB(400 & 0xFF, 200, 100)) << "low eight bits kept";
  // Face 0xC0C0C0-like grey, highlight and window mixed by percentages and limited.
  COLORREF face = GetSysColor(COLOR_BTNFACE), hl = GetSysColor(COLOR_HIGHLIGHT), win = GetSysColor(COLOR_WINDOW);
  if (face != RGB(0, 0, 0) && face != RGB(255, 255, 255)) {
    TColor light = vdOffice11LightColor(-2, 30, 72);
    auto ch = [](int f, int h, int w) { return std::clamp(MulDiv(f, -2, 100) + MulDiv(h, 30, 100) + MulDiv(w, 72, 100), 0, 255); };
    EXPECT_EQ(light, static_cast<TColor>(RGB(ch(GetRValue(face), GetRValue(hl), GetRValue(win)),
                                             ch(GetGValue(face), GetGValue(hl), GetGValue(win)),
                                             ch(GetBValue(face), GetBValue(hl), GetBValue(win)))));
    if (GetRValue(face) >= 85 && GetGValue(face) >= 85 && GetBValue(face) >= 85) {
      EXPECT_EQ(vdOffice11LightColor(300, 0, 0), static_cast<TColor>(RGB(255, 255, 255)))
          << "the face colour tripled is cut to 255 per channel";
    }
  }
}

TEST(Office11, GradientFill) {
  const COLORREF c1 = RGB(0, 0, 0), c2 = RGB(255, 255, 255);
  {
    SCOPED_TRACE("equal colours fill solid");
    Surface s(300, 10);
    vdFillGradientRect(s.dc, TRect{0, 0, 300, 10}, clRed, RGB(255, 0, 0), true);
    EXPECT_EQ(s.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(s.At(299, 9), RGB(255, 0, 0));
  }
  {
    SCOPED_TRACE("system gradient");
    ASSERT_NE(vdGradientFillFunc, nullptr);
    Surface s(300, 10);
    vdFillGradientRect(s.dc, TRect{0, 0, 300, 10}, c1, c2, true);
    EXPECT_LE(GetRValue(s.At(0, 5)), 2);
    EXPECT_GE(GetRValue(s.At(299, 5)), 253);
    EXPECT_EQ(s.At(150, 0), s.At(150, 9)) << "horizontal: columns are uniform";
  }
  TvdGradientFillFunc saved = vdGradientFillFunc;
  vdGradientFillFunc = nullptr;
  {
    SCOPED_TRACE("bands, horizontal");
    Surface s(300, 10);
    vdFillGradientRect(s.dc, TRect{0, 0, 300, 10}, c1, c2, true);
    std::set<COLORREF> colours;
    for (int x = 0; x < 300; ++x) colours.insert(s.At(x, 5));
    EXPECT_EQ(colours.size(), 256u);
    EXPECT_EQ(s.At(0, 0), c1);
    EXPECT_EQ(s.At(299, 9), c2);
  }
  {
    SCOPED_TRACE("bands, vertical and narrow");
    Surface s(10, 40);
    vdFillGradientRect(s.dc, TRect{0, 0, 10, 40}, c1, c2, false);
    EXPECT_EQ(s.At(5, 0), c1);
    EXPECT_EQ(s.At(5, 39), c2);
    EXPECT_EQ(s.At(0, 20), s.At(9, 20));
    EXPECT_LT(GetRValue(s.At(5, 10)), GetRValue(s.At(5, 30)));
  }
  {
    SCOPED_TRACE("a one-pixel gradient takes the first colour");
    Surface s(10, 10);
    vdFillGradientRect(s.dc, TRect{2, 2, 3, 8}, RGB(10, 20, 30), RGB(200, 200, 200), true);
    EXPECT_EQ(s.At(2, 5), RGB(10, 20, 30));
    EXPECT_EQ(s.At(3, 5), RGB(255, 255, 255));
  }
  {
    SCOPED_TRACE("an empty rectangle draws nothing");
    Surface s(10, 10);
    vdFillGradientRect(s.dc, TRect{5, 0, 5, 10}, c1, c2, true);
    vdFillGradientRect(s.dc, TRect{5, 0, 2, 10}, c1, c2, true);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(s.At(x, 5), c2);
  }
  vdGradientFillFunc = saved;
}

TEST(Office11, SizeGripIsATriangleOfSixDots) {
  vdOffice11AcquireColors();
  Surface s(30, 30);
  const COLORREF dot = RGB(0, 0, 255), light = RGB(0, 255, 0);
  TRect r{5, 5, 25, 25};
  vdOffice11DrawSizeGrip(s.dc, r, static_cast<TColor>(dot), static_cast<TColor>(light));
  // Dot k sits at its cell's top-left corner; the highlight one pixel down and right.
  struct Dot {
    int x, y;
  } dots[] = {{13, 22}, {17, 22}, {21, 22}, {17, 18}, {21, 18}, {21, 14}};
  int dotPixels = 0, lightPixels = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      if (s.At(x, y) == dot) ++dotPixels;
      if (s.At(x, y) == light) ++lightPixels;
    }
  EXPECT_EQ(dotPixels, 6 * 4);
  EXPECT_EQ(lightPixels, 6 * 3);
  for (const auto& d : dots) {
    SCOPED_TRACE(testing::Message() << d.x << "," << d.y);
    EXPECT_EQ(s.At(d.x, d.y), dot);
    EXPECT_EQ(s.At(d.x + 1, d.y + 1), dot);
    EXPECT_EQ(s.At(d.x + 2, d.y + 2), light);
    EXPECT_EQ(s.At(d.x + 2, d.y), RGB(255, 255, 255));
  }
  // The scheme's own colours when none are given.
  Surface own(30, 30);
  vdOffice11DrawSizeGrip(own.dc, r);
  EXPECT_NE(own.At(21, 22), RGB(255, 255, 255));
  vdOffice11ReleaseColors();
}

TEST(Office11, ResourcesLiveWhileColoursHaveUsers) {
  const Integer before = vdOffice11ColorUsers();
  vdOffice11AcquireColors();
  vdOffice11AcquireColors();
  ASSERT_NE(vdOffice11ExpandedButtonBitmap, nullptr);
  ASSERT_NE(vdOffice11CollapsedButtonBitmap, nullptr);
  EXPECT_EQ(vdOffice11ExpandedButtonBitmap->Width(), 9);
  EXPECT_EQ(vdOffice11CollapsedButtonBitmap->Height(), 9);
  vdOffice11ReleaseColors();
  EXPECT_NE(vdOffice11ExpandedButtonBitmap, nullptr);
  vdOffice11ReleaseColors();
  EXPECT_EQ(vdOffice11ColorUsers(), before);
  if (before == 0) {
    EXPECT_EQ(vdOffice11ExpandedButtonBitmap, nullptr);
    EXPECT_EQ(vdOffice11CollapsedButtonBitmap, nullptr);
  }
}

}  // namespace

}  // namespace ZS_UNITY_ID
