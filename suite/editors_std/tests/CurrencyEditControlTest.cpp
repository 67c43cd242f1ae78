// The currency edit control on a real form: keys filtered as they are typed into the
// inner edit, the amount taken on leaving, the Null text while not focused, the value
// kept inside its bounds, and the control read from a form stream.
#include <gtest/gtest.h>

#include "../../core/tests/ControlsTestSupport.h"
#include "Streaming.h"
#include "SysUtils.h"
#include "vxCurrencyEdit.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

String WindowTextOf(HWND W) {
  wchar_t buffer[256] = {};
  GetWindowTextW(W, buffer, 256);
  return buffer;
}

struct CurrencyEditControlTest : TFormFixture {
  TFormatSettings Saved = FormatSettings;
  TvxCurrencyEdit* Edit = nullptr;
  TvxCurrencyEdit* Other = nullptr;
  void SetUp() override {
    FormatSettings.DecimalSeparator = L'.';
    FormatSettings.ThousandSeparator = L',';
    FormatSettings.CurrencyDecimals = 2;
    TFormFixture::SetUp();
    Edit = Make(10);
    Other = Make(50);
    Pump(40);
  }
  void TearDown() override {
    TFormFixture::TearDown();
    FormatSettings = Saved;
  }
  TvxCurrencyEdit* Make(Integer Top) {
    auto* e = TvxContainer::Create<TvxCurrencyEdit>(Form);
    e->SetBounds(10, Top, 150, 24);
    e->SetParent(Form);
    e->HandleNeeded();
    return e;
  }
  HWND Inner() { return Edit->InnerTextControl()->Handle(); }
  void Type(const String& S) {
    for (wchar_t c : S) SendMessageW(Inner(), WM_CHAR, c, 0);
  }
};

TEST_F(CurrencyEditControlTest, TypedKeysKeepTheTextAnAmount) {
  Edit->Properties()->SetDecimalPlaces(2);
  Edit->SetFocus();
  Pump(40);
  ASSERT_TRUE(Edit->Focused());
  Type(L"12a,345");
  EXPECT_EQ(Edit->Text(), L"12.34") << "letters and a third decimal are refused; a comma is the decimal point";
  EXPECT_DOUBLE_EQ(Edit->Value(), 12.34) << "the amount being typed";
  Other->SetFocus();
  Pump(40);
  EXPECT_TRUE(VarIsNumeric(Edit->EditValue()));
  EXPECT_DOUBLE_EQ(Edit->EditValue().AsDouble(), 12.34);
  EXPECT_DOUBLE_EQ(Edit->Value(), 12.34);
  // Thousand separators may be typed when asked for, and are left out of the amount.
  Edit->Properties()->SetUseThousandSeparator(true);
  Edit->SetFocus();
  Pump(40);
  Edit->SetSelection(0, static_cast<Integer>(Edit->Text().size()));
  Type(L"1,234.5");
  Other->SetFocus();
  Pump(40);
  EXPECT_DOUBLE_EQ(Edit->Value(), 1234.5);
}

TEST_F(CurrencyEditControlTest, NullShowsItsTextAndEmptyTextIsNull) {
  Edit->Properties()->SetNullString(L"(none)");
  Edit->SetEditValue(Null());
  Pump(20);
  EXPECT_EQ(WindowTextOf(Inner()), L"(none)");
  EXPECT_DOUBLE_EQ(Edit->Value(), 0);
  Variant v;
  Edit->PrepareEditValue(String(L"(none)"), v, true);
  EXPECT_TRUE(VarIsNull(v));
  Edit->PrepareEditValue(String(), v, true);
  EXPECT_TRUE(VarIsNull(v));
  Edit->Properties()->SetNullable(false);
  Edit->PrepareEditValue(String(), v, true);
  EXPECT_EQ(VarType(v), varCurrency);
  Edit->PrepareEditValue(String(L"1e309"), v, true);
  EXPECT_EQ(VarType(v), varCurrency) << "an amount above 1.7e308 is no amount";
}

TEST_F(CurrencyEditControlTest, ValueStaysInsideTheBoundsInForce) {
  Edit->Properties()->SetMinValue(10);
  Edit->SetValue(3);
  EXPECT_DOUBLE_EQ(Edit->Value(), 10) << "only the lower bound is assigned";
  Edit->SetValue(1e6);
  EXPECT_DOUBLE_EQ(Edit->Value(), 1e6);
  Edit->Properties()->SetMaxValue(100);
  Edit->SetValue(1e6);
  EXPECT_DOUBLE_EQ(Edit->Value(), 100);
  EXPECT_EQ(Edit->Properties()->GetContainerClass(), TvxCurrencyEdit::StaticClass());
}

TEST(CurrencyEditStreaming, DecimalPlacesWrittenOnlyWhenAssigned) {
  TMemoryStream stream;
  {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetName(L"Form1");
    auto* a = TvxContainer::Create<TvxCurrencyEdit>(form.get());
    a->SetName(L"Amount");
    a->SetParent(form.get());
    a->Properties()->SetNullString(L"-");
    auto* b = TvxContainer::Create<TvxCurrencyEdit>(form.get());
    b->SetName(L"Price");
    b->SetParent(form.get());
    b->Properties()->SetDecimalPlaces(4);
    WriteComponentToStream(&stream, form.get());
  }
  const String text = ObjectBinaryToText(TBytes(static_cast<const Byte*>(stream.Memory()),
                                                static_cast<const Byte*>(stream.Memory()) + stream.Size()));
  EXPECT_EQ(text.find(L"DecimalPlaces = 2"), String::npos) << text;
  EXPECT_NE(text.find(L"DecimalPlaces = 4"), String::npos) << text;
  EXPECT_EQ(text.find(L"  Value ="), String::npos) << text;
  stream.SetPosition(0);
  std::unique_ptr<TForm> loaded(new TForm(nullptr));
  ReadComponentFromStream(&stream, loaded.get());
  auto* a = dynamic_cast<TvxCurrencyEdit*>(loaded->FindComponent(L"Amount"));
  auto* b = dynamic_cast<TvxCurrencyEdit*>(loaded->FindComponent(L"Price"));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->Properties()->NullString(), L"-");
  EXPECT_FALSE(a->Properties()->IsDecimalPlacesStored());
  EXPECT_EQ(b->Properties()->DecimalPlaces(), 4);
}

}  // namespace

}  // namespace ZS_UNITY_ID
