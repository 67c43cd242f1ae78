#include <gtest/gtest.h>

#include "vxInplaceContainer.h"

namespace ZS_UNITY_ID {

namespace {

struct TCountingItem : TvxCustomViewInfoItem {
  using TvxCustomViewInfoItem::TvxCustomViewInfoItem;
  Integer Calculations = 0;
  void CalculateVisibleInfo() override { ++Calculations; }
};

bool Same(const TRect& a, const TRect& b) { return EqualRect(&a, &b) != 0; }

TEST(ViewInfoItem, BoundsAndClipTable) {
  const TRect client{0, 0, 100, 50};
  struct Case {
    const char* name;
    TRect bounds;
    TRect clip;
    bool visible, clipped;
  } cases[] = {
      {"inside", {10, 10, 30, 20}, {10, 10, 30, 20}, true, false},
      {"cut at the right", {90, 10, 120, 20}, {90, 10, 100, 20}, true, true},
      {"cut at the top", {10, -5, 30, 5}, {10, 0, 30, 5}, true, true},
      {"outside", {200, 10, 220, 20}, {0, 0, 0, 0}, false, true},
      {"touching edge only", {100, 10, 120, 20}, {0, 0, 0, 0}, false, true},
      {"covers the client", {-10, -10, 200, 200}, {0, 0, 100, 50}, true, true},
  };
  for (const Case& c : cases) {
    TCountingItem item(nullptr);
    item.CalculateBounds(c.bounds, client);
    EXPECT_TRUE(Same(item.BoundsRect(), c.bounds)) << c.name;
    EXPECT_TRUE(Same(item.VisibleRect(), c.clip)) << c.name;
    EXPECT_EQ(item.Visible(), c.visible) << c.name;
    EXPECT_EQ(item.HasClipping(), c.clipped) << c.name;
  }
}

TEST(ViewInfoItem, OffsetRecalculatesAndVisibleInfoRunsOnce) {
  TCountingItem item(nullptr);
  item.CalculateBounds({90, 10, 110, 20}, {0, 0, 100, 50});
  item.CheckVisibleInfo();
  item.CheckVisibleInfo();
  EXPECT_EQ(item.Calculations, 1);
  item.Offset(0, 0);  // nothing moves
  EXPECT_TRUE(item.VisibleInfoCalculated());
  item.Offset(-20, 5);
  EXPECT_TRUE(Same(item.BoundsRect(), {70, 15, 90, 25}));
  EXPECT_FALSE(item.HasClipping());
  EXPECT_FALSE(item.VisibleInfoCalculated());
  item.CheckVisibleInfo();
  EXPECT_EQ(item.Calculations, 2);
  item.Offset(500, 0);
  EXPECT_FALSE(item.Visible());
  item.CheckVisibleInfo();  // an invisible item is not calculated
  EXPECT_EQ(item.Calculations, 2);
  TCountingItem copy(nullptr);
  item.ItemViewParams.Color = clRed;
  copy.Assign(&item);
  EXPECT_TRUE(Same(copy.BoundsRect(), item.BoundsRect()));
  EXPECT_EQ(copy.ItemViewParams.Color, clRed);
  EXPECT_FALSE(copy.Visible());
}

}  // namespace

}  // namespace ZS_UNITY_ID
