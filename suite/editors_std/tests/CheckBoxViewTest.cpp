// The check box's layout and paint halves: a cell painted without any control, the
// themed and glyph faces on a live box, the caption's accelerator, one click event per
// click, and a box read from a form stream.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "../../editors/tests/EditTestSurface.h"
#include "Streaming.h"
#include "vxCheckBox.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

using zs_edit_test::Surface;

int Dark(const std::vector<COLORREF>& P) {
  int n = 0;
  for (COLORREF c : P) n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
  return n;
}

// A cell painted from properties alone, as a container paints its check cells.
TEST(CheckBoxView, CellPaintsWithoutAControl) {
  TvxCheckBoxProperties props(nullptr);
  TvxEditStyle style(nullptr, true, nullptr, csNormal);
  style.SetColor(clWhite);
  std::unique_ptr<TvxCustomEditViewData> vd(props.CreateViewData(&style, true));
  std::unique_ptr<TvxCustomEditViewInfo> base(props.CreateViewInfo());
  auto* vi = dynamic_cast<TvxCustomCheckBoxViewInfo*>(base.get());
  ASSERT_NE(vi, nullptr);
  Surface s(60, 40, RGB(255, 0, 255));
  const TRect cell{10, 5, 50, 25};
  for (TvxCheckBoxState state : {cbsUnchecked, cbsChecked}) {
    vd->CalculateEx(s.vx.get(), cell, TPoint{-1, -1}, vxmbNone, TShiftState{}, vi, false);
    vd->EditValueToDrawValue(s.vx.get(), state == cbsChecked ? Variant(true) : Variant(false), vi);
    EXPECT_EQ(vi->State, state);
    // In place without a caption the face sits in the middle and no focus rectangle shows.
    EXPECT_EQ(vi->Alignment, taCenter);
    const TRect f = vi->CheckBoxRect;
    EXPECT_NEAR((f.left + f.right) / 2, 20, 1);
    EXPECT_NEAR((f.top + f.bottom) / 2, 10, 1);
    EXPECT_TRUE(vxRectHasNoArea(vi->FocusRect));
    vi->PaintEx(s.vx.get());
    // The cell's background is painted, the surface around it is not.
    EXPECT_EQ(s.At(11, 6), RGB(255, 255, 255));
    EXPECT_EQ(s.At(5, 2), RGB(255, 0, 255));
    std::vector<COLORREF> face;
    for (int y = cell.top + f.top + 4; y < cell.top + f.bottom - 4; ++y)
      for (int x = cell.left + f.left + 4; x < cell.left + f.right - 4; ++x) face.push_back(s.At(x, y));
    EXPECT_EQ(Dark(face) > 3, state == cbsChecked);
  }
  // The in-place check box is activated by the space key only.
  EXPECT_TRUE(props.IsActivationKey(L' '));
  EXPECT_FALSE(props.IsActivationKey(L'a'));
  EXPECT_EQ(props.GetContainerClass(), TvxCheckBox::StaticClass());
}

struct CheckBoxViewTest : TFormFixture {
  TvxCheckBox* Box = nullptr;
  int Clicks = 0;
  void SetUp() override {
    TFormFixture::SetUp();
    Box = TvxContainer::Create<TvxCheckBox>(Form);
    Box->SetBounds(10, 10, 140, 21);
    Box->SetCaption(L"&Inherit");
    Box->SetParent(Form);
    Box->HandleNeeded();
    Box->OnClick = [this](TObject*) { ++Clicks; };
    Pump(40);
  }
  std::vector<COLORREF> Face() {
    Box->Repaint();
    Pump(20);
    TWindowPixels px(Box->Handle());
    const TRect r = Box->CheckBoxRect();
    std::vector<COLORREF> out;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) out.push_back(px.At(x, y));
    return out;
  }
};

// With the native look the face is the theme's button part in each of its states.
TEST_F(CheckBoxViewTest, NativeFacesComeFromTheTheme) {
  const auto classic = Face();
  Box->Style()->LookAndFeel()->SetNativeStyle(true);
  Pump(20);
  ASSERT_TRUE(IsCheckThemeOpenable());
  const auto unchecked = Face();
  Box->SetChecked(true);
  const auto checked = Face();
  Box->SetState(cbsGrayed);
  const auto grayed = Face();
  EXPECT_NE(unchecked, classic);
  EXPECT_NE(unchecked, checked);
  EXPECT_NE(grayed, checked);
  EXPECT_NE(grayed, unchecked);
  // What the face shows is the theme's own drawing of that state.
  Surface s(Box->CheckBoxRect().right - Box->CheckBoxRect().left,
            Box->CheckBoxRect().bottom - Box->CheckBoxRect().top, ColorToRGB(Box->Style()->Color()));
  const TRect r{0, 0, s.W, s.H};
  PaintEditCheckBox(s.vx.get(), r, cbsGrayed, ecsNormal, nullptr, 0, ebs3D, true, clBtnShadow, Box->Style()->Color(),
                    true, false, false, true, nullptr, nssGrayedChecked);
  std::vector<COLORREF> direct;
  for (int y = 0; y < s.H; ++y)
    for (int x = 0; x < s.W; ++x) direct.push_back(s.At(x, y));
  EXPECT_EQ(direct, grayed);
  EXPECT_EQ(ThemeCheckStateId(cbsUnchecked, ecsNormal), 1);
  EXPECT_EQ(ThemeCheckStateId(cbsChecked, ecsHot), 6);
  EXPECT_EQ(ThemeCheckStateId(cbsGrayed, ecsDisabled), 12);
}

// A glyph strip of six cells: unchecked, checked, grayed, then the pressed three.
TEST_F(CheckBoxViewTest, GlyphStripGivesTheFaceAndItsSize) {
  const TColor cells[6] = {clRed, clLime, clBlue, clYellow, clAqua, clFuchsia};
  TBitmap strip;
  strip.SetSize(6 * 10, 10);
  for (int i = 0; i < 6; ++i) {
    strip.Canvas()->Brush()->SetColor(cells[i]);
    strip.Canvas()->FillRect(TRect{i * 10, 0, i * 10 + 10, 10});
    // The bottom-left pixel of a cell is its transparent colour.
    strip.Canvas()->SetPixel(i * 10, 9, clBlack);
  }
  Box->Properties()->SetGlyph(&strip);
  Pump(20);
  const TRect r = Box->CheckBoxRect();
  EXPECT_EQ(r.right - r.left, 10);
  EXPECT_EQ(r.bottom - r.top, 10);
  auto centre = [&] {
    Box->Repaint();
    Pump(20);
    return TWindowPixels(Box->Handle()).At((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  EXPECT_EQ(centre(), Shown(clRed));
  Box->SetChecked(true);
  EXPECT_EQ(centre(), Shown(clLime));
  Box->SetState(cbsGrayed);
  EXPECT_EQ(centre(), Shown(clBlue));
  // Holding space shows the pressed cell of the state.
  Box->SetFocus();
  Pump(30);
  SendKey(VK_SPACE, false);
  Pump(40);
  EXPECT_EQ(centre(), Shown(clFuchsia));
  SendKey(VK_SPACE, true);
  Pump(40);
  EXPECT_EQ(Box->State(), cbsChecked);
  Box->Properties()->SetGlyph(nullptr);
  Pump(20);
  EXPECT_EQ(Box->CheckBoxRect().right - Box->CheckBoxRect().left,
            TvxStandardLookAndFeelPainter::Instance()->CheckButtonSize().cx);
}

TEST_F(CheckBoxViewTest, AcceleratorFocusesAndToggles) {
  EXPECT_EQ(Box->Perform(CM_DIALOGCHAR, L'x', 0), 0);
  EXPECT_FALSE(Box->Checked());
  EXPECT_EQ(Box->Perform(CM_DIALOGCHAR, L'i', 0), 1);
  EXPECT_TRUE(Box->Focused());
  EXPECT_TRUE(Box->Checked());
  EXPECT_EQ(Clicks, 1);
}

// Each click raises OnClick once: from the state change, never from the button's release.
TEST_F(CheckBoxViewTest, OneClickEventPerClick) {
  const TRect r = Box->CheckBoxRect();
  ClickAt(Box, r.left + 4, r.top + 4);
  EXPECT_TRUE(Box->Checked());
  EXPECT_EQ(Clicks, 1);
  // A pressed face while the button is down over the box.
  Sleep(GetDoubleClickTime() + 50);
  ClickAt(Box, r.left + 4, r.top + 4, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, true);
  EXPECT_EQ(Box->CheckBoxState(), ecsPressed);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(40);
  EXPECT_EQ(Box->CheckBoxState(), ecsHot);
  EXPECT_FALSE(Box->Checked());
  EXPECT_EQ(Clicks, 2);
}

TEST_F(CheckBoxViewTest, CaptionAndFocusRectangle) {
  const TRect face = Box->CheckBoxRect();
  TvxCustomCheckBoxViewInfo* vi = Box->ViewInfo();
  EXPECT_EQ(vi->TextRect.left, face.right + 3);
  EXPECT_TRUE(vxRectHasNoArea(vi->FocusRect));
  EXPECT_EQ(vi->Text, L"&Inherit");
  {
    Box->Repaint();
    Pump(20);
    TWindowPixels px(Box->Handle());
    std::vector<COLORREF> caption;
    for (int y = vi->TextRect.top; y < vi->TextRect.bottom; ++y)
      for (int x = vi->TextRect.left; x < vi->TextRect.left + 40; ++x) caption.push_back(px.At(x, y));
    EXPECT_GT(Dark(caption), 10) << "the caption is drawn after the face";
  }
  Box->SetFocus();
  Pump(40);
  // The editor lays itself out again on a focus change only while the application is
  // active; a properties change lays it out in any case.
  Box->Properties()->Changed();
  Box->CheckBoxRect();
  ASSERT_FALSE(vxRectHasNoArea(vi->FocusRect));
  EXPECT_LT(vi->FocusRect.right, 100) << "the focus rectangle hugs the caption";
  Box->Properties()->SetFullFocusRect(true);
  Pump(20);
  Box->CheckBoxRect();
  EXPECT_GE(vi->FocusRect.right, 130);
  // Right alignment puts the face at the right edge and the caption before it.
  Box->Properties()->Alignment()->SetHorz(taRightJustify);
  Pump(20);
  EXPECT_GT(Box->CheckBoxRect().left, 110);
  EXPECT_LT(vi->TextRect.right, Box->CheckBoxRect().left);
}

// A container edits a check cell with the one hidden check box of its properties; a
// space typed into it toggles it.
TEST_F(CheckBoxViewTest, InplaceBoxOfTheEditList) {
  TvxCheckBoxProperties props(nullptr);
  props.SetAllowGrayed(true);
  TvxInplaceEditList list(Form);
  TvxCustomEdit* edit = list.GetEdit(&props);
  auto* box = dynamic_cast<TvxCheckBox*>(edit);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->IsInplace());
  EXPECT_EQ(list.GetEdit(&props), edit) << "one editor per properties object";
  EXPECT_TRUE(box->Properties()->AllowGrayed()) << "the editor takes a copy of the properties";
  box->SetParent(Form);
  box->SetBounds(10, 60, 40, 18);
  box->HandleNeeded();
  Pump(20);
  EXPECT_EQ(box->ViewInfo()->Alignment, taCenter) << "in place without a caption the face is centred";
  wchar_t key = L' ';
  box->Perform(WM_CHAR, key, 0);
  EXPECT_EQ(box->State(), cbsGrayed);
  box->Perform(WM_CHAR, key, 0);
  EXPECT_EQ(box->State(), cbsChecked);
}

// The main window reads its fifteen boxes from its form resource and sets each one.
TEST(CheckBoxForm, FifteenBoxesReadFromAFormAndSet) {
  String text = L"object Form1: TForm\r\n";
  for (int i = 0; i < 15; ++i)
    text += L"  object Perm" + IntToStr(i) + L": TvxCheckBox\r\n    Left = " + IntToStr(10 + (i % 2) * 140) +
            L"\r\n    Top = " + IntToStr(40 + (i / 2) * 20) + L"\r\n    Width = 130\r\n    Height = 19\r\n" +
            L"    Caption = '" + (i == 14 ? String(L"(NP)") : L"Permission " + IntToStr(i)) + L"'\r\n  end\r\n";
  text += L"end\r\n";
  TMemoryStream in, binary;
  const std::string utf8(text.begin(), text.end());
  in.Write(utf8.data(), static_cast<Integer>(utf8.size()));
  in.SetPosition(0);
  ObjectTextToBinary(&in, &binary);
  binary.SetPosition(0);
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  TForm* Form = form.get();
  Form->SetPosition(poDesigned);
  Form->SetBounds(60, 60, 320, 240);
  ReadComponentFromStream(&binary, Form);
  Form->Show();
  SetForegroundWindow(Form->Handle());
  Pump(60);
  std::vector<TvxCheckBox*> boxes;
  for (int i = 0; i < 15; ++i) {
    auto* b = dynamic_cast<TvxCheckBox*>(Form->FindComponent(L"Perm" + IntToStr(i)));
    ASSERT_NE(b, nullptr) << i;
    EXPECT_EQ(b->Parent(), Form);
    EXPECT_FALSE(b->Checked());
    b->SetChecked(i % 4 != 1);
    boxes.push_back(b);
  }
  Pump(60);
  for (int i = 0; i < 15; ++i) {
    TvxCheckBox* b = boxes[i];
    b->Repaint();
    Pump(10);
    TWindowPixels px(b->Handle());
    const TRect r = b->CheckBoxRect();
    std::vector<COLORREF> face;
    for (int y = r.top + 3; y < r.bottom - 3; ++y)
      for (int x = r.left + 3; x < r.right - 3; ++x) face.push_back(px.At(x, y));
    EXPECT_EQ(Dark(face) > 5, i % 4 != 1) << i;
    EXPECT_EQ(b->Checked(), i % 4 != 1) << i;
  }
}

// Counts the clicks a box raises while it is read from a stream.
class TCountingCheckBox : public TvxCheckBox {
  DECLARE_CLASS(TCountingCheckBox, TvxCheckBox)
 public:
  explicit TCountingCheckBox(TComponent* AOwner, bool AIsInplace = false) : TvxCheckBox(AOwner, AIsInplace) {
    OnClick = [](TObject*) { ++Clicks; };
  }
  static int Clicks;
};
int TCountingCheckBox::Clicks = 0;

TEST(CheckBoxStreaming, StateAndLegacyCaptionAreReadWithoutClicks) {
  RegisterClass(TCountingCheckBox::StaticClass());
  const String text =
      L"object Form1: TForm\r\n"
      L"  object Box1: TCountingCheckBox\r\n"
      L"    Left = 8\r\n    Top = 8\r\n    Width = 120\r\n    Height = 21\r\n"
      L"    Caption = 'Inherit'\r\n    State = cbsChecked\r\n    Style.Color = clYellow\r\n"
      L"  end\r\n"
      L"  object Box2: TCountingCheckBox\r\n"
      L"    Left = 8\r\n    Top = 30\r\n    Width = 120\r\n    Height = 21\r\n"
      L"    Properties.Caption = '(NP)'\r\n    Properties.AllowGrayed = True\r\n    State = cbsGrayed\r\n"
      L"  end\r\n"
      L"end\r\n";
  TCountingCheckBox::Clicks = 0;
  std::unique_ptr<TForm> form(new TForm(nullptr));
  TMemoryStream in, binary;
  const std::string utf8(text.begin(), text.end());
  in.Write(utf8.data(), static_cast<Integer>(utf8.size()));
  in.SetPosition(0);
  ObjectTextToBinary(&in, &binary);
  binary.SetPosition(0);
  ReadComponentFromStream(&binary, form.get());
  auto* box1 = dynamic_cast<TvxCheckBox*>(form->FindComponent(L"Box1"));
  auto* box2 = dynamic_cast<TvxCheckBox*>(form->FindComponent(L"Box2"));
  ASSERT_NE(box1, nullptr);
  ASSERT_NE(box2, nullptr);
  EXPECT_EQ(TCountingCheckBox::Clicks, 0) << "loading never raises OnClick";
  EXPECT_TRUE(box1->Checked());
  EXPECT_EQ(box1->Caption(), L"Inherit");
  EXPECT_EQ(box1->Style()->Color(), clYellow);
  EXPECT_EQ(box2->State(), cbsGrayed);
  EXPECT_EQ(box2->Caption(), L"(NP)") << "the legacy caption of the properties becomes the box's";
  // Written back: State only when not unchecked, Checked never, the legacy caption never.
  TMemoryStream out;
  WriteComponentToStream(&out, form.get());
  const String written = ObjectBinaryToText(
      TBytes(static_cast<const Byte*>(out.Memory()), static_cast<const Byte*>(out.Memory()) + out.Size()));
  EXPECT_NE(written.find(L"State = cbsChecked"), String::npos) << written;
  EXPECT_EQ(written.find(L"Checked ="), String::npos) << written;
  EXPECT_EQ(written.find(L"Properties.Caption"), String::npos) << written;
  box1->SetChecked(false);
  EXPECT_EQ(TCountingCheckBox::Clicks, 1);
  UnRegisterClass(TCountingCheckBox::StaticClass());
}

}  // namespace

}  // namespace ZS_UNITY_ID
