// Check box properties, caption items and the check-state edit value formats.
#pragma once

#include <vector>

#include "vxClasses.h"
#include "vxCustomEdit.h"
#include "vxEdit.h"
#include "vxLookAndFeelPainters.h"
#include "vxDropDownEdit.h"
#include "vxTextEdit.h"

// --- Caption items and check states ------------------------------------------------------------

using TvxCheckStates = std::vector<TvxCheckBoxState>;

enum TvxCheckStatesValueFormatEx { cvfCaptions, cvfIndices, cvfInteger, cvfStatesString, cvfCustom };
ENUM_TYPEINFO(TvxCheckStatesValueFormatEx, cvfCaptions, cvfIndices, cvfInteger, cvfStatesString, cvfCustom)
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
ENUM_TYPEINFO(TvxCheckBoxState, cbsUnchecked, cbsChecked, cbsGrayed)

class TvxCustomCheckBoxProperties : public TvxCustomEditProperties {
  DECLARE_CLASS(TvxCustomCheckBoxProperties, TvxCustomEditProperties)
 public:
  explicit TvxCustomCheckBoxProperties(TPersistent* AOwner);
  ~TvxCustomCheckBoxProperties() override;
  void Assign(TPersistent* Source) override;
  // Reads the legacy "Caption" of older streams (never written).
  void DefineProperties(TFiler* Filer) override;
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                        bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;
  TClass GetContainerClass() override;
  // A descendant that answers true keeps caption, alignment and focus rectangle in place.
  virtual bool ShowCaptionInplace() { return false; }
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
  void SetGlyphCount(Integer Value);
  // The glyph strip, created on first read.
  TBitmap* Glyph() { return InternalGetGlyph(); }
  // nullptr frees the strip; any other bitmap is copied.
  void SetGlyph(TBitmap* Value);
  // The strip without creating it.
  TBitmap* GlyphOrNull() const { return FGlyph.get(); }

  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { SetValue(FAllowGrayed, Value); }
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool IsCaptionAssigned() const { return FIsCaptionAssigned; }
  void ClearCaptionAssigned() { FIsCaptionAssigned = false; }
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

 protected:
  virtual TBitmap* InternalGetGlyph();

 private:
  bool IsLoading();
  bool FAllowGrayed = false;
  String FCaption;
  std::unique_ptr<TBitmap> FGlyph;
  bool FIsCaptionAssigned = false;
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

// The theme state id of a check face: the CBS_* ids 1..12.
inline Integer ThemeCheckStateId(TvxCheckBoxState AState, TvxEditCheckState ACheckState) {
  return 4 * static_cast<Integer>(AState) + static_cast<Integer>(ACheckState) + 1;
}

// Draws a check face in R: from the glyph strip when one is usable, else through the skin
// painter, else the themed button part (native) or a border of the border style with the
// system's or the flat check content. Without fill the background is left as it is
// (transparent painting over a parent).
void PaintEditCheckBox(TvxCanvas* ACanvas, const TRect& R, TvxCheckBoxState AState, TvxEditCheckState ACheckState,
                       TBitmap* AGlyph, Integer AGlyphCount, TvxEditBorderStyle ABorderStyle, bool ANativeStyle,
                       TColor ABorderColor, TColor ABackgroundColor, bool AFill, bool AIsDesigning, bool AFocused,
                       bool AGrayedSupported, TvxCustomLookAndFeelPainterClass ASkinPainter,
                       TvxCheckBoxNullValueShowingStyle ANullStyle);
// The colour that fills the inside of a face.
TColor CalcCheckContentColor(TvxEditBorderStyle ABorderStyle, TvxEditCheckState ACheckState,
                             TvxCheckBoxState AState, TvxCheckBoxNullValueShowingStyle ANullStyle);
// The size of a face: a glyph cell, the skin's, the theme part's or the system check's.
TSize CalcEditCheckSize(TBitmap* AGlyph, Integer AGlyphCount, bool ANativeStyle,
                        TvxCustomLookAndFeelPainterClass ASkinPainter);
// How far the face lies inside the check box rectangle.
Integer CalcCheckBorderOffset(TvxEditBorderStyle ABorderStyle, bool ANativeStyle, bool AHasGlyph,
                              TvxCustomLookAndFeelPainterClass ASkinPainter);
// Whether the themed button part can be drawn.
bool IsCheckThemeOpenable();
// The mask of the system's check mark, black where the mark is; built at start-up.
HBITMAP CheckMarkMask();

// The state an edit value stands for under the properties.
TvxCheckBoxState EditValueToCheckState(TvxCustomCheckBoxProperties* AProperties, const Variant& AEditValue);

// The glyph strip cell of a face: unchecked, checked, grayed, then the pressed faces.
Integer CalcCheckGlyphIndex(TvxCheckBoxState AState, bool APressed, bool AGrayedSupported, Integer AGlyphCount);

// --- View info and view data -----------------------------------------------------------------

class TvxCustomCheckBox;

// The style of a check box: it never draws the container border.
class TvxCheckBoxStyle : public TvxEditStyle {
  DECLARE_CLASS(TvxCheckBoxStyle, TvxEditStyle)
 public:
  using TvxEditStyle::TvxEditStyle;
  bool HasBorder() override { return false; }
};

// The paint half of a check box: the face, its states, the caption and the focus
// rectangle.
class TvxCustomCheckBoxViewInfo : public TvxCustomTextEditViewInfo {
  DECLARE_CLASS(TvxCustomCheckBoxViewInfo, TvxCustomTextEditViewInfo)
 public:
  TvxCustomCheckBoxViewInfo() = default;
  void Assign(TObject* Source) override;
  std::unique_ptr<TvxRegion> GetUpdateRegion(TvxContainerViewInfo* AViewInfo) override;
  void Offset(Integer DX, Integer DY) override;
  void PaintContent(TvxCanvas* ACanvas) override;
  void DrawText(TvxCanvas* ACanvas) override;
  bool IsHotTrack() override { return true; }
  bool IsHotTrack(const TPoint&) override { return true; }
  bool NeedShowHint(TvxCanvas*, const TPoint&, TRect&, bool&, String&, const TRect& = TRect{}) override {
    return false;
  }
  using TvxCustomEditViewInfo::Repaint;
  bool Repaint(TWinControl* AControl, const TRect& AInnerEditRect, TvxCustomEditViewInfo* AViewInfo) override;
  // The caption is drawn as enabled text (else embossed).
  bool IsTextEnabled() const;
  TvxCustomCheckBox* Edit() const { return FEdit; }
  void SetEdit(TvxCustomCheckBox* Value) { FEdit = Value; }

  TAlignment Alignment = taLeftJustify;
  Integer CheckBorderOffset = 0;
  TvxEditBorderStyle CheckBoxBorderStyle = ebsNone;
  TBitmap* CheckBoxGlyph = nullptr;  // the properties'
  Integer CheckBoxGlyphCount = 0;
  TRect CheckBoxRect{};
  TvxEditCheckState CheckBoxState = ecsNormal;
  Integer DrawCaptionFlags = 0;
  TRect FocusRect{};
  bool HasGlyph = false;
  bool IsTextColorAssigned = false;
  TvxCheckBoxNullValueShowingStyle NullValueShowingStyle = nssGrayedChecked;
  TvxCheckBoxState State = cbsUnchecked;

 private:
  bool FaceCoversRect();
  TvxCustomCheckBox* FEdit = nullptr;
};

// The layout half of a check box.
class TvxCustomCheckBoxViewData : public TvxCustomEditViewData {
  DECLARE_CLASS(TvxCustomCheckBoxViewData, TvxCustomEditViewData)
 public:
  TvxCustomCheckBoxViewData(TvxCustomCheckBoxProperties* AProperties, TvxCustomEditStyle* AStyle, bool AIsInplace)
      : TvxCustomEditViewData(AProperties, AStyle, AIsInplace) {}
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  void EditValueToDrawValue(TvxCanvas* ACanvas, const Variant& AEditValue, TvxCustomEditViewInfo* AViewInfo) override;
  TvxEditBorderStyle GetBorderStyle() override { return ebsNone; }
  TSize GetEditConstantPartSize(TvxCanvas* ACanvas, const TvxEditSizeProperties& AEditSizeProperties,
                                TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo = nullptr) override;
  TvxCustomCheckBoxProperties* CheckProperties() const {
    return static_cast<TvxCustomCheckBoxProperties*>(Properties());
  }
  // The caption flags (suite text flags) of the alignment.
  Integer GetCheckDrawTextFlags(TAlignment AAlignment);

  // The check box laid out; nullptr for a cell.
  TvxCustomCheckBox* CheckBox() const;
  bool IsCheckPressed = false;  // space is held down on the control

 private:
  void CalculateCheckBoxRect(TvxCustomCheckBoxViewInfo* AViewInfo, const TSize& AFaceSize);
  void CalculateCheckTextRect(TvxCustomCheckBoxViewInfo* AViewInfo);
  void CalculateCheckFocusRect(TvxCanvas* ACanvas, TvxCustomCheckBoxViewInfo* AViewInfo);
  bool IsTextDrawnDisabled(TvxCustomCheckBoxViewInfo* AViewInfo);
};

// --- Check box control -------------------------------------------------------------------------

// The stand-alone check box: its edit value is one of the properties' three values; the
// state shown is always read from that value.
class TvxCustomCheckBox : public TvxCustomEdit {
  DECLARE_CLASS(TvxCustomCheckBox, TvxCustomEdit)
  DECLARE_MESSAGE_MAP
 public:
  using TvxCustomEdit::TvxCustomEdit;
  TvxCustomCheckBoxProperties* Properties() const {
    return static_cast<TvxCustomCheckBoxProperties*>(TvxCustomEdit::Properties());
  }
  TvxCustomCheckBoxViewInfo* ViewInfo() const { return static_cast<TvxCustomCheckBoxViewInfo*>(TvxContainer::ViewInfo()); }
  TvxCheckBoxState State();
  void SetState(TvxCheckBoxState Value);
  bool Checked() { return State() == cbsChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbsChecked : cbsUnchecked); }
  // Unchecked -> grayed (with AllowGrayed) or checked -> unchecked; grayed -> checked.
  virtual void Toggle();
  void Clear() override { SetChecked(false); }
  // The face rectangle, in client coordinates, and its mouse/keyboard state as last laid out.
  TRect CheckBoxRect();
  TvxEditCheckState CheckBoxState();
  bool IsCheckPressed() const { return FIsCheckPressed; }
  void Loaded() override;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  TvxContainerStyleClass GetStyleClass() override { return TvxContainerStyle::ClassOf<TvxCheckBoxStyle>(); }
  TvdThemedObjectType GetThemedObjectType() override { return totButton; }
  // The faces follow the button theme when the look and feel asks for it.
  bool IsNativeStyle() override { return TvxContainer::IsNativeStyle(); }
  TvxEditStateColorKind GetEditStateColorKind() override { return Enabled() ? esckNormal : esckDisabled; }
  bool CanHaveTransparentBorder() override { return true; }
  void GetBorderRect(TRect& R) override;
  TvxContainerStyleValues GetNotPublishedStyleValues() override;
  bool DependsOnParentBackground() override;
  bool RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift, bool AIsMouseEvent) override;
  // Called after every layout with the state before it: a press released over the box toggles.
  virtual void ButtonStateChanged(TvxEditCheckState APrevState);
  void Initialize() override;
  void InternalSetEditValue(const Variant& Value, bool AValidateEditValue) override;
  void PropertiesChanged(TObject* Sender) override;
  void Paint() override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  void ProcessKeyPress(wchar_t& Key) override;
  void ProcessKeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void DoExit() override;
  void TextChanged() override;

 private:
  void WMLButtonUp(TMessage& Message);
  void CMDialogChar(TCMDialogChar& Message);
  void CMParentColorChanged(TMessage& Message);
  void SetCheckBoxState(TvxEditCheckState Value);
  bool FIsCheckPressed = false;   // space is held down on the focused box
  bool FIsLoaded = false;         // Loaded is running
  bool FIsLoadingStateAssigned = false;
  TvxCheckBoxState FLoadingState = cbsUnchecked;
};

class TvxCheckBox : public TvxCustomCheckBox {
  DECLARE_CLASS(TvxCheckBox, TvxCustomCheckBox)
  PUBLISHED(TvxCheckBox)
 public:
  using TvxCustomCheckBox::TvxCustomCheckBox;
  TvxCheckBoxProperties* Properties() const {
    return static_cast<TvxCheckBoxProperties*>(TvxCustomEdit::Properties());
  }
  void SetProperties(TvxCheckBoxProperties* Value) { Properties()->Assign(Value); }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
};

// Filter rows offer a check box column's two values as a fixed list: checked, then unchecked.
class TvxFilterCheckBoxHelper : public TvxFilterComboBoxHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterCheckBoxHelper, TvxFilterComboBoxHelper)
 public:
  TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties*, TvxValueTypeClass,
                                                        bool = false) const override {
    return TvxFilterControlOperators{fcoEqual, fcoNotEqual, fcoBlanks, fcoNonBlanks};
  }
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
  void GetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties, Variant& V,
                      String& S) const override;
  void SetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties,
                      const Variant& AValue) const override;
  bool UseDisplayValue() const override { return true; }
};

extern const TUnitInfo vxCheckBoxUnit;
