#include <gtest/gtest.h>

#include "vxEditRepositoryItems.h"
#include "vxInplaceContainer.h"
#include "vxTextEdit.h"

namespace ZS_UNITY_ID {

namespace {

struct TCountingBinding : TvxItemDataBinding {
  using TvxItemDataBinding::TvxItemDataBinding;
  Integer Changes = 0;
  void ValueTypeClassChanged() override { ++Changes; }
};

TEST(ItemDataBinding, FreshBindingIsStringWithTheTextEditor) {
  TvxItemDataBinding b(nullptr);
  EXPECT_EQ(b.GetValueTypeClass(), TvxStringValueType::Class());
  EXPECT_EQ(b.ValueType(), L"String");
  EXPECT_TRUE(b.IsValueTypeStored());  // the field itself is still unset
  TvxEditRepositoryItem* item = b.GetDefaultRepositoryItem();
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(Is<TvxEditRepositoryTextItem>(item));
  EXPECT_FALSE(b.GetDefaultValuesProvider()->IsDisplayFormatDefined(true));
  String text = L"x";
  b.GetDefaultText(text);
  EXPECT_EQ(text, L"");
}

TEST(ItemDataBinding, ValueTypeByDescriptionNotifiesOnlyOnChange) {
  TCountingBinding b(nullptr);
  Integer& changes = b.Changes;
  b.SetValueTypeClass(TvxStringValueType::Class());  // already reported
  EXPECT_EQ(changes, 0);
  b.SetValueType(L"integer");
  EXPECT_EQ(b.GetValueTypeClass(), TvxIntegerValueType::Class());
  EXPECT_EQ(b.ValueType(), L"Integer");
  EXPECT_EQ(changes, 1);
  b.SetValueType(L"NoSuchType");  // ignored
  EXPECT_EQ(b.GetValueTypeClass(), TvxIntegerValueType::Class());
  EXPECT_EQ(changes, 1);
  TvxItemDataBinding copy(nullptr);
  copy.Assign(&b);
  EXPECT_EQ(copy.GetValueTypeClass(), TvxIntegerValueType::Class());
  copy.SetValueTypeClass(TvxStringValueType::Class());
  EXPECT_FALSE(copy.IsValueTypeStored());
}

TEST(ItemDataBinding, RepositoryRegistersEachClassOnce) {
  TvxValueTypeClassRepository* r = vxValueTypeClassRepository();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Count(), 7);
  r->RegisterValueTypeClass(L"Text", TvxStringValueType::Class());
  EXPECT_EQ(r->Count(), 7);
  EXPECT_EQ(r->FindByClassType(TvxWordValueType::Class()), L"");
  EXPECT_EQ(r->FindByDescription(L"DATETIME"), TvxDateTimeValueType::Class());
}

}  // namespace

}  // namespace ZS_UNITY_ID
