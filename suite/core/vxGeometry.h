// Rectangle and point arithmetic of the component suite, and a persistent rectangle
// that reports its changes. Rectangles are half-open: Right and Bottom lie outside.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "Persistent.h"
#include "TypInfo.h"
#include "SysInit.h"
#include "System.h"

using TRect = RECT;
using TPoint = POINT;
using TSize = SIZE;

extern const TRect vxZeroRect;
extern const TPoint vxZeroPoint;

bool vxRectHasNoArea(const TRect& R);
bool vxRectSame(const TRect& R1, const TRect& R2);
// R becomes the overlap of R1 and R2; False (and R = vxZeroRect) when it has no area.
bool vxRectClipTo(TRect& R, const TRect& R1, const TRect& R2);
TRect vxRectExpand(const TRect& R, Integer ALeft, Integer ATop, Integer ARight, Integer ABottom);
TRect vxRectShift(const TRect& R, Integer DX, Integer DY, bool APositive = true);
TRect vxRectShiftBySum(const TRect& R, std::initializer_list<TPoint> APoints, bool APositive = true);
bool vxRectHasPoint(const TRect& R, Integer X, Integer Y);
TRect vxRectFromPoints(const TPoint& P1, const TPoint& P2);
TRect vxRectSetLeftWidth(const TRect& R, Integer X, Integer W);
TRect vxRectSetTopHeight(const TRect& R, Integer Y, Integer H);
TRect vxRectSetRightWidth(const TRect& R, Integer X, Integer W);
TRect vxRectCenteredIn(const TRect& R, Integer W, Integer H);
TPoint vxPointShift(const TPoint& P, Integer DX, Integer DY, bool APositive = true);
TPoint vxMakePoint(Integer X, Integer Y);
TPoint vxPointTotal(std::initializer_list<TPoint> APoints);

// A persistent rectangle that fires OnChange once per real change.
class TvxRect : public TPersistent {
  DECLARE_CLASS(TvxRect, TPersistent)
  PUBLISHED(TvxRect)
 public:
  using TCreateArg = TPersistent*;
  explicit TvxRect(TPersistent* AOwner = nullptr) : FOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return FOwner; }

  bool IsEmpty() const { return vxRectHasNoArea(FRect); }
  bool IsEqual(const TRect& ARect) const { return vxRectSame(FRect, ARect); }
  bool IsEqual(const TvxRect* ARect) const { return ARect && vxRectSame(FRect, ARect->FRect); }

  const TRect& Rect() const { return FRect; }
  void SetRect(const TRect& Value);
  TRect* Data() { return &FRect; }
  Integer Left() const { return FRect.left; }
  Integer Top() const { return FRect.top; }
  Integer Right() const { return FRect.right; }
  Integer Bottom() const { return FRect.bottom; }
  void SetLeft(Integer Value);
  void SetTop(Integer Value);
  void SetRight(Integer Value);
  void SetBottom(Integer Value);
  Integer Width() const { return FRect.right - FRect.left; }
  Integer Height() const { return FRect.bottom - FRect.top; }
  void SetWidth(Integer Value);
  void SetHeight(Integer Value);
  TPoint TopLeft() const { return {FRect.left, FRect.top}; }
  TPoint TopRight() const { return {FRect.right, FRect.top}; }
  TPoint BottomLeft() const { return {FRect.left, FRect.bottom}; }
  TPoint BottomRight() const { return {FRect.right, FRect.bottom}; }
  void SetTopLeft(const TPoint& Value);
  void SetTopRight(const TPoint& Value);
  void SetBottomLeft(const TPoint& Value);
  void SetBottomRight(const TPoint& Value);

  TNotifyEvent OnChange;

 protected:
  // Lets a descendant correct a proposed rectangle before it is stored.
  virtual void AdjustNewRect(TRect& ARect) {}
  virtual void Changed();

 private:
  TPersistent* FOwner;
  TRect FRect{0, 0, 0, 0};
};

extern const TUnitInfo vxGeometryUnit;
