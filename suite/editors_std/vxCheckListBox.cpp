#include "vxCheckListBox.h"

#include <algorithm>
#include <exception>

#include "vdCore.h"
#include "vdThemeManager.h"
#include "vxContainerRoutines.h"
#include "vxEditPaintUtils.h"

TResStringRec vxSCheckListBoxItemLimit(L"The number\uF8F0of items cannot be greater than 64, if the EditValueFormat is cvfInteger");

namespace {

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
    // Items read from a stream bring their states; the edit value is not streamed, so
    // it is built from them instead of wiping them.
    if (box->FIsModified || box->ComponentState().Contains(csLoading))
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
  const bool glyph = FGlyphCount > 0 && IsBitmapUsable(FGlyph.get());
  return CalcCheckBorderOffset(box->CheckBorderStyle(), box->NativeCheckStyle(), glyph, lf->SkinPainter());
}

TSize TvxCustomInnerCheckListBox::CheckSize() {
  TvxCheckListBox* box = CheckListBox();
  TvxCustomLookAndFeelPainterClass skin = box ? box->Style()->LookAndFeel()->SkinPainter() : nullptr;
  const TSize face = CalcEditCheckSize(FGlyph.get(), FGlyphCount, box && box->NativeCheckStyle(), skin);
  const Integer n = CheckBorderOffset();
  return TSize{face.cx - 2 * n, face.cy - 2 * n};
}

TBitmap* TvxCustomInnerCheckListBox::Glyph() {
  if (!FGlyph) {
    FGlyph = std::make_unique<TBitmap>();
    FGlyph->OnChange = [this](TObject*) { UpdateItemHeight(); };
  }
  return FGlyph.get();
}

void TvxCustomInnerCheckListBox::SetGlyph(TBitmap* Value) {
  if (!Value)
    FGlyph.reset();
  else
    Glyph()->Assign(Value);
  UpdateItemHeight();
}

void TvxCustomInnerCheckListBox::SetGlyphCount(Integer Value) {
  if (FGlyphCount == Value) return;
  FGlyphCount = Value;
  if (FGlyph) UpdateItemHeight();
}

bool TvxCustomInnerCheckListBox::EditRefused() {
  TvxCheckListBox* box = CheckListBox();
  return box && !box->ShowChecks() && !box->DataBinding()->SetEditMode();
}

void TvxCustomInnerCheckListBox::Click() {
  if (EditRefused()) return;
  inherited::Click();
}

TRect TvxCustomInnerCheckListBox::GetItemCheckRect(const TRect& AItemRect, bool AWithBorder) {
  TvxCheckListBox* box = CheckListBox();
  if (!box || !box->ShowChecks()) return TRect{};
  const Integer n = CheckBorderOffset();
  const TSize size = CheckSize();
  Integer left = AItemRect.left + FMetrics.ContentOffset + FMetrics.CheckFrameWidth;
  if (box->Images() && box->ImageLayout() == ilBeforeChecks)
    left += box->Images()->Width() + 2 * FMetrics.ImageFrameWidth;
  const Integer top = AItemRect.top + (AItemRect.bottom - AItemRect.top - size.cy) / 2;
  TRect r{left, top, left + size.cx, top + size.cy};
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
  if (checks) r += 2 * FMetrics.CheckFrameWidth + CheckSize().cx;
  if (images) r += box->Images()->Width() + 2 * FMetrics.ImageFrameWidth;
  return r;
}

Integer TvxCustomInnerCheckListBox::GetStandardItemHeight() {
  TvxCheckListBox* box = CheckListBox();
  Integer h = vxTextHeightOfFont(box ? box->Font() : Font(), L"Zg");
  if (box && box->ShowChecks()) h = std::max<Integer>(h, CheckSize().cy + 2 * FMetrics.CheckFrameWidth);
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
  if (box && box->Focused() && !box->DataBinding()->SetEditMode()) return;
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
  if (Message.Msg == WM_LBUTTONDOWN && EditRefused()) {
    // Refused without checks: the list takes the focus and reports the press only.
    if (CanFocus()) SetFocus();
    MouseDown(mbLeft, KeysToShiftState(Message.WParam), static_cast<short>(LOWORD(Message.LParam)),
              static_cast<short>(HIWORD(Message.LParam)));
    return;
  }
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
      const bool native = box->NativeCheckStyle();
      if (!native && border == ebsFlat && (cs == ecsHot || cs == ecsPressed)) border = ebs3D;
      PaintEditCheckBox(&vx, check, item->State(), cs, FGlyph.get(), FGlyphCount, border, native, clBtnText, Color(),
                        true, box->ComponentState().Contains(csDesigning), false, true, lf->SkinPainter(),
                        nssGrayedChecked);
    }
  }
  TCustomImageList* images = box->Images();
  if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
    Integer left = FMetrics.ContentOffset + FMetrics.ImageFrameWidth;
    if (box->ImageLayout() == ilAfterChecks && box->ShowChecks())
      left += 2 * FMetrics.CheckFrameWidth + CheckSize().cx;
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
  FDataBinding.reset();
}

bool TvxCheckListBox::NativeCheckStyle() {
  return Style()->LookAndFeel()->NativeStyle() && vdOpenThemeByType(totButton) && vdOpenThemeByType(totComboBox);
}

void TvxCheckListBox::SetItems(TvxCheckListBoxItems* Value) {
  Items()->Assign(Value);
  DataChange();
}

void TvxCheckListBox::SetSorted(bool Value) {
  if (ComponentState().Contains(csLoading)) {
    FLoadedSortedValue = Value;
    return;
  }
  Items()->SetSorted(Value);
}

void TvxCheckListBox::SetIntegralHeight(bool Value) {
  if (FIntegralHeight == Value) return;
  FIntegralHeight = Value;
  AlignInnerControl();
}

void TvxCheckListBox::Loaded() {
  inherited::Loaded();
  FDataBinding->Reset();
  Items()->SetSorted(FLoadedSortedValue);
  if (FInnerCheckListBox->HandleAllocated()) TWinControlAccess_::RecreateWnd_(FInnerCheckListBox);
}

void TvxCheckListBox::DataChange() {
  if (FShowChecks) {
    SetEditValue(FDataBinding->GetStoredValue(evsValue, Focused()));
  } else if (FDataBinding->IsDataSourceLive()) {
    SetItemIndex(Items()->IndexOf(VarToStr(FDataBinding->GetStoredValue(evsText, Focused()))));
  } else {
    SetItemIndex(-1);
  }
}

void TvxCheckListBox::UpdateData() {
  if (FShowChecks) {
    FDataBinding->SetStoredValue(evsValue, FEditValue);
    return;
  }
  const Integer i = ItemIndex();
  FDataBinding->SetStoredValue(evsText, i < 0 || i >= Count() ? String() : Items()->Items(i)->Text());
}

void TvxCheckListBox::DoExit() {
  if (IsDestroying() || FIsExitProcessing) return;
  FIsExitProcessing = true;
  // A refused value sends the focus back to the list while the error propagates.
  TScopeExit done([this, exceptions = std::uncaught_exceptions()] {
    FIsExitProcessing = false;
    if (std::uncaught_exceptions() > exceptions && CanFocus()) SetFocus();
  });
  FDataBinding->UpdateDataSource();
  inherited::DoExit();
}

void TvxCheckListBox::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (!FShowChecks && Key >= VK_PRIOR && Key <= VK_DOWN && !FDataBinding->SetEditMode()) Key = 0;
}

void TvxCheckListBox::KeyPress(wchar_t& Key) {
  inherited::KeyPress(Key);
  if (!FShowChecks && vxIsNonControlChar(Key) && !FDataBinding->SetEditMode()) Key = 0;
  if (Key == 27) FDataBinding->Reset();
}

void TvxCheckListBox::AfterConstruction() {
  inherited::AfterConstruction();
  FDataBinding = CreateDataBinding();
  FDataBinding->OnDataChange = [this] { DataChange(); };
  FDataBinding->OnDataSetChange = [this] { BindingSourceChanged(); };
  FDataBinding->OnUpdateData = [this] { UpdateData(); };
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
  UpdateScrollBarsParameters();
  FDataBinding->Reset();
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

void TvxCheckListBoxItem::DeclarePublished(TPublisher<TvxCheckListBoxItem>& P) {
  using C = TvxCheckListBoxItem;
  P.Property(L"Enabled", &C::Enabled, &C::SetEnabled).Default(true);
  P.Property(L"ImageIndex", &C::ImageIndex, &C::SetImageIndex).Default(-1);
  P.Property(L"State", &C::State, &C::SetState).Default(cbsUnchecked);
  P.Property(L"Text", [](C* I) { return I->Text(); }, [](C* I, const String& V) { I->SetText(V); });
}

void TvxCheckListBox::DeclarePublished(TPublisher<TvxCheckListBox>& P) {
  using C = TvxCheckListBox;
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"AllowDblClickToggle", &C::AllowDblClickToggle, &C::SetAllowDblClickToggle).Default(true);
  P.Property(L"AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed).Default(false);
  P.Property(L"EditValueFormat", &C::EditValueFormat, &C::SetEditValueFormat).Default(cvfInteger);
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"Glyph", &C::Glyph, &C::SetGlyph).Stored([](C* B) {
    TBitmap* g = B->InnerCheckListBox()->GlyphOrNull();
    return g && !g->Empty();
  });
  P.Property(L"GlyphCount", &C::GlyphCount, &C::SetGlyphCount).Default(6);
  P.Property(L"ImageLayout", &C::ImageLayout, &C::SetImageLayout).Default(ilBeforeChecks);
  P.Property(L"IntegralHeight", &C::IntegralHeight, &C::SetIntegralHeight).Default(false);
  P.Property(L"Items", &C::Items, &C::SetItems);
  P.Property(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(false);
  P.Property(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
  P.Property(L"ReadOnly", &C::ReadOnly, &C::SetReadOnly).Default(false);
  P.Property(L"ShowChecks", &C::ShowChecks, &C::SetShowChecks).Default(true);
  P.Property(L"Sorted", &C::Sorted, &C::SetSorted).Default(false);
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"StyleDisabled", &TvxContainer::StyleDisabled, &TvxContainer::SetStyleDisabled);
  P.Property(L"StyleFocused", &TvxContainer::StyleFocused, &TvxContainer::SetStyleFocused);
  P.Property(L"StyleHot", &TvxContainer::StyleHot, &TvxContainer::SetStyleHot);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
}

Integer TvxCheckListBox::GetHeight(Integer ARowCount) {
  TRect ext{};
  GetBorderExtent(ext);
  return ARowCount * FInnerCheckListBox->GetStandardItemHeight() + ext.top + ext.bottom;
}

Integer TvxCheckListBox::GetItemWidth(Integer AIndex) {
  TRect ext{};
  GetBorderExtent(ext);
  const String text = AIndex >= 0 && AIndex < Count() ? Items()->Items(AIndex)->Text() : String();
  return ext.left + ext.right + FInnerCheckListBox->GetTextAreaOffset() + vxTextWidthOfFont(Font(), text) +
         FInnerCheckListBox->Metrics().TextWidthCorrection;
}

Integer TvxCheckListBox::ItemAtPos(const TPoint& APos, bool AExisting) {
  return FInnerCheckListBox->ItemAtPos(
      POINT{APos.x - FInnerCheckListBox->Left(), APos.y - FInnerCheckListBox->Top()}, AExisting);
}

TRect TvxCheckListBox::ItemRect(Integer Index) {
  RECT r = FInnerCheckListBox->ItemRect(Index);
  OffsetRect(&r, FInnerCheckListBox->Left(), FInnerCheckListBox->Top());
  return r;
}

Integer TvxCheckListBox::CheckAtPos(const TPoint& APos) {
  return FInnerCheckListBox->CheckAtPoint(APos.x - FInnerCheckListBox->Left(), APos.y - FInnerCheckListBox->Top());
}

TvxCheckListBoxItem* TvxCheckListBox::AddItem(const String& AItem) {
  TvxCheckListBoxItem* item = Items()->Add();
  item->SetText(AItem);
  return item;
}

void TvxCheckListBox::DeleteSelected() {
  const Integer i = ItemIndex();
  if (i >= 0 && i < Count()) Items()->Delete(i);
}

// --- Unit -----------------------------------------------------------------------------------

namespace {

const wchar_t* const CCheckListBoxProductName = L"TarvixEditorsEx Library";
const wchar_t* const CItemLimitText = L"The number\uF8F0of items cannot be greater than 64, if the EditValueFormat is cvfInteger";

void InitCheckListBox() {
  RegisterClass(TvxCheckListBox::StaticClass());
  vdGetResourceStringsRepository()->RegisterProduct(CCheckListBoxProductName, [](TvdProductResourceStrings* AProduct) {
    AProduct->Add(L"vxSCheckListBoxItemLimit", &vxSCheckListBoxItemLimit);
  });
}

// Unregistering drops any translation: the record gets its built-in text back.
void FinCheckListBox() {
  UnRegisterClass(TvxCheckListBox::StaticClass());
  vdGetResourceStringsRepository()->UnRegisterProduct(CCheckListBoxProductName);
  vxSCheckListBoxItemLimit.Text = CItemLimitText;
}

}  // namespace

const TUnitInfo vxCheckListBoxUnit = {L"vxCheckListBox", InitCheckListBox, FinCheckListBox};
