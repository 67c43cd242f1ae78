#include "vxTL.h"

#include <algorithm>
#include <exception>
#include <tuple>

#include "vxTLStrs.h"
#include "vxVariants.h"

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
  if (!FDeletionAnnounced) AnnounceDeletion();
  if (FCount > 0) DeleteChildren();
  if (!IsRoot()) tl->NodeRemoved(this);
  tl->AddChanges({tcStructure});
  Unlink();
  bool root = IsRoot();
  // Releasing the lock may process the batch, whose handlers can raise; nothing may leave
  // a destructor. Delete and the tree list's own deletions hold an outer lock, so the
  // batch is processed there and its failures reach their callers.
  RunWithoutThrowing([tl] { tl->EndUpdate(); });
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
  FTreeList->MoveNode(this, dest, AMode);
}

void TvxTreeListNode::Delete() {
  if (Deleting()) return;
  // The batch is processed when this outer lock ends, outside the destructor.
  TvxTreeListUpdateScope lock(FTreeList);
  delete this;
}

// The first half of freeing a node: marked, counted out, and announced (OnDeletion) while
// its subtree is still in place.
void TvxTreeListNode::AnnounceDeletion() {
  TvxCustomTreeList* tl = FTreeList;
  FDeletionAnnounced = true;
  --tl->DataController()->FNodesCount;
  State.Include(nsDeleting);
  tl->AddChanges({tcStructure, tcData});
  // Freeing must run to its end: a handler's failure is not allowed to leave a half-freed
  // node linked in the tree.
  RunWithoutThrowing([this, tl] {
    if (!IsRoot() && tl->OnDeletion) tl->OnDeletion(tl, this);
  });
}

// The subtree is walked without recursion, however deep it is: each node is announced on
// the way down and freed on the way up, once its children are gone, so handlers see the
// same order as a recursive free.
void TvxTreeListNode::DeleteChildren() {
  TvxTreeListUpdateScope lock(FTreeList);
  TScopeExit emptied([this] {
    FCount = 0;
    FFirst = FLast = nullptr;
    SetHasChildren(false);
  });
  const bool internal = State.Contains(nsInternalDelete);
  TvxTreeListNode* n = FFirst;
  while (n) {
    if (!n->FDeletionAnnounced) {
      if (internal) n->State.Include(nsInternalDelete);
      n->AnnounceDeletion();
      if (n->FFirst) {
        n = n->FFirst;
        continue;
      }
    }
    TvxTreeListNode* parent = n->FParent;
    delete n;  // childless by now; unlinks itself, which advances the parent's FFirst
    n = parent->FFirst ? parent->FFirst : (parent == this ? nullptr : parent);
  }
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
  TScopeExit finish([this, Value] {
    CheckInfo.Exclude(nciChangeCheck);
    if (FParent && FParent->CheckGroupType() != ncgNone) FTreeList->NodeChanged(this);
    if (FTreeList->OnNodeCheckChanged) FTreeList->OnNodeCheckChanged(FTreeList, this, Value);
  });
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
}

TvxTreeListNode* TvxTreeListNode::NextInSubtree(TvxTreeListNode* ANode) const {
  if (ANode->FFirst) return ANode->FFirst;
  while (ANode != this && !ANode->FNext) ANode = ANode->FParent;
  return ANode == this ? nullptr : ANode->FNext;
}

void TvxTreeListNode::Expand(bool ARecurse) {
  if (FCount == 0 && !State.Contains(nsHasChildren)) return;
  if (FTreeList->IsCancelOperation()) return;
  TvxTreeListUpdateScope lock(FTreeList);
  SetExpanded(true);
  if (!ARecurse) return;
  // The subtree in order, without recursion; children appear as their parent expands.
  for (TvxTreeListNode* n = NextInSubtree(this); n; n = NextInSubtree(n)) {
    if (FTreeList->IsCancelOperation()) return;
    if (n->FCount > 0 || n->State.Contains(nsHasChildren)) n->SetExpanded(true);
  }
}

void TvxTreeListNode::Collapse(bool ARecurse) {
  if (FCount == 0) return;
  TvxTreeListUpdateScope lock(FTreeList);
  SetExpanded(false);
  if (!ARecurse) return;
  for (TvxTreeListNode* n = NextInSubtree(this); n; n = NextInSubtree(n))
    if (n->FCount > 0) n->SetExpanded(false);
}

void TvxTreeListNode::LoadChildren() {
  if (FFirst || !State.Contains(nsHasChildren) || Expanded() || FTreeList->Destroying()) return;
  FTreeList->BeginUpdate();
  // Children that came, or a failure, release the lock with a relayout; nothing loaded
  // releases it quietly.
  bool loaded = false;
  TScopeExit unlock([this, &loaded] {
    if (FFirst || !loaded)
      FTreeList->EndUpdate();
    else
      FTreeList->CancelUpdate();
  });
  FTreeList->DoLoadChildren(this);
  loaded = true;
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
  SortChildren(ASortProc);
  if (!ARecurse) return;
  // Every level below, in order and without recursion: a node's children are sorted
  // before the walk goes down into them.
  for (TvxTreeListNode* n = NextInSubtree(this); n; n = NextInSubtree(n))
    if (n->HasChildren()) n->SortChildren(ASortProc);
}

void TvxTreeListNode::SortChildren(const TvxTreeListCompareFunc& ASortProc) {
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
