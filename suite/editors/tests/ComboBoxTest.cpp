// The combo box on real windows: its list in whole rows, picking a row with the mouse or
// the keys, incremental search with the list following the text, the list styles, the
// double-click step and the grip that snaps to rows.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Forms.h"
#include "vxDropDownEdit.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 40) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(1);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

void Send(std::vector<INPUT> AInputs) {
  for (INPUT& i : AInputs) {
    SendInput(1, &i, sizeof(INPUT));
    Pump(5);
  }
  Pump(60);
}

INPUT Vk(WORD AVk, bool AUp) {
  INPUT i{};
  i.type = INPUT_KEYBOARD;
  i.ki.wVk = AVk;
  i.ki.dwFlags = AUp ? KEYEVENTF_KEYUP : 0;
  return i;
}

void Press(WORD AVk, bool AAlt = false) {
  std::vector<INPUT> in;
  if (AAlt) in.push_back(Vk(VK_MENU, false));
  in.push_back(Vk(AVk, false));
  in.push_back(Vk(AVk, true));
  if (AAlt) in.push_back(Vk(VK_MENU, true));
  Send(in);
}

void Type(const std::wstring& S) {
  for (wchar_t c : S) {
    INPUT d{};
    d.type = INPUT_KEYBOARD;
    d.ki.wScan = c;
    d.ki.dwFlags = KEYEVENTF_UNICODE;
    INPUT u = d;
    u.ki.dwFlags |= KEYEVENTF_KEYUP;
    Send({d, u});
  }
}

INPUT MoveTo(POINT P) {
  INPUT m{};
  m.type = INPUT_MOUSE;
  m.mi.dx = MulDiv(P.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  m.mi.dy = MulDiv(P.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  m.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return m;
}

INPUT MouseButton(bool ADown) {
  INPUT i{};
  i.type = INPUT_MOUSE;
  i.mi.dwFlags = ADown ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  return i;
}

void Click(POINT P) { Send({MoveTo(P), MouseButton(true), MouseButton(false)}); }

struct ComboBoxTest : ::testing::Test {
  TForm* Form = nullptr;
  TvxComboBox* Combo = nullptr;
  std::vector<std::string> Log;
  int Posts = 0;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(80, 80, 360, 300);
    Form->Show();
    Combo = TvxContainer::Create<TvxComboBox>(Form);
    Combo->SetBounds(10, 10, 160, 24);
    Combo->SetParent(Form);
    Fill(20);
    TvxComboBoxProperties* p = Combo->Properties();
    p->OnPopup = [this](TObject*) { Log.push_back("popup"); };
    p->OnClosePopup = [this](TObject*, TvxEditCloseUpReason R) { Log.push_back("close:" + std::to_string(R)); };
    p->OnEditValueChanged = [this](TObject*) { Log.push_back("value"); };
    Combo->OnPostEditValue = [this](TObject*) { ++Posts; };
    SetForegroundWindow(Form->Handle());
    Combo->SetFocus();
    Pump(60);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  void Fill(int N) {
    TStringList* items = Combo->Properties()->Items();
    items->Clear();
    for (int i = 0; i < N; ++i) items->Add(L"item " + std::to_wstring(i));
  }
  TvxCustomEditPopupWindow* Popup() { return Combo->PopupWindow(); }
  TvxComboBoxListBox* List() { return Combo->GetLookupData()->List(); }
  POINT ButtonCenter() {
    const TRect b = Combo->ViewInfo()->Buttons(0)->Bounds;
    POINT p{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    ClientToScreen(Combo->Handle(), &p);
    return p;
  }
  POINT RowCenter(int ARow) {
    RECT r;
    SendMessageW(List()->Handle(), LB_GETITEMRECT, static_cast<WPARAM>(ARow), reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(List()->Handle(), &p);
    return p;
  }
};

TEST_F(ComboBoxTest, TheListShowsItsRowsInWholeAndScrollsOnlyWhenMoreItemsThanRows) {
  struct Case {
    int Items;
    int Rows;
    bool ScrollBar;
  } cases[] = {{20, 8, true}, {5, 5, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Items);
    Fill(c.Items);
    Combo->SetDroppedDown(true);
    Pump(60);
    ASSERT_TRUE(Popup()->IsVisible());
    RECT client;
    GetClientRect(List()->Handle(), &client);
    const int row = List()->GetItemHeight(0);
    EXPECT_EQ(client.bottom, c.Rows * row);
    EXPECT_EQ((GetWindowLongW(List()->Handle(), GWL_STYLE) & WS_VSCROLL) != 0, c.ScrollBar);
    Combo->SetDroppedDown(false);
    Pump(30);
  }
  // An empty list does not drop down.
  Fill(0);
  Combo->SetDroppedDown(true);
  Pump(60);
  EXPECT_FALSE(Popup()->IsVisible());
}

TEST_F(ComboBoxTest, ARowClickedInTheListBecomesTheValueAndClosesPostingWhenImmediate) {
  for (bool immediate : {false, true}) {
    SCOPED_TRACE(immediate);
    Log.clear();
    Combo->Properties()->SetImmediatePost(immediate);
    Click(ButtonCenter());
    ASSERT_TRUE(Popup()->IsVisible());
    const int row = immediate ? 5 : 3;
    Click(RowCenter(row));
    EXPECT_FALSE(Popup()->IsVisible());
    const String text = L"item " + std::to_wstring(row);
    EXPECT_EQ(Combo->Text(), text);
    EXPECT_EQ(VarToStr(Combo->EditValue()), text);
    EXPECT_EQ(Combo->ItemIndex(), row);
    EXPECT_EQ(Log, (std::vector<std::string>{"popup", "value", "close:" + std::to_string(crEnter)}));
  }
}

TEST_F(ComboBoxTest, AnInPlaceComboPostsThePickedRowWhenImmediate) {
  for (bool immediate : {false, true}) {
    SCOPED_TRACE(immediate);
    auto* e = TvxCustomEdit::CreateInplace<TvxComboBox>(Form);
    e->SetBounds(10, 60, 160, 24);
    e->SetParent(Form);
    for (const wchar_t* s : {L"one", L"two", L"three"}) e->Properties()->Items()->Add(s);
    e->Properties()->SetImmediatePost(immediate);
    int posts = 0;
    e->OnPostEditValue = [&](TObject*) { ++posts; };
    TvxCustomEditData* data = nullptr;
    e->Activate(data);
    Pump(30);
    Press(VK_F4);
    ASSERT_TRUE(e->PopupWindow()->IsVisible());
    Press(VK_DOWN);
    Press(VK_DOWN);
    Press(VK_RETURN);
    EXPECT_FALSE(e->PopupWindow()->IsVisible());
    EXPECT_EQ(e->Text(), L"two");
    EXPECT_EQ(posts, immediate ? 1 : 0);
    delete e;
    delete data;
  }
}

TEST_F(ComboBoxTest, KeysStepTheOpenListAndEnterTakesItsRowEscapeDropsIt) {
  Press(VK_DOWN, true);
  ASSERT_TRUE(Popup()->IsVisible());
  Press(VK_DOWN);
  Press(VK_DOWN);
  EXPECT_EQ(Combo->SelectedItem(), 1);
  EXPECT_EQ(Combo->Text(), L"");  // the list moves, the text waits for Enter
  Press(VK_RETURN);
  EXPECT_FALSE(Popup()->IsVisible());
  EXPECT_EQ(Combo->Text(), L"item 1");
  Press(VK_F4);
  ASSERT_TRUE(Popup()->IsVisible());
  EXPECT_EQ(Combo->SelectedItem(), 1);  // the list opens on the current item
  Press(VK_DOWN);
  Press(VK_ESCAPE);
  EXPECT_FALSE(Popup()->IsVisible());
  EXPECT_EQ(Combo->Text(), L"item 1");
}

TEST_F(ComboBoxTest, TypingSearchesIncrementallyAndTheOpenListFollows) {
  TStringList* items = Combo->Properties()->Items();
  items->Clear();
  for (const wchar_t* s : {L"apple", L"Banana", L"banjo", L"cherry"}) items->Add(s);
  Type(L"ba");
  ASSERT_TRUE(Popup()->IsVisible());  // typing drops the list down
  EXPECT_EQ(Combo->Text(), L"banana");
  EXPECT_EQ(Combo->SelectedItem(), 1);
  Type(L"nj");
  EXPECT_EQ(Combo->Text(), L"banjo");
  EXPECT_EQ(Combo->SelectedItem(), 2);
  Press(VK_RETURN);
  EXPECT_FALSE(Popup()->IsVisible());
  EXPECT_EQ(Combo->Text(), L"banjo");
}

TEST_F(ComboBoxTest, OnlyAFixedListOpensOnAClickInTheText) {
  struct Case {
    TvxEditDropDownListStyle Style;
    bool Opens;
  } cases[] = {{lsEditList, false}, {lsEditFixedList, false}, {lsFixedList, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Style);
    Combo->Properties()->SetDropDownListStyle(c.Style);
    Pump(30);
    POINT p{20, Combo->Height() / 2};
    ClientToScreen(Combo->Handle(), &p);
    Click(p);
    EXPECT_EQ(Popup()->IsVisible(), c.Opens);
    Combo->SetDroppedDown(false);
    Pump(30);
  }
}

TEST_F(ComboBoxTest, ARevertableComboStepsToTheNextItemOnADoubleClickWrapping) {
  TvxComboBoxProperties* p = Combo->Properties();
  TStringList* items = p->Items();
  items->Clear();
  for (const wchar_t* s : {L"A", L"B", L"C"}) items->Add(s);
  p->SetRevertable(true);
  Combo->SetItemIndex(2);
  ASSERT_EQ(Combo->Text(), L"C");
  HWND inner = Combo->InnerTextControl()->Handle();
  auto doubleClick = [&] {
    SendMessageW(inner, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(inner, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(inner, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(inner, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
  };
  doubleClick();
  EXPECT_EQ(Combo->Text(), L"A");
  p->SetRevertable(false);
  doubleClick();
  EXPECT_EQ(Combo->Text(), L"A");
}

TEST_F(ComboBoxTest, DraggingTheGripEndsOnAWholeRow) {
  TvxComboBoxProperties* p = Combo->Properties();
  p->SetDropDownSizeable(true);
  Popup()->SetShowContentWhileResize(true);
  Combo->SetDroppedDown(true);
  Pump(60);
  ASSERT_TRUE(Popup()->IsVisible());
  const int row = List()->GetItemHeight(0);
  const TRect g = Popup()->ViewInfo()->SizeGripSizingRect;
  ASSERT_FALSE(g.right <= g.left);
  RECT w;
  GetWindowRect(Popup()->Handle(), &w);
  POINT from{w.left + (g.left + g.right) / 2, w.top + (g.top + g.bottom) / 2};
  for (int dy : {row + row / 2, -(2 * row + row / 3)}) {
    SCOPED_TRACE(dy);
    Send({MoveTo(from), MouseButton(true), MoveTo(POINT{from.x + 5, from.y + dy / 2}),
          MoveTo(POINT{from.x + 10, from.y + dy}), MouseButton(false)});
    ASSERT_TRUE(Popup()->IsVisible());
    RECT client;
    GetClientRect(List()->Handle(), &client);
    EXPECT_EQ(client.bottom % row, 0) << client.bottom;
    GetWindowRect(Popup()->Handle(), &w);
    from = POINT{w.left + (g.left + g.right) / 2, w.bottom - (g.bottom - g.top) / 2};
  }
  Combo->SetDroppedDown(false);
  Pump(30);
}

TEST(ComboBoxPropertiesTest, SettingsMapToTheDropDownAndTheEditingStyle) {
  TvxComboBoxProperties p(nullptr);
  EXPECT_EQ(p.DropDownRows(), 8);
  p.SetDropDownRows(0);  // ignored
  EXPECT_EQ(p.DropDownRows(), 8);
  p.SetDropDownRows(12);
  EXPECT_EQ(p.GetLookupPageRowCount(), 12);
  struct Case {
    TvxEditDropDownListStyle Style;
    TvxEditEditingStyle Editing;
  } cases[] = {{lsEditFixedList, esEditList}, {lsEditList, esEdit}, {lsFixedList, esFixedList}};
  for (const Case& c : cases) {
    p.SetDropDownListStyle(c.Style);
    EXPECT_EQ(p.GetEditingStyle(), c.Editing) << c.Style;
  }
  p.SetDropDownWidth(140);
  p.SetDropDownSizeable(true);
  p.SetDropDownAutoWidth(false);
  EXPECT_EQ(p.PopupWidth(), 140);
  EXPECT_TRUE(p.PopupSizeable());
  EXPECT_FALSE(p.PopupAutoSize());
  TvxComboBoxProperties q(nullptr);
  p.SetItemHeight(19);
  p.SetRevertable(true);
  q.Assign(&p);
  EXPECT_EQ(q.DropDownListStyle(), lsFixedList);
  EXPECT_EQ(q.DropDownRows(), 12);
  EXPECT_EQ(q.ItemHeight(), 19);
  EXPECT_TRUE(q.Revertable());
}

}  // namespace

}  // namespace ZS_UNITY_ID
