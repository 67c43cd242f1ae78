// The spin edit: a numeric editor (64-bit integer or double) whose value the user types
// or steps with spin buttons, the arrow and page keys and the mouse wheel, optionally
// bounded (stopping, refusing or wrapping at the bounds).
#pragma once

#include <memory>

#include "vxFilterControlUtils.h"
#include "vxMaskEdit.h"

class TvxTimer;
class TvxCustomSpinEdit;

enum TvxSpinEditValueType { vtInt, vtFloat };
ENUM_TYPEINFO(TvxSpinEditValueType, vtInt, vtFloat)
enum TvxSpinEditButtonsPosition { sbpHorzLeftRight, sbpHorzRight, sbpVert };
ENUM_TYPEINFO(TvxSpinEditButtonsPosition, sbpHorzLeftRight, sbpHorzRight, sbpVert)
// The ordinal is also the button's index among the properties' buttons.
enum TvxSpinEditButton { sebBackward, sebForward, sebFastBackward, sebFastForward };
// Button b is held in state ord(b) + 1.
enum TvxSpinEditPressedState { epsNone, epsDown, epsUp, epsFastDown, epsFastUp };

using TvxSpinEditGetValueEvent =
    std::function<void(TObject* Sender, const String& AText, Variant& AValue, String& ErrorText, bool& Error)>;

class TvxSpinEditButtons : public TPersistent {
  DECLARE_CLASS(TvxSpinEditButtons, TPersistent)
  PUBLISHED(TvxSpinEditButtons)
 public:
  explicit TvxSpinEditButtons(TPersistent* AOwner) : FOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return FOwner; }
  TvxSpinEditButtonsPosition Position() const { return FPosition; }
  void SetPosition(TvxSpinEditButtonsPosition Value) { SetValue(FPosition, Value); }
  bool ShowFastButtons() const { return FShowFastButtons; }
  void SetShowFastButtons(bool Value) { SetValue(FShowFastButtons, Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { SetValue(FVisible, Value); }

 private:
  template <class T>
  void SetValue(T& AField, T Value) {
    if (AField == Value) return;
    AField = Value;
    Changed();
  }
  void Changed();
  TPersistent* FOwner;
  TvxSpinEditButtonsPosition FPosition = sbpVert;
  bool FShowFastButtons = false;
  bool FVisible = true;
};

class TvxSpinEditPropertiesValues : public TvxTextEditPropertiesValues {
  DECLARE_CLASS(TvxSpinEditPropertiesValues, TvxTextEditPropertiesValues)
 public:
  explicit TvxSpinEditPropertiesValues(TPersistent* AOwner) : TvxTextEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;
  bool ValueType() const { return FValueType; }
  void SetValueType(bool Value);

 private:
  bool FValueType = false;
};

class TvxCustomSpinEditProperties : public TvxCustomMaskEditProperties {
  DECLARE_CLASS(TvxCustomSpinEditProperties, TvxCustomMaskEditProperties)
 public:
  explicit TvxCustomSpinEditProperties(TPersistent* AOwner);
  ~TvxCustomSpinEditProperties() override;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  void FirePropertiesChanged() override;
  TvxCustomEditPropertiesValuesClass AssignedValuesClass() override {
    return TvxSpinEditPropertiesValues::StaticClass();
  }
  TClass GetContainerClass() override;
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                        bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;
  bool IsEditValueNumeric() override { return true; }
  bool IsEditValueValid(Variant& EditValue, bool AEditFocused) override;
  bool IsDisplayValueValid(Variant& ADisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit) override;
  TvxDataEditValueSource GetEditValueSource(bool AEditFocused) override;
  // An integer being edited shows all its digits (the general numeric text keeps 15).
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  void GetInvalidEditValueDisplayValue(Variant& Value) override;

  // A step beyond a bound stops at the bound.
  virtual bool CanClampValue() { return true; }
  // 2 wrap, 1 clamp, 0 refuse.
  virtual Integer GetStepLimitMode();
  virtual void GetEffectiveMaxValue(Variant& V);
  virtual void GetEffectiveMinValue(Variant& V);
  virtual bool ValidatesNumericText() { return true; }
  // 0 for Null or Empty, in the value type.
  virtual void PrepareSpinValue(const Variant& V, Variant& R);
  // Whether a step keeps the selection (else the caret goes to the end).
  virtual bool KeepsSelection() { return false; }

  double GetIncrement(TvxSpinEditButton AButton);
  void ClampValue(const Variant& V, Variant& R);
  bool TextToSpinValue(const String& AText, Variant& V);
  // A numeric value cast to the value type; other values unchanged.
  Variant ConvertToValueType(const Variant& V);
  // The nearest integer (ties to even), kept within the 64-bit range, for vtInt; X for vtFloat.
  Variant FitToValueType(double X);
  Variant GetValueTypeLimit(bool AMin);

  bool CanEdit() const { return FCanEdit; }
  void SetCanEdit(bool Value) { FCanEdit = Value; }
  bool Circular() const { return FCircular; }
  void SetCircular(bool Value) { SetValue(FCircular, Value); }
  bool ExceptionOnInvalidInput() const { return FExceptionOnInvalidInput; }
  void SetExceptionOnInvalidInput(bool Value) { FExceptionOnInvalidInput = Value; }
  double Increment() const { return FIncrement; }
  void SetIncrement(double Value) { FIncrement = Value; }
  double LargeIncrement() const { return FLargeIncrement; }
  void SetLargeIncrement(double Value) { FLargeIncrement = Value; }
  TvxSpinEditButtons* SpinButtons() const { return FSpinButtons.get(); }
  void SetSpinButtons(TvxSpinEditButtons* Value) { FSpinButtons->Assign(Value); }
  bool UseCtrlIncrement() const { return FUseCtrlIncrement; }
  void SetUseCtrlIncrement(bool Value) { FUseCtrlIncrement = Value; }
  TvxSpinEditValueType ValueType();
  void SetValueType(TvxSpinEditValueType Value);
  bool IsValueTypeStored() { return Values()->ValueType(); }

  TvxSpinEditGetValueEvent OnGetValue;

 protected:
  static TvxEditPropertiesParts SpinParts();

 private:
  TvxSpinEditPropertiesValues* Values() const { return static_cast<TvxSpinEditPropertiesValues*>(AssignedValues()); }
  std::unique_ptr<TvxSpinEditButtons> FSpinButtons;
  bool FCanEdit = true;
  bool FCircular = false;
  double FIncrement = 1.0;
  double FLargeIncrement = 10.0;
  bool FExceptionOnInvalidInput = false;
  bool FUseCtrlIncrement = false;
  TvxSpinEditValueType FValueType = vtInt;
};

class TvxSpinEditProperties : public TvxCustomSpinEditProperties {
  DECLARE_CLASS(TvxSpinEditProperties, TvxCustomSpinEditProperties)
  PUBLISHED(TvxSpinEditProperties)
 public:
  explicit TvxSpinEditProperties(TPersistent* AOwner) : TvxCustomSpinEditProperties(AOwner) {}
};

class TvxSpinEditViewData : public TvxCustomTextEditViewData {
  DECLARE_CLASS(TvxSpinEditViewData, TvxCustomTextEditViewData)
 public:
  using TvxCustomTextEditViewData::TvxCustomTextEditViewData;
  bool IsButtonPressable(TvxCustomEditViewInfo* AViewInfo, Integer AButtonVisibleIndex) override;
  bool IsButtonPressed(TvxCustomEditViewInfo* AViewInfo, Integer AButtonVisibleIndex) override;
  bool IgnoreButtonWhileStretching(Integer AButtonVisibleIndex) override;
  void CalculateButtonBounds(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo, TRect& ButtonsRect,
                             Integer AButtonVisibleIndex) override;
  void CalculateButtonViewInfo(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo, TRect& ButtonsRect,
                               Integer AButtonVisibleIndex) override;
  void CheckButtonsOnly(TvxCustomEditViewInfo* AViewInfo, Integer APrevButtonsWidth, Integer AButtonsWidth) override;
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  // The spin buttons take their theme states in Calculate, from the spin theme.
  void CalculateButtonNativeInfo(TvxEditButtonViewInfo*) override {}
  TvxSpinEditPressedState PressedState = epsNone;

 private:
  TvxCustomSpinEditProperties* SpinProperties() const {
    return static_cast<TvxCustomSpinEditProperties*>(Properties());
  }
};

class TvxSpinEditViewInfo : public TvxCustomTextEditViewInfo {
  DECLARE_CLASS(TvxSpinEditViewInfo, TvxCustomTextEditViewInfo)
 public:
  TRect GetPartRect(Integer APart) override;
  void DrawButtonContent(TvxCanvas* ACanvas, Integer AButtonVisibleIndex, bool ANeedOffsetContent,
                         TColor ABrushColor, TColor APenColor, const TRect& AContentRect) override;
  void PaintContent(TvxCanvas* ACanvas) override;
  Integer ArrowSize = 0;
  TvxSpinEditButtonsPosition ButtonsPosition = sbpVert;
  // The line between two adjacent themed buttons, in the background colour.
  TPoint DelimiterLine[2]{};

 protected:
  void DrawThemedButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TRect& AContentRect,
                              TRect& ARect) override;
  void DrawNativeButtonBackground(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, const TRect& ARect) override;
};

class TvxCustomSpinEdit : public TvxCustomMaskEdit {
  DECLARE_CLASS(TvxCustomSpinEdit, TvxCustomMaskEdit)
 public:
  explicit TvxCustomSpinEdit(TComponent* AOwner, bool AIsInplace = false);
  ~TvxCustomSpinEdit() override;
  TvxCustomSpinEditProperties* Properties() const {
    return static_cast<TvxCustomSpinEditProperties*>(TvxCustomEdit::Properties());
  }
  TvxCustomSpinEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomSpinEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomSpinEditProperties::StaticClass(); }

  Variant Value() { return GetValue(); }
  void SetValue_(const Variant& AValue) { SetValue(AValue); }

  virtual double GetIncrementValue(TvxSpinEditButton AButton);
  virtual Variant GetValue();
  virtual String ValueToDisplayText(const Variant& AValue);
  virtual void SetValue(const Variant& AValue);
  // One step of the button; True when the text changed.
  virtual bool Increment(TvxSpinEditButton AButton);

  // The display text to a value; False (with the last internal value) when it is no number.
  bool ParseSpinText(const Variant& ADisplayValue, bool ARaiseOnError, String& AErrorText, Variant& V);
  TvxSpinEditPressedState PressedState() const { return FPressedState; }
  bool IsCustomText() const { return FIsCustomText; }
  const Variant& InternalValue() const { return FInternalValue; }
  // Whether the auto-repeat timer runs, and its current interval.
  bool IsSpinning() const { return FTimer != nullptr; }
  Cardinal SpinInterval() const;

  void PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void SynchronizeDisplayValue() override;
  void SynchronizeEditValue() override;
  void PropertiesChanged(TObject* Sender) override;
  void CutToClipboard() override;
  void PasteFromClipboard() override;
  void ClearSelection() override;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  void Initialize() override;
  bool GetNewValue(TvxSpinEditButton AButton, Variant& V);
  void SetInternalValue(const Variant& V);
  void SetPressedState(TvxSpinEditPressedState S);
  void StartSpinTimer();
  void StopSpinning();
  void DoBoundsChanged();
  // The value the editor falls back on: ClampValue(0) in the value type.
  Variant DefaultValue();

  void InternalGetEditingValue(Variant& Value) override { Value = GetValue(); }
  bool IsValidChar(wchar_t AChar) override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  void ProcessKeyPress(wchar_t& Key) override;
  void ProcessKeyUp(Word& Key, TShiftState Shift) override;
  void DoButtonDown(Integer AButtonVisibleIndex) override;
  void ChangeHandler(TObject* Sender) override;
  void FillViewDataState(TvxCustomEditViewData* AViewData) override;
  bool RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift, bool AIsMouseEvent) override;
  TvxContainerStyleValues GetNotPublishedStyleValues() override;
  void FocusChanged() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool DoMouseWheelDown(TShiftState Shift, POINT MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, POINT MousePos) override;

  Variant FInternalValue;
  bool FIsCustomText = false;
  bool FIsCustomTextAction = false;
  TvxSpinEditPressedState FPressedState = epsNone;
  std::unique_ptr<TvxTimer> FTimer;

 private:
  void SpinTimerHandler(TObject* Sender);
};

class TvxSpinEdit : public TvxCustomSpinEdit {
  DECLARE_CLASS(TvxSpinEdit, TvxCustomSpinEdit)
  PUBLISHED(TvxSpinEdit)
 public:
  using TvxCustomSpinEdit::TvxCustomSpinEdit;
  TvxSpinEditProperties* Properties() const {
    return static_cast<TvxSpinEditProperties*>(TvxCustomEdit::Properties());
  }
  void SetProperties(TvxSpinEditProperties* Value) { Properties()->Assign(Value); }
  TClass GetPropertiesClass() override { return TvxSpinEditProperties::StaticClass(); }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
};

class TvxFilterSpinEditHelper : public TvxCustomFilterEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterSpinEditHelper, TvxCustomFilterEditHelper)
 public:
  bool EditPropertiesHasButtons() const override { return true; }
  TClass GetFilterEditClass() const override;
  TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                        TvxValueTypeClass AValueTypeClass,
                                                        bool AExtendedSet = false) const override;
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
};

extern const TUnitInfo vxSpinEditUnit;
