#include "vxPC.h"

#include <algorithm>
#include <cmath>

#include "Forms.h"
#include "Streaming.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vdCore.h"
#include "vxClasses.h"
#include "vxImageList.h"
#include "vxPCConsts.h"
#include "vxPCInternal.h"

using namespace vxPCDetail;

// =======================================================================================
// TvxCustomTabControl

TvxCustomTabControl::TvxCustomTabControl(TComponent* AOwner) : TvxControl(AOwner) {
  ControlStyle() = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csOpaque, csDoubleClicks,
                                 csParentBackground};
  FTabSlants = std::make_unique<TvxTabSlants>(this);
  FTabSlants->OnChange = [this](TObject*) { Relayout(); };
  FImageList = std::make_unique<TvxPCImageList>(this);
  FImageList->OnChange = [this](TObject*) { ImagesChanged(); };
  FImageList->OnPrepareBitmapBackground = [this](TBitmap* ABitmap) {
    if (FPainter)
      FPainter->PrepareTabTextBitmapBackground(ABitmap, FPainter->OutTabImageAndTextData(),
                                               FPainter->OutTabImageAndTextData().TabVisibleIndex);
  };
  FVisibleTabList = std::make_unique<TvxVisibleTabList>(this);
  FTabs = std::make_unique<TvxTabs>(this);
  SetBounds(Left(), Top(), 289, 193);
  SetTabStop(true);
  SetStyle(0);
  if (!IsDesigning()) {
    FGoDialog = new TvxPCGoDialog(this);
    FGoDialog->OnClick = [this](Integer AIndex) { DoGoDialogClick(AIndex); };
  }
}

TvxCustomTabControl::~TvxCustomTabControl() {
  FTabSlants.reset();
  delete FTimer;
  FTimer = nullptr;
  delete FGoDialog;
  FGoDialog = nullptr;
  FImageList.reset();
  FTabs.reset();
  if (FPainter) {
    if (TvxPCPaintersFactory* f = PaintersFactory())
      f->FreePainterInstance(FPainter);
    else
      delete FPainter;
    FPainter = nullptr;
  }
  FVisibleTabList.reset();
}

bool TvxCustomTabControl::CanFocus() { return TvxControl::CanFocus() && FFocusable; }

bool TvxCustomTabControl::IsVerticalText() const {
  return IsHorizontal(FTabPosition) ? FRotate : !FRotate;
}

TvxRotationAngle TvxCustomTabControl::CaptionRotation() const {
  if (!IsVerticalText()) return ra0;
  return FOptions.Contains(pcoTopToBottomText) ? raMinus90 : raPlus90;
}

bool TvxCustomTabControl::IsRowDirectionReversed() const {
  const bool ttb = FOptions.Contains(pcoTopToBottomText);
  if (IsHorizontal(FTabPosition)) return FRotate && ttb;
  return !FRotate && !ttb;
}

bool TvxCustomTabControl::IsDisplayedTab(Integer AVisibleIndex) const {
  if (AVisibleIndex < 0 || AVisibleIndex >= FVisibleTabList->Count()) return false;
  if (FMultiLine) return true;
  return AVisibleIndex >= FFirstVisibleTab && AVisibleIndex <= FLastVisibleTab;
}

Integer TvxCustomTabControl::TabLength(TvxTab* ATab) const {
  return FRotate ? FTabs->FTabNormalHeight : ATab->FTabPosition.TabNormalWidth;
}

// --- Painter choice -------------------------------------------------------------------

void TvxCustomTabControl::SetStyle(TvxPCStyleID Value) {
  if (Value == 0) {
    FStyle = 0;
    UpdatePainterFromLookAndFeel();
    return;
  }
  ApplyStyle(Value);
}

void TvxCustomTabControl::UpdatePainterFromLookAndFeel() {
  if (FStyle != 0) return;
  TvxPCPaintersFactory* f = PaintersFactory();
  if (!f) RaiseError(L"TvxPCPaintersFactory", L"GetDefaultStyleID", ResStr(svxPCNoRegisteredStyles));
  TvxPCStyleID id = f->GetStyleID(LookAndFeel());
  if (id == -1) id = f->GetDefaultStyleID(LookAndFeel());
  ApplyStyle(id);
  FStyle = 0;
}

void TvxCustomTabControl::ApplyStyle(TvxPCStyleID Value) {
  if (Value == FStyle && FPainter) return;
  TvxPCPaintersFactory* f = PaintersFactory();
  TvxPCPainterClass cls = f ? f->GetPainterClass(Value) : nullptr;
  if (!cls) return;
  FStyle = Value;
  if (FPainter && FPainter->Class() == cls) return;
  if (FPainter) {
    f->FreePainterInstance(FPainter);
    FPainter = nullptr;
  }
  FPainter = f->GetPainterInstance(cls, this);
  if (!FPainter->SupportsTabRotation()) FRotate = false;
  SetDoubleBuffered(FPainter->IsDoubleBuffered());
  FTabs->ResetTabVerticalTextBitmaps();
  Relayout();
  InvalidateWithChildren();
}

void TvxCustomTabControl::SetStandardStyle(TvxPCStandardStyle AStandardStyle) {
  static const wchar_t* const Names[] = {L"tsTabs", L"tsButtons", L"tsFlatButtons"};
  TvxPCPaintersFactory* f = PaintersFactory();
  TvxPCPainterClass cls = f ? f->GetPainterClass(AStandardStyle) : nullptr;
  if (!cls)
    RaiseError(L"TvxCustomTabControl", L"SetStandardStyle",
               Format(ResStr(svxPCStandardStyleError), {String(Names[AStandardStyle])}));
  SetStyle(cls->GetStyleID());
}

void TvxCustomTabControl::SetStyleByStyleName(const String& AStyleName) {
  if (AStyleName == L"Default") {
    FStyle = 0;
    UpdatePainterFromLookAndFeel();
    return;
  }
  TvxPCPaintersFactory* f = PaintersFactory();
  TvxPCPainterClass cls = f ? f->GetPainterClass(AStyleName) : nullptr;
  if (!cls) RaiseError(L"TvxCustomTabControl", L"SetStyleByName", Format(ResStr(svxPCStyleNameError), {AStyleName}));
  SetStyle(cls->GetStyleID());
}

void TvxCustomTabControl::LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  TvxControl::LookAndFeelChanged(Sender, AChangedValues);
  UpdatePainterFromLookAndFeel();
  Relayout();
  InvalidateWithChildren();
}

// --- Properties ----------------------------------------------------------------------

void TvxCustomTabControl::SetHideTabs(bool Value) {
  if (Value == FHideTabs) return;
  FHideTabs = Value;
  Invalidate();
  Realign();
}

void TvxCustomTabControl::SetHotTrack(bool Value) {
  if (Value == FHotTrack) return;
  FHotTrack = Value;
  UpdateHotTrackState(KeyboardStateToShiftState());
}

Integer TvxCustomTabControl::MaxRotatedTabWidth() const {
  if (FMaxRotatedTabWidth > 0 && FPainter) return std::max(FMaxRotatedTabWidth, FPainter->GetMinTabNormalWidth(-1));
  return FMaxRotatedTabWidth;
}

void TvxCustomTabControl::SetMaxRotatedTabWidth(Integer Value) {
  if (Value < 0) Value = 0;
  if (Value > 0 && FPainter) Value = std::max(Value, FPainter->GetMinTabNormalWidth(-1));
  if (Value == FMaxRotatedTabWidth) return;
  FMaxRotatedTabWidth = Value;
  if (FRotate && FVisibleTabList->Count() > 0) Relayout();
}

void TvxCustomTabControl::SetImageBorder(Integer Value) {
  if (Value < 0 || Value == FImageBorder) return;
  FImageBorder = Value;
  if (FVisibleTabList->Count() > 0) Relayout();
}

void TvxCustomTabControl::SetMultiLine(bool Value) {
  if (Value == FMultiLine) return;
  FMultiLine = Value;
  Relayout();
}

void TvxCustomTabControl::SetNavigatorPosition(TvxPCNavigatorPosition Value) {
  if (Value == FNavigatorPosition) return;
  FNavigatorPosition = Value;
  Relayout();
}

void TvxCustomTabControl::SetOptions(TvxPCOptions Value) {
  if (Value == FOptions) return;
  TvxPCOptions changed = (Value - FOptions) + (FOptions - Value);
  FOptions = Value;
  const TvxPCOptions relayout{pcoAlwaysShowGoDialogButton, pcoCloseButton, pcoFixedTabWidthWhenRotated,
                              pcoGoDialog, pcoGradient, pcoGradientClientArea, pcoNoArrows, pcoTopToBottomText};
  const TvxPCOptions invalidate{pcoGradient, pcoGradientClientArea, pcoUsePageColorForTab};
  if (!(changed * relayout).Empty())
    Relayout();
  else if (!(changed * invalidate).Empty())
    Invalidate();
}

void TvxCustomTabControl::SetOwnerDraw(bool Value) {
  if (Value == FOwnerDraw) return;
  FOwnerDraw = Value;
  Invalidate();
}

void TvxCustomTabControl::SetRaggedRight(bool Value) {
  if (Value == FRaggedRight) return;
  FRaggedRight = Value;
  if (FMultiLine) Relayout();
}

void TvxCustomTabControl::SetRotate(bool Value) {
  if (Value && FPainter && !FPainter->SupportsTabRotation())
    throw EvdException(Format(ResStr(svxPCAllowRotateError), {FPainter->Class()->GetStyleName()}));
  if (Value == FRotate) return;
  FRotate = Value;
  Relayout();
}

void TvxCustomTabControl::SetScrollOpposite(bool Value) {
  if (Value == FScrollOpposite) return;
  FScrollOpposite = Value;
  if (!FMultiLine) return;
  if (FMainTabVisibleIndex == -1) {
    Realign();
  } else {
    CalculateRowOrder();
    Realign();
    Invalidate();
  }
}

void TvxCustomTabControl::SetShowFrame(bool Value) {
  if (Value == FShowFrame) return;
  FShowFrame = Value;
  Relayout();
}

void TvxCustomTabControl::SetTabHeight(Integer Value) {
  if (Value == FTabHeight) return;
  FTabHeight = Value;
  Relayout();
}

void TvxCustomTabControl::SetTabWidth(Integer Value) {
  if (Value == FTabWidth) return;
  FTabWidth = Value;
  Relayout();
}

void TvxCustomTabControl::SetTabPosition(TvxTabPosition Value) {
  if (Value == FTabPosition) return;
  FTabPosition = Value;
  Relayout();
}

// --- Selection -----------------------------------------------------------------------

void TvxCustomTabControl::LockChangeEvents(bool ALock) {
  if (ALock)
    ++FChangeEventLockCount;
  else if (FChangeEventLockCount > 0)
    --FChangeEventLockCount;
}

bool TvxCustomTabControl::CanChange(Integer ANewTabIndex) {
  bool allow = true;
  if (FChangeEventLockCount == 0 && !IsLoading() && OnChanging) OnChanging(this, allow);
  return allow;
}

void TvxCustomTabControl::Change() {
  if (FChangeEventLockCount == 0 && !IsLoading() && OnChange) OnChange(this);
}

void TvxCustomTabControl::SelectTabByIndex(Integer AIndex) {
  if (IsLoading()) {
    FTabIndex = AIndex;
    return;
  }
  if (AIndex < -1 || AIndex >= FTabs->Count()) return;
  if (AIndex != -1 && SelectsVisibleTabsOnly() && !FTabs->Tab(AIndex)->Visible()) AIndex = -1;
  if (AIndex == FTabIndex || !CanChange(AIndex)) return;
  FTabIndex = -1;
  FTabs->UpdateMainTab();
  for (TvxTab* t : FTabs->FTabsItemA) t->FSelected = false;
  FTabs->SetTrackingTab(-1);
  FTabIndex = AIndex;
  FTabs->UpdateMainTab();
  if (!FMultiLine && FMainTabVisibleIndex != -1) MakeTabVisible(FMainTabVisibleIndex);
  if (FMultiLine) {
    CalculateRowOrder();
    Realign();
    Invalidate();
  } else {
    Relayout();
  }
  UpdateNavigatorButtonStates();
  UpdateHotTrackState(KeyboardStateToShiftState());
  Change();
}

void TvxCustomTabControl::Loaded() {
  TvxControl::Loaded();
  FTabs->Changed(-1, tckLayout);
  if (FTabIndex != -1) {
    const Integer index = FTabIndex;
    FTabIndex = -1;
    LockChangeEvents(true);
    TScopeExit unlock([this] { LockChangeEvents(false); });
    SelectTabByIndex(index);
  }
}

Integer TvxCustomTabControl::IndexOfTabAt(Integer X, Integer Y) {
  const Integer n = FVisibleTabList->Count();
  const Integer first = FMultiLine ? 0 : std::max<Integer>(FFirstVisibleTab, 0);
  const Integer last = FMultiLine ? n - 1 : std::min(FLastVisibleTab, n - 1);
  for (Integer v = first; v <= last; ++v) {
    const TRect r = FVisibleTabList->GetTab(v)->VisibleRect();
    if (X >= r.left && X < r.right && Y >= r.top && Y < r.bottom && FPainter->IsTabHit(v, X, Y)) return v;
  }
  return -1;
}

void TvxCustomTabControl::ScrollTabs(Integer ADelta) {
  if (FMultiLine) return;
  const TvxPCNavigatorButton b = ADelta >= 0 ? nbBottomRight : nbTopLeft;
  for (Integer i = 0; i < std::abs(ADelta); ++i) {
    const bool forward = IsRowDirectionReversed() ? b == nbTopLeft : b == nbBottomRight;
    if (forward && FLastVisibleTab >= FVisibleTabList->Count() - 1 && FIsLastTabFullyVisible) break;
    if (!forward && FFirstVisibleTab <= 0) break;
    FFirstVisibleTab += forward ? 1 : -1;
    Relayout();
  }
}

bool TvxCustomTabControl::DoCanClose() {
  bool can = true;
  if (OnCanClose) OnCanClose(this, can);
  return can;
}

void TvxCustomTabControl::DoClose() {
  if (FTabIndex != -1) FTabs->Delete(FTabIndex);
  Change();
}

bool TvxCustomTabControl::IsTabAccessible(Integer AIndex) {
  TvxTab* t = FTabs->Tab(AIndex);
  return t->Visible() && t->RealEnabled();
}

Integer TvxCustomTabControl::GetTabImageIndex(Integer AIndex) {
  Integer result = FTabs->Tab(AIndex)->FImageIndex;
  if (OnGetImageIndex) OnGetImageIndex(this, AIndex, result);
  if (result < 0) result = -1;
  TCustomImageList* images = Images();
  if (!images || images->Width() == 0 || images->Height() == 0 || result >= images->Count()) result = -1;
  return result;
}

void TvxCustomTabControl::PrepareTabFont(TvxTab* ATab, TvxCanvas* ACanvas) {
  ACanvas->SetFont(Font());
  const Integer v = ATab->VisibleIndex();
  if (FPainter && v >= 0) ACanvas->Font()->SetColor(FPainter->GetTabTextColor(v));
  if (OnDrawTabEx) OnDrawTabEx(this, ATab, ACanvas->Font());
}

bool TvxCustomTabControl::DoDialogChar(Integer ACharCode) {
  if (!TWinControl::CanFocus()) return false;
  for (Integer i = 0; i < FTabs->Count(); ++i) {
    if (IsAccel(static_cast<Word>(ACharCode), FTabs->Tab(i)->Caption()) && IsTabAccessible(i)) {
      SelectTabByIndex(i);
      return true;
    }
  }
  return false;
}

// --- Keyboard ------------------------------------------------------------------------

bool TvxCustomTabControl::HandleTabNavigationKey(Word& Key, TShiftState Shift) {
  const Integer n = FVisibleTabList->Count();
  if (FHideTabs || n == 0 || Shift == TShiftState{ssAlt} || Shift == TShiftState{ssShift, ssAlt}) return false;
  const Integer m = IsRowDirectionReversed() ? -1 : 1;
  Integer d = 0, start = 0;
  bool wraps = false, fixedStart = false;
  switch (Key) {
    case VK_TAB:
      if (!Shift.Contains(ssCtrl)) return false;
      d = (Shift.Contains(ssShift) ? -1 : 1) * m;
      wraps = true;
      break;
    case VK_LEFT:
    case VK_UP: d = -m; break;
    case VK_RIGHT:
    case VK_DOWN: d = m; break;
    case VK_HOME:
    case VK_END: {
      const Integer mm = (Key == VK_HOME ? -1 : 1) * m;
      start = mm == 1 ? n - 1 : 0;
      d = -mm;
      fixedStart = true;
      break;
    }
    case VK_RETURN:
    case VK_SPACE:
      if (FTracking == -1) return false;
      SelectTabByIndex(FVisibleTabList->TabIndexA[FTracking]);
      return true;
    default: return false;
  }
  if (!fixedStart) {
    if (FTracking != -1)
      start = FTracking + d;
    else if (FMainTabVisibleIndex != -1)
      start = FMainTabVisibleIndex + d;
    else
      start = d == 1 ? 0 : n - 1;
    if (start < 0 || start >= n) {
      if (!wraps) return true;
      start = start < 0 ? n - 1 : 0;
    }
  }
  Integer found = -1;
  Integer v = start;
  for (Integer examined = 0; examined < n; ++examined) {
    if (FVisibleTabList->GetTab(v)->RealEnabled()) {
      found = v;
      break;
    }
    v += d;
    if (v < 0 || v >= n) {
      if (!wraps) return true;
      v = v < 0 ? n - 1 : 0;
    }
  }
  if (found == -1) return true;
  if (FPainter->Class()->IsTabPressable() && Key != VK_TAB)
    FTabs->SetTrackingTab(found);
  else if (found != FMainTabVisibleIndex)
    SelectTabByIndex(FVisibleTabList->TabIndexA[found]);
  return true;
}

void TvxCustomTabControl::KeyDown(Word& Key, TShiftState Shift) {
  TvxControl::KeyDown(Key, Shift);
  HandleTabNavigationKey(Key, Shift);
}

void TvxCustomTabControl::WMGetDlgCode(TWMGetDlgCode& Message) {
  InheritedMessage(Message.M);
  Message.M.Result |= DLGC_WANTARROWS;
}

void TvxCustomTabControl::CMDialogChar(TCMDialogKey& Message) {
  if (DoDialogChar(Message.CharCode()))
    Message.M.Result = 1;
  else
    InheritedMessage(Message.M);
}

void TvxCustomTabControl::CMDialogKey(TCMDialogKey& Message) {
  HWND focus = GetFocus();
  if (HandleAllocated() && (focus == Handle() || IsChild(Handle(), focus))) {
    Word key = Message.CharCode();
    if (HandleTabNavigationKey(key, KeyboardStateToShiftState())) {
      Message.M.Result = 1;
      return;
    }
  }
  InheritedMessage(Message.M);
}

void TvxCustomTabControl::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(Message);
  Invalidate();
}

void TvxCustomTabControl::CMParentColorChanged(TMessage& Message) {
  InheritedMessage(Message);
  Invalidate();
}

// --- Mouse ---------------------------------------------------------------------------

void TvxCustomTabControl::UpdateHotTrackState(TShiftState Shift) {
  if (IsLoading() || IsDestroying() || IsDesigning() || !HandleAllocated() || !FPainter || FIsGoDialogShowing)
    return;
  TvxPCNavigatorButtons hotButton;
  Integer hotTab = -1;
  if ((FHotTrack || FPainter->NeedsHotTracking()) && Enabled()) {
    POINT p;
    GetCursorPos(&p);
    ::ScreenToClient(Handle(), &p);
    TvxPCNavigatorButton b;
    if (FPainter->GetNavigatorButtonAt(p.x, p.y, b)) {
      if (FNavigatorButtonStates[b] != nbsPressed && FNavigatorButtonStates[b] != nbsDisabled &&
          !Shift.Contains(ssLeft))
        hotButton << b;
    } else if (!(Shift.Contains(ssLeft) && FPainter->Class()->IsTabPressable())) {
      hotTab = IndexOfTabAt(p.x, p.y);
      if (hotTab != -1 && !FVisibleTabList->GetTab(hotTab)->Enabled()) hotTab = -1;
    }
  }
  SetHotTrackNavigatorButton(hotButton);
  FTabs->SetHotTrackTab(hotTab);
}

void TvxCustomTabControl::SetHotTrackNavigatorButton(TvxPCNavigatorButtons AButtons) {
  if (AButtons == FHotTrackNavigatorButton) return;
  for (Integer i = nbTopLeft; i <= nbClose; ++i) {
    auto b = static_cast<TvxPCNavigatorButton>(i);
    if (FHotTrackNavigatorButton.Contains(b) && FNavigatorButtonStates[b] == nbsHotTrack) {
      FNavigatorButtonStates[b] = nbsNormal;
      FPainter->NavigatorButtonStateChanged(b, nbsHotTrack);
    }
  }
  FHotTrackNavigatorButton = AButtons;
  for (Integer i = nbTopLeft; i <= nbClose; ++i) {
    auto b = static_cast<TvxPCNavigatorButton>(i);
    if (AButtons.Contains(b)) {
      FNavigatorButtonStates[b] = nbsHotTrack;
      FPainter->NavigatorButtonStateChanged(b, nbsNormal);
    }
  }
}

void TvxCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  const bool goDialogJustClosed = FGoDialogJustClosed;
  FGoDialogJustClosed = false;
  TvxControl::MouseDown(Button, Shift, X, Y);
  if (!IsDesigning() && (FHideTabs || Button != mbLeft)) return;
  UpdateHotTrackState(Shift);
  TvxPCNavigatorButton b;
  if (FPainter->GetNavigatorButtonAt(X, Y, b)) {
    if (!(b == nbGoDialog && goDialogJustClosed)) PressNavigatorButton(b);
    return;
  }
  TabMouseDown(IndexOfTabAt(X, Y), Shift);
}

void TvxCustomTabControl::TabMouseDown(Integer AVisibleIndex, TShiftState Shift) {
  FMouseDownTabVisibleIndex = AVisibleIndex;
  if (AVisibleIndex < 0 || AVisibleIndex >= FVisibleTabList->Count()) return;
  if (!FVisibleTabList->GetTab(AVisibleIndex)->RealEnabled() && !IsDesigning()) return;
  if (!FPainter->Class()->IsTabPressable() || IsDesigning()) {
    ClickSelectTab(AVisibleIndex, Shift.Contains(ssCtrl));
  } else {
    FPressedTabVisibleIndex = AVisibleIndex;
    FPainter->TabStateChanged(AVisibleIndex, tckPressed);
  }
}

void TvxCustomTabControl::ClickSelectTab(Integer AVisibleIndex, bool ACtrl) {
  TvxTab* tab = FVisibleTabList->GetTab(AVisibleIndex);
  if (FMultiSelect && FPainter->Class()->IsMultiSelectionAccepted() && ACtrl) {
    if (AVisibleIndex == FMainTabVisibleIndex)
      SelectTabByIndex(-1);
    else
      tab->SetSelected(!tab->Selected());
    return;
  }
  SelectTabByIndex(tab->Index());
}

void TvxCustomTabControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TvxControl::MouseMove(Shift, X, Y);
  if (FHideTabs || FIsGoDialogShowing) return;
  for (Integer i = nbTopLeft; i <= nbClose; ++i) {
    auto b = static_cast<TvxPCNavigatorButton>(i);
    TvxPCNavigatorButton at;
    if (FPressedNavigatorButton.Contains(b) && !(FPainter->GetNavigatorButtonAt(X, Y, at) && at == b)) {
      if (FTimer) FTimer->SetEnabled(false);
      FNavigatorButtonStates[b] = nbsNormal;
      FPressedNavigatorButton = {};
      FPainter->NavigatorButtonStateChanged(b, nbsPressed);
    }
  }
  if (FPressedTabVisibleIndex != -1 && IndexOfTabAt(X, Y) != FPressedTabVisibleIndex) {
    const Integer old = FPressedTabVisibleIndex;
    FPressedTabVisibleIndex = -1;
    FPainter->TabStateChanged(old, tckPressed);
  }
  UpdateHotTrackState(Shift);
}

void TvxCustomTabControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxControl::MouseUp(Button, Shift, X, Y);
  if (FHideTabs || Button != mbLeft || FIsGoDialogShowing) return;
  TvxPCNavigatorButton b;
  if (FPainter->GetNavigatorButtonAt(X, Y, b)) {
    ReleaseNavigatorButton(b);
    FMouseDownTabVisibleIndex = -1;
    return;
  }
  TabMouseUp(IndexOfTabAt(X, Y), Shift);
}

void TvxCustomTabControl::TabMouseUp(Integer AVisibleIndex, TShiftState Shift) {
  if (AVisibleIndex >= 0 && AVisibleIndex < FVisibleTabList->Count() &&
      (FVisibleTabList->GetTab(AVisibleIndex)->RealEnabled() || IsDesigning())) {
    if (FPainter->Class()->IsTabPressable() && !IsDesigning() && AVisibleIndex == FPressedTabVisibleIndex) {
      FPressedTabVisibleIndex = -1;
      FPainter->TabStateChanged(AVisibleIndex, tckPressed);
      ClickSelectTab(AVisibleIndex, Shift.Contains(ssCtrl));
    }
    UpdateHotTrackState(Shift);
    if (AVisibleIndex == FMouseDownTabVisibleIndex) DoTabClick(AVisibleIndex, Shift);
  }
  FMouseDownTabVisibleIndex = -1;
}

void TvxCustomTabControl::MouseLeave(TControl* AControl) {
  TvxControl::MouseLeave(AControl);
  UpdateHotTrackState(TShiftState{});
}

bool TvxCustomTabControl::WheelApplies(POINT MousePos) {
  if (FMultiLine || FFirstVisibleTab < 0 || FFirstVisibleTab >= FVisibleTabList->Count()) return false;
  if (HandleAllocated()) ::ScreenToClient(Handle(), &MousePos);
  const TRect r = FVisibleTabList->GetTab(FFirstVisibleTab)->FullRect();
  if (IsHorizontal(FTabPosition)) return r.top <= MousePos.y && MousePos.y < r.bottom;
  return r.left <= MousePos.x && MousePos.x < r.right;
}

bool TvxCustomTabControl::DoMouseWheelDown(TShiftState Shift, POINT MousePos) {
  if (!WheelApplies(MousePos)) return TvxControl::DoMouseWheelDown(Shift, MousePos);
  ScrollTabs(1);
  return true;
}

bool TvxCustomTabControl::DoMouseWheelUp(TShiftState Shift, POINT MousePos) {
  if (!WheelApplies(MousePos)) return TvxControl::DoMouseWheelUp(Shift, MousePos);
  ScrollTabs(-1);
  return true;
}

// --- Navigator buttons ---------------------------------------------------------------

TvxPCNavigatorButtons TvxCustomTabControl::GetNeededNavigatorButtons(bool AAllFit) {
  TvxPCNavigatorButtons result;
  if (FOptions.Contains(pcoCloseButton) && !FMultiLine) result << nbClose;
  if (!AAllFit && !FOptions.Contains(pcoNoArrows)) result << nbTopLeft << nbBottomRight;
  if (FOptions.Contains(pcoGoDialog) && (!AAllFit || FOptions.Contains(pcoAlwaysShowGoDialogButton)))
    result << nbGoDialog;
  return result;
}

void TvxCustomTabControl::SetNavigatorButtons(TvxPCNavigatorButtons AButtons) {
  FNavigatorButtons = AButtons;
  FPainter->GetTabsPosition(AButtons, FTabsPosition);
}

void TvxCustomTabControl::ResetVanishedNavigatorButtons() {
  for (Integer i = nbTopLeft; i <= nbClose; ++i) {
    auto b = static_cast<TvxPCNavigatorButton>(i);
    if (!FNavigatorButtons.Contains(b)) {
      FHotTrackNavigatorButton >> b;
      FPressedNavigatorButton >> b;
      FNavigatorButtonStates[b] = nbsNormal;
    }
  }
}

bool TvxCustomTabControl::IsNavigatorButtonAvailable(TvxPCNavigatorButton AButton) {
  const bool reversed = IsRowDirectionReversed();
  const bool towardEnd = AButton == (reversed ? nbTopLeft : nbBottomRight);
  switch (AButton) {
    case nbTopLeft:
    case nbBottomRight:
      if (towardEnd)
        return !(FLastVisibleTab == FVisibleTabList->Count() - 1 &&
                 (FIsLastTabFullyVisible || FLastVisibleTab == FFirstVisibleTab));
      return FFirstVisibleTab > 0;
    case nbClose: return FMainTabVisibleIndex != -1;
    default: return true;
  }
}

void TvxCustomTabControl::UpdateNavigatorButtonStates() {
  if (!FPainter) return;
  for (TvxPCNavigatorButton b : {nbTopLeft, nbBottomRight, nbClose}) {
    if (!FNavigatorButtons.Contains(b)) continue;
    const TvxPCNavigatorButtonState old = FNavigatorButtonStates[b];
    const bool available = IsNavigatorButtonAvailable(b);
    if (!available && old != nbsDisabled) {
      FNavigatorButtonStates[b] = nbsDisabled;
      FHotTrackNavigatorButton = {};
      FPressedNavigatorButton = {};
    } else if (available && old == nbsDisabled) {
      FNavigatorButtonStates[b] = nbsNormal;
    }
    if (FNavigatorButtonStates[b] != old) FPainter->NavigatorButtonStateChanged(b, old);
  }
  UpdateHotTrackState(KeyboardStateToShiftState());
}

void TvxCustomTabControl::PressNavigatorButton(TvxPCNavigatorButton AButton) {
  const TvxPCNavigatorButtonState old = FNavigatorButtonStates[AButton];
  if (old == nbsPressed || old == nbsDisabled) return;
  FNavigatorButtonStates[AButton] = nbsPressed;
  FPressedNavigatorButton = TvxPCNavigatorButtons{AButton};
  FPainter->NavigatorButtonStateChanged(AButton, old);
  if (AButton == nbTopLeft || AButton == nbBottomRight) {
    ScrollTabsStep(AButton);
    if (FPressedNavigatorButton.Contains(AButton)) {
      if (!FTimer) {
        FTimer = new TvxTimer(nullptr);
        FTimer->SetOnTimer([this](TObject* Sender) { TimerHandler(Sender); });
      }
      FTimer->SetInterval(300);
      FTimer->SetEnabled(true);
    }
  }
}

void TvxCustomTabControl::TimerHandler(TObject*) {
  FTimer->SetInterval(150);
  for (TvxPCNavigatorButton b : {nbTopLeft, nbBottomRight})
    if (FPressedNavigatorButton.Contains(b)) {
      ScrollTabsStep(b);
      return;
    }
  FTimer->SetEnabled(false);
}

void TvxCustomTabControl::ScrollTabsStep(TvxPCNavigatorButton AButton) {
  if (FNavigatorButtonStates[AButton] == nbsDisabled) return;
  const bool reversed = IsRowDirectionReversed();
  if ((reversed && AButton == nbTopLeft) || (!reversed && AButton == nbBottomRight))
    ++FFirstVisibleTab;
  else
    --FFirstVisibleTab;
  Relayout();
}

void TvxCustomTabControl::ReleaseNavigatorButton(TvxPCNavigatorButton AButton) {
  if (FTimer) FTimer->SetEnabled(false);
  const TvxPCNavigatorButtonState old = FNavigatorButtonStates[AButton];
  if (old == nbsDisabled) return;
  const bool wasPressed = FPressedNavigatorButton.Contains(AButton);
  if (!IsDesigning() && AButton == nbGoDialog && wasPressed) {
    FIsGoDialogShowing = true;
    ShowGoDialog();
    return;
  }
  const bool closeDue = !IsDesigning() && AButton == nbClose && wasPressed;
  if (old == nbsPressed) FPressedNavigatorButton = {};
  FNavigatorButtonStates[AButton] = nbsNormal;
  FPainter->NavigatorButtonStateChanged(AButton, old);
  UpdateHotTrackState(KeyboardStateToShiftState());
  if (closeDue && DoCanClose()) DoClose();
}

void TvxCustomTabControl::ShowGoDialog() {
  if (FGoDialog) FGoDialog->Popup(FOptions.Contains(pcoSort));
  GoDialogClosed(-1);
}

void TvxCustomTabControl::GoDialogClosed(Integer ATabIndex) {
  MSG m;
  if (HandleAllocated() && (PeekMessageW(&m, Handle(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE) ||
                            PeekMessageW(&m, Handle(), WM_LBUTTONDBLCLK, WM_LBUTTONDBLCLK, PM_NOREMOVE)))
    FGoDialogJustClosed = true;
  FIsGoDialogShowing = false;
  FNavigatorButtonStates[nbGoDialog] = nbsNormal;
  FPressedNavigatorButton = {};
  if (FPainter) FPainter->NavigatorButtonStateChanged(nbGoDialog, nbsPressed);
  if (ATabIndex != -1) SelectTabByIndex(ATabIndex);
  UpdateHotTrackState(KeyboardStateToShiftState());
}

// --- Painting ------------------------------------------------------------------------

void TvxCustomTabControl::CreateParams(TCreateParams& Params) {
  TvxControl::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TvxCustomTabControl::CreateHandle() {
  TvxControl::CreateHandle();
  Relayout();
  Realign();
}

void TvxCustomTabControl::Paint() {
  if (IsDestroying() || !FPainter) return;
  TvxClipRegionScope restore(Canvas());
  FPainter->Paint();
}

void TvxCustomTabControl::EraseBackground(HDC DC) {
  TCanvas* c = Canvas()->Canvas();
  c->Lock();
  HDC old = c->Handle();
  c->SetHandle(DC);
  TScopeExit reset([c, old] {
    c->SetHandle(old);
    c->Unlock();
  });
  FPainter->PaintClientAreaBackground();
}

void TvxCustomTabControl::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  if (Message.IntoBuffer()) {
    EraseBackground(Message.DC());
    Message.M.Result = 1;
    return;
  }
  InheritedMessage(Message.M);
}

void TvxCustomTabControl::FocusChanged() {
  TvxControl::FocusChanged();
  if (!IsDestroying() && FMainTabVisibleIndex != -1 &&
      FVisibleTabList->GetTab(FMainTabVisibleIndex)->RealVisible())
    FPainter->TabStateChanged(FMainTabVisibleIndex, tckFocus);
}

void TvxCustomTabControl::FontChanged() {
  TvxControl::FontChanged();
  Relayout();
}

void TvxCustomTabControl::Resize() {
  Relayout();
  Realign();
  TvxControl::Resize();
}

TRect TvxCustomTabControl::ClientRectOfPainter() {
  TRect r = FPainter ? FPainter->GetClientRect() : TRect{0, 0, Width(), Height()};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void TvxCustomTabControl::AdjustClientRect(RECT& Rect) {
  if (IsLoading()) {
    Rect = FIsClientRectLoaded ? FClientRect : TRect{0, 0, Width(), Height()};
    return;
  }
  Rect = ClientRectOfPainter();
}

void TvxCustomTabControl::DefineProperties(TFiler* Filer) {
  TvxControl::DefineProperties(Filer);
  TRect r{0, 0, Width(), Height()};
  if (IsLoading() && FIsClientRectLoaded)
    r = FClientRect;
  else if (!IsLoading())
    r = ClientRectOfPainter();
  auto* ancestor = dynamic_cast<TvxCustomTabControl*>(Filer->Ancestor());
  const TRect a = ancestor ? ancestor->ClientRectOfPainter() : TRect{};
  auto define = [&](const wchar_t* AName, LONG TRect::*AField, bool AStoredWithoutAncestor, bool AMarksRead) {
    Filer->DefineProperty(
        AName,
        [this, AField, AMarksRead](TReader* R) {
          FClientRect.*AField = R->ReadInteger();
          if (AMarksRead) FIsClientRectLoaded = true;
        },
        [value = r.*AField](TWriter* W) { W->WriteInteger(value); },
        ancestor ? r.*AField != a.*AField : AStoredWithoutAncestor);
  };
  define(L"ClientRectBottom", &TRect::bottom, r.bottom != 0, false);
  define(L"ClientRectLeft", &TRect::left, r.left != 0, false);
  define(L"ClientRectRight", &TRect::right, true, false);
  define(L"ClientRectTop", &TRect::top, true, true);
}

void TvxCustomTabControl::ChangeScale(Integer M, Integer D) {
  FClientRect = TRect{MulDiv(FClientRect.left, M, D), MulDiv(FClientRect.top, M, D), MulDiv(FClientRect.right, M, D),
                      MulDiv(FClientRect.bottom, M, D)};
  TvxControl::ChangeScale(M, D);
}

const TMessageMap* TvxCustomTabControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ERASEBKGND, MessageHandler<&TvxCustomTabControl::WMEraseBkgnd>},
      {WM_GETDLGCODE, MessageHandler<&TvxCustomTabControl::WMGetDlgCode>},
      {CM_DIALOGCHAR, MessageHandler<&TvxCustomTabControl::CMDialogChar>},
      {CM_DIALOGKEY, MessageHandler<&TvxCustomTabControl::CMDialogKey>},
      {CM_ENABLEDCHANGED, MessageHandler<&TvxCustomTabControl::CMEnabledChanged>},
      {CM_PARENTCOLORCHANGED, MessageHandler<&TvxCustomTabControl::CMParentColorChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}
