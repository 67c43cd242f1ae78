#include "vxCustomDataInternal.h"

#include <algorithm>

using vxCustomDataInternal::RaiseOperationError;

// --- Grouping facade ---------------------------------------------------------------------

void TvxDataControllerGroups::ChangeGrouping(Integer AItemIndex, Integer AGroupIndex) {
  TvxCustomDataField* f = FDataController->GetItemField(AItemIndex);
  if (GroupIndexOfItem(AItemIndex) == AGroupIndex || (AGroupIndex < 0 && GroupIndexOfItem(AItemIndex) < 0)) return;
  FDataController->BeginUpdate();
  TScopeExit end([this] { FDataController->EndUpdate(); });
  FDataController->PostEditingIfNeeded();
  FDataController->SetGroupingChangedFlag();
  FDataController->DataControllerInfo()->ChangeGrouping(f, AGroupIndex);
}

void TvxDataControllerGroups::ClearGrouping() {
  FDataController->BeginUpdate();
  TScopeExit end([this] { FDataController->EndUpdate(); });
  if (GroupingItemCount() > 0) {
    FDataController->PostEditingIfNeeded();
    FDataController->SetGroupingChangedFlag();
  }
  FDataController->DataControllerInfo()->ClearGrouping();
}

void TvxDataControllerGroups::ChangeExpanding(Integer ARowIndex, bool AExpanded, bool ARecursive) {
  FDataController->DataControllerInfo()->ChangeExpanding(ARowIndex, AExpanded, ARecursive);
}

void TvxDataControllerGroups::FullCollapse() { FDataController->DataControllerInfo()->FullCollapse(); }

void TvxDataControllerGroups::FullExpand() { FDataController->DataControllerInfo()->FullExpand(); }

Integer TvxDataControllerGroups::GroupingItemCount() const {
  return FDataController->DataControllerInfo()->GroupingFieldList()->Count();
}

Integer TvxDataControllerGroups::GroupingItemIndexAt(Integer ALevel) const {
  return FDataController->DataControllerInfo()->GroupingFieldList()->Items(ALevel).Field->Index();
}

Integer TvxDataControllerGroups::GroupIndexOfItem(Integer AItemIndex) const {
  TvxCustomDataField* f = FDataController->GetItemField(AItemIndex);
  return FDataController->DataControllerInfo()->GroupingFieldList()->IndexOf(f);
}

Integer TvxDataControllerGroups::GroupIndexOfRow(Integer ARowIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  info->CheckRowIndex(ARowIndex);
  if (!info->HasGroups()) return -1;
  TvxDataGroupInfo* g;
  return info->DataGroups()->FindGroupByRowIndex(ARowIndex, g);
}

Integer TvxDataControllerGroups::LevelOfGroup(Integer AGroupIndex) const {
  return FDataController->DataControllerInfo()->DataGroups()->GetLevel(AGroupIndex);
}

Integer TvxDataControllerGroups::GetChildGroupCount(Integer AGroupIndex) const {
  TvxDataGroups* g = FDataController->DataControllerInfo()->DataGroups();
  if (AGroupIndex >= 0 && g->GetLevel(AGroupIndex) == g->LevelCount() - 1) return 0;
  return g->GetChildCount(AGroupIndex);
}

Integer TvxDataControllerGroups::GetChildGroupIndex(Integer AGroupIndex, Integer AChildIndex) const {
  return FDataController->DataControllerInfo()->DataGroups()->GetChildIndex(AGroupIndex, AChildIndex);
}

Integer TvxDataControllerGroups::ChildRecordIndex(Integer AGroupIndex, Integer AChildIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  Integer rli = info->DataGroups()->GetChildRecordListIndex(AGroupIndex, AChildIndex);
  return rli < 0 ? -1 : info->GetInternalRecordIndex(rli);
}

Integer TvxDataControllerGroups::FirstRecordOfGroup(Integer AGroupIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  TvxDataGroups* g = info->DataGroups();
  if (AGroupIndex < 0 || AGroupIndex >= g->Count()) return -1;
  return info->GetInternalRecordIndex(g->GetDataRecordListIndex(g->GetItem(AGroupIndex)));
}

Variant TvxDataControllerGroups::GetGroupValueOfGroup(Integer AGroupIndex) const {
  TvxDataGroups* g = FDataController->DataControllerInfo()->DataGroups();
  Integer record = FirstRecordOfGroup(AGroupIndex);
  if (record < 0) return Null();
  return FDataController->GetCompareValue(record, g->GetField(g->GetLevel(AGroupIndex)));
}

Integer TvxDataControllerGroups::GetDataGroupIndexByGroupValue(Integer AParentDataGroupIndex, const Variant& AGroupValue) const {
  TvxDataGroups* g = FDataController->DataControllerInfo()->DataGroups();
  for (Integer i = 0; i < g->GetChildCount(AParentDataGroupIndex); ++i) {
    Integer child = g->GetChildIndex(AParentDataGroupIndex, i);
    if (child >= 0 && VariantsMatch(GetGroupValueOfGroup(child), AGroupValue)) return child;
  }
  return -1;
}

bool TvxDataControllerGroups::HasAsParent(Integer ARowIndex, Integer AParentRowIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  if (!info->HasGroups()) return false;
  TvxDataGroups* g = info->DataGroups();
  Integer own = g->GetIndexByRowIndex(ARowIndex), parent = g->GetIndexByRowIndex(AParentRowIndex);
  if (own < 0 || parent < 0) return false;
  if (own == parent) return true;
  TvxDataGroupInfo* p = g->GetItem(parent);
  return p->Level < g->GetLevel(own) && p->Level < g->LevelCount() - 1 && p->BeginRecordListIndex <= own &&
         own <= p->EndRecordListIndex;
}

void TvxDataControllerGroups::LoadRecordIndexes(std::vector<Integer>& AList, Integer ADataGroupIndex) const {
  TvxCustomDataControllerInfo* info = FDataController->DataControllerInfo();
  TvxDataGroups* g = info->DataGroups();
  if (ADataGroupIndex < 0 || ADataGroupIndex >= g->Count()) return;
  TvxDataGroupInfo* group = g->GetItem(ADataGroupIndex);
  if (group->Level == g->LevelCount() - 1) {
    for (Integer i = group->BeginRecordListIndex; i <= group->EndRecordListIndex; ++i)
      AList.push_back(info->GetInternalRecordIndex(i));
    return;
  }
  for (Integer i = 0; i < g->GetChildCount(ADataGroupIndex); ++i)
    LoadRecordIndexes(AList, g->GetChildIndex(ADataGroupIndex, i));
}

void TvxDataControllerGroups::LoadRecordIndexesByRowIndex(std::vector<Integer>& AList, Integer ARowIndex) const {
  Integer group = GroupIndexOfRow(ARowIndex);
  if (group >= 0) LoadRecordIndexes(AList, group);
  else AList.push_back(FDataController->GetRowInfo(ARowIndex).RecordIndex);
}

// --- Group rows -------------------------------------------------------------------------

void TvxDataGroups::Clear() {
  FFields.clear();
  FItems.clear();
}

TvxDataGroupInfo* TvxDataGroups::AddGroupInfo() {
  FItems.push_back(std::make_unique<TvxDataGroupInfo>());
  return FItems.back().get();
}

void TvxDataGroups::SetItem(Integer AIndex, TvxDataGroupInfo* AItem) {
  // The old item is the caller's to keep: release it without freeing.
  (void)FItems.at(static_cast<size_t>(AIndex)).release();
  FItems[static_cast<size_t>(AIndex)].reset(AItem);
}

void TvxDataGroups::Permute(const std::vector<Integer>& AOrder) {
  std::vector<std::unique_ptr<TvxDataGroupInfo>> items;
  items.reserve(AOrder.size());
  for (Integer i : AOrder) items.push_back(std::move(FItems.at(static_cast<size_t>(i))));
  FItems = std::move(items);
}

void TvxDataGroups::Rebuild() {
  Integer row = 0;
  Integer last = LevelCount() - 1;
  // visibleRow[level]: the row of the nearest visible ancestor at that level when the
  // level is hidden; shownUpTo: the deepest level whose groups are visible.
  std::vector<Integer> ancestorRow(static_cast<size_t>(std::max(LevelCount(), 1)), 0);
  Integer shownUpTo = 0;  // groups at levels <= shownUpTo are visible
  for (auto& g : FItems) {
    if (g->Level <= shownUpTo) {
      g->RowIndex = row++;
      ancestorRow[static_cast<size_t>(g->Level)] = g->RowIndex;
      if (g->Expanded) {
        if (g->Level == last) row += g->EndRecordListIndex - g->BeginRecordListIndex + 1;
        shownUpTo = g->Level + 1;
      } else {
        shownUpTo = g->Level;
      }
    } else {
      // Hidden: the row of its nearest visible (collapsed) ancestor.
      g->RowIndex = ancestorRow[static_cast<size_t>(shownUpTo)];
    }
  }
}

Integer TvxDataGroups::RowCount() const {
  if (FItems.empty()) return 0;
  Integer index = Count() - 1;
  Integer r = FItems.back()->RowIndex;
  GetVisibleGroup(r, index);
  const TvxDataGroupInfo* g = GetItem(index);
  if (g->Expanded && g->Level == LevelCount() - 1) return r + (g->EndRecordListIndex - g->BeginRecordListIndex) + 2;
  return r + 1;
}

Integer TvxDataGroups::GetLevel(Integer AIndex) const {
  return AIndex >= 0 && AIndex < Count() ? GetItem(AIndex)->Level : -1;
}

Integer TvxDataGroups::GetParentIndex(Integer AChildIndex) const {
  Integer level = GetLevel(AChildIndex);
  if (level <= 0) return -1;
  for (Integer i = AChildIndex - 1; i >= 0; --i)
    if (GetItem(i)->Level < level) return i;
  return -1;
}

Integer TvxDataGroups::GetFirstLevelCount() const {
  return static_cast<Integer>(std::count_if(FItems.begin(), FItems.end(), [](const auto& g) { return g->Level == 0; }));
}

Integer TvxDataGroups::GetFirstLevelIndex(Integer AIndex) const {
  Integer n = 0;
  for (Integer i = 0; i < Count(); ++i)
    if (GetItem(i)->Level == 0 && n++ == AIndex) return i;
  return -1;
}

Integer TvxDataGroups::GetChildCount(Integer AIndex) const {
  if (AIndex == -1) return GetFirstLevelCount();
  if (AIndex < 0 || AIndex >= Count()) return 0;
  const TvxDataGroupInfo* g = GetItem(AIndex);
  if (g->Level == LevelCount() - 1) return g->EndRecordListIndex - g->BeginRecordListIndex + 1;
  Integer n = 0;
  for (Integer i = g->BeginRecordListIndex; i <= g->EndRecordListIndex && i < Count(); ++i)
    if (GetItem(i)->Level == g->Level + 1) ++n;
  return n;
}

Integer TvxDataGroups::GetChildIndex(Integer AParentIndex, Integer AIndex) const {
  if (AParentIndex == -1) return GetFirstLevelIndex(AIndex);
  if (AParentIndex < 0 || AParentIndex >= Count() || AIndex < 0) return -1;
  const TvxDataGroupInfo* g = GetItem(AParentIndex);
  if (g->Level == LevelCount() - 1 || AIndex > g->EndRecordListIndex - g->BeginRecordListIndex) return -1;
  Integer n = 0;
  for (Integer i = g->BeginRecordListIndex; i <= g->EndRecordListIndex && i < Count(); ++i)
    if (GetItem(i)->Level == g->Level + 1 && n++ == AIndex) return i;
  return -1;
}

Integer TvxDataGroups::GetChildRecordListIndex(Integer AParentIndex, Integer AIndex) const {
  if (AParentIndex < 0 || AParentIndex >= Count()) return -1;
  const TvxDataGroupInfo* g = GetItem(AParentIndex);
  if (g->Level != LevelCount() - 1 || AIndex < 0 || AIndex > g->EndRecordListIndex - g->BeginRecordListIndex) return -1;
  return g->BeginRecordListIndex + AIndex;
}

Integer TvxDataGroups::GetDataRecordListIndex(const TvxDataGroupInfo* AInfo) const {
  while (AInfo->Level < LevelCount() - 1) AInfo = GetItem(AInfo->BeginRecordListIndex);
  return AInfo->BeginRecordListIndex;
}

void TvxDataGroups::GetVisibleGroup(Integer ARowIndex, Integer& AIndex) const {
  Integer answer = AIndex;
  Integer minLevel = GetItem(AIndex)->Level;
  if (minLevel == 0) return;
  for (Integer i = AIndex - 1; i >= 0; --i) {
    const TvxDataGroupInfo* g = GetItem(i);
    if (g->RowIndex != ARowIndex) break;
    if (g->Level < minLevel) {
      minLevel = g->Level;
      if (!g->Expanded) answer = i;
    }
    if (g->Level == 0) break;
  }
  AIndex = answer;
}

Integer TvxDataGroups::FindGroupByRowIndex(Integer ARowIndex, TvxDataGroupInfo*& AInfo) const {
  AInfo = nullptr;
  if (FItems.empty() || ARowIndex < 0) return -1;
  Integer lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    Integer mid = (lo + hi) / 2;
    Integer r = GetItem(mid)->RowIndex;
    if (r == ARowIndex) {
      GetVisibleGroup(ARowIndex, mid);
      AInfo = GetItem(mid);
      return mid;
    }
    if (r < ARowIndex) lo = mid + 1;
    else hi = mid - 1;
  }
  // A data row: the group just before the insertion point holds it.
  if (lo > 0) AInfo = GetItem(lo - 1);
  return -1;
}

Integer TvxDataGroups::GetIndexByRowIndexLevel(Integer ARowIndex, Integer ALevel) const {
  TvxDataGroupInfo* info;
  Integer i = FindGroupByRowIndex(ARowIndex, info);
  if (i < 0 && info)
    for (Integer j = 0; j < Count(); ++j)
      if (GetItem(j) == info) i = j;
  if (i < 0 || ALevel == -1) return i;
  if (GetItem(i)->Level < ALevel) {
    for (Integer j = i; j < Count(); ++j)
      if (GetItem(j)->Level == ALevel) return j;
    return -1;
  }
  for (Integer j = i; j >= 0; --j)
    if (GetItem(j)->Level == ALevel) return j;
  return -1;
}

Integer TvxDataGroups::FindGroupByRecordListIndex(Integer ARecordListIndex, Integer ALevel) const {
  Integer remembered = -1;
  Integer last = LevelCount() - 1;
  for (Integer i = 0; i < Count(); ++i) {
    const TvxDataGroupInfo* g = GetItem(i);
    if (g->Level == ALevel) remembered = i;
    if (g->Level == last && g->BeginRecordListIndex <= ARecordListIndex && ARecordListIndex <= g->EndRecordListIndex)
      return remembered;
  }
  return -1;
}

void TvxDataGroups::GetRowInfo(Integer ARowIndex, TvxRowInfo& ARowInfo) const {
  ARowInfo = TvxRowInfo{};
  ARowInfo.RecordIndex = 0;
  TvxDataGroupInfo* info;
  Integer i = FindGroupByRowIndex(ARowIndex, info);
  if (i >= 0) {
    ARowInfo.Level = info->Level;
    ARowInfo.Expanded = info->Expanded;
    ARowInfo.RecordIndex = GetDataRecordListIndex(info);
  } else if (info) {
    ARowInfo.Level = LevelCount();
    ARowInfo.Expanded = false;
    ARowInfo.RecordIndex = ARowIndex + info->BeginRecordListIndex - info->RowIndex - 1;
  }
}

bool TvxDataGroups::IsGroupVisible(Integer AIndex) const {
  Integer i = AIndex;
  GetVisibleGroup(GetItem(AIndex)->RowIndex, i);
  return i == AIndex;
}

bool TvxDataGroups::MakeGroupVisible(Integer AIndex, bool AExpandSelf) {
  bool changed = false;
  Integer i = AIndex;
  if (AExpandSelf && !GetItem(i)->Expanded) {
    GetItem(i)->Expanded = true;
    changed = true;
  }
  for (i = GetParentIndex(i); i >= 0; i = GetParentIndex(i))
    if (!GetItem(i)->Expanded) {
      GetItem(i)->Expanded = true;
      changed = true;
    }
  if (changed) Rebuild();
  return changed;
}

void TvxDataGroups::ChangeExpanding(Integer ARowIndex, bool AExpanded, bool ARecursive) {
  TvxDataGroupInfo* info;
  Integer i = FindGroupByRowIndex(ARowIndex, info);
  if (i < 0) return;
  info->Expanded = AExpanded;
  if (ARecursive && info->Level < LevelCount() - 1)
    for (Integer j = i + 1; j < Count() && GetItem(j)->Level > info->Level; ++j) GetItem(j)->Expanded = AExpanded;
  Rebuild();
}

void TvxDataGroups::FullExpanding(bool AExpanded) {
  for (auto& g : FItems) g->Expanded = AExpanded;
  Rebuild();
}
