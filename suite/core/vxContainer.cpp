#include "vxContainer.h"

#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vdCore.h"
#include "vxScrollBar.h"
#include "vxDWMApi.h"

#include <algorithm>
#include <cassert>
#include <unordered_set>

namespace {

using TObjectLinkScope = TvxObjectLinkScope;
}  // namespace

const TMessageMap* TvxContainer::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_SETFOCUS, MessageHandler<&TvxContainer::WMSetFocus>},
      {WM_KILLFOCUS, MessageHandler<&TvxContainer::WMKillFocus>},
      {WM_NCPAINT, MessageHandler<&TvxContainer::WMNCPaint>},
      {WM_SETCURSOR, MessageHandler<&TvxContainer::WMSetCursor>},
      {WM_WINDOWPOSCHANGING, MessageHandler<&TvxContainer::WMWindowPosChanging>},
      {WM_WINDOWPOSCHANGED, MessageHandler<&TvxContainer::WMWindowPosChanged>},
      {CM_ENABLEDCHANGED, MessageHandler<&TvxContainer::CMEnabledChanged>},
      {CM_FONTCHANGED, MessageHandler<&TvxContainer::CMFontChanged>},
      {CM_PARENTCOLORCHANGED, MessageHandler<&TvxContainer::CMParentColorChanged>},
      {CM_PARENTFONTCHANGED, MessageHandler<&TvxContainer::CMParentFontChanged>},
      {CM_FOCUSCHANGED, MessageHandler<&TvxContainer::CMFocusChanged>},
      {CM_SYSCOLORCHANGE, MessageHandler<&TvxContainer::CMSysColorChange>},
      {VXM_REFRESHCONTAINER, MessageHandler<&TvxContainer::VXMRefreshContainer>},
      {VXM_UPDATESCROLLBARS, MessageHandler<&TvxContainer::VXMUpdateScrollBars>},
      {VXM_BUFFEREDPAINTONGLASS, MessageHandler<&TvxContainer::VXMBufferedPaintOnGlass>},
      {WM_PAINT, MessageHandler<&TvxContainer::WMPaint>},
      {CN_CTLCOLOREDIT, MessageHandler<&TvxContainer::CNCtlColor>},
      {CN_CTLCOLORSTATIC, MessageHandler<&TvxContainer::CNCtlColor>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxContainer::TvxContainer(TComponent* AOwner) : TvxControl(AOwner) { FSizeGripData.Visible = false; }

void TvxContainer::AfterConstruction() {
  inherited::AfterConstruction();
  FinishConstruction();
}

// Runs once, from AfterConstruction or from the first use of a container that was made
// without it.
void TvxContainer::FinishConstruction() {
  if (FStyles || !FIsCreating) return;
  FStyles.reset(GetStylesClass()->Create(this, GetStyleClass()));
  FStyles->SetOnChanged([this](TObject* Sender) { ContainerStyleChanged(Sender); });
  FActiveStyleData.ContainerState = TvxContainerState{csNormal};
  FActiveStyleData.ActiveStyle = Style();
  FViewInfo = CreateViewInfo();
  LookAndFeel()->SetMasterLookAndFeel(Style()->LookAndFeel());
  ControlStyle().Include(csCaptureMouse);
  ControlStyle().Include(csSetCaption);
  SetTabStop(true);
  SetParentColor(UsesParentColorByDefault() && !IsInplace() && !Style()->IsValueAssigned(csvColor));
  if (!ParentColor()) {
    // The container's own default: the normal style must not count it as assigned.
    TValueScope<bool> internal(FInternalSetting, true);
    SetColor(clWindow);
  }
  ClearSavedChildControlRegions();
  FIsCreating = false;
}

TvxContainer::~TvxContainer() {
  vxEndMouseTracking(this);
  SetInnerControl(nullptr);
  FViewInfo.reset();
  if (FStyles) FStyles->SetOnChanged(TNotifyEvent());
  FStyles.reset();
}

TvxContainerStyleClass TvxContainer::GetStyleClass() { return TvxContainerStyle::ClassOf<TvxContainerStyle>(); }
TvxContainerStylesClass TvxContainer::GetStylesClass() { return TvxContainerStyles::ClassOf<TvxContainerStyles>(); }
std::unique_ptr<TvxContainerViewInfo> TvxContainer::CreateViewInfo() { return std::make_unique<TvxContainerViewInfo>(); }

// --- Refresh -------------------------------------------------------------------------------

void TvxContainer::ShortRefreshContainer(bool AIsMouseEvent) {
  TPoint p{-1, -1};
  if (HandleAllocated()) {
    POINT cur;
    vxQueryCursorPos(cur);
    HWND under = WindowFromPoint(cur);
    if (under && vxIsChildOrSelf(Handle(), under)) {
      ::ScreenToClient(Handle(), &cur);
      p = TPoint{cur.x, cur.y};
    }
  }
  RefreshContainer(p, vxmbNone, vxCurrentShiftState(), AIsMouseEvent);
}

void TvxContainer::RefreshContainer(const TPoint& P, TvxMouseButton AButton, TShiftState AShift, bool AIsMouseEvent) {
  FHasChanges = true;
  bool result = false;
  if (CanRefreshContainer()) {
    TCounterScope lock(FRefreshLockCount);
    FHasChanges = false;
    result = RefreshViewInfoAt(P, AButton, AShift, AIsMouseEvent);
  }
  FIsViewInfoCalculated = result && !FHasChanges;
}

bool TvxContainer::CanRefreshContainer() {
  return FRefreshLockCount == 0 && !FIsCreating && FStyles && !IsDestroying() &&
         !ControlState().Contains(csDestroyingHandle) && HandleAllocated();
}

void TvxContainer::CheckViewInfo() {
  if (!FIsViewInfoCalculated) ShortRefreshContainer(false);
}

bool TvxContainer::RefreshViewInfoAt(const TPoint& P, TvxMouseButton, TShiftState AShift, bool) {
  bool hotAllowed = AShift.Empty() && GetActiveStyle()->HotTrack();
  ComputeViewInfo(P, hotAllowed);
  AlignInnerControl();
  ApplyStyleToInnerControl();
  UpdateWindowRegion();
  if (FInnerControl)
    vxInvalidateRectFrame(Handle(), TRect{0, 0, Width(), Height()}, FViewInfo->BorderRect, false);
  else
    InvalidateRect(TRect{0, 0, Width(), Height()}, false);
  if (FViewInfo->ContainerState.Contains(csHotTrack)) vxBeginMouseTracking(this, Bounds(), this);
  return true;
}

TvxContainerStyle* TvxContainer::GetActiveStyle() {
  if (!(FActiveStyleData.ContainerState == FViewInfo->ContainerState)) {
    FActiveStyleData.ContainerState = FViewInfo->ContainerState;
    FActiveStyleData.ActiveStyle = GetStyleForState();
  }
  return FActiveStyleData.ActiveStyle;
}

TvxContainerStyle* TvxContainer::GetStyleForState() {
  const TvxContainerState& s = FViewInfo->ContainerState;
  if (s.Contains(csDisabled)) return StyleDisabled();
  if (s.Contains(csActive)) return StyleFocused();
  if (Style()->HotTrack() && s.Contains(csHotTrack)) return StyleHot();
  return Style();
}

void TvxContainer::ComputeViewInfo(const TPoint& P, bool AHotTrackAllowed) {
  TvxContainerViewInfo* vi = FViewInfo.get();
  vi->NativeStyle = IsNativeStyle();
  vi->Painter = Style()->LookAndFeel()->SkinPainter();
  const Integer w0 = vxContainerBorderWidth(vi->BorderStyle);
  auto statePass = [&] {
    if (!Enabled())
      vi->ContainerState = TvxContainerState{csDisabled};
    else if (IsDesigning())
      vi->ContainerState = TvxContainerState{csNormal};
    else if (Focused())
      vi->ContainerState = TvxContainerState{csActive};
    else {
      vi->ContainerState = TvxContainerState{csNormal};
      TRect vb = GetVisibleBounds();
      if (AHotTrackAllowed && PtInRect(&vb, P)) vi->ContainerState.Include(csHotTrack);
    }
    TvxContainerStyle* active = GetActiveStyle();
    if (!active->HotTrack())
      vi->HotState = chsNoHotTrack;
    else if (vi->ContainerState.Contains(csActive) || vi->ContainerState.Contains(csHotTrack))
      vi->HotState = chsSelected;
    else
      vi->HotState = chsNormal;
    if (vi->NativeStyle)
      vi->BorderStyle = Style()->BorderStyle();
    else {
      TvxContainerBorderStyle bs = active->BorderStyle();
      vi->BorderStyle = (bs == cbsUltraFlat || bs == cbsOffice11) ? cbsSingle : bs;
    }
  };
  statePass();
  // The visible bounds depend on the border: a thinner border asks for a second pass.
  if (!vi->NativeStyle && vxContainerBorderWidth(vi->BorderStyle) < w0) statePass();
  if (vi->NativeStyle) {
    vi->ThemedObjectType = GetThemedObjectType();
    vi->NativePart = GetNativePart();
    vi->NativeState = GetNativeState();
  }
  vi->Bounds = TRect{0, 0, Width(), Height()};
  TRect ext;
  GetBorderExtent(ext);
  vi->BorderRect = TRect{vi->Bounds.left + ext.left, vi->Bounds.top + ext.top, vi->Bounds.right - ext.right,
                         vi->Bounds.bottom - ext.bottom};
  vi->ClientRect = vi->BorderRect;
  vi->BorderWidth = vi->Painter ? 1 : vxContainerBorderWidth(vi->BorderStyle);
  vi->Edges = GetActiveStyle()->Edges();
  vi->Shadow = HasShadow();
  vi->BorderColor = ComputeBorderColor();
  vi->SetBackgroundColor(ComputeBackgroundColor());
}

// --- Colours and geometry ----------------------------------------------------------------------

TvxEditStateColorKind TvxContainer::GetEditStateColorKind() {
  if (!Enabled()) return esckDisabled;
  return Focused() ? esckNormal : esckInactive;
}

void TvxContainer::GetPainterColors(TColor& ABackground, TColor& AText) {
  ABackground = clDefault;
  AText = clDefault;
  TvxCustomLookAndFeelPainterClass painter = FViewInfo->Painter;
  if (!painter) return;
  TvxContainerStyle* active = GetActiveStyle();
  if (!Style()->IsValueAssigned(csvTextColor) && !active->IsValueAssigned(csvTextColor))
    AText = painter->DefaultEditorTextColorEx(GetEditStateColorKind());
  if (!ParentColor() && !Style()->IsValueAssigned(csvColor) && !active->IsValueAssigned(csvColor))
    ABackground = painter->DefaultEditorBackgroundColorEx(GetEditStateColorKind());
}

TColor TvxContainer::ComputeBackgroundColor() {
  TColor bg, text;
  GetPainterColors(bg, text);
  if (bg != clDefault) return bg;
  TvxContainerStyle* active = GetActiveStyle();
  if (FViewInfo->NativeStyle && !Enabled() && !active->IsValueAssigned(csvColor)) {
    COLORREF c;
    HTHEME theme = vdOpenThemeByType(FViewInfo->ThemedObjectType);
    if (theme &&
        SUCCEEDED(vdUxTheme::GetThemeColor(theme, FViewInfo->NativePart, FViewInfo->NativeState, 3802 /* TMT_FILLCOLOR */, &c)))
      return static_cast<TColor>(c);
  }
  return active->Color();
}

TColor TvxContainer::ComputeBorderColor() {
  const TvxContainerState& s = FViewInfo->ContainerState;
  TvxContainerStyle* active = GetActiveStyle();
  bool highlighted = s.Contains(csActive) || (s.Contains(csHotTrack) && active->HotTrack()) ||
                     (IsDesigning() && Enabled());
  if (FViewInfo->Painter) return FViewInfo->Painter->GetContainerBorderColor(highlighted);
  switch (active->BorderStyle()) {
    case cbsUltraFlat:
    case cbsOffice11:
      if (!highlighted) return clBtnShadow;
      return active->BorderStyle() == cbsOffice11 ? vdOffice11HighlightBorderColor : clHighlight;
    default:
      return active->BorderColor();
  }
}

void TvxContainer::GetBorderExtent(TRect& R) {
  const bool native = IsNativeStyle();
  TvxContainerStyle* active = GetActiveStyle();
  if (active->TransparentBorder() && !FViewInfo->Painter)
    R = TRect{2, 2, 2, 2};
  else if (!active->HasBorder() || (native && Style()->BorderStyle() == cbsNone))
    R = TRect{0, 0, 0, 0};
  else if (native)
    R = TRect{2, 2, 2, 2};
  else {
    R = TRect{0, 0, 0, 0};
    const Integer w = vxContainerBorderWidth(FViewInfo->BorderStyle);
    TvxBorders e = active->Edges();
    if (e.Contains(bLeft)) R.left = w;
    if (e.Contains(bTop)) R.top = w;
    if (e.Contains(bRight)) R.right = w;
    if (e.Contains(bBottom)) R.bottom = w;
  }
  if (HasShadow()) {
    R.right += vxContainerShadowWidth;
    R.bottom += vxContainerShadowWidth;
  }
}

void TvxContainer::GetBorderRect(TRect& R) {
  R = FViewInfo->Bounds;
  TRect ext;
  GetBorderExtent(ext);
  R.left += ext.left;
  R.top += ext.top;
  R.right -= ext.right;
  R.bottom -= ext.bottom;
  const Integer w = vxContainerBorderWidth(FViewInfo->CurrentBorderStyle());
  InflateRect(&R, w, w);
  vxRectShrinkOutsideEdges(R, w, GetActiveStyle()->Edges());
}

TRect TvxContainer::GetVisibleBounds() {
  TRect r{0, 0, Width(), Height()};
  if (IsInplace()) return r;
  if (FViewInfo->Shadow) {
    r.right -= vxContainerShadowWidth;
    r.bottom -= vxContainerShadowWidth;
  }
  if (Style()->HasBorder()) {
    if (FViewInfo->NativeStyle) {
      if (Style()->TransparentBorder() && FViewInfo->BorderStyle == cbsNone) InflateRect(&r, -2, -2);
    } else if (Style()->TransparentBorder()) {
      const Integer w = vxContainerBorderWidth(FViewInfo->BorderStyle);
      InflateRect(&r, w - 2, w - 2);
      vxRectShrinkOutsideEdges(r, w, FViewInfo->Edges);
    }
  } else if (Style()->TransparentBorder())
    InflateRect(&r, -2, -2);
  if (r.top > r.bottom) r = TRect{r.left, 0, r.right, 0};
  return r;
}

bool TvxContainer::HasShadow() { return GetActiveStyle()->Shadow() && !IsNativeStyle(); }

bool TvxContainer::CanHaveTransparentBorder() {
  return !(FViewInfo->NativeStyle && FViewInfo->BorderStyle != cbsNone);
}

bool TvxContainer::IsNativeStyle() {
  return vxIsThemeUsable(Style()->LookAndFeel()->NativeStyle(), GetThemedObjectType());
}

Integer TvxContainer::GetNativePart() { return vdOSWinVistaUp ? 3 : 1; }

Integer TvxContainer::GetNativeState() {
  if (!Enabled()) return 4;
  if (IsReadOnlyState()) return 6;
  if (Focused()) return 5;
  if (FViewInfo->ContainerState.Contains(csHotTrack)) return 2;
  return 1;
}

TFont* TvxContainer::GetStateFont() {
  TFont* f = GetActiveStyle()->GetVisibleFont();
  TColor bg, text;
  GetPainterColors(bg, text);
  if (text != clDefault) f->SetColor(text);
  return f;
}

TRect TvxContainer::ClientBounds() { return FViewInfo->ClientRect; }
TvxLookAndFeel* TvxContainer::GetLookAndFeel() { return Style()->LookAndFeel(); }

// --- Style changes ---------------------------------------------------------------------------

void TvxContainer::ContainerStyleChanged(TObject*) {
  if (FIsCreating || IsLoading()) return;
  ShortRefreshContainer(false);
  TValueScope<bool> internal(FInternalSetting, true);
  if (!ParentColor() || Style()->AssignedValues().Contains(csvColor)) SetColor(Style()->ResolvedColor());
  SetFont(Style()->Font());
  if (Style()->IsValueAssigned(csvFont)) SetParentFont(false);
}

void TvxContainer::CreateWnd() {
  ConstructedStyles();
  inherited::CreateWnd();
}

void TvxContainer::Loaded() {
  inherited::Loaded();
  AlignInnerControl();
  ContainerStyleChanged(Style());
}

void TvxContainer::ColorChanged() {
  if (FInternalSetting || !FStyles) {
    inherited::ColorChanged();
    ShortRefreshContainer(false);
  } else
    Style()->SetColor(Color());
}

void TvxContainer::CMFontChanged(TCMNoParams& Message) {
  if (FInternalSetting || !FStyles) {
    InheritedMessage(Message);
    AlignInnerControl();
    ShortRefreshContainer(false);
    return;
  }
  const bool wasAssigned = Style()->AssignedValues().Contains(csvFont);
  Style()->SetFont(Font());
  if (!wasAssigned) {
    Style()->ExcludeAssignedValueField(csvFont);
  }
  InheritedMessage(Message);
}

void TvxContainer::CMParentColorChanged(TMessage& Message) {
  if (!FStyles) return InheritedMessage(Message);
  const bool wasAssigned = Style()->AssignedValues().Contains(csvColor);
  InheritedMessage(Message);
  if (!wasAssigned || ParentColor()) {
    Style()->ExcludeAssignedValueField(csvColor);
  }
  if (Style()->Color() != Color()) ContainerStyleChanged(Style());
  if (DependsOnParentBackground() && !ParentColor()) Invalidate();
}

void TvxContainer::CMParentFontChanged(TMessage& Message) {
  if (!FStyles) return InheritedMessage(Message);
  const bool wasAssigned = Style()->AssignedValues().Contains(csvFont);
  InheritedMessage(Message);
  if (!ParentFont()) Style()->RefreshOwnFont();
  if (!wasAssigned || ParentFont()) {
    Style()->ExcludeAssignedValueField(csvFont);
  }
}

bool TvxContainer::IsStylePropertyPublished(const String& APropertyName, bool AExtendedStyle) {
  if (!AExtendedStyle) return true;
  if (!Style()->IsExtendedStylePropertyPublished(APropertyName)) return false;
  TvxContainerStyleValue v;
  if (Style()->GetStyleValue(APropertyName, v) && GetNotPublishedStyleValues().Contains(v)) return false;
  return true;
}

// --- Inner control ---------------------------------------------------------------------------

void TvxContainer::SetInnerControl(TWinControl* Value) {
  if (FInnerControl == Value) return;
  if (FInnerControl) FInnerControl->RemoveFreeNotification(this);
  FInnerControl = Value;
  if (FInnerControl) FInnerControl->FreeNotification(this);
}

void TvxContainer::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FInnerControl) {
    FInnerControl = nullptr;
  }
}

void TvxContainer::AlignInnerControl() {
  if (!FInnerControl || FIsCreating) return;
  const TRect& c = FViewInfo->ClientRect;
  RECT b = FInnerControl->BoundsRect();
  if (!EqualRect(&b, &c)) {
    TCounterScope lock(FRefreshLockCount);
    FInnerControl->SetBounds(c.left, c.top, c.right - c.left, c.bottom - c.top);
  }
}

void TvxContainer::ApplyStyleToInnerControl() {
  if (!FInnerControl) return;
  FInnerControl->SetColor(FViewInfo->BackgroundColor());
  FInnerControl->SetFont(GetStateFont());
}

void TvxContainer::AdjustClientRect(RECT& Rect) {
  if (!IsDestroying()) Rect = FViewInfo->ClientRect;
}

// The container's children are not Tab stops of their own: while its inner control holds
// the focus, the inner control takes the container's place in the list, so that Tab and
// Shift+Tab move on from it to the container's neighbours.
void TvxContainer::GetTabOrderList(std::vector<TWinControl*>& List) {
  if (HasOwnChildControls()) return inherited::GetTabOrderList(List);
  TCustomForm* form = GetParentForm(this);
  if (!form || !FInnerControl || form->ActiveControl() == this || !CanFocus() ||
      form->ActiveControl() != FInnerControl)
    return;
  auto self = std::find(List.begin(), List.end(), static_cast<TWinControl*>(this));
  if (self != List.end())
    *self = FInnerControl;
  else
    List.push_back(FInnerControl);
}

void TvxContainer::FocusInnerControl() { FInnerControl->SetFocus(); }

void TvxContainer::SetDragMode(TDragMode Value) {
  inherited::SetDragMode(Value);
  if (FInnerControl) FInnerControl->SetDragMode(Value);
}

void TvxContainer::SetContainerDragKind(TDragKind Value) {
  SetDragKind(Value);
  if (FInnerControl) FInnerControl->SetDragKind(Value);
}

void TvxContainer::Invalidate() {
  inherited::Invalidate();
  if (FInnerControl) FInnerControl->Invalidate();
}

void TvxContainer::Update() {
  inherited::Update();
  if (FInnerControl) FInnerControl->Update();
}

void TvxContainer::CursorChanged() {
  inherited::CursorChanged();
  if (FInnerControl) FInnerControl->SetCursor(Cursor());
}

TDragImageList* TvxContainer::GetDragImages() {
  if (auto* inner = dynamic_cast<TvxControl*>(FInnerControl)) return inner->GetDragImages();
  return inherited::GetDragImages();
}

// --- Window ----------------------------------------------------------------------------------

void TvxContainer::CreateHandle() {
  inherited::CreateHandle();
  if (FInnerControl && vxCanAllocateHandle(FInnerControl)) FInnerControl->HandleNeeded();
  ShortRefreshContainer(false);
}

void TvxContainer::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TvxContainer::CreateWindowHandle(const TCreateParams& Params) {
  // Window creation cuts a caption at 65535 characters; a longer one is set afterwards.
  if (Params.Caption.size() <= 65535) return inherited::CreateWindowHandle(Params);
  TCreateParams p = Params;
  p.Caption.clear();
  inherited::CreateWindowHandle(p);
  if (HandleAllocated()) DefWindowProcW(Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Params.Caption.c_str()));
}

void TvxContainer::Paint() {
  TvxCanvas* canvas = Canvas();
  if (!RectVisible(canvas->Handle(), &FViewInfo->Bounds)) return;
  if (ControlState().Contains(csPaintCopy)) SetShadowClipRegion();
  CheckViewInfo();
  TRect inner = FViewInfo->BorderRect;
  vxDrawContainerFrameBackground(canvas, this, FViewInfo->Bounds, FViewInfo->BorderWidth, inner);
  FViewInfo->Paint(canvas);
}

void TvxContainer::UpdateScrollBars() {
  inherited::UpdateScrollBars();
  SetScrollBarsParameters(false);
}

void TvxContainer::Resize() {
  inherited::Resize();
  ShortRefreshContainer(false);
}

void TvxContainer::WndProc(TMessage& Message) {
  if (FInnerControl && FInnerControl->HandleAllocated()) {
    switch (Message.Msg) {
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_CHAR:
      case CN_KEYDOWN:
      case CN_KEYUP:
      case CN_CHAR:
        Message.Result = SendMessageW(FInnerControl->Handle(), Message.Msg, Message.WParam, Message.LParam);
        return;
      default:
        break;
    }
  }
  // An automatic drag takes the press at once, without the control's own wait for a
  // drag start.
  if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) && DragMode() == dmAutomatic &&
      DragKind() == dkDrag && !IsDesigning()) {
    BeginDrag(Mouse ? Mouse->DragImmediate() : true, -1);
    return;
  }
  if (Message.Msg == WM_SETFOCUS && !Visible()) return;
  if (Message.Msg == WM_NCCALCSIZE && FRefreshLockCount > 0) {
    Message.Result = 0;
    return;
  }
  inherited::WndProc(Message);
}

void TvxContainer::WMNCPaint(TMessage& Message) { Message.Result = 0; }

void TvxContainer::VXMRefreshContainer(TMessage&) { ShortRefreshContainer(false); }

void TvxContainer::TranslationChanged() {
  inherited::TranslationChanged();
  ShortRefreshContainer(false);
}

// Scaling: the container's own font follows the inherited scaling as an internal
// setting; a font of the normal style is scaled here, its own size directly, a
// controller's font (while the form loads) once by the controller.
void TvxContainer::ChangeScale(Integer M, Integer D) {
  const bool scaleStyleFont = M != D && FStyles && Style()->IsValueAssigned(csvFont);
  {
    TValueScope<bool> internal(FInternalSetting, !ParentFont());
    inherited::ChangeScale(M, D);
  }
  if (!scaleStyleFont) return;
  if (Style()->AssignedValues().Contains(csvFont)) {
    TFont* f = Style()->Font();
    f->SetSize(MulDiv(f->Size(), M, D));
  } else if (IsLoading()) {
    if (TvxStyleController* c = Style()->ActiveStyleController()) c->ScaleStyleFont(M, D);
  }
}

void TvxContainer::CallInnerControlWndProc(TMessage& Message) {
  if (FSaveInnerControlWndProc) FSaveInnerControlWndProc(Message);
}

void TvxContainer::CMSysColorChange(TMessage& Message) {
  InheritedMessage(Message);
  ShortRefreshContainer(false);
}

// A focus change anywhere on the form may be the inner control's: the look follows it.
void TvxContainer::CMFocusChanged(TMessage& Message) {
  InheritedMessage(Message);
  ShortRefreshContainer(false);
}

void TvxContainer::CMEnabledChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  EnabledChanged();
}

void TvxContainer::EnabledChanged() {
  for (Integer i = 0; i < ControlCount(); ++i)
    if (auto* sb = dynamic_cast<TvxScrollBar*>(Controls(i))) sb->SetEnabled(Enabled());
  ShortRefreshContainer(false);
}

void TvxContainer::WMSetCursor(TWMSetCursor& Message) {
  if (FInnerControl && Message.CursorWnd() == Handle() && Message.HitTest() == HTCLIENT) {
    POINT p;
    vxQueryCursorPos(p);
    ::ScreenToClient(Handle(), &p);
    if (!PtInRect(&FViewInfo->ClientRect, p)) {
      ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      Message.Result = 1;
      return;
    }
  }
  InheritedMessage(Message);
}

void TvxContainer::WMWindowPosChanging(TMessage& Message) {
  if (IsDestroying()) {
    Message.Result = 0;
    return;
  }
  InheritedMessage(Message);
  if (HandleAllocated() && GetFocus() == Handle() && FInnerControl && FInnerControl->HandleAllocated() &&
      FInnerControl->CanFocus() && !ControlState().Contains(csFocusing))
    if (TCustomForm* form = GetParentForm(this)) form->FocusControl(FInnerControl);
}

void TvxContainer::WMWindowPosChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (!IsDestroying() && DependsOnParentBackground()) ShortRefreshContainer(false);
}

// --- Focus -----------------------------------------------------------------------------------

bool TvxContainer::Focused() {
  if (IsDesigning() || ControlState().Contains(csDestroyingHandle)) return false;
  if (HandleAllocated() && GetFocus() == Handle()) return true;
  return FInnerControl && FInnerControl->HandleAllocated() && FInnerControl->Focused();
}

void TvxContainer::SetFocus() {
  if (IsDesigning() || SkipsSetFocus()) return;
  inherited::SetFocus();
  if (FInnerControl && FInnerControl->HandleAllocated() && GetFocus() == Handle()) {
    FocusInnerControl();
    if (TCustomForm* form = GetParentForm(this)) form->FocusControl(FInnerControl);
  }
}

void TvxContainer::WMSetFocus(TWMSetFocus& Message) {
  if (FInnerControl && !FInnerControl->ComponentState().Contains(csDestroying) &&
      FInnerControl->HandleAllocated()) {
    if (Message.FocusedWnd() == FInnerControl->Handle()) {
      Message.Result = 0;
      return;
    }
    InheritedMessage(Message);
    if (FInnerControl && FInnerControl->CanFocus()) FInnerControl->SetFocus();
  } else
    InheritedMessage(Message);
}

void TvxContainer::WMKillFocus(TWMKillFocus& Message) {
  if (FInnerControl && FInnerControl->HandleAllocated() && Message.FocusedWnd() == FInnerControl->Handle()) {
    Message.Result = 0;
    return;
  }
  InheritedMessage(Message);
}

bool TvxContainer::MayFocus() {
  return !(FInnerControl && FInnerControl->HandleAllocated() && FInnerControl->Focused());
}

bool TvxContainer::CanFocusOnClick() {
  if (FInnerControl && FInnerControl->HandleAllocated() && FInnerControl->Focused()) return false;
  return inherited::CanFocusOnClick() && !FInnerControlMouseDown;
}

void TvxContainer::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key == VK_TAB && Focused() && !Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl) && HandlesTabNavigation()) {
    Key = 0;
    if (TCustomForm* form = GetParentForm(this)) {
      form->SelectNext(form->ActiveControl(), !Shift.Contains(ssShift), true);
      if (HandleAllocated() && GetFocus() == Handle() && FInnerControl) FInnerControl->SetFocus();
    }
  }
}

void TvxContainer::FocusChanged() {
  inherited::FocusChanged();
  ShortRefreshContainer(false);
}

// --- Mouse -----------------------------------------------------------------------------------

void TvxContainer::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TObjectLinkScope link(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (link.Alive() && IsMouseTracked()) RefreshContainer(TPoint{X, Y}, vxMouseButtonToVx(Button), Shift, true);
}

void TvxContainer::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TObjectLinkScope link(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (link.Alive()) RefreshContainer(TPoint{X, Y}, vxMouseButtonToVx(Button), Shift, true);
}

void TvxContainer::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  RefreshContainer(TPoint{X, Y}, vxmbNone, Shift, true);
  vxBeginMouseTracking(this, Bounds(), this);
}

void TvxContainer::MouseEnter(TControl* AControl) {
  inherited::MouseEnter(AControl);
  ShortRefreshContainer(true);
  vxBeginMouseTracking(this, Bounds(), this);
}

void TvxContainer::MouseLeave(TControl* AControl) {
  inherited::MouseLeave(AControl);
  ShortRefreshContainer(true);
  vxEndMouseTracking(this);
}

void TvxContainer::TrackedMouseLeave(TControl* AControl) {
  MouseLeave(AControl);
  vxEndMouseTracking(this);
}

void TvxContainer::DoContextPopup(POINT MousePos, bool& Handled) {
  const bool keyboard = MousePos.x == -1 && MousePos.y == -1;
  if (FPopupMenuLockCount == 0 && (keyboard || CanShowPopupMenuAt(TPoint{MousePos.x, MousePos.y})))
    inherited::DoContextPopup(MousePos, Handled);
  else
    Handled = true;
}

bool TvxContainer::InnerControlMenuHandler(TMessage& Message) {
  if (Message.Msg != CN_KEYDOWN && Message.Msg != CN_SYSKEYDOWN) return false;
  TWMKey key(Message);
  const bool handled = IsPopupMenuShortCut(key);
  if (handled) Message.Result = 1;
  return handled;
}

void TvxContainer::LockAlignControls(bool ALock) {
  if (ALock)
    ++FLockAlignControlsCount;
  else if (FLockAlignControlsCount > 0)
    --FLockAlignControlsCount;
}

void TvxContainer::LockPopupMenu(bool ALock) {
  if (ALock)
    ++FPopupMenuLockCount;
  else if (FPopupMenuLockCount > 0)
    --FPopupMenuLockCount;
}

// --- Regions -----------------------------------------------------------------------------------

void TvxContainer::AlignControls(TControl* AControl, RECT& Rect) {
  if (HasOwnChildControls()) return inherited::AlignControls(AControl, Rect);
  if (FLockAlignControlsCount > 0 || (AControl && IsInternalControl(AControl))) return;
  if (!AControl) {
    inherited::AlignControls(nullptr, Rect);
    return;
  }
  auto* win = dynamic_cast<TWinControl*>(AControl);
  if (FIsCreating || !win || !win->HandleAllocated()) return;
  // The control is kept inside the client rectangle of the view info.
  AdjustClientRect(Rect);
  TvxContainerInnerControlBounds b;
  CalculateInnerControlBounds(Rect, AControl, b);
  bool differs = true;
  if (AControl == FInnerControl)
    differs = b.IsEmpty != FInnerControlBounds.IsEmpty ||
              (!b.IsEmpty && !EqualRect(&b.Rect, &FInnerControlBounds.Rect));
  if (!differs) return;
  HRGN rgn = b.IsEmpty ? nullptr : CreateRectRgnIndirect(&b.Rect);
  // The window owns the region from here on.
  SetWindowRgn(win->Handle(), rgn, TRUE);
  FInnerControlBounds = b;
}

void TvxContainer::CalculateInnerControlBounds(const RECT& ARect, TControl* AControl,
                                               TvxContainerInnerControlBounds& ABounds) {
  const RECT cb = AControl->BoundsRect();
  TRect r{0, 0, AControl->Width(), AControl->Height()};
  if (cb.left < ARect.left) r.left = ARect.left - cb.left;
  if (cb.top < ARect.top) r.top = ARect.top - cb.top;
  if (cb.right > ARect.right) r.right -= cb.right - ARect.right;
  if (cb.bottom > ARect.bottom) r.bottom -= cb.bottom - ARect.bottom;
  ABounds.Rect = r;
  ABounds.IsEmpty = r.left == 0 && r.top == 0 && r.right == AControl->Width() && r.bottom == AControl->Height();
}

void TvxContainer::UpdateWindowRegion() {
  if (!HandleAllocated()) return;
  TRect shape, extent;
  GetBorderRect(shape);
  GetEmptyRect(extent);
  vxSetWindowShadowRegion(Handle(), shape, extent, TRect{}, FViewInfo->Shadow,
                          FViewInfo->NativeStyle && FViewInfo->BorderStyle != cbsNone);
}

void TvxContainer::SetShadowClipRegion() {
  if (!HandleAllocated()) return;
  TRect shape, extent;
  GetBorderRect(shape);
  GetEmptyRect(extent);
  std::unique_ptr<TvxRegion> rgn =
      vxBuildShadowRegion(Handle(), shape, extent, TRect{}, FViewInfo->Shadow, !CanHaveTransparentBorder());
  if (rgn) Canvas()->SetClipRegion(rgn.release(), roIntersect);
}

// --- Scroll bars -------------------------------------------------------------------------------

void TvxContainer::UpdateScrollBarsParameters() {
  if (!IsDestroying() && HandleAllocated() && FInnerControl) PostMessageW(Handle(), VXM_UPDATESCROLLBARS, 0, 0);
}

void TvxContainer::VXMUpdateScrollBars(TMessage&) { SetScrollBarsParameters(false); }

void TvxContainer::SetScrollBarsParameters(bool AIsScrolling) {
  if (!FInnerControl || !HasScrollBars() || IsDestroying() || !vxIsScrollBarInfoAvailable() || !HScrollBar() ||
      !VScrollBar())
    return;
  TValueScope<bool> calculating(FScrollBarsCalculating, true);
  for (TvxScrollBar* bar : {static_cast<TvxScrollBar*>(HScrollBar()), static_cast<TvxScrollBar*>(VScrollBar())}) {
    if (!AIsScrolling) AdjustScrollBarPosition(bar);
    if (!bar->Visible()) continue;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    GetScrollInfo(FInnerControl->Handle(), bar->Kind() == sbHorizontal ? SB_HORZ : SB_VERT, &si);
    const Integer page = std::min<Integer>(static_cast<Integer>(si.nPage), si.nMax);
    bar->SetScrollParams(si.nMin, si.nMax, si.nPos, page, true);
  }
  TvxContainerSizeGripData grip;
  auto* inner = dynamic_cast<IvxContainerInnerControl*>(FInnerControl);
  grip.Visible = HScrollBar()->Visible() && VScrollBar()->Visible() && FInnerControl->HandleAllocated() && inner;
  if (grip.Visible) vxGetSizeGripCornerRect(inner, grip.Bounds);
  if (grip.Visible && (!FSizeGripData.Visible || !EqualRect(&grip.Bounds, &FSizeGripData.Bounds))) {
    HRGN rgn = CreateRectRgnIndirect(&grip.Bounds);
    SendMessageW(FInnerControl->Handle(), WM_NCPAINT, reinterpret_cast<WPARAM>(rgn), 0);
    DeleteObject(rgn);
  }
  FSizeGripData = grip;
}

void TvxContainer::AdjustScrollBarPosition(TvxScrollBar* AScrollBar) {
  SCROLLBARINFO info{};
  bool shown = false;
  if (GetInnerScrollBarInfo(info, AScrollBar->Kind()) && IsScrollBarInfoVisible(info)) {
    AScrollBar->SetEnabled(IsScrollBarEnabled(AScrollBar, info));
    TRect r;
    GetScrollBarBounds(info.rcScrollBar, r);
    AScrollBar->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    shown = r.right > r.left && r.bottom > r.top;
  }
  SetScrollBarVisible(AScrollBar, shown);
}

bool TvxContainer::GetInnerScrollBarInfo(SCROLLBARINFO& AInfo, TScrollBarKind AKind) {
  if (IsDestroying() || !Parent() || !HandleAllocated() || !FInnerControl || !FInnerControl->HandleAllocated())
    return false;
  return vxSafeGetScrollBarInfo(FInnerControl->Handle(), AKind == sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL,
                                AInfo);
}

void TvxContainer::GetScrollBarBounds(const RECT& AScreenRect, TRect& R) {
  POINT p{AScreenRect.left, AScreenRect.top};
  ::ScreenToClient(Handle(), &p);
  const Integer w = AScreenRect.right - AScreenRect.left, h = AScreenRect.bottom - AScreenRect.top;
  if (p.x < 0 || p.y < 0 || w > Width() || h > Height())
    R = TRect{};
  else
    R = TRect{p.x, p.y, p.x + w, p.y + h};
}

bool TvxContainer::IsScrollBarEnabled(TvxScrollBar* AScrollBar, const SCROLLBARINFO& AInfo) {
  TWinControl* parent = AScrollBar->Parent();
  return (!parent || parent->Enabled()) && !(AInfo.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
}

bool TvxContainer::IsScrollBarInfoVisible(const SCROLLBARINFO& AInfo) {
  return (AInfo.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0;
}

void TvxContainer::SetScrollBarVisible(TvxScrollBar* AScrollBar, bool AVisible) {
  AScrollBar->SetVisible(AVisible);
  if (AVisible) AScrollBar->BringToFront();
}

// --- Glass and inner-control messages -----------------------------------------------------------

void TvxContainer::WMPaint(TWMPaint& Message) {
  if (FOnGlass && vxIsCompositionEnabled() && HandleAllocated()) {
    vxPaintWindowBuffered(Handle());
    Message.Result = 0;
    return;
  }
  InheritedMessage(Message);
}

void TvxContainer::CNCtlColor(TMessage& Message) {
  InheritedMessage(Message);
  if (FOnGlass && vxIsCompositionEnabled() && !FRepaintOnGlass && HandleAllocated()) {
    FRepaintOnGlass = true;
    PostMessageW(Handle(), VXM_BUFFEREDPAINTONGLASS, 0, 0);
  }
}

void TvxContainer::VXMBufferedPaintOnGlass(TMessage&) {
  if (!FRepaintOnGlass) return;
  FRepaintOnGlass = false;
  if (HandleAllocated()) vxRepaintWindowBuffered(Handle());
}

bool TvxContainer::InnerControlDefaultHandler(TMessage& Message) {
  if (!FInnerControl || IsDestroying()) return false;
  return DoInnerControlDefaultHandler(Message);
}

bool TvxContainer::DoInnerControlDefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CONTEXTMENU:
      Message.Result = Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam);
      return Message.Result != 0;
    case CN_CTLCOLOREDIT:
      if (FOnGlass && vxIsCompositionEnabled() && !FInnerControlBufferedPaint && FInnerControl->HandleAllocated()) {
        FInnerControlBufferedPaint = true;
        PostMessageW(FInnerControl->Handle(), VXM_BUFFEREDPAINTONGLASS, 0, 0);
      }
      return false;
    case VXM_BUFFEREDPAINTONGLASS:
      if (FInnerControlBufferedPaint && FInnerControl->HandleAllocated()) {
        FInnerControlBufferedPaint = false;
        HWND w = FInnerControl->Handle();
        RECT r;
        GetClientRect(w, &r);
        HDC dc = GetDC(w);
        vxBufferedPaintWindow(dc, r, w);
        ReleaseDC(w, dc);
      }
      return false;
    default:
      return false;
  }
}

// --- Free routines ---------------------------------------------------------------------------

TvxContainer* vxFindContainerOf(TControl* AControl) {
  if (!AControl) return nullptr;
  if (auto* c = dynamic_cast<TvxContainer*>(AControl)) return c;
  if (auto* inner = dynamic_cast<IvxContainerInnerControl*>(AControl)) return inner->GetControlContainer();
  return nullptr;
}

bool vxIsControlHandle(TWinControl* AControl, HWND AWnd, bool AIncludeRelated) {
  if (!AControl) return false;
  if (AControl->HandleAllocated() && AControl->Handle() == AWnd) return true;
  return AIncludeRelated && vxIsRelatedWindowHandle(AControl, AWnd);
}

// Walks the windowed controls inside AControl and, through open popups, the popups that
// belong to it: a popup whose owner control is one of them, and for a popup, every other
// popup whose owner control sits on it. An explicit list, so that neither the nesting
// depth nor a popup chain that leads back is followed by recursion.
bool vxIsRelatedWindowHandle(TWinControl* AControl, HWND AWnd) {
  if (!AControl || !AWnd || !AControl->HandleAllocated() || AControl->Handle() == AWnd) return false;
  std::vector<TWinControl*> pending{AControl};
  std::unordered_set<TWinControl*> seen{AControl};
  auto add = [&](TWinControl* c) {
    if (c && seen.insert(c).second) pending.push_back(c);
  };
  while (!pending.empty()) {
    TWinControl* c = pending.back();
    pending.pop_back();
    if (!c->HandleAllocated()) continue;
    if (c != AControl && c->Handle() == AWnd) return true;
    if (IsChild(c->Handle(), AWnd)) return true;
    for (Integer i = 0; i < c->ControlCount(); ++i) add(dynamic_cast<TWinControl*>(c->Controls(i)));
    const bool isPopup = dynamic_cast<TvxCustomPopupWindow*>(c) != nullptr;
    for (TvxCustomPopupWindow* p : OpenPopupWindowList()) {
      TWinControl* owner = p->OwnerControl();
      if (p == c || !owner) continue;
      if (owner == c || (isPopup && c->ContainsControl(owner))) add(p);
    }
  }
  return false;
}

void vxGetSizeGripCornerRect(IvxContainerInnerControl* AInnerControl, TRect& R) {
  R = TRect{};
  TvxContainer* c = AInnerControl ? AInnerControl->GetControlContainer() : nullptr;
  if (!c || !c->HScrollBar() || !c->VScrollBar() || !c->HScrollBar()->Visible() || !c->VScrollBar()->Visible() ||
      !c->HandleAllocated())
    return;
  POINT p{c->VScrollBar()->Left(), c->HScrollBar()->Top()};
  ClientToScreen(c->Handle(), &p);
  RECT wr;
  vxGetControlWindowRect(AInnerControl->GetControl(), wr);
  R.left = p.x - wr.left;
  R.top = p.y - wr.top;
  R.right = R.left + c->VScrollBar()->Width();
  R.bottom = R.top + c->HScrollBar()->Height();
}

void vxFillSizeGripCorner(TvxContainer* AContainer, const TRect& R) {
  TWinControl* inner = AContainer ? AContainer->InnerControl() : nullptr;
  if (IsRectEmpty(&R) || !inner || !inner->HandleAllocated()) return;
  HWND w = inner->Handle();
  HDC dc = GetWindowDC(w);
  if (!dc) return;
  const TvxCustomLookAndFeelPainter* painter = AContainer->GetLookAndFeel()->Painter();
  HBRUSH brush = CreateSolidBrush(ColorToRGB(painter ? painter->DefaultSizeGripAreaColor() : clBtnFace));
  FillRect(dc, &R, brush);
  DeleteObject(brush);
  ReleaseDC(w, dc);
}

void vxPaintSizeGripCorner(TvxContainer* AContainer) {
  auto* inner = AContainer ? dynamic_cast<IvxContainerInnerControl*>(AContainer->InnerControl()) : nullptr;
  if (!inner) return;
  TRect r;
  vxGetSizeGripCornerRect(inner, r);
  vxFillSizeGripCorner(AContainer, r);
}

// --- Inner list box ----------------------------------------------------------------------------

TvxCustomInnerListBox::TvxCustomInnerListBox(TComponent* AOwner) : TListBox(AOwner) {
  FCanvas = std::make_unique<TvxCanvas>(TListBox::Canvas());
  FHScrollBar = CreateExternalScrollBar(sbHorizontal);
  FVScrollBar = CreateExternalScrollBar(sbVertical);
  FLookAndFeel = std::make_unique<TvxLookAndFeel>(this);
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
    InnerLookAndFeelChanged(Sender, AChangedValues);
  };
  FHScrollBar->LookAndFeel()->SetMasterLookAndFeel(FLookAndFeel.get());
  FVScrollBar->LookAndFeel()->SetMasterLookAndFeel(FLookAndFeel.get());
  SetBorderStyle(bsNone);
  ControlStyle().Exclude(csOpaque);
  ControlStyle().Include(csDoubleClicks);
  SetParentColor(false);
  SetParentFont(true);
}

TvxCustomInnerListBox::~TvxCustomInnerListBox() {
  // The bars may sit on another control; each leaves its parent as it goes.
  delete FHScrollBar;
  delete FVScrollBar;
  FLookAndFeel.reset();
  FCanvas.reset();
}

TvxScrollBar* TvxCustomInnerListBox::CreateExternalScrollBar(TScrollBarKind AKind) {
  auto* bar = new TvxScrollBar(this);
  bar->FreeNotification(this);
  bar->SetKind(AKind);
  if (AKind == sbHorizontal)
    bar->OnScroll = [this](TObject* Sender, TScrollCode Code, Integer& Pos) { HScrollBarScroll(Sender, Code, Pos); };
  else
    bar->OnScroll = [this](TObject* Sender, TScrollCode Code, Integer& Pos) { VScrollBarScroll(Sender, Code, Pos); };
  bar->SetSmallChange(1);
  bar->SetVisible(false);
  return bar;
}

void TvxCustomInnerListBox::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FHScrollBar) FHScrollBar = nullptr;
  if (AComponent == FVScrollBar) FVScrollBar = nullptr;
}

void TvxCustomInnerListBox::InnerLookAndFeelChanged(TvxLookAndFeel*, TvxLookAndFeelValues) {
  if (HandleAllocated()) Invalidate();
}

const TMessageMap* TvxCustomInnerListBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_SETFOCUS, MessageHandler<&TvxCustomInnerListBox::WMSetFocus>},
      {WM_KILLFOCUS, MessageHandler<&TvxCustomInnerListBox::WMKillFocus>},
      {WM_GETDLGCODE, MessageHandler<&TvxCustomInnerListBox::WMGetDlgCode>},
      {WM_NCPAINT, MessageHandler<&TvxCustomInnerListBox::WMNCPaint>},
      {WM_PRINT, MessageHandler<&TvxCustomInnerListBox::WMPrint>},
      {WM_PRINTCLIENT, MessageHandler<&TvxCustomInnerListBox::WMPrintClient>},
      {WM_WINDOWPOSCHANGED, MessageHandler<&TvxCustomInnerListBox::WMWindowPosChanged>},
      {CN_DRAWITEM, MessageHandler<&TvxCustomInnerListBox::CNDrawItem>},
      {CM_MOUSEENTER, MessageHandler<&TvxCustomInnerListBox::CMMouseEnter>},
      {CM_MOUSELEAVE, MessageHandler<&TvxCustomInnerListBox::CMMouseLeave>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxCustomInnerListBox::WndProc(TMessage& Message) {
  if (FContainer && FContainer->InnerControlMenuHandler(Message)) return;
  if (Message.Msg == WM_LBUTTONDOWN && FContainer && DragMode() == dmAutomatic && !FContainer->IsDesigning()) {
    LButtonDownWithDrag(Message);
    return;
  }
  if (Message.Msg == WM_SETREDRAW) FIsRedrawLocked = Message.WParam == 0;
  TObjectLinkScope link(this);
  inherited::WndProc(Message);
  if (!link.Alive()) return;
  // Whatever may have moved, shown or hidden the system bars places the suite bars anew.
  switch (Message.Msg) {
    case WM_SETREDRAW:
      if (Message.WParam != 0) SetExternalScrollBarsParameters();
      break;
    case WM_NCCALCSIZE:
      if (!FScrollBarsCalculating) SetExternalScrollBarsParameters();
      break;
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETCURSEL:
    case LB_SETHORIZONTALEXTENT:
    case LB_SETTOPINDEX:
    case LB_SETCARETINDEX:
    case WM_MOUSEWHEEL:
    case CM_WININICHANGE:
      SetExternalScrollBarsParameters();
      break;
    default:
      break;
  }
}

void TvxCustomInnerListBox::DefaultHandler(TMessage& Message) {
  if (FContainer && FContainer->InnerControlDefaultHandler(Message)) return;
  inherited::DefaultHandler(Message);
}

// A press that starts the container's automatic drag. The list box keeps its own drag
// mode manual meanwhile so that it handles the press as a click. A press on an item
// that is already selected in a multi-select list starts the drag without changing the
// selection; otherwise the click selects first and then the drag starts (not while Ctrl
// or Shift extends a multi-selection).
void TvxCustomInnerListBox::LButtonDownWithDrag(TMessage& Message) {
  const TDragMode saved = DragMode();
  TControl::SetDragMode(dmManual);
  TScopeExit manual([this, saved] { TControl::SetDragMode(saved); });
  TvxContainer* container = FContainer;
  TObjectLinkScope containerLink(container);
  TWMMouse m(Message);
  const TShiftState shift = KeysToShiftState(m.Keys());
  const bool ctrl = shift.Contains(ssCtrl), shiftKey = shift.Contains(ssShift);
  if (MultiSelect() && !(shiftKey && !ctrl)) {
    const Integer i = ItemAtPos(m.Pos(), true);
    if (i >= 0 && Selected(i)) {
      container->BeginDrag(false, -1);
      Message.Result = 0;
      return;
    }
  }
  inherited::WndProc(Message);
  if (containerLink.Alive() && !(MultiSelect() && (ctrl || shiftKey))) container->BeginDrag(false, -1);
}

void TvxCustomInnerListBox::DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  Accept = false;
  if (!FContainer) return;
  Accept = static_cast<bool>(FContainer->OnDragOver);
  FContainer->DragOver(Source, X + Left(), Y + Top(), State, Accept);
}

void TvxCustomInnerListBox::DragDrop(TObject* Source, Integer X, Integer Y) {
  if (FContainer) FContainer->DragDrop(Source, X + Left(), Y + Top());
}

// Items are drawn on the item's DC with the list box font; a selected item with the
// selection colours. The focus rectangle follows DrawsFocusRect.
void TvxCustomInnerListBox::CNDrawItem(TWMDrawItem& Message) {
  DRAWITEMSTRUCT* d = Message.DrawItemStruct();
  TCanvas* canvas = TListBox::Canvas();
  TCanvasHandleScope dc(*canvas, d->hDC);
  const TOwnerDrawState state = OwnerDrawStateOf(d->itemState);
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(Color());
  const Integer index = static_cast<Integer>(static_cast<int>(d->itemID));
  if (index >= 0 && state.Contains(odSelected)) {
    canvas->Brush()->SetColor(clHighlight);
    canvas->Font()->SetColor(clHighlightText);
  }
  if (index < 0)
    canvas->FillRect(d->rcItem);
  else
    DrawItem(index, d->rcItem, state);
  if ((d->itemState & ODS_FOCUS) && DrawsFocusRect()) ::DrawFocusRect(d->hDC, &d->rcItem);
  Message.Result = TRUE;
}

void TvxCustomInnerListBox::CMMouseEnter(TCMMouseEnterLeave& Message) {
  InheritedMessage(Message);
  MouseEnter(Message.Control() ? Message.Control() : this);
}

void TvxCustomInnerListBox::CMMouseLeave(TCMMouseEnterLeave& Message) {
  InheritedMessage(Message);
  MouseLeave(Message.Control() ? Message.Control() : this);
}

void TvxCustomInnerListBox::MouseLeave(TControl*) {
  if (FContainer) FContainer->ShortRefreshContainer(true);
}

// --- External scroll bars ------------------------------------------------------------------

void TvxCustomInnerListBox::SetExternalScrollBarsParameters() {
  if (ComponentState().Contains(csDestroying) || FScrollBarsLockCount > 0 || !vxIsScrollBarInfoAvailable() ||
      FIsRedrawLocked || !HandleAllocated())
    return;
  TValueScope<bool> calculating(FScrollBarsCalculating, true);
  for (TvxScrollBar* bar : {FHScrollBar, FVScrollBar}) {
    if (!bar) continue;
    const bool horz = bar->Kind() == sbHorizontal;
    SCROLLBARINFO info{};
    TWinControl* parent = Parent();
    bool shown = parent && parent->HandleAllocated() &&
                 vxSafeGetScrollBarInfo(Handle(), horz ? OBJID_HSCROLL : OBJID_VSCROLL, info) &&
                 (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0;
    TRect r{};
    if (shown) {
      POINT p{info.rcScrollBar.left, info.rcScrollBar.top};
      ::ScreenToClient(parent->Handle(), &p);
      const Integer w = info.rcScrollBar.right - info.rcScrollBar.left;
      const Integer h = info.rcScrollBar.bottom - info.rcScrollBar.top;
      shown = p.x >= 0 && p.y >= 0 && w <= Width() && h <= Height();
      if (shown) r = TRect{p.x, p.y, p.x + w, p.y + h};
    }
    if (shown) {
      if (bar->Parent() != parent) {
        TCounterScope lock(FScrollBarsLockCount);
        bar->SetParent(parent);
      }
      bar->SetEnabled(!(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) && parent->Enabled());
      bar->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
      bar->BringToFront();
    } else
      bar->SetBounds(0, 0, 0, 0);
    bar->SetVisible(shown);
    if (!bar->Visible()) continue;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    GetScrollInfo(Handle(), horz ? SB_HORZ : SB_VERT, &si);
    const Integer page = std::min<Integer>(static_cast<Integer>(si.nPage), si.nMax);
    bar->SetScrollParams(si.nMin, si.nMax, si.nPos, page, true);
  }
}

// The horizontal bar scrolls through the list box's own handling of WM_HSCROLL.
void TvxCustomInnerListBox::HScrollBarScroll(TObject* Sender, TScrollCode AScrollCode, Integer& AScrollPos) {
  if (!HandleAllocated()) return;
  auto* bar = dynamic_cast<TWinControl*>(Sender);
  TMessage m{WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(AScrollCode), static_cast<WORD>(AScrollPos)),
             reinterpret_cast<LPARAM>(bar && bar->HandleAllocated() ? bar->Handle() : nullptr), 0};
  DefaultHandler(m);
  AScrollPos = GetScrollPos(Handle(), SB_HORZ);
}

// The vertical position of a list box is its top item: line steps and thumb moves set
// the top item to the bar's new position; page and end steps go through the list box's
// own handling of WM_VSCROLL. The bar then takes the position the list box reached.
void TvxCustomInnerListBox::VScrollBarScroll(TObject* Sender, TScrollCode AScrollCode, Integer& AScrollPos) {
  if (!HandleAllocated()) return;
  switch (AScrollCode) {
    case scLineUp:
    case scLineDown:
      SetTopIndex(AScrollPos);
      break;
    case scPosition:
    case scTrack:
      SetTopIndex(AScrollPos);
      AScrollPos = GetScrollPos(Handle(), SB_VERT);
      break;
    default: {
      auto* bar = dynamic_cast<TWinControl*>(Sender);
      TMessage m{WM_VSCROLL, MAKEWPARAM(static_cast<WORD>(AScrollCode), static_cast<WORD>(AScrollPos)),
                 reinterpret_cast<LPARAM>(bar && bar->HandleAllocated() ? bar->Handle() : nullptr), 0};
      DefaultHandler(m);
      AScrollPos = GetScrollPos(Handle(), SB_VERT);
      break;
    }
  }
}

TRect TvxCustomInnerListBox::GetSizeGripRect() {
  TRect r{};
  TWinControl* parent = Parent();
  if (!FHScrollBar || !FVScrollBar || !FHScrollBar->Visible() || !FVScrollBar->Visible() || !parent ||
      !parent->HandleAllocated() || !HandleAllocated())
    return r;
  POINT p{FVScrollBar->Left(), FHScrollBar->Top()};
  ::ClientToScreen(parent->Handle(), &p);
  RECT wr;
  GetWindowRect(Handle(), &wr);
  r.left = p.x - wr.left;
  r.top = p.y - wr.top;
  r.right = r.left + FVScrollBar->Width();
  r.bottom = r.top + FHScrollBar->Height();
  return r;
}

void TvxCustomInnerListBox::PaintSizeGrip() {
  if (!FContainer || !vxIsScrollBarInfoAvailable() || !FHScrollBar || !FVScrollBar || !FHScrollBar->Visible() ||
      !FVScrollBar->Visible())
    return;
  vxFillSizeGripCorner(FContainer, GetSizeGripRect());
}

void TvxCustomInnerListBox::WMNCPaint(TMessage& Message) {
  InheritedMessage(Message);
  PaintSizeGrip();
}

// The system's own non-client part (its scroll bars) lies under the suite bars: only
// the size grip is printed of it.
void TvxCustomInnerListBox::WMPrint(TMessage& Message) {
  if (Message.LParam & PRF_NONCLIENT) {
    Message.LParam &= ~static_cast<LPARAM>(PRF_NONCLIENT);
    PaintSizeGrip();
  }
  DefaultHandler(Message);
}

void TvxCustomInnerListBox::WMPrintClient(TMessage& Message) { DefaultHandler(Message); }

void TvxCustomInnerListBox::WMWindowPosChanged(TMessage& Message) {
  InheritedMessage(Message);
  // The bars are placed for the new bounds before the grip between them is painted.
  SetExternalScrollBarsParameters();
  if (ComponentState().Contains(csDestroying) || !HandleAllocated() || !FHScrollBar || !FVScrollBar ||
      !FHScrollBar->Visible() || !FVScrollBar->Visible())
    return;
  const TRect grip = GetSizeGripRect();
  HRGN rgn = CreateRectRgnIndirect(&grip);
  SendMessageW(Handle(), WM_NCPAINT, reinterpret_cast<WPARAM>(rgn), 0);
  DeleteObject(rgn);
}

void TvxCustomInnerListBox::WMSetFocus(TWMSetFocus& Message) {
  InheritedMessage(Message);
  if (FContainer && !FContainer->IsDestroying() && !ComponentState().Contains(csDestroying) &&
      !(FContainer->HandleAllocated() && Message.FocusedWnd() == FContainer->Handle()))
    FContainer->FocusChanged();
}

void TvxCustomInnerListBox::WMKillFocus(TWMKillFocus& Message) {
  InheritedMessage(Message);
  if (FContainer && !FContainer->IsDestroying()) FContainer->FocusChanged();
}

void TvxCustomInnerListBox::WMGetDlgCode(TWMGetDlgCode& Message) {
  InheritedMessage(Message);
  Message.Result |= DLGC_WANTCHARS;
  if (GetKeyState(VK_CONTROL) >= 0) Message.Result |= DLGC_WANTTAB;
}

void TvxCustomInnerListBox::Click() {
  inherited::Click();
  if (!FContainer) return;
  if (FVScrollBar && FVScrollBar->Visible() && HandleAllocated()) FVScrollBar->SetPosition(TopIndex());
  FContainer->Click();
}

void TvxCustomInnerListBox::DblClick() {
  inherited::DblClick();
  if (FContainer) FContainer->DblClick();
}

void TvxCustomInnerListBox::KeyDown(Word& Key, TShiftState Shift) {
  if (FContainer) FContainer->KeyDown(Key, Shift);
  if (Key != 0) inherited::KeyDown(Key, Shift);
}

void TvxCustomInnerListBox::KeyUp(Word& Key, TShiftState Shift) {
  if (Key == VK_TAB) Key = 0;
  if (FContainer) FContainer->KeyUp(Key, Shift);
  if (Key != 0) inherited::KeyUp(Key, Shift);
}

void TvxCustomInnerListBox::KeyPress(wchar_t& Key) {
  if (Key == L'\t') Key = 0;
  if (FContainer && Key != 0) FContainer->KeyPress(Key);
  if (Key == L'\r') Key = 0;
  if (Key != 0) inherited::KeyPress(Key);
  if (Key != 0) ProcessAutoCompleteKey(Key);
}

void TvxContainer::MouseDownFromInner(TControl* AInner, TMouseButton Button, TShiftState Shift, Integer X,
                                      Integer Y) {
  TValueScope<bool> down(FInnerControlMouseDown, true);
  MouseDown(Button, Shift, X + AInner->Left(), Y + AInner->Top());
}

void TvxCustomInnerListBox::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (FContainer) FContainer->MouseDownFromInner(this, Button, Shift, X, Y);
}

void TvxCustomInnerListBox::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (FContainer) FContainer->MouseMove(Shift, X + Left(), Y + Top());
}

void TvxCustomInnerListBox::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (FContainer) FContainer->MouseUp(Button, Shift, X + Left(), Y + Top());
}

bool TvxCustomInnerListBox::DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) {
  if (FContainer && FContainer->DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  return inherited::DoMouseWheel(Shift, WheelDelta, MousePos);
}

TPopupMenu* TvxCustomInnerListBox::GetPopupMenu() {
  return FContainer ? FContainer->GetPopupMenu() : inherited::GetPopupMenu();
}

bool TvxCustomInnerListBox::ItemVisible(Integer AIndex) {
  RECT r;
  if (!HandleAllocated() || SendMessageW(Handle(), LB_GETITEMRECT, AIndex, reinterpret_cast<LPARAM>(&r)) == LB_ERR)
    return false;
  const RECT box{0, 0, Width(), Height()};
  for (POINT p : {POINT{r.left, r.top}, POINT{r.right - 1, r.top}, POINT{r.left, r.bottom - 1},
                  POINT{r.right - 1, r.bottom - 1}})
    if (PtInRect(&box, p)) return true;
  return false;
}

// Incremental search. Characters arrive as UTF-16 code units: only a high surrogate
// waits for its low half (taken from the queue), every other unit is a whole character.
void TvxCustomInnerListBox::ProcessAutoCompleteKey(wchar_t& Key) {
  if (!FAutoComplete) return;
  const DWORD now = GetTickCount();
  if (now - FPrevKeyPressTime >= FAutoCompleteDelay) FAutoCompleteFilter.clear();
  FPrevKeyPressTime = now;
  if (Key == VK_BACK) {
    if (!FAutoCompleteFilter.empty()) {
      FAutoCompleteFilter.pop_back();
      if (!FAutoCompleteFilter.empty() && IS_HIGH_SURROGATE(FAutoCompleteFilter.back())) FAutoCompleteFilter.pop_back();
    }
  } else if (IS_HIGH_SURROGATE(Key)) {
    MSG m;
    FAutoCompleteFilter += Key;
    if (HandleAllocated() && PeekMessageW(&m, Handle(), WM_CHAR, WM_CHAR, PM_NOREMOVE) &&
        IS_LOW_SURROGATE(static_cast<wchar_t>(m.wParam))) {
      PeekMessageW(&m, Handle(), WM_CHAR, WM_CHAR, PM_REMOVE);
      FAutoCompleteFilter += static_cast<wchar_t>(m.wParam);
    }
    Key = 0;
  } else
    FAutoCompleteFilter += Key;
  if (FAutoCompleteFilter.empty()) {
    SetItemIndex(0);
    Click();
    return;
  }
  const LRESULT found = HandleAllocated() ? SendMessageW(Handle(), LB_FINDSTRING, static_cast<WPARAM>(-1),
                                                         reinterpret_cast<LPARAM>(FAutoCompleteFilter.c_str()))
                                          : LB_ERR;
  if (found != LB_ERR) {
    if (MultiSelect()) {
      SendMessageW(Handle(), LB_SETSEL, FALSE, -1);
      SendMessageW(Handle(), LB_SELITEMRANGE, TRUE, MAKELPARAM(found, found));
    }
    SetItemIndex(static_cast<Integer>(found));
    Click();
  }
  if (Key != VK_BACK && Key != L'\r' && Key != VK_ESCAPE) Key = 0;
}

// --- Drop-down popup window ------------------------------------------------------------------

Integer PopupActivationLockCount = 0;
bool PopupTransitionActive = false;

namespace {
std::vector<TvxCustomPopupWindow*>* GOpenPopups = nullptr;
HHOOK GCallWndProcHook = nullptr;
HHOOK GGetMessageHook = nullptr;
HHOOK GMouseHook = nullptr;
WNDPROC GSwallowSavedProc = nullptr;
HWND GSwallowWnd = nullptr;

std::vector<TvxCustomPopupWindow*>& Popups() {
  static std::vector<TvxCustomPopupWindow*> empty;
  return GOpenPopups ? *GOpenPopups : empty;
}

void AddOpenPopup(TvxCustomPopupWindow* P) {
  auto& v = Popups();
  assert(std::find(v.begin(), v.end(), P) == v.end() && "popup listed twice");
  v.push_back(P);
}

void RemoveOpenPopup(TvxCustomPopupWindow* P) {
  auto& v = Popups();
  auto it = std::find(v.begin(), v.end(), P);
  assert(it != v.end() && "popup not listed");
  if (it != v.end()) v.erase(it);
}

bool IsListed(TvxCustomPopupWindow* P) {
  const auto& v = Popups();
  return std::find(v.begin(), v.end(), P) != v.end();
}

}  // namespace

const std::vector<TvxCustomPopupWindow*>& OpenPopupWindowList() { return Popups(); }

TvxCustomPopupWindow::TvxCustomPopupWindow(TWinControl* AOwnerControl) : FOwnerControl(AOwnerControl) {
  SetFormStyle(fsNormal);
  SetVisible(false);
  FStyle.reset(TvxContainerStyle::Create<TvxContainerStyle>(this, false, nullptr, csNormal));
  FStyle->OnChanged = [this](TObject* Sender) { PopupStyleChanged(Sender); };
  FViewInfo = std::make_unique<TvxContainerViewInfo>();
  SetKeyPreview(true);
}

TvxCustomPopupWindow::~TvxCustomPopupWindow() {
  // Ends a modal loop that runs for this popup.
  vxClearObjectLinks(this);
  SetPopupMode(pmNone);
  if (IsListed(this)) RemoveOpenPopup(this);
  FViewInfo.reset();
  if (FStyle) FStyle->OnChanged = nullptr;
  FStyle.reset();
}

const TMessageMap* TvxCustomPopupWindow::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ACTIVATEAPP, MessageHandler<&TvxCustomPopupWindow::WMActivateApp>},
      {WM_ERASEBKGND, MessageHandler<&TvxCustomPopupWindow::WMEraseBkgnd>},
      {VXM_CLOSEPOPUPWINDOW, MessageHandler<&TvxCustomPopupWindow::VXMClosePopupWindow>},
      {VXM_SHOWPOPUPWINDOW, MessageHandler<&TvxCustomPopupWindow::VXMShowPopupWindow>},
      {CM_MOUSEENTER, MessageHandler<&TvxCustomPopupWindow::CMMouseEnter>},
      {CM_MOUSELEAVE, MessageHandler<&TvxCustomPopupWindow::CMMouseLeave>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxCustomPopupWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  TCustomForm* ownerForm = FOwnerControl ? GetParentForm(FOwnerControl) : nullptr;
  if (FCaptureFocus) {
    if (ownerForm) Params.WndParent = ownerForm->Handle();
    Params.Style = (Params.Style & ~WS_CHILD) | WS_POPUP;
    if (FIsTopMost && (!ownerForm || (GetWindowLongW(ownerForm->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST)))
      Params.ExStyle |= WS_EX_TOPMOST;
  } else {
    Params.Style = WS_CHILD;
    Params.ExStyle |= WS_EX_TOOLWINDOW;
    if (!Params.WndParent) Params.WndParent = HWND_MESSAGE;
  }
  Params.Style |= WS_CLIPCHILDREN;
}

void TvxCustomPopupWindow::CreateWnd() {
  TCustomForm* ownerForm = FOwnerControl ? GetParentForm(FOwnerControl) : nullptr;
  SetPopupParent(FCaptureFocus ? ownerForm : nullptr);
  // The hooks treat messages of the window being made as popup messages.
  const bool added = !IsListed(this);
  if (added) AddOpenPopup(this);
  inherited::CreateWnd();
  if (added && IsListed(this)) RemoveOpenPopup(this);
  // Without the focus the popup is a child-style window of the desktop: it never activates.
  if (!FCaptureFocus) ::SetParent(Handle(), nullptr);
}

void TvxCustomPopupWindow::SetCaptureFocus(bool Value) {
  if (FCaptureFocus == Value) return;
  FCaptureFocus = Value;
  const bool shown = IsVisible();
  TWinControl* focused = FFocusedControl;
  if (shown) CloseUp();
  if (HandleAllocated()) TWinControlAccess_::RecreateWnd_(this);
  if (shown) Popup(focused);
}

void TvxCustomPopupWindow::SetIsTopMost(bool Value) {
  if (FIsTopMost == Value) return;
  FIsTopMost = Value;
  const bool shown = IsVisible();
  TWinControl* focused = FFocusedControl;
  if (shown) CloseUp();
  if (HandleAllocated()) TWinControlAccess_::RecreateWnd_(this);
  if (shown) Popup(focused);
}

bool TvxCustomPopupWindow::IsVisible() const { return IsListed(const_cast<TvxCustomPopupWindow*>(this)); }

bool TvxCustomPopupWindow::HasCapture() { return HandleAllocated() && GetCapture() == Handle(); }

bool TvxCustomPopupWindow::OwnerControlShowing() {
  return FOwnerControl && FOwnerControl->HandleAllocated() && IsWindowVisible(FOwnerControl->Handle());
}

void TvxCustomPopupWindow::ClosePopup() {
  if (HandleAllocated()) PostMessageW(Handle(), VXM_CLOSEPOPUPWINDOW, 0, 0);
}

void TvxCustomPopupWindow::Popup(TWinControl* AFocusedControl) {
  if (IsVisible() || !OwnerControlShowing()) return;
  InitPopup();
  CalculateSize();
  TPoint p = CalculatePosition();
  CorrectBoundsWithDesktopWorkArea(p);
  {
    TValueScope<bool> transition(PopupTransitionActive, true);
    AddOpenPopup(this);
    DoShowing();
    SetBounds(p.x, p.y, Width(), Height());
    Show();
    SetBounds(p.x, p.y, Width(), Height());
    TWinControl* target = AFocusedControl;
    if (FCaptureFocus) {
      if (!(AFocusedControl && AFocusedControl->CanFocus() && AFocusedControl->TabStop())) {
        target = FindNextControl(nullptr, true, true, false);
        if (!target) target = this;
      }
    }
    FFocusedControl = target;
    if (target)
      target->SetFocus();
    else
      SetFocus();
    TCustomForm* ownerForm = FOwnerControl ? GetParentForm(FOwnerControl) : nullptr;
    const bool topmost = !ownerForm || (GetWindowLongW(ownerForm->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) ||
                         !FCaptureFocus;
    SetWindowPos(Handle(), topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  }
  SetModalResult(mrNone);
  DoShowed();
  if (!FCaptureFocus || !FModalMode) return;
  TObjectLinkScope link(this);
  auto alive = [&] { return link.Alive(); };
  while (alive() && Visible() && !Application->Terminated()) {
    MSG m;
    if (PeekMessageW(&m, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE) &&
        (m.wParam == VK_RETURN || m.wParam == VK_MENU || m.wParam == VK_SPACE))
      PeekMessageW(&m, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE);
    if (ModalResult() != mrNone) {
      if (CloseQuery())
        CloseUpByModalResult();
      else
        SetModalResult(mrNone);
      if (!alive() || !Visible()) break;
    }
    Application->HandleMessage();
  }
}

void TvxCustomPopupWindow::CloseUp() {
  if (!IsVisible()) return;
  {
    TCounterScope lock(PopupActivationLockCount);
    TObjectLinkScope link(this);
    RemoveOpenPopup(this);
    DoClosing();
    if (!link.Alive()) return;
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    Hide();
    DoClosed();
    if (!link.Alive()) return;
    HWND capture = GetCapture();
    if (capture && vxIsControlHandle(this, capture, true)) ReleaseCapture();
  }
  TCustomForm* ownerForm = FOwnerControl ? GetParentForm(FOwnerControl) : nullptr;
  if (Popups().empty() && ownerForm && ownerForm->HandleAllocated() && ownerForm->FormStyle() != fsMDIForm &&
      !ownerForm->Active())
    SendMessageW(ownerForm->Handle(), WM_NCACTIVATE, FALSE, 0);
}

void TvxCustomPopupWindow::CorrectBoundsWithDesktopWorkArea(TPoint& APosition) {
  if (!AdjustsToWorkArea()) return;
  Integer w = Width(), h = Height();
  HMONITOR mon = MonitorFromPoint(POINT{APosition.x, APosition.y}, MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi{sizeof mi};
  GetMonitorInfoW(mon, &mi);
  const RECT r = mi.rcWork;
  if (APosition.x < r.left) {
    w -= r.left - APosition.x;
    APosition.x = r.left;
  }
  if (APosition.y < r.top) {
    h -= r.top - APosition.y;
    APosition.y = r.top;
  }
  h = std::min<Integer>(h, r.bottom - APosition.y);
  SetWidth(std::min<Integer>(w, r.right - APosition.x));
  SetHeight(h);
  if (Height() != h && APosition.y == r.top) APosition.y += h - Height();
}

TRect TvxCustomPopupWindow::OwnerScreenBounds() {
  TRect r = OwnerBounds();
  if (FOwnerControl && FOwnerControl->HandleAllocated() &&
      (GetWindowLongW(FOwnerControl->Handle(), GWL_STYLE) & WS_CHILD)) {
    auto* parent = dynamic_cast<TWinControl*>(OwnerParent());
    if (parent && parent->HandleAllocated()) MapWindowPoints(parent->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
  }
  return r;
}

void TvxCustomPopupWindow::Deactivate() {
  if (FDeactivateLockCount != 0) return;
  TObjectLinkScope link(this);
  HWND active = GetActiveWindow();
  auto list = Popups();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    TvxCustomPopupWindow* p = *it;
    if (!IsListed(p)) continue;
    if (p->HandleAllocated() && p->Handle() == active) break;
    if (p->HandleAllocated() && IsWindowEnabled(p->Handle()) && !p->IsDeactivateLocked()) p->CloseUp();
  }
  if (link.Alive() && !Popups().empty()) CloseUp();
}

bool TvxCustomPopupWindow::Focused() {
  if (!IsVisible() || !FCaptureFocus) return false;
  HWND f = GetFocus();
  return f && vxIsControlHandle(this, f, true);
}

void TvxCustomPopupWindow::Paint() { FViewInfo->Paint(vxCanvas()); }

void TvxCustomPopupWindow::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE && IsVisible() && HasCapture()) {
    ReleaseCapture();
    Key = 0;
    return;
  }
  inherited::KeyDown(Key, Shift);
}

// Aligned controls fill the view's client rect (inside the popup's frame) once the view
// has been calculated; before that, the window's client area.
void TvxCustomPopupWindow::AdjustClientRect(RECT& Rect) {
  if (!IsRectEmpty(&FViewInfo->ClientRect))
    Rect = FViewInfo->ClientRect;
  else
    inherited::AdjustClientRect(Rect);
}

// Focus moving inside the popup activates and deactivates forms on the way: the hooks
// swallow those activation messages meanwhile, so the popup does not close itself.
bool TvxCustomPopupWindow::SetFocusedControl(TWinControl* Control) {
  TCounterScope lock(PopupActivationLockCount);
  return inherited::SetFocusedControl(Control);
}

// The popup's own shortcuts, then those of the form its owner control sits on.
bool TvxCustomPopupWindow::IsShortCut(TWMKey& Message) {
  if (inherited::IsShortCut(Message)) return true;
  TCustomForm* form = FOwnerControl ? GetParentForm(FOwnerControl) : nullptr;
  return form && form != this && form->IsShortCut(Message);
}

void TvxCustomPopupWindow::WMActivateApp(TMessage&) {}

void TvxCustomPopupWindow::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  if (ErasesBackground())
    InheritedMessage(Message);
  else
    Message.Result = 1;
}

void TvxCustomPopupWindow::VXMClosePopupWindow(TMessage&) {
  LockDeactivate(true);
  CloseUp();
  LockDeactivate(false);
  if (FOwnerControl && FOwnerControl->HandleAllocated()) SendMessageW(FOwnerControl->Handle(), WM_SETFOCUS, 0, 0);
}

void TvxCustomPopupWindow::VXMShowPopupWindow(TMessage&) { Popup(FFocusedControl); }

void TvxCustomPopupWindow::CMMouseEnter(TCMMouseEnterLeave& Message) {
  InheritedMessage(Message);
  MouseEnter(Message.Control() ? Message.Control() : this);
}

void TvxCustomPopupWindow::CMMouseLeave(TCMMouseEnterLeave& Message) {
  InheritedMessage(Message);
  MouseLeave(Message.Control() ? Message.Control() : this);
}

// A focus-taking popup that has just been hidden gives the focus back to its owner
// when the owner's form window holds it.
void TvxCustomPopupWindow::VisibleChanged() {
  inherited::VisibleChanged();
  if (Visible() || !FCaptureFocus || !FOwnerControl || !HandleAllocated()) return;
  TCustomForm* form = GetParentForm(FOwnerControl);
  if (form && form->HandleAllocated() && GetFocus() == form->Handle() && FOwnerControl->CanFocus() &&
      !form->ComponentState().Contains(csDesigning))
    FOwnerControl->SetFocus();
}

// --- Thread hooks ----------------------------------------------------------------------------

namespace {
LRESULT CALLBACK SwallowWndProc(HWND Wnd, UINT, WPARAM, LPARAM) {
  SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GSwallowSavedProc));
  GSwallowSavedProc = nullptr;
  GSwallowWnd = nullptr;
  return 1;
}
}  // namespace

// The next message of AWnd (the one being hooked) is answered with 1 and not run.
void vxSwallowNextWindowMessage(HWND AWnd) {
  if (GSwallowWnd || !AWnd) return;  // one window at a time
  GSwallowWnd = AWnd;
  GSwallowSavedProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(AWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SwallowWndProc)));
}

HWND (*vxPopupOwnerWindow)(HWND AWnd) = nullptr;

HWND vxPopupOwnerWindowFunc(HWND AWnd) {
  for (TvxCustomPopupWindow* p : Popups()) {
    TWinControl* owner = p->OwnerControl();
    if (owner && owner->HandleAllocated() && vxIsControlHandle(p, AWnd, true)) return owner->Handle();
  }
  return AWnd;
}

namespace {

bool IsAlive(TWinControl* C) { return C && !C->ComponentState().Contains(csDestroying); }

HWND OwnerFormWindow(TvxCustomPopupWindow* P) {
  TCustomForm* f = P->OwnerControl() ? GetParentForm(P->OwnerControl()) : nullptr;
  return f && f->HandleAllocated() ? f->Handle() : nullptr;
}

void CallWndProcHooked(const CWPSTRUCT& M) {
  if ((M.message == CM_ACTIVATE || M.message == CM_DEACTIVATE) && PopupActivationLockCount > 0) {
    vxSwallowNextWindowMessage(M.hwnd);
    return;
  }
  if (Popups().empty()) return;
  switch (M.message) {
    case WM_DESTROY:
      for (TvxCustomPopupWindow* p : std::vector(Popups())) {
        if (!IsListed(p) || p->ComponentState().Contains(csDestroying)) continue;
        if (p->HandleAllocated() && p->Handle() == M.hwnd) {
          p->CloseUp();
          if (!IsListed(p) && p->TerminateOnDestroy()) Application->Terminate();
          break;
        }
      }
      break;
    case WM_CLOSE:
      for (TvxCustomPopupWindow* p : std::vector(Popups())) {
        if (!IsListed(p) || p->ComponentState().Contains(csDestroying)) continue;
        if (p->HandleAllocated() && p->Handle() == M.hwnd) {
          if (p->CloseQuery()) p->CloseUp();
          if (!IsListed(p) && p->CaptureFocus() && IsAlive(p->OwnerControl()) && p->OwnerControl()->HandleAllocated())
            PostMessageW(vxGetNonChildAncestor(p->OwnerControl()->Handle()), WM_CLOSE, 0, 0);
          break;
        }
        if (p->CaptureFocus()) continue;
        if (IsAlive(p->OwnerControl())) {
          HWND form = OwnerFormWindow(p);
          if (!form || form == M.hwnd) p->CloseUp();
          break;
        }
      }
      break;
    case WM_SHOWWINDOW:
      if (M.wParam == 0) {
        auto list = Popups();
        for (size_t i = list.size(); i-- > 0;) {
          TWinControl* owner = list[i]->OwnerControl();
          if (IsAlive(owner) && owner->HandleAllocated() && owner->Handle() == M.hwnd) {
            for (size_t j = list.size(); j-- > i;)
              if (IsListed(list[j])) list[j]->CloseUp();
            break;
          }
        }
      }
      break;
    case WM_ACTIVATEAPP:
      if (M.wParam == 0) {
        bool again = true;
        while (again) {
          again = false;
          for (TvxCustomPopupWindow* p : std::vector(Popups())) {
            if (HWND form = OwnerFormWindow(p)) PostMessageW(form, WM_NCACTIVATE, FALSE, 0);
            const bool active = Screen && Screen->ActiveForm() == p;
            if ((!p->CaptureFocus() || !active) && p->HandleAllocated() && IsWindowEnabled(p->Handle())) {
              TWinControl* owner = p->OwnerControl();
              p->CloseUp();
              if (auto* c = dynamic_cast<TvxContainer*>(owner)) c->Perform(CM_FOCUSCHANGED, 0, 0);
              again = true;
              break;
            }
          }
        }
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      bool again = true;
      while (again) {
        again = false;
        for (TvxCustomPopupWindow* p : std::vector(Popups())) {
          TWinControl* owner = p->OwnerControl();
          if (p->HandleAllocated() && IsAlive(owner) && owner->HandleAllocated() && owner->Handle() == M.hwnd &&
              !vxIsControlWindowVisible(owner)) {
            p->CloseUp();
            again = true;
            break;
          }
        }
      }
      break;
    }
    case WM_NCACTIVATE:
      if (M.wParam == 0) {
        if (PopupTransitionActive) {
          vxSwallowNextWindowMessage(M.hwnd);
        } else {
          for (TvxCustomPopupWindow* p : Popups())
            if (OwnerFormWindow(p) == M.hwnd) {
              vxSwallowNextWindowMessage(M.hwnd);
              break;
            }
        }
      }
      break;
    default:
      break;
  }
}

LRESULT CALLBACK vxCallWndProcHookProc(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION) {
    try {
      CallWndProcHooked(*reinterpret_cast<const CWPSTRUCT*>(LParam));
    } catch (...) {
      // An exception must not cross the system's hook chain; the message goes on as usual.
    }
  }
  return CallNextHookEx(GCallWndProcHook, Code, WParam, LParam);
}

LRESULT CALLBACK vxGetMessageHookProc(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION && WParam == PM_REMOVE) {
    auto* m = reinterpret_cast<MSG*>(LParam);
    if (m->message == WM_SYSKEYDOWN && !Popups().empty()) {
      TvxCustomPopupWindow* last = Popups().back();
      if ((!last->CaptureFocus() || !last->ModalMode()) && !last->IsPopupNavigationKey(m->wParam))
        m->message = WM_NULL;
    }
  }
  return CallNextHookEx(GGetMessageHook, Code, WParam, LParam);
}

// Whether W belongs to the form of the owner control: the form's window or its related
// windows, or for a form without a parent control the outermost window of its parent
// chain and that window's children.
bool vxIsWindowOfControlForm(TWinControl* AControl, HWND W) {
  TCustomForm* form = GetParentForm(AControl);
  if (!form || !form->HandleAllocated()) return false;
  if (vxIsControlHandle(form, W, true)) return true;
  if (!form->Parent()) {
    HWND top = form->Handle();
    while (HWND up = GetParent(top)) top = up;
    return W == top || IsChild(top, W);
  }
  return false;
}

// False when the click is to be discarded.
bool ClickDecision(HWND W, UINT AMsg, const POINT& APoint) {
  bool result = true;
  bool closed = true;
  while (closed && !Popups().empty()) {
    closed = false;
    for (TvxCustomPopupWindow* p : std::vector(Popups())) {
      if (!IsListed(p)) continue;
      if (p->CaptureFocus() && !(Screen && Screen->ActiveForm() == p)) continue;
      if (vxIsControlHandle(p, W, true)) continue;
      TWinControl* owner = p->OwnerControl();
      auto* ownerForm = owner ? dynamic_cast<TvxCustomPopupWindow*>(GetParentForm(owner)) : nullptr;
      if ((owner && vxIsWindowOfControlForm(owner, W)) || (ownerForm && !ownerForm->IsVisible())) {
        const TShiftState shift = vxCurrentShiftState();
        const TRect ob = p->OwnerScreenBounds();
        const bool dropDownClick = owner && vxIsControlHandle(owner, W, true) &&
                                   (AMsg == WM_LBUTTONDOWN || AMsg == WM_LBUTTONDBLCLK) && PtInRect(&ob, APoint);
        if (dropDownClick) {
          if (p->HandleClosingClick(W, AMsg, APoint, shift)) p->SetJustClosed(true);
        } else if (result)
          result = !p->HandleClosingClick(W, AMsg, APoint, shift);
        {
          p->LockDeactivate(true);
          TValueScope<bool> transition(PopupTransitionActive, true);
          TScopeExit unlock([p] { p->LockDeactivate(false); });
          p->CloseUp();
        }
        if (dropDownClick && (!IsAlive(owner) || !owner->Visible())) result = false;
        closed = true;
        break;
      }
    }
  }
  return result;
}

LRESULT CALLBACK vxMouseHookProc(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION && !Popups().empty()) {
    switch (WParam) {
      case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK: case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK:
      case WM_NCMBUTTONDOWN: case WM_NCMBUTTONDBLCLK: case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: {
        const auto* m = reinterpret_cast<const MOUSEHOOKSTRUCT*>(LParam);
        bool pass = true;
        try {
          pass = ClickDecision(m->hwnd, static_cast<UINT>(WParam), m->pt);
        } catch (...) {
          // An exception must not cross the system's hook chain; the click goes on as usual.
        }
        if (!pass) return 1;
        break;
      }
      default:
        break;
    }
  }
  return CallNextHookEx(GMouseHook, Code, WParam, LParam);
}

void InitContainer() {
  vxUpdateScrollBarInfoBinding();
  GOpenPopups = new std::vector<TvxCustomPopupWindow*>();
  vxSetWindowsHook(GCallWndProcHook, WH_CALLWNDPROC, &vxCallWndProcHookProc);
  vxSetWindowsHook(GGetMessageHook, WH_GETMESSAGE, &vxGetMessageHookProc);
  vxSetWindowsHook(GMouseHook, WH_MOUSE, &vxMouseHookProc);
  vxPopupOwnerWindow = &vxPopupOwnerWindowFunc;
}

void FinContainer() {
  vxPopupOwnerWindow = nullptr;
  vxReleaseWindowsHook(GMouseHook);
  vxReleaseWindowsHook(GGetMessageHook);
  vxReleaseWindowsHook(GCallWndProcHook);
  delete GOpenPopups;
  GOpenPopups = nullptr;
}

}  // namespace

const TUnitInfo vxContainerUnit = {L"vxContainer", InitContainer, FinContainer};
