// The tab painters: the standard painter every registered painter derives from, and the
// Tabs painter (raised 3-D tabs joined to a 3-D page frame, or the visual style's tabs).
#pragma once

#include "vxPC.h"

struct TvxPCNavigatorButtonPosition {
  TvxPCNavigatorButton Button;
  TRect ButtonRect;
};
using TvxPCNavigatorButtonPositions = std::vector<TvxPCNavigatorButtonPosition>;

struct TvxPCNavigatorButtonGlyphInfo {
  TColor Color = clBtnText;
  TColor PenColor = clBtnText;
  bool Enabled = true;
  bool Outlined = false;
};

// The class functions shared by the standard styles, read from the style's column.
class TvxPCStandardPainterClassInfo : public TvxPCPainterClassInfo {
 public:
  bool IsMainTabBoundWithClient() const override { return GetStandardStyle() == tsTabs; }
  bool IsMultiSelectionAccepted() const override { return GetStandardStyle() != tsTabs; }
  bool IsStandardStyle() const override { return true; }
  bool IsTabPressable() const override { return GetStandardStyle() != tsTabs; }
};

class TvxPCStandardPainter : public TvxPCCustomPainter {
  DECLARE_CLASS(TvxPCStandardPainter, TvxPCCustomPainter)
 public:
  explicit TvxPCStandardPainter(TvxCustomTabControl* AParent) : TvxPCCustomPainter(AParent) {}

  // Operations of the painter base.
  Integer CalculateTabNormalWidth(TvxTab* ATab) override;
  void GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) override;
  TvxPCSizePair GetTabImageSideOffsets(Integer AVisibleIndex) override { return {0, 0}; }
  void GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) override;
  Integer GetFrameWidth() override { return 2; }
  Integer GetImageTextDistance(Integer AVisibleIndex) override { return 6; }
  Integer GetMinTabNormalWidth(Integer AVisibleIndex) override;
  TvxPCSizePair GetTextPadding(Integer AVisibleIndex) override;
  TvxPCSizePair GetTabsDistance() override;
  void GetTabsPosition(TvxPCNavigatorButtons AButtons, TvxPCTabsPosition& ATabsPosition) override;
  TvxPCSizePair GetCompactTextPadding(Integer AVisibleIndex) override;
  void SetTabImageAndTextRects(Integer AVisibleIndex, const TRect& AImageRect, const TRect& ATextRect) override;
  bool GetNavigatorButtonAt(Integer X, Integer Y, TvxPCNavigatorButton& AButton) override;
  bool IsTabDrawnPressed(Integer AVisibleIndex) override;
  void Paint() override;
  void PaintNavigatorButtons() override;
  void PaintFrame() override;
  void PaintTabs() override;
  void NavigatorButtonStateChanged(TvxPCNavigatorButton AButton, TvxPCNavigatorButtonState AOldState) override;
  void InvalidateNavigatorButtons() override;
  void TabStateChanged(Integer AVisibleIndex, Integer AKind) override;
  Integer CalculateTabNormalHeight() override;
  TRect GetGoDialogButtonBounds() override;
  bool GetGoDialogPosition(Integer AWidth, Integer AHeight, TPoint& APoint);

  // Operations of the standard painter.
  virtual void PaintTab(Integer AVisibleIndex);
  virtual void GetNavigatorButtonGlyphInfo(TvxPCNavigatorButton AButton, TvxPCNavigatorButtonGlyphInfo& AInfo);
  virtual void CalculateNavigatorButtonsRegion(TvxPCNavigatorButtons AButtons);
  virtual void CalculateNavigatorButtonsPositions(TvxPCNavigatorButtons AButtons);
  virtual Integer GetNavigatorButtonsRegionLength(TvxPCNavigatorButtons AButtons);
  virtual TColor GetNavigatorButtonColor(TvxPCNavigatorButtonState AState) { return clBtnFace; }
  virtual TColor GetNavigatorButtonGlyphColor(TvxPCNavigatorButtonState AState);
  virtual TPoint GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton);
  virtual Integer GetNavigatorButtonHeight() { return 20; }
  virtual Integer GetNavigatorButtonWidth(TvxPCNavigatorButton AButton);
  virtual Integer GetMinTabNormalHeight();
  virtual Integer GetStyleSizeConstant();
  virtual Integer GetStandardMinTabWidth() { return 42; }
  virtual TColor GetControlBackgroundColor();
  virtual Integer GetMinFrameSize() { return 2 * GetFrameWidth(); }
  virtual Integer GetUnusedTabValue(TvxTab* ATab) { return 2; }
  virtual Integer GetTabContentIndent(Integer AVisibleIndex);
  virtual void GetExtendedTabsRectOffsets(TRect& AMargins) { AMargins = TRect{}; }
  virtual Integer GetTabContentHeight();
  virtual void PaintTabFocusRect(Integer AVisibleIndex, TRect R);
  virtual void PaintNavigatorButton(TvxPCNavigatorButton AButton, TRect R);
  virtual void PaintNavigatorButtonBackground(const TRect& R, TvxPCNavigatorButtonState AState);
  virtual void PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState);
  virtual void PaintFrameBorder(const TRect& R);
  virtual void PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) = 0;
  virtual void PaintNativeTabBackground(TvxTab* ATab, Integer AVisibleIndex) {}
  virtual void GetNavigatorButtonsOrder(TvxPCNavigatorButtons AButtons, TvxPCNavigatorButtonPositions& APositions);

  const TvxPCNavigatorButtonPositions& ButtonsQueue() const { return FButtonsQueue; }
  TvxPCStandardStyle StandardStyle() const { return Class()->GetStandardStyle(); }
  // The arrow direction of a navigator button.
  TvxArrowDirection ButtonArrowDirection(TvxPCNavigatorButton AButton) const;
  // The 3-D button frame of the button painters; the flat form draws only the outer lines.
  void DrawButtonFrame(const TRect& R, bool APressed, bool AFlat = false);

 protected:
  void DrawArrowGlyph(const TPoint& P, Integer ASize, TvxArrowDirection ADirection, TColor AColor);
  void DrawCloseGlyph(const TPoint& P, bool AOutlined, TColor AColor);

  TvxPCNavigatorButtonPositions FButtonsQueue;
  TRect FButtonsRect{};
};

class TvxPCTabsPainter : public TvxPCStandardPainter {
  DECLARE_CLASS(TvxPCTabsPainter, TvxPCStandardPainter)
 public:
  explicit TvxPCTabsPainter(TvxCustomTabControl* AParent) : TvxPCStandardPainter(AParent) {}
  static TvxPCPainterClass StaticPainterClass();
  TvxPCPainterClass Class() const override { return StaticPainterClass(); }

  bool IsNativePainting() override;
  void GetTabRectCorrection(Integer AVisibleIndex, TvxPCRectCorrection& ACorrection) override;
  Integer GetNavigatorButtonsEdgeOffset() override;
  Integer GetNavigatorButtonsSideOffset() override;
  Integer GetNavigatorButtonHeight() override;
  Integer GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) override;
  TPoint GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) override;
  void GetClientRectOffsets(TRect& AOffsets) override;
  void GetFrameRectOffsets(TRect& AOffsets) override;
  void GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) override;
  void GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) override;
  TvxPCSizePair GetTabImageSideOffsets(Integer AVisibleIndex) override;
  TvxPCSizePair GetTextPadding(Integer AVisibleIndex) override;
  TvxPCSizePair GetCompactTextPadding(Integer AVisibleIndex) override { return GetTextPadding(AVisibleIndex); }
  TColor GetTabBodyColor(Integer AVisibleIndex) override;
  TvxRegion* GetTabClipRegion(Integer AVisibleIndex) override;
  TvxRegionOperation GetTabClipOperation(Integer AVisibleIndex) override;
  void GetTabsContainerOffsets(TRect& AOffsets) override { AOffsets = TRect{2, 2, 2, 0}; }
  Integer GetTabContentHeight() override;
  void SetTabImageAndTextRects(Integer AVisibleIndex, const TRect& AImageRect, const TRect& ATextRect) override;
  void InvalidateTab(Integer AVisibleIndex) override;
  bool IsTabHit(Integer AVisibleIndex, Integer X, Integer Y) override { return true; }
  bool IsFrameVisible() override { return true; }
  Integer GetMinFrameSize() override;
  void TabStateChanged(Integer AVisibleIndex, Integer AKind) override;
  void GetTabsPosition(TvxPCNavigatorButtons AButtons, TvxPCTabsPosition& ATabsPosition) override;
  void GetNativeTabPartAndState(Integer AVisibleIndex, Integer& APart, Integer& AState) override;
  void PaintTabs() override;
  void PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) override;
  void PaintNativeTabBackground(TvxTab* ATab, Integer AVisibleIndex) override;
  void PaintFrame() override;
  void PaintFrameAndClientArea() override;
  void PaintPageBackground(HDC DC, TvxTabSheet* ASheet) override;
  void PaintNavigatorButton(TvxPCNavigatorButton AButton, TRect R) override;

  virtual void GetTabFocusBounds(const TRect& ABounds, TRect& R);
  virtual void DrawNativeTab(HDC DC, Integer AVisibleIndex, const TRect& R);
  virtual void FillNativeTabBitmapBackground(TBitmap* ABitmap, const TRect& R, TvxTab* ATab);
  virtual void GetTabCornerColors(Integer AVisibleIndex, TColor& AFirst, TColor& ALast);
  virtual void PaintTabCorners(Integer AVisibleIndex);
  virtual void PaintTabBorder(Integer AVisibleIndex);
  virtual void PaintNativeFrame(TvxCanvas* ACanvas);
};

// The base of the two button styles: tabs drawn as push buttons.
class TvxPCButtonedPainter : public TvxPCStandardPainter {
  DECLARE_CLASS(TvxPCButtonedPainter, TvxPCStandardPainter)
 public:
  explicit TvxPCButtonedPainter(TvxCustomTabControl* AParent);
  Integer GetNavigatorButtonsEdgeOffset() override { return ParentInfo()->IsTabsContainer() ? 2 : 0; }
  Integer GetNavigatorButtonsSideOffset() override { return ParentInfo()->IsTabsContainer() ? 2 : 0; }
  TPoint GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) override;
  void GetFrameRectOffsets(TRect& AOffsets) override;
  void GetTabsContainerOffsets(TRect& AOffsets) override { AOffsets = TRect{2, 2, 2, 0}; }
  TColor GetTabBodyColor(Integer AVisibleIndex) override;
  TvxPCSizePair GetTextPadding(Integer AVisibleIndex) override;
  TvxPCSizePair GetCompactTextPadding(Integer AVisibleIndex) override { return GetTextPadding(AVisibleIndex); }
  bool IsTabDrawnPressed(Integer AVisibleIndex) override;
  TBitmap* MainTabBrushBitmap() const { return FMainTabBrushBitmap.get(); }

 protected:
  // Pressed, selected or the main tab.
  bool IsTabDown(Integer AVisibleIndex);
  std::unique_ptr<TBitmap> FMainTabBrushBitmap;
};

class TvxPCButtonsPainter : public TvxPCButtonedPainter {
  DECLARE_CLASS(TvxPCButtonsPainter, TvxPCButtonedPainter)
 public:
  using TvxPCButtonedPainter::TvxPCButtonedPainter;
  static TvxPCPainterClass StaticPainterClass();
  TvxPCPainterClass Class() const override { return StaticPainterClass(); }
  bool IsTabDrawnPressed(Integer AVisibleIndex) override;
  void PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) override;
};

class TvxPCFlatButtonsPainter : public TvxPCButtonedPainter {
  DECLARE_CLASS(TvxPCFlatButtonsPainter, TvxPCButtonedPainter)
 public:
  using TvxPCButtonedPainter::TvxPCButtonedPainter;
  static TvxPCPainterClass StaticPainterClass();
  TvxPCPainterClass Class() const override { return StaticPainterClass(); }
  void PaintTab(Integer AVisibleIndex) override;
  void PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) override;
};

// The Tabs painter with one-pixel frames and a flat tab outline; never themed.
class TvxPCFlatPainter : public TvxPCTabsPainter {
  DECLARE_CLASS(TvxPCFlatPainter, TvxPCTabsPainter)
 public:
  using TvxPCTabsPainter::TvxPCTabsPainter;
  static TvxPCPainterClass StaticPainterClass();
  TvxPCPainterClass Class() const override { return StaticPainterClass(); }
  bool IsNativePainting() override { return false; }
  Integer GetFrameWidth() override { return 1; }
  Integer GetNavigatorButtonHeight() override { return 18; }
  Integer GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) override;
  TPoint GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) override;
  TvxRegion* GetTabClipRegion(Integer AVisibleIndex) override;
  TvxRegionOperation GetTabClipOperation(Integer AVisibleIndex) override { return roIntersect; }
  void PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) override;
  void PaintFrameBorder(const TRect& R) override;
  void PaintTabBorder(Integer AVisibleIndex) override;
};

// Flat tabs on a strip, separated by thin bars, with lines between the rows and the page.
class TvxPCExtraFlatPainter : public TvxPCStandardPainter {
  DECLARE_CLASS(TvxPCExtraFlatPainter, TvxPCStandardPainter)
 public:
  using TvxPCStandardPainter::TvxPCStandardPainter;
  static TvxPCPainterClass StaticPainterClass();
  TvxPCPainterClass Class() const override { return StaticPainterClass(); }

  Integer CalculateTabNormalWidth(TvxTab* ATab) override;
  Integer CalculateTabNormalHeight() override;
  Integer GetMinTabNormalWidth(Integer AVisibleIndex) override { return GetTabContentIndent(AVisibleIndex); }
  Integer GetTabContentIndent(Integer AVisibleIndex) override;
  void GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) override;
  void GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) override;
  TvxPCSizePair GetTextPadding(Integer AVisibleIndex) override;
  TvxPCSizePair GetCompactTextPadding(Integer AVisibleIndex) override { return GetTextPadding(AVisibleIndex); }
  void GetTabRectCorrection(Integer AVisibleIndex, TvxPCRectCorrection& ACorrection) override;
  TvxPCSizePair GetTabsDistance() override;
  void GetTabsPosition(TvxPCNavigatorButtons AButtons, TvxPCTabsPosition& ATabsPosition) override;
  void GetFrameRectOffsets(TRect& AOffsets) override;
  void GetClientRectOffsets(TRect& AOffsets) override;
  TColor GetDefaultClientColor() override;
  TColor GetControlBackgroundColor() override { return clBtnFace; }
  TColor GetTabBodyColor(Integer AVisibleIndex) override;
  Integer GetFrameWidth() override { return 1; }
  Integer GetNavigatorButtonHeight() override { return 13; }
  Integer GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) override { return 13; }
  Integer GetNavigatorButtonsDistance(TvxPCNavigatorButton AButton, TvxPCNavigatorButton ANextButton) override;
  Integer GetNavigatorButtonsEdgeOffset() override { return 6; }
  Integer GetNavigatorButtonsSideOffset() override { return IsFrameDrawn() ? GetFrameWidth() + 1 : 1; }
  TPoint GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) override;
  void GetNavigatorButtonGlyphInfo(TvxPCNavigatorButton AButton, TvxPCNavigatorButtonGlyphInfo& AInfo) override;
  TColor GetNavigatorButtonColor(TvxPCNavigatorButtonState AState) override;
  TColor GetNavigatorButtonGlyphColor(TvxPCNavigatorButtonState AState) override;
  void PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) override;
  void PaintContent() override;
  void PaintFrameAndClientArea() override;
  void PaintFrame() override;
  void PaintTabs() override;
  void PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) override;
  void TabStateChanged(Integer AVisibleIndex, Integer AKind) override;

  virtual Integer GetRowLineCount() { return 3; }
  virtual void GetMainTabHighlightRect(TRect& R);
  virtual TvxPCSizePair GetTabSeparatorInsets() { return {2, 2}; }
  virtual void PaintTabBackground(TvxCanvas* ACanvas, TRect R, Integer AVisibleIndex);
  virtual void AdjustClientRectOffsets(TRect& AMargins);
  virtual TColor GetTabsStripColor();
  virtual void GetTabsStripRect(TRect& R);
  virtual void GetRowRect(Integer AVisibleIndex, bool AUseNormalRect, TRect& R);
  virtual Integer GetTabSeparatorWidth() { return 1; }
  virtual TColor GetInactiveTabColor();
  virtual bool IsFrameDrawn() { return false; }
  virtual void PaintMainTabOutline(const TRect& R);
  virtual void PaintTabSeparator(const TRect& R);
  virtual void PaintRowLines(const TRect& R, Integer ARow);

 protected:
  TRect RowLinesStrip(const TRect& R, TvxBorder& AOuterSide);
  virtual void GetFrameColors(TColor& AFirst, TColor& ASecond) {
    AFirst = clBtnHighlight;
    ASecond = clBtnShadow;
  }
  virtual void GetMainTabOutlineColors(TColor& AFirst, TColor& ASecond) {
    AFirst = clWhite;
    ASecond = clBlack;
  }
};

class TvxPCUltraFlatPainter : public TvxPCExtraFlatPainter {
  DECLARE_CLASS(TvxPCUltraFlatPainter, TvxPCExtraFlatPainter)
 public:
  using TvxPCExtraFlatPainter::TvxPCExtraFlatPainter;
  static TvxPCPainterClass StaticPainterClass();
  TvxPCPainterClass Class() const override { return StaticPainterClass(); }
  Integer GetNavigatorButtonHeight() override { return 15; }
  Integer GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) override;
  Integer GetNavigatorButtonsDistance(TvxPCNavigatorButton AButton, TvxPCNavigatorButton ANextButton) override;
  Integer GetNavigatorButtonsEdgeOffset() override { return 3; }
  TPoint GetNavigatorButtonGlyphOffset(TvxPCNavigatorButton AButton) override {
    return TvxPCStandardPainter::GetNavigatorButtonGlyphOffset(AButton);
  }
  void GetNavigatorButtonGlyphInfo(TvxPCNavigatorButton AButton, TvxPCNavigatorButtonGlyphInfo& AInfo) override;
  TColor GetNavigatorButtonColor(TvxPCNavigatorButtonState AState) override;
  void PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) override;
  void GetMainTabHighlightRect(TRect& R) override;
  void PaintRowLines(const TRect& R, Integer ARow) override;

 protected:
  void GetFrameColors(TColor& AFirst, TColor& ASecond) override { AFirst = ASecond = clBtnShadow; }
  void GetMainTabOutlineColors(TColor& AFirst, TColor& ASecond) override { AFirst = ASecond = clBlack; }
};

// The UltraFlat painter in the colours of the current Office 2003 scheme, with gradient
// tab backgrounds and a one-line frame.
class TvxPCOffice11Painter : public TvxPCUltraFlatPainter {
  DECLARE_CLASS(TvxPCOffice11Painter, TvxPCUltraFlatPainter)
 public:
  explicit TvxPCOffice11Painter(TvxCustomTabControl* AParent);
  ~TvxPCOffice11Painter() override;
  static TvxPCPainterClass StaticPainterClass();
  TvxPCPainterClass Class() const override { return StaticPainterClass(); }
  Integer GetRowLineCount() override { return 1; }
  Integer GetTabSeparatorWidth() override { return 2; }
  TvxPCSizePair GetTabSeparatorInsets() override;
  bool IsFrameDrawn() override { return IsFrameVisible(); }
  bool IsTabContentOnlyExcluded(Integer AVisibleIndex) override;
  bool NeedsRedrawOnResize() override;
  TColor GetTabBodyColor(Integer AVisibleIndex) override;
  TColor GetTabsStripColor() override;
  TColor GetControlBackgroundColor() override { return GetOffice11FrameColor(); }
  void GetTabsStripRect(TRect& R) override;
  void GetClientRectOffsets(TRect& AOffsets) override;
  void AdjustClientRectOffsets(TRect& AMargins) override {}
  void PaintFrameAndClientArea() override;
  void PaintFrame() override;
  void PaintClientArea() override;
  void PaintTabBackground(TvxCanvas* ACanvas, TRect R, Integer AVisibleIndex) override;
  void PaintTabSeparator(const TRect& R) override;
  void PaintRowLines(const TRect& R, Integer ARow) override;
  void PaintNavigatorButtonBackground(const TRect& R, TvxPCNavigatorButtonState AState) override;
  TColor GetNavigatorButtonGlyphColor(TvxPCNavigatorButtonState AState) override;
  void PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) override;
  void PrepareTabTextBitmapBackground(TBitmap* ABitmap, const TvxPCOutTabImageAndTextData& AData,
                                     Integer AVisibleIndex) override;
  virtual TColor GetOffice11FrameColor();

 protected:
  void GetMainTabOutlineColors(TColor& AFirst, TColor& ASecond) override { AFirst = ASecond = GetOffice11FrameColor(); }
  // The two ends of a gradient, or their even mix when gradients are off.
  void GradientEnds(TColor A1, TColor A2, TColor& AFirst, TColor& ASecond);
  bool HasFarSideRows();
};

// Tabs with slanted or cut sides overlapping their neighbours, gradient fills and a
// highlight band on the hot and the selected tab.
class TvxPCSlantedPainter : public TvxPCStandardPainter {
  DECLARE_CLASS(TvxPCSlantedPainter, TvxPCStandardPainter)
 public:
  using TvxPCStandardPainter::TvxPCStandardPainter;
  static TvxPCPainterClass StaticPainterClass();
  TvxPCPainterClass Class() const override { return StaticPainterClass(); }

  void PrepareLayout() override { FCutValue = GetCutValue(); }
  Integer CalculateTabNormalWidth(TvxTab* ATab) override;
  Integer GetMinTabNormalWidth(Integer AVisibleIndex) override { return GetTabContentIndent(AVisibleIndex); }
  Integer GetTabContentIndent(Integer AVisibleIndex) override;
  Integer GetImageTextDistance(Integer AVisibleIndex) override { return 3; }
  Integer GetFrameWidth() override { return 1; }
  TvxPCSizePair GetTextPadding(Integer AVisibleIndex) override;
  TvxPCSizePair GetCompactTextPadding(Integer AVisibleIndex) override { return GetTextPadding(AVisibleIndex); }
  void GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) override;
  void GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) override;
  Integer GetMinTabNormalHeight() override { return 0; }
  Integer GetTabContentHeight() override;
  TvxPCSizePair GetTabsDistance() override;
  void GetTabsContainerOffsets(TRect& AOffsets) override;
  void GetExtendedTabsRectOffsets(TRect& AMargins) override;
  void GetClientRectOffsets(TRect& AOffsets) override;
  TColor GetTabBodyColor(Integer AVisibleIndex) override;
  bool IsTabColoredByPage() override { return true; }
  TColor GetClientColor() override;
  bool IsTabDrawnPressed(Integer AVisibleIndex) override { return false; }
  bool IsTabHit(Integer AVisibleIndex, Integer X, Integer Y) override;
  TvxRegion* GetTabClipRegion(Integer AVisibleIndex) override;
  void PaintTabs() override;
  void PaintTabBody(TvxTab* ATab, Integer AVisibleIndex) override;
  void PaintFrame() override;
  void PaintFrameAndClientArea() override;
  void PaintClientArea() override;
  void PrepareTabTextBitmapBackground(TBitmap* ABitmap, const TvxPCOutTabImageAndTextData& AData,
                                     Integer AVisibleIndex) override;
  Integer GetNavigatorButtonHeight() override { return 17; }
  Integer GetNavigatorButtonWidth(TvxPCNavigatorButton AButton) override;
  Integer GetNavigatorButtonsDistance(TvxPCNavigatorButton AButton, TvxPCNavigatorButton ANextButton) override;
  Integer GetNavigatorButtonsInnerOffset() override { return 1; }
  Integer GetNavigatorButtonsEdgeOffset() override { return ParentInfo()->IsTabsContainer() ? 2 : 1; }
  Integer GetNavigatorButtonsSideOffset() override { return ParentInfo()->IsTabsContainer() ? 2 : 0; }
  void GetNavigatorButtonGlyphInfo(TvxPCNavigatorButton AButton, TvxPCNavigatorButtonGlyphInfo& AInfo) override;
  TColor GetNavigatorButtonColor(TvxPCNavigatorButtonState AState) override;
  TColor GetNavigatorButtonGlyphColor(TvxPCNavigatorButtonState AState) override;
  void PaintNavigatorButtonBorder(TRect& R, TvxPCNavigatorButtonState AState) override;

  virtual bool PaintsHotMainTab() { return false; }
  virtual void PaintSlantedTabBackground(TvxCanvas* ACanvas, const TRect& R, bool AFlip, bool AVertical,
                                         Integer AVisibleIndex);
  virtual void PaintMainTabExtension(Integer AVisibleIndex);
  virtual void GetTabGradientColors(Integer AVisibleIndex, TColor& AFirst, TColor& ASecond);
  virtual Integer GetMinSlantedTabWidth();
  virtual TColor GetOutlineColor(Integer AVisibleIndex) { return clBtnShadow; }
  virtual TvxTabSlantPositions GetSlantedSides();
  virtual void GetImageAreaSize(Integer& AWidth, Integer& AHeight);
  virtual Integer GetUnusedSlantedValue() { return 0; }
  virtual Integer GetCutValue();
  virtual TvxRegion* CreateTabRegion(Integer AVisibleIndex, bool AInner);
  virtual void PaintTabOutline(Integer AVisibleIndex, const TRect& R);
  virtual void PaintTabHighlightBand(Integer AVisibleIndex);

  Integer CutValue() const { return FCutValue; }

 protected:
  // The shape described for a tab on top: the first and last pixel along the tab at the
  // given depth from its page side (0 nearest the page), for a tab w long and h deep.
  virtual void GetShapeSpan(Integer W, Integer H, Integer ADepth, bool AInner, Integer& AFirst, Integer& ALast);
  // The outline for a tab on top as (along, depth) points.
  virtual std::vector<TPoint> GetOutlinePoints(Integer W, Integer H);
  // A (along, depth) point of a tab's shape in control coordinates.
  static TPoint ShapePoint(const TRect& R, TvxTabPosition APosition, Integer AAlong, Integer ADepth);
  static Integer ShapeLength(const TRect& R, TvxTabPosition APosition);
  static Integer ShapeDepth(const TRect& R, TvxTabPosition APosition);
  // The body colour of the tab at a point, or the control's colour where there is none.
  TColor ColorAt(const TPoint& P);
  bool IsHotTab(Integer AVisibleIndex);

  Integer FCutValue = 0;
};

// Notebook-like tabs in the colours of the current Office 2003 scheme.
class TvxPCOneNotePainter : public TvxPCSlantedPainter {
  DECLARE_CLASS(TvxPCOneNotePainter, TvxPCSlantedPainter)
 public:
  using TvxPCSlantedPainter::TvxPCSlantedPainter;
  static TvxPCPainterClass StaticPainterClass();
  TvxPCPainterClass Class() const override { return StaticPainterClass(); }

  bool SupportsTabRotation() override { return false; }
  bool PaintsHotMainTab() override { return true; }
  TColor GetOutlineColor(Integer AVisibleIndex) override;
  TvxTabSlantPositions GetSlantedSides() override { return TvxTabSlantPositions{spLeft}; }
  Integer GetCutValue() override { return CalculateTabNormalHeight() + 2; }
  Integer GetMinSlantedTabWidth() override { return FCutValue + 4; }
  TvxPCSizePair GetTextPadding(Integer AVisibleIndex) override { return {FCutValue, 4}; }
  void GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) override { AMargins = TRect{0, 3, 0, 1}; }
  void GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) override { AMargins = TRect{0, 4, 0, 1}; }
  TvxPCSizePair GetTabsDistance() override;
  void GetTabsContainerOffsets(TRect& AOffsets) override;
  void GetExtendedTabsRectOffsets(TRect& AMargins) override;
  Integer GetNavigatorButtonsEdgeOffset() override { return ParentInfo()->IsTabsContainer() ? 2 : 0; }
  void PaintMainTabExtension(Integer AVisibleIndex) override;
  void PaintTabOutline(Integer AVisibleIndex, const TRect& R) override;
  void PaintTabHighlightBand(Integer AVisibleIndex) override {}

 protected:
  void GetShapeSpan(Integer W, Integer H, Integer ADepth, bool AInner, Integer& AFirst, Integer& ALast) override;
  std::vector<TPoint> GetOutlinePoints(Integer W, Integer H) override;
};

// The six colours of the OneNote tabs for the current Office 2003 scheme (index 1..6).
TColor OneNoteColor(Integer AIndex);

// Colour and geometry routines shared by the painters.
void ColorToHsb(TColor AColor, long double& AHue, long double& ASaturation, long double& ABrightness);
TColor HsbToColor(long double AHue, long double ASaturation, long double ABrightness);
TColor LightenColor(TColor AColor, Integer APercent);
TColor LightButtonFaceColor();
// One-pixel lines on the given sides of R, each moving that side in by one; with
// AExcludeInner the clip becomes the band between R as given and R as moved in.
void DrawBorderLines(TvxCanvas* ACanvas, TRect& R, std::initializer_list<std::pair<TvxBorder, TColor>> ALines,
                     bool AExcludeInner);

extern const TUnitInfo vxPCPaintersUnit;
