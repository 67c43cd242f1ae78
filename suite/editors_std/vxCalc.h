// The pocket calculator control: 27 self-drawn buttons, a memory and one pending operator,
// working on the text it displays (digits are appended to it, values read back from it with
// the locale's float conversion).
#pragma once

#include <functional>

#include "vxControls.h"
#include "vxDropDownEdit.h"
#include "vxEdit.h"
#include "vxLookAndFeelPainters.h"
#include "vxMaskEdit.h"

// TvxCalcButtonKind comes with the painters, which draw calculator buttons too.
constexpr Integer vxCalcButtonCount = 27;

enum TvxCalcState { csFirst, csValid, csError };

struct TvxButtonInfo {
  TRect BtnRect{};
  bool Down = false;
  bool Grayed = false;
  TvxCalcButtonKind Kind = cbNone;
  String Text;
};
using TCalcButtons = TvxButtonInfo[vxCalcButtonCount];

using TvxCalcButtonClick = std::function<void(TObject* Sender, TvxCalcButtonKind& ButtonKind)>;

// The caption of a button kind (the decimal button shows the locale's separator).
String vxCalcButtonCaption(TvxCalcButtonKind AKind);

class TvxCustomCalculator : public TvxControl {
  DECLARE_CLASS(TvxCustomCalculator, TvxControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomCalculator(TComponent* AOwner);

  // 0 in the error state; unreadable text (a lone "-", a stray character) reads as 0.
  Extended Value();
  void SetValue(Extended Value);
  Extended Memory() const { return FMemory; }
  TvxCalcState Status() const { return FStatus; }
  TvxCalcButtonKind PendingOperator() const { return FOperator; }
  const TvxButtonInfo& Button(TvxCalcButtonKind AKind) const { return FButtons[AKind]; }
  TvxCalcButtonKind GetButtonKindAt(Integer X, Integer Y) const;
  static TvxCalcButtonKind GetButtonKindChar(wchar_t Ch);
  static TvxCalcButtonKind GetButtonKindKey(Word Key, TShiftState Shift);
  void CopyToClipboard();
  void PasteFromClipboard();
  // Acts as a press of the button.
  void ProcessButton(TvxCalcButtonKind AKind);

  bool AutoFontSize() const { return FAutoFontSize; }
  void SetAutoFontSize(bool Value);
  bool BeepOnError() const { return FBeepOnError; }
  void SetBeepOnError(bool Value) { FBeepOnError = Value; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool FocusRectVisible() const { return FFocusRectVisible; }
  void SetFocusRectVisible(bool Value);
  Byte Precision() const { return FPrecision; }
  void SetPrecision(Byte Value) { FPrecision = Value; }
  Integer CalcFontSize() const { return FCalcFontSize; }
  Integer CalcBtnWidth() const { return FCalcBtnWidth; }
  Integer CalcBtnHeight() const { return FCalcBtnHeight; }
  Integer CalcLargeBtnWidth() const { return FCalcLargeBtnWidth; }
  Integer CalcXOfs() const { return FCalcXOfs; }
  Integer CalcYOfs() const { return FCalcYOfs; }
  Integer CalcWidth() const { return FCalcWidth; }
  Integer CalcHeight() const { return FCalcHeight; }
  // The metrics for a client of AWidth x AHeight, then the client size and the layout.
  void CalcSize(Integer AWidth, Integer AHeight);

  virtual TvxCustomLookAndFeelPainterClass GetPainter();
  virtual String GetDisplayText() { return String(); }
  virtual void SetDisplayText(const String&) {}
  virtual void HidePopup(TObject* Sender, TvxEditCloseUpReason AReason);
  virtual void LockChangeEvents(bool, bool = true) {}

  TNotifyEvent OnDisplayChange;
  TvxCalcButtonClick OnButtonClick;
  TNotifyEvent OnResult;
  TvxEditClosePopupEvent OnHidePopup;
  bool IsPopupControl = false;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void Resize() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void DoEnter() override;
  void DoExit() override;
  // Lets go of the button a key holds down.
  void ReleaseKeyButton();

 private:
  void CMMouseLeaveMsg(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void ResetOperands();
  void LayoutButtons();
  void InvalidateButton(TvxCalcButtonKind AKind);
  void SetActiveButton(TvxCalcButtonKind AKind);
  void SetDownButton(TvxCalcButtonKind AKind, bool ADown);
  void PressKeyButton(TvxCalcButtonKind AKind);
  void Error();
  void LeaveFirst();
  void UpdateMemoryButtons();
  bool IsCalcFocused();

  bool FAutoFontSize = true;
  bool FBeepOnError = true;
  TBorderStyle FBorderStyle = bsNone;
  bool FFocusRectVisible = true;
  Integer FCalcFontSize = 8;
  Integer FCalcBtnWidth = 28;
  Integer FCalcBtnHeight = 22;
  Integer FCalcLargeBtnWidth = 47;
  Integer FCalcXOfs = 3;
  Integer FCalcYOfs = 3;
  Integer FCalcWidth = 198;
  Integer FCalcHeight = 131;
  Extended FMemory = 0;
  TvxCalcButtonKind FOperator = cbEqual;
  Extended FOperand = 0;
  Byte FPrecision = 15;
  TvxCalcState FStatus = csFirst;
  TCalcButtons FButtons;
  TvxCalcButtonKind FActiveButton = cbNone;
  TvxCalcButtonKind FDownButton = cbNone;
  TvxCalcButtonKind FPressedButton = cbNone;
  bool FTracking = false;
  bool FSizing = false;
};

class TvxCustomCalcEdit;

// The calculator of a calc edit's popup: it shows and writes the edit's text and never takes
// the focus from the mouse.
class TvxPopupCalculator : public TvxCustomCalculator {
  DECLARE_CLASS(TvxPopupCalculator, TvxCustomCalculator)
 public:
  explicit TvxPopupCalculator(TComponent* AOwner);
  TvxCustomCalcEdit* Edit() const { return FEdit; }
  void SetEdit(TvxCustomCalcEdit* Value) { FEdit = Value; }
  // Called each time the popup shows: no key holds a button.
  void Init() { ReleaseKeyButton(); }
  TvxCustomLookAndFeelPainterClass GetPainter() override;
  String GetDisplayText() override;
  void SetDisplayText(const String& AText) override;
  void LockChangeEvents(bool ALock, bool AInvokeChangedOnUnlock = true) override;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;

 private:
  TvxCustomCalcEdit* FEdit = nullptr;  // not owned: the edit owns the calculator
};

// Which of the calc edit's derived settings were given explicitly.
class TvxCalcEditPropertiesValues : public TvxTextEditPropertiesValues {
  DECLARE_CLASS(TvxCalcEditPropertiesValues, TvxTextEditPropertiesValues)
 public:
  explicit TvxCalcEditPropertiesValues(TPersistent* AOwner) : TvxTextEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults();
  bool Precision() const { return FPrecision; }
  void SetPrecision(bool Value);

 private:
  bool FPrecision = false;
};

class TvxCustomCalcEditProperties : public TvxCustomPopupEditProperties {
  DECLARE_CLASS(TvxCustomCalcEditProperties, TvxCustomPopupEditProperties)
 public:
  explicit TvxCustomCalcEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TvxCustomEditPropertiesValuesClass AssignedValuesClass() override {
    return TvxCalcEditPropertiesValues::StaticClass();
  }
  TvxCalcEditPropertiesValues* AssignedValues() const {
    return static_cast<TvxCalcEditPropertiesValues*>(TvxCustomPopupEditProperties::AssignedValues());
  }
  TClass GetContainerClass() override;
  TvxDataEditValueSource GetEditValueSource(bool AEditFocused) override;
  bool IsEditValueNumeric() override { return true; }
  bool IsEditValueValid(Variant& EditValue, bool AEditFocused) override;
  bool IsDisplayValueValid(Variant&, bool) override { return true; }
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit) override;

  // The number a text stands for (thousand separators ignored), within the range a double
  // holds; false for anything else, a lone "-" included.
  static bool TextToNumber(const String& AText, Extended& AValue);
  // The edit value of a text: Null when it is empty or no number.
  Variant TextToEditValue(const String& AText);

  // The assigned precision, else the data field's, else 15; never above 15.
  Byte Precision();
  void SetPrecision(Byte Value);
  bool QuickClose() const { return FQuickClose; }
  void SetQuickClose(bool Value) { SetValue(FQuickClose, Value); }
  bool ScientificFormat() const { return FScientificFormat; }
  void SetScientificFormat(bool Value) { SetValue(FScientificFormat, Value); }
  bool UseThousandSeparator() const { return FUseThousandSeparator; }
  void SetUseThousandSeparator(bool Value) { SetValue(FUseThousandSeparator, Value); }

 private:
  Byte FPrecision = 15;
  bool FQuickClose = false;
  bool FScientificFormat = false;
  bool FUseThousandSeparator = false;
};

class TvxCalcEditProperties : public TvxCustomCalcEditProperties {
  DECLARE_CLASS(TvxCalcEditProperties, TvxCustomCalcEditProperties)
  PUBLISHED(TvxCalcEditProperties)
 public:
  explicit TvxCalcEditProperties(TPersistent* AOwner) : TvxCustomCalcEditProperties(AOwner) {}
};

// An editor of floating-point values whose popup is a calculator.
class TvxCustomCalcEdit : public TvxCustomPopupEdit {
  DECLARE_CLASS(TvxCustomCalcEdit, TvxCustomPopupEdit)
  friend class TvxPopupCalculator;

 public:
  using TvxCustomPopupEdit::TvxCustomPopupEdit;
  ~TvxCustomCalcEdit() override;
  TvxCustomCalcEditProperties* Properties() const {
    return static_cast<TvxCustomCalcEditProperties*>(TvxCustomPopupEdit::Properties());
  }
  TvxCustomCalcEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomCalcEditProperties*>(TvxCustomPopupEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomCalcEditProperties::StaticClass(); }
  TvxPopupCalculator* Calculator() const { return FCalculator.get(); }

  // 0 for Null, an empty or an unreadable value.
  Extended Value();
  void SetValue(Extended AValue) { SetEditValue(Variant(static_cast<double>(AValue))); }

  bool CanDropDown() override;
  void DropDown() override;
  void SetupPopupWindow() override;
  void PasteFromClipboard() override;
  void PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void PropertiesChanged(TObject* Sender) override;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  void Initialize() override;
  std::unique_ptr<TvxCustomEditPopupWindow> CreatePopupWindow() override;
  void DoPopupShowed(TObject* Sender) override;
  void DoClosePopupWindow(TObject* Sender) override;
  void KeyPress(wchar_t& Key) override;
  void DoEnter() override;
  void DoExit() override;
  // Whether typing AKey over the selection keeps the text a number.
  bool IsCharAcceptable(wchar_t AKey);

 private:
  // Gives the calculator the settings in force and makes it the popup control.
  void SyncCalculator();
  std::unique_ptr<TvxPopupCalculator> FCalculator;
  bool FSyncing = false;
};

class TvxCalcEdit : public TvxCustomCalcEdit {
  DECLARE_CLASS(TvxCalcEdit, TvxCustomCalcEdit)
  PUBLISHED(TvxCalcEdit)
 public:
  using TvxCustomCalcEdit::TvxCustomCalcEdit;
  TvxCalcEditProperties* Properties() const {
    return static_cast<TvxCalcEditProperties*>(TvxCustomEdit::Properties());
  }
  void SetProperties(TvxCalcEditProperties* Value) { Properties()->Assign(Value); }
  TClass GetPropertiesClass() override { return TvxCalcEditProperties::StaticClass(); }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
};

// Filter rows type numbers into a calc edit that closes its popup on "=".
class TvxFilterCalcEditHelper : public TvxFilterMaskEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterCalcEditHelper, TvxFilterMaskEditHelper)
 public:
  TClass GetFilterEditClass() const override { return TvxCalcEdit::StaticClass(); }
  TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                        TvxValueTypeClass AValueTypeClass,
                                                        bool AExtendedSet = false) const override;
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
};

extern const TUnitInfo vxCalcUnit;
