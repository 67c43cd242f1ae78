#include <gtest/gtest.h>

#include <vssym32.h>

#include "ReferenceImage.h"
#include "TestSurface.h"
#include "vdUxTheme.h"
#include "vxContainerStyles.h"
#include "vxDWMApi.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

const COLORREF Back = RGB(1, 2, 3);
const COLORREF Red = RGB(255, 0, 0);
const COLORREF White = RGB(255, 255, 255);

COLORREF Sys(int AIndex) { return GetSysColor(AIndex); }

// A container cell of 40 x 30 whose border lies around (4, 4, 36, 26), drawn at (AX, AY).
void DrawCell(TestSurface& S, Integer AX, Integer AY, TvxContainerBorderStyle AStyle, bool AShadow = false,
              TvxBorders AEdges = vxBordersAll, TvxCustomLookAndFeelPainterClass APainter = nullptr) {
  TvxContainerViewInfo v;
  v.Bounds = TRect{0, 0, 40, 30};
  v.BorderRect = TRect{4, 4, 36, 26};
  v.ClientRect = v.BorderRect;
  v.BorderStyle = AStyle;
  v.BorderWidth = APainter ? 1 : vxContainerBorderWidth(AStyle);
  v.BorderColor = clRed;
  v.Edges = AEdges;
  v.Shadow = AShadow;
  v.Painter = APainter;
  v.SetBackgroundColor(clWhite);
  v.Offset(AX, AY);
  v.Paint(S.vx.get());
}

struct TProbe {
  int X, Y;
  COLORREF Color;
};

void ExpectProbes(const TestSurface& S, std::initializer_list<TProbe> AProbes, const char* AWhat) {
  for (const TProbe& p : AProbes) EXPECT_EQ(S.At(p.X, p.Y), p.Color) << AWhat << " at " << p.X << "," << p.Y;
}

TEST(ContainerPainting, BordersOfEveryStyle) {
  const COLORREF shadow = Sys(COLOR_BTNSHADOW), highlight = Sys(COLOR_BTNHIGHLIGHT), face = Sys(COLOR_BTNFACE),
                 dark = Sys(COLOR_3DDKSHADOW), light = Sys(COLOR_3DLIGHT);
  {
    TestSurface s(44, 34, Back);
    DrawCell(s, 0, 0, cbsNone);
    EXPECT_EQ(s.CountNot(RECT{4, 4, 36, 26}, White), 0);
    EXPECT_EQ(s.CountNot(RECT{0, 0, 44, 34}, Back), 32 * 22);
  }
  {
    TestSurface s(44, 34, Back);
    DrawCell(s, 0, 0, cbsSingle);
    ExpectProbes(s, {{3, 15, Red}, {20, 3, Red}, {36, 15, Red}, {20, 26, Red}, {4, 15, White}, {2, 15, Back}},
                 "single");
  }
  {
    TestSurface s(44, 34, Back);
    DrawCell(s, 0, 0, cbsThick);
    ExpectProbes(s, {{2, 15, Red}, {3, 15, Red}, {37, 15, Red}, {20, 27, Red}, {4, 15, White}, {1, 15, Back}},
                 "thick");
  }
  {
    TestSurface s(44, 34, Back);
    DrawCell(s, 0, 0, cbsFlat);
    // A sunken outer edge, then a button-face line.
    ExpectProbes(s,
                 {{2, 15, shadow}, {20, 2, shadow}, {37, 15, highlight}, {20, 27, highlight}, {3, 15, face},
                  {20, 3, face}, {36, 15, face}, {20, 26, face}, {4, 15, White}},
                 "flat");
  }
  {
    TestSurface s(44, 34, Back);
    DrawCell(s, 0, 0, cbs3D);
    ExpectProbes(s,
                 {{2, 15, shadow}, {20, 2, shadow}, {37, 15, highlight}, {20, 27, highlight}, {3, 15, dark},
                  {20, 3, dark}, {36, 15, light}, {20, 26, light}, {4, 15, White}},
                 "3D");
  }
  // Without a painter the container draws these as single borders; the view info
  // itself draws no border for them.
  for (TvxContainerBorderStyle style : {cbsUltraFlat, cbsOffice11}) {
    TestSurface s(44, 34, Back);
    DrawCell(s, 0, 0, style);
    ExpectProbes(s, {{3, 15, Back}, {20, 3, Back}, {4, 15, White}}, "ultra flat / office");
    // With a painter: a one-pixel frame in the border colour, whatever the style.
    s.Clear(Back);
    DrawCell(s, 0, 0, style, false, vxBordersAll, TvxUltraFlatLookAndFeelPainter::Instance());
    ExpectProbes(s, {{3, 15, Red}, {20, 3, Red}, {36, 15, Red}, {20, 26, Red}, {4, 15, White}}, "painter");
  }
}

TEST(ContainerPainting, ShadowAndMissingEdges) {
  const COLORREF shadow = Sys(COLOR_BTNSHADOW);
  {
    TestSurface s(44, 34, Back);
    DrawCell(s, 0, 0, cbsSingle, true);
    // The frame is (3, 3, 37, 27); the shadow hangs three pixels below and right of it,
    // starting three pixels in.
    EXPECT_EQ(s.CountNot(RECT{6, 27, 37, 30}, shadow), 0);
    EXPECT_EQ(s.CountNot(RECT{37, 6, 40, 30}, shadow), 0);
    ExpectProbes(s, {{5, 28, Back}, {38, 5, Back}, {36, 15, Red}, {20, 26, Red}}, "shadow");
    // The shadow left the clipping: painting over the cell spares it.
    s.vx->FillRect(TRect{0, 0, 44, 34}, clLime);
    EXPECT_EQ(s.At(20, 28), shadow);
  }
  {
    // No right and bottom edges: the frame around the border keeps its width on every
    // side.
    TestSurface s(44, 34, Back);
    DrawCell(s, 0, 0, cbsThick, false, TvxBorders{bLeft, bTop});
    ExpectProbes(s, {{2, 15, Red}, {20, 2, Red}, {37, 15, Red}, {20, 27, Red}, {35, 15, White}}, "edges");
  }
  {
    // ... while the shadow follows the border rectangle itself and covers that frame.
    TestSurface s(44, 34, Back);
    DrawCell(s, 0, 0, cbsSingle, true, TvxBorders{bLeft, bTop});
    ExpectProbes(s, {{20, 27, shadow}, {37, 15, shadow}, {36, 5, Red}, {20, 29, Back}, {3, 15, Red}}, "shadow edges");
  }
}

TEST(ContainerPainting, ReferenceImageOfTheBorders) {
  // One row of cells: every border style, then a shadowed single border and a 3D
  // border with only its left and top edges.
  TestSurface s(8 * 44, 34, Back);
  const TvxContainerBorderStyle styles[] = {cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat};
  Integer x = 0;
  for (TvxContainerBorderStyle style : styles) {
    DrawCell(s, x, 2, style);
    x += 44;
  }
  DrawCell(s, x, 2, cbsSingle, true);
  DrawCell(s, x + 44, 2, cbs3D, false, TvxBorders{bLeft, bTop});
  zs_test::ExpectMatchesReference(L"container_borders", s.W, s.H, s.Pixels());
}

TEST(ContainerPainting, NativeBorderUsesTheThemeFrame) {
  HTHEME edit = vdOpenThemeByType(totEdit);
  if (!edit) GTEST_SKIP() << "no visual styles";
  TestSurface s(44, 34, Back);
  TvxContainerViewInfo v;
  v.NativeStyle = true;
  v.ThemedObjectType = totEdit;
  v.NativeState = 1;
  v.Bounds = TRect{2, 2, 42, 32};
  v.BorderStyle = cbsSingle;
  v.SetBackgroundColor(clWhite);
  v.Paint(s.vx.get());

  TRect content = v.Bounds;
  vdUxTheme::GetThemeBackgroundContentRect(edit, s.dc, 1, 1, &v.Bounds, &content);
  COLORREF frame = 0;
  if (vxIsCompositionEnabled())
    vdUxTheme::GetThemeColor(vdOpenThemeByType(totListBox), 3, 1, TMT_BORDERCOLOR, &frame);
  else
    vdUxTheme::GetThemeColor(vdOpenThemeByType(totComboBox), 1, 1, TMT_BORDERCOLOR, &frame);
  EXPECT_EQ(s.CountNot(content, White), 0);
  ASSERT_FALSE(EqualRect(&content, &v.Bounds));
  // The band between the bounds and the content is the frame colour.
  EXPECT_EQ(s.At(2, 16), frame);
  EXPECT_EQ(s.At(20, 2), frame);
  EXPECT_EQ(s.At(41, 16), frame);
  EXPECT_EQ(s.At(20, 31), frame);
  EXPECT_EQ(s.At(1, 1), Back);

  // Without a border the whole bounds are background.
  s.Clear(Back);
  v.BorderStyle = cbsNone;
  v.Paint(s.vx.get());
  EXPECT_EQ(s.CountNot(v.Bounds, White), 0);
  EXPECT_EQ(s.At(1, 1), Back);
}

}  // namespace

}  // namespace ZS_UNITY_ID
