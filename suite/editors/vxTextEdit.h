// The text editor's properties: display and edit formats, numeric formatting, password
// echo and character case, the lookup items and value bounds. They turn edit values
// into the text that cells and editors show, and follow the locale formats.
#pragma once

#include <memory>

#include "Controls.h"
#include "StdCtrls.h"
#include "Streaming.h"
#include "vxDrawTextUtils.h"
#include "vxCustomEdit.h"
#include "vxEdit.h"
#include "vxFilterControlUtils.h"
#include "vxFormats.h"

class TvxCustomTextEdit;
class TvxCustomTextEditLookupData;

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
  void RestoreDefaults() override;
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
  TClass GetContainerClass() override;
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
  // The lookup data of an edit with these properties (nullptr: none).
  virtual std::unique_ptr<TvxCustomTextEditLookupData> CreateLookupData(TvxCustomTextEdit* AEdit);
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
  // An editor is attached and its inner edit shows the text itself.
  virtual bool GetIsEditClass();
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

// --- Text edit control ----------------------------------------------------------------------------

class TvxCustomTextEdit;
class TvxCustomInnerTextEdit;
class TvxCustomTextEdit;
class TvxCustomTextEditLookupData;

// ---- Lookup data and the edit list box ----------------------------------------------------------

enum TvxEditLookupDataGoDirection { egdBegin, egdEnd, egdNext, egdPrev, egdPageUp, egdPageDown };

// A borderless list box with hot tracking that shows a lookup's items; it draws their
// texts through the lookup data.
class TvxCustomEditListBox : public TvxCustomInnerListBox {
  DECLARE_CLASS(TvxCustomEditListBox, TvxCustomInnerListBox)
 public:
  explicit TvxCustomEditListBox(TComponent* AOwner);
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value) { FHotTrack = Value; }
  // Moves to Value and tells OnSelectItem.
  void SetItemIndex(Integer Value);
  virtual String GetItemText(Integer AIndex);
  virtual Integer GetItemHeight(Integer AIndex = -1);
  virtual Integer GetItemWidth(Integer AIndex);
  virtual Integer GetHeight(Integer ARowCount, Integer AMaxHeight);
  bool IsVisible() { return HandleAllocated() && IsWindowVisible(Handle()); }
  void SetScrollWidth(Integer Value);
  void SetLookupData(TvxCustomTextEditLookupData* Value) { FLookupData = Value; }

  TNotifyEvent OnSelectItem;

 protected:
  void DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) override;
  void MeasureItem(Integer Index, Integer& Height) override;
  void Click() override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void DoSelectItem();

 private:
  bool FHotTrack = true;
  TvxCustomTextEditLookupData* FLookupData = nullptr;
};

// Keeps the current item of a text edit's lookup items, finds items by typed text, steps
// through them and drives an optional visual list. The key is the item index, -1 none.
class TvxCustomTextEditLookupData : public TvxInterfacedPersistent {
  DECLARE_CLASS(TvxCustomTextEditLookupData, TvxInterfacedPersistent)
 public:
  explicit TvxCustomTextEditLookupData(TvxCustomTextEdit* AOwner);
  ~TvxCustomTextEditLookupData() override;

  // Offers a new client size for the visual list (the user drags the popup's grip); may
  // change it. A maximum of 0 means unlimited.
  virtual bool CanResizeVisualArea(TSize& ASize, Integer AMaxHeight, Integer AMaxWidth) {
    (void)ASize, (void)AMaxHeight, (void)AMaxWidth;
    return true;
  }
  void CloseUp();
  // Forgets the visual list (its parent, the popup window, frees it).
  void Deinitialize() { FList = nullptr; }
  virtual void DropDown() {}
  virtual void DroppedDown(const String&) {}
  virtual bool Find(const String& AText) { return IndexOf(AText) != -1; }
  TvxCustomEditListBox* GetActiveControl() const { return FList; }
  Variant GetCurrentKey() const { return FCurrentKey; }
  Integer CurrentKey() const { return FCurrentKey; }
  Integer ItemIndex() const { return FItemIndex; }
  String GetDisplayText(const Variant& AKey);
  virtual TSize GetVisualAreaPreferredSize(Integer, Integer) { return TSize{0, 0}; }
  void Go(TvxEditLookupDataGoDirection ADirection, bool ACircular);
  virtual void Initialize(TWinControl* AVisualControlsParent);
  bool IsEmpty() { return GetItemCount() == 0; }
  // Whether P (screen coordinates) lies over the list's client area.
  bool IsMouseOverList(const TPoint& P);
  bool Locate(String& AText, String& ATail, bool ANext) { return FindIncremental(AText, ATail, ANext, false); }
  virtual void PositionVisualArea(const TRect& AClientRect);
  virtual void PropertiesChanged() { UpdateListItemCount(); }
  void SelectItem();
  void SetCurrentKey(const Variant& AKey);
  virtual void TextChanged();
  Integer IndexOf(const String& AText);
  TvxCustomTextEdit* Edit() const { return FEdit; }

  virtual String GetItem(Integer AIndex);
  virtual Integer GetItemCount();
  virtual bool FindIncremental(String& AText, String& ATail, bool ANext, bool AExactMRU);

  TNotifyEvent OnCurrentKeyChanged;
  TNotifyEvent OnSelectItem;

 protected:
  // The list class; none for a plain text edit.
  virtual TvxCustomEditListBox* CreateListBox(TComponent*) { return nullptr; }
  void InternalSetCurrentKey(Integer AValue);
  void SynchronizeListItemIndex(Integer AIndex);
  void ListSelectItem();
  void UpdateListItemCount();

  Integer FCurrentKey = -1;
  Integer FItemIndex = -1;
  TvxCustomEditListBox* FList = nullptr;
  TvxCustomTextEdit* FEdit;
};

// The inner text control as the text editor sees it.
class IvxInnerTextEdit : public IvxCustomInnerEdit {
 public:
  virtual void ClearSelection() = 0;
  virtual void CopyToClipboard() = 0;
  virtual TAlignment GetAlignment() = 0;
  virtual bool GetAutoSelect() = 0;
  virtual TEditCharCase GetCharCase() = 0;
  virtual TvxEditEchoMode GetEchoMode() = 0;
  virtual Integer GetFirstVisibleCharIndex() = 0;
  virtual bool GetHideSelection() = 0;
  virtual wchar_t GetImeLastChar() = 0;
  virtual TImeMode GetImeMode() = 0;
  virtual TImeName GetImeName() = 0;
  virtual bool GetInternalUpdating() = 0;
  virtual Integer GetMaxLength() = 0;
  virtual bool GetMultiLine() = 0;
  virtual bool GetOEMConvert() = 0;
  virtual TNotifyEvent GetOnSelChange() = 0;
  virtual wchar_t GetPasswordChar() = 0;
  virtual Integer GetSelLength() = 0;
  virtual Integer GetSelStart() = 0;
  virtual String GetSelText() = 0;
  virtual void SelectAll() = 0;
  virtual void SetAlignment(TAlignment Value) = 0;
  virtual void SetAutoSelect(bool Value) = 0;
  virtual void SetCharCase(TEditCharCase Value) = 0;
  virtual void SetEchoMode(TvxEditEchoMode Value) = 0;
  virtual void SetHideSelection(bool Value) = 0;
  virtual void SetInternalUpdating(bool Value) = 0;
  virtual void SetImeMode(TImeMode Value) = 0;
  virtual void SetImeName(const TImeName& Value) = 0;
  virtual void SetMaxLength(Integer Value) = 0;
  virtual void SetOEMConvert(bool Value) = 0;
  virtual void SetOnSelChange(TNotifyEvent Value) = 0;
  virtual void SetPasswordChar(wchar_t Value) = 0;
  virtual void SetSelLength(Integer Value) = 0;
  virtual void SetSelStart(Integer Value) = 0;
  virtual void SetSelText(const String& Value) = 0;
  virtual String GetTextHint() = 0;
  virtual void SetTextHint(const String& Value) = 0;
};
// {263EBB8D-1EA9-4CAC-8367-ADD74D2A9651}
constexpr GUID IID_IvxInnerTextEdit = {0x263EBB8D, 0x1EA9, 0x4CAC, {0x83, 0x67, 0xAD, 0xD7, 0x4D, 0x2A, 0x96, 0x51}};

// The inner text control's editor interface, kept apart from the control (whose own
// names, SetParent among them, mean something else).
class TvxCustomInnerTextEditHelper : public IvxInnerTextEdit {
 public:
  explicit TvxCustomInnerTextEditHelper(TvxCustomInnerTextEdit* AEdit) : FEdit(AEdit) {}
  TWinControl* GetControl() override;
  TvxContainer* GetControlContainer() override;
  LRESULT CallDefWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  bool CanProcessClipboardMessages() override { return false; }
  Variant GetEditValue() override;
  TNotifyEvent GetOnChange() override;
  bool GetReadOnly() override;
  void LockBounds(bool ALock) override;
  void SafelySetFocus() override;
  void SetEditValue(const Variant& Value) override;
  void SetParent(TWinControl* Value) override;
  void SetOnChange(TNotifyEvent Value) override;
  void SetReadOnly(bool Value) override;
  void ClearSelection() override;
  void CopyToClipboard() override;
  TAlignment GetAlignment() override;
  bool GetAutoSelect() override;
  TEditCharCase GetCharCase() override;
  TvxEditEchoMode GetEchoMode() override;
  Integer GetFirstVisibleCharIndex() override;
  bool GetHideSelection() override;
  wchar_t GetImeLastChar() override;
  TImeMode GetImeMode() override;
  TImeName GetImeName() override;
  bool GetInternalUpdating() override;
  Integer GetMaxLength() override;
  bool GetMultiLine() override { return false; }
  bool GetOEMConvert() override;
  TNotifyEvent GetOnSelChange() override;
  wchar_t GetPasswordChar() override;
  Integer GetSelLength() override;
  Integer GetSelStart() override;
  String GetSelText() override;
  void SelectAll() override;
  void SetAlignment(TAlignment Value) override;
  void SetAutoSelect(bool Value) override;
  void SetCharCase(TEditCharCase Value) override;
  void SetEchoMode(TvxEditEchoMode Value) override;
  void SetHideSelection(bool Value) override;
  void SetInternalUpdating(bool Value) override;
  void SetImeMode(TImeMode Value) override;
  void SetImeName(const TImeName& Value) override;
  void SetMaxLength(Integer Value) override;
  void SetOEMConvert(bool Value) override;
  void SetOnSelChange(TNotifyEvent Value) override;
  void SetPasswordChar(wchar_t Value) override;
  void SetSelLength(Integer Value) override;
  void SetSelStart(Integer Value) override;
  void SetSelText(const String& Value) override;
  String GetTextHint() override;
  void SetTextHint(const String& Value) override;
  // The selection kept while an input method composes characters.
  void CacheSelection();

 private:
  friend class TvxCustomInnerTextEdit;
  bool FAlignmentLock = false;
  TvxCustomInnerTextEdit* FEdit;
  Integer FSelLength = 0;
  Integer FSelStart = 0;
};

// The borderless system edit control inside a text editor: it hands every key, mouse and
// focus event to the editor first.
class TvxCustomInnerTextEdit : public TCustomEdit, public IvxContainerInnerControl, public IvxInnerEditHelperOwner {
  DECLARE_CLASS(TvxCustomInnerTextEdit, TCustomEdit)
  DECLARE_MESSAGE_MAP
  friend class TvxCustomInnerTextEditHelper;

 public:
  explicit TvxCustomInnerTextEdit(TComponent* AOwner);
  ~TvxCustomInnerTextEdit() override;
  TWinControl* GetControl() override { return this; }
  TvxContainer* GetControlContainer() override;
  IvxCustomInnerEdit* GetHelper() override { return FHelper.get(); }
  TvxCustomInnerTextEditHelper* Helper() const { return FHelper.get(); }
  TvxCustomTextEdit* Container();
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  bool CanFocus() override;
  TAlignment Alignment() const { return FAlignment; }
  TvxEditEchoMode EchoMode() const { return FEchoMode; }
  bool InternalUpdating() const { return FInternalUpdating; }
  // The character index at the caret.
  Integer GetCharIndexAtCaret();
  TNotifyEvent OnSelChange;

 protected:
  virtual void AdjustMargins();
  // Puts a helper of a descendant's own in place of the text edit's (from the descendant's
  // constructor, before anything has asked for the helper).
  void SetHelper(std::unique_ptr<TvxCustomInnerTextEditHelper> AHelper) { FHelper = std::move(AHelper); }
  // Left-aligned text while the edit is being edited, the properties' alignment otherwise
  // (when the properties ask for it).
  virtual void UpdateEditingAlignment();
  bool UsesEditingAlignment();
  // A click that switched the alignment was made less than a double-click time ago.
  bool DoubleClickPending() const;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void CreateHandle() override;
  void Change() override;
  void Click() override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;

  void WMEraseBkgnd(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void WMClear(TMessage& Message);
  void WMUndo(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMImeChar(TMessage& Message);
  void WMImeComposition(TMessage& Message);
  void EMReplaceSel(TMessage& Message);
  void EMSetSel(TMessage& Message);

 private:
  void RefreshPasswordChar();
  TAlignment FAlignment = taLeftJustify;
  // A click that switched the alignment is in progress, and when it came (0: none).
  bool FDblClickLock = false;
  DWORD FDblClickTime = 0;
  TvxEditEchoMode FEchoMode = eemNormal;
  std::unique_ptr<TvxCustomInnerTextEditHelper> FHelper;
  Integer FImeCharCount = 0;
  wchar_t FImeLastChar = 0;
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;
  bool FInternalUpdating = false;
  bool FIsCreating = false;
  Integer FLockBoundsCount = 0;
  bool FOEMConvert = false;
  wchar_t FOwnPasswordChar = 0;
  String FTextHint;
};

// The selection and text of an inner edit before a key, to tell whether the key changed
// anything.
struct TvxCustomInnerTextEditPrevState {
  bool IsPrevTextSaved = false;
  String PrevText;
  Integer PrevSelLength = 0;
  Integer PrevSelStart = 0;
};
void SaveInnerEditState(TvxCustomInnerTextEdit* AInnerEdit, bool ASaveText, TvxCustomInnerTextEditPrevState& AState);
// True ("changed") when the edit has no window, its selection moved, or the saved text
// differs (ignoring case) from the current one.
bool CompareInnerEditState(TvxCustomInnerTextEdit* AInnerEdit, const TvxCustomInnerTextEditPrevState& AState);

// Numeric text with the locale's thousand separators.
void InsertThousandSeparators(String& AText);
void RemoveThousandSeparators(String& AText);
bool IsNumericText(const String& AText);
void ReformatNumericEditText(TvxCustomTextEdit* AEdit);
void ApplyCharCase(String& AText, TEditCharCase ACharCase);

// The single-line text editor: an inner system edit holding the display text, kept in
// step with the edit value.
class TvxCustomTextEdit : public TvxCustomEdit, public IvxFormatControllerListener {
  DECLARE_CLASS(TvxCustomTextEdit, TvxCustomEdit)
  DECLARE_MESSAGE_MAP
  friend class TvxCustomInnerTextEdit;
  friend class TvxCustomTextEditLookupData;

 public:
  explicit TvxCustomTextEdit(TComponent* AOwner, bool AIsInplace = false) : TvxCustomEdit(AOwner, AIsInplace) {}
  ~TvxCustomTextEdit() override;

  TvxCustomTextEditProperties* Properties() const {
    return static_cast<TvxCustomTextEditProperties*>(TvxCustomEdit::Properties());
  }
  TvxCustomTextEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomTextEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  void SetProperties(TvxCustomTextEditProperties* Value) { Properties()->Assign(Value); }
  IvxInnerTextEdit* InnerTextEdit() const { return dynamic_cast<IvxInnerTextEdit*>(InnerEdit()); }
  TvxCustomInnerTextEdit* InnerTextControl() const;
  TvxCustomTextEditViewInfo* ViewInfo() const {
    return static_cast<TvxCustomTextEditViewInfo*>(TvxCustomEdit::ViewInfo());
  }

  // The shown text: reading answers the display text, writing offers it as typed
  // programmatically.
  String Text() { return InternalGetText(); }
  void SetText(const String& Value) { InternalSetText(Value); }
  String EditingText() { return InternalGetText(); }
  void SetEditingText(const String& Value);
  Integer CursorPos();
  Integer SelStart();
  void SetSelStart(Integer Value);
  Integer SelLength();
  void SetSelLength(Integer Value);
  String SelText();
  virtual void SetSelText(const String& Value);
  void SetSelection(Integer ASelStart, Integer ASelLength);
  bool FindSelection() const { return FFindSelection; }
  void SetFindSelection(bool Value);
  bool BeepOnEnter() const { return FBeepOnEnter; }
  void SetBeepOnEnter(bool Value) { FBeepOnEnter = Value; }
  const String& TextHint() const { return FTextHint; }
  void SetTextHint(const String& Value);

  void SelectAll() override;
  void CopyToClipboard() override;
  void CutToClipboard() override;
  void PasteFromClipboard() override;
  virtual void ClearSelection();
  virtual void Undo() { Reset(); }
  void Activate(TvxCustomEditData*& AEditData) override;
  void PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  bool IsEditClass() override;
  bool HasTextBaseLine() override { return true; }
  Integer GetTextBaseLine() override;
  void GetEditDisplayText(String& AText) override { AText = InternalGetText(); }
  void SetInternalDisplayValue(const Variant& Value) override;
  void SynchronizeDisplayValue() override;
  void SynchronizeEditValue() override;
  void PropertiesChanged(TObject* Sender) override;
  // IvxFormatControllerListener: the locale formats changed.
  void FormatChanged() override;
  // Answers whether AText may replace the selection, with the text and caret that result.
  virtual bool PrepareSelTextChange(const String& AText, String& ANewText, Integer& ANewSelStart);
  virtual String InternalGetText();
  virtual bool InternalSetText(const String& AText);
  virtual void ResetFindSelection() { SetFindSelection(false); }
  bool IsChangeBySpellChecker() const { return FIsChangeBySpellChecker; }
  TClass GetPropertiesClass() override { return TvxCustomTextEditProperties::StaticClass(); }
  // Takes the text as the display value when the properties accept it.
  bool SetDisplayText(const String& Value) override { return InternalSetText(Value); }
  // The display text shown (the typed text while editing).
  String GetDisplayValueText() { return InternalGetText(); }
  // Spelling is possible for plain echo with a modifiable value (no checker exists here).
  bool InternalSupportsSpelling();
  bool IsDisplayValueSynchronizing() const { return FIsDisplayValueSynchronizing; }
  TvxCustomTextEditLookupData* ILookupData() const { return FLookupData.get(); }
  // The current lookup item; setting it shows the item's value.
  Integer ItemIndex() const { return FLookupData ? FLookupData->CurrentKey() : -1; }
  void SetItemIndex(Integer Value);
  // The lookup items' object of the current item, nullptr for none.
  TObject* ItemObject() const;
  // The edit is setting its edit value from its text (lookups do not re-match then).
  bool IsEditValueSetting() const { return FEditValueSetting; }
  Integer LookupDataTextChangedLockCount() const { return FLookupDataTextChangedLockCount; }

 protected:
  void Initialize() override;
  TClass GetInnerEditClass() override;
  void ChangeHandler(TObject* Sender) override;
  // The inner edit takes the new look (background, font) of the style.
  void ContainerStyleChanged(TObject* Sender) override;
  // The inner edit takes the look the view info computed when the editor first paints
  // after a change made before its view info was calculated.
  void Paint() override;
  void UpdateDrawValue() override;
  void AdjustInnerEditPosition() override;
  bool CanKeyDownModifyEdit(Word Key, TShiftState Shift) override;
  bool CanKeyPressModifyEdit(wchar_t Key) override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  void ProcessKeyPress(wchar_t& Key) override;
  bool PassNavigationKeys() override { return true; }
  bool InternalDoEditing() override;
  void InternalGetEditingValue(Variant& Value) override;
  void InternalApplyValidatedDisplayValue(const Variant& ADisplayValue) override;
  void ApplyValidatedDisplayValue(const Variant& ADisplayValue) override;
  bool IsValidChar(wchar_t AChar) override;
  void KeyPress(wchar_t& Key) override;
  void DoExit() override;
  virtual void UpdateInnerEditAppearance();
  virtual void DoNewLookupDisplayText(const String& AText);
  virtual Integer GetInnerEditHeight();
  virtual void ValidateLookupDisplayValue();
  virtual void InnerEditSelChanged(TObject*) {}
  virtual void UndoPerformed() {}
  virtual void DoTextChanged() {}
  // Whether the lookup items may be stepped with keys or the wheel (not for a plain edit).
  virtual bool CanScrollLookupItems(bool) { return false; }
  // The lookup key of an item index and back, and the edit value a key stands for.
  virtual Variant LookupKeyByItemIndex(Integer AIndex) { return AIndex; }
  virtual Integer ItemIndexByLookupKey(const Variant& AKey) { return VarIsNull(AKey) ? -1 : AKey.AsInteger(); }
  virtual Variant LookupKeyToEditValue(const Variant& AKey);
  // Whether a list style edit checks its text against the items (not in place, not over
  // a data storage).
  virtual bool IsLookupValueCheckNeeded() { return !IsInplace() && !IsDataStorage(); }
  virtual void ApplyLookupSelection();
  // Searches AText among the lookup items and shows the completion; answers whether found.
  bool FindAndComplete(String& AText);
  bool StepLookup(TvxEditLookupDataGoDirection ADirection);
  // Typing over the lookup items: completes the text from the first matching item.
  void LookupKeyPress(wchar_t& Key);
  virtual void DoScrollChanged() {}
  virtual void PropertiesBoundsChanged() {}

  void WMGetText(TMessage& Message);
  void WMGetTextLength(TMessage& Message);
  void WMSetText(TMessage& Message);
  void WMClear(TMessage& Message);
  void WMCommand(TMessage& Message);

  bool FIsPopupWindowJustClosed = false;
  // While positive, a properties change does not make the lookup re-match the text; it is
  // raised and lowered in pairs only.
  Integer FLookupDataTextChangedLockCount = 0;
  std::unique_ptr<TvxCustomTextEditLookupData> FLookupData;
  bool FEditValueSetting = false;
  bool FLookupItemsScrolling = false;

 private:
  bool FBeepOnEnter = true;
  bool FDisableRefresh = false;
  bool FFindSelection = false;
  bool FInternalTextSetting = false;
  bool FIsDisplayValueSynchronizing = false;
  String FText;
  bool FInnerEditPositionAdjusting = false;
  bool FIsChangeBySpellChecker = false;
  bool FFormatListening = false;
  String FTextHint;
};

class TvxTextEdit : public TvxCustomTextEdit {
  DECLARE_CLASS(TvxTextEdit, TvxCustomTextEdit)
  PUBLISHED(TvxTextEdit)
 public:
  using TvxCustomTextEdit::TvxCustomTextEdit;
  TvxTextEditProperties* Properties() const {
    return static_cast<TvxTextEditProperties*>(TvxCustomTextEdit::Properties());
  }
  TClass GetPropertiesClass() override { return TvxTextEditProperties::StaticClass(); }
  void SetProperties(TvxTextEditProperties* Value) { Properties()->Assign(Value); }
  bool SupportsSpelling() override { return InternalSupportsSpelling(); }
};

// The published properties of a text edit, shared by the edits built on it; TProperties
// is the class of the edit's Properties.
template <class C, class TProperties>
void vxDeclareTextEditPublished(TPublisher<C>& P) {
  P.Property(L"AutoSize", [](C* E) { return E->AutoSize(); }, [](C* E, bool V) { E->SetAutoSize(V); }).Default(true);
  P.Property(L"BeepOnEnter", &C::BeepOnEnter, &C::SetBeepOnEnter).Default(true);
  P.Property(L"Enabled", [](C* E) { return E->Enabled(); }, [](C* E, bool V) { E->SetEnabled(V); }).Default(true);
  P.Property(L"Properties", &C::Properties, [](C* E, TProperties* V) { E->SetProperties(V); });
  P.Property(L"ShowHint", [](C* E) { return E->ShowHint(); }, [](C* E, bool V) { E->SetShowHint(V); })
      .Default(false);
  P.Property(L"Style", [](C* E) { return E->Style(); }, [](C* E, TvxContainerStyle* V) { E->SetStyle(V); });
  P.Property(L"StyleDisabled", [](C* E) { return E->StyleDisabled(); },
             [](C* E, TvxContainerStyle* V) { E->SetStyleDisabled(V); });
  P.Property(L"StyleFocused", [](C* E) { return E->StyleFocused(); },
             [](C* E, TvxContainerStyle* V) { E->SetStyleFocused(V); });
  P.Property(L"StyleHot", [](C* E) { return E->StyleHot(); }, [](C* E, TvxContainerStyle* V) { E->SetStyleHot(V); });
  P.Property(L"TabStop", [](C* E) { return E->TabStop(); }, [](C* E, bool V) { E->SetTabStop(V); }).Default(true);
  P.Property(L"Text", [](C* E) { return E->Text(); }, [](C* E, const String& V) { E->SetText(V); });
  P.Property(L"TextHint", [](C* E) { return E->TextHint(); }, [](C* E, const String& V) { E->SetTextHint(V); })
      .Stored([](C* E) { return !E->TextHint().empty(); });
  P.Property(L"Visible", [](C* E) { return E->Visible(); }, [](C* E, bool V) { E->SetVisible(V); }).Default(true);
  P.Property(L"OnEnter", &C::OnEnter);
  P.Property(L"OnExit", &C::OnExit);
}


// A text editor typing a filter value: the column's properties with the whole text selected
// on entry and the normal view.
class TvxFilterTextEditHelper : public TvxCustomFilterEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterTextEditHelper, TvxCustomFilterEditHelper)
  TClass GetFilterEditClass() const override { return TvxTextEdit::StaticClass(); }
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
  void SetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties*, const Variant& AValue) const override {
    AEdit->SetEditValue(AValue);
  }
};

extern const TUnitInfo vxTextEditUnit;
