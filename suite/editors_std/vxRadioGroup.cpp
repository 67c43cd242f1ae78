#include "vxRadioGroup.h"

#include <windowsx.h>
#include <vssym32.h>

#include "Menus.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxGroupBox.h"
#include "Forms.h"
#include "vxEditConsts.h"
#include "vxVariants.h"

TvxRadioButton::TvxRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle().Include(csDoubleClicks);
  ControlStyle().Include(csParentBackground);
  ControlStyle().Include(csSetCaption);
  // Clicks come from checking, never from a bare mouse release.
  ControlStyle().Exclude(csClickEvents);
  SetTabStop(false);
  SetBounds(0, 0, 113, 17);
  FLookAndFeel = std::make_unique<TvxLookAndFeel>(this);
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel* S, TvxLookAndFeelValues V) { LookAndFeelChanged(S, V); };
}

TvxRadioButton::~TvxRadioButton() {
  if (FTracking) vxEndMouseTracking(this);
  if (FLookAndFeel) FLookAndFeel->OnChanged = nullptr;
}

void TvxRadioButton::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, L"BUTTON");
  // The radio style bit is cleared and the button drawn by its owner.
  Params.Style = (Params.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
}

void TvxRadioButton::CreateWnd() {
  inherited::CreateWnd();
  UpdateState(vxmbNone, {}, TPoint{-1, -1});
}

void TvxRadioButton::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  if (Value && Parent()) {
    // One checked radio button among the siblings.
    for (Integer i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* other = dynamic_cast<TvxRadioButton*>(Parent()->Controls(i)); other && other != this)
        other->SetChecked(false);
  }
  Invalidate();
  if (Value && !FClicksDisabled) Click();
}

void TvxRadioButton::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TvxRadioButton::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  Invalidate();
}

void TvxRadioButton::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  Invalidate();
}

void TvxRadioButton::SetPopupMenu(TComponent* Value) {
  if (Value && !dynamic_cast<TPopupMenu*>(Value)) Value = nullptr;
  if (FPopupMenu == Value) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (FPopupMenu) FPopupMenu->FreeNotification(this);
}

void TvxRadioButton::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

bool TvxRadioButton::Focused() {
  return !ComponentState().Contains(csDesigning) && inherited::Focused();
}

void TvxRadioButton::Invalidate() {
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, FALSE);
}

bool TvxRadioButton::IsNativeStyle() { return FLookAndFeel->NativeStyle() && vdIsThemeOpenable(totButton); }

bool TvxRadioButton::IsNativeBackground() {
  return IsNativeStyle() && ControlStyle().Contains(csParentBackground) && !IsInplace() && !FTransparent;
}

void TvxRadioButton::LookAndFeelChanged(TvxLookAndFeel*, TvxLookAndFeelValues) { Invalidate(); }

TvxCustomLookAndFeelPainterClass TvxRadioButton::GetPainter() {
  if (FLookAndFeel->SkinPainter()) return FLookAndFeel->SkinPainter();
  TvxCustomLookAndFeelPainterClass p = FLookAndFeel->GetAvailablePainter(totButton);
  return p ? p : TvxStandardLookAndFeelPainter::Instance();
}

// --- State tracking -----------------------------------------------------------------------------

void TvxRadioButton::SetState(TvxRadioButtonState Value) {
  if (FState == Value) return;
  FState = Value;
  if (HandleAllocated()) {
    RECT r{FButtonRect.left - 1, FButtonRect.top - 1, FButtonRect.right + 1, FButtonRect.bottom + 1};
    InvalidateRect(Handle(), &r, FALSE);
  }
}

void TvxRadioButton::UpdateState(TvxMouseButton AButton, TShiftState AShift, const TPoint& APoint) {
  const bool inside = APoint.x >= 0 && APoint.y >= 0 && APoint.x < Width() && APoint.y < Height();
  if (!Enabled()) SetState(rbsDisabled);
  else if (ComponentState().Contains(csDesigning)) SetState(rbsNormal);
  else if (HandleAllocated() && GetCapture() == Handle()) SetState(inside ? rbsPressed : rbsHot);
  else {
    const bool anyDown = AButton != vxmbNone || AShift.Contains(ssShift) || AShift.Contains(ssAlt) ||
                         AShift.Contains(ssCtrl) || AShift.Contains(ssLeft) || AShift.Contains(ssRight) ||
                         AShift.Contains(ssMiddle);
    SetState(inside && !anyDown ? rbsHot : rbsNormal);
  }
}

void TvxRadioButton::BeginTracking() {
  if (!HandleAllocated()) return;
  // The area is given in client coordinates.
  vxBeginMouseTracking(this, RECT{0, 0, Width(), Height()}, this);
  FTracking = true;
}

void TvxRadioButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  UpdateState(Button == mbLeft ? vxmbLeft : Button == mbRight ? vxmbRight : vxmbMiddle, Shift, TPoint{X, Y});
}

void TvxRadioButton::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  UpdateState(vxmbNone, Shift, TPoint{X, Y});
  BeginTracking();
}

void TvxRadioButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  UpdateState(Button == mbLeft ? vxmbLeft : Button == mbRight ? vxmbRight : vxmbMiddle, Shift, TPoint{X, Y});
}

void TvxRadioButton::MouseLeave() {
  UpdateState(vxmbNone, {}, TPoint{-1, -1});
  if (FTracking) vxEndMouseTracking(this);
  FTracking = false;
}

void TvxRadioButton::CMMouseEnter(TMessage& Message) {
  InheritedMessage(Message);
  POINT p{};
  GetCursorPos(&p);
  if (HandleAllocated()) ::ScreenToClient(Handle(), &p);
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  UpdateState(vxmbNone, shift, TPoint{p.x, p.y});
  BeginTracking();
}

void TvxRadioButton::CMMouseLeave(TMessage& Message) {
  InheritedMessage(Message);
  MouseLeave();
}

void TvxRadioButton::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(Message);
  UpdateState(vxmbNone, {}, TPoint{-1, -1});
  Invalidate();
}

void TvxRadioButton::CMSysColorChange(TMessage& Message) {
  InheritedMessage(Message);
  Invalidate();
}

// --- Keyboard and clicks ------------------------------------------------------------------------

void TvxRadioButton::KeyDown(Word& Key, TShiftState Shift) {
  // Inside a button group the arrows move between the cells of the grid.
  if (auto* group = dynamic_cast<TvxCustomButtonGroup*>(Parent())) {
    Integer index = -1;
    for (Integer i = 0; i < group->ButtonCount(); ++i)
      if (group->Buttons(i) == this) index = i;
    if (group->MoveFocusByKey(index, Key)) Key = 0;
  }
  inherited::KeyDown(Key, Shift);
}

void TvxRadioButton::DoEnter() {
  inherited::DoEnter();
  // Focus moved here (arrow keys, Tab into the group): the button becomes the checked one.
  if (FChecked || FClicksDisabled) return;
  {
    TValueScope<bool> noClick(FClicksDisabled, true);
    SetChecked(true);
  }
  if (!ComponentState().Contains(csLoading)) Click();
}

void TvxRadioButton::WMGetDlgCode(TMessage& Message) {
  InheritedMessage(Message);
  // The button group moves between its cells with the arrow keys.
  if (dynamic_cast<TvxCustomButtonGroup*>(Parent())) Message.Result |= DLGC_WANTARROWS;
}

void TvxRadioButton::CNCommand(TWMCommand& Message) {
  if (Message.NotifyCode() == BN_CLICKED || Message.NotifyCode() == BN_DOUBLECLICKED) {
    if (FChecked) return;
    SetChecked(true);
  }
}

// --- Painting -----------------------------------------------------------------------------------

void TvxRadioButton::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TvxRadioButton::CNDrawItem(TMessage& Message) {
  if (ComponentState().Contains(csDestroying)) return;
  const auto* DI = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam);
  TCanvas C;
  auto release = TScopeExit([&] {
    C.SetHandle(nullptr);
    FCanvas = nullptr;
    FDrawDC = nullptr;
  });
  C.SetHandle(DI->hDC);
  TvxCanvas VC(&C);
  FCanvas = &VC;
  FDrawDC = DI->hDC;
  FFocusedDraw = (DI->itemState & ODS_FOCUS) != 0;
  DrawItem(DI->itemAction == ODA_FOCUS);
  Message.Result = 1;
}

void TvxRadioButton::DrawBackground() {
  if (IsTransparent()) return;
  FCanvas->FillRect(TRect{0, 0, Width(), Height()}, Color());
}

void TvxRadioButton::DrawItem(bool AFocusOnly) {
  const bool native = IsNativeStyle();
  const int saved = SaveDC(FDrawDC);
  auto restore = TScopeExit([&] { RestoreDC(FDrawDC, saved); });
  if (!AFocusOnly) {
    if (IsTransparentBackground())
      vxDrawTransparentControlBackground(this, FCanvas, TRect{0, 0, Width(), Height()});
    else if (IsNativeBackground())
      DrawThemeParentBackground(Handle(), FDrawDC, nullptr);
    if (native) DrawBackground();
  }
  TvxCustomLookAndFeelPainterClass painter = GetPainter();
  const TSize size = painter->RadioButtonSize();
  const Integer top = (Height() - size.cy) / 2;
  Integer left;
  if (FAlignment == taRightJustify)
    left = native || IsInplace() ? 0 : 1;
  else
    left = Width() - size.cx;
  FButtonRect = TRect{left, top, left + size.cx, top + size.cy};
  static constexpr TvxButtonState Map[] = {vxbsDisabled, vxbsHot, vxbsNormal, vxbsPressed};
  const TColor brush = FLookAndFeel->SkinPainter() ? clNone : !IsTransparent() ? Color() : clDefault;
  painter->DrawRadioButton(FCanvas, left, top, Map[FState], FChecked, Focused(), brush,
                           ComponentState().Contains(csDesigning));
  ExcludeClipRect(FDrawDC, FButtonRect.left, FButtonRect.top, FButtonRect.right, FButtonRect.bottom);
  if (!AFocusOnly && !native) DrawBackground();
  DrawCaption(FCanvas, native);
}

void TvxRadioButton::AdjustCaptionRect(TRect& ARect, bool ANativeStyle) {
  struct M { Integer l, t, r, b; };
  M m;
  const bool glyphLeft = FAlignment == taRightJustify;
  if (IsInplace()) m = ANativeStyle ? M{3, 0, 0, 0} : M{5, 0, 1, 0};
  else if (!FWordWrap) m = glyphLeft ? (ANativeStyle ? M{3, -1, 0, 0} : M{5, -1, 0, 0})
                                     : (ANativeStyle ? M{0, -1, 1, 0} : M{2, -1, 1, 0});
  else m = glyphLeft ? (ANativeStyle ? M{3, -1, 0, 0} : M{5, -1, 2, 0})
                     : (ANativeStyle ? M{0, -1, 3, 0} : M{2, -1, 6, 0});
  ARect.left += m.l;
  ARect.top += m.t;
  ARect.right -= m.r;
  ARect.bottom -= m.b;
}

void TvxRadioButton::DrawCaption(TvxCanvas* ACanvas, bool ANativeStyle) {
  TCanvas* C = ACanvas->Canvas();
  auto* group = dynamic_cast<TvxCustomGroupBox*>(Parent());
  TColor color;
  if (group) {
    C->Font()->Assign(group->CaptionFont());
    C->Font()->SetOrientation(0);
    color = group->Style()->TextColor();
    if (color == clDefault) color = Font()->Color();
  } else {
    C->Font()->Assign(Font());
    color = Font()->Color();
    if (color == clWindowText) {
      const TColor pc = GetPainter()->DefaultEditorTextColor(!Enabled());
      if (pc != clDefault) color = pc;
    } else if (!Enabled()) {
      color = clGrayText;
    }
  }
  if (!Enabled() && color == clWindowText) color = clGrayText;
  TRect R = FAlignment == taRightJustify ? TRect{FButtonRect.right, 0, Width(), Height()}
                                         : TRect{0, 0, FButtonRect.left, Height()};
  AdjustCaptionRect(R, ANativeStyle);
  HDC dc = C->Handle();
  HGDIOBJ old = SelectObject(dc, C->Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(color));
  const String text = Caption();
  const UINT flags = FWordWrap ? DT_LEFT | DT_NOCLIP | DT_WORDBREAK : DT_LEFT | DT_VCENTER | DT_SINGLELINE;
  RECT r{R.left, R.top, R.right, R.bottom};
  DrawTextW(dc, text.c_str(), -1, &r, flags);
  if (Focused() && !text.empty()) {
    RECT m = RECT{R.left, R.top, R.right, R.bottom};
    DrawTextW(dc, text.c_str(), -1, &m, flags | DT_CALCRECT);
    if (!FWordWrap) {
      // DT_CALCRECT measures from the top: centre the measure as the text was drawn.
      const Integer h = m.bottom - m.top;
      m.top = R.top + (R.bottom - R.top - h) / 2;
      m.bottom = m.top + h;
    }
    InflateRect(&m, 1, 1);
    m.bottom += 1;
    m.left = std::max<LONG>(m.left, 0);
    m.top = std::max<LONG>(m.top, 0);
    m.right = std::min<LONG>(m.right, Width());
    m.bottom = std::min<LONG>(m.bottom, Height());
    if (FAlignment != taRightJustify) m.right = std::min<LONG>(m.right, FButtonRect.left);
    SetTextColor(dc, ColorToRGB(color));
    SetBkColor(dc, ColorToRGB(Color()));
    DrawFocusRect(dc, &m);
  }
  SelectObject(dc, old);
}

// --- Popup menu ---------------------------------------------------------------------------------

bool TvxRadioButton::DoShowPopupMenu(TComponent* AMenu, Integer X, Integer Y) {
  auto* menu = dynamic_cast<TPopupMenu*>(AMenu);
  if (!menu) return false;
  menu->Popup(X, Y);
  return true;
}

void TvxRadioButton::WMContextMenu(TMessage& Message) {
  if (ComponentState().Contains(csDesigning) || Message.Result != 0) {
    InheritedMessage(Message);
    return;
  }
  POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  if (p.x == -1 && p.y == -1) {
    p = POINT{0, 0};
    ::ClientToScreen(Handle(), &p);
  } else {
    POINT c = p;
    ::ScreenToClient(Handle(), &c);
    if (c.x < 0 || c.y < 0 || c.x >= Width() || c.y >= Height()) {
      InheritedMessage(Message);
      return;
    }
  }
  Message.Result = DoShowPopupMenu(FPopupMenu, p.x, p.y) ? 1 : 0;
}

const TMessageMap* TvxRadioButton::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_DRAWITEM, MessageHandler<&TvxRadioButton::CNDrawItem>},
      {CN_COMMAND, MessageHandler<&TvxRadioButton::CNCommand>},
      {WM_ERASEBKGND, MessageHandler<&TvxRadioButton::WMEraseBkgnd>},
      {WM_CONTEXTMENU, MessageHandler<&TvxRadioButton::WMContextMenu>},
      {WM_GETDLGCODE, MessageHandler<&TvxRadioButton::WMGetDlgCode>},
      {CM_MOUSEENTER, MessageHandler<&TvxRadioButton::CMMouseEnter>},
      {CM_MOUSELEAVE, MessageHandler<&TvxRadioButton::CMMouseLeave>},
      {CM_ENABLEDCHANGED, MessageHandler<&TvxRadioButton::CMEnabledChanged>},
      {CM_SYSCOLORCHANGE, MessageHandler<&TvxRadioButton::CMSysColorChange>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// --- Radio group items and properties -------------------------------------------------------------

void TvxRadioGroupItem::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TvxRadioGroupItem*>(Source)) FValue = S->FValue;
  inherited::Assign(Source);
}

void TvxRadioGroupItem::SetValue(const Variant& Value) {
  if (VariantsEqual(FValue, Value) && VarIsNull(FValue) == VarIsNull(Value)) return;
  FValue = Value;
  if (auto* Items = dynamic_cast<TvxButtonGroupItems*>(Collection())) Items->ReportItemChange(Index(), copChanged);
}

void TvxRadioGroupItem::DeclarePublished(TPublisher<TvxRadioGroupItem>& P) {
  using C = TvxRadioGroupItem;
  P.Property(L"Value", [](C* I) { return I->Value(); }, [](C* I, const Variant& V) { I->SetValue(V); })
      .Stored([](C* I) { return !VarIsNull(I->Value()); });
}

TvxCustomRadioGroupProperties::TvxCustomRadioGroupProperties(TPersistent* AOwner)
    : TvxCustomButtonGroupProperties(AOwner), FDefaultCaption(vxGetResString(&vxSRadioGroupDefaultCaption)) {
  ReplaceItems();
}

std::unique_ptr<TvxButtonGroupItems> TvxCustomRadioGroupProperties::CreateItems() {
  return std::make_unique<TvxRadioGroupItems>(this, TvxRadioGroupItem::StaticClass());
}

void TvxCustomRadioGroupProperties::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TvxCustomRadioGroupProperties*>(Source);
  if (!S) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  auto Unlock = TScopeExit([this] { EndUpdate(); });
  inherited::Assign(Source);
  SetDefaultCaption(S->DefaultCaption());
  SetDefaultValue(S->DefaultValue());
  SetWordWrap(S->WordWrap());
}

TClass TvxCustomRadioGroupProperties::GetContainerClass() { return TvxRadioGroup::StaticClass(); }

TvxCustomEditViewData* TvxCustomRadioGroupProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                     bool APreviewMode) {
  auto* result = new TvxCustomRadioGroupViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomRadioGroupProperties::CreateViewInfo() { return new TvxCustomRadioGroupViewInfo(); }

Integer TvxCustomRadioGroupProperties::GetRadioGroupItemIndex(const Variant& AEditValue) {
  TvxRadioGroupItems* L = Items();
  for (Integer I = 0; I < L->Count(); ++I) {
    TvxRadioGroupItem* Item = L->Items(I);
    if (VarIsNull(Item->Value())) {
      if (AnsiCompareStr(Item->Caption(), VarToStr(AEditValue)) == 0) return I;
    } else if (VariantsEqual(Item->Value(), AEditValue)) {
      return I;
    }
  }
  return -1;
}

Variant TvxCustomRadioGroupProperties::ItemEditValue(Integer AIndex) {
  if (AIndex < 0 || AIndex >= Items()->Count()) return FDefaultValue;
  TvxRadioGroupItem* Item = Items()->Items(AIndex);
  return VarIsNull(Item->Value()) ? Variant(Item->Caption()) : Item->Value();
}

void TvxCustomRadioGroupProperties::GetItemFilterValue(Integer AIndex, Variant& AValue, String& ADisplayText) {
  if (AIndex < 0 || AIndex >= Items()->Count()) {
    AValue = FDefaultValue;
    ADisplayText = FDefaultCaption;
    return;
  }
  // An item without a value stands for its caption, in a filter as in the editor.
  AValue = ItemEditValue(AIndex);
  ADisplayText = Items()->Items(AIndex)->Caption();
}

String TvxCustomRadioGroupProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  const Integer I = GetRadioGroupItemIndex(AEditValue);
  return I >= 0 ? Items()->Items(I)->Caption() : FDefaultCaption;
}

void TvxCustomRadioGroupProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool) {
  DisplayValue = Variant(GetRadioGroupItemIndex(AEditValue));
}

bool TvxCustomRadioGroupProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  return GetRadioGroupItemIndex(AEditValue1) == GetRadioGroupItemIndex(AEditValue2);
}

TvxEditSupportedOperations TvxCustomRadioGroupProperties::GetSupportedOperations() {
  TvxEditSupportedOperations R = inherited::GetSupportedOperations();
  R.Include(esoHorzAlignment);
  R.Include(esoSortingByDisplayText);
  return R;
}

void TvxCustomRadioGroupProperties::SetDefaultCaption(const String& Value) {
  if (FDefaultCaption == Value) return;
  FDefaultCaption = Value;
  Changed();
}

bool TvxCustomRadioGroupProperties::IsDefaultCaptionStored() const {
  return FDefaultCaption != vxGetResString(&vxSRadioGroupDefaultCaption);
}

void TvxCustomRadioGroupProperties::SetDefaultValue(const Variant& Value) {
  if (VariantsEqual(FDefaultValue, Value) && VarIsNull(FDefaultValue) == VarIsNull(Value)) return;
  FDefaultValue = Value;
  Changed();
}

void TvxRadioGroupProperties::DeclarePublished(TPublisher<TvxRadioGroupProperties>& P) {
  using C = TvxRadioGroupProperties;
  P.Property(L"Columns", &C::Columns, &C::SetColumns).Default(1);
  P.Property(L"DefaultCaption", &C::DefaultCaption, &C::SetDefaultCaption)
      .Stored([](C* E) { return E->IsDefaultCaptionStored(); });
  P.Property(L"DefaultValue", [](C* E) { return E->DefaultValue(); },
             [](C* E, const Variant& V) { E->SetDefaultValue(V); })
      .Stored([](C* E) { return !VarIsNull(E->DefaultValue()); });
  P.Property(L"Items", [](C* E) { return static_cast<TCollection*>(E->Items()); },
             [](C* E, TCollection* V) { E->Items()->Assign(V); });
  P.Property(L"WordWrap", &C::WordWrap, &C::SetWordWrap).Default(false);
}

// --- Radio group buttons ------------------------------------------------------------------------------

TvxCustomRadioGroupButton::TvxCustomRadioGroupButton(TComponent* AOwner) : TvxRadioButton(AOwner) {
  if (TvxCustomRadioGroup* G = RadioGroup()) {
    G->AddButton(this);
    LookAndFeel()->SetMasterLookAndFeel(G->Style()->LookAndFeel());
  }
}

TvxCustomRadioGroupButton::~TvxCustomRadioGroupButton() {
  LookAndFeel()->SetMasterLookAndFeel(nullptr);
  if (TvxCustomRadioGroup* G = RadioGroup()) G->RemoveButton(this);
}

TvxCustomRadioGroup* TvxCustomRadioGroupButton::RadioGroup() const { return dynamic_cast<TvxCustomRadioGroup*>(Owner()); }

bool TvxCustomRadioGroupButton::CanFocus() {
  TvxCustomRadioGroup* G = RadioGroup();
  return G ? G->CanFocus() && inherited::CanFocus() : inherited::CanFocus();
}

void TvxCustomRadioGroupButton::SetChecked(bool Value) {
  if (Checked() == Value) return;
  {
    TValueScope<bool> NoClicks(FClicksDisabled, true);
    inherited::SetChecked(Value);
  }
  TvxCustomRadioGroup* G = RadioGroup();
  if (Value && !FInternalSettingChecked && G) G->ButtonChecked(this);
}

void TvxCustomRadioGroupButton::Click() {
  inherited::Click();
  TvxCustomRadioGroup* G = RadioGroup();
  if (G && !G->ComponentState().Contains(csLoading)) G->Click();
}

void TvxCustomRadioGroupButton::DoEnter() {
  TvxCustomRadioGroup* G = RadioGroup();
  // The base class checks a button that gets the focus; here the group decides.
  TWinControl::DoEnter();
  if (!G) return;
  G->ShortRefreshContainer(false);
  // Moving the focus with the arrow keys selects.
  if (!Checked() && !G->IsInplace() && !FFocusingByMouse && G->DoEditing()) SetChecked(true);
}

void TvxCustomRadioGroupButton::DoExit() {
  inherited::DoExit();
  if (TvxCustomRadioGroup* G = RadioGroup()) G->ShortRefreshContainer(false);
}

void TvxCustomRadioGroupButton::KeyPress(wchar_t& Key) {
  TvxCustomRadioGroup* G = RadioGroup();
  if ((Key == L'\b' || Key == L' ') && G && !G->CanModify()) Key = 0;
  inherited::KeyPress(Key);
}

void TvxCustomRadioGroupButton::CNCommandMsg(TWMCommand& Message) {
  if (Message.NotifyCode() != BN_CLICKED && Message.NotifyCode() != BN_DOUBLECLICKED) return;
  if (FIsClickLocked) return;
  TValueScope<bool> Lock(FIsClickLocked, true);
  TvxCustomRadioGroup* G = RadioGroup();
  try {
    if (Checked() || !G || (G->CanModify() && G->DoEditing())) CNCommand(Message);
  } catch (const std::exception&) {
    if (Application) Application->HandleException(this);
    else throw;
  }
}

void TvxCustomRadioGroupButton::WndProc(TMessage& Message) {
  TvxCustomRadioGroup* G = RadioGroup();
  if (G && (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) && G->DragMode() == dmAutomatic &&
      !G->ComponentState().Contains(csDesigning)) {
    G->BeginDrag(false);
    return;
  }
  if (Message.Msg == WM_LBUTTONDOWN) {
    TValueScope<bool> ByMouse(FFocusingByMouse, true);
    inherited::WndProc(Message);
    return;
  }
  inherited::WndProc(Message);
}

const TMessageMap* TvxCustomRadioGroupButton::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_COMMAND, MessageHandler<&TvxCustomRadioGroupButton::CNCommandMsg>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// --- Radio group ----------------------------------------------------------------------------------------------

std::unique_ptr<TvxCustomEditProperties> TvxCustomRadioGroup::CreateProperties() {
  // The properties class of the control (the published one for the published group).
  return TvxCustomEdit::CreateProperties();
}

void TvxCustomRadioGroup::Initialize() {
  inherited::Initialize();
  ControlStyle().Include(csCaptureMouse);
  ControlStyle().Include(csClickEvents);
  ControlStyle().Include(csSetCaption);
  ControlStyle().Include(csDoubleClicks);
  ControlStyle().Include(csReplicatable);
  FLoadedItemIndex = -1;
  SetBounds(Left(), Top(), 185, 105);
}

TWinControl* TvxCustomRadioGroup::CreateButton() { return new TvxCustomRadioGroupButton(this); }

bool TvxCustomRadioGroup::IsLoadingOrDesigning() const {
  const auto S = ComponentState();
  return S.Contains(csLoading) || S.Contains(csReading) || S.Contains(csUpdating) || S.Contains(csDesigning);
}

Integer TvxCustomRadioGroup::CheckedIndex() const {
  for (Integer I = 0; I < ButtonCount(); ++I)
    if (RadioButtons(I)->Checked()) return I;
  return -1;
}

Integer TvxCustomRadioGroup::ItemIndex() {
  if (IsLoadingOrDesigning()) return FLoadedItemIndex;
  return CheckedIndex();
}

bool TvxCustomRadioGroup::GroupFocused() {
  if (Focused()) return true;
  for (Integer I = 0; I < ButtonCount(); ++I)
    if (Buttons(I)->Focused()) return true;
  return false;
}

void TvxCustomRadioGroup::SetItemIndex(Integer Value) {
  if (!ComponentState().Contains(csLoading)) {
    Value = std::max(-1, std::min(Value, ButtonCount() - 1));
    Variant V;
    PrepareEditValue(Variant(Value), V, GroupFocused());
    SetEditValueForced(V, true);
  }
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDesigning)) FLoadedItemIndex = Value;
}

void TvxCustomRadioGroup::Clear() { SetItemIndex(-1); }

void TvxCustomRadioGroup::FillViewDataState(TvxCustomEditViewData* AViewData) {
  inherited::FillViewDataState(AViewData);
  if (auto* vd = dynamic_cast<TvxCustomRadioGroupViewData*>(AViewData)) vd->Group = this;
}

void TvxCustomRadioGroup::PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  const Integer I = VarIsNull(ADisplayValue) ? -1 : ADisplayValue.AsInteger();
  AEditValue = ActiveProperties()->ItemEditValue(I);
}

void TvxCustomRadioGroup::InternalSetEditValue(const Variant& Value, bool AValidateEditValue) {
  (void)AValidateEditValue;
  SetEditValueForced(Value, false);
}

void TvxCustomRadioGroup::SetEditValueForced(const Variant& Value, bool AForce) {
  LockChangeEvents(true);
  auto Unlock = TScopeExit([this] {
    LockChangeEvents(false);
    ShortRefreshContainer(false);
  });
  inherited::InternalSetEditValue(Value, false);
  const Integer Index = ActiveProperties()->GetRadioGroupItemIndex(EditValue());
  if (AForce || Index != CheckedIndex()) {
    if (Index < 0 || Index >= ButtonCount()) {
      const Integer Checked = CheckedIndex();
      if (Checked >= 0) {
        TValueScope<bool> Internal(RadioButtons(Checked)->FInternalSettingChecked, true);
        RadioButtons(Checked)->SetChecked(false);
      }
    } else {
      TvxCustomRadioGroupButton* B = RadioButtons(Index);
      {
        TValueScope<bool> Internal(B->FInternalSettingChecked, true);
        B->SetChecked(true);
      }
      if (GroupFocused() && !B->Focused() && B->CanFocus() && B->HandleAllocated()) B->SetFocus();
    }
    if (IsLoadingOrDesigning()) FLoadedItemIndex = Index;
    NotifyChange();
    NotifyEditValueChanged();
  }
  if (!FKeyboardAction) SetEditModified(false);
}

void TvxCustomRadioGroup::ButtonChecked(TvxCustomRadioGroupButton* AButton) {
  {
    LockChangeEvents(true);
    auto Unlock = TScopeExit([this] { LockChangeEvents(false); });
    TValueScope<bool> Keyboard(FKeyboardAction, GroupFocused());
    if (!ComponentState().Contains(csLoading)) {
      Integer Index = -1;
      for (Integer I = 0; I < ButtonCount(); ++I)
        if (Buttons(I) == AButton) Index = I;
      Variant V;
      PrepareEditValue(Variant(Index), V, GroupFocused());
      SetEditValueForced(V, true);
      if (FKeyboardAction) SetEditModified(true);
    }
  }
  if (GroupFocused() && ActiveProperties()->ImmediatePost() && CanPostEditValue() && ValidateEdit(true))
    InternalPostEditValue(false);
}

void TvxCustomRadioGroup::Loaded() {
  inherited::Loaded();
  LockChangeEvents(true);
  LockClick(true);
  auto Unlock = TScopeExit([this] {
    LockClick(false);
    LockChangeEvents(false);
  });
  if (VarIsNull(EditValue()) || VarIsEmpty(EditValue())) StoreEditValue(ActiveProperties()->DefaultValue());
  SetItemIndex(FLoadedItemIndex);
}

void TvxCustomRadioGroup::UpdateButtons() {
  const Integer Before = ItemIndex();
  inherited::UpdateButtons();
  if (!ComponentState().Contains(csLoading) && ItemIndex() != Before) {
    const Integer Index = ActiveProperties()->GetRadioGroupItemIndex(EditValue());
    if (Index >= 0 && Index < ButtonCount()) {
      TValueScope<bool> Internal(RadioButtons(Index)->FInternalSettingChecked, true);
      RadioButtons(Index)->SetChecked(true);
    }
  }
  TvxRadioGroupItems* Items = ActiveProperties()->Items();
  for (Integer I = 0; I < ButtonCount() && I < Items->Count(); ++I) {
    RadioButtons(I)->SetCaption(Items->Items(I)->Caption());
    RadioButtons(I)->SetWordWrap(ActiveProperties()->WordWrap());
  }
}

void TvxCustomRadioGroup::UpdateButtonColors() {
  inherited::UpdateButtonColors();
  for (Integer I = 0; I < ButtonCount(); ++I) RadioButtons(I)->SetTransparent(Transparent());
}

void TvxCustomRadioGroup::SetFocus() {
  const Integer I = CheckedIndex();
  if (I >= 0 && RadioButtons(I)->CanFocus()) RadioButtons(I)->SetFocus();
  else inherited::SetFocus();
}

void TvxRadioGroup::DeclarePublished(TPublisher<TvxRadioGroup>& P) {
  using C = TvxRadioGroup;
  P.Property(L"Caption", [](C* E) { return E->Caption(); }, [](C* E, const String& V) { E->SetCaption(V); });
  P.Property(L"Enabled", [](C* E) { return E->Enabled(); }, [](C* E, bool V) { E->SetEnabled(V); }).Default(true);
  P.Property(L"Properties", [](C* E) { return E->Properties(); },
             [](C* E, TvxRadioGroupProperties* V) { E->Properties()->Assign(V); });
  P.Property(L"ItemIndex", [](C* E) { return E->ItemIndex(); }, [](C* E, Integer V) { E->SetItemIndex(V); })
      .Default(-1);
  P.Property(L"Style", [](C* E) { return E->Style(); }, [](C* E, TvxContainerStyle* V) { E->SetStyle(V); });
  P.Property(L"TabOrder", [](C* E) { return E->TabOrder(); }, [](C* E, Integer V) { E->SetTabOrder(V); });
  P.Property(L"TabStop", [](C* E) { return E->TabStop(); }, [](C* E, bool V) { E->SetTabStop(V); }).Default(true);
  P.Property(L"Transparent", [](C* E) { return E->Transparent(); }, [](C* E, bool V) { E->SetTransparent(V); })
      .Default(false);
  P.Property(L"Visible", [](C* E) { return E->Visible(); }, [](C* E, bool V) { E->SetVisible(V); }).Default(true);
}

// --- In-place painting ------------------------------------------------------------------------

Integer TvxCustomRadioGroupViewInfo::NativeRadioState(TvxEditButtonState AState, bool AChecked) {
  Integer unchecked;
  switch (AState) {
    case ebsDisabled: unchecked = RBS_UNCHECKEDDISABLED; break;
    case ebsPressed: unchecked = RBS_UNCHECKEDPRESSED; break;
    case ebsSelected: unchecked = RBS_UNCHECKEDHOT; break;
    default: unchecked = RBS_UNCHECKEDNORMAL; break;
  }
  // The checked states follow the four unchecked ones in the same order.
  return AChecked ? unchecked + 4 : unchecked;
}

TvxCustomLookAndFeelPainterClass TvxCustomRadioGroupViewInfo::PainterOfButtonStyle(TvxEditButtonStyle AStyle) {
  switch (AStyle) {
    case btsFlat: return TvxFlatLookAndFeelPainter::Instance();
    case btsUltraFlat: return TvxUltraFlatLookAndFeelPainter::Instance();
    case btsOffice11: return TvxOffice11LookAndFeelPainter::Instance();
    default: return TvxStandardLookAndFeelPainter::Instance();
  }
}

void TvxCustomRadioGroupViewInfo::DrawButtonGlyph(TvxCanvas* ACanvas, TvxGroupBoxButtonViewInfo* AButton,
                                                  const TRect& AGlyphRect) {
  const bool checked = AButton->Index == ItemIndex;
  if (AButton->Data.NativeState != 0) {
    if (HTHEME theme = vdOpenThemeByType(totButton)) {
      HDC dc = ACanvas->Handle();
      const int saved = SaveDC(dc);
      auto restore = TScopeExit([dc, saved] { RestoreDC(dc, saved); });
      IntersectClipRect(dc, AButton->Bounds.left, AButton->Bounds.top, AButton->Bounds.right, AButton->Bounds.bottom);
      const RECT r{AGlyphRect.left, AGlyphRect.top, AGlyphRect.right, AGlyphRect.bottom};
      vdUxTheme::DrawThemeBackground(theme, dc, BP_RADIOBUTTON, NativeRadioState(AButton->Data.State, checked), &r, nullptr);
      return;
    }
  }
  static constexpr TvxButtonState Map[] = {vxbsDisabled, vxbsNormal, vxbsPressed, vxbsHot};
  TvxCustomLookAndFeelPainterClass painter = Painter ? Painter : PainterOfButtonStyle(AButton->Data.Style);
  const TColor brush = Transparent || AButton->Data.Transparent ? clDefault : BackgroundColor();
  painter->DrawRadioButton(ACanvas, AGlyphRect.left, AGlyphRect.top, Map[AButton->Data.State], checked, false, brush,
                           IsDesigning);
}

void TvxCustomRadioGroupViewInfo::DrawButtonCaption(TvxCanvas* ACanvas, TvxGroupBoxButtonViewInfo* AButton,
                                                    const TRect& AGlyphRect) {
  if (AButton->Caption.empty()) return;
  TRect r = AButton->Bounds;
  if (Alignment == taRightJustify) r.right = AGlyphRect.left;
  else r.left = AGlyphRect.right;
  if (IsInplace) r.left += 3, r.top -= 1, r.bottom += 1;
  else r.left += 5, r.right -= 1;
  if (DrawsButtons) OffsetRect(&r, 0, -1);
  if (vxRectHasNoArea(r)) return;
  if (Font) ACanvas->SetFont(Font);
  ACanvas->Font()->SetColor(TextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->DrawTexT(AButton->Caption, r, CaptionFlags, AButton->Data.State != ebsDisabled);
  ACanvas->Brush()->SetStyle(bsSolid);
  if (Focused && !IsInplace && AButton->Index == ItemIndex) {
    RECT m{r.left, r.top, r.right, r.bottom};
    ::DrawTextW(ACanvas->Handle(), AButton->Caption.c_str(), -1, &m,
              vxTextFlagsToDrawTextFlags(CaptionFlags) | DT_CALCRECT);
    const Integer h = m.bottom - m.top;
    m.top = r.top + (r.bottom - r.top - h) / 2;
    m.bottom = m.top + h;
    InflateRect(&m, 1, 1);
    m.bottom += 1;
    ACanvas->DrawFocusRect(TRect{m.left, m.top, m.right, m.bottom});
  }
}

TvxCustomLookAndFeelPainterClass TvxCustomRadioGroupViewData::ButtonPainter() {
  TvxLookAndFeel* lf = Style()->LookAndFeel();
  if (lf->SkinPainter()) return lf->SkinPainter();
  TvxCustomLookAndFeelPainterClass p = lf->GetAvailablePainter(totButton);
  return p ? p : TvxStandardLookAndFeelPainter::Instance();
}

void TvxCustomRadioGroupViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                            TvxMouseButton Button, TShiftState Shift,
                                            TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  auto* vi = static_cast<TvxCustomRadioGroupViewInfo*>(AViewInfo);
  vi->Alignment = taLeftJustify;
  inherited::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  TvxCustomLookAndFeelPainterClass painter = ButtonPainter();
  vi->Painter = Style()->LookAndFeel()->SkinPainter();
  vi->GlyphSize = painter->RadioButtonSize();
  vi->SetBackgroundColor(Style()->Color());
  // A radio group control draws its buttons through this view info under its button windows,
  // whose captions sit one pixel higher than a cell's.
  vi->DrawsButtons = Group != nullptr;
}

bool TvxCustomRadioGroupViewData::IsGroupButtonPressed(TvxButtonGroupViewInfo*, Integer AIndex) {
  return Group && AIndex >= 0 && AIndex < Group->ButtonCount() && Group->RadioButtons(AIndex)->State() == rbsPressed;
}

void TvxCustomRadioGroupViewData::EditValueToDrawValue(TvxCanvas*, const Variant& AEditValue,
                                                       TvxCustomEditViewInfo* AViewInfo) {
  auto* vi = static_cast<TvxCustomRadioGroupViewInfo*>(AViewInfo);
  auto* props = static_cast<TvxCustomRadioGroupProperties*>(Properties());
  vi->ItemIndex = PreviewMode ? 0 : props->GetRadioGroupItemIndex(AEditValue);
  if (PaintOptions.Contains(epoAutoHeight)) vi->PaintOptions.Include(epoAutoHeight);
}

void TvxCustomRadioGroupViewData::GetButtonMetrics(TvxCanvas* ACanvas, TvxButtonGroupButtonMetrics& AMetrics) {
  const bool native = IsButtonNativeStyle();
  const bool inplace = IsInplace();
  AMetrics = TvxButtonGroupButtonMetrics{};
  AMetrics.ButtonsLeft = inplace ? 1 : 6;
  AMetrics.LayoutWidthCorrection = inplace ? -2 : -6;
  AMetrics.ColumnSpacing = 0;
  if (!ACanvas) return;
  AMetrics.TextGap = native ? 1 : 3;
  AMetrics.ColumnExtra = native ? 5 : 7;
  AMetrics.FitWidthCorrection = inplace ? -5 : -6;
  AMetrics.TotalExtra = inplace ? 1 : 6;
  const TSize glyph = ButtonPainter()->RadioButtonSize();
  AMetrics.GlyphWidth = glyph.cx;
  AMetrics.GlyphHeight = glyph.cy;
}

void TvxCustomRadioGroupViewData::CalculateButtonViewInfo(TvxButtonGroupViewInfo* AViewInfo,
                                                          TvxGroupBoxButtonViewInfo* AButton) {
  AButton->Data.NativeState = 0;
  AButton->Data.NativePart = 0;
  AButton->Data.BackgroundPartiallyTransparent = AViewInfo->Transparent;
  if (!IsButtonNativeStyle()) return;
  // The checked state is known only once the value is drawn: the state kept here is the
  // unchecked one, and painting picks the checked form when the item is the value's.
  AButton->Data.NativePart = BP_RADIOBUTTON;
  AButton->Data.NativeState = TvxCustomRadioGroupViewInfo::NativeRadioState(AButton->Data.State, false);
  if (HTHEME theme = vdOpenThemeByType(totButton))
    AButton->Data.BackgroundPartiallyTransparent =
        AViewInfo->Transparent ||
        vdUxTheme::IsThemeBackgroundPartiallyTransparent(theme, BP_RADIOBUTTON, AButton->Data.NativeState) != FALSE;
}

// --- Filter rows ------------------------------------------------------------------------------

TvxFilterControlOperators TvxFilterRadioGroupHelper::GetSupportedFilterOperators(TvxCustomEditProperties*,
                                                                                 TvxValueTypeClass,
                                                                                 bool AExtendedSet) const {
  return vxFixedListFilterOperators(AExtendedSet);
}

void TvxFilterRadioGroupHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                     TvxCustomEditProperties* AEditProperties,
                                                     bool AHasButtons) const {
  // The combo box's own set-up chooses a typed list: the items are set afterwards so that
  // the list stays fixed to them.
  inherited::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  auto* combo = dynamic_cast<TvxCustomComboBoxProperties*>(AProperties);
  auto* radio = dynamic_cast<TvxCustomRadioGroupProperties*>(AEditProperties);
  if (!combo || !radio) return;
  TStringList* items = combo->Items();
  items->Clear();
  for (Integer i = 0; i < radio->Items()->Count(); ++i) items->Add(radio->Items()->Items(i)->Caption());
  combo->SetDropDownListStyle(lsFixedList);
  combo->SetIDefaultValuesProvider(nullptr);
}

void TvxFilterRadioGroupHelper::GetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties,
                                               Variant& V, String& S) const {
  auto* radio = dynamic_cast<TvxCustomRadioGroupProperties*>(AEditProperties);
  auto* combo = dynamic_cast<TvxCustomTextEdit*>(AEdit);
  if (!radio || !combo) {
    inherited::GetFilterValue(AEdit, AEditProperties, V, S);
    return;
  }
  radio->GetItemFilterValue(combo->ItemIndex(), V, S);
}

void TvxFilterRadioGroupHelper::SetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties,
                                               const Variant& AValue) const {
  auto* radio = dynamic_cast<TvxCustomRadioGroupProperties*>(AEditProperties);
  auto* combo = dynamic_cast<TvxCustomTextEdit*>(AEdit);
  if (!radio || !combo) return;
  Variant display;
  radio->PrepareDisplayValue(AValue, display, false);
  combo->SetItemIndex(display.AsInteger());
}

namespace {
void InitRadioGroup() {
  RegisterClass(TvxRadioGroup::StaticClass());
  RegisterClass(TvxRadioGroupItem::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxRadioGroupProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryRadioGroupItem));
  GetFilterEditsController()->Register(TvxRadioGroupProperties::StaticClass(), TvxFilterRadioGroupHelper::Class());
}
void FinRadioGroup() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxRadioGroupProperties::StaticClass(), TvxFilterRadioGroupHelper::Class());
  UnRegisterClass(TvxRadioGroup::StaticClass());
  UnRegisterClass(TvxRadioGroupItem::StaticClass());
  if (TvxRegisteredClasses* R = GetEditPropertiesRegistry()) R->Unregister(TvxRadioGroupProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxRadioGroupUnit = {L"vxRadioGroup", InitRadioGroup, FinRadioGroup};
