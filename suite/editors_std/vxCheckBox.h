// Check box properties, caption items and the check-state edit value formats.
#pragma once

#include <vector>

#include "vxClasses.h"
#include "vxCustomEdit.h"
#include "vxEdit.h"
#include "vxLookAndFeelPainters.h"

// --- Caption items and check states ------------------------------------------------------------

using TvxCheckStates = std::vector<TvxCheckBoxState>;

enum TvxCheckStatesValueFormatEx { cvfCaptions, cvfIndices, cvfInteger, cvfStatesString, cvfCustom };
using TvxCheckStatesValueFormat = TvxCheckStatesValueFormatEx;  // cvfCaptions..cvfStatesString

// The source of the captions a conversion names the checks by.
class IvxCheckItems {
 public:
  virtual ~IvxCheckItems() = default;
  virtual String GetCaption(Integer Index) = 0;
  virtual Integer GetCount() = 0;
};

class TvxCaptionItem : public TCollectionItem {
  DECLARE_CLASS(TvxCaptionItem, TCollectionItem)
  PUBLISHED(TvxCaptionItem)
 public:
  explicit TvxCaptionItem(TCollection* Collection) : TCollectionItem(Collection) {}
  void Assign(TPersistent* Source) override;
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  Integer Tag() const { return FTag; }
  void SetTag(Integer Value) { FTag = Value; }
  bool IsTagStored() const { return FTag != 0; }

 private:
  String FCaption;
  Integer FTag = 0;
};

class TvxCaptionItems : public TvxOwnedInterfacedCollection, public IvxCheckItems {
  DECLARE_CLASS(TvxCaptionItems, TvxOwnedInterfacedCollection)
 public:
  TvxCaptionItems(TPersistent* AOwner, TCollectionItemClass AItemClass) : TvxOwnedInterfacedCollection(AOwner, AItemClass) {}
  TvxCaptionItem* Items(Integer Index) const { return static_cast<TvxCaptionItem*>(TCollection::Items(Index)); }
  TvxCaptionItem* Add() { return static_cast<TvxCaptionItem*>(TCollection::Add()); }
  String GetCaption(Integer Index) override { return Items(Index)->Caption(); }
  Integer GetCount() override { return Count(); }

 protected:
  Integer DefaultCompareItems(TCollectionItem* AItem1, TCollectionItem* AItem2) override;
};

// Builds the edit value of the states in the format; Null for a format outside the four.
void CheckStatesToEditValue(const TvxCheckStates& ACheckStates, IvxCheckItems* AItems,
                            TvxCheckStatesValueFormatEx AFormat, Variant& AEditValue);
// Reads the states from the edit value: sized to the item count, all unchecked on failure.
bool EditValueToCheckStates(const Variant& AEditValue, IvxCheckItems* AItems, TvxCheckStatesValueFormatEx AFormat,
                            TvxCheckStates& ACheckStates);
// A decimal number from APos on (0-based), at most 2147483647; APos ends on the first
// non-digit.
bool ParseCheckNumber(const String& AText, size_t& APos, Integer& ANumber);

// --- Check box properties --------------------------------------------------------------------

enum TvxCheckBoxNullValueShowingStyle { nssUnchecked, nssInactive, nssGrayedChecked };
ENUM_TYPEINFO(TvxCheckBoxNullValueShowingStyle, nssUnchecked, nssInactive, nssGrayedChecked)

class TvxCustomCheckBoxProperties : public TvxCustomEditProperties {
  DECLARE_CLASS(TvxCustomCheckBoxProperties, TvxCustomEditProperties)
 public:
  explicit TvxCustomCheckBoxProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  bool CanCompareEditValue() override { return true; }
  bool IsResetEditClass() override { return true; }
  // The control reports its own change after the state it shows has moved.
  bool HasSeparateChangeEvents() override { return true; }
  TvxEditSupportedOperations GetSupportedOperations() override;
  TvxEditSpecialFeatures GetSpecialFeatures() override;
  // Only the space key activates an in-place check box.
  bool IsActivationKey(wchar_t AKey) override { return AKey == L' '; }
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  // The state as an integer: 1 for ValueChecked, 0 for ValueUnchecked, 2 for anything else.
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  // The edit value of a state given as an integer; Empty outside 0..2.
  Variant PrepareEditValue(const Variant& ADisplayValue);
  String GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  // Takes the three values only when they differ pairwise and neither the checked nor
  // the unchecked one is Null.
  void SetCheckValues(const Variant& AValueChecked, const Variant& AValueGrayed, const Variant& AValueUnchecked);
  Integer GlyphCount() const { return FGlyphCount; }
  void SetGlyphCount(Integer Value) { FGlyphCount = Value; }

  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { SetValue(FAllowGrayed, Value); }
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value) { SetValue(FCaption, Value); }
  const String& DisplayChecked() const { return FDisplayChecked; }
  void SetDisplayChecked(const String& Value) { SetValue(FDisplayChecked, Value); }
  const String& DisplayUnchecked() const { return FDisplayUnchecked; }
  void SetDisplayUnchecked(const String& Value) { SetValue(FDisplayUnchecked, Value); }
  const String& DisplayGrayed() const { return FDisplayGrayed; }
  void SetDisplayGrayed(const String& Value) { SetValue(FDisplayGrayed, Value); }
  bool FullFocusRect() const { return FFullFocusRect; }
  void SetFullFocusRect(bool Value) { SetValue(FFullFocusRect, Value); }
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value) { SetValue(FMultiLine, Value); }
  TvxCheckBoxNullValueShowingStyle NullStyle() const { return FNullStyle; }
  void SetNullStyle(TvxCheckBoxNullValueShowingStyle Value) { SetValue(FNullStyle, Value); }
  bool UseAlignmentWhenInplace() const { return FUseAlignmentWhenInplace; }
  void SetUseAlignmentWhenInplace(bool Value) { SetValue(FUseAlignmentWhenInplace, Value); }
  const Variant& ValueChecked() const { return FValueChecked; }
  void SetValueChecked(const Variant& Value);
  const Variant& ValueUnchecked() const { return FValueUnchecked; }
  void SetValueUnchecked(const Variant& Value);
  const Variant& ValueGrayed() const { return FValueGrayed; }
  void SetValueGrayed(const Variant& Value);

 private:
  bool IsLoading();
  bool FAllowGrayed = false;
  String FCaption;
  Integer FGlyphCount = 6;
  String FDisplayChecked;
  String FDisplayUnchecked;
  String FDisplayGrayed;
  bool FFullFocusRect = false;
  bool FMultiLine = false;
  TvxCheckBoxNullValueShowingStyle FNullStyle = nssGrayedChecked;
  bool FUseAlignmentWhenInplace = false;
  Variant FValueChecked = true;
  Variant FValueUnchecked = false;
  Variant FValueGrayed = Null();
};

class TvxCheckBoxProperties : public TvxCustomCheckBoxProperties {
  DECLARE_CLASS(TvxCheckBoxProperties, TvxCustomCheckBoxProperties)
  PUBLISHED(TvxCheckBoxProperties)
 public:
  explicit TvxCheckBoxProperties(TPersistent* AOwner) : TvxCustomCheckBoxProperties(AOwner) {}
};

// --- Painting ---------------------------------------------------------------------------------

// The mouse/enabled state of a check face.
enum TvxEditCheckState { ecsNormal, ecsHot, ecsPressed, ecsDisabled };

// Draws a check face in R: through the skin painter when one is given, else a border of
// the border style and the system's or the flat check content. Without fill the
// background is left as it is (transparent painting over a parent).
void PaintEditCheckBox(TvxCanvas* ACanvas, const TRect& R, TvxCheckBoxState AState, TvxEditCheckState ACheckState,
                       TvxEditBorderStyle ABorderStyle, TColor ABorderColor, TColor ABackgroundColor, bool AFill,
                       bool AIsDesigning, bool AFocused, TvxCustomLookAndFeelPainterClass ASkinPainter,
                       TvxCheckBoxNullValueShowingStyle ANullStyle);
// The colour that fills the inside of a face.
TColor CalcCheckContentColor(TvxEditBorderStyle ABorderStyle, TvxEditCheckState ACheckState,
                             TvxCheckBoxState AState, TvxCheckBoxNullValueShowingStyle ANullStyle);
// The mask of the system's check mark, black where the mark is; built at start-up.
HBITMAP CheckMarkMask();

// The state an edit value stands for under the properties.
TvxCheckBoxState EditValueToCheckState(TvxCustomCheckBoxProperties* AProperties, const Variant& AEditValue);

// The glyph strip cell of a face: unchecked, checked, grayed, then the pressed faces.
Integer CalcCheckGlyphIndex(TvxCheckBoxState AState, bool APressed, bool AGrayedSupported, Integer AGlyphCount);

// --- Check box control -------------------------------------------------------------------------

// The stand-alone check box: its edit value is one of the properties' three values; the
// state shown is always read from that value.
class TvxCustomCheckBox : public TvxCustomEdit {
  DECLARE_CLASS(TvxCustomCheckBox, TvxCustomEdit)
 public:
  using TvxCustomEdit::TvxCustomEdit;
  TvxCustomCheckBoxProperties* Properties() const {
    return static_cast<TvxCustomCheckBoxProperties*>(TvxCustomEdit::Properties());
  }
  TvxCheckBoxState State();
  void SetState(TvxCheckBoxState Value);
  bool Checked() { return State() == cbsChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbsChecked : cbsUnchecked); }
  // Unchecked -> grayed (with AllowGrayed) or checked -> unchecked; grayed -> checked.
  virtual void Toggle();
  void Clear() override { SetChecked(false); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // The face, in client coordinates, and its mouse/keyboard state as last painted.
  TRect CheckBoxRect();
  TvxEditCheckState CheckBoxState() const { return FCheckBoxState; }
  void Loaded() override;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  void Initialize() override;
  void InternalSetEditValue(const Variant& Value, bool AValidateEditValue) override;
  void PropertiesChanged(TObject* Sender) override;
  void Paint() override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  void ProcessKeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseLeave(TControl* AControl) override;
  void DoExit() override;
  TvxEditBorderStyle CheckBorderStyle();

 private:
  void SetCheckBoxState(TvxEditCheckState Value);
  TvxEditCheckState FCheckBoxState = ecsNormal;
  bool FIsCheckPressed = false;   // space is held down on the focused box
  bool FIsMousePressed = false;   // the left button went down over the box
  bool FIsLoadingStateAssigned = false;
  TvxCheckBoxState FLoadingState = cbsUnchecked;
  TvxCheckBoxState FViewState = cbsUnchecked;  // the state last shown
  bool FTransparent = false;
};

class TvxCheckBox : public TvxCustomCheckBox {
  DECLARE_CLASS(TvxCheckBox, TvxCustomCheckBox)
 public:
  using TvxCustomCheckBox::TvxCustomCheckBox;
  TvxCheckBoxProperties* Properties() const {
    return static_cast<TvxCheckBoxProperties*>(TvxCustomEdit::Properties());
  }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
};

extern const TUnitInfo vxCheckBoxUnit;
