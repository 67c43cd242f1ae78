// Sizing columns by dragging the right edge of their header with the real mouse on a shown
// window: the column follows the mouse within its limits, the columns to its left keep
// their widths, and the rows are laid out anew.
#include "TreeListViewTestSupport.h"

namespace tlv_test {
namespace {

struct SizingFixture : ListFixture {
  TRect HeaderRect(TvxTreeListColumn* C) {
    for (Integer i = 0; i < VI()->Cells().Count(); ++i)
      if (auto* h = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(VI()->Cells().Items(i)); h && h->Column() == C)
        return h->BoundsRect();
    return TRect{};
  }
  // Button down at (X, Y), moves to (X + DX, Y) in steps, button up, all through the input
  // queue.
  void Drag(Integer X, Integer Y, Integer DX) {
    POINT p{X, Y};
    ClientToScreen(TL->Handle(), &p);
    SetCursorPos(p.x, p.y);
    Pump(20);
    INPUT down{};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &down, sizeof(INPUT));
    Pump(30);
    for (int i = 1; i <= 4; ++i) {
      SetCursorPos(p.x + DX * i / 4, p.y);
      Pump(20);
    }
    INPUT up{};
    up.type = INPUT_MOUSE;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &up, sizeof(INPUT));
    Pump(40);
  }
};

TEST_F(SizingFixture, DraggingAHeaderEdgeSizesTheColumn) {
  Fill(3);
  TvxTreeListColumn* name = TL->Columns(1);
  const Integer typeWidth = TL->Columns(0)->DisplayWidth();
  const Integer before = name->DisplayWidth();
  TRect h = HeaderRect(name);
  ASSERT_FALSE(IsRectEmpty(&h));
  const Integer y = (h.top + h.bottom) / 2;
  ASSERT_TRUE(HitAt(h.right - 1, y)->HitAtSizingHorz());
  int sized = 0;
  TL->OnColumnSizeChanged = [&](TObject*, TvxTreeListColumn* c) { sized += c == name; };

  Drag(h.right - 1, y, 40);
  EXPECT_EQ(name->DisplayWidth(), before + 40);
  EXPECT_EQ(TL->Columns(0)->DisplayWidth(), typeWidth);
  EXPECT_GT(sized, 0);
  // The header and the data cells follow the new width.
  EXPECT_EQ(HeaderRect(name).right - HeaderRect(name).left, before + 40);
  TvxTreeListEditCellViewInfo* cell = VI()->GetEditCell(Row(0), name);
  EXPECT_EQ(cell->BoundsRect().right, HeaderRect(name).right);
  // The drag neither focused a node nor clicked the header.
  EXPECT_TRUE(FocusEvents.empty() || FocusEvents.back().second == TL->FocusedNode());

  // Narrowing stops at the column's smallest sizing width.
  h = HeaderRect(name);
  Drag(h.right - 1, y, -400);
  EXPECT_EQ(name->DisplayWidth(), name->GetSizingMinWidth());
}

TEST_F(SizingFixture, ColumnsWithoutSizingOrAwayFromTheEdgeDoNotSize) {
  Fill(3);
  TvxTreeListColumn* access = TL->Columns(2);
  access->Options()->Set(TvxTreeListColumnOptions::Sizing, false);
  TL->LayoutChanged();
  Pump(30);
  const Integer before = access->DisplayWidth();
  TRect h = HeaderRect(access);
  const Integer y = (h.top + h.bottom) / 2;
  EXPECT_FALSE(HitAt(h.right - 1, y)->HitAtSizingHorz());
  Drag(h.right - 1, y, 30);
  EXPECT_EQ(access->DisplayWidth(), before);
  // A drag that starts in the middle of a sizable header changes no width.
  TvxTreeListColumn* name = TL->Columns(1);
  const Integer nameBefore = name->DisplayWidth();
  h = HeaderRect(name);
  Drag((h.left + h.right) / 2, y, 30);
  EXPECT_EQ(name->DisplayWidth(), nameBefore);
}

TEST_F(SizingFixture, HeaderAutoHeightGrowsTheHeaderRowToFitAMultiLineCaption) {
  Fill(3);
  TvxTreeListColumn* name = TL->Columns(1);
  name->Caption()->SetText(L"A long caption of several words");
  const Integer line = VI()->HeaderLineHeight;
  struct Case {
    bool AutoHeight, MultiLine, Grows;
  } cases[] = {{false, true, false}, {true, false, false}, {true, true, true}};
  for (const Case& c : cases) {
    TL->OptionsView()->SetHeaderAutoHeight(c.AutoHeight);
    name->Caption()->SetMultiLine(c.MultiLine);
    TL->LayoutChanged();
    UpdateWindow(TL->Handle());
    Pump(40);
    SCOPED_TRACE(std::to_string(c.AutoHeight) + std::to_string(c.MultiLine));
    const TRect h = HeaderRect(name);
    EXPECT_EQ(VI()->HeadersHeight > line, c.Grows);
    EXPECT_EQ(h.bottom - h.top, VI()->HeadersHeight);
    // Every header of the row shares the grown line, and the rows start below it.
    EXPECT_EQ(HeaderRect(TL->Columns(0)).bottom, h.bottom);
    EXPECT_EQ(VI()->NodeViewData(Row(0))->Bounds().top, h.bottom);
    // Below the one-line height the screen shows header, not the first row.
    if (c.Grows) {
      int w = 0, ht = 0;
      std::vector<DWORD> px = WindowPixels(TL->Handle(), w, ht);
      const COLORREF header = PixelRgb(px, w, h.left + 3, h.top + 3);
      EXPECT_EQ(PixelRgb(px, w, h.left + 3, h.top + line + 2), header);
      EXPECT_GE(VI()->HeadersHeight, 2 * line - 4);
    }
  }
}

}  // namespace
}  // namespace tlv_test
