// The Office 2003 colours: a fixed table per colour scheme of the Luna visual style (or
// any visual style on later Windows), otherwise colours derived from the system
// colours; colour mixing, a two-colour gradient fill and the Office 2003 size grip.
#pragma once

#include <windows.h>

#include "Graphics.h"
#include "SysInit.h"
#include "System.h"
#include "vxGeometry.h"

// 0: no scheme recognised, 1: "NORMALCOLOR" (blue), 2: "HOMESTEAD" (olive),
// 3: "METALLIC" (silver); found by the last colour computation.
Integer vdCurrentOffice11Scheme();
// Visual styles are available and a scheme was recognised.
bool vdOffice11IsLunaScheme();
// The scheme a theme file and colour name stand for on a Windows of the given major
// version (the rule the colour computation applies to the current theme).
Integer vdOffice11SchemeOf(const String& AThemeFileName, const String& AColorName, DWORD AMajorVersion);

extern TColor vdOffice11GradientColor1;
extern TColor vdOffice11GradientColor2;
extern TColor vdOffice11BarColor;
extern TColor vdOffice11TabColor;
extern TColor vdOffice11SeparatorDarkColor;
extern TColor vdOffice11SeparatorLightColor;
extern TColor vdOffice11FilterBoxColor;
extern TColor vdOffice11ControlBorderColor;
extern TColor vdOffice11HighlightBorderColor;
extern TColor vdOffice11HotColor1;
extern TColor vdOffice11HotColor2;
extern TColor vdOffice11PressedColor;
extern TColor vdOffice11PressedColor2;
extern TColor vdOffice11SymbolColor;
extern TColor vdOffice11DisabledSymbolColor;
extern TColor vdOffice11GroupRowColor;
extern TColor vdOffice11SelectionColor;
extern TColor vdOffice11SchedulerControlColor;
extern TColor vdOffice11SchedulerBorderColor;
extern TColor vdOffice11GroupByBoxColor;
extern TColor vdOffice11FilterBoxTextColor;

constexpr TColor vdOffice11ExpandButtonColor1 = 0xBFAE9E;
constexpr TColor vdOffice11ExpandButtonColor2 = 0x5F462E;
// The expand-button images ("VDEXPANDBUTTON_MINUS" and "VDEXPANDBUTTON_PLUS" of the
// program's resources); nullptr while the colours have no users.
extern TBitmap* vdOffice11ExpandedButtonBitmap;
extern TBitmap* vdOffice11CollapsedButtonBitmap;

// "GradientFill" of msimg32.dll, bound at start-up; nullptr when missing.
using TvdGradientFillFunc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
extern TvdGradientFillFunc vdGradientFillFunc;

// Per channel: AColor2 weighted by 100 - APercent plus AColor1 weighted by APercent, the
// result snapped to the screen's nearest colour.
TColor vdMixColors(TColor AColor1, TColor AColor2, Integer APercent);
TColor vdScaleColorPercent(TColor AColor, Byte APercent);
// A mix of the raw face, highlight and window colours by percentages.
TColor vdOffice11LightColor(Integer A, Integer B, Integer C);
TColor vdNearestScreenColor(TColor AColor);
void vdFillRectSolid(HDC ADC, const TRect& R, TColor AColor);
void vdFillGradientRect(HDC ADC, const TRect& R, TColor AColor1, TColor AColor2, bool AHorizontal);
// Six dots in a right-angled triangle at the bottom-right corner of R; clDefault for a
// colour takes the scheme's own.
void vdOffice11DrawSizeGrip(HDC ADC, const TRect& R, TColor AColor = clDefault, TColor AHighlightColor = clDefault);

// Users of the colours: the first acquisition computes them and creates the brushes and
// bitmaps, the last release deletes those.
void vdOffice11AcquireColors();
void vdOffice11ReleaseColors();
// Recomputes the scheme and every colour (system colours changed); while there are
// users the brushes and bitmaps are made again.
void vdOffice11RefreshColors();
Integer vdOffice11ColorUsers();

extern const TUnitInfo vdOffice11Unit;
