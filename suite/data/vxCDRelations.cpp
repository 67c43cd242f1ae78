#include "vxCustomDataInternal.h"

#include <algorithm>

using vxCustomDataInternal::RaiseOperationError;

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
  // The pattern leaves detail mode, and every clone of this relation forgets it, before
  // the relation goes.
  if (TvxCustomDataController* pattern = DetailDataController()) {
    SetDetailDataController(nullptr);
    if (pattern->GetMasterRelation() == this) {
      TvxCustomDataController* master = DataController();
      if (master && master->Destroying()) pattern->ForgetMasterRelation();
      else pattern->SetMasterMode(nullptr, pattern->IsPattern());
    }
  }
  if (FRelationList) {
    FRelationList->DataController()->ReleaseDetailsOf(this);
    FRelationList->RemoveRelation(this);
  }
}

TvxCustomDataController* TvxCustomDataRelation::DetailDataController() const {
  return FDetailLink ? FDetailLink->Ref : nullptr;
}

void TvxCustomDataRelation::SetDetailDataController(TvxCustomDataController* Value) {
  if (DetailDataController() == Value) return;
  if (FDetailLink) {
    if (FDetailLink->Ref) FDetailLink->Ref->RemoveListenerLink(FDetailLink);
    delete FDetailLink;
    FDetailLink = nullptr;
  }
  if (Value) FDetailLink = Value->AddListenerLink();
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
