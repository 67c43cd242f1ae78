#include <gtest/gtest.h>

#include <set>
#include <string>

#include "TestSurface.h"
#include "vdOffice11.h"
#include "vxLookAndFeelPainters.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

constexpr COLORREF Magenta = RGB(255, 0, 255);

COLORREF C(TColor AColor) { return static_cast<COLORREF>(ColorToRGB(AColor)); }

const TvxButtonState States[] = {vxbsNormal, vxbsHot, vxbsPressed, vxbsDisabled};
const TvxLookAndFeelKind Kinds[] = {lfFlat, lfStandard, lfUltraFlat, lfOffice11};

std::string Name(TvxLookAndFeelKind k, TvxButtonState s, bool checked, bool focused, bool designing) {
  return "kind " + std::to_string(k) + " state " + std::to_string(s) + (checked ? " checked" : "") +
         (focused ? " focused" : "") + (designing ? " designing" : "");
}

// The Office 2003 colours are computed while they have users.
class RadioButtonImages : public ::testing::Test {
 protected:
  void SetUp() override {
    vdOffice11AcquireColors();
    list = vxGetRadioButtonImageList();
    size = list->GetSize();
  }
  void TearDown() override { vdOffice11ReleaseColors(); }
  TvxRadioButtonImageList* list = nullptr;
  TSize size{};
};

TEST_F(RadioButtonImages, MeasuredFromTheSystemButtonAndShapedAsARing) {
  ASSERT_GT(size.cx, 6);
  ASSERT_GT(size.cy, 6);
  EXPECT_EQ(list->List()->Count(), 128);
  EXPECT_EQ(list->List()->Width(), size.cx);
  EXPECT_EQ(list->List()->Height(), size.cy);
  EXPECT_EQ(list->RadioButtonRect().right - list->RadioButtonRect().left, size.cx);
  EXPECT_EQ(list->RadioButtonRect().bottom - list->RadioButtonRect().top, size.cy);
  const TSize check = TvxCustomLookAndFeelPainter::Instance()->CheckButtonSize();
  EXPECT_LE(list->RadioButtonRect().right, check.cx) << "the radio lies inside one check-box cell";
  EXPECT_LE(list->RadioButtonRect().bottom, check.cy);
  const TRect dot = list->RadioButtonCheckRect();
  EXPECT_GT(dot.right, dot.left);
  EXPECT_GT(dot.bottom, dot.top);
  EXPECT_GT(dot.left, list->RadioButtonRect().left);
  EXPECT_LT(dot.right, list->RadioButtonRect().right);

  // Corners are outside, the middle is the dot, the top and left edges are the outer
  // ring's upper-left half, the bottom and right edges its lower-right half.
  const int w = size.cx, h = size.cy;
  EXPECT_EQ(list->PatternAt(0, 0), 0);
  EXPECT_EQ(list->PatternAt(w - 1, h - 1), 0);
  EXPECT_EQ(list->PatternAt(w / 2 - 1, h / 2 - 1), 6);
  EXPECT_EQ(list->PatternAt(w / 2, 0), 1);
  EXPECT_EQ(list->PatternAt(0, h / 2), 1);
  EXPECT_EQ(list->PatternAt(w / 2, h - 1), 2);
  EXPECT_EQ(list->PatternAt(w - 1, h / 2), 2);
  EXPECT_EQ(list->PatternAt(w / 2, 1), 3) << "inner ring under the top of the outer one";
  EXPECT_EQ(list->PatternAt(w / 2, h - 2), 4);
  std::set<int> roles;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) roles.insert(list->PatternAt(x, y));
  EXPECT_EQ(roles, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
  // The mask is opaque (black) exactly over the ellipse.
  TBitmap* mask = list->ButtonMask();
  EXPECT_EQ(mask->Canvas()->Pixel(0, 0), clWhite);
  EXPECT_EQ(mask->Canvas()->Pixel(w / 2, h / 2), clBlack);
}

TEST_F(RadioButtonImages, EveryCombinationDrawsItsOwnColoursInEveryState) {
  std::set<Integer> numbers;
  Integer expected = 0;
  // The building order: designing, focused, kind, checked, state.
  for (bool designing : {false, true})
    for (bool focused : {false, true})
      for (TvxLookAndFeelKind kind : Kinds)
        for (bool checked : {false, true})
          for (TvxButtonState state : States) {
            const std::string name = Name(kind, state, checked, focused, designing);
            const Integer number = list->ImageIndex(kind, state, checked, focused, designing);
            EXPECT_EQ(number, expected++) << name;
            numbers.insert(number);
            const auto colors = TvxRadioButtonImageList::ImageColors(kind, state, checked, focused, designing);
            TestSurface s(size.cx + 4, size.cy + 4, Magenta);
            list->Draw(s.vx.get(), 2, 2, clDefault, kind, state, checked, focused, designing);
            int wrong = 0;
            for (int y = 0; y < size.cy; ++y)
              for (int x = 0; x < size.cx; ++x) {
                const int role = list->PatternAt(x, y);
                const COLORREF want = role == 0 ? Magenta : static_cast<COLORREF>(colors[role]);
                if (s.At(x + 2, y + 2) != want) ++wrong;
              }
            EXPECT_EQ(wrong, 0) << name;
            EXPECT_EQ(s.CountNot(RECT{0, 0, size.cx + 4, 2}, Magenta), 0) << name << ": nothing outside";
          }
  EXPECT_EQ(numbers.size(), 128u);
}

TEST_F(RadioButtonImages, RoleColoursOfTheLooks) {
  struct Case {
    const char* name;
    TvxLookAndFeelKind kind;
    TvxButtonState state;
    bool checked, focused, designing;
    TColor outer1, outer2, inner1, inner2, fill, dot;
  };
  const Case cases[] = {
      {"standard normal", lfStandard, vxbsNormal, true, false, false, clBtnShadow, clBtnHighlight, cl3DDkShadow,
       cl3DLight, clWindow, clWindowText},
      {"standard pressed", lfStandard, vxbsPressed, false, false, false, clBtnShadow, clBtnHighlight, cl3DDkShadow,
       cl3DLight, clBtnFace, clBtnFace},
      {"flat disabled checked", lfFlat, vxbsDisabled, true, false, false, clBtnShadow, clBtnHighlight, cl3DLight,
       cl3DLight, clBtnFace, clBtnShadow},
      {"ultraflat normal", lfUltraFlat, vxbsNormal, false, false, false, clBtnShadow, clBtnShadow, clWindow, clWindow,
       clWindow, clWindow},
      {"ultraflat focused disabled is highlighted", lfUltraFlat, vxbsDisabled, false, true, false, clHighlight,
       clHighlight, clBtnFace, clBtnFace, clBtnFace, clBtnFace},
      {"ultraflat designing disabled is not", lfUltraFlat, vxbsDisabled, false, false, true, clBtnShadow, clBtnShadow,
       clBtnFace, clBtnFace, clBtnFace, clBtnFace},
      {"ultraflat designing normal is", lfUltraFlat, vxbsNormal, false, false, true, clHighlight, clHighlight,
       clWindow, clWindow, clWindow, clWindow},
      {"office11 normal", lfOffice11, vxbsNormal, true, false, false, clBtnText, clBtnText, clWindow, clWindow,
       clWindow, clWindowText},
      {"office11 hot", lfOffice11, vxbsHot, false, false, false, vdOffice11HighlightBorderColor,
       vdOffice11HighlightBorderColor, vdOffice11HotColor1, vdOffice11HotColor1, vdOffice11HotColor1,
       vdOffice11HotColor1},
      {"office11 disabled checked", lfOffice11, vxbsDisabled, true, true, false, vdOffice11DisabledSymbolColor,
       vdOffice11DisabledSymbolColor, clBtnFace, clBtnFace, clBtnFace, vdOffice11DisabledSymbolColor},
  };
  for (const Case& c : cases) {
    const auto colors = TvxRadioButtonImageList::ImageColors(c.kind, c.state, c.checked, c.focused, c.designing);
    const TColor want[7] = {clBlack, c.outer1, c.outer2, c.inner1, c.inner2, c.fill, c.dot};
    for (int role = 0; role < 7; ++role)
      EXPECT_EQ(static_cast<COLORREF>(colors[role]), C(want[role])) << c.name << " role " << role;
  }
  const auto hot = TvxRadioButtonImageList::ImageColors(lfUltraFlat, vxbsHot, false, false, false);
  EXPECT_EQ(static_cast<COLORREF>(hot[5]), C(vxGetLightHotColor()));
  EXPECT_EQ(static_cast<COLORREF>(hot[1]), C(clHighlight));
  const auto pressed = TvxRadioButtonImageList::ImageColors(lfUltraFlat, vxbsPressed, false, false, false);
  EXPECT_EQ(static_cast<COLORREF>(pressed[5]), C(vxGetLightPressedColor()));
}

TEST_F(RadioButtonImages, DefaultStateDrawsAsNormal) {
  // The default button state has no image of its own; it must not read before the map.
  EXPECT_EQ(TvxRadioButtonImageList::MapIndex(lfFlat, vxbsDefault, false, false, false), 0);
  for (TvxLookAndFeelKind kind : Kinds) {
    TestSurface normal(size.cx, size.cy, Magenta), def(size.cx, size.cy, Magenta);
    list->Draw(normal.vx.get(), 0, 0, clDefault, kind, vxbsNormal, true, false, false);
    list->Draw(def.vx.get(), 0, 0, clDefault, kind, vxbsDefault, true, false, false);
    EXPECT_EQ(def.Pixels(), normal.Pixels()) << "kind " << kind;
  }
  TestSurface painter(size.cx, size.cy, Magenta);
  TvxUltraFlatLookAndFeelPainter::Instance()->DrawRadioButton(painter.vx.get(), 0, 0, vxbsDefault, false, false,
                                                              clDefault);
  EXPECT_EQ(painter.At(size.cx / 2, size.cy / 2), C(clWindow));
}

TEST_F(RadioButtonImages, ABrushColourPaintsTheWholeSquare) {
  TestSurface s(size.cx + 2, size.cy + 2, Magenta);
  list->Draw(s.vx.get(), 1, 1, clLime, lfStandard, vxbsNormal, false, false, false);
  EXPECT_EQ(s.At(1, 1), C(clLime)) << "corner outside the circle";
  EXPECT_EQ(s.At(size.cx, size.cy), C(clLime));
  EXPECT_EQ(s.At(size.cx / 2 + 1, size.cy / 2 + 1), C(clWindow));
  EXPECT_EQ(s.At(0, 0), Magenta);
  EXPECT_EQ(s.At(size.cx + 1, size.cy + 1), Magenta);

  // Painters pass their look on.
  const struct {
    TvxCustomLookAndFeelPainterClass painter;
    TvxLookAndFeelKind kind;
  } looks[] = {{TvxFlatLookAndFeelPainter::Instance(), lfFlat},
               {TvxStandardLookAndFeelPainter::Instance(), lfStandard},
               {TvxUltraFlatLookAndFeelPainter::Instance(), lfUltraFlat},
               {TvxOffice11LookAndFeelPainter::Instance(), lfOffice11}};
  for (const auto& look : looks) {
    TestSurface viaPainter(size.cx, size.cy, Magenta), direct(size.cx, size.cy, Magenta);
    look.painter->DrawRadioButton(viaPainter.vx.get(), 0, 0, vxbsHot, true, false, clDefault);
    list->Draw(direct.vx.get(), 0, 0, clDefault, look.kind, vxbsHot, true, false, false);
    EXPECT_EQ(viaPainter.Pixels(), direct.Pixels()) << "kind " << look.kind;
    EXPECT_EQ(look.painter->RadioButtonSize().cx, size.cx);
  }
}

TEST_F(RadioButtonImages, ImagesFollowASystemColourChange) {
  const COLORREF oldWindow = GetSysColor(COLOR_WINDOW);
  const COLORREF newWindow = RGB(20, 200, 120);
  INT index = COLOR_WINDOW;
  ASSERT_TRUE(SetSysColors(1, &index, &newWindow));
  TestSurface s(size.cx, size.cy, Magenta);
  list->Draw(s.vx.get(), 0, 0, clDefault, lfFlat, vxbsNormal, false, false, false);
  const COLORREF drawn = s.At(size.cx / 2, size.cy / 2);
  const Integer first = list->ImageIndex(lfFlat, vxbsNormal, false, false, false);
  const Integer last = list->ImageIndex(lfOffice11, vxbsDisabled, true, true, true);
  const Integer count = list->List()->Count();
  SetSysColors(1, &index, &oldWindow);
  EXPECT_EQ(drawn, newWindow);
  EXPECT_EQ(first, 0) << "numbers are given again from 0";
  EXPECT_EQ(last, 127);
  EXPECT_EQ(count, 128);
  TestSurface back(size.cx, size.cy, Magenta);
  list->Draw(back.vx.get(), 0, 0, clDefault, lfFlat, vxbsNormal, false, false, false);
  EXPECT_EQ(back.At(size.cx / 2, size.cy / 2), oldWindow);
}

}  // namespace

}  // namespace ZS_UNITY_ID
