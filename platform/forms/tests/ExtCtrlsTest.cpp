#include <gtest/gtest.h>

#include <memory>

#include "ExtCtrls.h"
#include "FormsTestSupport.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

namespace {

struct ExtCtrlsTest : TFormTest {
  void SetUp() override {
    TFormTest::SetUp();
    Form->SetColor(clWhite);
  }
};

}  // namespace

// A panel's bevels take room from its client area; a splitter dragged with the mouse
// resizes the panel it follows.
TEST_F(ExtCtrlsTest, PanelBevelsAndSplitterDrag) {
  auto* left = new TPanel(Form);
  left->SetBevelInner(bvLowered);
  left->SetBevelWidth(2);
  left->SetColor(clLime);
  left->SetBounds(0, 0, 100, 200);
  left->SetAlign(alLeft);
  left->SetParent(Form);
  auto* inner = new TPanel(Form);
  inner->SetBevelOuter(bvNone);
  inner->SetColor(clRed);
  inner->SetAlign(alClient);
  inner->SetParent(left);
  auto* split = new TSplitter(Form);
  split->SetLeft(100);
  split->SetWidth(4);
  split->SetParent(Form);
  int moved = 0;
  split->OnMoved = [&](TObject*) { ++moved; };
  ShowForm();

  RECT b = inner->BoundsRect();
  EXPECT_EQ(4, b.left);  // two bevels of width 2
  EXPECT_EQ(96, b.right);
  EXPECT_EQ(clRed, PixelAt(left->Handle(), 50, 100));
  EXPECT_EQ(100, split->Left());
  EXPECT_EQ(left, split->FindControl());

  // Drags the splitter by DX in a few steps.
  auto drag = [&](int DX) {
    POINT p = split->ClientToScreen(POINT{2, 50});
    MoveMouse(p);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= 4; ++i) MoveMouse(POINT{p.x + DX * i / 4, p.y});
    MouseButton(MOUSEEVENTF_LEFTUP);
  };
  drag(40);
  EXPECT_EQ(140, left->Width());
  EXPECT_EQ(140, split->Left());
  EXPECT_EQ(1, moved);
  Pump(GetDoubleClickTime() + 50);  // so that the next press is not a double click
  drag(-130);  // never below MinSize
  EXPECT_EQ(split->MinSize(), left->Width());
}

TEST_F(ExtCtrlsTest, TimerFiresWhileEnabled) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(20);
  timer.OnTimer = [&](TObject*) { ++ticks; };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 2000));
  timer.SetEnabled(false);
  Pump(30);
  int now = ticks;
  Pump(120);
  EXPECT_EQ(now, ticks);
}

TEST_F(ExtCtrlsTest, ImageAndPaintBoxPaintWhereTheyAre) {
  auto* image = new TImage(Form);
  image->SetBounds(10, 10, 40, 40);
  image->SetParent(Form);
  TBitmap bmp(20, 20);
  bmp.Canvas()->Brush()->SetColor(clBlue);
  bmp.Canvas()->FillRect(RECT{0, 0, 20, 20});
  image->Picture()->SetGraphic(&bmp);
  auto* box = new TPaintBox(Form);
  box->SetBounds(100, 10, 50, 50);
  box->SetParent(Form);
  int paints = 0;
  box->OnPaint = [&](TObject*) {
    ++paints;
    box->Canvas()->Brush()->SetColor(clYellow);
    box->Canvas()->FillRect(RECT{0, 0, 50, 50});
  };
  auto* bevel = new TBevel(Form);
  bevel->SetBounds(200, 10, 50, 50);
  bevel->SetParent(Form);
  ShowForm();

  HWND h = Form->Handle();
  EXPECT_EQ(clBlue, PixelAt(h, 15, 15));
  EXPECT_EQ(clWhite, PixelAt(h, 45, 45));  // the picture is 20 pixels, not stretched
  EXPECT_GT(paints, 0);
  EXPECT_EQ(clYellow, PixelAt(h, 120, 30));
  EXPECT_EQ(static_cast<TColor>(ColorToRGB(clBtnShadow)), PixelAt(h, 200, 30));

  image->SetStretch(true);
  Pump(60);
  EXPECT_EQ(clBlue, PixelAt(h, 45, 45));
  image->SetAutoSize(true);
  EXPECT_EQ(20, image->Width());
}

}  // namespace ZS_UNITY_ID
