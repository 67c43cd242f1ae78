// The edit control's buttons under the mouse (a click fires on release over the pressed
// button), the control painted through its view info and read back, button accelerators
// and hints, clipboard messages on a read-only editor, and automatic size with anchors.
#include <gtest/gtest.h>
#include <windows.h>

#include "EditTestSurface.h"
#include "Forms.h"
#include "Streaming.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxCustomEdit.h"
#include "vxFilterControlUtils.h"
#include "vxTextEdit.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 50) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(2);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

// An editor with two buttons that records what it is told.
class TButtonsEdit : public TvxCustomEdit {
 public:
  using TvxCustomEdit::TvxCustomEdit;
  std::vector<Integer> Downs, Ups;
  int Copies = 0, Cuts = 0;
  bool UseAnchorX = false;
  using TvxCustomEdit::GetEditStateColorKind;
  void CopyToClipboard() override { ++Copies; }
  void CutToClipboard() override { ++Cuts; }

 protected:
  void DoButtonDown(Integer I) override { Downs.push_back(I); }
  void DoButtonUp(Integer I) override { Ups.push_back(I); }
  bool UsesAnchorX() override { return UseAnchorX; }
};

struct EditButtonsInputTest : ::testing::Test {
  TForm* Form = nullptr;
  TButtonsEdit* Edit = nullptr;
  std::vector<Integer> Clicks;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(60, 60, 360, 200);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Edit = TvxContainer::Create<TButtonsEdit>(Form);
    Edit->SetAutoSize(false);
    Edit->SetBounds(10, 10, 160, 24);
    TvxEditButtons* b = Edit->Properties()->Buttons();
    b->Clear();
    b->Add()->SetKind(bkText);
    b->Items(0)->SetCaption(L"&Go");
    b->Items(0)->SetHint(L"Go now|Runs the search");
    b->Add()->SetKind(bkEllipsis);
    Edit->Properties()->OnButtonClick = [this](TObject*, Integer I) { Clicks.push_back(I); };
    Edit->SetParent(Form);
    Edit->HandleNeeded();
    Pump(60);
    Edit->ShortRefreshContainer(false);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  POINT Centre(Integer AButton) {
    const TRect& r = Edit->ViewInfo()->Buttons(AButton)->Bounds;
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Mouse(UINT Msg, POINT P, WPARAM Keys) { SendMessageW(Edit->Handle(), Msg, Keys, MAKELPARAM(P.x, P.y)); }
};

TEST_F(EditButtonsInputTest, AClickFiresOnReleaseOverThePressedButton) {
  ASSERT_EQ(Edit->ViewInfo()->ButtonCount(), 2);
  const POINT b0 = Centre(0), b1 = Centre(1);
  EXPECT_EQ(Edit->GetButtonIndexAt(b1), 1);
  EXPECT_EQ(Edit->GetButtonIndexAt(POINT{3, 3}), -1);

  Mouse(WM_MOUSEMOVE, b0, 0);
  Mouse(WM_LBUTTONDOWN, b0, MK_LBUTTON);
  EXPECT_EQ(Edit->ViewInfo()->PressedButton, 0);
  EXPECT_EQ(Edit->Downs, std::vector<Integer>{0});
  EXPECT_TRUE(Clicks.empty());
  Mouse(WM_LBUTTONUP, b0, 0);
  EXPECT_EQ(Clicks, std::vector<Integer>{0});
  EXPECT_EQ(Edit->Ups, std::vector<Integer>{0});

  // Pressed on one button, released over the other: no click.
  Clicks.clear();
  Mouse(WM_MOUSEMOVE, b1, 0);
  Mouse(WM_LBUTTONDOWN, b1, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, b0, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, b0, 0);
  EXPECT_TRUE(Clicks.empty());
  if (GetCapture() == Edit->Handle()) ReleaseCapture();
}

TEST_F(EditButtonsInputTest, ThePaintedControlShowsButtonFacesBesideTheEditArea) {
  ASSERT_EQ(Edit->ViewInfo()->ButtonCount(), 2);
  zs_edit_test::Surface s(Edit->Width(), Edit->Height(), RGB(1, 2, 3));
  Edit->PaintTo(s.dc, 0, 0);
  const TRect client = Edit->ViewInfo()->ClientRect;
  const TRect button = Edit->ViewInfo()->Buttons(1)->Bounds;
  EXPECT_LT(client.right, button.left + 1);
  EXPECT_EQ(s.At(client.left + 4, (client.top + client.bottom) / 2), static_cast<COLORREF>(ColorToRGB(clWindow)));
  // The ellipsis button: its face colour at an inner corner, its dots (button text) in
  // the middle.
  EXPECT_EQ(s.At(button.left + 3, button.top + 3), static_cast<COLORREF>(ColorToRGB(clBtnFace)));
  int dark = 0;
  for (int x = button.left; x < button.right; ++x)
    if (s.At(x, (button.top + button.bottom) / 2) == static_cast<COLORREF>(ColorToRGB(clBtnText))) ++dark;
  EXPECT_GT(dark, 0);
  // Nothing left unpainted.
  for (int y = 0; y < Edit->Height(); y += 3)
    for (int x = 0; x < Edit->Width(); x += 3) ASSERT_NE(s.At(x, y), RGB(1, 2, 3)) << x << "," << y;
}

TEST_F(EditButtonsInputTest, AcceleratorsAndHintsOfButtons) {
  EXPECT_EQ(Edit->Perform(CM_DIALOGCHAR, L'g', 0), 1);
  EXPECT_EQ(Clicks, std::vector<Integer>{0});
  EXPECT_EQ(Edit->Perform(CM_DIALOGCHAR, L'x', 0), 0);
  EXPECT_EQ(Clicks.size(), 1u);

  THintInfo info;
  info.CursorPos = Centre(0);
  Mouse(WM_MOUSEMOVE, info.CursorPos, 0);
  EXPECT_EQ(Edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(info.HintStr, L"Go now");
  const TRect r = Edit->ViewInfo()->Buttons(0)->Bounds;
  EXPECT_TRUE(EqualRect(&info.CursorRect, &r));
  // Outside the editor there is no hint.
  info.CursorPos = POINT{-20, -20};
  Mouse(WM_MOUSEMOVE, info.CursorPos, 0);
  EXPECT_EQ(Edit->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), -1);
}

TEST_F(EditButtonsInputTest, CutOnAReadOnlyEditorCopies) {
  SendMessageW(Edit->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(Edit->Cuts, 1);
  Edit->Properties()->SetReadOnly(true);
  SendMessageW(Edit->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(Edit->Cuts, 1);
  EXPECT_EQ(Edit->Copies, 1);
  EXPECT_EQ(Edit->GetEditStateColorKind(), esckReadOnly);
}

TEST_F(EditButtonsInputTest, ButtonsOnlyAutoWidthEditorKeepsItsRightAnchor) {
  Edit->UseAnchorX = true;
  Edit->Properties()->Alignment()->SetHorz(taRightJustify);
  Edit->Properties()->SetButtonsViewStyle(bvsButtonsAutoWidth);
  Edit->SetAutoSize(true);
  Pump(20);
  const Integer right = Edit->Left() + Edit->Width();
  ASSERT_EQ(Edit->AnchorX(), right);
  Edit->Properties()->Buttons()->Items(0)->SetCaption(L"A much longer caption");
  Pump(20);
  Edit->SetAnchorX(right);
  EXPECT_EQ(Edit->Left() + Edit->Width(), right);
  EXPECT_GT(Edit->Width(), 60);
}

TEST_F(EditButtonsInputTest, NativeStylePaintsTheSystemThemeInEachState) {
  // The real cursor may rest over the editor after other programs' input: move it away
  // so that the editor starts in its normal, not hot, state.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  Mouse(WM_MOUSEMOVE, POINT{-5, -5}, 0);
  Edit->Style()->LookAndFeel()->SetNativeStyle(true);
  Edit->ShortRefreshContainer(false);
  if (!Edit->ViewInfo()->NativeStyle) GTEST_SKIP() << "no usable edit theme";
  TvxCustomEditViewInfo* vi = Edit->ViewInfo();
  ASSERT_EQ(vi->ButtonCount(), 2);
  EXPECT_EQ(vi->NativeState, 1);
  EXPECT_EQ(vi->Buttons(1)->Data.NativePart, 1);
  EXPECT_EQ(vi->Buttons(1)->Data.NativeState, 1);
  Mouse(WM_MOUSEMOVE, Centre(1), 0);
  Mouse(WM_LBUTTONDOWN, Centre(1), MK_LBUTTON);
  EXPECT_EQ(Edit->ViewInfo()->Buttons(1)->Data.NativeState, 3);  // pressed
  Mouse(WM_LBUTTONUP, Centre(1), 0);
  EXPECT_EQ(Clicks, std::vector<Integer>{1});
  if (GetCapture() == Edit->Handle()) ReleaseCapture();

  // The painted button is the theme's button: compare with the theme drawn directly.
  Mouse(WM_MOUSEMOVE, POINT{-5, -5}, 0);
  const TRect b = Edit->ViewInfo()->Buttons(1)->Bounds;
  const Integer state = Edit->ViewInfo()->Buttons(1)->Data.NativeState;
  zs_edit_test::Surface painted(Edit->Width(), Edit->Height(), RGB(1, 2, 3));
  Edit->PaintTo(painted.dc, 0, 0);
  zs_edit_test::Surface direct(Edit->Width(), Edit->Height(), RGB(1, 2, 3));
  HTHEME theme = vdOpenThemeByType(totButton);
  ASSERT_NE(theme, nullptr);
  vdUxTheme::DrawThemeBackground(theme, direct.dc, 1, state, &b, nullptr);
  int same = 0, total = 0;
  for (int y = b.top + 1; y < b.bottom - 1; ++y)
    for (int x = b.left + 1; x < b.right - 1; ++x, ++total) same += painted.At(x, y) == direct.At(x, y);
  EXPECT_GT(same, total * 3 / 4);  // all but the ellipsis dots
  // The frame of the field is the edit theme's.
  EXPECT_NE(painted.At(0, Edit->Height() / 2), RGB(1, 2, 3));

  Edit->SetEnabled(false);
  Edit->ShortRefreshContainer(false);
  EXPECT_EQ(Edit->ViewInfo()->NativeState, 4);
  EXPECT_EQ(Edit->ViewInfo()->Buttons(1)->Data.NativeState, 4);
}

TEST_F(EditButtonsInputTest, AnchorsAreStreamedOnlyByEditorsThatUseThem) {
  auto written = [](TComponent* C) {
    TMemoryStream binary, text;
    WriteComponentToStream(&binary, C);
    binary.SetPosition(0);
    ObjectBinaryToText(&binary, &text);
    return std::string(reinterpret_cast<const char*>(text.Memory()), text.Size());
  };
  Edit->SetName(L"Edit1");
  EXPECT_EQ(written(Edit).find("AnchorX"), std::string::npos);
  Edit->UseAnchorX = true;
  Edit->Properties()->Alignment()->SetHorz(taCenter);
  Edit->SetBounds(10, 10, 61, 24);
  const std::string s = written(Edit);
  EXPECT_NE(s.find("AnchorX = 41"), std::string::npos) << s;  // 10 + 31: an odd width rounds up
  EXPECT_EQ(s.find("AnchorY"), std::string::npos) << s;

  TButtonsEdit* copy = TvxContainer::Create<TButtonsEdit>(Form);
  copy->UseAnchorX = true;
  TMemoryStream binary;
  WriteComponentToStream(&binary, Edit);
  binary.SetPosition(0);
  Edit->SetName(L"");
  ReadComponentFromStream(&binary, copy);
  // Loading ends by placing the anchor from the bounds read (the copy is left-aligned).
  EXPECT_EQ(copy->Left(), 10);
  EXPECT_EQ(copy->AnchorX(), copy->Left() + copy->Width());
}

TEST(EditFilterHelper, TextHelperMakesAFilterEditorFromTheColumnProperties) {
  TvxFilterEditHelperClass helper = GetFilterEditsController()->FindHelper(TvxTextEditProperties::StaticClass());
  ASSERT_NE(helper, nullptr);
  TvxTextEditProperties column(nullptr);
  column.SetAutoSelect(false);
  column.SetReadOnly(true);
  column.SetCharCase(ecUpperCase);
  std::unique_ptr<TvxCustomEdit> edit = helper->CreateFilterEdit(&column);
  auto* text = dynamic_cast<TvxTextEdit*>(edit.get());
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->Properties()->AutoSelect());
  EXPECT_FALSE(text->Properties()->ReadOnly());
  EXPECT_EQ(text->Properties()->CharCase(), ecUpperCase);
  helper->SetFilterValue(text, &column, Variant(L"abc"));
  Variant v;
  String s;
  helper->GetFilterValue(text, &column, v, s);
  EXPECT_EQ(VarToStr(v), L"abc");
  EXPECT_EQ(s, L"ABC");  // the text as the column shows it
}

}  // namespace

}  // namespace ZS_UNITY_ID
