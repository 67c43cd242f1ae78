// The process-wide map from a value type to the repository item that edits its values.
#pragma once

#include "vxDataStorage.h"
#include "vxEditRegisteredRepositoryItems.h"

class TvxEditDataRegisteredRepositoryItems : public TvxEditRegisteredRepositoryItems {
  DECLARE_CLASS(TvxEditDataRegisteredRepositoryItems, TvxEditRegisteredRepositoryItems)
 public:
  using TvxEditRegisteredRepositoryItems::GetItem;
  using TvxEditRegisteredRepositoryItems::RegisterItem;
  using TvxEditRegisteredRepositoryItems::UnregisterItem;
  TvxEditRepositoryItem* GetItem(TvxValueTypeClass AValueTypeClass) { return GetItem(Key(AValueTypeClass)); }
  void RegisterItem(TvxValueTypeClass AValueTypeClass, Integer AVersion, TvxEditRepositoryItem* ARepositoryItem) {
    RegisterItem(Key(AValueTypeClass), AVersion, ARepositoryItem);
  }
  void UnregisterItem(TvxValueTypeClass AValueTypeClass, Integer AVersion) {
    UnregisterItem(Key(AValueTypeClass), AVersion);
  }

 private:
  static std::uintptr_t Key(TvxValueTypeClass AValueTypeClass) {
    return reinterpret_cast<std::uintptr_t>(AValueTypeClass);
  }
};

// The map, created on first use; filled with the default items at start-up.
TvxEditDataRegisteredRepositoryItems* GetDataRegisteredRepositoryItems();

extern const TUnitInfo vxEditDataRegisteredRepositoryItemsUnit;
