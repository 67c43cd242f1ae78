#include "vxInplaceContainer.h"

#include <algorithm>

#include "Forms.h"
#include "vxControls.h"
#include "vxEditDataRegisteredRepositoryItems.h"

void vxAbstractError(const TObject* AObject, const char* AMethod) {
  String m = AObject ? AObject->ClassName() : String(L"?");
  m += L".";
  for (const char* c = AMethod; *c; ++c) m += static_cast<wchar_t>(*c);
  throw EvxAbstractError(L"Abstract method called: " + m);
}

bool vxInRange(Integer Value, Integer AMin, Integer AMax) { return Value >= AMin && Value <= AMax; }

bool vxRange(Integer& Value, Integer AMin, Integer AMax) {
  bool inside = vxInRange(Value, AMin, AMax);
  if (Value < AMin) Value = AMin;
  else if (Value > AMax) Value = AMax;
  return inside;
}

bool vxConfirmMessage(const String& AText, const String& ACaption) {
  return MessageBoxW(GetActiveWindow(), AText.c_str(), ACaption.c_str(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

TvxEditingControl* vxOptionsControl(TPersistent* AOptions) {
  return AOptions ? dynamic_cast<TvxEditingControl*>(AOptions->GetOwner()) : nullptr;
}

void TvxControlOptionsData::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxControlOptionsData*>(Source)) {
    SetCancelOnExit(src->CancelOnExit());
    SetEditing(src->Editing());
  } else {
    inherited::Assign(Source);
  }
}

void TvxControlOptionsData::SetEditing(bool Value) {
  if (FEditing == Value) return;
  FEditing = Value;
  if (!Value) EditingTurnedOff();
  Changed();
}

void TvxControlOptionsData::EditingTurnedOff() {
  if (TvxEditingControl* c = vxOptionsControl(this); c && c->Controller())
    c->Controller()->EditingController()->SetEditingItem(nullptr);
}

void TvxControlOptionsBehavior::SetGoToNextCellOnTab(bool Value) {
  if (FGoToNextCellOnTab == Value) return;
  FGoToNextCellOnTab = Value;
  if (TvxEditingControl* c = vxOptionsControl(this)) {
    TvxKeys keys = c->Keys();
    if (Value) keys.Include(kTab);
    else keys.Exclude(kTab);
    c->SetKeys(keys);
  }
  Changed();
}

void TvxControlOptionsBehavior::SetIncSearch(bool Value) {
  if (FIncSearch == Value) return;
  FIncSearch = Value;
  if (TvxEditingControl* c = vxOptionsControl(this); !Value && c && c->Controller())
    c->Controller()->CancelIncSearching();
}

void TvxControlOptionsBehavior::SetIncSearchItem(TObject* Value) {
  if (FIncSearchItem == Value) return;
  FIncSearchItem = Value;
  if (TvxEditingControl* c = vxOptionsControl(this); c && c->Controller()) c->Controller()->CancelIncSearching();
}

void TvxControlOptionsBehavior::Changed() {
  if (TvxEditingControl* c = vxOptionsControl(this); c && c->Controller()) c->Controller()->UpdateViewState();
}

void TvxControlOptionsBehavior::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxControlOptionsBehavior*>(Source)) {
    SetAlwaysShowEditor(src->AlwaysShowEditor());
    SetCellHints(src->CellHints());
    SetFocusCellOnCycle(src->FocusCellOnCycle());
    SetFocusFirstCellOnNewRecord(src->FocusFirstCellOnNewRecord());
    SetGoToNextCellOnEnter(src->GoToNextCellOnEnter());
    SetGoToNextCellOnTab(src->GoToNextCellOnTab());
    SetImmediateEditor(src->ImmediateEditor());
  } else {
    inherited::Assign(Source);
  }
}

namespace {
std::unique_ptr<TvxValueTypeClassRepository> GRepository;
}  // namespace

TvxValueTypeClassRepository* vxValueTypeClassRepository() { return GRepository.get(); }

void TvxValueTypeClassRepository::RegisterValueTypeClass(const String& ADescription, TvxValueTypeClass ATypeClass) {
  for (const auto& e : FItems)
    if (e.second == ATypeClass) return;
  FItems.emplace_back(ADescription, ATypeClass);
}

void TvxValueTypeClassRepository::UnRegisterValueTypeClass(TvxValueTypeClass ATypeClass) {
  std::erase_if(FItems, [&](const auto& e) { return e.second == ATypeClass; });
}

String TvxValueTypeClassRepository::FindByClassType(TvxValueTypeClass ATypeClass) const {
  for (const auto& e : FItems)
    if (e.second == ATypeClass) return e.first;
  return String();
}

TvxValueTypeClass TvxValueTypeClassRepository::FindByDescription(const String& ADescription) const {
  for (const auto& e : FItems)
    if (SameText(e.first, ADescription)) return e.second;
  return nullptr;
}

TvxCustomItemDataBinding::TvxCustomItemDataBinding(TPersistent* AOwner)
    : TvxOwnedPersistent(AOwner), FDefaultValuesProvider(std::make_unique<TvxContainerItemDefaultValuesProvider>(this)) {}

TvxCustomItemDataBinding::~TvxCustomItemDataBinding() = default;

TvxEditRepositoryItem* TvxCustomItemDataBinding::GetDefaultRepositoryItem() {
  return GetDataRegisteredRepositoryItems()->GetItem(GetValueTypeClass());
}

IvxEditDefaultValuesProvider* TvxCustomItemDataBinding::GetDefaultValuesProvider(TvxCustomEditProperties*) {
  return FDefaultValuesProvider.get();
}

void TvxItemDataBinding::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxItemDataBinding*>(Source)) {
    SetValueType(src->ValueType());
    SetValueTypeClass(src->GetValueTypeClass());
  } else {
    inherited::Assign(Source);
  }
}

void TvxCustomItemDataBinding::ValueTypeClassChanged() {
  auto* item = dynamic_cast<TvxCustomInplaceEditContainer*>(GetOwner());
  if (!item) return;
  if (TvxDataController* dc = item->DataController()) dc->ChangeValueTypeClass(item->ItemIndex(), GetValueTypeClass());
  item->RefreshProperties();
}

TvxValueTypeClass TvxItemDataBinding::GetValueTypeClass() {
  return FValueTypeClass ? FValueTypeClass : TvxStringValueType::Class();
}

String TvxItemDataBinding::ValueType() {
  TvxValueTypeClassRepository* r = vxValueTypeClassRepository();
  return r ? r->FindByClassType(GetValueTypeClass()) : String();
}

void TvxItemDataBinding::SetValueType(const String& Value) {
  TvxValueTypeClassRepository* r = vxValueTypeClassRepository();
  if (TvxValueTypeClass c = r ? r->FindByDescription(Value) : nullptr) SetValueTypeClass(c);
}

void TvxItemDataBinding::SetValueTypeClass(TvxValueTypeClass Value) {
  if (Value == GetValueTypeClass()) return;
  FValueTypeClass = Value;
  ValueTypeClassChanged();
}

void TvxItemDataBinding::DeclarePublished(TPublisher<TvxItemDataBinding>& P) {
  using C = TvxItemDataBinding;
  P.Property(L"ValueType", &C::ValueType, &C::SetValueType).Stored(&C::IsValueTypeStored);
}

TvxCustomCellNavigator::TvxCustomCellNavigator(TObject* AController)
    : FController(dynamic_cast<TvxCustomControlController*>(AController)) {}

bool TvxCustomCellNavigator::CanFocusItem(TObject* AItem) {
  auto* item = dynamic_cast<TvxCustomInplaceEditContainer*>(AItem);
  return item && item->CanFocus() && item->CanTabStop();
}

bool TvxCustomCellNavigator::FocusCellOnCycle() { return FController && FController->FocusCellOnCycleOption(); }

bool TvxCustomCellNavigator::HasFocusedItem() { return FController && FController->FocusedItem(); }

bool TvxCustomCellNavigator::StartEditing() {
  if (!FController || !FController->FocusedItem()) return false;
  FController->FocusedItem()->SetEditing(true);
  return FController->IsEditing();
}

void TvxCustomCellNavigator::ShowEdit(Char AKey) {
  if (FController) FController->EditingController()->ShowEdit(FController->FocusedItem(), AKey);
}

void TvxCustomCellNavigator::FindNextCell(bool AForward, bool ANextRow, Integer& ACellIndex, Integer& ARowIndex) {
  Integer step = AForward ? 1 : -1;
  // Each pass either finds a cell or moves to another row; a full cycle over every row
  // ends the search.
  for (Integer passes = 0; passes <= std::max(RowCount, 1); ++passes) {
    Integer start = ACellIndex;
    TObject* item;
    while ((item = GetCellContainer(ARowIndex, ACellIndex)) && !CanFocusItem(item)) ACellIndex += step;
    if (item) return;
    ACellIndex = start;
    Integer row = ARowIndex;
    if (FocusCellOnCycle() && !ANextRow) CalcNextRow(AForward, ARowIndex, ACellIndex);
    if (row == ARowIndex) return;
    if (GetCount(ARowIndex) == 0 && MayFocusedEmptyRow(ARowIndex)) return;
    ACellIndex = AForward ? 0 : GetCount(ARowIndex) - 1;
  }
}

void TvxCustomCellNavigator::FocusNextCell(bool AForward, bool ANextRow, TShiftState AShift) {
  Integer row, cell;
  Init(row, cell, RowCount);
  Integer newRow = row, newCell = cell;
  if (ANextRow)
    CalcNextRow(AForward, newRow, newCell);
  else
    newCell = AForward ? cell + 1 : cell - 1;
  Integer startRow = newRow;
  FindNextCell(AForward, ANextRow, newCell, newRow);
  bool valid = (newCell >= 0 && newCell < GetCount(newRow)) || (GetCount(newRow) == 0 && MayFocusedEmptyRow(startRow));
  if (!valid) {
    newRow = row;
    newCell = cell;
  }
  if (newRow != row || newCell != cell) SetFocusCell(newRow, newCell, AShift);
}

void TvxCustomCellNavigator::KeyDown(Word& Key, TShiftState Shift) {
  switch (Key) {
    case VK_TAB:
      FocusNextCell(!Shift.Contains(ssShift), DownOnTab, Shift);
      Key = 0;
      break;
    case VK_RETURN:
    case VK_F2:
      if (Shift.Empty() && StartEditing()) Key = 0;
      break;
    case VK_LEFT:
    case VK_RIGHT:
      FocusNextCell(Key == VK_RIGHT, false, Shift);
      Key = 0;
      break;
    case VK_UP:
    case VK_DOWN:
      FocusNextCell(Key == VK_DOWN, true, Shift);
      Key = 0;
      break;
    default:
      break;
  }
}

void TvxCustomCellNavigator::DoKeyPress(Char& Key) {
  if (EatKeyPress) {
    EatKeyPress = false;
    return;
  }
  KeyPress(Key);
}

void TvxCustomCellNavigator::KeyPress(Char& Key) {
  if (vxIsEditStartKey(Key) && HasFocusedItem()) {
    ShowEdit(Key);
    Key = 0;
  }
}

void TvxCustomViewInfoItem::CalculateBounds(const TRect& ABounds, const TRect& AVisibleBounds) {
  DisplayRect = ABounds;
  VisibleBounds = AVisibleBounds;
  if (!IntersectRect(&ClipRect, &DisplayRect, &VisibleBounds)) ClipRect = TRect{};
  ItemVisible = !IsRectEmpty(&ClipRect);
  FHasClipping = !EqualRect(&ClipRect, &DisplayRect);
}

void TvxCustomViewInfoItem::Offset(Integer DX, Integer DY) {
  if (DX == 0 && DY == 0) return;
  OffsetRect(&DisplayRect, DX, DY);
  CalculateBounds(DisplayRect, VisibleBounds);
  FVisibleInfoCalculated = false;
}

void TvxCustomViewInfoItem::Assign(TvxCustomViewInfoItem* Source) {
  DisplayRect = Source->DisplayRect;
  ClipRect = Source->ClipRect;
  ItemVisible = Source->ItemVisible;
  ItemViewParams = Source->ItemViewParams;
}

void TvxCustomViewInfoItem::CheckVisibleInfo() {
  if (!ItemVisible || FVisibleInfoCalculated) return;
  CalculateVisibleInfo();
  FVisibleInfoCalculated = true;
}

// --- Control options -------------------------------------------------------------------------

void TvxControlOptionsView::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxControlOptionsView*>(Source)) {
    SetCellAutoHeight(src->CellAutoHeight());
    SetCellEndEllipsis(src->CellEndEllipsis());
    SetCellTextMaxLineCount(src->CellTextMaxLineCount());
    SetScrollBars(src->ScrollBars());
    SetShowEditButtons(src->ShowEditButtons());
  } else {
    inherited::Assign(Source);
  }
}

TScrollStyle TvxControlOptionsView::ScrollBars() const {
  TvxEditingControl* c = vxOptionsControl(const_cast<TvxControlOptionsView*>(this));
  return c ? c->ScrollBars() : ssBoth;
}

void TvxControlOptionsView::SetScrollBars(TScrollStyle Value) {
  if (TvxEditingControl* c = vxOptionsControl(this)) c->SetScrollBars(Value);
}

void TvxControlOptionsView::Changed() {
  if (TvxEditingControl* c = vxOptionsControl(this)) c->LayoutChanged();
}

TvxCustomInplaceEditContainer* TvxCustomEditContainerItemOptions::Item() const {
  return dynamic_cast<TvxCustomInplaceEditContainer*>(FOwner);
}

void TvxCustomEditContainerItemOptions::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxCustomEditContainerItemOptions*>(Source)) {
    Customizing = src->Customizing;
    SetEditing(src->Editing());
    SetFiltering(src->Filtering());
    SetFocusing(src->Focusing());
    SetIncSearch(src->IncSearch());
    Moving = src->Moving;
    SetShowEditButtons(src->ShowEditButtons());
    Sorting = src->Sorting;
    TabStop = src->TabStop;
  } else {
    inherited::Assign(Source);
  }
}

void TvxCustomEditContainerItemOptions::SetEditing(bool Value) {
  if (FEditing == Value) return;
  FEditing = Value;
  if (!Value && Item()) Item()->SetEditing(false);
}

void TvxCustomEditContainerItemOptions::SetFiltering(bool Value) {
  if (FFiltering == Value) return;
  FFiltering = Value;
  Changed();
}

void TvxCustomEditContainerItemOptions::SetFocusing(bool Value) {
  if (FFocusing == Value) return;
  FFocusing = Value;
  if (!Value && Item()) Item()->SetFocused(false);
}

void TvxCustomEditContainerItemOptions::SetIncSearch(bool Value) {
  if (FIncSearch == Value) return;
  if (!Value && Item() && Item()->IsIncSearchItem()) Item()->CancelIncSearching();
  FIncSearch = Value;
}

void TvxCustomEditContainerItemOptions::SetShowEditButtons(TvxEditItemShowEditButtons Value) {
  if (FShowEditButtons == Value) return;
  FShowEditButtons = Value;
  Changed();
}

void TvxCustomEditContainerItemOptions::Changed() {
  if (Item()) Item()->Changed();
}

// --- Styles ------------------------------------------------------------------------------------

void TvxEditContainerStyles::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxEditContainerStyles*>(Source)) SetContent(src->Content());
  inherited::Assign(Source);
}

void TvxEditContainerStyles::StyleChanged(Integer AIndex) {
  inherited::StyleChanged(AIndex);
  if (TvxEditingControl* c = Control()) c->StylesChanged();
}

TvxCustomInplaceEditContainer* TvxEditContainerStyles::Container() const {
  return dynamic_cast<TvxCustomInplaceEditContainer*>(const_cast<TvxEditContainerStyles*>(this)->GetOwner());
}

TvxEditingControl* TvxEditContainerStyles::Control() const {
  TvxCustomInplaceEditContainer* item = Container();
  return item ? item->EditingControl() : nullptr;
}

TvxCustomControlStyles::TvxCustomControlStyles(TPersistent* AOwner)
    : TvxStyles(AOwner), FDefaultStyle(std::make_unique<TvxStyle>(nullptr)) {}

TvxCustomControlStyles::~TvxCustomControlStyles() = default;

void TvxCustomControlStyles::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxCustomControlStyles*>(Source)) {
    SetContent(src->Content());
    SetBackground(src->Background());
    SetInactive(src->Inactive());
    SetSelection(src->Selection());
  }
  inherited::Assign(Source);
  if (TvxEditingControl* c = Control()) c->StylesChanged();
}

TvxEditingControl* TvxCustomControlStyles::Control() const {
  return dynamic_cast<TvxEditingControl*>(const_cast<TvxCustomControlStyles*>(this)->GetOwner());
}

TvxCustomLookAndFeelPainterClass TvxCustomControlStyles::LookAndFeelPainter() const {
  TvxEditingControl* c = Control();
  return c ? c->LookAndFeelPainter() : TvxCustomLookAndFeelPainter::Instance();
}

void TvxCustomControlStyles::GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) {
  inherited::GetDefaultViewParams(AIndex, AData, AParams);
  TvxCustomLookAndFeelPainterClass p = LookAndFeelPainter();
  AParams.Bitmap = nullptr;
  if (TvxEditingControl* c = Control()) AParams.Font = c->Font();
  switch (AIndex) {
    case vxcsContent:
    case vxcsBackground:
      AParams.Color = p->DefaultContentColor();
      AParams.TextColor = p->DefaultContentTextColor();
      break;
    case vxcsInactive:
      AParams.Color = p->DefaultInactiveColor();
      AParams.TextColor = p->DefaultInactiveTextColor();
      break;
    case vxcsSelection:
      AParams.Color = p->DefaultSelectionColor();
      AParams.TextColor = p->DefaultSelectionTextColor();
      break;
    default:
      break;
  }
}

void TvxCustomControlStyles::StyleChanged(Integer AIndex) {
  inherited::StyleChanged(AIndex);
  if (TvxEditingControl* c = Control()) c->StylesChanged();
}

void TvxCustomControlStyles::GetBackgroundParams(TvxViewParams& AParams) {
  GetViewParams(vxcsBackground, nullptr, nullptr, AParams);
}

void TvxCustomControlStyles::GetSelectionParams(TvxViewParams& AParams) {
  TvxEditingControl* c = Control();
  bool focused = c && ((c->Controller() && c->Controller()->Focused()) || c->Focused());
  GetViewParams(focused ? vxcsSelection : vxcsInactive, nullptr, nullptr, AParams);
}

// --- Data controller -------------------------------------------------------------------------

TvxEditingControl* TvxControlDataController::EditingControl() const { return dynamic_cast<TvxEditingControl*>(Owner()); }

TObject* TvxControlDataController::GetItem(Integer Index) { return EditingControl()->Items(Index); }

Integer TvxControlDataController::GetItemID(TObject* AItem) {
  auto* item = dynamic_cast<TvxCustomInplaceEditContainer*>(AItem);
  return item ? item->ItemIndex() : -1;
}

void TvxControlDataController::UpdateItemIndexes() {
  if (TvxEditingControl* c = EditingControl()) c->ReindexItems();
  inherited::UpdateItemIndexes();
}

TvxDataEditValueSource TvxControlDataController::GetItemValueSource(Integer AItemIndex) {
  TvxCustomEditProperties* p = EditingControl()->Items(AItemIndex)->PropertiesValue();
  return p ? p->GetEditValueSource(true) : evsValue;
}

void TvxControlDataController::UpdateData() {
  if (TvxEditingControl* c = EditingControl()) c->UpdateData();
}

void TvxControlDataController::UpdateControl(TvxUpdateControlInfo* AInfo) {
  inherited::UpdateControl(AInfo);
  if (TvxEditingControl* c = EditingControl()) c->ApplyDataChange(AInfo);
}

TvxDataControllerEditState TvxControlDataController::EditState() {
  TvxDataControllerEditState r;
  TvxCustomDataProvider* p = Provider();
  if (p->IsInserting()) r.Include(dceInsert);
  else if (p->IsEditing()) r.Include(dceEdit);
  if (p->IsEditing() && p->IsChanging()) r.Include(dceChanging);
  if (p->IsEditing() && p->IsModified()) r.Include(dceModified);
  return r;
}

TvxDataControllerEditOperations TvxControlDataController::EditOperations() {
  TvxDataControllerEditOperations r;
  TvxCustomDataProvider* p = Provider();
  if (p->CanAppend()) r.Include(dceoAppend);
  if (p->CanDelete()) r.Include(dceoDelete);
  if (p->CanModify()) {
    r.Include(dceoEdit);
    r.Include(dceoShowEdit);
  }
  if (p->CanInsert()) r.Include(dceoInsert);
  return r;
}

bool TvxControlDataController::CanInitEditing(Integer) {
  Integer r = GetFocusedRecordIndex();
  if (r < 0 || r >= RecordCount()) return false;
  TvxCustomDataProvider* p = Provider();
  if (!p->CanInitEditing(r)) return false;
  // The editor is about to change the record: it is marked changing so that the next
  // post takes the editor's value first.
  if (p->IsEditing()) p->SetChanging();
  return true;
}

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
  struct TFinally {
    TvxCustomInplaceEditContainer* Item;
    TvxEditingControl* Control;
    ~TFinally() {
      Control->CancelUpdate();
      Item->RefreshProperties();
    }
  } fin{this, AControl};
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

// --- View info items -------------------------------------------------------------------------

void TvxCustomViewInfoItem::TakeCanvasColors(TvxCanvas* ACanvas) {
  ItemViewParams.Color = ACanvas->Brush()->Color();
  ItemViewParams.TextColor = ACanvas->Font()->Color();
}

void TvxCustomViewInfoItem::ApplyViewParams(TvxCanvas* ACanvas) { ACanvas->SetParams(ItemViewParams); }

void TvxCustomViewInfoItem::SetBoundsInClient(const TRect& ABounds) {
  TvxEditingControl* c = GetControl();
  CalculateBounds(ABounds, c && c->ViewInfo() ? c->ViewInfo()->ClientRect() : ABounds);
}

void TvxCustomViewInfoItem::DoDraw(TvxCanvas* ACanvas) {
  if (!Transparent) ACanvas->FillRect(ClipRect, ItemViewParams);
}

bool TvxCustomViewInfoItem::HasBackgroundBitmap() {
  return ItemViewParams.Bitmap && !ItemViewParams.Bitmap->Empty();
}

TvxCustomControlPainter* TvxCustomViewInfoItem::Painter() {
  TvxEditingControl* c = GetControl();
  return c && c->ViewInfo() ? c->ViewInfo()->Painter() : nullptr;
}

void TvxCustomViewInfoItem::Draw(TvxCanvas* ACanvas) {
  CheckVisibleInfo();
  TvxCanvas* prev = ControlCanvas;
  ControlCanvas = ACanvas;
  struct TRestore {
    TvxCustomViewInfoItem* Self;
    TvxCanvas* Prev;
    ~TRestore() { Self->ControlCanvas = Prev; }
  } restore{this, prev};
  DoDraw(ACanvas);
}

void TvxCustomViewInfoItem::Invalidate(bool ARecalculate) {
  if (ARecalculate) CalculateVisibleInfo();
  if (ItemVisible)
    if (TvxEditingControl* c = GetControl()) c->InvalidateArea(ClipRect, false);
}

bool TvxCustomViewInfoItem::DrawBackgroundBitmap(TvxCanvas* ACanvas, const TRect& R) {
  if (HasBackgroundBitmap() && !Transparent) {
    ACanvas->FillRect(R, ItemViewParams.Bitmap);
    return true;
  }
  return Transparent;
}

void TvxCustomViewInfoItem::ExcludeFromClipping(TvxCanvas* ACanvas) {
  if (ItemVisible) ACanvas->ExcludeClipRect(ClipRect);
}

void TvxCustomControlCells::BeforePaint() {
  for (TvxCustomViewInfoItem* i : FItems) i->CheckVisibleInfo();
}

bool TvxCustomControlCells::CalculateHitTest(TObject* AHitTest) {
  for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
    if ((*it)->GetHitTest(AHitTest)) return true;
  return false;
}

void TvxCustomControlCells::Clear() {
  std::vector<TvxCustomViewInfoItem*> items;
  items.swap(FItems);
  if (FOwnsObjects)
    for (TvxCustomViewInfoItem* i : items)
      if (!i->IsExternallyOwned()) delete i;
  items.shrink_to_fit();
}

void TvxCustomControlCells::ExcludeFromClipping(TvxCanvas* ACanvas) {
  for (TvxCustomViewInfoItem* i : FItems) i->ExcludeFromClipping(ACanvas);
}

void TvxCustomControlCells::Paint(TvxCanvas* ACanvas, const TvxCellsPaintHandler& AHandler) {
  for (TvxCustomViewInfoItem* i : FItems) {
    i->CheckVisibleInfo();
    if (!i->Visible() || !ACanvas->RectVisible(i->ClipRect)) continue;
    bool clip = i->HasClipping();
    if (clip) {
      ACanvas->SaveClipRegion();
      ACanvas->IntersectClipRect(i->ClipRect);
    }
    struct TRestore {
      TvxCanvas* C;
      bool On;
      ~TRestore() {
        if (On) C->RestoreClipRegion();
      }
    } restore{ACanvas, clip};
    i->ApplyViewParams(ACanvas);
    bool done = false;
    if (AHandler) AHandler(ACanvas, i, done);
    if (!done) {
      i->TakeCanvasColors(ACanvas);
      i->Draw(ACanvas);
    }
  }
}

// --- Edit cells --------------------------------------------------------------------------------

TvxEditCellViewInfo::~TvxEditCellViewInfo() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  TvxEditingControl* c = item ? item->EditingControl() : nullptr;
  if (c && c->Controller() && !item->ComponentState().Contains(csDestroying))
    c->Controller()->HitTestController()->CellRemoved(this);
}

void TvxEditCellViewInfo::GetHintOrigin(TPoint& P) {
  P = ViewInfo ? TPoint{ViewInfo->Left, ViewInfo->Top} : TPoint{DisplayRect.left, DisplayRect.top};
}

bool TvxEditCellViewInfo::CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor,
                                        TRect& AHintRect, bool AIsMultiLine, String& AText) {
  AShowBelowCursor = false;
  if (!ItemVisible || !ViewInfo) return false;
  TvxEditingControl* c = GetControl();
  TRect client = c ? c->ClientBounds() : TRect{};
  return ViewInfo->NeedShowHint(ACanvas, P, AHintRect, AIsMultiLine, AText, client);
}

void TvxEditCellViewInfo::UpdateHotTrackState(const TPoint& P) {
  if (!IsHotTrackable() || !ViewInfo || !ViewData) return;
  std::unique_ptr<TvxCustomEditViewInfo> prev(Properties->CreateViewInfo());
  prev->Assign(ViewInfo.get());
  vxLoadEditStyleFromCell(this);
  GetContentOffsets(ViewData->ContentOffset);
  TPoint offset;
  GetEditOffset(offset);
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  TPoint mp = P.x == -1 && P.y == -1 ? P : TPoint{P.x - offset.x, P.y - offset.y};
  ViewData->CalculateEx(item->GetControlCanvas(), CellContentRect, mp, vxmbNone, TShiftState(), ViewInfo.get(), false);
  TvxEditingControl* c = GetControl();
  if (!c || c->DragAndDropState() != ddsNone) return;
  if (ViewInfo->Repaint(c, prev.get())) {
    bool unbufferedInPlace = !c->BufferedPaint() && offset.x == 0 && offset.y == 0;
    if (!unbufferedInPlace) {
      TRect r = CellContentRect;
      OffsetRect(&r, offset.x, offset.y);
      c->InvalidateArea(r, false);
    }
  }
}

bool TvxEditCellViewInfo::AdjustHeight(Integer AOld, Integer ANew) {
  CellHeight = ANew;
  return AOld != ANew;
}

TvxEditButtonTransparency TvxEditCellViewInfo::GetButtonTransparency() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  switch (item->Options()->ShowEditButtons()) {
    case eisbAlways:
      return ebtNone;
    case eisbNever:
      return ebtHideInactive;
    default:
      break;
  }
  TvxEditingControl* c = GetControl();
  IvxEditingControlOptions* o = c ? c->GetOptions() : nullptr;
  switch (o ? o->GetOptionsView()->ShowEditButtons() : ecsbNever) {
    case ecsbAlways:
      return ebtNone;
    case ecsbFocused:
      return GetFocused() ? ebtNone : ebtHideInactive;
    default:
      return ebtHideInactive;
  }
}

void TvxEditCellViewInfo::GetDisplayValue(Variant& V) {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  Integer r = GetRecordIndex();
  if (item && vxInRange(r, 0, item->GetValueCount() - 1)) item->GetDisplayValue(Properties, r, V);
  else V = Null();
}

void TvxEditCellViewInfo::GetViewParams(TvxViewParams& AParams) {
  TvxEditingControl* c = GetControl();
  if (c && c->Styles()) c->Styles()->GetBackgroundParams(AParams);
}

bool TvxEditCellViewInfo::GetFocused() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  TvxCustomControlController* c = item ? item->GetController() : nullptr;
  return c && c->GetFocusedCellViewInfo(item) == this && c->FocusedRecordIndex() == GetRecordIndex();
}

Integer TvxEditCellViewInfo::GetMaxLineCount() {
  TvxEditingControl* c = GetControl();
  IvxEditingControlOptions* o = c ? c->GetOptions() : nullptr;
  return o ? o->GetOptionsView()->CellTextMaxLineCount() : 0;
}

TColor TvxEditCellViewInfo::GetSelectedTextColor() {
  return static_cast<TColor>(ColorToRGB(ItemViewParams.TextColor) ^ 0xFFFFFF);
}

TColor TvxEditCellViewInfo::GetSelectedBkColor() { return static_cast<TColor>(ColorToRGB(ItemViewParams.Color) ^ 0xFFFFFF); }

bool TvxEditCellViewInfo::IsAutoHeight() {
  TvxEditingControl* c = GetControl();
  IvxEditingControlOptions* o = c ? c->GetOptions() : nullptr;
  return o && o->GetOptionsView()->CellAutoHeight();
}

bool TvxEditCellViewInfo::IsEndEllipsis() {
  TvxEditingControl* c = GetControl();
  IvxEditingControlOptions* o = c ? c->GetOptions() : nullptr;
  return o && o->GetOptionsView()->CellEndEllipsis();
}

bool TvxEditCellViewInfo::IsHotTrackable() {
  TvxEditingControl* c = GetControl();
  if (!c || c->IsDesigning() || !Properties || !Properties->GetSupportedOperations().Contains(esoHotTrack))
    return false;
  TvxCustomEditStyle* s = c->EditStyle();
  return s && s->LookAndFeel()->Painter()->IsButtonHotTrack();
}

void TvxEditCellViewInfo::CalculateBounds(const TRect& ABounds, const TRect& AVisibleBounds) {
  inherited::CalculateBounds(ABounds, AVisibleBounds);
  CellContentRect = DisplayRect;
  TRect offsets;
  GetContentOffsets(offsets);
  auto reduce = [&](TRect& R) {
    R.left += offsets.left;
    R.top += offsets.top;
    R.right -= offsets.right;
    R.bottom -= offsets.bottom;
  };
  if (CellBorders.Empty()) {
    CellEditRect = ClipRect;
    reduce(CellEditRect);
    return;
  }
  if (CellBorders.Contains(bLeft)) ++CellContentRect.left;
  if (CellBorders.Contains(bTop)) ++CellContentRect.top;
  if (CellBorders.Contains(bRight)) --CellContentRect.right;
  if (CellBorders.Contains(bBottom)) --CellContentRect.bottom;
  if (!IntersectRect(&CellEditRect, &ClipRect, &CellContentRect)) CellEditRect = TRect{};
  else reduce(CellEditRect);
}

void TvxEditCellViewInfo::CalculateVisibleInfo() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  if (!item) return;
  item->InitEditViewInfo(this);
  item->CalculateEditViewInfo(CellValue, this, TPoint{-1, -1});
}

TvxEditingControl* TvxEditCellViewInfo::GetControl() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  return item ? item->EditingControl() : nullptr;
}

void TvxEditCellViewInfo::Assign(TvxCustomViewInfoItem* Source) {
  if (auto* src = dynamic_cast<TvxEditCellViewInfo*>(Source)) {
    CellEditRect = src->CellEditRect;
    CellContentRect = src->CellContentRect;
    CellBorders = src->CellBorders;
  }
  inherited::Assign(Source);
}

void TvxEditCellViewInfo::SetTransparent(bool Value) {
  CellTransparent = Value;
  if (ViewInfo) ViewInfo->Transparent = Value;
}

bool TvxEditCellViewInfo::Refresh(bool ARecalculate) {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  if (!item) return false;
  bool result = false;
  if (ARecalculate) {
    if (IsAutoHeight()) {
      item->InitEditViewInfo(this);
      result = AdjustHeight(CellHeight, item->GetEditHeight(this));
    }
    if (!result) CalculateVisibleInfo();
  } else if (ViewInfo) {
    GetViewParams(ItemViewParams);
    ViewInfo->TextColor = ItemViewParams.TextColor;
    ViewInfo->Font = ItemViewParams.Font;
    ViewInfo->SetBackgroundColor(ItemViewParams.Color);
    ViewInfo->Transparent = HasBackgroundBitmap();
  }
  if (!result) Invalidate(false);
  return result;
}

void vxLoadEditStyleFromCell(TvxEditCellViewInfo* ACell) {
  TvxEditingControl* c = ACell->GetControl();
  TvxCustomEditStyle* s = c ? c->EditStyle() : nullptr;
  if (!s) return;
  TFont* font = ACell->ItemViewParams.Font;
  if (!font) {
    TvxViewParams p;
    ACell->GetViewParams(p);
    font = p.Font;
  }
  s->BeginUpdate();
  if (font) s->SetFont(font);
  s->SetColor(ACell->ItemViewParams.Color);
  s->SetTextColor(ACell->ItemViewParams.TextColor);
  s->SetButtonTransparency(ACell->GetButtonTransparency());
  s->EndUpdate();
  if (ACell->ViewInfo) ACell->ViewInfo->Transparent = ACell->HasBackgroundBitmap();
}

// --- Control view info -------------------------------------------------------------------------

TvxCustomControlViewInfo::TvxCustomControlViewInfo(TObject* AOwner) : FControl(dynamic_cast<TvxEditingControl*>(AOwner)) {
  FEditCellViewInfoList.reserve(1024);
}

void TvxCustomControlViewInfo::AfterConstruction() {
  inherited::AfterConstruction();
  CreatePainter();
  FControl->BrushCache()->SetBrushColor(Brush, clWindow);
  FControl->BrushCache()->SetBrushColor(SelectionBrush, clHighlight);
}

TvxCustomControlViewInfo::~TvxCustomControlViewInfo() {
  if (FControl->Controller()) FControl->Controller()->Reset();
  FPainter.reset();
  FControl->BrushCache()->ReleaseBrush(Brush);
  FControl->BrushCache()->ReleaseBrush(SelectionBrush);
}

Integer TvxCustomControlViewInfo::GetDefaultEditHeight() { vxAbstractError(this, "GetDefaultEditHeight"); }

void TvxCustomControlViewInfo::CreatePainter() {
  FPainter = vxCreateOfClass<TvxCustomControlPainter>(FControl->GetPainterClass(), FControl);
}

void TvxCustomControlViewInfo::DoCalculate() {
  if (FControl->Controller()) FControl->Controller()->ClearHotTrack();
  for (TvxEditCellViewInfo* cell : FEditCellViewInfoList)
    if (cell->Visible()) cell->CalculateVisibleInfo();
}

void TvxCustomControlViewInfo::UpdateSelection() {
  FControl->Styles()->GetSelectionParams(SelectionParams);
  FControl->BrushCache()->SetBrushColor(SelectionBrush, SelectionParams.Color);
}

void TvxCustomControlViewInfo::Invalidate(bool ARecalculate) {
  if (ARecalculate) FControl->LayoutChanged();
  else FControl->InvalidateArea(FClientRect, false);
}

TvxCustomLookAndFeelPainterClass TvxCustomControlViewInfo::LookAndFeelPainter() { return FControl->LookAndFeelPainter(); }

void TvxCustomControlViewInfo::Calculate() {
  TvxBrushCache* cache = FControl->BrushCache();
  cache->BeginUpdate();
  struct TUnlock {
    TvxBrushCache* C;
    ~TUnlock() { C->EndUpdate(); }
  } unlock{cache};
  if (GetState(vxvisViewParamsChanged)) {
    SetState(vxvisViewParamsChanged, false);
    CalcDefaultEditHeight();
    FControl->Styles()->GetBackgroundParams(ViewParams);
    cache->SetBrushColor(Brush, ViewParams.Color);
    UpdateSelection();
    FControl->Invalidate();
  }
  FClientRect = FControl->ClientBounds();
  DoCalculate();
  SetState(vxvisCalculationNeeded, false);
}

void TvxCustomControlViewInfo::ValidateDirty() {
  if (GetState(vxvisCalculationNeeded)) Calculate();
}

// --- Painter ----------------------------------------------------------------------------------

TvxCustomControlPainter::TvxCustomControlPainter(TObject* AOwner)
    : FControl(dynamic_cast<TvxEditingControl*>(AOwner)), FCanvas(FControl->Canvas()) {}

TvxCustomControlPainter::~TvxCustomControlPainter() = default;

TvxCustomLookAndFeelPainterClass TvxCustomControlPainter::Painter() { return FControl->LookAndFeelPainter(); }

TvxCustomControlViewInfo* TvxCustomControlPainter::ViewInfo() { return FControl->ViewInfo(); }

void TvxCustomControlPainter::SaveCellViewParams(TvxEditCellViewInfo* ACell) {
  FSaveViewParams = ACell->ItemViewParams;
  FCanvas->SetParams(ACell->ItemViewParams);
  ACell->ItemViewParams.Font = FCanvas->Font();
  if (ACell->ViewInfo) ACell->ViewInfo->Font = FCanvas->Font();
}

void TvxCustomControlPainter::RestoreCellViewParams(TvxEditCellViewInfo* ACell) {
  ACell->ItemViewParams = FSaveViewParams;
  if (ACell->ViewInfo) {
    ACell->ViewInfo->Font = FSaveViewParams.Font;
    ACell->ViewInfo->TextColor = FSaveViewParams.TextColor;
    ACell->ViewInfo->SetBackgroundColor(FSaveViewParams.Color);
  }
}

bool TvxCustomControlPainter::DoCustomDraw(TvxCustomViewInfoItem* AItem) {
  bool done = false;
  if (FControl->OnCustomDrawCell) FControl->OnCustomDrawCell(FControl, FCanvas, AItem, done);
  return done;
}

void TvxCustomControlPainter::DrawEditCell(TvxEditCellViewInfo* ACell, bool AExcludeFromClip) {
  bool visible = ACell->Visible() && FCanvas->RectVisible(ACell->ClipRect);
  bool done = visible && DoCustomDraw(ACell);
  if (visible && !done && ACell->ViewInfo) ACell->ViewInfo->PaintEx(FCanvas);
  if (AExcludeFromClip) ACell->ExcludeFromClipping(FCanvas);
}

void TvxCustomControlPainter::DoPaint() {
  TvxCustomControlViewInfo* vi = ViewInfo();
  FCanvas->Brush()->Assign(vi->Brush);
  FCanvas->FillRect(vi->ClientRect(), vi->ViewParams.Color);
}

void TvxCustomControlPainter::SetBuffered(bool Value) {
  if (FBuffered == Value) return;
  FBuffered = Value;
  if (Value) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmapCanvas = std::make_unique<TvxCanvas>(FBitmap->Canvas());
  } else {
    FBitmapCanvas.reset();
    FBitmap.reset();
  }
  if (ViewInfo()) ViewInfo()->Invalidate(false);
}

void TvxCustomControlPainter::Paint() {
  TvxCustomControlViewInfo* vi = ViewInfo();
  TvxCanvas* control = FControl->Canvas();
  if (!control->RectVisible(vi->ClientRect())) return;
  TvxCanvas* prev = FCanvas;
  FCanvas = control;
  if (FBuffered) {
    if (FBitmap->Width() != FControl->Width() || FBitmap->Height() != FControl->Height())
      FBitmap->SetSize(FControl->Width(), FControl->Height());
    if (FControl->IsLayoutChanged()) {
      FBitmapCanvas->SetClipRegion(new TvxRegion(vi->ClientRect()), roSet);
      FControl->SetIsLayoutChanged(false);
    } else {
      FBitmapCanvas->SetClipRegion(control->GetClipRegion(), roSet);
    }
    FCanvas = FBitmapCanvas.get();
  }
  struct TFinish {
    TvxCustomControlPainter* P;
    TvxCanvas* Control;
    TvxCanvas* Prev;
    ~TFinish() {
      if (P->FBuffered) {
        TvxCanvas* bc = P->FBitmapCanvas.get();
        bc->SetClipRegion(new TvxRegion(0, 0, P->FBitmap->Width(), P->FBitmap->Height()), roSet);
        Control->Draw(0, 0, P->FBitmap.get());
      }
      P->FCanvas = Prev;
    }
  } finish{this, control, prev};
  DoPaint();
}

// --- Hit test --------------------------------------------------------------------------------

TvxCustomHitTestController::TvxCustomHitTestController(TObject* AOwner)
    : FController(dynamic_cast<TvxCustomControlController*>(AOwner)) {}

bool TvxCustomHitTestController::AcceptsDesignClick(Integer X, Integer Y, TShiftState Shift) {
  RecalculateByMouse(X, Y, Shift);
  return false;
}

bool TvxCustomHitTestController::AllowsCellHint(TObject*) {
  IvxEditingControlOptions* o = FController->Options();
  return o && o->GetOptionsBehavior()->CellHints();
}

void TvxCustomHitTestController::DoCalculate() {
  TObject* hit = nullptr;
  if (TvxCustomControlViewInfo* vi = FController->EditingControl()->ViewInfo())
    for (TvxEditCellViewInfo* cell : vi->EditCellViewInfoList())
      if (cell->Visible() && PtInRect(&cell->ClipRect, FHitPoint)) {
        hit = cell;
        break;
      }
  SetHitTestItem(hit);
}

void TvxCustomHitTestController::ReCalculate(const TPoint& APoint) {
  FHitState &= 1;
  if (FController->EditingControl()->IsLocked()) return;
  FHitPoint = APoint;
  FController->EditingControl()->ViewInfo()->ValidateDirty();
  DoCalculate();
}

void TvxCustomHitTestController::RecalculateByMouse(Integer X, Integer Y, TShiftState Shift) {
  FShift = Shift;
  FHitState |= 1;
  struct TReset {
    UInt64& S;
    ~TReset() { S &= ~UInt64(1); }
  } reset{FHitState};
  ReCalculate(TPoint{X, Y});
}

void TvxCustomHitTestController::CellRemoved(TObject* ACell) {
  if (FHitTestItem == ACell) {
    FHitTestItem = nullptr;
    FHitState = 0;
  }
  if (FController->HotTrackController()) FController->HotTrackController()->ElementRemoved(ACell);
}

void TvxCustomHitTestController::ClearItemByMouse() {
  FHitState |= 1;
  struct TReset {
    UInt64& S;
    ~TReset() { S &= ~UInt64(1); }
  } reset{FHitState};
  SetHitTestItem(nullptr);
}

void TvxCustomHitTestController::SetHitTestItem(TObject* Value) {
  TObject* prev = FHitTestItem;
  FHitTestItem = Value;
  if (FHitState & 1) {
    TvxHotTrackController* h = FController->HotTrackController();
    h->SetShowHint(AllowsCellHint(Value));
    h->SetHotElement(Value, FHitPoint);
  }
  if (prev != Value) HitTestItemChanged(prev);
}

// --- Editing controller ---------------------------------------------------------------------

TvxEditingController::TvxEditingController(TObject* AController)
    : FController(dynamic_cast<TvxCustomControlController*>(AController)),
      FEditList(std::make_unique<TvxInplaceEditList>(FController->EditingControl())) {}

TvxEditingController::~TvxEditingController() {
  StopEditShowingTimer();
  FEditList.reset();
}

TvxEditingControl* TvxEditingController::EditingControl() const { return FController->EditingControl(); }

bool TvxEditingController::IsDragging() {
  TvxEditingControl* c = EditingControl();
  return c->Dragging() || c->DragAndDropState() == ddsInProcess;
}

void TvxEditingController::ParkEdit() {
  if (IsEditing() && FEdit && (!FIsEditPlaced || FEditingItem->IsFocusedCellVisible())) {
    FEditUpdateNeeded = false;
    FEdit->SetLeft(30000);
  }
}

bool TvxEditingController::CanRemoveEditFocus() { return !IsEditing() || !FEdit || !FEdit->Focused() || FEditHiding; }

bool TvxEditingController::CanUpdateEditValue() {
  return IsEditing() && FEdit && !FEditHiding && !FInitiatingEditing;
}

void TvxEditingController::HookEditEvents() {
  FEdit->OnAfterKeyDown = [this](TObject* S, Word& K, TShiftState Sh) { EditAfterKeyDown(S, K, Sh); };
  FEdit->Properties()->OnChange = [this](TObject* S) { EditChanged(S); };
  FEdit->OnDblClick = [this](TObject* S) { EditDblClick(S); };
  FEdit->OnEditing = [this](TObject* S, bool& CanEdit) { EditEditing(S, CanEdit); };
  FEdit->OnExit = [this](TObject* S) { EditExit(S); };
  FEdit->OnFocusChanged = [this](TObject* S) { EditFocusChanged(S); };
  FEdit->OnKeyDown = [this](TObject* S, Word& K, TShiftState Sh) { EditKeyDown(S, K, Sh); };
  FEdit->OnKeyPress = [this](TObject* S, wchar_t& K) { EditKeyPress(S, K); };
  FEdit->OnKeyUp = [this](TObject* S, Word& K, TShiftState Sh) { EditKeyUp(S, K, Sh); };
  FEdit->OnPostEditValue = [this](TObject* S) { EditPostEditValue(S); };
  FEdit->Properties()->OnEditValueChanged = [this](TObject* S) { EditValueChanged(S); };
}

void TvxEditingController::UnhookEditEvents() {
  if (!FEdit) return;
  FEdit->OnAfterKeyDown = nullptr;
  FEdit->OnDblClick = nullptr;
  FEdit->OnEditing = nullptr;
  FEdit->OnExit = nullptr;
  FEdit->OnFocusChanged = nullptr;
  FEdit->OnKeyDown = nullptr;
  FEdit->OnKeyPress = nullptr;
  FEdit->OnKeyUp = nullptr;
  FEdit->OnPostEditValue = nullptr;
  FEdit->Properties()->OnChange = FPrevEditOnChange;
  FEdit->Properties()->OnEditValueChanged = FPrevEditOnEditValueChanged;
}

bool TvxEditingController::CanHideEditOnExit() {
  return !(FController->AlwaysShowEditorOption() && !EditingControl()->Focused());
}

bool TvxEditingController::NeedsHideOnRecordChange() {
  TvxEditingControl* c = EditingControl();
  bool plain = FController->AlwaysShowEditorOption() && (!FEditingItem || !FEditingItem->OnGetEditProperties) &&
               !c->OnEditing && !c->OnInitEdit;
  return !plain;
}

void TvxEditingController::SetEditingItem(TvxCustomInplaceEditContainer* Value) {
  if (Value == FEditingItem || FEditingItemSetting) return;
  FEditingItemSetting = true;
  struct TReset {
    bool& F;
    ~TReset() { F = false; }
  } reset{FEditingItemSetting};
  if (Value) {
    if (!Value->CanEdit()) return;
    if (!EditingControl()->DoEditing(Value)) return;
    Value->SetFocused(true);
  }
  HideEdit(false);
  FEditingItem = Value;
  if (!Value) return;
  try {
    ShowEdit(Value);
  } catch (...) {
    FEditingItem = nullptr;
    throw;
  }
  if (!FEditPreparing && !FEdit) FEditingItem = nullptr;
}

bool TvxEditingController::PrepareEdit(TvxCustomInplaceEditContainer* AItem, bool AIsMouseEvent) {
  FController->ClearPendingEditorCheck();
  if (FEditPreparing || FEditHiding || !AItem || IsDragging()) return false;
  TvxEditingControl* c = EditingControl();
  if (AItem != FEditingItem || FEditingItemSetting) {
    c->ViewInfo()->ValidateDirty();
    FEditPreparing = true;
    struct TReset {
      bool& F;
      ~TReset() { F = false; }
    } reset{FEditPreparing};
    if (c->HandleAllocated() && GetFocus() == c->Handle()) {
      FController->EnsureFocusedCellVisible();
      AItem->SetEditing(FController->GetFocusedCellViewInfo(AItem) != nullptr);
      c->ViewInfo()->ValidateDirty();
    }
    if (AItem != FEditingItem) return false;
    try {
      TvxEditCellViewInfo* cell = AItem->FocusedCellViewInfo();
      Integer record = cell ? cell->RecordIndex() : FController->FocusedRecordIndex();
      TvxCustomEditProperties* props = AItem->DoGetEditProperties(record);
      AItem->DoGetEditingProperties(record, props);
      if (!props) {
        // Nothing to edit with: the item gets no editor.
        FEditingItem = nullptr;
        return false;
      }
      AItem->SetEditValueSource(props->GetEditValueSource(true));
      bool useRepository = false;
      if (AItem->RepositoryItem() && AItem->Properties())
        useRepository = AItem->Properties()->UseRepositoryItemProperties(AItem->RepositoryItem(), props);
      FEdit = FEditList->GetEdit(props);
      if (useRepository) {
        // The editor shows the repository item's settings.
        FEdit->Properties()->Assign(AItem->RepositoryItem()->Properties());
      }
      FEdit->Hide();
      FEdit->SetParent(nullptr);
      FEdit->SetParent(c);
    } catch (...) {
      FEdit = nullptr;
      AItem->SetEditing(false);
      throw;
    }
    if (TvxEditCellViewInfo* cell = AItem->FocusedCellViewInfo()) cell->Invalidate(false);
    InitEdit();
    return true;
  }
  if (!FEdit) return false;
  if (c->HandleAllocated() && GetFocus() == c->Handle() && !FEdit->Focused()) return true;
  return AIsMouseEvent;
}

void TvxEditingController::InitEdit() {
  FPrevEditOnChange = FEdit->Properties()->OnChange;
  FPrevEditOnEditValueChanged = FEdit->Properties()->OnEditValueChanged;
  FEdit->Properties()->OnChange = nullptr;
  FEdit->Properties()->OnEditValueChanged = nullptr;
  UpdateEditPosition();
  UpdateEditValue();
  HookEditEvents();
  EditingControl()->DoInitEdit(FEditingItem, FEdit);
}

void TvxEditingController::UpdateEditPosition() {
  if (FEditingItem->FocusedCellViewInfo()) {
    if (FEditPreparing) PlaceEdit();
    else PostEditUpdate();
  }
  FIsEditPlaced = true;
}

void TvxEditingController::PlaceEdit() {
  FEditUpdateNeeded = false;
  if (!FEditingItem || !FEdit) return;
  FController->EnsureFocusedCellVisible();
  TvxEditCellViewInfo* cell = FController->GetFocusedCellViewInfo(FController->FocusedItem());
  TRect r{};
  if (cell) cell->GetEditRect(r);
  if (!cell || !cell->Visible() || IsRectEmpty(&r)) {
    FEdit->SetLeft(30000);
    return;
  }
  if (FEditPreparing) {
    cell->Refresh(false);
    vxLoadEditStyleFromCell(cell);
    FEdit->Style()->BeginUpdate();
    FEdit->Style()->SetColor(EditingControl()->EditStyle()->Color());
    if (TFont* f = EditingControl()->EditStyle()->Font()) FEdit->Style()->SetFont(f);
    FEdit->Style()->SetTextColor(EditingControl()->EditStyle()->TextColor());
    FEdit->Style()->EndUpdate();
  }
  FEdit->SetBoundsRect(r);
  FEdit->SetVisible(true);
}

void TvxEditingController::UpdateEditValue() {
  if (!CanUpdateEditValue()) return;
  FEdit->LockChangeEvents(true, true);
  struct TUnlock {
    TvxCustomEdit* E;
    ~TUnlock() { E->LockChangeEvents(false, true); }
  } unlock{FEdit};
  FEdit->SetEditValue(FEditingItem->EditValue());
  FEdit->SelectAll();
}

void TvxEditingController::UpdateValue() {
  if (!IsEditing() || !FEdit || !FEdit->EditModified()) return;
  FEdit->ValidateEdit(true);
  FEditingItem->SetEditValue(FEdit->EditValue());
  FEdit->SetModifiedAfterEnter(false);
}

void TvxEditingController::HideEdit(bool Accept) {
  FController->ClearPendingEditorCheck();
  FEditUpdateNeeded = false;
  StopEditShowingTimer();
  TvxEditingControl* c = EditingControl();
  if (FEditHiding || !IsEditing() || c->IsDestroying()) return;
  FEditHiding = true;
  struct TFinally {
    TvxEditingController* Self;
    ~TFinally() {
      Self->FEditHiding = false;
      TvxEditingControl* c = Self->EditingControl();
      if (c->ViewInfo() && c->ViewInfo()->GetState(vxvisCalculationNeeded)) c->LayoutChanged();
    }
  } fin{this};
  TvxCustomInplaceEditContainer* item = FEditingItem;
  if (Accept) {
    if (FEdit && !FEdit->Deactivate()) throw EAbort(L"");
    c->DataController()->PostEditingData();
    if (FController->ShouldPostRecordAfterEdit()) c->DataController()->Post();
    if (!FEditingItem) return;
    if (FEdit)
      if (TvxEditCellViewInfo* cell = item->FocusedCellViewInfo(); cell && cell->Properties)
        cell->Properties->Update(FEdit->Properties());
  }
  if (!c->IsDestroying()) c->DoEdited(item);
  FEditingItem = nullptr;
  FController->RefreshItemCell(item);
  ReleaseEdit();
  FIsErrorOnEditExit = false;
}

void TvxEditingController::ReleaseEdit() {
  if (!FEdit) return;
  UnhookEditEvents();
  FEdit->SetEditModified(false);
  bool saved = FController->FAllowCheckEdit;
  FController->FAllowCheckEdit = false;
  struct TRestore {
    bool& F;
    bool V;
    ~TRestore() { F = V; }
  } restore{FController->FAllowCheckEdit, saved};
  FController->RestoreControlFocus();
  FEdit->Hide();
  FEdit = nullptr;
}

void TvxEditingController::RemoveEdit(TvxCustomEditProperties* AProperties) {
  if (FEdit && FEditList->FindEdit(AProperties) == FEdit) SetEditingItem(nullptr);
  FEditList->RemoveItem(AProperties);
}

void TvxEditingController::ShowEdit(TvxCustomInplaceEditContainer* AItem) {
  if (!AItem) AItem = FController->FocusedItem();
  if (PrepareEdit(AItem, false)) FEdit->Activate(AItem->EditData());
}

void TvxEditingController::ShowEdit(TvxCustomInplaceEditContainer* AItem, Char Key) {
  if (!AItem) AItem = FController->FocusedItem();
  if (PrepareEdit(AItem, false)) FEdit->ActivateByKey(Key, AItem->EditData());
}

void TvxEditingController::ShowEdit(TvxCustomInplaceEditContainer* AItem, TShiftState Shift, Integer X, Integer Y) {
  if (!AItem) AItem = FController->FocusedItem();
  if (PrepareEdit(AItem, true)) FEdit->ActivateByMouse(Shift, X, Y, AItem->EditData());
}

void TvxEditingController::StartEditShowingTimer(TvxCustomInplaceEditContainer* AItem) {
  StopEditShowingTimer();
  FEditShowingTimerItem = AItem;
  FEditShowingTimer = std::make_unique<TvxTimer>(nullptr);
  FEditShowingTimer->SetInterval(GetDoubleClickTime());
  FEditShowingTimer->SetOnTimer([this](TObject* S) { EditShowingTimerHandler(S); });
}

void TvxEditingController::StopEditShowingTimer() {
  FEditShowingTimer.reset();
  FEditShowingTimerItem = nullptr;
}

void TvxEditingController::EditShowingTimerHandler(TObject*) {
  TvxCustomInplaceEditContainer* item = FEditShowingTimerItem;
  StopEditShowingTimer();
  if (item) item->SetEditing(true);
  FController->FEditingBeforeDrag = IsEditing();
}

void TvxEditingController::EditAfterKeyDown(TObject*, Word& Key, TShiftState Shift) {
  if (FController->IsKeyForController(Key, Shift)) FController->KeyDown(Key, Shift);
}

void TvxEditingController::EditChanged(TObject* Sender) {
  if (FPrevEditOnChange) FPrevEditOnChange(Sender);
  EditingControl()->DoEditChanged(FEditingItem);
}

void TvxEditingController::EditDblClick(TObject*) { EditingControl()->DblClick(); }

void TvxEditingController::EditEditing(TObject*, bool& CanEdit) {
  FInitiatingEditing = true;
  struct TReset {
    bool& F;
    ~TReset() { F = false; }
  } reset{FInitiatingEditing};
  CanEdit = FEditingItem && FEditingItem->CanInitEditing();
}

void TvxEditingController::EditExit(TObject*) {
  if (CanHideEditOnExit()) {
    try {
      HideEdit(!FController->CancelEditOnExit());
    } catch (...) {
      if (FEdit) {
        FEdit->SetFocus();
        FIsErrorOnEditExit = true;
      }
      throw;
    }
  }
  EditingControl()->FocusChanged();
}

void TvxEditingController::EditFocusChanged(TObject*) {
  TvxEditingControl* c = EditingControl();
  FController->SetFocused(c->Focused() || (IsEditing() && FEdit && FEdit->Focused()));
  if (c->ViewInfo()) c->ViewInfo()->UpdateSelection();
}

void TvxEditingController::EditEnter(TObject*) {
  if (!FController->Focused()) {
    FController->SetFocused(true);
    FController->ControlFocusChanged();
  }
}

void TvxEditingController::EditKeyDown(TObject*, Word& Key, TShiftState Shift) {
  TvxEditingControl* c = EditingControl();
  if (c->OnKeyDown) c->OnKeyDown(c, Key, Shift);
  if (Key == 0) return;
  FController->BeforeEditKeyDown(Key, Shift);
  if (!c->IsScrollingContent() && FController->IsKeyForController(Key, Shift)) FController->MakeFocusedItemVisible();
  switch (Key) {
    case VK_RETURN:
      HideEdit(true);
      if (FController->GoToNextCellOnEnterOption()) {
        FController->FBlockRecordKeyboardHandling = true;
        struct TReset {
          bool& F;
          ~TReset() { F = false; }
        } reset{FController->FBlockRecordKeyboardHandling};
        Word k = VK_RETURN;
        FController->KeyDown(k, Shift);
        ShowEdit(FController->FocusedItem());
      } else {
        FController->ApplyAlwaysShowEditor();
      }
      Key = 0;
      break;
    case VK_ESCAPE: {
      bool modified = FEdit && FEdit->EditModified();
      HideEdit(false);
      FController->ApplyAlwaysShowEditor();
      if (modified) Key = 0;
      break;
    }
    case VK_DELETE:
      if (Shift == TShiftState{ssCtrl} && FController->CanDeleteByKeyboard()) {
        FController->KeyDown(Key, Shift);
        Key = 0;
      }
      break;
    default:
      break;
  }
}

void TvxEditingController::EditKeyPress(TObject*, wchar_t& Key) {
  TvxEditingControl* c = EditingControl();
  if (c->OnKeyPress) c->OnKeyPress(c, Key);
  if (Key == 27) Key = 0;
  FController->MakeFocusedItemVisible();
}

void TvxEditingController::EditKeyUp(TObject*, Word& Key, TShiftState Shift) {
  TvxEditingControl* c = EditingControl();
  if (c->OnKeyUp) c->OnKeyUp(c, Key, Shift);
}

void TvxEditingController::EditPostEditValue(TObject*) { UpdateValue(); }

void TvxEditingController::EditValueChanged(TObject* Sender) {
  if (FPrevEditOnEditValueChanged) FPrevEditOnEditValueChanged(Sender);
  EditingControl()->DoEditValueChanged(FEditingItem);
}

// --- Hot tracking -----------------------------------------------------------------------------

TvxHotTrackController::TvxHotTrackController(TObject* AControl) : FControl(dynamic_cast<TvxEditingControl*>(AControl)) {
  HintTimer = std::make_unique<TvxTimer>(nullptr);
  HintCheckerTimer = std::make_unique<TvxTimer>(nullptr);
  HintCheckerTimer->SetEnabled(false);
  HintCheckerTimer->SetInterval(100);
  HintCheckerTimer->SetOnTimer([this](TObject* S) { CheckHintState(S); });
  ResetHintTimer();
}

TvxHotTrackController::~TvxHotTrackController() {
  HintTimer.reset();
  HintCheckerTimer.reset();
  delete HintWindow;
}

void TvxHotTrackController::ResetHintTimer() {
  HintTimer->SetEnabled(false);
  HintTimer->SetInterval(Application ? Application->HintPause() : 500);
  HintTimer->SetOnTimer([this](TObject* S) { ShowHint(S); });
}

void TvxHotTrackController::Clear() {
  PrevHitPoint = TPoint{-1, -1};
  PrevElement = nullptr;
}

void TvxHotTrackController::ElementRemoved(TObject* AElement) {
  bool known = false;
  if (AElement == PrevElement) {
    PrevElement = nullptr;
    known = true;
  }
  if (AElement == HintElement) {
    CancelHint();
    HintElement = nullptr;
    known = true;
  }
  if (known) SetHotElement(nullptr, TPoint{-1, -1});
}

void TvxHotTrackController::SetHotElement(TObject* AElement, const TPoint& APoint) {
  if (FControl->IsLocked()) {
    Clear();
    return;
  }
  struct TFinally {
    TvxHotTrackController* Self;
    TObject* Element;
    TPoint Point;
    ~TFinally() {
      Self->PrevHitPoint = Point;
      Self->PrevElement = Element;
      if (Element != Self->HintElement) Self->CancelHint();
      if (Self->CalculateHint()) Self->ShowHint(nullptr);
    }
  } fin{this, AElement, APoint};
  if (AElement != PrevElement) {
    HintElement = PrevElement;
    if (auto* t = dynamic_cast<IvxHotTrackTarget*>(PrevElement)) t->UpdateHotTrackState(TPoint{-1, -1});
    if (auto* t = dynamic_cast<IvxHotTrackTarget*>(AElement)) t->UpdateHotTrackState(APoint);
  } else if (APoint.x != PrevHitPoint.x || APoint.y != PrevHitPoint.y) {
    if (auto* t = dynamic_cast<IvxHotTrackTarget*>(AElement)) t->UpdateHotTrackState(APoint);
  }
}

bool TvxHotTrackController::CanShowHint() {
  if (!FShowHint) return false;
  TvxCustomControlController* c = FControl->Controller();
  if (!c || c->FLockShowHint) return false;
  if (TCustomForm* f = GetParentForm(FControl)) {
    if (!Application->Active()) return false;
    if (!f->Active() && f->FormStyle() != fsMDIForm) return false;
  }
  if (FControl->IsDesigning() || FControl->Dragging() || FControl->DragAndDropState() != ddsNone) return false;
  if (c->IsEditing() && PrevElement && PrevElement == c->GetEditingCellViewInfo()) return false;
  if (!FControl->HandleAllocated() || !IsWindowVisible(FControl->Handle())) return false;
  POINT p = vxGetMouseCursorPos();
  return WindowFromPoint(p) == FControl->Handle();
}

bool TvxHotTrackController::CalculateHint() {
  auto* target = dynamic_cast<IvxHotTrackTarget*>(PrevElement);
  if (!target || !CanShowHint()) return false;
  TvxScreenCanvas* canvas = vxGetScreenCanvas();
  bool belowCursor = false;
  Hint.clear();
  bool result = target->CalculateHint(canvas, PrevHitPoint, belowCursor, HintRect, HintIsMultiLine, Hint);
  FControl->DoGetCellHint(PrevElement, Hint, result);
  if (result) {
    TPoint origin;
    target->GetHintOrigin(origin);
    origin = FControl->ClientToScreen(POINT{origin.x, origin.y});
    if (belowCursor) origin.y += GetSystemMetrics(SM_CYCURSOR) / 2;
    if (Is<TvxEditCellViewInfo>(PrevElement)) {
      origin.x -= 1;
      origin.y -= 1;
    }
    if (!HintWindow) HintWindow = new THintWindow(Application);
    HintWindow->SetColor(Application ? Application->HintColor() : clInfoBk);
    HintFont = std::make_unique<TFont>();
    HintFont->Assign(canvas->Font());
    HintWindow->SetFont(HintFont.get());
    RECT r = HintWindow->CalcHintRect(Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN), Hint, nullptr);
    OffsetRect(&r, origin.x, origin.y);
    HintRect = r;
  }
  return result;
}

void TvxHotTrackController::ShowHint(TObject*) {
  if (HintVisible || HintElement == PrevElement) return;
  THintInfo info;
  RECT r = HintRect;
  if (vxInitHintInfo(info, HintWindow, FControl, PrevElement, r, Hint)) {
    BeforeShowHint();
    HintElement = PrevElement;
    HintVisible = true;
    Hint = info.HintStr;
    if (HintFont) HintWindow->SetFont(HintFont.get());
    HintWindow->ActivateHint(HintRect, Hint);
    HintTimer->SetInterval(info.HideTimeout > 0 ? info.HideTimeout : 1);
    HintTimer->SetOnTimer([this](TObject* S) { HideHint(S); });
    HintTimer->SetEnabled(info.HideTimeout > 0);
  }
  HintCheckerTimer->SetEnabled(true);
}

void TvxHotTrackController::HideHint(TObject*) {
  if (!HintVisible) return;
  BeforeHideHint();
  HintVisible = false;
  if (HintWindow && HintWindow->HandleAllocated()) ShowWindow(HintWindow->Handle(), SW_HIDE);
  HintCheckerTimer->SetEnabled(false);
  ResetHintTimer();
}

void TvxHotTrackController::CheckHintState(TObject*) {
  if (!CanShowHint()) HideHint();
}

// --- Control controller -------------------------------------------------------------------

TvxCustomControlController::TvxCustomControlController(TObject* AOwner)
    : FEditingControl(dynamic_cast<TvxEditingControl*>(AOwner)) {}

void TvxCustomControlController::AfterConstruction() {
  inherited::AfterConstruction();
  FEditingController = vxCreateOfClass<TvxEditingController>(FEditingControl->GetEditingControllerClass(), this);
  FHitTestController = vxCreateOfClass<TvxCustomHitTestController>(FEditingControl->GetHitTestControllerClass(), this);
  FHotTrackController = vxCreateOfClass<TvxHotTrackController>(FEditingControl->GetHotTrackControllerClass(),
                                                               FEditingControl);
  FNavigator = vxCreateOfClass<TvxCustomCellNavigator>(GetNavigatorClass(), this);
  if (!FEditingController || !FHitTestController || !FHotTrackController)
    throw EvxAbstractError(L"The editing control's controllers cannot be created");
}

TvxCustomControlController::~TvxCustomControlController() {
  FNavigator.reset();
  FEditingController.reset();
  FHotTrackController.reset();
  FHitTestController.reset();
}

TvxControlDataController* TvxCustomControlController::DataController() const { return FEditingControl->DataController(); }

IvxEditingControlOptions* TvxCustomControlController::Options() { return FEditingControl->GetOptions(); }

void TvxCustomControlController::HandleMouseEnter() { FHitTestController->ReCalculate(); }

void TvxCustomControlController::HandleMouseLeave() {
  CancelHint();
  FHitTestController->ClearItemByMouse();
}

void TvxCustomControlController::AfterPaint() { RunPendingEditorCheck(); }

void TvxCustomControlController::PrepareMouseDown(TMouseButton, TShiftState, Integer, Integer) {
  FEditingBeforeDrag = IsEditing();
}

void TvxCustomControlController::BeforePaint() {
  if (FEditingController->EditUpdateNeeded()) FEditingController->PlaceEdit();
}

void TvxCustomControlController::UpdateViewState() {
  if (TvxCustomControlViewInfo* vi = FEditingControl->ViewInfo()) vi->UpdateSelection();
}

void TvxCustomControlController::ApplyAlwaysShowEditor() {
  FCheckEditNeeded = false;
  if (FAllowCheckEdit && AlwaysShowEditorOption()) FEditingController->ShowEdit(nullptr);
}

void TvxCustomControlController::DoEditDblClick() { FEditingControl->DblClick(); }

void TvxCustomControlController::DoMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  Integer prevRecord = FocusedRecordIndex();
  TvxCustomInplaceEditContainer* prevItem = FFocusedItem;
  FIsDblClick = Shift.Contains(ssDouble);
  FWasFocusedBeforeClick = false;
  FEditingController->StopEditShowingTimer();
  TvxEditCellViewInfo* hotCell = nullptr;
  if (TvxEditCellViewInfo* cell = FHitTestController->EditCellViewInfo())
    if (cell->ViewInfo && cell->ViewInfo->IsHotTrack(TPoint{X, Y})) hotCell = cell;
  MouseDown(Button, Shift, X, Y);
  FHitTestController->RecalculateByMouse(X, Y, Shift);
  if (Button == mbMiddle) return;
  TvxEditCellViewInfo* cell = FHitTestController->EditCellViewInfo();
  if (!cell) return;
  SetFocusedRecordItem(cell->RecordIndex(), cell->EditContainer());
  FHitTestController->RecalculateByMouse(X, Y, Shift);
  cell = FHitTestController->EditCellViewInfo();
  if (!cell) return;
  bool onHotPart = hotCell && hotCell == cell;
  if (ImmediateEditorOption() || onHotPart) {
    if (Button == mbLeft) {
      if (onHotPart) FEditingController->ShowEdit(cell->EditContainer(), Shift, X, Y);
      else FEditingController->ShowEdit(cell->EditContainer(), TShiftState(), -1, -1);
    }
  } else {
    FWasFocusedBeforeClick = FocusedRecordIndex() == prevRecord && FFocusedItem == prevItem && FFocusedItem;
    if (!FWasFocusedBeforeClick && FFocusedItem) FFocusedItem->CancelIncSearching();
  }
}

void TvxCustomControlController::DoMouseMove(TShiftState Shift, Integer X, Integer Y) {
  MouseMove(Shift, X, Y);
  FHitTestController->RecalculateByMouse(X, Y, Shift);
}

void TvxCustomControlController::DoMouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  MouseUp(Button, Shift, X, Y);
  TvxEditCellViewInfo* cell = FHitTestController->EditCellViewInfo();
  if (FWasFocusedBeforeClick && !IsEditing() && !FIsDblClick && cell && Button == mbLeft)
    FEditingController->StartEditShowingTimer(cell->EditContainer());
  FHitTestController->RecalculateByMouse(X, Y, Shift);
  cell = FHitTestController->EditCellViewInfo();
  if (!IsEditing() && !FIsDblClick && cell && ImmediateEditorOption()) {
    FEditingController->StopEditShowingTimer();
    if (Button == mbLeft) FEditingController->ShowEdit(cell->EditContainer());
  }
}

TvxEditCellViewInfo* TvxCustomControlController::GetEditingCellViewInfo() {
  return FEditingController->EditingItem() ? GetFocusedCellViewInfo(FEditingController->EditingItem()) : nullptr;
}

TvxEditCellViewInfo* TvxCustomControlController::GetFocusedCellViewInfo(TvxCustomInplaceEditContainer*) {
  vxAbstractError(this, "GetFocusedCellViewInfo");
}

Integer TvxCustomControlController::GetFocusedRecordIndex() { return DataController()->GetFocusedRecordIndex(); }

void TvxCustomControlController::FocusedItemChanged(TvxCustomInplaceEditContainer* APrevItem) {
  if (FEditingControl->IsLoading() || FEditingControl->IsDestroying()) return;
  CancelIncSearching();
  MakeFocusedItemVisible();
  if (APrevItem != FFocusedItem && !FDisableCellsRefresh) {
    if (APrevItem)
      if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(APrevItem)) c->Refresh(false);
    if (FFocusedItem)
      if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(FFocusedItem)) c->Refresh(false);
  }
  if (FNavigator) FNavigator->Refresh();
}

void TvxCustomControlController::FocusedRecordChanged(Integer, Integer) {
  if (FEditingController->NeedsHideOnRecordChange()) FEditingController->HideEdit(true);
  ApplyAlwaysShowEditor();
  FEditingController->UpdateEditValue();
}

bool TvxCustomControlController::IsEditorFocused() {
  TvxCustomEdit* e = FEditingController->Edit();
  return e && e->Focused();
}

void TvxCustomControlController::CancelHint() {
  if (FHotTrackController) FHotTrackController->CancelHint();
}

Word TvxCustomControlController::IncSearchKeyDown(Word Key, TShiftState Shift) {
  TvxCustomInplaceEditContainer* item = IncSearchCandidate();
  if (!IsIncSearching() || !item) return Key;
  switch (Key) {
    case VK_BACK: {
      String t = GetIncSearchingText();
      if (!t.empty()) t.pop_back();
      IncSearchLocate(t);
      return 0;
    }
    case VK_ESCAPE:
      CancelIncSearching();
      return 0;
    case VK_UP:
    case VK_DOWN:
      if (Shift == TShiftState{ssCtrl}) {
        SearchLocateNext(item, Key == VK_DOWN);
        return 0;
      }
      return Key;
    default:
      return Key;
  }
}

bool TvxCustomControlController::IsKeyForController(Word Key, TShiftState) {
  switch (Key) {
    case VK_TAB:
      return GoToNextCellOnTabOption();
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
      return true;
    default:
      return false;
  }
}

void TvxCustomControlController::RefreshItemCell(TvxCustomInplaceEditContainer* AItem) {
  if (FDisableCellsRefresh || !AItem) return;
  if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(AItem))
    if (c->Refresh(true)) FEditingControl->LayoutChanged();
}

void TvxCustomControlController::RefreshAllCells() {
  bool changed = false;
  {
    ++FEditingControl->FLockUpdate;
    struct TUnlock {
      Integer& L;
      ~TUnlock() { --L; }
    } unlock{FEditingControl->FLockUpdate};
    for (Integer i = 0; i < FEditingControl->ItemCount() && !changed; ++i)
      if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(FEditingControl->Items(i))) changed = c->Refresh(true);
  }
  if (changed && !FEditingControl->IsLocked()) {
    FEditingControl->UpdateLockReleased();
    FEditingControl->LayoutChanged();
  }
}

void TvxCustomControlController::SetFocused(bool Value) { FFocused = Value; }

void TvxCustomControlController::SetFocusedItem(TvxCustomInplaceEditContainer* Value) {
  FEditingController->HideEdit(true);
  if (Value && !Value->CanFocus()) return;
  if (Value != FFocusedItem) {
    if (!FEditingController->EditingItemSetting()) FEditingController->HideEdit(true);
    TvxCustomInplaceEditContainer* prev = FFocusedItem;
    FFocusedItem = Value;
    FocusedItemChanged(prev);
  } else if (Value) {
    MakeFocusedItemVisible();
  }
  RequestEditorCheck();
}

void TvxCustomControlController::SetFocusedRecordIndex(Integer Value) {
  TvxControlDataController* dc = DataController();
  bool outside = Value < 0 || Value >= dc->RecordCount();
  if (outside || CanFocusRecord(Value)) {
    dc->ChangeFocusedRecordIndex(Value);
    if (FocusedRecordIndex() == Value && !outside) MakeFocusedRecordVisible();
  }
}

bool TvxCustomControlController::AlwaysShowEditorOption() {
  IvxEditingControlOptions* o = Options();
  return o && o->GetOptionsBehavior()->AlwaysShowEditor();
}

bool TvxCustomControlController::CancelEditOnExit() {
  IvxEditingControlOptions* o = Options();
  if (!o || !o->GetOptionsData()->CancelOnExit()) return false;
  TvxDataControllerEditState s = DataController()->EditState();
  return s.Contains(dceInsert) && !s.Contains(dceChanging) && !s.Contains(dceModified);
}

bool TvxCustomControlController::FocusCellOnCycleOption() {
  IvxEditingControlOptions* o = Options();
  return o && o->GetOptionsBehavior()->FocusCellOnCycle();
}

bool TvxCustomControlController::GoToNextCellOnEnterOption() {
  IvxEditingControlOptions* o = Options();
  return o && o->GetOptionsBehavior()->GoToNextCellOnEnter();
}

bool TvxCustomControlController::GoToNextCellOnTabOption() {
  IvxEditingControlOptions* o = Options();
  return o && o->GetOptionsBehavior()->GoToNextCellOnTab();
}

bool TvxCustomControlController::ImmediateEditorOption() {
  IvxEditingControlOptions* o = Options();
  if (!o) return false;
  TvxControlOptionsBehavior* b = o->GetOptionsBehavior();
  return (b->ImmediateEditor() || b->AlwaysShowEditor()) && FEditingControl->DragMode() == dmManual;
}

void TvxCustomControlController::DragOverControl() { FEditingController->HideEdit(true); }

void TvxCustomControlController::DragEnded(TObject*, Integer X, Integer Y) {
  FHitTestController->ReCalculate(TPoint{X, Y});
  if (FEditingBeforeDrag || AlwaysShowEditorOption()) FEditingController->ShowEdit(nullptr);
}

void TvxCustomControlController::ControlExit() {
  TvxControlDataController* dc = DataController();
  if (CancelEditOnExit()) {
    dc->Cancel();
  } else {
    dc->PostEditingData();
    if (ShouldPostRecordAfterEdit()) dc->Post();
  }
}

bool TvxCustomControlController::CanLeaveControl() {
  if (!FEditingControl->Focused() && !IsEditorFocused()) return true;
  if (!IsEditing()) return true;
  TvxCustomEdit* e = FEditingController->Edit();
  return !AlwaysShowEditorOption() && (!e || e->ValidateEdit(true));
}

void TvxCustomControlController::FocusChanged() {
  bool focused = FEditingControl->Focused() || IsEditorFocused();
  if (focused) {
    ApplyAlwaysShowEditor();
    TvxCustomEdit* e = FEditingController->Edit();
    if (IsEditing() && AlwaysShowEditorOption() && e && !e->Focused() && e->CanFocus()) {
      e->SetFocus();
    } else if (e && !e->Focused() && !AlwaysShowEditorOption()) {
      FEditingController->HideEdit(true);
    } else if (AlwaysShowEditorOption() && !IsEditing() && ImmediateEditorOption()) {
      FEditingController->ShowEdit(nullptr);
    }
  }
  if (focused != FFocused) {
    SetFocused(focused);
    ControlFocusChanged();
  }
}

void TvxCustomControlController::RestoreControlFocus() {
  if (!FEditingController->CanRemoveEditFocus()) return;
  if (FEditingControl->CanFocusEx() && (FEditingControl->Focused() || IsEditorFocused())) FEditingControl->SetFocus();
  RequestEditorCheck();
}

void TvxCustomControlController::CancelIncSearching() {
  TvxCustomInplaceEditContainer* item = IncSearchCandidate();
  DataController()->Search()->Cancel();
  if (item)
    if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(item)) c->Refresh(true);
}

TvxCustomInplaceEditContainer* TvxCustomControlController::GetIncSearchingItem() {
  if (!IsIncSearching()) return nullptr;
  Integer i = DataController()->Search()->ItemIndex();
  return vxInRange(i, 0, FEditingControl->ItemCount() - 1) ? FEditingControl->Items(i) : nullptr;
}

String TvxCustomControlController::GetIncSearchingText() { return DataController()->Search()->SearchText(); }

bool TvxCustomControlController::IsIncSearching() { return DataController()->Search()->Searching(); }

void TvxCustomControlController::SearchLocate(TvxCustomInplaceEditContainer* AItem, const String& AText) {
  DataController()->Search()->Locate(AItem->ItemIndex(), AText);
}

void TvxCustomControlController::SearchLocateNext(TvxCustomInplaceEditContainer*, bool AForward) {
  DataController()->Search()->LocateNext(AForward);
}

void TvxCustomControlController::RecordUpdated(Integer) { FEditingController->UpdateEditValue(); }

void TvxCustomControlController::ClearHotTrack() {
  if (!FHitTestController) return;
  FHitTestController->ClearHitItem();
  FHotTrackController->SetHotElement(nullptr, FHitTestController->HitPoint());
}

void TvxCustomControlController::Clear() {
  FHitTestController->ClearAll();
  FHotTrackController->Clear();
}

void TvxCustomControlController::Reset() {
  FEditingController->PostEditUpdate();
  FHitTestController->ClearAll();
  FHitTestController->ClearHitItem();
  FHotTrackController->Clear();
}

void TvxCustomControlController::ControlFocusChanged() {
  if (!Focused() && FEditingController->CanHideEditOnExit()) FEditingController->HideEdit(true);
  UpdateViewState();
}

TvxCustomInplaceEditContainer* TvxCustomControlController::IncSearchCandidate() {
  IvxEditingControlOptions* o = Options();
  if (o && o->GetOptionsBehavior()->IncSearch())
    if (auto* item = dynamic_cast<TvxCustomInplaceEditContainer*>(o->GetOptionsBehavior()->IncSearchItem()))
      return item;
  return FFocusedItem;
}

void TvxCustomControlController::IncSearchLocate(const String& AText) {
  TvxCustomInplaceEditContainer* item = IsIncSearching() ? GetIncSearchingItem() : IncSearchCandidate();
  if (AText == GetIncSearchingText() || !item) return;
  if (!AText.empty()) SearchLocate(item, AText);
  else CancelIncSearching();
  if (TvxCustomInplaceEditContainer* c = IncSearchCandidate())
    if (TvxEditCellViewInfo* cell = GetFocusedCellViewInfo(c)) cell->Invalidate(true);
}

void TvxCustomControlController::KeyDown(Word& Key, TShiftState Shift) {
  if (!FBlockRecordKeyboardHandling) {
    if (IsIncSearching()) Key = IncSearchKeyDown(Key, Shift);
    if (FNavigator) FNavigator->KeyDown(Key, Shift);
  }
  bool plainOrShift = Shift.Empty() || Shift == TShiftState{ssShift};
  switch (Key) {
    case VK_TAB:
      if (GoToNextCellOnTabOption() && plainOrShift && FNavigator) {
        FNavigator->FocusNextCell(!Shift.Contains(ssShift), FNavigator->DownOnTab, Shift);
        Key = 0;
      }
      break;
    case VK_RETURN:
      if (GoToNextCellOnEnterOption() && plainOrShift && FNavigator)
        FNavigator->FocusNextCell(!Shift.Contains(ssShift), FNavigator->DownOnEnter, Shift);
      break;
    case VK_ESCAPE:
      DataController()->Cancel();
      break;
    case VK_PRIOR:
    case VK_NEXT:
      PageScroll(Key == VK_NEXT, Shift);
      break;
    default:
      break;
  }
}

void TvxCustomControlController::KeyPress(wchar_t& Key) {
  if (FEatKeyPress) {
    FEatKeyPress = false;
    return;
  }
  TvxCustomInplaceEditContainer* item = IncSearchCandidate();
  if (vxIsIncSearchStartKey(Key) && item && item->CanIncSearch()) {
    TvxDataControllerEditState s = DataController()->EditState();
    if (!s.Contains(dceInsert) && !s.Contains(dceEdit)) {
      if (Key != VK_BACK) IncSearchLocate(GetIncSearchingText() + Key);
      Key = 0;
    }
  }
  if (FNavigator) FNavigator->DoKeyPress(Key);
}

void TvxCustomControlController::WndProc(TMessage& Message) {
  if (Message.Msg == WM_IME_STARTCOMPOSITION) FEditingController->ShowEdit(nullptr);
}

void TvxCustomControlController::BeginDragAndDrop() { FEditingController->HideEdit(true); }

void TvxCustomControlController::EndDragAndDrop(bool) {
  if (FEditingControl->DragAndDropState() == ddsNone) ApplyAlwaysShowEditor();
}

void TvxCustomControlController::SetFocusedRecordItem(Integer ARecordIndex, TvxCustomInplaceEditContainer* AItem) {
  FEditingController->HideEdit(true);
  FAllowCheckEdit = false;
  struct TFinally {
    TvxCustomControlController* C;
    ~TFinally() {
      C->FAllowCheckEdit = true;
      C->ApplyAlwaysShowEditor();
      C->FDisableCellsRefresh = false;
    }
  } fin{this};
  FDisableCellsRefresh = FocusedRecordIndex() == ARecordIndex;
  SetFocusedRecordIndex(ARecordIndex);
  FDisableCellsRefresh = FDisableCellsRefresh && AItem == FFocusedItem;
  SetFocusedItem(AItem);
}

void TvxCustomControlController::MakeFocusedItemVisible() { vxAbstractError(this, "MakeFocusedItemVisible"); }

void TvxCustomControlController::MakeFocusedRecordVisible() { vxAbstractError(this, "MakeFocusedRecordVisible"); }

void TvxCustomControlController::ScheduleImmediateEditor() {
  IvxEditingControlOptions* o = Options();
  if (!o || IsEditing()) return;
  TvxControlOptionsBehavior* b = o->GetOptionsBehavior();
  if ((b->ImmediateEditor() || b->AlwaysShowEditor()) && FEditingControl->DragAndDropState() == ddsNone &&
      FHitTestController->IsItemEditCell())
    RequestEditorCheck();
}

// --- Editing control ------------------------------------------------------------------------

const TMessageMap* TvxEditingControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_CANCELMODE, MessageHandler<&TvxEditingControl::WMCancelMode>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxEditingControl::TvxEditingControl(TComponent* AOwner) : TvxControl(AOwner) {}

void TvxEditingControl::AfterConstruction() {
  inherited::AfterConstruction();
  CreateCollaborators();
  FCollaboratorsCreated = true;
  TvxKeys keys{kArrows, kChars};
  if (IvxEditingControlOptions* o = GetOptions(); o && o->GetOptionsBehavior()->GoToNextCellOnTab()) keys.Include(kTab);
  SetKeys(keys);
  SetBorderStyle(vxcbsDefault);
  SetDragCursor(0);
}

void TvxEditingControl::BeforeDestruction() {
  SetComponentStateItem(csDestroying, true);
  inherited::BeforeDestruction();
}

TvxEditingControl::~TvxEditingControl() {
  SetComponentStateItem(csDestroying, true);
  vxEndMouseTracking(this);
  // The items outlive the control when they are owned elsewhere: they forget it first.
  std::vector<TvxCustomInplaceEditContainer*> items = FContainerList;
  for (TvxCustomInplaceEditContainer* i : items) i->FEditingControl = nullptr;
  FContainerList.clear();
  if (FCollaboratorsCreated) DestroyCollaborators();
}

IvxEditingControlOptions* TvxEditingControl::GetOptions() { vxAbstractError(this, "GetOptions"); }

void TvxEditingControl::CreateCollaborators() {
  FStyles = vxCreateOfClass<TvxCustomControlStyles>(GetControlStylesClass(), this);
  FBrushCache = std::make_unique<TvxBrushCache>();
  FEditStyle.reset(static_cast<TvxCustomEditStyle*>(GetEditStyleClass()->Create(nullptr, true, nullptr, csNormal)));
  FEditStyle->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
  FController = vxCreateOfClass<TvxCustomControlController>(GetControllerClass(), this);
  FDataController = vxCreateOfClass<TvxControlDataController>(GetDataControllerClass(), this);
  RecreateViewInfo();
}

void TvxEditingControl::DestroyCollaborators() {
  FViewInfo.reset();
  FController.reset();
  FBrushCache.reset();
  FEditStyle.reset();
  FDataController.reset();
  FStyles.reset();
}

void TvxEditingControl::RecreateViewInfo() {
  if (FController) {
    FController->EditingController()->SetEditingItem(nullptr);
    FController->Clear();
  }
  FViewInfo.reset();
  FViewInfo = vxCreateOfClass<TvxCustomControlViewInfo>(GetViewInfoClass(), this);
}

void TvxEditingControl::EnterUpdate() {
  ++FLockUpdate;
  if (FDataController) FDataController->BeginUpdate();
}

void TvxEditingControl::LeaveUpdate() {
  if (FDataController) FDataController->EndUpdate();
  --FLockUpdate;
  if (FLockUpdate == 0) UpdateLockReleased();
  LayoutChanged();
}

void TvxEditingControl::CancelUpdate() {
  if (FDataController) FDataController->EndUpdate();
  --FLockUpdate;
}

bool TvxEditingControl::IsLocked() {
  return FLockUpdate != 0 || IsLoading() || IsDestroying() || !HandleAllocated();
}

void TvxEditingControl::LayoutChanged() {
  if (FViewInfo) FViewInfo->SetState(vxvisCalculationNeeded, true);
  if (IsLocked() || !FViewInfo) return;
  ++FChangesCount;
  FController->Reset();
  struct TOuter {
    TvxEditingControl* C;
    ~TOuter() {
      if (--C->FChangesCount != 0) return;
      C->FController->HitTestController()->ReCalculate();
      C->FController->EditingController()->PostEditUpdate();
      C->FIsLayoutChanged = true;
      C->LayoutCompleted();
      C->Invalidate();
    }
  } outer{this};
  BeginUpdate();
  struct TInner {
    TvxEditingControl* C;
    ~TInner() {
      C->FViewInfo->SetState(vxvisCalculationNeeded, false);
      C->CancelUpdate();
      C->UpdateScrollBars();
    }
  } inner{this};
  DoLayoutChanged();
}

void TvxEditingControl::DoLayoutChanged() { FViewInfo->Calculate(); }

void TvxEditingControl::StylesChanged() {
  if (FViewInfo) FViewInfo->SetState(vxvisViewParamsChanged, true);
  LayoutChanged();
}

void TvxEditingControl::ApplyDataChange(TvxUpdateControlInfo* AInfo) {
  if (Is<TvxDataChangedInfo>(AInfo)) {
    DataChanged();
  } else if (Is<TvxLayoutChangedInfo>(AInfo)) {
    DataLayoutChanged();
  } else if (auto* f = dynamic_cast<TvxFocusedRecordChangedInfo*>(AInfo)) {
    FController->FocusedRecordChanged(f->FocusedRecordIndex, f->PrevFocusedRecordIndex);
    if (FController->Navigator()) FController->Navigator()->Refresh();
  } else if (Is<TvxSelectionChangedInfo>(AInfo)) {
    SelectionChanged(AInfo);
  } else if (auto* u = dynamic_cast<TvxUpdateRecordInfo*>(AInfo)) {
    FController->RecordUpdated(u->RecordIndex);
  }
}

void TvxEditingControl::DataChanged() {
  {
    ++FLockUpdate;
    struct TUnlock {
      Integer& L;
      ~TUnlock() { --L; }
    } unlock{FLockUpdate};
    for (TvxCustomInplaceEditContainer* i : FContainerList) i->DataChanged();
  }
  if (!IsLocked()) FController->RefreshAllCells();
}

void TvxEditingControl::DataLayoutChanged() {
  FController->EditingController()->UpdateEditValue();
  FController->RefreshAllCells();
}

void TvxEditingControl::DoEditChanged(TvxCustomInplaceEditContainer* AItem) {
  if (OnEditChanged) OnEditChanged(this, AItem);
}

void TvxEditingControl::DoEdited(TvxCustomInplaceEditContainer* AItem) {
  if (OnEdited) OnEdited(this, AItem);
}

bool TvxEditingControl::DoEditing(TvxCustomInplaceEditContainer* AItem) {
  bool allow = true;
  if (OnEditing) OnEditing(this, AItem, allow);
  return allow;
}

void TvxEditingControl::DoEditValueChanged(TvxCustomInplaceEditContainer* AItem) {
  if (OnEditValueChanged) OnEditValueChanged(this, AItem);
}

void TvxEditingControl::DoInitEdit(TvxCustomInplaceEditContainer* AItem, TvxCustomEdit* AEdit) {
  if (OnInitEdit) OnInitEdit(this, AItem, AEdit);
}

void TvxEditingControl::AddItem(TvxCustomInplaceEditContainer* AItem) {
  struct TFinally {
    TvxEditingControl* C;
    ~TFinally() { C->LayoutChanged(); }
  } fin{this};
  FContainerList.push_back(AItem);
  ReindexItems();
  FDataController->AddItem(AItem);
}

void TvxEditingControl::RemoveItem(TvxCustomInplaceEditContainer* AItem) {
  struct TFinally {
    TvxEditingControl* C;
    ~TFinally() { C->LayoutChanged(); }
  } fin{this};
  if (FController && FController->FocusedItem() == AItem) FController->SetFocusedItem(nullptr);
  if (FController && FController->EditingController()->EditingItem() == AItem)
    FController->EditingController()->SetEditingItem(nullptr);
  std::erase(FContainerList, AItem);
  FDataController->RemoveItem(AItem);
  ReindexItems();
}

void TvxEditingControl::ReindexItems() {
  for (size_t i = 0; i < FContainerList.size(); ++i) FContainerList[i]->FItemIndex = static_cast<Integer>(i);
}

void TvxEditingControl::UpdateData() { FController->EditingController()->UpdateValue(); }

bool TvxEditingControl::IsDragDropTextEnabled() {
  IvxEditingControlOptions* o = GetOptions();
  return o && o->GetOptionsBehavior()->DragDropText();
}

bool TvxEditingControl::BufferedPaint() const { return FViewInfo && FViewInfo->Painter()->Buffered(); }

void TvxEditingControl::SetBufferedPaint(bool Value) {
  if (FViewInfo) FViewInfo->Painter()->SetBuffered(Value);
}

void TvxEditingControl::BeginDragAndDrop() {
  FController->BeginDragAndDrop();
  inherited::BeginDragAndDrop();
}

bool TvxEditingControl::ExecuteAction(TBasicAction* Action) { return FDataController->ExecuteAction(Action); }

bool TvxEditingControl::UpdateAction(TBasicAction* Action) { return FDataController->UpdateAction(Action); }

void TvxEditingControl::LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  if (!FController) return inherited::LookAndFeelChanged(Sender, AChangedValues);
  TvxEditingController* ec = FController->EditingController();
  bool wasEditing = ec->IsEditing();
  if (wasEditing) ec->HideEdit(true);
  inherited::LookAndFeelChanged(Sender, AChangedValues);
  BeginUpdate();
  struct TFinally {
    TvxEditingControl* C;
    bool Reopen;
    ~TFinally() {
      C->StylesChanged();
      C->EndUpdate();
      if (Reopen) C->FController->EditingController()->ShowEdit(nullptr);
    }
  } fin{this, wasEditing};
  for (TvxCustomInplaceEditContainer* i : FContainerList) i->RefreshProperties();
}

// Platform handlers.

void TvxEditingControl::WndProc(TMessage& Message) {
  if (FController) FController->WndProc(Message);
  inherited::WndProc(Message);
}

void TvxEditingControl::WMCancelMode(TWMNoParams& Message) {
  if (FController) FController->FDragCancel = true;
  struct TReset {
    TvxEditingControl* C;
    ~TReset() {
      if (C->FController) C->FController->FDragCancel = false;
    }
  } reset{this};
  InheritedMessage(Message.M);
}

void TvxEditingControl::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_VREDRAW | CS_HREDRAW);
}

void TvxEditingControl::Loaded() {
  inherited::Loaded();
  FDataController->Loaded();
  LayoutChanged();
  EnsureDesignSelection();
}

void TvxEditingControl::AlignControls(TControl* AControl, RECT& Rect) {
  // The in-place editor places itself over its cell.
  if (Is<TvxCustomEdit>(AControl)) return;
  inherited::AlignControls(AControl, Rect);
}

void TvxEditingControl::Paint() {
  FController->BeforePaint();
  struct TAfter {
    TvxCustomControlController* C;
    ~TAfter() { C->AfterPaint(); }
  } after{FController.get()};
  inherited::Paint();
  FViewInfo->ValidateDirty();
  FViewInfo->Painter()->Paint();
}

void TvxEditingControl::KeyDown(Word& Key, TShiftState Shift) {
  FController->FDragCancel = Key == VK_ESCAPE;
  struct TReset {
    bool& F;
    ~TReset() { F = false; }
  } reset{FController->FDragCancel};
  inherited::KeyDown(Key, Shift);
  if (Key != 0) FController->KeyDown(Key, Shift);
}

void TvxEditingControl::KeyPress(wchar_t& Key) {
  inherited::KeyPress(Key);
  if (Key != 0) FController->KeyPress(Key);
}

void TvxEditingControl::KeyUp(Word& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  FController->KeyUp(Key, Shift);
}

void TvxEditingControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FController->CancelHint();
  FController->FLockShowHint = true;
  FController->PrepareMouseDown(Button, Shift, X, Y);
  inherited::MouseDown(Button, Shift, X, Y);
  FController->HitTestController()->RecalculateByMouse(X, Y, Shift);
  if (!FController->EditingController()->IsErrorOnEditExit()) FController->DoMouseDown(Button, Shift, X, Y);
}

void TvxEditingControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  FController->HitTestController()->RecalculateByMouse(X, Y, Shift);
  if (DragAndDropState() == ddsNone) FController->DoMouseMove(Shift, X, Y);
}

void TvxEditingControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FController->FLockShowHint = false;
  FController->HitTestController()->RecalculateByMouse(X, Y, Shift);
  if (DragAndDropState() != ddsNone) {
    inherited::MouseUp(Button, Shift, X, Y);
    FController->DoMouseUp(Button, Shift, X, Y);
  } else {
    FController->DoMouseUp(Button, Shift, X, Y);
    inherited::MouseUp(Button, Shift, X, Y);
  }
  FController->ScheduleImmediateEditor();
}

void TvxEditingControl::DblClick() {
  FController->DblClick();
  inherited::DblClick();
}

void TvxEditingControl::DoExit() {
  FController->ControlExit();
  inherited::DoExit();
}

void TvxEditingControl::FocusChanged() {
  inherited::FocusChanged();
  if (!IsDestroying() && FController) FController->FocusChanged();
}

void TvxEditingControl::MouseEnter(TControl* AControl) {
  inherited::MouseEnter(AControl);
  vxBeginMouseTracking(this, ClientBounds(), this);
  if (FController) FController->HandleMouseEnter();
}

void TvxEditingControl::MouseLeave(TControl* AControl) {
  vxEndMouseTracking(this);
  if (FController) FController->HandleMouseLeave();
  inherited::MouseLeave(AControl);
}

void TvxEditingControl::CancelMouseState() {
  inherited::CancelMouseState();
  if (FController) FController->HandleCancelMouseState();
}

void TvxEditingControl::BoundsChanged() {
  LayoutChanged();
  inherited::BoundsChanged();
}

void TvxEditingControl::FontChanged() {
  inherited::FontChanged();
  StylesChanged();
}

void TvxEditingControl::InitScrollBars() {
  inherited::InitScrollBars();
  LayoutChanged();
}

TCursor TvxEditingControl::GetCursorAt(Integer X, Integer Y) {
  TCursor c = FController ? FController->GetCursor(X, Y) : crDefault;
  return c == crDefault ? inherited::GetCursorAt(X, Y) : c;
}

bool TvxEditingControl::IsFocused() {
  return inherited::IsFocused() || (FController && FController->IsEditorFocused());
}

bool TvxEditingControl::MayFocus() { return inherited::MayFocus() && (!FController || FController->CanLeaveControl()); }

void TvxEditingControl::BeforeMouseDown(TMouseButton Button, Integer X, Integer Y) {
  FDragPos = TPoint{X, Y};
  inherited::BeforeMouseDown(Button, X, Y);
}

void TvxEditingControl::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {
  FController->EditingController()->PostEditUpdate();
  FController->Scroll(AScrollBarKind, AScrollCode, AScrollPos);
}

void TvxEditingControl::InitScrollBarsParameters() {}

bool TvxEditingControl::CanDrag(Integer X, Integer Y) { return FController && FController->CanDrag(X, Y); }

void TvxEditingControl::DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  inherited::DragOver(Source, X, Y, State, Accept);
  FController->DragOverControl();
}

void TvxEditingControl::DoEndDrag(TObject* Target, Integer X, Integer Y) {
  FController->DragEnded(Target, X, Y);
  inherited::DoEndDrag(Target, X, Y);
  FController->FLockShowHint = false;
  FController->ScheduleImmediateEditor();
  FDragPos = TPoint{0, 0};
}

TvxExtEditingControl::~TvxExtEditingControl() {
  // The base destructor frees the collaborators; the options go with this part.
  std::vector<TvxCustomInplaceEditContainer*> items = FContainerList;
  for (TvxCustomInplaceEditContainer* i : items) i->FEditingControl = nullptr;
  FContainerList.clear();
  if (FCollaboratorsCreated) DestroyCollaborators();
  FCollaboratorsCreated = false;
}

void TvxExtEditingControl::CreateCollaborators() {
  FOptionsBehavior = vxCreateOfClass<TvxControlOptionsBehavior>(GetOptionsBehaviorClass(), this);
  FOptionsData = vxCreateOfClass<TvxControlOptionsData>(GetOptionsDataClass(), this);
  FOptionsView = vxCreateOfClass<TvxControlOptionsView>(GetOptionsViewClass(), this);
  inherited::CreateCollaborators();
}

void TvxExtEditingControl::DestroyCollaborators() {
  inherited::DestroyCollaborators();
  FOptionsBehavior.reset();
  FOptionsData.reset();
  FOptionsView.reset();
}

namespace {

void InitUnit() {
  GRepository = std::make_unique<TvxValueTypeClassRepository>();
  GRepository->RegisterValueTypeClass(L"Boolean", TvxBooleanValueType::Class());
  GRepository->RegisterValueTypeClass(L"String", TvxStringValueType::Class());
  GRepository->RegisterValueTypeClass(L"Integer", TvxIntegerValueType::Class());
  GRepository->RegisterValueTypeClass(L"Currency", TvxCurrencyValueType::Class());
  GRepository->RegisterValueTypeClass(L"Float", TvxFloatValueType::Class());
  GRepository->RegisterValueTypeClass(L"DateTime", TvxDateTimeValueType::Class());
  GRepository->RegisterValueTypeClass(L"Variant", TvxVariantValueType::Class());
}

void FinUnit() { GRepository.reset(); }

}  // namespace

const TUnitInfo vxInplaceContainerUnit = {L"vxInplaceContainer", InitUnit, FinUnit};
