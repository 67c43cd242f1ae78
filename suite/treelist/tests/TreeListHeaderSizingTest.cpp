// Sizing columns by dragging the right edge of their header with the real mouse on a shown
// window: the column follows the mouse within its limits, the columns to its left keep
// their widths, and the rows are laid out anew.
#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

struct SizingFixture : ListFixture {
  TRect HeaderRect(TvxTreeListColumn* C) {
    for (Integer i = 0; i < VI()->Cells().Count(); ++i)
      if (auto* h = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(VI()->Cells().Items(i)); h && h->Column() == C)
        return h->BoundsRect();
    return TRect{};
  }
  TRect BandHeaderRect(TvxTreeListBand* B) {
    for (Integer i = 0; i < VI()->Cells().Count(); ++i)
      if (auto* h = dynamic_cast<TvxTreeListBandHeaderCellViewInfo*>(VI()->Cells().Items(i)); h && h->Band() == B)
        return h->BoundsRect();
    return TRect{};
  }
  // Button down at (X, Y), moves to (X + DX, Y + DY) in steps, button up, all through the
  // input queue; with AEscape the Escape key is pressed before the button goes up.
  void Drag(Integer X, Integer Y, Integer DX, Integer DY = 0, bool AEscape = false) {
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
      SetCursorPos(p.x + DX * i / 4, p.y + DY * i / 4);
      Pump(20);
    }
    if (AEscape) {
      INPUT esc[2]{};
      esc[0].type = esc[1].type = INPUT_KEYBOARD;
      esc[0].ki.wVk = esc[1].ki.wVk = VK_ESCAPE;
      esc[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, esc, sizeof(INPUT));
      Pump(30);
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

  // Past the narrowest width the line stays where it last was inside: a drag far to the
  // left narrows the column no further than its smallest sizing width.
  h = HeaderRect(name);
  const Integer wide = name->DisplayWidth();
  Drag(h.right - 1, y, -400);
  EXPECT_LT(name->DisplayWidth(), wide);
  EXPECT_GE(name->DisplayWidth(), name->GetSizingMinWidth());
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

TEST_F(SizingFixture, BandLineHeightFollowsTheBandHeaderFontUnlessSet) {
  Fill(3);
  TvxTreeListBand* band = TL->Bands()->Items(0);
  band->Caption()->SetText(L"Entries");
  TL->OptionsView()->SetBands(true);
  Relayout();
  const Integer autoLine = VI()->BandLineHeight;
  ASSERT_GT(autoLine, 0);
  EXPECT_EQ(autoLine, VI()->BandHeaderLineHeight);
  TFont big;
  big.Assign(TL->Font());
  big.SetSize(20);
  TvxStyle style{nullptr};
  style.SetFont(&big);
  struct Case {
    bool BigFont;
    Integer Option;  // OptionsView.BandLineHeight
    bool Taller;     // than the plain automatic line
    Integer Exact;   // the line height when set, else 0
  } cases[] = {{true, 0, true, 0}, {true, 40, true, 40}, {false, 12, false, 12}, {false, 0, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.BigFont) + " " + std::to_string(c.Option));
    band->Styles()->PutStyle(TvxTreeListBandStyles::Header, c.BigFont ? &style : nullptr);
    TL->OptionsView()->SetBandLineHeight(c.Option);
    Relayout();
    const Integer line = VI()->BandLineHeight;
    if (c.Exact) EXPECT_EQ(line, c.Exact);
    else if (c.Taller) EXPECT_GT(line, autoLine + 8);
    else EXPECT_EQ(line, autoLine);
    // The band header row is one line high, and the column headers and rows follow it.
    const TRect b = BandHeaderRect(band);
    EXPECT_EQ(b.bottom - b.top, line);
    EXPECT_EQ(VI()->BandsHeight, line);
    EXPECT_EQ(HeaderRect(TL->Columns(0)).top, b.bottom);
    EXPECT_EQ(VI()->NodeViewData(Row(0))->Bounds().top, b.bottom + VI()->HeadersHeight);
  }
  band->Styles()->PutStyle(TvxTreeListBandStyles::Header, nullptr);
  // With the indicator and no shown band the band row keeps the indicator's corner a row high.
  TL->OptionsView()->SetIndicator(true);
  band->SetVisible(false);
  Relayout();
  EXPECT_EQ(VI()->BandsHeight, VI()->DefaultEditHeight());
}

TEST_F(SizingFixture, DraggingAColumnHeaderLowerEdgeSetsItsLineCount) {
  Fill(3);
  TvxTreeListColumn* name = TL->Columns(1);
  const Integer line = VI()->HeaderLineHeight;
  TRect h = HeaderRect(name);
  const Integer x = (h.left + h.right) / 2;
  TvxTreeListHitTest* hit = HitAt(x, h.bottom + 1);
  ASSERT_TRUE(hit->HitAtSizingVert());
  EXPECT_EQ(hit->DragItem, name);
  EXPECT_EQ(hit->GetCursor(), vxVertSizeCursor);
  const Integer width = name->DisplayWidth();

  // The height moves in whole lines, to the nearest one.
  struct Case {
    double Lines;  // the drag, in lines
    Integer LineCount;
    bool Escape;
  } cases[] = {{0.4, 1, false}, {1.6, 3, false}, {-1.2, 2, false}, {1.0, 2, true}, {-0.9, 1, false},
               {-5.0, 1, false}};  // above the first line the line stays where it was
  Integer shift = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Lines);
    h = HeaderRect(name);
    // Each drag starts elsewhere on the edge: two presses at one place would be a double click.
    shift = shift ? 0 : 12;
    Drag(x + shift, h.bottom - 1, 0, static_cast<Integer>(c.Lines * line), c.Escape);
    EXPECT_EQ(name->Position()->LineCount(), c.LineCount);
    Relayout();
    h = HeaderRect(name);
    EXPECT_EQ(h.bottom - h.top, c.LineCount * line);
    EXPECT_EQ(VI()->HeadersHeight, c.LineCount * line);
  }
  // Neither the width, the focus nor the sort order moved.
  EXPECT_EQ(name->DisplayWidth(), width);
  EXPECT_EQ(TL->FocusedNode(), nullptr);
  EXPECT_EQ(name->SortOrder(), soNone);

  // A column without vertical sizing offers no lower edge.
  name->Options()->Set(TvxTreeListColumnOptions::VertSizing, false);
  Relayout();
  h = HeaderRect(name);
  EXPECT_FALSE(HitAt(x, h.bottom - 1)->HitAtSizingVert());
  TL->OptionsCustomizing()->Set(TvxTreeListOptionsCustomizing::ColumnVertSizing, false);
  name->Options()->Set(TvxTreeListColumnOptions::VertSizing, true);
  Relayout();
  h = HeaderRect(name);
  EXPECT_FALSE(HitAt(x, h.bottom - 1)->HitAtSizingVert());
}

TEST_F(SizingFixture, TheVerticalSizingLineFollowsTheMouseAndSurvivesARepaint) {
  Fill(5);
  TvxTreeListColumn* name = TL->Columns(1);
  const Integer line = VI()->HeaderLineHeight;
  const TRect h = HeaderRect(name);
  const Integer x = (h.left + h.right) / 2, y = h.bottom - 1;
  auto mouse = [&](DWORD AFlags) {
    INPUT i{};
    i.type = INPUT_MOUSE;
    i.mi.dwFlags = AFlags;
    SendInput(1, &i, sizeof(INPUT));
    Pump(30);
  };
  auto moveTo = [&](Integer AY) {
    POINT p{x, AY};
    ClientToScreen(TL->Handle(), &p);
    SetCursorPos(p.x, p.y);
    Pump(30);
  };
  auto pixel = [&](Integer AX, Integer AY) {
    int w = 0, ht = 0;
    std::vector<DWORD> px = WindowPixels(TL->Handle(), w, ht);
    return PixelRgb(px, w, AX, AY);
  };
  // One line down: the line follows the header's lower edge (the press was one pixel
  // above it), one header line further down.
  const Integer lineY = h.bottom + line - 1;
  const Integer left = 20, right = TL->ClientWidth() - 20;
  const COLORREF plainLeft = pixel(left, lineY), plainRight = pixel(right, lineY);
  moveTo(y);
  mouse(MOUSEEVENTF_LEFTDOWN);
  moveTo(y + line);
  EXPECT_EQ(pixel(left, lineY), plainLeft ^ 0xFFFFFF);
  EXPECT_EQ(pixel(right, lineY), plainRight ^ 0xFFFFFF);
  // A paint of the left half only leaves the whole line shown.
  RECT half{0, 0, TL->ClientWidth() / 2, TL->ClientHeight()};
  InvalidateRect(TL->Handle(), &half, FALSE);
  UpdateWindow(TL->Handle());
  Pump(30);
  EXPECT_EQ(pixel(left, lineY), plainLeft ^ 0xFFFFFF);
  EXPECT_EQ(pixel(right, lineY), plainRight ^ 0xFFFFFF);
  mouse(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(name->Position()->LineCount(), 2);
}

TEST_F(SizingFixture, DraggingABandHeaderLowerEdgeSetsTheBandLineHeight) {
  Fill(3);
  TvxTreeListBand* band = TL->Bands()->Items(0);
  TL->OptionsView()->SetBands(true);
  Relayout();
  const Integer autoLine = VI()->BandLineHeight;
  TRect b = BandHeaderRect(band);
  const Integer x = (b.left + b.right) / 2;
  ASSERT_TRUE(HitAt(x, b.bottom - 1)->HitAtSizingVert());
  EXPECT_EQ(HT()->DragItem, band);
  int sized = 0;
  TL->OnBandSizeChanged = [&](TObject*, TvxTreeListBand* B) { sized += B == band; };

  Drag(x, b.bottom - 1, 0, 14);
  EXPECT_EQ(TL->OptionsView()->BandLineHeight(), autoLine + 14);
  EXPECT_EQ(sized, 1);
  Relayout();
  b = BandHeaderRect(band);
  EXPECT_EQ(b.bottom - b.top, autoLine + 14);
  EXPECT_EQ(HeaderRect(TL->Columns(0)).top, b.bottom);
  // The line goes no higher than one automatic line below the header's top: moved up in
  // steps of 5 pixels it stays at the last step inside (10 pixels up).
  Drag(x, b.bottom - 1, 0, -20);
  EXPECT_EQ(TL->OptionsView()->BandLineHeight(), autoLine + 4);
  // Without vertical band sizing there is no lower edge to drag.
  TL->OptionsCustomizing()->Set(TvxTreeListOptionsCustomizing::BandVertSizing, false);
  Relayout();
  b = BandHeaderRect(band);
  EXPECT_FALSE(HitAt(x, b.bottom - 1)->HitAtSizingVert());
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
