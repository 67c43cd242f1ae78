#include "vxEditRegisteredRepositoryItems.h"

TvxEditRegisteredRepositoryItems::~TvxEditRegisteredRepositoryItems() {
  FDestroying = true;
  for (auto i = static_cast<Integer>(FDefaultItems.size()) - 1; i >= 0; --i) DeleteEntry(FDefaultItems, i);
  for (auto i = static_cast<Integer>(FItems.size()) - 1; i >= 0; --i) DeleteEntry(FItems, i);
}

void TvxEditRegisteredRepositoryItems::RepositoryItemRemoved(TvxEditRepositoryItem* Sender) {
  for (auto* array : {&FDefaultItems, &FItems})
    for (auto i = static_cast<Integer>(array->size()) - 1; i >= 0; --i)
      if ((*array)[i].RepositoryItem == Sender) DeleteEntry(*array, i);
}

void TvxEditRegisteredRepositoryItems::PropertiesChanged(TvxEditRepositoryItem*) { ListChanged(); }

TvxEditRepositoryItem* TvxEditRegisteredRepositoryItems::GetDefaultItem() {
  return FDefaultItems.empty() ? nullptr : FDefaultItems.front().RepositoryItem;
}

TvxEditRepositoryItem* TvxEditRegisteredRepositoryItems::GetItem(std::uintptr_t ADataType) {
  Integer index;
  if (LocateEntry(FItems, ADataType, index, true, 0)) return FItems[index].RepositoryItem;
  return GetDefaultItem();
}

void TvxEditRegisteredRepositoryItems::RegisterDefaultItem(Integer AVersion, TvxEditRepositoryItem* ARepositoryItem) {
  InsertEntry(FDefaultItems, 0, ARepositoryItem, AVersion);
}

void TvxEditRegisteredRepositoryItems::RegisterItem(std::uintptr_t ADataType, Integer AVersion,
                                                    TvxEditRepositoryItem* ARepositoryItem) {
  InsertEntry(FItems, ADataType, ARepositoryItem, AVersion);
}

void TvxEditRegisteredRepositoryItems::UnregisterDefaultItem(Integer AVersion) {
  UnregisterEntry(FDefaultItems, 0, AVersion);
}

void TvxEditRegisteredRepositoryItems::UnregisterItem(std::uintptr_t ADataType, Integer AVersion) {
  UnregisterEntry(FItems, ADataType, AVersion);
}

Integer TvxEditRegisteredRepositoryItems::InsertEntry(TvxEditRegisteredRepositoryItemsDataArray& AArray,
                                                      std::uintptr_t ADataType,
                                                      TvxEditRepositoryItem* ARepositoryItem, Integer AVersion) {
  Integer index;
  if (LocateEntry(AArray, ADataType, index, false, AVersion)) return index;  // the earlier item stays
  AArray.insert(AArray.begin() + index, TvxEditRegisteredRepositoryItemsData{ADataType, AVersion, ARepositoryItem});
  if (ARepositoryItem) ARepositoryItem->AddListener(this);
  ListChanged();
  return index;
}

void TvxEditRegisteredRepositoryItems::DeleteEntry(TvxEditRegisteredRepositoryItemsDataArray& AArray, Integer AIndex) {
  TvxEditRepositoryItem* item = AArray[AIndex].RepositoryItem;
  AArray.erase(AArray.begin() + AIndex);
  // Another entry may still hold the same item; it keeps listening for that one.
  bool stillHeld = false;
  for (auto* array : {&FDefaultItems, &FItems})
    for (const auto& entry : *array) stillHeld = stillHeld || entry.RepositoryItem == item;
  if (item && !stillHeld) item->RemoveListener(this);
  if (!FDestroying) ListChanged();
}

bool TvxEditRegisteredRepositoryItems::LocateEntry(const TvxEditRegisteredRepositoryItemsDataArray& AArray,
                                                   std::uintptr_t ADataType, Integer& AIndex, bool AMaxVersion,
                                                   Integer AVersion) {
  Integer low = 0, high = static_cast<Integer>(AArray.size()) - 1;
  AIndex = -1;
  while (low <= high) {
    const Integer middle = (low + high) / 2;
    const auto& entry = AArray[middle];
    Integer cmp = entry.DataType < ADataType ? -1 : (entry.DataType > ADataType ? 1 : 0);
    if (cmp == 0 && !AMaxVersion) cmp = entry.Version < AVersion ? -1 : (entry.Version > AVersion ? 1 : 0);
    if (cmp < 0) {
      low = middle + 1;
    } else if (cmp > 0) {
      high = middle - 1;
    } else {
      AIndex = middle;
      break;
    }
  }
  if (AIndex < 0) AIndex = low;
  if (AMaxVersion)
    while (AIndex + 1 < static_cast<Integer>(AArray.size()) && AArray[AIndex + 1].DataType == ADataType &&
           AArray[AIndex].DataType == ADataType)
      ++AIndex;
  return AIndex < static_cast<Integer>(AArray.size()) && AArray[AIndex].DataType == ADataType &&
         (AMaxVersion || AArray[AIndex].Version == AVersion);
}

void TvxEditRegisteredRepositoryItems::UnregisterEntry(TvxEditRegisteredRepositoryItemsDataArray& AArray,
                                                       std::uintptr_t ADataType, Integer AVersion) {
  Integer index;
  if (LocateEntry(AArray, ADataType, index, false, AVersion)) DeleteEntry(AArray, index);
}

const TUnitInfo vxEditRegisteredRepositoryItemsUnit = {L"vxEditRegisteredRepositoryItems", nullptr, nullptr};
