// Sizing node rows by the lower edge of their indicator cells: the hit area, and the node's
// side of the sizing drag.
#include <algorithm>

#include "vxTL.h"
#include "vxTLView.h"

namespace {

constexpr Integer kNodeSizingHalfHeight = 3;

// Lines of columns in a node's data rows.
Integer ColumnLines(TvxCustomTreeList* ATreeList) { return std::max(ATreeList->Bands()->ColumnsLineCount(), 1); }

}  // namespace

// --- TvxTreeListNodeSizingArea ---

TvxTreeListNodeSizingArea::TvxTreeListNodeSizingArea(TvxTreeListIndicatorCellViewInfo* ALink)
    : TvxTreeListHitTestArea(ALink) {
  const TRect& r = ALink->DisplayRect;
  FArea = TRect{r.left, r.bottom - kNodeSizingHalfHeight, r.right, r.bottom + kNodeSizingHalfHeight};
}

bool TvxTreeListNodeSizingArea::GetHitTest(TvxTreeListHitTest* AHitTest) {
  if (!PtInRect(&FArea, AHitTest->HitPoint())) return false;
  TvxCustomTreeList* tl = FLink->TreeList();
  // Every row has the same height with row sizing: only the top row's edge sizes them.
  if (tl->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::RowSizing) &&
      FLink->Node != tl->TopVisibleNode())
    return false;
  ApplyHit(AHitTest);
  return true;
}

void TvxTreeListNodeSizingArea::ApplyHit(TvxTreeListHitTest* AHitTest) {
  AHitTest->SetHitAt(tlhcSizingVert, true);
  AHitTest->SetHitAt(tlhcNode, true);
  AHitTest->HitNode = FLink->Node;
  AHitTest->DragItem = FLink->Node;
}

void TvxTreeListViewInfo::CalculateNodeSizingHit(TvxTreeListHitTest* AHitTest) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListOptionsCustomizing* o = tl->OptionsCustomizing();
  if (!o->Get(TvxTreeListOptionsCustomizing::NodeSizing) && !o->Get(TvxTreeListOptionsCustomizing::RowSizing))
    return;
  for (auto& row : FNodesViewData) {
    TvxCustomControlCells& cells = row->Cells();
    for (Integer i = 0; i < cells.Count(); ++i) {
      auto* ind = dynamic_cast<TvxTreeListIndicatorCellViewInfo*>(cells.Items(i));
      if (!ind || ind->Position != tlipContent) continue;
      TvxTreeListNodeSizingArea area(ind);
      if (area.GetHitTest(AHitTest)) return;
      break;
    }
  }
}

// --- Node sizing ---

bool TvxTreeListNode::CanSizing(TvxDragSizingDirection ADirection) {
  return ADirection == dsdVert && FTreeList->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::RowSizing) &&
         !FTreeList->OptionsView()->CellAutoHeight();
}

bool TvxTreeListNode::IsDynamicUpdate() {
  return FTreeList->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::DynamicSizing);
}

TRect TvxTreeListNode::GetSizingBoundsRect(TvxDragSizingDirection) {
  TvxTreeListViewInfo* vi = FTreeList->TreeListViewInfo();
  TvxTreeListNodeViewData* row = vi ? vi->NodeViewData(this) : nullptr;
  if (!row) return TRect{};
  TRect r = FTreeList->ClientBounds();
  // The row keeps at least one text line (and its margins) per line of columns.
  r.top = row->Bounds().top + ColumnLines(FTreeList) * (vi->DefaultCellHeight + 4) +
          vi->GroupFooterHeight * row->GroupFooterCount;
  r.bottom = r.top + FTreeList->ClientHeight();
  return r;
}

void TvxTreeListNode::SetSizeDelta(TvxDragSizingDirection, Integer ADelta) {
  TvxTreeListViewInfo* vi = FTreeList->TreeListViewInfo();
  if (ADelta == 0 || !vi) return;
  const Integer lines = ColumnLines(FTreeList);
  // A line is never lower than the default cell (a line of text with its margins); sizing
  // starts from the rows' present height.
  const Integer cellHeight = vi->DefaultCellHeight;
  TvxTreeListUpdateScope lock(FTreeList);
  if (FTreeList->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::RowSizing)) {
    const Integer current = FTreeList->DefaultRowHeight() > 0 ? FTreeList->DefaultRowHeight() : vi->DataLineHeight();
    FTreeList->SetDefaultRowHeight(std::max(ADelta + std::max(current, cellHeight), cellHeight));
  } else {
    if (Height() == 0) SetHeight(vi->DataRowsHeight());
    SetHeight(std::max(Height() + ADelta, cellHeight * lines));
  }
  FTreeList->DesignerModified();
}
