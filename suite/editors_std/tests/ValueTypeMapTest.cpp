#include <gtest/gtest.h>

#include <memory>

#include "vxEditDataRegisteredRepositoryItems.h"
#include "vxEditRepositoryItems.h"

namespace ZS_UNITY_ID {

namespace {

struct RegisteredItemsTest : ::testing::Test {
  std::unique_ptr<TvxEditRepository> repository = std::make_unique<TvxEditRepository>(nullptr);
  TvxEditRepositoryItem* NewItem() { return repository->CreateItem(TvxEditRepositoryTextItem::StaticClass()); }
};

TEST_F(RegisteredItemsTest, HighestVersionWinsThenLowerThenDefault) {
  TvxEditRegisteredRepositoryItems map;
  TvxEditRepositoryItem *v1 = NewItem(), *v3 = NewItem(), *def = NewItem(), *other = NewItem();
  map.RegisterItem(7, 3, v3);
  map.RegisterItem(7, 1, v1);
  map.RegisterItem(5, 9, other);
  map.RegisterItem(9, -4, other);
  map.RegisterDefaultItem(-1, def);
  EXPECT_EQ(map.GetItem(7), v3);
  map.UnregisterItem(7, 3);
  EXPECT_EQ(map.GetItem(7), v1);
  map.UnregisterItem(7, 1);
  EXPECT_EQ(map.GetItem(7), def);
  map.UnregisterItem(7, 1);  // missing: nothing happens
  EXPECT_EQ(map.GetItem(5), other);
  EXPECT_EQ(map.GetItem(9), other);
  EXPECT_EQ(map.GetItem(6), def);
}

TEST_F(RegisteredItemsTest, ExistingPairKeepsTheFirstItem) {
  TvxEditRegisteredRepositoryItems map;
  TvxEditRepositoryItem *a = NewItem(), *b = NewItem();
  map.RegisterItem(3, 2, a);
  map.RegisterItem(3, 2, b);
  EXPECT_EQ(map.GetItem(3), a);
  EXPECT_EQ(map.Items().size(), 1u);
  EXPECT_EQ(b->ListenerCount(), 0);
  EXPECT_EQ(a->ListenerCount(), 1);
}

TEST_F(RegisteredItemsTest, DefaultItemIsTheLowestVersionAndNullWhenNone) {
  TvxEditRegisteredRepositoryItems map;
  EXPECT_EQ(map.GetItem(1), nullptr);
  EXPECT_EQ(map.GetDefaultItem(), nullptr);
  TvxEditRepositoryItem *v5 = NewItem(), *vm1 = NewItem();
  map.RegisterDefaultItem(5, v5);
  map.RegisterDefaultItem(-1, vm1);
  EXPECT_EQ(map.GetDefaultItem(), vm1);
  map.UnregisterDefaultItem(-1);
  EXPECT_EQ(map.GetDefaultItem(), v5);
}

TEST_F(RegisteredItemsTest, DestroyedItemLeavesBothArrays) {
  TvxEditRegisteredRepositoryItems map;
  TvxEditRepositoryItem *gone = NewItem(), *kept = NewItem();
  map.RegisterDefaultItem(0, gone);
  map.RegisterDefaultItem(1, kept);
  map.RegisterItem(4, 0, gone);
  map.RegisterItem(4, 1, kept);
  map.RegisterItem(8, 0, gone);
  delete gone;
  EXPECT_EQ(map.GetDefaultItem(), kept);
  EXPECT_EQ(map.GetItem(4), kept);
  EXPECT_EQ(map.GetItem(8), kept);
  EXPECT_EQ(map.Items().size(), 1u);
}

// An item held by two entries keeps telling the map about its removal after one of
// the entries is unregistered, so the other entry cannot be left pointing at it.
TEST_F(RegisteredItemsTest, ItemSharedByTwoEntriesStaysListenedTo) {
  TvxEditRegisteredRepositoryItems map;
  TvxEditRepositoryItem* shared = NewItem();
  map.RegisterItem(1, 0, shared);
  map.RegisterItem(2, 0, shared);
  map.UnregisterItem(1, 0);
  EXPECT_EQ(shared->ListenerCount(), 1);
  delete shared;
  EXPECT_EQ(map.GetItem(2), nullptr);
}

TEST_F(RegisteredItemsTest, MapLeavesItsItemsWhenDestroyed) {
  TvxEditRepositoryItem* item = NewItem();
  {
    TvxEditRegisteredRepositoryItems map;
    map.RegisterItem(1, 0, item);
    map.RegisterDefaultItem(0, item);
    EXPECT_EQ(item->ListenerCount(), 1);
  }
  EXPECT_EQ(item->ListenerCount(), 0);
}

TEST(ValueTypeMap, AnswersTheEditorOfEachValueType) {
  TvxEditDataRegisteredRepositoryItems* map = GetDataRegisteredRepositoryItems();
  struct Case {
    TvxValueTypeClass Type;
    TClass Item;
    TClass Properties;
  } cases[] = {
      {TvxStringValueType::Class(), TvxEditRepositoryTextItem::StaticClass(), TvxTextEditProperties::StaticClass()},
      {TvxWideStringValueType::Class(), TvxEditRepositoryTextItem::StaticClass(), TvxTextEditProperties::StaticClass()},
      {TvxIntegerValueType::Class(), TvxEditRepositoryTextItem::StaticClass(), TvxTextEditProperties::StaticClass()},
      {TvxFloatValueType::Class(), TvxEditRepositoryTextItem::StaticClass(), TvxTextEditProperties::StaticClass()},
      {TvxBooleanValueType::Class(), TvxEditRepositoryCheckBoxItem::StaticClass(),
       TvxCheckBoxProperties::StaticClass()},
      {TvxCurrencyValueType::Class(), TvxEditRepositoryCurrencyItem::StaticClass(),
       TvxCurrencyEditProperties::StaticClass()},
      {TvxFMTBcdValueType::Class(), TvxEditRepositoryCurrencyItem::StaticClass(),
       TvxCurrencyEditProperties::StaticClass()},
      {TvxDateTimeValueType::Class(), TvxEditRepositoryDateItem::StaticClass(), TvxDateEditProperties::StaticClass()},
      {TvxSQLTimeStampValueType::Class(), TvxEditRepositoryDateItem::StaticClass(),
       TvxDateEditProperties::StaticClass()},
  };
  for (const Case& c : cases) {
    TvxEditRepositoryItem* item = map->GetItem(c.Type);
    ASSERT_NE(item, nullptr) << c.Type->ClassName();
    EXPECT_EQ(item->ClassType(), c.Item) << c.Type->ClassName();
    EXPECT_EQ(item->Properties()->ClassType(), c.Properties) << c.Type->ClassName();
    EXPECT_EQ(item->Repository(), GetDefaultEditRepository());
  }
  // Currency and BCD values each have their own item.
  EXPECT_NE(map->GetItem(TvxCurrencyValueType::Class()), map->GetItem(TvxFMTBcdValueType::Class()));
  // So have date-time and SQL time stamp values.
  EXPECT_NE(map->GetItem(TvxDateTimeValueType::Class()), map->GetItem(TvxSQLTimeStampValueType::Class()));
  EXPECT_EQ(map->Items().size(), 5u);
  EXPECT_EQ(map->DefaultItems().size(), 1u);
}

TEST(RepositoryItems, PropertiesAreTypedAndCopiedNotAdopted) {
  TvxEditRepository repository(nullptr);
  auto* item = static_cast<TvxEditRepositoryCheckBoxItem*>(
      repository.CreateItem(TvxEditRepositoryCheckBoxItem::StaticClass()));
  TvxCheckBoxProperties source(nullptr);
  source.SetAllowGrayed(true);
  source.SetValueChecked(Variant(L"Y"));
  item->SetProperties(&source);
  EXPECT_NE(static_cast<TvxCustomEditProperties*>(item->Properties()), &source);
  EXPECT_TRUE(item->Properties()->AllowGrayed());
  EXPECT_EQ(VarToStr(item->Properties()->ValueChecked()), L"Y");
  EXPECT_EQ(item->GetEditPropertiesClass(), TvxCheckBoxProperties::StaticClass());
  auto* currency = static_cast<TvxEditRepositoryCurrencyItem*>(
      repository.CreateItem(TvxEditRepositoryCurrencyItem::StaticClass()));
  EXPECT_TRUE(currency->Properties()->ValidateOnEnter());
}

}  // namespace

}  // namespace ZS_UNITY_ID
