// The check box control on real windows: three states set through Checked and State,
// toggled by Space and by clicks, in every look and feel, read back as pixels; a row of
// fifteen boxes as a main window shows them; transparent painting over the parent.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "ExtCtrls.h"
#include "vxCheckBox.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

struct CheckBoxControlTest : TFormFixture {
  TvxCheckBox* Box = nullptr;
  int Clicks = 0, Changes = 0;
  void SetUp() override {
    TFormFixture::SetUp();
    Box = MakeBox(Form, 10, 10, L"Inherit");
    Box->OnClick = [this](TObject*) { ++Clicks; };
    Box->Properties()->OnChange = [this](TObject*) { ++Changes; };
    Pump(40);
  }
  TvxCheckBox* MakeBox(TWinControl* AParent, int X, int Y, const wchar_t* ACaption) {
    TvxCheckBox* b = TvxContainer::Create<TvxCheckBox>(Form);
    b->SetBounds(X, Y, 121, 21);
    b->SetCaption(ACaption);
    b->SetParent(AParent);
    b->HandleNeeded();
    return b;
  }
  // The pixels inside the face's content, as shown on the screen.
  std::vector<COLORREF> Face(TvxCustomCheckBox* B) {
    B->Repaint();
    Pump(20);
    TWindowPixels px(B->Handle());
    const TRect r = B->CheckBoxRect();
    std::vector<COLORREF> out;
    for (int y = r.top + 3; y < r.bottom - 3; ++y)
      for (int x = r.left + 3; x < r.right - 3; ++x) out.push_back(px.At(x, y));
    return out;
  }
  static int Dark(const std::vector<COLORREF>& P) {
    int n = 0;
    for (COLORREF c : P) n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
    return n;
  }
  void Key(WORD Vk, bool Up) {
    SendKey(Vk, Up);
    Pump(40);
  }
};

TEST_F(CheckBoxControlTest, NewBoxIsUncheckedWithValueFalse) {
  EXPECT_EQ(Box->State(), cbsUnchecked);
  EXPECT_EQ(Box->EditValue().VType(), varBoolean);
  EXPECT_FALSE(Box->EditValue().AsBoolean());
  EXPECT_EQ(Box->Width(), 121);
  Box->SetEditValue(Null());
  EXPECT_EQ(Box->State(), cbsGrayed) << "Null is the grayed value";
}

TEST_F(CheckBoxControlTest, ThreeStatesInEveryLookAndFeel) {
  for (TvxLookAndFeelKind kind : {lfFlat, lfStandard, lfUltraFlat, lfOffice11}) {
    Box->Style()->LookAndFeel()->SetKind(kind);
    Box->SetChecked(false);
    const auto unchecked = Face(Box);
    Box->SetChecked(true);
    const auto checked = Face(Box);
    Box->SetState(cbsGrayed);
    const auto grayed = Face(Box);
    EXPECT_EQ(Dark(unchecked), 0) << kind;
    EXPECT_GT(Dark(checked), 5) << kind;
    EXPECT_NE(grayed, checked) << kind;
    EXPECT_NE(grayed, unchecked) << kind;
  }
}

TEST_F(CheckBoxControlTest, CheckedFiresOnlyOnAChange) {
  Box->SetChecked(true);
  EXPECT_TRUE(Box->Checked());
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(Changes, 1);
  Box->SetChecked(true);
  EXPECT_EQ(Clicks, 1) << "setting the same state again does nothing";
  EXPECT_EQ(Changes, 1);
  Box->Clear();
  EXPECT_EQ(Box->State(), cbsUnchecked);
  EXPECT_EQ(Clicks, 2);
}

TEST_F(CheckBoxControlTest, ToggleCyclesThroughGrayedOnlyWhenAllowed) {
  Box->Toggle();
  EXPECT_EQ(Box->State(), cbsChecked);
  Box->Toggle();
  EXPECT_EQ(Box->State(), cbsUnchecked);
  Box->Properties()->SetAllowGrayed(true);
  Box->Toggle();
  EXPECT_EQ(Box->State(), cbsGrayed);
  Box->Toggle();
  EXPECT_EQ(Box->State(), cbsChecked);
  EXPECT_EQ(Changes, 4) << "one change per toggle";
}

TEST_F(CheckBoxControlTest, SpacePressesThenTogglesOnRelease) {
  Box->SetFocus();
  Pump(30);
  Key(VK_SPACE, false);
  EXPECT_EQ(Box->CheckBoxState(), ecsPressed);
  EXPECT_EQ(Box->State(), cbsUnchecked) << "nothing changes while space is held";
  Key(VK_SPACE, true);
  EXPECT_EQ(Box->State(), cbsChecked);
  EXPECT_GT(Dark(Face(Box)), 5);
  // Losing the focus while space is held drops the press.
  TvxCheckBox* other = MakeBox(Form, 10, 40, L"Other");
  Key(VK_SPACE, false);
  other->SetFocus();
  Pump(30);
  Key(VK_SPACE, true);
  EXPECT_EQ(Box->State(), cbsChecked);
  EXPECT_EQ(other->State(), cbsUnchecked);
}

TEST_F(CheckBoxControlTest, ClickTogglesReleaseOutsideDoesNot) {
  const TRect r = Box->CheckBoxRect();
  ClickAt(Box, r.left + 5, r.top + 5);
  EXPECT_EQ(Box->State(), cbsChecked);
  Sleep(GetDoubleClickTime() + 50);
  ClickAt(Box, 60, 10);  // the caption belongs to the box too
  EXPECT_EQ(Box->State(), cbsUnchecked);
  ClickAt(Box, r.left + 5, r.top + 5, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, true);
  MoveMouse(ScreenPoint(Form, 250, 150));
  Pump(30);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(30);
  EXPECT_EQ(Box->State(), cbsUnchecked);
}

TEST_F(CheckBoxControlTest, TransparentBoxShowsItsParent) {
  TPanel* panel = Add<TPanel>(Form, RECT{10, 60, 200, 100});
  panel->SetColor(clLime);
  TvxCheckBox* b = MakeBox(panel, 5, 5, L"");
  b->SetTransparent(true);
  b->SetChecked(true);
  Pump(30);
  b->Repaint();
  Pump(20);
  TWindowPixels px(b->Handle());
  EXPECT_EQ(px.At(100, 10), Shown(clLime));
  EXPECT_GT(Dark(Face(b)), 5);
  b->SetTransparent(false);
  b->Repaint();
  Pump(20);
  EXPECT_NE(TWindowPixels(b->Handle()).At(100, 10), Shown(clLime));
}

// The main window's permissions: thirteen special permissions, the inheritance box and
// the "(NP)" box, each set and shown.
TEST_F(CheckBoxControlTest, FifteenBoxesOfTheMainWindow) {
  std::vector<TvxCheckBox*> boxes;
  for (int i = 0; i < 15; ++i) {
    boxes.push_back(MakeBox(Form, 10 + (i % 2) * 140, 30 + (i / 2) * 21,
                            i == 14 ? L"(NP)" : (L"Permission " + IntToStr(i)).c_str()));
    boxes.back()->SetChecked(i % 3 == 0);
  }
  Pump(40);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(boxes[i]->Checked(), i % 3 == 0) << i;
    EXPECT_EQ(Dark(Face(boxes[i])) > 5, i % 3 == 0) << i;
  }
}

}  // namespace

}  // namespace ZS_UNITY_ID
