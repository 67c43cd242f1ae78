// The controller's filter: conditions over the controller's fields, evaluated per record.
#include "vxCustomDataInternal.h"

namespace {

Pointer RecordData(Integer ARecordIndex) { return reinterpret_cast<Pointer>(static_cast<intptr_t>(ARecordIndex)); }
Integer RecordOf(Pointer AData) { return static_cast<Integer>(reinterpret_cast<intptr_t>(AData)); }

TObject* ViewItemOf(TObject* ALink) {
  auto* field = dynamic_cast<TvxCustomDataField*>(ALink);
  return field ? field->Item() : ALink;
}

}  // namespace

TvxDataFilterCriteria::TvxDataFilterCriteria(TvxCustomDataController* ADataController)
    : FDataController(ADataController) {
  SetVersion(3);
}

TvxDataFilterCriteria::~TvxDataFilterCriteria() {
  FDestroying = true;
  // The controller's list of its filters must not keep a freed one.
  if (FDataController)
    if (TvxDataFilterList* list = FDataController->Filters()) std::erase(list->Items, static_cast<TObject*>(this));
  FActive = false;
}

Integer TvxDataFilterCriteria::ItemLinkToID(TObject* AItemLink) {
  return FDataController->GetItemID(ViewItemOf(AItemLink));
}

void TvxDataFilterCriteria::ItemLinkToName(TObject* AItemLink, String& AName) {
  AName = FDataController->QueryItemName(ViewItemOf(AItemLink));
}

TObject* TvxDataFilterCriteria::IDToItemLink(Integer AID) { return FDataController->FindItemByID(AID); }

TObject* TvxDataFilterCriteria::NameToItemLink(const String& AName) { return FDataController->FindItemByName(AName); }

std::unique_ptr<TvxFilterCriteriaItem> TvxDataFilterCriteria::CreateItem(TvxFilterCriteriaItemList* AOwner,
                                                                         TObject* AItemLink,
                                                                         TvxFilterOperatorKind AOperatorKind,
                                                                         const Variant& AValue,
                                                                         const String& ADisplayValue) {
  return std::make_unique<TvxDataFilterCriteriaItem>(AOwner, AItemLink, AOperatorKind, AValue, ADisplayValue);
}

void TvxDataFilterCriteria::FireChanged() {
  // A filter made by CreateFilter changes freely; the controller's own filter refreshes
  // the rows unless the filter or the controller is going away or loading.
  if (FDataController->Filter() != this || FDestroying || FDataController->IsDestroying() ||
      FDataController->IsLoading())
    return;
  FDataController->Post(false);
  FDataController->FilterChanged();
  TvxFilterCriteria::FireChanged();
}

void TvxDataFilterCriteria::Assign(TPersistent* Source, bool AIgnoreItemNames) {
  auto* src = dynamic_cast<TvxDataFilterCriteria*>(Source);
  if (!src) {
    TvxFilterCriteria::Assign(Source, AIgnoreItemNames);
    return;
  }
  TUpdateScope<TvxFilterCriteria> update(this);
  TvxFilterCriteria::Assign(Source, AIgnoreItemNames);
  SetActive(src->Active());
}

bool TvxDataFilterCriteria::IsFiltering() {
  return FActive && !IsEmpty() && !FDataController->Provider()->IsGridMode();
}

bool TvxDataFilterCriteria::FilterRecord(Integer ARecordIndex) { return EvaluateRecord(RecordData(ARecordIndex)); }

void TvxDataFilterCriteria::RemoveItemByField(TvxCustomDataField* AField) {
  if (AField && AField->Item()) RemoveItemByItemLink(AField->Item());
}

void TvxDataFilterCriteria::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  Changed();
}

TvxDataFilterCriteriaItem::TvxDataFilterCriteriaItem(TvxFilterCriteriaItemList* AOwner, TObject* AItemLink,
                                                     TvxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                     const String& ADisplayValue)
    : TvxFilterCriteriaItem(AOwner, ViewItemOf(AItemLink), AOperatorKind, AValue, ADisplayValue) {
  FField = ToField(AItemLink);
}

TvxCustomDataController* TvxDataFilterCriteriaItem::DataController() const {
  auto* c = dynamic_cast<TvxDataFilterCriteria*>(Criteria());
  return c ? c->DataController() : nullptr;
}

TvxCustomDataField* TvxDataFilterCriteriaItem::ToField(TObject* ALink) const {
  if (auto* field = dynamic_cast<TvxCustomDataField*>(ALink)) return field;
  TvxCustomDataController* dc = DataController();
  return dc && ALink ? dc->Fields()->FieldByItem(ALink) : nullptr;
}

void TvxDataFilterCriteriaItem::RecordValue(Pointer AData, Variant& AValue) {
  if (!FRecordController) FRecordController = DataController();
  AValue = FField && FRecordController ? FRecordController->GetFilterDataValue(RecordOf(AData), FField) : Null();
}

void TvxDataFilterCriteriaItem::FieldCaption(String& AText) {
  TvxCustomDataController* dc = DataController();
  AText = FField && FField->Item() && dc ? dc->GetFilterItemFieldCaption(FField->Item()) : String();
}

void TvxDataFilterCriteriaItem::FieldName(String& AText) {
  TvxCustomDataController* dc = DataController();
  AText = FField && FField->Item() && dc ? dc->GetFilterItemFieldName(FField->Item()) : String();
}

TObject* TvxDataFilterCriteriaItem::ItemLink() const { return FField ? FField->Item() : nullptr; }

void TvxDataFilterCriteriaItem::SetItemLink(TObject* Value) {
  FField = ToField(Value);
  TvxFilterCriteriaItem::SetItemLink(ViewItemOf(Value));
}

// --- The value list of an item ---------------------------------------------------------------

std::unique_ptr<TvxDataFilterValueList> TvxDataFilterCriteria::CreateValueList() {
  return std::make_unique<TvxDataFilterValueList>(this);
}

TvxDataFilterValueList::TvxDataFilterValueList(TvxDataFilterCriteria* ACriteria) : TvxFilterValueList(ACriteria) {}

TvxCustomDataController* TvxDataFilterValueList::DataController() const {
  return static_cast<TvxDataFilterCriteria*>(Criteria())->DataController();
}

void TvxDataFilterValueList::Load(Integer AItemIndex, bool AInitSortByDisplayText, bool AUseFilteredValues) {
  TvxCustomDataController* c = DataController();
  auto* criteria = static_cast<TvxDataFilterCriteria*>(Criteria());
  TvxCustomDataField* f = c->GetItemField(AItemIndex);
  Clear();
  if (AInitSortByDisplayText) SortByDisplayText = c->GetFilterValueListSortByDisplayText(AItemIndex);
  Add(fviAll, Null(), vxGetResString(&vxSFilterBoxAllCaption));
  Add(fviCustom, Null(), vxGetResString(&vxSFilterBoxCustomCaption));
  bool blanks = false, filtered = false;
  if (c->IsGridMode()) {
    blanks = true;
  } else {
    TvxCustomDataControllerInfo* info = c->DataControllerInfo();
    filtered = AUseFilteredValues && info->FilteredRecordCount() > 0;
    Integer n = filtered ? info->FilteredRecordCount() : c->RecordCount();
    for (Integer i = 0; i < n; ++i) {
      Integer r = filtered ? info->GetInternalRecordIndex(i) : i;
      Variant v = c->GetFilterDataValue(r, f);
      if (criteria->ValueIsNull(v)) {
        blanks = true;
        continue;
      }
      Add(fviValue, v, c->GetFilterDisplayText(r, AItemIndex));
    }
  }
  if (blanks) Add(fviBlanks, Null(), vxGetResString(&vxSFilterBoxBlanksCaption));
  bool notNullFilter = false;
  if (filtered)
    if (TvxFilterCriteriaItem* item = criteria->FindItemByItemLink(f->Item()))
      notNullFilter = item->OperatorClass() == TvxFilterNotNullOperator::StaticClass();
  if (blanks || notNullFilter) Add(fviNonBlanks, Null(), vxGetResString(&vxSFilterBoxNonBlanksCaption));
  if (criteria->OnGetValueList) criteria->OnGetValueList(criteria, AItemIndex, this);
}

bool TvxCustomDataController::GetFilterValueListSortByDisplayText(Integer AItemIndex) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  return GetItemSortByDisplayText(AItemIndex, true) ||
         (FOptions.Contains(dcoAnsiSort) && f->ValueDef() && f->ValueDef()->IsNeedConversion());
}
