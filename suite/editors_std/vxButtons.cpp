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

// --- Glyph --------------------------------------------------------------------------------------------

TvxButtonGlyph::TvxButtonGlyph() : FGlyph(std::make_unique<TBitmap>()) {
  FGlyph->OnChange = [this](TObject* S) { GlyphChanged(S); };
}

TvxButtonGlyph::~TvxButtonGlyph() = default;

void TvxButtonGlyph::GlyphChanged(TObject*) {
  if (OnChange) OnChange(this);
}

void TvxButtonGlyph::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  const Integer W = FGlyph->Width(), H = FGlyph->Height();
  Integer N = 1;
  if (H > 0 && W % H == 0 && W / H < 5) N = W / H;
  FNumGlyphs = N < 1 ? 1 : N;
  GlyphChanged(this);
}

void TvxButtonGlyph::SetNumGlyphs(Integer Value) {
  if (Value < 2) Value = 1;
  else if (Value > 3) Value = 4;
  if (Value == FNumGlyphs) return;
  FNumGlyphs = Value;
  GlyphChanged(this);
}

TSize TvxButtonGlyph::CellSize() const {
  if (!HasImage()) return {0, 0};
  return {FGlyph->Width() / FNumGlyphs, FGlyph->Height()};
}

Integer TvxButtonGlyph::StateCell(TvxButtonState AState) const {
  switch (AState) {
    case vxbsPressed: return FNumGlyphs >= 3 ? 2 : 0;
    case vxbsDisabled: return 1;
    default: return 0;
  }
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
  if (APaintStyle != bpsCaption && HasImage()) {
    const TSize CS = CellSize();
    const Integer Cell = StateCell(AState);
    const COLORREF Key = ColorToRGB(FGlyph->TransparentColor());
    HDC Src = FGlyph->Canvas()->Handle();
    if (AState == vxbsDisabled && FNumGlyphs < 2) {
      // A one-cell strip has no disabled look of its own: it is drawn in grey.
      for (Integer Y = 0; Y < CS.cy; ++Y)
        for (Integer X = 0; X < CS.cx; ++X) {
          COLORREF C = GetPixel(Src, X, Y);
          if (C == Key) continue;
          const int Lum = (GetRValue(C) * 30 + GetGValue(C) * 59 + GetBValue(C) * 11) / 100;
          const int V = 128 + Lum / 2;
          SetPixel(ACanvas->Canvas()->Handle(), GP.x + X, GP.y + Y, RGB(V, V, V));
        }
    } else {
      const Integer K = Cell < FNumGlyphs ? Cell : 0;
      TransparentBlt(ACanvas->Canvas()->Handle(), GP.x, GP.y, CS.cx, CS.cy, Src, K * CS.cx, 0, CS.cx, CS.cy, Key);
    }
  }
  if (APaintStyle != bpsGlyph && !ACaption.empty()) {
    TCanvas* C = ACanvas->Canvas();
    const TBrushStyle OldStyle = C->Brush()->Style();
    C->Brush()->SetStyle(bsClear);
    TTextFormat Flags{tfCenter, tfVerticalCenter};
    Flags.Include(AWordWrap ? tfWordBreak : tfSingleLine);
    String Text = ACaption;
    if (AState == vxbsDisabled && !ASkinPainter) {
      const TColor FontColor = C->Font()->Color();
      C->Font()->SetColor(clBtnHighlight);
      RECT R1 = TR;
      OffsetRect(&R1, 1, 1);
      C->TextRect(R1, Text, Flags);
      C->Font()->SetColor(FontColor);
    }
    RECT R = TR;
    C->TextRect(R, Text, Flags);
    C->Brush()->SetStyle(OldStyle);
  }
}

// --- Button -------------------------------------------------------------------------------------------

TvxCustomButton::TvxCustomButton(TComponent* AOwner)
    : TButton(AOwner),
      FColors(std::make_unique<TvxButtonColors>(this)),
      FLookAndFeel(std::make_unique<TvxLookAndFeel>(this)),
      FSpeedButtonOptions(std::make_unique<TvxSpeedButtonOptions>(this)),
      FGlyph(std::make_unique<TvxButtonGlyph>()) {
  SetDoubleBuffered(true);
  FControlStyle.Include(csOpaque);
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel* S, TvxLookAndFeelValues V) { LookAndFeelChanged(S, V); };
  FGlyph->OnChange = [this](TObject* S) { GlyphChanged(S); };
}

TvxCustomButton::~TvxCustomButton() {
  if (FLookAndFeel) FLookAndFeel->OnChanged = nullptr;
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
  if (Operation == opRemove && AComponent == FDropDownMenu) FDropDownMenu = nullptr;
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
  SetInternalState(bisHot, true);
  if (Enabled()) Invalidate();
}

void TvxCustomButton::MouseLeave() {
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

const TUnitInfo vxButtonsUnit = {L"vxButtons", nullptr, nullptr};
