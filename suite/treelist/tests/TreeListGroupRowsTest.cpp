// Group rows of the categorized paint style and rows as high as their wrapped cell text
// (CellAutoHeight), on a shown window: which nodes become group rows, the one cell a group
// row has, the heights the rows get, and how both paint.
#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

struct GroupRowsFixture : ListFixture {
  // Two parents with two children each, every node with six values; the parents' names
  // tell them apart.
  Node *Parent1 = nullptr, *Parent2 = nullptr;
  void FillTree() {
    TvxTreeListUpdateScope lock(TL);
    TL->Clear();
    Integer k = 0;
    for (Node** parent : {&Parent1, &Parent2}) {
      *parent = TL->Add();
      SetRow(*parent, L"Group " + std::to_wstring(k++));
      for (int c = 0; c < 2; ++c) SetRow(TL->AddChild(*parent), L"Child " + std::to_wstring(k++));
      (*parent)->SetExpanded(true);
    }
  }
  static void SetRow(Node* N, const std::wstring& AName) {
    const std::wstring values[] = {L"Allow", AName, L"Read", L"C:\\", L"This folder", L"(CI)"};
    for (Integer c = 0; c < 6; ++c) N->SetValues(c, Variant(String(values[c])));
  }
  std::vector<TvxTreeListEditCellViewInfo*> DataCells(Node* N) {
    TvxTreeListNodeViewData* row = VI()->NodeViewData(N);
    return row ? Find<TvxTreeListEditCellViewInfo>(row->Cells()) : std::vector<TvxTreeListEditCellViewInfo*>{};
  }
  Integer RowHeight(Node* N) {
    TvxTreeListNodeViewData* row = VI()->NodeViewData(N);
    return row ? row->Bounds().bottom - row->Bounds().top : -1;
  }
  // The height of Lines lines of text in the list's font.
  Integer TextLines(Integer Lines) {
    TvxScreenCanvas* canvas = vxGetScreenCanvas();
    return Lines * canvas->FontHeight(TL->Font());
  }
};

TEST_F(GroupRowsFixture, CategorizedNodesWithChildrenShowOneCellOfTheCategorizedColumn) {
  FillTree();
  TL->OptionsView()->SetPaintStyle(tlpsCategorized);
  Relayout();
  // A parent: one group cell of the first visible column, from after its indent to the
  // right of the content; a child: its six data cells.
  std::vector<TvxTreeListEditCellViewInfo*> cells = DataCells(Parent1);
  ASSERT_EQ(cells.size(), 1u);
  auto* group = dynamic_cast<TvxTreeListGroupNodeEditViewInfo*>(cells[0]);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->Column(), TL->Columns(0));
  EXPECT_EQ(group->Text(), L"Allow");
  std::vector<TvxTreeListEditCellViewInfo*> child = DataCells(Parent1->getFirstChild());
  ASSERT_EQ(child.size(), 6u);
  for (TvxTreeListEditCellViewInfo* c : child) EXPECT_EQ(dynamic_cast<TvxTreeListGroupNodeEditViewInfo*>(c), nullptr);
  EXPECT_EQ(group->DisplayRect.right, child.front()->DisplayRect.right > child.back()->DisplayRect.right
                                          ? child.front()->DisplayRect.right
                                          : child.back()->DisplayRect.right);
  EXPECT_GT(group->DisplayRect.right - group->DisplayRect.left, 400);
  EXPECT_EQ(RowHeight(Parent1), VI()->DefaultEditHeight()) << "a group row has one line";

  // The categorized column chosen; the group cell is hit as that column of the parent.
  TL->OptionsView()->SetCategorizedColumn(TL->Columns(1));
  Relayout();
  cells = DataCells(Parent2);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0]->Text(), L"Group 3");
  const TRect r = cells[0]->DisplayRect;
  TvxTreeListHitTest* hit = HitAt(r.right - 20, (r.top + r.bottom) / 2);
  EXPECT_EQ(hit->HitNode, Parent2);
  EXPECT_EQ(hit->HitColumn, TL->Columns(1));

  // OnIsGroupNode decides per node: a leaf becomes a group row, a parent a data row.
  Node* leaf = Parent2->getFirstChild();
  TL->OnIsGroupNode = [&](TObject*, Node* N, bool& IsGroup) {
    if (N == leaf) IsGroup = true;
    if (N == Parent1) IsGroup = false;
  };
  Relayout();
  EXPECT_EQ(DataCells(Parent1).size(), 6u);
  EXPECT_EQ(DataCells(leaf).size(), 1u);
  EXPECT_EQ(DataCells(Parent2).size(), 1u);

  // The standard paint style has no group rows.
  TL->OnIsGroupNode = nullptr;
  TL->OptionsView()->SetPaintStyle(tlpsStandard);
  Relayout();
  EXPECT_EQ(DataCells(Parent1).size(), 6u);
  EXPECT_EQ(DataCells(Parent2).size(), 6u);
}

TEST_F(GroupRowsFixture, CellAutoHeightGrowsARowToItsWrappedTextAndOnGetNodeHeightHasTheLastWord) {
  Fill(4);
  // Values that fit their columns on one line, but for one long name.
  for (Integer r = 0; r < 4; ++r)
    for (Integer c = 0; c < 6; ++c) Row(r)->SetValues(c, Variant(String(L"x")));
  const Integer line = VI()->DefaultEditHeight();
  const String longName = L"A name long enough to wrap over three lines of its column";
  Row(1)->SetValues(1, Variant(longName));
  Relayout();
  EXPECT_EQ(RowHeight(Row(1)), line) << "without CellAutoHeight the text is cut";

  TL->OptionsView()->SetCellAutoHeight(true);
  Relayout();
  const Integer tall = RowHeight(Row(1));
  EXPECT_GE(tall, TextLines(3) + 2);
  EXPECT_EQ(RowHeight(Row(0)), line) << "short texts keep the default height";
  EXPECT_EQ(RowHeight(Row(2)), line);
  // Every cell of the row spans its whole height; the rows below move down.
  for (TvxTreeListEditCellViewInfo* c : DataCells(Row(1))) EXPECT_EQ(c->DisplayRect.bottom - c->DisplayRect.top, tall);
  EXPECT_EQ(VI()->NodeViewData(Row(2))->Bounds().top, VI()->NodeViewData(Row(1))->Bounds().bottom);
  EXPECT_EQ(VI()->NodeRowHeight(Row(1)), tall) << "paging measures the row as it is built";

  // A wider column needs fewer lines.
  TL->Columns(1)->SetWidth(400);
  Relayout();
  EXPECT_LT(RowHeight(Row(1)), tall);

  // The handler's height is the row's height.
  TL->OnGetNodeHeight = [&](TObject*, Node* N, Integer& H) {
    if (N == Row(1)) H = 70;
  };
  Relayout();
  EXPECT_EQ(RowHeight(Row(1)), 70);
  for (TvxTreeListEditCellViewInfo* c : DataCells(Row(1))) EXPECT_EQ(c->DisplayRect.bottom, VI()->NodeViewData(Row(1))->Bounds().bottom);
}

TEST_F(GroupRowsFixture, AGroupRowWithCellAutoHeightIsAsHighAsItsTextAcrossTheRow) {
  FillTree();
  TL->OptionsView()->SetPaintStyle(tlpsCategorized);
  TL->OptionsView()->SetCellAutoHeight(true);
  std::wstring text;
  for (int i = 0; i < 24; ++i) text += L"category words ";
  Parent1->SetValues(0, Variant(String(text)));
  Relayout();
  const Integer h = RowHeight(Parent1);
  EXPECT_GE(h, TextLines(2) + 2) << "the text wraps across the whole row";
  EXPECT_LT(h, TextLines(6)) << "measured across the row, not the column's width";
  EXPECT_EQ(RowHeight(Parent2), VI()->DefaultEditHeight());
}

TEST_F(GroupRowsFixture, GroupRowsAndWrappedCellsPaintLikeTheReference) {
  FillTree();
  TL->OptionsView()->SetGridLines(tlglBoth);
  TL->OptionsView()->SetPaintStyle(tlpsCategorized);
  TL->OptionsView()->SetCellAutoHeight(true);
  TL->OptionsView()->SetCategorizedColumn(TL->Columns(1));
  Parent1->getFirstChild()->SetValues(1, Variant(String(L"A child whose name wraps onto a second line")));
  TL->SetFocusedNode(Parent2);
  Relayout();
  int w = 0, h = 0;
  std::vector<DWORD> pixels = WindowPixels(TL->Handle(), w, h);
  ExpectMatchesImage(L"GroupRowsAutoHeight", w, h, pixels);
}

}  // namespace
}  // namespace tlv_test
}  // namespace ZS_UNITY_ID
