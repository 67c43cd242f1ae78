// GDI+ bound at run time: gdiplus.dll is loaded on first demand, its flat API functions are
// bound by name, and the library is started once. A units loader runs the start-up and
// shut-down procedures of the units that need GDI+, shut-down in reverse order.
#pragma once

#include <windows.h>

#include <vector>

#include "Classes.h"
#include "SysInit.h"
#include "SysUtils.h"

// --- Flat API types (opaque handles and the records the binding uses) ---------------------------

using GpStatus = int;
constexpr GpStatus Ok = 0;
using GpImage = void;
using GpBitmap = void;
using GpGraphics = void;
using ARGB = DWORD;
using PixelFormat = INT;
constexpr PixelFormat PixelFormat32bppPARGB = 0xE200B;
constexpr int UnitPixel = 2;

struct GdiplusStartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = TRUE;
  BOOL SuppressExternalCodecs = FALSE;
};

using TGdipNotificationHook = GpStatus(WINAPI*)(ULONG_PTR* token);
using TGdipNotificationUnhook = void(WINAPI*)(ULONG_PTR token);
struct GdiplusStartupOutput {
  TGdipNotificationHook NotificationHook = nullptr;
  TGdipNotificationUnhook NotificationUnhook = nullptr;
};

struct ImageCodecInfo {
  CLSID Clsid;
  GUID FormatID;
  const WCHAR* CodecName;
  const WCHAR* DllName;
  const WCHAR* FormatDescription;
  const WCHAR* FilenameExtension;
  const WCHAR* MimeType;
  DWORD Flags;
  DWORD Version;
  DWORD SigCount;
  DWORD SigSize;
  const BYTE* SigPattern;
  const BYTE* SigMask;
};

// --- The binding ----------------------------------------------------------------------------------

// Index of each bound function in binding order.
enum TvdGdipFunction : int {
  gfGdipAlloc, gfGdipFree, gfGdiplusStartup, gfGdiplusShutdown, gfGdipCloneBrush, gfGdipDeleteBrush,
  gfGdipGetBrushType, gfGdipCreateSolidFill, gfGdipSetSolidFillColor, gfGdipGetSolidFillColor,
  gfGdipCreateLineBrushFromRectI, gfGdipGetLineRectI, gfGdipSetLineColors, gfGdipGetLineColors,
  gfGdipSetLineWrapMode, gfGdipGetLineWrapMode, gfGdipCreateHatchBrush, gfGdipGetHatchStyle,
  gfGdipGetHatchForegroundColor, gfGdipGetHatchBackgroundColor, gfGdipCreatePen1, gfGdipCreatePen2,
  gfGdipClonePen, gfGdipDeletePen, gfGdipGetPenFillType, gfGdipSetPenBrushFill, gfGdipGetPenBrushFill,
  gfGdipSetPenColor, gfGdipGetPenColor, gfGdipSetPenMode, gfGdipGetPenMode, gfGdipSetPenWidth,
  gfGdipGetPenWidth, gfGdipCreateFromHDC, gfGdipDeleteGraphics, gfGdipGetDC, gfGdipReleaseDC,
  gfGdipGraphicsClear, gfGdipDrawLineI, gfGdipFillRectangleI, gfGdipDrawArcI, gfGdipDrawBezierI,
  gfGdipDrawRectangleI, gfGdipDrawEllipseI, gfGdipDrawPieI, gfGdipDrawPolygonI, gfGdipDrawCurve2I,
  gfGdipDrawClosedCurve2I, gfGdipFillPolygonI, gfGdipFillEllipseI, gfGdipFillPieI, gfGdipFillClosedCurveI,
  gfGdipLoadImageFromStream, gfGdipCreateHBITMAPFromBitmap, gfGdipCreateBitmapFromFile,
  gfGdipCreateBitmapFromStream, gfGdipCreateBitmapFromStreamICM, gfGdipLoadImageFromFile,
  gfGdipGetImageDimension, gfGdipDrawImageRectI, gfGdipDisposeImage, gfGdipGetImageEncodersSize,
  gfGdipGetImageEncoders, gfGdipGetEncoderParameterListSize, gfGdipGetEncoderParameterList,
  gfGdipCreateBitmapFromGdiDib, gfGdipCreateBitmapFromScan0, gfGdipBitmapLockBits, gfGdipBitmapUnlockBits,
  gfGdipDrawImageRectRectI, gfGdipDrawImageRectRect, gfGdipDrawImagePointRect, gfGdipCloneImage,
  gfGdipSetInterpolationMode, gfGdipGetInterpolationMode, gfGdipCreateCachedBitmap, gfGdipDeleteCachedBitmap,
  gfGdipDrawCachedBitmap, gfGdipCreateBitmapFromGraphics, gfGdipGetImageGraphicsContext, gfGdipGetImageWidth,
  gfGdipGetImageHeight, gfGdipSetCompositingMode, gfGdipGetCompositingMode, gfGdipSetCompositingQuality,
  gfGdipGetCompositingQuality, gfGdipSetSmoothingMode, gfGdipGetSmoothingMode, gfGdipCloneBitmapAreaI,
  gfGdipSaveImageToStream, gfGdipCreateBitmapFromHBITMAP, gfGdipIsVisibleRect, gfGdipIsVisibleRectI,
  gfCount
};

// The names looked up, in binding order.
extern const char* const GdiPlusFunctionNames[gfCount];

// How the binding reaches the system. The default loads, looks up and frees for real;
// tests put their own in to reach cases a system does not produce on demand.
struct TvdGdiPlusLoader {
  HMODULE (*Load)(const wchar_t* Name) = nullptr;
  FARPROC (*Proc)(HMODULE Module, const char* Name) = nullptr;
  BOOL (*Free)(HMODULE Module) = nullptr;
};
TvdGdiPlusLoader DefaultGdiPlusLoader();
// Replaces the loader; answers the previous one. Only while GDI+ is not loaded.
TvdGdiPlusLoader SetGdiPlusLoader(const TvdGdiPlusLoader& Loader);

void LoadGdiPlusLibrary();
void UnloadGdiPlusLibrary();
// Loads GDI+ when it is not available yet; answers whether it is.
bool CheckGdiPlus();
// The module handle (nullptr when not loaded) and a bound function (nullptr when unbound).
HMODULE GdiPlusModule();
FARPROC GdiPlusProc(TvdGdipFunction F);
template <class Fn>
Fn GdipFn(TvdGdipFunction F) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GdiPlusProc(F)));
}
// Raises the assertion failure "Invalid operation in GDI+" for a status other than Ok.
void CheckGdiPlusStatus(GpStatus Status);
// 0 and Clsid set when an encoder of that MIME type exists, else 1.
int GetEncoderClsid(const String& MimeType, CLSID& Clsid);

// Base of objects allocated in GDI+'s own heap while GDI+ is available.
class TvdGPBase : public TObject {
  DECLARE_CLASS(TvdGPBase, TObject)
 public:
  static void* operator new(size_t Size);
  static void operator delete(void* P);
};

// --- Units loader ---------------------------------------------------------------------------------

using TvdUnitProc = void (*)();

class TvdUnitsLoader : public TObject {
  DECLARE_CLASS(TvdUnitsLoader, TObject)
 public:
  ~TvdUnitsLoader() override;
  // An InitProc runs now in a program and is kept for Initialize in a library; a FinalizeProc
  // is kept for Finalize.
  void AddUnit(TvdUnitProc InitProc, TvdUnitProc FinalizeProc);
  // Runs FinalizeProc now when it was registered (and forgets it).
  void RemoveUnit(TvdUnitProc FinalizeProc);
  void Initialize();
  // Runs the kept shut-down procedures, the last registered first.
  void Finalize();
  bool UnitsInitialized() const;

 private:
  std::vector<TvdUnitProc> FInitializeList;
  std::vector<TvdUnitProc> FFinalizeList;
  bool FUnitsInitialized = false;  // the start-up procedures have run
};

TvdUnitsLoader* UnitsLoaderInstance();

extern const TUnitInfo vdGDIPlusAPIUnit;
