// The drop-down edit on real windows: opening its popup by the button and by keys,
// closing it by keys, clicks and focus loss with the reason reported, the order of the
// popup events, the pending show request, and the popup settings of its properties.
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

void SendInputs(std::vector<INPUT> AInputs) {
  for (INPUT& i : AInputs) {
    SendInput(1, &i, sizeof(INPUT));
    Pump(5);
  }
  Pump();
}

INPUT Key(WORD AVk, bool AUp) {
  INPUT i{};
  i.type = INPUT_KEYBOARD;
  i.ki.wVk = AVk;
  i.ki.dwFlags = AUp ? KEYEVENTF_KEYUP : 0;
  return i;
}

// A key press, with Alt held when asked.
void PressKey(WORD AVk, bool AAlt = false) {
  std::vector<INPUT> in;
  if (AAlt) in.push_back(Key(VK_MENU, false));
  in.push_back(Key(AVk, false));
  in.push_back(Key(AVk, true));
  if (AAlt) in.push_back(Key(VK_MENU, true));
  SendInputs(in);
}

void TypeChar(wchar_t C) {
  INPUT i{};
  i.type = INPUT_KEYBOARD;
  i.ki.wScan = C;
  i.ki.dwFlags = KEYEVENTF_UNICODE;
  INPUT u = i;
  u.ki.dwFlags |= KEYEVENTF_KEYUP;
  SendInputs({i, u});
}

void ClickAt(POINT P) {
  INPUT m{};
  m.type = INPUT_MOUSE;
  m.mi.dx = MulDiv(P.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  m.mi.dy = MulDiv(P.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  m.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  INPUT d{};
  d.type = INPUT_MOUSE;
  d.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  INPUT u = d;
  u.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInputs({m, d, u});
}

// A drop-down edit whose popup always has content.
class TTestDropDown : public TvxCustomDropDownEdit {
 public:
  using TvxCustomDropDownEdit::TvxCustomDropDownEdit;
  bool CanDropDown() override { return Content; }
  SIZE GetPopupPreferredSize() override { return SIZE{120, 80}; }
  bool Content = true;
};

const char* ReasonName(TvxEditCloseUpReason R) {
  static const char* Names[] = {"unknown", "tab", "close", "cancel", "enter"};
  return Names[R];
}

struct DropDownEditTest : ::testing::Test {
  TForm* Form = nullptr;
  TTestDropDown* Edit = nullptr;
  TvxTextEdit* Other = nullptr;
  std::vector<std::string> Log;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(80, 80, 360, 260);
    Form->Show();
    Edit = TvxContainer::Create<TTestDropDown>(Form);
    Edit->SetBounds(10, 10, 160, 24);
    Edit->SetParent(Form);
    Other = TvxContainer::Create<TvxTextEdit>(Form);
    Other->SetBounds(10, 200, 160, 24);
    Other->SetParent(Form);
    Listen(Edit);
    SetForegroundWindow(Form->Handle());
    Edit->SetFocus();
    Pump(60);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  void Listen(TTestDropDown* E) {
    TvxCustomDropDownEditProperties* p = E->Properties();
    p->OnInitPopup = [this](TObject*) { Log.push_back("init"); };
    p->OnPopup = [this](TObject*) { Log.push_back("popup"); };
    p->OnFinalizePopup = [this](TObject*) { Log.push_back("finalize"); };
    p->OnClosePopup = [this](TObject*, TvxEditCloseUpReason R) { Log.push_back(std::string("close:") + ReasonName(R)); };
    p->OnCloseUp = [this](TObject*) { Log.push_back("closeup"); };
  }
  bool Open() { return Edit->PopupWindow()->IsVisible(); }
  RECT ScreenRect(TWinControl* C) {
    RECT r;
    GetWindowRect(C->Handle(), &r);
    return r;
  }
  POINT ButtonCenter() {
    const TRect b = Edit->ViewInfo()->Buttons(0)->Bounds;
    POINT p{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    ClientToScreen(Edit->Handle(), &p);
    return p;
  }
  void OpenBy(const std::string& AHow) {
    if (AHow == "button")
      ClickAt(ButtonCenter());
    else if (AHow == "alt+down")
      PressKey(VK_DOWN, true);
    else if (AHow == "f4")
      PressKey(VK_F4);
    else
      Edit->SetDroppedDown(true);
    Pump(60);
  }
  void CloseBy(const std::string& AHow) {
    if (AHow == "f4")
      PressKey(VK_F4);
    else if (AHow == "alt+up")
      PressKey(VK_UP, true);
    else if (AHow == "escape")
      PressKey(VK_ESCAPE);
    else if (AHow == "enter")
      PressKey(VK_RETURN);
    else if (AHow == "button")
      ClickAt(ButtonCenter());
    else if (AHow == "outside") {
      const RECT f = ScreenRect(Form);
      ClickAt(POINT{f.right - 20, f.top + 40});
    } else if (AHow == "focus") {
      Other->SetFocus();
    }
    Pump(60);
  }
};

TEST_F(DropDownEditTest, OpensByButtonAndKeysAndReportsHowItClosedInEventOrder) {
  struct Case {
    const char* OpenHow;
    const char* CloseHow;
    const char* Reason;
  } cases[] = {
      {"button", "escape", "cancel"},   {"alt+down", "enter", "enter"}, {"f4", "f4", "close"},
      {"alt+down", "alt+up", "close"},  {"f4", "button", "unknown"},    {"button", "outside", "unknown"},
      {"f4", "focus", "unknown"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.OpenHow) + " / " + c.CloseHow);
    Edit->SetFocus();
    Pump(30);
    Log.clear();
    OpenBy(c.OpenHow);
    ASSERT_TRUE(Open());
    EXPECT_TRUE(Edit->DroppedDown());
    EXPECT_TRUE(Edit->Focused());
    CloseBy(c.CloseHow);
    EXPECT_FALSE(Open());
    const std::vector<std::string> expected{"init", "popup", "finalize", std::string("close:") + c.Reason,
                                            "closeup"};
    EXPECT_EQ(Log, expected);
    EXPECT_FALSE(Edit->PopupInitialized());
    // The click that closed the popup on its button did not open it again, and a later
    // click does.
    if (std::string(c.CloseHow) == "button") {
      Pump(80);
      EXPECT_FALSE(Open());
      POINT p = ButtonCenter();
      p.x += 1;
      ClickAt(p);
      Pump(60);
      EXPECT_TRUE(Open());
      Edit->SetDroppedDown(false);
      Pump(30);
    }
  }
}

TEST_F(DropDownEditTest, EscapeAndEnterThatCloseThePopupDoNotReachTheEditor) {
  Edit->Properties()->SetImmediateDropDown(false);
  Edit->SetEditValue(L"abc");
  Edit->SelectAll();
  Edit->SetSelStart(3);
  TypeChar(L'x');
  ASSERT_EQ(Edit->Text(), L"abcx");
  for (WORD k : {VK_ESCAPE, VK_RETURN}) {
    OpenBy("f4");
    ASSERT_TRUE(Open());
    PressKey(k);
    EXPECT_FALSE(Open());
    // The editor's own Escape would have put the value back.
    EXPECT_EQ(Edit->Text(), L"abcx");
  }
  // With the popup closed, Escape reaches the editor again and resets the typed text.
  PressKey(VK_ESCAPE);
  EXPECT_NE(Edit->Text(), L"abcx");
  // Alt+F4 is not the drop-down key.
  PressKey(VK_F4, true);
  Pump(60);
  EXPECT_FALSE(Open());
}

TEST_F(DropDownEditTest, WithoutContentARequestOnlyInitializesAndFinalizes) {
  Edit->Content = false;
  OpenBy("f4");
  EXPECT_FALSE(Open());
  EXPECT_EQ(Log, (std::vector<std::string>{"init", "finalize"}));
}

TEST_F(DropDownEditTest, TypingWithImmediateDropDownOpensThePopupAndKeepsTheLetter) {
  Edit->Properties()->SetImmediateDropDown(true);
  TypeChar(L'q');
  Pump(60);
  EXPECT_TRUE(Open());
  EXPECT_EQ(Edit->Text(), L"q");
  Edit->SetDroppedDown(false);
  Pump(30);
  Edit->Properties()->SetImmediateDropDown(false);
  TypeChar(L'r');
  Pump(60);
  EXPECT_FALSE(Open());
  EXPECT_EQ(Edit->Text(), L"qr");
}

TEST_F(DropDownEditTest, APendingShowIsCancelledAsAnOpenAndCloseOnDeactivation) {
  Edit->SetDroppedDown(true);  // the show request waits in the queue
  ASSERT_TRUE(Edit->IsShowPending());
  Edit->SetDroppedDown(true);  // ignored while one is pending
  Edit->Deactivate();
  EXPECT_FALSE(Edit->IsShowPending());
  Pump(60);
  EXPECT_FALSE(Open());
  EXPECT_EQ(Log, (std::vector<std::string>{"init", "finalize", "close:unknown", "closeup"}));
}

TEST_F(DropDownEditTest, DestroyingWithAPendingShowFiresNoCloseEvents) {
  TTestDropDown* e = TvxContainer::Create<TTestDropDown>(Form);
  e->SetBounds(10, 60, 160, 24);
  e->SetParent(Form);
  Listen(e);
  e->SetFocus();
  Pump(30);
  Log.clear();
  e->SetDroppedDown(true);
  ASSERT_TRUE(e->IsShowPending());
  delete e;
  Pump(60);
  // The half-destroyed editor ran none of its close handlers.
  EXPECT_EQ(Log, (std::vector<std::string>{"init"}));
}

TEST_F(DropDownEditTest, AnEditorStillOpenWhenDestroyedLeavesNoPopupBehind) {
  TTestDropDown* e = TvxContainer::Create<TTestDropDown>(Form);
  e->SetBounds(10, 60, 160, 24);
  e->SetParent(Form);
  e->SetFocus();
  Pump(30);
  e->SetDroppedDown(true);
  Pump(60);
  ASSERT_TRUE(e->PopupWindow()->IsVisible());
  const size_t before = OpenPopupWindowList().size();
  delete e;
  Pump(30);
  EXPECT_EQ(OpenPopupWindowList().size(), before - 1);
}

TEST_F(DropDownEditTest, TabInPlaceClosesWithTabAndCountsAsEditingWhenAsked) {
  auto* e = TvxCustomEdit::CreateInplace<TTestDropDown>(Form);
  e->SetBounds(10, 60, 160, 24);
  e->SetParent(Form);
  Listen(e);
  e->Properties()->SetPostPopupValueOnTab(true);
  TvxCustomEditData* data = nullptr;
  e->Activate(data);
  Pump(30);
  ASSERT_TRUE(e->Focused());
  PressKey(VK_F4);
  Pump(60);
  ASSERT_TRUE(e->PopupWindow()->IsVisible());
  EXPECT_TRUE(e->IsInplaceEditing());
  PressKey(VK_TAB);
  EXPECT_FALSE(e->PopupWindow()->IsVisible());
  EXPECT_EQ(Log, (std::vector<std::string>{"init", "popup", "finalize", "close:tab", "closeup"}));
  delete e;
  delete data;
}

TEST_F(DropDownEditTest, ADraggedPopupSizeIsStoredInTheProperties) {
  TvxCustomDropDownEditProperties* p = Edit->Properties();
  p->SetPopupSizeable(true);
  p->SetPopupSysPanelStyle(true);
  p->SetPopupAutoSize(false);
  p->SetPopupWidth(200);
  p->SetPopupHeight(120);
  Edit->PopupWindow()->SetShowContentWhileResize(true);
  OpenBy("f4");
  TvxCustomEditPopupWindow* w = Edit->PopupWindow();
  ASSERT_TRUE(w->IsVisible());
  EXPECT_EQ(w->Width(), 200);
  EXPECT_EQ(w->Height(), 120);
  const TRect g = w->ViewInfo()->SizeGripSizingRect;
  RECT r = ScreenRect(w);
  POINT from{r.left + (g.left + g.right) / 2, r.top + (g.top + g.bottom) / 2};
  INPUT m{};
  m.type = INPUT_MOUSE;
  auto move = [&](POINT P) {
    m.mi.dx = MulDiv(P.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    m.mi.dy = MulDiv(P.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    m.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return m;
  };
  INPUT down{}, up{};
  down.type = up.type = INPUT_MOUSE;
  down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInputs({move(from), down, move(POINT{from.x + 20, from.y + 15}), move(POINT{from.x + 40, from.y + 30}), up});
  ASSERT_TRUE(w->IsVisible());
  EXPECT_EQ(w->Width(), 240);
  EXPECT_EQ(w->Height(), 150);
  CloseBy("escape");
  EXPECT_EQ(p->PopupWidth(), 240);
  EXPECT_EQ(p->PopupHeight(), 150);
  // It opens with the dragged size next time.
  OpenBy("f4");
  EXPECT_EQ(w->Width(), 240);
  CloseBy("escape");
}

TEST(DropDownEditPropertiesTest, PopupSizesRespectTheirMinimums) {
  TvxCustomDropDownEditProperties p(nullptr);
  EXPECT_EQ(p.Buttons()->Count(), 1);
  EXPECT_EQ(p.Buttons()->Items(0)->Kind(), bkDown);
  EXPECT_TRUE(p.ImmediateDropDown());
  EXPECT_TRUE(p.PopupAutoSize());
  EXPECT_EQ(p.PopupVertAlignment(), pavBottom);
  struct Step {
    const char* What;
    int Value;
    int Width, Height;
  } steps[] = {
      {"min width", 100, 0, 0},     // a width of 0 stays 0 (the editor's width)
      {"width", 50, 100, 0},        // below the minimum: the minimum
      {"width", -5, 0, 0},          // negative: 0
      {"width", 150, 150, 0},
      {"min height", -3, 150, 0},   // a negative minimum is 0
      {"min height", 80, 150, 80},  // the height follows the new minimum
      {"height", 10, 150, 80},
      {"min width", 200, 200, 80},  // the width follows the new minimum
  };
  for (const Step& s : steps) {
    const std::string w = s.What;
    if (w == "width") p.SetPopupWidth(s.Value);
    if (w == "height") p.SetPopupHeight(s.Value);
    if (w == "min width") p.SetPopupMinWidth(s.Value);
    if (w == "min height") p.SetPopupMinHeight(s.Value);
    EXPECT_EQ(p.PopupWidth(), s.Width) << s.What << " " << s.Value;
    EXPECT_EQ(p.PopupHeight(), s.Height) << s.What << " " << s.Value;
  }
  EXPECT_EQ(p.PopupMinHeight(), 80);
}

TEST(DropDownEditPropertiesTest, GlyphAlignmentAndAssign) {
  TvxCustomDropDownEditProperties p(nullptr);
  TBitmap glyph(8, 8);
  p.SetButtonGlyph(&glyph);
  ASSERT_NE(p.ButtonGlyph(), nullptr);
  EXPECT_EQ(p.ButtonGlyph()->Width(), 8);
  EXPECT_EQ(p.Buttons()->Items(0)->Kind(), bkGlyph);
  p.SetButtonGlyph(nullptr);
  EXPECT_EQ(p.Buttons()->Items(0)->Kind(), bkDown);
  for (TAlignment a : {taRightJustify, taCenter, taLeftJustify}) {
    p.SetPopupAlignment(a);
    EXPECT_EQ(p.PopupAlignment(), a);
  }
  p.SetPopupAlignment(taRightJustify);
  p.SetPopupSizeable(true);
  p.SetPopupMinWidth(90);
  p.SetPopupWidth(120);
  p.SetPostPopupValueOnTab(true);
  int inits = 0, finals = 0;
  p.OnInitPopup = [&](TObject*) { ++inits; };
  p.OnFinalizePopup = [&](TObject*) { ++finals; };
  TvxCustomDropDownEditProperties q(nullptr);
  q.Assign(&p);
  EXPECT_EQ(q.PopupHorzAlignment(), pahRight);
  EXPECT_TRUE(q.PopupSizeable());
  EXPECT_EQ(q.PopupMinWidth(), 90);
  EXPECT_EQ(q.PopupWidth(), 120);
  EXPECT_TRUE(q.PostPopupValueOnTab());
  EXPECT_TRUE(static_cast<bool>(q.OnInitPopup));
  EXPECT_FALSE(static_cast<bool>(q.OnFinalizePopup));  // not copied
}

}  // namespace

}  // namespace ZS_UNITY_ID
