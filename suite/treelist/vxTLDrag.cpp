// The tree list's suite drags: sizing columns and bands by their header edges, through the
// sizing interface the column and the band answer, and the controller's choice of drag.
#include <algorithm>

#include "vxTL.h"
#include "vxTLView.h"

namespace {

TvxTreeListViewInfo* ViewInfoOf(TvxCustomTreeList* ATreeList) {
  return ATreeList ? ATreeList->TreeListViewInfo() : nullptr;
}

TvxTreeListSizingDirection ToTreeList(TvxDragSizingDirection D) { return D == dsdHorz ? tlsdHorz : tlsdVert; }

// Dynamic sizing applies only to widths: the hit test reports which edge was pressed.
bool DynamicWidthSizing(TvxCustomTreeList* ATreeList) {
  if (!ATreeList) return false;
  TvxTreeListController* c = ATreeList->TreeListController();
  return ATreeList->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::DynamicSizing) && c &&
         c->HitTest()->HitAtSizingHorz();
}

}  // namespace

// --- Column sizing ---

bool TvxTreeListColumn::CanSizing(TvxDragSizingDirection ADirection) { return CanSizing(ToTreeList(ADirection)); }

TRect TvxTreeListColumn::GetSizingBoundsRect(TvxDragSizingDirection ADirection) {
  TvxTreeListViewInfo* vi = ViewInfoOf(FTreeList);
  TvxTreeListHeaderCellViewInfo* cell = vi ? vi->HeaderCellOf(this) : nullptr;
  if (!cell) return TRect{};
  TRect r = FTreeList->ClientBounds();
  if (ADirection == dsdVert) {
    OffsetRect(&r, 0, cell->DisplayRect.top + vi->HeaderLineHeight - r.top);
  } else {
    r.left = cell->DisplayRect.left + GetSizingMinWidth();
    r.right = cell->DisplayRect.left + GetSizingMaxWidth();
  }
  return r;
}

Integer TvxTreeListColumn::GetSizingIncrement(TvxDragSizingDirection ADirection) {
  TvxTreeListViewInfo* vi = ViewInfoOf(FTreeList);
  return ADirection == dsdVert && vi ? std::max(vi->HeaderLineHeight, 1) : 1;
}

bool TvxTreeListColumn::IsDynamicUpdate() { return DynamicWidthSizing(FTreeList); }

void TvxTreeListColumn::SetSizeDelta(TvxDragSizingDirection ADirection, Integer ADelta) {
  SetSizeDelta(ToTreeList(ADirection), ADelta);
}

// --- Band sizing ---

bool TvxTreeListBand::CanSizing(TvxDragSizingDirection ADirection) { return CanSizing(ToTreeList(ADirection)); }

TRect TvxTreeListBand::GetSizingBoundsRect(TvxDragSizingDirection ADirection) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListViewInfo* vi = ViewInfoOf(tl);
  TvxTreeListHeaderCellViewInfo* cell = vi ? vi->HeaderCellOf(this) : nullptr;
  if (!cell) return TRect{};
  TRect r = tl->ClientBounds();
  if (ADirection == dsdVert)
    OffsetRect(&r, 0, cell->DisplayRect.top + vi->BandHeaderLineHeight - r.top);
  else
    OffsetRect(&r, std::max(cell->VisibleRect().left, cell->DisplayRect.left + GetMinWidth() + IndentWidth()) - r.left,
               0);
  return r;
}

bool TvxTreeListBand::IsDynamicUpdate() { return DynamicWidthSizing(TreeList()); }

void TvxTreeListBand::SetSizeDelta(TvxDragSizingDirection ADirection, Integer ADelta) {
  TvxCustomTreeList* tl = TreeList();
  if (ADelta == 0 || !tl) return;
  if (ADirection == dsdHorz) {
    // Forcing the width fires the size event itself.
    SetDisplayWidth(DisplayWidth() + ADelta);
    tl->DesignerModified();
    return;
  }
  // The band rows share the new height; a line is at least one pixel high, as 0 would hand
  // the height back to the band header font.
  TvxTreeListViewInfo* vi = ViewInfoOf(tl);
  const Integer lines = std::max(tl->Bands()->LineCount(), 1);
  tl->OptionsView()->SetBandLineHeight(std::max((ADelta + (vi ? vi->BandsHeight : 0)) / lines, 1));
  tl->DesignerModified();
  if (tl->OnBandSizeChanged) tl->OnBandSizeChanged(tl, this);
}

// --- TvxTreeListSizingDragAndDropObject ---

TRect TvxTreeListSizingDragAndDropObject::GetSizingMarkBounds() {
  TRect r = inherited::GetSizingMarkBounds();
  OffsetRect(&r, FOffset.x, FOffset.y);
  return r;
}

void TvxTreeListSizingDragAndDropObject::BeginDragAndDrop() {
  FOffset = TPoint{0, 0};
  TvxCustomControlController* c = Controller();
  FDragItem = c ? c->FDragItem : nullptr;
  auto* tl = dynamic_cast<TvxCustomTreeList*>(Control());
  TvxTreeListViewInfo* vi = ViewInfoOf(tl);
  if (TvxTreeListHeaderCellViewInfo* cell = vi && FDragItem ? vi->HeaderCellOf(FDragItem) : nullptr) {
    if (c->GetResizeDirection() == dsdVert)
      FOffset.y = cell->DisplayRect.bottom - CurMousePos.y;
    else
      FOffset.x = cell->DisplayRect.right - CurMousePos.x;
  }
  inherited::BeginDragAndDrop();
}

void TvxTreeListSizingDragAndDropObject::DragAndDrop(const TPoint& P, bool& Accepted) {
  // A relayout during live sizing makes the cells anew: the drag item is the element.
  if (auto* c = dynamic_cast<TvxTreeListController*>(Controller())) {
    c->ClickedObject = nullptr;
    c->FDragItem = FDragItem;
  }
  inherited::DragAndDrop(P, Accepted);
}

// --- The controller's choice ---

bool TvxTreeListController::StartDragAndDrop(const TPoint& P) {
  TvxCustomTreeList* tl = TreeList();
  FDragKind = dkNone;
  FDragItem = nullptr;
  if (tl->IsDesigning()) return false;
  TvxTreeListHitTest* h = HitTest();
  h->SetHitPoint(P);
  if (h->CanSizing() && dynamic_cast<IvxDragSizing*>(h->DragItem)) {
    FDragKind = dkSizing;
    FSizingDirection = h->HitAtSizingVert() ? dsdVert : dsdHorz;
    FDragItem = h->DragItem;
    return true;
  }
  return false;
}

TvxDragAndDropObjectClass TvxTreeListController::GetDragAndDropObjectClass() {
  switch (FDragKind) {
    case dkSizing:
      return &TvxTreeListSizingDragAndDropObject::CreateInstance;
    default:
      return nullptr;
  }
}

TvxDragSizingDirection TvxTreeListController::GetResizeDirection() { return FSizingDirection; }

void TvxTreeListController::DragItemRemoved(TObject* AItem) {
  if (!AItem || FDragItem != AItem) return;
  FDragItem = nullptr;
  FDragKind = dkNone;
  TvxCustomTreeList* tl = TreeList();
  if (tl->DragAndDropState() != ddsNone) tl->FinishDragAndDrop(false);
}

void TvxCustomTreeList::DragItemRemoved(TObject* AItem) {
  if (TvxTreeListController* c = TreeListController()) c->DragItemRemoved(AItem);
}
