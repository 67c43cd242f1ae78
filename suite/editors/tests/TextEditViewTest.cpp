#include <gtest/gtest.h>

#include "EditTestSurface.h"
#include "vxTextEdit.h"

namespace ZS_UNITY_ID {

using zs_edit_test::Surface;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);

class CellOwner : public TPersistent, public IvxStyledContainer {
 public:
  bool IsInplace() override { return true; }
  bool UsesParentColorByDefault() override { return false; }
  bool IsStylePropertyPublished(const String&, bool) override { return true; }
};

// Paints string cells the way a container does: no editor, one view info per cell.
struct Cells {
  Cells() : Styles(&O, TvxContainerStyle::ClassOf<TvxEditStyle>()), P(nullptr) {
    Style()->SetColor(clWhite);
    Style()->SetTextColor(clBlack);
    Style()->Font()->SetName(L"Tahoma");
    Style()->Font()->SetHeight(-13);
  }
  TvxEditStyle* Style() { return static_cast<TvxEditStyle*>(Styles.Style()); }
  // Paints AText into R of a fresh surface and returns the view info.
  std::unique_ptr<TvxCustomTextEditViewInfo> Paint(Surface& S, const TRect& R, const String& AText,
                                                   TvxEditPaintOptions AOptions = {}, Integer ASelStart = 0,
                                                   Integer ASelLength = 0) {
    std::unique_ptr<TvxCustomEditViewData> vd(P.CreateViewData(Style(), true));
    auto* tvd = static_cast<TvxCustomTextEditViewData*>(vd.get());
    tvd->PaintOptions = AOptions;
    tvd->SelStart = ASelStart;
    tvd->SelLength = ASelLength;
    std::unique_ptr<TvxCustomTextEditViewInfo> vi(static_cast<TvxCustomTextEditViewInfo*>(P.CreateViewInfo()));
    vd->EditValueToDrawValue(S.vx.get(), Variant(AText), vi.get());
    vd->CalculateEx(S.vx.get(), R, TPoint{-1, -1}, vxmbNone, {}, vi.get(), false);
    vi->PaintEx(S.vx.get());
    return vi;
  }
  // Columns (or rows) that hold ink (not white) inside R.
  static std::pair<int, int> InkColumns(const Surface& S, const RECT& R) {
    int first = -1, last = -1;
    for (int x = R.left; x < R.right; ++x)
      if (S.CountNot(RECT{x, R.top, x + 1, R.bottom}, White) > 0) {
        if (first < 0) first = x;
        last = x;
      }
    return {first, last};
  }
  static int InkRows(const Surface& S, const RECT& R) {
    int n = 0;
    for (int y = R.top; y < R.bottom; ++y) n += S.CountNot(RECT{R.left, y, R.right, y + 1}, White) > 0;
    return n;
  }
  CellOwner O;
  TvxContainerStyles Styles;
  TvxTextEditProperties P;
};

TEST(TextCells, AlignmentPlacesTheText) {
  Cells c;
  Surface left(140, 30), right(140, 30), centre(140, 30);
  c.Paint(left, TRect{10, 5, 130, 25}, L"abc");
  c.P.Alignment()->SetHorz(taRightJustify);
  c.Paint(right, TRect{10, 5, 130, 25}, L"abc");
  c.P.Alignment()->SetHorz(taCenter);
  c.Paint(centre, TRect{10, 5, 130, 25}, L"abc");
  const auto l = Cells::InkColumns(left, RECT{0, 0, 140, 30});
  const auto r = Cells::InkColumns(right, RECT{0, 0, 140, 30});
  const auto m = Cells::InkColumns(centre, RECT{0, 0, 140, 30});
  ASSERT_GE(l.first, 0);
  EXPECT_LT(l.first, 16);
  EXPECT_GT(r.second, 122);
  EXPECT_LE(r.second, 130);
  EXPECT_NEAR((m.first + m.second) / 2, 70, 3);
  EXPECT_EQ(l.second - l.first, r.second - r.first);  // the same text, moved
  // Nothing outside the cell.
  EXPECT_EQ(left.CountNot(RECT{0, 0, 10, 30}, White), 0);
  EXPECT_EQ(left.CountNot(RECT{0, 0, 140, 5}, White), 0);
}

TEST(TextCells, EndEllipsisAndClipping) {
  Cells c;
  const String longText = L"abcdefghijklmnopqrstuvwxyz abcdefghijklmnopqrstuvwxyz";
  Surface clipped(140, 30), ellipsis(140, 30);
  c.Paint(clipped, TRect{0, 0, 60, 20}, longText);
  auto vi = c.Paint(ellipsis, TRect{0, 0, 60, 20}, longText, TvxEditPaintOptions{epoShowEndEllipsis});
  EXPECT_TRUE(vi->DrawTextFlags & vxtoEndEllipsis);
  EXPECT_TRUE(vi->TextOutData.ForceEndEllipsis);
  EXPECT_EQ(clipped.CountNot(RECT{60, 0, 140, 30}, White), 0);
  EXPECT_EQ(ellipsis.CountNot(RECT{60, 0, 140, 30}, White), 0);
  // The ellipsis changes the last pixels of the cell.
  int differ = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 40; x < 60; ++x) differ += clipped.At(x, y) != ellipsis.At(x, y);
  EXPECT_GT(differ, 0);
}

TEST(TextCells, AutoHeightWrapsWordsAndStartsAtTheTop) {
  Cells c;
  c.P.Alignment()->SetVert(taVCenter);
  Surface one(140, 80), wrapped(140, 80);
  c.Paint(one, TRect{0, 0, 60, 60}, L"word");
  auto vi = c.Paint(wrapped, TRect{0, 0, 60, 30}, L"word word word word word", TvxEditPaintOptions{epoAutoHeight});
  EXPECT_FALSE(vi->DrawTextFlags & vxtoSingleLine);
  EXPECT_TRUE(vi->DrawTextFlags & vxtoWordBreak);
  EXPECT_EQ(vi->DrawTextFlags & vxtoAlignYMask, 0);  // too many rows: from the top
  EXPECT_GT(vi->TextOutData.RowCount, 1);
  const int rowsInk = Cells::InkRows(wrapped, RECT{0, 0, 60, 30});
  const int oneRowInk = Cells::InkRows(one, RECT{0, 0, 60, 60});
  EXPECT_GT(rowsInk, oneRowInk);
  // Single line, centred vertically in a tall cell: no ink near the top.
  EXPECT_EQ(one.CountNot(RECT{0, 0, 60, 15}, White), 0);
}

TEST(TextCells, SelectionIsHighlightedAndClamped) {
  Cells c;
  Surface s(140, 30), none(140, 30);
  auto vi = c.Paint(s, TRect{0, 0, 120, 20}, L"abcde", {}, 2, 100);
  EXPECT_EQ(vi->TextOutData.SelStart, 2);
  EXPECT_EQ(vi->TextOutData.SelLength, 3);
  EXPECT_EQ(vi->SelBackgroundColor, clHighlight);
  const COLORREF highlight = static_cast<COLORREF>(ColorToRGB(clHighlight));
  int hl = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x) hl += s.At(x, y) == highlight;
  EXPECT_GT(hl, 10);
  auto vi2 = c.Paint(none, TRect{0, 0, 120, 20}, L"abcde", {}, 5, 2);
  EXPECT_EQ(vi2->TextOutData.SelLength, 0);
  int hl2 = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x) hl2 += none.At(x, y) == highlight;
  EXPECT_EQ(hl2, 0);
  // Explicit colours: the text colour is the background's inverse when not given.
  std::unique_ptr<TvxCustomEditViewData> vd(c.P.CreateViewData(c.Style(), true));
  auto* tvd = static_cast<TvxCustomTextEditViewData*>(vd.get());
  tvd->SelLength = 1;
  tvd->SelBackgroundColor = static_cast<TColor>(0x00FF00);
  TvxCustomTextEditViewInfo info;
  tvd->PrepareSelection(&info);
  EXPECT_EQ(info.SelTextColor, static_cast<TColor>(0xFF00FF));
}

TEST(TextCells, PasswordShowsEchoCharacters) {
  Cells c;
  Surface stars(140, 30), plain(140, 30);
  c.Paint(plain, TRect{0, 0, 120, 20}, L"***");
  c.P.SetEchoMode(eemPassword);
  auto vi = c.Paint(stars, TRect{0, 0, 120, 20}, L"abc");
  EXPECT_EQ(vi->Text, L"***");
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 140; ++x) ASSERT_EQ(stars.At(x, y), plain.At(x, y)) << x << "," << y;
  // An empty text paints no rows.
  Surface empty(140, 30);
  auto ve = c.Paint(empty, TRect{0, 0, 120, 20}, L"");
  EXPECT_EQ(ve->TextOutData.RowCount, 0);
  EXPECT_EQ(empty.CountNot(RECT{0, 0, 140, 30}, White), 0);
}

TEST(TextCells, ContentSizes) {
  Cells c;
  Surface s(10, 10);
  std::unique_ptr<TvxCustomEditViewData> vd(c.P.CreateViewData(c.Style(), true));
  auto* tvd = static_cast<TvxCustomTextEditViewData*>(vd.get());
  s.vx->SetFont(c.Style()->GetVisibleFont());
  const Integer zg = s.vx->TextHeight(L"Zg");
  const TSize corr = tvd->GetEditContentSizeCorrection();
  TvxEditSizeProperties natural;
  const TSize e = tvd->CalculateTextEditViewSize(s.vx.get(), L"", true, 0, natural, tvd->GetDrawTextFlags());
  EXPECT_EQ(e.cx, corr.cx);
  EXPECT_EQ(e.cy, zg + corr.cy);
  const TSize w = tvd->CalculateTextEditViewSize(s.vx.get(), L"abc", false, 0, natural, tvd->GetDrawTextFlags());
  EXPECT_EQ(w.cx, s.vx->TextWidth(L"abc"));
  TvxEditSizeProperties narrow;
  narrow.Width = 40;
  const TSize h =
      tvd->CalculateTextEditViewSize(s.vx.get(), L"word word word word", false, 0, narrow, tvd->GetDrawTextFlags());
  EXPECT_EQ(h.cx, 40);
  EXPECT_GE(h.cy, 2 * zg + corr.cy);
  EXPECT_EQ(tvd->GetDrawTextOffset().left, tvd->EditContentParams.Offsets.left);
}

}  // namespace

}  // namespace ZS_UNITY_ID
