#include "vdGDIPlusAPI.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "SysUtils.h"

const char* const GdiPlusFunctionNames[gfCount] = {
    "GdipAlloc", "GdipFree", "GdiplusStartup", "GdiplusShutdown", "GdipCloneBrush", "GdipDeleteBrush",
    "GdipGetBrushType", "GdipCreateSolidFill", "GdipSetSolidFillColor", "GdipGetSolidFillColor",
    "GdipCreateLineBrushFromRectI", "GdipGetLineRectI", "GdipSetLineColors", "GdipGetLineColors",
    "GdipSetLineWrapMode", "GdipGetLineWrapMode", "GdipCreateHatchBrush", "GdipGetHatchStyle",
    "GdipGetHatchForegroundColor", "GdipGetHatchBackgroundColor", "GdipCreatePen1", "GdipCreatePen2",
    "GdipClonePen", "GdipDeletePen", "GdipGetPenFillType", "GdipSetPenBrushFill", "GdipGetPenBrushFill",
    "GdipSetPenColor", "GdipGetPenColor", "GdipSetPenMode", "GdipGetPenMode", "GdipSetPenWidth",
    "GdipGetPenWidth", "GdipCreateFromHDC", "GdipDeleteGraphics", "GdipGetDC", "GdipReleaseDC",
    "GdipGraphicsClear", "GdipDrawLineI", "GdipFillRectangleI", "GdipDrawArcI", "GdipDrawBezierI",
    "GdipDrawRectangleI", "GdipDrawEllipseI", "GdipDrawPieI", "GdipDrawPolygonI", "GdipDrawCurve2I",
    "GdipDrawClosedCurve2I", "GdipFillPolygonI", "GdipFillEllipseI", "GdipFillPieI", "GdipFillClosedCurveI",
    "GdipLoadImageFromStream", "GdipCreateHBITMAPFromBitmap", "GdipCreateBitmapFromFile",
    "GdipCreateBitmapFromStream", "GdipCreateBitmapFromStreamICM", "GdipLoadImageFromFile",
    "GdipGetImageDimension", "GdipDrawImageRectI", "GdipDisposeImage", "GdipGetImageEncodersSize",
    "GdipGetImageEncoders", "GdipGetEncoderParameterListSize", "GdipGetEncoderParameterList",
    "GdipCreateBitmapFromGdiDib", "GdipCreateBitmapFromScan0", "GdipBitmapLockBits", "GdipBitmapUnlockBits",
    "GdipDrawImageRectRectI", "GdipDrawImageRectRect", "GdipDrawImagePointRect", "GdipCloneImage",
    "GdipSetInterpolationMode", "GdipGetInterpolationMode", "GdipCreateCachedBitmap", "GdipDeleteCachedBitmap",
    "GdipDrawCachedBitmap", "GdipCreateBitmapFromGraphics", "GdipGetImageGraphicsContext", "GdipGetImageWidth",
    "GdipGetImageHeight", "GdipSetCompositingMode", "GdipGetCompositingMode", "GdipSetCompositingQuality",
    "GdipGetCompositingQuality", "GdipSetSmoothingMode", "GdipGetSmoothingMode", "GdipCloneBitmapAreaI",
    "GdipSaveImageToStream", "GdipCreateBitmapFromHBITMAP", "GdipIsVisibleRect", "GdipIsVisibleRectI",
};

namespace {

HMODULE RealLoad(const wchar_t* Name) { return SafeLoadLibrary(Name); }
FARPROC RealProc(HMODULE Module, const char* Name) { return GetProcAddress(Module, Name); }
BOOL RealFree(HMODULE Module) { return FreeLibrary(Module); }

// Process-wide binding state; UI thread only.
struct TGdiPlusState {
  TvdGdiPlusLoader Loader = DefaultGdiPlusLoader();
  HMODULE Module = nullptr;
  bool Available = false;
  FARPROC Procs[gfCount] = {};
  ULONG_PTR StartupToken = 0;
  ULONG_PTR HookToken = 0;
  bool Started = false;
  GdiplusStartupInput Input;
  GdiplusStartupOutput Output;
};
TGdiPlusState& State() {
  static TGdiPlusState S;
  return S;
}

using TGdiplusStartup = GpStatus(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, GdiplusStartupOutput*);
using TGdiplusShutdown = void(WINAPI*)(ULONG_PTR);
using TGdipAlloc = void*(WINAPI*)(size_t);
using TGdipFree = void(WINAPI*)(void*);
using TGdipGetImageEncodersSize = GpStatus(WINAPI*)(UINT*, UINT*);
using TGdipGetImageEncoders = GpStatus(WINAPI*)(UINT, UINT, ImageCodecInfo*);

// Releases the library (once) and forgets every bound function.
void ReleaseModule(TGdiPlusState& S) {
  HMODULE M = S.Module;
  S.Module = nullptr;
  std::fill(std::begin(S.Procs), std::end(S.Procs), nullptr);
  S.Available = false;
  if (M) S.Loader.Free(M);
}

TvdUnitsLoader*& LoaderSingleton() {
  static TvdUnitsLoader* P = nullptr;
  return P;
}
// This code lives in a program, never in a library: start-up procedures run at once.
constexpr bool IsLibrary = false;

}  // namespace

TvdGdiPlusLoader DefaultGdiPlusLoader() { return {RealLoad, RealProc, RealFree}; }

TvdGdiPlusLoader SetGdiPlusLoader(const TvdGdiPlusLoader& Loader) {
  TvdGdiPlusLoader Old = State().Loader;
  State().Loader = Loader;
  return Old;
}

HMODULE GdiPlusModule() { return State().Module; }
FARPROC GdiPlusProc(TvdGdipFunction F) { return F >= 0 && F < gfCount ? State().Procs[F] : nullptr; }

void LoadGdiPlusLibrary() {
  TGdiPlusState& S = State();
  if (S.Available) return;
  S.Module = S.Loader.Load(L"gdiplus.dll");
  S.Available = S.Module != nullptr;
  // After the first missing function no further lookups are made.
  for (int I = 0; I < gfCount; ++I)
    if (S.Available) {
      S.Procs[I] = S.Loader.Proc(S.Module, GdiPlusFunctionNames[I]);
      S.Available = S.Procs[I] != nullptr;
    }
  if (!S.Available) {
    // A partial binding is no binding: start-up is never called through a missing
    // function, and the library is let go so the next check tries again from scratch.
    ReleaseModule(S);
    return;
  }
  S.Input = GdiplusStartupInput();
  S.Output = GdiplusStartupOutput();
  GpStatus Status = reinterpret_cast<TGdiplusStartup>(reinterpret_cast<void*>(S.Procs[gfGdiplusStartup]))(
      &S.StartupToken, &S.Input, &S.Output);
  if (Status == Ok) {
    S.Started = true;
    if (S.Output.NotificationHook) Status = S.Output.NotificationHook(&S.HookToken);
    if (Status != Ok) {
      S.Output.NotificationUnhook = nullptr;
      reinterpret_cast<TGdiplusShutdown>(reinterpret_cast<void*>(S.Procs[gfGdiplusShutdown]))(S.StartupToken);
      S.Started = false;
    }
  }
  if (Status != Ok) {
    S.Output = GdiplusStartupOutput();
    ReleaseModule(S);
  }
}

void UnloadGdiPlusLibrary() {
  TGdiPlusState& S = State();
  if (S.Available && S.Started) {
    if (S.Output.NotificationUnhook) S.Output.NotificationUnhook(S.HookToken);
    reinterpret_cast<TGdiplusShutdown>(reinterpret_cast<void*>(S.Procs[gfGdiplusShutdown]))(S.StartupToken);
    S.Started = false;
    S.Output = GdiplusStartupOutput();
  }
  // The handle is cleared as it is freed, so a second call frees nothing.
  ReleaseModule(S);
}

bool CheckGdiPlus() {
  if (!State().Available) LoadGdiPlusLibrary();
  return State().Available;
}

void CheckGdiPlusStatus(GpStatus Status) {
  if (Status != Ok) AssertFailed(L"Invalid operation in GDI+", __FILE__, __LINE__);
}

int GetEncoderClsid(const String& MimeType, CLSID& Clsid) {
  if (!CheckGdiPlus()) return 1;
  UINT Count = 0, Size = 0;
  if (GdipFn<TGdipGetImageEncodersSize>(gfGdipGetImageEncodersSize)(&Count, &Size) != Ok || Size == 0) return 1;
  std::unique_ptr<BYTE[]> Buffer(new BYTE[Size]);
  auto* Codecs = reinterpret_cast<ImageCodecInfo*>(Buffer.get());
  if (GdipFn<TGdipGetImageEncoders>(gfGdipGetImageEncoders)(Count, Size, Codecs) != Ok) return 1;
  for (UINT I = 0; I < Count; ++I)
    if (Codecs[I].MimeType && SameText(String(Codecs[I].MimeType), MimeType)) {
      Clsid = Codecs[I].Clsid;
      return 0;
    }
  return 1;
}

// --- TvdGPBase ------------------------------------------------------------------------------------

void* TvdGPBase::operator new(size_t Size) {
  void* P = nullptr;
  if (auto Alloc = GdipFn<TGdipAlloc>(gfGdipAlloc)) P = Alloc(Size);
  if (!P) throw EOutOfMemory(L"Out of memory");
  return P;
}

void TvdGPBase::operator delete(void* P) {
  if (!P) return;
  if (auto Free = GdipFn<TGdipFree>(gfGdipFree)) Free(P);
  // Without GDI+ (unloaded while objects live) the block cannot be returned; it is left.
}

// --- Units loader ---------------------------------------------------------------------------------

TvdUnitsLoader::~TvdUnitsLoader() { Finalize(); }

void TvdUnitsLoader::AddUnit(TvdUnitProc InitProc, TvdUnitProc FinalizeProc) {
  if (InitProc) {
    if (IsLibrary) {
      FInitializeList.push_back(InitProc);
    } else {
      FUnitsInitialized = true;
      InitProc();
    }
  }
  if (FinalizeProc) FFinalizeList.push_back(FinalizeProc);
}

void TvdUnitsLoader::RemoveUnit(TvdUnitProc FinalizeProc) {
  auto It = std::find(FFinalizeList.begin(), FFinalizeList.end(), FinalizeProc);
  if (It == FFinalizeList.end()) return;
  FFinalizeList.erase(It);
  FinalizeProc();
}

void TvdUnitsLoader::Initialize() {
  std::vector<TvdUnitProc> List;
  List.swap(FInitializeList);
  for (TvdUnitProc P : List) P();
  FUnitsInitialized = true;
}

void TvdUnitsLoader::Finalize() {
  if (FUnitsInitialized) {
    // Taken out of the list before each call, so a procedure that fails is not run twice.
    while (!FFinalizeList.empty()) {
      TvdUnitProc P = FFinalizeList.back();
      FFinalizeList.pop_back();
      P();
    }
  }
  FUnitsInitialized = false;
  FFinalizeList.clear();
}

bool TvdUnitsLoader::UnitsInitialized() const { return FUnitsInitialized; }

TvdUnitsLoader* UnitsLoaderInstance() {
  if (!LoaderSingleton()) LoaderSingleton() = new TvdUnitsLoader;
  return LoaderSingleton();
}

namespace {

void MarkNotAvailable() { State().Available = false; }

void InitGDIPlusAPI() { UnitsLoaderInstance()->AddUnit(MarkNotAvailable, UnloadGdiPlusLibrary); }

void FinGDIPlusAPI() {
  if (State().Available && IsLibrary && LoaderSingleton())
    throw Exception(L"Need call vdFinalizeGDIPlus before free library!");
  std::unique_ptr<TvdUnitsLoader> Loader(LoaderSingleton());
  LoaderSingleton() = nullptr;
}

}  // namespace

const TUnitInfo vdGDIPlusAPIUnit = {L"vdGDIPlusAPI", InitGDIPlusAPI, FinGDIPlusAPI};
