#include "vxPCPainters.h"

#include <algorithm>

#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxControls.h"
#include "vxPCInternal.h"

using namespace vxPCDetail;

namespace {

bool PtIn(const TRect& R, Integer X, Integer Y) { return X >= R.left && X < R.right && Y >= R.top && Y < R.bottom; }

TColor GLightButtonFaceColor = clBtnFace;

}  // namespace

// =======================================================================================
// Colour routines

void ColorToHsb(TColor AColor, long double& AHue, long double& ASaturation, long double& ABrightness) {
  const COLORREF c = ColorToRGB(AColor);
  const long double r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  const long double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  ABrightness = mx * 100 / 255;
  ASaturation = mx == 0 ? 0 : 100 - mn * 100 / mx;
  if (ASaturation == 0) {
    AHue = 0;
    return;
  }
  if (mx == r)
    AHue = (g - b) * 60 / (mx - mn);
  else if (mx == g)
    AHue = (b - r) * 60 / (mx - mn) + 120;
  else
    AHue = (r - g) * 60 / (mx - mn) + 240;
  if (AHue < 0) AHue += 360;
}

TColor HsbToColor(long double AHue, long double ASaturation, long double ABrightness) {
  if (ABrightness == 0) return 0;
  const long double M = ABrightness * 255 / 100;
  const long double m = M * (100 - ASaturation) / 100;
  const long double d = M - m;
  long double R, G, B;
  if (AHue <= 60) {
    R = M; G = m + d * AHue / 60; B = m;
  } else if (AHue <= 120) {
    R = M + d * (60 - AHue) / 60; G = M; B = m;
  } else if (AHue <= 180) {
    R = m; G = M; B = m + d * (AHue - 120) / 60;
  } else if (AHue <= 240) {
    R = m; G = M + d * (180 - AHue) / 60; B = M;
  } else if (AHue <= 300) {
    R = m + d * (AHue - 240) / 60; G = m; B = M;
  } else {
    R = M; G = m; B = M + d * (300 - AHue) / 60;
  }
  return static_cast<TColor>(static_cast<Integer>(R) + static_cast<Integer>(G) * 256 + static_cast<Integer>(B) * 65536);
}

TColor LightenColor(TColor AColor, Integer APercent) {
  long double h, s, b;
  ColorToHsb(AColor, h, s, b);
  b = std::min<long double>(100, b * (100 + APercent) / 100);
  return HsbToColor(h, s, b);
}

TColor LightButtonFaceColor() { return GLightButtonFaceColor; }

// =======================================================================================
// TvxPCStandardPainter

namespace {

// Rows of the standard-style tables: [style][pressed].
const TRect CImageMargins[3][2] = {{{6, 1, 0, 0}, {8, 1, 0, 3}}, {{6, -1, 0, 1}, {7, -1, 0, 1}},
                                   {{6, -1, 0, 1}, {7, -1, 0, 1}}};
const TRect CTextMargins[3][2] = {{{5, 1, 5, -1}, {5, 1, 5, 2}}, {{6, 0, 4, 1}, {6, 0, 4, 1}},
                                  {{6, 0, 4, 1}, {6, 0, 4, 1}}};
const TvxPCSizePair CTextPadding[3][2] = {{{2, 2}, {4, 4}}, {{3, 3}, {3, 3}}, {{2, 2}, {4, 2}}};
const TvxPCSizePair CCompactTextPadding[3][2] = {{{2, 2}, {4, 4}}, {{3, 3}, {3, 3}}, {{2, 2}, {3, 2}}};
const TvxPCSizePair CTabsDistance[3] = {{0, 0}, {3, 3}, {10, 3}};
const Integer CMinTabNormalHeight[3] = {18, 20, 20};
const Integer CStyleSizeConstant[3] = {2, 4, 4};

}  // namespace

Integer TvxPCStandardPainter::GetMinTabNormalHeight() { return CMinTabNormalHeight[StandardStyle()]; }
Integer TvxPCStandardPainter::GetStyleSizeConstant() { return CStyleSizeConstant[StandardStyle()]; }

void TvxPCStandardPainter::GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) {
  AMargins = CImageMargins[StandardStyle()][IsTabDrawnPressed(AVisibleIndex) ? 1 : 0];
}

void TvxPCStandardPainter::GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) {
  AMargins = CTextMargins[StandardStyle()][IsTabDrawnPressed(AVisibleIndex) ? 1 : 0];
}

TvxPCSizePair TvxPCStandardPainter::GetTextPadding(Integer AVisibleIndex) {
  return CTextPadding[StandardStyle()][IsTabDrawnPressed(AVisibleIndex) ? 1 : 0];
}

TvxPCSizePair TvxPCStandardPainter::GetCompactTextPadding(Integer AVisibleIndex) {
  return CCompactTextPadding[StandardStyle()][IsTabDrawnPressed(AVisibleIndex) ? 1 : 0];
}

TvxPCSizePair TvxPCStandardPainter::GetTabsDistance() { return CTabsDistance[StandardStyle()]; }

bool TvxPCStandardPainter::IsTabDrawnPressed(Integer AVisibleIndex) {
  return AVisibleIndex >= 0 && AVisibleIndex == ParentInfo()->MainTabVisibleIndex();
}

Integer TvxPCStandardPainter::GetTabContentIndent(Integer AVisibleIndex) {
  TCustomImageList* images = ParentControl()->Images();
  const Integer imageWidth = images ? images->Width() : 0;
  if (imageWidth == 0) return 12;
  if (AVisibleIndex != -1 && !ParentInfo()->Rotate() &&
      ParentControl()->GetTabImageIndex(ParentInfo()->VisibleTab(AVisibleIndex)->Index()) == -1)
    return 12;
  return imageWidth + 2 * ParentInfo()->ImageBorder() + 18;
}

Integer TvxPCStandardPainter::GetMinTabNormalWidth(Integer AVisibleIndex) {
  return std::max(GetTabContentIndent(AVisibleIndex), GetStandardMinTabWidth());
}

Integer TvxPCStandardPainter::CalculateTabNormalWidth(TvxTab* ATab) {
  if (ParentInfo()->TabWidth() > 0) return ParentInfo()->TabWidth();
  const Integer v = ATab->VisibleIndex();
  Integer w = GetTabContentIndent(v);
  if (!ATab->Caption().empty()) {
    TvxCanvas* canvas = ParentInfo()->Canvas();
    ParentControl()->PrepareTabFont(ATab, canvas);
    w += canvas->TextWidth(ATab->Caption());
  }
  return std::max(w, GetMinTabNormalWidth(v));
}

Integer TvxPCStandardPainter::GetTabContentHeight() {
  TvxCustomTabControl* c = ParentControl();
  TvxCanvas* canvas = ParentInfo()->Canvas();
  Integer textHeight = 0;
  for (Integer v = 0; v < c->VisibleTabList()->Count(); ++v) {
    c->PrepareTabFont(c->VisibleTabList()->GetTab(v), canvas);
    textHeight = std::max(textHeight, canvas->TextHeight(L"Zg"));
  }
  Integer h = textHeight + 8;
  if (TCustomImageList* images = c->Images())
    if (images->Width() > 0) h = std::max(h, images->Height() + 2 * ParentInfo()->ImageBorder() + 6);
  return h;
}

Integer TvxPCStandardPainter::CalculateTabNormalHeight() {
  Integer h = std::max(GetTabContentHeight(), GetMinTabNormalHeight());
  TCustomImageList* images = ParentControl()->Images();
  const Integer imageHeight = images && images->Width() > 0 ? images->Height() : 0;
  if (ParentInfo()->Rotate() && imageHeight > 0 && (h - imageHeight) % 2 != 0) ++h;
  return std::max(h, ParentInfo()->TabHeight());
}

void TvxPCStandardPainter::SetTabImageAndTextRects(Integer AVisibleIndex, const TRect& AImageRect,
                                                   const TRect& ATextRect) {
  FOutTabImageAndTextData.TabImageRect = AImageRect;
  FOutTabImageAndTextData.TabTextRect = ATextRect;
}

TColor TvxPCStandardPainter::GetControlBackgroundColor() { return ParentInfo()->Color(); }

// --- Tabs position and navigator buttons ---------------------------------------------

void TvxPCStandardPainter::GetTabsPosition(TvxPCNavigatorButtons AButtons, TvxPCTabsPosition& P) {
  const TvxTabPosition pos = ParentInfo()->TabPosition();
  const Integer L = GetNavigatorButtonsRegionLength(AButtons);
  TRect O{};
  if (ParentInfo()->IsTabsContainer()) GetTabsContainerOffsets(O);
  TRect e;
  GetExtendedTabsRectOffsets(e);
  TRect r{e.left, e.top, ParentInfo()->Width() - e.right, ParentInfo()->Height() - e.bottom};
  const TRect T = TurnOffsets(O);
  if (!AButtons.Empty()) {
    switch (pos) {
      case tpTop: r.top += O.top; break;
      case tpBottom: r.bottom -= O.top; break;
      case tpLeft: r.left += O.top; break;
      case tpRight: r.right -= O.top; break;
    }
    const TvxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
    if (!IsHorizontal(pos)) {
      if (np == npLeftBottom || np == npRightBottom) {
        r.bottom -= L;
        r.top += T.top;
      } else {
        r.top += L;
        r.bottom -= T.bottom;
      }
    } else if (np == npRightTop || np == npRightBottom) {
      r.right -= L;
      r.left += T.left;
    } else {
      r.left += L;
      r.right -= T.right;
    }
  } else {
    r = TRect{r.left + T.left, r.top + T.top, r.right - T.right, r.bottom - T.bottom};
  }
  P = TvxPCTabsPosition{};
  P.ExtendedTabsRect = r;
  P.NormalRowWidth = IsHorizontal(pos) ? RectWidth(r) : RectHeight(r);
  P.NormalTabsRect = r;
  P.MinDistanceBetweenTopOrLeftAndBottomOrRightExtendedTabsRects = GetTabsDistance().Second;
  CalculateNavigatorButtonsPositions(AButtons);
}

void TvxPCStandardPainter::GetNavigatorButtonsOrder(TvxPCNavigatorButtons AButtons,
                                                    TvxPCNavigatorButtonPositions& APositions) {
  const TvxTabPosition pos = ParentInfo()->TabPosition();
  const TvxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
  const bool atStart = IsHorizontal(pos) ? (np == npLeftTop || np == npLeftBottom) : (np == npLeftTop || np == npRightTop);
  static const TvxPCNavigatorButton StartOrder[] = {nbClose, nbTopLeft, nbBottomRight, nbGoDialog};
  static const TvxPCNavigatorButton EndOrder[] = {nbGoDialog, nbTopLeft, nbBottomRight, nbClose};
  APositions.clear();
  for (TvxPCNavigatorButton b : atStart ? StartOrder : EndOrder)
    if (AButtons.Contains(b)) APositions.push_back({b, TRect{}});
}

Integer TvxPCStandardPainter::GetNavigatorButtonsRegionLength(TvxPCNavigatorButtons AButtons) {
  TvxPCNavigatorButtonPositions order;
  GetNavigatorButtonsOrder(AButtons, order);
  Integer sum = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    sum += GetNavigatorButtonWidth(order[i].Button);
    if (i + 1 < order.size()) sum += GetNavigatorButtonsDistance(order[i].Button, order[i + 1].Button);
  }
  if (sum > 0) sum += GetNavigatorButtonsSideOffset() + GetNavigatorButtonsInnerOffset();
  return sum;
}

void TvxPCStandardPainter::CalculateNavigatorButtonsRegion(TvxPCNavigatorButtons AButtons) {
  TvxPCNavigatorButtonPositions order;
  GetNavigatorButtonsOrder(AButtons, order);
  Integer c = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    c += GetNavigatorButtonWidth(order[i].Button);
    if (i + 1 < order.size()) c += GetNavigatorButtonsDistance(order[i].Button, order[i + 1].Button);
  }
  const Integer b = GetNavigatorButtonHeight();
  const TvxTabPosition pos = ParentInfo()->TabPosition();
  const TvxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
  const Integer W = ParentInfo()->Width(), H = ParentInfo()->Height();
  if (!IsHorizontal(pos)) {
    const Integer left = pos == tpLeft ? GetNavigatorButtonsEdgeOffset() : W - b - GetNavigatorButtonsEdgeOffset();
    const Integer top = (np == npLeftBottom || np == npRightBottom) ? H - c - GetNavigatorButtonsSideOffset()
                                                                    : GetNavigatorButtonsSideOffset();
    FButtonsRect = TRect{left, top, left + b, top + c};
  } else {
    const Integer left = (np == npRightTop || np == npRightBottom) ? W - c - GetNavigatorButtonsSideOffset()
                                                                   : GetNavigatorButtonsSideOffset();
    const Integer top = pos == tpBottom ? H - b - GetNavigatorButtonsEdgeOffset() : GetNavigatorButtonsEdgeOffset();
    FButtonsRect = TRect{left, top, left + c, top + b};
  }
}

void TvxPCStandardPainter::CalculateNavigatorButtonsPositions(TvxPCNavigatorButtons AButtons) {
  if (AButtons.Empty()) {
    FButtonsQueue.clear();
    return;
  }
  CalculateNavigatorButtonsRegion(AButtons);
  GetNavigatorButtonsOrder(AButtons, FButtonsQueue);
  const bool horizontal = IsHorizontal(ParentInfo()->TabPosition());
  Integer x = FButtonsRect.left, y = FButtonsRect.top;
  for (size_t i = 0; i < FButtonsQueue.size(); ++i) {
    const Integer w = GetNavigatorButtonWidth(FButtonsQueue[i].Button), h = GetNavigatorButtonHeight();
    FButtonsQueue[i].ButtonRect = horizontal ? TRect{x, y, x + w, y + h} : TRect{x, y, x + h, y + w};
    if (i + 1 < FButtonsQueue.size()) {
      const Integer step = w + GetNavigatorButtonsDistance(FButtonsQueue[i].Button, FButtonsQueue[i + 1].Button);
      (horizontal ? x : y) += step;
    }
  }
}

Integer TvxPCStandardPainter::GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) {
  if (AButton == nbGoDialog) return IsHorizontal(ParentInfo()->TabPosition()) ? 12 : 13;
  return 20;
}

bool TvxPCStandardPainter::GetNavigatorButtonAt(Integer X, Integer Y, TvxPCNavigatorButton& AButton) {
  for (const auto& p : FButtonsQueue)
    if (PtIn(p.ButtonRect, X, Y)) {
      AButton = p.Button;
      return true;
    }
  return false;
}

TRect TvxPCStandardPainter::GetGoDialogButtonBounds() {
  for (const auto& p : FButtonsQueue)
    if (p.Button == nbGoDialog) return p.ButtonRect;
  return TRect{};
}

bool TvxPCStandardPainter::GetGoDialogPosition(Integer AWidth, Integer AHeight, TPoint& APoint) {
  static const Integer Codes[4][4] = {{0, 0, 2, 2}, {1, 1, 3, 3}, {0, 1, 0, 1}, {2, 3, 2, 3}};
  for (const auto& p : FButtonsQueue) {
    if (p.Button != nbGoDialog) continue;
    const Integer c = Codes[ParentInfo()->TabPosition()][ParentInfo()->NavigatorPosition()];
    APoint.x = (c == 2 || c == 3) ? p.ButtonRect.right - AWidth : p.ButtonRect.left;
    APoint.y = (c == 1 || c == 3) ? p.ButtonRect.top - AHeight : p.ButtonRect.bottom;
    return true;
  }
  return false;
}

void TvxPCStandardPainter::NavigatorButtonStateChanged(TvxPCNavigatorButton AButton, TvxPCNavigatorButtonState) {
  for (const auto& p : FButtonsQueue)
    if (p.Button == AButton) InvalidateRect(p.ButtonRect);
}

void TvxPCStandardPainter::InvalidateNavigatorButtons() {
  if (!ParentInfo()->NavigatorButtons().Empty()) InvalidateRect(FButtonsRect);
}

TColor TvxPCStandardPainter::GetNavigatorButtonGlyphColor(TvxPCNavigatorButtonState AState) {
  return AState == nbsHotTrack ? static_cast<TColor>(GetSysColor(COLOR_HOTLIGHT)) : clBtnText;
}

void TvxPCStandardPainter::GetNavigatorButtonGlyphInfo(TvxPCNavigatorButton AButton,
                                                       TvxPCNavigatorButtonGlyphInfo& AInfo) {
  const TvxPCNavigatorButtonState s = ParentInfo()->NavigatorButtonState(AButton);
  AInfo.Color = AInfo.PenColor = GetNavigatorButtonGlyphColor(s);
  AInfo.Enabled = ParentControl()->Enabled() && s != nbsDisabled;
  AInfo.Outlined = false;
}

TvxArrowDirection TvxPCStandardPainter::ButtonArrowDirection(TvxPCNavigatorButton AButton) const {
  const bool horizontal = IsHorizontal(ParentInfo()->TabPosition());
  switch (AButton) {
    case nbTopLeft: return horizontal ? adLeft : adUp;
    case nbBottomRight: return horizontal ? adRight : adDown;
    default: return adDown;
  }
}

TPoint TvxPCStandardPainter::GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) {
  const bool horizontal = IsHorizontal(ParentInfo()->TabPosition());
  Integer bw = GetNavigatorButtonWidth(AButton), bh = GetNavigatorButtonHeight();
  if (!horizontal) std::swap(bw, bh);
  Integer gw, gh;
  if (AButton == nbClose) {
    gw = 8;
    gh = 7;
    if (!horizontal) std::swap(gw, gh);
  } else if (AButton == nbGoDialog) {
    gw = 4;
    gh = 7;
    std::swap(gw, gh);
  } else {
    gw = 5;
    gh = 9;
    if (!horizontal) std::swap(gw, gh);
  }
  TPoint p{(bw - gw) / 2, (bh - gh) / 2};
  if (AButton == nbGoDialog) ++p.y;
  if (ParentInfo()->NavigatorButtonState(AButton) == nbsPressed) {
    if (AButton != nbGoDialog) ++p.x;
    ++p.y;
  }
  return p;
}

void TvxPCStandardPainter::DrawButtonFrame(const TRect& R, bool APressed, bool AFlat) {
  const Integer L = R.left, T = R.top, Rr = R.right, B = R.bottom;
  if (AFlat) {
    DrawPolyline({{L, B - 2}, {L, T}, {Rr - 2, T}}, APressed ? cl3DDkShadow : cl3DLight);
    DrawPolyline({{L, B - 1}, {Rr - 1, B - 1}, {Rr - 1, T}}, APressed ? cl3DLight : cl3DDkShadow);
    return;
  }
  DrawPolyline({{L, B - 2}, {L, T}, {Rr - 2, T}}, APressed ? clBtnShadow : cl3DLight);
  DrawPolyline({{L + 1, B - 3}, {L + 1, T + 1}, {Rr - 3, T + 1}}, APressed ? cl3DDkShadow : clBtnHighlight);
  DrawPolyline({{L, B - 1}, {Rr - 1, B - 1}, {Rr - 1, T}}, APressed ? clBtnHighlight : cl3DDkShadow);
  DrawPolyline({{L + 1, B - 2}, {Rr - 2, B - 2}, {Rr - 2, T + 1}}, APressed ? cl3DLight : clBtnShadow);
}

void TvxPCStandardPainter::PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) {
  DrawButtonFrame(R, AState == nbsPressed);
  R = TRect{R.left + 2, R.top + 2, R.right - 2, R.bottom - 2};
}

void TvxPCStandardPainter::PaintNavigatorButtonBackground(const TRect& R, TvxPCNavigatorButtonState AState) {
  ParentInfo()->Canvas()->FillRect(R, GetNavigatorButtonColor(AState));
}

void TvxPCStandardPainter::DrawArrowGlyph(const TPoint& P, Integer ASize, TvxArrowDirection ADirection,
                                          TColor AColor) {
  static const TPoint Shapes[4][3] = {{{0, 1}, {1, 0}, {2, 1}}, {{0, 0}, {2, 0}, {1, 1}},
                                      {{0, 1}, {1, 0}, {1, 2}}, {{0, 0}, {1, 1}, {0, 2}}};
  std::vector<TPoint> pts;
  for (const TPoint& s : Shapes[ADirection]) pts.push_back(TPoint{P.x + s.x * (ASize - 1), P.y + s.y * (ASize - 1)});
  TvxCanvas* canvas = ParentInfo()->Canvas();
  canvas->Brush()->SetColor(AColor);
  canvas->Pen()->SetColor(AColor);
  canvas->Polygon(pts);
}

void TvxPCStandardPainter::DrawCloseGlyph(const TPoint& P, bool AOutlined, TColor AColor) {
  const Integer x = P.x, y = P.y;
  using Seg = std::pair<TPoint, TPoint>;
  std::vector<Seg> segs;
  if (!AOutlined)
    segs = {{{x + 1, y}, {x + 8, y + 7}}, {{x, y}, {x + 8, y + 8}},     {{x, y + 1}, {x + 7, y + 8}},
            {{x, y + 7}, {x + 7, y}},     {{x, y + 8}, {x + 8, y}},     {{x + 1, y + 8}, {x + 8, y + 1}}};
  else if (!IsHorizontal(ParentInfo()->TabPosition()))
    segs = {{{x, y}, {x + 6, y + 6}}, {{x, y + 1}, {x + 6, y + 7}}, {{x, y + 6}, {x + 6, y}}, {{x, y + 7}, {x + 6, y + 1}}};
  else
    segs = {{{x + 1, y}, {x + 7, y + 6}}, {{x, y}, {x + 6, y + 6}}, {{x, y + 6}, {x + 6, y}}, {{x + 1, y + 6}, {x + 7, y}}};
  for (const Seg& s : segs) DrawPolyline({s.first, s.second}, AColor);
}

void TvxPCStandardPainter::PaintNavigatorButton(TvxPCNavigatorButton AButton, TRect R) {
  const TvxPCNavigatorButtonState s = ParentInfo()->NavigatorButtonState(AButton);
  const TPoint origin{R.left, R.top};
  PaintNavigatorButtonBorder(R, s);
  PaintNavigatorButtonBackground(R, s);
  TvxPCNavigatorButtonGlyphInfo info;
  GetNavigatorButtonGlyphInfo(AButton, info);
  const TPoint off = GetNavigatorButtonGlyphOffset(AButton);
  const TPoint p{origin.x + off.x, origin.y + off.y};
  auto draw = [&](const TPoint& at, TColor c) {
    if (AButton == nbClose)
      DrawCloseGlyph(at, info.Outlined, c);
    else
      DrawArrowGlyph(at, AButton == nbGoDialog ? 4 : 5, ButtonArrowDirection(AButton), c);
  };
  if (info.Enabled) {
    draw(p, info.Color);
  } else {
    draw(TPoint{p.x + 1, p.y + 1}, clBtnHighlight);
    draw(p, clBtnShadow);
  }
  ParentInfo()->Canvas()->Brush()->SetStyle(bsSolid);
}

void TvxPCStandardPainter::PaintNavigatorButtons() {
  if (ParentInfo()->NavigatorButtons().Empty()) return;
  TvxCanvas* canvas = ParentInfo()->Canvas();
  for (const auto& p : FButtonsQueue) {
    if (IsRectEmptyEx(p.ButtonRect) || !canvas->RectVisible(p.ButtonRect)) continue;
    {
      TvxClipRegionScope clip(canvas);
      canvas->IntersectClipRect(p.ButtonRect);
      PaintNavigatorButton(p.Button, p.ButtonRect);
    }
    canvas->ExcludeClipRect(p.ButtonRect);
  }
}

// --- Tabs, frame and control ---------------------------------------------------------

void TvxPCStandardPainter::PaintTab(Integer AVisibleIndex) {
  TvxCanvas* canvas = ParentInfo()->Canvas();
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  std::unique_ptr<TvxRegion> region(GetTabClipRegion(AVisibleIndex));
  bool customDrawn = false;
  {
    TvxClipRegionScope restoreClip(canvas);
    auto* copy = new TvxRegion();
    copy->Combine(region.get(), roSet, false);
    canvas->SetClipRegion(copy, GetTabClipOperation(AVisibleIndex));
    TvxCustomTabControl* c = ParentControl();
    if (c->OwnerDraw() && c->OnDrawTab) {
      bool defaultDraw = true;
      c->OnDrawTab(c, tab, defaultDraw);
      customDrawn = !defaultDraw;
    }
    if (!customDrawn) {
      tab->InitializePaintBitmap();
      TScopeExit resetBitmap([tab] { tab->ResetPaintBitmap(); });
      if (IsNativePainting()) PaintNativeTabBackground(tab, AVisibleIndex);
      PaintTabContent(tab, AVisibleIndex);
      PaintTabBody(tab, AVisibleIndex);
    }
  }
  if (customDrawn || !IsTabContentOnlyExcluded(AVisibleIndex)) {
    AfterPaintTab(AVisibleIndex);
    canvas->SetClipRegion(region.release(), roSubtract);
  } else {
    TRect u = FOutTabImageAndTextData.TabTextRect;
    auto* r = new TvxRegion(u);
    r->Combine(new TvxRegion(FOutTabImageAndTextData.TabImageRect), roAdd);
    r->Combine(region.release(), roIntersect);
    canvas->SetClipRegion(r, roSubtract);
  }
}

void TvxPCStandardPainter::PaintTabs() {
  TvxCustomTabControl* c = ParentControl();
  for (Integer v = 0; v < c->VisibleTabList()->Count(); ++v)
    if (c->IsDisplayedTab(v)) PaintTab(v);
}

void TvxPCStandardPainter::Paint() {
  TvxPCCustomPainter::Paint();
  TvxCustomTabControl* c = ParentControl();
  const TRect bounds{0, 0, c->Width(), c->Height()};
  if (IsNativePainting() && c->ControlStyle().Contains(csParentBackground))
    vxDrawTransparentControlBackground(c, ParentInfo()->Canvas(), bounds);
  else
    ParentInfo()->Canvas()->FillRect(bounds, GetControlBackgroundColor());
}

void TvxPCStandardPainter::PaintFrameBorder(const TRect& R) {
  TvxCanvas* canvas = ParentInfo()->Canvas();
  canvas->DrawComplexFrame(R, clBtnHighlight, cl3DDkShadow);
  canvas->DrawComplexFrame(TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1}, cl3DLight, clBtnShadow);
}

void TvxPCStandardPainter::PaintFrame() {
  TRect r = GetFrameRect();
  const Integer m = GetMinFrameSize();
  if (RectWidth(r) < m) r.right = r.left + m;
  if (RectHeight(r) < m) r.bottom = r.top + m;
  PaintFrameBorder(r);
}

void TvxPCStandardPainter::PaintTabFocusRect(Integer AVisibleIndex, TRect R) {
  TvxCustomTabControl* c = ParentControl();
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  if (!tab->IsMainTab() || !tab->RealEnabled() || !c->Focused()) return;
  const TRect visible = tab->VisibleRect();
  if (IsRectEmptyEx(visible)) return;
  TvxCanvas* canvas = ParentInfo()->Canvas();
  TvxClipRegionScope restoreClip(canvas);
  canvas->SetClipRegion(new TvxRegion(visible), roSet);
  R = TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
  canvas->Pen()->SetColor(c->Font()->Color());
  canvas->DrawFocusRect(R);
}

void TvxPCStandardPainter::TabStateChanged(Integer AVisibleIndex, Integer AKind) {
  if (ParentControl()->IsVerticalText()) ParentInfo()->VisibleTab(AVisibleIndex)->ResetVerticalTextBitmap();
  InvalidateTab(AVisibleIndex);
}

// =======================================================================================
// TvxPCTabsPainter

namespace {

class TvxPCTabsPainterClassInfo : public TvxPCStandardPainterClassInfo {
 public:
  TvxPCCustomPainter* Create(TvxCustomTabControl* AParent) const override { return new TvxPCTabsPainter(AParent); }
  TvxPCStandardStyle GetStandardStyle() const override { return tsTabs; }
  TvxPCStyleID GetStyleID() const override { return 1; }
  String GetStyleName() const override { return L"Tabs"; }
  bool HasLookAndFeel(TvxLookAndFeel* ALookAndFeel) const override {
    if (!ALookAndFeel) return false;
    TvxCustomLookAndFeelPainterClass p = ALookAndFeel->GetAvailablePainter(totTab);
    return p && (p->LookAndFeelStyle() == lfsStandard || p->LookAndFeelStyle() == lfsNative);
  }
  bool IsDefault(TvxLookAndFeel* ALookAndFeel) const override { return ALookAndFeel && ALookAndFeel->NativeStyle(); }
};

const TvxPCTabsPainterClassInfo GTabsPainterClass;

}  // namespace

TvxPCPainterClass TvxPCTabsPainter::StaticPainterClass() { return &GTabsPainterClass; }

bool TvxPCTabsPainter::IsNativePainting() {
  TvxCustomTabControl* c = ParentControl();
  return !c->IsDestroying() && c->LookAndFeel()->NativeStyle() && vdThemesAvailable() &&
         vdOpenThemeByType(totTab) != nullptr;
}

void TvxPCTabsPainter::GetTabRectCorrection(Integer AVisibleIndex, TvxPCRectCorrection& C) {
  C = {};
  if (AVisibleIndex < 0 || AVisibleIndex != ParentInfo()->MainTabVisibleIndex()) return;
  switch (ParentInfo()->VisibleTab(AVisibleIndex)->PaintingPosition()) {
    case tpTop: C = {-2, -2, 2, 1}; break;
    case tpBottom: C = {-2, -1, 2, 2}; break;
    case tpLeft: C = {-2, -2, 1, 2}; break;
    case tpRight: C = {-1, -2, 2, 2}; break;
  }
}

Integer TvxPCTabsPainter::GetNavigatorButtonsEdgeOffset() { return ParentInfo()->IsTabsContainer() ? 2 : 0; }
Integer TvxPCTabsPainter::GetNavigatorButtonsSideOffset() { return ParentInfo()->IsTabsContainer() ? 2 : 0; }
Integer TvxPCTabsPainter::GetNavigatorButtonHeight() { return IsNativePainting() ? 17 : 20; }

Integer TvxPCTabsPainter::GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) {
  if (!IsNativePainting()) return TvxPCStandardPainter::GetNavigatorButtonWidth(AButton);
  if (AButton == nbGoDialog) {
    if (HTHEME theme = vdOpenThemeByType(totSpin)) {
      SIZE s{};
      if (SUCCEEDED(GetThemePartSize(theme, ParentInfo()->Canvas()->Handle(), 2, 1, nullptr, TS_TRUE, &s))) return s.cx;
    }
  }
  return 17;
}

TPoint TvxPCTabsPainter::GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) {
  TPoint p;
  if (AButton == nbGoDialog)
    p = IsHorizontal(ParentInfo()->TabPosition()) ? TPoint{2, 8} : TPoint{6, 4};
  else if (AButton == nbClose)
    p = TPoint{5, 5};
  else
    switch (ButtonArrowDirection(AButton)) {
      case adUp:
      case adDown: p = TPoint{5, 7}; break;
      case adLeft: p = TPoint{6, 5}; break;
      default: p = TPoint{8, 5}; break;
    }
  if (ParentInfo()->NavigatorButtonState(AButton) == nbsPressed) {
    ++p.x;
    ++p.y;
  }
  return p;
}

void TvxPCTabsPainter::GetFrameRectOffsets(TRect& AOffsets) {
  TvxPCStandardPainter::GetFrameRectOffsets(AOffsets);
  if (ParentInfo()->RowCount() > 0 && !ParentInfo()->HideTabs()) --AOffsets.top;
}

void TvxPCTabsPainter::GetClientRectOffsets(TRect& AOffsets) {
  TvxPCStandardPainter::GetClientRectOffsets(AOffsets);
  if (IsNativePainting()) {
    TRect m;
    GetNativeContentMargins(m);
    AOffsets = TRect{AOffsets.left - 2 + m.left, AOffsets.top - 2 + m.top, AOffsets.right - 2 + m.right,
                     AOffsets.bottom - 2 + m.bottom};
  } else if (ParentInfo()->IsTabsContainer()) {
    AOffsets.top = AOffsets.top + 3 - GetFrameWidth();
  }
}

void TvxPCTabsPainter::GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) {
  TvxPCStandardPainter::GetTabImageAreaMargins(AVisibleIndex, AMargins);
  const Integer ppi = ParentInfo()->VisibleTab(AVisibleIndex)->PaintingPositionIndex();
  if (ppi == 5 || ppi == 7 || ppi == 10) ++AMargins.bottom;
}

void TvxPCTabsPainter::GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) {
  TvxPCStandardPainter::GetTabTextAreaMargins(AVisibleIndex, AMargins);
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const Integer ppi = tab->PaintingPositionIndex();
  if (ppi == 5 || ppi == 7 || ppi == 10) ++AMargins.bottom;
  TCustomImageList* images = ParentControl()->Images();
  if (tab->IsMainTab() && !(images && images->Width() > 0)) AMargins.left += 2;
}

TvxPCSizePair TvxPCTabsPainter::GetTabImageSideOffsets(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  if (!tab->IsMainTab() || !ParentInfo()->Rotate()) return {0, 0};
  const Integer ppi = tab->PaintingPositionIndex();
  return (ppi == 3 || ppi == 6 || ppi == 11) ? TvxPCSizePair{2, 1} : TvxPCSizePair{1, 2};
}

TvxPCSizePair TvxPCTabsPainter::GetTextPadding(Integer AVisibleIndex) {
  TvxPCSizePair p{3, 3};
  if (IsTabDrawnPressed(AVisibleIndex)) p = ParentInfo()->Rotate() ? TvxPCSizePair{4, 5} : TvxPCSizePair{5, 5};
  const Integer ppi = ParentInfo()->VisibleTab(AVisibleIndex)->PaintingPositionIndex();
  if (ppi == 3 || ppi == 6 || ppi == 11) std::swap(p.First, p.Second);
  return p;
}

TColor TvxPCTabsPainter::GetTabBodyColor(Integer AVisibleIndex) {
  if (ParentInfo()->VisibleTab(AVisibleIndex)->Highlighted()) return clHighlight;
  const TColor c = GetTabColor(AVisibleIndex);
  return c == clDefault ? clBtnFace : c;
}

namespace {
// A rectangle grown by ADelta toward the page on the side of the painting position.
TRect ExtendTowardPage(TRect R, TvxTabPosition P, Integer ADelta) {
  switch (P) {
    case tpTop: R.bottom += ADelta; break;
    case tpBottom: R.top -= ADelta; break;
    case tpLeft: R.right += ADelta; break;
    case tpRight: R.left -= ADelta; break;
  }
  return R;
}
}  // namespace

TvxRegion* TvxPCTabsPainter::GetTabClipRegion(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  TRect r = tab->VisibleRect();
  if (tab->IsMainTab()) r = ExtendTowardPage(r, tab->PaintingPosition(), 1);
  return new TvxRegion(r);
}

TvxRegionOperation TvxPCTabsPainter::GetTabClipOperation(Integer AVisibleIndex) {
  return ParentInfo()->VisibleTab(AVisibleIndex)->IsMainTab() ? roSet : roIntersect;
}

Integer TvxPCTabsPainter::GetTabContentHeight() {
  return TvxPCStandardPainter::GetTabContentHeight() - (ParentInfo()->Rotate() ? 2 : 3);
}

void TvxPCTabsPainter::SetTabImageAndTextRects(Integer AVisibleIndex, const TRect& AImageRect, const TRect& ATextRect) {
  TRect image = AImageRect, text = ATextRect;
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const Integer ppi = tab->PaintingPositionIndex();
  if (IsNativePainting() && tab->IsMainTab() && (ppi == 5 || ppi == 7 || ppi == 10)) {
    OffsetRect(&image, 0, 1);
    OffsetRect(&text, 0, 1);
  }
  TvxPCStandardPainter::SetTabImageAndTextRects(AVisibleIndex, image, text);
}

void TvxPCTabsPainter::InvalidateTab(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  ParentControl()->InvalidateRect(ExtendTowardPage(tab->VisibleRect(), tab->PaintingPosition(), 1), false);
}

Integer TvxPCTabsPainter::GetMinFrameSize() {
  return ParentInfo()->IsTabsContainer() ? GetFrameWidth() + 3 : 2 * GetFrameWidth();
}

void TvxPCTabsPainter::TabStateChanged(Integer AVisibleIndex, Integer AKind) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  if (AKind == tckMainTab && !tab->IsMainTab()) {
    const bool before = tab->VisibleRow() < ParentInfo()->TopOrLeftPartRowCount();
    ParentControl()->InvalidateRect(before ? ParentInfo()->ExtendedTopOrLeftTabsRect()
                                           : ParentInfo()->ExtendedBottomOrRightTabsRect(),
                                    false);
    return;
  }
  TvxPCStandardPainter::TabStateChanged(AVisibleIndex, AKind);
}

void TvxPCTabsPainter::GetTabsPosition(TvxPCNavigatorButtons AButtons, TvxPCTabsPosition& P) {
  const TvxTabPosition pos = ParentInfo()->TabPosition();
  const bool horizontal = IsHorizontal(pos);
  const Integer L = GetNavigatorButtonsRegionLength(AButtons);
  TRect O{};
  if (ParentInfo()->IsTabsContainer()) GetTabsContainerOffsets(O);
  const Integer W = horizontal ? ParentInfo()->Width() : ParentInfo()->Height();
  const Integer Wc = ParentInfo()->Width(), Hc = ParentInfo()->Height();
  // Along the row (start, end) and the margins at the two ends, worked out along the row.
  Integer eStart, eEnd, mStart, mEnd;
  if (ParentInfo()->MultiLine() || AButtons.Empty()) {
    eStart = O.left;
    eEnd = W - O.left;
    mStart = mEnd = O.left + 2;
  } else {
    const TvxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
    const bool atEnd = horizontal ? (np == npRightTop || np == npRightBottom) : (np == npLeftBottom || np == npRightBottom);
    if (atEnd) {
      eStart = O.left;
      eEnd = W - L;
    } else {
      eStart = L;
      eEnd = W - O.left;
    }
    mStart = eStart + 2;
    mEnd = W - eEnd + 2;
  }
  const Integer tabSide = O.top;  // moved in on the tab side
  const Integer mTab = O.top + 2;
  P = TvxPCTabsPosition{};
  switch (pos) {
    case tpTop:
      P.ExtendedTabsRect = TRect{eStart, tabSide, eEnd, Hc};
      P.NormalTabsRect = TRect{mStart, mTab, Wc - mEnd, Hc};
      break;
    case tpBottom:
      P.ExtendedTabsRect = TRect{eStart, 0, eEnd, Hc - tabSide};
      P.NormalTabsRect = TRect{mStart, 0, Wc - mEnd, Hc - mTab};
      break;
    case tpLeft:
      P.ExtendedTabsRect = TRect{tabSide, eStart, Wc, eEnd};
      P.NormalTabsRect = TRect{mTab, mStart, Wc, Hc - mEnd};
      break;
    case tpRight:
      P.ExtendedTabsRect = TRect{0, eStart, Wc - tabSide, eEnd};
      P.NormalTabsRect = TRect{0, mStart, Wc - mTab, Hc - mEnd};
      break;
  }
  P.NormalRowWidth = W - mStart - mEnd;
  P.ExtendedTopOrLeftTabsRectBottomOrRightBorderOffset = (pos == tpTop || pos == tpLeft) ? 1 : 0;
  P.ExtendedBottomOrRightTabsRectTopOrLeftBorderOffset = (pos == tpBottom || pos == tpRight) ? -1 : 0;
  P.MinDistanceBetweenTopOrLeftAndBottomOrRightExtendedTabsRects = 0;
  CalculateNavigatorButtonsPositions(AButtons);
}

void TvxPCTabsPainter::GetNativeTabPartAndState(Integer AVisibleIndex, Integer& APart, Integer& AState) {
  TvxCustomTabControl* c = ParentControl();
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const Integer n = c->VisibleTabList()->Count();
  auto rowOf = [&](Integer v) { return c->VisibleTabList()->GetTab(v)->Row(); };
  const bool firstOfRow = AVisibleIndex == 0 || rowOf(AVisibleIndex - 1) != tab->Row();
  const bool lastOfRow = AVisibleIndex == n - 1 || rowOf(AVisibleIndex + 1) != tab->Row();
  Integer p;
  if (c->IsTabsContainer())
    p = 1;
  else if (!c->MultiLine() || c->RaggedRight())
    p = firstOfRow ? 0 : (AVisibleIndex == n - 1 && !tab->IsMainTab()) ? 2 : 1;
  else
    p = lastOfRow ? 2 : firstOfRow ? 0 : 1;
  static const Integer Parts[2][3] = {{2, 1, 3}, {6, 5, 7}};
  APart = Parts[tab->IsMainTab() ? 1 : 0][p];
  AState = tab->IsMainTab() ? 3 : tab->HotTrack() ? 2 : 1;
}

void TvxPCTabsPainter::PaintTabs() {
  TvxCustomTabControl* c = ParentControl();
  const Integer main = ParentInfo()->MainTabVisibleIndex();
  if (main != -1 && c->IsDisplayedTab(main) && ParentInfo()->VisibleTab(main)->RealVisible()) PaintTab(main);
  for (Integer v = 0; v < c->VisibleTabList()->Count(); ++v)
    if (v != main && c->IsDisplayedTab(v)) PaintTab(v);
}

void TvxPCTabsPainter::GetTabFocusBounds(const TRect& ABounds, TRect& R) {
  R = TRect{ABounds.left + 2, ABounds.top + 2, ABounds.right - 2, ABounds.bottom - 2};
}

void TvxPCTabsPainter::PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) {
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const TvxTabPosition pp = ATab->PaintingPosition();
  if (IsNativePainting()) {
    TBitmap* bmp = ATab->PaintBitmap();
    const TRect D = ATab->IsMainTab() ? ExtendTowardPage(ATab->FullRect(), pp, 1) : ATab->FullRect();
    if (bmp && bmp->Width() > 0)
      ::BitBlt(canvas->Handle(), D.left, D.top, bmp->Width(), bmp->Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
    TRect f;
    GetTabFocusBounds(D, f);
    PaintTabFocusRect(AVisibleIndex, f);
    return;
  }
  const TRect full = ATab->FullRect();
  TRect B{full.left + 2, full.top + 2, full.right - 2, full.bottom - 2};
  B = ExtendTowardPage(B, pp, 2);
  canvas->FillRect(B, GetTabBodyColor(AVisibleIndex));
  if (ATab->IsMainTab()) {
    PaintTabFocusRect(AVisibleIndex, ExtendTowardPage(B, pp, -1));
  } else {
    TRect band;
    switch (pp) {
      case tpTop: band = TRect{B.left, B.bottom, B.right, B.bottom + 2}; break;
      case tpBottom: band = TRect{B.left, B.top - 2, B.right, B.top}; break;
      case tpLeft: band = TRect{B.right, B.top, B.right + 2, B.bottom}; break;
      default: band = TRect{B.left - 2, B.top, B.left, B.bottom}; break;
    }
    canvas->FillRect(band, ParentInfo()->Color());
  }
  PaintTabBorder(AVisibleIndex);
}

void TvxPCTabsPainter::PaintTabBorder(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const TRect R = tab->FullRect();
  const Integer L = R.left, T = R.top, Rr = R.right, B = R.bottom;
  const TColor C = ParentInfo()->IsTabsContainer() ? clBtnFace : GetTabBodyColor(AVisibleIndex);
  const TvxTabPosition pp = tab->PaintingPosition();
  switch (pp) {
    case tpTop:
      DrawPolyline({{L, B - 1}, {L, T + 2}, {L + 2, T}, {Rr - 3, T}}, clBtnHighlight);
      DrawPolyline({{L + 1, B - 1}, {L + 1, T + 2}, {L + 2, T + 1}, {Rr - 3, T + 1}}, cl3DLight);
      DrawPolyline({{Rr - 1, B - 1}, {Rr - 1, T + 2}, {Rr - 2, T + 1}}, cl3DDkShadow);
      DrawPolyline({{Rr - 2, B - 1}, {Rr - 2, T + 2}}, clBtnShadow);
      break;
    case tpBottom:
      DrawPolyline({{L, T}, {L, B - 3}, {L + 1, B - 2}}, clBtnHighlight);
      DrawPolyline({{L + 1, T}, {L + 1, B - 3}}, cl3DLight);
      DrawPolyline({{L + 2, B - 1}, {Rr - 3, B - 1}, {Rr - 1, B - 3}, {Rr - 1, T}}, cl3DDkShadow);
      DrawPolyline({{L + 2, B - 2}, {Rr - 3, B - 2}, {Rr - 2, B - 3}, {Rr - 2, T}}, clBtnShadow);
      break;
    case tpLeft:
      DrawPolyline({{L, B - 3}, {L, T + 2}, {L + 2, T}, {Rr - 1, T}}, clBtnHighlight);
      DrawPolyline({{L + 1, B - 3}, {L + 1, T + 2}, {L + 2, T + 1}, {Rr - 1, T + 1}}, cl3DLight);
      DrawPolyline({{L + 2, B - 2}, {L + 3, B - 1}, {Rr - 1, B - 1}}, cl3DDkShadow);
      DrawPolyline({{L + 1, B - 2}, {L + 2, B - 1}, {L + 3, B - 2}, {Rr - 1, B - 2}}, clBtnShadow);
      break;
    case tpRight:
      DrawPolyline({{L, T}, {Rr - 3, T}, {Rr - 2, T + 1}}, clBtnHighlight);
      DrawPolyline({{L, T + 1}, {Rr - 3, T + 1}}, cl3DLight);
      DrawPolyline({{L, B - 1}, {Rr - 3, B - 1}, {Rr - 1, B - 3}, {Rr - 1, T + 2}}, cl3DDkShadow);
      DrawPolyline({{L, B - 2}, {Rr - 3, B - 2}, {Rr - 2, B - 3}, {Rr - 2, T + 2}}, clBtnShadow);
      break;
  }
  if (tab->IsMainTab()) {
    const Integer W = ParentInfo()->Width(), H = ParentInfo()->Height();
    switch (pp) {
      case tpTop:
        if (L == 0) DrawPolyline({{0, B}}, clBtnHighlight);
        DrawPolyline({{L == 0 ? 1 : L, B}, {L + 1, B}}, cl3DLight);
        if (Rr == W) {
          DrawPolyline({{L + 2, B}, {Rr - 3, B}}, C);
          DrawPolyline({{Rr - 2, B}}, clBtnShadow);
          DrawPolyline({{Rr - 1, B}}, cl3DDkShadow);
        } else {
          DrawPolyline({{L + 2, B}, {Rr - 1, B}}, C);
        }
        break;
      case tpBottom: {
        Integer start = L;
        if (L == 0) {
          DrawPolyline({{0, T - 1}}, clBtnHighlight);
          DrawPolyline({{1, T - 1}}, cl3DLight);
          start = 2;
        }
        DrawPolyline({{start, T - 1}, {Rr - 3, T - 1}}, C);
        if (Rr == W) {
          DrawPolyline({{Rr - 2, T - 1}}, clBtnShadow);
          DrawPolyline({{Rr - 1, T - 1}}, cl3DDkShadow);
        } else {
          DrawPolyline({{Rr - 2, T - 1}, {Rr - 1, T - 1}}, clBtnShadow);
        }
        break;
      }
      case tpLeft:
        if (T == 0) DrawPolyline({{Rr, 0}}, clBtnHighlight);
        DrawPolyline({{Rr, T == 0 ? 1 : T}, {Rr, T + 1}}, cl3DLight);
        if (B == H) {
          DrawPolyline({{Rr, T + 2}, {Rr, B - 3}}, C);
          DrawPolyline({{Rr, B - 2}}, clBtnShadow);
          DrawPolyline({{Rr, B - 1}}, cl3DDkShadow);
        } else {
          DrawPolyline({{Rr, T + 2}, {Rr, B - 1}}, C);
        }
        break;
      case tpRight: {
        Integer start = T;
        if (T == 0) {
          DrawPolyline({{L - 1, 0}}, clBtnHighlight);
          DrawPolyline({{L - 1, 1}}, cl3DLight);
          start = 2;
        }
        DrawPolyline({{L - 1, start}, {L - 1, B - 3}}, C);
        if (B == H) {
          DrawPolyline({{L - 1, B - 2}}, clBtnShadow);
          DrawPolyline({{L - 1, B - 1}}, cl3DDkShadow);
        } else {
          DrawPolyline({{L - 1, B - 2}, {L - 1, B - 1}}, clBtnShadow);
        }
        break;
      }
    }
  }
  PaintTabCorners(AVisibleIndex);
}

void TvxPCTabsPainter::GetTabCornerColors(Integer AVisibleIndex, TColor& AFirst, TColor& ALast) {
  TvxCustomTabControl* c = ParentControl();
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const Integer n = ParentInfo()->RowCount(), t = ParentInfo()->TopOrLeftPartRowCount();
  const bool before = tab->VisibleRow() < t;
  const bool outermost = before ? tab->VisibleRow() == 0 : tab->VisibleRow() == n - 1;
  if (outermost) {
    AFirst = ALast = ParentInfo()->Color();
  } else {
    AFirst = ALast = clBtnFace;
    if (tab->IsMainTab() && !ParentInfo()->Rotate()) {
      const Integer count = c->VisibleTabList()->Count();
      auto rowOf = [&](Integer v) { return c->VisibleTabList()->GetTab(v)->Row(); };
      if (AVisibleIndex == 0 || rowOf(AVisibleIndex - 1) != tab->Row()) AFirst = ParentInfo()->Color();
      if (AVisibleIndex == count - 1 || rowOf(AVisibleIndex + 1) != tab->Row()) ALast = ParentInfo()->Color();
    }
  }
  if (!IsHorizontal(ParentInfo()->TabPosition()) && c->CaptionRotation() != raMinus90) std::swap(AFirst, ALast);
}

void TvxPCTabsPainter::PaintTabCorners(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  TColor first, last;
  GetTabCornerColors(AVisibleIndex, first, last);
  const TRect R = tab->FullRect();
  const Integer L = R.left, T = R.top, Rr = R.right, B = R.bottom;
  switch (tab->PaintingPosition()) {
    case tpTop:
      DrawPolyline({{L, T + 1}, {L, T}, {L + 1, T}}, first);
      DrawPolyline({{Rr - 2, T}, {Rr - 1, T}, {Rr - 1, T + 1}}, last);
      break;
    case tpBottom:
      DrawPolyline({{L, B - 2}, {L, B - 1}, {L + 1, B - 1}}, first);
      DrawPolyline({{Rr - 2, B - 1}, {Rr - 1, B - 1}, {Rr - 1, B - 2}}, last);
      break;
    case tpLeft:
      DrawPolyline({{L, T + 1}, {L, T}, {L + 1, T}}, first);
      DrawPolyline({{L, B - 2}, {L, B - 1}, {L + 1, B - 1}}, last);
      break;
    case tpRight:
      DrawPolyline({{Rr - 2, T}, {Rr - 1, T}, {Rr - 1, T + 1}}, first);
      DrawPolyline({{Rr - 2, B - 1}, {Rr - 1, B - 1}, {Rr - 1, B - 2}}, last);
      break;
  }
}

void TvxPCTabsPainter::PaintFrame() {
  TvxPCStandardPainter::PaintFrame();
  if (ParentInfo()->IsTabsContainer()) {
    TRect r = GetFrameRect();
    ParentInfo()->Canvas()->FillRect(TRect{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}, clBtnFace);
  }
}

void TvxPCTabsPainter::PaintFrameAndClientArea() {
  if (IsNativePainting()) {
    PaintNativeFrame(ParentInfo()->Canvas());
    return;
  }
  TvxPCStandardPainter::PaintFrameAndClientArea();
}

void TvxPCTabsPainter::PaintNativeFrame(TvxCanvas* ACanvas) {
  HTHEME theme = vdOpenThemeByType(totTab);
  TRect r = GetFrameRect();
  TRect m;
  GetNativeContentMargins(m);
  if (RectWidth(r) < m.left + m.right) r.right = r.left + m.left + m.right;
  if (RectHeight(r) < m.top + m.bottom) r.bottom = r.top + m.top + m.bottom;
  TvxCustomTabControl* c = ParentControl();
  const bool own = ACanvas == ParentInfo()->Canvas();
  if (own && IsThemeBackgroundPartiallyTransparent(theme, 9, 0) && c->ControlStyle().Contains(csParentBackground))
    vxDrawThemeParentBackground(c, ACanvas, r);
  else
    ACanvas->FillRect(r, c->Color());
  DrawThemeBackground(theme, ACanvas->Handle(), 9, 0, &r, nullptr);
  if (own) ACanvas->ExcludeClipRect(r);
}

void TvxPCTabsPainter::PaintPageBackground(HDC DC, TvxTabSheet* ASheet) {
  HTHEME theme = vdOpenThemeByType(totTab);
  if (!theme) return;
  TRect r = GetFrameRect();
  r = TRect{r.left - 2 - ASheet->Left(), r.top - 2 - ASheet->Top(), r.right + 2 - ASheet->Left(),
            r.bottom + 2 - ASheet->Top()};
  DrawThemeBackground(theme, DC, 9, 0, &r, nullptr);
}

void TvxPCTabsPainter::DrawNativeTab(HDC DC, Integer AVisibleIndex, const TRect& R) {
  Integer part, state;
  GetNativeTabPartAndState(AVisibleIndex, part, state);
  DrawThemeBackground(vdOpenThemeByType(totTab), DC, part, state, &R, nullptr);
}

void TvxPCTabsPainter::FillNativeTabBitmapBackground(TBitmap* ABitmap, const TRect& R, TvxTab* ATab) {
  TvxCustomTabControl* c = ParentControl();
  TvxCanvas vc(ABitmap->Canvas());
  if (c->ControlStyle().Contains(csParentBackground)) {
    vc.SetWindowOrg(TPoint{R.left, R.top});
    vxDrawTransparentControlBackgroundOnCanvas(c, ABitmap->Canvas(), R);
    vc.SetWindowOrg(TPoint{0, 0});
  } else {
    const RECT whole{0, 0, ABitmap->Width(), ABitmap->Height()};
    HBRUSH brush = CreateSolidBrush(ColorToRGB(GetControlBackgroundColor()));
    ::FillRect(ABitmap->Canvas()->Handle(), &whole, brush);
    DeleteObject(brush);
  }
}

void TvxPCTabsPainter::PaintNativeTabBackground(TvxTab* ATab, Integer AVisibleIndex) {
  // The themed tab is drawn in its own bitmap (in the top-tab form, then turned to its
  // place), and the content follows into the same bitmap.
  const TvxTabPosition pp = ATab->PaintingPosition();
  TRect R = ATab->FullRect();
  if (ATab->IsMainTab()) {
    static const TRect Ext[4] = {{0, 0, 0, 1}, {0, -1, 0, 0}, {0, 0, 1, 0}, {-1, 0, 0, 0}};
    R = TRect{R.left + Ext[pp].left, R.top + Ext[pp].top, R.right + Ext[pp].right, R.bottom + Ext[pp].bottom};
  }
  TBitmap* bmp = ATab->PaintBitmap();
  Integer w = RectWidth(R), h = RectHeight(R);
  if (pp == tpLeft || pp == tpRight) std::swap(w, h);
  bmp->SetSize(w, h);
  TvxCanvas vc(bmp->Canvas());
  const Integer ppi = ATab->PaintingPositionIndex();
  const bool flip = (ppi >= 4 && ppi <= 6) || ppi >= 10;
  if (ppi >= 4 && ppi <= 9) vc.RotateBitmap(bmp, raMinus90, flip);
  FillNativeTabBitmapBackground(bmp, R, ATab);
  if (ppi >= 4 && ppi <= 9) vc.RotateBitmap(bmp, raPlus90, flip);
  DrawNativeTab(bmp->Canvas()->Handle(), AVisibleIndex, TRect{0, 0, bmp->Width(), bmp->Height()});
  TvxRotationAngle a = ra0;
  if (ppi == 2 || ppi == 9 || ppi == 12) a = raMinus90;
  else if (ppi == 3 || ppi == 6 || ppi == 11) a = raPlus90;
  else if (ppi == 4 || ppi == 7) a = ra180;
  if (a != ra0 || flip) vc.RotateBitmap(bmp, a, flip);
}

void TvxPCTabsPainter::PaintNavigatorButton(TvxPCNavigatorButton AButton, TRect R) {
  if (!IsNativePainting()) {
    TvxPCStandardPainter::PaintNavigatorButton(AButton, R);
    return;
  }
  static const Integer States[4] = {1, 3, 2, 4};
  const Integer state = States[ParentInfo()->NavigatorButtonState(AButton)];
  HTHEME theme;
  Integer part;
  if (AButton == nbClose) {
    theme = vdOpenThemeByType(totWindow);
    part = 19;
  } else {
    theme = vdOpenThemeByType(totSpin);
    static const Integer Parts[4] = {1, 2, 4, 3};
    part = Parts[ButtonArrowDirection(AButton)];
  }
  TvxCustomTabControl* c = ParentControl();
  if (c->ControlStyle().Contains(csParentBackground) && IsThemeBackgroundPartiallyTransparent(theme, part, state))
    vxDrawThemeParentBackground(c, ParentInfo()->Canvas(), R);
  else
    ParentInfo()->Canvas()->FillRect(R, c->Color());
  DrawThemeBackground(theme, ParentInfo()->Canvas()->Handle(), part, state, &R, nullptr);
}

// =======================================================================================
// Button painters

TvxPCButtonedPainter::TvxPCButtonedPainter(TvxCustomTabControl* AParent) : TvxPCStandardPainter(AParent) {
  // An 8 x 8 checkerboard of cl3DLight and clBtnHighlight.
  FMainTabBrushBitmap = std::make_unique<TBitmap>();
  FMainTabBrushBitmap->SetSize(8, 8);
  for (Integer y = 0; y < 8; ++y)
    for (Integer x = 0; x < 8; ++x)
      FMainTabBrushBitmap->Canvas()->SetPixel(x, y, (x + y) % 2 ? clBtnHighlight : cl3DLight);
}

TPoint TvxPCButtonedPainter::GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) {
  TPoint p;
  if (AButton == nbGoDialog)
    p = IsHorizontal(ParentInfo()->TabPosition()) ? TPoint{2, 8} : TPoint{6, 4};
  else if (AButton == nbClose)
    p = TPoint{5, 5};
  else
    switch (ButtonArrowDirection(AButton)) {
      case adUp:
      case adDown: p = TPoint{5, 7}; break;
      case adLeft: p = TPoint{6, 5}; break;
      default: p = TPoint{8, 5}; break;
    }
  if (ParentInfo()->NavigatorButtonState(AButton) == nbsPressed) {
    ++p.x;
    ++p.y;
  }
  return p;
}

void TvxPCButtonedPainter::GetFrameRectOffsets(TRect& AOffsets) {
  TvxPCStandardPainter::GetFrameRectOffsets(AOffsets);
  if (ParentInfo()->RowCount() > 0 && !ParentInfo()->HideTabs()) AOffsets.top += 2;
}

TColor TvxPCButtonedPainter::GetTabBodyColor(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  if (tab->Highlighted()) return clHighlight;
  const TColor c = GetTabColor(AVisibleIndex);
  if (c != clDefault) return c;
  return tab->IsMainTab() ? clBtnHighlight : clBtnFace;
}

TvxPCSizePair TvxPCButtonedPainter::GetTextPadding(Integer AVisibleIndex) {
  TCustomImageList* images = ParentControl()->Images();
  return images && images->Width() > 0 ? TvxPCSizePair{3, 4} : TvxPCSizePair{4, 4};
}

bool TvxPCButtonedPainter::IsTabDown(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  return tab->Pressed() || tab->Selected() || tab->IsMainTab();
}

bool TvxPCButtonedPainter::IsTabDrawnPressed(Integer AVisibleIndex) {
  if (AVisibleIndex < 0) return false;
  return !ParentInfo()->VisibleTab(AVisibleIndex)->Tracking() && IsTabDown(AVisibleIndex);
}

bool TvxPCButtonsPainter::IsTabDrawnPressed(Integer AVisibleIndex) {
  if (AVisibleIndex < 0) return false;
  return ParentInfo()->VisibleTab(AVisibleIndex)->Tracking() || IsTabDown(AVisibleIndex);
}

void TvxPCButtonsPainter::PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) {
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const TRect r = ATab->FullRect();
  const bool down = IsTabDown(AVisibleIndex) || ATab->Tracking();
  canvas->DrawComplexFrame(r, down ? cl3DDkShadow : clBtnHighlight, down ? clBtnHighlight : cl3DDkShadow);
  const TRect inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  canvas->DrawComplexFrame(inner, down ? clBtnShadow : cl3DLight, down ? cl3DLight : clBtnShadow);
  const TRect body{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
  canvas->FillRect(body, GetTabBodyColor(AVisibleIndex));
  PaintTabFocusRect(AVisibleIndex, TRect{body.left - 1, body.top - 1, body.right + 1, body.bottom + 1});
}

void TvxPCFlatButtonsPainter::PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) {
  TvxCanvas* canvas = ParentInfo()->Canvas();
  TRect r = ATab->FullRect();
  if (!ATab->Tracking() && IsTabDown(AVisibleIndex)) {
    DrawButtonFrame(r, true);
    r = TRect{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
  } else if (ATab->HotTrack() || ATab->Tracking()) {
    DrawPolyline({{r.left, r.bottom - 2}, {r.left, r.top}, {r.right - 2, r.top}}, clBtnHighlight);
    DrawPolyline({{r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, {r.right - 1, r.top}}, clBtnShadow);
    r = TRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
  canvas->FillRect(r, GetTabBodyColor(AVisibleIndex));
  PaintTabFocusRect(AVisibleIndex, TRect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1});
}

void TvxPCFlatButtonsPainter::PaintTab(Integer AVisibleIndex) {
  TvxPCButtonedPainter::PaintTab(AVisibleIndex);
  TvxCustomTabControl* c = ParentControl();
  if (AVisibleIndex + 1 >= c->VisibleTabList()->Count() || !c->IsDisplayedTab(AVisibleIndex + 1)) return;
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  TvxTab* next = ParentInfo()->VisibleTab(AVisibleIndex + 1);
  if (next->Row() != tab->Row()) return;
  // An etched line across the gap to the next tab of the row.
  const TRect a = tab->NormalRect(), b = next->NormalRect();
  const bool vertical = c->IsVerticalText();
  const Integer gap = GetTabsDistance().First;
  TRect band;
  if (!vertical)
    band = a.left < b.left ? TRect{a.right, a.top, b.left, a.bottom} : TRect{b.right, a.top, a.left, a.bottom};
  else
    band = a.top < b.top ? TRect{a.left, a.bottom, a.right, b.top} : TRect{a.left, b.bottom, a.right, a.top};
  if (IsRectEmptyEx(band)) return;
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const Integer off = (gap - 2) / 2;
  if (!vertical) {
    const Integer x = band.left + off;
    DrawPolyline({{x, a.top + 1}, {x, a.bottom - 2}}, clBtnShadow);
    DrawPolyline({{x + 1, a.top + 1}, {x + 1, a.bottom - 2}}, clBtnHighlight);
    canvas->ExcludeClipRect(TRect{x, a.top + 1, x + 2, a.bottom - 1});
  } else {
    const Integer y = band.top + off;
    DrawPolyline({{a.left + 1, y}, {a.right - 2, y}}, clBtnShadow);
    DrawPolyline({{a.left + 1, y + 1}, {a.right - 2, y + 1}}, clBtnHighlight);
    canvas->ExcludeClipRect(TRect{a.left + 1, y, a.right - 1, y + 2});
  }
  canvas->FillRect(band, ParentInfo()->Color());
  canvas->ExcludeClipRect(band);
}

// =======================================================================================
// TvxPCFlatPainter

Integer TvxPCFlatPainter::GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) {
  if (AButton == nbGoDialog) return IsHorizontal(ParentInfo()->TabPosition()) ? 10 : 11;
  return 18;
}

TPoint TvxPCFlatPainter::GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) {
  TPoint p = TvxPCTabsPainter::GetNavigatorButtonGlyphOffset(AButton);
  return TPoint{p.x - 1, p.y - 1};
}

TvxRegion* TvxPCFlatPainter::GetTabClipRegion(Integer AVisibleIndex) {
  return new TvxRegion(ParentInfo()->VisibleTab(AVisibleIndex)->VisibleRect());
}

void TvxPCFlatPainter::PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) {
  const bool pressed = AState == nbsPressed;
  ParentInfo()->Canvas()->DrawComplexFrame(R, pressed ? clBtnShadow : clBtnHighlight,
                                           pressed ? clBtnHighlight : clBtnShadow);
  R = TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
}

void TvxPCFlatPainter::PaintFrameBorder(const TRect& R) {
  ParentInfo()->Canvas()->DrawComplexFrame(R, clBtnHighlight, clBtnShadow);
}

void TvxPCFlatPainter::PaintTabBorder(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const TRect R = tab->FullRect();
  const Integer L = R.left, T = R.top, Rr = R.right, B = R.bottom;
  const TColor F = LightenColor(GetTabBodyColor(AVisibleIndex), 85);
  switch (tab->PaintingPosition()) {
    case tpTop:
      DrawPolyline({{L, B - 1}, {L, T + 2}, {L + 2, T}, {Rr - 3, T}, {Rr - 2, T + 1}}, clBtnHighlight);
      DrawPolyline({{Rr - 1, T + 2}, {Rr - 1, B - 1}}, clBtnShadow);
      DrawPolyline({{L + 1, B - 1}, {L + 1, T + 2}, {L + 2, T + 1}, {Rr - 3, T + 1}, {Rr - 2, T + 2}, {Rr - 2, B - 1}}, F);
      break;
    case tpBottom:
      DrawPolyline({{L, T}, {L, B - 3}, {L + 1, B - 2}}, clBtnHighlight);
      DrawPolyline({{L + 2, B - 1}, {Rr - 3, B - 1}, {Rr - 1, B - 3}, {Rr - 1, T}}, clBtnShadow);
      DrawPolyline({{L + 1, T}, {L + 1, B - 3}}, F);
      DrawPolyline({{L + 2, B - 2}, {Rr - 3, B - 2}, {Rr - 2, B - 3}, {Rr - 2, T}}, clBtnFace);
      break;
    case tpLeft:
      DrawPolyline({{L + 1, B - 2}, {L, B - 3}, {L, T + 2}, {L + 2, T}, {Rr - 1, T}}, clBtnHighlight);
      DrawPolyline({{Rr - 1, B - 1}, {L + 2, B - 1}}, clBtnShadow);
      DrawPolyline({{Rr - 1, B - 2}, {L + 2, B - 2}, {L + 1, B - 3}, {L + 1, T + 2}, {L + 2, T + 1}, {Rr - 1, T + 1}}, F);
      break;
    case tpRight:
      DrawPolyline({{L, T}, {Rr - 3, T}, {Rr - 2, T + 1}}, clBtnHighlight);
      DrawPolyline({{Rr - 1, T + 2}, {Rr - 1, B - 3}, {Rr - 3, B - 1}, {L, B - 1}}, clBtnShadow);
      DrawPolyline({{L, T + 1}, {Rr - 3, T + 1}}, F);
      DrawPolyline({{Rr - 2, T + 2}, {Rr - 2, B - 3}, {Rr - 3, B - 2}, {L, B - 2}}, clBtnFace);
      break;
  }
  PaintTabCorners(AVisibleIndex);
}

// =======================================================================================
// TvxPCExtraFlatPainter and TvxPCUltraFlatPainter

namespace {

// Side of a rectangle: the one toward the page and the outer one, by tab position.
TRect TurnedRect(const TRect& AOffsets, TvxTabPosition P) { return TvxPCCustomPainter::TurnOffsets(AOffsets, P); }

}  // namespace

void DrawBorderLines(TvxCanvas* ACanvas, TRect& R, std::initializer_list<std::pair<TvxBorder, TColor>> ALines,
                     bool AExcludeInner) {
  const TRect outer = R;
  for (const auto& [border, color] : ALines) {
    switch (border) {
      case bLeft: ACanvas->FillRect(TRect{R.left, R.top, R.left + 1, R.bottom}, color); ++R.left; break;
      case bTop: ACanvas->FillRect(TRect{R.left, R.top, R.right, R.top + 1}, color); ++R.top; break;
      case bRight: ACanvas->FillRect(TRect{R.right - 1, R.top, R.right, R.bottom}, color); --R.right; break;
      case bBottom: ACanvas->FillRect(TRect{R.left, R.bottom - 1, R.right, R.bottom}, color); --R.bottom; break;
    }
  }
  if (AExcludeInner) {
    auto* region = new TvxRegion(outer);
    region->Combine(new TvxRegion(R), roSubtract);
    ACanvas->SetClipRegion(region, roSet);
  }
}

Integer TvxPCExtraFlatPainter::GetTabContentIndent(Integer AVisibleIndex) {
  TCustomImageList* images = ParentControl()->Images();
  const Integer imageWidth = images ? images->Width() : 0;
  if (imageWidth == 0) return 0;
  if (AVisibleIndex != -1 && !ParentInfo()->Rotate() &&
      ParentControl()->GetTabImageIndex(ParentInfo()->VisibleTab(AVisibleIndex)->Index()) == -1)
    return 0;
  return imageWidth + 2 * ParentInfo()->ImageBorder() + 4;
}

Integer TvxPCExtraFlatPainter::CalculateTabNormalWidth(TvxTab* ATab) {
  if (ParentInfo()->TabWidth() >= 1) return ParentInfo()->TabWidth();
  const Integer v = ATab->VisibleIndex();
  Integer w = GetTabContentIndent(v);
  if (ATab->Caption().empty()) {
    w += 12;
  } else {
    TvxCanvas* canvas = ParentInfo()->Canvas();
    ParentControl()->PrepareTabFont(ATab, canvas);
    w += canvas->TextWidth(ATab->Caption()) + 9;
  }
  return std::max(w, GetMinTabNormalWidth(v));
}

Integer TvxPCExtraFlatPainter::CalculateTabNormalHeight() {
  Integer h = std::max(GetTabContentHeight() - 3, 17);
  TCustomImageList* images = ParentControl()->Images();
  const Integer imageHeight = images && images->Width() > 0 ? images->Height() : 0;
  if (ParentInfo()->Rotate() && imageHeight > 0 && (h - imageHeight) % 2 != 0) ++h;
  if (ParentInfo()->TabHeight() - 4 >= 17) h = std::max(h, ParentInfo()->TabHeight() - 4);
  return h;
}

void TvxPCExtraFlatPainter::GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) {
  AMargins = ParentInfo()->VisibleTab(AVisibleIndex)->IsMainTab() ? TRect{3, 0, 0, 0} : TRect{2, 0, 0, 0};
}

void TvxPCExtraFlatPainter::GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  AMargins = tab->IsMainTab() ? TRect{6, 2, 3, 0} : TRect{5, 2, 3, 0};
  const Integer ppi = tab->PaintingPositionIndex();
  if (ppi == 5 || ppi == 7 || ppi == 10) AMargins.top = AMargins.bottom = 0;
  TCustomImageList* images = ParentControl()->Images();
  if (images && images->Width() > 0) AMargins.left += tab->IsMainTab() ? 1 : 2;
}

TvxPCSizePair TvxPCExtraFlatPainter::GetTextPadding(Integer AVisibleIndex) {
  return ParentInfo()->VisibleTab(AVisibleIndex)->IsMainTab() ? TvxPCSizePair{3, 3} : TvxPCSizePair{2, 2};
}

void TvxPCExtraFlatPainter::GetTabRectCorrection(Integer AVisibleIndex, TvxPCRectCorrection& C) {
  C = {};
  if (AVisibleIndex >= 0 && AVisibleIndex == ParentInfo()->MainTabVisibleIndex()) C = {-1, -1, 1, 1};
}

TvxPCSizePair TvxPCExtraFlatPainter::GetTabsDistance() {
  TvxPCSizePair d{GetTabSeparatorWidth(), GetRowLineCount() + 3};
  if (ParentInfo()->Rotate()) std::swap(d.First, d.Second);
  return d;
}

void TvxPCExtraFlatPainter::GetTabsPosition(TvxPCNavigatorButtons AButtons, TvxPCTabsPosition& P) {
  const TvxTabPosition pos = ParentInfo()->TabPosition();
  const bool horizontal = IsHorizontal(pos);
  const Integer fw = GetFrameWidth();
  const TRect m = IsFrameDrawn() ? TRect{6, 3 + fw, 6, fw} : TRect{6, 3, 6, 0};
  const TRect t = TurnedRect(m, pos);
  const Integer W = ParentInfo()->Width(), H = ParentInfo()->Height();
  TRect n{t.left, t.top, W - t.right, H - t.bottom};
  const Integer L = GetNavigatorButtonsRegionLength(AButtons);
  const TvxPCNavigatorPosition np = ParentInfo()->NavigatorPosition();
  const bool atEnd = horizontal ? (np == npRightTop || np == npRightBottom) : (np == npLeftBottom || np == npRightBottom);
  if (L > 0) {
    if (horizontal) (atEnd ? n.right : n.left) += atEnd ? -L : L;
    else (atEnd ? n.bottom : n.top) += atEnd ? -L : L;
  }
  P = TvxPCTabsPosition{};
  P.NormalTabsRect = n;
  P.NormalRowWidth = (horizontal ? W : H) - L - 12;
  const TRect grow = TurnedRect(TRect{1, 1, 1, 0}, pos);
  P.ExtendedTabsRect = TRect{n.left - grow.left, n.top - grow.top, n.right + grow.right, n.bottom + grow.bottom};
  P.ExtendedTopOrLeftTabsRectBottomOrRightBorderOffset = 1;
  P.ExtendedBottomOrRightTabsRectTopOrLeftBorderOffset = -1;
  P.MinDistanceBetweenTopOrLeftAndBottomOrRightExtendedTabsRects = GetTabsDistance().Second - 1;
  CalculateNavigatorButtonsPositions(AButtons);
}

void TvxPCExtraFlatPainter::GetFrameRectOffsets(TRect& AOffsets) {
  TvxPCStandardPainter::GetFrameRectOffsets(AOffsets);
  if (ParentInfo()->TabsOnBothSides()) AOffsets.bottom += 3;
}

void TvxPCExtraFlatPainter::AdjustClientRectOffsets(TRect& AMargins) {
  if (IsFrameVisible() && !ParentInfo()->HideTabs() && ParentInfo()->RowCount() > 0) --AMargins.top;
}

void TvxPCExtraFlatPainter::GetClientRectOffsets(TRect& AOffsets) {
  TvxPCStandardPainter::GetClientRectOffsets(AOffsets);
  if (!ParentInfo()->HideTabs() && ParentInfo()->RowCount() > 0) AOffsets.top += 2;
  AdjustClientRectOffsets(AOffsets);
}

TColor TvxPCExtraFlatPainter::GetDefaultClientColor() {
  return ParentInfo()->ActivePage() ? ParentInfo()->Color() : GetControlBackgroundColor();
}

TColor TvxPCExtraFlatPainter::GetInactiveTabColor() {
  return ParentInfo()->IsTabsContainer() ? ParentInfo()->Color() : LightButtonFaceColor();
}

TColor TvxPCExtraFlatPainter::GetTabBodyColor(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  if (tab->Highlighted()) return clHighlight;
  const TColor c = GetTabColor(AVisibleIndex);
  if (c != clDefault) return c;
  return tab->IsMainTab() ? clBtnFace : GetInactiveTabColor();
}

TColor TvxPCExtraFlatPainter::GetTabsStripColor() {
  const Integer m = ParentInfo()->MainTabVisibleIndex();
  if (m != -1) {
    const TColor c = GetTabColor(m);
    if (c != clDefault) return c;
  }
  return clBtnFace;
}

void TvxPCExtraFlatPainter::GetTabsStripRect(TRect& R) {
  const TRect c = GetClientRect();
  switch (ParentInfo()->TabPosition()) {
    case tpTop: R = TRect{c.left, c.top - 2, c.right, c.top}; break;
    case tpBottom: R = TRect{c.left, c.bottom, c.right, c.bottom + 2}; break;
    case tpLeft: R = TRect{c.left - 2, c.top, c.left, c.bottom}; break;
    case tpRight: R = TRect{c.right, c.top, c.right + 2, c.bottom}; break;
  }
}

void TvxPCExtraFlatPainter::GetRowRect(Integer AVisibleIndex, bool AUseNormalRect, TRect& R) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  R = AUseNormalRect ? tab->NormalRect() : tab->FullRect();
  const Integer lines = GetRowLineCount();
  switch (tab->PaintingPosition()) {
    case tpTop: R.top -= 3; R.bottom += lines; break;
    case tpBottom: R.bottom += 3; R.top -= lines; break;
    case tpLeft: R.left -= 3; R.right += lines; break;
    case tpRight: R.right += 3; R.left -= lines; break;
  }
  const Integer cut = IsFrameDrawn() ? 1 : 0;
  if (IsHorizontal(ParentInfo()->TabPosition())) {
    R.left = cut;
    R.right = ParentInfo()->Width() - cut;
  } else {
    R.top = cut;
    R.bottom = ParentInfo()->Height() - cut;
  }
}

void TvxPCExtraFlatPainter::GetMainTabHighlightRect(TRect& R) {
  const Integer m = ParentInfo()->MainTabVisibleIndex();
  R = ParentInfo()->VisibleTab(m)->FullRect();
  static const TRect Delta[4] = {{0, 0, -1, 1}, {1, -1, -1, -1}, {0, 0, 1, -1}, {-1, 1, -1, -1}};
  const TRect& d = Delta[ParentInfo()->TabPosition()];
  R = TRect{R.left + d.left, R.top + d.top, R.right + d.right, R.bottom + d.bottom};
}

void TvxPCUltraFlatPainter::GetMainTabHighlightRect(TRect& R) {
  R = ParentInfo()->VisibleTab(ParentInfo()->MainTabVisibleIndex())->FullRect();
  switch (ParentInfo()->TabPosition()) {
    case tpTop: R = TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom}; break;
    case tpBottom: R = TRect{R.left + 1, R.top, R.right - 1, R.bottom - 1}; break;
    case tpLeft: R = TRect{R.left + 1, R.top + 1, R.right, R.bottom - 1}; break;
    case tpRight: R = TRect{R.left, R.top + 1, R.right - 1, R.bottom - 1}; break;
  }
}

void TvxPCExtraFlatPainter::PaintContent() {
  PaintFrameAndClientArea();
  if (!ParentInfo()->HideTabs()) {
    PaintNavigatorButtons();
    PaintTabs();
  }
}

void TvxPCExtraFlatPainter::PaintFrameAndClientArea() {
  if (!ParentInfo()->HideTabs() && ParentInfo()->RowCount() > 0) {
    TRect strip;
    GetTabsStripRect(strip);
    ParentInfo()->Canvas()->FillRect(strip, GetTabsStripColor());
    ParentInfo()->Canvas()->ExcludeClipRect(strip);
  }
  TvxPCStandardPainter::PaintFrameAndClientArea();
}

void TvxPCExtraFlatPainter::PaintFrame() {
  TColor first, second;
  GetFrameColors(first, second);
  TRect r = GetFrameRect();
  TvxCanvas* canvas = ParentInfo()->Canvas();
  if (ParentInfo()->RowCount() == 0 || ParentInfo()->HideTabs()) {
    canvas->DrawComplexFrame(r, first, second);
    return;
  }
  switch (ParentInfo()->TabPosition()) {
    case tpTop: DrawBorderLines(canvas, r, {{bRight, second}, {bBottom, second}, {bLeft, first}}, false); break;
    case tpBottom: DrawBorderLines(canvas, r, {{bRight, second}, {bTop, first}, {bLeft, first}}, false); break;
    case tpLeft: DrawBorderLines(canvas, r, {{bBottom, second}, {bRight, second}, {bTop, first}}, false); break;
    case tpRight: DrawBorderLines(canvas, r, {{bBottom, second}, {bLeft, first}, {bTop, first}}, false); break;
  }
}

void TvxPCExtraFlatPainter::PaintTabSeparator(const TRect& R) { ParentInfo()->Canvas()->FillRect(R, clBtnShadow); }

void TvxPCExtraFlatPainter::PaintTabs() {
  TvxCustomTabControl* c = ParentControl();
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const Integer n = c->VisibleTabList()->Count();
  const Integer main = ParentInfo()->MainTabVisibleIndex();
  Integer v = 0;
  while (v < n) {
    if (!c->IsDisplayedTab(v)) {
      ++v;
      continue;
    }
    const Integer row = ParentInfo()->VisibleTab(v)->Row();
    TRect rowRect;
    GetRowRect(v, true, rowRect);
    {
      TvxClipRegionScope restoreClip(canvas);
      for (; v < n && c->IsDisplayedTab(v) && ParentInfo()->VisibleTab(v)->Row() == row; ++v) {
        PaintTab(v);
        const bool nextInRow = v + 1 < n && c->IsDisplayedTab(v + 1) && ParentInfo()->VisibleTab(v + 1)->Row() == row;
        if (v != main && nextInRow && v + 1 != main) {
          const TRect r = ParentInfo()->VisibleTab(v)->NormalRect();
          const TvxPCSizePair insets = GetTabSeparatorInsets();
          const Integer w = GetTabSeparatorWidth();
          const bool reversed = c->IsRowDirectionReversed();
          TRect bar;
          if (!c->IsVerticalText())
            bar = reversed ? TRect{r.left - w, r.top + insets.First, r.left, r.bottom - insets.Second}
                           : TRect{r.right, r.top + insets.First, r.right + w, r.bottom - insets.Second};
          else
            bar = reversed ? TRect{r.left + insets.First, r.top - w, r.right - insets.Second, r.top}
                           : TRect{r.left + insets.First, r.bottom, r.right - insets.Second, r.bottom + w};
          PaintTabSeparator(bar);
          canvas->ExcludeClipRect(bar);
        }
      }
      PaintRowLines(rowRect, row);
      PaintTabBackground(canvas, rowRect, -1);
    }
    canvas->ExcludeClipRect(rowRect);
  }
}

TRect TvxPCExtraFlatPainter::RowLinesStrip(const TRect& R, TvxBorder& AOuterSide) {
  // The lines along the row's page side, drawn from the tab side toward the page.
  const Integer n = GetRowLineCount();
  switch (ParentInfo()->TabPosition()) {
    case tpTop: AOuterSide = bTop; return TRect{R.left, R.bottom - n, R.right, R.bottom};
    case tpBottom: AOuterSide = bBottom; return TRect{R.left, R.top, R.right, R.top + n};
    case tpLeft: AOuterSide = bLeft; return TRect{R.right - n, R.top, R.right, R.bottom};
    default: AOuterSide = bRight; return TRect{R.left, R.top, R.left + n, R.bottom};
  }
}

void TvxPCExtraFlatPainter::PaintRowLines(const TRect& R, Integer ARow) {
  const TvxTabPosition pos = ParentInfo()->TabPosition();
  const TColor last = (pos == tpTop || pos == tpLeft) ? clWhite : clBlack;
  TvxBorder side;
  TRect strip = RowLinesStrip(R, side);
  DrawBorderLines(ParentInfo()->Canvas(), strip, {{side, clBtnFace}, {side, clBtnFace}, {side, last}}, false);
}

void TvxPCUltraFlatPainter::PaintRowLines(const TRect& R, Integer ARow) {
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const Integer m = ParentInfo()->MainTabVisibleIndex();
  const Integer mainRow = m != -1 ? ParentInfo()->VisibleTab(m)->Row() : 0;
  TvxBorder side;
  TRect r = RowLinesStrip(R, side);
  if (ARow == mainRow)
    DrawBorderLines(canvas, r, {{side, clBtnFace}, {side, clBtnFace}, {side, clBlack}}, false);
  else
    DrawBorderLines(canvas, r, {{side, clBtnFace}, {side, clBlack}, {side, clBtnFace}}, false);
}

void TvxPCExtraFlatPainter::PaintTabBackground(TvxCanvas* ACanvas, TRect R, Integer AVisibleIndex) {
  if (AVisibleIndex != ParentInfo()->MainTabVisibleIndex() || AVisibleIndex == -1) {
    ACanvas->FrameRect(R, GetInactiveTabColor());
    R = TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
  }
  ACanvas->FillRect(R, AVisibleIndex == -1 ? GetInactiveTabColor() : GetTabBodyColor(AVisibleIndex));
}

void TvxPCExtraFlatPainter::PaintMainTabOutline(const TRect& R) {
  TColor first, second;
  GetMainTabOutlineColors(first, second);
  TvxCanvas* canvas = ParentInfo()->Canvas();
  TRect r = R;
  switch (ParentInfo()->TabPosition()) {
    case tpTop: DrawBorderLines(canvas, r, {{bLeft, first}, {bTop, first}, {bRight, second}}, false); break;
    case tpBottom:
      DrawBorderLines(canvas, r, {{bLeft, first}, {bBottom, second}, {bRight, second}}, false);
      canvas->SetPixel(R.left - 1, R.top, second);
      break;
    case tpLeft: DrawBorderLines(canvas, r, {{bTop, first}, {bLeft, first}, {bBottom, second}}, false); break;
    case tpRight:
      DrawBorderLines(canvas, r, {{bTop, first}, {bRight, second}, {bBottom, second}}, false);
      canvas->SetPixel(R.left, R.top - 1, second);
      break;
  }
}

void TvxPCExtraFlatPainter::PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) {
  if (ATab->IsMainTab()) PaintMainTabOutline(ATab->FullRect());
  if (!IsTabContentOnlyExcluded(AVisibleIndex)) {
    TRect r = ATab->FullRect();
    if (ATab->IsMainTab()) GetMainTabHighlightRect(r);
    PaintTabBackground(ParentInfo()->Canvas(), r, AVisibleIndex);
  }
  if (ATab->IsMainTab()) {
    TRect h;
    GetMainTabHighlightRect(h);
    PaintTabFocusRect(AVisibleIndex, h);
  }
}

void TvxPCExtraFlatPainter::TabStateChanged(Integer AVisibleIndex, Integer AKind) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  if (ParentControl()->IsVerticalText()) tab->ResetVerticalTextBitmap();
  if (AKind == tckMainTab && !tab->IsMainTab()) {
    const bool before = tab->VisibleRow() < ParentInfo()->TopOrLeftPartRowCount();
    ParentControl()->InvalidateRect(before ? ParentInfo()->ExtendedTopOrLeftTabsRect()
                                           : ParentInfo()->ExtendedBottomOrRightTabsRect(),
                                    false);
  } else {
    TvxPCCustomPainter::InvalidateTab(AVisibleIndex);
  }
  if (tab->IsMainTab()) {
    TRect strip;
    GetTabsStripRect(strip);
    InvalidateRect(strip);
  }
}

Integer TvxPCExtraFlatPainter::GetNavigatorButtonsDistance(TvxPCNavigatorButton AButton, TvxPCNavigatorButton ANext) {
  const bool goAndArrow = (AButton == nbGoDialog && ANext != nbClose) || (ANext == nbGoDialog && AButton != nbClose);
  return goAndArrow ? 0 : 3;
}

Integer TvxPCUltraFlatPainter::GetNavigatorButtonsDistance(TvxPCNavigatorButton AButton, TvxPCNavigatorButton ANext) {
  return (AButton == nbClose || ANext == nbClose) ? 3 : 1;
}

Integer TvxPCUltraFlatPainter::GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) {
  switch (AButton) {
    case nbGoDialog: return 11;
    case nbClose: return 14;
    default: return 15;
  }
}

TPoint TvxPCExtraFlatPainter::GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) {
  const bool pressed = ParentInfo()->NavigatorButtonState(AButton) == nbsPressed;
  if (AButton == nbGoDialog) return TPoint{3, pressed ? 5 : 4};
  if (AButton == nbClose) return IsHorizontal(ParentInfo()->TabPosition()) ? TPoint{2, 3} : TPoint{3, 2};
  switch (ButtonArrowDirection(AButton)) {
    case adUp: return TPoint{2, 5};
    case adDown: return TPoint{2, 3};
    case adLeft: return TPoint{5, 2};
    default: return TPoint{3, 2};
  }
}

void TvxPCExtraFlatPainter::GetNavigatorButtonGlyphInfo(TvxPCNavigatorButton AButton,
                                                        TvxPCNavigatorButtonGlyphInfo& AInfo) {
  const TvxPCNavigatorButtonState s = ParentInfo()->NavigatorButtonState(AButton);
  AInfo.PenColor = GetNavigatorButtonGlyphColor(s);
  AInfo.Enabled = true;
  AInfo.Outlined = AButton == nbClose || !ParentControl()->Enabled() || s == nbsDisabled;
  AInfo.Color = AInfo.Outlined ? LightButtonFaceColor() : AInfo.PenColor;
}

void TvxPCUltraFlatPainter::GetNavigatorButtonGlyphInfo(TvxPCNavigatorButton AButton,
                                                        TvxPCNavigatorButtonGlyphInfo& AInfo) {
  const TvxPCNavigatorButtonState s = ParentInfo()->NavigatorButtonState(AButton);
  AInfo.Color = AInfo.PenColor = GetNavigatorButtonGlyphColor(s);
  AInfo.Enabled = ParentControl()->Enabled();
  AInfo.Outlined = AButton == nbClose;
}

TColor TvxPCExtraFlatPainter::GetNavigatorButtonColor(TvxPCNavigatorButtonState AState) {
  return (AState == nbsHotTrack || AState == nbsPressed) ? clBtnFace : GetInactiveTabColor();
}

TColor TvxPCUltraFlatPainter::GetNavigatorButtonColor(TvxPCNavigatorButtonState AState) {
  if (AState == nbsHotTrack) return clBtnFace;
  if (AState == nbsPressed) return clBtnShadow;
  return LightButtonFaceColor();
}

TColor TvxPCExtraFlatPainter::GetNavigatorButtonGlyphColor(TvxPCNavigatorButtonState AState) {
  if (!ParentControl()->Enabled() || AState == nbsDisabled) return clBtnShadow;
  return AState == nbsPressed ? clBtnHighlight : clBtnText;
}

void TvxPCExtraFlatPainter::PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) {
  if (AState == nbsHotTrack || AState == nbsPressed) {
    DrawButtonFrame(R, AState == nbsPressed, true);
    R = TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
  }
}

void TvxPCUltraFlatPainter::PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) {
  ParentInfo()->Canvas()->FrameRect(R, (AState == nbsHotTrack || AState == nbsPressed) ? clBlack : clBtnShadow);
  R = TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
}

// =======================================================================================
// Office11 painter

TvxPCOffice11Painter::TvxPCOffice11Painter(TvxCustomTabControl* AParent) : TvxPCUltraFlatPainter(AParent) {
  // The scheme colours exist while they have users.
  vdOffice11AcquireColors();
}

TvxPCOffice11Painter::~TvxPCOffice11Painter() { vdOffice11ReleaseColors(); }

TColor TvxPCOffice11Painter::GetOffice11FrameColor() { return vdOffice11ControlBorderColor; }

void TvxPCOffice11Painter::GradientEnds(TColor A1, TColor A2, TColor& AFirst, TColor& ASecond) {
  if (ParentInfo()->Options().Contains(pcoGradient)) {
    AFirst = A1;
    ASecond = A2;
  } else {
    AFirst = ASecond = vdMixColors(A1, A2, 50);
  }
}

bool TvxPCOffice11Painter::HasFarSideRows() {
  return !IsFrameVisible() && !ParentInfo()->HideTabs() && ParentInfo()->TabsOnBothSides();
}

TvxPCSizePair TvxPCOffice11Painter::GetTabSeparatorInsets() {
  const TvxTabPosition pos = ParentInfo()->TabPosition();
  return (pos == tpBottom || pos == tpRight) ? TvxPCSizePair{3, -1} : TvxPCSizePair{0, 2};
}

bool TvxPCOffice11Painter::IsTabContentOnlyExcluded(Integer AVisibleIndex) {
  return !ParentInfo()->VisibleTab(AVisibleIndex)->IsMainTab() && GetTabColor(AVisibleIndex) == clDefault;
}

bool TvxPCOffice11Painter::NeedsRedrawOnResize() {
  const TvxPCOptions o = ParentInfo()->Options();
  return o.Contains(pcoGradient) && o.Contains(pcoGradientClientArea);
}

TColor TvxPCOffice11Painter::GetTabBodyColor(Integer AVisibleIndex) {
  if (ParentInfo()->VisibleTab(AVisibleIndex)->Highlighted()) return clHighlight;
  return GetTabColor(AVisibleIndex);
}

TColor TvxPCOffice11Painter::GetTabsStripColor() {
  const Integer m = ParentInfo()->MainTabVisibleIndex();
  if (m != -1) {
    const TColor c = GetTabColor(m);
    if (c != clDefault) return c;
  }
  if (!ParentInfo()->Options().Contains(pcoGradient)) return vdMixColors(vdOffice11HotColor1, vdOffice11HotColor2, 50);
  const TvxTabPosition pos = ParentInfo()->TabPosition();
  return (pos == tpTop || pos == tpLeft) ? vdOffice11HotColor2 : vdOffice11HotColor1;
}

void TvxPCOffice11Painter::GetTabsStripRect(TRect& R) {
  const TRect f = GetFrameRect();
  switch (ParentInfo()->TabPosition()) {
    case tpTop: R = TRect{f.left, f.top, f.right, f.top + 2}; break;
    case tpBottom: R = TRect{f.left, f.bottom - 2, f.right, f.bottom}; break;
    case tpLeft: R = TRect{f.left, f.top, f.left + 2, f.bottom}; break;
    case tpRight: R = TRect{f.right - 2, f.top, f.right, f.bottom}; break;
  }
}

void TvxPCOffice11Painter::GetClientRectOffsets(TRect& AOffsets) {
  TvxPCUltraFlatPainter::GetClientRectOffsets(AOffsets);
  // Without a frame, the far side's rows are parted from the page by a line of their own.
  if (HasFarSideRows()) ++AOffsets.bottom;
}

void TvxPCOffice11Painter::PaintFrameAndClientArea() {
  if (HasFarSideRows()) {
    const TRect c = GetClientRect();
    TRect line;
    switch (ParentInfo()->TabPosition()) {
      case tpTop: line = TRect{c.left, c.bottom, c.right, c.bottom + 1}; break;
      case tpBottom: line = TRect{c.left, c.top - 1, c.right, c.top}; break;
      case tpLeft: line = TRect{c.right, c.top, c.right + 1, c.bottom}; break;
      case tpRight: line = TRect{c.left - 1, c.top, c.left, c.bottom}; break;
    }
    ParentInfo()->Canvas()->FillRect(line, GetOffice11FrameColor());
    ParentInfo()->Canvas()->ExcludeClipRect(line);
  }
  TvxPCUltraFlatPainter::PaintFrameAndClientArea();
}

void TvxPCOffice11Painter::PaintFrame() {
  const TRect c = GetClientRect();
  ParentInfo()->Canvas()->FrameRect(TRect{c.left - 1, c.top - 1, c.right + 1, c.bottom + 1}, GetOffice11FrameColor());
}

void TvxPCOffice11Painter::PaintClientArea() {
  TvxTabSheet* page = ParentInfo()->ActivePage();
  const TRect r = GetClientRect();
  TvxCanvas* canvas = ParentInfo()->Canvas();
  if (page && !page->ParentColor()) {
    canvas->FillRect(r, page->Color());
    return;
  }
  const TvxPCOptions o = ParentInfo()->Options();
  if (o.Contains(pcoGradient) && o.Contains(pcoGradientClientArea))
    vdFillGradientRect(canvas->Handle(), r, vdOffice11GradientColor1, vdOffice11GradientColor2,
                       !IsHorizontal(ParentInfo()->TabPosition()));
  else
    canvas->FillRect(r, vdMixColors(vdOffice11GradientColor1, vdOffice11GradientColor2, 50));
}

void TvxPCOffice11Painter::PaintTabBackground(TvxCanvas* ACanvas, TRect R, Integer AVisibleIndex) {
  const bool main = AVisibleIndex != -1 && AVisibleIndex == ParentInfo()->MainTabVisibleIndex();
  const TColor own = AVisibleIndex == -1 ? clDefault : GetTabBodyColor(AVisibleIndex);
  TColor first, second;
  if (main)
    GradientEnds(vdOffice11HotColor1, vdOffice11HotColor2, first, second);
  else
    GradientEnds(vdOffice11GradientColor1, vdOffice11GradientColor2, first, second);
  const TvxTabPosition pos = ParentInfo()->TabPosition();
  if (own == clDefault) {
    // The gradient runs across the row: from the top down, or from the left rightward.
    vdFillGradientRect(ACanvas->Handle(), R, first, second, !IsHorizontal(pos));
    return;
  }
  if (!main) {
    TvxBorder side = bBottom;
    switch (pos) {
      case tpTop: side = bBottom; break;
      case tpBottom: side = bTop; break;
      case tpLeft: side = bRight; break;
      case tpRight: side = bLeft; break;
    }
    const TColor line = (pos == tpTop || pos == tpLeft) ? second : first;
    DrawBorderLines(ACanvas, R, {{side, line}}, false);
  }
  ACanvas->FillRect(R, own);
}

void TvxPCOffice11Painter::PrepareTabTextBitmapBackground(TBitmap* ABitmap, const TvxPCOutTabImageAndTextData& AData,
                                                          Integer AVisibleIndex) {
  if (GetTabBodyColor(AVisibleIndex) != clDefault) return;
  // The gradient behind the caption (the row's, or the main tab's own) is painted at the
  // caption's place in screen orientation and turned back, so that the caption bitmap
  // turned for display matches it.
  const TRect& tr = AData.TabTextRect;
  const bool main = AVisibleIndex == ParentInfo()->MainTabVisibleIndex();
  TRect row;
  if (main)
    GetMainTabHighlightRect(row);
  else
    GetRowRect(AVisibleIndex, false, row);
  auto screen = std::make_unique<TBitmap>();
  screen->SetPixelFormat(pf32bit);
  screen->SetSize(RectWidth(tr), RectHeight(tr));
  TvxCanvas sc(screen->Canvas());
  PaintTabBackground(&sc, TRect{row.left - tr.left, row.top - tr.top, row.right - tr.left, row.bottom - tr.top},
                     main ? AVisibleIndex : -1);
  if (ParentControl()->IsVerticalText()) {
    const TvxRotationAngle a = ParentControl()->CaptionRotation() == raPlus90 ? raMinus90 : raPlus90;
    sc.RotateBitmap(screen.get(), a);
  }
  ::BitBlt(ABitmap->Canvas()->Handle(), 0, 0, ABitmap->Width(), ABitmap->Height(), screen->Canvas()->Handle(), 0, 0,
           SRCCOPY);
}

void TvxPCOffice11Painter::PaintTabSeparator(const TRect& R) {
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const TRect r{R.left, R.top, R.right - 1, R.bottom - 1};
  canvas->FillRect(r, vdOffice11SeparatorDarkColor);
  canvas->FillRect(TRect{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1}, vdOffice11SeparatorLightColor);
}

void TvxPCOffice11Painter::PaintRowLines(const TRect& R, Integer ARow) {
  TvxBorder side;
  TRect strip = RowLinesStrip(R, side);
  DrawBorderLines(ParentInfo()->Canvas(), strip, {{side, GetOffice11FrameColor()}}, false);
}

void TvxPCOffice11Painter::PaintNavigatorButtonBackground(const TRect& R, TvxPCNavigatorButtonState AState) {
  TColor first, second;
  if (AState == nbsHotTrack)
    GradientEnds(vdOffice11HotColor1, vdOffice11HotColor2, first, second);
  else if (AState == nbsPressed)
    GradientEnds(vdOffice11PressedColor, vdOffice11PressedColor2, first, second);
  else
    GradientEnds(vdOffice11GradientColor1, vdOffice11GradientColor2, first, second);
  vdFillGradientRect(ParentInfo()->Canvas()->Handle(), R, first, second, !IsHorizontal(ParentInfo()->TabPosition()));
}

TColor TvxPCOffice11Painter::GetNavigatorButtonGlyphColor(TvxPCNavigatorButtonState AState) {
  if (!ParentControl()->Enabled() || AState == nbsDisabled) return vdOffice11DisabledSymbolColor;
  return vdOffice11SymbolColor;
}

void TvxPCOffice11Painter::PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) {
  const bool disabled = !ParentControl()->Enabled() || AState == nbsDisabled;
  ParentInfo()->Canvas()->FrameRect(R, disabled ? vdOffice11DisabledSymbolColor : GetOffice11FrameColor());
  R = TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
}

// =======================================================================================
// TvxPCSlantedPainter

namespace {

TColor GOneNoteColors[6] = {clBtnShadow, clBtnShadow, static_cast<TColor>(0xFFFFFF),
                            static_cast<TColor>(0x6A240A), clBtnFace, clBtnFace};

void ReadOneNoteColors() {
  static const TColor CSchemes[4][6] = {
      {clBtnShadow, clBtnShadow, static_cast<TColor>(0xFFFFFF), static_cast<TColor>(0x6A240A), clBtnFace, clBtnFace},
      {static_cast<TColor>(0x9C613B), static_cast<TColor>(0x9A3500), static_cast<TColor>(0xFFFFFF),
       static_cast<TColor>(0x800000), static_cast<TColor>(0xFFFFFF), static_cast<TColor>(0xF1A675)},
      {static_cast<TColor>(0x588060), static_cast<TColor>(0x6B7760), static_cast<TColor>(0xFFFFFF),
       static_cast<TColor>(0x385D3F), static_cast<TColor>(0xFFFFFF), static_cast<TColor>(0x8CC2B0)},
      {static_cast<TColor>(0x947C7C), static_cast<TColor>(0x927476), static_cast<TColor>(0xFFFFFF),
       static_cast<TColor>(0x6F4B4B), static_cast<TColor>(0xFFFFFF), static_cast<TColor>(0xCEB9BA)}};
  // The scheme is known once the Office 2003 colours have been computed.
  vdOffice11AcquireColors();
  Integer scheme = vdCurrentOffice11Scheme();
  vdOffice11ReleaseColors();
  if (scheme < 0 || scheme > 3) scheme = 0;
  for (Integer i = 0; i < 6; ++i) GOneNoteColors[i] = CSchemes[scheme][i];
}

// Re-reads the OneNote colours after a system colour change.
class TvxPaletteChangedNotifier : public TvxSystemPaletteChangedNotifier {
 public:
  void DoChanged() override { ReadOneNoteColors(); }
};

std::unique_ptr<TvxPaletteChangedNotifier> GPaletteChangedNotifier;

bool TabsShown(TvxCustomTabControl* C) { return !C->HideTabs() && C->RowCount() > 0; }

TvxTabPosition OppositePosition(TvxTabPosition P) {
  switch (P) {
    case tpTop: return tpBottom;
    case tpBottom: return tpTop;
    case tpLeft: return tpRight;
    default: return tpLeft;
  }
}

Integer SideCount(TvxTabSlantPositions S) { return (S.Contains(spLeft) ? 1 : 0) + (S.Contains(spRight) ? 1 : 0); }

// The shapes of one side of a Slanted tab.
enum TSideShape { ssSlant, ssCut6, ssSquare, ssCut2 };

// How far in from the side the shape lies at a depth of a tab h deep.
Integer SideInset(TSideShape S, Integer H, Integer D) {
  switch (S) {
    case ssSlant: return D;
    case ssCut6: return std::max(0, D - (H - 7));
    case ssSquare: return 0;
    default: return std::max(0, D - (H - 3));
  }
}

}  // namespace

TColor OneNoteColor(Integer AIndex) { return GOneNoteColors[std::clamp(AIndex, 1, 6) - 1]; }

TPoint TvxPCSlantedPainter::ShapePoint(const TRect& R, TvxTabPosition APosition, Integer AAlong, Integer ADepth) {
  switch (APosition) {
    case tpBottom: return TPoint{R.left + AAlong, R.top + ADepth};
    case tpLeft: return TPoint{R.right - 1 - ADepth, R.bottom - 1 - AAlong};
    case tpRight: return TPoint{R.left + ADepth, R.bottom - 1 - AAlong};
    default: return TPoint{R.left + AAlong, R.bottom - 1 - ADepth};
  }
}

Integer TvxPCSlantedPainter::ShapeLength(const TRect& R, TvxTabPosition APosition) {
  return IsHorizontal(APosition) ? RectWidth(R) : RectHeight(R);
}

Integer TvxPCSlantedPainter::ShapeDepth(const TRect& R, TvxTabPosition APosition) {
  return IsHorizontal(APosition) ? RectHeight(R) : RectWidth(R);
}

TvxTabSlantPositions TvxPCSlantedPainter::GetSlantedSides() {
  TvxTabSlants* s = ParentInfo()->TabSlants();
  if (s->Kind() == skSlant && !ParentInfo()->Rotate()) return s->Positions();
  return TvxTabSlantPositions{};
}

Integer TvxPCSlantedPainter::GetCutValue() {
  return ParentInfo()->TabSlants()->Kind() == skSlant ? CalculateTabNormalHeight() - 1 : 6;
}

Integer TvxPCSlantedPainter::GetMinSlantedTabWidth() {
  if (ParentInfo()->Rotate()) return 0;
  TvxTabSlants* s = ParentInfo()->TabSlants();
  if (s->Positions().Empty()) return 8;
  const Integer c = FCutValue, k = SideCount(s->Positions());
  return s->Kind() == skSlant ? c * k - 2 * k + 8 : c * k + GetFrameWidth() * (2 - k) + 4;
}

void TvxPCSlantedPainter::GetImageAreaSize(Integer& AWidth, Integer& AHeight) {
  AWidth = AHeight = 0;
  TCustomImageList* images = ParentControl()->Images();
  if (!images) return;
  const Integer b = ParentInfo()->ImageBorder();
  AWidth = images->Width() > 0 ? images->Width() + (b > 0 ? 2 * b : 0) : 0;
  AHeight = images->Height() > 0 ? images->Height() + (b > 0 ? 2 * b : 0) : 0;
}

TvxPCSizePair TvxPCSlantedPainter::GetTextPadding(Integer AVisibleIndex) {
  const Integer fw = GetFrameWidth();
  TvxTabSlants* s = ParentInfo()->TabSlants();
  if (!ParentInfo()->Rotate()) {
    const Integer side = s->Kind() == skSlant ? FCutValue : 6;
    return {s->Positions().Contains(spLeft) ? side : fw + 2, s->Positions().Contains(spRight) ? side : fw + 2};
  }
  TvxPCSizePair p{2, fw + 5 + (s->Kind() == skCutCorner && !s->Positions().Empty() ? 1 : 0)};
  if (ParentInfo()->TabPosition() == tpLeft) std::swap(p.First, p.Second);
  return p;
}

Integer TvxPCSlantedPainter::GetTabContentIndent(Integer AVisibleIndex) {
  const TvxPCSizePair p = GetTextPadding(AVisibleIndex);
  Integer w = p.First + p.Second;
  TCustomImageList* images = ParentControl()->Images();
  if (images && images->Width() > 0 &&
      (AVisibleIndex == -1 || ParentInfo()->Rotate() ||
       ParentControl()->GetTabImageIndex(ParentInfo()->VisibleTab(AVisibleIndex)->Index()) != -1)) {
    Integer iw = 0, ih = 0;
    GetImageAreaSize(iw, ih);
    w += iw;
  }
  return std::max(w, GetMinSlantedTabWidth());
}

Integer TvxPCSlantedPainter::CalculateTabNormalWidth(TvxTab* ATab) {
  if (!ATab->Visible()) return 0;
  if (ParentInfo()->TabWidth() >= 1) return ParentInfo()->TabWidth();
  const Integer v = ATab->VisibleIndex();
  Integer w = GetTabContentIndent(v);
  if (!ATab->Caption().empty()) {
    TvxCanvas* canvas = ParentInfo()->Canvas();
    ParentControl()->PrepareTabFont(ATab, canvas);
    w += canvas->TextWidth(ATab->Caption());
    TCustomImageList* images = ParentControl()->Images();
    if (images && images->Width() > 0 &&
        (ParentInfo()->Rotate() || ParentControl()->GetTabImageIndex(ATab->Index()) != -1))
      w += GetImageTextDistance(v);
  }
  return std::max(w, GetMinTabNormalWidth(v));
}

void TvxPCSlantedPainter::GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) {
  const Integer fw = GetFrameWidth();
  if (!ParentInfo()->Rotate()) {
    AMargins = TRect{0, fw + 3, 0, 1};
    return;
  }
  TvxTabSlants* s = ParentInfo()->TabSlants();
  const Integer m = s->Kind() == skCutCorner && !s->Positions().Empty() ? fw + 2 : fw + 1;
  AMargins = TRect{0, m, 0, m};
}

void TvxPCSlantedPainter::GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) {
  const Integer fw = GetFrameWidth();
  AMargins = ParentInfo()->Rotate() ? TRect{0, fw + 3, 0, fw + 1} : TRect{0, fw + 4, 0, 1};
}

Integer TvxPCSlantedPainter::GetTabContentHeight() {
  TvxCustomTabControl* c = ParentControl();
  TvxCanvas* canvas = ParentInfo()->Canvas();
  Integer textHeight = 0;
  for (Integer v = 0; v < c->VisibleTabList()->Count(); ++v) {
    c->PrepareTabFont(c->VisibleTabList()->GetTab(v), canvas);
    textHeight = std::max(textHeight, canvas->TextHeight(L"Zg"));
  }
  TRect tm, im;
  GetTabTextAreaMargins(-1, tm);
  GetTabImageAreaMargins(-1, im);
  Integer iw = 0, ih = 0;
  GetImageAreaSize(iw, ih);
  return std::max(textHeight + tm.top + tm.bottom, ih + im.top + im.bottom);
}

TvxPCSizePair TvxPCSlantedPainter::GetTabsDistance() {
  const TvxTabSlantPositions sides = GetSlantedSides();
  TvxPCSizePair d{sides.Empty() ? 1 : -(FCutValue / 2) * SideCount(sides), -3};
  if (ParentInfo()->Rotate()) std::swap(d.First, d.Second);
  return d;
}

void TvxPCSlantedPainter::GetTabsContainerOffsets(TRect& AOffsets) {
  AOffsets = TRect{};
  if (!ParentInfo()->IsTabsContainer()) return;
  const TvxTabSlantPositions sides = GetSlantedSides();
  AOffsets = TRect{sides.Contains(spLeft) ? 1 : 2, 2, sides.Contains(spRight) ? 1 : 2, 0};
  const TvxTabPosition p = ParentInfo()->TabPosition();
  if (p == tpBottom || p == tpRight) std::swap(AOffsets.left, AOffsets.right);
}

void TvxPCSlantedPainter::GetExtendedTabsRectOffsets(TRect& AMargins) {
  AMargins = TRect{};
  const TvxTabSlantPositions sides = GetSlantedSides();
  if (IsHorizontal(ParentInfo()->TabPosition())) {
    AMargins.left = sides.Contains(spLeft) ? 1 : 0;
    AMargins.right = sides.Contains(spRight) ? 1 : 0;
  } else {
    AMargins.bottom = sides.Contains(spLeft) ? 1 : 0;
    AMargins.top = sides.Contains(spRight) ? 1 : 0;
  }
}

void TvxPCSlantedPainter::GetClientRectOffsets(TRect& AOffsets) {
  TvxPCStandardPainter::GetClientRectOffsets(AOffsets);
  TvxCustomTabControl* c = ParentControl();
  if (!TabsShown(c)) return;
  // The offsets are given for tabs on top: top is the tabs' side.
  if (ParentInfo()->IsTabsContainer()) AOffsets.top += 2;
  if (!IsFrameVisible()) {
    // Room for the line parting the page from the tabs.
    ++AOffsets.top;
    if (ParentInfo()->TabsOnBothSides()) ++AOffsets.bottom;
  }
}

TColor TvxPCSlantedPainter::GetTabBodyColor(Integer AVisibleIndex) {
  if (ParentInfo()->VisibleTab(AVisibleIndex)->Highlighted()) return clHighlight;
  const TColor c = GetTabColor(AVisibleIndex);
  if (c != clDefault) return c;
  return ParentInfo()->IsTabsContainer() ? clBtnFace : ParentInfo()->Color();
}

TColor TvxPCSlantedPainter::GetClientColor() {
  const Integer main = ParentInfo()->MainTabVisibleIndex();
  if (ParentInfo()->IsTabsContainer() && main != -1) {
    const TColor c = GetTabColor(main);
    return c == clDefault ? clBtnFace : c;
  }
  return TvxPCStandardPainter::GetClientColor();
}

bool TvxPCSlantedPainter::IsHotTab(Integer AVisibleIndex) {
  return AVisibleIndex >= 0 && ParentControl()->HotTrackTabVisibleIndex() == AVisibleIndex;
}

void TvxPCSlantedPainter::GetTabGradientColors(Integer AVisibleIndex, TColor& AFirst, TColor& ASecond) {
  const TColor body = GetTabBodyColor(AVisibleIndex);
  if (IsHotTab(AVisibleIndex)) {
    AFirst = LightenColor(body, 20);
    ASecond = body;
  } else {
    AFirst = LightenColor(body, 13);
    ASecond = vdScaleColorPercent(body, 90);
  }
}

void TvxPCSlantedPainter::GetShapeSpan(Integer W, Integer H, Integer ADepth, bool AInner, Integer& AFirst,
                                       Integer& ALast) {
  TvxTabSlants* s = ParentInfo()->TabSlants();
  const TvxTabSlantPositions positions = s->Positions();
  const TvxTabSlantPositions slanted = GetSlantedSides();
  auto shape = [&](TvxTabSlantPosition ASide) {
    if (s->Kind() == skSlant) {
      if (slanted.Contains(ASide)) return ssSlant;
      return ssCut2;
    }
    if (positions.Contains(ASide)) return ssCut6;
    return positions.Empty() ? ssCut2 : ssSquare;
  };
  AFirst = SideInset(shape(spLeft), H, ADepth);
  ALast = W - 1 - SideInset(shape(spRight), H, ADepth);
  if (AInner) {
    ++AFirst;
    --ALast;
  }
}

std::vector<TPoint> TvxPCSlantedPainter::GetOutlinePoints(Integer W, Integer H) {
  TvxTabSlants* s = ParentInfo()->TabSlants();
  const TvxTabSlantPositions positions = s->Positions();
  const TvxTabSlantPositions slanted = GetSlantedSides();
  std::vector<TPoint> pts;
  const bool slant = s->Kind() == skSlant;
  // Left side, from the page side up.
  if (slant && slanted.Contains(spLeft))
    pts = {{0, 0}, {H - 1, H - 1}};
  else if (!slant && positions.Contains(spLeft))
    pts = {{0, 0}, {0, H - 7}, {6, H - 1}};
  else if (!slant && !positions.Empty())
    pts = {{0, 0}, {0, H - 1}};
  else
    pts = {{0, 0}, {0, H - 3}, {2, H - 1}};
  // Right side, from the outer edge down.
  if (slant && slanted.Contains(spRight))
    pts.insert(pts.end(), {{W - H, H - 1}, {W - 1, 0}});
  else if (!slant && positions.Contains(spRight))
    pts.insert(pts.end(), {{W - 7, H - 1}, {W - 1, H - 7}, {W - 1, 0}});
  else if (!slant && !positions.Empty())
    pts.insert(pts.end(), {{W - 1, H - 1}, {W - 1, 0}});
  else
    pts.insert(pts.end(), {{W - 3, H - 1}, {W - 1, H - 3}, {W - 1, 0}});
  return pts;
}

TvxRegion* TvxPCSlantedPainter::CreateTabRegion(Integer AVisibleIndex, bool AInner) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const TRect r = tab->FullRect();
  const TvxTabPosition p = tab->PaintingPosition();
  const Integer w = ShapeLength(r, p), h = ShapeDepth(r, p);
  auto* region = new TvxRegion();
  // The shape is gathered line by line across the depth: exact to the pixel in every position.
  for (Integer d = 0; d < (AInner ? h - 1 : h); ++d) {
    Integer a0 = 0, a1 = 0;
    GetShapeSpan(w, h, d, AInner, a0, a1);
    if (a1 < a0) continue;
    const TPoint p0 = ShapePoint(r, p, a0, d), p1 = ShapePoint(r, p, a1, d);
    region->Combine(new TvxRegion(std::min(p0.x, p1.x), std::min(p0.y, p1.y), std::max(p0.x, p1.x) + 1,
                                  std::max(p0.y, p1.y) + 1),
                    roAdd);
  }
  return region;
}

void TvxPCSlantedPainter::PaintTabOutline(Integer AVisibleIndex, const TRect& R) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const TvxTabPosition p = tab->PaintingPosition();
  std::vector<TPoint> pts = GetOutlinePoints(ShapeLength(R, p), ShapeDepth(R, p));
  for (TPoint& q : pts) q = ShapePoint(R, p, q.x, q.y);
  DrawPolyline(pts, GetOutlineColor(AVisibleIndex));
}

void TvxPCSlantedPainter::PaintTabHighlightBand(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  if (!tab->IsMainTab() && !IsHotTab(AVisibleIndex)) return;
  TRect r = tab->FullRect();
  const Integer band = GetFrameWidth() + 3;
  switch (tab->PaintingPosition()) {
    case tpTop: r.bottom = r.top + band; break;
    case tpBottom: r.top = r.bottom - band; break;
    case tpLeft: r.right = r.left + band; break;
    case tpRight: r.left = r.right - band; break;
  }
  TvxCanvas* canvas = ParentInfo()->Canvas();
  canvas->FillRect(r, clHighlight);
  canvas->ExcludeClipRect(r);
}

void TvxPCSlantedPainter::PaintSlantedTabBackground(TvxCanvas* ACanvas, const TRect& R, bool AFlip, bool AVertical,
                                                    Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const bool main = tab->IsMainTab();
  const bool hotMain = main && PaintsHotMainTab() && IsHotTab(AVisibleIndex);
  if (main && !hotMain) {
    ACanvas->FillRect(R, GetTabBodyColor(AVisibleIndex));
    return;
  }
  TColor first, second;
  if (ParentInfo()->Options().Contains(pcoGradient))
    GetTabGradientColors(AVisibleIndex, first, second);
  else
    first = second = GetTabBodyColor(AVisibleIndex);
  const TvxTabPosition p = tab->PaintingPosition();
  if (hotMain && (p == tpBottom || p == tpRight)) std::swap(first, second);
  if (AFlip) std::swap(first, second);
  vdFillGradientRect(ACanvas->Handle(), R, first, second, AVertical);
}

void TvxPCSlantedPainter::PaintMainTabExtension(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const TRect r = tab->FullRect();
  const TvxTabPosition p = tab->PaintingPosition();
  const Integer w = ShapeLength(r, p);
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const TPoint a = ShapePoint(r, p, 0, -1), b = ShapePoint(r, p, w - 1, -1);
  canvas->FillRect(TRect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1},
                   GetTabBodyColor(AVisibleIndex));
  const TvxTabSlantPositions sides = GetSlantedSides();
  if (!sides.Contains(spLeft)) canvas->SetPixel(a.x, a.y, GetOutlineColor(AVisibleIndex));
  if (!sides.Contains(spRight)) canvas->SetPixel(b.x, b.y, GetOutlineColor(AVisibleIndex));
}

void TvxPCSlantedPainter::PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) {
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const TRect full = ATab->FullRect();
  {
    TvxClipRegionScope restoreClip(canvas);
    PaintTabOutline(AVisibleIndex, full);
    canvas->SetClipRegion(CreateTabRegion(AVisibleIndex, true), roIntersect);
    PaintTabHighlightBand(AVisibleIndex);
    PaintSlantedTabBackground(canvas, full, false, !IsHorizontal(ATab->PaintingPosition()), AVisibleIndex);
  }
  if (ATab->IsMainTab()) PaintMainTabExtension(AVisibleIndex);
  TRect focus = FOutTabImageAndTextData.TabTextRect;
  const bool vertical = ParentControl()->IsVerticalText();
  const Integer across = vertical ? 2 : 3, along = vertical ? 3 : 2;
  if (vertical)
    focus = TRect{focus.left - along, focus.top - across, focus.right + along, focus.bottom + across};
  else
    focus = TRect{focus.left - across, focus.top - along, focus.right + across, focus.bottom + along};
  canvas->Brush()->SetColor(GetTabBodyColor(AVisibleIndex));
  PaintTabFocusRect(AVisibleIndex, focus);
}

TvxRegion* TvxPCSlantedPainter::GetTabClipRegion(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  TvxRegion* region = CreateTabRegion(AVisibleIndex, false);
  region->Combine(new TvxRegion(tab->VisibleRect()), roIntersect);
  if (tab->IsMainTab()) {
    const TRect v = tab->VisibleRect();
    TRect band = ExtendTowardPage(v, tab->PaintingPosition(), 1);
    switch (tab->PaintingPosition()) {
      case tpTop: band.top = v.bottom; break;
      case tpBottom: band.bottom = v.top; break;
      case tpLeft: band.left = v.right; break;
      case tpRight: band.right = v.left; break;
    }
    region->Combine(new TvxRegion(band), roAdd);
  }
  return region;
}

bool TvxPCSlantedPainter::IsTabHit(Integer AVisibleIndex, Integer X, Integer Y) {
  std::unique_ptr<TvxRegion> r(CreateTabRegion(AVisibleIndex, false));
  if (!r->PtInRegion(X, Y)) return false;
  // The selected tab lies in front of its neighbour on the left.
  TvxCustomTabControl* c = ParentControl();
  const Integer next = AVisibleIndex + 1;
  if (next < c->VisibleTabList()->Count() && c->IsDisplayedTab(next) && ParentInfo()->VisibleTab(next)->IsMainTab()) {
    std::unique_ptr<TvxRegion> n(CreateTabRegion(next, false));
    if (n->PtInRegion(X, Y)) return false;
  }
  return true;
}

void TvxPCSlantedPainter::PaintTabs() {
  TvxCustomTabControl* c = ParentControl();
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const Integer main = ParentInfo()->MainTabVisibleIndex();
  if (main != -1 && c->IsDisplayedTab(main)) PaintTab(main);
  // The other tabs row by row from the page outward; within a row a tab lies in front of
  // the one after it.
  std::vector<Integer> order;
  for (Integer v = 0; v < c->VisibleTabList()->Count(); ++v)
    if (v != main && c->IsDisplayedTab(v)) order.push_back(v);
  auto distance = [&](Integer v) {
    const TRect r = ParentInfo()->VisibleTab(v)->FullRect();
    switch (ParentInfo()->VisibleTab(v)->PaintingPosition()) {
      case tpTop: return -r.bottom;
      case tpBottom: return r.top;
      case tpLeft: return -r.right;
      default: return r.left;
    }
  };
  std::stable_sort(order.begin(), order.end(), [&](Integer a, Integer b) { return distance(a) < distance(b); });
  size_t i = 0;
  while (i < order.size()) {
    const Integer row = ParentInfo()->VisibleTab(order[i])->Row();
    TRect span{};
    bool first = true;
    TvxTabPosition pos = ParentInfo()->VisibleTab(order[i])->PaintingPosition();
    for (; i < order.size() && ParentInfo()->VisibleTab(order[i])->Row() == row; ++i) {
      const TRect r = ParentInfo()->VisibleTab(order[i])->VisibleRect();
      span = first ? r : TRect{std::min(span.left, r.left), std::min(span.top, r.top), std::max(span.right, r.right),
                               std::max(span.bottom, r.bottom)};
      first = false;
      PaintTab(order[i]);
    }
    // The row's line along its page side.
    TRect line = ExtendTowardPage(span, pos, 1);
    switch (pos) {
      case tpTop: line.top = span.bottom; break;
      case tpBottom: line.bottom = span.top; break;
      case tpLeft: line.left = span.right; break;
      case tpRight: line.right = span.left; break;
    }
    canvas->FillRect(line, GetOutlineColor(-1));
  }
}

void TvxPCSlantedPainter::PaintFrame() {
  TRect r = GetClientRect();
  r = TRect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
  if (ParentInfo()->IsTabsContainer()) r = ExtendTowardPage(r, OppositePosition(ParentInfo()->TabPosition()), 2);
  ParentInfo()->Canvas()->FrameRect(r, GetOutlineColor(-1));
}

void TvxPCSlantedPainter::PaintFrameAndClientArea() {
  if (IsFrameVisible())
    PaintFrame();
  else if (TabsShown(ParentControl()))
    // The band between the frame and the client rectangle is the line along the page.
    ParentInfo()->Canvas()->FillRect(GetFrameRect(), GetOutlineColor(-1));
  PaintClientArea();
  ParentInfo()->Canvas()->ExcludeClipRect(GetFrameRect());
}

void TvxPCSlantedPainter::PaintClientArea() {
  TRect r = GetClientRect();
  if (ParentInfo()->IsTabsContainer()) r = ExtendTowardPage(r, OppositePosition(ParentInfo()->TabPosition()), 2);
  ParentInfo()->Canvas()->FillRect(r, GetClientColor());
}

void TvxPCSlantedPainter::PrepareTabTextBitmapBackground(TBitmap* ABitmap, const TvxPCOutTabImageAndTextData& AData,
                                                         Integer AVisibleIndex) {
  // The tab's background is painted at the caption's place in screen orientation and turned
  // back, so that the caption bitmap turned for display sits on the same gradient.
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const TRect& tr = AData.TabTextRect;
  const TRect full = tab->FullRect();
  auto screen = std::make_unique<TBitmap>();
  screen->SetPixelFormat(pf32bit);
  screen->SetSize(RectWidth(tr), RectHeight(tr));
  TvxCanvas sc(screen->Canvas());
  PaintSlantedTabBackground(&sc, TRect{full.left - tr.left, full.top - tr.top, full.right - tr.left, full.bottom - tr.top},
                            false, !IsHorizontal(tab->PaintingPosition()), AVisibleIndex);
  if (ParentControl()->IsVerticalText()) {
    const TvxRotationAngle a = ParentControl()->CaptionRotation() == raPlus90 ? raMinus90 : raPlus90;
    sc.RotateBitmap(screen.get(), a);
  }
  ::BitBlt(ABitmap->Canvas()->Handle(), 0, 0, ABitmap->Width(), ABitmap->Height(), screen->Canvas()->Handle(), 0, 0,
           SRCCOPY);
}

Integer TvxPCSlantedPainter::GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) {
  switch (AButton) {
    case nbGoDialog: return 13;
    case nbClose: return 16;
    default: return 17;
  }
}

Integer TvxPCSlantedPainter::GetNavigatorButtonsDistance(TvxPCNavigatorButton AButton,
                                                         TvxPCNavigatorButton ANextButton) {
  return AButton == nbClose || ANextButton == nbClose ? 3 : 1;
}

void TvxPCSlantedPainter::GetNavigatorButtonGlyphInfo(TvxPCNavigatorButton AButton,
                                                      TvxPCNavigatorButtonGlyphInfo& AInfo) {
  TvxPCStandardPainter::GetNavigatorButtonGlyphInfo(AButton, AInfo);
  AInfo.Enabled = true;
  AInfo.Outlined = AButton == nbClose;
}

TColor TvxPCSlantedPainter::GetNavigatorButtonColor(TvxPCNavigatorButtonState AState) {
  switch (AState) {
    case nbsHotTrack: return vdMixColors(clBtnFace, clWhite, 35);
    case nbsPressed: return vdMixColors(clBtnFace, clBlack, 90);
    default: return clBtnFace;
  }
}

TColor TvxPCSlantedPainter::GetNavigatorButtonGlyphColor(TvxPCNavigatorButtonState AState) {
  if (AState == nbsDisabled || !ParentControl()->Enabled()) return clBtnShadow;
  if (AState == nbsPressed) return vdMixColors(ParentInfo()->Color(), clWhite, 10);
  return clBtnText;
}

void TvxPCSlantedPainter::PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) {
  ParentInfo()->Canvas()->FrameRect(R, AState == nbsHotTrack || AState == nbsPressed ? clBlack : clBtnShadow);
  R = TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
}

// =======================================================================================
// TvxPCOneNotePainter

TColor TvxPCOneNotePainter::GetOutlineColor(Integer AVisibleIndex) { return OneNoteColor(1); }

TvxPCSizePair TvxPCOneNotePainter::GetTabsDistance() { return {5 - FCutValue, -3}; }

void TvxPCOneNotePainter::GetTabsContainerOffsets(TRect& AOffsets) {
  AOffsets = ParentInfo()->IsTabsContainer() ? TRect{0, 2, 0, 0} : TRect{};
}

void TvxPCOneNotePainter::GetExtendedTabsRectOffsets(TRect& AMargins) { AMargins = TurnOffsets(TRect{4, 0, 4, 0}); }

void TvxPCOneNotePainter::GetShapeSpan(Integer W, Integer H, Integer ADepth, bool AInner, Integer& AFirst,
                                       Integer& ALast) {
  // The left side runs diagonally over the depth, bending into a short bevel at the top.
  if (ADepth <= H - 4)
    AFirst = ADepth + 1;
  else
    AFirst = H - 3 + ((ADepth - (H - 4)) * 5 + 2) / 3;
  ALast = W - 1 - std::max(0, ADepth - (H - 3));
  if (AInner) {
    ++AFirst;
    --ALast;
  }
}

std::vector<TPoint> TvxPCOneNotePainter::GetOutlinePoints(Integer W, Integer H) {
  return {{1, 0}, {H - 3, H - 4}, {H + 2, H - 1}, {W - 3, H - 1}, {W - 1, H - 3}, {W - 1, 0}};
}

void TvxPCOneNotePainter::PaintTabOutline(Integer AVisibleIndex, const TRect& R) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const TvxTabPosition p = tab->PaintingPosition();
  const Integer w = ShapeLength(R, p), h = ShapeDepth(R, p);
  const TColor body = GetTabBodyColor(AVisibleIndex);
  TColor outline, highlight, shadow;
  if (IsHotTab(AVisibleIndex)) {
    outline = highlight = shadow = OneNoteColor(4);
  } else if (tab->IsMainTab()) {
    outline = OneNoteColor(1);
    highlight = vdMixColors(clWhite, body, 60);
    shadow = vdMixColors(highlight, body, 70);
  } else {
    outline = OneNoteColor(2);
    highlight = vdMixColors(vdMixColors(clWhite, OneNoteColor(6), 50), body, 50);
    shadow = vdMixColors(OneNoteColor(6), body, 50);
  }
  auto at = [&](Integer a, Integer d) { return ShapePoint(R, p, a, d); };
  auto line = [&](std::vector<TPoint> pts, TColor color) {
    for (TPoint& q : pts) q = at(q.x, q.y);
    DrawPolyline(pts, color);
  };
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const TPoint corner = at(0, 0);
  canvas->SetPixel(corner.x, corner.y, vdMixColors(outline, ColorAt(at(-1, 0)), 25));
  line(GetOutlinePoints(w, h), outline);
  const TPoint bevel = at(h + 2, h - 1);
  canvas->SetPixel(bevel.x, bevel.y, vdMixColors(outline, ColorAt(at(h + 1, h - 1)), 60));
  line({{2, 0}, {h - 3, h - 5}, {h + 2, h - 2}, {w - 4, h - 2}}, highlight);
  line({{w - 3, h - 2}, {w - 2, h - 3}, {w - 2, 0}}, shadow);
}

void TvxPCOneNotePainter::PaintMainTabExtension(Integer AVisibleIndex) {
  TvxTab* tab = ParentInfo()->VisibleTab(AVisibleIndex);
  const TRect r = tab->FullRect();
  const TvxTabPosition p = tab->PaintingPosition();
  const Integer w = ShapeLength(r, p);
  const TColor body = GetTabBodyColor(AVisibleIndex);
  TvxCanvas* canvas = ParentInfo()->Canvas();
  const TPoint a = ShapePoint(r, p, 0, -1), b = ShapePoint(r, p, w - 1, -1);
  canvas->FillRect(TRect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1}, body);
  canvas->SetPixel(a.x, a.y, vdMixColors(GetOutlineColor(AVisibleIndex), body, 50));
}

TColor TvxPCSlantedPainter::ColorAt(const TPoint& P) {
  const Integer v = ParentControl()->IndexOfTabAt(P.x, P.y);
  return v < 0 ? ParentInfo()->Color() : GetTabBodyColor(v);
}

// =======================================================================================
// Class references

namespace {

template <class TPainter, TvxPCStandardStyle AStyle, Integer AId>
class TSimplePainterClass : public TvxPCStandardPainterClassInfo {
 public:
  explicit TSimplePainterClass(const wchar_t* AName, TvxLookAndFeelStyle ALookAndFeelStyle, bool AAnswersLookAndFeel)
      : FName(AName), FLookAndFeelStyle(ALookAndFeelStyle), FAnswers(AAnswersLookAndFeel) {}
  TvxPCCustomPainter* Create(TvxCustomTabControl* AParent) const override { return new TPainter(AParent); }
  TvxPCStandardStyle GetStandardStyle() const override { return AStyle; }
  TvxPCStyleID GetStyleID() const override { return AId; }
  String GetStyleName() const override { return FName; }
  bool HasLookAndFeel(TvxLookAndFeel* ALookAndFeel) const override {
    if (!FAnswers || !ALookAndFeel) return false;
    TvxCustomLookAndFeelPainterClass p = ALookAndFeel->GetAvailablePainter(totTab);
    return p && p->LookAndFeelStyle() == FLookAndFeelStyle;
  }

 private:
  const wchar_t* FName;
  TvxLookAndFeelStyle FLookAndFeelStyle;
  bool FAnswers;
};

const TSimplePainterClass<TvxPCButtonsPainter, tsButtons, 2> GButtonsPainterClass(L"Buttons", lfsStandard, false);
const TSimplePainterClass<TvxPCFlatButtonsPainter, tsFlatButtons, 3> GFlatButtonsPainterClass(L"FlatButtons",
                                                                                             lfsStandard, false);
const TSimplePainterClass<TvxPCFlatPainter, tsTabs, 7> GFlatPainterClass(L"Flat", lfsFlat, true);
const TSimplePainterClass<TvxPCExtraFlatPainter, tsTabs, 5> GExtraFlatPainterClass(L"ExtraFlat", lfsStandard, false);
const TSimplePainterClass<TvxPCUltraFlatPainter, tsTabs, 6> GUltraFlatPainterClass(L"UltraFlat", lfsUltraFlat, true);

// Office11 answers an Office 2003 look and feel only while no skin paints it.
class TOffice11PainterClass : public TSimplePainterClass<TvxPCOffice11Painter, tsTabs, 8> {
 public:
  TOffice11PainterClass() : TSimplePainterClass(L"Office11", lfsOffice11, true) {}
  bool HasLookAndFeel(TvxLookAndFeel* ALookAndFeel) const override {
    return TSimplePainterClass::HasLookAndFeel(ALookAndFeel) && !ALookAndFeel->SkinPainter();
  }
};
const TOffice11PainterClass GOffice11PainterClass;
// Reached only through a control's style.
const TSimplePainterClass<TvxPCSlantedPainter, tsTabs, 9> GSlantedPainterClass(L"Slanted", lfsStandard, false);
const TSimplePainterClass<TvxPCOneNotePainter, tsTabs, 10> GOneNotePainterClass(L"OneNote", lfsStandard, false);

}  // namespace

TvxPCPainterClass TvxPCButtonsPainter::StaticPainterClass() { return &GButtonsPainterClass; }
TvxPCPainterClass TvxPCFlatButtonsPainter::StaticPainterClass() { return &GFlatButtonsPainterClass; }
TvxPCPainterClass TvxPCFlatPainter::StaticPainterClass() { return &GFlatPainterClass; }
TvxPCPainterClass TvxPCExtraFlatPainter::StaticPainterClass() { return &GExtraFlatPainterClass; }
TvxPCPainterClass TvxPCUltraFlatPainter::StaticPainterClass() { return &GUltraFlatPainterClass; }
TvxPCPainterClass TvxPCOffice11Painter::StaticPainterClass() { return &GOffice11PainterClass; }
TvxPCPainterClass TvxPCSlantedPainter::StaticPainterClass() { return &GSlantedPainterClass; }
TvxPCPainterClass TvxPCOneNotePainter::StaticPainterClass() { return &GOneNotePainterClass; }

// =======================================================================================
// Start-up

namespace {

std::vector<TvxPCPainterClass> RegisteredClasses() {
  return {TvxPCTabsPainter::StaticPainterClass(), TvxPCButtonsPainter::StaticPainterClass(),
          TvxPCFlatButtonsPainter::StaticPainterClass(), TvxPCExtraFlatPainter::StaticPainterClass(),
          TvxPCUltraFlatPainter::StaticPainterClass(), TvxPCFlatPainter::StaticPainterClass(),
          TvxPCOffice11Painter::StaticPainterClass(), TvxPCSlantedPainter::StaticPainterClass(),
          TvxPCOneNotePainter::StaticPainterClass()};
}

void InitPCPainters() {
  const COLORREF face = ColorToRGB(clBtnFace);
  GLightButtonFaceColor = static_cast<TColor>(RGB(std::min(255, GetRValue(face) + 20),
                                                  std::min(255, GetGValue(face) + 20),
                                                  std::min(255, GetBValue(face) + 20)));
  ReadOneNoteColors();
  GPaletteChangedNotifier = std::make_unique<TvxPaletteChangedNotifier>();
  // In style order: the registry answers a look and feel from the last class back.
  for (TvxPCPainterClass c : RegisteredClasses()) RegisterPCPainter(c);
}

void FinPCPainters() {
  for (TvxPCPainterClass c : RegisteredClasses()) UnregisterPCPainter(c);
  GPaletteChangedNotifier.reset();
}

}  // namespace

const TUnitInfo vxPCPaintersUnit = {L"vxPCPainters", InitPCPainters, FinPCPainters};
