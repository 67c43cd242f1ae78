// The desktop window manager (glass composition), loaded at start-up on Windows
// versions above 5 and bound by name.
#pragma once

#include <windows.h>
#include <dwmapi.h>

#include "SysInit.h"
#include "System.h"

extern bool vxIsDwmLoaded;

namespace vxDWMApi {
using TDwmDefWindowProc = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM, LRESULT*);
using TDwmEnableBlurBehindWindow = HRESULT(WINAPI*)(HWND, const DWM_BLURBEHIND*);
using TDwmEnableComposition = HRESULT(WINAPI*)(UINT);
using TDwmEnableMMCSS = HRESULT(WINAPI*)(BOOL);
using TDwmExtendFrameIntoClientArea = HRESULT(WINAPI*)(HWND, const MARGINS*);
using TDwmGetColorizationColor = HRESULT(WINAPI*)(DWORD*, BOOL*);
using TDwmGetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
using TDwmIsCompositionEnabled = HRESULT(WINAPI*)(BOOL*);
using TDwmSetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// The bound entry points; nullptr when missing.
extern TDwmDefWindowProc DwmDefWindowProc;
extern TDwmEnableBlurBehindWindow DwmEnableBlurBehindWindow;
extern TDwmEnableComposition DwmEnableComposition;
extern TDwmEnableMMCSS DwmEnableMMCSS;
extern TDwmExtendFrameIntoClientArea DwmExtendFrameIntoClientArea;
extern TDwmGetColorizationColor DwmGetColorizationColor;
extern TDwmGetWindowAttribute DwmGetWindowAttribute;
extern TDwmIsCompositionEnabled DwmIsCompositionEnabled;
extern TDwmSetWindowAttribute DwmSetWindowAttribute;

// Loads and binds the library when AMajorVersion is above 5 (start-up passes the real
// version); FreeLibrary releases it.
void LoadLibrary(DWORD AMajorVersion);
void FreeLibrary();
}  // namespace vxDWMApi

bool vxIsCompositionEnabled();

extern const TUnitInfo vxDWMApiUnit;
