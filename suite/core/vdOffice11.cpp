#include "vdOffice11.h"

#include <algorithm>
#include <memory>

#include "SysUtils.h"
#include "vdCore.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"

TColor vdOffice11GradientColor1 = 0;
TColor vdOffice11GradientColor2 = 0;
TColor vdOffice11BarColor = 0;
TColor vdOffice11TabColor = 0;
TColor vdOffice11SeparatorDarkColor = 0;
TColor vdOffice11SeparatorLightColor = 0;
TColor vdOffice11FilterBoxColor = 0;
TColor vdOffice11ControlBorderColor = 0;
TColor vdOffice11HighlightBorderColor = 0;
TColor vdOffice11HotColor1 = 0;
TColor vdOffice11HotColor2 = 0;
TColor vdOffice11PressedColor = 0;
TColor vdOffice11PressedColor2 = 0;
TColor vdOffice11SymbolColor = 0;
TColor vdOffice11DisabledSymbolColor = 0;
TColor vdOffice11GroupRowColor = 0;
TColor vdOffice11SelectionColor = 0;
TColor vdOffice11SchedulerControlColor = 0;
TColor vdOffice11SchedulerBorderColor = 0;
TColor vdOffice11GroupByBoxColor = 0;
TColor vdOffice11FilterBoxTextColor = 0;
TBitmap* vdOffice11ExpandedButtonBitmap = nullptr;
TBitmap* vdOffice11CollapsedButtonBitmap = nullptr;
TvdGradientFillFunc vdGradientFillFunc = nullptr;

namespace {

Integer FScheme = 0;
Integer FUsers = 0;
HMODULE FMsimg32 = nullptr;
// The size grip's dot colour and dot highlight colour, and their brushes.
TColor FGripDotColor = 0, FGripHighlightColor = 0;
HBRUSH FGripDotBrush = nullptr, FGripHighlightBrush = nullptr;

// Entries of the scheme table that feed a colour, per scheme 1 to 3.
enum TEntry {
  eGradient1 = 0, eGradient2 = 1, eBar = 2, eTab = 3, eGroupByBox1 = 4, eGroupByBox2 = 11, eGripDot = 12,
  eGripHighlight = 13, eSeparatorDark = 14, eSeparatorLight = 15, eFilterBox = 16, eControlBorder = 18,
  eHighlightBorder = 21, eHot1 = 22, eHot2 = 23, ePressed = 24, ePressed2 = 25, eSymbol = 30,
  eDisabledSymbol = 31, eGroupRow = 32, eSelection = 33, eSchedulerControl = 34, eSchedulerBorder = 35,
  eCount = 49
};

struct TSchemeEntry {
  TEntry Entry;
  TColor Colors[3];
};

const TSchemeEntry SchemeTable[] = {
    {eGradient1, {0xFEECDD, 0xDEF7F4, 0xFAF4F3}},
    {eGradient2, {0xE2A981, 0x91C6B7, 0xB59799}},
    {eBar, {0xF5BE9E, 0xA7D9D9, 0xE5D7D7}},
    {eTab, {0xF9DAC3, 0xE4F0F2, 0xF7F3F3}},
    {eGroupByBox1, {0x913500, 0x6B7760, 0x927476}},
    {eGroupByBox2, {0xE0A47B, 0x8FC4B5, 0xB09193}},
    {eGripDot, {0x764127, 0x335E51, 0x755454}},
    {eGripHighlight, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
    {eSeparatorDark, {0xCB8C6A, 0x588060, 0x8F6D6E}},
    {eSeparatorLight, {0xFFF9F1, 0xDEF7F4, 0xFFFFFF}},
    {eFilterBox, {0xC9662A, 0x5E8674, 0x99797A}},
    {eControlBorder, {0x962D00, 0x5E8D75, 0x947C7C}},
    {eHighlightBorder, {0x800000, 0x385D3F, 0x6F4B4B}},
    {eHot1, {0xCCF4FF, 0xCCF4FF, 0xCCF4FF}},
    {eHot2, {0x91D0FF, 0x91D0FF, 0x91D0FF}},
    {ePressed, {0x8ED3FF, 0x8ED3FF, 0x8ED3FF}},
    {ePressed2, {0x4E91FE, 0x4E91FE, 0x4E91FE}},
    {eSymbol, {0x000000, 0x000000, 0x000000}},
    {eDisabledSymbol, {0x8D8D8D, 0x8D8D8D, 0x8D8D8D}},
    {eGroupRow, {0xFBDABE, 0x91BAAF, 0xEBE5E5}},
    {eSelection, {0x94E6FB, 0x94E6FB, 0x94E6FB}},
    {eSchedulerControl, {0xFADAC4, 0xE4F1F2, 0xF7F3F3}},
    {eSchedulerBorder, {0x962D00, 0x588060, 0x947C7C}},
};

Integer Red(COLORREF C) { return GetRValue(C); }
Integer Green(COLORREF C) { return GetGValue(C); }
Integer Blue(COLORREF C) { return GetBValue(C); }

Integer Clamp255(Integer V) { return std::clamp(V, 0, 255); }

String FileNameOnly(const String& APath) {
  auto p = APath.find_last_of(L"\\/:");
  return p == String::npos ? APath : APath.substr(p + 1);
}

Integer DetectScheme() {
  if (!vdThemesAvailable()) return 0;
  wchar_t file[1024] = {}, color[1024] = {}, size[1024] = {};
  if (FAILED(vdUxTheme::GetCurrentThemeName(file, 1024, color, 1024, size, 1024))) return 0;
  return vdOffice11SchemeOf(file, color, vdOSMajorVersion());
}

void ComputeColors() {
  FScheme = DetectScheme();
  TColor table[eCount] = {};
  if (vdOffice11IsLunaScheme()) {
    for (const auto& e : SchemeTable) table[e.Entry] = e.Colors[FScheme - 1];
  } else {
    table[eGradient1] = vdMixColors(clBtnFace, clWindow, 22);
    table[eGradient2] = vdMixColors(clBtnFace, clWindow, 96);
    table[eBar] = clBtnFace;
    table[eTab] = vdMixColors(clBtnFace, clWindow, 20);
    table[eGroupByBox1] = clBtnShadow;
    table[eGroupByBox2] = clBtnFace;
    table[eGripDot] = vdMixColors(clBtnShadow, clWindow, 76);
    table[eGripHighlight] = clWindow;
    table[eSeparatorDark] = vdMixColors(clBtnShadow, clWindow, 70);
    table[eSeparatorLight] = 0xFFFFFF;
    table[eFilterBox] = clBtnShadow;
    table[eControlBorder] = clBtnShadow;
    table[eHighlightBorder] = clHighlight;
    table[eHot1] = table[eHot2] = vdNearestScreenColor(vdOffice11LightColor(-2, 30, 72));
    table[ePressed] = table[ePressed2] = vdNearestScreenColor(vdOffice11LightColor(14, 44, 40));
    table[eSymbol] = clBtnText;
    table[eDisabledSymbol] = clGrayText;
    table[eGroupRow] = clBtnFace;
    table[eSelection] = vdOffice11LightColor(41, 11, 48);
    table[eSchedulerControl] = clBtnFace;
    table[eSchedulerBorder] = clBtnShadow;
  }
  vdOffice11GradientColor1 = table[eGradient1];
  vdOffice11GradientColor2 = table[eGradient2];
  vdOffice11BarColor = table[eBar];
  vdOffice11TabColor = table[eTab];
  FGripDotColor = table[eGripDot];
  FGripHighlightColor = table[eGripHighlight];
  vdOffice11SeparatorDarkColor = table[eSeparatorDark];
  vdOffice11SeparatorLightColor = table[eSeparatorLight];
  vdOffice11FilterBoxColor = table[eFilterBox];
  vdOffice11ControlBorderColor = table[eControlBorder];
  vdOffice11HighlightBorderColor = table[eHighlightBorder];
  vdOffice11HotColor1 = table[eHot1];
  vdOffice11HotColor2 = table[eHot2];
  vdOffice11PressedColor = table[ePressed];
  vdOffice11PressedColor2 = table[ePressed2];
  vdOffice11SymbolColor = table[eSymbol];
  vdOffice11DisabledSymbolColor = table[eDisabledSymbol];
  vdOffice11GroupRowColor = table[eGroupRow];
  vdOffice11SelectionColor = table[eSelection];
  vdOffice11SchedulerControlColor = table[eSchedulerControl];
  vdOffice11SchedulerBorderColor = table[eSchedulerBorder];
  if (vdOffice11IsLunaScheme()) {
    vdOffice11GroupByBoxColor = vdMixColors(table[eGroupByBox1], table[eGroupByBox2], 50);
    vdOffice11FilterBoxTextColor = 0xFFFFFF;
  } else {
    vdOffice11GroupByBoxColor = vdMixColors(clBtnShadow, clBtnFace, 50);
    vdOffice11FilterBoxTextColor = clBtnHighlight;
  }
}

void DeleteResources() {
  if (FGripDotBrush) DeleteObject(FGripDotBrush);
  if (FGripHighlightBrush) DeleteObject(FGripHighlightBrush);
  FGripDotBrush = FGripHighlightBrush = nullptr;
  FreeAndNil(vdOffice11ExpandedButtonBitmap);
  FreeAndNil(vdOffice11CollapsedButtonBitmap);
}

// Loads the bitmaps first: a missing resource raises before anything is kept.
void CreateResources() {
  auto expanded = std::make_unique<TBitmap>();
  expanded->LoadFromResourceName(GetModuleHandleW(nullptr), L"VDEXPANDBUTTON_MINUS");
  auto collapsed = std::make_unique<TBitmap>();
  collapsed->LoadFromResourceName(GetModuleHandleW(nullptr), L"VDEXPANDBUTTON_PLUS");
  vdOffice11ExpandedButtonBitmap = expanded.release();
  vdOffice11CollapsedButtonBitmap = collapsed.release();
  FGripDotBrush = CreateSolidBrush(ColorToRGB(FGripDotColor));
  FGripHighlightBrush = CreateSolidBrush(ColorToRGB(FGripHighlightColor));
}

// A brush of the colour for the scope; clDefault takes the unit's own brush.
class TGripBrush {
 public:
  TGripBrush(TColor AColor, HBRUSH AOwn)
      : FBrush(AColor == clDefault ? AOwn : CreateSolidBrush(ColorToRGB(AColor))), FOwned(AColor != clDefault) {}
  ~TGripBrush() {
    if (FOwned) DeleteObject(FBrush);
  }
  TGripBrush(const TGripBrush&) = delete;
  TGripBrush& operator=(const TGripBrush&) = delete;
  HBRUSH Handle() const { return FBrush; }

 private:
  HBRUSH FBrush;
  bool FOwned;
};

void InitOffice11() {
  FMsimg32 = LoadLibraryW(L"msimg32.dll");
  if (FMsimg32)
    vdGradientFillFunc = reinterpret_cast<TvdGradientFillFunc>(
        reinterpret_cast<void*>(GetProcAddress(FMsimg32, "GradientFill")));
}

void FinOffice11() {
  vdGradientFillFunc = nullptr;
  if (FMsimg32) FreeLibrary(FMsimg32);
  FMsimg32 = nullptr;
}

}  // namespace

Integer vdCurrentOffice11Scheme() { return FScheme; }

bool vdOffice11IsLunaScheme() { return vdThemesAvailable() && FScheme != 0; }

Integer vdOffice11SchemeOf(const String& AThemeFileName, const String& AColorName, DWORD AMajorVersion) {
  if (AnsiUpperCase(FileNameOnly(AThemeFileName)) != L"LUNA.MSSTYLES" && AMajorVersion <= 5) return 0;
  String color = AnsiUpperCase(AColorName);
  if (color == L"NORMALCOLOR") return 1;
  if (color == L"HOMESTEAD") return 2;
  if (color == L"METALLIC") return 3;
  return 0;
}

TColor vdMixColors(TColor AColor1, TColor AColor2, Integer APercent) {
  COLORREF c1 = ColorToRGB(AColor1), c2 = ColorToRGB(AColor2);
  auto mix = [&](Integer a, Integer b) { return std::min(255, MulDiv(b, 100 - APercent, 100) + MulDiv(a, APercent, 100)); };
  return vdNearestScreenColor(
      static_cast<TColor>(RGB(mix(Red(c1), Red(c2)), mix(Green(c1), Green(c2)), mix(Blue(c1), Blue(c2)))));
}

TColor vdScaleColorPercent(TColor AColor, Byte APercent) {
  COLORREF c = ColorToRGB(AColor);
  auto scale = [&](Integer ch) { return static_cast<Byte>(static_cast<Integer>(ch * APercent / 100.0) & 0xFF); };
  return static_cast<TColor>(RGB(scale(Red(c)), scale(Green(c)), scale(Blue(c))));
}

TColor vdOffice11LightColor(Integer A, Integer B, Integer C) {
  COLORREF face = GetSysColor(COLOR_BTNFACE), highlight = GetSysColor(COLOR_HIGHLIGHT),
           window = GetSysColor(COLOR_WINDOW);
  if (face == RGB(0, 0, 0) || face == RGB(255, 255, 255)) return static_cast<TColor>(highlight);
  auto light = [&](Integer f, Integer h, Integer w) {
    return Clamp255(MulDiv(f, A, 100) + MulDiv(h, B, 100) + MulDiv(w, C, 100));
  };
  return static_cast<TColor>(RGB(light(Red(face), Red(highlight), Red(window)),
                                 light(Green(face), Green(highlight), Green(window)),
                                 light(Blue(face), Blue(highlight), Blue(window))));
}

TColor vdNearestScreenColor(TColor AColor) {
  HDC dc = GetDC(nullptr);
  COLORREF c = GetNearestColor(dc, ColorToRGB(AColor));
  ReleaseDC(nullptr, dc);
  return static_cast<TColor>(c);
}

void vdFillRectSolid(HDC ADC, const TRect& R, TColor AColor) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(AColor));
  FillRect(ADC, &R, brush);
  DeleteObject(brush);
}

void vdFillGradientRect(HDC ADC, const TRect& R, TColor AColor1, TColor AColor2, bool AHorizontal) {
  COLORREF c1 = ColorToRGB(AColor1), c2 = ColorToRGB(AColor2);
  if (c1 == c2) {
    vdFillRectSolid(ADC, R, AColor1);
    return;
  }
  if (vdGradientFillFunc) {
    TRIVERTEX v[2] = {};
    v[0].x = R.left;
    v[0].y = R.top;
    v[0].Red = static_cast<COLOR16>(Red(c1) << 8);
    v[0].Green = static_cast<COLOR16>(Green(c1) << 8);
    v[0].Blue = static_cast<COLOR16>(Blue(c1) << 8);
    v[1].x = R.right;
    v[1].y = R.bottom;
    v[1].Red = static_cast<COLOR16>(Red(c2) << 8);
    v[1].Green = static_cast<COLOR16>(Green(c2) << 8);
    v[1].Blue = static_cast<COLOR16>(Blue(c2) << 8);
    GRADIENT_RECT g{0, 1};
    vdGradientFillFunc(ADC, v, 2, &g, 1, AHorizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
    return;
  }
  const Integer size = AHorizontal ? R.right - R.left : R.bottom - R.top;
  if (size <= 0) return;
  const Integer n = std::min(256, size);
  const Integer origin = AHorizontal ? R.left : R.top;
  const Integer farEdge = AHorizontal ? R.right : R.bottom;
  Integer start = origin;
  for (Integer i = 0; i < n; ++i) {
    Integer end = origin + MulDiv(i + 1, size, n);
    // A single band takes the first colour (a zero divisor would make MulDiv answer -1).
    auto channel = [&](Integer a, Integer b) { return n == 1 ? a : a + MulDiv(i, b - a, n - 1); };
    COLORREF c = RGB(channel(Red(c1), Red(c2)), channel(Green(c1), Green(c2)), channel(Blue(c1), Blue(c2)));
    TRect band = AHorizontal ? TRect{start, R.top, end, R.bottom} : TRect{R.left, start, R.right, end};
    if (band.left < band.right && band.top < band.bottom) vdFillRectSolid(ADC, band, static_cast<TColor>(c));
    start = end;
    if (end >= farEdge) break;
  }
}

void vdOffice11DrawSizeGrip(HDC ADC, const TRect& R, TColor AColor, TColor AHighlightColor) {
  TGripBrush dot(AColor, FGripDotBrush), highlight(AHighlightColor, FGripHighlightBrush);
  TRect strip{R.right - 12, R.bottom - 3, R.right, R.bottom};
  for (int row = 0; row < 3; ++row) {
    const Integer width = strip.right - strip.left;
    const Integer rest = width % 4;
    Integer x = strip.left + (rest < 2 ? rest : rest / 2);
    for (; x + 4 <= strip.right; x += 4) {
      RECT square{x + 1, strip.top + 1, x + 3, strip.top + 3};
      if (highlight.Handle()) FillRect(ADC, &square, highlight.Handle());
      OffsetRect(&square, -1, -1);
      if (dot.Handle()) FillRect(ADC, &square, dot.Handle());
    }
    strip.left += 4;
    OffsetRect(&strip, 0, -4);
  }
}

void vdOffice11AcquireColors() {
  if (FUsers == 0) {
    ComputeColors();
    CreateResources();
  }
  ++FUsers;
}

void vdOffice11ReleaseColors() {
  if (FUsers == 0) return;
  if (--FUsers == 0) DeleteResources();
}

void vdOffice11RefreshColors() {
  ComputeColors();
  if (FUsers > 0) {
    DeleteResources();
    CreateResources();
  }
}

Integer vdOffice11ColorUsers() { return FUsers; }

const TUnitInfo vdOffice11Unit = {L"vdOffice11", InitOffice11, FinOffice11};
