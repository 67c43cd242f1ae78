#include "vxCurrencyEdit.h"

#include <cmath>

#include "SysUtils.h"
#include "vxEditConsts.h"

void TvxCurrencyEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TvxTextEditPropertiesValues::Assign(Source);
  if (auto* src = dynamic_cast<TvxCurrencyEditPropertiesValues*>(Source)) FDecimalPlaces = src->FDecimalPlaces;
  EndUpdate();
}

void TvxCurrencyEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TvxTextEditPropertiesValues::RestoreDefaults();
  FDecimalPlaces = false;
  EndUpdate();
}

namespace {
TvxEditPropertiesParts CurrencyParts() {
  TvxEditPropertiesParts parts;
  parts.AssignedValuesClass = TvxCurrencyEditPropertiesValues::StaticClass();
  return parts;
}
}  // namespace

TvxCustomCurrencyEditProperties::TvxCustomCurrencyEditProperties(TPersistent* AOwner)
    : TvxCustomTextEditProperties(AOwner, CurrencyParts()) {
  SetValidateOnEnter(true);
}

void TvxCustomCurrencyEditProperties::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomCurrencyEditProperties*>(Source);
  if (!src) {
    TvxCustomTextEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TvxCustomTextEditProperties::Assign(Source);
    Values()->SetDecimalPlaces(false);
    FDecimalPlaces = 0;
    if (src->Values()->DecimalPlaces()) SetDecimalPlaces(src->FDecimalPlaces);
    FNullable = src->FNullable;
    FNullString = src->FNullString;
    FUseThousandSeparator = src->FUseThousandSeparator;
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

Integer TvxCustomCurrencyEditProperties::DecimalPlaces() {
  return Values()->DecimalPlaces() ? FDecimalPlaces : FormatSettings.CurrencyDecimals;
}

void TvxCustomCurrencyEditProperties::SetDecimalPlaces(Integer Value) {
  if (Values()->DecimalPlaces() && FDecimalPlaces == Value) return;
  FDecimalPlaces = Value;
  Values()->SetDecimalPlaces(true);
  Changed();
}

bool TvxCustomCurrencyEditProperties::IsDecimalPlacesStored() { return Values()->DecimalPlaces(); }

bool TvxCustomCurrencyEditProperties::TextToValue(const String& AText, double& AValue) {
  String text;
  for (wchar_t c : AText)
    if (c != FormatSettings.ThousandSeparator) text += c;
  Extended value = 0;
  if (TryStrToFloat(text, value, FormatSettings)) {
    const long double magnitude = std::fabs(static_cast<long double>(value));
    if (value == 0 || (magnitude >= 4.94065645841246544e-324L && magnitude <= 1.7e308L)) {
      AValue = static_cast<double>(value);
      return true;
    }
  }
  AValue = 0;
  return text.empty();
}

bool TvxCustomCurrencyEditProperties::IsDecimalTextValid(const String& AText) {
  const size_t p = AText.find(FormatSettings.DecimalSeparator);
  if (p != String::npos) {
    const String upper = UpperCase(AText);
    const size_t e = upper.find(L'E');
    const size_t decimals = (e != String::npos && e > p) ? e - p - 1 : AText.size() - p - 1;
    if (decimals > static_cast<size_t>(std::max(DecimalPlaces(), 0))) return false;
  }
  double value;
  return TextToValue(AText, value);
}

wchar_t TvxCustomCurrencyEditProperties::TranslateKey(wchar_t AKey) {
  if (FUseThousandSeparator && AKey == FormatSettings.ThousandSeparator) return AKey;
  if (AKey == L'.' || AKey == L',') return FormatSettings.DecimalSeparator;
  return AKey;
}

bool TvxCustomCurrencyEditProperties::IsCharAcceptable(wchar_t AKey, const String& AText, Integer ASelStart,
                                                       Integer ASelLength) {
  const bool numeric = AKey == L'+' || AKey == L'-' || (AKey >= L'0' && AKey <= L'9') ||
                       AKey == FormatSettings.DecimalSeparator || AKey == L'e' || AKey == L'E';
  const bool thousand = FUseThousandSeparator && AKey == FormatSettings.ThousandSeparator;
  if (!numeric && !thousand) return false;
  const size_t start = std::min(static_cast<size_t>(std::max(ASelStart, 0)), AText.size());
  const size_t length = std::min(static_cast<size_t>(std::max(ASelLength, 0)), AText.size() - start);
  String text = AText;
  text.erase(start, length);
  if (text.empty() && AKey == L'-') return true;
  text.insert(start, 1, AKey);
  return IsDecimalTextValid(text);
}

Variant TvxCustomCurrencyEditProperties::TextToEditValue(const String& AText) {
  double value;
  if (!AText.empty() && AText != FNullString && TextToValue(AText, value)) return value;
  if (FNullable) return Null();
  return Currency();
}

void TvxCustomCurrencyEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue,
                                                          bool AEditFocused) {
  if (VarIsNull(AEditValue) || VarIsEmpty(AEditValue)) {
    if (AEditFocused)
      DisplayValue = String();
    else if (FNullable)
      DisplayValue = FNullString;
    else
      TvxCustomTextEditProperties::PrepareDisplayValue(Variant(0.0), DisplayValue, AEditFocused);
    return;
  }
  try {
    TvxCustomTextEditProperties::PrepareDisplayValue(AEditValue, DisplayValue, AEditFocused);
  } catch (const EConvertError&) {
    DisplayValue = AEditFocused ? Variant(String()) : AEditValue;
  } catch (const EVariantError&) {
    DisplayValue = AEditFocused ? Variant(String()) : AEditValue;
  }
}

namespace {
void InitCurrencyEdit() {
  GetEditPropertiesRegistry()->Register(TvxCurrencyEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryCurrencyItem));
}
void FinCurrencyEdit() {
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxCurrencyEditProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxCurrencyEditUnit = {L"vxCurrencyEdit", InitCurrencyEdit, FinCurrencyEdit};
