// A data controller over plain item objects, as a control would own one, and a recorder
// of what the controller reports.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vxData.h"

class TTestItem : public TObject {
  DECLARE_CLASS(TTestItem, TObject)
};

// A component whose loading state a test can switch.
class TLoadingOwner : public TComponent {
  DECLARE_CLASS(TLoadingOwner, TComponent)
 public:
  TLoadingOwner() : TComponent(nullptr) {}
  void SetLoading(bool On) { SetComponentStateItem(csLoading, On); }
};

class TTestDataController : public TvxDataController {
  DECLARE_CLASS(TTestDataController, TvxDataController)
 public:
  explicit TTestDataController(TComponent* AOwner = nullptr) : TvxDataController(AOwner) {}
  TObject* GetItem(Integer Index) override { return Items.at(static_cast<size_t>(Index)).get(); }
  // Adds an item with a field of the given value type; answers its index.
  Integer AddTestItem(TvxValueTypeClass AType) {
    Items.push_back(std::make_unique<TTestItem>());
    AddItem(Items.back().get());
    Integer index = static_cast<Integer>(Items.size()) - 1;
    ChangeValueTypeClass(index, AType);
    return index;
  }
  std::vector<std::unique_ptr<TTestItem>> Items;
};

// Items are known by their position (item IDs for streams and copies).
class TIdTestDataController : public TTestDataController {
 public:
  using TTestDataController::TTestDataController;
  Integer GetItemID(TObject* AItem) override {
    for (size_t i = 0; i < Items.size(); ++i)
      if (Items[i].get() == AItem) return static_cast<Integer>(i);
    return -1;
  }
  TObject* FindItemByID(Integer AID) override {
    return AID >= 0 && AID < static_cast<Integer>(Items.size()) ? Items[AID].get() : nullptr;
  }
};

// Records each notification object and event as a short text.
struct TNotificationLog {
  std::vector<std::string> Entries;
  void Attach(TvxCustomDataController* C) {
    C->OnUpdateControl = [this](TvxUpdateControlInfo* AInfo) { Entries.push_back(Describe(AInfo)); };
    C->OnGroupingChanged = [this](TObject*) { Entries.push_back("GroupingChanged"); };
    C->OnSortingChanged = [this](TObject*) { Entries.push_back("SortingChanged"); };
  }
  std::vector<std::string> Take() {
    std::vector<std::string> r;
    r.swap(Entries);
    return r;
  }
  static std::string Describe(TvxUpdateControlInfo* AInfo) {
    static const char* const kinds[] = {"Field", "Record", "New", "Deleted", "Total"};
    if (auto* d = dynamic_cast<TvxDataChangedInfo*>(AInfo))
      return std::string("Data(") + kinds[d->Kind] + "," + std::to_string(d->ItemIndex) + "," +
             std::to_string(d->RecordIndex) + ")";
    if (auto* r = dynamic_cast<TvxFocusedRowChangedInfo*>(AInfo))
      return "FocusedRow(" + std::to_string(r->PrevFocusedRowIndex) + "," + std::to_string(r->FocusedRowIndex) + ")";
    if (auto* r = dynamic_cast<TvxFocusedRecordChangedInfo*>(AInfo))
      return "FocusedRecord(" + std::to_string(r->PrevFocusedRecordIndex) + "," +
             std::to_string(r->FocusedRecordIndex) + ")";
    if (auto* s = dynamic_cast<TvxSelectionChangedInfo*>(AInfo)) {
      std::string t = "Selection[";
      for (size_t i = 0; i < s->RowIndexes.size(); ++i) t += (i ? "," : "") + std::to_string(s->RowIndexes[i]);
      return t + "]";
    }
    if (dynamic_cast<TvxLayoutChangedInfo*>(AInfo)) return "Layout";
    if (auto* u = dynamic_cast<TvxUpdateRecordInfo*>(AInfo)) return "UpdateRecord(" + std::to_string(u->RecordIndex) + ")";
    if (dynamic_cast<TvxSearchChangedInfo*>(AInfo)) return "Search";
    if (dynamic_cast<TvxGroupingChangingInfo*>(AInfo)) return "GroupingChanging";
    if (dynamic_cast<TvxBookmarkChangedInfo*>(AInfo)) return "Bookmark";
    return "?";
  }
};
