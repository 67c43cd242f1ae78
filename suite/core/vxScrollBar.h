// A scroll bar drawn by the look-and-feel painter: two arrow buttons, a proportional
// thumb and two page areas, with hot tracking, auto-repeat and thumb dragging.
#pragma once

#include <windows.h>

#include <memory>

#include "Controls.h"
#include "Graphics.h"
#include "StdCtrls.h"
#include "vdThemeManager.h"
#include "vxGeometry.h"
#include "vxGraphics.h"
#include "vxLookAndFeelPainters.h"
#include "vxLookAndFeels.h"

class TvxTimer;
class TvxScrollBar;

using TScrollBarInc = SmallInt;

// The system scroll bar sizes: cx the vertical bar's width, cy the horizontal bar's height.
TSize vxGetDefaultScrollBarSize();

struct TvxScrollBarState {
  TvxScrollBarPart PressedPart = sbpNone;
  TvxScrollBarPart HotPart = sbpNone;
};

// The rectangles of a bar's parts.
class TvxScrollBarViewInfo : public TObject {
  DECLARE_CLASS(TvxScrollBarViewInfo, TObject)
 public:
  explicit TvxScrollBarViewInfo(TvxScrollBar* AScrollBar);
  virtual void CalculateRects();
  void Calculate() { CalculateRects(); }
  void AdjustPageRects();
  void CalculateMinThumnailSize();
  void CalculateThumbnailRect();
  void SetThumbnailPos(Integer APos);

  const TRect& BottomRightArrowRect() const { return FBottomRightArrowRect; }
  const TRect& PageDownRect() const { return FPageDownRect; }
  const TRect& PageUpRect() const { return FPageUpRect; }
  TvxScrollBar* ScrollBar() const { return FScrollBar; }
  const TRect& ThumbnailRect() const { return FThumbnailRect; }
  Integer ThumbnailSize() const { return FThumbnailSize; }
  const TRect& TopLeftArrowRect() const { return FTopLeftArrowRect; }

 protected:
  TRect FBottomRightArrowRect{};
  TRect FPageDownRect{};
  TRect FPageUpRect{};
  TvxScrollBar* FScrollBar;
  TRect FThumbnailRect{};
  Integer FThumbnailSize = 0;
  TRect FTopLeftArrowRect{};
};

class TvxScrollBar : public TCustomControl {
  DECLARE_CLASS(TvxScrollBar, TCustomControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxScrollBar(TComponent* AOwner);
  ~TvxScrollBar() override;

  void SetScrollParams(Integer AMin, Integer AMax, Integer APosition, Integer APageSize, bool ARedraw = true);
  void SetParams(Integer APosition, Integer AMin, Integer AMax);
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

  TScrollBarKind Kind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  TScrollBarInc LargeChange() const { return FLargeChange; }
  void SetLargeChange(TScrollBarInc Value) { FLargeChange = Value; }
  TScrollBarInc SmallChange() const { return FSmallChange; }
  void SetSmallChange(TScrollBarInc Value) { FSmallChange = Value; }
  TvxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  void SetLookAndFeel(TvxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }
  Integer Max() const { return FMax; }
  void SetMax(Integer Value) { SetScrollParams(FMin, Value, FPosition, FPageSize); }
  Integer Min() const { return FMin; }
  void SetMin(Integer Value) { SetScrollParams(Value, FMax, FPosition, FPageSize); }
  Integer PageSize() const { return FPageSize; }
  void SetPageSize(Integer Value) { SetScrollParams(FMin, FMax, FPosition, Value); }
  Integer Position() const { return FPosition; }
  void SetPosition(Integer Value) { SetScrollParams(FMin, FMax, Value, FPageSize); }
  bool UnlimitedTracking() const { return FUnlimitedTracking; }
  void SetUnlimitedTracking(bool Value) { FUnlimitedTracking = Value; }
  const TvxScrollBarState& State() const { return FState; }
  TvxScrollBarViewInfo* ViewInfo() const { return FViewInfo.get(); }
  TvxTimer* RepeatTimer() const { return FTimer.get(); }
  TvxCustomLookAndFeelPainterClass Painter() const;

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

  // Part under a client point.
  TvxScrollBarPart GetPartAt(const TPoint& P);
  TvxButtonState GetPartState(TvxScrollBarPart APart);
  Integer GetPositionFromThumbnail();
  void DoScroll(TScrollCode AScrollCode);
  void ScrollByPart(TvxScrollBarPart APart);
  void CancelPress();

  virtual void Change();
  virtual TvxScrollBarViewInfo* CreateViewInfo() { return new TvxScrollBarViewInfo(this); }
  virtual void DrawScrollBar(TvxCanvas* ACanvas);
  virtual void DoDrawBackground(TvxCanvas* ACanvas, const TRect& R);
  virtual void DoDrawPart(TvxCanvas* ACanvas, const TRect& R, TvxScrollBarPart APart, TvxButtonState AState);
  virtual void DrawPart(TvxCanvas* ACanvas, const TRect& R, TvxScrollBarPart APart);
  virtual bool IsHotTrack();
  virtual void Scroll(TScrollCode AScrollCode, Integer& AScrollPos);
  virtual Integer GetMinThumbnailSize();
  virtual void MouseEnter(TControl* AControl);
  virtual void MouseLeave(TControl* AControl);

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  virtual void LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues);
  void ThemeChanged();
  void RepeatTimerHandler(TObject* Sender);
  bool IsDesigning() const { return ComponentState().Contains(csDesigning); }

  void WMEraseBkgnd(TWMEraseBkgnd& Message);
  void WMCancelMode(TWMNoParams& Message);
  void CMVisibleChanged(TCMVisibleChanged& Message);
  void CMEnabledChanged(TCMNoParams& Message);
  void CMMouseEnter(TCMMouseEnterLeave& Message);
  void CMMouseLeave(TCMMouseEnterLeave& Message);
  void CMSysColorChange(TCMNoParams& Message);
  void CNScroll(TWMScroll& Message);
  void CNCtlColorScrollBar(TMessage& Message);

  friend class TvxScrollBarViewInfo;
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TvxCanvas> FvxCanvas;
  TPoint FDownMousePos{0, 0};
  TScrollBarKind FKind = sbHorizontal;
  TScrollBarInc FLargeChange = 1;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  Integer FMax = 100;
  Integer FMin = 0;
  Integer FPageSize = 0;
  Integer FPosition = 0;
  Integer FSavePosition = 0;
  TPoint FSaveThumbnailPos{0, 0};
  TScrollBarInc FSmallChange = 1;
  std::unique_ptr<TvdThemeChangedNotificator> FThemeChangedNotificator;
  std::unique_ptr<TvxTimer> FTimer;
  bool FUnlimitedTracking = false;
  TvxScrollBarState FState;
  std::unique_ptr<TvxScrollBarViewInfo> FViewInfo;
};
