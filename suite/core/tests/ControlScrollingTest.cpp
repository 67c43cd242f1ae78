// Scrolling of the suite's custom-drawn control: which bars show, their layout, the
// settling when a bar's own thickness changes the need for it, system metric changes,
// the mouse wheel and middle-button panning.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ExtCtrls.h"
#include "SuiteControlTestSupport.h"
#include "vxContainer.h"
#include "vxControls.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// A control showing a content of ContentW x ContentH pixels scrolled by pixels.
class TScrollingPad : public TvxControl {
  DECLARE_CLASS(TScrollingPad, TvxControl)
 public:
  explicit TScrollingPad(TComponent* AOwner) : TvxControl(AOwner) {
    LookAndFeel()->SetNativeStyle(false);
    LookAndFeel()->SetKind(lfStandard);
  }
  int ContentW = 0, ContentH = 0;
  int LeftPos = 0, TopPos = 0;
  bool AllowHide = true;
  // Content whose height needs the vertical bar only while that bar is hidden (text
  // re-wrapped to the width, in a pathological way).
  bool Flipping = false;
  int Passes = 0;
  struct TScrollCall {
    TScrollBarKind Kind;
    TScrollCode Code;
  };
  std::vector<TScrollCall> Calls;

  void InitScrollBarsParameters() override {
    ++Passes;
    TRect cb = ClientBounds();
    int w = cb.right - cb.left, h = cb.bottom - cb.top;
    int contentH = ContentH;
    if (Flipping) contentH = w >= Width() ? h + 40 : h - 40;
    SetScrollBarInfo(sbHorizontal, 0, ContentW - 1, 10, w, LeftPos, true, AllowHide);
    SetScrollBarInfo(sbVertical, 0, contentH - 1, 10, h, TopPos, true, AllowHide);
  }
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, Integer& APos) override {
    Calls.push_back({AKind, ACode});
    int& pos = AKind == sbHorizontal ? LeftPos : TopPos;
    if (ACode == scLineDown) pos += 10;
    if (ACode == scLineUp) pos = std::max(0, pos - 10);
    if (ACode == scTrack || ACode == scPosition) pos = APos;
    UpdateScrollBars();
  }
  bool IsPixelScrollBar(TScrollBarKind) override { return true; }
  int MouseDowns = 0;

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override {
    if (Button == mbLeft) ++MouseDowns;
    TvxControl::MouseDown(Button, Shift, X, Y);
  }
};

struct ControlScrolling : TFormFixture {
  TScrollingPad* Pad = nullptr;
  const int BarW = GetSystemMetrics(SM_CXVSCROLL);
  const int BarH = GetSystemMetrics(SM_CYHSCROLL);
  void SetUp() override {
    TFormFixture::SetUp();
    Pad = Add<TScrollingPad>(Form, RECT{10, 10, 210, 160});
    Pump(30);
  }
  void Content(int W, int H) {
    Pad->ContentW = W;
    Pad->ContentH = H;
    Pad->UpdateScrollBars();
    Pump(20);
  }
};

}  // namespace

TEST_F(ControlScrolling, BarsShowForTheContentThatDoesNotFit) {
  struct TCase {
    int W, H;
    bool H_, V_;
  };
  const TCase cases[] = {
      {200, 150, false, false},        // fits exactly
      {150, 400, false, true},         // too tall
      {400, 100, true, false},         // too wide
      {200 - 5, 400, true, true},      // the vertical bar makes it too wide
      {800, 800, true, true},
  };
  for (const TCase& c : cases) {
    Content(c.W, c.H);
    EXPECT_EQ(Pad->HScrollBarVisible(), c.H_) << c.W << "x" << c.H;
    EXPECT_EQ(Pad->VScrollBarVisible(), c.V_) << c.W << "x" << c.H;
    EXPECT_EQ(Pad->SizeGrip()->Visible(), c.H_ && c.V_);
    EXPECT_EQ(IsWindowVisible(Pad->VScrollBar()->Handle()) != 0, c.V_) << "the bar's window follows at once";
    TRect cb = Pad->ClientBounds();
    EXPECT_EQ(cb.right, 200 - (c.V_ ? BarW : 0));
    EXPECT_EQ(cb.bottom, 150 - (c.H_ ? BarH : 0));
  }
  // Layout: the vertical bar along the right edge, the grip in the corner.
  RECT vb = Pad->VScrollBar()->BoundsRect();
  EXPECT_EQ(vb.left, 200 - BarW);
  EXPECT_EQ(vb.right, 200);
  EXPECT_EQ(vb.bottom, 150 - BarH);
  RECT g = Pad->SizeGrip()->BoundsRect();
  EXPECT_EQ(g.left, 200 - BarW);
  EXPECT_EQ(g.top, 150 - BarH);
  EXPECT_EQ(Pad->VScrollBar()->PageSize(), 150 - BarH);
  EXPECT_EQ(Pad->VScrollBar()->Max(), 799);
}

TEST_F(ControlScrolling, ScrollStyleAndUnusableRanges) {
  Pad->SetScrollBars(ssVertical);
  Content(800, 800);
  EXPECT_FALSE(Pad->HScrollBarVisible()) << "ssVertical never shows the horizontal bar";
  EXPECT_TRUE(Pad->VScrollBarVisible());

  // A page covering everything hides the bar, or shows it disabled when it may not hide.
  Pad->SetScrollBars(ssBoth);
  Pad->AllowHide = false;
  Content(100, 100);
  EXPECT_TRUE(Pad->VScrollBarVisible());
  EXPECT_FALSE(Pad->VScrollBar()->Enabled());
  EXPECT_EQ(Pad->VScrollBar()->Max(), 799) << "the last usable range stays";

  // A position before the range is no usable range either.
  Pad->AllowHide = true;
  Pad->TopPos = -5;
  Content(100, 800);
  EXPECT_FALSE(Pad->VScrollBarVisible());
}

TEST_F(ControlScrolling, ResizeNeverRaisesForAPageLargerThanMax) {
  // A range with a negative start: the page is smaller than the range but larger than
  // Max. Resizing recalculates the bars; nothing may raise from there.
  class TNegativePad : public TScrollingPad {
   public:
    using TScrollingPad::TScrollingPad;
    void InitScrollBarsParameters() override {
      TRect cb = ClientBounds();
      SetScrollBarInfo(sbVertical, -300, 20, 10, cb.bottom - cb.top, -300, true, true);
      SetScrollBarInfo(sbHorizontal, 0, 0, 1, 1, 0, true, true);
    }
  };
  auto* pad = Add<TNegativePad>(Form, RECT{220, 10, 290, 160});
  EXPECT_NO_THROW(pad->UpdateScrollBars());
  EXPECT_TRUE(pad->VScrollBarVisible());
  EXPECT_EQ(pad->VScrollBar()->Min(), -300);
  EXPECT_NO_THROW(pad->SetBounds(220, 10, 70, 200));
  Pump(20);
  EXPECT_EQ(pad->VScrollBar()->PageSize(), 200);
}

TEST_F(ControlScrolling, BothBarsGoWhenEachIsNeededOnlyForTheOther) {
  // Pages measured from the bars as they are shown now (not the pending ones), as a
  // control laying out its content before the bars are decided does.
  class TStickyPad : public TScrollingPad {
   public:
    using TScrollingPad::TScrollingPad;
    bool Pixel = true;
    bool IsPixelScrollBar(TScrollBarKind) override { return Pixel; }
    void InitScrollBarsParameters() override {
      int w = Width() - (VScrollBar()->Visible() ? VScrollBar()->Width() : 0);
      int h = Height() - (HScrollBar()->Visible() ? HScrollBar()->Height() : 0);
      SetScrollBarInfo(sbHorizontal, 0, ContentW - 1, 10, w, 0, true, true);
      SetScrollBarInfo(sbVertical, 0, ContentH - 1, 10, h, 0, true, true);
    }
  };
  for (bool pixel : {true, false}) {
    auto* pad = Add<TStickyPad>(Form, RECT{10, 10, 210, 160});
    pad->Pixel = pixel;
    pad->ContentW = pad->ContentH = 800;
    pad->UpdateScrollBars();
    ASSERT_TRUE(pad->HScrollBarVisible() && pad->VScrollBarVisible());
    pad->ContentW = 200 - 5;
    pad->ContentH = 150 - 5;
    pad->UpdateScrollBars();
    EXPECT_EQ(pad->HScrollBarVisible(), !pixel) << "pixel bars: " << pixel;
    EXPECT_EQ(pad->VScrollBarVisible(), !pixel) << "pixel bars: " << pixel;
    delete pad;
  }
}

TEST_F(ControlScrolling, SettlesWhenABarFlipsItsOwnNeed) {
  Pad->Flipping = true;
  Pad->ContentW = 100;
  Pad->Passes = 0;
  Pad->UpdateScrollBars();
  Pump(30);
  EXPECT_LT(Pad->Passes, 50) << "no endless recalculation";
  EXPECT_TRUE(Pad->VScrollBarVisible()) << "the flipping bar stays shown";
  EXPECT_FALSE(Pad->VScrollBar()->Enabled()) << "... and disabled";
  // Another update keeps the same state.
  Pad->UpdateScrollBars();
  EXPECT_TRUE(Pad->VScrollBarVisible());
  EXPECT_FALSE(Pad->HScrollBarVisible());
}

TEST_F(ControlScrolling, LockedUpdatesRunOnceAtTheOutermostUnlock) {
  Pad->LockScrollBars();
  Pad->LockScrollBars();
  Content(100, 800);
  EXPECT_FALSE(Pad->VScrollBarVisible());
  Pad->UnlockScrollBars();
  EXPECT_FALSE(Pad->VScrollBarVisible());
  Pad->UnlockScrollBars();
  EXPECT_TRUE(Pad->VScrollBarVisible());
  Pad->UnlockScrollBars();  // at zero: nothing
}

namespace {
// The windows of this thread asked to change their place in the z-order.
std::vector<HWND> ZOrderMoves;
LRESULT CALLBACK RecordZOrderMove(int Code, WPARAM W, LPARAM L) {
  const auto* m = reinterpret_cast<const CWPSTRUCT*>(L);
  if (Code == HC_ACTION && m->message == WM_WINDOWPOSCHANGING &&
      !(reinterpret_cast<const WINDOWPOS*>(m->lParam)->flags & SWP_NOZORDER))
    ZOrderMoves.push_back(m->hwnd);
  return CallNextHookEx(nullptr, Code, W, L);
}
}  // namespace

TEST_F(ControlScrolling, BarsMoveToTheTopOnlyWhenAChildCameAboveThem) {
  Content(800, 800);  // both bars and the grip
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordZOrderMove, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  TScopeExit unhook([hook] { UnhookWindowsHookEx(hook); });
  // The bars and the grip on top of every other child, in the list and among the windows.
  auto barsOnTop = [this] {
    const Integer n = Pad->ControlCount();
    HWND grip = GetWindow(Pad->Handle(), GW_CHILD), v = GetWindow(grip, GW_HWNDNEXT), h = GetWindow(v, GW_HWNDNEXT);
    return n >= 3 && Pad->Controls(n - 3) == Pad->HScrollBar() && Pad->Controls(n - 2) == Pad->VScrollBar() &&
           Pad->Controls(n - 1) == Pad->SizeGrip() && grip == Pad->SizeGrip()->Handle() &&
           v == Pad->VScrollBar()->Handle() && h == Pad->HScrollBar()->Handle();
  };
  ASSERT_TRUE(barsOnTop());

  ZOrderMoves.clear();
  Pad->UpdateScrollBars();
  EXPECT_TRUE(ZOrderMoves.empty()) << "already on top: no window moves";

  // A child added later stands above the bars in the list and among the windows.
  TPanel* child = Add<TPanel>(Pad, RECT{0, 0, 50, 50});
  ASSERT_TRUE(child->HandleAllocated());
  EXPECT_FALSE(barsOnTop());
  Pad->UpdateScrollBars();
  EXPECT_TRUE(barsOnTop());

  // Only the window moved: the list still has the bars last.
  SetWindowPos(child->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_FALSE(barsOnTop());
  Pad->UpdateScrollBars();
  EXPECT_TRUE(barsOnTop());

  ZOrderMoves.clear();
  Pad->UpdateScrollBars();
  EXPECT_TRUE(ZOrderMoves.empty());
}

TEST_F(ControlScrolling, SystemScrollBarSizeChangeResizesTheBars) {
  Content(800, 800);
  Pad->HScrollBar()->SetHeight(BarH + 7);
  Pad->VScrollBar()->SetWidth(BarW + 7);
  SendMessageW(Pad->Handle(), VXM_SCROLLBARMETRICSCHANGED, 0, 0);
  EXPECT_EQ(Pad->HScrollBar()->Height(), BarH);
  EXPECT_EQ(Pad->VScrollBar()->Width(), BarW);
  EXPECT_EQ(Pad->VScrollBar()->Left(), 200 - BarW) << "the layout was recalculated";
}

TEST_F(ControlScrolling, ScrollBarClickScrollsTheContent) {
  Content(100, 800);
  TvxControlScrollBar* v = Pad->VScrollBar();
  ClickAt(v, BarW / 2, v->Height() - BarW / 2);
  EXPECT_EQ(Pad->TopPos, 10);
  EXPECT_EQ(v->Position(), 10);
  EXPECT_TRUE(Pad->Focused()) << "a click on the bar focuses its control";
}

TEST_F(ControlScrolling, WheelScrollsLinesPerNotch) {
  Content(100, 800);
  const int lines = Mouse->WheelScrollLines();
  POINT p = ScreenPoint(Pad, 50, 50);
  SendMessageW(Pad->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(p.x, p.y));
  ASSERT_EQ(static_cast<int>(Pad->Calls.size()), lines);
  for (const auto& c : Pad->Calls) {
    EXPECT_EQ(c.Kind, sbVertical);
    EXPECT_EQ(c.Code, scLineDown);
  }
  Pad->Calls.clear();
  SendMessageW(Pad->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(p.x, p.y));
  ASSERT_FALSE(Pad->Calls.empty());
  EXPECT_EQ(Pad->Calls[0].Code, scLineUp);

  // Without a vertical bar the control does not take the wheel.
  Content(100, 100);
  Pad->Calls.clear();
  EXPECT_FALSE(Pad->DoMouseWheel({}, -WHEEL_DELTA, p));
  EXPECT_TRUE(Pad->Calls.empty());
}

namespace {

// Plays input from another thread while the panning loop runs on the main thread.
void PlayLater(std::vector<std::function<void()>> Steps, std::atomic<bool>& Done) {
  std::thread([Steps = std::move(Steps), &Done] {
    for (const auto& s : Steps) {
      Sleep(120);
      s();
    }
    Done = true;
  }).detach();
}

}  // namespace

TEST_F(ControlScrolling, MiddleButtonPanningScrollsUntilAClick) {
  Content(100, 2000);
  Form->SetFocus();
  const POINT anchor = ScreenPoint(Pad, 50, 60);
  MoveMouse(anchor);
  std::atomic<bool> done{false};
  bool sawPanning = false;
  PlayLater({[&] { SendMouseButton(MOUSEEVENTF_MIDDLEUP); },  // a click without moving keeps panning
             [&] { SetCursorPos(anchor.x, anchor.y + 80); },
             [&] {},
             [&] {},
             [&] { SendMouseButton(MOUSEEVENTF_LEFTDOWN); },
             [&] { SendMouseButton(MOUSEEVENTF_LEFTUP); }},
            done);
  SendMouseButton(MOUSEEVENTF_MIDDLEDOWN);
  PumpUntil([&] {
    sawPanning = sawPanning || Pad->IsScrollingContent();
    return done.load() && !Pad->IsScrollingContent();
  }, 5000);
  Pump(50);
  EXPECT_FALSE(Pad->IsScrollingContent());
  EXPECT_GT(Pad->TopPos, 0) << "moving below the anchor scrolled down";
  for (const auto& c : Pad->Calls) {
    EXPECT_EQ(c.Kind, sbVertical);
    EXPECT_EQ(c.Code, scLineDown);
  }
  EXPECT_EQ(Pad->MouseDowns, 0) << "the ending click is not delivered";
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ControlScrolling, PanningEndsWithEscapeAndLeavesNoCapture) {
  Content(2000, 100);
  const POINT anchor = ScreenPoint(Pad, 100, 60);
  MoveMouse(anchor);
  std::atomic<bool> done{false};
  PlayLater({[&] { SetCursorPos(anchor.x - 90, anchor.y + 5); },
             [&] {},
             [&] { SendKey(VK_ESCAPE, false); },
             [&] { SendKey(VK_ESCAPE, true); }},
            done);
  SendMouseButton(MOUSEEVENTF_MIDDLEDOWN);
  SendMouseButton(MOUSEEVENTF_MIDDLEUP);
  PumpUntil([&] { return done.load() && !Pad->IsScrollingContent(); }, 5000);
  Pump(50);
  EXPECT_FALSE(Pad->IsScrollingContent());
  EXPECT_EQ(GetCapture(), nullptr);
  ASSERT_FALSE(Pad->Calls.empty());
  EXPECT_EQ(Pad->Calls[0].Kind, sbHorizontal) << "only the horizontal bar shows: a horizontal pan";
  EXPECT_EQ(Pad->Calls[0].Code, scLineUp);
}

namespace {
// A control without scroll bars of its own.
class TBarlessPad : public TvxControl {
  DECLARE_CLASS(TBarlessPad, TvxControl)
 public:
  using TvxControl::TvxControl;
  bool HasScrollBars() override { return false; }
};

// A control that describes its content through the base's SetupScrollBars hook.
class TSetupPad : public TvxControl {
  DECLARE_CLASS(TSetupPad, TvxControl)
 public:
  using TvxControl::TvxControl;
  void SetupScrollBars() override {
    TRect cb = ClientBounds();
    SetScrollBarInfo(sbVertical, 0, 999, 10, cb.bottom - cb.top, 0, true, true);
    SetScrollBarInfo(sbHorizontal, 0, 0, 10, cb.right - cb.left, 0, true, true);
  }
};

// The windows among AParent's children.
int ChildWindows(HWND AParent) {
  int n = 0;
  for (HWND w = GetWindow(AParent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) ++n;
  return n;
}
}  // namespace

// Only a control that has scroll bars gets the bar and grip objects and windows: neither a
// control that has none nor a container, whether or not its window exists.
TEST_F(ControlScrolling, BarObjectsExistOnlyWhenTheControlHasScrollBars) {
  auto* barless = new TBarlessPad(Form);
  auto* container = new TvxContainer(Form);
  for (TvxControl* c : {static_cast<TvxControl*>(barless), static_cast<TvxControl*>(container)}) {
    SCOPED_TRACE(c->ClassName());
    EXPECT_EQ(c->HScrollBar(), nullptr);
    EXPECT_EQ(c->VScrollBar(), nullptr);
    EXPECT_EQ(c->SizeGrip(), nullptr);
    c->SetBounds(220, 10, 60, 60);
    c->SetParent(Form);
    c->HandleNeeded();
    c->UpdateScrollBars();
    Pump(20);
    EXPECT_EQ(c->HScrollBar(), nullptr);
    EXPECT_EQ(c->SizeGrip(), nullptr);
    EXPECT_EQ(ChildWindows(c->Handle()), 0);
  }
  // The pad of the fixture has them, parented to it, the vertical bar's window shown.
  Content(100, 1000);
  ASSERT_NE(Pad->SizeGrip(), nullptr);
  EXPECT_EQ(Pad->HScrollBar()->Parent(), Pad);
  EXPECT_EQ(Pad->SizeGrip()->Parent(), Pad);
  ASSERT_TRUE(Pad->VScrollBar()->HandleAllocated());
  EXPECT_EQ(GetParent(Pad->VScrollBar()->Handle()), Pad->Handle());
  EXPECT_TRUE(IsWindowVisible(Pad->VScrollBar()->Handle()));
}

// Data given before the window exists is kept by bars made for it, and the base's
// parameter pass reaches SetupScrollBars.
TEST_F(ControlScrolling, BarsAreMadeWhenFirstNeededAndSetUpThroughTheHook) {
  auto* early = new TScrollingPad(Form);
  EXPECT_EQ(early->SizeGrip(), nullptr);
  early->SetScrollBarInfo(sbVertical, 0, 499, 10, 50, 7, true, true);
  ASSERT_NE(early->VScrollBar(), nullptr);
  EXPECT_TRUE(early->VScrollBar()->Data.Visible);
  EXPECT_EQ(early->VScrollBar()->Data.Position, 7);
  EXPECT_EQ(early->VScrollBar()->Data.Max, 499);

  auto* setup = Add<TSetupPad>(Form, RECT{220, 10, 280, 110});
  setup->UpdateScrollBars();
  Pump(20);
  EXPECT_TRUE(setup->VScrollBarVisible());
  EXPECT_FALSE(setup->HScrollBarVisible());
  EXPECT_EQ(setup->VScrollBar()->Max(), 999);
}

}  // namespace ZS_UNITY_ID
