// The drop-down popup window on real windows: it opens next to its owner, runs its
// modal loop and closes by the private close message, by deactivation and by
// destruction; the unit's thread hooks close it on a click elsewhere and drop Alt keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ExtCtrls.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "SuiteControlTestSupport.h"
#include "vxContainer.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// An edit that records the system keys it receives.
class TKeyLogEdit : public TEdit {
  DECLARE_CLASS(TKeyLogEdit, TEdit)
 public:
  using TEdit::TEdit;
  std::vector<WPARAM> SysKeys;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_SYSKEYDOWN) SysKeys.push_back(Message.WParam);
    TEdit::WndProc(Message);
  }
};

struct PopupTest : TFormFixture {
  TEdit* Owner = nullptr;
  TEdit* Other = nullptr;
  TvxCustomPopupWindow* Popup = nullptr;
  TKeyLogEdit* PopupEdit = nullptr;
  int Showed = 0, Closed = 0;

  void SetUp() override {
    TFormFixture::SetUp();
    Owner = Add<TEdit>(Form, RECT{10, 10, 110, 32});
    Other = Add<TEdit>(Form, RECT{10, 150, 110, 172});
    Popup = new TvxCustomPopupWindow(Owner);
    Popup->SetOwnerParent(Form);
    Popup->SetOwnerBounds(TRect{10, 10, 110, 32});
    PopupEdit = new TKeyLogEdit(Popup);
    PopupEdit->SetBounds(0, 0, 100, 40);
    PopupEdit->SetParent(Popup);
    Popup->OnShowed = [this](TObject*) { ++Showed; };
    Popup->OnClosed = [this](TObject*) { ++Closed; };
    Owner->SetFocus();
    Pump(30);
  }
  void TearDown() override {
    delete Popup;
    TFormFixture::TearDown();
  }
  void ShowModeless() {
    Popup->SetModalMode(false);
    Popup->Popup(nullptr);
    Pump(60);
    ASSERT_TRUE(Popup->IsVisible());
  }
};

TEST_F(PopupTest, ModalLoopEndsOnThePrivateCloseMessage) {
  Popup->HandleNeeded();
  bool listedInLoop = false;
  Popup->OnShowed = [&](TObject*) {
    ++Showed;
    listedInLoop = Popup->IsVisible() && OpenPopupWindowList().size() == 1;
    PostMessageW(Popup->Handle(), VXM_CLOSEPOPUPWINDOW, 0, 0);
  };
  Popup->Popup(nullptr);  // returns when the loop ends
  EXPECT_TRUE(listedInLoop);
  EXPECT_EQ(Showed, 1);
  EXPECT_EQ(Closed, 1);
  EXPECT_FALSE(Popup->IsVisible());
  EXPECT_TRUE(OpenPopupWindowList().empty());
  EXPECT_FALSE(IsWindowVisible(Popup->Handle()));
  // Placed below its owner, focus on the first tab stop inside.
  RECT ow, pw;
  GetWindowRect(Owner->Handle(), &ow);
  GetWindowRect(Popup->Handle(), &pw);
  EXPECT_EQ(pw.top, ow.bottom);
  EXPECT_EQ(Popup->FocusedControl(), PopupEdit);
}

TEST_F(PopupTest, ShownOnceAndClosedOnce) {
  ShowModeless();
  Popup->Popup(nullptr);
  EXPECT_EQ(Showed, 1);
  EXPECT_EQ(OpenPopupWindowList().size(), 1u);
  EXPECT_EQ(GetFocus(), PopupEdit->Handle());
  Popup->CloseUp();
  Popup->CloseUp();
  EXPECT_EQ(Closed, 1);
  EXPECT_FALSE(Popup->IsVisible());
}

TEST_F(PopupTest, ClosesWhenAnotherWindowIsActivated) {
  ShowModeless();
  TForm* second = TCustomForm::Create<TForm>(nullptr);
  second->SetBounds(400, 300, 120, 80);
  second->Show();
  SetForegroundWindow(second->Handle());
  PumpUntil([&] { return !Popup->IsVisible(); }, 1000);
  EXPECT_FALSE(Popup->IsVisible());
  EXPECT_EQ(Closed, 1);
  delete second;
}

TvxCustomPopupWindow* Victim = nullptr;
void CALLBACK DeleteVictim(HWND, UINT, UINT_PTR, DWORD) {
  delete Victim;
  Victim = nullptr;
}

TEST_F(PopupTest, DestroyingThePopupEndsItsModalLoop) {
  Popup->HandleNeeded();
  Victim = Popup;
  UINT_PTR timer = SetTimer(nullptr, 0, 30, &DeleteVictim);
  Popup->Popup(nullptr);  // must come back although the object is gone
  KillTimer(nullptr, timer);
  Popup = nullptr;
  EXPECT_TRUE(OpenPopupWindowList().empty());
}

TEST_F(PopupTest, ClickOutsideClosesAndStillReachesItsTarget) {
  ShowModeless();
  // A click inside the popup keeps it.
  ClickAt(PopupEdit, 5, 5);
  EXPECT_TRUE(Popup->IsVisible());
  ClickAt(Other, 10, 10);
  EXPECT_FALSE(Popup->IsVisible());
  EXPECT_EQ(GetFocus(), Other->Handle()) << "the click went on to the other edit";
}

TEST_F(PopupTest, RightClickOutsideClosesToo) {
  ShowModeless();
  // On the form's empty client area (an edit would open its own context menu).
  ClickAt(Form, 250, 100, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  EXPECT_FALSE(Popup->IsVisible());
}

TEST_F(PopupTest, AltKeysOtherThanNavigationAreDroppedByANonModalPopup) {
  ShowModeless();
  ASSERT_EQ(GetFocus(), PopupEdit->Handle());
  SendKey(VK_MENU, false);
  SendKey('X', false);
  SendKey('X', true);
  SendKey(VK_DOWN, false);
  SendKey(VK_DOWN, true);
  SendKey(VK_MENU, true);
  Pump(80);
  EXPECT_EQ(std::count(PopupEdit->SysKeys.begin(), PopupEdit->SysKeys.end(), WPARAM('X')), 0);
  EXPECT_EQ(std::count(PopupEdit->SysKeys.begin(), PopupEdit->SysKeys.end(), WPARAM(VK_DOWN)), 1);
}

TEST_F(PopupTest, HidingTheOwnerClosesThePopup) {
  ShowModeless();
  Owner->Hide();
  Pump(40);
  EXPECT_FALSE(Popup->IsVisible());
}

}  // namespace

namespace {

// A popup that does not take the focus never activates, so only the mouse hook can close
// it on an outside click.
TEST_F(PopupTest, MouseHookClosesAnInactivePopup) {
  Popup->SetCaptureFocus(false);
  ShowModeless();
  EXPECT_NE(GetActiveWindow(), Popup->Handle());
  EXPECT_EQ(GetFocus(), Owner->Handle()) << "the owner keeps the focus";
  ClickAt(Other, 10, 10);
  EXPECT_FALSE(Popup->IsVisible());
  EXPECT_EQ(GetFocus(), Other->Handle());
}

}  // namespace

namespace {

TEST_F(PopupTest, WindowsInsideAShownPopupMapToTheOwnerWindow) {
  ASSERT_EQ(vxPopupOwnerWindow, &vxPopupOwnerWindowFunc) << "set while the unit is started";
  ShowModeless();
  EXPECT_EQ(vxPopupOwnerWindow(PopupEdit->Handle()), Owner->Handle());
  EXPECT_EQ(vxPopupOwnerWindow(Other->Handle()), Other->Handle());
  Popup->CloseUp();
  EXPECT_EQ(vxPopupOwnerWindow(PopupEdit->Handle()), PopupEdit->Handle()) << "a hidden popup maps nothing";
}

// Inside a focused popup, a shortcut of the owner's form menu still runs, focus moves
// between the popup's controls with the activation hooks held off, and aligned controls
// fill the view's client rect.
TEST_F(PopupTest, OwnerFormShortcutsFocusMovesAndClientRect) {
  auto* menu = new TMainMenu(Form);
  auto* top = new TMenuItem(Form);
  top->SetCaption(L"File");
  auto* item = new TMenuItem(Form);
  item->SetCaption(L"Mark");
  item->SetShortCut(ShortCut(L'M', TShiftState{ssCtrl}));
  int clicks = 0;
  item->OnClick = [&](TObject*) { ++clicks; };
  top->Add(item);
  menu->Items()->Add(top);
  Form->SetMenu(menu);

  auto* second = new TEdit(Popup);
  second->SetBounds(0, 50, 100, 20);
  second->SetParent(Popup);
  Integer lockSeen = -1;
  second->OnEnter = [&](TObject*) { lockSeen = PopupActivationLockCount; };

  Popup->SetModalMode(false);
  Popup->Popup(PopupEdit);
  Pump(60);
  ASSERT_TRUE(Popup->IsVisible());
  PopupEdit->SetFocus();
  Pump(30);
  ASSERT_EQ(GetFocus(), PopupEdit->Handle());
  SendKey(VK_CONTROL, false);
  SendKey(L'M', false);
  SendKey(L'M', true);
  SendKey(VK_CONTROL, true);
  Pump(60);
  EXPECT_EQ(clicks, 1) << "the owner form's menu takes the shortcut";

  second->SetFocus();
  Pump(30);
  EXPECT_GT(lockSeen, 0) << "activation messages are swallowed while the focus moves";
  EXPECT_EQ(PopupActivationLockCount, 0);
  EXPECT_TRUE(Popup->IsVisible());

  Popup->ViewInfo()->ClientRect = TRect{3, 4, 63, 44};
  auto* panel = new TPanel(Popup);
  panel->SetParent(Popup);
  panel->SetAlign(alClient);
  Popup->Realign();
  const RECT bounds = panel->BoundsRect(), want{3, 4, 63, 44};
  EXPECT_TRUE(EqualRect(&bounds, &want)) << bounds.left << "," << bounds.top << "," << bounds.right << ","
                                         << bounds.bottom;
  Popup->CloseUp();
  Form->SetMenu(nullptr);
}

// A popup opened from a control inside another popup is related to the outer one, and
// every popup is related to its owner control: focus inside the inner popup keeps the
// outer one focused.
TEST_F(PopupTest, NestedPopupsAreRelatedWindows) {
  ShowModeless();
  auto* inner = new TvxCustomPopupWindow(PopupEdit);
  inner->SetOwnerParent(Popup);
  inner->SetOwnerBounds(TRect{0, 0, 100, 40});
  auto* innerEdit = new TEdit(inner);
  innerEdit->SetBounds(0, 0, 80, 20);
  innerEdit->SetParent(inner);
  inner->SetModalMode(false);
  inner->Popup(innerEdit);
  Pump(60);
  ASSERT_TRUE(inner->IsVisible());
  ASSERT_TRUE(Popup->IsVisible());
  innerEdit->SetFocus();
  Pump(30);
  EXPECT_TRUE(vxIsRelatedWindowHandle(Popup, innerEdit->Handle())) << "a popup owned from inside the popup";
  EXPECT_TRUE(vxIsRelatedWindowHandle(Popup, inner->Handle()));
  EXPECT_TRUE(vxIsRelatedWindowHandle(Owner, Popup->Handle())) << "a popup owned by the control";
  EXPECT_TRUE(vxIsRelatedWindowHandle(Owner, innerEdit->Handle())) << "and the popups owned from it";
  EXPECT_FALSE(vxIsRelatedWindowHandle(Other, Popup->Handle()));
  EXPECT_FALSE(vxIsRelatedWindowHandle(inner, PopupEdit->Handle()));
  EXPECT_TRUE(Popup->Focused());
  inner->CloseUp();
  delete inner;
  Popup->CloseUp();
}

}  // namespace

}  // namespace ZS_UNITY_ID
