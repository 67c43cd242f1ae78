// Free routines of the container family: the shared container enumerations, border
// widths, the 3-pixel shadow and the window region that goes with it, frame filling and
// invalidation, buffered painting of a window (for controls on glass), message-queue
// helpers, string comparison and small conversions.
#pragma once

#include <windows.h>

#include <memory>

#include "Controls.h"
#include "Graphics.h"
#include "SysInit.h"
#include "System.h"
#include "vdThemeManager.h"
#include "vxGraphics.h"
#include "vxLookAndFeels.h"

// --- Shared enumerations ---------------------------------------------------------------------

enum TvxContainerStateItem { csNormal, csActive, csDisabled, csHotTrack };
ENUM_TYPEINFO(TvxContainerStateItem, csNormal, csActive, csDisabled, csHotTrack)
using TvxContainerState = Set<TvxContainerStateItem, 8>;

enum TvxContainerBorderStyle { cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11 };
ENUM_TYPEINFO(TvxContainerBorderStyle, cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11)

enum TvxContainerHotState { chsNoHotTrack, chsNormal, chsSelected };

// The index of a style value (0..31); descendants of the container style number their
// own values after the ten of the base.
using TvxContainerStyleValue = Integer;
using TvxContainerStyleValues = Set<TvxContainerStyleValue, 32>;

constexpr TvxContainerStyleValue csvBorderColor = 0;
constexpr TvxContainerStyleValue csvBorderStyle = 1;
constexpr TvxContainerStyleValue csvColor = 2;
constexpr TvxContainerStyleValue csvEdges = 3;
constexpr TvxContainerStyleValue csvFont = 4;
constexpr TvxContainerStyleValue csvHotTrack = 5;
constexpr TvxContainerStyleValue csvShadow = 6;
constexpr TvxContainerStyleValue csvTextColor = 7;
constexpr TvxContainerStyleValue csvTextStyle = 8;
constexpr TvxContainerStyleValue csvTransparentBorder = 9;

enum TvxMouseButton { vxmbNone, vxmbLeft, vxmbRight, vxmbMiddle };

// Width in pixels of the container shadow, drawn below and right of the border.
constexpr Integer vxContainerShadowWidth = 3;

// --- Drawing -----------------------------------------------------------------------------------

// Fills the shadow strips below and right of R (each offset by the shadow width) and
// removes each from the canvas clipping once painted.
void vxDrawContainerShadow(TvxCanvas* ACanvas, const TRect& R);
// Paints what lies behind AControl into the part of ABounds outside AInnerRect inflated
// by AFrameWidth; the canvas clipping is the same afterwards.
void vxDrawContainerFrameBackground(TvxCanvas* ACanvas, TWinControl* AControl, const TRect& ABounds,
                                    Integer AFrameWidth, const TRect& AInnerRect);
// Fills the frame between AOuter and AInner: nothing when AOuter is empty or equals
// AInner, all of AOuter when AInner is empty.
void vxFillRectFrame(TvxCanvas* ACanvas, const TRect& AOuter, const TRect& AInner, TColor AColor);
// Invalidates the same frame in a window.
void vxInvalidateRectFrame(HWND AWnd, const TRect& AOuter, const TRect& AInner, bool AErase);
void vxInvalidateWinControlRect(TWinControl* AControl, const TRect& R, bool AErase);

// --- Geometry ----------------------------------------------------------------------------------

TRect vxControlSizeRect(TControl* AControl);
// Moves each side in AEdges outwards by AWidth.
void vxRectExtendByEdges(TRect& R, Integer AWidth, TvxBorders AEdges);
// Moves each side not in AEdges inwards by AWidth.
void vxRectShrinkOutsideEdges(TRect& R, Integer AWidth, TvxBorders AEdges);
Integer vxContainerBorderWidth(TvxContainerBorderStyle ABorderStyle);
Integer vxLookAndFeelBorderWidth(TvxLookAndFeelKind AKind);
TvxMouseButton vxMouseButtonToVx(TMouseButton AButton);

// --- Window shadow region ----------------------------------------------------------------------

// The window region of a container with a shadow: ABounds united with ABounds moved by
// the shadow width, whose left and top move right and down by AExtent.Left/Top and whose
// right and bottom move left and up by AExtent.Right/Bottom; AExclude (when not empty)
// is cut out. No region unless AShadow is set and ANativeBorder is not.
std::unique_ptr<TvxRegion> vxBuildShadowRegion(HWND AWnd, const TRect& ABounds, const TRect& AExtent,
                                               const TRect& AExclude, bool AShadow, bool ANativeBorder);
// Gives the window that region when it differs from the window's present one. A window
// without a region that gets none is left alone.
void vxSetWindowShadowRegion(HWND AWnd, const TRect& ABounds, const TRect& AExtent, const TRect& AExclude,
                             bool AShadow, bool ANativeBorder);

// --- Buffered painting ---------------------------------------------------------------------------

// Paints AWnd's client area (WM_ERASEBKGND, then WM_PRINTCLIENT) through a top-down
// paint buffer over R of ADC, made opaque before it is copied out with the caret hidden.
// Without the buffered-paint functions the window paints straight into ADC.
void vxBufferedPaintWindow(HDC ADC, const TRect& R, HWND AWnd);
// The WM_PAINT handling of a window on glass: BeginPaint, the buffered paint of the
// paint rectangle, EndPaint.
void vxPaintWindowBuffered(HWND AWnd);
// The buffered paint of the whole client area on the window's own DC.
void vxRepaintWindowBuffered(HWND AWnd);

// --- Windows and messages ------------------------------------------------------------------------

bool vxIsControlWindowVisible(TWinControl* AControl);
// The first of AWnd and its parents without WS_CHILD; 0 when none.
HWND vxGetNonChildAncestor(HWND AWnd);
// A message AMsg waits in the queue for AWnd.
bool vxHasPendingMessage(HWND AWnd, UINT AMsg);
// Removes one (or, with AAll, every) pending message of the range for AWnd. A WM_QUIT met
// on the way is posted again and ends the removal. True when a message other than
// WM_QUIT was removed.
bool vxRemovePendingMessages(HWND AWnd, UINT AMsgMin, UINT AMsgMax, bool AAll = true);
// GetScrollBarInfo when the system has it (cbSize is set here); false otherwise.
bool vxSafeGetScrollBarInfo(HWND AWnd, LONG AObjectId, SCROLLBARINFO& AInfo);
bool vxIsScrollBarInfoAvailable();
// Looks GetScrollBarInfo up by name (unit start-up does it).
void vxUpdateScrollBarInfoBinding();
// AFlag is set and the theme of AType opens.
bool vxIsThemeUsable(bool AFlag, TvdThemedObjectType AType);
void vxQueryCursorPos(TPoint& P);
TShiftState vxCurrentShiftState();
bool vxSameStrings(const String& S1, const String& S2, bool ACaseSensitive = false);
void vxAssignFont(TFont* ADest, TFont* ASource);

// Reaches the window re-creation of any windowed control (spelled with trailing
// underscores where the name would start with an underscore and a capital).
struct TWinControlAccess_ {
  static void RecreateWnd_(TWinControl* AControl);
};

extern const TUnitInfo vxContainerRoutinesUnit;
