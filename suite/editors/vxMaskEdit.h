// The mask edit: the text edit with an input mask. A mask mode holds the keyboard, caret
// and clipboard behaviour of one mask kind: fixed positions (standard), a regular
// expression, or a regular expression whose forced characters are typed automatically.
#pragma once

#include <memory>
#include <vector>

#include "vxRegExpr.h"
#include "vxStandardMask.h"
#include "vxTextEdit.h"

DECLARE_EXCEPTION(EvxMaskEditError, EvxEditError)

extern const TUnitInfo vxMaskEditUnit;

using TvxEditMask = String;
enum TvxEditMaskKind { emkStandard, emkRegExpr, emkRegExprEx };
ENUM_TYPEINFO(TvxEditMaskKind, emkStandard, emkRegExpr, emkRegExprEx)

class TvxCustomMaskEdit;
class TvxCustomMaskEditProperties;

// ---- Mask modes.

class TvxMaskEditCustomMode {
 public:
  TvxMaskEditCustomMode(TvxCustomMaskEdit* AEdit, TvxCustomMaskEditProperties* AProperties)
      : FEdit(AEdit), FProperties(AProperties) {}
  virtual ~TvxMaskEditCustomMode() = default;

  virtual TvxEditMaskKind ModeMaskKind() const = 0;
  virtual void Compile(const String& AMask) = 0;
  virtual String GetEmptyString() = 0;
  // The display text for AText.
  virtual String GetFormattedText(const String& AText, bool AMatchForBlanksAndLiterals = false) = 0;
  // The value text for a display text.
  virtual String GetUpdatedText(const String& AText, bool AMatchForBlanksAndLiterals = true) = 0;
  virtual bool IsFullValidText(const String& AText) = 0;
  virtual bool IsCursorBegin() = 0;
  virtual bool IsCursorEnd() = 0;
  virtual void GotoEnd() {}
  virtual void LMouseDown() {}
  // The Press operations answer True when the inner control should still handle the key
  // itself, False when the mode handled it.
  virtual bool PressBackSpace() = 0;
  virtual bool PressDelete() = 0;
  virtual bool PressEnd() = 0;
  virtual bool PressHome() = 0;
  virtual bool PressLeft() = 0;
  virtual bool PressRight() = 0;
  virtual bool PressSymbol(Char& AChar) = 0;
  // Replaces the selection with AText (a paste or a selected-text change); False leaves
  // the text as it was when nothing of AText fits.
  virtual bool ReplaceSelection(const String& AText) = 0;
  virtual void SynchronizeEditValue();
  virtual void UpdateEditValue() {}

  const String& EditMask() const { return FEditMask; }
  TEditCharCase FCharCase = ecNormal;
  TvxEditEchoMode FEchoMode = eemNormal;

 protected:
  TvxCustomMaskEditProperties* ActiveModeProperties() const;
  bool IsEditAttached() const { return FEdit != nullptr; }
  void BeepOnError();

  String FEditMask;
  TvxCustomMaskEdit* FEdit;
  TvxCustomMaskEditProperties* FProperties;
  bool FNeedUpdateEditValue = false;
};

class TvxMaskEditStandardMode : public TvxMaskEditCustomMode {
 public:
  using TvxMaskEditCustomMode::TvxMaskEditCustomMode;
  TvxEditMaskKind ModeMaskKind() const override { return emkStandard; }
  void Compile(const String& AMask) override;
  String GetEmptyString() override { return FMask.EmptyString(); }
  String GetFormattedText(const String& AText, bool AMatchForBlanksAndLiterals = false) override;
  String GetUpdatedText(const String& AText, bool AMatchForBlanksAndLiterals = true) override;
  bool IsFullValidText(const String& AText) override;
  bool IsCursorBegin() override;
  bool IsCursorEnd() override;
  void LMouseDown() override;
  bool PressBackSpace() override;
  bool PressDelete() override;
  bool PressEnd() override;
  bool PressHome() override;
  bool PressLeft() override;
  bool PressRight() override;
  bool PressSymbol(Char& AChar) override;
  bool ReplaceSelection(const String& AText) override;
  void SynchronizeEditValue() override;
  void UpdateEditValue() override;
  virtual Char GetBlank(Integer) const { return FMask.Blank(); }
  const TvxStandardMask& Mask() const { return FMask; }

 private:
  void MoveCaret(Integer APosition);
  TvxStandardMask FMask;
};

class TvxMaskEditRegExprMode : public TvxMaskEditCustomMode {
 public:
  TvxMaskEditRegExprMode(TvxCustomMaskEdit* AEdit, TvxCustomMaskEditProperties* AProperties);
  TvxEditMaskKind ModeMaskKind() const override { return emkRegExpr; }
  void Compile(const String& AMask) override;
  String GetEmptyString() override { return L""; }
  String GetFormattedText(const String& AText, bool AMatchForBlanksAndLiterals = false) override;
  String GetUpdatedText(const String& AText, bool = true) override { return AText; }
  bool IsFullValidText(const String& AText) override;
  bool IsCursorBegin() override;
  bool IsCursorEnd() override;
  bool PressBackSpace() override;
  bool PressDelete() override;
  bool PressEnd() override { return true; }
  bool PressHome() override { return true; }
  bool PressLeft() override { return true; }
  bool PressRight() override { return true; }
  bool PressSymbol(Char& AChar) override;
  bool ReplaceSelection(const String& AText) override;
  void SetRegExprCaseInsensitive();
  bool IsCompiled() const { return FRegExpr.IsCompiled(); }

 protected:
  // How many leading characters of AText the pattern accepts, fed from the start.
  size_t Accepted(const String& AText);
  // Whether AText is a valid prefix of the pattern.
  bool Fits(const String& AText) { return Accepted(AText) == AText.size(); }
  // The text after a change: AHead (which must fit) followed by ATail when the whole
  // still fits, else AHead alone; with the caret position to use.
  virtual String Compose(const String& AHead, const String& ATail, Integer& ACaret);
  // Applies a new text and caret to the edit.
  void Apply(const String& AText, Integer ACaret);
  // Deletes the selection, keeping what still fits.
  bool DeleteSelection();

  TvxRegExpr FRegExpr;
};

class TvxMaskEditRegExprExMode : public TvxMaskEditRegExprMode {
 public:
  using TvxMaskEditRegExprMode::TvxMaskEditRegExprMode;
  TvxEditMaskKind ModeMaskKind() const override { return emkRegExprEx; }
  void Compile(const String& AMask) override;
  String GetEmptyString() override;
  String GetFormattedText(const String& AText, bool AMatchForBlanksAndLiterals = false) override;
  bool IsFullValidText(const String& AText) override;
  bool PressBackSpace() override;
  bool PressDelete() override;
  bool PressLeft() override;
  bool PressRight() override;
  bool PressSymbol(Char& AChar) override;
  void UpdateEditValue() override;

 protected:
  String Compose(const String& AHead, const String& ATail, Integer& ACaret) override;

 private:
  // The forced characters due after AText (fed from the start), "" when none.
  String ForcedAfter(const String& AText);
  // For each character of AText, whether the pattern forced it.
  std::vector<bool> ForcedFlags(const String& AText);
  size_t ForcedPrefixLength(const String& AText);
};

// ---- Properties.

class TvxCustomMaskEditProperties : public TvxCustomTextEditProperties {
  DECLARE_CLASS(TvxCustomMaskEditProperties, TvxCustomTextEditProperties)
 public:
  explicit TvxCustomMaskEditProperties(TPersistent* AOwner);
  ~TvxCustomMaskEditProperties() override;

  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  bool IsEditValueValid(Variant& EditValue, bool AEditFocused) override;
  bool IsLookupDataUsed() override { return !IsMasked(); }
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit) override;
  void MaxLengthChanged() override;

  static bool IsBlankMask(const String& AMask);
  virtual TvxMaskEditCustomMode* CreateMode(TvxEditMaskKind AKind, TvxCustomMaskEdit* AEdit);
  bool IsMasked() { return !IsBlankMask(EditMask()); }

  bool AlwaysShowBlanksAndLiterals() const { return FAlwaysShowBlanksAndLiterals; }
  void SetAlwaysShowBlanksAndLiterals(bool Value);
  bool CaseInsensitive() const { return FCaseInsensitive; }
  void SetCaseInsensitive(bool Value);
  void SetCharCase(TEditCharCase Value);
  String EditMask() const { return FEditMask; }
  // A bad mask raises (EvxMaskEditError) and the old one stays.
  void SetEditMask(const String& Value);
  const String& GetEmptyString() const { return FEmptyString; }
  bool IgnoreMaskBlank() const { return FIgnoreMaskBlank; }
  void SetIgnoreMaskBlank(bool Value) { FIgnoreMaskBlank = Value; }
  TvxEditMaskKind MaskKind() const { return FMaskKind; }
  void SetMaskKind(TvxEditMaskKind Value);

 protected:
  TvxCustomMaskEditProperties(TPersistent* AOwner, const TvxEditPropertiesParts& AParts) : TvxCustomTextEditProperties(AOwner, AParts) { SetValidateOnEnter(true); }

 private:
  friend class TvxCustomMaskEdit;
  TvxMaskEditCustomMode* FormattingMode();

  bool FAlwaysShowBlanksAndLiterals = false;
  bool FCaseInsensitive = true;
  String FEditMask;
  String FEmptyString;
  bool FIgnoreMaskBlank = false;
  TvxEditMaskKind FMaskKind = emkStandard;
  bool FMaxLengthSetting = false;
  std::unique_ptr<TvxMaskEditCustomMode> FTempMode;
};

class TvxMaskEditProperties : public TvxCustomMaskEditProperties {
  DECLARE_CLASS(TvxMaskEditProperties, TvxCustomMaskEditProperties)
  PUBLISHED(TvxMaskEditProperties)
 public:
  explicit TvxMaskEditProperties(TPersistent* AOwner) : TvxCustomMaskEditProperties(AOwner) {}
};

// ---- The control.

class TvxCustomMaskEdit : public TvxCustomTextEdit {
  DECLARE_CLASS(TvxCustomMaskEdit, TvxCustomTextEdit)
 public:
  explicit TvxCustomMaskEdit(TComponent* AOwner, bool AIsInplace = false) : TvxCustomTextEdit(AOwner, AIsInplace) {}
  ~TvxCustomMaskEdit() override;

  TvxCustomMaskEditProperties* Properties() const {
    return static_cast<TvxCustomMaskEditProperties*>(TvxCustomTextEdit::Properties());
  }
  TvxCustomMaskEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomMaskEditProperties*>(TvxCustomTextEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomMaskEditProperties::StaticClass(); }
  TvxMaskEditCustomMode* Mode() const { return FMode.get(); }

  String EditText() { return InternalGetText(); }
  void SetEditText(const String& Value);
  void CutToClipboard() override;
  void PasteFromClipboard() override;
  void SetSelText(const String& Value) override;
  void PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void PropertiesChanged(TObject* Sender) override;
  void SynchronizeDisplayValue() override;

  virtual bool CanSetModeText() { return true; }
  // Whether AChar may go to the 1-based position APosition (date and time editors refuse
  // some); may change AChar, a NUL refusing it with a beep.
  virtual bool CanAcceptMaskChar(Char&, Integer) { return true; }
  // Sounds the error beep (the properties' BeepOnError decides whether it is heard).
  virtual void MaskBeep() { MessageBeep(0); }

  // What the modes use of their edit.
  bool ShiftOn() const { return FShiftOn; }
  void SetShiftOn(bool Value) { FShiftOn = Value; }
  void SetInternalSelection(Integer AStart, Integer ALength);
  // Writes a text the mode built and puts the caret at ACaret.
  void SetModeDisplayText(const String& AText, Integer ACaret);

 protected:
  void Initialize() override;
  void ChangeHandler(TObject* Sender) override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  void ProcessKeyPress(wchar_t& Key) override;
  void InnerEditSelChanged(TObject* Sender) override;
  void InternalApplyValidatedDisplayValue(const Variant& ADisplayValue) override;
  void DblClick() override;
  void DoEnter() override;
  bool IsMasked() { return ActiveProperties()->IsMasked(); }

 private:
  void RecreateMode();
  void RefreshEmptyString();

  bool FInternalTextSelection = false;
  std::unique_ptr<TvxMaskEditCustomMode> FMode;
  bool FShiftOn = false;
  // The masked text as the mode last produced it.
  String FText;
};

class TvxMaskEdit : public TvxCustomMaskEdit {
  DECLARE_CLASS(TvxMaskEdit, TvxCustomMaskEdit)
  PUBLISHED(TvxMaskEdit)
 public:
  using TvxCustomMaskEdit::TvxCustomMaskEdit;
  TvxMaskEditProperties* Properties() const {
    return static_cast<TvxMaskEditProperties*>(TvxCustomMaskEdit::Properties());
  }
  TClass GetPropertiesClass() override { return TvxMaskEditProperties::StaticClass(); }
  void SetProperties(TvxMaskEditProperties* Value) { Properties()->Assign(Value); }
  bool SupportsSpelling() override { return Properties()->EditMask().empty() && InternalSupportsSpelling(); }
};

// A mask editor typing a filter value: masked values compare by order, unmasked text also
// by pattern; a regular-expression mask accepts every prefix of its matches there.
class TvxFilterMaskEditHelper : public TvxFilterTextEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterMaskEditHelper, TvxFilterTextEditHelper)
  TClass GetFilterEditClass() const override { return TvxMaskEdit::StaticClass(); }
  TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                        TvxValueTypeClass AValueTypeClass,
                                                        bool AExtendedSet = false) const override;
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
};
