#include <gtest/gtest.h>

#include "vxDropDownEdit.h"
#include "vxFilterControlUtils.h"
#include "vxTextEdit.h"

namespace ZS_UNITY_ID {

namespace {

class TFirstProperties : public TvxCustomEditProperties {
  DECLARE_CLASS(TFirstProperties, TvxCustomEditProperties)
 public:
  explicit TFirstProperties(TPersistent* AOwner) : TvxCustomEditProperties(AOwner) {}
};
class TSecondProperties : public TFirstProperties {
  DECLARE_CLASS(TSecondProperties, TFirstProperties)
 public:
  explicit TSecondProperties(TPersistent* AOwner) : TFirstProperties(AOwner) {}
};
class TFirstHelper : public TvxCustomFilterEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TFirstHelper, TvxCustomFilterEditHelper)
  bool KeepsValuesProvider(TvxCustomEditProperties*) const override { return false; }
};

TEST(FilterEditHelpers, SupportedOperatorsByValueType) {
  TvxFilterEditHelperClass h = TvxCustomFilterEditHelper::Class();
  const TvxFilterControlOperators plain = h->GetSupportedFilterOperators(nullptr, nullptr);
  EXPECT_TRUE(plain.Contains(fcoEqual));
  EXPECT_TRUE(plain.Contains(fcoNonBlanks));
  EXPECT_FALSE(plain.Contains(fcoLike));
  EXPECT_FALSE(plain.Contains(fcoNotLike));
  EXPECT_FALSE(plain.Contains(fcoBetween));
  EXPECT_FALSE(plain.Contains(fcoNone));
  const TvxFilterControlOperators text = h->GetSupportedFilterOperators(nullptr, TvxStringValueType::Class(), true);
  int n = 0;
  for (int o = fcoNone; o <= fcoInFuture; ++o) n += text.Contains(static_cast<TvxFilterControlOperator>(o));
  EXPECT_EQ(n, 14);
  EXPECT_TRUE(text.Contains(fcoLike));
  EXPECT_TRUE(text.Contains(fcoInList));
  EXPECT_TRUE(text.Contains(fcoNotInList));
  EXPECT_FALSE(text.Contains(fcoYesterday));
}

TEST(FilterEditHelpers, FilterPropertiesDropEventsReadOnlyAndButtons) {
  TvxCustomEditDefaultValuesProvider provider;
  TFirstProperties column(nullptr), filter(nullptr);
  column.SetReadOnly(true);
  column.SetBeepOnError(true);
  column.Buttons()->Add();
  column.Alignment()->SetHorz(taRightJustify);
  column.OnChange = [](TObject*) {};
  column.OnValidate = [](TObject*, Variant&, String&, bool&) {};
  column.SetIDefaultValuesProvider(&provider);
  TvxCustomFilterEditHelper::Class()->InitializeProperties(&filter, &column, false);
  EXPECT_FALSE(filter.ReadOnly());
  EXPECT_FALSE(filter.BeepOnError());
  EXPECT_EQ(filter.Buttons()->Count(), 0);
  EXPECT_FALSE(filter.OnChange);
  EXPECT_FALSE(filter.OnValidate);
  EXPECT_TRUE(filter.ValidateOnEnter());
  EXPECT_EQ(filter.Alignment()->Horz(), taLeftJustify);
  EXPECT_EQ(filter.IDefaultValuesProvider(), &provider);
  TFirstHelper::Class()->InitializeProperties(&filter, &column, true);
  EXPECT_EQ(filter.Buttons()->Count(), 1);
  EXPECT_EQ(filter.IDefaultValuesProvider(), nullptr);
}

TEST(FilterEditHelpers, ControllerFindsHelpersThroughTheParentClassAndGoesWithTheLast) {
  // The text editor's, the mask editor's and the combo box's registrations are the only
  // ones standing: take them away meanwhile.
  vxDropDownEditUnit.Finalize();
  vxMaskEditUnit.Finalize();
  vxTextEditUnit.Finalize();
  ASSERT_FALSE(FilterEditsControllerExists());
  TvxFilterEditsController* c = GetFilterEditsController();
  EXPECT_EQ(c->FindHelper(TFirstProperties::StaticClass()), nullptr);
  c->Register(TFirstProperties::StaticClass(), TFirstHelper::Class());
  EXPECT_EQ(c->FindHelper(TFirstProperties::StaticClass()), TFirstHelper::Class());
  EXPECT_EQ(c->FindHelper(TSecondProperties::StaticClass()), TFirstHelper::Class());
  // The key is the parent class: a sibling of the registered class shares the helper.
  EXPECT_EQ(c->FindHelper(TvxCustomEditProperties::StaticClass()), nullptr);
  c->Unregister(TFirstProperties::StaticClass(), TFirstHelper::Class());
  EXPECT_FALSE(FilterEditsControllerExists());
  EXPECT_EQ(GetFilterEditsController()->FindHelper(TFirstProperties::StaticClass()), nullptr);
  GetFilterEditsController()->Register(TSecondProperties::StaticClass(), TFirstHelper::Class());
  GetFilterEditsController()->Unregister(TSecondProperties::StaticClass(), TFirstHelper::Class());
  EXPECT_FALSE(FilterEditsControllerExists());
  vxTextEditUnit.Initialize();
  vxMaskEditUnit.Initialize();
  vxDropDownEditUnit.Initialize();
}

}  // namespace

}  // namespace ZS_UNITY_ID
