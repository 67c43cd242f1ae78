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
