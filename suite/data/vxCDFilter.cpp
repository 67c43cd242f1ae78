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
  TvxCustomDataController* dc = DataController();
  AValue = FField && dc ? dc->GetFilterDataValue(RecordOf(AData), FField) : Null();
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
