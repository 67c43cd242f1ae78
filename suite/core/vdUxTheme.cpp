#include "vdUxTheme.h"

#include <commctrl.h>

#include "Libraries.h"

bool vdUxThemeLoaded = false;

namespace vdUxTheme {

namespace {

const char* const FNames[fnCount] = {
    "CloseThemeData", "DrawThemeBackground", "DrawThemeEdge", "DrawThemeIcon",
    "DrawThemeParentBackground", "DrawThemeText", "DrawThemeTextEx", "EnableThemeDialogTexture",
    "GetCurrentThemeName", "GetThemeAppProperties", "GetThemeBackgroundContentRect",
    "GetThemeBackgroundRegion", "GetThemeBackgroundExtent", "GetThemeBool", "GetThemeColor",
    "GetThemeDocumentationProperty", "GetThemeEnumValue", "GetThemeFilename", "GetThemeFont",
    "GetThemeInt", "GetThemeIntList", "GetThemeMargins", "GetThemeMetric", "GetThemePartSize",
    "GetThemePosition", "GetThemePropertyOrigin", "GetThemeRect", "GetThemeString",
    "GetThemeSysBool", "GetThemeSysColor", "GetThemeSysColorBrush", "GetThemeSysFont",
    "GetThemeSysInt", "GetThemeSysSize", "GetThemeSysString", "GetThemeTextExtent",
    "GetThemeTextMetrics", "GetWindowTheme", "HitTestThemeBackground", "IsAppThemed",
    "IsThemeActive", "IsThemePartDefined", "IsThemeBackgroundPartiallyTransparent",
    "IsThemeDialogTextureEnabled", "OpenThemeData", "SetThemeAppProperties", "SetWindowTheme",
    "BufferedPaintInit", "BufferedPaintUnInit", "BeginBufferedPaint", "EndBufferedPaint",
    "BufferedPaintSetAlpha"};

TLibrary FLibrary;
FARPROC FFunctions[fnCount] = {};

template <class F>
F Bound(TvdUxThemeFunction f) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(FFunctions[f]));
}

void InitUxTheme() {
  InitCommonControls();
  vdUxTheme::LoadLibrary();
}

void FinUxTheme() { vdUxTheme::FreeLibrary(); }

}  // namespace

const char* FunctionName(TvdUxThemeFunction AFunction) { return FNames[AFunction]; }
FARPROC Function(TvdUxThemeFunction AFunction) { return FFunctions[AFunction]; }
void SetFunction(TvdUxThemeFunction AFunction, FARPROC AEntry) { FFunctions[AFunction] = AEntry; }

void LoadLibrary() {
  if (FLibrary.Loaded()) return;
  vdUxThemeLoaded = FLibrary.Load(L"UxTheme.dll");
  for (int i = 0; i < fnCount; ++i) FFunctions[i] = FLibrary.Entry(FNames[i]);
}

void FreeLibrary() {
  for (auto& f : FFunctions) f = nullptr;
  FLibrary.Free();
  vdUxThemeLoaded = false;
}

HTHEME OpenThemeData(HWND hwnd, LPCWSTR pszClassList) {
  return Bound<HTHEME(WINAPI*)(HWND, LPCWSTR)>(fnOpenThemeData)(hwnd, pszClassList);
}

HRESULT CloseThemeData(HTHEME hTheme) {
  return Bound<HRESULT(WINAPI*)(HTHEME)>(fnCloseThemeData)(hTheme);
}

HRESULT DrawThemeBackground(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* pRect,
                            const RECT* pClipRect) {
  return Bound<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*)>(fnDrawThemeBackground)(
      hTheme, hdc, iPartId, iStateId, pRect, pClipRect);
}

HRESULT DrawThemeBackground(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT& pRect,
                            const RECT& pClipRect) {
  return vdUxTheme::DrawThemeBackground(hTheme, hdc, iPartId, iStateId, &pRect, &pClipRect);
}

HRESULT DrawThemeText(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, LPCWSTR pszText, int iCharCount,
                      DWORD dwTextFlags, DWORD dwTextFlags2, const RECT* pRect) {
  return Bound<HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*)>(
      fnDrawThemeText)(hTheme, hdc, iPartId, iStateId, pszText, iCharCount, dwTextFlags, dwTextFlags2, pRect);
}

HRESULT DrawThemeText(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const String& AText, int iCharCount,
                      DWORD dwTextFlags, DWORD dwTextFlags2, const RECT* pRect) {
  return vdUxTheme::DrawThemeText(hTheme, hdc, iPartId, iStateId, AText.c_str(), iCharCount, dwTextFlags, dwTextFlags2,
                       pRect);
}

HRESULT GetThemeBackgroundContentRect(HTHEME hTheme, HDC hdc, int iPartId, int iStateId,
                                      const RECT* pBoundingRect, RECT* pContentRect) {
  return Bound<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, RECT*)>(fnGetThemeBackgroundContentRect)(
      hTheme, hdc, iPartId, iStateId, pBoundingRect, pContentRect);
}

HRESULT GetThemePartSize(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* prc, THEMESIZE eSize,
                         SIZE* psz) {
  return Bound<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE*)>(fnGetThemePartSize)(
      hTheme, hdc, iPartId, iStateId, prc, eSize, psz);
}

HRESULT GetThemePartSize(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, THEMESIZE eSize, SIZE* psz) {
  return vdUxTheme::GetThemePartSize(hTheme, hdc, iPartId, iStateId, nullptr, eSize, psz);
}

HRESULT GetThemeBackgroundRegion(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* pRect,
                                 HRGN* pRegion) {
  return Bound<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, HRGN*)>(fnGetThemeBackgroundRegion)(
      hTheme, hdc, iPartId, iStateId, pRect, pRegion);
}

HRESULT DrawThemeEdge(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* pDestRect, UINT uEdge,
                      UINT uFlags, RECT* pContentRect) {
  return Bound<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, UINT, UINT, RECT*)>(fnDrawThemeEdge)(
      hTheme, hdc, iPartId, iStateId, pDestRect, uEdge, uFlags, pContentRect);
}

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME hTheme, int iPartId, int iStateId) {
  return Bound<BOOL(WINAPI*)(HTHEME, int, int)>(fnIsThemeBackgroundPartiallyTransparent)(hTheme, iPartId,
                                                                                         iStateId);
}

HRESULT DrawThemeParentBackground(HWND hwnd, HDC hdc, const RECT* prc) {
  HGDIOBJ font = GetCurrentObject(hdc, OBJ_FONT);
  HRESULT r = Bound<HRESULT(WINAPI*)(HWND, HDC, const RECT*)>(fnDrawThemeParentBackground)(hwnd, hdc, prc);
  SelectObject(hdc, font);
  return r;
}

HRESULT GetThemeColor(HTHEME hTheme, int iPartId, int iStateId, int iPropId, COLORREF* pColor) {
  return Bound<HRESULT(WINAPI*)(HTHEME, int, int, int, COLORREF*)>(fnGetThemeColor)(hTheme, iPartId, iStateId,
                                                                                   iPropId, pColor);
}

BOOL IsThemeActive() {
  auto f = Bound<BOOL(WINAPI*)()>(fnIsThemeActive);
  return f ? f() : FALSE;
}

HRESULT GetCurrentThemeName(LPWSTR pszThemeFileName, int cchMaxNameChars, LPWSTR pszColorBuff,
                            int cchMaxColorChars, LPWSTR pszSizeBuff, int cchMaxSizeChars) {
  return Bound<HRESULT(WINAPI*)(LPWSTR, int, LPWSTR, int, LPWSTR, int)>(fnGetCurrentThemeName)(
      pszThemeFileName, cchMaxNameChars, pszColorBuff, cchMaxColorChars, pszSizeBuff, cchMaxSizeChars);
}

HPAINTBUFFER BeginBufferedPaint(HDC hdcTarget, const RECT* prcTarget, BP_BUFFERFORMAT dwFormat,
                                BP_PAINTPARAMS* pPaintParams, HDC* phdc) {
  return Bound<HPAINTBUFFER(WINAPI*)(HDC, const RECT*, BP_BUFFERFORMAT, BP_PAINTPARAMS*, HDC*)>(
      fnBeginBufferedPaint)(hdcTarget, prcTarget, dwFormat, pPaintParams, phdc);
}

HRESULT EndBufferedPaint(HPAINTBUFFER hBufferedPaint, BOOL fUpdateTarget) {
  return Bound<HRESULT(WINAPI*)(HPAINTBUFFER, BOOL)>(fnEndBufferedPaint)(hBufferedPaint, fUpdateTarget);
}

HRESULT BufferedPaintSetAlpha(HPAINTBUFFER hBufferedPaint, const RECT* prc, BYTE alpha) {
  return Bound<HRESULT(WINAPI*)(HPAINTBUFFER, const RECT*, BYTE)>(fnBufferedPaintSetAlpha)(hBufferedPaint, prc,
                                                                                          alpha);
}

}  // namespace vdUxTheme

const TUnitInfo vdUxThemeUnit = {L"vdUxTheme", vdUxTheme::InitUxTheme, vdUxTheme::FinUxTheme};
