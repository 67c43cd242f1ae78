// The tree list's model: nodes under a hidden root, the data controller that keeps each
// node's values in a record buffer of its own, the owner's update lock and change batch,
// and the shared routines (node search, comparisons for list sorts, border inset).
#pragma once

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "Graphics.h"
#include "SysUtils.h"
#include "Variants.h"
#include "vxDataStorage.h"
#include "vxStyles.h"
#include "vxGraphics.h"
#include "vxClasses.h"
#include "vxCustomData.h"
#include "vxInplaceContainer.h"
#include "StdCtrls.h"
#include "Classes.h"
#include "vxLookAndFeelPainters.h"
#include "vxStorage.h"

DECLARE_EXCEPTION(EvxTreeList, Exception)

class TvxCustomTreeList;
class TvxTreeListNode;
class TvxTreeListColumn;
class TvxTreeListBand;
class TvxTreeListDataController;
class TvxTreeListCustomizing;
class TvxTreeListPopupMenus;

enum TvxTreeListNodeState {
  nsDeleting,
  nsHasChildren,
  nsValuesAssigned,
  nsCollapsed,
  nsValidIndexes,
  nsInternalDelete,
  nsHidden,
  nsHeightAssigned,
  nsInserting,
  nsEditing,
  nsCheck,
  nsDisabled,
  nsSaveExpanded,
  nsReserved1
};
using TvxTreeListNodeStates = Set<TvxTreeListNodeState, 16>;

enum TvxTreeListNodeCheckInfo {
  nciChecked,
  nciGrayed,
  nciAllowGrayed,
  nciCheckGroup,
  nciRadioGroup,
  nciCheckValid,
  nciChangeCheck
};
using TvxTreeListNodeCheckInfos = Set<TvxTreeListNodeCheckInfo, 8>;

enum TvxTreeListNodeCheckGroupType { ncgNone, ncgCheckGroup, ncgRadioGroup };

enum TvxTreeListNodeAttachMode { tlamAdd, tlamAddFirst, tlamAddChild, tlamAddChildFirst, tlamInsert };

enum TvxTreeListImageIndexType {
  tlitImageIndex,
  tlitSelectedIndex,
  tlitStateIndex,
  tlitOverlayIndex,
  tlitOverlayStateIndex
};

enum TvxTreeListChange {
  tcStructure,
  tcData,
  tcLayout,
  tcImages,
  tcColumns,
  tcSortOrder,
  tcLoading,
  tcSelection,
  tcFocusedNode
};
using TvxTreeListChanges = Set<TvxTreeListChange, 16>;

enum TvxTreeListBandFixedKind { tlbfNone, tlbfLeft, tlbfRight };
ENUM_TYPEINFO(TvxTreeListBandFixedKind, tlbfNone, tlbfLeft, tlbfRight)

// --- Shared routines --------------------------------------------------------------------

using TvxTreeListFindFunc = std::function<bool(TvxTreeListNode* ANode, Pointer AData)>;

// The walk behind the tree list's Find: from AStart (nil = the root's first child), forward
// in pre-order or backward, the first node for which AFunc holds. With AIsReject the start
// node itself does not count; with AExpandedOnly collapsed subtrees are skipped.
TvxTreeListNode* vxTreeListFindNode(TvxCustomTreeList* ATreeList, Pointer AData, TvxTreeListNode* AStart,
                                    bool AIsReject, const TvxTreeListFindFunc& AFunc, bool AForward,
                                    bool AExpandedOnly);
// The deepest last descendant: through expanded nodes (visible form), or loading announced
// children on the way (loading form). Nil for nil.
TvxTreeListNode* vxTreeListLastVisibleDescendant(TvxTreeListNode* ANode);
TvxTreeListNode* vxTreeListLastLoadedDescendant(TvxTreeListNode* ANode);
// Shrinks R by one pixel on each named side.
void vxTreeListInsetBorders(TRect& R, TvxBorders ABorders);
// clDefault becomes ADefault(); other colours pass unchanged.
TColor vxTreeListResolveColor(TColor AColor, const std::function<TColor()>& ADefault);
[[noreturn]] void vxTreeListError(const String& AMessage);
void vxTreeListCheckError(bool ACondition, const String& AFormat, TVarRecs AArgs);

// Comparisons for list sorts (negative, 0, positive).
struct TvxTreeListVisibleBandKey {
  TvxTreeListBandFixedKind FixedKind;
  Integer Index;
};
Integer vxCompareVisibleBands(const TvxTreeListVisibleBandKey& A, const TvxTreeListVisibleBandKey& B);
Integer vxCompareNodesByAbsoluteIndex(TvxTreeListNode* A, TvxTreeListNode* B);
Integer vxCompareNodesByRecordIndex(TvxTreeListNode* A, TvxTreeListNode* B);
Integer vxCompareNodesForDeleting(TvxTreeListNode* A, TvxTreeListNode* B);

// --- Nodes ------------------------------------------------------------------------------

// One summary total of a node: the final value, the accumulator and the values counted.
struct TvxTreeListSummaryInfo {
  Variant Value;
  Variant TempValue;
  Integer Count = 0;
};

class TvxTreeListNode : public TPersistent, public IvxDragSizing {
  DECLARE_CLASS(TvxTreeListNode, TPersistent)
 public:
  explicit TvxTreeListNode(TvxCustomTreeList* AOwner);
  // Frees the subtree; see the destroying steps in the .cpp.
  ~TvxTreeListNode() override;

  // Sizing the node's row (or, with RowSizing, every row) by the lower edge of its
  // indicator cell.
  bool CanSizing(TvxDragSizingDirection ADirection) override;
  TRect GetSizingBoundsRect(TvxDragSizingDirection ADirection) override;
  Integer GetSizingIncrement(TvxDragSizingDirection) override { return 1; }
  bool IsDynamicUpdate() override;
  void SetSizeDelta(TvxDragSizingDirection ADirection, Integer ADelta) override;

  void Assign(TPersistent* Source) override;
  virtual void AssignData(TvxTreeListNode* Source);
  virtual bool IsRoot() const { return false; }
  virtual void InitializeHandle();
  virtual bool SaveExpanded();
  virtual void RestoreExpanded();
  virtual TvxTreeListNode* AddChild();
  virtual TvxTreeListNode* AddChildFirst();
  virtual TvxTreeListNode* InsertChild(TvxTreeListNode* ABeforeNode);
  void AssignValues(const std::vector<Variant>& AValues);

  bool CanMove(TvxTreeListNode* ADest, TvxTreeListNodeAttachMode AMode) const;
  void MoveTo(TvxTreeListNode* ADestNode, TvxTreeListNodeAttachMode AMode);
  // Frees the node unless it or an ancestor is already being deleted.
  void Delete();
  void DeleteChildren();

  // Navigation
  TvxTreeListNode* getFirstChild() const { return FFirst; }
  TvxTreeListNode* GetLastChild() const { return FLast; }
  TvxTreeListNode* getNextSibling() const { return FNext; }
  TvxTreeListNode* getPrevSibling() const { return FPrev; }
  TvxTreeListNode* GetNextChild(TvxTreeListNode* ANode) const { return ANode ? ANode->FNext : nullptr; }
  TvxTreeListNode* GetPrevChild(TvxTreeListNode* ANode) const { return ANode ? ANode->FPrev : nullptr; }
  TvxTreeListNode* GetFirstChildVisible() const;
  TvxTreeListNode* GetLastChildVisible() const;
  TvxTreeListNode* GetNextSiblingVisible() const;
  TvxTreeListNode* GetPrevSiblingVisible() const;
  TvxTreeListNode* GetNext();
  TvxTreeListNode* GetPrev();
  TvxTreeListNode* GetNextVisible() const;
  TvxTreeListNode* GetPrevVisible() const;
  bool HasAsParent(const TvxTreeListNode* ANode) const;
  Integer IndexOf(TvxTreeListNode* ANode);
  bool IsSibling(const TvxTreeListNode* ANode) const { return ANode && ANode->FParent == FParent; }
  TvxTreeListNode* Root();
  Integer Level() const;

  // State
  Integer AbsoluteIndex() const { return FAbsoluteIndex; }
  Integer Count() const { return FCount; }
  Pointer Data() const { return FData; }
  void SetData(Pointer Value) { FData = Value; }
  TvxTreeListNode* Parent() const { return FParent; }
  TvxCustomTreeList* TreeList() const { return FTreeList; }
  Integer Index();
  bool IsFirst() const { return !FParent || FParent->FFirst == this; }
  bool IsLast() const { return !FParent || FParent->FLast == this; }
  bool IsFirstVisible() const { return FVisibleIndex == 0; }
  bool IsLastVisible() const;
  bool HasChildren() const;
  void SetHasChildren(bool Value);
  bool HasVisibleChildren() const;
  Integer ChildVisibleCount() const;
  bool Expanded() const;
  void SetExpanded(bool Value);
  bool IsVisible() const;
  Integer VisibleIndex() const { return IsVisible() ? FVisibleIndex : -1; }
  bool IsHidden() const;
  bool Deleting() const;
  bool IsEditing() const;
  bool Inserting() const { return State.Contains(nsInserting); }
  bool Focused() const;
  void SetFocused(bool Value);
  bool Selected() const;
  void SetSelected(bool Value);
  Integer ValueCount() const;
  bool Visible() const { return !State.Contains(nsHidden); }
  void SetVisible(bool Value);
  bool Enabled() const { return !State.Contains(nsDisabled); }
  void SetEnabled(bool Value);
  Integer Height() const { return FHeight; }
  void SetHeight(Integer Value);
  Integer ImageIndexes(TvxTreeListImageIndexType AType) const { return FImageIndexes[AType]; }
  void SetImageIndexes(TvxTreeListImageIndexType AType, Integer Value);
  // The image indexes as the tree list shows them (see its DoGetNodeImageIndex).
  Integer ImageIndex() const;
  void SetImageIndex(Integer Value) { SetImageIndexes(tlitImageIndex, Value); }
  Integer SelectedIndex() const;
  void SetSelectedIndex(Integer Value) { SetImageIndexes(tlitSelectedIndex, Value); }
  Integer StateIndex() const;
  void SetStateIndex(Integer Value) { SetImageIndexes(tlitStateIndex, Value); }
  Integer OverlayIndex() const;
  void SetOverlayIndex(Integer Value) { SetImageIndexes(tlitOverlayIndex, Value); }
  Integer OverlayStateIndex() const;
  void SetOverlayStateIndex(Integer Value) { SetImageIndexes(tlitOverlayStateIndex, Value); }
  Integer OriginalIndex() const { return FOriginalIndex; }
  Pointer Handle() const { return FHandle; }

  // The summary totals shown under the node's children (the root's: the footer's), one per
  // item of the summary's group-footer (footer) list; a node without children has none.
  Integer FooterSummaryCount() const;
  // Raises the list-index error outside 0 .. FooterSummaryCount - 1.
  Variant FooterSummaryValues(Integer AIndex);
  String FooterSummaryTexts(Integer AIndex);

  // Values, one per column item index.
  Variant Values(Integer AIndex);
  void SetValues(Integer AIndex, const Variant& Value);

  // Check boxes
  bool HasCheckbox() const;
  bool Checked() const;
  void SetChecked(bool Value) { SetCheckState(Value ? cbsChecked : cbsUnchecked); }
  TvxCheckBoxState CheckState() const;
  void SetCheckState(TvxCheckBoxState Value);
  bool AllowGrayed() const;
  void SetAllowGrayed(bool Value);
  TvxTreeListNodeCheckGroupType CheckGroupType() const;
  void SetCheckGroupType(TvxTreeListNodeCheckGroupType Value);
  void CheckClick();

  void Expand(bool ARecurse);
  void Collapse(bool ARecurse);
  void LoadChildren();
  void MakeVisible();
  using TvxTreeListCompareFunc = std::function<Integer(TvxTreeListNode*, TvxTreeListNode*)>;
  void CustomSort(const TvxTreeListCompareFunc& ASortProc, bool ARecurse);
  void AlphaSort(bool ARecurse) { CustomSort(nullptr, ARecurse); }

  TvxTreeListNodeCheckInfos CheckInfo;
  TvxTreeListNodeStates State;

 protected:
  friend class TvxCustomTreeList;
  friend class TvxTreeList;
  friend class TvxTreeListDataController;
  void Unlink();
  void AnnounceDeletion();
  void SortChildren(const TvxTreeListCompareFunc& ASortProc);
  // The node after ANode in this node's subtree, in display order; nullptr at its end.
  TvxTreeListNode* NextInSubtree(TvxTreeListNode* ANode) const;
  void LinkLast(TvxTreeListNode* AParent);
  void LinkFirst(TvxTreeListNode* AParent);
  void LinkBefore(TvxTreeListNode* ANode);
  void Counted(TvxTreeListNode* AParent);
  void ValidateIndexes();
  bool ParentIsRadioGroup() const { return FParent && FParent->CheckGroupType() == ncgRadioGroup; }
  void UpdateParentCheckState();
  Integer ShownImageIndex(TvxTreeListImageIndexType AType) const;

  Integer FAbsoluteIndex = -1;
  Integer FCount = 0;
  Pointer FData = nullptr;
  TvxTreeListNode* FFirst = nullptr;
  Pointer FHandle = nullptr;
  Integer FHeight = 0;
  Integer FIndex = 0;
  TvxTreeListNode* FLast = nullptr;
  TvxTreeListNode* FNext = nullptr;
  Integer FOriginalIndex = -1;
  TvxCustomTreeList* FTreeList;
  TvxTreeListNode* FParent = nullptr;
  TvxTreeListNode* FPrev = nullptr;
  Integer FImageIndexes[5] = {-1, -1, -1, -1, -1};
  Integer FVisibleIndex = -1;
  bool FDeletionAnnounced = false;
  friend class TvxTreeListSummary;
  friend class TvxTreeListSummaryItem;
  std::vector<TvxTreeListSummaryInfo> FSummaryInfo;
};

class TvxTreeListRootNode : public TvxTreeListNode {
  DECLARE_CLASS(TvxTreeListRootNode, TvxTreeListNode)
 public:
  using TvxTreeListNode::TvxTreeListNode;
  bool IsRoot() const override { return true; }
  // The root's record slot holds the editing node's undo copy; it never gets one of its own.
  void InitializeHandle() override {}
};

class TvxUnboundTreeListNode : public TvxTreeListNode {
  DECLARE_CLASS(TvxUnboundTreeListNode, TvxTreeListNode)
 public:
  explicit TvxUnboundTreeListNode(TvxCustomTreeList* AOwner);
  void Assign(TPersistent* Source) override;
};

// --- Data controller --------------------------------------------------------------------

class TvxTreeListDataController : public TObject {
  DECLARE_CLASS(TvxTreeListDataController, TObject)
 public:
  explicit TvxTreeListDataController(TvxCustomTreeList* AOwner);
  ~TvxTreeListDataController() override;

  // Columns: one value definition each, in item-index order.
  Integer AddItem(TvxValueTypeClass AValueTypeClass);
  void RemoveItem(Integer AItemIndex);
  Integer ItemCount() const { return static_cast<Integer>(FFields.size()); }
  // The fields of two items change places (the values stay with their fields).
  void ExchangeItems(Integer AIndex1, Integer AIndex2);
  // Re-types an item's field; each value is converted, or becomes Null when it cannot be.
  void ChangeValueTypeClass(Integer AItemIndex, TvxValueTypeClass AValueTypeClass);
  TvxValueTypeClass GetItemValueTypeClass(Integer AItemIndex) const { return Def(AItemIndex)->ValueTypeClass(); }
  // The "DataController1" stream: marker, field count, the fields' value-type class names
  // in item order, record count, records of the storage's record list.
  void SaveToStream(TStream* AStream);
  void LoadFromStream(TStream* AStream);

  Pointer AllocateRecord();
  void FreeRecord(Pointer& ARecord);
  void FreeNodeRecord(TvxTreeListNode* ANode);
  Variant GetNodeValue(TvxTreeListNode* ANode, Integer AIndex) const;
  String GetNodeDisplayText(TvxTreeListNode* ANode, Integer AIndex) const;
  void SetNodeValue(TvxTreeListNode* ANode, Integer AIndex, const Variant& AValue);
  Variant GetValue(Integer ARecordIndex, Integer AItemIndex);
  [[noreturn]] String GetDisplayText(Integer ARecordIndex, Integer AItemIndex);
  [[noreturn]] void SetValue(Integer ARecordIndex, Integer AItemIndex, const Variant& AValue);

  // Sort order of two nodes over the columns (item index, descending) in sort order.
  struct TSortColumn {
    Integer ItemIndex;
    bool Descending;
  };
  Integer CompareNodesByColumns(TvxTreeListNode* ANode1, TvxTreeListNode* ANode2,
                                const std::vector<TSortColumn>& AColumns);
  Integer CompareStrings(const Variant& A, const Variant& B) const;

  // Editing
  void Edit();
  bool SetEditValue(Integer AItemIndex, const Variant& AValue, bool AFromText);
  void PostEditingData();
  void Post(bool AForcePost = false);
  void Cancel();
  void SetEditingNode(TvxTreeListNode* ANode);
  bool HasEditData() const;
  TvxTreeListNode* EditingNode() const { return FEditingNode; }
  bool IsValueChanged() const { return FIsValueChanged; }
  void ResetValueChanged() { FIsValueChanged = false; }

  Integer AllocatedRecords() const { return FAllocatedRecords; }
  void SetAllocatedRecords(Integer Value) { FAllocatedRecords = Value; }
  Integer NodesCount() const { return FNodesCount; }
  TvxDataStorage* Storage() const { return FStorage.get(); }

  bool AnsiSort = false;         // OptionsData.AnsiSort
  bool CaseInsensitive = false;  // OptionsData.CaseInsensitive

 private:
  friend class TvxTreeListNode;
  void ForEachRecord(const std::function<void(TvxTreeListNode*)>& AProc);
  TvxValueDef* Def(Integer AIndex) const { return FFields.at(AIndex); }
  // Moves every node's record into the storage's record list and back, around a change
  // of the record layout.
  void WithRecordsInList(const std::function<void()>& AProc);

  Integer FAllocatedRecords = 0;
  bool FDataChangedBusy = false;
  TvxTreeListNode* FEditingNode = nullptr;
  bool FIsValueChanged = false;
  Integer FNodesCount = -1;
  TvxCustomTreeList* FTreeList;
  std::unique_ptr<TvxDataStorage> FStorage;
  std::vector<TvxValueDef*> FFields;  // in item order; the storage owns them
};


// --- Options ----------------------------------------------------------------------------

class TvxTreeListOptionsBehavior : public TvxControlOptionsBehavior {
  DECLARE_CLASS(TvxTreeListOptionsBehavior, TvxControlOptionsBehavior)
  PUBLISHED(TvxTreeListOptionsBehavior)
 public:
  using TvxControlOptionsBehavior::TvxControlOptionsBehavior;
  void Assign(TPersistent* Source) override;
  TvxCustomTreeList* TreeList() const;

  bool AutoDragCopy = false;
  Integer BestFitMaxRecordCount = -1;
  bool ConfirmDelete = true;
  bool DragCollapse = true;
  bool DragExpand = true;
  bool DragFocusing = false;
  bool ExpandOnDblClick = true;
  bool ExpandOnIncSearch = false;
  bool HotTrack = false;
  bool MultiSort = true;
  bool ShowHourGlass = true;
  bool Sorting = true;
  Integer WaitForExpandNodeTime = 500;
  bool FooterHints() const { return FFooterHints; }
  void SetFooterHints(bool Value);
  bool HeaderHints() const { return FHeaderHints; }
  void SetHeaderHints(bool Value);
  // The interval of the tree list's delay timer; writing enables the timer when positive.
  Integer ChangeDelay() const;
  void SetChangeDelay(Integer Value);

 private:
  bool FFooterHints = false;
  bool FHeaderHints = false;
};

class TvxTreeListOptionsCustomizing : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListOptionsCustomizing, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListOptionsCustomizing)
 public:
  using TvxOwnedPersistent::TvxOwnedPersistent;
  void Assign(TPersistent* Source) override;

  enum TOption {
    BandCustomizing,
    BandHiding,
    BandHorzSizing,
    BandMoving,
    BandsQuickCustomization,
    BandVertSizing,
    ColumnCustomizing,
    ColumnHiding,
    ColumnHorzSizing,
    ColumnMoving,
    ColumnsQuickCustomization,
    ColumnVertSizing,
    DynamicSizing,
    NestedBands,
    NodeSizing,
    RowSizing,
    OptionCount
  };
  bool Get(TOption AOption) const { return FValues[AOption]; }
  // Stores a changed value and relays out; NodeSizing and RowSizing exclude each other.
  void Set(TOption AOption, bool Value);
  Integer BandsQuickCustomizationMaxDropDownCount = 0;
  Integer ColumnsQuickCustomizationMaxDropDownCount = 0;

 private:
  bool FValues[OptionCount] = {true, false, true, true, false, true, true, false,
                               true, true, false, true, false, true, false, false};
};

class TvxTreeListOptionsData : public TvxControlOptionsData {
  DECLARE_CLASS(TvxTreeListOptionsData, TvxControlOptionsData)
  PUBLISHED(TvxTreeListOptionsData)
 public:
  using TvxControlOptionsData::TvxControlOptionsData;
  void Assign(TPersistent* Source) override;
  TvxCustomTreeList* TreeList() const;
  bool AnsiSort() const;
  void SetAnsiSort(bool Value);
  bool CaseInsensitive() const;
  void SetCaseInsensitive(bool Value);
  bool Deleting = true;
  bool Inserting = false;
  bool SummaryNullIgnore() const { return FSummaryNullIgnore; }
  // A change recalculates the summaries.
  void SetSummaryNullIgnore(bool Value);

 protected:
  void EditingTurnedOff() override;

 private:
  bool FSummaryNullIgnore = false;
};

class TvxTreeListOptionsSelection : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListOptionsSelection, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListOptionsSelection)
 public:
  using TvxOwnedPersistent::TvxOwnedPersistent;
  void Assign(TPersistent* Source) override;
  bool CellSelect = true;
  bool HideFocusRect = true;
  bool HideSelection = false;
  bool InvertSelect = true;
  bool MultiSelect = false;
};


// --- Styles -----------------------------------------------------------------------------

// A cell position handed to style lookups as their data: a node and a column item index.
class TvxTreeListCellPos : public TObject {
  DECLARE_CLASS(TvxTreeListCellPos, TObject)
 public:
  TvxTreeListCellPos(TvxTreeListNode* ANode, Integer AColumn) : Node(ANode), Column(AColumn) {}
  TvxTreeListNode* Node;
  Integer Column;
};

enum : Integer {
  tlsContent,
  tlsBackground,
  tlsInactive,
  tlsSelection,
  tlsBandBackground,
  tlsBandContent,
  tlsBandHeader,
  tlsColumnFooter,
  tlsColumnHeader,
  tlsContentEven,
  tlsContentOdd,
  tlsFooter,
  tlsIncSearch,
  tlsIndicator,
  tlsPreview,
  tlsHotTrack
};

// (Sender, column item index or -1, node, var style)
using TvxTreeListGetContentStyleEvent =
    std::function<void(TObject* Sender, Integer AColumn, TvxTreeListNode* ANode, TvxStyle*& AStyle)>;
using TvxTreeListGetNodeIndentStyleEvent =
    std::function<void(TObject* Sender, TvxTreeListNode* ANode, Integer ALevel, TvxStyle*& AStyle)>;
using TvxTreeListGetPreviewStyleEvent =
    std::function<void(TObject* Sender, TvxTreeListNode* ANode, TvxStyle*& AStyle)>;
using TvxTreeListGetColumnFooterStyleEvent =
    std::function<void(TObject* Sender, Integer AColumn, TvxTreeListNode* ANode, TObject* AFooterItem, TvxStyle*& AStyle)>;

using TvxTreeListGetBandStyleEvent = std::function<void(TObject* Sender, TvxTreeListBand* ABand, TvxStyle*& AStyle)>;
using TvxTreeListGetBandContentStyleEvent =
    std::function<void(TObject* Sender, TvxTreeListBand* ABand, TvxTreeListNode* ANode, TvxStyle*& AStyle)>;
using TvxTreeListGetColumnStyleEvent =
    std::function<void(TObject* Sender, TvxTreeListColumn* AColumn, TvxStyle*& AStyle)>;

// How each painted element of the tree list finds its bitmap, colours and font: an
// event's style first, then the stored style of the element, then the look-and-feel
// defaults.
class TvxTreeListStyles : public TvxStyles {
  DECLARE_CLASS(TvxTreeListStyles, TvxStyles)
 public:
  explicit TvxTreeListStyles(TPersistent* AOwner);
  // From another tree list's styles: the twelve tree-list styles, then the inherited four
  // and the style sheet.
  void Assign(TPersistent* Source) override;
  void GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) override;
  TvxCustomTreeList* TreeList() const;

  TvxViewParams GetContentParams(TvxTreeListNode* ANode, Integer AColumn);
  TvxViewParams GetColumnFooterParams(Integer AColumn, TvxTreeListNode* ANode, TObject* AItem);
  TvxViewParams GetFooterParams();
  TvxViewParams GetIncSearchParams();
  TvxViewParams GetIndentParams(TvxTreeListNode* ANode, Integer AIndent);
  TvxViewParams GetIndicatorParams();
  TvxViewParams GetPreviewParams(TvxTreeListNode* ANode) { return DoGetPreviewParams(ANode); }
  // Band and column elements: the band's or column's own style first (its styles object),
  // then these, which ask their event and the tree list's style of the element.
  TvxViewParams GetBandBackgroundParams(TvxTreeListBand* ABand);
  TvxViewParams GetBandContentParams(TvxTreeListBand* ABand, TvxTreeListNode* ANode);
  TvxViewParams GetBandFooterParams(TvxTreeListBand* ABand, TvxTreeListNode* ANode);
  // A band's header: the band's own Header style, falling back to DoGetBandHeaderParams.
  TvxViewParams GetBandHeaderParams(TvxTreeListBand* ABand);
  // The tree list's band header style (OnGetBandHeaderStyle, then BandHeader).
  TvxViewParams DoGetBandHeaderParams(TvxTreeListBand* ABand);
  TvxViewParams GetColumnHeaderParams(TvxTreeListColumn* AColumn);
  // A column's content without its own style: events, band content, node parity.
  TvxViewParams GetColumnContentParams(TvxTreeListNode* ANode, Integer AColumn) {
    return DoGetContentParams(ANode, AColumn);
  }
  // Whether the selection's text colour comes from a style (Selection while focused, else
  // Inactive).
  bool IsSelectionTextAssigned(bool AFocused) const;

  TvxTreeListGetContentStyleEvent OnGetContentStyle;
  TvxTreeListGetContentStyleEvent OnGetHotTrackStyle;
  TvxTreeListGetNodeIndentStyleEvent OnGetNodeIndentStyle;
  TvxTreeListGetPreviewStyleEvent OnGetPreviewStyle;
  TvxTreeListGetColumnFooterStyleEvent OnGetColumnFooterStyle;
  TvxTreeListGetBandStyleEvent OnGetBandBackgroundStyle;
  TvxTreeListGetBandStyleEvent OnGetBandHeaderStyle;
  TvxTreeListGetBandContentStyleEvent OnGetBandContentStyle;
  TvxTreeListGetBandContentStyleEvent OnGetBandFooterStyle;
  TvxTreeListGetColumnStyleEvent OnGetColumnHeaderStyle;

 protected:
  virtual TvxViewParams DoGetContentParams(TvxTreeListNode* ANode, Integer AColumn);
  virtual TvxViewParams DoGetNodeContentParams(TvxTreeListNode* ANode, TvxStyle* AStyle);
  virtual TvxViewParams DoGetPreviewParams(TvxTreeListNode* ANode);
  TvxViewParams Lookup(Integer AIndex, TObject* AData, TvxStyle* AStyle);
};

// A named set of tree-list styles that tree lists can share through their StyleSheet.
class TvxTreeListStyleSheet : public TvxCustomStyleSheet {
  DECLARE_CLASS(TvxTreeListStyleSheet, TvxCustomStyleSheet)
  PUBLISHED(TvxTreeListStyleSheet)
 public:
  using TvxCustomStyleSheet::TvxCustomStyleSheet;
  TvxCustomStylesClass GetStylesClass() const override { return TvxTreeListStyles::StaticClass(); }
  TvxTreeListStyles* Styles();
  // Assigns into the sheet's own styles.
  void SetStyles(TvxTreeListStyles* Value);
};

// --- Columns and bands ------------------------------------------------------------------

// A column's own styles; what they leave open comes from the band and the tree list.
class TvxTreeListColumnStyles : public TvxStyles {
  DECLARE_CLASS(TvxTreeListColumnStyles, TvxStyles)
 public:
  enum : Integer { Content, Header, Footer };
  explicit TvxTreeListColumnStyles(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  void GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) override;
  TvxTreeListColumn* Column() const;
  TvxViewParams GetContentParams(TvxTreeListNode* ANode) { return Lookup(Content, ANode); }
  TvxViewParams GetHeaderParams() { return Lookup(Header, nullptr); }
  TvxViewParams GetFooterParams(TvxTreeListNode* ANode) { return Lookup(Footer, ANode); }

 protected:
  void StyleChanged(Integer AIndex) override;

 private:
  TvxViewParams Lookup(Integer AIndex, TObject* AData);
};

// A band's own styles, falling back on the tree list's band styles.
class TvxTreeListBandStyles : public TvxStyles {
  DECLARE_CLASS(TvxTreeListBandStyles, TvxStyles)
 public:
  enum : Integer { Content, Footer, Header, HeaderBackground };
  explicit TvxTreeListBandStyles(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  void GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) override;
  TvxTreeListBand* Band() const;
  TvxViewParams GetContentParams(TvxTreeListNode* ANode) { return Lookup(Content, ANode); }
  TvxViewParams GetFooterParams(TvxTreeListNode* ANode) { return Lookup(Footer, ANode); }
  TvxViewParams GetHeaderParams() { return Lookup(Header, nullptr); }
  TvxViewParams GetHeaderBackgroundParams() { return Lookup(HeaderBackground, nullptr); }

 protected:
  void StyleChanged(Integer AIndex) override;

 private:
  TvxViewParams Lookup(Integer AIndex, TObject* AData);
};

class TvxTreeListColumn;
class TvxTreeListBand;
class TvxTreeListBands;
class TvxTreeListBandRow;
class TvxTreeListBandRows;

enum TvxTreeListBandExpandable { tlbeDefault, tlbeExpandable, tlbeNotExpandable };
ENUM_TYPEINFO(TvxTreeListBandExpandable, tlbeDefault, tlbeExpandable, tlbeNotExpandable)
enum TvxTreeListSizingDirection { tlsdHorz, tlsdVert };

// The caption of a column or a band: text, alignment and glyph. Every change fires
// OnChange, through which the owner relays out.
class TvxTreeListCaption : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListCaption, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListCaption)
 public:
  explicit TvxTreeListCaption(TPersistent* AOwner);
  ~TvxTreeListCaption() override;
  // Copies the text as read, so a default caption becomes explicit.
  void Assign(TPersistent* Source) override;

  TAlignment AlignHorz() const { return FAlignHorz; }
  void SetAlignHorz(TAlignment Value) { SetField(FAlignHorz, Value); }
  TvxAlignmentVert AlignVert() const { return FAlignVert; }
  void SetAlignVert(TvxAlignmentVert Value) { SetField(FAlignVert, Value); }
  TBitmap* Glyph() const { return FGlyph.get(); }
  // Nil empties the glyph, anything else is copied.
  void SetGlyph(TBitmap* Value);
  TAlignment GlyphAlignHorz() const { return FGlyphAlignHorz; }
  void SetGlyphAlignHorz(TAlignment Value);
  TvxAlignmentVert GlyphAlignVert() const { return FGlyphAlignVert; }
  void SetGlyphAlignVert(TvxAlignmentVert Value);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value) { SetField(FMultiLine, Value); }
  bool ShowEndEllipsis() const { return FShowEndEllipsis; }
  void SetShowEndEllipsis(bool Value) { SetField(FShowEndEllipsis, Value); }
  // The text; a column's empty caption reads its data binding's default caption.
  String Text() const;
  void SetText(const String& Value);
  // Whether the text is written: not empty, and for a column not its default caption.
  bool IsTextStored() const;

  TNotifyEvent OnChange;

 private:
  template <class T>
  void SetField(T& AField, T Value) {
    if (AField == Value) return;
    AField = Value;
    Changed();
  }
  void Changed();
  bool GlyphEmpty() const;

  TAlignment FAlignHorz = taLeftJustify;
  TvxAlignmentVert FAlignVert = vaTop;
  std::unique_ptr<TBitmap> FGlyph;
  TAlignment FGlyphAlignHorz = taLeftJustify;
  TvxAlignmentVert FGlyphAlignVert = vaTop;
  bool FMultiLine = false;
  bool FShowEndEllipsis = true;
  String FText;
};

class TvxTreeListColumnOptions : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListColumnOptions, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListColumnOptions)
 public:
  explicit TvxTreeListColumnOptions(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  enum TOption {
    CellEndEllipsis,
    Footer,
    GroupFooter,
    Hidden,
    Sizing,
    VertSizing,
    Customizing,
    Editing,
    Focusing,
    IncSearch,
    Moving,
    ShowEditButtons,
    Sorting,
    TabStop,
    OptionCount
  };
  bool Get(TOption AOption) const { return FValues[AOption]; }
  // Stores a changed value; the column relays out.
  void Set(TOption AOption, bool Value);
  void RestoreDefaults();

 private:
  void SetDefaults();
  bool FValues[OptionCount] = {};
};

// Where a column sits: its band, the row of the band and its place in the row. While
// placement is deferred (the tree list updating or restoring) the setters only store
// wishes, which ApplyWishes carries out later: band first, then row, then column.
class TvxTreeListColumnPosition : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListColumnPosition, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListColumnPosition)
 public:
  explicit TvxTreeListColumnPosition(TPersistent* AOwner);
  // Copies the source's live indexes into the wishes, and LineCount.
  void Assign(TPersistent* Source) override;
  TvxTreeListColumn* Column() const;
  TvxCustomTreeList* TreeList() const;
  TvxTreeListBand* Band() const { return FBand; }
  TvxTreeListBandRow* Row() const { return FRow; }
  Integer BandIndex() const;
  void SetBandIndex(Integer Value);
  Integer RowIndex() const;
  void SetRowIndex(Integer Value);
  Integer ColIndex() const;
  void SetColIndex(Integer Value);
  Integer LineCount() const { return FLineCount; }
  void SetLineCount(Integer Value);
  Integer VisibleColIndex() const { return FVisibleColIndex; }
  Integer VisibleRowIndex() const;
  Integer VisibleBandIndex() const;
  void SetPosition(Integer AColIndex, Integer ARowIndex, bool IsInsertRow = false);
  void SetPositionEx(Integer ABandIndex, Integer AColIndex, bool IsInsertRow, Integer ARowIndex);
  void ApplyWishes();
  void StoreWishes();
  bool WishesDiffer() const;
  Integer WishBandIndex() const { return FBandIndex; }
  Integer WishRowIndex() const { return FRowIndex; }
  Integer WishColIndex() const { return FColIndex; }

 private:
  friend class TvxTreeListBandRow;
  friend class TvxTreeListBand;
  friend class TvxTreeListColumn;
  bool IsDeferred() const;
  void SetRow(TvxTreeListBandRow* ARow);
  void LeaveBand();
  void Changed();

  TvxTreeListBand* FBand = nullptr;
  Integer FBandIndex = -1;
  Integer FColIndex = -1;
  Integer FLineCount = 1;
  TvxTreeListBandRow* FRow = nullptr;
  Integer FRowIndex = -1;
  Integer FVisibleColIndex = -1;
};

// A column's link to its value type; a new value type re-types the column's field.
class TvxTreeListColumnDataBinding : public TvxItemDataBinding {
  DECLARE_CLASS(TvxTreeListColumnDataBinding, TvxItemDataBinding)
 public:
  using TvxItemDataBinding::TvxItemDataBinding;
  void GetDefaultText(String& AText) override { AText = String(); }

 protected:
  void ValueTypeClassChanged() override;
};

// --- Column summaries ---------------------------------------------------------------------

enum TvxSummaryKind { skNone, skSum, skMin, skMax, skCount, skAverage };
ENUM_TYPEINFO(TvxSummaryKind, skNone, skSum, skMin, skMax, skCount, skAverage)

class TvxTreeListSummaryItem;
class TvxTreeListSummaryItems;
class TvxTreeListColumnSummary;

// (Sender item, the node whose children are summed, var text)
using TvxTreeListSummaryItemGetTextEvent =
    std::function<void(TvxTreeListSummaryItem* Sender, TvxTreeListNode* ANode, String& AText)>;

// One total a column shows in its footer (over the whole tree) or its group footers (over
// a node's children). Every change relays the tree list out.
class TvxTreeListSummaryItem : public TCollectionItem {
  DECLARE_CLASS(TvxTreeListSummaryItem, TCollectionItem)
  PUBLISHED(TvxTreeListSummaryItem)
 public:
  explicit TvxTreeListSummaryItem(TCollection* ACollection) : TCollectionItem(ACollection) {}
  void Assign(TPersistent* Source) override;

  TAlignment AlignHorz() const { return FAlignHorz; }
  void SetAlignHorz(TAlignment Value) { SetField(FAlignHorz, Value); }
  TvxAlignmentVert AlignVert() const { return FAlignVert; }
  void SetAlignVert(TvxAlignmentVert Value) { SetField(FAlignVert, Value); }
  // Every descendant that is not hidden counts; otherwise only the direct children.
  bool AllNodes() const { return FAllNodes; }
  void SetAllNodes(bool Value) { SetField(FAllNodes, Value); }
  // The column whose values are summed: the assigned one, else the item's own column.
  TvxTreeListColumn* CalculatedColumn() const;
  TvxTreeListColumn* AssignedCalculatedColumn() const { return FCalculatedColumn; }
  void SetCalculatedColumn(TvxTreeListColumn* Value) { SetField(FCalculatedColumn, Value); }
  TvxSummaryKind Kind() const { return FKind; }
  void SetKind(TvxSummaryKind Value) { SetField(FKind, Value); }
  // The display format; empty: the data layer's default for the kind and value type.
  String Format() const { return FFormat; }
  void SetFormat(const String& Value);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value) { SetField(FMultiLine, Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { SetField(FVisible, Value); }
  // The place among the column's visible items of the same collection; -1 while hidden.
  Integer VisibleIndexInColumn() const { return FVisibleIndexInColumn; }
  // The place in the tree list summary's list of footer (group-footer) items; -1 until the
  // lists are refreshed.
  Integer AbsoluteIndex() const { return FAbsoluteIndex; }
  bool IsFooter() const;

  TvxTreeListSummaryItems* Items() const;
  TvxTreeListColumn* Column() const;
  TvxCustomTreeList* TreeList() const;
  // The total of a footer item for the root, or of a group-footer item for a parent node
  // (Null for any other node): read from the tree list's summary, which recalculates
  // first when it is dirty.
  Variant NodeValue(TvxTreeListNode* ANode) const;
  // The value as text (with the format), then OnGetText for the node.
  String FormatValue(const Variant& AValue, TvxTreeListNode* ANode);
  String NodeText(TvxTreeListNode* ANode) { return FormatValue(NodeValue(ANode), ANode); }

  TvxTreeListSummaryItemGetTextEvent OnGetText;

 private:
  friend class TvxTreeListSummaryItems;
  friend class TvxCustomTreeList;
  template <class T>
  void SetField(T& AField, T Value) {
    if (AField == Value) return;
    AField = Value;
    Changed(true);
  }
  friend class TvxTreeListSummary;
  Integer FAbsoluteIndex = -1;
  TAlignment FAlignHorz = taLeftJustify;
  TvxAlignmentVert FAlignVert = vaCenter;
  bool FAllNodes = true;
  TvxTreeListColumn* FCalculatedColumn = nullptr;
  String FFormat;
  TvxSummaryKind FKind = skNone;
  bool FMultiLine = false;
  bool FVisible = true;
  Integer FVisibleIndexInColumn = -1;
};

// A column's footer or group-footer items. Every update numbers the visible items.
class TvxTreeListSummaryItems : public TvxCollection {
  DECLARE_CLASS(TvxTreeListSummaryItems, TvxCollection)
 public:
  explicit TvxTreeListSummaryItems(TvxTreeListColumnSummary* ASummary);
  TvxTreeListSummaryItem* Add();
  TvxTreeListSummaryItem* Items(Integer AIndex) const {
    return static_cast<TvxTreeListSummaryItem*>(TCollection::Items(AIndex));
  }
  TvxTreeListSummaryItem* GetItemByKind(TvxSummaryKind AKind) const;
  Integer VisibleCount() const { return FVisibleCount; }
  TvxTreeListColumnSummary* Summary() const { return FSummary; }
  TPersistent* GetOwner() override;

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TvxTreeListColumnSummary* FSummary;
  Integer FVisibleCount = 0;
};

// The summary items of a column: those of its footer cell and of its group-footer cells.
class TvxTreeListColumnSummary : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListColumnSummary, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListColumnSummary)
 public:
  explicit TvxTreeListColumnSummary(TvxTreeListColumn* AColumn);
  ~TvxTreeListColumnSummary() override;
  void Assign(TPersistent* Source) override;
  TvxTreeListColumn* Column() const;
  TvxTreeListSummaryItems* FooterSummaryItems() const { return FFooterSummaryItems.get(); }
  TvxTreeListSummaryItems* GroupFooterSummaryItems() const { return FGroupFooterSummaryItems.get(); }
  // The visible items of each collection.
  Integer FooterVisibleCount() const { return FFooterSummaryItems->VisibleCount(); }
  Integer GroupFooterVisibleCount() const { return FGroupFooterSummaryItems->VisibleCount(); }
  // The items changed: the tree list relays out.
  void Changed();

 private:
  std::unique_ptr<TvxTreeListSummaryItems> FFooterSummaryItems;
  std::unique_ptr<TvxTreeListSummaryItems> FGroupFooterSummaryItems;
};

// The single footer setting of older forms; after loading, a kind other than skNone
// becomes a footer summary item of the column.
class TvxTreeListDeprecatedColumnSummaryFooter : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListDeprecatedColumnSummaryFooter, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListDeprecatedColumnSummaryFooter)
 public:
  using TvxOwnedPersistent::TvxOwnedPersistent;
  void Assign(TPersistent* Source) override;
  TAlignment AlignHorz = taLeftJustify;
  TvxAlignmentVert AlignVert = vaCenter;
  String Format;
  TvxSummaryKind Kind = skNone;
  bool MultiLine = false;
};

// (Sender column, node, var text)
using TvxTreeListOnGetDisplayTextEvent =
    std::function<void(TvxTreeListColumn* Sender, TvxTreeListNode* ANode, String& Value)>;

// One column of a tree list. The tree list keeps its columns in item order: a column's
// ItemIndex is also the index of its value in every node. Freeing a column takes it out
// of its band and of the tree list.
//
// A column is an edit item of the tree list's editing control: the editing controller opens
// an in-place editor over the focused node's cell of the column and posts the value to
// the node. It is complete after construction; AfterConstruction adds nothing.
class TvxTreeListColumn : public TvxCustomInplaceEditContainer, public IvxDragSizing, public IvxStorageObject {
  DECLARE_CLASS(TvxTreeListColumn, TvxCustomInplaceEditContainer)
  PUBLISHED(TvxTreeListColumn)
 public:
  explicit TvxTreeListColumn(TComponent* AOwner);
  ~TvxTreeListColumn() override;
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  // Editing: the tree list's and the column's Editing options with a focused node.
  bool CanEdit() override;
  bool CanFocus() override;
  // Opens the focused node for editing (an undo copy is taken).
  bool CanInitEditing() override;
  // The focused node's value while the column is edited.
  Variant GetEditValue() override;
  // The focused node's value: the framework's record is the node of the editor's cell.
  Variant GetValueByRecord(Integer ARecordIndex) override;
  // Into the editing node: the tree list data controller keeps the undo copy until the
  // editor is closed (posted on accept, restored on cancel).
  void SetEditValue(const Variant& Value) override;
  using TvxCustomInplaceEditContainer::DoGetDisplayText;
  using TvxCustomInplaceEditContainer::GetDisplayValue;

  TvxCustomTreeList* TreeList() const { return FTreeList; }
  TvxTreeListCaption* Caption() const { return FCaption.get(); }
  TvxTreeListColumnDataBinding* DataBinding() const {
    return static_cast<TvxTreeListColumnDataBinding*>(inherited::DataBinding());
  }
  TvxTreeListColumnOptions* Options() const { return FOptions.get(); }
  TvxTreeListColumnPosition* Position() const { return FPosition.get(); }
  TvxTreeListColumnStyles* Styles() const { return FStyles.get(); }
  TvxTreeListColumnSummary* Summary() const { return FSummary.get(); }
  TvxTreeListDeprecatedColumnSummaryFooter* SummaryFooter() const { return FSummaryFooter.get(); }
  // Turns the deprecated footer setting read from an old form into a footer item.
  void ConvertDeprecatedSummaryFooter();

  Integer ItemIndex() const;
  // Exchanges places with the column at Value; node values follow their columns.
  void SetItemIndex(Integer Value);
  Integer VisibleIndex() const;

  // 100 while no width is assigned, never below MinWidth.
  Integer Width() const;
  void SetWidth(Integer Value);
  Integer MinWidth() const { return FMinWidth; }
  void SetMinWidth(Integer Value);
  Integer DisplayWidth() const;
  // Forces the width: the columns to the left keep their displayed widths.
  void SetDisplayWidth(Integer Value);
  Integer BestFitMaxWidth() const { return FBestFitMaxWidth; }
  void SetBestFitMaxWidth(Integer Value);
  Integer CalculatedWidth() const { return FCalculatedWidth; }
  Integer IndentWidth() const;

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool ActuallyVisible() const;
  bool IsHidden() const;
  bool IsPreview() const;
  void SetIsPreview(bool Value);
  bool IsLeft() const;
  bool IsRight() const;

  bool CanSort() const;
  bool CanMoving() const;
  bool CanSizing(TvxTreeListSizingDirection ADirection) const;
  // Sizing by dragging: the narrowest and the widest the column may become, and a drag
  // applied (horizontal: forced width; vertical: line count).
  Integer GetSizingMinWidth() const;
  Integer GetSizingMaxWidth() const;
  void SetSizeDelta(TvxTreeListSizingDirection ADirection, Integer ADelta);
  // Dragging the header's right edge (width) or lower edge (line count).
  bool CanSizing(TvxDragSizingDirection ADirection) override;
  TRect GetSizingBoundsRect(TvxDragSizingDirection ADirection) override;
  Integer GetSizingIncrement(TvxDragSizingDirection ADirection) override;
  bool IsDynamicUpdate() override;
  void SetSizeDelta(TvxDragSizingDirection ADirection, Integer ADelta) override;
  TvxDataSortOrder SortOrder() const { return FSortOrder; }
  void SetSortOrder(TvxDataSortOrder Value);
  Integer SortIndex() const { return FSortOrder == soNone ? -1 : FSortIndex; }
  // The column's place among the sorted columns; the others are renumbered around it.
  void SetSortIndex(Integer Value);

  // The focused node's value, Null without one.
  Variant Value() const;
  void SetValue(const Variant& AValue) override;
  // The cell's value or, with AAsText, its display text through OnGetDisplayText.
  Variant GetDisplayValue(TvxTreeListNode* ANode, bool AAsText, bool ARaw = false);
  String DoGetDisplayText(TvxTreeListNode* ANode, const Variant& AValue);
  bool IsCurrency() const;

  String StatusHint;
  Integer Data = 0;
  TvxTreeListOnGetDisplayTextEvent OnGetDisplayText;

  // Component state storage (vxTLStorage.cpp): visibility, place, caption, sort order and
  // widths, and what the three events add.
  String GetStorageObjectName() override;
  bool GetStorageProperties(TStrings* AProperties) override;
  void GetStoragePropertyValue(const String& AName, Variant& AValue) override;
  void SetStoragePropertyValue(const String& AName, const Variant& AValue) override;
  TvxGetStoredPropertiesEvent OnGetStoredProperties;
  TvxGetStoredPropertyValueEvent OnGetStoredPropertyValue;
  TvxSetStoredPropertyValueEvent OnSetStoredPropertyValue;

  // Best fit (vxTLBestFit.cpp): the width the widest of the header, the footer and the
  // measured cells needs, limited by BestFitMaxWidth.
  void ApplyBestFit();
  Integer GetHeaderFooterBestFitWidth();
  // The width a node's cell needs for its display text in its content font.
  Integer MeasureCellWidth(TvxTreeListNode* ANode);
  // Scrolls the column's header into view.
  void MakeVisible();

  void RestoreDefaults();
  void RestoreWidths();
  void InitAutoWidthItem(TvxAutoWidthItem* AItem);
  // The column's changed notification: relayout.
  void Changed() override;
  void SetTreeList(TvxCustomTreeList* Value);
  // A form writes a column inside its tree list and reads it back into it.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

 private:
  friend class TvxCustomTreeList;
  friend class TvxTreeListBand;
  friend class TvxTreeListBandRow;
  friend class TvxTreeListColumnPosition;
  bool IsFixedForAutoWidth() const;
  void CaptionChanged(TObject*) { Changed(); }

  Integer FBestFitMaxWidth = 0;
  std::unique_ptr<TvxTreeListCaption> FCaption;
  Integer FCalculatedWidth = 0;
  Integer FMinWidth = 20;
  std::unique_ptr<TvxTreeListColumnOptions> FOptions;
  std::unique_ptr<TvxTreeListColumnPosition> FPosition;
  Integer FSortIndex = -1;
  TvxDataSortOrder FSortOrder = soNone;
  std::unique_ptr<TvxTreeListColumnStyles> FStyles;
  std::unique_ptr<TvxTreeListColumnSummary> FSummary;
  std::unique_ptr<TvxTreeListDeprecatedColumnSummaryFooter> FSummaryFooter;
  TvxCustomTreeList* FTreeList = nullptr;
  bool FVisible = true;
  // Whether the column is in its tree list's visible column list, so that a band
  // adding its columns there needs no search of the list.
  bool FInVisibleList = false;
  Integer FWidth = 0;
};

// One row of a band: its columns in order, and what the visible ones need.
class TvxTreeListBandRow : public TObject {
  DECLARE_CLASS(TvxTreeListBandRow, TObject)
 public:
  explicit TvxTreeListBandRow(TvxTreeListBandRows* ABandRows) : FBandRows(ABandRows) {}
  TvxTreeListBandRows* BandRows() const { return FBandRows; }
  TvxTreeListBand* Band() const;
  TvxCustomTreeList* TreeList() const;
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxTreeListColumn* Items(Integer AIndex) const { return FItems.at(AIndex); }
  Integer VisibleItemCount() const { return static_cast<Integer>(FVisibleItems.size()); }
  TvxTreeListColumn* VisibleItems(Integer AIndex) const { return FVisibleItems.at(AIndex); }
  TvxTreeListColumn* First() const { return FVisibleItems.empty() ? nullptr : FVisibleItems.front(); }
  TvxTreeListColumn* Last() const { return FVisibleItems.empty() ? nullptr : FVisibleItems.back(); }
  Integer IndexOf(TvxTreeListColumn* AColumn) const;
  Integer Index() const;
  Integer VisibleIndex() const;
  // True for the band's last row and its first row respectively.
  bool IsFirst() const;
  bool IsLast() const;
  Integer LineCount() const { return FLineCount; }
  Integer LineOffset() const { return FLineOffset; }
  Integer MinWidth() const { return FMinWidth; }
  Integer Width() const { return FWidth; }
  bool WidthAssigned() const { return FWidthAssigned; }
  void Refresh();

 private:
  friend class TvxTreeListBandRows;
  friend class TvxTreeListColumnPosition;
  TvxTreeListBandRows* FBandRows;
  std::vector<TvxTreeListColumn*> FItems;
  Integer FLineCount = 0;
  Integer FLineOffset = 0;
  Integer FMinWidth = 0;
  std::vector<TvxTreeListColumn*> FVisibleItems;
  Integer FWidth = 0;
  bool FWidthAssigned = false;
};

class TvxTreeListBandRows : public TObject {
  DECLARE_CLASS(TvxTreeListBandRows, TObject)
 public:
  explicit TvxTreeListBandRows(TvxTreeListBand* ABand) : FBand(ABand) {}
  TvxTreeListBand* Band() const { return FBand; }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxTreeListBandRow* Items(Integer AIndex) const { return FItems.at(AIndex).get(); }
  // The row at the index; below 0 counts as 0, at or beyond the count appends a row.
  TvxTreeListBandRow* RowByIndex(Integer AIndex);
  TvxTreeListBandRow* Insert(Integer AIndex);
  // Deletes the row only when it holds no column.
  void Delete(Integer AIndex);
  TvxTreeListBandRow* First() const { return FItems.empty() ? nullptr : FItems.front().get(); }
  TvxTreeListBandRow* Last() const { return FItems.empty() ? nullptr : FItems.back().get(); }
  Integer IndexOf(const TvxTreeListBandRow* ARow) const;
  Integer VisibleItemCount() const { return static_cast<Integer>(FVisibleItems.size()); }
  TvxTreeListBandRow* VisibleItems(Integer AIndex) const { return FVisibleItems.at(AIndex); }
  Integer LineCount() const { return FLineCount; }
  Integer RowMaxWidth() const { return FRowMaxWidth; }
  Integer RowMinWidth() const { return FRowMinWidth; }
  void Refresh();

 private:
  TvxTreeListBand* FBand;
  std::vector<std::unique_ptr<TvxTreeListBandRow>> FItems;
  Integer FLineCount = 0;
  Integer FRowMaxWidth = 0;
  Integer FRowMinWidth = 0;
  std::vector<TvxTreeListBandRow*> FVisibleItems;
};

class TvxTreeListBandOptions : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListBandOptions, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListBandOptions)
 public:
  explicit TvxTreeListBandOptions(TPersistent* AOwner) : TvxOwnedPersistent(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults();
  bool Customizing = true;
  bool Hidden = false;
  bool Moving = true;
  bool OnlyOwnColumns = false;
  bool Sizing() const { return FSizing; }
  void SetSizing(bool Value);
  bool VertSizing() const { return FVertSizing; }
  void SetVertSizing(bool Value);

 private:
  bool FSizing = true;
  bool FVertSizing = true;
};

// A band's parent and its order among its siblings, with wishes like a column position.
class TvxTreeListBandPosition : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListBandPosition, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListBandPosition)
 public:
  explicit TvxTreeListBandPosition(TPersistent* AOwner) : TvxOwnedPersistent(AOwner) {}
  void Assign(TPersistent* Source) override;
  TvxTreeListBand* Band() const;
  TvxTreeListBand* ParentBand() const { return FParentBand; }
  TvxCustomTreeList* TreeList() const;
  Integer BandIndex() const;
  void SetBandIndex(Integer Value);
  Integer ColIndex() const;
  void SetColIndex(Integer Value);
  Integer VisibleColIndex() const;
  void ApplyWishes();
  void StoreWishes();
  Integer WishBandIndex() const { return FBandIndex; }

 private:
  friend class TvxTreeListBand;
  friend class TvxTreeListBands;
  bool IsDeferred() const;
  Integer FBandIndex = -1;
  Integer FColIndex = -1;
  TvxTreeListBand* FParentBand = nullptr;
};

// A band: a caption over rows of columns, or over child bands.
class TvxTreeListBand : public TvxInterfacedCollectionItem, public IvxDragSizing, public IvxStorageObject {
  DECLARE_CLASS(TvxTreeListBand, TvxInterfacedCollectionItem)
  PUBLISHED(TvxTreeListBand)
 public:
  explicit TvxTreeListBand(TCollection* Collection);
  ~TvxTreeListBand() override;
  void BeforeDestruction() override;
  void Assign(TPersistent* Source) override;
  void SetIndex(Integer Value) override;

  TvxTreeListBands* Bands() const;
  TvxCustomTreeList* TreeList() const;
  TvxTreeListCaption* Caption() const { return FCaption.get(); }
  TvxTreeListBandOptions* Options() const { return FOptions.get(); }
  TvxTreeListBandPosition* Position() const { return FPosition.get(); }
  TvxTreeListBandRows* BandRows() const { return FBandRows.get(); }
  TvxTreeListBandStyles* Styles() const { return FStyles.get(); }

  Integer ChildBandCount() const { return static_cast<Integer>(FChildBands.size()); }
  TvxTreeListBand* ChildBands(Integer AIndex) const { return FChildBands.at(AIndex); }
  Integer ChildVisibleBandCount() const { return static_cast<Integer>(FChildVisibleBands.size()); }
  TvxTreeListBand* ChildVisibleBands(Integer AIndex) const { return FChildVisibleBands.at(AIndex); }
  Integer ColumnCount() const { return static_cast<Integer>(FColumns.size()); }
  TvxTreeListColumn* Columns(Integer AIndex) const { return FColumns.at(AIndex); }
  Integer VisibleColumnCount() const { return static_cast<Integer>(FVisibleColumns.size()); }
  TvxTreeListColumn* VisibleColumns(Integer AIndex) const { return FVisibleColumns.at(AIndex); }
  Integer IndexOf(TvxTreeListBand* AChildBand) const;
  bool HasAsParent(const TvxTreeListBand* ABand) const;
  void MoveBand(TvxTreeListBand* ABand, Integer AColIndex);

  TvxTreeListBand* ParentBand() const { return FPosition->ParentBand(); }
  TvxTreeListBand* RootParentBand() const;
  bool IsRoot() const { return ParentBand() == nullptr; }
  bool IsBottom() const { return FChildBands.empty(); }
  Integer Level() const;
  Integer LineCount() const { return FLineCount; }
  Integer RootIndex() const;
  void SetRootIndex(Integer Value);
  Integer VisibleRootIndex() const;
  Integer VisibleIndex() const;
  bool ActuallyVisible() const;
  bool ActuallyExpandable() const;
  Integer IndentWidth() const;
  bool IsLastAsChild() const;
  bool IsLeftMost() const;
  bool IsRightMost() const;
  bool HasEmptyArea() const { return FHasEmptyArea; }
  bool IsDestroying() const { return FIsDestroying; }

  Integer Width() const { return FWidth; }
  void SetWidth(Integer Value);
  Integer MinWidth() const { return FMinWidth; }
  void SetMinWidth(Integer Value);
  // The larger of MinWidth and the widest row minimum, at least the children's minimums.
  Integer GetMinWidth();
  Integer DisplayWidth();
  void SetDisplayWidth(Integer Value);
  Integer CalculatedWidth() const { return FCalculatedWidth; }
  TvxTreeListBandExpandable Expandable() const { return FExpandable; }
  void SetExpandable(TvxTreeListBandExpandable Value);
  TvxTreeListBandFixedKind FixedKind() const { return FFixedKind; }
  void SetFixedKind(TvxTreeListBandFixedKind Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);

  bool CanMoving() const;
  bool CanSizing(TvxTreeListSizingDirection ADirection) const;
  // Dragging the header's right edge (display width) or lower edge (the band line height).
  bool CanSizing(TvxDragSizingDirection ADirection) override;
  TRect GetSizingBoundsRect(TvxDragSizingDirection ADirection) override;
  Integer GetSizingIncrement(TvxDragSizingDirection ADirection) override { return 1; }
  bool IsDynamicUpdate() override;
  void SetSizeDelta(TvxDragSizingDirection ADirection, Integer ADelta) override;
  void RestoreDefaults();
  void RestoreWidths();
  // Lays out the band's contents within its display width.
  void UpdateContentWidths();
  void StructureChanged();

  // Component state storage (vxTLStorage.cpp); property names match with letter case.
  String GetStorageObjectName() override;
  bool GetStorageProperties(TStrings* AProperties) override;
  void GetStoragePropertyValue(const String& AName, Variant& AValue) override;
  void SetStoragePropertyValue(const String& AName, const Variant& AValue) override;
  TvxGetStoredPropertiesEvent OnGetStoredProperties;
  TvxGetStoredPropertyValueEvent OnGetStoredPropertyValue;
  TvxSetStoredPropertyValueEvent OnSetStoredPropertyValue;

  // Every visible column best-fitted; the band takes the widest row (vxTLBestFit.cpp).
  void ApplyBestFit();
  // Scrolls the band's header into view.
  void MakeVisible();

 private:
  friend class TvxTreeListBands;
  friend class TvxTreeListBandPosition;
  friend class TvxTreeListColumnPosition;
  friend class TvxTreeListBandRows;
  friend class TvxTreeListBandRow;
  friend class TvxCustomTreeList;
  void CaptionChanged(TObject*);
  // Leaves the parent, lets the children and columns go: a band on its way out is
  // never listed anywhere.
  void DetachFromStructure();
  void RefreshLists();
  void CalculateLineCount(Integer ATotal);
  bool IsFixedForAutoWidth() const;
  TvxTreeListBand* DeepestFirstDescendant();

  std::unique_ptr<TvxTreeListBandRows> FBandRows;
  Integer FCalculatedWidth = 0;
  std::unique_ptr<TvxTreeListCaption> FCaption;
  std::vector<TvxTreeListBand*> FChildBands;
  std::vector<TvxTreeListBand*> FChildVisibleBands;
  std::vector<TvxTreeListColumn*> FColumns;
  TvxTreeListBandExpandable FExpandable = tlbeDefault;
  TvxTreeListBandFixedKind FFixedKind = tlbfNone;
  bool FHasEmptyArea = false;
  bool FIsDestroying = false;
  Integer FLineCount = 0;
  Integer FMinWidth = 20;
  std::unique_ptr<TvxTreeListBandOptions> FOptions;
  std::unique_ptr<TvxTreeListBandPosition> FPosition;
  std::unique_ptr<TvxTreeListBandStyles> FStyles;
  bool FVisible = true;
  std::vector<TvxTreeListColumn*> FVisibleColumns;
  Integer FWidth = 0;
};

// The tree list's bands, with the lists the layout reads: root, visible, visible root
// and bottom bands, sorted left-fixed, unfixed, right-fixed.
class TvxTreeListBands : public TOwnedCollection, public IvxStorageObject, public IvxStorageParent {
  DECLARE_CLASS(TvxTreeListBands, TOwnedCollection)
 public:
  explicit TvxTreeListBands(TvxCustomTreeList* ATreeList);
  // Component state storage: "Bands", no properties of its own, every band a child.
  String GetStorageObjectName() override { return L"Bands"; }
  bool GetStorageProperties(TStrings*) override { return true; }
  void GetStoragePropertyValue(const String&, Variant&) override {}
  void SetStoragePropertyValue(const String&, const Variant&) override {}
  TObject* CreateStorageChild(const String& AObjectName, const String& AClassName) override;
  void DeleteStorageChild(const String& AObjectName, TObject* AObject) override;
  void GetStorageChildren(TStringList* AChildren) override;
  TvxTreeListBand* Add();
  TvxTreeListBand* Items(Integer AIndex) const { return static_cast<TvxTreeListBand*>(TCollection::Items(AIndex)); }
  void Assign(TPersistent* Source) override;
  void RestoreDefaults();
  void RestoreWidths();
  TvxCustomTreeList* TreeList() const { return FTreeList; }

  Integer BottomItemCount() const { return static_cast<Integer>(FBottomItems.size()); }
  TvxTreeListBand* BottomItems(Integer AIndex) const { return FBottomItems.at(AIndex); }
  Integer RootItemCount() const { return static_cast<Integer>(FRootItems.size()); }
  TvxTreeListBand* RootItems(Integer AIndex) const { return FRootItems.at(AIndex); }
  Integer VisibleItemCount() const { return static_cast<Integer>(FVisibleItems.size()); }
  TvxTreeListBand* VisibleItems(Integer AIndex) const { return FVisibleItems.at(AIndex); }
  Integer VisibleRootItemCount() const { return static_cast<Integer>(FVisibleRootItems.size()); }
  TvxTreeListBand* VisibleRootItems(Integer AIndex) const { return FVisibleRootItems.at(AIndex); }
  TvxTreeListBand* FirstVisible() const { return FVisibleItems.empty() ? nullptr : FVisibleItems.front(); }
  TvxTreeListBand* LastVisible() const { return FVisibleItems.empty() ? nullptr : FVisibleItems.back(); }
  Integer VisibleIndexOf(const TvxTreeListBand* ABand) const;
  Integer ColumnsLineCount() const { return FColumnsLineCount; }
  TvxTreeListBand* ExpandableBand() const { return FExpandableBand; }
  Integer LineCount() const { return FLineCount; }
  Integer VisibleLeftFixedCount() const { return FVisibleLeftFixedCount; }
  Integer VisibleRightFixedCount() const { return FVisibleRightFixedCount; }
  Integer VisibleRootLeftFixedCount() const { return FVisibleRootLeftFixedCount; }
  Integer VisibleRootRightFixedCount() const { return FVisibleRootRightFixedCount; }

  // Rebuilds the lists, the line counts and the expandable band.
  void RebuildLists();
  // Gives every band the parent and the place among its siblings that were read for it
  // (its position's wishes), in one pass over the bands; a parent that would make a
  // cycle is refused and the band stays at the root.
  void PlaceFromWishes();
  // Shares AAvailableWidth among the bands of AList; without a list, the visible root
  // bands share the tree list's band area (only with ColumnAutoWidth).
  void CalculateAutoWidth(const std::vector<TvxTreeListBand*>* AList = nullptr, Integer AAvailableWidth = 0);

 protected:
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
  void Update(TCollectionItem* Item) override;

 private:
  friend class TvxTreeListBand;
  std::vector<TvxTreeListBand*> FBottomItems;
  Integer FColumnsLineCount = 0;
  TvxTreeListBand* FExpandableBand = nullptr;
  Integer FLineCount = 0;
  std::vector<TvxTreeListBand*> FRootItems;
  TvxCustomTreeList* FTreeList;
  std::vector<TvxTreeListBand*> FVisibleItems;
  Integer FVisibleLeftFixedCount = 0;
  Integer FVisibleRightFixedCount = 0;
  std::vector<TvxTreeListBand*> FVisibleRootItems;
  Integer FVisibleRootLeftFixedCount = 0;
  Integer FVisibleRootRightFixedCount = 0;
};

// --- View options and preview -----------------------------------------------------------

enum TvxTreeListGridLines { tlglNone, tlglHorz, tlglVert, tlglBoth };
enum TvxTreeListGroupFootersMode { tlgfInvisible, tlgfVisibleWhenExpanded, tlgfAlwaysVisible };
enum TvxTreeListPaintStyle { tlpsStandard, tlpsCategorized };
enum TvxTreeListTreeLineStyle { tllsNone, tllsDot, tllsSolid };
enum TvxTreeListPreviewPlace { tlppBottom, tlppTop };
ENUM_TYPEINFO(TvxTreeListGridLines, tlglNone, tlglHorz, tlglVert, tlglBoth)
ENUM_TYPEINFO(TvxTreeListGroupFootersMode, tlgfInvisible, tlgfVisibleWhenExpanded, tlgfAlwaysVisible)
ENUM_TYPEINFO(TvxTreeListPaintStyle, tlpsStandard, tlpsCategorized)
ENUM_TYPEINFO(TvxTreeListTreeLineStyle, tllsNone, tllsDot, tllsSolid)
ENUM_TYPEINFO(TvxTreeListPreviewPlace, tlppBottom, tlppTop)

// How the tree list looks. Setters store a changed value and relay the tree list out.
class TvxTreeListOptionsView : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListOptionsView, TvxOwnedPersistent)
  PUBLISHED(TvxTreeListOptionsView)
 public:
  explicit TvxTreeListOptionsView(TPersistent* AOwner) : TvxOwnedPersistent(AOwner) {}
  TvxCustomTreeList* TreeList() const;
  // From other view options; the categorized column is this tree list's column of the
  // same item index. No notifications.
  void Assign(TPersistent* Source) override;
  // Every option back to its default except CategorizedColumn, DropNodeIndicator,
  // FocusRect and the editing-control options.
  void RestoreDefaults();

  Integer BandLineHeight() const { return FBandLineHeight; }
  void SetBandLineHeight(Integer Value);
  bool Bands() const { return FBands; }
  void SetBands(bool Value) { SetField(FBands, Value); }
  bool Buttons() const { return FButtons; }
  void SetButtons(bool Value) { SetField(FButtons, Value); }
  TvxTreeListColumn* CategorizedColumn() const { return FCategorizedColumn; }
  void SetCategorizedColumn(TvxTreeListColumn* Value) { SetField(FCategorizedColumn, Value); }
  // CategorizedColumn, else the first visible column, else nil.
  TvxTreeListColumn* GetCategorizedColumn() const;
  bool ColumnAutoWidth() const { return FColumnAutoWidth; }
  void SetColumnAutoWidth(bool Value) { SetField(FColumnAutoWidth, Value); }
  bool CheckGroups() const { return FCheckGroups; }
  void SetCheckGroups(bool Value) { SetField(FCheckGroups, Value); }
  TColor DropArrowColor = static_cast<TColor>(0x00FF00);
  bool DropNodeIndicator = false;
  bool DynamicIndent() const { return FDynamicIndent; }
  void SetDynamicIndent(bool Value) { SetImagesField(FDynamicIndent, Value); }
  bool DynamicFocusedStateImages() const { return FDynamicFocusedStateImages; }
  void SetDynamicFocusedStateImages(bool Value) { SetField(FDynamicFocusedStateImages, Value); }
  bool ExtPaintStyle() const { return FExtPaintStyle; }
  void SetExtPaintStyle(bool Value) { SetField(FExtPaintStyle, Value); }
  TColor FixedSeparatorColor() const { return FFixedSeparatorColor; }
  void SetFixedSeparatorColor(TColor Value) { SetField(FFixedSeparatorColor, Value); }
  Integer FixedSeparatorWidth() const { return FFixedSeparatorWidth; }
  void SetFixedSeparatorWidth(Integer Value);
  bool FocusRect() const { return FFocusRect; }
  void SetFocusRect(bool Value) { SetField(FFocusRect, Value); }
  bool Footer() const { return FFooter; }
  void SetFooter(bool Value) { SetField(FFooter, Value); }
  TColor GridLineColor() const { return FGridLineColor; }
  void SetGridLineColor(TColor Value);
  TvxTreeListGridLines GridLines() const { return FGridLines; }
  void SetGridLines(TvxTreeListGridLines Value) { SetField(FGridLines, Value); }
  TvxTreeListGroupFootersMode GroupFooters() const { return FGroupFooters; }
  void SetGroupFooters(TvxTreeListGroupFootersMode Value);
  bool HeaderAutoHeight() const { return FHeaderAutoHeight; }
  void SetHeaderAutoHeight(bool Value) { SetField(FHeaderAutoHeight, Value); }
  bool Headers() const { return FHeaders; }
  void SetHeaders(bool Value) { SetField(FHeaders, Value); }
  bool Indicator() const { return FIndicator; }
  void SetIndicator(bool Value) { SetField(FIndicator, Value); }
  Integer IndicatorWidth() const { return FIndicatorWidth; }
  void SetIndicatorWidth(Integer Value);
  TvxTreeListPaintStyle PaintStyle() const { return FPaintStyle; }
  void SetPaintStyle(TvxTreeListPaintStyle Value) { SetField(FPaintStyle, Value); }
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool Value) { SetImagesField(FShowRoot, Value); }
  bool SimpleCustomizeBox() const { return FSimpleCustomizeBox; }
  void SetSimpleCustomizeBox(bool Value) { SetField(FSimpleCustomizeBox, Value); }
  TColor TreeLineColor() const { return FTreeLineColor; }
  void SetTreeLineColor(TColor Value) { SetField(FTreeLineColor, Value); }
  TvxTreeListTreeLineStyle TreeLineStyle() const { return FTreeLineStyle; }
  void SetTreeLineStyle(TvxTreeListTreeLineStyle Value) { SetField(FTreeLineStyle, Value); }
  bool UseImageIndexForSelected() const { return FUseImageIndexForSelected; }
  void SetUseImageIndexForSelected(bool Value) { SetField(FUseImageIndexForSelected, Value); }
  bool UseNodeColorForIndent() const { return FUseNodeColorForIndent; }
  void SetUseNodeColorForIndent(bool Value) { SetField(FUseNodeColorForIndent, Value); }
  // The editing control's view options (ShowEditButtons comes with the editing control).
  bool CellAutoHeight() const { return FCellAutoHeight; }
  void SetCellAutoHeight(bool Value) { SetField(FCellAutoHeight, Value); }
  bool CellEndEllipsis() const { return FCellEndEllipsis; }
  void SetCellEndEllipsis(bool Value) { SetField(FCellEndEllipsis, Value); }
  Integer CellTextMaxLineCount() const { return FCellTextMaxLineCount; }
  void SetCellTextMaxLineCount(Integer Value) { SetField(FCellTextMaxLineCount, Value); }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value) { SetField(FScrollBars, Value); }

  bool IsIndicatorVisible() const;
  bool HorzGridLines() const { return FGridLines == tlglHorz || FGridLines == tlglBoth; }
  bool VertGridLines() const { return FGridLines == tlglVert || FGridLines == tlglBoth; }
  bool IsCategorized() const { return FPaintStyle == tlpsCategorized; }

 private:
  friend class TvxCustomTreeList;
  template <class T>
  void SetField(T& AField, T Value) {
    if (AField == Value) return;
    AField = Value;
    Changed();
  }
  void SetImagesField(bool& AField, bool Value);
  void Changed();

  Integer FBandLineHeight = 0;
  bool FBands = false;
  bool FButtons = true;
  TvxTreeListColumn* FCategorizedColumn = nullptr;
  bool FColumnAutoWidth = false;
  bool FCheckGroups = false;
  bool FDynamicIndent = false;
  bool FDynamicFocusedStateImages = false;
  bool FExtPaintStyle = false;
  TColor FFixedSeparatorColor = clDefault;
  Integer FFixedSeparatorWidth = 2;
  bool FFocusRect = true;
  bool FFooter = false;
  TColor FGridLineColor = clDefault;
  TvxTreeListGridLines FGridLines = tlglNone;
  TvxTreeListGroupFootersMode FGroupFooters = tlgfInvisible;
  bool FHeaderAutoHeight = false;
  bool FHeaders = true;
  bool FIndicator = false;
  Integer FIndicatorWidth = 12;
  TvxTreeListPaintStyle FPaintStyle = tlpsStandard;
  bool FShowRoot = true;
  bool FSimpleCustomizeBox = false;
  TColor FTreeLineColor = clDefault;
  TvxTreeListTreeLineStyle FTreeLineStyle = tllsDot;
  bool FUseImageIndexForSelected = true;
  bool FUseNodeColorForIndent = true;
  bool FCellAutoHeight = false;
  bool FCellEndEllipsis = false;
  Integer FCellTextMaxLineCount = 0;
  TScrollStyle FScrollBars = ssBoth;
};

// The preview row shown under or above each node with one column's value.
class TvxTreeListPreview : public TvxOwnedInterfacedPersistent {
  DECLARE_CLASS(TvxTreeListPreview, TvxOwnedInterfacedPersistent)
  PUBLISHED(TvxTreeListPreview)
 public:
  explicit TvxTreeListPreview(TPersistent* AOwner) : TvxOwnedInterfacedPersistent(AOwner) {}
  TvxCustomTreeList* TreeList() const;
  void Assign(TPersistent* Source) override;
  // Visible, a column set, visible columns present, and a line limit or AutoHeight.
  bool Active() const;
  bool AutoHeight() const { return FAutoHeight; }
  void SetAutoHeight(bool Value) { SetField(FAutoHeight, Value); }
  TvxTreeListColumn* Column() const { return FColumn; }
  void SetColumn(TvxTreeListColumn* Value) { SetField(FColumn, Value); }
  Integer LeftIndent() const { return FLeftIndent; }
  void SetLeftIndent(Integer Value) { SetField(FLeftIndent, std::max(Value, 0)); }
  Integer MaxLineCount() const { return FMaxLineCount; }
  void SetMaxLineCount(Integer Value) { SetField(FMaxLineCount, Value < 1 ? 0 : Value); }
  TvxTreeListPreviewPlace Place() const { return FPlace; }
  void SetPlace(TvxTreeListPreviewPlace Value) { SetField(FPlace, Value); }
  Integer RightIndent() const { return FRightIndent; }
  void SetRightIndent(Integer Value) { SetField(FRightIndent, Value < 1 ? 0 : Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { SetField(FVisible, Value); }

 private:
  template <class T>
  void SetField(T& AField, T Value) {
    if (AField == Value) return;
    AField = Value;
    Changed();
  }
  void Changed();
  bool FAutoHeight = true;
  TvxTreeListColumn* FColumn = nullptr;
  Integer FLeftIndent = 5;
  Integer FMaxLineCount = 3;
  TvxTreeListPreviewPlace FPlace = tlppBottom;
  Integer FRightIndent = 5;
  bool FVisible = false;
};

// --- Level images -----------------------------------------------------------------------

// The indent metrics of one tree level: Size.cx is the width of the level's indent step,
// Size.cy the least row height its images need, Width the level's whole indent (step,
// image and state image) and Offset the x where its step starts, from the indent's left.
class TvxTreeListLevelInfo : public TObject {
  DECLARE_CLASS(TvxTreeListLevelInfo, TObject)
 public:
  explicit TvxTreeListLevelInfo(TvxCustomTreeList* ATreeList) : FTreeList(ATreeList) {}
  // The metrics from the level's images with the step starting at AOffset; answers where
  // the next level's step starts.
  Integer Calculate(Integer AOffset);
  Integer TotalWidth() const { return Offset + Width; }
  TvxCustomTreeList* TreeList() const { return FTreeList; }
  // The lists the level shows (the tree list's; never owned).
  TCustomImageList* Images = nullptr;
  TCustomImageList* StateImages = nullptr;
  Integer Offset = 0;
  TSize Size{0, 0};
  Integer Width = 0;

 private:
  TvxCustomTreeList* FTreeList;
};

using TvxTreeListGetNodeImageIndexEvent = std::function<void(
    TObject* Sender, TvxTreeListNode* ANode, TvxTreeListImageIndexType AIndexType, Integer& AIndex)>;

// --- The owner --------------------------------------------------------------------------

using TvxTreeListNodeEvent = std::function<void(TObject* Sender, TvxTreeListNode* ANode)>;
using TvxTreeListNodeAllowEvent = std::function<void(TObject* Sender, TvxTreeListNode* ANode, bool& Allow)>;
using TvxTreeListNodeCheckEvent =
    std::function<void(TObject* Sender, TvxTreeListNode* ANode, TvxCheckBoxState AState)>;
using TvxTreeListFocusedChangeEvent =
    std::function<void(TObject* Sender, TvxTreeListNode* APrevFocusedNode, TvxTreeListNode* AFocusedNode)>;
using TvxTreeListNodeChangedEvent =
    std::function<void(TObject* Sender, TvxTreeListNode* ANode, TvxTreeListColumn* AColumn)>;
using TvxTreeListColumnChangedEvent = std::function<void(TObject* Sender, TvxTreeListColumn* AColumn)>;
using TvxTreeListBandChangedEvent = std::function<void(TObject* Sender, TvxTreeListBand* ABand)>;
// (Sender, node, the node's value of the preview column, var preview height)
using TvxTreeListGetPreviewHeightEvent =
    std::function<void(TObject* Sender, TvxTreeListNode* ANode, const Variant& ADisplayValue, Integer& AHeight)>;
using TvxTreeListGetNodeHeightEvent = std::function<void(TObject* Sender, TvxTreeListNode* ANode, Integer& AHeight)>;
using TvxTreeListIsGroupNodeEvent = std::function<void(TObject* Sender, TvxTreeListNode* ANode, bool& IsGroup)>;

// --- Finding ----------------------------------------------------------------------------

enum TvxTreeListFindMode { tlfmNormal, tlfmLike, tlfmExact };

// The wildcards of a LIKE search: any run of characters, and one character.
class TvxTreeListLikeParams : public TObject {
  DECLARE_CLASS(TvxTreeListLikeParams, TObject)
 public:
  wchar_t Percent = L'%';
  wchar_t UnderLine = L'_';
};

// (Sender, destination, mode, the nodes, var copy, var done)
using TvxTreeListMoveToEvent =
    std::function<void(TObject* Sender, TvxTreeListNode* AttachNode, TvxTreeListNodeAttachMode AttachMode,
                       std::vector<TvxTreeListNode*>& Nodes, bool& IsCopy, bool& Done)>;
using TvxTreeListHotTrackNodeEvent =
    std::function<void(TObject* Sender, TvxTreeListNode* ANode, TShiftState AShift, TCursor& ACursor)>;
using TvxTreeListGetLevelImagesEvent = std::function<void(TObject* Sender, Integer ALevel, TCustomImageList*& AImages,
                                                          TCustomImageList*& AStateImages)>;

// Custom drawing per kind of painted element: (Sender, canvas, the cell, var done).
class TvxTreeListCustomCellViewInfo;
using TvxTreeListCustomDrawCellEvent = std::function<void(TvxCustomTreeList* Sender, TvxCanvas* ACanvas,
                                                          TvxTreeListCustomCellViewInfo* AViewInfo, bool& ADone)>;
using TvxTreeListCustomDrawEditCellEvent = TvxTreeListCustomDrawCellEvent;
using TvxTreeListCustomDrawBandCellEvent = TvxTreeListCustomDrawCellEvent;
using TvxTreeListCustomDrawHeaderCellEvent = TvxTreeListCustomDrawCellEvent;
using TvxTreeListCustomDrawIndentCellEvent = TvxTreeListCustomDrawCellEvent;
using TvxTreeListCustomDrawIndicatorCellEvent = TvxTreeListCustomDrawCellEvent;
using TvxTreeListCustomDrawBackgroundCellEvent = TvxTreeListCustomDrawCellEvent;
using TvxTreeListCustomDrawFooterCellEvent = TvxTreeListCustomDrawCellEvent;

// --- Summaries --------------------------------------------------------------------------

struct TvxTreeListSummaryEventArguments {
  TvxTreeListNode* Node;
  TvxTreeListSummaryItem* SummaryItem;
};
struct TvxTreeListSummaryEventOutArguments {
  Variant Value;
  Variant SummaryValue;
  Integer CountValue;
  bool Done;
};
using TvxTreeListSummaryEvent =
    std::function<void(TvxCustomTreeList* ASender, const TvxTreeListSummaryEventArguments& Arguments,
                       TvxTreeListSummaryEventOutArguments& OutArguments)>;

// The footer and group-footer totals of a tree list. Changes only mark it dirty; the first
// read recalculates every node's totals in one walk of the tree.
class TvxTreeListSummary : public TObject {
  DECLARE_CLASS(TvxTreeListSummary, TObject)
 public:
  explicit TvxTreeListSummary(TvxCustomTreeList* ATreeList) : FTreeList(ATreeList) {}
  // The tree list's structure changed: the lists are refreshed by the next batch.
  void Recalculate();
  // When dirty: every node's totals, then OnAfterSummary.
  virtual void Calculate();
  // Rebuilds both item lists and the counters from the columns; marks the summary dirty.
  void RefreshItemLists();
  // A column goes: the lists are refreshed and no item sums it any more.
  void ColumnRemoved(TvxTreeListColumn* AColumn);
  bool IsDirty() const { return FIsDirty; }
  void SetDirty() { FIsDirty = true; }

  Integer FooterSummaryCount() const { return static_cast<Integer>(FAbsoluteFooterSummaryItems.size()); }
  TvxTreeListSummaryItem* FooterSummaryItems(Integer AIndex) const { return FAbsoluteFooterSummaryItems.at(AIndex); }
  Integer FooterSummaryRowCount() const { return FFooterSummaryRowCount; }
  Integer FooterSummaryVisibleCount() const { return FFooterSummaryVisibleCount; }
  Integer GroupFooterSummaryCount() const { return static_cast<Integer>(FAbsoluteGroupFooterSummaryItems.size()); }
  TvxTreeListSummaryItem* GroupFooterSummaryItems(Integer AIndex) const {
    return FAbsoluteGroupFooterSummaryItems.at(AIndex);
  }
  Integer GroupFooterSummaryRowCount() const { return FGroupFooterSummaryRowCount; }
  Integer GroupFooterSummaryVisibleCount() const { return FGroupFooterSummaryVisibleCount; }
  TvxCustomTreeList* TreeList() const { return FTreeList; }

 private:
  void CalculateTree();
  void InitInfos(TvxTreeListNode* ANode);
  void AddValues(TvxTreeListNode* AAncestor, TvxTreeListNode* ANode, const std::vector<TvxTreeListSummaryItem*>& AItems);
  void FinishInfos(TvxTreeListNode* ANode);

  std::vector<TvxTreeListSummaryItem*> FAbsoluteFooterSummaryItems;
  std::vector<TvxTreeListSummaryItem*> FAbsoluteGroupFooterSummaryItems;
  Integer FFooterSummaryRowCount = 0;
  Integer FFooterSummaryVisibleCount = 0;
  Integer FGroupFooterSummaryRowCount = 0;
  Integer FGroupFooterSummaryVisibleCount = 0;
  bool FIsDirty = true;
  TvxCustomTreeList* FTreeList;
};

// The tree list control: root, node lists, columns and bands, focus, selection, update
// lock and change batch, the events the nodes fire, and the view collaborators of the
// editing control (view info, painter, hit test, controller). Made without an owner and
// without AfterConstruction it is a bare model without a window.
class TvxCustomTreeList : public TvxExtEditingControl, public IvxStorageObject, public IvxStorageParent {
  DECLARE_CLASS(TvxCustomTreeList, TvxExtEditingControl)
 public:
  explicit TvxCustomTreeList(TComponent* AOwner = nullptr);
  ~TvxCustomTreeList() override;

  TvxTreeListNode* AddNode(TvxTreeListNode* ANode, TvxTreeListNode* ARelative, TvxTreeListNodeAttachMode AMode,
                           Pointer AData = nullptr);
  TvxTreeListNode* Add(TvxTreeListNode* AParent = nullptr, Pointer AData = nullptr);
  void MoveNode(TvxTreeListNode* ANode, TvxTreeListNodeAttachMode AMode, TvxTreeListNode* ADest);
  void MoveNode(TvxTreeListNode* ANode, TvxTreeListNode* ADest, TvxTreeListNodeAttachMode AMode) {
    MoveNode(ANode, AMode, ADest);
  }
  // Processes pending changes, then deletes every node.
  void Clear();
  // Every node below the root, including nodes added inside an open update lock.
  void DeleteAllNodes();

  // The update lock (the editing control's one lock): the outermost EndUpdate announces
  // pending focus and selection changes and relays out.
  void EndUpdate() override;
  // The update lock is held.
  bool IsUpdating() const { return FLockUpdate > 0; }
  // The update lock, or (for a control with its collaborators) the editing control's
  // lock: no window, loading, destroying.
  bool IsLocked() override;
  Integer LockCount() const { return FLockUpdate; }
  void AddChanges(TvxTreeListChanges AChanges) { FChanges += AChanges; }
  TvxTreeListChanges Changes() const { return FChanges; }
  // Works the change batch off; an exception leaves the control unlocked and the batch
  // empty, and travels on.
  void ProcessChanges();
  // Relayout now, or at the release of the update lock.
  void LayoutChanged() override;
  // Rows were added or changed: with a window the relayout waits for the next paint or
  // input or a reader of the view's geometry, and runs once for any number of such
  // changes; a bare model relays out as LayoutChanged does.
  void RowsLayoutChanged();
  // Runs a relayout that is waiting, now (nothing while the lock is held).
  void ValidateLayout();
  bool IsLayoutPending() const { return FLayoutPending || FLayoutDeferred; }
  void WndProc(TMessage& Message) override;
  void NodeChanged(TvxTreeListNode* ANode, Integer AColumn = -1);
  void StructureChanged();
  void DataChanged();

  Integer AbsoluteCount();
  TvxTreeListNode* AbsoluteItems(Integer AIndex);
  Integer AbsoluteVisibleCount();
  TvxTreeListNode* AbsoluteVisibleItems(Integer AIndex);
  // The shown nodes as the lists hold them now.
  Integer VisibleCount() const { return static_cast<Integer>(FAbsoluteVisibleItems.size()); }
  Integer Count() const { return FRoot->Count(); }
  TvxTreeListNode* Root() const { return FRoot.get(); }
  TvxTreeListDataController* DataController() const { return FDataController.get(); }

  // Columns, in item order; a column's index here is its ItemIndex.
  Integer ColumnCount() const { return FDataController->ItemCount(); }
  TvxTreeListColumn* Columns(Integer AIndex) const;
  TvxTreeListColumn* CreateColumn(TvxTreeListBand* ABand = nullptr);
  void DeleteAllColumns();
  TvxTreeListColumn* ColumnByName(const String& AName) const;
  Integer VisibleColumnCount() const { return static_cast<Integer>(FVisibleColumns.size()); }
  TvxTreeListColumn* VisibleColumns(Integer AIndex) const { return FVisibleColumns.at(AIndex); }
  Integer SortedColumnCount() const { return static_cast<Integer>(FSortedColumns.size()); }
  TvxTreeListColumn* SortedColumns(Integer AIndex) const { return FSortedColumns.at(AIndex); }
  bool Sorted() const { return !FSortedColumns.empty(); }
  void SetSorted(bool Value);
  void ClearSorting() { SetSorted(false); }
  void RestoreColumnsDefaults();
  void RestoreColumnsWidths();
  // Every visible column and band takes its display width as its width.
  void AdjustColumnsWidth();
  // One band with every column in it, all at their defaults.
  void MakeDefaultLayout();
  bool DefaultLayout() const { return FDefaultLayout; }
  void SetDefaultLayout(bool Value) {
    if (Value) MakeDefaultLayout();
  }
  // A change of the layout by hand: the layout is no longer the default one.
  void DesignerModified() { FDefaultLayout = false; }
  TvxTreeListBands* Bands() const { return FBands.get(); }
  // Every column's and band's calculated width is dropped.
  void ClearCalculatedWidths();
  // The width the visible root bands share; the control gives its client width.
  virtual Integer GetBandAreaWidth() const { return FBandAreaWidth; }
  void SetBandAreaWidth(Integer Value);
  // Width of the tree's indent in front of the expandable band's first columns: one
  // indent step per expansion level (less one without ShowRoot).
  virtual Integer GetIndentWidth();
  // Node images: Images shows each node's image (its selected image while it is selected)
  // and StateImages its state image, in the indent in front of its first cells. The lists
  // are watched: a change or their destruction relays the tree list out.
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* Value);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // A node's image index of a type: the stored one (the image index in place of the
  // selected one with UseImageIndexForSelected) as OnGetNodeImageIndex leaves it; -1 for nil.
  virtual Integer DoGetNodeImageIndex(TvxTreeListNode* ANode, TvxTreeListImageIndexType AIndexType);
  TvxTreeListGetNodeImageIndexEvent OnGetNodeImageIndex;
  // The indent metrics per shown level, rebuilt when the level images are due (tcImages).
  Integer LevelInfoCount() const { return static_cast<Integer>(FLevelsInfo.size()); }
  // Nil for a level without metrics.
  TvxTreeListLevelInfo* LevelInfo(Integer ALevel) const;
  // One indent step and the least row height the images need.
  const TSize& DefaultIndentSize() const { return FDefaultIndentSize; }
  virtual void UpdateLevelImages();
  // True while OnGetNodeImageIndex runs: indexes written meanwhile relay nothing out.
  bool ImageIndexChangesLocked() const { return FLockImageIndexChanges; }
  Integer ExpansionLevel() const { return FExpansionLevel; }
  TvxTreeListColumn* ForcingWidthColumn = nullptr;
  TvxTreeListBand* ForcingWidthBand = nullptr;

  TvxTreeListNode* FocusedNode() const { return FFocusedNode; }
  // Focuses ANode (nil clears the focus); OnFocusedNodeChanged follows with the batch.
  void SetFocusedNode(TvxTreeListNode* ANode);
  TvxTreeListNode* PrevFocusedNode() const { return FPrevFocusedNode; }
  TvxTreeListColumn* FocusedColumn() const { return FFocusedColumn; }
  void SetFocusedColumn(TvxTreeListColumn* Value);
  bool IsSelected(const TvxTreeListNode* ANode) const;
  void Select(TvxTreeListNode* ANode);
  void Deselect(TvxTreeListNode* ANode);
  Integer SelectionCount() const;
  // Adds ANode to the selection; "Multi select required" without MultiSelect.
  void Subselect(TvxTreeListNode* ANode);
  // Every shown node, only with MultiSelect.
  void SelectAll();
  void ClearSelection();
  // The selected nodes (or the focused one without MultiSelect) into AList; answers the
  // focused node.
  TvxTreeListNode* GetSelections(std::vector<TvxTreeListNode*>& AList);
  // Focus moves over the shown nodes.
  void GotoBOF();
  void GotoEOF();
  void GotoNext();
  void GotoPrev();
  bool IsBOF();
  bool IsEOF();
  void FullCollapse();
  void FullExpand();
  // The first and the last shown node, nil when none.
  TvxTreeListNode* TopNode();
  TvxTreeListNode* LastNode();
  bool IsCancelOperation();
  bool Destroying() const { return FDestroying; }
  bool HasSortCriteria() const { return !SortColumns.empty() || static_cast<bool>(OnCompare); }
  Integer DoCompare(TvxTreeListNode* A, TvxTreeListNode* B);
  Integer DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(Integer Value);

  // Hooks the nodes call.
  virtual bool DoExpanding(TvxTreeListNode* ANode);
  virtual bool DoCollapsing(TvxTreeListNode* ANode);
  virtual void DoLoadChildren(TvxTreeListNode* ANode);
  virtual void NodeRemoved(TvxTreeListNode* ANode);
  void FireDataChanged();

  TvxTreeListOptionsBehavior* OptionsBehavior() const { return FOptionsBehavior.get(); }
  TvxTreeListOptionsCustomizing* OptionsCustomizing() const { return FOptionsCustomizing.get(); }
  TvxTreeListOptionsData* OptionsData() const { return FOptionsData.get(); }
  TvxTreeListOptionsSelection* OptionsSelection() const { return FOptionsSelection.get(); }
  TvxTreeListOptionsView* OptionsView() const { return FOptionsView.get(); }
  TvxTreeListPreview* Preview() const { return FPreview.get(); }
  // The preview column's item index, -2 without one.
  Integer PreviewColumnIndex() const;
  // The delay timer (its window timer comes with the control).
  bool DelayTimerEnabled() const { return FDelayTimerEnabled; }
  Integer DelayTimerInterval() const { return FDelayTimerInterval; }
  void SetDelayTimer(bool AEnabled, Integer AInterval) {
    FDelayTimerEnabled = AEnabled;
    FDelayTimerInterval = AInterval;
  }

  TvxTreeListStyles* Styles() const { return FStyles.get(); }
  TvxTreeListSummary* Summary() const { return FSummary.get(); }

  // Finding (vxTLSortSearch.cpp). Find walks from AStart (nil: the first top-level node) in
  // pre-order, forward or backward, through expanded nodes only with AExpandedOnly, to the
  // first node AFilter accepts; AStart itself does not count with AIgnoreStartNode.
  virtual TvxTreeListNode* Find(Pointer AData, TvxTreeListNode* AStart, bool AExpandedOnly, bool AForward,
                                const TvxTreeListFindFunc& AFilter, bool AIgnoreStartNode = false);
  // The first node whose display text in AColumn contains (tlfmNormal), matches as a LIKE
  // pattern (tlfmLike) or equals (tlfmExact) AText.
  TvxTreeListNode* FindNodeByText(const String& AText, TvxTreeListColumn* AColumn, TvxTreeListNode* AStartNode = nullptr,
                                  bool AExpandedOnly = false, bool AForward = true, bool ACaseSensitive = true,
                                  TvxTreeListFindMode AMode = tlfmNormal, TvxTreeListLikeParams* ALikeParams = nullptr,
                                  bool AIgnoreStartNode = false);
  // While an incremental search runs: the next (previous) match; True when the focus moved.
  bool FindNext(bool AForward);
  void CancelSearching();
  bool Searching();
  String SearchingText();

  // The clipboard: the header line (with Headers) and one line per node (each selected
  // node with ASelectedOnly), cells separated by TAB, lines by CR LF.
  void CopyAllToClipboard() { CopyToClipboard(false); }
  void CopySelectedToClipboard() { CopyToClipboard(true); }
  virtual void CopyToClipboard(bool ASelectedOnly);
  String GetClipboardText(bool ASelectedOnly);
  virtual String GetHeaderText();
  virtual String GetNodeText(TvxTreeListNode* ANode);

  // Moving and copying nodes (after a node drop): ANodes go to ADest in AMode, or copies of
  // them with AIsCopy; OnMoveTo may do it itself or change AIsCopy.
  void MoveTo(TvxTreeListNode* ADest, TvxTreeListNodeAttachMode AMode, bool AIsCopy, std::vector<TvxTreeListNode*> ANodes);
  // A copy of ASource with its subtree as the last child of AParent; answers the last node
  // made.
  virtual TvxTreeListNode* CopyNode(TvxTreeListNode* ASource, TvxTreeListNode* AParent);
  // A new node before ANode, or (AAppend, or no ANode) as the last child of ANode's parent
  // (the root without ANode), focused and being inserted; True when one was added.
  virtual bool InsertNode(TvxTreeListNode* ANode, bool AAppend);
  virtual void FocusNewNode(TvxTreeListNode* ANode);
  TvxTreeListMoveToEvent OnMoveTo;

  // Page moves over the shown nodes without focusing; the window is updated.
  void GotoNextPage();
  void GotoPrevPage();
  // The hourglass cursor while long work runs (OptionsBehavior.ShowHourGlass); nested.
  void HourglassBegin();
  void HourglassEnd();
  bool HourglassShown() const { return FHourglassCount > 0; }
  // The focused node is being inserted.
  bool IsInserting() const { return FFocusedNode && FFocusedNode->Inserting(); }
  using THourglassScope = TCallScope<TvxCustomTreeList, &TvxCustomTreeList::HourglassBegin, &TvxCustomTreeList::HourglassEnd>;
  // The node a node drag carries; nil outside a drag.
  TvxTreeListNode* DragNode = nullptr;
  // A node drag starts with ANode: Allow may refuse it.
  TvxTreeListNodeAllowEvent OnBeginDragNode;
  // A drop from this tree list moves (copies) the dragged nodes, then OnDragDrop runs;
  // a drop from elsewhere only runs OnDragDrop.
  void DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, Integer X, Integer Y) override;

  // Custom drawing, one event per kind of cell (the painter offers each kind only while
  // its element is shown).
  TvxTreeListCustomDrawEditCellEvent OnCustomDrawDataCell;
  TvxTreeListCustomDrawEditCellEvent OnCustomDrawPreviewCell;
  TvxTreeListCustomDrawBandCellEvent OnCustomDrawBandCell;
  TvxTreeListCustomDrawHeaderCellEvent OnCustomDrawHeaderCell;
  TvxTreeListCustomDrawHeaderCellEvent OnCustomDrawBandHeaderCell;
  TvxTreeListCustomDrawIndentCellEvent OnCustomDrawIndentCell;
  TvxTreeListCustomDrawIndicatorCellEvent OnCustomDrawIndicatorCell;
  TvxTreeListCustomDrawBackgroundCellEvent OnCustomDrawBackgroundCell;
  TvxTreeListCustomDrawFooterCellEvent OnCustomDrawFooterCell;
  // The event of a cell kind (its custom-draw number); nil for any other number.
  const TvxTreeListCustomDrawCellEvent* CustomDrawEvent(Integer ACustomDrawID) const;
  // The hot-tracked node changed: the cursor it shows may be chosen here.
  TvxTreeListHotTrackNodeEvent OnHotTrackNode;
  virtual void DoHotTrackNode(TvxTreeListNode* ANode, TShiftState AShift, TCursor& ACursor) {
    if (OnHotTrackNode) OnHotTrackNode(this, ANode, AShift, ACursor);
  }
  // The image lists of an expansion level; they start as Images and StateImages.
  TvxTreeListGetLevelImagesEvent OnGetLevelImages;
  virtual void DoGetLevelImages(Integer ALevel, TCustomImageList*& AImages, TCustomImageList*& AStateImages) {
    if (OnGetLevelImages) OnGetLevelImages(this, ALevel, AImages, AStateImages);
  }

  // The layout (bands and columns) through the component state storage (vxTLStorage.cpp).
  // An empty ASaveTreeListName stores under the control's Name.
  void StoreToIniFile(const String& AStorageName, bool AReCreate = true, const String& ASaveTreeListName = String());
  void StoreToRegistry(const String& AStorageName, bool AReCreate = true, const String& ASaveTreeListName = String());
  void StoreToStream(TStream* AStream, const String& ASaveTreeListName = String());
  // With AChildrenCreating stored columns missing here are made; with AChildrenDeleting
  // columns the storage does not hold are freed.
  void RestoreFromIniFile(const String& AStorageName, bool AChildrenCreating = false, bool AChildrenDeleting = false,
                          const String& ARestoreTreeListName = String());
  void RestoreFromRegistry(const String& AStorageName, bool AChildrenCreating = false, bool AChildrenDeleting = false,
                           const String& ARestoreTreeListName = String());
  void RestoreFromStream(TStream* AStream, bool AChildrenCreating = false, bool AChildrenDeleting = false,
                         const String& ARestoreTreeListName = String());
  // While a restore runs, column and band places are kept as wishes.
  bool IsRestoring() const { return FRestoring; }
  String GetStorageObjectName() override;
  bool GetStorageProperties(TStrings* AProperties) override;
  void GetStoragePropertyValue(const String& AName, Variant& AValue) override;
  void SetStoragePropertyValue(const String& AName, const Variant& AValue) override;
  TObject* CreateStorageChild(const String& AObjectName, const String& AClassName) override;
  void DeleteStorageChild(const String& AObjectName, TObject* AObject) override;
  void GetStorageChildren(TStringList* AChildren) override;
  TvxGetStoredPropertiesEvent OnGetStoredProperties;
  TvxGetStoredPropertyValueEvent OnGetStoredPropertyValue;
  TvxSetStoredPropertyValueEvent OnSetStoredPropertyValue;
  TvxInitStoredObjectEvent OnInitStoredObject;

  // Best fit of every visible band (vxTLBestFit.cpp).
  void ApplyBestFit();
  // The first node best fit measures: the first shown node, or with a limited record
  // count the top node of the view.
  TvxTreeListNode* GetBestFitFirstNode();
  // Column and band places read from a form or a storage, applied: bands first, then the
  // columns in the order of band, row and place in the row.
  void ApplyPositionWishes();
  // After a restore: the sort list follows the sort orders read, and the layout is renewed.
  void RestoredLayout();
  // A node's value of a summary item may be changed, replaced or skipped here.
  TvxTreeListSummaryEvent OnSummary;
  // Once after each recalculation of the summaries.
  TNotifyEvent OnAfterSummary;

  // The view: the first node shown at the top, scrolling a node into view, the collaborators.
  TvxTreeListNode* TopVisibleNode() const { return FTopVisibleNode; }
  void SetTopVisibleNode(TvxTreeListNode* ANode);
  // Processes the batch (focus events included) and scrolls ANode into view.
  void MakeNodeVisible(TvxTreeListNode* ANode);
  class TvxTreeListController* TreeListController() const;
  // A column or band leaves the tree list: a suite drag of it ends without applying.
  void DragItemRemoved(TObject* AItem);
  class TvxTreeListViewInfo* TreeListViewInfo() const;
  class TvxTreeListHitTest* HitTest() const;
  // Deletes the selected nodes and the focused one.
  void DeleteSelection();
  TClass GetControllerClass() override;
  TClass GetHitTestControllerClass() override;
  TClass GetEditingControllerClass() override;
  TClass GetViewInfoClass() override;
  TClass GetPainterClass() override;
  TvxControlOptionsBehavior* GetOptionsBehavior() override { return FOptionsBehavior.get(); }
  TvxControlOptionsData* GetOptionsData() override { return FOptionsData.get(); }
  void InitScrollBarsParameters() override;
  void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) override;
  void InvalidateArea(const TRect& R, bool AEraseBackground) override;
  void BoundsChanged() override;
  void FocusChanged() override;
  void LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) override;
  Integer GetMouseWheelScrollingKind() override { return 2; }
  TNotifyEvent OnTopRecordIndexChanged;
  TvxTreeListColumnChangedEvent OnColumnHeaderClick;
  TvxTreeListNode* HotTrackNode = nullptr;  // the controller's hot-tracked node

  std::vector<TvxTreeListDataController::TSortColumn> SortColumns;
  TvxTreeListNodeEvent OnDeletion;
  TvxTreeListNodeAllowEvent OnExpanding;
  TvxTreeListNodeEvent OnExpanded;
  TvxTreeListNodeAllowEvent OnCollapsing;
  TvxTreeListNodeEvent OnCollapsed;
  TvxTreeListNodeCheckEvent OnNodeCheckChanged;
  TNotifyEvent OnDataChanged;
  std::function<Integer(TObject* Sender, TvxTreeListNode* A, TvxTreeListNode* B)> OnCompare;
  TvxTreeListNodeAllowEvent OnCanFocusNode;
  TvxTreeListFocusedChangeEvent OnFocusedNodeChanged;
  TNotifyEvent OnSelectionChanged;
  TNotifyEvent OnLayoutChanged;
  TvxTreeListNodeChangedEvent OnNodeChanged;
  TvxTreeListColumnChangedEvent OnColumnSizeChanged;
  // A column was moved or hidden by dragging its header.
  TvxTreeListColumnChangedEvent OnColumnPosChanged;
  TvxTreeListBandChangedEvent OnBandSizeChanged;
  // A band was moved, hidden or shown again by hand.
  TvxTreeListBandChangedEvent OnBandPosChanged;
  TNotifyEvent OnCustomizationFormVisibleChanged;
  // The customization form's owner and the built-in context menus (made on first use).
  TvxTreeListCustomizing* Customizing();
  TvxTreeListPopupMenus* PopupMenus();
  // A context-menu request (screen point) is offered to the built-in menus first.
  bool ShowPopupMenu(TComponent* APopupMenu, Integer X, Integer Y) override;
  // The floating picture of a text drag: the drag text in the selection's colours, as
  // wide as the first visible column.
  void GetDragImageBounds(TRect& R) override;
  void PaintDragImage(TBitmap* ABitmap, TvxCanvas* ACanvas) override;
  // The text a node drag shows: the node's text in the first visible column, as
  // OnGetDragDropText leaves it.
  virtual String GetDragDropText(TvxTreeListNode* ANode);
  std::function<void(TObject* Sender, TvxTreeListNode* ANode, String& AText)> OnGetDragDropText;
  // A node's preview height may be changed here; a negative height hides its preview.
  TvxTreeListGetPreviewHeightEvent OnGetNodePreviewHeight;
  // The height of a node's data lines may be changed here; the lines share it in
  // proportion.
  TvxTreeListGetNodeHeightEvent OnGetNodeHeight;
  // Whether a node shows as a group row; starts true for a node with children under the
  // categorized paint style.
  TvxTreeListIsGroupNodeEvent OnIsGroupNode;
  virtual void FireGetNodeHeight(TvxTreeListNode* ANode, Integer& AHeight) {
    if (OnGetNodeHeight) OnGetNodeHeight(this, ANode, AHeight);
  }
  virtual bool IsGroupNode(TvxTreeListNode* ANode);

 protected:
  friend class TvxTreeListColumn;
  friend class TvxTreeListColumnDataBinding;
  friend class TvxTreeListBand;
  friend class TvxTreeListBands;
  friend class TvxTreeListViewInfo;
  virtual TvxTreeListNode* CreateNode();
  // The relayout: pending changes, band structure, auto widths, visible-column order, and
  // (with a window) the view.
  void DoLayoutChanged() override;
  void Paint() override;
  // The columns are written inside the tree list in a form.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  // After a form is read: bands, then columns take their places; the first relayout.
  void Loaded() override;
  // The painter's buffer follows the control's size (while the batch is processed).
  void CheckPainterSize();
  // The view forgets a node that leaves the tree: top node, controller, hit test.
  void ViewNodeRemoved(TvxTreeListNode* ANode);
  // Before a relayout with a window: the bands share the client width, the painter and the
  // line heights are marked changed.
  void ViewLayoutStarting();
  // An image list the tree list shows changed, came or went: level images and relayout.
  void ImageListChanged();
  bool IsViewCalculating() const;
  // The control has its view and window, and is not being read from a form.
  bool HasLiveView();
  void RemoveFromSelection(const TvxTreeListNode* ANode);
  // Closes up the emptied slots of the selection list.
  void CompactSelection();
  void RebuildNodeLists();
  void RebuildSortColumns();
  void SortNodesIfNeeded();
  void FireFocusedNodeChanged();
  void AddColumn(TvxTreeListColumn* AColumn);
  void RemoveColumn(TvxTreeListColumn* AColumn);
  void ColumnSortOrderChanged(TvxTreeListColumn* AColumn);
  void MoveSortedColumn(TvxTreeListColumn* AColumn, Integer AIndex);
  void SortVisibleColumns();
  // Empties the visible column list and unmarks its columns.
  void ClearVisibleColumns();
  TvxTreeListBand* DefaultBand();

  std::unique_ptr<TvxTreeListDataController> FDataController;
  std::unique_ptr<TvxTreeListNode> FRoot;
  std::vector<TvxTreeListNode*> FAbsoluteItems;
  std::vector<TvxTreeListNode*> FAbsoluteVisibleItems;
  // The selected nodes in the order they were selected (an emptied slot is nullptr until
  // the list is closed up), and each one's slot.
  std::vector<TvxTreeListNode*> FSelection;
  std::unordered_map<const TvxTreeListNode*, size_t> FSelectionIndex;
  std::vector<TvxTreeListColumn*> FColumns;  // owned
  std::vector<TvxTreeListColumn*> FVisibleColumns;
  std::vector<TvxTreeListColumn*> FSortedColumns;
  TvxTreeListNode* FFocusedNode = nullptr;
  TvxTreeListNode* FPrevFocusedNode = nullptr;
  TvxTreeListNode* FTopVisibleNode = nullptr;
  Integer FFocusedIndex = -1;  // the shown index of the last focused node that was deleted
  TvxTreeListColumn* FFocusedColumn = nullptr;
  TvxTreeListChanges FChanges;
  bool FChangesLocked = false;
  bool FLayoutPending = false;   // a relayout is due when the lock goes
  bool FLayoutDeferred = false;  // rows changed: a relayout is due before the next paint
  Integer FBandAreaWidth = 0;
  Integer FDefaultRowHeight = 0;
  bool FDefaultLayout = false;
  Integer FExpansionLevel = -1;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  TChangeLink FImagesLink;
  TChangeLink FStateImagesLink;
  std::vector<std::unique_ptr<TvxTreeListLevelInfo>> FLevelsInfo;
  TSize FDefaultIndentSize{0, 0};
  bool FLockImageIndexChanges = false;  // while OnGetNodeImageIndex runs
  bool FDestroying = false;
  bool FIsCancelOperation = false;
  bool FDelayTimerEnabled = false;
  Integer FDelayTimerInterval = 0;
  std::unique_ptr<TvxTreeListOptionsBehavior> FOptionsBehavior;
  std::unique_ptr<TvxTreeListOptionsCustomizing> FOptionsCustomizing;
  std::unique_ptr<TvxTreeListOptionsData> FOptionsData;
  std::unique_ptr<TvxTreeListOptionsSelection> FOptionsSelection;
  std::unique_ptr<TvxTreeListOptionsView> FOptionsView;
  std::unique_ptr<TvxTreeListPreview> FPreview;
  std::unique_ptr<TvxTreeListStyles> FStyles;
  std::unique_ptr<TvxTreeListBands> FBands;
  std::unique_ptr<TvxTreeListCustomizing> FCustomizing;
  std::unique_ptr<TvxTreeListPopupMenus> FPopupMenus;
  std::unique_ptr<TvxTreeListSummary> FSummary;
  Integer FHourglassCount = 0;
  bool FRestoring = false;
  TCursor FHourglassSavedCursor = 0;
  String FStoringName;

 protected:
  virtual bool DoMoveTo(TvxTreeListNode* AttachNode, TvxTreeListNodeAttachMode AttachMode,
                        std::vector<TvxTreeListNode*>& ANodes, bool& AIsCopy);
  virtual void DoMoveNodes(TvxTreeListNode* ADest, TvxTreeListNodeAttachMode AMode, bool AIsCopy,
                           const std::vector<TvxTreeListNode*>& ANodes);
};

// Holds the tree list's update lock for a block. Releasing it processes the batch, which
// may raise; while another exception is already travelling, that one travels on and the
// second goes to the application's handler.
using TvxTreeListUpdateScope = TUpdateScope<TvxCustomTreeList>;

// --- The published tree list ------------------------------------------------------------

// The tree list forms and programs use: the Add family and the node stream.
class TvxTreeList : public TvxCustomTreeList {
  DECLARE_CLASS(TvxTreeList, TvxCustomTreeList)
  PUBLISHED(TvxTreeList)
 public:
  explicit TvxTreeList(TComponent* AOwner = nullptr) : TvxCustomTreeList(AOwner) {}
  // The new node becomes the last child of ASibling's parent (the root for nil).
  TvxTreeListNode* Add(TvxTreeListNode* ASibling = nullptr, Pointer AData = nullptr);
  TvxTreeListNode* AddFirst(TvxTreeListNode* ASibling = nullptr, Pointer AData = nullptr);
  TvxTreeListNode* AddChild(TvxTreeListNode* AParent, Pointer AData = nullptr);
  TvxTreeListNode* AddChildFirst(TvxTreeListNode* AParent, Pointer AData = nullptr);
  // Before ASibling; nil appends to the root.
  TvxTreeListNode* Insert(TvxTreeListNode* ASibling, Pointer AData = nullptr);
  TvxTreeListNode* InsertEx(TvxTreeListNode* ANode, TvxTreeListNode* ASibling, Pointer AData = nullptr);

  // The node tree with its values as one block at the stream's position: header (version,
  // block length), the data controller stream, the nodes in pre-order, the root.
  void SaveToStream(TStream* AStream);
  // Reads a block written by SaveToStream from the stream's position. A malformed block
  // raises "Invalid stream format" and leaves the tree list empty; a wrong block length
  // is found before anything changes.
  void LoadFromStream(TStream* AStream);
  void SaveToFile(const String& AFileName);
  void LoadFromFile(const String& AFileName);
  // From another TvxTreeList, the nodes too.
  void Assign(TPersistent* Source) override;

  static constexpr Integer StreamVersion = 5;

 protected:
  // The node tree as the binary property "Data" of a form, written when there are nodes.
  void DefineProperties(TFiler* Filer) override;
  // Reads the node tree a form held once the columns are in place.
  void Loaded() override;
  void WriteStoredData(TStream* AStream);
  void ReadStoredData(TStream* AStream);
  void ReadNodes(TStream* AStream, Int64 AEnd, Integer AVersion);

 private:
  std::unique_ptr<TMemoryStream> FDataStream;  // "Data" read from a form, until Loaded
};

extern const TUnitInfo vxTLUnit;
