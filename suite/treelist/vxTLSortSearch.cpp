// The tree list's services over its nodes: finding nodes by a filter or by text, the
// incremental search's next match, node texts on the clipboard, moving and copying nodes,
// inserting a node from the keyboard, page moves and the hourglass cursor.
#include <algorithm>

#include "Clipbrd.h"
#include "Forms.h"
#include "vxLike.h"
#include "vxTL.h"
#include "vxTLView.h"

// --- Finding --------------------------------------------------------------------------------

TvxTreeListNode* TvxCustomTreeList::Find(Pointer AData, TvxTreeListNode* AStart, bool AExpandedOnly, bool AForward,
                                         const TvxTreeListFindFunc& AFilter, bool AIgnoreStartNode) {
  if (!AFilter) return nullptr;
  return vxTreeListFindNode(this, AData, AStart, AIgnoreStartNode, AFilter, AForward, AExpandedOnly);
}

TvxTreeListNode* TvxCustomTreeList::FindNodeByText(const String& AText, TvxTreeListColumn* AColumn,
                                                   TvxTreeListNode* AStartNode, bool AExpandedOnly, bool AForward,
                                                   bool ACaseSensitive, TvxTreeListFindMode AMode,
                                                   TvxTreeListLikeParams* ALikeParams, bool AIgnoreStartNode) {
  if (!AColumn || AColumn->TreeList() != this) return nullptr;
  const String text = ACaseSensitive ? AText : AnsiUpperCase(AText);
  const wchar_t percent = ALikeParams ? ALikeParams->Percent : L'%';
  const wchar_t underline = ALikeParams ? ALikeParams->UnderLine : L'_';
  auto filter = [&](TvxTreeListNode* ANode, Pointer) {
    Variant v = AColumn->GetDisplayValue(ANode, true);
    String s = VarIsNull(v) || VarIsEmpty(v) ? String() : VarToStr(v);
    if (!ACaseSensitive) s = AnsiUpperCase(s);
    switch (AMode) {
      case tlfmLike: return LikeMatchText(s, text, percent, underline);
      case tlfmExact: return s == text;
      case tlfmNormal: break;
    }
    return s.find(text) != String::npos;
  };
  return Find(nullptr, AStartNode, AExpandedOnly, AForward, filter, AIgnoreStartNode);
}

bool TvxCustomTreeList::Searching() {
  TvxTreeListController* c = TreeListController();
  return c && c->IsIncSearching();
}

String TvxCustomTreeList::SearchingText() {
  TvxTreeListController* c = TreeListController();
  return c ? c->GetIncSearchingText() : String();
}

bool TvxCustomTreeList::FindNext(bool AForward) {
  if (!Searching()) return false;
  TvxTreeListNode* before = FFocusedNode;
  Word key = AForward ? VK_DOWN : VK_UP;
  TreeListController()->KeyDown(key, TShiftState{ssCtrl});
  return FFocusedNode != before;
}

void TvxCustomTreeList::CancelSearching() {
  if (TvxTreeListController* c = TreeListController()) c->CancelIncSearching();
}

bool TvxTreeListController::IncSearchNext(bool AForward) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListColumn* col = IncSearchColumn();
  if (!IsIncSearching() || !col) return false;
  TvxTreeListNode* from = tl->FocusedNode();
  TvxTreeListNode* found = tl->Find(nullptr, from, true, AForward, [&](TvxTreeListNode* ANode, Pointer) {
    return ANode->Visible() && IncSearchMatches(col, ANode, FIncSearchText);
  }, from != nullptr);
  if (!found) return false;
  const String text = FIncSearchText;
  Select(found, {});
  // The search goes on while its node is focused: the focus change must not cancel it.
  FIncSearchText = text;
  IncSearchNode = found;
  tl->MakeNodeVisible(found);
  return true;
}

// --- Clipboard ------------------------------------------------------------------------------

namespace {

// The cells of the visible columns in display order, joined by TAB.
String JoinVisibleColumns(TvxCustomTreeList* ATreeList, const std::function<String(TvxTreeListColumn*)>& AText) {
  String line;
  for (Integer i = 0; i < ATreeList->VisibleColumnCount(); ++i) {
    if (i > 0) line += L'\t';
    line += AText(ATreeList->VisibleColumns(i));
  }
  return line;
}

}  // namespace

String TvxCustomTreeList::GetHeaderText() {
  return JoinVisibleColumns(this, [](TvxTreeListColumn* c) { return c->Caption()->Text(); });
}

String TvxCustomTreeList::GetNodeText(TvxTreeListNode* ANode) {
  return JoinVisibleColumns(this, [ANode](TvxTreeListColumn* c) {
    Variant v = c->GetDisplayValue(ANode, true);
    return VarIsNull(v) || VarIsEmpty(v) ? String() : VarToStr(v);
  });
}

String TvxCustomTreeList::GetClipboardText(bool ASelectedOnly) {
  ProcessChanges();
  String text = FOptionsView->Headers() ? GetHeaderText() : String();
  // Pre-order over the whole tree: collapsed and hidden nodes too.
  for (TvxTreeListNode* n = FRoot->getFirstChild(); n; n = FRoot->NextInSubtree(n)) {
    if (ASelectedOnly && !IsSelected(n)) continue;
    text += L"\r\n";
    text += GetNodeText(n);
  }
  return text;
}

void TvxCustomTreeList::CopyToClipboard(bool ASelectedOnly) {
  String text = GetClipboardText(ASelectedOnly);
  if (!text.empty()) Clipboard()->SetAsText(text);
}

// --- Moving, copying and inserting nodes ------------------------------------------------------

void TvxCustomTreeList::MoveTo(TvxTreeListNode* ADest, TvxTreeListNodeAttachMode AMode, bool AIsCopy,
                               std::vector<TvxTreeListNode*> ANodes) {
  if (AIsCopy && AMode == tlamInsert && ADest) ADest = ADest->Parent();
  std::erase_if(ANodes, [&](TvxTreeListNode* n) { return !n || !n->CanMove(ADest, AMode); });
  if (ANodes.empty()) return;
  TvxTreeListUpdateScope lock(this);
  if (DoMoveTo(ADest, AMode, ANodes, AIsCopy)) return;
  DoMoveNodes(ADest, AMode, AIsCopy, ANodes);
}

bool TvxCustomTreeList::DoMoveTo(TvxTreeListNode* AttachNode, TvxTreeListNodeAttachMode AttachMode,
                                 std::vector<TvxTreeListNode*>& ANodes, bool& AIsCopy) {
  bool done = false;
  if (OnMoveTo) OnMoveTo(this, AttachNode, AttachMode, ANodes, AIsCopy, done);
  return done;
}

void TvxCustomTreeList::DoMoveNodes(TvxTreeListNode* ADest, TvxTreeListNodeAttachMode AMode, bool AIsCopy,
                                    const std::vector<TvxTreeListNode*>& ANodes) {
  // The nodes keep their order at the destination: a mode that puts each node first is
  // served from the last node to the first, the others (appending, inserting before the
  // destination, and every copy, which appends) from the first to the last.
  auto place = [&](TvxTreeListNode* ANode) {
    if (AIsCopy)
      CopyNode(ANode, ADest);
    else
      MoveNode(ANode, ADest, AMode);
  };
  if (!AIsCopy && (AMode == tlamAddFirst || AMode == tlamAddChildFirst))
    std::for_each(ANodes.rbegin(), ANodes.rend(), place);
  else
    std::for_each(ANodes.begin(), ANodes.end(), place);
}

TvxTreeListNode* TvxCustomTreeList::CopyNode(TvxTreeListNode* ASource, TvxTreeListNode* AParent) {
  if (!ASource) return nullptr;
  TvxTreeListUpdateScope lock(this);
  // The source's subtree is listed first (pre-order, each with the list index of its
  // parent), so that a copy into the source's own subtree never copies what it has just
  // made and a deep subtree costs no stack.
  std::vector<std::pair<TvxTreeListNode*, size_t>> sources{{ASource, SIZE_MAX}};
  std::vector<size_t> open{0};
  for (TvxTreeListNode* n = ASource->NextInSubtree(ASource); n; n = ASource->NextInSubtree(n)) {
    while (sources[open.back()].first != n->Parent()) open.pop_back();
    sources.push_back({n, open.back()});
    open.push_back(sources.size() - 1);
  }
  std::vector<TvxTreeListNode*> copies(sources.size());
  for (size_t i = 0; i < sources.size(); ++i) {
    TvxTreeListNode* parent = i == 0 ? (AParent ? AParent : FRoot.get()) : copies[sources[i].second];
    copies[i] = AddNode(nullptr, parent, tlamAddChild);
    copies[i]->Assign(sources[i].first);
  }
  return copies.back();
}

bool TvxCustomTreeList::InsertNode(TvxTreeListNode* ANode, bool AAppend) {
  TvxTreeListUpdateScope lock(this);
  TvxTreeListNode* relative = ANode && ANode->Inserting() ? ANode->Parent() : ANode;
  const bool append = AAppend || !relative;
  if (append && ANode && relative) relative->LoadChildren();
  if (!relative) relative = FRoot.get();
  TvxTreeListNode* node = append ? AddNode(nullptr, relative, tlamAddChild) : AddNode(nullptr, relative, tlamInsert);
  if (!node) return false;
  FocusNewNode(node);
  return true;
}

void TvxCustomTreeList::FocusNewNode(TvxTreeListNode* ANode) {
  ProcessChanges();
  ANode->MakeVisible();
  SetFocusedNode(ANode);
  ProcessChanges();
  if (FFocusedNode != ANode) return;
  FDataController->Edit();
  ANode->State.Include(nsInserting);
  FDataController->ResetValueChanged();
}

// --- Page moves and the hourglass -------------------------------------------------------------

void TvxCustomTreeList::GotoNextPage() {
  if (TvxTreeListController* c = TreeListController()) c->PageMove(true, false, {});
  if (HandleAllocated()) Update();
}

void TvxCustomTreeList::GotoPrevPage() {
  if (TvxTreeListController* c = TreeListController()) c->PageMove(false, false, {});
  if (HandleAllocated()) Update();
}

void TvxTreeListController::PageMove(bool AForward, bool AFocusing, TShiftState AShift) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListViewInfo* vi = TreeViewInfo();
  const Integer count = tl->AbsoluteVisibleCount();
  if (!vi || count == 0) return;
  vi->Validate();
  const Integer top = tl->TopVisibleNode() ? std::max(tl->TopVisibleNode()->VisibleIndex(), 0) : 0;
  const Integer rows = std::max(vi->NodesVisibleCount, 1);
  const Integer last = std::clamp(top + rows - 1, 0, count - 1);
  if (AForward) {
    if (AFocusing && last == count - 1 && tl->FocusedNode() == tl->AbsoluteVisibleItems(last)) return;
    // The neighbour is the node itself, unless one node fills the window.
    const Integer next = std::min(rows == 1 ? last + 1 : last, count - 1);
    tl->SetTopVisibleNode(tl->AbsoluteVisibleItems(next));
    if (AFocusing) Select(tl->AbsoluteVisibleItems(std::min(next + rows - 1, count - 1)), AShift);
  } else {
    if (AFocusing && top == 0 && tl->FocusedNode() == tl->AbsoluteVisibleItems(0)) return;
    const Integer prev = std::max(rows == 1 ? top - 1 : top, 0);
    const Integer newTop = std::max(prev - rows + 1, 0);
    tl->SetTopVisibleNode(tl->AbsoluteVisibleItems(newTop));
    if (AFocusing) Select(tl->AbsoluteVisibleItems(newTop), AShift);
  }
  tl->LayoutChanged();
}

void TvxCustomTreeList::FullCollapse() {
  THourglassScope hourglass(this);
  FRoot->Collapse(true);
}

void TvxCustomTreeList::FullExpand() {
  THourglassScope hourglass(this);
  FRoot->Expand(true);
}

void TvxCustomTreeList::HourglassBegin() {
  if (!FOptionsBehavior->ShowHourGlass) return;
  if (FHourglassCount == 0) {
    FHourglassSavedCursor = Screen->Cursor();
    if (HandleAllocated() && IsWindowVisible(Handle())) Screen->SetCursor(crHourGlass);
  }
  ++FHourglassCount;
}

void TvxCustomTreeList::HourglassEnd() {
  if (FHourglassCount == 0) return;
  if (--FHourglassCount == 0) Screen->SetCursor(FHourglassSavedCursor);
}
