// What the tree list shows and how it reacts: the cells of the frame (backgrounds, band
// containers, band and column headers) and of the node rows (indent and data cells), the
// view info that places them with the node rows and the scroll metrics, the painter that
// renders them through an off-screen bitmap, the hit test with its codes and sizing areas,
// the controller (focus, selection, clicks, keys, incremental search) and the cell
// navigator.
#pragma once

#include <memory>
#include <vector>

#include "vxInplaceContainer.h"
#include "vxTL.h"

class TvxTreeListViewInfo;
class TvxTreeListHitTest;
class TvxTreeListController;
class TvxTreeListNodeViewData;
class TvxTreeListColumnsCustomizationPopup;
class TvxTreeListBandsCustomizationPopup;

// Hit codes: bit indexes in the hit test's state (0 to 3 are the base controller's).
enum TvxTreeListHitCode : Integer {
  tlhcBackground = 4,
  tlhcBand,
  tlhcBandContainer,
  tlhcBandCustomizing,
  tlhcBandHeader,
  tlhcButton,
  tlhcCheckButton,
  tlhcColumn,
  tlhcColumnCustomizing,
  tlhcColumnHeader,
  tlhcFooter,
  tlhcFooterItem,
  tlhcGroupFooter,
  tlhcGroupFooterItem,
  tlhcImage,
  tlhcIndent,
  tlhcIndicator,
  tlhcNode,
  tlhcNodePreview,
  tlhcSeparator,
  tlhcSizingHorz,
  tlhcSizingVert,
  tlhcStateImage
};

// Custom-draw kinds of the cells.
enum : Integer {
  tlcdDataCell = 1,
  tlcdPreviewCell,
  tlcdBandCell,
  tlcdHeaderCell,
  tlcdBandHeaderCell,
  tlcdIndentCell,
  tlcdIndicatorCell,
  tlcdBackgroundCell,
  tlcdFooterCell
};

enum TvxTreeListBandPart { tlbpHeader, tlbpContent, tlbpGroupFooter, tlbpFooter, tlbpSeparator };

// The suite's sizing cursors.
constexpr TCursor vxHorzSizeCursor = 2110;
constexpr TCursor vxVertSizeCursor = 2109;

// --- Cells -------------------------------------------------------------------------------

// The base of every painted element of the tree list. Cells of the frame are in client
// coordinates; cells of a node row too (the row's Origin tells where the row starts).
class TvxTreeListCustomCellViewInfo : public TvxCustomViewInfoItem {
  DECLARE_CLASS(TvxTreeListCustomCellViewInfo, TvxCustomViewInfoItem)
 public:
  TvxTreeListCustomCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect, const TRect& ABounds);
  ~TvxTreeListCustomCellViewInfo() override;
  TvxEditingControl* GetControl() override;
  // A visible cell is hit when the hit point lies in its clip rectangle; it then becomes
  // the hit item and sets its codes.
  bool GetHitTest(TObject* AHitTest) override;
  void DoDraw(TvxCanvas* ACanvas) override;
  virtual void SetHitTestCodes(TvxTreeListHitTest* AHitTest) {}
  virtual void CalculateViewParams() {}
  void CalculateVisibleInfo() override;

  TvxCustomTreeList* TreeList() const { return FTreeList; }
  TvxTreeListViewInfo* ViewInfo() const;
  TvxTreeListNode* Node = nullptr;
  TvxTreeListNode* AttachNode = nullptr;
  TvxBorders Borders;
  TColor BorderColor = clDefault;

 protected:
  void DrawBorders(TvxCanvas* ACanvas, const TRect& R);
  TvxCustomTreeList* FTreeList;
};

class TvxTreeListBackgroundCellViewInfo : public TvxTreeListCustomCellViewInfo {
  DECLARE_CLASS(TvxTreeListBackgroundCellViewInfo, TvxTreeListCustomCellViewInfo)
 public:
  using TvxTreeListCustomCellViewInfo::TvxTreeListCustomCellViewInfo;
  Integer CustomDrawID() override { return tlcdBackgroundCell; }
  void CalculateViewParams() override;
  void SetHitTestCodes(TvxTreeListHitTest* AHitTest) override;
};

// A band's container under its headers, its content behind a node row, its footers, or a
// fixed separator.
class TvxTreeListBandCellViewInfo : public TvxTreeListCustomCellViewInfo {
  DECLARE_CLASS(TvxTreeListBandCellViewInfo, TvxTreeListCustomCellViewInfo)
 public:
  TvxTreeListBandCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect, const TRect& ABounds,
                              TvxTreeListBand* ABand, TvxTreeListBandPart APart);
  Integer CustomDrawID() override { return tlcdBandCell; }
  void CalculateViewParams() override;
  void SetHitTestCodes(TvxTreeListHitTest* AHitTest) override;
  // A footer or group footer is the painter's footer panel; other parts fill and frame.
  void DoDraw(TvxCanvas* ACanvas) override;
  TvxTreeListBand* Band() const { return FBand; }
  TvxTreeListBandPart Part() const { return FPart; }

 private:
  TvxTreeListBand* FBand;
  TvxTreeListBandPart FPart;
};

// A header drawn by the look-and-feel painter with its neighbours and state.
class TvxTreeListCustomHeaderCellViewInfo : public TvxTreeListCustomCellViewInfo, public IvxHotTrackTarget {
  DECLARE_CLASS(TvxTreeListCustomHeaderCellViewInfo, TvxTreeListCustomCellViewInfo)
 public:
  TvxTreeListCustomHeaderCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect, const TRect& ABounds);
  void CalculateBounds(const TRect& ABounds, const TRect& AVisibleBounds) override;
  void CalculateVisibleInfo() override;
  void DoDraw(TvxCanvas* ACanvas) override;
  // IvxHotTrackTarget
  void GetHintOrigin(TPoint& P) override { P = TPoint{DisplayRect.left, DisplayRect.top}; }
  bool CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor, TRect& AHintRect,
                     bool AIsMultiLine, String& AText) override;
  void UpdateHotTrackState(const TPoint& P) override;

  virtual bool CanBeNeighbour(TvxTreeListCustomHeaderCellViewInfo* AOther);
  void CheckNeighbour(TvxTreeListCustomHeaderCellViewInfo* AOther, bool AShared);
  virtual TAlignment AlignHorz() { return taLeftJustify; }
  virtual TvxAlignmentVert AlignVert() { return vaCenter; }
  virtual bool IsItemVisible() { return true; }
  virtual bool MultiLine() { return false; }
  virtual bool ShowEndEllipsis() { return false; }
  virtual String Text() { return String(); }
  virtual TvxDataSortOrder SortOrder() { return soNone; }
  TvxButtonState State() const { return FState; }
  void SetState(TvxButtonState Value);

  bool IsLast = false;
  TvxNeighbors Neighbors;
  TRect TextBounds{};
  TRect SortMarkBounds{};
  TRect BordersMargins{};

 protected:
  TvxButtonState FState = vxbsNormal;
};

// The header of a column or a band: its caption.
class TvxTreeListHeaderCellViewInfo : public TvxTreeListCustomHeaderCellViewInfo {
  DECLARE_CLASS(TvxTreeListHeaderCellViewInfo, TvxTreeListCustomHeaderCellViewInfo)
 public:
  using TvxTreeListCustomHeaderCellViewInfo::TvxTreeListCustomHeaderCellViewInfo;
  void CalculateVisibleInfo() override;
  TAlignment AlignHorz() override;
  TvxAlignmentVert AlignVert() override;
  bool MultiLine() override;
  bool ShowEndEllipsis() override;
  String Text() override;
  TvxTreeListCaption* Caption = nullptr;
};

class TvxTreeListColumnHeaderCellViewInfo : public TvxTreeListHeaderCellViewInfo {
  DECLARE_CLASS(TvxTreeListColumnHeaderCellViewInfo, TvxTreeListHeaderCellViewInfo)
 public:
  TvxTreeListColumnHeaderCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect, const TRect& ABounds,
                                      TvxTreeListColumn* AColumn);
  Integer CustomDrawID() override { return tlcdHeaderCell; }
  void CalculateViewParams() override;
  void SetHitTestCodes(TvxTreeListHitTest* AHitTest) override;
  bool IsItemVisible() override { return FColumn->ActuallyVisible(); }
  TvxDataSortOrder SortOrder() override { return FColumn->SortOrder(); }
  TvxTreeListColumn* Column() const { return FColumn; }

 private:
  TvxTreeListColumn* FColumn;
};

class TvxTreeListBandHeaderCellViewInfo : public TvxTreeListHeaderCellViewInfo {
  DECLARE_CLASS(TvxTreeListBandHeaderCellViewInfo, TvxTreeListHeaderCellViewInfo)
 public:
  TvxTreeListBandHeaderCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect, const TRect& ABounds,
                                    TvxTreeListBand* ABand);
  Integer CustomDrawID() override { return tlcdBandHeaderCell; }
  void CalculateViewParams() override;
  void SetHitTestCodes(TvxTreeListHitTest* AHitTest) override;
  TvxTreeListBand* Band() const { return FBand; }

 private:
  TvxTreeListBand* FBand;
};

// What an indent cell stands for: a level step, the node's image, its state image, its
// check box, or a level beside a group footer.
enum TvxTreeListNodeIndentKind { nikLevel, nikImage, nikState, nikCheck, nikFooter };

// One part of the tree's indent in front of a node's first cells: a level step with the
// tree lines of that level and, on the node's own level, its expand button; or the node's
// check box (a radio button in a radio group), state image or image.
class TvxTreeListIndentCellViewInfo : public TvxTreeListCustomCellViewInfo, public IvxHotTrackTarget {
  DECLARE_CLASS(TvxTreeListIndentCellViewInfo, TvxTreeListCustomCellViewInfo)
 public:
  using TvxTreeListCustomCellViewInfo::TvxTreeListCustomCellViewInfo;
  // IvxHotTrackTarget: a check box shows hot while the mouse is over its cell; no hints.
  void GetHintOrigin(TPoint& P) override { P = TPoint{DisplayRect.left, DisplayRect.top}; }
  bool CalculateHint(TvxCanvas*, const TPoint&, bool&, TRect&, bool, String&) override { return false; }
  void UpdateHotTrackState(const TPoint& P) override;
  bool HotTrack = false;
  Integer CustomDrawID() override { return tlcdIndentCell; }
  void CalculateViewParams() override;
  // The images again (the node's selection picks its image) and the glyph's place.
  void CalculateVisibleInfo() override;
  void DoDraw(TvxCanvas* ACanvas) override;
  bool GetHitTest(TObject* AHitTest) override;
  // The list an image or state cell draws from; the indexes follow the node (-1 without).
  void SetImages(TCustomImageList* AImages);
  // The first image, state or check cell of a node carries the line down to its children
  // while the node is expanded with shown children.
  void InitGlyphLines(TvxTreeListNode* ANode);
  // A list with the image or its overlay to draw.
  bool HasImage() const { return Images && (ImageIndex >= 0 || OverlayIndex >= 0); }
  TvxCheckBoxState CheckState() const { return Node->CheckState(); }
  bool IsRadio() const { return Node->Parent() && Node->Parent()->CheckGroupType() == ncgRadioGroup; }
  void DrawCheck(TvxCanvas* ACanvas);
  void DrawImages(TvxCanvas* ACanvas);
  TvxTreeListNodeIndentKind Kind = nikLevel;
  TCustomImageList* Images = nullptr;
  Integer ImageIndex = -1;
  Integer OverlayIndex = -1;
  TRect GlyphRect{};  // the image or check box; empty for a level cell
  // The level AIndex of ANode: which tree lines it shows (none with the line style off). The
  // node's own level has the horizontal line and a line up unless the node is the first
  // shown one; a level has a line down while the level's node has a later shown sibling;
  // an ancestor's level without one shows nothing.
  void InitLines(TvxTreeListNode* ANode, Integer AIndex);
  // The level AIndex beside a group footer of ANode's row: a line through while the level's
  // node has a later shown sibling.
  void InitFooterLines(TvxTreeListNode* ANode, Integer AIndex);
  // The tree line rectangles from the centre of the cell (of the button when shown).
  TRect HorzTreeLine() const;
  TRect VertTreeLine() const;
  Integer Index = 0;
  bool LineUp = false;
  bool LineDown = false;
  bool LineHorz = false;
  TRect ButtonRect{};  // empty without a button

 private:
  // Where the tree lines meet: the centre of the button or of the cell; for check and state
  // cells (and image cells with a dynamic indent) the centre of the next level's step, so
  // that the line down meets the children's lines.
  TPoint LineCentre() const;
};

enum TvxTreeListIndicatorPosition { tlipBands, tlipColumns, tlipContent, tlipFooter };

// The indicator column's cell: beside a node row it marks the focused, edited or selected
// node; in the band and header rows it is a blank header.
class TvxTreeListIndicatorCellViewInfo : public TvxTreeListCustomCellViewInfo {
  DECLARE_CLASS(TvxTreeListIndicatorCellViewInfo, TvxTreeListCustomCellViewInfo)
 public:
  TvxTreeListIndicatorCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect, const TRect& ABounds,
                                   TvxTreeListNode* ANode, TvxTreeListIndicatorPosition APosition);
  // A quick customization popup opened from this cell forgets it: the cell goes with every
  // relayout, the popup may stay open.
  ~TvxTreeListIndicatorCellViewInfo() override;
  Integer CustomDrawID() override { return tlcdIndicatorCell; }
  void CalculateViewParams() override;
  void DoDraw(TvxCanvas* ACanvas) override;
  void SetHitTestCodes(TvxTreeListHitTest* AHitTest) override;
  // The mark for the node: none without one; for an unfocused node a dot when selected;
  // for the focused one edit, insert, a multi-select arrow or the arrow.
  TvxIndicatorKind Kind() const;
  TvxTreeListIndicatorPosition Position;
};

// One node's value in one column, drawn as text.
class TvxTreeListEditCellViewInfo : public TvxTreeListCustomCellViewInfo {
  DECLARE_CLASS(TvxTreeListEditCellViewInfo, TvxTreeListCustomCellViewInfo)
 public:
  TvxTreeListEditCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect, const TRect& ABounds,
                              TvxTreeListNode* ANode, TvxTreeListColumn* AColumn);
  Integer CustomDrawID() override { return tlcdDataCell; }
  void CalculateViewParams() override;
  void DoDraw(TvxCanvas* ACanvas) override;
  void SetHitTestCodes(TvxTreeListHitTest* AHitTest) override;
  TvxTreeListColumn* Column() const { return FColumn; }
  const String& Text() const { return FText; }
  bool Selected = false;

 private:
  TvxTreeListColumn* FColumn;
  String FText;
};

// The one cell of a group row (categorized paint style): the categorized column's value
// across the row beside the node's indent.
class TvxTreeListGroupNodeEditViewInfo : public TvxTreeListEditCellViewInfo {
  DECLARE_CLASS(TvxTreeListGroupNodeEditViewInfo, TvxTreeListEditCellViewInfo)
 public:
  using TvxTreeListEditCellViewInfo::TvxTreeListEditCellViewInfo;
};

// The preview line of a node: one column's value across the row under (or above) its data
// cells, word-wrapped between the preview's left and right indents.
class TvxTreeListPreviewCellViewInfo : public TvxTreeListEditCellViewInfo {
  DECLARE_CLASS(TvxTreeListPreviewCellViewInfo, TvxTreeListEditCellViewInfo)
 public:
  using TvxTreeListEditCellViewInfo::TvxTreeListEditCellViewInfo;
  Integer CustomDrawID() override { return tlcdPreviewCell; }
  void DoDraw(TvxCanvas* ACanvas) override;
  void SetHitTestCodes(TvxTreeListHitTest* AHitTest) override;
  // The text area: the cell less its borders, the preview's indents and one pixel above
  // and below.
  TRect TextRect() const;
};

// A column's cell in the footer (the root's totals) or in a group footer (the totals of a
// node's children). A cell without a visible summary item is hidden and paints nothing.
class TvxTreeListFooterCellViewInfo : public TvxTreeListCustomCellViewInfo, public IvxHotTrackTarget {
  DECLARE_CLASS(TvxTreeListFooterCellViewInfo, TvxTreeListCustomCellViewInfo)
 public:
  TvxTreeListFooterCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect, const TRect& ABounds);
  Integer CustomDrawID() override { return tlcdFooterCell; }
  void CalculateViewParams() override;
  void DoDraw(TvxCanvas* ACanvas) override;
  // Hit within two pixels around the cell: the column and the footer item code.
  bool GetHitTest(TObject* AHitTest) override;
  // IvxHotTrackTarget
  void GetHintOrigin(TPoint& P) override { P = TPoint{DisplayRect.left, DisplayRect.top}; }
  bool CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor, TRect& AHintRect,
                     bool AIsMultiLine, String& AText) override;
  void UpdateHotTrackState(const TPoint&) override {}

  // ANode is the node whose totals the cell shows, AAttachNode the node whose row holds it
  // (nil in the footer).
  virtual void Init(TvxTreeListNode* ANode, TvxTreeListNode* AAttachNode, TvxTreeListColumn* AColumn);
  virtual void DrawText(TvxCanvas* ACanvas);
  virtual TAlignment AlignHorz();
  virtual TvxAlignmentVert AlignVert();
  virtual TvxTreeListSummaryItem* GetSummaryItem() { return nullptr; }
  // The column spans several lines and the item asks for several lines.
  virtual bool MultiLine();
  bool ShowEndEllipsis() const;
  TvxTreeListColumn* Column() const { return FColumn; }
  bool Hidden() const { return FHidden; }
  const String& Text() const { return FText; }

 protected:
  TvxTreeListColumn* FColumn = nullptr;
  bool FHidden = false;
  String FText;
};

// A footer cell that shows one summary item.
class TvxTreeListFooterSingleCellViewInfo : public TvxTreeListFooterCellViewInfo {
  DECLARE_CLASS(TvxTreeListFooterSingleCellViewInfo, TvxTreeListFooterCellViewInfo)
 public:
  using TvxTreeListFooterCellViewInfo::TvxTreeListFooterCellViewInfo;
  void SetSummaryItem(TvxTreeListSummaryItem* AItem);
  TvxTreeListSummaryItem* GetSummaryItem() override { return FSummaryItem; }

 private:
  TvxTreeListSummaryItem* FSummaryItem = nullptr;
};

// A footer cell that shows all of a column's visible items side by side, separated by the
// list separator (or one per line when multi-line).
class TvxTreeListFooterMultiItemsCellViewInfo : public TvxTreeListFooterCellViewInfo {
  DECLARE_CLASS(TvxTreeListFooterMultiItemsCellViewInfo, TvxTreeListFooterCellViewInfo)
 public:
  using TvxTreeListFooterCellViewInfo::TvxTreeListFooterCellViewInfo;
  void SetSummaryItems(TvxTreeListSummaryItems* AItems);
  // The first visible item; the last item when none is visible; nil for no items.
  TvxTreeListSummaryItem* GetSummaryItem() override;
  TAlignment AlignHorz() override;
  TvxAlignmentVert AlignVert() override;
  void DrawText(TvxCanvas* ACanvas) override;
  bool CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor, TRect& AHintRect,
                     bool AIsMultiLine, String& AText) override;
  String Separator();
  TvxTreeListSummaryItems* SummaryItems() const { return FSummaryItems; }
  Integer VisibleCount() const { return FVisibleCount; }
  // Drawing found an item that does not show completely.
  bool NeedShowHint() const { return FNeedShowHint; }

 private:
  TvxTreeListSummaryItems* FSummaryItems = nullptr;
  Integer FVisibleCount = 0;
  bool FNeedShowHint = false;
};

// --- Node rows ----------------------------------------------------------------------------

// One node row on screen: its bounds, its cells and its selection state.
class TvxTreeListNodeViewData : public TObject {
  DECLARE_CLASS(TvxTreeListNodeViewData, TObject)
 public:
  TvxTreeListNodeViewData(TvxTreeListViewInfo* AViewInfo, TvxTreeListNode* ANode, const TRect& ABounds);
  void Paint(TvxCanvas* ACanvas, const TvxCellsPaintHandler& AHandler);
  // The selected and focused state from the tree list; True when it changed (the row is
  // then repainted).
  bool UpdateSelection();
  bool GetHitTest(TObject* AHitTest);
  TvxTreeListNode* Node() const { return FNode; }
  const TRect& Bounds() const { return FBounds; }
  TPoint Origin() const { return TPoint{FBounds.left, FBounds.top}; }
  TvxCustomControlCells& Cells() { return FCells; }
  TvxTreeListEditCellViewInfo* EditCell(TvxTreeListColumn* AColumn);
  void SetBounds(const TRect& ABounds) { FBounds = ABounds; }
  bool Selected = false;
  bool Focused = false;
  // The data lines' area, where the row's focus rectangle goes (the row less its preview
  // and group footers).
  TRect FocusRectBounds{};
  Integer PreviewHeight = 0;
  Integer GroupFooterCount = 0;

 private:
  TvxTreeListViewInfo* FViewInfo;
  TvxTreeListNode* FNode;
  TRect FBounds;
  TvxCustomControlCells FCells;
};

// --- Hit test ----------------------------------------------------------------------------

// A rectangle that answers a hit before the cells under it.
class TvxTreeListHitTestArea : public TObject {
  DECLARE_CLASS(TvxTreeListHitTestArea, TObject)
 public:
  explicit TvxTreeListHitTestArea(TvxTreeListCustomCellViewInfo* ALink) : FLink(ALink) {}
  virtual bool GetHitTest(TvxTreeListHitTest* AHitTest);
  virtual void ApplyHit(TvxTreeListHitTest* AHitTest) {}
  const TRect& Area() const { return FArea; }
  TvxTreeListCustomCellViewInfo* Link() const { return FLink; }

 protected:
  TRect FArea{};
  TvxTreeListCustomCellViewInfo* FLink;
};

// The sizing edge of a header: 6 pixels wide along its right (or bottom) edge, 3 of them
// outside the header.
class TvxTreeListHeaderSizingArea : public TvxTreeListHitTestArea {
  DECLARE_CLASS(TvxTreeListHeaderSizingArea, TvxTreeListHitTestArea)
 public:
  TvxTreeListHeaderSizingArea(TvxTreeListHeaderCellViewInfo* ALink, TvxDragSizingDirection ADirection);
  void ApplyHit(TvxTreeListHitTest* AHitTest) override;
  TvxDragSizingDirection Direction() const { return FDirection; }

 private:
  TvxDragSizingDirection FDirection;
};

// The lower edge of a node's indicator cell, from 3 pixels above to 3 below it: sizes the
// node's row (with RowSizing every row, from the top visible node only).
class TvxTreeListNodeSizingArea : public TvxTreeListHitTestArea {
  DECLARE_CLASS(TvxTreeListNodeSizingArea, TvxTreeListHitTestArea)
 public:
  explicit TvxTreeListNodeSizingArea(TvxTreeListIndicatorCellViewInfo* ALink);
  bool GetHitTest(TvxTreeListHitTest* AHitTest) override;
  void ApplyHit(TvxTreeListHitTest* AHitTest) override;
};

class TvxTreeListHitTest : public TvxCustomHitTestController {
  DECLARE_CLASS(TvxTreeListHitTest, TvxCustomHitTestController)
 public:
  using TvxCustomHitTestController::TvxCustomHitTestController;
  void DoCalculate() override;
  TCursor GetCursor() override;
  bool AllowsCellHint(TObject* AItem) override;
  virtual bool CanMoving();
  virtual bool CanSizing() { return HitAt(tlhcSizingHorz) || HitAt(tlhcSizingVert); }

  bool HitAt(Integer ACode) const { return (FHitState >> ACode) & 1; }
  void SetHitAt(Integer ACode, bool Value);
  void SetHitItem(TObject* AItem) { FHitTestItem = AItem; }
  // A node is forgotten when it leaves the tree.
  void NodeRemoved(TvxTreeListNode* ANode);
  // After a hit on a band's footer: the column under the point, the lowest band row first.
  void FindFooterColumn();

  bool HitAtBackground() const { return HitAt(tlhcBackground); }
  bool HitAtBand() const { return HitAt(tlhcBand); }
  bool HitAtBandContainer() const { return HitAt(tlhcBandContainer); }
  bool HitAtBandHeader() const { return HitAt(tlhcBandHeader); }
  bool HitAtButton() const { return HitAt(tlhcButton); }
  bool HitAtColumn() const { return HitAt(tlhcColumn); }
  bool HitAtColumnHeader() const { return HitAt(tlhcColumnHeader); }
  bool HitAtFooter() const { return HitAt(tlhcFooter); }
  bool HitAtFooterItem() const { return HitAt(tlhcFooterItem); }
  bool HitAtGroupFooter() const { return HitAt(tlhcGroupFooter); }
  bool HitAtGroupFooterItem() const { return HitAt(tlhcGroupFooterItem); }
  bool HitAtImages() const { return HitAt(tlhcImage) || HitAt(tlhcStateImage); }
  bool HitAtIndent() const { return HitAt(tlhcIndent); }
  bool HitAtIndicator() const { return HitAt(tlhcIndicator); }
  bool HitAtNode() const { return HitAt(tlhcNode); }
  bool HitAtNodePreview() const { return HitAt(tlhcNodePreview); }
  bool HitAtSizingHorz() const { return HitAt(tlhcSizingHorz); }
  bool HitAtSizingVert() const { return HitAt(tlhcSizingVert); }
  bool IsFooter() const;
  bool IsHeader() const;

  TvxCustomTreeList* TreeList() const;
  TvxTreeListCustomCellViewInfo* HitCell() const { return dynamic_cast<TvxTreeListCustomCellViewInfo*>(FHitTestItem); }
  TvxTreeListBand* HitBand = nullptr;
  TvxTreeListColumn* HitColumn = nullptr;
  TvxTreeListNode* HitNode = nullptr;
  TObject* DragItem = nullptr;

 private:
  Integer FLockCount = 0;
};

// --- View info ---------------------------------------------------------------------------

class TvxTreeListViewInfo : public TvxCustomControlViewInfo {
  DECLARE_CLASS(TvxTreeListViewInfo, TvxCustomControlViewInfo)
 public:
  explicit TvxTreeListViewInfo(TObject* AOwner);
  ~TvxTreeListViewInfo() override;
  Integer GetDefaultEditHeight() override;
  void CalcDefaultEditHeight() override;
  void DoCalculate() override;
  void UpdateSelection() override;

  // Brings the layout up to date; True when it ran a relayout.
  bool Validate();
  void SetDirty();
  void Clear();
  // The data cell of a column in a node's row; nil when the node has no row on screen.
  TvxTreeListEditCellViewInfo* GetEditCell(TvxTreeListNode* ANode, TvxTreeListColumn* AColumn);
  TvxTreeListNodeViewData* NodeViewData(TvxTreeListNode* ANode);
  // Fills the hit test for its point.
  void CalculateHitTest(TvxTreeListHitTest* AHitTest);
  // With node or row sizing on, the lower edges of the rows' indicator cells.
  void CalculateNodeSizingHit(TvxTreeListHitTest* AHitTest);
  // Scroll bars from the metrics of the last calculation.
  void UpdateScrollBars();
  // Vertical scroll: the shown index of the top row. Horizontal: pixels of the scrolling
  // bands left of the view.
  void SetTopIndex(Integer AIndex);
  void SetLeftPos(Integer APos);
  // Scrolls a node that is cut off at the bottom into view, or makes it the top node.
  void MakeNodeVisible(TvxTreeListNode* ANode);
  // Rows that fit completely below ATop (at least 1).
  Integer RowsThatFit() const;
  // The header cell of a column or band; nil while it has none.
  TvxTreeListHeaderCellViewInfo* HeaderCellOf(TObject* AItem) const;
  // The room of a node's check box: the painter's check button and 2 pixels around it.
  TSize CheckboxSize() const;
  // A node shows its state image when its level has state images, the index is one of
  // theirs, and (with DynamicFocusedStateImages) it is focused.
  bool ShowsStateImage(TvxTreeListNode* ANode) const;

  TvxCustomTreeList* TreeList() const;
  TvxCustomControlCells& Cells() { return FCells; }
  Integer Count() const { return static_cast<Integer>(FNodesViewData.size()); }
  TvxTreeListNodeViewData* NodesViewData(Integer AIndex) const { return FNodesViewData.at(AIndex).get(); }
  TRect ContentBounds() const;
  const TRect& Bounds() const { return FBounds; }
  Integer ContentHeight = 0;
  Integer ContentWidth = 0;
  Integer DefaultCellHeight = 0;
  Integer BandHeaderLineHeight = 0;
  Integer BandLineHeight = 0;
  Integer BandsHeight = 0;
  Integer HeaderLineHeight = 0;
  Integer HeadersHeight = 0;
  Integer FooterLineHeight = 0;
  Integer HScrollInc = 0;
  Integer HScrollPage = 0;
  Integer HScrollPos = 0;
  Integer HScrollSize = 0;
  Integer NodesVisibleCount = 0;
  Integer IndentWidth = 0;
  Integer IndicatorWidth = 0;  // 0 while the indicator is hidden
  TColor GridLineColor = clDefault;
  TColor TreeLineColor = clDefault;
  TvxBorders GridLines;
  TvxTreeListBackgroundCellViewInfo* HorzBackgroundCell = nullptr;
  bool IsCalculating() const { return FCalculating; }
  // The line heights are measured again at the next calculation.
  bool HeightsDirty = true;
  Integer FontHeight(TFont* AFont);
  std::vector<std::unique_ptr<TvxTreeListHitTestArea>>& HitTestCells() { return FHitTestCells; }

  // Footers and previews.
  Integer FooterHeight = 0;
  Integer GroupFooterHeight = 0;
  Integer PreviewLineHeight = 0;
  // Some band shows more than one row of columns.
  bool MultiRows = false;
  Integer FooterLineCount() const;
  Integer GroupFooterLineCount() const;
  // The lines the footer (or a group footer) needs for its items: the largest line count
  // times visible item count over the visible columns that show it.
  Integer FooterSummaryRowCount(bool AGroup) const;
  // Footers drawn without their frame (separator, cell offsets, border).
  virtual bool IsFooterFrameless() { return false; }
  // Whether group footers follow the node's row.
  virtual bool IsGroupFooterNeeded(TvxTreeListNode* ANode);
  // The nodes whose group footers follow the node's row, top first, each with the tree
  // level its footer lines up with.
  std::vector<std::pair<TvxTreeListNode*, Integer>> GroupFooterNodes(TvxTreeListNode* ANode);
  // The height of a node's preview (0 without one), through OnGetNodePreviewHeight.
  Integer NodePreviewHeight(TvxTreeListNode* ANode);
  // A node's whole row: data lines, preview and group footers.
  Integer NodeRowHeight(TvxTreeListNode* ANode);
  // The first shown index from which the rows down to ALast all fit completely (ALast
  // itself when even it does not fit).
  Integer TopIndexForLast(Integer ALast);
  // The last row shown whole on a page whose top row is ATop (one past ATop when even that
  // row is taller than the page).
  Integer LastWholeRowFrom(Integer ATop);
  // A bottom band as placed in the frame: its display and visible left and right.
  struct TBandSpan {
    TvxTreeListBand* Band;
    Integer Left, Right, VisibleLeft, VisibleRight;
  };
  // The bottom bands as the last calculation placed them, left to right.
  const std::vector<TBandSpan>& BottomBandSpans() const { return FBottomSpans; }
  // Height of one line of a node's data (the row line height) and of all the column lines
  // of a row.
  Integer DataLineHeight() const { return DefaultEditHeight(); }
  Integer DataRowsHeight() const;
  // The height of a node's data lines: the default, changed by OnGetNodeHeight.
  Integer NodeDataHeight(TvxTreeListNode* ANode);
  // A node shows as a group row: the categorized paint style (or OnIsGroupNode) says so and
  // there is a visible column to show across it.
  bool IsGroupRow(TvxTreeListNode* ANode) const;
  // The boundaries of a node's data lines from the row's top (one more than the band rows'
  // line count; a group row has one line): the default line height each, grown where
  // CellAutoHeight needs more for a cell's text, then spread in proportion over the height
  // OnGetNodeHeight gives.
  std::vector<Integer> NodeLineTops(TvxTreeListNode* ANode);
  // The height a cell AWidth pixels wide needs to show a node's value of a column wrapped
  // into lines: at least one line.
  Integer MeasureCellHeight(TvxTreeListColumn* AColumn, TvxTreeListNode* ANode, Integer AWidth);
  // A visible column's display left and right; False when it is not placed.
  bool ColumnSpan(TvxTreeListColumn* AColumn, Integer& ALeft, Integer& ARight) const;

 protected:
  void CalculateFooterHeights();
  void CalculateFooter();
  // The band and footer cells for ASummaryNode's totals in AFooter: the footer with the
  // root and no row node, a group footer in AAttachNode's row with an indent in the indent
  // band.
  void AddFooterCells(TvxCustomControlCells& ACells, TvxTreeListNode* ASummaryNode, TvxTreeListNode* AAttachNode,
                      const TRect& AFooter, Integer AIndent);
  // One part of a node's indent: a level step (with Level the level it stands for), or
  // the node's check box, state image or image.
  struct TIndentPart {
    TvxTreeListNodeIndentKind Kind;
    Integer Level;
    Integer Width;
    TCustomImageList* Images;
  };
  std::vector<TIndentPart> IndentParts(TvxTreeListNode* ANode) const;
  // Width of a node's indent in the indent band: its level steps and glyphs.
  Integer NodeIndentWidth(TvxTreeListNode* ANode) const;
  // Where the step of tree level ALevel starts and ends, from the indent's left edge (both
  // 0 for a level that has no step of its own).
  Integer LevelIndentStart(Integer ALevel) const;
  Integer LevelIndentEnd(Integer ALevel) const;
  // The preview's area in a node's row (left and right) and its text width.
  void PreviewSpan(TvxTreeListNode* ANode, Integer& ALeft, Integer& ARight) const;
  // Completes a node's row built at ATop with data lines of AHeight: the preview above or
  // below them, the group footers, and the indent and indicator cells stretched over it.
  void FinishNodeRow(TvxTreeListNodeViewData* ARow, Integer ATop, Integer AHeight);
  void CalculateBands();
  // Lays out a visible band's header at ALeft, ATop and its visible children below it; a
  // bottom band's place is noted in FBottomSpans. Answers the band's right edge.
  Integer LayoutBand(TvxTreeListBand* ABand, Integer ALeft, Integer ATop, const TRect& AVisible);
  void CalculateColumnHeaders();
  // The column header line boundaries; with HeaderAutoHeight they grow to fit captions.
  void CalculateHeaderLines();
  // The header height a column's caption needs (at least its lines of HeaderLineHeight).
  Integer ColumnHeaderHeight(TvxTreeListColumn* AColumn);
  // The top of a column header line (the boundary below the last line for the line count).
  Integer HeaderLineTop(Integer ALine) const;
  // The part a band lies in (0 left-fixed, 1 scrolling, 2 right-fixed) and the part's
  // visible stripe between two heights.
  static Integer PartIndex(TvxTreeListBand* ABand);
  TRect PartVisible(Integer APart, Integer ATop, Integer ABottom) const;
  void CalculateNodes();
  void CalculateBackground();
  void LinkHeaderNeighbours();
  void AddHeaderSizingAreas(TvxTreeListHeaderCellViewInfo* ACell, bool AHorz, bool AVert);
  TvxTreeListNodeViewData* CreateNodeRow(TvxTreeListNode* ANode, Integer ATop);
  // Where a bottom band's data cells go in a row: each visible column of its visible band
  // rows with its left and right (the first starting no further left than ACellsLeft, after
  // the indent) and the lines it spans.
  struct TDataCellPlace {
    TvxTreeListColumn* Column;
    Integer Left, Right, FirstLine, EndLine;
  };
  std::vector<TDataCellPlace> DataCellPlaces(const TBandSpan& ASpan, Integer ACellsLeft) const;
  // The group row's cell: the categorized column across the content beside the indent.
  void AddGroupCell(TvxTreeListNodeViewData* ARow, TvxTreeListNode* ANode, Integer ATop, Integer AHeight);
  // The indent cells of a node's row from AX (level steps, then check box, state image and
  // image); answers the x where the node's cells begin.
  Integer AddIndentCells(TvxTreeListNodeViewData* ARow, TvxTreeListNode* ANode, Integer AX, Integer ATop,
                         Integer AHeight, const TRect& AVisible);

  TRect FBounds{};
  TvxCustomControlCells FCells;
  std::vector<TvxTreeListCustomHeaderCellViewInfo*> FHeaderCells;
  std::vector<std::unique_ptr<TvxTreeListHitTestArea>> FHitTestCells;
  std::vector<std::unique_ptr<TvxTreeListNodeViewData>> FNodesViewData;
  std::vector<Integer> FHeaderLines;
  std::vector<TBandSpan> FBottomSpans;
  Integer FPartLeft[3] = {0, 0, 0};    // visible left of each part
  Integer FPartRight[3] = {0, 0, 0};   // visible right of each part
  Integer FPartOrigin[3] = {0, 0, 0};  // x of each part's first band (scrolled for part 1)
  TRect FContentPart{};  // the scrolling band area
  bool FCalculating = false;
  bool FDirty = true;
  TFont* FPrevFont = nullptr;  // compared, never read: the handle tells a reused address
  HFONT FPrevFontHandle = nullptr;
  Integer FPrevFontHeight = 0;
};

// --- Painter -----------------------------------------------------------------------------

// Paints through an off-screen bitmap, always: frame cells first, then the node rows
// clipped to the content.
class TvxTreeListPainter : public TvxCustomControlPainter {
  DECLARE_CLASS(TvxTreeListPainter, TvxCustomControlPainter)
 public:
  explicit TvxTreeListPainter(TObject* AOwner);
  void SetBuffered(bool Value) override;
  void DoPaint() override;
  // Grows the buffer to the control's size rounded up to 50 pixels.
  void CheckSize(Integer AWidth, Integer AHeight);
  // Renders only when marked changed; the buffer is then copied to the control.
  void Paint();
  virtual void UpdateCustomDrawSupported();
  virtual void DoCustomDraw(TvxCanvas* ACanvas, TvxCustomViewInfoItem* ACell, bool& ADone);
  TvxCustomTreeList* TreeList() const;
  TvxTreeListViewInfo* TreeViewInfo() const;
  TBitmap* Bitmap() const { return FBitmap.get(); }
  bool Changed = true;
  bool CustomDrawSupported = false;
};

// --- Cell navigator -----------------------------------------------------------------------

// Rows are the shown nodes, cells the visible columns. With cell selection off, Up and Down
// move the focused node and Left and Right scroll the content.
class TvxTreeListCellNavigator : public TvxCustomCellNavigator {
  DECLARE_CLASS(TvxTreeListCellNavigator, TvxCustomCellNavigator)
 public:
  using TvxCustomCellNavigator::TvxCustomCellNavigator;
  void CalcNextRow(bool AForward, Integer& ARowIndex, Integer& ACellIndex) override;
  TObject* GetCellContainer(Integer ARowIndex, Integer ACellIndex) override;
  Integer GetCount(Integer ARowIndex) override;
  void Init(Integer& ARowIndex, Integer& ACellIndex, Integer& ARowCount) override;
  void SetFocusCell(Integer ARowIndex, Integer ACellIndex, TShiftState AShift) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  TvxTreeListController* TreeController() const;
  TvxCustomTreeList* TreeList() const;

 protected:
  bool CanFocusItem(TObject* AItem) override;
  bool HasFocusedItem() override;
};

// --- Controller ---------------------------------------------------------------------------

// In-place editing of a tree list cell: closing the editor posts the editing node's values
// (accept) or restores them from the undo copy (cancel).
class TvxTreeListEditingController : public TvxEditingController {
  DECLARE_CLASS(TvxTreeListEditingController, TvxEditingController)
 public:
  using TvxEditingController::TvxEditingController;
  void HideEdit(bool Accept) override;
};

// Sizes a column, a band or a node by its edge. The line follows the edge being dragged,
// not the pointer: it is drawn moved by the distance between the press and the edge.
class TvxTreeListSizingDragAndDropObject : public TvxSizingDragAndDropObject {
  DECLARE_CLASS(TvxTreeListSizingDragAndDropObject, TvxSizingDragAndDropObject)
 public:
  using TvxSizingDragAndDropObject::TvxSizingDragAndDropObject;
  static TvxDragAndDropObject* CreateInstance(TvxControl* AControl) {
    return new TvxTreeListSizingDragAndDropObject(AControl);
  }
  const TPoint& Offset() const { return FOffset; }

 protected:
  TRect GetSizingMarkBounds() override;
  void BeginDragAndDrop() override;
  void DragAndDrop(const TPoint& P, bool& Accepted) override;

 private:
  TPoint FOffset{};
  TObject* FDragItem = nullptr;
};

// Where a dragged header would go.
class TvxTreeListDropInfo : public TObject {
  DECLARE_CLASS(TvxTreeListDropInfo, TObject)
 public:
  bool Accepted = false;
  TvxTreeListBand* Band = nullptr;  // the destination band
  Integer ColIndex = 0;
  bool Customizing = false;  // over the customization form's box
  TPoint DropPos{};          // tree list client coordinates
  TvxPosition Position = posNone;
};

class TvxTreeListColumnDropInfo : public TvxTreeListDropInfo {
  DECLARE_CLASS(TvxTreeListColumnDropInfo, TvxTreeListDropInfo)
 public:
  TRect Area{};  // the target area
  TvxTreeListColumn* Column = nullptr;
  Integer RowIndex = 0;
  bool InsertRow = false;  // a new band row is inserted at RowIndex
};

// Moving a header to another place of the band layout (or hiding it by dropping it off
// the headers): the header's picture follows the mouse and two arrows mark the place.
class TvxTreeListDragAndDropObject : public TvxCustomControlDragAndDropObject {
  DECLARE_CLASS(TvxTreeListDragAndDropObject, TvxCustomControlDragAndDropObject)
 public:
  explicit TvxTreeListDragAndDropObject(TvxControl* AControl);
  ~TvxTreeListDragAndDropObject() override;
  TvxCustomTreeList* TreeList() const;
  TvxTreeListViewInfo* ViewInfo() const;
  TvxTreeListHitTest* HitTest() const;
  TvxTreeListOptionsCustomizing* OptionsCustomizing() const;
  TvxTreeListDropInfo* DropInfo();
  TvxTreeListBand* DestBand() { return DropInfo()->Band; }
  TvxPosition DropPosition() { return DropInfo()->Position; }
  TvxTreeListHeaderCellViewInfo* DragHeader() const;
  TvxPlaceArrows* Arrows() const { return FArrows.get(); }
  // The customization form is shown.
  bool Customizing() const;
  // The dragged column or band.
  TObject* DragObject() const { return FDragObject; }

 protected:
  virtual bool CanCustomize() { return false; }
  virtual bool CanDrop() { return false; }
  virtual bool CanRemove() { return false; }
  virtual void FindDropPlace() {}
  virtual TvxTreeListDropInfo* CreateDropInfo() { return new TvxTreeListDropInfo(); }
  virtual bool Drop() { return false; }
  virtual TRect GetArrowsPlace();
  virtual void CalculateDropInfo(const TPoint& P);
  virtual void AddAutoScrollAreas(const TRect& R);
  virtual void ShowCustomizationPage() {}
  TCursor GetDragAndDropCursor(bool Accepted) override;
  void GetDragImageBounds(TRect& R) override;
  void DrawDragImage() override;
  void BeginDragAndDrop() override;
  void DragAndDrop(const TPoint& P, bool& Accepted) override;
  void EndDragAndDrop(bool Accepted) override;

  std::unique_ptr<TvxPlaceArrows> FArrows;
  std::unique_ptr<TvxTreeListDropInfo> FDropInfo;
  TPoint FOrigin{};
  // The controller's drag item: the column or band, or the header cell of a customization
  // list's entry.
  TObject* FDragItem = nullptr;
  TObject* FDragObject = nullptr;

 private:
  // The tree list behind a customization list, else the control itself.
  static TvxControl* TreeListControl(TvxControl* AControl);
};

class TvxTreeListDragAndDropColumnObject : public TvxTreeListDragAndDropObject {
  DECLARE_CLASS(TvxTreeListDragAndDropColumnObject, TvxTreeListDragAndDropObject)
 public:
  using TvxTreeListDragAndDropObject::TvxTreeListDragAndDropObject;
  static TvxDragAndDropObject* CreateInstance(TvxControl* AControl) {
    return new TvxTreeListDragAndDropColumnObject(AControl);
  }
  TvxTreeListColumn* Column() const;
  TvxTreeListColumnDropInfo* ColumnDropInfo() { return static_cast<TvxTreeListColumnDropInfo*>(DropInfo()); }

 protected:
  bool CanCustomize() override;
  bool CanDrop() override;
  bool CanRemove() override;
  void FindDropPlace() override;
  TvxTreeListDropInfo* CreateDropInfo() override { return new TvxTreeListColumnDropInfo(); }
  bool Drop() override;
  TRect GetArrowsPlace() override;
  void ShowCustomizationPage() override;

 private:
  // A bottom band takes a drop in the strip under its headers (a new row).
  bool BandAcceptsBelow(TvxTreeListBand* ABand);
};

// Moving a band: beside another band, above it (it becomes the dragged band's child) or
// below it (the dragged band becomes its child), or hiding it.
class TvxTreeListDragAndDropBandObject : public TvxTreeListDragAndDropObject {
  DECLARE_CLASS(TvxTreeListDragAndDropBandObject, TvxTreeListDragAndDropObject)
 public:
  using TvxTreeListDragAndDropObject::TvxTreeListDragAndDropObject;
  static TvxDragAndDropObject* CreateInstance(TvxControl* AControl) {
    return new TvxTreeListDragAndDropBandObject(AControl);
  }
  TvxTreeListBand* Band() const;

 protected:
  bool CanCustomize() override;
  bool CanDrop() override;
  bool CanRemove() override;
  void FindDropPlace() override;
  bool Drop() override;
  void ShowCustomizationPage() override;

 private:
  // A visible band takes the point (its header, 20 pixels more above a root band and
  // below a bottom band); with nested bands its visible children are asked next.
  bool BandTakesPoint(TvxTreeListBand* ABand);
  // A hidden band whose fixed kind has no visible root band may go to the boundary of
  // its group.
  bool CanDropAtFixedBoundary(TvxTreeListBand* ADest);
};

class TvxTreeListController : public TvxCustomControlController {
  DECLARE_CLASS(TvxTreeListController, TvxCustomControlController)
 public:
  // Made where the popups it owns are complete types.
  explicit TvxTreeListController(TObject* AOwner);
  ~TvxTreeListController() override;
  TClass GetNavigatorClass() override { return TvxTreeListCellNavigator::StaticClass(); }
  // The editor's cell: the focused node's cell of the column, while it has a row on
  // screen; nil otherwise.
  TvxEditCellViewInfo* GetFocusedCellViewInfo(TvxCustomInplaceEditContainer* AItem) override;
  // The focused item is the tree list's focused column.
  void SetFocusedItem(TvxCustomInplaceEditContainer* Value) override;
  // Called by the tree list when its focused column changed: an open editor is posted and
  // the focused item follows.
  void FocusedColumnChanged();
  void EnsureFocusedCellVisible() override { MakeFocusedItemVisible(); }
  void MakeFocusedItemVisible() override;
  void MakeFocusedRecordVisible() override;
  void DoMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void DoMouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void DoMouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void DblClick() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  TCursor GetCursor(Integer X, Integer Y) override;
  void PageScroll(bool ADown, TShiftState Shift) override;
  void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) override;
  bool IsIncSearching() override { return !FIncSearchText.empty(); }
  String GetIncSearchingText() override { return FIncSearchText; }
  void CancelIncSearching() override;

  // Focusing: refused for hidden nodes and by OnCanFocusNode.
  virtual bool DoSetFocusedNode(TvxTreeListNode* ANode);
  // Focus and select as a click or a key with AShift does.
  virtual void Select(TvxTreeListNode* ANode, TShiftState AShift);
  bool CanDeleteSelection();
  bool DeleteConfirmation();
  bool CanSelectNode(TvxTreeListNode* ANode);
  TvxTreeListNode* FindNearestFocusableNode(Integer AVisibleIndex);
  TvxTreeListColumn* FindNearestFocusableColumn(Integer AVisibleIndex);
  bool HitAtNodeContent();
  // Node keys (Space, End, Home, Delete, numpad *, +, -); True when the key was handled.
  virtual bool DoNodeKeys(Word Key, TShiftState Shift);
  // The incremental search: the first shown node from the focused one whose text in the
  // search column begins with AText.
  void SearchLocate(TvxCustomInplaceEditContainer* AItem, const String& AText) override;
  bool IncSearchStep(const String& AText);
  TvxTreeListColumn* IncSearchColumn();
  // Whether ANode's text in AColumn begins with AText (case-insensitive).
  static bool IncSearchMatches(TvxTreeListColumn* AColumn, TvxTreeListNode* ANode, const String& AText);
  // Ctrl+Down/Ctrl+Up while searching: the next (previous) match from the focused node.
  bool IncSearchNext(bool AForward);
  // A page forward or backward over the shown nodes; with AFocusing the focus follows.
  void PageMove(bool AForward, bool AFocusing, TShiftState AShift);

  TvxCustomTreeList* TreeList() const;
  TvxTreeListHitTest* HitTest() const;
  TvxTreeListViewInfo* TreeViewInfo() const;
  TvxTreeListNode* SelectionAnchor = nullptr;
  TvxTreeListNode* IncSearchNode = nullptr;
  TvxTreeListCustomHeaderCellViewInfo* PressedHeader = nullptr;
  TObject* ClickedObject = nullptr;
  // A shown sizing line is drawn again over a repaint during the drag.
  void AfterPaint() override;
  // Sizing edges and movable headers start the suite's drag; the drag item is the hit
  // column, band or node.
  bool StartDragAndDrop(const TPoint& P) override;
  TvxDragAndDropObjectClass GetDragAndDropObjectClass() override;
  TvxDragSizingDirection GetResizeDirection() override;
  // The drag item left the tree list (a column or band freed): a drag of it ends unapplied.
  void DragItemRemoved(TObject* AItem);
  // A column left the tree list: the focused cell made for it and the focused item go
  // before the column is freed, so nothing reads the column afterwards.
  void ColumnRemoved(TvxTreeListColumn* AColumn);
  // The quick customization drop-downs (made on first use), and opening one under an
  // indicator header cell.
  TvxTreeListColumnsCustomizationPopup* ColumnsCustomizationPopup();
  TvxTreeListBandsCustomizationPopup* BandsCustomizationPopup();
  void ShowQuickCustomizationPopup(TvxTreeListIndicatorCellViewInfo* ACell, bool ABands);
  // An indicator cell is freed: the popups made so far stop naming it.
  void IndicatorCellRemoved(TvxTreeListIndicatorCellViewInfo* ACell);

  // Node drags (platform drag with DragMode dmAutomatic; vxTLNodeDrag.cpp): allowed on a
  // selected node's content; they carry the selected nodes and the focused one.
  bool CanDrag(Integer X, Integer Y) override;
  void BeforeStartDrag() override;
  void DragEnded(TObject* Target, Integer X, Integer Y) override;
  // Ctrl is down and OptionsBehavior.AutoDragCopy: a drop copies the nodes.
  bool IsDragCopy();
  // Where a point drops the dragged nodes: 1 before ANode, 2 after it, 3 as its last
  // child; 0 where nothing can be dropped.
  Integer GetNodeDropPosition(Integer X, Integer Y, TvxTreeListNode*& ANode);
  // The drop of the dragged nodes at (X, Y).
  void DropNodes(Integer X, Integer Y);
  std::vector<TvxTreeListNode*> DragNodesList;
  // Hot tracking of nodes (OptionsBehavior.HotTrack): the node under the mouse, repainted
  // and announced through OnHotTrackNode, which may choose the cursor.
  void SetHotTrackNode(TvxTreeListNode* ANode, TShiftState AShift);
  void UpdateHotTrackNode(Integer X, Integer Y, TShiftState AShift);
  TvxTreeListNode* HotTrackNode() const;

 protected:
  // What the press that started the suite's drag hit.
  enum TDragKind { dkNone, dkSizing, dkColumn, dkBand };
  TDragKind FDragKind = dkNone;
  TvxDragSizingDirection FSizingDirection = dsdHorz;
  void CheckNodeContentClick(TShiftState Shift);
  void SelectRange(TvxTreeListNode* A, TvxTreeListNode* B);
  String FIncSearchText;
  std::unique_ptr<TvxEditCellViewInfo> FEditCell;
  TCursor FHotTrackSavedCursor = crDefault;
  TvxTreeListColumn* FHotTrackColumn = nullptr;
  std::unique_ptr<TvxTreeListColumnsCustomizationPopup> FColumnsPopup;
  std::unique_ptr<TvxTreeListBandsCustomizationPopup> FBandsPopup;
};
