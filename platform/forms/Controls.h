// Controls: the control classes over Win32 windows. TControl (position, alignment,
// appearance, mouse and message dispatch), TWinControl (a window: handle life cycle,
// window procedure, children, focus and Tab order, painting of graphic children),
// TCustomControl and TGraphicControl (controls that paint themselves on a canvas),
// TControlCanvas and TMouse.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "Graphics.h"
#include "Messages.h"
#include "Persistent.h"
#include "SysInit.h"
#include "TypInfo.h"

class TWinControl;
class TPopupMenu;  // the popup menu class lives with the menus
class TDragObject;
class TDragDockObject;
class TDragImageList;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using TAlignSet = Set<TAlign, 8>;
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = Set<TAnchorKind, 4>;
ENUM_TYPEINFO(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)
ENUM_TYPEINFO(TAnchorKind, akLeft, akTop, akRight, akBottom)
SET_TYPEINFO(TAnchors, TAnchorKind)
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateItem, 8>;
enum TDragMode { dmManual, dmAutomatic };
ENUM_TYPEINFO(TDragMode, dmManual, dmAutomatic)
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragKind { dkDrag, dkDock };
ENUM_TYPEINFO(TDragKind, dkDrag, dkDock)
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
// Border styles: controls use bsNone and bsSingle, forms all of them.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
ENUM_TYPEINFO(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow,
              bsSizeToolWin)
using TBorderStyle = TFormBorderStyle;
using TCaption = String;
// A cursor number: one of the crXXX values below or a number given to Screen->Cursors.
// A type of its own over SmallInt (it converts both ways), so that cursor properties
// carry TCursor's type information and are written by name ("crHandPoint").
struct TCursor {
  using TOrdinal = SmallInt;
  SmallInt Value = 0;
  constexpr TCursor() = default;
  constexpr TCursor(SmallInt AValue) : Value(AValue) {}
  constexpr operator SmallInt() const { return Value; }
};
using TModalResult = Integer;
using TImeMode = Integer;

constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;

constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = mrNo + 1;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;
constexpr TModalResult mrClose = mrYesToAll + 1;

enum TControlStyleItem {
  csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed,
  csSetCaption, csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible,
  csReplicatable, csNoStdEvents, csDisplayDragImage, csReflector, csActionClient,
  csMenuEvents, csNeedsBorderPaint, csParentBackground, csPannable, csAlignWithMargins,
  csGestures, csPaintBlackOpaqueOnGlass, csOverrideStylePaint
};
using TControlStyle = Set<TControlStyleItem, 32>;

enum TControlStateItem {
  csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing,
  csCreating, csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking, csDesignerHide,
  csPanning, csRecreating, csAligning, csGlassPaint, csPrintClient
};
using TControlState = Set<TControlStateItem, 32>;

using TWndMethod = std::function<void(TMessage&)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, wchar_t& Key)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta,
                                            POINT MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TObject* Sender, TShiftState Shift, POINT MousePos, bool& Handled)>;
using TContextPopupEvent = std::function<void(TObject* Sender, POINT MousePos, bool& Handled)>;
using TCanResizeEvent =
    std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDockEvent = std::function<void(TObject* Sender, TDragDockObject*& DragObject)>;

// The window parameters a control fills in before its window is made.
struct TCreateParams {
  String Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSW WindowClass{};
  String WinClassName;
};

// Type information of TCursor (an integer type written by cursor name).
PTypeInfo TypeInfoCursor();
inline PTypeInfo zs_TypeInfoOf_(TCursor*) { return TypeInfoCursor(); }
bool CursorToIdent(Integer Cursor, String& Ident);
bool IdentToCursor(const String& Ident, Integer& Cursor);

// The anchors an alignment implies (akLeft, akTop when not aligned).
TAnchors AlignAnchors(TAlign Align);

// Shift state from the key flags of a mouse message, and from the keyboard.
TShiftState KeysToShiftState(WPARAM Keys);
TShiftState KeyDataToShiftState(LPARAM KeyData);
TShiftState KeyboardStateToShiftState();

class TControlCanvas;
class TControl;

// The smallest and largest size a control may take; 0 leaves a side free.
using TConstraintSize = Integer;
class TSizeConstraints : public TPersistent {
  DECLARE_CLASS(TSizeConstraints, TPersistent)
  PUBLISHED(TSizeConstraints)
 public:
  explicit TSizeConstraints(TControl* Control = nullptr) : FControl(Control) {}
  TConstraintSize MaxHeight() const { return FMaxHeight; }
  void SetMaxHeight(TConstraintSize Value);
  TConstraintSize MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(TConstraintSize Value);
  TConstraintSize MinHeight() const { return FMinHeight; }
  void SetMinHeight(TConstraintSize Value);
  TConstraintSize MinWidth() const { return FMinWidth; }
  void SetMinWidth(TConstraintSize Value);
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override;
  // Clamps a size to the limits that are set.
  void Apply(Integer& Width, Integer& Height) const;
  TNotifyEvent OnChange;

 private:
  void Change();
  TControl* FControl;
  TConstraintSize FMaxHeight = 0, FMaxWidth = 0, FMinHeight = 0, FMinWidth = 0;
};

// ---------------------------------------------------------------------------------------

class TControl : public TComponent {
  DECLARE_CLASS(TControl, TComponent)
  PUBLISHED(TControl)
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // Parent and placement.
  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  Integer Left() const { return FLeft; }
  Integer Top() const { return FTop; }
  Integer Width() const { return FWidth; }
  Integer Height() const { return FHeight; }
  void SetLeft(Integer Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(Integer Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(Integer Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(Integer Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  void SetBoundsRect(const RECT& R) { SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top); }
  virtual void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
  virtual RECT ClientRect();
  Integer ClientWidth() { return ClientRect().right; }
  Integer ClientHeight() { return ClientRect().bottom; }
  virtual void SetClientWidth(Integer Value);
  virtual void SetClientHeight(Integer Value);
  void SetClientSize(Integer W, Integer H) { SetClientWidth(W); SetClientHeight(H); }
  // Screen position of the client area's top-left corner.
  virtual POINT ClientOrigin();
  POINT ClientToScreen(POINT P);
  POINT ScreenToClient(POINT P);
  POINT ClientToParent(POINT P, TWinControl* AParent = nullptr);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);
  TSizeConstraints* Constraints() const { return FConstraints.get(); }
  void SetConstraints(TSizeConstraints* Value) { FConstraints->Assign(Value); }

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  // Docking. HostDockSite is the windowed control this one is docked in (nullptr when
  // it is not docked). ManualDock moves the control into NewDockSite, or out of its
  // host when NewDockSite is nullptr: the old host may refuse (DoUnDock), the new one
  // takes the control through DockDrop, and the old one hears of the removal last
  // (DoRemoveDockClient). Answers whether the control moved.
  TWinControl* HostDockSite() const { return FHostDockSite; }
  bool ManualDock(TWinControl* NewDockSite, TControl* DropControl = nullptr, TAlign ControlSide = alNone);
  // Moves the control into NewDockSite as Source describes it (a drag's drop or
  // ManualDock): the same steps as ManualDock.
  bool DockTo(TWinControl* NewDockSite, TDragDockObject* Source);
  // Undocks the control into a floating host window (TCustomDockForm) whose client area
  // is ScreenRect; a control already floating moves its host there. The host goes away
  // when its client leaves it. Answers whether the control moved.
  bool ManualFloat(const RECT& ScreenRect);
  // Tells the dock host (if any) that this client handled Msg (CM_DOCKNOTIFICATION).
  void NotifyDockHost(UINT Msg, WPARAM WParam, LPARAM LParam);
  virtual bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);

  String Caption() { return GetText(); }
  void SetCaption(const String& Value) { SetText(Value); }
  String Text() { return GetText(); }
  void SetText(const String& Value);
  String Hint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  virtual void SetPopupMenu(TPopupMenu* Value) { FPopupMenu = Value; }
  TDragMode DragMode() const { return FDragMode; }
  virtual void SetDragMode(TDragMode Value) { FDragMode = Value; }
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor Value) { FDragCursor = Value; }
  TDragKind DragKind() const { return FDragKind; }
  void SetDragKind(TDragKind Value) { FDragKind = Value; }

  TControlStyle& ControlStyle() { return FControlStyle; }
  const TControlStyle& ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
  TControlState& ControlState() { return FControlState; }
  void SetControlState(TControlState Value) { FControlState = Value; }
  bool MouseCapture();
  void SetMouseCapture(bool Value);
  bool IsRightToLeft() const { return false; }
  Integer HelpContext() const { return FHelpContext; }
  void SetHelpContext(Integer Value) { FHelpContext = Value; }

  // Messages: Perform sends through WindowProc; WndProc pre-processes and hands the
  // message to Dispatch, which calls the handler the class's message map (Messages.h)
  // lists for its number, or DefaultHandler.
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  const TWndMethod& WindowProc() const { return FWindowProc; }
  void SetWindowProc(const TWndMethod& Value) { FWindowProc = Value; }
  virtual void WndProc(TMessage& Message);
  void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);
  // The message map of the object's class, and of this class.
  virtual const TMessageMap* MessageMap() const { return ClassMessages(); }
  static const TMessageMap* ClassMessages();

  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }
  virtual void SetZOrder(bool TopMost);
  // Dragging this control through the drag manager: at once, or once the mouse moved
  // Threshold pixels (-1: the mouse object's threshold) with the left button held.
  void BeginDrag(bool Immediate, Integer Threshold = -1);
  // Ends this control's drag; with Drop, over the control under the mouse.
  void EndDrag(bool Drop);
  // True from BeginDrag until the drag ends, also while the threshold is not yet passed.
  virtual bool Dragging() const;
  // The drag manager's steps for this control, each raising its event: the drag of
  // this control starts (DragObject may be supplied; the manager makes one if it stays
  // nullptr) and ends, and another drag moves over this control or drops on it.
  // DragOver is called with Accept false and accepts when OnDragOver is assigned,
  // unless the handler says otherwise.
  virtual void DoStartDrag(TDragObject*& DragObject);
  virtual void DoEndDrag(TObject* Target, Integer X, Integer Y);
  // The same for a drag that docks the control (DragKind dkDock): OnStartDock may supply
  // the dock object; OnEndDock hears where the control went (Target nullptr: nowhere
  // or floating).
  virtual void DoStartDock(TDragObject*& DragObject);
  virtual void DoEndDock(TObject* Target, Integer X, Integer Y);
  virtual void DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, Integer X, Integer Y);
  // The images shown while this control is dragged (nullptr: none).
  virtual TDragImageList* GetDragImages() { return nullptr; }
  bool HasParent() const override { return FParent != nullptr; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void Loaded() override;
  bool IsControl() const { return FIsControl; }
  void SetIsControl(bool Value) { FIsControl = Value; }
  // Scales position, size and (unless ParentFont) the font by M/D.
  virtual void ChangeScale(Integer M, Integer D);
  virtual bool Focused() { return false; }
  virtual bool CanFocus() { return false; }
  // The text buffer of the control; windowed controls keep it in their window.
  virtual Integer GetTextLen();
  String GetText();
  // For graphic controls: the control's rectangle in its parent's client coordinates.
  void InvalidateControl(bool IsVisible, bool IsOpaque);

  // Events.
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TNotifyEvent OnResize;
  TCanResizeEvent OnCanResize;
  TContextPopupEvent OnContextPopup;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;
  TStartDockEvent OnStartDock;
  TEndDragEvent OnEndDock;

  // Overridable steps ("dynamic methods").
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void MouseMove(TShiftState Shift, Integer X, Integer Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, POINT MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, POINT MousePos);
  virtual void DoContextPopup(POINT MousePos, bool& Handled);
  virtual void Resize();
  virtual bool CanResize(Integer& NewWidth, Integer& NewHeight);
  virtual void RequestAlign();
  virtual TPopupMenu* GetPopupMenu() { return FPopupMenu; }
  virtual void SetName(const String& Value) override;

 protected:
  friend class TWinControl;
  virtual void SetTextBuf(const String& Value);
  virtual void AdjustSize() {}
  virtual void UpdateBoundsRect(const RECT& R);
  virtual void FontChanged(TObject* Sender);
  void SendCancelMode(TControl* Sender);
  void DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift);
  void DoMouseUp(TWMMouse& Message, TMouseButton Button);

  // Passes a message on to DefaultHandler (TControl's table has no parent table).
  void InheritedMessage(TMessage& Message) { DefaultHandler(Message); }

  // Message handlers (listed in the message map); each calls DefaultHandler or the
  // parent class's handler where the message goes on.
  void WMLButtonDown(TWMMouse& Message);
  void WMRButtonDown(TWMMouse& Message);
  void WMMButtonDown(TWMMouse& Message);
  void WMLButtonDblClk(TWMMouse& Message);
  void WMRButtonDblClk(TWMMouse& Message);
  void WMMButtonDblClk(TWMMouse& Message);
  void WMLButtonUp(TWMMouse& Message);
  void WMRButtonUp(TWMMouse& Message);
  void WMMButtonUp(TWMMouse& Message);
  void WMMouseMove(TWMMouse& Message);
  void WMMouseWheel(TWMMouseWheel& Message);
  void WMCancelMode(TWMNoParams& Message);
  void WMContextMenu(TWMContextMenu& Message);
  void CMMouseEnter(TCMMouseEnterLeave& Message);
  void CMMouseLeave(TCMMouseEnterLeave& Message);
  void CMEnabledChanged(TCMNoParams& Message);
  void CMVisibleChanged(TCMVisibleChanged& Message);
  void CMFontChanged(TCMNoParams& Message);
  void CMColorChanged(TCMNoParams& Message);
  void CMParentFontChanged(TCMParentFontChanged& Message);
  void CMParentColorChanged(TCMParentColorChanged& Message);
  void CMParentShowHintChanged(TCMNoParams& Message);
  void CMTextChanged(TCMNoParams& Message);
  void CMHitTest(TCMHitTest& Message);

  TWinControl* FParent = nullptr;
  TWinControl* FHostDockSite = nullptr;
  Integer FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  // The bounds and the parent's client size when the anchors were last fixed.
  RECT FAnchorRect{0, 0, 0, 0};
  POINT FAnchorOrigin{-1, -1};
  void UpdateAnchorRules();
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clWindow;
  bool FParentColor = true;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TSizeConstraints> FConstraints;
  bool FParentFont = true;
  String FText;
  String FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TCursor FCursor = crDefault;
  TPopupMenu* FPopupMenu = nullptr;
  TDragMode FDragMode = dmManual;
  TCursor FDragCursor = crDrag;
  TDragKind FDragKind = dkDrag;
  TControlStyle FControlStyle;
  TControlState FControlState;
  Integer FHelpContext = 0;
  bool FIsControl = false;
  bool FUpdatingParentFont = false;
  TWndMethod FWindowProc;
};

// ---------------------------------------------------------------------------------------

class TWinControl : public TControl {
  DECLARE_CLASS(TWinControl, TControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TWinControl)
  friend class TControl;

 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  // Makes a control whose window is a child of a window not managed by this library.
  static TWinControl* CreateParented(HWND ParentWindow);

  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND Value);
  bool Showing() const { return FShowing; }

  // Children: all controls, and the windowed ones in tab order.
  Integer ControlCount() const { return static_cast<Integer>(FControls.size()); }
  TControl* Controls(Integer Index) const { return FControls[Index]; }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control) const;
  TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false,
                         bool AllLevels = false);
  TControl* FindChildControl(const String& ControlName);
  // The focusable windowed controls inside this one in Tab order (depth first). A control
  // that stands for others (a container of an inner control) reshapes its part.
  virtual void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  Integer TabOrder() const;
  void SetTabOrder(Integer Value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;

  virtual void SetFocus();
  bool Focused() override;
  bool CanFocus() override;
  void DisableAlign();
  void EnableAlign();
  void Realign();
  void AlignControl(TControl* AControl);
  TBrush* Brush() const { return FBrush.get(); }
  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
  Integer BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(Integer Value);
  bool ParentBackground() const { return FControlStyle.Contains(csParentBackground); }
  void SetParentBackground(bool Value);
  void ScaleBy(Integer M, Integer D);
  void ChangeScale(Integer M, Integer D) override;

  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  RECT ClientRect() override;
  POINT ClientOrigin() override;
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void SetZOrder(bool TopMost) override;
  void SetParent(TWinControl* AParent) override;
  Integer GetTextLen() override;
  void Loaded() override;
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  // Paints the graphic children, bottom first, each clipped to its bounds.
  void PaintControls(HDC DC, TControl* First);
  void PaintTo(HDC DC, Integer X, Integer Y);

  // Docking: a dock site takes controls docked into it as its dock clients.
  bool DockSite() const { return FDockSite; }
  void SetDockSite(bool Value) { FDockSite = Value; }
  Integer DockClientCount() const { return static_cast<Integer>(FDockClients.size()); }
  TControl* DockClients(Integer Index) const { return FDockClients.at(static_cast<size_t>(Index)); }
  // Whether Client may dock here (CanDock starts as DockSite) and the screen area that
  // takes it; fires OnGetSiteInfo.
  virtual void GetSiteInfo(TControl* Client, RECT& InfluenceRect, POINT MousePos, bool& CanDock);
  // The dragged dock client is over this site: sets the dock rectangle, fires OnDockOver.
  virtual void DockOver(TDragDockObject* Source, Integer X, Integer Y, TDragState State, bool& Accept);
  // Takes the source's control as a dock client (DoAddDockClient), then fires OnDockDrop.
  virtual void DockDrop(TDragDockObject* Source, Integer X, Integer Y);
  // A dock client leaves for NewTarget: fires OnUnDock, whose Allow starts true, then
  // sends CM_UNDOCKCLIENT (WParam NewTarget, LParam Client), whose non-zero result refuses.
  virtual bool DoUnDock(TWinControl* NewTarget, TControl* Client);
  using TDockDropEvent = std::function<void(TObject* Sender, TDragDockObject* Source, Integer X, Integer Y)>;
  using TDockOverEvent = std::function<void(TObject* Sender, TDragDockObject* Source, Integer X, Integer Y,
                                            TDragState State, bool& Accept)>;
  using TUnDockEvent = std::function<void(TObject* Sender, TControl* Client, TWinControl* NewTarget, bool& Allow)>;
  using TGetSiteInfoEvent = std::function<void(TObject* Sender, TControl* DockClient, RECT& InfluenceRect,
                                               POINT MousePos, bool& CanDock)>;
  TDockDropEvent OnDockDrop;
  TDockOverEvent OnDockOver;
  TUnDockEvent OnUnDock;
  TGetSiteInfoEvent OnGetSiteInfo;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyPress(wchar_t& Key);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  virtual void DoEnter();
  virtual void DoExit();
  bool DoKeyDown(TWMKey& Message);
  bool DoKeyPress(TWMKey& Message);
  bool DoKeyUp(TWMKey& Message);

  // The window procedure every control window runs; also the entry for messages sent
  // straight to the object (exceptions go to the application's handler).
  void MainWndProc(TMessage& Message);
  // Destroys the window (children first); the control keeps its state.
  void DestroyHandle();
  void RecreateWnd();
  virtual void CreateHandle();
  void UpdateControlState();
  // Used by the window procedure when the first message of a new window arrives.
  void zs_AttachHandle(HWND h);
  // Gives the window the keyboard focus.
  void SetWindowFocus();

 protected:
  void Loaded_FixTabs();
  // The control becomes a dock client: parented here and placed at ARect (client
  // coordinates of this control; an empty rect keeps its size).
  virtual void DoAddDockClient(TControl* Client, const RECT& ARect);
  // The client has left (it has its new parent already).
  virtual void DoRemoveDockClient(TControl* /*Client*/) {}
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  // Makes the window a subclass of a system window class (an edit, a button ...).
  void CreateSubClass(TCreateParams& Params, const wchar_t* ControlClassName);
  virtual void AlignControls(TControl* AControl, RECT& Rect);
  virtual void AdjustClientRect(RECT& Rect);
  virtual void CustomAlignPosition(TControl* Control, Integer& NewLeft, Integer& NewTop,
                                   Integer& NewWidth, Integer& NewHeight, RECT& AlignRect) {}
  virtual void PaintWindow(HDC DC);
  void PaintHandler(TWMPaint& Message);
  virtual void UpdateShowing();
  void NotifyControls(UINT Msg);
  void UpdateBounds();
  virtual void SetTextBuf(const String& Value) override;
  // Gives the popup menus up the parent chain and the form's main menu the key as a
  // shortcut; true when a menu item ran.
  virtual bool IsMenuKey(TWMKey& Message);

  void WMPaint(TWMPaint& Message);
  void WMEraseBkgnd(TWMEraseBkgnd& Message);
  void WMSize(TWMSize& Message);
  void WMMove(TWMMove& Message);
  void WMWindowPosChanged(TWMWindowPosChanged& Message);
  void WMSetFocus(TWMSetFocus& Message);
  void WMKillFocus(TWMKillFocus& Message);
  void WMKeyDown(TWMKey& Message);
  void WMKeyUp(TWMKey& Message);
  void WMChar(TWMChar& Message);
  void WMSetCursor(TWMSetCursor& Message);
  void WMMouseLeave(TWMNoParams& Message);
  void WMNCDestroy(TWMNoParams& Message);
  void CNKeyDown(TWMKey& Message);
  void CNKeyUp(TWMKey& Message);
  void CNChar(TWMChar& Message);
  void CNSysKeyDown(TWMKey& Message);
  void CNSysChar(TWMChar& Message);
  void CMEnter(TCMNoParams&) { DoEnter(); }
  void CMExit(TCMNoParams&) { DoExit(); }
  void CMDialogKey(TCMDialogKey& Message);
  void CMDialogChar(TCMDialogChar& Message);
  void CMChildKey(TCMChildKey& Message);
  void CMFocusChanged(TCMFocusChanged& Message);
  void CMShowingChanged(TCMNoParams& Message);
  void CMInvalidate(TCMInvalidate& Message);
  void CMRecreateWnd(TCMNoParams&) { RecreateWnd(); }
  void CMEnabledChanged(TCMNoParams& Message);
  void CMVisibleChanged(TCMVisibleChanged& Message);
  void CMFontChanged(TCMNoParams& Message);
  void CMColorChanged(TCMNoParams& Message);
  void CMSysColorChange(TCMNoParams& Message);
  // WM_COMMAND, WM_NOTIFY and the scroll, owner-draw and colour messages of a child
  // window come back to the child as CN_ messages.
  void WMCommand(TWMCommand& Message);
  void WMNotify(TWMNotify& Message);
  void WMScroll(TWMScroll& Message);
  void WMCtlColor(TWMCtlColor& Message);
  void WMDrawItem(TWMDrawItem& Message);
  void WMMeasureItem(TWMMeasureItem& Message);
  void WMDeleteItem(TWMDeleteItem& Message);
  void WMCompareItem(TWMCompareItem& Message);
  // Sends the message reflected (CN_BASE + Msg) to the control of ControlHandle; false
  // when the window is not one of this library's controls (or is this control).
  bool DoControlMsg(HWND ControlHandle, TMessage& Message);

  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  WNDPROC FDefWndProc = nullptr;
  std::vector<TControl*> FControls;        // every child, in z-order (bottom first)
  std::vector<TWinControl*> FTabList;      // windowed children in tab order
  std::unique_ptr<TBrush> FBrush;
  bool FTabStop = false;
  bool FShowing = false;
  bool FDoubleBuffered = false;
  bool FTrackingMouse = false;
  Integer FBorderWidth = 0;
  Integer FAlignLevel = 0;
  Integer FPendingTabOrder = -1;
  SIZE FLastClientSize{-1, -1};
  HFONT FSentFont = nullptr;
  bool FDockSite = false;
  std::vector<TControl*> FDockClients;  // not owned
};

// Disables alignment of a windowed control's children for the life of the scope and
// enables it again at the end (which realigns what became due meanwhile).
using TAlignScope = TCallScope<TWinControl, &TWinControl::DisableAlign, &TWinControl::EnableAlign>;

// ---------------------------------------------------------------------------------------

// A canvas over a control: the control's window DC, or its parent's DC clipped and
// offset for a graphic control.
class TControlCanvas : public TCanvas {
  DECLARE_CLASS(TControlCanvas, TCanvas)
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* Control() const { return FControl; }
  void SetControl(TControl* Value);
  void FreeHandle();
  void UpdateTextFlags();

 protected:
  void CreateHandle() override;

 private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;
  HWND FWindowHandle = nullptr;
};

// A windowed control that paints itself on its Canvas (override Paint).
class TCustomControl : public TWinControl {
  DECLARE_CLASS(TCustomControl, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return FCanvas.get(); }

 protected:
  // Paints with csCustomPaint set, so that WMPaint calls PaintWindow.
  void WMPaint(TWMPaint& Message);
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;
  std::unique_ptr<TControlCanvas> FCanvas;
};

// A control without a window: its parent paints it (override Paint) and routes the
// mouse to it.
class TGraphicControl : public TControl {
  DECLARE_CLASS(TGraphicControl, TControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return FCanvas.get(); }

 protected:
  // The parent sends WM_PAINT with its DC set up for this control.
  void WMPaint(TWMPaint& Message);
  virtual void Paint() {}
  std::unique_ptr<TControlCanvas> FCanvas;
};

// ---------------------------------------------------------------------------------------

class TMouse : public TObject {
  DECLARE_CLASS(TMouse, TObject)
 public:
  TMouse();
  POINT CursorPos() const;
  void SetCursorPos(POINT Value);
  HWND Capture() const { return GetCapture(); }
  void SetCapture(HWND Value);
  bool MousePresent() const { return GetSystemMetrics(SM_MOUSEPRESENT) != 0; }
  bool WheelPresent() const { return GetSystemMetrics(SM_MOUSEWHEELPRESENT) != 0; }
  Integer WheelScrollLines() const;
  Integer DragThreshold() const { return FDragThreshold; }
  void SetDragThreshold(Integer Value) { FDragThreshold = Value; }
  bool DragImmediate() const { return FDragImmediate; }
  void SetDragImmediate(bool Value) { FDragImmediate = Value; }

 private:
  Integer FDragThreshold = 5;
  bool FDragImmediate = true;
};

extern TMouse* Mouse;

// The control of a window made by this library, or nullptr.
TWinControl* FindControl(HWND Handle);
// True when the window belongs to a control of this library.
bool IsControlWindow(HWND Handle);
// The deepest control at a screen point (graphic children included).
TControl* FindDragTarget(POINT Pos, bool AllowDisabled);
// The control holding the mouse capture (a graphic control through its parent).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// The control the mouse is over, as CM_MOUSEENTER and CM_MOUSELEAVE announced it.
TControl* MouseControl();
// Moves the mouse-over control to Control, sending CM_MOUSELEAVE to the old one and
// CM_MOUSEENTER to the new one.
void SetMouseControl(TControl* Control);
// Looks up the control under the cursor and updates the mouse-over control.
void UpdateMouseControl();
// Sends a message to every control of a window tree (the form and all its children).
void BroadcastToControls(TWinControl* Root, UINT Msg, WPARAM WParam, LPARAM LParam);

// Releases the device contexts that control canvases hold between paints.
void FreeDeviceContexts();

// The cursor handle shown for a cursor number (set up by the screen object).
extern HCURSOR (*CursorHandleOf)(TCursor Cursor);
// Handles an exception raised while a message was processed (the application's
// HandleException once the application object exists).
extern void (*HandleControlException)(TObject* Sender);

// Runs AWork for a window procedure of its own: an exception must not cross the system's
// message dispatch, so it goes to HandleControlException with ASender instead. False when
// AWork raised.
template <class F>
bool RunHandlingControlException(TObject* ASender, F&& AWork) {
  try {
    AWork();
    return true;
  } catch (...) {
    if (HandleControlException) HandleControlException(ASender);
    return false;
  }
}

extern const TUnitInfo ControlsUnit;
