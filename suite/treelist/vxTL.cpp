#include "vxTL.h"

#include <algorithm>

#include "vxVariants.h"

// --- Shared routines --------------------------------------------------------------------

TvxTreeListNode* vxTreeListLastVisibleDescendant(TvxTreeListNode* ANode) {
  while (ANode && ANode->getFirstChild() && !ANode->State.Contains(nsCollapsed)) ANode = ANode->GetLastChild();
  return ANode;
}

TvxTreeListNode* vxTreeListLastLoadedDescendant(TvxTreeListNode* ANode) {
  while (ANode && ANode->HasChildren()) {
    ANode->LoadChildren();
    if (!ANode->GetLastChild()) break;
    ANode = ANode->GetLastChild();
  }
  return ANode;
}

namespace {

TvxTreeListNode* FindStep(TvxTreeListNode* ANode, bool AForward, bool AExpandedOnly) {
  if (AForward) {
    if (AExpandedOnly) {
      if (ANode->getFirstChild() && !ANode->State.Contains(nsCollapsed)) return ANode->getFirstChild();
    } else {
      if (!ANode->getFirstChild() && ANode->HasChildren()) ANode->LoadChildren();
      if (ANode->getFirstChild()) return ANode->getFirstChild();
    }
    for (TvxTreeListNode* n = ANode; n && !n->IsRoot(); n = n->Parent())
      if (n->getNextSibling()) return n->getNextSibling();
    return nullptr;
  }
  if (TvxTreeListNode* prev = ANode->getPrevSibling())
    return AExpandedOnly ? vxTreeListLastVisibleDescendant(prev) : vxTreeListLastLoadedDescendant(prev);
  TvxTreeListNode* parent = ANode->Parent();
  return parent && !parent->IsRoot() ? parent : nullptr;
}

}  // namespace

TvxTreeListNode* vxTreeListFindNode(TvxCustomTreeList* ATreeList, Pointer AData, TvxTreeListNode* AStart,
                                    bool AIsReject, const TvxTreeListFindFunc& AFunc, bool AForward,
                                    bool AExpandedOnly) {
  ATreeList->BeginUpdate();
  TvxTreeListNode* result = nullptr;
  try {
    TvxTreeListNode* n = AStart ? AStart : ATreeList->Root()->getFirstChild();
    for (; n; n = FindStep(n, AForward, AExpandedOnly)) {
      if (AFunc(n, AData) && !(n == AStart && AIsReject)) {
        result = n;
        break;
      }
    }
  } catch (...) {
    ATreeList->EndUpdate();
    throw;
  }
  // A search that left nothing pending releases the lock without a relayout.
  if (ATreeList->Changes().Empty())
    ATreeList->CancelUpdate();
  else
    ATreeList->EndUpdate();
  return result;
}

void vxTreeListInsetBorders(TRect& R, TvxBorders ABorders) {
  if (ABorders.Contains(bLeft)) ++R.left;
  if (ABorders.Contains(bTop)) ++R.top;
  if (ABorders.Contains(bRight)) --R.right;
  if (ABorders.Contains(bBottom)) --R.bottom;
}

TColor vxTreeListResolveColor(TColor AColor, const std::function<TColor()>& ADefault) {
  return AColor == clDefault ? ADefault() : AColor;
}

void vxTreeListError(const String& AMessage) { throw EvxTreeList(AMessage); }

void vxTreeListCheckError(bool ACondition, const String& AFormat, TVarRecs AArgs) {
  if (ACondition) throw Exception(AFormat, AArgs);
}

Integer vxCompareVisibleBands(const TvxTreeListVisibleBandKey& A, const TvxTreeListVisibleBandKey& B) {
  static const Integer Order[] = {1, 0, 2};  // tlbfNone, tlbfLeft, tlbfRight
  Integer r = Order[A.FixedKind] - Order[B.FixedKind];
  return r != 0 ? r : A.Index - B.Index;
}

Integer vxCompareNodesByAbsoluteIndex(TvxTreeListNode* A, TvxTreeListNode* B) {
  return A->AbsoluteIndex() - B->AbsoluteIndex();
}

Integer vxCompareNodesByRecordIndex(TvxTreeListNode* A, TvxTreeListNode* B) {
  auto a = reinterpret_cast<NativeInt>(A->Handle());
  auto b = reinterpret_cast<NativeInt>(B->Handle());
  return a == b ? 0 : (a > b ? -1 : 1);
}

Integer vxCompareNodesForDeleting(TvxTreeListNode* A, TvxTreeListNode* B) { return B->Level() - A->Level(); }

// --- Nodes ------------------------------------------------------------------------------

TvxTreeListNode::TvxTreeListNode(TvxCustomTreeList* AOwner) : FTreeList(AOwner) {
  State = {nsCollapsed};
  if (FTreeList && FTreeList->DataController()) ++FTreeList->DataController()->FNodesCount;
}

// Destroying: under the update lock the node is marked, announced (OnDeletion, before the
// children go, so the handler still sees the subtree), its children freed, then the owner
// forgets it and frees its record, and it is unlinked.
TvxTreeListNode::~TvxTreeListNode() {
  TvxCustomTreeList* tl = FTreeList;
  tl->BeginUpdate();
  --tl->DataController()->FNodesCount;
  State.Include(nsDeleting);
  tl->AddChanges({tcStructure, tcData});
  // The destructor must run to its end: a handler's failure is not allowed to leave a
  // half-freed node linked in the tree.
  try {
    if (!IsRoot() && tl->OnDeletion) tl->OnDeletion(tl, this);
  } catch (...) {  // see above: the node is freed whatever the handler does
  }
  if (FCount > 0) DeleteChildren();
  if (!IsRoot()) tl->NodeRemoved(this);
  tl->AddChanges({tcStructure});
  Unlink();
  bool root = IsRoot();
  tl->EndUpdate();
  if (!root) tl->FireDataChanged();
}

void TvxTreeListNode::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListNode*>(Source)) {
    SetFocused(src->Focused());
    SetHasChildren(src->HasChildren());
    AssignData(src);
  } else {
    inherited::Assign(Source);
  }
}

void TvxTreeListNode::AssignData(TvxTreeListNode* Source) {
  if (!Source) return;
  State = Source->State;
  CheckInfo = Source->CheckInfo;
  if (FParent && Source->FParent)
    FParent->CheckInfo += Source->FParent->CheckInfo * TvxTreeListNodeCheckInfos{nciCheckGroup, nciRadioGroup};
  for (Integer i = 0; i < Source->ValueCount(); ++i) SetValues(i, Source->Values(i));
}

void TvxTreeListNode::AssignValues(const std::vector<Variant>& AValues) {
  Integer n = std::min<Integer>(static_cast<Integer>(AValues.size()), ValueCount());
  for (Integer i = 0; i < n; ++i) SetValues(i, AValues[i]);
}

void TvxTreeListNode::InitializeHandle() {
  if (!FHandle) FHandle = FTreeList->DataController()->AllocateRecord();
}

bool TvxTreeListNode::SaveExpanded() {
  if (Expanded()) State.Include(nsSaveExpanded);
  return Expanded();
}

void TvxTreeListNode::RestoreExpanded() {
  if (FCount > 0 && State.Contains(nsSaveExpanded)) State.Exclude(nsCollapsed);
  State.Exclude(nsSaveExpanded);
}

TvxTreeListNode* TvxTreeListNode::AddChild() { return FTreeList->AddNode(nullptr, this, tlamAddChild); }
TvxTreeListNode* TvxTreeListNode::AddChildFirst() { return FTreeList->AddNode(nullptr, this, tlamAddChildFirst); }
TvxTreeListNode* TvxTreeListNode::InsertChild(TvxTreeListNode* ABeforeNode) {
  return FTreeList->AddNode(nullptr, ABeforeNode, tlamInsert);
}

bool TvxTreeListNode::CanMove(TvxTreeListNode* ADest, TvxTreeListNodeAttachMode AMode) const {
  if (!ADest) return false;
  if (ADest == this && (AMode == tlamAddChild || AMode == tlamAddChildFirst || AMode == tlamInsert)) return false;
  return !ADest->HasAsParent(this) && !ADest->Deleting();
}

void TvxTreeListNode::MoveTo(TvxTreeListNode* ADestNode, TvxTreeListNodeAttachMode AMode) {
  if (!ADestNode || ADestNode == this) return;
  TvxTreeListNode* dest = ADestNode;
  if ((AMode == tlamAdd || AMode == tlamAddFirst) && ADestNode->FParent) dest = ADestNode->FParent;
  if (dest->HasAsParent(this) || dest == this) return;
  if (dest == FParent && AMode == tlamAddChild) return;
  FTreeList->MoveNode(this, ADestNode, AMode);
}

void TvxTreeListNode::Delete() {
  if (!Deleting()) delete this;
}

void TvxTreeListNode::DeleteChildren() {
  TvxTreeListUpdateScope lock(FTreeList);
  try {
    while (TvxTreeListNode* child = FFirst) {
      if (State.Contains(nsInternalDelete)) child->State.Include(nsInternalDelete);
      child->State.Include(nsDeleting);
      delete child;  // unlinks itself, which advances FFirst
    }
  } catch (...) {
    FCount = 0;
    FFirst = FLast = nullptr;
    SetHasChildren(false);
    throw;
  }
  FCount = 0;
  FFirst = FLast = nullptr;
  SetHasChildren(false);
}

TvxTreeListNode* TvxTreeListNode::GetFirstChildVisible() const {
  TvxTreeListNode* n = FFirst;
  while (n && n->State.Contains(nsHidden)) n = n->FNext;
  return n;
}

TvxTreeListNode* TvxTreeListNode::GetLastChildVisible() const {
  TvxTreeListNode* n = FLast;
  while (n && n->State.Contains(nsHidden)) n = n->FPrev;
  return n;
}

TvxTreeListNode* TvxTreeListNode::GetNextSiblingVisible() const {
  TvxTreeListNode* n = FNext;
  while (n && n->State.Contains(nsHidden)) n = n->FNext;
  return n;
}

TvxTreeListNode* TvxTreeListNode::GetPrevSiblingVisible() const {
  TvxTreeListNode* n = FPrev;
  while (n && n->State.Contains(nsHidden)) n = n->FPrev;
  return n;
}

TvxTreeListNode* TvxTreeListNode::GetNext() {
  if (!State.Contains(nsInternalDelete)) LoadChildren();
  if (FFirst) return FFirst;
  for (TvxTreeListNode* n = this; n; n = n->FParent)
    if (n->FNext) return n->FNext;
  return nullptr;
}

TvxTreeListNode* TvxTreeListNode::GetPrev() {
  if (FPrev) return vxTreeListLastLoadedDescendant(FPrev);
  return FParent && !FParent->IsRoot() ? FParent : nullptr;
}

TvxTreeListNode* TvxTreeListNode::GetNextVisible() const {
  for (Integer i = FAbsoluteIndex + 1; i < FTreeList->AbsoluteCount(); ++i)
    if (FTreeList->AbsoluteItems(i)->FVisibleIndex != -1) return FTreeList->AbsoluteItems(i);
  return nullptr;
}

TvxTreeListNode* TvxTreeListNode::GetPrevVisible() const {
  for (Integer i = std::min(FAbsoluteIndex, FTreeList->AbsoluteCount()) - 1; i >= 0; --i)
    if (FTreeList->AbsoluteItems(i)->FVisibleIndex != -1) return FTreeList->AbsoluteItems(i);
  return nullptr;
}

bool TvxTreeListNode::HasAsParent(const TvxTreeListNode* ANode) const {
  for (TvxTreeListNode* p = FParent; p; p = p->FParent)
    if (p == ANode) return true;
  return false;
}

Integer TvxTreeListNode::IndexOf(TvxTreeListNode* ANode) {
  if (!ANode || ANode->FParent != this) return -1;
  return ANode->Index();
}

TvxTreeListNode* TvxTreeListNode::Root() {
  TvxTreeListNode* n = this;
  while (n->FParent) n = n->FParent;
  return n;
}

Integer TvxTreeListNode::Level() const {
  Integer r = -1;
  for (TvxTreeListNode* p = FParent; p; p = p->FParent) ++r;
  return r;
}

void TvxTreeListNode::ValidateIndexes() {
  if (State.Contains(nsValidIndexes)) return;
  Integer i = 0;
  for (TvxTreeListNode* c = FFirst; c; c = c->FNext) c->FIndex = i++;
  State.Include(nsValidIndexes);
}

Integer TvxTreeListNode::Index() {
  if (FParent) FParent->ValidateIndexes();
  return FIndex;
}

bool TvxTreeListNode::IsLastVisible() const {
  return FVisibleIndex >= 0 && FVisibleIndex == FTreeList->VisibleCount() - 1;
}

bool TvxTreeListNode::HasChildren() const {
  return State.Contains(nsHasChildren) || GetFirstChildVisible() != nullptr;
}

void TvxTreeListNode::SetHasChildren(bool Value) {
  if (Value)
    State.Include(nsHasChildren);
  else
    State.Exclude(nsHasChildren);
}

bool TvxTreeListNode::HasVisibleChildren() const {
  if (HasChildren() && !FFirst) return true;
  return GetFirstChildVisible() != nullptr;
}

Integer TvxTreeListNode::ChildVisibleCount() const {
  Integer r = 0;
  for (TvxTreeListNode* c = FFirst; c; c = c->FNext)
    if (!c->State.Contains(nsHidden)) ++r;
  return r;
}

bool TvxTreeListNode::Expanded() const { return FCount > 0 && (!State.Contains(nsCollapsed) || !FParent); }

void TvxTreeListNode::SetExpanded(bool Value) {
  if (Value == Expanded() || !FParent) return;
  TvxTreeListUpdateScope lock(FTreeList);
  FTreeList->AddChanges({tcStructure});
  bool was = Expanded();
  if (Value) {
    if (!FTreeList->DoExpanding(this)) return;
    FTreeList->DoLoadChildren(this);
    State.Exclude(nsCollapsed);
    if (FTreeList->OnExpanded) FTreeList->OnExpanded(FTreeList, this);
  } else {
    if (!FTreeList->DoCollapsing(this)) return;
    State.Include(nsCollapsed);
    if (FTreeList->OnCollapsed) FTreeList->OnCollapsed(FTreeList, this);
  }
  if (was != Expanded()) FTreeList->StructureChanged();
}

bool TvxTreeListNode::IsVisible() const {
  if (!FParent) return false;
  for (TvxTreeListNode* p = FParent; p && p->FParent; p = p->FParent)
    if (p->State.Contains(nsCollapsed)) return false;
  return true;
}

bool TvxTreeListNode::IsHidden() const {
  for (const TvxTreeListNode* n = this; n && n->FParent; n = n->FParent)
    if (n->State.Contains(nsHidden)) return true;
  return false;
}

bool TvxTreeListNode::Deleting() const {
  for (const TvxTreeListNode* n = this; n; n = n->FParent)
    if (n->State.Contains(nsDeleting)) return true;
  return false;
}

bool TvxTreeListNode::IsEditing() const { return FTreeList->DataController()->EditingNode() == this; }
bool TvxTreeListNode::Focused() const { return FTreeList->FocusedNode() == this; }

void TvxTreeListNode::SetFocused(bool Value) {
  if (Value)
    FTreeList->SetFocusedNode(this);
  else if (Focused())
    FTreeList->SetFocusedNode(nullptr);
}

bool TvxTreeListNode::Selected() const { return FTreeList->IsSelected(this); }

void TvxTreeListNode::SetSelected(bool Value) {
  if (Value)
    FTreeList->Select(this);
  else
    FTreeList->Deselect(this);
}

Integer TvxTreeListNode::ValueCount() const { return FTreeList->ColumnCount(); }

void TvxTreeListNode::SetVisible(bool Value) {
  if (Value == Visible()) return;
  if (Value)
    State.Exclude(nsHidden);
  else
    State.Include(nsHidden);
  FTreeList->NodeChanged(this);
}

void TvxTreeListNode::SetEnabled(bool Value) {
  if (Value)
    State.Exclude(nsDisabled);
  else
    State.Include(nsDisabled);
  FTreeList->AddChanges({tcLayout});
}

void TvxTreeListNode::SetHeight(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FHeight) return;
  FHeight = Value;
  if (Value)
    State.Include(nsHeightAssigned);
  else
    State.Exclude(nsHeightAssigned);
  FTreeList->AddChanges({tcLayout});
}

void TvxTreeListNode::SetImageIndexes(TvxTreeListImageIndexType AType, Integer Value) {
  if (FImageIndexes[AType] == Value) return;
  FImageIndexes[AType] = Value;
  FTreeList->NodeChanged(this);
}

Variant TvxTreeListNode::Values(Integer AIndex) { return FTreeList->DataController()->GetNodeValue(this, AIndex); }

void TvxTreeListNode::SetValues(Integer AIndex, const Variant& Value) {
  TvxTreeListDataController* dc = FTreeList->DataController();
  if (Focused() && dc->EditingNode())
    dc->SetEditValue(AIndex, Value, false);
  else
    dc->SetNodeValue(this, AIndex, Value);
}

bool TvxTreeListNode::HasCheckbox() const {
  return FTreeList->CheckGroups && FParent && FParent->CheckGroupType() != ncgNone;
}

bool TvxTreeListNode::Checked() const {
  return CheckInfo.Contains(nciChecked) || (ParentIsRadioGroup() && CheckInfo.Contains(nciGrayed));
}

TvxCheckBoxState TvxTreeListNode::CheckState() const {
  if (CheckInfo.Contains(nciGrayed)) return cbsGrayed;
  return CheckInfo.Contains(nciChecked) ? cbsChecked : cbsUnchecked;
}

bool TvxTreeListNode::AllowGrayed() const { return CheckInfo.Contains(nciAllowGrayed) && !ParentIsRadioGroup(); }

void TvxTreeListNode::SetAllowGrayed(bool Value) {
  if (Value)
    CheckInfo.Include(nciAllowGrayed);
  else
    CheckInfo.Exclude(nciAllowGrayed);
}

TvxTreeListNodeCheckGroupType TvxTreeListNode::CheckGroupType() const {
  if (CheckInfo.Contains(nciRadioGroup)) return ncgRadioGroup;
  return CheckInfo.Contains(nciCheckGroup) ? ncgCheckGroup : ncgNone;
}

void TvxTreeListNode::SetCheckGroupType(TvxTreeListNodeCheckGroupType Value) {
  if (Value == CheckGroupType()) return;
  CheckInfo.Exclude(nciCheckGroup).Exclude(nciRadioGroup);
  if (Value == ncgCheckGroup) CheckInfo.Include(nciCheckGroup);
  if (Value == ncgRadioGroup) CheckInfo.Include(nciRadioGroup);
  FTreeList->AddChanges({tcLayout});
}

void TvxTreeListNode::CheckClick() {
  if (!Enabled() || !HasCheckbox() || (ParentIsRadioGroup() && Checked())) return;
  static const TvxCheckBoxState Next[2][3] = {{cbsChecked, cbsUnchecked, cbsChecked},
                                               {cbsChecked, cbsGrayed, cbsUnchecked}};
  SetCheckState(Next[AllowGrayed() ? 1 : 0][CheckState()]);
}

void TvxTreeListNode::UpdateParentCheckState() {
  TvxTreeListNode* p = FParent;
  if (!p || p->IsRoot() || p->CheckInfo.Contains(nciChangeCheck)) return;
  Integer checked = 0;
  bool grayed = false;
  for (TvxTreeListNode* c = p->FFirst; c; c = c->FNext) {
    if (c->CheckState() == cbsChecked) ++checked;
    if (c->CheckState() == cbsGrayed) grayed = true;
  }
  TvxCheckBoxState s = cbsUnchecked;
  if (checked > 0 || grayed)
    s = checked == p->FCount || (checked >= 1 && p->CheckGroupType() == ncgRadioGroup) ? cbsChecked : cbsGrayed;
  p->SetCheckState(s);
}

void TvxTreeListNode::SetCheckState(TvxCheckBoxState Value) {
  if (Value == CheckState()) return;
  CheckInfo.Exclude(nciChecked).Exclude(nciGrayed);
  if (Value == cbsChecked) CheckInfo.Include(nciChecked);
  if (Value == cbsGrayed) CheckInfo.Include(nciGrayed);
  CheckInfo.Include(nciChangeCheck);
  auto finish = [this, Value] {
    CheckInfo.Exclude(nciChangeCheck);
    if (FParent && FParent->CheckGroupType() != ncgNone) FTreeList->NodeChanged(this);
    if (FTreeList->OnNodeCheckChanged) FTreeList->OnNodeCheckChanged(FTreeList, this, Value);
  };
  try {
    if (Value != cbsGrayed && HasChildren()) {
      LoadChildren();
      bool keep = false;
      if (CheckGroupType() == ncgRadioGroup && Value == cbsChecked)
        for (TvxTreeListNode* c = FFirst; c; c = c->FNext)
          if (c->Checked()) keep = true;
      if (!keep)
        for (TvxTreeListNode* c = FLast; c; c = c->FPrev) c->SetCheckState(Value);
    }
    if (ParentIsRadioGroup() && Checked())
      for (TvxTreeListNode* c = FParent->FLast; c; c = c->FPrev)
        if (c != this) c->SetCheckState(cbsUnchecked);
    UpdateParentCheckState();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TvxTreeListNode::Expand(bool ARecurse) {
  if (FCount == 0 && !State.Contains(nsHasChildren)) return;
  if (FTreeList->IsCancelOperation()) return;
  TvxTreeListUpdateScope lock(FTreeList);
  SetExpanded(true);
  if (ARecurse)
    for (TvxTreeListNode* c = FFirst; c; c = c->FNext) c->Expand(true);
}

void TvxTreeListNode::Collapse(bool ARecurse) {
  if (FCount == 0) return;
  TvxTreeListUpdateScope lock(FTreeList);
  SetExpanded(false);
  if (ARecurse)
    for (TvxTreeListNode* c = FFirst; c; c = c->FNext) c->Collapse(true);
}

void TvxTreeListNode::LoadChildren() {
  if (FFirst || !State.Contains(nsHasChildren) || Expanded() || FTreeList->Destroying()) return;
  FTreeList->BeginUpdate();
  try {
    FTreeList->DoLoadChildren(this);
  } catch (...) {
    FTreeList->EndUpdate();
    throw;
  }
  if (FFirst)
    FTreeList->EndUpdate();
  else
    FTreeList->CancelUpdate();
}

void TvxTreeListNode::MakeVisible() {
  if (IsVisible()) return;
  TvxTreeListUpdateScope lock(FTreeList);
  for (TvxTreeListNode* p = FParent; p && p->FParent; p = p->FParent) {
    p->SetExpanded(true);
    if (!p->Expanded()) break;
  }
}

void TvxTreeListNode::CustomSort(const TvxTreeListCompareFunc& ASortProc, bool ARecurse) {
  if (!ASortProc && !FTreeList->HasSortCriteria()) return;
  TvxTreeListUpdateScope lock(FTreeList);
  std::vector<TvxTreeListNode*> list;
  for (TvxTreeListNode* c = FFirst; c; c = c->FNext) list.push_back(c);
  if (list.size() >= 2) {
    auto cmp = [&](TvxTreeListNode* a, TvxTreeListNode* b) {
      return (ASortProc ? ASortProc(a, b) : FTreeList->DoCompare(a, b)) < 0;
    };
    std::stable_sort(list.begin(), list.end(), cmp);
    ValidateIndexes();
    bool changed = false;
    for (size_t i = 0; i < list.size(); ++i) {
      TvxTreeListNode* c = list[i];
      changed = changed || c->FIndex != static_cast<Integer>(i);
      c->FIndex = static_cast<Integer>(i);
      c->FPrev = i > 0 ? list[i - 1] : nullptr;
      c->FNext = i + 1 < list.size() ? list[i + 1] : nullptr;
    }
    FFirst = list.front();
    FLast = list.back();
    if (changed) FTreeList->StructureChanged();
  }
  if (ARecurse)
    for (TvxTreeListNode* c : list)
      if (c->HasChildren()) c->CustomSort(ASortProc, true);
}

// Linking -------------------------------------------------------------------------------

void TvxTreeListNode::Unlink() {
  if (FParent) {
    TvxTreeListNode* p = FParent;
    p->State.Exclude(nsValidIndexes);
    --p->FCount;
    if (p->FFirst == this) p->FFirst = FNext;
    if (p->FLast == this) p->FLast = FPrev;
    if (p->FCount == 0) {
      p->State.Exclude(nsHasChildren);
      p->State.Include(nsCollapsed);
    }
  }
  if (FPrev) FPrev->FNext = FNext;
  if (FNext) FNext->FPrev = FPrev;
  FPrev = FNext = FParent = nullptr;
}

void TvxTreeListNode::Counted(TvxTreeListNode* AParent) {
  FParent = AParent;
  ++AParent->FCount;
  FTreeList->NodeChanged(this);
}

void TvxTreeListNode::LinkLast(TvxTreeListNode* AParent) {
  Unlink();
  FIndex = AParent->FCount;
  FPrev = AParent->FLast;
  if (FPrev) FPrev->FNext = this;
  AParent->FLast = this;
  if (!AParent->FFirst) AParent->FFirst = this;
  Counted(AParent);
}

void TvxTreeListNode::LinkFirst(TvxTreeListNode* AParent) {
  Unlink();
  FNext = AParent->FFirst;
  if (FNext) FNext->FPrev = this;
  AParent->FFirst = this;
  if (!AParent->FLast) AParent->FLast = this;
  AParent->State.Exclude(nsValidIndexes);
  Counted(AParent);
}

void TvxTreeListNode::LinkBefore(TvxTreeListNode* ANode) {
  Unlink();
  TvxTreeListNode* p = ANode->FParent;
  FPrev = ANode->FPrev;
  FNext = ANode;
  if (FPrev)
    FPrev->FNext = this;
  else
    p->FFirst = this;
  ANode->FPrev = this;
  p->State.Exclude(nsValidIndexes);
  Counted(p);
}

TvxUnboundTreeListNode::TvxUnboundTreeListNode(TvxCustomTreeList* AOwner) : TvxTreeListNode(AOwner) {
  FImageIndexes[tlitImageIndex] = 0;
  FImageIndexes[tlitSelectedIndex] = 0;
}

void TvxUnboundTreeListNode::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxUnboundTreeListNode*>(Source))
    std::copy(std::begin(src->FImageIndexes), std::end(src->FImageIndexes), std::begin(FImageIndexes));
  inherited::Assign(Source);
}

// --- Data controller --------------------------------------------------------------------

TvxTreeListDataController::TvxTreeListDataController(TvxCustomTreeList* AOwner)
    : FTreeList(AOwner), FStorage(std::make_unique<TvxDataStorage>()) {}

TvxTreeListDataController::~TvxTreeListDataController() = default;

void TvxTreeListDataController::ForEachRecord(const std::function<void(TvxTreeListNode*)>& AProc) {
  if (FAllocatedRecords == 0) return;
  AProc(FTreeList->Root());
  for (TvxTreeListNode* n = FTreeList->Root()->getFirstChild(); n;) {
    TvxTreeListNode* next = n->getFirstChild();
    if (!next)
      for (TvxTreeListNode* a = n; a && !next; a = a->Parent()) next = a->getNextSibling();
    AProc(n);
    n = next;
  }
}

Integer TvxTreeListDataController::AddItem(TvxValueTypeClass AValueTypeClass) {
  // Existing records pass through the storage's record list, which lays them out anew.
  std::vector<TvxTreeListNode*> withRecords;
  ForEachRecord([&](TvxTreeListNode* n) {
    if (n->FHandle) withRecords.push_back(n);
  });
  for (TvxTreeListNode* n : withRecords) TvxDataStorageHelper::AppendRecord(FStorage.get(), n->FHandle);
  FStorage->ValueDefs()->Add(AValueTypeClass, true, false, nullptr);
  for (auto it = withRecords.rbegin(); it != withRecords.rend(); ++it)
    (*it)->FHandle = TvxDataStorageHelper::RemoveRecord(FStorage.get(), FStorage->RecordCount() - 1);
  FTreeList->AddChanges({tcColumns});
  return ItemCount() - 1;
}

void TvxTreeListDataController::RemoveItem(Integer AItemIndex) {
  std::vector<TvxTreeListNode*> withRecords;
  ForEachRecord([&](TvxTreeListNode* n) {
    if (n->FHandle) withRecords.push_back(n);
  });
  TvxValueDef* def = Def(AItemIndex);
  if (FStorage->ValueDefs()->StoredCount() > 1) {
    for (TvxTreeListNode* n : withRecords) TvxDataStorageHelper::AppendRecord(FStorage.get(), n->FHandle);
    delete def;
    for (auto it = withRecords.rbegin(); it != withRecords.rend(); ++it)
      (*it)->FHandle = TvxDataStorageHelper::RemoveRecord(FStorage.get(), FStorage->RecordCount() - 1);
  } else {
    // The last value goes: whole records are freed, so the nodes read Null again.
    for (TvxTreeListNode* n : withRecords)
      if (n->IsRoot())
        FreeRecord(n->FHandle);
      else
        FreeNodeRecord(n);
    delete def;
  }
  FTreeList->AddChanges({tcColumns});
}

Pointer TvxTreeListDataController::AllocateRecord() {
  ++FAllocatedRecords;
  return TvxDataStorageHelper::AllocateRecord(FStorage.get());
}

void TvxTreeListDataController::FreeRecord(Pointer& ARecord) {
  if (!ARecord) return;
  TvxDataStorageHelper::FreeRecord(FStorage.get(), ARecord);
  ARecord = nullptr;
  --FAllocatedRecords;
}

void TvxTreeListDataController::FreeNodeRecord(TvxTreeListNode* ANode) {
  if (ANode == FEditingNode && !FDataChangedBusy) SetEditingNode(nullptr);
  FreeRecord(ANode->FHandle);
}

Variant TvxTreeListDataController::GetNodeValue(TvxTreeListNode* ANode, Integer AIndex) const {
  if (!ANode || !ANode->FHandle) return Null();
  return TvxDataStorageHelper::GetValue(Def(AIndex), ANode->FHandle);
}

String TvxTreeListDataController::GetNodeDisplayText(TvxTreeListNode* ANode, Integer AIndex) const {
  if (!ANode || !ANode->FHandle) return String();
  return TvxDataStorageHelper::GetDisplayText(Def(AIndex), ANode->FHandle);
}

void TvxTreeListDataController::SetNodeValue(TvxTreeListNode* ANode, Integer AIndex, const Variant& AValue) {
  if (!ANode) return;
  if (!ANode->FHandle) ANode->InitializeHandle();
  if (!ANode->FHandle) return;
  TvxDataStorageHelper::SetValue(ANode->FHandle, Def(AIndex), AValue);
  FIsValueChanged = true;
  FTreeList->NodeChanged(ANode, AIndex);
}

Variant TvxTreeListDataController::GetValue(Integer ARecordIndex, Integer AItemIndex) {
  if (ARecordIndex == -1) return GetNodeValue(FTreeList->FocusedNode(), AItemIndex);
  FTreeList->BeginUpdate();
  FTreeList->EndUpdate();
  return GetNodeValue(FTreeList->AbsoluteItems(ARecordIndex), AItemIndex);
}

String TvxTreeListDataController::GetDisplayText(Integer, Integer) { vxTreeListError(L"V5 unused"); }
void TvxTreeListDataController::SetValue(Integer, Integer, const Variant&) { vxTreeListError(L"V5 unused"); }

Integer TvxTreeListDataController::CompareStrings(const Variant& A, const Variant& B) const {
  if (AnsiSort) return CaseInsensitive ? AnsiCompareText(VarToStr(A), VarToStr(B)) : AnsiCompareStr(VarToStr(A), VarToStr(B));
  if (CaseInsensitive) return CompareStr(AnsiUpperCase(VarToStr(A)), AnsiUpperCase(VarToStr(B)));
  return VariantCompare(A, B);
}

Integer TvxTreeListDataController::CompareNodesByColumns(TvxTreeListNode* ANode1, TvxTreeListNode* ANode2,
                                                         const std::vector<TSortColumn>& AColumns) {
  for (const TSortColumn& c : AColumns) {
    TvxValueDef* def = Def(c.ItemIndex);
    Integer r;
    if (def->ValueTypeClass()->IsString() && (AnsiSort || CaseInsensitive)) {
      Variant a = GetNodeValue(ANode1, c.ItemIndex), b = GetNodeValue(ANode2, c.ItemIndex);
      r = VarIsStr(a) && VarIsStr(b) ? CompareStrings(a, b) : VariantCompare(a, b);
    } else if (!ANode1->FHandle || !ANode2->FHandle) {
      r = (ANode1->FHandle ? 1 : 0) - (ANode2->FHandle ? 1 : 0);
    } else {
      r = TvxDataStorageHelper::Compare(def, ANode1->FHandle, ANode2->FHandle);
    }
    if (c.Descending) r = -r;
    if (r != 0) return r;
  }
  Integer r = ANode1->FOriginalIndex - ANode2->FOriginalIndex;
  return r != 0 ? r : 1;
}

bool TvxTreeListDataController::HasEditData() const { return FTreeList->Root()->FHandle != nullptr; }

void TvxTreeListDataController::SetEditingNode(TvxTreeListNode* ANode) {
  TvxTreeListNode* e = FEditingNode;
  if (ANode != e && e) {
    e->State.Exclude(nsEditing);
    // A node on its way out is only cancelled: its destructor is running, so it must
    // never be freed from here a second time.
    if (e->Deleting()) {
      Cancel();
    } else if (!HasEditData() && e->State.Contains(nsInserting)) {
      FEditingNode = nullptr;
      delete e;
    } else if (!HasEditData()) {
      FTreeList->NodeChanged(e);
    } else {
      Post(false);
    }
  }
  bool sameWithCopy = ANode == FEditingNode && HasEditData();
  FEditingNode = ANode;
  if (ANode && !sameWithCopy) {
    Pointer copy = AllocateRecord();
    for (Integer i = 0; i < ItemCount(); ++i)
      TvxDataStorageHelper::SetValue(copy, Def(i), GetNodeValue(ANode, i));
    FTreeList->Root()->FHandle = copy;
    ANode->State.Include(nsEditing);
    FTreeList->NodeChanged(ANode);
  }
}

void TvxTreeListDataController::Edit() {
  if (!FTreeList->OptionsData()->Editing()) return;
  SetEditingNode(FTreeList->FocusedNode());
  FIsValueChanged = false;
}

bool TvxTreeListDataController::SetEditValue(Integer AItemIndex, const Variant& AValue, bool AFromText) {
  if (!FEditingNode) return false;
  Variant v = AValue;
  if (AFromText && VarToStr(v).empty()) v = Null();
  SetNodeValue(FEditingNode, AItemIndex, v);
  return true;
}

void TvxTreeListDataController::PostEditingData() {
  if (!FEditingNode || !HasEditData() || FEditingNode->Deleting()) return;
  if (FIsValueChanged) FEditingNode->State.Exclude(nsInserting);
}

void TvxTreeListDataController::Post(bool) {
  if (!FEditingNode) return;
  {
    TvxTreeListUpdateScope lock(FTreeList);
    PostEditingData();
    if (FIsValueChanged) {
      FEditingNode = nullptr;
      FreeRecord(FTreeList->Root()->FHandle);
      FTreeList->AddChanges({tcData});
    } else {
      Cancel();
    }
    FEditingNode = nullptr;
  }
  FTreeList->FireDataChanged();
}

void TvxTreeListDataController::Cancel() {
  TvxTreeListNode* e = FEditingNode;
  auto finish = [this] {
    // The editing node is cleared before the undo copy goes, so nothing reached from
    // freeing can close the same edit again.
    FEditingNode = nullptr;
    FreeRecord(FTreeList->Root()->FHandle);
  };
  try {
    if (e && !e->Deleting() && !e->State.Contains(nsInserting) && HasEditData()) {
      Pointer copy = FTreeList->Root()->FHandle;
      for (Integer i = 0; i < ItemCount(); ++i) SetNodeValue(e, i, TvxDataStorageHelper::GetValue(Def(i), copy));
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// --- Options ----------------------------------------------------------------------------

TvxCustomTreeList* TvxTreeListOptionsBehavior::TreeList() const { return static_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListOptionsBehavior::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListOptionsBehavior*>(Source)) {
    AutoDragCopy = src->AutoDragCopy;
    BestFitMaxRecordCount = src->BestFitMaxRecordCount;
    ConfirmDelete = src->ConfirmDelete;
    DragCollapse = src->DragCollapse;
    DragExpand = src->DragExpand;
    DragFocusing = src->DragFocusing;
    ExpandOnDblClick = src->ExpandOnDblClick;
    ExpandOnIncSearch = src->ExpandOnIncSearch;
    SetFooterHints(src->FooterHints());
    SetHeaderHints(src->HeaderHints());
    HotTrack = src->HotTrack;
    MultiSort = src->MultiSort;
    ShowHourGlass = src->ShowHourGlass;
    Sorting = src->Sorting;
    SetChangeDelay(src->ChangeDelay());
    WaitForExpandNodeTime = src->WaitForExpandNodeTime;
    // The searched column is this tree list's column of the same item index; items are
    // not objects of this model yet, so only an empty choice carries over.
    SetIncSearchItem(nullptr);
  }
  inherited::Assign(Source);
}

void TvxTreeListOptionsBehavior::SetFooterHints(bool Value) {
  if (FFooterHints == Value) return;
  FFooterHints = Value;
  Changed();
}

void TvxTreeListOptionsBehavior::SetHeaderHints(bool Value) {
  if (FHeaderHints == Value) return;
  FHeaderHints = Value;
  Changed();
}

Integer TvxTreeListOptionsBehavior::ChangeDelay() const { return TreeList()->DelayTimerInterval(); }

void TvxTreeListOptionsBehavior::SetChangeDelay(Integer Value) {
  Value = std::max(Value, 0);
  TreeList()->SetDelayTimer(Value > 0, Value);
}

void TvxTreeListOptionsCustomizing::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListOptionsCustomizing*>(Source)) {
    for (Integer i = 0; i < OptionCount; ++i) Set(static_cast<TOption>(i), src->Get(static_cast<TOption>(i)));
    BandsQuickCustomizationMaxDropDownCount = src->BandsQuickCustomizationMaxDropDownCount;
    ColumnsQuickCustomizationMaxDropDownCount = src->ColumnsQuickCustomizationMaxDropDownCount;
  } else {
    inherited::Assign(Source);
  }
}

void TvxTreeListOptionsCustomizing::Set(TOption AOption, bool Value) {
  if (FValues[AOption] == Value) return;
  FValues[AOption] = Value;
  if (Value && AOption == NodeSizing) FValues[RowSizing] = false;
  if (Value && AOption == RowSizing) FValues[NodeSizing] = false;
  static_cast<TvxCustomTreeList*>(FOwner)->AddChanges({tcLayout});
}

TvxCustomTreeList* TvxTreeListOptionsData::TreeList() const { return static_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListOptionsData::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListOptionsData*>(Source)) {
    Deleting = src->Deleting;
    Inserting = src->Inserting;
    SetSummaryNullIgnore(src->SummaryNullIgnore());
  }
  inherited::Assign(Source);
}

bool TvxTreeListOptionsData::AnsiSort() const { return TreeList()->DataController()->AnsiSort; }
void TvxTreeListOptionsData::SetAnsiSort(bool Value) { TreeList()->DataController()->AnsiSort = Value; }
bool TvxTreeListOptionsData::CaseInsensitive() const { return TreeList()->DataController()->CaseInsensitive; }
void TvxTreeListOptionsData::SetCaseInsensitive(bool Value) { TreeList()->DataController()->CaseInsensitive = Value; }

void TvxTreeListOptionsData::EditingTurnedOff() { TreeList()->DataController()->SetEditingNode(nullptr); }

void TvxTreeListOptionsSelection::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListOptionsSelection*>(Source)) {
    CellSelect = src->CellSelect;
    HideFocusRect = src->HideFocusRect;
    HideSelection = src->HideSelection;
    InvertSelect = src->InvertSelect;
    MultiSelect = src->MultiSelect;
  } else {
    inherited::Assign(Source);
  }
}

// --- Styles -----------------------------------------------------------------------------

TvxTreeListStyles::TvxTreeListStyles(TPersistent* AOwner) : TvxStyles(AOwner) { BitmapInViewParams = true; }

TvxCustomTreeList* TvxTreeListStyles::TreeList() const { return static_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListStyles::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListStyles*>(Source)) {
    for (Integer i = tlsBandBackground; i <= tlsHotTrack; ++i) PutStyle(i, src->FindStyle(i));
    // The four control styles every editing control has.
    for (Integer i = tlsContent; i <= tlsSelection; ++i) PutStyle(i, src->FindStyle(i));
  }
  inherited::Assign(Source);
}

void TvxTreeListStyles::GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) {
  inherited::GetDefaultViewParams(AIndex, AData, AParams);
  TvxCustomLookAndFeelPainterClass p = TreeList()->LookAndFeelPainter();
  AParams.Font = TreeList()->Font();
  if (AIndex == tlsContent)
    if (auto* pos = dynamic_cast<TvxTreeListCellPos*>(AData); pos && pos->Node)
      AIndex = pos->Node->VisibleIndex() % 2 == 0 ? tlsContentEven : tlsContentOdd;
  switch (AIndex) {
    case tlsContent:
    case tlsBackground:
    case tlsBandContent:
      AParams.Color = p->DefaultContentColor();
      AParams.TextColor = p->DefaultContentTextColor();
      break;
    case tlsInactive:
      AParams.Color = p->DefaultInactiveColor();
      AParams.TextColor = p->DefaultInactiveTextColor();
      break;
    case tlsSelection:
    case tlsIncSearch:
      AParams.Color = p->DefaultSelectionColor();
      AParams.TextColor = p->DefaultSelectionTextColor();
      break;
    case tlsBandBackground:
      AParams.Color = p->DefaultHeaderBackgroundColor();
      AParams.TextColor = p->DefaultHeaderBackgroundTextColor();
      break;
    case tlsBandHeader:
    case tlsColumnHeader:
    case tlsIndicator:
      AParams.Color = p->DefaultHeaderColor();
      AParams.TextColor = p->DefaultHeaderTextColor();
      break;
    case tlsColumnFooter:
    case tlsFooter:
      AParams.Color = p->DefaultFooterColor();
      AParams.TextColor = p->DefaultFooterTextColor();
      break;
    case tlsContentEven:
      AParams.Color = p->DefaultContentEvenColor();
      AParams.TextColor = p->DefaultContentTextColor();
      break;
    case tlsContentOdd:
      AParams.Color = p->DefaultContentOddColor();
      AParams.TextColor = p->DefaultContentTextColor();
      break;
    case tlsPreview:
      AParams.Color = p->DefaultContentColor();
      AParams.TextColor = p->DefaultPreviewTextColor();
      break;
    case tlsHotTrack:
      if (auto* pos = dynamic_cast<TvxTreeListCellPos*>(AData)) {
        TvxViewParams content = DoGetContentParams(pos->Node, pos->Column);
        AParams.Bitmap = content.Bitmap;
        AParams.Color = content.Color;
        AParams.Font = content.Font;
      }
      AParams.TextColor = clHighlightText;
      break;
    default:
      break;
  }
}

TvxViewParams TvxTreeListStyles::Lookup(Integer AIndex, TObject* AData, TvxStyle* AStyle) {
  TvxViewParams r;
  GetViewParams(AIndex, AData, AStyle, r);
  return r;
}

TvxViewParams TvxTreeListStyles::GetContentParams(TvxTreeListNode* ANode, Integer AColumn) {
  TvxCustomTreeList* tl = TreeList();
  if (!ANode || ANode != tl->HotTrackNode || tl->DataController()->EditingNode() || AColumn == tl->PreviewColumn)
    return DoGetContentParams(ANode, AColumn);
  TvxStyle* style = nullptr;
  if (OnGetHotTrackStyle) OnGetHotTrackStyle(tl, AColumn, ANode, style);
  TvxTreeListCellPos pos(ANode, AColumn);
  return Lookup(tlsHotTrack, &pos, style);
}

TvxViewParams TvxTreeListStyles::DoGetContentParams(TvxTreeListNode* ANode, Integer AColumn) {
  if (AColumn == TreeList()->PreviewColumn) return DoGetPreviewParams(ANode);
  TvxStyle* style = nullptr;
  if (ANode && OnGetContentStyle) OnGetContentStyle(TreeList(), AColumn, ANode, style);
  return DoGetNodeContentParams(ANode, style);
}

TvxViewParams TvxTreeListStyles::DoGetNodeContentParams(TvxTreeListNode* ANode, TvxStyle* AStyle) {
  Integer index = tlsContent;
  if (ANode) {
    Integer parity = ANode->VisibleIndex() % 2 == 0 ? tlsContentEven : tlsContentOdd;
    if (FindStyle(parity)) index = parity;
  }
  return Lookup(index, ANode, AStyle);
}

TvxViewParams TvxTreeListStyles::DoGetPreviewParams(TvxTreeListNode* ANode) {
  TvxStyle* style = nullptr;
  if (OnGetPreviewStyle) OnGetPreviewStyle(TreeList(), ANode, style);
  return Lookup(tlsPreview, ANode, style);
}

TvxViewParams TvxTreeListStyles::GetColumnFooterParams(Integer AColumn, TvxTreeListNode* ANode, TObject* AItem) {
  TvxStyle* style = nullptr;
  if (OnGetColumnFooterStyle) OnGetColumnFooterStyle(TreeList(), AColumn, ANode, AItem, style);
  return Lookup(tlsColumnFooter, nullptr, style);
}

TvxViewParams TvxTreeListStyles::GetFooterParams() { return Lookup(tlsFooter, nullptr, nullptr); }
TvxViewParams TvxTreeListStyles::GetIncSearchParams() { return Lookup(tlsIncSearch, nullptr, nullptr); }
TvxViewParams TvxTreeListStyles::GetIndicatorParams() { return Lookup(tlsIndicator, nullptr, nullptr); }

TvxViewParams TvxTreeListStyles::GetIndentParams(TvxTreeListNode* ANode, Integer AIndent) {
  TvxStyle* style = nullptr;
  if (OnGetContentStyle) OnGetContentStyle(TreeList(), -1, ANode, style);
  if (OnGetNodeIndentStyle) OnGetNodeIndentStyle(TreeList(), ANode, AIndent, style);
  if (!TreeList()->UseNodeColorForIndent && ANode) {
    // The indent takes the colours of the ancestor standing at that level.
    Integer up = ANode->Level() + (TreeList()->ShowRoot ? 1 : 0) - AIndent;
    for (; up > 0 && ANode->Parent() && !ANode->Parent()->IsRoot(); --up) ANode = ANode->Parent();
  }
  return DoGetNodeContentParams(ANode, style);
}

bool TvxTreeListStyles::IsSelectionTextAssigned(bool AFocused) const {
  auto* s = dynamic_cast<TvxStyle*>(FindStyle(AFocused ? tlsSelection : tlsInactive));
  return s && s->AssignedValues().Contains(svTextColor);
}

// --- The owner --------------------------------------------------------------------------

TvxCustomTreeList::TvxCustomTreeList()
    : FDataController(std::make_unique<TvxTreeListDataController>(this)),
      FRoot(std::make_unique<TvxTreeListRootNode>(this)),
      FOptionsBehavior(std::make_unique<TvxTreeListOptionsBehavior>(this)),
      FOptionsCustomizing(std::make_unique<TvxTreeListOptionsCustomizing>(this)),
      FOptionsData(std::make_unique<TvxTreeListOptionsData>(this)),
      FOptionsSelection(std::make_unique<TvxTreeListOptionsSelection>(this)),
      FFont(std::make_unique<TFont>()),
      FStyles(std::make_unique<TvxTreeListStyles>(this)) {
  FChanges = {tcStructure};
}

TvxCustomTreeList::~TvxCustomTreeList() {
  FDestroying = true;
  FLockCount = 1;  // nothing is processed while the tree goes
  FDataController->SetEditingNode(nullptr);
  FRoot.reset();
}

TvxTreeListNode* TvxCustomTreeList::AddNode(TvxTreeListNode* ANode, TvxTreeListNode* ARelative,
                                            TvxTreeListNodeAttachMode AMode, Pointer AData) {
  TvxTreeListUpdateScope lock(this);
  if (!ARelative) {
    ARelative = FRoot.get();
    if (AMode == tlamInsert) AMode = tlamAdd;
  }
  if (!ANode) {
    ANode = new TvxUnboundTreeListNode(this);
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
  ANode->FData = AData;
  FireDataChanged();
  return ANode;
}

TvxTreeListNode* TvxCustomTreeList::Add(TvxTreeListNode* AParent, Pointer AData) {
  return AddNode(nullptr, AParent, tlamAddChild, AData);
}

void TvxCustomTreeList::MoveNode(TvxTreeListNode* ANode, TvxTreeListNode* ADest, TvxTreeListNodeAttachMode AMode) {
  AddNode(ANode, ADest, AMode, ANode->Data());
}

void TvxCustomTreeList::Clear() {
  TvxTreeListUpdateScope lock(this);
  FRoot->DeleteChildren();
}

void TvxCustomTreeList::EndUpdate() {
  if (--FLockCount == 0 && !FDestroying) ProcessChanges();
}

void TvxCustomTreeList::ProcessChanges() {
  TvxTreeListChanges c = FChanges;
  FChanges.Clear();
  if (c.Contains(tcStructure)) RebuildNodeLists();
}

void TvxCustomTreeList::RebuildNodeLists() {
  FAbsoluteItems.clear();
  FVisibleCount = 0;
  for (TvxTreeListNode* n = FRoot->getFirstChild(); n;) {
    n->FAbsoluteIndex = static_cast<Integer>(FAbsoluteItems.size());
    FAbsoluteItems.push_back(n);
    n->FVisibleIndex = n->IsVisible() && !n->IsHidden() ? FVisibleCount++ : -1;
    TvxTreeListNode* next = n->getFirstChild();
    if (!next)
      for (TvxTreeListNode* a = n; a && !a->IsRoot() && !next; a = a->Parent()) next = a->getNextSibling();
    n = next;
  }
}

void TvxCustomTreeList::NodeChanged(TvxTreeListNode*, Integer AColumn) {
  AddChanges({AColumn < 0 ? tcStructure : tcData});
  if (!IsLocked()) ProcessChanges();
}

void TvxCustomTreeList::StructureChanged() {
  AddChanges({tcStructure});
  if (!IsLocked()) ProcessChanges();
}

void TvxCustomTreeList::SetFocusedNode(TvxTreeListNode* ANode) {
  if (ANode == FFocusedNode) return;
  // A focus change closes the open edit.
  if (FDataController->EditingNode()) FDataController->SetEditingNode(nullptr);
  FFocusedNode = ANode;
  AddChanges({tcFocusedNode});
}

TvxCustomLookAndFeelPainterClass TvxCustomTreeList::LookAndFeelPainter() const {
  return TvxStandardLookAndFeelPainter::Instance();
}

bool TvxCustomTreeList::IsSelected(const TvxTreeListNode* ANode) const {
  return std::find(FSelection.begin(), FSelection.end(), ANode) != FSelection.end();
}

void TvxCustomTreeList::Select(TvxTreeListNode* ANode) {
  if (!IsSelected(ANode)) FSelection.push_back(ANode);
  AddChanges({tcSelection});
}

void TvxCustomTreeList::Deselect(TvxTreeListNode* ANode) {
  std::erase(FSelection, ANode);
  AddChanges({tcSelection});
}

bool TvxCustomTreeList::IsCancelOperation() {
  if (!FIsCancelOperation && GetAsyncKeyState(VK_ESCAPE) < 0) FIsCancelOperation = true;
  return FIsCancelOperation;
}

Integer TvxCustomTreeList::DoCompare(TvxTreeListNode* A, TvxTreeListNode* B) {
  if (OnCompare) return OnCompare(this, A, B);
  return FDataController->CompareNodesByColumns(A, B, SortColumns);
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
  if (FFocusedNode == ANode) {
    FFocusedNode = nullptr;
    AddChanges({tcFocusedNode, tcSelection});
  }
  FDataController->FreeNodeRecord(ANode);
  std::erase(FSelection, ANode);
}

void TvxCustomTreeList::FireDataChanged() {
  if (OnDataChanged && !FDestroying) OnDataChanged(this);
}
