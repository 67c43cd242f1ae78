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
  TvxSavedDCScope saved(ACanvas);
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
