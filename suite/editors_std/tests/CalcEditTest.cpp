// The calc edit on a real window: its calculator popup opened and closed by keys and by the
// mouse, buttons of the popup writing the edit's text, the characters it accepts (a lone "-"
// never reaching a conversion), and a designer-style form file read, shown and written back.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "Streaming.h"
#include "SysUtils.h"
#include "vxCalc.h"
#include "vxDataStorage.h"
#include "vxEditConsts.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

struct CalcEditTest : TFormFixture {
  TFormatSettings Saved = FormatSettings;
  TvxCalcEdit* Edit = nullptr;
  TvxCalcEdit* Other = nullptr;
  void SetUp() override {
    FormatSettings.DecimalSeparator = L'.';
    FormatSettings.ThousandSeparator = L',';
    TFormFixture::SetUp();
    Edit = Make(10);
    Other = Make(60);
    Edit->SetFocus();
    Pump(40);
  }
  void TearDown() override {
    TFormFixture::TearDown();
    FormatSettings = Saved;
  }
  TvxCalcEdit* Make(Integer Top) {
    auto* e = TvxContainer::Create<TvxCalcEdit>(Form);
    e->SetBounds(10, Top, 200, 24);
    e->SetParent(Form);
    e->HandleNeeded();
    return e;
  }
  void Press(WORD Key, bool Alt = false) {
    if (Alt) SendKey(VK_MENU, false);
    SendKey(Key, false);
    SendKey(Key, true);
    if (Alt) SendKey(VK_MENU, true);
    Pump(40);
  }
  void Type(const String& S) {
    for (wchar_t c : S) SendMessageW(Edit->InnerTextControl()->Handle(), WM_CHAR, c, 0);
    Pump(10);
  }
  void ClickButton(TvxCalcButtonKind K) {
    TvxPopupCalculator* c = Edit->Calculator();
    const TRect r = c->Button(K).BtnRect;
    ClickAt(c, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Pump(20);
  }
  bool Open() { return PumpUntil([&] { return Edit->HasPopupWindow(); }); }
  bool Closed() { return PumpUntil([&] { return !Edit->HasPopupWindow(); }); }
};

}  // namespace

TEST_F(CalcEditTest, PopupOpensAndClosesByKeys) {
  Edit->SetValue(12);
  Press(VK_F4);
  ASSERT_TRUE(Open());
  Pump(40);
  EXPECT_TRUE(::IsWindowVisible(Edit->Calculator()->Handle()));
  // Keys typed while the popup is open work the calculator on the edit's text.
  Press(VK_ADD);
  Press('3');
  Press(VK_RETURN);  // "=" for the calculator, then the popup closes with Enter
  ASSERT_TRUE(Closed());
  EXPECT_EQ(crEnter, Edit->CloseUpReason());
  EXPECT_EQ(String(L"15"), Edit->Text());
  // Alt+Down opens, Escape closes with Cancel.
  Press(VK_DOWN, true);
  ASSERT_TRUE(Open());
  Press(VK_ESCAPE);
  ASSERT_TRUE(Closed());
  EXPECT_EQ(crCancel, Edit->CloseUpReason());
  Other->SetFocus();
  Pump(30);
  EXPECT_DOUBLE_EQ(15, Edit->Value());
}

TEST_F(CalcEditTest, PopupOpensAndClosesByTheMouse) {
  Edit->SetValue(4);
  // The drop-down button sits at the right end of the edit.
  ClickAt(Edit, Edit->Width() - 6, Edit->Height() / 2);
  ASSERT_TRUE(Open());
  Pump(60);
  ClickButton(cbSqrt);
  EXPECT_EQ(String(L"2"), Edit->Text());
  ClickButton(cbMul);
  ClickButton(cbNum5);
  ClickButton(cbEqual);
  EXPECT_EQ(String(L"10"), Edit->Text());
  EXPECT_TRUE(Edit->HasPopupWindow()) << "without QuickClose the popup stays open";
  // A second click on the drop-down button closes it.
  ClickAt(Edit, Edit->Width() - 6, Edit->Height() / 2);
  ASSERT_TRUE(Closed());
  EXPECT_EQ(String(L"10"), Edit->Text());
  Other->SetFocus();
  Pump(30);
  EXPECT_DOUBLE_EQ(10, Edit->Value());
}

TEST_F(CalcEditTest, DivisionByZeroInThePopupResetsToZeroOnClose) {
  Edit->Properties()->SetBeepOnError(false);
  Edit->Properties()->SetQuickClose(true);
  Edit->SetValue(7);
  Edit->SetDroppedDown(true);
  ASSERT_TRUE(Open());
  Pump(40);
  for (TvxCalcButtonKind k : {cbDiv, cbNum0, cbEqual}) Edit->Calculator()->ProcessButton(k);
  EXPECT_EQ(vxGetResString(&svxSCalcError), Edit->Calculator()->GetDisplayText());
  // QuickClose: "=" typed closes the popup; the error text does not stay as the value.
  SendMessageW(Edit->Calculator()->Handle(), WM_CHAR, L'=', 0);
  ASSERT_TRUE(Closed());
  EXPECT_EQ(crEnter, Edit->CloseUpReason());
  EXPECT_DOUBLE_EQ(0, Edit->Value());
}

TEST_F(CalcEditTest, TypedCharactersKeepTheTextANumber) {
  Edit->Properties()->SetBeepOnError(false);
  Edit->SetEditValue(Null());
  Edit->SelectAll();
  struct Case { const wchar_t* Typed; const wchar_t* Shown; } cases[] = {
      {L"-5", L"-5"},        // a "-" into an empty text is taken, and the digit after it
      {L"1,5", L"1.5"},      // "," becomes the decimal separator
      {L"1.2.3", L"1.23"},   // a second separator is refused
      {L"12a", L"12"},       // letters are refused
      {L"-", L"-"},
  };
  for (const Case& c : cases) {
    Edit->SelectAll();
    SendMessageW(Edit->InnerTextControl()->Handle(), WM_CHAR, VK_BACK, 0);
    Type(c.Typed);
    EXPECT_EQ(String(c.Shown), Edit->Text()) << c.Typed;
  }
  // A lone "-" reads as no value, and the calculator works on it as 0.
  Variant v;
  Edit->PrepareEditValue(Variant(String(L"-")), v, true);
  EXPECT_TRUE(VarIsNull(v));
  Edit->SetDroppedDown(true);
  ASSERT_TRUE(Open());
  EXPECT_NO_THROW({
    for (TvxCalcButtonKind k : {cbAdd, cbNum2, cbEqual}) Edit->Calculator()->ProcessButton(k);
  });
  EXPECT_EQ(String(L"2"), Edit->Text());
  Edit->SetDroppedDown(false);
  ASSERT_TRUE(Closed());
  // An edit value that is no number reads as 0 instead of failing.
  Edit->SetEditValue(Variant(String(L"-")));
  EXPECT_DOUBLE_EQ(0, Edit->Value());
}

TEST(CalcEditProperties, DisplayTextAndPrecision) {
  TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = L'.';
  FormatSettings.ThousandSeparator = L',';
  TvxCalcEditProperties p(nullptr);
  EXPECT_EQ(15, p.Precision());
  p.SetPrecision(20);
  EXPECT_EQ(15, p.Precision()) << "16 or more reads as 15";
  p.SetPrecision(4);
  struct Case { bool Sci, Thousands; double Value; const wchar_t* Shown; } cases[] = {
      {false, false, 1234.5678, L"1235"},
      {false, true, 1234567, L"1.235E6"},
      {true, false, 1500, L"1.5E+3"},
      {true, false, 2, L"2E+0"},
  };
  for (const Case& c : cases) {
    p.SetScientificFormat(c.Sci);
    p.SetUseThousandSeparator(c.Thousands);
    Variant shown;
    p.PrepareDisplayValue(Variant(c.Value), shown, true);
    EXPECT_EQ(String(c.Shown), VarToStr(shown)) << c.Value;
  }
  p.SetPrecision(15);
  p.SetScientificFormat(false);
  p.SetUseThousandSeparator(true);
  Variant shown;
  p.PrepareDisplayValue(Variant(1234567.0), shown, true);
  EXPECT_EQ(String(L"1,234,567"), VarToStr(shown));
  EXPECT_DOUBLE_EQ(1234567, p.TextToEditValue(L"1,234,567").AsDouble());
  EXPECT_TRUE(VarIsNull(p.TextToEditValue(L"-")));
  EXPECT_TRUE(VarIsNull(p.TextToEditValue(L"  ")));
  Variant text(String(L"abc"));
  EXPECT_FALSE(p.IsEditValueValid(text, false));
  // Assign copies Precision only where it was given.
  TvxCalcEditProperties copy(nullptr);
  copy.Assign(&p);
  EXPECT_TRUE(copy.AssignedValues()->Precision());
  TvxCalcEditProperties plain(nullptr);
  copy.Assign(&plain);
  EXPECT_FALSE(copy.AssignedValues()->Precision());
  // A filter row's calc edit closes its popup on "=" and compares numbers.
  TvxFilterEditHelperClass helper = TvxFilterCalcEditHelper::Class();
  TvxCalcEditProperties filter(nullptr);
  helper->InitializeProperties(&filter, &p, true);
  EXPECT_TRUE(filter.QuickClose());
  const TvxFilterControlOperators ops = helper->GetSupportedFilterOperators(&p, TvxStringValueType::Class(), true);
  EXPECT_TRUE(ops.Contains(fcoLessEqual));
  EXPECT_TRUE(ops.Contains(fcoBetween));
  EXPECT_FALSE(ops.Contains(fcoLike));
  FormatSettings = saved;
}

TEST(CalcEditStreaming, FormFileIsReadShownAndWrittenBackEqual) {
  const String text =
      L"object CalcEdit1: TvxCalcEdit\n"
      L"  Left = 8\n"
      L"  Top = 8\n"
      L"  Width = 160\n"
      L"  Height = 24\n"
      L"  EditValue = 2.5\n"
      L"  Properties.Precision = 6\n"
      L"  Properties.QuickClose = True\n"
      L"  Properties.ScientificFormat = True\n"
      L"  TabOrder = 0\n"
      L"end\n";
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  auto* edit = TvxContainer::Create<TvxCalcEdit>(form.get());
  TextToComponent(text, edit);
  edit->SetParent(form.get());
  form->Show();
  Pump(30);
  EXPECT_EQ(6, edit->Properties()->Precision());
  EXPECT_TRUE(edit->Properties()->QuickClose());
  EXPECT_DOUBLE_EQ(2.5, edit->Value());
  EXPECT_EQ(String(L"2.5E+0"), edit->Text());
  const String back = ComponentToText(edit);
  for (const wchar_t* line : {L"Properties.Precision = 6", L"Properties.QuickClose = True",
                              L"Properties.ScientificFormat = True", L"EditValue = 2.5"})
    EXPECT_NE(String::npos, back.find(line)) << back;
  std::unique_ptr<TvxCalcEdit> again(TvxContainer::Create<TvxCalcEdit>(nullptr));
  TextToComponent(back, again.get());
  EXPECT_EQ(back, ComponentToText(again.get()));
}

}  // namespace ZS_UNITY_ID
