// The tree list's model: nodes under a hidden root, the data controller that keeps each
// node's values in a record buffer of its own, the owner's update lock and change batch,
// and the shared routines (node search, comparisons for list sorts, border inset).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Graphics.h"
#include "SysUtils.h"
#include "Variants.h"
#include "vxDataStorage.h"
#include "vxStyles.h"
#include "vxGraphics.h"
#include "vxInplaceContainer.h"
#include "vxLookAndFeelPainters.h"

DECLARE_EXCEPTION(EvxTreeList, Exception)

class TvxCustomTreeList;
class TvxTreeListNode;
class TvxTreeListDataController;

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

class TvxTreeListNode : public TPersistent {
  DECLARE_CLASS(TvxTreeListNode, TPersistent)
 public:
  explicit TvxTreeListNode(TvxCustomTreeList* AOwner);
  // Frees the subtree; see the destroying steps in the .cpp.
  ~TvxTreeListNode() override;

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
  Integer OriginalIndex() const { return FOriginalIndex; }
  Pointer Handle() const { return FHandle; }

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
  friend class TvxTreeListDataController;
  void Unlink();
  void LinkLast(TvxTreeListNode* AParent);
  void LinkFirst(TvxTreeListNode* AParent);
  void LinkBefore(TvxTreeListNode* ANode);
  void Counted(TvxTreeListNode* AParent);
  void ValidateIndexes();
  bool ParentIsRadioGroup() const { return FParent && FParent->CheckGroupType() == ncgRadioGroup; }
  void UpdateParentCheckState();

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
  Integer ItemCount() const { return FStorage->ValueDefs()->Count(); }

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

  Integer AllocatedRecords() const { return FAllocatedRecords; }
  Integer NodesCount() const { return FNodesCount; }
  TvxDataStorage* Storage() const { return FStorage.get(); }

  bool AnsiSort = false;         // OptionsData.AnsiSort
  bool CaseInsensitive = false;  // OptionsData.CaseInsensitive

 private:
  friend class TvxTreeListNode;
  void ForEachRecord(const std::function<void(TvxTreeListNode*)>& AProc);
  TvxValueDef* Def(Integer AIndex) const { return FStorage->ValueDefs()->Items(AIndex); }

  Integer FAllocatedRecords = 0;
  bool FDataChangedBusy = false;
  TvxTreeListNode* FEditingNode = nullptr;
  bool FIsValueChanged = false;
  Integer FNodesCount = -1;
  TvxCustomTreeList* FTreeList;
  std::unique_ptr<TvxDataStorage> FStorage;
};


// --- Options ----------------------------------------------------------------------------

class TvxTreeListOptionsBehavior : public TvxControlOptionsBehavior {
  DECLARE_CLASS(TvxTreeListOptionsBehavior, TvxControlOptionsBehavior)
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
  void SetSummaryNullIgnore(bool Value) { FSummaryNullIgnore = Value; }

 protected:
  void EditingTurnedOff() override;

 private:
  bool FSummaryNullIgnore = false;
};

class TvxTreeListOptionsSelection : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListOptionsSelection, TvxOwnedPersistent)
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
  // Whether the selection's text colour comes from a style (Selection while focused, else
  // Inactive).
  bool IsSelectionTextAssigned(bool AFocused) const;

  TvxTreeListGetContentStyleEvent OnGetContentStyle;
  TvxTreeListGetContentStyleEvent OnGetHotTrackStyle;
  TvxTreeListGetNodeIndentStyleEvent OnGetNodeIndentStyle;
  TvxTreeListGetPreviewStyleEvent OnGetPreviewStyle;
  TvxTreeListGetColumnFooterStyleEvent OnGetColumnFooterStyle;

 protected:
  virtual TvxViewParams DoGetContentParams(TvxTreeListNode* ANode, Integer AColumn);
  virtual TvxViewParams DoGetNodeContentParams(TvxTreeListNode* ANode, TvxStyle* AStyle);
  virtual TvxViewParams DoGetPreviewParams(TvxTreeListNode* ANode);
  TvxViewParams Lookup(Integer AIndex, TObject* AData, TvxStyle* AStyle);
};

// --- The owner --------------------------------------------------------------------------

using TvxTreeListNodeEvent = std::function<void(TObject* Sender, TvxTreeListNode* ANode)>;
using TvxTreeListNodeAllowEvent = std::function<void(TObject* Sender, TvxTreeListNode* ANode, bool& Allow)>;
using TvxTreeListNodeCheckEvent =
    std::function<void(TObject* Sender, TvxTreeListNode* ANode, TvxCheckBoxState AState)>;

// The model side of a tree list: root, node lists, focus, selection, update lock and
// change batch, and the events the nodes fire.
class TvxCustomTreeList : public TPersistent {
  DECLARE_CLASS(TvxCustomTreeList, TPersistent)
 public:
  TvxCustomTreeList();
  ~TvxCustomTreeList() override;

  TvxTreeListNode* AddNode(TvxTreeListNode* ANode, TvxTreeListNode* ARelative, TvxTreeListNodeAttachMode AMode,
                           Pointer AData = nullptr);
  TvxTreeListNode* Add(TvxTreeListNode* AParent = nullptr, Pointer AData = nullptr);
  void MoveNode(TvxTreeListNode* ANode, TvxTreeListNode* ADest, TvxTreeListNodeAttachMode AMode);
  void Clear();

  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  void CancelUpdate() { --FLockCount; }
  bool IsLocked() const { return FLockCount > 0; }
  void AddChanges(TvxTreeListChanges AChanges) { FChanges += AChanges; }
  TvxTreeListChanges Changes() const { return FChanges; }
  void NodeChanged(TvxTreeListNode* ANode, Integer AColumn = -1);
  void StructureChanged();

  Integer AbsoluteCount() const { return static_cast<Integer>(FAbsoluteItems.size()); }
  TvxTreeListNode* AbsoluteItems(Integer AIndex) const { return FAbsoluteItems.at(AIndex); }
  Integer VisibleCount() const { return FVisibleCount; }
  TvxTreeListNode* Root() const { return FRoot.get(); }
  TvxTreeListDataController* DataController() const { return FDataController.get(); }
  Integer ColumnCount() const { return FDataController->ItemCount(); }
  TvxTreeListNode* FocusedNode() const { return FFocusedNode; }
  void SetFocusedNode(TvxTreeListNode* ANode);
  bool IsSelected(const TvxTreeListNode* ANode) const;
  void Select(TvxTreeListNode* ANode);
  void Deselect(TvxTreeListNode* ANode);
  bool IsCancelOperation();
  bool Destroying() const { return FDestroying; }
  bool HasSortCriteria() const { return !SortColumns.empty() || static_cast<bool>(OnCompare); }
  Integer DoCompare(TvxTreeListNode* A, TvxTreeListNode* B);

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
  // The delay timer (its window timer comes with the control).
  bool DelayTimerEnabled() const { return FDelayTimerEnabled; }
  Integer DelayTimerInterval() const { return FDelayTimerInterval; }
  void SetDelayTimer(bool AEnabled, Integer AInterval) {
    FDelayTimerEnabled = AEnabled;
    FDelayTimerInterval = AInterval;
  }

  TvxTreeListStyles* Styles() const { return FStyles.get(); }
  TFont* Font() const { return FFont.get(); }
  TvxCustomLookAndFeelPainterClass LookAndFeelPainter() const;
  TvxTreeListNode* HotTrackNode = nullptr;  // the controller's hot-tracked node
  bool ShowRoot = true;                     // OptionsView.ShowRoot
  bool UseNodeColorForIndent = true;        // OptionsView.UseNodeColorForIndent
  Integer PreviewColumn = -2;               // the preview's column, none by default

  bool CheckGroups = false;  // OptionsView.CheckGroups
  std::vector<TvxTreeListDataController::TSortColumn> SortColumns;
  TvxTreeListNodeEvent OnDeletion;
  TvxTreeListNodeAllowEvent OnExpanding;
  TvxTreeListNodeEvent OnExpanded;
  TvxTreeListNodeAllowEvent OnCollapsing;
  TvxTreeListNodeEvent OnCollapsed;
  TvxTreeListNodeCheckEvent OnNodeCheckChanged;
  TNotifyEvent OnDataChanged;
  std::function<Integer(TObject* Sender, TvxTreeListNode* A, TvxTreeListNode* B)> OnCompare;

 protected:
  void ProcessChanges();
  void RebuildNodeLists();

  std::unique_ptr<TvxTreeListDataController> FDataController;
  std::unique_ptr<TvxTreeListNode> FRoot;
  std::vector<TvxTreeListNode*> FAbsoluteItems;
  std::vector<TvxTreeListNode*> FSelection;
  TvxTreeListNode* FFocusedNode = nullptr;
  TvxTreeListChanges FChanges;
  Integer FLockCount = 0;
  Integer FVisibleCount = 0;
  bool FDestroying = false;
  bool FIsCancelOperation = false;
  bool FDelayTimerEnabled = false;
  Integer FDelayTimerInterval = 0;
  std::unique_ptr<TvxTreeListOptionsBehavior> FOptionsBehavior;
  std::unique_ptr<TvxTreeListOptionsCustomizing> FOptionsCustomizing;
  std::unique_ptr<TvxTreeListOptionsData> FOptionsData;
  std::unique_ptr<TvxTreeListOptionsSelection> FOptionsSelection;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TvxTreeListStyles> FStyles;
};

// Holds the tree list's update lock for a block.
class TvxTreeListUpdateScope {
 public:
  explicit TvxTreeListUpdateScope(TvxCustomTreeList* ATreeList) : FTreeList(ATreeList) { FTreeList->BeginUpdate(); }
  ~TvxTreeListUpdateScope() { FTreeList->EndUpdate(); }
  TvxTreeListUpdateScope(const TvxTreeListUpdateScope&) = delete;
  TvxTreeListUpdateScope& operator=(const TvxTreeListUpdateScope&) = delete;

 private:
  TvxCustomTreeList* FTreeList;
};
