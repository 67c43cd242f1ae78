#include "Forms.h"

#include <algorithm>
#include <atomic>

#include "ActnList.h"
#include "Menus.h"
#include "Streaming.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;
TClass TApplication::HintWindowClass = nullptr;
void (*TApplication::ShowHintWindow)(const THintInfo& Info, RECT& Bounds) = nullptr;
void (*TApplication::HideHintWindow)() = nullptr;

namespace {

Integer FocusCount = 0;
constexpr UINT_PTR HintTimerId = 1;

HCURSOR ScreenCursorHandle(TCursor c) { return Screen ? Screen->Cursors(c) : nullptr; }

void HandleExceptionHook(TObject* Sender) {
  if (Application) Application->HandleException(Sender);
}

// A cleanup's failure while another exception unwinds goes to the application's handler.
void HandleCleanupExceptionHook() { HandleExceptionHook(nullptr); }

// The window that work queued by other threads wakes up; null once the application is
// gone. Threads read it through WakeMainThread, which is set before any thread starts
// and never changed afterwards.
std::atomic<HWND> WakeWindow{nullptr};

void WakeMainLoop(TObject*) {
  if (HWND w = WakeWindow.load()) PostMessageW(w, WM_NULL, 0, 0);
}

void InitForms() {
  RegisterClass(TForm::StaticClass());
  Application = new TApplication(nullptr);
  Screen = new TScreen(nullptr);
  CursorHandleOf = ScreenCursorHandle;
  HandleControlException = HandleExceptionHook;
  HandleCleanupException = HandleCleanupExceptionHook;
  WakeWindow = Application->Handle();
  WakeMainThread = WakeMainLoop;
}

void DoneForms() {
  UnRegisterClass(TForm::StaticClass());
  WakeWindow = nullptr;
  HandleControlException = nullptr;
  HandleCleanupException = nullptr;
  // Forms still alive go first, while the screen and the application exist.
  delete Application;
  Application = nullptr;
  delete Screen;
  Screen = nullptr;
}

BOOL CALLBACK CollectEnabledWindow(HWND h, LPARAM l) {
  if (IsWindowVisible(h) && IsWindowEnabled(h)) reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
  return TRUE;
}

int CALLBACK CollectFontFamily(const LOGFONTW* f, const TEXTMETRICW*, DWORD, LPARAM l) {
  auto* list = reinterpret_cast<TStringList*>(l);
  String name = f->lfFaceName;
  if (!name.empty() && name[0] != L'@' && list->IndexOf(name) < 0) list->Add(name);
  return 1;
}

BOOL CALLBACK CollectMonitor(HMONITOR h, HDC, LPRECT, LPARAM l) {
  reinterpret_cast<std::vector<HMONITOR>*>(l)->push_back(h);
  return TRUE;
}

bool SendFocusMessage(HWND Window, UINT Msg) {
  Integer count = FocusCount;
  SendMessageW(Window, Msg, 0, 0);
  return FocusCount == count;
}

}  // namespace

const TUnitInfo FormsUnit{L"Forms", InitForms, DoneForms};

TCustomForm* GetParentForm(TControl* Control, bool TopForm) {
  TCustomForm* found = nullptr;
  for (TControl* c = Control; c; c = c->Parent()) {
    if (auto* f = dynamic_cast<TCustomForm*>(c)) {
      found = f;
      if (!TopForm) break;
    }
  }
  return found;
}

TCustomForm* ValidParentForm(TControl* Control, bool TopForm) {
  TCustomForm* f = GetParentForm(Control, TopForm);
  if (!f) throw EInvalidOperation(L"Control '%s' has no parent window", {Control->Name()});
  return f;
}

// ---------------------------------------------------------------------------------------
// TCustomForm

void TForm::DeclarePublished(TPublisher<TForm>& P) {
  using C = TCustomForm;
  P.Property(L"ActiveControl", &C::ActiveControl, &C::SetActiveControl);
  P.Property(L"AlphaBlend", &C::AlphaBlend, &C::SetAlphaBlend).Default(false);
  P.Property(L"AlphaBlendValue", &C::AlphaBlendValue, &C::SetAlphaBlendValue).Default(255);
  P.Property(L"BorderIcons", &C::BorderIcons, &C::SetBorderIcons)
      .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  P.Property(L"BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(bsSizeable);
  P.Property(L"BorderWidth", &TWinControl::BorderWidth, &TWinControl::SetBorderWidth).Default(0);
  P.Property(L"Caption", &TControl::Caption, &TControl::SetCaption);
  // A form file gives the client size; the frame around it is the system's.
  P.Property(L"Width", &TControl::Width, &TControl::SetWidth).Stored(false);
  P.Property(L"Height", &TControl::Height, &TControl::SetHeight).Stored(false);
  P.Property(L"ClientHeight", &TControl::ClientHeight, &C::SetClientHeight);
  P.Property(L"ClientWidth", &TControl::ClientWidth, &C::SetClientWidth);
  P.Property(L"Color", &TControl::Color, &TControl::SetColor).NoDefault();
  // A form has no parent to take colour or hints from.
  P.Property(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Stored(false);
  P.Property(L"ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint)
      .Stored(false);
  P.Property(L"DoubleBuffered", &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered).Default(false);
  P.Property(L"FormStyle", &C::FormStyle, &C::SetFormStyle).Default(fsNormal);
  P.Property(L"KeyPreview", &C::KeyPreview, &C::SetKeyPreview).Default(false);
  P.Property(L"Menu", &C::Menu, &C::SetMenu);
  P.Property(L"OldCreateOrder", &C::OldCreateOrder, &C::SetOldCreateOrder).Default(false);
  P.Property(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(false);
  P.Property(L"PixelsPerInch", &C::PixelsPerInch, &C::SetPixelsPerInch).NoDefault();
  P.Property(L"PopupMode", &C::PopupMode, &C::SetPopupMode).Default(pmNone);
  P.Property(L"PopupParent", &C::PopupParent, &C::SetPopupParent);
  P.Property(L"Position", &C::Position, &C::SetPosition).Default(poDefaultPosOnly);
  P.Property(L"Scaled", &C::Scaled, &C::SetScaled).Default(true);
  P.Property(L"ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Default(false);
  // Older form files carry the text height the form was designed with; it is not used.
  P.Property(L"TextHeight", [](C*) { return Integer(0); }, [](C*, Integer) {}).Stored(false);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(false);
  P.Property(L"WindowState", &C::WindowState, &C::SetWindowState).Default(wsNormal);
  P.Property(L"OnActivate", &C::OnActivate);
  P.Property(L"OnClose", &C::OnClose);
  P.Property(L"OnCloseQuery", &C::OnCloseQuery);
  P.Property(L"OnCreate", &C::OnCreate);
  P.Property(L"OnDeactivate", &C::OnDeactivate);
  P.Property(L"OnDestroy", &C::OnDestroy);
  P.Property(L"OnHide", &C::OnHide);
  P.Property(L"OnPaint", &C::OnPaint);
  P.Property(L"OnShow", &C::OnShow);
}

TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner),
      FIcon(std::make_unique<TIcon>()),
      FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
  FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                   csDoubleClicks};
  FVisible = false;
  FParentColor = false;
  FParentFont = false;
  FParentShowHint = false;
  SetBounds(0, 0, 320, 240);
  FColor = clBtnFace;
  FBrush->SetColor(FColor);
  FPixelsPerInch = Screen ? Screen->PixelsPerInch() : 96;
  FIcon->OnChange = [this](TObject*) {
    if (FHandle)
      SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon->Handle()));
  };
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (FCreated) DoDestroy();
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
  if (Application && Application->FHintControl && ContainsControl(Application->FHintControl))
    Application->CancelHint();
  FActiveControl = nullptr;
  FFocusedControl = nullptr;
  // The components on the form go while the form is still whole.
  DestroyComponents();
  while (ControlCount() > 0) delete Controls(ControlCount() - 1);
  if (Screen) Screen->RemoveForm(this);
  FCanvas->FreeHandle();
  DestroyHandle();
}

void TCustomForm::AfterConstruction() {
  inherited::AfterConstruction();
  if (ClassType() != TForm::StaticClass() && ClassType() != TCustomForm::StaticClass()) {
    if (!InitInheritedComponent(this, TForm::StaticClass()))
      throw EResNotFound(L"Resource %s not found", {ClassName()});
  }
  FCreated = true;
  DoCreate();
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
  try {
    if (OnDestroy) OnDestroy(this);
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
}

void TCustomForm::Loaded() {
  inherited::Loaded();
  if (FScaled && Screen && FPixelsPerInch > 0 && FPixelsPerInch != Screen->PixelsPerInch()) {
    const Integer m = Screen->PixelsPerInch(), d = FPixelsPerInch;
    RECT cr = ClientRect();
    ScaleBy(m, d);
    SetClientWidth(MulDiv(cr.right, m, d));
    SetClientHeight(MulDiv(cr.bottom, m, d));
    FFont->SetHeight(MulDiv(FFont->Height(), m, d));
    FPixelsPerInch = m;
  }
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove) {
    if (AComponent == FActiveControl) FActiveControl = nullptr;
    if (AComponent == FFocusedControl) FFocusedControl = nullptr;
    if (AComponent == FPopupParent) FPopupParent = nullptr;
    if (AComponent == reinterpret_cast<TComponent*>(FMenu)) FMenu = nullptr;
  }
}

SIZE TCustomForm::FrameSize() {
  TCreateParams p;
  CreateParams(p);
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, p.Style, FMenu != nullptr, p.ExStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT TCustomForm::ClientRect() {
  if (FHandle) {
    RECT r;
    ::GetClientRect(FHandle, &r);
    return r;
  }
  SIZE f = FrameSize();
  return RECT{0, 0, std::max<LONG>(0, FWidth - f.cx), std::max<LONG>(0, FHeight - f.cy)};
}

void TCustomForm::SetClientWidth(Integer Value) {
  if (FHandle) {
    TWinControl::SetClientWidth(Value);
    return;
  }
  SetWidth(Value + FrameSize().cx);
}

void TCustomForm::SetClientHeight(Integer Value) {
  if (FHandle) {
    TWinControl::SetClientHeight(Value);
    return;
  }
  SetHeight(Value + FrameSize().cy);
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
  Params.Style |= WS_CLIPCHILDREN;
  Params.WindowClass.style = CS_DBLCLKS;
  if (!FParent && !FParentWindow) {
    Params.WndParent = nullptr;
    TCustomForm* owner = nullptr;
    if (FPopupMode == pmExplicit || (FPopupMode == pmAuto && FPopupParent)) owner = FPopupParent;
    else if (FPopupMode == pmAuto && Screen) owner = Screen->ActiveCustomForm();
    if (!owner && Application && Application->MainForm() && Application->MainForm() != this &&
        Application->MainForm()->HandleAllocated())
      owner = Application->MainForm();
    if (owner && owner != this) Params.WndParent = owner->Handle();
    switch (FBorderStyle) {
      case bsNone: Params.Style |= WS_POPUP; break;
      case bsSingle: case bsToolWindow: Params.Style |= WS_CAPTION | WS_BORDER; break;
      case bsSizeable: case bsSizeToolWin: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
      case bsDialog:
        Params.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin)
      Params.ExStyle |= WS_EX_TOOLWINDOW;
    if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
      Params.Style |= WS_SYSMENU;
      if (FBorderStyle == bsSingle || FBorderStyle == bsSizeable) {
        if (FBorderIcons.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
        if (FBorderIcons.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
      }
      if (FBorderIcons.Contains(biHelp) &&
          (FBorderStyle == bsDialog || !FBorderIcons.Contains(biMinimize)))
        Params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
    if (FAlphaBlend) Params.ExStyle |= WS_EX_LAYERED;
    if (FWindowState == wsMinimized) Params.Style |= WS_MINIMIZE;
    else if (FWindowState == wsMaximized) Params.Style |= WS_MAXIMIZE;
  }
  Params.WindowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
}

void TCustomForm::SetMenu(TMainMenu* Value) {
  if (FMenu == Value) return;
  const RECT client = ClientRect();
  if (FMenu) {
    if (FHandle) FMenu->SetWindowHandle(nullptr);
    FMenu->RemoveFreeNotification(this);
  }
  FMenu = Value;
  if (FMenu) {
    FMenu->FreeNotification(this);
    if (FHandle) FMenu->SetWindowHandle(FHandle);
  }
  SetClientWidth(client.right);
  SetClientHeight(client.bottom);
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (FMenu) FMenu->SetWindowHandle(FHandle);
  if (!FIcon->Empty())
    SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon->Handle()));
  ApplyAlphaBlend();
}

void TCustomForm::ApplyAlphaBlend() {
  if (!FHandle) return;
  LONG_PTR ex = GetWindowLongPtrW(FHandle, GWL_EXSTYLE);
  if (FAlphaBlend) {
    if (!(ex & WS_EX_LAYERED)) SetWindowLongPtrW(FHandle, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetLayeredWindowAttributes(FHandle, 0, FAlphaBlendValue, LWA_ALPHA);
  } else if (ex & WS_EX_LAYERED) {
    SetWindowLongPtrW(FHandle, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
  }
}

void TCustomForm::SetAlphaBlend(bool Value) {
  if (FAlphaBlend != Value) { FAlphaBlend = Value; ApplyAlphaBlend(); }
}
void TCustomForm::SetAlphaBlendValue(Byte Value) {
  if (FAlphaBlendValue != Value) { FAlphaBlendValue = Value; ApplyAlphaBlend(); }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle != Value) { FBorderStyle = Value; RecreateWnd(); }
}
void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (!(FBorderIcons == Value)) { FBorderIcons = Value; RecreateWnd(); }
}
void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value) return;
  FFormStyle = Value;
  if (FHandle)
    SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
void TCustomForm::SetPopupMode(TPopupMode Value) {
  if (FPopupMode != Value) { FPopupMode = Value; RecreateWnd(); }
}
void TCustomForm::SetPopupParent(TCustomForm* Value) {
  if (FPopupParent == Value) return;
  if (FPopupParent) FPopupParent->RemoveFreeNotification(this);
  FPopupParent = Value;
  if (Value) {
    Value->FreeNotification(this);
    FPopupMode = pmExplicit;
  }
  RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState Value) {
  if (FWindowState == Value) return;
  FWindowState = Value;
  if (FHandle && FShowing) {
    static const int cmd[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    ShowWindow(FHandle, cmd[Value]);
  }
}

void TCustomForm::UpdateShowing() { TWinControl::UpdateShowing(); }

void TCustomForm::ApplyPosition() {
  if (FPositioned || FParent) return;
  FPositioned = true;
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  TCustomForm* centreOn = nullptr;
  switch (FPosition) {
    case poScreenCenter: case poDesktopCenter:
      break;
    case poMainFormCenter:
      if (Application && Application->MainForm() != this) centreOn = Application->MainForm();
      break;
    case poOwnerFormCenter:
      centreOn = dynamic_cast<TCustomForm*>(Owner());
      if (!centreOn && Application) centreOn = Application->MainForm();
      break;
    default:
      return;
  }
  if (centreOn && centreOn != this) area = centreOn->BoundsRect();
  Integer l = area.left + ((area.right - area.left) - FWidth) / 2;
  Integer t = area.top + ((area.bottom - area.top) - FHeight) / 2;
  SetBounds(std::max(l, 0), std::max(t, 0), FWidth, FHeight);
}

void TCustomForm::CMShowingChanged(TCMNoParams&) {
  if (FShowing) {
    DoShow();
    ApplyPosition();
    static const int cmd[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    ShowWindow(FHandle, cmd[FWindowState]);
    if (FFormStyle == fsStayOnTop)
      SetWindowPos(FHandle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  } else {
    DoHide();
    if (FHandle) {
      // Hand activation to another window of ours first, as hiding the active window
      // would leave none.
      if (Screen && Screen->FActiveCustomForm == this) Screen->FActiveCustomForm = nullptr;
      ShowWindow(FHandle, SW_HIDE);
    }
  }
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}
void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
  if (FHandle) SetForegroundWindow(FHandle);
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(HDC DC) {
  TCanvasLock lock(*FCanvas);
  FCanvas->FreeHandle();
  TCanvasHandleScope handle(*FCanvas, DC);
  Paint();
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}
void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::SetActive(bool Value) {
  FActive = Value;
  if (Value) {
    if (!FActiveControl && !ComponentState().Contains(csDesigning))
      FActiveControl = FindNextControl(nullptr, true, true, false);
    if (FActiveControl) FActiveControl->SetWindowFocus();
    else if (FHandle && GetFocus() != FHandle) ::SetFocus(FHandle);
  }
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  if (Control && !(Control != this && GetParentForm(Control) == this &&
                   (ComponentState().Contains(csLoading) || Control->CanFocus())))
    throw EInvalidOperation(L"Cannot focus a disabled or invisible window");
  FActiveControl = Control;
  if (!ComponentState().Contains(csLoading)) {
    if (FActive) {
      if (Control) Control->SetWindowFocus();
      else if (FHandle) ::SetFocus(FHandle);
    }
  }
}

void TCustomForm::FocusControl(TWinControl* Control) {
  bool wasActive = FActive;
  SetActiveControl(Control);
  if (!wasActive) SetFocus();
}

void TCustomForm::SetFocus() {
  if (!FActive) {
    if (!(FVisible && Enabled()))
      throw EInvalidOperation(L"Cannot focus a disabled or invisible window");
    if (FActiveControl) FActiveControl->SetWindowFocus();
    else SetWindowFocus();
  }
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (Removing && FFocusedControl && Control->ContainsControl(FFocusedControl))
    FFocusedControl = Control->Parent();
  // The screen must not keep a control that is going away as its active one.
  if (Removing && Screen && Screen->FActiveControl && Control->ContainsControl(Screen->FActiveControl))
    Screen->FActiveControl = nullptr;
  if (FActiveControl && Control->ContainsControl(FActiveControl)) {
    FActiveControl = nullptr;
    if (FActive && !ComponentState().Contains(csDestroying) && FHandle && !Removing)
      ::SetFocus(FHandle);
  }
}

bool TCustomForm::IsShortCut(TWMKey& Message) { return FMenu && FMenu->IsShortCut(Message); }

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  ++FocusCount;
  FActiveControl = Control != this ? Control : nullptr;
  if (Screen) {
    Screen->FActiveControl = Control;
    Screen->FActiveCustomForm = this;
    auto& v = Screen->FForms;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    v.insert(v.begin(), this);
  }
  if (Control->ControlState().Contains(csFocusing)) return false;
  TSetItemScope focusing(Control->ControlState(), csFocusing);
  if (Screen && Screen->FFocusedForm != this) {
    if (Screen->FFocusedForm) {
      HWND h = Screen->FFocusedForm->Handle();
      Screen->FFocusedForm = nullptr;
      if (!SendFocusMessage(h, CM_DEACTIVATE)) return false;
    }
    Screen->FFocusedForm = this;
    if (!SendFocusMessage(Handle(), CM_ACTIVATE)) return false;
  }
  if (!FFocusedControl) FFocusedControl = this;
  if (FFocusedControl != Control) {
    while (FFocusedControl && !FFocusedControl->ContainsControl(Control)) {
      HWND h = FFocusedControl->Handle();
      FFocusedControl = FFocusedControl->Parent();
      if (!SendFocusMessage(h, CM_EXIT)) return false;
    }
    while (FFocusedControl != Control) {
      TWinControl* t = Control;
      while (t->Parent() != FFocusedControl) t = t->Parent();
      FFocusedControl = t;
      if (!SendFocusMessage(t->Handle(), CM_ENTER)) return false;
    }
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
    if (Screen && Screen->OnActiveControlChange) Screen->OnActiveControlChange(Screen);
  }
  return true;
}

void TCustomForm::SendCancelMode(TControl* Sender) {
  if (FActive && FActiveControl) FActiveControl->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() {
  if (FHandle) PostMessageW(FHandle, CM_RELEASE, 0, 0);
  else delete this;
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) FModalResult = mrNone;
}

TModalResult TCustomForm::ShowModal() {
  if (FVisible || !Enabled() || FModal || FFormStyle == fsMDIChild)
    throw EInvalidOperation(L"Cannot make a visible window modal");
  if (GetCapture()) SendMessageW(GetCapture(), WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  // What the modal loop changes is put back however the loop is left: every other
  // enabled top-level window of the thread is disabled meanwhile and enabled again, the
  // window that was active before becomes active again, and the form stops being modal
  // and hides.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
  const HWND activeBefore = GetActiveWindow();
  for (HWND h : disabled) EnableWindow(h, FALSE);
  TValueScope<bool> modal(FModal, true);
  // Scopes end in reverse: the windows come back first, then the form hides.
  TScopeExit hide([this] {
    FModal = false;
    Hide();
  });
  TScopeExit restore([&disabled, activeBefore] {
    for (HWND h : disabled)
      if (IsWindow(h)) EnableWindow(h, TRUE);
    if (activeBefore && IsWindow(activeBefore)) SetActiveWindow(activeBefore);
  });
  Show();
  FModalResult = mrNone;
  do {
    Application->HandleMessage();
    if (Application->Terminated()) FModalResult = mrCancel;
    else if (FModalResult != mrNone) CloseModal();
  } while (FModalResult == mrNone);
  // The result is taken before the scope puts the state back (hiding may run handlers).
  return FModalResult;
}

void TCustomForm::CMDialogKey(TCMDialogKey& Message) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (Message.CharCode()) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          Message.Result = 1;
          return;
        }
        break;
      case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
        if (FActiveControl && FActiveControl->Parent()) {
          FActiveControl->Parent()->SelectNext(
              FActiveControl, Message.CharCode() == VK_RIGHT || Message.CharCode() == VK_DOWN, false);
          Message.Result = 1;
        }
        return;
      default:
        break;
    }
  }
  TWinControl::CMDialogKey(Message);
}

void TCustomForm::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  inherited::GetChildren(Proc, Root);
  if (Root != this) return;
  for (Integer i = 0; i < ComponentCount(); ++i)
    if (TComponent* c = Components(i); !c->HasParent()) Proc(c);
}

void TCustomForm::UpdateActions() {
  if (ComponentState().Contains(csDesigning)) return;
  for (Integer i = 0; i < ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TCustomActionList*>(Components(i))) list->UpdateActions();
}

const TMessageMap* TCustomForm::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_PAINT, MessageHandler<&TCustomForm::WMPaint>},
      {WM_ACTIVATE, MessageHandler<&TCustomForm::WMActivate>},
      {WM_CLOSE, MessageHandler<&TCustomForm::WMClose>},
      {WM_DESTROY, MessageHandler<&TCustomForm::WMDestroy>},
      {WM_QUERYENDSESSION, MessageHandler<&TCustomForm::WMQueryEndSession>},
      {CM_ACTIVATE, MessageHandler<&TCustomForm::CMActivate>},
      {CM_DEACTIVATE, MessageHandler<&TCustomForm::CMDeactivate>},
      {CM_RELEASE, MessageHandler<&TCustomForm::CMRelease>},
      {CM_SHOWINGCHANGED, MessageHandler<&TCustomForm::CMShowingChanged>},
      {CM_DIALOGKEY, MessageHandler<&TCustomForm::CMDialogKey>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomForm::WMPaint(TWMPaint& Message) {
  TSetItemScope painting(FControlState, csCustomPaint);
  inherited::WMPaint(Message);
}

void TCustomForm::WMActivate(TWMActivate& Message) {
  if (FFormStyle != fsMDIForm) SetActive(Message.Active() != WA_INACTIVE);
}

void TCustomForm::WMClose(TWMNoParams&) { Close(); }

void TCustomForm::WMDestroy(TWMNoParams& Message) { DefaultHandler(Message); }

void TCustomForm::WMQueryEndSession(TWMNoParams& Message) { Message.Result = CloseQuery() ? 1 : 0; }

void TCustomForm::CMActivate(TCMNoParams&) { Activate(); }

void TCustomForm::CMDeactivate(TCMNoParams&) { Deactivate(); }

void TCustomForm::CMRelease(TCMNoParams&) { delete this; }

// ---------------------------------------------------------------------------------------
// TCustomDockForm

TCustomDockForm::TCustomDockForm(TComponent* AOwner) : TCustomForm(AOwner) {
  SetBorderStyle(bsSizeToolWin);
  SetPosition(poDesigned);
}

const TMessageMap* TCustomDockForm::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_UNDOCKCLIENT, MessageHandler<&TCustomDockForm::CMUnDockClient>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomDockForm::PlaceClientArea(const RECT& ScreenRect) {
  RECT r = ScreenRect;
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE)));
  SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TCustomDockForm::DoAddDockClient(TControl* Client, const RECT& ARect) {
  inherited::DoAddDockClient(Client, ARect);
  Client->SetAlign(alClient);
  Client->FreeNotification(this);
  FHadClient = true;
}

void TCustomDockForm::DoRemoveDockClient(TControl* Client) {
  inherited::DoRemoveDockClient(Client);
  Client->RemoveFreeNotification(this);
  ReleaseWhenEmpty();
}

void TCustomDockForm::CMUnDockClient(TMessage& Message) {
  if (auto* client = reinterpret_cast<TControl*>(Message.LParam)) client->SetAlign(alNone);
  Message.Result = 0;
}

void TCustomDockForm::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // A client being freed has already left the client list (or leaves it here).
  auto it = std::find(FDockClients.begin(), FDockClients.end(), AComponent);
  if (it != FDockClients.end()) FDockClients.erase(it);
  ReleaseWhenEmpty();
}

void TCustomDockForm::ReleaseWhenEmpty() {
  if (FHadClient && FDockClients.empty() && !ComponentState().Contains(csDestroying)) Release();
}

// ---------------------------------------------------------------------------------------
// TMonitor and TScreen

RECT TMonitor::BoundsRect() const {
  MONITORINFO mi{sizeof mi};
  GetMonitorInfoW(FHandle, &mi);
  return mi.rcMonitor;
}
RECT TMonitor::WorkareaRect() const {
  MONITORINFO mi{sizeof mi};
  GetMonitorInfoW(FHandle, &mi);
  return mi.rcWork;
}
bool TMonitor::Primary() const {
  MONITORINFO mi{sizeof mi};
  GetMonitorInfoW(FHandle, &mi);
  return (mi.dwFlags & MONITORINFOF_PRIMARY) != 0;
}

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  HDC dc = GetDC(nullptr);
  FPixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  FHintFont = std::make_unique<TFont>();
  FMenuFont = std::make_unique<TFont>();
  FIconFont = std::make_unique<TFont>();
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
    FHintFont->SetHandle(CreateFontIndirectW(&ncm.lfStatusFont));
    FMenuFont->SetHandle(CreateFontIndirectW(&ncm.lfMenuFont));
  }
  LOGFONTW lf{};
  if (SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0))
    FIconFont->SetHandle(CreateFontIndirectW(&lf));
  FHintFont->SetColor(clInfoText);
  FMenuFont->SetColor(clMenuText);
}

TScreen::~TScreen() {
  for (auto& c : FCursors) DestroyCursor(c.second);
}

HCURSOR TScreen::Cursors(Integer Index) {
  auto it = FCursors.find(Index);
  if (it != FCursors.end()) return it->second;
  const wchar_t* id = nullptr;
  switch (Index) {
    case crDefault: case crArrow: id = IDC_ARROW; break;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: case crSQLWait: id = IDC_WAIT; break;
    case crDrag: case crMultiDrag: case crNoDrop: case crNo: id = IDC_NO; break;
    case crHSplit: id = IDC_SIZEWE; break;
    case crVSplit: id = IDC_SIZENS; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    case crNone: return nullptr;
    default: id = IDC_ARROW; break;
  }
  return LoadCursorW(nullptr, id);
}

void TScreen::SetCursors(Integer Index, HCURSOR Handle) {
  auto it = FCursors.find(Index);
  if (it != FCursors.end()) {
    DestroyCursor(it->second);
    FCursors.erase(it);
  }
  if (Handle) FCursors[Index] = Handle;
}

void TScreen::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  POINT p;
  GetCursorPos(&p);
  // Let the window under the mouse choose again.
  if (Value == crDefault) SetCursorPos(p.x, p.y);
  else ::SetCursor(Cursors(Value));
}

TStrings* TScreen::Fonts() {
  if (!FFonts) {
    FFonts = std::make_unique<TStringList>();
    HDC dc = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &lf, CollectFontFamily, reinterpret_cast<LPARAM>(FFonts.get()), 0);
    ReleaseDC(nullptr, dc);
    FFonts->Sort();
  }
  return FFonts.get();
}

TForm* TScreen::Forms(Integer Index) const {
  Integer n = 0;
  for (TCustomForm* f : FForms)
    if (auto* t = dynamic_cast<TForm*>(f)) {
      if (n == Index) return t;
      ++n;
    }
  throw EListError(L"List index out of bounds (%d)", {Index});
}

void TScreen::AddForm(TCustomForm* Form) { FForms.push_back(Form); }

void TScreen::RemoveForm(TCustomForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  if (FActiveCustomForm == Form) FActiveCustomForm = nullptr;
  if (FFocusedForm == Form) FFocusedForm = nullptr;
  if (FActiveControl && GetParentForm(FActiveControl) == Form) FActiveControl = nullptr;
}

RECT TScreen::DesktopRect() const {
  return RECT{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
              GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
              GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

RECT TScreen::WorkAreaRect() const {
  RECT r{0, 0, Width(), Height()};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

void TScreen::GetMonitors() {
  FMonitors.clear();
  std::vector<HMONITOR> handles;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&handles));
  for (HMONITOR h : handles) {
    auto m = std::make_unique<TMonitor>();
    m->FHandle = h;
    m->FMonitorNum = static_cast<Integer>(FMonitors.size());
    FMonitors.push_back(std::move(m));
  }
}

Integer TScreen::MonitorCount() {
  if (FMonitors.empty()) GetMonitors();
  return static_cast<Integer>(FMonitors.size());
}

TMonitor* TScreen::Monitors(Integer Index) {
  if (FMonitors.empty()) GetMonitors();
  if (Index < 0 || Index >= static_cast<Integer>(FMonitors.size()))
    throw EListError(L"List index out of bounds (%d)", {Index});
  return FMonitors[Index].get();
}

TMonitor* TScreen::FindMonitor(HMONITOR H) {
  if (!H) return nullptr;
  for (int pass = 0; pass < 2; ++pass) {
    for (auto& m : FMonitors)
      if (m->FHandle == H) return m.get();
    GetMonitors();  // a monitor came meanwhile
  }
  return nullptr;
}

static DWORD MonitorFlag(TMonitorDefaultTo d) {
  return d == mdNull ? MONITOR_DEFAULTTONULL
         : d == mdPrimary ? MONITOR_DEFAULTTOPRIMARY
                          : MONITOR_DEFAULTTONEAREST;
}

TMonitor* TScreen::MonitorFromPoint(POINT P, TMonitorDefaultTo Default) {
  return FindMonitor(::MonitorFromPoint(P, MonitorFlag(Default)));
}
TMonitor* TScreen::MonitorFromRect(const RECT& R, TMonitorDefaultTo Default) {
  return FindMonitor(::MonitorFromRect(&R, MonitorFlag(Default)));
}
TMonitor* TScreen::MonitorFromWindow(HWND Handle, TMonitorDefaultTo Default) {
  return FindMonitor(::MonitorFromWindow(Handle, MonitorFlag(Default)));
}

// ---------------------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
  Destroying();
  StopHintTimer();
  DestroyComponents();
  if (FHandle) DestroyWindow(FHandle);
}

const TMessageMap* TApplication::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_TIMER, MessageHandler<&TApplication::WMTimer>},
      {WM_NULL, MessageHandler<&TApplication::WMNull>},
  };
  static constexpr TMessageMap Map(Entries);
  return &Map;
}

void TApplication::WMTimer(TWMTimer& Message) {
  if (Message.TimerID() != HintTimerId) return;
  try {
    HintTimerExpired();
  } catch (...) {
    HandleException(this);
  }
}

// Posted by threads that queued a method for the main thread.
void TApplication::WMNull(TWMNoParams&) {
  if (GetCurrentThreadId() != MainThreadID) return;
  try {
    CheckSynchronize();
  } catch (...) {
    HandleException(this);
  }
}

HWND TApplication::Handle() {
  if (!FHandle) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = MessageMapWndProc<TApplication>;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TApplication";
    RegisterClassW(&wc);
    FHandle = CreateWindowExW(WS_EX_TOOLWINDOW, L"TApplication", Title().c_str(), WS_POPUP, 0, 0,
                              0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  return FHandle;
}

String TApplication::ExeName() const {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return String(buf, n);
}

String TApplication::Title() const {
  if (!FTitle.empty()) return FTitle;
  String n = ExeName();
  size_t s = n.find_last_of(L"\\/");
  if (s != String::npos) n = n.substr(s + 1);
  size_t d = n.find_last_of(L'.');
  if (d != String::npos) n = n.substr(0, d);
  return n;
}

bool TApplication::Active() const {
  HWND a = GetActiveWindow();
  return a && FindControl(a) != nullptr;
}

void TApplication::CreateForm(TClass InstanceClass, void* Reference) {
  std::unique_ptr<TObject> made(InstanceClass->NewInstance(this));
  auto* form = dynamic_cast<TCustomForm*>(made.get());
  if (!form) throw EInvalidCast(L"%s is not a form class", {InstanceClass->ClassName()});
  // The reference shows the form while it is built and is cleared again, before the form
  // goes, when building fails.
  auto* ref = static_cast<TCustomForm**>(Reference);
  if (ref) *ref = form;
  TScopeExit clearReference([ref] {
    if (ref) *ref = nullptr;
  });
  form->AfterConstruction();
  clearReference.Dismiss();
  made.release();
  if (!FMainForm) {
    FMainForm = form;
    form->HandleNeeded();
  }
}

void TApplication::Run() {
  TValueScope<bool> running(FRunning, true);
  if (!FMainForm) return;
  if (FShowMainForm) FMainForm->Show();
  while (!FTerminated) {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  }
}

bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  HWND wnd = GetCapture();
  if (!wnd) {
    wnd = Msg.hwnd;
    // A child window of another kind (the edit of a combo box) goes through the first
    // window of ours above it.
    while (wnd && !FindControl(wnd)) wnd = GetParent(wnd);
    if (!wnd) return false;
  }
  return SendMessageW(wnd, Msg.message + CN_BASE, Msg.wParam, Msg.lParam) != 0;
}

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(Msg, handled);
  if (!handled && !IsKeyMsg(Msg)) {
    TranslateMessage(&Msg);
    DispatchMessageW(&Msg);
  }
  return true;
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle(msg);
}

// Actions are brought up to date while the program waits, on the forms that show.
void TApplication::DoActionIdle() {
  if (!Screen) return;
  for (Integer i = 0; i < Screen->CustomFormCount(); ++i) {
    TCustomForm* f = Screen->CustomForms(i);
    if (f->ComponentState().Contains(csDestroying) || f->ComponentState().Contains(csLoading)) continue;
    if (f->HandleAllocated() && IsWindowVisible(f->Handle())) f->UpdateActions();
  }
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Idle(const MSG&) {
  UpdateMouseControl();
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    if (done) DoActionIdle();
  } catch (...) {
    HandleException(this);
  }
  FreeDeviceContexts();
  try {
    CheckSynchronize();
  } catch (...) {
    HandleException(this);
  }
  if (done && !FTerminated) {
    // Wake up for new messages, and now and then for work queued by other threads.
    MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void TApplication::Terminate() {
  FTerminated = true;
  PostQuitMessage(0);
}

void TApplication::HandleException(TObject* Sender) {
  try {
    throw;
  } catch (const EAbort&) {
    return;
  } catch (const Exception& e) {
    if (OnException) OnException(Sender, e);
    else ShowException(e);
  } catch (const std::exception& e) {
    Exception wrapped(String(e.what(), e.what() + strlen(e.what())));
    if (OnException) OnException(Sender, wrapped);
    else ShowException(wrapped);
  } catch (...) {
    Exception wrapped(L"Unknown exception");
    if (OnException) OnException(Sender, wrapped);
    else ShowException(wrapped);
  }
}

void TApplication::ShowException(const Exception& E) {
  String msg = E.Message();
  if (!msg.empty() && msg.back() > L'.') msg += L'.';
  HWND owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
  MessageBoxW(owner, msg.c_str(), Title().c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::Minimize() {
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_MINIMIZE);
}
void TApplication::Restore() {
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_RESTORE);
}
void TApplication::BringToFront() {
  if (FMainForm && FMainForm->HandleAllocated()) SetForegroundWindow(FMainForm->Handle());
}

void TApplication::SetShowHint(bool Value) {
  if (FShowHint != Value) {
    FShowHint = Value;
    if (!Value) CancelHint();
  }
}

void TApplication::SetHint(const String& Value) {
  if (FHint != Value) {
    FHint = Value;
    if (OnHint) OnHint(this);
  }
}

void TApplication::StartHintTimer(Integer Value) {
  StopHintTimer();
  FHintTimer = SetTimer(Handle(), HintTimerId, static_cast<UINT>(std::max(Value, 1)), nullptr);
}

void TApplication::StopHintTimer() {
  if (FHintTimer && FHandle) KillTimer(FHandle, HintTimerId);
  FHintTimer = 0;
}

void TApplication::HideHint() {
  if (FHintActive && HideHintWindow) HideHintWindow();
  FHintActive = false;
}

void TApplication::CancelHint() {
  if (FHintControl) {
    HideHint();
    FHintControl = nullptr;
    StopHintTimer();
  }
}

void TApplication::HintMouseMessage(TControl* Control, TWMMouse& Message) {
  if (!FShowHint && !FHintActive) {
    SetHint(Control ? Control->Hint() : String());
    return;
  }
  POINT p = Message.Pos();
  TControl* target = Control;
  POINT screen{0, 0};
  try {
    screen = Control->ClientToScreen(p);
  } catch (const Exception&) {
    return;
  }
  if (target != FHintControl) {
    // Moved onto another control: the hint starts over after the pause (shorter when a
    // hint was just shown).
    bool wasActive = FHintActive;
    HideHint();
    FHintControl = target;
    SetHint(target ? target->Hint() : String());
    if (FShowHint && target && !target->Hint().empty())
      StartHintTimer(wasActive ? FHintShortPause : FHintPause);
    else
      StopHintTimer();
  } else if (FHintActive && !PtInRect(&FHintCursorRect, screen)) {
    HideHint();
    StartHintTimer(FHintShortPause);
  }
}

void TApplication::HintTimerExpired() {
  StopHintTimer();
  if (FHintActive) {
    HideHint();
    return;
  }
  POINT p;
  GetCursorPos(&p);
  if (FHintControl) ActivateHint(p);
}

void TApplication::ActivateHint(POINT CursorPos) {
  TControl* c = FindDragTarget(CursorPos, true);
  while (c && c->Hint().empty()) c = c->Parent();
  if (!c || !FShowHint) return;
  THintInfo info;
  info.HintControl = c;
  info.HintWindowClass = HintWindowClass;
  info.HintColor = FHintColor;
  info.HintMaxWidth = Screen ? Screen->Width() : 0;
  info.HintStr = c->Hint();
  size_t bar = info.HintStr.find(L'|');
  if (bar != String::npos) info.HintStr = info.HintStr.substr(0, bar);
  info.CursorPos = c->ScreenToClient(CursorPos);
  info.CursorRect = c->ClientRect();
  info.HintPos = POINT{CursorPos.x, CursorPos.y + 20};
  info.HideTimeout = FHintHidePause;
  bool canShow = c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
  if (!canShow || info.HintStr.empty()) return;
  POINT tl = c->ClientToScreen(POINT{info.CursorRect.left, info.CursorRect.top});
  POINT br = c->ClientToScreen(POINT{info.CursorRect.right, info.CursorRect.bottom});
  FHintCursorRect = RECT{tl.x, tl.y, br.x, br.y};
  RECT bounds{info.HintPos.x, info.HintPos.y, info.HintPos.x, info.HintPos.y};
  if (ShowHintWindow) {
    ShowHintWindow(info, bounds);
    FHintActive = true;
    if (info.HideTimeout > 0) StartHintTimer(info.HideTimeout);
  }
}
