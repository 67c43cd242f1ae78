// Master and detail controllers: a master keeps relations; per master record and relation
// a detail controller (a clone of the relation's pattern) is reached through the detail
// view's link object, which the owning control creates.
#include "vxCustomDataInternal.h"

#include <algorithm>

TvxDataControllerDetailMode TvxCustomDataController::DetailMode() const {
  if (FMasterRelation) return FMasterRecordIndex == -1 ? dcdmPattern : dcdmClone;
  return FIsPattern ? dcdmPattern : dcdmNone;
}

void TvxCustomDataController::SetIsPattern(bool Value) {
  if (FDataChangeRefCount > 0 && FMasterRelation) throw EvdException(L"!");
  bool was = IsPattern();
  FIsPatternSave = Value;
  FIsPattern = Value;
  if (IsPattern() != was && !IsDestroying()) RecreateData();
}

void TvxCustomDataController::AddDataChangeRefCount() {
  ++FDataChangeRefCount;
  FIsPattern = FIsPatternSave && FDataChangeRefCount == 0;
}

void TvxCustomDataController::RemoveDataChangeRefCount() {
  if (FDataChangeRefCount > 0) --FDataChangeRefCount;
  FIsPattern = FIsPatternSave && FDataChangeRefCount == 0;
}

void TvxCustomDataController::SetMasterMode(TvxCustomDataRelation* AMasterRelation, bool AIsPattern) {
  TUpdateScope update(this);
  SetMasterRelation(AMasterRelation, -1);
  SetIsPattern(AIsPattern);
}

void TvxCustomDataController::SetMasterRelation(TvxCustomDataRelation* AMasterRelation, Integer AMasterRecordIndex) {
  if (!FMasterRelation && !AMasterRelation && FMasterRecordIndex == -1 && AMasterRecordIndex == -1) return;
  TUpdateScope update(this);
  if (TvxCustomDataRelation* old = FMasterRelation) {
    if (FMasterRecordIndex == -1) {
      if (old->DetailDataController() == this) old->SetDetailDataController(nullptr);
    } else {
      SetCustomDataSource(nullptr);
    }
    if (TvxCustomDataController* master = old->DataController()) {
      if (master->FCreatingDataController == this) master->FCreatingDataController = nullptr;
      if (!master->Destroying()) master->ClearDetails();
    }
  }
  FMasterRelation = AMasterRelation;
  if (AMasterRelation) {
    if (AMasterRecordIndex == -1) {
      AMasterRelation->SetDetailDataController(this);
    } else {
      TvxCustomDataController* pattern = AMasterRelation->DetailDataController();
      if (pattern && pattern != this) SetCustomDataSource(pattern->CustomDataSource());
      if (TvxCustomDataController* master = AMasterRelation->DataController()) master->FCreatingDataController = this;
    }
  }
  FMasterRecordIndex = AMasterRecordIndex;
  UpdateFields();
}

TvxCustomDataController* TvxCustomDataController::GetMasterDataController() const {
  return FMasterRelation ? FMasterRelation->DataController() : nullptr;
}

TvxCustomDataController* TvxCustomDataController::GetRootDataController() {
  TvxCustomDataController* c = this;
  // Each step goes one level up: a chain of masters cannot be longer than the number of
  // controllers, and a master never lists itself.
  while (TvxCustomDataController* m = c->GetMasterDataController()) {
    if (m == c) break;
    c = m;
  }
  return c;
}

TvxCustomDataController* TvxCustomDataController::GetPatternDataController() {
  if (!FMasterRelation) return this;
  TObject* item = FMasterRelation->Item();
  // Breadth-first over the relation tree from the root, through existing detail
  // controllers, without recursion.
  std::vector<TvxCustomDataController*> pending{GetRootDataController()};
  for (size_t i = 0; i < pending.size(); ++i) {
    TvxCustomDataController* c = pending[i];
    if (!c->FRelations) continue;
    for (Integer k = 0; k < c->FRelations->Count(); ++k) {
      TvxCustomDataRelation* rel = c->FRelations->GetItem(k);
      TvxCustomDataController* d = rel->DetailDataController();
      if (rel->Item() == item && d) return d;
      if (d && std::find(pending.begin(), pending.end(), d) == pending.end()) pending.push_back(d);
    }
  }
  return nullptr;
}

TObject* TvxCustomDataController::GetDetailLinkObject(Integer ARecordIndex, Integer ARelationIndex) {
  for (Integer attempt = 0; attempt < 2; ++attempt) {
    TvxDetailObject* d = Relations()->GetDetailObject(ARecordIndex);
    if (!d) return nullptr;
    if (TObject* link = d->GetLinkObject(ARelationIndex)) return link;
    if (FCreatingLinkObject || ARelationIndex < 0 || ARelationIndex >= Relations()->Count()) return nullptr;
    TvxCustomDataController* pattern = GetPatternDataController();
    TObject* link = nullptr;
    {
      TValueScope<bool> creating(FCreatingLinkObject, true);
      bool patternWas = pattern ? pattern->FCreatingLinkObject : false;
      if (pattern) pattern->FCreatingLinkObject = true;
      TScopeExit restore([&] {
        if (pattern) pattern->FCreatingLinkObject = patternWas;
        FCreatingDataController = nullptr;
      });
      link = CreateDetailLinkObject(Relations()->GetItem(ARelationIndex), ARecordIndex);
    }
    if (link) {
      // The record may have gone while the link object was made.
      TvxDetailObject* still = ARecordIndex >= 0 && ARecordIndex < RecordCount() ? Relations()->GetDetailObject(ARecordIndex)
                                                                                  : nullptr;
      if (!still) {
        delete link;
        return nullptr;
      }
      still->SetLinkObject(ARelationIndex, link);
      return link;
    }
    if (FRecreatingLinkObject) return nullptr;
    FRecreatingLinkObject = true;
    TScopeExit done([this] { FRecreatingLinkObject = false; });
  }
  return nullptr;
}

TvxCustomDataController* TvxCustomDataController::GetDetailDataController(Integer ARecordIndex,
                                                                          Integer ARelationIndex) {
  return GetDetailDataControllerByLinkObject(GetDetailLinkObject(ARecordIndex, ARelationIndex));
}

bool TvxCustomDataController::IsDetailDataControllerExist(Integer ARecordIndex, Integer ARelationIndex) {
  return FRelations && FRelations->IsDetailObjectExist(ARecordIndex, ARelationIndex);
}

bool TvxCustomDataController::GetDetailExpanding(Integer ARecordIndex) {
  if (!FRelations || FRelations->Count() == 0) return false;
  TvxDetailObject* d = FRelations->GetDetailObject(ARecordIndex);
  return d && d->Expanded;
}

bool TvxCustomDataController::ChangeDetailExpanding(Integer ARecordIndex, bool AExpanded) {
  if (ARecordIndex < 0 || ARecordIndex >= RecordCount()) return false;
  if (GetDetailExpanding(ARecordIndex) == AExpanded) return true;
  TValueScope<bool> expanding(FIsDetailExpanding, true);
  CheckBrowseMode();
  if (ARecordIndex >= RecordCount()) return false;
  TvxDetailObject* d = FRelations ? FRelations->GetDetailObject(ARecordIndex) : nullptr;
  if (!d || !CanChangeDetailExpanding(ARecordIndex, AExpanded)) return false;
  d->Expanded = AExpanded;
  TvxCustomDataController* master = GetMasterDataController();
  if (!master || master->LockCount() == 0) Change({dccDetail});
  if (AExpanded) DoDetailExpanded(ARecordIndex);
  else DoDetailCollapsed(ARecordIndex);
  return true;
}

Integer TvxCustomDataController::GetDetailActiveRelationIndex(Integer ARecordIndex) {
  if (!FRelations || FRelations->Count() == 0) return -1;
  TvxDetailObject* d = FRelations->GetDetailObject(ARecordIndex);
  return d ? d->ActiveRelationIndex : -1;
}

void TvxCustomDataController::ChangeDetailActiveRelationIndex(Integer ARecordIndex, Integer ARelationIndex) {
  if (GetDetailActiveRelationIndex(ARecordIndex) == ARelationIndex) return;
  CheckBrowseMode();
  TvxDetailObject* d = FRelations ? FRelations->GetDetailObject(ARecordIndex) : nullptr;
  if (!d) return;
  d->ActiveRelationIndex = ARelationIndex;
  Change({dccDetail});
}

void TvxCustomDataController::ClearDetailLinkObject(Integer ARecordIndex, Integer ARelationIndex) {
  if (FRelations && FRelations->ClearDetailObject(ARecordIndex, ARelationIndex)) Change({dccDetail});
}

void TvxCustomDataController::ClearDetails() {
  if (!FRelations || !FRelations->DataField()) return;
  TUpdateScope update(this);
  for (Integer r = 0; r < RecordCount(); ++r) ClearDetailLinkObject(r, -1);
}

void TvxCustomDataController::CollapseDetails() {
  CheckBrowseMode();
  if (!FRelations || !FRelations->DataField()) return;
  TUpdateScope update(this);
  for (Integer r = 0; r < RecordCount(); ++r) {
    ClearDetailLinkObject(r, -1);
    ChangeDetailExpanding(r, false);
  }
}

void TvxCustomDataController::ForEachDetail(TvxCustomDataRelation* AMasterRelation,
                                            const std::function<void(TvxCustomDataController*)>& AProc) {
  // The path of relation indexes from the root down to AMasterRelation.
  std::vector<Integer> path;
  for (TvxCustomDataRelation* rel = AMasterRelation; rel;) {
    path.push_back(rel->Index());
    TvxCustomDataController* owner = rel->DataController();
    rel = owner ? owner->GetMasterRelation() : nullptr;
    if (path.size() > 1024) break;
  }
  std::reverse(path.begin(), path.end());
  TvxCustomDataController* root = AMasterRelation && AMasterRelation->DataController()
                                      ? AMasterRelation->DataController()->GetRootDataController()
                                      : GetRootDataController();
  std::vector<TvxCustomDataController*> level{root};
  for (size_t depth = 0; depth < path.size(); ++depth) {
    std::vector<TvxCustomDataController*> next;
    for (TvxCustomDataController* c : level) {
      bool any = false;
      for (Integer r = 0; r < c->RecordCount(); ++r)
        if (c->IsDetailDataControllerExist(r, path[depth])) {
          if (TvxCustomDataController* d = c->GetDetailDataController(r, path[depth])) {
            next.push_back(d);
            any = true;
          }
        }
      if (!any && c->FCreatingDataController) next.push_back(c->FCreatingDataController);
    }
    level = std::move(next);
  }
  if (path.empty()) return;
  for (TvxCustomDataController* c : level) AProc(c);
}

bool TvxCustomDataController::GetDetailHasChildren(Integer ARecordIndex, Integer ARelationIndex) {
  if (IsDetailDataControllerExist(ARecordIndex, ARelationIndex))
    if (TvxCustomDataController* d = GetDetailDataController(ARecordIndex, ARelationIndex)) return d->RecordCount() > 0;
  if (!IsExternalDataMode()) return false;
  TvxDetailObject* d = Relations()->GetDetailObject(ARecordIndex);
  if (!d) return false;
  TvxDetailInfoObject* info = d->GetInfoObject(ARelationIndex);
  if (!info) {
    info = new TvxDetailInfoObject;
    d->SetInfoObject(ARelationIndex, info);
  }
  if (!info->HasChildrenAssigned) {
    info->HasChildren = FProvider->SourceDetailHasChildren(ARecordIndex, ARelationIndex);
    info->HasChildrenAssigned = true;
  }
  return info->HasChildren;
}

void TvxCustomDataController::ResetHasChildrenFlag() {
  if (!FRelations || !FRelations->DataField()) return;
  bool any = false;
  for (Integer r = 0; r < RecordCount(); ++r)
    if (TvxDetailObject* d = FRelations->GetDetailObject(r)) any = d->ClearHasChildrenFlag() || any;
  if (any) FDataControllerInfo->RefreshView();
}

void TvxCustomDataController::FocusDetails(Integer ARecordIndex) {
  Integer rel = GetDetailActiveRelationIndex(ARecordIndex);
  if (rel < 0 || !IsDetailDataControllerExist(ARecordIndex, rel)) return;
  if (TvxCustomDataController* d = GetDetailDataController(ARecordIndex, rel)) d->CheckFocusedRow();
}

void TvxCustomDataController::ResetRelationByItem(TObject* AItem) {
  // Walks the tree of existing detail controllers with an explicit list.
  std::vector<TvxCustomDataController*> pending{this};
  for (size_t i = 0; i < pending.size(); ++i) {
    TvxCustomDataController* c = pending[i];
    if (c->FRelations && c->FRelations->FindByItem(AItem)) {
      c->ClearDetails();
      continue;
    }
    if (!c->FRelations) continue;
    for (Integer r = 0; r < c->RecordCount(); ++r)
      for (Integer k = 0; k < c->FRelations->Count(); ++k)
        if (c->IsDetailDataControllerExist(r, k))
          if (TvxCustomDataController* d = c->GetDetailDataController(r, k))
            if (std::find(pending.begin(), pending.end(), d) == pending.end()) pending.push_back(d);
  }
}

void TvxCustomDataController::ShiftDetailMasterIndexes(Integer AFromRecordIndex, Integer ADelta) {
  if (!FRelations || !FRelations->DataField() || FRelations->Count() == 0) return;
  for (Integer r = std::max<Integer>(AFromRecordIndex, 0); r < RecordCount(); ++r)
    for (Integer k = 0; k < FRelations->Count(); ++k)
      if (TvxDetailObject* o = FRelations->GetStoredDetailObject(r))
        if (TvxCustomDataController* d = GetDetailDataControllerByLinkObject(o->GetLinkObject(k)))
          d->FMasterRecordIndex += ADelta;
}

void TvxCustomDataController::MoveDetailMasterIndexes(const std::function<Integer(Integer)>& AMoved) {
  if (!FRelations || !FRelations->DataField() || FRelations->Count() == 0) return;
  for (Integer r = 0; r < RecordCount(); ++r)
    if (TvxDetailObject* o = FRelations->GetStoredDetailObject(r))
      for (Integer k = 0; k < FRelations->Count(); ++k)
        if (TvxCustomDataController* d = GetDetailDataControllerByLinkObject(o->GetLinkObject(k)))
          if (d->FMasterRecordIndex >= 0) d->FMasterRecordIndex = AMoved(d->FMasterRecordIndex);
}

void TvxCustomDataController::ShiftDetailsAfterInsert(Integer ARecordIndex) {
  ShiftDetailMasterIndexes(ARecordIndex + 1, 1);
}

bool TvxCustomDataController::CheckDetailsBrowseMode() {
  if (!FRelations || !FRelations->DataField()) return true;
  for (Integer r = 0; r < RecordCount(); ++r)
    for (Integer k = 0; k < FRelations->Count(); ++k)
      if (TvxDetailObject* o = FRelations->GetStoredDetailObject(r))
        if (TvxCustomDataController* d = GetDetailDataControllerByLinkObject(o->GetLinkObject(k)))
          d->CheckBrowseMode();
  return true;
}

void TvxCustomDataController::ReleaseDetailsOf(TvxCustomDataRelation* ARelation) {
  if (!FRelations || !FRelations->DataField()) return;
  Integer k = FRelations->IndexOf(ARelation);
  if (k < 0) return;
  for (Integer r = 0; r < RecordCount(); ++r)
    if (TvxDetailObject* o = FRelations->GetStoredDetailObject(r))
      if (TvxCustomDataController* d = GetDetailDataControllerByLinkObject(o->GetLinkObject(k)))
        if (d->FMasterRelation == ARelation) d->FMasterRelation = nullptr;
}
