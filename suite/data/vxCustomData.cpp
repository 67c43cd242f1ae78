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

void TvxDataSelection::Merge(const std::vector<TItem>& AItems) {
  if (AItems.empty()) return;
  std::vector<TItem> merged;
  merged.reserve(FItems.size() + AItems.size());
  std::merge(FItems.begin(), FItems.end(), AItems.begin(), AItems.end(), std::back_inserter(merged),
             [](const TItem& a, const TItem& b) { return a.RowIndex < b.RowIndex; });
  FItems = std::move(merged);
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


const TUnitInfo vxCustomDataUnit = {L"vxCustomData", nullptr, nullptr};
