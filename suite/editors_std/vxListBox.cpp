#include "vxListBox.h"

#include <memory>

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
}

void TvxListBox::AfterConstruction() {
  inherited::AfterConstruction();
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
