#include "vxCustomDataInternal.h"

#include <algorithm>

using vxCustomDataInternal::RaiseOperationError;

// --- Keys -------------------------------------------------------------------------------

void vxCustomData::TvxKeys::Clear() {
  for (TvxKeyInfo* k : FKeys) FreeKeyInfo(k);
  FKeys.clear();
}

void vxCustomData::TvxKeys::Delete(Integer AIndex) {
  FreeKeyInfo(FKeys.at(static_cast<size_t>(AIndex)));
  FKeys.erase(FKeys.begin() + AIndex);
}

void vxCustomData::TvxKeys::PrepareKeyFields(TvxCustomDataController* ADataController) {
  FDataController = ADataController;
  FKeyFields.clear();
  ADataController->LoadKeyFields(FKeyFields);
}

void vxCustomData::TvxKeys::Save(TvxCustomDataController* ADataController) {
  Clear();
  PrepareKeyFields(ADataController);
  CollectKeys();
  std::stable_sort(FKeys.begin(), FKeys.end(),
                   [](TvxKeyInfo* a, TvxKeyInfo* b) { return VariantCompare(a->Key, b->Key) < 0; });
}

void vxCustomData::TvxKeys::Restore(TvxCustomDataController* ADataController) {
  PrepareKeyFields(ADataController);
  if (FKeys.empty()) return;
  ApplyKeys();
  Clear();
}

bool vxCustomData::TvxKeys::FindRecordKey(Integer ARecordIndex, Integer& AIndex) {
  Variant key = FDataController->GetRecordKeyValue(ARecordIndex, FKeyFields);
  // Save keeps the keys sorted: the first equal key in list order is the lower bound.
  auto it = std::lower_bound(FKeys.begin(), FKeys.end(), key,
                             [](TvxKeyInfo* k, const Variant& v) { return VariantCompare(k->Key, v) < 0; });
  if (it == FKeys.end() || VariantCompare((*it)->Key, key) != 0) return false;
  AIndex = static_cast<Integer>(it - FKeys.begin());
  return true;
}

TvxSaveObject::TvxSaveObject()
    : FDetailKeys(std::make_unique<TvxDetailKeys>()), FSelectedKeys(std::make_unique<TvxSelectedKeys>()) {}

void TvxDetailKeys::CollectKeys() {
  TvxCustomDataController* c = FDataController;
  TvxCustomDataRelationList* relations = c->Relations();
  if (!relations->DataField()) return;
  for (Integer r = 0; r < c->RecordCount(); ++r) {
    TvxDetailObject* d = relations->GetDetailObject(r);
    if (!d || !d->Expanded) continue;
    auto* info = new TvxDetailKeyInfo;
    FKeys.push_back(info);
    info->Key = c->GetRecordKeyValue(r, FKeyFields);
    info->ActiveRelationIndex = d->ActiveRelationIndex;
  }
}

void TvxDetailKeys::ApplyKeys() {
  TvxCustomDataController* c = FDataController;
  TvxCustomDataRelationList* relations = c->Relations();
  for (Integer r = 0; r < c->RecordCount(); ++r) {
    Integer k;
    if (!FindRecordKey(r, k)) continue;
    TvxDetailObject* d = relations->GetDetailObject(r);
    if (!d || !c->CanChangeDetailExpanding(r, true)) continue;
    d->Expanded = true;
    d->ActiveRelationIndex = static_cast<TvxDetailKeyInfo*>(FKeys[static_cast<size_t>(k)])->ActiveRelationIndex;
    c->DoDetailExpanded(r);
  }
}

void TvxSelectedKeys::CollectKeys() {
  TvxCustomDataController* c = FDataController;
  TvxDataSelection* sel = c->DataControllerInfo()->Selection();
  for (Integer i = 0; i < sel->Count(); ++i) {
    const TvxDataSelection::TItem& item = sel->Items(i);
    if (item.Level < 0 || item.RecordIndex < 0 || item.RecordIndex >= c->RecordCount()) continue;
    auto* info = new TvxSelectedKeyInfo;
    FKeys.push_back(info);
    info->SelectedIndex = i;
    info->Key = c->GetRecordKeyValue(item.RecordIndex, FKeyFields);
  }
}

void TvxSelectedKeys::ApplyKeys() {
  TvxCustomDataController* c = FDataController;
  TvxDataSelection* sel = c->DataControllerInfo()->Selection();
  if (sel->Count() == 0) return;
  // A matched key is used up, so the next record with an equal key takes the next one.
  // Equal keys sit together in the sorted list: a count of used keys per run of equal
  // keys (at the run's first index) stands for deleting them, and all are freed at once.
  std::vector<Integer> used(FKeys.size(), 0);
  std::vector<char> taken(FKeys.size(), 0);
  for (Integer r = 0; r < c->RecordCount(); ++r) {
    Integer first;
    if (!FindRecordKey(r, first)) continue;
    size_t k = static_cast<size_t>(first) + static_cast<size_t>(used[static_cast<size_t>(first)]);
    if (k >= FKeys.size() || VariantCompare(FKeys[k]->Key, FKeys[static_cast<size_t>(first)]->Key) != 0) continue;
    ++used[static_cast<size_t>(first)];
    taken[k] = 1;
    Integer index = static_cast<TvxSelectedKeyInfo*>(FKeys[k])->SelectedIndex;
    if (index < sel->Count()) sel->SetRecordIndex(index, r);
  }
  for (size_t k = 0; k < FKeys.size(); ++k) {
    if (taken[k]) continue;
    Integer index = static_cast<TvxSelectedKeyInfo*>(FKeys[k])->SelectedIndex;
    if (index >= 0 && index < sel->Count()) sel->SetRecordIndex(index, -1);
  }
  Clear();
  sel->DeleteWhere([](const TvxDataSelection::TItem& AItem) { return AItem.RecordIndex == -1; });
  c->DataControllerInfo()->ExpandingChanged();
}

TvxSaveObject::~TvxSaveObject() {
  FSelectedKeys.reset();
  FDetailKeys.reset();
}

void TvxSaveObject::Save(TvxCustomDataController* ADataController) {
  if (ADataController->IsDestroying() || !ADataController->IsRecordIdSupported()) return;
  FDetailKeys->Save(ADataController);
  FSelectedKeys->Save(ADataController);
}

void TvxSaveObject::Restore(TvxCustomDataController* ADataController) {
  if (ADataController->IsRecordIdSupported()) {
    FDetailKeys->Restore(ADataController);
    FSelectedKeys->Restore(ADataController);
    ADataController->DataControllerInfo()->CheckSelection();
  } else {
    ADataController->DataControllerInfo()->Refresh();
  }
}

// --- Search -----------------------------------------------------------------------------

void TvxDataControllerSearch::FocusFoundRecord(Integer ARecordListIndex) {
  Lock();
  TScopeExit unlock([this] { Unlock(); });
  FDataController->ChangeFocusedRecordIndex(FDataController->DataControllerInfo()->GetInternalRecordIndex(ARecordListIndex));
  FDataController->SyncSelectionFocusedRecord();
}

Integer TvxDataControllerSearch::DoSearch(Integer AStartIndex, Integer AEndIndex, bool AForward, const String& AText) {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  Integer count = info->FilteredRecordCount();
  if (AEndIndex == -1) AEndIndex = AForward ? count - 1 : 0;
  TvxCustomDataField* field = FDataController->IncrementalSearchField();
  if (!field) return -1;
  // The positions come from the record list, so each record and the field are valid:
  // the display text is read without checking them again per record, and where the
  // storage keeps it is found once.
  TvxValueDef* stored = FDataController->StoredTextDef(field);
  for (Integer i = AStartIndex; AForward ? i <= AEndIndex : i >= AEndIndex; i += AForward ? 1 : -1) {
    if (i < 0 || i >= count) break;
    if (FDataController->MatchFieldDisplayText(info->GetInternalRecordIndex(i), field, stored, AText, true)) return i;
  }
  return -1;
}

bool TvxDataControllerSearch::Locate(Integer AItemIndex, const String& ASubText) {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  if (ASubText.empty() || info->FilteredRecordCount() == 0) return false;
  SetItemIndex(AItemIndex);
  Integer focused = FDataController->GetFocusedRecordIndex();
  Integer start = focused < 0 ? 0 : std::max<Integer>(0, info->RecordListIndexOf(focused));
  Integer found = DoSearch(start, -1, true, ASubText);
  if (found < 0 && start > 0) found = DoSearch(0, start - 1, true, ASubText);
  if (found < 0) return false;
  FocusFoundRecord(found);
  FDataController->SetIncrementalSearchState(true, ASubText);
  FDataController->Change({dccSearch});
  return true;
}

bool TvxDataControllerSearch::LocateNext(bool AForward) {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  if (!Searching() || SearchText().empty() || !FDataController->IncrementalSearchField() ||
      info->FilteredRecordCount() == 0)
    return false;
  Integer focused = FDataController->GetFocusedRecordIndex();
  if (focused < 0) return false;
  Integer start = info->RecordListIndexOf(focused) + (AForward ? 1 : -1);
  if (start < 0 || start >= info->FilteredRecordCount()) return false;
  Integer found = DoSearch(start, -1, AForward, SearchText());
  if (found < 0) return false;
  FocusFoundRecord(found);
  return true;
}

void TvxDataControllerSearch::Cancel() {
  if (FLocked || !FDataController->IncrementalSearching()) return;
  FDataController->SetIncrementalSearchState(false, String());
  FDataController->Change({dccSearch});
}

Integer TvxDataControllerSearch::ItemIndex() const {
  TvxCustomDataField* f = FDataController->IncrementalSearchField();
  return f ? f->Index() : -1;
}

void TvxDataControllerSearch::SetItemIndex(Integer Value) {
  FDataController->CheckItemRange(Value);
  FDataController->SetIncrementalSearchField(FDataController->GetItemField(Value));
}

bool TvxDataControllerSearch::Searching() const { return FDataController->IncrementalSearching(); }

String TvxDataControllerSearch::SearchText() const { return FDataController->IncrementalSearchText(); }
