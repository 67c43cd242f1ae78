#include "vxDWMApi.h"

#include "vdCore.h"

bool vxIsDwmLoaded = false;

namespace vxDWMApi {

TDwmDefWindowProc DwmDefWindowProc = nullptr;
TDwmEnableBlurBehindWindow DwmEnableBlurBehindWindow = nullptr;
TDwmEnableComposition DwmEnableComposition = nullptr;
TDwmEnableMMCSS DwmEnableMMCSS = nullptr;
TDwmExtendFrameIntoClientArea DwmExtendFrameIntoClientArea = nullptr;
TDwmGetColorizationColor DwmGetColorizationColor = nullptr;
TDwmGetWindowAttribute DwmGetWindowAttribute = nullptr;
TDwmIsCompositionEnabled DwmIsCompositionEnabled = nullptr;
TDwmSetWindowAttribute DwmSetWindowAttribute = nullptr;

namespace {

HMODULE FLibrary = nullptr;

template <class F>
void Bind(F& AEntry, const char* AName) {
  AEntry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(FLibrary, AName)));
}

void InitDWMApi() { vxDWMApi::LoadLibrary(vdOSMajorVersion()); }
void FinDWMApi() { vxDWMApi::FreeLibrary(); }

}  // namespace

void LoadLibrary(DWORD AMajorVersion) {
  if (FLibrary || AMajorVersion <= 5) return;
  FLibrary = ::LoadLibraryW(L"dwmapi.dll");
  if (!FLibrary) return;
  Bind(DwmDefWindowProc, "DwmDefWindowProc");
  Bind(DwmEnableBlurBehindWindow, "DwmEnableBlurBehindWindow");
  Bind(DwmEnableComposition, "DwmEnableComposition");
  Bind(DwmEnableMMCSS, "DwmEnableMMCSS");
  Bind(DwmExtendFrameIntoClientArea, "DwmExtendFrameIntoClientArea");
  Bind(DwmGetColorizationColor, "DwmGetColorizationColor");
  Bind(DwmGetWindowAttribute, "DwmGetWindowAttribute");
  Bind(DwmIsCompositionEnabled, "DwmIsCompositionEnabled");
  Bind(DwmSetWindowAttribute, "DwmSetWindowAttribute");
  vxIsDwmLoaded = true;
}

void FreeLibrary() {
  DwmDefWindowProc = nullptr;
  DwmEnableBlurBehindWindow = nullptr;
  DwmEnableComposition = nullptr;
  DwmEnableMMCSS = nullptr;
  DwmExtendFrameIntoClientArea = nullptr;
  DwmGetColorizationColor = nullptr;
  DwmGetWindowAttribute = nullptr;
  DwmIsCompositionEnabled = nullptr;
  DwmSetWindowAttribute = nullptr;
  if (FLibrary) ::FreeLibrary(FLibrary);
  FLibrary = nullptr;
  vxIsDwmLoaded = false;
}

}  // namespace vxDWMApi

bool vxIsCompositionEnabled() {
  if (!vxIsDwmLoaded || !vxDWMApi::DwmIsCompositionEnabled) return false;
  BOOL enabled = FALSE;
  if (FAILED(vxDWMApi::DwmIsCompositionEnabled(&enabled))) return false;
  return enabled != FALSE;
}

const TUnitInfo vxDWMApiUnit = {L"vxDWMApi", vxDWMApi::InitDWMApi, vxDWMApi::FinDWMApi};
