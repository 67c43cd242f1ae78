// Rectangle and point arithmetic of the component suite, and a persistent rectangle
// that reports its changes. Rectangles are half-open: Right and Bottom lie outside.
#pragma once

#include <windows.h>

#include <initializer_list>

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

extern const TUnitInfo vxGeometryUnit;
