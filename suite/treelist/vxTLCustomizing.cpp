// The customization form, its owner and its lists of hidden columns and bands, and the
// arrow window that marks where dragged nodes land.
#include "vxTLCustomizing.h"

#include <algorithm>

#include "vxPC.h"
#include "vxTLStrs.h"

namespace {

constexpr UINT kHookTimerInterval = 10;
const TSize kDragInfoImageSize{15, 10};

}  // namespace

bool vxTreeListLoadBitmapResource(TBitmap* ABitmap, const String& AName) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  if (!FindResourceW(module, AName.c_str(), MAKEINTRESOURCEW(2))) return false;
  ABitmap->LoadFromResourceName(module, AName);
  return true;
}

// --- TvxTreeListItemsCustomizeListBox ---

TvxTreeListItemsCustomizeListBox::TvxTreeListItemsCustomizeListBox(TComponent* AOwner, TWinControl* AParent,
                                                                   TvxCustomTreeList* ATreeList)
    : TvxListBox(AOwner), FTreeList(ATreeList) {
  AfterConstruction();
  SetAlign(alClient);
  SetParent(AParent);
  Style()->SetHotTrack(false);
  Style()->SetTransparentBorder(false);
  Style()->LookAndFeel()->SetMasterLookAndFeel(ATreeList->LookAndFeel());
  SetParentFont(true);
  SetListStyle(lbOwnerDrawVariable);
  SetOnMeasureItem([this](TvxListBox*, Integer, Integer& AHeight) { AHeight = CalcItemHeight(); });
  SetColor(LookAndFeelPainter()->GetCustomizationFormListBackgroundColor());
}

TvxTreeListItemsCustomizeListBox::~TvxTreeListItemsCustomizeListBox() {
  // An entry being dragged leaves with its cell.
  if (TvxTreeListController* c = FTreeList->TreeListController()) {
    for (auto& h : FHeaders)
      if (c->FDragItem == h.get()) c->FDragItem = nullptr;
  }
}

Integer TvxTreeListItemsCustomizeListBox::CalcItemHeight() {
  return LookAndFeelPainter()->HeaderHeight(vxTextHeightOfFont(Font(), L"Wg"));
}

TObject* TvxTreeListItemsCustomizeListBox::EntryItem(Integer AIndex) const {
  if (AIndex < 0 || AIndex >= HeaderCount()) return nullptr;
  TvxTreeListHeaderCellViewInfo* h = Headers(AIndex);
  if (auto* c = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(h)) return c->Column();
  if (auto* b = dynamic_cast<TvxTreeListBandHeaderCellViewInfo*>(h)) return b->Band();
  return nullptr;
}

void TvxTreeListItemsCustomizeListBox::RefreshList() {
  if (IsDestroying() || FFilling) return;
  TValueScope<bool> filling(FFilling, true);
  std::vector<TObject*> items;
  FillItems(items);
  Items()->BeginUpdate();
  TScopeExit endUpdate([this] { Items()->EndUpdate(); });
  Items()->Clear();
  if (TvxTreeListController* c = FTreeList->TreeListController())
    for (auto& h : FHeaders)
      if (c->FDragItem == h.get()) c->FDragItem = nullptr;
  FHeaders.clear();
  for (TObject* item : items) {
    FHeaders.emplace_back(CreateHeader(item));
    Items()->Add(FHeaders.back()->Text());
  }
  RefreshCells();
}

void TvxTreeListItemsCustomizeListBox::RefreshCells() {
  const Integer h = CalcItemHeight();
  const Integer w = std::max<Integer>(ClientWidth() - 2 * LookAndFeelPainter()->BorderSize(), 0);
  for (Integer i = 0; i < HeaderCount(); ++i) {
    TRect r{0, i * h, w, (i + 1) * h};
    Headers(i)->CalculateBounds(r, r);
  }
  Invalidate();
}

void TvxTreeListItemsCustomizeListBox::Resize() {
  inherited::Resize();
  RefreshCells();
}

void TvxTreeListItemsCustomizeListBox::LookAndFeelChanged(TvxLookAndFeel* Sender,
                                                          TvxLookAndFeelValues AChangedValues) {
  inherited::LookAndFeelChanged(Sender, AChangedValues);
  SetColor(LookAndFeelPainter()->GetCustomizationFormListBackgroundColor());
}

bool TvxTreeListItemsCustomizeListBox::DoDrawItem(TvxCanvas* ACanvas, Integer AIndex, const TRect& ARect,
                                                  TOwnerDrawState AState) {
  if (AIndex < 0 || AIndex >= HeaderCount()) return true;
  TvxTreeListHeaderCellViewInfo* cell = Headers(AIndex);
  cell->CalculateBounds(ARect, ARect);
  cell->CalculateVisibleInfo();
  if (!cell->Visible()) return true;
  // A selected or focused entry shows pressed; the cell keeps its own state.
  const TvxButtonState state = cell->State();
  TScopeExit restore([cell, state] { cell->SetState(state); });
  if (AState.Contains(odSelected) || AState.Contains(odFocused)) cell->SetState(vxbsPressed);
  cell->Draw(ACanvas);
  return true;
}

bool TvxTreeListItemsCustomizeListBox::CanStartDragAndDrop(const TPoint& P) {
  TvxTreeListController* c = FTreeList->TreeListController();
  const Integer index = ItemAtPos(P, true);
  if (!c || index < 0 || index >= HeaderCount()) return false;
  c->FDragItem = Headers(index);
  return true;
}

TvxDragAndDropObjectClass TvxTreeListItemsCustomizeListBox::DragAndDropObjectClass() { return DragObjectClass(); }

void TvxTreeListItemsCustomizeListBox::DblClick() {
  inherited::DblClick();
  if (DragAndDropState() != ddsNone) FinishDragAndDrop(false);
  const POINT p = ScreenToClient(vxGetMouseCursorPos());
  const Integer index = ItemAtPos(TPoint{p.x, p.y}, true);
  RestoreItem(index >= 0 ? index : ItemIndex());
}

void TvxTreeListItemsCustomizeListBox::RestoreItem(Integer AIndex) {
  if (TObject* item = EntryItem(AIndex)) DoRestoreItem(item);
}

// --- Columns list ---

TvxTreeListHeaderCellViewInfo* TvxTreeListColumnsCustomizeListBox::CreateHeader(TObject* AItem) {
  return new TvxTreeListColumnHeaderCellViewInfo(TreeList(), TRect{}, TRect{}, static_cast<TvxTreeListColumn*>(AItem));
}

void TvxTreeListColumnsCustomizeListBox::FillItems(std::vector<TObject*>& AItems) {
  TvxCustomTreeList* tl = TreeList();
  for (Integer i = 0; i < tl->ColumnCount(); ++i)
    if (!tl->Columns(i)->ActuallyVisible()) AItems.push_back(tl->Columns(i));
}

TvxDragAndDropObjectClass TvxTreeListColumnsCustomizeListBox::DragObjectClass() {
  return &TvxTreeListDragAndDropColumnObject::CreateInstance;
}

void TvxTreeListColumnsCustomizeListBox::DoRestoreItem(TObject* AItem) {
  auto* column = static_cast<TvxTreeListColumn*>(AItem);
  TvxTreeListBand* band = column->Position()->Band();
  if (!band || !band->ActuallyVisible()) return;
  column->SetVisible(true);
  TvxCustomTreeList* tl = TreeList();
  if (tl->OnColumnPosChanged) tl->OnColumnPosChanged(tl, column);
}

// --- Bands list ---

TvxTreeListHeaderCellViewInfo* TvxTreeListBandsCustomizeListBox::CreateHeader(TObject* AItem) {
  return new TvxTreeListBandHeaderCellViewInfo(TreeList(), TRect{}, TRect{}, static_cast<TvxTreeListBand*>(AItem));
}

void TvxTreeListBandsCustomizeListBox::FillItems(std::vector<TObject*>& AItems) {
  TvxTreeListBands* bands = TreeList()->Bands();
  for (Integer i = 0; i < bands->Count(); ++i)
    if (!bands->Items(i)->ActuallyVisible()) AItems.push_back(bands->Items(i));
}

TvxDragAndDropObjectClass TvxTreeListBandsCustomizeListBox::DragObjectClass() {
  return &TvxTreeListDragAndDropBandObject::CreateInstance;
}

void TvxTreeListBandsCustomizeListBox::DoRestoreItem(TObject* AItem) {
  auto* band = static_cast<TvxTreeListBand*>(AItem);
  if (band->ParentBand() && !band->ParentBand()->ActuallyVisible()) return;
  band->SetVisible(true);
  TvxCustomTreeList* tl = TreeList();
  if (tl->OnBandPosChanged) tl->OnBandPosChanged(tl, band);
}

// --- TvxTreeListCustomizationForm ---

TvxTreeListCustomizationForm::TvxTreeListCustomizationForm(TvxTreeListCustomizing* AOwner)
    : TForm(nullptr), FOwner(AOwner) {
  SetVisible(false);
  FHookTimer = std::make_unique<TvxTimer>(nullptr);
  FHookTimer->SetEnabled(false);
  FHookTimer->SetInterval(kHookTimerInterval);
  FHookTimer->SetOnTimer([this](TObject* Sender) { HookTimerHandler(Sender); });
}

TvxTreeListCustomizationForm::~TvxTreeListCustomizationForm() {
  FHookTimer->SetEnabled(false);
  if (FOwner) FOwner->FormDestroyed(this);
}

void TvxTreeListCustomizationForm::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= WS_POPUP;
  TvxCustomTreeList* tl = FOwner->TreeList();
  if (!tl->Destroying() && tl->HandleAllocated()) Params.WndParent = tl->Handle();
}

void TvxTreeListCustomizationForm::HookTimerHandler(TObject*) {
  TvxCustomTreeList* tl = FOwner->TreeList();
  if (!HandleAllocated()) return;
  HWND app = Application ? Application->Handle() : nullptr;
  if (app && IsIconic(app)) {
    ShowWindow(Handle(), SW_HIDE);
  } else if (!tl->Visible() || !tl->HandleAllocated() || !IsWindowVisible(tl->Handle())) {
    // Closing frees the form, and with it this timer: it goes through the message loop.
    FHookTimer->SetEnabled(false);
    ShowWindow(Handle(), SW_HIDE);
    Release();
    return;
  } else if (!IsWindowVisible(Handle())) {
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  }
  if (Screen && Screen->ActiveCustomForm() == this) return;
  for (TvxTreeListItemsCustomizeListBox* lb : {FOwner->HeaderListBox(), FOwner->BandListBox()})
    if (lb && lb->DragAndDropState() != ddsNone) lb->FinishDragAndDrop(false);
}

// --- TvxTreeListCustomizing ---

TvxTreeListCustomizing::TvxTreeListCustomizing(TvxCustomTreeList* ATreeList)
    : TvxOwnedInterfacedPersistent(ATreeList), FTreeList(ATreeList) {}

TvxTreeListCustomizing::~TvxTreeListCustomizing() {
  // The form's destructor comes back to FormDestroyed while this object is whole.
  std::unique_ptr<TvxTreeListCustomizationForm> form = std::move(FForm);
}

void TvxTreeListCustomizing::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxTreeListCustomizing*>(Source)) {
    SetRowCount(s->RowCount());
    SetVisible(s->Visible());
    return;
  }
  inherited::Assign(Source);
}

TPoint TvxTreeListCustomizing::Position() const {
  if (Visible()) return TPoint{FForm->Left(), FForm->Top()};
  return TPoint{FBounds.left, FBounds.top};
}

void TvxTreeListCustomizing::SetPosition(const TPoint& Value) {
  // Before any showing the form has no size yet: it takes the default one.
  if (FBounds.right <= FBounds.left) FBounds = TRect{0, 0, 200, 300};
  OffsetRect(&FBounds, Value.x - FBounds.left, Value.y - FBounds.top);
  FIsPositionAssigned = true;
  if (Visible()) FForm->SetBounds(Value.x, Value.y, FForm->Width(), FForm->Height());
}

bool TvxTreeListCustomizing::Visible() const { return FForm && FForm->Visible(); }

void TvxTreeListCustomizing::SetVisible(bool Value) {
  if (Value) {
    ShowForm();
    return;
  }
  if (!FForm) return;
  FForm->HookTimer()->SetEnabled(false);
  std::unique_ptr<TvxTreeListCustomizationForm> form = std::move(FForm);
  form.reset();  // its destructor records the bounds
}

void TvxTreeListCustomizing::MakeColumnPageVisible() {
  ShowForm();
  if (FPageControl && FTabSheetHeaders) FPageControl->SetActivePage(FTabSheetHeaders);
}

void TvxTreeListCustomizing::MakeBandPageVisible() {
  ShowForm();
  if (FPageControl && FTabSheetBands && FBandListBox) FPageControl->SetActivePage(FTabSheetBands);
}

bool TvxTreeListCustomizing::PtInCustomizingBox(const TPoint& APoint) const {
  if (!Visible() || !FForm->HandleAllocated()) return false;
  RECT r{};
  GetWindowRect(FForm->Handle(), &r);
  return PtInRect(&r, APoint) != 0;
}

void TvxTreeListCustomizing::TreeListChanged() {
  if (Visible()) RebuildListBoxes();
}

void TvxTreeListCustomizing::RefreshListBoxCells() {
  for (TvxTreeListItemsCustomizeListBox* lb : {FHeaderListBox, FBandListBox})
    if (lb) lb->RefreshCells();
}

void TvxTreeListCustomizing::RebuildListBoxes() {
  // A list whose entry is being dragged keeps its cells until the drag ends.
  for (TvxTreeListItemsCustomizeListBox* lb : {FHeaderListBox, FBandListBox})
    if (lb && lb->DragAndDropState() == ddsNone) lb->RefreshList();
}

void TvxTreeListCustomizing::CreateForm() {
  FForm = std::make_unique<TvxTreeListCustomizationForm>(this);
  FForm->SetCaption(vxGetResString(&svxCustomizeCaption));
  FForm->SetBorderStyle(bsSizeToolWin);
  FForm->SetBorderIcons(TBorderIcons{biSystemMenu});
  FForm->Font()->Assign(FTreeList->Font());
  FForm->SetColor(clBtnFace);
  FForm->OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
  HMENU menu = GetSystemMenu(FForm->Handle(), FALSE);
  DeleteMenu(menu, 7, MF_BYPOSITION);
  DeleteMenu(menu, 5, MF_BYPOSITION);
  DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
  CreateFormContent();
}

void TvxTreeListCustomizing::CreateFormContent() {
  if (FTreeList->OptionsView()->SimpleCustomizeBox() || !FTreeList->OptionsView()->Bands()) {
    FHeaderListBox = new TvxTreeListColumnsCustomizeListBox(FForm.get(), FForm.get(), FTreeList);
    return;
  }
  FPageControl = new TvxPageControl(FForm.get());
  FPageControl->SetHotTrack(true);
  FPageControl->SetFocusable(false);
  FPageControl->LookAndFeel()->SetMasterLookAndFeel(FTreeList->LookAndFeel());
  FPageControl->SetParent(FForm.get());
  FPageControl->SetBounds(0, 0, FForm->ClientWidth(), FForm->ClientHeight());
  FPageControl->SetAnchors(TAnchors{akLeft, akTop, akRight, akBottom});
  FTabSheetBands = new TvxTabSheet(FForm.get());
  FTabSheetBands->SetPageControl(FPageControl);
  FTabSheetBands->SetCaption(vxGetResString(&svxBandsCaption));
  FBandListBox = new TvxTreeListBandsCustomizeListBox(FForm.get(), FTabSheetBands, FTreeList);
  FTabSheetHeaders = new TvxTabSheet(FForm.get());
  FTabSheetHeaders->SetPageControl(FPageControl);
  FTabSheetHeaders->SetCaption(vxGetResString(&svxColumnsCaption));
  FHeaderListBox = new TvxTreeListColumnsCustomizeListBox(FForm.get(), FTabSheetHeaders, FTreeList);
}

void TvxTreeListCustomizing::ShowForm() {
  if (Visible()) return;
  if (!FForm) CreateForm();
  if (!FIsPositionAssigned) {
    // The bottom right corner of the tree list's form (or of the tree list).
    TWinControl* area = GetParentForm(FTreeList);
    if (!area) area = FTreeList;
    RECT r{};
    if (area->HandleAllocated()) GetWindowRect(area->Handle(), &r);
    FBounds = TRect{r.right - 200, r.bottom - 300, r.right, r.bottom};
  }
  FForm->SetBounds(FBounds.left, FBounds.top, FBounds.right - FBounds.left, FBounds.bottom - FBounds.top);
  RebuildListBoxes();
  FForm->Show();
  FForm->HookTimer()->SetEnabled(true);
  FireVisibleChanged();
}

void TvxTreeListCustomizing::FormDestroyed(TvxTreeListCustomizationForm* AForm) {
  FBounds = AForm->BoundsRect();
  FIsPositionAssigned = true;
  // Closed by the user the form frees itself: it is no longer ours to free.
  if (FForm.get() == AForm) static_cast<void>(FForm.release());
  FPageControl = nullptr;
  FTabSheetBands = FTabSheetHeaders = nullptr;
  FHeaderListBox = FBandListBox = nullptr;
  FireVisibleChanged();
}

void TvxTreeListCustomizing::FireVisibleChanged() {
  if (FTreeList->Destroying()) return;
  if (FTreeList->OnCustomizationFormVisibleChanged) FTreeList->OnCustomizationFormVisibleChanged(FTreeList);
}

// --- TvxTreeListNodeDragInfoImage ---

TvxTreeListNodeDragInfoImage::TvxTreeListNodeDragInfoImage() {
  SetAlphaBlend(false);
  SetBounds(0, 0, kDragInfoImageSize.cx, kDragInfoImageSize.cy);
  FImages = std::make_unique<TvxImageList>(kDragInfoImageSize.cx, kDragInfoImageSize.cy);
  for (const wchar_t* name : {L"TLINSERTNODEBEFORE", L"TLINSERTNODEAFTER", L"TLADDCHILDNODE"}) {
    TBitmap b;
    if (!vxTreeListLoadBitmapResource(&b, name)) b.SetSize(kDragInfoImageSize.cx, kDragInfoImageSize.cy);
    FImages->AddMasked(&b, clFuchsia);
  }
}

TvxTreeListNodeDragInfoImage::~TvxTreeListNodeDragInfoImage() {
  if (HandleAllocated()) SetWindowRgn(Handle(), nullptr, FALSE);
  if (FWindowRegion) DeleteObject(FWindowRegion);
}

void TvxTreeListNodeDragInfoImage::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (FWindowRegion) DeleteObject(FWindowRegion);
  FWindowRegion = nullptr;
  if (Value < 0 || Value >= FImages->Count()) return;
  // The window takes the shape of the image's opaque pixels.
  TBitmap mask;
  mask.SetSize(kDragInfoImageSize.cx, kDragInfoImageSize.cy);
  PatBlt(mask.Canvas()->Handle(), 0, 0, kDragInfoImageSize.cx, kDragInfoImageSize.cy, WHITENESS);
  ImageList_Draw(reinterpret_cast<HIMAGELIST>(FImages->Handle()), Value, mask.Canvas()->Handle(), 0, 0, ILD_MASK);
  // One rectangle per run of opaque pixels, the region built once from all of them.
  HDC dc = mask.Canvas()->Handle();
  std::vector<RECT> runs;
  for (Integer y = 0; y < kDragInfoImageSize.cy; ++y)
    for (Integer x = 0; x < kDragInfoImageSize.cx;) {
      if (GetPixel(dc, x, y) == RGB(255, 255, 255)) {
        ++x;
        continue;
      }
      const Integer start = x;
      while (x < kDragInfoImageSize.cx && GetPixel(dc, x, y) != RGB(255, 255, 255)) ++x;
      runs.push_back(RECT{start, y, x, y + 1});
    }
  std::vector<BYTE> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
  *header = RGNDATAHEADER{sizeof(RGNDATAHEADER), RDH_RECTANGLES, static_cast<DWORD>(runs.size()), 0,
                          RECT{0, 0, kDragInfoImageSize.cx, kDragInfoImageSize.cy}};
  std::copy(runs.begin(), runs.end(), reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER)));
  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
  FWindowRegion = region;
  FImages->Draw(Canvas()->Canvas(), 0, 0, Value);
}

void TvxTreeListNodeDragInfoImage::MoveTo(const TPoint& P) {
  if (FImageIndex < 0) return;
  if (P.x == FPrevPosition.x && P.y == FPrevPosition.y && Visible() && FImageIndex == FPrevImageIndex) return;
  Hide();
  FPrevPosition = P;
  FPrevImageIndex = FImageIndex;
  SetBounds(P.x, P.y - kDragInfoImageSize.cy / 2, kDragInfoImageSize.cx, kDragInfoImageSize.cy);
  if (FWindowRegion) {
    // The window owns the copy it is given.
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(copy, FWindowRegion, nullptr, RGN_COPY);
    SetWindowRgn(Handle(), copy, TRUE);
  }
  Show(SW_SHOWNA);
}
