#include "vxCustomDataInternal.h"

#include <algorithm>

using vxCustomDataInternal::RaiseOperationError;

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
    TUpdateScope update(c);
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
    TUpdateScope update(c);
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
    TUpdateScope update(c);
    Integer e = FEditingRecordIndex;
    if (IsEditing() && (e < c->RecordCount() || c->IsNewItemRecord(e))) {
      if (FInserting) {
        if (!c->IsNewItemRecord(e) && e >= 0) {
          Integer focused = c->GetFocusedRecordIndex();
          {
            // A control that loads its records itself takes the record back its own way.
            TValueScope<bool> smartLoad(c->FInSmartLoad, c->IsSmartLoad());
            c->DeleteRecord(e);
          }
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
    TUpdateScope update(c);
    if (!provider && !c->OnBeforeDelete && !c->OnAfterDelete) {
      // Nobody watches the single deletions: move the records and the stored indexes
      // once instead of once per record.
      c->DeleteRecordsInOnePass(AList);
    } else {
      for (auto it = AList.rbegin(); it != AList.rend(); ++it) {
        c->DoBeforeDelete(*it);
        c->DeleteRecord(*it);
        c->DoAfterDelete();
      }
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
