// Forms: top-level windows (TCustomForm, TForm), the application object that runs the
// message loop, and the screen object that knows the forms, cursors, fonts and monitors.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Controls.h"
#include "Graphics.h"

class TMainMenu;  // the menu classes live with the menus

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
ENUM_TYPEINFO(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = Set<TBorderIcon, 4>;
ENUM_TYPEINFO(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
SET_TYPEINFO(TBorderIcons, TBorderIcon)
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};
ENUM_TYPEINFO(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly,
              poScreenCenter, poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
ENUM_TYPEINFO(TWindowState, wsNormal, wsMinimized, wsMaximized)
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TPopupMode { pmNone, pmAuto, pmExplicit };
ENUM_TYPEINFO(TPopupMode, pmNone, pmAuto, pmExplicit)
enum TDefaultMonitor { dmDesktop, dmPrimary, dmMainForm, dmActiveForm };
enum TMonitorDefaultTo { mdNearest, mdNull, mdPrimary };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;

// What a control's hint shows, filled before CM_HINTSHOW and OnShowHint may change it.
struct THintInfo {
  TControl* HintControl = nullptr;
  TClass HintWindowClass = nullptr;
  POINT HintPos{0, 0};
  Integer HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  RECT CursorRect{0, 0, 0, 0};
  POINT CursorPos{0, 0};
  Integer ReshowTimeout = 0;
  Integer HideTimeout = 0;
  String HintStr;
  void* HintData = nullptr;
};
using TShowHintEvent = std::function<void(String& HintStr, bool& CanShow, THintInfo& HintInfo)>;

// ---------------------------------------------------------------------------------------

class TCustomForm : public TWinControl {
  DECLARE_CLASS(TCustomForm, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  // Makes an empty form; a descendant's layout is read from its form resource by
  // AfterConstruction (the application and the streaming call it; code that creates a
  // form itself uses Create<T>).
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  template <class T>
  static T* Create(TComponent* AOwner) {
    std::unique_ptr<T> f(new T(AOwner));
    f->AfterConstruction();
    return f.release();
  }
  void AfterConstruction() override;

  void Show();
  void Hide() { SetVisible(false); }
  virtual TModalResult ShowModal();
  void Close();
  virtual bool CloseQuery();
  // Frees the form once the messages for it have been handled.
  void Release();
  bool Active() const { return FActive; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);
  void FocusControl(TWinControl* Control);
  void DefocusControl(TWinControl* Control, bool Removing);
  // Called when a control of the form gets the focus: sends CM_EXIT to the controls
  // that lose it and CM_ENTER to those that get it. False when a handler moved the
  // focus elsewhere meanwhile.
  virtual bool SetFocusedControl(TWinControl* Control);
  // A key pressed in one of the form's controls that the form's own menu takes.
  virtual bool IsShortCut(TWMKey& Message);
  void SetFocus() override;
  void SendCancelMode(TControl* Sender);

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value);
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  TMainMenu* Menu() const { return FMenu; }
  // Shows the menu bar in the form's window; the client area keeps its size (a form file
  // gives it without the bar), so the window grows or shrinks by the bar.
  void SetMenu(TMainMenu* Value);
  TPopupMode PopupMode() const { return FPopupMode; }
  void SetPopupMode(TPopupMode Value);
  TCustomForm* PopupParent() const { return FPopupParent; }
  void SetPopupParent(TCustomForm* Value);
  bool AlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(bool Value);
  Byte AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(Byte Value);
  Integer PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer Value) { FPixelsPerInch = Value; }
  bool Scaled() const { return FScaled; }
  void SetScaled(bool Value) { FScaled = Value; }
  bool OldCreateOrder() const { return FOldCreateOrder; }
  void SetOldCreateOrder(bool Value) { FOldCreateOrder = Value; }
  TIcon* Icon() const { return FIcon.get(); }
  void SetIcon(TIcon* Value) { FIcon->Assign(Value); }
  TCanvas* Canvas() const { return FCanvas.get(); }
  bool Modal() const { return FModal; }

  RECT ClientRect() override;
  void SetClientWidth(Integer Value) override;
  void SetClientHeight(Integer Value) override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The controls, then (for the form being written) its components without a parent:
  // menus, timers, image and action lists.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  // Runs the update handlers of the form's action lists.
  void UpdateActions();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnPaint;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void PaintWindow(HDC DC) override;
  virtual void Paint();
  virtual void Activate();
  virtual void Deactivate();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void DoCreate();
  virtual void DoDestroy();
  void SetActive(bool Value);
  void CloseModal();
  void UpdateShowing() override;
  void WMPaint(TWMPaint& Message);
  void WMActivate(TWMActivate& Message);
  void WMClose(TWMNoParams& Message);
  void WMDestroy(TWMNoParams& Message);
  void WMQueryEndSession(TWMNoParams& Message);
  void CMActivate(TCMNoParams& Message);
  void CMDeactivate(TCMNoParams& Message);
  void CMRelease(TCMNoParams& Message);
  void CMShowingChanged(TCMNoParams& Message);
  void CMDialogKey(TCMDialogKey& Message);

 private:
  void ApplyPosition();
  void ApplyAlphaBlend();
  SIZE FrameSize();

  bool FActive = false;
  bool FModal = false;
  bool FCreated = false;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TPosition FPosition = poDefaultPosOnly;
  TFormStyle FFormStyle = fsNormal;
  TWindowState FWindowState = wsNormal;
  bool FKeyPreview = false;
  TModalResult FModalResult = mrNone;
  TMainMenu* FMenu = nullptr;
  TPopupMode FPopupMode = pmNone;
  TCustomForm* FPopupParent = nullptr;
  bool FAlphaBlend = false;
  Byte FAlphaBlendValue = 255;
  Integer FPixelsPerInch = 96;
  bool FScaled = true;
  bool FOldCreateOrder = false;
  bool FPositioned = false;
  std::unique_ptr<TIcon> FIcon;
  std::unique_ptr<TControlCanvas> FCanvas;
};

class TForm : public TCustomForm {
  DECLARE_CLASS(TForm, TCustomForm)
  PUBLISHED(TForm)

 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

using TCustomFormClass = TClass;

// The floating host of an undocked control (TControl::ManualFloat): a sizeable tool
// window that its one dock client fills, titled with the client's text. It frees itself
// once its client has left (undocked elsewhere or freed). It is shown while its client
// is visible: closing it hides the client, and showing the client shows it again.
class TCustomDockForm : public TCustomForm {
  DECLARE_CLASS(TCustomDockForm, TCustomForm)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomDockForm(TComponent* AOwner);
  // Places and sizes the window so that its client area covers ScreenRect.
  void PlaceClientArea(const RECT& ScreenRect);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void DoAddDockClient(TControl* Client, const RECT& ARect) override;
  void DoRemoveDockClient(TControl* Client) override;
  void DoClose(TCloseAction& Action) override;
  // A client leaving for another site no longer fills the host.
  void CMUnDockClient(TMessage& Message);
  // The client's visibility and text changes reach the host.
  void CMDockNotification(TMessage& Message);

 private:
  void ReleaseWhenEmpty();
  bool FHadClient = false;
};

// The form a control is on (the top-level form), or nullptr.
TCustomForm* GetParentForm(TControl* Control, bool TopForm = true);
// The same, or EInvalidOperation when the control is on no form.
TCustomForm* ValidParentForm(TControl* Control, bool TopForm = true);

// ---------------------------------------------------------------------------------------

class TMonitor : public TObject {
  DECLARE_CLASS(TMonitor, TObject)
 public:
  HMONITOR Handle() const { return FHandle; }
  Integer MonitorNum() const { return FMonitorNum; }
  RECT BoundsRect() const;
  RECT WorkareaRect() const;
  Integer Left() const { return BoundsRect().left; }
  Integer Top() const { return BoundsRect().top; }
  Integer Width() const { RECT r = BoundsRect(); return r.right - r.left; }
  Integer Height() const { RECT r = BoundsRect(); return r.bottom - r.top; }
  bool Primary() const;

 private:
  friend class TScreen;
  HMONITOR FHandle = nullptr;
  Integer FMonitorNum = 0;
};

class TScreen : public TComponent {
  DECLARE_CLASS(TScreen, TComponent)
 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  HCURSOR Cursors(Integer Index);
  void SetCursors(Integer Index, HCURSOR Handle);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // The names of the installed font families, sorted.
  TStrings* Fonts();
  Integer FormCount() const { return static_cast<Integer>(FForms.size()); }
  TForm* Forms(Integer Index) const;
  Integer CustomFormCount() const { return static_cast<Integer>(FForms.size()); }
  TCustomForm* CustomForms(Integer Index) const { return FForms[Index]; }
  TForm* ActiveForm() const { return dynamic_cast<TForm*>(FActiveCustomForm); }
  TCustomForm* ActiveCustomForm() const { return FActiveCustomForm; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  Integer Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  Integer Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  RECT DesktopRect() const;
  RECT WorkAreaRect() const;
  Integer MonitorCount();
  TMonitor* Monitors(Integer Index);
  TMonitor* MonitorFromPoint(POINT P, TMonitorDefaultTo Default = mdNearest);
  TMonitor* MonitorFromRect(const RECT& R, TMonitorDefaultTo Default = mdNearest);
  TMonitor* MonitorFromWindow(HWND Handle, TMonitorDefaultTo Default = mdNearest);
  Integer PixelsPerInch() const { return FPixelsPerInch; }
  TFont* HintFont() const { return FHintFont.get(); }
  TFont* MenuFont() const { return FMenuFont.get(); }
  TFont* IconFont() const { return FIconFont.get(); }
  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

 private:
  friend class TCustomForm;
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void GetMonitors();
  TMonitor* FindMonitor(HMONITOR H);
  std::map<Integer, HCURSOR> FCursors;
  TCursor FCursor = crDefault;
  std::unique_ptr<TStringList> FFonts;
  std::vector<TCustomForm*> FForms;
  std::vector<std::unique_ptr<TMonitor>> FMonitors;
  TCustomForm* FActiveCustomForm = nullptr;
  TCustomForm* FFocusedForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  Integer FPixelsPerInch = 96;
  std::unique_ptr<TFont> FHintFont, FMenuFont, FIconFont;
};

// ---------------------------------------------------------------------------------------

class TApplication : public TComponent {
  DECLARE_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  void Initialize() {}
  // Creates a form of class InstanceClass owned by the application; the first form made
  // becomes the main form. Reference (when given) receives the form before it loads.
  void CreateForm(TClass InstanceClass, void* Reference);
  template <class T>
  void CreateForm(T*& Reference) { CreateForm(T::StaticClass(), &Reference); }
  // Shows the main form and handles messages until Terminate (or the main form closes).
  void Run();
  // Handles one message, or waits for one after the idle processing.
  void HandleMessage();
  // Handles every message in the queue.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Reports the exception being handled: OnException when set, else ShowException.
  // Called from inside a catch block; EAbort is silent.
  void HandleException(TObject* Sender);
  void ShowException(const Exception& E);
  void Minimize();
  void Restore();
  void BringToFront();

  TCustomForm* MainForm() const { return FMainForm; }
  HWND Handle();
  String Title() const;
  void SetTitle(const String& Value) { FTitle = Value; }
  String ExeName() const;
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }
  bool Active() const;

  // Hints.
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  Integer HintPause() const { return FHintPause; }
  void SetHintPause(Integer Value) { FHintPause = Value; }
  Integer HintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(Integer Value) { FHintShortPause = Value; }
  Integer HintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(Integer Value) { FHintHidePause = Value; }
  TColor HintColor() const { return FHintColor; }
  void SetHintColor(TColor Value) { FHintColor = Value; }
  String Hint() const { return FHint; }
  void SetHint(const String& Value);
  void ActivateHint(POINT CursorPos);
  void CancelHint();
  void HideHint();
  // The control the hint is for (or about to be for); a control freed ends its hint.
  TControl* HintControl() const { return FHintControl; }
  // Watches mouse moves over controls for the hint timing (TControl::WndProc calls it).
  void HintMouseMessage(TControl* Control, TWMMouse& Message);

  // Events.
  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  // The class of the hint window (set by the unit that defines it); nullptr shows none.
  static TClass HintWindowClass;
  // Shows a hint window for the given info; installed with the hint window class.
  static void (*ShowHintWindow)(const THintInfo& Info, RECT& Bounds);
  static void (*HideHintWindow)();

  bool ProcessMessage(MSG& Msg);
  bool IsKeyMsg(MSG& Msg);

 private:
  friend class TCustomForm;
  void Idle(const MSG& Msg);
  void DoActionIdle();
  void StartHintTimer(Integer Value);
  void StopHintTimer();
  void HintTimerExpired();
  void WMTimer(TWMTimer& Message);
  void WMNull(TWMNoParams& Message);

 public:
  static const TMessageMap* ClassMessages();

 private:

  TCustomForm* FMainForm = nullptr;
  HWND FHandle = nullptr;
  String FTitle;
  bool FTerminated = false;
  bool FShowMainForm = true;
  bool FRunning = false;
  bool FShowHint = true;
  Integer FHintPause = 500;
  Integer FHintShortPause = 50;
  Integer FHintHidePause = 2500;
  TColor FHintColor = clInfoBk;
  String FHint;
  TControl* FHintControl = nullptr;
  bool FHintActive = false;
  UINT_PTR FHintTimer = 0;
  POINT FHintCursor{0, 0};
  RECT FHintCursorRect{0, 0, 0, 0};
};

extern TApplication* Application;
extern TScreen* Screen;

extern const TUnitInfo FormsUnit;
