// Tree lines, level indents and expand buttons of child nodes on a shown window: which lines
// each level cell carries, the pixels they paint in each line style, and a real click on a
// button collapsing and expanding its node.
#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

struct TreeLinesFixture : ListFixture {
  // A (A1, A2 (A2a)), B
  Node *A = nullptr, *A1 = nullptr, *A2 = nullptr, *A2a = nullptr, *B = nullptr;
  void Build() {
    TL->Clear();
    A = TL->Add();
    A1 = TL->AddChild(A);
    A2 = TL->AddChild(A);
    A2a = TL->AddChild(A2);
    B = TL->Add();
    const std::pair<Node*, const wchar_t*> names[] = {{A, L"A"}, {A1, L"A1"}, {A2, L"A2"}, {A2a, L"A2a"}, {B, L"B"}};
    for (auto& [n, s] : names) n->SetValues(1, Variant(String(s)));
    TL->FullExpand();
    TL->LayoutChanged();
    UpdateWindow(TL->Handle());
    Pump(40);
  }
  // How many pixels of R show the colour C.
  int CountColour(const TRect& R, TColor C) {
    int w = 0, h = 0;
    std::vector<DWORD> p = WindowPixels(TL->Handle(), w, h);
    const COLORREF rgb = static_cast<COLORREF>(ColorToRGB(C));
    int n = 0;
    for (Integer y = R.top; y < R.bottom; ++y)
      for (Integer x = R.left; x < R.right; ++x) n += PixelRgb(p, w, x, y) == rgb;
    return n;
  }
};

TEST_F(TreeLinesFixture, EachLevelCellCarriesTheLinesOfItsLevel) {
  Build();
  struct Case {
    Node* TreeLinesFixture::*N;
    Integer Level;
    bool Up, Down, Horz, Button;
  } cases[] = {
      {&TreeLinesFixture::A, 0, false, true, true, true},    // first shown node: no line up
      {&TreeLinesFixture::A1, 0, true, true, false, false},  // A has a later sibling: line through
      {&TreeLinesFixture::A1, 1, true, true, true, false},
      {&TreeLinesFixture::A2, 1, true, false, true, true},    // last child: no line down
      {&TreeLinesFixture::A2a, 0, true, true, false, false},
      {&TreeLinesFixture::A2a, 1, false, false, false, false},  // ancestor A2 is a last child
      {&TreeLinesFixture::A2a, 2, true, false, true, false},
      {&TreeLinesFixture::B, 0, true, false, true, false},
  };
  for (const Case& c : cases) {
    Node* n = this->*c.N;
    std::vector<TvxTreeListIndentCellViewInfo*> cells = Indents(n);
    ASSERT_EQ(static_cast<Integer>(cells.size()), n->Level() + 1);
    TvxTreeListIndentCellViewInfo* cell = cells.at(c.Level);
    SCOPED_TRACE(VarToStr(n->Values(1)) + L" level " + std::to_wstring(c.Level));
    EXPECT_EQ(cell->Index, c.Level);
    EXPECT_EQ(cell->LineUp, c.Up);
    EXPECT_EQ(cell->LineDown, c.Down);
    EXPECT_EQ(cell->LineHorz, c.Horz);
    EXPECT_EQ(!IsRectEmpty(&cell->ButtonRect), c.Button);
    // The level cells sit side by side; the data cells start after the last one.
    if (c.Level > 0) {
      EXPECT_EQ(cell->BoundsRect().left, cells[c.Level - 1]->BoundsRect().right);
    }
  }
  TvxTreeListEditCellViewInfo* first = VI()->GetEditCell(A2a, TL->Columns(0));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->BoundsRect().left, Indents(A2a).back()->BoundsRect().right);
}

TEST_F(TreeLinesFixture, LinesAreDottedOrSolidInTheLineColourAndButtonsArePainted) {
  Build();
  const TColor line = VI()->TreeLineColor;
  TvxTreeListIndentCellViewInfo* through = Indents(A1)[0];
  TvxTreeListIndentCellViewInfo* empty = Indents(A2a)[1];
  const TColor bk = through->ItemViewParams.Color;
  ASSERT_NE(ColorToRGB(line), ColorToRGB(bk));
  TRect v = through->VertTreeLine();
  const int height = v.bottom - v.top;
  // Dotted: every other pixel of the line.
  EXPECT_NEAR(CountColour(v, line), height / 2, 1);
  EXPECT_NEAR(CountColour(v, bk), height / 2, 1);
  // A level without lines stays the cell's colour.
  const TRect e = empty->BoundsRect();
  EXPECT_EQ(CountColour(e, bk), (e.right - e.left) * (e.bottom - e.top));
  // The button is drawn in its rectangle.
  TvxTreeListIndentCellViewInfo* withButton = Indents(A)[0];
  EXPECT_GT(CountColour(withButton->ButtonRect, line), 0);

  TL->OptionsView()->SetTreeLineStyle(tllsSolid);
  TL->LayoutChanged();
  UpdateWindow(TL->Handle());
  Pump(40);
  v = Indents(A1)[0]->VertTreeLine();
  EXPECT_EQ(CountColour(v, line), v.bottom - v.top);

  TL->OptionsView()->SetTreeLineStyle(tllsNone);
  TL->LayoutChanged();
  UpdateWindow(TL->Handle());
  Pump(40);
  for (Node* n : {A, A1, A2, A2a, B})
    for (TvxTreeListIndentCellViewInfo* c : Indents(n)) EXPECT_FALSE(c->LineUp || c->LineDown || c->LineHorz);
  const TRect r = Indents(A1)[0]->BoundsRect();
  EXPECT_EQ(CountColour(r, line), 0);
}

TEST_F(TreeLinesFixture, ClickingTheButtonCollapsesAndExpandsTheNode) {
  Build();
  ASSERT_EQ(TL->AbsoluteVisibleCount(), 5);
  TRect b = Indents(A)[0]->ButtonRect;
  Click((b.left + b.right) / 2, (b.top + b.bottom) / 2);
  EXPECT_FALSE(A->Expanded());
  EXPECT_EQ(TL->AbsoluteVisibleCount(), 2);
  EXPECT_EQ(Row(1), B);
  // The collapsed A keeps its button; B now follows directly.
  b = Indents(A)[0]->ButtonRect;
  ASSERT_FALSE(IsRectEmpty(&b));
  Click((b.left + b.right) / 2, (b.top + b.bottom) / 2);
  EXPECT_TRUE(A->Expanded());
  EXPECT_EQ(TL->AbsoluteVisibleCount(), 5);
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
