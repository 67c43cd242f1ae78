#include "vxRadioGroup.h"

#include <windowsx.h>

#include "Menus.h"
#include "vdThemeManager.h"
#include "vxGroupBox.h"

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

namespace {
void InitRadioGroup() {}
void FinRadioGroup() {}
}  // namespace

const TUnitInfo vxRadioGroupUnit = {L"vxRadioGroup", InitRadioGroup, FinRadioGroup};
