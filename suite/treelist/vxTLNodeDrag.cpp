// Dragging nodes inside the tree list with the platform's drag (DragMode dmAutomatic):
// which presses may start it, what it carries, where a drop puts the nodes; and hot
// tracking of the node under the mouse.
#include <algorithm>

#include "vxTL.h"
#include "vxTLView.h"

// --- Node drags -----------------------------------------------------------------------------

bool TvxTreeListController::CanDrag(Integer X, Integer Y) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListHitTest* h = HitTest();
  h->SetHitPoint(TPoint{X, Y});
  const bool can = !h->CanSizing() && !tl->IsDesigning() && !IsEditing() && h->HitNode && h->HitAtNode() &&
                   (h->HitNode->Selected() || h->HitNode->Focused()) && !h->HitAtIndent() && !h->HitAtButton() &&
                   !h->HitAtGroupFooter();
  if (can) tl->DragNode = h->HitNode;
  return can;
}

void TvxTreeListController::BeforeStartDrag() {
  TvxCustomTreeList* tl = TreeList();
  tl->GetSelections(DragNodesList);
  if (tl->FocusedNode() && !tl->IsSelected(tl->FocusedNode()) &&
      std::find(DragNodesList.begin(), DragNodesList.end(), tl->FocusedNode()) == DragNodesList.end())
    DragNodesList.push_back(tl->FocusedNode());
  TvxTreeListHitTest* h = HitTest();
  if (h->HitNode && h->HitAtNode()) {
    tl->DragNode = h->HitNode;
    bool allow = true;
    if (tl->OnBeginDragNode) tl->OnBeginDragNode(tl, tl->DragNode, allow);
    if (!allow) {
      tl->DragNode = nullptr;
      DragNodesList.clear();
    }
  } else {
    tl->DragNode = nullptr;
  }
  if (!tl->DragNode && tl->FocusedNode() && !DragNodesList.empty()) tl->DragNode = tl->FocusedNode();
}

void TvxTreeListController::DragEnded(TObject* Target, Integer X, Integer Y) {
  TvxCustomControlController::DragEnded(Target, X, Y);
  DragNodesList.clear();
}

bool TvxTreeListController::IsDragCopy() {
  return GetKeyState(VK_CONTROL) < 0 && TreeList()->OptionsBehavior()->AutoDragCopy;
}

Integer TvxTreeListController::GetNodeDropPosition(Integer X, Integer Y, TvxTreeListNode*& ANode) {
  TvxTreeListHitTest* h = HitTest();
  h->SetHitPoint(TPoint{X, Y});
  ANode = h->HitNode;
  if (!ANode || !h->HitAtNode() || h->HitAtGroupFooter()) return 0;
  if (h->HitAtColumn() || h->HitAtNodePreview()) return 3;
  TvxTreeListNodeViewData* row = TreeViewInfo()->NodeViewData(ANode);
  if (!row) return 0;
  const TRect& r = row->Bounds();
  return Y < (r.top + r.bottom) / 2 ? 1 : 2;
}

void TvxTreeListController::DropNodes(Integer X, Integer Y) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListNode* target = nullptr;
  const Integer position = GetNodeDropPosition(X, Y, target);
  if (position == 0 || DragNodesList.empty()) return;
  TvxTreeListUpdateScope lock(tl);
  std::vector<TvxTreeListNode*> nodes = DragNodesList;
  if (tl->OptionsBehavior()->DragFocusing && tl->DragNode &&
      std::find(nodes.begin(), nodes.end(), tl->DragNode) == nodes.end())
    nodes.push_back(tl->DragNode);
  const bool copy = IsDragCopy();
  switch (position) {
    case 1:
      tl->MoveTo(target, tlamInsert, copy, nodes);
      break;
    case 3:
      tl->MoveTo(target, tlamAddChild, copy, nodes);
      break;
    default:
      if (TvxTreeListNode* next = target->getNextSibling())
        tl->MoveTo(next, tlamInsert, copy, nodes);
      else
        tl->MoveTo(target->Parent(), tlamAddChild, copy, nodes);
      break;
  }
  DragNodesList.clear();
  TvxTreeListNode* focused = tl->FocusedNode();
  tl->ClearSelection();
  if (focused) tl->Select(focused);
}

void TvxCustomTreeList::DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  TvxTreeListController* c = TreeListController();
  TvxTreeListNode* target = nullptr;
  // Own nodes are accepted where they can be dropped; an OnDragOver handler decides alone.
  const bool own = Source == this && c && !c->DragNodesList.empty();
  const bool droppable = own && State != dsDragLeave && c->GetNodeDropPosition(X, Y, target) != 0;
  inherited::DragOver(Source, X, Y, State, Accept);
  if (!OnDragOver) Accept = droppable;
}

void TvxCustomTreeList::DragDrop(TObject* Source, Integer X, Integer Y) {
  TvxTreeListController* c = TreeListController();
  if (Source != this || !c) return inherited::DragDrop(Source, X, Y);
  TScopeExit done([this] {
    DragNode = nullptr;
    if (FFocusedNode) MakeNodeVisible(FFocusedNode);
  });
  c->DropNodes(X, Y);
  inherited::DragDrop(Source, X, Y);
  if (DragNode && !DragNode->Deleting()) SetFocusedNode(DragNode);
}

// --- Hot tracking ---------------------------------------------------------------------------

TvxTreeListNode* TvxTreeListController::HotTrackNode() const { return TreeList()->HotTrackNode; }

void TvxTreeListController::SetHotTrackNode(TvxTreeListNode* ANode, TShiftState AShift) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListHitTest* h = HitTest();
  if (!tl->Focused() || h->CanSizing()) ANode = nullptr;
  if (tl->Destroying() || !tl->OptionsBehavior()->HotTrack) return;
  if (ANode == tl->HotTrackNode && h->HitColumn == FHotTrackColumn) return;
  TvxTreeListNode* old = tl->HotTrackNode;
  if (!old) FHotTrackSavedCursor = tl->Cursor();
  tl->HotTrackNode = ANode;
  FHotTrackColumn = h->HitColumn;
  if (old != ANode) tl->InvalidateArea(tl->ClientRect(), false);
  if (ANode) {
    TCursor cursor = tl->Cursor();
    tl->DoHotTrackNode(ANode, AShift, cursor);
    tl->SetCursor(cursor);
  } else {
    tl->SetCursor(FHotTrackSavedCursor);
  }
}

void TvxTreeListController::UpdateHotTrackNode(Integer X, Integer Y, TShiftState AShift) {
  TvxTreeListHitTest* h = HitTest();
  h->RecalculateByMouse(X, Y, AShift);
  SetHotTrackNode(h->HitAtNode() && !h->HitAtGroupFooter() ? h->HitNode : nullptr, AShift);
}
