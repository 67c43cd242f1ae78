// The currency edit: properties that convert between amounts and the locale's texts and
// filter the typed keys, and the single-line editor control over them.
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
  bool IsEditValueNumeric() override { return true; }
  // The format controller's currency format.
  String GetDefaultDisplayFormat() override;
  TvxEditDisplayFormatOptions DisplayFormatOptions() override { return {dfoSupports, dfoNoCurrencyValue}; }
  // Separators are put back while typing only when they may be typed.
  bool UseThousandSeparators(bool ASynchronizing) override { return !ASynchronizing && FUseThousandSeparator; }
  TClass GetContainerClass() override;
  TvxDataEditValueSource GetEditValueSource(bool AEditFocused) override;
  // A focused text must be an amount; it is trimmed on success.
  bool IsDisplayValueValid(Variant& ADisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit) override;

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
  PUBLISHED(TvxCurrencyEditProperties)
 public:
  explicit TvxCurrencyEditProperties(TPersistent* AOwner) : TvxCustomCurrencyEditProperties(AOwner) {}
};

// The amount editor: a text edit that takes only keystrokes keeping the text an amount.
class TvxCustomCurrencyEdit : public TvxCustomTextEdit {
  DECLARE_CLASS(TvxCustomCurrencyEdit, TvxCustomTextEdit)
 public:
  using TvxCustomTextEdit::TvxCustomTextEdit;
  TvxCustomCurrencyEditProperties* Properties() const {
    return static_cast<TvxCustomCurrencyEditProperties*>(TvxCustomEdit::Properties());
  }
  TvxCustomCurrencyEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomCurrencyEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  // The amount: the text being typed while it is edited, else the edit value; 0 for none.
  double Value();
  // Stores the amount, moved into the bounds in force.
  void SetValue(double AValue);
  void PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void PasteFromClipboard() override;
  void PropertiesChanged(TObject* Sender) override;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  void Initialize() override;
  bool IsValidChar(wchar_t AChar) override;
  void KeyPress(wchar_t& Key) override;
};

class TvxCurrencyEdit : public TvxCustomCurrencyEdit {
  DECLARE_CLASS(TvxCurrencyEdit, TvxCustomCurrencyEdit)
  PUBLISHED(TvxCurrencyEdit)
 public:
  using TvxCustomCurrencyEdit::TvxCustomCurrencyEdit;
  TvxCurrencyEditProperties* Properties() const {
    return static_cast<TvxCurrencyEditProperties*>(TvxCustomEdit::Properties());
  }
  void SetProperties(TvxCurrencyEditProperties* Value) { Properties()->Assign(Value); }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
};

// The filter operators of an editor of numbers: comparisons and blanks, with ranges and lists
// in the extended set.
TvxFilterControlOperators vxNumberFilterOperators(bool AExtendedSet);

// Filter rows type amounts into a currency edit that may stay empty.
class TvxFilterCurrencyEditHelper : public TvxFilterTextEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterCurrencyEditHelper, TvxFilterTextEditHelper)
 public:
  TClass GetFilterEditClass() const override { return TvxCurrencyEdit::StaticClass(); }
  TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                        TvxValueTypeClass AValueTypeClass,
                                                        bool AExtendedSet = false) const override;
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
};

extern const TUnitInfo vxCurrencyEditUnit;
