#include "vxInplaceContainer.h"

#include <algorithm>

#include "vxControls.h"
#include "vxEditDataRegisteredRepositoryItems.h"

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
