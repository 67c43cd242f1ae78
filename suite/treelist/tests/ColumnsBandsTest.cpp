#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "vxTL.h"

namespace ZS_UNITY_ID {

namespace {

using Col = TvxTreeListColumn;
using Band = TvxTreeListBand;

Variant Str(const wchar_t* s) { return Variant(String(s)); }

// The main window's list: one band, six string columns, ColumnAutoWidth, 600 pixels.
struct MainListFixture : ::testing::Test {
  TvxTreeList tl;
  std::vector<Col*> cols;
  void SetUp() override {
    tl.OptionsView()->SetColumnAutoWidth(true);
    tl.SetBandAreaWidth(600);
    for (const wchar_t* caption : {L"Type", L"Name", L"Access", L"Inherited", L"Applies", L"Flags"}) {
      Col* c = tl.CreateColumn();
      c->Caption()->SetText(caption);
      cols.push_back(c);
    }
    tl.LayoutChanged();
  }
  std::vector<Integer> DisplayWidths() {
    std::vector<Integer> r;
    for (Col* c : cols) r.push_back(c->DisplayWidth());
    return r;
  }
  static Integer Sum(const std::vector<Integer>& v) { return std::accumulate(v.begin(), v.end(), 0); }
  std::wstring Row(TvxTreeListBandRow* row) {
    std::wstring r;
    for (Integer i = 0; i < row->Count(); ++i) r += std::wstring(row->Items(i)->Caption()->Text()) + L" ";
    return r;
  }
};

TEST(TreeListColumns, NewColumnDefaults) {
  TvxTreeList tl;
  Col* c = tl.CreateColumn();
  EXPECT_EQ(c->Width(), 100);
  EXPECT_EQ(c->MinWidth(), 20);
  EXPECT_EQ(c->SortIndex(), -1);
  EXPECT_EQ(c->SortOrder(), soNone);
  EXPECT_TRUE(c->Visible());
  EXPECT_TRUE(c->ActuallyVisible());
  EXPECT_EQ(c->ItemIndex(), 0);
  EXPECT_EQ(tl.ColumnCount(), 1);
  EXPECT_EQ(tl.Bands()->Count(), 1);  // the default band was made for it
  EXPECT_EQ(c->Position()->Band(), tl.Bands()->Items(0));
  EXPECT_EQ(c->Position()->RowIndex(), 0);
  EXPECT_EQ(c->Position()->ColIndex(), 0);
  EXPECT_TRUE(VarIsNull(c->Value()));  // no focused node
  // A caption without text reads the binding's default and is not written.
  EXPECT_EQ(c->Caption()->Text(), L"");
  EXPECT_FALSE(c->Caption()->IsTextStored());
  c->Caption()->SetText(L"Name");
  EXPECT_TRUE(c->Caption()->IsTextStored());
  TvxTreeListColumnOptions* o = c->Options();
  using O = TvxTreeListColumnOptions;
  for (O::TOption opt : {O::CellEndEllipsis, O::Footer, O::GroupFooter, O::Sizing, O::VertSizing, O::Customizing,
                         O::Editing, O::Focusing, O::IncSearch, O::Moving, O::Sorting, O::TabStop})
    EXPECT_TRUE(o->Get(opt)) << opt;
  EXPECT_FALSE(o->Get(O::Hidden));
  EXPECT_FALSE(o->Get(O::ShowEditButtons));
}

TEST(TreeListColumns, WidthsAndClamps) {
  TvxTreeList tl;
  Col* c = tl.CreateColumn();
  Col* d = tl.CreateColumn();
  // d is not the first column of its row, so no indent counts for it.
  d->SetMinWidth(50);
  EXPECT_EQ(d->Width(), 50);
  d->SetMinWidth(-3);
  EXPECT_EQ(d->MinWidth(), 0);
  d->SetWidth(-7);
  EXPECT_GE(d->Width(), 0);
  d->SetBestFitMaxWidth(-1);
  EXPECT_EQ(d->BestFitMaxWidth(), 0);
  // The first column carries the tree's indent once there are nodes to indent.
  tl.Add();
  Integer indent = tl.GetIndentWidth();
  EXPECT_GT(indent, 0);
  EXPECT_EQ(c->IndentWidth(), indent);
  EXPECT_EQ(d->IndentWidth(), 0);
  c->SetMinWidth(50);
  EXPECT_EQ(c->Width(), 50 + indent);
  c->Position()->SetLineCount(0);
  EXPECT_EQ(c->Position()->LineCount(), 1);
}

TEST(TreeListColumns, ItemIndexExchangeKeepsValuesWithTheirColumns) {
  TvxTreeList tl;
  Col* a = tl.CreateColumn();
  Col* b = tl.CreateColumn();
  Col* c = tl.CreateColumn();
  TvxTreeListNode* n = tl.Add();
  n->SetValues(0, Str(L"a"));
  n->SetValues(1, Str(L"b"));
  n->SetValues(2, Str(L"c"));
  a->SetItemIndex(2);
  EXPECT_EQ(tl.Columns(0), c);
  EXPECT_EQ(tl.Columns(2), a);
  EXPECT_EQ(a->ItemIndex(), 2);
  EXPECT_EQ(VarToStr(n->Values(0)), L"c");  // the column now at index 0
  EXPECT_EQ(VarToStr(n->Values(2)), L"a");
  EXPECT_EQ(VarToStr(n->Values(1)), L"b");
  // Out of range and unchanged indexes do nothing.
  b->SetItemIndex(7);
  b->SetItemIndex(-1);
  EXPECT_EQ(b->ItemIndex(), 1);
  // Values follow when a column goes.
  delete c;
  EXPECT_EQ(tl.ColumnCount(), 2);
  EXPECT_EQ(VarToStr(n->Values(0)), L"b");
  EXPECT_EQ(VarToStr(n->Values(1)), L"a");
}

TEST(TreeListColumns, ValueTypeChangeConvertsTheValues) {
  TvxTreeList tl;
  Col* c = tl.CreateColumn();
  Col* other = tl.CreateColumn();
  TvxTreeListNode* n1 = tl.Add();
  TvxTreeListNode* n2 = tl.Add();
  n1->SetValues(0, Str(L"42"));
  n2->SetValues(0, Str(L"not a number"));
  n1->SetValues(1, Str(L"kept"));
  c->DataBinding()->SetValueType(L"Integer");
  EXPECT_EQ(tl.DataController()->GetItemValueTypeClass(0), TvxIntegerValueType::Class());
  EXPECT_EQ(n1->Values(0), Variant(42));
  EXPECT_TRUE(VarIsNull(n2->Values(0)));
  EXPECT_EQ(VarToStr(n1->Values(1)), L"kept");
  EXPECT_EQ(other->ItemIndex(), 1);
  // The focused node's value through the column.
  tl.SetFocusedNode(n1);
  EXPECT_EQ(c->Value(), Variant(42));
  c->SetValue(Variant(7));
  EXPECT_EQ(n1->Values(0), Variant(7));
  c->OnGetDisplayText = [](Col*, TvxTreeListNode*, String& Text) { Text = L"<" + Text + L">"; };
  EXPECT_EQ(VarToStr(c->GetDisplayValue(n1, true)), L"<7>");
  EXPECT_EQ(c->GetDisplayValue(n1, false, true), Variant(7));
}

TEST(TreeListColumns, SortingIndexesStayAGaplessOrder) {
  TvxTreeList tl;
  Col* a = tl.CreateColumn();
  Col* b = tl.CreateColumn();
  Col* c = tl.CreateColumn();
  b->SetSortIndex(0);  // not sorted: stays -1
  EXPECT_EQ(b->SortIndex(), -1);
  a->SetSortOrder(soAscending);
  b->SetSortOrder(soDescending);
  c->SetSortOrder(soAscending);
  EXPECT_EQ(tl.SortedColumnCount(), 3);
  EXPECT_EQ((std::vector<Integer>{a->SortIndex(), b->SortIndex(), c->SortIndex()}), (std::vector<Integer>{0, 1, 2}));
  // Moving the last to the front renumbers the others: no two columns share index 0.
  c->SetSortIndex(0);
  EXPECT_EQ((std::vector<Integer>{c->SortIndex(), a->SortIndex(), b->SortIndex()}), (std::vector<Integer>{0, 1, 2}));
  EXPECT_EQ(tl.SortedColumns(0), c);
  ASSERT_EQ(tl.SortColumns.size(), 3u);
  EXPECT_EQ(tl.SortColumns[0].ItemIndex, 2);
  EXPECT_TRUE(tl.SortColumns[2].Descending);
  a->SetSortOrder(soNone);
  EXPECT_EQ(a->SortIndex(), -1);
  EXPECT_EQ(b->SortIndex(), 1);
  // The tree is sorted by the sort columns when the batch is processed.
  for (const wchar_t* v : {L"b", L"c", L"a"}) tl.Add()->SetValues(2, Str(v));
  std::wstring order;
  for (Integer i = 0; i < tl.AbsoluteCount(); ++i) order += VarToStr(tl.AbsoluteItems(i)->Values(2));
  EXPECT_EQ(order, L"abc");
  // Without MultiSort a new sort column replaces the others.
  tl.OptionsBehavior()->MultiSort = false;
  a->SetSortOrder(soAscending);
  EXPECT_EQ(tl.SortedColumnCount(), 1);
  EXPECT_EQ(c->SortOrder(), soNone);
  tl.SetSorted(false);
  EXPECT_FALSE(tl.Sorted());
}

TEST_F(MainListFixture, AutoWidthFillsTheBandAreaExactly) {
  std::vector<Integer> w = DisplayWidths();
  EXPECT_EQ(Sum(w), 600);
  for (Integer x : w) EXPECT_EQ(x, 100);
  // With nodes the first column carries the indent and the sum still matches.
  for (Integer i = 0; i < 3; ++i) tl.Add();
  for (Integer area : {600, 613, 437, 120}) {
    tl.SetBandAreaWidth(area);
    w = DisplayWidths();
    EXPECT_EQ(Sum(w), std::max(area, 6 * 20 + tl.GetIndentWidth())) << area;
    for (size_t i = 0; i < w.size(); ++i) EXPECT_GE(w[i], cols[i]->IndentWidth() + cols[i]->MinWidth()) << area;
  }
  // A hidden column gives its share to the others.
  tl.SetBandAreaWidth(600);
  EXPECT_EQ(tl.Bands()->Items(0)->DisplayWidth(), 600);
  cols[3]->SetVisible(false);
  tl.LayoutChanged();
  EXPECT_EQ(cols[3]->DisplayWidth(), 0);
  EXPECT_EQ(Sum(DisplayWidths()), 600);
  EXPECT_EQ(tl.VisibleColumnCount(), 5);
}

TEST_F(MainListFixture, WithoutAutoWidthColumnsKeepTheirWidths) {
  tl.OptionsView()->SetColumnAutoWidth(false);
  cols[1]->SetWidth(150);
  tl.LayoutChanged();
  EXPECT_EQ(DisplayWidths(), (std::vector<Integer>{100, 150, 100, 100, 100, 100}));
  EXPECT_EQ(tl.Bands()->Items(0)->DisplayWidth(), 650);
}

TEST_F(MainListFixture, SizingAColumnKeepsTheColumnsToItsLeft) {
  for (Col* c : cols) c->SetWidth(100);
  tl.LayoutChanged();
  std::vector<std::wstring> sized;
  tl.OnColumnSizeChanged = [&](TObject*, Col* c) { sized.push_back(std::wstring(c->Caption()->Text())); };
  cols[2]->SetDisplayWidth(160);
  std::vector<Integer> w = DisplayWidths();
  EXPECT_EQ(w[0], 100);
  EXPECT_EQ(w[1], 100);
  EXPECT_EQ(w[2], 160);
  EXPECT_EQ(Sum(w), 600);
  EXPECT_EQ(tl.ForcingWidthColumn, nullptr);
  EXPECT_EQ(sized, (std::vector<std::wstring>{L"Access"}));
}

TEST_F(MainListFixture, PlacesInRowsAndBands) {
  TvxTreeListBand* band = tl.Bands()->Items(0);
  ASSERT_EQ(band->BandRows()->Count(), 1);
  TvxTreeListBandRow* row = band->BandRows()->Items(0);
  EXPECT_EQ(Row(row), L"Type Name Access Inherited Applies Flags ");
  cols[0]->Position()->SetColIndex(1);  // current + 1: stays
  EXPECT_EQ(cols[0]->Position()->ColIndex(), 0);
  cols[0]->Position()->SetColIndex(2);  // current + 2: one place right
  EXPECT_EQ(Row(row), L"Name Type Access Inherited Applies Flags ");
  cols[5]->Position()->SetRowIndex(4);  // beyond the rows: a new row at the end
  ASSERT_EQ(band->BandRows()->Count(), 2);
  EXPECT_EQ(cols[5]->Position()->RowIndex(), 1);
  EXPECT_EQ(Row(band->BandRows()->Items(1)), L"Flags ");
  // IsFirst answers for the last row, IsLast for the first.
  EXPECT_TRUE(band->BandRows()->Items(1)->IsFirst());
  EXPECT_TRUE(band->BandRows()->Items(0)->IsLast());
  // Back into row 0: the emptied row is dropped.
  cols[5]->Position()->SetRowIndex(0);
  EXPECT_EQ(band->BandRows()->Count(), 1);
  cols[4]->Position()->SetPositionEx(0, 0, true, 0);  // a new first row
  EXPECT_EQ(band->BandRows()->Count(), 2);
  EXPECT_EQ(Row(band->BandRows()->Items(0)), L"Applies ");
  // A freed column leaves its row.
  delete cols[4];
  cols.erase(cols.begin() + 4);
  EXPECT_EQ(band->BandRows()->Count(), 1);
  EXPECT_EQ(band->ColumnCount(), 5);
}

TEST_F(MainListFixture, EmptyAreaFlagFollowsLineCountOrder) {
  TvxTreeListBand* band = tl.Bands()->Items(0);
  cols[0]->Position()->SetLineCount(2);
  band->BandRows()->Refresh();
  EXPECT_TRUE(band->HasEmptyArea());  // 2 then 1
  cols[0]->Position()->SetLineCount(1);
  cols[1]->Position()->SetLineCount(2);
  cols[0]->Position()->SetColIndex(6);  // order: Name(2), ..., Type(1) -> 2 then 1 again
  band->BandRows()->Refresh();
  EXPECT_TRUE(band->HasEmptyArea());
  cols[1]->Position()->SetColIndex(6);  // Name(2) last: 1 ... then 2
  band->BandRows()->Refresh();
  EXPECT_FALSE(band->HasEmptyArea());
  EXPECT_EQ(band->BandRows()->LineCount(), 2);
}

TEST(TreeListBands, NewBandAndNesting) {
  TvxTreeList tl;
  TvxTreeListBands* bands = tl.Bands();
  Band* a = bands->Add();
  EXPECT_EQ(a->Width(), 0);
  EXPECT_EQ(a->MinWidth(), 20);
  EXPECT_EQ(a->DisplayWidth(), 100);
  Col* c1 = tl.CreateColumn(a);
  Col* c2 = tl.CreateColumn(a);
  Band* b = bands->Add();
  // B becomes A's child: A's columns move to B, its deepest first descendant.
  b->Position()->SetBandIndex(a->Index());
  EXPECT_EQ(b->ParentBand(), a);
  EXPECT_EQ(a->ColumnCount(), 0);
  EXPECT_EQ(b->ColumnCount(), 2);
  EXPECT_EQ(c1->Position()->Band(), b);
  EXPECT_EQ(b->Level(), 1);
  EXPECT_EQ(b->RootParentBand(), a);
  Band* c = bands->Add();
  c->Position()->SetBandIndex(b->Index());
  // A under its own grandchild C: A's children first move up, so no cycle arises.
  a->Position()->SetBandIndex(c->Index());
  EXPECT_EQ(a->ParentBand(), c);
  EXPECT_FALSE(c->HasAsParent(a));
  EXPECT_TRUE(b->IsRoot());
  // Naming a band itself as parent is ignored.
  b->Position()->SetBandIndex(b->Index());
  EXPECT_TRUE(b->IsRoot());
  // Columns given to a band with children: the children move out to the root level.
  Band* d = bands->Add();
  Band* e = bands->Add();
  e->Position()->SetBandIndex(d->Index());
  c2->Position()->SetBandIndex(d->Index());
  EXPECT_TRUE(e->IsRoot());
  EXPECT_EQ(d->ChildBandCount(), 0);
  EXPECT_EQ(c2->Position()->Band(), d);
  // A child whose fixed kind differs from its parent's becomes a root band.
  Band* f = bands->Add();
  f->Position()->SetBandIndex(e->Index());
  f->SetFixedKind(tlbfLeft);
  EXPECT_TRUE(f->IsRoot());
  // A parent's fixed kind goes down to its children.
  Band* g = bands->Add();
  g->Position()->SetBandIndex(e->Index());
  e->SetFixedKind(tlbfRight);
  EXPECT_EQ(g->FixedKind(), tlbfRight);
  EXPECT_EQ(g->ParentBand(), e);
  tl.LayoutChanged();
  // Visible order: left-fixed, unfixed, right-fixed.
  EXPECT_EQ(bands->VisibleRootItems(0), f);
  EXPECT_EQ(bands->VisibleRootItems(bands->VisibleRootItemCount() - 1), e);
  EXPECT_EQ(bands->VisibleRootLeftFixedCount(), 1);
  EXPECT_EQ(bands->VisibleRootRightFixedCount(), 1);
}

TEST(TreeListBands, DestroyedBandLeavesItsParentAndChildren) {
  TvxTreeList tl;
  TvxTreeListBands* bands = tl.Bands();
  Band* parent = bands->Add();
  Band* child = bands->Add();
  Band* grandchild = bands->Add();
  child->Position()->SetBandIndex(parent->Index());
  grandchild->Position()->SetBandIndex(child->Index());
  Col* col = tl.CreateColumn(grandchild);
  {
    // Even while the tree list is updating, the band leaves its parent's child list.
    TvxTreeListUpdateScope lock(&tl);
    delete child;
    EXPECT_EQ(parent->ChildBandCount(), 0);
    EXPECT_TRUE(grandchild->IsRoot());
  }
  EXPECT_EQ(bands->Count(), 2);
  EXPECT_FALSE(grandchild->Visible());  // an orphaned child is hidden
  bands->Delete(grandchild->Index());
  EXPECT_EQ(col->Position()->Band(), nullptr);
  EXPECT_FALSE(col->ActuallyVisible());
  tl.LayoutChanged();
  EXPECT_EQ(bands->VisibleItemCount(), 1);
  EXPECT_EQ(bands->BottomItems(0), parent);
}

TEST(TreeListBands, ChildBandsShareTheirParentsWidthWithoutAutoWidth) {
  TvxTreeList tl;
  tl.SetBandAreaWidth(1000);
  TvxTreeListBands* bands = tl.Bands();
  Band* root = bands->Add();
  Band* other = bands->Add();
  Band* left = bands->Add();
  Band* right = bands->Add();
  left->Position()->SetBandIndex(root->Index());
  right->Position()->SetBandIndex(root->Index());
  tl.CreateColumn(left);
  tl.CreateColumn(right);
  tl.CreateColumn(right);
  tl.CreateColumn(other);
  root->SetWidth(500);
  tl.LayoutChanged();
  EXPECT_EQ(root->DisplayWidth(), 500);
  EXPECT_EQ(other->DisplayWidth(), 100);  // root bands keep their widths
  EXPECT_EQ(left->DisplayWidth() + right->DisplayWidth(), 500);
  Integer cols = 0;
  for (Integer i = 0; i < right->VisibleColumnCount(); ++i) cols += right->VisibleColumns(i)->DisplayWidth();
  EXPECT_EQ(cols, right->DisplayWidth());
  EXPECT_EQ(bands->LineCount(), 2);
  EXPECT_EQ(root->LineCount(), 2);
  EXPECT_EQ(left->LineCount(), 1);
  // With ColumnAutoWidth the root bands share the area.
  tl.OptionsView()->SetColumnAutoWidth(true);
  EXPECT_EQ(root->DisplayWidth() + other->DisplayWidth(), 1000);
}

TEST(TreeListBands, FixedBandsKeepTheirWidthUnderAutoWidth) {
  TvxTreeList tl;
  tl.OptionsView()->SetColumnAutoWidth(true);
  tl.SetBandAreaWidth(800);
  TvxTreeListBands* bands = tl.Bands();
  Band* fixedLeft = bands->Add();
  Band* middle = bands->Add();
  Band* fixedRight = bands->Add();
  for (Band* b : {fixedLeft, middle, fixedRight}) {
    tl.CreateColumn(b);
    tl.CreateColumn(b);
  }
  fixedLeft->SetFixedKind(tlbfLeft);
  fixedRight->SetFixedKind(tlbfRight);
  fixedLeft->Options()->SetSizing(false);
  fixedLeft->SetWidth(150);
  fixedRight->Options()->SetSizing(false);
  fixedRight->SetWidth(120);
  tl.LayoutChanged();
  EXPECT_EQ(fixedLeft->DisplayWidth(), 150);
  EXPECT_EQ(fixedRight->DisplayWidth(), 120);
  EXPECT_EQ(middle->DisplayWidth(), 800 - 150 - 120);
  EXPECT_TRUE(fixedLeft->IsLeftMost());
  EXPECT_TRUE(fixedRight->IsRightMost());
  EXPECT_FALSE(middle->IsLeftMost());
  // The expandable band is the first bottom band that is not right-fixed, left-fixed first.
  EXPECT_EQ(bands->ExpandableBand(), fixedLeft);
  // Forcing the middle band's width: it takes what it asks for within the area.
  middle->SetDisplayWidth(400);
  EXPECT_EQ(middle->DisplayWidth(), 800 - 150 - 120);  // the fixed bands cannot give
  EXPECT_EQ(tl.ForcingWidthBand, nullptr);
}

}  // namespace

namespace {

TEST(TreeListBands, DefaultLayoutAndPermissions) {
  TvxTreeList tl;
  Band* a = tl.Bands()->Add();
  Band* b = tl.Bands()->Add();
  Col* c1 = tl.CreateColumn(a);
  Col* c2 = tl.CreateColumn(b);
  c2->SetWidth(300);
  c2->SetSortOrder(soAscending);
  a->SetWidth(400);
  tl.OptionsView()->SetBands(true);
  EXPECT_TRUE(c1->CanMoving());
  EXPECT_TRUE(c1->CanSizing(tlsdHorz));
  c1->Options()->Set(TvxTreeListColumnOptions::Sizing, false);
  EXPECT_FALSE(c1->CanSizing(tlsdHorz));
  EXPECT_TRUE(c1->CanSizing(tlsdVert));
  tl.OptionsCustomizing()->Set(TvxTreeListOptionsCustomizing::ColumnMoving, false);
  EXPECT_FALSE(c1->CanMoving());
  EXPECT_TRUE(a->CanSizing(tlsdHorz));
  EXPECT_TRUE(a->CanSizing(tlsdVert));  // a bottom band
  tl.SetDefaultLayout(true);
  EXPECT_TRUE(tl.DefaultLayout());
  EXPECT_FALSE(tl.OptionsView()->Bands());
  ASSERT_EQ(tl.Bands()->Count(), 1);
  EXPECT_EQ(tl.Bands()->Items(0)->Width(), 0);
  EXPECT_EQ(c2->Position()->Band(), tl.Bands()->Items(0));
  EXPECT_EQ(c2->Width(), 100);
  EXPECT_EQ(c2->SortOrder(), soNone);
  EXPECT_TRUE(c1->Options()->Get(TvxTreeListColumnOptions::Sizing));
  tl.DesignerModified();
  EXPECT_FALSE(tl.DefaultLayout());
}

}  // namespace

namespace {

TEST(TreeListColumnStyles, ColumnBandAndTreeListStylesFallBackInTurn) {
  TvxTreeList tl;
  Col* a = tl.CreateColumn();
  Col* b = tl.CreateColumn();
  Band* band = tl.Bands()->Items(0);
  TvxTreeListNode* n = tl.Add();
  tl.LayoutChanged();
  // Declared after the tree list: they go first and detach from the styles using them.
  TvxStyle red{nullptr}, green{nullptr}, blue{nullptr}, yellow{nullptr};
  red.SetColor(clRed);
  green.SetColor(clGreen);
  blue.SetColor(clBlue);
  yellow.SetColor(clYellow);
  TvxTreeListStyles* st = tl.Styles();
  TvxCustomLookAndFeelPainterClass painter = tl.LookAndFeelPainter();
  EXPECT_EQ(st->GetContentParams(n, 0).Color, painter->DefaultContentEvenColor());
  EXPECT_EQ(a->Styles()->GetHeaderParams().Color, painter->DefaultHeaderColor());
  EXPECT_EQ(band->Styles()->GetHeaderBackgroundParams().Color, painter->DefaultHeaderBackgroundColor());
  // The band's content style reaches every column of the band without one of its own.
  band->Styles()->PutStyle(TvxTreeListBandStyles::Content, &green);
  EXPECT_EQ(st->GetContentParams(n, 0).Color, clGreen);
  a->Styles()->PutStyle(TvxTreeListColumnStyles::Content, &red);
  EXPECT_EQ(st->GetContentParams(n, 0).Color, clRed);
  EXPECT_EQ(st->GetContentParams(n, 1).Color, clGreen);
  // An event style wins over the band's stored style.
  st->OnGetContentStyle = [&](TObject*, Integer col, TvxTreeListNode*, TvxStyle*& s) {
    if (col == 1) s = &blue;
  };
  EXPECT_EQ(st->GetContentParams(n, 1).Color, clBlue);
  // Headers: the column's own, else the tree list's column header style and event.
  st->PutStyle(tlsColumnHeader, &yellow);
  EXPECT_EQ(b->Styles()->GetHeaderParams().Color, clYellow);
  st->OnGetColumnHeaderStyle = [&](TObject*, Col* c, TvxStyle*& s) {
    if (c == b) s = &red;
  };
  EXPECT_EQ(b->Styles()->GetHeaderParams().Color, clRed);
  b->Styles()->PutStyle(TvxTreeListColumnStyles::Header, &green);
  EXPECT_EQ(b->Styles()->GetHeaderParams().Color, clGreen);
  // Band header and footer, and a column's footer through its band.
  st->PutStyle(tlsBandHeader, &blue);
  EXPECT_EQ(band->Styles()->GetHeaderParams().Color, clBlue);
  band->Styles()->PutStyle(TvxTreeListBandStyles::Footer, &yellow);
  EXPECT_EQ(a->Styles()->GetFooterParams(n).Color, clYellow);
  // Copying a column copies its styles.
  Col* c = tl.CreateColumn();
  c->Assign(a);
  EXPECT_EQ(c->Styles()->FindStyle(TvxTreeListColumnStyles::Content), &red);
}

}  // namespace

namespace {

TEST_F(MainListFixture, SizingByDragging) {
  TvxTreeListBand* band = tl.Bands()->Items(0);
  EXPECT_EQ(cols[2]->GetSizingMaxWidth(), 32767);  // the band has no width of its own
  band->SetWidth(600);
  tl.LayoutChanged();
  // Columns to the right may shrink to their minimum, those to the left keep their widths.
  EXPECT_EQ(cols[2]->GetSizingMaxWidth(), 600 - 100 - 100 - 3 * 20);
  EXPECT_EQ(cols[5]->GetSizingMaxWidth(), 600 - 5 * 20);  // the last column: all at minimum
  EXPECT_EQ(cols[2]->GetSizingMinWidth(), 20);
  cols[2]->Options()->Set(TvxTreeListColumnOptions::Sizing, false);
  EXPECT_EQ(cols[2]->GetSizingMinWidth(), cols[2]->Width());
  cols[2]->Options()->Set(TvxTreeListColumnOptions::Sizing, true);
  cols[1]->SetSizeDelta(tlsdHorz, 40);
  EXPECT_EQ(cols[0]->DisplayWidth(), 100);
  EXPECT_EQ(cols[1]->DisplayWidth(), 140);
  EXPECT_EQ(Sum(DisplayWidths()), 600);
  cols[1]->SetSizeDelta(tlsdVert, 2);
  EXPECT_EQ(cols[1]->Position()->LineCount(), 3);
  cols[1]->SetSizeDelta(tlsdVert, -5);
  EXPECT_EQ(cols[1]->Position()->LineCount(), 1);
}

}  // namespace

}  // namespace ZS_UNITY_ID
