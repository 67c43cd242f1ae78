// A sorted map from a data-type key and a version to an edit repository item.
#pragma once

#include <cstdint>
#include <vector>

#include "vxEdit.h"

struct TvxEditRegisteredRepositoryItemsData {
  std::uintptr_t DataType = 0;  // 0 for default entries
  Integer Version = 0;
  TvxEditRepositoryItem* RepositoryItem = nullptr;  // not owned
};
using TvxEditRegisteredRepositoryItemsDataArray = std::vector<TvxEditRegisteredRepositoryItemsData>;

// Keeps each array sorted by (DataType, Version); a pair occurs at most once. The map
// listens to every item it holds and drops the item's entries when the item goes.
// The items belong to their repository and are never freed here.
class TvxEditRegisteredRepositoryItems : public TvxInterfacedPersistent, public IvxEditRepositoryItemListener {
  DECLARE_CLASS(TvxEditRegisteredRepositoryItems, TvxInterfacedPersistent)
 public:
  TvxEditRegisteredRepositoryItems() : TvxInterfacedPersistent(nullptr) {}
  ~TvxEditRegisteredRepositoryItems() override;

  // IvxEditRepositoryItemListener
  void RepositoryItemRemoved(TvxEditRepositoryItem* Sender) override;
  void PropertiesChanged(TvxEditRepositoryItem* Sender) override;

  // The default entry with the lowest version, nullptr when there is none.
  virtual TvxEditRepositoryItem* GetDefaultItem();
  // The entry of the type with the highest version, else the default item.
  virtual TvxEditRepositoryItem* GetItem(std::uintptr_t ADataType);
  virtual void RegisterDefaultItem(Integer AVersion, TvxEditRepositoryItem* ARepositoryItem);
  virtual void RegisterItem(std::uintptr_t ADataType, Integer AVersion, TvxEditRepositoryItem* ARepositoryItem);
  virtual void UnregisterDefaultItem(Integer AVersion);
  virtual void UnregisterItem(std::uintptr_t ADataType, Integer AVersion);

  const TvxEditRegisteredRepositoryItemsDataArray& DefaultItems() const { return FDefaultItems; }
  const TvxEditRegisteredRepositoryItemsDataArray& Items() const { return FItems; }

 protected:
  virtual Integer InsertEntry(TvxEditRegisteredRepositoryItemsDataArray& AArray, std::uintptr_t ADataType,
                              TvxEditRepositoryItem* ARepositoryItem, Integer AVersion);
  virtual void ListChanged() {}

 private:
  void DeleteEntry(TvxEditRegisteredRepositoryItemsDataArray& AArray, Integer AIndex);
  static bool LocateEntry(const TvxEditRegisteredRepositoryItemsDataArray& AArray, std::uintptr_t ADataType,
                          Integer& AIndex, bool AMaxVersion, Integer AVersion);
  void UnregisterEntry(TvxEditRegisteredRepositoryItemsDataArray& AArray, std::uintptr_t ADataType, Integer AVersion);

  bool FDestroying = false;
  TvxEditRegisteredRepositoryItemsDataArray FDefaultItems;
  TvxEditRegisteredRepositoryItemsDataArray FItems;
};

extern const TUnitInfo vxEditRegisteredRepositoryItemsUnit;
