// In-place editing of tree list cells on a shown window: keys typed into a focused cell of
// an editable list open an editor over the cell, Enter posts the text to the node and
// Escape restores the node's value; the main window's read-only row list opens none.
#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

struct EditingFixture : ListFixture {
  void MakeEditable() {
    TL->OptionsSelection()->CellSelect = true;
    TL->OptionsData()->SetEditing(true);
  }
  TRect CellRect(Integer ARow, Integer AColumn) {
    TvxTreeListEditCellViewInfo* c = VI()->GetEditCell(Row(ARow), TL->Columns(AColumn));
    return c ? c->BoundsRect() : TRect{};
  }
  // The cell's pixels as the screen shows them.
  std::vector<DWORD> CellPixels(const TRect& R) {
    UpdateWindow(TL->Handle());
    int w = 0, h = 0;
    std::vector<DWORD> all = WindowPixels(TL->Handle(), w, h);
    std::vector<DWORD> out;
    for (Integer y = R.top; y < R.bottom; ++y)
      for (Integer x = R.left; x < R.right; ++x) out.push_back(all[static_cast<size_t>(y) * w + x] & 0xFFFFFF);
    return out;
  }
  // The window the screen shows at a client point of the tree list.
  HWND WindowAt(Integer X, Integer Y) {
    POINT p{X, Y};
    ClientToScreen(TL->Handle(), &p);
    return WindowFromPoint(p);
  }
  TvxEditingController* EC() { return TL->Controller()->EditingController(); }
};

TEST_F(EditingFixture, TypingOpensAnEditorOverTheCellAndEnterPostsToTheNode) {
  MakeEditable();
  Fill(5);
  TRect r = CellRect(1, 1);
  ASSERT_FALSE(IsRectEmpty(&r));
  Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ASSERT_EQ(TL->FocusedNode(), Row(1));
  ASSERT_EQ(TL->FocusedColumn(), TL->Columns(1));
  const std::vector<DWORD> before = CellPixels(r);

  Key('B');
  ASSERT_TRUE(EC()->IsEditing());
  ASSERT_NE(EC()->Edit(), nullptr);
  EXPECT_EQ(EC()->EditingItem(), TL->Columns(1));
  // The editor (or its inner edit window) lies over the cell and takes the keys.
  HWND edit = EC()->Edit()->Handle();
  HWND shown = WindowAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  EXPECT_TRUE(shown == edit || IsChild(edit, shown));
  EXPECT_TRUE(GetFocus() == edit || IsChild(edit, GetFocus()));
  Key('O');
  Key('B');
  // Nothing reaches the node before the editor is closed.
  EXPECT_EQ(VarToStr(Row(1)->Values(1)), L"User 1");

  int changed = 0;
  TL->OnNodeChanged = [&](TObject*, Node* n, TvxTreeListColumn*) { changed += n == Row(1); };
  Key(VK_RETURN);
  EXPECT_FALSE(EC()->IsEditing());
  EXPECT_EQ(VarToStr(Row(1)->Values(1)), L"bob");
  EXPECT_GT(changed, 0);
  EXPECT_EQ(GetFocus(), TL->Handle());
  // The other cells keep their values, and the cell is painted with the new text.
  EXPECT_EQ(VarToStr(Row(1)->Values(2)), L"Read and execute");
  EXPECT_EQ(VarToStr(Row(2)->Values(1)), L"User 2");
  Pump(40);
  EXPECT_NE(CellPixels(r), before);
}

TEST_F(EditingFixture, EscapeRestoresTheNodeAndMovingAwayPosts) {
  MakeEditable();
  Fill(5);
  TRect r = CellRect(2, 3);
  Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ASSERT_EQ(TL->FocusedColumn(), TL->Columns(3));
  const std::vector<DWORD> before = CellPixels(r);
  Key('Z');
  Key('Z');
  ASSERT_TRUE(EC()->IsEditing());
  Key(VK_ESCAPE);
  EXPECT_FALSE(EC()->IsEditing());
  EXPECT_EQ(VarToStr(Row(2)->Values(3)), L"C:\\Folder2");
  EXPECT_EQ(TL->DataController()->EditingNode(), nullptr);
  Pump(40);
  EXPECT_EQ(CellPixels(r), before);

  // A click on another row while editing posts the edited text first.
  Key('Q');
  ASSERT_TRUE(EC()->IsEditing());
  TRect other = CellRect(4, 3);
  Click((other.left + other.right) / 2, (other.top + other.bottom) / 2);
  EXPECT_FALSE(EC()->IsEditing());
  EXPECT_EQ(TL->FocusedNode(), Row(4));
  EXPECT_EQ(VarToStr(Row(2)->Values(3)), L"q");
}

TEST_F(EditingFixture, TheMainWindowsReadOnlyRowListOpensNoEditor) {
  struct Case {
    bool CellSelect;
    bool Editing;
  } cases[] = {{false, false}, {false, true}, {true, false}};
  Fill(3);
  for (const Case& c : cases) {
    TL->OptionsSelection()->CellSelect = c.CellSelect;
    TL->OptionsData()->SetEditing(c.Editing);
    TRect r = CellRect(0, 1);
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Key('K');
    EXPECT_FALSE(EC()->IsEditing()) << c.CellSelect << c.Editing;
    EXPECT_EQ(VarToStr(Row(0)->Values(1)), L"User 0");
    EXPECT_EQ(TL->DataController()->EditingNode(), nullptr);
  }
}

TEST_F(EditingFixture, RemovingTheEditedColumnClosesTheEditorWithoutPosting) {
  MakeEditable();
  Fill(3);
  TRect r = CellRect(0, 2);
  Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  Key('X');
  ASSERT_TRUE(EC()->IsEditing());
  delete TL->Columns(2);
  Pump(20);
  EXPECT_FALSE(EC()->IsEditing());
  EXPECT_EQ(TL->Controller()->FocusedItem(), nullptr);
  EXPECT_EQ(TL->DataController()->EditingNode(), nullptr);
  EXPECT_EQ(VarToStr(Row(0)->Values(2)), L"C:\\Folder0");
}

// A focused cell that is not being edited: its column freed, the controller keeps neither
// the column nor the cell it made for it (freeing that cell later read the freed column).
TEST_F(EditingFixture, RemovingTheFocusedColumnLeavesNoCellOrItemOfIt) {
  MakeEditable();
  Fill(3);
  TRect r = CellRect(0, 2);
  Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  Pump(20);
  ASSERT_EQ(TL->Controller()->FocusedItem(), TL->Columns(2));
  ASSERT_NE(TL->Controller()->GetFocusedCellViewInfo(TL->Columns(2)), nullptr);
  delete TL->Columns(2);
  EXPECT_EQ(TL->Controller()->FocusedItem(), nullptr);
  Pump(20);
  TRect other = CellRect(1, 0);
  Click((other.left + other.right) / 2, (other.top + other.bottom) / 2);
  Pump(20);
  EXPECT_EQ(TL->Controller()->FocusedItem(), TL->Columns(0));
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
