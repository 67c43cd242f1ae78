// Painters: stateless classes through which the suite's controls draw their standard
// elements. Each painter class is one object whose virtual methods are the class's
// operations; a painter class reference points at that object, and an override in a
// descendant is seen by every base operation that calls the same operation. The unit
// also keeps the resources the painters draw with (the system check-box size, the row
// indicator images, the scroll-bar page patterns) and the registry of further painters
// added by name (extended styles such as skins).
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "Controls.h"
#include "Graphics.h"
#include "ImgList.h"
#include "SysInit.h"
#include "vdCore.h"
#include "System.h"
#include "vxClasses.h"
#include "vxGeometry.h"
#include "vxGraphics.h"

enum TvxLookAndFeelStyle { lfsFlat, lfsStandard, lfsUltraFlat, lfsNative, lfsOffice11 };
// Declared here for vxStyleToLookAndFeelKind; the look and feel unit owns its meaning.
enum TvxLookAndFeelKind { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };

enum TvxArrowDirection { adUp, adDown, adLeft, adRight };
enum TvxEditBtnKind {
  vxbkCloseBtn, vxbkComboBtn, vxbkEditorBtn, vxbkEllipsisBtn, vxbkSpinUpBtn, vxbkSpinDownBtn, vxbkSpinLeftBtn,
  vxbkSpinRightBtn
};
enum TvxEditStateColorKind { esckNormal, esckDisabled, esckInactive, esckReadOnly };
enum TvxButtonState { vxbsDefault, vxbsNormal, vxbsHot, vxbsPressed, vxbsDisabled };
enum TvxCalcButtonKind {
  cbBack, cbCancel, cbClear, cbMC, cbMR, cbMS, cbMP, cbNum0, cbNum1, cbNum2, cbNum3, cbNum4, cbNum5, cbNum6,
  cbNum7, cbNum8, cbNum9, cbSign, cbDecimal, cbDiv, cbMul, cbSub, cbAdd, cbSqrt, cbPercent, cbRev, cbEqual, cbNone
};
enum TvxCheckBoxState { cbsUnchecked, cbsChecked, cbsGrayed };
enum TvxGroupBoxCaptionPosition { vxgpTop, vxgpBottom, vxgpLeft, vxgpRight, vxgpCenter };
enum TvxHeaderArrows { haNone, haLeft, haRight, haBoth };
enum TvxIndicatorKind { ikNone, ikArrow, ikEdit, ikInsert, ikMultiDot, ikMultiArrow, ikFilter };
enum TvxNeighbor { nLeft, nTop, nRight, nBottom };
using TvxNeighbors = Set<TvxNeighbor, 4>;
enum TvxScrollBarPart { sbpNone, sbpLineUp, sbpLineDown, sbpThumbnail, sbpPageUp, sbpPageDown };
enum TvxPopupBorderStyle { pbsNone, pbsUltraFlat, pbsFlat, pbs3D };
enum TvxTrackBarTicksAlign { tbtaUp, tbtaDown, tbtaBoth };

// The corners of a filled triangle.
using TvxArrowPoints = std::array<TPoint, 3>;
// True: the handler painted the background itself and the painter leaves it alone.
using TvxDrawBackgroundEvent = std::function<bool(TvxCanvas* ACanvas, const TRect& ABounds)>;

class TvxCustomLookAndFeelPainter;
// A painter class reference.
using TvxCustomLookAndFeelPainterClass = const TvxCustomLookAndFeelPainter*;

// The base painter: the complete list of operations, in slot order, with the base
// behaviour of each. Operations never raise and keep no state; they change the
// canvas's brush, pen and font freely.
class TvxCustomLookAndFeelPainter : public TObject {
  DECLARE_CLASS(TvxCustomLookAndFeelPainter, TObject)
 public:
  // The class's one object.
  static TvxCustomLookAndFeelPainterClass Instance();

 protected:
  TvxCustomLookAndFeelPainter() = default;

  virtual void FillBackground(TvxCanvas* ACanvas, const TRect& R, bool ATransparent, TColor AColor,
                              TBitmap* ABitmap) const;
  virtual void DrawDropDownArrow(TvxCanvas* ACanvas, const TRect& R, TColor AColor) const;
  virtual void DrawContent(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                           TvxButtonState AState, TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
                           bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont,
                           TColor ATextColor, TColor ABkColor, const TvxDrawBackgroundEvent& AOnDrawBackground,
                           bool AIsFooter) const;
  virtual void DrawFooterBorderWithSeparator(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders) const;
  virtual void DrawSchedulerNavigationButtonContent(TvxCanvas* ACanvas, const TRect& R, const TRect& AArrowRect,
                                                    bool AIsNextButton, TvxButtonState AState) const;
  virtual TRect FooterCellContentBounds(const TRect& R) const;
  virtual TRect FooterCellTextAreaBounds(const TRect& R) const;
  virtual TRect CalculateSeparatorRect(const TRect& R, Integer AThickness, bool AIsVertical) const;

 public:
  // --- Group A: style and default colours ---
  virtual TvxLookAndFeelStyle LookAndFeelStyle() const { return lfsStandard; }
  virtual bool NeedRedrawOnResize() const { return false; }
  virtual TColor DefaultContentColor() const { return clWindow; }
  virtual TColor DefaultContentEvenColor() const { return DefaultContentColor(); }
  virtual TColor DefaultContentOddColor() const { return DefaultContentColor(); }
  virtual TColor DefaultContentTextColor() const { return clWindowText; }
  virtual TColor DefaultEditorBackgroundColor(bool AIsDisabled) const {
    return DefaultEditorBackgroundColorEx(AIsDisabled ? esckDisabled : esckNormal);
  }
  virtual TColor DefaultEditorBackgroundColorEx(TvxEditStateColorKind) const { return clDefault; }
  virtual TColor DefaultEditorTextColor(bool AIsDisabled) const {
    return DefaultEditorTextColorEx(AIsDisabled ? esckDisabled : esckNormal);
  }
  virtual TColor DefaultEditorTextColorEx(TvxEditStateColorKind) const { return clDefault; }
  virtual TColor DefaultFilterBoxColor() const { return clBtnShadow; }
  virtual TColor DefaultFilterBoxTextColor() const { return clBtnHighlight; }
  virtual TColor DefaultFixedSeparatorColor() const { return clBtnText; }
  virtual TColor DefaultFooterColor() const { return clBtnFace; }
  virtual TColor DefaultFooterTextColor() const { return clBtnText; }
  virtual TColor DefaultGridDetailsSiteColor() const { return clBtnFace; }
  virtual TColor DefaultGridLineColor() const { return clBtnShadow; }
  virtual TColor DefaultGroupByBoxColor() const { return clBtnShadow; }
  virtual TColor DefaultGroupByBoxTextColor() const { return clBtnFace; }
  virtual TColor DefaultGroupColor() const { return clBtnFace; }
  virtual TColor DefaultGroupTextColor() const { return clBtnText; }
  virtual TColor DefaultHeaderBackgroundColor() const { return clBtnShadow; }
  virtual TColor DefaultHeaderBackgroundTextColor() const { return clBtnFace; }
  virtual TColor DefaultHeaderColor() const { return clBtnFace; }
  virtual TColor DefaultHeaderTextColor() const { return clBtnText; }
  virtual TColor DefaultHyperlinkTextColor() const { return clBlue; }
  virtual TColor DefaultInactiveColor() const { return clBtnFace; }
  virtual TColor DefaultInactiveTextColor() const { return clBtnText; }
  virtual TColor DefaultPreviewTextColor() const { return clBlue; }
  virtual TColor DefaultRecordSeparatorColor() const { return DefaultGridLineColor(); }
  virtual TColor DefaultSizeGripAreaColor() const { return clBtnFace; }
  virtual TColor DefaultVGridBandLineColor() const { return DefaultVGridLineColor(); }
  virtual TColor DefaultVGridCategoryColor() const { return DefaultHeaderColor(); }
  virtual TColor DefaultVGridCategoryTextColor() const { return clDefault; }
  virtual TColor DefaultVGridHeaderColor() const { return DefaultHeaderColor(); }
  virtual TColor DefaultVGridHeaderTextColor() const { return DefaultHeaderTextColor(); }
  virtual TColor DefaultVGridLineColor() const { return clBlack; }
  virtual TColor DefaultDateNavigatorContentColor() const;
  virtual TColor DefaultDateNavigatorHeaderColor() const { return clBtnFace; }
  virtual TColor DefaultDateNavigatorHeaderTextColor(bool AIsHighlight) const {
    return AIsHighlight ? clHighlightText : DefaultHeaderTextColor();
  }
  virtual TColor DefaultDateNavigatorHolydayTextColor() const { return clRed; }
  virtual TColor DefaultDateNavigatorInactiveTextColor() const { return clGrayText; }
  virtual TColor DefaultDateNavigatorSelectionColor() const { return clHighlight; }
  virtual TColor DefaultDateNavigatorSelectionTextColor() const { return clHighlightText; }
  virtual TColor DefaultDateNavigatorSeparator1Color() const { return clBtnShadow; }
  virtual TColor DefaultDateNavigatorSeparator2Color() const { return clWindow; }
  virtual TColor DefaultDateNavigatorTextColor() const { return clWindowText; }
  virtual TColor DefaultDateNavigatorTodayFrameColor() const { return clMaroon; }
  virtual TColor DefaultDateNavigatorTodayTextColor() const { return clNavy; }
  virtual TColor DefaultSchedulerBackgroundColor() const { return clWindow; }
  virtual TColor DefaultSchedulerTextColor() const { return clWindowText; }
  virtual TColor DefaultSchedulerBorderColor() const { return RGB(161, 157, 157); }
  virtual TColor DefaultSchedulerControlColor() const { return clBtnFace; }
  virtual TColor DefaultSchedulerNavigatorColor() const { return clBtnFace; }
  virtual TColor DefaultSchedulerTimeRulerColor() const { return DefaultHeaderColor(); }
  virtual TColor DefaultSchedulerTimeRulerTextColor() const { return DefaultHeaderTextColor(); }
  virtual TColor DefaultSchedulerViewContentColor() const { return RGB(255, 255, 213); }
  virtual TColor DefaultSchedulerViewSelectedTextColor() const { return DefaultSelectionTextColor(); }
  virtual TColor DefaultSchedulerViewTextColor() const { return clWindowText; }
  virtual TColor DefaultSelectionColor() const { return clHighlight; }
  virtual TColor DefaultSelectionTextColor() const { return clHighlightText; }
  virtual TColor DefaultSeparatorColor() const { return clBtnFace; }
  virtual TColor DefaultTabColor() const { return clBtnFace; }
  virtual TColor DefaultTabTextColor() const { return clBtnText; }
  virtual TColor DefaultTabsBackgroundColor() const { return clBtnFace; }
  virtual TColor DefaultTimeGridMajorScaleColor() const { return clWhite; }
  virtual TColor DefaultTimeGridMajorScaleTextColor() const { return clBlack; }
  virtual TColor DefaultTimeGridMinorScaleColor() const { return clBtnFace; }
  virtual TColor DefaultTimeGridMinorScaleTextColor() const { return clBtnText; }
  virtual TColor DefaultTimeGridSelectionBarColor() const { return clWhite; }
  virtual TColor DefaultChartDiagramValueBorderColor() const { return clBlack; }
  virtual TColor DefaultChartDiagramValueCaptionTextColor() const { return clBlack; }
  virtual TColor DefaultChartHistogramAxisColor() const { return clBlack; }
  virtual TColor DefaultChartHistogramGridLineColor() const { return RGB(207, 207, 207); }
  virtual TColor DefaultChartHistogramPlotColor() const { return clWhite; }
  virtual TColor DefaultChartPieDiagramSeriesSiteBorderColor() const { return clBtnShadow; }
  virtual TColor DefaultChartPieDiagramSeriesSiteCaptionColor() const { return RGB(166, 202, 240); }
  virtual TColor DefaultChartPieDiagramSeriesSiteCaptionTextColor() const { return clNavy; }
  virtual TColor DefaultChartToolBoxDataLevelInfoBorderColor() const { return clBtnShadow; }
  virtual TColor DefaultChartToolBoxItemSeparatorColor() const { return clBtnShadow; }

  // --- Group B: arrows, borders and buttons ---
  virtual void DrawArrow(TvxCanvas* ACanvas, const TRect& R, TvxArrowDirection AArrowDirection, TColor AColor) const;
  virtual void DrawArrow(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState,
                         TvxArrowDirection AArrowDirection, bool ADrawBorder = true) const;
  virtual void DrawArrowBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const;
  virtual void DrawScrollBarArrow(TvxCanvas* ACanvas, TRect R, TvxButtonState AState,
                                  TvxArrowDirection AArrowDirection) const;
  virtual Integer BorderSize() const { return 0; }
  virtual void DrawBorder(TvxCanvas*, TRect&) const {}
  virtual void DrawSeparator(TvxCanvas*, const TRect&, bool) const {}
  virtual TRect AdjustGroupButtonDisplayRect(const TRect& R, Integer, Integer) const { return R; }
  virtual Integer ButtonBorderSize(TvxButtonState = vxbsNormal) const { return 0; }
  virtual TColor ButtonColor(TvxButtonState) const { return clBtnFace; }
  virtual TRect ButtonFocusRect(TvxCanvas* ACanvas, const TRect& R) const;
  virtual TRect ButtonGroupBorderSizes(Integer AButtonCount, Integer AButtonIndex) const;
  virtual Integer ButtonTextOffset() const { return 0; }
  virtual Integer ButtonTextShift() const { return 0; }
  virtual TColor ButtonSymbolColor(TvxButtonState AState, TColor ADefaultColor = clDefault) const;
  virtual TvxButtonState ButtonSymbolState(TvxButtonState AState) const { return AState; }
  virtual void DrawButton(TvxCanvas* ACanvas, const TRect& R, const String& ACaption, TvxButtonState AState,
                          bool ADrawBorder = true, TColor AColor = clDefault, TColor ATextColor = clDefault,
                          bool AWordWrap = false, bool AIsToolButton = false) const;
  virtual void DrawButtonInGroup(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState, Integer AButtonCount,
                                 Integer AButtonIndex, TColor ABackgroundColor) const;
  virtual void DrawButtonBorder(TvxCanvas*, const TRect&, TvxButtonState) const {}
  virtual void DrawButtonGroupBorder(TvxCanvas*, const TRect&, bool, bool) const {}

  // --- Group C: expand buttons ---
  virtual void DrawExpandButton(TvxCanvas*, const TRect&, bool, TColor = clDefault) const {}
  virtual void DrawExpandButtonEx(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState, bool AExpanded) const;
  virtual bool DrawExpandButtonFirst() const { return true; }
  virtual void DrawGroupExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TvxButtonState AState) const;
  virtual void DrawSmallExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor ABorderColor,
                                     TColor AColor = clDefault) const;
  virtual Integer ExpandButtonSize() const { return 0; }
  virtual Integer GroupExpandButtonSize() const { return 15; }
  virtual bool IsButtonHotTrack() const { return false; }
  virtual bool IsPointOverGroupExpandButton(const TRect& R, const TPoint& P) const;
  virtual Integer SmallExpandButtonSize() const { return 9; }

  // --- Group D: check boxes, radio buttons, label lines ---
  virtual Integer CheckBorderSize() const { return 2; }
  virtual TColor CheckButtonColor(TvxButtonState AState) const;
  virtual TSize CheckButtonSize() const;
  virtual void DrawCheck(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState, bool AChecked,
                         TColor AColor) const;
  virtual void DrawCheckBorder(TvxCanvas*, const TRect&, TvxButtonState) const {}
  virtual void DrawCheckButton(TvxCanvas* ACanvas, TRect R, TvxButtonState AState, bool AChecked) const;
  virtual void DrawCheckButton(TvxCanvas* ACanvas, TRect R, TvxButtonState AState,
                               TvxCheckBoxState ACheckState) const;
  // The image of the shared radio-button image list for the painter's look.
  virtual void DrawRadioButton(TvxCanvas* ACanvas, Integer X, Integer Y, TvxButtonState AButtonState, bool AChecked,
                               bool AFocused, TColor ABrushColor, bool AIsDesigning = false) const;
  virtual TSize RadioButtonSize() const;
  virtual void DrawLabelLine(TvxCanvas* ACanvas, const TRect& R, TColor AOuterColor, TColor AInnerColor,
                             bool AIsVertical) const;
  virtual Integer LabelLineHeight() const { return 2; }

  // --- Group E: headers, footers, filter, tabs, indicator, scroll bars ---
  virtual void DrawHeader(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                          TvxNeighbors ANeighbors, TvxBorders ABorders, TvxButtonState AState,
                          TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                          bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                          TColor ABkColor, const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr,
                          bool AIsLast = false, bool AIsGroup = false) const;
  virtual void DrawHeaderEx(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                            TvxNeighbors ANeighbors, TvxBorders ABorders, TvxButtonState AState,
                            TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                            bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                            TColor ABkColor, const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual void DrawHeaderBorder(TvxCanvas*, const TRect&, TvxNeighbors, TvxBorders) const {}
  virtual void DrawHeaderPressed(TvxCanvas* ACanvas, const TRect& ABounds) const { ACanvas->InvertRect(ABounds); }
  virtual void DrawHeaderControlSection(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                        TvxNeighbors ANeighbors, TvxBorders ABorders, TvxButtonState AState,
                                        TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
                                        bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                        TColor ATextColor, TColor ABkColor) const;
  virtual void DrawHeaderControlSectionBorder(TvxCanvas*, const TRect&, TvxBorders, TvxButtonState) const {}
  virtual void DrawHeaderControlSectionContent(TvxCanvas* ACanvas, const TRect& ABounds,
                                               const TRect& ATextAreaBounds, TvxButtonState AState,
                                               TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert,
                                               bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                               TFont* AFont, TColor ATextColor, TColor ABkColor) const;
  virtual void DrawHeaderControlSectionText(TvxCanvas* ACanvas, const TRect& ATextAreaBounds,
                                            TvxButtonState AState, TAlignment AAlignmentHorz,
                                            TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                                            bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                            TColor ATextColor) const;
  virtual void DrawHeaderSeparator(TvxCanvas* ACanvas, const TRect& ABounds, Integer AIndentSize, TColor AColor,
                                   TvxViewParams& AViewParams) const;
  virtual void DrawSortingMark(TvxCanvas*, const TRect&, bool) const {}
  virtual TvxBorders HeaderBorders(TvxNeighbors) const { return vxBordersAll; }
  virtual Integer HeaderBorderSize() const { return 0; }
  virtual TRect HeaderBounds(const TRect& ABounds, TvxNeighbors ANeighbors, TvxBorders ABorders = vxBordersAll) const;
  virtual TRect HeaderContentBounds(const TRect& ABounds, TvxBorders ABorders) const;
  virtual bool HeaderDrawCellsFirst() const { return true; }
  virtual Integer HeaderHeight(Integer AFontHeight) const { return AFontHeight + 2 * HeaderBorderSize() + 4; }
  virtual Integer HeaderControlSectionBorderSize(TvxButtonState = vxbsNormal) const { return 1; }
  virtual TRect HeaderControlSectionTextAreaBounds(TRect& ABounds, TvxButtonState AState) const;
  virtual TRect HeaderControlSectionContentBounds(const TRect& ABounds, TvxButtonState AState) const;
  virtual Integer HeaderWidth(TvxCanvas* ACanvas, TvxBorders ABorders, const String& AText, TFont* AFont) const;
  virtual bool IsHeaderHotTrack() const { return false; }
  virtual TPoint SortingMarkAreaSize() const { return TPoint{16, SortingMarkSize().y}; }
  virtual TPoint SortingMarkSize() const { return TPoint{0, 0}; }
  virtual void DrawGroupByBox(TvxCanvas* ACanvas, const TRect& ARect, bool ATransparent, TColor ABackgroundColor,
                              TBitmap* ABackgroundBitmap) const {
    FillBackground(ACanvas, ARect, ATransparent, ABackgroundColor, ABackgroundBitmap);
  }
  virtual bool GridDrawHeaderCellsFirst() const { return HeaderDrawCellsFirst(); }
  virtual TColor PivotGridHeadersAreaColor() const { return DefaultHeaderBackgroundColor(); }
  virtual TColor PivotGridHeadersAreaTextColor() const { return DefaultHeaderBackgroundTextColor(); }
  virtual TvxBorders FooterBorders() const { return vxBordersAll; }
  virtual Integer FooterBorderSize() const { return 0; }
  virtual Integer FooterCellBorderSize() const { return 0; }
  virtual Integer FooterCellOffset() const { return 0; }
  virtual bool FooterDrawCellsFirst() const { return true; }
  virtual TColor FooterSeparatorColor() const { return clBtnShadow; }
  virtual Integer FooterSeparatorSize() const { return 1; }
  virtual void DrawFooterCell(TvxCanvas* ACanvas, const TRect& ABounds, TAlignment AAlignmentHorz,
                              TvxAlignmentVert AAlignmentVert, bool AMultiLine, const String& AText, TFont* AFont,
                              TColor ATextColor, TColor ABkColor,
                              const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual void DrawFooterCellContent(TvxCanvas* ACanvas, const TRect& ABounds, TAlignment AAlignmentHorz,
                                     TvxAlignmentVert AAlignmentVert, bool AMultiLine, const String& AText,
                                     TFont* AFont, TColor ATextColor, TColor ABkColor,
                                     const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual void DrawFooterBorder(TvxCanvas*, const TRect&) const {}
  virtual void DrawFooterCellBorder(TvxCanvas*, const TRect&) const {}
  virtual void DrawFooterContent(TvxCanvas* ACanvas, const TRect& ARect, const TvxViewParams& AViewParams) const;
  virtual void DrawFooterSeparator(TvxCanvas* ACanvas, const TRect& R) const {
    ACanvas->FillRect(R, FooterSeparatorColor());
  }
  virtual void DrawFilterActivateButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState, bool AChecked) const {
    DrawCheckButton(ACanvas, R, AState, AChecked);
  }
  virtual void DrawFilterCloseButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) const;
  virtual void DrawFilterDropDownButton(TvxCanvas*, TRect&, TvxButtonState, bool) const {}
  virtual void DrawFilterPanel(TvxCanvas* ACanvas, const TRect& ARect, bool ATransparent, TColor ABackgroundColor,
                               TBitmap* ABackgroundBitmap) const {
    FillBackground(ACanvas, ARect, ATransparent, ABackgroundColor, ABackgroundBitmap);
  }
  virtual TPoint FilterActivateButtonSize() const { return TPoint{13, 13}; }
  virtual TPoint FilterCloseButtonSize() const { return TPoint{16, 14}; }
  virtual TPoint FilterDropDownButtonSize() const { return TPoint{15, 0}; }
  virtual void DrawWindowContent(TvxCanvas* ACanvas, const TRect& ARect) const { ACanvas->FillRect(ARect, clBtnFace); }
  virtual TvxPopupBorderStyle PopupBorderStyle() const { return pbsUltraFlat; }
  virtual void DrawTab(TvxCanvas*, TRect&, TvxBorders, const String&, TvxButtonState, bool, TFont*, TColor, TColor,
                       bool = false) const {}
  virtual void DrawTabBorder(TvxCanvas*, TRect&, TvxBorder, TvxBorders, bool) const {}
  virtual void DrawTabsRoot(TvxCanvas*, const TRect&, TvxBorders, bool) const {}
  virtual bool IsDrawTabImplemented(bool) const { return false; }
  virtual bool IsTabHotTrack(bool) const { return false; }
  virtual Integer TabBorderSize(bool) const { return 0; }
  virtual void DrawIndicatorCustomizationMark(TvxCanvas* ACanvas, const TRect& R, TColor AColor) const;
  virtual void DrawIndicatorImage(TvxCanvas* ACanvas, const TRect& R, TvxIndicatorKind AKind) const;
  virtual void DrawIndicatorItem(TvxCanvas* ACanvas, const TRect& R, TvxIndicatorKind AKind, TColor AColor,
                                 const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual void DrawIndicatorItemEx(TvxCanvas* ACanvas, const TRect& R, TvxIndicatorKind AKind, TColor AColor,
                                   const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual bool IndicatorDrawItemsFirst() const { return true; }
  virtual Integer ScrollBarMinimalThumbSize(bool) const { return 8; }
  virtual void DrawScrollBarBackground(TvxCanvas* ACanvas, const TRect& R, bool AHorizontal) const;
  virtual void DrawScrollBarPart(TvxCanvas*, bool, TRect&, TvxScrollBarPart, TvxButtonState) const {}
  virtual TSize SizeGripSize() const;
  virtual void DrawSizeGrip(TvxCanvas* ACanvas, const TRect& ARect, TColor ABackgroundColor = clDefault) const;

  // --- Group F: scheduler, clock, editor, progress bar, group box, panel, track bar,
  // splitter, print preview ---
  virtual void CalculateSchedulerNavigationButtonRects(bool AIsNextButton, bool ACollapsed, TSize APrevButtonTextSize,
                                                       TSize ANextButtonTextSize, TRect& ABounds, TRect& ATextRect,
                                                       TRect& AArrowRect) const;
  virtual void DrawMonthHeader(TvxCanvas* ACanvas, const TRect& ABounds, const String& AText,
                               TvxNeighbors ANeighbors, const TvxViewParams& AViewParams, TvxHeaderArrows AArrows,
                               Integer ASideWidth, const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const;
  virtual void DrawSchedulerBorder(TvxCanvas* ACanvas, TRect& R) const;
  virtual void DrawSchedulerEventProgress(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& AProgress,
                                          TvxViewParams& AViewParams, bool ATransparent) const;
  virtual void DrawSchedulerNavigationButton(TvxCanvas* ACanvas, const TRect& ARect, bool AIsNextButton,
                                             TvxButtonState AState, const String& AText, const TRect& ATextRect,
                                             const TRect& AArrowRect) const;
  virtual void DrawSchedulerNavigationButtonArrow(TvxCanvas* ACanvas, const TRect& ARect, bool AIsNextButton,
                                                  TColor AColor) const;
  virtual void DrawSchedulerNavigatorButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) const {
    DrawButton(ACanvas, R, String(), AState);
  }
  virtual void DrawSchedulerSplitterBorder(TvxCanvas*, TRect&, const TvxViewParams&, bool) const {}
  virtual TRect SchedulerEventProgressOffsets() const { return TRect{2, 2, 2, 2}; }
  virtual TColor SchedulerNavigationButtonTextColor(bool, TvxButtonState AState, TColor ADefaultColor) const {
    return ButtonSymbolColor(AState, ADefaultColor);
  }
  virtual void SchedulerNavigationButtonSizes(bool AIsNextButton, TRect& ABorders, TSize& AArrowSize,
                                              bool& AHasTextArea) const;
  virtual Integer ChartToolBoxDataLevelInfoBorderSize() const { return 1; }
  virtual void DrawClock(TvxCanvas* ACanvas, const TRect& ARect, TDateTime ADateTime, TColor ABackgroundColor) const;
  virtual void DrawEditorButton(TvxCanvas*, const TRect&, TvxEditBtnKind, TvxButtonState) const {}
  virtual Integer EditButtonTextOffset() const { return 0; }
  virtual TSize EditButtonSize() const { return TSize{0, 0}; }
  virtual TColor EditButtonTextColor() const { return clDefault; }
  virtual TColor GetContainerBorderColor(bool) const { return clDefault; }
  virtual void DrawDateNavigatorDateHeader(TvxCanvas* ACanvas, TRect& R) const;
  virtual void DrawNavigatorGlyph(TvxCanvas* ACanvas, TCustomImageList* AImageList, Integer AImageIndex,
                                  Integer AButtonIndex, const TRect& AGlyphRect, bool AEnabled,
                                  bool AUserGlyphs) const;
  virtual TSize NavigatorGlyphSize() const { return TSize{0, 0}; }
  virtual void DrawProgressBarBorder(TvxCanvas*, TRect&, bool) const {}
  virtual void DrawProgressBarChunk(TvxCanvas*, TRect&, bool) const {}
  virtual void DrawProgressBarText(TvxCanvas* ACanvas, bool AVertical, bool ASolid, const String& AText,
                                   const TRect& ATextRect, const TRect& AProgressBarRect,
                                   const TRect& AProgressChunkRect, TColor ATextColor) const;
  virtual TRect ProgressBarBorderSize(bool) const { return TRect{0, 0, 0, 0}; }
  virtual TColor ProgressBarTextColor() const { return ProgressBarTextColorEx(false); }
  virtual TColor ProgressBarTextColorEx(bool AIsFilledArea) const { return AIsFilledArea ? clDefault : clWindowText; }
  virtual void DrawGroupBoxBackground(TvxCanvas*, TRect&, TRect&) const {}
  virtual void DrawGroupBoxCaption(TvxCanvas*, TRect&, TvxGroupBoxCaptionPosition) const {}
  virtual void DrawGroupBoxContent(TvxCanvas*, TRect&, TvxGroupBoxCaptionPosition, TvxBorders) const {}
  virtual void DrawGroupBoxFrame(TvxCanvas*, TRect&, bool, TvxGroupBoxCaptionPosition, TvxBorders) const {}
  virtual TRect GroupBoxBorderSize(bool, TvxGroupBoxCaptionPosition) const { return TRect{0, 0, 0, 0}; }
  virtual TColor GroupBoxTextColor(bool AEnabled, TvxGroupBoxCaptionPosition) const {
    return AEnabled ? clWindowText : clBtnShadow;
  }
  virtual bool IsGroupBoxTransparent(bool, TvxGroupBoxCaptionPosition) const { return false; }
  virtual void DrawPanelBackground(TvxCanvas* ACanvas, TWinControl*, TRect& ABounds, TColor, TColor) const {
    DrawGroupBoxBackground(ACanvas, ABounds, ABounds);
  }
  virtual void DrawPanelBorders(TvxCanvas*, const TRect&) const {}
  virtual void DrawPanelCaption(TvxCanvas* ACanvas, TRect& ACaptionRect,
                                TvxGroupBoxCaptionPosition ACaptionPosition) const {
    DrawGroupBoxCaption(ACanvas, ACaptionRect, ACaptionPosition);
  }
  virtual void DrawPanelContent(TvxCanvas* ACanvas, const TRect& ABorderRect, bool) const {
    ACanvas->FillRect(ABorderRect, clBtnFace);
  }
  virtual TRect PanelBorderSize() const { return TRect{0, 0, 0, 0}; }
  virtual TColor PanelTextColor() const { return clDefault; }
  virtual void DrawTrackBar(TvxCanvas*, const TRect&, const TRect&, bool, bool, bool) const {}
  virtual void DrawTrackBarThumb(TvxCanvas*, TRect&, TvxButtonState, bool, TvxTrackBarTicksAlign) const {}
  virtual TSize TrackBarThumbSize(bool) const { return TSize{0, 0}; }
  virtual TColor TrackBarTicksColor(bool) const { return clDefault; }
  virtual Integer TrackBarTrackSize() const { return 0; }
  virtual TColor GetSplitterInnerColor(bool) const { return clWhite; }
  virtual TColor GetSplitterOuterColor(bool) const { return clBtnShadow; }
  virtual void DrawSplitter(TvxCanvas* ACanvas, const TRect& ARect, bool AHighlighted, bool AClicked,
                            bool AHorizontal) const;
  virtual TSize GetSplitterSize(bool AHorizontal) const { return AHorizontal ? TSize{17, 2} : TSize{2, 17}; }
  virtual TColor LayoutControlEmptyAreaColor() const { return clBtnFace; }
  virtual void DrawLayoutControlBackground(TvxCanvas* ACanvas, const TRect& R) const {
    ACanvas->FillRect(R, LayoutControlEmptyAreaColor());
  }
  virtual TRect PrintPreviewPageBordersWidth() const { return TRect{2, 2, 4, 4}; }
  virtual void DrawPrintPreviewBackground(TvxCanvas* ACanvas, const TRect& R) const {
    ACanvas->FillRect(R, clBtnShadow);
  }
  virtual void DrawPrintPreviewPageBackground(TvxCanvas* ACanvas, const TRect& ABorderRect,
                                              const TRect& AContentRect, bool ASelected, bool ADrawContent) const;
  virtual TColor CalcEditButtonTextColor(TvxCalcButtonKind AButtonKind) const;
  virtual TColor GetCustomizationFormListBackgroundColor() const { return clBtnFace; }

  // --- Non-virtual class operations ---
  static void CalculateArrowPoints(TRect R, TvxArrowPoints& P, TvxArrowDirection AArrowDirection, bool AProportional,
                                   Integer AArrowSize = 0);
  void DrawButtonCross(TvxCanvas* ACanvas, const TRect& R, TColor AColor, TvxButtonState AState) const;
  // Draws the footer's content, separator and border clipped to ABounds.
  void DrawFooterPanel(TvxCanvas* ACanvas, const TRect& ABounds, const TvxViewParams& AViewParams,
                       TvxBorders ABorders) const;
  // The arrow of a scroll bar's line button.
  static TvxArrowDirection GetArrowDirection(bool AHorizontal, TvxScrollBarPart APart);

 protected:
  // A two-coloured triangle of SortingMarkSize pointing up (ascending) or down.
  void DrawSortingArrow(TvxCanvas* ACanvas, const TRect& R, bool AAscendingSorting, TColor AColor1,
                        TColor AColor2) const;
  void DrawMonthHeaderArrows(TvxCanvas* ACanvas, const TRect& ABounds, TvxHeaderArrows AArrows,
                             Integer ASideWidth) const;
  // The plus/minus sign of an expand button, centred in R.
  static void DrawExpandSign(TvxCanvas* ACanvas, const TRect& R, bool AExpanded);
};

// The classic three-dimensional look: raised buttons with two-pixel bevels, sunken borders.
class TvxStandardLookAndFeelPainter : public TvxCustomLookAndFeelPainter {
  DECLARE_CLASS(TvxStandardLookAndFeelPainter, TvxCustomLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  using TvxCustomLookAndFeelPainter::DrawCheckButton;
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsStandard; }
  TColor DefaultSchedulerViewContentColor() const override { return clWindow; }
  Integer BorderSize() const override { return 2; }
  void DrawBorder(TvxCanvas* ACanvas, TRect& R) const override;
  void DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const override;
  Integer ButtonBorderSize(TvxButtonState AState = vxbsNormal) const override { return AState == vxbsDefault ? 3 : 2; }
  Integer ButtonTextOffset() const override { return 1; }
  Integer ButtonTextShift() const override { return 1; }
  void DrawButtonBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const override;
  void DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) const override;
  void DrawGroupExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TvxButtonState AState) const override;
  Integer ExpandButtonSize() const override { return 12; }
  bool IsButtonHotTrack() const override { return false; }
  void DrawCheckBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const override;
  void DrawHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors ANeighbors,
                        TvxBorders ABorders) const override;
  void DrawHeaderControlSectionBorder(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders,
                                      TvxButtonState AState) const override;
  void DrawSortingMark(TvxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  Integer HeaderBorderSize() const override { return 1; }
  Integer HeaderControlSectionBorderSize(TvxButtonState AState = vxbsNormal) const override {
    return AState == vxbsPressed ? 1 : 2;
  }
  TPoint SortingMarkSize() const override { return TPoint{8, 7}; }
  Integer FooterBorderSize() const override { return 1; }
  Integer FooterCellBorderSize() const override { return 1; }
  Integer FooterCellOffset() const override { return 1; }
  void DrawFooterBorder(TvxCanvas* ACanvas, const TRect& R) const override;
  void DrawFooterCellBorder(TvxCanvas* ACanvas, const TRect& R) const override;
  void DrawFilterDropDownButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState,
                                bool AIsFilterActive) const override;
  void DrawTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder, TvxBorders ABorders,
                     bool AVertical) const override;
  void DrawTabsRoot(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders, bool AVertical) const override;
  Integer TabBorderSize(bool) const override { return 1; }
  void DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R, TvxScrollBarPart APart,
                         TvxButtonState AState) const override;
  void DrawMonthHeader(TvxCanvas* ACanvas, const TRect& ABounds, const String& AText, TvxNeighbors ANeighbors,
                       const TvxViewParams& AViewParams, TvxHeaderArrows AArrows, Integer ASideWidth,
                       const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void DrawSchedulerSplitterBorder(TvxCanvas* ACanvas, TRect& R, const TvxViewParams& AViewParams,
                                   bool AIsHorizontal) const override;
  void DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool AEnabled, TvxGroupBoxCaptionPosition ACaptionPosition,
                         TvxBorders ABorders) const override;

 protected:
  TvxStandardLookAndFeelPainter() = default;
};

// The Standard painter's elements with one-pixel bevels.
class TvxFlatLookAndFeelPainter : public TvxCustomLookAndFeelPainter {
  DECLARE_CLASS(TvxFlatLookAndFeelPainter, TvxCustomLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  using TvxCustomLookAndFeelPainter::DrawCheckButton;
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsFlat; }
  Integer BorderSize() const override { return 1; }
  void DrawBorder(TvxCanvas* ACanvas, TRect& R) const override;
  void DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const override;
  Integer ButtonBorderSize(TvxButtonState AState = vxbsNormal) const override { return AState == vxbsDefault ? 2 : 1; }
  Integer ButtonTextOffset() const override { return 1; }
  Integer ButtonTextShift() const override { return 1; }
  void DrawButtonBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const override;
  void DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) const override;
  Integer ExpandButtonSize() const override { return 11; }
  bool IsButtonHotTrack() const override { return false; }
  void DrawCheckBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const override;
  void DrawHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors ANeighbors,
                        TvxBorders ABorders) const override;
  void DrawHeaderControlSectionBorder(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders,
                                      TvxButtonState AState) const override;
  void DrawSortingMark(TvxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  Integer HeaderBorderSize() const override { return 1; }
  TPoint SortingMarkSize() const override { return TPoint{8, 7}; }
  Integer FooterBorderSize() const override { return 1; }
  Integer FooterCellBorderSize() const override { return 1; }
  Integer FooterCellOffset() const override { return 1; }
  void DrawFooterBorder(TvxCanvas* ACanvas, const TRect& R) const override;
  void DrawFooterCellBorder(TvxCanvas* ACanvas, const TRect& R) const override;
  void DrawFilterDropDownButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState,
                                bool AIsFilterActive) const override;
  void DrawTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder, TvxBorders ABorders,
                     bool AVertical) const override;
  void DrawTabsRoot(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders, bool AVertical) const override;
  Integer TabBorderSize(bool) const override { return 1; }
  void DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R, TvxScrollBarPart APart,
                         TvxButtonState AState) const override;
  void DrawSchedulerSplitterBorder(TvxCanvas* ACanvas, TRect& R, const TvxViewParams& AViewParams,
                                   bool AIsHorizontal) const override;
  void DrawDateNavigatorDateHeader(TvxCanvas* ACanvas, TRect& R) const override;
  void DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool AEnabled, TvxGroupBoxCaptionPosition ACaptionPosition,
                         TvxBorders ABorders) const override;
  TColor GetSplitterOuterColor(bool AHighlighted) const override {
    return AHighlighted ? cl3DDkShadow : clBtnShadow;
  }

 protected:
  TvxFlatLookAndFeelPainter() = default;
};

// One-pixel lines and flat fills; the mouse brings highlight colours derived from the
// system selection colour.
class TvxUltraFlatLookAndFeelPainter : public TvxCustomLookAndFeelPainter {
  DECLARE_CLASS(TvxUltraFlatLookAndFeelPainter, TvxCustomLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  using TvxCustomLookAndFeelPainter::DrawCheckButton;
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsUltraFlat; }
  TColor DefaultSchedulerBorderColor() const override { return clBtnShadow; }
  Integer BorderSize() const override { return 1; }
  void DrawBorder(TvxCanvas* ACanvas, TRect& R) const override;
  void DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const override;
  Integer ButtonBorderSize(TvxButtonState AState = vxbsNormal) const override { return AState == vxbsDefault ? 2 : 1; }
  TColor ButtonColor(TvxButtonState AState) const override;
  TRect ButtonFocusRect(TvxCanvas* ACanvas, const TRect& R) const override;
  TRect ButtonGroupBorderSizes(Integer AButtonCount, Integer AButtonIndex) const override;
  Integer ButtonTextOffset() const override { return 2; }
  Integer ButtonTextShift() const override { return 0; }
  TColor ButtonSymbolColor(TvxButtonState AState, TColor ADefaultColor = clDefault) const override;
  TvxButtonState ButtonSymbolState(TvxButtonState) const override { return vxbsNormal; }
  void DrawButtonInGroup(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState, Integer AButtonCount,
                         Integer AButtonIndex, TColor ABackgroundColor) const override;
  void DrawButtonBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const override;
  void DrawButtonGroupBorder(TvxCanvas* ACanvas, const TRect& R, bool AInplace, bool ASelected) const override;
  void DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) const override;
  Integer ExpandButtonSize() const override { return 11; }
  bool IsButtonHotTrack() const override { return true; }
  void DrawCheckBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const override;
  void DrawHeaderEx(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TvxNeighbors ANeighbors,
                    TvxBorders ABorders, TvxButtonState AState, TAlignment AAlignmentHorz,
                    TvxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                    TFont* AFont, TColor ATextColor, TColor ABkColor,
                    const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void DrawHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors ANeighbors,
                        TvxBorders ABorders) const override;
  void DrawHeaderControlSectionBorder(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders,
                                      TvxButtonState AState) const override;
  void DrawHeaderControlSectionContent(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                       TvxButtonState AState, TAlignment AAlignmentHorz,
                                       TvxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
                                       const String& AText, TFont* AFont, TColor ATextColor,
                                       TColor ABkColor) const override;
  void DrawSortingMark(TvxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  TvxBorders HeaderBorders(TvxNeighbors ANeighbors) const override;
  Integer HeaderBorderSize() const override { return 1; }
  TPoint SortingMarkSize() const override { return TPoint{7, 8}; }
  TvxBorders FooterBorders() const override { return TvxBorders{bRight, bBottom}; }
  Integer FooterBorderSize() const override { return 1; }
  Integer FooterCellBorderSize() const override { return 1; }
  Integer FooterCellOffset() const override { return 2; }
  void DrawFooterBorder(TvxCanvas* ACanvas, const TRect& R) const override;
  void DrawFooterCellBorder(TvxCanvas* ACanvas, const TRect& R) const override;
  void DrawFilterDropDownButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState,
                                bool AIsFilterActive) const override;
  TPoint FilterCloseButtonSize() const override { return TPoint{16, 15}; }
  void DrawTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder, TvxBorders ABorders,
                     bool AVertical) const override;
  void DrawTabsRoot(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders, bool AVertical) const override;
  Integer TabBorderSize(bool) const override { return 1; }
  void DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R, TvxScrollBarPart APart,
                         TvxButtonState AState) const override;
  void DrawSchedulerNavigatorButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) const override;
  void DrawSchedulerSplitterBorder(TvxCanvas* ACanvas, TRect& R, const TvxViewParams& AViewParams,
                                   bool AIsHorizontal) const override;
  void DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool AEnabled, TvxGroupBoxCaptionPosition ACaptionPosition,
                         TvxBorders ABorders) const override;
  TColor GetSplitterOuterColor(bool AHighlighted) const override { return AHighlighted ? clHighlight : clBtnShadow; }
  TSize GetSplitterSize(bool AHorizontal) const override { return AHorizontal ? TSize{17, 1} : TSize{1, 17}; }
  void DrawPrintPreviewBackground(TvxCanvas* ACanvas, const TRect& R) const override;
  // The frame colour of a button in a state, and the three frame colours of the look.
  virtual TColor ButtonStateBorderColor(TvxButtonState AState) const;
  virtual TColor BorderShadowColor() const { return clBtnShadow; }
  virtual TColor BorderDarkColor() const { return clBtnText; }
  virtual TColor BorderHighlightColor() const { return clHighlight; }

 protected:
  TvxUltraFlatLookAndFeelPainter() = default;
  void DrawFooterBorderWithSeparator(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders) const override;
  void DrawSchedulerNavigationButtonContent(TvxCanvas* ACanvas, const TRect& R, const TRect& AArrowRect,
                                            bool AIsNextButton, TvxButtonState AState) const override;
};

// The UltraFlat elements in the colours of the Office 2003 scheme, with gradient headers
// and bitmap expand buttons; scroll bars and group boxes follow the visual style when
// one is available.
class TvxOffice11LookAndFeelPainter : public TvxUltraFlatLookAndFeelPainter {
  DECLARE_CLASS(TvxOffice11LookAndFeelPainter, TvxUltraFlatLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  using TvxCustomLookAndFeelPainter::DrawCheckButton;
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsOffice11; }
  bool NeedRedrawOnResize() const override { return true; }
  TColor DefaultFilterBoxColor() const override;
  TColor DefaultFilterBoxTextColor() const override;
  TColor DefaultFooterColor() const override;
  TColor DefaultFooterTextColor() const override { return DefaultHeaderTextColor(); }
  TColor DefaultGroupByBoxColor() const override;
  TColor DefaultGroupByBoxTextColor() const override;
  TColor DefaultGroupColor() const override;
  TColor DefaultHeaderBackgroundColor() const override { return DefaultGroupByBoxColor(); }
  TColor DefaultHeaderColor() const override { return HeaderFaceColor(); }
  TColor DefaultDateNavigatorHeaderColor() const override;
  TColor DefaultDateNavigatorSelectionColor() const override;
  TColor DefaultDateNavigatorSelectionTextColor() const override { return clWindowText; }
  TColor DefaultSchedulerBorderColor() const override;
  TColor DefaultSchedulerControlColor() const override;
  TColor DefaultTabColor() const override;
  TColor DefaultTabsBackgroundColor() const override;
  TColor DefaultTimeGridMinorScaleColor() const override;
  TColor DefaultTimeGridSelectionBarColor() const override { return DefaultSchedulerControlColor(); }
  void DrawBorder(TvxCanvas* ACanvas, TRect& R) const override;
  void DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const override;
  TColor ButtonColor(TvxButtonState AState) const override;
  TColor ButtonSymbolColor(TvxButtonState AState, TColor ADefaultColor = clDefault) const override;
  void DrawButtonBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const override;
  void DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) const override;
  bool DrawExpandButtonFirst() const override { return false; }
  void DrawSmallExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor ABorderColor,
                             TColor AColor = clDefault) const override;
  Integer ExpandButtonSize() const override { return 11; }
  Integer SmallExpandButtonSize() const override { return 11; }
  TColor CheckButtonColor(TvxButtonState AState) const override;
  void DrawHeader(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TvxNeighbors ANeighbors,
                  TvxBorders ABorders, TvxButtonState AState, TAlignment AAlignmentHorz,
                  TvxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                  TFont* AFont, TColor ATextColor, TColor ABkColor,
                  const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr, bool AIsLast = false,
                  bool AIsGroup = false) const override;
  void DrawHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors ANeighbors,
                        TvxBorders ABorders) const override;
  void DrawHeaderControlSection(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                TvxNeighbors ANeighbors, TvxBorders ABorders, TvxButtonState AState,
                                TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                                bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                                TColor ABkColor) const override;
  void DrawSortingMark(TvxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  TvxBorders HeaderBorders(TvxNeighbors) const override { return vxBordersAll; }
  Integer HeaderBorderSize() const override { return 1; }
  bool IsHeaderHotTrack() const override { return true; }
  TColor FooterSeparatorColor() const override { return HeaderDarkEdgeColor(); }
  void DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R, TvxScrollBarPart APart,
                         TvxButtonState AState) const override;
  void DrawSizeGrip(TvxCanvas* ACanvas, const TRect& ARect, TColor ABackgroundColor = clDefault) const override;
  void DrawMonthHeader(TvxCanvas* ACanvas, const TRect& ABounds, const String& AText, TvxNeighbors ANeighbors,
                       const TvxViewParams& AViewParams, TvxHeaderArrows AArrows, Integer ASideWidth,
                       const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void DrawSchedulerBorder(TvxCanvas* ACanvas, TRect& R) const override;
  void DrawSchedulerNavigatorButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) const override;
  void DrawDateNavigatorDateHeader(TvxCanvas* ACanvas, TRect& R) const override;
  void DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool AEnabled, TvxGroupBoxCaptionPosition ACaptionPosition,
                         TvxBorders ABorders) const override;
  TColor GroupBoxTextColor(bool AEnabled, TvxGroupBoxCaptionPosition ACaptionPosition) const override;
  void DrawPanelBackground(TvxCanvas* ACanvas, TWinControl* AControl, TRect& ABounds, TColor AColorFrom,
                           TColor AColorTo) const override;
  TColor GetSplitterInnerColor(bool) const override;
  TColor GetSplitterOuterColor(bool AHighlighted) const override;
  TSize GetSplitterSize(bool AHorizontal) const override;
  void DrawLayoutControlBackground(TvxCanvas* ACanvas, const TRect& R) const override;
  TColor ButtonStateBorderColor(TvxButtonState AState) const override;
  TColor BorderShadowColor() const override { return HeaderDarkEdgeColor(); }
  TColor BorderHighlightColor() const override;
  virtual TColor HeaderBottomColor() const;
  virtual TColor HeaderDarkEdgeColor() const;
  virtual TColor HeaderLightEdgeColor() const;
  virtual TColor HeaderFaceColor() const;

 protected:
  TvxOffice11LookAndFeelPainter() = default;
  void DrawContent(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TvxButtonState AState,
                   TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                   bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                   const TvxDrawBackgroundEvent& AOnDrawBackground, bool AIsFooter) const override;
  void DrawSchedulerNavigationButtonContent(TvxCanvas* ACanvas, const TRect& R, const TRect& AArrowRect,
                                            bool AIsNextButton, TvxButtonState AState) const override;
};

// Draws with the operating system's visual styles; every operation falls back to the
// Standard look when the theme of its part kind cannot be opened.
class TvxWinXPLookAndFeelPainter : public TvxStandardLookAndFeelPainter {
  DECLARE_CLASS(TvxWinXPLookAndFeelPainter, TvxStandardLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  using TvxCustomLookAndFeelPainter::DrawCheckButton;
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsNative; }
  bool NeedRedrawOnResize() const override;
  TColor DefaultSchedulerBorderColor() const override;
  TColor DefaultSchedulerViewContentColor() const override { return RGB(255, 255, 213); }
  void DrawArrow(TvxCanvas* ACanvas, const TRect& R, TvxArrowDirection AArrowDirection, TColor AColor) const override;
  void DrawArrow(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState, TvxArrowDirection AArrowDirection,
                 bool ADrawBorder = true) const override;
  void DrawArrowBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const override;
  Integer BorderSize() const override;
  void DrawBorder(TvxCanvas* ACanvas, TRect& R) const override;
  void DrawSeparator(TvxCanvas* ACanvas, const TRect& R, bool AIsVertical) const override;
  TRect AdjustGroupButtonDisplayRect(const TRect& R, Integer AButtonCount, Integer AButtonIndex) const override;
  Integer ButtonBorderSize(TvxButtonState AState = vxbsNormal) const override;
  TColor ButtonColor(TvxButtonState AState) const override;
  TRect ButtonFocusRect(TvxCanvas* ACanvas, const TRect& R) const override;
  TRect ButtonGroupBorderSizes(Integer AButtonCount, Integer AButtonIndex) const override;
  Integer ButtonTextOffset() const override { return 2; }
  Integer ButtonTextShift() const override { return 0; }
  TColor ButtonSymbolColor(TvxButtonState AState, TColor ADefaultColor = clDefault) const override;
  void DrawButton(TvxCanvas* ACanvas, const TRect& R, const String& ACaption, TvxButtonState AState,
                  bool ADrawBorder = true, TColor AColor = clDefault, TColor ATextColor = clDefault,
                  bool AWordWrap = false, bool AIsToolButton = false) const override;
  void DrawExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) const override;
  bool DrawExpandButtonFirst() const override { return false; }
  void DrawGroupExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TvxButtonState AState) const override;
  void DrawSmallExpandButton(TvxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor ABorderColor,
                             TColor AColor = clDefault) const override;
  Integer ExpandButtonSize() const override;
  Integer GroupExpandButtonSize() const override;
  bool IsButtonHotTrack() const override { return true; }
  bool IsPointOverGroupExpandButton(const TRect& R, const TPoint& P) const override;
  Integer SmallExpandButtonSize() const override { return ExpandButtonSize(); }
  Integer CheckBorderSize() const override;
  TSize CheckButtonSize() const override;
  void DrawCheck(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState, bool AChecked,
                 TColor AColor) const override;
  void DrawCheckBorder(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) const override;
  void DrawRadioButton(TvxCanvas* ACanvas, Integer X, Integer Y, TvxButtonState AButtonState, bool AChecked,
                       bool AFocused, TColor ABrushColor, bool AIsDesigning = false) const override;
  TSize RadioButtonSize() const override;
  void DrawHeader(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TvxNeighbors ANeighbors,
                  TvxBorders ABorders, TvxButtonState AState, TAlignment AAlignmentHorz,
                  TvxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                  TFont* AFont, TColor ATextColor, TColor ABkColor,
                  const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr, bool AIsLast = false,
                  bool AIsGroup = false) const override;
  void DrawHeaderPressed(TvxCanvas*, const TRect&) const override {}
  void DrawHeaderControlSection(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                TvxNeighbors ANeighbors, TvxBorders ABorders, TvxButtonState AState,
                                TAlignment AAlignmentHorz, TvxAlignmentVert AAlignmentVert, bool AMultiLine,
                                bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                                TColor ABkColor) const override;
  void DrawSortingMark(TvxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  Integer HeaderBorderSize() const override;
  Integer HeaderControlSectionBorderSize(TvxButtonState = vxbsNormal) const override { return HeaderBorderSize(); }
  TRect HeaderControlSectionContentBounds(const TRect& ABounds, TvxButtonState AState) const override;
  bool IsHeaderHotTrack() const override { return true; }
  TPoint SortingMarkSize() const override { return TPoint{7, 8}; }
  void DrawFooterCell(TvxCanvas* ACanvas, const TRect& ABounds, TAlignment AAlignmentHorz,
                      TvxAlignmentVert AAlignmentVert, bool AMultiLine, const String& AText, TFont* AFont,
                      TColor ATextColor, TColor ABkColor,
                      const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void DrawFooterBorder(TvxCanvas* ACanvas, const TRect& R) const override;
  Integer FooterBorderSize() const override { return 1; }
  Integer FooterCellBorderSize() const override;
  Integer FooterCellOffset() const override { return 1; }
  bool FooterDrawCellsFirst() const override { return false; }
  void DrawFilterCloseButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) const override;
  void DrawFilterDropDownButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState,
                                bool AIsFilterActive) const override;
  TPoint FilterActivateButtonSize() const override;
  TPoint FilterCloseButtonSize() const override;
  void DrawTab(TvxCanvas* ACanvas, TRect& R, TvxBorders ABorders, const String& AText, TvxButtonState AState,
               bool AVertical, TFont* AFont, TColor ATextColor, TColor ABkColor,
               bool AShowPrefix = false) const override;
  void DrawTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder, TvxBorders ABorders,
                     bool AVertical) const override;
  void DrawTabsRoot(TvxCanvas* ACanvas, const TRect& R, TvxBorders ABorders, bool AVertical) const override;
  bool IsDrawTabImplemented(bool) const override;
  bool IsTabHotTrack(bool) const override;
  Integer TabBorderSize(bool) const override { return 1; }
  void DrawIndicatorItem(TvxCanvas* ACanvas, const TRect& R, TvxIndicatorKind AKind, TColor AColor,
                         const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  Integer ScrollBarMinimalThumbSize(bool AVertical) const override;
  void DrawScrollBarPart(TvxCanvas* ACanvas, bool AHorizontal, TRect& R, TvxScrollBarPart APart,
                         TvxButtonState AState) const override;
  void DrawSizeGrip(TvxCanvas* ACanvas, const TRect& ARect, TColor ABackgroundColor = clDefault) const override;
  void DrawMonthHeader(TvxCanvas* ACanvas, const TRect& ABounds, const String& AText, TvxNeighbors ANeighbors,
                       const TvxViewParams& AViewParams, TvxHeaderArrows AArrows, Integer ASideWidth,
                       const TvxDrawBackgroundEvent& AOnDrawBackground = nullptr) const override;
  void DrawSchedulerEventProgress(TvxCanvas* ACanvas, const TRect& ABounds, const TRect& AProgress,
                                  TvxViewParams& AViewParams, bool ATransparent) const override;
  TRect SchedulerEventProgressOffsets() const override { return TRect{3, 3, 3, 3}; }
  void DrawSchedulerNavigatorButton(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) const override;
  void DrawSchedulerSplitterBorder(TvxCanvas* ACanvas, TRect& R, const TvxViewParams& AViewParams,
                                   bool AIsHorizontal) const override;
  void DrawDateNavigatorDateHeader(TvxCanvas* ACanvas, TRect& R) const override;
  void DrawGroupBoxFrame(TvxCanvas* ACanvas, TRect& R, bool AEnabled, TvxGroupBoxCaptionPosition ACaptionPosition,
                         TvxBorders ABorders) const override;
  TColor GroupBoxTextColor(bool AEnabled, TvxGroupBoxCaptionPosition ACaptionPosition) const override;
  void DrawPanelBackground(TvxCanvas* ACanvas, TWinControl* AControl, TRect& ABounds, TColor AColorFrom,
                           TColor AColorTo) const override;
  void DrawSplitter(TvxCanvas*, const TRect&, bool, bool, bool) const override {}
  // Text through the theme of a part in a state; AClipRect and ABkColor are not used.
  virtual void DrawThemedText(TvxCanvas* ACanvas, HTHEME ATheme, Integer APartId, Integer AStateId,
                              const TRect& AClipRect, TRect ATextRect, TAlignment AAlignmentHorz,
                              TvxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
                              bool AShowPrefix, const String& AText, TFont* AFont, TColor ATextColor,
                              TColor ABkColor) const;

 protected:
  TvxWinXPLookAndFeelPainter() = default;
  void DrawSchedulerNavigationButtonContent(TvxCanvas* ACanvas, const TRect& R, const TRect& AArrowRect,
                                            bool AIsNextButton, TvxButtonState AState) const override;
};

// Told whenever a painter is registered or unregistered.
class IvxLookAndFeelPainterListener {
 public:
  virtual ~IvxLookAndFeelPainterListener() = default;
  virtual void PainterChanged(TvxCustomLookAndFeelPainterClass APainter) = 0;
};

class TvxExtendedStylePainterInfo : public TObject {
  DECLARE_CLASS(TvxExtendedStylePainterInfo, TObject)
 public:
  // Owns AData.
  TvxExtendedStylePainterInfo(const String& AName, TvxCustomLookAndFeelPainterClass APainter, TObject* AData);
  ~TvxExtendedStylePainterInfo() override;
  TObject* Data = nullptr;
  String Name;
  TvxCustomLookAndFeelPainterClass Painter = nullptr;
};

// Painters registered by name, kept sorted by name; names are unique in any letter case.
class TvxExtendedStylePainters : public TvxObjectList {
  DECLARE_CLASS(TvxExtendedStylePainters, TvxObjectList)
 public:
  TvxExtendedStylePainters() : TvxObjectList(true) {}
  ~TvxExtendedStylePainters() override;
  void AddListener(IvxLookAndFeelPainterListener* AListener);
  void RemoveListener(IvxLookAndFeelPainterListener* AListener);
  // False, leaving AData with the caller, when the name is taken.
  bool Register(const String& AName, TvxCustomLookAndFeelPainterClass APainter, TObject* AData);
  bool Unregister(const String& AName);
  // APainter is left unchanged when the name is unknown.
  bool GetPainterByName(const String& AName, TvxCustomLookAndFeelPainterClass& APainter) const;
  bool GetNameByPainter(TvxCustomLookAndFeelPainterClass APainter, String& AName) const;
  bool GetPainterData(TvxCustomLookAndFeelPainterClass APainter, TObject*& AData) const;
  // Position of the name (any letter case), -1 when absent.
  Integer IndexOfName(const String& AName) const;
  TvxExtendedStylePainterInfo* PainterInfos(Integer Index) const {
    return static_cast<TvxExtendedStylePainterInfo*>(Items(Index));
  }
  String Names(Integer Index) const { return PainterInfos(Index)->Name; }
  TvxCustomLookAndFeelPainterClass Painters(Integer Index) const { return PainterInfos(Index)->Painter; }
  Integer ListenerCount() const { return FListeners.Count(); }

 private:
  void NotifyListeners(TvxCustomLookAndFeelPainterClass APainter);
  TvdListenerList<IvxLookAndFeelPainterListener> FListeners;
};

// The process-wide registry; nullptr outside the unit's lifetime.
TvxExtendedStylePainters* vxGlobalExtendedStylePainters();

TvxLookAndFeelKind vxStyleToLookAndFeelKind(TvxLookAndFeelStyle AStyle);
// R shrunk by 2 on every side.
TRect vxRectInset2(const TRect& R);
// Repaints the two 8 x 8 scroll-bar page patterns in the current system colours,
// creating them first when missing.
void vxUpdateScrollBarBitmaps();
// The page pattern of the normal or of the pressed state (nullptr outside the unit's lifetime).
TBitmap* vxScrollBarPatternBitmap(bool APressed);
// The six row indicator images (nullptr outside the unit's lifetime).
TCustomImageList* vxIndicatorImages();

// Radio-button images for every look, state, checked, focused and design-time flag,
// synthesised from the geometry of the system's radio button and the current colours.
class TvxRadioButtonImageList : public TObject {
  DECLARE_CLASS(TvxRadioButtonImageList, TObject)
 public:
  // Measures the system radio button and computes the pixel roles; no images yet.
  TvxRadioButtonImageList();
  ~TvxRadioButtonImageList() override;
  // Builds all images when the list is empty.
  void Prepare();
  // Builds the images again in the current colours.
  void Reset();
  TSize GetSize() const;
  // ABrushColor clDefault draws the round image alone; any other colour fills the whole
  // square under it. The default button state draws as the normal one.
  void Draw(TvxCanvas* ACanvas, Integer X, Integer Y, TColor ABrushColor, TvxLookAndFeelKind ALookAndFeelKind,
            TvxButtonState AButtonState, bool AChecked, bool AFocused, bool AIsDesigning);
  TImageList* List() const { return FList.get(); }
  TBitmap* ButtonMask() const { return FButtonMask.get(); }
  const TRect& RadioButtonRect() const { return FRadioButtonRect; }
  const TRect& RadioButtonCheckRect() const { return FRadioButtonCheckRect; }
  // The colour role (0 outside, 1/2 outer ring, 3/4 inner ring, 5 interior, 6 dot) of a pixel.
  Byte PatternAt(Integer X, Integer Y) const { return FRadioButtonPattern[Y][X]; }
  // The seven role colours (as RGB) of one image.
  static std::array<TColor, 7> ImageColors(TvxLookAndFeelKind AKind, TvxButtonState AState, bool AChecked,
                                           bool AFocused, bool AIsDesigning);
  // The position of an image's entry in the index map.
  static Integer MapIndex(TvxLookAndFeelKind AKind, TvxButtonState AState, bool AChecked, bool AFocused,
                          bool AIsDesigning);
  // The image number of a combination, -1 when not built.
  Integer ImageIndex(TvxLookAndFeelKind AKind, TvxButtonState AState, bool AChecked, bool AFocused,
                     bool AIsDesigning) const;

 private:
  void Measure();
  void CreateMask();
  void CalculatePattern();
  std::unique_ptr<TBitmap> FButtonMask;
  std::unique_ptr<TImageList> FList;
  TRect FRadioButtonCheckRect{};
  std::vector<std::vector<Byte>> FRadioButtonPattern;
  TRect FRadioButtonRect{};
};

// The process-wide radio-button image list, created and prepared on first use.
TvxRadioButtonImageList* vxGetRadioButtonImageList();

extern const TUnitInfo vxLookAndFeelPaintersUnit;
