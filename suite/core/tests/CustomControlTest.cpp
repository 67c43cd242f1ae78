// The suite's custom-drawn control base on real windows: focus on a click, painting
// through the look and feel, the popup menu, keys, cursors and the child components.
#include <gtest/gtest.h>

#include <vector>

#include "Menus.h"
#include "SuiteControlTestSupport.h"
#include "TestSurface.h"
#include "vxControls.h"
#include "vxLookAndFeelPainters.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

constexpr TColor DemoFill = static_cast<TColor>(RGB(40, 160, 90));

// A demo control: a Flat border and a plain fill inside its client bounds.
class TDemoControl : public TvxControl {
  DECLARE_CLASS(TDemoControl, TvxControl)
 public:
  explicit TDemoControl(TComponent* AOwner) : TvxControl(AOwner) {
    SetBorderStyle(vxcbsDefault);
    LookAndFeel()->SetNativeStyle(false);
    LookAndFeel()->SetKind(lfFlat);
  }
  bool HasScrollBars() override { return WithScrollBars; }
  bool WithScrollBars = false;
  bool Focusable = true;
  bool MayFocus() override { return Focusable; }
  int Paints = 0;
  std::vector<TMouseButton> Downs;
  TCursor HotCursor = crDefault;
  TCursor GetCursorAt(Integer X, Integer Y) override { return X < 20 ? HotCursor : TvxControl::GetCursorAt(X, Y); }

 protected:
  void Paint() override {
    ++Paints;
    TvxControl::Paint();
    Canvas()->FillRect(ClientBounds(), DemoFill);
  }
  void InternalMouseDown(TMouseButton Button, TShiftState, Integer, Integer) override { Downs.push_back(Button); }
};

// A component acting as an external popup menu: records where it was asked to show.
class TRecordingMenu : public TComponent, public IvxExternalPopupMenu {
 public:
  TRecordingMenu() : TComponent(nullptr) {}
  std::vector<POINT> Shown;
  bool IsShortCut(TWMKey& Message) override { return Message.CharCode() == VK_F7; }
  void Popup(Integer X, Integer Y) override { Shown.push_back(POINT{X, Y}); }
};

struct CustomControl : TFormFixture {
  TDemoControl* Demo = nullptr;
  TDemoControl* Other = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Demo = Add<TDemoControl>(Form, RECT{10, 10, 130, 90});
    Other = Add<TDemoControl>(Form, RECT{150, 10, 250, 90});
    Pump(60);
  }
};

}  // namespace

TEST_F(CustomControl, ClickTakesFocusAndReachesMouseDown) {
  Other->SetFocus();
  Pump(20);
  ASSERT_TRUE(Other->Focused());
  int focusChanges = 0;
  Demo->OnFocusChanged = [&](TObject*) { ++focusChanges; };
  int events = 0;
  Demo->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++events; };
  ClickAt(Demo, 40, 30);
  EXPECT_TRUE(Demo->Focused());
  EXPECT_GE(focusChanges, 1);
  EXPECT_EQ(events, 1);
  ASSERT_EQ(Demo->Downs.size(), 1u);
  EXPECT_EQ(Demo->MouseDownPos().x, 40);
  EXPECT_EQ(Demo->MouseDownPos().y, 30);
  EXPECT_FALSE(Demo->MouseButtonPressed()) << "the release clears the pressed state";
}

TEST_F(CustomControl, ClickWithoutFocusTakingStillReachesMouseDown) {
  Other->SetFocus();
  Pump(20);
  Demo->SetFocusOnClick(false);
  int events = 0;
  Demo->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++events; };
  ClickAt(Demo, 40, 30);
  EXPECT_TRUE(Other->Focused());
  EXPECT_EQ(events, 1);

  // A control that may not focus (MayFocus False) behaves alike.
  Demo->SetFocusOnClick(true);
  Demo->Focusable = false;
  ClickAt(Demo, 40, 30);
  EXPECT_TRUE(Other->Focused());
  EXPECT_EQ(events, 2);
}

TEST_F(CustomControl, DoubleClickNeverMovesTheFocus) {
  Other->SetFocus();
  Pump(20);
  Demo->MouseDown(mbLeft, TShiftState{ssLeft, ssDouble}, 5, 5);
  EXPECT_TRUE(Other->Focused());
  Demo->MouseUp(mbLeft, {}, 5, 5);
}

TEST_F(CustomControl, PaintsBorderThroughItsLookAndFeelPainter) {
  Demo->Invalidate();
  Demo->Update();
  Pump(30);
  ASSERT_GT(Demo->Paints, 0);
  TvxCustomLookAndFeelPainterClass painter = Demo->LookAndFeelPainter();
  ASSERT_EQ(painter, TvxFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(Demo->GetBorderSize(), painter->BorderSize());
  TRect cb = Demo->ClientBounds();
  EXPECT_EQ(cb.left, painter->BorderSize());
  EXPECT_EQ(cb.right, Demo->Width() - painter->BorderSize());

  // The painter's own border drawn on a memory surface of the same size.
  zs_test::TestSurface expected(Demo->Width(), Demo->Height());
  TRect r{0, 0, Demo->Width(), Demo->Height()};
  painter->DrawBorder(expected.vx.get(), r);
  TWindowPixels shown(Demo->Handle());
  const int w = Demo->Width(), h = Demo->Height();
  for (POINT p : {POINT{0, 0}, POINT{w / 2, 0}, POINT{0, h / 2}, POINT{w - 1, h / 2}, POINT{w / 2, h - 1},
                  POINT{w - 1, h - 1}})
    EXPECT_EQ(shown.At(p.x, p.y), expected.At(p.x, p.y)) << p.x << "," << p.y;
  EXPECT_EQ(shown.At(w / 2, h / 2), Shown(DemoFill));
  EXPECT_EQ(shown.At(cb.left, cb.top), Shown(DemoFill));

  // Painted through an off-screen bitmap (the Windows 7 path) the result is the same.
  const bool win7 = vdOSWin7;
  vdOSWin7 = true;
  Demo->Invalidate();
  Demo->Update();
  Pump(30);
  vdOSWin7 = win7;
  TWindowPixels buffered(Demo->Handle());
  for (POINT p : {POINT{0, 0}, POINT{w - 1, h - 1}, POINT{w / 2, h / 2}})
    EXPECT_EQ(buffered.At(p.x, p.y), shown.At(p.x, p.y)) << p.x << "," << p.y;

  // Without a border the fill reaches the edge.
  Demo->SetBorderStyle(vxcbsNone);
  EXPECT_EQ(Demo->GetBorderSize(), 0);
  Demo->Invalidate();
  Demo->Update();
  Pump(30);
  TWindowPixels plain(Demo->Handle());
  EXPECT_EQ(plain.At(0, 0), Shown(DemoFill));
}

TEST_F(CustomControl, PopupMenuAtClickOrAtOriginForKeyboard) {
  TRecordingMenu menu;
  Demo->SetPopupMenuComponent(&menu);
  ASSERT_EQ(Demo->PopupMenuComponent(), &menu);
  ClickAt(Demo, 50, 40, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  Pump(40);
  ASSERT_EQ(menu.Shown.size(), 1u);
  POINT at = ScreenPoint(Demo, 50, 40);
  EXPECT_EQ(menu.Shown[0].x, at.x);
  EXPECT_EQ(menu.Shown[0].y, at.y);

  // The keyboard's request (-1, -1) shows it at the client origin.
  SendMessageW(Demo->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Demo->Handle()), MAKELPARAM(-1, -1));
  ASSERT_EQ(menu.Shown.size(), 2u);
  POINT origin = ScreenPoint(Demo, 0, 0);
  EXPECT_EQ(menu.Shown[1].x, origin.x);
  EXPECT_EQ(menu.Shown[1].y, origin.y);

  // A screen point outside the client area is not the control's menu.
  POINT outside = ScreenPoint(Demo, 500, 500);
  SendMessageW(Demo->Handle(), WM_CONTEXTMENU, 0, MAKELPARAM(outside.x, outside.y));
  EXPECT_EQ(menu.Shown.size(), 2u);

  // The menu's shortcut is taken before the control's own key handling.
  TMessage key{CN_KEYDOWN, VK_F7, 0, 0};
  Demo->Dispatch(key);
  EXPECT_EQ(key.Result, 1);
}

TEST_F(CustomControl, PlatformPopupMenuShowsOnRightClick) {
  auto* menu = new TPopupMenu(Form);
  auto* item = new TMenuItem(menu);
  item->SetCaption(L"Item");
  menu->Items()->Add(item);
  int popups = 0;
  menu->OnPopup = [&](TObject*) {
    ++popups;
    // Closes the menu's own loop once it is up.
    PostMessageW(Form->Handle(), WM_CANCELMODE, 0, 0);
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
  };
  Demo->SetPopupMenuComponent(menu);
  EXPECT_EQ(Demo->GetPopupMenu(), menu);
  SendMessageW(Demo->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Demo->Handle()), MAKELPARAM(-1, -1));
  Pump(40);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(menu->PopupComponent(), Demo);
  delete menu;
  EXPECT_EQ(Demo->PopupMenuComponent(), nullptr) << "a freed menu is forgotten";
}

TEST_F(CustomControl, ComponentThatIsNoMenuIsNotAccepted) {
  TComponent plain(nullptr);
  Demo->SetPopupMenuComponent(&plain);
  EXPECT_EQ(Demo->PopupMenuComponent(), nullptr);
}

TEST_F(CustomControl, DialogCodesFollowKeys) {
  struct TCase {
    TvxKeys Keys;
    bool Ctrl;
    LRESULT Code;
  };
  const TCase cases[] = {
      {{}, false, 0},
      {{kArrows}, false, DLGC_WANTARROWS},
      {{kAll, kChars}, false, DLGC_WANTALLKEYS | DLGC_WANTCHARS},
      {{kTab}, false, DLGC_WANTTAB},
      {{kTab}, true, 0},
  };
  for (const TCase& c : cases) {
    Demo->SetKeys(c.Keys);
    if (c.Ctrl) SendKey(VK_CONTROL, false);
    Pump(20);
    EXPECT_EQ(SendMessageW(Demo->Handle(), WM_GETDLGCODE, 0, 0), c.Code);
    if (c.Ctrl) SendKey(VK_CONTROL, true);
    Pump(20);
  }
}

TEST_F(CustomControl, HoverCursorKeepsTheDefaultCursor) {
  Demo->SetCursor(crIBeam);
  Demo->HotCursor = crHandPoint;
  MoveMouse(ScreenPoint(Demo, 10, 30));
  EXPECT_EQ(Demo->Cursor(), crHandPoint);
  MoveMouse(ScreenPoint(Demo, 60, 30));
  EXPECT_EQ(Demo->Cursor(), crIBeam) << "the default cursor survived the hover change";
}

TEST_F(CustomControl, BoundsAndActiveCanvas) {
  TDemoControl loose(nullptr);
  loose.SetBounds(0, 0, 70, 40);
  TRect b = loose.Bounds();
  EXPECT_EQ(b.right, 70);
  EXPECT_EQ(b.bottom, 40);
  TvxCanvas* screen = loose.ActiveCanvas();
  ASSERT_NE(screen, nullptr);
  EXPECT_NE(screen, loose.Canvas()) << "a screen canvas is lent while no window exists";
  loose.SetBounds(TRect{5, 5, 25, 15});
  EXPECT_EQ(loose.Bounds().left, 5);
  EXPECT_EQ(Demo->ActiveCanvas(), Demo->Canvas());
}

TEST_F(CustomControl, ChildComponentsFollowTheirControl) {
  auto* child = new TvxControlChildComponent(Demo, true);
  EXPECT_EQ(child->Control(), Demo);
  EXPECT_EQ(child->Owner(), Form);
  EXPECT_EQ(child->GetParentComponent(), Demo);
  EXPECT_TRUE(child->HasParent());
  auto* loose = new TvxControlChildComponent(Other, false);
  EXPECT_EQ(loose->Owner(), nullptr);
  loose->SetParentComponent(Demo);
  EXPECT_EQ(loose->Control(), Demo);
  delete loose;
  delete child;
}

TEST_F(CustomControl, ControlDestroyedInsideItsMouseDownIsNotTouchedAgain) {
  bool destroyed = false;
  Other->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    destroyed = true;
    delete Other;
  };
  ClickAt(Other, 20, 20);
  EXPECT_TRUE(destroyed);
  Other = nullptr;
  Pump(20);
}

namespace {

class TFontWatcher : public IvxFontListener {
 public:
  int Calls = 0;
  TFont* Last = nullptr;
  void Changed(TObject*, TFont* AFont) override {
    ++Calls;
    Last = AFont;
  }
};

class TCaptureHolder : public TObject, public IvxMouseCaptureNotify {
 public:
  int Cancels = 0;
  void DoCancelMode() override { ++Cancels; }
};

class TLookWatcher : public TDemoControl {
 public:
  using TDemoControl::TDemoControl;
  int Changes = 0;
  void LookAndFeelChanged(TvxLookAndFeel*, TvxLookAndFeelValues) override { ++Changes; }
};

}  // namespace

TEST_F(CustomControl, FontListenersLookAndFeelAndCaptureObject) {
  TFontWatcher watcher;
  Demo->AddFontListener(&watcher);
  Demo->AddFontListener(&watcher);
  Demo->Font()->SetSize(14);
  EXPECT_EQ(watcher.Calls, 1) << "listed once, told once";
  EXPECT_EQ(watcher.Last, Demo->Font());
  Demo->RemoveFontListener(&watcher);
  Demo->Font()->SetSize(9);
  EXPECT_EQ(watcher.Calls, 1);

  auto* look = Add<TLookWatcher>(Form, RECT{10, 100, 60, 150});
  look->Changes = 0;
  look->LookAndFeel()->SetKind(lfStandard);
  EXPECT_GE(look->Changes, 1);
  EXPECT_EQ(look->LookAndFeelPainter(), TvxStandardLookAndFeelPainter::Instance());

  // The capture object is told when another takes its place.
  TCaptureHolder first;
  TObject second;
  Demo->SetMouseCaptureObject(&first);
  EXPECT_EQ(GetCapture(), Demo->Handle());
  Demo->SetMouseCaptureObject(&second);
  EXPECT_EQ(first.Cancels, 1);
  Demo->SetMouseCaptureObject(nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace ZS_UNITY_ID
