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
  // A search that left nothing pending releases the lock without a relayout.
  TScopeExit unlock([ATreeList] {
    if (ATreeList->Changes().Empty())
      ATreeList->CancelUpdate();
    else
      ATreeList->EndUpdate();
  });
  TvxTreeListNode* n = AStart ? AStart : ATreeList->Root()->getFirstChild();
  for (; n; n = FindStep(n, AForward, AExpandedOnly))
    if (AFunc(n, AData) && !(n == AStart && AIsReject)) return n;
  return nullptr;
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

namespace {
void InitTreeList() {
  RegisterClass(TvxTreeList::StaticClass());
  RegisterClass(TvxTreeListColumn::StaticClass());
  RegisterClass(TvxTreeListStyleSheet::StaticClass());
}
void FinTreeList() {
  UnRegisterClass(TvxTreeListStyleSheet::StaticClass());
  UnRegisterClass(TvxTreeListColumn::StaticClass());
  UnRegisterClass(TvxTreeList::StaticClass());
}
}  // namespace

const TUnitInfo vxTLUnit = {L"vxTL", InitTreeList, FinTreeList};
