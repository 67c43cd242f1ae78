// The controller's filter: conditions over the controller's fields, evaluated per record.
#include "vxCustomDataInternal.h"

#include <cstring>

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

bool TvxDataFilterCriteriaItem::PeekRecordValue(Pointer AData, TvxFilterPeekedValue& AValue) {
  if (!FRecordController) FRecordController = DataController();
  return FField && FRecordController && FRecordController->PeekFilterDataValue(RecordOf(AData), FField, AValue);
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

bool TvxCustomDataController::PeekFilterDataValue(Integer ARecordIndex, TvxCustomDataField* AField,
                                                  TvxFilterPeekedValue& AValue) {
  if (ARecordIndex >= 0 && IsProviderMode() && IsProviderField(AField)) return false;
  TvxValueDef* d = AField->ValueDef();
  const Byte* p = d ? FDataStorage->PeekData(ARecordIndex, d) : nullptr;
  if (!p) return false;
  // The value types whose variant holds the slot's number or text as it is.
  const TvxValueTypeClass t = d->ValueTypeClass();
  auto load = [p](auto AType) {
    decltype(AType) v;
    std::memcpy(&v, p, sizeof(v));
    return v;
  };
  AValue = TvxFilterPeekedValue();
  if (t == TvxIntegerValueType::Class()) {
    AValue.Kind = TvxFilterPeekedValue::pvOrdinal;
    AValue.Ordinal = load(Integer());
  } else if (t == TvxSmallintValueType::Class()) {
    AValue.Kind = TvxFilterPeekedValue::pvOrdinal;
    AValue.Ordinal = load(SmallInt());
  } else if (t == TvxWordValueType::Class()) {
    AValue.Kind = TvxFilterPeekedValue::pvOrdinal;
    AValue.Ordinal = load(Word());
  } else if (t == TvxLargeIntValueType::Class()) {
    AValue.Kind = TvxFilterPeekedValue::pvOrdinal;
    AValue.Ordinal = load(Int64());
  } else if (t == TvxFloatValueType::Class() || t == TvxDateTimeValueType::Class()) {
    AValue.Kind = TvxFilterPeekedValue::pvFloat;
    AValue.Float = load(double());
  } else if (t == TvxStringValueType::Class() || t == TvxWideStringValueType::Class()) {
    AValue.Text = TvxValueType::StoredTextRef(const_cast<Byte*>(p));
    if (!AValue.Text) return false;
    AValue.Kind = TvxFilterPeekedValue::pvText;
  } else {
    return false;
  }
  return true;
}

bool TvxCustomDataController::GetFilterValueListSortByDisplayText(Integer AItemIndex) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  return GetItemSortByDisplayText(AItemIndex, true) ||
         (FOptions.Contains(dcoAnsiSort) && f->ValueDef() && f->ValueDef()->IsNeedConversion());
}
