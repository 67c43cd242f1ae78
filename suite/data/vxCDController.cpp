#include "vxCustomDataInternal.h"

#include <algorithm>

using vxCustomDataInternal::RaiseOperationError;

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

namespace {

// A fresh object of AClass when that class is a T other than ACurrent's, else nullptr.
template <class T>
std::unique_ptr<T> NewCollaborator(TClass AClass, const TObject* ACurrent, TvxCustomDataController* AController) {
  if (!AClass || (ACurrent && ACurrent->ClassType() == AClass) || !AClass->InheritsFrom(T::StaticClass())) return nullptr;
  TObject* o = AClass->NewInstance(static_cast<TPersistent*>(AController));
  T* t = dynamic_cast<T*>(o);
  if (!t) {
    delete o;
    return nullptr;
  }
  t->AfterConstruction();
  return std::unique_ptr<T>(t);
}

}  // namespace

void TvxCustomDataController::AfterConstruction() {
  TPersistent::AfterConstruction();
  if (auto filter = NewCollaborator<TvxDataFilterCriteria>(GetFilterCriteriaClass(), FFilter.get(), this)) {
    std::erase(FFilters->Items, static_cast<TObject*>(FFilter.get()));
    FFilter = std::move(filter);
    FFilters->Items.push_back(FFilter.get());
  }
  if (auto search = NewCollaborator<TvxDataControllerSearch>(GetSearchClass(), FSearch.get(), this))
    FSearch = std::move(search);
  if (auto summary = NewCollaborator<TvxDataSummary>(GetSummaryClass(), FSummary.get(), this))
    FSummary = std::move(summary);
  if (auto provider = NewCollaborator<TvxCustomDataProvider>(GetDataProviderClass(), FProvider.get(), this))
    FProvider = std::move(provider);
  if (auto selection = NewCollaborator<TvxDataSelection>(GetDataSelectionClass(), FDataControllerInfo->Selection(), this))
    FDataControllerInfo->SetSelection(std::move(selection));
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
  // Filters made by CreateFilter may outlive the controller: they forget it.
  for (TObject* o : FFilters->Items)
    if (auto* filter = dynamic_cast<TvxDataFilterCriteria*>(o)) filter->FDataController = nullptr;
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
  if (FAfterSummaryFlag) {
    FAfterSummaryFlag = false;
    FSummary->FireAfterSummary();
  }
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
  FSortingBySummaryChanged = false;
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
  TUpdateScope update(this);
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
  FFilters->RemoveField(AField);  // the controller's filter and those made by CreateFilter
  FSummary->RemoveItemByField(AField);
  if (FDataControllerInfo) FDataControllerInfo->SortingFieldList()->Remove(AField);
  if (FIncrementalFilterField == AField) {
    // The rows were filtered by the field: they are rebuilt without it.
    bool wasActive = IsIncrementalFilter();
    FIncrementalFilterField = nullptr;
    FIncrementalFilterText.clear();
    if (wasActive) FDataControllerInfo->Refresh();
  }
  if (FSortingBySummaryDataItemField == AField) FSortingBySummaryDataItemField = nullptr;
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
    if (!IsPattern()) LoadRecordsFromProvider();
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
  if (FProvider->IsGridMode()) {
    FDataStorage->BeginLoad();
    TScopeExit endLoad([this] { FDataStorage->EndLoad(); });
    FProvider->LoadGridModeRecords();
    return;
  }
  FProvider->IncLockCount();
  TScopeExit unlock([this] { FProvider->DecLockCount(); });
  FProvider->SavePosition();
  TScopeExit restore([this] { FProvider->RestorePosition(); });
  FProvider->First();
  if (FProvider->RecreatedFieldsAfterFirst()) PrepareFields();
  FDataStorage->BeginLoad();
  {
    TScopeExit endLoad([this] { FDataStorage->EndLoad(); });
    if (IsProviderMode()) {
      FProvider->LoadSourceData();
    } else {
      // The provider walks its own records; a reader of its class hands over the values
      // of the current one.
      std::unique_ptr<TvxValueDefReader> reader = NewValueDefReader();
      while (!FProvider->IsEOF()) {
        Integer index = FDataStorage->AppendRecord();
        FDataStorage->ReadRecord(index, reader.get());
        RecordAdded(index);
        FProvider->Next();
      }
    }
  }
  FLoadedStorage = FProvider->ActiveChanging();
}

std::unique_ptr<TvxValueDefReader> TvxCustomDataController::NewValueDefReader() {
  TClass cls = FProvider->GetValueDefReaderClass();
  if (cls && cls->InheritsFrom(TvxValueDefReader::StaticClass()))
    if (TObject* o = cls->NewInstance(FProvider.get())) {
      if (auto* reader = dynamic_cast<TvxValueDefReader*>(o)) return std::unique_ptr<TvxValueDefReader>(reader);
      delete o;
    }
  return std::make_unique<TvxValueDefReader>();
}

Integer TvxCustomDataController::SmartLoadAppendRecord() {
  TValueScope<bool> smartLoad(FInSmartLoad, true);
  Integer index;
  if (IsProviderMode()) {
    index = FProvider->AppendSourceRecord();
  } else {
    // A fresh reader of the provider's class gives the record its values (the base reader
    // answers Null for each: an all-null record).
    std::unique_ptr<TvxValueDefReader> reader = NewValueDefReader();
    index = AppendRecordFromReader(reader.get());
  }
  DataChanged(dcNew, -1, -1);
  return index;
}

void TvxCustomDataController::SmartLoadDeleteRecord(Integer ARecordIndex) {
  if (IsProviderMode() && ARecordIndex >= 0) FProvider->DeleteSourceRecord(ARecordIndex);
  FDataStorage->DeleteRecord(ARecordIndex);
}

Integer TvxCustomDataController::FindRecordByGroupValues(Integer ARecordIndex, Integer ALevelCount, bool AIsSorted) {
  const Integer p = FDataControllerInfo->FindRecordListIndexByGroupValues(ARecordIndex, ALevelCount, AIsSorted);
  return p < 0 ? -1 : FDataControllerInfo->GetInternalRecordIndex(p);
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
  if (IsSmartLoad()) return SmartLoadAppendRecord();
  Integer index;
  if (IsProviderMode()) index = FProvider->AppendSourceRecord();
  else index = FDataStorage->AppendRecord();
  DataChanged(dcNew, -1, -1);
  return index;
}

Integer TvxCustomDataController::InsertRecord(Integer ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex > RecordCount()) RaiseOperationError(vxSDataRecordIndexError);
  if (IsSmartLoad()) return SmartLoadAppendRecord();
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
  if (IsSmartLoad() && FInSmartLoad) {
    SmartLoadDeleteRecord(ARecordIndex);
    return;
  }
  if (ARecordIndex == FProvider->EditingRecordIndex()) FProvider->SetEditingRecordIndex(vxNoEditRecordIndex);
  if (IsProviderMode() && ARecordIndex >= 0) FProvider->DeleteSourceRecord(ARecordIndex);
  FDataStorage->DeleteRecord(ARecordIndex);
  ShiftDetailsAfterDelete(ARecordIndex);
  if (ARecordIndex >= 0) ShiftRecordIndexesAfterDelete(ARecordIndex);
  CheckSelectionAndBookmark(ARecordIndex);
  if (IsNewItemRecord(ARecordIndex)) FNewItemRecordIndex = 0;
  DataChanged(dcDeleted, -1, -1);
}

void TvxCustomDataController::DeleteRecordsInOnePass(const std::vector<Integer>& AList) {
  if (AList.empty()) return;
  CheckRecordRange(AList.front());
  CheckRecordRange(AList.back());
  Integer oldCount = RecordCount();
  // Each record's index after the deletion (-1 for a deleted one), built once.
  std::vector<Integer> moved(static_cast<size_t>(oldCount));
  {
    size_t k = 0;
    Integer gone = 0;
    for (Integer r = 0; r < oldCount; ++r) {
      if (k < AList.size() && AList[k] == r) {
        moved[static_cast<size_t>(r)] = -1;
        ++k;
        ++gone;
      } else {
        moved[static_cast<size_t>(r)] = r - gone;
      }
    }
  }
  auto movedOf = [&](Integer r) {
    if (r < 0) return r;
    return r < oldCount ? moved[static_cast<size_t>(r)] : r - static_cast<Integer>(AList.size());
  };
  Integer e = FProvider->EditingRecordIndex();
  if (e != vxNoEditRecordIndex && e >= 0 && movedOf(e) < 0) FProvider->SetEditingRecordIndex(vxNoEditRecordIndex);
  bool newItem = false;
  for (Integer r : AList) newItem = newItem || IsNewItemRecord(r);
  FDataStorage->DeleteRecords(AList);
  Integer newCount = RecordCount();
  // A deleted record at or before the edited one ends the edit, as a single deletion does;
  // the detail controllers of the kept records follow their records in one walk.
  CheckProviderEditing(AList.front());
  MoveDetailMasterIndexes([&](Integer r) { return movedOf(r); });
  auto follow = [&](Integer& r) {
    if (r >= 0) r = movedOf(r);
  };
  follow(FBookmarkRecordIndex);
  follow(FNearestRecordIndex);
  follow(FDataControllerInfo->PrevFocusingInfo()->RecordIndex);
  // A deleted focused record hands its place to the next kept record after it, or, when
  // none is left after it, to the new last record (as deleting from the last up does).
  Integer& focused = FDataControllerInfo->FocusingInfo()->RecordIndex;
  if (focused >= 0 && focused < oldCount) {
    Integer next = focused;
    while (next < oldCount && moved[static_cast<size_t>(next)] < 0) ++next;
    focused = next < oldCount ? moved[static_cast<size_t>(next)] : newCount - 1;
  } else {
    follow(focused);
  }
  TvxDataSelection* sel = FDataControllerInfo->Selection();
  for (Integer i = 0; i < sel->Count(); ++i) {
    Integer r = sel->Items(i).RecordIndex;
    if (r >= 0) sel->SetRecordIndex(i, movedOf(r));
  }
  sel->DeleteWhere([](const TvxDataSelection::TItem& AItem) { return AItem.RecordIndex == -1; });
  e = FProvider->EditingRecordIndex();
  if (e != vxNoEditRecordIndex && e >= 0) FProvider->SetEditingRecordIndex(movedOf(e));
  CheckSelectionAndBookmark(-1);
  if (newItem) FNewItemRecordIndex = 0;
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

bool TvxCustomDataController::MatchFieldDisplayText(Integer ARecordIndex, TvxCustomDataField* AField,
                                                    const String& AText, bool APartial) {
  if (!(ARecordIndex >= 0 && IsProviderMode() && IsProviderField(AField)))
    if (TvxValueDef* d = AField->ValueDef()) {
      bool empty;
      if (const String* s = FDataStorage->PeekDisplayText(ARecordIndex, d, empty)) return MatchSearchText(*s, AText, APartial);
      if (empty) return MatchSearchText(String(), AText, APartial);
    }
  return MatchSearchText(GetFieldDisplayText(ARecordIndex, AField), AText, APartial);
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
  TUpdateScope update(this);
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

// With single selection the selection is the focused row (unless SyncSelected(False)
// took it away); with multiple selection it is the row info's list.
Integer TvxCustomDataController::GetSelectedCount() const {
  if (!FMultiSelect) return FFocusedSelected && FDataControllerInfo->FocusedRowIndex() >= 0 ? 1 : 0;
  return FDataControllerInfo->GetSelectedCount();
}

Integer TvxCustomDataController::GetSelectedRowIndex(Integer AIndex) const {
  if (!FMultiSelect) return AIndex == 0 && GetSelectedCount() == 1 ? FDataControllerInfo->FocusedRowIndex() : -1;
  return FDataControllerInfo->GetSelectedRowIndex(AIndex);
}

bool TvxCustomDataController::IsRowSelected(Integer ARowIndex) {
  if (!FMultiSelect) return FFocusedSelected && ARowIndex >= 0 && ARowIndex == FDataControllerInfo->FocusedRowIndex();
  return FDataControllerInfo->IsRowSelected(ARowIndex);
}

void TvxCustomDataController::ChangeRowSelection(Integer ARowIndex, bool ASelection) {
  TUpdateScope update(this);
  FDataControllerInfo->ChangeRowSelection(ARowIndex, ASelection);
}

void TvxCustomDataController::ClearSelection() {
  TUpdateScope update(this);
  FDataControllerInfo->ClearSelection();
}

void TvxCustomDataController::SyncSelected(bool ASelected) {
  if (FMultiSelect || FFocusedSelected == ASelected) return;
  FFocusedSelected = ASelected;
  Integer row = FDataControllerInfo->FocusedRowIndex();
  if (row < 0) return;
  // The notification names the focused row whichever way its selection changed.
  FPrevSelectionChangedInfo.SelectedCount = 1;
  FPrevSelectionChangedInfo.RowIndex = row;
  Change({dccSelection});
}

void TvxCustomDataController::SyncSelectionFocusedRecord() {
  Integer row = GetFocusedRowIndex();
  if (row < 0) {
    ClearSelection();
    return;
  }
  if (!FMultiSelect) return;
  FDataControllerInfo->Selection()->AnchorRowIndex = row;
  SelectFromAnchor(row, false);
}

void TvxCustomDataController::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value) return;
  FMultiSelect = Value;
  FFocusedSelected = true;
  {
    TUpdateScope update(this);
    if (!Value) {
      FDataControllerInfo->ClearSelection();
    } else if (GetFocusedRowIndex() >= 0) {
      FDataControllerInfo->ChangeRowSelection(GetFocusedRowIndex(), true);
    }
  }
  if (FSummary->Options().Contains(vxCustomData::soSelectedRecords) ||
      FSummary->Options().Contains(vxCustomData::soMultipleSelectedRecords))
    FSummary->Recalculate();
}

void TvxCustomDataController::SelectRows(Integer AStartRowIndex, Integer AEndRowIndex) {
  if (!FMultiSelect) return;
  if (AStartRowIndex > AEndRowIndex) std::swap(AStartRowIndex, AEndRowIndex);
  TUpdateScope update(this);
  FDataControllerInfo->SelectRange(AStartRowIndex, AEndRowIndex);
}

void TvxCustomDataController::SelectAll() {
  if (RowCount() > 0) SelectRows(0, RowCount() - 1);
}

void TvxCustomDataController::SetSelectionAnchor(Integer ARowIndex) {
  FDataControllerInfo->CheckRowIndex(ARowIndex);
  FDataControllerInfo->Selection()->AnchorRowIndex = ARowIndex;
}

void TvxCustomDataController::ClearSelectionAnchor() { FDataControllerInfo->ClearSelectionAnchor(); }

Integer TvxCustomDataController::GetSelectionAnchorRowIndex() { return FDataControllerInfo->Selection()->AnchorRowIndex; }

bool TvxCustomDataController::IsSelectionAnchorExist() { return GetSelectionAnchorRowIndex() != -1; }

void TvxCustomDataController::SelectFromAnchor(Integer ARowIndex, bool AKeepSelection) {
  if (!IsSelectionAnchorExist()) return;
  TUpdateScope update(this);
  if (!AKeepSelection) FDataControllerInfo->ClearSelection();
  SelectRows(GetSelectionAnchorRowIndex(), ARowIndex);
}

void TvxCustomDataController::CheckFocusedSelected() {
  if (!FMultiSelect) return;
  TUpdateScope update(this);
  FDataControllerInfo->ClearSelection();
  if (GetFocusedRowIndex() >= 0) FDataControllerInfo->ChangeRowSelection(GetFocusedRowIndex(), true);
}

void TvxCustomDataController::ForEachRow(bool ASelectedRows,
                                         const std::function<void(Integer ARowIndex, const TvxRowInfo& ARowInfo)>& AProc) {
  if (ASelectedRows) {
    for (Integer i = 0; i < GetSelectedCount(); ++i) {
      Integer row = GetSelectedRowIndex(i);
      AProc(row, GetRowInfo(row));
    }
  } else {
    for (Integer row = 0; row < RowCount(); ++row) AProc(row, GetRowInfo(row));
  }
}

TvxDataControllerEditState TvxCustomDataController::QueryEditState() {
  TvxDataControllerEditState state;
  if (FProvider->IsInserting()) state.Include(dceInsert);
  else if (FProvider->IsEditing()) state.Include(dceEdit);
  if (!state.Empty()) {
    if (FProvider->IsChanging()) state.Include(dceChanging);
    if (FProvider->IsModified()) state.Include(dceModified);
  }
  return state;
}

TvxDataControllerEditOperations TvxCustomDataController::QueryEditOperations() {
  TvxDataControllerEditOperations ops;
  if (FProvider->CanAppend()) ops.Include(dceoAppend);
  if (FProvider->CanDelete()) ops.Include(dceoDelete);
  if (FProvider->CanModify()) ops.Include(dceoEdit);
  if (FProvider->CanInsert()) ops.Include(dceoInsert);
  if (!FProvider->IsExternalSource() || FProvider->IsExternalEditing()) ops.Include(dceoShowEdit);
  return ops;
}

void TvxCustomDataController::CheckFocusedRow() {
  if (GetFocusedRowIndex() < 0 && !NewItemRowFocused()) SetFocusedRowIndex(0);
}

void TvxCustomDataController::GotoFirst() {
  if (IsGridMode()) FProvider->First();
  else SetFocusedRowIndex(0);
}

void TvxCustomDataController::GotoLast() {
  if (IsGridMode()) FProvider->Last();
  else SetFocusedRowIndex(RowCount() - 1);
}

void TvxCustomDataController::GotoNext() {
  if (IsGridMode()) FProvider->Next();
  else SetFocusedRowIndex(std::min(GetFocusedRowIndex() + 1, RowCount() - 1));
}

void TvxCustomDataController::GotoPrev() {
  if (IsGridMode()) FProvider->Prev();
  else SetFocusedRowIndex(std::max<Integer>(GetFocusedRowIndex() - 1, 0));
}

void TvxCustomDataController::MoveBy(Integer ADistance) {
  if (IsGridMode()) FProvider->MoveBy(ADistance);
  else SetFocusedRowIndex(std::min(std::max<Integer>(GetFocusedRowIndex() + ADistance, 0), RowCount() - 1));
}

void TvxCustomDataController::Scroll(Integer ADistance) {
  if (IsGridMode()) FProvider->Scroll(ADistance);
}

bool TvxCustomDataController::IsBOF() {
  if (IsGridMode()) return FProvider->IsBOF();
  return RowCount() == 0 || GetFocusedRowIndex() == 0;
}

bool TvxCustomDataController::IsEOF() {
  if (IsGridMode()) return FProvider->IsEOF();
  return RowCount() == 0 || GetFocusedRowIndex() == RowCount() - 1;
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
  TvxSortingFieldList* list = FDataControllerInfo->SortingFieldList();
  Integer listed = list->IndexOf(f);
  if ((listed < 0 ? soNone : list->Items(listed).SortOrder) == ASortOrder) return;
  TUpdateScope update(this);
  PostEditingIfNeeded();
  FSortingChanged = true;
  FDataControllerInfo->ChangeSorting(f, ASortOrder);
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
  const TvxCustomDataField::TSortKey* keys = AField->SortKeys();
  if (keys && ARecordIndex1 >= 0 && ARecordIndex2 >= 0 && ARecordIndex1 < AField->SortKeyCount() &&
      ARecordIndex2 < AField->SortKeyCount()) {
    const auto& k1 = keys[ARecordIndex1];
    const auto& k2 = keys[ARecordIndex2];
    if (k1.IsNull || k2.IsNull) return k1.IsNull ? (k2.IsNull ? 0 : -1) : 1;
    return d->ValueTypeClass()->CompareData(const_cast<Byte*>(k1.Data), const_cast<Byte*>(k2.Data));
  }
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
  return !FInternalFindRecord && !AField->IsInternal() && GetItemSortByDisplayText(AField->Index(), FOptions.Contains(dcoSortByDisplayText));
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
  ShiftDetailMasterIndexes(ARecordIndex, -1);
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

// The collaborators' constructors for class references (the argument is the controller).
TvxDataControllerSearch::TvxDataControllerSearch(TPersistent* AController)
    : TvxDataControllerSearch(static_cast<TvxCustomDataController*>(AController)) {}
TvxDataSelection::TvxDataSelection(TPersistent* AController)
    : TvxDataSelection(static_cast<TvxCustomDataController*>(AController)) {}
TvxDataFilterCriteria::TvxDataFilterCriteria(TPersistent* AController)
    : TvxDataFilterCriteria(static_cast<TvxCustomDataController*>(AController)) {}
TvxDataSummary::TvxDataSummary(TPersistent* AController)
    : TvxDataSummary(static_cast<TvxCustomDataController*>(AController)) {}
TvxCustomDataProvider::TvxCustomDataProvider(TPersistent* AController)
    : TvxCustomDataProvider(static_cast<TvxCustomDataController*>(AController)) {}
