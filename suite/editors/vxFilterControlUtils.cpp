#include "vxFilterControlUtils.h"

#include "vxCustomEdit.h"

namespace {

TvxFilterEditsController* FController = nullptr;

}  // namespace

void TvxCustomFilterEditHelper::ClearPropertiesEvents(TvxCustomEditProperties* AProperties) const {
  if (!AProperties) return;
  AProperties->OnButtonClick = nullptr;
  AProperties->OnChange = nullptr;
  AProperties->OnEditValueChanged = nullptr;
  AProperties->OnValidate = nullptr;
}

bool TvxCustomFilterEditHelper::KeepsValuesProvider(TvxCustomEditProperties*) const { return true; }

TvxFilterControlOperators TvxCustomFilterEditHelper::GetSupportedFilterOperators(TvxCustomEditProperties*,
                                                                                 TvxValueTypeClass AValueTypeClass,
                                                                                 bool AExtendedSet) const {
  TvxFilterControlOperators result;
  const TvxFilterControlOperator last = AExtendedSet ? fcoNotInList : fcoNonBlanks;
  for (int o = fcoEqual; o <= last; ++o) result.Include(static_cast<TvxFilterControlOperator>(o));
  if (!AValueTypeClass || !AValueTypeClass->IsString()) result -= TvxFilterControlOperators{fcoLike, fcoNotLike};
  return result;
}

void TvxCustomFilterEditHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                     TvxCustomEditProperties* AEditProperties, bool AHasButtons) const {
  AProperties->Assign(AEditProperties);
  AProperties->Alignment()->SetHorz(taLeftJustify);
  AProperties->Alignment()->SetVert(taTopJustify);
  AProperties->SetBeepOnError(false);
  if (!AHasButtons) AProperties->Buttons()->Clear();
  AProperties->SetReadOnly(false);
  AProperties->SetValidateOnEnter(true);
  if (!KeepsValuesProvider(AEditProperties)) AProperties->SetIDefaultValuesProvider(nullptr);
  ClearPropertiesEvents(AProperties);
}

void TvxCustomFilterEditHelper::InitializeEdit(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties) const {
  InitializeProperties(AEdit->ActiveProperties(), AEditProperties, EditPropertiesHasButtons());
}

void TvxCustomFilterEditHelper::GetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties,
                                               Variant& V, String& S) const {
  V = AEdit->EditValue();
  S = AEditProperties->GetDisplayText(V, false, true);
}

namespace {
TClass CheckedFilterEditClass(const TvxCustomFilterEditHelper* AHelper) {
  TClass cls = AHelper->GetFilterEditClass();
  if (!cls) throw EvxEditError(L"The filter helper names no editor class");
  return cls;
}
}  // namespace

TvxCustomEdit* TvxCustomFilterEditHelper::GetFilterEdit(TvxCustomEditProperties* AEditProperties,
                                                        TvxInplaceEditList* AInplaceEditList) const {
  TvxCustomEdit* e = AInplaceEditList->GetEdit(CheckedFilterEditClass(this));
  InitializeEdit(e, AEditProperties);
  return e;
}

std::unique_ptr<TvxCustomEdit> TvxCustomFilterEditHelper::CreateFilterEdit(
    TvxCustomEditProperties* AEditProperties) const {
  std::unique_ptr<TvxCustomEdit> e(TvxCustomEdit::CreateOfClass(CheckedFilterEditClass(this), nullptr, false));
  InitializeEdit(e.get(), AEditProperties);
  return e;
}

bool TvxCustomFilterEditHelper::IsValueValid(TvxValueTypeClass AValueTypeClass, Variant& AValue) const {
  return AValueTypeClass ? AValueTypeClass->IsValueValid(AValue) : true;
}

// --- TvxFilterEditsController ---------------------------------------------------------------

TClass TvxFilterEditsController::GetKeyClass(TClass APropertiesClass) {
  return APropertiesClass && APropertiesClass->ClassParent() ? APropertiesClass->ClassParent() : APropertiesClass;
}

void TvxFilterEditsController::Register(TClass APropertiesClass, TvxFilterEditHelperClass AHelperClass) {
  FHelpers[AHelperClass->ClassType()] = AHelperClass;
  TvxRegisteredClassList::Register(GetKeyClass(APropertiesClass), AHelperClass->ClassType());
}

void TvxFilterEditsController::Unregister(TClass APropertiesClass, TvxFilterEditHelperClass AHelperClass) {
  TvxRegisteredClassList::Unregister(GetKeyClass(APropertiesClass), AHelperClass->ClassType());
  if (Count() == 0 && FController == this) {
    FController = nullptr;
    delete this;
  }
}

TvxFilterEditHelperClass TvxFilterEditsController::FindHelper(TClass APropertiesClass) {
  const TClass c = FindClass(GetKeyClass(APropertiesClass));
  if (!c) return nullptr;
  auto it = FHelpers.find(c);
  return it == FHelpers.end() ? nullptr : it->second;
}

TvxFilterEditsController* GetFilterEditsController() {
  if (!FController) FController = new TvxFilterEditsController();
  return FController;
}

bool FilterEditsControllerExists() { return FController != nullptr; }
