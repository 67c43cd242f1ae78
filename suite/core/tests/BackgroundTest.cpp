#include <gtest/gtest.h>

#include "Forms.h"
#include "TestSurface.h"
#include "vxGraphics.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

void Pump(DWORD AMilliseconds) {
  const DWORD end = GetTickCount() + AMilliseconds;
  MSG msg;
  while (GetTickCount() < end) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

// A windowed control that paints itself in one colour.
class TSolid : public TCustomControl {
  DECLARE_CLASS(TSolid, TCustomControl)
 public:
  TSolid(TComponent* AOwner, TColor AColor) : TCustomControl(AOwner), FColor(AColor) {}

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(FColor);
    Canvas()->FillRect(ClientRect());
  }

 private:
  TColor FColor;
};

struct BackgroundFixture : ::testing::Test {
  TForm* Form = nullptr;
  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(30, 30, 10, 10);
    Form->SetClientWidth(200);
    Form->SetClientHeight(100);
    Form->SetColor(clYellow);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  TSolid* Add(RECT R, TColor AColor) {
    auto* c = new TSolid(Form, AColor);
    c->SetBoundsRect(R);
    c->SetParent(Form);
    return c;
  }
};

TEST_F(BackgroundFixture, ParentAndSiblingsBelowAreCopied) {
  Add(RECT{10, 10, 110, 60}, clRed);
  Add(RECT{50, 20, 150, 80}, clBlue);
  TSolid* self = Add(RECT{40, 15, 140, 70}, clWhite);
  Add(RECT{60, 30, 90, 50}, clLime);  // above the control: never part of its background
  Form->Show();
  Pump(150);

  TestSurface s(100, 55, RGB(1, 2, 3));
  vxDrawTransparentControlBackground(self, s.vx.get(), TRect{0, 0, 100, 55});
  // Surface (x, y) shows the parent's point (40 + x, 15 + y).
  struct {
    int x, y;
    COLORREF expected;
  } probes[] = {
      {5, 5, RGB(255, 0, 0)},       // only the first sibling
      {20, 20, RGB(0, 0, 255)},     // the later sibling covers the earlier one
      {35, 25, RGB(0, 0, 255)},     // where the control above would be: not drawn
      {80, 50, RGB(0, 0, 255)},     //
      {2, 50, RGB(255, 255, 0)},    // the parent's own background
      {99, 2, RGB(255, 255, 0)},    //
  };
  for (const auto& p : probes) EXPECT_EQ(s.At(p.x, p.y), p.expected) << p.x << "," << p.y;
  EXPECT_EQ(s.vx->SavedStateCount(), 0);
  EXPECT_EQ(s.vx->SavedDCCount(), 0);

  // Clipped to the rectangle: a smaller one leaves the rest alone.
  s.Clear(RGB(1, 2, 3));
  vxDrawTransparentControlBackground(self, s.vx.get(), TRect{0, 0, 10, 10});
  EXPECT_EQ(s.At(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(s.At(20, 20), RGB(1, 2, 3));

  // Through a platform canvas, and through the theme entry point when the parent is
  // double-buffered.
  s.Clear(RGB(1, 2, 3));
  vxDrawTransparentControlBackgroundOnCanvas(self, s.canvas.get(), TRect{0, 0, 100, 55});
  EXPECT_EQ(s.At(20, 20), RGB(0, 0, 255));
  s.Clear(RGB(1, 2, 3));
  Form->SetDoubleBuffered(true);
  vxDrawThemeParentBackgroundOnCanvas(self, s.canvas.get(), TRect{0, 0, 100, 55});
  EXPECT_EQ(s.At(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(s.At(35, 25), RGB(0, 0, 255));
}

TEST_F(BackgroundFixture, NothingWithoutAParent) {
  TSolid orphan(nullptr, clRed);
  orphan.SetBounds(0, 0, 20, 20);
  TestSurface s(20, 20, RGB(1, 2, 3));
  vxDrawTransparentControlBackground(&orphan, s.vx.get(), TRect{0, 0, 20, 20});
  EXPECT_EQ(s.CountNot(RECT{0, 0, 20, 20}, RGB(1, 2, 3)), 0);
}

}  // namespace

}  // namespace ZS_UNITY_ID
