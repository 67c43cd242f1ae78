// The controller's sort order, incremental filter, finding records by text, and the
// "DataController1" stream of all records.
#include "vxCustomDataInternal.h"

#include <algorithm>

#include "vxDataConsts.h"

using vxCustomDataInternal::RaiseOperationError;

// --- Sorting ---------------------------------------------------------------------------------

void TvxCustomDataController::ChangeItemSortingIndex(Integer AItemIndex, Integer ASortingIndex) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  if (GetItemSortingIndex(AItemIndex) == ASortingIndex) return;
  TUpdateScope update(this);
  TvxCustomDataControllerInfo* info = FDataControllerInfo.get();
  bool grouped = info->GroupingFieldList()->IndexOf(f) >= 0;
  if (grouped && GetItemSortOrder(AItemIndex) == soAscending && ASortingIndex == -1) {
    ChangeSorting(AItemIndex, soNone);
    return;
  }
  TvxDataSortOrder order = GetItemSortOrder(AItemIndex);
  if (GetItemSortingIndex(AItemIndex) < 0) ChangeSorting(AItemIndex, order);
  if (order == soNone) return;
  Integer count = info->SortingFieldList()->Count();
  info->ChangeSortIndex(f, std::clamp<Integer>(ASortingIndex, 0, count - 1));
}

void TvxCustomDataController::ClearSorting(bool AKeepGroupedItems) {
  TvxSortingFieldList* list = FDataControllerInfo->SortingFieldList();
  Integer before = list->Count();
  if (before == 0) return;
  TUpdateScope update(this);
  // The edit is posted before the order changes, so the edited record is placed by its
  // posted values.
  if (AKeepGroupedItems) {
    bool any = false;
    for (Integer i = 0; i < before && !any; ++i)
      any = FDataControllerInfo->GroupingFieldList()->IndexOf(list->Items(i).Field) < 0;
    if (!any) return;
  }
  PostEditingIfNeeded();
  FSortingChanged = true;
  FDataControllerInfo->ClearSorting(AKeepGroupedItems);
}

TvxDataSortOrder TvxCustomDataController::GetItemSortOrder(Integer AItemIndex) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  TvxSortingFieldList* list = FDataControllerInfo->SortingFieldList();
  Integer i = list->IndexOf(f);
  if (i >= 0) return list->Items(i).SortOrder;
  TvxSortingFieldList* groups = FDataControllerInfo->GroupingFieldList();
  i = groups->IndexOf(f);
  return i < 0 ? soNone : groups->Items(i).SortOrder;
}

Integer TvxCustomDataController::GetItemSortingIndex(Integer AItemIndex) {
  return FDataControllerInfo->SortingFieldList()->IndexOf(GetItemField(AItemIndex));
}

Integer TvxCustomDataController::GetSortingItemCount() const { return FDataControllerInfo->SortingFieldList()->Count(); }

Integer TvxCustomDataController::GetSortingItemIndex(Integer AIndex) const {
  return FDataControllerInfo->SortingFieldList()->Items(AIndex).Field->Index();
}

Integer TvxCustomDataController::SortingBySummaryDataItemIndex() const {
  return FSortingBySummaryDataItemField ? FSortingBySummaryDataItemField->Index() : -1;
}

void TvxCustomDataController::SetSortingBySummaryDataItemIndex(Integer Value) {
  if (SortingBySummaryDataItemIndex() == Value) return;
  FSortingBySummaryDataItemField = Value == -1 ? nullptr : GetItemField(Value);
  if (IsDestroying()) return;
  FSortingBySummaryChanged = true;
  Change({dccSorting});
}

void TvxCustomDataController::SortingBySummaryChanged() {
  if (IsDestroying()) return;
  FSortingBySummaryChanged = true;
  Change({dccSorting});
}

// --- Incremental filter and finding by text ------------------------------------------------

Integer TvxCustomDataController::SetIncrementalFilter(Integer AItemIndex, const String& AText) {
  FIncrementalFilterField = GetItemField(AItemIndex);
  FIncrementalFilterText = AText;
  Refresh();
  return FilteredRecordCount() > 0 ? FDataControllerInfo->GetInternalRecordIndex(0) : -1;
}

bool TvxCustomDataController::ChangeIncrementalFilterText(const String& AText) {
  if (!FIncrementalFilterField || AText == FIncrementalFilterText) return false;
  SetIncrementalFilter(FIncrementalFilterField->Index(), AText);
  return true;
}

void TvxCustomDataController::ResetIncrementalFilter() {
  bool wasActive = IsIncrementalFilter();
  FIncrementalFilterField = nullptr;
  FIncrementalFilterText.clear();
  if (wasActive && !IsDestroying()) Refresh();
}

bool TvxCustomDataController::MatchesIncrementalFilter(Integer ARecordIndex) {
  return MatchFieldDisplayText(ARecordIndex, FIncrementalFilterField, FIncrementalFilterText, true);
}

Integer TvxCustomDataController::FindRecordIndexByText(Integer AStartRecordIndex, Integer AItemIndex,
                                                       const String& AText, bool APartialCompare, bool ACircular,
                                                       bool AForward) {
  TvxCustomDataField* f = GetItemField(AItemIndex);
  TvxCustomDataControllerInfo* info = FDataControllerInfo.get();
  Integer count = info->FilteredRecordCount();
  if (AStartRecordIndex < 0 || AStartRecordIndex >= count) return -1;
  auto scan = [&](Integer AFrom, Integer ATo) -> Integer {
    Integer step = AForward ? 1 : -1;
    for (Integer p = AFrom; AForward ? p <= ATo : p >= ATo; p += step) {
      Integer r = info->GetInternalRecordIndex(p);
      if (MatchFieldDisplayText(r, f, AText, APartialCompare)) return r;
    }
    return -1;
  };
  Integer found = scan(AStartRecordIndex, AForward ? count - 1 : 0);
  if (found < 0 && ACircular && AStartRecordIndex != 0) {
    if (AForward) found = scan(0, AStartRecordIndex - 1);
    else if (AStartRecordIndex < count - 1) found = scan(count - 1, AStartRecordIndex + 1);
  }
  return found;
}

// --- The "DataController1" stream -----------------------------------------------------------

namespace {

const char StreamHeader[] = "DataController1";
// A class name the system code page cannot hold is written as UTF-8 behind this mark, so
// that it reads back whole; every other name keeps its 8-bit form.
const char Utf8Mark[] = "\xEF\xBB\xBF";

void WriteInt32(TStream* AStream, Integer AValue) { AStream->WriteBuffer(&AValue, 4); }

Integer ReadInt32(TStream* AStream) {
  Integer v = 0;
  if (AStream->Read(&v, 4) != 4) RaiseOperationError(vxSDataInvalidStreamFormat);
  return v;
}

void WriteString8(TStream* AStream, const std::string& S) {
  WriteInt32(AStream, static_cast<Integer>(S.size()));
  if (!S.empty()) AStream->WriteBuffer(S.data(), static_cast<Integer>(S.size()));
}

std::string ReadString8(TStream* AStream, Integer AMaxLength) {
  Integer n = ReadInt32(AStream);
  if (n < 0 || n > AMaxLength || n > AStream->Size() - AStream->Position())
    RaiseOperationError(vxSDataInvalidStreamFormat);
  std::string s(static_cast<size_t>(n), '\0');
  if (n > 0 && AStream->Read(s.data(), n) != n) RaiseOperationError(vxSDataInvalidStreamFormat);
  return s;
}

std::string ClassNameBytes(const String& AName) {
  AnsiString ansi = StringToAnsi(AName);
  if (AnsiToString(ansi) == AName) return ansi;
  return Utf8Mark + UTF8Encode(AName);
}

String ClassNameFromBytes(const std::string& ABytes) {
  if (ABytes.rfind(Utf8Mark, 0) == 0) return UTF8Decode(ABytes.substr(3));
  return AnsiToString(ABytes);
}

}  // namespace

// The stored value definitions in the order of their fields, each marked stream-stored
// exactly when its field is not internal (so a relation's detail field never travels).
static std::vector<TvxValueDef*> PrepareStreamedDefs(TvxCustomDataController* AController) {
  TvxValueDefs* defs = AController->DataStorage()->ValueDefs();
  bool provider = AController->IsProviderMode();
  std::vector<TvxValueDef*> result;
  for (Integer i = 0; i < defs->Count(); ++i) {
    TvxValueDef* d = defs->Items(i);
    auto* f = dynamic_cast<TvxCustomDataField*>(d->LinkObject());
    bool stored = !provider && !(f && f->IsInternal());
    d->SetStreamStored(stored);
    if (stored) result.push_back(d);
  }
  return result;
}

static TvxValueDefCompare FieldOrder() {
  return [](TvxValueDef* A, TvxValueDef* B) {
    auto* fa = dynamic_cast<TvxCustomDataField*>(A->LinkObject());
    auto* fb = dynamic_cast<TvxCustomDataField*>(B->LinkObject());
    return (fa ? fa->Index() : 0) - (fb ? fb->Index() : 0);
  };
}

void TvxCustomDataController::SaveToStream(TStream* AStream) {
  WriteString8(AStream, StreamHeader);
  std::vector<TvxValueDef*> stored = PrepareStreamedDefs(this);
  WriteInt32(AStream, static_cast<Integer>(stored.size()));
  FDataStorage->BeginStreaming(FieldOrder());
  TScopeExit end([this] { FDataStorage->EndStreaming(); });
  TvxValueDefs* defs = FDataStorage->ValueDefs();
  for (Integer i = 0; i < defs->Count(); ++i) {
    TvxValueDef* d = defs->Items(i);
    if (d->StreamStored()) WriteString8(AStream, ClassNameBytes(d->ValueTypeClass()->ClassName()));
  }
  Integer count = RecordCount();
  WriteInt32(AStream, count);
  for (Integer r = 0; r < count; ++r) FDataStorage->WriteData(r, AStream);
}

void TvxCustomDataController::LoadFromStream(TStream* AStream) {
  if (IsProviderMode()) RaiseOperationError(vxSDataProviderModeError);
  if (ReadString8(AStream, 64) != StreamHeader) RaiseOperationError(vxSDataInvalidStreamFormat);
  std::vector<TvxValueDef*> stored = PrepareStreamedDefs(this);
  if (ReadInt32(AStream) != static_cast<Integer>(stored.size())) RaiseOperationError(vxSDataInvalidStreamFormat);
  FDataStorage->BeginStreaming(FieldOrder());
  TScopeExit endStreaming([this] { FDataStorage->EndStreaming(); });
  TvxValueDefs* defs = FDataStorage->ValueDefs();
  for (Integer i = 0; i < defs->Count(); ++i) {
    TvxValueDef* d = defs->Items(i);
    if (!d->StreamStored()) continue;
    if (ClassNameFromBytes(ReadString8(AStream, 1024)) != d->ValueTypeClass()->ClassName())
      RaiseOperationError(vxSDataInvalidStreamFormat);
  }
  Integer count = ReadInt32(AStream);
  // Every record takes at least its marker and a byte: a larger count is a damaged
  // stream, refused before any record changes.
  if (count < 0 || count > AStream->Size() - AStream->Position()) RaiseOperationError(vxSDataInvalidStreamFormat);
  TUpdateScope update(this);
  ClearSelection();
  SetRecordCount(count);
  for (Integer r = 0; r < count; ++r) FDataStorage->ReadData(r, AStream);
  FDataControllerInfo->Refresh();
}
