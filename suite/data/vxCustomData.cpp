#include "vxCustomDataInternal.h"

#include <algorithm>
#include <iterator>

using vxCustomDataInternal::RaiseOperationError;

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
  if (FReferenceField && FFieldList) --FFieldList->FReferringCount;
  FReferenceField = nullptr;
  FValueDef = ASource->FValueDef;
  if (FValueDef) FValueDef->SetLinkObject(this);
  FValueTypeClass = ASource->FValueTypeClass;
  ASource->FValueDef = nullptr;
  ASource->FValueTypeClass = nullptr;
}

void TvxCustomDataField::SetIsInternal(bool Value) {
  if (FIsInternal == Value) return;
  FIsInternal = Value;
  if (FFieldList) FFieldList->UpdateInternalCount();
}

void TvxCustomDataField::SetItem(TObject* Value) {
  if (FItem == Value) return;
  if (FFieldList) FFieldList->UnindexItem(this);
  FItem = Value;
  if (FFieldList) FFieldList->IndexItem(this);
}

void TvxCustomDataField::SetReferenceField(TvxCustomDataField* Value) {
  if (FReferenceField == Value) return;
  TvxCustomDataField* end = Value;
  while (end && end->FReferenceField) end = end->FReferenceField;
  if (end == this) return;
  if (!FReferenceField) SetValueTypeClass(nullptr);
  if (FFieldList) FFieldList->FReferringCount += (end != nullptr) - (FReferenceField != nullptr);
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
  if (AField->IsInternal()) {
    FItems.push_back(AField);
    ++FInternalCount;
  } else {
    FItems.insert(FItems.begin() + ItemCount(), AField);
  }
  IndexItem(AField);
}

void TvxCustomDataFieldList::IndexItem(TvxCustomDataField* AField) {
  if (!AField->Item()) return;
  if (!FFieldByItem.emplace(AField->Item(), AField).second) ++FSharedItemCount;
}

void TvxCustomDataFieldList::UnindexItem(TvxCustomDataField* AField) {
  if (!AField->Item()) return;
  auto it = FFieldByItem.find(AField->Item());
  if (it == FFieldByItem.end()) return;
  if (it->second != AField) {
    --FSharedItemCount;
    return;
  }
  FFieldByItem.erase(it);
  if (FSharedItemCount == 0) return;
  // Another field of the same item takes the entry over.
  for (TvxCustomDataField* f : FItems)
    if (f != AField && f->Item() == AField->Item()) {
      FFieldByItem.emplace(f->Item(), f);
      --FSharedItemCount;
      return;
    }
}

TvxCustomDataField* TvxCustomDataFieldList::FieldByItem(TObject* AItem) const {
  if (FSharedItemCount > 0 || !AItem) {
    for (TvxCustomDataField* f : FItems)
      if (f->Item() == AItem) return f;
    return nullptr;
  }
  auto it = FFieldByItem.find(AItem);
  return it == FFieldByItem.end() ? nullptr : it->second;
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
  if (FReferringCount == 0) return;  // no field reads through another: nothing to hand over
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
  if (AField->FReferenceField && AField->FFieldList == this) --FReferringCount;
  // From the end: fields are mostly freed from the last one down.
  auto it = std::find(FItems.rbegin(), FItems.rend(), AField);
  if (it != FItems.rend()) {
    UnindexItem(AField);
    FItems.erase(std::next(it).base());
    if (AField->IsInternal()) --FInternalCount;
  }
  if (FDataController) FDataController->RemoveFieldReferences(AField);
}

void TvxCustomDataFieldList::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

void TvxCustomDataFieldList::UpdateInternalCount() {
  FInternalCount = static_cast<Integer>(std::count_if(FItems.begin(), FItems.end(),
                                                      [](TvxCustomDataField* f) { return f->IsInternal(); }));
}

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

TvxDataSortOrder TvxSortingFieldList::SortOrderByField(TvxCustomDataField* AField) const {
  const Integer i = IndexOf(AField);
  return i < 0 ? soNone : FItems[static_cast<size_t>(i)].SortOrder;
}

void TvxSortingFieldList::AddEntry(TvxCustomDataField* AField, TvxDataSortOrder AOrder) {
  FItems.push_back({AField, AOrder});
  Changed();
}

void TvxSortingFieldList::InsertEntry(Integer AIndex, TvxCustomDataField* AField, TvxDataSortOrder AOrder) {
  FItems.insert(FItems.begin() + std::clamp<Integer>(AIndex, 0, Count()), TItem{AField, AOrder});
  Changed();
}

void TvxSortingFieldList::DeleteEntry(Integer AIndex) {
  FItems.erase(FItems.begin() + AIndex);
  Changed();
}

void TvxSortingFieldList::MoveEntry(Integer ACurIndex, Integer ANewIndex) {
  if (ACurIndex == ANewIndex) return;
  TItem item = FItems.at(static_cast<size_t>(ACurIndex));
  FItems.erase(FItems.begin() + ACurIndex);
  FItems.insert(FItems.begin() + std::clamp<Integer>(ANewIndex, 0, Count()), item);
  Changed();
}

void TvxSortingFieldList::SetEntryOrder(Integer AIndex, TvxDataSortOrder AOrder) {
  TItem& item = FItems.at(static_cast<size_t>(AIndex));
  if (item.SortOrder == AOrder) return;
  item.SortOrder = AOrder;
  Changed();
}

void TvxSortingFieldList::AppendFrom(const TvxSortingFieldList* AList) {
  for (const TItem& item : AList->FItems)
    if (IndexOf(item.Field) < 0) AddEntry(item.Field, item.SortOrder);
}

void TvxSortingFieldList::CheckField(TvxCustomDataField* AField) {
  if (IndexOf(AField) >= 0) Changed();
}

void TvxGroupingFieldList::ChangeSorting(TvxCustomDataField* AField, TvxDataSortOrder ASortOrder) {
  TvxSortingFieldList::ChangeSorting(AField, ASortOrder == soNone ? soAscending : ASortOrder);
}

void TvxGroupingFieldList::UpdateSorting(const TvxSortingFieldList* ASortingFieldList) {
  for (Integer i = 0; i < Count(); ++i) {
    const TvxDataSortOrder order = ASortingFieldList->SortOrderByField(Items(i).Field);
    SetEntryOrder(i, order == soNone ? soAscending : order);
  }
}

void TvxDataFilterList::RemoveField(TvxCustomDataField* AField) {
  for (TObject* o : Items)
    if (auto* filter = dynamic_cast<TvxDataFilterCriteria*>(o)) filter->RemoveItemByField(AField);
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

void TvxDataSelection::Merge(const std::vector<TItem>& AItems) {
  if (AItems.empty()) return;
  std::vector<TItem> merged;
  merged.reserve(FItems.size() + AItems.size());
  std::merge(FItems.begin(), FItems.end(), AItems.begin(), AItems.end(), std::back_inserter(merged),
             [](const TItem& a, const TItem& b) { return a.RowIndex < b.RowIndex; });
  FItems = std::move(merged);
  Changed();
}

bool TvxDataSelection::FindByRowIndex(Integer ARowIndex, Integer& AIndex) const {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), ARowIndex,
                             [](const TItem& a, Integer r) { return a.RowIndex < r; });
  AIndex = static_cast<Integer>(it - FItems.begin());
  return it != FItems.end() && it->RowIndex == ARowIndex;
}

Integer TvxDataSelection::FindByGroupIndex(Integer AGroupIndex) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Level == -1 && FItems[i].RecordIndex == AGroupIndex) return static_cast<Integer>(i);
  return -1;
}

Integer TvxDataSelection::FindByRecordIndex(Integer ARecordIndex) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Level != -1 && FItems[i].RecordIndex == ARecordIndex) return static_cast<Integer>(i);
  return -1;
}

void TvxDataSelection::InsertSelectionItem(Integer AIndex, Integer ARowIndex, Integer ARecordIndex, Integer ALevel) {
  const TItem item{ALevel, ARecordIndex, ARowIndex};
  if (AIndex == -1) FItems.push_back(item);
  else FItems.insert(FItems.begin() + std::clamp<Integer>(AIndex, 0, Count()), item);
}

void TvxDataSelection::Add(Integer AIndex, Integer ARowIndex, Integer ARecordIndex, Integer ALevel) {
  InsertSelectionItem(AIndex, ARowIndex, ARecordIndex, ALevel);
  Changed();
}

void TvxDataSelection::DeleteItem(Integer AIndex) {
  if (FItems.at(static_cast<size_t>(AIndex)).RowIndex == AnchorRowIndex) ResetAnchor();
  FItems.erase(FItems.begin() + AIndex);
}

void TvxDataSelection::SetItemCount(Integer ACount) {
  ACount = std::max<Integer>(ACount, 0);
  while (Count() > ACount) DeleteItem(Count() - 1);
  for (Integer i = Count(); i < ACount; ++i) InsertSelectionItem(-1, i, i, 0);
}

void TvxDataSelection::ClearAll() {
  ResetAnchor();
  FFields.clear();
  FItems.clear();
  Changed();
}

void TvxDataSelection::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const TItem& a, const TItem& b) { return a.RowIndex < b.RowIndex; });
}

void TvxDataSelection::RemoveFilteredRecords() {
  // The records of the row info's record list, marked once.
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  std::vector<char> listed(static_cast<size_t>(std::max<Integer>(FDataController->RecordCount(), 0)), 0);
  for (Integer p = 0; p < info->FilteredRecordCount(); ++p) {
    const Integer r = info->GetInternalRecordIndex(p);
    if (r >= 0 && static_cast<size_t>(r) < listed.size()) listed[static_cast<size_t>(r)] = 1;
  }
  for (Integer i = Count() - 1; i >= 0; --i) {
    const TItem& item = FItems[static_cast<size_t>(i)];
    if (item.Level == -1) continue;
    if (item.RecordIndex < 0 || static_cast<size_t>(item.RecordIndex) >= listed.size() ||
        !listed[static_cast<size_t>(item.RecordIndex)])
      DeleteItem(i);
  }
}

void TvxDataSelection::Delete(Integer AIndex) {
  DeleteItem(AIndex);
  Changed();
}

void TvxDataSelection::Clear() {
  FFields.clear();
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

void TvxDataSelection::DeleteWhere(const std::function<bool(const TItem&)>& AMatch) {
  size_t before = FItems.size();
  std::erase_if(FItems, AMatch);
  if (FItems.size() != before) Changed();
}

void TvxDataSelection::SyncRowIndexes() {
  // Every record's row, found in one pass, instead of a search of the rows per item.
  std::vector<Integer> rows = FDataController->DataControllerInfo()->RecordRows();
  std::vector<TItem> kept;
  kept.reserve(FItems.size());
  for (TItem item : FItems) {
    if (item.Level < 0) continue;  // group rows are not kept across a recalculation
    if (item.RecordIndex < 0 || static_cast<size_t>(item.RecordIndex) >= rows.size()) continue;
    Integer row = rows[static_cast<size_t>(item.RecordIndex)];
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

// --- Unbound reader -------------------------------------------------------------------------

namespace {

TvxValueDef* WrappedDef(TvxValueDef* AValueDef) {
  if (auto* twin = dynamic_cast<TvxInternalValueDef*>(AValueDef)) return twin->GetValueDef();
  return AValueDef;
}

}  // namespace

Variant TvxValueDefUnboundReader::GetValue(TvxValueDef* AValueDef) {
  AValueDef = WrappedDef(AValueDef);
  auto it = std::find(FItems.begin(), FItems.end(), AValueDef);
  if (it == FItems.end()) return Null();
  const size_t i = static_cast<size_t>(it - FItems.begin());
  return i < FValues.size() && FValues[i] ? *FValues[i] : Null();
}

bool TvxValueDefUnboundReader::IsInternal(TvxValueDef* AValueDef) {
  auto* field = dynamic_cast<TvxCustomDataField*>(AValueDef->LinkObject());
  return field && field->IsInternal();
}

void TvxValueDefUnboundReader::SetValue(TvxValueDef* AValueDef, const Variant& AValue) {
  auto it = std::find(FItems.begin(), FItems.end(), AValueDef);
  if (it == FItems.end()) it = FItems.insert(FItems.end(), AValueDef);
  const size_t i = static_cast<size_t>(it - FItems.begin());
  if (FValues.size() < FItems.size()) FValues.resize(FItems.size());
  if (!FValues[i]) FValues[i] = std::make_unique<Variant>();
  *FValues[i] = AValue;
}

void TvxValueDefUnboundReader::Truncate(Integer AItemCount) {
  while (static_cast<Integer>(FValues.size()) > std::max<Integer>(AItemCount, 0)) FValues.pop_back();
}

// --- Locate objects -------------------------------------------------------------------------

TvxDataControllerLocateObject::~TvxDataControllerLocateObject() {
  RunWithoutThrowing([this] { Clear(); });
}

void TvxDataControllerLocateObject::Clear() {
  if (FInternalRecordIndex == 0) return;
  const Integer index = FInternalRecordIndex;
  FInternalRecordIndex = 0;
  FDataController->DataStorage()->DeleteRecord(index);
}

void TvxDataControllerLocateObject::ReadData(TvxValueDefReader* AValueDefReader) {
  if (FInternalRecordIndex == 0) FInternalRecordIndex = FDataController->DataStorage()->AddInternalRecord();
  TCallScope<TvxCustomDataController, &TvxCustomDataController::BeginLocateRead,
             &TvxCustomDataController::EndLocateRead>
      read(FDataController);
  FDataController->DataStorage()->ReadRecord(FInternalRecordIndex, AValueDefReader);
}

TvxDataControllerGroupLocateObject::TvxDataControllerGroupLocateObject(TvxCustomDataController* ADataController)
    : TvxDataControllerLocateObject(ADataController) {
  // Group data sorted by display text is not in the order of the values.
  TvxSortingFieldList* grouping = ADataController->DataControllerInfo()->GroupingFieldList();
  for (Integer i = 0; i < grouping->Count(); ++i)
    if (ADataController->IsSortByDisplayText(grouping->Items(i).Field)) FIsGroupDataSorted = false;
}

Integer TvxDataControllerGroupLocateObject::FindRecordIndex() {
  if (FInternalRecordIndex == 0) return -1;
  TValueScope<bool> internalFind(FDataController->FInternalFindRecord, true);
  return FDataController->FindRecordByGroupValues(FInternalRecordIndex, Level + 1, FIsGroupDataSorted);
}

const TUnitInfo vxCustomDataUnit = {L"vxCustomData", nullptr, nullptr};
