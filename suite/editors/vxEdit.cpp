#include "vxEdit.h"

#include <algorithm>
#include <limits>

#include "DragObjs.h"
#include "Forms.h"
#include "vdCore.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxControls.h"
#include "vxCustomEdit.h"
#include "vxDrawTextUtils.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"
#include "vxVariants.h"

namespace {

std::vector<TvxCustomEditProperties*>* FPropertiesList = nullptr;
std::unique_ptr<TvxRegisteredClasses> FEditPropertiesRegistry;
std::unique_ptr<TvxEditRepository> FDefaultEditRepository;
TvxEditStyleController* FDefaultEditStyleController = nullptr;
bool FFinalized = false;

// The module holding this code (the program, or the library it was linked into).
HMODULE ThisModule() {
  HMODULE m = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &m);
  return m ? m : GetModuleHandleW(nullptr);
}

void InitEdit() {
  FFinalized = false;
  FPropertiesList = new std::vector<TvxCustomEditProperties*>();
  FDefaultEditStyleController = new TvxEditStyleController(nullptr);
  if (Screen) Screen->SetCursors(crvxMouseWheel, LoadCursorW(ThisModule(), L"VXEDIT_MOUSEWHEEL"));
}

void FinEdit() {
  FFinalized = true;
  delete FDefaultEditStyleController;
  FDefaultEditStyleController = nullptr;
  FDefaultEditRepository.reset();
  FEditPropertiesRegistry.reset();
  delete FPropertiesList;
  FPropertiesList = nullptr;
}

}  // namespace

// --- TvxEditButton ----------------------------------------------------------------------------

TvxEditButton::TvxEditButton(TCollection* Collection) : TCollectionItem(Collection) {}

TvxEditButton::~TvxEditButton() = default;

void TvxEditButton::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxEditButton*>(Source);
  if (!src) {
    TCollectionItem::Assign(Source);
    return;
  }
  TCollection* c = Collection();
  if (c) c->BeginUpdate();
  FCaption = src->FCaption;
  FVisibleCaption = src->FVisibleCaption;
  FContentAlignment = src->FContentAlignment;
  SetDefault(src->FDefault);
  FEnabled = src->FEnabled;
  SetGlyph(src->FGlyph.get());
  FKind = src->FKind;
  FLeftAlignment = src->FLeftAlignment;
  FStretchable = src->FStretchable;
  FTag = src->FTag;
  FTextColor = src->FTextColor;
  FVisible = src->FVisible;
  FWidth = src->FWidth;
  FHint = src->FHint;
  Changed(false);
  if (c) c->EndUpdate();
}

void TvxEditButton::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  FVisibleCaption = vxStripAccelChars(Value);
  Changed(false);
}

void TvxEditButton::SetDefault(bool Value) {
  if (FDefault == Value) return;
  if (Value && Collection()) {
    // The other buttons lose the flag silently: the collection hears one change.
    for (Integer i = 0; i < Collection()->Count(); ++i)
      static_cast<TvxEditButton*>(Collection()->Items(i))->FDefault = false;
  }
  FDefault = Value;
  Changed(true);
}

TBitmap* TvxEditButton::Glyph() {
  if (!FGlyph) {
    FGlyph = std::make_unique<TBitmap>();
    FGlyph->OnChange = [this](TObject* Sender) { GlyphChanged(Sender); };
  }
  return FGlyph.get();
}

void TvxEditButton::SetGlyph(TBitmap* Value) {
  if (!Value) {
    FGlyph.reset();
  } else if (Value != FGlyph.get()) {
    Glyph()->Assign(Value);
  }
  Changed(false);
}

void TvxEditButton::GlyphChanged(TObject*) { Changed(false); }

void TvxEditButton::SetWidth(Integer Value) {
  if (Value < 0 || Value == FWidth) return;
  FWidth = Value;
  Changed(false);
}

void TvxEditButton::DeclarePublished(TPublisher<TvxEditButton>& P) {
  using C = TvxEditButton;
  P.Property(L"Caption", &C::Caption, &C::SetCaption).Stored([](C* B) { return !B->FCaption.empty(); });
  P.Property(L"ContentAlignment", &C::ContentAlignment, &C::SetContentAlignment).Default(taCenter);
  P.Property(L"Default", &C::Default, &C::SetDefault).Default(false);
  P.Property(L"Enabled", &C::Enabled, &C::SetEnabled).Default(true);
  P.Property(L"Glyph", &C::Glyph, &C::SetGlyph).Stored([](C* B) { return B->HasGlyph() && !B->FGlyph->Empty(); });
  P.Property(L"Hint", &C::Hint, &C::SetHint).Stored([](C* B) { return !B->FHint.empty(); });
  P.Property(L"Kind", &C::Kind, &C::SetKind).Default(bkDown);
  P.Property(L"LeftAlignment", &C::LeftAlignment, &C::SetLeftAlignment).Default(false);
  P.Property(L"Stretchable", &C::Stretchable, &C::SetStretchable).Default(true);
  P.Property(L"Tag", &C::Tag, &C::SetTag).Default(0);
  P.Property(L"TextColor", &C::TextColor, &C::SetTextColor).Type(TypeInfoColor()).Default(clBtnText);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property(L"Width", &C::Width, &C::SetWidth).Default(0);
}

// --- TvxEditButtons -------------------------------------------------------------------------

TvxEditButtons::TvxEditButtons(TPersistent* AOwner, TCollectionItemClass AButtonClass)
    : TCollection(AButtonClass), FOwner(AOwner) {}

Integer TvxEditButtons::VisibleCount() const {
  Integer n = 0;
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->Visible()) ++n;
  return n;
}

void TvxEditButtons::Update(TCollectionItem*) { vxCallNotifyEvent(this, OnChange); }

// --- TvxEditButtonViewInfo -------------------------------------------------------------------

void TvxEditButtonViewInfo::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxEditButtonViewInfo*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  Data.NativeState = src->Data.NativeState;
  Data.BackgroundColor = src->Data.BackgroundColor;
  Bounds = src->Bounds;
  Data.Style = src->Data.Style;
  Data.State = src->Data.State;
}

bool TvxEditButtonViewInfo::LooksLike(const TvxEditButtonViewInfo* AViewInfo) const {
  return AViewInfo && Data.Style == AViewInfo->Data.Style && Data.State == AViewInfo->Data.State &&
         Data.BackgroundColor == AViewInfo->Data.BackgroundColor && Data.NativeState == AViewInfo->Data.NativeState;
}

std::unique_ptr<TvxRegion> TvxEditButtonViewInfo::GetUpdateRegion(TvxEditButtonViewInfo* AViewInfo) {
  if (LooksLike(AViewInfo)) return std::make_unique<TvxRegion>();
  return std::make_unique<TvxRegion>(Bounds);
}

bool TvxEditButtonViewInfo::Repaint(TWinControl* AControl, TvxEditButtonViewInfo* AViewInfo,
                                    const TPoint& AEditPosition) {
  if (LooksLike(AViewInfo) || !AControl || !AControl->HandleAllocated()) return false;
  RECT r = Bounds;
  OffsetRect(&r, AEditPosition.x, AEditPosition.y);
  InvalidateRect(AControl->Handle(), &r, HasBackground);
  return true;
}

// --- TvxCustomEditStyle -------------------------------------------------------------------------

TvxCustomEditStyle::TvxCustomEditStyle(TPersistent* AOwner, bool ADirectAccessMode, TvxContainerStyle* AParentStyle,
                                       TvxContainerStateItem AState)
    : TvxContainerStyle(AOwner, ADirectAccessMode, AParentStyle, AState) {}

void TvxCustomEditStyle::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomEditStyle*>(Source);
  if (!src) {
    TvxContainerStyle::Assign(Source);
    return;
  }
  BeginUpdate();
  FButtonStyle = src->FButtonStyle;
  FButtonTransparency = src->FButtonTransparency;
  FGradient = src->FGradient;
  FGradientButtons = src->FGradientButtons;
  FGradientDirection = src->FGradientDirection;
  FPopupBorderStyle = src->FPopupBorderStyle;
  FPopupCloseButton = src->FPopupCloseButton;
  TvxContainerStyle::Assign(Source);
  MarkChanged();
  EndUpdate();
}

bool TvxCustomEditStyle::GetStyleValueName(TvxContainerStyleValue AStyleValue, String& AName) {
  static const wchar_t* const names[] = {L"ButtonStyle",     L"ButtonTransparency", L"PopupBorderStyle",
                                         L"GradientButtons", L"Gradient",           L"GradientDirection"};
  if (AStyleValue >= svButtonStyle && AStyleValue <= svGradientDirection) {
    AName = names[AStyleValue - svButtonStyle];
    return true;
  }
  return TvxContainerStyle::GetStyleValueName(AStyleValue, AName);
}

TvxCustomEditStyle* TvxCustomEditStyle::Holder(TvxContainerStyleValue V) {
  if (DirectAccessMode()) return AssignedValues().Contains(V) ? this : nullptr;
  return dynamic_cast<TvxCustomEditStyle*>(FindAssignedValue(V));
}

bool TvxCustomEditStyle::IsValueAssigned(TvxContainerStyleValue AValue) {
  if (AValue >= svButtonStyle && AValue <= svGradientDirection) return Holder(AValue) != nullptr;
  return TvxContainerStyle::IsValueAssigned(AValue);
}

void TvxCustomEditStyle::Init(const TvxViewParams& AParams) {
  BeginUpdate();
  SetColor(AParams.Color);
  if (AParams.Font) SetFont(AParams.Font);
  SetTextColor(AParams.TextColor);
  EndUpdate();
}

TvxStyleController* TvxCustomEditStyle::InitialStyleController() {
  if (DirectAccessMode()) return nullptr;
  IvxStyledContainer* container = Container();
  if (container && container->IsInplace()) return nullptr;
  return DefaultEditStyleController();
}

TvxContainerStyleValues TvxCustomEditStyle::HiddenExtendedStyleValues() {
  return TvxContainerStyle::HiddenExtendedStyleValues() + TvxContainerStyleValues{svButtonTransparency,
                                                                                  svPopupBorderStyle, svGradientButtons,
                                                                                  svGradient, svGradientDirection};
}

TvxEditButtonStyle TvxCustomEditStyle::FallbackButtonStyle() {
  return IsBaseStyle() ? btsDefault : static_cast<TvxCustomEditStyle*>(BaseStyle())->ButtonStyle();
}
TvxEditButtonTransparency TvxCustomEditStyle::FallbackButtonTransparency() {
  return IsBaseStyle() ? ebtNone : EditBaseStyle()->ButtonTransparency();
}
bool TvxCustomEditStyle::FallbackGradient() { return IsBaseStyle() ? false : EditBaseStyle()->Gradient(); }
bool TvxCustomEditStyle::FallbackGradientButtons() {
  return IsBaseStyle() ? false : EditBaseStyle()->GradientButtons();
}
TvxEditGradientDirection TvxCustomEditStyle::FallbackGradientDirection() {
  return IsBaseStyle() ? dirDown : EditBaseStyle()->GradientDirection();
}
TvxEditPopupBorderStyle TvxCustomEditStyle::FallbackPopupBorderStyle() {
  return IsBaseStyle() ? epbsDefault : EditBaseStyle()->PopupBorderStyle();
}

TvxEditButtonStyle TvxCustomEditStyle::ButtonStyle() {
  TvxCustomEditStyle* h = Holder(svButtonStyle);
  return h ? h->FButtonStyle : FallbackButtonStyle();
}
TvxEditButtonTransparency TvxCustomEditStyle::ButtonTransparency() {
  TvxCustomEditStyle* h = Holder(svButtonTransparency);
  return h ? h->FButtonTransparency : FallbackButtonTransparency();
}
bool TvxCustomEditStyle::Gradient() {
  TvxCustomEditStyle* h = Holder(svGradient);
  return h ? h->FGradient : FallbackGradient();
}
bool TvxCustomEditStyle::GradientButtons() {
  TvxCustomEditStyle* h = Holder(svGradientButtons);
  return h ? h->FGradientButtons : FallbackGradientButtons();
}
TvxEditGradientDirection TvxCustomEditStyle::GradientDirection() {
  TvxCustomEditStyle* h = Holder(svGradientDirection);
  return h ? h->FGradientDirection : FallbackGradientDirection();
}
TvxEditPopupBorderStyle TvxCustomEditStyle::PopupBorderStyle() {
  TvxCustomEditStyle* h = Holder(svPopupBorderStyle);
  return h ? h->FPopupBorderStyle : FallbackPopupBorderStyle();
}

template <class T>
void TvxCustomEditStyle::SetOwnValue(T& AField, const T& Value, TvxContainerStyleValue V) {
  if (AssignedValues().Contains(V) && AField == Value) return;
  AField = Value;
  BeginUpdate();
  SetAssignedValues(AssignedValues() + V);
  MarkChanged();
  EndUpdate();
}

void TvxCustomEditStyle::SetButtonStyle(TvxEditButtonStyle Value) { SetOwnValue(FButtonStyle, Value, svButtonStyle); }

void TvxCustomEditStyle::SetButtonTransparency(TvxEditButtonTransparency Value) {
  if (!IsBaseStyle()) return EditBaseStyle()->SetButtonTransparency(Value);
  SetOwnValue(FButtonTransparency, Value, svButtonTransparency);
}
void TvxCustomEditStyle::SetGradient(bool Value) {
  if (!IsBaseStyle()) return EditBaseStyle()->SetGradient(Value);
  SetOwnValue(FGradient, Value, svGradient);
}
void TvxCustomEditStyle::SetGradientButtons(bool Value) {
  if (!IsBaseStyle()) return EditBaseStyle()->SetGradientButtons(Value);
  SetOwnValue(FGradientButtons, Value, svGradientButtons);
}
void TvxCustomEditStyle::SetGradientDirection(TvxEditGradientDirection Value) {
  if (!IsBaseStyle()) return EditBaseStyle()->SetGradientDirection(Value);
  SetOwnValue(FGradientDirection, Value, svGradientDirection);
}
void TvxCustomEditStyle::SetPopupBorderStyle(TvxEditPopupBorderStyle Value) {
  if (!IsBaseStyle()) return EditBaseStyle()->SetPopupBorderStyle(Value);
  SetOwnValue(FPopupBorderStyle, Value, svPopupBorderStyle);
}

bool TvxCustomEditStyle::PopupCloseButton() {
  return IsBaseStyle() ? FPopupCloseButton : EditBaseStyle()->PopupCloseButton();
}

void TvxCustomEditStyle::SetPopupCloseButton(bool Value) {
  if (!IsBaseStyle()) return EditBaseStyle()->SetPopupCloseButton(Value);
  if (FPopupCloseButton == Value) return;
  FPopupCloseButton = Value;
  MarkChanged();
}

TvxEditStyleController* DefaultEditStyleController() { return FDefaultEditStyleController; }

// --- TvxEditAlignment -----------------------------------------------------------------------

void TvxEditAlignment::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxEditAlignment*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  FVert = src->FVert;
  FHorz = src->FHorz;
  FIsHorzAssigned = src->FIsHorzAssigned;
  DoChanged();
}

void TvxEditAlignment::SetHorz(TAlignment Value) {
  if (FIsHorzAssigned && FHorz == Value) return;
  FIsHorzAssigned = true;
  FHorz = Value;
  DoChanged();
}

void TvxEditAlignment::SetVert(TvxEditVertAlignment Value) {
  if (FVert == Value) return;
  FVert = Value;
  DoChanged();
}

void TvxEditAlignment::Reset() {
  FIsHorzAssigned = false;
  DoChanged();
}

void TvxEditAlignment::DeclarePublished(TPublisher<TvxEditAlignment>& P) {
  P.Property(L"Horz", &TvxEditAlignment::Horz, &TvxEditAlignment::SetHorz).Stored(&TvxEditAlignment::IsHorzStored);
  P.Property(L"Vert", &TvxEditAlignment::Vert, &TvxEditAlignment::SetVert).Stored(&TvxEditAlignment::IsVertStored);
}

// --- TvxCustomEditPropertiesValues ----------------------------------------------------------

TvxCustomEditPropertiesValues::TvxCustomEditPropertiesValues(TPersistent* AOwner)
    : FOwner(static_cast<TvxCustomEditProperties*>(AOwner)) {}

TPersistent* TvxCustomEditPropertiesValues::GetOwner() { return FOwner; }

void TvxCustomEditPropertiesValues::BeginUpdate() { FOwner->BeginUpdate(); }

void TvxCustomEditPropertiesValues::EndUpdate() { FOwner->EndUpdate(true); }

void TvxCustomEditPropertiesValues::SetFlag(bool& AField, bool Value) {
  if (AField == Value) return;
  AField = Value;
  FOwner->Changed();
}

void TvxCustomEditPropertiesValues::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomEditPropertiesValues*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  SetMaxValue(src->FMaxValue);
  SetMinValue(src->FMinValue);
  SetReadOnly(src->FReadOnly);
  EndUpdate();
}

void TvxCustomEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  SetMaxValue(false);
  SetMinValue(false);
  SetReadOnly(false);
  EndUpdate();
}

// --- TvxCustomEditDefaultValuesProvider -----------------------------------------------------

TvxCustomEditDefaultValuesProvider::~TvxCustomEditDefaultValuesProvider() { ClearUsers(); }

void TvxCustomEditDefaultValuesProvider::ClearUsers() {
  if (!FPropertiesList) return;
  const std::vector<TvxCustomEditProperties*> list = *FPropertiesList;
  for (TvxCustomEditProperties* p : list)
    if (p->IDefaultValuesProvider() && p->IDefaultValuesProvider()->GetInstance() == this)
      p->DefaultValuesProviderDestroyed();
}

// --- TvxCustomEditProperties ----------------------------------------------------------------

TvxCustomEditProperties::TvxCustomEditProperties(TPersistent* AOwner, const TvxEditPropertiesParts& AParts)
    : TvxInterfacedPersistent(AOwner) {
  if (FPropertiesList) FPropertiesList->push_back(this);
  FFreeNotificator = std::make_unique<TvxFreeNotificator>(nullptr);
  FFreeNotificator->OnFreeNotification = [this](TComponent* AComponent) { DoFreeNotification(AComponent); };
  FAlignment = std::make_unique<TvxEditAlignment>(this);
  FAlignment->OnChanged = [this](TObject* Sender) { AlignmentChanged(Sender); };
  FAssignedValues.reset(static_cast<TvxCustomEditPropertiesValues*>(AParts.AssignedValuesClass->NewInstance(this)));
  FButtons = std::make_unique<TvxEditButtons>(this, TvxEditButtons::GetButtonClass());
  FButtons->OnChange = [this](TObject* Sender) { ButtonsChanged(Sender); };
  FUseLeftAlignmentOnEditing = AParts.DefaultUseLeftAlignmentOnEditing;
  FInnerAlignment = std::make_unique<TvxEditAlignment>(this);
}

void vxDisconnectFromInplaceEditLists(TvxCustomEditProperties* AProperties);  // with the edit control

TvxCustomEditProperties::~TvxCustomEditProperties() {
  vxDisconnectFromInplaceEditLists(this);
  FIDefaultValuesProvider = nullptr;
  FButtons.reset();
  FInnerAlignment.reset();
  FAssignedValues.reset();
  FAlignment.reset();
  FFreeNotificator.reset();
  if (FPropertiesList) {
    auto it = std::find(FPropertiesList->begin(), FPropertiesList->end(), this);
    if (it != FPropertiesList->end()) FPropertiesList->erase(it);
  }
}

void TvxCustomEditProperties::BeginUpdate() {
  if (FUpdateCount == 0) FChangedOccurred = false;
  ++FUpdateCount;
}

void TvxCustomEditProperties::EndUpdate(bool AInvokeChanged) {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  if (FUpdateCount == 0 && AInvokeChanged && FChangedOccurred) Changed();
}

bool TvxCustomEditProperties::CanNotify() {
  if (ChangedLocked()) return false;
  auto* owner = dynamic_cast<TComponent*>(GetOwner());
  return !(owner && owner->ComponentState().Contains(csDestroying));
}

void TvxCustomEditProperties::Changed() {
  if (CanNotify())
    FirePropertiesChanged();
  else
    FChangedOccurred = true;
}

void TvxCustomEditProperties::FirePropertiesChanged() {
  if (!OnPropertiesChanged) return;
  TCounterScope<Integer> changing(FIsChangingCount);
  OnPropertiesChanged(this);
}

void TvxCustomEditProperties::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomEditProperties*>(Source);
  if (!src) {
    TvxInterfacedPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  TScopeExit endUpdate([this] { EndUpdate(true); });
  SetAutoSelect(src->AutoSelect());
  FButtons->Assign(src->Buttons());
  SetButtonsViewStyle(src->ButtonsViewStyle());
  FBeepOnError = src->FBeepOnError;
  FClearKey = src->FClearKey;
  FClickKey = src->FClickKey;
  FUseLeftAlignmentOnEditing = src->FUseLeftAlignmentOnEditing;
  FIDefaultValuesProvider = src->FIDefaultValuesProvider;
  SetAlignment(src->Alignment());
  FAssignedValues->SetMaxValue(false);
  if (src->FAssignedValues->MaxValue()) SetMaxValue(src->MaxValue());
  FAssignedValues->SetMinValue(false);
  if (src->FAssignedValues->MinValue()) SetMinValue(src->MinValue());
  FAssignedValues->SetReadOnly(false);
  if (src->FAssignedValues->ReadOnly()) SetReadOnly(src->ReadOnly());
  FImmediatePost = src->FImmediatePost;
  SetTransparent(src->Transparent());
  FUseMouseWheel = src->FUseMouseWheel;
  FValidateOnEnter = src->FValidateOnEnter;
  OnButtonClick = src->OnButtonClick;
  OnChange = src->OnChange;
  OnEditValueChanged = src->OnEditValueChanged;
  OnValidate = src->OnValidate;
}

void TvxCustomEditProperties::AlignmentChanged(TObject*) {
  FInnerAlignment->Assign(FAlignment.get());
  Changed();
}

void TvxCustomEditProperties::SetAlignment(TvxEditAlignment* Value) {
  FInnerAlignment->Assign(Value);
  Changed();
}

TvxEditAlignment* TvxCustomEditProperties::Alignment() {
  FAlignment->OnChanged = nullptr;
  FAlignment->Assign(FInnerAlignment.get());
  bool writing = false;
  if (FInnerAlignment->IsHorzStored() || FInnerAlignment->IsVertStored()) {
    TPersistent* p = GetOwner();
    while (p && !dynamic_cast<TComponent*>(p)) p = p->GetOwner();
    if (auto* c = dynamic_cast<TComponent*>(p)) writing = c->ComponentState().Contains(csWriting);
  }
  if (!writing && !FInnerAlignment->IsHorzStored()) FAlignment->FHorz = GetDefaultHorzAlignment();
  FAlignment->OnChanged = [this](TObject* Sender) { AlignmentChanged(Sender); };
  return FAlignment.get();
}

TAlignment TvxCustomEditProperties::GetDefaultHorzAlignment() {
  return FIDefaultValuesProvider ? FIDefaultValuesProvider->DefaultAlignment() : FAlignment->Horz();
}

double TvxCustomEditProperties::MaxValue() {
  if (FAssignedValues->MaxValue()) return FMaxValue;
  return FIDefaultValuesProvider ? FIDefaultValuesProvider->DefaultMaxValue() : 0;
}

double TvxCustomEditProperties::MinValue() {
  if (FAssignedValues->MinValue()) return FMinValue;
  return FIDefaultValuesProvider ? FIDefaultValuesProvider->DefaultMinValue() : 0;
}

void TvxCustomEditProperties::SetMaxValue(double Value) {
  if (FAssignedValues->MaxValue() && FMaxValue == Value) return;
  FMaxValue = Value;
  BeginUpdate();
  FAssignedValues->SetMaxValue(true);
  Changed();
  EndUpdate(true);
}

void TvxCustomEditProperties::SetMinValue(double Value) {
  if (FAssignedValues->MinValue() && FMinValue == Value) return;
  FMinValue = Value;
  BeginUpdate();
  FAssignedValues->SetMinValue(true);
  Changed();
  EndUpdate(true);
}

void TvxCustomEditProperties::SetMinMaxValues(double AMaxValue, double AMinValue) {
  if (FAssignedValues->MaxValue() && FAssignedValues->MinValue() && FMaxValue == AMaxValue && FMinValue == AMinValue)
    return;
  FMaxValue = AMaxValue;
  FMinValue = AMinValue;
  BeginUpdate();
  FAssignedValues->SetMaxValue(true);
  FAssignedValues->SetMinValue(true);
  Changed();
  EndUpdate(true);
}

bool TvxCustomEditProperties::ReadOnly() {
  if (FAssignedValues->ReadOnly()) return FReadOnly;
  return FIDefaultValuesProvider ? FIDefaultValuesProvider->DefaultReadOnly() : false;
}

void TvxCustomEditProperties::SetReadOnly(bool Value) {
  if (FAssignedValues->ReadOnly() && FReadOnly == Value) return;
  FReadOnly = Value;
  BeginUpdate();
  FAssignedValues->SetReadOnly(true);
  Changed();
  EndUpdate(true);
}

void TvxCustomEditProperties::SetIDefaultValuesProvider(IvxEditDefaultValuesProvider* Value) {
  FIDefaultValuesProvider = Value;
}

bool TvxCustomEditProperties::CanModify() {
  if (FAssignedValues->ReadOnly() && !FReadOnly) return true;
  if (ReadOnly()) return false;
  if (FIDefaultValuesProvider)
    return FIDefaultValuesProvider->DefaultCanModify() && FIDefaultValuesProvider->CanSetEditMode();
  return true;
}

String TvxCustomEditProperties::GetValidationErrorText(Integer) { return vxGetResString(&vxSEditValidateErrorText); }

bool TvxCustomEditProperties::HasDefaultDisplayFormat(bool AEditFocused) {
  const TvxEditDisplayFormatOptions options = DisplayFormatOptions();
  if (AEditFocused || !options.Contains(dfoSupports) || !FIDefaultValuesProvider) return false;
  return FIDefaultValuesProvider->IsDisplayFormatDefined(!options.Contains(dfoNoCurrencyValue));
}

bool TvxCustomEditProperties::IsValueEditorWithValueFormatting() {
  const TvxEditDisplayFormatOptions options = DisplayFormatOptions();
  return options.Contains(dfoSupports) && !HasDefaultDisplayFormat(true) && HasDefaultDisplayFormat(false) &&
         FIDefaultValuesProvider &&
         FIDefaultValuesProvider->IsDisplayFormatDefined(!options.Contains(dfoNoCurrencyValue));
}

bool TvxCustomEditProperties::UseRepositoryItemProperties(TvxEditRepositoryItem* AItem,
                                                          TvxCustomEditProperties*& AProperties) {
  if (!AItem || !AProperties || AProperties != AItem->Properties() || !AItem->Properties()->InheritsFrom(ClassType()))
    return false;
  AProperties = this;
  return true;
}

bool TvxCustomEditProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  Variant d1, d2;
  PrepareDisplayValue(AEditValue1, d1, false);
  PrepareDisplayValue(AEditValue2, d2, false);
  return VariantsEqual(d1, d2);
}

TvxCustomEditProperties* TvxCustomEditProperties::CreatePreviewProperties() {
  return static_cast<TvxCustomEditProperties*>(ClassType()->NewInstance(nullptr));
}

String TvxCustomEditProperties::GetDisplayText(const Variant&, bool, bool) { return String(); }

TvxEditSupportedOperations TvxCustomEditProperties::GetSupportedOperations() {
  if (FButtons->Count() > 0) return TvxEditSupportedOperations{esoHotTrack};
  return {};
}

void TvxCustomEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool) {
  DisplayValue = AEditValue;
}

void TvxCustomEditProperties::RestoreDefaults() {
  FInnerAlignment->Reset();
  BeginUpdate();
  FAssignedValues->RestoreDefaults();
  EndUpdate(true);
}

void TvxCustomEditProperties::DeclarePublished(TPublisher<TvxCustomEditProperties>& P) {
  using C = TvxCustomEditProperties;
  P.Property(L"Alignment", &C::Alignment, &C::SetAlignment).Stored([](C* E) {
    return E->FInnerAlignment->IsHorzStored() || E->FInnerAlignment->IsVertStored();
  });
  P.Property(L"AutoSelect", &C::AutoSelect, &C::SetAutoSelect).Default(true);
  P.Property(L"Buttons", &C::Buttons, &C::SetButtons);
  P.Property(L"ButtonsViewStyle", &C::ButtonsViewStyle, &C::SetButtonsViewStyle).Default(bvsNormal);
  P.Property(L"ClearKey", &C::ClearKey, &C::SetClearKey).Default(0);
  P.Property(L"ClickKey", &C::ClickKey, &C::SetClickKey).Default(0x400D);
  P.Property(L"ImmediatePost", &C::ImmediatePost, &C::SetImmediatePost).Default(false);
  P.Property(L"ReadOnly", &C::ReadOnly, &C::SetReadOnly).Stored(&C::IsReadOnlyStored);
  P.Property(L"UseLeftAlignmentOnEditing", &C::UseLeftAlignmentOnEditing, &C::SetUseLeftAlignmentOnEditing)
      .Stored(&C::IsUseLeftAlignmentOnEditingStored);
  P.Property(L"UseMouseWheel", &C::UseMouseWheel, &C::SetUseMouseWheel).Default(true);
  P.Property(L"ValidateOnEnter", &C::ValidateOnEnter, &C::SetValidateOnEnter).Default(false);
  P.Property(L"BeepOnError", &C::BeepOnError, &C::SetBeepOnError).Default(false);
  P.Property(L"Transparent", &C::Transparent, &C::SetTransparent).Default(false);
}

TvxCustomEditViewData* TvxCustomEditProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                               bool APreviewMode) {
  auto* result = new TvxCustomEditViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomEditProperties::CreateViewInfo() { return new TvxCustomEditViewInfo(); }

TSize TvxCustomEditProperties::GetEditConstantPartSize(TvxCanvas* ACanvas, TvxCustomEditStyle* AEditStyle,
                                                       bool AIsInplace,
                                                       const TvxEditSizeProperties& AEditSizeProperties,
                                                       TSize& MinContentSize) {
  std::unique_ptr<TvxCustomEditViewData> vd(CreateViewData(AEditStyle, AIsInplace));
  return vd->GetEditConstantPartSize(ACanvas, AEditSizeProperties, MinContentSize);
}

TSize TvxCustomEditProperties::GetEditContentSize(TvxCanvas* ACanvas, TvxCustomEditStyle* AEditStyle, bool AIsInplace,
                                                  const Variant& AEditValue,
                                                  const TvxEditSizeProperties& AEditSizeProperties) {
  std::unique_ptr<TvxCustomEditViewData> vd(CreateViewData(AEditStyle, AIsInplace));
  return vd->GetEditContentSize(ACanvas, AEditValue, AEditSizeProperties);
}

TSize TvxCustomEditProperties::GetEditSize(TvxCanvas* ACanvas, TvxCustomEditStyle* AEditStyle, bool AIsInplace,
                                           const Variant& AEditValue,
                                           const TvxEditSizeProperties& AEditSizeProperties) {
  std::unique_ptr<TvxCustomEditViewData> vd(CreateViewData(AEditStyle, AIsInplace));
  return vd->GetEditSize(ACanvas, AEditValue, AEditSizeProperties);
}

// --- TvxCustomEditViewInfo ----------------------------------------------------------------------

TvxCustomEditViewInfo::TvxCustomEditViewInfo() = default;

TvxCustomEditViewInfo::~TvxCustomEditViewInfo() { SetButtonCount(0); }

void TvxCustomEditViewInfo::SetButtonCount(Integer ACount) {
  while (ButtonCount() > ACount) ButtonsInfo.pop_back();
  while (ButtonCount() < ACount) ButtonsInfo.push_back(std::make_unique<TvxEditButtonViewInfo>());
}

void TvxCustomEditViewInfo::Assign(TObject* Source) {
  if (auto* src = dynamic_cast<TvxCustomEditViewInfo*>(Source)) {
    SetBackgroundColor(src->BackgroundColor());
    BorderColor = src->BorderColor;
    EditBorderStyle = src->EditBorderStyle;
    BorderStyle = src->BorderStyle;
    ContainerState = src->ContainerState;
    NativeState = src->NativeState;
    SetButtonCount(src->ButtonCount());
    for (Integer i = 0; i < ButtonCount(); ++i) ButtonsInfo[i]->Assign(src->ButtonsInfo[i].get());
    PressedButton = src->PressedButton;
    SelectedButton = src->SelectedButton;
  }
  TvxContainerViewInfo::Assign(Source);
}

std::unique_ptr<TvxRegion> TvxCustomEditViewInfo::GetUpdateRegion(TvxContainerViewInfo* AViewInfo) {
  std::unique_ptr<TvxRegion> result = TvxContainerViewInfo::GetUpdateRegion(AViewInfo);
  auto* other = dynamic_cast<TvxCustomEditViewInfo*>(AViewInfo);
  if (other && other->EditBorderStyle == EditBorderStyle &&
      (EditBorderStyle == ebsNone || other->BorderColor == BorderColor) && other->ButtonCount() == ButtonCount() &&
      other->NativeState == NativeState) {
    for (Integer i = 0; i < ButtonCount(); ++i)
      result->Combine(ButtonsInfo[i]->GetUpdateRegion(other->ButtonsInfo[i].get()).release(), roAdd);
  } else if (!vxRectHasNoArea(Bounds)) {
    result->Combine(new TvxRegion(Bounds), roAdd);
  }
  return result;
}

void TvxCustomEditViewInfo::Offset(Integer DX, Integer DY) {
  TvxContainerViewInfo::Offset(DX, DY);
  OffsetRect(&InnerEditRect, DX, DY);
  OffsetRect(&ShadowRect, DX, DY);
  for (auto& b : ButtonsInfo) {
    OffsetRect(&b->Bounds, DX, DY);
    OffsetRect(&b->VisibleBounds, DX, DY);
  }
}

void TvxCustomEditViewInfo::Paint(TvxCanvas* ACanvas) {
  if (OnPaint) OnPaint(this, ACanvas);
  PaintContent(ACanvas);
}

void TvxCustomEditViewInfo::PaintEx(TvxCanvas* ACanvas) {
  const TPoint origin = ACanvas->WindowOrg();
  ACanvas->SetWindowOrg(TPoint{origin.x - Left, origin.y - Top});
  TScopeExit restore([ACanvas, origin] { ACanvas->SetWindowOrg(origin); });
  Paint(ACanvas);
}

void TvxCustomEditViewInfo::DrawEditBackground(TvxCanvas* ACanvas) {
  TvxBrushCacheLock lock;
  const bool clip = !ButtonsInfo.empty();
  if (clip) {
    ACanvas->SaveClipRegion();
    for (auto& b : ButtonsInfo) ACanvas->ExcludeClipRect(b->VisibleBounds);
  }
  bool handled = false;
  if (IsInplace && OnDrawBackground) OnDrawBackground(this, ACanvas, handled);
  if (!handled) {
    const HBRUSH brush = GetCachedSolidBrush(BackgroundColor());
    if (NativeStyle && !IsInplace) {
      DrawNativeStyleEditBackground(ACanvas, brush);
    } else if (!IsInplace) {
      const Integer w = vxContainerBorderWidth(BorderStyle);
      TRect r = BorderRect;
      r.left -= w;
      r.top -= w;
      if (Edges.Contains(bRight)) r.right += w;
      if (Edges.Contains(bBottom)) r.bottom += w;
      if (Shadow) vxDrawContainerShadow(ACanvas, r);
      switch (EditBorderStyle) {
        case ebsSingle:
        case ebsThick:
        case ebsUltraFlat:
        case ebsOffice11:
          ACanvas->FrameRect(r, BorderColor, w);
          break;
        case ebsFlat:
          ACanvas->DrawEdge(r, true, true, Edges);
          InflateRect(&r, -1, -1);
          ACanvas->FrameRect(r, clBtnFace);
          break;
        case ebs3D:
          ACanvas->DrawEdge(r, true, true, Edges);
          InflateRect(&r, -1, -1);
          ACanvas->DrawComplexFrame(r, cl3DDkShadow, cl3DLight, Edges);
          break;
        case ebsNone:
          break;
      }
      if (!Transparent) FillRectWithBrushHandle(ACanvas->Handle(), BorderRect, brush);
    } else if (!Transparent) {
      FillRectWithBrushHandle(ACanvas->Handle(), Bounds, brush);
    }
  }
  if (clip) ACanvas->RestoreClipRegion();
}

void TvxCustomEditViewInfo::PaintContent(TvxCanvas* ACanvas) {
  DrawEditBackground(ACanvas);
  DrawButtons(ACanvas);
}

Integer TvxCustomEditViewInfo::GetPart(const TPoint& P) {
  for (Integer i = 0; i < ButtonCount(); ++i)
    if (ButtonsInfo[i]->Data.State == ebsSelected) return i;
  return PtInRect(&BorderRect, P) ? -1 : -2;
}

TRect TvxCustomEditViewInfo::GetPartRect(Integer APart) {
  if (APart == -1) {
    TRect r = BorderRect;
    if (!ButtonsInfo.empty()) r.right = ButtonsInfo[0]->Bounds.left;
    return r;
  }
  if (APart >= 0 && APart < ButtonCount()) return ButtonsInfo[APart]->Bounds;
  return TRect{};
}

bool TvxCustomEditViewInfo::IsHotTrack() {
  for (auto& b : ButtonsInfo)
    if (b->Data.State == ebsSelected) return true;
  return false;
}

bool TvxCustomEditViewInfo::IsHotTrack(const TPoint& P) {
  const TPoint q{P.x - Left, P.y - Top};
  for (auto& b : ButtonsInfo)
    if (PtInRect(&b->Bounds, q)) return true;
  return false;
}

bool TvxCustomEditViewInfo::Repaint(TWinControl* AControl, const TRect& AInnerEditRect,
                                    TvxCustomEditViewInfo* AViewInfo) {
  if (!AControl || !AControl->HandleAllocated()) return false;
  const HWND wnd = AControl->Handle();
  TRect r = Bounds;
  OffsetRect(&r, Left, Top);
  TRect inner{};
  IntersectRect(&inner, &AInnerEditRect, &ClientRect);
  OffsetRect(&inner, Left, Top);  // in the control's coordinates, like R
  if (!AViewInfo) {
    vxInvalidateRectFrame(wnd, r, inner, true);
    return false;
  }
  bool result = false;
  TRect frameInner{};
  bool frame = false;
  if (AViewInfo->NativeState != NativeState || AViewInfo->BackgroundColor() != BackgroundColor() ||
      AViewInfo->ButtonCount() != ButtonCount() ||
      (AViewInfo->ContainerState != ContainerState && IsRepaintOnStateChangingNeeded())) {
    frameInner = inner;
    frame = true;
  } else if ((EditBorderStyle != ebsNone && AViewInfo->BorderColor != BorderColor) ||
             AViewInfo->EditBorderStyle != EditBorderStyle) {
    frameInner = BorderRect;
    OffsetRect(&frameInner, Left, Top);
    frame = true;
  }
  if (frame && !vxRectHasNoArea(r) && !vxRectSame(r, frameInner)) {
    vxInvalidateRectFrame(wnd, r, frameInner, AViewInfo->HasBackground);
    result = true;
  }
  if (AViewInfo->ButtonCount() == ButtonCount())
    for (Integer i = 0; i < ButtonCount(); ++i)
      result = ButtonsInfo[i]->Repaint(AControl, AViewInfo->ButtonsInfo[i].get(), TPoint{Left, Top}) || result;
  return result;
}

bool TvxCustomEditViewInfo::NeedShowHint(TvxCanvas*, const TPoint& P, TRect& ATextRect, bool& AIsMultiLine,
                                         String& AText, const TRect&) {
  AText.clear();
  AIsMultiLine = false;
  const Integer part = GetPart(P);
  if (part < 0 || !EditProperties) return false;
  const Integer index = ButtonsInfo[part]->Index;
  if (index < 0 || index >= EditProperties->Buttons()->Count()) return false;
  const String& hint = EditProperties->Buttons()->Items(index)->Hint();
  AText = hint.substr(0, hint.find(L'|'));
  if (AText.empty()) return false;
  RECT r{0, 0, 0, 0};
  if (TClass cls = TApplication::HintWindowClass) {
    std::unique_ptr<THintWindow> window(static_cast<THintWindow*>(cls->NewInstance(nullptr)));
    if (window) r = window->CalcHintRect(GetSystemMetrics(SM_CXSCREEN), AText, nullptr);
  }
  TPoint cursor{0, 0};
  vxGetCursorVisibleSize(cursor);
  OffsetRect(&r, P.x, P.y + cursor.y);
  ATextRect = r;
  return true;
}

void TvxCustomEditViewInfo::DrawButtons(TvxCanvas* ACanvas) {
  if (FPaintingButtons) return;  // asked again from a button handler
  TValueScope<bool> painting(FPaintingButtons, true);
  for (Integer i = 0; i < ButtonCount(); ++i) DrawButton(ACanvas, i);
}

void TvxCustomEditViewInfo::DrawButton(TvxCanvas* ACanvas, Integer i) {
  TvxEditButtonViewInfo* b = ButtonsInfo[i].get();
  b->Data.BackgroundColor = BackgroundColor();
  if (vxRectHasNoArea(b->VisibleBounds)) return;
  const bool clip = b->Bounds.left < BorderRect.left || b->Bounds.right > BorderRect.right;
  if (clip) {
    ACanvas->SaveClipRegion();
    ACanvas->IntersectClipRect(b->VisibleBounds);
  }
  bool handled = false;
  if (OnDrawButton) OnDrawButton(this, ACanvas, i, handled);
  if (!handled) InternalPaintButton(ACanvas, i);
  if (clip) ACanvas->RestoreClipRegion();
}

void TvxCustomEditViewInfo::InternalPaintButton(TvxCanvas* ACanvas, Integer i) {
  TvxEditButtonViewInfo* b = ButtonsInfo[i].get();
  TColor brush = clBtnFace, pen = clBtnText;
  TRect content{}, rect = b->Bounds;
  DrawButtonBorder(ACanvas, i, brush, pen, content, rect);
  if (!vxRectHasNoArea(rect)) DrawButtonBackground(ACanvas, i, brush, rect);
  if (!vxRectHasNoArea(content)) DrawButtonContent(ACanvas, i, b->Data.State == ebsPressed, brush, pen, content);
}

void TvxCustomEditViewInfo::DrawButtonBorder(TvxCanvas* ACanvas, Integer i, TColor& ABrushColor, TColor& APenColor,
                                             TRect& AContentRect, TRect& ARect) {
  TvxEditButtonViewInfo* b = ButtonsInfo[i].get();
  if (b->Data.NativeState != 0) {
    DrawThemedButtonBorder(ACanvas, b, AContentRect, ARect);
    return;
  }
  TvxEditButtonStyle style = b->Data.Style;
  if (style == btsSimple && (b->Data.State == ebsPressed || b->Data.State == ebsSelected)) style = btsFlat;
  switch (style) {
    case bts3D:
      Draw3DButtonBorder(ACanvas, b, ABrushColor, APenColor, AContentRect, ARect);
      break;
    case btsFlat:
      DrawFlatButtonBorder(ACanvas, b, ABrushColor, APenColor, AContentRect, ARect);
      break;
    case btsSimple:
      DrawSimpleButtonBorder(ACanvas, b, ABrushColor, APenColor, AContentRect, ARect);
      break;
    case btsHotFlat:
      DrawHotFlatButtonBorder(ACanvas, b, ABrushColor, APenColor, AContentRect, ARect);
      break;
    case btsUltraFlat:
    case btsOffice11:
      DrawUltraFlatButtonBorder(ACanvas, b, ABrushColor, APenColor, AContentRect, ARect, style == btsOffice11);
      break;
    case btsDefault:
      AContentRect = ARect;
      break;
  }
}

namespace {
TColor ButtonFace(const TvxEditButtonViewInfo* B) { return B->Data.Transparent ? B->Data.BackgroundColor : clBtnFace; }
}  // namespace

void TvxCustomEditViewInfo::Draw3DButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor,
                                               TColor& APenColor, TRect& AContentRect, TRect& ARect) {
  ABrushColor = ButtonFace(B);
  if (B->Data.State == ebsPressed) {
    DrawButtonFrame(ACanvas, ARect, clBtnShadow);
    DrawButtonFrame(ACanvas, ARect, ABrushColor);
  } else {
    DrawButtonFrame3D(ACanvas, ARect, cl3DLight, cl3DDkShadow);
    DrawButtonFrame3D(ACanvas, ARect, clBtnHighlight, clBtnShadow);
  }
  APenColor = clBtnText;
  AContentRect = ARect;
}

void TvxCustomEditViewInfo::DrawFlatButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor,
                                                 TColor&, TRect& AContentRect, TRect& ARect) {
  ABrushColor = ButtonFace(B);
  DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bLeft}, ABrushColor);
  if (B->Data.State == ebsPressed)
    DrawButtonFrame3D(ACanvas, ARect, clBtnShadow, clBtnHighlight);
  else
    DrawButtonFrame3D(ACanvas, ARect, clBtnHighlight, clBtnShadow);
  DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bRight}, ABrushColor);
  AContentRect = ARect;
}

void TvxCustomEditViewInfo::DrawHotFlatButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor,
                                                    TColor& APenColor, TRect& AContentRect, TRect& ARect) {
  const TvxEditButtonState state = B->Data.State;
  if (B->Data.Transparent)
    ABrushColor = B->Data.BackgroundColor;
  else
    ABrushColor = state == ebsPressed ? clBtnText : state == ebsSelected ? clBtnShadow : clBtnFace;
  const bool full = (B->Data.LeftAlignment && B->Data.Rightmost) || (!B->Data.LeftAlignment && B->Data.Leftmost);
  if (full) {
    DrawButtonFrame(ACanvas, ARect, clBtnShadow);
  } else if (B->Data.LeftAlignment) {
    DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bLeft, bTop, bBottom}, clBtnShadow);
    DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bRight}, ABrushColor);
  } else {
    DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bTop, bRight, bBottom}, clBtnShadow);
    DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bLeft}, ABrushColor);
  }
  DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bLeft, bRight}, ABrushColor);
  if (state == ebsNormal || state == ebsDisabled)
    APenColor = clBtnText;
  else if (state == ebsSelected || B->Data.Transparent)
    APenColor = clBtnShadow;
  else
    APenColor = clWindow;
  AContentRect = ARect;
}

void TvxCustomEditViewInfo::DrawSimpleButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor,
                                                   TColor&, TRect& AContentRect, TRect& ARect) {
  ABrushColor = ButtonFace(B);
  if (!Transparent)
    DrawButtonFrame(ACanvas, ARect, B->Data.BackgroundColor);
  else
    InflateRect(&ARect, -1, -1);
  DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bLeft, bRight}, ABrushColor);
  AContentRect = ARect;
}

void TvxCustomEditViewInfo::DrawUltraFlatButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B, TColor& ABrushColor,
                                                      TColor&, TRect& AContentRect, TRect& ARect, bool AIsOffice11) {
  const TvxEditButtonState state = B->Data.State;
  if (B->Data.Transparent)
    ABrushColor = B->Data.BackgroundColor;
  else if (state == ebsDisabled)
    ABrushColor = clBtnFace;
  else if (state == ebsNormal)
    ABrushColor = AIsOffice11 ? TvxOffice11LookAndFeelPainter::Instance()->ButtonColor(vxbsNormal) : clBtnFace;
  else
    ABrushColor = GetFlatButtonBorderColor(state == ebsPressed, AIsOffice11);
  const TColor highlight = GetEditHighlightColor(AIsOffice11);
  const bool hotOrPressed = state == ebsPressed || state == ebsSelected;
  const bool noBorder = IsInplace ? !PaintOptions.Contains(epoHasExternalBorder) : EditBorderStyle == ebsNone;
  if (!hotOrPressed || noBorder) {
    if (hotOrPressed)
      DrawButtonFrame(ACanvas, ARect, highlight);
    else if (!Transparent)
      DrawButtonFrame(ACanvas, ARect, B->Data.BackgroundColor);
    else
      InflateRect(&ARect, -1, -1);
    AContentRect = ARect;
    AContentRect.left += 1;
    AContentRect.right -= 1;
    return;
  }
  if (B->Data.LeftAlignment) {
    if (!B->Data.Leftmost)
      DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bLeft}, highlight);
    else
      ++ARect.left;
    if (ARect.right != BorderRect.right)
      DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bRight}, highlight);
    else
      --ARect.right;
  } else {
    if (!B->Data.Rightmost)
      DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bRight}, highlight);
    else
      --ARect.right;
    if (ARect.left != BorderRect.left)
      DrawEditButtonBorder(ACanvas, ARect, TvxBorders{bLeft}, highlight);
    else
      ++ARect.left;
  }
  AContentRect = ARect;
  InflateRect(&AContentRect, -1, -1);
}

void TvxCustomEditViewInfo::DrawButtonBackground(TvxCanvas* ACanvas, Integer i, TColor ABrushColor,
                                                 const TRect& ARect) {
  TvxEditButtonViewInfo* b = ButtonsInfo[i].get();
  if (b->Data.NativeState != 0)
    DrawNativeButtonBackground(ACanvas, b, ARect);
  else
    FillRectWithColor(ACanvas, ARect, ABrushColor);
}

namespace {
HTHEME ButtonTheme(const TvxEditButtonViewInfo* B) {
  return vdOpenThemeByType(B->Data.ComboBoxStyle ? totComboBox : totButton);
}
}  // namespace

void TvxCustomEditViewInfo::DrawThemedButtonBorder(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B,
                                                   TRect& AContentRect, TRect& ARect) {
  if (B->Data.ComboBoxStyle) {
    AContentRect = TRect{};
    return;
  }
  AContentRect = ARect;
  if (HTHEME theme = ButtonTheme(B)) {
    RECT content = ARect;
    if (SUCCEEDED(vdUxTheme::GetThemeBackgroundContentRect(theme, ACanvas->Handle(), 1, B->Data.NativeState, &ARect,
                                                          &content)))
      AContentRect = content;
  }
}

void TvxCustomEditViewInfo::DrawNativeButtonBackground(TvxCanvas* ACanvas, TvxEditButtonViewInfo* B,
                                                       const TRect& ARect) {
  HTHEME theme = ButtonTheme(B);
  if (!theme) {
    FillRectWithColor(ACanvas, ARect, clBtnFace);
    return;
  }
  if (B->Data.BackgroundPartiallyTransparent) FillRectWithColor(ACanvas, ARect, BackgroundColor());
  vdUxTheme::DrawThemeBackground(theme, ACanvas->Handle(), B->Data.NativePart ? B->Data.NativePart : 1,
                                 B->Data.NativeState, &ARect, nullptr);
}

void TvxCustomEditViewInfo::DrawNativeStyleEditBackground(TvxCanvas* ACanvas, HBRUSH ABackgroundBrush) {
  HTHEME theme = vdOpenThemeByType(totEdit);
  if (IsInplace || EditBorderStyle == ebsNone || !theme) {
    if (!Transparent) FillRectWithBrushHandle(ACanvas->Handle(), Bounds, ABackgroundBrush);
    return;
  }
  const Integer part = vdOSWinVistaUp ? 6 : 1;
  RECT content = Bounds;
  if (vdOSWinVistaUp)
    InflateRect(&content, -2, -2);
  else
    vdUxTheme::GetThemeBackgroundContentRect(theme, ACanvas->Handle(), part, NativeState, &Bounds, &content);
  const HDC dc = ACanvas->Handle();
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, content.left, content.top, content.right, content.bottom);
  if (vdUxTheme::IsThemeBackgroundPartiallyTransparent(theme, part, NativeState))
    FillRectWithBrushHandle(dc, Bounds, ABackgroundBrush);
  vdUxTheme::DrawThemeBackground(theme, dc, part, NativeState, &Bounds, nullptr);
  RestoreDC(dc, saved);
  if (!Transparent) FillRectWithBrushHandle(dc, content, ABackgroundBrush);
}

void TvxCustomEditViewInfo::DrawButtonContent(TvxCanvas* ACanvas, Integer i, bool ANeedOffsetContent, TColor,
                                              TColor APenColor, const TRect& AContentRect) {
  TvxEditButtonViewInfo* b = ButtonsInfo[i].get();
  const bool enabled = b->Data.State != ebsDisabled;
  ACanvas->SaveClipRegion();
  ACanvas->IntersectClipRect(AContentRect);
  TScopeExit restore([ACanvas] { ACanvas->RestoreClipRegion(); });
  const Integer cw = AContentRect.right - AContentRect.left, ch = AContentRect.bottom - AContentRect.top;
  switch (b->Data.Kind) {
    case bkEllipsis: {
      const Integer s = cw > 11 ? 2 : 1, total = 3 * s + 4;
      Integer x = AContentRect.left + (cw - total) / 2, y = AContentRect.top + (ch - s) / 2;
      if (ANeedOffsetContent && cw > total + 1) {
        ++x;
        ++y;
      }
      auto dots = [&](Integer dx, Integer dy, TColor c) {
        for (Integer k = 0; k < 3; ++k)
          FillRectWithColor(ACanvas, TRect{x + dx + k * (s + 2), y + dy, x + dx + k * (s + 2) + s, y + dy + s}, c);
      };
      if (enabled) {
        dots(0, 0, APenColor);
      } else {
        dots(1, 1, clBtnHighlight);
        dots(0, 0, clBtnShadow);
      }
      break;
    }
    case bkDown: {
      TRect r = AContentRect;
      const Integer dw = (b->Bounds.right - b->Bounds.left) - cw;
      r.left -= ANeedOffsetContent ? dw / 2 : dw - dw / 2;
      r.right += ANeedOffsetContent ? dw - dw / 2 : dw / 2;
      if (IsInplace) {
        const Integer dh = (b->Bounds.bottom - b->Bounds.top) - ch;
        r.top -= dh / 2;
        r.bottom += dh - dh / 2;
      }
      if (ANeedOffsetContent) OffsetRect(&r, 1, 1);
      TvxCustomLookAndFeelPainterClass painter = TvxStandardLookAndFeelPainter::Instance();
      if (enabled) {
        painter->DrawArrow(ACanvas, r, adDown, APenColor);
      } else {
        TRect h = r;
        OffsetRect(&h, 1, 1);
        painter->DrawArrow(ACanvas, h, adDown, clBtnHighlight);
        painter->DrawArrow(ACanvas, r, adDown, clBtnShadow);
      }
      break;
    }
    case bkGlyph:
      if (IsBitmapUsable(b->Glyph)) {
        const Integer w = std::min<Integer>(b->Glyph->Width(), cw), h = std::min<Integer>(b->Glyph->Height(), ch);
        Integer x = AContentRect.left + (cw - w) / 2, y = AContentRect.top + (ch - h) / 2;
        if (ANeedOffsetContent) {
          ++x;
          ++y;
        }
        DrawGlyphOnCanvas(ACanvas, x, y, b->Glyph, enabled, clNone, nullptr);
      }
      break;
    case bkText: {
      ACanvas->Brush()->SetStyle(bsClear);
      if (Font) ACanvas->SetFont(Font);
      TRect r = AContentRect;
      InflateRect(&r, -1, IsInplace ? 0 : -1);
      --r.right;
      if (ANeedOffsetContent) OffsetRect(&r, 1, 1);
      static constexpr Integer CAlign[] = {vxtoLeft, vxtoRight, vxtoCenterX};
      const Integer flags = vxtoSingleLine | vxtoCenterY | CAlign[b->Data.ContentAlignment];
      if (!enabled) {
        TRect h = r;
        OffsetRect(&h, 1, 1);
        ACanvas->Font()->SetColor(clBtnHighlight);
        ACanvas->DrawTexT(b->Data.Caption, h, flags);
        ACanvas->Font()->SetColor(clBtnShadow);
      } else if (b->Data.Style == btsHotFlat && (b->Data.State == ebsPressed || b->Data.State == ebsSelected)) {
        ACanvas->Font()->SetColor(APenColor);
      } else {
        ACanvas->Font()->SetColor(b->Data.TextColor == clDefault ? TextColor : b->Data.TextColor);
      }
      ACanvas->DrawTexT(b->Data.Caption, r, flags);
      ACanvas->Brush()->SetStyle(bsSolid);
      break;
    }
  }
}

// --- TvxCustomEditViewData ------------------------------------------------------------------------

TvxCustomEditViewData::TvxCustomEditViewData(TvxCustomEditProperties* AProperties, TvxCustomEditStyle* AStyle,
                                             bool AIsInplace)
    : FIsInplace(AIsInplace), FProperties(AProperties), FStyle(AStyle) {
  ContentOffset = TRect{};
  Enabled = true;
  InitFromProperties();
}

TRect TvxCustomEditViewData::GetDefaultContentOffsets() { return FIsInplace ? TRect{1, 1, 1, 1} : TRect{1, 1, 1, 3}; }

void TvxCustomEditViewData::InitFromProperties() {
  ButtonVisibleCount = FProperties->Buttons()->VisibleCount();
  IsValueSource = FProperties->GetEditValueSource(false) == evsValue;
  HorzAlignment = FProperties->Alignment()->Horz();
  VertAlignment = FProperties->Alignment()->Vert();
  NativeStyle = IsNativeStyle(FStyle->LookAndFeel());
  InitEditContentParams(EditContentParams);
}

void TvxCustomEditViewData::InitEditContentParams(TvxEditContentParams& AParams) {
  AParams.Offsets = GetDefaultContentOffsets();
  AParams.SizeCorrection.cx = 3 - AParams.Offsets.left - AParams.Offsets.right;
  AParams.SizeCorrection.cy = NativeStyle && FIsInplace && FProperties->Buttons()->Count() > 0 ? 1 : 0;
  AParams.ExternalBorderBounds = TRect{};
  AParams.Options = TvxEditContentOptions{ecoOffsetButtonContent};
}

TvxContainerState TvxCustomEditViewData::GetContainerState(const TRect&, const TPoint& P, TvxMouseButton,
                                                           TShiftState Shift, bool) {
  if (!Enabled) return TvxContainerState{csDisabled};
  if (IsDesigning) return TvxContainerState{csNormal};
  TvxContainerState result{Focused ? csActive : csNormal};
  TRect visible = Bounds;
  visible.left -= ContentOffset.left;
  visible.top -= ContentOffset.top;
  visible.right += ContentOffset.right;
  visible.bottom += ContentOffset.bottom;
  if (PtInRect(&visible, P) && Shift.Empty()) result.Include(csHotTrack);
  return result;
}

TvxEditBorderStyle TvxCustomEditViewData::GetBorderStyle() {
  if (FIsInplace) return ebsNone;
  const auto s = static_cast<TvxEditBorderStyle>(FStyle->BorderStyle());
  return s == ebsUltraFlat || s == ebsOffice11 ? ebsSingle : s;
}

TRect TvxCustomEditViewData::GetBorderExtentByEdges(Integer ABorderWidth) {
  const TvxBorders e = FStyle->Edges();
  return TRect{e.Contains(bLeft) ? ABorderWidth : 0, e.Contains(bTop) ? ABorderWidth : 0,
               e.Contains(bRight) ? ABorderWidth : 0, e.Contains(bBottom) ? ABorderWidth : 0};
}

TRect TvxCustomEditViewData::GetBorderExtent() {
  if (FIsInplace) return ContentOffset;
  TRect r{};
  const bool baseBorderNone =
      static_cast<TvxEditBorderStyle>(FStyle->BaseStyle()->BorderStyle()) == ebsNone;
  if (FStyle->TransparentBorder())
    r = TRect{2, 2, 2, 2};
  else if (!FStyle->HasBorder() || (NativeStyle && baseBorderNone))
    r = TRect{};
  else if (NativeStyle)
    r = TRect{2, 2, 2, 2};
  else
    r = GetBorderExtentByEdges(vxContainerBorderWidth(static_cast<TvxContainerBorderStyle>(GetBorderStyle())));
  if (HasShadow()) {
    r.right += vxContainerShadowWidth;
    r.bottom += vxContainerShadowWidth;
  }
  return r;
}

TColor TvxCustomEditViewData::GetBorderColor() {
  const bool highlighted =
      ContainerState.Contains(csActive) || (ContainerState.Contains(csHotTrack) && FStyle->HotTrack());
  const auto s = static_cast<TvxEditBorderStyle>(FStyle->BorderStyle());
  if (s == ebsUltraFlat || s == ebsOffice11)
    return highlighted || (IsDesigning && Enabled) ? GetEditHighlightColor(s == ebsOffice11) : clBtnShadow;
  return FStyle->BorderColor();
}

TRect TvxCustomEditViewData::GetButtonsExtent(TvxCanvas*) {
  if (FIsInplace) return ContentOffset;
  if (!NativeStyle) return GetBorderExtent();
  if (FStyle->TransparentBorder()) return TRect{2, 2, 2, 2};
  if (static_cast<TvxEditBorderStyle>(FStyle->BaseStyle()->BorderStyle()) == ebsNone) return TRect{};
  // The edit theme's content margins, measured on a 100-pixel square.
  TRect r{2, 2, 2, 2};
  if (HTHEME theme = vdOpenThemeByType(totEdit)) {
    const RECT box{0, 0, 100, 100};
    RECT content = box;
    HDC dc = GetDC(nullptr);
    if (SUCCEEDED(vdUxTheme::GetThemeBackgroundContentRect(theme, dc, 1, 1, &box, &content)))
      r = TRect{content.left, content.top, 100 - content.right, 100 - content.bottom};
    ReleaseDC(nullptr, dc);
  }
  return r;
}

bool TvxCustomEditViewData::IsNativeStyle(TvxLookAndFeel* ALookAndFeel) {
  return ALookAndFeel && vxIsThemeUsable(ALookAndFeel->NativeStyle(), totEdit);
}

Integer TvxCustomEditViewData::GetEditNativeState(TvxCustomEditViewInfo*) {
  if (!Enabled) return 4;
  if (FProperties->ReadOnly()) return 6;
  if (Focused) return vdOSWinVistaUp ? 3 : 5;
  if (ContainerState.Contains(csHotTrack)) return 2;
  return 1;
}

void TvxCustomEditViewData::CalculateButtonNativeInfo(TvxEditButtonViewInfo* B) {
  B->Data.NativePart = 0;
  const Integer prevState = B->Data.NativeState;
  B->Data.NativeState = 0;
  B->Data.BackgroundPartiallyTransparent = false;
  if (!B->Data.NativeStyle) return;
  HTHEME theme = vdOpenThemeByType(B->Data.ComboBoxStyle ? totComboBox : totButton);
  if (!theme) return;
  if (B->Data.ComboBoxStyle && !FIsInplace && vdOSWinVistaUp)
    B->Data.NativePart = B->Data.LeftAlignment ? 7 : 6;
  else
    B->Data.NativePart = 1;
  B->Data.BackgroundPartiallyTransparent =
      vdUxTheme::IsThemeBackgroundPartiallyTransparent(theme, B->Data.NativePart, prevState) != FALSE;
  static constexpr Integer CStates[] = {4, 1, 3, 2};  // disabled, normal, pressed, hot
  B->Data.NativeState = CStates[B->Data.State];
}

TRect TvxCustomEditViewData::GetClientExtent(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo) {
  TRect r = GetBorderExtent();
  if (FProperties->ButtonsViewStyle() != bvsNormal && AViewInfo->ButtonCount() > 0) {
    const TRect b = GetButtonsExtent(ACanvas);
    r.left = b.left;
    r.right = b.right;
  }
  for (auto& b : AViewInfo->ButtonsInfo) {
    if (b->Data.LeftAlignment)
      r.left = std::max<Integer>(r.left, b->Bounds.right - Bounds.left);
    else
      r.right = std::max<Integer>(r.right, Bounds.right - b->Bounds.left);
  }
  return r;
}

bool TvxCustomEditViewData::HasShadow() { return FStyle->Shadow() && !NativeStyle; }

TvxEditButtonStyle TvxCustomEditViewData::EffectiveButtonStyle() {
  const TvxEditButtonStyle s = FStyle->ButtonStyle();
  if (s != btsDefault) return s;
  const TvxEditBorderStyle border = static_cast<TvxEditBorderStyle>(FStyle->BorderStyle());
  if (FIsInplace || (border == ebsNone && !FStyle->HotTrack())) {
    static constexpr TvxEditButtonStyle CByKind[] = {btsFlat, bts3D, btsUltraFlat, btsOffice11};
    return CByKind[FStyle->LookAndFeel()->Kind()];
  }
  static constexpr TvxEditButtonStyle CByBorder[] = {btsSimple, btsHotFlat,   bts3D,      btsFlat,
                                                     bts3D,     btsUltraFlat, btsOffice11};
  return CByBorder[border];
}

TvxEditPaintOptions TvxCustomEditViewData::EffectivePaintOptions() {
  TvxEditPaintOptions r = PaintOptions;
  if (!vxRectHasNoArea(EditContentParams.ExternalBorderBounds)) r.Include(epoHasExternalBorder);
  if (EditContentParams.Options.Contains(ecoShowFocusRectWhenInplace)) r.Include(epoShowFocusRectWhenInplace);
  return r;
}

void TvxCustomEditViewData::CalculateColors(TvxCustomEditViewInfo* AViewInfo) {
  TColor background = FStyle->Color();
  // A disabled themed editor without a colour of its own takes the theme's fill colour.
  if (NativeStyle && !Enabled && !FStyle->IsValueAssigned(csvColor))
    if (HTHEME theme = vdOpenThemeByType(totEdit)) {
      COLORREF c;
      if (SUCCEEDED(vdUxTheme::GetThemeColor(theme, vdOSWinVistaUp ? 3 : 1, AViewInfo->NativeState, 3802, &c)))
        background = static_cast<TColor>(c);
    }
  AViewInfo->SetBackgroundColor(background);
  AViewInfo->TextColor = FStyle->TextColor();
}

void TvxCustomEditViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button,
                                      TShiftState Shift, TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  Shift.Exclude(ssShift);
  Shift.Exclude(ssAlt);
  Shift.Exclude(ssCtrl);
  Bounds = ABounds;
  AViewInfo->ContainerState = GetContainerState(ABounds, P, Button, Shift, AIsMouseEvent);
  ContainerState = AViewInfo->ContainerState;
  Selected = ContainerState.Contains(csActive) || ContainerState.Contains(csHotTrack);
  AViewInfo->HotState = IsDesigning || !FStyle->HotTrack() || FIsInplace ? chsNoHotTrack
                        : Selected                                       ? chsSelected
                                                                         : chsNormal;
  AViewInfo->EditBorderStyle = GetBorderStyle();
  AViewInfo->BorderStyle = static_cast<TvxContainerBorderStyle>(AViewInfo->EditBorderStyle);
  AViewInfo->BorderWidth = vxContainerBorderWidth(AViewInfo->BorderStyle);
  AViewInfo->EditProperties = FProperties;
  ButtonsOnlyStyle =
      FIsInplace ? ABounds.right != std::numeric_limits<Integer>::max() && FProperties->ButtonsViewStyle() != bvsNormal
                 : FProperties->ButtonsViewStyle() == bvsButtonsOnly;
  AViewInfo->Painter = nullptr;
  AViewInfo->Bounds = ABounds;
  AViewInfo->Enabled = Enabled;
  AViewInfo->Focused = Focused;
  AViewInfo->HasBackground = Edit && Edit->HasBackground();
  // While the inner edit control shows, it draws the text: the view must not draw it again
  // underneath.
  AViewInfo->HasInnerEdit = InnerEdit && InnerEdit->GetControl() && InnerEdit->GetControl()->Visible();
  AViewInfo->IsDesigning = IsDesigning;
  AViewInfo->IsInplace = FIsInplace;
  AViewInfo->IsSelected = IsSelected;
  AViewInfo->PaintOptions = EffectivePaintOptions();
  AViewInfo->Edges = FStyle->Edges();
  AViewInfo->Font = FStyle->DirectAccessMode() ? FStyle->Font() : FStyle->GetVisibleFont();
  AViewInfo->Shadow = !FIsInplace && HasShadow();
  AViewInfo->WindowHandle = WindowHandle;
  AViewInfo->Transparent = FProperties->Transparent();
  AViewInfo->NativeStyle = NativeStyle;
  AViewInfo->NativeState = NativeStyle ? GetEditNativeState(AViewInfo) : 0;
  AViewInfo->BorderExtent = GetBorderExtent();
  AViewInfo->BorderRect = ABounds;
  AViewInfo->BorderRect.left += AViewInfo->BorderExtent.left;
  AViewInfo->BorderRect.top += AViewInfo->BorderExtent.top;
  AViewInfo->BorderRect.right -= AViewInfo->BorderExtent.right;
  AViewInfo->BorderRect.bottom -= AViewInfo->BorderExtent.bottom;
  AViewInfo->ShadowRect = AViewInfo->BorderRect;
  AViewInfo->HasContentOffsets = !vxRectHasNoArea(ContentOffset);
  if (!FIsInplace) AViewInfo->BorderColor = GetBorderColor();
  CalculateColors(AViewInfo);
  CalculateButtonsViewInfo(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  const TRect ext = GetClientExtent(ACanvas, AViewInfo);
  AViewInfo->ClientRect =
      TRect{ABounds.left + ext.left, ABounds.top + ext.top, ABounds.right - ext.right, ABounds.bottom - ext.bottom};
  AViewInfo->InnerEditRect = AViewInfo->ClientRect;
  AViewInfo->PopupBorderStyle = FStyle->PopupBorderStyle();
  AViewInfo->Calculated = true;
}

void TvxCustomEditViewData::CalculateEx(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                        TvxMouseButton Button, TShiftState Shift, TvxCustomEditViewInfo* AViewInfo,
                                        bool AIsMouseEvent) {
  AViewInfo->Left = ABounds.left;
  AViewInfo->Top = ABounds.top;
  TRect r = ABounds;
  OffsetRect(&r, -ABounds.left, -ABounds.top);
  Calculate(ACanvas, r, TPoint{P.x - ABounds.left, P.y - ABounds.top}, Button, Shift, AViewInfo, AIsMouseEvent);
}

void TvxCustomEditViewData::CalculateButtonsViewInfo(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                                     TvxMouseButton Button, TShiftState Shift,
                                                     TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  const TvxEditButtonTransparency t = FStyle->ButtonTransparency();
  const bool active = ContainerState.Contains(csActive), hot = ContainerState.Contains(csHotTrack);
  if (ButtonVisibleCount == 0 || (!active && t == ebtHideInactive) || (!active && !hot && t == ebtHideUnselected)) {
    AViewInfo->SetButtonCount(0);
    return;
  }
  AViewInfo->SetButtonCount(ButtonVisibleCount);
  AViewInfo->IsButtonReallyPressed = false;
  const Integer prev = AIsMouseEvent ? AViewInfo->PressedButton : -1;
  AViewInfo->PressedButton = -1;
  AViewInfo->SelectedButton = -1;
  FLeftSideLeftmostButtonIndex = FLeftSideRightmostButtonIndex = -1;
  FRightSideLeftmostButtonIndex = FRightSideRightmostButtonIndex = -1;
  TRect r = ABounds;
  const TRect ext = GetButtonsExtent(ACanvas);
  r.left += ext.left;
  r.top += ext.top;
  r.right -= ext.right;
  r.bottom -= ext.bottom;
  const Integer before = r.right - r.left;
  AViewInfo->HasTextButtons = false;
  TvxEditButtons* buttons = FProperties->Buttons();
  Integer visible = ButtonVisibleCount - 1;
  for (Integer i = buttons->Count() - 1; i >= 0; --i) {
    TvxEditButton* button = buttons->Items(i);
    if (!button->Visible()) continue;
    if (button->Kind() == bkText && !AViewInfo->HasTextButtons) {
      AViewInfo->HasTextButtons = true;
      ACanvas->SetFont(FStyle->GetVisibleFont());
      AViewInfo->PrepareCanvasFont(ACanvas);
    }
    TvxEditButtonViewInfo* b = AViewInfo->Buttons(visible);
    b->Index = i;
    b->Data.Style = EffectiveButtonStyle();
    CalculateButtonViewInfo(ACanvas, AViewInfo, r, visible);
    --visible;
  }
  CheckButtonsOnly(AViewInfo, before, r.right - r.left);
  CalculateButtonStates(AViewInfo, P, Button, Shift, prev);
  const bool bothSides = ButtonsOnlyStyle && FRightSideRightmostButtonIndex >= 0;
  if (FLeftSideLeftmostButtonIndex >= 0) AViewInfo->Buttons(FLeftSideLeftmostButtonIndex)->Data.Leftmost = true;
  if (FLeftSideRightmostButtonIndex >= 0 && !bothSides)
    AViewInfo->Buttons(FLeftSideRightmostButtonIndex)->Data.Rightmost = true;
  if (FRightSideLeftmostButtonIndex >= 0 && !(ButtonsOnlyStyle && FLeftSideLeftmostButtonIndex >= 0))
    AViewInfo->Buttons(FRightSideLeftmostButtonIndex)->Data.Leftmost = true;
  if (FRightSideRightmostButtonIndex >= 0) AViewInfo->Buttons(FRightSideRightmostButtonIndex)->Data.Rightmost = true;
  if (ButtonsOnlyStyle)
    for (auto& b : AViewInfo->ButtonsInfo) b->Data.LeftAlignment = false;
}

void TvxCustomEditViewData::CalculateButtonViewInfo(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo,
                                                    TRect& ButtonsRect, Integer AButtonVisibleIndex) {
  TvxEditButtonViewInfo* b = AViewInfo->Buttons(AButtonVisibleIndex);
  TvxEditButton* button = FProperties->Buttons()->Items(b->Index);
  b->Data.ComboBoxStyle = ButtonVisibleCount == 1 && button->Kind() == bkDown;
  b->Data.Kind = button->Kind();
  if (button->Kind() == bkText) {
    b->Data.Caption = button->Caption();
    b->Data.TextColor = button->TextColor();
    b->Data.VisibleCaption = button->VisibleCaption();
  }
  b->Data.ContentAlignment = button->ContentAlignment();
  b->Data.Default = button->Default();
  b->Glyph = button->HasGlyph() ? button->Glyph() : nullptr;
  b->HasBackground = AViewInfo->HasBackground;
  b->Data.Gradient = FStyle->GradientButtons();
  b->Data.IsInplace = FIsInplace;
  b->Data.LeftAlignment = button->LeftAlignment();
  b->Data.Leftmost = b->Data.Rightmost = false;
  b->Data.NativeStyle = AViewInfo->NativeStyle;
  b->Stretchable = button->Stretchable();
  Integer w = button->Width();
  if (w == 0 && OnGetDefaultButtonWidth) OnGetDefaultButtonWidth(this, b->Index, w);
  b->Width = w;
  const TvxEditButtonTransparency t = FStyle->ButtonTransparency();
  b->Data.Transparent = t == ebtAlways || (t == ebtInactive && !Selected);
  b->Data.BackgroundColor = AViewInfo->BackgroundColor();
  CalculateButtonBounds(ACanvas, AViewInfo, ButtonsRect, AButtonVisibleIndex);
}

void TvxCustomEditViewData::CalculateButtonBounds(TvxCanvas* ACanvas, TvxCustomEditViewInfo* AViewInfo, TRect& R,
                                                  Integer i) {
  TvxEditButtonViewInfo* b = AViewInfo->Buttons(i);
  if (vxRectHasNoArea(R)) {
    b->Bounds = b->VisibleBounds = TRect{};
    return;
  }
  const Integer w = CalculateEditButtonWidth(ACanvas, b);
  const Integer v = std::min<Integer>(w, R.right - R.left);
  if (b->Data.LeftAlignment) {
    b->Bounds = TRect{R.left, R.top, R.left + w, R.bottom};
    b->VisibleBounds = TRect{R.left, R.top, R.left + v, R.bottom};
    R.left += v;
    if (FLeftSideLeftmostButtonIndex < 0) FLeftSideLeftmostButtonIndex = i;
    FLeftSideRightmostButtonIndex = i;
  } else {
    b->Bounds = TRect{R.right - w, R.top, R.right, R.bottom};
    b->VisibleBounds = TRect{R.right - v, R.top, R.right, R.bottom};
    R.right -= v;
    if (FRightSideRightmostButtonIndex < 0) FRightSideRightmostButtonIndex = i;
    FRightSideLeftmostButtonIndex = i;
  }
}

void TvxCustomEditViewData::CheckButtonsOnly(TvxCustomEditViewInfo* AViewInfo, Integer APrevWidth, Integer AWidth) {
  if (!ButtonsOnlyStyle || AWidth <= 0) return;
  std::vector<Integer> stretch;
  Int64 total = 0;
  for (Integer i = 0; i < AViewInfo->ButtonCount(); ++i)
    if (AViewInfo->Buttons(i)->Stretchable && !IgnoreButtonWhileStretching(i)) {
      stretch.push_back(i);
      total += AViewInfo->Buttons(i)->Bounds.right - AViewInfo->Buttons(i)->Bounds.left;
    }
  if (stretch.empty()) {
    for (Integer i = 0; i < AViewInfo->ButtonCount(); ++i) stretch.push_back(i);
    total = APrevWidth - AWidth;
  }
  if (total <= 0) return;
  Integer left = AWidth;
  for (auto it = stretch.rbegin(); it != stretch.rend(); ++it) {
    TvxEditButtonViewInfo* b = AViewInfo->Buttons(*it);
    const Int64 width = b->Bounds.right - b->Bounds.left;
    // Widths times a width that may be near the largest integer (size queries lay out
    // in unbounded rectangles): the product needs 64 bits.
    const Integer extra = std::next(it) == stretch.rend() ? left : static_cast<Integer>(width * AWidth / total);
    left -= extra;
    if (b->Data.LeftAlignment) {
      const Integer edge = b->Bounds.left;
      for (auto& o : AViewInfo->ButtonsInfo)
        if (o->Data.LeftAlignment && o.get() != b && o->Bounds.left >= edge) {
          OffsetRect(&o->Bounds, extra, 0);
          OffsetRect(&o->VisibleBounds, extra, 0);
        }
      b->Bounds.right += extra;
      b->VisibleBounds.right += extra;
    } else {
      const Integer edge = b->Bounds.right;
      for (auto& o : AViewInfo->ButtonsInfo)
        if (!o->Data.LeftAlignment && o.get() != b && o->Bounds.right <= edge) {
          OffsetRect(&o->Bounds, -extra, 0);
          OffsetRect(&o->VisibleBounds, -extra, 0);
        }
      b->Bounds.left -= extra;
      b->VisibleBounds.left -= extra;
    }
  }
}

void TvxCustomEditViewData::CalculateButtonStates(TvxCustomEditViewInfo* AViewInfo, const TPoint& P,
                                                  TvxMouseButton Button, TShiftState Shift, Integer APrevPressed) {
  const bool leftOnly = Shift == TShiftState{ssLeft} || Shift == TShiftState{ssLeft, ssDouble};
  for (Integer i = 0; i < AViewInfo->ButtonCount(); ++i) {
    TvxEditButtonViewInfo* b = AViewInfo->Buttons(i);
    TvxEditButton* button = FProperties->Buttons()->Items(b->Index);
    const bool pressedByEditor = IsButtonPressed(AViewInfo, i);
    TvxEditButtonState state;
    if (!Enabled || !button->Enabled()) {
      state = ebsDisabled;
    } else if (!pressedByEditor && (IsDesigning || !PtInRect(&b->VisibleBounds, P))) {
      state = ebsNormal;
    } else {
      // The button the editor pressed keeps its look while the editor holds the mouse.
      const bool captured = Button == vxmbNone && Shift.Contains(ssLeft) && b->Data.State == ebsNormal && Edit &&
                            Edit->CaptureButtonVisibleIndex() == i;
      const bool leftClick = Button == vxmbLeft && leftOnly;
      const bool stillPressed = b->Data.State == ebsPressed && Shift.Contains(ssLeft);
      if (pressedByEditor || leftClick || stillPressed || captured) AViewInfo->IsButtonReallyPressed = true;
      if (!pressedByEditor && Shift.Empty() && !captured) {
        state = ebsSelected;
        AViewInfo->SelectedButton = i;
      } else if (pressedByEditor || (captured && IsButtonPressable(AViewInfo, i)) ||
                 (leftOnly && ((Button == vxmbLeft && IsButtonPressable(AViewInfo, i)) || i == APrevPressed)) ||
                 stillPressed) {
        state = ebsPressed;
      } else {
        state = ebsNormal;
      }
    }
    if (state == ebsPressed) AViewInfo->PressedButton = i;
    b->Data.State = state;
    if (AViewInfo->OnGetButtonState) AViewInfo->OnGetButtonState(AViewInfo, i, b->Data.State);
    CalculateButtonNativeInfo(b);
  }
}

TSize TvxCustomEditViewData::GetEditContentSizeCorrection() {
  const TvxEditContentParams& p = EditContentParams;
  return TSize{p.Offsets.left + p.Offsets.right + p.SizeCorrection.cx,
               p.Offsets.top + p.Offsets.bottom + p.SizeCorrection.cy};
}

void TvxCustomEditViewData::CalculateButtonsHeightCorrection(TvxCanvas* ACanvas, TSize& ASize,
                                                             TvxCustomEditViewInfo* AViewInfo, TSize& MinContentSize) {
  MinContentSize = TSize{0, 0};
  ASize = TSize{
      (AViewInfo->Bounds.right - AViewInfo->Bounds.left) - (AViewInfo->ClientRect.right - AViewInfo->ClientRect.left),
      (AViewInfo->Bounds.bottom - AViewInfo->Bounds.top) - (AViewInfo->ClientRect.bottom - AViewInfo->ClientRect.top)};
  Integer h = 0;
  bool fontSet = false;
  for (Integer i = 0; i < FProperties->Buttons()->Count(); ++i) {
    TvxEditButton* button = FProperties->Buttons()->Items(i);
    if (!button->Visible()) continue;
    if (button->Kind() == bkGlyph && button->HasGlyph() && !button->Glyph()->Empty())
      h = std::max<Integer>(h, button->Glyph()->Height());
    if (FIsInplace && button->Kind() == bkText) {
      if (!fontSet) {
        ACanvas->SetFont(FStyle->GetVisibleFont());
        AViewInfo->PrepareCanvasFont(ACanvas);
        fontSet = true;
      }
      if (!button->VisibleCaption().empty()) h = std::max<Integer>(h, ACanvas->TextHeight(button->VisibleCaption()));
    }
  }
  if (h > 0) {
    const TRect e = GetButtonsExtent(ACanvas);
    h += e.top + e.bottom;
    h += ButtonsContentVerticalOffset(ACanvas, EffectiveButtonStyle(), NativeStyle);
    MinContentSize.cy = std::max<Integer>(0, h - ASize.cy);
  }
}

TSize TvxCustomEditViewData::GetEditConstantPartSize(TvxCanvas* ACanvas, const TvxEditSizeProperties&,
                                                     TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo) {
  std::unique_ptr<TvxCustomEditViewInfo> temp;
  if (!AViewInfo) {
    temp.reset(FProperties->CreateViewInfo());
    AViewInfo = temp.get();
    Calculate(ACanvas, TRect{0, 0, std::numeric_limits<Integer>::max(), std::numeric_limits<Integer>::max()},
              TPoint{-1, -1}, vxmbNone, TShiftState{}, AViewInfo, false);
  }
  TSize size{0, 0};
  CalculateButtonsHeightCorrection(ACanvas, size, AViewInfo, MinContentSize);
  return size;
}

TSize TvxCustomEditViewData::GetEditContentSize(TvxCanvas* ACanvas, const Variant& AEditValue,
                                                const TvxEditSizeProperties& AEditSizeProperties) {
  if (FProperties->ButtonsViewStyle() != bvsNormal) {
    ACanvas->SetFont(FStyle->GetVisibleFont());
    return TSize{0, GetEditContentSizeCorrection().cy + ACanvas->TextHeight(L"Zg")};
  }
  return InternalGetEditContentSize(ACanvas, AEditValue, AEditSizeProperties);
}

TSize TvxCustomEditViewData::GetEditSize(TvxCanvas* ACanvas, const Variant& AEditValue,
                                         TvxEditSizeProperties AEditSizeProperties, TvxCustomEditViewInfo* AViewInfo) {
  TSize minContent{0, 0};
  const TSize c = GetEditConstantPartSize(ACanvas, AEditSizeProperties, minContent, AViewInfo);
  bool tooNarrow = false;
  const Integer requested = AEditSizeProperties.Width;
  if (requested >= 0) {
    AEditSizeProperties.Width = requested - c.cx;
    if (AEditSizeProperties.Width < 0) {
      tooNarrow = true;
      AEditSizeProperties.Width = 0;
    }
  }
  TSize content = GetEditContentSize(ACanvas, AEditValue, AEditSizeProperties);
  content.cx = std::max(content.cx, minContent.cx);
  content.cy = std::max(content.cy, minContent.cy);
  return TSize{tooNarrow ? requested : c.cx + content.cx, c.cy + content.cy};
}

String TvxCustomEditViewData::DisplayTextOfValue(const Variant& AEditValue) {
  String text;
  InternalEditValueToDisplayText(AEditValue, text);
  if (OnGetDisplayText) OnGetDisplayText(this, text);
  return text;
}

const std::vector<TvxCustomEditProperties*>& vxEditPropertiesList() {
  static const std::vector<TvxCustomEditProperties*> empty;
  return FPropertiesList ? *FPropertiesList : empty;
}

TvxRegisteredClasses* GetEditPropertiesRegistry() {
  if (!FEditPropertiesRegistry && !FFinalized) {
    FEditPropertiesRegistry = std::make_unique<TvxRegisteredClasses>(true);
    FEditPropertiesRegistry->SetSorted(true);
  }
  return FEditPropertiesRegistry.get();
}

// --- TvxEditRepository ----------------------------------------------------------------------

TvxEditRepository::TvxEditRepository(TComponent* AOwner) : TComponent(AOwner) {}

TvxEditRepository::~TvxEditRepository() { Clear(); }

void TvxEditRepository::Clear() {
  // Each item leaves the list as it goes.
  while (!FItems.empty()) delete FItems.back();
}

TvxEditRepositoryItem* TvxEditRepository::CreateItem(TClass ARepositoryItemClass) {
  return CreateItemEx(ARepositoryItemClass, this);
}

TvxEditRepositoryItem* TvxEditRepository::CreateItemEx(TClass ARepositoryItemClass, TComponent* AOwner) {
  auto* item = static_cast<TvxEditRepositoryItem*>(ARepositoryItemClass->NewInstance(AOwner));
  item->SetRepository(this);
  return item;
}

TvxEditRepositoryItem* TvxEditRepository::ItemByName(const String& AName) const {
  for (TvxEditRepositoryItem* item : FItems)
    if (AnsiSameText(item->Name(), AName)) return item;
  return nullptr;
}

void TvxEditRepository::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TvxEditRepositoryItem* item : FItems)
    if (item->Owner() == Root) Proc(item);
}

// --- TvxEditRepositoryItem ------------------------------------------------------------------

TvxEditRepositoryItem::TvxEditRepositoryItem(TComponent* AOwner, TvxCustomEditPropertiesClass APropertiesClass)
    : TComponent(AOwner) {
  FProperties.reset(static_cast<TvxCustomEditProperties*>(APropertiesClass->NewInstance(this)));
  FProperties->OnPropertiesChanged = [this](TObject* Sender) { PropertiesChanged(Sender); };
}

TvxEditRepositoryItem::~TvxEditRepositoryItem() {
  for (auto i = static_cast<Integer>(FListenerList.size()) - 1; i >= 0; --i) {
    if (i >= static_cast<Integer>(FListenerList.size())) continue;  // a listener left during the call
    FListenerList[i]->RepositoryItemRemoved(this);
  }
  SetRepository(nullptr);
  FProperties.reset();
}

void TvxEditRepositoryItem::AddListener(IvxEditRepositoryItemListener* AListener) {
  if (std::find(FListenerList.begin(), FListenerList.end(), AListener) == FListenerList.end())
    FListenerList.push_back(AListener);
}

void TvxEditRepositoryItem::RemoveListener(IvxEditRepositoryItemListener* AListener) {
  auto it = std::find(FListenerList.begin(), FListenerList.end(), AListener);
  if (it != FListenerList.end()) FListenerList.erase(it);
}

void TvxEditRepositoryItem::PropertiesChanged(TObject*) {
  for (auto i = static_cast<Integer>(FListenerList.size()) - 1; i >= 0; --i) {
    if (i >= static_cast<Integer>(FListenerList.size())) continue;
    FListenerList[i]->PropertiesChanged(this);
  }
}

String TvxEditRepositoryItem::GetBaseName() {
  static const String prefix = L"TvxEditRepository";
  const String name = ClassName();
  const std::size_t p = name.find(prefix);
  const String rest = p == String::npos ? String() : name.substr(p + prefix.size());
  return (FRepository ? FRepository->Name() : String()) + rest;
}

void TvxEditRepositoryItem::SetRepository(TvxEditRepository* Value) {
  if (FRepository == Value) return;
  if (FRepository) {
    auto& items = FRepository->FItems;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
  }
  FRepository = Value;
  if (FRepository &&
      std::find(FRepository->FItems.begin(), FRepository->FItems.end(), this) == FRepository->FItems.end())
    FRepository->FItems.push_back(this);
}

void TvxEditRepositoryItem::SetParentComponent(TComponent* Value) {
  if (ComponentState().Contains(csLoading)) return;
  SetRepository(dynamic_cast<TvxEditRepository*>(Value));
}

void TvxEditRepositoryItem::DeclarePublished(TPublisher<TvxEditRepositoryItem>& P) {
  P.Property(L"Properties", &TvxEditRepositoryItem::Properties, &TvxEditRepositoryItem::SetProperties);
}

TvxEditRepository* GetDefaultEditRepository() {
  if (!FDefaultEditRepository && !FFinalized) FDefaultEditRepository = std::make_unique<TvxEditRepository>(nullptr);
  return FDefaultEditRepository.get();
}

const TUnitInfo vxEditUnit = {L"vxEdit", InitEdit, FinEdit};
