#include "vxEdit.h"

#include <algorithm>

#include "Forms.h"
#include "vxControls.h"
#include "vxEditConsts.h"
#include "vxVariants.h"

namespace {

std::vector<TvxCustomEditProperties*>* FPropertiesList = nullptr;
std::unique_ptr<TvxRegisteredClasses> FEditPropertiesRegistry;
std::unique_ptr<TvxEditRepository> FDefaultEditRepository;
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
  if (Screen) Screen->SetCursors(crvxMouseWheel, LoadCursorW(ThisModule(), L"VXEDIT_MOUSEWHEEL"));
}

void FinEdit() {
  FFinalized = true;
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

TvxCustomEditProperties::~TvxCustomEditProperties() {
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
  ++FIsChangingCount;
  struct TCountScope {
    Integer& Count;
    ~TCountScope() { --Count; }
  } scope{FIsChangingCount};
  OnPropertiesChanged(this);
}

void TvxCustomEditProperties::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomEditProperties*>(Source);
  if (!src) {
    TvxInterfacedPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  struct TEndScope {
    TvxCustomEditProperties* P;
    ~TEndScope() { P->EndUpdate(true); }
  } scope{this};
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
