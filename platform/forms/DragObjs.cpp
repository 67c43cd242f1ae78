#include "DragObjs.h"

#include <cstdlib>
#include <memory>

// =======================================================================================
// Drag objects

TCursor TDragObject::GetDragCursor(bool Accepted, Integer, Integer) {
  return Accepted ? crDrag : crNoDrop;
}

void TDragObject::HideDragImage() {
  if (TDragImageList* i = GetDragImages()) i->HideDragImage();
}

void TDragObject::ShowDragImage() {
  if (TDragImageList* i = GetDragImages()) i->ShowDragImage();
}

void TBaseDragControlObject::Finished(TObject* Target, Integer X, Integer Y, bool Accepted) {
  if (!Accepted) Target = nullptr;
  EndDrag(Target, X, Y);
}

void TBaseDragControlObject::EndDrag(TObject* Target, Integer X, Integer Y) {
  FControl->DoEndDrag(Target, X, Y);
}

void TDragDockObject::EndDrag(TObject* Target, Integer X, Integer Y) { Control()->DoEndDock(Target, X, Y); }

TCursor TDragControlObject::GetDragCursor(bool Accepted, Integer X, Integer Y) {
  return Accepted ? Control()->DragCursor() : crNoDrop;
}

// =======================================================================================
// The drag manager: a hidden window holds the mouse capture while a drag is pending or
// running and turns mouse and key messages into drag steps.

class TDragManager : public TObject {
  DECLARE_CLASS(TDragManager, TObject)
 public:
  static const TMessageMap* ClassMessages();
  TControl* Control = nullptr;
  TDragObject* Object = nullptr;
  std::unique_ptr<TDragObject> Owned;
  bool Started = false;
  Integer Threshold = 5;
  POINT DownPos{0, 0};
  TControl* Target = nullptr;
  bool Accepted = false;
  HWND Window = nullptr;
  // While the control's DoStartDrag runs, an EndDrag refuses the drag.
  bool Starting = false;
  bool Refused = false;
  // A dock drag: the object is a TDragDockObject; the mouse is over the control's own
  // host; where the press was inside the control (the floating rectangle keeps it).
  bool Docking = false;
  bool OverOwnHost = false;
  POINT Grab{0, 0};

  void Begin(TControl* C, bool Immediate, Integer AThreshold);
  void Move(POINT Screen);
  void Finish(bool Drop);
  void Cancel() {
    if (Object) Object->FCancelling = true;
    Finish(false);
  }

 private:
  void Start(POINT Screen);
  bool DragTo(TControl* T, POINT Screen, TDragState State);
  void MoveOver(TControl* T, POINT Screen);
  void MoveDock(POINT Screen);
  bool DockOverStep(TControl* T, POINT Screen, TDragState State);
  void WMMouseMove(TWMMouse& Message);
  void WMLButtonUp(TWMMouse& Message);
  // A right press, a cancel request or losing the capture ends the drag without a drop.
  void WMStop(TMessage& Message);
  void WMKeyDown(TWMKey& Message);
  void WMDragCancel(TWMNoParams& Message);
  void WMSetCursor(TWMSetCursor& Message);
};

namespace {

TDragManager Manager;
const UINT WM_DRAGCANCEL = WM_APP + 0x2D;
const wchar_t* const DragClassName = L"ZsDragCapture";
const wchar_t* const HintClassName = L"ZsHintWindow";
THintWindow* HintWindow = nullptr;

LRESULT CALLBACK DragWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  bool handled = false;
  if (!RunHandlingControlException(nullptr, [&] { handled = TDragManager::ClassMessages()->Dispatch(&Manager, m); }))
    return 0;
  if (handled) return m.Result;
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

}  // namespace

const TMessageMap* TDragManager::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_MOUSEMOVE, MessageHandler<&TDragManager::WMMouseMove>},
      {WM_LBUTTONUP, MessageHandler<&TDragManager::WMLButtonUp>},
      {WM_RBUTTONDOWN, MessageHandler<&TDragManager::WMStop>},
      {WM_CANCELMODE, MessageHandler<&TDragManager::WMStop>},
      {WM_CAPTURECHANGED, MessageHandler<&TDragManager::WMStop>},
      {WM_KEYDOWN, MessageHandler<&TDragManager::WMKeyDown>},
      {WM_DRAGCANCEL, MessageHandler<&TDragManager::WMDragCancel>},
      {WM_SETCURSOR, MessageHandler<&TDragManager::WMSetCursor>},
  };
  static constexpr TMessageMap Map(Entries);
  return &Map;
}

void TDragManager::WMMouseMove(TWMMouse&) {
  // The capture window's coordinates mean nothing to the targets: use the screen's.
  POINT p;
  GetCursorPos(&p);
  Move(p);
}

void TDragManager::WMLButtonUp(TWMMouse&) { Finish(Started); }

void TDragManager::WMStop(TMessage& Message) {
  // Taking the capture to the drag window itself is no reason to stop.
  if (Message.Msg == WM_CAPTURECHANGED && reinterpret_cast<HWND>(Message.LParam) == Window) return;
  if (Object) Finish(false);
}

void TDragManager::WMKeyDown(TWMKey& Message) {
  if (Message.CharCode() == VK_ESCAPE) Cancel();
}

void TDragManager::WMDragCancel(TWMNoParams&) { Cancel(); }

// The drag sets the cursor itself.
void TDragManager::WMSetCursor(TWMSetCursor& Message) { Message.Result = TRUE; }

namespace {

// Keys go to the focused control, not to the capture window: while a drag is on, a
// thread keyboard hook turns Escape into a cancel.
HHOOK KeyHook = nullptr;

LRESULT CALLBACK DragKeyHook(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION && WParam == VK_ESCAPE && !(LParam & 0x80000000) && Manager.Object) {
    PostMessageW(Manager.Window, WM_DRAGCANCEL, 0, 0);
    return 1;
  }
  return CallNextHookEx(KeyHook, Code, WParam, LParam);
}

void HookKeys(bool On) {
  if (On && !KeyHook) KeyHook = SetWindowsHookExW(WH_KEYBOARD, DragKeyHook, nullptr, GetCurrentThreadId());
  if (!On && KeyHook) {
    UnhookWindowsHookEx(KeyHook);
    KeyHook = nullptr;
  }
}

HWND DragWindow() {
  if (!Manager.Window) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DragWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = DragClassName;
    RegisterClassW(&wc);
    Manager.Window = CreateWindowExW(WS_EX_TOOLWINDOW, DragClassName, L"", WS_POPUP, 0, 0, 0, 0,
                                     nullptr, nullptr, wc.hInstance, nullptr);
  }
  return Manager.Window;
}

void ShowHint(const THintInfo& Info, RECT& Bounds) {
  if (!HintWindow) HintWindow = new THintWindow(nullptr);
  HintWindow->SetColor(Info.HintColor);
  RECT r = HintWindow->CalcHintRect(Info.HintMaxWidth, Info.HintStr, Info.HintData);
  OffsetRect(&r, Bounds.left, Bounds.top);
  Bounds = r;
  HintWindow->ActivateHintData(r, Info.HintStr, Info.HintData);
}

void HideHint() {
  if (HintWindow) HintWindow->ReleaseHandle();
}

void InitDragObjs() {
  TApplication::HintWindowClass = THintWindow::StaticClass();
  TApplication::ShowHintWindow = ShowHint;
  TApplication::HideHintWindow = HideHint;
}

void DoneDragObjs() {
  if (Manager.Object) Manager.Finish(false);
  if (Manager.Window) DestroyWindow(Manager.Window);
  Manager.Window = nullptr;
  UnregisterClassW(DragClassName, GetModuleHandleW(nullptr));
  if (TApplication::ShowHintWindow == ShowHint) {
    TApplication::ShowHintWindow = nullptr;
    TApplication::HideHintWindow = nullptr;
    TApplication::HintWindowClass = nullptr;
  }
  delete HintWindow;
  HintWindow = nullptr;
  UnregisterClassW(HintClassName, GetModuleHandleW(nullptr));
}

HCURSOR CursorOf(TCursor C) {
  if (CursorHandleOf) return CursorHandleOf(C);
  return LoadCursorW(nullptr, C == crNoDrop ? IDC_NO : IDC_ARROW);
}

}  // namespace

const TUnitInfo DragObjsUnit{L"DragObjs", InitDragObjs, DoneDragObjs};

void TDragManager::Begin(TControl* C, bool Immediate, Integer AThreshold) {
  if (Object) Finish(false);
  TDragObject* obj = nullptr;
  const bool dock = C->DragKind() == dkDock;
  {
    // The control counts as dragged while it starts, so that it can refuse; a failed
    // start leaves no drag behind.
    TRollbackScope<TControl*> control(Control, C);
    TValueScope<bool> starting(Starting, true);
    Refused = false;
    if (dock)
      C->DoStartDock(obj);
    else
      C->DoStartDrag(obj);
  }
  if (Refused) {
    Control = nullptr;
    return;
  }
  if (!obj) {
    if (dock)
      Owned = std::make_unique<TDragDockObject>(C);
    else
      Owned = std::make_unique<TDragControlObject>(C);
    obj = Owned.get();
  }
  Object = obj;
  Docking = dock;
  OverOwnHost = false;
  if (dock) Immediate = false;
  Threshold = AThreshold >= 0 ? AThreshold : (Mouse ? Mouse->DragThreshold() : 5);
  GetCursorPos(&DownPos);
  const POINT origin = C->ClientToScreen(POINT{0, 0});
  Grab = POINT{DownPos.x - origin.x, DownPos.y - origin.y};
  Started = false;
  Target = nullptr;
  Accepted = false;
  SetCapture(DragWindow());
  HookKeys(true);
  if (Immediate) Start(DownPos);
}

void TDragManager::Start(POINT Screen) {
  Started = true;
  Object->FDragPos = Screen;
  if (TDragImageList* images = Object->GetDragImages()) {
    images->BeginDrag(GetDesktopWindow(), Screen.x, Screen.y);
  }
  Move(Screen);
}

// Tells a control about the drag; answers whether it would take the drop.
bool TDragManager::DragTo(TControl* T, POINT Screen, TDragState State) {
  if (!T) return false;
  POINT p = T->ScreenToClient(Screen);
  bool accept = false;
  T->DragOver(Object->SourceObject(), p.x, p.y, State, accept);
  return accept;
}

void TDragManager::Move(POINT Screen) {
  if (!Object) return;
  if (!Started) {
    if (std::abs(Screen.x - DownPos.x) < Threshold && std::abs(Screen.y - DownPos.y) < Threshold) return;
    Start(Screen);
    return;
  }
  Object->FDragPos = Screen;
  if (Docking)
    MoveDock(Screen);
  else
    MoveOver(FindDragTarget(Screen, false), Screen);
}

// The mouse is over T (nullptr: nothing that counts): the target left and the one
// entered hear of it, the cursor and the drag images follow.
void TDragManager::MoveOver(TControl* T, POINT Screen) {
  auto step = [&](TDragState State) {
    return Docking ? DockOverStep(Target, Screen, State) : DragTo(Target, Screen, State);
  };
  if (T != Target) {
    if (Target) step(dsDragLeave);
    Target = T;
    Accepted = step(dsDragEnter);
  } else {
    Accepted = step(dsDragMove);
  }
  Object->FDragTarget = Target;
  if (Target) Object->FDragTargetPos = Target->ScreenToClient(Screen);
  // A dock drag released over no site still moves the control (it floats).
  const bool shownAccepted = Accepted || (Docking && !OverOwnHost);
  ::SetCursor(CursorOf(Object->GetDragCursor(shownAccepted, Screen.x, Screen.y)));
  if (TDragImageList* images = Object->GetDragImages()) images->DragMove(Screen.x, Screen.y);
}

namespace {

// The dock site under a screen point for Client: the nearest windowed control up from
// the control there that is Client's own host, or a dock site that takes Client there
// (GetSiteInfo). Client itself and what lies inside it are never sites.
TWinControl* FindDockSite(TControl* Client, POINT Screen) {
  auto* clientWin = dynamic_cast<TWinControl*>(Client);
  for (TControl* c = FindDragTarget(Screen, false); c; c = c->Parent()) {
    auto* site = dynamic_cast<TWinControl*>(c);
    if (!site || site == Client || (clientWin && clientWin->ContainsControl(site))) continue;
    if (site == Client->HostDockSite()) return site;
    if (!site->DockSite()) continue;
    RECT influence{};
    bool canDock = false;
    site->GetSiteInfo(Client, influence, Screen, canDock);
    if (canDock && PtInRect(&influence, Screen)) return site;
  }
  return nullptr;
}

}  // namespace

bool TDragManager::DockOverStep(TControl* T, POINT Screen, TDragState State) {
  auto* site = dynamic_cast<TWinControl*>(T);
  if (!site) return false;
  POINT p = site->ScreenToClient(Screen);
  bool accept = false;
  site->DockOver(static_cast<TDragDockObject*>(Object), p.x, p.y, State, accept);
  return accept;
}

// A dock drag: the rectangle follows the mouse at the control's size (where it would
// float) until a site over which it moves sets its own.
void TDragManager::MoveDock(POINT Screen) {
  auto* dock = static_cast<TDragDockObject*>(Object);
  TControl* client = dock->Control();
  TWinControl* site = FindDockSite(client, Screen);
  OverOwnHost = site && site == client->HostDockSite();
  TControl* t = OverOwnHost ? nullptr : site;
  const POINT topLeft{Screen.x - Grab.x, Screen.y - Grab.y};
  dock->SetDockRect(RECT{topLeft.x, topLeft.y, topLeft.x + client->Width(), topLeft.y + client->Height()});
  MoveOver(t, Screen);
}

// Drop on an accepting target (OnDragDrop), then Finished; the manager is clear
// before any handler runs, so that a handler may start a new drag.
void TDragManager::Finish(bool Drop) {
  if (!Object) {
    if (Starting) Refused = true;
    return;
  }
  TDragObject* obj = Object;
  std::unique_ptr<TDragObject> owned = std::move(Owned);
  TControl* target = Target;
  bool started = Started;
  POINT pos = obj->FDragPos;
  bool accepted = Drop && started && Accepted && target;
  const bool docking = Docking;
  const bool floats = Drop && started && !accepted && !OverOwnHost && !obj->FCancelling;
  Docking = false;
  OverOwnHost = false;
  Object = nullptr;
  Control = nullptr;
  Target = nullptr;
  Started = false;
  HookKeys(false);
  if (GetCapture() == Window) ReleaseCapture();
  if (TDragImageList* images = obj->GetDragImages()) images->EndDrag();
  if (!started) {  // the mouse never moved far enough: no drag happened
    obj->Abandoned();
    return;
  }
  POINT tp = target ? target->ScreenToClient(pos) : pos;
  if (docking) {
    auto* dock = static_cast<TDragDockObject*>(obj);
    if (target && !accepted) {
      bool a = false;
      static_cast<TWinControl*>(target)->DockOver(dock, tp.x, tp.y, dsDragLeave, a);
    }
    obj->FDropped = accepted;
    if (accepted)
      dock->Control()->DockTo(static_cast<TWinControl*>(target), dock);
    else if (floats)
      dock->Control()->ManualFloat(dock->DockRect());
    obj->Finished(accepted ? target : nullptr, tp.x, tp.y, accepted);
    return;
  }
  if (target && !accepted) {
    // The target hears that the drag left it.
    bool a = false;
    target->DragOver(obj->SourceObject(), tp.x, tp.y, dsDragLeave, a);
  }
  obj->FDropped = accepted;
  if (accepted) target->DragDrop(obj->SourceObject(), tp.x, tp.y);
  obj->Finished(accepted ? target : nullptr, tp.x, tp.y, accepted);
}

void BeginDrag(TControl* Control, bool Immediate, Integer Threshold) {
  if (!Control) return;
  Manager.Begin(Control, Immediate, Threshold);
}

void EndDrag(bool Drop) { Manager.Finish(Drop); }
TDragObject* DragObject() { return Manager.Object; }
TControl* DragControl() { return Manager.Control; }
bool IsDragging() { return Manager.Object != nullptr && Manager.Started; }

// =======================================================================================
// THintWindow

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  FParentColor = false;
  FColor = clInfoBk;
  FBrush->SetColor(clInfoBk);
  FParentFont = false;
  if (Screen) Font()->Assign(Screen->HintFont());
  FVisible = false;
}

void THintWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = nullptr;
  Params.WindowClass.style |= CS_SAVEBITS;
  Params.WinClassName = HintClassName;
}

RECT THintWindow::CalcHintRect(Integer MaxWidth, const String& AHint, void*) {
  RECT r{0, 0, MaxWidth > 0 ? MaxWidth : 300, 0};
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  DrawTextW(dc, AHint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  // Room for the border and a small margin.
  r.right += 6;
  r.bottom += 2;
  return r;
}

void THintWindow::ActivateHint(RECT Rect, const String& AHint) {
  SetCaption(AHint);
  // Kept on the monitor's work area.
  HMONITOR m = MonitorFromPoint(POINT{Rect.left, Rect.top}, MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi{sizeof mi};
  if (GetMonitorInfoW(m, &mi)) {
    if (Rect.right > mi.rcWork.right) OffsetRect(&Rect, mi.rcWork.right - Rect.right, 0);
    if (Rect.left < mi.rcWork.left) OffsetRect(&Rect, mi.rcWork.left - Rect.left, 0);
    if (Rect.bottom > mi.rcWork.bottom) OffsetRect(&Rect, 0, mi.rcWork.bottom - Rect.bottom);
    if (Rect.top < mi.rcWork.top) OffsetRect(&Rect, 0, mi.rcWork.top - Rect.top);
  }
  SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top);
  HWND h = Handle();
  SetWindowPos(h, HWND_TOPMOST, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  ::InvalidateRect(h, nullptr, TRUE);
  ::UpdateWindow(h);
}

void THintWindow::ActivateHintData(RECT Rect, const String& AHint, void*) { ActivateHint(Rect, AHint); }

void THintWindow::ReleaseHandle() { DestroyHandle(); }

bool THintWindow::IsHintMsg(const MSG& Msg) {
  return (Msg.message >= WM_KEYFIRST && Msg.message <= WM_KEYLAST) ||
         Msg.message == WM_LBUTTONDOWN || Msg.message == WM_RBUTTONDOWN ||
         Msg.message == WM_MBUTTONDOWN || Msg.message == WM_ACTIVATE ||
         Msg.message == WM_NCLBUTTONDOWN || Msg.message == WM_MOUSEWHEEL;
}

void THintWindow::Paint() {
  RECT r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  Canvas()->SetFont(Font());
  HDC dc = Canvas()->Handle();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(clInfoText));
  InflateRect(&r, -2, -1);
  String text = GetText();
  DrawTextW(dc, text.c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}
