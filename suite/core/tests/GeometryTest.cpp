#include <gtest/gtest.h>

#include "vxGeometry.h"

namespace ZS_UNITY_ID {

namespace {

TRect R(int l, int t, int r, int b) { return TRect{l, t, r, b}; }

void ExpectRect(const TRect& actual, const TRect& expected) {
  EXPECT_TRUE(vxRectSame(actual, expected))
      << "got (" << actual.left << "," << actual.top << "," << actual.right << "," << actual.bottom
      << ") expected (" << expected.left << "," << expected.top << "," << expected.right << ","
      << expected.bottom << ")";
}

TEST(Geometry, RectangleRoutines) {
  struct Case {
    const char* name;
    TRect actual;
    TRect expected;
  } cases[] = {
      {"expand", vxRectExpand(R(10, 10, 20, 20), 1, 2, 3, 4), R(9, 8, 23, 24)},
      {"expand negative shrinks", vxRectExpand(R(10, 10, 20, 20), -1, -1, -2, -2), R(11, 11, 18, 18)},
      {"shift positive", vxRectShift(R(0, 0, 5, 5), 2, 3, true), R(2, 3, 7, 8)},
      {"shift negative", vxRectShift(R(0, 0, 5, 5), 2, 3, false), R(-2, -3, 3, 2)},
      {"shift by sum", vxRectShiftBySum(R(0, 0, 5, 5), {{1, 2}, {3, 4}}, true), R(4, 6, 9, 11)},
      {"shift by sum negative", vxRectShiftBySum(R(0, 0, 5, 5), {{1, 2}, {3, 4}}, false), R(-4, -6, 1, -1)},
      {"shift by empty sum", vxRectShiftBySum(R(1, 1, 2, 2), {}, true), R(1, 1, 2, 2)},
      {"from points not normalised", vxRectFromPoints({5, 6}, {1, 2}), R(5, 6, 1, 2)},
      {"left width", vxRectSetLeftWidth(R(0, 1, 2, 3), 10, 5), R(10, 1, 15, 3)},
      {"top height", vxRectSetTopHeight(R(0, 1, 2, 3), 10, 5), R(0, 10, 2, 15)},
      {"right width", vxRectSetRightWidth(R(0, 1, 2, 3), 10, 5), R(5, 1, 10, 3)},
      {"centered odd space", vxRectCenteredIn(R(0, 0, 11, 11), 4, 4), R(3, 3, 7, 7)},
      {"centered negative odd sum truncates", vxRectCenteredIn(R(-5, 0, 0, 10), 2, 2), R(-3, 4, -1, 6)},
      {"centered larger than bounds", vxRectCenteredIn(R(0, 0, 4, 4), 8, 8), R(-2, -2, 6, 6)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRect(c.actual, c.expected);
  }
}

TEST(Geometry, AreaPointsAndClipping) {
  struct Case {
    TRect r;
    bool noArea;
  } areas[] = {{R(0, 0, 1, 1), false}, {R(0, 0, 0, 5), true}, {R(0, 0, 5, 0), true},
               {R(5, 5, 0, 0), true},  {R(-3, -3, -1, -1), false}};
  for (const auto& c : areas) EXPECT_EQ(vxRectHasNoArea(c.r), c.noArea);

  struct PointCase {
    int x, y;
    bool inside;
  } points[] = {{0, 0, true}, {9, 9, true}, {10, 0, false}, {0, 10, false}, {-1, 5, false}, {10, 10, false}};
  for (const auto& p : points) EXPECT_EQ(vxRectHasPoint(R(0, 0, 10, 10), p.x, p.y), p.inside) << p.x << "," << p.y;

  TRect out{1, 1, 1, 1};
  EXPECT_TRUE(vxRectClipTo(out, R(0, 0, 10, 10), R(5, -5, 20, 7)));
  ExpectRect(out, R(5, 0, 10, 7));
  // Touching at an edge only: no area, the result is the zero rectangle.
  out = R(1, 2, 3, 4);
  EXPECT_FALSE(vxRectClipTo(out, R(0, 0, 10, 10), R(10, 0, 20, 10)));
  ExpectRect(out, vxZeroRect);

  EXPECT_FALSE(vxRectSame(R(0, 0, 1, 1), R(0, 0, 1, 2)));
  TPoint p = vxPointShift(vxMakePoint(3, 4), 1, 2, false);
  EXPECT_EQ(p.x, 2);
  EXPECT_EQ(p.y, 2);
  p = vxPointShift(vxMakePoint(3, 4), 1, 2, true);
  EXPECT_EQ(p.x, 4);
  EXPECT_EQ(p.y, 6);
  TPoint total = vxPointTotal({{1, 1}, {2, -5}, {-10, 0}});
  EXPECT_EQ(total.x, -7);
  EXPECT_EQ(total.y, -4);
  EXPECT_EQ(vxPointTotal({}).x, 0);
}

}  // namespace

namespace {

// A rectangle that never grows wider than 100.
class TLimitedRect : public TvxRect {
  DECLARE_CLASS(TLimitedRect, TvxRect)
 public:
  using TvxRect::TvxRect;

 protected:
  void AdjustNewRect(TRect& R) override {
    if (R.right - R.left > 100) R.right = R.left + 100;
  }
};

TEST(GeometryRect, ChangeFiresOncePerRealChange) {
  TPersistent owner;
  TvxRect r(&owner);
  EXPECT_EQ(r.GetOwner(), &owner);
  int changes = 0;
  r.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &r);
    ++changes;
  };
  r.SetRect({1, 2, 11, 22});
  EXPECT_EQ(changes, 1);
  r.SetRect({1, 2, 11, 22});
  r.SetWidth(10);
  r.SetTopLeft({1, 2});
  EXPECT_EQ(changes, 1);
  r.SetHeight(5);
  EXPECT_EQ(r.Bottom(), 7);
  r.SetBottomRight({30, 40});
  EXPECT_EQ(changes, 3);
  r.SetTopRight({50, -1});
  r.SetBottomLeft({-2, 60});
  EXPECT_TRUE(r.IsEqual(TRect{-2, -1, 50, 60}));
  EXPECT_EQ(r.Width(), 52);
  EXPECT_FALSE(r.IsEmpty());
  r.SetLeft(60);
  EXPECT_EQ(r.Width(), -10);
  EXPECT_TRUE(r.IsEmpty());
  EXPECT_EQ(changes, 6);

  TvxRect other;
  other.SetRect({60, -1, 50, 60});
  EXPECT_TRUE(r.IsEqual(&other));
  r.Assign(&other);  // same value: no change
  EXPECT_EQ(changes, 6);
  r.Assign(&owner);  // not a rectangle: ignored silently
  EXPECT_TRUE(r.IsEqual(&other));
  other.SetTop(0);
  r.Assign(&other);
  EXPECT_EQ(changes, 7);
}

TEST(GeometryRect, PublishedSidesGoThroughTheSetters) {
  TvxRect r;
  int changes = 0;
  r.OnChange = [&](TObject*) { ++changes; };
  SetOrdProp(&r, L"Right", 40);
  SetOrdProp(&r, L"Bottom", 30);
  EXPECT_EQ(GetOrdProp(&r, L"Right"), 40);
  EXPECT_EQ(r.Height(), 30);
  EXPECT_EQ(changes, 2);
  EXPECT_NE(GetPropInfo(&r, L"OnChange"), nullptr);
}

TEST(GeometryRect, AdjustNewRectCorrectsEverySetter) {
  TLimitedRect r;
  int changes = 0;
  r.OnChange = [&](TObject*) { ++changes; };
  r.SetRight(500);
  EXPECT_EQ(r.Right(), 100);
  r.SetWidth(300);  // adjusted to the current value: no change
  EXPECT_EQ(changes, 1);
}

}  // namespace

}  // namespace ZS_UNITY_ID
