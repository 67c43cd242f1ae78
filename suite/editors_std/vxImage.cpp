#include "vxImage.h"

#include <cstring>

#include "Clipbrd.h"
#include "Forms.h"
#include "Jpeg.h"
#include "TypInfo.h"
#include "vdCore.h"
#include "vdGDIPlusClasses.h"
#include "vxEditConsts.h"
#include "vxTextEdit.h"

namespace {

std::vector<TGraphicClass>*& ClassList() {
  static std::vector<TGraphicClass>* P = nullptr;
  return P;
}

void AddClass(std::vector<TGraphicClass>& L, TGraphicClass C) {
  if (C && std::find(L.begin(), L.end(), C) == L.end()) L.push_back(C);
}

bool Listed(TGraphicClass C) {
  const auto& L = PictureClassList();
  return C && std::find(L.begin(), L.end(), C) != L.end();
}

}  // namespace

const std::vector<TGraphicClass>& PictureClassList() {
  if (!ClassList()) {
    auto* L = new std::vector<TGraphicClass>;
    AddClass(*L, TBitmap::StaticClass());
    AddClass(*L, TIcon::StaticClass());
    AddClass(*L, TMetafile::StaticClass());
    if (GetClass(L"TvdPNGImage")) AddClass(*L, TvdPNGImage::StaticClass());
    AddClass(*L, TJPEGImage::StaticClass());
    ClassList() = L;
  }
  return *ClassList();
}

TGraphicClass GetDefaultGraphicClass() {
  const auto& L = PictureClassList();
  return L.empty() ? nullptr : L.front();
}

TGraphicClass FindPictureClassByName(const String& Name) {
  for (TGraphicClass C : PictureClassList())
    if (SameText(C->ClassName(), Name)) return C;
  return nullptr;
}

TGraphicClass GraphicClassOfData(const Byte* D, size_t N) {
  static const Byte Png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  TGraphicClass C = nullptr;
  const bool HasPng = Listed(TvdPNGImage::StaticClass());
  if (N >= 14 && D[0] == 'B' && D[1] == 'M') C = TBitmap::StaticClass();
  else if (N >= 8 && memcmp(D, Png, 8) == 0) C = TvdPNGImage::StaticClass();
  else if (N >= 3 && D[0] == 0xFF && D[1] == 0xD8 && D[2] == 0xFF) C = TJPEGImage::StaticClass();
  else if (N >= 6 && D[0] == 0 && D[1] == 0 && D[2] == 1 && D[3] == 0) C = TIcon::StaticClass();
  // An enhanced metafile (its header record and " EMF" at 40) or a placeable one.
  else if (N >= 44 && D[0] == 1 && D[1] == 0 && D[2] == 0 && D[3] == 0 && memcmp(D + 40, " EMF", 4) == 0)
    C = TMetafile::StaticClass();
  else if (N >= 4 && D[0] == 0xD7 && D[1] == 0xCD && D[2] == 0xC6 && D[3] == 0x9A) C = TMetafile::StaticClass();
  // GIF has no class of its own; GDI+ reads it into the PNG class when that is there.
  else if (N >= 6 && (memcmp(D, "GIF87a", 6) == 0 || memcmp(D, "GIF89a", 6) == 0) && HasPng)
    C = TvdPNGImage::StaticClass();
  return Listed(C) ? C : nullptr;
}

TRect FitRectProportionally(const TRect& Area, Integer W, Integer H) {
  const Integer AW = Area.right - Area.left, AH = Area.bottom - Area.top;
  if (AW <= 0 || AH <= 0 || W <= 0 || H <= 0) return Area;
  TRect R = Area;
  if (static_cast<double>(AW) / AH >= static_cast<double>(W) / H) {
    R.bottom = Area.bottom;
    R.right = R.left + AH * W / H;
  } else {
    R.right = Area.right;
    R.bottom = R.top + AW * H / W;
  }
  return R;
}

bool IsPictureEmpty(TPicture* Picture) { return !Picture || !Picture->Graphic() || Picture->Graphic()->Empty(); }

bool NeedsPictureScaling(bool AStretch, bool AProportional, const TSize& P, const TSize& A) {
  return AStretch || (AProportional && (A.cy < P.cy || A.cx < P.cx));
}

void LoadPictureFromValue(TPicture* Picture, TGraphicClass AGraphicClass, const Variant& Value) {
  if (!VarIsStr(Value) && !VarIsArray(Value)) {
    Picture->Assign(nullptr);
    return;
  }
  const AnsiString Bytes = vdVariantAsAnsiString(Value);
  const Byte* D = reinterpret_cast<const Byte*>(Bytes.data());
  size_t N = Bytes.size();
  if (N < 8) {
    Picture->Assign(nullptr);
    return;
  }
  // An 8-byte graphic header (count 1, type 0x0100, size of the rest) is skipped.
  uint16_t Count, Type;
  uint32_t Size;
  memcpy(&Count, D, 2);
  memcpy(&Type, D + 2, 2);
  memcpy(&Size, D + 4, 4);
  if (Count == 1 && Type == 0x0100 && Size == N - 8) {
    D += 8;
    N -= 8;
  }
  if (N == 0) {
    Picture->Assign(nullptr);
    return;
  }
  TGraphicClass C = GraphicClassOfData(D, N);
  if (!C) C = AGraphicClass ? AGraphicClass : TBitmap::StaticClass();
  try {
    std::unique_ptr<TObject> O(C->NewInstance());
    auto* G = dynamic_cast<TGraphic*>(O.get());
    if (!G) {
      Picture->Assign(nullptr);
      return;
    }
    TMemoryStream M;
    M.WriteBuffer(D, static_cast<Integer>(N));
    M.SetPosition(0);
    G->LoadFromStream(&M);
    Picture->SetGraphic(G->Empty() ? nullptr : G);
  } catch (const Exception&) {
    Picture->Assign(nullptr);
  }
}

AnsiString SavePictureToValue(TPicture* Picture) {
  if (IsPictureEmpty(Picture)) return AnsiString();
  TMemoryStream M;
  Picture->Graphic()->SaveToStream(&M);
  return AnsiString(static_cast<const char*>(M.Memory()), static_cast<size_t>(M.Size()));
}

// --- Image editor ---------------------------------------------------------------------------------------------

// --- Popup menu layout ---------------------------------------------------------------------------------

void TvxPopupMenuLayout::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TvxPopupMenuLayout*>(Source);
  if (!S) {
    inherited::Assign(Source);
    return;
  }
  FMenuItems = S->FMenuItems;
  FCustomMenuItemCaption = S->FCustomMenuItemCaption;
  CustomMenuItemGlyph()->Assign(S->CustomMenuItemGlyph());
}

TBitmap* TvxPopupMenuLayout::CustomMenuItemGlyph() {
  if (!FCustomMenuItemGlyph) FCustomMenuItemGlyph = std::make_unique<TBitmap>();
  return FCustomMenuItemGlyph.get();
}

void TvxPopupMenuLayout::SetCustomMenuItemGlyph(TBitmap* Value) {
  if (!Value) FCustomMenuItemGlyph.reset();
  else CustomMenuItemGlyph()->Assign(Value);
}

void TvxPopupMenuLayout::DeclarePublished(TPublisher<TvxPopupMenuLayout>& P) {
  using C = TvxPopupMenuLayout;
  P.Property(L"MenuItems", &C::MenuItems, &C::SetMenuItems)
      .Default(TvxPopupMenuItems{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave});
  P.Property(L"CustomMenuItemCaption", &C::CustomMenuItemCaption, &C::SetCustomMenuItemCaption)
      .Stored([](C* E) { return !E->CustomMenuItemCaption().empty(); });
}

TvxCustomImageProperties::TvxCustomImageProperties(TPersistent* AOwner) : TvxCustomEditProperties(AOwner) {
  FGraphicClass = GetDefaultGraphicClass();
}

void TvxCustomImageProperties::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TvxCustomImageProperties*>(Source);
  if (!S) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  auto End = TScopeExit([this] { EndUpdate(); });
  inherited::Assign(Source);
  SetCaption(S->Caption());
  SetCenter(S->Center());
  SetCustomFilter(S->CustomFilter());
  SetGraphicClass(S->GraphicClass());
  FPopupMenuLayout->Assign(S->PopupMenuLayout());
  SetGraphicTransparency(S->GraphicTransparency());
  SetShowFocusRect(S->ShowFocusRect());
  SetProportional(S->Proportional());
  SetStretch(S->Stretch());
  OnCustomClick = S->OnCustomClick;
  OnGetGraphicClass = S->OnGetGraphicClass;
}

TClass TvxCustomImageProperties::GetContainerClass() { return TvxImage::StaticClass(); }

TvxCustomEditViewInfo* TvxCustomImageProperties::CreateViewInfo() { return new TvxImageViewInfo(); }

TvxCustomEditViewData* TvxCustomImageProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                bool APreviewMode) {
  auto* R = new TvxImageViewData(this, AStyle, AIsInplace);
  R->PreviewMode = APreviewMode;
  return R;
}

void TvxImageViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button,
                                 TShiftState Shift, TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  inherited::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  auto* VI = dynamic_cast<TvxImageViewInfo*>(AViewInfo);
  if (!VI) return;
  VI->Properties = dynamic_cast<TvxCustomImageProperties*>(AViewInfo->EditProperties);
  if (auto* Image = dynamic_cast<TvxCustomImage*>(Edit)) {
    VI->Picture = Image->Picture();
    if (!VI->Properties) VI->Properties = Image->ActiveProperties();
  }
  if (VI->Properties && (VI->Properties->Center() || VI->Properties->Stretch())) VI->TopLeft = TPoint{0, 0};
}

String TvxCustomImageProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  return AEditValue.IsNull() ? String() : FCaption;
}

void TvxCustomImageProperties::SetGraphicClassName(const String& Value) {
  if (Value.empty()) {
    SetGraphicClass(nullptr);
    return;
  }
  if (TGraphicClass C = FindPictureClassByName(Value)) SetGraphicClass(C);
}

TGraphicClass TvxCustomImageProperties::GetGraphicClass(TObject* AItem, Integer ARecordIndex, bool APasting) {
  if (FGraphicClass) return FGraphicClass;
  TGraphicClass R = APasting ? TBitmap::StaticClass() : nullptr;
  if (OnGetGraphicClass) OnGetGraphicClass(AItem, ARecordIndex, APasting, R);
  return R;
}

void TvxImageViewInfo::PaintContent(TvxCanvas* ACanvas) {
  inherited::PaintContent(ACanvas);
  const TRect R = ClientRect;
  if (IsPictureEmpty(Picture) || !Properties) return;
  const TSize PS{Picture->Width(), Picture->Height()};
  const TSize AS{R.right - R.left, R.bottom - R.top};
  TRect P{R.left, R.top, R.left + PS.cx, R.top + PS.cy};
  if (NeedsPictureScaling(Properties->Stretch(), Properties->Proportional(), PS, AS))
    P = Properties->Proportional() ? FitRectProportionally(R, PS.cx, PS.cy) : R;
  if (Properties->Center()) {
    const Integer DX = (AS.cx - (P.right - P.left)) / 2, DY = (AS.cy - (P.bottom - P.top)) / 2;
    OffsetRect(&P, DX, DY);
  } else if (!Properties->Stretch()) {
    OffsetRect(&P, -TopLeft.x, -TopLeft.y);
  }
  TvxClipRegionScope Clip(ACanvas);
  ACanvas->IntersectClipRect(R);
  ACanvas->Canvas()->StretchDraw(P, Picture->Graphic());
}

TvxCustomImage::~TvxCustomImage() {
  if (ViewInfo()) static_cast<TvxImageViewInfo*>(ViewInfo())->Picture = nullptr;
}

void TvxCustomImage::Initialize() {
  inherited::Initialize();
  SetAutoSize(false);
  SetBounds(Left(), Top(), 140, 100);
  FPicture = std::make_unique<TPicture>();
  FPicture->OnChange = [this](TObject* S) { HandlePictureChange(S); };
  if (auto* VI = dynamic_cast<TvxImageViewInfo*>(ViewInfo())) {
    VI->Picture = FPicture.get();
    VI->Properties = ActiveProperties();
  }
}

Variant TvxCustomImage::EditValue() {
  if (IsPictureEmpty(FPicture.get())) return Null();
  return Variant(SavePictureToValue(FPicture.get()));
}

void TvxCustomImage::InternalSetEditValue(const Variant& Value, bool) {
  TValueScope Changing(FInternalChanging, true);
  if (VarIsStr(Value) || VarIsArray(Value)) LoadPictureFromValue(FPicture.get(), GetGraphicClass(false), Value);
  else FPicture->Assign(nullptr);
  SetEditModified(false);
}

void TvxCustomImage::PropertiesChanged(TObject* Sender) {
  if (auto* VI = dynamic_cast<TvxImageViewInfo*>(ViewInfo())) {
    VI->Picture = FPicture.get();
    VI->Properties = ActiveProperties();
  }
  inherited::PropertiesChanged(Sender);
  if (FPicture) UpdateScrollBars();
}

void TvxCustomImage::HandlePictureChange(TObject*) {
  TvxCustomImageProperties* P = ActiveProperties();
  if (P->GraphicTransparency() != gtDefault && !IsPictureEmpty(FPicture.get())) {
    TNotifyEvent Saved = FPicture->OnChange;
    FPicture->OnChange = nullptr;
    auto Restore = TScopeExit([&] { FPicture->OnChange = Saved; });
    FPicture->Graphic()->SetTransparent(P->GraphicTransparency() == gtTransparent);
  }
  if (!ComponentState().Contains(csLoading) && HScrollBar() && VScrollBar()) {
    HScrollBar()->SetPosition(0);
    VScrollBar()->SetPosition(0);
    UpdateScrollPositions();
  }
  if (!FInternalChanging) {
    if (FKeyboardAction) SetModifiedAfterEnter(true);
    NotifyChange();
  }
  Invalidate();
  UpdateScrollBars();
}

void TvxCustomImage::SetupScrollBars() {
  auto* VI = dynamic_cast<TvxImageViewInfo*>(ViewInfo());
  if (IsInplace() || AutoSize() || !VI || !FPicture || IsPictureEmpty(FPicture.get())) return;
  TvxCustomImageProperties* P = ActiveProperties();
  if (P->Center() || P->Stretch()) return;
  const TRect R = VI->ClientRect;
  const Integer CW = R.right - R.left, CH = R.bottom - R.top;
  if (CW <= 0 || CH <= 0) return;
  SetScrollBarInfo(sbHorizontal, 0, FPicture->Width() - 1, 8, CW, VI->TopLeft.x, true, true);
  SetScrollBarInfo(sbVertical, 0, FPicture->Height() - 1, 8, CH, VI->TopLeft.y, true, true);
}

void TvxCustomImage::UpdateScrollBars() {
  inherited::UpdateScrollBars();
  UpdateScrollPositions();
}

void TvxCustomImage::UpdateScrollPositions() {
  auto* VI = dynamic_cast<TvxImageViewInfo*>(ViewInfo());
  if (!HandleAllocated() || !VI || !HScrollBar() || !VScrollBar() || !FPicture) return;
  const TPoint Old = VI->TopLeft;
  VI->TopLeft = TPoint{HScrollBar()->Visible() ? HScrollBar()->Position() : 0,
                       VScrollBar()->Visible() ? VScrollBar()->Position() : 0};
  if (Old.x != VI->TopLeft.x || Old.y != VI->TopLeft.y) Invalidate();
}

void TvxCustomImage::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {
  if (AScrollCode == scLineUp) AScrollPos -= 8;
  else if (AScrollCode == scLineDown) AScrollPos += 8;
  TvxControlScrollBar* Bar = AScrollBarKind == sbHorizontal ? HScrollBar() : VScrollBar();
  if (!Bar) return;
  const Integer Size = AScrollBarKind == sbHorizontal ? FPicture->Width() : FPicture->Height();
  AScrollPos = std::min(AScrollPos, Size - Bar->PageSize());
  Bar->SetPosition(AScrollPos);
  AScrollPos = Bar->Position();
  UpdateScrollPositions();
}

TGraphicClass TvxCustomImage::GetGraphicClass(bool APasting) {
  TvxCustomImageProperties* P = ActiveProperties();
  if (P->GraphicClass()) return P->GraphicClass();
  TGraphicClass R = APasting ? TBitmap::StaticClass() : nullptr;
  if (OnGetGraphicClass) OnGetGraphicClass(this, APasting, R);
  return R;
}

bool TvxCustomImage::CanPasteFromClipboard() {
  TGraphicClass C = ActiveProperties()->GraphicClass();
  if (C == TIcon::StaticClass()) return false;
  return Clipboard()->HasFormat(CF_BITMAP);
}

void TvxCustomImage::CopyToClipboard() {
  if (FPicture->Graphic()) Clipboard()->Assign(FPicture->Graphic());
}

void TvxCustomImage::CutToClipboard() {
  CopyToClipboard();
  DeletePicture();
}

void TvxCustomImage::DeletePicture() {
  if (DoEditing()) FPicture->SetGraphic(nullptr);
}

void TvxCustomImage::PasteFromClipboard() {
  if (!CanPasteFromClipboard() || !DoEditing()) return;
  TBitmap B;
  B.Assign(Clipboard());
  if (GetGraphicClass(true) == TJPEGImage::StaticClass()) {
    TJPEGImage J;
    J.Assign(&B);
    FPicture->SetGraphic(&J);
  } else {
    FPicture->SetBitmap(&B);
  }
}

void TvxCustomImage::LoadFromFile() {
  if (!CanModify()) return;
  auto Dialog = std::make_unique<TOpenDialog>(nullptr);
  TValueScope Showing(FIsDialogShowed, true);
  TvxCustomImageProperties* P = ActiveProperties();
  Dialog->SetFilter(!P->CustomFilter().empty() ? P->CustomFilter() : TPicture::GraphicFilter(P->GraphicClass()));
  if (ExecuteDialog(Dialog.get()) && DoEditing()) FPicture->LoadFromFile(Dialog->FileName());
}

// --- Context menu and keys ----------------------------------------------------------------------------

TPopupMenu* TvxCustomImage::PreparePopupMenu() {
  // Positions 0 to 8: Cut, Copy, Paste, Delete, a line, Load, Save, a line, Custom; the tag
  // of a command names it, a line has -1.
  static constexpr Integer Tags[9] = {0, 1, 2, 3, -1, 4, 5, -1, 6};
  if (!FEditPopupMenu) {
    FEditPopupMenu = std::make_unique<TPopupMenu>(nullptr);
    for (Integer Tag : Tags) {
      auto* Item = new TMenuItem(FEditPopupMenu.get());
      Item->SetTag(Tag);
      if (Tag < 0) Item->SetCaption(L"-");
      Item->OnClick = [this](TObject* S) { MenuItemClick(S); };
      FEditPopupMenu->Items()->Add(Item);
    }
  }
  TvxPopupMenuLayout* Layout = ActiveProperties()->PopupMenuLayout();
  const TvxPopupMenuItems Shown = Layout->MenuItems();
  TMenuItem* Items = FEditPopupMenu->Items();
  const TResStringRec* Captions[6] = {&vxSMenuItemCaptionCut,    &vxSMenuItemCaptionCopy, &vxSMenuItemCaptionPaste,
                                      &vxSMenuItemCaptionDelete, &vxSMenuItemCaptionLoad, &vxSMenuItemCaptionSave};
  const Integer CommandPositions[6] = {0, 1, 2, 3, 5, 6};
  for (Integer I = 0; I < 6; ++I) {
    TMenuItem* Item = Items->Items(CommandPositions[I]);
    Item->SetCaption(vxGetResString(Captions[I]));
    Item->SetVisible(Shown.Contains(TvxPopupMenuItem(I)));
  }
  Items->Items(8)->SetVisible(Shown.Contains(pmiCustom));
  Items->Items(4)->SetVisible(Shown.Contains(pmiLoad) || Shown.Contains(pmiSave));
  Items->Items(7)->SetVisible(Shown.Contains(pmiCustom));
  Items->Items(8)->SetCaption(Layout->CustomMenuItemCaption());
  Layout->CustomMenuItemGlyph()->SetTransparent(true);
  Items->Items(8)->SetBitmap(Layout->CustomMenuItemGlyph());
  const bool HasPicture = !IsPictureEmpty(FPicture.get());
  const bool IsIcon = ActiveProperties()->GraphicClass() == TIcon::StaticClass();
  Items->Items(0)->SetEnabled(CanModify() && HasPicture && !IsIcon);
  Items->Items(1)->SetEnabled(HasPicture && !IsIcon);
  Items->Items(2)->SetEnabled(CanModify() && CanPasteFromClipboard());
  Items->Items(3)->SetEnabled(HasPicture && CanModify());
  Items->Items(5)->SetEnabled(CanModify());
  Items->Items(6)->SetEnabled(HasPicture);
  return FEditPopupMenu.get();
}

void TvxCustomImage::MenuItemClick(TObject* Sender) {
  auto* Item = dynamic_cast<TMenuItem*>(Sender);
  if (!Item) return;
  // Commands from the menu are the user's changes.
  TValueScope<bool> Keyboard(FKeyboardAction, true);
  switch (Item->Tag()) {
    case 0: CutToClipboard(); break;
    case 1: CopyToClipboard(); break;
    case 2: PasteFromClipboard(); break;
    case 3: DeletePicture(); break;
    case 4: LoadFromFile(); break;
    case 5: SaveToFile(); break;
    case 6: CustomClick(); break;
    default: break;
  }
}

void TvxCustomImage::CustomClick() {
  if (Properties()->OnCustomClick) Properties()->OnCustomClick(this);
  if (RepositoryItem() && ActiveProperties() != Properties() && ActiveProperties()->OnCustomClick)
    ActiveProperties()->OnCustomClick(this);
}

void TvxCustomImage::DoContextPopup(POINT MousePos, bool& Handled) {
  if (TControl::PopupMenu() || ActiveProperties()->PopupMenuLayout()->MenuItems().Empty()) {
    inherited::DoContextPopup(MousePos, Handled);
    return;
  }
  Handled = true;
  POINT P = MousePos;
  if (P.x == -1 && P.y == -1) P = POINT{10, 10};
  TPopupMenu* Menu = PreparePopupMenu();
  ::ClientToScreen(Handle(), &P);
  Menu->SetPopupComponent(this);
  Menu->Popup(P.x, P.y);
}

void TvxCustomImage::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  TValueScope<bool> Keyboard(FKeyboardAction, true);
  if (Key == VK_INSERT && Shift.Contains(ssShift)) PasteFromClipboard();
  else if (Key == VK_INSERT && Shift.Contains(ssCtrl)) CopyToClipboard();
  else if (Key == VK_DELETE && Shift.Contains(ssShift)) CutToClipboard();
}

void TvxCustomImage::KeyPress(wchar_t& Key) {
  inherited::KeyPress(Key);
  TValueScope<bool> Keyboard(FKeyboardAction, true);
  switch (Key) {
    case 3: CopyToClipboard(); break;
    case 22: PasteFromClipboard(); break;
    case 24: CutToClipboard(); break;
    default: break;
  }
}

bool TvxCustomImage::WantsAfterKeyDownEvent(Word Key, TShiftState Shift) {
  if (Key == VK_INSERT) return !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl);
  if (Key == VK_DELETE) return !Shift.Contains(ssShift);
  return inherited::WantsAfterKeyDownEvent(Key, Shift);
}

void TvxCustomImage::SaveToFile() {
  if (!FPicture->Graphic()) return;
  // Owned here, not by the application object: each call's dialog is freed when it ends.
  auto Dialog = std::make_unique<TSaveDialog>(nullptr);
  TValueScope Showing(FIsDialogShowed, true);
  TvxCustomImageProperties* P = ActiveProperties();
  TGraphicClass C = FPicture->Graphic()->ClassType();
  Dialog->SetFilter(!P->CustomFilter().empty() ? P->CustomFilter() : TPicture::GraphicFilter(C));
  if (ExecuteDialog(Dialog.get())) FPicture->SaveToFile(Dialog->FileName());
}

void TvxImageProperties::DeclarePublished(TPublisher<TvxImageProperties>& P) {
  using C = TvxImageProperties;
  P.Property(L"Caption", &C::Caption, &C::SetCaption).Stored([](C* E) { return !E->Caption().empty(); });
  P.Property(L"Center", &C::Center, &C::SetCenter).Default(true);
  P.Property(L"CustomFilter", &C::CustomFilter, &C::SetCustomFilter)
      .Stored([](C* E) { return !E->CustomFilter().empty(); });
  P.Property(L"GraphicClassName", &C::GraphicClassName, &C::SetGraphicClassName)
      .Stored([](C* E) { return !E->GraphicClassName().empty(); });
  P.Property(L"GraphicTransparency", &C::GraphicTransparency, &C::SetGraphicTransparency).Default(gtDefault);
  P.Property(L"PopupMenuLayout", &C::PopupMenuLayout, [](C* E, TvxPopupMenuLayout* V) { E->SetPopupMenuLayout(V); });
  P.Property(L"Proportional", &C::Proportional, &C::SetProportional).Default(true);
  P.Property(L"ShowFocusRect", &C::ShowFocusRect, &C::SetShowFocusRect).Default(true);
  P.Property(L"Stretch", &C::Stretch, &C::SetStretch).Default(false);
}

void TvxImage::DeclarePublished(TPublisher<TvxImage>& P) {
  using C = TvxImage;
  P.Property(L"AutoSize", [](C* E) { return E->AutoSize(); }, [](C* E, bool V) { E->SetAutoSize(V); }).Default(false);
  P.Property(L"Enabled", [](C* E) { return E->Enabled(); }, [](C* E, bool V) { E->SetEnabled(V); }).Default(true);
  P.Property(L"Picture", [](C* E) { return E->Picture(); }, [](C* E, TPicture* V) { E->SetPicture(V); });
  P.Property(L"Properties", &C::Properties, [](C* E, TvxImageProperties* V) { E->SetProperties(V); });
  vxDeclareEditStylesPublished(P);
  P.Property(L"TabStop", [](C* E) { return E->TabStop(); }, [](C* E, bool V) { E->SetTabStop(V); }).Default(true);
  P.Property(L"Transparent", [](C* E) { return E->Transparent(); }, [](C* E, bool V) { E->SetTransparent(V); })
      .Default(false);
  P.Property(L"Visible", [](C* E) { return E->Visible(); }, [](C* E, bool V) { E->SetVisible(V); }).Default(true);
}

namespace {
void FinImage() {
  UnRegisterClass(TvxImage::StaticClass());
  delete ClassList();
  ClassList() = nullptr;
  if (TvxRegisteredClasses* R = GetEditPropertiesRegistry()) R->Unregister(TvxImageProperties::StaticClass());
}

void InitImage() {
  RegisterClass(TvxImage::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxImageProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryImageItem));
}
}  // namespace

const TUnitInfo vxImageUnit = {L"vxImage", InitImage, FinImage};
