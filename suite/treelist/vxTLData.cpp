#include "vxTL.h"

#include <algorithm>
#include <exception>
#include <tuple>

#include "vxTLStrs.h"
#include "vxVariants.h"

// --- Data controller --------------------------------------------------------------------

TvxTreeListDataController::TvxTreeListDataController(TvxCustomTreeList* AOwner)
    : FTreeList(AOwner), FStorage(std::make_unique<TvxDataStorage>()) {}

TvxTreeListDataController::~TvxTreeListDataController() = default;

void TvxTreeListDataController::ForEachRecord(const std::function<void(TvxTreeListNode*)>& AProc) {
  if (FAllocatedRecords == 0) return;
  AProc(FTreeList->Root());
  for (TvxTreeListNode* n = FTreeList->Root()->getFirstChild(); n;) {
    TvxTreeListNode* next = n->getFirstChild();
    if (!next)
      for (TvxTreeListNode* a = n; a && !next; a = a->Parent()) next = a->getNextSibling();
    AProc(n);
    n = next;
  }
}

void TvxTreeListDataController::WithRecordsInList(const std::function<void()>& AProc) {
  // Existing records pass through the storage's record list, which lays them out anew.
  std::vector<TvxTreeListNode*> withRecords;
  ForEachRecord([&](TvxTreeListNode* n) {
    if (n->FHandle) withRecords.push_back(n);
  });
  Integer base = FStorage->RecordCount();
  for (TvxTreeListNode* n : withRecords) TvxDataStorageHelper::AppendRecord(FStorage.get(), n->FHandle);
  TScopeExit takeBack([&] {
    for (Integer i = static_cast<Integer>(withRecords.size()) - 1; i >= 0; --i)
      withRecords[i]->FHandle = TvxDataStorageHelper::RemoveRecord(FStorage.get(), base + i);
  });
  AProc();
}

Integer TvxTreeListDataController::AddItem(TvxValueTypeClass AValueTypeClass) {
  WithRecordsInList([&] { FFields.push_back(FStorage->ValueDefs()->Add(AValueTypeClass, true, false, nullptr)); });
  FTreeList->AddChanges({tcColumns});
  return ItemCount() - 1;
}

void TvxTreeListDataController::RemoveItem(Integer AItemIndex) {
  TvxValueDef* def = Def(AItemIndex);
  if (FStorage->ValueDefs()->StoredCount() > 1) {
    WithRecordsInList([&] { delete def; });
  } else {
    // The last value goes: whole records are freed, so the nodes read Null again.
    std::vector<TvxTreeListNode*> withRecords;
    ForEachRecord([&](TvxTreeListNode* n) {
      if (n->FHandle) withRecords.push_back(n);
    });
    for (TvxTreeListNode* n : withRecords)
      if (n->IsRoot())
        FreeRecord(n->FHandle);
      else
        FreeNodeRecord(n);
    delete def;
  }
  FFields.erase(FFields.begin() + AItemIndex);
  FTreeList->AddChanges({tcColumns});
}

void TvxTreeListDataController::ExchangeItems(Integer AIndex1, Integer AIndex2) {
  std::swap(FFields.at(AIndex1), FFields.at(AIndex2));
  FTreeList->AddChanges({tcColumns});
}

void TvxTreeListDataController::ChangeValueTypeClass(Integer AItemIndex, TvxValueTypeClass AValueTypeClass) {
  TvxValueDef* old = Def(AItemIndex);
  if (old->ValueTypeClass() == AValueTypeClass) return;
  // The values are kept as variants, the field is replaced by one of the new type, and
  // the values are stored back where the new type accepts them.
  std::vector<std::pair<TvxTreeListNode*, Variant>> values;
  ForEachRecord([&](TvxTreeListNode* n) {
    if (n->FHandle) values.emplace_back(n, TvxDataStorageHelper::GetValue(old, n->FHandle));
  });
  TvxValueDef* added = nullptr;
  WithRecordsInList([&] { added = FStorage->ValueDefs()->Add(AValueTypeClass, true, false, nullptr); });
  FFields[AItemIndex] = added;
  WithRecordsInList([&] { delete old; });
  for (auto& [n, v] : values) {
    if (VarIsNull(v) || VarIsEmpty(v)) continue;
    try {
      TvxDataStorageHelper::SetValue(n->FHandle, added, v);
    } catch (const Exception&) {  // a value the new type cannot hold stays Null
    }
  }
  FTreeList->AddChanges({tcColumns, tcData});
}

Pointer TvxTreeListDataController::AllocateRecord() {
  ++FAllocatedRecords;
  return TvxDataStorageHelper::AllocateRecord(FStorage.get());
}

void TvxTreeListDataController::FreeRecord(Pointer& ARecord) {
  if (!ARecord) return;
  TvxDataStorageHelper::FreeRecord(FStorage.get(), ARecord);
  ARecord = nullptr;
  --FAllocatedRecords;
}

void TvxTreeListDataController::FreeNodeRecord(TvxTreeListNode* ANode) {
  if (ANode == FEditingNode && !FDataChangedBusy) SetEditingNode(nullptr);
  FreeRecord(ANode->FHandle);
}

Variant TvxTreeListDataController::GetNodeValue(TvxTreeListNode* ANode, Integer AIndex) const {
  if (!ANode || !ANode->FHandle) return Null();
  return TvxDataStorageHelper::GetValue(Def(AIndex), ANode->FHandle);
}

String TvxTreeListDataController::GetNodeDisplayText(TvxTreeListNode* ANode, Integer AIndex) const {
  if (!ANode || !ANode->FHandle) return String();
  return TvxDataStorageHelper::GetDisplayText(Def(AIndex), ANode->FHandle);
}

void TvxTreeListDataController::SetNodeValue(TvxTreeListNode* ANode, Integer AIndex, const Variant& AValue) {
  if (!ANode) return;
  if (!ANode->FHandle) ANode->InitializeHandle();
  if (!ANode->FHandle) return;
  TvxDataStorageHelper::SetValue(ANode->FHandle, Def(AIndex), AValue);
  FIsValueChanged = true;
  FTreeList->NodeChanged(ANode, AIndex);
}

Variant TvxTreeListDataController::GetValue(Integer ARecordIndex, Integer AItemIndex) {
  if (ARecordIndex == -1) return GetNodeValue(FTreeList->FocusedNode(), AItemIndex);
  // The node list is read current: AbsoluteItems processes pending changes first.
  return GetNodeValue(FTreeList->AbsoluteItems(ARecordIndex), AItemIndex);
}

String TvxTreeListDataController::GetDisplayText(Integer, Integer) { vxTreeListError(L"V5 unused"); }
void TvxTreeListDataController::SetValue(Integer, Integer, const Variant&) { vxTreeListError(L"V5 unused"); }

Integer TvxTreeListDataController::CompareStrings(const Variant& A, const Variant& B) const {
  if (AnsiSort) return CaseInsensitive ? AnsiCompareText(VarToStr(A), VarToStr(B)) : AnsiCompareStr(VarToStr(A), VarToStr(B));
  if (CaseInsensitive) return CompareStr(AnsiUpperCase(VarToStr(A)), AnsiUpperCase(VarToStr(B)));
  return VariantCompare(A, B);
}

Integer TvxTreeListDataController::CompareNodesByColumns(TvxTreeListNode* ANode1, TvxTreeListNode* ANode2,
                                                         const std::vector<TSortColumn>& AColumns) {
  for (const TSortColumn& c : AColumns) {
    TvxValueDef* def = Def(c.ItemIndex);
    Integer r;
    if (def->ValueTypeClass()->IsString() && (AnsiSort || CaseInsensitive)) {
      Variant a = GetNodeValue(ANode1, c.ItemIndex), b = GetNodeValue(ANode2, c.ItemIndex);
      r = VarIsStr(a) && VarIsStr(b) ? CompareStrings(a, b) : VariantCompare(a, b);
    } else if (!ANode1->FHandle || !ANode2->FHandle) {
      r = (ANode1->FHandle ? 1 : 0) - (ANode2->FHandle ? 1 : 0);
    } else {
      r = TvxDataStorageHelper::Compare(def, ANode1->FHandle, ANode2->FHandle);
    }
    if (c.Descending) r = -r;
    if (r != 0) return r;
  }
  Integer r = ANode1->FOriginalIndex - ANode2->FOriginalIndex;
  return r != 0 ? r : 1;
}

bool TvxTreeListDataController::HasEditData() const { return FTreeList->Root()->FHandle != nullptr; }

void TvxTreeListDataController::SetEditingNode(TvxTreeListNode* ANode) {
  TvxTreeListNode* e = FEditingNode;
  if (ANode != e && e) {
    e->State.Exclude(nsEditing);
    // A node on its way out is only cancelled: its destructor is running, so it must
    // never be freed from here a second time.
    if (e->Deleting()) {
      Cancel();
    } else if (!HasEditData() && e->State.Contains(nsInserting)) {
      FEditingNode = nullptr;
      delete e;
    } else if (!HasEditData()) {
      FTreeList->NodeChanged(e);
    } else {
      Post(false);
    }
  }
  bool sameWithCopy = ANode == FEditingNode && HasEditData();
  FEditingNode = ANode;
  if (ANode && !sameWithCopy) {
    Pointer copy = AllocateRecord();
    for (Integer i = 0; i < ItemCount(); ++i)
      TvxDataStorageHelper::SetValue(copy, Def(i), GetNodeValue(ANode, i));
    FTreeList->Root()->FHandle = copy;
    ANode->State.Include(nsEditing);
    FTreeList->NodeChanged(ANode);
  }
}

void TvxTreeListDataController::Edit() {
  if (!FTreeList->OptionsData()->Editing()) return;
  SetEditingNode(FTreeList->FocusedNode());
  FIsValueChanged = false;
}

bool TvxTreeListDataController::SetEditValue(Integer AItemIndex, const Variant& AValue, bool AFromText) {
  if (!FEditingNode) return false;
  Variant v = AValue;
  if (AFromText && VarToStr(v).empty()) v = Null();
  SetNodeValue(FEditingNode, AItemIndex, v);
  return true;
}

void TvxTreeListDataController::PostEditingData() {
  if (!FEditingNode || !HasEditData() || FEditingNode->Deleting()) return;
  if (FIsValueChanged) FEditingNode->State.Exclude(nsInserting);
}

void TvxTreeListDataController::Post(bool) {
  if (!FEditingNode) return;
  {
    TvxTreeListUpdateScope lock(FTreeList);
    PostEditingData();
    if (FIsValueChanged) {
      FEditingNode = nullptr;
      FreeRecord(FTreeList->Root()->FHandle);
      FTreeList->AddChanges({tcData});
    } else {
      Cancel();
    }
    FEditingNode = nullptr;
  }
  FTreeList->FireDataChanged();
}

void TvxTreeListDataController::Cancel() {
  TvxTreeListNode* e = FEditingNode;
  TScopeExit finish([this] {
    // The editing node is cleared before the undo copy goes, so nothing reached from
    // freeing can close the same edit again.
    FEditingNode = nullptr;
    FreeRecord(FTreeList->Root()->FHandle);
  });
  if (e && !e->Deleting() && !e->State.Contains(nsInserting) && HasEditData()) {
    Pointer copy = FTreeList->Root()->FHandle;
    for (Integer i = 0; i < ItemCount(); ++i) SetNodeValue(e, i, TvxDataStorageHelper::GetValue(Def(i), copy));
  }
}
