// Moving a band by dragging its header (or its entry in the customization form): where it
// would go, whether it may go there, and the move itself.
#include <algorithm>

#include "vxTL.h"
#include "vxTLCustomizing.h"
#include "vxTLView.h"

namespace {

constexpr Integer kBandDropMargin = 20;

// The visible root bands of one fixed kind, left to right.
std::vector<TvxTreeListBand*> VisibleRoots(TvxTreeListBands* ABands, TvxTreeListBandFixedKind AKind) {
  std::vector<TvxTreeListBand*> r;
  for (Integer i = 0; i < ABands->VisibleRootItemCount(); ++i)
    if (ABands->VisibleRootItems(i)->FixedKind() == AKind) r.push_back(ABands->VisibleRootItems(i));
  return r;
}

// The band's visible siblings (the visible root bands for a root band).
std::vector<TvxTreeListBand*> VisibleSiblings(TvxTreeListBand* ABand) {
  std::vector<TvxTreeListBand*> r;
  if (TvxTreeListBand* parent = ABand->ParentBand()) {
    for (Integer i = 0; i < parent->ChildVisibleBandCount(); ++i) r.push_back(parent->ChildVisibleBands(i));
  } else {
    TvxTreeListBands* bands = ABand->Bands();
    for (Integer i = 0; i < bands->VisibleRootItemCount(); ++i) r.push_back(bands->VisibleRootItems(i));
  }
  return r;
}

}  // namespace

TvxTreeListBand* TvxTreeListDragAndDropBandObject::Band() const { return dynamic_cast<TvxTreeListBand*>(FDragObject); }

bool TvxTreeListDragAndDropBandObject::CanCustomize() {
  TvxTreeListBand* b = Band();
  return b && b->Options()->Customizing &&
         OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::BandCustomizing);
}

bool TvxTreeListDragAndDropBandObject::CanRemove() {
  TvxTreeListBand* b = Band();
  if (!b || !CanCustomize()) return false;
  if (!Customizing() && !OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::BandHiding)) return false;
  if (b->Options()->Hidden) return false;
  // The last visible root band stays.
  return !(b->IsRoot() && TreeList()->Bands()->VisibleItemCount() <= 1);
}

bool TvxTreeListDragAndDropBandObject::BandTakesPoint(TvxTreeListBand* ABand) {
  TvxTreeListDropInfo* d = DropInfo();
  TvxTreeListViewInfo* vi = ViewInfo();
  TvxTreeListHeaderCellViewInfo* cell = vi ? vi->HeaderCellOf(ABand) : nullptr;
  const bool nested = OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::NestedBands);
  if (cell) {
    TRect r = cell->DisplayRect;
    if (ABand->IsRoot()) r.top -= kBandDropMargin;
    if (ABand->IsBottom()) r.bottom += kBandDropMargin;
    if (PtInRect(&r, d->DropPos)) {
      d->Band = ABand;
      d->Position = vxGetRectSideAtPoint(cell->DisplayRect, d->DropPos, true, nested);
      return true;
    }
  }
  if (!nested || ABand->IsBottom()) return false;
  for (Integer i = 0; i < ABand->ChildVisibleBandCount(); ++i)
    if (BandTakesPoint(ABand->ChildVisibleBands(i))) return true;
  return false;
}

void TvxTreeListDragAndDropBandObject::FindDropPlace() {
  TvxTreeListDropInfo* d = DropInfo();
  d->Band = nullptr;
  d->Position = posLeft;
  TvxTreeListBands* bands = TreeList()->Bands();
  for (Integer i = 0; i < bands->VisibleRootItemCount(); ++i)
    if (BandTakesPoint(bands->VisibleRootItems(i))) break;
}

bool TvxTreeListDragAndDropBandObject::CanDropAtFixedBoundary(TvxTreeListBand* ADest) {
  TvxTreeListBand* b = Band();
  TvxTreeListBands* bands = TreeList()->Bands();
  if (b->ActuallyVisible() || !ADest->IsRoot() || !VisibleRoots(bands, b->FixedKind()).empty()) return false;
  const TvxPosition pos = DropPosition();
  auto first = [bands](TvxTreeListBandFixedKind K) {
    std::vector<TvxTreeListBand*> v = VisibleRoots(bands, K);
    return v.empty() ? nullptr : v.front();
  };
  auto last = [bands](TvxTreeListBandFixedKind K) {
    std::vector<TvxTreeListBand*> v = VisibleRoots(bands, K);
    return v.empty() ? nullptr : v.back();
  };
  switch (b->FixedKind()) {
    case tlbfNone:
      return (pos == posRight && ADest == last(tlbfLeft)) || (pos == posLeft && ADest == first(tlbfRight));
    case tlbfLeft:
      return pos == posLeft && ADest == first(tlbfNone);
    case tlbfRight:
      return pos == posRight && ADest == last(tlbfNone);
  }
  return false;
}

bool TvxTreeListDragAndDropBandObject::CanDrop() {
  TvxTreeListBand* b = Band();
  if (!b) return false;
  if (TreeList()->Bands()->VisibleItemCount() == 0) return true;
  TvxTreeListBand* dest = DestBand();
  if (!dest || dest == b) return false;
  if (dest->FixedKind() != b->FixedKind()) return CanDropAtFixedBoundary(dest);
  if (!b->ActuallyVisible()) return true;
  const TvxPosition pos = DropPosition();
  if ((pos == posLeft || pos == posRight) && dest->ParentBand() == b->ParentBand()) {
    // Beside its own neighbour, on the side that faces it, nothing would change.
    std::vector<TvxTreeListBand*> siblings = VisibleSiblings(b);
    auto it = std::find(siblings.begin(), siblings.end(), b);
    if (it != siblings.end()) {
      if (pos == posLeft && it + 1 != siblings.end() && *(it + 1) == dest) return false;
      if (pos == posRight && it != siblings.begin() && *(it - 1) == dest) return false;
    }
  }
  if (pos == posTop && dest->ParentBand() == b && b->ChildVisibleBandCount() <= 1) return false;
  if (pos == posBottom && b->ParentBand() == dest && dest->ChildVisibleBandCount() <= 1) return false;
  return true;
}

bool TvxTreeListDragAndDropBandObject::Drop() {
  TvxTreeListBand* b = Band();
  if (!b) return false;
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListBand* dest = DestBand();
  const TvxPosition pos = DropPosition();
  if (CanDrop() && dest) {
    TvxTreeListBand* newParent = pos == posBottom ? dest : dest->ParentBand();
    if (pos != posBottom && newParent == b) {
      // Beside one of its own children: the children first move up to the band's place.
      TvxTreeListBand* parent = b->ParentBand();
      Integer at = b->Position()->ColIndex();
      std::vector<TvxTreeListBand*> children;
      for (Integer i = 0; i < b->ChildBandCount(); ++i) children.push_back(b->ChildBands(i));
      for (TvxTreeListBand* child : children) {
        child->Position()->SetBandIndex(parent ? parent->Index() : -1);
        child->Position()->SetColIndex(++at);
      }
      newParent = dest->ParentBand();
    }
    Integer colIndex = 0;
    if (pos != posBottom) {
      colIndex = dest->Position()->ColIndex() + (pos == posRight ? 1 : 0);
      if (b->ParentBand() == newParent && b->Position()->ColIndex() < colIndex) --colIndex;
    }
    b->Position()->SetBandIndex(newParent ? newParent->Index() : -1);
    b->Position()->SetColIndex(colIndex);
    if (pos == posTop) {
      dest->Position()->SetBandIndex(b->Index());
      dest->Position()->SetColIndex(0);
    } else if (pos == posBottom) {
      std::vector<TvxTreeListBand*> others;
      for (Integer i = 0; i < dest->ChildVisibleBandCount(); ++i)
        if (dest->ChildVisibleBands(i) != b) others.push_back(dest->ChildVisibleBands(i));
      for (TvxTreeListBand* other : others) other->Position()->SetBandIndex(b->Index());
    }
    b->SetVisible(true);
  } else if (dest || !CanRemove()) {
    if (tl->Bands()->VisibleItemCount() != 0) return false;
    b->Position()->SetBandIndex(-1);
    b->SetVisible(true);
  } else {
    b->SetVisible(false);
  }
  if (tl->OnBandPosChanged) tl->OnBandPosChanged(tl, b);
  return true;
}

void TvxTreeListDragAndDropBandObject::ShowCustomizationPage() {
  TvxTreeListCustomizing* customizing = TreeList()->Customizing();
  TvxTreeListBand* b = Band();
  if (b && b->ActuallyVisible() && customizing->BandListBox()) customizing->BandListBox()->SetItemIndex(-1);
  customizing->MakeBandPageVisible();
}
