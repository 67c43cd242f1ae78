#include "vxGeometry.h"

#include <algorithm>

#include "TypInfo.h"

const TRect vxZeroRect = {0, 0, 0, 0};
const TPoint vxZeroPoint = {0, 0};

bool vxRectHasNoArea(const TRect& R) { return !(R.left < R.right && R.top < R.bottom); }

bool vxRectSame(const TRect& R1, const TRect& R2) {
  return R1.left == R2.left && R1.top == R2.top && R1.right == R2.right && R1.bottom == R2.bottom;
}

bool vxRectClipTo(TRect& R, const TRect& R1, const TRect& R2) {
  R.left = std::max(R1.left, R2.left);
  R.top = std::max(R1.top, R2.top);
  R.right = std::min(R1.right, R2.right);
  R.bottom = std::min(R1.bottom, R2.bottom);
  if (vxRectHasNoArea(R)) {
    R = vxZeroRect;
    return false;
  }
  return true;
}

TRect vxRectExpand(const TRect& R, Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) {
  return {R.left - ALeft, R.top - ATop, R.right + ARight, R.bottom + ABottom};
}

TRect vxRectShift(const TRect& R, Integer DX, Integer DY, bool APositive) {
  if (!APositive) {
    DX = -DX;
    DY = -DY;
  }
  return {R.left + DX, R.top + DY, R.right + DX, R.bottom + DY};
}

TRect vxRectShiftBySum(const TRect& R, std::initializer_list<TPoint> APoints, bool APositive) {
  TPoint P = vxPointTotal(APoints);
  return vxRectShift(R, P.x, P.y, APositive);
}

bool vxRectHasPoint(const TRect& R, Integer X, Integer Y) {
  return R.left <= X && X < R.right && R.top <= Y && Y < R.bottom;
}

TRect vxRectFromPoints(const TPoint& P1, const TPoint& P2) { return {P1.x, P1.y, P2.x, P2.y}; }

TRect vxRectSetLeftWidth(const TRect& R, Integer X, Integer W) {
  TRect Result = R;
  Result.left = X;
  Result.right = X + W;
  return Result;
}

TRect vxRectSetTopHeight(const TRect& R, Integer Y, Integer H) {
  TRect Result = R;
  Result.top = Y;
  Result.bottom = Y + H;
  return Result;
}

TRect vxRectSetRightWidth(const TRect& R, Integer X, Integer W) {
  TRect Result = R;
  Result.right = X;
  Result.left = X - W;
  return Result;
}

TRect vxRectCenteredIn(const TRect& R, Integer W, Integer H) {
  // C++ integer division truncates toward zero, which is the rule wanted here.
  TRect Result;
  Result.left = (R.left + R.right - W) / 2;
  Result.top = (R.top + R.bottom - H) / 2;
  Result.right = Result.left + W;
  Result.bottom = Result.top + H;
  return Result;
}

TPoint vxPointShift(const TPoint& P, Integer DX, Integer DY, bool APositive) {
  if (APositive) return {P.x + DX, P.y + DY};
  return {P.x - DX, P.y - DY};
}

TPoint vxMakePoint(Integer X, Integer Y) { return {X, Y}; }

TPoint vxPointTotal(std::initializer_list<TPoint> APoints) {
  TPoint Result = vxZeroPoint;
  for (const TPoint& P : APoints) {
    Result.x += P.x;
    Result.y += P.y;
  }
  return Result;
}

// --- TvxRect ---------------------------------------------------------------------------

void TvxRect::DeclarePublished(TPublisher<TvxRect>& P) {
  P.Property(L"Left", &TvxRect::Left, &TvxRect::SetLeft).Index(0).Default(0);
  P.Property(L"Top", &TvxRect::Top, &TvxRect::SetTop).Index(1).Default(0);
  P.Property(L"Right", &TvxRect::Right, &TvxRect::SetRight).Index(2).Default(0);
  P.Property(L"Bottom", &TvxRect::Bottom, &TvxRect::SetBottom).Index(3).Default(0);
  P.Property(L"OnChange", &TvxRect::OnChange);
}

void TvxRect::Assign(TPersistent* Source) {
  // Any other source is ignored without an error.
  if (auto* r = dynamic_cast<TvxRect*>(Source)) SetRect(r->Rect());
}

void TvxRect::SetRect(const TRect& Value) {
  TRect r = Value;
  AdjustNewRect(r);
  if (vxRectSame(r, FRect)) return;
  FRect = r;
  Changed();
}

void TvxRect::Changed() {
  if (OnChange) OnChange(this);
}

void TvxRect::SetLeft(Integer Value) { SetRect({Value, FRect.top, FRect.right, FRect.bottom}); }
void TvxRect::SetTop(Integer Value) { SetRect({FRect.left, Value, FRect.right, FRect.bottom}); }
void TvxRect::SetRight(Integer Value) { SetRect({FRect.left, FRect.top, Value, FRect.bottom}); }
void TvxRect::SetBottom(Integer Value) { SetRect({FRect.left, FRect.top, FRect.right, Value}); }
void TvxRect::SetWidth(Integer Value) { SetRight(FRect.left + Value); }
void TvxRect::SetHeight(Integer Value) { SetBottom(FRect.top + Value); }
void TvxRect::SetTopLeft(const TPoint& P) { SetRect({P.x, P.y, FRect.right, FRect.bottom}); }
void TvxRect::SetTopRight(const TPoint& P) { SetRect({FRect.left, P.y, P.x, FRect.bottom}); }
void TvxRect::SetBottomLeft(const TPoint& P) { SetRect({P.x, FRect.top, FRect.right, P.y}); }
void TvxRect::SetBottomRight(const TPoint& P) { SetRect({FRect.left, FRect.top, P.x, P.y}); }

namespace {
void InitGeometry() { RegisterClass(TvxRect::StaticClass()); }
void FinGeometry() { UnRegisterClass(TvxRect::StaticClass()); }
}  // namespace

const TUnitInfo vxGeometryUnit = {L"vxGeometry", InitGeometry, FinGeometry};
