#include "vxCurrencyEdit.h"

#include <cmath>

#include "SysUtils.h"
#include "vxEditConsts.h"
#include "vxFormats.h"

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

String TvxCustomCurrencyEditProperties::GetDefaultDisplayFormat() { return GetFormatController()->CurrencyFormat(); }

TClass TvxCustomCurrencyEditProperties::GetContainerClass() { return TvxCurrencyEdit::StaticClass(); }

TvxDataEditValueSource TvxCustomCurrencyEditProperties::GetEditValueSource(bool AEditFocused) {
  if (AEditFocused) return evsValue;
  IvxEditDefaultValuesProvider* provider = IDefaultValuesProvider();
  return provider && provider->IsOnGetTextAssigned() ? evsText : evsValue;
}

bool TvxCustomCurrencyEditProperties::IsDisplayValueValid(Variant& ADisplayValue, bool AEditFocused) {
  if (!AEditFocused || HasDefaultDisplayFormat(true)) return true;
  const String text = Trim(VarToStr(ADisplayValue));
  double value;
  if (!TextToValue(text, value)) return false;
  ADisplayValue = text;
  return true;
}

void TvxCustomCurrencyEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                           TvxCustomEdit* AEdit) {
  double value;
  if (!TextToValue(VarToStr(ADisplayValue), value)) AError = true;
  TvxCustomTextEditProperties::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

void TvxCurrencyEditProperties::DeclarePublished(TPublisher<TvxCurrencyEditProperties>& P) {
  using C = TvxCurrencyEditProperties;
  P.Property(L"DecimalPlaces", &C::DecimalPlaces, &C::SetDecimalPlaces).Stored(&C::IsDecimalPlacesStored);
  P.Property(L"Nullable", &C::Nullable, &C::SetNullable).Default(true);
  P.Property(L"NullString", [](C* E) { return E->NullString(); }, [](C* E, const String& V) { E->SetNullString(V); });
  P.Property(L"UseThousandSeparator", &C::UseThousandSeparator, &C::SetUseThousandSeparator).Default(false);
  P.Property(L"ValidateOnEnter", &C::ValidateOnEnter, &C::SetValidateOnEnter).Default(true);
}

// --- Control ----------------------------------------------------------------------------------

std::unique_ptr<TvxCustomEditProperties> TvxCustomCurrencyEdit::CreateProperties() {
  return std::make_unique<TvxCustomCurrencyEditProperties>(this);
}

std::unique_ptr<TvxCustomEditProperties> TvxCurrencyEdit::CreateProperties() {
  return std::make_unique<TvxCurrencyEditProperties>(this);
}

void TvxCustomCurrencyEdit::Initialize() {
  inherited::Initialize();
  ControlStyle().Exclude(csSetCaption);
}

void TvxCustomCurrencyEdit::PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  AEditValue = ActiveProperties()->TextToEditValue(VarToStr(ADisplayValue));
}

double TvxCustomCurrencyEdit::Value() {
  if (Focused() && !IsEditValidated() && ModifiedAfterEnter()) {
    Variant v;
    PrepareEditValue(InternalGetText(), v, true);
    return VarIsNumeric(v) ? v.AsDouble() : 0;
  }
  const Variant v = EditValue();
  if (VarIsNull(v) || VarIsEmpty(v)) return 0;
  if (VarIsStr(v) && StrToCurrDef(VarToStr(v), Currency()) == Currency()) return 0;
  return v.AsDouble();
}

void TvxCustomCurrencyEdit::SetValue(double AValue) {
  TvxCustomCurrencyEditProperties* p = ActiveProperties();
  if (p->IsValueBoundDefined(false) && AValue < p->MinValue())
    AValue = p->MinValue();
  else if (p->IsValueBoundDefined(true) && AValue > p->MaxValue())
    AValue = p->MaxValue();
  SetInternalEditValue(AValue);
}

void TvxCustomCurrencyEdit::PasteFromClipboard() {
  if (DoEditing()) inherited::PasteFromClipboard();
}

void TvxCustomCurrencyEdit::PropertiesChanged(TObject* Sender) {
  if (Sender == ActiveProperties() && ActiveProperties()->FormatChanging()) return;
  if (!Focused()) DataBinding()->UpdateDisplayValue();
  inherited::PropertiesChanged(Sender);
}

void TvxCustomCurrencyEdit::KeyPress(wchar_t& Key) {
  Key = ActiveProperties()->TranslateKey(Key);
  inherited::KeyPress(Key);
}

bool TvxCustomCurrencyEdit::IsValidChar(wchar_t AChar) {
  if (!inherited::IsValidChar(AChar)) return false;
  TvxCustomCurrencyEditProperties* p = ActiveProperties();
  const String text = InternalGetText();
  const bool numeric = AChar == L'+' || AChar == L'-' || (AChar >= L'0' && AChar <= L'9') ||
                       AChar == FormatSettings.DecimalSeparator || AChar == L'e' || AChar == L'E';
  const bool thousand = p->UseThousandSeparator() && AChar == FormatSettings.ThousandSeparator;
  if (!numeric && !thousand) return false;
  // A text shown in a display format is replaced as a whole: any amount character starts it.
  if (p->HasDefaultDisplayFormat(true) && !p->IsDecimalTextValid(text)) return true;
  return p->IsCharAcceptable(AChar, text, SelStart(), SelLength());
}

void TvxCurrencyEdit::DeclarePublished(TPublisher<TvxCurrencyEdit>& P) {
  using C = TvxCurrencyEdit;
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"BeepOnEnter", &C::BeepOnEnter, &C::SetBeepOnEnter).Default(true);
  P.Property(L"EditValue", [](C* E) { return E->EditValue(); }, [](C* E, const Variant& V) { E->SetEditValue(V); });
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(false);
  P.Property(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
  P.Property(L"Properties", [](C* E) { return E->Properties(); },
             [](C* E, TvxCurrencyEditProperties* V) { E->SetProperties(V); });
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"StyleDisabled", &TvxContainer::StyleDisabled, &TvxContainer::SetStyleDisabled);
  P.Property(L"StyleFocused", &TvxContainer::StyleFocused, &TvxContainer::SetStyleFocused);
  P.Property(L"StyleHot", &TvxContainer::StyleHot, &TvxContainer::SetStyleHot);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"TextHint", [](C* E) { return E->TextHint(); }, [](C* E, const String& V) { E->SetTextHint(V); });
  P.Property(L"Value", [](C* E) { return E->Value(); }, [](C* E, double V) { E->SetValue(V); }).Stored(false);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
}

TvxFilterControlOperators vxNumberFilterOperators(bool AExtendedSet) {
  TvxFilterControlOperators result{fcoEqual, fcoNotEqual, fcoLess, fcoLessEqual, fcoGreater, fcoGreaterEqual,
                                   fcoBlanks, fcoNonBlanks};
  if (AExtendedSet) result += TvxFilterControlOperators{fcoBetween, fcoNotBetween, fcoInList, fcoNotInList};
  return result;
}

TvxFilterControlOperators TvxFilterCurrencyEditHelper::GetSupportedFilterOperators(TvxCustomEditProperties*,
                                                                                   TvxValueTypeClass,
                                                                                   bool AExtendedSet) const {
  return vxNumberFilterOperators(AExtendedSet);
}

void TvxFilterCurrencyEditHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                       TvxCustomEditProperties* AEditProperties,
                                                       bool AHasButtons) const {
  TvxFilterTextEditHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  auto* p = dynamic_cast<TvxCustomCurrencyEditProperties*>(AProperties);
  if (!p) return;
  p->SetMinValue(0);
  p->SetMaxValue(0);
  p->SetNullable(true);
  p->SetNullString(String());
}

namespace {
void InitCurrencyEdit() {
  RegisterClass(TvxCurrencyEdit::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxCurrencyEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryCurrencyItem));
  GetFilterEditsController()->Register(TvxCurrencyEditProperties::StaticClass(), TvxFilterCurrencyEditHelper::Class());
}
void FinCurrencyEdit() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxCurrencyEditProperties::StaticClass(),
                                           TvxFilterCurrencyEditHelper::Class());
  UnRegisterClass(TvxCurrencyEdit::StaticClass());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxCurrencyEditProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxCurrencyEditUnit = {L"vxCurrencyEdit", InitCurrencyEdit, FinCurrencyEdit};
