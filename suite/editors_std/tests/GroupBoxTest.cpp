// Group box and button group: the layout rules as tables, then real windows read back as
// pixels (caption and frame on each side, panel style), the button grid kept in step with the
// items, and radio buttons driven by synthesized mouse and keyboard input.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "StdCtrls.h"
#include "vxGroupBox.h"
#include "vxRadioGroup.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "StdReferenceImage.h"

// Both stay outside the source's namespace so that the test macros find them for RECT.
static bool operator==(const RECT& A, const RECT& B) { return A.left == B.left && A.top == B.top && A.right == B.right && A.bottom == B.bottom; }

static void PrintTo(const RECT& R, std::ostream* Os) {
  *Os << "{" << R.left << ", " << R.top << ", " << R.right << ", " << R.bottom << "}";
}

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// A button group whose buttons are radio buttons, as a concrete group needs.
class TTestButtonGroup : public TvxCustomButtonGroup {
  DECLARE_CLASS(TTestButtonGroup, TvxCustomButtonGroup)
 public:
  using TvxCustomButtonGroup::TvxCustomButtonGroup;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override {
    return std::make_unique<TvxCustomButtonGroupProperties>(this);
  }
  TWinControl* CreateButton() override { return new TvxRadioButton(this); }
};

class TTestGroupBox : public TvxCustomGroupBox {
  DECLARE_CLASS(TTestGroupBox, TvxCustomGroupBox)
 public:
  using TvxCustomGroupBox::TvxCustomGroupBox;
};

bool IsDark(COLORREF C) { return GetRValue(C) + GetGValue(C) + GetBValue(C) < 300; }

int DarkIn(const TWindowPixels& P, const TRect& R) {
  int n = 0;
  for (int y = std::max<int>(R.top, 0); y < std::min<int>(R.bottom, P.H); ++y)
    for (int x = std::max<int>(R.left, 0); x < std::min<int>(R.right, P.W); ++x) n += IsDark(P.At(x, y));
  return n;
}

TEST(ButtonGroupLayout, ColumnsAndRowsFollowTheRebalancingRule) {
  struct Case { int Items, Columns, Cols, Rows; };
  // 4 items asked for 3 columns need 2 rows, and 2 rows of 2 fill only 2 columns.
  const Case cases[] = {{0, 3, 0, 0}, {1, 3, 1, 1}, {4, 3, 2, 2}, {5, 3, 3, 2},
                        {7, 3, 3, 3}, {6, 1, 1, 6}, {3, 5, 3, 1}, {10, 4, 4, 3}};
  for (const Case& c : cases) {
    const Integer cols = vxButtonGroupColumnCount(c.Items, c.Columns);
    EXPECT_EQ(cols, c.Cols) << c.Items << " items, Columns " << c.Columns;
    EXPECT_EQ(vxButtonGroupRowCount(c.Items, cols), c.Rows) << c.Items << " items, Columns " << c.Columns;
  }
}

TEST(ButtonGroupLayout, ButtonBoundsSplitTheClientIntoCells) {
  TvxButtonGroupButtonMetrics m;
  m.ButtonsLeft = 6;
  m.LayoutWidthCorrection = -6;
  m.ColumnSpacing = 4;
  // 200 x 103 with extents 2, 20, 2, 2: columns (200 - 6 - 4 - 4) div 2 = 93 wide; rows
  // 81 div 2 = 40 high, the odd pixel split above the first row (1 div 2 = 0).
  const TRect b{10, 5, 210, 108}, e{2, 20, 2, 2};
  EXPECT_EQ(vxButtonGroupButtonBounds(b, e, 2, 2, 0, 0, m), (TRect{18, 25, 111, 65}));
  EXPECT_EQ(vxButtonGroupButtonBounds(b, e, 2, 2, 1, 1, m), (TRect{18 + 97, 65, 18 + 97 + 93, 105}));
  // Three rows in 83 pixels: 27 high, the 2 spare pixels put 1 above the first row.
  const TRect e3{2, 18, 2, 2};
  EXPECT_EQ(vxButtonGroupButtonBounds(b, e3, 1, 3, 0, 0, m).top, 5 + 18 + 1);
  EXPECT_EQ(vxButtonGroupButtonBounds(b, e3, 1, 3, 0, 2, m).top, 5 + 18 + 1 + 54);
}

TEST(ButtonGroupLayout, NaturalSize) {
  TvxButtonGroupButtonMetrics m;
  m.ColumnExtra = 7;
  m.TotalExtra = 6;
  m.ColumnSpacing = 2;
  m.GlyphWidth = 13;
  m.GlyphHeight = 16;
  // No items: nothing wide, one caption line high.
  EXPECT_EQ(vxButtonGroupNaturalSize(0, 0, 0, 14, m).cx, 0);
  EXPECT_EQ(vxButtonGroupNaturalSize(0, 0, 0, 14, m).cy, 14);
  // 5 items in 3 columns, 2 rows: (40 + 7 + 13) x 3 + 2 x 2 + 6 wide; rows as tall as the glyph.
  const TSize s = vxButtonGroupNaturalSize(5, 3, 40, 14, m);
  EXPECT_EQ(s.cx, 190);
  EXPECT_EQ(s.cy, 32);
  EXPECT_EQ(vxButtonGroupNaturalSize(5, 3, 40, 20, m).cy, 40) << "captions taller than the glyph";
}

TEST(GroupBoxLayout, CaptionRectanglePerAlignment) {
  // A 40 x 13 caption on a 185 x 105 box, with and without a 3-pixel shadow.
  struct Case { TvxCaptionAlignment A; int S; TRect R; };
  const Case cases[] = {
      {alTopLeft, 0, {8, 0, 48, 13}},         {alTopCenter, 3, {71, 0, 111, 13}},
      {alTopRight, 3, {134, 0, 174, 13}},     {alBottomLeft, 0, {8, 92, 48, 105}},
      {alCenterCenter, 3, {71, 44, 111, 57}}, {alLeftTop, 0, {0, 8, 13, 49}},
      {alLeftCenter, 3, {0, 30, 13, 71}},     {alLeftBottom, 3, {0, 53, 13, 94}},
      {alRightTop, 0, {172, 8, 185, 48}},     {alRightCenter, 0, {172, 32, 185, 72}},
      {alRightBottom, 0, {172, 57, 185, 97}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(vxGroupBoxCaptionRect(c.A, TSize{40, 13}, 185, 105, c.S), c.R) << "alignment " << int(c.A);
  EXPECT_EQ(vxGroupBoxCaptionPosition(alLeftCenter), vxgpLeft);
  EXPECT_EQ(vxGroupBoxCaptionPosition(alBottomRight), vxgpBottom);
  EXPECT_EQ(vxGroupBoxCaptionPosition(alCenterCenter), vxgpCenter);
}

struct GroupBoxTest : TFormFixture {
  TTestGroupBox* MakeBox(TvxCaptionAlignment A, const wchar_t* ACaption) {
    auto* b = TvxContainer::Create<TTestGroupBox>(Form);
    b->SetBounds(20, 20, 185, 105);
    b->SetAlignment(A);
    b->SetCaption(ACaption);
    b->Style()->SetBorderStyle(cbsSingle);
    b->Style()->SetBorderColor(clBlack);
    b->Style()->SetColor(clWhite);
    b->SetParent(Form);
    b->HandleNeeded();
    b->Repaint();
    Pump(40);
    return b;
  }
};

TEST_F(GroupBoxTest, PropertiesKeepTheirLimits) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"Box");
  EXPECT_FALSE(box->TabStop());
  EXPECT_EQ(box->Width(), 185);
  box->PanelStyle()->SetCaptionIndent(0);
  EXPECT_EQ(box->PanelStyle()->CaptionIndent(), 2);
  TvxPanelStyle other(nullptr);
  other.SetActive(true);
  other.SetCaptionIndent(9);
  other.SetWordWrap(true);
  other.SetOfficeBackgroundKind(pobkGradient);
  other.SetBorderWidth(5);
  box->SetPanelStyle(&other);
  EXPECT_TRUE(box->PanelStyle()->Active());
  EXPECT_EQ(box->PanelStyle()->CaptionIndent(), 9);
  EXPECT_TRUE(box->PanelStyle()->WordWrap());
  EXPECT_EQ(box->PanelStyle()->OfficeBackgroundKind(), pobkGradient);
  EXPECT_EQ(box->PanelStyle()->BorderWidth(), 0) << "BorderWidth is not assigned";
}

TEST_F(GroupBoxTest, CaptionFontTurnsOnlyForSideCaptions) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"Box");
  const struct { TvxCaptionAlignment A; int Escapement; } cases[] = {
      {alLeftCenter, 900}, {alRightTop, 2700}, {alBottomCenter, 0}, {alLeftBottom, 900}, {alTopRight, 0}};
  for (const auto& c : cases) {
    box->SetAlignment(c.A);
    LOGFONTW lf{};
    GetObjectW(box->CaptionFont()->Handle(), sizeof lf, &lf);
    EXPECT_EQ(lf.lfEscapement, c.Escapement) << int(c.A);
  }
  // Under the panel style the caption lies flat on every side.
  box->PanelStyle()->SetActive(true);
  box->SetAlignment(alLeftTop);
  EXPECT_FALSE(box->IsVerticalCaption());
  LOGFONTW lf{};
  GetObjectW(box->CaptionFont()->Handle(), sizeof lf, &lf);
  EXPECT_EQ(lf.lfEscapement, 0);
}

TEST_F(GroupBoxTest, TurnedCaptionDropsAcceleratorMarkers) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"&Save && Go");
  EXPECT_EQ(box->VisibleCaption(), L"&Save && Go");
  box->SetAlignment(alLeftTop);
  EXPECT_EQ(box->VisibleCaption(), L"Save & Go");
}

// The frame line runs along the caption side half a line in, and the caption is cut out of it.
TEST_F(GroupBoxTest, FrameAndCaptionOnEachSide) {
  for (TvxCaptionAlignment a : {alTopLeft, alBottomRight, alLeftTop, alRightBottom}) {
    TTestGroupBox* box = MakeBox(a, L"WWWWWW");
    const TRect frame = box->FrameRect();
    const TRect cap = box->CaptionRect();
    TWindowPixels px(box->Handle());
    const TvxGroupBoxCaptionPosition p = box->CaptionPosition();
    const bool horizontal = p == vxgpTop || p == vxgpBottom;
    const int line = p == vxgpTop ? frame.top : p == vxgpBottom ? frame.bottom - 1 : p == vxgpLeft ? frame.left
                                                                                                    : frame.right - 1;
    // Along the caption side: the frame is drawn outside the caption and not inside it.
    int onLine = 0, total = 0, gapInk = 0;
    if (horizontal) {
      for (int x = frame.left + 2; x < frame.right - 2; ++x) {
        if (x >= cap.left && x < cap.right) continue;
        ++total;
        onLine += px.At(x, line) == RGB(0, 0, 0);
      }
    } else {
      for (int y = frame.top + 2; y < frame.bottom - 2; ++y) {
        if (y >= cap.top && y < cap.bottom) continue;
        ++total;
        onLine += px.At(line, y) == RGB(0, 0, 0);
      }
    }
    EXPECT_EQ(onLine, total) << "frame line of alignment " << int(a);
    // The caption's text is inked inside its rectangle, and nothing is inked in the middle.
    gapInk = DarkIn(px, cap);
    EXPECT_GT(gapInk, 20) << "caption of alignment " << int(a);
    EXPECT_EQ(DarkIn(px, TRect{60, 40, 120, 60}), 0) << int(a);
    // A turned caption is taller than wide.
    if (!horizontal) {
      EXPECT_GT(cap.bottom - cap.top, cap.right - cap.left);
    }
    delete box;
  }
}

TEST_F(GroupBoxTest, AcceleratorFocusesTheFirstChild) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"&Options");
  TEdit* edit = Add<TEdit>(box, RECT{10, 30, 120, 52});
  EXPECT_EQ(box->Perform(CM_DIALOGCHAR, L'X', 0), 0) << "another key is not the caption's";
  EXPECT_FALSE(edit->Focused());
  EXPECT_EQ(box->Perform(CM_DIALOGCHAR, L'O', 0), 1);
  EXPECT_TRUE(edit->Focused());
}

TEST_F(GroupBoxTest, ClientAreaLeavesRoomForTheCaption) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"Box");
  RECT r{};
  box->AdjustClientRect(r);
  EXPECT_GT(r.top, 10) << "below the caption line";
  EXPECT_LT(r.left, 4);
  box->SetAlignment(alLeftCenter);
  box->AdjustClientRect(r);
  EXPECT_GT(r.left, 10);
  EXPECT_LT(r.top, 4);
  box->PanelStyle()->SetActive(true);
  box->PanelStyle()->SetBorderWidth(6);
  box->AdjustClientRect(r);
  EXPECT_GE(r.left, 6);
  EXPECT_LT(r.left, 10) << "the panel style has no caption gap";
}

TEST_F(GroupBoxTest, PanelCaptionIsIndentedInsideTheContent) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"Panel");
  box->PanelStyle()->SetActive(true);
  box->PanelStyle()->SetCaptionIndent(10);
  box->Repaint();
  Pump(40);
  TWindowPixels px(box->Handle());
  // Frame of 1 pixel, then 10 pixels of indent with no ink; the caption ink starts after.
  EXPECT_EQ(DarkIn(px, TRect{2, 2, 11, 30}), 0);
  EXPECT_GT(DarkIn(px, TRect{11, 11, 60, 30}), 10);
  box->SetAlignment(alBottomRight);
  box->Repaint();
  Pump(40);
  TWindowPixels px2(box->Handle());
  EXPECT_EQ(DarkIn(px2, TRect{2, 2, 183, 60}), 0) << "caption moved to the bottom right";
  EXPECT_GT(DarkIn(px2, TRect{100, 60, 174, 94}), 10);
}

// The native style draws the frame with the system theme's group box part; the caption
// stays cut out of it.
TEST_F(GroupBoxTest, NativeFrameIsTheThemesGroupBox) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"Native");
  HTHEME theme = vdOpenThemeByType(totButton);
  ASSERT_NE(nullptr, theme) << "the button theme is needed";
  box->Style()->LookAndFeel()->SetNativeStyle(true);
  box->Repaint();
  Pump(40);
  ASSERT_TRUE(TvxCustomEditViewData::IsNativeStyle(box->Style()->LookAndFeel()));
  const TRect frame = box->FrameRect(), cap = box->CaptionRect();
  TWindowPixels px(box->Handle());
  // The theme's own drawing of the part over the same rectangle, on the box's background.
  TBitmap direct(px.W, px.H);
  direct.Canvas()->Brush()->SetColor(clWhite);
  direct.Canvas()->FillRect(RECT{0, 0, px.W, px.H});
  RECT r{frame.left, frame.top, frame.right, frame.bottom};
  vdUxTheme::DrawThemeBackground(theme, direct.Canvas()->Handle(), 4, 1, &r, nullptr);
  int differ = 0, checked = 0;
  for (int y = frame.top + 4; y < frame.bottom - 4; ++y)
    for (int x : {frame.left, frame.left + 1, frame.right - 2, frame.right - 1}) {
      ++checked;
      differ += px.At(x, y) != (direct.Canvas()->Pixel(x, y) & 0xFFFFFF);
    }
  EXPECT_EQ(0, differ) << "of " << checked << " side pixels";
  // The frame's top line under the caption is not drawn, beside it it is.
  int underCaption = 0, besideCaption = 0;
  for (int x = cap.left + 2; x < cap.right - 2; ++x)
    underCaption += px.At(x, frame.top) == (direct.Canvas()->Pixel(x, frame.top) & 0xFFFFFF) &&
                    px.At(x, frame.top) != RGB(255, 255, 255);
  for (int x = cap.right + 4; x < frame.right - 8; ++x)
    besideCaption += px.At(x, frame.top) == (direct.Canvas()->Pixel(x, frame.top) & 0xFFFFFF);
  EXPECT_EQ(0, underCaption);
  EXPECT_EQ(frame.right - 8 - cap.right - 4, besideCaption);
  // Disabled, the theme's disabled part is drawn.
  box->SetEnabled(false);
  box->Repaint();
  Pump(40);
  TWindowPixels off(box->Handle());
  vdUxTheme::DrawThemeBackground(theme, direct.Canvas()->Handle(), 4, 2, &r, nullptr);
  const int y = (frame.top + frame.bottom) / 2;
  EXPECT_EQ(direct.Canvas()->Pixel(frame.left, y) & 0xFFFFFF, off.At(frame.left, y));
}

// An active panel under the Office 2003 look paints the background its kind asks for.
TEST_F(GroupBoxTest, OfficePanelBackgroundFollowsItsKind) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"");
  box->Style()->SetBorderStyle(cbsNone);
  box->Style()->LookAndFeel()->SetKind(lfOffice11);
  box->PanelStyle()->SetActive(true);
  const COLORREF a = ColorToRGB(vdOffice11GradientColor1), b = ColorToRGB(vdOffice11GradientColor2);
  const COLORREF blend =
      RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2, (GetBValue(a) + GetBValue(b)) / 2);
  auto similar = [](COLORREF x, COLORREF y) {
    return std::abs(int(GetRValue(x)) - GetRValue(y)) <= 8 && std::abs(int(GetGValue(x)) - GetGValue(y)) <= 8 &&
           std::abs(int(GetBValue(x)) - GetBValue(y)) <= 8;
  };
  struct Case {
    TvxPanelOffice11BackgroundKind Kind;
    COLORREF Top, Bottom;
  } cases[] = {{pobkStyleColor, RGB(255, 255, 255), RGB(255, 255, 255)},
               {pobkOffice11Color, blend, blend},
               {pobkGradient, a, b}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.Kind));
    box->PanelStyle()->SetOfficeBackgroundKind(c.Kind);
    box->Repaint();
    Pump(40);
    TWindowPixels px(box->Handle());
    EXPECT_TRUE(similar(c.Top, px.At(px.W / 2, 1))) << std::hex << px.At(px.W / 2, 1);
    EXPECT_TRUE(similar(c.Bottom, px.At(px.W / 2, px.H - 5))) << std::hex << px.At(px.W / 2, px.H - 5);
  }
  // Without the Office look the kind does not matter: the style colour.
  box->Style()->LookAndFeel()->SetKind(lfStandard);
  box->Repaint();
  Pump(40);
  TWindowPixels px(box->Handle());
  EXPECT_EQ(RGB(255, 255, 255), px.At(px.W / 2, px.H / 2));
}

struct ButtonGroupTest : TFormFixture {
  TTestButtonGroup* Group = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Group = TvxContainer::Create<TTestButtonGroup>(Form);
    Group->SetBounds(10, 10, 240, 120);
    Group->SetCaption(L"Group");
    Group->SetParent(Form);
    Group->HandleNeeded();
    Pump(40);
  }
  void AddItems(std::initializer_list<const wchar_t*> ACaptions) {
    for (const wchar_t* c : ACaptions) Group->Properties()->Items()->Add()->SetCaption(c);
    Pump(40);
  }
  TvxRadioButton* Button(int I) { return static_cast<TvxRadioButton*>(Group->Buttons(I)); }
};

TEST_F(ButtonGroupTest, ButtonsFollowTheItems) {
  EXPECT_TRUE(Group->TabStop());
  EXPECT_EQ(Group->ButtonCount(), 0);
  Group->Properties()->SetColumns(0);
  EXPECT_EQ(Group->Properties()->Columns(), 1);
  Group->Properties()->SetColumns(3);
  AddItems({L"A", L"B", L"C", L"D"});
  ASSERT_EQ(Group->ButtonCount(), 4);
  EXPECT_EQ(Group->ColumnCount(), 2) << "4 items in 3 columns rebalance to 2 x 2";
  EXPECT_EQ(Group->RowCount(), 2);
  // Column by column: A and B in the first column, C and D in the second.
  EXPECT_EQ(Button(0)->Left(), Button(1)->Left());
  EXPECT_LT(Button(0)->Top(), Button(1)->Top());
  EXPECT_EQ(Button(2)->Top(), Button(0)->Top());
  EXPECT_GT(Button(2)->Left(), Button(0)->Left() + 50);
  EXPECT_GT(Button(0)->Top(), 10) << "below the caption";
  EXPECT_EQ(Button(3)->Caption(), L"D");
  // Deleting an item frees its own button; the others keep their captions.
  delete Group->Properties()->Items()->Items(1);
  Pump(20);
  ASSERT_EQ(Group->ButtonCount(), 3);
  EXPECT_EQ(Button(0)->Caption(), L"A");
  EXPECT_EQ(Button(1)->Caption(), L"C");
  EXPECT_EQ(Button(2)->Caption(), L"D");
  // A disabled item disables its button only.
  Group->Properties()->Items()->Items(2)->SetEnabled(false);
  EXPECT_FALSE(Button(2)->Enabled());
  EXPECT_TRUE(Button(1)->Enabled());
  Group->Properties()->Items()->Clear();
  EXPECT_EQ(Group->ButtonCount(), 0);
  EXPECT_FALSE(Group->Properties()->GetSupportedOperations().Contains(esoHotTrack)) << "hot track needs items";
  std::unique_ptr<TvxCustomEditProperties> preview(Group->Properties()->CreatePreviewProperties());
  auto* p = static_cast<TvxCustomButtonGroupProperties*>(preview.get());
  ASSERT_EQ(p->Items()->Count(), 3);
  EXPECT_EQ(p->Items()->Items(2)->Caption(), L"C");
  EXPECT_EQ(p->GetColumnCount(), 3);
  EXPECT_TRUE(p->GetSupportedOperations().Contains(esoHotTrack));
}

TEST_F(ButtonGroupTest, MouseChecksOneButton) {
  AddItems({L"One", L"Two", L"Three"});
  int clicks = 0;
  Button(1)->OnClick = [&](TObject*) { ++clicks; };
  ClickAt(Button(1), 10, Button(1)->Height() / 2);
  EXPECT_TRUE(Button(1)->Checked());
  EXPECT_EQ(clicks, 1);
  ClickAt(Button(2), 10, Button(2)->Height() / 2);
  EXPECT_TRUE(Button(2)->Checked());
  EXPECT_FALSE(Button(1)->Checked()) << "one checked button among siblings";
  // The glyph of the checked button carries its dot; the unchecked one is hollow.
  Group->Repaint();
  Pump(40);
  auto dot = [&](TvxRadioButton* B) {
    TWindowPixels px(B->Handle());
    const TRect g = B->ButtonRect();
    return DarkIn(px, TRect{g.left + 4, g.top + 4, g.right - 4, g.bottom - 4});
  };
  EXPECT_GT(dot(Button(2)), 0);
  EXPECT_EQ(dot(Button(1)), 0);
}

TEST_F(ButtonGroupTest, ArrowKeysMoveThroughTheGrid) {
  Group->Properties()->SetColumns(2);
  AddItems({L"1", L"2", L"3", L"4", L"5"});  // 3 rows: 1 2 3 | 4 5
  ClickAt(Button(0), 10, Button(0)->Height() / 2);
  ASSERT_TRUE(Button(0)->Focused());
  struct Step { WORD Key; int Focus; };
  // Up from the top row and Right from the last column stay put; Down stops at the column's end.
  const Step steps[] = {{VK_UP, 0},   {VK_RIGHT, 3}, {VK_DOWN, 4}, {VK_DOWN, 4},
                        {VK_RIGHT, 4}, {VK_LEFT, 1},  {VK_DOWN, 2}, {VK_LEFT, 2}};
  for (const Step& s : steps) {
    SendKey(s.Key, false);
    SendKey(s.Key, true);
    Pump(40);
    EXPECT_TRUE(Button(s.Focus)->Focused()) << "key " << s.Key << " should reach " << s.Focus;
    EXPECT_TRUE(Button(s.Focus)->Checked()) << "focus moved by key checks the button";
  }
}

TEST_F(ButtonGroupTest, SpaceChecksTheFocusedButton) {
  AddItems({L"1", L"2"});
  Button(1)->SetFocus();
  Pump(20);
  Button(0)->SetChecked(true);
  ASSERT_TRUE(Button(1)->Focused());
  SendKey(VK_SPACE, false);
  SendKey(VK_SPACE, true);
  Pump(40);
  EXPECT_TRUE(Button(1)->Checked());
  EXPECT_FALSE(Button(0)->Checked());
}

TEST_F(ButtonGroupTest, HotAndPressedStatesFollowTheMouse) {
  AddItems({L"1", L"2"});
  TvxRadioButton* b = Button(0);
  MoveMouse(ScreenPoint(b, 8, b->Height() / 2));
  MoveMouse(ScreenPoint(b, 10, b->Height() / 2));
  EXPECT_EQ(b->State(), rbsHot);
  // Pressed while inside; dragged outside with the capture it shows hot, not normal.
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  Pump(40);
  EXPECT_EQ(b->State(), rbsPressed);
  MoveMouse(ScreenPoint(b, b->Width() + 30, b->Height() + 30));
  EXPECT_EQ(b->State(), rbsHot);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(60);
  EXPECT_EQ(b->State(), rbsNormal);
  // A disabled button never becomes hot.
  b->SetEnabled(false);
  MoveMouse(ScreenPoint(b, 8, b->Height() / 2));
  EXPECT_EQ(b->State(), rbsDisabled);
}

TEST_F(ButtonGroupTest, PopupMenuTakesOnlyMenus) {
  AddItems({L"1"});
  TvxRadioButton* b = Button(0);
  TComponent other(nullptr);
  b->SetPopupMenu(&other);
  EXPECT_EQ(b->PopupMenu(), nullptr);
  auto* menu = new TPopupMenu(Form);
  b->SetPopupMenu(menu);
  EXPECT_EQ(b->PopupMenu(), menu);
  delete menu;
  EXPECT_EQ(b->PopupMenu(), nullptr) << "cleared when the menu is freed";
}

// A skin that paints each group box part in its own colour.
class TGroupSkinPainter : public TvxCustomLookAndFeelPainter {
  DECLARE_CLASS(TGroupSkinPainter, TvxCustomLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance() {
    static const TGroupSkinPainter instance;
    return &instance;
  }
  void DrawGroupBoxContent(TvxCanvas* C, TRect& R, TvxGroupBoxCaptionPosition, TvxBorders) const override {
    C->FillRect(R, TColor(RGB(0, 160, 0)));
  }
  void DrawGroupBoxCaption(TvxCanvas* C, TRect& R, TvxGroupBoxCaptionPosition) const override {
    C->FillRect(R, TColor(RGB(0, 0, 160)));
  }
  TRect GroupBoxBorderSize(bool ACaption, TvxGroupBoxCaptionPosition) const override {
    return ACaption ? TRect{4, 0, 4, 0} : TRect{2, 2, 2, 2};
  }
  TColor GroupBoxTextColor(bool, TvxGroupBoxCaptionPosition) const override { return clWhite; }
};

struct GroupBoxSkinTest : GroupBoxTest {
  void SetUp() override {
    GroupBoxTest::SetUp();
    ASSERT_TRUE(vxGlobalExtendedStylePainters()->Register(L"GroupTest", TGroupSkinPainter::Instance(), nullptr));
  }
  void TearDown() override {
    vxGlobalExtendedStylePainters()->Unregister(L"GroupTest");
    GroupBoxTest::TearDown();
  }
  static COLORREF WindowPixel(HWND W, int X, int Y) {
    HDC dc = GetWindowDC(W);
    const COLORREF c = GetPixel(dc, X, Y);
    ReleaseDC(W, dc);
    return c;
  }
  static int CountIn(HWND W, const TRect& R, COLORREF C) {
    HDC dc = GetWindowDC(W);
    int n = 0;
    for (int y = R.top; y < R.bottom; ++y)
      for (int x = R.left; x < R.right; ++x) n += GetPixel(dc, x, y) == C;
    ReleaseDC(W, dc);
    return n;
  }
};

// With a skin the caption moves into a strip outside the client area, as deep as the caption
// (or as the measuring event says); the skin paints content and caption, the text in its colour.
TEST_F(GroupBoxSkinTest, SkinCaptionLeavesTheClientArea) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"Skin caption");
  const Integer plainClient = box->ClientHeight();
  EXPECT_EQ(plainClient, box->Height());
  RECT plain{};
  box->AdjustClientRect(plain);
  box->Style()->LookAndFeel()->SetSkinName(L"GroupTest");
  Pump(60);
  ASSERT_TRUE(box->HasNonClientCaption());
  const Integer depth = box->SkinCaptionDepth();
  EXPECT_GT(depth, 8);
  EXPECT_EQ(box->ClientHeight(), box->Height() - depth);
  EXPECT_EQ(box->ClientWidth(), box->Width());
  box->Repaint();
  RedrawWindow(box->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  Pump(40);
  HWND w = box->Handle();
  // The strip: the skin's caption colour with white text in it; below it the skin's content.
  EXPECT_EQ(WindowPixel(w, box->Width() - 3, 1), RGB(0, 0, 160));
  EXPECT_GT(CountIn(w, TRect{0, 0, box->Width(), depth}, RGB(255, 255, 255)), 20);
  EXPECT_EQ(WindowPixel(w, box->Width() / 2, depth + box->ClientHeight() / 2), RGB(0, 160, 0));
  // Children stay inside the skin's borders, with no caption line left at the top.
  RECT client{};
  box->AdjustClientRect(client);
  EXPECT_EQ(client.left, plain.left + 2);
  EXPECT_EQ(client.top, client.left);

  // The measuring event sets the depth.
  box->OnMeasureCaptionHeight = [](TObject*, TvxCustomLookAndFeelPainterClass P, Integer& H) {
    EXPECT_EQ(P, TGroupSkinPainter::Instance());
    H = 30;
  };
  box->UpdateLayout();
  Pump(60);
  EXPECT_EQ(box->ClientHeight(), box->Height() - 30);
  box->OnMeasureCaptionHeight = nullptr;

  // A bottom caption takes the strip at the bottom.
  box->SetAlignment(alBottomRight);
  Pump(60);
  EXPECT_EQ(box->ClientHeight(), box->Height() - box->SkinCaptionDepth());
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  RECT wr;
  GetWindowRect(w, &wr);
  EXPECT_EQ(origin.y, wr.top) << "the client area starts at the top";

  // A centred caption stays inside: the whole window is client, the caption painted there.
  box->SetAlignment(alCenterCenter);
  Pump(60);
  EXPECT_FALSE(box->HasNonClientCaption());
  EXPECT_EQ(box->ClientHeight(), box->Height());
  box->Repaint();
  Pump(20);
  TWindowPixels px(w);
  const TRect cap = box->CaptionRect();
  EXPECT_EQ(px.At(cap.left + 1, cap.top + 1), RGB(0, 0, 160));
  EXPECT_EQ(px.At(2, 2), RGB(0, 160, 0));

  // Without the skin the client area is the window again.
  box->SetAlignment(alTopLeft);
  box->Style()->LookAndFeel()->SetSkinName(L"");
  Pump(60);
  EXPECT_FALSE(box->HasNonClientCaption());
  EXPECT_EQ(box->ClientHeight(), box->Height());
  delete box;
}

// A button group never moves its caption out of the client area; the skin paints it inside.
TEST_F(GroupBoxSkinTest, ButtonGroupKeepsItsCaptionInside) {
  auto* g = TvxContainer::Create<TTestButtonGroup>(Form);
  g->SetBounds(10, 10, 200, 100);
  g->SetCaption(L"Group");
  g->Style()->LookAndFeel()->SetSkinName(L"GroupTest");
  g->SetParent(Form);
  g->HandleNeeded();
  Pump(60);
  EXPECT_FALSE(g->HasNonClientCaption());
  EXPECT_EQ(g->ClientHeight(), g->Height());
  g->Repaint();
  Pump(20);
  TWindowPixels px(g->Handle());
  const TRect cap = g->CaptionRect();
  EXPECT_EQ(px.At(cap.left + 1, cap.top + 1), RGB(0, 0, 160));
  int white = 0;
  for (int y = cap.top; y < cap.bottom; ++y)
    for (int x = cap.left; x < cap.right; ++x) white += px.At(x, y) == RGB(255, 255, 255);
  EXPECT_GT(white, 10);
  delete g;
}

// A group box as reviewed by eye: a top caption cut into a single frame, and the panel style
// with its caption at the bottom right.
TEST_F(GroupBoxTest, ReferenceImages) {
  TTestGroupBox* box = MakeBox(alTopLeft, L"Options");
  box->SetBounds(20, 20, 120, 60);
  box->Repaint();
  Pump(20);
  ExpectMatchesImage(L"group_box_top_left", TWindowPixels(box->Handle()));
  box->SetAlignment(alBottomRight);
  box->PanelStyle()->SetActive(true);
  box->Repaint();
  Pump(20);
  ExpectMatchesImage(L"group_box_panel_bottom_right", TWindowPixels(box->Handle()));
  delete box;
}

}  // namespace

}  // namespace ZS_UNITY_ID
