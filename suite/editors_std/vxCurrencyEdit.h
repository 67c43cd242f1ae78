// Currency edit properties: the amount's text conversions and the typed-key filter.
#pragma once

#include "vxTextEdit.h"

class TvxCurrencyEditPropertiesValues : public TvxTextEditPropertiesValues {
  DECLARE_CLASS(TvxCurrencyEditPropertiesValues, TvxTextEditPropertiesValues)
 public:
  explicit TvxCurrencyEditPropertiesValues(TPersistent* AOwner) : TvxTextEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults();
  bool DecimalPlaces() const { return FDecimalPlaces; }
  void SetDecimalPlaces(bool Value) { FDecimalPlaces = Value; }

 private:
  bool FDecimalPlaces = false;
};

class TvxCustomCurrencyEditProperties : public TvxCustomTextEditProperties {
  DECLARE_CLASS(TvxCustomCurrencyEditProperties, TvxCustomTextEditProperties)
 public:
  explicit TvxCustomCurrencyEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TvxCustomEditPropertiesValuesClass AssignedValuesClass() override {
    return TvxCurrencyEditPropertiesValues::StaticClass();
  }

  // The text without thousand separators as a double: True with 0 for an empty text.
  static bool TextToValue(const String& AText, double& AValue);
  // Whether the text is a number with no more than DecimalPlaces decimals.
  bool IsDecimalTextValid(const String& AText);
  // The character as typed: "." and "," become the decimal separator unless thousand
  // separators may be typed.
  wchar_t TranslateKey(wchar_t AKey);
  // Whether typing AKey over the selection [ASelStart, ASelStart + ASelLength) of
  // AText keeps the text a valid amount.
  bool IsCharAcceptable(wchar_t AKey, const String& AText, Integer ASelStart, Integer ASelLength);
  // The edit value of a display text: the amount, else Null (Nullable) or currency 0.
  Variant TextToEditValue(const String& AText);
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;

  Integer DecimalPlaces();
  void SetDecimalPlaces(Integer Value);
  bool IsDecimalPlacesStored();
  bool Nullable() const { return FNullable; }
  void SetNullable(bool Value) { SetValue(FNullable, Value); }
  const String& NullString() const { return FNullString; }
  void SetNullString(const String& Value) { SetValue(FNullString, Value); }
  bool UseThousandSeparator() const { return FUseThousandSeparator; }
  void SetUseThousandSeparator(bool Value) { SetValue(FUseThousandSeparator, Value); }

 private:
  TvxCurrencyEditPropertiesValues* Values() {
    return static_cast<TvxCurrencyEditPropertiesValues*>(AssignedValues());
  }
  Integer FDecimalPlaces = 0;
  bool FNullable = true;
  String FNullString;
  bool FUseThousandSeparator = false;
};

class TvxCurrencyEditProperties : public TvxCustomCurrencyEditProperties {
  DECLARE_CLASS(TvxCurrencyEditProperties, TvxCustomCurrencyEditProperties)
 public:
  explicit TvxCurrencyEditProperties(TPersistent* AOwner) : TvxCustomCurrencyEditProperties(AOwner) {}
};

extern const TUnitInfo vxCurrencyEditUnit;
