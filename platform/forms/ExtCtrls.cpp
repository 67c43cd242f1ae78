#include "ExtCtrls.h"

#include <algorithm>
#include <map>

namespace {

const wchar_t* const TimerClassName = L"ZsTimerWindow";
bool TimerClassRegistered = false;

// The classes form files may name, registered while the unit runs.
std::vector<TClass> ExtCtrlsClasses() {
  return {TPanel::StaticClass(), TSplitter::StaticClass(), TTimer::StaticClass(),
          TImage::StaticClass(), TBevel::StaticClass(), TPaintBox::StaticClass()};
}

void InitExtCtrls() {
  for (TClass c : ExtCtrlsClasses()) RegisterClass(c);
}

void DoneExtCtrls() {
  for (TClass c : ExtCtrlsClasses()) UnRegisterClass(c);
  if (TimerClassRegistered) UnregisterClassW(TimerClassName, GetModuleHandleW(nullptr));
  TimerClassRegistered = false;
}

}  // namespace

const TUnitInfo ExtCtrlsUnit{L"ExtCtrls", InitExtCtrls, DoneExtCtrls};

void Frame3D(TCanvas* Canvas, RECT& Rect, TColor TopColor, TColor BottomColor, Integer Width) {
  Canvas->Pen()->SetWidth(1);
  --Rect.bottom;
  --Rect.right;
  for (Integer i = 0; i < Width; ++i) {
    Canvas->Pen()->SetColor(TopColor);
    Canvas->Polyline({{Rect.left, Rect.bottom}, {Rect.left, Rect.top}, {Rect.right, Rect.top}});
    Canvas->Pen()->SetColor(BottomColor);
    Canvas->Polyline({{Rect.right, Rect.top}, {Rect.right, Rect.bottom}, {Rect.left - 1, Rect.bottom}});
    InflateRect(&Rect, -1, -1);
  }
  ++Rect.bottom;
  ++Rect.right;
}

// =======================================================================================
// TCustomPanel

void TPanel::DeclarePublished(TPublisher<TPanel>& P) {
  using C = TPanel;
  P.Property(L"Color", &C::Color, &C::SetColor).Default(clBtnFace);
  P.Property(L"ParentColor", &C::ParentColor, &C::SetParentColor).Default(false);
  P.Property(L"Alignment", &C::Alignment, &C::SetAlignment).Default(taCenter);
  P.Property(L"BevelInner", &C::BevelInner, &C::SetBevelInner).Default(bvNone);
  P.Property(L"BevelOuter", &C::BevelOuter, &C::SetBevelOuter).Default(bvRaised);
  P.Property(L"BevelWidth", &C::BevelWidth, &C::SetBevelWidth).Default(1);
  P.Property(L"BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(bsNone);
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
  P.Property(L"ShowCaption", &C::ShowCaption, &C::SetShowCaption).Default(true);
}

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle.Include(csAcceptsControls);
  FControlStyle.Include(csSetCaption);
  FControlStyle.Include(csOpaque);
  FParentColor = false;
  FColor = clBtnFace;
  FBrush->SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

Integer TCustomPanel::BevelExtent() const {
  Integer n = 0;
  if (FBevelOuter != bvNone) n += FBevelWidth;
  if (FBevelInner != bvNone) n += FBevelWidth;
  return n + FBorderWidth;
}

void TCustomPanel::AdjustClientRect(RECT& Rect) {
  inherited::AdjustClientRect(Rect);
  Integer n = BevelExtent() - FBorderWidth;  // the base takes BorderWidth off already
  InflateRect(&Rect, -n, -n);
}

void TCustomPanel::SetBevelInner(TBevelCut Value) { FBevelInner = Value; Realign(); Invalidate(); }
void TCustomPanel::SetBevelOuter(TBevelCut Value) { FBevelOuter = Value; Realign(); Invalidate(); }
void TCustomPanel::SetBevelWidth(Integer Value) { FBevelWidth = std::max<Integer>(Value, 1); Realign(); Invalidate(); }
void TCustomPanel::SetAlignment(TAlignment Value) { FAlignment = Value; Invalidate(); }
void TCustomPanel::SetShowCaption(bool Value) { FShowCaption = Value; Invalidate(); }
void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomPanel::Paint() {
  RECT r = ClientRect();
  auto colours = [](TBevelCut Cut, TColor& Top, TColor& Bottom) {
    Top = Cut == bvLowered ? clBtnShadow : clBtnHighlight;
    Bottom = Cut == bvLowered ? clBtnHighlight : clBtnShadow;
  };
  TColor top, bottom;
  if (FBevelOuter != bvNone) {
    colours(FBevelOuter, top, bottom);
    if (FBevelOuter == bvSpace) top = bottom = Color();
    Frame3D(Canvas(), r, top, bottom, FBevelWidth);
  }
  Frame3D(Canvas(), r, Color(), Color(), FBorderWidth);
  if (FBevelInner != bvNone) {
    colours(FBevelInner, top, bottom);
    if (FBevelInner == bvSpace) top = bottom = Color();
    Frame3D(Canvas(), r, top, bottom, FBevelWidth);
  }
  Canvas()->Brush()->SetColor(Color());
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->FillRect(r);
  String text = GetText();
  if (FShowCaption && !text.empty()) {
    Canvas()->SetFont(Font());
    HDC dc = Canvas()->Handle();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS |
                 (FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER);
    DrawTextW(dc, text.c_str(), -1, &r, flags);
  }
}

const TMessageMap* TCustomPanel::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_TEXTCHANGED, MessageHandler<&TCustomPanel::CMTextChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomPanel::CMTextChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  Invalidate();
}

// =======================================================================================
// TSplitter

void TSplitter::DeclarePublished(TPublisher<TSplitter>& P) {
  using C = TSplitter;
  P.Property(L"Beveled", &C::Beveled, &C::SetBeveled).Default(false);
  P.Property(L"MinSize", &C::MinSize, &C::SetMinSize).Default(30);
  P.Property(L"OnCanResize", &C::OnCanResize);
  P.Property(L"OnMoved", &C::OnMoved);
}

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetAlign(alLeft);
  SetBounds(0, 0, 3, 100);
  SetCursor(crHSplit);
  FColor = clBtnFace;
  FParentColor = true;
}

void TSplitter::SetBeveled(bool Value) {
  FBeveled = Value;
  Invalidate();
}

void TSplitter::UpdateCursor() { SetCursor(FAlign == alTop || FAlign == alBottom ? crVSplit : crHSplit); }

TControl* TSplitter::FindControl() {
  if (!FParent) return nullptr;
  POINT p{};
  switch (FAlign) {
    case alLeft: p = POINT{FLeft - 1, FTop + FHeight / 2}; break;
    case alRight: p = POINT{FLeft + FWidth, FTop + FHeight / 2}; break;
    case alTop: p = POINT{FLeft + FWidth / 2, FTop - 1}; break;
    case alBottom: p = POINT{FLeft + FWidth / 2, FTop + FHeight}; break;
    default: return nullptr;
  }
  for (Integer i = 0; i < FParent->ControlCount(); ++i) {
    TControl* c = FParent->Controls(i);
    if (c == this || !c->Visible() || c->Align() != FAlign) continue;
    RECT r = c->BoundsRect();
    if (r.right - r.left == 0) {
      if (FAlign == alLeft || FAlign == alRight) --r.left; else --r.top;
    }
    if (PtInRect(&r, p)) return c;
  }
  return nullptr;
}

void TSplitter::Paint() {
  RECT r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  if (FBeveled) Frame3D(Canvas(), r, clBtnHighlight, clBtnShadow, 1);
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  UpdateCursor();
  FControl = FindControl();
  if (!FControl) return;
  FDownPos = ClientToScreen(POINT{X, Y});
  FStartSize = FAlign == alLeft || FAlign == alRight ? FControl->Width() : FControl->Height();
  FDragging = true;
}

// The neighbour follows the mouse live, never below MinSize nor past the room the
// parent has left.
void TSplitter::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (!FDragging || !FControl) return;
  POINT p = ClientToScreen(POINT{X, Y});
  Integer delta = 0;
  switch (FAlign) {
    case alLeft: delta = p.x - FDownPos.x; break;
    case alRight: delta = FDownPos.x - p.x; break;
    case alTop: delta = p.y - FDownPos.y; break;
    case alBottom: delta = FDownPos.y - p.y; break;
    default: return;
  }
  Integer size = std::max(FStartSize + delta, FMinSize);
  bool horizontal = FAlign == alLeft || FAlign == alRight;
  Integer room = horizontal ? FParent->ClientWidth() : FParent->ClientHeight();
  size = std::min(size, std::max<Integer>(room - (horizontal ? FWidth : FHeight) - FMinSize, FMinSize));
  bool accept = true;
  if (OnCanResize) OnCanResize(this, size, accept);
  if (!accept) return;
  if (horizontal) {
    if (size != FControl->Width()) FControl->SetWidth(size);
  } else if (size != FControl->Height()) {
    FControl->SetHeight(size);
  }
  if (FParent) FParent->Update();
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (!FDragging) return;
  FDragging = false;
  FControl = nullptr;
  if (OnMoved) OnMoved(this);
}

// =======================================================================================
// TTimer

const TMessageMap* TTimer::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_TIMER, MessageHandler<&TTimer::WMTimer>},
  };
  static constexpr TMessageMap Map(Entries);
  return &Map;
}

void TTimer::WMTimer(TWMTimer&) {
  try {
    Timer();
  } catch (...) {
    // The exception must not cross the system's window procedure: the application
    // reports it.
    if (HandleControlException) HandleControlException(this);
  }
}

void TTimer::DeclarePublished(TPublisher<TTimer>& P) {
  P.Property(L"Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  P.Property(L"Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
  P.Property(L"OnTimer", [](TTimer* t) { return t->OnTimer; },
             [](TTimer* t, const TNotifyEvent& v) { t->SetOnTimer(v); });
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  if (!TimerClassRegistered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = MessageMapWndProc<TTimer>;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = TimerClassName;
    RegisterClassW(&wc);
    TimerClassRegistered = true;
  }
  FWindow = CreateWindowExW(0, TimerClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTimer::~TTimer() {
  FEnabled = false;
  UpdateTimer();
  if (FWindow) DestroyWindow(FWindow);
}

// The system timer runs while the timer is enabled with an interval (OnTimer is looked
// at when it fires, so assigning the handler needs no restart).
void TTimer::UpdateTimer() {
  KillTimer(FWindow, 1);
  if (FEnabled && FInterval > 0 && !ComponentState().Contains(csLoading))
    if (!SetTimer(FWindow, 1, FInterval, nullptr))
      throw EOutOfResources(L"Not enough timers available");
}

void TTimer::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value) {
  if (FInterval == Value) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent& Value) { OnTimer = Value; }

void TTimer::Loaded() {
  inherited::Loaded();
  UpdateTimer();
}

void TTimer::Timer() {
  if (FEnabled && OnTimer) OnTimer(this);
}

// =======================================================================================
// TImage

void TImage::DeclarePublished(TPublisher<TImage>& P) {
  using C = TImage;
  P.Property(L"AutoSize", &C::AutoSize, &C::SetAutoSize).Default(false);
  P.Property(L"Center", &C::Center, &C::SetCenter).Default(false);
  P.Property(L"Picture", &C::Picture, &C::SetPicture);
  P.Property(L"Proportional", &C::Proportional, &C::SetProportional).Default(false);
  P.Property(L"Stretch", &C::Stretch, &C::SetStretch).Default(false);
  P.Property(L"Transparent", &C::Transparent, &C::SetTransparent).Default(false);
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(new TPicture()) {
  FPicture->OnChange = [this](TObject* S) { PictureChanged(S); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  if (!FPicture->Graphic()) {
    TBitmap b(Width(), Height());
    FPicture->SetGraphic(&b);
  }
  auto* bmp = dynamic_cast<TBitmap*>(FPicture->Graphic());
  if (!bmp) throw EInvalidOperation(L"Can only modify an image if it contains a bitmap");
  return bmp->Canvas();
}

void TImage::SetStretch(bool Value) { FStretch = Value; Invalidate(); }
void TImage::SetCenter(bool Value) { FCenter = Value; Invalidate(); }
void TImage::SetProportional(bool Value) { FProportional = Value; Invalidate(); }
void TImage::SetTransparent(bool Value) {
  FTransparent = Value;
  if (FPicture->Graphic()) FPicture->Graphic()->SetTransparent(Value);
  Invalidate();
}
void TImage::SetAutoSize(bool Value) {
  FAutoSize = Value;
  if (Value) PictureChanged(this);
}

void TImage::PictureChanged(TObject*) {
  if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
    SetBounds(FLeft, FTop, FPicture->Width(), FPicture->Height());
  if (FPicture->Graphic() && FTransparent) FPicture->Graphic()->SetTransparent(true);
  Invalidate();
}

RECT TImage::DestRect() {
  Integer w = FPicture->Width(), h = FPicture->Height();
  Integer cw = Width(), ch = Height();
  if (FStretch || (FProportional && (w > cw || h > ch))) {
    if (FProportional && w > 0 && h > 0) {
      double xr = static_cast<double>(cw) / w, yr = static_cast<double>(ch) / h;
      double r = std::min(xr, yr);
      w = static_cast<Integer>(w * r);
      h = static_cast<Integer>(h * r);
    } else {
      w = cw;
      h = ch;
    }
  }
  RECT r{0, 0, w, h};
  if (FCenter) OffsetRect(&r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint() {
  TCanvas* c = TGraphicControl::Canvas();
  if (TGraphic* g = FPicture->Graphic(); g && !g->Empty()) {
    RECT r = DestRect();
    if (r.right - r.left == g->Width() && r.bottom - r.top == g->Height()) c->Draw(r.left, r.top, g);
    else c->StretchDraw(r, g);
  }
}

// =======================================================================================
// TBevel, TPaintBox

void TBevel::DeclarePublished(TPublisher<TBevel>& P) {
  P.Property(L"Shape", &TBevel::Shape, &TBevel::SetShape).Default(bsBox);
  P.Property(L"Style", &TBevel::Style, &TBevel::SetStyle).Default(bsLowered);
}

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape Value) { FShape = Value; Invalidate(); }
void TBevel::SetStyle(TBevelStyle Value) { FStyle = Value; Invalidate(); }

void TBevel::Paint() {
  TCanvas* c = Canvas();
  TColor c1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor c2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  RECT r = ClientRect();
  auto line = [c](TColor Col, Integer X1, Integer Y1, Integer X2, Integer Y2) {
    c->Pen()->SetColor(Col);
    c->MoveTo(X1, Y1);
    c->LineTo(X2, Y2);
  };
  Integer w = r.right, h = r.bottom;
  switch (FShape) {
    case bsBox: Frame3D(c, r, c1, c2, 1); break;
    case bsFrame: {
      RECT outer{0, 0, w - 1, h - 1};
      Frame3D(c, outer, c1, c1, 1);
      RECT inner{1, 1, w, h};
      Frame3D(c, inner, c2, c2, 1);
      break;
    }
    case bsTopLine: line(c1, 0, 0, w, 0); line(c2, 0, 1, w, 1); break;
    case bsBottomLine: line(c1, 0, h - 2, w, h - 2); line(c2, 0, h - 1, w, h - 1); break;
    case bsLeftLine: line(c1, 0, 0, 0, h); line(c2, 1, 0, 1, h); break;
    case bsRightLine: line(c1, w - 2, 0, w - 2, h); line(c2, w - 1, 0, w - 1, h); break;
    case bsSpacer: break;
  }
}

void TPaintBox::DeclarePublished(TPublisher<TPaintBox>& P) {
  P.Property(L"OnPaint", &TPaintBox::OnPaint);
}

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
  FControlStyle.Include(csReplicatable);
  SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint() {
  Canvas()->SetFont(Font());
  Canvas()->Brush()->SetColor(Color());
  if (OnPaint) OnPaint(this);
}
