#include <gtest/gtest.h>

#include "SysUtils.h"
#include "vxCurrencyEdit.h"

namespace ZS_UNITY_ID {

namespace {

// Fixes the separators the conversions use and restores the process's settings.
struct CurrencyEditTest : ::testing::Test {
  TFormatSettings saved = FormatSettings;
  TvxCurrencyEditProperties properties{nullptr};
  void SetUp() override {
    FormatSettings.DecimalSeparator = L'.';
    FormatSettings.ThousandSeparator = L',';
    FormatSettings.CurrencyDecimals = 2;
  }
  void TearDown() override { FormatSettings = saved; }
  // Types AKey at the end of AText.
  bool Type(const String& AText, wchar_t AKey) {
    return properties.IsCharAcceptable(properties.TranslateKey(AKey), AText, static_cast<Integer>(AText.size()), 0);
  }
};

TEST_F(CurrencyEditTest, KeyFilter) {
  properties.SetDecimalPlaces(2);
  struct Case {
    const wchar_t* Text;
    wchar_t Key;
    bool Accepted;
  } cases[] = {
      {L"12.3", L'4', true},  {L"12.34", L'5', false}, {L"1.5e", L'3', true},   {L"", L'-', true},
      {L"12", L'a', false},   {L"12", L'.', true},     {L"12.3", L'.', false},  {L"", L'7', true},
      {L"1.5", L'e', false},  // "1.5e" is not a number yet
      {L"12", L' ', false},   {L"1.5e30", L'9', false},  // 1.5e309 overflows
  };
  for (const Case& c : cases) EXPECT_EQ(Type(c.Text, c.Key), c.Accepted) << c.Text << " + " << char(c.Key);
  // Typing over a selection replaces it.
  EXPECT_TRUE(properties.IsCharAcceptable(L'9', L"12.34", 4, 1));
  EXPECT_TRUE(properties.IsCharAcceptable(L'-', L"12", 0, 2));
}

TEST_F(CurrencyEditTest, SeparatorKeys) {
  EXPECT_EQ(properties.TranslateKey(L','), L'.');
  EXPECT_FALSE(properties.IsCharAcceptable(L',', L"1", 1, 0));
  properties.SetUseThousandSeparator(true);
  EXPECT_EQ(properties.TranslateKey(L','), L',');
  EXPECT_TRUE(Type(L"1", L','));
  double value;
  EXPECT_TRUE(TvxCustomCurrencyEditProperties::TextToValue(L"1,234.5", value));
  EXPECT_DOUBLE_EQ(value, 1234.5);
}

TEST_F(CurrencyEditTest, TextToValue) {
  struct Case {
    const wchar_t* Text;
    bool Ok;
    double Value;
  } cases[] = {
      {L"12.5", true, 12.5}, {L"", true, 0},     {L",", true, 0},    {L"-3", true, -3},
      {L"1e309", false, 0},  {L"abc", false, 0}, {L"0", true, 0},
  };
  for (const Case& c : cases) {
    double value = 99;
    EXPECT_EQ(TvxCustomCurrencyEditProperties::TextToValue(c.Text, value), c.Ok) << c.Text;
    EXPECT_DOUBLE_EQ(value, c.Value) << c.Text;
  }
}

TEST_F(CurrencyEditTest, EditValueFromText) {
  properties.SetNullString(L"none");
  EXPECT_DOUBLE_EQ(properties.TextToEditValue(L"12.5").AsDouble(), 12.5);
  EXPECT_TRUE(VarIsNull(properties.TextToEditValue(L"")));
  EXPECT_TRUE(VarIsNull(properties.TextToEditValue(L"none")));
  EXPECT_TRUE(VarIsNull(properties.TextToEditValue(L"1e309")));
  properties.SetNullable(false);
  Variant zero = properties.TextToEditValue(L"");
  EXPECT_EQ(VarType(zero), varCurrency);
  EXPECT_DOUBLE_EQ(zero.AsDouble(), 0);
}

TEST_F(CurrencyEditTest, NullDisplay) {
  properties.SetNullString(L"none");
  Variant shown;
  properties.PrepareDisplayValue(Null(), shown, false);
  EXPECT_EQ(VarToStr(shown), L"none");
  properties.PrepareDisplayValue(Null(), shown, true);
  EXPECT_EQ(VarToStr(shown), L"");
}

TEST_F(CurrencyEditTest, DecimalPlacesFollowTheLocaleUntilAssigned) {
  EXPECT_EQ(properties.DecimalPlaces(), 2);
  EXPECT_FALSE(properties.IsDecimalPlacesStored());
  FormatSettings.CurrencyDecimals = 3;
  EXPECT_EQ(properties.DecimalPlaces(), 3);
  properties.SetDecimalPlaces(1);
  EXPECT_TRUE(properties.IsDecimalPlacesStored());
  EXPECT_EQ(properties.DecimalPlaces(), 1);

  TvxCurrencyEditProperties copy(nullptr);
  copy.Assign(&properties);
  EXPECT_TRUE(copy.IsDecimalPlacesStored());
  EXPECT_EQ(copy.DecimalPlaces(), 1);
  TvxCurrencyEditProperties plain(nullptr);
  copy.Assign(&plain);
  EXPECT_FALSE(copy.IsDecimalPlacesStored());
  EXPECT_TRUE(copy.ValidateOnEnter());
}

}  // namespace

}  // namespace ZS_UNITY_ID
