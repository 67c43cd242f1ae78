// The push button on real windows: glyph cells, layout, colours per state, speed-button
// groups, drop-down kinds, and every kind in two looks read back as pixels.
#include <gtest/gtest.h>

#include "StdReferenceImage.h"
#include "../../core/tests/SuiteControlTestSupport.h"
#include "ActnList.h"
#include "Streaming.h"
#include "vxButtons.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// A strip of NumGlyphs 12 x 12 cells on a fuchsia (transparent) ground: red, grey, blue, green.
std::unique_ptr<TBitmap> GlyphStrip(int Cells, int Size = 12) {
  auto b = std::make_unique<TBitmap>(Size * Cells, Size);
  const TColor colors[] = {clRed, clGray, clBlue, clLime};
  b->Canvas()->Brush()->SetColor(clFuchsia);
  RECT all{0, 0, Size * Cells, Size};
  b->Canvas()->FillRect(all);
  for (int i = 0; i < Cells; ++i) {
    b->Canvas()->Brush()->SetColor(colors[i % 4]);
    RECT r{i * Size + 2, 2, i * Size + Size - 2, Size - 2};
    b->Canvas()->FillRect(r);
  }
  return b;
}

struct ButtonTest : TFormFixture {
  // The cursor leaves the screen's corner free for the next test's windows.
  void TearDown() override {
    MoveMouse(POINT{0, 0});
    TFormFixture::TearDown();
  }
  TvxButton* Make(int X, int Y, const wchar_t* Caption, int W = 75, int H = 25) {
    auto* b = new TvxButton(Form);
    b->SetBounds(X, Y, W, H);
    b->SetCaption(Caption);
    b->SetParent(Form);
    b->HandleNeeded();
    return b;
  }
  // Counts the pixels of the colour inside the button.
  int Count(TvxButton* B, COLORREF C) {
    B->Repaint();
    Pump(20);
    TWindowPixels px(B->Handle());
    int n = 0;
    for (int y = 0; y < px.H; ++y)
      for (int x = 0; x < px.W; ++x) n += px.At(x, y) == C;
    return n;
  }
};

}  // namespace

TEST(ButtonGlyph, CellCountFollowsTheStripShapeAndIsClamped) {
  struct Case { int W, H, Num; } cases[] = {{64, 16, 4}, {80, 16, 1}, {50, 16, 1}, {32, 16, 2}, {48, 16, 3}, {16, 16, 1}};
  TvxButtonGlyph g;
  for (const Case& c : cases) {
    TBitmap b(c.W, c.H);
    g.SetGlyph(&b);
    EXPECT_EQ(c.Num, g.NumGlyphs()) << c.W << "x" << c.H;
  }
  g.SetNumGlyphs(0);
  EXPECT_EQ(1, g.NumGlyphs());
  g.SetNumGlyphs(7);
  EXPECT_EQ(4, g.NumGlyphs());
  g.SetNumGlyphs(2);
  // With two cells the pressed look shows cell 0 and the disabled look cell 1.
  EXPECT_EQ(0, g.StateCell(vxbsPressed));
  EXPECT_EQ(1, g.StateCell(vxbsDisabled));
  g.SetNumGlyphs(3);
  EXPECT_EQ(2, g.StateCell(vxbsPressed));
}

TEST(ButtonGlyph, LayoutPlacesGlyphAndCaptionByMarginAndSpacing) {
  TvxButtonGlyph g;
  auto strip = GlyphStrip(1, 16);
  g.SetGlyph(strip.get());
  TBitmap canvasOwner(1, 1);
  TCanvas* c = canvasOwner.Canvas();
  const TRect client{0, 0, 100, 30};
  TPoint gp;
  TRect tr;
  g.CalcLayout(client, L"Go", c, blGlyphLeft, 5, 4, bpsDefault, false, {0, 0}, gp, tr);
  EXPECT_EQ(5, gp.x);
  EXPECT_EQ(7, gp.y);  // (30 - 16) / 2
  EXPECT_EQ(5 + 16 + 4, tr.left);
  g.CalcLayout(client, L"Go", c, blGlyphRight, 5, 4, bpsDefault, false, {1, 1}, gp, tr);
  EXPECT_EQ(100 - 5 - 16 + 1, gp.x);
  EXPECT_EQ(gp.x - 4, tr.right);
  // Margin -1 centres the pair; glyph only drops the caption's space.
  g.CalcLayout(client, L"", c, blGlyphLeft, -1, 4, bpsDefault, false, {0, 0}, gp, tr);
  EXPECT_EQ((100 - 16) / 2, gp.x);
  g.CalcLayout(client, L"Go", c, blGlyphTop, 2, 3, bpsDefault, false, {0, 0}, gp, tr);
  EXPECT_EQ(2, gp.y);
  EXPECT_EQ(2 + 16 + 3, tr.top);
  EXPECT_EQ((100 - 16) / 2, gp.x);
}

TEST_F(ButtonTest, PropertiesClampOrIgnoreValuesOutOfRange) {
  TvxButton* b = Make(10, 10, L"A");
  b->SetMargin(3);
  b->SetMargin(-2);
  EXPECT_EQ(3, b->Margin());
  b->SetDown(true);  // no group: stays up
  EXPECT_FALSE(b->Down());
  b->Colors()->SetColor(vxbcNormal, clRed);
  EXPECT_TRUE(b->Colors()->AssignedColors().Contains(vxbcNormal));
  b->Colors()->SetColor(vxbcDefault, clYellow);
  EXPECT_EQ(clRed, b->Colors()->BackgroundFor(vxbsNormal));
  EXPECT_EQ(clRed, b->Colors()->BackgroundFor(vxbsHot));
  b->Colors()->SetColor(vxbcNormal, clNone);
  EXPECT_FALSE(b->Colors()->AssignedColors().Contains(vxbcNormal));
  EXPECT_EQ(clYellow, b->Colors()->BackgroundFor(vxbsNormal));  // unassigned Normal falls back to Default
  EXPECT_EQ(clDefault, b->Colors()->BackgroundFor(vxbsHot));
  // Empty caption: the width of " " plus three "R"s.
  TvxScreenCanvas sc;
  sc.Font()->Assign(b->Font());
  b->SetCaption(L"");
  EXPECT_EQ(sc.TextWidth(L" ") + 3 * sc.TextWidth(L"R"), b->GetOptimalSize().cx);
}

TEST_F(ButtonTest, SpeedButtonGroupKeepsAtMostOneDown) {
  TvxButton* a = Make(10, 10, L"A");
  TvxButton* b = Make(90, 10, L"B");
  for (TvxButton* x : {a, b}) {
    x->SetCanBeFocused(false);
    x->SetGroupIndex(1);
  }
  a->SetDown(true);
  EXPECT_TRUE(a->Down());
  b->SetDown(true);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  b->SetDown(false);  // only another button releases it
  EXPECT_TRUE(b->Down());
  // The group shares its options: AllowAllUp set on one reaches the other.
  a->SetAllowAllUp(true);
  EXPECT_TRUE(b->AllowAllUp());
  // A click on a down button releases it now (the cursor comes from outside, as a user's does).
  MoveMouse(POINT{0, 0});
  Pump(20);
  ClickAt(b, 20, 12);
  EXPECT_FALSE(b->Down());
  MoveMouse(POINT{0, 0});
  Pump(20);
  ClickAt(a, 20, 12);
  EXPECT_TRUE(a->Down());
  // Group index 0 puts it up.
  a->SetGroupIndex(0);
  EXPECT_FALSE(a->Down());
}

// Enabling and disabling a shown button reaches its window: a disabled button takes no
// click, and one enabled again does.
TEST_F(ButtonTest, EnabledFollowsOnTheWindowAndDecidesClicks) {
  TvxButton* b = Make(10, 10, L"Go");
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  for (bool enabled : {false, true}) {
    SCOPED_TRACE(enabled);
    b->SetEnabled(enabled);
    EXPECT_EQ(IsWindowEnabled(b->Handle()) != 0, enabled);
    ClickAt(b, 20, 12);
    Pump(20);
    EXPECT_EQ(clicks, enabled ? 1 : 0);
  }
}

TEST_F(ButtonTest, DropDownKindNeverClicksAndArrowPartOpensTheMenu) {
  TvxButton* d = Make(10, 10, L"Menu", 90);
  int clicks = 0, asked = 0;
  d->OnClick = [&](TObject*) { ++clicks; };
  d->OnDropDownMenuPopup = [&](TObject*, TPopupMenu*&, bool& handled) { ++asked; handled = true; };
  d->SetKind(vxbkDropDown);
  d->HandleNeeded();
  ClickAt(d, 30, 12);
  Pump(40);
  EXPECT_EQ(0, clicks);
  EXPECT_EQ(1, asked);  // the menu was asked for (the handler took it)
  d->SetKind(vxbkDropDownButton);
  d->HandleNeeded();
  ClickAt(d, 30, 12);  // the face clicks
  EXPECT_EQ(1, clicks);
  ClickAt(d, 85, 12);  // the arrow opens, no click
  Pump(40);
  EXPECT_EQ(1, clicks);
  EXPECT_EQ(2, asked);
  const TRect part = d->DropDownPart();
  EXPECT_EQ(75, part.left);
  EXPECT_EQ(90, part.right);
}

TEST_F(ButtonTest, FaceColourFollowsStateAndAssignedColours) {
  TvxButton* b = Make(10, 10, L"", 60, 24);
  b->SetCanBeFocused(false);
  b->SetGroupIndex(2);
  b->Colors()->SetColor(vxbcNormal, clRed);
  b->Colors()->SetColor(vxbcPressed, clBlue);
  EXPECT_GT(Count(b, RGB(255, 0, 0)), 500);
  b->SetDown(true);
  EXPECT_GT(Count(b, RGB(0, 0, 255)), 500);
  EXPECT_EQ(vxbsPressed, b->GetPaintState());
  EXPECT_EQ(0, Count(b, RGB(255, 0, 0)));
  b->SetDown(false);
  b->SetDown(true);  // own group of one without AllowAllUp: stays down
  b->SetEnabled(false);
  EXPECT_EQ(vxbsDisabled, b->GetPaintState());
}

TEST_F(ButtonTest, GlyphCellsByStateOnScreen) {
  TvxButton* b = Make(10, 10, L"", 40, 30);
  auto strip = GlyphStrip(3);
  b->SetGlyph(strip.get());
  EXPECT_EQ(3, b->NumGlyphs());
  b->SetCanBeFocused(false);
  b->SetGroupIndex(3);
  EXPECT_GT(Count(b, RGB(255, 0, 0)), 30);
  EXPECT_EQ(0, Count(b, RGB(255, 0, 255)));  // the transparent colour never shows
  b->SetDown(true);
  EXPECT_GT(Count(b, RGB(0, 0, 255)), 30);  // pressed cell
  b->SetEnabled(false);
  EXPECT_GT(Count(b, RGB(128, 128, 128)), 30);  // disabled cell
  // One cell: the disabled look is made from it in grey, no red left.
  auto one = GlyphStrip(1);
  b->SetGlyph(one.get());
  EXPECT_EQ(0, Count(b, RGB(255, 0, 0)));
}

// Every kind, in two looks and in every state, as the screen shows them.
TEST_F(ButtonTest, KindsLooksAndStatesMatchReference) {
  Form->SetClientWidth(5 * 80 + 10);
  Form->SetClientHeight(2 * 34 + 10);
  Form->SetColor(clBtnFace);
  auto strip = GlyphStrip(3);
  const TvxLookAndFeelKind looks[] = {lfStandard, lfFlat};
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 5; ++col) {
      TvxButton* b = Make(5 + col * 80, 5 + row * 34, L"OK", 76, 28);
      b->LookAndFeel()->SetKind(looks[row]);
      b->SetGlyph(strip.get());
      switch (col) {
        case 0: break;                                   // normal
        case 1: b->SetDefault(true); b->SetFocus(); break;  // default (focused)
        case 2: b->SetCanBeFocused(false); b->SetGroupIndex(9 + row); b->SetDown(true); break;  // pressed
        case 3: b->SetEnabled(false); break;             // disabled
        case 4: b->SetKind(vxbkDropDownButton); b->SetLayout(blGlyphRight); break;
      }
    }
  Form->Repaint();
  Pump(100);
  ExpectMatchesImage(L"buttons_kinds_looks_states", TWindowPixels(Form->Handle()));
}

TEST(ButtonGlyphCache, CellsAreSharedPerSizeReusedAndFreedWithTheirLastUser) {
  auto strip = GlyphStrip(3);
  {
    TvxButtonGlyph a, b;
    a.SetGlyph(strip.get());
    b.SetGlyph(strip.get());
    ASSERT_NE(vxGlyphCache(), nullptr);
    const Integer normal = a.CreateButtonGlyph(vxbsNormal);
    EXPECT_EQ(normal, a.CreateButtonGlyph(vxbsHot));  // normal and hot share cell 0, rendered once
    const Integer pressed = a.CreateButtonGlyph(vxbsPressed);
    const Integer other = b.CreateButtonGlyph(vxbsNormal);
    EXPECT_EQ(a.GlyphList(), b.GlyphList());  // one list per cell size
    EXPECT_EQ(3, a.GlyphList()->UsedCount());
    EXPECT_NE(normal, pressed);
    EXPECT_NE(other, pressed);
    // Another size gets its own list.
    auto big = GlyphStrip(1, 20);
    TvxButtonGlyph c;
    c.SetGlyph(big.get());
    c.CreateButtonGlyph(vxbsNormal);
    EXPECT_NE(c.GlyphList(), a.GlyphList());
    EXPECT_EQ(2, vxGlyphCache()->ListCount());
    // A changed glyph frees its cells; the next cell placed takes a freed one.
    TvxGlyphList* list = a.GlyphList();
    const Integer images = list->Count();
    a.SetNumGlyphs(1);
    EXPECT_EQ(nullptr, a.GlyphList());
    EXPECT_EQ(1, list->UsedCount());
    const Integer again = a.CreateButtonGlyph(vxbsNormal);
    EXPECT_TRUE(again == normal || again == pressed);
    EXPECT_EQ(images, list->Count());
  }
  // The lists went with their last used cell, the cache with its last list.
  EXPECT_EQ(nullptr, vxGlyphCache());
}

TEST_F(ButtonTest, ActionGivesItsListImageToTheGlyphUntilTheLinkGoes) {
  auto* images = new TImageList(Form);
  images->SetWidth(12);
  images->SetHeight(12);
  auto green = GlyphStrip(4);  // cell 3 is lime
  TBitmap cell(12, 12);
  BitBlt(cell.Canvas()->Handle(), 0, 0, 12, 12, green->Canvas()->Handle(), 36, 0, SRCCOPY);
  images->AddMasked(&cell, clFuchsia);
  auto* list = new TActionList(Form);
  list->SetImages(images);
  auto* action = new TAction(Form);
  action->SetActionList(list);
  action->SetCaption(L"Go");
  int runs = 0;
  action->OnExecute = [&](TObject*) { ++runs; };
  TvxButton* b = Make(10, 10, L"", 60, 30);
  action->SetImageIndex(0);
  b->SetAction(action);
  EXPECT_EQ(images, b->GlyphObject()->ImageList());
  EXPECT_EQ(0, b->GlyphObject()->ImageIndex());
  EXPECT_EQ(L"Go", b->Caption());
  EXPECT_GT(Count(b, RGB(0, 255, 0)), 30);  // the list's image is the glyph
  ClickAt(b, 30, 15);
  EXPECT_EQ(1, runs);
  action->SetImageIndex(-1);
  EXPECT_EQ(-1, b->GlyphObject()->ImageIndex());
  EXPECT_EQ(0, Count(b, RGB(0, 255, 0)));
  action->SetImageIndex(0);
  b->SetAction(nullptr);  // the link goes, the button stays
  EXPECT_EQ(nullptr, b->GlyphObject()->ImageList());
  EXPECT_EQ(-1, b->GlyphObject()->ImageIndex());
}

TEST_F(ButtonTest, PopupMenuTakesOnlyMenusAndForgetsAFreedOne) {
  TvxButton* b = Make(10, 10, L"A");
  auto* other = new TComponent(Form);
  b->SetPopupMenu(other);
  EXPECT_EQ(nullptr, b->PopupMenu());
  auto* menu = new TPopupMenu(Form);
  b->SetPopupMenu(menu);
  EXPECT_EQ(menu, b->PopupMenu());
  auto* drop = new TPopupMenu(Form);
  b->SetDropDownMenu(drop);
  delete menu;
  delete drop;
  EXPECT_EQ(nullptr, b->PopupMenu());
  EXPECT_EQ(nullptr, b->DropDownMenu());
}

TEST_F(ButtonTest, PublishedPropertiesAreWrittenAndReadBack) {
  TvxButton* b = Make(10, 10, L"Save", 80, 26);
  b->SetName(L"Button1");
  b->SetKind(vxbkDropDownButton);
  b->SetLayout(blGlyphTop);
  b->SetMargin(2);
  b->SetSpacing(6);
  b->SetPaintStyle(bpsCaption);
  b->SetCanBeFocused(false);
  b->SetGroupIndex(4);
  b->SetDown(true);
  b->Colors()->SetColor(vxbcHot, clYellow);
  auto strip = GlyphStrip(2);
  b->SetGlyph(strip.get());
  b->SetNumGlyphs(2);
  b->LookAndFeel()->SetKind(lfFlat);
  const String text = ComponentToText(b);
  EXPECT_NE(text.find(L"Kind = vxbkDropDownButton"), String::npos) << text;
  EXPECT_NE(text.find(L"Colors.Hot = clYellow"), String::npos) << text;
  EXPECT_EQ(text.find(L"Colors.Normal"), String::npos) << text;  // unassigned colours stay out
  EXPECT_EQ(text.find(L"  GroupIndex"), String::npos) << text;   // only through the options
  EXPECT_NE(text.find(L"SpeedButtonOptions.GroupIndex = 4"), String::npos) << text;

  TvxButton* copy = Make(10, 50, L"");
  TextToComponent(text, copy);
  EXPECT_EQ(L"Save", copy->Caption());
  EXPECT_EQ(vxbkDropDownButton, copy->Kind());
  EXPECT_EQ(blGlyphTop, copy->Layout());
  EXPECT_EQ(2, copy->Margin());
  EXPECT_EQ(6, copy->Spacing());
  EXPECT_EQ(bpsCaption, copy->PaintStyle());
  EXPECT_FALSE(copy->CanBeFocused());
  EXPECT_EQ(4, copy->GroupIndex());
  EXPECT_TRUE(copy->Down());
  EXPECT_EQ(clYellow, copy->Colors()->Color(vxbcHot));
  EXPECT_EQ(TvxButtonAssignedColors{vxbcHot}, copy->Colors()->AssignedColors());
  EXPECT_EQ(2, copy->NumGlyphs());
  EXPECT_EQ(lfFlat, copy->LookAndFeel()->Kind());
}

// A glyph strip is written in the form as its bitmap data and read back whole, with its cell
// count; a block whose byte count runs past its end is refused.
TEST(ButtonStreaming, GlyphIsWrittenAndReadBack) {
  std::unique_ptr<TvxButton> b(new TvxButton(nullptr));
  b->SetName(L"Button1");
  TBitmap strip(32, 16);
  strip.Canvas()->Brush()->SetColor(clRed);
  strip.Canvas()->FillRect(RECT{0, 0, 16, 16});
  strip.Canvas()->Brush()->SetColor(clBlue);
  strip.Canvas()->FillRect(RECT{16, 0, 32, 16});
  b->SetGlyph(&strip);
  ASSERT_EQ(b->NumGlyphs(), 2);
  const String text = ComponentToText(b.get());
  const size_t data = text.find(L"Glyph.Data = {");
  ASSERT_NE(data, String::npos) << text;
  EXPECT_NE(text.find(L"NumGlyphs = 2"), String::npos) << text;

  std::unique_ptr<TvxButton> copy(new TvxButton(nullptr));
  TextToComponent(text, copy.get());
  TBitmap* g = copy->Glyph();
  ASSERT_EQ(g->Width(), 32);
  ASSERT_EQ(g->Height(), 16);
  EXPECT_EQ(GetPixel(g->Canvas()->Handle(), 4, 4), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(g->Canvas()->Handle(), 20, 4), RGB(0, 0, 255));
  EXPECT_EQ(copy->NumGlyphs(), 2);

  // An empty glyph writes nothing.
  std::unique_ptr<TvxButton> plain(new TvxButton(nullptr));
  plain->SetName(L"Button2");
  EXPECT_EQ(ComponentToText(plain.get()).find(L"Glyph"), String::npos);

  // The first four bytes of the block count the bitmap file's bytes: claim far more.
  String crafted = text;
  const size_t hex = crafted.find_first_of(L"0123456789ABCDEF", data + 14);
  crafted.replace(hex, 8, L"FFFFFF7F");
  std::unique_ptr<TvxButton> bad(new TvxButton(nullptr));
  EXPECT_THROW(TextToComponent(crafted, bad.get()), EReadError);
  EXPECT_TRUE(bad->Glyph()->Empty());
}

}  // namespace ZS_UNITY_ID
