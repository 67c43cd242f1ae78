#include "vxGraphics.h"

#include "vdUxTheme.h"
#include "vxBitmaps.h"
#include "vxImageList.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "Libraries.h"

TBrush* vxPatternBrush = nullptr;
std::vector<TBrush*> vxSystemBrushes;
TvxAlphaBlendFunc vxAlphaBlendFunc = nullptr;
bool vxGraphicsFinalized = false;

namespace {

// The platform canvas selects its font, pen and brush lazily, on the drawing call that
// needs them. These select them now through calls that paint nothing: measuring an
// empty text (font), filling an empty rectangle (brush) and, with every pixel clipped
// away, a degenerate polyline (pen).
void RealizeCanvasFontAndBrush(TCanvas* ACanvas) {
  ACanvas->TextExtent(String());
  ACanvas->FillRect(RECT{0, 0, 0, 0});
}

void RealizeCanvasObjects(TCanvas* ACanvas) {
  RealizeCanvasFontAndBrush(ACanvas);
  HDC dc = ACanvas->Handle();
  HRGN saved = CreateRectRgn(0, 0, 0, 0);
  bool hadClip = GetClipRgn(dc, saved) == 1;
  IntersectClipRect(dc, 0, 0, 0, 0);
  ACanvas->Polyline({POINT{0, 0}, POINT{0, 0}});
  SelectClipRgn(dc, hadClip ? saved : nullptr);
  DeleteObject(saved);
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

// --- Shapes, fills, frames, regions and bitmaps ------------------------------------------------

namespace {

// Floor division: tiles are counted from the logical origin also left of and above it.
Integer FloorDiv(Integer A, Integer B) {
  Integer q = A / B;
  if ((A % B != 0) && ((A < 0) != (B < 0))) --q;
  return q;
}

}  // namespace

void TvxCanvas::FillRect(const TRect& R, TColor AColor) {
  if (AColor == clNone) return;
  if (AColor != clDefault) SetBrushColor(AColor);
  FCanvas->FillRect(R);
}

void TvxCanvas::FillRect(const TRect& R, TBitmap* ABitmap, bool AExcludeRect) {
  if (vxRectHasNoArea(R)) return;
  if (!ABitmap || ABitmap->Empty()) {
    FCanvas->FillRect(R);
  } else {
    const Integer w = ABitmap->Width(), h = ABitmap->Height();
    // The first tile holds R's top-left pixel, the last one the pixel before its
    // bottom-right corner (floor division, so negative coordinates start one tile lower).
    const Integer c0 = FloorDiv(R.left, w), c1 = FloorDiv(R.right - 1, w);
    const Integer r0 = FloorDiv(R.top, h), r1 = FloorDiv(R.bottom - 1, h);
    for (Integer c = c0; c <= c1; ++c)
      for (Integer r = r0; r <= r1; ++r) {
        TRect tile{c * w, r * h, c * w + w, r * h + h}, dest;
        if (!IntersectRect(&dest, &tile, &R)) continue;
        TRect source = dest;
        OffsetRect(&source, -c * w, -r * h);
        FCanvas->CopyRect(dest, ABitmap->Canvas(), source);
      }
  }
  if (AExcludeRect) ExcludeClipRect(R);
}

void TvxCanvas::FillRect(TRect R, const TvxViewParams& AParams, TvxBorders ABorders, TColor ABorderColor,
                         Integer ALineWidth, bool AExcludeRect) {
  FrameRect(R, ABorderColor, ALineWidth, ABorders, AExcludeRect);
  if (ABorders.Contains(bLeft)) R.left += ALineWidth;
  if (ABorders.Contains(bTop)) R.top += ALineWidth;
  if (ABorders.Contains(bRight)) R.right -= ALineWidth;
  if (ABorders.Contains(bBottom)) R.bottom -= ALineWidth;
  SetBrushColor(AParams.Color);
  FillRect(R, AParams.Bitmap, AExcludeRect);
}

void TvxCanvas::FrameRect(const TRect& R, TColor Color, Integer ALineWidth, TvxBorders ABorders, bool AExcludeFrame) {
  if (vxRectHasNoArea(R)) return;
  if (Color != clDefault) SetBrushColor(Color);
  const Integer w = ALineWidth;
  auto strip = [&](const TRect& S) { FillRect(S, nullptr, AExcludeFrame); };
  if (ABorders.Contains(bLeft)) strip(TRect{R.left, R.top, std::min(R.left + w, R.right), R.bottom});
  if (ABorders.Contains(bRight)) strip(TRect{std::max(R.right - w, R.left), R.top, R.right, R.bottom});
  if (ABorders.Contains(bTop)) strip(TRect{R.left, R.top, R.right, std::min(R.top + w, R.bottom)});
  if (ABorders.Contains(bBottom)) strip(TRect{R.left, std::max(R.bottom - w, R.top), R.right, R.bottom});
}

void TvxCanvas::DrawComplexFrame(const TRect& R, TColor ALeftTopColor, TColor ARightBottomColor, TvxBorders ABorders,
                                 Integer ABorderWidth) {
  static const TvxBorder order[] = {bLeft, bTop, bRight, bBottom};
  for (TvxBorder b : order) {
    if (!ABorders.Contains(b)) continue;
    SetBrushColor(b == bLeft || b == bTop ? ALeftTopColor : ARightBottomColor);
    TRect s = R;
    switch (b) {
      case bLeft:
        s.right = s.left + ABorderWidth;
        break;
      case bTop:
        s.bottom = s.top + ABorderWidth;
        break;
      case bRight:
        s.left = s.right - ABorderWidth;
        break;
      case bBottom:
        s.top = s.bottom - ABorderWidth;
        break;
    }
    FCanvas->FillRect(s);
  }
}

void TvxCanvas::DrawEdge(const TRect& R, bool ASunken, bool AOuter, TvxBorders ABorders) {
  TColor lt, rb;
  if (ASunken) {
    lt = AOuter ? clBtnShadow : cl3DDkShadow;
    rb = AOuter ? clBtnHighlight : cl3DLight;
  } else {
    lt = AOuter ? cl3DLight : clBtnHighlight;
    rb = AOuter ? cl3DDkShadow : clBtnShadow;
  }
  DrawComplexFrame(R, lt, rb, ABorders, 1);
}

void TvxCanvas::DrawFocusRect(const TRect& R) {
  SetBrushColor(clWhite);
  Font()->SetColor(clBlack);
  FCanvas->TextExtent(String());  // realises the font: the DC's text colour is black
  FCanvas->DrawFocusRect(R);
}

void TvxCanvas::DrawDesignSelection(TRect ARect, Integer AWidth) {
  for (Integer i = 0; i < AWidth; ++i) {
    DrawFocusRect(ARect);
    InflateRect(&ARect, -1, -1);
  }
}

void TvxCanvas::InvertRect(const TRect& R) {
  SetCopyMode(DSTINVERT);
  FCanvas->CopyRect(R, FCanvas, R);
  SetCopyMode(SRCCOPY);
}

void TvxCanvas::InvertFrame(const TRect& R, Integer ABorderSize) {
  const Integer s = ABorderSize;
  InvertRect(TRect{R.left, R.top, R.left + s, R.bottom});
  InvertRect(TRect{R.right - s, R.top, R.right, R.bottom});
  InvertRect(TRect{R.left + s, R.top, R.right - s, R.top + s});
  InvertRect(TRect{R.left + s, R.bottom - s, R.right - s, R.bottom});
}

void TvxCanvas::FillRegion(TvxRegion* ARegion, TColor AColor) { FillRegion(ARegion->Handle(), AColor); }

void TvxCanvas::FillRegion(HRGN ARegion, TColor AColor) {
  SetBrushColor(AColor);
  ::FillRgn(Handle(), ARegion, Brush()->Handle());
}

void TvxCanvas::FrameRegion(TvxRegion* ARegion, TColor AColor, Integer ABorderWidth, Integer ABorderHeight) {
  FrameRegion(ARegion->Handle(), AColor, ABorderWidth, ABorderHeight);
}

void TvxCanvas::FrameRegion(HRGN ARegion, TColor AColor, Integer ABorderWidth, Integer ABorderHeight) {
  SetBrushColor(AColor);
  ::FrameRgn(Handle(), ARegion, Brush()->Handle(), ABorderWidth, ABorderHeight);
}

void TvxCanvas::DrawRegion(TvxRegion* ARegion, TColor AContentColor, TColor ABorderColor, Integer ABorderWidth,
                           Integer ABorderHeight) {
  DrawRegion(ARegion->Handle(), AContentColor, ABorderColor, ABorderWidth, ABorderHeight);
}

void TvxCanvas::DrawRegion(HRGN ARegion, TColor AContentColor, TColor ABorderColor, Integer ABorderWidth,
                           Integer ABorderHeight) {
  FillRegion(ARegion, AContentColor);
  FrameRegion(ARegion, ABorderColor, ABorderWidth, ABorderHeight);
}

void TvxCanvas::Pie(const TRect& R, const TPoint& ARadial1, const TPoint& ARadial2) {
  FCanvas->Pie(R.left, R.top, R.right, R.bottom, ARadial1.x, ARadial1.y, ARadial2.x, ARadial2.y);
}

void TvxCanvas::Pie(const TRect& R, Integer AStartAngle, Integer ASweepAngle) {
  if (vxRectHasNoArea(R) || ASweepAngle == 0) return;
  const Integer a = (R.right - R.left) / 2, b = (R.bottom - R.top) / 2;
  const TPoint centre{R.left + a, R.top + b};
  auto pointAt = [&](Integer AAngle) {
    const double t = AAngle * 3.14159265358979323846 / 180;
    double r = 0;
    if (a != 0 && b != 0)
      r = static_cast<double>(a) * b /
          std::sqrt(static_cast<double>(a) * a * std::sin(t) * std::sin(t) + static_cast<double>(b) * b * std::cos(t) * std::cos(t));
    return TPoint{centre.x + static_cast<LONG>(std::nearbyint(r * std::cos(t))),
                  centre.y - static_cast<LONG>(std::nearbyint(r * std::sin(t)))};
  };
  const TPoint p1 = pointAt(AStartAngle);
  const TPoint p2 = ASweepAngle == 360 ? p1 : pointAt(AStartAngle + ASweepAngle);
  if (p1.x != p2.x || p1.y != p2.y || ASweepAngle > 180) Pie(R, p1, p2);
}

void TvxCanvas::DrawGlyph(Integer X, Integer Y, TBitmap* AGlyph, bool AEnabled, TColor ABackgroundColor) {
  if (!AGlyph || AGlyph->Empty()) return;
  const Integer w = AGlyph->Width(), h = AGlyph->Height();
  if (AEnabled) {
    const TBrushStyle style = Brush()->Style();
    if (ABackgroundColor == clNone)
      Brush()->SetStyle(bsClear);
    else
      SetBrushColor(ABackgroundColor);
    const TRect dest{X, Y, X + w, Y + h};
    if (ABackgroundColor != clNone) FCanvas->FillRect(dest);
    FCanvas->BrushCopy(dest, AGlyph, TRect{0, 0, w, h}, AGlyph->TransparentColor());
    Brush()->SetStyle(style);
    return;
  }
  TCustomImageList images(w, h);
  std::unique_ptr<TBitmap> background;
  if (ABackgroundColor != clNone) {
    background = std::make_unique<TBitmap>(w, h);
    background->Canvas()->Brush()->SetColor(ABackgroundColor);
    background->Canvas()->FillRect(RECT{0, 0, w, h});
  }
  // A fixed transparent colour, else the glyph's own default one (its bottom-left pixel).
  images.AddMasked(AGlyph, AGlyph->TransparentColor());
  if (background) {
    images.Draw(background->Canvas(), 0, 0, 0, false);
    FCanvas->Draw(X, Y, background.get());
  } else {
    images.Draw(FCanvas, X, Y, 0, false);
  }
}

void TvxCanvas::DrawImage(TCustomImageList* Images, Integer X, Integer Y, Integer Index, bool Enabled) {
  if (!Images || Index < 0 || Index >= Images->Count()) return;
  SaveDC();
  Images->Draw(FCanvas, X, Y, Index, Enabled);
  RestoreDC();
}

void TvxCanvas::RotateBitmap(TBitmap* ABitmap, TvxRotationAngle ARotationAngle, bool AFlipVertically) {
  if (ARotationAngle == ra0 && !AFlipVertically) return;
  TRGBColors source;
  if (!vxGetBitmapPixels(ABitmap, true, source)) return;
  const Integer w = ABitmap->Width(), h = ABitmap->Height();
  const bool quarter = ARotationAngle == raPlus90 || ARotationAngle == raMinus90;
  const Integer nw = quarter ? h : w, nh = quarter ? w : h;
  TRGBColors result(source.size());
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) {
      Integer col = x, row = y;
      switch (ARotationAngle) {
        case ra0:
          col = x;
          row = y;
          break;
        case raPlus90:
          col = y;
          row = w - 1 - x;
          break;
        case raMinus90:
          col = h - 1 - y;
          row = x;
          break;
        case ra180:
          col = w - 1 - x;
          row = h - 1 - y;
          break;
      }
      if (AFlipVertically) row = nh - 1 - row;
      result[static_cast<size_t>(row) * nw + col] = source[static_cast<size_t>(y) * w + x];
    }
  if (quarter) ABitmap->SetSize(h, w);
  vxSetBitmapPixels(ABitmap, true, result);
}

void TvxCanvas::FlipHorizontally(TBitmap* ABitmap) {
  TRGBColors colors;
  if (!vxGetBitmapPixels(ABitmap, true, colors)) return;
  const Integer w = ABitmap->Width();
  for (size_t row = 0; row < colors.size(); row += w) std::reverse(colors.begin() + row, colors.begin() + row + w);
  vxSetBitmapPixels(ABitmap, true, colors);
}

void TvxCanvas::TransparentDraw(Integer X, Integer Y, TBitmap* ABitmap, Byte AAlpha, TBitmap* ABackground) {
  if (!ABitmap || ABitmap->Empty()) return;
  const Integer w = ABitmap->Width(), h = ABitmap->Height();
  TBitmap temp;
  temp.SetPixelFormat(pf32bit);
  temp.SetSize(w, h);
  HDC tdc = temp.Canvas()->Handle();
  if (ABackground)
    temp.Canvas()->Draw(0, 0, ABackground);
  else
    BitBlt(tdc, 0, 0, w, h, Handle(), X, Y, SRCCOPY);
  const BLENDFUNCTION bf{AC_SRC_OVER, 0, AAlpha, 0};
  if (vxAlphaBlendFunc) {
    vxAlphaBlendFunc(tdc, 0, 0, w, h, ABitmap->Canvas()->Handle(), 0, 0, w, h, bf);
  } else {
    TRGBColors src, dst;
    vxGetBitmapPixels(ABitmap, true, src);
    vxGetBitmapPixels(&temp, true, dst);
    for (size_t i = 0; i < dst.size(); ++i) {
      dst[i].rgbBlue = static_cast<Byte>(MulDiv(dst[i].rgbBlue, 255 - AAlpha, 255) + MulDiv(src[i].rgbBlue, AAlpha, 255));
      dst[i].rgbGreen =
          static_cast<Byte>(MulDiv(dst[i].rgbGreen, 255 - AAlpha, 255) + MulDiv(src[i].rgbGreen, AAlpha, 255));
      dst[i].rgbRed = static_cast<Byte>(MulDiv(dst[i].rgbRed, 255 - AAlpha, 255) + MulDiv(src[i].rgbRed, AAlpha, 255));
    }
    vxSetBitmapPixels(&temp, true, dst);
    tdc = temp.Canvas()->Handle();
  }
  BitBlt(Handle(), X, Y, w, h, tdc, 0, 0, SRCCOPY);
}

// --- Text ----------------------------------------------------------------------------------

Cardinal vxTextFlagsToDrawTextFlags(Integer AFlags) {
  Cardinal r = DT_NOPREFIX;
  if (AFlags & vxtfRight) r |= DT_RIGHT;
  if (AFlags & vxtfCenterX) r |= DT_CENTER;
  if (AFlags & vxtfBottom) r |= DT_BOTTOM;
  if (AFlags & vxtfCenterY) r |= DT_VCENTER;
  if (AFlags & vxtfSingleLine) r |= DT_SINGLELINE;
  if (AFlags & vxtfNoClip) r |= DT_NOCLIP;
  if (AFlags & vxtfExpandTabs) r |= DT_EXPANDTABS;
  if (AFlags & vxtfShowPrefix) r &= ~static_cast<Cardinal>(DT_NOPREFIX);
  if (AFlags & vxtfWordBreak) {
    r |= DT_WORDBREAK;
    if (!(AFlags & vxtfDontBreakChars))
      r |= DT_EDITCONTROL;
    else if (AFlags & vxtfNoFullWidthCharBreak)
      r |= DT_NOFULLWIDTHCHARBREAK;
  }
  if (AFlags & vxtfEndEllipsis) r |= DT_END_ELLIPSIS;
  if (AFlags & vxtfCalcRect) r |= DT_CALCRECT;
  if (AFlags & vxtfPathEllipsis) r |= DT_PATH_ELLIPSIS;
  return r;
}

void TvxCanvas::DrawTexT(const String& Text, TRect R, Integer Flags, bool Enabled) {
  if (Text.empty()) return;
  const bool viaDrawText = !(Flags & vxtfSingleLine) || (Flags & (vxtfShowPrefix | vxtfEndEllipsis | vxtfPathEllipsis));
  TSize size = TextExtent(Text);
  if (R.right - R.left >= size.cx && R.bottom - R.top >= size.cy) Flags |= vxtfNoClip;
  const Integer d = Enabled ? 0 : 1;
  Cardinal dtFlags = 0, etoOptions = 0;
  if (viaDrawText) {
    if (!(Flags & vxtfSingleLine) && (Flags & (vxtfBottom | vxtfCenterY)))
      AlignMultiLineTextRectVertically(R, Text, (Flags & vxtfBottom) ? vaBottom : vaCenter,
                                       (Flags & vxtfWordBreak) != 0, (Flags & vxtfShowPrefix) != 0, Enabled,
                                       (Flags & vxtfDontBreakChars) != 0, (Flags & vxtfEndEllipsis) != 0);
    dtFlags = vxTextFlagsToDrawTextFlags(Flags);
  } else {
    if (R.right - R.left > size.cx) {
      if ((Flags & 7) == vxtfRight)
        R.left = R.right - size.cx - d;
      else if ((Flags & 7) == vxtfCenterX)
        R.left = (R.left + R.right - size.cx) / 2;
    }
    if (R.bottom - R.top > size.cy) {
      if ((Flags & 0x38) == vxtfBottom)
        R.top = R.bottom - size.cy - d;
      else if ((Flags & 0x38) == vxtfCenterY)
        R.top = (R.top + R.bottom - size.cy) / 2;
    }
    etoOptions = (Flags & vxtfNoClip) ? 0 : ETO_CLIPPED;
  }
  const TBrushStyle brushStyle = Brush()->Style();
  const TColor fontColor = Font()->Color();
  auto draw = [&](TRect& rect) {
    RealizeCanvasFontAndBrush(FCanvas);
    if (viaDrawText)
      DrawTextW(Handle(), Text.c_str(), -1, &rect, dtFlags);
    else
      ExtTextOutW(Handle(), rect.left, rect.top, etoOptions, &rect, Text.c_str(), static_cast<UINT>(Text.size()),
                  nullptr);
  };
  if (!Enabled) {
    ++R.left;
    ++R.top;
    Brush()->SetStyle(bsClear);
    Font()->SetColor(clBtnHighlight);
    draw(R);
    OffsetRect(&R, -1, -1);
    Font()->SetColor(clBtnShadow);
  }
  draw(R);
  if (Brush()->Style() != brushStyle) Brush()->SetStyle(brushStyle);
  Font()->SetColor(fontColor);
}

void TvxCanvas::DrawTexT(const String& Text, const TRect& R, TAlignment AAlignmentHorz,
                         TvxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis) {
  if (Text.empty()) return;
  static const Integer horz[] = {vxtfLeft, vxtfRight, vxtfCenterX};
  static const Integer vert[] = {vxtfTop, vxtfBottom, vxtfCenterY};
  Integer flags = horz[AAlignmentHorz] | vert[AAlignmentVert] | (AMultiLine ? vxtfWordBreak : vxtfSingleLine) |
                  (AShowEndEllipsis ? vxtfEndEllipsis : 0);
  DrawTexT(Text, R, flags, true);
}

TSize TvxCanvas::TextExtent(const String& Text) {
  TSize size{0, 0};
  FCanvas->TextExtent(String());  // realises the font
  GetTextExtentPoint32W(Handle(), Text.c_str(), static_cast<int>(Text.size()), &size);
  return size;
}

void TvxCanvas::TextExtent(const String& Text, TRect& R, Integer Flags) {
  const Integer w0 = R.right - R.left, h0 = R.bottom - R.top;
  const Cardinal f = vxTextFlagsToDrawTextFlags(Flags);
  if (w0 <= 0 && !Text.empty()) R.right = R.left + 1;
  FCanvas->TextExtent(String());
  // Measured at the top: the vertical placement below is the canvas's own (some
  // DrawText implementations move a measured single line down for DT_BOTTOM).
  if (!DrawTextW(Handle(), Text.c_str(), -1, &R, (f & ~static_cast<Cardinal>(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT)) {
    R.right = R.left;
    R.bottom = R.top;
  }
  const Integer w1 = R.right - R.left, h1 = R.bottom - R.top;
  if (f & DT_CENTER)
    OffsetRect(&R, (w0 - w1) / 2, 0);
  else if (f & DT_RIGHT)
    OffsetRect(&R, w0 - w1, 0);
  if (f & DT_VCENTER)
    OffsetRect(&R, 0, (h0 - h1) / 2);
  else if (f & DT_BOTTOM)
    OffsetRect(&R, 0, h0 - h1);
}

Integer TvxCanvas::FontHeight(TFont* AFont) {
  SetFont(AFont);
  return TextHeight(L"Qq");
}

void TvxCanvas::AlignMultiLineTextRectVertically(TRect& R, const String& AText, TvxAlignmentVert AAlignmentVert,
                                                 bool AWordBreak, bool AShowPrefix, bool AEnabled,
                                                 bool ADontBreakChars, bool AEndEllipsis) {
  if (AAlignmentVert == vaTop) return;
  const Integer d = AEnabled ? 0 : 1;
  TRect m{0, 0, R.right - R.left - d, 0};
  Integer flags = vxtfLeft | vxtfTop;
  if (AWordBreak) flags |= vxtfWordBreak;
  if (AShowPrefix) flags |= vxtfShowPrefix;
  if (ADontBreakChars) flags |= vxtfDontBreakChars;
  if (AEndEllipsis && AWordBreak) {
    const Integer h = TextHeight(L"Wg");
    if (h > 0) m.bottom = std::max<Integer>((R.bottom - R.top - d) / h * h, h);
  } else {
    TextExtent(AText, m, flags);
  }
  const Integer mh = m.bottom - m.top;
  if (AAlignmentVert == vaBottom)
    R.top = R.bottom - (mh + d);
  else
    R.top = (R.top + R.bottom - mh) / 2;
}

void TvxCanvas::GetTextStringsBounds(String Text, TRect R, Integer Flags, bool Enabled, TRectArray& ABounds) {
  if (Text.empty()) return;
  if (Flags & vxtfShowPrefix) {
    // "&&" stands for one ampersand; a single "&" marks the next character.
    String plain;
    for (size_t i = 0; i < Text.size(); ++i) {
      if (Text[i] == L'&') {
        if (i + 1 < Text.size()) plain += Text[++i];
      } else {
        plain += Text[i];
      }
    }
    Text = plain;
    Flags &= ~vxtfShowPrefix;
  }
  if (!Enabled) {
    --R.right;
    --R.bottom;
  }
  TRect b = R;
  TextExtent(Text, b, Flags);
  if (Flags & vxtfBottom)
    OffsetRect(&b, 0, R.bottom - b.bottom);
  else if (Flags & vxtfCenterY)
    OffsetRect(&b, 0, (R.bottom - b.bottom) / 2);
  const Integer horz = Flags & 7;
  HDC dc = Handle();
  while (!Text.empty()) {
    INT fit = 0;
    TSize sz{};
    GetTextExtentExPointW(dc, Text.c_str(), static_cast<int>(Text.size()), R.right - R.left, &fit, nullptr, &sz);
    Integer n = std::max<Integer>(fit, 1);
    bool lineBreak = false;
    for (Integer p = 0; p < n && p < static_cast<Integer>(Text.size()); ++p) {
      const wchar_t c = Text[p];
      if (c == 13 || c == 10) {
        const wchar_t other = c == 13 ? 10 : 13;
        const size_t len = (p + 1 < static_cast<Integer>(Text.size()) && Text[p + 1] == other) ? 2 : 1;
        Text.erase(p, len);
        n = p;
        lineBreak = true;
        break;
      }
    }
    if (!lineBreak && static_cast<Integer>(Text.size()) > n) {
      // The last space within the fitted part (or right after it) ends the line.
      // A space in the last fitted place or right after the fitted part ends the line
      // where it is; an earlier space ends it there (kept by left-aligned lines, whose
      // rectangles then include it, dropped by the others).
      for (Integer p = n; p >= 0; --p) {
        if (Text[p] != L' ') continue;
        if (p < n - 1) {
          if (horz == vxtfLeft) {
            n = p + 1;
          } else {
            Text.erase(p, 1);
            n = p;
          }
        }
        break;
      }
    }
    TSize ext{0, 0};
    GetTextExtentPoint32W(dc, Text.c_str(), n, &ext);
    if (ext.cy == 0) ext.cy = TextHeight(L"Wg");
    TRect line = b;
    if (horz == vxtfRight)
      line.left = line.right - ext.cx;
    else if (horz == vxtfCenterX) {
      line.left = (line.left + line.right - ext.cx) / 2;
      line.right = line.left + ext.cx;
    } else
      line.right = line.left + ext.cx;
    line.bottom = line.top + ext.cy;
    ABounds.push_back(line);
    b.top = line.bottom;
    Text.erase(0, n);
  }
}

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
  // releases more often than it obtained, so it is never read here. A brush the cache
  // does not hold (a foreign one, or one already freed) is left alone.
  Integer index = -1;
  for (Integer i = 0; i < FCount; ++i)
    if (FData[i].Brush == ABrush) {
      index = i;
      break;
    }
  if (index < 0) return;
  if (FData[index].RefCount <= 0) throw EBrushCache(L"Release unused brush");
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

// --- Fills, arrows and light colours ----------------------------------------------------------

void vxFillHalftone(TCanvas* ACanvas, const TRect& ARect, TColor ABkColor, TColor AColor) {
  HDC dc = ACanvas->Handle();
  const COLORREF oldBk = SetBkColor(dc, ColorToRGB(ABkColor));
  const COLORREF oldText = SetTextColor(dc, ColorToRGB(AColor));
  ::FillRect(dc, &ARect, vxPatternBrush->Handle());
  SetBkColor(dc, oldBk);
  SetTextColor(dc, oldText);
}

void vxDrawInsertArrows(TCanvas* ACanvas, const TRect& ARect, Integer ASide, TColor APenColor, TColor ABrushColor) {
  static const TPoint vertFirst[7] = {{0, -1}, {-5, -6}, {-2, -6}, {-2, -9}, {2, -9}, {2, -6}, {5, -6}};
  static const TPoint vertSecond[7] = {{0, 0}, {5, 5}, {2, 5}, {2, 8}, {-2, 8}, {-2, 5}, {-5, 5}};
  static const TPoint horzFirst[7] = {{-1, 0}, {-6, -5}, {-6, -2}, {-9, -2}, {-9, 2}, {-6, 2}, {-6, 5}};
  static const TPoint horzSecond[7] = {{0, 0}, {5, 5}, {5, 2}, {8, 2}, {8, -2}, {5, -2}, {5, -5}};
  TPoint a1, a2;
  switch (ASide) {
    case 0:
      a1 = {ARect.left, ARect.top};
      a2 = {ARect.left, ARect.bottom};
      break;
    case 1:
      a1 = {ARect.left, ARect.top};
      a2 = {ARect.right, ARect.top};
      break;
    case 2:
      a1 = {ARect.right, ARect.top};
      a2 = {ARect.right, ARect.bottom};
      break;
    default:
      a1 = {ARect.left, ARect.bottom};
      a2 = {ARect.right, ARect.bottom};
      break;
  }
  const bool vertical = ASide == 0 || ASide == 2;
  const TPoint* first = vertical ? vertFirst : horzFirst;
  const TPoint* second = vertical ? vertSecond : horzSecond;
  ACanvas->Brush()->SetColor(ABrushColor);
  ACanvas->Pen()->SetColor(APenColor == clDefault ? TColor(ColorToRGB(ABrushColor) ^ 0xFFFFFF) : APenColor);
  auto polygon = [&](const TPoint& AAnchor, const TPoint* AOffsets) {
    std::vector<TPoint> points;
    for (int i = 0; i < 7; ++i) points.push_back(TPoint{AAnchor.x + AOffsets[i].x, AAnchor.y + AOffsets[i].y});
    ACanvas->Polygon(points);
  };
  polygon(a1, first);
  polygon(a2, second);
}

namespace {

TColor LightColor(Integer P1, Integer P2, Integer P3) {
  const COLORREF face = ColorToRGB(clBtnFace), high = ColorToRGB(clHighlight), window = ColorToRGB(clWindow);
  if (face == 0 || face == 0xFFFFFF) return static_cast<TColor>(high);
  auto mix = [&](Byte F, Byte H, Byte W) {
    return static_cast<Byte>(std::clamp(MulDiv(F, P1, 100) + MulDiv(H, P2, 100) + MulDiv(W, P3, 100), 0, 255));
  };
  const COLORREF c = RGB(mix(GetRValue(face), GetRValue(high), GetRValue(window)),
                         mix(GetGValue(face), GetGValue(high), GetGValue(window)),
                         mix(GetBValue(face), GetBValue(high), GetBValue(window)));
  HDC dc = GetDC(nullptr);
  const COLORREF nearest = GetNearestColor(dc, c);
  ReleaseDC(nullptr, dc);
  return static_cast<TColor>(nearest == CLR_INVALID ? c : nearest);
}

}  // namespace

TColor vxGetLightHotColor() { return LightColor(-2, 30, 72); }
TColor vxGetLightPressedColor() { return LightColor(14, 44, 40); }

// --- Colour names -----------------------------------------------------------------------------

namespace {

std::vector<TvxColorInfo>* FColorInfos = nullptr;

}  // namespace

const std::vector<TvxColorInfo>& vxGetColorInfos() {
  if (!FColorInfos) {
    FColorInfos = new std::vector<TvxColorInfo>{
    {L"aliceblue", static_cast<TColor>(0xFFF8F0)},
    {L"antiquewhite", static_cast<TColor>(0xD7EBFA)},
    {L"aqua", static_cast<TColor>(0xFFFF00)},
    {L"aquamarine", static_cast<TColor>(0xD4FF7F)},
    {L"azure", static_cast<TColor>(0xFFFFF0)},
    {L"beige", static_cast<TColor>(0xDCF5F5)},
    {L"bisque", static_cast<TColor>(0xC4E4FF)},
    {L"black", static_cast<TColor>(0x000000)},
    {L"blanchedalmond", static_cast<TColor>(0xCDEBFF)},
    {L"blue", static_cast<TColor>(0xFF0000)},
    {L"blueviolet", static_cast<TColor>(0xE22B8A)},
    {L"brown", static_cast<TColor>(0x2A2AA5)},
    {L"burlywood", static_cast<TColor>(0x87B8DE)},
    {L"cadetblue", static_cast<TColor>(0xA09E5F)},
    {L"chartreuse", static_cast<TColor>(0x00FF7F)},
    {L"chocolate", static_cast<TColor>(0x1E69D2)},
    {L"coral", static_cast<TColor>(0x507FFF)},
    {L"cornflowerblue", static_cast<TColor>(0xED9564)},
    {L"cornsilk", static_cast<TColor>(0xDCF8FF)},
    {L"crimson", static_cast<TColor>(0x3C14DC)},
    {L"cyan", static_cast<TColor>(0xFFFF00)},
    {L"darkblue", static_cast<TColor>(0x8B0000)},
    {L"darkcyan", static_cast<TColor>(0x8B8B00)},
    {L"darkgoldenrod", static_cast<TColor>(0x0B86B8)},
    {L"darkgray", static_cast<TColor>(0xA9A9A9)},
    {L"darkgreen", static_cast<TColor>(0x006400)},
    {L"darkkhaki", static_cast<TColor>(0x6BB7BD)},
    {L"darkmagenta", static_cast<TColor>(0x8B008B)},
    {L"darkolivegreen", static_cast<TColor>(0x2F6B55)},
    {L"darkorange", static_cast<TColor>(0x008CFF)},
    {L"darkorchid", static_cast<TColor>(0xCC3299)},
    {L"darkred", static_cast<TColor>(0x00008B)},
    {L"darksalmon", static_cast<TColor>(0x7A96E9)},
    {L"darkseagreen", static_cast<TColor>(0x8FBC8F)},
    {L"darkslateblue", static_cast<TColor>(0x8B3D48)},
    {L"darkslategray", static_cast<TColor>(0x4F4F2F)},
    {L"darkturquoise", static_cast<TColor>(0xD1CE00)},
    {L"darkviolet", static_cast<TColor>(0xD30094)},
    {L"deeppink", static_cast<TColor>(0x9314FF)},
    {L"deepskyblue", static_cast<TColor>(0xFFBF00)},
    {L"dimgray", static_cast<TColor>(0x696969)},
    {L"dodgerblue", static_cast<TColor>(0xFF901E)},
    {L"firebrick", static_cast<TColor>(0x2222B2)},
    {L"floralwhite", static_cast<TColor>(0xF0FAFF)},
    {L"forestgreen", static_cast<TColor>(0x228B22)},
    {L"fuchsia", static_cast<TColor>(0xFF00FF)},
    {L"gainsboro", static_cast<TColor>(0xDCDCDC)},
    {L"ghostwhite", static_cast<TColor>(0xFFF8F8)},
    {L"gold", static_cast<TColor>(0x00D7FF)},
    {L"goldenrod", static_cast<TColor>(0x20A5DA)},
    {L"gray", static_cast<TColor>(0x808080)},
    {L"green", static_cast<TColor>(0x008000)},
    {L"greenyellow", static_cast<TColor>(0x2FFFAD)},
    {L"honeydew", static_cast<TColor>(0xF0FFF0)},
    {L"hotpink", static_cast<TColor>(0xB469FF)},
    {L"indianred", static_cast<TColor>(0x5C5CCD)},
    {L"indigo", static_cast<TColor>(0x82004B)},
    {L"ivory", static_cast<TColor>(0xF0FFFF)},
    {L"khaki", static_cast<TColor>(0x8CE6F0)},
    {L"lavender", static_cast<TColor>(0xFAE6E6)},
    {L"lavenderblush", static_cast<TColor>(0xF5F0FF)},
    {L"lawngreen", static_cast<TColor>(0x00FC7C)},
    {L"lemonchiffon", static_cast<TColor>(0xCDFAFF)},
    {L"lightblue", static_cast<TColor>(0xE6D8AD)},
    {L"lightcoral", static_cast<TColor>(0x8080F0)},
    {L"lightcyan", static_cast<TColor>(0xFFFFE0)},
    {L"lightgoldenrodyellow", static_cast<TColor>(0xD2FAFA)},
    {L"lightgreen", static_cast<TColor>(0x90EE90)},
    {L"lightgrey", static_cast<TColor>(0xD3D3D3)},
    {L"lightpink", static_cast<TColor>(0xC1B6FF)},
    {L"lightsalmon", static_cast<TColor>(0x7AA0FF)},
    {L"lightseagreen", static_cast<TColor>(0xAAB220)},
    {L"lightskyblue", static_cast<TColor>(0xFACE87)},
    {L"lightslategray", static_cast<TColor>(0x998877)},
    {L"lightsteelblue", static_cast<TColor>(0xDEC4B0)},
    {L"lightyellow", static_cast<TColor>(0xE0FFFF)},
    {L"lime", static_cast<TColor>(0x00FF00)},
    {L"limegreen", static_cast<TColor>(0x32CD32)},
    {L"linen", static_cast<TColor>(0xE6F0FA)},
    {L"magenta", static_cast<TColor>(0xFF00FF)},
    {L"maroon", static_cast<TColor>(0x000080)},
    {L"mediumaquamarine", static_cast<TColor>(0xAACD66)},
    {L"mediumblue", static_cast<TColor>(0xCD0000)},
    {L"mediumorchid", static_cast<TColor>(0xD355BA)},
    {L"mediumpurple", static_cast<TColor>(0xDB7093)},
    {L"mediumseagreen", static_cast<TColor>(0x71B33C)},
    {L"mediumslateblue", static_cast<TColor>(0xEE687B)},
    {L"mediumspringgreen", static_cast<TColor>(0x9AFA00)},
    {L"mediumturquoise", static_cast<TColor>(0xCCD148)},
    {L"mediumvioletred", static_cast<TColor>(0x8515C7)},
    {L"midnightblue", static_cast<TColor>(0x701919)},
    {L"mintcream", static_cast<TColor>(0xFAFFF5)},
    {L"mistyrose", static_cast<TColor>(0xE1E4FF)},
    {L"moccasin", static_cast<TColor>(0xB5E4FF)},
    {L"navajowhite", static_cast<TColor>(0xADDEFF)},
    {L"navy", static_cast<TColor>(0x800000)},
    {L"oldlace", static_cast<TColor>(0xE6F5FD)},
    {L"olive", static_cast<TColor>(0x008080)},
    {L"olivedrab", static_cast<TColor>(0x238E6B)},
    {L"orange", static_cast<TColor>(0x00A5FF)},
    {L"orangered", static_cast<TColor>(0x0045FF)},
    {L"orchid", static_cast<TColor>(0xD670DA)},
    {L"palegoldenrod", static_cast<TColor>(0xAAE8EE)},
    {L"palegreen", static_cast<TColor>(0x98FB98)},
    {L"paleturquoise", static_cast<TColor>(0xEEEEAF)},
    {L"palevioletred", static_cast<TColor>(0x9370DB)},
    {L"papayawhip", static_cast<TColor>(0xD5EFFF)},
    {L"peachpuff", static_cast<TColor>(0xB9DAFF)},
    {L"peru", static_cast<TColor>(0x3F85CD)},
    {L"pink", static_cast<TColor>(0xCBC0FF)},
    {L"plum", static_cast<TColor>(0xDDA0DD)},
    {L"powderblue", static_cast<TColor>(0xE6E0B0)},
    {L"purple", static_cast<TColor>(0x800080)},
    {L"rebeccapurple", static_cast<TColor>(0x993366)},
    {L"red", static_cast<TColor>(0x0000FF)},
    {L"rosybrown", static_cast<TColor>(0x8F8FBC)},
    {L"royalblue", static_cast<TColor>(0xE16941)},
    {L"saddlebrown", static_cast<TColor>(0x13458B)},
    {L"salmon", static_cast<TColor>(0x7280FA)},
    {L"sandybrown", static_cast<TColor>(0x60A4F4)},
    {L"seagreen", static_cast<TColor>(0x578B2E)},
    {L"seashell", static_cast<TColor>(0xEEF5FF)},
    {L"sienna", static_cast<TColor>(0x2D52A0)},
    {L"silver", static_cast<TColor>(0xC0C0C0)},
    {L"skyblue", static_cast<TColor>(0xEBCE87)},
    {L"slateblue", static_cast<TColor>(0xCD5A6A)},
    {L"slategray", static_cast<TColor>(0x908070)},
    {L"snow", static_cast<TColor>(0xFAFAFF)},
    {L"springgreen", static_cast<TColor>(0x7FFF00)},
    {L"steelblue", static_cast<TColor>(0xB48246)},
    {L"tan", static_cast<TColor>(0x8CB4D2)},
    {L"teal", static_cast<TColor>(0x808000)},
    {L"thistle", static_cast<TColor>(0xD8BFD8)},
    {L"tomato", static_cast<TColor>(0x4763FF)},
    {L"turquoise", static_cast<TColor>(0xD0E040)},
    {L"violet", static_cast<TColor>(0xEE82EE)},
    {L"wheat", static_cast<TColor>(0xB3DEF5)},
    {L"white", static_cast<TColor>(0xFFFFFF)},
    {L"whitesmoke", static_cast<TColor>(0xF5F5F5)},
    {L"yellow", static_cast<TColor>(0x00FFFF)},
    {L"yellowgreen", static_cast<TColor>(0x32CD9A)},
    {L"activeborder", static_cast<TColor>(0xFF00000A)},
    {L"activecaption", static_cast<TColor>(0xFF000002)},
    {L"appworkspace", static_cast<TColor>(0xFF00000C)},
    {L"background", static_cast<TColor>(0xFF000001)},
    {L"buttonface", static_cast<TColor>(0xFF00000F)},
    {L"buttonhighlight", static_cast<TColor>(0xFF000014)},
    {L"buttonshadow", static_cast<TColor>(0xFF000010)},
    {L"buttontext", static_cast<TColor>(0xFF000012)},
    {L"captiontext", static_cast<TColor>(0xFF000009)},
    {L"graytext", static_cast<TColor>(0xFF000011)},
    {L"highlight", static_cast<TColor>(0xFF00000D)},
    {L"highlighttext", static_cast<TColor>(0xFF00000E)},
    {L"inactiveborder", static_cast<TColor>(0xFF00000B)},
    {L"inactivecaption", static_cast<TColor>(0xFF000003)},
    {L"inactivecaptiontext", static_cast<TColor>(0xFF000013)},
    {L"infobackground", static_cast<TColor>(0xFF000018)},
    {L"infotext", static_cast<TColor>(0xFF000017)},
    {L"menu", static_cast<TColor>(0xFF000004)},
    {L"menutext", static_cast<TColor>(0xFF000007)},
    {L"scrollbar", static_cast<TColor>(0xFF000000)},
    {L"threeddarkshadow", static_cast<TColor>(0xFF000015)},
    {L"threedface", static_cast<TColor>(0xFF00000F)},
    {L"threedhighlight", static_cast<TColor>(0xFF000014)},
    {L"threedlightshadow", static_cast<TColor>(0xFF000016)},
    {L"threedshadow", static_cast<TColor>(0xFF000010)},
    {L"window", static_cast<TColor>(0xFF000005)},
    {L"windowframe", static_cast<TColor>(0xFF000006)},
    {L"windowtext", static_cast<TColor>(0xFF000008)},
    };
  }
  return *FColorInfos;
}

// --- Text, window and background helpers ------------------------------------------------------

TSize vxTextExtentOfFont(TFont* AFont, const String& AText, Integer AFontSize) {
  TvxScreenCanvas* c = vxGetScreenCanvas();
  if (!c) return TSize{0, 0};
  c->SetFont(AFont);
  if (AFontSize != 0) c->Font()->SetSize(AFontSize);
  TSize size = c->TextExtent(AText);
  c->Dormant();
  return size;
}

Integer vxTextHeightOfFont(TFont* AFont, const String& AText, Integer AFontSize) {
  return vxTextExtentOfFont(AFont, AText, AFontSize).cy;
}

Integer vxTextWidthOfFont(TFont* AFont, const String& AText, Integer AFontSize) {
  return vxTextExtentOfFont(AFont, AText, AFontSize).cx;
}

TSize vxTextSizeOnDC(HDC ADC, const String& AText) {
  TRect r{};
  vxGetTextRect(ADC, AText, 1, r);
  return TSize{r.right - r.left, r.bottom - r.top};
}

void vxGetTextRect(HDC ADC, const String& AText, Integer ALineCount, TRect& R, bool ALimitHeight) {
  R = vxZeroRect;
  if (ALineCount == 1) {
    DrawTextW(ADC, AText.c_str(), -1, &R, DT_CALCRECT | DT_SINGLELINE);
    return;
  }
  Integer maxHeight = 32000;
  if (ALineCount > 0) {
    TRect line{};
    DrawTextW(ADC, L"Wg", -1, &line, DT_CALCRECT | DT_SINGLELINE);
    maxHeight = ALineCount * (line.bottom - line.top);
  }
  constexpr UINT wrap = DT_CALCRECT | DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK;
  auto measure = [&](Integer AWidth) {
    TRect m{0, 0, AWidth, 1};
    DrawTextW(ADC, AText.c_str(), -1, &m, wrap);
    return m;
  };
  TRect widest = measure(1);
  TRect single{};
  DrawTextW(ADC, AText.c_str(), -1, &single, DT_CALCRECT | DT_SINGLELINE);
  Integer lo = widest.right - widest.left, hi = single.right - single.left;
  while (hi - lo > 1) {
    const Integer mid = (lo + hi) / 2;
    TRect m = measure(mid);
    if (m.bottom - m.top > maxHeight)
      lo = mid;
    else
      hi = mid;
  }
  R = measure(lo);
  if (R.bottom - R.top > maxHeight) R = measure(hi);
  if (ALimitHeight) R.bottom = maxHeight;
}

Integer vxDrawTextOnDC(HDC ADC, const String& AText, TRect& R, Integer ALength, Cardinal AFormat) {
  return DrawTextW(ADC, AText.c_str(), ALength, &R, AFormat);
}

bool vxExtTextOutStr(HDC ADC, const String& AText, const TPoint& P, Integer ALength, Cardinal AOptions,
                     const TRect& R) {
  const Integer n = ALength < 0 ? static_cast<Integer>(AText.size()) : std::min<Integer>(ALength, AText.size());
  return ExtTextOutW(ADC, P.x, P.y, AOptions, &R, AText.c_str(), static_cast<UINT>(n), nullptr) != FALSE;
}

bool vxTextExtentOnDC(HDC ADC, const String& AText, TSize& ASize, Integer ALength) {
  const Integer n = ALength < 0 ? static_cast<Integer>(AText.size()) : std::min<Integer>(ALength, AText.size());
  return GetTextExtentPoint32W(ADC, AText.c_str(), n, &ASize) != FALSE;
}

bool vxIsFarEastArabicCharset(Byte ACharset, const String& AText) {
  if (ACharset == DEFAULT_CHARSET) {
    CHARSETINFO info{};
    if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<ULONG_PTR>(GetACP())), &info, TCI_SRCCODEPAGE))
      ACharset = static_cast<Byte>(info.ciCharset);
  }
  if (!AText.empty() && AText[0] < 128) return false;
  return ACharset == GB2312_CHARSET || ACharset == CHINESEBIG5_CHARSET || ACharset == ARABIC_CHARSET;
}

bool vxGetLogFontOf(HFONT AHandle, LOGFONTW& ALogFont) {
  return GetObjectW(AHandle, sizeof(ALogFont), &ALogFont) != 0;
}
bool vxGetLogBrushOf(HBRUSH AHandle, LOGBRUSH& ALogBrush) {
  return GetObjectW(AHandle, sizeof(ALogBrush), &ALogBrush) != 0;
}
bool vxGetLogPenOf(HPEN AHandle, LOGPEN& ALogPen) { return GetObjectW(AHandle, sizeof(ALogPen), &ALogPen) != 0; }
bool vxGetBitmapOf(HBITMAP AHandle, BITMAP& ABitmap) {
  return GetObjectW(AHandle, sizeof(ABitmap), &ABitmap) != 0;
}

void vxRectDeflateByMargins(TRect& R, const TRect& AMargins) {
  R.left += AMargins.left;
  R.top += AMargins.top;
  R.right -= AMargins.right;
  R.bottom -= AMargins.bottom;
}

void vxInvalidateWindowRect(HWND AHandle, const TRect& R, bool AEraseBackground) {
  InvalidateRect(AHandle, &R, AEraseBackground);
}

void vxInvalidateWindowRect(HWND AHandle, bool AEraseBackground) {
  InvalidateRect(AHandle, nullptr, AEraseBackground);
}

void vxCanvasSetWindowOrg(TCanvas* ACanvas, TPoint& P) {
  TPoint prev{};
  SetWindowOrgEx(ACanvas->Handle(), P.x, P.y, &prev);
  P = prev;
}

void vxGetCursorVisibleSize(TPoint& P) {
  P = TPoint{GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR)};
  ICONINFO info{};
  HCURSOR cursor = GetCursor();
  if (!cursor || !GetIconInfo(cursor, &info)) return;
  BITMAP bm{};
  if (info.hbmMask && GetObjectW(info.hbmMask, sizeof(bm), &bm) && bm.bmBitsPixel == 1 && bm.bmWidth > 0 &&
      bm.bmHeight > 0) {
    const Integer rowSize = ((bm.bmWidth + 31) / 32) * 4;
    std::vector<Byte> bits(static_cast<size_t>(rowSize) * bm.bmHeight);
    struct {
      BITMAPINFOHEADER h;
      RGBQUAD colors[2];
    } bi{};
    bi.h.biSize = sizeof(bi.h);
    bi.h.biWidth = bm.bmWidth;
    bi.h.biHeight = -bm.bmHeight;  // top-down rows
    bi.h.biPlanes = 1;
    bi.h.biBitCount = 1;
    bi.h.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, info.hbmMask, 0, bm.bmHeight, bits.data(), reinterpret_cast<BITMAPINFO*>(&bi),
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows > 0) {
      P.x = bm.bmWidth;
      const bool hasColorHalf = bm.bmHeight >= 2 * bm.bmWidth;
      const Integer andRows = hasColorHalf ? bm.bmHeight / 2 : bm.bmHeight;
      // The AND half: transparent rows are all ones.
      Integer count = 0;
      for (Integer i = andRows * rowSize - 1; i >= 0; --i)
        if (bits[i] != 0xFF) {
          count = i + 1;
          break;
        }
      if (count == 0 && hasColorHalf) {
        // The XOR half of a monochrome cursor: visible pixels are non-zero.
        for (Integer i = bm.bmHeight * rowSize - 1; i >= andRows * rowSize; --i)
          if (bits[i] != 0) {
            count = i + 1 - andRows * rowSize;
            break;
          }
      }
      const Integer row = (count + rowSize - 1) / rowSize;
      P.y = row - static_cast<Integer>(info.yHotspot);
    }
  }
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
}

void vxApplyViewParamsToCanvas(TvxCanvas* ACanvas, const TvxViewParams& AParams) {
  if (AParams.Font) ACanvas->SetFont(AParams.Font);
  ACanvas->Font()->SetColor(AParams.TextColor);
  ACanvas->SetBrushColor(AParams.Color);
}

namespace {

// Paints a windowed control, then its windowed children up to the first one in AStop,
// into the canvas. AOffset: where the control's top-left corner lies in the canvas's
// current logical coordinates; AClip: the area to paint, in those coordinates.
void PaintControlCopy(TWinControl* AControl, TvxCanvas* ACanvas, const TRect& AClip, TPoint AOffset,
                      bool AIsFirstParent, const std::vector<TControl*>& AStop) {
  if (AControl->ComponentState().Contains(csDestroying)) return;
  HDC dc = ACanvas->Handle();
  // The canvas stays locked and its state saved until the copy is done, however it ends.
  ACanvas->Canvas()->Lock();
  ACanvas->SaveState();
  TScopeExit scope([ACanvas] {
    ACanvas->RestoreState();
    ACanvas->Canvas()->Unlock();
  });
  TPoint org = ACanvas->WindowOrg();
  ACanvas->SetWindowOrg(TPoint{org.x - AOffset.x, org.y - AOffset.y});
  TRect clip = AClip;
  OffsetRect(&clip, -AOffset.x, -AOffset.y);
  if (ACanvas->RectVisible(clip)) {
    HWND wnd = AControl->Handle();
    if (!AIsFirstParent) {
      const LONG exStyle = GetWindowLongW(wnd, GWL_EXSTYLE);
      const LONG style = GetWindowLongW(wnd, GWL_STYLE);
      bool drawBorder = true;
      if (auto* q = dynamic_cast<IvxWindowBorderPainting*>(AControl)) drawBorder = q->NeedsWindowBorderPainting();
      TRect bounds{0, 0, AControl->Width(), AControl->Height()};
      TRect inner = bounds;
      if (drawBorder && (exStyle & WS_EX_CLIENTEDGE))
        ::DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
      else if (drawBorder && (style & WS_BORDER))
        ::DrawEdge(dc, &inner, BDR_RAISEDOUTER | BDR_SUNKENOUTER, BF_RECT | BF_ADJUST | BF_MONO);
      // The client area starts past the border.
      RECT wr{}, cr{};
      GetWindowRect(wnd, &wr);
      POINT co{0, 0};
      ClientToScreen(wnd, &co);
      GetClientRect(wnd, &cr);
      const Integer bx = co.x - wr.left, by = co.y - wr.top;
      ACanvas->IntersectClipRect(TRect{bx, by, bx + cr.right, by + cr.bottom});
      org = ACanvas->WindowOrg();
      ACanvas->SetWindowOrg(TPoint{org.x - bx, org.y - by});
      OffsetRect(&clip, -bx, -by);
      // A shaped window shows only its window region.
      auto* region = new TvxRegion();
      const int kind = GetWindowRgn(wnd, region->Handle());
      if (kind == SIMPLEREGION || kind == COMPLEXREGION) {
        region->Offset(-bx, -by);
        ACanvas->SetClipRegion(region, roIntersect);
      } else {
        delete region;
      }
    }
    ACanvas->IntersectClipRect(clip);
    {
      // Mark the control as painting a copy while its own messages draw into the canvas.
      TSetItemScope paintCopy(AControl->ControlState(), csPaintCopy);
      ACanvas->SaveState();
      TScopeExit restoreState([ACanvas] { ACanvas->RestoreState(); });
      SendMessageW(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ACanvas->Handle()), 0);
      SendMessageW(wnd, WM_PAINT, reinterpret_cast<WPARAM>(ACanvas->Handle()), 0);
    }
    for (Integer i = 0; i < AControl->ControlCount(); ++i) {
      TControl* child = AControl->Controls(i);
      if (std::find(AStop.begin(), AStop.end(), child) != AStop.end()) break;
      auto* w = dynamic_cast<TWinControl*>(child);
      if (!w || !w->Visible() || !w->HandleAllocated()) continue;
      PaintControlCopy(w, ACanvas, clip, TPoint{w->Left(), w->Top()}, false, AStop);
    }
  }
}

}  // namespace

void vxDrawTransparentControlBackground(TControl* AControl, TvxCanvas* ACanvas, const TRect& R) {
  TWinControl* parent = AControl ? AControl->Parent() : nullptr;
  if (!parent || !parent->HandleAllocated()) return;
  // R in the parent's client coordinates; its top-left corner goes to the canvas origin.
  TRect r = R;
  OffsetRect(&r, AControl->Left(), AControl->Top());
  const TRect clip{0, 0, r.right - r.left, r.bottom - r.top};
  PaintControlCopy(parent, ACanvas, clip, TPoint{-r.left, -r.top}, true, {AControl});
}

void vxDrawThemeParentBackground(TWinControl* AControl, TvxCanvas* ACanvas, const TRect& R) {
  TWinControl* parent = AControl->Parent();
  if ((parent && parent->DoubleBuffered()) || !vdUxThemeLoaded)
    vxDrawTransparentControlBackground(AControl, ACanvas, R);
  else
    vdUxTheme::DrawThemeParentBackground(AControl->Handle(), ACanvas->Handle(), &R);
}

void vxDrawThemeParentBackgroundOnCanvas(TWinControl* AControl, TCanvas* ACanvas, const TRect& R) {
  TvxCanvas c(ACanvas);
  vxDrawThemeParentBackground(AControl, &c, R);
}

void vxDrawTransparentControlBackgroundOnCanvas(TControl* AControl, TCanvas* ACanvas, const TRect& R) {
  TvxCanvas c(ACanvas);
  vxDrawTransparentControlBackground(AControl, &c, R);
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
  vxFreeImageDrawBitmaps();
  delete FColorInfos;
  FColorInfos = nullptr;
  vxAlphaBlendFunc = nullptr;
  FMsimg32.Free();
  FUser32.Free();
}

}  // namespace

const TUnitInfo vxGraphicsUnit = {L"vxGraphics", InitGraphics, FinGraphics};
