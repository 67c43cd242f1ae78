#include "Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <set>

#include "DragObjs.h"
#include "Forms.h"
#include "Menus.h"
#include "Streaming.h"

TMouse* Mouse = nullptr;
HCURSOR (*CursorHandleOf)(TCursor Cursor) = nullptr;
void (*HandleControlException)(TObject* Sender) = nullptr;

namespace {

const wchar_t* const ControlProp = L"ZalvoSorvaneControl";
thread_local TWinControl* CreationControl = nullptr;
TControl* CaptureControl = nullptr;
TControl* CurrentMouseControl = nullptr;
std::set<String>* RegisteredClasses = nullptr;
std::vector<TControlCanvas*>* CanvasList = nullptr;
// Controls that own a window: their windows go when the unit shuts down, so that no
// message reaches a control after the library has closed.
std::set<TWinControl*>* LiveWindows = nullptr;

LRESULT CALLBACK ControlWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  auto* c = static_cast<TWinControl*>(GetPropW(h, ControlProp));
  if (!c && CreationControl) {
    c = CreationControl;
    CreationControl = nullptr;
    SetPropW(h, ControlProp, c);
    c->zs_AttachHandle(h);
  }
  if (!c) return DefWindowProcW(h, msg, w, l);
  TMessage m{msg, w, l, 0};
  c->MainWndProc(m);
  return m.Result;
}

HCURSOR DefaultCursorHandle(TCursor c) {
  const wchar_t* id = IDC_ARROW;
  switch (c) {
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    case crNone: return nullptr;
    default: break;
  }
  return LoadCursorW(nullptr, id);
}

const struct { TCursor Value; const wchar_t* Name; } CursorNames[] = {
    {crDefault, L"crDefault"}, {crNone, L"crNone"}, {crArrow, L"crArrow"},
    {crCross, L"crCross"}, {crIBeam, L"crIBeam"}, {crSizeNESW, L"crSizeNESW"},
    {crSizeNS, L"crSizeNS"}, {crSizeNWSE, L"crSizeNWSE"}, {crSizeWE, L"crSizeWE"},
    {crUpArrow, L"crUpArrow"}, {crHourGlass, L"crHourGlass"}, {crDrag, L"crDrag"},
    {crNoDrop, L"crNoDrop"}, {crHSplit, L"crHSplit"}, {crVSplit, L"crVSplit"},
    {crMultiDrag, L"crMultiDrag"}, {crSQLWait, L"crSQLWait"}, {crNo, L"crNo"},
    {crAppStart, L"crAppStart"}, {crHelp, L"crHelp"}, {crHandPoint, L"crHandPoint"},
    {crSizeAll, L"crSizeAll"}};

void InitControls() {
  RegisterIntegerConsts(TypeInfoCursor(), IdentToCursor, CursorToIdent);
  Mouse = new TMouse;
  RegisteredClasses = new std::set<String>;
  CanvasList = new std::vector<TControlCanvas*>;
  if (!CursorHandleOf) CursorHandleOf = DefaultCursorHandle;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
}

void DoneControls() {
  if (LiveWindows) {
    auto live = *LiveWindows;
    for (TWinControl* c : live)
      if (LiveWindows->count(c)) c->DestroyHandle();
    delete LiveWindows;
    LiveWindows = nullptr;
  }
  delete Mouse;
  Mouse = nullptr;
  if (RegisteredClasses) {
    for (const auto& n : *RegisteredClasses) UnregisterClassW(n.c_str(), GetModuleHandleW(nullptr));
    delete RegisteredClasses;
    RegisteredClasses = nullptr;
  }
  delete CanvasList;
  CanvasList = nullptr;
  CaptureControl = nullptr;
  CurrentMouseControl = nullptr;
}

POINT PointOf(LPARAM l) {
  return POINT{static_cast<SmallInt>(LOWORD(l)), static_cast<SmallInt>(HIWORD(l))};
}
LPARAM LParamOf(POINT p) {
  return MAKELPARAM(static_cast<Word>(static_cast<SmallInt>(p.x)),
                    static_cast<Word>(static_cast<SmallInt>(p.y)));
}

}  // namespace

const TUnitInfo ControlsUnit{L"Controls", InitControls, DoneControls};

// ---------------------------------------------------------------------------------------
// Free functions

PTypeInfo TypeInfoCursor() {
  static const PTypeInfo info = RenamedTypeInfo(TypeInfoInteger(), L"TCursor");
  return info;
}

bool CursorToIdent(Integer Cursor, String& Ident) {
  for (const auto& c : CursorNames)
    if (c.Value == Cursor) { Ident = c.Name; return true; }
  return false;
}

bool IdentToCursor(const String& Ident, Integer& Cursor) {
  for (const auto& c : CursorNames)
    if (_wcsicmp(c.Name, Ident.c_str()) == 0) { Cursor = c.Value; return true; }
  return false;
}

// ---------------------------------------------------------------------------------------
// TSizeConstraints

void TSizeConstraints::DeclarePublished(TPublisher<TSizeConstraints>& P) {
  using C = TSizeConstraints;
  P.Property(L"MaxHeight", &C::MaxHeight, &C::SetMaxHeight).Default(0);
  P.Property(L"MaxWidth", &C::MaxWidth, &C::SetMaxWidth).Default(0);
  P.Property(L"MinHeight", &C::MinHeight, &C::SetMinHeight).Default(0);
  P.Property(L"MinWidth", &C::MinWidth, &C::SetMinWidth).Default(0);
}

// A new maximum below the minimum pulls the minimum down with it, and a new minimum
// above the maximum pushes the maximum up, so the limits never contradict each other.
void TSizeConstraints::SetMaxHeight(TConstraintSize Value) {
  if (Value < 0) Value = 0;
  if (Value == FMaxHeight) return;
  FMaxHeight = Value;
  if (Value > 0 && Value < FMinHeight) FMinHeight = Value;
  Change();
}
void TSizeConstraints::SetMaxWidth(TConstraintSize Value) {
  if (Value < 0) Value = 0;
  if (Value == FMaxWidth) return;
  FMaxWidth = Value;
  if (Value > 0 && Value < FMinWidth) FMinWidth = Value;
  Change();
}
void TSizeConstraints::SetMinHeight(TConstraintSize Value) {
  if (Value < 0) Value = 0;
  if (Value == FMinHeight) return;
  FMinHeight = Value;
  if (FMaxHeight > 0 && Value > FMaxHeight) FMaxHeight = Value;
  Change();
}
void TSizeConstraints::SetMinWidth(TConstraintSize Value) {
  if (Value < 0) Value = 0;
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  if (FMaxWidth > 0 && Value > FMaxWidth) FMaxWidth = Value;
  Change();
}

void TSizeConstraints::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TSizeConstraints*>(Source)) {
    FMaxHeight = s->FMaxHeight;
    FMaxWidth = s->FMaxWidth;
    FMinHeight = s->FMinHeight;
    FMinWidth = s->FMinWidth;
    Change();
    return;
  }
  TPersistent::Assign(Source);
}

TPersistent* TSizeConstraints::GetOwner() { return FControl; }

void TSizeConstraints::Apply(Integer& Width, Integer& Height) const {
  if (FMinWidth > 0 && Width < FMinWidth) Width = FMinWidth;
  if (FMaxWidth > 0 && Width > FMaxWidth) Width = FMaxWidth;
  if (FMinHeight > 0 && Height < FMinHeight) Height = FMinHeight;
  if (FMaxHeight > 0 && Height > FMaxHeight) Height = FMaxHeight;
}

void TSizeConstraints::Change() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------
// Published properties of every control. Colour, font and hint are written only where
// the control does not take them from its parent.

void TControl::DeclarePublished(TPublisher<TControl>& P) {
  using C = TControl;
  P.Property(L"Left", &C::Left, &C::SetLeft);
  P.Property(L"Top", &C::Top, &C::SetTop);
  P.Property(L"Width", &C::Width, &C::SetWidth);
  P.Property(L"Height", &C::Height, &C::SetHeight);
  P.Property(L"Align", &C::Align, &C::SetAlign).Default(alNone);
  // Aligning sets the anchors it implies: only other anchors are written.
  P.Property(L"Anchors", &C::Anchors, &C::SetAnchors)
      .Stored([](C* c) { return !(c->Anchors() == AlignAnchors(c->Align())); });
  P.Property(L"Color", &C::Color, &C::SetColor).Stored([](C* c) { return !c->ParentColor(); });
  P.Property(L"Constraints", &C::Constraints, &C::SetConstraints);
  P.Property(L"Cursor", &C::Cursor, &C::SetCursor).Default(crDefault);
  P.Property(L"DragCursor", &C::DragCursor, &C::SetDragCursor).Default(crDrag);
  P.Property(L"DragKind", &C::DragKind, &C::SetDragKind).Default(dkDrag);
  P.Property(L"DragMode", &C::DragMode, &C::SetDragMode).Default(dmManual);
  P.Property(L"Enabled", &C::Enabled, &C::SetEnabled).Default(true);
  P.Property(L"Font", &C::Font, &C::SetFont).Stored([](C* c) { return !c->ParentFont(); });
  P.Property(L"HelpContext", &C::HelpContext, &C::SetHelpContext).Default(0);
  P.Property(L"Hint", &C::Hint, &C::SetHint);
  P.Property(L"ParentColor", &C::ParentColor, &C::SetParentColor).Default(true);
  P.Property(L"ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
  P.Property(L"ParentShowHint", &C::ParentShowHint, &C::SetParentShowHint).Default(true);
  P.Property(L"PopupMenu", &C::PopupMenu, &C::SetPopupMenu);
  P.Property(L"ShowHint", &C::ShowHint, &C::SetShowHint)
      .Stored([](C* c) { return !c->ParentShowHint(); });
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property(L"OnCanResize", &C::OnCanResize);
  P.Property(L"OnClick", &C::OnClick);
  P.Property(L"OnContextPopup", &C::OnContextPopup);
  P.Property(L"OnDblClick", &C::OnDblClick);
  P.Property(L"OnDragDrop", &C::OnDragDrop);
  P.Property(L"OnDragOver", &C::OnDragOver);
  P.Property(L"OnEndDock", &C::OnEndDock);
  P.Property(L"OnEndDrag", &C::OnEndDrag);
  P.Property(L"OnMouseDown", &C::OnMouseDown);
  P.Property(L"OnMouseEnter", &C::OnMouseEnter);
  P.Property(L"OnMouseLeave", &C::OnMouseLeave);
  P.Property(L"OnMouseMove", &C::OnMouseMove);
  P.Property(L"OnMouseUp", &C::OnMouseUp);
  P.Property(L"OnMouseWheel", &C::OnMouseWheel);
  P.Property(L"OnMouseWheelDown", &C::OnMouseWheelDown);
  P.Property(L"OnMouseWheelUp", &C::OnMouseWheelUp);
  P.Property(L"OnResize", &C::OnResize);
  P.Property(L"OnStartDock", &C::OnStartDock);
  P.Property(L"OnStartDrag", &C::OnStartDrag);
}

void TWinControl::DeclarePublished(TPublisher<TWinControl>& P) {
  using C = TWinControl;
  P.Property(L"TabOrder", &C::TabOrder, &C::SetTabOrder).Default(-1);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(false);
  P.Property(L"OnDockDrop", &C::OnDockDrop);
  P.Property(L"OnDockOver", &C::OnDockOver);
  P.Property(L"OnEnter", &C::OnEnter);
  P.Property(L"OnExit", &C::OnExit);
  P.Property(L"OnGetSiteInfo", &C::OnGetSiteInfo);
  P.Property(L"OnKeyDown", &C::OnKeyDown);
  P.Property(L"OnKeyPress", &C::OnKeyPress);
  P.Property(L"OnKeyUp", &C::OnKeyUp);
  P.Property(L"OnUnDock", &C::OnUnDock);
}

RECT FitRectInto(RECT R, const RECT& Area) {
  const LONG width = std::min(R.right - R.left, Area.right - Area.left);
  const LONG height = std::min(R.bottom - R.top, Area.bottom - Area.top);
  R.left = std::max(Area.left, std::min(R.left, Area.right - width));
  R.top = std::max(Area.top, std::min(R.top, Area.bottom - height));
  R.right = R.left + width;
  R.bottom = R.top + height;
  return R;
}

TShiftState KeysToShiftState(WPARAM Keys) {
  TShiftState s;
  if (Keys & MK_SHIFT) s.Include(ssShift);
  if (Keys & MK_CONTROL) s.Include(ssCtrl);
  if (Keys & MK_LBUTTON) s.Include(ssLeft);
  if (Keys & MK_RBUTTON) s.Include(ssRight);
  if (Keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (KeyData & 0x20000000) s.Include(ssAlt);
  return s;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
  return s;
}

TWinControl* FindControl(HWND Handle) {
  if (!Handle) return nullptr;
  // The property holds an address in the process that set it: a window of another
  // program built on these classes (under the mouse, say) is not one of ours.
  DWORD process = 0;
  if (!GetWindowThreadProcessId(Handle, &process) || process != GetCurrentProcessId()) return nullptr;
  return static_cast<TWinControl*>(GetPropW(Handle, ControlProp));
}

bool IsControlWindow(HWND Handle) { return FindControl(Handle) != nullptr; }

TControl* FindDragTarget(POINT Pos, bool AllowDisabled) {
  HWND w = WindowFromPoint(Pos);
  TWinControl* wc = nullptr;
  while (w && !(wc = FindControl(w))) w = GetParent(w);
  if (!wc) return nullptr;
  TControl* c = wc->ControlAtPos(wc->ScreenToClient(Pos), AllowDisabled);
  return c ? c : wc;
}

TControl* GetCaptureControl() {
  HWND h = GetCapture();
  TControl* r = FindControl(h);
  if (r && CaptureControl && CaptureControl->Parent() == r) return CaptureControl;
  return r;
}

void SetCaptureControl(TControl* Control) {
  ReleaseCapture();
  CaptureControl = nullptr;
  if (!Control) return;
  if (auto* wc = dynamic_cast<TWinControl*>(Control)) {
    SetCapture(wc->Handle());
    return;
  }
  if (!Control->Parent()) return;
  CaptureControl = Control;
  SetCapture(Control->Parent()->Handle());
}

TControl* MouseControl() { return CurrentMouseControl; }

void SetMouseControl(TControl* Control) {
  if (Control == CurrentMouseControl) return;
  TControl* old = CurrentMouseControl;
  CurrentMouseControl = Control;
  if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
  // The leave handler may have moved the mouse control on (or freed it).
  if (Control && CurrentMouseControl == Control) Control->Perform(CM_MOUSEENTER, 0, 0);
}

void UpdateMouseControl() {
  POINT p;
  if (!GetCursorPos(&p)) return;
  TControl* c = FindDragTarget(p, false);
  SetMouseControl(c);
}

void BroadcastToControls(TWinControl* Root, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!Root) return;
  Root->Perform(Msg, WParam, LParam);
  for (Integer i = 0; i < Root->ControlCount(); ++i) {
    TControl* c = Root->Controls(i);
    if (auto* w = dynamic_cast<TWinControl*>(c)) BroadcastToControls(w, Msg, WParam, LParam);
    else c->Perform(Msg, WParam, LParam);
  }
}

// ---------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FFont(std::make_unique<TFont>()),
      FConstraints(std::make_unique<TSizeConstraints>(this)) {
  FWindowProc = [this](TMessage& m) { WndProc(m); };
  FFont->OnChange = [this](TObject* s) { FontChanged(s); };
  // New limits take effect on the present size at once.
  FConstraints->OnChange = [this](TObject*) { SetBounds(FLeft, FTop, FWidth, FHeight); };
  FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

TControl::~TControl() {
  if (FHostDockSite) {
    auto& clients = FHostDockSite->FDockClients;
    clients.erase(std::remove(clients.begin(), clients.end(), this), clients.end());
  }
  if (CurrentMouseControl == this) CurrentMouseControl = nullptr;
  if (Application && Application->HintControl() == this) Application->CancelHint();
  if (CaptureControl == this) {
    CaptureControl = nullptr;
    ReleaseCapture();
  }
  // A drag of this control ends here; its handler does not run for a control going away.
  if (::DragControl() == this) {
    OnEndDrag = nullptr;
    ::EndDrag(false);
  }
  if (FParent) FParent->RemoveControl(this);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (AParent == this) throw EInvalidOperation(L"A control cannot have itself as its parent");
  // A parent inside this control's own subtree would close a cycle.
  for (TWinControl* P = AParent ? AParent->Parent() : nullptr; P; P = P->Parent())
    if (P == this) throw EInvalidOperation(L"A control cannot have one of its children as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) {
    AParent->InsertControl(this);
    UpdateAnchorRules();
  }
}

void TControl::SetName(const String& Value) {
  const bool changeText = FControlStyle.Contains(csSetCaption) &&
                          !ComponentState().Contains(csLoading) && Name() == GetText() &&
                          (Owner() == nullptr || !Owner()->ComponentState().Contains(csLoading));
  inherited::SetName(Value);
  if (changeText) SetText(Value);
}

void TControl::Loaded() {
  inherited::Loaded();
  if (FParent) {
    if (FParentColor) Perform(CM_PARENTCOLORCHANGED, 0, 0);
    if (FParentFont) Perform(CM_PARENTFONTCHANGED, 0, 0);
    if (FParentShowHint) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  }
  UpdateAnchorRules();
  RequestAlign();
}

void TControl::UpdateAnchorRules() {
  if (!FParent || ComponentState().Contains(csLoading)) return;
  RECT cr = FParent->ClientRect();
  FAnchorOrigin = POINT{cr.right, cr.bottom};
  FAnchorRect = BoundsRect();
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  FConstraints->Apply(AWidth, AHeight);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  if (!CanResize(AWidth, AHeight)) return;
  InvalidateControl(FVisible, false);
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (!FParent || !FParent->ControlState().Contains(csAligning)) UpdateAnchorRules();
  Invalidate();
  Perform(WM_WINDOWPOSCHANGED, 0, 0);
  RequestAlign();
  if (!ComponentState().Contains(csLoading)) Resize();
}

void TControl::UpdateBoundsRect(const RECT& R) {
  FLeft = R.left;
  FTop = R.top;
  FWidth = R.right - R.left;
  FHeight = R.bottom - R.top;
}

bool TControl::CanResize(Integer& NewWidth, Integer& NewHeight) {
  bool r = true;
  if (OnCanResize) OnCanResize(this, NewWidth, NewHeight, r);
  if (r) FConstraints->Apply(NewWidth, NewHeight);
  return r;
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::RequestAlign() {
  if (FParent) FParent->AlignControl(this);
}

RECT TControl::ClientRect() { return RECT{0, 0, FWidth, FHeight}; }

void TControl::SetClientWidth(Integer Value) {
  SetWidth(Value + (FWidth - ClientWidth()));
}
void TControl::SetClientHeight(Integer Value) {
  SetHeight(Value + (FHeight - ClientHeight()));
}

POINT TControl::ClientOrigin() {
  if (!FParent) throw EInvalidOperation(L"Control '%s' has no parent window", {Name()});
  POINT p = FParent->ClientOrigin();
  p.x += FLeft;
  p.y += FTop;
  return p;
}

POINT TControl::ClientToScreen(POINT P) {
  POINT o = ClientOrigin();
  return POINT{P.x + o.x, P.y + o.y};
}

POINT TControl::ScreenToClient(POINT P) {
  POINT o = ClientOrigin();
  return POINT{P.x - o.x, P.y - o.y};
}

POINT TControl::ClientToParent(POINT P, TWinControl* AParent) {
  if (!AParent) AParent = FParent;
  if (!AParent) throw EInvalidOperation(L"Control '%s' has no parent window", {Name()});
  TControl* c = this;
  while (c && c != AParent) {
    P.x += c->FLeft;
    P.y += c->FTop;
    c = c->FParent;
  }
  if (!c) throw EInvalidOperation(L"'%s' is not a parent of '%s'", {AParent->Name(), Name()});
  return P;
}

TAnchors AlignAnchors(TAlign Align) {
  switch (Align) {
    case alTop: return {akLeft, akTop, akRight};
    case alBottom: return {akLeft, akRight, akBottom};
    case alLeft: return {akLeft, akTop, akBottom};
    case alRight: return {akRight, akTop, akBottom};
    case alClient: return {akLeft, akTop, akRight, akBottom};
    default: return {akLeft, akTop};
  }
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  FAlign = Value;
  FAnchors = AlignAnchors(Value);
  RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
  if (FAnchors == Value) return;
  FAnchors = Value;
  UpdateAnchorRules();
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Perform(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
  RequestAlign();
  NotifyDockHost(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
}

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor Value) {
  if (FColor != Value) {
    FColor = Value;
    FParentColor = false;
    Perform(CM_COLORCHANGED, 0, 0);
  }
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor != Value) {
    FParentColor = Value;
    if (FParent && !ComponentState().Contains(csReading)) Perform(CM_PARENTCOLORCHANGED, 0, 0);
  }
}

void TControl::FontChanged(TObject*) {
  if (!FUpdatingParentFont) FParentFont = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont != Value) {
    FParentFont = Value;
    if (FParent && !ComponentState().Contains(csReading)) Perform(CM_PARENTFONTCHANGED, 0, 0);
  }
}

void TControl::SetShowHint(bool Value) {
  if (FShowHint != Value) {
    FShowHint = Value;
    FParentShowHint = false;
    Perform(CM_SHOWHINTCHANGED, 0, 0);
  }
}

void TControl::SetParentShowHint(bool Value) {
  if (FParentShowHint != Value) {
    FParentShowHint = Value;
    if (FParent && !ComponentState().Contains(csReading)) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  }
}

void TControl::SetCursor(TCursor Value) {
  if (FCursor != Value) {
    FCursor = Value;
    Perform(CM_CURSORCHANGED, 0, 0);
  }
}

Integer TControl::GetTextLen() { return static_cast<Integer>(FText.size()); }

String TControl::GetText() {
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) {
    int n = GetWindowTextLengthW(w->Handle());
    String s(static_cast<size_t>(n) + 1, L'\0');
    int got = GetWindowTextW(w->Handle(), s.data(), n + 1);
    s.resize(static_cast<size_t>(got < 0 ? 0 : got));
    return s;
  }
  return FText;
}

void TControl::SetText(const String& Value) {
  if (GetText() != Value) {
    SetTextBuf(Value);
    Perform(CM_TEXTCHANGED, 0, 0);
    NotifyDockHost(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
  }
}

void TControl::NotifyDockHost(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!FHostDockSite) return;
  TDockNotifyRec rec{Msg, WParam, LParam};
  FHostDockSite->Perform(CM_DOCKNOTIFICATION, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(&rec));
}

bool TControl::ManualDock(TWinControl* NewDockSite, TControl* DropControl, TAlign ControlSide) {
  TDragDockObject source(this);
  source.SetDropOnControl(DropControl);
  source.SetDropAlign(ControlSide);
  if (NewDockSite) {
    RECT site = NewDockSite->ClientRect();
    MapWindowPoints(NewDockSite->HandleAllocated() ? NewDockSite->Handle() : nullptr, HWND_DESKTOP,
                    reinterpret_cast<POINT*>(&site), 2);
    source.SetDockRect(site);
  }
  return DockTo(NewDockSite, &source);
}

bool TControl::DockTo(TWinControl* NewDockSite, TDragDockObject* Source) {
  TWinControl* old = FHostDockSite;
  if (NewDockSite && NewDockSite == old) return true;
  if (old && !old->DoUnDock(NewDockSite, this)) return false;
  if (old) {
    auto& clients = old->FDockClients;
    clients.erase(std::remove(clients.begin(), clients.end(), this), clients.end());
    FHostDockSite = nullptr;
  }
  // The old host hears of the removal once the control has its new place, also when
  // the new site fails to take it.
  TScopeExit removed([old, this] {
    if (old) old->DoRemoveDockClient(this);
  });
  if (!NewDockSite) {
    SetParent(nullptr);
    return true;
  }
  const RECT site = Source->DockRect();
  NewDockSite->DockDrop(Source, (site.right - site.left) / 2, (site.bottom - site.top) / 2);
  FHostDockSite = NewDockSite;
  NewDockSite->FDockClients.push_back(this);
  return true;
}

bool TControl::ManualFloat(const RECT& ScreenRect) {
  auto* host = dynamic_cast<TCustomDockForm*>(FHostDockSite);
  if (host && host->DockClientCount() == 1) {
    host->PlaceClientArea(ScreenRect);
    return true;
  }
  // The host belongs with the control: it goes with the control's owner.
  TComponent* owner = Owner() ? Owner() : Application;
  auto created = std::make_unique<TCustomDockForm>(owner);
  created->PlaceClientArea(ScreenRect);
  TDragDockObject source(this);
  source.SetDockRect(ScreenRect);
  if (!DockTo(created.get(), &source)) return false;
  // A hidden control floats out of sight until it is shown.
  TCustomDockForm* shown = created.release();
  if (Visible()) shown->Show();
  return true;
}

void TControl::SetTextBuf(const String& Value) { FText = Value; }

bool TControl::MouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool Value) {
  if (MouseCapture() != Value) SetCaptureControl(Value ? this : nullptr);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  if (FWindowProc) FWindowProc(m);
  else WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  const UINT msg = Message.Msg;
  if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
    if (!FControlStyle.Contains(csDoubleClicks)) {
      if (msg == WM_LBUTTONDBLCLK) Message.Msg = WM_LBUTTONDOWN;
      else if (msg == WM_RBUTTONDBLCLK) Message.Msg = WM_RBUTTONDOWN;
      else if (msg == WM_MBUTTONDBLCLK) Message.Msg = WM_MBUTTONDOWN;
    }
    switch (Message.Msg) {
      case WM_MOUSEMOVE:
        if (Application) {
          TWMMouse mouse(Message);
          Application->HintMouseMessage(this, mouse);
        }
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        // An automatic drag takes the press instead of the ordinary mouse handling.
        if (FDragMode == dmAutomatic && !ComponentState().Contains(csDesigning)) {
          BeginDrag(Mouse ? Mouse->DragImmediate() : true, -1);
          return;
        }
        FControlState.Include(csLButtonDown);
        break;
      case WM_LBUTTONUP:
        FControlState.Exclude(csLButtonDown);
        break;
      default:
        break;
    }
  }
  Dispatch(Message);
}

const TMessageMap* TControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_LBUTTONDOWN, MessageHandler<&TControl::WMLButtonDown>},
      {WM_RBUTTONDOWN, MessageHandler<&TControl::WMRButtonDown>},
      {WM_MBUTTONDOWN, MessageHandler<&TControl::WMMButtonDown>},
      {WM_LBUTTONDBLCLK, MessageHandler<&TControl::WMLButtonDblClk>},
      {WM_RBUTTONDBLCLK, MessageHandler<&TControl::WMRButtonDblClk>},
      {WM_MBUTTONDBLCLK, MessageHandler<&TControl::WMMButtonDblClk>},
      {WM_LBUTTONUP, MessageHandler<&TControl::WMLButtonUp>},
      {WM_RBUTTONUP, MessageHandler<&TControl::WMRButtonUp>},
      {WM_MBUTTONUP, MessageHandler<&TControl::WMMButtonUp>},
      {WM_MOUSEMOVE, MessageHandler<&TControl::WMMouseMove>},
      {WM_MOUSEWHEEL, MessageHandler<&TControl::WMMouseWheel>},
      {WM_CANCELMODE, MessageHandler<&TControl::WMCancelMode>},
      {WM_CONTEXTMENU, MessageHandler<&TControl::WMContextMenu>},
      {CM_MOUSEENTER, MessageHandler<&TControl::CMMouseEnter>},
      {CM_MOUSELEAVE, MessageHandler<&TControl::CMMouseLeave>},
      {CM_ENABLEDCHANGED, MessageHandler<&TControl::CMEnabledChanged>},
      {CM_VISIBLECHANGED, MessageHandler<&TControl::CMVisibleChanged>},
      {CM_FONTCHANGED, MessageHandler<&TControl::CMFontChanged>},
      {CM_COLORCHANGED, MessageHandler<&TControl::CMColorChanged>},
      {CM_PARENTFONTCHANGED, MessageHandler<&TControl::CMParentFontChanged>},
      {CM_PARENTCOLORCHANGED, MessageHandler<&TControl::CMParentColorChanged>},
      {CM_PARENTSHOWHINTCHANGED, MessageHandler<&TControl::CMParentShowHintChanged>},
      {CM_TEXTCHANGED, MessageHandler<&TControl::CMTextChanged>},
      {CM_HITTEST, MessageHandler<&TControl::CMHitTest>},
  };
  static constexpr TMessageMap Map(Entries);
  return &Map;
}

void TControl::Dispatch(TMessage& Message) {
  if (!MessageMap()->Dispatch(this, Message)) DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXTLENGTH: Message.Result = static_cast<LRESULT>(FText.size()); break;
    case WM_GETTEXT: {
      auto* buf = reinterpret_cast<wchar_t*>(Message.LParam);
      size_t cap = Message.WParam;
      if (buf && cap) {
        size_t n = std::min(cap - 1, FText.size());
        std::copy_n(FText.data(), n, buf);
        buf[n] = 0;
        Message.Result = static_cast<LRESULT>(n);
      }
      break;
    }
    case WM_SETTEXT:
      FText = Message.LParam ? reinterpret_cast<const wchar_t*>(Message.LParam) : L"";
      Message.Result = 1;
      break;
    default: break;
  }
}

void TControl::SendCancelMode(TControl* Sender) {
  TControl* c = this;
  while (c && !dynamic_cast<TCustomForm*>(c)) c = c->FParent;
  if (auto* f = dynamic_cast<TCustomForm*>(c)) f->SendCancelMode(Sender);
}

void TControl::DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift) {
  if (FControlStyle.Contains(csNoStdEvents)) return;
  MouseDown(Button, KeysToShiftState(Message.Keys()) + Shift, Message.XPos(), Message.YPos());
}

void TControl::DoMouseUp(TWMMouse& Message, TMouseButton Button) {
  if (FControlStyle.Contains(csNoStdEvents)) return;
  MouseUp(Button, KeysToShiftState(Message.Keys()), Message.XPos(), Message.YPos());
}

void TControl::WMLButtonDown(TWMMouse& Message) {
  SendCancelMode(this);
  DefaultHandler(Message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) FControlState.Include(csClicked);
  DoMouseDown(Message, mbLeft, {});
}
void TControl::WMRButtonDown(TWMMouse& Message) {
  DefaultHandler(Message);
  DoMouseDown(Message, mbRight, {});
}
void TControl::WMMButtonDown(TWMMouse& Message) {
  DefaultHandler(Message);
  DoMouseDown(Message, mbMiddle, {});
}
void TControl::WMLButtonDblClk(TWMMouse& Message) {
  SendCancelMode(this);
  DefaultHandler(Message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) DblClick();
  DoMouseDown(Message, mbLeft, {ssDouble});
}
void TControl::WMRButtonDblClk(TWMMouse& Message) {
  DefaultHandler(Message);
  DoMouseDown(Message, mbRight, {ssDouble});
}
void TControl::WMMButtonDblClk(TWMMouse& Message) {
  DefaultHandler(Message);
  DoMouseDown(Message, mbMiddle, {ssDouble});
}
void TControl::WMLButtonUp(TWMMouse& Message) {
  DefaultHandler(Message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (FControlState.Contains(csClicked)) {
    FControlState.Exclude(csClicked);
    RECT r = ClientRect();
    if (PtInRect(&r, Message.Pos())) Click();
  }
  DoMouseUp(Message, mbLeft);
}
void TControl::WMRButtonUp(TWMMouse& Message) {
  DefaultHandler(Message);
  DoMouseUp(Message, mbRight);
}
void TControl::WMMButtonUp(TWMMouse& Message) {
  DefaultHandler(Message);
  DoMouseUp(Message, mbMiddle);
}
void TControl::WMMouseMove(TWMMouse& Message) {
  DefaultHandler(Message);
  if (!FControlStyle.Contains(csNoStdEvents))
    MouseMove(KeysToShiftState(Message.Keys()), Message.XPos(), Message.YPos());
}

void TControl::WMMouseWheel(TWMMouseWheel& Message) {
  if (DoMouseWheel(KeysToShiftState(Message.Keys()), Message.WheelDelta(), Message.Pos())) {
    Message.Result = 1;
    return;
  }
  // Not handled here: the parent gets its turn.
  if (FParent) {
    Message.Result = FParent->Perform(WM_MOUSEWHEEL, Message.M.WParam, Message.M.LParam);
    return;
  }
  DefaultHandler(Message);
}

void TControl::WMCancelMode(TWMNoParams& Message) {
  if (MouseCapture()) {
    SetMouseCapture(false);
    if (FControlState.Contains(csLButtonDown)) Perform(WM_LBUTTONUP, 0, LParamOf(POINT{-1, -1}));
  } else {
    FControlState.Exclude(csLButtonDown);
  }
  FControlState.Exclude(csClicked);
  DefaultHandler(Message);
}

void TControl::WMContextMenu(TWMContextMenu& Message) {
  if (Message.Result != 0) return;
  POINT pt = Message.Pos();
  POINT temp = pt;
  if (pt.x != -1 || pt.y != -1) {
    temp = ScreenToClient(pt);
    RECT r = ClientRect();
    if (!PtInRect(&r, temp)) {
      DefaultHandler(Message);
      return;
    }
  }
  bool handled = false;
  DoContextPopup(temp, handled);
  Message.Result = handled ? 1 : 0;
  if (handled) return;
  // Not handled: the control's own popup menu, at the click or (from the keyboard) at
  // the control's top-left corner.
  if (GetPopupMenu()) {
    if (pt.x == -1 && pt.y == -1) pt = ClientToScreen(POINT{0, 0});
    SendCancelMode(nullptr);
    if (ShowControlPopupMenu(this, pt)) {
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TControl::BeginDrag(bool Immediate, Integer Threshold) {
  if (ComponentState().Contains(csDesigning)) return;
  ::BeginDrag(this, Immediate, Threshold);
}

void TControl::EndDrag(bool Drop) {
  if (Dragging()) ::EndDrag(Drop);
}

bool TControl::Dragging() const { return ::DragControl() == this; }

void TControl::DoStartDrag(TDragObject*& DragObject) {
  if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, Integer X, Integer Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::DoStartDock(TDragObject*& DragObject) {
  if (!OnStartDock) return;
  auto* dock = dynamic_cast<TDragDockObject*>(DragObject);
  OnStartDock(this, dock);
  DragObject = dock;
}

void TControl::DoEndDock(TObject* Target, Integer X, Integer Y) {
  if (OnEndDock) OnEndDock(this, Target, X, Y);
}

void TControl::DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  if (!OnDragOver) return;
  Accept = true;
  OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, Integer X, Integer Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoContextPopup(POINT MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

void TControl::CMMouseEnter(TCMMouseEnterLeave& Message) {
  TControl* about = Message.Control() ? Message.Control() : this;
  if (FParent) FParent->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(about));
  if (!Message.Control() && OnMouseEnter) OnMouseEnter(this);
}

void TControl::CMMouseLeave(TCMMouseEnterLeave& Message) {
  TControl* about = Message.Control() ? Message.Control() : this;
  if (FParent) FParent->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(about));
  if (!Message.Control() && OnMouseLeave) OnMouseLeave(this);
}

void TControl::CMEnabledChanged(TCMNoParams&) { Invalidate(); }
void TControl::CMVisibleChanged(TCMVisibleChanged&) { InvalidateControl(true, FVisible && FControlStyle.Contains(csOpaque)); }
void TControl::CMFontChanged(TCMNoParams&) { Invalidate(); }
void TControl::CMColorChanged(TCMNoParams&) { Invalidate(); }
void TControl::CMTextChanged(TCMNoParams&) { Invalidate(); }
void TControl::CMHitTest(TCMHitTest& Message) { Message.Result = HTCLIENT; }

void TControl::CMParentFontChanged(TCMParentFontChanged& Message) {
  if (FParentFont) {
    TFont* src = Message.Given() ? Message.Font() : (FParent ? FParent->Font() : nullptr);
    if (src) {
      TValueScope<bool> updating(FUpdatingParentFont, true);
      FFont->Assign(src);
    }
  }
}

void TControl::CMParentColorChanged(TCMParentColorChanged& Message) {
  if (FParentColor) {
    TColor c = Message.Given() ? static_cast<TColor>(Message.Color()) : (FParent ? FParent->Color() : FColor);
    SetColor(c);
    FParentColor = true;
  }
}

void TControl::CMParentShowHintChanged(TCMNoParams&) {
  if (FParentShowHint && FParent) {
    SetShowHint(FParent->ShowHint());
    FParentShowHint = true;
  }
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}
void TControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  if (!handled) {
    if (WheelDelta < 0) handled = DoMouseWheelDown(Shift, MousePos);
    else if (WheelDelta > 0) handled = DoMouseWheelUp(Shift, MousePos);
  }
  return handled;
}
bool TControl::DoMouseWheelDown(TShiftState Shift, POINT MousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, handled);
  return handled;
}
bool TControl::DoMouseWheelUp(TShiftState Shift, POINT MousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, handled);
  return handled;
}

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if ((IsVisible || ComponentState().Contains(csDesigning)) && FParent &&
      FParent->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, !(IsOpaque || FParent->DoubleBuffered()));
  }
}

void TControl::Invalidate() { InvalidateControl(FVisible, FControlStyle.Contains(csOpaque)); }

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::Repaint() {
  if (FVisible && FParent && FParent->HandleAllocated()) {
    Invalidate();
    FParent->Update();
  }
}

void TControl::SetZOrder(bool TopMost) {
  if (!FParent) return;
  auto& v = FParent->FControls;
  auto it = std::find(v.begin(), v.end(), this);
  if (it == v.end()) return;
  v.erase(it);
  // Graphic controls stay below the windowed ones: they are painted on the parent.
  if (TopMost) v.push_back(this);
  else v.insert(v.begin(), this);
  Invalidate();
}

void TControl::ChangeScale(Integer M, Integer D) {
  if (M == D) return;
  Integer l = MulDiv(FLeft, M, D), t = MulDiv(FTop, M, D);
  Integer w = FControlStyle.Contains(csFixedWidth) ? FWidth : MulDiv(FLeft + FWidth, M, D) - l;
  Integer h = FControlStyle.Contains(csFixedHeight) ? FHeight : MulDiv(FTop + FHeight, M, D) - t;
  SetBounds(l, t, w, h);
  if (!FParentFont) FFont->SetSize(MulDiv(FFont->Size(), M, D));
}

// ---------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* AOwner)
    : TControl(AOwner), FBrush(std::make_unique<TBrush>()) {
  FBrush->SetColor(FColor);
}

TWinControl::~TWinControl() {
  for (TControl* client : FDockClients) client->FHostDockSite = nullptr;
  FDockClients.clear();
  // Also without a window: the form and the screen may still name this control.
  if (FParent) {
    if (auto* f = GetParentForm(this)) f->DefocusControl(this, true);
  }
  if (FHandle) {
    FControlState.Include(csDestroyingHandle);
    DestroyWindowHandle();
  }
  // Children go with their parent.
  while (!FControls.empty()) {
    TControl* c = FControls.back();
    RemoveControl(c);
    delete c;
  }
}

TWinControl* TWinControl::CreateParented(HWND ParentWindow) {
  auto* c = new TWinControl(nullptr);
  c->SetParentWindow(ParentWindow);
  return c;
}

void TWinControl::zs_AttachHandle(HWND h) {
  FHandle = h;
  if (!LiveWindows) LiveWindows = new std::set<TWinControl*>;
  LiveWindows->insert(this);
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (!FHandle) {
    if (FParent) FParent->HandleNeeded();
    CreateHandle();
  }
}

void TWinControl::SetParentWindow(HWND Value) {
  if (FParent || FParentWindow == Value) return;
  if (FHandle && FParentWindow && Value) {
    ::SetParent(FHandle, Value);
  } else {
    DestroyHandle();
  }
  FParentWindow = Value;
  UpdateControlState();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams{};
  Params.Caption = FText;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FControlStyle.Contains(csAcceptsControls)) Params.Style |= WS_CLIPCHILDREN;
  if (!FEnabled) Params.Style |= WS_DISABLED;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  Params.WndParent = FParent ? FParent->Handle() : FParentWindow;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  Params.WindowClass.lpfnWndProc = DefWindowProcW;
  Params.WindowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  Params.WindowClass.hbrBackground = nullptr;
  Params.WindowClass.hInstance = GetModuleHandleW(nullptr);
  Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const wchar_t* ControlClassName) {
  WNDCLASSW wc{};
  HINSTANCE inst = GetModuleHandleW(nullptr);
  if (!GetClassInfoW(nullptr, ControlClassName, &wc) &&
      !GetClassInfoW(inst, ControlClassName, &wc))
    throw EOSError(L"Window class %s not found", {String(ControlClassName)});
  Params.WindowClass = wc;
  Params.WindowClass.hInstance = inst;
  Params.WindowClass.style &= ~CS_GLOBALCLASS;
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if (p.WndParent == nullptr && (p.Style & WS_CHILD) && !FParentWindow)
    throw EInvalidOperation(L"Control '%s' has no parent window", {Name()});
  FDefWndProc = p.WindowClass.lpfnWndProc;
  if (!RegisteredClasses) RegisteredClasses = new std::set<String>;
  if (!RegisteredClasses->count(p.WinClassName)) {
    WNDCLASSW wc = p.WindowClass;
    wc.lpfnWndProc = ControlWndProc;
    wc.lpszClassName = p.WinClassName.c_str();
    wc.hInstance = GetModuleHandleW(nullptr);
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw EOSError(L"Cannot register window class %s", {p.WinClassName});
    RegisteredClasses->insert(p.WinClassName);
  }
  CreateWindowHandle(p);
  if (!FHandle) throw EOSError(L"Error creating window for %s", {ClassName()});
  if (FFont) {
    FSentFont = FFont->Handle();
    ::SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FSentFont), 0);
  }
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  CreationControl = this;
  HWND h = CreateWindowExW(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(),
                           Params.Style, Params.X, Params.Y, Params.Width, Params.Height,
                           Params.WndParent, nullptr, GetModuleHandleW(nullptr), Params.Param);
  CreationControl = nullptr;
  if (h && !FHandle) {
    SetPropW(h, ControlProp, this);
    zs_AttachHandle(h);
  }
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  {
    TSetItemScope creating(FControlState, csCreating);
    CreateWnd();
  }
  if (FParent) {
    // Keep the window's z-order in step with the parent's list.
    HWND after = HWND_TOP;
    auto& v = FParent->FControls;
    auto it = std::find(v.begin(), v.end(), this);
    for (auto j = it; j != v.end(); ++j) {
      if (j == it) continue;
      if (auto* w = dynamic_cast<TWinControl*>(*j); w && w->FHandle) {
        after = GetWindow(w->FHandle, GW_HWNDPREV);
        if (!after) after = HWND_TOP;
        break;
      }
    }
    if (after == HWND_TOP) {
      // Above every sibling window made so far.
      bool anyAbove = false;
      for (auto j = std::next(it); j != v.end(); ++j)
        if (auto* w = dynamic_cast<TWinControl*>(*j); w && w->FHandle) anyAbove = true;
      if (!anyAbove) after = HWND_TOP;
    }
    SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  for (TControl* c : FControls) c->UpdateAnchorRules();
  Realign();
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  FText = GetText();
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  FControlState.Include(csDestroyingHandle);
  HWND h = FHandle;
  if (h) DestroyWindow(h);
  FControlState.Exclude(csDestroyingHandle);
  if (FHandle) {
    RemovePropW(FHandle, ControlProp);
    FHandle = nullptr;
  }
  if (LiveWindows) LiveWindows->erase(this);
  FShowing = false;
  FTrackingMouse = false;
}

void TWinControl::WMNCDestroy(TWMNoParams& Message) {
  DefaultHandler(Message);
  if (FHandle) RemovePropW(FHandle, ControlProp);
  FHandle = nullptr;
  if (LiveWindows) LiveWindows->erase(this);
  FShowing = false;
}

void TWinControl::RecreateWnd() {
  if (FHandle) {
    FControlState.Include(csRecreating);
    DestroyHandle();
    FControlState.Exclude(csRecreating);
    UpdateControlState();
  }
}

void TWinControl::UpdateShowing() {
  // Whether the parent shows is UpdateControlState's question; this decides for itself
  // and its windowed children.
  bool show = FVisible || ComponentState().Contains(csDesigning);
  if (show) {
    if (!FHandle) CreateHandle();
    for (TControl* c : FControls)
      if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowing();
  }
  if (FHandle && FShowing != show) {
    // A handler that fails leaves the control as it was, so a later call tries again.
    TRollbackScope<bool> showing(FShowing, show);
    Perform(CM_SHOWINGCHANGED, 0, 0);
  }
}

void TWinControl::UpdateControlState() {
  TWinControl* c = this;
  while (c->FParent) {
    c = c->FParent;
    if (!c->FShowing) return;
  }
  if (c->FParentWindow || dynamic_cast<TCustomForm*>(c) || c == this) UpdateShowing();
}

void TWinControl::CMShowingChanged(TCMNoParams&) {
  if (FHandle)
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::InsertControl(TControl* AControl) {
  AControl->ValidateContainer(this);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
  FControls.push_back(AControl);
  AControl->FParent = this;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) FTabList.push_back(w);
  if (!AControl->ComponentState().Contains(csReading)) {
    AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
      if (w->FPendingTabOrder >= 0) w->SetTabOrder(w->FPendingTabOrder);
      w->UpdateControlState();
    } else if (FHandle) {
      AControl->Invalidate();
    }
    AlignControl(AControl);
  }
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    if (auto* f = GetParentForm(this)) f->DefocusControl(w, true);
    w->DestroyHandle();
  } else if (FHandle) {
    AControl->InvalidateControl(AControl->FVisible, false);
  }
  if (CaptureControl == AControl) CaptureControl = nullptr;
  FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
  if (auto* w = dynamic_cast<TWinControl*>(AControl))
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
  AControl->FParent = nullptr;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (!ComponentState().Contains(csDestroying)) Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  while (Control && Control != this) Control = Control->Parent();
  return Control == this;
}

TControl* TWinControl::ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls,
                                    bool AllLevels) {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    bool isWin = dynamic_cast<TWinControl*>(c) != nullptr;
    if (isWin && !AllowWinControls) continue;
    if (!c->Visible() || (!c->Enabled() && !AllowDisabled)) continue;
    RECT r = c->BoundsRect();
    if (!PtInRect(&r, Pos)) continue;
    POINT local{Pos.x - c->Left(), Pos.y - c->Top()};
    if (c->Perform(CM_HITTEST, 0, LParamOf(local)) == 0) continue;
    if (AllLevels && isWin) {
      if (TControl* inner = static_cast<TWinControl*>(c)->ControlAtPos(local, AllowDisabled, true, true))
        return inner;
    }
    return c;
  }
  return nullptr;
}

TControl* TWinControl::FindChildControl(const String& ControlName) {
  for (TControl* c : FControls)
    if (_wcsicmp(c->Name().c_str(), ControlName.c_str()) == 0) return c;
  return nullptr;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* c : FTabList) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward,
                                          bool CheckTabStop, bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int n = static_cast<int>(list.size());
  int start = -1;
  for (int i = 0; i < n; ++i)
    if (list[i] == CurControl) start = i;
  if (start < 0) start = GoForward ? n - 1 : 0;
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = GoForward ? (i + 1) % n : (i + n - 1) % n;
    TWinControl* c = list[i];
    if (c == CurControl) break;
    if ((!CheckTabStop || c->TabStop()) && (!CheckParent || c->FParent == this) && c->CanFocus())
      return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
  if (c) c->SetFocus();
}

Integer TWinControl::TabOrder() const {
  if (!FParent) return FPendingTabOrder >= 0 ? FPendingTabOrder : -1;
  auto& v = FParent->FTabList;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

void TWinControl::SetTabOrder(Integer Value) {
  FPendingTabOrder = Value;
  if (!FParent || ComponentState().Contains(csReading)) return;
  auto& v = FParent->FTabList;
  auto it = std::find(v.begin(), v.end(), this);
  if (it == v.end()) return;
  v.erase(it);
  Integer n = static_cast<Integer>(v.size());
  if (Value < 0 || Value > n) Value = n;
  v.insert(v.begin() + Value, this);
}

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value) return;
  FTabStop = Value;
  if (FHandle) {
    LONG_PTR s = GetWindowLongPtrW(FHandle, GWL_STYLE);
    SetWindowLongPtrW(FHandle, GWL_STYLE, Value ? (s | WS_TABSTOP) : (s & ~WS_TABSTOP));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

void TWinControl::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TControl* c : FControls)
    if (c->Owner() == Root) Proc(c);
}

void TWinControl::SetChildOrder(TComponent* Child, Integer Order) {
  auto* c = dynamic_cast<TControl*>(Child);
  if (!c || c->FParent != this) return;
  auto it = std::find(FControls.begin(), FControls.end(), c);
  FControls.erase(it);
  Integer n = static_cast<Integer>(FControls.size());
  FControls.insert(FControls.begin() + std::clamp(Order, 0, n), c);
}

void TWinControl::Loaded() {
  inherited::Loaded();
  // Tab orders read from a stream take effect once every sibling is in place.
  std::stable_sort(FTabList.begin(), FTabList.end(), [](TWinControl* a, TWinControl* b) {
    Integer x = a->FPendingTabOrder < 0 ? INT32_MAX : a->FPendingTabOrder;
    Integer y = b->FPendingTabOrder < 0 ? INT32_MAX : b->FPendingTabOrder;
    return x < y;
  });
  if (FParent) {
    FParent->Loaded_FixTabs();
  }
  if (FHandle) Realign();
}

void TWinControl::Loaded_FixTabs() {
  std::stable_sort(FTabList.begin(), FTabList.end(), [](TWinControl* a, TWinControl* b) {
    Integer x = a->FPendingTabOrder < 0 ? INT32_MAX : a->FPendingTabOrder;
    Integer y = b->FPendingTabOrder < 0 ? INT32_MAX : b->FPendingTabOrder;
    return x < y;
  });
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (TWinControl* c = this; c && c != form; c = c->FParent)
    if (!(c->FVisible && c->Enabled())) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
  } else if (FParentWindow) {
    ::SetFocus(Handle());
  } else {
    throw EInvalidOperation(L"Control '%s' has no parent window", {Name()});
  }
}

void TWinControl::SetWindowFocus() {
  if (FHandle && GetFocus() != FHandle) ::SetFocus(FHandle);
}

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (--FAlignLevel == 0) {
    if (!ComponentState().Contains(csDestroying) && FControlState.Contains(csAlignmentNeeded))
      Realign();
  }
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (!FHandle || ComponentState().Contains(csDestroying)) return;
  if (FAlignLevel != 0) {
    FControlState.Include(csAlignmentNeeded);
    return;
  }
  DisableAlign();
  TScopeExit enable([this] {
    FControlState.Exclude(csAlignmentNeeded);
    EnableAlign();
  });
  RECT r = ClientRect();
  AlignControls(AControl, r);
}

void TWinControl::AdjustClientRect(RECT& Rect) {
  InflateRect(&Rect, -FBorderWidth, -FBorderWidth);
}

void TWinControl::AlignControls(TControl* AControl, RECT& Rect) {
  AdjustClientRect(Rect);
  TSetItemScope aligning(FControlState, csAligning);
  const RECT client = ClientRect();
  auto insertBefore = [](TControl* c1, TControl* c2, TAlign a) {
    switch (a) {
      case alTop: return c1->Top() < c2->Top();
      case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
      case alLeft: return c1->Left() < c2->Left();
      case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
      default: return false;
    }
  };
  auto doPosition = [&](TControl* c, TAlign a) {
    Integer l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
    switch (a) {
      case alTop: l = Rect.left; t = Rect.top; w = Rect.right - Rect.left; break;
      case alBottom: l = Rect.left; t = Rect.bottom - h; w = Rect.right - Rect.left; break;
      case alLeft: l = Rect.left; t = Rect.top; h = Rect.bottom - Rect.top; break;
      case alRight: l = Rect.right - w; t = Rect.top; h = Rect.bottom - Rect.top; break;
      case alClient:
        l = Rect.left; t = Rect.top; w = Rect.right - Rect.left; h = Rect.bottom - Rect.top;
        break;
      case alCustom:
        CustomAlignPosition(c, l, t, w, h, Rect);
        break;
      case alNone: {
        if (c->FAnchorOrigin.x < 0) return;
        const Integer dx = client.right - c->FAnchorOrigin.x;
        const Integer dy = client.bottom - c->FAnchorOrigin.y;
        const RECT& ar = c->FAnchorRect;
        const TAnchors an = c->Anchors();
        l = ar.left; w = ar.right - ar.left; t = ar.top; h = ar.bottom - ar.top;
        if (an.Contains(akRight)) {
          if (an.Contains(akLeft)) w += dx;
          else l += dx;
        } else if (!an.Contains(akLeft)) {
          l += dx / 2;
        }
        if (an.Contains(akBottom)) {
          if (an.Contains(akTop)) h += dy;
          else t += dy;
        } else if (!an.Contains(akTop)) {
          t += dy / 2;
        }
        break;
      }
    }
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    c->SetBounds(l, t, w, h);
    // A control may refuse part of the size: the space it takes is what it kept.
    switch (a) {
      case alTop: Rect.top += c->Height(); break;
      case alBottom: Rect.bottom -= c->Height(); break;
      case alLeft: Rect.left += c->Width(); break;
      case alRight: Rect.right -= c->Width(); break;
      default: break;
    }
  };
  {
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient, alCustom, alNone}) {
      std::vector<TControl*> list;
      if (AControl && AControl->Align() == a && (a == alNone || AControl->Visible()) &&
          AControl->Parent() == this)
        list.push_back(AControl);
      for (TControl* c : FControls) {
        if (c == AControl || c->Align() != a) continue;
        if (a != alNone && !c->Visible()) continue;
        size_t j = 0;
        while (j < list.size() && !insertBefore(c, list[j], a)) ++j;
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
      }
      for (TControl* c : list) doPosition(c, a);
    }
  }
}

void TWinControl::SetBorderWidth(Integer Value) {
  if (FBorderWidth != Value) {
    FBorderWidth = Value;
    Realign();
    Invalidate();
  }
}

void TWinControl::SetParentBackground(bool Value) {
  if (Value) FControlStyle.Include(csParentBackground);
  else FControlStyle.Exclude(csParentBackground);
  Invalidate();
}

void TWinControl::ScaleBy(Integer M, Integer D) {
  TAlignScope noAlign(*this);
  for (TControl* c : FControls) c->ChangeScale(M, D);
}

void TWinControl::ChangeScale(Integer M, Integer D) {
  TAlignScope noAlign(*this);
  for (TControl* c : FControls) c->ChangeScale(M, D);
  TControl::ChangeScale(M, D);
}

void TWinControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  FConstraints->Apply(AWidth, AHeight);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  if (!CanResize(AWidth, AHeight)) return;
  if (FHandle && !IsIconic(FHandle)) {
    SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    // The window may have been given another size (minimum tracking size of a frame).
  } else {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    if (FHandle) {
      WINDOWPLACEMENT wp{sizeof wp};
      GetWindowPlacement(FHandle, &wp);
      wp.rcNormalPosition = RECT{ALeft, ATop, ALeft + AWidth, ATop + AHeight};
      SetWindowPlacement(FHandle, &wp);
    }
    if (!ComponentState().Contains(csLoading) && !FHandle) Resize();
  }
  if (!FParent || !FParent->ControlState().Contains(csAligning)) UpdateAnchorRules();
  RequestAlign();
}

void TWinControl::UpdateBounds() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  if (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(HWND_DESKTOP, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
  } else if (IsIconic(FHandle) || IsZoomed(FHandle)) {
    WINDOWPLACEMENT wp{sizeof wp};
    GetWindowPlacement(FHandle, &wp);
    if (IsIconic(FHandle)) r = wp.rcNormalPosition;
  }
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

RECT TWinControl::ClientRect() {
  if (FHandle) {
    RECT r;
    ::GetClientRect(FHandle, &r);
    return r;
  }
  return RECT{0, 0, FWidth, FHeight};
}

POINT TWinControl::ClientOrigin() {
  POINT p{0, 0};
  ::ClientToScreen(Handle(), &p);
  return p;
}

void TWinControl::Invalidate() { Perform(CM_INVALIDATE, 0, 0); }

void TWinControl::CMInvalidate(TCMInvalidate& Message) {
  if (FHandle) {
    if (FParent) FParent->Perform(CM_INVALIDATE, 1, 0);
    if (!Message.FromChild()) {
      InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
      for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle) w->Invalidate();
    }
  }
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::SetZOrder(bool TopMost) {
  if (FParent) {
    auto& v = FParent->FControls;
    auto it = std::find(v.begin(), v.end(), this);
    if (it != v.end()) {
      v.erase(it);
      if (TopMost) v.push_back(this);
      else v.insert(v.begin(), this);
    }
  }
  if (FHandle)
    SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SetParent(TWinControl* AParent) {
  if (FParent == nullptr && AParent && FParentWindow) {
    FParentWindow = nullptr;
    DestroyHandle();
  }
  TControl::SetParent(AParent);
}

Integer TWinControl::GetTextLen() {
  if (FHandle) return GetWindowTextLengthW(FHandle);
  return static_cast<Integer>(FText.size());
}

void TWinControl::SetTextBuf(const String& Value) {
  FText = Value;
  if (FHandle) SetWindowTextW(FHandle, Value.c_str());
}

void TWinControl::NotifyControls(UINT Msg) {
  for (TControl* c : FControls) c->Perform(Msg, 0, 0);
}

void TWinControl::MainWndProc(TMessage& Message) {
  try {
    // A failed WM_NCDESTROY still unlinks the control from its window, which is gone.
    TScopeExit unlink([&] {
      if (Message.Msg == WM_NCDESTROY && FHandle) {
        RemovePropW(FHandle, ControlProp);
        FHandle = nullptr;
      }
    });
    if (FWindowProc) FWindowProc(Message);
    else WndProc(Message);
    unlink.Dismiss();
  } catch (const Exception&) {
    if (HandleControlException) HandleControlException(this);
  } catch (const std::exception&) {
    if (HandleControlException) HandleControlException(this);
  }
}

void TWinControl::WndProc(TMessage& Message) {
  if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) {
    // Mouse messages over a graphic child (or while it holds the capture) go to it.
    TControl* target = nullptr;
    POINT p = PointOf(Message.LParam);
    const bool wheel = Message.Msg == WM_MOUSEWHEEL || Message.Msg == WM_MOUSEHWHEEL;
    if (!wheel) {
      if (FHandle && GetCapture() == FHandle) {
        if (CaptureControl && CaptureControl->Parent() == this) target = CaptureControl;
      } else {
        target = ControlAtPos(p, false);
      }
    }
    if (Message.Msg == WM_MOUSEMOVE && FHandle) {
      if (!FTrackingMouse) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, FHandle, 0};
        FTrackingMouse = TrackMouseEvent(&tme) != FALSE;
      }
      TControl* over = target;
      if (!over) {
        RECT cr = ClientRect();
        over = PtInRect(&cr, p) ? this : nullptr;
        if (GetCapture() == FHandle && !over) over = FindDragTarget(ClientToScreen(p), false);
      }
      SetMouseControl(over ? over : this);
    }
    if (target) {
      POINT q{p.x - target->Left(), p.y - target->Top()};
      TMessage m{Message.Msg, Message.WParam, LParamOf(q), 0};
      Message.Result = target->Perform(m.Msg, m.WParam, m.LParam);
      if (Message.Result == 0 && FHandle)
        DefWindowProcW(FHandle, Message.Msg, Message.WParam, Message.LParam);
      return;
    }
  }
  TControl::WndProc(Message);
}

const TMessageMap* TWinControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_PAINT, MessageHandler<&TWinControl::WMPaint>},
      {WM_ERASEBKGND, MessageHandler<&TWinControl::WMEraseBkgnd>},
      {WM_SIZE, MessageHandler<&TWinControl::WMSize>},
      {WM_MOVE, MessageHandler<&TWinControl::WMMove>},
      {WM_WINDOWPOSCHANGED, MessageHandler<&TWinControl::WMWindowPosChanged>},
      {WM_SETFOCUS, MessageHandler<&TWinControl::WMSetFocus>},
      {WM_KILLFOCUS, MessageHandler<&TWinControl::WMKillFocus>},
      {WM_KEYDOWN, MessageHandler<&TWinControl::WMKeyDown>},
      {WM_SYSKEYDOWN, MessageHandler<&TWinControl::WMKeyDown>},
      {WM_KEYUP, MessageHandler<&TWinControl::WMKeyUp>},
      {WM_SYSKEYUP, MessageHandler<&TWinControl::WMKeyUp>},
      {WM_CHAR, MessageHandler<&TWinControl::WMChar>},
      {WM_SETCURSOR, MessageHandler<&TWinControl::WMSetCursor>},
      {WM_MOUSELEAVE, MessageHandler<&TWinControl::WMMouseLeave>},
      {WM_NCDESTROY, MessageHandler<&TWinControl::WMNCDestroy>},
      {WM_COMMAND, MessageHandler<&TWinControl::WMCommand>},
      {WM_NOTIFY, MessageHandler<&TWinControl::WMNotify>},
      {WM_HSCROLL, MessageHandler<&TWinControl::WMScroll>},
      {WM_VSCROLL, MessageHandler<&TWinControl::WMScroll>},
      {WM_CTLCOLORMSGBOX, MessageHandler<&TWinControl::WMCtlColor>},
      {WM_CTLCOLOREDIT, MessageHandler<&TWinControl::WMCtlColor>},
      {WM_CTLCOLORLISTBOX, MessageHandler<&TWinControl::WMCtlColor>},
      {WM_CTLCOLORBTN, MessageHandler<&TWinControl::WMCtlColor>},
      {WM_CTLCOLORDLG, MessageHandler<&TWinControl::WMCtlColor>},
      {WM_CTLCOLORSCROLLBAR, MessageHandler<&TWinControl::WMCtlColor>},
      {WM_CTLCOLORSTATIC, MessageHandler<&TWinControl::WMCtlColor>},
      {WM_DRAWITEM, MessageHandler<&TWinControl::WMDrawItem>},
      {WM_MEASUREITEM, MessageHandler<&TWinControl::WMMeasureItem>},
      {WM_DELETEITEM, MessageHandler<&TWinControl::WMDeleteItem>},
      {WM_COMPAREITEM, MessageHandler<&TWinControl::WMCompareItem>},
      {CN_KEYDOWN, MessageHandler<&TWinControl::CNKeyDown>},
      {CN_KEYUP, MessageHandler<&TWinControl::CNKeyUp>},
      {CN_CHAR, MessageHandler<&TWinControl::CNChar>},
      {CN_SYSKEYDOWN, MessageHandler<&TWinControl::CNSysKeyDown>},
      {CN_SYSCHAR, MessageHandler<&TWinControl::CNSysChar>},
      {CM_ENTER, MessageHandler<&TWinControl::CMEnter>},
      {CM_EXIT, MessageHandler<&TWinControl::CMExit>},
      {CM_DIALOGKEY, MessageHandler<&TWinControl::CMDialogKey>},
      {CM_DIALOGCHAR, MessageHandler<&TWinControl::CMDialogChar>},
      {CM_CHILDKEY, MessageHandler<&TWinControl::CMChildKey>},
      {CM_FOCUSCHANGED, MessageHandler<&TWinControl::CMFocusChanged>},
      {CM_SHOWINGCHANGED, MessageHandler<&TWinControl::CMShowingChanged>},
      {CM_INVALIDATE, MessageHandler<&TWinControl::CMInvalidate>},
      {CM_RECREATEWND, MessageHandler<&TWinControl::CMRecreateWnd>},
      {CM_ENABLEDCHANGED, MessageHandler<&TWinControl::CMEnabledChanged>},
      {CM_VISIBLECHANGED, MessageHandler<&TWinControl::CMVisibleChanged>},
      {CM_FONTCHANGED, MessageHandler<&TWinControl::CMFontChanged>},
      {CM_COLORCHANGED, MessageHandler<&TWinControl::CMColorChanged>},
      {CM_SYSCOLORCHANGE, MessageHandler<&TWinControl::CMSysColorChange>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TWinControl::WMCommand(TWMCommand& Message) {
  if (!DoControlMsg(Message.Ctl(), Message)) DefaultHandler(Message);
}

void TWinControl::WMNotify(TWMNotify& Message) {
  if (!DoControlMsg(Message.NMHdr()->hwndFrom, Message)) DefaultHandler(Message);
}

void TWinControl::WMScroll(TWMScroll& Message) {
  if (!DoControlMsg(Message.ScrollBar(), Message)) DefaultHandler(Message);
}

void TWinControl::WMCtlColor(TWMCtlColor& Message) {
  if (!DoControlMsg(Message.ChildWnd(), Message)) DefaultHandler(Message);
}

void TWinControl::WMDrawItem(TWMDrawItem& Message) {
  DRAWITEMSTRUCT* d = Message.DrawItemStruct();
  if (d->CtlType == ODT_MENU || !DoControlMsg(d->hwndItem, Message)) DefaultHandler(Message);
}

void TWinControl::WMMeasureItem(TWMMeasureItem& Message) {
  MEASUREITEMSTRUCT* m = Message.MeasureItemStruct();
  HWND item = m->CtlType == ODT_MENU || !FHandle ? nullptr : GetDlgItem(FHandle, static_cast<int>(m->CtlID));
  if (!item || !DoControlMsg(item, Message)) DefaultHandler(Message);
}

void TWinControl::WMDeleteItem(TWMDeleteItem& Message) {
  if (!DoControlMsg(Message.DeleteItemStruct()->hwndItem, Message)) DefaultHandler(Message);
}

void TWinControl::WMCompareItem(TWMCompareItem& Message) {
  if (!DoControlMsg(Message.CompareItemStruct()->hwndItem, Message)) DefaultHandler(Message);
}

bool TWinControl::DoControlMsg(HWND ControlHandle, TMessage& Message) {
  if (!ControlHandle || ControlHandle == FHandle) return false;
  TWinControl* c = FindControl(ControlHandle);
  if (!c) return false;
  Message.Result = c->Perform(Message.Msg + CN_BASE, Message.WParam, Message.LParam);
  return true;
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!FHandle) {
    TControl::DefaultHandler(Message);
    return;
  }
  const UINT msg = Message.Msg;
  if (msg >= CM_BASE && msg < 0xC000) {
    // Component messages and unanswered reflections stop here.
    if (msg >= CN_BASE + WM_CTLCOLORMSGBOX && msg <= CN_BASE + WM_CTLCOLORSTATIC) {
      HDC dc = TWMCtlColor(Message).ChildDC();
      SetTextColor(dc, ColorToRGB(FFont->Color()));
      SetBkColor(dc, ColorToRGB(FBrush->Color()));
      Message.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
    }
    return;
  }
  if (msg == WM_CONTEXTMENU && Message.Result != 0) return;
  if (FDefWndProc && FDefWndProc != DefWindowProcW)
    Message.Result = CallWindowProcW(FDefWndProc, FHandle, msg, Message.WParam, Message.LParam);
  else
    Message.Result = DefWindowProcW(FHandle, msg, Message.WParam, Message.LParam);
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintHandler(TWMPaint& Message) {
  TPaintDC paint(FHandle, Message.DC());
  HDC dc = paint.DC();
  bool anyGraphic = false;
  for (TControl* c : FControls)
    if (!dynamic_cast<TWinControl*>(c)) anyGraphic = true;
  if (!anyGraphic) {
    PaintWindow(dc);
  } else {
    TSavedDC saved(dc);
    int clip = SIMPLEREGION;
    for (TControl* c : FControls)
      if (!dynamic_cast<TWinControl*>(c) && c->Visible() &&
          c->ControlStyle().Contains(csOpaque)) {
        clip = ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(),
                               c->Top() + c->Height());
        if (clip == NULLREGION) break;
      }
    if (clip != NULLREGION) PaintWindow(dc);
  }
  PaintControls(dc, nullptr);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto it = FControls.begin();
  if (First) it = std::find(FControls.begin(), FControls.end(), First);
  for (; it != FControls.end(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c)) continue;
    if (!(c->Visible() || (c->ComponentState().Contains(csDesigning) &&
                           !c->ControlStyle().Contains(csNoDesignVisible))))
      continue;
    RECT r = c->BoundsRect();
    if (!RectVisible(DC, &r)) continue;
    int saved = SaveDC(DC);
    POINT org;
    GetViewportOrgEx(DC, &org);
    SetViewportOrgEx(DC, org.x + c->Left(), org.y + c->Top(), nullptr);
    IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
  }
}

void TWinControl::PaintTo(HDC DC, Integer X, Integer Y) {
  if (!FHandle) return;
  int saved = SaveDC(DC);
  POINT org;
  GetViewportOrgEx(DC, &org);
  SetViewportOrgEx(DC, org.x + X, org.y + Y, nullptr);
  IntersectClipRect(DC, 0, 0, FWidth, FHeight);
  SendMessageW(FHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
  SendMessageW(FHandle, WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->PaintTo(DC, w->Left(), w->Top());
  RestoreDC(DC, saved);
}

void TWinControl::WMPaint(TWMPaint& Message) {
  HDC given = Message.DC();
  if (!FDoubleBuffered || given) {
    bool anyGraphic = false;
    for (TControl* c : FControls)
      if (!dynamic_cast<TWinControl*>(c)) anyGraphic = true;
    if (!FControlState.Contains(csCustomPaint) && !anyGraphic) DefaultHandler(Message);
    else PaintHandler(Message);
    return;
  }
  // Double buffered: paint into a memory bitmap, then copy it to the window at once.
  RECT cr = ClientRect();
  HDC sdc = GetDC(nullptr);
  HBITMAP mem = CreateCompatibleBitmap(sdc, std::max<LONG>(cr.right, 1), std::max<LONG>(cr.bottom, 1));
  ReleaseDC(nullptr, sdc);
  std::unique_ptr<std::remove_pointer_t<HBITMAP>, decltype(&DeleteObject)> memOwner(mem, &DeleteObject);
  std::unique_ptr<std::remove_pointer_t<HDC>, decltype(&DeleteDC)> mdcOwner(CreateCompatibleDC(nullptr), &DeleteDC);
  HDC mdc = mdcOwner.get();
  TSelectedObject selected(mdc, mem);
  TPaintDC paint(FHandle, nullptr);
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mdc), reinterpret_cast<LPARAM>(mdc));
  TMessage inner{WM_PAINT, reinterpret_cast<WPARAM>(mdc), 0, 0};
  TWMPaint innerView(inner);
  WMPaint(innerView);
  BitBlt(paint.DC(), 0, 0, cr.right, cr.bottom, mdc, 0, 0, SRCCOPY);
}

void TWinControl::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  if (!FDoubleBuffered || Message.IntoBuffer()) {
    RECT r = ClientRect();
    ::FillRect(Message.DC(), &r, FBrush->Handle());
  }
  Message.Result = 1;
}

void TWinControl::WMSize(TWMSize& Message) {
  UpdateBounds();
  DefaultHandler(Message);
  Realign();
  if (!ComponentState().Contains(csLoading)) Resize();
}

void TWinControl::WMMove(TWMMove& Message) {
  DefaultHandler(Message);
  UpdateBounds();
}

void TWinControl::WMWindowPosChanged(TWMWindowPosChanged& Message) {
  if (!FControlState.Contains(csDestroyingHandle)) UpdateBounds();
  DefaultHandler(Message);
}

void TWinControl::WMSetFocus(TWMSetFocus& Message) {
  DefaultHandler(Message);
  if (!ComponentState().Contains(csDesigning)) {
    if (TCustomForm* f = GetParentForm(this)) f->SetFocusedControl(this);
  }
}

void TWinControl::WMKillFocus(TWMKillFocus& Message) { DefaultHandler(Message); }

bool TWinControl::DoKeyDown(TWMKey& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyDown(Message)) return true;
  Word key = Message.CharCode();
  if (!FControlStyle.Contains(csNoStdEvents)) {
    KeyDown(key, KeyDataToShiftState(Message.KeyData()));
    Message.SetCharCode(key);
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyUp(TWMKey& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyUp(Message)) return true;
  Word key = Message.CharCode();
  if (!FControlStyle.Contains(csNoStdEvents)) {
    KeyUp(key, KeyDataToShiftState(Message.KeyData()));
    Message.SetCharCode(key);
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyPress(TWMKey& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyPress(Message)) return true;
  wchar_t ch = static_cast<wchar_t>(Message.CharCode());
  if (!FControlStyle.Contains(csNoStdEvents)) {
    KeyPress(ch);
    Message.SetCharCode(ch);
    if (ch == 0) return true;
  }
  return false;
}

void TWinControl::WMKeyDown(TWMKey& Message) {
  if (!DoKeyDown(Message)) DefaultHandler(Message);
}
void TWinControl::WMKeyUp(TWMKey& Message) {
  if (!DoKeyUp(Message)) DefaultHandler(Message);
}
void TWinControl::WMChar(TWMChar& Message) {
  if (!DoKeyPress(Message)) DefaultHandler(Message);
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}
void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}
void TWinControl::KeyPress(wchar_t& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}
void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

bool TWinControl::IsMenuKey(TWMKey& Message) {
  if (ComponentState().Contains(csDesigning)) return false;
  return IsMenuShortCut(this, Message);
}

void TWinControl::CNKeyDown(TWMKey& Message) {
  Message.Result = 1;
  if (IsMenuKey(Message)) return;
  if (!ComponentState().Contains(csDesigning)) {
    if (Perform(CM_CHILDKEY, Message.CharCode(), reinterpret_cast<LPARAM>(this)) != 0) return;
    LRESULT mask = 0;
    switch (Message.CharCode()) {
      case VK_TAB: mask = DLGC_WANTTAB; break;
      case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
      case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
      default: break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, Message.CharCode(), 0) == 0 &&
        (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
      TCustomForm* f = GetParentForm(this);
      if (f && f->Perform(CM_DIALOGKEY, Message.CharCode(), Message.KeyData()) != 0) return;
    }
  }
  Message.Result = 0;
}

void TWinControl::CNKeyUp(TWMKey& Message) {
  Message.Result = 0;
}

void TWinControl::CNChar(TWMChar& Message) {
  if (!ComponentState().Contains(csDesigning)) {
    Message.Result = 1;
    if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0) {
      TCustomForm* f = GetParentForm(this);
      if (f && f->Perform(CM_DIALOGCHAR, Message.CharCode(), Message.KeyData()) != 0) return;
    }
    Message.Result = 0;
  }
}

void TWinControl::CNSysKeyDown(TWMKey& Message) {
  Message.Result = 1;
  if (IsMenuKey(Message)) return;
  if (!ComponentState().Contains(csDesigning)) {
    if (Perform(CM_CHILDKEY, Message.CharCode(), reinterpret_cast<LPARAM>(this)) != 0) return;
    TCustomForm* f = GetParentForm(this);
    if (f && f->Perform(CM_DIALOGKEY, Message.CharCode(), Message.KeyData()) != 0) return;
  }
  Message.Result = 0;
}

void TWinControl::CNSysChar(TWMChar& Message) {
  if (!ComponentState().Contains(csDesigning)) {
    TCustomForm* f = GetParentForm(this);
    if (Message.CharCode() != VK_SPACE && f &&
        f->Perform(CM_DIALOGCHAR, Message.CharCode(), Message.KeyData()) != 0) {
      Message.Result = 1;
      return;
    }
  }
  Message.Result = 0;
}

namespace {
// Offers a dialog key or character to every child until one takes it.
void OfferToChildren(const std::vector<TControl*>& Controls, UINT Msg, TWMKey& Message) {
  for (TControl* c : Controls) {
    if (c->Perform(Msg, Message.CharCode(), Message.KeyData()) != 0) {
      Message.Result = 1;
      return;
    }
  }
  Message.Result = 0;
}
}  // namespace

void TWinControl::CMDialogKey(TCMDialogKey& Message) { OfferToChildren(FControls, CM_DIALOGKEY, Message); }

void TWinControl::CMDialogChar(TCMDialogChar& Message) { OfferToChildren(FControls, CM_DIALOGCHAR, Message); }

void TWinControl::CMChildKey(TCMChildKey& Message) {
  if (FParent)
    Message.Result = FParent->Perform(CM_CHILDKEY, Message.CharCode(), reinterpret_cast<LPARAM>(Message.Sender()));
  else Message.Result = 0;
}

void TWinControl::CMFocusChanged(TCMFocusChanged& Message) {
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c))
      w->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Message.Sender()));
}

void TWinControl::WMSetCursor(TWMSetCursor& Message) {
  if (Message.CursorWnd() == FHandle && Message.HitTest() == HTCLIENT) {
    TCursor cur = FCursor;
    POINT p;
    GetCursorPos(&p);
    TControl* c = ControlAtPos(ScreenToClient(p), false);
    if (c && c->Cursor() != crDefault) cur = c->Cursor();
    if (Screen && Screen->Cursor() != crDefault) cur = Screen->Cursor();
    if (cur != crDefault && CursorHandleOf) {
      ::SetCursor(CursorHandleOf(cur));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WMMouseLeave(TWMNoParams& Message) {
  FTrackingMouse = false;
  // The mouse left this window: find what it is over now (maybe a child window).
  TControl* mc = CurrentMouseControl;
  if (mc && (mc == this || ContainsControl(mc))) {
    POINT p;
    GetCursorPos(&p);
    TControl* now = FindDragTarget(p, false);
    if (now == mc || (now && ContainsControl(now) && now != this && !dynamic_cast<TWinControl*>(now)))
      now = nullptr;
    SetMouseControl(now);
  }
  DefaultHandler(Message);
}

void TWinControl::CMEnabledChanged(TCMNoParams& Message) {
  if (!Enabled() && FParent) {
    if (auto* f = GetParentForm(this)) f->DefocusControl(this, false);
  }
  if (FHandle && !ComponentState().Contains(csDesigning)) EnableWindow(FHandle, Enabled());
  TControl::CMEnabledChanged(Message);
}

void TWinControl::CMVisibleChanged(TCMVisibleChanged&) {
  if (!FVisible && FParent) {
    if (auto* f = GetParentForm(this)) f->DefocusControl(this, false);
  }
  UpdateControlState();
}

void TWinControl::CMFontChanged(TCMNoParams& Message) {
  if (FHandle) {
    FSentFont = FFont->Handle();
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FSentFont), 0);
  }
  TControl::CMFontChanged(Message);
  for (TControl* c : FControls) c->Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TWinControl::CMColorChanged(TCMNoParams& Message) {
  FBrush->SetColor(FColor);
  TControl::CMColorChanged(Message);
  for (TControl* c : FControls) c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TWinControl::CMSysColorChange(TCMNoParams&) {
  FBrush->SetColor(FBrush->Color());  // the same number may stand for a new colour
  for (TControl* c : FControls) c->Perform(CM_SYSCOLORCHANGE, 0, 0);
}

// ---------------------------------------------------------------------------------------
// TControlCanvas

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* Value) {
  if (FControl != Value) {
    FreeHandle();
    FControl = Value;
  }
}

void TControlCanvas::CreateHandle() {
  if (!FControl) return;
  if (!FDeviceContext) {
    auto* w = dynamic_cast<TWinControl*>(FControl);
    if (w) FWindowHandle = w->Handle();
    else if (FControl->Parent()) FWindowHandle = FControl->Parent()->Handle();
    else return;
    FDeviceContext = GetDCEx(FWindowHandle, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!w) {
      SetViewportOrgEx(FDeviceContext, FControl->Left(), FControl->Top(), nullptr);
      IntersectClipRect(FDeviceContext, 0, 0, FControl->Width(), FControl->Height());
    }
    if (CanvasList) CanvasList->push_back(this);
  }
  SetHandle(FDeviceContext);
  UpdateTextFlags();
}

void TControlCanvas::FreeHandle() {
  if (FDeviceContext) {
    SetHandle(nullptr);
    ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
    FWindowHandle = nullptr;
    if (CanvasList)
      CanvasList->erase(std::remove(CanvasList->begin(), CanvasList->end(), this), CanvasList->end());
  }
}

void TControlCanvas::UpdateTextFlags() {}

void FreeDeviceContexts() {
  if (!CanvasList) return;
  auto copy = *CanvasList;
  for (TControlCanvas* c : copy)
    if (c->LockCount() == 0) c->FreeHandle();
}

// ---------------------------------------------------------------------------------------
// TCustomControl and TGraphicControl

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() {
  FCanvas->FreeHandle();
  DestroyHandle();
}

const TMessageMap* TCustomControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_PAINT, MessageHandler<&TCustomControl::WMPaint>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomControl::WMPaint(TWMPaint& Message) {
  TSetItemScope painting(FControlState, csCustomPaint);
  inherited::WMPaint(Message);
}

void TCustomControl::PaintWindow(HDC DC) {
  TCanvasLock lock(*FCanvas);
  FCanvas->FreeHandle();
  TCanvasHandleScope dc(*FCanvas, DC);
  FCanvas->UpdateTextFlags();
  Paint();
}

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { FCanvas->FreeHandle(); }

const TMessageMap* TGraphicControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_PAINT, MessageHandler<&TGraphicControl::WMPaint>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TGraphicControl::WMPaint(TWMPaint& Message) {
  if (!Message.DC()) {
    InheritedMessage(Message);
    return;
  }
  TCanvasLock lock(*FCanvas);
  FCanvas->FreeHandle();
  TCanvasHandleScope dc(*FCanvas, Message.DC());
  Paint();
}

// ---------------------------------------------------------------------------------------
// TMouse

TMouse::TMouse() {
  int t = GetSystemMetrics(SM_CXDRAG);
  if (t > 0) FDragThreshold = t;
}

POINT TMouse::CursorPos() const {
  POINT p{0, 0};
  GetCursorPos(&p);
  return p;
}

void TMouse::SetCursorPos(POINT Value) { ::SetCursorPos(Value.x, Value.y); }

void TMouse::SetCapture(HWND Value) {
  if (Value) ::SetCapture(Value);
  else ReleaseCapture();
}

Integer TMouse::WheelScrollLines() const {
  UINT n = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &n, 0);
  return static_cast<Integer>(n);
}

// ---------------------------------------------------------------------------------------
// Dock sites

void TWinControl::GetSiteInfo(TControl* Client, RECT& InfluenceRect, POINT MousePos, bool& CanDock) {
  GetWindowRect(Handle(), &InfluenceRect);
  CanDock = FDockSite;
  if (OnGetSiteInfo) OnGetSiteInfo(this, Client, InfluenceRect, MousePos, CanDock);
}

void TWinControl::DockOver(TDragDockObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  Accept = FDockSite;
  if (OnDockOver) OnDockOver(this, Source, X, Y, State, Accept);
}

void TWinControl::DockDrop(TDragDockObject* Source, Integer X, Integer Y) {
  RECT r = Source->DockRect();
  MapWindowPoints(HWND_DESKTOP, HandleAllocated() ? Handle() : nullptr, reinterpret_cast<POINT*>(&r), 2);
  DoAddDockClient(Source->Control(), r);
  if (OnDockDrop) OnDockDrop(this, Source, X, Y);
}

// The client lands where the dock rectangle says, kept inside the client area: a
// rectangle that reaches past the site's edge would leave part of the control unseen.
void TWinControl::DoAddDockClient(TControl* Client, const RECT& ARect) {
  Client->SetParent(this);
  if (ARect.right > ARect.left && ARect.bottom > ARect.top) {
    const RECT r = FitRectInto(ARect, ClientRect());
    Client->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
}

bool TWinControl::DoUnDock(TWinControl* NewTarget, TControl* Client) {
  bool allow = true;
  if (OnUnDock) OnUnDock(this, Client, NewTarget, allow);
  return allow &&
         Perform(CM_UNDOCKCLIENT, reinterpret_cast<WPARAM>(NewTarget), reinterpret_cast<LPARAM>(Client)) == 0;
}
