// The footer and the group footers on a shown window: where they lie, the totals their
// cells show, what a hit on them reports, which nodes close a group in each mode, and the
// pixels they paint.
#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

// The totals of summary items over a bare tree: P (P1, P2 = Null, P3 (P3a)), Q hidden.
TEST(TreeListSummaryItems, TotalsOverChildrenOrDescendants) {
  TvxTreeList tl;
  TvxTreeListColumn* a = tl.CreateColumn();
  TvxTreeListColumn* b = tl.CreateColumn();
  a->DataBinding()->SetValueType(L"Integer");
  b->DataBinding()->SetValueType(L"Integer");
  Node* P = tl.Add();
  Node* P1 = tl.AddChild(P);
  Node* P2 = tl.AddChild(P);
  Node* P3 = tl.AddChild(P);
  Node* P3a = tl.AddChild(P3);
  Node* Q = tl.Add();
  const std::pair<Node*, Variant> values[] = {{P, Variant(2)}, {P1, Variant(1)}, {P2, Null()},
                                              {P3, Variant(3)}, {P3a, Variant(10)}, {Q, Variant(5)}};
  for (auto& [n, v] : values) {
    n->SetValues(0, v);
    n->SetValues(1, Variant(100));
  }
  Q->SetVisible(false);
  // The root's totals are the footer's, a parent's those of its group footer; a plain
  // number format keeps the texts short.
  TvxTreeListSummaryItem* footer = a->Summary()->FooterSummaryItems()->Add();
  TvxTreeListSummaryItem* item = a->Summary()->GroupFooterSummaryItems()->Add();
  footer->SetFormat(L"0");
  item->SetFormat(L"0");
  struct Case {
    TvxSummaryKind Kind;
    bool AllNodes, IgnoreNull;
    Node* N;  // nil: the root
    const wchar_t* Text;
  } cases[] = {
      {skSum, true, false, nullptr, L"16"},  // every shown node; Null adds nothing, Q is hidden
      {skSum, false, false, nullptr, L"2"},  // the top-level nodes only
      {skCount, true, false, nullptr, L"5"},
      {skCount, true, true, nullptr, L"4"},  // Null is skipped altogether
      {skSum, true, false, P, L"14"},
      {skSum, false, false, P, L"4"},
      {skMax, true, false, P, L"10"},
      {skMin, false, false, P, L"1"},
      {skAverage, false, true, P, L"2"},
      {skSum, true, false, P3, L"10"},
      {skSum, true, false, P1, L""},  // a leaf has no group totals
      {skNone, true, false, P, L""},
  };
  for (const Case& c : cases) {
    TvxTreeListSummaryItem* it = c.N ? item : footer;
    it->SetKind(c.Kind);
    it->SetAllNodes(c.AllNodes);
    tl.OptionsData()->SetSummaryNullIgnore(c.IgnoreNull);
    EXPECT_EQ(it->NodeText(c.N ? c.N : tl.Root()), c.Text) << c.Kind << c.AllNodes << c.IgnoreNull;
  }
  EXPECT_EQ(item->NodeText(tl.Root()), L"") << "a group item has no total for the root";
  // Another column's values, until that column goes; OnGetText has the last word.
  item->SetKind(skSum);
  item->SetAllNodes(false);
  item->SetCalculatedColumn(b);
  EXPECT_EQ(item->NodeText(P), L"300");
  delete b;
  EXPECT_EQ(item->CalculatedColumn(), a);
  item->OnGetText = [](TvxTreeListSummaryItem*, Node*, String& AText) { AText = L"= " + AText; };
  EXPECT_EQ(item->NodeText(P), L"= 4");
  // Visible items are numbered in order; hidden ones are not.
  TvxTreeListSummaryItem* second = a->Summary()->GroupFooterSummaryItems()->Add();
  item->SetVisible(false);
  EXPECT_EQ(item->VisibleIndexInColumn(), -1);
  EXPECT_EQ(second->VisibleIndexInColumn(), 0);
  EXPECT_EQ(a->Summary()->GroupFooterSummaryItems()->VisibleCount(), 1);
}

struct FooterFixture : ListFixture {
  // A (A1, A2 (A2a)), B, C with the numbers 1 to 6 in the integer column.
  Node *A = nullptr, *A1 = nullptr, *A2 = nullptr, *A2a = nullptr, *B = nullptr, *C = nullptr;
  TvxTreeListColumn* Num = nullptr;

  void Build() {
    TL->SetBounds(0, 0, 500, 250);
    Num = TL->Columns(5);
    Num->Caption()->SetText(L"Num");
    Num->DataBinding()->SetValueType(L"Integer");
    TL->Clear();
    A = TL->Add();
    A1 = TL->AddChild(A);
    A2 = TL->AddChild(A);
    A2a = TL->AddChild(A2);
    B = TL->Add();
    C = TL->Add();
    const std::pair<Node*, const wchar_t*> names[] = {{A, L"A"},     {A1, L"A1"}, {A2, L"A2"},
                                                      {A2a, L"A2a"}, {B, L"B"},   {C, L"C"}};
    Integer n = 0;
    for (auto& [node, s] : names) {
      node->SetValues(1, Variant(String(s)));
      node->SetValues(5, Variant(++n));
    }
    TL->FullExpand();
    Relayout();
  }
  // A plain number format keeps the expected texts short.
  TvxTreeListSummaryItem* AddItem(TvxTreeListSummaryItems* AItems, TvxSummaryKind AKind) {
    TvxTreeListSummaryItem* item = AItems->Add();
    item->SetKind(AKind);
    item->SetFormat(L"0");
    return item;
  }
  TvxTreeListFooterCellViewInfo* FooterCell(TvxCustomControlCells& ACells, TvxTreeListColumn* AColumn) {
    for (auto* c : Find<TvxTreeListFooterCellViewInfo>(ACells))
      if (c->Column() == AColumn) return c;
    return nullptr;
  }
  TvxTreeListBandCellViewInfo* BandCell(TvxCustomControlCells& ACells, TvxTreeListBandPart APart) {
    for (auto* c : Find<TvxTreeListBandCellViewInfo>(ACells))
      if (c->Part() == APart) return c;
    return nullptr;
  }
  // Distinct colours inside R (text shows as more than one).
  size_t Colours(const TRect& R) {
    int w = 0, h = 0;
    std::vector<DWORD> p = WindowPixels(TL->Handle(), w, h);
    std::vector<COLORREF> seen;
    for (Integer y = R.top; y < R.bottom; ++y)
      for (Integer x = R.left; x < R.right; ++x)
        if (COLORREF c = PixelRgb(p, w, x, y); std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
    return seen.size();
  }
  static TPoint Centre(const TRect& R) { return TPoint{(R.left + R.right) / 2, (R.top + R.bottom) / 2}; }
  static TRect Inset(TRect R, Integer D) {
    InflateRect(&R, -D, -D);
    return R;
  }
};

TEST_F(FooterFixture, FooterTakesTheBottomAndShowsTheTotals) {
  Build();
  TvxTreeListSummaryItem* sum = AddItem(Num->Summary()->FooterSummaryItems(), skSum);
  AddItem(TL->Columns(1)->Summary()->FooterSummaryItems(), skCount);
  TvxTreeListSummaryItem* max = AddItem(TL->Columns(1)->Summary()->FooterSummaryItems(), skMax);
  max->SetVisible(false);
  TL->OptionsView()->SetFooter(true);
  Relayout();

  TvxCustomLookAndFeelPainterClass p = TL->LookAndFeelPainter();
  ASSERT_GT(VI()->FooterLineHeight, 0);
  EXPECT_EQ(VI()->FooterHeight,
            VI()->FooterLineHeight + p->FooterSeparatorSize() + p->FooterCellOffset() + p->FooterBorderSize());
  TvxTreeListBandCellViewInfo* panel = BandCell(VI()->Cells(), tlbpFooter);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->BoundsRect().bottom, VI()->Bounds().bottom);
  EXPECT_EQ(panel->BoundsRect().top, VI()->Bounds().bottom - VI()->FooterHeight);

  // The whole tree counts (every node, collapsed or not); a hidden item takes no place.
  struct Case {
    TvxTreeListColumn* Column;
    const wchar_t* Text;
  } cases[] = {{Num, L"21"}, {TL->Columns(1), L"6"}};
  for (const Case& c : cases) {
    TvxTreeListFooterCellViewInfo* cell = FooterCell(VI()->Cells(), c.Column);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Text(), c.Text);
    EXPECT_FALSE(cell->Hidden());
    EXPECT_GT(cell->BoundsRect().top, panel->BoundsRect().top);
    EXPECT_LT(cell->BoundsRect().bottom, panel->BoundsRect().bottom);
    EXPECT_GT(Colours(cell->BoundsRect()), 3u) << "text and frame are painted";
  }
  // A column without items has a hidden cell that paints nothing over the panel.
  TvxTreeListFooterCellViewInfo* empty = FooterCell(VI()->Cells(), TL->Columns(2));
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty->Hidden());
  EXPECT_EQ(Colours(Inset(empty->BoundsRect(), 1)), 1u);

  // Only the top-level nodes without AllNodes; collapsing changes nothing.
  sum->SetAllNodes(false);
  TL->FullCollapse();
  Relayout();
  EXPECT_EQ(FooterCell(VI()->Cells(), Num)->Text(), L"12");

  // Two visible items in one column: two footer lines, one item on each.
  max->SetVisible(true);
  Relayout();
  EXPECT_EQ(VI()->FooterLineCount(), 2);
  std::vector<TvxTreeListFooterCellViewInfo*> two;
  for (auto* c : Find<TvxTreeListFooterCellViewInfo>(VI()->Cells()))
    if (c->Column() == TL->Columns(1)) two.push_back(c);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0]->Text(), L"6");
  EXPECT_EQ(two[1]->Text(), L"C");
  EXPECT_EQ(two[1]->BoundsRect().top - two[0]->BoundsRect().top, VI()->FooterLineHeight);
}

TEST_F(FooterFixture, RowsStopAboveTheFooter) {
  TL->OptionsView()->SetFooter(true);
  TL->OptionsView()->SetIndicator(true);
  Fill(30);
  const Integer footerTop = VI()->Bounds().bottom - VI()->FooterHeight;
  ASSERT_GT(VI()->Count(), 1);
  for (Integer i = 0; i < VI()->NodesVisibleCount; ++i) EXPECT_LE(VI()->NodesViewData(i)->Bounds().bottom, footerTop);
  EXPECT_LE(VI()->ContentBounds().bottom, footerTop);
  // Scrolled to the end, the last row ends above the footer.
  VI()->SetTopIndex(1000);
  TL->MakeNodeVisible(Row(29));
  Relayout();
  TvxTreeListNodeViewData* last = VI()->NodeViewData(Row(29));
  ASSERT_NE(last, nullptr);
  EXPECT_LE(last->Bounds().bottom, footerTop);
  EXPECT_GT(last->Bounds().bottom + VI()->DefaultEditHeight(), footerTop);
  // The footer's indicator cell paints the panel, not the rows' background.
  const Integer x = VI()->Bounds().left + VI()->IndicatorWidth / 2;
  EXPECT_TRUE(HitAt(x, footerTop + 2)->HitAtIndicator());
  EXPECT_TRUE(HT()->HitAtFooter());
  EXPECT_FALSE(HT()->HitAtNode());
}

TEST_F(FooterFixture, HitsOnTheFooterReportItemsAndColumns) {
  Build();
  AddItem(Num->Summary()->FooterSummaryItems(), skSum);
  TL->OptionsView()->SetFooter(true);
  Relayout();
  TvxTreeListFooterCellViewInfo* cell = FooterCell(VI()->Cells(), Num);
  TvxTreeListBandCellViewInfo* panel = BandCell(VI()->Cells(), tlbpFooter);
  ASSERT_TRUE(cell && panel);
  const TRect r = cell->BoundsRect();
  struct Case {
    TPoint P;
    bool Item, Footer;
    TvxTreeListColumn* Column;
  } cases[] = {
      {Centre(r), true, false, Num},
      {TPoint{r.right + 1, Centre(r).y}, true, false, Num},  // two pixels around a cell count
      // The panel's top line: the band, and the column under the point found from there.
      {TPoint{Centre(r).x, panel->BoundsRect().top}, false, true, Num},
      {TPoint{VI()->Bounds().left + 3, panel->BoundsRect().top}, false, true, TL->Columns(0)},
  };
  for (const Case& c : cases) {
    TvxTreeListHitTest* h = HitAt(c.P.x, c.P.y);
    EXPECT_EQ(h->HitAtFooterItem(), c.Item) << c.P.x << "," << c.P.y;
    EXPECT_EQ(h->HitAtFooter(), c.Footer);
    EXPECT_EQ(h->HitAtBand(), c.Footer);
    EXPECT_TRUE(h->HitAtColumn());
    EXPECT_EQ(h->HitColumn, c.Column);
    EXPECT_FALSE(h->HitAtNode());
    EXPECT_FALSE(h->HitAtGroupFooter() || h->HitAtGroupFooterItem());
    EXPECT_TRUE(h->IsFooter());
  }
}

TEST_F(FooterFixture, TwoRowBandFooterFindsTheColumnOfTheRowUnderThePoint) {
  Build();
  // Num moves below Name: the band has two rows and the footer two lines.
  TvxTreeListColumn* name = TL->Columns(1);
  Num->Position()->SetRowIndex(1);
  for (Integer i = 0; i < TL->ColumnCount(); ++i) TL->Columns(i)->Options()->Set(TvxTreeListColumnOptions::Footer, false);
  TL->OptionsView()->SetFooter(true);
  Relayout();
  ASSERT_TRUE(VI()->MultiRows);
  EXPECT_EQ(VI()->FooterLineCount(), 2);
  Integer nameLeft = 0, nameRight = 0, numLeft = 0, numRight = 0;
  ASSERT_TRUE(VI()->ColumnSpan(name, nameLeft, nameRight));
  ASSERT_TRUE(VI()->ColumnSpan(Num, numLeft, numRight));
  ASSERT_LT(numLeft, nameRight);  // Num, alone in its row, lies under Name
  TvxTreeListBandCellViewInfo* panel = BandCell(VI()->Cells(), tlbpFooter);
  ASSERT_NE(panel, nullptr);
  const Integer x = (std::max(nameLeft, numLeft) + std::min(nameRight, numRight)) / 2;
  const TRect pr = panel->BoundsRect();
  struct Case {
    Integer Y;
    TvxTreeListColumn* Column;
  } cases[] = {{pr.top + 1, name}, {(pr.top + pr.bottom) / 2 - 1, name}, {(pr.top + pr.bottom) / 2 + 1, Num},
               {pr.bottom - 1, Num}};
  for (const Case& c : cases) {
    TvxTreeListHitTest* h = HitAt(x, c.Y);
    EXPECT_TRUE(h->HitAtFooter()) << c.Y;
    EXPECT_EQ(h->HitColumn, c.Column) << c.Y;
  }
}

TEST_F(FooterFixture, FooterCellsOfferHintsForTextTheyCannotShow) {
  Build();
  // Two rows in the band: Name's two items share one cell, side by side.
  Num->Position()->SetRowIndex(1);
  TvxTreeListColumn* name = TL->Columns(1);
  TvxTreeListSummaryItem* count = AddItem(name->Summary()->FooterSummaryItems(), skCount);
  AddItem(name->Summary()->FooterSummaryItems(), skMax);
  AddItem(Num->Summary()->FooterSummaryItems(), skSum);
  TL->OptionsView()->SetFooter(true);
  TL->OptionsBehavior()->SetFooterHints(true);
  Relayout();
  auto* both = dynamic_cast<TvxTreeListFooterMultiItemsCellViewInfo*>(FooterCell(VI()->Cells(), name));
  ASSERT_NE(both, nullptr);
  EXPECT_EQ(both->VisibleCount(), 2);
  EXPECT_EQ(both->Text(), String(L"6") + FormatSettings.ListSeparator + L"C");
  EXPECT_FALSE(both->NeedShowHint());
  TvxCanvas* canvas = vxGetScreenCanvas();
  bool below = true;
  TRect hint{};
  String text;
  const TPoint c = Centre(both->BoundsRect());
  EXPECT_FALSE(both->CalculateHint(canvas, c, below, hint, false, text));

  // A first item too long for the cell: the second stays on the line, and a hint offers all.
  count->OnGetText = [](TvxTreeListSummaryItem*, Node*, String& AText) { AText = String(80, L'W') + AText; };
  Relayout();
  both = dynamic_cast<TvxTreeListFooterMultiItemsCellViewInfo*>(FooterCell(VI()->Cells(), name));
  ASSERT_NE(both, nullptr);
  EXPECT_TRUE(both->NeedShowHint());
  EXPECT_TRUE(both->CalculateHint(canvas, c, below, hint, false, text));
  EXPECT_EQ(text, both->Text());
  EXPECT_TRUE(EqualRect(&hint, &both->BoundsRect()));
  EXPECT_TRUE(HT()->AllowsCellHint(both));
  TL->OptionsBehavior()->SetFooterHints(false);
  EXPECT_FALSE(HT()->AllowsCellHint(both));

  // A single-item cell measures its own text.
  TvxTreeListFooterCellViewInfo* sum = FooterCell(VI()->Cells(), Num);
  ASSERT_NE(sum, nullptr);
  EXPECT_FALSE(sum->CalculateHint(canvas, Centre(sum->BoundsRect()), below, hint, false, text));
  Num->Summary()->FooterSummaryItems()->Items(0)->OnGetText = [](TvxTreeListSummaryItem*, Node*, String& AText) {
    AText = String(200, L'W');
  };
  Relayout();
  sum = FooterCell(VI()->Cells(), Num);
  ASSERT_NE(sum, nullptr);
  EXPECT_TRUE(sum->CalculateHint(canvas, Centre(sum->BoundsRect()), below, hint, false, text));
  EXPECT_EQ(text, String(200, L'W'));
  EXPECT_FALSE(sum->CalculateHint(canvas, TPoint{-5, -5}, below, hint, false, text));
}

TEST_F(FooterFixture, GroupFootersCloseTheGroupsThatEndAtARow) {
  Build();
  AddItem(Num->Summary()->GroupFooterSummaryItems(), skSum);
  struct Expect {
    Node* FooterFixture::*N;
    std::vector<const wchar_t*> Totals;  // one per group footer, top first
  };
  struct Case {
    TvxTreeListGroupFootersMode Mode;
    bool CollapseA2;
    std::vector<Expect> Rows;
  } cases[] = {
      {tlgfInvisible, false, {}},
      // A2a ends A2's group (4) and A's (2 + 3 + 4).
      {tlgfVisibleWhenExpanded, false, {{&FooterFixture::A2a, {L"4", L"9"}}}},
      {tlgfAlwaysVisible, false, {{&FooterFixture::A2a, {L"4", L"9"}}}},
      // Collapsed, A2 ends A's group; shown always, also its own hidden children's.
      {tlgfVisibleWhenExpanded, true, {{&FooterFixture::A2, {L"9"}}}},
      {tlgfAlwaysVisible, true, {{&FooterFixture::A2, {L"4", L"9"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Mode) * 10 + c.CollapseA2);
    TL->OptionsView()->SetGroupFooters(c.Mode);
    A2->SetExpanded(!c.CollapseA2);
    Relayout();
    for (Node* FooterFixture::*n : {&FooterFixture::A, &FooterFixture::A1, &FooterFixture::A2, &FooterFixture::A2a,
                                    &FooterFixture::B, &FooterFixture::C}) {
      TvxTreeListNodeViewData* row = VI()->NodeViewData(this->*n);
      if (!row) continue;  // collapsed away
      std::vector<const wchar_t*> expected;
      for (const Expect& e : c.Rows)
        if (e.N == n) expected = e.Totals;
      ASSERT_EQ(row->GroupFooterCount, static_cast<Integer>(expected.size())) << VarToStr((this->*n)->Values(1));
      EXPECT_EQ(row->Bounds().bottom - row->Bounds().top,
                VI()->DefaultEditHeight() + row->GroupFooterCount * VI()->GroupFooterHeight);
      std::vector<TvxTreeListFooterCellViewInfo*> cells;
      for (auto* f : Find<TvxTreeListFooterCellViewInfo>(row->Cells()))
        if (f->Column() == Num) cells.push_back(f);
      ASSERT_EQ(cells.size(), expected.size());
      for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(cells[i]->Text(), expected[i]);
    }
  }
}

TEST_F(FooterFixture, GroupFooterLinesUpWithTheChildrenAndAnswersHits) {
  TL->OptionsView()->SetGridLines(tlglBoth);
  Build();
  AddItem(Num->Summary()->GroupFooterSummaryItems(), skSum);
  TL->OptionsView()->SetGroupFooters(tlgfVisibleWhenExpanded);
  Relayout();
  TvxTreeListNodeViewData* row = VI()->NodeViewData(A2a);
  ASSERT_NE(row, nullptr);
  ASSERT_EQ(row->GroupFooterCount, 2);
  // The first footer starts where A2a's name starts, the second where A's children's do.
  std::vector<TvxTreeListBandCellViewInfo*> panels;
  for (auto* b : Find<TvxTreeListBandCellViewInfo>(row->Cells()))
    if (b->Part() == tlbpGroupFooter) panels.push_back(b);
  ASSERT_EQ(panels.size(), 2u);
  const Integer a2aLeft = VI()->GetEditCell(A2a, TL->Columns(0))->BoundsRect().left;
  const Integer a1Left = VI()->GetEditCell(A1, TL->Columns(0))->BoundsRect().left;
  EXPECT_EQ(panels[0]->BoundsRect().left, a2aLeft);
  EXPECT_EQ(panels[1]->BoundsRect().left, a1Left);
  EXPECT_EQ(panels[1]->BoundsRect().top, panels[0]->BoundsRect().bottom - 1);
  // Beside them the tree's level cells go on: A has later siblings, so level 0 runs through.
  std::vector<TvxTreeListIndentCellViewInfo*> beside;
  for (auto* i : Find<TvxTreeListIndentCellViewInfo>(row->Cells()))
    if (i->BoundsRect().top >= panels[0]->BoundsRect().top) beside.push_back(i);
  ASSERT_EQ(beside.size(), 5u);  // levels 0..2, then 0..1
  EXPECT_TRUE(beside[0]->LineUp && beside[0]->LineDown);
  EXPECT_FALSE(beside[1]->LineUp || beside[2]->LineUp);

  // A hit on a group footer cell: the item, its column and the row's node.
  TvxTreeListFooterCellViewInfo* cell = FooterCell(row->Cells(), Num);
  ASSERT_NE(cell, nullptr);
  TvxTreeListHitTest* h = HitAt(Centre(cell->BoundsRect()).x, Centre(cell->BoundsRect()).y);
  EXPECT_TRUE(h->HitAtGroupFooterItem());
  EXPECT_FALSE(h->HitAtFooterItem());
  EXPECT_TRUE(h->HitAtNode());
  EXPECT_EQ(h->HitNode, A2a);
  EXPECT_EQ(h->HitColumn, Num);
  // The panel's top line beside the cells: the group footer and the band.
  h = HitAt(Centre(cell->BoundsRect()).x, panels[0]->BoundsRect().top);
  EXPECT_TRUE(h->HitAtGroupFooter());
  EXPECT_TRUE(h->HitAtBand());
  EXPECT_EQ(h->HitColumn, Num);

  // The row below (B) does not paint over the second footer's bottom edge.
  TvxTreeListNodeViewData* next = VI()->NodeViewData(B);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->Bounds().top, panels[1]->BoundsRect().bottom);
  int w = 0, hgt = 0;
  std::vector<DWORD> px = WindowPixels(TL->Handle(), w, hgt);
  const Integer x = (panels[1]->BoundsRect().left + panels[1]->BoundsRect().right) / 2;
  const COLORREF content = PixelRgb(px, w, x, (next->Bounds().top + next->Bounds().bottom) / 2);
  EXPECT_NE(PixelRgb(px, w, x, panels[1]->BoundsRect().bottom - 1), content);
}

TEST_F(FooterFixture, FootersAndGroupFootersPaintLikeTheReference) {
  TL->OptionsView()->SetGridLines(tlglHorz);
  TL->OptionsView()->SetIndicator(true);
  Build();
  AddItem(Num->Summary()->FooterSummaryItems(), skSum);
  AddItem(TL->Columns(1)->Summary()->FooterSummaryItems(), skCount);
  AddItem(Num->Summary()->GroupFooterSummaryItems(), skMax);
  TL->OptionsView()->SetFooter(true);
  TL->OptionsView()->SetGroupFooters(tlgfVisibleWhenExpanded);
  TL->SetFocusedNode(B);
  Relayout();
  int w = 0, h = 0;
  std::vector<DWORD> pixels = WindowPixels(TL->Handle(), w, h);
  ExpectMatchesImage(L"FooterAndGroupFooters", w, h, pixels);
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
