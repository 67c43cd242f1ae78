#include "vxLookAndFeelPainters.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <vssym32.h>

#include "SysUtils.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxLookAndFeels.h"

namespace {

// --- Shared resources of the painters -----------------------------------------------------

TvxExtendedStylePainters* FExtendedStylePainters = nullptr;
TImageList* FIndicatorImages = nullptr;
TBitmap* FScrollBarBitmapNormal = nullptr;
TBitmap* FScrollBarBitmapPressed = nullptr;
TSize FCheckButtonSize{13, 13};
// The shared radio-button images, their measured size and the map from a combination of
// look, state and flags to an image number.
TvxRadioButtonImageList* FRadioButtonImageList = nullptr;
TSize FRadioButtonSize{0, 0};
std::vector<Integer> FRadioIndexMap;

// Keeps the painters' colour-dependent resources in step with the system colours.
class TSystemPaletteChangedNotifier : public TvxSystemPaletteChangedNotifier {
  DECLARE_CLASS(TSystemPaletteChangedNotifier, TvxSystemPaletteChangedNotifier)
 public:
  TSystemPaletteChangedNotifier() : TvxSystemPaletteChangedNotifier(true) {}
  void DoChanged() override {
    // The page patterns hold concrete colours: repaint them here, so that they follow a
    // colour change even while no scroll bar exists to ask for it.
    vxUpdateScrollBarBitmaps();
    if (FRadioButtonImageList) FRadioButtonImageList->Reset();
    TvxSystemPaletteChangedNotifier::DoChanged();
  }
};

TSystemPaletteChangedNotifier* FPaletteNotifier = nullptr;

// Each painter class's one object.
template <class P>
TvxCustomLookAndFeelPainterClass PainterObject() {
  struct TObjectOf : P {
    TObjectOf() {}
  };
  static const TObjectOf instance;
  return &instance;
}

const wchar_t* const IndicatorResourceNames[] = {L"VX_ARROWBITMAP",    L"VX_EDITBITMAP",
                                                 L"VX_INSERTBITMAP",   L"VX_MULTIDOTBITMAP",
                                                 L"VX_MULTIARROWBITMAP", L"VX_FILTERBITMAP"};

void LoadIndicatorImages() {
  for (const wchar_t* name : IndicatorResourceNames) {
    TBitmap bitmap;
    bitmap.LoadFromResourceName(GetModuleHandleW(nullptr), name);
    // The masks are computed from true-colour pixels; the resources hold 16 colours.
    bitmap.SetPixelFormat(pf24bit);
    if (!FIndicatorImages) FIndicatorImages = new TImageList(bitmap.Width(), bitmap.Height());
    FIndicatorImages->AddMasked(&bitmap, clWhite);
  }
}

void MeasureCheckButtonSize() {
  constexpr int OBM_CHECKBOXES_ID = 32759;
  HBITMAP handle = LoadBitmapW(nullptr, MAKEINTRESOURCEW(OBM_CHECKBOXES_ID));
  if (!handle) return;  // the 13 x 13 default stays
  BITMAP info{};
  if (GetObjectW(handle, sizeof(info), &info)) FCheckButtonSize = TSize{info.bmWidth / 4, info.bmHeight / 3};
  DeleteObject(handle);
}

void InitLookAndFeelPainters() {
  FExtendedStylePainters = new TvxExtendedStylePainters();
  LoadIndicatorImages();
  vxUpdateScrollBarBitmaps();
  FPaletteNotifier = new TSystemPaletteChangedNotifier();
  MeasureCheckButtonSize();
}

void FinLookAndFeelPainters() {
  FreeAndNil(FPaletteNotifier);
  FreeAndNil(FScrollBarBitmapNormal);
  FreeAndNil(FScrollBarBitmapPressed);
  FreeAndNil(FIndicatorImages);
  FreeAndNil(FRadioButtonImageList);
  FreeAndNil(FExtendedStylePainters);
  FRadioIndexMap.clear();
}

// --- Drawing helpers -------------------------------------------------------------------------

// Saves the canvas's font, brush and pen and restores them when the scope ends.
class TCanvasStateScope {
 public:
  explicit TCanvasStateScope(TvxCanvas* ACanvas) : FCanvas(ACanvas) { FCanvas->SaveState(); }
  ~TCanvasStateScope() { FCanvas->RestoreState(); }
  TCanvasStateScope(const TCanvasStateScope&) = delete;
  TCanvasStateScope& operator=(const TCanvasStateScope&) = delete;

 private:
  TvxCanvas* FCanvas;
};

// Fills R with a solid brush of AColor (nothing for clNone, the brush colour for clDefault).
void SolidFill(TvxCanvas* ACanvas, const TRect& R, TColor AColor) {
  if (AColor == clNone) return;
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->FillRect(R, AColor);
}

TRect Deflated(const TRect& R, Integer D) { return TRect{R.left + D, R.top + D, R.right - D, R.bottom - D}; }

void Line(TvxCanvas* ACanvas, Integer X1, Integer Y1, Integer X2, Integer Y2) {
  ACanvas->MoveTo(X1, Y1);
  ACanvas->LineTo(X2, Y2);
}

void FilledPolygon(TvxCanvas* ACanvas, const std::vector<TPoint>& APoints, TColor AColor) {
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->SetBrushColor(AColor);
  ACanvas->Pen()->SetColor(AColor);
  ACanvas->Polygon(APoints);
}

void FilledTriangle(TvxCanvas* ACanvas, const TvxArrowPoints& P, TColor AColor, Integer DX = 0, Integer DY = 0) {
  FilledPolygon(ACanvas, {TPoint{P[0].x + DX, P[0].y + DY}, TPoint{P[1].x + DX, P[1].y + DY},
                          TPoint{P[2].x + DX, P[2].y + DY}},
                AColor);
}

// Header edges merge with their neighbours at the corners.
void DrawMergingHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors ANeighbors) {
  ACanvas->DrawEdge(R, false, false, vxBordersAll);
  if (ANeighbors.Contains(nLeft)) {
    ACanvas->SetPixel(R.left, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.left, R.bottom - 2, clBtnFace);
  }
  if (ANeighbors.Contains(nRight)) {
    ACanvas->SetPixel(R.right - 1, R.top, clBtnHighlight);
    ACanvas->SetPixel(R.right - 1, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.right - 1, R.bottom - 2, clBtnFace);
  }
}

// The frame and face of the filter drop-down button of the Standard and Flat painters;
// R shrinks to the face.
void DrawFilterDropDownFrame(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) {
  ACanvas->DrawEdge(R, AState == vxbsPressed, AState == vxbsPressed, vxBordersAll);
  InflateRect(&R, -1, -1);
  SolidFill(ACanvas, R, clBtnFace);
}

// Tab borders of the Standard and Flat painters: R is adjusted and filled with one colour.
void DrawPlainTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder, TvxBorders ABorders, bool AVertical) {
  TColor color = clBtnHighlight;
  if (!AVertical) {
    if (ABorder == bLeft || ABorder == bRight) {
      if (ABorders.Contains(bTop)) R.top += 2;
      if (ABorders.Contains(bBottom)) R.bottom -= 1;
    } else if (ABorder == bTop) {
      R.left += 1;
      R.right -= 1;
      ACanvas->SetPixel(R.left - 1, R.top + 1, clBtnHighlight);
      ACanvas->SetPixel(R.right, R.top + 1, clBtnHighlight);
    }
    if (ABorder == bRight) color = clBtnShadow;
  } else {
    if (ABorder == bLeft) {
      R.top += ABorders.Contains(bTop) ? 2 : 1;
      R.bottom -= ABorders.Contains(bBottom) ? 2 : 1;
      ACanvas->SetPixel(R.left + 1, R.top - 1, clBtnHighlight);
      ACanvas->SetPixel(R.left + 1, R.bottom, clBtnHighlight);
    } else if ((ABorder == bTop || ABorder == bBottom) && ABorders.Contains(bLeft)) {
      R.left += 1;
    }
    if (ABorder == bBottom) color = clBtnShadow;
  }
  SolidFill(ACanvas, R, color);
}

void FillPagePattern(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) {
  TBitmap* pattern = vxScrollBarPatternBitmap(AState == vxbsPressed);
  ACanvas->Brush()->SetBitmap(pattern);
  ACanvas->Canvas()->FillRect(R);
  ACanvas->Brush()->SetBitmap(nullptr);
  ACanvas->Brush()->SetStyle(bsSolid);
}

}  // namespace

TvxCustomLookAndFeelPainterClass TvxCustomLookAndFeelPainter::Instance() {
  return PainterObject<TvxCustomLookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxStandardLookAndFeelPainter::Instance() {
  return PainterObject<TvxStandardLookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxFlatLookAndFeelPainter::Instance() {
  return PainterObject<TvxFlatLookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxUltraFlatLookAndFeelPainter::Instance() {
  return PainterObject<TvxUltraFlatLookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxOffice11LookAndFeelPainter::Instance() {
  return PainterObject<TvxOffice11LookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxWinXPLookAndFeelPainter::Instance() {
  return PainterObject<TvxWinXPLookAndFeelPainter>();
}

// --- Base painter: protected operations ------------------------------------------------------

void TvxCustomLookAndFeelPainter::FillBackground(TvxCanvas* ACanvas, const TRect& R, bool ATransparent,
                                                 TColor AColor, TBitmap* ABitmap) const {
  if (!ATransparent)
    SolidFill(ACanvas, R, AColor);
  else if (ABitmap)
    ACanvas->FillRect(R, ABitmap);
}

void TvxCustomLookAndFeelPainter::DrawDropDownArrow(TvxCanvas* ACanvas, const TRect& R, TColor AColor) const {
  Integer w = (R.right - R.left) / 2;
  if (w % 2 == 0) ++w;
  const Integer h = w / 2 + 1;
  const Integer x = (R.left + R.right - w) / 2;
  const Integer y = MulDiv(R.top + R.bottom - h, 1, 2);
  FilledPolygon(ACanvas, {TPoint{x, y}, TPoint{x + w - 1, y}, TPoint{x + w / 2, y + h - 1}}, AColor);
}

void TvxCustomLookAndFeelPainter::DrawContent(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                              TvxButtonState, TAlignment AAlignmentHorz,
                                              TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                                              bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                              TColor ATextColor, TColor ABkColor,
                                              const TvxDrawBackgroundEvent& AOnDrawBackground, bool) const {
  if (!AOnDrawBackground || !AOnDrawBackground(ACanvas, ABounds)) SolidFill(ACanvas, ABounds, ABkColor);
  if (AText.empty()) return;
  ACanvas->Brush()->SetStyle(bsClear);
  if (AFont) ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  ACanvas->DrawTexT(AText, ATextAreaBounds, AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis);
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TvxCustomLookAndFeelPainter::DrawFooterBorderWithSeparator(TvxCanvas* ACanvas, const TRect& R,
                                                                TvxBorders) const {
  TRect separator = R;
  separator.bottom = separator.top + FooterSeparatorSize();
  DrawFooterSeparator(ACanvas, separator);
  TRect border = R;
  border.top += FooterSeparatorSize();
  DrawFooterBorder(ACanvas, border);
}

void TvxCustomLookAndFeelPainter::DrawSchedulerNavigationButtonContent(TvxCanvas* ACanvas, const TRect& R,
                                                                       const TRect& AArrowRect, bool AIsNextButton,
                                                                       TvxButtonState AState) const {
  // The outer side is the right one for the previous button, the left one for the next.
  const TvxBorders borders = AIsNextButton ? TvxBorders{bLeft, bTop, bBottom} : TvxBorders{bTop, bRight, bBottom};
  SolidFill(ACanvas, R, clBtnFace);
  ACanvas->FrameRect(R, clBtnShadow, 1, borders, false);
  TRect r = R;
  r.top += 1;
  r.bottom -= 1;
  if (AIsNextButton)
    r.left += 1;
  else
    r.right -= 1;
  if (AState == vxbsPressed)
    ACanvas->DrawComplexFrame(r, clBtnShadow, clBtnHighlight, borders, 1);
  else
    ACanvas->DrawComplexFrame(r, clBtnHighlight, clBtnFace, borders, 1);
  DrawSchedulerNavigationButtonArrow(ACanvas, AArrowRect, AIsNextButton, ButtonSymbolColor(AState, clDefault));
}

TRect TvxCustomLookAndFeelPainter::FooterCellContentBounds(const TRect& R) const {
  return Deflated(R, FooterCellBorderSize());
}

TRect TvxCustomLookAndFeelPainter::FooterCellTextAreaBounds(const TRect& R) const {
  return Deflated(FooterCellContentBounds(R), 2);
}

TRect TvxCustomLookAndFeelPainter::CalculateSeparatorRect(const TRect& R, Integer AThickness,
                                                          bool AIsVertical) const {
  TRect result = R;
  if (AIsVertical) {
    result.left = (R.left + R.right) / 2 - AThickness / 2;
    result.right = result.left + AThickness;
  } else {
    result.top = (R.top + R.bottom) / 2 - AThickness / 2;
    result.bottom = result.top + AThickness;
  }
  return result;
}

// --- Base painter: style, arrows, borders and buttons -----------------------------------------

TColor TvxCustomLookAndFeelPainter::DefaultDateNavigatorContentColor() const {
  const TColor color = DefaultEditorBackgroundColor(false);
  return color == clDefault ? DefaultContentColor() : color;
}

void TvxCustomLookAndFeelPainter::CalculateArrowPoints(TRect R, TvxArrowPoints& P, TvxArrowDirection AArrowDirection,
                                                       bool AProportional, Integer AArrowSize) {
  if (AProportional) {
    const Integer d = (R.right - R.left) - (R.bottom - R.top);
    if (d > 0)
      InflateRect(&R, -(d / 2), 0);
    else
      InflateRect(&R, 0, -(-d / 2));
  }
  Integer s = AArrowSize, w, h;
  if (AArrowDirection == adUp || AArrowDirection == adDown) {
    if (s == 0) s = (R.right - R.left - 1) / 4 + 1;
    w = 2 * s - 1;
    h = s;
  } else {
    if (s == 0) s = (R.bottom - R.top - 1) / 4 + 1;
    w = s;
    h = 2 * s - 1;
  }
  const Integer cx = (R.left + R.right - w) / 2;
  const Integer cy = MulDiv(R.top + R.bottom - h, 1, 2);
  const Integer mx = (R.left + R.right - 1) / 2;
  const Integer my = (R.top + R.bottom) / 2;
  switch (AArrowDirection) {
    case adUp:
      P = {TPoint{cx, cy + h - 1}, TPoint{mx, cy}, TPoint{cx + w - 1, cy + h - 1}};
      break;
    case adDown:
      P = {TPoint{cx + w - 1, cy}, TPoint{mx, cy + h - 1}, TPoint{cx, cy}};
      break;
    case adLeft:
      P = {TPoint{cx + w - 1, cy + h - 1}, TPoint{cx, my}, TPoint{cx + w - 1, cy}};
      break;
    case adRight:
      P = {TPoint{cx, cy}, TPoint{cx + w - 1, my}, TPoint{cx, cy + h - 1}};
      break;
  }
}

void TvxCustomLookAndFeelPainter::DrawArrow(TvxCanvas* ACanvas, const TRect& R, TvxArrowDirection AArrowDirection,
                                            TColor AColor) const {
  TvxArrowPoints p;
  CalculateArrowPoints(R, p, AArrowDirection, true);
  FilledTriangle(ACanvas, p, AColor);
}

void TvxCustomLookAndFeelPainter::DrawArrow(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState,
                                            TvxArrowDirection AArrowDirection, bool ADrawBorder) const {
  TvxArrowPoints p;
  CalculateArrowPoints(R, p, AArrowDirection, false);
  if (ADrawBorder)
    DrawArrowBorder(ACanvas, R, AState);
  else
    SolidFill(ACanvas, R, ButtonColor(AState));
  FilledTriangle(ACanvas, p, ButtonSymbolColor(AState, clDefault));
}

void TvxCustomLookAndFeelPainter::DrawArrowBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const {
  SolidFill(ACanvas, R, ButtonColor(AState));
  DrawButtonBorder(ACanvas, R, AState);
}

void TvxCustomLookAndFeelPainter::DrawScrollBarArrow(TvxCanvas* ACanvas, TRect R, TvxButtonState AState,
                                                     TvxArrowDirection AArrowDirection) const {
  if (AState == vxbsPressed) OffsetRect(&R, ButtonTextShift(), ButtonTextShift());
  TvxArrowPoints p;
  CalculateArrowPoints(R, p, AArrowDirection, true);
  if (AState == vxbsDisabled) {
    // Embossed: a highlight copy one pixel right and down under the shadow-coloured arrow.
    FilledTriangle(ACanvas, p, clBtnHighlight, 1, 1);
    FilledTriangle(ACanvas, p, clBtnShadow);
  } else {
    FilledTriangle(ACanvas, p, ButtonSymbolColor(AState, clDefault));
  }
}

TRect TvxCustomLookAndFeelPainter::ButtonFocusRect(TvxCanvas*, const TRect& R) const {
  const TRect result = Deflated(R, 4);
  return vxRectHasNoArea(result) ? R : result;
}

TRect TvxCustomLookAndFeelPainter::ButtonGroupBorderSizes(Integer, Integer) const {
  const Integer size = ButtonBorderSize(vxbsNormal);
  return TRect{size, size, size, size};
}

TColor TvxCustomLookAndFeelPainter::ButtonSymbolColor(TvxButtonState AState, TColor ADefaultColor) const {
  if (AState == vxbsDisabled) return clBtnShadow;
  return ADefaultColor == clDefault ? clBtnText : ADefaultColor;
}

void TvxCustomLookAndFeelPainter::DrawButton(TvxCanvas* ACanvas, const TRect& R, const String& ACaption,
                                             TvxButtonState AState, bool ADrawBorder, TColor AColor,
                                             TColor ATextColor, bool AWordWrap, bool) const {
  TRect r = R;
  if (ADrawBorder) {
    DrawButtonBorder(ACanvas, r, AState);
    const Integer size = ButtonBorderSize(AState);
    InflateRect(&r, -size, -size);
  }
  SolidFill(ACanvas, r, AColor == clDefault ? ButtonColor(AState) : AColor);
  ACanvas->Font()->SetColor(ATextColor == clDefault ? ButtonSymbolColor(AState, clDefault) : ATextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  // An even height centres the caption the same way in every button; low buttons gain a row.
  r.bottom -= (r.bottom - r.top) % 2;
  if (r.bottom - r.top < 18) r.top -= 1;
  if (AState == vxbsPressed) OffsetRect(&r, ButtonTextShift(), ButtonTextShift());
  if (!ACaption.empty())
    ACanvas->DrawTexT(ACaption, r,
                      vxtfCenterX | vxtfCenterY | vxtfShowPrefix | (AWordWrap ? vxtfWordBreak : vxtfSingleLine),
                      AState != vxbsDisabled);
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TvxCustomLookAndFeelPainter::DrawButtonInGroup(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState,
                                                    Integer, Integer, TColor) const {
  DrawButton(ACanvas, R, String(), AState, true, clDefault, clDefault, false, false);
}

void TvxCustomLookAndFeelPainter::DrawButtonCross(TvxCanvas* ACanvas, const TRect& R, TColor AColor,
                                                  TvxButtonState AState) const {
  Integer a = FilterCloseButtonSize().x / 2;
  if (a % 2 == 0) --a;
  Integer x = (R.left + R.right - a) / 2, y = (R.top + R.bottom - a) / 2;
  if (AState == vxbsPressed) {
    ++x;
    ++y;
  }
  ACanvas->Pen()->SetColor(AColor);
  // Each diagonal twice, the second one pixel to the right: a two-pixel-thick cross.
  for (Integer dx = 0; dx < 2; ++dx) {
    Line(ACanvas, x + dx, y, x + dx + a, y + a);
    Line(ACanvas, x + dx + a - 1, y, x + dx - 1, y + a);
  }
}

// --- Base painter: expand buttons --------------------------------------------------------------

namespace {

// Two chevrons, each two pixels thick, pointing up when expanded and down when collapsed.
void DrawDoubleChevron(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor) {
  ACanvas->Pen()->SetColor(AColor);
  const Integer x = (R.left + R.right - 7) / 2;
  Integer y0 = (R.top + R.bottom - 8) / 2;
  if (AExpanded) y0 += 3;
  const Integer s = AExpanded ? -1 : 1;  // towards the apex
  for (Integer chevron = 0; chevron < 2; ++chevron) {
    const Integer row = y0 + 4 * chevron;
    for (Integer line = 0; line < 2; ++line) {
      const Integer base = row + line;
      // The line nearer the apex side of the pair is the inner one.
      const Integer k = (AExpanded ? line == 1 : line == 0) ? 1 : 0;
      ACanvas->MoveTo(x + k, base + s * k);
      ACanvas->LineTo(x + 3, base + 3 * s);
      ACanvas->LineTo(x + 7 - k, base - s + s * k);
    }
  }
}

}  // namespace

void TvxCustomLookAndFeelPainter::DrawExpandButtonEx(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState,
                                                     bool AExpanded) const {
  DrawButton(ACanvas, R, String(), AState);
  DrawDoubleChevron(ACanvas, R, AExpanded, ButtonSymbolColor(AState, clDefault));
}

void TvxCustomLookAndFeelPainter::DrawGroupExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                        TvxButtonState AState) const {
  DrawButton(ACanvas, R, String(), AState);
  DrawDoubleChevron(ACanvas, R, AExpanded, ButtonSymbolColor(AState, clDefault));
}

void TvxCustomLookAndFeelPainter::DrawExpandSign(TvxCanvas* ACanvas, const TRect& R, bool AExpanded) {
  const Integer cx = (R.left + R.right) / 2, cy = (R.top + R.bottom) / 2;
  const Integer h = (R.right - R.left - 4) / 2;
  ACanvas->Pen()->SetColor(clBtnText);
  Line(ACanvas, cx - h, cy, cx + h + 1, cy);
  if (!AExpanded) Line(ACanvas, cx, cy - h, cx, cy + h + 1);
}

void TvxCustomLookAndFeelPainter::DrawSmallExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                        TColor ABorderColor, TColor AColor) const {
  ACanvas->FrameRect(R, ABorderColor, 1, vxBordersAll, false);
  if (AColor != clDefault) SolidFill(ACanvas, Deflated(R, 1), AColor);
  DrawExpandSign(ACanvas, R, AExpanded);
}

bool TvxCustomLookAndFeelPainter::IsPointOverGroupExpandButton(const TRect& R, const TPoint& P) const {
  return PtInRect(&R, P);
}

// --- Base painter: check boxes and label lines ------------------------------------------------

TColor TvxCustomLookAndFeelPainter::CheckButtonColor(TvxButtonState AState) const {
  return AState == vxbsPressed || AState == vxbsDisabled ? clBtnFace : clWindow;
}

TSize TvxCustomLookAndFeelPainter::CheckButtonSize() const { return FCheckButtonSize; }

void TvxCustomLookAndFeelPainter::DrawCheck(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState, bool AChecked,
                                            TColor AColor) const {
  if (ACanvas->Brush()->Style() == bsSolid) ACanvas->FillRect(R, CheckButtonColor(AState));
  if (!AChecked) return;
  ACanvas->Pen()->SetColor(AColor);
  const Integer w = R.right - R.left - 2, h = R.bottom - R.top - 4;
  const Integer x0 = (R.left + R.right) / 2 - 1;
  for (Integer i = 0; i < 3; ++i) {
    const Integer y = (R.top + R.bottom + h) / 2 - 2 + i;
    ACanvas->MoveTo(x0 - w / 2 + 1, y - h / 2);
    ACanvas->LineTo(x0, y);
    ACanvas->LineTo(x0 + w / 2 + 2, y - h);
  }
}

void TvxCustomLookAndFeelPainter::DrawCheckButton(TvxCanvas* ACanvas, TRect R, TvxButtonState AState,
                                                  bool AChecked) const {
  DrawCheckButton(ACanvas, R, AState, AChecked ? cbsChecked : cbsUnchecked);
}

void TvxCustomLookAndFeelPainter::DrawCheckButton(TvxCanvas* ACanvas, TRect R, TvxButtonState AState,
                                                  TvxCheckBoxState ACheckState) const {
  DrawCheckBorder(ACanvas, R, AState);
  InflateRect(&R, -CheckBorderSize(), -CheckBorderSize());
  const bool gray = AState == vxbsDisabled || ACheckState == cbsGrayed;
  DrawCheck(ACanvas, R, AState, ACheckState == cbsChecked, gray ? clGrayText : clBtnText);
}

void TvxCustomLookAndFeelPainter::DrawLabelLine(TvxCanvas* ACanvas, const TRect& R, TColor AOuterColor,
                                                TColor AInnerColor, bool AIsVertical) const {
  ACanvas->DrawComplexFrame(R, AOuterColor == clDefault ? clBtnShadow : AOuterColor,
                            AInnerColor == clDefault ? clBtnHighlight : AInnerColor,
                            AIsVertical ? TvxBorders{bLeft, bRight} : TvxBorders{bTop, bBottom}, 1);
}

// --- Base painter: headers ----------------------------------------------------------------------

void TvxCustomLookAndFeelPainter::DrawHeader(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                             TvxNeighbors ANeighbors, TvxBorders ABorders, TvxButtonState AState,
                                             TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
                                             bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                             TFont* AFont, TColor ATextColor, TColor ABkColor,
                                             const TvxDrawBackgroundEvent& AOnDrawBackground, bool, bool) const {
  DrawHeaderBorder(ACanvas, ABounds, ANeighbors, ABorders);
  DrawContent(ACanvas, HeaderContentBounds(ABounds, ABorders), ATextAreaBounds, AState, AAlignmentHorz,
              AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, AOnDrawBackground,
              false);
}

void TvxCustomLookAndFeelPainter::DrawHeaderEx(TvxCanvas* ACanvas, const TRect& ABounds,
                                               const TRect& ATextAreaBounds, TvxNeighbors ANeighbors,
                                               TvxBorders ABorders, TvxButtonState AState, TAlignment AAlignmentHorz,
                                               TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                                               bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                               TColor ATextColor, TColor ABkColor,
                                               const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState, AAlignmentHorz, AAlignmentVert,
             AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, AOnDrawBackground, false, false);
}

void TvxCustomLookAndFeelPainter::DrawHeaderControlSection(
    TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TvxNeighbors, TvxBorders ABorders,
    TvxButtonState AState, TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert, bool AMultiLine,
    bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor) const {
  DrawHeaderControlSectionBorder(ACanvas, ABounds, ABorders, AState);
  DrawHeaderControlSectionContent(ACanvas, HeaderControlSectionContentBounds(ABounds, AState), ATextAreaBounds,
                                  AState, AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont,
                                  ATextColor, ABkColor);
}

void TvxCustomLookAndFeelPainter::DrawHeaderControlSectionContent(
    TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TvxButtonState AState,
    TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
    const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor) const {
  SolidFill(ACanvas, ABounds, ABkColor);
  DrawHeaderControlSectionText(ACanvas, ATextAreaBounds, AState, AAlignmentHorz, AAlignmentVert, AMultiLine,
                               AShowEndEllipsis, AText, AFont, ATextColor);
}

void TvxCustomLookAndFeelPainter::DrawHeaderControlSectionText(TvxCanvas* ACanvas, const TRect& ATextAreaBounds,
                                                               TvxButtonState AState, TAlignment AAlignmentHorz,
                                                               TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                                                               bool AShowEndEllipsis, const String& AText,
                                                               TFont* AFont, TColor ATextColor) const {
  ACanvas->Brush()->SetStyle(bsClear);
  if (!AText.empty()) {
    if (AFont) ACanvas->SetFont(AFont);
    auto draw = [&](const TRect& R, TColor AColor) {
      ACanvas->Font()->SetColor(AColor);
      ACanvas->DrawTexT(AText, R, AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis);
    };
    if (AState == vxbsDisabled) {
      TRect shifted = ATextAreaBounds;
      OffsetRect(&shifted, 1, 1);
      draw(shifted, clBtnHighlight);
      draw(ATextAreaBounds, clBtnShadow);
    } else {
      draw(ATextAreaBounds, ATextColor);
    }
  }
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TvxCustomLookAndFeelPainter::DrawHeaderSeparator(TvxCanvas* ACanvas, const TRect& ABounds, Integer AIndentSize,
                                                      TColor AColor, TvxViewParams& AViewParams) const {
  TRect strip = ABounds;
  strip.right = strip.left + AIndentSize;
  ACanvas->FillRect(strip, AViewParams);
  strip = ABounds;
  strip.left = strip.right - AIndentSize;
  ACanvas->FillRect(strip, AViewParams);
  TRect rest = ABounds;
  InflateRect(&rest, -AIndentSize, 0);
  SolidFill(ACanvas, rest, AColor);
}

TRect TvxCustomLookAndFeelPainter::HeaderBounds(const TRect& ABounds, TvxNeighbors ANeighbors,
                                                TvxBorders ABorders) const {
  TRect result = ABounds;
  const TvxBorders grow = ABorders - HeaderBorders(ANeighbors);
  const Integer size = HeaderBorderSize();
  if (grow.Contains(bLeft)) result.left -= size;
  if (grow.Contains(bTop)) result.top -= size;
  if (grow.Contains(bRight)) result.right += size;
  if (grow.Contains(bBottom)) result.bottom += size;
  return result;
}

TRect TvxCustomLookAndFeelPainter::HeaderContentBounds(const TRect& ABounds, TvxBorders ABorders) const {
  TRect result = ABounds;
  const Integer size = HeaderBorderSize();
  if (ABorders.Contains(bLeft)) result.left += size;
  if (ABorders.Contains(bTop)) result.top += size;
  if (ABorders.Contains(bRight)) result.right -= size;
  if (ABorders.Contains(bBottom)) result.bottom -= size;
  return result;
}

TRect TvxCustomLookAndFeelPainter::HeaderControlSectionTextAreaBounds(TRect& ABounds, TvxButtonState AState) const {
  TRect result = ABounds;
  if (AState == vxbsPressed) OffsetRect(&result, 1, 1);
  return result;
}

TRect TvxCustomLookAndFeelPainter::HeaderControlSectionContentBounds(const TRect& ABounds,
                                                                     TvxButtonState AState) const {
  return Deflated(ABounds, HeaderControlSectionBorderSize(AState));
}

Integer TvxCustomLookAndFeelPainter::HeaderWidth(TvxCanvas* ACanvas, TvxBorders ABorders, const String& AText,
                                                 TFont* AFont) const {
  if (AFont) ACanvas->SetFont(AFont);
  Integer result = ACanvas->TextWidth(AText) + 4;
  if (ABorders.Contains(bLeft)) result += HeaderBorderSize();
  // The right border is subtracted, not added: a deliberate quirk that column widths
  // measured by the grids rely on, so a header with both borders is text width + 4.
  if (ABorders.Contains(bRight)) result -= HeaderBorderSize();
  return result;
}

void TvxCustomLookAndFeelPainter::DrawSortingArrow(TvxCanvas* ACanvas, const TRect& R, bool AAscendingSorting,
                                                   TColor AColor1, TColor AColor2) const {
  const TPoint size = SortingMarkSize();
  const Integer w = size.x, h = size.y;
  const Integer s = AAscendingSorting ? 1 : -1;
  const Integer x = (R.left + R.right) / 2 - (w % 2 == 0 ? 1 : 0);
  const Integer y = AAscendingSorting ? (R.top + R.bottom - h) / 2 : (R.top + R.bottom + h) / 2 - 1;
  const Integer hw = w / 2;
  const Integer hl = w % 2 == 0 ? hw - 1 : hw;
  ACanvas->Pen()->SetColor(AColor1);
  ACanvas->MoveTo(x + hw, y + (h - 2) * s);
  ACanvas->LineTo(x + hw - hl, y);
  ACanvas->LineTo(x + hw, y + (h - 1) * s);
  ACanvas->Pen()->SetColor(AAscendingSorting ? AColor1 : AColor2);
  ACanvas->LineTo(x - hl, y + (h - 1) * s);
  ACanvas->Pen()->SetColor(AColor2);
  ACanvas->LineTo(x, y);
  ACanvas->LineTo(x - hl, y + (h - (w % 2)) * s);
}

// --- Base painter: footers, filter, indicator, scroll bars ------------------------------------

void TvxCustomLookAndFeelPainter::DrawFooterCell(TvxCanvas* ACanvas, const TRect& ABounds, TAlignment AAlignmentHorz,
                                                 TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                                                 const String& AText, TFont* AFont, TColor ATextColor,
                                                 TColor ABkColor,
                                                 const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  DrawFooterCellBorder(ACanvas, ABounds);
  DrawFooterCellContent(ACanvas, ABounds, AAlignmentHorz, AAlignmentVert, AMultiLine, AText, AFont, ATextColor,
                        ABkColor, AOnDrawBackground);
}

void TvxCustomLookAndFeelPainter::DrawFooterCellContent(TvxCanvas* ACanvas, const TRect& ABounds,
                                                        TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
                                                        bool AMultiLine, const String& AText, TFont* AFont,
                                                        TColor ATextColor, TColor ABkColor,
                                                        const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  DrawContent(ACanvas, FooterCellContentBounds(ABounds), FooterCellTextAreaBounds(ABounds), vxbsDefault,
              AAlignmentHorz, AAlignmentVert, AMultiLine, false, AText, AFont, ATextColor, ABkColor,
              AOnDrawBackground, true);
}

void TvxCustomLookAndFeelPainter::DrawFooterContent(TvxCanvas* ACanvas, const TRect& ARect,
                                                    const TvxViewParams& AViewParams) const {
  if (!vxRectHasNoArea(ARect)) ACanvas->FillRect(ARect, AViewParams);
}

void TvxCustomLookAndFeelPainter::DrawFooterPanel(TvxCanvas* ACanvas, const TRect& ABounds,
                                                  const TvxViewParams& AViewParams, TvxBorders ABorders) const {
  TvxClipRegionScope clip(ACanvas);
  ACanvas->IntersectClipRect(ABounds);
  DrawFooterContent(ACanvas, ABounds, AViewParams);
  DrawFooterBorderWithSeparator(ACanvas, ABounds, ABorders);
}

void TvxCustomLookAndFeelPainter::DrawFilterCloseButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) const {
  DrawButtonBorder(ACanvas, R, AState);
  const Integer size = ButtonBorderSize(vxbsNormal);
  InflateRect(&R, -size, -size);
  SolidFill(ACanvas, R, ButtonColor(AState));
  DrawButtonCross(ACanvas, R, ButtonSymbolColor(AState, clDefault), ButtonSymbolState(AState));
}

void TvxCustomLookAndFeelPainter::DrawIndicatorCustomizationMark(TvxCanvas* ACanvas, const TRect& R,
                                                                 TColor AColor) const {
  ACanvas->Pen()->SetColor(AColor);
  const Integer w = R.right - R.left - 6;
  const Integer y0 = (R.top + R.bottom - 9) / 2;
  for (Integer i = 0; i < 5; ++i) {
    const Integer row = y0 + 2 * i;
    Line(ACanvas, R.left + 5, row, R.left + 3 + w, row);
    if (i % 2 == 0) ACanvas->SetPixel(R.left + 3, row, AColor);
  }
}

void TvxCustomLookAndFeelPainter::DrawIndicatorImage(TvxCanvas* ACanvas, const TRect& R,
                                                     TvxIndicatorKind AKind) const {
  if (AKind == ikNone || !FIndicatorImages) return;
  const Integer x = (R.left + R.right - FIndicatorImages->Width()) / 2;
  const Integer y = (R.top + R.bottom - FIndicatorImages->Height()) / 2;
  ACanvas->DrawImage(FIndicatorImages, x, y, static_cast<Integer>(AKind) - 1, true);
}

void TvxCustomLookAndFeelPainter::DrawIndicatorItem(TvxCanvas* ACanvas, const TRect& R, TvxIndicatorKind AKind,
                                                    TColor AColor,
                                                    const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  DrawHeader(ACanvas, R, R, TvxNeighbors{}, HeaderBorders(TvxNeighbors{nTop, nBottom}), vxbsNormal, taLeftJustify,
             vaTop, false, false, String(), nullptr, clNone, AColor, AOnDrawBackground, false, false);
  DrawIndicatorImage(ACanvas, R, AKind);
}

void TvxCustomLookAndFeelPainter::DrawIndicatorItemEx(TvxCanvas* ACanvas, const TRect& R, TvxIndicatorKind AKind,
                                                      TColor AColor,
                                                      const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  DrawHeaderEx(ACanvas, R, R, TvxNeighbors{}, vxBordersAll, vxbsNormal, taLeftJustify, vaTop, false, false,
               String(), nullptr, clNone, AColor, AOnDrawBackground);
  DrawIndicatorImage(ACanvas, R, AKind);
}

void TvxCustomLookAndFeelPainter::DrawScrollBarBackground(TvxCanvas* ACanvas, const TRect& R,
                                                          bool AHorizontal) const {
  TRect r = R;
  DrawScrollBarPart(ACanvas, AHorizontal, r, sbpPageUp, vxbsNormal);
}

TSize TvxCustomLookAndFeelPainter::SizeGripSize() const {
  return TSize{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
}

void TvxCustomLookAndFeelPainter::DrawSizeGrip(TvxCanvas* ACanvas, const TRect& ARect,
                                               TColor ABackgroundColor) const {
  SolidFill(ACanvas, ARect, ABackgroundColor);
  TRect r = ARect;
  DrawFrameControl(ACanvas->Handle(), &r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

TvxArrowDirection TvxCustomLookAndFeelPainter::GetArrowDirection(bool AHorizontal, TvxScrollBarPart APart) {
  if (AHorizontal) return APart == sbpLineUp ? adLeft : adRight;
  return APart == sbpLineUp ? adUp : adDown;
}

// --- Base painter: scheduler, month header, clock ---------------------------------------------

void TvxCustomLookAndFeelPainter::SchedulerNavigationButtonSizes(bool AIsNextButton, TRect& ABorders,
                                                                 TSize& AArrowSize, bool& AHasTextArea) const {
  ABorders = AIsNextButton ? TRect{2, 6, 0, 6} : TRect{0, 6, 2, 6};
  AArrowSize = TSize{7, 7};
  AHasTextArea = true;
}

void TvxCustomLookAndFeelPainter::CalculateSchedulerNavigationButtonRects(
    bool AIsNextButton, bool ACollapsed, TSize APrevButtonTextSize, TSize ANextButtonTextSize, TRect& ABounds,
    TRect& ATextRect, TRect& AArrowRect) const {
  TRect borders;
  TSize arrow;
  bool hasTextArea = false;
  SchedulerNavigationButtonSizes(AIsNextButton, borders, arrow, hasTextArea);
  const Integer a = 3 * arrow.cy;
  if (ACollapsed || !hasTextArea) {
    ATextRect = TRect{0, 0, 0, 0};
    ABounds.top = (ABounds.top + ABounds.bottom - borders.top - borders.bottom - a) / 2;
    ABounds.bottom = ABounds.top + a + borders.top + borders.bottom;
    AArrowRect = vxRectCenteredIn(ABounds, arrow.cx, arrow.cy);
    return;
  }
  const TRect inner{ABounds.left + borders.left, ABounds.top + borders.top, ABounds.right - borders.right,
                    ABounds.bottom - borders.bottom};
  AArrowRect = vxRectCenteredIn(TRect{inner.left, inner.top, inner.right, inner.top + a}, arrow.cx, arrow.cy);
  ATextRect = inner;
  ATextRect.top = inner.top + a + 5;
  ATextRect.bottom = inner.bottom - 2 * arrow.cy;
  // The caption is drawn rotated: its width has to fit the text rect's height.
  const Integer d = std::max(APrevButtonTextSize.cx, ANextButtonTextSize.cx) - (ATextRect.bottom - ATextRect.top);
  if (d >= 1) {
    OffsetRect(&AArrowRect, 0, -d);
    InflateRect(&ATextRect, 0, d);
    InflateRect(&ABounds, 0, d);
  }
}

void TvxCustomLookAndFeelPainter::DrawMonthHeaderArrows(TvxCanvas* ACanvas, const TRect& ABounds,
                                                        TvxHeaderArrows AArrows, Integer ASideWidth) const {
  TRect r = ABounds;
  r.top += BorderSize();
  InflateRect(&r, 0, -1);
  Integer e = (r.bottom - r.top) / 2;
  if (e % 2 == 0) ++e;
  const Integer y = (r.top + r.bottom - e) / 2 - 1;
  auto arrow = [&](Integer x, Integer outwards) {
    FilledPolygon(ACanvas, {TPoint{x, y}, TPoint{x, y + e + 1}, TPoint{x + outwards * (e / 2 + 1), y + e / 2 + 1}},
                  clWindowText);
  };
  if (AArrows == haLeft || AArrows == haBoth) arrow(r.left + (ASideWidth - 1), -1);
  if (AArrows == haRight || AArrows == haBoth) arrow(r.right - (ASideWidth - 1), 1);
}

void TvxCustomLookAndFeelPainter::DrawMonthHeader(TvxCanvas* ACanvas, const TRect& ABounds, const String& AText,
                                                  TvxNeighbors ANeighbors, const TvxViewParams& AViewParams,
                                                  TvxHeaderArrows AArrows, Integer ASideWidth,
                                                  const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  DrawHeader(ACanvas, ABounds, ABounds, ANeighbors, HeaderBorders(ANeighbors), vxbsNormal, taCenter, vaCenter, false,
             false, AText, AViewParams.Font, AViewParams.TextColor, AViewParams.Color, AOnDrawBackground, false,
             false);
  DrawMonthHeaderArrows(ACanvas, ABounds, AArrows, ASideWidth);
}

void TvxCustomLookAndFeelPainter::DrawSchedulerBorder(TvxCanvas* ACanvas, TRect& R) const {
  TRect r = R;
  DrawBorder(ACanvas, r);
}

void TvxCustomLookAndFeelPainter::DrawSchedulerEventProgress(TvxCanvas* ACanvas, const TRect& ABounds,
                                                             const TRect& AProgress, TvxViewParams& AViewParams,
                                                             bool ATransparent) const {
  const TColor frame = RGB(128, 128, 128);
  if (ATransparent)
    ACanvas->FrameRect(ABounds, frame, 1, vxBordersAll, false);
  else
    ACanvas->FillRect(ABounds, AViewParams, vxBordersAll, frame);
  SolidFill(ACanvas, AProgress, clNavy);
}

void TvxCustomLookAndFeelPainter::DrawSchedulerNavigationButton(TvxCanvas* ACanvas, const TRect& ARect,
                                                                bool AIsNextButton, TvxButtonState AState,
                                                                const String& AText, const TRect& ATextRect,
                                                                const TRect& AArrowRect) const {
  if (vxRectHasNoArea(ATextRect) ||
      SchedulerNavigationButtonTextColor(AIsNextButton, AState, clDefault) == clNone) {
    DrawSchedulerNavigationButtonContent(ACanvas, ARect, AArrowRect, AIsNextButton, AState);
    return;
  }
  // Composed in a bitmap that is turned a quarter clockwise for the caption, so that the
  // caption reads upwards once the bitmap is turned back.
  const Integer w = ARect.right - ARect.left, h = ARect.bottom - ARect.top;
  if (w <= 0 || h <= 0) return;
  const TRect local{0, 0, w, h};
  TBitmap bitmap;
  try {
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(w, h);
  } catch (const EOutOfResources&) {
    // Painting must go on without the bitmap: the button without its caption.
    DrawSchedulerNavigationButtonContent(ACanvas, ARect, AArrowRect, AIsNextButton, AState);
    return;
  }
  bitmap.Canvas()->CopyRect(local, ACanvas->Canvas(), ARect);
  TvxCanvas composed(bitmap.Canvas());
  TRect arrow = AArrowRect;
  OffsetRect(&arrow, -ARect.left, -ARect.top);
  DrawSchedulerNavigationButtonContent(&composed, local, arrow, AIsNextButton, AState);
  composed.RotateBitmap(&bitmap, raMinus90);
  const Integer x = ARect.bottom - ATextRect.bottom, y = ATextRect.left - ARect.left;
  const TRect text{x, y, x + (ATextRect.bottom - ATextRect.top), y + (ATextRect.right - ATextRect.left)};
  TCanvas* target = bitmap.Canvas();
  target->SetFont(ACanvas->Font());
  target->Font()->SetColor(SchedulerNavigationButtonTextColor(AIsNextButton, AState, ACanvas->Font()->Color()));
  target->Brush()->SetStyle(bsClear);
  TvxCanvas(target).DrawTexT(AText, text, vxtfCenterX | vxtfCenterY | vxtfSingleLine);
  composed.RotateBitmap(&bitmap, raPlus90);
  ACanvas->Canvas()->CopyRect(ARect, bitmap.Canvas(), local);
}

void TvxCustomLookAndFeelPainter::DrawSchedulerNavigationButtonArrow(TvxCanvas* ACanvas, const TRect& ARect,
                                                                     bool AIsNextButton, TColor AColor) const {
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->SetBrushColor(AColor);
  const Integer n = (ARect.bottom - ARect.top + 1) / 2;
  const Integer step = AIsNextButton ? 1 : -1;
  Integer x = AIsNextButton ? ARect.left : ARect.right - 2;
  Integer top = ARect.top, bottom = ARect.bottom - 1;
  for (Integer i = 0; i < n; ++i) {
    ACanvas->FillRect(TRect{x, top, x + 2, top + 1}, clDefault);
    ACanvas->FillRect(TRect{x, bottom, x + 2, bottom + 1}, clDefault);
    ++top;
    --bottom;
    x += step;
  }
  const Integer column = AIsNextButton ? ARect.right - 1 : ARect.left;
  ACanvas->FillRect(TRect{column, ARect.top, column + 1, ARect.bottom}, clDefault);
}

namespace {

// The four corners of a clock hand: tip, one side, tail, other side.
std::vector<TPoint> HandPoints(double ACenterX, double ACenterY, double ARadiusX, double ARadiusY, double AAngle,
                               double AWidth, double ALength, double ATail) {
  const double c = std::cos(AAngle), s = std::sin(AAngle);
  auto at = [](double v) { return static_cast<LONG>(std::lround(v)); };
  return {TPoint{at(ACenterX + ARadiusX * ALength * c), at(ACenterY + ARadiusY * ALength * s)},
          TPoint{at(ACenterX - s * AWidth / 2), at(ACenterY + c * AWidth / 2)},
          TPoint{at(ACenterX - ARadiusX * ATail * c), at(ACenterY - ARadiusY * ATail * s)},
          TPoint{at(ACenterX + s * AWidth / 2), at(ACenterY - c * AWidth / 2)}};
}

}  // namespace

void TvxCustomLookAndFeelPainter::DrawClock(TvxCanvas* ACanvas, const TRect& ARect, TDateTime ADateTime,
                                            TColor ABackgroundColor) const {
  constexpr double Pi = 3.14159265358979323846;
  const TColor teal = RGB(0, 128, 128);
  const double cx = (ARect.left + ARect.right) / 2, cy = (ARect.top + ARect.bottom) / 2;
  const double rx = (ARect.right - ARect.left) / 2.0 - 2, ry = (ARect.bottom - ARect.top) / 2.0 - 2;
  // The hour marks stay: each is excluded from the clip before the face is filled.
  for (Integer i = 0; i < 60; i += 5) {
    const double angle = i * 2 * Pi / 60;
    const Integer x = static_cast<Integer>(std::lround(cx + rx * std::cos(angle)));
    const Integer y = static_cast<Integer>(std::lround(cy + ry * std::sin(angle)));
    const TRect mark{x - 1, y - 1, x + 2, y + 2};
    ACanvas->DrawComplexFrame(mark, RGB(0, 255, 255), clBtnText, vxBordersAll, 1);
    ACanvas->SetPixel(x, y, teal);
    ACanvas->ExcludeClipRect(mark);
  }
  SolidFill(ACanvas, ARect, ABackgroundColor);

  const double dayFraction = ADateTime - std::floor(ADateTime);
  const long long seconds = std::llround(dayFraction * 86400.0) % 86400;
  const Integer h = static_cast<Integer>(seconds / 3600), m = static_cast<Integer>(seconds / 60 % 60),
                s = static_cast<Integer>(seconds % 60);
  const double hourAngle = ((h % 12) * 3600 + m * 60 + s - 10800) * 2 * Pi / 43200;
  const double minuteAngle = (m * 60 + s - 900) * 2 * Pi / 3600;
  const double secondAngle = (s - 15) * 2 * Pi / 60;
  FilledPolygon(ACanvas, HandPoints(cx, cy, rx, ry, hourAngle, 9, 0.75, 0.15), teal);
  FilledPolygon(ACanvas, HandPoints(cx, cy, rx, ry, minuteAngle, 7, 0.85, 0.2), teal);
  ACanvas->Pen()->SetColor(clRed);
  Line(ACanvas, static_cast<Integer>(cx), static_cast<Integer>(cy),
       static_cast<Integer>(std::lround(cx + 0.9 * rx * std::cos(secondAngle))),
       static_cast<Integer>(std::lround(cy + 0.9 * ry * std::sin(secondAngle))));
}

// --- Base painter: editors, progress bar, splitter, print preview ------------------------------

void TvxCustomLookAndFeelPainter::DrawDateNavigatorDateHeader(TvxCanvas* ACanvas, TRect& R) const {
  SolidFill(ACanvas, R, DefaultDateNavigatorHeaderColor());
  ACanvas->DrawEdge(R, false, false, vxBordersAll);
  InflateRect(&R, -1, -1);
}

void TvxCustomLookAndFeelPainter::DrawNavigatorGlyph(TvxCanvas* ACanvas, TCustomImageList* AImageList,
                                                     Integer AImageIndex, Integer, const TRect& AGlyphRect,
                                                     bool AEnabled, bool) const {
  if (AImageList) ACanvas->DrawImage(AImageList, AGlyphRect.left, AGlyphRect.top, AImageIndex, AEnabled);
}

namespace {

// Plain text output from the rect's top-left corner, or from its top-right corner turned
// downwards for vertical text.
void ProgressText(TvxCanvas* ACanvas, bool AVertical, const String& AText, const TRect& R) {
  ACanvas->Brush()->SetStyle(bsClear);
  if (AVertical) {
    ACanvas->SetFontAngle(270);
    ACanvas->Canvas()->TextOut(R.right, R.top, AText);
  } else {
    ACanvas->Canvas()->TextOut(R.left, R.top, AText);
  }
}

}  // namespace

void TvxCustomLookAndFeelPainter::DrawProgressBarText(TvxCanvas* ACanvas, bool AVertical, bool ASolid,
                                                      const String& AText, const TRect& ATextRect,
                                                      const TRect&, const TRect& AProgressChunkRect,
                                                      TColor ATextColor) const {
  TCanvasStateScope state(ACanvas);
  ACanvas->Font()->SetColor(ATextColor == clDefault || !ASolid ? ProgressBarTextColor() : ATextColor);
  if (ASolid) {
    ProgressText(ACanvas, AVertical, AText, ATextRect);
    return;
  }
  if (ProgressBarTextColorEx(true) == clDefault) {
    // The text inverts whatever lies beneath it: black text on white is turned into a
    // white-on-black mask and laid over the canvas by XOR.
    const Integer w = ATextRect.right - ATextRect.left, h = ATextRect.bottom - ATextRect.top;
    if (w <= 0 || h <= 0) return;
    TBitmap mask;
    try {
      mask.SetSize(w, h);
    } catch (const EOutOfResources&) {
      // Without the mask the text is at least written once, in the empty area's colour.
      ProgressText(ACanvas, AVertical, AText, ATextRect);
      return;
    }
    TvxCanvas maskCanvas(mask.Canvas());
    SolidFill(&maskCanvas, TRect{0, 0, w, h}, clWhite);
    maskCanvas.SetFont(ACanvas->Font());
    maskCanvas.Font()->SetColor(clBlack);
    ProgressText(&maskCanvas, AVertical, AText, TRect{0, 0, w, h});
    HDC maskDC = mask.Canvas()->Handle();
    PatBlt(maskDC, 0, 0, w, h, DSTINVERT);
    BitBlt(ACanvas->Handle(), ATextRect.left, ATextRect.top, w, h, maskDC, 0, 0, SRCINVERT);
    return;
  }
  TRect filled;
  if (!IntersectRect(&filled, &ATextRect, &AProgressChunkRect)) {
    ACanvas->Font()->SetColor(ProgressBarTextColorEx(false));
    ProgressText(ACanvas, AVertical, AText, ATextRect);
    return;
  }
  // The part over the chunk keeps what lies under it while the whole text is drawn in
  // the colour of the empty area, then gets the text in the colour of the filled area.
  const Integer w = filled.right - filled.left, h = filled.bottom - filled.top;
  TBitmap saved;
  try {
    saved.SetSize(w, h);
  } catch (const EOutOfResources&) {
    // Without the copy the text is at least written once, in the empty area's colour.
    ACanvas->Font()->SetColor(ProgressBarTextColorEx(false));
    ProgressText(ACanvas, AVertical, AText, ATextRect);
    return;
  }
  saved.Canvas()->CopyRect(TRect{0, 0, w, h}, ACanvas->Canvas(), filled);
  ACanvas->Font()->SetColor(ProgressBarTextColorEx(false));
  ProgressText(ACanvas, AVertical, AText, ATextRect);
  ACanvas->Canvas()->CopyRect(filled, saved.Canvas(), TRect{0, 0, w, h});
  TvxClipRegionScope clip(ACanvas);
  ACanvas->IntersectClipRect(filled);
  ACanvas->Font()->SetColor(ProgressBarTextColorEx(true));
  ProgressText(ACanvas, AVertical, AText, ATextRect);
}

void TvxCustomLookAndFeelPainter::DrawSplitter(TvxCanvas* ACanvas, const TRect& ARect, bool AHighlighted, bool,
                                               bool AHorizontal) const {
  const TSize size = GetSplitterSize(AHorizontal);
  const bool thick = AHorizontal ? size.cy > 1 : size.cx > 1;
  Integer fixed, start, end;
  if (AHorizontal) {
    fixed = (ARect.top + ARect.bottom - 1) / 2;
    start = ARect.left;
    end = thick ? ARect.right : ARect.right - 1;
  } else {
    fixed = (ARect.left + ARect.right - 1) / 2;
    start = ARect.top;
    end = ARect.bottom - 1;
  }
  const Integer c = (start + end) / 2;
  // Five pieces with one-pixel gaps at c - 5, c - 2, c + 1 and c + 4.
  const Integer pieces[5][2] = {{start, c - 5}, {c - 4, c - 2}, {c - 1, c + 1}, {c + 2, c + 4}, {c + 5, end}};
  auto draw = [&](TColor AColor, Integer AShift) {
    ACanvas->Pen()->SetColor(AColor);
    for (const auto& piece : pieces) {
      if (piece[1] <= piece[0]) continue;
      if (AHorizontal)
        Line(ACanvas, piece[0] + AShift, fixed + AShift, piece[1] + AShift, fixed + AShift);
      else
        Line(ACanvas, fixed + AShift, piece[0] + AShift, fixed + AShift, piece[1] + AShift);
    }
  };
  draw(GetSplitterOuterColor(AHighlighted), 0);
  if (thick) draw(GetSplitterInnerColor(AHighlighted), 1);
}

void TvxCustomLookAndFeelPainter::DrawPrintPreviewPageBackground(TvxCanvas* ACanvas, const TRect& ABorderRect,
                                                                 const TRect& AContentRect, bool ASelected,
                                                                 bool ADrawContent) const {
  TvxClipRegionScope clip(ACanvas);
  TRect page = ABorderRect;
  page.right -= 2;
  page.bottom -= 2;
  if (ADrawContent) SolidFill(ACanvas, AContentRect, clWindow);
  if (!ASelected) InflateRect(&page, -1, -1);
  ACanvas->ExcludeClipRect(AContentRect);
  SolidFill(ACanvas, page, ASelected ? clHighlight : clWindowText);
  ACanvas->ExcludeClipRect(page);
  OffsetRect(&page, 2, 2);
  SolidFill(ACanvas, page, clWindowText);
}

TColor TvxCustomLookAndFeelPainter::CalcEditButtonTextColor(TvxCalcButtonKind AButtonKind) const {
  switch (AButtonKind) {
    case cbBack:
    case cbCancel:
    case cbClear:
      return clMaroon;
    case cbMC:
    case cbMR:
    case cbMS:
    case cbMP:
    case cbDiv:
    case cbMul:
    case cbSub:
    case cbAdd:
    case cbEqual:
      return clRed;
    case cbSqrt:
    case cbPercent:
    case cbRev:
      return clNavy;
    default:
      return clBlue;  // the digits, sign, decimal point and none
  }
}

// --- Standard painter ------------------------------------------------------------------------

void TvxStandardLookAndFeelPainter::DrawBorder(TvxCanvas* ACanvas, TRect& R) const {
  ACanvas->DrawComplexFrame(R, clBtnShadow, clBtnHighlight, vxBordersAll, 1);
  InflateRect(&R, -1, -1);
  ACanvas->DrawComplexFrame(R, cl3DDkShadow, cl3DLight, vxBordersAll, 1);
}

void TvxStandardLookAndFeelPainter::DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const {
  TRect r = CalculateSeparatorRect(R, BorderSize(), AIsVertical);
  r.right -= 1;
  r.bottom -= 1;
  SolidFill(ACanvas, r, clBtnShadow);
  OffsetRect(&r, 1, 1);
  SolidFill(ACanvas, r, clBtnHighlight);
}

void TvxStandardLookAndFeelPainter::DrawButtonBorder(TvxCanvas* ACanvas, const TRect& R,
                                                     TvxButtonState AState) const {
  TRect r = R;
  TColor color;
  if (AState == vxbsPressed) {
    ACanvas->FrameRect(r, clBlack, 1, vxBordersAll, false);
    color = clBtnShadow;
  } else {
    if (AState == vxbsDefault) {
      ACanvas->FrameRect(r, clBlack, 1, vxBordersAll, false);
      InflateRect(&r, -1, -1);
    }
    ACanvas->DrawComplexFrame(r, clBtnHighlight, cl3DDkShadow, vxBordersAll, 1);
    color = cl3DLight;
  }
  InflateRect(&r, -1, -1);
  ACanvas->DrawComplexFrame(r, color, clBtnShadow, vxBordersAll, 1);
}

void TvxStandardLookAndFeelPainter::DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                     TColor AColor) const {
  TRect r = R;
  ACanvas->DrawEdge(r, false, false, TvxBorders{bLeft, bTop});
  ACanvas->DrawEdge(r, false, true, TvxBorders{bRight, bBottom});
  InflateRect(&r, -1, -1);
  ACanvas->DrawEdge(r, false, false, TvxBorders{bRight, bBottom});
  r.right -= 1;
  r.bottom -= 1;
  SolidFill(ACanvas, r, AColor == clDefault ? clBtnFace : AColor);
  DrawExpandSign(ACanvas, r, AExpanded);
  ACanvas->ExcludeClipRect(R);
}

void TvxStandardLookAndFeelPainter::DrawGroupExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                          TvxButtonState AState) const {
  // The base operation of the Flat class: a one-pixel button frame.
  TvxFlatLookAndFeelPainter::Instance()->TvxCustomLookAndFeelPainter::DrawGroupExpandButton(ACanvas, R, AExpanded,
                                                                                            AState);
}

void TvxStandardLookAndFeelPainter::DrawCheckBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState) const {
  ACanvas->DrawEdge(R, true, false, vxBordersAll);
  ACanvas->DrawEdge(Deflated(R, 1), true, true, vxBordersAll);
}

void TvxStandardLookAndFeelPainter::DrawHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors ANeighbors,
                                                     TvxBorders) const {
  DrawMergingHeaderBorder(ACanvas, R, ANeighbors);
}

void TvxStandardLookAndFeelPainter::DrawHeaderControlSectionBorder(TvxCanvas* ACanvas, const TRect& R,
                                                                   TvxBorders ABorders,
                                                                   TvxButtonState AState) const {
  TRect r = R;
  TColor color = clBtnShadow;
  if (AState != vxbsPressed) {
    ACanvas->DrawComplexFrame(r, clBtnHighlight, cl3DDkShadow, ABorders, 1);
    InflateRect(&r, -1, -1);
    color = cl3DLight;
  }
  ACanvas->DrawComplexFrame(r, color, clBtnShadow, ABorders, 1);
}

void TvxStandardLookAndFeelPainter::DrawSortingMark(TvxCanvas* ACanvas, const TRect& R,
                                                    bool AAscendingSorting) const {
  DrawSortingArrow(ACanvas, R, AAscendingSorting, clBtnHighlight, clBtnShadow);
}

void TvxStandardLookAndFeelPainter::DrawFooterBorder(TvxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, false, false, vxBordersAll);
}

void TvxStandardLookAndFeelPainter::DrawFooterCellBorder(TvxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, true, true, vxBordersAll);
}

void TvxStandardLookAndFeelPainter::DrawFilterDropDownButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState,
                                                             bool AIsFilterActive) const {
  DrawFilterDropDownFrame(ACanvas, R, AState);
  DrawDropDownArrow(ACanvas, R, AIsFilterActive ? clBlue : clBtnText);
}

void TvxStandardLookAndFeelPainter::DrawTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder,
                                                  TvxBorders ABorders, bool AVertical) const {
  DrawPlainTabBorder(ACanvas, R, ABorder, ABorders, AVertical);
}

void TvxStandardLookAndFeelPainter::DrawTabsRoot(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders,
                                                 bool) const {
  ACanvas->DrawEdge(R, false, false, ABorders);
}

namespace {

// The raised frame of a Standard scroll-bar button; a pressed line button is flat.
void DrawStandardScrollBarButtonBorder(TvxCanvas* ACanvas, TRect R, bool APressedLineButton) {
  if (APressedLineButton) {
    ACanvas->DrawComplexFrame(R, clBtnShadow, clBtnShadow, vxBordersAll, 1);
    InflateRect(&R, -1, -1);
    ACanvas->DrawComplexFrame(R, clBtnFace, clBtnFace, vxBordersAll, 1);
  } else {
    ACanvas->DrawComplexFrame(R, clBtnFace, cl3DDkShadow, vxBordersAll, 1);
    InflateRect(&R, -1, -1);
    ACanvas->DrawComplexFrame(R, clBtnHighlight, clBtnShadow, vxBordersAll, 1);
  }
}

}  // namespace

void TvxStandardLookAndFeelPainter::DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R,
                                                      TvxScrollBarPart APart, TvxButtonState AState) const {
  if (vxRectHasNoArea(R) || (APart == sbpThumbnail && AState == vxbsDisabled)) return;
  if (AState == vxbsHot) AState = vxbsNormal;
  switch (APart) {
    case sbpLineUp:
    case sbpLineDown: {
      const bool pressed = AState == vxbsPressed;
      if (pressed) OffsetRect(&R, 1, 1);
      static const UINT arrows[] = {DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT};
      UINT flags = arrows[GetArrowDirection(AHorizontal, APart)];
      if (AState == vxbsDisabled) flags |= DFCS_INACTIVE;
      if (pressed) flags |= DFCS_FLAT;
      TRect r = R;
      DrawFrameControl(ACanvas->Handle(), &r, DFC_SCROLL, flags);
      if (pressed) OffsetRect(&R, -1, -1);
      DrawStandardScrollBarButtonBorder(ACanvas, R, pressed);
      break;
    }
    case sbpThumbnail: {
      DrawStandardScrollBarButtonBorder(ACanvas, R, false);
      const Integer size = ButtonBorderSize(vxbsNormal);
      InflateRect(&R, -size, -size);
      SolidFill(ACanvas, R, clBtnFace);
      break;
    }
    case sbpPageUp:
    case sbpPageDown:
      FillPagePattern(ACanvas, R, AState);
      break;
    case sbpNone:
      break;
  }
}

void TvxStandardLookAndFeelPainter::DrawMonthHeader(TvxCanvas* ACanvas, const TRect& ABounds, const String& AText,
                                                    TvxNeighbors ANeighbors, const TvxViewParams& AViewParams,
                                                    TvxHeaderArrows AArrows, Integer ASideWidth,
                                                    const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  TvxBorders borders = vxBordersAll;
  const bool left = ANeighbors.Contains(nLeft), right = ANeighbors.Contains(nRight);
  if (left && right)
    borders = TvxBorders{bTop, bBottom};
  else if (right)
    borders = TvxBorders{bLeft, bTop, bBottom};
  else if (left)
    borders = TvxBorders{bTop, bRight, bBottom};
  ACanvas->FrameRect(ABounds, clBlack, 1, borders, false);
  const TRect content = HeaderContentBounds(ABounds, borders);
  DrawHeader(ACanvas, content, content, ANeighbors, vxBordersAll, vxbsNormal, taCenter, vaCenter, false, false,
             AText, AViewParams.Font, AViewParams.TextColor, AViewParams.Color, AOnDrawBackground, false, false);
  DrawMonthHeaderArrows(ACanvas, ABounds, AArrows, ASideWidth);
}

void TvxStandardLookAndFeelPainter::DrawSchedulerSplitterBorder(TvxCanvas* ACanvas, TRect& R,
                                                                const TvxViewParams& AViewParams,
                                                                bool AIsHorizontal) const {
  const TColor pairs[2][2] = {{clBtnFace, cl3DDkShadow}, {clBtnHighlight, clBtnShadow}};
  for (const auto& pair : pairs) {
    if (AIsHorizontal) {
      SolidFill(ACanvas, TRect{R.left, R.top, R.right, R.top + 1}, pair[0]);
      SolidFill(ACanvas, TRect{R.left, R.bottom - 1, R.right, R.bottom}, pair[1]);
      InflateRect(&R, 1, -1);
    } else {
      SolidFill(ACanvas, TRect{R.left, R.top, R.left + 1, R.bottom}, pair[0]);
      SolidFill(ACanvas, TRect{R.right - 1, R.top, R.right, R.bottom}, pair[1]);
      InflateRect(&R, -1, 1);
    }
  }
  ACanvas->FillRect(R, AViewParams);
}

void TvxStandardLookAndFeelPainter::DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool, TvxGroupBoxCaptionPosition,
                                                      TvxBorders ABorders) const {
  TRect r = R;
  r.right -= 1;
  r.bottom -= 1;
  ACanvas->FrameRect(r, clBtnShadow, 1, ABorders, true);
  OffsetRect(&r, 1, 1);
  ACanvas->FrameRect(r, clBtnHighlight, 1, ABorders, true);
}

// --- Flat painter ----------------------------------------------------------------------------

void TvxFlatLookAndFeelPainter::DrawBorder(TvxCanvas* ACanvas, TRect& R) const {
  ACanvas->DrawEdge(R, true, true, vxBordersAll);
}

void TvxFlatLookAndFeelPainter::DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const {
  TvxStandardLookAndFeelPainter::Instance()->DrawSeparator(ACanvas, R, AIsVertical);
}

void TvxFlatLookAndFeelPainter::DrawButtonBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const {
  if (AState == vxbsPressed) {
    ACanvas->DrawComplexFrame(R, clBtnShadow, clBtnHighlight, vxBordersAll, 1);
    return;
  }
  TRect r = R;
  if (AState == vxbsDefault) {
    ACanvas->FrameRect(r, clBlack, 1, vxBordersAll, false);
    InflateRect(&r, -1, -1);
  }
  ACanvas->DrawComplexFrame(r, clBtnHighlight, clBtnShadow, vxBordersAll, 1);
}

void TvxFlatLookAndFeelPainter::DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                 TColor AColor) const {
  DrawButton(ACanvas, R, String(), vxbsNormal, true, AColor, clDefault, false, false);
  DrawExpandSign(ACanvas, Deflated(R, 1), AExpanded);
  ACanvas->ExcludeClipRect(R);
}

void TvxFlatLookAndFeelPainter::DrawCheckBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const {
  ACanvas->DrawEdge(R, true, true, vxBordersAll);
  ACanvas->FrameRect(Deflated(R, 1), CheckButtonColor(AState), 1, vxBordersAll, false);
}

void TvxFlatLookAndFeelPainter::DrawHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors ANeighbors,
                                                 TvxBorders) const {
  DrawMergingHeaderBorder(ACanvas, R, ANeighbors);
}

void TvxFlatLookAndFeelPainter::DrawHeaderControlSectionBorder(TvxCanvas* ACanvas, const TRect& R,
                                                               TvxBorders ABorders, TvxButtonState AState) const {
  if (AState == vxbsPressed)
    ACanvas->DrawComplexFrame(R, clBtnShadow, clBtnHighlight, ABorders, 1);
  else
    ACanvas->DrawComplexFrame(R, clBtnHighlight, clBtnShadow, ABorders, 1);
}

void TvxFlatLookAndFeelPainter::DrawSortingMark(TvxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const {
  DrawSortingArrow(ACanvas, R, AAscendingSorting, clBtnHighlight, clBtnShadow);
}

void TvxFlatLookAndFeelPainter::DrawFooterBorder(TvxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, false, false, vxBordersAll);
}

void TvxFlatLookAndFeelPainter::DrawFooterCellBorder(TvxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, true, true, vxBordersAll);
}

void TvxFlatLookAndFeelPainter::DrawFilterDropDownButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState,
                                                         bool AIsFilterActive) const {
  DrawFilterDropDownFrame(ACanvas, R, AState);
  DrawDropDownArrow(ACanvas, R, AIsFilterActive ? clBlue : clBtnText);
}

void TvxFlatLookAndFeelPainter::DrawTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder, TvxBorders ABorders,
                                              bool AVertical) const {
  DrawPlainTabBorder(ACanvas, R, ABorder, ABorders, AVertical);
}

void TvxFlatLookAndFeelPainter::DrawTabsRoot(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders, bool) const {
  ACanvas->DrawEdge(R, false, false, ABorders);
}

void TvxFlatLookAndFeelPainter::DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R,
                                                  TvxScrollBarPart APart, TvxButtonState AState) const {
  if (vxRectHasNoArea(R) || (APart == sbpThumbnail && AState == vxbsDisabled)) return;
  if (AState == vxbsHot) AState = vxbsNormal;
  switch (APart) {
    case sbpLineUp:
    case sbpLineDown:
    case sbpThumbnail: {
      DrawButton(ACanvas, R, String(), AState);
      const Integer size = ButtonBorderSize(vxbsNormal);
      InflateRect(&R, -size, -size);
      if (APart != sbpThumbnail) DrawScrollBarArrow(ACanvas, R, AState, GetArrowDirection(AHorizontal, APart));
      break;
    }
    case sbpPageUp:
    case sbpPageDown:
      FillPagePattern(ACanvas, R, AState);
      break;
    case sbpNone:
      break;
  }
}

void TvxFlatLookAndFeelPainter::DrawSchedulerSplitterBorder(TvxCanvas* ACanvas, TRect& R,
                                                            const TvxViewParams& AViewParams,
                                                            bool AIsHorizontal) const {
  if (AIsHorizontal) {
    SolidFill(ACanvas, TRect{R.left, R.top, R.right, R.top + 1}, clBtnHighlight);
    SolidFill(ACanvas, TRect{R.left, R.bottom - 1, R.right, R.bottom}, clBtnShadow);
    InflateRect(&R, 1, -1);
  } else {
    SolidFill(ACanvas, TRect{R.left, R.top, R.left + 1, R.bottom}, clBtnHighlight);
    SolidFill(ACanvas, TRect{R.right - 1, R.top, R.right, R.bottom}, clBtnShadow);
    InflateRect(&R, -1, 1);
  }
  ACanvas->FillRect(R, AViewParams);
}

void TvxFlatLookAndFeelPainter::DrawDateNavigatorDateHeader(TvxCanvas* ACanvas, TRect& R) const {
  SolidFill(ACanvas, R, DefaultDateNavigatorHeaderColor());
  ACanvas->FrameRect(R, clBtnFace, 1, TvxBorders{bBottom}, false);
  R.bottom -= 1;
}

void TvxFlatLookAndFeelPainter::DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool, TvxGroupBoxCaptionPosition,
                                                  TvxBorders ABorders) const {
  ACanvas->FrameRect(R, clBtnShadow, 1, ABorders, true);
  ACanvas->FrameRect(Deflated(R, 1), clBtnHighlight, 1, ABorders, true);
}

namespace {

// The top, bottom and outer side of a scheduler navigation button: the right side of the
// previous button, the left side of the next one.
TvxBorders NavigationButtonBorders(bool AIsNextButton) {
  return AIsNextButton ? TvxBorders{bLeft, bTop, bBottom} : TvxBorders{bTop, bRight, bBottom};
}

// One-pixel lines across the ends of a scheduler splitter, the rest filled by the view
// parameters; R becomes the filled rect.
void DrawLinedSplitterBorder(TvxCanvas* ACanvas, TRect& R, const TvxViewParams& AViewParams, bool AIsHorizontal,
                             TColor AColor) {
  if (AIsHorizontal) {
    SolidFill(ACanvas, TRect{R.left, R.top, R.right, R.top + 1}, AColor);
    SolidFill(ACanvas, TRect{R.left, R.bottom - 1, R.right, R.bottom}, AColor);
    InflateRect(&R, 1, -1);
  } else {
    SolidFill(ACanvas, TRect{R.left, R.top, R.left + 1, R.bottom}, AColor);
    SolidFill(ACanvas, TRect{R.right - 1, R.top, R.right, R.bottom}, AColor);
    InflateRect(&R, -1, 1);
  }
  ACanvas->FillRect(R, AViewParams);
}

}  // namespace

// --- UltraFlat painter -----------------------------------------------------------------------

void TvxUltraFlatLookAndFeelPainter::DrawFooterBorderWithSeparator(TvxCanvas* ACanvas, const TRect& R,
                                                                   TvxBorders ABorders) const {
  ACanvas->FrameRect(R, FooterSeparatorColor(), FooterSeparatorSize(), ABorders, false);
}

void TvxUltraFlatLookAndFeelPainter::DrawSchedulerNavigationButtonContent(TvxCanvas* ACanvas, const TRect& R,
                                                                          const TRect& AArrowRect,
                                                                          bool AIsNextButton,
                                                                          TvxButtonState AState) const {
  SolidFill(ACanvas, R, clBtnFace);
  const TColor color = AState == vxbsHot ? BorderShadowColor() : BorderDarkColor();
  ACanvas->DrawComplexFrame(R, color, color, NavigationButtonBorders(AIsNextButton), 1);
  DrawSchedulerNavigationButtonArrow(ACanvas, AArrowRect, AIsNextButton, ButtonSymbolColor(AState, clDefault));
}

void TvxUltraFlatLookAndFeelPainter::DrawBorder(TvxCanvas* ACanvas, TRect& R) const {
  ACanvas->FrameRect(R, clBtnShadow, 1, vxBordersAll, false);
}

void TvxUltraFlatLookAndFeelPainter::DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const {
  SolidFill(ACanvas, CalculateSeparatorRect(R, 1, AIsVertical), clBtnShadow);
}

TColor TvxUltraFlatLookAndFeelPainter::ButtonColor(TvxButtonState AState) const {
  switch (AState) {
    case vxbsHot:
      return vxGetLightHotColor();
    case vxbsPressed:
      return vxGetLightPressedColor();
    default:
      return clBtnFace;
  }
}

TRect TvxUltraFlatLookAndFeelPainter::ButtonFocusRect(TvxCanvas*, const TRect& R) const {
  const TRect result = Deflated(R, 3);
  return vxRectHasNoArea(result) ? R : result;
}

TRect TvxUltraFlatLookAndFeelPainter::ButtonGroupBorderSizes(Integer AButtonCount, Integer AButtonIndex) const {
  TRect result{1, 2, 1, 2};
  if (AButtonIndex == 0)
    result.left = 2;
  else if (AButtonIndex == AButtonCount - 1)
    result.right = 2;
  return result;
}

TColor TvxUltraFlatLookAndFeelPainter::ButtonSymbolColor(TvxButtonState AState, TColor ADefaultColor) const {
  if (AState == vxbsPressed) return clHighlightText;
  return TvxCustomLookAndFeelPainter::ButtonSymbolColor(AState, ADefaultColor);
}

void TvxUltraFlatLookAndFeelPainter::DrawButtonInGroup(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState,
                                                       Integer AButtonCount, Integer AButtonIndex,
                                                       TColor ABackgroundColor) const {
  TRect r = R;
  r.top += 1;
  r.bottom -= 1;
  if (AButtonIndex == 0) r.left += 1;
  if (AButtonIndex == AButtonCount - 1) r.right -= 1;
  if (AState == vxbsHot || AState == vxbsPressed) {
    if (AButtonIndex > 0) {
      SolidFill(ACanvas, TRect{r.left, r.top, r.left + 1, r.bottom}, BorderHighlightColor());
      r.left += 1;
    }
    if (AButtonIndex < AButtonCount - 1) {
      SolidFill(ACanvas, TRect{r.right - 1, r.top, r.right, r.bottom}, BorderHighlightColor());
      r.right -= 1;
    }
  } else {
    ACanvas->FrameRect(r, ABackgroundColor, 1, vxBordersAll, false);
    InflateRect(&r, -1, -1);
  }
  SolidFill(ACanvas, r, ButtonColor(AState));
}

void TvxUltraFlatLookAndFeelPainter::DrawButtonBorder(TvxCanvas* ACanvas, const TRect& R,
                                                      TvxButtonState AState) const {
  if (AState == vxbsDefault) {
    ACanvas->FrameRect(R, clWindowFrame, 1, vxBordersAll, false);
    ACanvas->FrameRect(Deflated(R, 1), clWindowFrame, 1, vxBordersAll, false);
    return;
  }
  const TColor color = AState == vxbsNormal ? clBtnText : (AState == vxbsDisabled ? clBtnShadow : clHighlight);
  ACanvas->FrameRect(R, color, 1, vxBordersAll, false);
}

void TvxUltraFlatLookAndFeelPainter::DrawButtonGroupBorder(TvxCanvas* ACanvas, const TRect& R, bool AInplace,
                                                           bool ASelected) const {
  const TColor color = AInplace ? clBtnText : (ASelected ? BorderHighlightColor() : clBtnShadow);
  ACanvas->FrameRect(R, color, 1, vxBordersAll, false);
}

void TvxUltraFlatLookAndFeelPainter::DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                      TColor AColor) const {
  ACanvas->FrameRect(R, clBtnShadow, 1, vxBordersAll, false);
  const TRect r = Deflated(R, 1);
  SolidFill(ACanvas, r, AColor == clDefault ? clBtnFace : AColor);
  DrawExpandSign(ACanvas, r, AExpanded);
  ACanvas->ExcludeClipRect(R);
}

void TvxUltraFlatLookAndFeelPainter::DrawCheckBorder(TvxCanvas* ACanvas, const TRect& R,
                                                     TvxButtonState AState) const {
  ACanvas->FrameRect(R, clBtnText, 1, vxBordersAll, false);
  ACanvas->FrameRect(Deflated(R, 1), CheckButtonColor(AState), 1, vxBordersAll, false);
}

void TvxUltraFlatLookAndFeelPainter::DrawHeaderEx(TvxCanvas* ACanvas, const TRect& ABounds,
                                                  const TRect& ATextAreaBounds, TvxNeighbors ANeighbors,
                                                  TvxBorders ABorders, TvxButtonState AState,
                                                  TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
                                                  bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                  TFont* AFont, TColor ATextColor, TColor ABkColor,
                                                  const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  DrawContent(ACanvas, ABounds, Deflated(ATextAreaBounds, 1), AState, AAlignmentHorz, AAlignmentVert, AMultiLine,
              AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, AOnDrawBackground, false);
  DrawHeaderBorder(ACanvas, Deflated(ABounds, 1), ANeighbors, ABorders);
}

void TvxUltraFlatLookAndFeelPainter::DrawHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors,
                                                      TvxBorders ABorders) const {
  if (ABorders.Contains(bLeft)) SolidFill(ACanvas, TRect{R.left, R.top, R.left + 1, R.bottom}, clBtnText);
  if (ABorders.Contains(bTop)) SolidFill(ACanvas, TRect{R.left, R.top, R.right, R.top + 1}, clBtnText);
  SolidFill(ACanvas, TRect{R.right - 1, R.top, R.right, R.bottom}, clBtnText);
  SolidFill(ACanvas, TRect{R.left, R.bottom - 1, R.right, R.bottom}, clBtnText);
}

void TvxUltraFlatLookAndFeelPainter::DrawHeaderControlSectionBorder(TvxCanvas* ACanvas, const TRect& R,
                                                                    TvxBorders ABorders,
                                                                    TvxButtonState AState) const {
  const TColor color = AState == vxbsDisabled ? clBtnShadow : clBlack;
  ACanvas->DrawComplexFrame(R, color, color, ABorders, 1);
}

void TvxUltraFlatLookAndFeelPainter::DrawHeaderControlSectionContent(
    TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TvxButtonState AState,
    TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
    const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor) const {
  const bool marked = AState == vxbsHot || AState == vxbsPressed || AState == vxbsDisabled;
  SolidFill(ACanvas, ABounds, marked ? ButtonColor(AState) : ABkColor);
  ACanvas->Font()->SetColor(ATextColor);
  DrawHeaderControlSectionText(ACanvas, ATextAreaBounds, AState, AAlignmentHorz, AAlignmentVert, AMultiLine,
                               AShowEndEllipsis, AText, AFont, ATextColor);
}

void TvxUltraFlatLookAndFeelPainter::DrawSortingMark(TvxCanvas* ACanvas, const TRect& R,
                                                     bool AAscendingSorting) const {
  DrawSortingArrow(ACanvas, R, AAscendingSorting, clBtnShadow, clBtnShadow);
}

TvxBorders TvxUltraFlatLookAndFeelPainter::HeaderBorders(TvxNeighbors ANeighbors) const {
  TvxBorders result = vxBordersAll;
  if (ANeighbors.Contains(nLeft)) result.Exclude(bLeft);
  if (ANeighbors.Contains(nTop)) result.Exclude(bTop);
  return result;
}

void TvxUltraFlatLookAndFeelPainter::DrawFooterBorder(TvxCanvas* ACanvas, const TRect& R) const {
  DrawFooterBorderWithSeparator(ACanvas, R, TvxBorders{bRight, bBottom});
}

void TvxUltraFlatLookAndFeelPainter::DrawFooterCellBorder(TvxCanvas* ACanvas, const TRect& R) const {
  ACanvas->FrameRect(R, FooterSeparatorColor(), 1, vxBordersAll, false);
}

void TvxUltraFlatLookAndFeelPainter::DrawFilterDropDownButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState,
                                                              bool AIsFilterActive) const {
  ACanvas->FrameRect(R, ButtonStateBorderColor(AState), 1, vxBordersAll, false);
  InflateRect(&R, -1, -1);
  SolidFill(ACanvas, R, ButtonColor(AState));
  DrawDropDownArrow(ACanvas, R, AIsFilterActive ? clBlue : ButtonSymbolColor(AState, clDefault));
}

void TvxUltraFlatLookAndFeelPainter::DrawTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder, TvxBorders,
                                                   bool AVertical) const {
  TColor color = BorderShadowColor();
  if (!AVertical && ABorder == bRight) {
    R.bottom -= TabBorderSize(AVertical);
    color = BorderDarkColor();
  } else if (AVertical && ABorder == bBottom) {
    color = BorderDarkColor();
  }
  SolidFill(ACanvas, R, color);
}

void TvxUltraFlatLookAndFeelPainter::DrawTabsRoot(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders,
                                                  bool AVertical) const {
  ACanvas->DrawComplexFrame(R, BorderShadowColor(), BorderShadowColor(), ABorders, TabBorderSize(AVertical));
}

void TvxUltraFlatLookAndFeelPainter::DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R,
                                                       TvxScrollBarPart APart, TvxButtonState AState) const {
  if (vxRectHasNoArea(R) || (APart == sbpThumbnail && AState == vxbsDisabled)) return;
  switch (APart) {
    case sbpLineUp:
    case sbpLineDown:
    case sbpThumbnail:
      DrawButton(ACanvas, R, String(), AState);
      if (APart != sbpThumbnail) DrawScrollBarArrow(ACanvas, R, AState, GetArrowDirection(AHorizontal, APart));
      break;
    case sbpPageUp:
    case sbpPageDown:
      FillPagePattern(ACanvas, R, AState);
      break;
    case sbpNone:
      break;
  }
}

void TvxUltraFlatLookAndFeelPainter::DrawSchedulerNavigatorButton(TvxCanvas* ACanvas, TRect& R,
                                                                  TvxButtonState AState) const {
  DrawButton(ACanvas, R, String(), AState, AState == vxbsHot || AState == vxbsPressed);
}

void TvxUltraFlatLookAndFeelPainter::DrawSchedulerSplitterBorder(TvxCanvas* ACanvas, TRect& R,
                                                                 const TvxViewParams& AViewParams,
                                                                 bool AIsHorizontal) const {
  DrawLinedSplitterBorder(ACanvas, R, AViewParams, AIsHorizontal, DefaultSchedulerBorderColor());
}

void TvxUltraFlatLookAndFeelPainter::DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool AEnabled,
                                                       TvxGroupBoxCaptionPosition, TvxBorders ABorders) const {
  ACanvas->FrameRect(R, AEnabled ? clHighlight : clBtnShadow, 1, ABorders, true);
}

void TvxUltraFlatLookAndFeelPainter::DrawPrintPreviewBackground(TvxCanvas* ACanvas, const TRect& R) const {
  const COLORREF shadow = ColorToRGB(clBtnShadow);
  auto lighter = [](Byte v) { return static_cast<Byte>(v + (255 - v) / 3); };
  SolidFill(ACanvas, R,
            static_cast<TColor>(RGB(lighter(GetRValue(shadow)), lighter(GetGValue(shadow)), lighter(GetBValue(shadow)))));
}

TColor TvxUltraFlatLookAndFeelPainter::ButtonStateBorderColor(TvxButtonState AState) const {
  return AState == vxbsNormal ? clBtnShadow : clHighlight;
}

// --- Office11 painter ------------------------------------------------------------------------

void TvxOffice11LookAndFeelPainter::DrawContent(TvxCanvas* ACanvas, const TRect& ABounds,
                                                const TRect& ATextAreaBounds, TvxButtonState AState,
                                                TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
                                                bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                TFont* AFont, TColor ATextColor, TColor,
                                                const TvxDrawBackgroundEvent& AOnDrawBackground,
                                                bool AIsFooter) const {
  const bool hot = AState == vxbsHot && !AIsFooter;
  if (!AOnDrawBackground || !AOnDrawBackground(ACanvas, ABounds)) {
    const TColor c1 = hot ? vdOffice11GradientColor1 : HeaderFaceColor();
    const TColor c2 = hot ? vdOffice11GradientColor1 : HeaderBottomColor();
    if (AIsFooter) {
      SolidFill(ACanvas, ABounds, c1);
    } else {
      SolidFill(ACanvas, TRect{ABounds.left, ABounds.top, ABounds.right, ABounds.bottom - 3}, c1);
      vdFillGradientRect(ACanvas->Handle(), TRect{ABounds.left, ABounds.bottom - 4, ABounds.right, ABounds.bottom},
                         c1, c2, false);
    }
  }
  if (!AText.empty()) {
    ACanvas->Brush()->SetStyle(bsClear);
    if (AFont) ACanvas->SetFont(AFont);
    ACanvas->Font()->SetColor(ATextColor);
    ACanvas->DrawTexT(AText, ATextAreaBounds, AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis);
    ACanvas->Brush()->SetStyle(bsSolid);
  }
  if (hot)
    vdFillGradientRect(ACanvas->Handle(), TRect{ABounds.left - 1, ABounds.bottom - 2, ABounds.right, ABounds.bottom + 1},
                       vdOffice11HotColor1, vdOffice11HotColor2, false);
}

void TvxOffice11LookAndFeelPainter::DrawSchedulerNavigationButtonContent(TvxCanvas* ACanvas, const TRect& R,
                                                                         const TRect& AArrowRect,
                                                                         bool AIsNextButton,
                                                                         TvxButtonState AState) const {
  TColor fill = vdOffice11BarColor;
  if (AState == vxbsHot)
    fill = vdOffice11HotColor1;
  else if (AState == vxbsPressed)
    fill = vdOffice11PressedColor;
  SolidFill(ACanvas, R, fill);
  ACanvas->FrameRect(R, vdOffice11SchedulerBorderColor, 1, NavigationButtonBorders(AIsNextButton), false);
  DrawSchedulerNavigationButtonArrow(ACanvas, AArrowRect, AIsNextButton, ButtonSymbolColor(AState, clDefault));
}

TColor TvxOffice11LookAndFeelPainter::DefaultFilterBoxColor() const { return vdOffice11FilterBoxColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultFilterBoxTextColor() const { return vdOffice11FilterBoxTextColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultFooterColor() const { return vdOffice11BarColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultGroupByBoxColor() const { return vdOffice11GroupByBoxColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultGroupByBoxTextColor() const { return vdOffice11GradientColor1; }
TColor TvxOffice11LookAndFeelPainter::DefaultGroupColor() const { return vdOffice11GroupRowColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultDateNavigatorHeaderColor() const { return vdOffice11BarColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultDateNavigatorSelectionColor() const { return vdOffice11SelectionColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultSchedulerBorderColor() const { return vdOffice11SchedulerBorderColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultSchedulerControlColor() const { return vdOffice11SchedulerControlColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultTabColor() const { return vdOffice11TabColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultTabsBackgroundColor() const { return vdOffice11TabColor; }
TColor TvxOffice11LookAndFeelPainter::DefaultTimeGridMinorScaleColor() const { return vdOffice11BarColor; }

void TvxOffice11LookAndFeelPainter::DrawBorder(TvxCanvas* ACanvas, TRect& R) const {
  ACanvas->FrameRect(R, vdOffice11ControlBorderColor, 1, vxBordersAll, false);
}

void TvxOffice11LookAndFeelPainter::DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const {
  TRect r = CalculateSeparatorRect(R, 2, AIsVertical);
  r.right -= 1;
  r.bottom -= 1;
  SolidFill(ACanvas, r, vdOffice11SeparatorDarkColor);
  OffsetRect(&r, 1, 1);
  SolidFill(ACanvas, r, vdOffice11SeparatorLightColor);
}

TColor TvxOffice11LookAndFeelPainter::ButtonColor(TvxButtonState AState) const {
  switch (AState) {
    case vxbsHot:
      return vdOffice11HotColor1;
    case vxbsPressed:
      return vdOffice11PressedColor;
    case vxbsDisabled:
      return clBtnFace;
    default:
      return vdOffice11BarColor;
  }
}

TColor TvxOffice11LookAndFeelPainter::ButtonSymbolColor(TvxButtonState AState, TColor) const {
  if (AState == vxbsPressed && !vdOffice11IsLunaScheme()) return clHighlightText;
  if (AState == vxbsDisabled) return vdOffice11DisabledSymbolColor;
  return vdOffice11SymbolColor;
}

void TvxOffice11LookAndFeelPainter::DrawButtonBorder(TvxCanvas* ACanvas, const TRect& R,
                                                     TvxButtonState AState) const {
  if (AState == vxbsDefault) {
    TvxUltraFlatLookAndFeelPainter::DrawButtonBorder(ACanvas, R, AState);
    return;
  }
  TColor color = vdOffice11HighlightBorderColor;
  if (AState == vxbsNormal)
    color = clBtnText;
  else if (AState == vxbsDisabled)
    color = vdOffice11DisabledSymbolColor;
  ACanvas->FrameRect(R, color, 1, vxBordersAll, false);
}

void TvxOffice11LookAndFeelPainter::DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                     TColor) const {
  TBitmap* source = AExpanded ? vdOffice11ExpandedButtonBitmap : vdOffice11CollapsedButtonBitmap;
  if (!source || source->Empty()) return;  // the scheme's colours have no users yet
  // A copy: the corners blend with whatever lies under this button.
  TBitmap glyph;
  glyph.Assign(source);
  // The resource has few colours; the mixed corners need true colour.
  glyph.SetPixelFormat(pf24bit);
  const HDC dc = ACanvas->Handle();
  TCanvas* g = glyph.Canvas();
  const TColor topLeft = static_cast<TColor>(GetPixel(dc, R.left, R.top));
  const TColor bottomRight = static_cast<TColor>(GetPixel(dc, R.right - 1, R.bottom - 1));
  g->SetPixel(0, 0, vdMixColors(vdOffice11ExpandButtonColor1, topLeft, 25));
  const TColor corner = vdMixColors(vdOffice11ExpandButtonColor2, bottomRight, 25);
  const Integer last = glyph.Width() - 1, bottom = glyph.Height() - 1;
  g->SetPixel(last, bottom, corner);
  g->SetPixel(0, bottom, corner);
  g->SetPixel(last, 0, corner);
  ACanvas->Draw(R.left, R.top, &glyph);
}

void TvxOffice11LookAndFeelPainter::DrawSmallExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                          TColor, TColor AColor) const {
  DrawExpandButton(ACanvas, R, AExpanded, AColor);
}

TColor TvxOffice11LookAndFeelPainter::CheckButtonColor(TvxButtonState AState) const {
  if (AState == vxbsHot || AState == vxbsPressed || AState == vxbsDisabled) return ButtonColor(AState);
  return TvxUltraFlatLookAndFeelPainter::CheckButtonColor(AState);
}

void TvxOffice11LookAndFeelPainter::DrawHeader(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                               TvxNeighbors ANeighbors, TvxBorders ABorders, TvxButtonState AState,
                                               TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
                                               bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                               TFont* AFont, TColor ATextColor, TColor ABkColor,
                                               const TvxDrawBackgroundEvent&, bool AIsLast, bool) const {
  TvxCustomLookAndFeelPainter::DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState,
                                          AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont,
                                          ATextColor, ABkColor, nullptr, AIsLast, false);
}

void TvxOffice11LookAndFeelPainter::DrawHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors ANeighbors,
                                                     TvxBorders ABorders) const {
  const TColor f = HeaderFaceColor(), b = HeaderBottomColor(), d = HeaderDarkEdgeColor(), l = HeaderLightEdgeColor();
  auto column = [&](Integer X, Integer Y1, Integer Y2, TColor AColor) {
    SolidFill(ACanvas, TRect{X, Y1, X + 1, Y2 + 1}, AColor);
  };
  if (ABorders.Contains(bTop)) SolidFill(ACanvas, TRect{R.left, R.top, R.right, R.top + 1}, f);
  if (ABorders.Contains(bBottom)) SolidFill(ACanvas, TRect{R.left, R.bottom - 1, R.right, R.bottom}, d);
  if (ABorders.Contains(bLeft)) {
    ACanvas->SetPixel(R.left, R.top + 1, f);
    if (ANeighbors.Contains(nLeft)) {
      ACanvas->SetPixel(R.left, R.top + 2, f);
      ACanvas->SetPixel(R.left, R.bottom - 3, vdMixColors(f, b, 25));
      ACanvas->SetPixel(R.left, R.bottom - 2, b);
      column(R.left, R.top + 2, R.bottom - 3, l);
    } else {
      ACanvas->SetPixel(R.left, R.bottom - 2, b);
      column(R.left, R.top + 1, R.bottom - 2, l);
    }
  }
  if (ABorders.Contains(bRight)) {
    const Integer x = R.right - 1;
    if (ANeighbors.Contains(nRight)) {
      ACanvas->SetPixel(x, R.top + 1, f);
      ACanvas->SetPixel(x, R.top + 2, f);
      ACanvas->SetPixel(x, R.bottom - 3, vdMixColors(f, b, 25));
      ACanvas->SetPixel(x, R.bottom - 2, b);
      column(x, R.top + 2, R.bottom - 3, d);
    } else {
      ACanvas->SetPixel(x, R.top, vdMixColors(f, d, 50));
      ACanvas->SetPixel(x, R.bottom - 2, vdMixColors(b, d, 50));
      column(x, R.top + 1, R.bottom - 2, d);
    }
  }
}

void TvxOffice11LookAndFeelPainter::DrawHeaderControlSection(
    TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TvxNeighbors ANeighbors,
    TvxBorders ABorders, TvxButtonState AState, TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
    bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
    TColor ABkColor) const {
  DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState, AAlignmentHorz, AAlignmentVert,
             AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, nullptr, false, false);
  if (AState == vxbsPressed) DrawHeaderPressed(ACanvas, ABounds);
}

void TvxOffice11LookAndFeelPainter::DrawSortingMark(TvxCanvas* ACanvas, const TRect& R,
                                                    bool AAscendingSorting) const {
  DrawSortingArrow(ACanvas, R, AAscendingSorting, HeaderLightEdgeColor(), HeaderDarkEdgeColor());
}

void TvxOffice11LookAndFeelPainter::DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R,
                                                      TvxScrollBarPart APart, TvxButtonState AState) const {
  if (vdThemesAvailable(TvdThemedObjectTypes{totScrollBar}))
    TvxWinXPLookAndFeelPainter::Instance()->DrawScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
  else
    TvxStandardLookAndFeelPainter::Instance()->DrawScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
}

void TvxOffice11LookAndFeelPainter::DrawSizeGrip(TvxCanvas* ACanvas, const TRect& ARect,
                                                 TColor ABackgroundColor) const {
  SolidFill(ACanvas, ARect, ABackgroundColor);
  vdOffice11DrawSizeGrip(ACanvas->Handle(), ARect);
}

void TvxOffice11LookAndFeelPainter::DrawMonthHeader(TvxCanvas* ACanvas, const TRect& ABounds, const String& AText,
                                                    TvxNeighbors, const TvxViewParams& AViewParams,
                                                    TvxHeaderArrows AArrows, Integer ASideWidth,
                                                    const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  const TRect r = Deflated(ABounds, 1);
  if (!AOnDrawBackground || !AOnDrawBackground(ACanvas, r)) ACanvas->FillRect(r, AViewParams);
  if (!AText.empty()) {
    ACanvas->Brush()->SetStyle(bsClear);
    if (AViewParams.Font) ACanvas->SetFont(AViewParams.Font);
    ACanvas->Font()->SetColor(AViewParams.TextColor);
    ACanvas->DrawTexT(AText, r, taCenter, vaCenter, false, false);
    ACanvas->Brush()->SetStyle(bsSolid);
  }
  DrawMonthHeaderArrows(ACanvas, ABounds, AArrows, ASideWidth);
}

void TvxOffice11LookAndFeelPainter::DrawSchedulerBorder(TvxCanvas* ACanvas, TRect& R) const {
  ACanvas->FrameRect(R, DefaultSchedulerBorderColor(), 1, vxBordersAll, false);
}

void TvxOffice11LookAndFeelPainter::DrawSchedulerNavigatorButton(TvxCanvas* ACanvas, TRect& R,
                                                                 TvxButtonState AState) const {
  TvxWinXPLookAndFeelPainter::Instance()->DrawSchedulerNavigatorButton(ACanvas, R, AState);
}

void TvxOffice11LookAndFeelPainter::DrawDateNavigatorDateHeader(TvxCanvas* ACanvas, TRect& R) const {
  SolidFill(ACanvas, R, DefaultDateNavigatorHeaderColor());
}

void TvxOffice11LookAndFeelPainter::DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool AEnabled,
                                                      TvxGroupBoxCaptionPosition ACaptionPosition,
                                                      TvxBorders ABorders) const {
  if (vdThemesAvailable(TvdThemedObjectTypes{totButton}))
    TvxWinXPLookAndFeelPainter::Instance()->DrawGroupBoxFrame(ACanvas, R, AEnabled, ACaptionPosition, ABorders);
  else
    TvxUltraFlatLookAndFeelPainter::DrawGroupBoxFrame(ACanvas, R, AEnabled, ACaptionPosition, ABorders);
}

TColor TvxOffice11LookAndFeelPainter::GroupBoxTextColor(bool AEnabled,
                                                        TvxGroupBoxCaptionPosition ACaptionPosition) const {
  if (vdThemesAvailable(TvdThemedObjectTypes{totButton}))
    return TvxWinXPLookAndFeelPainter::Instance()->GroupBoxTextColor(AEnabled, ACaptionPosition);
  return TvxCustomLookAndFeelPainter::GroupBoxTextColor(AEnabled, ACaptionPosition);
}

void TvxOffice11LookAndFeelPainter::DrawPanelBackground(TvxCanvas* ACanvas, TWinControl* AControl, TRect& ABounds,
                                                        TColor AColorFrom, TColor AColorTo) const {
  if (AColorFrom == clDefault)
    vxDrawThemeParentBackground(AControl, ACanvas, ABounds);
  else if (AColorTo == clDefault)
    SolidFill(ACanvas, ABounds, AColorFrom);
  else
    vdFillGradientRect(ACanvas->Handle(), ABounds, AColorFrom, AColorTo, false);
}

TColor TvxOffice11LookAndFeelPainter::GetSplitterInnerColor(bool) const { return vdOffice11SeparatorLightColor; }

TColor TvxOffice11LookAndFeelPainter::GetSplitterOuterColor(bool AHighlighted) const {
  return AHighlighted ? vdOffice11HighlightBorderColor : vdOffice11SeparatorDarkColor;
}

TSize TvxOffice11LookAndFeelPainter::GetSplitterSize(bool AHorizontal) const {
  return TvxStandardLookAndFeelPainter::Instance()->TvxCustomLookAndFeelPainter::GetSplitterSize(AHorizontal);
}

void TvxOffice11LookAndFeelPainter::DrawLayoutControlBackground(TvxCanvas* ACanvas, const TRect& R) const {
  vdFillGradientRect(ACanvas->Handle(), R, vdOffice11GradientColor1, vdOffice11GradientColor2, false);
}

TColor TvxOffice11LookAndFeelPainter::ButtonStateBorderColor(TvxButtonState AState) const {
  return AState == vxbsNormal ? HeaderDarkEdgeColor() : vdOffice11HighlightBorderColor;
}

TColor TvxOffice11LookAndFeelPainter::BorderHighlightColor() const { return vdOffice11HighlightBorderColor; }
TColor TvxOffice11LookAndFeelPainter::HeaderBottomColor() const { return vdOffice11GradientColor2; }
TColor TvxOffice11LookAndFeelPainter::HeaderDarkEdgeColor() const { return vdOffice11SeparatorDarkColor; }
TColor TvxOffice11LookAndFeelPainter::HeaderLightEdgeColor() const { return vdOffice11SeparatorLightColor; }

TColor TvxOffice11LookAndFeelPainter::HeaderFaceColor() const {
  return vdMixColors(vdOffice11GradientColor1, vdOffice11GradientColor2, 50);
}

// --- WinXP themed painter ----------------------------------------------------------------------

namespace {

// State numbers of the visual-style parts, by TvxButtonState (default, normal, hot, pressed, disabled).
constexpr int PushButtonStates[] = {5, 1, 2, 3, 4};
constexpr int CheckBoxStates[2][5] = {{1, 1, 2, 3, 4}, {5, 5, 6, 7, 8}};
constexpr int RadioButtonStates[2][5] = {{1, 1, 2, 3, 4}, {5, 5, 6, 7, 8}};
constexpr int ScrollArrowStates[4][5] = {
    {1, 1, 2, 3, 4}, {5, 5, 6, 7, 8}, {9, 9, 10, 11, 12}, {13, 13, 14, 15, 16}};
constexpr int HeaderItemStates[] = {1, 1, 2, 3, 1};
constexpr int TabItemStates[] = {1, 1, 2, 3, 4};
constexpr int SimpleStates[] = {1, 1, 2, 3, 4};  // small close button, combo drop-down, scroll-bar thumb and track
constexpr int ToolBarNavigatorStates[] = {2, 2, 5, 3, 4};

HTHEME Theme(TvdThemedObjectType AType) { return vdOpenThemeByType(AType); }

const RECT Rect100{0, 0, 100, 100};

// The content rect of a part in a state within a 100 x 100 rect; false when the theme has none.
bool ContentRect100(HTHEME ATheme, int APart, int AState, RECT& AContent) {
  return ATheme && SUCCEEDED(vdUxTheme::GetThemeBackgroundContentRect(ATheme, nullptr, APart, AState, &Rect100,
                                                                      &AContent));
}

bool PartSize(HTHEME ATheme, int APart, int AState, THEMESIZE AKind, SIZE& ASize) {
  ASize = SIZE{0, 0};
  return ATheme && SUCCEEDED(vdUxTheme::GetThemePartSize(ATheme, nullptr, APart, AState, nullptr, AKind, &ASize));
}

bool ThemeColor(HTHEME ATheme, int APart, int AState, int AProp, TColor& AColor) {
  COLORREF c = 0;
  if (!ATheme || FAILED(vdUxTheme::GetThemeColor(ATheme, APart, AState, AProp, &c))) return false;
  AColor = static_cast<TColor>(c);
  return true;
}

void DrawPart(TvxCanvas* ACanvas, HTHEME ATheme, int APart, int AState, const TRect& R) {
  vdUxTheme::DrawThemeBackground(ATheme, ACanvas->Handle(), APart, AState, &R, nullptr);
}

// Saves the canvas's device context state and restores it when the scope ends.
class TSavedDCScope {
 public:
  explicit TSavedDCScope(TvxCanvas* ACanvas) : FCanvas(ACanvas) { FCanvas->SaveDC(); }
  ~TSavedDCScope() { FCanvas->RestoreDC(); }
  TSavedDCScope(const TSavedDCScope&) = delete;
  TSavedDCScope& operator=(const TSavedDCScope&) = delete;

 private:
  TvxCanvas* FCanvas;
};

// Copies R of the canvas into a new 32-bit bitmap.
std::unique_ptr<TBitmap> CopyOfArea(TvxCanvas* ACanvas, const TRect& R) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(R.right - R.left, R.bottom - R.top);
  BitBlt(bitmap->Canvas()->Handle(), 0, 0, R.right - R.left, R.bottom - R.top, ACanvas->Handle(), R.left, R.top,
         SRCCOPY);
  return bitmap;
}

}  // namespace

bool TvxWinXPLookAndFeelPainter::NeedRedrawOnResize() const { return vdThemesAvailable(); }

TColor TvxWinXPLookAndFeelPainter::DefaultSchedulerBorderColor() const {
  TColor color;
  if (ThemeColor(Theme(totComboBox), 1, 1, TMT_BORDERCOLOR, color)) return color;
  return TvxStandardLookAndFeelPainter::DefaultSchedulerBorderColor();
}

void TvxWinXPLookAndFeelPainter::DrawArrow(TvxCanvas* ACanvas, const TRect& R, TvxArrowDirection AArrowDirection,
                                           TColor AColor) const {
  TvxStandardLookAndFeelPainter::DrawArrow(ACanvas, R, AArrowDirection, AColor);
}

void TvxWinXPLookAndFeelPainter::DrawArrow(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState,
                                           TvxArrowDirection AArrowDirection, bool ADrawBorder) const {
  const HTHEME theme = Theme(totScrollBar);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawArrow(ACanvas, R, AState, AArrowDirection, ADrawBorder);
    return;
  }
  DrawPart(ACanvas, theme, SBP_ARROWBTN, ScrollArrowStates[AArrowDirection][AState], R);
}

void TvxWinXPLookAndFeelPainter::DrawArrowBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const {
  const HTHEME theme = Theme(totButton);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawArrowBorder(ACanvas, R, AState);
    return;
  }
  DrawPart(ACanvas, theme, BP_PUSHBUTTON, PushButtonStates[AState], R);
}

Integer TvxWinXPLookAndFeelPainter::BorderSize() const { return Theme(totListView) ? 1 : 2; }

void TvxWinXPLookAndFeelPainter::DrawBorder(TvxCanvas* ACanvas, TRect& R) const {
  const HTHEME theme = Theme(totListView);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawBorder(ACanvas, R);
    return;
  }
  // Only the part's one-pixel edge: the inside leaves the clip region first.
  TSavedDCScope saved(ACanvas);
  ACanvas->ExcludeClipRect(Deflated(R, 1));
  DrawPart(ACanvas, theme, 5, 0, R);
}

void TvxWinXPLookAndFeelPainter::DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const {
  const HTHEME theme = Theme(totToolBar);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawSeparator(ACanvas, R, AIsVertical);
    return;
  }
  DrawPart(ACanvas, theme, AIsVertical ? TP_SEPARATOR : TP_SEPARATORVERT, 1, R);
}

TRect TvxWinXPLookAndFeelPainter::AdjustGroupButtonDisplayRect(const TRect& R, Integer AButtonCount,
                                                               Integer AButtonIndex) const {
  TRect result = TvxStandardLookAndFeelPainter::AdjustGroupButtonDisplayRect(R, AButtonCount, AButtonIndex);
  const HTHEME theme = Theme(totButton);
  if (theme && vdUxTheme::IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, 1))
    InflateRect(&result, 1, 1);
  return result;
}

Integer TvxWinXPLookAndFeelPainter::ButtonBorderSize(TvxButtonState AState) const {
  RECT content;
  if (ContentRect100(Theme(totButton), BP_PUSHBUTTON, PushButtonStates[AState], content)) return content.left;
  return TvxStandardLookAndFeelPainter::ButtonBorderSize(vxbsNormal);
}

TColor TvxWinXPLookAndFeelPainter::ButtonColor(TvxButtonState AState) const {
  TColor color;
  if (ThemeColor(Theme(totButton), BP_PUSHBUTTON, PushButtonStates[AState], 204, color)) return color;
  return TvxStandardLookAndFeelPainter::ButtonColor(AState);
}

TRect TvxWinXPLookAndFeelPainter::ButtonFocusRect(TvxCanvas* ACanvas, const TRect& R) const {
  const HTHEME theme = Theme(totButton);
  RECT content;
  if (theme && SUCCEEDED(vdUxTheme::GetThemeBackgroundContentRect(theme, nullptr, BP_PUSHBUTTON, 1, &R, &content)))
    return content;
  return TvxStandardLookAndFeelPainter::ButtonFocusRect(ACanvas, R);
}

TRect TvxWinXPLookAndFeelPainter::ButtonGroupBorderSizes(Integer AButtonCount, Integer AButtonIndex) const {
  const HTHEME theme = Theme(totButton);
  RECT content;
  if (!ContentRect100(theme, BP_PUSHBUTTON, 1, content))
    return TvxStandardLookAndFeelPainter::ButtonGroupBorderSizes(AButtonCount, AButtonIndex);
  TRect result{content.left, content.top, 100 - content.right, 100 - content.bottom};
  if (vdUxTheme::IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, 1)) OffsetRect(&result, -1, -1);
  return result;
}

TColor TvxWinXPLookAndFeelPainter::ButtonSymbolColor(TvxButtonState AState, TColor ADefaultColor) const {
  TColor color;
  if (ThemeColor(Theme(totButton), BP_PUSHBUTTON, PushButtonStates[AState], TMT_TEXTCOLOR, color)) return color;
  return TvxStandardLookAndFeelPainter::ButtonSymbolColor(AState, ADefaultColor);
}

void TvxWinXPLookAndFeelPainter::DrawButton(TvxCanvas* ACanvas, const TRect& R, const String& ACaption,
                                            TvxButtonState AState, bool ADrawBorder, TColor AColor,
                                            TColor ATextColor, bool AWordWrap, bool AIsToolButton) const {
  const HTHEME theme = Theme(AIsToolButton ? totToolBar : totButton);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawButton(ACanvas, R, ACaption, AState, ADrawBorder, AColor, ATextColor,
                                              AWordWrap, AIsToolButton);
    return;
  }
  const int state = PushButtonStates[AState];
  DrawPart(ACanvas, theme, 1, state, R);
  if (!ACaption.empty())
    vdUxTheme::DrawThemeText(theme, ACanvas->Handle(), 1, state, ACaption, -1, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                             0, &R);
}

void TvxWinXPLookAndFeelPainter::DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                  TColor AColor) const {
  const HTHEME theme = Theme(totTreeview);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawExpandButton(ACanvas, R, AExpanded, AColor);
    return;
  }
  DrawPart(ACanvas, theme, TVP_GLYPH, AExpanded ? GLPS_OPENED : GLPS_CLOSED, R);
  ACanvas->ExcludeClipRect(R);
}

void TvxWinXPLookAndFeelPainter::DrawGroupExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                       TvxButtonState AState) const {
  const HTHEME theme = Theme(totExplorerBar);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawGroupExpandButton(ACanvas, R, AExpanded, AState);
    return;
  }
  const int state = AState == vxbsHot ? 2 : (AState == vxbsPressed ? 3 : 1);
  DrawPart(ACanvas, theme, AExpanded ? EBP_NORMALGROUPCOLLAPSE : EBP_NORMALGROUPEXPAND, state, R);
}

void TvxWinXPLookAndFeelPainter::DrawSmallExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                       TColor ABorderColor, TColor) const {
  if (Theme(totTreeview))
    DrawExpandButton(ACanvas, R, AExpanded, clDefault);
  else
    TvxStandardLookAndFeelPainter::DrawSmallExpandButton(ACanvas, R, AExpanded, ABorderColor, clDefault);
}

Integer TvxWinXPLookAndFeelPainter::ExpandButtonSize() const {
  SIZE size;
  if (PartSize(Theme(totTreeview), TVP_GLYPH, GLPS_OPENED, TS_TRUE, size)) return size.cx;
  return TvxStandardLookAndFeelPainter::ExpandButtonSize();
}

Integer TvxWinXPLookAndFeelPainter::GroupExpandButtonSize() const {
  SIZE size;
  if (PartSize(Theme(totExplorerBar), EBP_NORMALGROUPEXPAND, 1, TS_TRUE, size)) return size.cx;
  return TvxStandardLookAndFeelPainter::GroupExpandButtonSize();
}

bool TvxWinXPLookAndFeelPainter::IsPointOverGroupExpandButton(const TRect& R, const TPoint& P) const {
  const HTHEME theme = Theme(totExplorerBar);
  if (!theme) return TvxStandardLookAndFeelPainter::IsPointOverGroupExpandButton(R, P);
  HRGN region = nullptr;
  if (FAILED(vdUxTheme::GetThemeBackgroundRegion(theme, nullptr, EBP_NORMALGROUPEXPAND, 1, &R, &region)) || !region)
    return false;
  const bool result = PtInRegion(region, P.x, P.y) != FALSE;
  DeleteObject(region);
  return result;
}

Integer TvxWinXPLookAndFeelPainter::CheckBorderSize() const {
  return Theme(totButton) ? 0 : TvxStandardLookAndFeelPainter::CheckBorderSize();
}

TSize TvxWinXPLookAndFeelPainter::CheckButtonSize() const {
  SIZE size;
  if (PartSize(Theme(totButton), BP_CHECKBOX, CBS_CHECKEDNORMAL, TS_TRUE, size)) return TSize{size.cx, size.cy};
  return TvxStandardLookAndFeelPainter::CheckButtonSize();
}

void TvxWinXPLookAndFeelPainter::DrawCheck(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState, bool AChecked,
                                           TColor AColor) const {
  const HTHEME theme = Theme(totButton);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawCheck(ACanvas, R, AState, AChecked, AColor);
    return;
  }
  DrawPart(ACanvas, theme, BP_CHECKBOX, CheckBoxStates[AChecked ? 1 : 0][AState], R);
}

void TvxWinXPLookAndFeelPainter::DrawCheckBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const {
  if (!Theme(totButton)) TvxStandardLookAndFeelPainter::DrawCheckBorder(ACanvas, R, AState);
}

void TvxWinXPLookAndFeelPainter::DrawRadioButton(TvxCanvas* ACanvas, Integer X, Integer Y,
                                                 TvxButtonState AButtonState, bool AChecked, bool AFocused,
                                                 TColor ABrushColor, bool AIsDesigning) const {
  const HTHEME theme = Theme(totButton);
  if (!theme) {
    // No theme handle to draw with: the shared images of the Standard look stand in.
    TvxStandardLookAndFeelPainter::DrawRadioButton(ACanvas, X, Y, AButtonState, AChecked, AFocused, ABrushColor,
                                                   AIsDesigning);
    return;
  }
  const TSize size = RadioButtonSize();
  DrawPart(ACanvas, theme, BP_RADIOBUTTON, RadioButtonStates[AChecked ? 1 : 0][AButtonState],
           TRect{X, Y, X + size.cx, Y + size.cy});
}

TSize TvxWinXPLookAndFeelPainter::RadioButtonSize() const {
  SIZE size;
  if (PartSize(Theme(totButton), BP_RADIOBUTTON, 1, TS_TRUE, size) && size.cx > 0 && size.cy > 0)
    return TSize{size.cx, size.cy};
  return TvxStandardLookAndFeelPainter::RadioButtonSize();
}

void TvxWinXPLookAndFeelPainter::DrawHeader(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                            TvxNeighbors ANeighbors, TvxBorders ABorders, TvxButtonState AState,
                                            TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
                                            bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                            TFont* AFont, TColor ATextColor, TColor ABkColor,
                                            const TvxDrawBackgroundEvent& AOnDrawBackground, bool AIsLast,
                                            bool AIsGroup) const {
  const HTHEME theme = Theme(totHeader);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState,
                                              AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis, AText,
                                              AFont, ATextColor, ABkColor, AOnDrawBackground, AIsLast, AIsGroup);
    return;
  }
  const int state = HeaderItemStates[AState];
  const Integer scheme = vdCurrentOffice11Scheme();
  const int part = AIsLast && state == HIS_NORMAL && (scheme == 1 || scheme == 2) ? HP_HEADERITEMRIGHT : HP_HEADERITEM;
  DrawPart(ACanvas, theme, part, state, ABounds);
  TRect text = ATextAreaBounds;
  if (AState == vxbsPressed) OffsetRect(&text, 1, 1);
  DrawThemedText(ACanvas, theme, part, state, ABounds, text, AAlignmentHorz, AAlignmentVert, AMultiLine,
                 AShowEndEllipsis, false, AText, AFont, ATextColor, ABkColor);
}

void TvxWinXPLookAndFeelPainter::DrawHeaderControlSection(
    TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TvxNeighbors ANeighbors,
    TvxBorders ABorders, TvxButtonState AState, TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
    bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
    TColor ABkColor) const {
  SolidFill(ACanvas, ABounds, clBtnFace);
  DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState, AAlignmentHorz, AAlignmentVert,
             AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, nullptr, false, false);
}

void TvxWinXPLookAndFeelPainter::DrawSortingMark(TvxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const {
  DrawSortingArrow(ACanvas, R, AAscendingSorting, clBtnShadow, clBtnShadow);
}

Integer TvxWinXPLookAndFeelPainter::HeaderBorderSize() const {
  RECT content;
  if (ContentRect100(Theme(totHeader), HP_HEADERITEM, 1, content))
    return std::max<Integer>(1, (content.left + content.top) / 2);
  return TvxStandardLookAndFeelPainter::HeaderBorderSize();
}

TRect TvxWinXPLookAndFeelPainter::HeaderControlSectionContentBounds(const TRect& ABounds,
                                                                    TvxButtonState AState) const {
  if (!Theme(totHeader)) return TvxStandardLookAndFeelPainter::HeaderControlSectionContentBounds(ABounds, AState);
  return Deflated(ABounds, HeaderBorderSize());
}

void TvxWinXPLookAndFeelPainter::DrawFooterCell(TvxCanvas* ACanvas, const TRect& ABounds, TAlignment AAlignmentHorz,
                                                TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                                                const String& AText, TFont* AFont, TColor ATextColor,
                                                TColor ABkColor,
                                                const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  const HTHEME theme = Theme(totTrackBar);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawFooterCell(ACanvas, ABounds, AAlignmentHorz, AAlignmentVert, AMultiLine, AText,
                                                  AFont, ATextColor, ABkColor, AOnDrawBackground);
    return;
  }
  DrawPart(ACanvas, theme, 1, 1, ABounds);
  DrawThemedText(ACanvas, theme, 1, 1, ABounds, FooterCellTextAreaBounds(ABounds), AAlignmentHorz, AAlignmentVert,
                 AMultiLine, false, false, AText, AFont, ATextColor, ABkColor);
}

void TvxWinXPLookAndFeelPainter::DrawFooterBorder(TvxCanvas* ACanvas, const TRect& R) const {
  const HTHEME theme = Theme(totEdit);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawFooterBorder(ACanvas, R);
    return;
  }
  vdUxTheme::DrawThemeEdge(theme, ACanvas->Handle(), 0, 0, &R, BDR_RAISEDINNER, BF_RECT, nullptr);
}

Integer TvxWinXPLookAndFeelPainter::FooterCellBorderSize() const {
  RECT content;
  if (ContentRect100(Theme(totTrackBar), 1, 1, content)) return content.left;
  return TvxStandardLookAndFeelPainter::FooterCellBorderSize();
}

void TvxWinXPLookAndFeelPainter::DrawFilterCloseButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) const {
  const HTHEME theme = Theme(totWindow);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawFilterCloseButton(ACanvas, R, AState);
    return;
  }
  DrawPart(ACanvas, theme, WP_SMALLCLOSEBUTTON, SimpleStates[AState], R);
}

void TvxWinXPLookAndFeelPainter::DrawFilterDropDownButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState,
                                                          bool AIsFilterActive) const {
  const HTHEME theme = Theme(totComboBox);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawFilterDropDownButton(ACanvas, R, AState, AIsFilterActive);
    return;
  }
  DrawPart(ACanvas, theme, CP_DROPDOWNBUTTON, SimpleStates[AState], R);
}

TPoint TvxWinXPLookAndFeelPainter::FilterActivateButtonSize() const {
  SIZE size;
  if (PartSize(Theme(totButton), BP_CHECKBOX, CBS_CHECKEDNORMAL, TS_TRUE, size)) return TPoint{size.cx, size.cy};
  return TvxStandardLookAndFeelPainter::FilterActivateButtonSize();
}

TPoint TvxWinXPLookAndFeelPainter::FilterCloseButtonSize() const {
  SIZE size;
  if (PartSize(Theme(totWindow), WP_SMALLCLOSEBUTTON, 1, TS_TRUE, size)) return TPoint{size.cx + 4, size.cy + 4};
  return TvxStandardLookAndFeelPainter::FilterCloseButtonSize();
}

void TvxWinXPLookAndFeelPainter::DrawTab(TvxCanvas* ACanvas, TRect& R, TvxBorders ABorders, const String& AText,
                                         TvxButtonState AState, bool AVertical, TFont* AFont, TColor ATextColor,
                                         TColor ABkColor, bool AShowPrefix) const {
  const HTHEME theme = Theme(totTab);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawTab(ACanvas, R, ABorders, AText, AState, AVertical, AFont, ATextColor,
                                           ABkColor, AShowPrefix);
    return;
  }
  const int state = TabItemStates[AState];
  const bool selected = AState == vxbsPressed;
  // A vertical tab is drawn lying down in a bitmap and turned upright afterwards:
  // rotating by +90 degrees with a vertical flip exchanges x and y, both ways.
  std::unique_ptr<TBitmap> bitmap;
  TRect themeRect = R, clip = R;
  if (AVertical) {
    bitmap = CopyOfArea(ACanvas, R);
    ACanvas->RotateBitmap(bitmap.get(), raPlus90, true);
    themeRect = TRect{0, 0, bitmap->Width(), bitmap->Height()};
    clip = themeRect;
    if (!ABorders.Contains(bTop)) themeRect.left -= 2;
    if (!ABorders.Contains(bBottom)) themeRect.right += 2;
  } else {
    if (!ABorders.Contains(bLeft)) themeRect.left -= 2;
    if (!ABorders.Contains(bRight)) themeRect.right += 2;
  }
  if (selected)
    themeRect.bottom += 1;
  else
    clip.bottom -= 1;
  const HDC dc = AVertical ? bitmap->Canvas()->Handle() : ACanvas->Handle();
  vdUxTheme::DrawThemeBackground(theme, dc, TABP_TABITEM, state, &themeRect, &clip);
  if (AVertical) {
    ACanvas->RotateBitmap(bitmap.get(), raPlus90, true);
    ACanvas->Draw(R.left, R.top, bitmap.get());
  }
  TRect text = R;
  if (selected) {
    if (AVertical)
      text.left -= 2;
    else
      text.top -= 2;
  }
  DrawThemedText(ACanvas, theme, TABP_TABITEM, state, R, text, taCenter, vaCenter, false, false, AShowPrefix, AText,
                 AFont, ATextColor, ABkColor);
}

void TvxWinXPLookAndFeelPainter::DrawTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder, TvxBorders ABorders,
                                               bool AVertical) const {
  if (!Theme(totTab)) TvxStandardLookAndFeelPainter::DrawTabBorder(ACanvas, R, ABorder, ABorders, AVertical);
}

void TvxWinXPLookAndFeelPainter::DrawTabsRoot(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders,
                                              bool AVertical) const {
  const HTHEME theme = Theme(totTab);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawTabsRoot(ACanvas, R, ABorders, AVertical);
    return;
  }
  RECT c = R;
  vdUxTheme::GetThemeBackgroundContentRect(theme, ACanvas->Handle(), TABP_PANE, 0, &R, &c);
  TRect pane = R;
  if (AVertical) {
    pane.right = R.right + 10;
    pane.bottom = R.bottom + (R.top - c.top) + (R.bottom - c.bottom);
  } else {
    pane.right = R.right + (R.left - c.left) + (R.right - c.right);
    pane.bottom = R.bottom + 10;
  }
  vdUxTheme::DrawThemeBackground(theme, ACanvas->Handle(), TABP_PANE, 0, &pane, &R);
}

bool TvxWinXPLookAndFeelPainter::IsDrawTabImplemented(bool) const { return Theme(totTab) != nullptr; }
bool TvxWinXPLookAndFeelPainter::IsTabHotTrack(bool) const { return Theme(totTab) != nullptr; }

void TvxWinXPLookAndFeelPainter::DrawIndicatorItem(TvxCanvas* ACanvas, const TRect& R, TvxIndicatorKind AKind,
                                                   TColor AColor,
                                                   const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  TvxFlatLookAndFeelPainter::Instance()->TvxCustomLookAndFeelPainter::DrawIndicatorItem(ACanvas, R, AKind, AColor,
                                                                                        AOnDrawBackground);
}

Integer TvxWinXPLookAndFeelPainter::ScrollBarMinimalThumbSize(bool AVertical) const {
  const HTHEME theme = Theme(totScrollBar);
  if (!theme) return TvxStandardLookAndFeelPainter::ScrollBarMinimalThumbSize(AVertical);
  const int part = AVertical ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT;
  SIZE minimum, actual;
  const bool hasMinimum = PartSize(theme, part, 0, TS_MIN, minimum);
  const bool hasTrue = PartSize(theme, part, 0, TS_TRUE, actual);
  Integer result = 8;
  if (hasMinimum) result = std::max<Integer>(result, AVertical ? minimum.cy : minimum.cx);
  if (hasTrue) result = std::max<Integer>(result, (AVertical ? actual.cy : actual.cx) + 4);
  return result;
}

void TvxWinXPLookAndFeelPainter::DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R,
                                                   TvxScrollBarPart APart, TvxButtonState AState) const {
  const HTHEME theme = Theme(totScrollBar);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
    return;
  }
  if (vxRectHasNoArea(R)) return;
  const int state = SimpleStates[AState];
  switch (APart) {
    case sbpLineUp:
    case sbpLineDown:
      DrawArrow(ACanvas, R, AState, GetArrowDirection(AHorizontal, APart), true);
      break;
    case sbpThumbnail:
      DrawPart(ACanvas, theme, AHorizontal ? SBP_THUMBBTNHORZ : SBP_THUMBBTNVERT, state, R);
      DrawPart(ACanvas, theme, AHorizontal ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT, 0, R);
      break;
    case sbpPageUp:
      DrawPart(ACanvas, theme, AHorizontal ? SBP_UPPERTRACKHORZ : SBP_UPPERTRACKVERT, state, R);
      break;
    case sbpPageDown:
      DrawPart(ACanvas, theme, AHorizontal ? SBP_LOWERTRACKHORZ : SBP_LOWERTRACKVERT, state, R);
      break;
    case sbpNone:
      break;
  }
}

void TvxWinXPLookAndFeelPainter::DrawSizeGrip(TvxCanvas* ACanvas, const TRect& ARect, TColor ABackgroundColor) const {
  SolidFill(ACanvas, ARect, ABackgroundColor);
  const HTHEME theme = Theme(totScrollBar);
  if (theme)
    DrawPart(ACanvas, theme, SBP_SIZEBOX, 1, ARect);
  else
    TvxStandardLookAndFeelPainter::DrawSizeGrip(ACanvas, ARect, clDefault);
}

void TvxWinXPLookAndFeelPainter::DrawMonthHeader(TvxCanvas* ACanvas, const TRect& ABounds, const String& AText,
                                                 TvxNeighbors ANeighbors, const TvxViewParams& AViewParams,
                                                 TvxHeaderArrows AArrows, Integer ASideWidth,
                                                 const TvxDrawBackgroundEvent& AOnDrawBackground) const {
  DrawHeader(ACanvas, ABounds, ABounds, ANeighbors, vxBordersAll, vxbsNormal, taCenter, vaCenter, false, false, AText,
             AViewParams.Font, AViewParams.TextColor, AViewParams.Color, AOnDrawBackground,
             !ANeighbors.Contains(nRight), false);
  DrawMonthHeaderArrows(ACanvas, ABounds, AArrows, ASideWidth);
}

void TvxWinXPLookAndFeelPainter::DrawSchedulerEventProgress(TvxCanvas* ACanvas, const TRect& ABounds,
                                                            const TRect& AProgress, TvxViewParams& AViewParams,
                                                            bool ATransparent) const {
  const HTHEME theme = Theme(totProgress);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawSchedulerEventProgress(ACanvas, ABounds, AProgress, AViewParams, ATransparent);
    return;
  }
  DrawPart(ACanvas, theme, PP_BAR, 0, ABounds);
  DrawPart(ACanvas, theme, PP_CHUNK, 0, AProgress);
}

void TvxWinXPLookAndFeelPainter::DrawSchedulerNavigatorButton(TvxCanvas* ACanvas, TRect& R,
                                                              TvxButtonState AState) const {
  const HTHEME theme = Theme(totToolBar);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawSchedulerNavigatorButton(ACanvas, R, AState);
    return;
  }
  DrawPart(ACanvas, theme, TP_BUTTON, ToolBarNavigatorStates[AState], R);
}

void TvxWinXPLookAndFeelPainter::DrawSchedulerNavigationButtonContent(TvxCanvas* ACanvas, const TRect& R,
                                                                      const TRect& AArrowRect, bool AIsNextButton,
                                                                      TvxButtonState AState) const {
  const HTHEME theme = Theme(totTab);
  if (!theme || vxRectHasNoArea(R)) {
    TvxStandardLookAndFeelPainter::DrawSchedulerNavigationButtonContent(ACanvas, R, AArrowRect, AIsNextButton,
                                                                        AState);
    return;
  }
  // The tab item lies on its side: drawn in a turned copy of the area, turned back.
  std::unique_ptr<TBitmap> bitmap = CopyOfArea(ACanvas, R);
  ACanvas->RotateBitmap(bitmap.get(), AIsNextButton ? raMinus90 : raPlus90);
  const TRect whole{0, 0, bitmap->Width(), bitmap->Height()};
  vdUxTheme::DrawThemeBackground(theme, bitmap->Canvas()->Handle(), TABP_TABITEM, TabItemStates[AState], &whole,
                                 nullptr);
  ACanvas->RotateBitmap(bitmap.get(), AIsNextButton ? raPlus90 : raMinus90);
  ACanvas->Draw(R.left, R.top, bitmap.get());
  DrawSchedulerNavigationButtonArrow(ACanvas, AArrowRect, AIsNextButton, ButtonSymbolColor(AState, clDefault));
}

void TvxWinXPLookAndFeelPainter::DrawSchedulerSplitterBorder(TvxCanvas* ACanvas, TRect& R,
                                                             const TvxViewParams& AViewParams,
                                                             bool AIsHorizontal) const {
  const HTHEME combo = Theme(totComboBox);
  TColor color;
  if (!combo || !Theme(totListView) || !ThemeColor(combo, 1, 1, TMT_BORDERCOLOR, color)) {
    TvxStandardLookAndFeelPainter::DrawSchedulerSplitterBorder(ACanvas, R, AViewParams, AIsHorizontal);
    return;
  }
  DrawLinedSplitterBorder(ACanvas, R, AViewParams, AIsHorizontal, color);
}

void TvxWinXPLookAndFeelPainter::DrawDateNavigatorDateHeader(TvxCanvas* ACanvas, TRect& R) const {
  const HTHEME theme = Theme(totHeader);
  if (theme) DrawPart(ACanvas, theme, 2, 1, R);
}

void TvxWinXPLookAndFeelPainter::DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool AEnabled,
                                                   TvxGroupBoxCaptionPosition ACaptionPosition,
                                                   TvxBorders ABorders) const {
  const HTHEME theme = Theme(totButton);
  if (!theme) {
    TvxStandardLookAndFeelPainter::DrawGroupBoxFrame(ACanvas, R, AEnabled, ACaptionPosition, ABorders);
    return;
  }
  DrawPart(ACanvas, theme, BP_GROUPBOX, AEnabled ? GBS_NORMAL : GBS_DISABLED, R);
}

TColor TvxWinXPLookAndFeelPainter::GroupBoxTextColor(bool AEnabled, TvxGroupBoxCaptionPosition ACaptionPosition) const {
  TColor color;
  if (ThemeColor(Theme(totButton), BP_GROUPBOX, AEnabled ? GBS_NORMAL : GBS_DISABLED, TMT_TEXTCOLOR, color))
    return color;
  return TvxStandardLookAndFeelPainter::GroupBoxTextColor(AEnabled, ACaptionPosition);
}

void TvxWinXPLookAndFeelPainter::DrawPanelBackground(TvxCanvas* ACanvas, TWinControl* AControl, TRect& ABounds,
                                                     TColor AColorFrom, TColor) const {
  if (AColorFrom == clDefault)
    vxDrawThemeParentBackground(AControl, ACanvas, ABounds);
  else
    SolidFill(ACanvas, ABounds, AColorFrom);
}

void TvxWinXPLookAndFeelPainter::DrawThemedText(TvxCanvas* ACanvas, HTHEME ATheme, Integer APartId, Integer AStateId,
                                                const TRect&, TRect ATextRect, TAlignment AAlignmentHorz,
                                                TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                                                bool AShowEndEllipsis, bool AShowPrefix, const String& AText,
                                                TFont* AFont, TColor ATextColor, TColor) const {
  if (AText.empty()) return;
  if (AFont) ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  // Measuring selects the canvas's font into the device context the theme draws on.
  ACanvas->TextExtent(String());
  if (AMultiLine)
    ACanvas->AlignMultiLineTextRectVertically(ATextRect, AText, AAlignmentVert, true, AShowPrefix, true, false,
                                              AShowEndEllipsis);
  DWORD flags = DT_EDITCONTROL;
  if (AAlignmentHorz == taRightJustify)
    flags |= DT_RIGHT;
  else if (AAlignmentHorz == taCenter)
    flags |= DT_CENTER;
  if (AAlignmentVert == vaBottom)
    flags |= DT_BOTTOM;
  else if (AAlignmentVert == vaCenter)
    flags |= DT_VCENTER;
  if (AShowEndEllipsis) flags |= DT_END_ELLIPSIS;
  if (!AShowPrefix) flags |= DT_NOPREFIX;
  flags |= AMultiLine ? DT_WORDBREAK : DT_SINGLELINE;
  vdUxTheme::DrawThemeText(ATheme, ACanvas->Handle(), APartId, AStateId, AText, -1, flags, 0, &ATextRect);
}

// --- Radio-button image list -----------------------------------------------------------------

namespace {

// A 32-bit top-down DIB selected into its own memory DC, for measuring and building.
class TPixelSurface {
 public:
  TPixelSurface(Integer AWidth, Integer AHeight, COLORREF AFill) : FWidth(AWidth), FHeight(AHeight) {
    FDC = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = AWidth;
    bi.bmiHeader.biHeight = -AHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    FBitmap = CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
    FOld = SelectObject(FDC, FBitmap);
    Fill(AFill);
  }
  ~TPixelSurface() {
    SelectObject(FDC, FOld);
    DeleteObject(FBitmap);
    DeleteDC(FDC);
  }
  TPixelSurface(const TPixelSurface&) = delete;
  TPixelSurface& operator=(const TPixelSurface&) = delete;
  HDC DC() const { return FDC; }
  bool Valid() const { return FBits != nullptr; }
  void Fill(COLORREF AColor) {
    RECT r{0, 0, FWidth, FHeight};
    HBRUSH brush = CreateSolidBrush(AColor);
    FillRect(FDC, &r, brush);
    DeleteObject(brush);
    GdiFlush();
  }
  // Outside the surface counts as a colour no drawing produces.
  COLORREF At(Integer X, Integer Y) const {
    if (!FBits || X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return CLR_INVALID;
    const DWORD v = FBits[Y * FWidth + X];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }

 private:
  Integer FWidth, FHeight;
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOld = nullptr;
  DWORD* FBits = nullptr;
};

// A GDI object of its own selected into a device context while the scope lasts, then
// deselected and deleted.
class TSelectedObjectScope {
 public:
  TSelectedObjectScope(HDC ADC, HGDIOBJ AObject) : FDC(ADC), FObject(AObject), FOld(SelectObject(ADC, AObject)) {}
  ~TSelectedObjectScope() {
    SelectObject(FDC, FOld);
    DeleteObject(FObject);
  }
  TSelectedObjectScope(const TSelectedObjectScope&) = delete;
  TSelectedObjectScope& operator=(const TSelectedObjectScope&) = delete;

 private:
  HDC FDC;
  HGDIOBJ FObject, FOld;
};

// An ellipse over the whole rect: a round rect whose corners are the rect's size less one.
void DrawEllipseShape(HDC ADC, const TRect& R, COLORREF APen, COLORREF ABrush) {
  TSelectedObjectScope pen(ADC, CreatePen(PS_SOLID, 1, APen));
  TSelectedObjectScope brush(ADC, CreateSolidBrush(ABrush));
  RoundRect(ADC, R.left, R.top, R.right, R.bottom, R.right - R.left - 1, R.bottom - R.top - 1);
}

}  // namespace

TvxRadioButtonImageList::TvxRadioButtonImageList() {
  Measure();
  FList = std::make_unique<TImageList>(FRadioButtonSize.cx, FRadioButtonSize.cy);
  FList->SetColorDepth(cd24Bit);
  FList->SetMasked(true);
  FList->SetImageType(itImage);
  CreateMask();
  CalculatePattern();
}

TvxRadioButtonImageList::~TvxRadioButtonImageList() = default;

void TvxRadioButtonImageList::Measure() {
  const TSize cell = FCheckButtonSize;
  TPixelSurface surface(cell.cx, cell.cy, RGB(0, 0, 0));
  RECT r{0, 0, cell.cx, cell.cy};
  DrawFrameControl(surface.DC(), &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_FLAT);
  GdiFlush();
  const COLORREF black = RGB(0, 0, 0);
  Integer left = -1, width = 0, top = -1, height = 0;
  for (Integer x = 0; x < cell.cx; ++x)
    for (Integer y = 0; y < cell.cy; ++y)
      if (surface.At(x, y) == black) {
        if (left < 0) left = x;
        ++width;
        break;
      }
  for (Integer y = 0; y < cell.cy; ++y)
    for (Integer x = 0; x < cell.cx; ++x)
      if (surface.At(x, y) == black) {
        if (top < 0) top = y;
        ++height;
        break;
      }
  if (left < 0 || top < 0) {
    // Nothing drawn: the radio button takes the whole cell.
    left = top = 0;
    width = cell.cx;
    height = cell.cy;
  }
  FRadioButtonRect = TRect{left, top, left + width, top + height};
  FRadioButtonSize = TSize{width, height};

  // The check dot: the window-text coloured run through the middle of a checked button.
  surface.Fill(black);
  r = RECT{0, 0, cell.cx, cell.cy};
  DrawFrameControl(surface.DC(), &r, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED | DFCS_FLAT);
  GdiFlush();
  const COLORREF text = ColorToRGB(clWindowText);
  auto run = [&](Integer X, Integer Y, Integer DX, Integer DY, Integer& AFirst, Integer& AAfter) {
    Integer x = X, y = Y;
    while (surface.At(x - DX, y - DY) == text && (DX ? x - DX >= left : y - DY >= top)) {
      x -= DX;
      y -= DY;
    }
    AFirst = DX ? x : y;
    x = X;
    y = Y;
    while (surface.At(x, y) == text && (DX ? x < left + width : y < top + height)) {
      x += DX;
      y += DY;
    }
    AAfter = DX ? x : y;
  };
  Integer dotTop, dotBottom, dotLeft, dotRight;
  run(left + width / 2 - 1, top + height / 2 - 2, 0, 1, dotTop, dotBottom);
  run(left + width / 2 - 2, top + height / 2 - 1, 1, 0, dotLeft, dotRight);
  if (dotBottom <= dotTop || dotRight <= dotLeft) {
    // No dot found in the middle: a centred dot a third of the button's size.
    const Integer dw = std::max<Integer>(2, width / 3), dh = std::max<Integer>(2, height / 3);
    dotLeft = left + (width - dw) / 2;
    dotTop = top + (height - dh) / 2;
    dotRight = dotLeft + dw;
    dotBottom = dotTop + dh;
  }
  FRadioButtonCheckRect = TRect{dotLeft, dotTop, dotRight, dotBottom};
}

void TvxRadioButtonImageList::CreateMask() {
  const Integer w = FRadioButtonSize.cx, h = FRadioButtonSize.cy;
  FButtonMask = std::make_unique<TBitmap>();
  FButtonMask->SetMonochrome(true);
  FButtonMask->SetSize(w, h);
  HDC dc = FButtonMask->Canvas()->Handle();
  RECT r{0, 0, w, h};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawEllipseShape(dc, TRect{0, 0, w, h}, RGB(0, 0, 0), RGB(0, 0, 0));
  GdiFlush();
}

void TvxRadioButtonImageList::CalculatePattern() {
  const Integer w = FRadioButtonSize.cx, h = FRadioButtonSize.cy;
  FRadioButtonPattern.assign(h, std::vector<Byte>(w, 0));
  auto& p = FRadioButtonPattern;
  const COLORREF black = RGB(0, 0, 0);
  // Below the anti-diagonal from the top-right to the bottom-left corner.
  auto lowerRight = [&](Integer x, Integer y) { return (h - 1) * (w - x - 1) < y * (w - 1); };

  // 1. The outer ring.
  {
    TPixelSurface ring(w, h, RGB(255, 255, 255));
    DrawEllipseShape(ring.DC(), TRect{0, 0, w, h}, black, RGB(255, 255, 255));
    GdiFlush();
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x)
        if (ring.At(x, y) == black) p[y][x] = lowerRight(x, y) ? 2 : 1;
  }
  auto isRing = [&](Integer x, Integer y) { return p[y][x] == 1 || p[y][x] == 2; };
  // 2. The interior, row by row from the middle outwards.
  for (Integer y = 1; y <= h - 2; ++y) {
    for (Integer x = w / 2 - 1; x >= 0 && p[y][x] == 0; --x) p[y][x] = 5;
    for (Integer x = w / 2; x < w && p[y][x] == 0; ++x) p[y][x] = 5;
  }
  // 3. The inner ring: the pixels just inside the outer ring, by rows and by columns.
  std::vector<std::vector<bool>> marked(h, std::vector<bool>(w, false));
  for (Integer y = 1; y <= h - 2; ++y) {
    const bool all = y == 1 || y == h - 2;
    for (Integer dir : {-1, 1}) {
      Integer last = -1;
      for (Integer x = w / 2; x >= 0 && x < w && !isRing(x, y); x += dir) {
        if (all) marked[y][x] = true;
        last = x;
      }
      if (last >= 0) marked[y][last] = true;
    }
  }
  for (Integer x = 1; x <= w - 2; ++x) {
    const bool all = x == 1 || x == w - 2;
    for (Integer dir : {-1, 1}) {
      Integer last = -1;
      for (Integer y = h / 2; y >= 0 && y < h && !isRing(x, y); y += dir) {
        if (all) marked[y][x] = true;
        last = y;
      }
      if (last >= 0) marked[last][x] = true;
    }
  }
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) {
      if (!marked[y][x]) continue;
      const Integer a = (h - 1) * (w - x - 1), c = y * (w - 1);
      if (a < c)
        p[y][x] = 4;
      else if (a > c)
        p[y][x] = 3;
      else
        p[y][x] = x > w / 2 - 1 ? 4 : 3;
    }
  // 4. The check dot.
  {
    TPixelSurface dot(w, h, RGB(255, 255, 255));
    TRect d = FRadioButtonCheckRect;
    OffsetRect(&d, -FRadioButtonRect.left, -FRadioButtonRect.top);
    DrawEllipseShape(dot.DC(), d, black, black);
    GdiFlush();
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x)
        if (dot.At(x, y) == black) p[y][x] = 6;
  }
}

std::array<TColor, 7> TvxRadioButtonImageList::ImageColors(TvxLookAndFeelKind AKind, TvxButtonState AState,
                                                           bool AChecked, bool AFocused, bool AIsDesigning) {
  if (AState == vxbsDefault) AState = vxbsNormal;
  const bool disabled = AState == vxbsDisabled;
  TColor fill;
  if (AKind == lfOffice11)
    fill = AState == vxbsNormal ? clWindow : TvxOffice11LookAndFeelPainter::Instance()->ButtonColor(AState);
  else if (disabled)
    fill = clBtnFace;
  else if (AKind == lfUltraFlat)
    fill = AState == vxbsHot ? vxGetLightHotColor() : (AState == vxbsPressed ? vxGetLightPressedColor() : clWindow);
  else
    fill = AState == vxbsPressed ? clBtnFace : clWindow;

  TColor outer1, outer2, inner1, inner2;
  switch (AKind) {
    case lfFlat:
      outer1 = clBtnShadow;
      outer2 = clBtnHighlight;
      inner1 = inner2 = cl3DLight;
      break;
    case lfStandard:
      outer1 = clBtnShadow;
      outer2 = clBtnHighlight;
      inner1 = cl3DDkShadow;
      inner2 = cl3DLight;
      break;
    case lfUltraFlat: {
      const bool highlighted =
          AFocused || AState == vxbsHot || AState == vxbsPressed || (AIsDesigning && !disabled);
      outer1 = outer2 = highlighted ? clHighlight : clBtnShadow;
      inner1 = inner2 = fill;
      break;
    }
    default: {
      TColor o = clBtnText;
      if (disabled)
        o = vdOffice11DisabledSymbolColor;
      else if (AFocused || AIsDesigning || AState == vxbsHot || AState == vxbsPressed)
        o = vdOffice11HighlightBorderColor;
      outer1 = outer2 = o;
      inner1 = inner2 = fill;
      break;
    }
  }
  TColor dot = fill;
  if (AChecked) dot = disabled ? (AKind == lfOffice11 ? vdOffice11DisabledSymbolColor : clBtnShadow) : clWindowText;
  const TColor roles[7] = {clBlack, outer1, outer2, inner1, inner2, fill, dot};
  std::array<TColor, 7> result;
  for (size_t i = 0; i < result.size(); ++i) result[i] = ColorToRGB(roles[i]);
  return result;
}

Integer TvxRadioButtonImageList::MapIndex(TvxLookAndFeelKind AKind, TvxButtonState AState, bool AChecked,
                                          bool AFocused, bool AIsDesigning) {
  // The default state has no images of its own: it looks like the normal one.
  if (AState == vxbsDefault) AState = vxbsNormal;
  return (static_cast<Integer>(AState) - 1) + 4 * (AChecked ? 1 : 0) + 8 * static_cast<Integer>(AKind) +
         32 * (AIsDesigning ? 1 : 0) + 64 * (AFocused ? 1 : 0);
}

Integer TvxRadioButtonImageList::ImageIndex(TvxLookAndFeelKind AKind, TvxButtonState AState, bool AChecked,
                                            bool AFocused, bool AIsDesigning) const {
  const Integer i = MapIndex(AKind, AState, AChecked, AFocused, AIsDesigning);
  return i >= 0 && i < static_cast<Integer>(FRadioIndexMap.size()) ? FRadioIndexMap[i] : -1;
}

void TvxRadioButtonImageList::Prepare() {
  if (FList->Count() > 0) return;
  const Integer w = FRadioButtonSize.cx, h = FRadioButtonSize.cy;
  if (w <= 0 || h <= 0) return;
  for (bool designing : {false, true})
    for (bool focused : {false, true})
      for (Integer kind = lfFlat; kind <= lfOffice11; ++kind)
        for (bool checked : {false, true})
          for (Integer state = vxbsNormal; state <= vxbsDisabled; ++state) {
            const auto k = static_cast<TvxLookAndFeelKind>(kind);
            const auto s = static_cast<TvxButtonState>(state);
            const std::array<TColor, 7> colors = ImageColors(k, s, checked, focused, designing);
            TBitmap image;
            image.SetPixelFormat(pf32bit);
            image.SetSize(w, h);
            for (Integer y = 0; y < h; ++y) {
              auto* row = static_cast<DWORD*>(image.ScanLine(y));
              for (Integer x = 0; x < w; ++x) {
                const COLORREF c = static_cast<COLORREF>(colors[FRadioButtonPattern[y][x]]);
                row[x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
              }
            }
            // The system copies the mask through a context of its own: it must not stay
            // selected into the mask's canvas.
            FButtonMask->Dormant();
            const Integer number = FList->Add(&image, FButtonMask.get());
            const Integer entry = MapIndex(k, s, checked, focused, designing);
            if (entry >= static_cast<Integer>(FRadioIndexMap.size())) FRadioIndexMap.resize(entry + 1, -1);
            FRadioIndexMap[entry] = number;
          }
}

void TvxRadioButtonImageList::Reset() {
  FList->Clear();
  Prepare();
}

TSize TvxRadioButtonImageList::GetSize() const { return TSize{FList->Width(), FList->Height()}; }

void TvxRadioButtonImageList::Draw(TvxCanvas* ACanvas, Integer X, Integer Y, TColor ABrushColor,
                                   TvxLookAndFeelKind ALookAndFeelKind, TvxButtonState AButtonState, bool AChecked,
                                   bool AFocused, bool AIsDesigning) {
  const Integer image = ImageIndex(ALookAndFeelKind, AButtonState, AChecked, AFocused, AIsDesigning);
  if (image < 0) return;
  if (ABrushColor == clDefault) {
    FList->Draw(ACanvas->Canvas(), X, Y, image, true);
    return;
  }
  TBitmap square;
  square.SetPixelFormat(pf32bit);
  square.SetSize(FList->Width(), FList->Height());
  TCanvas* c = square.Canvas();
  c->Brush()->SetColor(ABrushColor);
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(TRect{0, 0, square.Width(), square.Height()});
  FList->Draw(c, 0, 0, image, true);
  ACanvas->Draw(X, Y, &square);
}

TvxRadioButtonImageList* vxGetRadioButtonImageList() {
  if (!FRadioButtonImageList) {
    auto list = std::make_unique<TvxRadioButtonImageList>();
    list->Prepare();
    FRadioButtonImageList = list.release();
  }
  return FRadioButtonImageList;
}

void TvxCustomLookAndFeelPainter::DrawRadioButton(TvxCanvas* ACanvas, Integer X, Integer Y,
                                                  TvxButtonState AButtonState, bool AChecked, bool AFocused,
                                                  TColor ABrushColor, bool AIsDesigning) const {
  vxGetRadioButtonImageList()->Draw(ACanvas, X, Y, ABrushColor, vxStyleToLookAndFeelKind(LookAndFeelStyle()),
                                    AButtonState, AChecked, AFocused, AIsDesigning);
}

TSize TvxCustomLookAndFeelPainter::RadioButtonSize() const { return vxGetRadioButtonImageList()->GetSize(); }

// --- Extended style painters ---------------------------------------------------------------

TvxExtendedStylePainterInfo::TvxExtendedStylePainterInfo(const String& AName,
                                                         TvxCustomLookAndFeelPainterClass APainter, TObject* AData)
    : Data(AData), Name(AName), Painter(APainter) {}

TvxExtendedStylePainterInfo::~TvxExtendedStylePainterInfo() { delete Data; }

TvxExtendedStylePainters::~TvxExtendedStylePainters() { FListeners.clear(); }

void TvxExtendedStylePainters::AddListener(IvxLookAndFeelPainterListener* AListener) {
  if (AListener && std::find(FListeners.begin(), FListeners.end(), AListener) == FListeners.end())
    FListeners.push_back(AListener);
}

void TvxExtendedStylePainters::RemoveListener(IvxLookAndFeelPainterListener* AListener) {
  auto it = std::find(FListeners.begin(), FListeners.end(), AListener);
  if (it != FListeners.end()) FListeners.erase(it);
}

Integer TvxExtendedStylePainters::IndexOfName(const String& AName) const {
  for (Integer i = 0; i < Count(); ++i)
    if (AnsiSameText(Names(i), AName)) return i;
  return -1;
}

bool TvxExtendedStylePainters::Register(const String& AName, TvxCustomLookAndFeelPainterClass APainter,
                                        TObject* AData) {
  if (IndexOfName(AName) >= 0) return false;
  auto info = std::make_unique<TvxExtendedStylePainterInfo>(AName, APainter, nullptr);
  Add(info.get());
  info.release()->Data = AData;
  Sort([](Pointer A, Pointer B) {
    return AnsiCompareStr(static_cast<TvxExtendedStylePainterInfo*>(A)->Name,
                          static_cast<TvxExtendedStylePainterInfo*>(B)->Name);
  });
  NotifyListeners(APainter);
  return true;
}

bool TvxExtendedStylePainters::Unregister(const String& AName) {
  Integer index = IndexOfName(AName);
  if (index < 0) return false;
  std::unique_ptr<TvxExtendedStylePainterInfo> info(PainterInfos(index));
  Delete(index);
  NotifyListeners(info->Painter);
  return true;
}

bool TvxExtendedStylePainters::GetPainterByName(const String& AName, TvxCustomLookAndFeelPainterClass& APainter) const {
  Integer index = IndexOfName(AName);
  if (index < 0) return false;
  APainter = Painters(index);
  return true;
}

bool TvxExtendedStylePainters::GetNameByPainter(TvxCustomLookAndFeelPainterClass APainter, String& AName) const {
  AName.clear();
  for (Integer i = 0; i < Count(); ++i)
    if (Painters(i) == APainter) {
      AName = Names(i);
      return true;
    }
  return false;
}

bool TvxExtendedStylePainters::GetPainterData(TvxCustomLookAndFeelPainterClass APainter, TObject*& AData) const {
  AData = nullptr;
  for (Integer i = 0; i < Count(); ++i)
    if (Painters(i) == APainter) {
      AData = PainterInfos(i)->Data;
      return true;
    }
  return false;
}

void TvxExtendedStylePainters::NotifyListeners(TvxCustomLookAndFeelPainterClass APainter) {
  // From the last one added to the first; a copy, so listeners may leave meanwhile.
  std::vector<IvxLookAndFeelPainterListener*> listeners = FListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) (*it)->PainterChanged(APainter);
}

TvxExtendedStylePainters* vxGlobalExtendedStylePainters() { return FExtendedStylePainters; }

// --- Unit-level routines ------------------------------------------------------------------------

TvxLookAndFeelKind vxStyleToLookAndFeelKind(TvxLookAndFeelStyle AStyle) {
  switch (AStyle) {
    case lfsFlat:
      return lfFlat;
    case lfsUltraFlat:
      return lfUltraFlat;
    case lfsOffice11:
      return lfOffice11;
    default:
      return lfStandard;
  }
}

TRect vxRectInset2(const TRect& R) { return Deflated(R, 2); }

void vxUpdateScrollBarBitmaps() {
  if (!FScrollBarBitmapNormal) {
    auto normal = std::make_unique<TBitmap>(8, 8);
    auto pressed = std::make_unique<TBitmap>(8, 8);
    FScrollBarBitmapNormal = normal.release();
    FScrollBarBitmapPressed = pressed.release();
  }
  TCanvas* normal = FScrollBarBitmapNormal->Canvas();
  TCanvas* pressed = FScrollBarBitmapPressed->Canvas();
  for (Integer y = 0; y < 8; ++y)
    for (Integer x = 0; x < 8; ++x) {
      const bool same = x % 2 == y % 2;
      normal->SetPixel(x, y, ColorToRGB(same ? clBtnFace : clBtnHighlight));
      pressed->SetPixel(x, y, ColorToRGB(same ? clBlack : cl3DDkShadow));
    }
}

TBitmap* vxScrollBarPatternBitmap(bool APressed) {
  return APressed ? FScrollBarBitmapPressed : FScrollBarBitmapNormal;
}

TCustomImageList* vxIndicatorImages() { return FIndicatorImages; }

const TUnitInfo vxLookAndFeelPaintersUnit = {L"vxLookAndFeelPainters", InitLookAndFeelPainters,
                                             FinLookAndFeelPainters};
