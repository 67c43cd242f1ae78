#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ReferenceImage.h"
#include "TestSurface.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vxLookAndFeelPainters.h"
#include "vxLookAndFeels.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Magenta = RGB(255, 0, 255);

COLORREF C(TColor AColor) { return static_cast<COLORREF>(ColorToRGB(AColor)); }

TvxCustomLookAndFeelPainterClass Base() { return TvxCustomLookAndFeelPainter::Instance(); }
TvxCustomLookAndFeelPainterClass Standard() { return TvxStandardLookAndFeelPainter::Instance(); }
TvxCustomLookAndFeelPainterClass Flat() { return TvxFlatLookAndFeelPainter::Instance(); }

std::string Hex(COLORREF c) {
  char buf[16];
  snprintf(buf, sizeof buf, "%06lX", static_cast<unsigned long>(c));
  return buf;
}

// Number of pixels of colour c in R.
int CountOf(const TestSurface& s, const RECT& R, COLORREF c) {
  return (R.right - R.left) * (R.bottom - R.top) - s.CountNot(R, c);
}

// The bounding box of the pixels in R that differ from c (empty when none).
RECT InkIn(const TestSurface& s, const RECT& R, COLORREF c) {
  RECT ink{R.right, R.bottom, R.left, R.top};
  for (int y = R.top; y < R.bottom; ++y)
    for (int x = R.left; x < R.right; ++x)
      if (s.At(x, y) != c) {
        ink.left = std::min<LONG>(ink.left, x);
        ink.top = std::min<LONG>(ink.top, y);
        ink.right = std::max<LONG>(ink.right, x + 1);
        ink.bottom = std::max<LONG>(ink.bottom, y + 1);
      }
  if (ink.right <= ink.left) ink = RECT{0, 0, 0, 0};
  return ink;
}

// --- Arrows ---------------------------------------------------------------------------------------

TEST(Painters, ArrowGeometry) {
  struct Case {
    const char* name;
    TRect r;
    TvxArrowDirection dir;
    bool proportional;
    TvxArrowPoints expected;
  };
  const Case cases[] = {
      // s = 2: three wide, two high, apex at column (0 + 8 - 1) div 2.
      {"8x8 up", {0, 0, 8, 8}, adUp, false, {TPoint{2, 4}, TPoint{3, 3}, TPoint{4, 4}}},
      // Unproportional 20 x 8: s = 5, nine wide and five high.
      {"20x8 up", {0, 0, 20, 8}, adUp, false, {TPoint{5, 6}, TPoint{9, 2}, TPoint{13, 6}}},
      // Proportional: the rect becomes (6, 0, 14, 8) first.
      {"20x8 up proportional", {0, 0, 20, 8}, adUp, true, {TPoint{8, 4}, TPoint{9, 3}, TPoint{10, 4}}},
      {"8x8 down", {0, 0, 8, 8}, adDown, false, {TPoint{4, 3}, TPoint{3, 4}, TPoint{2, 3}}},
      // Sideways: two wide, three high; MulDiv rounds the top row (5 / 2) up to 3.
      {"8x8 left", {0, 0, 8, 8}, adLeft, false, {TPoint{4, 5}, TPoint{3, 4}, TPoint{4, 3}}},
      {"8x8 right", {0, 0, 8, 8}, adRight, false, {TPoint{3, 3}, TPoint{4, 4}, TPoint{3, 5}}},
  };
  for (const Case& c : cases) {
    TvxArrowPoints p;
    TvxCustomLookAndFeelPainter::CalculateArrowPoints(c.r, p, c.dir, c.proportional);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(p[i].x, c.expected[i].x) << c.name << " point " << i;
      EXPECT_EQ(p[i].y, c.expected[i].y) << c.name << " point " << i;
    }
  }
  EXPECT_EQ(TvxCustomLookAndFeelPainter::GetArrowDirection(false, sbpLineUp), adUp);
  EXPECT_EQ(TvxCustomLookAndFeelPainter::GetArrowDirection(false, sbpLineDown), adDown);
  EXPECT_EQ(TvxCustomLookAndFeelPainter::GetArrowDirection(true, sbpLineUp), adLeft);
  EXPECT_EQ(TvxCustomLookAndFeelPainter::GetArrowDirection(true, sbpLineDown), adRight);
}

TEST(Painters, ArrowsAreFilledTrianglesAndDisabledOnesEmbossed) {
  TestSurface s(40, 20);
  Base()->DrawArrow(s.vx.get(), TRect{0, 0, 16, 16}, adDown, clRed);
  // s = 4: seven wide, four high, rows 6..9; the widest row first.
  EXPECT_EQ(s.InkBounds(White).left, 4);
  EXPECT_EQ(s.InkBounds(White).right, 11);
  EXPECT_EQ(s.InkBounds(White).top, 6);
  EXPECT_EQ(s.InkBounds(White).bottom, 10);
  EXPECT_EQ(s.At(7, 9), C(clRed)) << "apex";
  EXPECT_EQ(s.At(4, 6), C(clRed));

  // A disabled scroll-bar arrow: highlight copy one pixel right and down under the shadow one.
  s.Clear(White);
  Flat()->DrawScrollBarArrow(s.vx.get(), TRect{20, 0, 36, 16}, vxbsDisabled, adDown);
  EXPECT_EQ(s.At(27, 9), C(clBtnShadow));
  EXPECT_EQ(s.At(28, 10), C(clBtnHighlight));
  // Pressed moves the arrow by the button text shift.
  TestSurface normal(40, 20), pressed(40, 20);
  Flat()->DrawScrollBarArrow(normal.vx.get(), TRect{0, 0, 16, 16}, vxbsNormal, adUp);
  Flat()->DrawScrollBarArrow(pressed.vx.get(), TRect{0, 0, 16, 16}, vxbsPressed, adUp);
  RECT n = normal.InkBounds(White), p = pressed.InkBounds(White);
  EXPECT_EQ(p.left, n.left + 1);
  EXPECT_EQ(p.top, n.top + 1);
  EXPECT_EQ(normal.At((n.left + n.right) / 2, n.top), C(clBtnText));
}

// --- Buttons --------------------------------------------------------------------------------------

struct Ring {
  int inset;
  TColor leftTop, rightBottom;
};

// Checks the colours of concentric one-pixel rings of a frame drawn on R.
void ExpectRings(const TestSurface& s, const TRect& R, const std::vector<Ring>& rings, const char* what) {
  for (const Ring& ring : rings) {
    const int l = R.left + ring.inset, t = R.top + ring.inset, r = R.right - 1 - ring.inset,
              b = R.bottom - 1 - ring.inset;
    const int mx = (l + r) / 2, my = (t + b) / 2;
    EXPECT_EQ(Hex(s.At(l, my)), Hex(C(ring.leftTop))) << what << " left of ring " << ring.inset;
    EXPECT_EQ(Hex(s.At(mx, t)), Hex(C(ring.leftTop))) << what << " top of ring " << ring.inset;
    EXPECT_EQ(Hex(s.At(r, my)), Hex(C(ring.rightBottom))) << what << " right of ring " << ring.inset;
    EXPECT_EQ(Hex(s.At(mx, b)), Hex(C(ring.rightBottom))) << what << " bottom of ring " << ring.inset;
  }
}

TEST(Painters, ButtonBordersOfStandardAndFlat) {
  struct Case {
    const char* name;
    TvxCustomLookAndFeelPainterClass painter;
    TvxButtonState state;
    std::vector<Ring> rings;
    int borderSize;
  };
  const Case cases[] = {
      {"standard default",
       Standard(),
       vxbsDefault,
       {{0, clBlack, clBlack}, {1, clBtnHighlight, cl3DDkShadow}, {2, cl3DLight, clBtnShadow}},
       3},
      {"standard normal", Standard(), vxbsNormal, {{0, clBtnHighlight, cl3DDkShadow}, {1, cl3DLight, clBtnShadow}}, 2},
      {"standard pressed", Standard(), vxbsPressed, {{0, clBlack, clBlack}, {1, clBtnShadow, clBtnShadow}}, 2},
      {"flat default", Flat(), vxbsDefault, {{0, clBlack, clBlack}, {1, clBtnHighlight, clBtnShadow}}, 2},
      {"flat normal", Flat(), vxbsNormal, {{0, clBtnHighlight, clBtnShadow}}, 1},
      {"flat pressed", Flat(), vxbsPressed, {{0, clBtnShadow, clBtnHighlight}}, 1},
  };
  for (const Case& c : cases) {
    TestSurface s(40, 30, Magenta);
    const TRect r{2, 2, 38, 28};
    c.painter->DrawButton(s.vx.get(), r, String(), c.state);
    ExpectRings(s, r, c.rings, c.name);
    EXPECT_EQ(c.painter->ButtonBorderSize(c.state), c.borderSize) << c.name;
    // Inside the border the face colour only.
    const RECT face{r.left + c.borderSize, r.top + c.borderSize, r.right - c.borderSize, r.bottom - c.borderSize};
    EXPECT_EQ(s.CountNot(face, C(clBtnFace)), 0) << c.name;
    EXPECT_EQ(CountOf(s, RECT{0, 0, 40, 2}, Magenta), 80) << c.name << ": nothing outside the rect";
  }
}

TEST(Painters, ButtonCaptionsFollowStateAndColours) {
  TestSurface s(80, 30, Magenta);
  // Disabled with default colours: ButtonColor fill and an engraved caption.
  Standard()->DrawButton(s.vx.get(), TRect{0, 0, 80, 30}, L"Wg", vxbsDisabled);
  const RECT inside{2, 2, 78, 28};
  EXPECT_GT(CountOf(s, inside, C(clBtnShadow)), 0);
  EXPECT_GT(CountOf(s, inside, C(clBtnHighlight)), 0) << "the engraved copy";
  EXPECT_EQ(CountOf(s, inside, C(clBtnText)), 0);

  // Given colours win; pressed moves the caption by one pixel.
  TestSurface normal(80, 30), pressed(80, 30);
  Standard()->DrawButton(normal.vx.get(), TRect{0, 0, 80, 30}, L"Wg", vxbsNormal, true, clWhite, clRed);
  Standard()->DrawButton(pressed.vx.get(), TRect{0, 0, 80, 30}, L"Wg", vxbsPressed, true, clWhite, clRed);
  const RECT n = InkIn(normal, inside, White);
  const RECT p = InkIn(pressed, inside, White);
  EXPECT_GT(CountOf(normal, inside, C(clRed)), 0);
  EXPECT_EQ(p.left, n.left + 1);
  EXPECT_EQ(p.top, n.top + 1);
}

// A painter whose button colour is red: base operations must see the override.
class TRedButtonPainter : public TvxFlatLookAndFeelPainter {
 public:
  static TvxCustomLookAndFeelPainterClass Instance() {
    static const TRedButtonPainter instance;
    return &instance;
  }
  TColor ButtonColor(TvxButtonState) const override { return clRed; }

 private:
  TRedButtonPainter() {}
};

TEST(Painters, OverridesAreSeenByTheBaseOperations) {
  TestSurface s(20, 20);
  TRedButtonPainter::Instance()->DrawButton(s.vx.get(), TRect{0, 0, 20, 20}, String(), vxbsNormal);
  EXPECT_EQ(s.At(10, 10), C(clRed));
  TRect r{0, 0, 20, 20};
  s.Clear(White);
  TRedButtonPainter::Instance()->DrawFilterCloseButton(s.vx.get(), r, vxbsNormal);
  EXPECT_EQ(s.At(2, 2), C(clRed));
  EXPECT_EQ(r.left, 1) << "the rect shrinks by the button border";
}

// --- Check boxes ----------------------------------------------------------------------------------

TEST(Painters, CheckBoxesInEveryState) {
  const TSize size = Base()->CheckButtonSize();
  ASSERT_GT(size.cx, 6);
  ASSERT_GT(size.cy, 6);
  const TvxButtonState states[] = {vxbsDefault, vxbsNormal, vxbsHot, vxbsPressed, vxbsDisabled};
  const TvxCheckBoxState checks[] = {cbsUnchecked, cbsChecked, cbsGrayed};
  for (TvxCustomLookAndFeelPainterClass painter : {Standard(), Flat()})
    for (TvxButtonState state : states)
      for (TvxCheckBoxState check : checks) {
        const std::string what = std::string(painter == Standard() ? "standard" : "flat") + " state " +
                                 std::to_string(state) + " check " + std::to_string(check);
        TestSurface s(20, 20, Magenta);
        const TRect r{2, 2, 2 + size.cx, 2 + size.cy};
        painter->DrawCheckButton(s.vx.get(), r, state, check);
        const TColor fill = (state == vxbsPressed || state == vxbsDisabled) ? clBtnFace : clWindow;
        if (painter == Standard())
          ExpectRings(s, r, {{0, cl3DDkShadow, cl3DLight}, {1, clBtnShadow, clBtnHighlight}}, what.c_str());
        else
          ExpectRings(s, r, {{0, clBtnShadow, clBtnHighlight}, {1, fill, fill}}, what.c_str());
        const RECT inner{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
        const TColor tick = state == vxbsDisabled ? clGrayText : clBtnText;
        const int ticks = CountOf(s, inner, C(tick));
        const int fills = CountOf(s, inner, C(fill));
        if (check == cbsChecked) {
          EXPECT_GT(ticks, 10) << what;
          EXPECT_EQ(ticks + fills, (inner.right - inner.left) * (inner.bottom - inner.top)) << what;
        } else {
          EXPECT_EQ(s.CountNot(inner, C(fill)), 0) << what << ": a grayed box shows no tick";
        }
      }
}

TEST(Painters, CheckOnAClearBrushKeepsTheBackground) {
  TestSurface s(20, 20, Magenta);
  s.vx->Brush()->SetStyle(bsClear);
  Base()->DrawCheck(s.vx.get(), TRect{0, 0, 13, 13}, vxbsNormal, true, clRed);
  EXPECT_EQ(CountOf(s, RECT{0, 0, 20, 20}, C(clWindow)), 0);
  EXPECT_GT(CountOf(s, RECT{0, 0, 13, 13}, C(clRed)), 10);
}

// --- Expand buttons -------------------------------------------------------------------------------

TEST(Painters, ExpandButtons) {
  // Standard, 11 x 11: an 8 x 8 face at (1, 1) with a sign of half-length 2 around (5, 5).
  TestSurface s(20, 20, Magenta);
  Standard()->DrawExpandButton(s.vx.get(), TRect{0, 0, 11, 11}, false, clYellow);
  EXPECT_EQ(s.At(0, 5), C(clBtnHighlight));
  EXPECT_EQ(s.At(10, 5), C(cl3DDkShadow));
  EXPECT_EQ(s.At(9, 5), C(clBtnShadow));
  EXPECT_EQ(s.At(1, 1), C(clYellow));
  EXPECT_EQ(s.At(8, 8), C(clYellow));
  for (int i = 3; i <= 7; ++i) {
    EXPECT_EQ(s.At(i, 5), C(clBtnText)) << i;
    EXPECT_EQ(s.At(5, i), C(clBtnText)) << i;
  }
  EXPECT_EQ(s.At(2, 5), C(clYellow));
  // The button leaves the clip region: a later fill does not cover it.
  s.vx->FillRect(TRect{0, 0, 20, 20}, clGreen);
  EXPECT_EQ(s.At(1, 1), C(clYellow));
  EXPECT_EQ(s.At(15, 15), C(clGreen));

  // Expanded: the horizontal bar only; Flat: one-pixel raised frame in the given colour.
  TestSurface f(20, 20, Magenta);
  Flat()->DrawExpandButton(f.vx.get(), TRect{0, 0, 11, 11}, true, clDefault);
  EXPECT_EQ(f.At(0, 5), C(clBtnHighlight));
  EXPECT_EQ(f.At(10, 5), C(clBtnShadow));
  EXPECT_EQ(f.At(1, 1), C(clBtnFace));
  EXPECT_EQ(f.At(5, 5), C(clBtnText));
  EXPECT_EQ(f.At(5, 3), C(clBtnFace)) << "no vertical bar when expanded";

  // The small button: a frame in the border colour, filled unless clDefault.
  TestSurface m(20, 20, Magenta);
  Base()->DrawSmallExpandButton(m.vx.get(), TRect{0, 0, 9, 9}, false, clNavy, clWhite);
  EXPECT_EQ(m.At(0, 0), C(clNavy));
  EXPECT_EQ(m.At(1, 1), C(clWhite));
  EXPECT_EQ(m.At(2, 4), C(clBtnText));
  EXPECT_EQ(m.At(6, 4), C(clBtnText));
  EXPECT_EQ(m.At(4, 2), C(clBtnText));
}

TEST(Painters, GroupExpandButtonChevronsPointByState) {
  // R = (0, 0, 15, 15): x = 4, rows from 3; apexes at column 7.
  TestSurface collapsed(15, 15), expanded(15, 15);
  Base()->DrawGroupExpandButton(collapsed.vx.get(), TRect{0, 0, 15, 15}, false, vxbsNormal);
  Base()->DrawGroupExpandButton(expanded.vx.get(), TRect{0, 0, 15, 15}, true, vxbsNormal);
  const COLORREF ink = C(clBtnText);
  // Collapsed: apexes below the ends (rows 6-7 and 10-11), ends at rows 3-4 and 7-8.
  for (int y : {6, 7, 10, 11}) EXPECT_EQ(collapsed.At(7, y), ink) << y;
  EXPECT_EQ(collapsed.At(4, 4), ink);
  EXPECT_EQ(collapsed.At(7, 5), C(clBtnFace));
  // Expanded: base rows three lower (6-7 and 10-11), apexes above the ends.
  for (int y : {3, 4, 7, 8}) EXPECT_EQ(expanded.At(7, y), ink) << y;
  EXPECT_EQ(expanded.At(4, 6), ink);
  EXPECT_EQ(expanded.At(7, 5), C(clBtnFace));
  // The Standard painter draws it with the Flat painter's one-pixel frame.
  TestSurface standard(15, 15);
  Standard()->DrawGroupExpandButton(standard.vx.get(), TRect{0, 0, 15, 15}, true, vxbsNormal);
  EXPECT_EQ(standard.Pixels(), [] {
    TestSurface f(15, 15);
    Flat()->DrawGroupExpandButton(f.vx.get(), TRect{0, 0, 15, 15}, true, vxbsNormal);
    return f.Pixels();
  }());
  EXPECT_EQ(standard.At(1, 7), C(clBtnFace));
}

// --- Headers, sort marks, footers -------------------------------------------------------------------

TEST(Painters, HeaderMetrics) {
  EXPECT_EQ(Base()->HeaderHeight(13), 17);
  EXPECT_EQ(Standard()->HeaderHeight(13), 19);
  EXPECT_EQ(Flat()->HeaderHeight(13), 19);
  TestSurface s(10, 10);
  const int text = s.vx->TextWidth(L"Column");
  struct Case {
    TvxBorders borders;
    int expected;
  };
  // The right border is subtracted: both borders cancel out.
  const Case cases[] = {{vxBordersAll, text + 4}, {{bLeft}, text + 5}, {{bRight}, text + 3}, {{}, text + 4}};
  for (const Case& c : cases) EXPECT_EQ(Standard()->HeaderWidth(s.vx.get(), c.borders, L"Column", nullptr), c.expected);

  const TRect r{10, 10, 50, 30};
  const TRect content = Standard()->HeaderContentBounds(r, {bLeft, bBottom});
  EXPECT_EQ(content.left, 11);
  EXPECT_EQ(content.top, 10);
  EXPECT_EQ(content.bottom, 29);
  EXPECT_EQ(content.right, 50);
  // HeaderBorders keeps all four in these painters: nothing grows.
  const TRect bounds = Standard()->HeaderBounds(r, {nLeft}, vxBordersAll);
  EXPECT_EQ(bounds.left, 10);
  EXPECT_EQ(Standard()->HeaderControlSectionBorderSize(vxbsPressed), 1);
  EXPECT_EQ(Standard()->HeaderControlSectionBorderSize(vxbsNormal), 2);
  EXPECT_EQ(Flat()->HeaderControlSectionBorderSize(vxbsNormal), 1);
  TRect area = r;
  const TRect pressed = Base()->HeaderControlSectionTextAreaBounds(area, vxbsPressed);
  EXPECT_EQ(pressed.left, 11);
  EXPECT_EQ(pressed.top, 11);
}

// A painter that drops the left header border when a left neighbour exists.
class TSharedEdgePainter : public TvxStandardLookAndFeelPainter {
 public:
  static TvxCustomLookAndFeelPainterClass Instance() {
    static const TSharedEdgePainter instance;
    return &instance;
  }
  TvxBorders HeaderBorders(TvxNeighbors ANeighbors) const override {
    return ANeighbors.Contains(nLeft) ? TvxBorders{bTop, bRight, bBottom} : vxBordersAll;
  }

 private:
  TSharedEdgePainter() {}
};

TEST(Painters, HeaderBoundsGrowWhereTheBorderIsShared) {
  const TRect bounds = TSharedEdgePainter::Instance()->HeaderBounds(TRect{10, 10, 50, 30}, {nLeft}, vxBordersAll);
  EXPECT_EQ(bounds.left, 9);
  EXPECT_EQ(bounds.top, 10);
  EXPECT_EQ(bounds.right, 50);
  EXPECT_EQ(bounds.bottom, 30);
}

TEST(Painters, HeadersDrawBordersAndMergeWithNeighbours) {
  TestSurface s(60, 30, Magenta);
  const TRect r{5, 5, 45, 25};
  // The border has all four edges even with no borders asked for.
  Standard()->DrawHeaderBorder(s.vx.get(), r, {}, {});
  ExpectRings(s, r, {{0, clBtnHighlight, clBtnShadow}}, "header border");
  EXPECT_EQ(s.At(6, 6), Magenta);
  s.Clear(Magenta);
  Standard()->DrawHeader(s.vx.get(), r, r, {}, vxBordersAll, vxbsNormal, taLeftJustify, vaTop, false, false, String(),
                         nullptr, clBtnText, clYellow);
  ExpectRings(s, r, {{0, clBtnHighlight, clBtnShadow}}, "header");
  EXPECT_EQ(s.CountNot(RECT{6, 6, 44, 24}, C(clYellow)), 0) << "the content inside the border";

  s.Clear(Magenta);
  Standard()->DrawHeaderBorder(s.vx.get(), r, {nLeft, nRight}, vxBordersAll);
  EXPECT_EQ(s.At(5, 6), C(clBtnFace));
  EXPECT_EQ(s.At(5, 23), C(clBtnFace));
  EXPECT_EQ(s.At(44, 5), C(clBtnHighlight));
  EXPECT_EQ(s.At(44, 6), C(clBtnFace));
  EXPECT_EQ(s.At(44, 23), C(clBtnFace));
  EXPECT_EQ(s.At(5, 10), C(clBtnHighlight));

  // A background handler that paints keeps the painter's fill away.
  s.Clear(Magenta);
  int calls = 0;
  Flat()->DrawHeader(s.vx.get(), r, r, {}, vxBordersAll, vxbsNormal, taLeftJustify, vaTop, false, false, String(),
                     nullptr, clBtnText, clYellow, [&](TvxCanvas*, const TRect&) { return ++calls > 0; });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(s.At(10, 10), Magenta);
}

TEST(Painters, HeaderControlSections) {
  TestSurface s(60, 30, Magenta);
  const TRect r{0, 0, 40, 20};
  Standard()->DrawHeaderControlSection(s.vx.get(), r, r, {}, vxBordersAll, vxbsPressed, taLeftJustify, vaTop, false,
                                       false, String(), nullptr, clBtnText, clYellow);
  ExpectRings(s, r, {{0, clBtnShadow, clBtnShadow}}, "pressed section");
  EXPECT_EQ(s.At(1, 1), C(clYellow));
  s.Clear(Magenta);
  Standard()->DrawHeaderControlSection(s.vx.get(), r, r, {}, vxBordersAll, vxbsNormal, taLeftJustify, vaTop, false,
                                       false, String(), nullptr, clBtnText, clYellow);
  ExpectRings(s, r, {{0, clBtnHighlight, cl3DDkShadow}, {1, cl3DLight, clBtnShadow}}, "normal section");
  EXPECT_EQ(s.At(2, 2), C(clYellow));

  // Empty text draws nothing, also disabled; disabled text is engraved.
  s.Clear(Magenta);
  Base()->DrawHeaderControlSectionText(s.vx.get(), r, vxbsDisabled, taLeftJustify, vaTop, false, false, String(),
                                       nullptr, clRed);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 60, 30}, Magenta), 0);
  Base()->DrawHeaderControlSectionText(s.vx.get(), r, vxbsDisabled, taLeftJustify, vaTop, false, false, L"Wg",
                                       nullptr, clRed);
  EXPECT_GT(CountOf(s, RECT{0, 0, 60, 30}, C(clBtnShadow)), 0);
  EXPECT_GT(CountOf(s, RECT{0, 0, 60, 30}, C(clBtnHighlight)), 0);
  EXPECT_EQ(CountOf(s, RECT{0, 0, 60, 30}, C(clRed)), 0);
}

TEST(Painters, SortMarksPointByOrderWithLightAndDarkEdges) {
  for (TvxCustomLookAndFeelPainterClass painter : {Standard(), Flat()})
    for (bool ascending : {true, false}) {
      TestSurface s(16, 16, Magenta);
      painter->DrawSortingMark(s.vx.get(), TRect{0, 0, 16, 16}, ascending);
      const RECT ink = s.InkBounds(Magenta);
      // 8 x 7 box: x = 7, apex row 4 (ascending) or 11 (descending).
      EXPECT_EQ(ink.left, 4);
      EXPECT_EQ(ink.right, 12);
      EXPECT_LE(ink.bottom - ink.top, 8);
      double lightX = 0, darkX = 0;
      int light = 0, dark = 0;
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
          if (s.At(x, y) == C(clBtnHighlight)) lightX += x, ++light;
          if (s.At(x, y) == C(clBtnShadow)) darkX += x, ++dark;
        }
      ASSERT_GT(light, 0);
      ASSERT_GT(dark, 0);
      EXPECT_GT(lightX / light, darkX / dark) << "the right edge is light, the left dark";
      // The apex: the top rows for an ascending mark, the bottom rows for a descending one.
      const int apexRow = ascending ? ink.top : ink.bottom - 1;
      EXPECT_LE(CountOf(s, RECT{0, apexRow, 16, apexRow + 1}, C(clBtnHighlight)) +
                    CountOf(s, RECT{0, apexRow, 16, apexRow + 1}, C(clBtnShadow)),
                3);
    }
  TestSurface s(16, 16, Magenta);
  Base()->DrawSortingMark(s.vx.get(), TRect{0, 0, 16, 16}, true);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 16, 16}, Magenta), 0) << "the base draws no sort mark";
  EXPECT_EQ(Standard()->SortingMarkAreaSize().x, 16);
  EXPECT_EQ(Standard()->SortingMarkAreaSize().y, 7);
}

TEST(Painters, FooterCellsAndPanels) {
  TestSurface s(60, 30, Magenta);
  const TRect cell{0, 0, 40, 20};
  Standard()->DrawFooterCell(s.vx.get(), cell, taLeftJustify, vaTop, false, String(), nullptr, clBtnText, clYellow);
  ExpectRings(s, cell, {{0, clBtnShadow, clBtnHighlight}}, "footer cell");
  EXPECT_EQ(s.CountNot(RECT{1, 1, 39, 19}, C(clYellow)), 0);
  // The text area is the cell shrunk by 3.
  s.Clear(Magenta);
  Standard()->DrawFooterCell(s.vx.get(), cell, taLeftJustify, vaTop, false, L"Wg", nullptr, clRed, clYellow);
  const RECT text = InkIn(s, RECT{1, 1, 39, 19}, C(clYellow));
  EXPECT_GE(text.left, 3);
  EXPECT_GE(text.top, 3);

  // The panel paints inside its bounds only, whatever its content does.
  class TWideFooterPainter : public TvxFlatLookAndFeelPainter {
   public:
    void DrawFooterContent(TvxCanvas* ACanvas, const TRect&, const TvxViewParams&) const override {
      ACanvas->FillRect(TRect{0, 0, 60, 30}, clRed);
    }
  };
  static const TWideFooterPainter wide;
  s.Clear(Magenta);
  TvxViewParams params;
  params.Color = clYellow;
  wide.DrawFooterPanel(s.vx.get(), TRect{10, 5, 50, 25}, params, vxBordersAll);
  EXPECT_EQ(s.At(5, 5), Magenta);
  EXPECT_EQ(s.At(55, 20), Magenta);
  EXPECT_EQ(Hex(s.At(20, 5)), Hex(C(clBtnShadow))) << "the separator line at the top";
  EXPECT_EQ(Hex(s.At(20, 6)), Hex(C(clBtnHighlight))) << "the footer border below it";
  EXPECT_EQ(Hex(s.At(20, 15)), Hex(C(clRed)));
  EXPECT_EQ(s.vx->SavedClipRegionCount(), 0);
  s.vx->FillRect(TRect{0, 0, 60, 30}, clGreen);
  EXPECT_EQ(s.At(5, 5), C(clGreen)) << "the clip region is restored";
}

TEST(Painters, FilterButtons) {
  TestSurface s(40, 20, Magenta);
  TRect r{0, 0, 15, 15};
  Standard()->DrawFilterDropDownButton(s.vx.get(), r, vxbsNormal, true);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(s.At(0, 7), C(clBtnHighlight));
  EXPECT_EQ(s.At(14, 7), C(clBtnShadow));
  EXPECT_GT(CountOf(s, RECT{1, 1, 14, 14}, C(clBlue)), 3) << "an active filter has a blue arrow";
  r = TRect{20, 0, 35, 15};
  Flat()->DrawFilterDropDownButton(s.vx.get(), r, vxbsPressed, false);
  EXPECT_EQ(s.At(20, 7), C(clBtnShadow));
  EXPECT_GT(CountOf(s, RECT{21, 1, 34, 14}, C(clBtnText)), 3);

  // The close button's cross has an arm of 7 and is two pixels thick.
  TestSurface c(16, 14, Magenta);
  TRect close{0, 0, 16, 14};
  Base()->DrawFilterCloseButton(c.vx.get(), close, vxbsNormal);
  const RECT ink = c.InkBounds(C(clBtnFace));
  EXPECT_EQ(ink.right - ink.left, 8);
  EXPECT_EQ(ink.bottom - ink.top, 7);
}

TEST(Painters, Tabs) {
  TestSurface s(40, 40, Magenta);
  TRect r{10, 10, 30, 12};
  Standard()->DrawTabBorder(s.vx.get(), r, bTop, vxBordersAll, false);
  EXPECT_EQ(r.left, 11);
  EXPECT_EQ(r.right, 29);
  EXPECT_EQ(s.At(10, 10), Magenta);
  EXPECT_EQ(s.At(11, 10), C(clBtnHighlight));
  EXPECT_EQ(s.At(10, 11), C(clBtnHighlight)) << "the corner pixel";
  TRect right{30, 10, 32, 30};
  Flat()->DrawTabBorder(s.vx.get(), right, bRight, {bTop, bRight}, false);
  EXPECT_EQ(right.top, 12);
  EXPECT_EQ(s.At(30, 12), C(clBtnShadow));
  TRect left{0, 10, 2, 30};
  Flat()->DrawTabBorder(s.vx.get(), left, bLeft, {bLeft, bTop}, true);
  EXPECT_EQ(left.top, 12);
  EXPECT_EQ(left.bottom, 29);
  EXPECT_EQ(s.At(1, 11), C(clBtnHighlight));
}

// --- Indicators -----------------------------------------------------------------------------------

TEST(Painters, IndicatorImages) {
  TCustomImageList* images = vxIndicatorImages();
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(images->Count(), 6);
  EXPECT_EQ(images->Width(), 8);
  EXPECT_EQ(images->Height(), 9);
  TestSurface s(20, 20, Magenta);
  Base()->DrawIndicatorImage(s.vx.get(), TRect{0, 0, 20, 20}, ikNone);
  EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 20}, Magenta), 0);
  std::set<std::vector<DWORD>> seen;
  for (TvxIndicatorKind kind : {ikArrow, ikEdit, ikInsert, ikMultiDot, ikMultiArrow, ikFilter}) {
    TestSurface drawn(20, 20, Magenta), direct(20, 20, Magenta);
    Base()->DrawIndicatorImage(drawn.vx.get(), TRect{0, 0, 20, 20}, kind);
    // Centred: ((20 - 8) div 2, (20 - 9) div 2), image kind - 1, white transparent.
    images->Draw(direct.canvas.get(), 6, 5, kind - 1);
    EXPECT_EQ(drawn.Pixels(), direct.Pixels()) << kind;
    EXPECT_EQ(CountOf(drawn, RECT{0, 0, 20, 20}, White), 0) << "white is transparent";
    EXPECT_GT(drawn.CountNot(RECT{0, 0, 20, 20}, Magenta), 0) << kind;
    seen.insert(drawn.Pixels());
  }
  EXPECT_EQ(seen.size(), 6u) << "six different glyphs";

  // An indicator cell: a header with the image on top.
  TestSurface item(20, 20, Magenta);
  Standard()->DrawIndicatorItem(item.vx.get(), TRect{0, 0, 20, 20}, ikArrow, clBtnFace);
  ExpectRings(item, TRect{0, 0, 20, 20}, {{0, clBtnHighlight, clBtnShadow}}, "indicator");
  EXPECT_GT(CountOf(item, RECT{1, 1, 19, 19}, RGB(0, 0, 0)), 0);
}

TEST(Painters, IndicatorCustomizationMark) {
  TestSurface s(20, 20, Magenta);
  Base()->DrawIndicatorCustomizationMark(s.vx.get(), TRect{0, 0, 20, 20}, clRed);
  // Five lines from x = 5 to 16 on rows 5, 7, ... 13; bullets at x = 3 on the even lines.
  for (int i = 0; i < 5; ++i) {
    const int row = 5 + 2 * i;
    EXPECT_EQ(CountOf(s, RECT{5, row, 17, row + 1}, C(clRed)), 12) << row;
    EXPECT_EQ(s.At(3, row), i % 2 == 0 ? C(clRed) : Magenta) << row;
    EXPECT_EQ(CountOf(s, RECT{0, row + 1, 20, row + 2}, C(clRed)), 0) << row;
  }
}

// --- Scroll bars ---------------------------------------------------------------------------------

TEST(Painters, ScrollBarElements) {
  for (TvxCustomLookAndFeelPainterClass painter : {Standard(), Flat()}) {
    const char* name = painter == Standard() ? "standard" : "flat";
    // A disabled thumb draws nothing; hot draws exactly what normal draws.
    TestSurface s(20, 40, Magenta);
    TRect r{0, 0, 17, 30};
    painter->DrawScrollBarPart(s.vx.get(), false, r, sbpThumbnail, vxbsDisabled);
    EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 40}, Magenta), 0) << name;
    for (TvxScrollBarPart part : {sbpLineUp, sbpLineDown, sbpThumbnail, sbpPageUp}) {
      TestSurface hot(20, 40, Magenta), normal(20, 40, Magenta);
      TRect h{0, 0, 17, 17}, n{0, 0, 17, 17};
      painter->DrawScrollBarPart(hot.vx.get(), false, h, part, vxbsHot);
      painter->DrawScrollBarPart(normal.vx.get(), false, n, part, vxbsNormal);
      EXPECT_EQ(hot.Pixels(), normal.Pixels()) << name << " part " << part;
    }
    // Page areas: the checkerboards of the two states.
    TestSurface page(20, 20, Magenta);
    TRect p{0, 0, 8, 8};
    painter->DrawScrollBarPart(page.vx.get(), true, p, sbpPageDown, vxbsNormal);
    p = TRect{8, 8, 16, 16};
    painter->DrawScrollBarPart(page.vx.get(), true, p, sbpPageUp, vxbsPressed);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const bool same = x % 2 == y % 2;
        EXPECT_EQ(page.At(x, y), C(same ? clBtnFace : clBtnHighlight)) << name << " normal " << x << "," << y;
        EXPECT_EQ(page.At(8 + x, 8 + y), C(same ? clBlack : cl3DDkShadow)) << name << " pressed " << x << "," << y;
      }
    EXPECT_EQ(page.At(10, 2), Magenta);
    // The empty rect draws nothing.
    TestSurface none(20, 20, Magenta);
    TRect empty{5, 5, 5, 15};
    painter->DrawScrollBarPart(none.vx.get(), false, empty, sbpPageUp, vxbsNormal);
    EXPECT_EQ(none.CountNot(RECT{0, 0, 20, 20}, Magenta), 0) << name;
  }

  // Standard thumb: a two-pixel raised frame around the face; R shrinks to the face.
  TestSurface s(20, 40, Magenta);
  TRect thumb{0, 0, 17, 30};
  Standard()->DrawScrollBarPart(s.vx.get(), false, thumb, sbpThumbnail, vxbsNormal);
  ExpectRings(s, TRect{0, 0, 17, 30}, {{0, clBtnFace, cl3DDkShadow}, {1, clBtnHighlight, clBtnShadow}}, "thumb");
  EXPECT_EQ(thumb.left, 2);
  EXPECT_EQ(thumb.bottom, 28);
  // Standard line button: an arrow inside the same raised frame; pressed, a flat shadow frame.
  s.Clear(Magenta);
  TRect up{0, 0, 17, 17};
  Standard()->DrawScrollBarPart(s.vx.get(), false, up, sbpLineUp, vxbsNormal);
  ExpectRings(s, TRect{0, 0, 17, 17}, {{0, clBtnFace, cl3DDkShadow}, {1, clBtnHighlight, clBtnShadow}}, "line");
  EXPECT_GT(CountOf(s, RECT{2, 2, 15, 15}, C(clBtnText)), 3);
  s.Clear(Magenta);
  up = TRect{0, 0, 17, 17};
  Standard()->DrawScrollBarPart(s.vx.get(), false, up, sbpLineUp, vxbsPressed);
  ExpectRings(s, TRect{0, 0, 17, 17}, {{0, clBtnShadow, clBtnShadow}, {1, clBtnFace, clBtnFace}}, "pressed line");
  // Flat line button: one-pixel frame and the painter's own arrow.
  s.Clear(Magenta);
  TRect down{0, 0, 17, 17};
  Flat()->DrawScrollBarPart(s.vx.get(), false, down, sbpLineDown, vxbsNormal);
  ExpectRings(s, TRect{0, 0, 17, 17}, {{0, clBtnHighlight, clBtnShadow}}, "flat line");
  EXPECT_EQ(down.left, 1);
  const RECT arrow = InkIn(s, RECT{1, 1, 16, 16}, C(clBtnFace));
  EXPECT_GT(arrow.right - arrow.left, arrow.bottom - arrow.top) << "a downward triangle is wider than high";
}

TEST(Painters, SizeGrip) {
  const TSize size = Base()->SizeGripSize();
  EXPECT_EQ(size.cx, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(size.cy, GetSystemMetrics(SM_CYHSCROLL));
  TestSurface s(20, 20, Magenta);
  Base()->DrawSizeGrip(s.vx.get(), TRect{0, 0, 17, 17}, clBtnFace);
  EXPECT_EQ(s.At(18, 18), Magenta);
  EXPECT_EQ(s.At(1, 1), C(clBtnFace));
  EXPECT_GT(s.CountNot(RECT{0, 0, 17, 17}, C(clBtnFace)), 5) << "the grip lines";
}

// --- Clock, progress text, splitter, print preview --------------------------------------------------

TEST(Painters, ClockMarksAndHands) {
  TestSurface s(70, 70, Magenta);
  const TRect r{0, 0, 64, 64};
  Base()->DrawClock(s.vx.get(), r, 0.625 /* 15:00:00 */, clWhite);
  const COLORREF teal = RGB(0, 128, 128), cyan = RGB(0, 255, 255);
  // Twelve marks: a teal centre with cyan above and to the left, button text right and below.
  int marks = 0;
  for (int y = 1; y < 69; ++y)
    for (int x = 1; x < 69; ++x)
      if (s.At(x, y) == teal && s.At(x - 1, y) == cyan && s.At(x, y - 1) == cyan && s.At(x + 1, y) == C(clBtnText) &&
          s.At(x, y + 1) == C(clBtnText))
        ++marks;
  EXPECT_EQ(marks, 12);
  EXPECT_EQ(s.At(66, 32), Magenta) << "nothing outside the rect";
  EXPECT_EQ(s.At(62, 32), teal) << "the three o'clock mark on radius 30";
  EXPECT_EQ(s.At(63, 32), C(clBtnText));
  // 15:00: the hour hand along the positive x axis, minute and second hands straight up.
  EXPECT_EQ(s.At(32 + 15, 32), teal);
  EXPECT_EQ(s.At(32 - 15, 32), White);
  EXPECT_EQ(s.At(32, 32 + 15), White);
  EXPECT_EQ(s.At(32, 32 - 26), C(clRed)) << "only the second hand reaches 0.9 of the radius";
  EXPECT_EQ(s.At(33, 32 - 12), teal) << "the minute hand beside the second hand";
}

TEST(Painters, InvertedProgressTextXorsWhatLiesBeneath) {
  TestSurface s(80, 20, White);
  s.vx->FillRect(TRect{0, 0, 40, 20}, clBlack);
  const std::vector<DWORD> before = s.Pixels();
  const TRect text{20, 2, 60, 18};
  Base()->DrawProgressBarText(s.vx.get(), false, false, L"MMMM", text, TRect{0, 0, 80, 20}, TRect{0, 0, 40, 20},
                              clRed);
  int whiteOnBlack = 0, blackOnWhite = 0, changedOutside = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 80; ++x) {
      const bool inText = x >= text.left && x < text.right && y >= text.top && y < text.bottom;
      const DWORD was = before[y * 80 + x] & 0xFFFFFF, now = s.Raw(x, y) & 0xFFFFFF;
      if (!inText && was != now) ++changedOutside;
      if (x < 40 && now == 0xFFFFFF) ++whiteOnBlack;
      if (x >= 40 && now == 0) ++blackOnWhite;
      if (was != now) {
        EXPECT_EQ(now, ~was & 0xFFFFFF) << "every changed pixel is inverted";
      }
    }
  EXPECT_GT(whiteOnBlack, 10);
  EXPECT_GT(blackOnWhite, 10);
  EXPECT_EQ(changedOutside, 0);
  EXPECT_EQ(CountOf(s, RECT{0, 0, 80, 20}, C(clRed)), 0) << "a non-solid text ignores the given colour";

  // Solid: the given colour once.
  TestSurface solid(80, 20, White);
  Base()->DrawProgressBarText(solid.vx.get(), false, true, L"MMMM", text, TRect{0, 0, 80, 20}, TRect{0, 0, 40, 20},
                              clRed);
  EXPECT_GT(CountOf(solid, RECT{0, 0, 80, 20}, C(clRed)), 10);
  EXPECT_EQ(solid.vx->SavedStateCount(), 0);
}

TEST(Painters, SplittersAndSeparators) {
  // 17 x 2 counts as thick: the outer line and, one pixel lower and right, the inner one.
  TestSurface s(40, 10, Magenta);
  Base()->DrawSplitter(s.vx.get(), TRect{0, 0, 40, 4}, false, false, true);
  // Row (0 + 4 - 1) div 2 = 1, from 0 to 40, middle 20: gaps at 15, 18, 21 and 24.
  for (int x = 0; x < 40; ++x) {
    const bool gap = x == 15 || x == 18 || x == 21 || x == 24;
    EXPECT_EQ(s.At(x, 1), gap ? Magenta : C(clBtnShadow)) << x;
  }
  EXPECT_EQ(s.At(17, 2), C(clWhite));
  EXPECT_EQ(s.At(16, 2), Magenta) << "the inner gap is shifted too";
  EXPECT_EQ(Flat()->GetSplitterOuterColor(true), cl3DDkShadow);
  EXPECT_EQ(Flat()->GetSplitterOuterColor(false), clBtnShadow);
  EXPECT_EQ(Standard()->GetSplitterOuterColor(true), clBtnShadow);

  // Separators are the same etched line in both painters.
  TestSurface a(20, 20, Magenta), b(20, 20, Magenta);
  Standard()->DrawSeparator(a.vx.get(), TRect{0, 0, 20, 20}, true);
  Flat()->DrawSeparator(b.vx.get(), TRect{0, 0, 20, 20}, true);
  EXPECT_EQ(a.Pixels(), b.Pixels());
  EXPECT_EQ(a.At(9, 5), C(clBtnShadow));
  EXPECT_EQ(a.At(10, 5), C(clBtnHighlight));
  EXPECT_EQ(a.At(9, 19), Magenta);
}

TEST(Painters, GroupBoxFramesExcludeThemselvesFromTheClip) {
  for (TvxCustomLookAndFeelPainterClass painter : {Standard(), Flat()}) {
    TestSurface s(30, 30, Magenta);
    TRect r{0, 0, 30, 30};
    painter->DrawGroupBoxFrame(s.vx.get(), r, true, vxgpTop, vxBordersAll);
    s.vx->FillRect(TRect{0, 0, 30, 30}, clGreen);
    if (painter == Standard()) {
      EXPECT_EQ(s.At(0, 10), C(clBtnShadow));
      EXPECT_EQ(s.At(1, 10), C(clBtnHighlight));
      EXPECT_EQ(s.At(28, 10), C(clBtnShadow));
      EXPECT_EQ(s.At(29, 10), C(clBtnHighlight));
    } else {
      EXPECT_EQ(s.At(0, 10), C(clBtnShadow));
      EXPECT_EQ(s.At(29, 10), C(clBtnShadow));
      EXPECT_EQ(s.At(1, 10), C(clBtnHighlight));
    }
    EXPECT_EQ(s.At(15, 15), C(clGreen));
  }
}

TEST(Painters, PrintPreviewPage) {
  TestSurface s(40, 40, Magenta);
  Base()->DrawPrintPreviewPageBackground(s.vx.get(), TRect{0, 0, 30, 30}, TRect{4, 4, 24, 24}, false, true);
  EXPECT_EQ(s.At(10, 10), C(clWindow));
  EXPECT_EQ(s.At(0, 0), Magenta) << "unselected: the page shrinks by one";
  EXPECT_EQ(s.At(1, 1), C(clWindowText));
  EXPECT_EQ(s.At(28, 28), C(clWindowText)) << "the shadow";
  EXPECT_EQ(s.At(2, 28), Magenta);
  EXPECT_EQ(s.vx->SavedClipRegionCount(), 0);
}

TEST(Painters, LinesStripsAndSmallFrames) {
  TestSurface s(40, 40, Magenta);
  Base()->DrawLabelLine(s.vx.get(), TRect{0, 0, 2, 20}, clDefault, clDefault, true);
  EXPECT_EQ(s.At(0, 10), C(clBtnShadow));
  EXPECT_EQ(s.At(1, 10), C(clBtnHighlight));

  TvxViewParams params;
  params.Color = clYellow;
  s.Clear(Magenta);
  Base()->DrawHeaderSeparator(s.vx.get(), TRect{0, 0, 30, 4}, 5, clRed, params);
  EXPECT_EQ(s.At(4, 2), C(clYellow));
  EXPECT_EQ(s.At(5, 2), C(clRed));
  EXPECT_EQ(s.At(24, 2), C(clRed));
  EXPECT_EQ(s.At(25, 2), C(clYellow));

  // Scheduler splitter (Standard, horizontal): two pairs of lines, then the view parameters.
  s.Clear(Magenta);
  TRect splitter{5, 0, 25, 10};
  Standard()->DrawSchedulerSplitterBorder(s.vx.get(), splitter, params, true);
  const TColor rows[] = {clBtnFace, clBtnHighlight, clYellow, clYellow, clYellow,
                         clYellow,  clYellow,       clYellow, clBtnShadow, cl3DDkShadow};
  for (int y = 0; y < 10; ++y) EXPECT_EQ(Hex(s.At(15, y)), Hex(C(rows[y]))) << y;
  EXPECT_EQ(s.At(4, 5), C(clYellow)) << "the rest grows sideways by two";
  EXPECT_EQ(splitter.left, 3);
  EXPECT_EQ(splitter.top, 2);

  // Event progress: a grey frame, the view parameters inside, the progress in navy.
  s.Clear(Magenta);
  Base()->DrawSchedulerEventProgress(s.vx.get(), TRect{0, 0, 20, 10}, TRect{2, 2, 10, 8}, params, false);
  EXPECT_EQ(s.At(0, 5), RGB(128, 128, 128));
  EXPECT_EQ(s.At(15, 5), C(clYellow));
  EXPECT_EQ(s.At(5, 5), C(clNavy));
  s.Clear(Magenta);
  Base()->DrawSchedulerEventProgress(s.vx.get(), TRect{0, 0, 20, 10}, TRect{2, 2, 10, 8}, params, true);
  EXPECT_EQ(s.At(19, 5), RGB(128, 128, 128));
  EXPECT_EQ(s.At(15, 5), Magenta) << "transparent: no fill";

  // Date navigator headers: the base has a raised edge, the Flat painter a bottom line.
  s.Clear(Magenta);
  TRect header{0, 0, 20, 10};
  Base()->DrawDateNavigatorDateHeader(s.vx.get(), header);
  EXPECT_EQ(s.At(0, 5), C(clBtnHighlight));
  EXPECT_EQ(s.At(19, 5), C(clBtnShadow));
  EXPECT_EQ(header.left, 1);
  EXPECT_EQ(header.bottom, 9);
  header = TRect{0, 0, 20, 10};
  Flat()->DrawDateNavigatorDateHeader(s.vx.get(), header);
  EXPECT_EQ(s.At(0, 5), C(clBtnFace));
  EXPECT_EQ(header.left, 0);
  EXPECT_EQ(header.bottom, 9);
}

// --- Scheduler --------------------------------------------------------------------------------------

TEST(Painters, SchedulerNavigationButtons) {
  TRect bounds{0, 0, 20, 100}, text, arrow;
  Base()->CalculateSchedulerNavigationButtonRects(false, true, TSize{200, 10}, TSize{300, 10}, bounds, text, arrow);
  EXPECT_TRUE(vxRectHasNoArea(text)) << "collapsed";
  EXPECT_EQ(bounds.bottom - bounds.top, 21 + 12);
  EXPECT_EQ(arrow.right - arrow.left, 7);

  bounds = TRect{0, 0, 20, 100};
  Base()->CalculateSchedulerNavigationButtonRects(true, false, TSize{30, 10}, TSize{40, 10}, bounds, text, arrow);
  // inner (2, 6, 20, 94); arrow in its top 21 rows, text from 6 + 21 + 5 to 94 - 14.
  EXPECT_EQ(text.top, 32);
  EXPECT_EQ(text.bottom, 80);
  EXPECT_EQ(arrow.top, 13);
  // A caption longer than the text rect's height stretches the button.
  bounds = TRect{0, 0, 20, 100};
  Base()->CalculateSchedulerNavigationButtonRects(true, false, TSize{30, 10}, TSize{58, 10}, bounds, text, arrow);
  EXPECT_EQ(bounds.top, -10);
  EXPECT_EQ(bounds.bottom, 110);
  EXPECT_EQ(text.bottom - text.top, 68);
  EXPECT_EQ(arrow.top, 3);

  // Without a text rect the button is the content alone; with one, the caption reads upwards.
  TestSurface plain(24, 100), captioned(24, 100), content(24, 100);
  const TRect button{0, 0, 20, 100}, arrowRect{6, 13, 13, 20};
  Base()->DrawSchedulerNavigationButton(plain.vx.get(), button, true, vxbsNormal, L"Caption", TRect{0, 0, 0, 0},
                                        arrowRect);
  Base()->DrawSchedulerNavigationButtonArrow(content.vx.get(), arrowRect, true, clBtnText);
  EXPECT_EQ(plain.At(0, 50), C(clBtnShadow)) << "the outer side of the next button is its left";
  EXPECT_EQ(plain.At(19, 50), C(clBtnFace));
  EXPECT_EQ(plain.At(12, 16), C(clBtnText)) << "the skip-to-end column of the arrow";
  EXPECT_EQ(plain.At(6, 13), C(clBtnText));
  Base()->DrawSchedulerNavigationButton(captioned.vx.get(), button, true, vxbsNormal, L"Caption",
                                        TRect{2, 32, 20, 80}, arrowRect);
  const RECT ink = InkIn(captioned, RECT{2, 30, 19, 82}, C(clBtnFace));
  EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left) << "the caption runs along the button";
  EXPECT_EQ(captioned.At(21, 50), White) << "nothing outside the button";
}

TEST(Painters, ComposedElementsThatCannotGetABitmapStillDraw) {
  // A button far too large for a bitmap: drawn without its caption instead of raising.
  TestSurface s(20, 20, Magenta);
  const TRect huge{0, 0, 70000, 70000};
  EXPECT_NO_THROW(Base()->DrawSchedulerNavigationButton(s.vx.get(), huge, true, vxbsNormal, L"Caption",
                                                        TRect{2, 30, 69000, 69000}, TRect{6, 13, 13, 20}));
  EXPECT_EQ(s.At(0, 10), C(clBtnShadow));
  EXPECT_EQ(s.At(10, 5), C(clBtnFace));
  EXPECT_NO_THROW(Base()->DrawProgressBarText(s.vx.get(), false, false, L"Text", huge, huge, huge, clDefault));
}

TEST(Painters, MonthHeaderArrows) {
  TestSurface s(60, 20, Magenta);
  TvxViewParams params;
  params.Color = clYellow;
  params.TextColor = clBtnText;
  Base()->DrawMonthHeader(s.vx.get(), TRect{0, 0, 60, 20}, String(), {}, params, haBoth, 10);
  // e = 9; left arrow's upright side at x = 9, apex 5 pixels further out.
  EXPECT_EQ(s.At(9, 10), C(clWindowText));
  EXPECT_EQ(s.At(5, 10), C(clWindowText));
  EXPECT_EQ(s.At(3, 10), C(clYellow));
  EXPECT_EQ(s.At(51, 10), C(clWindowText));
  EXPECT_EQ(s.At(55, 10), C(clWindowText));
  EXPECT_EQ(s.At(30, 10), C(clYellow));
  // Standard: black frame without the side that a neighbour shares.
  s.Clear(Magenta);
  Standard()->DrawMonthHeader(s.vx.get(), TRect{0, 0, 60, 20}, String(), {nRight}, params, haNone, 10);
  EXPECT_EQ(s.At(0, 10), C(clBlack));
  EXPECT_EQ(s.At(30, 0), C(clBlack));
  EXPECT_EQ(s.At(59, 10), C(clBtnShadow)) << "no black frame on the right";
}

// --- Values and colours -------------------------------------------------------------------------------

TEST(Painters, StylesMetricsAndDefaultColours) {
  EXPECT_EQ(Base()->LookAndFeelStyle(), lfsStandard);
  EXPECT_EQ(Standard()->LookAndFeelStyle(), lfsStandard);
  EXPECT_EQ(Flat()->LookAndFeelStyle(), lfsFlat);
  const std::pair<TvxLookAndFeelStyle, TvxLookAndFeelKind> kinds[] = {
      {lfsFlat, lfFlat}, {lfsStandard, lfStandard}, {lfsUltraFlat, lfUltraFlat}, {lfsNative, lfStandard},
      {lfsOffice11, lfOffice11}};
  for (const auto& k : kinds) EXPECT_EQ(vxStyleToLookAndFeelKind(k.first), k.second) << k.first;

  struct Metric {
    const char* name;
    int base, standard, flat;
    std::function<int(TvxCustomLookAndFeelPainterClass)> get;
  };
  const Metric metrics[] = {
      {"BorderSize", 0, 2, 1, [](auto p) { return p->BorderSize(); }},
      {"ButtonBorderSize default", 0, 3, 2, [](auto p) { return p->ButtonBorderSize(vxbsDefault); }},
      {"ButtonTextShift", 0, 1, 1, [](auto p) { return p->ButtonTextShift(); }},
      {"ExpandButtonSize", 0, 12, 11, [](auto p) { return p->ExpandButtonSize(); }},
      {"HeaderBorderSize", 0, 1, 1, [](auto p) { return p->HeaderBorderSize(); }},
      {"FooterCellOffset", 0, 1, 1, [](auto p) { return p->FooterCellOffset(); }},
      {"TabBorderSize", 0, 1, 1, [](auto p) { return p->TabBorderSize(false); }},
      {"SortingMarkSize x", 0, 8, 8, [](auto p) { return static_cast<int>(p->SortingMarkSize().x); }},
      {"GroupExpandButtonSize", 15, 15, 15, [](auto p) { return p->GroupExpandButtonSize(); }},
  };
  for (const Metric& m : metrics) {
    EXPECT_EQ(m.get(Base()), m.base) << m.name;
    EXPECT_EQ(m.get(Standard()), m.standard) << m.name;
    EXPECT_EQ(m.get(Flat()), m.flat) << m.name;
  }
  EXPECT_EQ(Standard()->DefaultSchedulerViewContentColor(), clWindow);
  EXPECT_EQ(Flat()->DefaultSchedulerViewContentColor(), static_cast<TColor>(RGB(255, 255, 213)));
  EXPECT_EQ(Base()->DefaultDateNavigatorContentColor(), clWindow);
  EXPECT_EQ(Base()->DefaultRecordSeparatorColor(), clBtnShadow);
  EXPECT_EQ(Base()->DefaultVGridBandLineColor(), clBlack);
  EXPECT_EQ(Base()->GroupBoxTextColor(false, vxgpLeft), clBtnShadow);
  EXPECT_EQ(Base()->ProgressBarTextColor(), clWindowText);
  EXPECT_EQ(Base()->ButtonSymbolColor(vxbsDisabled, clRed), clBtnShadow);
  EXPECT_EQ(Base()->ButtonSymbolColor(vxbsNormal, clDefault), clBtnText);
  EXPECT_EQ(Base()->CalcEditButtonTextColor(cbClear), clMaroon);
  EXPECT_EQ(Base()->CalcEditButtonTextColor(cbEqual), clRed);
  EXPECT_EQ(Base()->CalcEditButtonTextColor(cbNone), clBlue);
  EXPECT_EQ(Base()->CalcEditButtonTextColor(cbRev), clNavy);
  const TRect focus = Base()->ButtonFocusRect(nullptr, TRect{0, 0, 6, 6});
  EXPECT_EQ(focus.right, 6) << "a focus rect that would vanish stays the button's rect";
  EXPECT_EQ(Base()->ButtonFocusRect(nullptr, TRect{0, 0, 20, 20}).left, 4);
  const TRect inset = vxRectInset2(TRect{0, 0, 10, 10});
  EXPECT_EQ(inset.left, 2);
  EXPECT_EQ(inset.bottom, 8);
}

// --- Reference images ------------------------------------------------------------------------------

// A sampler of elements without text, so that the image does not depend on fonts.
std::vector<DWORD> DrawSampler(TvxCustomLookAndFeelPainterClass P, int& W, int& H) {
  W = 160;
  H = 96;
  TestSurface s(W, H, RGB(192, 192, 192));
  TvxCanvas* c = s.vx.get();
  const TvxButtonState states[] = {vxbsDefault, vxbsNormal, vxbsPressed, vxbsDisabled};
  for (int i = 0; i < 4; ++i) P->DrawButton(c, TRect{2 + 24 * i, 2, 24 + 24 * i, 20}, String(), states[i]);
  const TvxCheckBoxState checks[] = {cbsUnchecked, cbsChecked, cbsGrayed};
  for (int i = 0; i < 3; ++i) P->DrawCheckButton(c, TRect{100 + 16 * i, 2, 113 + 16 * i, 15}, vxbsNormal, checks[i]);
  P->DrawCheckButton(c, TRect{100, 18, 113, 31}, vxbsDisabled, cbsChecked);
  c->SaveClipRegion();
  P->DrawExpandButton(c, TRect{120, 18, 131, 29}, false, clDefault);
  P->DrawExpandButton(c, TRect{134, 18, 145, 29}, true, clDefault);
  c->RestoreClipRegion();
  const TRect header{2, 24, 50, 42};
  P->DrawHeader(c, header, header, {nRight}, vxBordersAll, vxbsNormal, taLeftJustify, vaTop, false, false, String(),
                nullptr, clBtnText, clBtnFace);
  P->DrawSortingMark(c, TRect{34, 26, 48, 40}, true);
  const TRect header2{50, 24, 98, 42};
  P->DrawHeader(c, header2, header2, {nLeft}, vxBordersAll, vxbsNormal, taLeftJustify, vaTop, false, false, String(),
                nullptr, clBtnText, clBtnFace);
  P->DrawSortingMark(c, TRect{82, 26, 96, 40}, false);
  P->DrawFooterCell(c, TRect{2, 46, 50, 62}, taLeftJustify, vaTop, false, String(), nullptr, clBtnText, clWindow);
  TRect filter{54, 46, 69, 61};
  P->DrawFilterDropDownButton(c, filter, vxbsNormal, true);
  P->DrawIndicatorItem(c, TRect{72, 46, 84, 62}, ikArrow, clBtnFace);
  TRect parts[] = {{100, 34, 117, 51}, {100, 51, 117, 70}, {100, 70, 117, 86}, {100, 86, 117, 94}};
  P->DrawScrollBarPart(c, false, parts[0], sbpLineUp, vxbsNormal);
  P->DrawScrollBarPart(c, false, parts[1], sbpPageUp, vxbsNormal);
  P->DrawScrollBarPart(c, false, parts[2], sbpThumbnail, vxbsNormal);
  P->DrawScrollBarPart(c, false, parts[3], sbpPageDown, vxbsPressed);
  TRect right{120, 34, 137, 51};
  P->DrawScrollBarPart(c, true, right, sbpLineDown, vxbsPressed);
  TRect tab{2, 66, 40, 68};
  P->DrawTabBorder(c, tab, bTop, vxBordersAll, false);
  P->DrawTabsRoot(c, TRect{2, 70, 60, 74}, {bTop}, false);
  TRect box{2, 76, 60, 94};
  c->SaveClipRegion();
  P->DrawGroupBoxFrame(c, box, true, vxgpTop, vxBordersAll);
  c->RestoreClipRegion();
  P->DrawSeparator(c, TRect{64, 66, 96, 94}, true);
  TRect border{140, 56, 158, 94};
  P->DrawBorder(c, border);
  P->DrawGroupExpandButton(c, TRect{120, 56, 135, 71}, true, vxbsNormal);
  return s.Pixels();
}

TEST(Painters, ReferenceImageOfTheStandardPainter) {
  int w = 0, h = 0;
  const std::vector<DWORD> pixels = DrawSampler(Standard(), w, h);
  zs_test::ExpectMatchesReference(L"painter_standard", w, h, pixels);
}

TEST(Painters, ReferenceImageOfTheFlatPainter) {
  int w = 0, h = 0;
  const std::vector<DWORD> pixels = DrawSampler(Flat(), w, h);
  zs_test::ExpectMatchesReference(L"painter_flat", w, h, pixels);
}

TEST(Painters, ReferenceImageOfTheUltraFlatPainter) {
  int w = 0, h = 0;
  const std::vector<DWORD> pixels = DrawSampler(TvxUltraFlatLookAndFeelPainter::Instance(), w, h);
  zs_test::ExpectMatchesReference(L"painter_ultraflat", w, h, pixels);
}

TEST(Painters, ReferenceImageOfTheOffice11Painter) {
  // Scroll bars and group boxes come from the platform's visual style, which is active here.
  ASSERT_TRUE(vdThemesAvailable({totScrollBar, totButton}));
  vdOffice11AcquireColors();
  int w = 0, h = 0;
  const std::vector<DWORD> pixels = DrawSampler(TvxOffice11LookAndFeelPainter::Instance(), w, h);
  vdOffice11ReleaseColors();
  zs_test::ExpectMatchesReference(L"painter_office11", w, h, pixels);
}

TEST(Painters, ReferenceImageOfTheThemedPainter) {
  ASSERT_TRUE(vdThemesAvailable({totButton, totHeader, totScrollBar, totTreeview}));
  int w = 0, h = 0;
  const std::vector<DWORD> pixels = DrawSampler(TvxWinXPLookAndFeelPainter::Instance(), w, h);
  zs_test::ExpectMatchesReference(L"painter_winxp", w, h, pixels);
}

// --- Registry and shared resources ----------------------------------------------------------------

class TSampleSkinPainter : public TvxFlatLookAndFeelPainter {
 public:
  static TvxCustomLookAndFeelPainterClass Instance() {
    static const TSampleSkinPainter instance;
    return &instance;
  }

 private:
  TSampleSkinPainter() {}
};

TEST(PainterRegistry, SharedRegistryDataAndNotificationOrder) {
  TvxExtendedStylePainters* registry = vxGlobalExtendedStylePainters();
  ASSERT_NE(registry, nullptr);
  std::vector<std::string> log;
  struct Data : TObject {
    Data(std::vector<std::string>& log, const char* name) : Log(log), Name(name) {}
    ~Data() override { Log.push_back(std::string("free ") + Name); }
    std::vector<std::string>& Log;
    const char* Name;
  };
  struct Listener : IvxLookAndFeelPainterListener {
    explicit Listener(std::vector<std::string>& log) : Log(log) {}
    void PainterChanged(TvxCustomLookAndFeelPainterClass) override { Log.push_back("told"); }
    std::vector<std::string>& Log;
  } listener(log);
  registry->AddListener(&listener);
  auto* second = new Data(log, "zeta");
  auto* first = new Data(log, "alpha");
  ASSERT_TRUE(registry->Register(L"Zeta Skin", TSampleSkinPainter::Instance(), second));
  ASSERT_TRUE(registry->Register(L"Alpha Skin", TSampleSkinPainter::Instance(), first));
  TObject* data = nullptr;
  EXPECT_TRUE(registry->GetPainterData(TSampleSkinPainter::Instance(), data));
  EXPECT_EQ(data, first) << "the first in name order";
  TvxCustomLookAndFeelPainterClass painter = nullptr;
  EXPECT_TRUE(registry->GetPainterByName(L"alpha skin", painter));
  EXPECT_EQ(painter, TSampleSkinPainter::Instance());
  EXPECT_EQ(registry->IndexOfName(L"ZETA SKIN"), 1);

  log.clear();
  EXPECT_TRUE(registry->Unregister(L"ZETA skin"));
  EXPECT_EQ(log, (std::vector<std::string>{"told", "free zeta"})) << "listeners hear before the data goes";
  EXPECT_TRUE(registry->Unregister(L"Alpha Skin"));
  registry->RemoveListener(&listener);
  EXPECT_EQ(registry->Count(), 0);
}

TEST(PainterRegistry, SharedResourcesFollowASystemColourChange) {
  ASSERT_NE(vxSystemPaletteChangedListenerWindow(), nullptr) << "the painter unit listens from its start-up";
  const TSize checkSize = Base()->CheckButtonSize();
  TestSurface before(20, 20, Magenta);
  Base()->DrawIndicatorImage(before.vx.get(), TRect{0, 0, 20, 20}, ikEdit);

  const COLORREF oldFace = GetSysColor(COLOR_BTNFACE);
  const COLORREF newFace = oldFace == RGB(10, 120, 200) ? RGB(200, 120, 10) : RGB(10, 120, 200);
  INT index = COLOR_BTNFACE;
  ASSERT_TRUE(SetSysColors(1, &index, &newFace));
  const TColor normal0 = vxScrollBarPatternBitmap(false)->Canvas()->Pixel(0, 0);
  const TColor pressed1 = vxScrollBarPatternBitmap(true)->Canvas()->Pixel(1, 0);
  TestSurface page(8, 8, Magenta);
  TRect r{0, 0, 8, 8};
  Standard()->DrawScrollBarPart(page.vx.get(), false, r, sbpPageUp, vxbsNormal);
  const COLORREF drawn = page.At(2, 2);
  SetSysColors(1, &index, &oldFace);

  EXPECT_EQ(Hex(static_cast<COLORREF>(normal0)), Hex(newFace)) << "the pattern follows the new button face";
  EXPECT_EQ(Hex(static_cast<COLORREF>(pressed1)), Hex(C(cl3DDkShadow)));
  EXPECT_EQ(Hex(drawn), Hex(newFace));
  EXPECT_EQ(Hex(static_cast<COLORREF>(vxScrollBarPatternBitmap(false)->Canvas()->Pixel(0, 0))), Hex(oldFace))
      << "and follows it back";
  EXPECT_EQ(Base()->CheckButtonSize().cx, checkSize.cx);
  EXPECT_EQ(Base()->CheckButtonSize().cy, checkSize.cy);
  TestSurface after(20, 20, Magenta);
  Base()->DrawIndicatorImage(after.vx.get(), TRect{0, 0, 20, 20}, ikEdit);
  EXPECT_EQ(before.Pixels(), after.Pixels()) << "the indicator images do not change";
}

}  // namespace

}  // namespace ZS_UNITY_ID
