#include "vxScrollBar.h"

#include <algorithm>

#include "SysUtils.h"
#include "vxControls.h"

namespace {

constexpr Cardinal FirstRepeatDelay = 400;
constexpr Cardinal RepeatInterval = 60;
// How far beyond the ends and across a bar the thumb may be dragged before it snaps
// back to where the drag started.
constexpr Integer TrackingAlong = 34;
constexpr Integer TrackingAcross = 136;

bool RectEmpty(const TRect& R) { return R.right <= R.left || R.bottom <= R.top; }

bool IsArrowOrPage(TvxScrollBarPart P) {
  return P == sbpLineUp || P == sbpLineDown || P == sbpPageUp || P == sbpPageDown;
}

}  // namespace

TSize vxGetDefaultScrollBarSize() {
  return TSize{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
}

// --- TvxScrollBarViewInfo ----------------------------------------------------------------

TvxScrollBarViewInfo::TvxScrollBarViewInfo(TvxScrollBar* AScrollBar) : FScrollBar(AScrollBar) {}

void TvxScrollBarViewInfo::CalculateRects() {
  const Integer w = FScrollBar->Width(), h = FScrollBar->Height();
  if (FScrollBar->Kind() == sbHorizontal) {
    Integer a = std::min<Integer>(GetSystemMetrics(SM_CYHSCROLL), w / 2);
    FTopLeftArrowRect = TRect{0, 0, a, h};
    FBottomRightArrowRect = TRect{w - a, 0, w, h};
  } else {
    Integer a = std::min<Integer>(GetSystemMetrics(SM_CXVSCROLL), h / 2);
    FTopLeftArrowRect = TRect{0, 0, w, a};
    FBottomRightArrowRect = TRect{0, h - a, w, h};
  }
  CalculateThumbnailRect();
}

void TvxScrollBarViewInfo::CalculateMinThumnailSize() { FThumbnailSize = FScrollBar->GetMinThumbnailSize(); }

void TvxScrollBarViewInfo::CalculateThumbnailRect() {
  FThumbnailRect = TRect{0, 0, 0, 0};
  AdjustPageRects();
  if (!FScrollBar->Enabled()) return;
  const bool horz = FScrollBar->Kind() == sbHorizontal;
  const Integer start = horz ? FTopLeftArrowRect.right : FTopLeftArrowRect.bottom;
  const Integer end = horz ? FBottomRightArrowRect.left : FBottomRightArrowRect.top;
  const Integer across = horz ? FScrollBar->Height() : FScrollBar->Width();
  const Integer mn = FScrollBar->Min(), mx = FScrollBar->Max(), page = FScrollBar->PageSize();
  const Integer pos = FScrollBar->Position();
  Integer L = end - start;
  const Integer R = mx - mn;
  Integer offset = 0, size = 0;
  if (page == 0) {
    Integer T = GetSystemMetrics(horz ? SM_CXHTHUMB : SM_CYVTHUMB);
    if (L < T) return;
    L -= T;
    size = T;
    if (L > 0 && mx != mn) offset = MulDiv(L, pos - mn, R);
  } else {
    Integer S = std::min<Integer>(L, MulDiv(page, L, R + 1));
    if (L < FThumbnailSize || mx == mn) return;
    S = std::max(S, FThumbnailSize);
    L -= S;
    size = S;
    // The thumb filling the track, or a page covering the whole range, leaves no room
    // to move: the thumb stays at the start of the track.
    const Integer D = R - page + 1;
    if (L > 0 && D > 0) offset = MulDiv(L, std::min(pos - mn, D), D);
  }
  offset = std::clamp<Integer>(offset, 0, std::max<Integer>(L, 0));
  if (horz)
    FThumbnailRect = TRect{start + offset, 0, start + offset + size, across};
  else
    FThumbnailRect = TRect{0, start + offset, across, start + offset + size};
  AdjustPageRects();
}

void TvxScrollBarViewInfo::AdjustPageRects() {
  if (RectEmpty(FThumbnailRect)) {
    FPageUpRect = FPageDownRect = TRect{0, 0, 0, 0};
    return;
  }
  const Integer w = FScrollBar->Width(), h = FScrollBar->Height();
  if (FScrollBar->Kind() == sbHorizontal) {
    FPageUpRect = TRect{FTopLeftArrowRect.right, 0, FThumbnailRect.left, h};
    FPageDownRect = TRect{FThumbnailRect.right, 0, FBottomRightArrowRect.left, h};
  } else {
    FPageUpRect = TRect{0, FTopLeftArrowRect.bottom, w, FThumbnailRect.top};
    FPageDownRect = TRect{0, FThumbnailRect.bottom, w, FBottomRightArrowRect.top};
  }
}

void TvxScrollBarViewInfo::SetThumbnailPos(Integer APos) {
  if (FScrollBar->Kind() == sbHorizontal)
    OffsetRect(&FThumbnailRect, APos - FThumbnailRect.left, 0);
  else
    OffsetRect(&FThumbnailRect, 0, APos - FThumbnailRect.top);
}

// --- TvxScrollBar -----------------------------------------------------------------------

TvxScrollBar::TvxScrollBar(TComponent* AOwner) : TCustomControl(AOwner) {
  FBitmap = std::make_unique<TBitmap>();
  FBitmap->SetPixelFormat(pfDevice);
  FvxCanvas = std::make_unique<TvxCanvas>(FBitmap->Canvas());
  FLookAndFeel = std::make_unique<TvxLookAndFeel>(this);
  FLookAndFeel->OnChanged = [this](TvxLookAndFeel* Sender, TvxLookAndFeelValues V) { LookAndFeelChanged(Sender, V); };
  FViewInfo.reset(CreateViewInfo());
  SetWidth(121);
  FControlStyle = TControlStyle{csCaptureMouse, csFramed, csOpaque};
  SetHeight(GetSystemMetrics(SM_CYHSCROLL));
  FThemeChangedNotificator = std::make_unique<TvdThemeChangedNotificator>();
  FThemeChangedNotificator->SetOnThemeChanged([this] { ThemeChanged(); });
  FTimer = std::make_unique<TvxTimer>(nullptr);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(FirstRepeatDelay);
  FTimer->SetOnTimer([this](TObject* Sender) { RepeatTimerHandler(Sender); });
  FViewInfo->CalculateMinThumnailSize();
  FViewInfo->Calculate();
}

TvxScrollBar::~TvxScrollBar() {
  FTimer.reset();
  FThemeChangedNotificator.reset();
  FViewInfo.reset();
  FLookAndFeel.reset();
  FvxCanvas.reset();
  FBitmap.reset();
}

const TMessageMap* TvxScrollBar::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ERASEBKGND, MessageHandler<&TvxScrollBar::WMEraseBkgnd>},
      {WM_CANCELMODE, MessageHandler<&TvxScrollBar::WMCancelMode>},
      {CM_VISIBLECHANGED, MessageHandler<&TvxScrollBar::CMVisibleChanged>},
      {CM_ENABLEDCHANGED, MessageHandler<&TvxScrollBar::CMEnabledChanged>},
      {CM_MOUSEENTER, MessageHandler<&TvxScrollBar::CMMouseEnter>},
      {CM_MOUSELEAVE, MessageHandler<&TvxScrollBar::CMMouseLeave>},
      {CM_SYSCOLORCHANGE, MessageHandler<&TvxScrollBar::CMSysColorChange>},
      {CN_HSCROLL, MessageHandler<&TvxScrollBar::CNScroll>},
      {CN_VSCROLL, MessageHandler<&TvxScrollBar::CNScroll>},
      {CN_CTLCOLORSCROLLBAR, MessageHandler<&TvxScrollBar::CNCtlColorScrollBar>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxCustomLookAndFeelPainterClass TvxScrollBar::Painter() const {
  return FLookAndFeel->GetAvailablePainter(totScrollBar);
}

void TvxScrollBar::SetScrollParams(Integer AMin, Integer AMax, Integer APosition, Integer APageSize,
                                   bool ARedraw) {
  // The page is compared with the length of the range (not with Max itself), so that a
  // range with a negative Min and a page smaller than the range is accepted.
  if (AMax < AMin || APageSize < 0 || static_cast<int64_t>(APageSize) > static_cast<int64_t>(AMax) - AMin + 1)
    throw EInvalidOperation(L"スクロールバープロパティが範囲を超えました");
  bool redraw = ARedraw && HandleAllocated();
  APosition = std::clamp(APosition, AMin, AMax);
  if (FMin == AMin && FMax == AMax && FPageSize == APageSize && FPosition == APosition) {
    redraw = false;
  } else {
    FMin = AMin;
    FMax = AMax;
    FPageSize = APageSize;
  }
  if (APosition != FPosition) {
    SetEnabled(true);
    FPosition = APosition;
    FViewInfo->CalculateThumbnailRect();
    if (redraw) Repaint();
    Change();
  } else {
    FViewInfo->CalculateThumbnailRect();
    if (redraw) Repaint();
  }
}

void TvxScrollBar::SetParams(Integer APosition, Integer AMin, Integer AMax) {
  SetScrollParams(AMin, AMax, APosition, FPageSize, true);
}

void TvxScrollBar::SetKind(TScrollBarKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  if (!ComponentState().Contains(csLoading))
    SetBounds(Left(), Top(), Height(), Width());
  else
    FViewInfo->Calculate();
  Invalidate();
}

void TvxScrollBar::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  bool changed = ALeft != Left() || ATop != Top() || AWidth != Width() || AHeight != Height();
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (changed && AWidth > 0 && AHeight > 0 && FViewInfo) {
    FBitmap->SetSize(AWidth, AHeight);
    FViewInfo->Calculate();
  }
}

void TvxScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TvxScrollBar::DrawScrollBar(TvxCanvas* ACanvas) {
  DoDrawBackground(ACanvas, TRect{0, 0, Width(), Height()});
  DrawPart(ACanvas, FViewInfo->TopLeftArrowRect(), sbpLineUp);
  DrawPart(ACanvas, FViewInfo->BottomRightArrowRect(), sbpLineDown);
  if (!RectEmpty(FViewInfo->ThumbnailRect())) DrawPart(ACanvas, FViewInfo->ThumbnailRect(), sbpThumbnail);
  if (!RectEmpty(FViewInfo->PageUpRect())) DrawPart(ACanvas, FViewInfo->PageUpRect(), sbpPageUp);
  if (!RectEmpty(FViewInfo->PageDownRect())) DrawPart(ACanvas, FViewInfo->PageDownRect(), sbpPageDown);
}

void TvxScrollBar::DoDrawBackground(TvxCanvas* ACanvas, const TRect& R) {
  Painter()->DrawScrollBarBackground(ACanvas, R, FKind == sbHorizontal);
}

void TvxScrollBar::DoDrawPart(TvxCanvas* ACanvas, const TRect& R, TvxScrollBarPart APart, TvxButtonState AState) {
  TRect r = R;
  Painter()->DrawScrollBarPart(ACanvas, FKind == sbHorizontal, r, APart, AState);
}

void TvxScrollBar::DrawPart(TvxCanvas* ACanvas, const TRect& R, TvxScrollBarPart APart) {
  DoDrawPart(ACanvas, R, APart, GetPartState(APart));
}

bool TvxScrollBar::IsHotTrack() { return Painter()->IsButtonHotTrack(); }

void TvxScrollBar::Scroll(TScrollCode AScrollCode, Integer& AScrollPos) {
  if (OnScroll) OnScroll(this, AScrollCode, AScrollPos);
}

Integer TvxScrollBar::GetMinThumbnailSize() { return Painter()->ScrollBarMinimalThumbSize(true); }

void TvxScrollBar::Paint() {
  if (Width() <= 0 || Height() <= 0) return;
  if (FBitmap->Width() != Width() || FBitmap->Height() != Height()) FBitmap->SetSize(Width(), Height());
  DrawScrollBar(FvxCanvas.get());
  BitBlt(Canvas()->Handle(), 0, 0, FBitmap->Width(), FBitmap->Height(), FBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
}

TvxScrollBarPart TvxScrollBar::GetPartAt(const TPoint& P) {
  TRect client{0, 0, Width(), Height()};
  if (!PtInRect(&client, P)) return sbpNone;
  if (PtInRect(&FViewInfo->TopLeftArrowRect(), P)) return sbpLineUp;
  if (PtInRect(&FViewInfo->BottomRightArrowRect(), P)) return sbpLineDown;
  if (RectEmpty(FViewInfo->ThumbnailRect())) return sbpNone;
  if (PtInRect(&FViewInfo->ThumbnailRect(), P)) return sbpThumbnail;
  if (PtInRect(&FViewInfo->PageUpRect(), P)) return sbpPageUp;
  if (PtInRect(&FViewInfo->PageDownRect(), P)) return sbpPageDown;
  return sbpNone;
}

TvxButtonState TvxScrollBar::GetPartState(TvxScrollBarPart APart) {
  if (!Enabled()) return vxbsDisabled;
  if (APart == sbpThumbnail && !IsHotTrack()) return vxbsNormal;
  if (APart != FState.HotPart) return vxbsNormal;
  if (FState.PressedPart == sbpNone) return IsDesigning() ? vxbsNormal : vxbsHot;
  return FState.PressedPart == APart ? vxbsPressed : vxbsNormal;
}

Integer TvxScrollBar::GetPositionFromThumbnail() {
  Integer R = FMax - FMin;
  if (FPageSize > 0) R -= FPageSize - 1;
  const TRect& th = FViewInfo->ThumbnailRect();
  Integer track, offset;
  if (FKind == sbHorizontal) {
    track = FViewInfo->BottomRightArrowRect().left - FViewInfo->TopLeftArrowRect().right - (th.right - th.left);
    offset = th.left - FViewInfo->TopLeftArrowRect().right;
  } else {
    track = FViewInfo->BottomRightArrowRect().top - FViewInfo->TopLeftArrowRect().bottom - (th.bottom - th.top);
    offset = th.top - FViewInfo->TopLeftArrowRect().bottom;
  }
  // A thumb that fills the track, or a page covering the range, has nowhere to move.
  if (track <= 0 || R <= 0) return FMin;
  return MulDiv(R, offset, track) + FMin;
}

void TvxScrollBar::DoScroll(TScrollCode AScrollCode) {
  Integer pos = FPosition;
  switch (AScrollCode) {
    case scLineUp: pos -= FSmallChange; break;
    case scLineDown: pos += FSmallChange; break;
    case scPageUp: pos -= FLargeChange; break;
    case scPageDown: pos += FLargeChange; break;
    case scTop: pos = FMin; break;
    case scBottom: pos = FMax; break;
    default: break;
  }
  pos = std::clamp(pos, FMin, FMax);
  Scroll(AScrollCode, pos);
  pos = std::clamp(pos, FMin, FMax);
  if (pos != FPosition) {
    if (AScrollCode == scTrack) {
      FPosition = pos;
      Repaint();
    } else {
      SetPosition(pos);
    }
  }
}

void TvxScrollBar::ScrollByPart(TvxScrollBarPart APart) {
  switch (APart) {
    case sbpLineUp: DoScroll(scLineUp); break;
    case sbpLineDown: DoScroll(scLineDown); break;
    case sbpThumbnail: DoScroll(scTrack); break;
    case sbpPageUp: DoScroll(scPageUp); break;
    case sbpPageDown: DoScroll(scPageDown); break;
    default: break;
  }
}

void TvxScrollBar::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  TvxScrollBarPart part = GetPartAt(TPoint{X, Y});
  if (part == sbpNone) return;
  if (part == sbpThumbnail) {
    FDownMousePos = TPoint{X, Y};
    FSavePosition = FPosition;
    FSaveThumbnailPos = TPoint{FViewInfo->ThumbnailRect().left, FViewInfo->ThumbnailRect().top};
    DoScroll(scTrack);
  }
  FState.PressedPart = part;
  FState.HotPart = part;
  if (IsArrowOrPage(part)) {
    ScrollByPart(part);
    FTimer->SetInterval(FirstRepeatDelay);
    FTimer->SetEnabled(true);
  }
  Repaint();
}

void TvxScrollBar::RepeatTimerHandler(TObject*) {
  if (MouseCapture() && IsArrowOrPage(FState.PressedPart)) {
    if (FTimer->Interval() == FirstRepeatDelay) FTimer->SetInterval(RepeatInterval);
    ScrollByPart(FState.PressedPart);
    FTimer->SetEnabled(GetPartAt(ScreenToClient(vxGetMouseCursorPos())) == FState.PressedPart);
  } else {
    CancelPress();
  }
}

void TvxScrollBar::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (FState.PressedPart != sbpThumbnail) {
    TvxScrollBarPart part = GetPartAt(TPoint{X, Y});
    if (FState.PressedPart != sbpNone) {
      bool over = part == FState.PressedPart;
      if (over && !FTimer->Enabled()) FTimer->SetInterval(RepeatInterval);
      FTimer->SetEnabled(over);
    }
    if (part != FState.HotPart) {
      FState.HotPart = part;
      if (IsHotTrack()) Repaint();
    }
    return;
  }
  const bool horz = FKind == sbHorizontal;
  TRect tracking = horz ? TRect{-TrackingAlong, -TrackingAcross, Width() + TrackingAlong, Height() + TrackingAcross}
                        : TRect{-TrackingAcross, -TrackingAlong, Width() + TrackingAcross, Height() + TrackingAlong};
  TPoint p{X, Y};
  if (!FUnlimitedTracking && !PtInRect(&tracking, p)) {
    if (FSavePosition != FPosition) {
      SetPosition(FSavePosition);
      DoScroll(scTrack);
    }
    return;
  }
  const TRect& th = FViewInfo->ThumbnailRect();
  const Integer thumb = horz ? th.right - th.left : th.bottom - th.top;
  const Integer trackStart = horz ? FViewInfo->TopLeftArrowRect().right : FViewInfo->TopLeftArrowRect().bottom;
  const Integer trackEnd = horz ? FViewInfo->BottomRightArrowRect().left : FViewInfo->BottomRightArrowRect().top;
  const Integer save = horz ? FSaveThumbnailPos.x : FSaveThumbnailPos.y;
  Integer d = horz ? X - FDownMousePos.x : Y - FDownMousePos.y;
  if (d == 0 && (horz ? th.left : th.top) == save) return;
  if (d < 0 && save + d < trackStart) d = trackStart - save;
  if (d > 0 && save + thumb + d > trackEnd) d = trackEnd - (thumb + save);
  FViewInfo->SetThumbnailPos(save + d);
  FViewInfo->AdjustPageRects();
  Repaint();
  Integer pos = GetPositionFromThumbnail();
  if (pos != FPosition) {
    FPosition = pos;
    DoScroll(scTrack);
  }
}

void TvxScrollBar::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  CancelPress();
  FState.HotPart = GetPartAt(TPoint{X, Y});
}

void TvxScrollBar::CancelPress() {
  if (FState.PressedPart == sbpNone) return;
  if (FState.PressedPart == sbpThumbnail) {
    FPosition = GetPositionFromThumbnail();
    DoScroll(scPosition);
  }
  FTimer->SetEnabled(false);
  FState.PressedPart = sbpNone;
  FState.HotPart = sbpNone;
  DoScroll(scEndScroll);
  FViewInfo->CalculateThumbnailRect();
  Invalidate();
}

void TvxScrollBar::MouseEnter(TControl*) {
  if (IsHotTrack() || IsArrowOrPage(FState.PressedPart)) Repaint();
}

void TvxScrollBar::MouseLeave(TControl*) {
  if (FState.PressedPart == sbpThumbnail) return;
  FState.HotPart = sbpNone;
  Invalidate();
}

void TvxScrollBar::LookAndFeelChanged(TvxLookAndFeel*, TvxLookAndFeelValues) {
  FViewInfo->CalculateMinThumnailSize();
  FViewInfo->Calculate();
  Invalidate();
}

void TvxScrollBar::ThemeChanged() {
  FViewInfo->CalculateMinThumnailSize();
  FViewInfo->Calculate();
  vxUpdateScrollBarBitmaps();
  Invalidate();
  if (Parent()) Parent()->Realign();
}

void TvxScrollBar::WMEraseBkgnd(TWMEraseBkgnd& Message) { Message.Result = 1; }

void TvxScrollBar::WMCancelMode(TWMNoParams& Message) {
  CancelPress();
  InheritedMessage(Message);
}

void TvxScrollBar::CMVisibleChanged(TCMVisibleChanged& Message) {
  if (!Message.Visible()) CancelPress();
  InheritedMessage(Message);
}

void TvxScrollBar::CMEnabledChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  FViewInfo->Calculate();
  if (!Enabled()) CancelPress();
  Invalidate();
}

void TvxScrollBar::CMMouseEnter(TCMMouseEnterLeave& Message) {
  InheritedMessage(Message);
  MouseEnter(Message.Control());
}

void TvxScrollBar::CMMouseLeave(TCMMouseEnterLeave& Message) {
  InheritedMessage(Message);
  MouseLeave(Message.Control());
}

void TvxScrollBar::CMSysColorChange(TCMNoParams& Message) {
  vxUpdateScrollBarBitmaps();
  InheritedMessage(Message);
}

void TvxScrollBar::CNScroll(TWMScroll& Message) { DoScroll(static_cast<TScrollCode>(Message.ScrollCode())); }

void TvxScrollBar::CNCtlColorScrollBar(TMessage& Message) {
  vxUpdateScrollBarBitmaps();
  if (HandleAllocated()) Message.Result = DefWindowProcW(Handle(), Message.Msg, Message.WParam, Message.LParam);
}
