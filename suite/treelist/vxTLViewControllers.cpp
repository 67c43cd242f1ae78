#include "vxTLView.h"

#include <algorithm>
#include <cmath>

#include "vxCheckBox.h"
#include "vxTLCustomizing.h"
#include "vxTLStrs.h"

// --- Cell navigator ----------------------------------------------------------------------------

TvxTreeListController* TvxTreeListCellNavigator::TreeController() const {
  return static_cast<TvxTreeListController*>(FController);
}

TvxCustomTreeList* TvxTreeListCellNavigator::TreeList() const { return TreeController()->TreeList(); }

void TvxTreeListCellNavigator::Init(Integer& ARowIndex, Integer& ACellIndex, Integer& ARowCount) {
  TvxCustomTreeList* tl = TreeList();
  ARowCount = tl->AbsoluteVisibleCount();
  ARowIndex = tl->FocusedNode() ? tl->FocusedNode()->VisibleIndex() : -1;
  ACellIndex = tl->FocusedColumn() ? tl->FocusedColumn()->VisibleIndex() : -1;
  RowCount = ARowCount;
}

void TvxTreeListCellNavigator::CalcNextRow(bool AForward, Integer& ARowIndex, Integer&) {
  Integer r = ARowIndex + (AForward ? 1 : -1);
  if (r >= 0 && r < RowCount) ARowIndex = r;
}

TObject* TvxTreeListCellNavigator::GetCellContainer(Integer, Integer ACellIndex) {
  TvxCustomTreeList* tl = TreeList();
  return ACellIndex >= 0 && ACellIndex < tl->VisibleColumnCount() ? tl->VisibleColumns(ACellIndex) : nullptr;
}

Integer TvxTreeListCellNavigator::GetCount(Integer) { return TreeList()->VisibleColumnCount(); }

bool TvxTreeListCellNavigator::CanFocusItem(TObject* AItem) {
  auto* c = dynamic_cast<TvxTreeListColumn*>(AItem);
  return c && c->Options()->Get(TvxTreeListColumnOptions::Focusing);
}

bool TvxTreeListCellNavigator::HasFocusedItem() { return TreeList()->FocusedColumn() != nullptr; }

void TvxTreeListCellNavigator::SetFocusCell(Integer ARowIndex, Integer ACellIndex, TShiftState AShift) {
  TvxCustomTreeList* tl = TreeList();
  if (ACellIndex >= 0 && ACellIndex < tl->VisibleColumnCount()) tl->SetFocusedColumn(tl->VisibleColumns(ACellIndex));
  if (ARowIndex >= 0 && ARowIndex < tl->AbsoluteVisibleCount())
    TreeController()->Select(tl->AbsoluteVisibleItems(ARowIndex), AShift);
}

void TvxTreeListCellNavigator::KeyDown(Word& Key, TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  if (tl->OptionsSelection()->CellSelect) {
    TvxCustomCellNavigator::KeyDown(Key, Shift);
    return;
  }
  switch (Key) {
    case VK_UP:
    case VK_DOWN: {
      TvxTreeListNode* f = tl->FocusedNode();
      if (f) {
        tl->ProcessChanges();
        TvxTreeListNode* n = Key == VK_DOWN ? f->GetNextVisible() : f->GetPrevVisible();
        if (n) TreeController()->Select(n, Shift);
      }
      Key = 0;
      break;
    }
    case VK_LEFT:
    case VK_RIGHT:
      if (TvxTreeListViewInfo* vi = tl->TreeListViewInfo())
        vi->SetLeftPos(vi->HScrollPos + (Key == VK_RIGHT ? vi->HScrollInc : -vi->HScrollInc));
      Key = 0;
      break;
    default:
      TvxCustomCellNavigator::KeyDown(Key, Shift);
      break;
  }
}

// --- Controller --------------------------------------------------------------------------------

TvxCustomTreeList* TvxTreeListController::TreeList() const { return static_cast<TvxCustomTreeList*>(FEditingControl); }

TvxTreeListHitTest* TvxTreeListController::HitTest() const {
  return static_cast<TvxTreeListHitTest*>(FHitTestController.get());
}

TvxTreeListViewInfo* TvxTreeListController::TreeViewInfo() const { return TreeList()->TreeListViewInfo(); }

// --- Editing ----------------------------------------------------------------------------

void TvxTreeListEditingController::HideEdit(bool Accept) {
  auto* tl = dynamic_cast<TvxCustomTreeList*>(EditingControl());
  bool open = IsEditing() && !EditHiding() && tl && !tl->IsDestroying();
  // The editor's last text reaches the node before the editor goes.
  if (open && Accept) UpdateValue();
  TvxEditingController::HideEdit(Accept);
  if (!open || IsEditing()) return;
  TvxTreeListDataController* dc = tl->DataController();
  if (!dc->EditingNode()) return;
  if (Accept) dc->Post();
  else dc->Cancel();
}

TvxTreeListController::TvxTreeListController(TObject* AOwner) : TvxCustomControlController(AOwner) {}

TvxTreeListController::~TvxTreeListController() = default;

TvxEditCellViewInfo* TvxTreeListController::GetFocusedCellViewInfo(TvxCustomInplaceEditContainer* AItem) {
  TvxCustomTreeList* tl = TreeList();
  auto* col = dynamic_cast<TvxTreeListColumn*>(AItem);
  TvxTreeListViewInfo* vi = TreeViewInfo();
  TvxTreeListEditCellViewInfo* src =
      col && tl->FocusedNode() && vi && !vi->IsCalculating() ? vi->GetEditCell(tl->FocusedNode(), col) : nullptr;
  if (!src) {
    FEditCell.reset();
    return nullptr;
  }
  if (!FEditCell || FEditCell->EditContainer() != col) FEditCell = std::make_unique<TvxEditCellViewInfo>(col);
  FEditCell->CalculateBounds(src->BoundsRect(), src->VisibleBounds);
  FEditCell->CellContentRect = src->BoundsRect();
  FEditCell->CellEditRect = src->BoundsRect();
  FEditCell->ItemViewParams = src->ItemViewParams;
  return FEditCell.get();
}

void TvxTreeListController::ColumnRemoved(TvxTreeListColumn* AColumn) {
  if (FEditCell && FEditCell->EditContainer() == AColumn) FEditCell.reset();
  if (FFocusedItem == AColumn) FFocusedItem = nullptr;
}

void TvxTreeListController::SetFocusedItem(TvxCustomInplaceEditContainer* Value) {
  auto* col = dynamic_cast<TvxTreeListColumn*>(Value);
  if (Value && (!col || !col->CanFocus())) return;
  TreeList()->SetFocusedColumn(col);
  if (Value) RequestEditorCheck();
}

void TvxTreeListController::FocusedColumnChanged() {
  TvxTreeListColumn* col = TreeList()->FocusedColumn();
  if (FFocusedItem == col) return;
  if (!FEditingController->EditingItemSetting()) FEditingController->HideEdit(true);
  FFocusedItem = col;
  TreeList()->Invalidate();
}

void TvxTreeListController::MakeFocusedItemVisible() {
  TvxCustomTreeList* tl = TreeList();
  if (tl->FocusedNode()) tl->MakeNodeVisible(tl->FocusedNode());
}

void TvxTreeListController::MakeFocusedRecordVisible() {
  TvxCustomTreeList* tl = TreeList();
  if (tl->FocusedNode()) tl->MakeNodeVisible(tl->FocusedNode());
}

bool TvxTreeListController::CanSelectNode(TvxTreeListNode* ANode) {
  TvxCustomTreeList* tl = TreeList();
  bool allow = true;
  if (tl->OnCanFocusNode) tl->OnCanFocusNode(tl, ANode, allow);
  return allow;
}

bool TvxTreeListController::DoSetFocusedNode(TvxTreeListNode* ANode) {
  TvxCustomTreeList* tl = TreeList();
  if (ANode && ANode->IsHidden()) return false;
  bool changing = ANode != tl->FocusedNode();
  // An editor open on the focused node is posted before the focus leaves it.
  if (changing) FEditingController->HideEdit(true);
  // The tree list's setter asks OnCanFocusNode, remembers the previous node only on a
  // real change and puts the focus change into the batch.
  tl->SetFocusedNode(ANode);
  if (tl->FocusedNode() != ANode) return false;
  if (changing) {
    if (!tl->OptionsSelection()->MultiSelect) tl->AddChanges({tcSelection});
    if (!tl->FocusedColumn()) tl->SetFocusedColumn(FindNearestFocusableColumn(0));
    CancelIncSearching();
  }
  return true;
}

void TvxTreeListController::SelectRange(TvxTreeListNode* A, TvxTreeListNode* B) {
  TvxCustomTreeList* tl = TreeList();
  tl->ClearSelection();
  if (!A || A->VisibleIndex() < 0) {
    if (A) tl->TvxCustomTreeList::Select(A);
    return;
  }
  Integer a = A->VisibleIndex(), b = B->VisibleIndex();
  if (a > b) std::swap(a, b);
  for (Integer i = a; i <= b; ++i) {
    TvxTreeListNode* n = tl->AbsoluteVisibleItems(i);
    if (CanSelectNode(n)) tl->TvxCustomTreeList::Select(n);
  }
}

void TvxTreeListController::Select(TvxTreeListNode* ANode, TShiftState AShift) {
  TvxCustomTreeList* tl = TreeList();
  tl->BeginUpdate();
  TScopeExit done([tl] { tl->CancelUpdate(); });
  if (!ANode) {
    DoSetFocusedNode(nullptr);
  } else {
    bool multi = tl->OptionsSelection()->MultiSelect;
    bool shift = AShift.Contains(ssShift), ctrl = AShift.Contains(ssCtrl), left = AShift.Contains(ssLeft);
    if (!shift && !ctrl) tl->ClearSelection();
    if (!DoSetFocusedNode(ANode)) {
      tl->AddChanges({tcSelection});
      return;
    }
    if (!shift && (ctrl || !ANode->Selected())) SelectionAnchor = ANode;
    bool selected = tl->IsSelected(ANode);
    if (!selected && (!multi || (!shift && !ctrl))) {
      tl->ClearSelection();
      if (CanSelectNode(ANode)) tl->TvxCustomTreeList::Select(ANode);
    } else if (ctrl && left) {
      if (selected) tl->Deselect(ANode);
      else if (CanSelectNode(ANode)) tl->TvxCustomTreeList::Select(ANode);
    } else if (left && selected) {
      if (shift) SelectRange(SelectionAnchor, ANode);
    } else if (shift) {
      if (!SelectionAnchor) SelectionAnchor = ANode;
      SelectRange(SelectionAnchor, ANode);
    }
    if (!multi && !tl->IsSelected(ANode) && CanSelectNode(ANode)) tl->TvxCustomTreeList::Select(ANode);
  }
  tl->AddChanges({tcSelection});
  if (TvxTreeListViewInfo* vi = TreeViewInfo()) vi->UpdateSelection();
}

TvxTreeListNode* TvxTreeListController::FindNearestFocusableNode(Integer AVisibleIndex) {
  TvxCustomTreeList* tl = TreeList();
  Integer count = tl->AbsoluteVisibleCount();
  if (count == 0) return nullptr;
  AVisibleIndex = std::clamp(AVisibleIndex, 0, count - 1);
  for (Integer i = AVisibleIndex; i < count; ++i)
    if (CanSelectNode(tl->AbsoluteVisibleItems(i))) return tl->AbsoluteVisibleItems(i);
  for (Integer i = AVisibleIndex - 1; i >= 0; --i)
    if (CanSelectNode(tl->AbsoluteVisibleItems(i))) return tl->AbsoluteVisibleItems(i);
  return nullptr;
}

TvxTreeListColumn* TvxTreeListController::FindNearestFocusableColumn(Integer AVisibleIndex) {
  TvxCustomTreeList* tl = TreeList();
  Integer count = tl->VisibleColumnCount();
  if (count == 0) return nullptr;
  AVisibleIndex = std::clamp(AVisibleIndex, 0, count - 1);
  for (Integer i = AVisibleIndex; i < count; ++i)
    if (tl->VisibleColumns(i)->Options()->Get(TvxTreeListColumnOptions::Focusing)) return tl->VisibleColumns(i);
  for (Integer i = AVisibleIndex - 1; i >= 0; --i)
    if (tl->VisibleColumns(i)->Options()->Get(TvxTreeListColumnOptions::Focusing)) return tl->VisibleColumns(i);
  return nullptr;
}

bool TvxTreeListController::HitAtNodeContent() {
  TvxTreeListHitTest* h = HitTest();
  return h->HitAtNode() && (h->HitAtIndicator() || h->HitAtImages() || h->HitAtColumn() || h->HitAtBand() ||
                            h->HitAtNodePreview()) &&
         !h->IsFooter();
}

bool TvxTreeListController::CanDeleteSelection() { return TreeList()->OptionsData()->Deleting && !IsEditing(); }

bool TvxTreeListController::DeleteConfirmation() {
  if (!TreeList()->OptionsBehavior()->ConfirmDelete) return true;
  return vxConfirmMessage(vxGetResString(&svxTreeListDeletingFocusedConfirmationText),
                          vxGetResString(&svxTreeListDeletingConfirmationCaption));
}

bool TvxTreeListController::DoNodeKeys(Word Key, TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListNode* f = tl->FocusedNode();
  bool ctrl = Shift.Contains(ssCtrl);
  switch (Key) {
    case VK_SPACE:
      if (f && f->HasCheckbox() && f->Enabled()) {
        f->CheckClick();
        return true;
      }
      return false;
    case VK_END:
    case VK_HOME:
      if (ctrl) {
        Select(Key == VK_END ? tl->LastNode() : tl->TopNode(), Shift);
      } else if (tl->VisibleColumnCount() > 0) {
        tl->SetFocusedColumn(tl->VisibleColumns(Key == VK_END ? tl->VisibleColumnCount() - 1 : 0));
      }
      return true;
    case VK_DELETE:
      // Deleting by keyboard needs Ctrl, the permission and the user's consent, in that
      // order; a plain Delete never deletes.
      if (!tl->OptionsData()->Deleting) return true;
      if (!ctrl || !CanDeleteSelection() || !DeleteConfirmation()) return false;
      tl->DeleteSelection();
      return true;
    case VK_MULTIPLY:
      if (f && f->HasChildren()) f->Expand(true);
      return true;
    case VK_ADD:
    case VK_SUBTRACT:
      if (IsIncSearching() || !f || !f->HasChildren()) return false;
      if (Key == VK_ADD) f->Expand(false);
      else f->Collapse(false);
      return true;
    default:
      return false;
  }
}

void TvxTreeListController::KeyDown(Word& Key, TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  // Nothing is focused after a fill: the first key focuses the nearest node to the top
  // before it is handled.
  if (!tl->FocusedNode() && tl->AbsoluteVisibleCount() > 0) {
    if (TvxTreeListNode* n = FindNearestFocusableNode(0)) Select(n, {});
  }
  if (DoNodeKeys(Key, Shift)) {
    if (tl->FocusedNode()) tl->MakeNodeVisible(tl->FocusedNode());
    Key = 0;
    return;
  }
  if ((Key == VK_DOWN || Key == VK_UP) && Shift.Contains(ssCtrl) && IsIncSearching()) {
    IncSearchNext(Key == VK_DOWN);
    Key = 0;
    return;
  }
  TvxTreeListNode* f = tl->FocusedNode();
  if ((Key == VK_LEFT || Key == VK_RIGHT) && f && f->HasChildren() && tl->OptionsSelection()->CellSelect == false &&
      Shift.Empty() && (Key == VK_LEFT) == f->Expanded()) {
    f->SetExpanded(Key == VK_RIGHT);
    Key = 0;
    return;
  }
  Word original = Key;
  TvxCustomControlController::KeyDown(Key, Shift);
  if (original == VK_UP || original == VK_DOWN || original == VK_LEFT || original == VK_RIGHT) {
    // The moved focus is shown; processing the batch here announces the move.
    if (tl->FocusedNode()) {
      Select(tl->FocusedNode(), Shift);
      tl->MakeNodeVisible(tl->FocusedNode());
    }
  }
}

void TvxTreeListController::KeyPress(wchar_t& Key) {
  TvxCustomTreeList* tl = TreeList();
  if (tl->OptionsBehavior()->IncSearch() && Key >= L' ') {
    // A text that matches nothing is refused: with a search node the search keeps the text
    // it had, without one the text is emptied.
    if (!IncSearchStep(FIncSearchText + Key) && !IncSearchNode) FIncSearchText.clear();
    Key = 0;
    return;
  }
  if (Key == VK_BACK && IsIncSearching()) {
    FIncSearchText.pop_back();
    Key = 0;
    return;
  }
  TvxCustomControlController::KeyPress(Key);
}

TvxTreeListColumn* TvxTreeListController::IncSearchColumn() {
  TvxCustomTreeList* tl = TreeList();
  if (auto* c = dynamic_cast<TvxTreeListColumn*>(tl->OptionsBehavior()->IncSearchItem())) return c;
  if (tl->FocusedColumn()) return tl->FocusedColumn();
  return tl->VisibleColumnCount() > 0 ? tl->VisibleColumns(0) : nullptr;
}

bool TvxTreeListController::IncSearchStep(const String& AText) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListColumn* col = IncSearchColumn();
  Integer count = tl->AbsoluteVisibleCount();
  if (!col || count == 0) return false;
  Integer start = tl->FocusedNode() ? std::max(tl->FocusedNode()->VisibleIndex(), 0) : 0;
  auto matches = [&](TvxTreeListNode* n) { return n->Visible() && IncSearchMatches(col, n, AText); };
  TvxTreeListNode* found = nullptr;
  for (Integer i = start; i < count && !found; ++i)
    if (matches(tl->AbsoluteVisibleItems(i))) found = tl->AbsoluteVisibleItems(i);
  for (Integer i = start - 1; i >= 0 && !found; --i)
    if (matches(tl->AbsoluteVisibleItems(i))) found = tl->AbsoluteVisibleItems(i);
  if (!found) return false;
  FIncSearchText = AText;
  IncSearchNode = found;
  Select(found, {});
  // The search goes on while its node is focused: the focus change must not cancel it.
  FIncSearchText = AText;
  IncSearchNode = found;
  tl->MakeNodeVisible(found);
  return true;
}

bool TvxTreeListController::IncSearchMatches(TvxTreeListColumn* AColumn, TvxTreeListNode* ANode, const String& AText) {
  Variant v = AColumn->GetDisplayValue(ANode, true);
  String t = VarIsNull(v) || VarIsEmpty(v) ? String() : VarToStr(v);
  return t.size() >= AText.size() &&
         CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, t.c_str(), static_cast<int>(AText.size()), AText.c_str(),
                        static_cast<int>(AText.size())) == CSTR_EQUAL;
}

void TvxTreeListController::SearchLocate(TvxCustomInplaceEditContainer*, const String& AText) { IncSearchStep(AText); }

void TvxTreeListController::CancelIncSearching() {
  TvxCustomTreeList* tl = TreeList();
  if (tl->IsLoading() || tl->IsDestroying() || !IncSearchNode) return;
  FIncSearchText.clear();
  IncSearchNode = nullptr;
}

void TvxTreeListController::CheckNodeContentClick(TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListHitTest* h = HitTest();
  if (HitAtNodeContent()) {
    tl->BeginUpdate();
    TScopeExit done([tl] { tl->CancelUpdate(); });
    if (h->HitColumn && h->HitColumn->Options()->Get(TvxTreeListColumnOptions::Focusing)) tl->SetFocusedColumn(h->HitColumn);
    else if (!tl->FocusedColumn()) tl->SetFocusedColumn(FindNearestFocusableColumn(0));
    Select(h->HitNode, Shift);
  } else if (h->HitAtBackground()) {
    if (tl->OptionsSelection()->MultiSelect) {
      tl->ClearSelection();
      if (tl->FocusedNode()) tl->TvxCustomTreeList::Select(tl->FocusedNode());
    }
  }
}

void TvxTreeListController::DoMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxCustomTreeList* tl = TreeList();
  FIsDblClick = Shift.Contains(ssDouble);
  TvxTreeListNode* prevNode = tl->FocusedNode();
  TvxTreeListColumn* prevColumn = tl->FocusedColumn();
  FEditingController->StopEditShowingTimer();
  FEditingController->HideEdit(true);
  TvxTreeListHitTest* h = HitTest();
  h->RecalculateByMouse(X, Y, Shift);
  if (Button == mbLeft && (h->HitAt(tlhcColumnCustomizing) || h->HitAt(tlhcBandCustomizing))) {
    if (auto* cell = dynamic_cast<TvxTreeListIndicatorCellViewInfo*>(h->HitTestItem())) {
      ShowQuickCustomizationPopup(cell, h->HitAt(tlhcBandCustomizing));
      return;
    }
  }
  // A press on a sizing edge started the sizing drag; nothing else happens here.
  // Header: the clicked column or band is remembered and drawn pressed.
  if (h->IsHeader() && !h->CanSizing() && !FIsDblClick && Button == mbLeft) {
    auto* cell = static_cast<TvxTreeListCustomHeaderCellViewInfo*>(h->HitTestItem());
    if (auto* c = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(cell)) ClickedObject = c->Column();
    else if (auto* b = dynamic_cast<TvxTreeListBandHeaderCellViewInfo*>(cell)) ClickedObject = b->Band();
    PressedHeader = cell;
    cell->SetState(vxbsPressed);
  } else if (!h->CanSizing()) {
    if (!FIsDblClick && Button != mbMiddle) CheckNodeContentClick(Shift);
    if (Button == mbLeft && h->HitAtButton() && h->HitNode) h->HitNode->SetExpanded(!h->HitNode->Expanded());
    else if (Button == mbLeft && h->HitAt(tlhcCheckButton) && h->HitNode) h->HitNode->CheckClick();
    h->ReCalculate();
  }
  FWasFocusedBeforeClick = h->HitAtColumn() && h->HitNode == prevNode && h->HitColumn == prevColumn;
}

void TvxTreeListController::DoMouseMove(TShiftState Shift, Integer X, Integer Y) {
  TvxCustomControlController::DoMouseMove(Shift, X, Y);
  if (TreeList()->OptionsBehavior()->HotTrack) UpdateHotTrackNode(X, Y, Shift);
}

void TvxTreeListController::DoMouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxCustomTreeList* tl = TreeList();
  FDragKind = dkNone;
  if (PressedHeader) {
    PressedHeader->SetState(vxbsNormal);
    PressedHeader = nullptr;
  }
  TvxTreeListHitTest* h = HitTest();
  h->RecalculateByMouse(X, Y, Shift);
  if (Button == mbLeft && h->HitAtColumnHeader() && !h->CanSizing() && h->HitColumn && h->HitColumn == ClickedObject &&
      !tl->IsDesigning()) {
    if (tl->OnColumnHeaderClick) tl->OnColumnHeaderClick(tl, h->HitColumn);
    if (tl->OptionsBehavior()->Sorting && h->HitColumn->CanSort()) {
      TvxCustomTreeList::THourglassScope hourglass(tl);
      TvxDataSortOrder next = Shift.Contains(ssCtrl) ? soNone
                              : h->HitColumn->SortOrder() == soAscending ? soDescending
                                                                         : soAscending;
      if (!Shift.Contains(ssShift)) {
        for (Integer i = tl->SortedColumnCount() - 1; i >= 0; --i)
          if (tl->SortedColumns(i) != h->HitColumn) tl->SortedColumns(i)->SetSortOrder(soNone);
      }
      h->HitColumn->SetSortOrder(next);
    }
  }
  ClickedObject = nullptr;
}

void TvxTreeListController::DblClick() {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListHitTest* h = HitTest();
  h->ReCalculate();
  if (h->HitNode && h->HitAtNode() && !h->HitAtButton() && !IsEditing() && tl->OptionsBehavior()->ExpandOnDblClick &&
      h->HitNode->HasChildren())
    h->HitNode->SetExpanded(!h->HitNode->Expanded());
  ClickedObject = nullptr;
}

TCursor TvxTreeListController::GetCursor(Integer X, Integer Y) {
  if (TreeList()->IsDesigning()) return crDefault;
  HitTest()->SetHitPoint(TPoint{X, Y});
  return HitTest()->GetCursor();
}

void TvxTreeListController::PageScroll(bool ADown, TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListViewInfo* vi = TreeViewInfo();
  Integer count = tl->AbsoluteVisibleCount();
  if (!vi || count == 0) return;
  // Pages are counted in the rows actually shown, whatever their heights (previews, more
  // data lines, group footers): Page Down goes to the last whole row, then a page on from
  // it; Page Up to the top row, then to the top of the page that ends with it.
  vi->Validate();
  Integer top = tl->TopVisibleNode() ? tl->TopVisibleNode()->VisibleIndex() : 0;
  Integer focused = tl->FocusedNode() ? tl->FocusedNode()->VisibleIndex() : top;
  Integer target;
  if (ADown) {
    Integer last = std::clamp(top + std::max(vi->NodesVisibleCount, 1) - 1, 0, count - 1);
    target = focused < last ? last : vi->LastWholeRowFrom(last);
  } else {
    target = focused > top ? top : vi->TopIndexForLast(top);
  }
  Select(tl->AbsoluteVisibleItems(target), Shift);
  tl->MakeNodeVisible(tl->FocusedNode());
  tl->LayoutChanged();
}

void TvxTreeListController::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListViewInfo* vi = TreeViewInfo();
  if (!vi) return;
  FEditingController->StopEditShowingTimer();
  if (AScrollBarKind == sbVertical) {
    Integer top = tl->TopVisibleNode() ? tl->TopVisibleNode()->VisibleIndex() : 0;
    Integer page = vi->RowsThatFit();
    switch (AScrollCode) {
      case scLineUp: top -= 1; break;
      case scLineDown: top += 1; break;
      case scPageUp: top -= page; break;
      case scPageDown: top += page; break;
      case scTop: top = 0; break;
      case scBottom: top = tl->AbsoluteVisibleCount(); break;
      case scTrack:
      case scPosition: top = AScrollPos; break;
      default: break;
    }
    vi->SetTopIndex(top);
    AScrollPos = tl->TopVisibleNode() ? tl->TopVisibleNode()->VisibleIndex() : 0;
  } else {
    Integer pos = vi->HScrollPos;
    switch (AScrollCode) {
      case scLineUp: pos -= vi->HScrollInc; break;
      case scLineDown: pos += vi->HScrollInc; break;
      case scPageUp: pos -= vi->HScrollPage; break;
      case scPageDown: pos += vi->HScrollPage; break;
      case scTop: pos = 0; break;
      case scBottom: pos = vi->HScrollSize; break;
      case scTrack:
      case scPosition: pos = AScrollPos; break;
      default: break;
    }
    vi->SetLeftPos(pos);
    AScrollPos = vi->HScrollPos;
  }
}

// --- Painting during a drag ---

void TvxTreeListController::AfterPaint() {
  TvxCustomControlController::AfterPaint();
  // A paint during a sizing drag covered the line where it painted: the line is drawn
  // again through the paint's clip, so that it stays whole outside it. A moved header's
  // picture comes back on top.
  TvxCustomTreeList* tl = TreeList();
  if (tl->DragAndDropState() != ddsInProcess) return;
  TvxDragAndDropObject* o = tl->DragAndDropObject();
  if (auto* s = dynamic_cast<TvxSizingDragAndDropObject*>(o))
    s->ControlPainted(tl->Canvas()->Handle());
  else if (auto* c = dynamic_cast<TvxCustomControlDragAndDropObject*>(o))
    c->UpdateImagePosition();
}
