// The tree list's summaries: the footer totals over the whole tree and the group-footer
// totals of each parent node, calculated lazily in one walk of the tree; the summary
// items' formats and texts; the deprecated single footer setting of old forms.
#include <algorithm>

#include "vxCustomData.h"
#include "vxTL.h"

// --- Items ----------------------------------------------------------------------------------

void TvxTreeListSummaryItem::SetFormat(const String& Value) {
  if (FFormat == Value) return;
  FFormat = Value;
  Changed(true);
}

bool TvxTreeListSummaryItem::IsFooter() const {
  TvxTreeListSummaryItems* items = Items();
  return items && items == items->Summary()->FooterSummaryItems();
}

TvxCustomTreeList* TvxTreeListSummaryItem::TreeList() const {
  TvxTreeListColumn* column = Column();
  return column ? column->TreeList() : nullptr;
}

Variant TvxTreeListSummaryItem::NodeValue(TvxTreeListNode* ANode) const {
  TvxCustomTreeList* tl = TreeList();
  if (!tl || !ANode || ANode->IsRoot() != IsFooter()) return Null();
  TvxTreeListSummary* summary = tl->Summary();
  tl->ProcessChanges();
  summary->Calculate();
  if (FAbsoluteIndex < 0 || FAbsoluteIndex >= static_cast<Integer>(ANode->FSummaryInfo.size())) return Null();
  return ANode->FSummaryInfo[FAbsoluteIndex].Value;
}

String TvxTreeListSummaryItem::FormatValue(const Variant& AValue, TvxTreeListNode* ANode) {
  using namespace vxCustomData;
  const bool footer = IsFooter();
  String text = FormatSummaryValue(AValue, static_cast<vxCustomData::TvxSummaryKind>(FKind), [&](TvxSummaryValueType AType) {
    if (!FFormat.empty()) return FFormat;
    String f;
    GetDefaultSummaryFormat(AType, static_cast<vxCustomData::TvxSummaryKind>(FKind), footer ? spFooter : spGroup, f);
    return f;
  });
  if (OnGetText) OnGetText(this, ANode, text);
  return text;
}

void TvxTreeListDeprecatedColumnSummaryFooter::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListDeprecatedColumnSummaryFooter*>(Source);
  if (!src) return inherited::Assign(Source);
  AlignHorz = src->AlignHorz;
  AlignVert = src->AlignVert;
  Format = src->Format;
  Kind = src->Kind;
  MultiLine = src->MultiLine;
}

void TvxTreeListColumn::ConvertDeprecatedSummaryFooter() {
  const TvxTreeListDeprecatedColumnSummaryFooter* old = FSummaryFooter.get();
  if (old->Kind == skNone) return;
  TvxTreeListSummaryItems* items = FSummary->FooterSummaryItems();
  items->BeginUpdate();
  TScopeExit end([items] { items->EndUpdate(); });
  TvxTreeListSummaryItem* item = items->Add();
  item->SetAlignHorz(old->AlignHorz);
  item->SetAlignVert(old->AlignVert);
  item->SetMultiLine(old->MultiLine);
  item->SetFormat(old->Format);
  item->SetKind(old->Kind);
}

void TvxTreeListOptionsData::SetSummaryNullIgnore(bool Value) {
  if (FSummaryNullIgnore == Value) return;
  FSummaryNullIgnore = Value;
  if (TvxCustomTreeList* tl = TreeList()) tl->DataChanged();
}

// --- Node totals ----------------------------------------------------------------------------

Integer TvxTreeListNode::FooterSummaryCount() const {
  TvxTreeListSummary* s = FTreeList->Summary();
  if (IsRoot()) return s->FooterSummaryCount();
  return HasChildren() ? s->GroupFooterSummaryCount() : 0;
}

Variant TvxTreeListNode::FooterSummaryValues(Integer AIndex) {
  FTreeList->ProcessChanges();
  if (AIndex < 0 || AIndex >= FooterSummaryCount()) TList::Error(L"List index out of bounds (%d)", AIndex);
  FTreeList->Summary()->Calculate();
  return AIndex < static_cast<Integer>(FSummaryInfo.size()) ? FSummaryInfo[AIndex].Value : Null();
}

String TvxTreeListNode::FooterSummaryTexts(Integer AIndex) {
  Variant value = FooterSummaryValues(AIndex);
  TvxTreeListSummary* s = FTreeList->Summary();
  TvxTreeListSummaryItem* item = IsRoot() ? s->FooterSummaryItems(AIndex) : s->GroupFooterSummaryItems(AIndex);
  return item->FormatValue(value, this);
}

// --- The summary ----------------------------------------------------------------------------

void TvxTreeListSummary::Recalculate() { FTreeList->StructureChanged(); }

void TvxTreeListSummary::RefreshItemLists() {
  FAbsoluteFooterSummaryItems.clear();
  FAbsoluteGroupFooterSummaryItems.clear();
  FFooterSummaryRowCount = FFooterSummaryVisibleCount = 0;
  FGroupFooterSummaryRowCount = FGroupFooterSummaryVisibleCount = 0;
  for (Integer i = 0; i < FTreeList->ColumnCount(); ++i) {
    // A data item may have no column object (items added to a bare model's controller):
    // it has no summary items.
    TvxTreeListColumn* c = FTreeList->Columns(i);
    if (!c) continue;
    const bool shown = c->ActuallyVisible();
    const Integer lines = std::max(c->Position()->LineCount(), 1);
    auto collect = [&](TvxTreeListSummaryItems* AItems, std::vector<TvxTreeListSummaryItem*>& AList, bool AShown,
                       Integer& AVisibleCount, Integer& ARowCount) {
      for (Integer j = 0; j < AItems->Count(); ++j) {
        TvxTreeListSummaryItem* item = AItems->Items(j);
        item->FAbsoluteIndex = static_cast<Integer>(AList.size());
        AList.push_back(item);
      }
      if (!AShown) return;
      AVisibleCount += AItems->VisibleCount();
      ARowCount = std::max(ARowCount, lines * AItems->VisibleCount());
    };
    collect(c->Summary()->FooterSummaryItems(), FAbsoluteFooterSummaryItems,
            shown && c->Options()->Get(TvxTreeListColumnOptions::Footer), FFooterSummaryVisibleCount,
            FFooterSummaryRowCount);
    collect(c->Summary()->GroupFooterSummaryItems(), FAbsoluteGroupFooterSummaryItems,
            shown && c->Options()->Get(TvxTreeListColumnOptions::GroupFooter), FGroupFooterSummaryVisibleCount,
            FGroupFooterSummaryRowCount);
  }
  FIsDirty = true;
}

void TvxTreeListSummary::ColumnRemoved(TvxTreeListColumn* AColumn) {
  RefreshItemLists();
  for (TvxTreeListSummaryItem* item : FAbsoluteFooterSummaryItems)
    if (item->FCalculatedColumn == AColumn) item->SetCalculatedColumn(nullptr);
  for (TvxTreeListSummaryItem* item : FAbsoluteGroupFooterSummaryItems)
    if (item->FCalculatedColumn == AColumn) item->SetCalculatedColumn(nullptr);
}

void TvxTreeListSummary::Calculate() {
  // Changes the batch has not processed yet (the update lock is held) may have freed or
  // added items: the lists are taken afresh before they are read.
  // Nothing is calculated while the tree list is freed: its columns leave one by one.
  if (FTreeList->Destroying()) return;
  const TvxTreeListChanges pending = FTreeList->Changes();
  if (pending.Contains(tcStructure) || pending.Contains(tcData) || pending.Contains(tcColumns)) RefreshItemLists();
  if (!FIsDirty) return;
  FIsDirty = false;
  CalculateTree();
  if (FTreeList->OnAfterSummary) FTreeList->OnAfterSummary(FTreeList);
}

void TvxTreeListSummary::InitInfos(TvxTreeListNode* ANode) {
  const auto& items = ANode->IsRoot() ? FAbsoluteFooterSummaryItems : FAbsoluteGroupFooterSummaryItems;
  ANode->FSummaryInfo.assign(items.size(), TvxTreeListSummaryInfo{});
  for (size_t i = 0; i < items.size(); ++i) {
    TvxTreeListSummaryInfo& info = ANode->FSummaryInfo[i];
    const TvxSummaryKind kind = items[i]->Kind();
    info.TempValue = kind == skSum || kind == skAverage ? Variant(0) : Null();
    info.Value = Null();
  }
}

void TvxTreeListSummary::AddValues(TvxTreeListNode* AAncestor, TvxTreeListNode* ANode,
                                   const std::vector<TvxTreeListSummaryItem*>& AItems) {
  const bool ignoreNull = FTreeList->OptionsData()->SummaryNullIgnore();
  for (TvxTreeListSummaryItem* item : AItems) {
    const TvxSummaryKind kind = item->Kind();
    if (kind == skNone || (!item->AllNodes() && ANode->Parent() != AAncestor)) continue;
    TvxTreeListColumn* column = item->CalculatedColumn();
    if (!column) continue;
    TvxTreeListSummaryInfo& info = AAncestor->FSummaryInfo[item->FAbsoluteIndex];
    Variant value = ANode->Values(column->ItemIndex());
    Integer step = 1;
    if (FTreeList->OnSummary) {
      TvxTreeListSummaryEventOutArguments out{value, info.TempValue, 1, false};
      FTreeList->OnSummary(FTreeList, {ANode, item}, out);
      info.TempValue = out.SummaryValue;
      step = out.CountValue;
      value = out.Value;
      if (out.Done) continue;
    }
    const bool isNull = VarIsNull(value) || VarIsEmpty(value);
    if (ignoreNull && isNull) continue;
    if (VarIsNull(info.TempValue) || VarIsEmpty(info.TempValue)) {
      info.TempValue = value;
    } else if (!isNull) {
      if (kind == skSum || kind == skAverage)
        info.TempValue = info.TempValue + value;
      else if (kind == skMin && value < info.TempValue)
        info.TempValue = value;
      else if (kind == skMax && value > info.TempValue)
        info.TempValue = value;
    }
    info.Count += step;
  }
}

void TvxTreeListSummary::FinishInfos(TvxTreeListNode* ANode) {
  const auto& items = ANode->IsRoot() ? FAbsoluteFooterSummaryItems : FAbsoluteGroupFooterSummaryItems;
  for (size_t i = 0; i < items.size() && i < ANode->FSummaryInfo.size(); ++i) {
    TvxTreeListSummaryInfo& info = ANode->FSummaryInfo[i];
    switch (items[i]->Kind()) {
      case skSum:
      case skMin:
      case skMax:
        info.Value = VarIsEmpty(info.TempValue) ? Null() : info.TempValue;
        break;
      case skCount:
        info.Value = Variant(info.Count);
        break;
      case skAverage:
        if (info.Count > 0 && !VarIsEmpty(info.TempValue) && !VarIsNull(info.TempValue)) {
          const double average = info.TempValue.AsDouble() / info.Count;
          info.Value = VarTypeBase(info.TempValue) == varDate ? VarFromDateTime(average) : Variant(average);
        }
        break;
      case skNone:
        break;
    }
  }
}

void TvxTreeListSummary::CalculateTree() {
  // Pre-order over the child links (collapsed subtrees count, hidden ones do not), with an
  // explicit path of the open parents instead of recursion, so that depth costs no stack.
  TvxTreeListNode* root = FTreeList->Root();
  InitInfos(root);
  std::vector<TvxTreeListNode*> path;  // the open parents below the root
  TvxTreeListNode* n = root->getFirstChild();
  while (n) {
    if (n->Visible()) {
      AddValues(root, n, FAbsoluteFooterSummaryItems);
      for (TvxTreeListNode* a : path) AddValues(a, n, FAbsoluteGroupFooterSummaryItems);
      if (n->getFirstChild()) {
        InitInfos(n);
        path.push_back(n);
        n = n->getFirstChild();
        continue;
      }
      n->FSummaryInfo.clear();
    }
    // Climb out of finished parents, finishing each.
    while (!n->getNextSibling() && !path.empty() && n->Parent() == path.back()) {
      FinishInfos(path.back());
      n = path.back();
      path.pop_back();
    }
    n = n->getNextSibling();
  }
  FinishInfos(root);
}
