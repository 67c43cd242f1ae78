#include "vxTextEdit.h"

#include "FMTBcd.h"
#include "vdCore.h"
#include "vxEditConsts.h"
#include "vxFilterControlUtils.h"

// --- TvxTextEditPropertiesValues ------------------------------------------------------------

void TvxTextEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TvxCustomEditPropertiesValues::Assign(Source);
  if (auto* src = dynamic_cast<TvxTextEditPropertiesValues*>(Source)) {
    SetDisplayFormat(src->FDisplayFormat);
    SetEditFormat(src->FEditFormat);
    SetMaxLength(src->FMaxLength);
  }
  EndUpdate();
}

void TvxTextEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TvxCustomEditPropertiesValues::RestoreDefaults();
  SetDisplayFormat(false);
  SetEditFormat(false);
  SetMaxLength(false);
  EndUpdate();
}

void TvxTextEditPropertiesValues::SetDisplayFormat(bool Value) {
  if (FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  FOwner->Changed();
}

void TvxTextEditPropertiesValues::SetEditFormat(bool Value) {
  if (FEditFormat == Value) return;
  FEditFormat = Value;
  FOwner->Changed();
}

void TvxTextEditPropertiesValues::SetMaxLength(bool Value) {
  if (FMaxLength == Value) return;
  FMaxLength = Value;
  static_cast<TvxCustomTextEditProperties*>(FOwner)->MaxLengthChanged();
}

bool TvxTextEditPropertiesValues::IsFlagStored(const wchar_t* APropName, bool AFlag, bool AOwnerValueIsEmpty) const {
  return AFlag && AOwnerValueIsEmpty && GetPropInfo(FOwner->ClassType(), APropName) != nullptr;
}

void TvxTextEditPropertiesValues::DeclarePublished(TPublisher<TvxTextEditPropertiesValues>& P) {
  using C = TvxTextEditPropertiesValues;
  auto owner = [](C* V) { return static_cast<TvxCustomTextEditProperties*>(V->FOwner); };
  P.Property(L"DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat).Stored([owner](C* V) {
    return V->IsFlagStored(L"DisplayFormat", V->FDisplayFormat, owner(V)->DisplayFormat().empty());
  });
  P.Property(L"EditFormat", &C::EditFormat, &C::SetEditFormat).Stored([owner](C* V) {
    return V->IsFlagStored(L"EditFormat", V->FEditFormat, owner(V)->EditFormat().empty());
  });
  P.Property(L"MaxValue", &C::MaxValue, &C::SetMaxValue).Stored([owner](C* V) {
    return V->IsFlagStored(L"MaxValue", V->MaxValue(), owner(V)->MaxValue() == 0);
  });
  P.Property(L"MinValue", &C::MinValue, &C::SetMinValue).Stored([owner](C* V) {
    return V->IsFlagStored(L"MinValue", V->MinValue(), owner(V)->MinValue() == 0);
  });
}

// --- TvxCustomTextEditProperties ------------------------------------------------------------

TvxEditPropertiesParts TvxCustomTextEditProperties::Parts() {
  TvxEditPropertiesParts parts;
  parts.AssignedValuesClass = TvxTextEditPropertiesValues::StaticClass();
  return parts;
}

TvxCustomTextEditProperties::TvxCustomTextEditProperties(TPersistent* AOwner, const TvxEditPropertiesParts& AParts)
    : TvxCustomEditProperties(AOwner, AParts) {
  FLookupItems = std::make_unique<TStringList>();
  FLookupItems->SetDuplicates(dupAccept);
  FLookupItems->OnChange = [this](TObject*) { Changed(); };
  GetFormatController()->AddListener(this);
}

TvxCustomTextEditProperties::~TvxCustomTextEditProperties() {
  if (TvxFormatController* fc = GetFormatController()) fc->RemoveListener(this);
  FLookupItems.reset();
}

void TvxCustomTextEditProperties::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomTextEditProperties*>(Source);
  if (!src) {
    TvxCustomEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  struct TEndScope {
    TvxCustomTextEditProperties* P;
    ~TEndScope() { P->EndUpdate(true); }
  } scope{this};
  TvxCustomEditProperties::Assign(Source);
  SetCharCase(src->FCharCase);
  SetEchoMode(src->FEchoMode);
  SetFixedListSelection(src->FFixedListSelection);
  SetHideCursor(src->FHideCursor);
  SetHideSelection(src->FHideSelection);
  FImmediateUpdateText = src->FImmediateUpdateText;
  SetIncrementalSearch(src->FIncrementalSearch);
  SetMRUMode(src->FMRUMode);
  FValidChars = src->FValidChars;
  SetLookupItemsSorted(false);
  FLookupItems->Assign(src->FLookupItems.get());
  SetLookupItemsSorted(src->LookupItemsSorted());
  AssignedValues()->SetDisplayFormat(false);
  if (src->AssignedValues()->DisplayFormat()) SetDisplayFormat(src->FDisplayFormat);
  AssignedValues()->SetEditFormat(false);
  if (src->AssignedValues()->EditFormat()) SetEditFormat(src->FEditFormat);
  AssignedValues()->SetMaxLength(false);
  if (src->AssignedValues()->MaxLength()) SetMaxLength(src->FMaxLength);
  SetOEMConvert(src->FOEMConvert);
  SetImeMode(src->FImeMode);
  SetImeName(src->FImeName);
  SetPasswordChar(src->FPasswordChar);
  SetUseDisplayFormatWhenEditing(src->FUseDisplayFormatWhenEditing);
  OnNewLookupDisplayText = src->OnNewLookupDisplayText;
}

void TvxCustomTextEditProperties::AlignmentChanged(TObject* Sender) {
  BeginUpdate();
  TvxCustomEditProperties::AlignmentChanged(Sender);
  EndUpdate(true);
}

void TvxCustomTextEditProperties::SetAlignment(TvxEditAlignment* Value) {
  BeginUpdate();
  TvxCustomEditProperties::SetAlignment(Value);
  EndUpdate(true);
}

String TvxCustomTextEditProperties::GetValidationErrorText(Integer AErrorKind) {
  if (AErrorKind == 1) return vxGetResString(&vxSEditValueOutOfBounds);
  return TvxCustomEditProperties::GetValidationErrorText(AErrorKind);
}

bool TvxCustomTextEditProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  return GetDisplayText(AEditValue1, true) == GetDisplayText(AEditValue2, true);
}

String TvxCustomTextEditProperties::GetDisplayText(const Variant& AEditValue, bool, bool AIsInplace) {
  String text;
  struct TFinal {
    TvxCustomTextEditProperties* P;
    String& Text;
    // Echo and case apply also when formatting raised.
    ~TFinal() { P->DisplayValueToDisplayText(Text); }
  };
  if (IsValueEditorWithValueFormatting()) {
    text = vdVariantAsString(AEditValue);
    DisplayValueToDisplayText(text);
    return text;
  }
  TFinal final{this, text};
  Variant display;
  EditValueToDisplayValue(AEditValue, !AIsInplace && !DependsOnFocus(), display);
  text = vdVariantAsString(display);
  return text;
}

TvxEditSupportedOperations TvxCustomTextEditProperties::GetSupportedOperations() {
  return TvxCustomEditProperties::GetSupportedOperations() + TvxEditSupportedOperations{esoAutoHeight, esoEditing,
                                                                                        esoFiltering,  esoHorzAlignment,
                                                                                        esoIncSearch,  esoSorting};
}

bool TvxCustomTextEditProperties::IsEditValueValid(Variant& EditValue, bool AEditFocused) {
  if (VarIsNull(EditValue) || !VarIsStr(EditValue)) return true;
  return IsDisplayValueValid(EditValue, AEditFocused);
}

String TvxCustomTextEditProperties::PrepareNumericDisplayText(const Variant& AEditValue, bool AEditFocused) {
  if (VarIsNull(AEditValue) || VarIsClear(AEditValue)) return String();
  if (!VarIsNumeric(AEditValue) && !VarIsStr(AEditValue) && !VarIsFMTBcd(AEditValue))
    throw EConvertError(vxGetResString(&vxSEditNumericValueConvertError));
  double number = 0;
  const bool isNumber =
      VarIsStr(AEditValue) ? TryStrToFloat(VarToStr(AEditValue), number) : (number = AEditValue.AsDouble(), true);
  if (!AEditFocused) {
    const String format = DisplayFormat();
    // A text that is no number is shown as it is: the format applies to numbers only.
    if (!format.empty() && isNumber) return FormatFloat(format, number);
    return vdVariantAsString(AEditValue);
  }
  bool isCurrency = false, isOnGetText = false;
  String format;
  InternalGetEditFormat(isCurrency, isOnGetText, nullptr, format);
  const Integer precision = IDefaultValuesProvider() ? IDefaultValuesProvider()->DefaultPrecision() : 15;
  String text = vdVariantAsString(AEditValue);
  TBcd bcd;
  if (isCurrency) {
    if (TryStrToBcd(text, bcd))
      text = FloatToStrF(BcdToDouble(bcd), ffFixed, precision, FormatSettings.CurrencyDecimals);
    return text;
  }
  if (!format.empty()) return isNumber ? FormatFloat(format, number) : text;
  if (TryStrToBcd(text, bcd)) text = FloatToStrF(BcdToDouble(bcd), ffGeneral, precision, 0);
  return text;
}

void TvxCustomTextEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue,
                                                      bool AEditFocused) {
  if (!IsEditValueNumeric()) {
    if (VarIsArray(AEditValue) && VarArrayDimCount(AEditValue) != 1)
      DisplayValue = String();
    else
      DisplayValue = vdVariantAsString(AEditValue);
    return;
  }
  DisplayValue = PrepareNumericDisplayText(AEditValue, AEditFocused);
}

void TvxCustomTextEditProperties::FormatChanged() {
  FFormatChanging = true;
  struct TClear {
    bool& Flag;
    ~TClear() { Flag = false; }
  } clear{FFormatChanging};
  Changed();
}

bool TvxCustomTextEditProperties::IsLookupItem(const String& AText) {
  for (Integer i = 0; i < FLookupItems->Count(); ++i)
    if (AnsiSameText(FLookupItems->Strings(i), AText)) return true;
  return false;
}

Integer TvxCustomTextEditProperties::GetDefaultMaxLength() {
  return IDefaultValuesProvider() ? IDefaultValuesProvider()->DefaultMaxLength() : 0;
}

void TvxCustomTextEditProperties::InternalGetEditFormat(bool& AIsCurrency, bool& AIsOnGetTextAssigned, TObject* AEdit,
                                                        String& AFormat) {
  AIsCurrency = false;
  AIsOnGetTextAssigned = false;
  AFormat.clear();
  IvxEditDefaultValuesProvider* provider = IDefaultValuesProvider();
  if (AssignedValues()->EditFormat()) {
    AFormat = FEditFormat;
    return;
  }
  // An editor hands itself only when it is in place; nil stands for "not in place" here.
  if (!AEdit && provider && provider->IsOnGetTextAssigned()) {
    AIsOnGetTextAssigned = true;
    return;
  }
  if (provider && !provider->DefaultEditFormat().empty()) {
    AFormat = provider->DefaultEditFormat();
    return;
  }
  if (AssignedValues()->DisplayFormat()) {
    AFormat = DisplayFormat();
  } else if (provider && !provider->DefaultDisplayFormat().empty()) {
    AFormat = provider->DefaultDisplayFormat();
  } else if (!GetDefaultDisplayFormat().empty()) {
    AFormat = GetDefaultDisplayFormat();
  } else if (provider) {
    AIsCurrency = provider->IsCurrency() && !DisplayFormatOptions().Contains(dfoNoCurrencyValue);
  }
  if (!FUseDisplayFormatWhenEditing) AFormat.clear();
}

bool TvxCustomTextEditProperties::IsValueBoundDefined(bool AIsMax) {
  const bool maxSet = AssignedValues()->TvxCustomEditPropertiesValues::MaxValue();
  const bool minSet = AssignedValues()->TvxCustomEditPropertiesValues::MinValue();
  if (maxSet != minSet) return AIsMax ? maxSet : minSet;
  return MaxValue() > MinValue();
}

void TvxCustomTextEditProperties::DisplayValueToDisplayText(String& AText) {
  if (FEchoMode == eemPassword) {
    AText = String(AText.size(), FPasswordChar ? FPasswordChar : L'*');
  } else if (FCharCase == ecUpperCase) {
    AText = AnsiUpperCase(AText);
  } else if (FCharCase == ecLowerCase) {
    AText = AnsiLowerCase(AText);
  }
}

bool TvxCustomTextEditProperties::IsDisplayValueValid(Variant& ADisplayValue, bool) {
  String text = VarToStr(ADisplayValue);
  if (text.empty()) return true;
  const TvxEditEditingStyle style = GetEditingStyle();
  if ((style == esEditList || style == esFixedList) && IsLookupDataUsed() && !IsLookupItem(text)) return false;
  if (FCharCase == ecUpperCase)
    text = AnsiUpperCase(text);
  else if (FCharCase == ecLowerCase)
    text = AnsiLowerCase(text);
  ADisplayValue = text;
  return true;
}

void TvxCustomTextEditProperties::EditValueToDisplayValue(const Variant& AEditValue, bool AEditFocused,
                                                          Variant& ADisplayValue) {
  Variant v = AEditValue;
  if (IsEditValueValid(v, AEditFocused)) {
    PrepareDisplayValue(AEditValue, ADisplayValue, AEditFocused);
  } else if (VarType(AEditValue) == varDate) {
    String s;
    DateTimeToString(s, String(), static_cast<TDateTime>(AEditValue.AsDouble()));
    ADisplayValue = s;
  } else {
    ADisplayValue = VarToStr(AEditValue);
  }
}

bool TvxCustomTextEditProperties::CanUseLookupData() {
  const TvxEditEditingStyle style = GetEditingStyle();
  return style == esEditList || style == esFixedList || (style == esEdit && FIncrementalSearch);
}

String TvxCustomTextEditProperties::DisplayFormat() {
  if (AssignedValues()->DisplayFormat()) return FDisplayFormat;
  if (IDefaultValuesProvider() && !IDefaultValuesProvider()->DefaultDisplayFormat().empty())
    return IDefaultValuesProvider()->DefaultDisplayFormat();
  return GetDefaultDisplayFormat();
}

void TvxCustomTextEditProperties::SetDisplayFormat(const String& Value) {
  if (AssignedValues()->DisplayFormat() && FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  BeginUpdate();
  AssignedValues()->SetDisplayFormat(true);
  Changed();
  EndUpdate(true);
}

String TvxCustomTextEditProperties::EditFormat() {
  bool isCurrency, isOnGetText;
  String format;
  InternalGetEditFormat(isCurrency, isOnGetText, nullptr, format);
  return format;
}

void TvxCustomTextEditProperties::SetEditFormat(const String& Value) {
  if (AssignedValues()->EditFormat() && FEditFormat == Value) return;
  FEditFormat = Value;
  BeginUpdate();
  AssignedValues()->SetEditFormat(true);
  Changed();
  EndUpdate(true);
}

void TvxCustomTextEditProperties::SetFixedListSelection(bool Value) {
  if (FFixedListSelection == Value) return;
  FFixedListSelection = Value;
  if (GetEditingStyle() == esFixedList) Changed();
}

Integer TvxCustomTextEditProperties::MaxLength() {
  return AssignedValues()->MaxLength() ? FMaxLength : GetDefaultMaxLength();
}

void TvxCustomTextEditProperties::SetMaxLength(Integer Value) {
  if (Value < 0) Value = 0;
  if (AssignedValues()->MaxLength() && FMaxLength == Value) return;
  FMaxLength = Value;
  BeginUpdate();
  if (AssignedValues()->MaxLength())
    MaxLengthChanged();
  else
    AssignedValues()->SetMaxLength(true);  // tells MaxLengthChanged
  EndUpdate(true);
}

TvxTextEditViewStyle TvxCustomTextEditProperties::ViewStyle() {
  if (ButtonsViewStyle() == bvsButtonsOnly) return vsButtonsOnly;
  if (ButtonsViewStyle() == bvsButtonsAutoWidth) return vsButtonsAutoWidth;
  return FHideCursor ? vsHideCursor : vsNormal;
}

void TvxCustomTextEditProperties::SetViewStyle(TvxTextEditViewStyle Value) {
  if (ViewStyle() == Value) return;
  BeginUpdate();
  static constexpr TvxEditButtonsViewStyle CButtons[] = {bvsNormal, bvsNormal, bvsButtonsOnly, bvsButtonsAutoWidth};
  SetButtonsViewStyle(CButtons[Value]);
  SetHideCursor(Value != vsNormal);
  EndUpdate(true);
}

void TvxTextEditProperties::DeclarePublished(TPublisher<TvxTextEditProperties>& P) {
  using C = TvxTextEditProperties;
  P.Property(L"AssignedValues", &C::AssignedValues,
             [](C* E, TvxTextEditPropertiesValues* V) { E->SetAssignedValues(V); });
  P.Property(L"CharCase", &C::CharCase, &C::SetCharCase).Default(ecNormal);
  P.Property(L"EchoMode", &C::EchoMode, &C::SetEchoMode).Default(eemNormal);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"ImeMode", &C::ImeMode, &C::SetImeMode).Default(imDontCare);
  P.Property(L"ImeName", &C::ImeName, &C::SetImeName).Stored([](C* E) { return !E->ImeName().empty(); });
  P.Property(L"IncrementalSearch", &C::IncrementalSearch, &C::SetIncrementalSearch).Default(true);
  P.Property(L"LookupItems", &C::LookupItems, [](C* E, TStringList* V) { E->SetLookupItems(V); });
  P.Property(L"LookupItemsSorted", &C::LookupItemsSorted, &C::SetLookupItemsSorted).Default(false);
  P.Property(L"MaxLength", &C::MaxLength, &C::SetMaxLength).Stored([](C* E) {
    return E->AssignedValues()->MaxLength();
  });
  P.Property(L"OEMConvert", &C::OEMConvert, &C::SetOEMConvert).Default(false);
  P.Property(L"PasswordChar", &C::PasswordChar, &C::SetPasswordChar).Default(0);
}

// --- Start-up ---------------------------------------------------------------------------------

namespace {

class TvxFilterTextEditHelper : public TvxCustomFilterEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterTextEditHelper, TvxCustomFilterEditHelper)
};

void InitTextEdit() {
  GetEditPropertiesRegistry()->Register(TvxTextEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryTextItem));
  GetFilterEditsController()->Register(TvxTextEditProperties::StaticClass(), TvxFilterTextEditHelper::Class());
}

void FinTextEdit() {
  GetFilterEditsController()->Unregister(TvxTextEditProperties::StaticClass(), TvxFilterTextEditHelper::Class());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxTextEditProperties::StaticClass());
}

}  // namespace

const TUnitInfo vxTextEditUnit = {L"vxTextEdit", InitTextEdit, FinTextEdit};
