#include <gtest/gtest.h>

#include "TypInfo.h"
#include "vxCheckBox.h"

namespace ZS_UNITY_ID {

namespace {

TEST(CheckBoxProperties, ValuesMapToStatesAndBack) {
  TvxCheckBoxProperties properties(nullptr);
  struct Case {
    Variant Value;
    TvxCheckBoxState State;
  } cases[] = {{Variant(true), cbsChecked}, {Variant(false), cbsUnchecked}, {Null(), cbsGrayed},
               {Variant(), cbsGrayed},      {Variant(L"x"), cbsGrayed}};
  for (const Case& c : cases) EXPECT_EQ(EditValueToCheckState(&properties, c.Value), c.State);
  EXPECT_TRUE(VarIsType(properties.PrepareEditValue(Variant(0)), varBoolean));
  EXPECT_FALSE(properties.PrepareEditValue(Variant(0)).AsBoolean());
  EXPECT_TRUE(properties.PrepareEditValue(Variant(1)).AsBoolean());
  EXPECT_TRUE(VarIsNull(properties.PrepareEditValue(Variant(2))));
  EXPECT_TRUE(VarIsEmpty(properties.PrepareEditValue(Variant(7))));
  EXPECT_EQ(properties.GetDisplayText(Variant(true)), L"True");
  EXPECT_EQ(properties.GetDisplayText(Variant(false)), L"False");
  EXPECT_EQ(properties.GetDisplayText(Null()), L"");
  EXPECT_TRUE(properties.CompareDisplayValues(Null(), Variant(L"other")));
  EXPECT_FALSE(properties.CompareDisplayValues(Variant(true), Variant(false)));
  EXPECT_TRUE(properties.IsActivationKey(L' '));
  EXPECT_FALSE(properties.IsActivationKey(L'x'));
}

TEST(CheckBoxProperties, CheckValueSettersRefuseClashes) {
  TvxCheckBoxProperties properties(nullptr);
  properties.SetValueChecked(Null());  // refused: checked cannot be Null
  EXPECT_TRUE(VarIsType(properties.ValueChecked(), varBoolean));
  properties.SetValueChecked(Variant(false));  // refused: equals the unchecked value
  EXPECT_TRUE(properties.ValueChecked().AsBoolean());
  properties.SetValueChecked(Variant(L"Y"));
  properties.SetValueUnchecked(Variant(L"N"));
  properties.SetValueGrayed(Variant(L"?"));
  EXPECT_EQ(EditValueToCheckState(&properties, Variant(L"Y")), cbsChecked);
  EXPECT_EQ(EditValueToCheckState(&properties, Variant(L"N")), cbsUnchecked);
  EXPECT_EQ(VarToStr(properties.ValueGrayed()), L"?");
  properties.SetValueGrayed(Null());  // accepted: the grayed value was not Null
  EXPECT_TRUE(VarIsNull(properties.ValueGrayed()));

  // A source whose checked and grayed values clash leaves the target's values alone.
  TvxCheckBoxProperties target(nullptr);
  properties.SetValueGrayed(Variant(L"?"));
  properties.SetAllowGrayed(true);
  target.Assign(&properties);
  EXPECT_TRUE(target.AllowGrayed());
  EXPECT_EQ(VarToStr(target.ValueChecked()), L"Y");
  EXPECT_EQ(VarToStr(target.ValueGrayed()), L"?");
}

TEST(CheckBoxProperties, OnlyChangedValuesAreStored) {
  TvxCheckBoxProperties properties(nullptr);
  const wchar_t* names[] = {L"DisplayChecked", L"DisplayUnchecked", L"DisplayGrayed",
                            L"ValueChecked",   L"ValueUnchecked",   L"ValueGrayed"};
  for (const wchar_t* name : names) EXPECT_FALSE(IsStoredProp(&properties, name)) << name;
  properties.SetDisplayChecked(L"true");  // differs in case only: still written
  properties.SetValueChecked(Variant(1));
  properties.SetValueGrayed(Variant(2));
  EXPECT_TRUE(IsStoredProp(&properties, L"DisplayChecked"));
  EXPECT_TRUE(IsStoredProp(&properties, L"ValueChecked"));
  EXPECT_TRUE(IsStoredProp(&properties, L"ValueGrayed"));
  EXPECT_FALSE(IsStoredProp(&properties, L"ValueUnchecked"));
  EXPECT_EQ(GetOrdProp(&properties, L"NullStyle"), nssGrayedChecked);
}

TEST(CheckBoxProperties, GlyphCellOfEachFace) {
  struct Case {
    TvxCheckBoxState State;
    bool Pressed;
    bool Grayed;
    Integer Count;
    Integer Index;
  } cases[] = {
      {cbsUnchecked, false, true, 6, 0}, {cbsGrayed, true, true, 6, 5},   {cbsChecked, true, true, 3, 1},
      {cbsChecked, true, true, 4, 1},    {cbsChecked, true, false, 4, 3}, {cbsGrayed, false, true, 1, 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CalcCheckGlyphIndex(c.State, c.Pressed, c.Grayed, c.Count), c.Index)
        << c.State << c.Pressed << c.Grayed << c.Count;
}

}  // namespace

}  // namespace ZS_UNITY_ID
