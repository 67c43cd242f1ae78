#include "vxListBox.h"

#include <exception>
#include <memory>

#include "vxContainerRoutines.h"

namespace {
// The binding of the list box that holds an inner list, nullptr when none.
TvxCustomDataBinding* BindingOf(TvxContainer* AContainer) {
  auto* box = dynamic_cast<TvxListBox*>(AContainer);
  return box ? box->DataBinding() : nullptr;
}
}  // namespace

const TMessageMap* TvxInnerListBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_LBUTTONDOWN, MessageHandler<&TvxInnerListBox::WMLButtonDown>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxInnerListBox::WMLButtonDown(TMessage& Message) {
  TvxCustomDataBinding* binding = BindingOf(Container());
  if (!binding || binding->SetEditMode()) {
    InheritedMessage(Message);
    return;
  }
  // Refused: the list takes the focus and reports the press, but the selection stays.
  if (CanFocus()) SetFocus();
  const auto x = static_cast<short>(LOWORD(Message.LParam)), y = static_cast<short>(HIWORD(Message.LParam));
  MouseDown(mbLeft, KeysToShiftState(Message.WParam), x, y);
}

void TvxInnerListBox::Click() {
  TvxCustomDataBinding* binding = BindingOf(Container());
  if (binding && !binding->SetEditMode()) return;
  inherited::Click();
}

void TvxInnerListBox::CreateWnd() {
  inherited::CreateWnd();
  if (Container()) Container()->UpdateScrollBarsParameters();
}

void TvxInnerListBox::DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) {
  if (auto* box = dynamic_cast<TvxListBox*>(Container())) {
    TvxCanvas canvas(Canvas());
    if (box->DoDrawItem(&canvas, Index, Rect, State)) return;
  }
  inherited::DrawItem(Index, Rect, State);
}

TvxListBox::TvxListBox(TComponent* AOwner) : TvxContainer(AOwner) {}

TvxListBox::~TvxListBox() {
  // The inner list goes first, while the container it names is still whole.
  delete FInnerListBox;
  FInnerListBox = nullptr;
  FDataBinding.reset();
}

void TvxListBox::SetItems(TStrings* Value) {
  FInnerListBox->SetItems(Value);
  DataChange();
}

void TvxListBox::DataChange() {
  if (FDataBinding->IsDataSourceLive())
    SetItemIndex(Items()->IndexOf(VarToStr(FDataBinding->GetStoredValue(evsText, Focused()))));
  else
    SetItemIndex(-1);
}

void TvxListBox::UpdateData() {
  const Integer i = ItemIndex();
  FDataBinding->SetStoredValue(evsText, i < 0 ? String() : Items()->Strings(i));
}

void TvxListBox::DoExit() {
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

void TvxListBox::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key >= VK_PRIOR && Key <= VK_DOWN && !FDataBinding->SetEditMode()) Key = 0;
}

void TvxListBox::KeyPress(wchar_t& Key) {
  inherited::KeyPress(Key);
  if (vxIsNonControlChar(Key) && !FDataBinding->SetEditMode()) Key = 0;
  if (Key == 27) FDataBinding->Reset();
}

void TvxListBox::FontChanged() {
  inherited::FontChanged();
  if (!FInnerListBox) return;
  AlignInnerControl();
  if (FInnerListBox->HandleAllocated()) TWinControlAccess_::RecreateWnd_(FInnerListBox);
}

void TvxListBox::AfterConstruction() {
  inherited::AfterConstruction();
  FDataBinding = CreateDataBinding();
  FDataBinding->OnDataChange = [this] { DataChange(); };
  FDataBinding->OnDataSetChange = [this] { BindingSourceChanged(); };
  FDataBinding->OnUpdateData = [this] { UpdateData(); };
  FInnerListBox = CreateInnerListBox();
  FInnerListBox->SetBorderStyle(bsNone);
  FInnerListBox->SetContainer(this);
  FInnerListBox->SetParent(this);
  SetInnerControl(FInnerListBox);
  SetBounds(Left(), Top(), 121, 97);
}

void TvxListBox::DeleteSelected() {
  for (Integer i = Count() - 1; i >= 0; --i)
    if (Selected(i)) Items()->Delete(i);
}

Integer TvxListBox::ItemAtPos(const TPoint& APos, bool AExisting) {
  POINT p{APos.x - FInnerListBox->Left(), APos.y - FInnerListBox->Top()};
  return FInnerListBox->ItemAtPos(p, AExisting);
}

TRect TvxListBox::ItemRect(Integer Index) {
  RECT r = FInnerListBox->ItemRect(Index);
  OffsetRect(&r, FInnerListBox->Left(), FInnerListBox->Top());
  return r;
}

TObject* TvxListBox::ItemObject() {
  const Integer i = ItemIndex();
  return i < 0 ? nullptr : Items()->Objects(i);
}

void TvxListBox::SetItemObject(TObject* Value) { SetItemIndex(Items()->IndexOfObject(Value)); }

void TvxListBox::SetIntegralHeight(bool Value) {
  if (FIntegralHeight == Value) return;
  FIntegralHeight = Value;
  AlignInnerControl();
}

void TvxListBox::SetOnMeasureItem(TvxListBoxMeasureItemEvent Value) {
  FOnMeasureItem = std::move(Value);
  if (FOnMeasureItem)
    FInnerListBox->OnMeasureItem = [this](TWinControl*, Integer AIndex, Integer& Height) {
      FOnMeasureItem(this, AIndex, Height);
    };
  else
    FInnerListBox->OnMeasureItem = nullptr;
}

bool TvxListBox::DoDrawItem(TvxCanvas* ACanvas, Integer AIndex, const TRect& ARect, TOwnerDrawState AState) {
  if (!OnDrawItem) return false;
  OnDrawItem(this, ACanvas, AIndex, ARect, AState);
  return true;
}

Integer TvxListBox::ItemHeightOf(Integer AIndex) {
  switch (ListStyle()) {
    case lbOwnerDrawFixed:
      return ItemHeight();
    case lbOwnerDrawVariable: {
      Integer h = ItemHeight();
      if (FInnerListBox->OnMeasureItem && AIndex < Count()) FInnerListBox->OnMeasureItem(FInnerListBox, AIndex, h);
      return h;
    }
    default:
      return vxTextHeightOfFont(Font(), L"Qq");
  }
}

Integer TvxListBox::CalcIntegralHeight(Integer ARequested) {
  TRect ext{};
  GetBorderExtent(ext);
  const Integer threshold = 0;  // no horizontal scroll width on this list
  const Integer base = ext.top + ext.bottom;
  Integer sum = base, result = base, counted = 0;
  auto candidate = [&](Integer ASum, Integer AIndex) {
    Integer room = Width() - ext.left - ext.right;
    if (AIndex + 1 < Count()) room -= GetSystemMetrics(SM_CXVSCROLL);
    return room < threshold ? ASum + GetSystemMetrics(SM_CYHSCROLL) : ASum;
  };
  for (Integer i = 0;; ++i) {
    const Integer h = ItemHeightOf(i);
    if (h <= 0) break;
    const Integer c = candidate(sum + h, i);
    if (c == ARequested) return c;
    if (c > ARequested) {
      if (counted == 0) result = c;  // at least one item
      break;
    }
    sum += h;
    result = c;
    ++counted;
  }
  return result;
}

bool TvxListBox::AppliesIntegralHeight() const {
  return FIntegralHeight && !ComponentState().Contains(csLoading) && Align() != alLeft && Align() != alRight &&
         Align() != alClient;
}

bool TvxListBox::CanResize(Integer& NewWidth, Integer& NewHeight) {
  const bool result = inherited::CanResize(NewWidth, NewHeight);
  if (result && FInnerListBox && AppliesIntegralHeight()) NewHeight = CalcIntegralHeight(NewHeight);
  return result;
}

void TvxListBox::AlignInnerControl() {
  if (ComponentState().Contains(csLoading) || !FInnerListBox) return;
  const RECT before = FInnerListBox->BoundsRect();
  if (AppliesIntegralHeight()) SetHeight(CalcIntegralHeight(Height()));
  inherited::AlignInnerControl();
  const RECT after = FInnerListBox->BoundsRect();
  if (!EqualRect(&before, &after) && FInnerListBox->HandleAllocated())
    vxRemovePendingMessages(FInnerListBox->Handle(), WM_MOUSEMOVE, WM_MOUSEMOVE);
}

void TvxListBox::WndProc(TMessage& Message) {
  // The list box messages reach the inner list, so the control answers like a list box.
  if (FInnerListBox && Message.Msg >= LB_ADDSTRING && Message.Msg <= 0x1B0) {
    Message.Result = SendMessageW(FInnerListBox->Handle(), Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  inherited::WndProc(Message);
}

void TvxListBox::DeclarePublished(TPublisher<TvxListBox>& P) {
  using C = TvxListBox;
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"AutoComplete", &C::AutoComplete, &C::SetAutoComplete).Default(true);
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"ExtendedSelect", &C::ExtendedSelect, &C::SetExtendedSelect).Default(true);
  P.Property(L"IntegralHeight", &C::IntegralHeight, &C::SetIntegralHeight).Default(false);
  P.Property(L"ItemHeight", &C::ItemHeight, &C::SetItemHeight);
  P.Property(L"Items", &C::Items, &C::SetItems);
  P.Property(L"ListStyle", &C::ListStyle, &C::SetListStyle).Default(lbStandard);
  P.Property(L"MultiSelect", &C::MultiSelect, &C::SetMultiSelect).Default(false);
  P.Property(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(false);
  P.Property(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
  P.Property(L"ReadOnly", &C::ReadOnly, &C::SetReadOnly).Default(false);
  P.Property(L"Sorted", &C::Sorted, &C::SetSorted).Default(false);
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"StyleDisabled", &TvxContainer::StyleDisabled, &TvxContainer::SetStyleDisabled);
  P.Property(L"StyleFocused", &TvxContainer::StyleFocused, &TvxContainer::SetStyleFocused);
  P.Property(L"StyleHot", &TvxContainer::StyleHot, &TvxContainer::SetStyleHot);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
}

namespace {
void InitListBox() { RegisterClass(TvxListBox::StaticClass()); }
void FinListBox() { UnRegisterClass(TvxListBox::StaticClass()); }
}  // namespace

const TUnitInfo vxListBoxUnit = {L"vxListBox", InitListBox, FinListBox};
