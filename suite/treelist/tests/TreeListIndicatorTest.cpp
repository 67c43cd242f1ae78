// The indicator column on a shown window: it stands left of the headers and rows without
// scrolling, marks the focused and selected nodes, and answers hits on its cells.
#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

struct IndicatorFixture : ListFixture {
  TvxTreeListIndicatorCellViewInfo* RowIndicator(Node* N) {
    if (TvxTreeListNodeViewData* row = VI()->NodeViewData(N))
      for (Integer i = 0; i < row->Cells().Count(); ++i)
        if (auto* c = dynamic_cast<TvxTreeListIndicatorCellViewInfo*>(row->Cells().Items(i))) return c;
    return nullptr;
  }
  TvxTreeListIndicatorCellViewInfo* FrameIndicator(TvxTreeListIndicatorPosition P) {
    for (Integer i = 0; i < VI()->Cells().Count(); ++i)
      if (auto* c = dynamic_cast<TvxTreeListIndicatorCellViewInfo*>(VI()->Cells().Items(i)); c && c->Position == P)
        return c;
    return nullptr;
  }
};

TEST_F(IndicatorFixture, ColumnStandsLeftOfHeadersAndRowsAndMarksTheFocusedNode) {
  Fill(5);
  TL->SetFocusedNode(Row(1));
  Relayout();
  EXPECT_EQ(RowIndicator(Row(0)), nullptr);
  const Integer headerLeftBefore = VI()->GetEditCell(Row(0), TL->Columns(0))->BoundsRect().left;

  TL->OptionsView()->SetIndicator(true);
  Relayout();
  const Integer w = TL->OptionsView()->IndicatorWidth();
  ASSERT_GT(w, 0);
  EXPECT_EQ(VI()->IndicatorWidth, w);
  TvxTreeListIndicatorCellViewInfo* head = FrameIndicator(tlipColumns);
  ASSERT_NE(head, nullptr);
  const Integer left = VI()->Bounds().left;  // inside the control's border
  EXPECT_EQ(head->BoundsRect().left, left);
  EXPECT_EQ(head->BoundsRect().right, left + w);
  // The rows and headers move right by the indicator's width; the bands share what is left.
  EXPECT_EQ(VI()->GetEditCell(Row(0), TL->Columns(0))->BoundsRect().left, headerLeftBefore + w);
  EXPECT_EQ(TL->GetBandAreaWidth(), VI()->Bounds().right - left - w);

  struct Case {
    Integer Row;
    TvxIndicatorKind Kind;
  } cases[] = {{0, ikNone}, {1, ikArrow}, {2, ikNone}};
  for (const Case& c : cases) {
    TvxTreeListIndicatorCellViewInfo* cell = RowIndicator(Row(c.Row));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Kind(), c.Kind) << c.Row;
    EXPECT_EQ(cell->BoundsRect().left, left);
    EXPECT_EQ(cell->BoundsRect().right, left + w);
  }
  // The focused row's indicator paints a mark the others do not have.
  int pw = 0, ph = 0;
  std::vector<DWORD> px = WindowPixels(TL->Handle(), pw, ph);
  auto distinct = [&](Integer ARow) {
    TRect r = RowIndicator(Row(ARow))->BoundsRect();
    std::vector<COLORREF> seen;
    for (Integer y = r.top + 1; y < r.bottom - 1; ++y)
      for (Integer x = r.left + 1; x < r.right - 1; ++x) {
        COLORREF c = PixelRgb(px, pw, x, y);
        if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
      }
    return seen.size();
  };
  EXPECT_GT(distinct(1), distinct(0));

  // A click on another row's indicator focuses that node and reports an indicator hit.
  TRect r3 = RowIndicator(Row(3))->BoundsRect();
  EXPECT_TRUE(HitAt(w / 2, (r3.top + r3.bottom) / 2)->HitAtIndicator());
  EXPECT_TRUE(HT()->HitAtNode());
  Click(w / 2, (r3.top + r3.bottom) / 2);
  EXPECT_EQ(TL->FocusedNode(), Row(3));
  EXPECT_EQ(RowIndicator(Row(3))->Kind(), ikArrow);
  EXPECT_EQ(RowIndicator(Row(1))->Kind(), ikNone);
}

TEST_F(IndicatorFixture, SelectedNodesShowDotsAndTheIndicatorDoesNotScroll) {
  TL->OptionsView()->SetColumnAutoWidth(false);
  TL->OptionsView()->SetIndicator(true);
  TL->OptionsSelection()->MultiSelect = true;
  Fill(4);
  TL->SetFocusedNode(Row(2));
  TL->TvxCustomTreeList::Select(Row(0));
  TL->TvxCustomTreeList::Select(Row(2));
  Relayout();
  EXPECT_EQ(RowIndicator(Row(0))->Kind(), ikMultiDot);
  EXPECT_EQ(RowIndicator(Row(1))->Kind(), ikNone);
  EXPECT_EQ(RowIndicator(Row(2))->Kind(), ikMultiArrow);
  // Scrolled sideways, the indicator keeps its place and the cells pass under it clipped.
  VI()->SetLeftPos(40);
  Relayout();
  ASSERT_EQ(VI()->HScrollPos, 40);
  const Integer left = VI()->Bounds().left, right = left + VI()->IndicatorWidth;
  EXPECT_EQ(RowIndicator(Row(0))->BoundsRect().left, left);
  EXPECT_EQ(FrameIndicator(tlipColumns)->BoundsRect().left, left);
  TvxTreeListEditCellViewInfo* first = VI()->GetEditCell(Row(0), TL->Columns(0));
  EXPECT_LT(first->BoundsRect().left, right);
  EXPECT_GE(first->VisibleRect().left, right);
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
