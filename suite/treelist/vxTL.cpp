#include "vxTL.h"

#include <algorithm>
#include <exception>
#include <tuple>

#include "vxTLStrs.h"
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
  // Releasing the lock may process the batch, whose handlers can raise; nothing may leave
  // a destructor. Delete and the tree list's own deletions hold an outer lock, so the
  // batch is processed there and its failures reach their callers.
  try {
    tl->EndUpdate();
  } catch (...) {  // see above: only a bare delete outside any lock comes here
  }
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
  if (Deleting()) return;
  // The batch is processed when this outer lock ends, outside the destructor.
  TvxTreeListUpdateScope lock(FTreeList);
  delete this;
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
  if (!FTreeList->ImageIndexChangesLocked()) FTreeList->NodeChanged(this);
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
  return FTreeList->OptionsView()->CheckGroups() && FParent && FParent->CheckGroupType() != ncgNone;
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

void TvxTreeListDataController::WithRecordsInList(const std::function<void()>& AProc) {
  // Existing records pass through the storage's record list, which lays them out anew.
  std::vector<TvxTreeListNode*> withRecords;
  ForEachRecord([&](TvxTreeListNode* n) {
    if (n->FHandle) withRecords.push_back(n);
  });
  Integer base = FStorage->RecordCount();
  for (TvxTreeListNode* n : withRecords) TvxDataStorageHelper::AppendRecord(FStorage.get(), n->FHandle);
  auto takeBack = [&] {
    for (Integer i = static_cast<Integer>(withRecords.size()) - 1; i >= 0; --i)
      withRecords[i]->FHandle = TvxDataStorageHelper::RemoveRecord(FStorage.get(), base + i);
  };
  try {
    AProc();
  } catch (...) {
    takeBack();
    throw;
  }
  takeBack();
}

Integer TvxTreeListDataController::AddItem(TvxValueTypeClass AValueTypeClass) {
  WithRecordsInList([&] { FFields.push_back(FStorage->ValueDefs()->Add(AValueTypeClass, true, false, nullptr)); });
  FTreeList->AddChanges({tcColumns});
  return ItemCount() - 1;
}

void TvxTreeListDataController::RemoveItem(Integer AItemIndex) {
  TvxValueDef* def = Def(AItemIndex);
  if (FStorage->ValueDefs()->StoredCount() > 1) {
    WithRecordsInList([&] { delete def; });
  } else {
    // The last value goes: whole records are freed, so the nodes read Null again.
    std::vector<TvxTreeListNode*> withRecords;
    ForEachRecord([&](TvxTreeListNode* n) {
      if (n->FHandle) withRecords.push_back(n);
    });
    for (TvxTreeListNode* n : withRecords)
      if (n->IsRoot())
        FreeRecord(n->FHandle);
      else
        FreeNodeRecord(n);
    delete def;
  }
  FFields.erase(FFields.begin() + AItemIndex);
  FTreeList->AddChanges({tcColumns});
}

void TvxTreeListDataController::ExchangeItems(Integer AIndex1, Integer AIndex2) {
  std::swap(FFields.at(AIndex1), FFields.at(AIndex2));
  FTreeList->AddChanges({tcColumns});
}

void TvxTreeListDataController::ChangeValueTypeClass(Integer AItemIndex, TvxValueTypeClass AValueTypeClass) {
  TvxValueDef* old = Def(AItemIndex);
  if (old->ValueTypeClass() == AValueTypeClass) return;
  // The values are kept as variants, the field is replaced by one of the new type, and
  // the values are stored back where the new type accepts them.
  std::vector<std::pair<TvxTreeListNode*, Variant>> values;
  ForEachRecord([&](TvxTreeListNode* n) {
    if (n->FHandle) values.emplace_back(n, TvxDataStorageHelper::GetValue(old, n->FHandle));
  });
  TvxValueDef* added = nullptr;
  WithRecordsInList([&] { added = FStorage->ValueDefs()->Add(AValueTypeClass, true, false, nullptr); });
  FFields[AItemIndex] = added;
  WithRecordsInList([&] { delete old; });
  for (auto& [n, v] : values) {
    if (VarIsNull(v) || VarIsEmpty(v)) continue;
    try {
      TvxDataStorageHelper::SetValue(n->FHandle, added, v);
    } catch (const Exception&) {  // a value the new type cannot hold stays Null
    }
  }
  FTreeList->AddChanges({tcColumns, tcData});
}

namespace {

const wchar_t DataControllerMarker[] = L"DataController1";

void WriteStreamString(TStream* AStream, const String& S) {
  Integer n = static_cast<Integer>(S.size());
  AStream->WriteBuffer(&n, 4);
  if (n > 0) AStream->WriteBuffer(S.data(), n * 2);
}

[[noreturn]] void InvalidTreeStream() { throw EvxTreeList(vxGetResString(&svxInvalidStreamFormat)); }

Integer ReadStreamInteger(TStream* AStream) {
  Integer v = 0;
  if (AStream->Read(&v, 4) != 4) InvalidTreeStream();
  return v;
}

String ReadStreamString(TStream* AStream, Integer AMaxLength) {
  Integer n = ReadStreamInteger(AStream);
  if (n < 0 || n > AMaxLength) InvalidTreeStream();
  String s(static_cast<size_t>(n), L'\0');
  if (n > 0 && AStream->Read(s.data(), n * 2) != n * 2) InvalidTreeStream();
  return s;
}

}  // namespace

void TvxTreeListDataController::SaveToStream(TStream* AStream) {
  WriteStreamString(AStream, DataControllerMarker);
  Integer n = ItemCount();
  AStream->WriteBuffer(&n, 4);
  for (TvxValueDef* d : FFields) WriteStreamString(AStream, d->ValueTypeClass()->ClassName());
  // Records are written field by field in item order.
  FStorage->BeginStreaming([this](TvxValueDef* A, TvxValueDef* B) {
    auto ia = std::find(FFields.begin(), FFields.end(), A) - FFields.begin();
    auto ib = std::find(FFields.begin(), FFields.end(), B) - FFields.begin();
    return static_cast<Integer>(ia - ib);
  });
  try {
    Integer count = FStorage->RecordCount();
    AStream->WriteBuffer(&count, 4);
    for (Integer i = 0; i < count; ++i) FStorage->WriteData(i, AStream);
  } catch (...) {
    FStorage->EndStreaming();
    throw;
  }
  FStorage->EndStreaming();
}

void TvxTreeListDataController::LoadFromStream(TStream* AStream) {
  if (ReadStreamString(AStream, 64) != DataControllerMarker) InvalidTreeStream();
  if (ReadStreamInteger(AStream) != ItemCount()) InvalidTreeStream();
  for (TvxValueDef* d : FFields)
    if (ReadStreamString(AStream, 256) != d->ValueTypeClass()->ClassName()) InvalidTreeStream();
  Integer count = ReadStreamInteger(AStream);
  // Every record takes at least its marker and a byte, so a count beyond the bytes left
  // is a damaged stream, found before any record is made.
  if (count < 0 || count > AStream->Size() - AStream->Position()) InvalidTreeStream();
  FStorage->BeginStreaming([this](TvxValueDef* A, TvxValueDef* B) {
    auto ia = std::find(FFields.begin(), FFields.end(), A) - FFields.begin();
    auto ib = std::find(FFields.begin(), FFields.end(), B) - FFields.begin();
    return static_cast<Integer>(ia - ib);
  });
  try {
    FStorage->ClearRecords(true);
    FStorage->SetRecordCount(count);
    for (Integer i = 0; i < count; ++i) FStorage->ReadData(i, AStream);
  } catch (...) {
    FStorage->EndStreaming();
    throw;
  }
  FStorage->EndStreaming();
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
  // The node list is read current: AbsoluteItems processes pending changes first.
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
  if (!ANode || ANode != tl->HotTrackNode || tl->DataController()->EditingNode() || AColumn == tl->PreviewColumnIndex()) {
    if (TvxTreeListColumn* column = tl->Columns(AColumn)) return column->Styles()->GetContentParams(ANode);
    return DoGetContentParams(ANode, AColumn);
  }
  TvxStyle* style = nullptr;
  if (OnGetHotTrackStyle) OnGetHotTrackStyle(tl, AColumn, ANode, style);
  TvxTreeListCellPos pos(ANode, AColumn);
  return Lookup(tlsHotTrack, &pos, style);
}

TvxViewParams TvxTreeListStyles::DoGetContentParams(TvxTreeListNode* ANode, Integer AColumn) {
  if (AColumn == TreeList()->PreviewColumnIndex()) return DoGetPreviewParams(ANode);
  TvxStyle* style = nullptr;
  if (ANode && OnGetContentStyle) OnGetContentStyle(TreeList(), AColumn, ANode, style);
  // Without a style of its own, a column in a band shows the band's content.
  if (!style)
    if (TvxTreeListColumn* column = TreeList()->Columns(AColumn))
      if (TvxTreeListBand* band = column->Position()->Band()) {
        if (OnGetBandContentStyle) OnGetBandContentStyle(TreeList(), band, ANode, style);
        if (!style && band->Styles()->FindStyle(TvxTreeListBandStyles::Content)) return band->Styles()->GetContentParams(ANode);
      }
  return DoGetNodeContentParams(ANode, style);
}

TvxViewParams TvxTreeListStyles::GetBandBackgroundParams(TvxTreeListBand* ABand) {
  if (ABand) return ABand->Styles()->GetHeaderBackgroundParams();
  TvxStyle* style = nullptr;
  if (OnGetBandBackgroundStyle) OnGetBandBackgroundStyle(TreeList(), ABand, style);
  return Lookup(tlsBandBackground, ABand, style);
}

TvxViewParams TvxTreeListStyles::GetBandContentParams(TvxTreeListBand* ABand, TvxTreeListNode* ANode) {
  TvxStyle* style = nullptr;
  if (OnGetBandContentStyle) OnGetBandContentStyle(TreeList(), ABand, ANode, style);
  if (FindStyle(tlsBandContent)) return Lookup(tlsBandContent, ANode, style);
  return DoGetNodeContentParams(ANode, style);
}

TvxViewParams TvxTreeListStyles::GetBandFooterParams(TvxTreeListBand* ABand, TvxTreeListNode* ANode) {
  TvxStyle* style = nullptr;
  if (OnGetBandFooterStyle) OnGetBandFooterStyle(TreeList(), ABand, ANode, style);
  return Lookup(tlsFooter, ABand, style);
}

TvxViewParams TvxTreeListStyles::GetBandHeaderParams(TvxTreeListBand* ABand) {
  return ABand ? ABand->Styles()->GetHeaderParams() : DoGetBandHeaderParams(nullptr);
}

TvxViewParams TvxTreeListStyles::DoGetBandHeaderParams(TvxTreeListBand* ABand) {
  TvxStyle* style = nullptr;
  if (OnGetBandHeaderStyle) OnGetBandHeaderStyle(TreeList(), ABand, style);
  return Lookup(tlsBandHeader, ABand, style);
}

TvxViewParams TvxTreeListStyles::GetColumnHeaderParams(TvxTreeListColumn* AColumn) {
  TvxStyle* style = nullptr;
  if (OnGetColumnHeaderStyle) OnGetColumnHeaderStyle(TreeList(), AColumn, style);
  return Lookup(tlsColumnHeader, AColumn, style);
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
  if (!TreeList()->OptionsView()->UseNodeColorForIndent() && ANode) {
    // The indent takes the colours of the ancestor standing at that level.
    Integer up = ANode->Level() + (TreeList()->OptionsView()->ShowRoot() ? 1 : 0) - AIndent;
    for (; up > 0 && ANode->Parent() && !ANode->Parent()->IsRoot(); --up) ANode = ANode->Parent();
  }
  return DoGetNodeContentParams(ANode, style);
}

bool TvxTreeListStyles::IsSelectionTextAssigned(bool AFocused) const {
  auto* s = dynamic_cast<TvxStyle*>(FindStyle(AFocused ? tlsSelection : tlsInactive));
  return s && s->AssignedValues().Contains(svTextColor);
}

// --- Captions -------------------------------------------------------------------------------

TvxTreeListCaption::TvxTreeListCaption(TPersistent* AOwner)
    : TvxOwnedPersistent(AOwner), FGlyph(std::make_unique<TBitmap>()) {}

TvxTreeListCaption::~TvxTreeListCaption() = default;

void TvxTreeListCaption::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListCaption*>(Source);
  if (!src) return inherited::Assign(Source);
  FAlignHorz = src->FAlignHorz;
  FAlignVert = src->FAlignVert;
  FText = src->Text();
  FGlyphAlignHorz = src->FGlyphAlignHorz;
  FGlyphAlignVert = src->FGlyphAlignVert;
  FMultiLine = src->FMultiLine;
  FShowEndEllipsis = src->FShowEndEllipsis;
  FGlyph->Assign(src->FGlyph.get());
  Changed();
}

void TvxTreeListCaption::Changed() {
  if (OnChange) OnChange(this);
}

bool TvxTreeListCaption::GlyphEmpty() const { return FGlyph->Empty(); }

void TvxTreeListCaption::SetGlyph(TBitmap* Value) {
  if (Value)
    FGlyph->Assign(Value);
  else
    FGlyph = std::make_unique<TBitmap>();
  Changed();
}

void TvxTreeListCaption::SetGlyphAlignHorz(TAlignment Value) {
  if (FGlyphAlignHorz == Value) return;
  FGlyphAlignHorz = Value;
  if (!GlyphEmpty()) Changed();
}

void TvxTreeListCaption::SetGlyphAlignVert(TvxAlignmentVert Value) {
  if (FGlyphAlignVert == Value) return;
  FGlyphAlignVert = Value;
  if (!GlyphEmpty()) Changed();
}

String TvxTreeListCaption::Text() const {
  if (FText.empty())
    if (auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner)) {
      String s;
      column->DataBinding()->GetDefaultText(s);
      return s;
    }
  return FText;
}

void TvxTreeListCaption::SetText(const String& Value) {
  if (FText == Value) return;
  FText = Value;
  Changed();
}

bool TvxTreeListCaption::IsTextStored() const {
  if (FText.empty()) return false;
  if (auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner)) {
    String s;
    column->DataBinding()->GetDefaultText(s);
    return FText != s;
  }
  return true;
}

// --- Column and band styles ---------------------------------------------------------------

TvxTreeListColumnStyles::TvxTreeListColumnStyles(TPersistent* AOwner) : TvxStyles(AOwner) { BitmapInViewParams = true; }

TvxTreeListColumn* TvxTreeListColumnStyles::Column() const { return static_cast<TvxTreeListColumn*>(FOwner); }

void TvxTreeListColumnStyles::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListColumnStyles*>(Source))
    for (Integer i : {Content, Header, Footer}) PutStyle(i, src->FindStyle(i));
  inherited::Assign(Source);
}

TvxViewParams TvxTreeListColumnStyles::Lookup(Integer AIndex, TObject* AData) {
  TvxViewParams r;
  GetViewParams(AIndex, AData, nullptr, r);
  return r;
}

void TvxTreeListColumnStyles::GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) {
  inherited::GetDefaultViewParams(AIndex, AData, AParams);
  TvxTreeListColumn* column = Column();
  TvxCustomTreeList* tl = column->TreeList();
  if (!tl) return;
  auto* node = dynamic_cast<TvxTreeListNode*>(AData);
  TvxTreeListBand* band = column->Position()->Band();
  switch (AIndex) {
    case Content:
      AParams = column->IsPreview() ? tl->Styles()->GetPreviewParams(node)
                                    : tl->Styles()->GetColumnContentParams(node, column->ItemIndex());
      break;
    case Header:
      AParams = tl->Styles()->GetColumnHeaderParams(column);
      break;
    case Footer:
      AParams = band ? band->Styles()->GetFooterParams(node)
                     : tl->Styles()->GetColumnFooterParams(column->ItemIndex(), node, nullptr);
      break;
    default:
      break;
  }
}

void TvxTreeListColumnStyles::StyleChanged(Integer) { Column()->Changed(); }

TvxTreeListBandStyles::TvxTreeListBandStyles(TPersistent* AOwner) : TvxStyles(AOwner) { BitmapInViewParams = true; }

TvxTreeListBand* TvxTreeListBandStyles::Band() const { return static_cast<TvxTreeListBand*>(FOwner); }

void TvxTreeListBandStyles::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListBandStyles*>(Source))
    for (Integer i : {Content, Footer, Header, HeaderBackground}) PutStyle(i, src->FindStyle(i));
  inherited::Assign(Source);
}

TvxViewParams TvxTreeListBandStyles::Lookup(Integer AIndex, TObject* AData) {
  TvxViewParams r;
  GetViewParams(AIndex, AData, nullptr, r);
  return r;
}

void TvxTreeListBandStyles::GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) {
  inherited::GetDefaultViewParams(AIndex, AData, AParams);
  TvxTreeListBand* band = Band();
  TvxCustomTreeList* tl = band->TreeList();
  if (!tl) return;
  auto* node = dynamic_cast<TvxTreeListNode*>(AData);
  TvxTreeListStyles* s = tl->Styles();
  switch (AIndex) {
    case Content:
      AParams = s->GetBandContentParams(band, node);
      break;
    case Footer:
      AParams = s->GetBandFooterParams(band, node);
      break;
    case Header:
      AParams = s->DoGetBandHeaderParams(band);
      break;
    case HeaderBackground: {
      TvxStyle* style = nullptr;
      if (s->OnGetBandBackgroundStyle) s->OnGetBandBackgroundStyle(tl, band, style);
      s->GetViewParams(tlsBandBackground, band, style, AParams);
      break;
    }
    default:
      break;
  }
}

void TvxTreeListBandStyles::StyleChanged(Integer) {
  if (TvxCustomTreeList* tl = Band()->TreeList()) tl->LayoutChanged();
}

// --- Column options and position ----------------------------------------------------------

TvxTreeListColumnOptions::TvxTreeListColumnOptions(TPersistent* AOwner) : TvxOwnedPersistent(AOwner) {
  // Set directly: the owning column is still being made.
  SetDefaults();
}

void TvxTreeListColumnOptions::SetDefaults() {
  for (Integer i = 0; i < OptionCount; ++i) FValues[i] = true;
  FValues[Hidden] = false;
  FValues[ShowEditButtons] = false;
}

void TvxTreeListColumnOptions::RestoreDefaults() {
  SetDefaults();
  if (auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner)) column->Changed();
}

void TvxTreeListColumnOptions::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListColumnOptions*>(Source);
  if (!src) return inherited::Assign(Source);
  for (Integer i = 0; i < OptionCount; ++i) Set(static_cast<TOption>(i), src->Get(static_cast<TOption>(i)));
}

void TvxTreeListColumnOptions::Set(TOption AOption, bool Value) {
  if (FValues[AOption] == Value) return;
  FValues[AOption] = Value;
  if (auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner)) column->Changed();
}

TvxTreeListColumnPosition::TvxTreeListColumnPosition(TPersistent* AOwner) : TvxOwnedPersistent(AOwner) {}

TvxTreeListColumn* TvxTreeListColumnPosition::Column() const { return static_cast<TvxTreeListColumn*>(FOwner); }
TvxCustomTreeList* TvxTreeListColumnPosition::TreeList() const { return Column()->TreeList(); }

void TvxTreeListColumnPosition::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListColumnPosition*>(Source);
  if (!src) return inherited::Assign(Source);
  FBandIndex = src->BandIndex();
  FRowIndex = src->RowIndex();
  FColIndex = src->ColIndex();
  SetLineCount(src->LineCount());
}

bool TvxTreeListColumnPosition::IsDeferred() const {
  TvxTreeListColumn* c = Column();
  return c->ComponentState().Contains(csLoading) || c->ComponentState().Contains(csUpdating) || !TreeList();
}

Integer TvxTreeListColumnPosition::BandIndex() const { return FBand ? FBand->Index() : -1; }
Integer TvxTreeListColumnPosition::RowIndex() const { return FRow ? FRow->Index() : -1; }
Integer TvxTreeListColumnPosition::ColIndex() const { return FRow ? FRow->IndexOf(Column()) : -1; }
Integer TvxTreeListColumnPosition::VisibleRowIndex() const { return FRow ? FRow->VisibleIndex() : -1; }

Integer TvxTreeListColumnPosition::VisibleBandIndex() const {
  return FBand && FBand->Bands() ? FBand->Bands()->VisibleIndexOf(FBand) : -1;
}

void TvxTreeListColumnPosition::Changed() {
  if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

void TvxTreeListColumnPosition::LeaveBand() {
  TvxTreeListColumn* c = Column();
  if (FRow) {
    TvxTreeListBandRow* row = FRow;
    std::erase(row->FItems, c);
    std::erase(row->FVisibleItems, c);
    FRow = nullptr;
    if (row->FItems.empty()) {
      TvxTreeListBandRows* rows = row->BandRows();
      rows->Delete(rows->IndexOf(row));
    }
  }
  if (FBand) {
    std::erase(FBand->FColumns, c);
    std::erase(FBand->FVisibleColumns, c);
    FBand = nullptr;
  }
  FVisibleColIndex = -1;
}

void TvxTreeListColumnPosition::SetBandIndex(Integer Value) {
  if (IsDeferred()) {
    FBandIndex = Value;
    return;
  }
  if (Value == BandIndex()) return;
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListBands* bands = tl->Bands();
  TvxTreeListBand* target = Value >= 0 && Value < bands->Count() ? bands->Items(Value) : nullptr;
  TvxTreeListUpdateScope lock(tl);
  if (target && target->ChildBandCount() > 0) {
    // Only bottom bands hold columns: the target's children move to the root level,
    // right after the target's root ancestor.
    TvxTreeListBand* rootAncestor = target->RootParentBand() ? target->RootParentBand() : target;
    Integer at = rootAncestor->Index();
    while (target->ChildBandCount() > 0) {
      TvxTreeListBand* child = target->ChildBands(target->ChildBandCount() - 1);
      child->Position()->SetBandIndex(-1);
      Integer from = child->Index();
      child->TCollectionItem::SetIndex(from > at ? at + 1 : at);
      at = rootAncestor->Index();
    }
  }
  LeaveBand();
  if (target) {
    FBand = target;
    target->FColumns.push_back(Column());
    TvxTreeListBandRow* row = target->BandRows()->First();
    if (!row) row = target->BandRows()->RowByIndex(0);
    row->FItems.push_back(Column());
    FRow = row;
  }
  Changed();
}

void TvxTreeListColumnPosition::SetRow(TvxTreeListBandRow* ARow) {
  if (!ARow) return;
  TvxTreeListBand* band = ARow->Band();
  if (band != FBand) {
    TvxTreeListBandRow* keep = ARow;
    LeaveBand();
    FBand = band;
    band->FColumns.push_back(Column());
    ARow = keep;
  }
  if (ARow == FRow) return;
  if (FRow) {
    TvxTreeListBandRow* old = FRow;
    std::erase(old->FItems, Column());
    std::erase(old->FVisibleItems, Column());
    FRow = nullptr;
    if (old->FItems.empty()) old->BandRows()->Delete(old->BandRows()->IndexOf(old));
  }
  ARow->FItems.push_back(Column());
  FRow = ARow;
  Changed();
}

void TvxTreeListColumnPosition::SetRowIndex(Integer Value) {
  if (IsDeferred()) {
    FRowIndex = Value;
    return;
  }
  if (!FBand || Value < 0 || Value == RowIndex()) return;
  TvxTreeListUpdateScope lock(TreeList());
  SetRow(FBand->BandRows()->RowByIndex(Value));
}

void TvxTreeListColumnPosition::SetColIndex(Integer Value) {
  if (IsDeferred()) {
    FColIndex = Value;
    return;
  }
  if (!FRow) return;
  Integer c = ColIndex();
  if (c < 0 || Value < 0) return;
  if (c < Value) --Value;
  Value = std::min(Value, FRow->Count() - 1);
  if (Value == c) return;
  auto& items = FRow->FItems;
  items.erase(items.begin() + c);
  items.insert(items.begin() + Value, Column());
  Changed();
}

void TvxTreeListColumnPosition::SetLineCount(Integer Value) {
  Value = std::max(Value, 1);
  if (Value == FLineCount) return;
  FLineCount = Value;
  Changed();
}

void TvxTreeListColumnPosition::SetPosition(Integer AColIndex, Integer ARowIndex, bool IsInsertRow) {
  SetPositionEx(BandIndex(), AColIndex, IsInsertRow, ARowIndex);
}

void TvxTreeListColumnPosition::SetPositionEx(Integer ABandIndex, Integer AColIndex, bool IsInsertRow,
                                              Integer ARowIndex) {
  TvxTreeListUpdateScope lock(TreeList());
  SetBandIndex(ABandIndex);
  SetColIndex(AColIndex);
  if (IsInsertRow && FBand && ARowIndex >= 0 && ARowIndex <= FBand->BandRows()->Count())
    SetRow(FBand->BandRows()->Insert(ARowIndex));
  else
    SetRowIndex(ARowIndex);
}

void TvxTreeListColumnPosition::ApplyWishes() {
  SetBandIndex(FBandIndex);
  SetRowIndex(FRowIndex);
  SetColIndex(FColIndex);
}

void TvxTreeListColumnPosition::StoreWishes() {
  FBandIndex = BandIndex();
  FRowIndex = RowIndex();
  FColIndex = ColIndex();
}

bool TvxTreeListColumnPosition::WishesDiffer() const {
  return FBandIndex != BandIndex() || FRowIndex != RowIndex() || FColIndex != ColIndex();
}

void TvxTreeListColumnDataBinding::ValueTypeClassChanged() {
  auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner);
  if (!column || !column->TreeList()) return;
  column->TreeList()->DataController()->ChangeValueTypeClass(column->ItemIndex(), GetValueTypeClass());
  column->RefreshProperties();
  column->Changed();
}

// --- Column summaries -----------------------------------------------------------------------

void TvxTreeListSummaryItem::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListSummaryItem*>(Source);
  if (!src) return inherited::Assign(Source);
  FAlignHorz = src->FAlignHorz;
  FAlignVert = src->FAlignVert;
  FAllNodes = src->FAllNodes;
  FKind = src->FKind;
  FMultiLine = src->FMultiLine;
  FVisible = src->FVisible;
  OnGetText = src->OnGetText;
  // The calculated column is this tree list's column of the same item index.
  TvxTreeListColumn* own = Column();
  TvxCustomTreeList* tl = own ? own->TreeList() : nullptr;
  Integer index = src->FCalculatedColumn ? src->FCalculatedColumn->ItemIndex() : -1;
  FCalculatedColumn = tl && index >= 0 && index < tl->ColumnCount() ? tl->Columns(index) : nullptr;
  Changed(true);
}

TvxTreeListSummaryItems* TvxTreeListSummaryItem::Items() const {
  return static_cast<TvxTreeListSummaryItems*>(Collection());
}

TvxTreeListColumn* TvxTreeListSummaryItem::Column() const {
  return Items() ? Items()->Summary()->Column() : nullptr;
}

TvxTreeListColumn* TvxTreeListSummaryItem::CalculatedColumn() const {
  return FCalculatedColumn ? FCalculatedColumn : Column();
}

Variant TvxTreeListSummaryItem::NodeValue(TvxTreeListNode* ANode) const {
  TvxTreeListColumn* column = CalculatedColumn();
  if (FKind == skNone || !ANode || !column || column->ItemIndex() < 0) return Null();
  const Integer index = column->ItemIndex();
  const bool ignoreNull = column->TreeList()->OptionsData()->SummaryNullIgnore();
  Variant total = FKind == skSum || FKind == skAverage ? Variant(0) : Null();
  Integer count = 0;
  auto add = [&](TvxTreeListNode* C) {
    Variant v = C->Values(index);
    const bool isNull = VarIsNull(v) || VarIsEmpty(v);
    if (isNull && ignoreNull) return;
    if (!isNull) {
      if (VarIsNull(total)) total = v;
      else if (FKind == skSum || FKind == skAverage) total = total + v;
      else if (FKind == skMin && v < total) total = v;
      else if (FKind == skMax && v > total) total = v;
    }
    ++count;
  };
  // Depth first over the shown and collapsed children alike; hidden subtrees stay out.
  std::vector<TvxTreeListNode*> pending;
  for (TvxTreeListNode* c = ANode->GetLastChild(); c; c = c->getPrevSibling()) pending.push_back(c);
  while (!pending.empty()) {
    TvxTreeListNode* c = pending.back();
    pending.pop_back();
    if (!c->Visible()) continue;
    add(c);
    if (FAllNodes)
      for (TvxTreeListNode* g = c->GetLastChild(); g; g = g->getPrevSibling()) pending.push_back(g);
  }
  switch (FKind) {
    case skCount: return Variant(count);
    case skAverage: return count > 0 ? Variant(total.AsDouble() / count) : Null();
    default: return total;
  }
}

String TvxTreeListSummaryItem::NodeText(TvxTreeListNode* ANode) {
  Variant v = NodeValue(ANode);
  String text = VarIsNull(v) || VarIsEmpty(v) ? String() : VarToStr(v);
  if (OnGetText) OnGetText(this, ANode, text);
  return text;
}

TvxTreeListSummaryItems::TvxTreeListSummaryItems(TvxTreeListColumnSummary* ASummary)
    : TvxCollection(TvxTreeListSummaryItem::StaticClass()), FSummary(ASummary) {}

TPersistent* TvxTreeListSummaryItems::GetOwner() { return FSummary; }

TvxTreeListSummaryItem* TvxTreeListSummaryItems::Add() {
  // The new item is numbered by the update that adding it reports.
  return static_cast<TvxTreeListSummaryItem*>(TCollection::Add());
}

TvxTreeListSummaryItem* TvxTreeListSummaryItems::GetItemByKind(TvxSummaryKind AKind) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->Kind() == AKind) return Items(i);
  return nullptr;
}

void TvxTreeListSummaryItems::Update(TCollectionItem*) {
  FVisibleCount = 0;
  for (Integer i = 0; i < Count(); ++i) Items(i)->FVisibleIndexInColumn = Items(i)->Visible() ? FVisibleCount++ : -1;
  FSummary->Changed();
}

TvxTreeListColumnSummary::TvxTreeListColumnSummary(TvxTreeListColumn* AColumn)
    : TvxOwnedPersistent(AColumn),
      FFooterSummaryItems(std::make_unique<TvxTreeListSummaryItems>(this)),
      FGroupFooterSummaryItems(std::make_unique<TvxTreeListSummaryItems>(this)) {}

TvxTreeListColumnSummary::~TvxTreeListColumnSummary() = default;

TvxTreeListColumn* TvxTreeListColumnSummary::Column() const { return static_cast<TvxTreeListColumn*>(FOwner); }

void TvxTreeListColumnSummary::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListColumnSummary*>(Source);
  if (!src) return inherited::Assign(Source);
  FGroupFooterSummaryItems->Assign(src->GroupFooterSummaryItems());
  FFooterSummaryItems->Assign(src->FooterSummaryItems());
}

void TvxTreeListColumnSummary::Changed() {
  if (FOwner) Column()->Changed();
}

// --- Columns --------------------------------------------------------------------------------

TvxTreeListColumn::TvxTreeListColumn(TComponent* AOwner)
    : TvxCustomInplaceEditContainer(AOwner),
      FCaption(std::make_unique<TvxTreeListCaption>(this)),
      FOptions(std::make_unique<TvxTreeListColumnOptions>(this)),
      FPosition(std::make_unique<TvxTreeListColumnPosition>(this)),
      FStyles(std::make_unique<TvxTreeListColumnStyles>(this)),
      FSummary(std::make_unique<TvxTreeListColumnSummary>(this)) {
  // The edit item's binding is the column's own; its item options and styles stay at their
  // defaults (the column's options and styles are the ones the tree list reads).
  inherited::FDataBinding = std::make_unique<TvxTreeListColumnDataBinding>(this);
  inherited::FOptions = std::make_unique<TvxCustomEditContainerItemOptions>(this);
  inherited::FStyles = std::make_unique<TvxEditContainerStyles>(this);
  FCaption->OnChange = [this](TObject* Sender) { CaptionChanged(Sender); };
}

void TvxTreeListColumn::AfterConstruction() {
  // Skips the edit item's creation of binding, options and styles: made above.
  TComponent::AfterConstruction();
}

bool TvxTreeListColumn::CanFocus() {
  return FOptions->Get(TvxTreeListColumnOptions::Focusing) && FTreeList && FTreeList->OptionsSelection()->CellSelect &&
         !IsPreview();
}

bool TvxTreeListColumn::CanEdit() {
  TvxTreeListNode* n = FTreeList ? FTreeList->FocusedNode() : nullptr;
  return n && !n->IsHidden() && FTreeList->OptionsData()->Editing() && CanFocus() &&
         FOptions->Get(TvxTreeListColumnOptions::Editing);
}

bool TvxTreeListColumn::CanInitEditing() {
  if (!CanEdit()) return false;
  TvxTreeListDataController* dc = FTreeList->DataController();
  if (dc->EditingNode() != FTreeList->FocusedNode()) dc->Edit();
  return dc->EditingNode() != nullptr;
}

Variant TvxTreeListColumn::GetValueByRecord(Integer) {
  // The editing framework asks only about the focused node's cell (the editor's).
  return Value();
}

Variant TvxTreeListColumn::GetEditValue() {
  if (!FTreeList || !Editing() || !FTreeList->FocusedNode()) return Variant();
  return FTreeList->DataController()->GetNodeValue(FTreeList->FocusedNode(), ItemIndex());
}

void TvxTreeListColumn::SetEditValue(const Variant& Value) {
  if (!FTreeList || !Editing() || !CanInitEditing()) return;
  FTreeList->DataController()->SetEditValue(ItemIndex(), Value, false);
}

TvxTreeListColumn::~TvxTreeListColumn() {
  // Leaving the tree list relays it out, whose handlers may raise; nothing may leave a
  // destructor, and the column is gone from every list before the relayout starts.
  try {
    SetTreeList(nullptr);
  } catch (...) {  // see above
  }
}

void TvxTreeListColumn::SetTreeList(TvxCustomTreeList* Value) {
  if (FTreeList == Value) return;
  if (TvxCustomTreeList* old = FTreeList) {
    // An editor open on the column is closed without posting, and the controller forgets
    // the column; the edit item is then no longer bound to the control.
    if (TvxCustomControlController* c = old->Controller()) {
      if (c->EditingController()->EditingItem() == this) c->EditingController()->HideEdit(false);
      if (c->FocusedItem() == this) c->SetFocusedItem(nullptr);
    }
    FEditingControl = nullptr;
    TvxTreeListUpdateScope lock(old);
    if (FSortOrder != soNone) {
      FSortOrder = soNone;
      old->ColumnSortOrderChanged(this);
    }
    FPosition->LeaveBand();
    old->RemoveColumn(this);
    FTreeList = nullptr;
  }
  FTreeList = Value;
  // Only a tree list with its editing collaborators (a control, not a bare model) edits.
  FEditingControl = Value && Value->Controller() && Value->EditStyle() ? Value : nullptr;
  if (Value) Value->AddColumn(this);
  RefreshProperties();
}

void TvxTreeListColumn::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListColumn*>(Source);
  if (!src) return inherited::Assign(Source);
  auto apply = [&] {
    DataBinding()->Assign(src->DataBinding());
    FOptions->Assign(src->Options());
    FCalculatedWidth = src->FCalculatedWidth;
    FMinWidth = src->FMinWidth;
    FWidth = src->FWidth;
    FPosition->Assign(src->Position());
    FCaption->Assign(src->Caption());
    FStyles->Assign(src->Styles());
    FSummary->Assign(src->Summary());
    SetSortOrder(src->SortOrder());
    SetVisible(src->Visible());
  };
  if (FTreeList) {
    TvxTreeListUpdateScope lock(FTreeList);
    apply();
  } else {
    apply();
  }
}

void TvxTreeListColumn::Changed() {
  if (FTreeList) FTreeList->LayoutChanged();
}

Integer TvxTreeListColumn::ItemIndex() const {
  if (!FTreeList) return -1;
  auto& v = FTreeList->FColumns;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

void TvxTreeListColumn::SetItemIndex(Integer Value) {
  if (!FTreeList) return;
  Integer cur = ItemIndex();
  if (Value < 0 || Value >= static_cast<Integer>(FTreeList->FColumns.size()) || Value == cur) return;
  TvxTreeListUpdateScope lock(FTreeList);
  std::swap(FTreeList->FColumns[cur], FTreeList->FColumns[Value]);
  FTreeList->DataController()->ExchangeItems(cur, Value);
  FTreeList->RebuildSortColumns();
  FTreeList->LayoutChanged();
}

Integer TvxTreeListColumn::VisibleIndex() const {
  if (!FTreeList) return -1;
  auto& v = FTreeList->FVisibleColumns;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

Integer TvxTreeListColumn::Width() const { return std::max(FWidth != 0 ? FWidth : 100, FMinWidth); }

void TvxTreeListColumn::SetWidth(Integer Value) {
  Value = std::max(Value, IndentWidth() + FMinWidth);
  if (Value != FWidth && Value >= 0) {
    FWidth = Value;
    FCalculatedWidth = Value;
    if (FPosition->Band() && FTreeList && !FTreeList->IsUpdating() && !ComponentState().Contains(csLoading)) {
      FPosition->Band()->BandRows()->Refresh();
      FTreeList->Bands()->CalculateAutoWidth();
      if (FTreeList->OnColumnSizeChanged) FTreeList->OnColumnSizeChanged(FTreeList, this);
    }
  }
  Changed();
}

void TvxTreeListColumn::SetMinWidth(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  SetWidth(Value);
}

void TvxTreeListColumn::SetBestFitMaxWidth(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FBestFitMaxWidth) return;
  FBestFitMaxWidth = Value;
  Changed();
}

Integer TvxTreeListColumn::DisplayWidth() const {
  if (FTreeList) FTreeList->ProcessChanges();
  if (!ActuallyVisible()) return 0;
  return FCalculatedWidth != 0 ? FCalculatedWidth : Width();
}

void TvxTreeListColumn::SetDisplayWidth(Integer Value) {
  if (!FTreeList) return SetWidth(Value);
  TvxCustomTreeList* tl = FTreeList;
  tl->ProcessChanges();
  Value = std::max(FMinWidth, Value);
  if (Value == Width()) return;
  // The columns of the same visible row in every bottom band keep what they show now,
  // so only this column and those to its right take up the difference.
  auto freeze = [&] {
    Integer row = FPosition->VisibleRowIndex();
    TvxTreeListBands* bands = tl->Bands();
    for (Integer i = 0; i < bands->BottomItemCount(); ++i) {
      TvxTreeListBandRows* rows = bands->BottomItems(i)->BandRows();
      if (row < 0 || row >= rows->VisibleItemCount()) continue;
      TvxTreeListBandRow* r = rows->VisibleItems(row);
      for (Integer j = 0; j < r->VisibleItemCount(); ++j) {
        TvxTreeListColumn* c = r->VisibleItems(j);
        if (Integer w = c->DisplayWidth()) c->FWidth = w;
      }
    }
  };
  {
    TvxTreeListUpdateScope lock(tl);
    TValueScope<TvxTreeListColumn*> forcing(tl->ForcingWidthColumn, this);
    freeze();
    FWidth = std::max(Value, IndentWidth() + FMinWidth);
    FCalculatedWidth = FWidth;
    tl->Bands()->CalculateAutoWidth();
    freeze();
  }
  if (tl->OnColumnSizeChanged) tl->OnColumnSizeChanged(tl, this);
}

Integer TvxTreeListColumn::IndentWidth() const {
  if (!FTreeList || !FPosition->Band() || !FPosition->Row()) return 0;
  if (FPosition->Band() != FTreeList->Bands()->ExpandableBand() || FPosition->Row()->First() != this) return 0;
  return FTreeList->GetIndentWidth();
}

void TvxTreeListColumn::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  if (FTreeList) FTreeList->ClearCalculatedWidths();
  Changed();
}

bool TvxTreeListColumn::ActuallyVisible() const {
  return FVisible && FPosition->Band() && FPosition->Band()->ActuallyVisible();
}

bool TvxTreeListColumn::IsHidden() const { return !ActuallyVisible() || IsPreview(); }
bool TvxTreeListColumn::IsPreview() const { return FTreeList && FTreeList->Preview()->Column() == this; }

void TvxTreeListColumn::SetIsPreview(bool Value) {
  if (Value == IsPreview() || !FTreeList) return;
  FTreeList->Preview()->SetColumn(Value ? this : nullptr);
}

bool TvxTreeListColumn::IsLeft() const { return ActuallyVisible() && FPosition->Row()->First() == this; }
bool TvxTreeListColumn::IsRight() const { return ActuallyVisible() && FPosition->Row()->Last() == this; }

// The column's editor comes with the editing control; until then sorting is open to
// every column, and OnCompare decides for all of them when it is assigned.
bool TvxTreeListColumn::CanSort() const { return true; }

bool TvxTreeListColumn::CanMoving() const {
  return FTreeList && FTreeList->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::ColumnMoving) &&
         FOptions->Get(TvxTreeListColumnOptions::Moving);
}

bool TvxTreeListColumn::CanSizing(TvxTreeListSizingDirection ADirection) const {
  if (!FTreeList) return false;
  using C = TvxTreeListOptionsCustomizing;
  using O = TvxTreeListColumnOptions;
  if (ADirection == tlsdHorz)
    return FOptions->Get(O::Sizing) && FTreeList->OptionsCustomizing()->Get(C::ColumnHorzSizing);
  return FOptions->Get(O::VertSizing) && FTreeList->OptionsCustomizing()->Get(C::ColumnVertSizing);
}

Integer TvxTreeListColumn::GetSizingMinWidth() const {
  return FOptions->Get(TvxTreeListColumnOptions::Sizing) ? IndentWidth() + FMinWidth : Width();
}

Integer TvxTreeListColumn::GetSizingMaxWidth() const {
  TvxTreeListBand* band = FPosition->Band();
  TvxTreeListBandRow* row = FPosition->Row();
  if (!band || !row || band->Width() == 0) return 32767;
  Integer r = band->DisplayWidth();
  bool last = row->Last() == this;
  for (Integer i = 0; i < row->VisibleItemCount(); ++i) {
    TvxTreeListColumn* c = row->VisibleItems(i);
    if (c == this) continue;
    bool right = c->Position()->VisibleColIndex() > FPosition->VisibleColIndex();
    r -= right || last ? c->MinWidth() : c->DisplayWidth();
  }
  return r;
}

void TvxTreeListColumn::SetSizeDelta(TvxTreeListSizingDirection ADirection, Integer ADelta) {
  if (ADelta == 0 || !FTreeList) return;
  {
    TvxTreeListUpdateScope lock(FTreeList);
    if (ADirection == tlsdVert)
      FPosition->SetLineCount(FPosition->LineCount() + ADelta);
    else
      SetDisplayWidth(DisplayWidth() + ADelta);
  }
  FTreeList->DesignerModified();
}

void TvxTreeListColumn::SetSortOrder(TvxDataSortOrder Value) {
  if (!FOptions->Get(TvxTreeListColumnOptions::Sorting) || !CanSort() || Value == FSortOrder) return;
  FSortOrder = Value;
  if (FTreeList) FTreeList->ColumnSortOrderChanged(this);
}

void TvxTreeListColumn::SetSortIndex(Integer Value) {
  if (FSortOrder == soNone || Value < 0 || Value == FSortIndex || !FTreeList) return;
  FTreeList->MoveSortedColumn(this, Value);
}

Variant TvxTreeListColumn::Value() const {
  if (!FTreeList || !FTreeList->FocusedNode()) return Null();
  return FTreeList->FocusedNode()->Values(ItemIndex());
}

void TvxTreeListColumn::SetValue(const Variant& AValue) {
  if (FTreeList && FTreeList->FocusedNode()) FTreeList->FocusedNode()->SetValues(ItemIndex(), AValue);
}

String TvxTreeListColumn::DoGetDisplayText(TvxTreeListNode* ANode, const Variant& AValue) {
  String result = VarIsNull(AValue) || VarIsEmpty(AValue) ? String() : VarToStr(AValue);
  if (OnGetDisplayText) OnGetDisplayText(this, ANode, result);
  return result;
}

Variant TvxTreeListColumn::GetDisplayValue(TvxTreeListNode* ANode, bool AAsText, bool ARaw) {
  Variant value = ANode->Values(ItemIndex());
  if (ARaw || (!OnGetDisplayText && !AAsText)) return value;
  String text = DoGetDisplayText(ANode, AAsText ? Variant(FTreeList->DataController()->GetNodeDisplayText(ANode, ItemIndex()))
                                                : Variant(String()));
  if (!text.empty() || AAsText) return Variant(text);
  return value;
}

bool TvxTreeListColumn::IsCurrency() const {
  return FTreeList && FTreeList->DataController()->GetItemValueTypeClass(ItemIndex()) == TvxCurrencyValueType::Class();
}

void TvxTreeListColumn::RestoreDefaults() {
  FOptions->RestoreDefaults();
  SetSortOrder(soNone);
  FCaption->SetAlignHorz(taLeftJustify);
  FCaption->SetAlignVert(vaTop);
  RestoreWidths();
}

void TvxTreeListColumn::RestoreWidths() {
  FMinWidth = 20;
  SetWidth(100);
}

bool TvxTreeListColumn::IsFixedForAutoWidth() const {
  TvxTreeListColumn* f = FTreeList ? FTreeList->ForcingWidthColumn : nullptr;
  if (f == this || !FOptions->Get(TvxTreeListColumnOptions::Sizing)) return true;
  if (!f || f->Position()->Row() != FPosition->Row() || !FPosition->Row()) return false;
  return FPosition->Row()->Last() != f && FPosition->VisibleColIndex() < f->Position()->VisibleColIndex();
}

void TvxTreeListColumn::InitAutoWidthItem(TvxAutoWidthItem* AItem) {
  AItem->Width = Width();
  AItem->MinWidth = IndentWidth() + FMinWidth;
  AItem->Fixed = IsFixedForAutoWidth();
  if (AItem->Fixed) AItem->Width = AItem->MinWidth = std::max(AItem->Width, AItem->MinWidth);
  AItem->AutoWidth = -1;
}

// --- Band rows -------------------------------------------------------------------------------

TvxTreeListBand* TvxTreeListBandRow::Band() const { return FBandRows->Band(); }
TvxCustomTreeList* TvxTreeListBandRow::TreeList() const { return Band()->TreeList(); }

Integer TvxTreeListBandRow::IndexOf(TvxTreeListColumn* AColumn) const {
  auto it = std::find(FItems.begin(), FItems.end(), AColumn);
  return it == FItems.end() ? -1 : static_cast<Integer>(it - FItems.begin());
}

Integer TvxTreeListBandRow::Index() const { return FBandRows->IndexOf(this); }

Integer TvxTreeListBandRow::VisibleIndex() const {
  for (Integer i = 0; i < FBandRows->VisibleItemCount(); ++i)
    if (FBandRows->VisibleItems(i) == this) return i;
  return -1;
}

bool TvxTreeListBandRow::IsFirst() const { return Index() == FBandRows->Count() - 1; }
bool TvxTreeListBandRow::IsLast() const { return Index() == 0; }

void TvxTreeListBandRow::Refresh() {
  FVisibleItems.clear();
  FLineCount = FMinWidth = FWidth = 0;
  FWidthAssigned = false;
  TvxTreeListBand* band = Band();
  for (TvxTreeListColumn* c : FItems) {
    if (!c->Visible() || c->IsPreview()) {
      c->Position()->FVisibleColIndex = -1;
      continue;
    }
    c->Position()->FVisibleColIndex = static_cast<Integer>(FVisibleItems.size());
    FVisibleItems.push_back(c);
    Integer lines = c->Position()->LineCount();
    FLineCount = std::max(FLineCount, lines);
    if (lines < FLineCount) band->FHasEmptyArea = true;
    FWidth += c->Width();
    FMinWidth += c->MinWidth();
    FWidthAssigned = c->FWidth != 0;
  }
}

TvxTreeListBandRow* TvxTreeListBandRows::RowByIndex(Integer AIndex) {
  AIndex = std::max(AIndex, 0);
  if (AIndex >= Count()) {
    FItems.push_back(std::make_unique<TvxTreeListBandRow>(this));
    return FItems.back().get();
  }
  return FItems[AIndex].get();
}

TvxTreeListBandRow* TvxTreeListBandRows::Insert(Integer AIndex) {
  AIndex = std::clamp<Integer>(AIndex, 0, Count());
  auto it = FItems.insert(FItems.begin() + AIndex, std::make_unique<TvxTreeListBandRow>(this));
  return it->get();
}

void TvxTreeListBandRows::Delete(Integer AIndex) {
  if (AIndex < 0 || AIndex >= Count() || FItems[AIndex]->Count() > 0) return;
  std::erase(FVisibleItems, FItems[AIndex].get());
  FItems.erase(FItems.begin() + AIndex);
}

Integer TvxTreeListBandRows::IndexOf(const TvxTreeListBandRow* ARow) const {
  for (Integer i = 0; i < Count(); ++i)
    if (FItems[i].get() == ARow) return i;
  return -1;
}

void TvxTreeListBandRows::Refresh() {
  FRowMinWidth = FRowMaxWidth = FLineCount = 0;
  FBand->FHasEmptyArea = false;
  FVisibleItems.clear();
  FBand->FVisibleColumns.clear();
  bool assignedSeen = false;
  for (auto& row : FItems) {
    row->Refresh();
    if (row->VisibleItemCount() == 0) continue;
    FVisibleItems.push_back(row.get());
    row->FLineOffset = FLineCount;
    FLineCount += row->LineCount();
    FRowMinWidth = std::max(FRowMinWidth, row->MinWidth());
    // Rows up to the first with an assigned width count, and after it only those with
    // an assigned width.
    if (!assignedSeen || row->WidthAssigned()) FRowMaxWidth = std::max(FRowMaxWidth, row->Width());
    if (row->WidthAssigned()) assignedSeen = true;
    FBand->FVisibleColumns.insert(FBand->FVisibleColumns.end(), row->FVisibleItems.begin(), row->FVisibleItems.end());
  }
}

// --- Band options and position ---------------------------------------------------------------

void TvxTreeListBandOptions::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListBandOptions*>(Source);
  if (!src) return inherited::Assign(Source);
  Customizing = src->Customizing;
  Hidden = src->Hidden;
  Moving = src->Moving;
  OnlyOwnColumns = src->OnlyOwnColumns;
  SetSizing(src->Sizing());
  SetVertSizing(src->VertSizing());
}

void TvxTreeListBandOptions::RestoreDefaults() {
  Customizing = Moving = true;
  Hidden = OnlyOwnColumns = false;
  SetSizing(true);
  SetVertSizing(true);
}

void TvxTreeListBandOptions::SetSizing(bool Value) {
  if (FSizing == Value) return;
  FSizing = Value;
  if (auto* band = dynamic_cast<TvxTreeListBand*>(FOwner)) band->StructureChanged();
}

void TvxTreeListBandOptions::SetVertSizing(bool Value) {
  if (FVertSizing == Value) return;
  FVertSizing = Value;
  if (auto* band = dynamic_cast<TvxTreeListBand*>(FOwner)) band->StructureChanged();
}

TvxTreeListBand* TvxTreeListBandPosition::Band() const { return static_cast<TvxTreeListBand*>(FOwner); }
TvxCustomTreeList* TvxTreeListBandPosition::TreeList() const { return Band()->TreeList(); }

void TvxTreeListBandPosition::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListBandPosition*>(Source);
  if (!src) return inherited::Assign(Source);
  FBandIndex = src->BandIndex();
  FColIndex = src->ColIndex();
}

bool TvxTreeListBandPosition::IsDeferred() const { return !TreeList() || TreeList()->Destroying(); }

Integer TvxTreeListBandPosition::BandIndex() const { return FParentBand ? FParentBand->Index() : -1; }

Integer TvxTreeListBandPosition::ColIndex() const {
  return FParentBand ? FParentBand->IndexOf(Band()) : Band()->RootIndex();
}

Integer TvxTreeListBandPosition::VisibleColIndex() const {
  if (!FParentBand) return Band()->VisibleRootIndex();
  auto& v = FParentBand->FChildVisibleBands;
  auto it = std::find(v.begin(), v.end(), Band());
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

void TvxTreeListBandPosition::SetBandIndex(Integer Value) {
  if (IsDeferred()) {
    FBandIndex = Value;
    return;
  }
  TvxTreeListBand* band = Band();
  TvxTreeListBands* bands = band->Bands();
  if (Value == band->Index()) return;
  if (Value < -1 || Value >= bands->Count()) return;
  TvxTreeListBand* target = Value >= 0 ? bands->Items(Value) : nullptr;
  TvxTreeListUpdateScope lock(TreeList());
  if (target && target->HasAsParent(band)) {
    // The target lies below this band: this band's children first move up to this
    // band's parent, at this band's place, so that no cycle arises.
    Integer at = ColIndex();
    std::vector<TvxTreeListBand*> children = band->FChildBands;
    band->FChildBands.clear();
    for (TvxTreeListBand* child : children) {
      child->FPosition->FParentBand = FParentBand;
      if (FParentBand) {
        auto& list = FParentBand->FChildBands;
        list.insert(list.begin() + std::clamp<Integer>(++at, 0, static_cast<Integer>(list.size())), child);
      }
    }
  }
  if (Value == BandIndex()) return;
  if (FParentBand) std::erase(FParentBand->FChildBands, band);
  FParentBand = target;
  if (target) {
    target->FChildBands.push_back(band);
    band->FFixedKind = target->FixedKind();
    if (!target->FColumns.empty()) {
      // A band with children holds no columns: they move to its deepest first descendant.
      TvxTreeListBand* dest = target->DeepestFirstDescendant();
      for (TvxTreeListColumn* c : std::vector<TvxTreeListColumn*>(target->FColumns))
        c->Position()->SetBandIndex(dest->Index());
    }
  }
  band->StructureChanged();
}

void TvxTreeListBandPosition::SetColIndex(Integer Value) {
  if (IsDeferred()) {
    FColIndex = Value;
    return;
  }
  if (Value == ColIndex()) return;
  if (FParentBand)
    FParentBand->MoveBand(Band(), Value);
  else
    Band()->SetRootIndex(Value);
}

void TvxTreeListBandPosition::ApplyWishes() {
  SetBandIndex(FBandIndex);
  if (FParentBand) SetColIndex(FColIndex);
}

void TvxTreeListBandPosition::StoreWishes() {
  FBandIndex = BandIndex();
  FColIndex = ColIndex();
}

// --- Bands -----------------------------------------------------------------------------------

TvxTreeListBand::TvxTreeListBand(TCollection* Collection)
    : TvxInterfacedCollectionItem(Collection),
      FBandRows(std::make_unique<TvxTreeListBandRows>(this)),
      FCaption(std::make_unique<TvxTreeListCaption>(this)),
      FOptions(std::make_unique<TvxTreeListBandOptions>(this)),
      FPosition(std::make_unique<TvxTreeListBandPosition>(this)),
      FStyles(std::make_unique<TvxTreeListBandStyles>(this)) {
  FCaption->OnChange = [this](TObject* Sender) { CaptionChanged(Sender); };
}

TvxTreeListBand::~TvxTreeListBand() {
  FIsDestroying = true;
  TvxCustomTreeList* tl = TreeList();
  DetachFromStructure();
  // Out of the collection while the band is still whole, so that nothing reads it later.
  // The relayout's handlers may raise, which must not leave the destructor; the band is
  // out of every list by now.
  try {
    SetCollection(nullptr);
    if (tl && !tl->Destroying()) tl->LayoutChanged();
  } catch (...) {  // see above
  }
}

void TvxTreeListBand::DetachFromStructure() {
  TvxCustomTreeList* tl = TreeList();
  if (tl && tl->ForcingWidthBand == this) tl->ForcingWidthBand = nullptr;
  // The band always leaves its parent's child list, whatever the tree list is doing:
  // a freed band must never stay listed there.
  if (TvxTreeListBand* parent = FPosition->FParentBand) {
    std::erase(parent->FChildBands, this);
    std::erase(parent->FChildVisibleBands, this);
    FPosition->FParentBand = nullptr;
  }
  bool destroying = !tl || tl->Destroying();
  for (TvxTreeListBand* child : FChildBands) {
    child->FPosition->FParentBand = nullptr;
    if (!destroying) child->FVisible = false;
  }
  FChildBands.clear();
  FChildVisibleBands.clear();
  while (!FColumns.empty()) FColumns.back()->Position()->LeaveBand();
  if (TvxTreeListBands* bands = Bands()) {
    for (auto* list : {&bands->FBottomItems, &bands->FRootItems, &bands->FVisibleItems, &bands->FVisibleRootItems})
      std::erase(*list, this);
    if (bands->FExpandableBand == this) bands->FExpandableBand = nullptr;
  }
}

void TvxTreeListBand::BeforeDestruction() {
  FIsDestroying = true;
  inherited::BeforeDestruction();
}

TvxTreeListBands* TvxTreeListBand::Bands() const { return static_cast<TvxTreeListBands*>(Collection()); }
TvxCustomTreeList* TvxTreeListBand::TreeList() const { return Bands() ? Bands()->TreeList() : nullptr; }

void TvxTreeListBand::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListBand*>(Source);
  if (!src) return inherited::Assign(Source);
  FCalculatedWidth = src->FCalculatedWidth;
  FMinWidth = src->FMinWidth;
  FWidth = src->FWidth;
  FPosition->Assign(src->Position());
  FOptions->Assign(src->Options());
  FStyles->Assign(src->Styles());
  FCaption->Assign(src->Caption());
  SetFixedKind(src->FixedKind());
  FExpandable = src->FExpandable;
  SetVisible(src->Visible());
}

void TvxTreeListBand::SetIndex(Integer Value) {
  if (Value == Index()) return;
  inherited::SetIndex(Value);
  StructureChanged();
}

void TvxTreeListBand::StructureChanged() {
  TvxCustomTreeList* tl = TreeList();
  if (!tl || tl->Destroying()) return;
  if (tl->IsUpdating()) {
    Bands()->RebuildLists();
    tl->LayoutChanged();
  } else {
    tl->LayoutChanged();
  }
}

void TvxTreeListBand::CaptionChanged(TObject*) {
  if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

Integer TvxTreeListBand::IndexOf(TvxTreeListBand* AChildBand) const {
  auto it = std::find(FChildBands.begin(), FChildBands.end(), AChildBand);
  return it == FChildBands.end() ? -1 : static_cast<Integer>(it - FChildBands.begin());
}

bool TvxTreeListBand::HasAsParent(const TvxTreeListBand* ABand) const {
  for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand())
    if (p == ABand) return true;
  return false;
}

void TvxTreeListBand::MoveBand(TvxTreeListBand* ABand, Integer AColIndex) {
  if (!ABand || ABand == this) return;
  TvxTreeListUpdateScope lock(TreeList());
  ABand->Position()->SetBandIndex(Index());
  if (ABand->ParentBand() != this) return;
  AColIndex = std::max(AColIndex, 0);
  std::erase(FChildBands, ABand);
  AColIndex = std::min(AColIndex, static_cast<Integer>(FChildBands.size()));
  FChildBands.insert(FChildBands.begin() + AColIndex, ABand);
  StructureChanged();
}

TvxTreeListBand* TvxTreeListBand::RootParentBand() const {
  TvxTreeListBand* p = ParentBand();
  while (p && p->ParentBand()) p = p->ParentBand();
  return p;
}

TvxTreeListBand* TvxTreeListBand::DeepestFirstDescendant() {
  TvxTreeListBand* b = this;
  while (!b->FChildBands.empty()) b = b->FChildBands.front();
  return b;
}

Integer TvxTreeListBand::Level() const {
  Integer r = 0;
  for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand()) ++r;
  return r;
}

Integer TvxTreeListBand::RootIndex() const {
  TvxTreeListBands* bands = Bands();
  if (!bands || !IsRoot()) return -1;
  Integer r = 0;
  for (Integer i = 0; i < bands->Count(); ++i) {
    TvxTreeListBand* b = bands->Items(i);
    if (b == this) return r;
    if (b->IsRoot()) ++r;
  }
  return -1;
}

void TvxTreeListBand::SetRootIndex(Integer Value) {
  TvxTreeListBands* bands = Bands();
  if (!bands || !IsRoot() || TreeList()->Destroying()) return;
  std::vector<TvxTreeListBand*> roots;
  for (Integer i = 0; i < bands->Count(); ++i)
    if (bands->Items(i)->IsRoot()) roots.push_back(bands->Items(i));
  Value = std::clamp<Integer>(Value, 0, static_cast<Integer>(roots.size()) - 1);
  if (Value == RootIndex()) return;
  SetIndex(roots[Value]->Index());
}

Integer TvxTreeListBand::VisibleRootIndex() const {
  auto& v = Bands()->FVisibleRootItems;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

Integer TvxTreeListBand::VisibleIndex() const { return Bands()->VisibleIndexOf(this); }

bool TvxTreeListBand::ActuallyVisible() const { return FVisible && (!ParentBand() || ParentBand()->ActuallyVisible()); }

bool TvxTreeListBand::ActuallyExpandable() const {
  return Bands() && const_cast<TvxTreeListBand*>(this)->DeepestFirstDescendant() == Bands()->ExpandableBand();
}

Integer TvxTreeListBand::IndentWidth() const { return ActuallyExpandable() ? TreeList()->GetIndentWidth() : 0; }

bool TvxTreeListBand::IsLastAsChild() const {
  Integer siblings = ParentBand() ? ParentBand()->ChildVisibleBandCount() : Bands()->VisibleRootItemCount();
  return FPosition->VisibleColIndex() + 1 == siblings;
}

bool TvxTreeListBand::IsLeftMost() const {
  TvxTreeListBands* bands = Bands();
  Integer first = FFixedKind == tlbfLeft    ? 0
                  : FFixedKind == tlbfNone  ? bands->VisibleRootLeftFixedCount()
                                            : bands->VisibleRootItemCount() - bands->VisibleRootRightFixedCount();
  if (first != 0 || first >= bands->VisibleRootItemCount()) return false;
  TvxTreeListBand* b = bands->VisibleRootItems(first);
  while (b && b != this && b->ChildVisibleBandCount() > 0) b = b->ChildVisibleBands(0);
  return b == this;
}

bool TvxTreeListBand::IsRightMost() const {
  TvxTreeListBands* bands = Bands();
  Integer last = FFixedKind == tlbfLeft   ? bands->VisibleRootLeftFixedCount() - 1
                 : FFixedKind == tlbfNone ? bands->VisibleRootItemCount() - bands->VisibleRootRightFixedCount() - 1
                                          : bands->VisibleRootItemCount() - 1;
  if (last < 0 || last >= bands->VisibleRootItemCount()) return false;
  TvxTreeListBand* b = bands->VisibleRootItems(last);
  while (b && b != this && b->ChildVisibleBandCount() > 0) b = b->ChildVisibleBands(b->ChildVisibleBandCount() - 1);
  return b == this && bands->LastVisible() == this;
}

void TvxTreeListBand::RefreshLists() {
  FChildVisibleBands.clear();
  FBandRows->Refresh();
  if (TvxCustomTreeList* tl = TreeList()) {
    auto& all = tl->FVisibleColumns;
    for (TvxTreeListColumn* c : FVisibleColumns)
      if (std::find(all.begin(), all.end(), c) == all.end()) all.push_back(c);
  }
  for (TvxTreeListBand* child : FChildBands)
    if (child->Visible()) FChildVisibleBands.push_back(child);
}

void TvxTreeListBand::CalculateLineCount(Integer ATotal) {
  FLineCount = ATotal - Level();
  for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand()) p->FLineCount = ATotal - p->Level();
}

Integer TvxTreeListBand::GetMinWidth() {
  Integer r = std::max(FMinWidth, FBandRows->RowMinWidth());
  Integer children = 0;
  for (TvxTreeListBand* child : FChildVisibleBands) children += child->GetMinWidth();
  return std::max(r, children);
}

Integer TvxTreeListBand::DisplayWidth() {
  RefreshLists();
  if (FCalculatedWidth == 0) {
    Integer w = FWidth;
    if (w == 0) {
      w = FBandRows->RowMaxWidth();
      if (!FChildVisibleBands.empty()) {
        Integer sum = 0;
        for (TvxTreeListBand* child : FChildVisibleBands) sum += child->DisplayWidth();
        w = std::max(w, sum);
      }
      if (w == 0) w = std::max(FMinWidth, 100);
    }
    FCalculatedWidth = w;
  }
  return std::max(FCalculatedWidth, FBandRows->RowMinWidth());
}

void TvxTreeListBand::SetWidth(Integer Value) {
  if (Value < 0) return;
  if (Value > 0) Value = std::max(Value, GetMinWidth());
  if (Value == FWidth) return;
  FWidth = Value;
  FCalculatedWidth = Value;
  UpdateContentWidths();
  if (ActuallyVisible())
    if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

void TvxTreeListBand::SetDisplayWidth(Integer Value) {
  TvxCustomTreeList* tl = TreeList();
  if (!tl) return SetWidth(Value);
  // The bands beside it keep what they show, so only this band takes the difference.
  auto freeze = [&] {
    auto keep = [](const std::vector<TvxTreeListBand*>& AList) {
      for (TvxTreeListBand* b : AList) b->FWidth = b->DisplayWidth();
    };
    for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand())
      if (p->FWidth != 0) {
        keep(ParentBand()->FChildVisibleBands);
        break;
      }
    if (tl->OptionsView()->ColumnAutoWidth()) {
      for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand()) keep(p->FChildVisibleBands);
      keep(Bands()->FVisibleRootItems);
    }
  };
  {
    TvxTreeListUpdateScope lock(tl);
    freeze();
    TValueScope<TvxTreeListBand*> forcing(tl->ForcingWidthBand, this);
    SetWidth(Value);
    Bands()->CalculateAutoWidth();
    freeze();
  }
  if (tl->OnBandSizeChanged) tl->OnBandSizeChanged(tl, this);
}

void TvxTreeListBand::SetMinWidth(Integer Value) {
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  StructureChanged();
}

void TvxTreeListBand::SetExpandable(TvxTreeListBandExpandable Value) {
  if (Value == FExpandable) return;
  FExpandable = Value;
  StructureChanged();
}

void TvxTreeListBand::SetVisible(bool Value) {
  if (Value == FVisible) return;
  if (TvxCustomTreeList* tl = TreeList()) tl->ClearCalculatedWidths();
  FVisible = Value;
  StructureChanged();
}

void TvxTreeListBand::SetFixedKind(TvxTreeListBandFixedKind Value) {
  if (Value == FFixedKind) return;
  TvxCustomTreeList* tl = TreeList();
  auto apply = [&] {
    FFixedKind = Value;
    for (TvxTreeListBand* child : std::vector<TvxTreeListBand*>(FChildBands)) child->SetFixedKind(Value);
    if (!IsRoot() && ParentBand()->FixedKind() != Value) FPosition->SetBandIndex(-1);
  };
  if (tl) {
    TvxTreeListUpdateScope lock(tl);
    apply();
    StructureChanged();
  } else {
    apply();
  }
}

bool TvxTreeListBand::CanMoving() const {
  TvxCustomTreeList* tl = TreeList();
  return tl && FOptions->Moving && tl->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::BandMoving);
}

bool TvxTreeListBand::CanSizing(TvxTreeListSizingDirection ADirection) const {
  TvxCustomTreeList* tl = TreeList();
  if (!tl) return false;
  using C = TvxTreeListOptionsCustomizing;
  if (ADirection == tlsdHorz) return tl->OptionsCustomizing()->Get(C::BandHorzSizing) && FOptions->Sizing();
  return FOptions->VertSizing() && tl->OptionsCustomizing()->Get(C::BandVertSizing) && IsBottom();
}

void TvxTreeListBand::RestoreDefaults() {
  TvxTreeListUpdateScope lock(TreeList());
  FOptions->RestoreDefaults();
  RestoreWidths();
}

void TvxTreeListBand::RestoreWidths() {
  FMinWidth = 20;
  SetWidth(0);
}

bool TvxTreeListBand::IsFixedForAutoWidth() const {
  if (!FOptions->Sizing()) return true;
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListBand* f = tl ? tl->ForcingWidthBand : nullptr;
  if (f == this) return true;
  if (f && !f->IsLastAsChild() && f->ParentBand() == ParentBand() &&
      FPosition->VisibleColIndex() < f->Position()->VisibleColIndex())
    return true;
  if (TvxTreeListColumn* c = tl ? tl->ForcingWidthColumn : nullptr)
    if (TvxTreeListBand* b = c->Position()->Band()) {
      for (; b; b = b->ParentBand())
        if (b->FWidth != 0) return b == this;
    }
  return false;
}

void TvxTreeListBand::UpdateContentWidths() {
  FBandRows->Refresh();
  if (FVisibleColumns.empty()) {
    if (!FChildVisibleBands.empty()) Bands()->CalculateAutoWidth(&FChildVisibleBands, DisplayWidth());
    return;
  }
  Integer available = DisplayWidth();
  for (Integer r = 0; r < FBandRows->VisibleItemCount(); ++r) {
    TvxTreeListBandRow* row = FBandRows->VisibleItems(r);
    TvxAutoWidthObject autoWidth(row->VisibleItemCount());
    autoWidth.SetAvailableWidth(available);
    for (Integer i = 0; i < row->VisibleItemCount(); ++i) row->VisibleItems(i)->InitAutoWidthItem(autoWidth.AddItem());
    autoWidth.Calculate();
    for (Integer i = 0; i < row->VisibleItemCount(); ++i)
      row->VisibleItems(i)->FCalculatedWidth = autoWidth.GetItem(i)->AutoWidth;
  }
}

// --- Band collection -------------------------------------------------------------------------

TvxTreeListBands::TvxTreeListBands(TvxCustomTreeList* ATreeList)
    : TOwnedCollection(ATreeList, TvxTreeListBand::StaticClass()), FTreeList(ATreeList) {}

TvxTreeListBand* TvxTreeListBands::Add() {
  BeginUpdate();
  TvxTreeListBand* band = nullptr;
  try {
    band = static_cast<TvxTreeListBand*>(TCollection::Add());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return band;
}

void TvxTreeListBands::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListBands*>(Source);
  if (!src) return inherited::Assign(Source);
  TvxTreeListUpdateScope lock(FTreeList);
  for (Integer i = 0; i < FTreeList->ColumnCount(); ++i)
    if (TvxTreeListColumn* c = FTreeList->Columns(i)) c->Position()->StoreWishes();
  Clear();
  for (Integer i = 0; i < src->Count(); ++i) Add()->Assign(src->Items(i));
  for (Integer i = 0; i < Count(); ++i) Items(i)->Position()->ApplyWishes();
  for (Integer i = 0; i < FTreeList->ColumnCount(); ++i)
    if (TvxTreeListColumn* c = FTreeList->Columns(i)) c->Position()->ApplyWishes();
}

void TvxTreeListBands::RestoreDefaults() {
  TvxTreeListUpdateScope lock(FTreeList);
  for (Integer i = 0; i < Count(); ++i) Items(i)->RestoreDefaults();
}

void TvxTreeListBands::RestoreWidths() {
  TvxTreeListUpdateScope lock(FTreeList);
  for (Integer i = 0; i < Count(); ++i) Items(i)->RestoreWidths();
}

Integer TvxTreeListBands::VisibleIndexOf(const TvxTreeListBand* ABand) const {
  auto it = std::find(FVisibleItems.begin(), FVisibleItems.end(), ABand);
  return it == FVisibleItems.end() ? -1 : static_cast<Integer>(it - FVisibleItems.begin());
}

void TvxTreeListBands::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  inherited::Notify(Item, Action);
  if (Action == cnExtracting)
    if (auto* band = dynamic_cast<TvxTreeListBand*>(Item)) band->DetachFromStructure();
}

void TvxTreeListBands::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  if (!FTreeList->Destroying()) FTreeList->LayoutChanged();
}

void TvxTreeListBands::RebuildLists() {
  FRootItems.clear();
  FBottomItems.clear();
  FVisibleItems.clear();
  FVisibleRootItems.clear();
  FTreeList->FVisibleColumns.clear();
  FLineCount = FColumnsLineCount = 0;
  FVisibleLeftFixedCount = FVisibleRightFixedCount = FVisibleRootLeftFixedCount = FVisibleRootRightFixedCount = 0;
  FExpandableBand = nullptr;
  for (Integer i = 0; i < Count(); ++i) {
    TvxTreeListBand* b = Items(i);
    b->FLineCount = 0;
    if (!b->IsRoot()) continue;
    FRootItems.push_back(b);
    if (!b->ActuallyVisible()) continue;
    FVisibleRootItems.push_back(b);
    if (b->FixedKind() == tlbfLeft) ++FVisibleRootLeftFixedCount;
    if (b->FixedKind() == tlbfRight) ++FVisibleRootRightFixedCount;
  }
  auto byFixedKind = [](TvxTreeListBand* a, TvxTreeListBand* b) {
    return vxCompareVisibleBands({a->FixedKind(), a->Index()}, {b->FixedKind(), b->Index()}) < 0;
  };
  std::stable_sort(FVisibleRootItems.begin(), FVisibleRootItems.end(), byFixedKind);
  std::function<void(TvxTreeListBand*, Integer)> walk = [&](TvxTreeListBand* b, Integer level) {
    if (!b->Visible()) return;
    FVisibleItems.push_back(b);
    if (b->FixedKind() == tlbfLeft) ++FVisibleLeftFixedCount;
    if (b->FixedKind() == tlbfRight) ++FVisibleRightFixedCount;
    bool hasVisibleChild = false;
    for (TvxTreeListBand* child : b->FChildBands) hasVisibleChild = hasVisibleChild || child->Visible();
    if (!hasVisibleChild) {
      FBottomItems.push_back(b);
      FLineCount = std::max(FLineCount, level + 1);
    }
    for (TvxTreeListBand* child : b->FChildBands) walk(child, level + 1);
  };
  for (TvxTreeListBand* b : FVisibleRootItems) walk(b, 0);
  std::stable_sort(FVisibleItems.begin(), FVisibleItems.end(), byFixedKind);
  FColumnsLineCount = FBottomItems.empty() ? 0 : 1;
  for (TvxTreeListBand* b : FBottomItems) {
    b->CalculateLineCount(FLineCount);
    b->RefreshLists();
    FColumnsLineCount = std::max(FColumnsLineCount, b->BandRows()->LineCount());
    if (b->FixedKind() == tlbfRight) continue;
    if (!FExpandableBand || (b->FixedKind() == tlbfLeft && FExpandableBand->FixedKind() != tlbfLeft))
      FExpandableBand = b;
  }
  for (Integer i = 0; i < Count(); ++i)
    if (!Items(i)->IsBottom()) Items(i)->RefreshLists();
  if (FExpandableBand && (FTreeList->OptionsView()->IsCategorized() || FTreeList->Preview()->Active()))
    FExpandableBand = FBottomItems.front();
}

void TvxTreeListBands::CalculateAutoWidth(const std::vector<TvxTreeListBand*>* AList, Integer AAvailableWidth) {
  std::vector<TvxTreeListBand*> list;
  bool roots = !AList;
  if (roots) {
    AAvailableWidth = FTreeList->GetBandAreaWidth();
    for (Integer i = 0; i < Count(); ++i) Items(i)->FCalculatedWidth = 0;
    RebuildLists();
    list = FVisibleRootItems;
  } else {
    list = *AList;
  }
  if (list.empty()) return;
  for (TvxTreeListBand* b : list) b->UpdateContentWidths();
  if (!roots || FTreeList->OptionsView()->ColumnAutoWidth()) {
    TvxAutoWidthObject autoWidth(static_cast<Integer>(list.size()));
    autoWidth.SetAvailableWidth(AAvailableWidth);
    for (TvxTreeListBand* b : list) {
      TvxAutoWidthItem* item = autoWidth.AddItem();
      item->Width = b->FWidth != 0 ? b->FWidth : b->DisplayWidth();
      item->Fixed = b->IsFixedForAutoWidth();
      item->MinWidth = std::max(b->FMinWidth, b->BandRows()->RowMinWidth());
      item->Width = std::max(item->Width, b->IndentWidth() + item->MinWidth);
      if (item->Fixed) item->MinWidth = item->Width;
      item->AutoWidth = -1;
    }
    autoWidth.Calculate();
    for (size_t i = 0; i < list.size(); ++i) {
      list[i]->FCalculatedWidth = autoWidth.GetItem(static_cast<Integer>(i))->AutoWidth;
      list[i]->UpdateContentWidths();
    }
  }
}

// --- View options and preview ----------------------------------------------------------------

TvxCustomTreeList* TvxTreeListOptionsView::TreeList() const { return static_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListOptionsView::Changed() {
  if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

void TvxTreeListOptionsView::SetImagesField(bool& AField, bool Value) {
  if (AField == Value) return;
  AField = Value;
  if (TvxCustomTreeList* tl = TreeList()) tl->AddChanges({tcImages});
  Changed();
}

void TvxTreeListOptionsView::SetBandLineHeight(Integer Value) {
  if (Value < 0 || Value == FBandLineHeight) return;
  FBandLineHeight = Value;
  if (FBands) Changed();
}

void TvxTreeListOptionsView::SetFixedSeparatorWidth(Integer Value) {
  if (Value < 0) return;
  SetField(FFixedSeparatorWidth, Value);
}

void TvxTreeListOptionsView::SetGridLineColor(TColor Value) {
  if (Value == FGridLineColor) return;
  FGridLineColor = Value;
  if (FGridLines != tlglNone) Changed();
}

void TvxTreeListOptionsView::SetGroupFooters(TvxTreeListGroupFootersMode Value) {
  if (Value == FGroupFooters) return;
  FGroupFooters = Value;
  if (TvxCustomTreeList* tl = TreeList()) tl->AddChanges({tcStructure});
  Changed();
}

void TvxTreeListOptionsView::SetIndicatorWidth(Integer Value) {
  if (Value < 0 || Value == FIndicatorWidth) return;
  FIndicatorWidth = Value;
  if (FIndicator) Changed();
}

TvxTreeListColumn* TvxTreeListOptionsView::GetCategorizedColumn() const {
  if (FCategorizedColumn) return FCategorizedColumn;
  TvxCustomTreeList* tl = TreeList();
  return tl && tl->VisibleColumnCount() > 0 ? tl->VisibleColumns(0) : nullptr;
}

bool TvxTreeListOptionsView::IsIndicatorVisible() const {
  TvxTreeListOptionsCustomizing* c = TreeList()->OptionsCustomizing();
  using O = TvxTreeListOptionsCustomizing;
  return FIndicator || (c->Get(O::BandsQuickCustomization) && c->Get(O::BandCustomizing)) ||
         (c->Get(O::ColumnsQuickCustomization) && c->Get(O::ColumnCustomizing));
}

void TvxTreeListOptionsView::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListOptionsView*>(Source);
  if (!src) return inherited::Assign(Source);
  FCategorizedColumn = src->FCategorizedColumn && TreeList()
                           ? TreeList()->Columns(src->FCategorizedColumn->ItemIndex())
                           : nullptr;
  FBandLineHeight = src->FBandLineHeight;
  FBands = src->FBands;
  FButtons = src->FButtons;
  FColumnAutoWidth = src->FColumnAutoWidth;
  FCheckGroups = src->FCheckGroups;
  DropArrowColor = src->DropArrowColor;
  DropNodeIndicator = src->DropNodeIndicator;
  FDynamicIndent = src->FDynamicIndent;
  FDynamicFocusedStateImages = src->FDynamicFocusedStateImages;
  FExtPaintStyle = src->FExtPaintStyle;
  FFixedSeparatorColor = src->FFixedSeparatorColor;
  FFixedSeparatorWidth = src->FFixedSeparatorWidth;
  FFocusRect = src->FFocusRect;
  FFooter = src->FFooter;
  FGridLineColor = src->FGridLineColor;
  FGridLines = src->FGridLines;
  FGroupFooters = src->FGroupFooters;
  FHeaderAutoHeight = src->FHeaderAutoHeight;
  FHeaders = src->FHeaders;
  FIndicator = src->FIndicator;
  FIndicatorWidth = src->FIndicatorWidth;
  FPaintStyle = src->FPaintStyle;
  FShowRoot = src->FShowRoot;
  FSimpleCustomizeBox = src->FSimpleCustomizeBox;
  FTreeLineColor = src->FTreeLineColor;
  FTreeLineStyle = src->FTreeLineStyle;
  FUseImageIndexForSelected = src->FUseImageIndexForSelected;
  FUseNodeColorForIndent = src->FUseNodeColorForIndent;
  FCellAutoHeight = src->FCellAutoHeight;
  FCellEndEllipsis = src->FCellEndEllipsis;
  FCellTextMaxLineCount = src->FCellTextMaxLineCount;
  FScrollBars = src->FScrollBars;
}

void TvxTreeListOptionsView::RestoreDefaults() {
  TvxTreeListOptionsView d(nullptr);
  TvxTreeListColumn* categorized = FCategorizedColumn;
  bool dropNodeIndicator = DropNodeIndicator, focusRect = FFocusRect;
  bool cellAutoHeight = FCellAutoHeight, cellEndEllipsis = FCellEndEllipsis;
  Integer cellTextMaxLineCount = FCellTextMaxLineCount;
  TScrollStyle scrollBars = FScrollBars;
  Assign(&d);
  FCategorizedColumn = categorized;
  DropNodeIndicator = dropNodeIndicator;
  FFocusRect = focusRect;
  FCellAutoHeight = cellAutoHeight;
  FCellEndEllipsis = cellEndEllipsis;
  FCellTextMaxLineCount = cellTextMaxLineCount;
  FScrollBars = scrollBars;
  Changed();
}

TvxCustomTreeList* TvxTreeListPreview::TreeList() const { return static_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListPreview::Changed() {
  if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

bool TvxTreeListPreview::Active() const {
  TvxCustomTreeList* tl = TreeList();
  return FVisible && FColumn && tl && tl->VisibleColumnCount() > 0 && (FMaxLineCount != 0 || FAutoHeight);
}

void TvxTreeListPreview::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListPreview*>(Source);
  if (!src) return inherited::Assign(Source);
  SetAutoHeight(src->AutoHeight());
  if (src->Column() && TreeList()) SetColumn(TreeList()->Columns(src->Column()->ItemIndex()));
  SetLeftIndent(src->LeftIndent());
  SetMaxLineCount(src->MaxLineCount());
  SetPlace(src->Place());
  SetRightIndent(src->RightIndent());
  SetVisible(src->Visible());
}

// --- The owner --------------------------------------------------------------------------

TvxTreeListUpdateScope::~TvxTreeListUpdateScope() noexcept(false) {
  if (std::uncaught_exceptions() <= FUncaught) {
    FTreeList->EndUpdate();
    return;
  }
  // Another exception is already leaving the block: that one travels on, and a second
  // failure while the batch is processed is dropped rather than ending the program.
  try {
    FTreeList->EndUpdate();
  } catch (...) {  // see above
  }
}

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
      FBands(std::make_unique<TvxTreeListBands>(this)) {
  FChanges = {tcStructure};
  FImagesLink.OnChange = [this](TObject*) { ImageListChanged(); };
  FStateImagesLink.OnChange = [this](TObject*) { ImageListChanged(); };
}

TvxCustomTreeList::~TvxCustomTreeList() {
  FDestroying = true;
  FLockCount = 1;  // nothing is processed while the tree goes
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
    ANode->FData = AData;
    FireDataChanged();
    LayoutChanged();
  }
  return ANode;
}

TvxTreeListNode* TvxCustomTreeList::Add(TvxTreeListNode* AParent, Pointer AData) {
  return AddNode(nullptr, AParent, tlamAddChild, AData);
}

void TvxCustomTreeList::MoveNode(TvxTreeListNode* ANode, TvxTreeListNodeAttachMode AMode, TvxTreeListNode* ADest) {
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
  if (--FLockCount > 0 || FDestroying) return;
  ProcessChanges();
  if (FLockCount == 0) LayoutChanged();
}

void TvxCustomTreeList::LayoutChanged() {
  if (FDestroying) return;
  if (IsUpdating()) {
    FLayoutPending = true;
    return;
  }
  // With a window the editing control runs the relayout (view info, scroll bars, repaint);
  // a bare model relays out its lists and widths only.
  if (FCollaboratorsCreated && HandleAllocated() && !IsLoading()) TvxEditingControl::LayoutChanged();
  else DoLayoutChanged();
}

void TvxCustomTreeList::DoLayoutChanged() {
  FLayoutPending = false;
  FIsCancelOperation = false;
  ProcessChanges();
  bool view = FCollaboratorsCreated && HandleAllocated();
  if (view) ViewLayoutStarting();
  FBands->RebuildLists();
  FBands->CalculateAutoWidth();
  SortVisibleColumns();
  if (view) TvxExtEditingControl::DoLayoutChanged();
  if (OnLayoutChanged) OnLayoutChanged(this);
}

void TvxCustomTreeList::ProcessChanges() {
  if (FChanges.Empty() || FChangesLocked || FDestroying || IsLoading() || IsViewCalculating()) return;
  BeginUpdate();
  FChangesLocked = true;
  // A failing step (usually an event handler) must not leave the control locked for
  // good: the batch is emptied, the change lock and the update lock taken above are
  // released without a relayout, and the exception travels on.
  struct TFailureScope {
    TvxCustomTreeList* Owner;
    bool Done = false;
    ~TFailureScope() {
      if (Done) return;
      Owner->FChanges.Clear();
      Owner->FChangesLocked = false;
      Owner->CancelUpdate();
    }
  } failure{this};
  TvxTreeListChanges saved = FChanges;
  CheckPainterSize();
  if (FChanges.Contains(tcSortOrder)) FChanges += TvxTreeListChanges{tcData};
  if (FChanges.Contains(tcData)) SortNodesIfNeeded();
  if (FChanges.Contains(tcStructure) || FDataController->NodesCount() != static_cast<Integer>(FAbsoluteItems.size()))
    RebuildNodeLists();
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
  failure.Done = true;
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
  LayoutChanged();
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

Integer TvxCustomTreeList::SelectionCount() const {
  if (FOptionsSelection->MultiSelect || !FFocusedNode) return static_cast<Integer>(FSelection.size());
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
  if (FSelection.empty()) return;
  FSelection.clear();
  AddChanges({tcSelection});
}

TvxTreeListNode* TvxCustomTreeList::GetSelections(std::vector<TvxTreeListNode*>& AList) {
  AList.clear();
  if (FOptionsSelection->MultiSelect)
    AList = FSelection;
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
  ViewNodeRemoved(ANode);
  FDataController->FreeNodeRecord(ANode);
  std::erase(FSelection, ANode);
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
    const bool saved = FLockImageIndexChanges;
    FLockImageIndexChanges = true;
    struct TRestore {
      bool& Flag;
      bool Saved;
      ~TRestore() { Flag = Saved; }
    } restore{FLockImageIndexChanges, saved};
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
  for (auto& info : FLevelsInfo) {
    if (!info) info = std::make_unique<TvxTreeListLevelInfo>(this);
    info->Images = FImages;
    info->StateImages = FStateImages;
    // The step widens to the image (unless each level's indent follows its own images) and
    // the rows grow to the images (unless each row takes its own height).
    if (FImages && !FOptionsView->DynamicIndent()) indent.cx = std::max<Integer>(indent.cx, FImages->Width() + 3);
    if (!FOptionsView->CellAutoHeight()) {
      if (FImages) indent.cy = std::max<Integer>(indent.cy, FImages->Height() + 3);
      if (FStateImages) indent.cy = std::max<Integer>(indent.cy, FStateImages->Height() + 3);
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
  std::erase(FSortedColumns, AColumn);
  if (FFocusedColumn == AColumn) FFocusedColumn = nullptr;
  if (FPreview->Column() == AColumn) FPreview->SetColumn(nullptr);
  if (FOptionsView->CategorizedColumn() == AColumn) FOptionsView->SetCategorizedColumn(nullptr);
  // Summary items that summed the column sum their own columns again.
  for (TvxTreeListColumn* c : FColumns)
    for (TvxTreeListSummaryItems* items : {c->Summary()->FooterSummaryItems(), c->Summary()->GroupFooterSummaryItems()})
      for (Integer i = 0; i < items->Count(); ++i)
        if (items->Items(i)->FCalculatedColumn == AColumn) items->Items(i)->SetCalculatedColumn(nullptr);
  if (!FDestroying) {
    FDataController->RemoveItem(index);
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

void TvxCustomTreeList::SortVisibleColumns() {
  // Left-fixed bands, unfixed, right-fixed; then band visible index, row, place in row.
  struct TKey {
    Integer Fixed, Band, Row, Col;
  };
  auto key = [this](TvxTreeListColumn* c) {
    static const Integer Order[] = {1, 0, 2};
    TvxTreeListBand* b = c->Position()->Band();
    TvxTreeListBandRow* r = c->Position()->Row();
    return TKey{b ? Order[b->FixedKind()] : 3, b ? FBands->VisibleIndexOf(b) : 0, r ? r->Index() : 0,
                r ? r->IndexOf(c) : 0};
  };
  std::stable_sort(FVisibleColumns.begin(), FVisibleColumns.end(), [&](TvxTreeListColumn* a, TvxTreeListColumn* b) {
    TKey ka = key(a), kb = key(b);
    return std::tie(ka.Fixed, ka.Band, ka.Row, ka.Col) < std::tie(kb.Fixed, kb.Band, kb.Row, kb.Col);
  });
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

namespace {

// Bits that describe an operation in progress, never a stored state.
const TvxTreeListNodeStates TransientNodeStates = {nsDeleting, nsValidIndexes, nsInternalDelete, nsEditing,
                                                   nsInserting};

void WriteNodeState(TStream* AStream, TvxTreeListNode* ANode) {
  TvxTreeListNodeStates state = ANode->State - TransientNodeStates;
  if (ANode->Count() > 0) state.Include(nsHasChildren);
  if (!ANode->CheckInfo.Empty())
    state.Include(nsCheck);
  else
    state.Exclude(nsCheck);
  auto bits = static_cast<Word>(state.ToInt());
  AStream->WriteBuffer(&bits, 2);
  if (state.Contains(nsCheck)) {
    auto check = static_cast<Byte>(ANode->CheckInfo.ToInt());
    AStream->WriteBuffer(&check, 1);
  }
  if (state.Contains(nsHeightAssigned)) {
    Integer h = ANode->Height();
    AStream->WriteBuffer(&h, 4);
  }
  if (state.Contains(nsHasChildren)) {
    Integer n = ANode->Count();
    AStream->WriteBuffer(&n, 4);
  }
}

template <class T>
T ReadBlockValue(TStream* AStream) {
  T v{};
  if (AStream->Read(&v, sizeof(T)) != static_cast<Integer>(sizeof(T))) InvalidTreeStream();
  return v;
}

// What one stored node part holds.
struct TStoredNodeState {
  TvxTreeListNodeStates State;
  TvxTreeListNodeCheckInfos CheckInfo;
  Integer Height = 0;
  Integer Count = 0;
};

TStoredNodeState ReadNodeState(TStream* AStream, Integer AVersion) {
  TStoredNodeState r;
  if (AVersion == 4) {
    // The older state set: bit 2 announced children, bit 4 a collapsed node.
    auto old = static_cast<Cardinal>(ReadBlockValue<Integer>(AStream));
    if (old & 0x04) r.State.Include(nsHasChildren);
    if (old & 0x10) r.State.Include(nsCollapsed);
  } else {
    r.State = TvxTreeListNodeStates::FromInt(ReadBlockValue<Word>(AStream)) - TransientNodeStates;
  }
  if (r.State.Contains(nsCheck)) r.CheckInfo = TvxTreeListNodeCheckInfos::FromInt(ReadBlockValue<Byte>(AStream));
  if (r.State.Contains(nsHeightAssigned)) {
    r.Height = ReadBlockValue<Integer>(AStream);
    if (r.Height < 0) InvalidTreeStream();
  }
  if (r.State.Contains(nsHasChildren)) {
    r.Count = ReadBlockValue<Integer>(AStream);
    if (r.Count < 0) InvalidTreeStream();
  }
  return r;
}

}  // namespace

void TvxTreeList::SaveToStream(TStream* AStream) { WriteStoredData(AStream); }
void TvxTreeList::LoadFromStream(TStream* AStream) { ReadStoredData(AStream); }

void TvxTreeList::SaveToFile(const String& AFileName) {
  TFileStream stream(AFileName, fmCreate);
  SaveToStream(&stream);
}

void TvxTreeList::LoadFromFile(const String& AFileName) {
  TFileStream stream(AFileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(&stream);
}

void TvxTreeList::WriteStoredData(TStream* AStream) {
  ProcessChanges();
  // The block starts at the stream's position; its length field makes it readable from
  // inside a larger stream.
  Int64 start = AStream->Position();
  Integer header[2] = {StreamVersion << 16, 0};
  AStream->WriteBuffer(header, 8);
  TvxDataStorage* storage = FDataController->Storage();
  Integer base = storage->RecordCount();
  // The records move into the storage's list for the write and back afterwards; the
  // nodes keep their buffers, and a node's stored record index is its place in the list.
  TvxDataStorageHelper::SetRecordsCapacity(storage, base + static_cast<Integer>(FAbsoluteItems.size()));
  Integer moved = 0;
  auto rebind = [&] {
    for (Integer i = moved - 1; i >= 0; --i) FAbsoluteItems[i]->FHandle = TvxDataStorageHelper::RemoveRecord(storage, base + i);
  };
  try {
    for (TvxTreeListNode* n : FAbsoluteItems) {
      TvxDataStorageHelper::AppendRecord(storage, n->FHandle);
      ++moved;
    }
    FDataController->SaveToStream(AStream);
    Integer rootCount = FRoot->Count();
    AStream->WriteBuffer(&rootCount, 4);
    for (Integer i = 0; i < static_cast<Integer>(FAbsoluteItems.size()); ++i) {
      TvxTreeListNode* n = FAbsoluteItems[i];
      Integer record = base + i;
      AStream->WriteBuffer(&record, 4);
      WriteNodeState(AStream, n);
      for (Integer k = 0; k < 5; ++k) {
        Integer image = n->FImageIndexes[k];
        AStream->WriteBuffer(&image, 4);
      }
    }
    WriteNodeState(AStream, FRoot.get());
  } catch (...) {
    rebind();
    throw;
  }
  rebind();
  Int64 end = AStream->Position();
  auto length = static_cast<Integer>(end - start);
  AStream->SetPosition(start + 4);
  AStream->WriteBuffer(&length, 4);
  AStream->SetPosition(end);
}

void TvxTreeList::ReadStoredData(TStream* AStream) {
  Int64 start = AStream->Position();
  Integer header[2] = {0, 0};
  if (AStream->Read(header, 8) != 8) InvalidTreeStream();
  // The length field must name a block that lies inside the stream; this is checked
  // before anything changes, so a foreign stream leaves the nodes alone.
  Integer length = header[1];
  if (length < 8 || start + length > AStream->Size()) {
    AStream->SetPosition(start);
    InvalidTreeStream();
  }
  Integer version = static_cast<Integer>(static_cast<Cardinal>(header[0]) >> 16);
  // The block is read from a copy of its own, so nothing beyond its end is ever read.
  TMemoryStream block;
  block.CopyFrom(AStream, length - 8);
  block.SetPosition(0);
  {
    TvxTreeListUpdateScope lock(this);
    DeleteAllNodes();
    try {
      FDataController->LoadFromStream(&block);
      ReadNodes(&block, block.Size(), version);
    } catch (...) {
      // Nothing half-read stays: the nodes read so far and the records loaded go.
      FDataController->Storage()->ClearRecords(true);
      DeleteAllNodes();
      throw;
    }
  }
  AStream->SetPosition(start + length);
}

void TvxTreeList::ReadNodes(TStream* AStream, Int64 AEnd, Integer AVersion) {
  Integer rootCount = ReadBlockValue<Integer>(AStream);
  if (rootCount < 0) InvalidTreeStream();
  TvxDataStorage* storage = FDataController->Storage();
  Integer recordCount = storage->RecordCount();
  // Nodes keep no record index in their record slot: the pairs wait here until every
  // node was read and checked, and only then do the nodes take their buffers.
  std::vector<std::pair<Integer, TvxTreeListNode*>> bindings;
  std::vector<bool> used(static_cast<size_t>(recordCount), false);
  if (rootCount > 0) {
    std::vector<std::pair<TvxTreeListNode*, Integer>> parents = {{FRoot.get(), rootCount}};
    while (!parents.empty()) {
      if (parents.back().second == 0) {
        parents.pop_back();
        continue;
      }
      --parents.back().second;
      TvxTreeListNode* parent = parents.back().first;
      Integer record = ReadBlockValue<Integer>(AStream);
      if (record < 0 || record >= recordCount || used[record]) InvalidTreeStream();
      used[record] = true;
      TStoredNodeState s = ReadNodeState(AStream, AVersion);
      Integer images[5] = {-1, -1, -1, -1, -1};
      Integer imageCount = AVersion == 4 ? 3 : 5;
      for (Integer k = 0; k < imageCount; ++k) images[k] = ReadBlockValue<Integer>(AStream);
      TvxTreeListNode* node = CreateNode();
      node->LinkLast(parent);
      node->FOriginalIndex = parent->FCount;
      node->State = s.State;
      if (AVersion == 4) node->State.Exclude(nsCheck);
      node->CheckInfo = s.CheckInfo;
      node->FHeight = s.Height;
      for (Integer k = 0; k < imageCount; ++k) node->FImageIndexes[k] = images[k];
      bindings.emplace_back(record, node);
      if (s.Count > 0) parents.emplace_back(node, s.Count);
    }
    if (AStream->Position() < AEnd) FRoot->CheckInfo = ReadNodeState(AStream, AVersion).CheckInfo;
  }
  // Highest indexes first, so the lower ones stay valid while records leave the list.
  std::sort(bindings.begin(), bindings.end(), [](auto& a, auto& b) { return a.first > b.first; });
  Integer withRecord = 0;
  for (auto& [record, node] : bindings) {
    node->FHandle = TvxDataStorageHelper::RemoveRecord(storage, record);
    if (node->FHandle) ++withRecord;
  }
  storage->ClearRecords(true);
  FDataController->SetAllocatedRecords(FDataController->AllocatedRecords() + withRecord);
  AddChanges({tcStructure, tcData});
}

void TvxTreeList::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeList*>(Source);
  if (!src) return inherited::Assign(Source);
  TvxTreeListUpdateScope lock(this);
  DeleteAllNodes();
  DeleteAllColumns();
  SetDefaultRowHeight(src->DefaultRowHeight());
  FBands->Assign(src->Bands());
  for (Integer i = 0; i < src->ColumnCount(); ++i) {
    TvxTreeListColumn* c = CreateColumn(nullptr);
    c->Assign(src->Columns(i));
    c->Position()->ApplyWishes();
  }
  FOptionsView->Assign(src->OptionsView());
  FPreview->Assign(src->Preview());
  TMemoryStream stream;
  src->SaveToStream(&stream);
  stream.SetPosition(0);
  LoadFromStream(&stream);
}

// --- Form streaming ---------------------------------------------------------------------------

TComponent* TvxTreeListColumn::GetParentComponent() const { return FTreeList; }

void TvxTreeListColumn::SetParentComponent(TComponent* Value) {
  SetTreeList(dynamic_cast<TvxCustomTreeList*>(Value));
}

void TvxCustomTreeList::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  // Columns made in code have no owner; they are written all the same, and come back
  // owned by the form that reads them.
  for (TvxTreeListColumn* c : std::vector<TvxTreeListColumn*>(FColumns))
    if (!c->Owner() || c->Owner() == Root) Proc(c);
}

void TvxCustomTreeList::Loaded() {
  // The lock's release processes the batch and relays out once.
  TvxTreeListUpdateScope lock(this);
  inherited::Loaded();
  // The places read were kept as wishes: bands first, then the columns in the order of
  // band, row and place in the row, so that each lands where the form had it.
  for (Integer i = 0; i < FBands->Count(); ++i) FBands->Items(i)->Position()->ApplyWishes();
  std::vector<TvxTreeListColumn*> columns(FColumns);
  auto wish = [](const TvxTreeListColumn* C) {
    const TvxTreeListColumnPosition* p = C->Position();
    return std::make_tuple(p->WishBandIndex(), p->WishRowIndex(), p->WishColIndex());
  };
  std::stable_sort(columns.begin(), columns.end(),
                   [&](TvxTreeListColumn* A, TvxTreeListColumn* B) { return wish(A) < wish(B); });
  for (TvxTreeListColumn* c : columns) {
    c->Position()->ApplyWishes();
    // A column read without a place goes to the default band, like one made in code.
    if (!c->Position()->Band()) c->Position()->SetBandIndex(DefaultBand()->Index());
  }
  RebuildSortColumns();
  ClearCalculatedWidths();
  AddChanges({tcStructure, tcData, tcColumns, tcLayout, tcSortOrder});
}

void TvxTreeList::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      L"Data",
      [this](TStream* AStream) {
        if (!ComponentState().Contains(csLoading)) return LoadFromStream(AStream);
        // While a form loads the columns are not in place yet: keep the bytes for Loaded.
        FDataStream = std::make_unique<TMemoryStream>();
        FDataStream->CopyFrom(AStream, AStream->Size() - AStream->Position());
        FDataStream->SetPosition(0);
      },
      [this](TStream* AStream) { SaveToStream(AStream); }, Root()->Count() > 0);
}

void TvxTreeList::Loaded() {
  std::unique_ptr<TMemoryStream> data = std::move(FDataStream);
  // One relayout, with the nodes in: the lock's release runs it.
  TvxTreeListUpdateScope lock(this);
  inherited::Loaded();
  if (data) LoadFromStream(data.get());
}

void TvxTreeListCaption::DeclarePublished(TPublisher<TvxTreeListCaption>& P) {
  using C = TvxTreeListCaption;
  P.Property(L"AlignHorz", &C::AlignHorz, &C::SetAlignHorz).Default(taLeftJustify);
  P.Property(L"AlignVert", &C::AlignVert, &C::SetAlignVert).Default(vaTop);
  P.Property(L"Glyph", &C::Glyph, &C::SetGlyph).Stored([](C* c) { return !c->GlyphEmpty(); });
  P.Property(L"GlyphAlignHorz", &C::GlyphAlignHorz, &C::SetGlyphAlignHorz).Default(taLeftJustify);
  P.Property(L"GlyphAlignVert", &C::GlyphAlignVert, &C::SetGlyphAlignVert).Default(vaTop);
  P.Property(L"MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false);
  P.Property(L"ShowEndEllipsis", &C::ShowEndEllipsis, &C::SetShowEndEllipsis).Default(true);
  P.Property(L"Text", &C::Text, &C::SetText).Stored(&C::IsTextStored);
}

namespace {
// A published option of an option set kept as an array of flags.
template <class C, class O>
void PublishOption(TPublisher<C>& P, const String& AName, O AOption, bool ADefault) {
  P.Property(
       AName, [AOption](C* c) { return c->Get(AOption); }, [AOption](C* c, bool v) { c->Set(AOption, v); })
      .Default(ADefault);
}
}  // namespace

void TvxTreeListColumnOptions::DeclarePublished(TPublisher<TvxTreeListColumnOptions>& P) {
  using C = TvxTreeListColumnOptions;
  static const struct {
    const wchar_t* Name;
    TOption Option;
    bool Default;
  } options[] = {
      {L"CellEndEllipsis", CellEndEllipsis, true}, {L"Customizing", Customizing, true},
      {L"Editing", Editing, true},                 {L"Focusing", Focusing, true},
      {L"Footer", Footer, true},                   {L"GroupFooter", GroupFooter, true},
      {L"Hidden", Hidden, false},                  {L"IncSearch", IncSearch, true},
      {L"Moving", Moving, true},                   {L"ShowEditButtons", ShowEditButtons, false},
      {L"Sizing", Sizing, true},                   {L"Sorting", Sorting, true},
      {L"TabStop", TabStop, true},                 {L"VertSizing", VertSizing, true},
  };
  for (const auto& o : options) PublishOption<C>(P, o.Name, o.Option, o.Default);
}

void TvxTreeListColumnPosition::DeclarePublished(TPublisher<TvxTreeListColumnPosition>& P) {
  using C = TvxTreeListColumnPosition;
  P.Property(L"ColIndex", &C::ColIndex, &C::SetColIndex).NoDefault();
  P.Property(L"LineCount", &C::LineCount, &C::SetLineCount).Default(1);
  P.Property(L"RowIndex", &C::RowIndex, &C::SetRowIndex).NoDefault();
  P.Property(L"BandIndex", &C::BandIndex, &C::SetBandIndex).NoDefault();
}

void TvxTreeListColumn::DeclarePublished(TPublisher<TvxTreeListColumn>& P) {
  using C = TvxTreeListColumn;
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property(L"BestFitMaxWidth", &C::BestFitMaxWidth, &C::SetBestFitMaxWidth).Default(0);
  P.Property(L"Caption", &C::Caption);
  P.Property(L"DataBinding", &C::DataBinding);
  P.Property(L"MinWidth", &C::MinWidth, &C::SetMinWidth).Default(20);
  P.Property(L"Options", &C::Options);
  P.Property(L"Width", &C::Width, &C::SetWidth).Stored([](C* c) { return c->FWidth != 0; });
  P.Property(L"Position", &C::Position);
  P.Property(L"SortOrder", &C::SortOrder, &C::SetSortOrder).Default(soNone);
  P.Property(L"SortIndex", &C::SortIndex, &C::SetSortIndex).Default(-1);
  P.Property(L"StatusHint", &C::StatusHint);
  P.Property(L"OnGetDisplayText", &C::OnGetDisplayText);
}

void TvxTreeListBandOptions::DeclarePublished(TPublisher<TvxTreeListBandOptions>& P) {
  using C = TvxTreeListBandOptions;
  P.Property(L"Customizing", &C::Customizing).Default(true);
  P.Property(L"Hidden", &C::Hidden).Default(false);
  P.Property(L"Moving", &C::Moving).Default(true);
  P.Property(L"OnlyOwnColumns", &C::OnlyOwnColumns).Default(false);
  P.Property(L"Sizing", &C::Sizing, &C::SetSizing).Default(true);
  P.Property(L"VertSizing", &C::VertSizing, &C::SetVertSizing).Default(true);
}

void TvxTreeListBandPosition::DeclarePublished(TPublisher<TvxTreeListBandPosition>& P) {
  using C = TvxTreeListBandPosition;
  P.Property(L"BandIndex", &C::BandIndex, &C::SetBandIndex).Default(-1);
  P.Property(L"ColIndex", &C::ColIndex, &C::SetColIndex).Stored([](C* c) { return c->FParentBand != nullptr; });
}

void TvxTreeListBand::DeclarePublished(TPublisher<TvxTreeListBand>& P) {
  using C = TvxTreeListBand;
  P.Property(L"Caption", &C::Caption);
  P.Property(L"Expandable", &C::Expandable, &C::SetExpandable).Default(tlbeDefault);
  P.Property(L"FixedKind", &C::FixedKind, &C::SetFixedKind).Default(tlbfNone);
  P.Property(L"MinWidth", &C::MinWidth, &C::SetMinWidth).Default(20);
  P.Property(L"Options", &C::Options);
  P.Property(L"Position", &C::Position);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property(L"Width", &C::Width, &C::SetWidth).Default(0);
}

void TvxTreeListOptionsBehavior::DeclarePublished(TPublisher<TvxTreeListOptionsBehavior>& P) {
  using C = TvxTreeListOptionsBehavior;
  using B = TvxControlOptionsBehavior;
  P.Property(L"AlwaysShowEditor", &B::AlwaysShowEditor, &B::SetAlwaysShowEditor).Default(false);
  P.Property(L"AutoDragCopy", &C::AutoDragCopy).Default(false);
  P.Property(L"BestFitMaxRecordCount", &C::BestFitMaxRecordCount).Default(-1);
  P.Property(L"CellHints", &B::CellHints, &B::SetCellHints).Default(false);
  P.Property(L"ChangeDelay", &C::ChangeDelay, &C::SetChangeDelay).Default(0);
  P.Property(L"ConfirmDelete", &C::ConfirmDelete).Default(true);
  P.Property(L"DragCollapse", &C::DragCollapse).Default(true);
  P.Property(L"DragExpand", &C::DragExpand).Default(true);
  P.Property(L"DragFocusing", &C::DragFocusing).Default(false);
  P.Property(L"ExpandOnDblClick", &C::ExpandOnDblClick).Default(true);
  P.Property(L"ExpandOnIncSearch", &C::ExpandOnIncSearch).Default(false);
  P.Property(L"FocusCellOnCycle", &B::FocusCellOnCycle, &B::SetFocusCellOnCycle).Default(false);
  P.Property(L"FocusFirstCellOnNewRecord", &B::FocusFirstCellOnNewRecord, &B::SetFocusFirstCellOnNewRecord)
      .Default(false);
  P.Property(L"FooterHints", &C::FooterHints, &C::SetFooterHints).Default(false);
  P.Property(L"GoToNextCellOnEnter", &B::GoToNextCellOnEnter, &B::SetGoToNextCellOnEnter).Default(false);
  P.Property(L"GoToNextCellOnTab", &B::GoToNextCellOnTab, &B::SetGoToNextCellOnTab).Default(false);
  P.Property(L"HeaderHints", &C::HeaderHints, &C::SetHeaderHints).Default(false);
  P.Property(L"HotTrack", &C::HotTrack).Default(false);
  P.Property(L"ImmediateEditor", &B::ImmediateEditor, &B::SetImmediateEditor).Default(true);
  P.Property(L"IncSearch", &B::IncSearch, &B::SetIncSearch).Default(false);
  P.Property(L"MultiSort", &C::MultiSort).Default(true);
  P.Property(L"ShowHourGlass", &C::ShowHourGlass).Default(true);
  P.Property(L"Sorting", &C::Sorting).Default(true);
  P.Property(L"WaitForExpandNodeTime", &C::WaitForExpandNodeTime).Default(500);
}

void TvxTreeListOptionsCustomizing::DeclarePublished(TPublisher<TvxTreeListOptionsCustomizing>& P) {
  using C = TvxTreeListOptionsCustomizing;
  static const struct {
    const wchar_t* Name;
    TOption Option;
  } options[] = {
      {L"BandCustomizing", BandCustomizing},
      {L"BandHiding", BandHiding},
      {L"BandHorzSizing", BandHorzSizing},
      {L"BandMoving", BandMoving},
      {L"BandsQuickCustomization", BandsQuickCustomization},
      {L"BandVertSizing", BandVertSizing},
      {L"ColumnCustomizing", ColumnCustomizing},
      {L"ColumnHiding", ColumnHiding},
      {L"ColumnHorzSizing", ColumnHorzSizing},
      {L"ColumnMoving", ColumnMoving},
      {L"ColumnsQuickCustomization", ColumnsQuickCustomization},
      {L"ColumnVertSizing", ColumnVertSizing},
      {L"DynamicSizing", DynamicSizing},
      {L"NestedBands", NestedBands},
      {L"NodeSizing", NodeSizing},
      {L"RowSizing", RowSizing},
  };
  const C defaults(nullptr);
  for (const auto& o : options) PublishOption<C>(P, o.Name, o.Option, defaults.Get(o.Option));
  P.Property(L"BandsQuickCustomizationMaxDropDownCount", &C::BandsQuickCustomizationMaxDropDownCount).Default(0);
  P.Property(L"ColumnsQuickCustomizationMaxDropDownCount", &C::ColumnsQuickCustomizationMaxDropDownCount).Default(0);
}

void TvxTreeListOptionsData::DeclarePublished(TPublisher<TvxTreeListOptionsData>& P) {
  using C = TvxTreeListOptionsData;
  using B = TvxControlOptionsData;
  P.Property(L"AnsiSort", &C::AnsiSort, &C::SetAnsiSort).Default(false);
  P.Property(L"CancelOnExit", &B::CancelOnExit, &B::SetCancelOnExit).Default(true);
  P.Property(L"CaseInsensitive", &C::CaseInsensitive, &C::SetCaseInsensitive).Default(false);
  P.Property(L"Deleting", &C::Deleting).Default(true);
  P.Property(L"Editing", &B::Editing, &B::SetEditing).Default(true);
  P.Property(L"Inserting", &C::Inserting).Default(false);
  P.Property(L"SummaryNullIgnore", &C::SummaryNullIgnore, &C::SetSummaryNullIgnore).Default(false);
}

void TvxTreeListOptionsSelection::DeclarePublished(TPublisher<TvxTreeListOptionsSelection>& P) {
  using C = TvxTreeListOptionsSelection;
  P.Property(L"CellSelect", &C::CellSelect).Default(true);
  P.Property(L"HideFocusRect", &C::HideFocusRect).Default(true);
  P.Property(L"HideSelection", &C::HideSelection).Default(false);
  P.Property(L"InvertSelect", &C::InvertSelect).Default(true);
  P.Property(L"MultiSelect", &C::MultiSelect).Default(false);
}

void TvxTreeListOptionsView::DeclarePublished(TPublisher<TvxTreeListOptionsView>& P) {
  using C = TvxTreeListOptionsView;
  P.Property(L"BandLineHeight", &C::BandLineHeight, &C::SetBandLineHeight).Default(0);
  P.Property(L"Bands", &C::Bands, &C::SetBands).Default(false);
  P.Property(L"Buttons", &C::Buttons, &C::SetButtons).Default(true);
  P.Property(L"CategorizedColumn", &C::CategorizedColumn, &C::SetCategorizedColumn);
  P.Property(L"CellAutoHeight", &C::CellAutoHeight, &C::SetCellAutoHeight).Default(false);
  P.Property(L"CellEndEllipsis", &C::CellEndEllipsis, &C::SetCellEndEllipsis).Default(false);
  P.Property(L"CellTextMaxLineCount", &C::CellTextMaxLineCount, &C::SetCellTextMaxLineCount).Default(0);
  P.Property(L"CheckGroups", &C::CheckGroups, &C::SetCheckGroups).Default(false);
  P.Property(L"ColumnAutoWidth", &C::ColumnAutoWidth, &C::SetColumnAutoWidth).Default(false);
  P.Property(L"DropArrowColor", &C::DropArrowColor).Type(TypeInfoColor()).Default(0x00FF00);
  P.Property(L"DynamicFocusedStateImages", &C::DynamicFocusedStateImages, &C::SetDynamicFocusedStateImages)
      .Default(false);
  P.Property(L"DynamicIndent", &C::DynamicIndent, &C::SetDynamicIndent).Default(false);
  P.Property(L"ExtPaintStyle", &C::ExtPaintStyle, &C::SetExtPaintStyle).Default(false);
  P.Property(L"FixedSeparatorColor", &C::FixedSeparatorColor, &C::SetFixedSeparatorColor)
      .Type(TypeInfoColor())
      .Default(clDefault);
  P.Property(L"FixedSeparatorWidth", &C::FixedSeparatorWidth, &C::SetFixedSeparatorWidth).Default(2);
  P.Property(L"Footer", &C::Footer, &C::SetFooter).Default(false);
  P.Property(L"GridLineColor", &C::GridLineColor, &C::SetGridLineColor).Type(TypeInfoColor()).Default(clDefault);
  P.Property(L"GridLines", &C::GridLines, &C::SetGridLines).Default(tlglNone);
  P.Property(L"GroupFooters", &C::GroupFooters, &C::SetGroupFooters).Default(tlgfInvisible);
  P.Property(L"HeaderAutoHeight", &C::HeaderAutoHeight, &C::SetHeaderAutoHeight).Default(false);
  P.Property(L"Headers", &C::Headers, &C::SetHeaders).Default(true);
  P.Property(L"Indicator", &C::Indicator, &C::SetIndicator).Default(false);
  P.Property(L"IndicatorWidth", &C::IndicatorWidth, &C::SetIndicatorWidth).Default(12);
  P.Property(L"PaintStyle", &C::PaintStyle, &C::SetPaintStyle).Default(tlpsStandard);
  P.Property(L"ScrollBars", &C::ScrollBars, &C::SetScrollBars).Default(ssBoth);
  P.Property(L"ShowRoot", &C::ShowRoot, &C::SetShowRoot).Default(true);
  P.Property(L"SimpleCustomizeBox", &C::SimpleCustomizeBox, &C::SetSimpleCustomizeBox).Default(false);
  P.Property(L"TreeLineColor", &C::TreeLineColor, &C::SetTreeLineColor).Type(TypeInfoColor()).Default(clDefault);
  P.Property(L"TreeLineStyle", &C::TreeLineStyle, &C::SetTreeLineStyle).Default(tllsDot);
  P.Property(L"UseImageIndexForSelected", &C::UseImageIndexForSelected, &C::SetUseImageIndexForSelected)
      .Default(true);
  P.Property(L"UseNodeColorForIndent", &C::UseNodeColorForIndent, &C::SetUseNodeColorForIndent).Default(true);
}

void TvxTreeListPreview::DeclarePublished(TPublisher<TvxTreeListPreview>& P) {
  using C = TvxTreeListPreview;
  P.Property(L"AutoHeight", &C::AutoHeight, &C::SetAutoHeight).Default(true);
  P.Property(L"Column", &C::Column, &C::SetColumn);
  P.Property(L"LeftIndent", &C::LeftIndent, &C::SetLeftIndent).Default(5);
  P.Property(L"MaxLineCount", &C::MaxLineCount, &C::SetMaxLineCount).Default(3);
  P.Property(L"Place", &C::Place, &C::SetPlace).Default(tlppBottom);
  P.Property(L"RightIndent", &C::RightIndent, &C::SetRightIndent).Default(5);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(false);
}

void TvxTreeList::DeclarePublished(TPublisher<TvxTreeList>& P) {
  using C = TvxTreeList;
  P.Property(L"Bands", &C::Bands);
  P.Property(L"DefaultRowHeight", &C::DefaultRowHeight, &C::SetDefaultRowHeight).Default(0);
  P.Property(L"LookAndFeel", &TvxControl::LookAndFeel, &TvxControl::SetLookAndFeel);
  P.Property(L"OptionsBehavior", &C::OptionsBehavior);
  P.Property(L"OptionsCustomizing", &C::OptionsCustomizing);
  P.Property(L"OptionsData", &C::OptionsData);
  P.Property(L"OptionsSelection", &C::OptionsSelection);
  P.Property(L"OptionsView", &C::OptionsView);
  P.Property(L"Preview", &C::Preview);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"OnCanFocusNode", &C::OnCanFocusNode);
  P.Property(L"OnCollapsed", &C::OnCollapsed);
  P.Property(L"OnCollapsing", &C::OnCollapsing);
  P.Property(L"OnColumnHeaderClick", &C::OnColumnHeaderClick);
  P.Property(L"OnColumnSizeChanged", &C::OnColumnSizeChanged);
  P.Property(L"OnBandSizeChanged", &C::OnBandSizeChanged);
  P.Property(L"OnCompare", &C::OnCompare);
  P.Property(L"OnDataChanged", &C::OnDataChanged);
  P.Property(L"OnDeletion", &C::OnDeletion);
  P.Property(L"OnExpanded", &C::OnExpanded);
  P.Property(L"OnExpanding", &C::OnExpanding);
  P.Property(L"OnFocusedNodeChanged", &C::OnFocusedNodeChanged);
  P.Property(L"OnLayoutChanged", &C::OnLayoutChanged);
  P.Property(L"OnNodeChanged", &C::OnNodeChanged);
  P.Property(L"OnNodeCheckChanged", &C::OnNodeCheckChanged);
  P.Property(L"OnSelectionChanged", &C::OnSelectionChanged);
  P.Property(L"OnTopRecordIndexChanged", &C::OnTopRecordIndexChanged);
}

namespace {
void InitTreeList() {
  RegisterClass(TvxTreeList::StaticClass());
  RegisterClass(TvxTreeListColumn::StaticClass());
}
void FinTreeList() {
  UnRegisterClass(TvxTreeListColumn::StaticClass());
  UnRegisterClass(TvxTreeList::StaticClass());
}
}  // namespace

const TUnitInfo vxTLUnit = {L"vxTL", InitTreeList, FinTreeList};
