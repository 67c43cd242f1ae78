// The quick customization drop-downs of the indicator header: a check list of columns or
// bands; a tick shows or hides the item.
#include <algorithm>
#include <limits>

#include "vxTLCustomizing.h"

// --- TvxTreeListPopup ---

TvxTreeListPopup::TvxTreeListPopup(TvxCustomTreeList* AOwnerControl) : TvxCustomPopupWindow(AOwnerControl) {
  SetColor(clWindow);
  SetIsTopMost(true);
  SetOwnerParent(AOwnerControl);
}

TvxCustomTreeList* TvxTreeListPopup::TreeList() const { return static_cast<TvxCustomTreeList*>(OwnerControl()); }

void TvxTreeListPopup::SetOwner(TvxTreeListIndicatorCellViewInfo* Value) {
  if (FOwner == Value) return;
  if (!Value && IsVisible() && FOwner) CloseUp();
  FOwner = Value;
}

TRect TvxTreeListPopup::GetOwnerBounds() { return FOwner ? FOwner->DisplayRect : TRect{}; }

Integer TvxTreeListPopup::GetClientMinWidth() {
  const TRect r = GetOwnerBounds();
  return r.right - r.left - HorzFrameWidth();
}

void TvxTreeListPopup::InitPopup() {
  inherited::InitPopup();
  SetBorderStyle(TreeList()->LookAndFeelPainter()->PopupBorderStyle());
  Font()->Assign(TreeList()->Font());
  SetOwnerBounds(GetOwnerBounds());
}

bool TvxTreeListPopup::IsOwnerArea(const TPoint& AScreenPoint) {
  const POINT p = TreeList()->ScreenToClient(POINT{AScreenPoint.x, AScreenPoint.y});
  const TRect r = GetOwnerBounds();
  return PtInRect(&r, p) != 0;
}

void TvxTreeListPopup::Paint() {
  DrawFrame();
  vxCanvas()->FillRect(ClientBounds(), Color());
}

void TvxTreeListPopup::VisibleChanged() {
  inherited::VisibleChanged();
  // The owner cell repaints released.
  if (!Visible() && FOwner) FOwner->Invalidate();
}

void TvxTreeListPopup::Popup(TWinControl*) {
  ReleaseCapture();
  inherited::Popup(FindNextControl(nullptr, true, true, false));
}

// --- TvxTreeListCustomizationPopup ---

TvxTreeListCustomizationPopup::TvxTreeListCustomizationPopup(TvxCustomTreeList* AOwnerControl)
    : TvxTreeListPopup(AOwnerControl) {
  CreateControls();
}

void TvxTreeListCustomizationPopup::CreateControls() {
  FCheckListBox = TvxContainer::Create<TvxCheckListBox>(this);
  FCheckListBox->SetEditValueFormat(cvfIndices);
  TvxContainerStyle* style = FCheckListBox->Style();
  style->LookAndFeel()->SetMasterLookAndFeel(TreeList()->LookAndFeel());
  style->SetBorderStyle(cbsNone);
  style->SetHotTrack(false);
  style->SetTransparentBorder(false);
  FCheckListBox->StyleFocused()->SetBorderStyle(cbsNone);
  FCheckListBox->StyleHot()->SetBorderStyle(cbsNone);
  FCheckListBox->SetParentFont(true);
  FCheckListBox->SetParent(this);
  FCheckListBox->OnClickCheck() = [this](TObject*, Integer AIndex, TvxCheckBoxState, TvxCheckBoxState ANewState) {
    DoItemCheck(AIndex, ANewState == cbsChecked);
  };
  FCheckListBox->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
    if (Key == VK_ESCAPE) CloseUp();
  };
}

void TvxTreeListCustomizationPopup::CloseUp() {
  inherited::CloseUp();
  FCheckListBox->Clear();
  SetColumnCount(1);
}

void TvxTreeListCustomizationPopup::DoItemCheck(Integer AIndex, bool AChecked) {
  if (AIndex < 0 || AIndex >= FCheckListBox->Count()) return;
  DoObjectCheck(FCheckListBox->Items()->Items(AIndex)->ItemObject(), AChecked);
}

void TvxTreeListCustomizationPopup::RefreshList() {
  TObject* selected = nullptr;
  if (FCheckListBox->ItemIndex() >= 0 && FCheckListBox->ItemIndex() < FCheckListBox->Count())
    selected = FCheckListBox->Items()->Items(FCheckListBox->ItemIndex())->ItemObject();
  TvxCheckListBoxItems* items = FCheckListBox->Items();
  {
    items->BeginUpdate();
    TScopeExit endUpdate([items] { items->EndUpdate(); });
    items->Clear();
    FillList();
  }
  // The list takes its check states from its edit value: the ticks go through it.
  TvxCheckStates states;
  for (Integer i = 0; i < items->Count(); ++i)
    states.push_back(IsItemChecked(items->Items(i)->ItemObject()) ? cbsChecked : cbsUnchecked);
  Variant value;
  CheckStatesToEditValue(states, nullptr, FCheckListBox->EditValueFormat(), value);
  FCheckListBox->SetEditValue(value);
  if (selected) FCheckListBox->SetItemIndex(items->IndexOfObject(selected));
}

void TvxTreeListCustomizationPopup::AddListItem(TObject* AObject, const String& AText) {
  TvxCheckListBoxItem* item = FCheckListBox->Items()->Add();
  item->SetText(AText);
  item->SetItemObject(AObject);
}

Integer TvxTreeListCustomizationPopup::GetColumnWidth() { return FCheckListBox->GetBestFitWidth() + 10; }

Integer TvxTreeListCustomizationPopup::RowCountFor(Integer AColumnCount) const {
  const Integer count = FCheckListBox->Count();
  AColumnCount = std::max(AColumnCount, 1);
  return count / AColumnCount + (count % AColumnCount ? 1 : 0);
}

void TvxTreeListCustomizationPopup::SetCheckListBoxSize(bool AAllRows) {
  const Integer count = FCheckListBox->Count();
  Integer rows = -1;
  if (!AAllRows) {
    if (FColumnCount < 2) {
      const Integer dropDown = GetDropDownCount();
      rows = dropDown == 0 || dropDown > count ? count : dropDown;
    } else {
      rows = RowCountFor(FColumnCount);
    }
  }
  Integer width;
  if (FColumnCount < 2) {
    // Measured while every row fits, so that the list's own scroll bar is not counted.
    const Integer h = FCheckListBox->Height();
    FCheckListBox->SetBounds(FCheckListBox->Left(), FCheckListBox->Top(), FCheckListBox->Width(),
                             FCheckListBox->GetHeight(count));
    width = FCheckListBox->GetBestFitWidth() + 2;
    FCheckListBox->SetBounds(FCheckListBox->Left(), FCheckListBox->Top(), FCheckListBox->Width(), h);
    if (!AAllRows && rows < count) width += GetSystemMetrics(SM_CXVSCROLL);
  } else {
    width = GetColumnWidth() * FColumnCount;
  }
  const Integer height =
      AAllRows ? FCheckListBox->ClientHeight() + GetSystemMetrics(SM_CYHSCROLL) : FCheckListBox->GetHeight(rows);
  FCheckListBox->SetBounds(FCheckListBox->Left(), FCheckListBox->Top(), std::max(width, GetClientMinWidth()), height);
}

void TvxTreeListCustomizationPopup::AdjustPopup(TPoint& APosition) {
  CalculateSize();
  APosition = CalculatePosition();
}

void TvxTreeListCustomizationPopup::Popup(TWinControl* AFocusedControl) {
  RefreshList();
  SetColumnCount(1);
  FCheckListBox->SetBounds(0, 0, FCheckListBox->Width(), FCheckListBox->Height());
  SetCheckListBoxSize(false);
  inherited::Popup(AFocusedControl);
}

void TvxTreeListCustomizationPopup::CorrectBoundsWithDesktopWorkArea(TPoint& APosition) {
  RECT work{};
  const TRect owner = OwnerScreenBounds();
  vxGetMonitorWorkArea(POINT{owner.left, owner.top}, work);
  Integer available;
  if (APosition.y < work.top)
    available = APosition.y + Height() - work.top;
  else if (APosition.y + Height() > work.bottom)
    available = work.bottom - APosition.y;
  else
    return;
  const Integer count = std::max(FCheckListBox->Count(), 1);
  // The rows that fit decide the first column count; when not even one row fits, the
  // list goes into one row.
  const Integer rowArea = available - VertFrameWidth();
  Integer columns = count;
  if (rowArea > 0) {
    const Integer listHeight = FCheckListBox->Height();
    columns = std::clamp(listHeight / rowArea + (listHeight % rowArea ? 1 : 0), 1, count);
  }
  const Integer cyHScroll = GetSystemMetrics(SM_CYHSCROLL);
  Integer previousHeight = std::numeric_limits<Integer>::max();
  for (;;) {
    ShiftChildControls();
    SetColumnCount(columns);
    SetCheckListBoxSize(false);
    AdjustPopup(APosition);
    if (APosition.y - cyHScroll >= work.top && APosition.y + Height() + cyHScroll <= work.bottom) break;
    // One row cannot shrink further, nor can a popup that stopped getting lower.
    if (RowCountFor(columns) <= 1 || Height() >= previousHeight) break;
    previousHeight = Height();
    ++columns;
  }
  if (APosition.x + Width() > work.right) {
    ShiftChildControls();
    SetColumnCount((work.right - APosition.x - HorzFrameWidth()) / std::max(GetColumnWidth(), 1));
    SetCheckListBoxSize(true);
    AdjustPopup(APosition);
  }
}

// --- Columns popup ---

Integer TvxTreeListColumnsCustomizationPopup::GetDropDownCount() {
  return TreeList()->OptionsCustomizing()->ColumnsQuickCustomizationMaxDropDownCount;
}

void TvxTreeListColumnsCustomizationPopup::FillList() {
  TvxCustomTreeList* tl = TreeList();
  for (Integer i = 0; i < tl->ColumnCount(); ++i) {
    TvxTreeListColumn* c = tl->Columns(i);
    if (!c->Options()->Get(TvxTreeListColumnOptions::Customizing) || c->Options()->Get(TvxTreeListColumnOptions::Hidden))
      continue;
    AddListItem(c, c->Caption()->Text());
  }
}

void TvxTreeListColumnsCustomizationPopup::DoObjectCheck(TObject* AObject, bool AChecked) {
  auto* c = dynamic_cast<TvxTreeListColumn*>(AObject);
  if (!c) return;
  c->SetVisible(AChecked);
  TvxCustomTreeList* tl = TreeList();
  if (tl->OnColumnPosChanged) tl->OnColumnPosChanged(tl, c);
  tl->DesignerModified();
}

bool TvxTreeListColumnsCustomizationPopup::IsItemChecked(TObject* AObject) {
  auto* c = dynamic_cast<TvxTreeListColumn*>(AObject);
  return c && c->Visible();
}

// --- Bands popup ---

Integer TvxTreeListBandsCustomizationPopup::GetDropDownCount() {
  return TreeList()->OptionsCustomizing()->BandsQuickCustomizationMaxDropDownCount;
}

void TvxTreeListBandsCustomizationPopup::FillList() {
  TvxTreeListBands* bands = TreeList()->Bands();
  for (Integer i = 0; i < bands->Count(); ++i) {
    TvxTreeListBand* b = bands->Items(i);
    if (!b->Options()->Customizing || b->Options()->Hidden) continue;
    AddListItem(b, b->Caption()->Text());
  }
}

void TvxTreeListBandsCustomizationPopup::DoObjectCheck(TObject* AObject, bool AChecked) {
  auto* b = dynamic_cast<TvxTreeListBand*>(AObject);
  if (!b) return;
  b->SetVisible(AChecked);
  // Showing or hiding a band can change which bands are listed.
  RefreshList();
  SetCheckListBoxSize(false);
  ShiftChildControls();
  TPoint p;
  AdjustPopup(p);
  SetBounds(p.x, p.y, Width(), Height());
  TvxCustomTreeList* tl = TreeList();
  if (tl->OnBandPosChanged) tl->OnBandPosChanged(tl, b);
  tl->DesignerModified();
}

bool TvxTreeListBandsCustomizationPopup::IsItemChecked(TObject* AObject) {
  auto* b = dynamic_cast<TvxTreeListBand*>(AObject);
  return b && b->Visible();
}

// --- The controller's popups ---

TvxTreeListColumnsCustomizationPopup* TvxTreeListController::ColumnsCustomizationPopup() {
  if (!FColumnsPopup) FColumnsPopup = std::make_unique<TvxTreeListColumnsCustomizationPopup>(TreeList());
  return FColumnsPopup.get();
}

TvxTreeListBandsCustomizationPopup* TvxTreeListController::BandsCustomizationPopup() {
  if (!FBandsPopup) FBandsPopup = std::make_unique<TvxTreeListBandsCustomizationPopup>(TreeList());
  return FBandsPopup.get();
}

void TvxTreeListController::IndicatorCellRemoved(TvxTreeListIndicatorCellViewInfo* ACell) {
  if (FColumnsPopup) FColumnsPopup->OwnerFreed(ACell);
  if (FBandsPopup) FBandsPopup->OwnerFreed(ACell);
}

void TvxTreeListController::ShowQuickCustomizationPopup(TvxTreeListIndicatorCellViewInfo* ACell, bool ABands) {
  TvxTreeListCustomizationPopup* popup = ABands ? static_cast<TvxTreeListCustomizationPopup*>(BandsCustomizationPopup())
                                                : ColumnsCustomizationPopup();
  popup->SetOwner(ACell);
  popup->Popup(nullptr);
}
