#include <gtest/gtest.h>

#include <memory>

#include "FormsTestSupport.h"
#include "Menus.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

TEST(MenusTest, ShortCutTextAndCaptions) {
  struct {
    TShortCut Value;
    const wchar_t* Text;
  } cases[] = {{ShortCut('S', {ssCtrl}), L"Ctrl+S"},
               {ShortCut(VK_F5, {}), L"F5"},
               {ShortCut(VK_DELETE, {ssShift, ssCtrl}), L"Shift+Ctrl+Del"},
               {ShortCut('1', {ssAlt}), L"Alt+1"},
               {ShortCut(VK_RETURN, {}), L"Enter"}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(String(c.Text), ShortCutToText(c.Value));
    EXPECT_EQ(c.Value, TextToShortCut(c.Text));
  }
  EXPECT_EQ(ShortCut('S', {ssCtrl}), TextToShortCut(L"ctrl+s"));
  EXPECT_EQ(0, TextToShortCut(L"Ctrl+"));
  EXPECT_EQ(0, TextToShortCut(L"Ctrl+Nothing"));
  EXPECT_EQ(L"", ShortCutToText(0));
  Word key;
  TShiftState shift;
  ShortCutToKey(TextToShortCut(L"Shift+Alt+F2"), key, shift);
  EXPECT_EQ(VK_F2, key);
  EXPECT_TRUE(shift.Contains(ssShift) && shift.Contains(ssAlt) && !shift.Contains(ssCtrl));

  EXPECT_EQ(L"File", StripHotkey(L"&File"));
  EXPECT_EQ(L"Save & Exit", StripHotkey(L"Save && E&xit"));
  EXPECT_EQ(L'X', GetHotkey(L"Save && E&xit"));
  EXPECT_EQ(0, GetHotkey(L"A && B"));
}

TEST(MenusTest, ItemTreeRadioGroupsAndSystemMenu) {
  TPopupMenu menu(nullptr);
  auto* a = new TMenuItem(nullptr);
  auto* b = new TMenuItem(nullptr);
  auto* sub = new TMenuItem(nullptr);
  auto* child = new TMenuItem(nullptr);
  a->SetCaption(L"&A");
  b->SetCaption(L"&B");
  sub->SetCaption(L"Sub");
  child->SetCaption(L"Child");
  for (auto* r : {a, b}) {
    r->SetRadioItem(true);
    r->SetGroupIndex(1);
  }
  menu.Items()->Add({a, b, sub});
  sub->Add(child);
  EXPECT_THROW(child->Add(sub), EMenuError);
  EXPECT_EQ(sub, menu.Items()->Find(L"sub"));
  EXPECT_EQ(&menu, child->GetParentMenu());

  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  b->SetEnabled(false);

  HMENU h = menu.Handle();
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(3, GetMenuItemCount(h));
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE;
  GetMenuItemInfoW(h, 1, TRUE, &mii);
  EXPECT_TRUE(mii.fState & MFS_CHECKED);
  EXPECT_TRUE(mii.fState & MFS_DISABLED);
  EXPECT_TRUE(mii.fType & MFT_RADIOCHECK);
  GetMenuItemInfoW(h, 2, TRUE, &mii);
  EXPECT_EQ(sub->Handle(), mii.hSubMenu);

  // A change rebuilds the system menu; hidden items are left out.
  a->SetVisible(false);
  EXPECT_EQ(2, GetMenuItemCount(menu.Handle()));
  EXPECT_TRUE(menu.DispatchCommand(child->Command()));
  delete sub;  // frees its child and leaves the menu
  EXPECT_EQ(2, menu.Items()->Count());
  EXPECT_EQ(nullptr, menu.FindItem(child->Command() + 0, fkCommand));
}

namespace {

struct MenusWindowTest : ::testing::Test {
  TForm* Form = nullptr;
  zs_test::TSwatch* Box = nullptr;
  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(60, 60, 320, 240);
    Box = new zs_test::TSwatch(Form);
    Box->SetBounds(10, 10, 100, 100);
    Box->SetTabStop(true);
    Box->SetParent(Form);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Pump(100);
    Box->SetFocus();
    Pump(50);
  }
  void TearDown() override {
    Application->OnMessage = nullptr;
    delete Form;
    Pump(20);
  }
};

// What the timer does while a popup menu is open.
TPopupMenu* OpenMenu = nullptr;
int ClickIndex = -1;
TColor SeenColor = clNone;

void CALLBACK ClickOpenMenu(HWND, UINT, UINT_PTR Id, DWORD) {
  KillTimer(nullptr, Id);
  HWND menuWnd = FindWindowW(L"#32768", nullptr);
  RECT r{};
  if (!menuWnd || !GetMenuItemRect(nullptr, OpenMenu->Handle(), ClickIndex, &r)) {
    EndMenu();
    return;
  }
  HDC dc = GetDC(nullptr);
  SeenColor = static_cast<TColor>(GetPixel(dc, r.left + 3, (r.top + r.bottom) / 2));
  ReleaseDC(nullptr, dc);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

}  // namespace

// Key presses reach menu items through their shortcuts: the control's popup menu
// first, then the form's main menu; disabled items do not run.
TEST_F(MenusWindowTest, ShortCutsFireMenuItems) {
  std::wstring log;
  auto* main = new TMainMenu(Form);
  auto* file = new TMenuItem(Form);
  file->SetCaption(L"&File");
  auto* save = new TMenuItem(Form);
  save->SetCaption(L"&Save");
  save->SetShortCut(TextToShortCut(L"Ctrl+S"));
  save->OnClick = [&](TObject*) { log += L"save "; };
  auto* off = new TMenuItem(Form);
  off->SetCaption(L"Off");
  off->SetShortCut(TextToShortCut(L"Ctrl+D"));
  off->SetEnabled(false);
  off->OnClick = [&](TObject*) { log += L"off "; };
  file->Add({save, off});
  main->Items()->Add(file);
  const Integer clientHeight = Form->ClientHeight();
  Form->SetMenu(main);
  EXPECT_EQ(main->Handle(), GetMenu(Form->Handle())) << "the form shows its menu bar";
  EXPECT_EQ(clientHeight, Form->ClientHeight()) << "the window grows by the bar";
  // A choice from the menu bar reaches the item.
  SendMessageW(Form->Handle(), WM_COMMAND, save->Command(), 0);
  EXPECT_EQ(L"save ", log);
  log.clear();

  auto* popup = new TPopupMenu(Form);
  auto* refresh = new TMenuItem(Form);
  refresh->SetShortCut(TextToShortCut(L"F5"));
  refresh->OnClick = [&](TObject*) { log += L"refresh "; };
  popup->Items()->Add(refresh);
  Box->SetPopupMenu(popup);

  Application->OnMessage = [](MSG& Msg, bool& Handled) {
    if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) return;
    TMessage m{Msg.message, Msg.wParam, Msg.lParam, 0};
    TWMKey key(m);
    Handled = IsMenuShortCut(FindControl(Msg.hwnd), key);
  };
  Key(VK_CONTROL, false);
  PressKey('S');
  PressKey('D');
  Key(VK_CONTROL, true);
  PressKey(VK_F5);
  PressKey('S');  // without Ctrl: no shortcut
  Pump(50);
  EXPECT_EQ(L"save refresh ", log);
}

// The ordinary key path gives shortcuts to the popup menus up the parent chain and
// to the form's main menu; other keys still reach the focused control.
TEST_F(MenusWindowTest, ShortCutsFireThroughTheKeyPath) {
  std::wstring log;
  auto* main = new TMainMenu(Form);
  auto* save = new TMenuItem(Form);
  save->SetShortCut(TextToShortCut(L"Ctrl+S"));
  save->OnClick = [&](TObject*) { log += L"save "; };
  main->Items()->Add(save);
  Form->SetMenu(main);
  auto* popup = new TPopupMenu(Form);
  auto* refresh = new TMenuItem(Form);
  refresh->SetShortCut(TextToShortCut(L"F5"));
  refresh->OnClick = [&](TObject*) { log += L"refresh "; };
  popup->Items()->Add(refresh);
  Form->SetPopupMenu(popup);  // on the parent of the focused control
  Box->OnKeyDown = [&](TObject*, Word& K, TShiftState) {
    if (K != VK_CONTROL) log += L"key" + std::to_wstring(K) + L" ";
  };
  ASSERT_FALSE(Application->OnMessage);
  Key(VK_CONTROL, false);
  PressKey('S');
  Key(VK_CONTROL, true);
  PressKey(VK_F5);
  PressKey('A');
  Pump(50);
  EXPECT_EQ(L"save refresh key65 ", log);
}

// A context-menu request shows the control's popup menu, unless OnContextPopup
// handled it; the chosen item runs.
TEST_F(MenusWindowTest, ContextMenuShowsTheControlsPopupMenu) {
  std::wstring log;
  auto* popup = new TPopupMenu(Form);
  popup->OnPopup = [&](TObject*) { log += L"popup "; };
  auto* item = new TMenuItem(Form);
  item->SetCaption(L"Item");
  item->OnClick = [&](TObject*) { log += L"item "; };
  popup->Items()->Add(item);
  Box->SetPopupMenu(popup);
  bool handle = true;
  Box->OnContextPopup = [&](TObject*, POINT, bool& Handled) {
    log += L"context ";
    Handled = handle;
  };
  POINT at = Box->ClientToScreen(POINT{40, 40});
  LPARAM lp = MAKELPARAM(at.x, at.y);
  SendMessageW(Box->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Box->Handle()), lp);
  EXPECT_EQ(L"context ", log);

  log.clear();
  handle = false;
  OpenMenu = popup;
  ClickIndex = 0;
  SetTimer(nullptr, 0, 300, ClickOpenMenu);
  SendMessageW(Box->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Box->Handle()), lp);
  Pump(50);
  EXPECT_EQ(L"context popup item ", log);
  EXPECT_EQ(Box, popup->PopupComponent());
  EXPECT_EQ(at.x, popup->PopupPoint().x);
}

// A popup menu opens at a point, draws its owner-drawn item and runs the item a
// mouse click chose, after OnPopup.
TEST_F(MenusWindowTest, PopupMenuRunsTheClickedItem) {
  std::wstring log;
  TPopupMenu menu(nullptr);
  menu.OnPopup = [&](TObject*) { log += L"popup "; };
  const wchar_t* names[] = {L"One", L"Two", L"Three"};
  for (auto* n : names) {
    auto* i = new TMenuItem(nullptr);
    i->SetCaption(n);
    i->OnClick = [&log, n](TObject*) { log += String(n) + L" "; };
    menu.Items()->Add(i);
  }
  TMenuItem* two = menu.Items()->Items(1);
  two->OnMeasureItem = [](TObject*, TCanvas*, Integer& W, Integer& H) {
    W = 120;
    H = 30;
  };
  two->OnAdvancedDrawItem = [](TObject*, TCanvas* C, RECT R, TOwnerDrawState) {
    C->Brush()->SetColor(clRed);
    C->FillRect(R);
  };
  OpenMenu = &menu;
  ClickIndex = 1;
  SeenColor = clNone;
  SetTimer(nullptr, 0, 300, ClickOpenMenu);
  menu.Popup(150, 150);
  Pump(50);
  EXPECT_EQ(L"popup Two ", log);
  EXPECT_EQ(clRed, SeenColor);
  EXPECT_EQ(150, menu.PopupPoint().x);
}

// A menu given before the window exists, as a form file gives it after the client size,
// shows once the window is made; the client area keeps the size the file gave, with or
// without the bar.
TEST(MenusFormTest, MenuGivenBeforeTheWindowShowsAndKeepsTheClientSize) {
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  form->SetPosition(poDesigned);
  form->SetClientWidth(300);
  form->SetClientHeight(200);
  auto* main = new TMainMenu(form.get());
  auto* help = new TMenuItem(form.get());
  help->SetCaption(L"&Help");
  main->Items()->Add(help);
  form->SetMenu(main);
  EXPECT_EQ(form->ClientHeight(), 200);
  form->Show();
  Pump(50);
  EXPECT_EQ(GetMenu(form->Handle()), main->Handle());
  RECT r{};
  GetClientRect(form->Handle(), &r);
  EXPECT_EQ(r.right, 300);
  EXPECT_EQ(r.bottom, 200);
  form->SetMenu(nullptr);
  EXPECT_EQ(GetMenu(form->Handle()), nullptr);
  GetClientRect(form->Handle(), &r);
  EXPECT_EQ(r.bottom, 200);
  form->SetMenu(main);
  delete main;  // the form forgets a menu that goes
  EXPECT_EQ(form->Menu(), nullptr);
  EXPECT_EQ(GetMenu(form->Handle()), nullptr);
}

// The window frees the menu bar it shows when it goes: the menu does not keep those
// handles, so a new window of the form shows a bar made anew, and the menu frees nothing
// twice.
TEST(MenusFormTest, MenuBarGoesWithTheWindowAndComesBackWithTheNext) {
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  auto* main = new TMainMenu(form.get());
  auto* file = new TMenuItem(form.get());
  file->SetCaption(L"&File");
  auto* open = new TMenuItem(form.get());
  open->SetCaption(L"&Open");
  file->Add(open);
  main->Items()->Add(file);
  form->SetMenu(main);
  form->Show();
  Pump(20);
  const HMENU first = main->Handle();
  ASSERT_EQ(GetMenu(form->Handle()), first);
  DestroyWindow(form->Handle());  // as a parent's window takes its children's
  EXPECT_FALSE(IsMenu(first));
  EXPECT_EQ(main->WindowHandle(), nullptr);
  form->Show();
  Pump(20);
  const HMENU bar = GetMenu(form->Handle());
  ASSERT_TRUE(IsMenu(bar));
  EXPECT_EQ(bar, main->Handle());
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 0)), 1);
}

}  // namespace ZS_UNITY_ID
