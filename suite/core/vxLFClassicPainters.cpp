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
