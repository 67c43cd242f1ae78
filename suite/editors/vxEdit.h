// The editor core: edit buttons, the properties object that describes an editor (its
// settings, assigned-value flags and alignment), the default-values provider through
// which a data source supplies defaults, the registry of properties classes, and the
// edit repository whose items share one properties object among many editors.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Controls.h"
#include "Graphics.h"
#include "Menus.h"
#include "Persistent.h"
#include "StdCtrls.h"
#include "TypInfo.h"
#include "Variants.h"
#include "vxClasses.h"
#include "vxContainerStyles.h"
#include "vxDataUtils.h"
#include "vxGraphics.h"

class TvxCustomEditProperties;

// The screen cursor shown while the mouse wheel scrolls an editor's value.
constexpr Integer crvxMouseWheel = 4101;
class TvxEditRepositoryItem;
class TvxCustomEdit;
class TvxCustomEditViewData;
class TvxCustomEditViewInfo;
class IvxCustomInnerEdit;

// --- Buttons ------------------------------------------------------------------------------

enum TvxEditButtonKind { bkEllipsis, bkDown, bkGlyph, bkText };
ENUM_TYPEINFO(TvxEditButtonKind, bkEllipsis, bkDown, bkGlyph, bkText)

class TvxEditButton : public TCollectionItem {
  DECLARE_CLASS(TvxEditButton, TCollectionItem)
  PUBLISHED(TvxEditButton)
 public:
  explicit TvxEditButton(TCollection* Collection);
  ~TvxEditButton() override;
  void Assign(TPersistent* Source) override;

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  TAlignment ContentAlignment() const { return FContentAlignment; }
  void SetContentAlignment(TAlignment Value) { SetValue(FContentAlignment, Value); }
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { SetValue(FEnabled, Value); }
  // The glyph, created on first read.
  TBitmap* Glyph();
  bool HasGlyph() const { return FGlyph != nullptr; }
  // nullptr frees the glyph; any other bitmap is copied.
  void SetGlyph(TBitmap* Value);
  const String& Hint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  TvxEditButtonKind Kind() const { return FKind; }
  void SetKind(TvxEditButtonKind Value) { SetValue(FKind, Value); }
  bool LeftAlignment() const { return FLeftAlignment; }
  void SetLeftAlignment(bool Value) { SetValue(FLeftAlignment, Value); }
  bool Stretchable() const { return FStretchable; }
  void SetStretchable(bool Value) { SetValue(FStretchable, Value); }
  Integer Tag() const { return FTag; }
  void SetTag(Integer Value) { FTag = Value; }
  TColor TextColor() const { return FTextColor; }
  void SetTextColor(TColor Value) { SetValue(FTextColor, Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { SetValue(FVisible, Value); }
  // The caption without accelerator marks.
  const String& VisibleCaption() const { return FVisibleCaption; }
  Integer Width() const { return FWidth; }
  // A negative width is ignored; 0 means automatic.
  void SetWidth(Integer Value);

 private:
  template <class T>
  void SetValue(T& AField, const T& Value) {
    if (AField == Value) return;
    AField = Value;
    Changed(false);
  }
  void GlyphChanged(TObject* Sender);

  String FCaption;
  TAlignment FContentAlignment = taCenter;
  bool FDefault = false;
  bool FEnabled = true;
  std::unique_ptr<TBitmap> FGlyph;
  String FHint;
  TvxEditButtonKind FKind = bkDown;
  bool FLeftAlignment = false;
  bool FStretchable = true;
  Integer FTag = 0;
  TColor FTextColor = clBtnText;
  bool FVisible = true;
  String FVisibleCaption;
  Integer FWidth = 0;
};

class TvxEditButtons : public TCollection {
  DECLARE_CLASS(TvxEditButtons, TCollection)
 public:
  TvxEditButtons(TPersistent* AOwner, TCollectionItemClass AButtonClass);
  TvxEditButton* Items(Integer Index) const { return static_cast<TvxEditButton*>(TCollection::Items(Index)); }
  TvxEditButton* Add() { return static_cast<TvxEditButton*>(TCollection::Add()); }
  Integer VisibleCount() const;
  TPersistent* GetOwner() override { return FOwner; }
  static TCollectionItemClass GetButtonClass() { return TvxEditButton::StaticClass(); }
  TNotifyEvent OnChange;

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TPersistent* FOwner;
};

// --- Button view info -------------------------------------------------------------------------

enum TvxEditButtonState { ebsDisabled, ebsNormal, ebsPressed, ebsSelected };  // ebsSelected: hot
enum TvxEditButtonStyle { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11 };
ENUM_TYPEINFO(TvxEditButtonStyle, btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11)

struct TvxEditButtonViewInfoData {
  TColor BackgroundColor = clBtnFace;
  String Caption;
  TAlignment ContentAlignment = taCenter;
  bool Default = false;
  bool Gradient = false;
  bool IsInplace = false;
  TvxEditButtonKind Kind = bkDown;
  bool LeftAlignment = false;
  bool Leftmost = false;
  bool NativeStyle = false;
  bool Rightmost = false;
  TvxEditButtonState State = ebsNormal;
  TvxEditButtonStyle Style = btsDefault;
  TColor TextColor = clBtnText;
  bool Transparent = false;
  String VisibleCaption;
  bool BackgroundPartiallyTransparent = false;
  bool ComboBoxStyle = false;
  Integer NativePart = 0;
  Integer NativeState = 0;  // 0: not themed
};

// The painting state of one button for one paint.
class TvxEditButtonViewInfo : public TPersistent {
  DECLARE_CLASS(TvxEditButtonViewInfo, TPersistent)
 public:
  TvxEditButtonViewInfo() = default;
  // Copies what decides the button's look: native state, background colour, bounds,
  // style and state.
  void Assign(TPersistent* Source) override;
  // Empty when the look is the same as AViewInfo's, else the button's bounds.
  virtual std::unique_ptr<TvxRegion> GetUpdateRegion(TvxEditButtonViewInfo* AViewInfo);
  // Invalidates the button (moved by AEditPosition) in AControl's window when its look
  // differs from AViewInfo's; answers whether it did.
  virtual bool Repaint(TWinControl* AControl, TvxEditButtonViewInfo* AViewInfo, const TPoint& AEditPosition);
  bool LooksLike(const TvxEditButtonViewInfo* AViewInfo) const;

  TRect Bounds{};
  TvxEditButtonViewInfoData Data;
  TBitmap* Glyph = nullptr;  // the button's own
  bool HasBackground = false;
  Integer Index = 0;
  bool Stretchable = true;
  TRect VisibleBounds{};
  Integer Width = 0;  // asked for; 0 = automatic
};

// --- Edit style and style controller ---------------------------------------------------------

enum TvxEditButtonTransparency { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };
ENUM_TYPEINFO(TvxEditButtonTransparency, ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected)
using TvxEditGradientDirection = TvxDirection;  // dirLeft .. dirDown
enum TvxEditPopupBorderStyle { epbsDefault, epbsSingle, epbsFrame3D, epbsFlat };
ENUM_TYPEINFO(TvxEditPopupBorderStyle, epbsDefault, epbsSingle, epbsFrame3D, epbsFlat)

// The editor's style values after the container's ten.
constexpr TvxContainerStyleValue svButtonStyle = 10;
constexpr TvxContainerStyleValue svButtonTransparency = 11;
constexpr TvxContainerStyleValue svPopupBorderStyle = 12;
constexpr TvxContainerStyleValue svGradientButtons = 13;
constexpr TvxContainerStyleValue svGradient = 14;
constexpr TvxContainerStyleValue svGradientDirection = 15;

class TvxEditStyleController;

// A container style with the editor's own values: button style and transparency,
// gradients and the popup border. All but the button style are common to the states of
// an editor: a state style hands them to its base style.
class TvxCustomEditStyle : public TvxContainerStyle {
  DECLARE_CLASS(TvxCustomEditStyle, TvxContainerStyle)
 public:
  TvxCustomEditStyle(TPersistent* AOwner, bool ADirectAccessMode, TvxContainerStyle* AParentStyle,
                     TvxContainerStateItem AState);
  void Assign(TPersistent* Source) override;
  Integer GetStyleValueCount() override { return 16; }
  bool GetStyleValueName(TvxContainerStyleValue AStyleValue, String& AName) override;
  bool IsValueAssigned(TvxContainerStyleValue AValue) override;
  // Colour, font and text colour from view parameters (the bitmap is not used).
  void Init(const TvxViewParams& AParams);

  TvxEditButtonStyle ButtonStyle();
  void SetButtonStyle(TvxEditButtonStyle Value);
  TvxEditButtonTransparency ButtonTransparency();
  void SetButtonTransparency(TvxEditButtonTransparency Value);
  bool Gradient();
  void SetGradient(bool Value);
  bool GradientButtons();
  void SetGradientButtons(bool Value);
  TvxEditGradientDirection GradientDirection();
  void SetGradientDirection(TvxEditGradientDirection Value);
  TvxEditPopupBorderStyle PopupBorderStyle();
  void SetPopupBorderStyle(TvxEditPopupBorderStyle Value);
  bool PopupCloseButton();
  void SetPopupCloseButton(bool Value);
  TvxCustomEditStyle* EditBaseStyle() { return static_cast<TvxCustomEditStyle*>(BaseStyle()); }

 protected:
  // The default edit style controller for a stand-alone editor; none for an in-place one
  // or a bare value holder.
  TvxStyleController* InitialStyleController() override;
  TvxContainerStyleValues HiddenExtendedStyleValues() override;
  virtual TvxEditButtonStyle FallbackButtonStyle();
  virtual TvxEditButtonTransparency FallbackButtonTransparency();
  virtual bool FallbackGradient();
  virtual bool FallbackGradientButtons();
  virtual TvxEditGradientDirection FallbackGradientDirection();
  virtual TvxEditPopupBorderStyle FallbackPopupBorderStyle();

 private:
  // The style (this one or a controller's) that holds value V, nullptr when none does;
  // a bare value holder looks only at itself.
  TvxCustomEditStyle* Holder(TvxContainerStyleValue V);
  template <class T>
  void SetOwnValue(T& AField, const T& Value, TvxContainerStyleValue V);

  TvxEditButtonStyle FButtonStyle = btsDefault;
  TvxEditButtonTransparency FButtonTransparency = ebtNone;
  bool FGradient = false;
  bool FGradientButtons = false;
  TvxEditGradientDirection FGradientDirection = dirDown;
  TvxEditPopupBorderStyle FPopupBorderStyle = epbsDefault;
  bool FPopupCloseButton = true;
};

class TvxEditStyle : public TvxCustomEditStyle {
  DECLARE_CLASS(TvxEditStyle, TvxCustomEditStyle)
 public:
  using TvxCustomEditStyle::TvxCustomEditStyle;
};

class TvxEditStyleController : public TvxStyleController {
  DECLARE_CLASS(TvxEditStyleController, TvxStyleController)
 public:
  explicit TvxEditStyleController(TComponent* AOwner) : TvxStyleController(AOwner) {}
  TvxContainerStyleClass GetStyleClass() override { return TvxContainerStyle::ClassOf<TvxEditStyle>(); }
  TvxEditStyle* Style() { return static_cast<TvxEditStyle*>(Styles()->Style()); }
  void SetStyle(TvxEditStyle* Value) { Styles()->SetStyle(Value); }
  TvxEditStyle* StyleDisabled() { return static_cast<TvxEditStyle*>(Styles()->StyleDisabled()); }
  void SetStyleDisabled(TvxEditStyle* Value) { Styles()->SetStyleDisabled(Value); }
  TvxEditStyle* StyleFocused() { return static_cast<TvxEditStyle*>(Styles()->StyleFocused()); }
  void SetStyleFocused(TvxEditStyle* Value) { Styles()->SetStyleFocused(Value); }
  TvxEditStyle* StyleHot() { return static_cast<TvxEditStyle*>(Styles()->StyleHot()); }
  void SetStyleHot(TvxEditStyle* Value) { Styles()->SetStyleHot(Value); }
};

// The controller every stand-alone editor without one of its own falls back on; it
// lives from the unit's start-up to its shut-down.
TvxEditStyleController* DefaultEditStyleController();

// --- Alignment and assigned values ------------------------------------------------------------

enum TvxEditVertAlignment { taTopJustify, taBottomJustify, taVCenter };
ENUM_TYPEINFO(TvxEditVertAlignment, taTopJustify, taBottomJustify, taVCenter)

class TvxEditAlignment : public TPersistent {
  DECLARE_CLASS(TvxEditAlignment, TPersistent)
  PUBLISHED(TvxEditAlignment)
 public:
  explicit TvxEditAlignment(TPersistent* AOwner) : FOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return FOwner; }
  TAlignment Horz() const { return FHorz; }
  void SetHorz(TAlignment Value);
  TvxEditVertAlignment Vert() const { return FVert; }
  void SetVert(TvxEditVertAlignment Value);
  bool IsHorzStored() const { return FIsHorzAssigned; }
  bool IsVertStored() const { return FVert != taTopJustify; }
  // Forgets the assigned horizontal alignment.
  void Reset();
  TNotifyEvent OnChanged;

 private:
  friend class TvxCustomEditProperties;
  void DoChanged() { vxCallNotifyEvent(this, OnChanged); }
  TPersistent* FOwner;
  TAlignment FHorz = taLeftJustify;
  bool FIsHorzAssigned = false;
  TvxEditVertAlignment FVert = taTopJustify;
};

class TvxCustomEditPropertiesValues : public TPersistent {
  DECLARE_CLASS(TvxCustomEditPropertiesValues, TPersistent)
 public:
  using TCreateArg = TPersistent*;  // the properties object
  explicit TvxCustomEditPropertiesValues(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override;
  void BeginUpdate();
  void EndUpdate();
  // Clears every assigned-value flag (each descendant clears its own too).
  virtual void RestoreDefaults();
  bool MaxValue() const { return FMaxValue; }
  void SetMaxValue(bool Value) { SetFlag(FMaxValue, Value); }
  bool MinValue() const { return FMinValue; }
  void SetMinValue(bool Value) { SetFlag(FMinValue, Value); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { SetFlag(FReadOnly, Value); }

 protected:
  TvxCustomEditProperties* FOwner;

 private:
  void SetFlag(bool& AField, bool Value);
  bool FMaxValue = false;
  bool FMinValue = false;
  bool FReadOnly = false;
};
using TvxCustomEditPropertiesValuesClass = TClass;

// --- Default values provider --------------------------------------------------------------

enum TvxBlobKind { bkNone, bkBlob, bkGraphic, bkMemo, bkOle };

class IvxEditDefaultValuesProvider {
 public:
  virtual ~IvxEditDefaultValuesProvider() = default;
  virtual bool CanSetEditMode() = 0;
  virtual void ClearUsers() = 0;
  virtual TAlignment DefaultAlignment() = 0;
  virtual TvxBlobKind DefaultBlobKind() = 0;
  virtual bool DefaultCanModify() = 0;
  virtual String DefaultDisplayFormat() = 0;
  virtual String DefaultEditFormat() = 0;
  virtual String DefaultEditMask() = 0;
  virtual bool DefaultIsFloatValue() = 0;
  virtual Integer DefaultMaxLength() = 0;
  virtual double DefaultMaxValue() = 0;
  virtual double DefaultMinValue() = 0;
  virtual Integer DefaultPrecision() = 0;
  virtual bool DefaultReadOnly() = 0;
  virtual bool DefaultRequired() = 0;
  virtual TObject* GetInstance() = 0;
  virtual bool IsDataStorage() = 0;
  virtual bool IsBlob() = 0;
  virtual bool IsCurrency() = 0;
  virtual bool IsDataAvailable() = 0;
  virtual bool IsDisplayFormatDefined(bool AIsCurrencyValueAccepted) = 0;
  virtual bool IsOnGetTextAssigned() = 0;
  virtual bool IsOnSetTextAssigned() = 0;
  virtual bool IsValidChar(wchar_t AChar) = 0;
};

class TvxCustomEditDefaultValuesProvider : public TvxInterfacedPersistent, public IvxEditDefaultValuesProvider {
  DECLARE_CLASS(TvxCustomEditDefaultValuesProvider, TvxInterfacedPersistent)
 public:
  explicit TvxCustomEditDefaultValuesProvider(TPersistent* AOwner = nullptr) : TvxInterfacedPersistent(AOwner) {}
  // Every properties object that used this provider forgets it.
  ~TvxCustomEditDefaultValuesProvider() override;
  bool CanSetEditMode() override { return true; }
  void ClearUsers() override;
  TAlignment DefaultAlignment() override { return taLeftJustify; }
  TvxBlobKind DefaultBlobKind() override { return bkMemo; }
  bool DefaultCanModify() override { return true; }
  String DefaultDisplayFormat() override { return String(); }
  String DefaultEditFormat() override { return String(); }
  String DefaultEditMask() override { return String(); }
  bool DefaultIsFloatValue() override { return false; }
  Integer DefaultMaxLength() override { return 0; }
  double DefaultMaxValue() override { return 0; }
  double DefaultMinValue() override { return 0; }
  Integer DefaultPrecision() override { return 15; }
  bool DefaultReadOnly() override { return false; }
  bool DefaultRequired() override { return false; }
  TObject* GetInstance() override { return this; }
  bool IsDataStorage() override { return false; }
  bool IsBlob() override { return false; }
  bool IsCurrency() override { return false; }
  bool IsDataAvailable() override { return true; }
  bool IsDisplayFormatDefined(bool) override { return false; }
  bool IsOnGetTextAssigned() override { return false; }
  bool IsOnSetTextAssigned() override { return false; }
  bool IsValidChar(wchar_t) override { return true; }
};

// --- Properties -----------------------------------------------------------------------------

enum TvxEditButtonsViewStyle { bvsNormal, bvsButtonsOnly, bvsButtonsAutoWidth };
ENUM_TYPEINFO(TvxEditButtonsViewStyle, bvsNormal, bvsButtonsOnly, bvsButtonsAutoWidth)
enum TvxEditCloseUpReason { crUnknown, crTab, crClose, crCancel, crEnter };
enum TvxEditSpecialFeature { esfBlobEditValue, esfMinSize, esfNoContentPart };
using TvxEditSpecialFeatures = Set<TvxEditSpecialFeature, 8>;
enum TvxEditSupportedOperation {
  esoAlwaysHotTrack,
  esoAutoHeight,
  esoEditing,
  esoFiltering,
  esoHorzAlignment,
  esoHotTrack,
  esoIncSearch,
  esoShowingCaption,
  esoSorting,
  esoSortingByDisplayText,
  esoTransparency
};
using TvxEditSupportedOperations = Set<TvxEditSupportedOperation, 16>;
// Bit 0: the editor can use a display format; bit 1: the display format does not accept
// currency values.
enum TvxEditDisplayFormatOption { dfoSupports, dfoNoCurrencyValue };
using TvxEditDisplayFormatOptions = Set<TvxEditDisplayFormatOption, 8>;

using TvxEditButtonClickEvent = std::function<void(TObject* Sender, Integer AButtonIndex)>;
using TvxEditClosePopupEvent = std::function<void(TObject* Sender, TvxEditCloseUpReason AReason)>;
using TvxEditValidateEvent =
    std::function<void(TObject* Sender, Variant& DisplayValue, String& ErrorText, bool& Error)>;

struct TvxEditSizeProperties {
  Integer Height = 0;
  Integer MaxLineCount = 0;
  Integer Width = -1;  // negative: not limited
};

// The classes a properties object creates for itself. A descendant names its own when it
// calls the base constructor (the object's virtual class choices are not reachable
// while the base part is being built).
struct TvxEditPropertiesParts {
  TvxCustomEditPropertiesValuesClass AssignedValuesClass = TvxCustomEditPropertiesValues::StaticClass();
  bool DefaultUseLeftAlignmentOnEditing = true;
};

class TvxCustomEditProperties : public TvxInterfacedPersistent {
  DECLARE_CLASS(TvxCustomEditProperties, TvxInterfacedPersistent)
  PUBLISHED(TvxCustomEditProperties)
 public:
  using TCreateArg = TPersistent*;
  explicit TvxCustomEditProperties(TPersistent* AOwner) : TvxCustomEditProperties(AOwner, TvxEditPropertiesParts{}) {}
  ~TvxCustomEditProperties() override;

  void Assign(TPersistent* Source) override;
  void BeginUpdate();
  void EndUpdate(bool AInvokeChanged = true);
  void Changed();
  bool ChangedLocked() const { return FChangedLocked || FUpdateCount > 0; }
  void LockUpdate(bool ALock) { FChangedLocked = ALock; }
  bool ChangedOccurred() const { return FChangedOccurred; }
  bool IsChanging() const { return FIsChangingCount > 0; }
  bool CanModify();
  bool IsValueEditorWithValueFormatting();
  // When AItem's properties (AProperties) are of a class this object's class is an
  // ancestor of, this object stands in for them.
  bool UseRepositoryItemProperties(TvxEditRepositoryItem* AItem, TvxCustomEditProperties*& AProperties);
  void SetMinMaxValues(double AMaxValue, double AMinValue);

  // Overridable behaviour.
  virtual void AlignmentChanged(TObject* Sender);
  virtual void SetAlignment(TvxEditAlignment* Value);
  virtual void ButtonsChanged(TObject* Sender) { Changed(); }
  virtual bool HasDisplayValue() { return false; }
  virtual bool DefaultUseLeftAlignmentOnEditing() { return true; }
  virtual void DefaultValuesProviderDestroyed() { FIDefaultValuesProvider = nullptr; }
  virtual void FirePropertiesChanged();
  virtual void DoFreeNotification(TComponent*) {}
  virtual TvxCustomEditPropertiesValuesClass AssignedValuesClass() {
    return TvxCustomEditPropertiesValues::StaticClass();
  }
  virtual TAlignment GetDefaultHorzAlignment();
  virtual TvxEditDisplayFormatOptions DisplayFormatOptions() { return {}; }
  virtual double MaxValue();
  virtual double MinValue();
  virtual String GetValidationErrorText(Integer AErrorKind);
  virtual bool HasDefaultDisplayFormat(bool AEditFocused);
  virtual bool HasSeparateChangeEvents() { return false; }
  virtual bool ProcessesTabKey() { return false; }
  virtual bool DependsOnFocus() { return true; }
  virtual bool CanCompareEditValue() { return false; }
  virtual TClass GetButtonsClass() { return TvxEditButtons::StaticClass(); }
  virtual void Update(TvxCustomEditProperties*) {}
  virtual bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2);
  virtual TvxCustomEditProperties* CreatePreviewProperties();
  virtual void DataChanged() {}
  virtual String GetDisplayText(const Variant&, bool AFullText = false, bool AIsInplace = true);
  virtual TvxEditSpecialFeatures GetSpecialFeatures() { return {}; }
  virtual TvxEditSupportedOperations GetSupportedOperations();
  virtual bool IsActivationKey(wchar_t) { return false; }
  virtual bool IsEditValueValid(Variant&, bool) { return true; }
  virtual bool IsResetEditClass() { return false; }
  // Checks what the user typed in AEdit: fills an empty error text with the default one
  // and runs the OnValidate handlers; a handler that sets the error without changing the
  // value gets the editor's current display text back (defined with the edit control).
  // The editor class that edits with these properties (defined with the edit control).
  virtual TClass GetContainerClass();
  virtual void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit);
  virtual void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused);
  virtual void RestoreDefaults();
  virtual TvxDataEditValueSource GetEditValueSource(bool) { return evsValue; }
  // The layout object of an editor made from these properties (the caller frees it).
  virtual TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false);
  // A new view info of the class these properties paint with (the caller frees it).
  virtual TvxCustomEditViewInfo* CreateViewInfo();
  TSize GetEditConstantPartSize(TvxCanvas* ACanvas, TvxCustomEditStyle* AEditStyle, bool AIsInplace,
                                const TvxEditSizeProperties& AEditSizeProperties, TSize& MinContentSize);
  TSize GetEditContentSize(TvxCanvas* ACanvas, TvxCustomEditStyle* AEditStyle, bool AIsInplace,
                           const Variant& AEditValue, const TvxEditSizeProperties& AEditSizeProperties);
  TSize GetEditSize(TvxCanvas* ACanvas, TvxCustomEditStyle* AEditStyle, bool AIsInplace, const Variant& AEditValue,
                    const TvxEditSizeProperties& AEditSizeProperties);

  // Properties.
  TvxEditAlignment* Alignment();
  const TvxEditAlignment* InnerAlignment() const { return FInnerAlignment.get(); }
  TvxCustomEditPropertiesValues* AssignedValues() const { return FAssignedValues.get(); }
  void SetAssignedValues(TvxCustomEditPropertiesValues* Value) { FAssignedValues->Assign(Value); }
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { SetValue(FAutoSelect, Value); }
  bool BeepOnError() const { return FBeepOnError; }
  void SetBeepOnError(bool Value) { FBeepOnError = Value; }
  TvxEditButtons* Buttons() const { return FButtons.get(); }
  void SetButtons(TvxEditButtons* Value) { FButtons->Assign(Value); }
  TvxEditButtonsViewStyle ButtonsViewStyle() const { return FButtonsViewStyle; }
  void SetButtonsViewStyle(TvxEditButtonsViewStyle Value) { SetValue(FButtonsViewStyle, Value); }
  TShortCut ClearKey() const { return FClearKey; }
  void SetClearKey(TShortCut Value) { FClearKey = Value; }
  TShortCut ClickKey() const { return FClickKey; }
  void SetClickKey(TShortCut Value) { FClickKey = Value; }
  IvxEditDefaultValuesProvider* IDefaultValuesProvider() const { return FIDefaultValuesProvider; }
  void SetIDefaultValuesProvider(IvxEditDefaultValuesProvider* Value);
  bool ImmediatePost() const { return FImmediatePost; }
  void SetImmediatePost(bool Value) { FImmediatePost = Value; }
  void SetMaxValue(double Value);
  void SetMinValue(double Value);
  bool ReadOnly();
  void SetReadOnly(bool Value);
  bool IsReadOnlyStored() const { return FAssignedValues->ReadOnly(); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value) { SetValue(FTransparent, Value); }
  bool UseLeftAlignmentOnEditing() const { return FUseLeftAlignmentOnEditing; }
  void SetUseLeftAlignmentOnEditing(bool Value) { SetValue(FUseLeftAlignmentOnEditing, Value); }
  bool IsUseLeftAlignmentOnEditingStored() { return FUseLeftAlignmentOnEditing != DefaultUseLeftAlignmentOnEditing(); }
  bool UseMouseWheel() const { return FUseMouseWheel; }
  void SetUseMouseWheel(bool Value) { FUseMouseWheel = Value; }
  bool ValidateOnEnter() const { return FValidateOnEnter; }
  void SetValidateOnEnter(bool Value) { FValidateOnEnter = Value; }
  TPersistent* Owner() const { return FOwner; }
  TvxFreeNotificator* FreeNotificator() const { return FFreeNotificator.get(); }

  TvxEditButtonClickEvent OnButtonClick;
  TNotifyEvent OnChange;
  TvxEditClosePopupEvent OnClosePopup;
  TNotifyEvent OnEditValueChanged;
  TvxEditValidateEvent OnValidate;
  TNotifyEvent OnPropertiesChanged;  // the owner's link

 protected:
  TvxCustomEditProperties(TPersistent* AOwner, const TvxEditPropertiesParts& AParts);
  template <class T>
  void SetValue(T& AField, const T& Value) {
    if (AField == Value) return;
    AField = Value;
    Changed();
  }
  bool CanNotify();
  void DoValidate(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit);

 private:
  bool FAutoSelect = true;
  bool FBeepOnError = false;
  std::unique_ptr<TvxEditButtons> FButtons;
  TvxEditButtonsViewStyle FButtonsViewStyle = bvsNormal;
  bool FChangedOccurred = false;
  TShortCut FClearKey = 0;
  TShortCut FClickKey = 0x400D;  // Ctrl+Enter
  std::unique_ptr<TvxFreeNotificator> FFreeNotificator;
  bool FImmediatePost = false;
  std::unique_ptr<TvxEditAlignment> FInnerAlignment;
  Integer FIsChangingCount = 0;
  double FMaxValue = 0;
  double FMinValue = 0;
  bool FReadOnly = false;
  bool FTransparent = false;
  Integer FUpdateCount = 0;
  bool FUseLeftAlignmentOnEditing = true;
  bool FUseMouseWheel = true;
  bool FValidateOnEnter = false;
  std::unique_ptr<TvxEditAlignment> FAlignment;
  std::unique_ptr<TvxCustomEditPropertiesValues> FAssignedValues;
  bool FChangedLocked = false;
  IvxEditDefaultValuesProvider* FIDefaultValuesProvider = nullptr;
};
using TvxCustomEditPropertiesClass = TClass;

// --- View info and view data -------------------------------------------------------------------

enum TvxEditBorderStyle { ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11 };
ENUM_TYPEINFO(TvxEditBorderStyle, ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11)
enum TvxEditPaintOption {
  epoAllowZeroHeight,
  epoAutoHeight,
  epoHasExternalBorder,
  epoShowEndEllipsis,
  epoShowFocusRectWhenInplace
};
using TvxEditPaintOptions = Set<TvxEditPaintOption, 8>;
enum TvxEditContentOption { ecoShowFocusRectWhenInplace, ecoOffsetButtonContent };
using TvxEditContentOptions = Set<TvxEditContentOption, 8>;
struct TvxEditContentParams {
  TRect ExternalBorderBounds{};
  TRect Offsets{};
  TvxEditContentOptions Options;
  TSize SizeCorrection{0, 0};
};

class TvxCustomEditViewInfo;
class TvxCustomEditViewData;

using TvxEditDrawBackgroundEvent =
    std::function<void(TvxCustomEditViewInfo* Sender, TvxCanvas* ACanvas, bool& AHandled)>;
using TvxEditDrawButtonEvent =
    std::function<void(TvxCustomEditViewInfo* Sender, TvxCanvas* ACanvas, Integer AButtonVisibleIndex, bool& AHandled)>;
using TvxEditGetButtonStateEvent =
    std::function<void(TvxCustomEditViewInfo* Sender, Integer AButtonVisibleIndex, TvxEditButtonState& AState)>;
using TvxEditPaintEvent = std::function<void(TvxCustomEditViewInfo* Sender, TvxCanvas* ACanvas)>;
using TvxEditGetDefaultButtonWidthEvent =
    std::function<void(TvxCustomEditViewData* Sender, Integer AIndex, Integer& ADefaultWidth)>;
using TvxEditViewDataGetDisplayTextEvent = std::function<void(TvxCustomEditViewData* Sender, String& AText)>;

// The paint half of an editor: the rectangles, colours and states the view data computed,
// painted on a canvas. A container paints a cell without any editor through CalculateEx
// and PaintEx.
class TvxCustomEditViewInfo : public TvxContainerViewInfo {
  DECLARE_CLASS(TvxCustomEditViewInfo, TvxContainerViewInfo)
 public:
  TvxCustomEditViewInfo();
  ~TvxCustomEditViewInfo() override;
  void Assign(TObject* Source) override;
  std::unique_ptr<TvxRegion> GetUpdateRegion(TvxContainerViewInfo* AViewInfo) override;
  void Offset(Integer DX, Integer DY) override;
  void Paint(TvxCanvas* ACanvas) override;
  virtual void PaintContent(TvxCanvas* ACanvas);
  // The visible index of the hot button; else -1 inside the border rectangle, -2 outside.
  virtual Integer GetPart(const TPoint& P);
  virtual TRect GetPartRect(Integer APart);
  virtual bool IsRepaintOnStateChangingNeeded() { return true; }
  virtual bool IsHotTrack();
  virtual bool IsHotTrack(const TPoint& P);
  virtual void PrepareCanvasFont(TvxCanvas*) {}
  // Over a hot button with a hint: the hint's short form, placed below the cursor at P.
  virtual bool NeedShowHint(TvxCanvas* ACanvas, const TPoint& P, TRect& ATextRect, bool& AIsMultiLine, String& AText,
                            const TRect& AVisibleBounds = TRect{});
  // Invalidates in AControl's window what changed since AViewInfo (all of the frame around
  // the inner edit when there is no previous one); answers whether anything was.
  virtual bool Repaint(TWinControl* AControl, TvxCustomEditViewInfo* AViewInfo) {
    return Repaint(AControl, TRect{}, AViewInfo);
  }
  virtual bool Repaint(TWinControl* AControl, const TRect& AInnerEditRect, TvxCustomEditViewInfo* AViewInfo);
  virtual void InternalPaintButton(TvxCanvas* ACanvas, Integer AButtonVisibleIndex);
  virtual void DrawButton(TvxCanvas* ACanvas, Integer AButtonVisibleIndex);
  virtual void DrawButtonBorder(TvxCanvas* ACanvas, Integer AButtonVisibleIndex, TColor& ABrushColor, TColor& APenColor,
                                TRect& AContentRect, TRect& ARect);
  virtual void DrawButtonContent(TvxCanvas* ACanvas, Integer AButtonVisibleIndex, bool ANeedOffsetContent,
                                 TColor ABrushColor, TColor APenColor, const TRect& AContentRect);
  void DrawButtons(TvxCanvas* ACanvas);
  void DrawButtonBackground(TvxCanvas* ACanvas, Integer AButtonVisibleIndex, TColor ABrushColor, const TRect& ARect);
  // Paints at (Left, Top) what Paint paints at (0, 0).
  void PaintEx(TvxCanvas* ACanvas);
  void SetButtonCount(Integer ACount);
  Integer ButtonCount() const { return static_cast<Integer>(ButtonsInfo.size()); }
  TvxEditButtonViewInfo* Buttons(Integer AIndex) const { return ButtonsInfo.at(AIndex).get(); }

  TvxEditDrawBackgroundEvent OnDrawBackground;
  TvxEditDrawButtonEvent OnDrawButton;
  TvxEditGetButtonStateEvent OnGetButtonState;
  TvxEditPaintEvent OnPaint;

  TRect BorderExtent{};
  TvxEditBorderStyle EditBorderStyle = ebsNone;
  std::vector<std::unique_ptr<TvxEditButtonViewInfo>> ButtonsInfo;
  bool Calculated = false;
  Integer Data = 0;
  TvxCustomEditProperties* EditProperties = nullptr;
  bool Enabled = true;
  bool Focused = false;
  TFont* Font = nullptr;
  bool HasBackground = false;
  bool HasContentOffsets = false;
  bool HasInnerEdit = false;
  bool HasTextButtons = false;
  TRect InnerEditRect{};
  bool IsButtonReallyPressed = false;
  bool IsDesigning = false;
  bool IsInplace = false;
  bool IsSelected = false;
  Integer Left = 0;
  TvxEditPaintOptions PaintOptions;
  TvxEditPopupBorderStyle PopupBorderStyle = epbsDefault;
  Integer PressedButton = -1;
  Integer SelectedButton = -1;
  TRect ShadowRect{};
  TColor TextColor = clBtnText;
  Integer Top = 0;
  bool Transparent = false;
  HWND WindowHandle = nullptr;

 protected:
  void DrawEditBackground(TvxCanvas* ACanvas);
  void Draw3DButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor, TColor& APenColor,
                          TRect& AContentRect, TRect& ARect);
  void DrawFlatButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor, TColor& APenColor,
                            TRect& AContentRect, TRect& ARect);
  void DrawHotFlatButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor, TColor& APenColor,
                               TRect& AContentRect, TRect& ARect);
  void DrawSimpleButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor, TColor& APenColor,
                              TRect& AContentRect, TRect& ARect);
  void DrawUltraFlatButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor, TColor& APenColor,
                                 TRect& AContentRect, TRect& ARect, bool AIsOffice11);
  virtual void DrawThemedButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TRect& AContentRect,
                                      TRect& ARect);
  virtual void DrawNativeButtonBackground(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, const TRect& ARect);
  // The themed frame of a stand-alone editor and its background inside.
  void DrawNativeStyleEditBackground(TvxCanvas* ACanvas, HBRUSH ABackgroundBrush);

 private:
  bool FPaintingButtons = false;
};

// The layout half of an editor: computes a view info for bounds, value and style.
class TvxCustomEditViewData : public TPersistent {
  DECLARE_CLASS(TvxCustomEditViewData, TPersistent)
 public:
  TvxCustomEditViewData(TvxCustomEditProperties* AProperties, TvxCustomEditStyle* AStyle, bool AIsInplace);
  virtual TvxContainerState GetContainerState(const TRect& ABounds, const TPoint& P, TvxMouseButton Button,
                                              TShiftState Shift, bool AIsMouseEvent);
  virtual TRect GetDefaultContentOffsets();
  virtual void InitFromProperties();
  virtual void InitEditContentParams(TvxEditContentParams& AParams);
  virtual void InternalEditValueToDisplayText(const Variant&, String& AText) { AText.clear(); }
  virtual TSize InternalGetEditContentSize(TvxCanvas*, const Variant&, const TvxEditSizeProperties&) {
    return TSize{0, 0};
  }
  virtual bool IsButtonPressable(TvxCustomEditViewInfo*, Integer) { return true; }
  virtual bool IsButtonPressed(TvxCustomEditViewInfo*, Integer) { return false; }
  virtual void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button,
                         TShiftState Shift, TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent);
  virtual void CalculateButtonBounds(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo, TRect& ButtonsRect,
                                     Integer AButtonVisibleIndex);
  virtual void CalculateButtonsViewInfo(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                        TvxMouseButton Button, TShiftState Shift, TvxCustomEditViewInfo* AViewInfo,
                                        bool AIsMouseEvent);
  virtual void CalculateButtonViewInfo(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo, TRect& ButtonsRect,
                                       Integer AButtonVisibleIndex);
  virtual void CheckButtonsOnly(TvxCustomEditViewInfo* AViewInfo, Integer APrevButtonsWidth, Integer AButtonsWidth);
  virtual void EditValueToDrawValue(TvxCanvas*, const Variant&, TvxCustomEditViewInfo*) {}
  virtual TColor GetBorderColor();
  virtual TRect GetBorderExtent();
  TRect GetBorderExtentByEdges(Integer ABorderWidth);
  virtual TvxEditBorderStyle GetBorderStyle();
  virtual TRect GetButtonsExtent(TvxCanvas* ACanvas);
  virtual TRect GetClientExtent(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo);
  virtual TSize GetEditConstantPartSize(TvxCanvas* ACanvas, const TvxEditSizeProperties& AEditSizeProperties,
                                        TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo = nullptr);
  virtual TSize GetEditContentSize(TvxCanvas* ACanvas, const Variant& AEditValue,
                                   const TvxEditSizeProperties& AEditSizeProperties);
  TSize GetEditContentSizeCorrection();
  virtual bool HasShadow();
  virtual bool IgnoreButtonWhileStretching(Integer) { return false; }
  // Whether editors with ALookAndFeel paint through the system theme: the look and feel
  // asks for native painting and the edit theme can be opened.
  static bool IsNativeStyle(TvxLookAndFeel* ALookAndFeel);
  // The theme state of the edit field: disabled 4, read-only 6, focused 3 (5 before
  // Windows 6.0), hot 2, else 1.
  virtual Integer GetEditNativeState(TvxCustomEditViewInfo* AViewInfo);
  // The theme part and state of a native button.
  virtual void CalculateButtonNativeInfo(TvxEditButtonViewInfo* AButtonViewInfo);
  void CalculateButtonsHeightCorrection(TvxCanvas* ACanvas, TSize& ASize, TvxCustomEditViewInfo* AViewInfo,
                                        TSize& MinContentSize);
  void CalculateEx(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                   TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent);
  TSize GetEditSize(TvxCanvas* ACanvas, const Variant& AEditValue, TvxEditSizeProperties AEditSizeProperties,
                    TvxCustomEditViewInfo* AViewInfo = nullptr);
  String DisplayTextOfValue(const Variant& AEditValue);
  TvxEditButtonStyle EffectiveButtonStyle();
  TvxEditPaintOptions EffectivePaintOptions();
  TvxCustomEditProperties* Properties() const { return FProperties; }
  TvxCustomEditStyle* Style() const { return FStyle; }
  void SetStyle(TvxCustomEditStyle* Value) { FStyle = Value; }
  bool IsInplace() const { return FIsInplace; }

  TvxEditGetDefaultButtonWidthEvent OnGetDefaultButtonWidth;
  TvxEditViewDataGetDisplayTextEvent OnGetDisplayText;

  TRect Bounds{};
  bool ButtonsOnlyStyle = false;
  TvxCustomEdit* Edit = nullptr;               // the editor control, nullptr for a cell
  IvxCustomInnerEdit* InnerEdit = nullptr;  // the editor's inner edit, nullptr when none
  Integer ButtonVisibleCount = 0;
  TvxContainerState ContainerState{csNormal};
  TRect ContentOffset{};
  TvxEditContentParams EditContentParams;
  bool Enabled = true;
  bool Focused = false;
  TAlignment HorzAlignment = taLeftJustify;
  bool IsDesigning = false;
  bool IsSelected = false;
  bool IsValueSource = false;
  Integer MaxLineCount = 0;
  bool NativeStyle = false;
  TvxEditPaintOptions PaintOptions;
  bool PreviewMode = false;
  bool Selected = false;
  Integer SelStart = 0;
  Integer SelLength = 0;
  TColor SelTextColor = clDefault;
  TColor SelBackgroundColor = clDefault;
  TvxEditVertAlignment VertAlignment = taTopJustify;
  HWND WindowHandle = nullptr;

 protected:
  void CalculateColors(TvxCustomEditViewInfo* AViewInfo);
  void CalculateButtonStates(TvxCustomEditViewInfo* AViewInfo, const TPoint& P, TvxMouseButton Button,
                             TShiftState Shift, Integer APrevPressed);
  Integer FLeftSideLeftmostButtonIndex = -1;
  Integer FLeftSideRightmostButtonIndex = -1;
  Integer FRightSideLeftmostButtonIndex = -1;
  Integer FRightSideRightmostButtonIndex = -1;

 private:
  bool FIsInplace;
  TvxCustomEditProperties* FProperties;
  TvxCustomEditStyle* FStyle;
};

// Every living properties object, in creation order.
const std::vector<TvxCustomEditProperties*>& vxEditPropertiesList();

// The registry of properties classes ("Name|Description"), sorted, created on first use.
TvxRegisteredClasses* GetEditPropertiesRegistry();

// --- Repository ------------------------------------------------------------------------------

class IvxEditRepositoryItemListener {
 public:
  virtual ~IvxEditRepositoryItemListener() = default;
  virtual void RepositoryItemRemoved(TvxEditRepositoryItem* Sender) = 0;
  virtual void PropertiesChanged(TvxEditRepositoryItem* Sender) = 0;
};

class TvxEditRepository : public TComponent {
  DECLARE_CLASS(TvxEditRepository, TComponent)
 public:
  explicit TvxEditRepository(TComponent* AOwner);
  ~TvxEditRepository() override;
  void Clear();
  TvxEditRepositoryItem* CreateItem(TClass ARepositoryItemClass);
  TvxEditRepositoryItem* CreateItemEx(TClass ARepositoryItemClass, TComponent* AOwner);
  // The first item of that name, compared without regard to case; nullptr when none.
  TvxEditRepositoryItem* ItemByName(const String& AName) const;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxEditRepositoryItem* Items(Integer Index) const { return FItems.at(Index); }

 private:
  friend class TvxEditRepositoryItem;
  std::vector<TvxEditRepositoryItem*> FItems;
};

class TvxEditRepositoryItem : public TComponent {
  DECLARE_CLASS(TvxEditRepositoryItem, TComponent)
  PUBLISHED(TvxEditRepositoryItem)
 public:
  explicit TvxEditRepositoryItem(TComponent* AOwner)
      : TvxEditRepositoryItem(AOwner, TvxCustomEditProperties::StaticClass()) {}
  // Listeners hear that the item goes before its properties are freed.
  ~TvxEditRepositoryItem() override;
  virtual void AddListener(IvxEditRepositoryItemListener* AListener);
  virtual TvxCustomEditPropertiesClass GetEditPropertiesClass() { return TvxCustomEditProperties::StaticClass(); }
  virtual String GetBaseName();
  virtual void RemoveListener(IvxEditRepositoryItemListener* AListener);

  TvxCustomEditProperties* Properties() const { return FProperties.get(); }
  void SetProperties(TvxCustomEditProperties* Value) { FProperties->Assign(Value); }
  TvxEditRepository* Repository() const { return FRepository; }
  void SetRepository(TvxEditRepository* Value);
  Integer ListenerCount() const { return static_cast<Integer>(FListenerList.size()); }
  bool HasParent() const override { return FRepository != nullptr; }
  TComponent* GetParentComponent() const override { return FRepository; }
  void SetParentComponent(TComponent* Value) override;

 protected:
  // A descendant names the properties class it holds.
  TvxEditRepositoryItem(TComponent* AOwner, TvxCustomEditPropertiesClass APropertiesClass);
  void PropertiesChanged(TObject* Sender);

 private:
  std::vector<IvxEditRepositoryItemListener*> FListenerList;  // not owned
  std::unique_ptr<TvxCustomEditProperties> FProperties;
  TvxEditRepository* FRepository = nullptr;
};

// The repository without owner, created on first use.
TvxEditRepository* GetDefaultEditRepository();

extern const TUnitInfo vxEditUnit;
