#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "TestSurface.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vxLookAndFeelPainters.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Magenta = RGB(255, 0, 255);

COLORREF C(TColor AColor) { return static_cast<COLORREF>(ColorToRGB(AColor)); }

int CountIn(const TestSurface& s, const RECT& R, COLORREF c) {
  return (R.right - R.left) * (R.bottom - R.top) - s.CountNot(R, c);
}

const TvxUltraFlatLookAndFeelPainter* Ultra() {
  return static_cast<const TvxUltraFlatLookAndFeelPainter*>(TvxUltraFlatLookAndFeelPainter::Instance());
}
const TvxOffice11LookAndFeelPainter* Office() {
  return static_cast<const TvxOffice11LookAndFeelPainter*>(TvxOffice11LookAndFeelPainter::Instance());
}

// The Office 2003 colours are computed while they have users.
class OtherLooks : public ::testing::Test {
 protected:
  void SetUp() override { vdOffice11AcquireColors(); }
  void TearDown() override { vdOffice11ReleaseColors(); }
};

TEST_F(OtherLooks, MetricsOfUltraFlatAndOffice11) {
  for (const TvxUltraFlatLookAndFeelPainter* p : {Ultra(), static_cast<const TvxUltraFlatLookAndFeelPainter*>(Office())}) {
    SCOPED_TRACE(p == Ultra() ? "UltraFlat" : "Office11");
    EXPECT_EQ(p->BorderSize(), 1);
    EXPECT_EQ(p->ButtonBorderSize(vxbsDefault), 2);
    EXPECT_EQ(p->ButtonBorderSize(vxbsPressed), 1);
    EXPECT_EQ(p->ButtonTextOffset(), 2);
    EXPECT_EQ(p->ButtonTextShift(), 0);
    for (TvxButtonState s : {vxbsNormal, vxbsHot, vxbsPressed, vxbsDisabled})
      EXPECT_EQ(p->ButtonSymbolState(s), vxbsNormal) << "glyphs are never drawn disabled";
    EXPECT_EQ(p->ExpandButtonSize(), 11);
    EXPECT_TRUE(p->IsButtonHotTrack());
    EXPECT_EQ(p->HeaderBorderSize(), 1);
    EXPECT_EQ(p->SortingMarkSize().x, 7);
    EXPECT_EQ(p->SortingMarkSize().y, 8);
    EXPECT_EQ(p->FooterBorders(), (TvxBorders{bRight, bBottom}));
    EXPECT_EQ(p->FooterCellOffset(), 2);
    EXPECT_EQ(p->FilterCloseButtonSize().y, 15);
    EXPECT_EQ(p->TabBorderSize(false), 1);
    const TRect first = p->ButtonGroupBorderSizes(3, 0), middle = p->ButtonGroupBorderSizes(3, 1),
                last = p->ButtonGroupBorderSizes(3, 2);
    EXPECT_EQ(first.left, 2);
    EXPECT_EQ(first.right, 1);
    EXPECT_EQ(middle.left, 1);
    EXPECT_EQ(middle.top, 2);
    EXPECT_EQ(middle.right, 1);
    EXPECT_EQ(last.right, 2);
    EXPECT_EQ(p->ButtonFocusRect(nullptr, TRect{0, 0, 20, 20}).left, 3);
    EXPECT_EQ(p->ButtonFocusRect(nullptr, TRect{0, 0, 6, 6}).right, 6) << "too small to shrink";
  }
  EXPECT_EQ(Ultra()->LookAndFeelStyle(), lfsUltraFlat);
  EXPECT_EQ(Office()->LookAndFeelStyle(), lfsOffice11);
  EXPECT_FALSE(Ultra()->NeedRedrawOnResize());
  EXPECT_TRUE(Office()->NeedRedrawOnResize());
  EXPECT_EQ(Ultra()->HeaderBorders({nLeft, nTop}), (TvxBorders{bRight, bBottom}));
  EXPECT_EQ(Ultra()->HeaderBorders({nRight}), vxBordersAll);
  EXPECT_EQ(Office()->HeaderBorders({nLeft, nTop}), vxBordersAll) << "Office11 keeps all four";
  EXPECT_TRUE(Office()->IsHeaderHotTrack());
  EXPECT_FALSE(Ultra()->IsHeaderHotTrack());
  EXPECT_TRUE(Ultra()->DrawExpandButtonFirst());
  EXPECT_FALSE(Office()->DrawExpandButtonFirst());
  EXPECT_EQ(Office()->SmallExpandButtonSize(), 11);
  EXPECT_EQ(Ultra()->GetSplitterSize(true).cy, 1);
  EXPECT_EQ(Ultra()->GetSplitterSize(false).cx, 1);
  EXPECT_EQ(Office()->GetSplitterSize(true).cy, 2);
  EXPECT_EQ(Office()->GetSplitterSize(false).cx, 2);
}

TEST_F(OtherLooks, ColoursOfUltraFlat) {
  EXPECT_EQ(Ultra()->ButtonColor(vxbsHot), vxGetLightHotColor());
  EXPECT_EQ(Ultra()->ButtonColor(vxbsPressed), vxGetLightPressedColor());
  EXPECT_EQ(Ultra()->ButtonColor(vxbsNormal), clBtnFace);
  EXPECT_EQ(Ultra()->ButtonSymbolColor(vxbsPressed), clHighlightText);
  EXPECT_EQ(Ultra()->ButtonSymbolColor(vxbsDisabled), clBtnShadow);
  EXPECT_EQ(Ultra()->ButtonSymbolColor(vxbsNormal, clRed), clRed);
  EXPECT_EQ(Ultra()->ButtonStateBorderColor(vxbsNormal), clBtnShadow);
  EXPECT_EQ(Ultra()->ButtonStateBorderColor(vxbsHot), clHighlight);
  EXPECT_EQ(Ultra()->BorderShadowColor(), clBtnShadow);
  EXPECT_EQ(Ultra()->BorderDarkColor(), clBtnText);
  EXPECT_EQ(Ultra()->BorderHighlightColor(), clHighlight);
  EXPECT_EQ(Ultra()->DefaultSchedulerBorderColor(), clBtnShadow);
  EXPECT_EQ(Ultra()->GetSplitterOuterColor(true), clHighlight);
  EXPECT_EQ(Ultra()->GetSplitterOuterColor(false), clBtnShadow);
  // The hot colour: face -2 %, highlight 30 %, window 72 % per channel.
  const COLORREF face = C(clBtnFace), high = C(clHighlight), window = C(clWindow);
  auto mix = [](int f, int h, int w) { return std::clamp(MulDiv(f, -2, 100) + MulDiv(h, 30, 100) + MulDiv(w, 72, 100), 0, 255); };
  EXPECT_EQ(C(vxGetLightHotColor()), RGB(mix(GetRValue(face), GetRValue(high), GetRValue(window)),
                                         mix(GetGValue(face), GetGValue(high), GetGValue(window)),
                                         mix(GetBValue(face), GetBValue(high), GetBValue(window))));
}

TEST_F(OtherLooks, ColoursOfOffice11FollowTheScheme) {
  EXPECT_EQ(Office()->ButtonColor(vxbsHot), vdOffice11HotColor1);
  EXPECT_EQ(Office()->ButtonColor(vxbsPressed), vdOffice11PressedColor);
  EXPECT_EQ(Office()->ButtonColor(vxbsDisabled), clBtnFace);
  EXPECT_EQ(Office()->ButtonColor(vxbsNormal), vdOffice11BarColor);
  EXPECT_EQ(Office()->ButtonSymbolColor(vxbsDisabled), vdOffice11DisabledSymbolColor);
  EXPECT_EQ(Office()->ButtonSymbolColor(vxbsHot), vdOffice11SymbolColor);
  EXPECT_EQ(Office()->ButtonSymbolColor(vxbsPressed),
            vdOffice11IsLunaScheme() ? vdOffice11SymbolColor : clHighlightText);
  EXPECT_EQ(Office()->CheckButtonColor(vxbsHot), vdOffice11HotColor1);
  EXPECT_EQ(Office()->CheckButtonColor(vxbsNormal), clWindow);
  EXPECT_EQ(Office()->ButtonStateBorderColor(vxbsNormal), vdOffice11SeparatorDarkColor);
  EXPECT_EQ(Office()->ButtonStateBorderColor(vxbsPressed), vdOffice11HighlightBorderColor);
  EXPECT_EQ(Office()->BorderShadowColor(), vdOffice11SeparatorDarkColor);
  EXPECT_EQ(Office()->BorderDarkColor(), clBtnText);
  EXPECT_EQ(Office()->HeaderFaceColor(), vdMixColors(vdOffice11GradientColor1, vdOffice11GradientColor2, 50));
  EXPECT_EQ(Office()->DefaultHeaderColor(), Office()->HeaderFaceColor());
  EXPECT_EQ(Office()->HeaderBottomColor(), vdOffice11GradientColor2);
  EXPECT_EQ(Office()->HeaderLightEdgeColor(), vdOffice11SeparatorLightColor);
  EXPECT_EQ(Office()->DefaultFooterColor(), vdOffice11BarColor);
  EXPECT_EQ(Office()->DefaultFooterTextColor(), Office()->DefaultHeaderTextColor());
  EXPECT_EQ(Office()->DefaultGroupByBoxColor(), vdOffice11GroupByBoxColor);
  EXPECT_EQ(Office()->DefaultHeaderBackgroundColor(), vdOffice11GroupByBoxColor);
  EXPECT_EQ(Office()->DefaultGroupByBoxTextColor(), vdOffice11GradientColor1);
  EXPECT_EQ(Office()->DefaultGroupColor(), vdOffice11GroupRowColor);
  EXPECT_EQ(Office()->DefaultFilterBoxColor(), vdOffice11FilterBoxColor);
  EXPECT_EQ(Office()->DefaultDateNavigatorSelectionTextColor(), clWindowText);
  EXPECT_EQ(Office()->DefaultTabsBackgroundColor(), vdOffice11TabColor);
  EXPECT_EQ(Office()->DefaultTimeGridSelectionBarColor(), vdOffice11SchedulerControlColor);
  EXPECT_EQ(Office()->FooterSeparatorColor(), vdOffice11SeparatorDarkColor);
  EXPECT_EQ(Office()->GetSplitterInnerColor(false), vdOffice11SeparatorLightColor);
  EXPECT_EQ(Office()->GetSplitterOuterColor(true), vdOffice11HighlightBorderColor);
}

TEST_F(OtherLooks, ButtonFramesByState) {
  struct Case {
    const char* name;
    const TvxCustomLookAndFeelPainter* painter;
    TvxButtonState state;
    TColor outer, second, face;
  };
  const Case cases[] = {
      {"ultraflat normal", Ultra(), vxbsNormal, clBtnText, clBtnFace, clBtnFace},
      {"ultraflat hot", Ultra(), vxbsHot, clHighlight, vxGetLightHotColor(), vxGetLightHotColor()},
      {"ultraflat pressed", Ultra(), vxbsPressed, clHighlight, vxGetLightPressedColor(), vxGetLightPressedColor()},
      {"ultraflat disabled", Ultra(), vxbsDisabled, clBtnShadow, clBtnFace, clBtnFace},
      {"ultraflat default: double frame", Ultra(), vxbsDefault, clWindowFrame, clWindowFrame, clBtnFace},
      {"office11 normal", Office(), vxbsNormal, clBtnText, vdOffice11BarColor, vdOffice11BarColor},
      {"office11 hot", Office(), vxbsHot, vdOffice11HighlightBorderColor, vdOffice11HotColor1, vdOffice11HotColor1},
      {"office11 disabled", Office(), vxbsDisabled, vdOffice11DisabledSymbolColor, clBtnFace, clBtnFace},
  };
  for (const Case& c : cases) {
    TestSurface s(30, 20, Magenta);
    c.painter->DrawButton(s.vx.get(), TRect{0, 0, 30, 20}, String(), c.state);
    EXPECT_EQ(s.At(10, 0), C(c.outer)) << c.name;
    EXPECT_EQ(s.At(29, 10), C(c.outer)) << c.name;
    EXPECT_EQ(s.At(10, 1), C(c.second)) << c.name;
    EXPECT_EQ(s.At(15, 10), C(c.face)) << c.name;
  }
}

TEST_F(OtherLooks, UltraFlatElements) {
  // Headers: right and bottom always, left and top only when asked.
  TestSurface h(40, 20, Magenta);
  Ultra()->DrawHeaderBorder(h.vx.get(), TRect{0, 0, 40, 20}, {nLeft}, {bRight, bBottom});
  EXPECT_EQ(h.At(39, 10), C(clBtnText));
  EXPECT_EQ(h.At(20, 19), C(clBtnText));
  EXPECT_EQ(h.At(0, 10), Magenta);
  EXPECT_EQ(h.At(20, 0), Magenta);
  // Footers: right and bottom only.
  TestSurface f(40, 20, Magenta);
  Ultra()->DrawFooterBorder(f.vx.get(), TRect{0, 0, 40, 20});
  EXPECT_EQ(f.At(39, 10), C(clBtnShadow));
  EXPECT_EQ(f.At(20, 19), C(clBtnShadow));
  EXPECT_EQ(f.At(0, 10), Magenta);
  EXPECT_EQ(f.At(20, 0), Magenta);
  // A hot middle button of a group: highlight columns at both sides, the hot face between.
  TestSurface g(30, 20, Magenta);
  Ultra()->DrawButtonInGroup(g.vx.get(), TRect{0, 0, 30, 20}, vxbsHot, 3, 1, clWindow);
  EXPECT_EQ(g.At(0, 10), C(clHighlight));
  EXPECT_EQ(g.At(29, 10), C(clHighlight));
  EXPECT_EQ(g.At(15, 10), C(vxGetLightHotColor()));
  EXPECT_EQ(g.At(15, 0), Magenta) << "one pixel left at the top";
  // A normal one: framed in the background colour.
  g.Clear(Magenta);
  Ultra()->DrawButtonInGroup(g.vx.get(), TRect{0, 0, 30, 20}, vxbsNormal, 3, 1, clWindow);
  EXPECT_EQ(g.At(0, 10), C(clWindow));
  EXPECT_EQ(g.At(15, 10), C(clBtnFace));
  // Scroll bars: the disabled thumb draws nothing; a hot line button is framed in highlight with an arrow.
  TestSurface sb(20, 20, Magenta);
  TRect r{0, 0, 17, 17};
  Ultra()->DrawScrollBarPart(sb.vx.get(), false, r, sbpThumbnail, vxbsDisabled);
  EXPECT_EQ(sb.CountNot(RECT{0, 0, 20, 20}, Magenta), 0);
  Ultra()->DrawScrollBarPart(sb.vx.get(), false, r, sbpLineUp, vxbsHot);
  EXPECT_EQ(sb.At(8, 0), C(clHighlight));
  EXPECT_EQ(sb.At(1, 1), C(vxGetLightHotColor()));
  EXPECT_GT(sb.CountNot(RECT{4, 4, 13, 13}, C(vxGetLightHotColor())), 0) << "the arrow";
  // Expand button: shadow frame, face, sign, then excluded from the clip.
  TestSurface e(20, 20, Magenta);
  e.vx->SaveClipRegion();
  Ultra()->DrawExpandButton(e.vx.get(), TRect{0, 0, 11, 11}, false);
  e.vx->FillRect(TRect{0, 0, 20, 20}, clLime);
  e.vx->RestoreClipRegion();
  EXPECT_EQ(e.At(0, 0), C(clBtnShadow));
  EXPECT_EQ(e.At(5, 5), C(clBtnText));
  EXPECT_EQ(e.At(2, 2), C(clBtnFace));
  EXPECT_EQ(e.At(15, 15), C(clLime));
  // Print preview background: each channel a third of the way from the shadow to white.
  TestSurface pp(4, 4, Magenta);
  Ultra()->DrawPrintPreviewBackground(pp.vx.get(), TRect{0, 0, 4, 4});
  const COLORREF shadow = C(clBtnShadow);
  auto l = [](int v) { return v + (255 - v) / 3; };
  EXPECT_EQ(pp.At(1, 1), RGB(l(GetRValue(shadow)), l(GetGValue(shadow)), l(GetBValue(shadow))));
  // Group box frames in the highlight colour when enabled.
  TestSurface gb(20, 20, Magenta);
  TRect box{0, 0, 20, 20};
  gb.vx->SaveClipRegion();
  Ultra()->DrawGroupBoxFrame(gb.vx.get(), box, true, vxgpTop, vxBordersAll);
  gb.vx->RestoreClipRegion();
  EXPECT_EQ(gb.At(10, 0), C(clHighlight));
  EXPECT_EQ(gb.At(10, 10), Magenta);
}

TEST_F(OtherLooks, Office11Elements) {
  // Headers: a face above a gradient strip, a dark bottom row and right column.
  TestSurface h(40, 20, Magenta);
  const TRect bounds{0, 0, 40, 20};
  Office()->DrawHeader(h.vx.get(), bounds, bounds, {}, vxBordersAll, vxbsNormal, taLeftJustify, vaTop, false, false,
                       String(), nullptr, clBtnText, clRed);
  const TColor face = Office()->HeaderFaceColor();
  EXPECT_EQ(h.At(20, 0), C(face)) << "top row";
  EXPECT_EQ(h.At(20, 19), C(vdOffice11SeparatorDarkColor)) << "bottom row";
  EXPECT_EQ(h.At(39, 10), C(vdOffice11SeparatorDarkColor)) << "right column";
  EXPECT_EQ(h.At(0, 10), C(vdOffice11SeparatorLightColor)) << "left column";
  EXPECT_EQ(h.At(20, 8), C(face)) << "the background colour argument is not used";
  // Expand buttons: the scheme's bitmap at the top-left whatever the rect and colour, its
  // corners blended with what lies under them.
  const int bw = vdOffice11ExpandedButtonBitmap->Width(), bh = vdOffice11ExpandedButtonBitmap->Height();
  ASSERT_LE(bw, 11);
  TestSurface e(30, 30, White);
  e.vx->SaveClipRegion();
  Office()->DrawExpandButton(e.vx.get(), TRect{2, 2, 30, 30}, true, clRed);
  e.vx->RestoreClipRegion();
  EXPECT_EQ(e.At(2, 2), C(vdMixColors(vdOffice11ExpandButtonColor1, clWhite, 25)));
  const COLORREF corner = C(vdMixColors(vdOffice11ExpandButtonColor2, clWhite, 25));
  EXPECT_EQ(e.At(2 + bw - 1, 2 + bh - 1), corner);
  EXPECT_EQ(e.At(2, 2 + bh - 1), corner);
  EXPECT_EQ(e.At(2 + bw - 1, 2), corner);
  EXPECT_EQ(e.CountNot(RECT{2 + bw, 0, 30, 30}, White), 0);
  EXPECT_EQ(e.CountNot(RECT{0, 2 + bh, 30, 30}, White), 0);
  EXPECT_GT(e.CountNot(RECT{3, 3, 1 + bw, 1 + bh}, White), 0);
  TestSurface small(30, 30, White);
  Office()->DrawSmallExpandButton(small.vx.get(), TRect{2, 2, 30, 30}, true, clBlue);
  EXPECT_EQ(small.Pixels(), e.Pixels());
  // Separator: dark, then light one pixel right and down.
  TestSurface sep(10, 20, Magenta);
  Office()->DrawSeparator(sep.vx.get(), TRect{0, 0, 10, 20}, true);
  EXPECT_EQ(sep.At(4, 5), C(vdOffice11SeparatorDarkColor));
  EXPECT_EQ(sep.At(5, 6), C(vdOffice11SeparatorLightColor));
  // Borders, date-navigator header, layout gradient.
  TestSurface b(20, 20, Magenta);
  TRect br{0, 0, 20, 20};
  Office()->DrawBorder(b.vx.get(), br);
  EXPECT_EQ(b.At(0, 5), C(vdOffice11ControlBorderColor));
  EXPECT_EQ(b.At(5, 5), Magenta);
  TRect dh{0, 0, 20, 20};
  Office()->DrawDateNavigatorDateHeader(b.vx.get(), dh);
  EXPECT_EQ(b.At(5, 19), C(vdOffice11BarColor));
  EXPECT_EQ(dh.bottom, 20);
  TestSurface lay(10, 40, Magenta);
  Office()->DrawLayoutControlBackground(lay.vx.get(), TRect{0, 0, 10, 40});
  EXPECT_EQ(lay.At(5, 0), C(vdOffice11GradientColor1));
  // Scheduler navigation button content: hot fill, scheme border on the outer side only.
  TestSurface n(30, 30, Magenta);
  TvxViewParams vp;
  vp.Color = clWindow;
  Office()->DrawSchedulerNavigationButton(n.vx.get(), TRect{0, 0, 30, 30}, false, vxbsHot, String(), TRect{},
                                          TRect{5, 5, 25, 25});
  EXPECT_EQ(n.At(29, 15), C(vdOffice11SchedulerBorderColor));
  EXPECT_EQ(n.At(0, 15), C(vdOffice11HotColor1));
}

TEST_F(OtherLooks, Office11FilterButtonUsesItsStateBorder) {
  TestSurface s(20, 20, Magenta);
  TRect r{0, 0, 15, 15};
  Office()->DrawFilterDropDownButton(s.vx.get(), r, vxbsNormal, false);
  EXPECT_EQ(s.At(7, 0), C(vdOffice11SeparatorDarkColor));
  EXPECT_EQ(s.At(2, 2), C(vdOffice11BarColor));
  EXPECT_EQ(r.left, 1) << "R becomes the face";
  r = TRect{0, 0, 15, 15};
  Ultra()->DrawFilterDropDownButton(s.vx.get(), r, vxbsHot, true);
  EXPECT_EQ(s.At(7, 0), C(clHighlight));
  EXPECT_GT(CountIn(s, RECT{0, 0, 15, 15}, C(clBlue)), 0) << "an active filter's arrow is blue";
}

}  // namespace

}  // namespace ZS_UNITY_ID
