// Band layouts beyond one band of one-line columns on a shown window: nested bands with one
// header line per band level, columns in several band rows and lines with node rows as
// tall as their lines, and the tree's indent (widened by images or check boxes) that group
// footers and previews line up with.
#include "TreeListViewTestSupport.h"

#include <algorithm>

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

struct LayoutFixture : ListFixture {
  TRect HeaderRect(TvxTreeListColumn* C) {
    for (auto* h : Find<TvxTreeListColumnHeaderCellViewInfo>(VI()->Cells()))
      if (h->Column() == C) return h->BoundsRect();
    return TRect{};
  }
  TvxTreeListBandHeaderCellViewInfo* BandHeader(TvxTreeListBand* B) {
    for (auto* h : Find<TvxTreeListBandHeaderCellViewInfo>(VI()->Cells()))
      if (h->Band() == B) return h;
    return nullptr;
  }
  static TPoint Centre(const TRect& R) { return TPoint{(R.left + R.right) / 2, (R.top + R.bottom) / 2}; }
};

// Parent (Child 1, Child 2) beside Other: two band levels.
struct NestedBandsFixture : LayoutFixture {
  TvxTreeListBand *Parent = nullptr, *Child1 = nullptr, *Child2 = nullptr, *Other = nullptr;
  void Build() {
    Parent = TL->Bands()->Items(0);
    Parent->Caption()->SetText(L"Parent");
    Child1 = TL->Bands()->Add();
    Child1->Caption()->SetText(L"Child 1");
    Child2 = TL->Bands()->Add();
    Child2->Caption()->SetText(L"Child 2");
    Other = TL->Bands()->Add();
    Other->Caption()->SetText(L"Other");
    Child1->Position()->SetBandIndex(Parent->Index());  // takes the parent's six columns
    Child2->Position()->SetBandIndex(Parent->Index());
    for (Integer c : {3, 4}) TL->Columns(c)->Position()->SetBandIndex(Child2->Index());
    TL->Columns(5)->Position()->SetBandIndex(Other->Index());
    TL->OptionsView()->SetBands(true);
    Fill(3);
    Relayout();
  }
};

TEST_F(NestedBandsFixture, ParentHeadersSpanTheirChildrenAndColumnsSitUnderTheBottomBands) {
  Build();
  ASSERT_EQ(TL->Bands()->LineCount(), 2);
  const Integer line = VI()->BandLineHeight, top = VI()->Bounds().top;
  ASSERT_GT(line, 0);
  EXPECT_EQ(VI()->BandsHeight, 2 * line);
  struct Case {
    TvxTreeListBand* NestedBandsFixture::*Band;
    Integer Top, Lines;  // in band lines
  } cases[] = {{&NestedBandsFixture::Parent, 0, 1},
               {&NestedBandsFixture::Child1, 1, 1},
               {&NestedBandsFixture::Child2, 1, 1},
               {&NestedBandsFixture::Other, 0, 2}};  // a bottom band at the top fills both lines
  for (const Case& c : cases) {
    TvxTreeListBand* b = this->*c.Band;
    SCOPED_TRACE(VarToStr(Variant(b->Caption()->Text())));
    TvxTreeListBandHeaderCellViewInfo* h = BandHeader(b);
    ASSERT_NE(h, nullptr);
    const TRect r = h->BoundsRect();
    EXPECT_EQ(r.top, top + c.Top * line);
    EXPECT_EQ(r.bottom - r.top, c.Lines * line);
    EXPECT_EQ(r.right - r.left, b->DisplayWidth());
    // A hit on the header names its band; only bottom bands have a lower sizing edge.
    TvxTreeListHitTest* hit = HitAt(Centre(r).x, Centre(r).y);
    EXPECT_TRUE(hit->HitAtBandHeader());
    EXPECT_EQ(hit->HitBand, b);
    hit = HitAt(Centre(r).x + 10, r.bottom - 1);
    EXPECT_EQ(hit->HitAtSizingVert(), b->IsBottom());
    if (!b->IsBottom()) {
      EXPECT_EQ(hit->HitBand, b);
    }
  }
  // The children share their parent's width, side by side under it.
  const TRect p = BandHeader(Parent)->BoundsRect(), c1 = BandHeader(Child1)->BoundsRect(),
              c2 = BandHeader(Child2)->BoundsRect(), o = BandHeader(Other)->BoundsRect();
  EXPECT_EQ(c1.left, p.left);
  EXPECT_EQ(c2.left, c1.right);
  EXPECT_EQ(c2.right, p.right);
  EXPECT_EQ(o.left, p.right);
  // Each bottom band's columns start at its header's left, below the band lines, and the
  // rows' cells lie under their headers.
  const std::pair<TvxTreeListColumn*, TRect> firsts[] = {
      {TL->Columns(0), c1}, {TL->Columns(3), c2}, {TL->Columns(5), o}};
  for (const auto& [col, band] : firsts) {
    const TRect h = HeaderRect(col);
    EXPECT_EQ(h.left, band.left);
    EXPECT_EQ(h.top, top + 2 * line);
  }
  for (Integer c = 0; c < 6; ++c) {
    const TRect cell = VI()->GetEditCell(Row(1), TL->Columns(c))->BoundsRect();
    EXPECT_EQ(cell.right, HeaderRect(TL->Columns(c)).right) << c;
  }
  EXPECT_EQ(HeaderRect(TL->Columns(4)).right, c2.right);

  // Every band header is painted with its caption: the child's text shows on its header.
  int w = 0, ht = 0;
  const std::vector<DWORD> px = WindowPixels(TL->Handle(), w, ht);
  for (TvxTreeListBand* b : {Parent, Child1, Child2}) {
    const TRect t = BandHeader(b)->TextBounds;
    const COLORREF back = PixelRgb(px, w, t.right - 1, (t.top + t.bottom) / 2);
    Integer ink = 0;
    for (Integer y = t.top; y < t.bottom; ++y)
      for (Integer x = t.left; x < t.left + 30; ++x) ink += PixelRgb(px, w, x, y) != back;
    EXPECT_GT(ink, 10) << VarToStr(Variant(b->Caption()->Text()));
  }
  ExpectMatchesImage(L"NestedBands", w, ht, px);
}

TEST_F(NestedBandsFixture, HiddenBandHeadersStillPlaceTheColumnsUnderTheBottomBands) {
  Build();
  // The parent wider than its children together: the columns follow the bottom bands,
  // not a sum of widths.
  TL->OptionsView()->SetColumnAutoWidth(false);
  Other->SetWidth(120);
  Relayout();
  const TRect c2 = BandHeader(Child2)->BoundsRect(), o = BandHeader(Other)->BoundsRect();
  EXPECT_EQ(HeaderRect(TL->Columns(3)).left, c2.left);
  EXPECT_EQ(HeaderRect(TL->Columns(5)).left, o.left);
  TL->OptionsView()->SetBands(false);
  Relayout();
  EXPECT_EQ(VI()->BandsHeight, 0);
  EXPECT_EQ(BandHeader(Parent), nullptr);
  EXPECT_EQ(HeaderRect(TL->Columns(3)).left, c2.left);
  EXPECT_EQ(HeaderRect(TL->Columns(5)).left, o.left);
  EXPECT_EQ(HeaderRect(TL->Columns(0)).top, VI()->Bounds().top);
}

// One band in two rows: Type, Name (two lines), Access; then Inherited, Applies to, (last).
struct MultiLineFixture : LayoutFixture {
  void Build() {
    TL->Columns(1)->Position()->SetLineCount(2);
    for (Integer c = 3; c < 6; ++c) TL->Columns(c)->Position()->SetRowIndex(1);
    Fill(8);
    Relayout();
  }
};

TEST_F(MultiLineFixture, RowsAreAsTallAsTheColumnLinesAndCellsSitUnderTheirHeaders) {
  Build();
  TvxTreeListBand* band = TL->Bands()->Items(0);
  ASSERT_EQ(band->BandRows()->VisibleItemCount(), 2);
  ASSERT_EQ(TL->Bands()->ColumnsLineCount(), 3);
  const Integer line = VI()->DefaultEditHeight(), header = VI()->HeaderLineHeight;
  const Integer headerTop = VI()->Bounds().top + VI()->BandsHeight;
  EXPECT_EQ(VI()->HeadersHeight, 3 * header);
  for (Integer i = 0; i < 3; ++i) {
    const TRect r = VI()->NodeViewData(Row(i))->Bounds();
    EXPECT_EQ(r.bottom - r.top, 3 * line) << i;
  }
  // The rows that fit completely are counted whole.
  const Integer area = VI()->Bounds().bottom - headerTop - VI()->HeadersHeight;
  EXPECT_EQ(VI()->NodesVisibleCount, area / (3 * line));

  struct Case {
    Integer Column, Line, Lines;
  } cases[] = {{0, 0, 1}, {1, 0, 2}, {2, 0, 1}, {3, 2, 1}, {4, 2, 1}, {5, 2, 1}};
  Node* n = Row(1);
  const TRect row = VI()->NodeViewData(n)->Bounds();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Column);
    TvxTreeListColumn* col = TL->Columns(c.Column);
    const TRect h = HeaderRect(col);
    EXPECT_EQ(h.top, headerTop + c.Line * header);
    EXPECT_EQ(h.bottom - h.top, c.Lines * header);
    const TRect cell = VI()->GetEditCell(n, col)->BoundsRect();
    EXPECT_EQ(cell.top, row.top + c.Line * line);
    EXPECT_EQ(cell.bottom - cell.top, c.Lines * line);
    // The first column of each band row starts after the tree's indent.
    Integer indent = h.left;
    for (TvxTreeListIndentCellViewInfo* i : Indents(n)) indent = std::max<Integer>(indent, i->BoundsRect().right);
    EXPECT_EQ(cell.left, c.Column % 3 == 0 ? indent : h.left);
    EXPECT_EQ(cell.right, h.right);
    // Hits and clicks find the cell's column and node.
    TvxTreeListHitTest* hit = HitAt(Centre(cell).x, Centre(cell).y);
    EXPECT_TRUE(hit->HitAtColumn());
    EXPECT_EQ(hit->HitColumn, col);
    EXPECT_EQ(hit->HitNode, n);
  }
  // Under the one-line Type column its band's content fills the line: a hit there is the
  // band's and the node's, and it paints as the data cells' empty parts do.
  const TRect type = VI()->GetEditCell(n, TL->Columns(0))->BoundsRect();
  const TPoint gap{Centre(type).x, type.bottom + line / 2};
  TvxTreeListHitTest* hit = HitAt(gap.x, gap.y);
  EXPECT_TRUE(hit->HitAtBand());
  EXPECT_EQ(hit->HitBand, band);
  EXPECT_EQ(hit->HitNode, n);
  EXPECT_FALSE(hit->HitAtColumn());
  int w = 0, ht = 0;
  std::vector<DWORD> px = WindowPixels(TL->Handle(), w, ht);
  const TRect last = VI()->GetEditCell(n, TL->Columns(5))->BoundsRect();
  EXPECT_EQ(PixelRgb(px, w, gap.x, gap.y), PixelRgb(px, w, last.right - 4, Centre(last).y));

  // A click on the second line of the two-line Name cell focuses its node.
  const TRect name = VI()->GetEditCell(Row(2), TL->Columns(1))->BoundsRect();
  Click(Centre(name).x, name.bottom - line / 2);
  EXPECT_EQ(TL->FocusedNode(), Row(2));
  ExpectMatchesImage(L"MultiLineRows", w, ht, px);
}

// A (A1, A2 (A2a)), B with a group footer total and a preview line under every node.
struct IndentFixture : LayoutFixture {
  Node *A = nullptr, *A1 = nullptr, *A2 = nullptr, *A2a = nullptr, *B = nullptr;
  std::unique_ptr<TImageList> Images;
  TvxTreeListColumn* Notes = nullptr;
  void SetUp() override {
    ListFixture::SetUp();
    Form->SetBounds(40, 40, 540, 480);
    TL->SetBounds(0, 0, 500, 440);
    Notes = TL->CreateColumn();
    TL->Preview()->SetColumn(Notes);
    TL->Preview()->SetVisible(true);
    TL->Preview()->SetMaxLineCount(1);
    TL->Preview()->SetAutoHeight(false);
    TL->Columns(1)->Summary()->GroupFooterSummaryItems()->Add()->SetKind(skCount);
    TL->OptionsView()->SetGroupFooters(tlgfVisibleWhenExpanded);
  }
  void Build(Integer AImageSize, bool ADynamicIndent, bool AChecks) {
    TL->OptionsView()->SetDynamicIndent(ADynamicIndent);
    TL->Clear();
    A = TL->Add();
    A1 = TL->AddChild(A);
    A2 = TL->AddChild(A);
    A2a = TL->AddChild(A2);
    B = TL->Add();
    for (Node* n : {A, A1, A2, A2a, B}) n->SetValues(Notes->ItemIndex(), Variant(String(L"note")));
    if (AChecks) {
      TL->OptionsView()->SetCheckGroups(true);
      A->SetCheckGroupType(ncgCheckGroup);
      A2->SetCheckGroupType(ncgCheckGroup);
    }
    if (AImageSize > 0) {
      Images = std::make_unique<TImageList>(AImageSize, AImageSize);
      TL->SetImages(Images.get());
    }
    TL->FullExpand();
    Relayout();
  }
  // Where a node's level steps end: its glyphs and then its cells follow.
  Integer StepsEnd(Node* N) {
    Integer r = -1;
    for (TvxTreeListIndentCellViewInfo* c : Indents(N))
      if (c->Kind == nikLevel) r = std::max<Integer>(r, c->BoundsRect().right);
    return r;
  }
};

TEST_F(IndentFixture, GroupFootersAndPreviewsFollowTheIndentThatImagesAndChecksWiden) {
  struct Case {
    Integer ImageSize;
    bool DynamicIndent, Checks;
  } cases[] = {{24, false, false}, {24, true, false}, {0, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.ImageSize) + (c.DynamicIndent ? " dynamic" : "") + (c.Checks ? " checks" : ""));
    Build(c.ImageSize, c.DynamicIndent, c.Checks);
    // The indent really is wider than the level steps: glyphs follow them.
    const Integer a2aData = VI()->GetEditCell(A2a, TL->Columns(0))->BoundsRect().left;
    ASSERT_GT(a2aData, StepsEnd(A2a));
    // A2a closes A2's group and A's: each footer starts where its level's steps end, as
    // the tree's level cells beside it do.
    TvxTreeListNodeViewData* row = VI()->NodeViewData(A2a);
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->GroupFooterCount, 2);
    std::vector<TvxTreeListBandCellViewInfo*> panels;
    for (auto* b : Find<TvxTreeListBandCellViewInfo>(row->Cells()))
      if (b->Part() == tlbpGroupFooter) panels.push_back(b);
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_EQ(panels[0]->BoundsRect().left, StepsEnd(A2a));
    EXPECT_EQ(panels[1]->BoundsRect().left, StepsEnd(A1));
    for (auto* panel : panels) {
      Integer besideRight = -1;
      for (auto* i : Find<TvxTreeListIndentCellViewInfo>(row->Cells()))
        if (i->BoundsRect().top == panel->BoundsRect().top)
          besideRight = std::max<Integer>(besideRight, i->BoundsRect().right);
      EXPECT_EQ(besideRight, panel->BoundsRect().left);
    }
    // Every preview starts where its node's cells start.
    for (Node* n : {A, A1, A2, A2a, B}) {
      SCOPED_TRACE(n->VisibleIndex());
      TvxTreeListNodeViewData* r = VI()->NodeViewData(n);
      ASSERT_NE(r, nullptr);
      auto previews = Find<TvxTreeListPreviewCellViewInfo>(r->Cells());
      ASSERT_EQ(previews.size(), 1u);
      EXPECT_EQ(previews[0]->BoundsRect().left, VI()->GetEditCell(n, TL->Columns(0))->BoundsRect().left);
    }
    TL->SetImages(nullptr);
    TL->OptionsView()->SetCheckGroups(false);
  }
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
