#include "vxEditPaintUtils.h"

#include <algorithm>

#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxControls.h"
#include "vxDrawTextUtils.h"
#include "vxEdit.h"

// A hidden top-level window that tells the brush cache when the system colours change.
class TvxPaletteChangeWindow : public TvxMessageWindow {
  DECLARE_CLASS(TvxPaletteChangeWindow, TvxMessageWindow)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxPaletteChangeWindow(TvxSolidBrushCache* ACache) : FCache(ACache) {}

 private:
  void WMSysColorChange(TMessage& Message) {
    FCache->SystemPaletteChanged();
    DefaultHandler(Message);
  }
  TvxSolidBrushCache* FCache;
};

const TMessageMap* TvxPaletteChangeWindow::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_SYSCOLORCHANGE, MessageHandler<&TvxPaletteChangeWindow::WMSysColorChange>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

namespace {

constexpr Cardinal CSystemColorFirst = 0xFF000000u;
constexpr Cardinal CSystemColorLast = 0xFF00001Eu;

HBRUSH FSystemBrushes[31] = {};
bool FSystemBrushesBuilt = false;
std::unique_ptr<TvxSolidBrushCache> FBrushCache;

void BuildSystemBrushes() {
  for (int i = 0; i < 31; ++i) FSystemBrushes[i] = GetSysColorBrush(i);
  FSystemBrushesBuilt = true;
}

void ClearSystemBrushes() {
  std::fill(std::begin(FSystemBrushes), std::end(FSystemBrushes), nullptr);
  FSystemBrushesBuilt = false;
}

void FillRectWithBrush(HDC ADC, Integer L, Integer T, Integer R, Integer B, HBRUSH ABrush) {
  RECT rc{L, T, R, B};
  FillRect(ADC, &rc, ABrush);
}

void InitPaintUtils() {
  BuildSystemBrushes();
  FBrushCache = std::make_unique<TvxSolidBrushCache>();
}

void FinPaintUtils() {
  FBrushCache.reset();
  ClearSystemBrushes();
}

}  // namespace

// --- TvxSolidBrushCache --------------------------------------------------------------------

TvxSolidBrushCache::TvxSolidBrushCache(Integer AMaxDepth) : FMaxDepth(std::max<Integer>(AMaxDepth, 1)) {
  FBrushColors.resize(FMaxDepth);
  FBrushes.resize(FMaxDepth);
  FCounts.resize(FMaxDepth);
  FSystemPaletteChangedNotifier = std::make_unique<TvxPaletteChangeWindow>(this);
}

TvxSolidBrushCache::~TvxSolidBrushCache() {
  FSystemPaletteChangedNotifier.reset();
  FLockCount = 0;
  Clear();
  for (HBRUSH b : FParked) DeleteObject(b);
  FParked.clear();
}

void TvxSolidBrushCache::SystemPaletteChanged() { Clear(); }

void TvxSolidBrushCache::Retire(HBRUSH ABrush) {
  if (FLockCount > 0)
    FParked.push_back(ABrush);
  else
    DeleteObject(ABrush);
}

void TvxSolidBrushCache::Unlock() {
  if (FLockCount > 0 && --FLockCount == 0) {
    for (HBRUSH b : FParked) DeleteObject(b);
    FParked.clear();
  }
}

void TvxSolidBrushCache::Clear() {
  for (Integer i = 0; i < FDepth; ++i) Retire(FBrushes[i]);
  FDepth = 0;
}

Integer TvxSolidBrushCache::Find(Cardinal AColor, bool& AFound) const {
  Integer lo = 0, hi = FDepth - 1;
  AFound = false;
  while (lo <= hi) {
    const Integer mid = (lo + hi) / 2;
    const Cardinal c = static_cast<Cardinal>(FBrushColors[mid]);
    if (c < AColor)
      lo = mid + 1;
    else if (c > AColor)
      hi = mid - 1;
    else {
      AFound = true;
      return mid;
    }
  }
  return lo;
}

Integer TvxSolidBrushCache::CountOf(TColor AColor) const {
  bool found;
  const Integer i = Find(static_cast<Cardinal>(AColor), found);
  return found ? static_cast<Integer>(FCounts[i]) : -1;
}

HBRUSH TvxSolidBrushCache::GetBrush(TColor AColor) {
  const Cardinal color = static_cast<Cardinal>(AColor);
  if (FSystemBrushesBuilt && color >= CSystemColorFirst && color <= CSystemColorLast)
    return FSystemBrushes[color - CSystemColorFirst];
  bool found;
  Integer index = Find(color, found);
  if (found) {
    ++FCounts[index];
    return FBrushes[index];
  }
  if (FDepth == FMaxDepth) {
    // The least used entry goes; of equal counts the first in colour order.
    Integer victim = 0;
    for (Integer i = 1; i < FDepth; ++i)
      if (FCounts[i] < FCounts[victim]) victim = i;
    Retire(FBrushes[victim]);
    FBrushColors.erase(FBrushColors.begin() + victim);
    FBrushes.erase(FBrushes.begin() + victim);
    FCounts.erase(FCounts.begin() + victim);
    FBrushColors.resize(FMaxDepth);
    FBrushes.resize(FMaxDepth);
    FCounts.resize(FMaxDepth);
    --FDepth;
    if (index > victim) --index;
  }
  FBrushColors.insert(FBrushColors.begin() + index, AColor);
  FBrushes.insert(FBrushes.begin() + index, CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(AColor))));
  FCounts.insert(FCounts.begin() + index, 0);
  FBrushColors.resize(FMaxDepth);
  FBrushes.resize(FMaxDepth);
  FCounts.resize(FMaxDepth);
  ++FDepth;
  return FBrushes[index];
}

TvxBrushCacheLock::TvxBrushCacheLock() : FCache(FBrushCache.get()) {
  if (FCache) FCache->Lock();
}

TvxBrushCacheLock::~TvxBrushCacheLock() {
  if (FCache && FCache == FBrushCache.get()) FCache->Unlock();
}

TvxSolidBrushCache* vxSolidBrushCache() { return FBrushCache.get(); }

HBRUSH GetCachedSolidBrush(TColor AColor) {
  if (!FBrushCache) return nullptr;
  return FBrushCache->GetBrush(AColor);
}

HBRUSH GetCachedSolidBrushForCanvas(TvxCanvas*, TColor AColor) { return GetCachedSolidBrush(AColor); }

HBRUSH GetCachedSolidBrushForCanvas(TCanvas*, TColor AColor) { return GetCachedSolidBrush(AColor); }

// --- Arrows and frames ----------------------------------------------------------------------

void DrawEditArrow(TvxCanvas* ACanvas, Integer AArrowSize, const TRect& AContentRect, TColor AColor,
                   bool AOffsetContent, bool AIsDoubleArrow, TvxArrowDirection AArrowDirection) {
  if (AArrowSize <= 0) return;
  TvxBrushCacheLock lock;
  const Integer n = AIsDoubleArrow ? 2 : 1;
  const bool vertical = AArrowDirection == adUp || AArrowDirection == adDown;
  const Integer depth = n * AArrowSize, across = 2 * AArrowSize - 1;
  const Integer w = vertical ? across : depth, h = vertical ? depth : across;
  Integer x = AContentRect.left + ((AContentRect.right - AContentRect.left) - w) / 2;
  Integer y = AContentRect.top + ((AContentRect.bottom - AContentRect.top) - h) / 2;
  if (AOffsetContent) {
    ++x;
    ++y;
  }
  const HBRUSH brush = GetCachedSolidBrush(AColor);
  const HDC dc = ACanvas->Handle();
  for (Integer k = 0; k < n; ++k) {
    const Integer base = k * AArrowSize;
    for (Integer i = 0; i < AArrowSize; ++i) {
      // Strip i, counted from the tip, is 2i + 1 pixels long.
      const Integer len = 2 * i + 1, start = AArrowSize - 1 - i;
      switch (AArrowDirection) {
        case adUp:
          FillRectWithBrush(dc, x + start, y + base + i, x + start + len, y + base + i + 1, brush);
          break;
        case adDown:
          FillRectWithBrush(dc, x + start, y + base + AArrowSize - 1 - i, x + start + len, y + base + AArrowSize - i,
                            brush);
          break;
        case adLeft:
          FillRectWithBrush(dc, x + base + i, y + start, x + base + i + 1, y + start + len, brush);
          break;
        case adRight:
          FillRectWithBrush(dc, x + base + AArrowSize - 1 - i, y + start, x + base + AArrowSize - i, y + start + len,
                            brush);
          break;
      }
    }
  }
}

TSize CalculateArrowSize(const TSize& ASize, TvxArrowDirection AArrowDirection) {
  const Integer m = std::min(ASize.cx, ASize.cy);
  Integer w = (m - 1) / 2;
  if (w % 2 == 0) ++w;
  const Integer h = w / 2 + 1;
  if (AArrowDirection == adUp || AArrowDirection == adDown) return TSize{w, h};
  return TSize{h, w};
}

void DrawEditButtonBorder(TvxCanvas* ACanvas, TRect& ARect, TvxBorders ABorders, TColor AColor) {
  TvxBrushCacheLock lock;
  const HBRUSH brush = GetCachedSolidBrush(AColor);
  const HDC dc = ACanvas->Handle();
  if (ABorders.Contains(bLeft)) {
    FillRectWithBrush(dc, ARect.left, ARect.top, ARect.left + 1, ARect.bottom, brush);
    ++ARect.left;
  }
  if (ABorders.Contains(bTop)) {
    FillRectWithBrush(dc, ARect.left, ARect.top, ARect.right, ARect.top + 1, brush);
    ++ARect.top;
  }
  if (ABorders.Contains(bRight)) {
    FillRectWithBrush(dc, ARect.right - 1, ARect.top, ARect.right, ARect.bottom, brush);
    --ARect.right;
  }
  if (ABorders.Contains(bBottom)) {
    FillRectWithBrush(dc, ARect.left, ARect.bottom - 1, ARect.right, ARect.bottom, brush);
    --ARect.bottom;
  }
}

void DrawButtonFrame(TvxCanvas* ACanvas, TRect& R, TColor AColor) {
  ACanvas->FrameRect(R, AColor);
  InflateRect(&R, -1, -1);
}

void DrawButtonFrame3D(TvxCanvas* ACanvas, TRect& R, TColor ATopLeftColor, TColor ABottomRightColor) {
  ACanvas->DrawComplexFrame(R, ATopLeftColor, ABottomRightColor);
  InflateRect(&R, -1, -1);
}

void DrawEditPolyline(TvxCanvas* ACanvas, const std::vector<TPoint>& APoints, TColor AColor, bool AUseFillRect) {
  if (APoints.empty()) return;
  const TPoint last = APoints.back();
  if (!AUseFillRect) {
    ACanvas->Pen()->SetColor(AColor);
    ACanvas->Polyline(APoints);
    ACanvas->SetPixel(last.x, last.y, AColor);
    return;
  }
  TvxBrushCacheLock lock;
  const HBRUSH brush = GetCachedSolidBrush(AColor);
  const HDC dc = ACanvas->Handle();
  for (std::size_t i = 0; i + 1 < APoints.size(); ++i) {
    const TPoint a = APoints[i], b = APoints[i + 1];
    FillRectWithBrush(dc, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1,
                      brush);
  }
  FillRectWithBrush(dc, last.x, last.y, last.x + 1, last.y + 1, brush);
}

// --- Glyphs ---------------------------------------------------------------------------------

void DrawEditGlyph(TCanvas* ACanvas, Integer X, Integer Y, TBitmap* AGlyph, bool AEnabled, TColor ABackgroundColor,
                   TBitmap* ABuffer) {
  if (!IsBitmapUsable(AGlyph)) return;
  const Integer w = AGlyph->Width(), h = AGlyph->Height();
  const TRect source{0, 0, w, h};
  if (AEnabled) {
    TCanvas* target = ABuffer ? ABuffer->Canvas() : ACanvas;
    const TBrushStyle style = target->Brush()->Style();
    if (ABuffer || ABackgroundColor == clNone)
      target->Brush()->SetStyle(bsClear);
    else
      target->Brush()->SetColor(ABackgroundColor);
    if (ABuffer) {
      target->BrushCopy(source, AGlyph, source, AGlyph->TransparentColor());
      ACanvas->Draw(X, Y, ABuffer);
    } else {
      target->BrushCopy(TRect{X, Y, X + w, Y + h}, AGlyph, source, AGlyph->TransparentColor());
    }
    target->Brush()->SetStyle(style);
    return;
  }
  TCustomImageList images(w, h);
  images.AddMasked(AGlyph, AGlyph->TransparentColor());
  std::unique_ptr<TBitmap> temp;
  TBitmap* surface = ABuffer;
  if (!surface && ABackgroundColor != clNone) {
    temp = std::make_unique<TBitmap>(w, h);
    temp->Canvas()->Brush()->SetColor(ABackgroundColor);
    temp->Canvas()->FillRect(RECT{0, 0, w, h});
    surface = temp.get();
  }
  if (surface) {
    images.Draw(surface->Canvas(), 0, 0, 0, false);
    ACanvas->Draw(X, Y, surface);
  } else {
    images.Draw(ACanvas, X, Y, 0, false);
  }
}

void DrawGlyphOnCanvas(TvxCanvas* ACanvas, Integer X, Integer Y, TBitmap* AGlyph, bool AEnabled,
                       TColor ABackgroundColor, TBitmap* ABuffer) {
  DrawEditGlyph(ACanvas->Canvas(), X, Y, AGlyph, AEnabled, ABackgroundColor, ABuffer);
}

void DrawImageListGlyph(TvxCanvas* ACanvas, TCustomImageList* AImages, Integer AImageIndex, TBitmap* ABuffer,
                        bool AEnabled, TColor ABackgroundColor, const TRect& ARect) {
  if (!IsImageListUsable(AImages)) return;
  std::unique_ptr<TBitmap> temp;
  TBitmap* surface = ABuffer;
  if (!surface) {
    temp = std::make_unique<TBitmap>(AImages->Width(), AImages->Height());
    temp->Canvas()->Brush()->SetColor(ABackgroundColor);
    temp->Canvas()->FillRect(RECT{0, 0, AImages->Width(), AImages->Height()});
    surface = temp.get();
  }
  if (AImageIndex >= 0 && AImageIndex < AImages->Count()) AImages->Draw(surface->Canvas(), 0, 0, AImageIndex, AEnabled);
  ACanvas->Draw(ARect.left, ARect.top, surface);
}

bool IsBitmapUsable(TBitmap* ABitmap) {
  return ABitmap && !ABitmap->Empty() && ABitmap->Width() >= 1 && ABitmap->Height() >= 1;
}

bool IsImageListUsable(TCustomImageList* AImages) { return AImages && AImages->Width() > 0 && AImages->Height() > 0; }

TvxCustomLookAndFeelPainterClass GetEditButtonPainterClass(bool ANativeStyle, TvxLookAndFeelKind AKind) {
  if (ANativeStyle && vdThemesAvailable({totButton})) return TvxWinXPLookAndFeelPainter::Instance();
  switch (AKind) {
    case lfFlat:
      return TvxFlatLookAndFeelPainter::Instance();
    case lfStandard:
      return TvxStandardLookAndFeelPainter::Instance();
    case lfUltraFlat:
      return TvxUltraFlatLookAndFeelPainter::Instance();
    case lfOffice11:
      return TvxOffice11LookAndFeelPainter::Instance();
  }
  return TvxStandardLookAndFeelPainter::Instance();
}

Integer CalculateEditButtonWidth(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B) {
  Integer margin = 4;
  if (B->Data.NativeStyle) {
    const TvdThemedObjectType type = B->Data.ComboBoxStyle ? totComboBox : totButton;
    const HTHEME theme = vdOpenThemeByType(type);
    B->Data.NativeState = theme ? 1 : 0;
    if (theme) {
      RECT outer{0, 0, 100, 100}, content{};
      if (SUCCEEDED(GetThemeBackgroundContentRect(theme, ACanvas->Handle(), 1, 1, &outer, &content)))
        margin = (content.left - outer.left) + (outer.right - content.right);
    }
  }
  if (B->Width >= 1) return std::max(B->Width, margin);
  Integer w = 0;
  if (B->Data.Kind == bkGlyph && IsBitmapUsable(B->Glyph))
    w = B->Glyph->Width() + margin;
  else if (B->Data.Kind == bkText)
    w = margin + ACanvas->TextWidth(B->Data.VisibleCaption) + 3;
  return std::max<Integer>(w, GetSystemMetrics(SM_CYHSCROLL));
}

// --- Fills ------------------------------------------------------------------------------------

void FillRectWithColor(TvxCanvas* ACanvas, const TRect& ARect, TColor AColor) {
  if (AColor == clNone) return;
  TvxBrushCacheLock lock;
  FillRectWithBrushHandle(ACanvas->Handle(), ARect, GetCachedSolidBrush(AColor));
}

void FillRectWithBrushHandle(HDC ADC, const TRect& ARect, HBRUSH ABrush) {
  RECT rc{ARect.left, ARect.top, ARect.right, ARect.bottom};
  FillRect(ADC, &rc, ABrush);
}

void FillRectExceptInner(TvxCanvas* ACanvas, const TRect& AOuter, const TRect& AInner, HBRUSH ABrush) {
  if (vxRectHasNoArea(AOuter) || vxRectSame(AOuter, AInner)) return;
  const HDC dc = ACanvas->Handle();
  if (vxRectHasNoArea(AInner)) {
    FillRectWithBrushHandle(dc, AOuter, ABrush);
    return;
  }
  FillRectWithBrush(dc, AOuter.left, AOuter.top, AInner.left, AOuter.bottom, ABrush);
  FillRectWithBrush(dc, AInner.left, AOuter.top, AInner.right, AInner.top, ABrush);
  FillRectWithBrush(dc, AInner.right, AOuter.top, AOuter.right, AOuter.bottom, ABrush);
  FillRectWithBrush(dc, AInner.left, AInner.bottom, AInner.right, AOuter.bottom, ABrush);
}

bool IsDigitCharacter(wchar_t AChar) { return AChar >= L'0' && AChar <= L'9'; }

// --- Text flags -------------------------------------------------------------------------------

namespace {

struct TFlagPair {
  Integer TextOut;
  UINT DrawText;
};

// Pairs of the same meaning. Left and top are zero in both sets.
constexpr TFlagPair CFlagPairs[] = {
    {vxtoCenterX, DT_CENTER},
    {vxtoRight, DT_RIGHT},
    {vxtoCenterY, DT_VCENTER},
    {vxtoBottom, DT_BOTTOM},
    {vxtoWordBreak, DT_WORDBREAK},
    {vxtoSingleLine, DT_SINGLELINE},
    {vxtoExpandTabs, DT_EXPANDTABS},
    {vxtoEndEllipsis, DT_END_ELLIPSIS},
    {vxtoExternalLeading, DT_EXTERNALLEADING},
    {vxtoEditControl, DT_EDITCONTROL},
    {vxtoNoClip, DT_NOCLIP},
    {vxtoCalcRect, DT_CALCRECT},
};

}  // namespace

UINT ConvertTextOutFlags(Integer AFlags) {
  UINT result = 0;
  // The alignment fields are values, not independent bits.
  const Integer horz = AFlags & vxtoAlignXMask, vert = AFlags & vxtoAlignYMask;
  for (const TFlagPair& p : CFlagPairs) {
    if (p.TextOut == vxtoCenterX || p.TextOut == vxtoRight) {
      if (horz == p.TextOut) result |= p.DrawText;
    } else if (p.TextOut == vxtoCenterY || p.TextOut == vxtoBottom) {
      if (vert == p.TextOut) result |= p.DrawText;
    } else if (AFlags & p.TextOut) {
      result |= p.DrawText;
    }
  }
  return result;
}

Integer ConvertDrawTextFlags(UINT AFlags) {
  Integer result = 0;
  for (const TFlagPair& p : CFlagPairs)
    if (AFlags & p.DrawText) result |= p.TextOut;
  // DT_CENTER with DT_RIGHT, or DT_VCENTER with DT_BOTTOM, would add up to other values.
  if ((AFlags & DT_RIGHT) && (AFlags & DT_CENTER)) result &= ~vxtoCenterX;
  if ((AFlags & DT_BOTTOM) && (AFlags & DT_VCENTER)) result &= ~vxtoCenterY;
  return result;
}

// --- Colours and sizes ------------------------------------------------------------------------

Integer ButtonsContentVerticalOffset(TvxCanvas* ACanvas, Integer AButtonsStyle, bool ANativeStyle) {
  if (!ANativeStyle) {
    static constexpr Integer CByStyle[] = {0, 4, 2, 2, 2, 2, 2};
    return AButtonsStyle >= 0 && AButtonsStyle < 7 ? CByStyle[AButtonsStyle] : 0;
  }
  const HTHEME theme = vdOpenThemeByType(totButton);
  if (!theme) return 0;
  RECT outer{0, 0, 100, 100}, content{};
  GetThemeBackgroundContentRect(theme, ACanvas ? ACanvas->Handle() : nullptr, 1, 1, &outer, &content);
  return (content.top - outer.top) + (outer.bottom - content.bottom);
}

TColor GetEditHighlightColor(bool AIsOffice11) { return AIsOffice11 ? vdOffice11HighlightBorderColor : clHighlight; }

Integer GetEditBorderWidth(Integer ABorderStyle, TvxCustomLookAndFeelPainterClass APainter) {
  if (APainter) return ABorderStyle == ebsNone ? 0 : ABorderStyle == ebsThick ? 2 : 1;
  return vxContainerBorderWidth(static_cast<TvxContainerBorderStyle>(ABorderStyle));
}

bool PropertiesHaveButtons(TvxCustomEditProperties* AProperties, bool ACheck) {
  return ACheck && AProperties && AProperties->Buttons()->Count() > 0;
}

bool ViewDataHasShadow(TvxCustomEditViewData* AViewData) {
  return AViewData->Style()->Shadow() && !AViewData->NativeStyle;
}

TColor GetFlatButtonBorderColor(bool APressed, bool AIsOffice11) {
  TvxCustomLookAndFeelPainterClass painter =
      AIsOffice11 ? TvxOffice11LookAndFeelPainter::Instance() : TvxUltraFlatLookAndFeelPainter::Instance();
  return painter->ButtonColor(APressed ? vxbsPressed : vxbsHot);
}

const TUnitInfo vxEditPaintUtilsUnit = {L"vxEditPaintUtils", InitPaintUtils, FinPaintUtils};
