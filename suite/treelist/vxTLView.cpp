#include "vxTLView.h"

#include <algorithm>
#include <cmath>

#include "vxCheckBox.h"
#include "vxTLStrs.h"

// --- The control's view side ----------------------------------------------------------------

TvxTreeListController* TvxCustomTreeList::TreeListController() const {
  return dynamic_cast<TvxTreeListController*>(Controller());
}

TvxTreeListViewInfo* TvxCustomTreeList::TreeListViewInfo() const { return dynamic_cast<TvxTreeListViewInfo*>(ViewInfo()); }

TvxTreeListHitTest* TvxCustomTreeList::HitTest() const {
  return Controller() ? dynamic_cast<TvxTreeListHitTest*>(Controller()->HitTestController()) : nullptr;
}

TClass TvxCustomTreeList::GetControllerClass() { return TvxTreeListController::StaticClass(); }
TClass TvxCustomTreeList::GetHitTestControllerClass() { return TvxTreeListHitTest::StaticClass(); }
TClass TvxCustomTreeList::GetEditingControllerClass() { return TvxTreeListEditingController::StaticClass(); }

void TvxCustomTreeList::SetFocusedColumn(TvxTreeListColumn* Value) {
  if (Value && !Value->ActuallyVisible()) return;
  if (FFocusedColumn == Value) return;
  FFocusedColumn = Value;
  if (TvxTreeListController* c = TreeListController()) c->FocusedColumnChanged();
}
TClass TvxCustomTreeList::GetViewInfoClass() { return TvxTreeListViewInfo::StaticClass(); }
TClass TvxCustomTreeList::GetPainterClass() { return TvxTreeListPainter::StaticClass(); }

bool TvxCustomTreeList::IsLocked() {
  return IsUpdating() || (FCollaboratorsCreated && TvxExtEditingControl::IsLocked());
}

bool TvxCustomTreeList::IsViewCalculating() const {
  TvxTreeListViewInfo* vi = TreeListViewInfo();
  return vi && vi->IsCalculating();
}

void TvxCustomTreeList::CheckPainterSize() {
  if (!FCollaboratorsCreated || !ViewInfo()) return;
  if (auto* p = dynamic_cast<TvxTreeListPainter*>(ViewInfo()->Painter())) p->CheckSize(Width(), Height());
}

void TvxCustomTreeList::ViewLayoutStarting() {
  TvxTreeListViewInfo* vi = TreeListViewInfo();
  if (!vi) return;
  if (auto* p = dynamic_cast<TvxTreeListPainter*>(vi->Painter())) p->Changed = true;
  vi->HeightsDirty = true;
  TRect r = ClientBounds();
  Integer indicator = FOptionsView->IsIndicatorVisible() ? FOptionsView->IndicatorWidth() : 0;
  // The fixed separators take their stripes from the width the bands share.
  Integer separators = FOptionsView->FixedSeparatorWidth() * ((FBands->VisibleRootLeftFixedCount() > 0 ? 1 : 0) +
                                                              (FBands->VisibleRootRightFixedCount() > 0 ? 1 : 0));
  FBandAreaWidth = std::max<Integer>(r.right - r.left - indicator - separators, 0);
}

void TvxCustomTreeList::ViewNodeRemoved(TvxTreeListNode* ANode) {
  if (FTopVisibleNode == ANode) {
    // Read from the links alone: reading the node lists would process the batch while the
    // node is still linked.
    TvxTreeListNode* next = ANode->getNextSibling();
    while (next && next->IsHidden()) next = next->getNextSibling();
    TvxTreeListNode* prev = ANode->getPrevSibling();
    if (!prev && ANode->Parent() && !ANode->Parent()->IsRoot()) prev = ANode->Parent();
    FTopVisibleNode = next ? next : prev;
    if (OnTopRecordIndexChanged) OnTopRecordIndexChanged(this);
  }
  if (!FCollaboratorsCreated) return;
  if (TvxTreeListController* c = TreeListController()) {
    if (c->SelectionAnchor == ANode) c->SelectionAnchor = nullptr;
    if (c->IncSearchNode == ANode) c->IncSearchNode = nullptr;
    if (!c->DragNodesList.empty()) std::erase(c->DragNodesList, ANode);
  }
  if (TvxTreeListHitTest* h = HitTest()) h->NodeRemoved(ANode);
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) vi->SetDirty();
}

void TvxCustomTreeList::SetTopVisibleNode(TvxTreeListNode* ANode) {
  if (ANode == FTopVisibleNode) return;
  FTopVisibleNode = ANode;
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) vi->SetDirty();
  if (OnTopRecordIndexChanged) OnTopRecordIndexChanged(this);
  LayoutChanged();
}

void TvxCustomTreeList::MakeNodeVisible(TvxTreeListNode* ANode) {
  if (!ANode || !ANode->IsVisible()) return;
  if (!FTopVisibleNode) FTopVisibleNode = ANode;
  ProcessChanges();
  TvxTreeListViewInfo* vi = TreeListViewInfo();
  if (!vi || !FCollaboratorsCreated || IsLocked()) return;
  vi->Validate();
  vi->MakeNodeVisible(ANode);
}

void TvxCustomTreeList::DeleteSelection() {
  if (!FFocusedNode) return;
  CompactSelection();
  std::vector<TvxTreeListNode*> nodes = FSelection;
  if (!IsSelected(FFocusedNode)) nodes.push_back(FFocusedNode);
  std::stable_sort(nodes.begin(), nodes.end(),
                   [](TvxTreeListNode* a, TvxTreeListNode* b) { return a->Level() > b->Level(); });
  TvxTreeListUpdateScope lock(this);
  for (TvxTreeListNode* n : nodes) n->Delete();
}

void TvxCustomTreeList::Paint() {
  if (!FCollaboratorsCreated) return;
  Controller()->BeforePaint();
  TScopeExit after([C = Controller()] { C->AfterPaint(); });
  // The border, and the clip narrowed to the client bounds.
  TvxControl::Paint();
  TvxTreeListViewInfo* vi = TreeListViewInfo();
  vi->Validate();
  static_cast<TvxTreeListPainter*>(vi->Painter())->Paint();
}

void TvxCustomTreeList::InitScrollBarsParameters() {
  if (!FCollaboratorsCreated || IsLoading() || IsDestroying() || !FRoot) return;
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) vi->UpdateScrollBars();
}

void TvxCustomTreeList::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {
  if (IsLocked() || AScrollCode == scEndScroll) return;
  if (auto* c = TreeListController()) c->Scroll(AScrollBarKind, AScrollCode, AScrollPos);
}

void TvxCustomTreeList::InvalidateArea(const TRect& R, bool AEraseBackground) {
  if (ViewInfo())
    if (auto* p = dynamic_cast<TvxTreeListPainter*>(ViewInfo()->Painter())) p->Changed = true;
  TvxExtEditingControl::InvalidateArea(R, AEraseBackground);
}

void TvxCustomTreeList::BoundsChanged() {
  AddChanges({tcLayout});
  TvxExtEditingControl::BoundsChanged();
}

void TvxCustomTreeList::FocusChanged() {
  TvxExtEditingControl::FocusChanged();
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) {
    if (auto* p = dynamic_cast<TvxTreeListPainter*>(vi->Painter())) p->Changed = true;
    vi->UpdateSelection();
  }
}

void TvxCustomTreeList::LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) vi->SetDirty();
  // The indent step holds the new painter's expand button.
  AddChanges({tcImages});
  TvxExtEditingControl::LookAndFeelChanged(Sender, AChangedValues);
  LayoutChanged();
}
