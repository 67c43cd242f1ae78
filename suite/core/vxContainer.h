// The container control: a custom-drawn control that frames an optional inner windowed
// control (an edit, a list box ...), paints its border, background and shadow from four
// state styles, follows focus, enablement and hot tracking, and forwards keyboard and
// focus to the inner control. Also the free routines that map windows and controls to
// their containers.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Controls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "vxContainerRoutines.h"
#include "vxContainerStyles.h"
#include "vxControls.h"

class TvxContainer;

// Private messages of containers and popups; the numbers are shared by every control of
// the suite.
constexpr UINT VXM_CLOSEPOPUPWINDOW = 0x807D;
constexpr UINT VXM_SHOWPOPUPWINDOW = 0x807E;
constexpr UINT VXM_REFRESHCONTAINER = 0x807F;
constexpr UINT VXM_UPDATESCROLLBARS = 0x8080;
constexpr UINT VXM_BUFFEREDPAINTONGLASS = 0x8081;

// Implemented by every inner control of a container.
class IvxContainerInnerControl {
 public:
  virtual ~IvxContainerInnerControl() = default;
  virtual TWinControl* GetControl() = 0;
  virtual TvxContainer* GetControlContainer() = 0;
};
// {1B111318-D9C9-4C35-9EFF-5D95793C0106}
constexpr GUID IID_IvxContainerInnerControl = {
    0x1B111318, 0xD9C9, 0x4C35, {0x9E, 0xFF, 0x5D, 0x95, 0x79, 0x3C, 0x01, 0x06}};

struct TvxContainerActiveStyleData {
  TvxContainerState ContainerState;
  TvxContainerStyle* ActiveStyle = nullptr;
};

struct TvxContainerInnerControlBounds {
  bool IsEmpty = true;
  TRect Rect{};
};

struct TvxContainerSizeGripData {
  TRect Bounds{};
  bool Visible = false;
};

class TvxContainer : public TvxControl, public IvxMouseTrackingCaller, public IvxStyledContainer {
  DECLARE_CLASS(TvxContainer, TvxControl)
  DECLARE_MESSAGE_MAP
  friend class TvxCustomInnerListBox;

 public:
  explicit TvxContainer(TComponent* AOwner);
  ~TvxContainer() override;
  // Construction finishes here: the styles and the view info come from virtual
  // factories, which are not reachable from the constructor.
  void AfterConstruction() override;
  // The styles; a container made without AfterConstruction finishes its construction
  // here, on first use, instead of running without styles.
  TvxContainerStyles* ConstructedStyles() const {
    if (!FStyles && FIsCreating) const_cast<TvxContainer*>(this)->FinishConstruction();
    return FStyles.get();
  }
  template <class T>
  static T* Create(TComponent* AOwner) {
    auto c = std::make_unique<T>(AOwner);
    c->AfterConstruction();
    return c.release();
  }

  // Recomputes the look for the present cursor position and repaints.
  void ShortRefreshContainer(bool AIsMouseEvent);
  void CheckViewInfo();
  TFont* GetStateFont();
  void LockAlignControls(bool ALock);
  void LockPopupMenu(bool ALock);
  void RestoreStyles() { ConstructedStyles()->RestoreDefaults(); }
  virtual void ClearSavedChildControlRegions() { FInnerControlBounds.IsEmpty = true; }
  virtual TRect GetVisibleBounds();
  virtual bool HasPopupWindow() { return false; }
  bool InnerControlMenuHandler(TMessage& Message);
  bool IsInplace() override { return false; }
  bool UsesParentColorByDefault() override { return false; }
  bool IsStylePropertyPublished(const String& APropertyName, bool AExtendedStyle) override;
  bool Focused() override;
  void SetFocus() override;
  void Invalidate() override;
  void Update() override;
  TRect ClientBounds() override;
  TvxLookAndFeel* GetLookAndFeel() override;
  TDragImageList* GetDragImages() override;
  void SetDragMode(TDragMode Value) override;
  // Stores the drag kind in the container and in the inner control.
  void SetContainerDragKind(TDragKind Value);

  TWinControl* InnerControl() const { return FInnerControl; }
  void SetInnerControl(TWinControl* Value);
  bool InnerControlMouseDown() const { return FInnerControlMouseDown; }
  void SetInnerControlMouseDown(bool Value) { FInnerControlMouseDown = Value; }
  // A press on an inner control AInner, handed on in the container's coordinates with
  // InnerControlMouseDown set for the call's duration.
  void MouseDownFromInner(TControl* AInner, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  bool OnGlass() const { return FOnGlass; }
  void SetOnGlass(bool Value) { FOnGlass = Value; }
  TRect VisibleBounds() { return GetVisibleBounds(); }
  TvxStyleController* FakeStyleController() { return Style()->StyleController(); }
  void SetFakeStyleController(TvxStyleController*) {}
  TvxContainerStyle* Style() const { return ConstructedStyles()->Style(); }
  void SetStyle(TvxContainerStyle* Value) { ConstructedStyles()->SetStyle(Value); }
  TvxContainerStyle* StyleDisabled() const { return ConstructedStyles()->StyleDisabled(); }
  void SetStyleDisabled(TvxContainerStyle* Value) { ConstructedStyles()->SetStyleDisabled(Value); }
  TvxContainerStyle* StyleFocused() const { return ConstructedStyles()->StyleFocused(); }
  void SetStyleFocused(TvxContainerStyle* Value) { ConstructedStyles()->SetStyleFocused(Value); }
  TvxContainerStyle* StyleHot() const { return ConstructedStyles()->StyleHot(); }
  void SetStyleHot(TvxContainerStyle* Value) { ConstructedStyles()->SetStyleHot(Value); }
  TvxContainerViewInfo* ViewInfo() const { return FViewInfo.get(); }
  bool IsViewInfoCalculated() const { return FIsViewInfoCalculated; }

  virtual TvxContainerStyle* GetActiveStyle();

  // Scroll-bar mirroring: posts the private update message to the container.
  void UpdateScrollBarsParameters();
  virtual void SetScrollBarsParameters(bool AIsScrolling);
  // An inner control passes the messages it does not handle here first; true when the
  // container handled the message.
  bool InnerControlDefaultHandler(TMessage& Message);
  const TvxContainerSizeGripData& SizeGripData() const { return FSizeGripData; }

 protected:
  // IvxMouseTrackingCaller
  void MouseLeave() override { TrackedMouseLeave(this); }

  virtual void ApplyStyleToInnerControl();
  virtual void ComputeViewInfo(const TPoint& P, bool AHotTrackAllowed);
  virtual bool HandlesTabNavigation() { return true; }
  virtual bool CanHaveTransparentBorder();
  virtual bool CanRefreshContainer();
  virtual bool CanShowPopupMenuAt(const TPoint&) { return true; }
  virtual void ContainerStyleChanged(TObject* Sender);
  virtual void ReadValueFromBinding() {}
  virtual void BindingSourceChanged() { ShortRefreshContainer(false); }
  virtual bool RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift, bool AIsMouseEvent);
  virtual void TrackedMouseLeave(TControl* AControl);
  virtual TColor ComputeBackgroundColor();
  virtual TColor ComputeBorderColor();
  virtual void GetBorderExtent(TRect& R);
  virtual void GetPainterColors(TColor& ABackground, TColor& AText);
  virtual TvxEditStateColorKind GetEditStateColorKind();
  virtual void GetBorderRect(TRect& R);
  virtual void GetEmptyRect(TRect& R) { R = TRect{}; }
  virtual TvxContainerStyleClass GetStyleClass();
  virtual TvxContainerStylesClass GetStylesClass();
  virtual std::unique_ptr<TvxContainerViewInfo> CreateViewInfo();
  virtual bool HasShadow();
  virtual TvxContainerStyle* GetStyleForState();
  virtual TvxContainerStyleValues GetNotPublishedStyleValues() { return {}; }
  virtual bool SkipsSetFocus() { return Focused(); }
  virtual bool HasOwnChildControls() { return false; }
  virtual bool IsMouseTracked() { return vxIsMouseTracking(this); }
  virtual bool IsNativeStyle();
  virtual bool IsReadOnlyState() { return false; }
  virtual bool DependsOnParentBackground() { return false; }
  virtual void AlignInnerControl();
  virtual void WriteValueToBinding() {}
  virtual TvdThemedObjectType GetThemedObjectType() { return totEdit; }
  virtual Integer GetNativePart();
  virtual Integer GetNativeState();
  virtual void FocusInnerControl();
  bool CanDragAtDesignTime(Integer, Integer, TShiftState) override { return false; }
  // Runs the inner control's saved window method, when a descendant saved one.
  virtual void CallInnerControlWndProc(TMessage& Message);
  void TranslationChanged() override;
  void ChangeScale(Integer M, Integer D) override;
  virtual void AdjustScrollBarPosition(TvxScrollBar* AScrollBar);
  virtual void CalculateInnerControlBounds(const RECT& ARect, TControl* AControl,
                                           TvxContainerInnerControlBounds& ABounds);
  virtual bool DoInnerControlDefaultHandler(TMessage& Message);
  virtual bool GetInnerScrollBarInfo(SCROLLBARINFO& AInfo, TScrollBarKind AKind);
  virtual void GetScrollBarBounds(const RECT& AScreenRect, TRect& R);
  virtual bool IsScrollBarEnabled(TvxScrollBar* AScrollBar, const SCROLLBARINFO& AInfo);
  virtual bool IsScrollBarInfoVisible(const SCROLLBARINFO& AInfo);
  virtual void SetScrollBarVisible(TvxScrollBar* AScrollBar, bool AVisible);
  virtual void SetShadowClipRegion();
  virtual void UpdateWindowRegion();
  void AlignControls(TControl* AControl, RECT& Rect) override;
  void RefreshContainer(const TPoint& P, TvxMouseButton AButton, TShiftState AShift, bool AIsMouseEvent);

  // TvxControl and control overrides.
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  void CreateWnd() override;
  void WndProc(TMessage& Message) override;
  void AdjustClientRect(RECT& Rect) override;
  void GetTabOrderList(std::vector<TWinControl*>& List) override;
  void CreateHandle() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWindowHandle(const TCreateParams& Params) override;
  void Paint() override;
  bool CanFocusOnClick() override;
  bool CanFocusOnScrollBarClick() override { return false; }
  bool HasScrollBars() override { return false; }
  void UpdateScrollBars() override;
  void ColorChanged() override;
  void CursorChanged() override;
  void FocusChanged() override;
  bool MayFocus() override;
  void MouseEnter(TControl* AControl) override;
  void MouseLeave(TControl* AControl) override;
  void DoContextPopup(POINT MousePos, bool& Handled) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Resize() override;
  virtual void EnabledChanged();

  void WMSetFocus(TWMSetFocus& Message);
  void WMKillFocus(TWMKillFocus& Message);
  void WMNCPaint(TMessage& Message);
  void WMSetCursor(TWMSetCursor& Message);
  void WMWindowPosChanging(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  void CMEnabledChanged(TCMNoParams& Message);
  void CMFontChanged(TCMNoParams& Message);
  void CMParentColorChanged(TMessage& Message);
  void CMParentFontChanged(TMessage& Message);
  void CMSysColorChange(TMessage& Message);
  void CMFocusChanged(TMessage& Message);
  void VXMRefreshContainer(TMessage& Message);
  void VXMUpdateScrollBars(TMessage& Message);
  void VXMBufferedPaintOnGlass(TMessage& Message);
  void WMPaint(TWMPaint& Message);
  void CNCtlColor(TMessage& Message);

  TvxContainerActiveStyleData FActiveStyleData;
  bool FHasChanges = false;
  TWinControl* FInnerControl = nullptr;
  TvxContainerInnerControlBounds FInnerControlBounds;
  bool FInnerControlMouseDown = false;
  bool FIsViewInfoCalculated = false;
  Integer FLockAlignControlsCount = 0;
  bool FOnGlass = false;
  bool FRepaintOnGlass = false;
  bool FInnerControlBufferedPaint = false;
  bool FScrollBarsCalculating = false;
  Integer FPopupMenuLockCount = 0;
  TvxContainerSizeGripData FSizeGripData;
  Integer FRefreshLockCount = 0;
  bool FInternalSetting = false;
  bool FIsCreating = true;
  // A window method of the inner control that a descendant replaced and still calls.
  TWndMethod FSaveInnerControlWndProc;
  void FinishConstruction();
  std::unique_ptr<TvxContainerStyles> FStyles;
  std::unique_ptr<TvxContainerViewInfo> FViewInfo;
};

// The container of AControl: AControl itself when it is one, the container an inner
// control names, else nullptr.
TvxContainer* vxFindContainerOf(TControl* AControl);
// AWnd is AControl's window, or (with AIncludeRelated) a window related to it.
bool vxIsControlHandle(TWinControl* AControl, HWND AWnd, bool AIncludeRelated = false);
// AWnd is not AControl's own window but a child window of it or of one of its windowed
// child controls (searched recursively), or belongs to a popup opened by one of them.
bool vxIsRelatedWindowHandle(TWinControl* AControl, HWND AWnd);

// The list box used as the inner control of list-box containers: it hands its mouse,
// keyboard, focus and drag events to the container, draws owner-drawn items with the
// selection colours, offers incremental search, and covers its own system scroll bars
// with two suite scroll bars placed on its parent.
class TvxCustomInnerListBox : public TListBox, public IvxContainerInnerControl {
  DECLARE_CLASS(TvxCustomInnerListBox, TListBox)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomInnerListBox(TComponent* AOwner);
  ~TvxCustomInnerListBox() override;
  TWinControl* GetControl() override { return this; }
  TvxContainer* GetControlContainer() override { return FContainer; }
  TvxContainer* Container() const { return FContainer; }
  void SetContainer(TvxContainer* Value) { FContainer = Value; }
  bool AutoComplete() const { return FAutoComplete; }
  void SetAutoComplete(bool Value) { FAutoComplete = Value; }
  // Milliseconds after which typing starts a new search.
  DWORD AutoCompleteDelay() const { return FAutoCompleteDelay; }
  void SetAutoCompleteDelay(DWORD Value) { FAutoCompleteDelay = Value; }
  const String& AutoCompleteFilter() const { return FAutoCompleteFilter; }
  // The suite canvas over the list box canvas (it draws on the item's DC while an item
  // is being drawn).
  TvxCanvas* vxCanvas() const { return FCanvas.get(); }
  // The suite scroll bars shown over the system bars; nullptr once freed elsewhere.
  TvxScrollBar* HScrollBar() const { return FHScrollBar; }
  TvxScrollBar* VScrollBar() const { return FVScrollBar; }
  // Master look and feel of both scroll bars; assigning copies.
  TvxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  void SetLookAndFeel(TvxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }
  bool IsRedrawLocked() const { return FIsRedrawLocked; }
  // One of the item rectangle's corners lies in the list box.
  bool ItemVisible(Integer AIndex);
  // Places the suite scroll bars over the system bars and copies their ranges.
  virtual void SetExternalScrollBarsParameters();
  // The corner between the two visible suite bars, relative to the list box window
  // rectangle; empty unless both are visible.
  TRect GetSizeGripRect();
  // Drop-target side of dragging: the drag manager's steps over the list box go to the
  // container (in its client coordinates).
  void DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, Integer X, Integer Y) override;
  void DefaultHandler(TMessage& Message) override;
  void WndProc(TMessage& Message) override;

 protected:
  virtual void ProcessAutoCompleteKey(wchar_t& Key);
  virtual void InnerLookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues);
  // The focus rectangle is drawn around the focused item unless OnDrawItem draws items.
  virtual bool DrawsFocusRect() { return !OnDrawItem; }
  virtual void MouseEnter(TControl*) {}
  virtual void MouseLeave(TControl* AControl);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Click() override;
  void DblClick() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) override;
  TPopupMenu* GetPopupMenu() override;
  void PaintSizeGrip();
  void HScrollBarScroll(TObject* Sender, TScrollCode AScrollCode, Integer& AScrollPos);
  void VScrollBarScroll(TObject* Sender, TScrollCode AScrollCode, Integer& AScrollPos);

  void WMSetFocus(TWMSetFocus& Message);
  void WMKillFocus(TWMKillFocus& Message);
  void WMGetDlgCode(TWMGetDlgCode& Message);
  void WMNCPaint(TMessage& Message);
  void WMPrint(TMessage& Message);
  void WMPrintClient(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  void CNDrawItem(TWMDrawItem& Message);
  void CMMouseEnter(TCMMouseEnterLeave& Message);
  void CMMouseLeave(TCMMouseEnterLeave& Message);

  // Saved colours for descendants that switch the canvas colours while drawing.
  TColor FPrevBrushColor = clNone;
  TColor FPrevFontColor = clNone;

 private:
  // WM_LBUTTONDOWN while the container drags automatically.
  void LButtonDownWithDrag(TMessage& Message);
  TvxScrollBar* CreateExternalScrollBar(TScrollBarKind AKind);
  String FAutoCompleteFilter;
  bool FAutoComplete = true;
  DWORD FAutoCompleteDelay = 500;
  std::unique_ptr<TvxCanvas> FCanvas;
  TvxScrollBar* FHScrollBar = nullptr;
  bool FIsRedrawLocked = false;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  DWORD FPrevKeyPressTime = 0;
  bool FScrollBarsCalculating = false;
  Integer FScrollBarsLockCount = 0;
  TvxScrollBar* FVScrollBar = nullptr;
  TvxContainer* FContainer = nullptr;
};

// The drop-down window of an owner control: a borderless form shown next to its owner,
// either taking the focus (optionally running a modal message loop until it closes) or
// staying inactive. Shown popups stand in OpenPopupWindowList; the unit's thread hooks
// close them on clicks elsewhere, on the owner hiding and on the application losing
// activation.
class TvxCustomPopupWindow : public TvxPopupWindow {
  DECLARE_CLASS(TvxCustomPopupWindow, TvxPopupWindow)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomPopupWindow(TWinControl* AOwnerControl);
  ~TvxCustomPopupWindow() override;

  virtual void Popup(TWinControl* AFocusedControl);
  void CloseUp() override;
  // Closes later, from the message loop.
  void ClosePopup();
  bool IsVisible() const;
  bool HasCapture();
  void LockDeactivate(bool ALock) { FDeactivateLockCount += ALock ? 1 : -1; }
  bool OwnerControlShowing();
  // Returns the flag and clears it.
  bool JustClosed() {
    bool r = FJustClosed;
    FJustClosed = false;
    return r;
  }
  void SetJustClosed(bool Value) { FJustClosed = Value; }
  bool CaptureFocus() const { return FCaptureFocus; }
  void SetCaptureFocus(bool Value);
  bool IsTopMost() const { return FIsTopMost; }
  void SetIsTopMost(bool Value);
  bool ModalMode() const { return FModalMode; }
  void SetModalMode(bool Value) { FModalMode = Value; }
  bool TerminateOnDestroy() const { return FTerminateOnDestroy; }
  void SetTerminateOnDestroy(bool Value) { FTerminateOnDestroy = Value; }
  TWinControl* OwnerControl() const { return FOwnerControl; }
  TWinControl* FocusedControl() const { return FFocusedControl; }
  bool IsDeactivateLocked() const { return FDeactivateLockCount != 0; }
  TvxContainerStyle* Style() const { return FStyle.get(); }
  TvxContainerViewInfo* ViewInfo() const { return FViewInfo.get(); }
  bool Focused() override;
  bool CanFocus() override { return Visible(); }
  TRect OwnerScreenBounds() override;
  void InitPopup() override {}

  virtual bool AdjustsToWorkArea() { return false; }
  virtual bool ErasesBackground() { return false; }
  virtual bool IsPopupNavigationKey(WPARAM AKey) { return (AKey >= VK_PRIOR && AKey <= VK_DOWN) || AKey == VK_F4; }
  virtual void CloseUpByModalResult() { CloseUp(); }
  virtual bool HandleClosingClick(HWND AWnd, UINT AMsg, const POINT& APoint, TShiftState AShift) { return false; }
  virtual void CorrectBoundsWithDesktopWorkArea(TPoint& APosition);

  TNotifyEvent OnClosed, OnClosing, OnShowed, OnShowing;

 protected:
  virtual void DoClosed() { if (OnClosed) OnClosed(this); }
  virtual void DoClosing() { if (OnClosing) OnClosing(this); }
  virtual void DoShowed() { if (OnShowed) OnShowed(this); }
  virtual void DoShowing() { if (OnShowing) OnShowing(this); }
  virtual void PopupStyleChanged(TObject*) {}
  // The mouse entered or left the popup or one of its controls (AControl).
  virtual void MouseEnter(TControl*) {}
  virtual void MouseLeave(TControl*) {}
  void VisibleChanged() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Deactivate() override;
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void AdjustClientRect(RECT& Rect) override;
  bool SetFocusedControl(TWinControl* Control) override;
  bool IsShortCut(TWMKey& Message) override;

  void WMActivateApp(TMessage& Message);
  void WMEraseBkgnd(TWMEraseBkgnd& Message);
  void VXMClosePopupWindow(TMessage& Message);
  void VXMShowPopupWindow(TMessage& Message);
  void CMMouseEnter(TCMMouseEnterLeave& Message);
  void CMMouseLeave(TCMMouseEnterLeave& Message);

 private:
  bool FCaptureFocus = true;
  Integer FDeactivateLockCount = 0;
  TWinControl* FFocusedControl = nullptr;
  bool FIsTopMost = false;
  bool FJustClosed = false;
  bool FModalMode = true;
  bool FTerminateOnDestroy = false;
  TWinControl* FOwnerControl;
  std::unique_ptr<TvxContainerStyle> FStyle;
  std::unique_ptr<TvxContainerViewInfo> FViewInfo;
};

// The shown popups in opening order.
const std::vector<TvxCustomPopupWindow*>& OpenPopupWindowList();
// While above zero, activation messages of windows are swallowed by the hooks.
extern Integer PopupActivationLockCount;
extern bool PopupTransitionActive;
// For a window inside a shown popup, the window of the popup's owner control (when it
// has one); any other window unchanged.
HWND vxPopupOwnerWindowFunc(HWND AWnd);
// Set to vxPopupOwnerWindowFunc while the unit is started.
extern HWND (*vxPopupOwnerWindow)(HWND AWnd);
// The next message of AWnd is answered with 1 without running its window procedure.
// One window at a time: a second call while one message is pending does nothing.
void vxSwallowNextWindowMessage(HWND AWnd);

// The corner between the container's two visible scroll bars, relative to the inner
// control's window rectangle; empty unless both bars are visible.
void vxGetSizeGripCornerRect(IvxContainerInnerControl* AInnerControl, TRect& R);
// Fills R in the inner control's window DC with the painter's size-grip area colour.
void vxFillSizeGripCorner(TvxContainer* AContainer, const TRect& R);
void vxPaintSizeGripCorner(TvxContainer* AContainer);

extern const TUnitInfo vxContainerUnit;
