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

namespace {

void InitInplaceContainer() {
  GRepository = std::make_unique<TvxValueTypeClassRepository>();
  GRepository->RegisterValueTypeClass(L"Boolean", TvxBooleanValueType::Class());
  GRepository->RegisterValueTypeClass(L"String", TvxStringValueType::Class());
  GRepository->RegisterValueTypeClass(L"Integer", TvxIntegerValueType::Class());
  GRepository->RegisterValueTypeClass(L"Currency", TvxCurrencyValueType::Class());
  GRepository->RegisterValueTypeClass(L"Float", TvxFloatValueType::Class());
  GRepository->RegisterValueTypeClass(L"DateTime", TvxDateTimeValueType::Class());
  GRepository->RegisterValueTypeClass(L"Variant", TvxVariantValueType::Class());
}

void FinInplaceContainer() {
  vxResetMouseHookForDragControl();
  GRepository.reset();
}

}  // namespace

const TUnitInfo vxInplaceContainerUnit = {L"vxInplaceContainer", InitInplaceContainer, FinInplaceContainer};
