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
#include "ImgList.h"
#include "StdCtrls.h"
#include "vdCore.h"
#include "vxClasses.h"
#include "vxGraphics.h"
#include "vxLookAndFeels.h"
#include "vxScrollBar.h"

class TvxControl;

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
  void AddListener(TvxControl* AListener);
  void RemoveListener(TvxControl* AListener);
  void NotifyListeners();
  HWND WindowHandle() const { return FWindow; }
  Integer ListenerCount() const { return static_cast<Integer>(FList.size()); }
  static const TMessageMap* ClassMessages();

 private:
  void WMSettingChange(TMessage& Message);
  std::vector<TvxControl*> FList;
  HWND FWindow = nullptr;
};

// The shared settings controller; nullptr once the unit is shutting down.
TvxSettingsController* vxSettingsController();


// --- Custom-drawn control ------------------------------------------------------------------

enum TvxControlBorderStyle { vxcbsNone, vxcbsDefault };
enum TvxDragAndDropState { ddsNone, ddsStarting, ddsInProcess };
enum TvxKey { kAll, kArrows, kChars, kTab };
using TvxKeys = Set<TvxKey, 4>;

class TvxControl;
class TvxDragAndDropObject;
using TvxDragAndDropObjectClass = TvxDragAndDropObject* (*)(TvxControl* AControl);

// Told when a control's font changed.
class IvxFontListener {
 public:
  virtual ~IvxFontListener() = default;
  virtual void Changed(TObject* Sender, TFont* AFont) = 0;
};

// Told when it loses the mouse capture object role of a control.
class IvxMouseCaptureNotify {
 public:
  virtual ~IvxMouseCaptureNotify() = default;
  virtual void DoCancelMode() = 0;
};

// Answers the look and feel of a control.
class IvxLookAndFeelContainer {
 public:
  virtual ~IvxLookAndFeelContainer() = default;
  virtual TvxLookAndFeel* GetLookAndFeel() = 0;
};

// A spell checker that may take over a control's context menu; nothing assigns one here.
class IvxSpellCheckerService {
 public:
  virtual ~IvxSpellCheckerService() = default;
  virtual bool QueryPopup(TComponent* APopup, const TPoint& APos) = 0;
};
extern IvxSpellCheckerService* vxSpellCheckerService;

// The scroll bar a TvxControl owns as a child: fed from the pending parameters in Data.
struct TvxScrollBarData {
  Integer Min = 0, Max = 0, Position = 0, PageSize = 0;
  TScrollBarInc SmallChange = 1, LargeChange = 1;
  bool Enabled = true, Visible = false, AllowShow = false, AllowHide = false;
};

class TvxControlScrollBar : public TvxScrollBar {
  DECLARE_CLASS(TvxControlScrollBar, TvxScrollBar)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxControlScrollBar(TComponent* AOwner);
  ~TvxControlScrollBar() override;
  TvxScrollBarData Data;
  // Moves the pending parameters into the bar and shows or hides its window at once.
  void ApplyData();
  // Sets Visible and shows or hides the window at once (when the parent has one).
  void SetVisibleAtOnce(bool Value);
  virtual void FocusParent();
  void WndProc(TMessage& Message) override;

 protected:
  void CMDesignHitTest(TMessage& Message);
};

// Fills the corner between a control's two bars.
class TvxSizeGrip : public TCustomControl {
  DECLARE_CLASS(TvxSizeGrip, TCustomControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxSizeGrip(TComponent* AOwner);
  ~TvxSizeGrip() override;
  TvxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  void SetVisibleAtOnce(bool Value);

 protected:
  void Paint() override;
  void WMEraseBkgnd(TWMEraseBkgnd& Message);
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
};

// A non-visual component that belongs to a TvxControl.
class TvxControlChildComponent : public TvxComponent {
  DECLARE_CLASS(TvxControlChildComponent, TvxComponent)
 public:
  explicit TvxControlChildComponent(TComponent* AOwner);
  // Owned by AControl's owner when AAssignOwner, else by nobody; then Control := AControl.
  TvxControlChildComponent(TvxControl* AControl, bool AAssignOwner);
  ~TvxControlChildComponent() override;
  TvxControl* Control() const { return FControl; }
  virtual void SetControl(TvxControl* Value) { FControl = Value; }
  virtual bool IsDestroying() const { return ComponentState().Contains(csDestroying); }
  bool IsLoading() const { return ComponentState().Contains(csLoading); }
  virtual void Initialize() {}
  void SetParentComponent(TComponent* Value) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return FControl != nullptr; }

 private:
  TvxControl* FControl = nullptr;
};

class TvxDragControlObject;
// Makes the platform drag object of a control.
using TvxDragControlObjectClass = TDragObject* (*)(TControl* AControl);

// The platform drag image list a TvxControl fills.
class TvxDragImageList : public TDragImageList {
  DECLARE_CLASS(TvxDragImageList, TDragImageList)
 public:
  using TDragImageList::TDragImageList;
};
using TvxDragImageListClass = TvxDragImageList* (*)();

// The base class of the suite's custom-drawn controls.
class TvxControl : public TCustomControl,
                   public IvdLocalizerListener,
                   public IvxLookAndFeelContainer {
  DECLARE_CLASS(TvxControl, TCustomControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxControl(TComponent* AOwner);
  ~TvxControl() override;

  TvxCanvas* ActiveCanvas();
  TvxCanvas* Canvas() const { return FvxCanvas.get(); }
  virtual TRect Bounds();
  void SetBounds(const TRect& Value) { FBounds = Value; }
  using TCustomControl::SetBounds;
  virtual TRect ClientBounds();
  TvxDragAndDropObject* DragAndDropObject();
  virtual TvxDragAndDropObjectClass DragAndDropObjectClass();
  void SetDragAndDropObjectClass(TvxDragAndDropObjectClass Value) { FDragAndDropObjectClass = Value; }
  TvxDragAndDropState DragAndDropState() const { return FDragAndDropState; }
  void SetDragAndDropState(TvxDragAndDropState Value);
  virtual bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }
  bool IsLoading() const { return ComponentState().Contains(csLoading); }
  TObject* MouseCaptureObject() const { return FMouseCaptureObject; }
  void SetMouseCaptureObject(TObject* Value);
  const TPoint& MouseDownPos() const { return FMouseDownPos; }
  void SetMouseDownPos(const TPoint& Value) { FMouseDownPos = Value; }
  bool MouseButtonPressed() const { return FMouseButtonPressed; }

  TvxControlBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TvxControlBorderStyle Value);
  TvxKeys Keys() const { return FKeys; }
  void SetKeys(TvxKeys Value) { FKeys = Value; }
  TvxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  void SetLookAndFeel(TvxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }
  // A TPopupMenu or a component implementing IvxExternalPopupMenu; anything else is
  // stored as nullptr.
  TComponent* PopupMenuComponent() const { return FPopupMenu; }
  void SetPopupMenuComponent(TComponent* Value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool FocusOnClick() const { return FFocusOnClick; }
  void SetFocusOnClick(bool Value) { FFocusOnClick = Value; }
  TvxControlScrollBar* HScrollBar() const { return FHScrollBar; }
  TvxControlScrollBar* VScrollBar() const { return FVScrollBar; }
  TvxSizeGrip* SizeGrip() const { return FSizeGrip; }
  bool HScrollBarVisible();
  bool VScrollBarVisible();
  bool IsScrollingContent() const { return FIsScrollingContent; }
  bool CreatingWindow() const { return FCreatingWindow; }

  void InvalidateRect(const TRect& R, bool EraseBackground);
  void InvalidateRgn(TvxRegion* ARegion, bool EraseBackground);
  void InvalidateWithChildren();
  void UpdateWithChildren();
  void PostMouseMove(const TPoint& AMousePos);
  void PostMouseMove();
  bool IsMouseInPressedArea(Integer X, Integer Y);
  void AddFontListener(IvxFontListener* AListener);
  void RemoveFontListener(IvxFontListener* AListener);

  // Scrolling.
  void SetScrollBarInfo(TScrollBarKind AScrollBarKind, Integer AMin, Integer AMax, Integer AStep, Integer APage,
                        Integer APos, bool AAllowShow, bool AAllowHide);
  void LockScrollBars();
  void UnlockScrollBars();
  void ScrollContent(TvxDirection ADirection);
  void ScrollWindow(Integer DX, Integer DY, const TRect& AScrollRect);
  // Makes the bar objects when the control needs them (see NeedsScrollBars), parenting
  // them once the window exists; frees them when it does not.
  void UpdateScrollBarObjects();
  // Whether the control must have its bar objects now: it has scroll bars and is not
  // being destroyed.
  bool NeedsScrollBars();
  void RunContentScrolling();

  // Suite drag and drop.
  virtual void BeginDragAndDrop();
  void FinishDragAndDrop(bool Accepted);
  virtual bool StartDrag(TDragObject* DragObject) { return true; }

  // Virtual operations.
  virtual bool ShowPopupMenu(TComponent* APopupMenu, Integer X, Integer Y);
  virtual void DesignerModified();
  virtual void BeforeMouseDown(TMouseButton Button, Integer X, Integer Y);
  virtual void InternalMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {}
  virtual void BringScrollBarsToFront();
  virtual void CompleteMouseAction();
  virtual Integer GetBorderSize();
  virtual TCursor GetCursorAt(Integer X, Integer Y) { return FDefaultCursor; }
  virtual bool IsFocused() { return Focused(); }
  virtual Integer GetMouseWheelScrollingKind();
  virtual void InitScrollBars();
  virtual bool CanFocusOnClick();
  virtual bool CanFocusOnClickAt(Integer X, Integer Y) { return CanFocusOnClick(); }
  virtual bool CanFocusOnScrollBarClick() { return CanFocusOnClick(); }
  virtual bool NeedsEraseBackground() { return false; }
  virtual bool IsInternalControl(TControl* AControl);
  virtual bool NeedsFullRedraw() { return false; }
  virtual bool CorrectMouseDownPosOnFocus() { return true; }
  virtual void ParentBackgroundChanged() {}
  TvxLookAndFeel* GetLookAndFeel() override { return FLookAndFeel.get(); }
  virtual TvxCustomLookAndFeelPainterClass LookAndFeelPainter();
  virtual void LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {}
  virtual bool CanScrollContent(TvxDirection ADirection) { return false; }
  virtual void GetHScrollBarBounds(TRect& R);
  virtual void GetSizeGripBounds(TRect& R);
  virtual void GetVScrollBarBounds(TRect& R);
  // Describes what can be scrolled; the base hands over to SetupScrollBars.
  virtual void InitScrollBarsParameters() { SetupScrollBars(); }
  // Sets the bars' data with SetScrollBarInfo; the base sets nothing.
  virtual void SetupScrollBars() {}
  virtual bool IsPixelScrollBar(TScrollBarKind AKind) { return false; }
  virtual bool HasScrollBars() { return true; }
  virtual bool CanBringScrollBarsToFront() { return !IsDesigning(); }
  virtual void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {}
  virtual void SetScrollBarsBounds();
  virtual void RefreshScrollBarsShowing();
  virtual void UpdateScrollBars();
  virtual bool CanDragAtDesignTime(Integer X, Integer Y, TShiftState Shift) { return true; }
  virtual void DrawDragImage(TvxCanvas* ACanvas, const TRect& R) {}
  virtual TvxDragImageListClass GetDragImagesClass();
  virtual TSize GetDragImagesSize() { return TSize{0, 0}; }
  virtual bool IsCopyDragDrop();
  virtual bool HasDragImages() { return false; }
  virtual void InitDragImages(TDragImageList* AList);
  virtual bool CanFocusEx();
  virtual bool AcceptMousePosForClick(Integer X, Integer Y);
  void TranslationChanged() override {}

  // "Dynamic" operations.
  virtual void AddChildComponent(TvxControlChildComponent* AComponent);
  virtual void RemoveChildComponent(TvxControlChildComponent* AComponent);
  virtual void CancelMouseState();
  virtual bool IsDesignHitTestPoint(Integer X, Integer Y, TShiftState Shift);
  virtual void MouseEnter(TControl* AControl);
  virtual void MouseLeave(TControl* AControl);
  virtual bool MayFocus() { return true; }
  virtual void BoundsChanged();
  virtual void ColorChanged() {}
  virtual void CursorChanged() { FDefaultCursor = Cursor(); }
  virtual void FocusChanged();
  virtual void FontChanged();
  virtual void TextChanged() {}
  virtual void VisibleChanged() {}
  virtual bool CanMouseDownWithoutFocus() { return false; }
  virtual void DragAndDrop(const TPoint& P, bool& Accepted);
  virtual void EndDragAndDrop(bool Accepted);
  virtual bool CanStartDragAndDrop(const TPoint& P) { return false; }
  virtual bool CanDrag(Integer X, Integer Y) { return FDragAndDropState == ddsNone; }

  // Platform drag: the drag object class, start and end of a drag, drag-over, images.
  virtual TvxDragControlObjectClass GetDragObjectClass();
  void DoStartDrag(TDragObject*& DragObject) override;
  void DoEndDrag(TObject* Target, Integer X, Integer Y) override;
  void DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) override;
  TDragImageList* GetDragImages() override;
  void HideDragImage();
  void ShowDragImage();

  void Resize() override;
  void DoContextPopup(POINT MousePos, bool& Handled) override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) override;
  TPopupMenu* GetPopupMenu() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void WndProc(TMessage& Message) override;

  TNotifyEvent OnFocusChanged;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWindowHandle() override;
  void Paint() override;
  void CreateScrollBars();
  void DestroyScrollBars();
  void ScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos);
  void LookAndFeelChangedHandler(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues);
  bool IsPopupMenuShortCut(TWMKey& Message);

  void WMPaint(TWMPaint& Message);
  void WMEraseBkgnd(TWMEraseBkgnd& Message);
  void WMCancelMode(TWMNoParams& Message);
  void WMSetCursor(TWMSetCursor& Message);
  void WMGetDlgCode(TWMGetDlgCode& Message);
  void WMContextMenu(TWMContextMenu& Message);
  void WMNCCalcSize(TMessage& Message);
  void VXMScrollBarMetricsChanged(TMessage& Message);
  void CNKeyDown(TWMKey& Message);
  void CNSysKeyDown(TWMKey& Message);
  void CMInvalidate(TCMInvalidate& Message);
  void CMDesignHitTest(TMessage& Message);
  void CMCursorChanged(TCMNoParams& Message);
  void CMFontChanged(TCMNoParams& Message);
  void CMColorChanged(TCMNoParams& Message);
  void CMTextChanged(TCMNoParams& Message);
  void CMVisibleChanged(TCMVisibleChanged& Message);
  void CMMouseEnter(TCMMouseEnterLeave& Message);
  void CMMouseLeave(TCMMouseEnterLeave& Message);

  std::unique_ptr<TvxCanvas> FActiveCanvas;
  TvxControlBorderStyle FBorderStyle = vxcbsNone;
  bool FCalculatingScrollBarsParams = false;
  std::unique_ptr<TvxCanvas> FvxCanvas;
  bool FCreatingWindow = false;
  TCursor FDefaultCursor = crDefault;
  std::unique_ptr<TvxDragAndDropObject> FDragAndDropObject;
  TvxDragAndDropObjectClass FDragAndDropObjectClass = nullptr;
  TCursor FDragAndDropPrevCursor = crDefault;
  TvxDragAndDropState FDragAndDropState = ddsNone;
  std::unique_ptr<TDragImageList> FDragImages;
  bool FFinishingDragAndDrop = false;
  bool FFocusOnClick = true;
  std::vector<IvxFontListener*> FFontListenerList;
  TvxControlScrollBar* FHScrollBar = nullptr;
  bool FInitialHScrollBarVisible = false, FInitialVScrollBarVisible = false;
  bool FIsInitialScrollBarsParams = false;
  TvxKeys FKeys;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  bool FMouseButtonPressed = false;
  TObject* FMouseCaptureObject = nullptr;
  TPoint FMouseDownPos{0, 0};
  bool FMouseRightButtonReleased = false;
  TComponent* FPopupMenu = nullptr;
  TScrollStyle FScrollBars = ssBoth;
  Integer FScrollBarsLockCount = 0;
  bool FScrollBarsUpdateNeeded = false;
  TvxSizeGrip* FSizeGrip = nullptr;
  bool FUpdatingScrollBars = false;
  TvxControlScrollBar* FVScrollBar = nullptr;
  bool FIsScrollingContent = false;
  bool FLastParentBackground = true;
  TRect FBounds{0, 0, 0, 0};
};

// --- Drag and drop -------------------------------------------------------------------------

// One suite drag inside a control; descendants implement concrete drags.
class TvxDragAndDropObject : public TObject {
  DECLARE_CLASS(TvxDragAndDropObject, TObject)
 public:
  explicit TvxDragAndDropObject(TvxControl* AControl);
  static TvxDragAndDropObject* CreateInstance(TvxControl* AControl) { return new TvxDragAndDropObject(AControl); }
  TvxControl* Control() const { return FControl; }
  TvxCanvas* Canvas() const { return FCanvas; }
  bool Dirty() const { return FDirty; }
  void SetDirty(bool Value);
  virtual bool ImmediateStart() { return false; }
  void ChangeMousePos(const TPoint& P);
  void DoBeginDragAndDrop();
  void DoDragAndDrop(const TPoint& P, bool& Accepted);
  void DoEndDragAndDrop(bool Accepted);
  TPoint CurMousePos{-1, -1};
  TPoint PrevMousePos{-1, -1};

 protected:
  virtual void DirtyHook() {}
  virtual TCursor GetDragAndDropCursor(bool Accepted) { return Accepted ? crDrag : crNoDrop; }
  virtual void AfterDragAndDrop(bool Accepted) {}
  virtual void BeginDragAndDrop() { DirtyHook(); }
  virtual void DragAndDrop(const TPoint& P, bool& Accepted);
  virtual void EndDragAndDrop(bool Accepted) { SetDirty(true); }

 private:
  TvxCanvas* FCanvas;
  TvxControl* FControl;
  bool FDirty = false;
};

// The platform drag object of a TvxControl: a copy cursor while Ctrl is held; frees
// itself when the drag is finished.
class TvxDragControlObject : public TDragControlObject {
  DECLARE_CLASS(TvxDragControlObject, TDragControlObject)
 public:
  using TDragControlObject::TDragControlObject;
  static TDragObject* CreateInstance(TControl* AControl) { return new TvxDragControlObject(AControl); }
  TCursor GetDragCursor(bool Accepted, Integer X, Integer Y) override;
  void Finished(TObject* Target, Integer X, Integer Y, bool Accepted) override;
  void Abandoned() override;
};

// The platform drag object that a TvxControl's drag-over saw last (nullptr after a
// drag leave).
extern TDragObject* vxDragObject;

// --- Popup windows, drag images and the size frame -----------------------------------------

enum TvxPopupAlignHorz { pahLeft, pahCenter, pahRight };
enum TvxPopupAlignVert { pavTop, pavCenter, pavBottom };
enum TvxPopupDirection { pdHorizontal, pdVertical };

// A borderless stay-on-top form that pops up next to a rectangle of an owner control.
class TvxPopupWindow : public TForm {
  DECLARE_CLASS(TvxPopupWindow, TForm)
  DECLARE_MESSAGE_MAP
 public:
  TvxPopupWindow();
  ~TvxPopupWindow() override;

  bool Adjustable() const { return FAdjustable; }
  void SetAdjustable(bool Value) { FAdjustable = Value; }
  TvxPopupAlignHorz AlignHorz() const { return FAlignHorz; }
  void SetAlignHorz(TvxPopupAlignHorz Value) { FAlignHorz = Value; }
  TvxPopupAlignVert AlignVert() const { return FAlignVert; }
  void SetAlignVert(TvxPopupAlignVert Value) { FAlignVert = Value; }
  Integer BorderSpace() const { return FBorderSpace; }
  void SetBorderSpace(Integer Value);
  TvxPopupBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TvxPopupBorderStyle Value);
  TvxPopupDirection Direction() const { return FDirection; }
  void SetDirection(TvxPopupDirection Value) { FDirection = Value; }
  TColor FrameColor() const { return FFrameColor; }
  void SetFrameColor(TColor Value) { FFrameColor = Value; }
  const TRect& OwnerBounds() const { return FOwnerBounds; }
  void SetOwnerBounds(const TRect& Value) { FOwnerBounds = Value; }
  TControl* OwnerParent() const { return FOwnerParent; }
  void SetOwnerParent(TControl* Value) { FOwnerParent = Value; }
  HWND PrevActiveWindow() const { return FPrevActiveWindow; }
  TvxCanvas* vxCanvas() const { return FvxCanvas.get(); }

  virtual TPoint CalculatePosition();
  virtual void CalculateSize();
  virtual Integer GetFrameWidth(TvxBorder AEdge) { return GetBorderWidth(AEdge) + FBorderSpace; }
  virtual TRect ClientBounds();
  virtual Integer GetBorderWidth(TvxBorder AEdge);
  virtual TRect OwnerScreenBounds();
  virtual void InitPopup();
  virtual void DrawFrame();
  virtual void CloseUp() { Hide(); }
  virtual void Popup();
  virtual void VisibleChanged() {}
  Integer HorzFrameWidth() { return GetFrameWidth(bLeft) + GetFrameWidth(bRight); }
  Integer VertFrameWidth() { return GetFrameWidth(bTop) + GetFrameWidth(bBottom); }
  void ShiftChildControls();

 protected:
  void Paint() override;
  void Deactivate() override;
  void WMActivate(TWMActivate& Message);
  void WMActivateApp(TMessage& Message);
  void CMVisibleChanged(TCMVisibleChanged& Message);

  bool FAdjustable = true;
  TvxPopupAlignHorz FAlignHorz = pahLeft;
  TvxPopupAlignVert FAlignVert = pavBottom;
  Integer FBorderSpace = 0;
  TvxPopupBorderStyle FBorderStyle = pbsNone;
  std::unique_ptr<TvxCanvas> FvxCanvas;
  TvxPopupDirection FDirection = pdVertical;
  TColor FFrameColor = clWindowText;
  TRect FOwnerBounds{0, 0, 0, 0};
  TControl* FOwnerParent = nullptr;
  HWND FPrevActiveWindow = nullptr;
};

// A floating, click-through, semi-transparent window that follows the mouse.
class TvxCustomDragImage : public TvxPopupWindow {
  DECLARE_CLASS(TvxCustomDragImage, TvxPopupWindow)
  DECLARE_MESSAGE_MAP
 public:
  TvxCustomDragImage();
  ~TvxCustomDragImage() override;
  const TPoint& PositionOffset() const { return FPositionOffset; }
  void SetPositionOffset(const TPoint& Value) { FPositionOffset = Value; }
  bool AlphaBlended() const;
  bool Visible();
  void SetVisible(bool Value);
  void Init(const TRect& ASourceBounds, const TPoint& ASourcePoint);
  virtual void MoveTo(const TPoint& APosition);
  void Show(Integer ACmdShow = SW_SHOWNA);
  void Hide();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void WMEraseBkgnd(TWMEraseBkgnd& Message);
  void WMNCHitTest(TMessage& Message);
  TPoint FPositionOffset{0, 0};
};

class TvxDragImage : public TvxCustomDragImage {
  DECLARE_CLASS(TvxDragImage, TvxCustomDragImage)
 public:
  TvxDragImage();
  ~TvxDragImage() override;
  TvxCanvas* Canvas() const { return FImageCanvas.get(); }
  TBitmap* Image() const { return FImage.get(); }
  TvxCanvas* WindowCanvas() const { return vxCanvas(); }
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

 protected:
  void Paint() override;
  std::unique_ptr<TBitmap> FImage;
  std::unique_ptr<TvxCanvas> FImageCanvas;
};

// A hatched frame (or filled area) shown while something is sized or selected.
class TvxSizeFrame : public TvxCustomDragImage {
  DECLARE_CLASS(TvxSizeFrame, TvxCustomDragImage)
 public:
  explicit TvxSizeFrame(Integer AFrameWidth = 2);
  ~TvxSizeFrame() override;
  bool FillSelection() const { return FFillSelection; }
  void SetFillSelection(bool Value) { FFillSelection = Value; }
  Integer FrameWidth() const { return FFrameWidth; }
  void DrawSizeFrame(const TRect& ARect);
  void DrawSizeFrame(const TRect& ARect, TvxRegion* ARegion);
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

 protected:
  void Paint() override;
  bool FFillSelection = false;
  Integer FFrameWidth;
  std::unique_ptr<TvxRegion> FRegion;
  std::unique_ptr<TBitmap> FPattern;
};

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
