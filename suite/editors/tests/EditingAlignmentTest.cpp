// A right-aligned text edit that shows its text left-aligned while it is edited: the
// window style follows the focus, the focus and text survive the switch, and a double
// click whose first click switched the alignment still selects a word.
#include <gtest/gtest.h>
#include <windows.h>

#include "Forms.h"
#include "SysUtils.h"
#include "vxTextEdit.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 30) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(1);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

struct EditingAlignmentTest : ::testing::Test {
  TForm* Form = nullptr;
  TvxTextEdit* Edit = nullptr;
  TvxTextEdit* Other = nullptr;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(60, 60, 360, 200);
    Form->Show();
    Edit = TvxContainer::Create<TvxTextEdit>(Form);
    Edit->SetBounds(10, 10, 240, 24);
    Edit->SetParent(Form);
    Edit->Properties()->Alignment()->SetHorz(taRightJustify);
    Edit->SetEditValue(String(L"hello world"));
    Other = TvxContainer::Create<TvxTextEdit>(Form);
    Other->SetBounds(10, 60, 240, 24);
    Other->SetParent(Form);
    SetForegroundWindow(Form->Handle());
    Other->SetFocus();
    Pump();
  }
  void TearDown() override {
    delete Form;
    Pump(10);
  }
  HWND Inner() { return Edit->InnerTextControl()->Handle(); }
  bool RightAligned() { return (GetWindowLongW(Inner(), GWL_STYLE) & ES_RIGHT) != 0; }
  void Click(POINT AScreen) {
    SetCursorPos(AScreen.x, AScreen.y);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
    Pump(40);
  }
};

TEST_F(EditingAlignmentTest, LeftAlignedWhileFocusedRightAlignedOtherwise) {
  EXPECT_TRUE(RightAligned());
  Edit->SetFocus();
  Pump();
  EXPECT_FALSE(RightAligned());
  EXPECT_EQ(GetFocus(), Inner());  // the re-created window keeps the focus
  EXPECT_EQ(Edit->Text(), L"hello world");
  Other->SetFocus();
  Pump();
  EXPECT_TRUE(RightAligned());
  // Without the rule the alignment never changes.
  Edit->Properties()->SetUseLeftAlignmentOnEditing(false);
  Edit->SetFocus();
  Pump();
  EXPECT_TRUE(RightAligned());
}

TEST_F(EditingAlignmentTest, DoubleClickThroughTheAlignmentSwitchSelectsAWord) {
  POINT p{6, 8};
  ClientToScreen(Inner(), &p);
  Click(p);  // focuses, switches to left alignment (a new window)
  EXPECT_FALSE(RightAligned());
  Click(p);  // the second click of the double click
  EXPECT_GT(Edit->SelLength(), 0);
  EXPECT_EQ(Edit->SelText().substr(0, 5), L"hello");
}

}  // namespace

}  // namespace ZS_UNITY_ID
