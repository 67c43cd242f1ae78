// The tree list's suite drags: sizing columns and bands by their header edges, through the
// sizing interface the column and the band answer, and the controller's choice of drag.
#include <algorithm>

#include "vxTL.h"
#include "vxTLCustomizing.h"
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
  } else if (auto* node = dynamic_cast<TvxTreeListNode*>(FDragItem)) {
    if (TvxTreeListNodeViewData* row = vi ? vi->NodeViewData(node) : nullptr)
      FOffset.y = row->Bounds().bottom - CurMousePos.y;
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
  // A movable header starts moving once the mouse leaves the pressed area.
  if (h->CanMoving() && h->HitAtColumnHeader() && h->HitColumn) {
    FDragKind = dkColumn;
    FDragItem = h->HitColumn;
    return true;
  }
  if (h->CanMoving() && h->HitAtBandHeader() && h->HitBand) {
    FDragKind = dkBand;
    FDragItem = h->HitBand;
    return true;
  }
  return false;
}

TvxDragAndDropObjectClass TvxTreeListController::GetDragAndDropObjectClass() {
  switch (FDragKind) {
    case dkSizing:
      return &TvxTreeListSizingDragAndDropObject::CreateInstance;
    case dkColumn:
      return &TvxTreeListDragAndDropColumnObject::CreateInstance;
    case dkBand:
      return &TvxTreeListDragAndDropBandObject::CreateInstance;
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

// --- TvxTreeListDragAndDropObject ---

TvxControl* TvxTreeListDragAndDropObject::TreeListControl(TvxControl* AControl) {
  if (auto* lb = dynamic_cast<TvxTreeListItemsCustomizeListBox*>(AControl)) return lb->TreeList();
  return AControl;
}

TvxTreeListDragAndDropObject::TvxTreeListDragAndDropObject(TvxControl* AControl)
    : TvxCustomControlDragAndDropObject(TreeListControl(AControl)) {
  TvxCustomTreeList* tl = TreeList();
  // A drag from a customization list is measured in the list's coordinates.
  if (tl && AControl != tl && AControl->HandleAllocated() && tl->HandleAllocated()) {
    POINT p{0, 0};
    MapWindowPoints(AControl->Handle(), tl->Handle(), &p, 1);
    FOrigin = TPoint{p.x, p.y};
  }
  FArrows = std::make_unique<TvxPlaceArrows>(tl ? tl->OptionsView()->DropArrowColor : clLime, clBtnText);
  TvxCustomControlController* c = tl ? tl->Controller() : nullptr;
  FDragItem = c ? c->FDragItem : nullptr;
  FDragObject = FDragItem;
  if (auto* cell = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(FDragItem)) FDragObject = cell->Column();
  if (auto* cell = dynamic_cast<TvxTreeListBandHeaderCellViewInfo*>(FDragItem)) FDragObject = cell->Band();
  if (TvxTreeListHeaderCellViewInfo* h = DragHeader()) h->SetState(vxbsPressed);
}

bool TvxTreeListDragAndDropObject::Customizing() const {
  TvxCustomTreeList* tl = TreeList();
  return tl && tl->Customizing()->Visible();
}

TvxTreeListDragAndDropObject::~TvxTreeListDragAndDropObject() {
  FArrows.reset();
  FDropInfo.reset();
}

TvxCustomTreeList* TvxTreeListDragAndDropObject::TreeList() const {
  return dynamic_cast<TvxCustomTreeList*>(Control());
}

TvxTreeListViewInfo* TvxTreeListDragAndDropObject::ViewInfo() const { return ViewInfoOf(TreeList()); }

TvxTreeListHitTest* TvxTreeListDragAndDropObject::HitTest() const {
  TvxCustomTreeList* tl = TreeList();
  return tl && tl->TreeListController() ? tl->TreeListController()->HitTest() : nullptr;
}

TvxTreeListOptionsCustomizing* TvxTreeListDragAndDropObject::OptionsCustomizing() const {
  return TreeList()->OptionsCustomizing();
}

TvxTreeListDropInfo* TvxTreeListDragAndDropObject::DropInfo() {
  if (!FDropInfo) FDropInfo.reset(CreateDropInfo());
  return FDropInfo.get();
}

TvxTreeListHeaderCellViewInfo* TvxTreeListDragAndDropObject::DragHeader() const {
  if (auto* cell = dynamic_cast<TvxTreeListHeaderCellViewInfo*>(FDragItem)) return cell;
  TvxTreeListViewInfo* vi = ViewInfo();
  return vi && FDragItem ? vi->HeaderCellOf(FDragItem) : nullptr;
}

TCursor TvxTreeListDragAndDropObject::GetDragAndDropCursor(bool Accepted) {
  if (Accepted) return crArrow;
  return CanRemove() ? crvxRemove : crvxNoDrop;
}

void TvxTreeListDragAndDropObject::GetDragImageBounds(TRect& R) {
  TvxTreeListHeaderCellViewInfo* h = DragHeader();
  R = h ? h->DisplayRect : TRect{};
  OffsetRect(&R, FOrigin.x, FOrigin.y);
}

void TvxTreeListDragAndDropObject::DrawDragImage() {
  TvxTreeListHeaderCellViewInfo* h = DragHeader();
  if (!h) return;
  // Drawn plain and whole: default state, every border, no margins, no neighbours.
  TValueScope<TvxNeighbors> neighbors(h->Neighbors, TvxNeighbors());
  TValueScope<TRect> margins(h->BordersMargins, TRect{});
  const TvxButtonState state = h->State();
  TScopeExit restoreState([h, state] { h->SetState(state); });
  h->SetState(vxbsNormal);
  // A customization list's cell lies at its place in the list, FOrigin away from the
  // bounds the picture was made for.
  HDC dc = DragImage()->Canvas()->Handle();
  POINT saved{};
  OffsetWindowOrgEx(dc, -FOrigin.x, -FOrigin.y, &saved);
  TScopeExit restoreOrigin([dc, saved] { SetWindowOrgEx(dc, saved.x, saved.y, nullptr); });
  h->Draw(DragImage()->Canvas());
}

TRect TvxTreeListDragAndDropObject::GetArrowsPlace() {
  if (!CanDrop()) return TRect{};
  TvxTreeListViewInfo* vi = ViewInfo();
  TvxCustomTreeList* tl = TreeList();
  if (tl->Bands()->VisibleItemCount() == 0) {
    TRect r = tl->ClientBounds();
    r.bottom = r.top + (vi ? vi->BandHeaderLineHeight : 0);
    return r;
  }
  TvxTreeListHeaderCellViewInfo* cell = vi && DestBand() ? vi->HeaderCellOf(DestBand()) : nullptr;
  TRect r = cell ? cell->DisplayRect : TRect{};
  if (DropPosition() == posRight) r.left = r.right;
  if (DropPosition() == posBottom) r.top = r.bottom;
  return r;
}

void TvxTreeListDragAndDropObject::CalculateDropInfo(const TPoint& P) {
  if (TvxTreeListHitTest* h = HitTest()) h->SetHitPoint(P);
  TvxTreeListDropInfo* d = DropInfo();
  d->DropPos = P;
  const POINT screen = TreeList()->ClientToScreen(POINT{P.x, P.y});
  d->Customizing = CanCustomize() && TreeList()->Customizing()->PtInCustomizingBox(TPoint{screen.x, screen.y});
  FindDropPlace();
  d->Accepted = CanDrop();
}

void TvxTreeListDragAndDropObject::AddAutoScrollAreas(const TRect& R) {
  if (IsRectEmpty(&R)) return;
  AddAutoScrollingObject(TRect{R.left, R.top, R.left + 10, R.bottom}, sbHorizontal, scLineUp);
  AddAutoScrollingObject(TRect{R.right - 10, R.top, R.right, R.bottom}, sbHorizontal, scLineDown);
}

void TvxTreeListDragAndDropObject::BeginDragAndDrop() {
  inherited::BeginDragAndDrop();
  // The headers' strip scrolls sideways at its two ends.
  if (TvxTreeListViewInfo* vi = ViewInfo()) {
    TRect r = TreeList()->ClientBounds();
    r.bottom = r.top + vi->BandsHeight + vi->HeadersHeight;
    AddAutoScrollAreas(r);
  }
  if (Customizing()) ShowCustomizationPage();
}

void TvxTreeListDragAndDropObject::DragAndDrop(const TPoint& P, bool& Accepted) {
  const TPoint p{P.x + FOrigin.x, P.y + FOrigin.y};
  // The picture follows the mouse in the tree list's coordinates.
  CurMousePos = p;
  TvxCustomTreeList* tl = TreeList();
  if (TvxTreeListController* c = tl->TreeListController()) c->ClickedObject = nullptr;
  CalculateDropInfo(p);
  TvxTreeListDropInfo* d = DropInfo();
  if (CanDrop() && !d->Customizing) {
    TRect r = GetArrowsPlace();
    const POINT tl0 = tl->ClientToScreen(POINT{r.left, r.top});
    OffsetRect(&r, tl0.x - r.left, tl0.y - r.top);
    TvxBorder side = bLeft;
    switch (d->Position) {
      case posRight: side = bRight; break;
      case posTop: side = bTop; break;
      case posBottom: side = bBottom; break;
      default: break;
    }
    FArrows->MoveTo(r, side);
  } else {
    FArrows->Hide();
  }
  Accepted = d->Customizing || d->Band || tl->Bands()->VisibleItemCount() == 0;
  inherited::DragAndDrop(P, Accepted);
}

void TvxTreeListDragAndDropObject::EndDragAndDrop(bool Accepted) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListController* c = tl->TreeListController();
  if (TvxTreeListHeaderCellViewInfo* h = DragHeader()) h->SetState(vxbsNormal);
  TvxTreeListDropInfo* d = DropInfo();
  const bool accepted = Accepted && (d->Accepted || d->Customizing || CanRemove()) && !(c && c->FDragCancel);
  d->Accepted = accepted;
  FArrows->Hide();
  // Also on failure the drag leaves nothing behind: not dirty, no drag item.
  TScopeExit finish([this, c] {
    SetDirty(false);
    if (c) c->FDragItem = nullptr;
  });
  inherited::EndDragAndDrop(accepted);
  if (!accepted) return;
  tl->BeginUpdate();
  TScopeExit rollback([tl] { tl->CancelUpdate(); });
  if (Drop()) {
    rollback.Dismiss();
    tl->EndUpdate();
    tl->DesignerModified();
  }
}

// --- TvxTreeListDragAndDropColumnObject ---

TvxTreeListColumn* TvxTreeListDragAndDropColumnObject::Column() const {
  return dynamic_cast<TvxTreeListColumn*>(FDragObject);
}

void TvxTreeListDragAndDropColumnObject::ShowCustomizationPage() {
  TvxTreeListCustomizing* customizing = TreeList()->Customizing();
  TvxTreeListColumn* c = Column();
  if (c && c->ActuallyVisible() && customizing->HeaderListBox()) customizing->HeaderListBox()->SetItemIndex(-1);
  customizing->MakeColumnPageVisible();
}

bool TvxTreeListDragAndDropColumnObject::CanCustomize() {
  TvxTreeListColumn* c = Column();
  return c && c->Options()->Get(TvxTreeListColumnOptions::Customizing) &&
         OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::ColumnCustomizing);
}

bool TvxTreeListDragAndDropColumnObject::CanRemove() {
  TvxTreeListColumn* c = Column();
  return c && CanCustomize() &&
         (Customizing() || OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::ColumnHiding)) &&
         !c->Options()->Get(TvxTreeListColumnOptions::Hidden) && TreeList()->VisibleColumnCount() > 1;
}

bool TvxTreeListDragAndDropColumnObject::BandAcceptsBelow(TvxTreeListBand* ABand) {
  TvxTreeListColumnDropInfo* d = ColumnDropInfo();
  TvxTreeListViewInfo* vi = ViewInfo();
  TvxTreeListHeaderCellViewInfo* cell = vi ? vi->HeaderCellOf(ABand) : nullptr;
  if (!cell) return false;
  TRect area{cell->DisplayRect.left, cell->DisplayRect.bottom, cell->DisplayRect.right,
             cell->DisplayRect.bottom + vi->HeadersHeight + 20};
  TvxTreeListColumn* c = Column();
  const bool ownBand = c && c->Position()->Band() == ABand;
  if (!PtInRect(&area, d->DropPos) || (ownBand && ABand->VisibleColumnCount() <= 1)) return false;
  d->Band = ABand;
  d->ColIndex = 0;
  TvxTreeListBandRows* rows = ABand->BandRows();
  if (rows->VisibleItemCount() == 0) {
    area.bottom -= 20;
    d->Area = area;
    d->Position = posTop;
    d->InsertRow = true;
    d->RowIndex = 0;
    return true;
  }
  area.bottom -= 20;
  d->Position = posBottom;
  d->InsertRow = true;
  d->RowIndex = rows->Count();
  // Over the headers the new row goes after the row under the pointer.
  if (d->DropPos.y < area.bottom) {
    area.bottom = area.top;
    for (Integer i = 0; i < rows->VisibleItemCount(); ++i) {
      TvxTreeListBandRow* row = rows->VisibleItems(i);
      area.bottom += row->LineCount() * vi->HeaderLineHeight;
      d->RowIndex = row->Index() + 1;
      if (area.bottom > d->DropPos.y) break;
    }
  }
  d->Area = area;
  return true;
}

void TvxTreeListDragAndDropColumnObject::FindDropPlace() {
  TvxTreeListColumnDropInfo* d = ColumnDropInfo();
  TvxTreeListHitTest* h = HitTest();
  d->InsertRow = false;
  d->Band = h && (h->HitAtBandContainer() || h->HitAtBandHeader()) ? h->HitBand : nullptr;
  d->Position = posNone;
  d->Column = nullptr;
  d->Accepted = h && h->HitAtColumnHeader() && h->HitColumn;
  TvxTreeListViewInfo* vi = ViewInfo();
  if (d->Accepted) {
    TvxTreeListColumn* target = h->HitColumn;
    TvxTreeListHeaderCellViewInfo* cell = vi ? vi->HeaderCellOf(target) : nullptr;
    d->Column = target;
    d->Band = target->Position()->Band();
    d->ColIndex = target->Position()->VisibleColIndex();
    d->RowIndex = target->Position()->RowIndex();
    d->Area = cell ? cell->DisplayRect : TRect{};
  } else {
    TvxTreeListBands* bands = TreeList()->Bands();
    for (Integer i = 0; i < bands->BottomItemCount() && !d->Accepted; ++i) {
      TvxTreeListBand* b = bands->BottomItems(i);
      if (b->ActuallyVisible()) d->Accepted = BandAcceptsBelow(b);
    }
  }
  if (d->Accepted && d->Position == posNone) {
    if (d->DropPos.x <= (d->Area.left + d->Area.right) / 2) {
      d->Position = posLeft;
    } else {
      d->Position = posRight;
      ++d->ColIndex;
    }
  }
  d->Accepted = d->Position != posNone;
}

bool TvxTreeListDragAndDropColumnObject::CanDrop() {
  TvxTreeListColumnDropInfo* d = ColumnDropInfo();
  TvxTreeListColumn* c = Column();
  if (!c || !d->Accepted || d->Position == posNone) return false;
  // Dropping the column where it already is changes nothing.
  if (d->Band == c->Position()->Band() && !d->InsertRow && d->RowIndex == c->Position()->RowIndex() &&
      c->ActuallyVisible()) {
    const Integer own = c->Position()->VisibleColIndex();
    if (d->ColIndex == own || d->ColIndex == own + 1) return false;
  }
  return true;
}

bool TvxTreeListDragAndDropColumnObject::Drop() {
  TvxTreeListColumnDropInfo* d = ColumnDropInfo();
  TvxTreeListColumn* c = Column();
  TvxCustomTreeList* tl = TreeList();
  if (!c) return false;
  const bool hiding = CanRemove();
  if ((d->Band && !d->Customizing) || !hiding) {
    if (!d->Band || !CanDrop()) return false;
    TvxTreeListBand* band = d->Band;
    TvxTreeListColumnPosition* pos = c->Position();
    // A visible index within the row becomes the index of the visible column there; past
    // the row's visible columns the column goes last.
    Integer colIndex = 0;
    TvxTreeListBandRow* row = d->InsertRow ? nullptr : band->BandRows()->RowByIndex(d->RowIndex);
    if (row) {
      colIndex = d->ColIndex < row->VisibleItemCount() ? row->IndexOf(row->VisibleItems(d->ColIndex)) : row->Count() + 1;
    }
    pos->SetPositionEx(band->Index(), colIndex, d->InsertRow, d->RowIndex);
    c->SetVisible(true);
    band->StructureChanged();
  } else {
    c->SetVisible(false);
  }
  if (tl->OnColumnPosChanged) tl->OnColumnPosChanged(tl, c);
  return true;
}

TRect TvxTreeListDragAndDropColumnObject::GetArrowsPlace() {
  if (!CanDrop()) return TRect{};
  TRect r = ColumnDropInfo()->Area;
  if (DropPosition() == posRight) r.left = r.right;
  if (DropPosition() == posBottom) r.top = r.bottom;
  return r;
}
