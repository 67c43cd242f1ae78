// Preview lines on a shown window: one column's value under (or above) each node's data
// cells, as high as its text up to the line limit, changed by OnGetNodePreviewHeight, hit
// as the node's preview, and rows of different heights scrolled whole into view.
#include <cstdlib>

#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

struct PreviewFixture : ListFixture {
  TvxTreeListColumn* Notes = nullptr;

  void SetUp() override {
    ListFixture::SetUp();
    Notes = TL->CreateColumn();
    Notes->Caption()->SetText(L"Notes");
    TL->Preview()->SetColumn(Notes);
    TL->Preview()->SetVisible(true);
  }
  // ACount rows; the notes of rows 1, 3 and 5 (of every six) have that many lines
  // ("line 1" CR LF "line 2" ...), the others are empty.
  void FillNotes(Integer ACount) {
    Fill(ACount);
    for (Integer i = 0; i < ACount; ++i) Row(i)->SetValues(Notes->ItemIndex(), Variant(String(Note(i))));
    Relayout();
  }
  static std::wstring Note(Integer ARow) { return Lines(ARow % 2 ? ARow % 6 : 0); }
  static std::wstring Lines(Integer N) {
    std::wstring s;
    for (Integer k = 1; k <= N; ++k) s += (k > 1 ? L"\r\n" : L"") + (L"line " + std::to_wstring(k));
    return s;
  }
  TvxTreeListPreviewCellViewInfo* PreviewCell(Node* N) {
    if (TvxTreeListNodeViewData* row = VI()->NodeViewData(N))
      for (Integer i = 0; i < row->Cells().Count(); ++i)
        if (auto* c = dynamic_cast<TvxTreeListPreviewCellViewInfo*>(row->Cells().Items(i))) return c;
    return nullptr;
  }
  // One text line of the preview font.
  Integer LineHeight() { return VI()->PreviewLineHeight - 2; }
  Integer RowHeight(Node* N) {
    TRect b = VI()->NodeViewData(N)->Bounds();
    return b.bottom - b.top;
  }
};

TEST_F(PreviewFixture, PreviewFollowsItsTextUpToTheLineLimitBelowOrAboveTheData) {
  TL->SetBounds(0, 0, 500, 250);
  FillNotes(6);
  ASSERT_TRUE(TL->Preview()->Active());
  ASSERT_GT(LineHeight(), 0);
  EXPECT_EQ(TL->VisibleColumnCount(), 6) << "the preview column has no data cells";
  const Integer data = VI()->DefaultEditHeight();
  struct Case {
    Integer MaxLines;
    bool AutoHeight;
    TvxTreeListPreviewPlace Place;
    Integer Row;
    Integer Lines, Extra;  // the preview's height: Lines text lines and Extra pixels
  } cases[] = {
      {3, true, tlppBottom, 1, 1, 2},   // one line and the pixel above and below it
      {3, true, tlppBottom, 3, 3, 2},
      {3, true, tlppBottom, 5, 3, 8},   // the limit: three lines of the line height
      {0, true, tlppBottom, 5, 5, 2},   // no limit
      {3, false, tlppBottom, 1, 3, 8},  // without auto height always the limit
      {3, true, tlppBottom, 0, 0, 2},   // an empty note keeps its margins
      {3, true, tlppTop, 3, 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Row * 100 + c.MaxLines * 10 + c.AutoHeight);
    TL->Preview()->SetMaxLineCount(c.MaxLines);
    TL->Preview()->SetAutoHeight(c.AutoHeight);
    TL->Preview()->SetPlace(c.Place);
    Relayout();
    const Integer h = c.Lines * LineHeight() + c.Extra;
    TvxTreeListPreviewCellViewInfo* cell = PreviewCell(Row(c.Row));
    ASSERT_NE(cell, nullptr);
    TvxTreeListNodeViewData* row = VI()->NodeViewData(Row(c.Row));
    EXPECT_EQ(row->PreviewHeight, h);
    EXPECT_EQ(RowHeight(Row(c.Row)), data + h);
    EXPECT_EQ(cell->BoundsRect().bottom - cell->BoundsRect().top, h);
    // The data cells take the other part of the row, and the preview spans their columns.
    TvxTreeListEditCellViewInfo* first = VI()->GetEditCell(Row(c.Row), TL->Columns(0));
    TvxTreeListEditCellViewInfo* last = VI()->GetEditCell(Row(c.Row), TL->Columns(5));
    const TRect b = row->Bounds();
    if (c.Place == tlppTop) {
      EXPECT_EQ(cell->BoundsRect().top, b.top);
      EXPECT_EQ(first->BoundsRect().top, b.top + h);
    } else {
      EXPECT_EQ(first->BoundsRect().top, b.top);
      EXPECT_EQ(cell->BoundsRect().top, b.top + data);
    }
    EXPECT_EQ(cell->BoundsRect().left, first->BoundsRect().left);
    EXPECT_EQ(cell->BoundsRect().right, last->BoundsRect().right);
    EXPECT_EQ(cell->Text(), Note(c.Row));
  }
}

TEST_F(PreviewFixture, HeightEventHidesOrSizesAPreviewAndHitsReportThePreview) {
  TL->OptionsView()->SetIndicator(true);
  FillNotes(4);
  std::vector<std::wstring> seen;
  TL->OnGetNodePreviewHeight = [&, hidden = Row(1), sized = Row(2)](TObject*, Node* N, const Variant& V, Integer& H) {
    seen.push_back(VarToStr(V));
    if (N == hidden) H = -1;
    if (N == sized) H = 30;
  };
  Relayout();
  EXPECT_NE(std::find(seen.begin(), seen.end(), Lines(3)), seen.end()) << "the event gets row 3's note";
  const Integer data = VI()->DefaultEditHeight();
  EXPECT_EQ(PreviewCell(Row(1)), nullptr);
  EXPECT_EQ(VI()->NodeViewData(Row(1))->PreviewHeight, 0);
  EXPECT_EQ(RowHeight(Row(1)), data);
  ASSERT_NE(PreviewCell(Row(2)), nullptr);
  EXPECT_EQ(RowHeight(Row(2)), data + 30);

  // The indicator stands beside the whole row; the focus rectangle stays on the data line.
  TvxTreeListNodeViewData* row = VI()->NodeViewData(Row(2));
  TvxTreeListIndicatorCellViewInfo* ind = nullptr;
  for (Integer i = 0; i < row->Cells().Count(); ++i)
    if (auto* c = dynamic_cast<TvxTreeListIndicatorCellViewInfo*>(row->Cells().Items(i))) ind = c;
  ASSERT_NE(ind, nullptr);
  EXPECT_EQ(ind->BoundsRect().top, row->Bounds().top);
  EXPECT_EQ(ind->BoundsRect().bottom, row->Bounds().bottom);
  EXPECT_EQ(row->FocusRectBounds.bottom - row->FocusRectBounds.top, data);

  // A hit on the preview is a hit on its node; a click there focuses the node.
  const TRect r = PreviewCell(Row(2))->BoundsRect();
  const Integer x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  TvxTreeListHitTest* h = HitAt(x, y);
  EXPECT_TRUE(h->HitAtNodePreview());
  EXPECT_TRUE(h->HitAtNode());
  EXPECT_FALSE(h->HitAtColumn());
  EXPECT_EQ(h->HitNode, Row(2));
  EXPECT_EQ(h->HitColumn, Notes);
  Click(x, y);
  EXPECT_EQ(TL->FocusedNode(), Row(2));
  EXPECT_FALSE(HitAt(x, VI()->GetEditCell(Row(2), TL->Columns(1))->BoundsRect().top + 2)->HitAtNodePreview());
}

TEST_F(PreviewFixture, RowsOfDifferentHeightsScrollWholeIntoView) {
  FillNotes(40);
  const Integer bottom = VI()->Bounds().bottom;
  // Asked to start at the end, the list shows as many whole rows as fit above the bottom.
  VI()->SetTopIndex(1000);
  Relayout();
  TvxTreeListNodeViewData* last = VI()->NodeViewData(Row(39));
  ASSERT_NE(last, nullptr);
  EXPECT_LE(last->Bounds().bottom, bottom);
  const Integer top = TL->TopVisibleNode()->VisibleIndex();
  ASSERT_GT(top, 0);
  EXPECT_GT(last->Bounds().bottom + VI()->NodeRowHeight(Row(top - 1)), bottom) << "an earlier row would have fitted";
  for (Integer i = 0; i < VI()->NodesVisibleCount; ++i) EXPECT_LE(VI()->NodesViewData(i)->Bounds().bottom, bottom);

  // Back at the top, focusing a row far down scrolls it whole into view.
  VI()->SetTopIndex(0);
  Relayout();
  TL->SetFocusedNode(Row(17));
  TL->MakeNodeVisible(Row(17));
  Relayout();
  TvxTreeListNodeViewData* row = VI()->NodeViewData(Row(17));
  ASSERT_NE(row, nullptr);
  EXPECT_LE(row->Bounds().bottom, bottom);
  // Scrolled no further than needed: one row more above would push it out again.
  const Integer newTop = TL->TopVisibleNode()->VisibleIndex();
  ASSERT_GT(newTop, 0);
  EXPECT_GT(row->Bounds().bottom + VI()->NodeRowHeight(Row(newTop - 1)), bottom);
}

TEST_F(PreviewFixture, PreviewPaintsLikeTheReference) {
  TL->OptionsView()->SetGridLines(tlglBoth);
  FillNotes(5);
  TL->Preview()->SetMaxLineCount(2);
  TL->SetFocusedNode(Row(2));
  TL->TvxCustomTreeList::Select(Row(2));
  Relayout();
  int w = 0, h = 0;
  std::vector<DWORD> pixels = WindowPixels(TL->Handle(), w, h);
  ExpectMatchesImage(L"PreviewRows", w, h, pixels);
}

// Page Down and Page Up count the rows actually shown: with three-line previews fewer
// rows fit than plain rows would, and no row is passed over.
TEST_F(PreviewFixture, PagingMovesByTheRowsShown) {
  Fill(40);
  for (Integer i = 0; i < 40; ++i) Row(i)->SetValues(Notes->ItemIndex(), Variant(String(Lines(3))));
  Relayout();
  Click(250, RowY(0));
  const Integer shown = VI()->NodesVisibleCount;
  ASSERT_GT(shown, 1);
  ASSERT_LT(shown, VI()->RowsThatFit());
  Key(VK_NEXT);
  EXPECT_EQ(TL->FocusedNode(), Row(shown - 1));
  EXPECT_EQ(TL->TopVisibleNode(), Row(0));
  Key(VK_NEXT);
  EXPECT_EQ(TL->FocusedNode(), Row(2 * shown - 2));
  EXPECT_EQ(TL->TopVisibleNode(), Row(shown - 1));  // the page starts where the focus was
  Key(VK_PRIOR);
  EXPECT_EQ(TL->FocusedNode(), Row(shown - 1));
  Key(VK_PRIOR);
  EXPECT_EQ(TL->FocusedNode(), Row(0));
}

// OnGetNodeHeight gives one node's data lines a height of their own: its row and cells
// grow, the rows below move down by the difference, and with several column lines the
// lines share the new height and end exactly at it. OnIsGroupNode starts true only for a
// parent under the categorized paint style.
TEST_F(ListFixture, NodeHeightFromTheEventAndGroupNodes) {
  TL->SetBounds(0, 0, 500, 250);
  Fill(20);
  Relayout();
  const Integer plain = VI()->NodeViewData(Row(0))->Bounds().bottom - VI()->NodeViewData(Row(0))->Bounds().top;
  ASSERT_GT(plain, 0);
  TL->OnGetNodeHeight = [&](TObject*, Node* N, Integer& H) {
    if (N == Row(1)) H = 3 * H + 1;
  };
  TL->LayoutChanged();
  Relayout();
  TvxTreeListNodeViewData* tall = VI()->NodeViewData(Row(1));
  ASSERT_NE(tall, nullptr);
  EXPECT_EQ(tall->Bounds().bottom - tall->Bounds().top, 3 * plain + 1);
  EXPECT_EQ(VI()->NodeViewData(Row(2))->Bounds().top, tall->Bounds().bottom);
  TvxTreeListEditCellViewInfo* cell = VI()->GetEditCell(Row(1), TL->Columns(0));
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->DisplayRect.bottom - cell->DisplayRect.top, 3 * plain + 1);
  // Two column lines: the lines share the height and the lower one ends at the row's end.
  TL->Columns(1)->Position()->SetRowIndex(1);
  Relayout();
  tall = VI()->NodeViewData(Row(1));
  ASSERT_NE(tall, nullptr);
  TvxTreeListEditCellViewInfo* upper = VI()->GetEditCell(Row(1), TL->Columns(0));
  TvxTreeListEditCellViewInfo* lower = VI()->GetEditCell(Row(1), TL->Columns(1));
  ASSERT_NE(upper, nullptr);
  ASSERT_NE(lower, nullptr);
  const Integer rowHeight = tall->Bounds().bottom - tall->Bounds().top;
  EXPECT_EQ(rowHeight, 3 * (2 * VI()->DataLineHeight()) + 1);
  EXPECT_EQ(upper->DisplayRect.bottom, lower->DisplayRect.top);
  EXPECT_EQ(lower->DisplayRect.bottom - upper->DisplayRect.top, rowHeight);
  EXPECT_LE(std::abs((upper->DisplayRect.bottom - upper->DisplayRect.top) -
                     (lower->DisplayRect.bottom - lower->DisplayRect.top)), 1);

  // Categorized: a parent is a group node, a leaf is not, and the event decides last.
  EXPECT_FALSE(TL->IsGroupNode(Row(0)));
  Node* child = TL->AddChild(Row(0));
  EXPECT_FALSE(TL->IsGroupNode(Row(0)));
  TL->OptionsView()->SetPaintStyle(tlpsCategorized);
  EXPECT_TRUE(TL->IsGroupNode(Row(0)));
  EXPECT_FALSE(TL->IsGroupNode(child));
  TL->OnIsGroupNode = [&](TObject*, Node* N, bool& G) { G = N == child; };
  EXPECT_FALSE(TL->IsGroupNode(Row(0)));
  EXPECT_TRUE(TL->IsGroupNode(child));
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
