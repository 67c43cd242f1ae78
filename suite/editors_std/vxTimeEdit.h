// The time edit: a spin edit over a fixed-position "hh:nn:ss" mask (with the locale's
// AM/PM text in 12-hour mode) whose caret zone decides what Up and Down step. Its value
// is a date-time whose whole-day part is kept from the last value assigned.
#pragma once

#include "vxFormats.h"
#include "vxSpinEdit.h"

enum TvxTimeEditTimeFormat { tfHourMinSec, tfHourMin, tfHour };
ENUM_TYPEINFO(TvxTimeEditTimeFormat, tfHourMinSec, tfHourMin, tfHour)
enum TvxTimeEditZoneKind { tzHour, tzMin, tzSec, tzTimeSuffix };

struct TvxTimeEditZoneInfo {
  TvxTimeEditZoneKind Kind = tzHour;
  Integer Start = 1;  // 1-based text position
  Integer Length = 2;
  TvxTimeSuffixKind TimeSuffixKind = tskAMPMString;
  bool Use24HourFormat = true;
};

// The display format and the edit mask of a time format in 12- or 24-hour mode; the
// 12-hour masks follow the locale's AM/PM text.
String GetTimeEditDisplayFormat(TvxTimeEditTimeFormat AFormat, bool AUse24HourFormat);
String GetTimeEditMask(TvxTimeEditTimeFormat AFormat, bool AUse24HourFormat);

class TvxCustomTimeEditProperties : public TvxCustomSpinEditProperties {
  DECLARE_CLASS(TvxCustomTimeEditProperties, TvxCustomSpinEditProperties)
 public:
  explicit TvxCustomTimeEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  TvxEditDisplayFormatOptions DisplayFormatOptions() override { return {dfoSupports, dfoNoCurrencyValue}; }
  bool IsEditValueNumeric() override { return false; }
  TvxMaskEditCustomMode* CreateMode(TvxEditMaskKind AKind, TvxCustomMaskEdit* AEdit) override;
  void FormatChanged() override;
  void GetInvalidEditValueDisplayValue(Variant& Value) override;
  bool IsEditValueValid(Variant& EditValue, bool AEditFocused) override;
  bool IsDisplayValueValid(Variant& ADisplayValue, bool AEditFocused) override;
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit) override;
  // A step that would leave the bounds is refused; the value comes from the text; the
  // selection stays after a step.
  bool CanClampValue() override { return false; }
  void PrepareSpinValue(const Variant&, Variant& R) override { R = 0.0; }
  bool KeepsSelection() override { return true; }

  virtual void GetZoneInfo(Integer APosition, TvxTimeEditZoneInfo& AInfo);
  virtual Integer GetZoneLength(TvxTimeEditZoneKind) { return 2; }
  virtual Integer GetZoneStart(TvxTimeEditZoneKind AKind);
  virtual TvxTimeSuffixKind GetTimeSuffixKind() { return tskAMPMString; }

  String DisplayTimeFormat() { return GetTimeEditDisplayFormat(FTimeFormat, FUse24HourFormat); }
  String GetTimeText(TDateTime AValue, bool AFocused);
  // The first position after the digits (the suffix starts behind it in 12-hour mode).
  Integer DigitsLength() const { return 8 - 3 * static_cast<Integer>(FTimeFormat); }

  bool AutoCorrectHours() const { return FAutoCorrectHours; }
  void SetAutoCorrectHours(bool Value) { FAutoCorrectHours = Value; }
  bool ShowDate() const { return FShowDate; }
  void SetShowDate(bool Value) { SetValue(FShowDate, Value); }
  TvxTimeEditTimeFormat TimeFormat() const { return FTimeFormat; }
  void SetTimeFormat(TvxTimeEditTimeFormat Value);
  bool Use24HourFormat() const { return FUse24HourFormat; }
  void SetUse24HourFormat(bool Value);
  bool UseTimeFormatWhenUnfocused() const { return FUseTimeFormatWhenUnfocused; }
  void SetUseTimeFormatWhenUnfocused(bool Value) { SetValue(FUseTimeFormatWhenUnfocused, Value); }

 private:
  void ApplyEditMask();
  bool FAutoCorrectHours = true;
  bool FShowDate = false;
  TvxTimeEditTimeFormat FTimeFormat = tfHourMinSec;
  bool FUse24HourFormat = true;
  bool FUseTimeFormatWhenUnfocused = true;
};

class TvxTimeEditProperties : public TvxCustomTimeEditProperties {
  DECLARE_CLASS(TvxTimeEditProperties, TvxCustomTimeEditProperties)
  PUBLISHED(TvxTimeEditProperties)
 public:
  explicit TvxTimeEditProperties(TPersistent* AOwner) : TvxCustomTimeEditProperties(AOwner) {}
};

// The standard mask mode with no blank at the AM/PM positions.
class TvxTimeEditMaskMode : public TvxMaskEditStandardMode {
 public:
  using TvxMaskEditStandardMode::TvxMaskEditStandardMode;
  Char GetBlank(Integer APosition) const override;
};

class TvxCustomTimeEdit : public TvxCustomSpinEdit {
  DECLARE_CLASS(TvxCustomTimeEdit, TvxCustomSpinEdit)
 public:
  using TvxCustomSpinEdit::TvxCustomSpinEdit;
  TvxCustomTimeEditProperties* Properties() const {
    return static_cast<TvxCustomTimeEditProperties*>(TvxCustomEdit::Properties());
  }
  TvxCustomTimeEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomTimeEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomTimeEditProperties::StaticClass(); }

  // The time of day only.
  TDateTime Time();
  void SetTime(TDateTime Value);
  TDateTime SavedDate() const { return FSavedDate; }

  void Clear() override { SetTime(0); }
  void PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void PropertiesChanged(TObject* Sender) override;
  bool CanAcceptMaskChar(Char& C, Integer APosition) override;
  double GetIncrementValue(TvxSpinEditButton AButton) override;
  // Seconds since midnight, read from the text.
  Variant GetValue() override;
  String ValueToDisplayText(const Variant& AValue) override;
  void SetValue(const Variant& AValue) override;
  bool Increment(TvxSpinEditButton AButton) override;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  void Initialize() override;
  void InternalSetEditValue(const Variant& Value, bool AValidateEditValue) override;
  void InternalGetEditingValue(Variant& Value) override { PrepareEditValue(InternalGetText(), Value, true); }
  void InternalApplyValidatedDisplayValue(const Variant& ADisplayValue) override;
  bool IsValidChar(wchar_t) override { return true; }

 private:
  // The zone of the caret.
  TvxTimeEditZoneInfo CaretZone();
  // Whether the suffix of AText is the PM text (trimmed, ignoring case).
  bool IsPMText(const String& AText);
  // Writes AText into the zone text at 0-based AIndex and puts the caret at ACaret.
  void ReplaceText(Integer AIndex, const String& AText, Integer ACaret);
  TDateTime FSavedDate = 0;
};

class TvxTimeEdit : public TvxCustomTimeEdit {
  DECLARE_CLASS(TvxTimeEdit, TvxCustomTimeEdit)
  PUBLISHED(TvxTimeEdit)
 public:
  using TvxCustomTimeEdit::TvxCustomTimeEdit;
  TvxTimeEditProperties* Properties() const {
    return static_cast<TvxTimeEditProperties*>(TvxCustomEdit::Properties());
  }
  void SetProperties(TvxTimeEditProperties* Value) { Properties()->Assign(Value); }
  TClass GetPropertiesClass() override { return TvxTimeEditProperties::StaticClass(); }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
};

class TvxFilterTimeEditHelper : public TvxFilterSpinEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterTimeEditHelper, TvxFilterSpinEditHelper)
 public:
  TClass GetFilterEditClass() const override;
  void InitializeEdit(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties) const override;
};

extern const TUnitInfo vxTimeEditUnit;
