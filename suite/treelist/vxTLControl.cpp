#include "vxTL.h"

#include <algorithm>
#include <exception>
#include <tuple>
#include <unordered_map>

#include "vxTLCustomizing.h"
#include "vxTLPopupMenus.h"
#include "vxTLStrs.h"
#include "vxVariants.h"

// --- The owner --------------------------------------------------------------------------

TvxCustomTreeList::TvxCustomTreeList(TComponent* AOwner)
    : TvxExtEditingControl(AOwner),
      FDataController(std::make_unique<TvxTreeListDataController>(this)),
      FRoot(std::make_unique<TvxTreeListRootNode>(this)),
      FOptionsBehavior(std::make_unique<TvxTreeListOptionsBehavior>(this)),
      FOptionsCustomizing(std::make_unique<TvxTreeListOptionsCustomizing>(this)),
      FOptionsData(std::make_unique<TvxTreeListOptionsData>(this)),
      FOptionsSelection(std::make_unique<TvxTreeListOptionsSelection>(this)),
      FOptionsView(std::make_unique<TvxTreeListOptionsView>(this)),
      FPreview(std::make_unique<TvxTreeListPreview>(this)),
      FStyles(std::make_unique<TvxTreeListStyles>(this)),
      FBands(std::make_unique<TvxTreeListBands>(this)),
      FSummary(std::make_unique<TvxTreeListSummary>(this)) {
  FChanges = {tcStructure};
  FImagesLink.OnChange = [this](TObject*) { ImageListChanged(); };
  FStateImagesLink.OnChange = [this](TObject*) { ImageListChanged(); };
}

TvxCustomTreeList::~TvxCustomTreeList() {
  FDestroying = true;
  ++FLockUpdate;  // nothing is processed while the tree goes
  // The customization form's cells and the menus point at columns and bands.
  FCustomizing.reset();
  FPopupMenus.reset();
  // The view goes first: its cells point at nodes and columns.
  if (FCollaboratorsCreated) {
    DestroyCollaborators();
    FCollaboratorsCreated = false;
  }
  FDataController->SetEditingNode(nullptr);
  FRoot.reset();
  FAbsoluteItems.clear();
  FAbsoluteVisibleItems.clear();
  FVisibleColumns.clear();
  FSortedColumns.clear();
  while (!FColumns.empty()) delete FColumns.back();
  FBands.reset();
}

TvxTreeListNode* TvxCustomTreeList::CreateNode() { return new TvxUnboundTreeListNode(this); }

TvxTreeListNode* TvxCustomTreeList::AddNode(TvxTreeListNode* ANode, TvxTreeListNode* ARelative,
                                            TvxTreeListNodeAttachMode AMode, Pointer AData) {
  {
    TvxTreeListUpdateScope lock(this);
    // A new last row of the root is appended to current node lists instead of rebuilding
    // them, so that rows added one at a time cost the same at any count.
    const bool listsCurrent = !ANode && !FChanges.Contains(tcStructure) && !FAbsoluteItems.empty() &&
                              FDataController->NodesCount() == static_cast<Integer>(FAbsoluteItems.size());
    // Without a relative, or relative to the root (which has no siblings), an insertion
    // appends to the root.
    if (!ARelative || ARelative == FRoot.get()) {
      if (AMode == tlamInsert) AMode = tlamAdd;
      ARelative = FRoot.get();
    }
    if (!ANode) {
      ANode = CreateNode();
      AddChanges({tcStructure});
    }
    switch (AMode) {
      case tlamAdd:
      case tlamAddChild:
        ANode->LinkLast(ARelative);
        ANode->FOriginalIndex = ARelative->FCount;
        break;
      case tlamAddFirst:
      case tlamAddChildFirst:
        ANode->LinkFirst(ARelative);
        ANode->FOriginalIndex = ARelative->FCount;
        break;
      case tlamInsert:
        ANode->LinkBefore(ARelative);
        ANode->FOriginalIndex = ANode->Index();
        break;
    }
    AddChanges({tcStructure});
    if (listsCurrent && ANode->FParent == FRoot.get() && ANode == FRoot->FLast && !ANode->State.Contains(nsHidden)) {
      ANode->FAbsoluteIndex = static_cast<Integer>(FAbsoluteItems.size());
      FAbsoluteItems.push_back(ANode);
      ANode->FVisibleIndex = static_cast<Integer>(FAbsoluteVisibleItems.size());
      FAbsoluteVisibleItems.push_back(ANode);
      FChanges.Exclude(tcStructure);
    }
    ANode->FData = AData;
    FireDataChanged();
    RowsLayoutChanged();
  }
  return ANode;
}

TvxTreeListNode* TvxCustomTreeList::Add(TvxTreeListNode* AParent, Pointer AData) {
  return AddNode(nullptr, AParent, tlamAddChild, AData);
}

void TvxCustomTreeList::MoveNode(TvxTreeListNode* ANode, TvxTreeListNodeAttachMode AMode, TvxTreeListNode* ADest) {
  // Never into the node's own subtree, and not again where it already is.
  if (!ANode || !ADest || ANode == ADest || ADest->HasAsParent(ANode)) return;
  if (ANode->Parent() == ADest && AMode == tlamAddChild) return;
  AddNode(ANode, ADest, AMode, ANode->Data());
}

void TvxCustomTreeList::Clear() {
  TvxTreeListUpdateScope lock(this);
  ProcessChanges();
  DeleteAllNodes();
}

void TvxCustomTreeList::DeleteAllNodes() {
  // The tree itself is walked, not the node list: nodes added inside an open update lock
  // are not in the list yet and must go as well.
  if (!FRoot->getFirstChild()) return;
  TvxTreeListUpdateScope lock(this);
  FRoot->DeleteChildren();
  FAbsoluteItems.clear();
  FAbsoluteVisibleItems.clear();
  AddChanges({tcStructure});
}

void TvxCustomTreeList::EndUpdate() {
  TvxExtEditingControl::CancelUpdate();
  if (FLockUpdate > 0 || FDestroying) return;
  UpdateLockReleased();
  ProcessChanges();
  if (FLockUpdate != 0) return;
  // A batch that only changed rows leaves its relayout to the next paint, input or
  // reader of the view's geometry.
  if (FLayoutDeferred && !FLayoutPending && HasLiveView()) {
    Invalidate();
    return;
  }
  LayoutChanged();
}

bool TvxCustomTreeList::HasLiveView() { return FCollaboratorsCreated && HandleAllocated() && !IsLoading(); }

void TvxCustomTreeList::LayoutChanged() {
  if (FDestroying) return;
  if (IsUpdating()) {
    FLayoutPending = true;
    return;
  }
  // With a window the editing control runs the relayout (view info, scroll bars, repaint);
  // a bare model relays out its lists and widths only.
  if (HasLiveView()) {
    TvxEditingControl::LayoutChanged();
    // A request the relayout made of itself is met by it.
    FLayoutPending = FLayoutDeferred = false;
  } else {
    DoLayoutChanged();
  }
}

void TvxCustomTreeList::RowsLayoutChanged() {
  if (FDestroying) return;
  if (!HasLiveView()) {
    LayoutChanged();
    return;
  }
  // The rows changed: one relayout for any number of such changes, before the next paint
  // or input, or when the view's geometry is read.
  FLayoutDeferred = true;
  if (ViewInfo()) ViewInfo()->SetState(vxvisCalculationNeeded, true);
  if (!IsUpdating()) Invalidate();
}

void TvxCustomTreeList::ValidateLayout() {
  if ((FLayoutDeferred || FLayoutPending) && !FDestroying && !IsUpdating()) LayoutChanged();
}

void TvxCustomTreeList::WndProc(TMessage& Message) {
  const UINT m = Message.Msg;
  if (m == WM_PAINT || m == WM_PRINTCLIENT || m == WM_VSCROLL || m == WM_HSCROLL ||
      (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST))
    ValidateLayout();
  TvxExtEditingControl::WndProc(Message);
}

void TvxCustomTreeList::DoLayoutChanged() {
  FLayoutPending = FLayoutDeferred = false;
  FIsCancelOperation = false;
  ProcessChanges();
  bool view = FCollaboratorsCreated && HandleAllocated();
  if (view) ViewLayoutStarting();
  FBands->RebuildLists();
  FBands->CalculateAutoWidth();
  SortVisibleColumns();
  if (view) TvxExtEditingControl::DoLayoutChanged();
  // The customization form lists what is hidden now.
  if (FCustomizing) FCustomizing->TreeListChanged();
  if (OnLayoutChanged) OnLayoutChanged(this);
}

void TvxCustomTreeList::ProcessChanges() {
  if (FChanges.Empty() || FChangesLocked || FDestroying || IsLoading() || IsViewCalculating()) return;
  BeginUpdate();
  FChangesLocked = true;
  // A failing step (usually an event handler) must not leave the control locked for
  // good: the batch is emptied, the change lock and the update lock taken above are
  // released without a relayout, and the exception travels on.
  TScopeExit failure([this] {
    FChanges.Clear();
    FChangesLocked = false;
    CancelUpdate();
  });
  TvxTreeListChanges saved = FChanges;
  CheckPainterSize();
  if (FChanges.Contains(tcSortOrder)) FChanges += TvxTreeListChanges{tcData};
  if (FChanges.Contains(tcData)) SortNodesIfNeeded();
  if (FChanges.Contains(tcStructure) || FDataController->NodesCount() != static_cast<Integer>(FAbsoluteItems.size()))
    RebuildNodeLists();
  if (FChanges.Contains(tcStructure) || FChanges.Contains(tcData) || FChanges.Contains(tcColumns))
    FSummary->RefreshItemLists();
  if ((FChanges.Contains(tcSelection) || FChanges.Contains(tcFocusedNode)) && !FFocusedNode && FFocusedIndex >= 0 &&
      FFocusedIndex < VisibleCount() && !FAbsoluteVisibleItems[FFocusedIndex]->Deleting())
    FFocusedNode = FAbsoluteVisibleItems[FFocusedIndex];
  if (FChanges.Contains(tcImages)) UpdateLevelImages();
  if (!FDestroying) {
    if (FChanges.Contains(tcFocusedNode)) FireFocusedNodeChanged();
    if (FChanges.Contains(tcSelection) && OnSelectionChanged) OnSelectionChanged(this);
  }
  FChanges.Exclude(tcFocusedNode).Exclude(tcSelection);
  saved.Exclude(tcFocusedNode).Exclude(tcSelection).Exclude(tcImages);
  if (FChanges == saved) FChanges.Clear();
  FChangesLocked = false;
  failure.Dismiss();
  // A batch that changed while it was processed is processed once more as a whole. The
  // lock goes without a relayout: relaying out is the caller's business.
  if (!FChanges.Empty()) ProcessChanges();
  CancelUpdate();
}

void TvxCustomTreeList::FireFocusedNodeChanged() {
  if (FPrevFocusedNode != FFocusedNode && OnFocusedNodeChanged) OnFocusedNodeChanged(this, FPrevFocusedNode, FFocusedNode);
}

void TvxCustomTreeList::SortNodesIfNeeded() {
  if (!HasSortCriteria()) return;
  FRoot->AlphaSort(true);
}

void TvxCustomTreeList::RebuildNodeLists() {
  FExpansionLevel = -1;
  FAbsoluteItems.clear();
  FAbsoluteVisibleItems.clear();
  if (FDestroying || !FRoot) return;
  FAbsoluteItems.reserve(static_cast<size_t>(std::max(FDataController->NodesCount(), 0)));
  AddChanges({tcImages});
  Integer level = 0, hidden = 0;
  for (TvxTreeListNode* n = FRoot->getFirstChild(); n;) {
    n->FAbsoluteIndex = static_cast<Integer>(FAbsoluteItems.size());
    FAbsoluteItems.push_back(n);
    n->FVisibleIndex = -1;
    if (hidden == 0 && !n->State.Contains(nsHidden)) {
      n->FVisibleIndex = static_cast<Integer>(FAbsoluteVisibleItems.size());
      FAbsoluteVisibleItems.push_back(n);
      FExpansionLevel = std::max(FExpansionLevel, level);
    }
    if (TvxTreeListNode* child = n->getFirstChild()) {
      ++level;
      if (hidden > 0 || n->State.Contains(nsCollapsed) || n->State.Contains(nsHidden)) ++hidden;
      n = child;
      continue;
    }
    while (n && !n->getNextSibling()) {
      n = n->Parent();
      if (!n || n->IsRoot()) {
        n = nullptr;
        break;
      }
      --level;
      hidden = std::max(hidden - 1, 0);
    }
    if (n) n = n->getNextSibling();
  }
}

Integer TvxCustomTreeList::AbsoluteCount() {
  ProcessChanges();
  return static_cast<Integer>(FAbsoluteItems.size());
}

TvxTreeListNode* TvxCustomTreeList::AbsoluteItems(Integer AIndex) {
  ProcessChanges();
  if (AIndex < 0 || AIndex >= static_cast<Integer>(FAbsoluteItems.size()))
    TList::Error(L"List index out of bounds (%d)", AIndex);
  return FAbsoluteItems[AIndex];
}

Integer TvxCustomTreeList::AbsoluteVisibleCount() {
  ProcessChanges();
  return VisibleCount();
}

TvxTreeListNode* TvxCustomTreeList::AbsoluteVisibleItems(Integer AIndex) {
  ProcessChanges();
  if (AIndex < 0 || AIndex >= VisibleCount()) TList::Error(L"List index out of bounds (%d)", AIndex);
  return FAbsoluteVisibleItems[AIndex];
}

void TvxCustomTreeList::NodeChanged(TvxTreeListNode* ANode, Integer AColumn) {
  if (IsUpdating()) {
    // A change without a column may hide or show nodes, so the shown list is rebuilt
    // when the lock is released.
    AddChanges({tcData});
    if (AColumn < 0) AddChanges({tcStructure});
    return;
  }
  if (ANode != FDataController->EditingNode()) AddChanges({AColumn < 0 ? tcStructure : tcData});
  RowsLayoutChanged();
  if (OnNodeChanged) OnNodeChanged(this, ANode, Columns(AColumn));
}

void TvxCustomTreeList::StructureChanged() {
  AddChanges({tcStructure});
  LayoutChanged();
}

void TvxCustomTreeList::DataChanged() {
  AddChanges({tcData});
  LayoutChanged();
}

void TvxCustomTreeList::SetFocusedNode(TvxTreeListNode* ANode) {
  if (ANode == FFocusedNode) return;
  bool allow = true;
  if (OnCanFocusNode) OnCanFocusNode(this, ANode, allow);
  if (!allow) return;
  // A focus change closes the open edit.
  if (FDataController->EditingNode()) FDataController->SetEditingNode(nullptr);
  FPrevFocusedNode = FFocusedNode;
  FFocusedNode = ANode;
  AddChanges({tcFocusedNode});
}



bool TvxCustomTreeList::IsSelected(const TvxTreeListNode* ANode) const { return FSelectionIndex.contains(ANode); }

void TvxCustomTreeList::Select(TvxTreeListNode* ANode) {
  if (FSelectionIndex.emplace(ANode, FSelection.size()).second) FSelection.push_back(ANode);
  AddChanges({tcSelection});
}

void TvxCustomTreeList::Deselect(TvxTreeListNode* ANode) {
  RemoveFromSelection(ANode);
  AddChanges({tcSelection});
}

void TvxCustomTreeList::RemoveFromSelection(const TvxTreeListNode* ANode) {
  auto it = FSelectionIndex.find(ANode);
  if (it == FSelectionIndex.end()) return;
  // The slot is emptied and the list closed up once half of it is empty, so that removing
  // any number of nodes costs the same per node.
  FSelection[it->second] = nullptr;
  FSelectionIndex.erase(it);
  if (FSelection.size() > 2 * FSelectionIndex.size() + 16) CompactSelection();
}

void TvxCustomTreeList::CompactSelection() {
  size_t j = 0;
  for (TvxTreeListNode* n : FSelection)
    if (n) {
      FSelectionIndex[n] = j;
      FSelection[j++] = n;
    }
  FSelection.resize(j);
}

Integer TvxCustomTreeList::SelectionCount() const {
  if (FOptionsSelection->MultiSelect || !FFocusedNode) return static_cast<Integer>(FSelectionIndex.size());
  return 1;
}

void TvxCustomTreeList::Subselect(TvxTreeListNode* ANode) {
  if (!FOptionsSelection->MultiSelect) vxTreeListError(vxGetResString(&svxMultiSelectRequired));
  if (ANode) ANode->SetSelected(true);
}

void TvxCustomTreeList::SelectAll() {
  if (!FOptionsSelection->MultiSelect || AbsoluteVisibleCount() == 0) return;
  TvxTreeListUpdateScope lock(this);
  for (TvxTreeListNode* n : std::vector<TvxTreeListNode*>(FAbsoluteVisibleItems)) Select(n);
}

void TvxCustomTreeList::ClearSelection() {
  if (FSelectionIndex.empty()) return;
  FSelection.clear();
  FSelectionIndex.clear();
  AddChanges({tcSelection});
}

TvxTreeListNode* TvxCustomTreeList::GetSelections(std::vector<TvxTreeListNode*>& AList) {
  AList.clear();
  if (FOptionsSelection->MultiSelect) {
    CompactSelection();
    AList = FSelection;
  }
  else if (FFocusedNode)
    AList.push_back(FFocusedNode);
  return FFocusedNode;
}

TvxTreeListNode* TvxCustomTreeList::TopNode() { return AbsoluteVisibleCount() > 0 ? FAbsoluteVisibleItems.front() : nullptr; }
TvxTreeListNode* TvxCustomTreeList::LastNode() { return AbsoluteVisibleCount() > 0 ? FAbsoluteVisibleItems.back() : nullptr; }

void TvxCustomTreeList::GotoBOF() {
  if (TvxTreeListNode* n = FRoot->getFirstChild()) SetFocusedNode(n);
}

void TvxCustomTreeList::GotoEOF() {
  if (TvxTreeListNode* n = vxTreeListLastVisibleDescendant(FRoot->GetLastChild())) SetFocusedNode(n);
}

void TvxCustomTreeList::GotoNext() {
  if (FFocusedNode && !IsEOF()) SetFocusedNode(FFocusedNode->GetNextVisible());
}

void TvxCustomTreeList::GotoPrev() {
  if (FFocusedNode && !IsBOF()) SetFocusedNode(FFocusedNode->GetPrevVisible());
}

bool TvxCustomTreeList::IsBOF() { return FFocusedNode && (ProcessChanges(), !FFocusedNode->GetPrevVisible()); }
bool TvxCustomTreeList::IsEOF() { return FFocusedNode && (ProcessChanges(), !FFocusedNode->GetNextVisible()); }

bool TvxCustomTreeList::IsCancelOperation() {
  if (!FIsCancelOperation && GetAsyncKeyState(VK_ESCAPE) < 0) FIsCancelOperation = true;
  return FIsCancelOperation;
}

Integer TvxCustomTreeList::DoCompare(TvxTreeListNode* A, TvxTreeListNode* B) {
  if (OnCompare) return OnCompare(this, A, B);
  return FDataController->CompareNodesByColumns(A, B, SortColumns);
}

void TvxCustomTreeList::SetDefaultRowHeight(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FDefaultRowHeight) return;
  FDefaultRowHeight = Value;
  AddChanges({tcImages});
  LayoutChanged();
}

bool TvxCustomTreeList::DoExpanding(TvxTreeListNode* ANode) {
  bool allow = ANode->HasChildren();
  if (OnExpanding) OnExpanding(this, ANode, allow);
  return allow;
}

bool TvxCustomTreeList::DoCollapsing(TvxTreeListNode* ANode) {
  bool allow = ANode->HasChildren();
  if (OnCollapsing) OnCollapsing(this, ANode, allow);
  return allow;
}

void TvxCustomTreeList::DoLoadChildren(TvxTreeListNode*) {}

void TvxCustomTreeList::NodeRemoved(TvxTreeListNode* ANode) {
  if (FPrevFocusedNode == ANode) FPrevFocusedNode = nullptr;
  if (FFocusedNode == ANode) {
    FFocusedIndex = ANode->FVisibleIndex;
    FFocusedNode = nullptr;
    AddChanges({tcFocusedNode, tcSelection});
  }
  if (HotTrackNode == ANode) HotTrackNode = nullptr;
  if (DragNode == ANode) DragNode = nullptr;
  ViewNodeRemoved(ANode);
  FDataController->FreeNodeRecord(ANode);
  RemoveFromSelection(ANode);
}

void TvxCustomTreeList::FireDataChanged() {
  if (OnDataChanged && !FDestroying) OnDataChanged(this);
}

Integer TvxCustomTreeList::PreviewColumnIndex() const {
  TvxTreeListColumn* c = FPreview->Column();
  return c ? c->ItemIndex() : -2;
}

void TvxCustomTreeList::SetBandAreaWidth(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FBandAreaWidth) return;
  FBandAreaWidth = Value;
  LayoutChanged();
}

Integer TvxCustomTreeList::GetIndentWidth() {
  ProcessChanges();
  Integer r = 0;
  for (const auto& info : FLevelsInfo) r = std::max(r, info->TotalWidth());
  // Room for a check box when a shown node has one.
  if (FOptionsView->CheckGroups() &&
      std::any_of(FAbsoluteVisibleItems.begin(), FAbsoluteVisibleItems.end(),
                  [](TvxTreeListNode* n) { return n->HasCheckbox(); }))
    r += LookAndFeelPainter()->CheckButtonSize().cx + 4;
  return r;
}

// Level images ------------------------------------------------------------------------------

Integer TvxTreeListLevelInfo::Calculate(Integer AOffset) {
  Offset = AOffset;
  Size = FTreeList->DefaultIndentSize();
  Width = Size.cx;
  if (Images) {
    Size.cy = std::max<Integer>(Size.cy, Images->Height() + 3);
    Width = Images->Width() + Size.cx + 3;
    if (!FTreeList->OptionsView()->DynamicIndent()) Size.cx = std::max<Integer>(Size.cx, Images->Width() + 3);
  }
  if (StateImages) {
    Size.cy = std::max<Integer>(Size.cy, StateImages->Height() + 3);
    Width += StateImages->Width() + 3;
  }
  return Offset + Size.cx;
}

void TvxCustomTreeList::SetImages(TCustomImageList* Value) {
  if (ReplaceImageList(FImages, Value, FImagesLink, this)) ImageListChanged();
}

void TvxCustomTreeList::SetStateImages(TCustomImageList* Value) {
  if (ReplaceImageList(FStateImages, Value, FStateImagesLink, this)) ImageListChanged();
}

void TvxCustomTreeList::ImageListChanged() {
  if (FDestroying) return;
  AddChanges({tcImages});
  LayoutChanged();
}

void TvxCustomTreeList::Notification(TComponent* AComponent, TOperation Operation) {
  TvxExtEditingControl::Notification(AComponent, Operation);
  if (Operation != opRemove || !AComponent) return;
  if (FPopupMenus) FPopupMenus->Notification(AComponent, Operation);
  // A list that is being freed is forgotten by the tree list and by every level.
  bool images = AComponent == FImages, state = AComponent == FStateImages;
  if (!images && !state) return;
  if (images) FImages = nullptr;
  if (state) FStateImages = nullptr;
  for (auto& info : FLevelsInfo) {
    if (info->Images == AComponent) info->Images = nullptr;
    if (info->StateImages == AComponent) info->StateImages = nullptr;
  }
  ImageListChanged();
}

Integer TvxCustomTreeList::DoGetNodeImageIndex(TvxTreeListNode* ANode, TvxTreeListImageIndexType AIndexType) {
  if (!ANode) return -1;
  TvxTreeListImageIndexType stored =
      AIndexType == tlitSelectedIndex && FOptionsView->UseImageIndexForSelected() ? tlitImageIndex : AIndexType;
  Integer index = ANode->ImageIndexes(stored);
  if (OnGetNodeImageIndex) {
    TValueScope<bool> restore(FLockImageIndexChanges, true);
    OnGetNodeImageIndex(this, ANode, AIndexType, index);
  }
  return index;
}

TvxTreeListLevelInfo* TvxCustomTreeList::LevelInfo(Integer ALevel) const {
  return ALevel >= 0 && ALevel < LevelInfoCount() ? FLevelsInfo[ALevel].get() : nullptr;
}

void TvxCustomTreeList::UpdateLevelImages() {
  FChanges.Exclude(tcImages);
  // One indent step holds an expand button; rows are at least as high.
  const Integer step = LookAndFeelPainter()->ExpandButtonSize() + 6;
  TSize indent{step, step};
  const Integer levels = std::max(FExpansionLevel + 1, 0);
  FLevelsInfo.resize(static_cast<size_t>(levels));
  for (size_t level = 0; level < FLevelsInfo.size(); ++level) {
    auto& info = FLevelsInfo[level];
    if (!info) info = std::make_unique<TvxTreeListLevelInfo>(this);
    info->Images = FImages;
    info->StateImages = FStateImages;
    DoGetLevelImages(static_cast<Integer>(level), info->Images, info->StateImages);
    TCustomImageList* images = info->Images;
    TCustomImageList* stateImages = info->StateImages;
    // The step widens to the image (unless each level's indent follows its own images) and
    // the rows grow to the images (unless each row takes its own height).
    if (images && !FOptionsView->DynamicIndent()) indent.cx = std::max<Integer>(indent.cx, images->Width() + 3);
    if (!FOptionsView->CellAutoHeight()) {
      if (images) indent.cy = std::max<Integer>(indent.cy, images->Height() + 3);
      if (stateImages) indent.cy = std::max<Integer>(indent.cy, stateImages->Height() + 3);
    }
  }
  FDefaultIndentSize = indent;
  Integer offset = 0;
  for (size_t i = 0; i < FLevelsInfo.size(); ++i) {
    offset = FLevelsInfo[i]->Calculate(offset);
    // Without root lines the top level has no step of its own.
    if (i == 0 && !FOptionsView->ShowRoot()) {
      FLevelsInfo[0]->Width -= indent.cx;
      offset -= indent.cx;
    }
  }
}

// The node's indexes as the tree list shows them; reading changes nothing.
Integer TvxTreeListNode::ShownImageIndex(TvxTreeListImageIndexType AType) const {
  return FTreeList->DoGetNodeImageIndex(const_cast<TvxTreeListNode*>(this), AType);
}
Integer TvxTreeListNode::ImageIndex() const { return ShownImageIndex(tlitImageIndex); }
Integer TvxTreeListNode::SelectedIndex() const { return ShownImageIndex(tlitSelectedIndex); }
Integer TvxTreeListNode::StateIndex() const { return ShownImageIndex(tlitStateIndex); }
Integer TvxTreeListNode::OverlayIndex() const { return ShownImageIndex(tlitOverlayIndex); }
Integer TvxTreeListNode::OverlayStateIndex() const { return ShownImageIndex(tlitOverlayStateIndex); }

// Columns ---------------------------------------------------------------------------------

TvxTreeListColumn* TvxCustomTreeList::Columns(Integer AIndex) const {
  return AIndex >= 0 && AIndex < static_cast<Integer>(FColumns.size()) ? FColumns[AIndex] : nullptr;
}

TvxTreeListColumn* TvxCustomTreeList::CreateColumn(TvxTreeListBand* ABand) {
  TvxTreeListColumn* column = nullptr;
  {
    TvxTreeListUpdateScope lock(this);
    auto owned = std::make_unique<TvxTreeListColumn>(nullptr);
    // Without an owner form the name is the class name from its last capital letter on.
    String cls = owned->ClassName();
    size_t last = cls.find_last_of(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    owned->SetName(last == String::npos ? cls : cls.substr(last));
    owned->SetTreeList(this);
    column = owned.release();
    ClearCalculatedWidths();
    if (!ABand) ABand = DefaultBand();
    column->Position()->SetBandIndex(ABand->Index());
  }
  return column;
}

TvxTreeListBand* TvxCustomTreeList::DefaultBand() {
  if (FBands->Count() == 0) return FBands->Add();
  FBands->RebuildLists();
  if (FBands->BottomItemCount() > 0 && FBands->Items(0)->ChildBandCount() > 0) return FBands->BottomItems(0);
  return FBands->Items(0);
}

void TvxCustomTreeList::AddColumn(TvxTreeListColumn* AColumn) {
  FColumns.push_back(AColumn);
  FDataController->AddItem(AColumn->DataBinding()->GetValueTypeClass());
  AddChanges({tcColumns});
}

void TvxCustomTreeList::RemoveColumn(TvxTreeListColumn* AColumn) {
  auto it = std::find(FColumns.begin(), FColumns.end(), AColumn);
  if (it == FColumns.end()) return;
  Integer index = static_cast<Integer>(it - FColumns.begin());
  FColumns.erase(it);
  std::erase(FVisibleColumns, AColumn);
  AColumn->FInVisibleList = false;
  std::erase(FSortedColumns, AColumn);
  DragItemRemoved(AColumn);
  if (TvxTreeListController* c = TreeListController()) c->ColumnRemoved(AColumn);
  if (FFocusedColumn == AColumn) FFocusedColumn = nullptr;
  if (FPreview->Column() == AColumn) FPreview->SetColumn(nullptr);
  if (FOptionsView->CategorizedColumn() == AColumn) FOptionsView->SetCategorizedColumn(nullptr);
  if (!FDestroying) {
    // The column's data item goes with it, so that the column list and the data
    // controller's items agree again before anything walks the columns.
    FDataController->RemoveItem(index);
    // Summary items that summed the column sum their own columns again (none is left to
    // care while the tree list is freed).
    FSummary->ColumnRemoved(AColumn);
    RebuildSortColumns();
    AddChanges({tcColumns});
    LayoutChanged();
  }
}

void TvxCustomTreeList::DeleteAllColumns() {
  TvxTreeListUpdateScope lock(this);
  while (!FColumns.empty()) delete FColumns.front();
}

TvxTreeListColumn* TvxCustomTreeList::ColumnByName(const String& AName) const {
  for (TvxTreeListColumn* c : FColumns)
    if (SameText(c->Name(), AName)) return c;
  return nullptr;
}

void TvxCustomTreeList::ClearCalculatedWidths() {
  for (TvxTreeListColumn* c : FColumns) c->FCalculatedWidth = 0;
  for (Integer i = 0; i < FBands->Count(); ++i) FBands->Items(i)->FCalculatedWidth = 0;
}

void TvxCustomTreeList::ColumnSortOrderChanged(TvxTreeListColumn* AColumn) {
  bool sorted = AColumn->FSortOrder != soNone;
  auto it = std::find(FSortedColumns.begin(), FSortedColumns.end(), AColumn);
  if (sorted && it == FSortedColumns.end()) {
    if (!FOptionsBehavior->MultiSort)
      while (!FSortedColumns.empty()) {
        TvxTreeListColumn* other = FSortedColumns.front();
        FSortedColumns.erase(FSortedColumns.begin());
        other->FSortOrder = soNone;
        other->FSortIndex = -1;
      }
    FSortedColumns.push_back(AColumn);
  } else if (!sorted && it != FSortedColumns.end()) {
    FSortedColumns.erase(it);
    AColumn->FSortIndex = -1;
  }
  RebuildSortColumns();
  AddChanges({tcSortOrder});
  LayoutChanged();
}

void TvxCustomTreeList::MoveSortedColumn(TvxTreeListColumn* AColumn, Integer AIndex) {
  std::erase(FSortedColumns, AColumn);
  AIndex = std::clamp<Integer>(AIndex, 0, static_cast<Integer>(FSortedColumns.size()));
  FSortedColumns.insert(FSortedColumns.begin() + AIndex, AColumn);
  RebuildSortColumns();
  AddChanges({tcSortOrder});
  LayoutChanged();
}

void TvxCustomTreeList::RebuildSortColumns() {
  // Sort indexes are the columns' places in the sorted list, without gaps or repeats.
  SortColumns.clear();
  for (size_t i = 0; i < FSortedColumns.size(); ++i) {
    TvxTreeListColumn* c = FSortedColumns[i];
    c->FSortIndex = static_cast<Integer>(i);
    SortColumns.push_back({c->ItemIndex(), c->FSortOrder == soDescending});
  }
}

void TvxCustomTreeList::SetSorted(bool Value) {
  TvxTreeListUpdateScope lock(this);
  if (!Value)
    while (!FSortedColumns.empty()) FSortedColumns.front()->SetSortOrder(soNone);
  FRoot->AlphaSort(true);
}

void TvxCustomTreeList::RestoreColumnsDefaults() {
  TvxTreeListUpdateScope lock(this);
  for (TvxTreeListColumn* c : std::vector<TvxTreeListColumn*>(FColumns)) c->RestoreDefaults();
}

void TvxCustomTreeList::RestoreColumnsWidths() {
  TvxTreeListUpdateScope lock(this);
  for (TvxTreeListColumn* c : FColumns) c->RestoreWidths();
}

void TvxCustomTreeList::AdjustColumnsWidth() {
  bool saved = FOptionsView->ColumnAutoWidth();
  TvxTreeListUpdateScope lock(this);
  FOptionsView->FColumnAutoWidth = true;
  FBands->RebuildLists();
  FBands->CalculateAutoWidth();
  for (TvxTreeListColumn* c : std::vector<TvxTreeListColumn*>(FVisibleColumns)) c->SetWidth(c->DisplayWidth());
  for (Integer i = 0; i < FBands->VisibleItemCount(); ++i) {
    TvxTreeListBand* b = FBands->VisibleItems(i);
    b->SetWidth(b->DisplayWidth());
  }
  FOptionsView->FColumnAutoWidth = saved;
}

void TvxCustomTreeList::MakeDefaultLayout() {
  {
    TvxTreeListUpdateScope lock(this);
    FOptionsView->SetBands(false);
    while (FBands->Count() > 1) FBands->Delete(FBands->Count() - 1);
    TvxTreeListBand* band = FBands->Count() == 0 ? FBands->Add() : FBands->Items(0);
    band->RestoreDefaults();
    band->SetVisible(true);
    for (TvxTreeListColumn* c : std::vector<TvxTreeListColumn*>(FColumns)) {
      c->RestoreDefaults();
      c->Position()->SetBandIndex(0);
    }
  }
  DesignerModified();
  FDefaultLayout = true;
}

void TvxCustomTreeList::ClearVisibleColumns() {
  for (TvxTreeListColumn* c : FVisibleColumns) c->FInVisibleList = false;
  FVisibleColumns.clear();
}

void TvxCustomTreeList::SortVisibleColumns() {
  // Left-fixed bands, unfixed, right-fixed; then band visible index, row, place in row.
  // Each column's key is worked out once, from indexes of the bands and rows taken in one
  // walk each, so that the sort costs what sorting the list costs.
  using TKey = std::tuple<Integer, Integer, Integer, Integer>;
  std::unordered_map<const TvxTreeListBand*, Integer> bandIndex;
  for (Integer i = 0; i < FBands->VisibleItemCount(); ++i) bandIndex.emplace(FBands->VisibleItems(i), i);
  std::unordered_map<const TvxTreeListBandRow*, Integer> rowIndex;
  std::unordered_map<const TvxTreeListColumn*, Integer> colIndex;
  std::vector<std::pair<TKey, TvxTreeListColumn*>> keyed;
  keyed.reserve(FVisibleColumns.size());
  for (TvxTreeListColumn* c : FVisibleColumns) {
    static const Integer Order[] = {1, 0, 2};
    TvxTreeListBand* b = c->Position()->Band();
    TvxTreeListBandRow* r = c->Position()->Row();
    Integer band = 0, row = 0, col = 0;
    if (b) {
      auto it = bandIndex.find(b);
      band = it == bandIndex.end() ? -1 : it->second;
    }
    if (r) {
      auto [it, added] = rowIndex.emplace(r, 0);
      if (added) {
        it->second = r->Index();
        for (Integer k = 0; k < r->Count(); ++k) colIndex.emplace(r->Items(k), k);
      }
      row = it->second;
      col = colIndex[c];
    }
    keyed.emplace_back(TKey{b ? Order[b->FixedKind()] : 3, band, row, col}, c);
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < keyed.size(); ++i) FVisibleColumns[i] = keyed[i].second;
}

// --- The published tree list -----------------------------------------------------------------

TvxTreeListNode* TvxTreeList::Add(TvxTreeListNode* ASibling, Pointer AData) {
  return AddNode(nullptr, ASibling ? ASibling->Parent() : nullptr, tlamAdd, AData);
}

TvxTreeListNode* TvxTreeList::AddFirst(TvxTreeListNode* ASibling, Pointer AData) {
  return AddNode(nullptr, ASibling ? ASibling->Parent() : nullptr, tlamAddFirst, AData);
}

TvxTreeListNode* TvxTreeList::AddChild(TvxTreeListNode* AParent, Pointer AData) {
  return AddNode(nullptr, AParent, tlamAddChild, AData);
}

TvxTreeListNode* TvxTreeList::AddChildFirst(TvxTreeListNode* AParent, Pointer AData) {
  return AddNode(nullptr, AParent, tlamAddChildFirst, AData);
}

TvxTreeListNode* TvxTreeList::Insert(TvxTreeListNode* ASibling, Pointer AData) {
  return AddNode(nullptr, ASibling, tlamInsert, AData);
}

TvxTreeListNode* TvxTreeList::InsertEx(TvxTreeListNode* ANode, TvxTreeListNode* ASibling, Pointer AData) {
  if (ANode && (ANode == ASibling || (ASibling && ASibling->HasAsParent(ANode)))) return ANode;
  return AddNode(ANode, ASibling, tlamInsert, AData);
}

bool TvxCustomTreeList::IsGroupNode(TvxTreeListNode* ANode) {
  if (!ANode) return false;
  bool group = FOptionsView->IsCategorized() && ANode->HasChildren();
  if (OnIsGroupNode) OnIsGroupNode(this, ANode, group);
  return group;
}
