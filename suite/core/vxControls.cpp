#include "vxControls.h"

#include <algorithm>
#include <cstdlib>

#include "Classes.h"
#include "vxGraphics.h"

namespace {

// --- Unit state ------------------------------------------------------------------------------

// True from the first step of shut-down: nothing shared is created again.
bool Finalizing = false;
std::unique_ptr<TvxMessageWindow> MessageWindow;
std::unique_ptr<TvxTimerWindow> TimerWindow;
// The identifiers of the running TvxTimer objects.
std::unique_ptr<std::vector<UINT_PTR>> TimerList;
std::unique_ptr<TvxSettingsController> SettingsController;
std::unique_ptr<std::vector<TMouseTrackingTimer*>> MouseTrackingTimerList;
std::unique_ptr<TvxSystemController> SystemController;
HMODULE User32Module = nullptr;
// Registered at start-up for other programs that look for them; nothing here reads them.
Word RegisteredMessage1 = 0;
Word RegisteredMessage2 = 0;

Integer HourglassCounter = 0;
TCursor HourglassSavedCursor = crDefault;

const wchar_t* const MessageWindowClassName = L"ZsvxMessageWindow";
const wchar_t* const SettingsWindowClassName = L"ZsvxSettingsWindow";

// The module holding this code (the program, or the library it was linked into).
HMODULE ThisModule() {
  HMODULE m = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &m);
  return m ? m : GetModuleHandleW(nullptr);
}

bool IsLibrary() { return ThisModule() != GetModuleHandleW(nullptr); }

bool User32Loaded() { return reinterpret_cast<UINT_PTR>(User32Module) > 32; }

template <class F>
F User32Function(const char* AName) {
  if (!User32Loaded()) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(User32Module, AName)));
}

std::vector<UINT_PTR>* GetTimerList() {
  if (!TimerList && !Finalizing) TimerList = std::make_unique<std::vector<UINT_PTR>>();
  return TimerList.get();
}

std::vector<TMouseTrackingTimer*>* GetMouseTrackingTimerList() {
  if (!MouseTrackingTimerList && !Finalizing)
    MouseTrackingTimerList = std::make_unique<std::vector<TMouseTrackingTimer*>>();
  return MouseTrackingTimerList.get();
}

// Removes the timer from the tracking list; false when it was not listed.
bool UnlistTrackingTimer(TMouseTrackingTimer* ATimer) {
  if (!MouseTrackingTimerList) return false;
  auto& list = *MouseTrackingTimerList;
  auto it = std::find(list.begin(), list.end(), ATimer);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

void ReportUnitError(const Exception& E) {
  try {
    if (vxErrorReportProc) {
      vxErrorReportProc(E);
      return;
    }
    if (AssertErrorProc) {
      AssertErrorProc(E.Message(), L"vxControls.cpp", __LINE__);
      return;
    }
  } catch (...) {
    // The report is made where raising would end the program: a hook that raises is
    // not allowed to do so; the message still reaches the debugger output below.
  }
  OutputDebugStringW((E.ClassName() + L": " + E.Message()).c_str());
}

LRESULT CALLBACK MessageWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* obj = reinterpret_cast<TvxMessageWindow*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
  if (!obj) return DefWindowProcW(Wnd, Msg, WParam, LParam);
  TMessage m{Msg, WParam, LParam, 0};
  try {
    obj->HandleMessage(m);
  } catch (...) {
    // The exception must not cross the system's window procedure: the application
    // reports it.
    if (HandleControlException) HandleControlException(obj);
  }
  return m.Result;
}

HWND AllocateHiddenWindow(const wchar_t* AClassName, WNDPROC AProc, void* AObject) {
  HINSTANCE inst = ThisModule();
  WNDCLASSW wc{};
  if (!GetClassInfoW(inst, AClassName, &wc)) {
    wc = WNDCLASSW{};
    wc.lpfnWndProc = AProc;
    wc.hInstance = inst;
    wc.lpszClassName = AClassName;
    RegisterClassW(&wc);
  }
  // A hidden top-level window: broadcasts of the system reach top-level windows only.
  HWND h = CreateWindowExW(WS_EX_TOOLWINDOW, AClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           inst, nullptr);
  if (h) SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(AObject));
  return h;
}

void DeallocateHiddenWindow(HWND& AWnd) {
  if (!AWnd) return;
  HWND h = AWnd;
  AWnd = nullptr;
  SetWindowLongPtrW(h, GWLP_USERDATA, 0);
  DestroyWindow(h);
}

}  // namespace

TvxErrorReportProc vxErrorReportProc;

// --- TvxMessageWindow ------------------------------------------------------------------------

TvxMessageWindow::TvxMessageWindow() {
  FHandle = AllocateHiddenWindow(MessageWindowClassName, MessageWindowProc, this);
}

TvxMessageWindow::~TvxMessageWindow() { DeallocateHiddenWindow(FHandle); }

const TMessageMap* TvxMessageWindow::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_NCDESTROY, MessageHandler<&TvxMessageWindow::WMNCDestroy>},
  };
  static constexpr TMessageMap Map(Entries);
  return &Map;
}

void TvxMessageWindow::HandleMessage(TMessage& Message) {
  if (!MessageMap()->Dispatch(this, Message)) DefaultHandler(Message);
}

void TvxMessageWindow::DefaultHandler(TMessage& Message) {
  Message.Result = DefWindowProcW(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TvxMessageWindow::WMNCDestroy(TWMNoParams& Message) {
  DefaultHandler(Message);
  FHandle = nullptr;
}

TvxMessageWindow* vxMessageWindow() {
  if (!MessageWindow && !Finalizing) MessageWindow = std::make_unique<TvxMessageWindow>();
  return MessageWindow.get();
}

// --- TvxTimerWindow --------------------------------------------------------------------------

const TMessageMap* TvxTimerWindow::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_TIMER, MessageHandler<&TvxTimerWindow::WMTimer>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxTimerWindow::WMTimer(TWMTimer& Message) {
  Message.Result = 0;
  if (!TimerList) return;
  UINT_PTR id = Message.TimerID();
  // A tick queued before its timer stopped (or was freed) is dropped.
  if (std::find(TimerList->begin(), TimerList->end(), id) == TimerList->end()) return;
  reinterpret_cast<TvxTimer*>(id)->DoTimer();
}

TvxTimerWindow* vxTimerWindow() {
  if (!TimerWindow && !Finalizing) TimerWindow = std::make_unique<TvxTimerWindow>();
  return TimerWindow.get();
}

// --- TvxSystemController ---------------------------------------------------------------------

TvxSystemController::TvxSystemController() {
  if (IsLibrary()) {
    // Inside a library the host's message loop never calls CheckSynchronize: a worker's
    // wake-up posts a message to this window instead.
    FPrevWakeMainThread = WakeMainThread;
    HWND h = Handle();
    WakeMainThread = [h](TObject*) { PostMessageW(h, VXM_SYNCHRONIZE, 0, 0); };
    FHooked = true;
  }
}

TvxSystemController::~TvxSystemController() {
  if (FHooked) WakeMainThread = FPrevWakeMainThread;
}

const TMessageMap* TvxSystemController::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {VXM_SYNCHRONIZE, MessageHandler<&TvxSystemController::VXMSynchronize>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxSystemController::VXMSynchronize(TWMNoParams&) { CheckSynchronize(0); }

// --- TvxTimer --------------------------------------------------------------------------------

void TvxTimer::DeclarePublished(TPublisher<TvxTimer>& P) {
  P.Property(L"Enabled", &TvxTimer::Enabled, &TvxTimer::SetEnabled).Default(true);
  P.Property(L"Interval", &TvxTimer::Interval, &TvxTimer::SetInterval).Default(1000);
  P.Property(L"OnTimer", [](TvxTimer* t) { return t->OnTimer(); },
             [](TvxTimer* t, const TNotifyEvent& v) { t->SetOnTimer(v); });
}

TvxTimer::TvxTimer(TComponent* AOwner) : TComponent(AOwner), FEventID(reinterpret_cast<UINT_PTR>(this)) {}

TvxTimer::~TvxTimer() { Stop(); }

void TvxTimer::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Restart();
}

void TvxTimer::SetInterval(Cardinal Value) {
  if (Value == 0 || Value == FInterval) return;
  FInterval = Value;
  Restart();
}

void TvxTimer::SetOnTimer(const TNotifyEvent& Value) {
  FOnTimer = Value;
  Restart();
}

void TvxTimer::DoTimer() {
  if (FOnTimer) FOnTimer(this);
}

void TvxTimer::Restart() {
  Stop();
  Start();
}

void TvxTimer::Start() {
  if (!FEnabled || FTimerOn || !FOnTimer) return;
  TvxTimerWindow* w = vxTimerWindow();
  if (!w || !w->Handle()) return;
  SetTimerOn(SetTimer(w->Handle(), FEventID, FInterval, nullptr) != 0);
}

// Works at any time, also during and after the unit's shut-down: a timer window or an
// identifier list that no longer exists is not asked for again.
void TvxTimer::Stop() {
  if (!FTimerOn) return;
  if (TimerWindow && TimerWindow->Handle()) KillTimer(TimerWindow->Handle(), FEventID);
  SetTimerOn(false);
}

void TvxTimer::SetTimerOn(bool Value) {
  if (FTimerOn == Value) return;
  FTimerOn = Value;
  if (Value) {
    if (auto* list = GetTimerList()) list->push_back(FEventID);
  } else if (TimerList) {
    auto it = std::find(TimerList->begin(), TimerList->end(), FEventID);
    if (it != TimerList->end()) TimerList->erase(it);
  }
}

// --- Mouse tracking --------------------------------------------------------------------------

TMouseTrackingTimer::TMouseTrackingTimer(TComponent* AOwner) : TvxTimer(AOwner) {}

namespace {
// Frees a tracking timer that was unlisted during its own tick, once the tick is over.
class TTrackingTickScope {
 public:
  TTrackingTickScope(TMouseTrackingTimer* ATimer, bool& AInTick, bool& AFreeAfterTick)
      : FTimer(ATimer), FInTick(AInTick), FFreeAfterTick(AFreeAfterTick) {
    FInTick = true;
  }
  ~TTrackingTickScope() {
    FInTick = false;
    if (FFreeAfterTick) delete FTimer;
  }
  TTrackingTickScope(const TTrackingTickScope&) = delete;
  TTrackingTickScope& operator=(const TTrackingTickScope&) = delete;

 private:
  TMouseTrackingTimer* FTimer;
  bool& FInTick;
  bool& FFreeAfterTick;
};
}  // namespace

void TMouseTrackingTimer::DoTimer() {
  // Nothing of the timer is touched after the scope ends: it may free the timer.
  TTrackingTickScope scope(this, FInTick, FFreeAfterTick);
  TvxTimer::DoTimer();
}

void TMouseTrackingTimer::Tick() {
  // Work on copies: the handlers called below may end this tracking, start another one
  // or free the control.
  IvxMouseTrackingCaller* caller = Caller;
  TWinControl* control = Control;
  const RECT bounds = Bounds;
  POINT pt = vxGetMouseCursorPos();

  bool inArea;
  if (auto* area = dynamic_cast<IvxMouseTrackingArea*>(caller)) {
    inArea = false;
    if (control && control->HandleAllocated()) {
      POINT cp = pt;
      ScreenToClient(control->Handle(), &cp);
      inArea = area->PtInCaller(cp);
    }
  } else {
    inArea = PtInRect(&bounds, pt) != 0;
  }
  // Tracking without a control has nothing to be disabled: only the area decides.
  bool usable = !control || (control->HandleAllocated() && vxIsWindowEnabledWithParents(control->Handle()));
  if (inArea && usable) return;

  // No further tick of this tracking, also from a message loop a handler below runs.
  SetEnabled(false);
  // However the handlers below end, this tracking ends with the tick (the timer is freed
  // once the tick is over).
  struct TEndTracking {
    TMouseTrackingTimer* Timer;
    ~TEndTracking() {
      UnlistTrackingTimer(Timer);
      Timer->FFreeAfterTick = true;
    }
  } endTracking{this};
  if (control && control->HandleAllocated()) {
    POINT cp = pt;
    ScreenToClient(control->Handle(), &cp);
    RECT cr = control->ClientRect();
    if (!PtInRect(&cr, cp) || !usable)
      SendMessageW(control->Handle(), CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(control));
  }
  // A caller that ended this tracking while it handled CM_MOUSELEAVE (as a container
  // does) has handled this leave; telling it again would repeat it.
  if (caller && vxFindMouseTrackingTimer(caller) == this) caller->MouseLeave();
}

void vxBeginMouseTracking(TWinControl* AControl, const RECT& ABounds, IvxMouseTrackingCaller* ACaller) {
  if (Finalizing || vxFindMouseTrackingTimer(ACaller)) return;
  auto* list = GetMouseTrackingTimerList();
  if (!list) return;
  auto* timer = new TMouseTrackingTimer(nullptr);
  timer->SetInterval(10);
  timer->Control = AControl;
  timer->Bounds = ABounds;
  if (AControl) {
    POINT origin = AControl->ClientOrigin();
    OffsetRect(&timer->Bounds, origin.x, origin.y);
  }
  timer->Caller = ACaller;
  list->push_back(timer);
  timer->SetOnTimer([timer](TObject*) { timer->Tick(); });
}

void vxEndMouseTracking(IvxMouseTrackingCaller* ACaller) {
  if (Finalizing) return;
  TMouseTrackingTimer* timer = vxFindMouseTrackingTimer(ACaller);
  if (!timer) return;
  UnlistTrackingTimer(timer);
  // Ended from inside its own tick (by a handler the tick called): the tick frees it
  // when it is over.
  if (timer->FInTick)
    timer->FFreeAfterTick = true;
  else
    delete timer;
}

bool vxIsMouseTracking(IvxMouseTrackingCaller* ACaller) {
  return !Finalizing && vxFindMouseTrackingTimer(ACaller) != nullptr;
}

TMouseTrackingTimer* vxFindMouseTrackingTimer(IvxMouseTrackingCaller* ACaller) {
  if (Finalizing || !MouseTrackingTimerList) return nullptr;
  for (TMouseTrackingTimer* t : *MouseTrackingTimerList)
    if (t->Caller == ACaller) return t;
  return nullptr;
}

// --- TvxSettingsController -------------------------------------------------------------------

TvxSettingsController::TvxSettingsController() = default;

TvxSettingsController::~TvxSettingsController() {
  DeallocateHiddenWindow(FWindow);
  FList.clear();
}

const TMessageMap* TvxSettingsController::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_SETTINGCHANGE, MessageHandler<&TvxSettingsController::WMSettingChange>},
  };
  static constexpr TMessageMap Map(Entries);
  return &Map;
}

void TvxSettingsController::AddListener(TWinControl* AListener) {
  if (std::find(FList.begin(), FList.end(), AListener) != FList.end()) return;
  if (FList.empty())
    FWindow = AllocateHiddenWindow(SettingsWindowClassName, MessageMapWndProc<TvxSettingsController>, this);
  FList.push_back(AListener);
}

void TvxSettingsController::RemoveListener(TWinControl* AListener) {
  auto it = std::find(FList.begin(), FList.end(), AListener);
  if (it == FList.end()) return;
  FList.erase(it);
  if (FList.empty()) DeallocateHiddenWindow(FWindow);
}

void TvxSettingsController::NotifyListeners() {
  std::vector<TWinControl*> list = FList;
  for (TWinControl* c : list)
    if (c->HandleAllocated()) SendNotifyMessageW(c->Handle(), VXM_SCROLLBARMETRICSCHANGED, 0, 0);
}

void TvxSettingsController::WMSettingChange(TMessage& Message) {
  try {
    if (Message.WParam == SPI_SETNONCLIENTMETRICS) {
      NotifyListeners();
      Message.Result = 0;
    } else {
      Message.Result = DefWindowProcW(FWindow, Message.Msg, Message.WParam, Message.LParam);
    }
  } catch (...) {
    // The exception must not cross the system's window procedure: the application
    // reports it.
    if (HandleControlException) HandleControlException(this);
  }
}

TvxSettingsController* vxSettingsController() {
  if (!SettingsController && !Finalizing) SettingsController = std::make_unique<TvxSettingsController>();
  return SettingsController.get();
}

// --- Windows and geometry --------------------------------------------------------------------

bool vxCanAllocateHandle(TWinControl* AControl) {
  if (!AControl) return false;
  if (AControl->HandleAllocated()) return true;
  if (AControl->ComponentState().Contains(csDestroying)) return false;
  if (AControl->ParentWindow()) return true;
  if (AControl->Parent() && vxCanAllocateHandle(AControl->Parent())) return true;
  return dynamic_cast<TCustomForm*>(AControl) && Application && Application->Handle();
}

Integer vxGetDoubleClickTime() { return static_cast<Integer>(GetDoubleClickTime()); }

void vxGetMonitorWorkArea(const POINT& P, RECT& R) {
  using TMonitorFromPoint = HMONITOR(WINAPI*)(POINT, DWORD);
  HMONITOR monitor = nullptr;
  if (auto f = User32Function<TMonitorFromPoint>("MonitorFromPoint")) monitor = f(P, MONITOR_DEFAULTTONEAREST);
  vxGetMonitorWorkAreaByHandle(monitor, R);
}

void vxGetMonitorWorkAreaByHandle(HMONITOR AMonitor, RECT& R) {
  using TGetMonitorInfoW = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
  if (AMonitor) {
    if (auto f = User32Function<TGetMonitorInfoW>("GetMonitorInfoW")) {
      MONITORINFO info{};
      info.cbSize = sizeof(MONITORINFO);
      // A handle the system does not know falls back to the primary work area too.
      if (f(AMonitor, &info)) {
        R = info.rcWork;
        return;
      }
    }
  }
  R = RECT{0, 0, 0, 0};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &R, 0);
}

POINT vxGetMouseCursorPos() {
  POINT p;
  if (!GetCursorPos(&p)) p = POINT{-1, -1};
  return p;
}

TvxPosition vxGetRectSideAtPoint(const RECT& R, const POINT& P, bool AHorizontal, bool AVertical) {
  if (AHorizontal && AVertical) {
    auto side = [&P](POINT A, POINT B) {
      return static_cast<Int64>(P.x - A.x) * (B.y - A.y) - static_cast<Int64>(P.y - A.y) * (B.x - A.x);
    };
    bool s1 = side(POINT{R.left, R.bottom}, POINT{R.right, R.top}) >= 0;
    bool s2 = side(POINT{R.left, R.top}, POINT{R.right, R.bottom}) >= 0;
    if (s1) return s2 ? posTop : posLeft;
    return s2 ? posRight : posBottom;
  }
  if (AHorizontal) return P.x < vxRangeMiddle(R.left, R.right) ? posLeft : posRight;
  if (AVertical) return P.y < vxRangeMiddle(R.top, R.bottom) ? posTop : posBottom;
  return posNone;
}

bool vxHasChildStyle(HWND AWnd) { return (GetWindowLongW(AWnd, GWL_STYLE) & WS_CHILD) != 0; }

bool vxIsChildOrSelf(HWND AParentWnd, HWND AWnd) {
  return AParentWnd && (AParentWnd == AWnd || IsChild(AParentWnd, AWnd));
}

bool vxIsWindowEnabledWithParents(HWND AWnd) {
  if (!IsWindowEnabled(AWnd)) return false;
  return !vxHasChildStyle(AWnd) || vxIsWindowEnabledWithParents(GetParent(AWnd));
}

bool vxIsPointInDragDetectArea(const POINT& AStart, Integer X, Integer Y) {
  Integer t = Mouse ? Mouse->DragThreshold() : 5;
  return std::abs(X - AStart.x) < t && std::abs(Y - AStart.y) < t;
}

void vxMapPointToWindow(HWND AFrom, HWND ATo, POINT& P) { MapWindowPoints(AFrom, ATo, &P, 1); }

void vxMapRectToWindow(HWND AFrom, HWND ATo, RECT& R) {
  POINT tl{R.left, R.top}, br{R.right, R.bottom};
  vxMapPointToWindow(AFrom, ATo, tl);
  vxMapPointToWindow(AFrom, ATo, br);
  R = RECT{tl.x, tl.y, br.x, br.y};
}

void vxWindowRectOrEmpty(HWND AWnd, RECT& R) {
  if (!GetWindowRect(AWnd, &R)) R = RECT{0, 0, 0, 0};
}

void vxGetControlWindowRect(TWinControl* AControl, RECT& R) {
  if (AControl && AControl->HandleAllocated() && GetWindowRect(AControl->Handle(), &R)) return;
  R = RECT{0, 0, 0, 0};
}

void vxRedrawWinControl(TWinControl* AControl, bool ARedraw, bool ARedrawChildren) {
  if (!AControl || !AControl->HandleAllocated()) return;
  if (AControl->Parent()) AControl->Parent()->Perform(CM_INVALIDATE, 1, 0);
  if (!ARedraw) return;
  InvalidateRect(AControl->Handle(), nullptr, !AControl->ControlStyle().Contains(csOpaque));
  if (!ARedrawChildren) return;
  for (Integer i = 0; i < AControl->ControlCount(); ++i)
    if (auto* child = dynamic_cast<TWinControl*>(AControl->Controls(i)))
      if (!child->ControlStyle().Contains(csOpaque) || child->ControlStyle().Contains(csParentBackground))
        child->Invalidate();
}

// --- Keys and characters ---------------------------------------------------------------------

bool vxIsCtrlDown() { return GetAsyncKeyState(VK_CONTROL) < 0; }

bool vxIsNonControlChar(Char Ch) { return (vdCharTypeFlags(Ch) & C1_CNTRL) == 0; }

bool vxIsEditStartKey(Char Ch) { return vxIsNonControlChar(Ch) || Ch == 8 || Ch == 22 || Ch == 24; }

bool vxIsIncSearchStartKey(Char Ch) { return vxIsNonControlChar(Ch) || Ch == 8; }

bool vxIsNumericEditChar(Char Ch, Integer AKind) {
  if (Ch == L'-' || Ch == L'+' || (vdCharTypeFlags(Ch) & C1_DIGIT) != 0) return true;
  if (AKind >= 1 && Ch == FormatSettings.DecimalSeparator) return true;
  return AKind == 2 && (Ch == L'e' || Ch == L'E');
}

bool vxIsNonCharVirtualKey(Word AKey) {
  if (AKey > 255) return false;
  switch (AKey) {
    case VK_CANCEL: case VK_BACK: case VK_TAB: case VK_CLEAR: case VK_RETURN: case VK_ESCAPE:
    case VK_PROCESSKEY:
      return true;
    default:
      return (AKey >= VK_SHIFT && AKey <= VK_CAPITAL) || (AKey >= VK_PRIOR && AKey <= VK_HELP) ||
             (AKey >= VK_LWIN && AKey <= VK_SCROLL) || (AKey >= VK_LSHIFT && AKey <= VK_RMENU) ||
             (AKey >= VK_ATTN && AKey <= VK_OEM_CLEAR);
  }
}

Word vxShiftToMouseKeys(TShiftState AShift) {
  Word r = 0;
  if (AShift.Contains(ssShift)) r |= MK_SHIFT;
  if (AShift.Contains(ssCtrl)) r |= MK_CONTROL;
  if (AShift.Contains(ssLeft)) r |= MK_LBUTTON;
  if (AShift.Contains(ssRight)) r |= MK_RBUTTON;
  if (AShift.Contains(ssMiddle)) r |= MK_MBUTTON;
  return r;
}

Word vxTranslateVirtualKey(Word AKey) { return AKey; }

String vxStripAccelChars(const String& S, bool AReplaceTrailing) {
  String Result;
  Result.reserve(S.size());
  for (std::size_t i = 0; i < S.size(); ++i) {
    if (S[i] == L'&') {
      if (i + 1 < S.size()) {
        Result += S[++i];
      } else if (AReplaceTrailing) {
        Result += L'_';
      }
    } else {
      Result += S[i];
    }
  }
  return Result;
}

// --- Mouse and cursor ------------------------------------------------------------------------

TvxDragStartResult vxWaitDragStart(HWND AWnd) {
  TvxDragStartResult result = dsrNone;
  POINT start = vxGetMouseCursorPos();
  Integer t = Mouse ? Mouse->DragThreshold() : 5;
  // The left and top edges belong to the square, the right and bottom ones do not.
  RECT square{start.x - t, start.y - t, start.x + t, start.y + t};
  SetCapture(AWnd);
  MSG msg;
  while (GetCapture() == AWnd) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // The application is closing: the quit request stays for the outer loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    bool stop = false;
    switch (msg.message) {
      case WM_KEYDOWN:
      case WM_KEYUP:
        stop = msg.wParam == VK_ESCAPE;
        break;
      case WM_MOUSEMOVE:
        if (msg.hwnd == AWnd) {
          POINT p{static_cast<SmallInt>(LOWORD(msg.lParam)), static_cast<SmallInt>(HIWORD(msg.lParam))};
          ClientToScreen(AWnd, &p);
          if (!PtInRect(&square, p)) {
            result = dsrDrag;
            stop = true;
          }
        }
        break;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
      case WM_MBUTTONUP:
        result = dsrCancelled;
        stop = true;
        break;
      default:
        break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (stop) break;
  }
  if (GetCapture() == AWnd) ReleaseCapture();
  return result;
}

void vxHourglassBegin() {
  if (HourglassCounter == 0 && Screen) {
    HourglassSavedCursor = Screen->Cursor();
    Screen->SetCursor(crHourGlass);
  }
  ++HourglassCounter;
}

void vxHourglassEnd() {
  if (HourglassCounter <= 0) return;
  if (--HourglassCounter == 0 && Screen) Screen->SetCursor(HourglassSavedCursor);
}

// --- Popup menus and hints -------------------------------------------------------------------

Integer vxEstimatePopupMenuHeight(TPopupMenu* AMenu) {
  TvxScreenCanvas* screenCanvas = vxGetScreenCanvas();
  if (!AMenu || !screenCanvas) return 0;
  TCanvas* canvas = screenCanvas->Canvas();
  if (Screen) canvas->Font()->Assign(Screen->MenuFont());
  Integer line = canvas->TextHeight(L"Qg") + 4;
  Integer sum = 0;
  TMenuItem* items = AMenu->Items();
  for (Integer i = 0; i < items->Count(); ++i) {
    TMenuItem* item = items->Items(i);
    if (!item->Visible()) continue;
    Integer h = line;
    if (AMenu->OwnerDraw() || item->GetImageList() || !item->Bitmap()->Empty()) {
      Integer w = 0;
      item->MeasureItem(canvas, w, h);
    }
    sum += h;
  }
  return sum + 4;
}

bool vxPopupMenuIsShortCut(TComponent* AMenu, TWMKey& Message) {
  if (!AMenu) return false;
  if (auto* external = dynamic_cast<IvxExternalPopupMenu*>(AMenu)) return external->IsShortCut(Message);
  if (auto* menu = dynamic_cast<TPopupMenu*>(AMenu))
    if (menu->Handle()) return menu->IsShortCut(Message);
  return false;
}

bool vxShowPopupMenuAt(TWinControl* AControl, TComponent* AMenu, Integer X, Integer Y) {
  if (!AMenu) return false;
  if (auto* external = dynamic_cast<IvxExternalPopupMenu*>(AMenu)) {
    external->Popup(X, Y);
    return true;
  }
  auto* menu = dynamic_cast<TPopupMenu*>(AMenu);
  if (!menu || !menu->AutoPopup()) return false;
  menu->SetPopupComponent(AControl);
  menu->Popup(X, Y);
  return true;
}

namespace {
// The width of the widest line of a text (lines end at CR, LF or CR LF).
Integer WidestLineWidth(TCanvas* ACanvas, const String& S) {
  Integer widest = 0;
  std::size_t start = 0;
  while (start <= S.size()) {
    std::size_t end = S.find_first_of(L"\r\n", start);
    if (end == String::npos) end = S.size();
    widest = std::max<Integer>(widest, ACanvas->TextWidth(S.substr(start, end - start)));
    if (end == S.size()) break;
    start = end + ((S[end] == L'\r' && end + 1 < S.size() && S[end + 1] == L'\n') ? 2 : 1);
  }
  return widest;
}
}  // namespace

bool vxInitHintInfo(THintInfo& AHintInfo, THintWindow*& AHintWindow, TControl* AControl, void* AHintData,
                    RECT& ARect, const String& AHint) {
  AHintInfo = THintInfo{};
  bool canShow = true;
  AHintInfo.HintControl = AControl;
  AHintInfo.HintWindowClass = AHintWindow ? AHintWindow->ClassType() : nullptr;
  AHintInfo.HintPos = POINT{ARect.left, ARect.top};
  AHintInfo.HintMaxWidth = Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
  AHintInfo.HintColor = Application ? Application->HintColor() : clInfoBk;
  AHintInfo.CursorPos = AControl->ScreenToClient(vxGetMouseCursorPos());
  AHintInfo.ReshowTimeout = 0;
  AHintInfo.HideTimeout = Application ? Application->HintHidePause() : 2500;
  AHintInfo.HintStr = AHint;
  AHintInfo.HintData = AHintData;

  // The control's bounds in its own client coordinates.
  RECT cursorRect = AControl->BoundsRect();
  POINT parentOrigin{0, 0};
  if (AControl->Parent()) {
    parentOrigin = AControl->Parent()->ClientOrigin();
  } else if (auto* win = dynamic_cast<TWinControl*>(AControl); win && win->ParentWindow()) {
    ClientToScreen(win->ParentWindow(), &parentOrigin);
  }
  POINT ownOrigin = AControl->ClientOrigin();
  OffsetRect(&cursorRect, parentOrigin.x - ownOrigin.x, parentOrigin.y - ownOrigin.y);
  AHintInfo.CursorRect = cursorRect;

  if (Application && Application->OnShowHint) Application->OnShowHint(AHintInfo.HintStr, canShow, AHintInfo);

  if (canShow && !AHintInfo.HintStr.empty()) {
    TClass cls = AHintInfo.HintWindowClass;
    if (!cls) cls = TApplication::HintWindowClass ? TApplication::HintWindowClass : THintWindow::StaticClass();
    if (!AHintWindow || AHintWindow->ClassType() != cls) {
      delete AHintWindow;
      AHintWindow = nullptr;
      TObject* made = cls->NewInstance(Application);
      AHintWindow = dynamic_cast<THintWindow*>(made);
      if (!AHintWindow) {
        // A class that is no hint window: the platform's own one is used instead.
        delete made;
        AHintWindow = new THintWindow(Application);
      }
      AHintWindow->SetColor(AHintInfo.HintColor);
    }
    ARect = AHintWindow->CalcHintRect(AHintInfo.HintMaxWidth, AHintInfo.HintStr, AHintInfo.HintData);
    OffsetRect(&ARect, AHintInfo.HintPos.x, AHintInfo.HintPos.y);
    if (AHintWindow->IsRightToLeft())
      OffsetRect(&ARect, -(WidestLineWidth(AHintWindow->Canvas(), AHintInfo.HintStr) + 5), 0);
  }
  return canShow;
}

void vxActivateHintWindow(THintWindow* AHintWindow, const RECT& ARect, const String& AHint) {
  AHintWindow->ActivateHint(ARect, AHint);
}

// --- Unit start-up and shut-down -------------------------------------------------------------

namespace {

struct TCursorResource {
  TCursor Number;
  const wchar_t* Name;  // nullptr: the system's hand cursor
};

const TCursorResource CursorResources[] = {
    {crvxDragCopy, L"VX_DRAGCOPYCURSOR"},     {crvxFullScroll, L"VX_FULLSCROLLCURSOR"},
    {crvxHorScroll, L"VX_HORSCROLLCURSOR"},   {crvxVerScroll, L"VX_VERSCROLLCURSOR"},
    {crvxUpScroll, L"VX_UPSCROLLCURSOR"},     {crvxRightScroll, L"VX_RIGHTSCROLLCURSOR"},
    {crvxDownScroll, L"VX_DOWNSCROLLCURSOR"}, {crvxLeftScroll, L"VX_LEFTSCROLLCURSOR"},
    {crvxRemove, L"VX_REMOVECURSOR"},         {crvxVertSize, L"VX_VERTSIZECURSOR"},
    {crvxHorzSize, L"VX_HORZSIZECURSOR"},     {crvxMultiDrag, L"VX_MULTIDRAGCURSOR"},
    {crvxNoDrop, L"VX_NODROPCURSOR"},         {crvxDrag, L"VX_DRAGCURSOR"},
    {crvxHandPoint, nullptr},                 {crvxColorPicker, L"VX_COLORPICKERCURSOR"},
    {crvxMultiDragCopy, L"VX_MULTIDRAGCOPYCURSOR"},
};

void InitControls() {
  Finalizing = false;
  HINSTANCE inst = ThisModule();
  for (const TCursorResource& c : CursorResources) {
    HCURSOR h = c.Name ? LoadCursorW(inst, c.Name) : LoadCursorW(nullptr, IDC_HAND);
    if (Screen) Screen->SetCursors(c.Number, h);
  }
  User32Module = LoadLibraryW(L"USER32");
  RegisteredMessage1 = static_cast<Word>(RegisterWindowMessageW(L"{B2CE3777-44D8-4998-9701-47BBBC10B656}"));
  RegisteredMessage2 = static_cast<Word>(RegisterWindowMessageW(L"{B2CE3777-44D8-1321-4656-12C54AA613BB}"));
  SystemController = std::make_unique<TvxSystemController>();
}

void DoneControls() {
  Finalizing = true;
  SystemController.reset();
  if (MouseTrackingTimerList) {
    if (!MouseTrackingTimerList->empty()) {
      // A control left its tracking running. Raising here would end the program while
      // it shuts down: the error is reported and the timers are freed.
      ReportUnitError(EvdException(L"MouseTrackingTimerList.Count <> 0"));
      std::vector<TMouseTrackingTimer*> leftover = std::move(*MouseTrackingTimerList);
      MouseTrackingTimerList->clear();
      for (TMouseTrackingTimer* t : leftover) delete t;
    }
    MouseTrackingTimerList.reset();
  }
  if (User32Loaded()) FreeLibrary(User32Module);
  User32Module = nullptr;
  SettingsController.reset();
  TimerWindow.reset();
  TimerList.reset();
  MessageWindow.reset();
}

}  // namespace

const TUnitInfo vxControlsUnit = {L"vxControls", InitControls, DoneControls};
