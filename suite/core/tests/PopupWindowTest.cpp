// Popup windows placed next to an owner rectangle inside the monitor's work area and
// closed by a click elsewhere; drag images following the mouse without taking clicks;
// the hatched size frame.
#include <gtest/gtest.h>

#include "ExtCtrls.h"
#include "SuiteControlTestSupport.h"
#include "vxControls.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

struct PopupWindow : TFormFixture {
  std::unique_ptr<TvxPopupWindow> Popup;
  RECT WA{};
  void SetUp() override {
    TFormFixture::SetUp();
    Popup = std::make_unique<TvxPopupWindow>();
    Popup->SetOwnerParent(Form);
    vxGetMonitorWorkArea(POINT{100, 100}, WA);
  }
  void TearDown() override {
    Popup.reset();
    TFormFixture::TearDown();
  }
  // Places the owner rectangle at a screen rectangle.
  void OwnerAt(RECT Screen) {
    POINT o = Form->ClientOrigin();
    Popup->SetOwnerBounds(TRect{Screen.left - o.x, Screen.top - o.y, Screen.right - o.x, Screen.bottom - o.y});
  }
};

}  // namespace

TEST_F(PopupWindow, PlacedNextToItsOwnerInsideTheWorkArea) {
  const int waW = WA.right - WA.left, waH = WA.bottom - WA.top;
  struct TCase {
    const char* Name;
    TvxPopupDirection Dir;
    TvxPopupAlignHorz AH;
    TvxPopupAlignVert AV;
    RECT Owner;
    int W, H;
    POINT Expected;
  };
  const RECT mid{WA.left + 200, WA.top + 200, WA.left + 300, WA.top + 220};
  const RECT low{WA.left + 200, WA.bottom - 40, WA.left + 300, WA.bottom - 20};
  const RECT tall{WA.left + 200, WA.top + 50, WA.left + 300, WA.bottom - 100};
  const RECT right{WA.right - 50, WA.top + 200, WA.right - 10, WA.top + 220};
  const TCase cases[] = {
      {"below", pdVertical, pahLeft, pavBottom, mid, 120, 80, {mid.left, mid.bottom}},
      {"above", pdVertical, pahLeft, pavTop, mid, 120, 80, {mid.left, mid.top - 80}},
      {"right-aligned", pdVertical, pahRight, pavBottom, mid, 120, 80, {mid.right - 120, mid.bottom}},
      {"flips above: more room there", pdVertical, pahLeft, pavBottom, low, 120, 80, {low.left, low.top - 80}},
      {"stays below: less room above, not moved up", pdVertical, pahLeft, pavBottom, tall, 120, 300,
       {tall.left, tall.bottom}},
      {"wider than the work area starts at its left", pdVertical, pahLeft, pavBottom, mid, waW + 50, 40,
       {WA.left, mid.bottom}},
      {"clamped at the right edge", pdVertical, pahLeft, pavBottom, right, 120, 40, {WA.right - 120, right.bottom}},
      {"beside on the right", pdHorizontal, pahRight, pavTop, mid, 120, 80, {mid.right, mid.top}},
      {"beside flips to the left", pdHorizontal, pahRight, pavTop, right, 120, 80, {right.left - 120, right.top}},
      {"centred", pdVertical, pahCenter, pavCenter, mid, 120, 80,
       {(mid.left + mid.right - 120) / 2, (mid.top + mid.bottom - 80) / 2}},
  };
  (void)waH;
  for (const TCase& c : cases) {
    Popup->SetDirection(c.Dir);
    Popup->SetAlignHorz(c.AH);
    Popup->SetAlignVert(c.AV);
    Popup->SetBounds(0, 0, c.W, c.H);
    OwnerAt(c.Owner);
    TPoint p = Popup->CalculatePosition();
    EXPECT_EQ(p.x, c.Expected.x) << c.Name;
    EXPECT_EQ(p.y, c.Expected.y) << c.Name;
    EXPECT_EQ(Popup->AlignVert(), c.AV) << "the properties never change";
  }
}

TEST_F(PopupWindow, FrameWidthsAndSizeAroundChildren) {
  Popup->SetBorderStyle(pbs3D);
  Popup->SetBorderSpace(2);
  EXPECT_EQ(Popup->GetFrameWidth(bLeft), 4);
  EXPECT_EQ(Popup->HorzFrameWidth(), 8);
  auto* child = new TPanel(Popup.get());
  child->SetParent(Popup.get());
  child->SetBounds(0, 0, 60, 30);
  Popup->CalculateSize();
  EXPECT_EQ(Popup->Width(), 68);
  EXPECT_EQ(Popup->Height(), 38);
  EXPECT_EQ(child->Left(), 4) << "the child moved into the frame";
  TRect cb = Popup->ClientBounds();
  EXPECT_EQ(cb.left, 4);
  EXPECT_EQ(cb.right, Popup->ClientWidth() - 4);
  // A new border style moves the children back out of the old frame first.
  Popup->SetBorderStyle(pbsNone);
  EXPECT_EQ(child->Left(), 0);
}

TEST_F(PopupWindow, PopsUpDrawsItsFrameAndClosesOnAnOutsideClick) {
  Popup->SetBorderStyle(pbsUltraFlat);
  Popup->SetFrameColor(static_cast<TColor>(RGB(200, 0, 0)));
  Popup->SetColor(clWhite);
  auto* child = new TPanel(Popup.get());
  child->SetParent(Popup.get());
  child->SetBounds(0, 0, 80, 50);
  Popup->SetAlignVert(pavBottom);
  Popup->SetOwnerParent(Form);
  Popup->SetOwnerBounds(TRect{20, 20, 120, 40});
  Popup->Popup();
  Pump(80);
  ASSERT_TRUE(IsWindowVisible(Popup->Handle()));
  RECT wr;
  GetWindowRect(Popup->Handle(), &wr);
  POINT below = ScreenPoint(Form, 20, 40);
  EXPECT_EQ(wr.left, below.x);
  EXPECT_EQ(wr.top, below.y);
  EXPECT_EQ(wr.right - wr.left, 82);
  TWindowPixels shown(Popup->Handle());
  EXPECT_EQ(shown.At(0, 0), RGB(200, 0, 0));
  EXPECT_EQ(shown.At(81, 51), RGB(200, 0, 0));
  EXPECT_TRUE(GetWindowLongW(Popup->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

  // A click on the form outside the popup takes the activation: the popup closes.
  ClickAt(Form, 250, 150);
  Pump(80);
  EXPECT_FALSE(IsWindowVisible(Popup->Handle()));
}

TEST_F(PopupWindow, DragImageFollowsTheMouseAndLetsClicksThrough) {
  TvxDragImage image;
  image.Init(TRect{0, 0, 40, 30}, TPoint{10, 8});
  EXPECT_EQ(image.PositionOffset().x, 10);
  image.Image()->Canvas()->Brush()->SetColor(clRed);
  RECT all{0, 0, 40, 30};
  image.Image()->Canvas()->FillRect(all);
  EXPECT_TRUE(image.AlphaBlended());
  Form->OnMouseMove = [&](TObject*, TShiftState, int, int) { image.MoveTo(vxGetMouseCursorPos()); };
  HWND active = GetActiveWindow();
  image.MoveTo(vxGetMouseCursorPos());
  image.SetVisible(true);
  Pump(40);
  EXPECT_TRUE(image.Visible());
  EXPECT_EQ(GetActiveWindow(), active) << "showing the image takes no activation";
  for (POINT c : {POINT{100, 100}, POINT{160, 120}, POINT{60, 150}}) {
    POINT s = ScreenPoint(Form, c.x, c.y);
    MoveMouse(s);
    RECT r;
    GetWindowRect(image.Handle(), &r);
    EXPECT_EQ(r.left, s.x - 10);
    EXPECT_EQ(r.top, s.y - 8);
    EXPECT_EQ(r.right - r.left, 40);
  }
  EXPECT_EQ(SendMessageW(image.Handle(), WM_NCHITTEST, 0, 0), HTTRANSPARENT);
  int downs = 0;
  Form->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(40);
  EXPECT_EQ(downs, 1) << "the click went through the image to the form";
  Form->OnMouseMove = nullptr;
  image.SetVisible(false);
  EXPECT_FALSE(image.Visible());
}

TEST_F(PopupWindow, SizeFrameIsAHatchedOutline) {
  TvxSizeFrame frame(3);
  frame.HandleNeeded();
  POINT at = ScreenPoint(Form, 40, 40);
  frame.DrawSizeFrame(TRect{at.x, at.y, at.x + 100, at.y + 80});
  frame.SetVisible(true);
  Pump(60);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(frame.Handle(), rgn), ERROR);
  EXPECT_TRUE(PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(PtInRegion(rgn, 2, 40));
  EXPECT_FALSE(PtInRegion(rgn, 3, 40)) << "the outline is 3 pixels wide";
  EXPECT_FALSE(PtInRegion(rgn, 50, 40));
  EXPECT_TRUE(PtInRegion(rgn, 99, 79));
  // The hatch: neighbouring pixels of the outline alternate black and white.
  TWindowPixels shown(frame.Handle());
  COLORREF a = shown.At(0, 1), b = shown.At(1, 1);
  EXPECT_NE(a, b);
  EXPECT_TRUE((a == RGB(0, 0, 0) && b == RGB(255, 255, 255)) || (a == RGB(255, 255, 255) && b == RGB(0, 0, 0)));

  // Filled selection keeps the whole rectangle.
  frame.SetFillSelection(true);
  frame.DrawSizeFrame(TRect{at.x, at.y, at.x + 60, at.y + 50});
  GetWindowRgn(frame.Handle(), rgn);
  EXPECT_TRUE(PtInRegion(rgn, 30, 25));
  // Smaller than two frame widths: the region stays as it was.
  frame.SetFillSelection(false);
  frame.DrawSizeFrame(TRect{at.x, at.y, at.x + 5, at.y + 50});
  GetWindowRgn(frame.Handle(), rgn);
  EXPECT_TRUE(PtInRegion(rgn, 30, 25));
  DeleteObject(rgn);
}

}  // namespace ZS_UNITY_ID
