#include "vxCheckListBox.h"

#include <algorithm>

#include "vdCore.h"
#include "vxContainerRoutines.h"

TResStringRec vxSCheckListBoxItemLimit(L"The number\uF8F0of items cannot be greater than 64, if the EditValueFormat is cvfInteger");

namespace {

constexpr Integer CCheckFaceSize = 13;  // the check face with its border

// The value of AValue counted as the same for change notifications: same type and value.
bool SameTypedValue(const Variant& A, const Variant& B) { return A.VType() == B.VType() && VarSameValue(A, B); }

}  // namespace

// --- Items ----------------------------------------------------------------------------------

TvxCustomInnerCheckListBox* TvxCheckListBoxItem::List() const {
  auto* items = dynamic_cast<TvxCheckListBoxItems*>(Collection());
  return items ? items->CheckListBox() : nullptr;
}

void TvxCheckListBoxItem::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Changed(false);
}

void TvxCheckListBoxItem::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  Changed(false);
}

void TvxCheckListBoxItem::SetState(TvxCheckBoxState Value) {
  TvxCustomInnerCheckListBox* list = List();
  if (!list) {
    FState = Value;
    return;
  }
  TvxCheckListBox* box = list->CheckListBox();
  if (Value == cbsGrayed && box && box->EditValueFormat() == cvfInteger) Value = cbsUnchecked;
  if (FState == Value) return;
  FState = Value;
  list->InvalidateItem(Index());
  auto* items = static_cast<TvxCheckListBoxItems*>(Collection());
  if (box && items->UpdateCount() == 0 && !items->ChangedLocked()) box->StatesToEditValue();
}

TvxCheckListBoxItems::TvxCheckListBoxItems(TvxCustomInnerCheckListBox* AOwner)
    : TvxCaptionItems(AOwner, TvxCheckListBoxItem::StaticClass()), FCheckListBox(AOwner) {}

Integer TvxCheckListBoxItems::IndexOf(const String& S) const {
  for (Integer i = 0; i < Count(); ++i)
    if (vxSameStrings(Items(i)->Text(), S)) return i;
  return -1;
}

Integer TvxCheckListBoxItems::IndexOfObject(TObject* AObject) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->ItemObject() == AObject) return i;
  return -1;
}

void TvxCheckListBoxItems::LoadStrings(TStrings* AStrings) const {
  AStrings->Clear();
  for (Integer i = 0; i < Count(); ++i) AStrings->Add(Items(i)->Text());
}

void TvxCheckListBoxItems::LockChanged(bool ALock) { FChangedLockCount += ALock ? 1 : -1; }

void TvxCheckListBoxItems::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  FCheckListBox->SyncRows(Item);
  if (TvxCheckListBox* box = FCheckListBox->CheckListBox()) {
    if (box->FIsModified)
      box->StatesToEditValue();
    else
      box->EditValueToStates();
    box->CheckItemLimit();
  }
}

// --- Inner list -----------------------------------------------------------------------------

TvxCustomInnerCheckListBox::TvxCustomInnerCheckListBox(TComponent* AOwner)
    : TvxCustomInnerListBox(AOwner), FCheckItems(std::make_unique<TvxCheckListBoxItems>(this)) {
  SetStyle(lbOwnerDrawFixed);
}

TvxCustomInnerCheckListBox::~TvxCustomInnerCheckListBox() {
  FCheckItems.reset();
}

TvxCheckListBox* TvxCustomInnerCheckListBox::CheckListBox() const {
  return dynamic_cast<TvxCheckListBox*>(Container());
}

void TvxCustomInnerCheckListBox::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (!(Params.Style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) Params.Style |= LBS_OWNERDRAWFIXED;
}

void TvxCustomInnerCheckListBox::CreateWnd() {
  UpdateItemHeight();
  inherited::CreateWnd();
}

void TvxCustomInnerCheckListBox::SyncRows(TCollectionItem* AItem) {
  if (AItem && Items()->Count() == FCheckItems->Count()) {
    const Integer i = AItem->Index();
    if (Items()->Strings(i) != FCheckItems->Items(i)->Text()) Items()->SetStrings(i, FCheckItems->Items(i)->Text());
    InvalidateItem(i);
    return;
  }
  const Integer index = ItemIndex(), top = TopIndex();
  Items()->BeginUpdate();
  Items()->Clear();
  for (Integer i = 0; i < FCheckItems->Count(); ++i) Items()->Add(FCheckItems->Items(i)->Text());
  Items()->EndUpdate();
  if (index < Items()->Count()) SetItemIndex(index);
  if (top < Items()->Count()) SetTopIndex(top);
}

Integer TvxCustomInnerCheckListBox::CheckBorderOffset() {
  TvxCheckListBox* box = CheckListBox();
  if (!box) return 0;
  TvxLookAndFeel* lf = box->Style()->LookAndFeel();
  if (lf->SkinPainter()) return 0;
  return lf->Kind() == lfUltraFlat || lf->Kind() == lfOffice11 ? 1 : 0;
}

TRect TvxCustomInnerCheckListBox::GetItemCheckRect(const TRect& AItemRect, bool AWithBorder) {
  TvxCheckListBox* box = CheckListBox();
  if (!box || !box->ShowChecks()) return TRect{};
  const Integer n = CheckBorderOffset();
  const Integer size = CCheckFaceSize - 2 * n;
  Integer left = AItemRect.left + FMetrics.ContentOffset + FMetrics.CheckFrameWidth;
  if (box->Images() && box->ImageLayout() == ilBeforeChecks)
    left += box->Images()->Width() + 2 * FMetrics.ImageFrameWidth;
  const Integer top = AItemRect.top + (AItemRect.bottom - AItemRect.top - size) / 2;
  TRect r{left, top, left + size, top + size};
  if (box->IsRightToLeft()) {
    const Integer w = r.right - r.left;
    r.right = AItemRect.right - (r.left - AItemRect.left);
    r.left = r.right - w;
  }
  if (AWithBorder) InflateRect(&r, n, n);
  return r;
}

Integer TvxCustomInnerCheckListBox::GetTextAreaOffset() {
  TvxCheckListBox* box = CheckListBox();
  const bool checks = box && box->ShowChecks();
  const bool images = box && box->Images();
  Integer r = FMetrics.ContentOffset;
  if (checks || images) r += FMetrics.TextAreaOffset;
  if (checks) r += 2 * FMetrics.CheckFrameWidth + CCheckFaceSize - 2 * CheckBorderOffset();
  if (images) r += box->Images()->Width() + 2 * FMetrics.ImageFrameWidth;
  return r;
}

Integer TvxCustomInnerCheckListBox::GetStandardItemHeight() {
  TvxCheckListBox* box = CheckListBox();
  Integer h = vxTextHeightOfFont(box ? box->Font() : Font(), L"Zg");
  if (box && box->ShowChecks()) h = std::max(h, CCheckFaceSize - 2 * CheckBorderOffset() + 2 * FMetrics.CheckFrameWidth);
  if (box && box->Images()) h = std::max(h, box->Images()->Height() + 2 * FMetrics.ImageFrameWidth);
  return h;
}

void TvxCustomInnerCheckListBox::UpdateItemHeight() {
  if (Style() == lbOwnerDrawFixed) SetItemHeight(GetStandardItemHeight());
  Invalidate();
}

Integer TvxCustomInnerCheckListBox::CheckAtPoint(Integer X, Integer Y) {
  const Integer i = ItemAtPos(POINT{X, Y}, true);
  if (i < 0 || i >= FCheckItems->Count()) return -1;
  const TRect r = GetItemCheckRect(ItemRect(i), false);
  const POINT p{X, Y};
  return PtInRect(&r, p) ? i : -1;
}

void TvxCustomInnerCheckListBox::InvalidateItem(Integer AIndex) {
  if (!HandleAllocated() || AIndex < 0 || AIndex >= Items()->Count()) return;
  RECT r = ItemRect(AIndex);
  InvalidateRect(Handle(), &r, FALSE);
}

void TvxCustomInnerCheckListBox::ToggleItemCheck(Integer AIndex) {
  if (AIndex < 0 || AIndex >= FCheckItems->Count()) return;
  TvxCheckListBoxItem* item = FCheckItems->Items(AIndex);
  if (!item->Enabled()) return;
  TvxCheckListBox* box = CheckListBox();
  const TvxCheckBoxState prev = item->State();
  TvxCheckBoxState next = cbsChecked;
  if (prev == cbsUnchecked)
    next = FAllowGrayed && box && box->EditValueFormat() != cvfInteger ? cbsGrayed : cbsChecked;
  else if (prev == cbsChecked)
    next = cbsUnchecked;
  item->SetState(next);
  DoClickCheck(AIndex, prev, item->State());
}

void TvxCustomInnerCheckListBox::DoClickCheck(Integer AIndex, TvxCheckBoxState APrevState,
                                              TvxCheckBoxState ANewState) {
  if (OnClickCheck) OnClickCheck(Container(), AIndex, APrevState, ANewState);
}

void TvxCustomInnerCheckListBox::SetPressedCheck(Integer AIndex) {
  if (FPressedCheckIndex == AIndex) return;
  InvalidateItem(FPressedCheckIndex);
  FPressedCheckIndex = AIndex;
  InvalidateItem(AIndex);
}

void TvxCustomInnerCheckListBox::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  const Integer i = CheckAtPoint(X, Y);
  if (i < 0) return;
  RECT client;
  GetClientRect(Handle(), &client);
  const bool fullyVisible = ItemRect(i).bottom <= client.bottom;
  TvxCheckListBox* box = CheckListBox();
  if ((box && box->DragMode() == dmAutomatic) || !fullyVisible) {
    // A partly shown row scrolls into view on the press: toggle now, the row moves away.
    ToggleItemCheck(i);
    return;
  }
  FCapturedCheckIndex = i;
  SetPressedCheck(i);
}

void TvxCustomInnerCheckListBox::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  const Integer i = CheckAtPoint(X, Y);
  if (FCapturedCheckIndex >= 0) {
    SetPressedCheck(i == FCapturedCheckIndex ? i : -1);
    return;
  }
  if (FHotCheckIndex != i) {
    InvalidateItem(FHotCheckIndex);
    FHotCheckIndex = i;
    InvalidateItem(i);
  }
}

void TvxCustomInnerCheckListBox::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  TvxCheckListBox* box = CheckListBox();
  if (Button == mbLeft && !(box && box->DragMode() == dmAutomatic)) {
    const Integer i = CheckAtPoint(X, Y);
    if (i >= 0 && i == FCapturedCheckIndex) ToggleItemCheck(i);
  }
  FCapturedCheckIndex = -1;
  SetPressedCheck(-1);
}

void TvxCustomInnerCheckListBox::WndProc(TMessage& Message) {
  inherited::WndProc(Message);
  // The mouse left the list itself: no check stays hot or pressed.
  if (Message.Msg == CM_MOUSELEAVE && Message.LParam == 0) {
    InvalidateItem(FHotCheckIndex);
    FHotCheckIndex = -1;
    SetPressedCheck(-1);
  }
}

void TvxCustomInnerCheckListBox::KeyPress(wchar_t& Key) {
  if (Key == L' ') ToggleItemCheck(ItemIndex());
  inherited::KeyPress(Key);
}

void TvxCustomInnerCheckListBox::DblClick() {
  inherited::DblClick();
  const Integer i = ItemIndex();
  if (i < 0 || i >= FCheckItems->Count() || !FCheckItems->Items(i)->Enabled()) return;
  POINT p;
  GetCursorPos(&p);
  ::ScreenToClient(Handle(), &p);
  if (CheckAtPoint(p.x, p.y) == i || FAllowDblClickToggle) ToggleItemCheck(i);
}

void TvxCustomInnerCheckListBox::DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) {
  TvxCheckListBox* box = CheckListBox();
  if (!box || Index >= FCheckItems->Count()) return;
  TvxCheckListBoxItem* item = FCheckItems->Items(Index);
  TCanvas* canvas = Canvas();
  canvas->SetFont(box->Font());
  const bool enabled = box->Enabled() && item->Enabled();
  const bool rtl = box->IsRightToLeft();
  const TRect full = Rect;
  const Integer offset = GetTextAreaOffset();
  TRect textArea = full;
  if (rtl)
    textArea.right -= offset;
  else
    textArea.left += offset;
  TvxLookAndFeel* lf = box->Style()->LookAndFeel();
  // Background of the check and image area, in the list's colour.
  TRect front = full;
  if (rtl)
    front.left = textArea.right;
  else
    front.right = textArea.left;
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(front);

  TvxCanvas vx(canvas);
  if (box->ShowChecks()) {
    const TRect check = GetItemCheckRect(full, true);
    if (check.top >= full.top) {
      TvxEditCheckState cs = ecsNormal;
      if (!enabled)
        cs = ecsDisabled;
      else if (Index == FPressedCheckIndex)
        cs = ecsPressed;
      else if (Index == FHotCheckIndex)
        cs = ecsHot;
      TvxEditBorderStyle border = box->CheckBorderStyle();
      if (border == ebsFlat && (cs == ecsHot || cs == ecsPressed)) border = ebs3D;
      PaintEditCheckBox(&vx, check, item->State(), cs, nullptr, 0, border, false, clBtnText, Color(), true,
                        box->ComponentState().Contains(csDesigning), false, true, lf->SkinPainter(),
                        nssGrayedChecked);
    }
  }
  TCustomImageList* images = box->Images();
  if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
    Integer left = FMetrics.ContentOffset + FMetrics.ImageFrameWidth;
    if (box->ImageLayout() == ilAfterChecks && box->ShowChecks())
      left += 2 * FMetrics.CheckFrameWidth + CCheckFaceSize - 2 * CheckBorderOffset();
    const Integer x = rtl ? full.right - left - images->Width() : full.left + left;
    const Integer y = full.top + (full.bottom - full.top - images->Height()) / 2;
    images->Draw(canvas, x, y, item->ImageIndex(), enabled);
  }

  TColor back = box->ComputeBackgroundColor(), text = box->Font()->Color();
  if (State.Contains(odSelected) && !box->ComponentState().Contains(csDesigning)) {
    TvxCustomLookAndFeelPainterClass painter = lf->Painter();
    back = painter->DefaultSelectionColor();
    text = painter->DefaultSelectionTextColor();
  } else if (!enabled) {
    text = box->StyleDisabled()->TextColor();
  }
  canvas->Brush()->SetColor(back);
  canvas->FillRect(textArea);
  TRect textRect = textArea;
  if (rtl)
    textRect.right -= FMetrics.TextOffset;
  else
    textRect.left += FMetrics.TextOffset;
  SetBkMode(canvas->Handle(), TRANSPARENT);
  SetTextColor(canvas->Handle(), ColorToRGB(text));
  SelectObject(canvas->Handle(), box->Font()->Handle());
  std::wstring s = item->Text();
  DrawTextExW(canvas->Handle(), s.data(), static_cast<int>(s.size()), &textRect,
              (rtl ? DT_RIGHT : DT_LEFT) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, nullptr);
}

// --- Container ------------------------------------------------------------------------------

TvxCheckListBox::TvxCheckListBox(TComponent* AOwner) : TvxContainer(AOwner) {}

TvxCheckListBox::~TvxCheckListBox() {
  SetImages(nullptr);
  delete FInnerCheckListBox;
  FInnerCheckListBox = nullptr;
}

void TvxCheckListBox::AfterConstruction() {
  inherited::AfterConstruction();
  FInnerCheckListBox = CreateInnerCheckListBox();
  FInnerCheckListBox->SetTabStop(false);
  FInnerCheckListBox->SetBorderStyle(bsNone);
  FInnerCheckListBox->SetContainer(this);
  FInnerCheckListBox->SetParent(this);
  SetInnerControl(FInnerCheckListBox);
  SetBounds(Left(), Top(), 121, 97);
}

TvxEditBorderStyle TvxCheckListBox::CheckBorderStyle() {
  switch (Style()->LookAndFeel()->Kind()) {
    case lfFlat: return ebsFlat;
    case lfUltraFlat: return ebsUltraFlat;
    case lfOffice11: return ebsOffice11;
    default: return ebs3D;
  }
}

void TvxCheckListBox::StatesToEditValue() {
  TvxCheckStates states;
  for (Integer i = 0; i < Count(); ++i) states.push_back(Items()->Items(i)->State());
  Variant value;
  if (OnCheckStatesToEditValue)
    OnCheckStatesToEditValue(this, states, value);
  else
    CheckStatesToEditValue(states, Items(), FEditValueFormat, value);
  FIsModified = true;
  const Variant old = FEditValue;
  FEditValue = value;
  if (OnEditValueChanged && !SameTypedValue(old, FEditValue)) OnEditValueChanged(this);
}

void TvxCheckListBox::EditValueToStates() {
  TvxCheckStates states;
  if (OnEditValueToCheckStates) {
    states.assign(static_cast<size_t>(Count()), cbsUnchecked);
    OnEditValueToCheckStates(this, FEditValue, states);
  } else {
    EditValueToCheckStates(FEditValue, Items(), FEditValueFormat, states);
  }
  Items()->LockChanged(true);
  for (Integer i = 0; i < Count(); ++i)
    Items()->Items(i)->SetState(i < static_cast<Integer>(states.size()) ? states[static_cast<size_t>(i)] : cbsUnchecked);
  Items()->LockChanged(false);
}

void TvxCheckListBox::SetEditValue(const Variant& Value) {
  FIsModified = false;
  const Variant old = FEditValue;
  FEditValue = Value;
  EditValueToStates();
  if (OnEditValueChanged && !SameTypedValue(old, FEditValue)) OnEditValueChanged(this);
}

void TvxCheckListBox::SetEditValueFormat(TvxCheckStatesValueFormat Value) {
  if (FEditValueFormat == Value) return;
  FEditValueFormat = Value;
  if (FIsModified) {
    if (Value == cvfInteger) {
      Items()->LockChanged(true);
      for (Integer i = 0; i < Count(); ++i)
        if (Items()->Items(i)->State() == cbsGrayed) Items()->Items(i)->SetState(cbsUnchecked);
      Items()->LockChanged(false);
    }
    StatesToEditValue();
  } else {
    EditValueToStates();
  }
  CheckItemLimit();
}

void TvxCheckListBox::CheckItemLimit() {
  const TvxCheckStatesValueFormatEx format =
      OnCheckStatesToEditValue && OnEditValueToCheckStates ? cvfCustom : FEditValueFormat;
  if (format == cvfInteger && Count() > 64) throw EvdException(vxSCheckListBoxItemLimit.Text);
}

void TvxCheckListBox::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (FImages) FImages->FreeNotification(this);
  if (FInnerCheckListBox) FInnerCheckListBox->UpdateItemHeight();
}

void TvxCheckListBox::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) SetImages(nullptr);
}

void TvxCheckListBox::SetImageLayout(TvxCheckListBoxImageLayout Value) {
  if (FImageLayout == Value) return;
  FImageLayout = Value;
  FInnerCheckListBox->Invalidate();
}

void TvxCheckListBox::SetShowChecks(bool Value) {
  if (FShowChecks == Value) return;
  FShowChecks = Value;
  FInnerCheckListBox->UpdateItemHeight();
}

Integer TvxCheckListBox::GetBestFitWidth() {
  TRect ext{};
  GetBorderExtent(ext);
  Integer widest = 0;
  for (Integer i = 0; i < Count(); ++i)
    widest = std::max(widest, vxTextWidthOfFont(Font(), Items()->Items(i)->Text()) +
                                  FInnerCheckListBox->Metrics().TextOffset);
  if (Count() > 0 && FInnerCheckListBox->HandleAllocated() &&
      (GetWindowLongW(FInnerCheckListBox->Handle(), GWL_STYLE) & WS_VSCROLL) &&
      FInnerCheckListBox->ItemHeight() * Count() > FInnerCheckListBox->ClientHeight())
    widest += GetSystemMetrics(SM_CXVSCROLL);
  return ext.left + ext.right + FInnerCheckListBox->GetTextAreaOffset() + widest +
         FInnerCheckListBox->Metrics().TextWidthCorrection;
}

// --- Unit -----------------------------------------------------------------------------------

namespace {

const wchar_t* const CProductName = L"TarvixEditorsEx Library";
const wchar_t* const CItemLimitText = L"The number\uF8F0of items cannot be greater than 64, if the EditValueFormat is cvfInteger";

void InitUnit() {
  vdGetResourceStringsRepository()->RegisterProduct(CProductName, [](TvdProductResourceStrings* AProduct) {
    AProduct->Add(L"vxSCheckListBoxItemLimit", &vxSCheckListBoxItemLimit);
  });
}

// Unregistering drops any translation: the record gets its built-in text back.
void FinUnit() {
  vdGetResourceStringsRepository()->UnRegisterProduct(CProductName);
  vxSCheckListBoxItemLimit.Text = CItemLimitText;
}

}  // namespace

const TUnitInfo vxCheckListBoxUnit = {L"vxCheckListBox", InitUnit, FinUnit};
