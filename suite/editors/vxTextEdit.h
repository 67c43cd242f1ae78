// The text editor's properties: display and edit formats, numeric formatting, password
// echo and character case, the lookup items and value bounds. They turn edit values
// into the text that cells and editors show, and follow the locale formats.
#pragma once

#include <memory>

#include "Controls.h"
#include "StdCtrls.h"
#include "Streaming.h"
#include "vxDrawTextUtils.h"
#include "vxEdit.h"
#include "vxFormats.h"

enum TvxEditEchoMode { eemNormal, eemPassword };
ENUM_TYPEINFO(TvxEditEchoMode, eemNormal, eemPassword)
enum TvxEditEditingStyle { esEdit, esEditList, esFixedList, esNoEdit };
enum TvxTextEditViewStyle { vsNormal, vsHideCursor, vsButtonsOnly, vsButtonsAutoWidth };
// The input method mode the inner edit gets when nothing is asked for.
constexpr TImeMode imDontCare = 3;
using TImeName = String;
using TvxTextEditChars = std::bitset<256>;
using TvxNewLookupDisplayTextEvent = std::function<void(TObject* Sender, const String& AText)>;

class TvxTextEditPropertiesValues : public TvxCustomEditPropertiesValues {
  DECLARE_CLASS(TvxTextEditPropertiesValues, TvxCustomEditPropertiesValues)
  PUBLISHED(TvxTextEditPropertiesValues)
 public:
  explicit TvxTextEditPropertiesValues(TPersistent* AOwner) : TvxCustomEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults();
  bool DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(bool Value);
  bool EditFormat() const { return FEditFormat; }
  void SetEditFormat(bool Value);
  bool MaxLength() const { return FMaxLength; }
  // Whether a flag is written: set while the owner's value is the one a reader could
  // not tell from "not given", and the owner's class publishes the value.
  bool IsFlagStored(const wchar_t* APropName, bool AFlag, bool AOwnerValueIsEmpty) const;
  // Tells the owner that its length limit changed.
  void SetMaxLength(bool Value);

 private:
  bool FDisplayFormat = false;
  bool FEditFormat = false;
  bool FMaxLength = false;
};

class TvxCustomTextEditProperties : public TvxCustomEditProperties, public IvxFormatControllerListener {
  DECLARE_CLASS(TvxCustomTextEditProperties, TvxCustomEditProperties)
 public:
  explicit TvxCustomTextEditProperties(TPersistent* AOwner) : TvxCustomTextEditProperties(AOwner, Parts()) {}
  ~TvxCustomTextEditProperties() override;

  void Assign(TPersistent* Source) override;
  // Reads the legacy "IsDisplayFormatAssigned" flag of older streams (never written).
  void DefineProperties(TFiler* Filer) override;
  void AlignmentChanged(TObject* Sender) override;
  void SetAlignment(TvxEditAlignment* Value) override;
  bool HasDisplayValue() override { return true; }
  TvxCustomEditPropertiesValuesClass AssignedValuesClass() override {
    return TvxTextEditPropertiesValues::StaticClass();
  }
  TvxEditDisplayFormatOptions DisplayFormatOptions() override { return {dfoSupports}; }
  String GetValidationErrorText(Integer AErrorKind) override;
  bool HasSeparateChangeEvents() override { return true; }
  bool CanCompareEditValue() override { return true; }
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  String GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  TvxEditSupportedOperations GetSupportedOperations() override;
  bool IsEditValueValid(Variant& EditValue, bool AEditFocused) override;
  bool IsResetEditClass() override { return GetEditingStyle() != esNoEdit; }
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  TvxDataEditValueSource GetEditValueSource(bool) override { return evsText; }
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                        bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;

  // The locale formats changed.
  void FormatChanged() override;
  virtual void GetInvalidEditValueDisplayValue(Variant& Value) { Value = String(); }
  virtual bool IsLookupItem(const String& AText);
  virtual String GetDefaultDisplayFormat() { return String(); }
  virtual Integer GetDefaultMaxLength();
  virtual Integer GetLookupPageRowCount() { return 8; }
  virtual TvxEditEditingStyle GetEditingStyle() { return FHideCursor ? esNoEdit : esEdit; }
  virtual bool UseThousandSeparators(bool) { return false; }
  virtual void InternalGetEditFormat(bool& AIsCurrency, bool& AIsOnGetTextAssigned, TObject* AEdit, String& AFormat);
  virtual bool IsEditValueNumeric() { return false; }
  virtual bool IsLookupListInPopup() { return false; }
  virtual bool IsMultiLine() { return false; }
  virtual bool IsValueBoundDefined(bool AIsMax);
  bool IsValueBoundsDefined() { return IsValueBoundDefined(false) || IsValueBoundDefined(true); }
  virtual void NotifyChanged() { Changed(); }
  virtual void MaxLengthChanged() { Changed(); }
  // The text editor's properties always bring their lookup data with them.
  virtual bool IsLookupDataUsed() { return true; }
  virtual void DisplayValueToDisplayText(String& AText);
  virtual bool IsDisplayValueValid(Variant& ADisplayValue, bool AEditFocused);
  // A numeric editor with bounds first checks the value the display text converts to.
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit) override;
  // Sets the error with the out-of-bounds text when the converted number or date lies
  // outside the defined bounds.
  virtual void CheckValueBounds(const Variant& ADisplayValue, String& AErrorText, TvxCustomEdit* AEdit, bool& AError);

  void EditValueToDisplayValue(const Variant& AEditValue, bool AEditFocused, Variant& ADisplayValue);
  bool CanUseLookupData();

  TvxTextEditPropertiesValues* AssignedValues() const {
    return static_cast<TvxTextEditPropertiesValues*>(TvxCustomEditProperties::AssignedValues());
  }
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value) { SetValue(FCharCase, Value); }
  String DisplayFormat();
  void SetDisplayFormat(const String& Value);
  TvxEditEchoMode EchoMode() const { return FEchoMode; }
  void SetEchoMode(TvxEditEchoMode Value) { SetValue(FEchoMode, Value); }
  String EditFormat();
  void SetEditFormat(const String& Value);
  bool FixedListSelection() const { return FFixedListSelection; }
  void SetFixedListSelection(bool Value);
  bool HideCursor() const { return FHideCursor; }
  void SetHideCursor(bool Value) { SetValue(FHideCursor, Value); }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value) { SetValue(FHideSelection, Value); }
  TImeMode ImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode Value) { SetValue(FImeMode, Value); }
  const TImeName& ImeName() const { return FImeName; }
  void SetImeName(const TImeName& Value) { SetValue(FImeName, Value); }
  bool ImmediateUpdateText() const { return FImmediateUpdateText; }
  void SetImmediateUpdateText(bool Value) { FImmediateUpdateText = Value; }
  bool IncrementalSearch() const { return FIncrementalSearch; }
  void SetIncrementalSearch(bool Value) { SetValue(FIncrementalSearch, Value); }
  TStringList* LookupItems() const { return FLookupItems.get(); }
  void SetLookupItems(TStrings* Value) { FLookupItems->Assign(Value); }
  bool LookupItemsSorted() const { return FLookupItems->Sorted(); }
  void SetLookupItemsSorted(bool Value) { FLookupItems->SetSorted(Value); }
  Integer MaxLength();
  void SetMaxLength(Integer Value);
  bool MRUMode() const { return FMRUMode; }
  void SetMRUMode(bool Value) { SetValue(FMRUMode, Value); }
  bool OEMConvert() const { return FOEMConvert; }
  void SetOEMConvert(bool Value) { SetValue(FOEMConvert, Value); }
  wchar_t PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(wchar_t Value) { SetValue(FPasswordChar, Value); }
  bool UseDisplayFormatWhenEditing() const { return FUseDisplayFormatWhenEditing; }
  void SetUseDisplayFormatWhenEditing(bool Value) { SetValue(FUseDisplayFormatWhenEditing, Value); }
  const TvxTextEditChars& ValidChars() const { return FValidChars; }
  void SetValidChars(const TvxTextEditChars& Value) { FValidChars = Value; }
  TvxTextEditViewStyle ViewStyle();
  void SetViewStyle(TvxTextEditViewStyle Value);
  bool FormatChanging() const { return FFormatChanging; }

  TvxNewLookupDisplayTextEvent OnNewLookupDisplayText;

 protected:
  TvxCustomTextEditProperties(TPersistent* AOwner, const TvxEditPropertiesParts& AParts);
  static TvxEditPropertiesParts Parts();

 private:
  String PrepareNumericDisplayText(const Variant& AEditValue, bool AEditFocused);

  TEditCharCase FCharCase = ecNormal;
  String FDisplayFormat;
  TvxEditEchoMode FEchoMode = eemNormal;
  String FEditFormat;
  bool FFixedListSelection = true;
  bool FFormatChanging = false;
  bool FHideCursor = false;
  bool FHideSelection = true;
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;
  bool FImmediateUpdateText = false;
  bool FIncrementalSearch = true;
  std::unique_ptr<TStringList> FLookupItems;
  Integer FMaxLength = 0;
  bool FMRUMode = false;
  bool FOEMConvert = false;
  wchar_t FPasswordChar = 0;
  bool FUseDisplayFormatWhenEditing = false;
  TvxTextEditChars FValidChars;
};

// The cached row lay-out of a text view info.
struct TvxTextOutData {
  bool ForceEndEllipsis = false;
  bool Initialized = false;
  Integer RowCount = 0;
  Integer SelStart = 0;
  Integer SelLength = 0;
  TColor SelBackgroundColor = clHighlight;
  TColor SelTextColor = clHighlightText;
  TvxTextParams TextParams{};
  TRect TextRect{};
  TvxTextRows TextRows{};
};

using TvxTextEditCustomDrawHandler = std::function<void(TvxCanvas* ACanvas, const TRect& ARect)>;

class TvxCustomTextEditViewInfo : public TvxCustomEditViewInfo {
  DECLARE_CLASS(TvxCustomTextEditViewInfo, TvxCustomEditViewInfo)
 public:
  TvxCustomTextEditViewInfo() = default;
  void PaintContent(TvxCanvas* ACanvas) override;
  void Offset(Integer DX, Integer DY) override;
  // Draws Text in TextRect, laying the rows out once per calculation.
  virtual void DrawText(TvxCanvas* ACanvas);

  bool ComboBoxStyle = false;
  TvxTextEditCustomDrawHandler CustomDrawHandler;
  bool DrawSelectionBar = false;
  Integer DrawTextFlags = 0;
  TvxEditEditingStyle EditingStyle = esEdit;
  bool HasPopupWindow = false;
  bool IsEditClass = false;
  bool IsOwnerDrawing = false;
  Integer MaxLineCount = 0;
  Integer SelStart = 0;
  Integer SelLength = 0;
  TColor SelTextColor = clHighlightText;
  TColor SelBackgroundColor = clHighlight;
  String Text;
  TvxTextOutData TextOutData;
  TRect TextRect{};
};

class TvxCustomTextEditViewData : public TvxCustomEditViewData {
  DECLARE_CLASS(TvxCustomTextEditViewData, TvxCustomEditViewData)
 public:
  TvxCustomTextEditViewData(TvxCustomTextEditProperties* AProperties, TvxCustomEditStyle* AStyle, bool AIsInplace);
  void InternalEditValueToDisplayText(const Variant& AEditValue, String& AText) override;
  TSize InternalGetEditContentSize(TvxCanvas* ACanvas, const Variant& AEditValue,
                                   const TvxEditSizeProperties& AEditSizeProperties) override;
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  void EditValueToDrawValue(TvxCanvas* ACanvas, const Variant& AEditValue, TvxCustomEditViewInfo* AViewInfo) override;
  virtual bool GetIsEditClass() { return false; }  // no live inner edit without an editor
  virtual Integer GetMaxLineCount() { return MaxLineCount; }
  virtual bool IsComboBoxStyle() { return false; }
  virtual void CalculateDrawTextFlags(TvxCanvas* ACanvas, TvxCustomTextEditViewInfo* AViewInfo);
  virtual void DisplayValueToDrawValue(const Variant& ADisplayValue, TvxCustomTextEditViewInfo* AViewInfo);
  virtual Integer GetDrawTextFlags();
  virtual TRect GetDrawTextOffset();
  void PrepareSelection(TvxCustomTextEditViewInfo* AViewInfo);
  // The size a text needs (see the text editor's sizing rules).
  TSize CalculateTextEditViewSize(TvxCanvas* ACanvas, const String& AText, bool AIncludeCorrection, Integer ALineCount,
                                  const TvxEditSizeProperties& AEditSizeProperties, Integer AFlags);
  TvxCustomTextEditProperties* TextProperties() const {
    return static_cast<TvxCustomTextEditProperties*>(Properties());
  }

 private:
  bool FIsValueEditorWithValueFormatting = false;
};

class TvxTextEditProperties : public TvxCustomTextEditProperties {
  DECLARE_CLASS(TvxTextEditProperties, TvxCustomTextEditProperties)
  PUBLISHED(TvxTextEditProperties)
 public:
  explicit TvxTextEditProperties(TPersistent* AOwner) : TvxCustomTextEditProperties(AOwner) {}
};

extern const TUnitInfo vxTextEditUnit;
