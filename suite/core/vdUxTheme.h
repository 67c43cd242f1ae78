// The visual-styles library, loaded at start-up and bound by name so that the program
// also runs where the library or some of its functions are missing. The suite calls
// the library only through the wrappers below; apart from IsThemeActive they may only
// be called when vdThemesAvailable() says so.
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include "SysInit.h"
#include "System.h"

// True once the library was loaded at start-up.
extern bool vdUxThemeLoaded;

namespace vdUxTheme {

// The bound functions, in lookup order.
enum TvdUxThemeFunction {
  fnCloseThemeData, fnDrawThemeBackground, fnDrawThemeEdge, fnDrawThemeIcon,
  fnDrawThemeParentBackground, fnDrawThemeText, fnDrawThemeTextEx, fnEnableThemeDialogTexture,
  fnGetCurrentThemeName, fnGetThemeAppProperties, fnGetThemeBackgroundContentRect,
  fnGetThemeBackgroundRegion, fnGetThemeBackgroundExtent, fnGetThemeBool, fnGetThemeColor,
  fnGetThemeDocumentationProperty, fnGetThemeEnumValue, fnGetThemeFilename, fnGetThemeFont,
  fnGetThemeInt, fnGetThemeIntList, fnGetThemeMargins, fnGetThemeMetric, fnGetThemePartSize,
  fnGetThemePosition, fnGetThemePropertyOrigin, fnGetThemeRect, fnGetThemeString,
  fnGetThemeSysBool, fnGetThemeSysColor, fnGetThemeSysColorBrush, fnGetThemeSysFont,
  fnGetThemeSysInt, fnGetThemeSysSize, fnGetThemeSysString, fnGetThemeTextExtent,
  fnGetThemeTextMetrics, fnGetWindowTheme, fnHitTestThemeBackground, fnIsAppThemed,
  fnIsThemeActive, fnIsThemePartDefined, fnIsThemeBackgroundPartiallyTransparent,
  fnIsThemeDialogTextureEnabled, fnOpenThemeData, fnSetThemeAppProperties, fnSetWindowTheme,
  fnBufferedPaintInit, fnBufferedPaintUnInit, fnBeginBufferedPaint, fnEndBufferedPaint,
  fnBufferedPaintSetAlpha,
  fnCount
};

// The exported name of a bound function.
const char* FunctionName(TvdUxThemeFunction AFunction);
// The bound entry point, nullptr when missing.
FARPROC Function(TvdUxThemeFunction AFunction);
// Replaces a binding (tests substitute entry points to observe or fake the library).
void SetFunction(TvdUxThemeFunction AFunction, FARPROC AEntry);
// Loads and binds the library (start-up does this); FreeLibrary releases it.
void LoadLibrary();
void FreeLibrary();

HTHEME OpenThemeData(HWND hwnd, LPCWSTR pszClassList);
HRESULT CloseThemeData(HTHEME hTheme);
HRESULT DrawThemeBackground(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* pRect,
                            const RECT* pClipRect);
HRESULT DrawThemeBackground(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT& pRect,
                            const RECT& pClipRect);
HRESULT DrawThemeText(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, LPCWSTR pszText,
                      int iCharCount, DWORD dwTextFlags, DWORD dwTextFlags2, const RECT* pRect);
HRESULT DrawThemeText(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const String& AText,
                      int iCharCount, DWORD dwTextFlags, DWORD dwTextFlags2, const RECT* pRect);
HRESULT GetThemeBackgroundContentRect(HTHEME hTheme, HDC hdc, int iPartId, int iStateId,
                                      const RECT* pBoundingRect, RECT* pContentRect);
HRESULT GetThemePartSize(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* prc,
                         THEMESIZE eSize, SIZE* psz);
HRESULT GetThemePartSize(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, THEMESIZE eSize, SIZE* psz);
HRESULT GetThemeBackgroundRegion(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* pRect,
                                 HRGN* pRegion);
HRESULT DrawThemeEdge(HTHEME hTheme, HDC hdc, int iPartId, int iStateId, const RECT* pDestRect,
                      UINT uEdge, UINT uFlags, RECT* pContentRect);
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME hTheme, int iPartId, int iStateId);
// Keeps the device context's selected font across the call.
HRESULT DrawThemeParentBackground(HWND hwnd, HDC hdc, const RECT* prc);
HRESULT GetThemeColor(HTHEME hTheme, int iPartId, int iStateId, int iPropId, COLORREF* pColor);
// False when the function is not bound.
BOOL IsThemeActive();
HRESULT GetCurrentThemeName(LPWSTR pszThemeFileName, int cchMaxNameChars, LPWSTR pszColorBuff,
                            int cchMaxColorChars, LPWSTR pszSizeBuff, int cchMaxSizeChars);
HPAINTBUFFER BeginBufferedPaint(HDC hdcTarget, const RECT* prcTarget, BP_BUFFERFORMAT dwFormat,
                                BP_PAINTPARAMS* pPaintParams, HDC* phdc);
HRESULT EndBufferedPaint(HPAINTBUFFER hBufferedPaint, BOOL fUpdateTarget);
HRESULT BufferedPaintSetAlpha(HPAINTBUFFER hBufferedPaint, const RECT* prc, BYTE alpha);

}  // namespace vdUxTheme

extern const TUnitInfo vdUxThemeUnit;
