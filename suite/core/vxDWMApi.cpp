#include "vxDWMApi.h"

#include "Libraries.h"
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

TLibrary FLibrary;

template <class F>
void Bind(F& AEntry, const char* AName) {
  FLibrary.Bind(AEntry, AName);
}

void InitDWMApi() { vxDWMApi::LoadLibrary(vdOSMajorVersion()); }
void FinDWMApi() { vxDWMApi::FreeLibrary(); }

}  // namespace

void LoadLibrary(DWORD AMajorVersion) {
  if (FLibrary.Loaded() || AMajorVersion <= 5) return;
  if (!FLibrary.Load(L"dwmapi.dll")) return;
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
  FLibrary.Free();
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
