#include "vxCustomDataInternal.h"

#include <algorithm>
#include <cstring>
#include <set>

using vxCustomDataInternal::RaiseOperationError;

// --- Focusing info --------------------------------------------------------------------------

void TvxDataFocusingInfo::Assign(const TvxDataFocusingInfo& ASource) {
  Level = ASource.Level;
  PrevRecordIndex = ASource.PrevRecordIndex;
  RecordIndex = ASource.RecordIndex;
  RowIndex = ASource.RowIndex;
  ChangedFlag = false;
  PrevNewItemRowFocused = false;
}

void TvxDataFocusingInfo::Reset() {
  Level = -1;
  RecordIndex = -1;
  RowIndex = -1;
}

bool TvxDataFocusingInfo::IsEqual(const TvxDataFocusingInfo& AOther) const {
  bool equal = RecordIndex == AOther.RecordIndex && Level == AOther.Level;
  if (equal && FDataControllerInfo->Changes().Contains(dcicSorting)) equal = RowIndex == AOther.RowIndex;
  return equal;
}

void TvxDataFocusingInfo::Reload() {
  Level = -1;
  RecordIndex = FDataControllerInfo->DataController()->GetFocusingRecordIndex();
}

void TvxDataFocusingInfo::UpdateFromRow() {
  PrevRecordIndex = RecordIndex;
  if (RowIndex < 0 || RowIndex >= FDataControllerInfo->GetRowCount()) {
    Level = -1;
    RecordIndex = -1;
  } else {
    TvxRowInfo r = FDataControllerInfo->GetRowInfo(RowIndex);
    Level = r.Level;
    RecordIndex = r.RecordIndex;
  }
}

// --- Row info ---------------------------------------------------------------------------

TvxCustomDataControllerInfo::TvxCustomDataControllerInfo(TvxCustomDataController* ADataController)
    : FDataController(ADataController) {
  FSortingFieldList = std::make_unique<TvxSortingFieldList>();
  FSortingFieldList->OnChanged = [this](TObject*) { SortingChanged(); };
  FGroupingFieldList = std::make_unique<TvxGroupingFieldList>();
  FGroupingFieldList->OnChanged = [this](TObject*) { GroupingChanged(); };
  FDataGroups = std::make_unique<TvxDataGroups>();
  FFocusingInfo = std::make_unique<TvxDataFocusingInfo>(this);
  FPrevFocusingInfo = std::make_unique<TvxDataFocusingInfo>(this);
  FSelection = std::make_unique<TvxDataSelection>(ADataController);
  FSelection->OnChanged = [this](TObject*) { SelectionChanged(); };
}

void TvxCustomDataControllerInfo::SetSelection(std::unique_ptr<TvxDataSelection> ASelection) {
  FSelection->OnChanged = nullptr;
  FSelection = std::move(ASelection);
  FSelection->OnChanged = [this](TObject*) { SelectionChanged(); };
}

TvxCustomDataControllerInfo::~TvxCustomDataControllerInfo() {
  FSelection->OnChanged = nullptr;
  FSortingFieldList->OnChanged = nullptr;
  FGroupingFieldList->OnChanged = nullptr;
}

void TvxCustomDataControllerInfo::EndUpdate() {
  --FLockCount;
  CheckChanges();
}

void TvxCustomDataControllerInfo::CheckChanges() {
  if (!FChanges.Empty() && FLockCount == 0 && !FInfoCalculation) RecalculateRows();
}

void TvxCustomDataControllerInfo::CheckRowIndex(Integer ARowIndex) const {
  if (ARowIndex < 0 || ARowIndex >= GetRowCount()) RaiseOperationError(vxSDataRowIndexError);
}

Integer TvxCustomDataControllerInfo::GetRowCount() const {
  return HasGroups() ? FDataGroups->RowCount() : static_cast<Integer>(FRecordList.size());
}

void TvxCustomDataControllerInfo::Refresh() {
  AddChanges({dcicLoad, dcicSummary});
  if (FSortingFieldList->Count() > 0) AddChanges({dcicSorting});
  if (FGroupingFieldList->Count() > 0) AddChanges({dcicGrouping});
  CheckChanges();
}

void TvxCustomDataControllerInfo::RefreshFocused() {
  AddChanges({dcicResetFocusedRow});
  FFocusingInfo->Reload();
  CheckChanges();
}

void TvxCustomDataControllerInfo::RefreshSummary(bool ARedrawOnly) {
  AddChanges({ARedrawOnly ? dcicView : dcicSummary});
  // Group rows that follow their summaries are ordered again.
  if (IsGroupsSortedBySummary()) AddChanges({dcicSummary, dcicGrouping});
  CheckChanges();
}

bool TvxCustomDataControllerInfo::IsGroupsSortedBySummary() const {
  TvxDataSummary* summary = FDataController->Summary();
  if (!summary || summary->Options().Contains(vxCustomData::soSelectedRecords) ||
      summary->Options().Contains(vxCustomData::soMultipleSelectedRecords))
    return false;
  for (Integer level = 0; level < FGroupingFieldList->Count(); ++level) {
    TvxDataSummaryItems* items = FDataController->Summary()->DefaultGroupSummaryItems();
    TvxCustomDataField* f = FGroupingFieldList->Items(level).Field;
    if (TvxDataSummaryGroup* g = summary->SummaryGroups()->FindByItemLink(f ? f->Item() : nullptr))
      items = g->SummaryItems();
    if (items->SortedSummaryItem()) return true;
  }
  return false;
}

// --- Group rows ordered by their summaries ------------------------------------------------

TvxDataGroupSummarySorter::TvxDataGroupSummarySorter(TObject* ADataControllerInfo)
    : FDataControllerInfo(static_cast<TvxCustomDataControllerInfo*>(ADataControllerInfo)) {}

Integer TvxDataGroupSummarySorter::CompareGroups(TvxDataGroupInfo* AGroup1, TvxDataGroupInfo* AGroup2,
                                                 Integer ASummaryIndex) {
  auto valueOf = [ASummaryIndex](TvxDataGroupInfo* G) {
    return TvxDataSummary::IsSummaryValueIndexInRange(G->SummaryValues, ASummaryIndex)
               ? VarArrayGet(G->SummaryValues, {ASummaryIndex})
               : Null();
  };
  return VariantCompare(valueOf(AGroup1), valueOf(AGroup2));
}

void TvxDataGroupSummarySorter::Sort() {
  TvxCustomDataControllerInfo* info = FDataControllerInfo;
  TvxDataGroups* groups = info->DataGroups();
  const Integer n = groups->Count(), levels = groups->LevelCount();
  if (n == 0) return;
  // The sorted item of each level and the level's direction.
  std::vector<Integer> summaryIndex(static_cast<size_t>(levels), -1);
  std::vector<bool> descending(static_cast<size_t>(levels), false);
  bool any = false;
  for (Integer level = 0; level < levels; ++level) {
    TvxDataSummaryItems* items = info->FDataController->Summary()->GetGroupSummaryItems(level);
    if (TvxDataSummaryItem* item = items->SortedSummaryItem()) {
      summaryIndex[static_cast<size_t>(level)] = item->Index();
      any = true;
    }
    if (level < info->FGroupingFieldList->Count())
      descending[static_cast<size_t>(level)] = info->FGroupingFieldList->Items(level).SortOrder == soDescending;
  }
  if (!any) return;
  // The children of every group (the last slot holds the first level), in list order.
  std::vector<std::vector<Integer>> children(static_cast<size_t>(n) + 1);
  std::vector<Integer> parentAt(static_cast<size_t>(levels), n);
  for (Integer i = 0; i < n; ++i) {
    const Integer level = groups->GetItem(i)->Level;
    children[static_cast<size_t>(level == 0 ? n : parentAt[static_cast<size_t>(level - 1)])].push_back(i);
    parentAt[static_cast<size_t>(level)] = i;
  }
  for (auto& list : children) {
    if (list.size() < 2) continue;
    const Integer level = groups->GetItem(list.front())->Level;
    const Integer index = summaryIndex[static_cast<size_t>(level)];
    if (index < 0) continue;
    const bool desc = descending[static_cast<size_t>(level)];
    std::stable_sort(list.begin(), list.end(), [&](Integer A, Integer B) {
      const Integer c = CompareGroups(groups->GetItem(A), groups->GetItem(B), index);
      return desc ? c > 0 : c < 0;
    });
  }
  // Depth first again: the new group order, the record list following the last level, and
  // the ranges of every group.
  std::vector<Integer> order;
  order.reserve(static_cast<size_t>(n));
  std::vector<Integer> records;
  records.reserve(info->FRecordList.size());
  std::vector<Integer> stack(children[static_cast<size_t>(n)].rbegin(), children[static_cast<size_t>(n)].rend());
  std::vector<TvxDataGroupInfo*> open;  // groups above the last level whose range is still growing
  while (!stack.empty()) {
    const Integer i = stack.back();
    stack.pop_back();
    TvxDataGroupInfo* g = groups->GetItem(i);
    const Integer position = static_cast<Integer>(order.size());
    while (!open.empty() && open.back()->Level >= g->Level) {
      open.back()->EndRecordListIndex = position - 1;
      open.pop_back();
    }
    order.push_back(i);
    if (g->Level == levels - 1) {
      const Integer begin = static_cast<Integer>(records.size());
      for (Integer p = g->BeginRecordListIndex; p <= g->EndRecordListIndex; ++p)
        records.push_back(info->FRecordList.at(static_cast<size_t>(p)));
      g->BeginRecordListIndex = begin;
      g->EndRecordListIndex = static_cast<Integer>(records.size()) - 1;
    } else {
      g->BeginRecordListIndex = position + 1;
      open.push_back(g);
    }
    const auto& kids = children[static_cast<size_t>(i)];
    stack.insert(stack.end(), kids.rbegin(), kids.rend());
  }
  for (TvxDataGroupInfo* g : open) g->EndRecordListIndex = n - 1;
  // Records outside every group (none while grouped) keep their places at the end.
  for (size_t p = records.size(); p < info->FRecordList.size(); ++p) records.push_back(info->FRecordList[p]);
  groups->Permute(order);
  info->FRecordList = std::move(records);
  groups->Rebuild();
}

void TvxCustomDataControllerInfo::RefreshView() {
  AddChanges({dcicView});
  if (!FInfoCalculation) CheckChanges();
}

void TvxCustomDataControllerInfo::ExpandingChanged() {
  AddChanges({dcicExpanding});
  FExpandingFlag = true;
}

void TvxCustomDataControllerInfo::FocusedRecordChanged(bool AChangedFlag) {
  AddChanges({dcicFocusedRecord});
  if (AChangedFlag) FPrevFocusingInfo->ChangedFlag = true;
}

void TvxCustomDataControllerInfo::SelectionChanged() { AddChanges({dcicSelection}); }

void TvxCustomDataControllerInfo::SortingChanged() { AddChanges({dcicSorting}); }

void TvxCustomDataControllerInfo::GroupingChanged() { AddChanges({dcicGrouping, dcicSorting, dcicSummary}); }

void TvxCustomDataControllerInfo::SyncGroupingOrders() {
  for (Integer i = 0; i < FGroupingFieldList->Count(); ++i) {
    Integer s = FSortingFieldList->IndexOf(FGroupingFieldList->Items(i).Field);
    FGroupingFieldList->SetSortOrder(i, s < 0 ? soAscending : FSortingFieldList->Items(s).SortOrder);
  }
}

void TvxCustomDataControllerInfo::ChangeGrouping(TvxCustomDataField* AField, Integer AGroupIndex) {
  FGroupingFieldList->ChangeGroupIndex(AField, AGroupIndex);
  SyncGroupingOrders();
  CheckChanges();
}

void TvxCustomDataControllerInfo::ClearGrouping() {
  FGroupingFieldList->Clear();
  CheckChanges();
}

void TvxCustomDataControllerInfo::UpdateField(TvxCustomDataField* AField) {
  AddChanges({dcicView});
  if (FSortingFieldList->IndexOf(AField) >= 0) SortingChanged();
  if (FGroupingFieldList->IndexOf(AField) >= 0) {
    FSelection->Clear();
    GroupingChanged();
  }
  CheckChanges();
}

void TvxCustomDataControllerInfo::RemoveField(TvxCustomDataField* AField) {
  // The field is freed next: every list that refers to it lets go of it first, so that
  // the recalculation at the end of the update reads nothing freed. Groups built on it
  // are dropped (the recalculation builds them again from the remaining fields).
  std::erase_if(FTotalSortingFieldList, [AField](const TvxSortingFieldList::TItem& i) { return i.Field == AField; });
  for (Integer l = 0; l < FDataGroups->LevelCount(); ++l)
    if (FDataGroups->GetField(l) == AField) {
      FDataGroups->Clear();
      AddChanges({dcicGrouping});
      break;
    }
  FSortingFieldList->Remove(AField);
  if (FGroupingFieldList->IndexOf(AField) >= 0) {
    FSelection->Clear();
    FGroupingFieldList->Remove(AField);
  }
  SyncGroupingOrders();
  FSavedExpandingFields.clear();
  FSavedExpanded.clear();
  CheckChanges();
}

void TvxCustomDataControllerInfo::ChangeSortIndex(TvxCustomDataField* AField, Integer ASortIndex) {
  if (FSortingFieldList->IndexOf(AField) != ASortIndex) {
    FDataController->PostEditingIfNeeded();
    FDataController->SetSortingChangedFlag();
  }
  FSortingFieldList->ChangeSortIndex(AField, ASortIndex);
  SyncGroupingOrders();
  CheckChanges();
}

void TvxCustomDataControllerInfo::ChangeSorting(TvxCustomDataField* AField, TvxDataSortOrder ASortOrder) {
  FSortingFieldList->ChangeSorting(AField, ASortOrder);
  SyncGroupingOrders();
  CheckChanges();
}

void TvxCustomDataControllerInfo::ClearSorting(bool AKeepGroupedItems) {
  if (AKeepGroupedItems) {
    for (Integer i = FSortingFieldList->Count() - 1; i >= 0; --i) {
      TvxCustomDataField* f = FSortingFieldList->Items(i).Field;
      if (FGroupingFieldList->IndexOf(f) < 0) FSortingFieldList->Remove(f);
    }
  } else {
    FSortingFieldList->Clear();
  }
  SyncGroupingOrders();
  CheckChanges();
}

Integer TvxCustomDataControllerInfo::GetNearestRowIndex(Integer ARowIndex) {
  CheckRowIndex(ARowIndex);
  Integer count = GetRowCount();
  if (!HasGroups()) return ARowIndex < count - 1 ? ARowIndex + 1 : ARowIndex - 1;
  Integer level = GetRowInfo(ARowIndex).Level;
  bool hasNext = ARowIndex < count - 1, hasPrev = ARowIndex > 0;
  if (hasNext && GetRowInfo(ARowIndex + 1).Level == level) return ARowIndex + 1;
  if (hasPrev && GetRowInfo(ARowIndex - 1).Level == level) return ARowIndex - 1;
  if (!hasNext) return hasPrev ? ARowIndex - 1 : ARowIndex;
  return ARowIndex + 1;
}

Integer TvxCustomDataControllerInfo::RecordListIndexOf(Integer ARecordIndex) const {
  auto it = std::find(FRecordList.begin(), FRecordList.end(), ARecordIndex);
  return it == FRecordList.end() ? -1 : static_cast<Integer>(it - FRecordList.begin());
}

std::vector<Integer> TvxCustomDataControllerInfo::RecordRows() const {
  std::vector<Integer> rows(static_cast<size_t>(std::max<Integer>(FDataController->RecordCount(), 0)), -1);
  auto put = [&rows](Integer ARecord, Integer ARow) {
    if (ARecord >= 0 && static_cast<size_t>(ARecord) < rows.size()) rows[static_cast<size_t>(ARecord)] = ARow;
  };
  if (!HasGroups()) {
    for (size_t p = 0; p < FRecordList.size(); ++p) put(FRecordList[p], static_cast<Integer>(p));
    return rows;
  }
  // Groups are stored parent first, so the most recent group of level L-1 is the parent
  // of a group of level L: shown[L] says whether all its ancestors are expanded.
  Integer last = FDataGroups->LevelCount() - 1;
  std::vector<char> shown(static_cast<size_t>(last) + 2, 0);
  shown[0] = 1;
  for (Integer i = 0; i < FDataGroups->Count(); ++i) {
    const TvxDataGroupInfo* g = FDataGroups->GetItem(i);
    bool open = shown[static_cast<size_t>(g->Level)] && g->Expanded;
    shown[static_cast<size_t>(g->Level) + 1] = open;
    if (g->Level != last || !open) continue;
    for (Integer p = g->BeginRecordListIndex; p <= g->EndRecordListIndex; ++p)
      put(FRecordList[static_cast<size_t>(p)], g->RowIndex + p - g->BeginRecordListIndex + 1);
  }
  return rows;
}

Integer TvxCustomDataControllerInfo::GetRowIndexByRecordIndex(Integer ARecordIndex, bool AMakeVisible) {
  Integer pos = RecordListIndexOf(ARecordIndex);
  if (pos < 0 || !HasGroups()) return pos;
  Integer g = FDataGroups->FindGroupByRecordListIndex(pos, FDataGroups->LevelCount() - 1);
  if (g < 0) return -1;
  TvxDataGroupInfo* info = FDataGroups->GetItem(g);
  if (!(info->Expanded && FDataGroups->IsGroupVisible(g))) {
    if (!AMakeVisible) return -1;
    FDataGroups->MakeGroupVisible(g, true);
    ExpandingChanged();
    if (!FInfoCalculation) CheckChanges();
  }
  return info->RowIndex + pos - info->BeginRecordListIndex + 1;
}

TvxRowInfo TvxCustomDataControllerInfo::GetRowInfo(Integer ARowIndex) {
  CheckRowIndex(ARowIndex);
  TvxRowInfo r;
  if (HasGroups()) {
    FDataGroups->GetRowInfo(ARowIndex, r);
    r.RecordIndex = FRecordList.at(static_cast<size_t>(r.RecordIndex));
    return r;
  }
  r.Level = 0;
  r.Expanded = false;
  r.RecordIndex = FRecordList[static_cast<size_t>(ARowIndex)];
  return r;
}

Integer TvxCustomDataControllerInfo::CompareGroupRecords(Integer ARecordIndex1, Integer ARecordIndex2, Integer AIndex) {
  if (ARecordIndex1 == ARecordIndex2) return 0;
  TvxCustomDataProvider* p = FDataController->Provider();
  Integer e = p->EditingRecordIndex(), a = p->EditingRecordIndex1(), b = p->EditingRecordIndex2();
  if (p->SavedRecordIndex() != 0) {
    // The edited record groups by its values from before the edit.
    if (ARecordIndex1 == e) ARecordIndex1 = p->SavedRecordIndex();
    if (ARecordIndex2 == e) ARecordIndex2 = p->SavedRecordIndex();
  } else if ((a != vxNoEditRecordIndex || b != vxNoEditRecordIndex) && (ARecordIndex1 == e || ARecordIndex2 == e)) {
    Integer other = ARecordIndex1 == e ? ARecordIndex2 : ARecordIndex1;
    if (a != vxNoEditRecordIndex || other == b) return 0;
    if (ARecordIndex1 == e) ARecordIndex1 = b;
    else ARecordIndex2 = b;
  }
  const auto& item = FTotalSortingFieldList.at(static_cast<size_t>(AIndex));
  Integer r = FDataController->CompareRecordsByField(ARecordIndex1, ARecordIndex2, item.Field);
  return item.SortOrder == soDescending ? -r : r;
}

Integer TvxCustomDataControllerInfo::FindRecordListIndexByGroupValues(Integer ARecordIndex, Integer ALevelCount,
                                                                      bool AIsSorted) {
  const Integer levels = std::min<Integer>(ALevelCount, static_cast<Integer>(FTotalSortingFieldList.size()));
  if (levels <= 0 || FRecordList.empty()) return -1;
  PrepareCompareFlags();
  TScopeExit reset([this] { ResetCompareFlags(); });
  // The record at APosition against the one looked for, level by level.
  auto compare = [&](Integer APosition) {
    const Integer r = FRecordList[static_cast<size_t>(APosition)];
    for (Integer level = 0; level < levels; ++level)
      if (Integer c = CompareGroupRecords(r, ARecordIndex, level)) return c;
    return 0;
  };
  if (AIsSorted) {
    Integer lo = 0, hi = static_cast<Integer>(FRecordList.size()) - 1;
    while (lo <= hi) {
      const Integer mid = lo + (hi - lo) / 2;
      const Integer c = compare(mid);
      if (c == 0) return mid;
      if (c < 0) lo = mid + 1;
      else hi = mid - 1;
    }
    return -1;
  }
  for (Integer p = 0; p < static_cast<Integer>(FRecordList.size()); ++p)
    if (compare(p) == 0) return p;
  return -1;
}

void TvxCustomDataControllerInfo::DoGrouping() {
  FDataGroups->Clear();
  for (Integer i = 0; i < FGroupingFieldList->Count(); ++i) FDataGroups->AddField(FGroupingFieldList->Items(i).Field);
  Integer levels = FDataGroups->LevelCount();
  if (FRecordList.empty() || levels == 0) return;
  PrepareCompareFlags();
  TScopeExit reset([this] { ResetCompareFlags(); });
  PrepareSortKeys();
  std::vector<Integer> open(static_cast<size_t>(levels), -1);  // list index of each level's open group
  std::vector<Integer> first(static_cast<size_t>(levels), -1);  // first record of each open group
  Integer topCount = 0;
  auto openFrom = [&](Integer ALevel, Integer APos) {
    for (Integer l = ALevel; l < levels; ++l) {
      TvxDataGroupInfo* g = FDataGroups->AddGroupInfo();
      g->Level = l;
      g->Expanded = false;
      g->RowIndex = topCount - (l == 0 ? 0 : 1);
      if (l == 0) ++topCount;
      g->BeginRecordListIndex = l == levels - 1 ? APos : FDataGroups->Count();
      open[static_cast<size_t>(l)] = FDataGroups->Count() - 1;
      first[static_cast<size_t>(l)] = FRecordList[static_cast<size_t>(APos)];
    }
  };
  auto closeFrom = [&](Integer ALevel, Integer ALastPos) {
    for (Integer l = levels - 1; l >= ALevel; --l) {
      TvxDataGroupInfo* g = FDataGroups->GetItem(open[static_cast<size_t>(l)]);
      g->EndRecordListIndex = l == levels - 1 ? ALastPos : FDataGroups->Count() - 1;
    }
  };
  openFrom(0, 0);
  for (Integer i = 1; i < static_cast<Integer>(FRecordList.size()); ++i) {
    Integer record = FRecordList[static_cast<size_t>(i)];
    for (Integer l = 0; l < levels; ++l) {
      if (CompareGroupRecords(first[static_cast<size_t>(l)], record, l) != 0) {
        closeFrom(l, i - 1);
        openFrom(l, i);
        break;
      }
    }
  }
  closeFrom(0, static_cast<Integer>(FRecordList.size()) - 1);
  FDataGroups->Rebuild();
}

void TvxCustomDataControllerInfo::SaveExpanding() {
  bool load = FChanges.Contains(dcicLoad) || FChanges.Contains(dcicGrouping);
  if (!FDataController->Options().Contains(dcoSaveExpanding) || !load || !HasGroups()) return;
  FSavedExpandingFields.clear();
  FSavedExpanded.clear();
  for (Integer l = 0; l < FDataGroups->LevelCount(); ++l) FSavedExpandingFields.push_back(FDataGroups->GetField(l));
  std::vector<Variant> path;
  PrepareCompareFlags();
  TScopeExit reset([this] { ResetCompareFlags(); });
  for (Integer i = 0; i < FDataGroups->Count(); ++i) {
    TvxDataGroupInfo* g = FDataGroups->GetItem(i);
    path.resize(static_cast<size_t>(g->Level));
    Integer rli = FDataGroups->GetDataRecordListIndex(g);
    if (rli < 0 || rli >= static_cast<Integer>(FRecordList.size())) return;
    path.push_back(FDataController->GetCompareValue(FRecordList[static_cast<size_t>(rli)], FDataGroups->GetField(g->Level)));
    if (g->Expanded) FSavedExpanded.push_back(path);
  }
}

void TvxCustomDataControllerInfo::RestoreExpanding() {
  if (!HasGroups()) return;
  if (FDataController->Options().Contains(dcoGroupsAlwaysExpanded)) {
    FDataGroups->FullExpanding(true);
    return;
  }
  bool match = FSavedExpandingFields.size() == static_cast<size_t>(FDataGroups->LevelCount());
  for (size_t l = 0; match && l < FSavedExpandingFields.size(); ++l)
    match = FSavedExpandingFields[l] == FDataGroups->GetField(static_cast<Integer>(l));
  if (match && !FSavedExpanded.empty()) {
    // The saved paths go into an ordered set once, so each group finds its path in
    // log time instead of comparing itself with every saved one.
    auto less = [](const std::vector<Variant>& x, const std::vector<Variant>& y) {
      return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                          [](const Variant& a, const Variant& b) { return VariantCompare(a, b) < 0; });
    };
    std::set<std::vector<Variant>, decltype(less)> saved(less);
    for (auto& p : FSavedExpanded) saved.insert(std::move(p));
    FSavedExpanded.clear();
    PrepareCompareFlags();
    TScopeExit reset([this] { ResetCompareFlags(); });
    std::vector<Variant> path;
    for (Integer i = 0; i < FDataGroups->Count(); ++i) {
      TvxDataGroupInfo* g = FDataGroups->GetItem(i);
      path.resize(static_cast<size_t>(g->Level));
      Integer rli = FDataGroups->GetDataRecordListIndex(g);
      path.push_back(FDataController->GetCompareValue(FRecordList[static_cast<size_t>(rli)], FDataGroups->GetField(g->Level)));
      if (saved.count(path)) g->Expanded = true;
    }
    FDataGroups->Rebuild();
  }
  FSavedExpanded.clear();
  FSavedExpandingFields.clear();
}

void TvxCustomDataControllerInfo::WalkGroupPaths(
    const std::function<void(Integer AIndex, const std::vector<Variant>& APath, bool AVisible)>& AProc) {
  Integer levels = FDataGroups->LevelCount();
  PrepareCompareFlags();
  TScopeExit reset([this] { ResetCompareFlags(); });
  std::vector<Variant> path;
  std::vector<char> shown(static_cast<size_t>(levels) + 1, 0);
  shown[0] = 1;
  for (Integer i = 0; i < FDataGroups->Count(); ++i) {
    TvxDataGroupInfo* g = FDataGroups->GetItem(i);
    Integer rli = FDataGroups->GetDataRecordListIndex(g);
    if (rli < 0 || rli >= static_cast<Integer>(FRecordList.size())) return;
    path.resize(static_cast<size_t>(g->Level));
    path.push_back(FDataController->GetCompareValue(FRecordList[static_cast<size_t>(rli)], FDataGroups->GetField(g->Level)));
    bool visible = shown[static_cast<size_t>(g->Level)] != 0;
    shown[static_cast<size_t>(g->Level) + 1] = visible && g->Expanded;
    AProc(i, path, visible);
  }
}

void TvxCustomDataControllerInfo::SaveSelectedGroups() {
  FSavedSelectedGroups.clear();
  FSavedSelectedFields.clear();
  if (!HasGroups()) return;
  bool pending = FChanges.Contains(dcicLoad) || FChanges.Contains(dcicGrouping) || FChanges.Contains(dcicSorting) ||
                 FChanges.Contains(dcicExpanding);
  if (!pending) return;
  std::vector<char> selected(static_cast<size_t>(FDataGroups->Count()), 0);
  bool any = false;
  for (Integer i = 0; i < FSelection->Count(); ++i) {
    const TvxDataSelection::TItem& item = FSelection->Items(i);
    if (item.Level < 0 && item.RecordIndex >= 0 && item.RecordIndex < FDataGroups->Count()) {
      selected[static_cast<size_t>(item.RecordIndex)] = 1;
      any = true;
    }
  }
  if (!any) return;
  for (Integer l = 0; l < FDataGroups->LevelCount(); ++l) FSavedSelectedFields.push_back(FDataGroups->GetField(l));
  WalkGroupPaths([&](Integer AIndex, const std::vector<Variant>& APath, bool) {
    if (selected[static_cast<size_t>(AIndex)]) FSavedSelectedGroups.push_back(APath);
  });
}

void TvxCustomDataControllerInfo::RestoreSelectedGroups() {
  if (FSavedSelectedGroups.empty()) return;
  TScopeExit clear([this] {
    FSavedSelectedGroups.clear();
    FSavedSelectedFields.clear();
  });
  bool match = HasGroups() && FSavedSelectedFields.size() == static_cast<size_t>(FDataGroups->LevelCount());
  for (size_t l = 0; match && l < FSavedSelectedFields.size(); ++l)
    match = FSavedSelectedFields[l] == FDataGroups->GetField(static_cast<Integer>(l));
  // Group rows that the recalculation kept are dropped first; the saved ones come back by
  // their group values.
  FSelection->DeleteWhere([](const TvxDataSelection::TItem& AItem) { return AItem.Level < 0; });
  if (!match) return;
  auto less = [](const std::vector<Variant>& x, const std::vector<Variant>& y) {
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                        [](const Variant& a, const Variant& b) { return VariantCompare(a, b) < 0; });
  };
  std::set<std::vector<Variant>, decltype(less)> saved(FSavedSelectedGroups.begin(), FSavedSelectedGroups.end(), less);
  std::vector<TvxDataSelection::TItem> added;
  WalkGroupPaths([&](Integer AIndex, const std::vector<Variant>& APath, bool AVisible) {
    if (!AVisible || !saved.count(APath)) return;
    Integer row = FDataGroups->GetItem(AIndex)->RowIndex;
    if (FSelection->FindByRowIndex(row) < 0) added.push_back({-1, AIndex, row});
  });
  std::sort(added.begin(), added.end(),
            [](const TvxDataSelection::TItem& a, const TvxDataSelection::TItem& b) { return a.RowIndex < b.RowIndex; });
  FSelection->Merge(added);
}

void TvxCustomDataControllerInfo::ChangeExpanding(Integer ARowIndex, bool AExpanded, bool ARecursive) {
  CheckRowIndex(ARowIndex);
  if (!HasGroups() || FDataController->Options().Contains(dcoGroupsAlwaysExpanded)) return;
  TvxDataGroupInfo* info;
  if (FDataGroups->FindGroupByRowIndex(ARowIndex, info) < 0) return;
  if (!AExpanded) FDataController->CheckBrowseMode();
  FDataGroups->ChangeExpanding(ARowIndex, AExpanded, ARecursive);
  ExpandingChanged();
  FDataController->BeginUpdate();
  TScopeExit end([this] { FDataController->EndUpdate(); });
  if (!AExpanded) RefocusAfterCollapse();
}

void TvxCustomDataControllerInfo::FullCollapse() {
  if (!HasGroups() || FDataController->Options().Contains(dcoGroupsAlwaysExpanded)) return;
  FDataGroups->FullExpanding(false);
  ExpandingChanged();
  FDataController->BeginUpdate();
  TScopeExit end([this] { FDataController->EndUpdate(); });
  RefocusAfterCollapse();
}

void TvxCustomDataControllerInfo::FullExpand() {
  if (!HasGroups() || FDataController->Options().Contains(dcoGroupsAlwaysExpanded)) return;
  FDataGroups->FullExpanding(true);
  ExpandingChanged();
  CheckChanges();
}

void TvxCustomDataControllerInfo::RefocusAfterCollapse() {
  Integer record = FFocusingInfo->RecordIndex;
  Integer pos = record < 0 ? -1 : RecordListIndexOf(record);
  if (pos < 0) return;
  Integer levels = FDataGroups->LevelCount();
  Integer g = FDataGroups->FindGroupByRecordListIndex(pos, levels - 1);
  if (g < 0) return;
  Integer row;
  TvxDataGroupInfo* info = FDataGroups->GetItem(g);
  if (FFocusingInfo->Level == levels && info->Expanded && FDataGroups->IsGroupVisible(g)) {
    row = info->RowIndex + pos - info->BeginRecordListIndex + 1;
  } else {
    Integer level = FFocusingInfo->Level >= 0 && FFocusingInfo->Level < levels ? FFocusingInfo->Level : levels - 1;
    Integer at = FDataGroups->FindGroupByRecordListIndex(pos, level);
    if (at < 0) return;
    row = FDataGroups->GetItem(at)->RowIndex;  // a hidden group carries its visible ancestor's row
  }
  if (row != FFocusingInfo->RowIndex) {
    if (FDataController->IsRecordKeyMode()) FFocusingInfo->Reset();
    ChangeFocusedRow(row, true);
  }
}

void TvxCustomDataControllerInfo::ChangeRowSelection(Integer ARowIndex, bool ASelection) {
  CheckRowIndex(ARowIndex);
  Integer i = FSelection->FindByRowIndex(ARowIndex);
  if (i >= 0 && !ASelection) {
    FSelection->Delete(i);
  } else if (i < 0 && ASelection && FDataController->CanSelectRow(ARowIndex)) {
    TvxRowInfo r = GetRowInfo(ARowIndex);
    TvxDataGroupInfo* info = nullptr;
    Integer group = HasGroups() ? FDataGroups->FindGroupByRowIndex(ARowIndex, info) : -1;
    if (group >= 0) FSelection->Add({-1, group, ARowIndex});
    else FSelection->Add({r.Level, r.RecordIndex, ARowIndex});
  }
  CheckChanges();
}

void TvxCustomDataControllerInfo::SelectRange(Integer AFromRowIndex, Integer AToRowIndex) {
  CheckRowIndex(AFromRowIndex);
  CheckRowIndex(AToRowIndex);
  std::vector<TvxDataSelection::TItem> added;
  for (Integer row = AFromRowIndex; row <= AToRowIndex; ++row) {
    if (FSelection->FindByRowIndex(row) >= 0 || !FDataController->CanSelectRow(row)) continue;
    TvxRowInfo r = GetRowInfo(row);
    TvxDataGroupInfo* info = nullptr;
    Integer group = HasGroups() ? FDataGroups->FindGroupByRowIndex(row, info) : -1;
    if (group >= 0) added.push_back({-1, group, row});
    else added.push_back({r.Level, r.RecordIndex, row});
  }
  FSelection->Merge(added);
  CheckChanges();
}

void TvxCustomDataControllerInfo::ClearSelection() {
  FSelection->Clear();
  CheckChanges();
}

bool TvxCustomDataControllerInfo::IsRowSelected(Integer ARowIndex) {
  CheckRowIndex(ARowIndex);
  return FSelection->FindByRowIndex(ARowIndex) >= 0;
}

void TvxCustomDataControllerInfo::CheckSelection() {
  if (FSelection->Count() == 0) return;
  if (FDataController->KeysSaved() && FDataController->IsRecordIdSupported()) return;
  Integer count = FDataController->RecordCount();
  if (count == 0) {
    FSelection->Clear();
    return;
  }
  FSelection->DeleteWhere([count](const TvxDataSelection::TItem& AItem) { return AItem.RecordIndex >= count; });
}

void TvxCustomDataControllerInfo::LoadRecordList() {
  Integer n = FDataController->RecordCount();
  FRecordList.resize(static_cast<size_t>(n));
  for (Integer i = 0; i < n; ++i) FRecordList[static_cast<size_t>(i)] = i;
}

void TvxCustomDataControllerInfo::DoFilter() {
  bool byHandler = !FDataController->Provider()->IsGridMode() && FDataController->HasFilterRecordHandler();
  bool byCriteria = FDataController->Filter()->IsFiltering() && !FDataController->Provider()->IsGridMode();
  bool incremental = FDataController->IsIncrementalFilter();
  if (!byHandler && !byCriteria && !incremental) return;
  Integer edited = FDataController->Provider()->EditingRecordIndex();
  size_t before = FRecordList.size();
  std::vector<Integer> kept;
  kept.reserve(before);
  for (Integer r : FRecordList) {
    bool accept = r == edited || ((!byHandler || FDataController->DoFilterRecord(r)) &&
                                  (!incremental || FDataController->MatchesIncrementalFilter(r)) &&
                                  (!byCriteria || FDataController->Filter()->DoFilterRecord(r)));
    if (accept) kept.push_back(r);
  }
  FRecordList = std::move(kept);
  if (FRecordList.size() != before) {
    std::vector<char> kept(static_cast<size_t>(std::max<Integer>(FDataController->RecordCount(), 0)), 0);
    for (Integer r : FRecordList)
      if (r >= 0 && static_cast<size_t>(r) < kept.size()) kept[static_cast<size_t>(r)] = 1;
    FSelection->DeleteWhere([&kept](const TvxDataSelection::TItem& AItem) {
      return AItem.RecordIndex < 0 || static_cast<size_t>(AItem.RecordIndex) >= kept.size() ||
             !kept[static_cast<size_t>(AItem.RecordIndex)];
    });
    if (FDataController->CheckFocusingAfterFilterNeeded()) FDataController->ConvertFilterCheckToChanged();
  }
}

void TvxCustomDataControllerInfo::PrepareCompareFlags() {
  for (auto& item : FTotalSortingFieldList) {
    TvxCustomDataField* f = item.Field;
    f->SetNeedConversionFlag(0);
    Integer flag = -1;
    if (FDataController->NeedsSpecialCompare(f)) flag = FDataController->IsSortByDisplayText(f) ? 2 : 1;
    f->SetNeedConversionFlag(flag);
  }
}

void TvxCustomDataControllerInfo::ResetCompareFlags() {
  for (auto& item : FTotalSortingFieldList) {
    item.Field->SetNeedConversionFlag(0);
    item.Field->SetSortKeys(nullptr, 0);
  }
  FSortKeys.clear();
}

void TvxCustomDataControllerInfo::PrepareSortKeys() {
  if (FDataController->IsProviderMode()) return;
  TvxDataStorage* storage = FDataController->DataStorage();
  Integer count = storage->RecordCount();
  for (auto& item : FTotalSortingFieldList) {
    TvxCustomDataField* f = item.Field;
    TvxValueDef* d = f->ValueDef();
    if (f->NeedConversionFlag() > 0 || f->SortKeys() || !d || d->DataSize() > 16 ||
        d->ValueDefs() != storage->ValueDefs())
      continue;
    std::vector<TvxCustomDataField::TSortKey> keys(static_cast<size_t>(count));
    Integer offset = d->Offset(), size = d->DataSize();
    bool stored = d->BufferSize() > 0;
    for (Integer r = 0; r < count; ++r) {
      Byte* b = storage->RecordBuffer(r);
      TvxCustomDataField::TSortKey& k = keys[static_cast<size_t>(r)];
      k.IsNull = !b || !stored || b[offset] == 0;
      if (!k.IsNull) std::memcpy(k.Data, b + offset + 1, static_cast<size_t>(size));
    }
    FSortKeys.push_back(std::move(keys));
    f->SetSortKeys(FSortKeys.back().data(), count);
  }
}

void TvxCustomDataControllerInfo::DoSort() {
  FTotalSortingFieldList.clear();
  for (Integer i = 0; i < FGroupingFieldList->Count(); ++i) FTotalSortingFieldList.push_back(FGroupingFieldList->Items(i));
  for (Integer i = 0; i < FSortingFieldList->Count(); ++i) {
    const auto& item = FSortingFieldList->Items(i);
    if (FGroupingFieldList->IndexOf(item.Field) < 0) FTotalSortingFieldList.push_back(item);
  }
  if (FDataController->Provider()->IsGridMode() || FRecordList.empty() || FTotalSortingFieldList.empty()) return;
  PrepareCompareFlags();
  TScopeExit reset([this] { ResetCompareFlags(); });
  PrepareSortKeys();
  if (FDataController->IsProviderMode() && FDataController->Provider()->IsCustomSorting())
    FDataController->Provider()->CustomSort();
  else
    QuickSortRecordList(0, static_cast<Integer>(FRecordList.size()) - 1);
}

void TvxCustomDataControllerInfo::QuickSortRecordList(Integer L, Integer R) {
  // The scans stop at the ends of the range, so a comparator that is not a strict order
  // can misplace records but never read outside the list.
  std::vector<Integer>& list = FRecordList;
  while (L < R) {
    Integer i = L, j = R;
    Integer pivot = list[static_cast<size_t>((L + R) / 2)];
    do {
      while (i < R && CompareRecords(list[static_cast<size_t>(i)], pivot) < 0) ++i;
      while (j > L && CompareRecords(list[static_cast<size_t>(j)], pivot) > 0) --j;
      if (i <= j) {
        std::swap(list[static_cast<size_t>(i)], list[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (L < j) QuickSortRecordList(L, j);
    L = i;
  }
}

Integer TvxCustomDataControllerInfo::CompareRecords(Integer ARecordIndex1, Integer ARecordIndex2) {
  if (ARecordIndex1 == ARecordIndex2) return 0;
  TvxCustomDataProvider* p = FDataController->Provider();
  Integer e = p->EditingRecordIndex(), a = p->EditingRecordIndex1(), b = p->EditingRecordIndex2();
  if ((a != vxNoEditRecordIndex || b != vxNoEditRecordIndex) && (ARecordIndex1 == e || ARecordIndex2 == e)) {
    if (a != vxNoEditRecordIndex) return ARecordIndex1 == e ? 1 : -1;
    if (ARecordIndex1 == e) {
      if (ARecordIndex2 == b) return -1;
      ARecordIndex1 = b;
    } else {
      if (ARecordIndex1 == b) return 1;
      ARecordIndex2 = b;
    }
    if (ARecordIndex1 == ARecordIndex2) return 0;
  }
  for (const auto& item : FTotalSortingFieldList) {
    Integer r = FDataController->CompareRecordsByField(ARecordIndex1, ARecordIndex2, item.Field);
    if (item.SortOrder == soDescending) r = -r;
    if (r != 0) return r;
  }
  return FDataController->CompareEqualRecords(ARecordIndex1, ARecordIndex2);
}

bool TvxCustomDataControllerInfo::CanFocusedRowChanging(Integer ARowIndex) {
  FInCanFocusedRowChanging = true;
  TScopeExit done([this] { FInCanFocusedRowChanging = false; });
  Integer record = ARowIndex < 0 ? -1 : GetRowInfo(ARowIndex).RecordIndex;
  return FDataController->CanFocusRecord(record);
}

void TvxCustomDataControllerInfo::ChangeFocusedRow(Integer ARowIndex, bool AIgnoreCheck) {
  ARowIndex = std::clamp<Integer>(ARowIndex, -1, GetRowCount() - 1);
  if (ARowIndex == FFocusingInfo->RowIndex) return;
  FFocusingFlag = true;
  if (!FChanges.Contains(dcicFocusedRow)) FPrevFocusingInfo->Assign(*FFocusingInfo);
  bool allowed = false;
  TScopeExit finish([&] {
    if (FFocusingInfo->RowIndex >= GetRowCount()) FFocusingInfo->RowIndex = -1;
    if (FPrevFocusingInfo->RowIndex >= GetRowCount()) FPrevFocusingInfo->RowIndex = -1;
    if (allowed || FPrevFocusingInfo->RowIndex != -1) {
      FFocusingInfo->UpdateFromRow();
      if (!FFocusingInfo->IsEqual(*FPrevFocusingInfo)) {
        AddChanges({dcicFocusedRow, dcicFocusedRecord});
        FDataController->FNewItemRowFocused = false;
        FDataController->AfterFocusedRecordChanged();
        FDataController->SyncSelected(true);
      }
    }
    FFocusingFlag = false;
  });
  allowed = AIgnoreCheck || CanFocusedRowChanging(ARowIndex);
  if (allowed) {
    FDataController->FocusedRowChanging(ARowIndex);
    FFocusingInfo->RowIndex = ARowIndex;
  }
}

void TvxCustomDataControllerInfo::ResetFocusedRow(Integer ARowIndex) {
  FFocusingInfo->Reset();
  ChangeFocusedRow(ARowIndex, false);
}

void TvxCustomDataControllerInfo::SetFocusedRowIndex(Integer Value) {
  FDataController->BeginFullUpdate();
  TScopeExit end([this] { FDataController->EndFullUpdate(); });
  ChangeFocusedRow(Value, false);
}

Integer TvxCustomDataControllerInfo::RowOfFocusedRecord() const {
  if (FFocusingInfo->RecordIndex < 0) return -1;
  Integer pos = RecordListIndexOf(FFocusingInfo->RecordIndex);
  if (pos < 0 || !HasGroups()) return pos;
  Integer levels = FDataGroups->LevelCount();
  Integer g = FDataGroups->FindGroupByRecordListIndex(pos, levels - 1);
  if (g < 0) return -1;
  TvxDataGroupInfo* last = FDataGroups->GetItem(g);
  bool firstOfGroup = last->BeginRecordListIndex == pos;
  Integer level = FFocusingInfo->Level;
  auto* self = const_cast<TvxCustomDataControllerInfo*>(this);
  if (firstOfGroup && level >= 0 && level < levels) {
    Integer at = FDataGroups->FindGroupByRecordListIndex(pos, level);
    self->FDataGroups->MakeGroupVisible(at, false);
    return FDataGroups->GetItem(at)->RowIndex;
  }
  if (firstOfGroup && level == -1) {
    for (Integer l = 0; l < levels; ++l) {
      Integer at = FDataGroups->FindGroupByRecordListIndex(pos, l);
      if (at >= 0 && FDataGroups->GetDataRecordListIndex(FDataGroups->GetItem(at)) == pos) return FDataGroups->GetItem(at)->RowIndex;
    }
  }
  self->FDataGroups->MakeGroupVisible(g, true);
  return last->RowIndex + pos - last->BeginRecordListIndex + 1;
}

void TvxCustomDataControllerInfo::CheckFocusing() {
  Integer row = RowOfFocusedRecord();
  Integer focused = FFocusingInfo->RowIndex;
  bool stale = focused < 0 || focused >= GetRowCount();
  if (!stale) {
    TvxRowInfo r = GetRowInfo(focused);
    stale = r.RecordIndex != FFocusingInfo->RecordIndex || (HasGroups() && r.Level != FFocusingInfo->Level);
  }
  if (row != focused && stale) {
    ChangeFocusedRow(row, true);
  } else if (stale && row == focused && focused >= 0) {
    // The focused group row now starts with another record: the focus stays on the
    // group and takes the record it shows.
    if (!FChanges.Contains(dcicFocusedRow)) FPrevFocusingInfo->Assign(*FFocusingInfo);
    FFocusingInfo->UpdateFromRow();
    AddChanges({dcicFocusedRecord});
  }
  if (FChanges.Contains(dcicFocusedRow) && FPrevFocusingInfo->RowIndex >= GetRowCount())
    FPrevFocusingInfo->RowIndex = -1;
  if (FDataController->FilterChangedFlag() && FFocusingInfo->RowIndex == -1 && !FDataController->NewItemRowFocused()) {
    FDataController->FFilterChanged = false;
    if (FDataController->Provider()->LocateCount() == 0) ResetFocusedRow(0);
  }
}

void TvxCustomDataControllerInfo::RecalculateRows() {
  FInfoCalculation = true;
  FExpandingFlag = false;
  TScopeExit finish([this] {
    if (FChanges.Contains(dcicExpanding) || FChanges.Contains(dcicSorting)) FDataController->UpdatePrevSelectionInfo();
    FInfoCalculation = false;
    NotifyChanges();
  });
  const bool bySummary = IsGroupsSortedBySummary() && FDataController->GetGroupSortingClass();
  if (FDataController->SortingBySummaryChangedFlag()) {
    // Group rows that stop following their summaries go back to the order of their values.
    AddChanges({dcicSorting});
    if (!bySummary) AddChanges({dcicSummary, dcicGrouping});
  }
  // Group rows ordered by their summaries have moved their records: a new sort of the
  // records regroups them and orders the groups again.
  if (bySummary && FChanges.Contains(dcicSorting) && FGroupingFieldList->Count() > 0)
    AddChanges({dcicGrouping, dcicSummary});
  bool load = FChanges.Contains(dcicLoad);
  bool sort = FChanges.Contains(dcicSorting) || FChanges.Contains(dcicGrouping);
  bool group = FChanges.Contains(dcicGrouping) || (load && FGroupingFieldList->Count() > 0);
  SaveExpanding();
  SaveSelectedGroups();
  if (load) {
    LoadRecordList();
    DoFilter();
  }
  if (sort || (load && (FSortingFieldList->Count() > 0 || FGroupingFieldList->Count() > 0))) DoSort();
  if (group || (load && HasGroups())) {
    FDataController->NotifyGroupingChanging();
    DoGrouping();
    RestoreExpanding();
  }
  if ((load || sort || FChanges.Contains(dcicExpanding)) && FSelection->Count() > 0) FSelection->SyncRowIndexes();
  RestoreSelectedGroups();
  if (sort && !FDataController->InNotifyControl() && FDataController->Options().Contains(dcoFocusTopRowAfterSorting) &&
      (FDataController->SortingChangedFlag() || FDataController->LoadedStorageFlag())) {
    FDataController->ClearLoadedStorageFlag();
    FFocusingInfo->Reset();
    ChangeFocusedRow(0, false);
    FSelection->Clear();
  }
  if (FSelection->AnchorRowIndex >= 0 && FSelection->FindByRowIndex(FSelection->AnchorRowIndex) < 0)
    FSelection->AnchorRowIndex = -1;
  CheckFocusing();
  FDataController->CheckBookmarkValid(-1);
  if (FChanges.Contains(dcicSummary)) FDataController->Summary()->Calculate();
  if ((FChanges.Contains(dcicSummary) || sort || group) && HasGroups() && IsGroupsSortedBySummary())
    if (TClass cls = FDataController->GetGroupSortingClass()) SortGroupsBySummary(cls);
}

void TvxCustomDataControllerInfo::SortGroupsBySummary(TClass AClass) {
  if (!AClass->InheritsFrom(TvxDataGroupSummarySorter::StaticClass())) return;
  std::unique_ptr<TObject> o(AClass->NewInstance(this));
  auto* sorter = dynamic_cast<TvxDataGroupSummarySorter*>(o.get());
  if (!sorter) return;
  sorter->Sort();
  // The rows moved: selected rows and the focus follow their records.
  if (FSelection->Count() > 0) FSelection->SyncRowIndexes();
  CheckFocusing();
}

void TvxCustomDataControllerInfo::NotifyChanges() {
  TvxDataControllerChanges c;
  if (FChanges.Contains(dcicSorting) || FChanges.Contains(dcicView)) c.Include(dccLayout);
  if (FChanges.Contains(dcicLoad) || FChanges.Contains(dcicGrouping) || FChanges.Contains(dcicExpanding))
    c.Include(dccData);
  if (FChanges.Contains(dcicFocusedRow) || FChanges.Contains(dcicResetFocusedRow) ||
      FChanges.Contains(dcicFocusedRecord))
    c.Include(dccFocus);
  if (FChanges.Contains(dcicSelection)) c.Include(dccSelection);
  if (FChanges.Contains(dcicSummary)) c.Include(dccSummary);
  if (FDataController->GroupingChangedFlag()) c.Include(dccGrouping);
  if (FDataController->SortingChangedFlag()) c.Include(dccSorting);
  FChanges.Clear();
  FDataController->ClearNotifyFlags();
  FDataController->Change(c);
  FDataController->ClearLoadedStorageFlag();
}
