// Fixed bands on a shown window: left- and right-fixed bands keep their place while the
// other bands scroll sideways between them, with a separator stripe at each fixed side.
#include "TreeListViewTestSupport.h"

#include <algorithm>

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

struct FixedFixture : ListFixture {
  TvxTreeListBand* Left = nullptr;
  TvxTreeListBand* Right = nullptr;
  TvxTreeListColumn* LeftColumn = nullptr;
  TvxTreeListColumn* RightColumn = nullptr;
  void Build() {
    TL->OptionsView()->SetColumnAutoWidth(false);
    Left = TL->Bands()->Add();
    Left->SetFixedKind(tlbfLeft);
    LeftColumn = TL->CreateColumn(Left);
    LeftColumn->SetWidth(60);
    Right = TL->Bands()->Add();
    Right->SetFixedKind(tlbfRight);
    RightColumn = TL->CreateColumn(Right);
    RightColumn->SetWidth(50);
    Fill(4);
    Relayout();
  }
  TRect HeaderRect(TvxTreeListColumn* C) {
    for (Integer i = 0; i < VI()->Cells().Count(); ++i)
      if (auto* h = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(VI()->Cells().Items(i)); h && h->Column() == C)
        return h->BoundsRect();
    return TRect{};
  }
  std::vector<TRect> Separators() {
    std::vector<TRect> r;
    for (Integer i = 0; i < VI()->Cells().Count(); ++i)
      if (auto* b = dynamic_cast<TvxTreeListBandCellViewInfo*>(VI()->Cells().Items(i)); b && b->Part() == tlbpSeparator)
        r.push_back(b->BoundsRect());
    return r;
  }
};

TEST_F(FixedFixture, FixedBandsStayWhileTheOthersScrollBetweenSeparators) {
  Build();
  const Integer left = VI()->Bounds().left, right = VI()->Bounds().right;
  const Integer sep = TL->OptionsView()->FixedSeparatorWidth();
  ASSERT_GT(sep, 0);
  // Left band first, its separator, the scrolling columns, the right band at the edge.
  EXPECT_EQ(HeaderRect(LeftColumn).left, left);
  std::vector<TRect> seps = Separators();
  ASSERT_EQ(seps.size(), 2u);
  std::sort(seps.begin(), seps.end(), [](const TRect& a, const TRect& b) { return a.left < b.left; });
  EXPECT_EQ(seps[0].left, left + 60);
  EXPECT_EQ(seps[0].right - seps[0].left, sep);
  EXPECT_EQ(HeaderRect(TL->Columns(0)).left, seps[0].right);
  EXPECT_EQ(HeaderRect(RightColumn).right, right);
  EXPECT_EQ(seps[1].right, HeaderRect(RightColumn).left);
  // Beside a row the separator answers as one.
  EXPECT_TRUE(HitAt(seps[0].left, RowY(0))->HitAt(tlhcSeparator));

  // The separators are painted in the separator colour from top to bottom.
  int w = 0, h = 0;
  std::vector<DWORD> px = WindowPixels(TL->Handle(), w, h);
  const COLORREF sc = static_cast<COLORREF>(ColorToRGB(TL->LookAndFeelPainter()->DefaultFixedSeparatorColor()));
  for (Integer y : {static_cast<Integer>(VI()->Bounds().top + 2), RowY(0), RowY(3)}) {
    EXPECT_EQ(PixelRgb(px, w, seps[0].left, y), sc) << y;
    EXPECT_EQ(PixelRgb(px, w, seps[1].left, y), sc) << y;
  }

  // Scrolled sideways: the fixed columns keep their place, the others move and are cut
  // at the separators.
  const TRect nameBefore = HeaderRect(TL->Columns(1));
  VI()->SetLeftPos(70);
  Relayout();
  ASSERT_EQ(VI()->HScrollPos, 70);
  EXPECT_EQ(HeaderRect(LeftColumn).left, left);
  EXPECT_EQ(HeaderRect(RightColumn).right, right);
  EXPECT_EQ(HeaderRect(TL->Columns(1)).left, nameBefore.left - 70);
  TvxTreeListEditCellViewInfo* cut = VI()->GetEditCell(Row(0), TL->Columns(1));
  EXPECT_LT(cut->BoundsRect().left, seps[0].right);
  EXPECT_EQ(cut->VisibleRect().left, seps[0].right);
  // The left band carries the tree's indent; its cell does not move.
  TvxTreeListEditCellViewInfo* fixedCell = VI()->GetEditCell(Row(0), LeftColumn);
  EXPECT_EQ(fixedCell->BoundsRect().left, left + VI()->IndentWidth);
  EXPECT_EQ(fixedCell->VisibleRect().right, left + 60);
  // The page of the horizontal scroll bar is the stripe between the separators.
  EXPECT_EQ(VI()->HScrollPage, seps[1].left - seps[0].right);
}

TEST_F(FixedFixture, RightBandFollowsNarrowContentAndNoSeparatorWithoutFixedBands) {
  TL->OptionsView()->SetColumnAutoWidth(false);
  for (Integer i = 0; i < TL->ColumnCount(); ++i) TL->Columns(i)->SetWidth(30);
  Right = TL->Bands()->Add();
  Right->SetFixedKind(tlbfRight);
  RightColumn = TL->CreateColumn(Right);
  RightColumn->SetWidth(50);
  Fill(2);
  Relayout();
  // Six columns of 30 end well inside the view: the right band follows them.
  const Integer sep = TL->OptionsView()->FixedSeparatorWidth();
  EXPECT_EQ(HeaderRect(RightColumn).left, HeaderRect(TL->Columns(5)).right + sep);
  EXPECT_EQ(Separators().size(), 1u);
  Right->SetFixedKind(tlbfNone);
  Relayout();
  EXPECT_TRUE(Separators().empty());
}

TEST_F(FixedFixture, AutoWidthSharesTheViewWithoutScrollingPastTheSeparators) {
  Build();
  TL->OptionsView()->SetColumnAutoWidth(true);
  Relayout();
  EXPECT_EQ(VI()->HScrollSize, VI()->HScrollPage);
  EXPECT_EQ(HeaderRect(RightColumn).right, VI()->Bounds().right);
  EXPECT_EQ(HeaderRect(LeftColumn).left, VI()->Bounds().left);
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
