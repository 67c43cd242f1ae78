#include "vxContainerRoutines.h"

#include "SysUtils.h"
#include "vdUxTheme.h"

namespace {

using TGetScrollBarInfoFunc = BOOL(WINAPI*)(HWND, LONG, PSCROLLBARINFO);

TGetScrollBarInfoFunc FGetScrollBarInfo = nullptr;
bool FScrollBarInfoAvailable = false;

// The shadow colour; a unit-level value that stays the system's button shadow.
const TColor FShadowColor = clBtnShadow;

// The four strips of the frame between AOuter and a non-empty AInner.
void FrameStrips(const TRect& AOuter, const TRect& AInner, TRect (&AStrips)[4]) {
  AStrips[0] = TRect{AOuter.left, AOuter.top, AInner.left, AOuter.bottom};
  AStrips[1] = TRect{AInner.left, AOuter.top, AInner.right, AInner.top};
  AStrips[2] = TRect{AInner.right, AOuter.top, AOuter.right, AOuter.bottom};
  AStrips[3] = TRect{AInner.left, AInner.bottom, AInner.right, AOuter.bottom};
}

bool BufferedPaintAvailable() {
  using namespace vdUxTheme;
  return Function(fnBeginBufferedPaint) && Function(fnEndBufferedPaint) && Function(fnBufferedPaintSetAlpha);
}

void PaintWindowInto(HWND AWnd, HDC ADC) {
  SendMessageW(AWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ADC), 0);
  SendMessageW(AWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(ADC), PRF_CLIENT);
}

void InitContainerRoutines() { vxUpdateScrollBarInfoBinding(); }

void FinContainerRoutines() {
  FGetScrollBarInfo = nullptr;
  FScrollBarInfoAvailable = false;
}

}  // namespace

// --- Drawing -----------------------------------------------------------------------------------

void vxDrawContainerShadow(TvxCanvas* ACanvas, const TRect& R) {
  const Integer w = vxContainerShadowWidth;
  const TRect strips[2] = {TRect{R.left + w, R.bottom, R.right, R.bottom + w},
                           TRect{R.right, R.top + w, R.right + w, R.bottom + w}};
  for (const TRect& strip : strips) {
    ACanvas->FillRect(strip, FShadowColor);
    ACanvas->ExcludeClipRect(strip);
  }
}

void vxDrawContainerFrameBackground(TvxCanvas* ACanvas, TWinControl* AControl, const TRect& ABounds,
                                    Integer AFrameWidth, const TRect& AInnerRect) {
  TvxClipRegionScope clip(ACanvas);
  ACanvas->IntersectClipRect(ABounds);
  TRect inner = AInnerRect;
  InflateRect(&inner, AFrameWidth, AFrameWidth);
  ACanvas->ExcludeClipRect(inner);
  if (ACanvas->RectVisible(ABounds)) vxDrawTransparentControlBackground(AControl, ACanvas, ABounds);
}

void vxFillRectFrame(TvxCanvas* ACanvas, const TRect& AOuter, const TRect& AInner, TColor AColor) {
  if (IsRectEmpty(&AOuter) || EqualRect(&AOuter, &AInner)) return;
  if (IsRectEmpty(&AInner)) {
    ACanvas->FillRect(AOuter, AColor);
    return;
  }
  TRect strips[4];
  FrameStrips(AOuter, AInner, strips);
  for (const TRect& strip : strips) ACanvas->FillRect(strip, AColor);
}

void vxInvalidateRectFrame(HWND AWnd, const TRect& AOuter, const TRect& AInner, bool AErase) {
  if (IsRectEmpty(&AInner)) {
    InvalidateRect(AWnd, &AOuter, AErase);
    return;
  }
  TRect strips[4];
  FrameStrips(AOuter, AInner, strips);
  for (const TRect& strip : strips) InvalidateRect(AWnd, &strip, AErase);
}

void vxInvalidateWinControlRect(TWinControl* AControl, const TRect& R, bool AErase) {
  if (AControl && AControl->HandleAllocated()) InvalidateRect(AControl->Handle(), &R, AErase);
}

// --- Geometry ----------------------------------------------------------------------------------

TRect vxControlSizeRect(TControl* AControl) { return TRect{0, 0, AControl->Width(), AControl->Height()}; }

void vxRectExtendByEdges(TRect& R, Integer AWidth, TvxBorders AEdges) {
  if (AEdges.Contains(bLeft)) R.left -= AWidth;
  if (AEdges.Contains(bTop)) R.top -= AWidth;
  if (AEdges.Contains(bRight)) R.right += AWidth;
  if (AEdges.Contains(bBottom)) R.bottom += AWidth;
}

void vxRectShrinkOutsideEdges(TRect& R, Integer AWidth, TvxBorders AEdges) {
  if (!AEdges.Contains(bLeft)) R.left += AWidth;
  if (!AEdges.Contains(bTop)) R.top += AWidth;
  if (!AEdges.Contains(bRight)) R.right -= AWidth;
  if (!AEdges.Contains(bBottom)) R.bottom -= AWidth;
}

Integer vxContainerBorderWidth(TvxContainerBorderStyle ABorderStyle) {
  switch (ABorderStyle) {
    case cbsNone:
      return 0;
    case cbsThick:
    case cbsFlat:
    case cbs3D:
      return 2;
    case cbsSingle:
    case cbsUltraFlat:
    case cbsOffice11:
    default:
      return 1;
  }
}

Integer vxLookAndFeelBorderWidth(TvxLookAndFeelKind AKind) {
  switch (AKind) {
    case lfFlat:
    case lfStandard:
      return 2;
    case lfUltraFlat:
    case lfOffice11:
    default:
      return 1;
  }
}

TvxMouseButton vxMouseButtonToVx(TMouseButton AButton) {
  switch (AButton) {
    case mbLeft:
      return vxmbLeft;
    case mbRight:
      return vxmbRight;
    case mbMiddle:
      return vxmbMiddle;
  }
  return vxmbNone;
}

// --- Window shadow region ----------------------------------------------------------------------

std::unique_ptr<TvxRegion> vxBuildShadowRegion(HWND AWnd, const TRect& ABounds, const TRect& AExtent,
                                               const TRect& AExclude, bool AShadow, bool ANativeBorder) {
  (void)AWnd;
  if (!AShadow || ANativeBorder) return nullptr;
  auto region = std::make_unique<TvxRegion>(ABounds);
  TRect shadow = ABounds;
  OffsetRect(&shadow, vxContainerShadowWidth, vxContainerShadowWidth);
  shadow.left += AExtent.left;
  shadow.top += AExtent.top;
  shadow.right -= AExtent.right;
  shadow.bottom -= AExtent.bottom;
  region->Combine(new TvxRegion(shadow), roAdd);
  if (!IsRectEmpty(&AExclude)) region->Combine(new TvxRegion(AExclude), roSubtract);
  return region;
}

void vxSetWindowShadowRegion(HWND AWnd, const TRect& ABounds, const TRect& AExtent, const TRect& AExclude,
                             bool AShadow, bool ANativeBorder) {
  std::unique_ptr<TvxRegion> region = vxBuildShadowRegion(AWnd, ABounds, AExtent, AExclude, AShadow, ANativeBorder);
  TvxRegion current;
  const int kind = GetWindowRgn(AWnd, current.Handle());
  const bool hasRegion = kind == SIMPLEREGION || kind == COMPLEXREGION;
  if (!region && !hasRegion) return;
  if (region && hasRegion && region->IsEqual(&current)) return;
  HRGN handed = nullptr;
  if (region) {
    // The system owns the region it is given: it gets a copy, this one stays ours.
    handed = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(handed, region->Handle(), nullptr, RGN_COPY);
  }
  if (!SetWindowRgn(AWnd, handed, TRUE) && handed) DeleteObject(handed);
}

// --- Buffered painting ---------------------------------------------------------------------------

void vxBufferedPaintWindow(HDC ADC, const TRect& R, HWND AWnd) {
  HDC memoryDC = nullptr;
  HPAINTBUFFER buffer =
      BufferedPaintAvailable() ? vdUxTheme::BeginBufferedPaint(ADC, &R, BPBF_TOPDOWNDIB, nullptr, &memoryDC) : nullptr;
  if (!buffer) {
    PaintWindowInto(AWnd, ADC);
    return;
  }
  // The buffer is made opaque and copied to its target also when the window's painting
  // raised; the caret is hidden while the copy overwrites it.
  TScopeExit finish([&] {
    vdUxTheme::BufferedPaintSetAlpha(buffer, &R, 255);
    HideCaret(AWnd);
    TScopeExit caret([&] { ShowCaret(AWnd); });
    vdUxTheme::EndBufferedPaint(buffer, TRUE);
  });
  PaintWindowInto(AWnd, memoryDC);
}

void vxPaintWindowBuffered(HWND AWnd) {
  TPaintDC paint(AWnd);
  vxBufferedPaintWindow(paint.DC(), paint.Rect(), AWnd);
}

void vxRepaintWindowBuffered(HWND AWnd) {
  TWindowDC dc(AWnd);
  TRect r{};
  GetClientRect(AWnd, &r);
  vxBufferedPaintWindow(dc.DC(), r, AWnd);
}

// --- Windows and messages ------------------------------------------------------------------------

bool vxIsControlWindowVisible(TWinControl* AControl) {
  return AControl && AControl->HandleAllocated() && IsWindowVisible(AControl->Handle());
}

HWND vxGetNonChildAncestor(HWND AWnd) {
  while (AWnd && (GetWindowLongW(AWnd, GWL_STYLE) & WS_CHILD)) AWnd = GetParent(AWnd);
  return AWnd;
}

bool vxHasPendingMessage(HWND AWnd, UINT AMsg) {
  MSG msg{};
  return PeekMessageW(&msg, AWnd, AMsg, AMsg, PM_NOREMOVE) && msg.hwnd == AWnd;
}

bool vxRemovePendingMessages(HWND AWnd, UINT AMsgMin, UINT AMsgMax, bool AAll) {
  bool removed = false;
  MSG msg{};
  while (PeekMessageW(&msg, AWnd, AMsgMin, AMsgMax, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The quit request belongs to the message loop: it goes back to the queue.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    removed = true;
    if (!AAll) break;
  }
  return removed;
}

void vxUpdateScrollBarInfoBinding() {
  HMODULE user32 = GetModuleHandleW(L"User32");
  FGetScrollBarInfo = user32 ? reinterpret_cast<TGetScrollBarInfoFunc>(
                                   reinterpret_cast<void*>(GetProcAddress(user32, "GetScrollBarInfo")))
                             : nullptr;
  FScrollBarInfoAvailable = FGetScrollBarInfo != nullptr;
}

static_assert(sizeof(SCROLLBARINFO) == 60, "the scroll-bar record is 60 bytes on every target");

bool vxSafeGetScrollBarInfo(HWND AWnd, LONG AObjectId, SCROLLBARINFO& AInfo) {
  AInfo.cbSize = sizeof(SCROLLBARINFO);
  return FScrollBarInfoAvailable && FGetScrollBarInfo(AWnd, AObjectId, &AInfo);
}

bool vxIsScrollBarInfoAvailable() { return FScrollBarInfoAvailable; }

bool vxIsThemeUsable(bool AFlag, TvdThemedObjectType AType) { return AFlag && vdOpenThemeByType(AType) != nullptr; }

void vxQueryCursorPos(TPoint& P) { GetCursorPos(&P); }

TShiftState vxCurrentShiftState() { return KeyboardStateToShiftState(); }

bool vxSameStrings(const String& S1, const String& S2, bool ACaseSensitive) {
  if (ACaseSensitive) return AnsiCompareStr(S1, S2) == 0;
  return AnsiUpperCase(S1) == AnsiUpperCase(S2);
}

void vxAssignFont(TFont* ADest, TFont* ASource) { ADest->Assign(ASource); }

void TWinControlAccess_::RecreateWnd_(TWinControl* AControl) { AControl->RecreateWnd(); }

const TUnitInfo vxContainerRoutinesUnit = {L"vxContainerRoutines", InitContainerRoutines, FinContainerRoutines};
