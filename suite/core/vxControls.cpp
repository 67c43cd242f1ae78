#include "vxControls.h"

#include <algorithm>
#include <cstdlib>

#include "Classes.h"
#include "vxBitmaps.h"
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

void TMouseTrackingTimer::DoTimer() {
  // A timer unlisted during its own tick is freed once the tick is over; nothing of it is
  // touched after that.
  FInTick = true;
  TScopeExit tickOver([this] {
    FInTick = false;
    if (FFreeAfterTick) delete this;
  });
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
  TScopeExit endTracking([this] {
    UnlistTrackingTimer(this);
    FFreeAfterTick = true;
  });
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

void TvxSettingsController::AddListener(TvxControl* AListener) {
  if (std::find(FList.begin(), FList.end(), AListener) != FList.end()) return;
  if (FList.empty())
    FWindow = AllocateHiddenWindow(SettingsWindowClassName, MessageMapWndProc<TvxSettingsController>, this);
  FList.push_back(AListener);
}

void TvxSettingsController::RemoveListener(TvxControl* AListener) {
  auto it = std::find(FList.begin(), FList.end(), AListener);
  if (it == FList.end()) return;
  FList.erase(it);
  if (FList.empty()) DeallocateHiddenWindow(FWindow);
}

void TvxSettingsController::NotifyListeners() {
  std::vector<TvxControl*> list = FList;
  for (TvxControl* c : list)
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

// --- Custom-drawn control ----------------------------------------------------------------------

IvxSpellCheckerService* vxSpellCheckerService = nullptr;
TDragObject* vxDragObject = nullptr;

namespace {

using TObjectLinkScope = TvxObjectLinkScope;

bool RectIsEmpty(const TRect& R) { return R.right <= R.left || R.bottom <= R.top; }

TvxDragImageList* CreateDefaultDragImageList() { return new TvxDragImageList(nullptr); }

}  // namespace

bool TvxControl::IsCopyDragDrop() { return vxIsCtrlDown(); }

// --- TvxControlScrollBar ---

TvxControlScrollBar::TvxControlScrollBar(TComponent* AOwner) : TvxScrollBar(AOwner) {
  SetColor(clBtnFace);
  ControlStyle().Exclude(csFramed);
  ControlStyle().Include(csNoDesignVisible);
  SetTabStop(false);
  SetVisible(false);
}

TvxControlScrollBar::~TvxControlScrollBar() { vxClearObjectLinks(this); }

const TMessageMap* TvxControlScrollBar::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_DESIGNHITTEST, MessageHandler<&TvxControlScrollBar::CMDesignHitTest>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxControlScrollBar::CMDesignHitTest(TMessage& Message) { Message.Result = 1; }

void TvxControlScrollBar::WndProc(TMessage& Message) {
  TObjectLinkScope link(this);
  if (Message.Msg == WM_LBUTTONDOWN) FocusParent();
  if (link.Alive()) inherited::WndProc(Message);
}

void TvxControlScrollBar::FocusParent() {
  TWinControl* p = Parent();
  if (!p) return;
  if (auto* c = dynamic_cast<TvxControl*>(p)) {
    if (c->CanFocusOnScrollBarClick()) c->SetFocus();
  } else if (p->CanFocus()) {
    p->SetFocus();
  }
}

void TvxControlScrollBar::ApplyData() {
  if (Data.Visible) {
    SetScrollParams(Data.Min, Data.Max, Data.Position, Data.PageSize, true);
    SetSmallChange(Data.SmallChange);
    SetLargeChange(Data.LargeChange);
  }
  SetEnabled(Data.Enabled);
  if (Data.Visible != Visible()) SetVisibleAtOnce(Data.Visible);
}

void TvxControlScrollBar::SetVisibleAtOnce(bool Value) {
  // Before the bar has its parent it has no window to show or hide: the flag is all.
  if (!Parent()) {
    FVisible = Value;
    return;
  }
  TControl::SetVisible(Value);
  if (Parent()->HandleAllocated()) Perform(CM_SHOWINGCHANGED, 0, 0);
}

void TvxSizeGrip::SetVisibleAtOnce(bool Value) {
  if (!Parent()) {
    FVisible = Value;
    return;
  }
  TControl::SetVisible(Value);
  if (Parent()->HandleAllocated()) Perform(CM_SHOWINGCHANGED, 0, 0);
}

// --- TvxSizeGrip ---

TvxSizeGrip::TvxSizeGrip(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clBtnFace);
  ControlStyle().Include(csNoDesignVisible);
  FLookAndFeel = std::make_unique<TvxLookAndFeel>(this);
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel*, TvxLookAndFeelValues) { Invalidate(); };
}

TvxSizeGrip::~TvxSizeGrip() { FLookAndFeel.reset(); }

const TMessageMap* TvxSizeGrip::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ERASEBKGND, MessageHandler<&TvxSizeGrip::WMEraseBkgnd>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxSizeGrip::Paint() {
  TCanvas* c = TCustomControl::Canvas();
  c->Brush()->SetColor(FLookAndFeel->Painter()->DefaultSizeGripAreaColor());
  RECT r = ClientRect();
  c->FillRect(r);
}

void TvxSizeGrip::WMEraseBkgnd(TWMEraseBkgnd& Message) { Message.Result = 1; }

// --- TvxControlChildComponent ---

TvxControlChildComponent::TvxControlChildComponent(TComponent* AOwner) : TvxComponent(AOwner) { Initialize(); }

TvxControlChildComponent::TvxControlChildComponent(TvxControl* AControl, bool AAssignOwner)
    : TvxComponent(AAssignOwner && AControl ? AControl->Owner() : nullptr) {
  Initialize();
  SetControl(AControl);
}

TvxControlChildComponent::~TvxControlChildComponent() {
  if (FControl) FControl->RemoveChildComponent(this);
}

void TvxControlChildComponent::SetParentComponent(TComponent* Value) {
  inherited::SetParentComponent(Value);
  if (auto* c = dynamic_cast<TvxControl*>(Value)) c->AddChildComponent(this);
}

TComponent* TvxControlChildComponent::GetParentComponent() const { return FControl; }

// --- TvxControl ---

TvxControl::TvxControl(TComponent* AOwner) : TCustomControl(AOwner) {
  if (HasDragImages()) ControlStyle().Include(csDisplayDragImage);
  FvxCanvas = std::make_unique<TvxCanvas>(TCustomControl::Canvas());
  FDefaultCursor = Cursor();
  FFocusOnClick = true;
  FLookAndFeel = std::make_unique<TvxLookAndFeel>(this);
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel* Sender, TvxLookAndFeelValues V) {
    LookAndFeelChangedHandler(Sender, V);
  };
  FScrollBars = ssBoth;
  // The scroll bars are not made here: while this constructor runs, HasScrollBars answers
  // for this base class only, so every descendant would get bars and a size grip it may
  // never show. They are made when first needed: window creation, or scroll-bar data set
  // or updated before the window exists.
  SetTabStop(MayFocus());
  FLastParentBackground = true;
  ControlStyle().Include(csParentBackground);
  if (TvdResourceStringsRepository* r = vdGetResourceStringsRepository()) r->AddListener(this);
}

TvxControl::~TvxControl() {
  if (TvdResourceStringsRepository* r = vdGetResourceStringsRepository()) r->RemoveListener(this);
  // A drag of this control ends here; its handler does not run for a control going away.
  if (Dragging()) {
    OnEndDrag = nullptr;
    EndDrag(false);
  }
  FDragAndDropObject.reset();
  DestroyScrollBars();
  FFontListenerList.clear();
  FDragImages.reset();
  FActiveCanvas.reset();
  FvxCanvas.reset();
  FLookAndFeel.reset();
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  vxClearObjectLinks(this);
}

const TMessageMap* TvxControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_PAINT, MessageHandler<&TvxControl::WMPaint>},
      {WM_ERASEBKGND, MessageHandler<&TvxControl::WMEraseBkgnd>},
      {WM_CANCELMODE, MessageHandler<&TvxControl::WMCancelMode>},
      {WM_SETCURSOR, MessageHandler<&TvxControl::WMSetCursor>},
      {WM_GETDLGCODE, MessageHandler<&TvxControl::WMGetDlgCode>},
      {WM_CONTEXTMENU, MessageHandler<&TvxControl::WMContextMenu>},
      {WM_NCCALCSIZE, MessageHandler<&TvxControl::WMNCCalcSize>},
      {VXM_SCROLLBARMETRICSCHANGED, MessageHandler<&TvxControl::VXMScrollBarMetricsChanged>},
      {CN_KEYDOWN, MessageHandler<&TvxControl::CNKeyDown>},
      {CN_SYSKEYDOWN, MessageHandler<&TvxControl::CNSysKeyDown>},
      {CM_INVALIDATE, MessageHandler<&TvxControl::CMInvalidate>},
      {CM_DESIGNHITTEST, MessageHandler<&TvxControl::CMDesignHitTest>},
      {CM_CURSORCHANGED, MessageHandler<&TvxControl::CMCursorChanged>},
      {CM_FONTCHANGED, MessageHandler<&TvxControl::CMFontChanged>},
      {CM_COLORCHANGED, MessageHandler<&TvxControl::CMColorChanged>},
      {CM_TEXTCHANGED, MessageHandler<&TvxControl::CMTextChanged>},
      {CM_VISIBLECHANGED, MessageHandler<&TvxControl::CMVisibleChanged>},
      {CM_MOUSEENTER, MessageHandler<&TvxControl::CMMouseEnter>},
      {CM_MOUSELEAVE, MessageHandler<&TvxControl::CMMouseLeave>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxCanvas* TvxControl::ActiveCanvas() {
  if (HandleAllocated()) {
    FActiveCanvas.reset();
    return FvxCanvas.get();
  }
  if (!FActiveCanvas) FActiveCanvas = std::make_unique<TvxScreenCanvas>();
  return FActiveCanvas.get();
}

TRect TvxControl::Bounds() {
  if (!RectIsEmpty(FBounds)) return FBounds;
  if (HandleAllocated()) return ClientRect();
  return TRect{0, 0, Width(), Height()};
}

TRect TvxControl::ClientBounds() {
  TRect r = Bounds();
  Integer b = GetBorderSize();
  InflateRect(&r, -b, -b);
  if (HScrollBarVisible()) r.bottom -= FHScrollBar->Height();
  if (VScrollBarVisible()) r.right -= FVScrollBar->Width();
  return r;
}

TvxDragAndDropObjectClass TvxControl::DragAndDropObjectClass() {
  return FDragAndDropObjectClass ? FDragAndDropObjectClass : &TvxDragAndDropObject::CreateInstance;
}

TvxDragAndDropObject* TvxControl::DragAndDropObject() {
  if (!FDragAndDropObject) FDragAndDropObject.reset(DragAndDropObjectClass()(this));
  return FDragAndDropObject.get();
}

void TvxControl::SetDragAndDropState(TvxDragAndDropState Value) {
  if (FDragAndDropState == Value) return;
  FDragAndDropState = Value;
  if (Value == ddsNone && !FFinishingDragAndDrop) CancelMouseState();
}

void TvxControl::SetMouseCaptureObject(TObject* Value) {
  if (FMouseCaptureObject == Value) return;
  if (auto* n = dynamic_cast<IvxMouseCaptureNotify*>(FMouseCaptureObject)) n->DoCancelMode();
  FMouseCaptureObject = Value;
  bool had = MouseCapture();
  SetMouseCapture(Value != nullptr);
  if (had && !MouseCapture() && FDragAndDropState == ddsStarting) Perform(WM_CANCELMODE, 0, 0);
}

void TvxControl::SetBorderStyle(TvxControlBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  BoundsChanged();
}

void TvxControl::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  BoundsChanged();
}

void TvxControl::SetPopupMenuComponent(TComponent* Value) {
  if (Value && !dynamic_cast<TPopupMenu*>(Value) && !dynamic_cast<IvxExternalPopupMenu*>(Value)) Value = nullptr;
  if (FPopupMenu == Value) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (FPopupMenu) FPopupMenu->FreeNotification(this);
}

void TvxControl::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TvxControl::InvalidateRect(const TRect& R, bool EraseBackground) {
  if (HandleAllocated()) ::InvalidateRect(Handle(), &R, EraseBackground);
}

void TvxControl::InvalidateRgn(TvxRegion* ARegion, bool EraseBackground) {
  if (HandleAllocated() && ARegion && !ARegion->IsEmpty()) ::InvalidateRgn(Handle(), ARegion->Handle(), EraseBackground);
}

void TvxControl::InvalidateWithChildren() {
  if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_NOERASE);
}

void TvxControl::UpdateWithChildren() {
  if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TvxControl::PostMouseMove(const TPoint& AMousePos) {
  if (HandleAllocated())
    PostMessageW(Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<Word>(AMousePos.x), static_cast<Word>(AMousePos.y)));
}

void TvxControl::PostMouseMove() { PostMouseMove(ScreenToClient(vxGetMouseCursorPos())); }

bool TvxControl::IsMouseInPressedArea(Integer X, Integer Y) { return vxIsPointInDragDetectArea(FMouseDownPos, X, Y); }

void TvxControl::AddFontListener(IvxFontListener* AListener) {
  if (std::find(FFontListenerList.begin(), FFontListenerList.end(), AListener) == FFontListenerList.end())
    FFontListenerList.push_back(AListener);
}

void TvxControl::RemoveFontListener(IvxFontListener* AListener) {
  FFontListenerList.erase(std::remove(FFontListenerList.begin(), FFontListenerList.end(), AListener),
                          FFontListenerList.end());
}

bool TvxControl::ShowPopupMenu(TComponent* APopupMenu, Integer X, Integer Y) {
  return vxShowPopupMenuAt(this, APopupMenu, X, Y);
}

void TvxControl::DesignerModified() {
  // No designer runs in this program: the notification has no receiver.
}

void TvxControl::BeforeMouseDown(TMouseButton Button, Integer X, Integer Y) {
  if (DragMode() == dmAutomatic && Button == mbLeft && MouseCapture() &&
      (CanDragAtDesignTime(X, Y, {}) || !IsDesigning()) && CanDrag(X, Y) &&
      vxWaitDragStart(Handle()) == dsrDrag)
    BeginDrag(true, -1);
  if (Button == mbMiddle) RunContentScrolling();
}

void TvxControl::CompleteMouseAction() {
  FinishDragAndDrop(true);
  SetMouseCaptureObject(nullptr);
}

Integer TvxControl::GetBorderSize() { return FBorderStyle == vxcbsNone ? 0 : LookAndFeelPainter()->BorderSize(); }

bool TvxControl::CanFocusOnClick() { return !IsDesigning() && FFocusOnClick && MayFocus() && CanFocus(); }

bool TvxControl::IsInternalControl(TControl* AControl) {
  return AControl && (AControl == FHScrollBar || AControl == FVScrollBar || AControl == FSizeGrip);
}

TvxCustomLookAndFeelPainterClass TvxControl::LookAndFeelPainter() { return FLookAndFeel->Painter(); }

TvxDragImageListClass TvxControl::GetDragImagesClass() { return &CreateDefaultDragImageList; }

bool TvxControl::CanFocusEx() {
  if (!CanFocus()) return false;
  TCustomForm* f = GetParentForm(this);
  return !f || (f->CanFocus() && f->Enabled() && f->Visible());
}

bool TvxControl::AcceptMousePosForClick(Integer X, Integer Y) {
  return DragMode() == dmManual || IsMouseInPressedArea(X, Y);
}

void TvxControl::AddChildComponent(TvxControlChildComponent* AComponent) { AComponent->SetControl(this); }
void TvxControl::RemoveChildComponent(TvxControlChildComponent* AComponent) { AComponent->SetControl(nullptr); }

void TvxControl::CancelMouseState() {
  FMouseButtonPressed = false;
  SetMouseCaptureObject(nullptr);
}

bool TvxControl::IsDesignHitTestPoint(Integer, Integer, TShiftState) {
  return FDragAndDropState != ddsNone || FMouseButtonPressed;
}

void TvxControl::MouseEnter(TControl*) {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TvxControl::MouseLeave(TControl*) {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TvxControl::BoundsChanged() {
  UpdateScrollBars();
  if (NeedsFullRedraw()) Invalidate();
}

void TvxControl::FocusChanged() {
  if (OnFocusChanged) OnFocusChanged(this);
}

void TvxControl::FontChanged() {
  std::vector<IvxFontListener*> list = FFontListenerList;
  for (IvxFontListener* l : list) l->Changed(this, Font());
  Invalidate();
}

void TvxControl::Resize() {
  inherited::Resize();
  BoundsChanged();
}

// Painting.

void TvxControl::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
}

void TvxControl::CreateWnd() {
  TValueScope<bool> creating(FCreatingWindow, true);
  inherited::CreateWnd();
  UpdateScrollBarObjects();
  InitScrollBars();
}

void TvxControl::DestroyWindowHandle() {
  ControlState().Exclude(csClicked);
  inherited::DestroyWindowHandle();
}

void TvxControl::Paint() {
  if (FBorderStyle == vxcbsDefault) {
    TRect r = Bounds();
    LookAndFeelPainter()->DrawBorder(FvxCanvas.get(), r);
    FvxCanvas->IntersectClipRect(ClientBounds());
  }
  inherited::Paint();
  RefreshScrollBarsShowing();
}

void TvxControl::WMPaint(TWMPaint& Message) {
  if (vdOSWin7 && Message.DC() == nullptr && !DoubleBuffered()) {
    // Painted into a bitmap first and copied in one go, so the window never shows a
    // half-drawn state.
    RECT client = ClientRect();
    TvxBitmap bitmap(client.right, client.bottom);
    TCanvas* bc = bitmap.Canvas();
    bc->Lock();
    Message.M.WParam = reinterpret_cast<WPARAM>(bc->Handle());
    WMPaint(Message);  // now with a DC: the ordinary path below
    Message.M.WParam = 0;
    bc->Unlock();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    BitBlt(dc, 0, 0, client.right, client.bottom, bc->Handle(), 0, 0, SRCCOPY);
    EndPaint(Handle(), &ps);
    return;
  }
  HideDragImage();
  InheritedMessage(Message);
  ShowDragImage();
}

void TvxControl::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  if (NeedsEraseBackground())
    InheritedMessage(Message);
  else
    Message.Result = 0;
}

void TvxControl::CMInvalidate(TCMInvalidate& Message) {
  if (HandleAllocated() && !IsDestroying()) vxRedrawWinControl(this, Message.M.WParam == 0, NeedsFullRedraw());
}

// Window procedure.

void TvxControl::WndProc(TMessage& Message) {
  TObjectLinkScope link(this);
  bool routed = false;
  if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) && !Dragging()) {
    TWMMouse m(Message);
    // A press over a graphic child stays that child's.
    if (((IsDesigning() && IsDesignHitTestPoint(m.XPos(), m.YPos(), {ssLeft})) ||
         (!IsDesigning() && DragMode() == dmAutomatic)) &&
        !ControlAtPos(m.Pos(), false)) {
      ControlState().Include(csLButtonDown);
      Dispatch(Message);
      if (link.Alive()) ControlState().Exclude(csLButtonDown);
      routed = true;
    }
  }
  if (!routed) {
    if (Message.Msg == WM_RBUTTONUP) FMouseRightButtonReleased = true;
    inherited::WndProc(Message);
  }
  if (!link.Alive() || IsDestroying()) return;
  switch (Message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      FocusChanged();
      break;
    case WM_PAINT: {
      bool pb = ControlStyle().Contains(csParentBackground);
      if (pb != FLastParentBackground) {
        FLastParentBackground = pb;
        ParentBackgroundChanged();
      }
      break;
    }
    case WM_RBUTTONUP:
      FMouseRightButtonReleased = false;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      TMouseButton b = Message.Msg == WM_LBUTTONDOWN ? mbLeft : Message.Msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
      TWMMouse m(Message);
      TPoint p = m.Pos();
      if (Width() > 0x8000 || Height() > 0x8000) p = ScreenToClient(vxGetMouseCursorPos());
      BeforeMouseDown(b, p.x, p.y);
      break;
    }
    default:
      break;
  }
}

// Mouse.

void TvxControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TObjectLinkScope link(this);
  TScopeExit mark([this, &link] {
    if (link.Alive() && MouseCapture()) FMouseButtonPressed = true;
  });
  FMouseDownPos = TPoint{X, Y};
  if (CanFocusOnClickAt(X, Y) && !Shift.Contains(ssDouble)) {
    RECT before = BoundsRect();
    SetFocus();
    if (!link.Alive()) return;
    if (TCustomForm* f = GetParentForm(this))
      if (f->ActiveControl() == this && !Focused()) ::SetFocus(Handle());
    if (!Focused() && !CanMouseDownWithoutFocus()) {
      SetMouseCapture(false);
      return;
    }
    if (CorrectMouseDownPosOnFocus()) {
      X += before.left - Left();
      Y += before.top - Top();
    }
  }
  if (Button == mbLeft && !Shift.Contains(ssDouble) && CanStartDragAndDrop(TPoint{X, Y})) {
    if (DragAndDropObject()->ImmediateStart())
      BeginDragAndDrop();
    else
      SetDragAndDropState(ddsStarting);
  } else {
    FinishDragAndDrop(false);
  }
  if (!link.Alive()) return;
  InternalMouseDown(Button, Shift, X, Y);
  if (!link.Alive()) return;
  inherited::MouseDown(Button, Shift, X, Y);
}

void TvxControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TCursor saved = FDefaultCursor;
  SetCursor(GetCursorAt(X, Y));
  FDefaultCursor = saved;
  inherited::MouseMove(Shift, X, Y);
  if (FDragAndDropState == ddsStarting && !IsMouseInPressedArea(X, Y)) BeginDragAndDrop();
  if (FDragAndDropState == ddsInProcess) {
    bool accepted = false;
    DragAndDrop(TPoint{X, Y}, accepted);
  }
}

void TvxControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FMouseButtonPressed = false;
  CompleteMouseAction();
  inherited::MouseUp(Button, Shift, X, Y);
}

void TvxControl::WMCancelMode(TWMNoParams& Message) {
  InheritedMessage(Message);
  FinishDragAndDrop(false);
  CancelMouseState();
}

void TvxControl::WMSetCursor(TWMSetCursor& Message) {
  if (IsDesigning() && FDragAndDropState == ddsNone) {
    TPoint p = ScreenToClient(vxGetMouseCursorPos());
    if (IsDesignHitTestPoint(p.x, p.y, {ssLeft})) {
      if (Screen) ::SetCursor(Screen->Cursors(GetCursorAt(p.x, p.y)));
      Message.Result = 1;
      return;
    }
  }
  InheritedMessage(Message);
}

void TvxControl::CMDesignHitTest(TMessage& Message) {
  InheritedMessage(Message);
  if (Message.Result == 0) {
    TWMMouse m(Message);
    Message.Result = IsDesignHitTestPoint(m.XPos(), m.YPos(), KeysToShiftState(Message.WParam)) ? 1 : 0;
  }
}

void TvxControl::CMCursorChanged(TCMNoParams& Message) {
  CursorChanged();
  InheritedMessage(Message);
}

// Keyboard.

void TvxControl::WMGetDlgCode(TWMGetDlgCode& Message) {
  LRESULT r = 0;
  if (FKeys.Contains(kAll)) r |= DLGC_WANTALLKEYS;
  if (FKeys.Contains(kArrows)) r |= DLGC_WANTARROWS;
  if (FKeys.Contains(kChars)) r |= DLGC_WANTCHARS;
  if (FKeys.Contains(kTab) && !vxIsCtrlDown()) r |= DLGC_WANTTAB;
  Message.Result = r;
}

bool TvxControl::IsPopupMenuShortCut(TWMKey& Message) {
  if (IsDesigning()) return false;
  for (TWinControl* c = this; c; c = c->Parent())
    if (auto* vc = dynamic_cast<TvxControl*>(c))
      if (vc->FPopupMenu && vxPopupMenuIsShortCut(vc->FPopupMenu, Message)) return true;
  return false;
}

void TvxControl::CNKeyDown(TWMKey& Message) {
  if (IsPopupMenuShortCut(Message)) {
    Message.Result = 1;
    return;
  }
  if (FDragAndDropState != ddsNone) {
    // Any key ends the suite's drag as not accepted, and is used up.
    FinishDragAndDrop(false);
    Message.Result = 1;
    return;
  }
  InheritedMessage(Message);
}

void TvxControl::CNSysKeyDown(TWMKey& Message) {
  if (IsPopupMenuShortCut(Message))
    Message.Result = 1;
  else
    InheritedMessage(Message);
}

// Context menu.

void TvxControl::WMContextMenu(TWMContextMenu& Message) {
  if (Message.Result != 0) return;
  if (!IsDesigning()) {
    TPoint p = Message.Pos();
    if (!(p.x == -1 && p.y == -1)) {
      p = ScreenToClient(p);
      RECT client = ClientRect();
      if (!PtInRect(&client, p)) {
        InheritedMessage(Message);
        return;
      }
    }
    bool handled = false;
    DoContextPopup(p, handled);
    Message.Result = handled ? 1 : 0;
    if (handled) return;
  }
  InheritedMessage(Message);
}

void TvxControl::DoContextPopup(POINT MousePos, bool& Handled) {
  TControl::DoContextPopup(MousePos, Handled);
  if (Handled) return;
  if (MousePos.x == -1 && MousePos.y == -1) MousePos = POINT{0, 0};
  TPoint p = ClientToScreen(MousePos);
  Handled = (vxSpellCheckerService && vxSpellCheckerService->QueryPopup(FPopupMenu, p)) ||
            ShowPopupMenu(FPopupMenu, p.x, p.y);
}

TPopupMenu* TvxControl::GetPopupMenu() { return dynamic_cast<TPopupMenu*>(FPopupMenu); }

// Look and feel and component messages.

void TvxControl::LookAndFeelChangedHandler(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  if (IsDestroying() || (Application && Application->ComponentState().Contains(csDestroying))) return;
  LookAndFeelChanged(Sender, AChangedValues);
}

void TvxControl::CMFontChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  FontChanged();
}

void TvxControl::CMColorChanged(TCMNoParams& Message) {
  ColorChanged();
  InheritedMessage(Message);
}

void TvxControl::CMTextChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  TextChanged();
}

void TvxControl::CMVisibleChanged(TCMVisibleChanged& Message) {
  InheritedMessage(Message);
  VisibleChanged();
}

void TvxControl::CMMouseEnter(TCMMouseEnterLeave& Message) {
  InheritedMessage(Message);
  MouseEnter(Message.Control() ? Message.Control() : this);
}

void TvxControl::CMMouseLeave(TCMMouseEnterLeave& Message) {
  InheritedMessage(Message);
  MouseLeave(Message.Control() ? Message.Control() : this);
}

// --- Scrolling ---

void TvxControl::CreateScrollBars() {
  if (!HasScrollBars() || FSizeGrip) return;
  auto bind = [this](TvxControlScrollBar* b) {
    b->OnScroll = [this](TObject* Sender, TScrollCode Code, Integer& Pos) { ScrollBarScroll(Sender, Code, Pos); };
    b->LookAndFeel()->SetMasterLookAndFeel(FLookAndFeel.get());
    b->ControlStyle().Include(csReplicatable);
  };
  FHScrollBar = new TvxControlScrollBar(nullptr);
  FHScrollBar->SetKind(sbHorizontal);
  bind(FHScrollBar);
  FVScrollBar = new TvxControlScrollBar(nullptr);
  FVScrollBar->SetKind(sbVertical);
  bind(FVScrollBar);
  FSizeGrip = new TvxSizeGrip(nullptr);
  FSizeGrip->LookAndFeel()->SetMasterLookAndFeel(FLookAndFeel.get());
  FSizeGrip->ControlStyle().Include(csReplicatable);
  if (TvxSettingsController* c = vxSettingsController()) c->AddListener(this);
}

void TvxControl::DestroyScrollBars() {
  if (!FSizeGrip) return;
  if (TvxSettingsController* c = vxSettingsController()) c->RemoveListener(this);
  // The bars are freed here even while the control is destroyed: their scroll events
  // point at the control.
  delete FSizeGrip;
  FSizeGrip = nullptr;
  delete FVScrollBar;
  FVScrollBar = nullptr;
  delete FHScrollBar;
  FHScrollBar = nullptr;
}

void TvxControl::ScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos) {
  Scroll(static_cast<TvxScrollBar*>(Sender)->Kind(), ScrollCode, ScrollPos);
}

bool TvxControl::NeedsScrollBars() {
  return HasScrollBars() && !ComponentState().Contains(csDestroying);
}

void TvxControl::UpdateScrollBarObjects() {
  if (NeedsScrollBars()) {
    CreateScrollBars();
    if (HandleAllocated()) InitScrollBars();
  } else {
    DestroyScrollBars();
  }
}

void TvxControl::InitScrollBars() {
  if (!HasScrollBars() || !FSizeGrip) return;
  FHScrollBar->SetParent(this);
  FVScrollBar->SetParent(this);
  FSizeGrip->SetParent(this);
}

Integer TvxControl::GetMouseWheelScrollingKind() { return VScrollBarVisible() ? 2 : 0; }

void TvxControl::GetHScrollBarBounds(TRect& R) {
  R = ClientBounds();
  R.top = R.bottom;
  R.bottom += FHScrollBar->Height();
}

void TvxControl::GetVScrollBarBounds(TRect& R) {
  R = ClientBounds();
  R.left = R.right;
  R.right += FVScrollBar->Width();
}

void TvxControl::GetSizeGripBounds(TRect& R) {
  R = TRect{FVScrollBar->Left(), FHScrollBar->Top(), FVScrollBar->Left() + FVScrollBar->Width(),
            FHScrollBar->Top() + FHScrollBar->Height()};
}

void TvxControl::SetScrollBarsBounds() {
  TRect r;
  if (FHScrollBar->Visible()) {
    GetHScrollBarBounds(r);
    FHScrollBar->SetBoundsRect(r);
  }
  if (FVScrollBar->Visible()) {
    GetVScrollBarBounds(r);
    FVScrollBar->SetBoundsRect(r);
  }
  if (FSizeGrip->Visible()) {
    GetSizeGripBounds(r);
    FSizeGrip->SetBoundsRect(r);
  }
}

void TvxControl::RefreshScrollBarsShowing() {
  if (!HasScrollBars() || !FSizeGrip) return;
  if (FHScrollBar->Visible()) FHScrollBar->UpdateControlState();
  if (FVScrollBar->Visible()) FVScrollBar->UpdateControlState();
  if (FSizeGrip->Visible()) FSizeGrip->UpdateControlState();
}

namespace {
// Whether the parent's children end with Order, last on top, both in its control list
// and among the child windows that exist: the order BringToFront of each in turn gives.
bool ChildrenEndWith(TWinControl* AParent, TWinControl* const (&Order)[3]) {
  const Integer n = AParent->ControlCount();
  if (n < 3) return false;
  for (Integer i = 0; i < 3; ++i)
    if (AParent->Controls(n - 3 + i) != Order[i]) return false;
  if (!AParent->HandleAllocated()) return true;
  HWND w = GetWindow(AParent->Handle(), GW_CHILD);
  for (Integer i = 2; i >= 0; --i) {
    if (!Order[i]->HandleAllocated()) continue;
    if (w != Order[i]->Handle()) return false;
    w = GetWindow(w, GW_HWNDNEXT);
  }
  return true;
}
}  // namespace

void TvxControl::BringScrollBarsToFront() {
  // Until the window exists the bars have no parent to be ordered in.
  if (FSizeGrip->Parent() != this) return;
  // Each move to the top costs the windows a round of position messages: moved only when
  // a child came above the bars, in the list or among the windows.
  if (ChildrenEndWith(this, {FHScrollBar, FVScrollBar, FSizeGrip})) return;
  FHScrollBar->BringToFront();
  FVScrollBar->BringToFront();
  FSizeGrip->BringToFront();
}

bool TvxControl::HScrollBarVisible() {
  if (!HasScrollBars() || !FHScrollBar) return false;
  return FCalculatingScrollBarsParams ? FHScrollBar->Data.Visible : FHScrollBar->Visible();
}

bool TvxControl::VScrollBarVisible() {
  if (!HasScrollBars() || !FVScrollBar) return false;
  return FCalculatingScrollBarsParams ? FVScrollBar->Data.Visible : FVScrollBar->Visible();
}

void TvxControl::SetScrollBarInfo(TScrollBarKind AScrollBarKind, Integer AMin, Integer AMax, Integer AStep,
                                  Integer APage, Integer APos, bool AAllowShow, bool AAllowHide) {
  if (!FSizeGrip && NeedsScrollBars()) CreateScrollBars();
  TvxControlScrollBar* bar = AScrollBarKind == sbHorizontal ? FHScrollBar : FVScrollBar;
  if (!bar) return;
  TvxScrollBarData d = bar->Data;
  const bool kindAllowed = AScrollBarKind == sbHorizontal ? (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
                                                          : (FScrollBars == ssVertical || FScrollBars == ssBoth);
  d.AllowShow = AAllowShow && kindAllowed;
  d.AllowHide = AAllowHide;
  d.Visible = false;
  if (d.AllowShow) {
    // A page covering the whole range (or more), an inverted range or a position
    // before the range cannot be scrolled; the bar's parameter check would refuse it.
    const bool unusable = AMin > AMax || static_cast<int64_t>(APage) >= static_cast<int64_t>(AMax) - AMin + 1 ||
                          APos < AMin || APage < 0;
    if (unusable) {
      if (!d.AllowHide) {
        d.Visible = true;
        d.Enabled = false;
      }
    } else {
      d.Min = AMin;
      d.Max = AMax;
      d.Position = APos;
      d.PageSize = APage;
      d.SmallChange = static_cast<TScrollBarInc>(AStep);
      d.LargeChange = static_cast<TScrollBarInc>(APage);
      d.Enabled = true;
      d.Visible = true;
    }
  }
  bar->Data = d;
}

void TvxControl::LockScrollBars() {
  if (FScrollBarsLockCount++ == 0) FScrollBarsUpdateNeeded = false;
}

void TvxControl::UnlockScrollBars() {
  if (FScrollBarsLockCount == 0) return;
  if (--FScrollBarsLockCount == 0 && FScrollBarsUpdateNeeded) UpdateScrollBars();
}

void TvxControl::UpdateScrollBars() {
  if (!FSizeGrip && NeedsScrollBars()) CreateScrollBars();
  if (!HasScrollBars() || !FSizeGrip) return;
  if (FScrollBarsLockCount > 0) {
    FScrollBarsUpdateNeeded = true;
    return;
  }
  if (!FUpdatingScrollBars) {
    FInitialHScrollBarVisible = FHScrollBar->Visible();
    FInitialVScrollBarVisible = FVScrollBar->Visible();
  }
  const bool wasUpdating = FUpdatingScrollBars;
  TScopeExit restore([this, wasUpdating] {
    if (!wasUpdating) FIsInitialScrollBarsParams = false;
    FUpdatingScrollBars = wasUpdating;
  });
  FUpdatingScrollBars = true;
  const bool hBefore = FHScrollBar->Visible(), vBefore = FVScrollBar->Visible();
  if (!FIsInitialScrollBarsParams) {
    if (!FCalculatingScrollBarsParams) {
      TValueScope<bool> calculating(FCalculatingScrollBarsParams, true);
      FHScrollBar->Data.Visible = false;
      FVScrollBar->Data.Visible = false;
      // Repeated until a pass leaves both pending visibilities as they were. Content
      // whose need for a bar flips with that bar's own thickness would make the passes
      // alternate forever: on coming back to the state of two passes before, the bar
      // that flips stays shown, disabled.
      bool h = false, v = false, h2 = false, v2 = false;
      for (int pass = 0;; ++pass) {
        h2 = h;
        v2 = v;
        h = HScrollBarVisible();
        v = VScrollBarVisible();
        InitScrollBarsParameters();
        if (h == HScrollBarVisible() && v == VScrollBarVisible()) break;
        if (pass >= 1 && HScrollBarVisible() == h2 && VScrollBarVisible() == v2) {
          for (TvxControlScrollBar* b : {FHScrollBar, FVScrollBar}) {
            bool before = b == FHScrollBar ? h : v;
            if (b->Data.Visible != before) {
              b->Data.Visible = true;
              b->Data.Enabled = false;
            }
          }
          break;
        }
      }
      TvxScrollBarData& hd = FHScrollBar->Data;
      TvxScrollBarData& vd = FVScrollBar->Data;
      if (hd.Visible && hd.Enabled && hd.AllowHide && vd.Visible && vd.Enabled && vd.AllowHide) {
        auto fits = [](const TvxScrollBarData& d, Integer other) {
          return static_cast<int64_t>(other) + d.PageSize >= static_cast<int64_t>(d.Max) - d.Min + 1;
        };
        bool hFits = IsPixelScrollBar(sbHorizontal) && fits(hd, FVScrollBar->Width());
        bool vFits = IsPixelScrollBar(sbVertical) && fits(vd, FHScrollBar->Height());
        if (hFits && vFits) {
          TvxScrollBarData h0 = hd, v0 = vd;
          SetScrollBarInfo(sbHorizontal, h0.Min, h0.Max, h0.SmallChange, h0.PageSize + FVScrollBar->Width(),
                           h0.Position, h0.AllowShow, h0.AllowHide);
          SetScrollBarInfo(sbVertical, v0.Min, v0.Max, v0.SmallChange, v0.PageSize + FHScrollBar->Height(),
                           v0.Position, v0.AllowShow, v0.AllowHide);
        }
      }
    }
    FIsInitialScrollBarsParams = wasUpdating && FHScrollBar->Data.Visible == FInitialHScrollBarVisible &&
                                 FVScrollBar->Data.Visible == FInitialVScrollBarVisible;
    if (FIsInitialScrollBarsParams) {
      // The nested recalculation came back to where the outermost update started: the
      // bar that would flip back and forth stays shown, disabled.
      for (TvxControlScrollBar* b : {FHScrollBar, FVScrollBar}) {
        bool initial = b == FHScrollBar ? FInitialHScrollBarVisible : FInitialVScrollBarVisible;
        if (b->Visible() != initial) {
          b->Data.Enabled = false;
          b->Data.Visible = true;
          b->SetEnabled(false);
          b->SetVisibleAtOnce(true);
        }
      }
    } else {
      FHScrollBar->ApplyData();
      FVScrollBar->ApplyData();
    }
  }
  if (FHScrollBar->Visible() != hBefore || FVScrollBar->Visible() != vBefore) {
    BoundsChanged();
  } else {
    bool grip = FHScrollBar->Visible() && FVScrollBar->Visible();
    if (FSizeGrip->Visible() != grip) FSizeGrip->SetVisibleAtOnce(grip);
    SetScrollBarsBounds();
    if (CanBringScrollBarsToFront()) BringScrollBarsToFront();
  }
}

void TvxControl::WMNCCalcSize(TMessage& Message) {
  InheritedMessage(Message);
  if (HandleAllocated()) PostMessageW(Handle(), VXM_SCROLLBARMETRICSCHANGED, 0, 0);
}

void TvxControl::VXMScrollBarMetricsChanged(TMessage&) {
  if (!HasScrollBars() || !FSizeGrip) return;
  Integer h = GetSystemMetrics(SM_CYHSCROLL), w = GetSystemMetrics(SM_CXVSCROLL);
  if (FHScrollBar->Height() != h || FVScrollBar->Width() != w) {
    FHScrollBar->SetHeight(h);
    FVScrollBar->SetWidth(w);
    BoundsChanged();
  }
}

void TvxControl::ScrollContent(TvxDirection ADirection) {
  if (ADirection == dirNone) return;
  if (!HasScrollBars() && !CanScrollContent(ADirection)) return;
  TScrollBarKind kind = ADirection == dirLeft || ADirection == dirRight ? sbHorizontal : sbVertical;
  TScrollCode code = ADirection == dirLeft || ADirection == dirUp ? scLineUp : scLineDown;
  Integer pos = 0;
  if (HasScrollBars() && FSizeGrip) pos = (kind == sbHorizontal ? FHScrollBar : FVScrollBar)->Position();
  Scroll(kind, code, pos);
  Update();
}

void TvxControl::ScrollWindow(Integer DX, Integer DY, const TRect& AScrollRect) {
  HideDragImage();
  TScopeExit show([this] { ShowDragImage(); });
  ScrollWindowEx(Handle(), DX, DY, &AScrollRect, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
}

bool TvxControl::DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) {
  if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (GetMouseWheelScrollingKind() == 0) return false;
  Integer lines = Mouse ? Mouse->WheelScrollLines() : 3;
  for (Integer i = 0; i < lines; ++i) {
    Integer kind = GetMouseWheelScrollingKind();
    TvxDirection d = kind == 2 ? (WheelDelta >= 0 ? dirUp : dirDown) : (WheelDelta >= 0 ? dirLeft : dirRight);
    ScrollContent(d);
  }
  return true;
}

namespace {

// The indicator window of middle-button panning: a round window with a bitmap.
class TPanningIndicator {
 public:
  TPanningIndicator(HWND AParent, const wchar_t* ABitmapName, POINT AAnchor) {
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageW(ThisModule(), ABitmapName, IMAGE_BITMAP, 0, 0, 0));
    if (!bmp) return;
    BITMAP info{};
    GetObjectW(bmp, sizeof info, &info);
    W = info.bmWidth;
    H = info.bmHeight;
    FWnd = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP, AAnchor.x - W / 2, AAnchor.y - H / 2, W, H,
                           AParent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (FWnd) {
      SetWindowRgn(FWnd, CreateEllipticRgn(0, 0, W + 1, H + 1), TRUE);
      SetWindowPos(FWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
      HDC dc = GetWindowDC(FWnd);
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, bmp);
      BitBlt(dc, 0, 0, W, H, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
      HRGN frame = CreateEllipticRgn(0, 0, W + 1, H + 1);
      FrameRgn(dc, frame, GetSysColorBrush(COLOR_WINDOWTEXT), 1, 1);
      DeleteObject(frame);
      ReleaseDC(FWnd, dc);
    }
    DeleteObject(bmp);
  }
  ~TPanningIndicator() {
    if (FWnd) DestroyWindow(FWnd);
  }
  TPanningIndicator(const TPanningIndicator&) = delete;
  TPanningIndicator& operator=(const TPanningIndicator&) = delete;
  HWND Handle() const { return FWnd; }
  Integer W = 0, H = 0;

 private:
  HWND FWnd = nullptr;
};

void SetScreenCursor(TCursor C) {
  if (Screen) ::SetCursor(Screen->Cursors(C));
}

}  // namespace

void TvxControl::RunContentScrolling() {
  const bool h = HScrollBarVisible(), v = VScrollBarVisible();
  if (!h && !v) return;
  FIsScrollingContent = true;
  bool moved = false;
  const POINT anchor = vxGetMouseCursorPos();
  POINT last = anchor;
  const HWND wnd = Handle();
  TPanningIndicator indicator(wnd, h && v ? L"VX_FULLSCROLLBITMAP" : h ? L"VX_HORSCROLLBITMAP" : L"VX_VERSCROLLBITMAP",
                              anchor);
  const Integer neutral = indicator.W;
  TvxDirection direction = dirNone;
  Integer speed = 1, counter = 0;
  auto setCursor = [&] {
    switch (direction) {
      case dirLeft: SetScreenCursor(crvxLeftScroll); break;
      case dirRight: SetScreenCursor(crvxRightScroll); break;
      case dirUp: SetScreenCursor(crvxUpScroll); break;
      case dirDown: SetScreenCursor(crvxDownScroll); break;
      default: SetScreenCursor(h && v ? crvxFullScroll : h ? crvxHorScroll : crvxVerScroll); break;
    }
  };
  auto update = [&](POINT P) {
    RECT zone{anchor.x - neutral / 2, anchor.y - neutral / 2, anchor.x - neutral / 2 + neutral,
              anchor.y - neutral / 2 + neutral};
    if (!h) {
      zone.left = 0;
      zone.right = Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
    }
    if (!v) {
      zone.top = 0;
      zone.bottom = Screen ? Screen->Height() : GetSystemMetrics(SM_CYSCREEN);
    }
    if (PtInRect(&zone, P)) {
      direction = dirNone;
      speed = 0;
      return;
    }
    moved = true;
    Integer dx = P.x - anchor.x, dy = P.y - anchor.y, d;
    if (h && (!v || std::abs(dx) > std::abs(dy))) {
      direction = dx < 0 ? dirLeft : dirRight;
      d = std::abs(dx);
    } else {
      direction = dy < 0 ? dirUp : dirDown;
      d = std::abs(dy);
    }
    speed = std::min<Integer>((d - neutral / 2) / 5 + 1, 12);
  };
  setCursor();
  UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
  SetCapture(wnd);
  TScopeExit cleanUp([this, wnd, timer] {
    if (GetCapture() == wnd) ReleaseCapture();
    KillTimer(nullptr, timer);
    FIsScrollingContent = false;
  });
  MSG msg;
  while (GetCapture() == wnd) {
    BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == -1) break;
    if (r == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_PAINT && indicator.Handle() && msg.hwnd == indicator.Handle()) {
      ValidateRect(msg.hwnd, nullptr);
      continue;
    }
    if (msg.message >= WM_MOUSEFIRST && msg.message <= 0x20E && msg.message != WM_MOUSEMOVE &&
        msg.message != WM_MBUTTONUP)
      break;
    bool stop = false;
    if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) && msg.wParam == VK_ESCAPE) {
      stop = true;
    } else if (msg.message == WM_MBUTTONUP) {
      if (moved) stop = true;
    } else if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == timer) {
      ++counter;
      if (counter % (13 - speed) == 0) ScrollContent(direction);
    } else if (msg.message == WM_MOUSEMOVE) {
      POINT p{static_cast<SmallInt>(LOWORD(msg.lParam)), static_cast<SmallInt>(HIWORD(msg.lParam))};
      ::ClientToScreen(msg.hwnd, &p);
      if (p.x != last.x || p.y != last.y) {
        update(p);
        setCursor();
        last = p;
      }
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (stop) break;
  }
}

// --- Suite drag and drop ---

void TvxControl::BeginDragAndDrop() {
  DragAndDropObject()->DoBeginDragAndDrop();
  SetMouseCapture(true);
  FDragAndDropPrevCursor = Screen ? Screen->Cursor() : crDefault;
  SetDragAndDropState(ddsInProcess);
}

void TvxControl::DragAndDrop(const TPoint& P, bool& Accepted) { DragAndDropObject()->DoDragAndDrop(P, Accepted); }

void TvxControl::EndDragAndDrop(bool Accepted) {
  SetDragAndDropState(ddsNone);
  if (Screen) Screen->SetCursor(FDragAndDropPrevCursor);
  SetMouseCapture(false);
  SetMouseCaptureObject(nullptr);
  DragAndDropObject()->DoEndDragAndDrop(Accepted);
}

void TvxControl::FinishDragAndDrop(bool Accepted) {
  if (FFinishingDragAndDrop) return;
  TValueScope<bool> finishing(FFinishingDragAndDrop, true);
  if (FDragAndDropState == ddsInProcess)
    EndDragAndDrop(Accepted);
  else
    SetDragAndDropState(ddsNone);
  FDragAndDropObject.reset();
}

// --- Platform drag ---

TvxDragControlObjectClass TvxControl::GetDragObjectClass() { return &TvxDragControlObject::CreateInstance; }

void TvxControl::DoStartDrag(TDragObject*& DragObject) {
  Update();
  inherited::DoStartDrag(DragObject);
  if (!DragObject)
    if (TvxDragControlObjectClass c = GetDragObjectClass()) DragObject = c(this);
  if (DragObject && !StartDrag(DragObject)) {
    delete DragObject;
    DragObject = nullptr;
    ::EndDrag(false);
  }
}

void TvxControl::DoEndDrag(TObject* Target, Integer X, Integer Y) {
  vxDragObject = nullptr;
  inherited::DoEndDrag(Target, X, Y);
  FDragImages.reset();
}

void TvxControl::DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  // A control dragged as itself arrives as Source: its drag object is the manager's.
  TDragObject* d = dynamic_cast<TDragObject*>(Source);
  if (!d) d = ::DragObject();
  vxDragObject = State == dsDragLeave ? nullptr : d;
  inherited::DragOver(Source, X, Y, State, Accept);
}

TDragImageList* TvxControl::GetDragImages() {
  if (!HasDragImages()) return nullptr;
  if (!FDragImages) {
    FDragImages.reset(GetDragImagesClass()());
    InitDragImages(FDragImages.get());
  }
  return FDragImages->Count() > 0 ? FDragImages.get() : nullptr;
}

void TvxControl::InitDragImages(TDragImageList* AList) {
  TSize s = GetDragImagesSize();
  AList->SetWidth(s.cx);
  AList->SetHeight(s.cy);
  if (s.cx == 0 || s.cy == 0) return;
  TBitmap b;
  b.SetSize(s.cx, s.cy);
  TvxCanvas c(b.Canvas());
  DrawDragImage(&c, TRect{0, 0, s.cx, s.cy});
  AList->AddMasked(&b, b.TransparentColor());
}

// Only a drag still in progress is asked: the object seen last may be gone.
void TvxControl::HideDragImage() {
  if (vxDragObject && vxDragObject == ::DragObject()) vxDragObject->HideDragImage();
}

void TvxControl::ShowDragImage() {
  if (vxDragObject && vxDragObject == ::DragObject()) vxDragObject->ShowDragImage();
}

// --- TvxDragAndDropObject ---

TvxDragAndDropObject::TvxDragAndDropObject(TvxControl* AControl) : FCanvas(AControl->Canvas()), FControl(AControl) {}

void TvxDragAndDropObject::SetDirty(bool Value) {
  if (FDirty == Value) return;
  FDirty = Value;
  DirtyHook();
}

void TvxDragAndDropObject::ChangeMousePos(const TPoint& P) {
  PrevMousePos = CurMousePos;
  CurMousePos = P;
}

void TvxDragAndDropObject::DoBeginDragAndDrop() {
  CurMousePos = PrevMousePos = FControl->ScreenToClient(vxGetMouseCursorPos());
  BeginDragAndDrop();
}

void TvxDragAndDropObject::DoDragAndDrop(const TPoint& P, bool& Accepted) {
  ChangeMousePos(P);
  DragAndDrop(P, Accepted);
}

void TvxDragAndDropObject::DoEndDragAndDrop(bool Accepted) {
  EndDragAndDrop(Accepted);
  AfterDragAndDrop(Accepted);
}

void TvxDragAndDropObject::DragAndDrop(const TPoint&, bool& Accepted) {
  SetDirty(false);
  if (Screen) Screen->SetCursor(GetDragAndDropCursor(Accepted));
}

// --- TvxDragControlObject ---

TCursor TvxDragControlObject::GetDragCursor(bool Accepted, Integer X, Integer Y) {
  if (auto* c = dynamic_cast<TvxControl*>(Control()))
    if (Accepted && c->IsCopyDragDrop()) return crvxDragCopy;
  return inherited::GetDragCursor(Accepted, X, Y);
}

void TvxDragControlObject::Finished(TObject* Target, Integer X, Integer Y, bool Accepted) {
  // The object belongs to nobody but the drag it served.
  std::unique_ptr<TvxDragControlObject> self(this);
  inherited::Finished(Target, X, Y, Accepted);
}

void TvxDragControlObject::Abandoned() { delete this; }

// --- TvxPopupWindow ---

TvxPopupWindow::TvxPopupWindow() : TForm(nullptr) {
  TCustomForm::SetBorderStyle(bsNone);
  // The popup places itself on the monitor of its owner rectangle (CalculatePosition).
  SetFormStyle(fsStayOnTop);
  FvxCanvas = std::make_unique<TvxCanvas>(TCustomForm::Canvas());
}

TvxPopupWindow::~TvxPopupWindow() { FvxCanvas.reset(); }

const TMessageMap* TvxPopupWindow::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ACTIVATE, MessageHandler<&TvxPopupWindow::WMActivate>},
      {WM_ACTIVATEAPP, MessageHandler<&TvxPopupWindow::WMActivateApp>},
      {CM_VISIBLECHANGED, MessageHandler<&TvxPopupWindow::CMVisibleChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxPopupWindow::SetBorderSpace(Integer Value) {
  ShiftChildControls();
  FBorderSpace = Value;
}

void TvxPopupWindow::SetBorderStyle(TvxPopupBorderStyle Value) {
  ShiftChildControls();
  FBorderStyle = Value;
}

void TvxPopupWindow::ShiftChildControls() {
  const Integer dx = -GetFrameWidth(bLeft), dy = -GetFrameWidth(bTop);
  for (Integer i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
  }
}

TRect TvxPopupWindow::ClientBounds() {
  TRect r = ClientRect();
  r.left += GetFrameWidth(bLeft);
  r.top += GetFrameWidth(bTop);
  r.right -= GetFrameWidth(bRight);
  r.bottom -= GetFrameWidth(bBottom);
  return r;
}

Integer TvxPopupWindow::GetBorderWidth(TvxBorder) {
  switch (FBorderStyle) {
    case pbsUltraFlat:
    case pbsFlat: return 1;
    case pbs3D: return 2;
    default: return 0;
  }
}

TRect TvxPopupWindow::OwnerScreenBounds() {
  POINT tl{FOwnerBounds.left, FOwnerBounds.top}, br{FOwnerBounds.right, FOwnerBounds.bottom};
  tl = FOwnerParent->ClientToScreen(tl);
  br = FOwnerParent->ClientToScreen(br);
  return TRect{tl.x, tl.y, br.x, br.y};
}

void TvxPopupWindow::InitPopup() {
  if (FOwnerParent) Font()->Assign(FOwnerParent->Font());
}

TPoint TvxPopupWindow::CalculatePosition() {
  const Integer W = Width(), H = Height();
  const TRect R = OwnerScreenBounds();
  TvxPopupAlignHorz ah = FAlignHorz;
  TvxPopupAlignVert av = FAlignVert;
  TPoint P{0, 0}, anchor{0, 0};
  auto place = [&] {
    if (ah == pahCenter) P.x = anchor.x = (R.left + R.right - W) / 2;
    if (av == pavCenter) P.y = anchor.y = (R.top + R.bottom - H) / 2;
    if (FDirection == pdHorizontal) {
      if (ah == pahLeft) { P.x = R.left - W; anchor.x = R.left; }
      if (ah == pahRight) { P.x = R.right; anchor.x = R.right; }
      if (av == pavTop) { P.y = R.top; anchor.y = R.top; }
      if (av == pavBottom) { P.y = R.bottom - H; anchor.y = R.bottom; }
    } else {
      if (ah == pahLeft) { P.x = R.left; anchor.x = R.left; }
      if (ah == pahRight) { P.x = R.right - W; anchor.x = R.right; }
      if (av == pavTop) { P.y = R.top - H; anchor.y = R.top; }
      if (av == pavBottom) { P.y = R.bottom; anchor.y = R.bottom; }
    }
  };
  place();
  RECT WA;
  vxGetMonitorWorkArea(anchor, WA);
  if (FDirection == pdHorizontal) {
    const bool moreLeft = R.left - WA.left > WA.right - R.right;
    if (ah == pahLeft && P.x < WA.left && !moreLeft) ah = pahRight;
    else if (ah == pahRight && P.x + W > WA.right && moreLeft) ah = pahLeft;
  } else {
    const bool moreAbove = R.top - WA.top > WA.bottom - R.bottom;
    if (av == pavTop && P.y < WA.top && !moreAbove) av = pavBottom;
    else if (av == pavBottom && P.y + H > WA.bottom && moreAbove) av = pavTop;
  }
  place();
  if (FDirection == pdVertical || ah == pahCenter) {
    if (P.x + W > WA.right) P.x = WA.right - W;
    if (P.x < WA.left) P.x = WA.left;
  }
  if (FDirection == pdHorizontal || av == pavCenter) {
    if (P.y + H > WA.bottom) P.y = WA.bottom - H;
    if (P.y < WA.top) P.y = WA.top;
  }
  return P;
}

void TvxPopupWindow::CalculateSize() {
  if (!FAdjustable) return;
  Integer maxRight = 0, maxBottom = 0;
  const Integer fl = GetFrameWidth(bLeft), ft = GetFrameWidth(bTop);
  for (Integer i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    maxRight = std::max(maxRight, c->Left() + c->Width());
    maxBottom = std::max(maxBottom, c->Top() + c->Height());
    c->SetBounds(c->Left() + fl, c->Top() + ft, c->Width(), c->Height());
  }
  if (maxRight != 0 || ControlCount() > 0) SetWidth(fl + maxRight + GetFrameWidth(bRight));
  if (maxBottom != 0 || ControlCount() > 0) SetHeight(ft + maxBottom + GetFrameWidth(bBottom));
}

void TvxPopupWindow::DrawFrame() {
  TRect r{0, 0, Width(), Height()};
  switch (FBorderStyle) {
    case pbsUltraFlat: FvxCanvas->FrameRect(r, FFrameColor, 1, vxBordersAll, false); break;
    case pbsFlat: FvxCanvas->DrawEdge(r, false, false, vxBordersAll); break;
    case pbs3D:
      FvxCanvas->DrawEdge(r, false, true, vxBordersAll);
      InflateRect(&r, -1, -1);
      FvxCanvas->DrawEdge(r, false, false, vxBordersAll);
      break;
    default: break;
  }
}

void TvxPopupWindow::Popup() {
  InitPopup();
  CalculateSize();
  TPoint p = CalculatePosition();
  SetBounds(p.x, p.y, Width(), Height());
  Show();
}

void TvxPopupWindow::Paint() {
  inherited::Paint();
  DrawFrame();
}

void TvxPopupWindow::Deactivate() {
  inherited::Deactivate();
  CloseUp();
}

void TvxPopupWindow::WMActivate(TWMActivate& Message) {
  InheritedMessage(Message);
  if (Message.Active() != WA_INACTIVE) {
    FPrevActiveWindow = Message.ActiveWindow();
    if (FPrevActiveWindow) SendMessageW(FPrevActiveWindow, WM_NCACTIVATE, TRUE, 0);
  }
}

void TvxPopupWindow::WMActivateApp(TMessage& Message) {
  DefaultHandler(Message);
  if (!Message.WParam) {
    if (FPrevActiveWindow) SendMessageW(FPrevActiveWindow, WM_NCACTIVATE, FALSE, 0);
    CloseUp();
  }
}

void TvxPopupWindow::CMVisibleChanged(TCMVisibleChanged& Message) {
  InheritedMessage(Message);
  VisibleChanged();
}

// --- TvxCustomDragImage ---

TvxCustomDragImage::TvxCustomDragImage() {
  TWinControl::SetBounds(0, 0, 0, 0);
  SetAlphaBlend(true);
  SetAlphaBlendValue(180);
  SetPopupMode(pmExplicit);
}

TvxCustomDragImage::~TvxCustomDragImage() { SetPopupMode(pmNone); }

const TMessageMap* TvxCustomDragImage::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ERASEBKGND, MessageHandler<&TvxCustomDragImage::WMEraseBkgnd>},
      {WM_NCHITTEST, MessageHandler<&TvxCustomDragImage::WMNCHitTest>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

bool TvxCustomDragImage::AlphaBlended() const {
  return AlphaBlend() && GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetLayeredWindowAttributes") != nullptr;
}

bool TvxCustomDragImage::Visible() { return HandleAllocated() && IsWindowVisible(Handle()); }

void TvxCustomDragImage::SetVisible(bool Value) {
  if (Value == Visible()) return;
  if (Value)
    Show(SW_SHOWNA);
  else
    Hide();
}

void TvxCustomDragImage::Init(const TRect& ASourceBounds, const TPoint& ASourcePoint) {
  SetWidth(ASourceBounds.right - ASourceBounds.left);
  SetHeight(ASourceBounds.bottom - ASourceBounds.top);
  FPositionOffset = TPoint{ASourcePoint.x - ASourceBounds.left, ASourcePoint.y - ASourceBounds.top};
}

void TvxCustomDragImage::MoveTo(const TPoint& APosition) {
  HandleNeeded();
  SetBounds(APosition.x - FPositionOffset.x, APosition.y - FPositionOffset.y, Width(), Height());
}

void TvxCustomDragImage::Show(Integer ACmdShow) {
  ShowWindow(Handle(), ACmdShow);
  Update();
}

void TvxCustomDragImage::Hide() {
  if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
}

void TvxCustomDragImage::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (PopupParent())
    Params.WndParent = PopupParent()->Handle();
  else if (Screen && Screen->ActiveForm())
    Params.WndParent = Screen->ActiveForm()->Handle();
  Params.WindowClass.style |= CS_SAVEBITS;
}

void TvxCustomDragImage::WMEraseBkgnd(TWMEraseBkgnd& Message) { Message.Result = 1; }

void TvxCustomDragImage::WMNCHitTest(TMessage& Message) { Message.Result = HTTRANSPARENT; }

// --- TvxDragImage ---

TvxDragImage::TvxDragImage() {
  FImage = std::make_unique<TBitmap>();
  FImageCanvas = std::make_unique<TvxCanvas>(FImage->Canvas());
}

TvxDragImage::~TvxDragImage() {
  FImageCanvas.reset();
  FImage.reset();
}

void TvxDragImage::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FImage) FImage->SetSize(Width(), Height());
}

void TvxDragImage::Paint() {
  inherited::Paint();
  WindowCanvas()->Draw(0, 0, FImage.get());
}

// --- TvxSizeFrame ---

TvxSizeFrame::TvxSizeFrame(Integer AFrameWidth) : FFrameWidth(AFrameWidth) {
  SetAlphaBlend(false);
  FRegion = std::make_unique<TvxRegion>();
  FPattern = std::make_unique<TBitmap>();
  FPattern->SetSize(8, 8);
  for (Integer y = 0; y < 8; ++y)
    for (Integer x = 0; x < 8; ++x) FPattern->Canvas()->SetPixel(x, y, (x + y) % 2 ? clWhite : clBlack);
  TCustomForm::Canvas()->Brush()->SetBitmap(FPattern.get());
}

TvxSizeFrame::~TvxSizeFrame() {
  TCustomForm::Canvas()->Brush()->SetBitmap(nullptr);
  FRegion.reset();
}

void TvxSizeFrame::DrawSizeFrame(const TRect& ARect) {
  FRegion = std::make_unique<TvxRegion>(TRect{0, 0, ARect.right - ARect.left, ARect.bottom - ARect.top});
  SetBounds(ARect.left, ARect.top, ARect.right - ARect.left, ARect.bottom - ARect.top);
}

void TvxSizeFrame::DrawSizeFrame(const TRect& ARect, TvxRegion* ARegion) {
  auto copy = std::make_unique<TvxRegion>();
  copy->Combine(ARegion, roSet, false);
  FRegion = std::move(copy);
  SetBounds(ARect.left, ARect.top, ARect.right - ARect.left, ARect.bottom - ARect.top);
}

void TvxSizeFrame::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (!FRegion || !HandleAllocated() || 2 * FFrameWidth >= AWidth || 2 * FFrameWidth >= AHeight) return;
  if (!FFillSelection) {
    auto inner = std::make_unique<TvxRegion>();
    inner->Combine(FRegion.get(), roSet, false);
    const POINT shifts[] = {{FFrameWidth, 0}, {0, FFrameWidth}, {-FFrameWidth, 0}, {0, -FFrameWidth}};
    for (const POINT& s : shifts) {
      TvxRegion shifted;
      shifted.Combine(inner.get(), roSet, false);
      shifted.Offset(s.x, s.y);
      inner->Combine(&shifted, roIntersect, false);
    }
    FRegion->Combine(inner.get(), roSubtract, false);
  }
  HRGN current = CreateRectRgn(0, 0, 0, 0);
  bool same = GetWindowRgn(Handle(), current) != ERROR && FRegion->IsEqual(current);
  DeleteObject(current);
  if (!same) {
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(copy, FRegion->Handle(), nullptr, RGN_COPY);
    // The window owns the region from here on.
    SetWindowRgn(Handle(), copy, TRUE);
  }
}

void TvxSizeFrame::Paint() {
  RECT r = ClientRect();
  TCustomForm::Canvas()->FillRect(r);
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
  vxSpellCheckerService = nullptr;
}

}  // namespace

const TUnitInfo vxControlsUnit = {L"vxControls", InitControls, DoneControls};
