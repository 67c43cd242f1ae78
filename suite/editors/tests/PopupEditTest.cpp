// The popup edit on real windows: an application control moved into the popup and put
// back, a form shown without its border, typed keys reaching the hosted control, Escape
// inside the popup, the circular-control refusal and a control freed elsewhere.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
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

void Press(WORD AVk) {
  INPUT d{};
  d.type = INPUT_KEYBOARD;
  d.ki.wVk = AVk;
  INPUT u = d;
  u.ki.dwFlags = KEYEVENTF_KEYUP;
  Send({d, u});
}

void TypeChar(wchar_t C) {
  INPUT d{};
  d.type = INPUT_KEYBOARD;
  d.ki.wScan = C;
  d.ki.dwFlags = KEYEVENTF_UNICODE;
  INPUT u = d;
  u.ki.dwFlags |= KEYEVENTF_KEYUP;
  Send({d, u});
}

struct PopupEditTest : ::testing::Test {
  TForm* Form = nullptr;
  TvxPopupEdit* Edit = nullptr;
  TPanel* Panel = nullptr;
  TEdit* Field = nullptr;
  std::vector<TvxEditCloseUpReason> Reasons;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(80, 80, 420, 320);
    Form->Show();
    Panel = new TPanel(Form);
    Panel->SetParent(Form);
    Panel->SetBounds(200, 150, 180, 120);
    Panel->SetAlign(alNone);
    Panel->SetVisible(false);
    Field = new TEdit(Form);
    Field->SetParent(Panel);
    Field->SetBounds(10, 10, 120, 22);
    Edit = TvxContainer::Create<TvxPopupEdit>(Form);
    Edit->SetBounds(10, 10, 160, 24);
    Edit->SetParent(Form);
    Edit->Properties()->OnClosePopup = [this](TObject*, TvxEditCloseUpReason R) { Reasons.push_back(R); };
    Edit->PopupWindow()->SetModalMode(false);  // the test pumps the messages itself
    SetForegroundWindow(Form->Handle());
    Edit->SetFocus();
    Pump(60);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  bool Open() { return Edit->PopupWindow()->IsVisible(); }
};

TEST_F(PopupEditTest, TheHostedControlFillsThePopupAndGoesBackWhereItWas) {
  Edit->Properties()->SetPopupControl(Panel);
  const TRect before = Panel->BoundsRect();
  Press(VK_F4);
  ASSERT_TRUE(Open());
  TvxCustomEditPopupWindow* w = Edit->PopupWindow();
  EXPECT_EQ(Panel->Parent(), w);
  EXPECT_TRUE(Panel->Visible());
  EXPECT_EQ(Panel->Align(), alClient);
  const TRect client = w->ViewInfo()->ClientRect;
  EXPECT_EQ(Panel->Width(), client.right - client.left);
  EXPECT_EQ(Panel->Height(), client.bottom - client.top);
  // The popup took the focus: its control has it.
  EXPECT_EQ(GetFocus(), Field->Handle());
  // Escape inside the focused popup cancels it.
  Press(VK_ESCAPE);
  EXPECT_FALSE(Open());
  ASSERT_EQ(Reasons.size(), 1u);
  EXPECT_EQ(Reasons[0], crCancel);
  EXPECT_EQ(Panel->Parent(), Form);
  EXPECT_EQ(Panel->Align(), alNone);
  EXPECT_FALSE(Panel->Visible());
  const TRect after = Panel->BoundsRect();
  EXPECT_TRUE(EqualRect(&after, &before));
}

TEST_F(PopupEditTest, ATypedLetterOpensThePopupAndGoesToItsControl) {
  Edit->Properties()->SetPopupControl(Panel);
  TypeChar(L'z');
  Pump(60);
  ASSERT_TRUE(Open());
  EXPECT_EQ(Field->Text(), L"z");
  EXPECT_EQ(Edit->Text(), L"");
  Edit->ClosePopupWithReason(crEnter);
  Pump(60);
  EXPECT_FALSE(Open());
  ASSERT_EQ(Reasons.size(), 1u);
  EXPECT_EQ(Reasons[0], crEnter);
}

TEST_F(PopupEditTest, AFormIsShownWithoutItsBorderAndGetsItBack) {
  TForm* inner = TCustomForm::Create<TForm>(nullptr);
  inner->SetBorderStyle(bsSizeable);
  inner->SetBounds(0, 0, 200, 150);
  Edit->Properties()->SetPopupControl(inner);
  Edit->SetDroppedDown(true);
  Pump(60);
  ASSERT_TRUE(Open());
  EXPECT_EQ(inner->BorderStyle(), bsNone);
  EXPECT_EQ(inner->Parent(), Edit->PopupWindow());
  Edit->SetDroppedDown(false);
  Pump(40);
  EXPECT_EQ(inner->BorderStyle(), bsSizeable);
  EXPECT_EQ(inner->Parent(), nullptr);
  EXPECT_FALSE(inner->Visible());
  delete inner;
}

TEST_F(PopupEditTest, AControlThatContainsTheEditorIsRefused) {
  for (TControl* c : std::vector<TControl*>{Form, Edit}) {
    Edit->Properties()->SetPopupControl(c);
    try {
      Edit->SetDroppedDown(true);
      FAIL() << "no error";
    } catch (const EvxEditError& e) {
      EXPECT_EQ(String(e.Message()), L"Circular referencing is not allowed");
    }
    Pump(40);
    EXPECT_FALSE(Open());
    EXPECT_FALSE(Edit->PopupInitialized());
  }
}

TEST_F(PopupEditTest, AControlFreedElsewhereIsForgotten) {
  Edit->Properties()->SetPopupControl(Panel);
  delete Panel;
  Panel = nullptr;
  EXPECT_EQ(Edit->Properties()->PopupControl(), nullptr);
  EXPECT_FALSE(Edit->CanDropDown());
  Edit->SetDroppedDown(true);
  Pump(40);
  EXPECT_FALSE(Open());
}

TEST(PopupEditPropertiesTest, NewPropertiesAndAssign) {
  TvxPopupEditProperties p(nullptr);
  EXPECT_EQ(p.PopupWidth(), 250);
  EXPECT_EQ(p.PopupHeight(), 200);
  EXPECT_EQ(p.PopupMinWidth(), 100);
  EXPECT_EQ(p.PopupMinHeight(), 100);
  EXPECT_TRUE(p.PopupSizeable());
  EXPECT_TRUE(p.PopupAutoSize());
  EXPECT_TRUE(p.ImmediatePopup());
  EXPECT_TRUE(p.ImmediateDropDown());
  EXPECT_TRUE(p.PopupWindowCapturesFocus());
  EXPECT_FALSE(p.IsLookupListInPopup());
  TPanel panel(nullptr);
  p.SetPopupControl(&panel);
  TvxPopupEditProperties q(nullptr);
  q.Assign(&p);
  EXPECT_EQ(q.PopupControl(), &panel);
  p.SetPopupControl(nullptr);
  q.SetPopupControl(nullptr);
}

}  // namespace

}  // namespace ZS_UNITY_ID
