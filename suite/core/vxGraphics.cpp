#include "vxGraphics.h"

#include <algorithm>

#include "Libraries.h"

TBrush* vxPatternBrush = nullptr;
std::vector<TBrush*> vxSystemBrushes;
TvxAlphaBlendFunc vxAlphaBlendFunc = nullptr;
bool vxGraphicsFinalized = false;

namespace {

// Selects the canvas's own font, pen and brush into its DC where they are not yet
// (the platform canvas selects them lazily, on the next drawing call).
struct TCanvasAccess : TCanvas {
  using TCanvas::RequiredState;
};
void RealizeCanvasObjects(TCanvas* ACanvas) {
  (ACanvas->*(&TCanvasAccess::RequiredState))({csHandleValid, csFontValid, csPenValid, csBrushValid});
}

TvxScreenCanvas* FScreenCanvas = nullptr;
TvxPaintCanvas* FPaintCanvas = nullptr;
TSize FScreenPixelsPerInch{96, 96};
TLibrary FMsimg32;
TLibrary FUser32;

constexpr int RegionOperationModes[] = {RGN_COPY, RGN_OR, RGN_DIFF, RGN_AND};

}  // namespace

// --- TvxRegion ------------------------------------------------------------------------------

TvxRegion::TvxRegion(HRGN AHandle) : FHandle(AHandle) {}
TvxRegion::TvxRegion(const TRect& ABounds) : FHandle(CreateRectRgnIndirect(&ABounds)) {}
TvxRegion::TvxRegion() : FHandle(CreateRectRgn(0, 0, 0, 0)) {}
TvxRegion::TvxRegion(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom)
    : FHandle(CreateRectRgn(ALeft, ATop, ARight, ABottom)) {}

TvxRegion* TvxRegion::CreateRoundCorners(const TRect& ABounds, Integer AWidthEllepse, Integer AHeightEllepse) {
  return CreateRoundCorners(ABounds.left, ABounds.top, ABounds.right, ABounds.bottom, AWidthEllepse,
                            AHeightEllepse);
}

TvxRegion* TvxRegion::CreateRoundCorners(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom,
                                         Integer AWidthEllepse, Integer AHeightEllepse) {
  return new TvxRegion(CreateRoundRectRgn(ALeft + 1, ATop + 1, ARight, ABottom, AWidthEllepse, AHeightEllepse));
}

TvxRegion::~TvxRegion() {
  if (FHandle) DeleteObject(FHandle);
}

void TvxRegion::Combine(TvxRegion* ARegion, TvxRegionOperation AOperation, bool ADestroyRegion) {
  if (!ARegion) return;
  if (AOperation == roSet)
    CombineRgn(FHandle, ARegion->FHandle, nullptr, RGN_COPY);
  else
    CombineRgn(FHandle, FHandle, ARegion->FHandle, RegionOperationModes[AOperation]);
  if (ADestroyRegion) delete ARegion;
}

bool TvxRegion::IsEqual(TvxRegion* ARegion) {
  if (!ARegion) return false;
  if (IsEmpty() && ARegion->IsEmpty()) return true;
  return IsEqual(ARegion->FHandle);
}

bool TvxRegion::IsEqual(HRGN ARegionHandle) { return EqualRgn(FHandle, ARegionHandle) != FALSE; }

void TvxRegion::Offset(Integer DX, Integer DY) { OffsetRgn(FHandle, DX, DY); }

bool TvxRegion::PtInRegion(Integer X, Integer Y) { return ::PtInRegion(FHandle, X, Y) != FALSE; }

bool TvxRegion::RectInRegion(const TRect& R) { return ::RectInRegion(FHandle, &R) != FALSE; }

bool TvxRegion::RectInRegion(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) {
  TRect R{ALeft, ATop, ARight, ABottom};
  return RectInRegion(R);
}

TRect TvxRegion::BoundsRect() {
  TRect R{};
  if (GetRgnBox(FHandle, &R) == NULLREGION) R = vxZeroRect;
  return R;
}

bool TvxRegion::IsEmpty() {
  TRect R{};
  return GetRgnBox(FHandle, &R) == NULLREGION;
}

// --- TvxCanvas ------------------------------------------------------------------------------

TvxCanvas::TvxCanvas(TCanvas* ACanvas) : FCanvas(ACanvas) {}

TvxCanvas::~TvxCanvas() {
  // Pending saved states are discarded, not restored.
  for (auto* r : FSavedRegions) delete r;
  FSavedRegions.clear();
  for (auto& s : FSavedStates) {
    delete s.Font;
    delete s.Brush;
    delete s.Pen;
  }
  FSavedStates.clear();
  FCanvas = nullptr;
}

TPoint TvxCanvas::DCOrigin() const {
  TPoint v = ViewportOrg(), w = WindowOrg();
  return {v.x - w.x, v.y - w.y};
}

TPoint TvxCanvas::ViewportOrg() const {
  TPoint P{};
  GetViewportOrgEx(Handle(), &P);
  return P;
}

void TvxCanvas::SetViewportOrg(const TPoint& Value) { SetViewportOrgEx(Handle(), Value.x, Value.y, nullptr); }

TPoint TvxCanvas::WindowOrg() const {
  TPoint P{};
  GetWindowOrgEx(Handle(), &P);
  return P;
}

void TvxCanvas::SetWindowOrg(const TPoint& Value) { SetWindowOrgEx(Handle(), Value.x, Value.y, nullptr); }

void TvxCanvas::SetBrushColor(TColor Value) {
  if (Brush()->Color() != Value) Brush()->SetColor(Value);
}

void TvxCanvas::SetFontAngle(Integer Value) {
  LOGFONTW lf{};
  if (!GetObjectW(Font()->Handle(), sizeof(lf), &lf)) return;
  lf.lfEscapement = Value * 10;
  if (Value != 0) lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  HFONT f = CreateFontIndirectW(&lf);
  Font()->SetHandle(f);  // the font takes the handle's settings
  DeleteObject(f);
}

void TvxCanvas::GetParams(TvxViewParams& AParams) const {
  AParams.Color = Brush()->Color();
  AParams.Font = Font();
  AParams.TextColor = Font()->Color();
}

void TvxCanvas::SetParams(const TvxViewParams& AParams) {
  SetBrushColor(AParams.Color);
  if (AParams.Font) SetFont(AParams.Font);
  Font()->SetColor(AParams.TextColor);
}

void TvxCanvas::SaveDC() {
  // The lock keeps the platform from releasing or recycling the DC until RestoreDC.
  FCanvas->Lock();
  HDC dc = Handle();
  FSavedDCs.push_back(TvxDCState{dc, ::SaveDC(dc)});
}

void TvxCanvas::RestoreDC() {
  if (FSavedDCs.empty()) return;
  TvxDCState s = FSavedDCs.back();
  FCanvas->SetHandle(s.Handle);
  ::RestoreDC(s.Handle, s.State);
  FSavedDCs.pop_back();
  FCanvas->Unlock();
}

void TvxCanvas::TakeOverSelectedObjects(HDC ADC) {
  LOGFONTW lf{};
  if (GetObjectW(GetCurrentObject(ADC, OBJ_FONT), sizeof(lf), &lf)) {
    HFONT f = CreateFontIndirectW(&lf);
    Font()->SetHandle(f);
    DeleteObject(f);
  }
  Font()->SetColor(static_cast<TColor>(GetTextColor(ADC)));

  LOGBRUSH lb{};
  if (GetObjectW(GetCurrentObject(ADC, OBJ_BRUSH), sizeof(lb), &lb)) {
    Brush()->SetHandle(CreateBrushIndirect(&lb));
    Brush()->SetColor(static_cast<TColor>(lb.lbColor));
    static const TBrushStyle hatches[] = {bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    if (lb.lbStyle == BS_NULL)
      Brush()->SetStyle(bsClear);
    else if (lb.lbStyle == BS_HATCHED && lb.lbHatch <= 5)
      Brush()->SetStyle(hatches[lb.lbHatch]);
    else
      Brush()->SetStyle(bsSolid);
  }

  LOGPEN lp{};
  if (GetObjectW(GetCurrentObject(ADC, OBJ_PEN), sizeof(lp), &lp)) {
    Pen()->SetHandle(CreatePenIndirect(&lp));
    Pen()->SetColor(static_cast<TColor>(lp.lopnColor));
    UINT style = lp.lopnStyle & 0xFF;
    Pen()->SetStyle(style <= psAlternate ? static_cast<TPenStyle>(style) : psSolid);
    Pen()->SetWidth(lp.lopnWidth.x);
    static const int rop2[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                               R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN,
                               R2_MERGEPEN, R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN,
                               R2_NOTXORPEN};
    int mode = GetROP2(ADC);
    TPenMode pm = pmCopy;
    for (int i = 0; i <= pmNotXor; ++i)
      if (rop2[i] == mode) {
        pm = static_cast<TPenMode>(i);
        break;
      }
    Pen()->SetMode(pm);
  }
}

void TvxCanvas::SaveState() {
  // Settings made on the canvas but not yet selected into the DC count as selected;
  // objects that drawing code selected behind the canvas's back are taken over.
  RealizeCanvasObjects(FCanvas);
  TakeOverSelectedObjects(Handle());
  SaveDC();
  TvxCanvasState s{new TFont(), new TBrush(), new TPen()};
  s.Font->Assign(Font());
  s.Brush->Assign(Brush());
  s.Pen->Assign(Pen());
  FSavedStates.push_back(s);
}

void TvxCanvas::RestoreState() {
  if (FSavedStates.empty()) return;
  TvxCanvasState s = FSavedStates.back();
  FSavedStates.pop_back();
  SetFont(s.Font);
  SetBrush(s.Brush);
  SetPen(s.Pen);
  delete s.Font;
  delete s.Brush;
  delete s.Pen;
  RestoreDC();
}

void TvxCanvas::SaveClipRegion() { FSavedRegions.push_back(GetClipRegion(true)); }

void TvxCanvas::RestoreClipRegion() {
  if (FSavedRegions.empty()) return;
  TvxRegion* r = FSavedRegions.back();
  FSavedRegions.pop_back();
  SetClipRegion(r, roSet, true, true);
}

TvxRegion* TvxCanvas::GetClipRegion(bool AConsiderOrigin) {
  auto* r = new TvxRegion();
  if (GetClipRgn(Handle(), r->Handle()) != 1) SetRectRgn(r->Handle(), 0, 0, 30000, 30000);
  if (AConsiderOrigin) {
    TPoint o = DCOrigin();
    r->Offset(-o.x, -o.y);
  }
  return r;
}

void TvxCanvas::SetClipRegion(TvxRegion* ARegion, TvxRegionOperation AOperation, bool ADestroyRegion,
                              bool AConsiderOrigin) {
  if (!ARegion) return;
  if (AOperation == roSet) {
    TPoint o{0, 0};
    if (AConsiderOrigin) {
      o = DCOrigin();
      ARegion->Offset(o.x, o.y);
    }
    SelectClipRgn(Handle(), ARegion->Handle());
    if (ADestroyRegion)
      delete ARegion;
    else if (AConsiderOrigin)
      ARegion->Offset(-o.x, -o.y);
  } else {
    TvxRegion* clip = GetClipRegion(AConsiderOrigin);
    clip->Combine(ARegion, AOperation, ADestroyRegion);
    SetClipRegion(clip, roSet, true, AConsiderOrigin);
  }
}

void TvxCanvas::ExcludeClipRect(const TRect& R) { ::ExcludeClipRect(Handle(), R.left, R.top, R.right, R.bottom); }

void TvxCanvas::IntersectClipRect(const TRect& R) {
  ::IntersectClipRect(Handle(), R.left, R.top, R.right, R.bottom);
}

bool TvxCanvas::RectVisible(const TRect& R) { return ::RectVisible(Handle(), &R) != FALSE; }

bool TvxCanvas::RectFullyVisible(const TRect& R) {
  TvxRegion* clip = GetClipRegion(true);
  TvxRegion* rect = new TvxRegion(R);
  clip->Combine(rect, roIntersect, false);
  bool result = clip->IsEqual(rect);
  delete clip;
  delete rect;
  return result;
}

void TvxCanvas::BeginPath() { ::BeginPath(Handle()); }
void TvxCanvas::EndPath() { ::EndPath(Handle()); }
void TvxCanvas::WidenPath() { ::WidenPath(Handle()); }
TvxRegion* TvxCanvas::PathToRegion() { return new TvxRegion(::PathToRegion(Handle())); }

// --- Screen canvas --------------------------------------------------------------------------

TScreenCanvas::~TScreenCanvas() { FreeHandle(); }

void TScreenCanvas::CreateHandle() {
  FWindowHandle = GetDesktopWindow();
  FDeviceContext = GetDCEx(FWindowHandle, nullptr, DCX_CACHE | DCX_LOCKWINDOWUPDATE);
  SetHandle(FDeviceContext);
}

void TScreenCanvas::FreeHandle() {
  if (!FDeviceContext) return;
  SetHandle(nullptr);
  ReleaseDC(FWindowHandle, FDeviceContext);
  FDeviceContext = nullptr;
  FWindowHandle = nullptr;
}

TvxScreenCanvas::TvxScreenCanvas() : TvxCanvas(new TScreenCanvas()) {}

TvxScreenCanvas::~TvxScreenCanvas() {
  TCanvas* c = FCanvas;
  FCanvas = nullptr;
  delete c;
}

void TvxScreenCanvas::Dormant() { static_cast<TScreenCanvas*>(FCanvas)->FreeHandle(); }

TvxScreenCanvas* vxGetScreenCanvas() {
  if (vxGraphicsFinalized) return nullptr;
  if (!FScreenCanvas) FScreenCanvas = new TvxScreenCanvas();
  return FScreenCanvas;
}

// --- Paint canvas ---------------------------------------------------------------------------

TvxPaintCanvas::TvxPaintCanvas() : TvxCanvas(new TCanvas()) { FOwnCanvas = FCanvas; }

TvxPaintCanvas::~TvxPaintCanvas() {
  FCanvas = nullptr;
  delete FOwnCanvas;
}

void TvxPaintCanvas::BeginPaint(HDC ADC) {
  FSavedPaintDCs.resize(FCounter + 1);
  TvxPaintCanvasState& s = FSavedPaintDCs[FCounter];
  if (FCanvas->HandleAllocated()) {
    SaveState();
    s.PrevDC = FCanvas->Handle();
  } else {
    s.PrevDC = nullptr;
  }
  s.PrevCanvas = nullptr;
  s.NewDC = ADC;
  s.NewDCIndex = ::SaveDC(ADC);
  TakeOverSelectedObjects(ADC);
  FCanvas->SetHandle(ADC);
  ++FCounter;
}

void TvxPaintCanvas::BeginPaint(TCanvas* ACanvas) {
  FSavedPaintDCs.resize(FCounter + 1);
  TvxPaintCanvasState& s = FSavedPaintDCs[FCounter];
  s = TvxPaintCanvasState{FCanvas, nullptr, nullptr, 0};
  FCanvas = ACanvas;
  SaveState();
  ++FCounter;
}

void TvxPaintCanvas::EndPaint() {
  if (FCounter <= 0) return;
  --FCounter;
  TvxPaintCanvasState s = FSavedPaintDCs[FCounter];
  if (s.PrevCanvas) {
    RestoreState();
    FCanvas = s.PrevCanvas;
  } else {
    FCanvas->SetHandle(s.PrevDC);
    ::RestoreDC(s.NewDC, s.NewDCIndex);
    if (FCanvas->HandleAllocated()) RestoreState();
  }
  FSavedPaintDCs.resize(FCounter);
}

TvxPaintCanvas* vxGetPaintCanvas() {
  if (vxGraphicsFinalized) return nullptr;
  if (!FPaintCanvas) FPaintCanvas = new TvxPaintCanvas();
  return FPaintCanvas;
}

// --- Brush cache ----------------------------------------------------------------------------

bool vxIsSystemColor(TColor AColor) {
  Cardinal c = static_cast<Cardinal>(AColor);
  return (c & 0xFF000000u) == 0xFF000000u && (c & 0xFFFFFFu) < static_cast<Cardinal>(vxSystemBrushCount);
}

namespace {
bool IsSystemBrush(const TBrush* ABrush) {
  return std::find(vxSystemBrushes.begin(), vxSystemBrushes.end(), ABrush) != vxSystemBrushes.end();
}
}  // namespace

TvxBrushCache::~TvxBrushCache() {
  for (Integer i = 0; i < FCount; ++i) delete FData[i].Brush;
}

bool TvxBrushCache::Find(TColor AColor, Integer& AIndex) const {
  Integer lo = 0, hi = FCount - 1;
  while (lo <= hi) {
    Integer mid = (lo + hi) / 2;
    if (FData[mid].Color < AColor)
      lo = mid + 1;
    else if (FData[mid].Color > AColor)
      hi = mid - 1;
    else {
      AIndex = mid;
      return true;
    }
  }
  AIndex = lo;
  return false;
}

TBrush* TvxBrushCache::Add(TColor AColor) {
  Integer i;
  if (!Find(AColor, i)) {
    if (FCount == FCapacity) {
      FCapacity += std::max(FCapacity / 4, 8);
      FData.resize(FCapacity);
    }
    for (Integer j = FCount; j > i; --j) FData[j] = FData[j - 1];
    auto* b = new TBrush();
    b->SetColor(AColor);
    FData[i] = TvxBrushData{b, AColor, 0};
    ++FCount;
  } else if (FData[i].RefCount == 0) {
    --FDeletedCount;  // revived before the deferred deletion ran
  }
  ++FData[i].RefCount;
  return FData[i].Brush;
}

void TvxBrushCache::Delete(Integer AIndex) {
  delete FData[AIndex].Brush;
  for (Integer j = AIndex; j < FCount - 1; ++j) FData[j] = FData[j + 1];
  --FCount;
  FData[FCount] = TvxBrushData{nullptr, 0, 0};
}

void TvxBrushCache::SetBrushColor(TBrush*& ABrush, TColor AColor) {
  ReleaseBrush(ABrush);
  TBrush* b;
  if (vxIsSystemColor(AColor))
    b = vxSystemBrushes.at(static_cast<Cardinal>(AColor) & 0xFFFFFF);
  else
    b = Add(AColor);
  if (b->Color() != AColor) b->SetColor(AColor);
  ABrush = b;
}

void TvxBrushCache::ReleaseBrush(TBrush*& ABrush) {
  if (!ABrush) return;
  if (IsSystemBrush(ABrush)) {
    ABrush = nullptr;
    return;
  }
  // Found by identity: the brush object itself may already be gone when a caller
  // releases more often than it obtained, so it is never read here.
  Integer index = -1;
  for (Integer i = 0; i < FCount; ++i)
    if (FData[i].Brush == ABrush) {
      index = i;
      break;
    }
  if (index < 0 || FData[index].RefCount <= 0) throw EBrushCache(L"Release unused brush");
  ABrush = nullptr;
  if (--FData[index].RefCount == 0) {
    if (FLockRef != 0)
      ++FDeletedCount;
    else
      Delete(index);
  }
}

void TvxBrushCache::EndUpdate() {
  if (FLockRef > 0 && --FLockRef == 0 && FDeletedCount != 0) Pack();
}

void TvxBrushCache::Pack() {
  Integer deleted = 0;
  for (Integer i = FCount - 1; i >= 0 && deleted < FDeletedCount; --i)
    if (FData[i].RefCount <= 0) {
      Delete(i);
      ++deleted;
    }
  FDeletedCount = 0;
}

// --- Unit start-up and shut-down ------------------------------------------------------------

void vxGetScreenPixelsPerInch(TSize& APixelsPerInch) { APixelsPerInch = FScreenPixelsPerInch; }

bool vxSetProcessDPIAwareFor(DWORD AMajorVersion) {
  if (AMajorVersion <= 5) return false;
  if (!FUser32.Loaded() && !FUser32.Load(L"USER32")) return false;
  BOOL(WINAPI * setAware)() = nullptr;
  if (FUser32.Bind(setAware, "SetProcessDPIAware")) setAware();
  return true;
}

namespace {

void InitGraphics() {
  vxGraphicsFinalized = false;

  vxPatternBrush = new TBrush();
  vxSystemBrushes.clear();
  for (Integer i = 0; i < vxSystemBrushCount; ++i) {
    // The system colour itself: the brush resolves it to the current system colour.
    auto* b = new TBrush();
    b->SetColor(static_cast<TColor>(0xFF000000u | static_cast<Cardinal>(i)));
    vxSystemBrushes.push_back(b);
  }
  // An 8x8 one-pixel checkerboard; monochrome bitmap rows are 16-bit words.
  static const WORD rows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
  vxPatternBrush->SetHandle(CreatePatternBrush(pattern));
  DeleteObject(pattern);

  FMsimg32.Load(L"msimg32.dll");
  FMsimg32.Bind(vxAlphaBlendFunc, "AlphaBlend");

  vxSetProcessDPIAwareFor(vdOSMajorVersion());

  HDC dc = GetDC(nullptr);
  if (dc) {
    FScreenPixelsPerInch.cx = GetDeviceCaps(dc, LOGPIXELSX);
    FScreenPixelsPerInch.cy = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
  }
}

void FinGraphics() {
  vxGraphicsFinalized = true;
  for (auto* b : vxSystemBrushes) delete b;
  vxSystemBrushes.clear();
  delete vxPatternBrush;
  vxPatternBrush = nullptr;
  delete FScreenCanvas;
  FScreenCanvas = nullptr;
  delete FPaintCanvas;
  FPaintCanvas = nullptr;
  vxAlphaBlendFunc = nullptr;
  FMsimg32.Free();
  FUser32.Free();
}

}  // namespace

const TUnitInfo vxGraphicsUnit = {L"vxGraphics", InitGraphics, FinGraphics};
