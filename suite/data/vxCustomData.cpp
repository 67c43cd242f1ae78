#include "vxCustomData.h"

#include <algorithm>

namespace {

[[noreturn]] void RaiseOperationError(const TResStringRec& ARec) {
  throw EvxInvalidDataControllerOperation(vxGetResString(&ARec));
}

// Holds a controller's update bracket for a scope.
class TControllerUpdate {
 public:
  explicit TControllerUpdate(TvxCustomDataController* AController) : FController(AController) { FController->BeginUpdate(); }
  ~TControllerUpdate() noexcept(false) { FController->EndUpdate(); }
  TControllerUpdate(const TControllerUpdate&) = delete;
  TControllerUpdate& operator=(const TControllerUpdate&) = delete;

 private:
  TvxCustomDataController* FController;
};

}  // namespace

// --- Notification objects ------------------------------------------------------------------

std::unique_ptr<TvxSelectionChangedInfo> TvxSelectionChangedInfo::CreateEx(Integer ARowIndex1, Integer ARowIndex2) {
  auto r = std::make_unique<TvxSelectionChangedInfo>();
  if (ARowIndex1 != -1) r->RowIndexes.push_back(ARowIndex1);
  if (ARowIndex2 != -1 && ARowIndex2 != ARowIndex1) r->RowIndexes.push_back(ARowIndex2);
  return r;
}

// --- Fields -----------------------------------------------------------------------------

TvxCustomDataField::TvxCustomDataField(TvxCustomDataFieldList* AFieldList) : FFieldList(AFieldList) {}

TvxCustomDataField::~TvxCustomDataField() {
  if (FFieldList) FFieldList->RemoveField(this);
  FreeValueDef();
}

TvxCustomDataController* TvxCustomDataField::DataController() const {
  return FFieldList ? FFieldList->DataController() : nullptr;
}

Integer TvxCustomDataField::Index() const { return FFieldList ? FFieldList->IndexOf(this) : -1; }

void TvxCustomDataField::SetIndex(Integer Value) {
  if (FFieldList) FFieldList->Move(Index(), Value);
}

bool TvxCustomDataField::CanModify(TvxDataEditValueSource) {
  return ValueDef() != nullptr || (DataController() && DataController()->IsProviderMode());
}

void TvxCustomDataField::TakeOverData(TvxCustomDataField* ASource) {
  FReferenceField = nullptr;
  FValueDef = ASource->FValueDef;
  if (FValueDef) FValueDef->SetLinkObject(this);
  FValueTypeClass = ASource->FValueTypeClass;
  ASource->FValueDef = nullptr;
  ASource->FValueTypeClass = nullptr;
}

void TvxCustomDataField::SetReferenceField(TvxCustomDataField* Value) {
  if (FReferenceField == Value) return;
  TvxCustomDataField* end = Value;
  while (end && end->FReferenceField) end = end->FReferenceField;
  if (end == this) return;
  if (!FReferenceField) SetValueTypeClass(nullptr);
  FReferenceField = end;
}

void TvxCustomDataField::SetValueTypeClass(TvxValueTypeClass Value) {
  if (FReferenceField || FValueTypeClass == Value) return;
  LockRecreateData();
  FValueTypeClass = Value;
  UnlockRecreateData();
}

void TvxCustomDataField::SetTextStored(bool Value) {
  if (FReferenceField || FTextStored == Value) return;
  LockRecreateData();
  FTextStored = Value;
  UnlockRecreateData();
}

void TvxCustomDataField::LockRecreateData() {
  if (FLockRecreateData == 0) FreeValueDef();
  ++FLockRecreateData;
}

void TvxCustomDataField::UnlockRecreateData() {
  --FLockRecreateData;
  if (FLockRecreateData == 0) BuildValueDef();
}

void TvxCustomDataField::BuildValueDef() {
  if (FReferenceField || !FValueTypeClass) return;
  FreeValueDef();
  TvxCustomDataController* c = DataController();
  if (!c) return;
  FValueDef = c->DataStorage()->ValueDefs()->Add(FValueTypeClass, FIsInternal, FTextStored, this);
}

void TvxCustomDataField::FreeValueDef() {
  if (FReferenceField) return;
  TvxValueDef* d = FValueDef;
  FValueDef = nullptr;
  delete d;
}

TvxCustomDataFieldList::~TvxCustomDataFieldList() { Clear(); }

void TvxCustomDataFieldList::ComponentRemoved(TComponent* AComponent) {
  for (size_t i = 0; i < FItems.size(); ++i) FItems[i]->ComponentRemoved(AComponent);
}

void TvxCustomDataFieldList::AddField(TvxCustomDataField* AField) {
  if (AField->IsInternal()) FItems.push_back(AField);
  else FItems.insert(FItems.begin() + ItemCount(), AField);
  UpdateInternalCount();
}

TvxCustomDataField* TvxCustomDataFieldList::FieldByItem(TObject* AItem) const {
  for (TvxCustomDataField* f : FItems)
    if (f->Item() == AItem) return f;
  return nullptr;
}

Integer TvxCustomDataFieldList::IndexOf(const TvxCustomDataField* AField) const {
  auto it = std::find(FItems.begin(), FItems.end(), AField);
  return it == FItems.end() ? -1 : static_cast<Integer>(it - FItems.begin());
}

void TvxCustomDataFieldList::Move(Integer ACurIndex, Integer ANewIndex) {
  if (ACurIndex == ANewIndex || ACurIndex < 0 || ANewIndex < 0 || ANewIndex >= Count()) return;
  TvxCustomDataField* f = FItems[static_cast<size_t>(ACurIndex)];
  FItems.erase(FItems.begin() + ACurIndex);
  FItems.insert(FItems.begin() + ANewIndex, f);
}

void TvxCustomDataFieldList::ReassignFields(TvxCustomDataField* ADestroyedField) {
  TvxCustomDataField* first = nullptr;
  for (TvxCustomDataField* f : FItems) {
    if (f->ReferenceField() != ADestroyedField) continue;
    if (!first) {
      first = f;
      f->TakeOverData(ADestroyedField);
    } else {
      f->FReferenceField = first;
    }
  }
}

void TvxCustomDataFieldList::RemoveField(TvxCustomDataField* AField) {
  FFieldDestroyed = true;
  ReassignFields(AField);
  auto it = std::find(FItems.begin(), FItems.end(), AField);
  if (it != FItems.end()) FItems.erase(it);
  if (FDataController) FDataController->RemoveFieldReferences(AField);
  UpdateInternalCount();
}

void TvxCustomDataFieldList::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

void TvxCustomDataFieldList::UpdateInternalCount() {
  FInternalCount = static_cast<Integer>(std::count_if(FItems.begin(), FItems.end(),
                                                      [](TvxCustomDataField* f) { return f->IsInternal(); }));
}

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
  for (size_t i = 0; i < FKeys.size(); ++i)
    if (VariantCompare(FKeys[i]->Key, key) == 0) {
      AIndex = static_cast<Integer>(i);
      return true;
    }
  return false;
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
  for (Integer r = 0; r < c->RecordCount(); ++r) {
    Integer k;
    if (!FindRecordKey(r, k)) continue;
    Integer index = static_cast<TvxSelectedKeyInfo*>(FKeys[static_cast<size_t>(k)])->SelectedIndex;
    if (index < sel->Count()) sel->SetRecordIndex(index, r);
    Delete(k);
  }
  for (TvxKeyInfo* key : FKeys) {
    Integer index = static_cast<TvxSelectedKeyInfo*>(key)->SelectedIndex;
    if (index >= 0 && index < sel->Count()) sel->SetRecordIndex(index, -1);
  }
  for (Integer i = sel->Count() - 1; i >= 0; --i)
    if (sel->Items(i).RecordIndex == -1) sel->Delete(i);
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
  Integer item = field->Index();
  for (Integer i = AStartIndex; AForward ? i <= AEndIndex : i >= AEndIndex; i += AForward ? 1 : -1) {
    if (i < 0 || i >= count) break;
    if (MatchSearchText(FDataController->GetDisplayText(info->GetInternalRecordIndex(i), item), AText, true)) return i;
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

// --- Collaborators ----------------------------------------------------------------------

Integer TvxSortingFieldList::IndexOf(TvxCustomDataField* AField) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Field == AField) return static_cast<Integer>(i);
  return -1;
}

void TvxSortingFieldList::ChangeSorting(TvxCustomDataField* AField, TvxDataSortOrder ASortOrder) {
  Integer i = IndexOf(AField);
  if (ASortOrder == soNone) {
    if (i < 0) return;
    FItems.erase(FItems.begin() + i);
  } else if (i < 0) {
    FItems.push_back({AField, ASortOrder});
  } else {
    if (FItems[static_cast<size_t>(i)].SortOrder == ASortOrder) return;
    FItems[static_cast<size_t>(i)].SortOrder = ASortOrder;
  }
  Changed();
}

void TvxSortingFieldList::ChangeSortIndex(TvxCustomDataField* AField, Integer ASortIndex) {
  Integer i = IndexOf(AField);
  if (i < 0 || FItems.empty()) return;
  ASortIndex = std::clamp<Integer>(ASortIndex, 0, Count() - 1);
  if (ASortIndex == i) return;
  TItem item = FItems[static_cast<size_t>(i)];
  FItems.erase(FItems.begin() + i);
  FItems.insert(FItems.begin() + ASortIndex, item);
  Changed();
}

void TvxSortingFieldList::ChangeGroupIndex(TvxCustomDataField* AField, Integer AGroupIndex) {
  Integer i = IndexOf(AField);
  if (AGroupIndex < 0) {
    if (i < 0) return;
    FItems.erase(FItems.begin() + i);
  } else if (i < 0) {
    FItems.insert(FItems.begin() + std::min(AGroupIndex, Count()), TItem{AField, soAscending});
  } else {
    Integer target = std::min(AGroupIndex, Count() - 1);
    if (target == i) return;
    TItem item = FItems[static_cast<size_t>(i)];
    FItems.erase(FItems.begin() + i);
    FItems.insert(FItems.begin() + target, item);
  }
  Changed();
}

void TvxSortingFieldList::Remove(TvxCustomDataField* AField) {
  Integer i = IndexOf(AField);
  if (i < 0) return;
  FItems.erase(FItems.begin() + i);
  Changed();
}

void TvxSortingFieldList::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

void TvxSortingFieldList::Changed() {
  if (OnChanged) OnChanged(this);
}

Integer TvxDataSelection::FindByRowIndex(Integer ARowIndex) const {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), ARowIndex,
                             [](const TItem& a, Integer r) { return a.RowIndex < r; });
  return it != FItems.end() && it->RowIndex == ARowIndex ? static_cast<Integer>(it - FItems.begin()) : -1;
}

void TvxDataSelection::Add(const TItem& AItem) {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), AItem.RowIndex,
                             [](const TItem& a, Integer r) { return a.RowIndex < r; });
  FItems.insert(it, AItem);
  Changed();
}

void TvxDataSelection::Delete(Integer AIndex) {
  FItems.erase(FItems.begin() + AIndex);
  Changed();
}

void TvxDataSelection::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

void TvxDataSelection::SyncRowIndexes() {
  std::vector<TItem> kept;
  for (TItem item : FItems) {
    if (item.Level < 0) continue;  // group rows are not kept across a recalculation
    Integer row = FDataController->DataControllerInfo()->GetRowIndexByRecordIndex(item.RecordIndex, false);
    if (row < 0) continue;
    item.RowIndex = row;
    kept.push_back(item);
  }
  std::sort(kept.begin(), kept.end(), [](const TItem& a, const TItem& b) { return a.RowIndex < b.RowIndex; });
  FItems = std::move(kept);
}

void TvxDataSelection::Changed() {
  if (OnChanged) OnChanged(this);
}

void TvxDataFilterCriteria::Assign(TPersistent* Source) {
  if (!dynamic_cast<TvxDataFilterCriteria*>(Source)) TPersistent::Assign(Source);
}

void TvxDataSummary::Assign(TPersistent* Source) {
  if (!dynamic_cast<TvxDataSummary*>(Source)) TPersistent::Assign(Source);
}

void TvxDataControllerNotifier::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && FDataController) FDataController->ComponentRemoved(AComponent);
}


TvxValueDef* TvxValueDefRecordReader::SourceDef(TvxValueDef* AValueDef) const {
  // The target's definition may be a twin of the internal records; a normal source
  // record is read through the definition it mirrors.
  if (auto* twin = dynamic_cast<TvxInternalValueDef*>(AValueDef); twin && FRecordIndex >= 0) return twin->GetValueDef();
  return AValueDef;
}

String TvxValueDefRecordReader::GetDisplayText(TvxValueDef* AValueDef) {
  return FStorage->GetDisplayText(FRecordIndex, SourceDef(AValueDef));
}

Variant TvxValueDefRecordReader::GetValue(TvxValueDef* AValueDef) { return FStorage->GetValue(FRecordIndex, SourceDef(AValueDef)); }

bool TvxValueDefRecordReader::IsInternal(TvxValueDef* AValueDef) {
  auto* field = dynamic_cast<TvxCustomDataField*>(AValueDef->LinkObject());
  return field && field->IsInternal();
}



// --- Grouping facade ---------------------------------------------------------------------

void TvxDataControllerGroups::ChangeGrouping(Integer AItemIndex, Integer AGroupIndex) {
  TvxCustomDataField* f = FDataController->GetItemField(AItemIndex);
  if (GroupIndexOfItem(AItemIndex) == AGroupIndex || (AGroupIndex < 0 && GroupIndexOfItem(AItemIndex) < 0)) return;
  FDataController->BeginUpdate();
  TScopeExit end([this] { FDataController->EndUpdate(); });
  FDataController->PostEditingIfNeeded();
  FDataController->SetGroupingChangedFlag();
  FDataController->DataControllerInfo()->ChangeGrouping(f, AGroupIndex);
}

void TvxDataControllerGroups::ClearGrouping() {
  FDataController->BeginUpdate();
  TScopeExit end([this] { FDataController->EndUpdate(); });
  if (GroupingItemCount() > 0) {
    FDataController->PostEditingIfNeeded();
    FDataController->SetGroupingChangedFlag();
  }
  FDataController->DataControllerInfo()->ClearGrouping();
}

void TvxDataControllerGroups::ChangeExpanding(Integer ARowIndex, bool AExpanded, bool ARecursive) {
  FDataController->DataControllerInfo()->ChangeExpanding(ARowIndex, AExpanded, ARecursive);
}

void TvxDataControllerGroups::FullCollapse() { FDataController->DataControllerInfo()->FullCollapse(); }

void TvxDataControllerGroups::FullExpand() { FDataController->DataControllerInfo()->FullExpand(); }

Integer TvxDataControllerGroups::GroupingItemCount() const {
  return FDataController->DataControllerInfo()->GroupingFieldList()->Count();
}

Integer TvxDataControllerGroups::GroupingItemIndexAt(Integer ALevel) const {
  return FDataController->DataControllerInfo()->GroupingFieldList()->Items(ALevel).Field->Index();
}

Integer TvxDataControllerGroups::GroupIndexOfItem(Integer AItemIndex) const {
  TvxCustomDataField* f = FDataController->GetItemField(AItemIndex);
  return FDataController->DataControllerInfo()->GroupingFieldList()->IndexOf(f);
}

Integer TvxDataControllerGroups::GroupIndexOfRow(Integer ARowIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  info->CheckRowIndex(ARowIndex);
  if (!info->HasGroups()) return -1;
  TvxDataGroupInfo* g;
  return info->DataGroups()->FindGroupByRowIndex(ARowIndex, g);
}

Integer TvxDataControllerGroups::LevelOfGroup(Integer AGroupIndex) const {
  return FDataController->DataControllerInfo()->DataGroups()->GetLevel(AGroupIndex);
}

Integer TvxDataControllerGroups::GetChildGroupCount(Integer AGroupIndex) const {
  TvxDataGroups* g = FDataController->DataControllerInfo()->DataGroups();
  if (AGroupIndex >= 0 && g->GetLevel(AGroupIndex) == g->LevelCount() - 1) return 0;
  return g->GetChildCount(AGroupIndex);
}

Integer TvxDataControllerGroups::GetChildGroupIndex(Integer AGroupIndex, Integer AChildIndex) const {
  return FDataController->DataControllerInfo()->DataGroups()->GetChildIndex(AGroupIndex, AChildIndex);
}

Integer TvxDataControllerGroups::ChildRecordIndex(Integer AGroupIndex, Integer AChildIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  Integer rli = info->DataGroups()->GetChildRecordListIndex(AGroupIndex, AChildIndex);
  return rli < 0 ? -1 : info->GetInternalRecordIndex(rli);
}

Integer TvxDataControllerGroups::FirstRecordOfGroup(Integer AGroupIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  TvxDataGroups* g = info->DataGroups();
  if (AGroupIndex < 0 || AGroupIndex >= g->Count()) return -1;
  return info->GetInternalRecordIndex(g->GetDataRecordListIndex(g->GetItem(AGroupIndex)));
}

Variant TvxDataControllerGroups::GetGroupValueOfGroup(Integer AGroupIndex) const {
  TvxDataGroups* g = FDataController->DataControllerInfo()->DataGroups();
  Integer record = FirstRecordOfGroup(AGroupIndex);
  if (record < 0) return Null();
  return FDataController->GetCompareValue(record, g->GetField(g->GetLevel(AGroupIndex)));
}

Integer TvxDataControllerGroups::GetDataGroupIndexByGroupValue(Integer AParentDataGroupIndex, const Variant& AGroupValue) const {
  TvxDataGroups* g = FDataController->DataControllerInfo()->DataGroups();
  for (Integer i = 0; i < g->GetChildCount(AParentDataGroupIndex); ++i) {
    Integer child = g->GetChildIndex(AParentDataGroupIndex, i);
    if (child >= 0 && VariantsMatch(GetGroupValueOfGroup(child), AGroupValue)) return child;
  }
  return -1;
}

bool TvxDataControllerGroups::HasAsParent(Integer ARowIndex, Integer AParentRowIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  if (!info->HasGroups()) return false;
  TvxDataGroups* g = info->DataGroups();
  Integer own = g->GetIndexByRowIndex(ARowIndex), parent = g->GetIndexByRowIndex(AParentRowIndex);
  if (own < 0 || parent < 0) return false;
  if (own == parent) return true;
  TvxDataGroupInfo* p = g->GetItem(parent);
  return p->Level < g->GetLevel(own) && p->Level < g->LevelCount() - 1 && p->BeginRecordListIndex <= own &&
         own <= p->EndRecordListIndex;
}

void TvxDataControllerGroups::LoadRecordIndexes(std::vector<Integer>& AList, Integer ADataGroupIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  TvxDataGroups* g = info->DataGroups();
  if (ADataGroupIndex < 0 || ADataGroupIndex >= g->Count()) return;
  TvxDataGroupInfo* group = g->GetItem(ADataGroupIndex);
  if (group->Level == g->LevelCount() - 1) {
    for (Integer i = group->BeginRecordListIndex; i <= group->EndRecordListIndex; ++i)
      AList.push_back(info->GetInternalRecordIndex(i));
    return;
  }
  for (Integer i = 0; i < g->GetChildCount(ADataGroupIndex); ++i)
    LoadRecordIndexes(AList, g->GetChildIndex(ADataGroupIndex, i));
}

void TvxDataControllerGroups::LoadRecordIndexesByRowIndex(std::vector<Integer>& AList, Integer ARowIndex) const {
  Integer group = GroupIndexOfRow(ARowIndex);
  if (group >= 0) LoadRecordIndexes(AList, group);
  else AList.push_back(FDataController->GetRowInfo(ARowIndex).RecordIndex);
}

// --- Group rows -------------------------------------------------------------------------

void TvxDataGroups::Clear() {
  FFields.clear();
  FItems.clear();
}

TvxDataGroupInfo* TvxDataGroups::AddGroupInfo() {
  FItems.push_back(std::make_unique<TvxDataGroupInfo>());
  return FItems.back().get();
}

void TvxDataGroups::SetItem(Integer AIndex, TvxDataGroupInfo* AItem) {
  // The old item is the caller's to keep: release it without freeing.
  (void)FItems.at(static_cast<size_t>(AIndex)).release();
  FItems[static_cast<size_t>(AIndex)].reset(AItem);
}

void TvxDataGroups::Rebuild() {
  Integer row = 0;
  Integer last = LevelCount() - 1;
  // visibleRow[level]: the row of the nearest visible ancestor at that level when the
  // level is hidden; shownUpTo: the deepest level whose groups are visible.
  std::vector<Integer> ancestorRow(static_cast<size_t>(std::max(LevelCount(), 1)), 0);
  Integer shownUpTo = 0;  // groups at levels <= shownUpTo are visible
  for (auto& g : FItems) {
    if (g->Level <= shownUpTo) {
      g->RowIndex = row++;
      ancestorRow[static_cast<size_t>(g->Level)] = g->RowIndex;
      if (g->Expanded) {
        if (g->Level == last) row += g->EndRecordListIndex - g->BeginRecordListIndex + 1;
        shownUpTo = g->Level + 1;
      } else {
        shownUpTo = g->Level;
      }
    } else {
      // Hidden: the row of its nearest visible (collapsed) ancestor.
      g->RowIndex = ancestorRow[static_cast<size_t>(shownUpTo)];
    }
  }
}

Integer TvxDataGroups::RowCount() const {
  if (FItems.empty()) return 0;
  Integer index = Count() - 1;
  Integer r = FItems.back()->RowIndex;
  GetVisibleGroup(r, index);
  const TvxDataGroupInfo* g = GetItem(index);
  if (g->Expanded && g->Level == LevelCount() - 1) return r + (g->EndRecordListIndex - g->BeginRecordListIndex) + 2;
  return r + 1;
}

Integer TvxDataGroups::GetLevel(Integer AIndex) const {
  return AIndex >= 0 && AIndex < Count() ? GetItem(AIndex)->Level : -1;
}

Integer TvxDataGroups::GetParentIndex(Integer AChildIndex) const {
  Integer level = GetLevel(AChildIndex);
  if (level <= 0) return -1;
  for (Integer i = AChildIndex - 1; i >= 0; --i)
    if (GetItem(i)->Level < level) return i;
  return -1;
}

Integer TvxDataGroups::GetFirstLevelCount() const {
  return static_cast<Integer>(std::count_if(FItems.begin(), FItems.end(), [](const auto& g) { return g->Level == 0; }));
}

Integer TvxDataGroups::GetFirstLevelIndex(Integer AIndex) const {
  Integer n = 0;
  for (Integer i = 0; i < Count(); ++i)
    if (GetItem(i)->Level == 0 && n++ == AIndex) return i;
  return -1;
}

Integer TvxDataGroups::GetChildCount(Integer AIndex) const {
  if (AIndex == -1) return GetFirstLevelCount();
  if (AIndex < 0 || AIndex >= Count()) return 0;
  const TvxDataGroupInfo* g = GetItem(AIndex);
  if (g->Level == LevelCount() - 1) return g->EndRecordListIndex - g->BeginRecordListIndex + 1;
  Integer n = 0;
  for (Integer i = g->BeginRecordListIndex; i <= g->EndRecordListIndex && i < Count(); ++i)
    if (GetItem(i)->Level == g->Level + 1) ++n;
  return n;
}

Integer TvxDataGroups::GetChildIndex(Integer AParentIndex, Integer AIndex) const {
  if (AParentIndex == -1) return GetFirstLevelIndex(AIndex);
  if (AParentIndex < 0 || AParentIndex >= Count() || AIndex < 0) return -1;
  const TvxDataGroupInfo* g = GetItem(AParentIndex);
  if (g->Level == LevelCount() - 1 || AIndex > g->EndRecordListIndex - g->BeginRecordListIndex) return -1;
  Integer n = 0;
  for (Integer i = g->BeginRecordListIndex; i <= g->EndRecordListIndex && i < Count(); ++i)
    if (GetItem(i)->Level == g->Level + 1 && n++ == AIndex) return i;
  return -1;
}

Integer TvxDataGroups::GetChildRecordListIndex(Integer AParentIndex, Integer AIndex) const {
  if (AParentIndex < 0 || AParentIndex >= Count()) return -1;
  const TvxDataGroupInfo* g = GetItem(AParentIndex);
  if (g->Level != LevelCount() - 1 || AIndex < 0 || AIndex > g->EndRecordListIndex - g->BeginRecordListIndex) return -1;
  return g->BeginRecordListIndex + AIndex;
}

Integer TvxDataGroups::GetDataRecordListIndex(const TvxDataGroupInfo* AInfo) const {
  while (AInfo->Level < LevelCount() - 1) AInfo = GetItem(AInfo->BeginRecordListIndex);
  return AInfo->BeginRecordListIndex;
}

void TvxDataGroups::GetVisibleGroup(Integer ARowIndex, Integer& AIndex) const {
  Integer answer = AIndex;
  Integer minLevel = GetItem(AIndex)->Level;
  if (minLevel == 0) return;
  for (Integer i = AIndex - 1; i >= 0; --i) {
    const TvxDataGroupInfo* g = GetItem(i);
    if (g->RowIndex != ARowIndex) break;
    if (g->Level < minLevel) {
      minLevel = g->Level;
      if (!g->Expanded) answer = i;
    }
    if (g->Level == 0) break;
  }
  AIndex = answer;
}

Integer TvxDataGroups::FindGroupByRowIndex(Integer ARowIndex, TvxDataGroupInfo*& AInfo) const {
  AInfo = nullptr;
  if (FItems.empty() || ARowIndex < 0) return -1;
  Integer lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    Integer mid = (lo + hi) / 2;
    Integer r = GetItem(mid)->RowIndex;
    if (r == ARowIndex) {
      GetVisibleGroup(ARowIndex, mid);
      AInfo = GetItem(mid);
      return mid;
    }
    if (r < ARowIndex) lo = mid + 1;
    else hi = mid - 1;
  }
  // A data row: the group just before the insertion point holds it.
  if (lo > 0) AInfo = GetItem(lo - 1);
  return -1;
}

Integer TvxDataGroups::GetIndexByRowIndexLevel(Integer ARowIndex, Integer ALevel) const {
  TvxDataGroupInfo* info;
  Integer i = FindGroupByRowIndex(ARowIndex, info);
  if (i < 0 && info)
    for (Integer j = 0; j < Count(); ++j)
      if (GetItem(j) == info) i = j;
  if (i < 0 || ALevel == -1) return i;
  if (GetItem(i)->Level < ALevel) {
    for (Integer j = i; j < Count(); ++j)
      if (GetItem(j)->Level == ALevel) return j;
    return -1;
  }
  for (Integer j = i; j >= 0; --j)
    if (GetItem(j)->Level == ALevel) return j;
  return -1;
}

Integer TvxDataGroups::FindGroupByRecordListIndex(Integer ARecordListIndex, Integer ALevel) const {
  Integer remembered = -1;
  Integer last = LevelCount() - 1;
  for (Integer i = 0; i < Count(); ++i) {
    const TvxDataGroupInfo* g = GetItem(i);
    if (g->Level == ALevel) remembered = i;
    if (g->Level == last && g->BeginRecordListIndex <= ARecordListIndex && ARecordListIndex <= g->EndRecordListIndex)
      return remembered;
  }
  return -1;
}

void TvxDataGroups::GetRowInfo(Integer ARowIndex, TvxRowInfo& ARowInfo) const {
  ARowInfo = TvxRowInfo{};
  ARowInfo.RecordIndex = 0;
  TvxDataGroupInfo* info;
  Integer i = FindGroupByRowIndex(ARowIndex, info);
  if (i >= 0) {
    ARowInfo.Level = info->Level;
    ARowInfo.Expanded = info->Expanded;
    ARowInfo.RecordIndex = GetDataRecordListIndex(info);
  } else if (info) {
    ARowInfo.Level = LevelCount();
    ARowInfo.Expanded = false;
    ARowInfo.RecordIndex = ARowIndex + info->BeginRecordListIndex - info->RowIndex - 1;
  }
}

bool TvxDataGroups::IsGroupVisible(Integer AIndex) const {
  Integer i = AIndex;
  GetVisibleGroup(GetItem(AIndex)->RowIndex, i);
  return i == AIndex;
}

bool TvxDataGroups::MakeGroupVisible(Integer AIndex, bool AExpandSelf) {
  bool changed = false;
  Integer i = AIndex;
  if (AExpandSelf && !GetItem(i)->Expanded) {
    GetItem(i)->Expanded = true;
    changed = true;
  }
  for (i = GetParentIndex(i); i >= 0; i = GetParentIndex(i))
    if (!GetItem(i)->Expanded) {
      GetItem(i)->Expanded = true;
      changed = true;
    }
  if (changed) Rebuild();
  return changed;
}

void TvxDataGroups::ChangeExpanding(Integer ARowIndex, bool AExpanded, bool ARecursive) {
  TvxDataGroupInfo* info;
  Integer i = FindGroupByRowIndex(ARowIndex, info);
  if (i < 0) return;
  info->Expanded = AExpanded;
  if (ARecursive && info->Level < LevelCount() - 1)
    for (Integer j = i + 1; j < Count() && GetItem(j)->Level > info->Level; ++j) GetItem(j)->Expanded = AExpanded;
  Rebuild();
}

void TvxDataGroups::FullExpanding(bool AExpanded) {
  for (auto& g : FItems) g->Expanded = AExpanded;
  Rebuild();
}

// --- Focusing info --------------------------------------------------------------------------

void TvxDataFocusingInfo::Assign(const TvxDataFocusingInfo& ASource) {
  Level = ASource.Level;
  PrevRecordIndex = ASource.PrevRecordIndex;
  RecordIndex = ASource.RecordIndex;
  RowIndex = ASource.RowIndex;
  ChangedFlag = false;
  PrevNewItemRowFocused = false;
}

void TvxDataFocusingInfo::Reset() {
  Level = -1;
  RecordIndex = -1;
  RowIndex = -1;
}

bool TvxDataFocusingInfo::IsEqual(const TvxDataFocusingInfo& AOther) const {
  bool equal = RecordIndex == AOther.RecordIndex && Level == AOther.Level;
  if (equal && FDataControllerInfo->Changes().Contains(dcicSorting)) equal = RowIndex == AOther.RowIndex;
  return equal;
}

void TvxDataFocusingInfo::Reload() {
  Level = -1;
  RecordIndex = FDataControllerInfo->DataController()->GetFocusingRecordIndex();
}

void TvxDataFocusingInfo::UpdateFromRow() {
  PrevRecordIndex = RecordIndex;
  if (RowIndex < 0 || RowIndex >= FDataControllerInfo->GetRowCount()) {
    Level = -1;
    RecordIndex = -1;
  } else {
    TvxRowInfo r = FDataControllerInfo->GetRowInfo(RowIndex);
    Level = r.Level;
    RecordIndex = r.RecordIndex;
  }
}

// --- Row info ---------------------------------------------------------------------------

TvxCustomDataControllerInfo::TvxCustomDataControllerInfo(TvxCustomDataController* ADataController)
    : FDataController(ADataController) {
  FSortingFieldList = std::make_unique<TvxSortingFieldList>();
  FSortingFieldList->OnChanged = [this](TObject*) { SortingChanged(); };
  FGroupingFieldList = std::make_unique<TvxSortingFieldList>();
  FGroupingFieldList->OnChanged = [this](TObject*) { GroupingChanged(); };
  FDataGroups = std::make_unique<TvxDataGroups>();
  FFocusingInfo = std::make_unique<TvxDataFocusingInfo>(this);
  FPrevFocusingInfo = std::make_unique<TvxDataFocusingInfo>(this);
  FSelection = std::make_unique<TvxDataSelection>(ADataController);
  FSelection->OnChanged = [this](TObject*) { SelectionChanged(); };
}

TvxCustomDataControllerInfo::~TvxCustomDataControllerInfo() {
  FSelection->OnChanged = nullptr;
  FSortingFieldList->OnChanged = nullptr;
  FGroupingFieldList->OnChanged = nullptr;
}

void TvxCustomDataControllerInfo::EndUpdate() {
  --FLockCount;
  CheckChanges();
}

void TvxCustomDataControllerInfo::CheckChanges() {
  if (!FChanges.Empty() && FLockCount == 0 && !FInfoCalculation) RecalculateRows();
}

void TvxCustomDataControllerInfo::CheckRowIndex(Integer ARowIndex) const {
  if (ARowIndex < 0 || ARowIndex >= GetRowCount()) RaiseOperationError(vxSDataRowIndexError);
}

Integer TvxCustomDataControllerInfo::GetRowCount() const {
  return HasGroups() ? FDataGroups->RowCount() : static_cast<Integer>(FRecordList.size());
}

void TvxCustomDataControllerInfo::Refresh() {
  AddChanges({dcicLoad, dcicSummary});
  if (FSortingFieldList->Count() > 0) AddChanges({dcicSorting});
  if (FGroupingFieldList->Count() > 0) AddChanges({dcicGrouping});
  CheckChanges();
}

void TvxCustomDataControllerInfo::RefreshFocused() {
  AddChanges({dcicResetFocusedRow});
  FFocusingInfo->Reload();
  CheckChanges();
}

void TvxCustomDataControllerInfo::RefreshSummary(bool ARedrawOnly) {
  AddChanges({ARedrawOnly ? dcicView : dcicSummary});
  CheckChanges();
}

void TvxCustomDataControllerInfo::RefreshView() {
  AddChanges({dcicView});
  if (!FInfoCalculation) CheckChanges();
}

void TvxCustomDataControllerInfo::ExpandingChanged() {
  AddChanges({dcicExpanding});
  FExpandingFlag = true;
}

void TvxCustomDataControllerInfo::FocusedRecordChanged(bool AChangedFlag) {
  AddChanges({dcicFocusedRecord});
  if (AChangedFlag) FPrevFocusingInfo->ChangedFlag = true;
}

void TvxCustomDataControllerInfo::SelectionChanged() { AddChanges({dcicSelection}); }

void TvxCustomDataControllerInfo::SortingChanged() { AddChanges({dcicSorting}); }

void TvxCustomDataControllerInfo::GroupingChanged() { AddChanges({dcicGrouping, dcicSorting, dcicSummary}); }

void TvxCustomDataControllerInfo::SyncGroupingOrders() {
  for (Integer i = 0; i < FGroupingFieldList->Count(); ++i) {
    Integer s = FSortingFieldList->IndexOf(FGroupingFieldList->Items(i).Field);
    FGroupingFieldList->SetSortOrder(i, s < 0 ? soAscending : FSortingFieldList->Items(s).SortOrder);
  }
}

void TvxCustomDataControllerInfo::ChangeGrouping(TvxCustomDataField* AField, Integer AGroupIndex) {
  FGroupingFieldList->ChangeGroupIndex(AField, AGroupIndex);
  SyncGroupingOrders();
  CheckChanges();
}

void TvxCustomDataControllerInfo::ClearGrouping() {
  FGroupingFieldList->Clear();
  CheckChanges();
}

void TvxCustomDataControllerInfo::UpdateField(TvxCustomDataField* AField) {
  AddChanges({dcicView});
  if (FSortingFieldList->IndexOf(AField) >= 0) SortingChanged();
  if (FGroupingFieldList->IndexOf(AField) >= 0) {
    FSelection->Clear();
    GroupingChanged();
  }
  CheckChanges();
}

void TvxCustomDataControllerInfo::RemoveField(TvxCustomDataField* AField) {
  FSortingFieldList->Remove(AField);
  if (FGroupingFieldList->IndexOf(AField) >= 0) {
    FSelection->Clear();
    FGroupingFieldList->Remove(AField);
  }
  SyncGroupingOrders();
  FSavedExpandingFields.clear();
  FSavedExpanded.clear();
  CheckChanges();
}

void TvxCustomDataControllerInfo::ChangeSortIndex(TvxCustomDataField* AField, Integer ASortIndex) {
  if (FSortingFieldList->IndexOf(AField) != ASortIndex) {
    FDataController->PostEditingIfNeeded();
    FDataController->SetSortingChangedFlag();
  }
  FSortingFieldList->ChangeSortIndex(AField, ASortIndex);
  SyncGroupingOrders();
  CheckChanges();
}

void TvxCustomDataControllerInfo::ChangeSorting(TvxCustomDataField* AField, TvxDataSortOrder ASortOrder) {
  FSortingFieldList->ChangeSorting(AField, ASortOrder);
  SyncGroupingOrders();
  CheckChanges();
}

void TvxCustomDataControllerInfo::ClearSorting(bool AKeepGroupedItems) {
  if (AKeepGroupedItems) {
    for (Integer i = FSortingFieldList->Count() - 1; i >= 0; --i) {
      TvxCustomDataField* f = FSortingFieldList->Items(i).Field;
      if (FGroupingFieldList->IndexOf(f) < 0) FSortingFieldList->Remove(f);
    }
  } else {
    FSortingFieldList->Clear();
  }
  SyncGroupingOrders();
  CheckChanges();
}

Integer TvxCustomDataControllerInfo::GetNearestRowIndex(Integer ARowIndex) {
  CheckRowIndex(ARowIndex);
  Integer count = GetRowCount();
  if (!HasGroups()) return ARowIndex < count - 1 ? ARowIndex + 1 : ARowIndex - 1;
  Integer level = GetRowInfo(ARowIndex).Level;
  bool hasNext = ARowIndex < count - 1, hasPrev = ARowIndex > 0;
  if (hasNext && GetRowInfo(ARowIndex + 1).Level == level) return ARowIndex + 1;
  if (hasPrev && GetRowInfo(ARowIndex - 1).Level == level) return ARowIndex - 1;
  if (!hasNext) return hasPrev ? ARowIndex - 1 : ARowIndex;
  return ARowIndex + 1;
}

Integer TvxCustomDataControllerInfo::RecordListIndexOf(Integer ARecordIndex) const {
  auto it = std::find(FRecordList.begin(), FRecordList.end(), ARecordIndex);
  return it == FRecordList.end() ? -1 : static_cast<Integer>(it - FRecordList.begin());
}

Integer TvxCustomDataControllerInfo::GetRowIndexByRecordIndex(Integer ARecordIndex, bool AMakeVisible) {
  Integer pos = RecordListIndexOf(ARecordIndex);
  if (pos < 0 || !HasGroups()) return pos;
  Integer g = FDataGroups->FindGroupByRecordListIndex(pos, FDataGroups->LevelCount() - 1);
  if (g < 0) return -1;
  TvxDataGroupInfo* info = FDataGroups->GetItem(g);
  if (!(info->Expanded && FDataGroups->IsGroupVisible(g))) {
    if (!AMakeVisible) return -1;
    FDataGroups->MakeGroupVisible(g, true);
    ExpandingChanged();
    if (!FInfoCalculation) CheckChanges();
  }
  return info->RowIndex + pos - info->BeginRecordListIndex + 1;
}

TvxRowInfo TvxCustomDataControllerInfo::GetRowInfo(Integer ARowIndex) {
  CheckRowIndex(ARowIndex);
  TvxRowInfo r;
  if (HasGroups()) {
    FDataGroups->GetRowInfo(ARowIndex, r);
    r.RecordIndex = FRecordList.at(static_cast<size_t>(r.RecordIndex));
    return r;
  }
  r.Level = 0;
  r.Expanded = false;
  r.RecordIndex = FRecordList[static_cast<size_t>(ARowIndex)];
  return r;
}

Integer TvxCustomDataControllerInfo::CompareGroupRecords(Integer ARecordIndex1, Integer ARecordIndex2, Integer AIndex) {
  if (ARecordIndex1 == ARecordIndex2) return 0;
  TvxCustomDataProvider* p = FDataController->Provider();
  Integer e = p->EditingRecordIndex(), a = p->EditingRecordIndex1(), b = p->EditingRecordIndex2();
  if (p->SavedRecordIndex() != 0) {
    // The edited record groups by its values from before the edit.
    if (ARecordIndex1 == e) ARecordIndex1 = p->SavedRecordIndex();
    if (ARecordIndex2 == e) ARecordIndex2 = p->SavedRecordIndex();
  } else if ((a != vxNoEditRecordIndex || b != vxNoEditRecordIndex) && (ARecordIndex1 == e || ARecordIndex2 == e)) {
    Integer other = ARecordIndex1 == e ? ARecordIndex2 : ARecordIndex1;
    if (a != vxNoEditRecordIndex || other == b) return 0;
    if (ARecordIndex1 == e) ARecordIndex1 = b;
    else ARecordIndex2 = b;
  }
  const auto& item = FTotalSortingFieldList.at(static_cast<size_t>(AIndex));
  Integer r = FDataController->CompareRecordsByField(ARecordIndex1, ARecordIndex2, item.Field);
  return item.SortOrder == soDescending ? -r : r;
}

void TvxCustomDataControllerInfo::DoGrouping() {
  FDataGroups->Clear();
  for (Integer i = 0; i < FGroupingFieldList->Count(); ++i) FDataGroups->AddField(FGroupingFieldList->Items(i).Field);
  Integer levels = FDataGroups->LevelCount();
  if (FRecordList.empty() || levels == 0) return;
  PrepareCompareFlags();
  TScopeExit reset([this] { ResetCompareFlags(); });
  std::vector<Integer> open(static_cast<size_t>(levels), -1);  // list index of each level's open group
  std::vector<Integer> first(static_cast<size_t>(levels), -1);  // first record of each open group
  Integer topCount = 0;
  auto openFrom = [&](Integer ALevel, Integer APos) {
    for (Integer l = ALevel; l < levels; ++l) {
      TvxDataGroupInfo* g = FDataGroups->AddGroupInfo();
      g->Level = l;
      g->Expanded = false;
      g->RowIndex = topCount - (l == 0 ? 0 : 1);
      if (l == 0) ++topCount;
      g->BeginRecordListIndex = l == levels - 1 ? APos : FDataGroups->Count();
      open[static_cast<size_t>(l)] = FDataGroups->Count() - 1;
      first[static_cast<size_t>(l)] = FRecordList[static_cast<size_t>(APos)];
    }
  };
  auto closeFrom = [&](Integer ALevel, Integer ALastPos) {
    for (Integer l = levels - 1; l >= ALevel; --l) {
      TvxDataGroupInfo* g = FDataGroups->GetItem(open[static_cast<size_t>(l)]);
      g->EndRecordListIndex = l == levels - 1 ? ALastPos : FDataGroups->Count() - 1;
    }
  };
  openFrom(0, 0);
  for (Integer i = 1; i < static_cast<Integer>(FRecordList.size()); ++i) {
    Integer record = FRecordList[static_cast<size_t>(i)];
    for (Integer l = 0; l < levels; ++l) {
      if (CompareGroupRecords(first[static_cast<size_t>(l)], record, l) != 0) {
        closeFrom(l, i - 1);
        openFrom(l, i);
        break;
      }
    }
  }
  closeFrom(0, static_cast<Integer>(FRecordList.size()) - 1);
  FDataGroups->Rebuild();
}

void TvxCustomDataControllerInfo::SaveExpanding() {
  bool load = FChanges.Contains(dcicLoad) || FChanges.Contains(dcicGrouping);
  if (!FDataController->Options().Contains(dcoSaveExpanding) || !load || !HasGroups()) return;
  FSavedExpandingFields.clear();
  FSavedExpanded.clear();
  for (Integer l = 0; l < FDataGroups->LevelCount(); ++l) FSavedExpandingFields.push_back(FDataGroups->GetField(l));
  std::vector<Variant> path;
  PrepareCompareFlags();
  TScopeExit reset([this] { ResetCompareFlags(); });
  for (Integer i = 0; i < FDataGroups->Count(); ++i) {
    TvxDataGroupInfo* g = FDataGroups->GetItem(i);
    path.resize(static_cast<size_t>(g->Level));
    Integer rli = FDataGroups->GetDataRecordListIndex(g);
    if (rli < 0 || rli >= static_cast<Integer>(FRecordList.size())) return;
    path.push_back(FDataController->GetCompareValue(FRecordList[static_cast<size_t>(rli)], FDataGroups->GetField(g->Level)));
    if (g->Expanded) FSavedExpanded.push_back(path);
  }
}

void TvxCustomDataControllerInfo::RestoreExpanding() {
  if (!HasGroups()) return;
  if (FDataController->Options().Contains(dcoGroupsAlwaysExpanded)) {
    FDataGroups->FullExpanding(true);
    return;
  }
  bool match = FSavedExpandingFields.size() == static_cast<size_t>(FDataGroups->LevelCount());
  for (size_t l = 0; match && l < FSavedExpandingFields.size(); ++l)
    match = FSavedExpandingFields[l] == FDataGroups->GetField(static_cast<Integer>(l));
  if (match && !FSavedExpanded.empty()) {
    PrepareCompareFlags();
    TScopeExit reset([this] { ResetCompareFlags(); });
    std::vector<Variant> path;
    for (Integer i = 0; i < FDataGroups->Count(); ++i) {
      TvxDataGroupInfo* g = FDataGroups->GetItem(i);
      path.resize(static_cast<size_t>(g->Level));
      Integer rli = FDataGroups->GetDataRecordListIndex(g);
      path.push_back(FDataController->GetCompareValue(FRecordList[static_cast<size_t>(rli)], FDataGroups->GetField(g->Level)));
      for (const auto& saved : FSavedExpanded)
        if (saved.size() == path.size() &&
            std::equal(saved.begin(), saved.end(), path.begin(),
                       [](const Variant& x, const Variant& y) { return VariantCompare(x, y) == 0; })) {
          g->Expanded = true;
          break;
        }
    }
    FDataGroups->Rebuild();
  }
  FSavedExpanded.clear();
  FSavedExpandingFields.clear();
}

void TvxCustomDataControllerInfo::ChangeExpanding(Integer ARowIndex, bool AExpanded, bool ARecursive) {
  CheckRowIndex(ARowIndex);
  if (!HasGroups() || FDataController->Options().Contains(dcoGroupsAlwaysExpanded)) return;
  TvxDataGroupInfo* info;
  if (FDataGroups->FindGroupByRowIndex(ARowIndex, info) < 0) return;
  if (!AExpanded) FDataController->CheckBrowseMode();
  FDataGroups->ChangeExpanding(ARowIndex, AExpanded, ARecursive);
  ExpandingChanged();
  FDataController->BeginUpdate();
  TScopeExit end([this] { FDataController->EndUpdate(); });
  if (!AExpanded) RefocusAfterCollapse();
}

void TvxCustomDataControllerInfo::FullCollapse() {
  if (!HasGroups() || FDataController->Options().Contains(dcoGroupsAlwaysExpanded)) return;
  FDataGroups->FullExpanding(false);
  ExpandingChanged();
  FDataController->BeginUpdate();
  TScopeExit end([this] { FDataController->EndUpdate(); });
  RefocusAfterCollapse();
}

void TvxCustomDataControllerInfo::FullExpand() {
  if (!HasGroups() || FDataController->Options().Contains(dcoGroupsAlwaysExpanded)) return;
  FDataGroups->FullExpanding(true);
  ExpandingChanged();
  CheckChanges();
}

void TvxCustomDataControllerInfo::RefocusAfterCollapse() {
  Integer record = FFocusingInfo->RecordIndex;
  Integer pos = record < 0 ? -1 : RecordListIndexOf(record);
  if (pos < 0) return;
  Integer levels = FDataGroups->LevelCount();
  Integer g = FDataGroups->FindGroupByRecordListIndex(pos, levels - 1);
  if (g < 0) return;
  Integer row;
  TvxDataGroupInfo* info = FDataGroups->GetItem(g);
  if (FFocusingInfo->Level == levels && info->Expanded && FDataGroups->IsGroupVisible(g)) {
    row = info->RowIndex + pos - info->BeginRecordListIndex + 1;
  } else {
    Integer level = FFocusingInfo->Level >= 0 && FFocusingInfo->Level < levels ? FFocusingInfo->Level : levels - 1;
    Integer at = FDataGroups->FindGroupByRecordListIndex(pos, level);
    if (at < 0) return;
    row = FDataGroups->GetItem(at)->RowIndex;  // a hidden group carries its visible ancestor's row
  }
  if (row != FFocusingInfo->RowIndex) {
    if (FDataController->IsRecordKeyMode()) FFocusingInfo->Reset();
    ChangeFocusedRow(row, true);
  }
}

void TvxCustomDataControllerInfo::ChangeRowSelection(Integer ARowIndex, bool ASelection) {
  CheckRowIndex(ARowIndex);
  Integer i = FSelection->FindByRowIndex(ARowIndex);
  if (i >= 0 && !ASelection) {
    FSelection->Delete(i);
  } else if (i < 0 && ASelection && FDataController->CanSelectRow(ARowIndex)) {
    TvxRowInfo r = GetRowInfo(ARowIndex);
    TvxDataGroupInfo* info = nullptr;
    Integer group = HasGroups() ? FDataGroups->FindGroupByRowIndex(ARowIndex, info) : -1;
    if (group >= 0) FSelection->Add({-1, group, ARowIndex});
    else FSelection->Add({r.Level, r.RecordIndex, ARowIndex});
  }
  CheckChanges();
}

void TvxCustomDataControllerInfo::ClearSelection() {
  FSelection->Clear();
  CheckChanges();
}

bool TvxCustomDataControllerInfo::IsRowSelected(Integer ARowIndex) {
  CheckRowIndex(ARowIndex);
  return FSelection->FindByRowIndex(ARowIndex) >= 0;
}

void TvxCustomDataControllerInfo::CheckSelection() {
  if (FSelection->Count() == 0) return;
  if (FDataController->KeysSaved() && FDataController->IsRecordIdSupported()) return;
  Integer count = FDataController->RecordCount();
  if (count == 0) {
    FSelection->Clear();
    return;
  }
  for (Integer i = FSelection->Count() - 1; i >= 0; --i)
    if (FSelection->Items(i).RecordIndex >= count) FSelection->Delete(i);
}

void TvxCustomDataControllerInfo::LoadRecordList() {
  Integer n = FDataController->RecordCount();
  FRecordList.resize(static_cast<size_t>(n));
  for (Integer i = 0; i < n; ++i) FRecordList[static_cast<size_t>(i)] = i;
}

void TvxCustomDataControllerInfo::DoFilter() {
  bool byHandler = !FDataController->Provider()->IsGridMode() && FDataController->HasFilterRecordHandler();
  bool byCriteria = FDataController->Filter()->IsFiltering() && !FDataController->Provider()->IsGridMode();
  if (!byHandler && !byCriteria) return;
  Integer edited = FDataController->Provider()->EditingRecordIndex();
  size_t before = FRecordList.size();
  std::vector<Integer> kept;
  kept.reserve(before);
  for (Integer r : FRecordList) {
    bool accept = r == edited || ((!byHandler || FDataController->DoFilterRecord(r)) &&
                                  (!byCriteria || FDataController->Filter()->DoFilterRecord(r)));
    if (accept) kept.push_back(r);
  }
  FRecordList = std::move(kept);
  if (FRecordList.size() != before) {
    for (Integer i = FSelection->Count() - 1; i >= 0; --i)
      if (RecordListIndexOf(FSelection->Items(i).RecordIndex) < 0) FSelection->Delete(i);
    if (FDataController->CheckFocusingAfterFilterNeeded()) FDataController->ConvertFilterCheckToChanged();
  }
}

void TvxCustomDataControllerInfo::PrepareCompareFlags() {
  for (auto& item : FTotalSortingFieldList) {
    TvxCustomDataField* f = item.Field;
    f->SetNeedConversionFlag(0);
    Integer flag = -1;
    if (FDataController->NeedsSpecialCompare(f)) flag = FDataController->IsSortByDisplayText(f) ? 2 : 1;
    f->SetNeedConversionFlag(flag);
  }
}

void TvxCustomDataControllerInfo::ResetCompareFlags() {
  for (auto& item : FTotalSortingFieldList) item.Field->SetNeedConversionFlag(0);
}

void TvxCustomDataControllerInfo::DoSort() {
  FTotalSortingFieldList.clear();
  for (Integer i = 0; i < FGroupingFieldList->Count(); ++i) FTotalSortingFieldList.push_back(FGroupingFieldList->Items(i));
  for (Integer i = 0; i < FSortingFieldList->Count(); ++i) {
    const auto& item = FSortingFieldList->Items(i);
    if (FGroupingFieldList->IndexOf(item.Field) < 0) FTotalSortingFieldList.push_back(item);
  }
  if (FDataController->Provider()->IsGridMode() || FRecordList.empty() || FTotalSortingFieldList.empty()) return;
  PrepareCompareFlags();
  TScopeExit reset([this] { ResetCompareFlags(); });
  if (FDataController->IsProviderMode() && FDataController->Provider()->IsCustomSorting())
    FDataController->Provider()->CustomSort();
  else
    QuickSortRecordList(0, static_cast<Integer>(FRecordList.size()) - 1);
}

void TvxCustomDataControllerInfo::QuickSortRecordList(Integer L, Integer R) {
  // The scans stop at the ends of the range, so a comparator that is not a strict order
  // can misplace records but never read outside the list.
  std::vector<Integer>& list = FRecordList;
  while (L < R) {
    Integer i = L, j = R;
    Integer pivot = list[static_cast<size_t>((L + R) / 2)];
    do {
      while (i < R && CompareRecords(list[static_cast<size_t>(i)], pivot) < 0) ++i;
      while (j > L && CompareRecords(list[static_cast<size_t>(j)], pivot) > 0) --j;
      if (i <= j) {
        std::swap(list[static_cast<size_t>(i)], list[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (L < j) QuickSortRecordList(L, j);
    L = i;
  }
}

Integer TvxCustomDataControllerInfo::CompareRecords(Integer ARecordIndex1, Integer ARecordIndex2) {
  if (ARecordIndex1 == ARecordIndex2) return 0;
  TvxCustomDataProvider* p = FDataController->Provider();
  Integer e = p->EditingRecordIndex(), a = p->EditingRecordIndex1(), b = p->EditingRecordIndex2();
  if ((a != vxNoEditRecordIndex || b != vxNoEditRecordIndex) && (ARecordIndex1 == e || ARecordIndex2 == e)) {
    if (a != vxNoEditRecordIndex) return ARecordIndex1 == e ? 1 : -1;
    if (ARecordIndex1 == e) {
      if (ARecordIndex2 == b) return -1;
      ARecordIndex1 = b;
    } else {
      if (ARecordIndex1 == b) return 1;
      ARecordIndex2 = b;
    }
    if (ARecordIndex1 == ARecordIndex2) return 0;
  }
  for (const auto& item : FTotalSortingFieldList) {
    Integer r = FDataController->CompareRecordsByField(ARecordIndex1, ARecordIndex2, item.Field);
    if (item.SortOrder == soDescending) r = -r;
    if (r != 0) return r;
  }
  return FDataController->CompareEqualRecords(ARecordIndex1, ARecordIndex2);
}

bool TvxCustomDataControllerInfo::CanFocusedRowChanging(Integer ARowIndex) {
  FInCanFocusedRowChanging = true;
  TScopeExit done([this] { FInCanFocusedRowChanging = false; });
  Integer record = ARowIndex < 0 ? -1 : GetRowInfo(ARowIndex).RecordIndex;
  return FDataController->CanFocusRecord(record);
}

void TvxCustomDataControllerInfo::ChangeFocusedRow(Integer ARowIndex, bool AIgnoreCheck) {
  ARowIndex = std::clamp<Integer>(ARowIndex, -1, GetRowCount() - 1);
  if (ARowIndex == FFocusingInfo->RowIndex) return;
  FFocusingFlag = true;
  if (!FChanges.Contains(dcicFocusedRow)) FPrevFocusingInfo->Assign(*FFocusingInfo);
  bool allowed = false;
  TScopeExit finish([&] {
    if (FFocusingInfo->RowIndex >= GetRowCount()) FFocusingInfo->RowIndex = -1;
    if (FPrevFocusingInfo->RowIndex >= GetRowCount()) FPrevFocusingInfo->RowIndex = -1;
    if (allowed || FPrevFocusingInfo->RowIndex != -1) {
      FFocusingInfo->UpdateFromRow();
      if (!FFocusingInfo->IsEqual(*FPrevFocusingInfo)) {
        AddChanges({dcicFocusedRow, dcicFocusedRecord});
        FDataController->FNewItemRowFocused = false;
        FDataController->AfterFocusedRecordChanged();
        FDataController->SyncSelected(true);
      }
    }
    FFocusingFlag = false;
  });
  allowed = AIgnoreCheck || CanFocusedRowChanging(ARowIndex);
  if (allowed) {
    FDataController->FocusedRowChanging(ARowIndex);
    FFocusingInfo->RowIndex = ARowIndex;
  }
}

void TvxCustomDataControllerInfo::ResetFocusedRow(Integer ARowIndex) {
  FFocusingInfo->Reset();
  ChangeFocusedRow(ARowIndex, false);
}

void TvxCustomDataControllerInfo::SetFocusedRowIndex(Integer Value) {
  FDataController->BeginFullUpdate();
  TScopeExit end([this] { FDataController->EndFullUpdate(); });
  ChangeFocusedRow(Value, false);
}

Integer TvxCustomDataControllerInfo::RowOfFocusedRecord() const {
  if (FFocusingInfo->RecordIndex < 0) return -1;
  Integer pos = RecordListIndexOf(FFocusingInfo->RecordIndex);
  if (pos < 0 || !HasGroups()) return pos;
  Integer levels = FDataGroups->LevelCount();
  Integer g = FDataGroups->FindGroupByRecordListIndex(pos, levels - 1);
  if (g < 0) return -1;
  TvxDataGroupInfo* last = FDataGroups->GetItem(g);
  bool firstOfGroup = last->BeginRecordListIndex == pos;
  Integer level = FFocusingInfo->Level;
  auto* self = const_cast<TvxCustomDataControllerInfo*>(this);
  if (firstOfGroup && level >= 0 && level < levels) {
    Integer at = FDataGroups->FindGroupByRecordListIndex(pos, level);
    self->FDataGroups->MakeGroupVisible(at, false);
    return FDataGroups->GetItem(at)->RowIndex;
  }
  if (firstOfGroup && level == -1) {
    for (Integer l = 0; l < levels; ++l) {
      Integer at = FDataGroups->FindGroupByRecordListIndex(pos, l);
      if (at >= 0 && FDataGroups->GetDataRecordListIndex(FDataGroups->GetItem(at)) == pos) return FDataGroups->GetItem(at)->RowIndex;
    }
  }
  self->FDataGroups->MakeGroupVisible(g, true);
  return last->RowIndex + pos - last->BeginRecordListIndex + 1;
}

void TvxCustomDataControllerInfo::CheckFocusing() {
  Integer row = RowOfFocusedRecord();
  Integer focused = FFocusingInfo->RowIndex;
  bool stale = focused < 0 || focused >= GetRowCount();
  if (!stale) {
    TvxRowInfo r = GetRowInfo(focused);
    stale = r.RecordIndex != FFocusingInfo->RecordIndex || (HasGroups() && r.Level != FFocusingInfo->Level);
  }
  if (row != focused && stale) {
    ChangeFocusedRow(row, true);
  } else if (stale && row == focused && focused >= 0) {
    // The focused group row now starts with another record: the focus stays on the
    // group and takes the record it shows.
    if (!FChanges.Contains(dcicFocusedRow)) FPrevFocusingInfo->Assign(*FFocusingInfo);
    FFocusingInfo->UpdateFromRow();
    AddChanges({dcicFocusedRecord});
  }
  if (FChanges.Contains(dcicFocusedRow) && FPrevFocusingInfo->RowIndex >= GetRowCount())
    FPrevFocusingInfo->RowIndex = -1;
  if (FDataController->FilterChangedFlag() && FFocusingInfo->RowIndex == -1 && !FDataController->NewItemRowFocused()) {
    FDataController->FFilterChanged = false;
    if (FDataController->Provider()->LocateCount() == 0) ResetFocusedRow(0);
  }
}

void TvxCustomDataControllerInfo::RecalculateRows() {
  FInfoCalculation = true;
  FExpandingFlag = false;
  TScopeExit finish([this] {
    if (FChanges.Contains(dcicExpanding) || FChanges.Contains(dcicSorting)) FDataController->UpdatePrevSelectionInfo();
    FInfoCalculation = false;
    NotifyChanges();
  });
  bool load = FChanges.Contains(dcicLoad);
  bool sort = FChanges.Contains(dcicSorting) || FChanges.Contains(dcicGrouping);
  bool group = FChanges.Contains(dcicGrouping) || (load && FGroupingFieldList->Count() > 0);
  SaveExpanding();
  if (load) {
    LoadRecordList();
    DoFilter();
  }
  if (sort || (load && (FSortingFieldList->Count() > 0 || FGroupingFieldList->Count() > 0))) DoSort();
  if (group || (load && HasGroups())) {
    FDataController->NotifyGroupingChanging();
    DoGrouping();
    RestoreExpanding();
  }
  if ((load || sort || FChanges.Contains(dcicExpanding)) && FSelection->Count() > 0) FSelection->SyncRowIndexes();
  if (sort && !FDataController->InNotifyControl() && FDataController->Options().Contains(dcoFocusTopRowAfterSorting) &&
      (FDataController->SortingChangedFlag() || FDataController->LoadedStorageFlag())) {
    FDataController->ClearLoadedStorageFlag();
    FFocusingInfo->Reset();
    ChangeFocusedRow(0, false);
    FSelection->Clear();
  }
  if (FSelection->AnchorRowIndex >= 0 && FSelection->FindByRowIndex(FSelection->AnchorRowIndex) < 0)
    FSelection->AnchorRowIndex = -1;
  CheckFocusing();
  FDataController->CheckBookmarkValid(-1);
  if (FChanges.Contains(dcicSummary)) FDataController->Summary()->Calculate();
}

void TvxCustomDataControllerInfo::NotifyChanges() {
  TvxDataControllerChanges c;
  if (FChanges.Contains(dcicSorting) || FChanges.Contains(dcicView)) c.Include(dccLayout);
  if (FChanges.Contains(dcicLoad) || FChanges.Contains(dcicGrouping) || FChanges.Contains(dcicExpanding))
    c.Include(dccData);
  if (FChanges.Contains(dcicFocusedRow) || FChanges.Contains(dcicResetFocusedRow) ||
      FChanges.Contains(dcicFocusedRecord))
    c.Include(dccFocus);
  if (FChanges.Contains(dcicSelection)) c.Include(dccSelection);
  if (FChanges.Contains(dcicSummary)) c.Include(dccSummary);
  if (FDataController->GroupingChangedFlag()) c.Include(dccGrouping);
  if (FDataController->SortingChangedFlag()) c.Include(dccSorting);
  FChanges.Clear();
  FDataController->ClearNotifyFlags();
  FDataController->Change(c);
  FDataController->ClearLoadedStorageFlag();
}

// --- Provider ---------------------------------------------------------------------------

TvxCustomDataProvider::TvxCustomDataProvider(TvxCustomDataController* ADataController)
    : FDataController(ADataController) {}

TvxCustomDataProvider::~TvxCustomDataProvider() {
  if (FCustomDataSource) FCustomDataSource->RemoveProvider(this);
  FCustomDataSource = nullptr;
}

void TvxCustomDataProvider::CustomSort() {
  if (FCustomDataSource) {
    FCustomDataSource->SetCurrentProvider(this);
    FCustomDataSource->CustomSort();
  }
}

bool TvxCustomDataProvider::IsCustomSorting() { return FCustomDataSource && FCustomDataSource->IsCustomSorting(); }

bool TvxCustomDataProvider::IsRecordIdSupported() { return FCustomDataSource && FCustomDataSource->IsRecordIdSupported(); }

bool TvxCustomDataProvider::CanDelete() { return FDataController->FilteredRecordCount() > 0; }

bool TvxCustomDataProvider::CanInitEditing(Integer ARecordIndex) {
  FDataController->CheckRecordRange(ARecordIndex);
  if (!IsEditing()) EditRecord();
  else SetChanging();
  return true;
}

void TvxCustomDataProvider::SaveRecordCopy(Integer ARecordIndex) {
  TvxDataStorage* s = FDataController->DataStorage();
  if (FSavedRecordIndex == 0) FSavedRecordIndex = s->AddInternalRecord();
  FDataController->CopyRecordValues(ARecordIndex, FSavedRecordIndex);
}

void TvxCustomDataProvider::ClearSavedRecordCopy() {
  if (FSavedRecordIndex != 0) {
    Integer saved = FSavedRecordIndex;
    FSavedRecordIndex = 0;
    FDataController->DataStorage()->DeleteRecord(saved);
  }
}

void TvxCustomDataProvider::DoEdit() {
  TvxCustomDataController* c = FDataController;
  if (c->UseNewItemRowForEditing() && c->NewItemRowFocused() && !IsInserting()) {
    Insert();
    return;
  }
  Integer e = c->GetFocusedEditRecordIndex();
  if (e >= 0) {
    FEditingRecordIndex1 = vxNoEditRecordIndex;
    FEditingRecordIndex2 = vxNoEditRecordIndex;
    Integer row = c->GetFocusedRowIndex();
    if (row >= 0) {
      if (row < c->RowCount() - 1) FEditingRecordIndex2 = c->GetRowInfo(row + 1).RecordIndex;
      else FEditingRecordIndex1 = c->GetRowInfo(row == 0 ? row : row - 1).RecordIndex;
    }
  }
  if (e == vxNoEditRecordIndex) return;
  FEditingRecordIndex = e;
  if (!IsExternalEditing() && !c->IsRecordKeyMode() && !FInserting) SaveRecordCopy(e);
  c->Change({dccUpdateRecord});
}

void TvxCustomDataProvider::DoInsert(bool AAppend) {
  TvxCustomDataController* c = FDataController;
  if (IsInserting() && !IsChanging() && !IsModified()) return;  // an untouched new record is reused
  if (IsEditing() && (IsChanging() || IsModified())) {
    if (IsChanging()) PostEditingData();
    Post(false);
  }
  c->DoBeforeInsert();
  Integer e;
  {
    TControllerUpdate update(c);
    std::vector<Variant> groupValues;
    if (c->UseNewItemRowForEditing()) {
      Integer reference = c->GetFocusedRecordIndex();
      if (reference < 0 && c->RowCount() > 0) reference = c->GetRowInfo(0).RecordIndex;
      e = c->GetNewItemRecordIndex();
      c->SetNewItemRowFocused(true);
      groupValues = c->GetGroupValues(reference);
    } else {
      if (!AAppend) c->ClearSelection();
      if (AAppend) {
        Integer reference = c->RowCount() > 0 ? c->GetRowInfo(c->RowCount() - 1).RecordIndex : -1;
        groupValues = c->GetGroupValues(reference);
        e = c->AppendRecord();
        FEditingRecordIndex1 = reference;
        FEditingRecordIndex2 = vxNoEditRecordIndex;
      } else {
        Integer row = c->GetFocusedRowIndex();
        Integer reference = row >= 0 ? c->GetRowInfo(row).RecordIndex : 0;
        if (reference < 0) reference = 0;
        groupValues = c->GetGroupValues(reference);
        e = c->InsertRecord(std::min(reference, c->RecordCount()));
        FEditingRecordIndex1 = vxNoEditRecordIndex;
        FEditingRecordIndex2 = reference;
        if (reference >= e) FEditingRecordIndex2 = reference + 1 <= c->RecordCount() - 1 ? reference + 1 : reference;
      }
    }
    FEditingRecordIndex = e;
    InitNewRecord(e, groupValues);
    ResetChanging();
    FInserting = true;
  }
  if (!c->UseNewItemRowForEditing()) c->ChangeFocusedRecordIndex(e);
  c->DoAfterInsert();
}

void TvxCustomDataProvider::InitNewRecord(Integer ARecordIndex, const std::vector<Variant>& AGroupValues) {
  TvxSortingFieldList* grouping = FDataController->DataControllerInfo()->GroupingFieldList();
  if (grouping->Count() > 0 && FDataController->Options().Contains(dcoAssignGroupingValues))
    for (Integer l = 0; l < grouping->Count() && l < static_cast<Integer>(AGroupValues.size()); ++l)
      SetNewRecordValue(ARecordIndex, grouping->Items(l).Field, AGroupValues[static_cast<size_t>(l)]);
  FDataController->DoNewRecord(ARecordIndex);
}

void TvxCustomDataProvider::SetNewRecordValue(Integer ARecordIndex, TvxCustomDataField* AField, const Variant& AValue) {
  FDataController->SetValue(ARecordIndex, AField->Index(), AValue);
}

void TvxCustomDataProvider::UpdateEditingData() {
  if (FInUpdateData || !FChanging) return;
  FInUpdateData = true;
  TScopeExit done([this] { FInUpdateData = false; });
  FDataController->UpdateData();
}

void TvxCustomDataProvider::PostEditingData() { UpdateEditingData(); }

void TvxCustomDataProvider::Post(bool AForcePost) {
  TvxCustomDataController* c = FDataController;
  Integer r;
  bool posted;
  {
    TControllerUpdate update(c);
    UpdateEditingData();
    if (!IsInserting() || IsModified() || AForcePost) {
      c->DoBeforePost();
      r = FEditingRecordIndex;
      // Only an insert through the new-item row moves its record into a new real one;
      // an edit of a real record while the option is on stays where it is.
      if (c->UseNewItemRowForEditing() && IsInserting() && r != vxNoEditRecordIndex && c->IsNewItemRecord(r)) {
        Integer e = r;
        bool saved = FDataChangedLocked;
        FDataChangedLocked = c->IsProviderMode();
        {
          TScopeExit restore([&] { FDataChangedLocked = saved; });
          r = c->AppendRecord();
        }
        FInsertedRecordIndex = r;
        c->CopyRecordValues(e, r);
      }
      ResetEditing();
      posted = true;
    } else {
      Cancel();
      r = -1;
      posted = false;
    }
    c->DataChanged(dcRecord, -1, r);
  }
  if (posted) c->DoAfterPost();
}

void TvxCustomDataProvider::Cancel() {
  TvxCustomDataController* c = FDataController;
  c->DoBeforeCancel();
  {
    TControllerUpdate update(c);
    Integer e = FEditingRecordIndex;
    if (IsEditing() && (e < c->RecordCount() || c->IsNewItemRecord(e))) {
      if (FInserting) {
        if (!c->IsNewItemRecord(e) && e >= 0) {
          Integer focused = c->GetFocusedRecordIndex();
          c->DeleteRecord(e);
          if (focused >= c->RecordCount() && c->RecordCount() > 0) c->ChangeFocusedRecordIndex(c->RecordCount() - 1);
        }
      } else if (FSavedRecordIndex != 0) {
        c->CopyRecordValues(FSavedRecordIndex, e);
      }
    }
    ResetEditing();
  }
  c->DoAfterCancel();
}

void TvxCustomDataProvider::ResetEditing() {
  TvxCustomDataController* c = FDataController;
  Integer e = FEditingRecordIndex;
  FEditingRecordIndex = vxNoEditRecordIndex;
  FEditingRecordIndex1 = vxNoEditRecordIndex;
  FEditingRecordIndex2 = vxNoEditRecordIndex;
  FInserting = false;
  if (e < 0 && e != vxNoEditRecordIndex && c->IsNewItemRecord(e)) {
    c->FNewItemRecordIndex = 0;
    c->DataStorage()->DeleteRecord(e);
  }
  ResetChanging();
  ResetModified();
  ClearSavedRecordCopy();
}

Variant TvxCustomDataProvider::GetEditValue(Integer ARecordIndex, TvxCustomDataField* AField, TvxDataEditValueSource) {
  if (ARecordIndex == vxNoEditRecordIndex) RaiseOperationError(vxSDataRecordIndexError);
  return FDataController->GetFieldValue(ARecordIndex, AField);
}

bool TvxCustomDataProvider::SetEditValue(Integer ARecordIndex, TvxCustomDataField* AField, TvxDataEditValueSource ASource,
                                         const Variant& AValue) {
  bool emptyText = ASource == evsText && !AValue.IsNull() && VarToStr(AValue).empty();
  FDataController->SetValue(ARecordIndex, AField->Index(), emptyText ? Null() : AValue);
  MarkModified();
  return true;
}

Integer TvxCustomDataProvider::DeleteFocused() {
  TvxCustomDataController* c = FDataController;
  Integer record = c->GetFocusedRecordIndex();
  if (record < 0) return -1;
  c->DoBeforeDelete(record);
  bool provider = c->IsProviderMode();
  if (provider) c->SaveKeys();
  {
    TScopeExit restore([&] {
      if (provider) c->RestoreKeys();
    });
    Integer row = c->GetFocusedRowIndex();
    c->SetNearestRecordIndex(-1);
    if (row >= 0) {
      Integer nearest = c->GetNearestRowIndex(row);
      if (nearest >= 0) c->SetNearestRecordIndex(c->GetRowInfo(nearest).RecordIndex);
    }
    c->DeleteRecord(record);
    c->FocusNearestRecord();
  }
  c->DoAfterDelete();
  return record;
}

void TvxCustomDataProvider::DeleteRecords(const std::vector<Integer>& AList) {
  TvxCustomDataController* c = FDataController;
  bool provider = c->IsProviderMode();
  if (provider) c->SaveKeys();
  TScopeExit restore([&] {
    if (provider) c->RestoreKeys();
  });
  {
    TControllerUpdate update(c);
    for (auto it = AList.rbegin(); it != AList.rend(); ++it) {
      c->DoBeforeDelete(*it);
      c->DeleteRecord(*it);
      c->DoAfterDelete();
    }
    if (c->InDeleteSelection()) c->ClearSelection();
  }
  c->FocusNearestRecord();
}

Integer TvxCustomDataProvider::AppendSourceRecord() {
  if (!FCustomDataSource) return -1;
  FCustomDataSource->SetCurrentProvider(this);
  return FCustomDataSource->AppendRecordHandle(FCustomDataSource->AppendRecordHandle());
}

void TvxCustomDataProvider::DeleteSourceRecord(Integer ARecordIndex) {
  if (!FCustomDataSource) return;
  FCustomDataSource->SetCurrentProvider(this);
  FCustomDataSource->DeleteRecordHandle(FCustomDataSource->GetRecordHandleByIndex(ARecordIndex));
}

String TvxCustomDataProvider::GetSourceDisplayText(Integer ARecordIndex, TvxCustomDataField* AField) {
  if (!FCustomDataSource) return String();
  FCustomDataSource->SetCurrentProvider(this);
  return FCustomDataSource->GetDisplayTextByHandle(FCustomDataSource->GetRecordHandleByIndex(ARecordIndex),
                                                   FCustomDataSource->GetItemHandle(AField->Index()));
}

Variant TvxCustomDataProvider::GetSourceRecordId(Integer ARecordIndex) {
  if (!FCustomDataSource) return Null();
  FCustomDataSource->SetCurrentProvider(this);
  return FCustomDataSource->GetRecordId(FCustomDataSource->GetRecordHandleByIndex(ARecordIndex));
}

Variant TvxCustomDataProvider::GetSourceValue(Integer ARecordIndex, TvxCustomDataField* AField) {
  if (!FCustomDataSource) return Null();
  FCustomDataSource->SetCurrentProvider(this);
  return FCustomDataSource->GetValueByHandle(FCustomDataSource->GetRecordHandleByIndex(ARecordIndex),
                                             FCustomDataSource->GetItemHandle(AField->Index()));
}

Integer TvxCustomDataProvider::InsertSourceRecord(Integer ARecordIndex) {
  if (!FCustomDataSource) return -1;
  FCustomDataSource->SetCurrentProvider(this);
  TvxDataRecordHandle h = FCustomDataSource->GetRecordCount() != 0
                              ? FCustomDataSource->InsertRecordHandle(FCustomDataSource->GetRecordHandleByIndex(ARecordIndex))
                              : FCustomDataSource->AppendRecordHandle();
  return FCustomDataSource->AppendRecordHandle(h);
}

Integer TvxCustomDataProvider::CompareSourceRecords(Integer ARecordIndex1, Integer ARecordIndex2,
                                                    TvxCustomDataField* AField) {
  TvxValueDef* def = AField->ValueDef();
  if (!def) return 0;
  TvxDataStorage* storage = FDataController->DataStorage();
  if (ARecordIndex1 < 0 && ARecordIndex2 < 0) return storage->CompareRecords(ARecordIndex1, ARecordIndex2, def);
  // Each side as (is null, raw value): internal records from the storage, the others
  // from the data source; the definition compares the raw values.
  auto side = [&](Integer ARecordIndex, Pointer& P) -> bool {
    if (ARecordIndex < 0 || !FCustomDataSource) return storage->GetCompareInfo(ARecordIndex, def, P);
    FCustomDataSource->SetCurrentProvider(this);
    return !FCustomDataSource->GetInfoForCompare(FCustomDataSource->GetRecordHandleByIndex(ARecordIndex),
                                                 FCustomDataSource->GetItemHandle(AField->Index()), P);
  };
  Pointer p1 = nullptr, p2 = nullptr;
  bool null1 = side(ARecordIndex1, p1);
  bool null2 = side(ARecordIndex2, p2);
  return def->CompareValues(null1, null2, p1, p2);
}

Integer TvxCustomDataProvider::CustomCompareRecords(Integer ARecordIndex1, Integer ARecordIndex2,
                                                    TvxCustomDataField* AField) {
  if (!FCustomDataSource) return 0;
  FCustomDataSource->SetCurrentProvider(this);
  return FCustomDataSource->NativeCompareFunc(FCustomDataSource->GetRecordHandleByIndex(ARecordIndex1),
                                              FCustomDataSource->GetRecordHandleByIndex(ARecordIndex2),
                                              FCustomDataSource->GetItemHandle(AField->Index()));
}

void TvxCustomDataProvider::SetSourceRecordCount(Integer ACount) {
  if (!FCustomDataSource) return;
  FCustomDataSource->SetCurrentProvider(this);
  FCustomDataSource->SetRecordCount(ACount);
}

void TvxCustomDataProvider::SetSourceValue(Integer ARecordIndex, TvxCustomDataField* AField, const Variant& AValue) {
  if (!FCustomDataSource) return;
  FCustomDataSource->SetCurrentProvider(this);
  FCustomDataSource->SetValueByHandle(FCustomDataSource->GetRecordHandleByIndex(ARecordIndex),
                                      FCustomDataSource->GetItemHandle(AField->Index()), AValue);
}

void TvxCustomDataProvider::DataChanged(TvxDataChange AKind, Integer AItemIndex, Integer ARecordIndex) {
  if (FLockCount == 0) FDataController->DataChanged(AKind, AItemIndex, ARecordIndex);
  if (FDataChangedLocked) ResetChanging();
  else ResetEditing();
}

void TvxCustomDataProvider::SetCustomDataSource(TvxCustomDataSource* ASource) {
  if (!SupportsCustomDataSource() || FCustomDataSource == ASource) return;
  if (FCustomDataSource) FCustomDataSource->RemoveProvider(this);
  FCustomDataSource = ASource;
  if (ASource) ASource->AddProvider(this);
  if (!FDataController->Destroying()) FDataController->RecreateData();
}

void TvxCustomDataProvider::LoadSourceData() {
  if (!FCustomDataSource) return;
  FCustomDataSource->SetCurrentProvider(this);
  FCustomDataSource->LoadRecordHandles();
}

void TvxCustomDataProvider::BeginDeleting() {
  TvxCustomDataController* c = FDataController;
  if (IsGridMode()) return;
  Integer row = c->GetFocusedRowIndex();
  if (row < 0) return;
  Integer target = row;
  if (!c->MultiSelect() || c->DataControllerInfo()->IsRowSelected(row) || c->GetSelectedCount() == 0)
    target = c->GetNearestRowIndex(row);
  c->SetNearestRecordIndex(target >= 0 ? c->GetRowInfo(target).RecordIndex : -1);
}

void TvxCustomDataProvider::EndDeleting() { FDataController->SetNearestRecordIndex(-1); }

void TvxCustomDataProvider::DeleteSelection() {
  TvxCustomDataController* c = FDataController;
  std::vector<Integer> records;
  for (Integer i = 0; i < c->GetSelectedCount(); ++i) {
    Integer row = c->GetSelectedRowIndex(i);
    if (row >= 0 && row < c->RowCount()) c->Groups()->LoadRecordIndexesByRowIndex(records, row);
  }
  c->DeleteRecordList(records);
}

bool TvxCustomDataProvider::SourceDetailHasChildren(Integer ARecordIndex, Integer ARelationIndex) {
  if (!FCustomDataSource) return false;
  FCustomDataSource->SetCurrentProvider(this);
  return FCustomDataSource->HasChildRecords(ARecordIndex, ARelationIndex);
}

void TvxCustomDataProvider::HandleActiveChange(bool AActive) {
  FDataController->SetActive(AActive);
  ResetEditing();
}

void TvxCustomDataProvider::DataScrolled(Integer) {
  FDataController->DataScrolled();
  ResetChanging();
}

void TvxCustomDataProvider::StructureChanged(bool) { FDataController->UpdateFields(); }

// --- Data source ------------------------------------------------------------------------

TvxCustomDataSource::~TvxCustomDataSource() { DetachProviders(); }

String TvxCustomDataSource::GetDisplayTextByHandle(TvxDataRecordHandle AHandle, NativeInt AItemHandle) {
  try {
    return VarToStr(GetValueByHandle(AHandle, AItemHandle));
  } catch (const EVariantError&) {
    return String();
  }
}

bool TvxCustomDataSource::GetInfoForCompare(TvxDataRecordHandle, NativeInt, Pointer&) {
  RaiseOperationError(vxSDataCustomDataSourceInvalidCompare);
}

TvxCustomDataController* TvxCustomDataSource::DataController() const {
  return Provider() ? Provider()->DataController() : nullptr;
}

void TvxCustomDataSource::LoadRecordHandles() {
  TvxCustomDataController* c = DataController();
  if (!c || !c->RecordHandlesField()) return;
  TvxDataStorage* s = c->DataStorage();
  s->Clear(Provider()->DataChangedLocked());
  s->SetRecordCount(GetRecordCount());
  for (Integer i = 0; i < s->RecordCount(); ++i)
    s->SetValue(i, c->RecordHandlesField()->ValueDef(), Variant(static_cast<long long>(GetRecordHandleAt(i))));
}

TvxDataRecordHandle TvxCustomDataSource::GetRecordHandleByIndex(Integer ARecordIndex) {
  TvxCustomDataController* c = DataController();
  TvxCustomDataField* f = c ? c->RecordHandlesField() : nullptr;
  if (!f) return ARecordIndex;
  Variant v = c->DataStorage()->GetValue(ARecordIndex, f->ValueDef());
  return v.IsNull() ? -1 : static_cast<TvxDataRecordHandle>(v.AsInt64());
}

Integer TvxCustomDataSource::GetRecordIndexByHandle(TvxDataRecordHandle ARecordHandle) {
  TvxCustomDataController* c = DataController();
  if (!c) return -1;
  for (Integer i = 0; i < c->DataStorage()->RecordCount(); ++i)
    if (GetRecordHandleByIndex(i) == ARecordHandle) return i;
  return -1;
}

Integer TvxCustomDataSource::AppendRecordHandle(TvxDataRecordHandle AHandle) {
  TvxCustomDataController* c = DataController();
  if (!c) return -1;
  Integer index = c->DataStorage()->AppendRecord();
  if (TvxCustomDataField* f = c->RecordHandlesField())
    c->DataStorage()->SetValue(index, f->ValueDef(), Variant(static_cast<long long>(AHandle)));
  return index;
}

void TvxCustomDataSource::AddProvider(TvxCustomDataProvider* AProvider) {
  if (std::find(FProviders.begin(), FProviders.end(), AProvider) == FProviders.end()) FProviders.push_back(AProvider);
  FProvider = FProviders.front();
}

void TvxCustomDataSource::RemoveProvider(TvxCustomDataProvider* AProvider) {
  FProviders.erase(std::remove(FProviders.begin(), FProviders.end(), AProvider), FProviders.end());
  if (FCurrentProvider == AProvider) FCurrentProvider = nullptr;
  FProvider = FProviders.empty() ? nullptr : FProviders.front();
}

void TvxCustomDataSource::DetachProviders() {
  while (!FProviders.empty()) {
    TvxCustomDataProvider* p = FProviders.back();
    p->SetCustomDataSource(nullptr);
    RemoveProvider(p);
  }
}

void TvxCustomDataSource::DataChanged() {
  std::vector<TvxCustomDataProvider*> providers = FProviders;
  for (TvxCustomDataProvider* p : providers) {
    SetCurrentProvider(p);
    TvxCustomDataController* c = p->DataController();
    c->BeginFullUpdate();
    TScopeExit end([c] { c->EndFullUpdate(); });
    p->DataChanged(dcTotal, -1, -1);
  }
  SetCurrentProvider(nullptr);
}

// --- Controller: life cycle -------------------------------------------------------------

TvxCustomDataController::TvxCustomDataController(TComponent* AOwner) : FOwner(AOwner) {
  FDataStorage = std::make_unique<TvxDataStorage>();
  FGroups = std::make_unique<TvxDataControllerGroups>(this);
  FFields = std::make_unique<TvxCustomDataFieldList>(this);
  FFilters = std::make_unique<TvxDataFilterList>();
  FFilter = std::make_unique<TvxDataFilterCriteria>(this);
  FFilters->Items.push_back(FFilter.get());
  FSearch = std::make_unique<TvxDataControllerSearch>(this);
  FSummary = std::make_unique<TvxDataSummary>(this);
  FProvider = std::make_unique<TvxCustomDataProvider>(this);
  FDataControllerInfo = std::make_unique<TvxCustomDataControllerInfo>(this);
  FNotifier = std::make_unique<TvxDataControllerNotifier>(this);
  FDataStorage->OnClearInternalRecords = [this](TObject*) { InternalRecordsCleared(); };
  FDataStorage->SetUseRecordID(UsesRecordIds());
}

TvxCustomDataController::~TvxCustomDataController() {
  FDestroying = true;
  // Relations go before the fields they keep their detail objects in (their updates are
  // off while the controller is being destroyed).
  FRelations.reset();
  // Fields go first: their removal reaches the filter, summary, search and row info,
  // which are all still alive here.
  FFields->Clear();
  FNotifier.reset();
  FDataControllerInfo.reset();
  FSummary.reset();
  FFilter.reset();
  FFilters.reset();
  FDataStorage->Clear(false);
  FGroups.reset();
  FFields.reset();
  FProvider.reset();
  FDataStorage.reset();
  FSearch.reset();
  FDataChangedListeners.clear();
  for (TvxDataListenerLink* link : FListenerLinks) link->Ref = nullptr;
  FListenerLinks.clear();
}

void TvxCustomDataController::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomDataController*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  SetOptions(src->FOptions);
  FFilter->Assign(src->FFilter.get());
  FSummary->Assign(src->FSummary.get());
  OnAfterCancel = src->OnAfterCancel;
  OnAfterDelete = src->OnAfterDelete;
  OnAfterInsert = src->OnAfterInsert;
  OnAfterPost = src->OnAfterPost;
  OnBeforeCancel = src->OnBeforeCancel;
  OnBeforeDelete = src->OnBeforeDelete;
  OnBeforeInsert = src->OnBeforeInsert;
  OnBeforePost = src->OnBeforePost;
  SetOnFilterRecord(src->FOnFilterRecord);
  OnNewRecord = src->OnNewRecord;
  OnCompare = src->OnCompare;
  OnDataChanged = src->OnDataChanged;
  OnDetailCollapsed = src->OnDetailCollapsed;
  OnDetailCollapsing = src->OnDetailCollapsing;
  OnDetailExpanded = src->OnDetailExpanded;
  OnDetailExpanding = src->OnDetailExpanding;
  OnGroupingChanged = src->OnGroupingChanged;
  OnRecordChanged = src->OnRecordChanged;
  OnSortingChanged = src->OnSortingChanged;
}

// --- Controller: update brackets and dispatch ---------------------------------------------

Integer TvxCustomDataController::LockCount() const { return FDataControllerInfo ? FDataControllerInfo->LockCount() : 0; }

bool TvxCustomDataController::IsRowInfoValid() const { return !FDataControllerInfo->InfoCalculation(); }

void TvxCustomDataController::BeginUpdate() { FDataControllerInfo->BeginUpdate(); }

void TvxCustomDataController::EndUpdate() {
  FDataControllerInfo->EndUpdate();
  CheckChanges();
}

void TvxCustomDataController::EndUpdateFields() {
  --FLockUpdateFieldsCount;
  if (FLockUpdateFieldsCount == 0 && FUpdateFieldsFlag) {
    FUpdateFieldsFlag = false;
    UpdateFields();
  }
}

void TvxCustomDataController::Change(TvxDataControllerChanges AChanges) {
  FChanges += AChanges;
  CheckChanges();
}

void TvxCustomDataController::CheckChanges() {
  if (LockCount() > 0) return;
  BeforeNotifyChanges();
  if (FChanges.Empty()) return;
  if (FStructureChanged) {
    FStructureChanged = false;
    UpdateFields();
  }
  DispatchChanges();
}

void TvxCustomDataController::DispatchChanges() {
  TvxDataControllerChanges c = FChanges;
  FChanges.Clear();
  if (c.Contains(dccData)) {
    NotifyDataChange();
  } else if (c.Contains(dccLayout) || c.Contains(dccDetail) || c.Contains(dccSummary)) {
    NotifyControl(std::make_unique<TvxLayoutChangedInfo>());
  } else if (c.Contains(dccUpdateRecord)) {
    NotifyControl(std::make_unique<TvxUpdateRecordInfo>(GetFocusedRecordIndex()));
    FSearch->Cancel();
  }
  if (c.Contains(dccFocus)) NotifyFocusChanged();
  if (c.Contains(dccSelection)) NotifySelectionChanged();
  if (c.Contains(dccSearch)) NotifyControl(std::make_unique<TvxSearchChangedInfo>());
  if (c.Contains(dccBookmark)) NotifyControl(std::make_unique<TvxBookmarkChangedInfo>());
  bool reading = FOwner && FOwner->ComponentState().Contains(csReading);
  if (c.Contains(dccGrouping) && !reading && OnGroupingChanged) OnGroupingChanged(this);
  if (c.Contains(dccSorting) && !reading && !FInOnSortingChanged && OnSortingChanged) {
    FInOnSortingChanged = true;
    TScopeExit done([this] { FInOnSortingChanged = false; });
    OnSortingChanged(this);
  }
}

void TvxCustomDataController::NotifyControl(std::unique_ptr<TvxUpdateControlInfo> AInfo) {
  FInNotifyControl = true;
  TScopeExit done([this] { FInNotifyControl = false; });
  UpdateControl(AInfo.get());
}

void TvxCustomDataController::UpdateControl(TvxUpdateControlInfo* AInfo) {
  if (OnUpdateControl) OnUpdateControl(AInfo);
}

void TvxCustomDataController::NotifyDataChange() {
  TvxDataChangeInfo i = FDataChangePending ? FDataChangeInfo : TvxDataChangeInfo{};
  if (i.Kind == dcField && i.ItemIndex == -1) i.Kind = dcRecord;
  if ((i.Kind == dcField || i.Kind == dcRecord) && i.RecordIndex == -1 && !IsNewItemRecord(-1)) i.Kind = dcTotal;
  FDataChangeInfo = i;
  TScopeExit reset([this] {
    FDataChangeInfo = TvxDataChangeInfo{};
    FDataChangePending = false;
  });
  NotifyControl(std::make_unique<TvxDataChangedInfo>(i.Kind, i.ItemIndex, i.RecordIndex));
  NotifyDataChanged();
}

void TvxCustomDataController::NotifyFocusChanged() {
  TvxDataFocusingInfo* prev = FDataControllerInfo->PrevFocusingInfo();
  TvxDataFocusingInfo* cur = FDataControllerInfo->FocusingInfo();
  if (prev->RowIndex != cur->RowIndex)
    NotifyControl(std::make_unique<TvxFocusedRowChangedInfo>(prev->RowIndex, cur->RowIndex));
  if (prev->RecordIndex >= 0 || cur->RecordIndex >= 0 || prev->ChangedFlag) {
    NotifyControl(std::make_unique<TvxFocusedRecordChangedInfo>(prev->RecordIndex, cur->RecordIndex, prev->RowIndex,
                                                                cur->RowIndex, prev->ChangedFlag));
    FSearch->Cancel();
  }
  prev->Assign(*cur);
}

void TvxCustomDataController::NotifySelectionChanged() {
  FSelectionChangedInfo.SelectedCount = GetSelectedCount();
  FSelectionChangedInfo.RowIndex = FSelectionChangedInfo.SelectedCount == 1 ? GetSelectedRowIndex(0) : -1;
  Integer row1 = -1, row2 = -1;
  if (FPrevSelectionChangedInfo.SelectedCount <= 1 && FSelectionChangedInfo.SelectedCount <= 1) {
    row1 = FPrevSelectionChangedInfo.SelectedCount == 1 ? FPrevSelectionChangedInfo.RowIndex : -1;
    row2 = FSelectionChangedInfo.RowIndex;
  }
  std::unique_ptr<TvxUpdateControlInfo> info = TvxSelectionChangedInfo::CreateEx(row1, row2);
  FPrevSelectionChangedInfo = FSelectionChangedInfo;
  NotifyControl(std::move(info));
}

void TvxCustomDataController::UpdatePrevSelectionInfo() {
  if (FPrevSelectionChangedInfo.SelectedCount != 1) return;
  FPrevSelectionChangedInfo.SelectedCount = GetSelectedCount();
  FPrevSelectionChangedInfo.RowIndex = FPrevSelectionChangedInfo.SelectedCount == 1 ? GetSelectedRowIndex(0) : -1;
}

void TvxCustomDataController::NotifyDataChanged() {
  if (IsDestroying()) return;
  if (!OnDataChanged && !OnRecordChanged && FDataChangedListeners.empty()) return;
  if (IsLoading()) {
    FDataChangedFlag = true;
    return;
  }
  FDataChangedFlag = false;
  const TvxDataChangeInfo& i = FDataChangeInfo;
  if ((i.Kind == dcField || i.Kind == dcRecord) && (i.RecordIndex != -1 || IsNewItemRecord(i.RecordIndex)) &&
      OnRecordChanged)
    OnRecordChanged(this, i.RecordIndex, i.ItemIndex);
  if (OnDataChanged) OnDataChanged(this);
  if (FProvider->IsGridMode() && FProvider->LocateCount() > 0) return;
  std::vector<TListenerEntry> listeners = FDataChangedListeners;
  for (const TListenerEntry& e : listeners)
    if (e.Event) e.Event(this);
}

void TvxCustomDataController::DataChanged(TvxDataChange AKind, Integer AItemIndex, Integer ARecordIndex) {
  TvxDataChangeInfo& p = FDataChangeInfo;
  auto wide = [](TvxDataChange k) { return k == dcNew || k == dcDeleted || k == dcTotal; };
  if (!FDataChangePending) {
    p = {AKind, AItemIndex, ARecordIndex};
    FDataChangePending = true;
  } else if (wide(p.Kind)) {
    // A pending change of the whole record set is never narrowed by a later change; two
    // different kinds of them make a total change.
    if (wide(AKind) && AKind != p.Kind) p.Kind = dcTotal;
    p.ItemIndex = -1;
    p.RecordIndex = -1;
  } else {
    bool recordSet = p.RecordIndex != -1 || IsNewItemRecord(p.RecordIndex);
    TvxDataChange kind;
    if (recordSet && ARecordIndex != p.RecordIndex) {
      kind = dcTotal;
    } else if (AKind == dcField && recordSet && p.Kind == dcRecord && p.ItemIndex == -1) {
      kind = dcRecord;
      AItemIndex = -1;
    } else if (AKind != dcField || p.ItemIndex == -1 || AItemIndex == p.ItemIndex) {
      kind = AKind;
    } else {
      kind = dcRecord;
      AItemIndex = -1;
    }
    if (kind == dcTotal) p = {dcTotal, -1, -1};
    else p = {kind, AItemIndex, ARecordIndex};
  }
  if (AKind == dcTotal) {
    UpdateStructure(false);
  } else {
    if (AKind == dcNew || AKind == dcDeleted) FDataControllerInfo->FocusedRecordChanged(false);
    FDataControllerInfo->Refresh();
  }
}

void TvxCustomDataController::Loaded() {
  if (FDataChangedFlag) NotifyDataChanged();
}

void TvxCustomDataController::Refresh() {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  FDataControllerInfo->Refresh();
}

void TvxCustomDataController::ClearNotifyFlags() {
  FGroupingChanged = false;
  FSortingChanged = false;
  FFilterChanged = false;
}

void TvxCustomDataController::NotifyGroupingChanging() {
  if (FOwner && FOwner->ComponentState().Contains(csDestroying)) return;
  NotifyControl(std::make_unique<TvxGroupingChangingInfo>());
}

void TvxCustomDataController::ConvertFilterCheckToChanged() {
  FFilterChanged = true;
  FCheckFocusingAfterFilterNeeded = false;
}

void TvxCustomDataController::SaveKeys() {
  if (FSaveObjectLockCount++ > 0) return;
  BeginFullUpdate();
  FSaveObject = std::make_unique<TvxSaveObject>();
  FSaveObject->Save(this);
}

void TvxCustomDataController::RestoreKeys() {
  if (--FSaveObjectLockCount > 0) return;
  TScopeExit end([this] {
    FSaveObject.reset();
    EndFullUpdate();
  });
  if (FSaveObject) {
    std::unique_ptr<TvxSaveObject> saved = std::move(FSaveObject);
    saved->Restore(this);
  }
}

// --- Controller: predicates ---------------------------------------------------------------

bool TvxCustomDataController::IsDestroying() {
  return FDestroying || (FOwner && FOwner->ComponentState().Contains(csDestroying));
}

bool TvxCustomDataController::IsLoading() { return FOwner && FOwner->ComponentState().Contains(csLoading); }

bool TvxCustomDataController::IsImmediatePost() { return FOptions.Contains(dcoImmediatePost) || !FProvider->CanModify(); }

bool TvxCustomDataController::IsRecordIdSupported() { return IsProviderMode() && FProvider->IsRecordIdSupported(); }

bool TvxCustomDataController::NeedsFieldUpdate() { return IsProviderMode() || FStructureRecreated; }

bool TvxCustomDataController::IsProviderMode() { return FProvider && FProvider->HasCustomDataSource(); }

bool TvxCustomDataController::IsUnboundMode() {
  return FProvider->SupportsCustomDataSource() && !FProvider->HasCustomDataSource();
}

bool TvxCustomDataController::IsProviderField(TvxCustomDataField* AField) {
  TvxCustomDataField* ref = AField->ReferenceField();
  return !(AField->IsInternal() && (!ref || ref->IsInternal()));
}

bool TvxCustomDataController::IsNewItemRecord(Integer ARecordIndex) const {
  return FNewItemRecordIndex != 0 && ARecordIndex == FNewItemRecordIndex;
}

bool TvxCustomDataController::IsEditing() { return FProvider->IsEditing(); }

// --- Controller: items and fields ---------------------------------------------------------

TvxCustomDataField* TvxCustomDataController::AddInternalField() {
  TvxCustomDataField* f = NewField();
  f->SetIsInternal(true);
  FFields->AddField(f);
  return f;
}

TvxCustomDataField* TvxCustomDataController::CreateItemField() {
  TvxCustomDataField* f = NewField();
  FFields->AddField(f);
  return f;
}

TvxCustomDataField* TvxCustomDataController::AddItem(TObject* AItem) {
  if (AItem && FFields->FieldByItem(AItem)) RaiseOperationError(vxSDataItemExistError);
  TvxCustomDataField* f = CreateItemField();
  f->SetItem(AItem);
  return f;
}

void TvxCustomDataController::RemoveItem(TObject* AItem) {
  TvxCustomDataField* f = FFields->FieldByItem(AItem);
  if (!f) return;
  TControllerUpdate update(this);
  FDataControllerInfo->RemoveField(f);
  delete f;
}

void TvxCustomDataController::UpdateItemIndexes() {
  for (Integer i = 0; i < GetItemCount(); ++i)
    if (TvxCustomDataField* f = FFields->FieldByItem(GetItem(i))) f->SetIndex(i);
  Change({dccLayout});
}

Integer TvxCustomDataController::GetItemCount() { return FFields->ItemCount(); }

void TvxCustomDataController::CheckItemRange(Integer AItemIndex) {
  if (AItemIndex < 0 || AItemIndex >= GetItemCount()) RaiseOperationError(vxSDataItemIndexError);
}

void TvxCustomDataController::CheckRecordRange(Integer ARecordIndex) {
  bool ok = (ARecordIndex >= 0 && ARecordIndex < RecordCount()) || IsNewItemRecord(ARecordIndex) ||
            (FProvider->SavedRecordIndex() != 0 && ARecordIndex == FProvider->SavedRecordIndex());
  if (!ok) RaiseOperationError(vxSDataRecordIndexError);
}

TvxCustomDataField* TvxCustomDataController::GetItemField(Integer AItemIndex) {
  CheckItemRange(AItemIndex);
  return FFields->GetItem(AItemIndex);
}

TvxValueTypeClass TvxCustomDataController::GetItemValueTypeClass(Integer AItemIndex) {
  return GetItemField(AItemIndex)->ValueTypeClass();
}

bool TvxCustomDataController::GetItemTextStored(Integer AItemIndex) { return GetItemField(AItemIndex)->TextStored(); }

void TvxCustomDataController::ChangeValueTypeClass(Integer AItemIndex, TvxValueTypeClass AValueTypeClass) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  if (f->ValueTypeClass() == AValueTypeClass) return;
  f->SetValueTypeClass(AValueTypeClass);
  if (IsProviderMode()) RecreateData();
  FDataControllerInfo->UpdateField(f);
  ValueTypeClassChanged(AItemIndex);
}

void TvxCustomDataController::ChangeTextStored(Integer AItemIndex, bool ATextStored) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  if (GetItemTextStored(AItemIndex) == ATextStored) return;
  f->SetTextStored(ATextStored);
  FDataControllerInfo->UpdateField(f);
}

void TvxCustomDataController::ChangeNeedConversion(Integer AItemIndex, bool ANeedConversion) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  if (GetItemNeedConversion(AItemIndex) == ANeedConversion) return;
  f->SetNeedConversion(ANeedConversion);
  FDataControllerInfo->UpdateField(f);
}

bool TvxCustomDataController::ItemPropertiesChanged(Integer AItemIndex) {
  bool result = AItemIndex == -1 || GetItemSortOrder(AItemIndex) != soNone;
  if (result) Refresh();
  return result;
}

void TvxCustomDataController::RemoveFieldReferences(TvxCustomDataField* AField) {
  // While the controller is being destroyed its fields go first and nothing else needs
  // to forget them.
  if (FDestroying) return;
  if (FRecordHandlesField == AField) FRecordHandlesField = nullptr;
  if (FRelations) FRelations->RemoveDataField(AField);
  FFilter->RemoveItemByField(AField);
  FSummary->RemoveItemByField(AField);
  if (FDataControllerInfo) FDataControllerInfo->SortingFieldList()->Remove(AField);
  if (FIncrementalSearchField == AField) {
    FSearch->Cancel();
    FIncrementalSearchField = nullptr;
  }
}

void TvxCustomDataController::ComponentRemoved(TComponent* AComponent) { FFields->ComponentRemoved(AComponent); }

void TvxCustomDataController::PrepareFields() {
  bool restart = true;
  for (Integer i = 0; i < FFields->Count(); ++i) FFields->GetItem(i)->SetPrepared(false);
  while (restart) {
    restart = false;
    FFields->SetFieldDestroyed(false);
    for (Integer i = 0; i < FFields->Count(); ++i) {
      TvxCustomDataField* f = FFields->GetItem(i);
      if (f->Prepared()) continue;
      PrepareField(f);
      if (FFields->FieldDestroyed()) {
        restart = true;
        break;
      }
      f->SetPrepared(true);
    }
  }
}

// --- Controller: structure ------------------------------------------------------------------

void TvxCustomDataController::SetActive(bool AValue) {
  FActive = AValue;
  UpdateItems(FProvider->HasCustomDataSource());
}

void TvxCustomDataController::UpdateFields() { UpdateItems(FProvider->HasCustomDataSource()); }

void TvxCustomDataController::UpdateItems(bool AUpdateFields) {
  if (FUpdateItems) return;
  FUpdateItems = true;
  TScopeExit done([this] { FUpdateItems = false; });
  if (LockCount() > 0) FStructureChanged = true;
  if (NeedsFieldUpdate()) UpdateStructure(AUpdateFields);
}

void TvxCustomDataController::UpdateStructure(bool AUpdateFields) {
  BeginFullUpdate();
  TScopeExit end([this] {
    FDataControllerInfo->Refresh();
    FStructureRecreated = false;
    EndFullUpdate();
  });
  if (NeedsFieldUpdate()) {
    if (AUpdateFields || FProvider->IsFieldsRecreateNeeded()) {
      if (FLockUpdateFieldsCount > 0) FUpdateFieldsFlag = true;
      else PrepareFields();
    }
    if (!FStructureChanged) LoadStorage();
  }
}

void TvxCustomDataController::RecreateData() {
  BeginFullUpdate();
  TScopeExit end([this] { EndFullUpdate(); });
  FProvider->ResetEditing();
  if (!IsUnboundMode() || !FProvider->HasCustomDataSource()) FDataStorage->Clear(false);
  ResetBookmark();
  CheckSelectionAndBookmark(-1);
  FDataStorage->SetStoredValuesOnly(IsProviderMode() || FProvider->IsGridMode());
  FDataStorage->SetUseRecordID(UsesRecordIds());
  if (!FProvider->HasCustomDataSource()) {
    TvxCustomDataField* f = FRecordHandlesField;
    FRecordHandlesField = nullptr;
    delete f;
  } else if (!FRecordHandlesField) {
    // Handles are pointer-sized: a 64-bit slot keeps them whole on every target.
    TvxCustomDataField* f = AddInternalField();
    f->SetValueTypeClass(TvxLargeIntValueType::Class());
    FRecordHandlesField = f;
  }
  FStructureRecreated = true;
  UpdateFields();
}

void TvxCustomDataController::LoadStorage() {
  if (!IsSmartLoad()) FDataStorage->Clear(FProvider->DataChangedLocked());
  if (FProvider->HasCustomDataSource() && !IsSmartLoad()) {
    LoadRecordsFromProvider();
    FInLoadStorage = true;
    TScopeExit done([this] { FInLoadStorage = false; });
    CheckSelectionAndBookmark(-1);
    CheckFocusedRecord();
  }
  Change({dccData});
  StorageLoaded();
  StorageLoadedHook();
}

void TvxCustomDataController::LoadRecordsFromProvider() {
  FProvider->IncLockCount();
  TScopeExit unlock([this] { FProvider->DecLockCount(); });
  FDataStorage->BeginLoad();
  FProvider->LoadSourceData();
  FDataStorage->EndLoad();
}

void TvxCustomDataController::CheckFocusedRecord() { FDataControllerInfo->RefreshFocused(); }

void TvxCustomDataController::InternalRecordsCleared() {
  if (FProvider) FProvider->SetSavedRecordIndex(0);
  FNewItemRecordIndex = 0;
}

Integer TvxCustomDataController::AppendRecordFromReader(TvxValueDefReader* AReader) {
  Integer index = FDataStorage->AppendRecord();
  FDataStorage->ReadRecord(index, AReader);
  RecordAdded(index);
  return index;
}

void TvxCustomDataController::RecordAdded(Integer ARecordIndex) { FProvider->RecordAddedHook(ARecordIndex); }

// --- Controller: records and values --------------------------------------------------------

Integer TvxCustomDataController::GetRecordCount() { return FDataStorage->RecordCount(); }

Integer TvxCustomDataController::FilteredRecordCount() const { return FDataControllerInfo->FilteredRecordCount(); }

Integer TvxCustomDataController::AppendRecord() {
  Integer index;
  if (IsProviderMode()) index = FProvider->AppendSourceRecord();
  else index = FDataStorage->AppendRecord();
  DataChanged(dcNew, -1, -1);
  return index;
}

Integer TvxCustomDataController::InsertRecord(Integer ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex > RecordCount()) RaiseOperationError(vxSDataRecordIndexError);
  Integer index;
  if (IsProviderMode()) {
    index = FProvider->InsertSourceRecord(ARecordIndex);
  } else {
    index = FDataStorage->InsertRecord(ARecordIndex);
    ShiftDetailsAfterInsert(ARecordIndex);
    // Stored record indexes at or after the new record move up with their records.
    auto shift = [&](Integer& r) {
      if (r >= ARecordIndex) ++r;
    };
    shift(FBookmarkRecordIndex);
    shift(FNearestRecordIndex);
    shift(FDataControllerInfo->FocusingInfo()->RecordIndex);
    shift(FDataControllerInfo->PrevFocusingInfo()->RecordIndex);
    TvxDataSelection* sel = FDataControllerInfo->Selection();
    for (Integer i = 0; i < sel->Count(); ++i)
      if (sel->Items(i).RecordIndex >= ARecordIndex) sel->SetRecordIndex(i, sel->Items(i).RecordIndex + 1);
  }
  DataChanged(dcNew, -1, -1);
  return index;
}

void TvxCustomDataController::ShiftRecordIndexesAfterDelete(Integer ARecordIndex) {
  auto follow = [&](Integer& r) {
    if (r == ARecordIndex) r = -1;
    else if (r > ARecordIndex) --r;
  };
  follow(FBookmarkRecordIndex);
  follow(FNearestRecordIndex);
  // The focus stays at its position: on the record that took the deleted one's place,
  // or on the new last record.
  auto keepPlace = [&](Integer& r) {
    if (r > ARecordIndex) --r;
    else if (r == ARecordIndex && r >= FDataStorage->RecordCount()) r = FDataStorage->RecordCount() - 1;
  };
  keepPlace(FDataControllerInfo->FocusingInfo()->RecordIndex);
  follow(FDataControllerInfo->PrevFocusingInfo()->RecordIndex);
  TvxDataSelection* sel = FDataControllerInfo->Selection();
  for (Integer i = sel->Count() - 1; i >= 0; --i) {
    Integer r = sel->Items(i).RecordIndex;
    if (r == ARecordIndex) sel->Delete(i);
    else if (r > ARecordIndex) sel->SetRecordIndex(i, r - 1);
  }
  Integer e = FProvider->EditingRecordIndex();
  if (e != vxNoEditRecordIndex && e > ARecordIndex) FProvider->SetEditingRecordIndex(e - 1);
}

void TvxCustomDataController::DeleteRecord(Integer ARecordIndex) {
  CheckRecordRange(ARecordIndex);
  if (ARecordIndex == FProvider->EditingRecordIndex()) FProvider->SetEditingRecordIndex(vxNoEditRecordIndex);
  if (IsProviderMode() && ARecordIndex >= 0) FProvider->DeleteSourceRecord(ARecordIndex);
  FDataStorage->DeleteRecord(ARecordIndex);
  ShiftDetailsAfterDelete(ARecordIndex);
  if (ARecordIndex >= 0) ShiftRecordIndexesAfterDelete(ARecordIndex);
  CheckSelectionAndBookmark(ARecordIndex);
  if (IsNewItemRecord(ARecordIndex)) FNewItemRecordIndex = 0;
  DataChanged(dcDeleted, -1, -1);
}

void TvxCustomDataController::SetRecordCount(Integer Value) {
  if (FProvider->IsGridMode()) return;
  if (Value < 0) Value = 0;
  Integer old = RecordCount();
  if (Value == old) return;
  if (IsProviderMode()) {
    FProvider->SetSourceRecordCount(Value);
  } else {
    FDataStorage->SetRecordCount(Value);
    for (Integer r = old - 1; r >= Value; --r) ShiftRecordIndexesAfterDelete(r);
  }
  if (RecordCount() == old) return;
  CheckSelectionAndBookmark(-1);
  CheckProviderEditing(-1);
  DataChanged(RecordCount() > old ? dcNew : dcDeleted, -1, -1);
}

Variant TvxCustomDataController::GetValue(Integer ARecordIndex, Integer AItemIndex) {
  CheckRecordRange(ARecordIndex);
  return GetFieldValue(ARecordIndex, GetItemField(AItemIndex));
}

String TvxCustomDataController::GetDisplayText(Integer ARecordIndex, Integer AItemIndex) {
  CheckRecordRange(ARecordIndex);
  return GetFieldDisplayText(ARecordIndex, GetItemField(AItemIndex));
}

Variant TvxCustomDataController::GetFieldValue(Integer ARecordIndex, TvxCustomDataField* AField) {
  if (ARecordIndex >= 0 && IsProviderMode() && IsProviderField(AField)) return FProvider->GetSourceValue(ARecordIndex, AField);
  TvxValueDef* d = AField->ValueDef();
  return d ? FDataStorage->GetValue(ARecordIndex, d) : Null();
}

String TvxCustomDataController::GetFieldDisplayText(Integer ARecordIndex, TvxCustomDataField* AField) {
  if (ARecordIndex >= 0 && IsProviderMode() && IsProviderField(AField))
    return FProvider->GetSourceDisplayText(ARecordIndex, AField);
  TvxValueDef* d = AField->ValueDef();
  return d ? FDataStorage->GetDisplayText(ARecordIndex, d) : String();
}

void TvxCustomDataController::SetValue(Integer ARecordIndex, Integer AItemIndex, const Variant& Value) {
  if (FProvider->IsGridMode()) return;
  CheckRecordRange(ARecordIndex);
  TvxCustomDataField* f = GetItemField(AItemIndex);
  if (IsProviderMode() && ARecordIndex >= 0) {
    FProvider->SetSourceValue(ARecordIndex, f, Value);
  } else if (TvxValueDef* d = f->ValueDef()) {
    FDataStorage->SetValue(ARecordIndex, d, Value);
  } else {
    return;
  }
  DataChanged(dcField, AItemIndex, ARecordIndex);
}

void TvxCustomDataController::SetDisplayText(Integer ARecordIndex, Integer AItemIndex, const String& Value) {
  if (FProvider->IsGridMode()) return;
  CheckRecordRange(ARecordIndex);
  TvxCustomDataField* f = GetItemField(AItemIndex);
  if (IsProviderMode() && ARecordIndex >= 0) {
    FProvider->SetSourceDisplayText(ARecordIndex, f, Value);
  } else if (TvxValueDef* d = f->ValueDef()) {
    FDataStorage->SetDisplayText(ARecordIndex, d, Value);
  } else {
    return;
  }
  DataChanged(dcField, AItemIndex, ARecordIndex);
}

Variant TvxCustomDataController::GetRecordId(Integer ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex >= RecordCount()) RaiseOperationError(vxSDataRecordIndexError);
  if (UsesRecordIds()) return Variant(static_cast<int>(FDataStorage->GetRecordID(ARecordIndex)));
  if (IsProviderMode() && FProvider->IsRecordIdSupported()) return FProvider->GetSourceRecordId(ARecordIndex);
  return Null();
}

Variant TvxCustomDataController::GetRecordKeyValue(Integer ARecordIndex, const std::vector<TvxCustomDataField*>& AFields) {
  if (AFields.empty()) return IsProviderMode() ? FProvider->GetSourceRecordId(ARecordIndex) : Null();
  if (AFields.size() == 1) return GetFieldValue(ARecordIndex, AFields[0]);
  std::vector<Variant> values;
  for (TvxCustomDataField* f : AFields) values.push_back(GetFieldValue(ARecordIndex, f));
  return VarArrayOf(values);
}

std::vector<Variant> TvxCustomDataController::GetGroupValues(Integer ARecordIndex) {
  std::vector<Variant> values(static_cast<size_t>(FGroups->GroupingItemCount()), Null());
  if (ARecordIndex < 0 || ARecordIndex >= RecordCount()) return values;
  TvxSortingFieldList* list = FDataControllerInfo->GroupingFieldList();
  for (Integer l = 0; l < list->Count(); ++l) values[static_cast<size_t>(l)] = GetGroupValue(ARecordIndex, list->Items(l).Field);
  return values;
}

void TvxCustomDataController::CopyRecordValues(Integer AFromRecordIndex, Integer AToRecordIndex) {
  TvxValueDefRecordReader reader(FDataStorage.get(), AFromRecordIndex);
  FDataStorage->ReadRecord(AToRecordIndex, &reader);
  if (AToRecordIndex >= 0) {
    if (IsProviderMode())
      for (Integer i = 0; i < GetItemCount(); ++i)
        FProvider->SetSourceValue(AToRecordIndex, FFields->GetItem(i), GetFieldValue(AFromRecordIndex, FFields->GetItem(i)));
    DataChanged(dcRecord, -1, -1);
  }
}

Integer TvxCustomDataController::GetNewItemRecordIndex() {
  if (FNewItemRecordIndex == 0) FNewItemRecordIndex = FDataStorage->AddInternalRecord();
  return FNewItemRecordIndex;
}

// --- Controller: rows, focus, selection, bookmarks ------------------------------------------

Integer TvxCustomDataController::RowCount() const { return FDataControllerInfo->GetRowCount(); }

TvxRowInfo TvxCustomDataController::GetRowInfo(Integer ARowIndex) { return FDataControllerInfo->GetRowInfo(ARowIndex); }

Integer TvxCustomDataController::GetRowIndexByRecordIndex(Integer ARecordIndex, bool AMakeVisible) {
  CheckRecordRange(ARecordIndex);
  return FDataControllerInfo->GetRowIndexByRecordIndex(ARecordIndex, AMakeVisible);
}

Integer TvxCustomDataController::GetNearestRowIndex(Integer ARowIndex) {
  return FDataControllerInfo->GetNearestRowIndex(ARowIndex);
}

Variant TvxCustomDataController::GetRowValue(const TvxRowInfo& ARowInfo, Integer AItemIndex) {
  if (!IsNewItemRecord(ARowInfo.RecordIndex) && ARowInfo.Level < FGroups->GroupingItemCount())
    AItemIndex = FGroups->GroupingItemIndexAt(ARowInfo.Level);
  return GetValue(ARowInfo.RecordIndex, AItemIndex);
}

String TvxCustomDataController::GetRowDisplayText(const TvxRowInfo& ARowInfo, Integer& AItemIndex) {
  if (!IsNewItemRecord(ARowInfo.RecordIndex) && ARowInfo.Level < FGroups->GroupingItemCount())
    AItemIndex = FGroups->GroupingItemIndexAt(ARowInfo.Level);
  return GetDisplayText(ARowInfo.RecordIndex, AItemIndex);
}

Integer TvxCustomDataController::GetFocusedRowIndex() const { return FDataControllerInfo->FocusedRowIndex(); }

void TvxCustomDataController::SetFocusedRowIndex(Integer Value) { FDataControllerInfo->SetFocusedRowIndex(Value); }

Integer TvxCustomDataController::GetFocusedRecordIndex() const { return FDataControllerInfo->FocusedRecordIndex(); }

void TvxCustomDataController::ChangeFocusedRecordIndex(Integer ARecordIndex) {
  TvxCustomDataControllerInfo* info = FDataControllerInfo.get();
  if (info->LockCount() > 0 && !info->Changes().Empty()) {
    // The row list is out of date: remember the record; the recalculation at the end of
    // the bracket puts the focus on its row.
    if (!info->Changes().Contains(dcicFocusedRow)) info->PrevFocusingInfo()->Assign(*info->FocusingInfo());
    info->FocusingInfo()->RecordIndex = ARecordIndex;
    info->FocusingInfo()->Level = ARecordIndex < 0 ? -1 : 0;
    info->AddChanges({dcicFocusedRow, dcicFocusedRecord});
    return;
  }
  Integer row = ARecordIndex < 0 ? -1 : info->GetRowIndexByRecordIndex(ARecordIndex, true);
  SetFocusedRowIndex(row);
}

Integer TvxCustomDataController::GetFocusingRecordIndex() { return FDataControllerInfo->FocusedRecordIndex(); }

Integer TvxCustomDataController::GetFocusedEditRecordIndex() {
  if (FNewItemRowFocused) return GetNewItemRecordIndex();
  Integer row = GetFocusedRowIndex();
  if (row < 0) return vxNoEditRecordIndex;
  return GetRowInfo(row).RecordIndex;
}

bool TvxCustomDataController::FocusSelectedRow(Integer ASelectedIndex) {
  Integer row = GetSelectedRowIndex(ASelectedIndex);
  SetFocusedRowIndex(row);
  return GetFocusedRowIndex() == row;
}

void TvxCustomDataController::FocusNearestRecord() {
  Integer r = FNearestRecordIndex;
  FNearestRecordIndex = -1;
  if (r != -1) ChangeFocusedRecordIndex(r);
}

void TvxCustomDataController::SetNewItemRowFocused(bool Value) {
  if (FNewItemRowFocused == Value) return;
  TControllerUpdate update(this);
  if (Value) FDataControllerInfo->ChangeFocusedRow(-1, false);
  FNewItemRowFocused = Value;
  FDataControllerInfo->FocusedRecordChanged(true);
}

bool TvxCustomDataController::CanFocusRecord(Integer ARecordIndex) {
  if (!FProvider->IsExternalSource() && ARecordIndex != FProvider->EditingRecordIndex()) PostEditingIfNeeded();
  return true;
}

void TvxCustomDataController::PostEditingIfNeeded() {
  if (IsEditing()) Post(false);
}

Integer TvxCustomDataController::GetSelectedCount() const { return FDataControllerInfo->GetSelectedCount(); }

Integer TvxCustomDataController::GetSelectedRowIndex(Integer AIndex) const {
  return FDataControllerInfo->GetSelectedRowIndex(AIndex);
}

void TvxCustomDataController::ChangeRowSelection(Integer ARowIndex, bool ASelection) {
  TControllerUpdate update(this);
  FDataControllerInfo->ChangeRowSelection(ARowIndex, ASelection);
}

void TvxCustomDataController::ClearSelection() {
  TControllerUpdate update(this);
  FDataControllerInfo->ClearSelection();
}

void TvxCustomDataController::SyncSelected(bool) {}

void TvxCustomDataController::SyncSelectionFocusedRecord() {
  if (!FMultiSelect) return;
  TControllerUpdate update(this);
  FDataControllerInfo->Selection()->Clear();
  Integer row = GetFocusedRowIndex();
  if (row >= 0) FDataControllerInfo->ChangeRowSelection(row, true);
}

void TvxCustomDataController::CheckSelectionAndBookmark(Integer ARecordIndex) {
  FDataControllerInfo->CheckSelection();
  CheckBookmarkValid(ARecordIndex);
}

void TvxCustomDataController::CheckProviderEditing(Integer ARecordIndex) {
  Integer e = FProvider->EditingRecordIndex();
  if (e == vxNoEditRecordIndex) return;
  if ((ARecordIndex >= 0 && ARecordIndex <= e) || e >= RecordCount()) FProvider->ResetEditing();
}

bool TvxCustomDataController::IsBookmarkInvalidated(Integer ARecordIndex) {
  return (ARecordIndex != -1 && ARecordIndex == FBookmarkRecordIndex) ||
         FDataControllerInfo->RecordListIndexOf(FBookmarkRecordIndex) < 0;
}

void TvxCustomDataController::CheckBookmarkValid(Integer ARecordIndex) {
  if (FBookmarkRecordIndex != -1 && IsBookmarkInvalidated(ARecordIndex)) {
    ResetBookmark();
    Change({dccBookmark});
  }
}

bool TvxCustomDataController::StoreBookmark() {
  Integer old = FBookmarkRecordIndex;
  FBookmarkRecordIndex = GetFocusedRecordIndex();
  return old != FBookmarkRecordIndex;
}

void TvxCustomDataController::SaveBookmark() {
  if (StoreBookmark()) Change({dccBookmark});
}

void TvxCustomDataController::GotoBookmark() {
  if (FBookmarkRecordIndex != -1) ChangeFocusedRecordIndex(FBookmarkRecordIndex);
}

void TvxCustomDataController::ClearBookmark() {
  if (FBookmarkRecordIndex == -1) return;
  ResetBookmark();
  Change({dccBookmark});
}

// --- Controller: editing ------------------------------------------------------------------

void TvxCustomDataController::Append() { FProvider->Append(); }
void TvxCustomDataController::Insert() { FProvider->Insert(); }
void TvxCustomDataController::Edit() { FProvider->Edit(); }
void TvxCustomDataController::Cancel() {
  if (IsEditing()) FProvider->Cancel();
}
void TvxCustomDataController::Post(bool AForcePost) {
  if (IsEditing()) FProvider->Post(AForcePost);
}
void TvxCustomDataController::PostEditingData() { FProvider->PostEditingData(); }
void TvxCustomDataController::DeleteFocused() { FProvider->DeleteFocused(); }

Integer TvxCustomDataController::GetEditingRecordIndex() {
  return IsEditing() ? FProvider->EditingRecordIndex() : GetFocusedEditRecordIndex();
}

Variant TvxCustomDataController::GetEditValue(Integer AItemIndex, TvxDataEditValueSource AEditValueSource) {
  return FProvider->GetEditValue(GetEditingRecordIndex(), GetItemField(AItemIndex), AEditValueSource);
}

bool TvxCustomDataController::SetEditValue(Integer AItemIndex, const Variant& AValue,
                                           TvxDataEditValueSource AEditValueSource) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  if (!IsEditing()) Edit();
  Integer r = GetEditingRecordIndex();
  if (r == vxNoEditRecordIndex) RaiseOperationError(vxSDataRecordIndexError);
  return FProvider->SetEditValue(r, f, AEditValueSource, AValue);
}

void TvxCustomDataController::DoAfterCancel() {
  if (OnAfterCancel) OnAfterCancel(this);
}
void TvxCustomDataController::DoAfterDelete() {
  if (OnAfterDelete) OnAfterDelete(this);
}
void TvxCustomDataController::DoAfterInsert() {
  if (OnAfterInsert) OnAfterInsert(this);
}
void TvxCustomDataController::DoAfterPost() {
  if (OnAfterPost) OnAfterPost(this);
}
void TvxCustomDataController::DoBeforeCancel() {
  if (OnBeforeCancel) OnBeforeCancel(this);
}
void TvxCustomDataController::DoBeforeDelete(Integer ARecordIndex) {
  if (OnBeforeDelete) OnBeforeDelete(this, ARecordIndex);
}
void TvxCustomDataController::DoBeforeInsert() {
  if (OnBeforeInsert) OnBeforeInsert(this);
}
void TvxCustomDataController::DoBeforePost() {
  if (OnBeforePost) OnBeforePost(this);
}
void TvxCustomDataController::DoNewRecord(Integer ARecordIndex) {
  if (OnNewRecord) OnNewRecord(this, ARecordIndex);
}

bool TvxCustomDataController::DoFilterRecord(Integer ARecordIndex) {
  bool accept = true;
  if (FOnFilterRecord) FOnFilterRecord(this, ARecordIndex, accept);
  return accept;
}

void TvxCustomDataController::FilterChanged() {
  FCheckFocusingAfterFilterNeeded = true;
  Cancel();
  Refresh();
  CheckBookmarkValid(-1);
  UpdatePrevSelectionInfo();
}

void TvxCustomDataController::SetOnFilterRecord(const TvxDataFilterRecordEvent& Value) {
  if (!Value && !FOnFilterRecord) return;
  FOnFilterRecord = Value;
  FilterChanged();
}

// --- Controller: sorting and comparison ------------------------------------------------------

void TvxCustomDataController::ChangeSorting(Integer AItemIndex, TvxDataSortOrder ASortOrder) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  if (GetItemSortOrder(AItemIndex) == ASortOrder) return;
  TControllerUpdate update(this);
  PostEditingIfNeeded();
  FSortingChanged = true;
  FDataControllerInfo->ChangeSorting(f, ASortOrder);
}

void TvxCustomDataController::ClearSorting() {
  if (FDataControllerInfo->SortingFieldList()->Count() == 0) return;
  TControllerUpdate update(this);
  FSortingChanged = true;
  FDataControllerInfo->ClearSorting(false);
}

TvxDataSortOrder TvxCustomDataController::GetItemSortOrder(Integer AItemIndex) {
  TvxSortingFieldList* list = FDataControllerInfo->SortingFieldList();
  Integer i = list->IndexOf(GetItemField(AItemIndex));
  return i < 0 ? soNone : list->Items(i).SortOrder;
}

Integer TvxCustomDataController::CompareRecordsByField(Integer ARecordIndex1, Integer ARecordIndex2,
                                                       TvxCustomDataField* AField) {
  if ((OnCompare && !AField->IsInternal()) || NeedsSpecialCompare(AField)) {
    if (!OnCompare && IsProviderMode() && FProvider->CustomDataSource()->IsNativeCompareFunc() && ARecordIndex1 >= 0 &&
        ARecordIndex2 >= 0)
      return FProvider->CustomCompareRecords(ARecordIndex1, ARecordIndex2, AField);
    Variant v1 = GetCompareValue(ARecordIndex1, AField), v2 = GetCompareValue(ARecordIndex2, AField);
    if (OnCompare) {
      Integer compare = 0;
      OnCompare(this, ARecordIndex1, ARecordIndex2, AField->Index(), v1, v2, compare);
      return compare;
    }
    if (VarIsStr(v1) && VarIsStr(v2)) return CompareTextByOptions(v1, v2);
    return VariantCompare(v1, v2);
  }
  TvxValueDef* d = AField->ValueDef();
  if (!d) return 0;
  if (IsProviderMode()) return FProvider->CompareSourceRecords(ARecordIndex1, ARecordIndex2, AField);
  return FDataStorage->CompareRecords(ARecordIndex1, ARecordIndex2, d);
}

Variant TvxCustomDataController::GetCompareValue(Integer ARecordIndex, TvxCustomDataField* AField) {
  if (AField->NeedConversionFlag() == 2) return Variant(GetFieldDisplayText(ARecordIndex, AField));
  return GetFieldValue(ARecordIndex, AField);
}

bool TvxCustomDataController::NeedsSpecialCompare(TvxCustomDataField* AField) {
  if (AField->NeedConversionFlag() != 0) return AField->NeedConversionFlag() > 0;
  if (AField->NeedConversion() || IsTextCompareByOptions(AField) || IsSortByDisplayText(AField)) return true;
  if (IsProviderMode()) return !FProvider->CustomDataSource()->IsNativeCompare();
  return false;
}

bool TvxCustomDataController::IsTextCompareByOptions(TvxCustomDataField* AField) {
  return (FOptions.Contains(dcoAnsiSort) || FOptions.Contains(dcoCaseInsensitive)) && AField->ValueDef() &&
         AField->ValueDef()->IsNeedConversion();
}

bool TvxCustomDataController::IsSortByDisplayText(TvxCustomDataField* AField) {
  return !AField->IsInternal() && GetItemSortByDisplayText(AField->Index(), FOptions.Contains(dcoSortByDisplayText));
}

Integer TvxCustomDataController::CompareTextByOptions(const Variant& V1, const Variant& V2) {
  bool ansi = FOptions.Contains(dcoAnsiSort), ci = FOptions.Contains(dcoCaseInsensitive);
  if (ansi && ci) return AnsiCompareText(V1.AsString(), V2.AsString());
  if (ansi) return AnsiCompareStr(V1.AsString(), V2.AsString());
  if (ci) return CompareStr(AnsiUpperCase(V1.AsString()), AnsiUpperCase(V2.AsString()));
  return VariantCompare(V1, V2);
}

// --- Controller: listeners, items by id, properties --------------------------------------------

void TvxCustomDataController::AddDataChangedListener(TObject* AInstance, const TNotifyEvent& ADataChangedEvent) {
  FDataChangedListeners.push_back({AInstance, ADataChangedEvent});
}

void TvxCustomDataController::RemoveDataChangedListener(TObject* AInstance) {
  for (auto it = FDataChangedListeners.begin(); it != FDataChangedListeners.end(); ++it)
    if (it->Instance == AInstance) {
      FDataChangedListeners.erase(it);
      return;
    }
}

TvxDataListenerLink* TvxCustomDataController::AddListenerLink() {
  auto* link = new TvxDataListenerLink;
  link->Ref = this;
  FListenerLinks.push_back(link);
  return link;
}

void TvxCustomDataController::RemoveListenerLink(TvxDataListenerLink* ALink) {
  FListenerLinks.erase(std::remove(FListenerLinks.begin(), FListenerLinks.end(), ALink), FListenerLinks.end());
}

TObject* TvxCustomDataController::FindItemByID(Integer AID) {
  for (Integer i = 0; i < GetItemCount(); ++i)
    if (GetItemID(GetItem(i)) == AID) return GetItem(i);
  return nullptr;
}

TObject* TvxCustomDataController::FindItemByName(const String& AName) {
  for (Integer i = 0; i < GetItemCount(); ++i)
    if (SameText(QueryItemName(GetItem(i)), AName)) return GetItem(i);
  return nullptr;
}

String TvxCustomDataController::QueryItemName(TObject* AItem) {
  auto* c = dynamic_cast<TComponent*>(AItem);
  return c ? c->Name() : String();
}

void TvxCustomDataController::SetOptions(TvxDataControllerOptions Value) {
  if (FOptions == Value) return;
  FOptions = Value;
  Refresh();
}

TvxCustomDataSource* TvxCustomDataController::CustomDataSource() const { return FProvider->CustomDataSource(); }

void TvxCustomDataController::SetCustomDataSource(TvxCustomDataSource* Value) {
  if (CustomDataSource() == Value) return;
  FProvider->SetCustomDataSource(Value);
}

void TvxCustomDataHelper::SetTextStored(TvxCustomDataField* AField, bool ATextStored) { AField->FTextStored = ATextStored; }

bool TvxCustomDataController::CanChangeDetailExpanding(Integer ARecordIndex, bool AExpanded) {
  bool allow = true;
  if (AExpanded) DoDetailExpanding(ARecordIndex, allow);
  else DoDetailCollapsing(ARecordIndex, allow);
  return allow;
}

void TvxCustomDataController::ShiftDetailsAfterDelete(Integer ARecordIndex) {
  if (ARecordIndex < 0) return;
  CheckProviderEditing(ARecordIndex);
}

void TvxCustomDataController::DoDetailExpanding(Integer ARecordIndex, bool& AAllow) {
  if (OnDetailExpanding) OnDetailExpanding(this, ARecordIndex, AAllow);
}
void TvxCustomDataController::DoDetailExpanded(Integer ARecordIndex) {
  if (OnDetailExpanded) OnDetailExpanded(this, ARecordIndex);
}
void TvxCustomDataController::DoDetailCollapsing(Integer ARecordIndex, bool& AAllow) {
  if (OnDetailCollapsing) OnDetailCollapsing(this, ARecordIndex, AAllow);
}
void TvxCustomDataController::DoDetailCollapsed(Integer ARecordIndex) {
  if (OnDetailCollapsed) OnDetailCollapsed(this, ARecordIndex);
}

void TvxCustomDataController::BeginReadRecords() {
  FProvider->IncLockCount();
  FProvider->SavePosition();
  FDataStorage->BeginLoad();
}

void TvxCustomDataController::EndReadRecords() {
  FDataStorage->EndLoad();
  FProvider->RestorePosition();
  FProvider->DecLockCount();
  CheckFocusedRecord();
  FDataControllerInfo->Refresh();
}

std::unique_ptr<TvxDataFilterCriteria> TvxCustomDataController::CreateFilter() {
  auto filter = std::make_unique<TvxDataFilterCriteria>(this);
  FFilters->Items.push_back(filter.get());
  return filter;
}

void TvxCustomDataController::DeleteRecordList(std::vector<Integer> AList) {
  std::sort(AList.begin(), AList.end());
  AList.erase(std::unique(AList.begin(), AList.end()), AList.end());
  FProvider->DeleteRecords(AList);
}

void TvxCustomDataController::DeleteSelection() {
  FInDeleteSelection = true;
  TScopeExit done([this] { FInDeleteSelection = false; });
  FProvider->BeginDeleting();
  TScopeExit endDeleting([this] { FProvider->EndDeleting(); });
  FProvider->DeleteSelection();
}

TvxCustomDataRelationList* TvxCustomDataController::Relations() {
  if (!FRelations) FRelations = std::make_unique<TvxCustomDataRelationList>(this);
  return FRelations.get();
}

void TvxCustomDataController::RelationChanged(TvxCustomDataRelation*) {
  if (FDestroying) return;
  Change({dccData});
}

// --- Relations and details ---------------------------------------------------------------

void TvxDetailObject::Clear() {
  for (TvxDetailInfoObject*& slot : FInfoObjects) {
    TvxDetailInfoObject* info = slot;
    slot = nullptr;
    delete info;
  }
  FInfoObjects.clear();
}

void TvxDetailObject::ClearInfoObject(Integer AIndex) {
  if (AIndex < 0 || AIndex >= InfoObjectCount()) return;
  TvxDetailInfoObject* info = FInfoObjects[static_cast<size_t>(AIndex)];
  FInfoObjects[static_cast<size_t>(AIndex)] = nullptr;
  delete info;
}

bool TvxDetailObject::ClearHasChildrenFlag() {
  bool any = false;
  for (TvxDetailInfoObject* info : FInfoObjects)
    if (info && info->HasChildrenAssigned) {
      info->HasChildrenAssigned = false;
      any = true;
    }
  return any;
}

TvxDetailInfoObject* TvxDetailObject::GetInfoObject(Integer AIndex) const {
  return AIndex >= 0 && AIndex < InfoObjectCount() ? FInfoObjects[static_cast<size_t>(AIndex)] : nullptr;
}

void TvxDetailObject::SetInfoObject(Integer AIndex, TvxDetailInfoObject* AInfo) {
  if (AIndex < 0) return;
  if (AIndex >= InfoObjectCount()) FInfoObjects.resize(static_cast<size_t>(AIndex) + 1, nullptr);
  TvxDetailInfoObject*& slot = FInfoObjects[static_cast<size_t>(AIndex)];
  if (slot != AInfo) delete slot;
  slot = AInfo;
}

TObject* TvxDetailObject::GetLinkObject(Integer AIndex) const {
  TvxDetailInfoObject* info = GetInfoObject(AIndex);
  return info ? info->LinkObject : nullptr;
}

void TvxDetailObject::SetLinkObject(Integer AIndex, TObject* AObject) {
  if (AIndex < 0) return;
  if (!GetInfoObject(AIndex)) SetInfoObject(AIndex, new TvxDetailInfoObject);
  TvxDetailInfoObject* info = GetInfoObject(AIndex);
  if (info->LinkObject != AObject) delete info->LinkObject;
  info->LinkObject = AObject;
}

bool TvxDetailObject::IsEmpty() const {
  for (TvxDetailInfoObject* info : FInfoObjects)
    if (info && info->LinkObject) return false;
  return true;
}

TvxCustomDataRelation::TvxCustomDataRelation(TvxCustomDataRelationList* ARelationList, TObject* AItem) : FItem(AItem) {
  if (ARelationList) ARelationList->AddRelation(this);
}

TvxCustomDataRelation::~TvxCustomDataRelation() {
  FDetailDataController = nullptr;
  if (FRelationList) FRelationList->RemoveRelation(this);
}

TvxCustomDataController* TvxCustomDataRelation::DataController() const {
  return FRelationList ? FRelationList->DataController() : nullptr;
}

Integer TvxCustomDataRelation::Index() const { return FRelationList ? FRelationList->IndexOf(this) : -1; }

TvxCustomDataRelationList::~TvxCustomDataRelationList() {
  FLockCount = 1;  // no structure updates while the list goes
  while (!FItems.empty()) delete FItems.back();
}

TvxCustomDataRelation* TvxCustomDataRelationList::Add(TObject* AItem) { return new TvxCustomDataRelation(this, AItem); }

void TvxCustomDataRelationList::Assign(TvxCustomDataRelationList* ASource) {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  Clear();
  for (TvxCustomDataRelation* r : ASource->FItems) Add(r->Item())->Assign(r);
}

void TvxCustomDataRelationList::EndUpdate() {
  --FLockCount;
  Changed(nullptr);
}

void TvxCustomDataRelationList::Clear() {
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  while (!FItems.empty()) delete FItems.back();
}

Integer TvxCustomDataRelationList::IndexOf(const TvxCustomDataRelation* ARelation) const {
  auto it = std::find(FItems.begin(), FItems.end(), ARelation);
  return it == FItems.end() ? -1 : static_cast<Integer>(it - FItems.begin());
}

TvxCustomDataRelation* TvxCustomDataRelationList::FindByItem(TObject* AItem) const {
  for (TvxCustomDataRelation* r : FItems)
    if (r->Item() == AItem) return r;
  return nullptr;
}

void TvxCustomDataRelationList::RemoveByItem(TObject* AItem) { delete FindByItem(AItem); }

void TvxCustomDataRelationList::Move(Integer ACurIndex, Integer ANewIndex) {
  if (ACurIndex == ANewIndex) return;
  TvxCustomDataRelation* r = FItems.at(static_cast<size_t>(ACurIndex));
  FItems.erase(FItems.begin() + ACurIndex);
  FItems.insert(FItems.begin() + std::clamp<Integer>(ANewIndex, 0, Count()), r);
  Changed(nullptr);
}

void TvxCustomDataRelationList::AddRelation(TvxCustomDataRelation* ARelation) {
  FItems.push_back(ARelation);
  ARelation->FRelationList = this;
  Changed(ARelation);
}

void TvxCustomDataRelationList::RemoveRelation(TvxCustomDataRelation* ARelation) {
  auto it = std::find(FItems.begin(), FItems.end(), ARelation);
  if (it != FItems.end()) FItems.erase(it);
  ARelation->FRelationList = nullptr;
  Changed(ARelation);
}

void TvxCustomDataRelationList::Changed(TvxCustomDataRelation* ARelation) {
  if (FLockCount != 0 || FDataController->Destroying()) return;
  FDataController->BeginUpdate();
  TScopeExit end([this] { FDataController->EndUpdate(); });
  if (FItems.empty()) {
    TvxCustomDataField* f = FDataField;
    FDataField = nullptr;
    delete f;
  } else if (FDataField) {
    for (Integer r = 0; r < FDataController->RecordCount(); ++r)
      if (TvxDetailObject* d = GetStoredDetailObject(r)) d->Clear();
  } else {
    TvxCustomDataField* f = FDataController->AddInternalField();
    f->SetValueTypeClass(TvxObjectValueType::Class());
    FDataField = f;
  }
  FDataController->RelationChanged(ARelation);
}

void TvxCustomDataRelationList::RemoveDataField(TvxCustomDataField* AField) {
  if (AField == FDataField) FDataField = nullptr;
  for (TvxCustomDataRelation* r : FItems) r->RemoveDataField(AField);
}

bool TvxCustomDataRelationList::IsEmpty() const {
  for (TvxCustomDataRelation* r : FItems)
    if (r->DetailDataController()) return false;
  return true;
}

TvxDetailObject* TvxCustomDataRelationList::GetStoredDetailObject(Integer ARecordIndex) {
  if (!FDataField || !FDataField->ValueDef()) return nullptr;
  Variant v = FDataController->DataStorage()->GetValue(ARecordIndex, FDataField->ValueDef());
  if (v.IsNull()) return nullptr;
  return dynamic_cast<TvxDetailObject*>(TvxObjectValueType::ObjectOf(v.AsInteger()));
}

void TvxCustomDataRelationList::CheckDetailObject(TvxDetailObject* AObject) {
  if (AObject->InfoObjectCount() < Count()) AObject->FInfoObjects.resize(static_cast<size_t>(Count()), nullptr);
  if (AObject->InfoObjectCount() == 0) {
    AObject->ActiveRelationIndex = -1;
    return;
  }
  AObject->ActiveRelationIndex = std::clamp<Integer>(AObject->ActiveRelationIndex, 0, std::min(Count(), AObject->InfoObjectCount()) - 1);
  if (!GetItem(AObject->ActiveRelationIndex)->DetailDataController())
    for (Integer i = 0; i < Count(); ++i)
      if (GetItem(i)->DetailDataController()) {
        AObject->ActiveRelationIndex = i;
        break;
      }
}

TvxDetailObject* TvxCustomDataRelationList::GetDetailObject(Integer ARecordIndex) {
  FDataController->CheckRecordRange(ARecordIndex);
  if (!FDataField || !FDataField->ValueDef()) return nullptr;
  TvxDetailObject* d = GetStoredDetailObject(ARecordIndex);
  TvxValueDef* def = FDataField->ValueDef();
  TvxDataStorage* s = FDataController->DataStorage();
  if (!IsEmpty()) {
    if (!d) {
      d = new TvxDetailObject;
      d->ActiveRelationIndex = FDataController->GetDefaultActiveRelationIndex();
      s->SetValue(ARecordIndex, def, Variant(TvxObjectValueType::HandleOf(d)));
    }
    CheckDetailObject(d);
    return d;
  }
  if (d) {
    s->SetValue(ARecordIndex, def, Null());  // the record's slot frees the object
    s->SetValue(ARecordIndex, def, Variant(0));
  }
  return nullptr;
}

bool TvxCustomDataRelationList::ClearDetailObject(Integer ARecordIndex, Integer ARelationIndex) {
  FDataController->CheckRecordRange(ARecordIndex);
  TvxDetailObject* d = GetStoredDetailObject(ARecordIndex);
  if (!d) return false;
  if (ARelationIndex == -1) d->Clear();
  else d->ClearInfoObject(ARelationIndex);
  return true;
}

bool TvxCustomDataRelationList::IsDetailObjectExist(Integer ARecordIndex, Integer ARelationIndex) {
  FDataController->CheckRecordRange(ARecordIndex);
  TvxDetailObject* d = GetStoredDetailObject(ARecordIndex);
  if (!d) return false;
  if (ARelationIndex == -1) return !d->IsEmpty();
  return d->GetLinkObject(ARelationIndex) != nullptr;
}

const TUnitInfo vxCustomDataUnit = {L"vxCustomData", nullptr, nullptr};
