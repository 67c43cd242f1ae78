#include "vxInplaceContainer.h"

#include <algorithm>

#include "Forms.h"
#include "vxControls.h"
#include "vxEditDataRegisteredRepositoryItems.h"

// --- Edit items --------------------------------------------------------------------------------

TvxCustomInplaceEditContainer::TvxCustomInplaceEditContainer(TComponent* AOwner) : TComponent(AOwner) {}

void TvxCustomInplaceEditContainer::AfterConstruction() {
  inherited::AfterConstruction();
  FDataBinding.reset(dynamic_cast<TvxItemDataBinding*>(GetDataBindingClass()->NewInstance(this)));
  if (!FDataBinding) FDataBinding = std::make_unique<TvxItemDataBinding>(this);
  FOptions.reset(dynamic_cast<TvxCustomEditContainerItemOptions*>(GetOptionsClass()->NewInstance(this)));
  if (!FOptions) FOptions = std::make_unique<TvxCustomEditContainerItemOptions>(this);
  FStyles.reset(dynamic_cast<TvxEditContainerStyles*>(GetStylesClass()->NewInstance(this)));
  if (!FStyles) FStyles = std::make_unique<TvxEditContainerStyles>(this);
}

TvxCustomInplaceEditContainer::~TvxCustomInplaceEditContainer() {
  SetComponentStateItem(csDestroying, true);
  SetRepositoryItem(nullptr);
  SetEditingControl(nullptr);
  FEditViewData.reset();
  FOptions.reset();
  FDataBinding.reset();
  FStyles.reset();
  DestroyProperties();
  delete FEditData;
}

void TvxCustomInplaceEditContainer::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxCustomInplaceEditContainer*>(Source)) {
    FDataBinding->Assign(src->DataBinding());
    SetPropertiesClassName(src->PropertiesClassName());
    SetProperties(src->Properties());
    SetRepositoryItem(src->RepositoryItem());
    SetStyles(src->Styles());
    OnGetEditProperties = src->OnGetEditProperties;
  } else {
    inherited::Assign(Source);
  }
}

TvxDataController* TvxCustomInplaceEditContainer::DataController() const {
  return FEditingControl ? FEditingControl->DataController() : nullptr;
}

TvxCustomControlController* TvxCustomInplaceEditContainer::GetController() {
  return FEditingControl ? FEditingControl->Controller() : nullptr;
}

TvxCanvas* TvxCustomInplaceEditContainer::GetControlCanvas() {
  if (FEditingControl && FEditingControl->HandleAllocated()) return FEditingControl->Canvas();
  return vxGetScreenCanvas();
}

bool TvxCustomInplaceEditContainer::CanFocus() { return FOptions->Focusing(); }

bool TvxCustomInplaceEditContainer::CanTabStop() { return FOptions->TabStop; }

bool TvxCustomInplaceEditContainer::CanEdit() {
  if (!FEditingControl || !CanFocus() || !FOptions->Editing()) return false;
  IvxEditingControlOptions* o = FEditingControl->GetOptions();
  if (o && !o->GetOptionsData()->Editing()) return false;
  TvxControlDataController* dc = FEditingControl->DataController();
  return dc->EditOperations().Contains(dceoShowEdit) && dc->RecordCount() > 0;
}

bool TvxCustomInplaceEditContainer::CanInitEditing() {
  return FEditingControl && FEditingControl->DataController()->CanInitEditing(FItemIndex);
}

bool TvxCustomInplaceEditContainer::CanIncSearch() {
  if (!FEditingControl) return false;
  TvxCustomEditProperties* p = PropertiesValue();
  IvxEditingControlOptions* o = FEditingControl->GetOptions();
  return p && p->GetSupportedOperations().Contains(esoIncSearch) && o && o->GetOptionsBehavior()->IncSearch() &&
         FOptions->IncSearch();
}

void TvxCustomInplaceEditContainer::Changed() {
  if (FEditingControl) FEditingControl->StylesChanged();
}

std::unique_ptr<TvxCustomEditViewData> TvxCustomInplaceEditContainer::CreateEditViewData(
    TvxCustomEditProperties* AProperties, bool AEditFocused) {
  std::unique_ptr<TvxCustomEditViewData> d(AProperties->CreateViewData(GetEditStyle(AEditFocused), true, false));
  d->OnGetDisplayText = [this](TvxCustomEditViewData* Sender, String& AText) { ViewDataGetDisplayText(Sender, AText); };
  return d;
}

void TvxCustomInplaceEditContainer::ViewDataGetDisplayText(TvxCustomEditViewData* Sender, String& AText) {
  // The record is the one of the cell the view data is calculating for.
  DoGetDisplayText(FViewDataRecord, AText);
}

void TvxCustomInplaceEditContainer::DataChanged() {
  FDataBinding->DataChanged();
  RefreshProperties();
}

TvxCustomEditProperties* TvxCustomInplaceEditContainer::DoGetEditProperties(Integer ARecordIndex) {
  return DoGetProperties(ARecordIndex, PropertiesValue(), OnGetEditProperties);
}

void TvxCustomInplaceEditContainer::DoGetEditingProperties(Integer ARecordIndex,
                                                           TvxCustomEditProperties*& AProperties) {
  AProperties = DoGetProperties(ARecordIndex, AProperties, OnGetEditingProperties);
}

TvxCustomEditProperties* TvxCustomInplaceEditContainer::DoGetProperties(Integer ARecordIndex,
                                                                        TvxCustomEditProperties* AProperties,
                                                                        const TvxGetEditPropertiesEvent& AEvent) {
  TvxCustomEditProperties* r = AProperties;
  if (AEvent) {
    AEvent(this, reinterpret_cast<Pointer>(static_cast<intptr_t>(ARecordIndex)), r);
    if (!r) r = AProperties;
  }
  if (r) InitProperties(r);
  return r;
}

void TvxCustomInplaceEditContainer::PropertiesChanged() { RefreshProperties(); }

Variant TvxCustomInplaceEditContainer::GetValue() {
  TvxDataController* dc = DataController();
  return dc ? dc->GetValue(dc->GetFocusedRecordIndex(), FItemIndex) : Variant();
}

void TvxCustomInplaceEditContainer::GetDefaultText(String& AText) { FDataBinding->GetDefaultText(AText); }

TvxCustomEditProperties* TvxCustomInplaceEditContainer::ResolveProperties() {
  if (FRepositoryItem) return FRepositoryItem->Properties();
  if (FProperties) return FProperties.get();
  TvxEditRepositoryItem* item = FDataBinding->GetDefaultRepositoryItem();
  return item ? item->Properties() : nullptr;
}

void TvxCustomInplaceEditContainer::GetDisplayValue(TvxCustomEditProperties* AProperties, Integer ARecordIndex,
                                                    Variant& AValue) {
  if (AProperties && AProperties->GetEditValueSource(false) != evsValue) {
    TvxDataController* dc = DataController();
    AValue = dc ? Variant(dc->GetDisplayText(ARecordIndex, FItemIndex)) : Variant();
  } else {
    AValue = GetValueByRecord(ARecordIndex);
  }
}

TvxValueTypeClass TvxCustomInplaceEditContainer::GetValueTypeClass() { return FDataBinding->GetValueTypeClass(); }

namespace {

// The edit style's font for a size calculation: AFont, or the control's font.
TFont* FontOr(TFont* AFont, TvxEditingControl* AControl) { return AFont ? AFont : AControl->Font(); }

}  // namespace

Integer TvxCustomInplaceEditContainer::GetDefaultEditHeight(TFont* AFont) {
  if (!FEditViewData || !FEditingControl) return 0;
  TvxEditSizeProperties size{-1, 0, -1};
  FEditViewData->Style()->SetFont(FontOr(AFont, FEditingControl));
  FEditViewData->ContentOffset = TRect{};
  FViewDataRecord = 0;
  return FEditViewData->GetEditSize(GetControlCanvas(), Null(), size).cy;
}

Integer TvxCustomInplaceEditContainer::GetEditHeight(TvxEditCellViewInfo* ACell) {
  if (!ACell->ViewData || !FEditingControl) return 0;
  TvxEditSizeProperties size{-1, ACell->MaxLineCount(), ACell->ContentRect().right - ACell->ContentRect().left};
  ACell->ViewData->Style()->SetFont(FontOr(ACell->ItemViewParams.Font, FEditingControl));
  ACell->GetContentOffsets(ACell->ViewData->ContentOffset);
  FViewDataRecord = ACell->RecordIndex();
  return ACell->ViewData->GetEditSize(GetControlCanvas(), ACell->DisplayValue(), size).cy + 2;
}

Integer TvxCustomInplaceEditContainer::GetEditWidth(TvxEditCellViewInfo* ACell) {
  if (!ACell->ViewData || !FEditingControl) return 0;
  TvxEditSizeProperties size{-1, ACell->MaxLineCount(), -1};
  ACell->ViewData->Style()->SetFont(FontOr(ACell->ItemViewParams.Font, FEditingControl));
  ACell->GetContentOffsets(ACell->ViewData->ContentOffset);
  FViewDataRecord = ACell->RecordIndex();
  return ACell->ViewData->GetEditSize(GetControlCanvas(), ACell->DisplayValue(), size).cx;
}

bool TvxCustomInplaceEditContainer::GetEditing() {
  TvxCustomControlController* c = GetController();
  return c && c->EditingController()->EditingItem() == this;
}

TvxCustomEditStyle* TvxCustomInplaceEditContainer::GetEditStyle(bool) {
  return FEditingControl ? FEditingControl->EditStyle() : nullptr;
}

Variant TvxCustomInplaceEditContainer::GetEditValue() {
  if (!Editing()) return Variant();
  TvxDataController* dc = DataController();
  if (dc->RecordCount() == 0) return Null();
  return dc->GetEditValue(FItemIndex, FEditValueSource);
}

Variant TvxCustomInplaceEditContainer::GetValueByRecord(Integer ARecordIndex) {
  TvxDataController* dc = DataController();
  return dc ? dc->GetValue(ARecordIndex, FItemIndex) : Variant();
}

Integer TvxCustomInplaceEditContainer::GetValueCount() {
  TvxDataController* dc = DataController();
  return dc ? dc->RecordCount() : 0;
}

void TvxCustomInplaceEditContainer::InitEditViewInfo(TvxEditCellViewInfo* ACell) {
  TvxCustomEditProperties* props = DoGetEditProperties(ACell->RecordIndex());
  TvxCustomEditProperties* prev = ACell->Properties;
  ACell->Properties = props;
  ACell->GetDisplayValue(ACell->CellValue);
  ACell->GetViewParams(ACell->ItemViewParams);
  if (!props) return;
  if (!prev || prev != props || !ACell->ViewInfo) {
    ACell->OwnViewData.reset();
    ACell->ViewInfo.reset();
    if (props == PropertiesValue() && FEditViewData) {
      ACell->ViewData = FEditViewData.get();
      ACell->IsViewDataCreated = false;
    } else {
      ACell->OwnViewData = CreateEditViewData(props, false);
      ACell->ViewData = ACell->OwnViewData.get();
      ACell->IsViewDataCreated = true;
    }
    ACell->ViewInfo.reset(props->CreateViewInfo());
    if (!ACell->IsViewDataCreated) ACell->ViewData->InitFromProperties();
  } else if (!ACell->IsViewDataCreated) {
    ACell->ViewData = FEditViewData.get();
  }
  TvxEditPaintOptions o = ACell->ViewData->PaintOptions;
  if (ACell->IsAutoHeight()) o.Include(epoAutoHeight);
  else o.Exclude(epoAutoHeight);
  if (ACell->IsEndEllipsis()) o.Include(epoShowEndEllipsis);
  else o.Exclude(epoShowEndEllipsis);
  ACell->ViewData->PaintOptions = o;
  FViewDataRecord = ACell->RecordIndex();
}

void TvxCustomInplaceEditContainer::CalculateEditViewInfo(const Variant& AValue, TvxEditCellViewInfo* ACell,
                                                          const TPoint& AMousePos) {
  if (!ACell->ViewData || !ACell->ViewInfo) return;
  TvxCanvas* canvas = GetControlCanvas();
  vxLoadEditStyleFromCell(ACell);
  TvxCustomEditViewData* d = ACell->ViewData;
  TvxCustomControlController* c = GetController();
  if (c && IsIncSearchItem() && c->FocusedRecordIndex() == ACell->RecordIndex()) {
    d->SelTextColor = ACell->GetSelectedTextColor();
    d->SelBackgroundColor = ACell->GetSelectedBkColor();
    d->SelStart = 0;
    d->SelLength = static_cast<Integer>(c->GetIncSearchingText().size());
  } else {
    d->SelLength = 0;
  }
  d->MaxLineCount = ACell->MaxLineCount();
  FViewDataRecord = ACell->RecordIndex();
  d->EditValueToDrawValue(canvas, AValue, ACell->ViewInfo.get());
  ACell->GetContentOffsets(d->ContentOffset);
  d->CalculateEx(canvas, ACell->ContentRect(), AMousePos, vxmbNone, TShiftState(), ACell->ViewInfo.get(), false);
}

void TvxCustomInplaceEditContainer::InitProperties(TvxCustomEditProperties* AProperties) {
  if (!AProperties) return;
  bool locked = AProperties->ChangedLocked();
  AProperties->LockUpdate(true);
  AProperties->SetIDefaultValuesProvider(FDataBinding->GetDefaultValuesProvider(AProperties));
  AProperties->LockUpdate(locked);
}

void TvxCustomInplaceEditContainer::SetValue(const Variant& Value) {
  if (TvxDataController* dc = DataController()) dc->SetValue(dc->GetFocusedRecordIndex(), FItemIndex, Value);
}

void TvxCustomInplaceEditContainer::SetEditing(bool Value) {
  TvxCustomControlController* c = GetController();
  if (!c) return;
  if (Value) c->EditingController()->SetEditingItem(this);
  else if (Editing()) c->EditingController()->SetEditingItem(nullptr);
}

void TvxCustomInplaceEditContainer::SetEditingControl(TvxEditingControl* AControl) {
  if (FEditingControl == AControl) return;
  if (AControl && AControl->ViewInfo()) AControl->ViewInfo()->SetState(vxvisViewParamsChanged, true);
  if (FEditingControl) FEditingControl->RemoveItem(this);
  FEditingControl = AControl;
  if (!AControl) return;
  AControl->BeginUpdate();
  TScopeExit fin([this, AControl] {
    AControl->CancelUpdate();
    RefreshProperties();
  });
  AControl->AddItem(this);
  FDataBinding->ValueTypeClassChanged();
}

void TvxCustomInplaceEditContainer::SetEditValue(const Variant& Value) {
  if (Editing()) DataController()->SetEditValue(FItemIndex, Value, FEditValueSource);
}

void TvxCustomInplaceEditContainer::SetValueByRecord(Integer ARecordIndex, const Variant& Value) {
  if (TvxDataController* dc = DataController()) dc->SetValue(ARecordIndex, FItemIndex, Value);
}

void TvxCustomInplaceEditContainer::RefreshProperties() {
  if (ComponentState().Contains(csDestroying)) return;
  TvxCustomControlController* c = GetController();
  if (c) c->ClearHotTrack();
  bool editorUp = c && (Editing() || c->EditingController()->EditHiding());
  if (!editorUp) {
    delete FEditData;
    FEditData = nullptr;
  }
  FEditViewData.reset();
  FPropertiesValue = ResolveProperties();
  InitProperties(FPropertiesValue);
  if (FEditingControl && FPropertiesValue) FEditViewData = CreateEditViewData(FPropertiesValue, false);
  if (FPropertiesValue && !FPropertiesValue->OnPropertiesChanged)
    FPropertiesValue->OnPropertiesChanged = [this](TObject*) { PropertiesChanged(); };
  PropertiesRefreshed();
}

TvxCustomEditProperties* TvxCustomInplaceEditContainer::PropertiesValue() {
  InitProperties(FPropertiesValue);
  return FPropertiesValue;
}

void TvxCustomInplaceEditContainer::SetProperties(TvxCustomEditProperties* Value) {
  if (FProperties && Value) FProperties->Assign(Value);
}

void TvxCustomInplaceEditContainer::SetPropertiesClass(TvxCustomEditPropertiesClass Value) {
  if (FPropertiesClass == Value) return;
  DestroyProperties();
  FPropertiesClass = Value;
  CreateProperties();
}

void TvxCustomInplaceEditContainer::CreateProperties() {
  if (FPropertiesClass) {
    FProperties.reset(dynamic_cast<TvxCustomEditProperties*>(FPropertiesClass->NewInstance(this)));
    if (FProperties) FProperties->AfterConstruction();
  }
  RefreshProperties();
}

void TvxCustomInplaceEditContainer::DestroyProperties() {
  if (FProperties) {
    if (TvxCustomControlController* c = GetController()) c->EditingController()->RemoveEdit(FProperties.get());
    if (FPropertiesValue == FProperties.get()) FPropertiesValue = nullptr;
  }
  FProperties.reset();
  FPropertiesClass = nullptr;
}

String TvxCustomInplaceEditContainer::PropertiesClassName() const {
  return FProperties ? FProperties->ClassName() : String();
}

void TvxCustomInplaceEditContainer::SetPropertiesClassName(const String& Value) {
  if (Value == PropertiesClassName()) return;
  SetPropertiesClass(GetEditPropertiesRegistry()->FindByClassName(Value));
}

void TvxCustomInplaceEditContainer::SetRepositoryItem(TvxEditRepositoryItem* Value) {
  if (FRepositoryItem == Value) return;
  if (FRepositoryItem) {
    FRepositoryItem->RemoveListener(this);
    if (TvxCustomControlController* c = GetController())
      c->EditingController()->RemoveEdit(FRepositoryItem->Properties());
  }
  FRepositoryItem = Value;
  if (Value) Value->AddListener(this);
  RefreshProperties();
}

bool TvxCustomInplaceEditContainer::Focused() {
  TvxCustomControlController* c = GetController();
  return c && c->FocusedItem() == this;
}

void TvxCustomInplaceEditContainer::SetFocused(bool Value) {
  // Clearing the flag leaves the focus where it is: nothing else takes it.
  if (Value && !Focused())
    if (TvxCustomControlController* c = GetController()) c->SetFocusedItem(this);
}

bool TvxCustomInplaceEditContainer::IsIncSearchItem() {
  TvxCustomControlController* c = GetController();
  return c && c->GetIncSearchingItem() == this;
}

void TvxCustomInplaceEditContainer::CancelIncSearching() {
  if (TvxCustomControlController* c = GetController()) c->CancelIncSearching();
}

TvxEditCellViewInfo* TvxCustomInplaceEditContainer::FocusedCellViewInfo() {
  TvxCustomControlController* c = GetController();
  return c ? c->GetFocusedCellViewInfo(this) : nullptr;
}

bool TvxCustomInplaceEditContainer::IsFocusedCellVisible() {
  TvxEditCellViewInfo* cell = FocusedCellViewInfo();
  return cell && !IsRectEmpty(&cell->ClipRect);
}
