#include "vxButtons.h"

#include <windowsx.h>

#include "Forms.h"
#include "vdThemeManager.h"
#include "vxControls.h"

// --- Colours ----------------------------------------------------------------------------------------

TvxButtonColors::TvxButtonColors(TvxCustomButton* AButton) : FButton(AButton) {
  for (TColor& C : FColors) C = clDefault;
}

void TvxButtonColors::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TvxButtonColors*>(Source)) {
    for (int I = 0; I < 10; ++I) FColors[I] = S->FColors[I];
    FAssignedColors = S->FAssignedColors;
    if (FButton) FButton->Invalidate();
  } else {
    inherited::Assign(Source);
  }
}

void TvxButtonColors::SetColor(TvxButtonAssignedColor Index, TColor Value) {
  if (Value == clNone || Value == clDefault) {
    FColors[Index] = clDefault;
    FAssignedColors.Exclude(Index);
  } else {
    if (FColors[Index] == Value) return;
    FColors[Index] = Value;
    FAssignedColors.Include(Index);
  }
  if (FButton) FButton->Invalidate();
}

void TvxButtonColors::SetAssignedColors(TvxButtonAssignedColors Value) {
  if (!FButton || !FButton->ComponentState().Contains(csDesigning)) return;
  for (int I = 0; I < 10; ++I) {
    auto M = TvxButtonAssignedColor(I);
    if (!Value.Contains(M)) FColors[I] = clDefault;
    else if (FColors[I] == clDefault) Value.Exclude(M);
  }
  FAssignedColors = Value;
  FButton->Invalidate();
}

namespace {
TvxButtonAssignedColor BackgroundMember(TvxButtonState S) {
  switch (S) {
    case vxbsDefault: return vxbcDefault;
    case vxbsHot: return vxbcHot;
    case vxbsPressed: return vxbcPressed;
    case vxbsDisabled: return vxbcDisabled;
    default: return vxbcNormal;
  }
}
}  // namespace

TColor TvxButtonColors::BackgroundFor(TvxButtonState AState) const {
  TvxButtonAssignedColor M = BackgroundMember(AState);
  if (FAssignedColors.Contains(M)) return FColors[M];
  return M == vxbcNormal ? FColors[vxbcDefault] : FColors[vxbcNormal];
}

TColor TvxButtonColors::TextFor(TvxButtonState AState) const {
  auto M = TvxButtonAssignedColor(BackgroundMember(AState) + 1);
  if (FAssignedColors.Contains(M)) return FColors[M];
  return M == vxbcNormalText ? FColors[vxbcDefaultText] : FColors[vxbcNormalText];
}

// --- Speed-button options ---------------------------------------------------------------------------

void TvxSpeedButtonOptions::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TvxSpeedButtonOptions*>(Source)) {
    SetGroupIndex(S->GroupIndex());
    SetAllowAllUp(S->AllowAllUp());
    SetCanBeFocused(S->CanBeFocused());
    SetDown(S->Down());
    SetFlat(S->Flat());
    SetTransparent(S->Transparent());
  } else {
    inherited::Assign(Source);
  }
}

TPersistent* TvxSpeedButtonOptions::GetOwner() { return FOwner; }

void TvxSpeedButtonOptions::EndUpdate() {
  --FLockCount;
  SyncGroupState();
}

bool TvxSpeedButtonOptions::Active() const { return FOwner && (FGroupIndex != 0 || !FCanBeFocused); }

bool TvxSpeedButtonOptions::Down() const { return FOwner && (FOwner->FInternalState & bisDown); }

void TvxSpeedButtonOptions::SetAllowAllUp(bool Value) {
  if (FAllowAllUp == Value) return;
  FAllowAllUp = Value;
  SyncGroupState();
}

void TvxSpeedButtonOptions::SetCanBeFocused(bool Value) {
  if (FCanBeFocused == Value) return;
  FCanBeFocused = Value;
  SyncGroupState();
  if (FOwner) FOwner->Invalidate();
}

void TvxSpeedButtonOptions::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  SyncGroupState();
  if (Active()) FOwner->Invalidate();
}

void TvxSpeedButtonOptions::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  SyncGroupState();
  if (Active()) FOwner->Invalidate();
}

void TvxSpeedButtonOptions::SetGroupIndex(Integer Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  if (Value != 0) SyncGroupState();
  else SetDown(false);
}

void TvxSpeedButtonOptions::SetDown(bool Value) {
  if (!FOwner) return;
  if (FGroupIndex == 0) Value = false;
  if (Value == Down()) return;
  // Only another button of the group releases a down button unless all may be up.
  if (Down() && !FAllowAllUp && FGroupIndex != 0 && !Locked()) return;
  FOwner->SetInternalState(bisDown, Value);
  if (Value) SyncGroupState();
  FOwner->Invalidate();
}

void TvxSpeedButtonOptions::SyncGroupState() {
  if (Locked() || !Active() || FGroupIndex == 0 || !FOwner->Parent()) return;
  TWinControl* P = FOwner->Parent();
  for (Integer I = 0; I < P->ControlCount(); ++I)
    P->Controls(I)->Perform(CM_BUTTONPRESSED, FGroupIndex, reinterpret_cast<LPARAM>(FOwner));
}

// --- Image info -----------------------------------------------------------------------------------

namespace vxButtons {

TvxImageInfo::TvxImageInfo() : FGlyph(std::make_unique<TBitmap>()) {
  FGlyph->OnChange = [this](TObject*) { DoChange(); };
}

TvxImageInfo::~TvxImageInfo() { FGlyph->OnChange = nullptr; }

void TvxImageInfo::DoChange() {
  if (OnChange) OnChange(this);
}

void TvxImageInfo::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  FImages = Value;
  if (FGlyph->Empty() && FImageIndex != -1) DoChange();
}

void TvxImageInfo::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (FGlyph->Empty() && FImages) DoChange();
}

bool TvxImageInfo::IsImageAssigned() const {
  return !FGlyph->Empty() || vxIsImageIndexValid(FImages, FImageIndex);
}

TSize TvxImageInfo::GetImageSize() const {
  if (!FGlyph->Empty()) return {FGlyph->Width(), FGlyph->Height()};
  if (vxIsImageIndexValid(FImages, FImageIndex)) return {FImages->Width(), FImages->Height()};
  return {0, 0};
}

}  // namespace vxButtons

// --- Glyph lists and their cache ------------------------------------------------------------------------

Integer TvxGlyphList::GetFreeIndex(TBitmap* AImage) {
  for (size_t I = 0; I < FUsed.size(); ++I)
    if (!FUsed[I]) return static_cast<Integer>(I);
  // Every cell is in use: a new cell is appended for the image.
  const Integer Index = TvxImageList::Add(AImage, nullptr);
  FUsed.resize(static_cast<size_t>(std::max(Count(), Index + 1)), false);
  return Index;
}

Integer TvxGlyphList::Add(TBitmap* AImage, TBitmap* AMask) {
  const Integer Index = GetFreeIndex(AImage);
  if (Index < 0) return -1;
  Replace(Index, AImage, AMask);
  FUsed[static_cast<size_t>(Index)] = true;
  ++FCount;
  return Index;
}

Integer TvxGlyphList::AddMasked(TBitmap* AImage, TColor AMaskColor) {
  const Integer Index = GetFreeIndex(AImage);
  if (Index < 0) return -1;
  ReplaceMasked(Index, AImage, AMaskColor);
  FUsed[static_cast<size_t>(Index)] = true;
  ++FCount;
  return Index;
}

void TvxGlyphList::Delete(Integer AIndex) {
  if (!IsUsed(AIndex)) return;
  FUsed[static_cast<size_t>(AIndex)] = false;
  --FCount;
}

TvxGlyphList* TvxGlyphCache::GetList(Integer AWidth, Integer AHeight) {
  for (size_t I = FLists.size(); I-- > 0;)
    if (FLists[I]->Width() == AWidth && FLists[I]->Height() == AHeight) return FLists[I].get();
  FLists.push_back(TvxGlyphList::CreateSize(AWidth, AHeight));
  return FLists.back().get();
}

void TvxGlyphCache::ReturnList(TvxGlyphList* AList) {
  if (!AList || AList->UsedCount() != 0) return;
  for (size_t I = 0; I < FLists.size(); ++I)
    if (FLists[I].get() == AList) {
      FLists.erase(FLists.begin() + static_cast<std::ptrdiff_t>(I));
      return;
    }
}

namespace {
std::unique_ptr<TvxGlyphCache> GlyphCache;  // UI thread only, like the buttons that use it
}  // namespace

TvxGlyphCache* vxGlyphCache() { return GlyphCache.get(); }

// --- Glyph --------------------------------------------------------------------------------------------

TvxButtonGlyph::TvxButtonGlyph(TvxCustomButton* AOwner)
    : FOwner(AOwner), FImageInfo(std::make_unique<vxButtons::TvxImageInfo>()) {
  if (!GlyphCache) GlyphCache = std::make_unique<TvxGlyphCache>();
  FImageInfo->OnChange = [this](TObject* S) { ImageInfoChanged(S); };
}

TvxButtonGlyph::~TvxButtonGlyph() {
  FImageInfo->OnChange = nullptr;
  ReleaseCells();
  if (GlyphCache && GlyphCache->Empty()) GlyphCache.reset();
}

void TvxButtonGlyph::ImageInfoChanged(TObject*) {
  ReleaseCells();
  if (OnChange) OnChange(this);
}

void TvxButtonGlyph::ReleaseCells() {
  for (Integer& Index : FIndexes) {
    if (Index != -1 && FGlyphList) FGlyphList->Delete(Index);
    Index = -1;
  }
  if (FGlyphList && GlyphCache) GlyphCache->ReturnList(FGlyphList);
  FGlyphList = nullptr;
}

void TvxButtonGlyph::SetGlyph(TBitmap* Value) {
  FImageInfo->SetGlyph(Value);
  const Integer W = Glyph()->Width(), H = Glyph()->Height();
  Integer N = 1;
  if (H > 0 && W % H == 0 && W / H < 5) N = W / H;
  SetNumGlyphs(N < 1 ? 1 : N);
}

void TvxButtonGlyph::SetNumGlyphs(Integer Value) {
  if (Value < 2) Value = 1;
  else if (Value > 3) Value = 4;
  if (Value == FNumGlyphs) return;
  FNumGlyphs = Value;
  ReleaseCells();
  if (OnChange) OnChange(this);
}

TSize TvxButtonGlyph::CellSize() const {
  if (!HasImage()) return {0, 0};
  const TSize S = FImageInfo->GetImageSize();
  return {S.cx / FNumGlyphs, S.cy};
}

Integer TvxButtonGlyph::StateCell(TvxButtonState AState) const {
  switch (AState) {
    case vxbsPressed: return FNumGlyphs >= 3 ? 2 : 0;
    case vxbsDisabled: return 1;
    default: return 0;
  }
}

Integer TvxButtonGlyph::CreateButtonGlyph(TvxButtonState AState) {
  const Integer Cell = StateCell(AState);
  if (FIndexes[Cell] != -1) return FIndexes[Cell];
  if (!HasImage()) return -1;
  const TSize CS = CellSize();
  if (CS.cx <= 0 || CS.cy <= 0) return -1;
  TvxBitmap32 Image(CS.cx, CS.cy, true);
  std::unique_ptr<TBitmap> Mask(vxCreateBitmapOfSize(CS, pf1bit));
  const TRect CellRect{0, 0, CS.cx, CS.cy};
  TBitmap* G = Glyph();
  if (!G->Empty()) {
    const TColor Key = G->TransparentColor();
    if (Cell == 1 && FNumGlyphs == 1) {
      // A one-cell strip has no disabled cell: it is made from the glyph.
      vxDrawImageViaAlphaBitmap(Image.Canvas()->Handle(), CellRect, CellRect, G, nullptr, -1, vxImageDrawDisabled,
                                false, nullptr, Key);
    } else {
      const Integer K = Cell < FNumGlyphs ? Cell : 0;
      BitBlt(Image.Canvas()->Handle(), 0, 0, CS.cx, CS.cy, G->Canvas()->Handle(), K * CS.cx, 0, SRCCOPY);
      Image.SetTransparentColor(Key);
    }
    vxMakeMaskFromBitmap32(&Image, Mask.get());
    if (!Image.IsAlphaUsed()) Image.RecoverTransparency(Key);
    G->Dormant();
  } else {
    if (Cell == 1) {
      vxDrawImageViaAlphaBitmap(Image.Canvas()->Handle(), CellRect, CellRect, nullptr, ImageList(), ImageIndex(),
                                vxImageDrawDisabled, false, nullptr, clNone);
      vxMakeMaskFromBitmap32(&Image, Mask.get());
    } else {
      TvxImageList::GetImageInfo(ImageList()->Handle(), ImageIndex(), &Image, Mask.get());
    }
  }
  if (!FGlyphList) FGlyphList = GlyphCache->GetList(CS.cx, CS.cy);
  FIndexes[Cell] = FGlyphList->Add(&Image, Mask.get());
  return FIndexes[Cell];
}

void TvxButtonGlyph::CalcLayout(const TRect& AClient, const String& ACaption, TCanvas* ACanvas,
                                TButtonLayout ALayout, Integer AMargin, Integer ASpacing,
                                TvxButtonPaintStyle APaintStyle, bool AWordWrap, const TPoint& AOffset,
                                TPoint& AGlyphPos, TRect& ATextRect) {
  const Integer CW = AClient.right - AClient.left, CH = AClient.bottom - AClient.top;
  const bool DrawCaption = APaintStyle != bpsGlyph && !ACaption.empty();
  const bool DrawGlyph = APaintStyle != bpsCaption && HasImage();
  const TSize GS = DrawGlyph ? CellSize() : TSize{0, 0};
  TSize TS{0, 0};
  TRect TR{0, 0, 0, 0};
  if (DrawCaption) {
    TR = TRect{0, 0, CW, 0};
    if (ALayout == blGlyphLeft || ALayout == blGlyphRight) TR.right -= GS.cx + ASpacing;
    const TRect Off = DrawGlyph ? TRect{0, 0, 0, 0} : TRect{1, 0, 2, 0};
    TR.left += Off.left;
    TR.right -= Off.right;
    RECT M = TR;
    String Text = ACaption;
    TTextFormat F{tfCalcRect};
    if (AWordWrap) F.Include(tfWordBreak);
    ACanvas->TextRect(M, Text, F);
    TS = {M.right - M.left + Off.left + Off.right, M.bottom - M.top};
  }
  TPoint GP{0, 0}, TP{0, 0};
  const bool Vertical = ALayout == blGlyphTop || ALayout == blGlyphBottom;
  if (Vertical) {
    GP.x = (CW - GS.cx) / 2;
    TP.x = (CW - TS.cx) / 2;
  } else {
    GP.y = (CH - GS.cy) / 2;
    TP.y = (CH - TS.cy - 1) / 2;
  }
  Integer Spacing = ASpacing, Margin = AMargin;
  if (TS.cx == 0 || GS.cx == 0) Spacing = 0;
  const Integer L = Vertical ? CH : CW;
  const Integer G = Vertical ? GS.cy : GS.cx;
  const Integer T = Vertical ? TS.cy : TS.cx;
  if (Margin == -1 && Spacing == -1) {
    Margin = Spacing = (L - G - T) / 3;
  } else if (Margin == -1) {
    Margin = (L - G - Spacing - T) / 2;
  } else if (Spacing == -1) {
    Spacing = (L - Margin - G - T) / 2;
  }
  switch (ALayout) {
    case blGlyphLeft: GP.x = Margin; TP.x = Margin + GS.cx + Spacing; break;
    case blGlyphRight: GP.x = CW - Margin - GS.cx; TP.x = GP.x - Spacing - TS.cx; break;
    case blGlyphTop: GP.y = Margin; TP.y = Margin + GS.cy + Spacing; break;
    case blGlyphBottom: GP.y = CH - Margin - GS.cy; TP.y = GP.y - Spacing - TS.cy; break;
  }
  AGlyphPos = {GP.x + AClient.left + AOffset.x, GP.y + AClient.top + AOffset.y};
  const Integer X = TP.x + AClient.left + AOffset.x, Y = TP.y + AClient.top + AOffset.y;
  ATextRect = TRect{X, Y, X + TS.cx, Y + TS.cy};
}

void TvxButtonGlyph::Draw(TvxCanvas* ACanvas, const TRect& AClient, bool ASkinPainter, bool AWordWrap,
                          TvxButtonState AState, Integer ASpacing, Integer AMargin, TButtonLayout ALayout,
                          TvxButtonPaintStyle APaintStyle, const String& ACaption, const TPoint& AOffset) {
  TPoint GP;
  TRect TR;
  CalcLayout(AClient, ACaption, ACanvas->Canvas(), ALayout, AMargin, ASpacing, APaintStyle, AWordWrap, AOffset, GP, TR);
  if (APaintStyle != bpsCaption && HasImage()) DrawGlyph(ACanvas->Canvas(), GP, AState);
  if (APaintStyle != bpsGlyph && !ACaption.empty())
    DrawCaption(ACanvas->Canvas(), TR, ACaption, AState, ASkinPainter, AWordWrap);
}

void TvxButtonGlyph::DrawGlyph(TCanvas* ACanvas, const TPoint& APos, TvxButtonState AState) {
  const Integer Index = CreateButtonGlyph(AState);
  if (Index >= 0 && FGlyphList) FGlyphList->Draw(ACanvas, APos.x, APos.y, Index, true);
}

void TvxButtonGlyph::DrawCaption(TCanvas* C, const TRect& ATextRect, const String& ACaption, TvxButtonState AState,
                                 bool ASkinPainter, bool AWordWrap) {
  const TBrushStyle OldStyle = C->Brush()->Style();
  auto Restore = TScopeExit([&] { C->Brush()->SetStyle(OldStyle); });
  C->Brush()->SetStyle(bsClear);
  TTextFormat Flags{tfCenter, tfVerticalCenter};
  Flags.Include(AWordWrap ? tfWordBreak : tfSingleLine);
  String Text = ACaption;
  if (AState == vxbsDisabled && !ASkinPainter) {
    const TColor FontColor = C->Font()->Color();
    C->Font()->SetColor(clBtnHighlight);
    RECT R1 = ATextRect;
    OffsetRect(&R1, 1, 1);
    C->TextRect(R1, Text, Flags);
    C->Font()->SetColor(FontColor);
  }
  RECT R = ATextRect;
  C->TextRect(R, Text, Flags);
}

// --- Action link ----------------------------------------------------------------------------------------

TvxButtonActionLink::TvxButtonActionLink(TvxCustomButton* AClient) : TControlActionLink(AClient), FButton(AClient) {}

TvxButtonActionLink::~TvxButtonActionLink() {
  if (FButton && !FButton->ComponentState().Contains(csDestroying)) {
    FButton->GlyphObject()->SetImageList(nullptr);
    FButton->GlyphObject()->SetImageIndex(-1);
  }
}

void TvxButtonActionLink::SetImageIndex(Integer Value) { FButton->GlyphObject()->SetImageIndex(Value); }

void TvxButtonActionLink::SetChecked(bool Value) { FButton->SetDown(Value); }

// --- Button -------------------------------------------------------------------------------------------

TvxCustomButton::TvxCustomButton(TComponent* AOwner)
    : TButton(AOwner),
      FColors(std::make_unique<TvxButtonColors>(this)),
      FLookAndFeel(std::make_unique<TvxLookAndFeel>(this)),
      FSpeedButtonOptions(std::make_unique<TvxSpeedButtonOptions>(this)),
      FGlyph(std::make_unique<TvxButtonGlyph>(this)) {
  SetDoubleBuffered(true);
  FControlStyle.Include(csOpaque);
  FControlStyle.Include(csReflector);
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel* S, TvxLookAndFeelValues V) { LookAndFeelChanged(S, V); };
  FGlyph->OnChange = [this](TObject* S) { GlyphChanged(S); };
}

TvxCustomButton::~TvxCustomButton() {
  vxEndMouseTracking(this);
  if (FLookAndFeel) FLookAndFeel->OnChanged = nullptr;
  FActionLink.reset();
  if (FGlyph) FGlyph->OnChange = nullptr;
}

void TvxCustomButton::SetAction(TBasicAction* Value) {
  if (!Value) {
    FActionLink.reset();
    return;
  }
  if (!FActionLink) {
    FActionLink = std::make_unique<TvxButtonActionLink>(this);
    FActionLink->OnChange = [this](TObject* S) { ActionChange(S, false); };
  }
  FActionLink->SetAction(Value);
  ActionChange(Value, true);
}

void TvxCustomButton::ActionChange(TObject*, bool) { UpdateAction(); }

void TvxCustomButton::UpdateAction() {
  auto* A = dynamic_cast<TCustomAction*>(Action());
  if (!A) {
    FGlyph->SetImageList(nullptr);
    FGlyph->SetImageIndex(-1);
    return;
  }
  FGlyph->SetImageList(A->ActionList() ? A->ActionList()->Images() : nullptr);
  FGlyph->SetImageIndex(A->ImageIndex());
}

void TvxCustomButton::SetPopupMenu(TComponent* Value) {
  if (Value && !dynamic_cast<TPopupMenu*>(Value) && !dynamic_cast<IvxExternalPopupMenu*>(Value)) Value = nullptr;
  if (FPopupMenu == Value) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (FPopupMenu) FPopupMenu->FreeNotification(this);
}

bool TvxCustomButton::ShowPopupMenu(TComponent* AMenu, Integer X, Integer Y) {
  return vxShowPopupMenuAt(this, AMenu, X, Y);
}

void TvxCustomButton::DoContextPopup(POINT MousePos, bool& Handled) {
  inherited::DoContextPopup(MousePos, Handled);
  if (Handled) return;
  POINT P = MousePos;
  if (P.x == -1 && P.y == -1) P = POINT{0, 0};
  ::ClientToScreen(Handle(), &P);
  Handled = ShowPopupMenu(FPopupMenu, P.x, P.y);
}

void TvxCustomButton::WMContextMenuMsg(TMessage& Message) {
  if (Message.Result != 0) return;
  POINT P{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  POINT Client{-1, -1};
  if (!(P.x == -1 && P.y == -1)) {
    Client = P;
    ::ScreenToClient(Handle(), &Client);
    if (!ComponentState().Contains(csDesigning) &&
        (Client.x < 0 || Client.y < 0 || Client.x >= Width() || Client.y >= Height())) {
      InheritedHandler(Message);
      return;
    }
  }
  bool Handled = false;
  DoContextPopup(Client, Handled);
  Message.Result = Handled ? 1 : 0;
  if (!Handled) InheritedHandler(Message);
}

void TvxCustomButton::KeyDown(Word& Key, TShiftState Shift) {
  if (FKind == vxbkDropDownButton && (Key == VK_UP || Key == VK_DOWN) &&
      (Shift.Contains(ssShift) || Shift.Contains(ssAlt))) {
    if (!(FInternalState & bisMenuVisible)) PostDropDown();
    Key = 0;
    return;
  }
  inherited::KeyDown(Key, Shift);
}

void TvxCustomButton::CNKeyDownMsg(TWMKey& Message) {
  if (vxPopupMenuIsShortCut(FPopupMenu, Message)) {
    Message.Result = 1;
    return;
  }
  InheritedHandler(Message);
}

void TvxCustomButton::CMDialogCharMsg(TCMDialogChar& Message) {
  const wchar_t Hotkey = GetHotkey(Caption());
  if (Hotkey != 0 && Hotkey == towupper(static_cast<wchar_t>(Message.CharCode())) && inherited::CanFocus()) {
    SetInternalState(bisAccelExecute, true);
    auto Clear = TScopeExit([this] { SetInternalState(bisAccelExecute, false); });
    Click();
    Message.Result = 1;
    return;
  }
  InheritedHandler(Message);
}

void TvxCustomButton::InheritedHandler(TMessage& Message) {
  if (!inherited::ClassMessages()->Dispatch(this, Message)) DefaultHandler(Message);
}

void TvxCustomButton::WMCaptureChanged(TMessage& Message) {
  InheritedHandler(Message);
  if (ComponentState().Contains(csDesigning) || !HandleAllocated()) return;
  POINT P;
  GetCursorPos(&P);
  if (WindowFromPoint(P) != Handle()) {
    SetInternalState(bisHot | bisPressed | bisMenuButtonPressed, false);
    Invalidate();
  }
}

void TvxCustomButton::CNMeasureItem(TMessage& Message) {
  auto* MI = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
  MI->itemWidth = static_cast<UINT>(Width());
  MI->itemHeight = static_cast<UINT>(Height());
}

void TvxCustomButton::CMFontChangedMsg(TMessage& Message) {
  InheritedHandler(Message);
  Invalidate();
}

void TvxCustomButton::WMWindowPosChangedMsg(TMessage& Message) {
  InheritedHandler(Message);
  if (FSpeedButtonOptions->Transparent() && !CanBeFocused() && HandleAllocated() &&
      !ComponentState().Contains(csDestroying))
    Invalidate();
}

void TvxCustomButton::CreateWnd() {
  inherited::CreateWnd();
  FGlyph->CreateButtonGlyph(Enabled() ? vxbsNormal : vxbsDisabled);
}

void TvxCustomButton::LookAndFeelChanged(TvxLookAndFeel*, TvxLookAndFeelValues) {
  if (FUseSystemPaint && HandleAllocated()) RecreateWnd();
  else Invalidate();
}

void TvxCustomButton::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (!IsNativeDrawn()) Params.Style = (Params.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
}

void TvxCustomButton::SetKind(TvxButtonKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TvxCustomButton::SetLayout(TButtonLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Invalidate();
}

void TvxCustomButton::SetMargin(Integer Value) {
  if (Value < -1 || Value == FMargin) return;
  FMargin = Value;
  Invalidate();
}

void TvxCustomButton::SetSpacing(Integer Value) {
  if (FSpacing == Value) return;
  FSpacing = Value;
  Invalidate();
}

void TvxCustomButton::SetPaintStyle(TvxButtonPaintStyle Value) {
  if (FPaintStyle == Value) return;
  FPaintStyle = Value;
  Invalidate();
}

void TvxCustomButton::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  Invalidate();
}

void TvxCustomButton::SetUseSystemPaint(bool Value) {
  if (FUseSystemPaint == Value) return;
  FUseSystemPaint = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TvxCustomButton::SetDropDownMenu(TPopupMenu* Value) {
  if (FDropDownMenu == Value) return;
  if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
  FDropDownMenu = Value;
  if (FDropDownMenu) FDropDownMenu->FreeNotification(this);
}

void TvxCustomButton::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FDropDownMenu) FDropDownMenu = nullptr;
  if (AComponent == FPopupMenu) SetPopupMenu(static_cast<TComponent*>(nullptr));
}

TvxCustomLookAndFeelPainterClass TvxCustomButton::GetButtonPainter() const {
  if (FLookAndFeel->SkinPainter()) return FLookAndFeel->SkinPainter();
  TvxCustomLookAndFeelPainterClass P = FLookAndFeel->Painter();
  if (P && P->LookAndFeelStyle() == lfsOffice11)
    P = vdIsThemeOpenable(totButton) ? TvxWinXPLookAndFeelPainter::Instance() : TvxStandardLookAndFeelPainter::Instance();
  return P ? P : TvxStandardLookAndFeelPainter::Instance();
}

TvxButtonState TvxCustomButton::GetPaintState() const {
  if (!const_cast<TvxCustomButton*>(this)->Enabled()) return vxbsDisabled;
  if (FIsPaintPressed) return vxbsPressed;
  if ((FInternalState & bisHot) && !IsNativeDrawn() && GetButtonPainter()->IsButtonHotTrack()) return vxbsHot;
  if (FIsPaintDefault) return vxbsDefault;
  return vxbsNormal;
}

TRect TvxCustomButton::DropDownPart() const {
  TRect R{0, 0, Width(), Height()};
  switch (FKind) {
    case vxbkStandard: return TRect{0, 0, 0, 0};
    case vxbkDropDown: return R;
    default: R.left = R.right - vxDropDownButtonWidth; return R;
  }
}

bool TvxCustomButton::CanFocus() {
  return inherited::CanFocus() && (CanBeFocused() || ComponentState().Contains(csDesigning));
}

TSize TvxCustomButton::GetOptimalSize() {
  TvxScreenCanvas C;
  C.Font()->Assign(Font());
  String S = vxStripAccelChars(Caption());
  if (S.empty()) S = L" ";
  return {C.TextWidth(S) + 3 * C.TextWidth(L"R"), MulDiv(C.TextHeight(L"Wg"), 14, 8)};
}

void TvxCustomButton::PostDropDown() {
  if ((FInternalState & bisMenuVisible) || FIsDropDownMenuClosing || !HandleAllocated()) return;
  PostMessageW(Handle(), CM_DROPDOWNPOPUPMENU, 0, 0);
}

bool TvxCustomButton::DoDropDownMenuPopup(TPopupMenu*& AMenu) {
  bool Handled = false;
  if (OnDropDownMenuPopup) OnDropDownMenuPopup(this, AMenu, Handled);
  return Handled;
}

const TMessageMap* TvxCustomButton::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_DRAWITEM, MessageHandler<&TvxCustomButton::CNDrawItem>},
      {CN_COMMAND, MessageHandler<&TvxCustomButton::CNCommandFiltered>},
      {WM_ERASEBKGND, MessageHandler<&TvxCustomButton::WMEraseBkgnd>},
      {CM_DROPDOWNPOPUPMENU, MessageHandler<&TvxCustomButton::CMDropDownPopupMenu>},
      {CM_CLOSEUPPOPUPMENU, MessageHandler<&TvxCustomButton::CMCloseUpPopupMenu>},
      {CM_BUTTONPRESSED, MessageHandler<&TvxCustomButton::CMButtonPressed>},
      {CM_ENABLEDCHANGED, MessageHandler<&TvxCustomButton::CMEnabledChanged>},
      {CM_MOUSEENTER, MessageHandler<&TvxCustomButton::CMMouseEnterMsg>},
      {CM_MOUSELEAVE, MessageHandler<&TvxCustomButton::CMMouseLeaveMsg>},
      {CN_KEYDOWN, MessageHandler<&TvxCustomButton::CNKeyDownMsg>},
      {CN_SYSKEYDOWN, MessageHandler<&TvxCustomButton::CNKeyDownMsg>},
      {CM_DIALOGCHAR, MessageHandler<&TvxCustomButton::CMDialogCharMsg>},
      {WM_CAPTURECHANGED, MessageHandler<&TvxCustomButton::WMCaptureChanged>},
      {WM_CONTEXTMENU, MessageHandler<&TvxCustomButton::WMContextMenuMsg>},
      {CN_MEASUREITEM, MessageHandler<&TvxCustomButton::CNMeasureItem>},
      {CM_FONTCHANGED, MessageHandler<&TvxCustomButton::CMFontChangedMsg>},
      {WM_WINDOWPOSCHANGED, MessageHandler<&TvxCustomButton::WMWindowPosChangedMsg>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxCustomButton::WndProc(TMessage& Message) {
  // A button that cannot take the focus handles its presses itself, so it never takes the
  // focus and never clicks through the system's notification.
  if (!CanBeFocused() && !ComponentState().Contains(csDesigning) &&
      (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK)) {
    const Integer X = GET_X_LPARAM(Message.LParam), Y = GET_Y_LPARAM(Message.LParam);
    if (Message.Msg == WM_LBUTTONDOWN) MouseDown(mbLeft, KeysToShiftState(static_cast<WORD>(Message.WParam)), X, Y);
    else DblClick();
    Message.Result = 0;
    return;
  }
  if (Message.Msg == WM_LBUTTONDBLCLK) Message.Msg = WM_LBUTTONDOWN;
  if (Message.Msg == BM_SETSTYLE && !IsNativeDrawn()) {
    // The default style is remembered and painted by the button; the window stays owner-drawn.
    SetButtonStyle((Message.WParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    Message.WParam = (Message.WParam & ~BS_TYPEMASK) | BS_OWNERDRAW;
  }
  inherited::WndProc(Message);
}

void TvxCustomButton::SetButtonStyle(bool ADefault) {
  if (FIsFocused == ADefault) return;
  FIsFocused = ADefault;
  Invalidate();
}

void TvxCustomButton::CNCommandFiltered(TWMCommand& Message) {
  if (Message.NotifyCode() == BN_CLICKED && FKind == vxbkDropDownButton &&
      (FInternalState & bisMenuButtonPressed) && !(FInternalState & bisPressed))
    return;
  if (Message.NotifyCode() == BN_CLICKED) Click();
}

void TvxCustomButton::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TvxCustomButton::CMEnabledChanged(TMessage& Message) {
  // The window follows, so a button enabled after its window was made takes clicks.
  InheritedMessage(Message);
  if (!Enabled()) SetInternalState(bisHot, false);
  Invalidate();
}

void TvxCustomButton::CMMouseEnterMsg(TCMMouseEnterLeave& Message) {
  if (!ComponentState().Contains(csDesigning)) MouseEnter();
}

void TvxCustomButton::CMMouseLeaveMsg(TCMMouseEnterLeave& Message) {
  if (!ComponentState().Contains(csDesigning)) MouseLeave();
}

void TvxCustomButton::MouseEnter() {
  if (FInternalState & bisHot) return;
  if (HandleAllocated()) vxBeginMouseTracking(this, RECT{0, 0, Width(), Height()}, this);
  SetInternalState(bisHot, true);
  if (Enabled()) Repaint();
}

void TvxCustomButton::MouseLeave() {
  vxEndMouseTracking(this);
  SetInternalState(bisHot, false);
  if (Enabled()) Invalidate();
}

void TvxCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!CanBeFocused()) SetCapture(Handle());
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button == mbLeft) {
    const TRect Part = DropDownPart();
    const POINT P{X, Y};
    // A press inside the button means the cursor is over it, even when no move came first.
    if (X >= 0 && Y >= 0 && X < Width() && Y < Height()) MouseEnter();
    if (FKind != vxbkStandard && PtInRect(&Part, P)) {
      SetInternalState(bisMenuButtonPressed, true);
      if (FKind == vxbkDropDownButton) PostDropDown();
    } else {
      SetInternalState(bisPressed, true);
    }
  }
  Invalidate();
}

void TvxCustomButton::DblClick() {
  if (!CanBeFocused()) SetCapture(Handle());
  if (GroupIndex() != 0) inherited::DblClick();
  POINT P;
  GetCursorPos(&P);
  ::ScreenToClient(Handle(), &P);
  const TRect Part = DropDownPart();
  SetInternalState(FKind != vxbkStandard && PtInRect(&Part, P) ? bisMenuButtonPressed : bisPressed, true);
  Invalidate();
}

void TvxCustomButton::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  const bool Inside = X >= 0 && Y >= 0 && X < Width() && Y < Height();
  if (Inside) MouseEnter();
  else if (FInternalState & bisHot) MouseLeave();
}

void TvxCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  const bool ClickDue = !CanBeFocused() && Button == mbLeft && (FInternalState & bisHot) &&
                        ((FInternalState & bisPressed) ||
                         ((FInternalState & bisMenuButtonPressed) && FKind == vxbkDropDown));
  if (ClickDue) SetDown(!Down());
  inherited::MouseUp(Button, Shift, X, Y);
  if (ClickDue) {
    if (FKind == vxbkDropDown) PostDropDown();
    else inherited::Click();
  }
  SetInternalState(bisPressed | bisMenuButtonPressed, false);
  Invalidate();
  if (!CanBeFocused() && GetCapture() == Handle()) ReleaseCapture();
  if (!(FInternalState & bisMenuVisible)) FIsDropDownMenuClosing = false;
}

void TvxCustomButton::Click() {
  if (CanBeFocused() && !(FInternalState & bisAccelExecute) &&
      ((FInternalState & bisPressed) || !(FInternalState & (bisPressed | bisMenuButtonPressed))))
    SetDown(!Down());
  if (FKind == vxbkDropDown) PostDropDown();
  else inherited::Click();
}

void TvxCustomButton::CMButtonPressed(TMessage& Message) {
  auto* Sender = reinterpret_cast<TObject*>(Message.LParam);
  auto* Other = dynamic_cast<TvxCustomButton*>(Sender);
  if (!IsSpeedLike() || GroupIndex() == 0 || static_cast<Integer>(Message.WParam) != GroupIndex() || !Other ||
      Other == this)
    return;
  TvxSpeedButtonOptions* O = FSpeedButtonOptions.get();
  O->BeginUpdate();
  O->SetCanBeFocused(Other->CanBeFocused());
  O->SetAllowAllUp(Other->AllowAllUp());
  O->SetFlat(Other->SpeedButtonOptions()->Flat());
  O->SetTransparent(Other->SpeedButtonOptions()->Transparent());
  if (Down() && Other->Down()) O->SetDown(false);
  O->CancelUpdate();
  Invalidate();
}

void TvxCustomButton::CMDropDownPopupMenu(TMessage&) {
  if (FKind == vxbkStandard) return;
  TPopupMenu* Menu = FDropDownMenu;
  if (DoDropDownMenuPopup(Menu) || !Menu) return;
  SetInternalState(bisMenuButtonPressed, false);
  SetInternalState(bisMenuVisible, true);
  FIsDropDownMenuClosing = false;
  Repaint();
  POINT P{FPopupAlignment == paLeft ? 0 : FPopupAlignment == paRight ? Width() : Width() / 2, Height()};
  ::ClientToScreen(Handle(), &P);
  RECT Work;
  vxGetMonitorWorkArea(P, Work);
  const Integer MenuHeight = vxEstimatePopupMenuHeight(Menu);
  if (Work.bottom < P.y + MenuHeight) P.y -= MenuHeight + Height() + 2;
  const TPopupAlignment Saved = Menu->Alignment();
  {
    auto Restore = TScopeExit([&] { Menu->SetAlignment(Saved); });
    Menu->SetAlignment(P.x <= Work.left ? paRight : P.x >= Work.right ? paLeft : FPopupAlignment);
    Menu->SetPopupComponent(this);
    Menu->Popup(P.x, P.y);
  }
  PostMessageW(Handle(), CM_CLOSEUPPOPUPMENU, 0, 0);
}

void TvxCustomButton::CMCloseUpPopupMenu(TMessage&) {
  bool Closing = (FInternalState & bisMenuButtonPressed) != 0;
  MSG M;
  if (!Closing && (PeekMessageW(&M, Handle(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE) ||
                   PeekMessageW(&M, Handle(), WM_LBUTTONDBLCLK, WM_LBUTTONDBLCLK, PM_NOREMOVE))) {
    const TRect Part = DropDownPart();
    const POINT P{GET_X_LPARAM(M.lParam), GET_Y_LPARAM(M.lParam)};
    Closing = PtInRect(&Part, P) != 0;
  }
  FIsDropDownMenuClosing = Closing;
  SetInternalState(bisMenuVisible, false);
  Repaint();
}

void TvxCustomButton::CNDrawItem(TMessage& Message) {
  if (ComponentState().Contains(csDestroying)) return;
  const auto* DI = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam);
  TCanvas C;
  auto Release = TScopeExit([&] { C.SetHandle(nullptr); });
  C.SetHandle(DI->hDC);
  TvxCanvas VC(&C);
  Paint(&VC, (DI->itemState & ODS_SELECTED) != 0, (DI->itemState & ODS_FOCUS) != 0);
  Message.Result = 1;
}

void TvxCustomButton::Paint(TvxCanvas* ACanvas, bool ASelected, bool AFocused) {
  FIsPaintPressed = (ASelected && !(FInternalState & bisMenuButtonPressed)) ||
                    ((FInternalState & bisMenuVisible) && FKind == vxbkDropDown) ||
                    (IsSpeedLike() && (Down() || ((FInternalState & bisHot) && (FInternalState & bisPressed))));
  FIsPaintDefault = (AFocused || (Default() && ComponentState().Contains(csDesigning)) || FIsFocused) && CanBeFocused();
  TvxCustomLookAndFeelPainterClass Painter = GetButtonPainter();
  TRect R{0, 0, Width(), Height()};
  TRect Arrow{0, 0, 0, 0};
  if (FKind == vxbkDropDownButton) {
    Arrow = TRect{R.right - vxDropDownButtonWidth, R.top, R.right, R.bottom};
    R.right -= vxDropDownButtonWidth - 2;
  }
  const TvxButtonState State = GetPaintState();
  ACanvas->Font()->Assign(Font());
  TColor Back = FColors->BackgroundFor(State);
  TColor Text = FColors->TextFor(State);
  ACanvas->Font()->SetColor(Text == clDefault ? Painter->ButtonSymbolColor(State, Font()->Color()) : Text);
  if (OnGetDrawParams) OnGetDrawParams(this, State, Back, ACanvas->Font());
  DrawButtonBackground(ACanvas, R, State, Back);
  const TPoint Offset = State == vxbsPressed ? TPoint{Painter->ButtonTextShift(), Painter->ButtonTextShift()}
                                             : TPoint{0, 0};
  {
    TvxClipRegionScope Clip(ACanvas);
    TRect Inner{0, 0, Width(), Height()};
    const Integer B = Painter->ButtonBorderSize(State);
    TRect ClipR{Inner.left + B, Inner.top + B, Inner.right - B, Inner.bottom - B};
    if (FKind == vxbkDropDownButton) ClipR.right -= vxDropDownButtonWidth - 2;
    ACanvas->IntersectClipRect(ClipR);
    if (Action()) UpdateAction();
    const Integer BD = Painter->ButtonBorderSize(vxbsDefault);
    TRect Content{Inner.left + BD, Inner.top + BD, Inner.right - BD, Inner.bottom - BD};
    if (FKind == vxbkDropDownButton) Content.right -= vxDropDownButtonWidth - 2;
    FGlyph->Draw(ACanvas, Content, FLookAndFeel->SkinPainter() != nullptr, FWordWrap, State, FSpacing, FMargin, FLayout,
                 FPaintStyle, Caption(), Offset);
  }
  if (FKind == vxbkDropDownButton) {
    TvxButtonState AS = (FInternalState & bisMenuVisible) ? vxbsPressed : State;
    if (!(FInternalState & bisMenuVisible) && AS == vxbsPressed) AS = FIsFocused ? vxbsHot : vxbsNormal;
    DrawButtonBackground(ACanvas, Arrow, AS, Back);
    Painter->DrawScrollBarArrow(ACanvas, Arrow, AS, adDown);
  }
  if (CanFocus() && Focused() && !(FInternalState & bisMenuVisible))
    ACanvas->DrawFocusRect(Painter->ButtonFocusRect(ACanvas, R));
}

void TvxCustomButton::DrawButtonBackground(TvxCanvas* ACanvas, TRect R, TvxButtonState AState, TColor AColor) {
  TvxCustomLookAndFeelPainterClass Painter = GetButtonPainter();
  TvxSpeedButtonOptions* O = FSpeedButtonOptions.get();
  if ((!O->Flat() && !O->Transparent()) || O->CanBeFocused()) {
    Painter->DrawButton(ACanvas, R, L"", AState, true, AColor, ACanvas->Font()->Color(), FWordWrap, false);
    return;
  }
  const bool Hot = (FInternalState & bisHot) != 0;
  const bool NoBorder = FLookAndFeel->SkinPainter() ||
                        (O->Flat() && !ComponentState().Contains(csDesigning) &&
                         (AState == vxbsDisabled || (AState == vxbsNormal && !Hot))) ||
                        FLookAndFeel->NativeStyle() || FLookAndFeel->Kind() == lfOffice11;
  if (!NoBorder) {
    Painter->DrawButtonBorder(ACanvas, R, AState);
    const Integer B = Painter->ButtonBorderSize(AState);
    R = TRect{R.left + B, R.top + B, R.right - B, R.bottom - B};
  }
  TvxClipRegionScope Clip(ACanvas);
  ACanvas->IntersectClipRect(R);
  if (!O->Transparent() || (AState != vxbsDisabled && AState != vxbsNormal && !Hot) ||
      (Hot && Painter->IsButtonHotTrack()))
    Painter->DrawButton(ACanvas, R, L"", AState, false, AColor, ACanvas->Font()->Color(), FWordWrap, true);
  else
    vxDrawTransparentControlBackground(this, ACanvas, TRect{0, 0, Width(), Height()});
}

// --- Streaming --------------------------------------------------------------------------------------

void TvxButtonColors::DeclarePublished(TPublisher<TvxButtonColors>& P) {
  using C = TvxButtonColors;
  P.Property(L"AssignedColors", &C::AssignedColors, &C::SetAssignedColors).Stored(false);
  struct Member { const wchar_t* Name; TvxButtonAssignedColor Index; };
  static constexpr Member Members[] = {
      {L"Default", vxbcDefault}, {L"DefaultText", vxbcDefaultText}, {L"Normal", vxbcNormal},
      {L"NormalText", vxbcNormalText}, {L"Hot", vxbcHot}, {L"HotText", vxbcHotText},
      {L"Pressed", vxbcPressed}, {L"PressedText", vxbcPressedText}, {L"Disabled", vxbcDisabled},
      {L"DisabledText", vxbcDisabledText}};
  for (const Member& M : Members) {
    const TvxButtonAssignedColor I = M.Index;
    P.Property(M.Name, [I](C* E) { return E->Color(I); }, [I](C* E, TColor V) { E->SetColor(I, V); })
        .Stored([I](C* E) { return E->AssignedColors().Contains(I); });
  }
}

void TvxSpeedButtonOptions::DeclarePublished(TPublisher<TvxSpeedButtonOptions>& P) {
  using C = TvxSpeedButtonOptions;
  P.Property(L"AllowAllUp", &C::AllowAllUp, &C::SetAllowAllUp).Default(false);
  P.Property(L"CanBeFocused", &C::CanBeFocused, &C::SetCanBeFocused).Default(true);
  P.Property(L"GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Default(0);
  P.Property(L"Flat", &C::Flat, &C::SetFlat).Default(false);
  P.Property(L"Transparent", &C::Transparent, &C::SetTransparent).Default(false);
  P.Property(L"Down", &C::Down, &C::SetDown).Default(false);
}

void TvxButton::DeclarePublished(TPublisher<TvxButton>& P) {
  using C = TvxButton;
  P.Property(L"Action", &C::Action, &C::SetAction);
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"AllowAllUp", &C::AllowAllUp, &C::SetAllowAllUp).Stored(false);
  P.Property(L"CanBeFocused", &C::CanBeFocused, &C::SetCanBeFocused).Stored(false);
  P.Property(L"Colors", &C::Colors, &C::SetColors)
      .Stored([](C* E) { return !E->Colors()->AssignedColors().Empty(); });
  P.Property(L"Down", &C::Down, &C::SetDown).Stored(false);
  P.Property(L"DropDownMenu", &C::DropDownMenu, &C::SetDropDownMenu);
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"Font", &TControl::Font, &TControl::SetFont);
  P.Property(L"Glyph", &C::Glyph, &C::SetGlyph).Stored([](C* E) { return !E->Glyph()->Empty(); });
  P.Property(L"GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Stored(false);
  P.Property(L"Kind", &C::Kind, &C::SetKind).Default(vxbkStandard);
  P.Property(L"Layout", &C::Layout, &C::SetLayout).Default(blGlyphLeft);
  P.Property(L"LookAndFeel", [](C* E) { return E->LookAndFeel(); }, &C::SetLookAndFeel);
  P.Property(L"Margin", &C::Margin, &C::SetMargin).Default(-1);
  P.Property(L"NumGlyphs", &C::NumGlyphs, &C::SetNumGlyphs).Default(1);
  P.Property(L"PaintStyle", &C::PaintStyle, &C::SetPaintStyle).Default(bpsDefault);
  P.Property(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
  P.Property(L"ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  P.Property(L"PopupAlignment", &C::PopupAlignment, &C::SetPopupAlignment).Default(paLeft);
  P.Property(L"PopupMenu", [](C* E) { return E->PopupMenu(); },
             [](C* E, TComponent* V) { E->SetPopupMenu(V); });
  P.Property(L"ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
  P.Property(L"Spacing", &C::Spacing, &C::SetSpacing).Default(4);
  P.Property(L"SpeedButtonOptions", &C::SpeedButtonOptions, &C::SetSpeedButtonOptions);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"UseSystemPaint", &C::UseSystemPaint, &C::SetUseSystemPaint).Default(false);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  P.Property(L"WordWrap", &C::WordWrap, &C::SetWordWrap).Default(false);
  P.Property(L"OnDropDownMenuPopup", [](C* E) { return E->OnDropDownMenuPopup; },
             [](C* E, const TvxButtonDropDownMenuPopupEvent& V) { E->OnDropDownMenuPopup = V; });
  P.Property(L"OnGetDrawParams", [](C* E) { return E->OnGetDrawParams; },
             [](C* E, const TvxButtonGetDrawParamsEvent& V) { E->OnGetDrawParams = V; });
}

namespace {
void InitButtons() { RegisterClass(TvxButton::StaticClass()); }
void FinButtons() {
  UnRegisterClass(TvxButton::StaticClass());
}
}  // namespace

const TUnitInfo vxButtonsUnit = {L"vxButtons", InitButtons, FinButtons};
