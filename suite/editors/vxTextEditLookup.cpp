// The text edit's lookup side: the lookup data, the edit list box, and the typing, key
// and wheel rules of the text edit that use them.
#include <algorithm>
#include <climits>

#include "SysUtils.h"
#include "vxTextEdit.h"

namespace {

bool SameEditValue(const Variant& A, const Variant& B) {
  return VarIsNull(A) == VarIsNull(B) && VarToStr(A) == VarToStr(B);
}

}  // namespace

// ---- Edit list box.

TvxCustomEditListBox::TvxCustomEditListBox(TComponent* AOwner) : TvxCustomInnerListBox(AOwner) {
  SetBorderStyle(bsNone);
}

void TvxCustomEditListBox::SetItemIndex(Integer Value) {
  TvxCustomInnerListBox::SetItemIndex(Value);
  DoSelectItem();
}

void TvxCustomEditListBox::Click() {
  TvxCustomInnerListBox::Click();
  DoSelectItem();
}

void TvxCustomEditListBox::DoSelectItem() {
  SetExternalScrollBarsParameters();
  if (OnSelectItem) OnSelectItem(this);
}

String TvxCustomEditListBox::GetItemText(Integer AIndex) {
  if (FLookupData) return FLookupData->GetItem(AIndex);
  return AIndex >= 0 && AIndex < Items()->Count() ? Items()->Strings(AIndex) : String();
}

Integer TvxCustomEditListBox::GetItemHeight(Integer) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SIZE sz{};
  GetTextExtentPoint32W(dc, L"Wg", 2, &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return sz.cy;
}

Integer TvxCustomEditListBox::GetItemWidth(Integer AIndex) {
  const String text = GetItemText(AIndex);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SIZE sz{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return sz.cx;
}

Integer TvxCustomEditListBox::GetHeight(Integer ARowCount, Integer) { return ARowCount * GetItemHeight(); }

void TvxCustomEditListBox::MeasureItem(Integer, Integer& Height) { Height = GetItemHeight(); }

void TvxCustomEditListBox::SetScrollWidth(Integer Value) {
  if (!HandleAllocated()) return;
  SendMessageW(Handle(), LB_SETHORIZONTALEXTENT, 0, 0);
  SendMessageW(Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(Value), 0);
}

void TvxCustomEditListBox::DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) {
  TCanvas* canvas = Canvas();
  canvas->FillRect(Rect);
  if (Index < 0 || Index >= Items()->Count()) return;
  RECT r = Rect;
  r.left += 2;
  const String text = GetItemText(Index);
  DrawTextW(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  (void)State;
}

void TvxCustomEditListBox::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TvxCustomInnerListBox::MouseMove(Shift, X, Y);
  if (!FHotTrack || GetCapture() == Handle()) return;
  const Integer index = ItemAtPos(POINT{X, Y}, true);
  if (index != -1 && index != ItemIndex()) SetItemIndex(index);
}

bool TvxCustomEditListBox::DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) {
  if (TvxCustomInnerListBox::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  // The "scroll one page" setting reads as the largest unsigned value: a page, not that
  // many lines.
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  const bool up = WheelDelta > 0;
  if (lines == WHEEL_PAGESCROLL) {
    SendMessageW(Handle(), WM_VSCROLL, up ? SB_PAGEUP : SB_PAGEDOWN, 0);
    return true;
  }
  for (UINT i = 0; i < lines; ++i) SendMessageW(Handle(), WM_VSCROLL, up ? SB_LINEUP : SB_LINEDOWN, 0);
  return true;
}

// ---- Lookup data.

TvxCustomTextEditLookupData::TvxCustomTextEditLookupData(TvxCustomTextEdit* AOwner)
    : TvxInterfacedPersistent(AOwner), FEdit(AOwner) {}

TvxCustomTextEditLookupData::~TvxCustomTextEditLookupData() = default;

String TvxCustomTextEditLookupData::GetItem(Integer AIndex) {
  TStringList* items = FEdit->ActiveProperties()->LookupItems();
  return AIndex >= 0 && AIndex < items->Count() ? items->Strings(AIndex) : String();
}

Integer TvxCustomTextEditLookupData::GetItemCount() { return FEdit->ActiveProperties()->LookupItems()->Count(); }

String TvxCustomTextEditLookupData::GetDisplayText(const Variant& AKey) {
  if (VarIsNull(AKey)) return L"";
  const Integer key = AKey.AsInteger();
  return key >= 0 && key < GetItemCount() ? GetItem(key) : String();
}

Integer TvxCustomTextEditLookupData::IndexOf(const String& AText) {
  const Integer n = GetItemCount();
  for (Integer i = 0; i < n; ++i)
    if (AnsiSameText(GetItem(i), AText)) return i;
  return -1;
}

void TvxCustomTextEditLookupData::SynchronizeListItemIndex(Integer AIndex) {
  if (AIndex < -1 || AIndex >= GetItemCount() || (AIndex == FItemIndex && AIndex != -1)) return;
  if (FList && FList->Items()->Count() > 0) {
    if (AIndex == -1) FList->TvxCustomInnerListBox::SetItemIndex(0);
    FList->TvxCustomInnerListBox::SetItemIndex(AIndex);
  }
  FItemIndex = AIndex;
}

void TvxCustomTextEditLookupData::InternalSetCurrentKey(Integer AValue) {
  if (AValue < -1 || AValue >= GetItemCount()) return;
  FCurrentKey = AValue;
  SynchronizeListItemIndex(AValue);
}

void TvxCustomTextEditLookupData::SetCurrentKey(const Variant& AKey) {
  const Integer previous = FCurrentKey;
  {
    TValueScope<Integer> lock(FEdit->FLookupDataTextChangedLockCount, FEdit->FLookupDataTextChangedLockCount + 1);
    InternalSetCurrentKey(VarIsNull(AKey) ? -1 : AKey.AsInteger());
  }
  if (previous == FCurrentKey) {
    if (FCurrentKey < 0 || FCurrentKey >= GetItemCount() || FEdit->Text() == GetItem(FCurrentKey)) return;
  }
  if (OnSelectItem) OnSelectItem(this);
}

void TvxCustomTextEditLookupData::SelectItem() {
  if (FItemIndex == -1) return;
  const Integer previous = FCurrentKey;
  if (FItemIndex != FCurrentKey)
    SetCurrentKey(FItemIndex);
  else if (FEdit->DoEditing())
    SetCurrentKey(FItemIndex);
  if (previous == FCurrentKey && OnSelectItem) OnSelectItem(this);
}

void TvxCustomTextEditLookupData::CloseUp() {
  if (!FEdit->IsEditValueSetting()) SynchronizeListItemIndex(FCurrentKey);
}

void TvxCustomTextEditLookupData::Initialize(TWinControl* AVisualControlsParent) {
  if (!FList) {
    FList = CreateListBox(AVisualControlsParent);
    if (FList) {
      FList->SetLookupData(this);
      FList->SetParent(AVisualControlsParent);
      FList->OnSelectItem = [this](TObject*) { ListSelectItem(); };
      UpdateListItemCount();
      FList->TvxCustomInnerListBox::SetItemIndex(FItemIndex);
    }
  }
  TextChanged();
}

void TvxCustomTextEditLookupData::ListSelectItem() {
  if (FList) FItemIndex = FList->ItemIndex();
}

void TvxCustomTextEditLookupData::UpdateListItemCount() {
  if (!FList) return;
  const Integer n = GetItemCount();
  TStrings* items = FList->Items();
  items->BeginUpdate();
  while (items->Count() > n) items->Delete(items->Count() - 1);
  while (items->Count() < n) items->Add(String());
  items->EndUpdate();
}

void TvxCustomTextEditLookupData::PositionVisualArea(const TRect& AClientRect) {
  if (!FList) return;
  FList->SetBounds(AClientRect.left, AClientRect.top, AClientRect.right - AClientRect.left,
                   AClientRect.bottom - AClientRect.top);
  if (FList->HandleAllocated()) FList->SetScrollWidth(FList->ClientWidth());
}

bool TvxCustomTextEditLookupData::IsMouseOverList(const TPoint& P) {
  if (!FList || !FList->HandleAllocated()) return false;
  // Both in the list's client coordinates.
  POINT pt{P.x, P.y};
  ScreenToClient(FList->Handle(), &pt);
  RECT r;
  GetClientRect(FList->Handle(), &r);
  return PtInRect(&r, pt) != 0;
}

void TvxCustomTextEditLookupData::TextChanged() {
  if (FEdit->IsEditValueSetting()) return;
  const String text = FEdit->Text();
  if (FItemIndex >= 0 && FItemIndex < GetItemCount() && AnsiSameText(GetItem(FItemIndex), text)) return;
  String t = text, tail;
  FindIncremental(t, tail, false, true);
}

void TvxCustomTextEditLookupData::Go(TvxEditLookupDataGoDirection ADirection, bool ACircular) {
  const Integer n = GetItemCount();
  if (n == 0) return;
  const Integer i = FItemIndex != -1 ? FItemIndex : FCurrentKey;
  const Integer page = FEdit->ActiveProperties()->GetLookupPageRowCount();
  Integer r = i;
  switch (ADirection) {
    case egdBegin: r = 0; break;
    case egdEnd: r = n - 1; break;
    case egdNext: r = i + 1 >= n ? (ACircular ? 0 : i) : i + 1; break;
    case egdPrev: r = i - 1 < 0 ? (ACircular ? n - 1 : i) : i - 1; break;
    case egdPageUp:
      if (i != -1) {
        r = i - page + 1;
        if (r < 0) r = ACircular && i == 0 ? n - 1 : 0;
      } else {
        r = ACircular ? n - 1 : -1;
      }
      break;
    case egdPageDown:
      r = i == -1 ? page - 1 : i + page - 1;
      if (r >= n) r = ACircular && i == n - 1 ? 0 : n - 1;
      break;
  }
  const bool listShown = FList && FList->IsVisible();
  if (!listShown || (FEdit->ActiveProperties()->ImmediateUpdateText() && FEdit->DoEditing()))
    SetCurrentKey(r);
  else
    SynchronizeListItemIndex(r);
}

bool TvxCustomTextEditLookupData::FindIncremental(String& AText, String& ATail, bool ANext, bool AExactMRU) {
  TvxCustomTextEditProperties* p = FEdit->ActiveProperties();
  const TvxEditEditingStyle style = p->GetEditingStyle();
  const Integer n = GetItemCount();
  ATail.clear();
  auto noMatch = [&] {
    if (style == esEdit || style == esNoEdit || (style == esEditList && (AExactMRU || AText.empty())) ||
        (style == esFixedList && AExactMRU))
      InternalSetCurrentKey(-1);
    return false;
  };
  if (n == 0) return noMatch();
  if (AExactMRU && p->MRUMode()) {
    const Integer i = IndexOf(AText);
    if (i == -1) {
      InternalSetCurrentKey(-1);
      return false;
    }
    InternalSetCurrentKey(i);
    return true;
  }
  if (AText.empty()) return noMatch();
  const String upper = AnsiUpperCase(AText);
  for (Integer i = ANext ? FItemIndex + 1 : 0; i < n; ++i) {
    const String item = GetItem(i);
    if (item.size() < AText.size() || AnsiUpperCase(item.substr(0, AText.size())) != upper) continue;
    if (style != esEdit) AText = item.substr(0, AText.size());
    ATail = item.substr(AText.size());
    InternalSetCurrentKey(i);
    return true;
  }
  return noMatch();
}

// ---- The text edit's lookup side.

std::unique_ptr<TvxCustomTextEditLookupData> TvxCustomTextEditProperties::CreateLookupData(TvxCustomTextEdit* AEdit) {
  return std::make_unique<TvxCustomTextEditLookupData>(AEdit);
}

bool TvxCustomTextEdit::FindAndComplete(String& AText) {
  String tail;
  const bool found = FLookupData && FLookupData->Locate(AText, tail, false);
  SetFindSelection(found);
  if (AText.empty() && ActiveProperties()->GetEditingStyle() != esFixedList) {
    SetInternalDisplayValue(String());
    SetFindSelection(false);
  } else if (found) {
    SetInternalDisplayValue(AText + tail);
    SetSelection(static_cast<Integer>(AText.size()), static_cast<Integer>(tail.size()));
  }
  UpdateDrawValue();
  return found;
}

Variant TvxCustomTextEdit::LookupKeyToEditValue(const Variant& AKey) {
  Variant value;
  PrepareEditValue(FLookupData ? FLookupData->GetDisplayText(AKey) : String(), value, false);
  return value;
}

TObject* TvxCustomTextEdit::ItemObject() const {
  const Integer i = ItemIndex();
  TStringList* items = ActiveProperties()->LookupItems();
  return i >= 0 && i < items->Count() ? items->Objects(i) : nullptr;
}

void TvxCustomTextEdit::ApplyLookupSelection() {
  if (!FLookupData) return;
  const Variant value = LookupKeyToEditValue(FLookupData->GetCurrentKey());
  const bool changed = !SameEditValue(value, EditValue());
  if (changed && !DoEditing()) return;
  {
    TValueScope<Integer> lock(FLookupDataTextChangedLockCount, FLookupDataTextChangedLockCount + 1);
    TValueScope<bool> setting(FEditValueSetting, true);
    SetInternalEditValue(value);
  }
  if (changed) SetModifiedAfterEnter(true);
  SelectAll();
}

void TvxCustomTextEdit::SetItemIndex(Integer Value) {
  if (!FLookupData) return;
  const Integer previous = FLookupData->CurrentKey();
  LockClick(true);
  TScopeExit unlock([this] { LockClick(false); });
  FLookupData->SetCurrentKey(LookupKeyByItemIndex(Value));
  const Variant value = LookupKeyToEditValue(FLookupData->GetCurrentKey());
  if (!SameEditValue(value, EditValue())) {
    TValueScope<Integer> lock(FLookupDataTextChangedLockCount, FLookupDataTextChangedLockCount + 1);
    SetEditValue(value);
  }
  if (FLookupData->CurrentKey() != previous) SetEditModified(false);
}

bool TvxCustomTextEdit::StepLookup(TvxEditLookupDataGoDirection ADirection) {
  if (!FLookupData || FLookupData->IsEmpty()) return false;
  const Integer previous = FLookupData->CurrentKey();
  {
    auto events = vxLockChangeEvents(this);
    TValueScope<bool> scrolling(FLookupItemsScrolling, true);
    LockClick(true);
    TScopeExit unlock([this] { LockClick(false); });
    FLookupData->Go(ADirection, false);
  }
  if (FLookupData->CurrentKey() != previous) DoClick();
  return true;
}
