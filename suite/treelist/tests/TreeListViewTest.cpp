#include "TreeListViewTestSupport.h"

#include <algorithm>
#include <functional>

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

using ViewFixture = ListFixture;

TEST_F(ViewFixture, MainListPaintsLikeTheReference) {
  Fill(5);
  TL->SetFocusedNode(Row(1));
  TL->TvxCustomTreeList::Select(Row(1));
  TL->LayoutChanged();
  UpdateWindow(TL->Handle());
  Pump(40);
  int w = 0, h = 0;
  std::vector<DWORD> pixels = WindowPixels(TL->Handle(), w, h);
  ExpectMatchesImage(L"MainList", w, h, pixels);
}

TEST_F(ViewFixture, LayoutOfTheMainList) {
  Fill(5);
  TvxTreeListViewInfo* vi = VI();
  // Column auto width: the six headers share the whole client width, left to right.
  const TRect b = vi->Bounds();
  Integer x = b.left, total = 0;
  for (Integer i = 0; i < TL->VisibleColumnCount(); ++i) {
    TvxTreeListColumn* c = TL->VisibleColumns(i);
    TvxTreeListEditCellViewInfo* cell = vi->GetEditCell(Row(0), c);
    ASSERT_NE(cell, nullptr) << i;
    EXPECT_EQ(cell->DisplayRect.right, x + c->DisplayWidth()) << i;
    x += c->DisplayWidth();
    total += c->DisplayWidth();
  }
  EXPECT_EQ(total, b.right - b.left);
  // Rows follow each other under the header line, one default row height each.
  ASSERT_EQ(vi->Count(), 5);
  EXPECT_EQ(vi->NodesViewData(0)->Bounds().top, b.top + vi->HeadersHeight);
  for (Integer i = 1; i < vi->Count(); ++i)
    EXPECT_EQ(vi->NodesViewData(i)->Bounds().top, vi->NodesViewData(i - 1)->Bounds().bottom);
  EXPECT_EQ(vi->NodesViewData(0)->Bounds().bottom - vi->NodesViewData(0)->Bounds().top, vi->DefaultEditHeight());
  EXPECT_EQ(vi->GetEditCell(Row(3), TL->Columns(1))->Text(), L"User 3");
  // No indicator, no bands row, no footer: the header starts at the top.
  EXPECT_EQ(vi->BandsHeight, 0);
  EXPECT_FALSE(TL->VScrollBarVisible());
}

// The hit codes of every area of the main list, and of a band header and an expand button.
TEST_F(ViewFixture, HitCodesOfEveryArea) {
  Fill(5);
  TvxTreeListViewInfo* vi = VI();
  TvxTreeListColumn* name = TL->Columns(1);
  TvxTreeListEditCellViewInfo* cell = vi->GetEditCell(Row(2), name);
  ASSERT_NE(cell, nullptr);
  const Integer headerY = vi->HeadersHeight / 2;
  const Integer rowY = (cell->DisplayRect.top + cell->DisplayRect.bottom) / 2;
  const Integer nameRight = cell->DisplayRect.right;
  struct Case {
    const char* Area;
    Integer X, Y;
    std::vector<Integer> Codes;
    TvxTreeListColumn* Column;
    Node* HitNode;
    TCursor Cursor;
  };
  const Case cases[] = {
      {"column header", nameRight - 20, headerY, {tlhcColumnHeader}, name, nullptr, crDefault},
      {"header sizing edge inside", nameRight - 2, headerY, {tlhcColumnHeader, tlhcSizingHorz}, name, nullptr,
       vxHorzSizeCursor},
      {"header sizing edge outside", nameRight + 2, headerY, {tlhcColumnHeader, tlhcSizingHorz}, name, nullptr,
       vxHorzSizeCursor},
      {"data cell", nameRight - 20, rowY, {tlhcNode, tlhcColumn}, name, Row(2), crDefault},
      {"indent", 3, rowY, {tlhcNode, tlhcIndent}, nullptr, Row(2), crDefault},
      {"background below the rows", 100, TL->ClientHeight() - 5, {tlhcBackground}, nullptr, nullptr, crDefault},
  };
  for (const Case& c : cases) {
    TvxTreeListHitTest* h = HitAt(c.X, c.Y);
    std::vector<Integer> got;
    for (Integer code = tlhcBackground; code <= tlhcStateImage; ++code)
      if (h->HitAt(code)) got.push_back(code);
    std::vector<Integer> want = c.Codes;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want) << c.Area;
    EXPECT_EQ(h->HitColumn, c.Column) << c.Area;
    EXPECT_EQ(h->HitNode, c.HitNode) << c.Area;
    EXPECT_EQ(h->GetCursor(), c.Cursor) << c.Area;
  }
  // The sizing edge of a column header carries the column as the drag item.
  EXPECT_EQ(HitAt(nameRight + 2, headerY)->DragItem, name);
  EXPECT_TRUE(HT()->CanSizing());
  EXPECT_FALSE(HT()->CanMoving());

  // A child makes its parent show an expand button in the indent; bands show their header.
  Node* child = TL->AddChild(Row(0));
  child->SetValues(1, Variant(String(L"child")));
  TL->OptionsView()->SetBands(true);
  TL->SetFocusedNode(Row(2));
  Pump(40);
  vi = VI();
  ASSERT_GT(vi->BandsHeight, 0);
  TvxTreeListHitTest* h = HitAt(TL->ClientWidth() / 2, vi->BandsHeight / 2);
  EXPECT_TRUE(h->HitAtBandHeader());
  EXPECT_EQ(h->HitBand, TL->Bands()->Items(0));
  TvxTreeListNodeViewData* row0 = vi->NodeViewData(Row(0));
  ASSERT_NE(row0, nullptr);
  TvxTreeListIndentCellViewInfo* indent = nullptr;
  for (Integer i = 0; i < row0->Cells().Count() && !indent; ++i)
    indent = dynamic_cast<TvxTreeListIndentCellViewInfo*>(row0->Cells().Items(i));
  ASSERT_NE(indent, nullptr);
  ASSERT_FALSE(IsRectEmpty(&indent->ButtonRect));
  h = HitAt((indent->ButtonRect.left + indent->ButtonRect.right) / 2, (indent->ButtonRect.top + indent->ButtonRect.bottom) / 2);
  EXPECT_TRUE(h->HitAtButton());
  EXPECT_TRUE(h->HitAtIndent());
  EXPECT_EQ(h->HitNode, Row(0));
  // Clicking the button expands the node without focusing it.
  const TRect button = indent->ButtonRect;
  Click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  EXPECT_TRUE(Row(0)->Expanded());
  EXPECT_EQ(TL->FocusedNode()->Values(1), Variant(String(L"User 2")));
}

TEST_F(ViewFixture, ScrollingManyRows) {
  Fill(300);
  // The vertical scroll bar reports its scroll codes to the control.
  auto ScrollV = [this](TScrollCode ACode) {
    Integer pos = TL->VScrollBar()->Position();
    TL->VScrollBar()->OnScroll(TL->VScrollBar(), ACode, pos);
  };
  TvxTreeListViewInfo* vi = VI();
  EXPECT_TRUE(TL->VScrollBarVisible());
  const Integer page = vi->NodesVisibleCount;
  ASSERT_GT(page, 3);
  EXPECT_EQ(vi->Count(), page + 1);  // the last row is cut off by the bottom edge
  // The scroll bar moves the top row a page and a line at a time, and stops at the end.
  ScrollV(scPageDown);
  Pump(20);
  EXPECT_EQ(TL->TopVisibleNode(), Row(page));
  EXPECT_EQ(vi->NodesViewData(0)->Node(), Row(page));
  ScrollV(scLineDown);
  Pump(20);
  EXPECT_EQ(TL->TopVisibleNode(), Row(page + 1));
  EXPECT_EQ(vi->GetEditCell(Row(page + 1), TL->Columns(1))->Text(), L"User " + std::to_wstring(page + 1));
  EXPECT_EQ(vi->GetEditCell(Row(0), TL->Columns(1)), nullptr);
  ScrollV(scBottom);
  Pump(20);
  EXPECT_EQ(TL->TopVisibleNode(), Row(300 - page));
  EXPECT_EQ(vi->NodesViewData(vi->Count() - 1)->Node(), Row(299));
  EXPECT_LE(vi->NodesViewData(vi->Count() - 1)->Bounds().bottom, TL->ClientHeight());
  ScrollV(scTop);
  Pump(20);
  EXPECT_EQ(TL->TopVisibleNode(), Row(0));

  // Moving the focus below the last whole row scrolls it into view, and the painted rows
  // follow: the focused row's highlight is at the bottom row.
  Click(200, vi->NodesViewData(0)->Bounds().top + 3);
  for (Integer i = 0; i < page; ++i) Key(VK_DOWN);
  EXPECT_EQ(TL->FocusedNode(), Row(page));
  EXPECT_EQ(TL->TopVisibleNode(), Row(1));
  UpdateWindow(TL->Handle());
  Pump(20);
  int w = 0, h = 0;
  std::vector<DWORD> px = WindowPixels(TL->Handle(), w, h);
  TvxTreeListEditCellViewInfo* focused = vi->GetEditCell(Row(page), TL->Columns(2));
  ASSERT_NE(focused, nullptr);
  const COLORREF highlight = static_cast<COLORREF>(ColorToRGB(clHighlight));
  EXPECT_EQ(PixelRgb(px, w, focused->DisplayRect.right - 3, focused->DisplayRect.top + 2), highlight);
  TvxTreeListEditCellViewInfo* above = vi->GetEditCell(Row(page - 1), TL->Columns(2));
  EXPECT_NE(PixelRgb(px, w, above->DisplayRect.right - 3, above->DisplayRect.top + 2), highlight);
  // The mouse wheel scrolls too.
  POINT sp{100, 100};
  ClientToScreen(TL->Handle(), &sp);
  SendMessageW(TL->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(sp.x, sp.y));
  Pump(20);
  EXPECT_GT(TL->TopVisibleNode()->VisibleIndex(), 1);
}

// Without column auto width the columns keep their widths; Left and Right scroll the
// content sideways with row selection, and the cells move with it.
TEST_F(ViewFixture, HorizontalScrollingByArrowKeys) {
  TL->OptionsView()->SetColumnAutoWidth(false);
  for (Integer i = 0; i < TL->ColumnCount(); ++i) TL->Columns(i)->SetWidth(150);
  Fill(3);
  Click(250, RowY(0));
  TvxTreeListViewInfo* vi = VI();
  EXPECT_TRUE(TL->HScrollBarVisible());
  EXPECT_EQ(vi->HScrollSize, 900);
  const Integer left = vi->GetEditCell(Row(0), TL->Columns(2))->DisplayRect.left;
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  EXPECT_EQ(vi->HScrollPos, 2 * vi->HScrollInc);
  EXPECT_EQ(vi->GetEditCell(Row(0), TL->Columns(2))->DisplayRect.left, left - 2 * vi->HScrollInc);
  EXPECT_EQ(TL->FocusedNode(), Row(0));
  // The scroll stops at the end of the columns, and Left comes back.
  Integer pos = 0;
  TL->HScrollBar()->OnScroll(TL->HScrollBar(), scBottom, pos);
  EXPECT_EQ(vi->HScrollPos, vi->HScrollSize - vi->HScrollPage);
  Key(VK_LEFT);
  EXPECT_EQ(vi->HScrollPos, vi->HScrollSize - vi->HScrollPage - vi->HScrollInc);
  EXPECT_EQ(FocusEvents.size(), 1u);
}

// Clicks and arrow keys from the input queue focus rows and announce each real change.
TEST_F(ViewFixture, ClicksAndArrowKeysDriveFocusedNodeChanged) {
  Fill(6);
  TvxTreeListViewInfo* vi = VI();
  auto rowY = [&](Integer i) {
    TvxTreeListNodeViewData* r = vi->NodeViewData(Row(i));
    return (r->Bounds().top + r->Bounds().bottom) / 2;
  };
  Click(250, rowY(2));
  EXPECT_EQ(TL->FocusedNode(), Row(2));
  ASSERT_EQ(FocusEvents.size(), 1u);
  EXPECT_EQ(FocusEvents[0], std::make_pair(static_cast<Node*>(nullptr), Row(2)));
  EXPECT_TRUE(Row(2)->Selected());
  Click(250, rowY(4));
  ASSERT_EQ(FocusEvents.size(), 2u);
  EXPECT_EQ(FocusEvents[1], std::make_pair(Row(2), Row(4)));
  // Clicking the focused row again announces nothing.
  Click(300, rowY(4));
  EXPECT_EQ(FocusEvents.size(), 2u);
  // With row selection, Up and Down are announced with the previous node.
  Key(VK_DOWN);
  EXPECT_EQ(TL->FocusedNode(), Row(5));
  ASSERT_EQ(FocusEvents.size(), 3u);
  EXPECT_EQ(FocusEvents[2], std::make_pair(Row(4), Row(5)));
  Key(VK_DOWN);  // already at the last row: no change, no notice
  EXPECT_EQ(FocusEvents.size(), 3u);
  Key(VK_UP);
  Key(VK_UP);
  ASSERT_EQ(FocusEvents.size(), 5u);
  EXPECT_EQ(FocusEvents[3], std::make_pair(Row(5), Row(4)));
  EXPECT_EQ(FocusEvents[4], std::make_pair(Row(4), Row(3)));
  EXPECT_EQ(TL->SelectionCount(), 1);
  EXPECT_TRUE(Row(3)->Selected());
  EXPECT_FALSE(Row(4)->Selected());
  // Home and End with Ctrl go to the ends.
  Key(VK_END, true);
  EXPECT_EQ(TL->FocusedNode(), Row(5));
  Key(VK_HOME, true);
  EXPECT_EQ(TL->FocusedNode(), Row(0));
  EXPECT_EQ(FocusEvents.back(), std::make_pair(Row(5), Row(0)));

  // After a refill nothing is focused; the first Down focuses the top row and moves on.
  Fill(6);
  FocusEvents.clear();
  EXPECT_EQ(TL->FocusedNode(), nullptr);
  Key(VK_DOWN);
  EXPECT_EQ(TL->FocusedNode(), Row(1));
  // Both steps are announced: the top row focused by the key, then the move.
  ASSERT_EQ(FocusEvents.size(), 2u);
  EXPECT_EQ(FocusEvents[0], std::make_pair(static_cast<Node*>(nullptr), Row(0)));
  EXPECT_EQ(FocusEvents[1], std::make_pair(Row(0), Row(1)));
}

TEST_F(ViewFixture, PageKeysAndMultiSelectClicks) {
  Fill(60);
  auto ScrollTop = [this] {
    Integer pos = 0;
    TL->VScrollBar()->OnScroll(TL->VScrollBar(), scTop, pos);
  };
  const Integer page = VI()->NodesVisibleCount;
  ASSERT_GT(page, 2);
  Click(250, RowY(0));
  // Page Down focuses the last whole row, then a page further; Page Up the top row. Each
  // move is announced.
  Key(VK_NEXT);
  EXPECT_EQ(TL->FocusedNode(), Row(page - 1));
  EXPECT_EQ(FocusEvents.back(), std::make_pair(Row(0), Row(page - 1)));
  Key(VK_NEXT);
  EXPECT_EQ(TL->FocusedNode(), Row(2 * page - 2));
  EXPECT_EQ(TL->TopVisibleNode(), Row(page - 1));
  Key(VK_PRIOR);
  EXPECT_EQ(TL->FocusedNode(), Row(page - 1));
  EXPECT_EQ(FocusEvents.back(), std::make_pair(Row(2 * page - 2), Row(page - 1)));

  // Multi-selection: Shift+click selects the range from the anchor, Ctrl+click toggles.
  TL->OptionsSelection()->MultiSelect = true;
  ScrollTop();
  Click(250, RowY(1));
  Click(250, RowY(4), VK_SHIFT);
  EXPECT_EQ(TL->SelectionCount(), 4);
  for (Integer i = 1; i <= 4; ++i) EXPECT_TRUE(Row(i)->Selected()) << i;
  EXPECT_EQ(TL->FocusedNode(), Row(4));
  Click(250, RowY(2), VK_CONTROL);
  EXPECT_FALSE(Row(2)->Selected());
  EXPECT_EQ(TL->SelectionCount(), 3);
  // A plain click selects that row alone.
  Click(250, RowY(3));
  EXPECT_EQ(TL->SelectionCount(), 1);
  EXPECT_TRUE(Row(3)->Selected());
}

// Answers the next confirmation box of this thread with AButton.
struct ConfirmAnswer {
  static inline Integer Button = IDCANCEL;
  static inline Integer Asked = 0;
  static BOOL CALLBACK Find(HWND W, LPARAM) {
    wchar_t cls[16]{};
    GetClassNameW(W, cls, 16);
    if (std::wstring(cls) != L"#32770") return TRUE;
    ++Asked;
    PostMessageW(W, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED), 0);
    return FALSE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR Id, DWORD) {
    if (!EnumThreadWindows(GetCurrentThreadId(), Find, 0)) KillTimer(nullptr, Id);
  }
  explicit ConfirmAnswer(Integer AButton) {
    Button = AButton;
    Asked = 0;
    FTimer = SetTimer(nullptr, 0, 50, Tick);
  }
  ~ConfirmAnswer() { KillTimer(nullptr, FTimer); }
  UINT_PTR FTimer;
};

TEST_F(ViewFixture, DeleteKeyDeletesOnlyWithCtrlPermissionAndConsent) {
  Fill(6);
  Click(250, (VI()->NodesViewData(1)->Bounds().top + VI()->NodesViewData(1)->Bounds().bottom) / 2);
  ASSERT_EQ(TL->FocusedNode(), Row(1));
  // Deleting off (the main window): nothing, with or without Ctrl.
  Key(VK_DELETE, true);
  EXPECT_EQ(TL->AbsoluteCount(), 6);
  TL->OptionsData()->Deleting = true;
  TL->OptionsBehavior()->ConfirmDelete = false;
  // Without Ctrl nothing is deleted.
  Key(VK_DELETE);
  EXPECT_EQ(TL->AbsoluteCount(), 6);
  // Ctrl+Delete deletes the focused node.
  Key(VK_DELETE, true);
  EXPECT_EQ(TL->AbsoluteCount(), 5);
  EXPECT_EQ(TL->AbsoluteItems(1)->Values(1), Variant(String(L"User 2")));
  // With the confirmation, Cancel keeps the nodes and OK deletes.
  TL->OptionsBehavior()->ConfirmDelete = true;
  Click(250, (VI()->NodesViewData(0)->Bounds().top + VI()->NodesViewData(0)->Bounds().bottom) / 2);
  {
    ConfirmAnswer answer(IDCANCEL);
    Key(VK_DELETE, true);
    Pump(100);
    EXPECT_EQ(ConfirmAnswer::Asked, 1);
  }
  EXPECT_EQ(TL->AbsoluteCount(), 5);
  {
    ConfirmAnswer answer(IDOK);
    Key(VK_DELETE, true);
    Pump(100);
    EXPECT_EQ(ConfirmAnswer::Asked, 1);
  }
  EXPECT_EQ(TL->AbsoluteCount(), 4);
  EXPECT_EQ(TL->AbsoluteItems(0)->Values(1), Variant(String(L"User 2")));
}

TEST_F(ViewFixture, IncrementalSearchFocusesTheMatchingRow) {
  Fill(12);
  TL->OptionsBehavior()->SetIncSearch(true);
  TL->OptionsBehavior()->SetIncSearchItem(TL->Columns(1));
  TvxTreeListController* c = TL->TreeListController();
  SendMessageW(TL->Handle(), WM_CHAR, L'u', 0);
  Pump(10);
  EXPECT_EQ(TL->FocusedNode(), Row(0));
  for (const wchar_t* p = L"ser 1"; *p; ++p) SendMessageW(TL->Handle(), WM_CHAR, *p, 0);
  Pump(10);
  EXPECT_EQ(TL->FocusedNode(), Row(1));
  SendMessageW(TL->Handle(), WM_CHAR, L'1', 0);
  Pump(10);
  EXPECT_EQ(TL->FocusedNode(), Row(11));
  EXPECT_EQ(c->GetIncSearchingText(), L"user 11");
  // A text that matches nothing keeps the search where it was.
  SendMessageW(TL->Handle(), WM_CHAR, L'x', 0);
  Pump(10);
  EXPECT_EQ(c->GetIncSearchingText(), L"user 11");
  EXPECT_EQ(TL->FocusedNode(), Row(11));
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
