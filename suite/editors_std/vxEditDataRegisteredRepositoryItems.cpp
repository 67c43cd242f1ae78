#include "vxEditDataRegisteredRepositoryItems.h"

#include <memory>

#include "vxEditRepositoryItems.h"

namespace {

std::unique_ptr<TvxEditDataRegisteredRepositoryItems>& Map() {
  static std::unique_ptr<TvxEditDataRegisteredRepositoryItems> map;
  return map;
}

TvxEditRepositoryItem* NewItem(TClass AItemClass) { return GetDefaultEditRepository()->CreateItem(AItemClass); }

// Each type gets its own item; the items belong to the default repository.
void RegisterDefaultValueTypeItems() {
  TvxEditDataRegisteredRepositoryItems* map = GetDataRegisteredRepositoryItems();
  map->RegisterDefaultItem(-1, NewItem(TvxEditRepositoryTextItem::StaticClass()));
  map->RegisterItem(TvxBooleanValueType::Class(), -1, NewItem(TvxEditRepositoryCheckBoxItem::StaticClass()));
  map->RegisterItem(TvxCurrencyValueType::Class(), -1, NewItem(TvxEditRepositoryCurrencyItem::StaticClass()));
  map->RegisterItem(TvxDateTimeValueType::Class(), -1, NewItem(TvxEditRepositoryDateItem::StaticClass()));
  map->RegisterItem(TvxFMTBcdValueType::Class(), -1, NewItem(TvxEditRepositoryCurrencyItem::StaticClass()));
  map->RegisterItem(TvxSQLTimeStampValueType::Class(), -1, NewItem(TvxEditRepositoryDateItem::StaticClass()));
}

void UnregisterDefaultValueTypeItems() {
  if (!Map()) return;
  Map()->UnregisterDefaultItem(-1);
  Map()->UnregisterItem(TvxBooleanValueType::Class(), -1);
  Map()->UnregisterItem(TvxCurrencyValueType::Class(), -1);
  Map()->UnregisterItem(TvxDateTimeValueType::Class(), -1);
  Map()->UnregisterItem(TvxFMTBcdValueType::Class(), -1);
  Map()->UnregisterItem(TvxSQLTimeStampValueType::Class(), -1);
  Map().reset();
}

}  // namespace

TvxEditDataRegisteredRepositoryItems* GetDataRegisteredRepositoryItems() {
  if (!Map()) Map() = std::make_unique<TvxEditDataRegisteredRepositoryItems>();
  return Map().get();
}

const TUnitInfo vxEditDataRegisteredRepositoryItemsUnit = {L"vxEditDataRegisteredRepositoryItems",
                                                           RegisterDefaultValueTypeItems,
                                                           UnregisterDefaultValueTypeItems};
