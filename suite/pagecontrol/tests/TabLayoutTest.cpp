// Tab layout: row packing and balancing, single-row scrolling, row order and the client
// rectangle that the Tabs painter leaves for the pages.
#include "PageControlTestSupport.h"

namespace ZS_UNITY_ID {

using namespace pc_test;

namespace {

struct TabLayoutTest : TTabFormFixture {};

std::vector<Integer> Pack(std::vector<Integer> Lengths, Integer W, Integer Gap, bool Balance = true) {
  std::vector<Integer> rows;
  TvxCustomTabControl::PackTabRows(Lengths, W, Gap, Balance, rows);
  return rows;
}

}  // namespace

TEST(TabRowPacking, GreedyRowsAndBalancing) {
  const struct {
    std::vector<Integer> Lengths;
    Integer W, Gap;
    std::vector<Integer> Greedy, Balanced;
  } cases[] = {
      // 3 + 2 is already the best split.
      {{60, 60, 60, 60, 60}, 200, 0, {0, 0, 0, 1, 1}, {0, 0, 0, 1, 1}},
      // Pulling a tab back into the last row would overflow it (170 + 50 > 200).
      {{50, 50, 50, 50, 50, 120}, 200, 0, {0, 0, 0, 0, 1, 1}, {0, 0, 0, 0, 1, 1}},
      // A nearly empty last row takes tabs from the row before it while the total cost
      // falls: 2^100 + 2^90 beats 2^50 + 2^140.
      {{50, 50, 50, 50, 10}, 200, 0, {0, 0, 0, 0, 1}, {0, 0, 1, 1, 1}},
      // Tabs longer than the row stand alone; the run between them is balanced apart,
      // and a move that costs the same is not made.
      {{250, 40, 40, 40, 300, 40}, 100, 0, {0, 1, 1, 2, 3, 4}, {0, 1, 1, 2, 3, 4}},
      {{250, 50, 50, 50, 50, 10, 300}, 200, 0, {0, 1, 1, 1, 1, 2, 3}, {0, 1, 1, 2, 2, 2, 3}},
      // The gap counts between the tabs of a row.
      {{90, 90, 90}, 200, 10, {0, 0, 1}, {0, 0, 1}},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Pack(k.Lengths, k.W, k.Gap, false), k.Greedy);
    EXPECT_EQ(Pack(k.Lengths, k.W, k.Gap, true), k.Balanced);
  }
}

TEST_F(TabLayoutTest, SingleRowScrollsToShowTheSelectedTabAndNeverEndsWithEmptySpace) {
  // Eight tabs of 100 pixels in a 350-pixel row (the Tabs painter keeps 2 pixels at each end).
  auto* c = AddTabControl({0, 0, 354, 100}, {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7"});
  c->SetOptions(c->Options() + pcoNoArrows);
  c->SetTabWidth(100);
  ASSERT_EQ(c->TabsPosition().NormalRowWidth, 350);
  EXPECT_EQ(c->FirstVisibleTab(), 0);
  EXPECT_EQ(c->LastVisibleTab(), 3);  // the fourth is shown in part
  EXPECT_FALSE(c->IsLastTabFullyVisible());
  c->SelectTabByIndex(7);
  EXPECT_EQ(c->FirstVisibleTab(), 5);
  EXPECT_EQ(c->LastVisibleTab(), 7);
  EXPECT_TRUE(c->IsLastTabFullyVisible());
  EXPECT_EQ(c->Tabs()->Tab(5)->NormalRect().left, 2);
  c->ScrollTabs(-10);
  EXPECT_EQ(c->FirstVisibleTab(), 0);
  c->ScrollTabs(10);  // scrolling stops where the last tab is fully shown
  EXPECT_EQ(c->FirstVisibleTab(), 5);
  // Hidden tabs are not hit; shown ones are.
  EXPECT_EQ(c->IndexOfTabAt(52, 10), 5);
  EXPECT_EQ(RectText(c->Tabs()->Tab(0)->VisibleRect()), "(0, 0, 0, 0)");
}

TEST_F(TabLayoutTest, ArrowButtonsTakeTheirPlaceAndDisableAtTheEnds) {
  auto* c = AddTabControl({0, 0, 354, 100}, {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7"});
  c->SetTabWidth(100);
  EXPECT_TRUE(c->NavigatorButtons().Contains(nbTopLeft));
  EXPECT_TRUE(c->NavigatorButtons().Contains(nbBottomRight));
  EXPECT_EQ(c->TabsPosition().NormalRowWidth, 350 - 40);
  EXPECT_EQ(c->NavigatorButtonState(nbTopLeft), nbsDisabled);
  EXPECT_EQ(c->NavigatorButtonState(nbBottomRight), nbsNormal);
  auto* painter = static_cast<TvxPCStandardPainter*>(c->Painter());
  ASSERT_EQ(painter->ButtonsQueue().size(), 2u);
  EXPECT_EQ(painter->ButtonsQueue()[1].ButtonRect.right, 354);  // at the right edge
  c->PressNavigatorButton(nbBottomRight);                        // one step at once
  c->ReleaseNavigatorButton(nbBottomRight);
  EXPECT_EQ(c->FirstVisibleTab(), 1);
  EXPECT_EQ(c->NavigatorButtonState(nbTopLeft), nbsNormal);
  for (int i = 0; i < 10; ++i) {
    c->PressNavigatorButton(nbBottomRight);
    c->ReleaseNavigatorButton(nbBottomRight);
  }
  EXPECT_EQ(c->NavigatorButtonState(nbBottomRight), nbsDisabled);
  EXPECT_TRUE(c->IsLastTabFullyVisible());
}

TEST_F(TabLayoutTest, HoldingAnArrowRepeatsAfterADelay) {
  auto* c = AddTabControl({0, 0, 154, 100}, {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7"});
  c->SetTabWidth(100);
  const TRect b = static_cast<TvxPCStandardPainter*>(c->Painter())->ButtonsQueue()[1].ButtonRect;
  vx_test::ClickAt(c, (b.left + b.right) / 2, (b.top + b.bottom) / 2, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, true);
  EXPECT_EQ(c->FirstVisibleTab(), 1);
  EXPECT_EQ(c->NavigatorButtonState(nbBottomRight), nbsPressed);
  Pump(150);
  EXPECT_EQ(c->FirstVisibleTab(), 1);  // first repeat after 300 ms
  Pump(350);
  EXPECT_GE(c->FirstVisibleTab(), 2);
  vx_test::SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(40);
  const Integer at = c->FirstVisibleTab();
  Pump(400);
  EXPECT_EQ(c->FirstVisibleTab(), at);
}

TEST_F(TabLayoutTest, MultiLineRowsAreJustifiedAndTheMainRowTouchesThePage) {
  auto* c = AddTabControl({0, 0, 204, 150}, {L"0", L"1", L"2", L"3", L"4"});
  c->SetTabWidth(60);
  c->SetMultiLine(true);
  ASSERT_EQ(c->RowCount(), 2);
  const Integer h = c->RowHeight();
  // Rows of three and two tabs, each stretched to the 200-pixel row.
  EXPECT_EQ(c->Tabs()->Tab(2)->NormalRect().right, 202);
  EXPECT_EQ(c->Tabs()->Tab(4)->NormalRect().right, 202);
  EXPECT_EQ(c->Tabs()->Tab(3)->NormalRect().right - c->Tabs()->Tab(3)->NormalRect().left, 100);
  // The selected tab's row (row 0) is drawn next to the page, the other row above it.
  EXPECT_EQ(c->Tabs()->Tab(0)->VisibleRow(), 1);
  EXPECT_EQ(c->Tabs()->Tab(0)->NormalRect().top, 2 + h);
  c->SelectTabByIndex(4);
  EXPECT_EQ(c->Tabs()->Tab(0)->VisibleRow(), 0);
  EXPECT_EQ(c->Tabs()->Tab(4)->VisibleRow(), 1);
  // With ScrollOpposite the rows after the main row go to the other side of the page.
  c->SelectTabByIndex(0);
  c->SetScrollOpposite(true);
  EXPECT_EQ(c->TopOrLeftPartRowCount(), 1);
  EXPECT_EQ(c->Tabs()->Tab(3)->PaintingPosition(), tpBottom);
}

TEST_F(TabLayoutTest, TabsPainterClientRectangleOfTheMainWindowsPageControl) {
  auto* c = AddTabControl<TvxPageControl>({0, 0, 696, 193});
  c->LookAndFeel()->SetKind(lfStandard);
  c->LookAndFeel()->SetNativeStyle(false);
  auto* sheet = new TvxTabSheet(Form);
  sheet->SetCaption(L"Entries");
  sheet->SetPageControl(c);
  ASSERT_LE(c->Canvas()->TextHeight(L"Zg") + 5, 18);
  EXPECT_FALSE(c->Painter()->IsNativePainting());
  EXPECT_EQ(c->TabsPosition().NormalRowWidth, 692);
  EXPECT_EQ(c->Tabs()->TabNormalHeight(), 18);
  EXPECT_EQ(c->ExtendedTopOrLeftTabsRect().bottom, 21);
  EXPECT_EQ(RectText(c->ClientRectOfPainter()), "(2, 22, 694, 191)");
  EXPECT_EQ(RectText(sheet->BoundsRect()), "(2, 22, 694, 191)");
}

// Rotated tabs share one row height, the widest tab's; a limit below that shortens the
// row, one at or above it changes nothing, and the limit never goes below the narrowest
// tab the painter draws.
TEST_F(TabLayoutTest, MaxRotatedTabWidthLimitsTheRowOfRotatedTabs) {
  auto* c = AddTabControl({0, 0, 300, 200}, {L"a", L"a much longer caption", L"b"});
  c->SetTabPosition(tpLeft);
  c->SetRotate(true);
  const Integer full = c->RowHeight();
  const Integer least = c->Painter()->GetMinTabNormalWidth(-1);
  ASSERT_GT(full, least + 10);
  struct Case {
    Integer Limit, Stored, Row;
  } cases[] = {
      {least + 10, least + 10, least + 10},
      {full + 5, full + 5, full},
      {1, least, least},
      {-3, 0, full},
      {0, 0, full},
  };
  for (const Case& k : cases) {
    c->SetMaxRotatedTabWidth(k.Limit);
    EXPECT_EQ(k.Stored, c->MaxRotatedTabWidth()) << k.Limit;
    EXPECT_EQ(k.Row, c->RowHeight()) << k.Limit;
  }
}

}  // namespace ZS_UNITY_ID
