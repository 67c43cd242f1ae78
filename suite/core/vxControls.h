// Services the suite's controls share: hidden message windows, one window carrying
// every timer of the process, mouse-leave detection by polling, the listeners told
// about system metrics changes, and free routines for window geometry, monitors, keys,
// accelerator text, popup menus, hints, the drag-start wait and the hourglass cursor.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "Controls.h"
#include "DragObjs.h"
#include "Forms.h"
#include "Menus.h"
#include "Messages.h"
#include "Persistent.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "System.h"
#include "TypInfo.h"
#include "vdCore.h"
#include "vxClasses.h"

// --- Private messages ---------------------------------------------------------------------

// Re-read the system scroll-bar sizes (sent to every control that owns scroll bars).
constexpr UINT VXM_SCROLLBARMETRICSCHANGED = 0x8065;
// Run the calls that threads queued for the main thread (library builds only).
constexpr UINT VXM_SYNCHRONIZE = 0x8066;

// Numbers of the cursors the unit adds to the screen's cursor table at start-up.
constexpr TCursor crvxDragCopy = 2100;
constexpr TCursor crvxFullScroll = 2101;
constexpr TCursor crvxHorScroll = 2102;
constexpr TCursor crvxVerScroll = 2103;
constexpr TCursor crvxUpScroll = 2104;
constexpr TCursor crvxRightScroll = 2105;
constexpr TCursor crvxDownScroll = 2106;
constexpr TCursor crvxLeftScroll = 2107;
constexpr TCursor crvxRemove = 2108;
constexpr TCursor crvxVertSize = 2109;
constexpr TCursor crvxHorzSize = 2110;
constexpr TCursor crvxMultiDrag = 2111;
constexpr TCursor crvxNoDrop = 2112;
constexpr TCursor crvxDrag = 2113;
constexpr TCursor crvxHandPoint = -2099;
constexpr TCursor crvxColorPicker = 2114;
constexpr TCursor crvxMultiDragCopy = 2115;

// --- Interfaces ----------------------------------------------------------------------------

// A component acting as a popup menu.
class IvxExternalPopupMenu {
 public:
  virtual ~IvxExternalPopupMenu() = default;
  // True when the key is one of the menu's shortcuts and was handled.
  virtual bool IsShortCut(TWMKey& Message) = 0;
  // Shows the menu at a screen point.
  virtual void Popup(Integer X, Integer Y) = 0;
};

// Told when the mouse that it tracks has left (vxBeginMouseTracking).
class IvxMouseTrackingCaller {
 public:
  virtual ~IvxMouseTrackingCaller() = default;
  virtual void MouseLeave() = 0;
};

// Optional second interface of a tracking caller: decides itself whether a point (in
// the tracked control's client coordinates) still belongs to the tracked area.
class IvxMouseTrackingArea {
 public:
  virtual ~IvxMouseTrackingArea() = default;
  virtual bool PtInCaller(const POINT& P) = 0;
};

// --- Message windows -----------------------------------------------------------------------

// A hidden window whose every message reaches the virtual HandleMessage. The base
// handler gives a message to the handler the class's message map lists for it, and the
// rest to the system's default procedure. Exceptions raised while a message is handled
// go to the application's exception handler.
class TvxMessageWindow : public TObject {
  DECLARE_CLASS(TvxMessageWindow, TObject)
 public:
  TvxMessageWindow();
  ~TvxMessageWindow() override;
  HWND Handle() const { return FHandle; }
  virtual void HandleMessage(TMessage& Message);
  // The system's default procedure for the message.
  virtual void DefaultHandler(TMessage& Message);
  static const TMessageMap* ClassMessages();
  virtual const TMessageMap* MessageMap() const { return ClassMessages(); }

 private:
  // The window was destroyed from outside: forget its handle.
  void WMNCDestroy(TWMNoParams& Message);
  HWND FHandle = nullptr;
};

// The window that carries every TvxTimer: a WM_TIMER runs the timer whose identifier
// it carries, when that timer is still running; otherwise it is dropped.
class TvxTimerWindow : public TvxMessageWindow {
  DECLARE_CLASS(TvxTimerWindow, TvxMessageWindow)
  DECLARE_MESSAGE_MAP
 private:
  void WMTimer(TWMTimer& Message);
};

// Owns a hidden window; in a library it also routes the runtime's wake-up of the main
// thread through that window, so that synchronisation calls of worker threads run.
class TvxSystemController : public TvxMessageWindow {
  DECLARE_CLASS(TvxSystemController, TvxMessageWindow)
  DECLARE_MESSAGE_MAP
 public:
  TvxSystemController();
  ~TvxSystemController() override;

 private:
  void VXMSynchronize(TWMNoParams& Message);
  TNotifyEvent FPrevWakeMainThread;
  bool FHooked = false;
};

// The shared hidden window; nullptr once the unit is shutting down.
TvxMessageWindow* vxMessageWindow();
// The window carrying the timers; nullptr once the unit is shutting down.
TvxTimerWindow* vxTimerWindow();

// --- Timers --------------------------------------------------------------------------------

// A timer that costs no window of its own: every TvxTimer runs on the shared timer
// window with its own address as the timer identifier. A system timer runs only while
// the timer is enabled and has an OnTimer handler.
class TvxTimer : public TComponent {
  DECLARE_CLASS(TvxTimer, TComponent)
  PUBLISHED(TvxTimer)
 public:
  explicit TvxTimer(TComponent* AOwner);
  ~TvxTimer() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  Cardinal Interval() const { return FInterval; }
  // 0 and an unchanged value are ignored.
  void SetInterval(Cardinal Value);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  // Always restarts the timer (the next tick comes a full interval later).
  void SetOnTimer(const TNotifyEvent& Value);
  // The identifier given to the system.
  UINT_PTR EventID() const { return FEventID; }
  // Fires OnTimer.
  virtual void DoTimer();

 private:
  void Restart();
  void Start();
  void Stop();
  void SetTimerOn(bool Value);
  bool FEnabled = true;
  Cardinal FInterval = 1000;
  TNotifyEvent FOnTimer;
  UINT_PTR FEventID;
  bool FTimerOn = false;
};

// --- Mouse tracking ------------------------------------------------------------------------

// Polls the cursor every 10 ms for one tracking caller.
class TMouseTrackingTimer : public TvxTimer {
  DECLARE_CLASS(TMouseTrackingTimer, TvxTimer)
 public:
  explicit TMouseTrackingTimer(TComponent* AOwner);
  IvxMouseTrackingCaller* Caller = nullptr;
  TWinControl* Control = nullptr;
  RECT Bounds{0, 0, 0, 0};  // screen coordinates
  void DoTimer() override;

 private:
  friend void vxBeginMouseTracking(TWinControl* AControl, const RECT& ABounds,
                                   IvxMouseTrackingCaller* ACaller);
  friend void vxEndMouseTracking(IvxMouseTrackingCaller* ACaller);
  void Tick();
  bool FInTick = false;
  bool FFreeAfterTick = false;
};

// Starts telling ACaller when the mouse leaves ABounds (AControl's client coordinates;
// screen coordinates when AControl is nullptr) or when AControl gets disabled. Nothing
// when the caller is tracked already.
void vxBeginMouseTracking(TWinControl* AControl, const RECT& ABounds, IvxMouseTrackingCaller* ACaller);
void vxEndMouseTracking(IvxMouseTrackingCaller* ACaller);
bool vxIsMouseTracking(IvxMouseTrackingCaller* ACaller);
TMouseTrackingTimer* vxFindMouseTrackingTimer(IvxMouseTrackingCaller* ACaller);

// --- Settings listeners --------------------------------------------------------------------

// Tells the listed controls (those owning scroll bars) that the system's non-client
// metrics changed, by VXM_SCROLLBARMETRICSCHANGED. Holds a hidden top-level window
// (which receives the system's broadcast) while it has listeners.
class TvxSettingsController : public TObject {
  DECLARE_CLASS(TvxSettingsController, TObject)
 public:
  TvxSettingsController();
  ~TvxSettingsController() override;
  void AddListener(TWinControl* AListener);
  void RemoveListener(TWinControl* AListener);
  void NotifyListeners();
  HWND WindowHandle() const { return FWindow; }
  Integer ListenerCount() const { return static_cast<Integer>(FList.size()); }
  static const TMessageMap* ClassMessages();

 private:
  void WMSettingChange(TMessage& Message);
  std::vector<TWinControl*> FList;
  HWND FWindow = nullptr;
};

// The shared settings controller; nullptr once the unit is shutting down.
TvxSettingsController* vxSettingsController();

// --- Errors the unit cannot raise ----------------------------------------------------------

// Receives errors found where raising would end the program (at shut-down). When it is
// empty the runtime's assertion hook gets the message, and without one the debugger
// output does. A logging client can be plugged in here.
using TvxErrorReportProc = std::function<void(const Exception& E)>;
extern TvxErrorReportProc vxErrorReportProc;

// --- Windows and geometry ------------------------------------------------------------------

bool vxCanAllocateHandle(TWinControl* AControl);
Integer vxGetDoubleClickTime();
// The work area of the monitor nearest to P.
void vxGetMonitorWorkArea(const POINT& P, RECT& R);
// The work area of a monitor; the primary work area for 0 or when the system lacks
// the monitor functions.
void vxGetMonitorWorkAreaByHandle(HMONITOR AMonitor, RECT& R);
// The cursor position; (-1, -1) when the system cannot tell it.
POINT vxGetMouseCursorPos();
// The side of R a point lies towards: by the diagonals when both directions count.
TvxPosition vxGetRectSideAtPoint(const RECT& R, const POINT& P, bool AHorizontal, bool AVertical);
bool vxHasChildStyle(HWND AWnd);
bool vxIsChildOrSelf(HWND AParentWnd, HWND AWnd);
// The window and, for a child window, every parent up the chain are enabled.
bool vxIsWindowEnabledWithParents(HWND AWnd);
// Both distances from AStart are below the mouse object's drag threshold.
bool vxIsPointInDragDetectArea(const POINT& AStart, Integer X, Integer Y);
void vxMapPointToWindow(HWND AFrom, HWND ATo, POINT& P);
void vxMapRectToWindow(HWND AFrom, HWND ATo, RECT& R);
// The window rectangle; empty when the window does not answer.
void vxWindowRectOrEmpty(HWND AWnd, RECT& R);
void vxGetControlWindowRect(TWinControl* AControl, RECT& R);
void vxRedrawWinControl(TWinControl* AControl, bool ARedraw = true, bool ARedrawChildren = false);

// --- Keys and characters -------------------------------------------------------------------

bool vxIsCtrlDown();
bool vxIsNonControlChar(Char Ch);
bool vxIsEditStartKey(Char Ch);
bool vxIsIncSearchStartKey(Char Ch);
// AKind 0: integers; 1: with the decimal separator; 2: also with an exponent.
bool vxIsNumericEditChar(Char Ch, Integer AKind);
bool vxIsNonCharVirtualKey(Word AKey);
Word vxShiftToMouseKeys(TShiftState AShift);
Word vxTranslateVirtualKey(Word AKey);
// The text without "&" accelerator marks: "&&" gives "&", "&F" gives "F"; a single
// "&" at the very end becomes "_" with AReplaceTrailing, else it is dropped.
String vxStripAccelChars(const String& S, bool AReplaceTrailing = true);

// --- Mouse and cursor ----------------------------------------------------------------------

enum TvxDragStartResult { dsrCancelled = 0, dsrDrag = 1, dsrNone = 2 };
// Captures the mouse for AWnd and waits: a move out of the square of the drag
// threshold around the start point is a drag, a button release cancels; Escape, a lost
// capture or a quit request decide nothing. Every message taken is dispatched.
TvxDragStartResult vxWaitDragStart(HWND AWnd);
// A nestable hourglass cursor: the screen cursor is put back at the outermost end.
void vxHourglassBegin();
void vxHourglassEnd();

// --- Popup menus and hints -----------------------------------------------------------------

Integer vxEstimatePopupMenuHeight(TPopupMenu* AMenu);
bool vxPopupMenuIsShortCut(TComponent* AMenu, TWMKey& Message);
// Shows an external popup menu, or a platform popup menu with AutoPopup set, at a
// screen point; false when nothing was shown.
bool vxShowPopupMenuAt(TWinControl* AControl, TComponent* AMenu, Integer X, Integer Y);
// Fills the hint record for a hint over ARect's top-left, lets the application's
// OnShowHint change it, and (when it may show) makes AHintWindow an instance of the
// hint window class and sizes ARect for the text. Answers whether the hint may show.
bool vxInitHintInfo(THintInfo& AHintInfo, THintWindow*& AHintWindow, TControl* AControl,
                    void* AHintData, RECT& ARect, const String& AHint);
void vxActivateHintWindow(THintWindow* AHintWindow, const RECT& ARect, const String& AHint);

extern const TUnitInfo vxControlsUnit;
