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
#include "vxLFPaintersCommon.h"

using namespace vxLFPaintersCommon;

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
  TvxCanvasStateScope state(ACanvas);
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
