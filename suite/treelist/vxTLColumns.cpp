#include "vxTL.h"

#include <algorithm>
#include <exception>
#include <tuple>
#include <unordered_map>

#include "vxTLStrs.h"
#include "vxVariants.h"

// --- Column and band styles ---------------------------------------------------------------

TvxTreeListColumnStyles::TvxTreeListColumnStyles(TPersistent* AOwner) : TvxStyles(AOwner) { BitmapInViewParams = true; }

TvxTreeListColumn* TvxTreeListColumnStyles::Column() const { return static_cast<TvxTreeListColumn*>(FOwner); }

void TvxTreeListColumnStyles::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListColumnStyles*>(Source))
    for (Integer i : {Content, Header, Footer}) PutStyle(i, src->FindStyle(i));
  inherited::Assign(Source);
}

TvxViewParams TvxTreeListColumnStyles::Lookup(Integer AIndex, TObject* AData) {
  TvxViewParams r;
  GetViewParams(AIndex, AData, nullptr, r);
  return r;
}

void TvxTreeListColumnStyles::GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) {
  inherited::GetDefaultViewParams(AIndex, AData, AParams);
  TvxTreeListColumn* column = Column();
  TvxCustomTreeList* tl = column->TreeList();
  if (!tl) return;
  auto* node = dynamic_cast<TvxTreeListNode*>(AData);
  TvxTreeListBand* band = column->Position()->Band();
  switch (AIndex) {
    case Content:
      AParams = column->IsPreview() ? tl->Styles()->GetPreviewParams(node)
                                    : tl->Styles()->GetColumnContentParams(node, column->ItemIndex());
      break;
    case Header:
      AParams = tl->Styles()->GetColumnHeaderParams(column);
      break;
    case Footer:
      AParams = band ? band->Styles()->GetFooterParams(node)
                     : tl->Styles()->GetColumnFooterParams(column->ItemIndex(), node, nullptr);
      break;
    default:
      break;
  }
}

void TvxTreeListColumnStyles::StyleChanged(Integer) { Column()->Changed(); }

TvxTreeListBandStyles::TvxTreeListBandStyles(TPersistent* AOwner) : TvxStyles(AOwner) { BitmapInViewParams = true; }

TvxTreeListBand* TvxTreeListBandStyles::Band() const { return static_cast<TvxTreeListBand*>(FOwner); }

void TvxTreeListBandStyles::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListBandStyles*>(Source))
    for (Integer i : {Content, Footer, Header, HeaderBackground}) PutStyle(i, src->FindStyle(i));
  inherited::Assign(Source);
}

TvxViewParams TvxTreeListBandStyles::Lookup(Integer AIndex, TObject* AData) {
  TvxViewParams r;
  GetViewParams(AIndex, AData, nullptr, r);
  return r;
}

void TvxTreeListBandStyles::GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) {
  inherited::GetDefaultViewParams(AIndex, AData, AParams);
  TvxTreeListBand* band = Band();
  TvxCustomTreeList* tl = band->TreeList();
  if (!tl) return;
  auto* node = dynamic_cast<TvxTreeListNode*>(AData);
  TvxTreeListStyles* s = tl->Styles();
  switch (AIndex) {
    case Content:
      AParams = s->GetBandContentParams(band, node);
      break;
    case Footer:
      AParams = s->GetBandFooterParams(band, node);
      break;
    case Header:
      AParams = s->DoGetBandHeaderParams(band);
      break;
    case HeaderBackground: {
      TvxStyle* style = nullptr;
      if (s->OnGetBandBackgroundStyle) s->OnGetBandBackgroundStyle(tl, band, style);
      s->GetViewParams(tlsBandBackground, band, style, AParams);
      break;
    }
    default:
      break;
  }
}

void TvxTreeListBandStyles::StyleChanged(Integer) {
  if (TvxCustomTreeList* tl = Band()->TreeList()) tl->LayoutChanged();
}

// --- Column options and position ----------------------------------------------------------

TvxTreeListColumnOptions::TvxTreeListColumnOptions(TPersistent* AOwner) : TvxOwnedPersistent(AOwner) {
  // Set directly: the owning column is still being made.
  SetDefaults();
}

void TvxTreeListColumnOptions::SetDefaults() {
  for (Integer i = 0; i < OptionCount; ++i) FValues[i] = true;
  FValues[Hidden] = false;
  FValues[ShowEditButtons] = false;
}

void TvxTreeListColumnOptions::RestoreDefaults() {
  SetDefaults();
  if (auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner)) column->Changed();
}

void TvxTreeListColumnOptions::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListColumnOptions*>(Source);
  if (!src) return inherited::Assign(Source);
  for (Integer i = 0; i < OptionCount; ++i) Set(static_cast<TOption>(i), src->Get(static_cast<TOption>(i)));
}

void TvxTreeListColumnOptions::Set(TOption AOption, bool Value) {
  if (FValues[AOption] == Value) return;
  FValues[AOption] = Value;
  if (auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner)) column->Changed();
}

TvxTreeListColumnPosition::TvxTreeListColumnPosition(TPersistent* AOwner) : TvxOwnedPersistent(AOwner) {}

TvxTreeListColumn* TvxTreeListColumnPosition::Column() const { return static_cast<TvxTreeListColumn*>(FOwner); }
TvxCustomTreeList* TvxTreeListColumnPosition::TreeList() const { return Column()->TreeList(); }

void TvxTreeListColumnPosition::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListColumnPosition*>(Source);
  if (!src) return inherited::Assign(Source);
  FBandIndex = src->BandIndex();
  FRowIndex = src->RowIndex();
  FColIndex = src->ColIndex();
  SetLineCount(src->LineCount());
}

bool TvxTreeListColumnPosition::IsDeferred() const {
  TvxTreeListColumn* c = Column();
  return c->ComponentState().Contains(csLoading) || c->ComponentState().Contains(csUpdating) || !TreeList() ||
         TreeList()->IsRestoring();
}

Integer TvxTreeListColumnPosition::BandIndex() const { return FBand ? FBand->Index() : -1; }
Integer TvxTreeListColumnPosition::RowIndex() const { return FRow ? FRow->Index() : -1; }
Integer TvxTreeListColumnPosition::ColIndex() const { return FRow ? FRow->IndexOf(Column()) : -1; }
Integer TvxTreeListColumnPosition::VisibleRowIndex() const { return FRow ? FRow->VisibleIndex() : -1; }

Integer TvxTreeListColumnPosition::VisibleBandIndex() const {
  return FBand && FBand->Bands() ? FBand->Bands()->VisibleIndexOf(FBand) : -1;
}

void TvxTreeListColumnPosition::Changed() {
  if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

void TvxTreeListColumnPosition::LeaveBand() {
  TvxTreeListColumn* c = Column();
  if (FRow) {
    TvxTreeListBandRow* row = FRow;
    std::erase(row->FItems, c);
    std::erase(row->FVisibleItems, c);
    FRow = nullptr;
    if (row->FItems.empty()) {
      TvxTreeListBandRows* rows = row->BandRows();
      rows->Delete(rows->IndexOf(row));
    }
  }
  if (FBand) {
    std::erase(FBand->FColumns, c);
    std::erase(FBand->FVisibleColumns, c);
    FBand = nullptr;
  }
  FVisibleColIndex = -1;
}

void TvxTreeListColumnPosition::SetBandIndex(Integer Value) {
  if (IsDeferred()) {
    FBandIndex = Value;
    return;
  }
  if (Value == BandIndex()) return;
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListBands* bands = tl->Bands();
  TvxTreeListBand* target = Value >= 0 && Value < bands->Count() ? bands->Items(Value) : nullptr;
  TvxTreeListUpdateScope lock(tl);
  if (target && target->ChildBandCount() > 0) {
    // Only bottom bands hold columns: the target's children move to the root level,
    // right after the target's root ancestor.
    TvxTreeListBand* rootAncestor = target->RootParentBand() ? target->RootParentBand() : target;
    Integer at = rootAncestor->Index();
    while (target->ChildBandCount() > 0) {
      TvxTreeListBand* child = target->ChildBands(target->ChildBandCount() - 1);
      child->Position()->SetBandIndex(-1);
      Integer from = child->Index();
      child->TCollectionItem::SetIndex(from > at ? at + 1 : at);
      at = rootAncestor->Index();
    }
  }
  LeaveBand();
  if (target) {
    FBand = target;
    target->FColumns.push_back(Column());
    TvxTreeListBandRow* row = target->BandRows()->First();
    if (!row) row = target->BandRows()->RowByIndex(0);
    row->FItems.push_back(Column());
    FRow = row;
  }
  Changed();
}

void TvxTreeListColumnPosition::SetRow(TvxTreeListBandRow* ARow) {
  if (!ARow) return;
  TvxTreeListBand* band = ARow->Band();
  if (band != FBand) {
    TvxTreeListBandRow* keep = ARow;
    LeaveBand();
    FBand = band;
    band->FColumns.push_back(Column());
    ARow = keep;
  }
  if (ARow == FRow) return;
  if (FRow) {
    TvxTreeListBandRow* old = FRow;
    std::erase(old->FItems, Column());
    std::erase(old->FVisibleItems, Column());
    FRow = nullptr;
    if (old->FItems.empty()) old->BandRows()->Delete(old->BandRows()->IndexOf(old));
  }
  ARow->FItems.push_back(Column());
  FRow = ARow;
  Changed();
}

void TvxTreeListColumnPosition::SetRowIndex(Integer Value) {
  if (IsDeferred()) {
    FRowIndex = Value;
    return;
  }
  if (!FBand || Value < 0 || Value == RowIndex()) return;
  TvxTreeListUpdateScope lock(TreeList());
  SetRow(FBand->BandRows()->RowByIndex(Value));
}

void TvxTreeListColumnPosition::SetColIndex(Integer Value) {
  if (IsDeferred()) {
    FColIndex = Value;
    return;
  }
  if (!FRow) return;
  Integer c = ColIndex();
  if (c < 0 || Value < 0) return;
  if (c < Value) --Value;
  Value = std::min(Value, FRow->Count() - 1);
  if (Value == c) return;
  auto& items = FRow->FItems;
  items.erase(items.begin() + c);
  items.insert(items.begin() + Value, Column());
  Changed();
}

void TvxTreeListColumnPosition::SetLineCount(Integer Value) {
  Value = std::max(Value, 1);
  if (Value == FLineCount) return;
  FLineCount = Value;
  Changed();
}

void TvxTreeListColumnPosition::SetPosition(Integer AColIndex, Integer ARowIndex, bool IsInsertRow) {
  SetPositionEx(BandIndex(), AColIndex, IsInsertRow, ARowIndex);
}

void TvxTreeListColumnPosition::SetPositionEx(Integer ABandIndex, Integer AColIndex, bool IsInsertRow,
                                              Integer ARowIndex) {
  TvxTreeListUpdateScope lock(TreeList());
  SetBandIndex(ABandIndex);
  SetColIndex(AColIndex);
  if (IsInsertRow && FBand && ARowIndex >= 0 && ARowIndex <= FBand->BandRows()->Count())
    SetRow(FBand->BandRows()->Insert(ARowIndex));
  else
    SetRowIndex(ARowIndex);
}

void TvxTreeListColumnPosition::ApplyWishes() {
  SetBandIndex(FBandIndex);
  SetRowIndex(FRowIndex);
  SetColIndex(FColIndex);
}

void TvxTreeListColumnPosition::StoreWishes() {
  FBandIndex = BandIndex();
  FRowIndex = RowIndex();
  FColIndex = ColIndex();
}

bool TvxTreeListColumnPosition::WishesDiffer() const {
  return FBandIndex != BandIndex() || FRowIndex != RowIndex() || FColIndex != ColIndex();
}

void TvxTreeListColumnDataBinding::ValueTypeClassChanged() {
  auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner);
  if (!column || !column->TreeList()) return;
  column->TreeList()->DataController()->ChangeValueTypeClass(column->ItemIndex(), GetValueTypeClass());
  column->RefreshProperties();
  column->Changed();
}

// --- Column summaries -----------------------------------------------------------------------

void TvxTreeListSummaryItem::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListSummaryItem*>(Source);
  if (!src) return inherited::Assign(Source);
  FAlignHorz = src->FAlignHorz;
  FAlignVert = src->FAlignVert;
  FAllNodes = src->FAllNodes;
  FKind = src->FKind;
  FFormat = src->FFormat;
  FMultiLine = src->FMultiLine;
  FVisible = src->FVisible;
  OnGetText = src->OnGetText;
  // The calculated column is this tree list's column of the same item index.
  TvxTreeListColumn* own = Column();
  TvxCustomTreeList* tl = own ? own->TreeList() : nullptr;
  Integer index = src->FCalculatedColumn ? src->FCalculatedColumn->ItemIndex() : -1;
  FCalculatedColumn = tl && index >= 0 && index < tl->ColumnCount() ? tl->Columns(index) : nullptr;
  Changed(true);
}

TvxTreeListSummaryItems* TvxTreeListSummaryItem::Items() const {
  return static_cast<TvxTreeListSummaryItems*>(Collection());
}

TvxTreeListColumn* TvxTreeListSummaryItem::Column() const {
  return Items() ? Items()->Summary()->Column() : nullptr;
}

TvxTreeListColumn* TvxTreeListSummaryItem::CalculatedColumn() const {
  return FCalculatedColumn ? FCalculatedColumn : Column();
}

TvxTreeListSummaryItems::TvxTreeListSummaryItems(TvxTreeListColumnSummary* ASummary)
    : TvxCollection(TvxTreeListSummaryItem::StaticClass()), FSummary(ASummary) {}

TPersistent* TvxTreeListSummaryItems::GetOwner() { return FSummary; }

TvxTreeListSummaryItem* TvxTreeListSummaryItems::Add() {
  // The new item is numbered by the update that adding it reports.
  return static_cast<TvxTreeListSummaryItem*>(TCollection::Add());
}

TvxTreeListSummaryItem* TvxTreeListSummaryItems::GetItemByKind(TvxSummaryKind AKind) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->Kind() == AKind) return Items(i);
  return nullptr;
}

void TvxTreeListSummaryItems::Update(TCollectionItem*) {
  FVisibleCount = 0;
  for (Integer i = 0; i < Count(); ++i) Items(i)->FVisibleIndexInColumn = Items(i)->Visible() ? FVisibleCount++ : -1;
  FSummary->Changed();
}

TvxTreeListColumnSummary::TvxTreeListColumnSummary(TvxTreeListColumn* AColumn)
    : TvxOwnedPersistent(AColumn),
      FFooterSummaryItems(std::make_unique<TvxTreeListSummaryItems>(this)),
      FGroupFooterSummaryItems(std::make_unique<TvxTreeListSummaryItems>(this)) {}

TvxTreeListColumnSummary::~TvxTreeListColumnSummary() = default;

TvxTreeListColumn* TvxTreeListColumnSummary::Column() const { return static_cast<TvxTreeListColumn*>(FOwner); }

void TvxTreeListColumnSummary::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListColumnSummary*>(Source);
  if (!src) return inherited::Assign(Source);
  FGroupFooterSummaryItems->Assign(src->GroupFooterSummaryItems());
  FFooterSummaryItems->Assign(src->FooterSummaryItems());
}

void TvxTreeListColumnSummary::Changed() {
  if (FOwner && Column()->TreeList()) Column()->TreeList()->StructureChanged();
}

// --- Columns --------------------------------------------------------------------------------

TvxTreeListColumn::TvxTreeListColumn(TComponent* AOwner)
    : TvxCustomInplaceEditContainer(AOwner),
      FCaption(std::make_unique<TvxTreeListCaption>(this)),
      FOptions(std::make_unique<TvxTreeListColumnOptions>(this)),
      FPosition(std::make_unique<TvxTreeListColumnPosition>(this)),
      FStyles(std::make_unique<TvxTreeListColumnStyles>(this)),
      FSummary(std::make_unique<TvxTreeListColumnSummary>(this)),
      FSummaryFooter(std::make_unique<TvxTreeListDeprecatedColumnSummaryFooter>(this)) {
  // The edit item's binding is the column's own; its item options and styles stay at their
  // defaults (the column's options and styles are the ones the tree list reads).
  inherited::FDataBinding = std::make_unique<TvxTreeListColumnDataBinding>(this);
  inherited::FOptions = std::make_unique<TvxCustomEditContainerItemOptions>(this);
  inherited::FStyles = std::make_unique<TvxEditContainerStyles>(this);
  FCaption->OnChange = [this](TObject* Sender) { CaptionChanged(Sender); };
}

void TvxTreeListColumn::AfterConstruction() {
  // Skips the edit item's creation of binding, options and styles: made above.
  TComponent::AfterConstruction();
}

bool TvxTreeListColumn::CanFocus() {
  return FOptions->Get(TvxTreeListColumnOptions::Focusing) && FTreeList && FTreeList->OptionsSelection()->CellSelect &&
         !IsPreview();
}

bool TvxTreeListColumn::CanEdit() {
  TvxTreeListNode* n = FTreeList ? FTreeList->FocusedNode() : nullptr;
  return n && !n->IsHidden() && FTreeList->OptionsData()->Editing() && CanFocus() &&
         FOptions->Get(TvxTreeListColumnOptions::Editing);
}

bool TvxTreeListColumn::CanInitEditing() {
  if (!CanEdit()) return false;
  TvxTreeListDataController* dc = FTreeList->DataController();
  if (dc->EditingNode() != FTreeList->FocusedNode()) dc->Edit();
  return dc->EditingNode() != nullptr;
}

Variant TvxTreeListColumn::GetValueByRecord(Integer) {
  // The editing framework asks only about the focused node's cell (the editor's).
  return Value();
}

Variant TvxTreeListColumn::GetEditValue() {
  if (!FTreeList || !Editing() || !FTreeList->FocusedNode()) return Variant();
  return FTreeList->DataController()->GetNodeValue(FTreeList->FocusedNode(), ItemIndex());
}

void TvxTreeListColumn::SetEditValue(const Variant& Value) {
  if (!FTreeList || !Editing() || !CanInitEditing()) return;
  FTreeList->DataController()->SetEditValue(ItemIndex(), Value, false);
}

TvxTreeListColumn::~TvxTreeListColumn() {
  // Leaving the tree list relays it out, whose handlers may raise; nothing may leave a
  // destructor, and the column is gone from every list before the relayout starts.
  RunWithoutThrowing([this] { SetTreeList(nullptr); });
}

void TvxTreeListColumn::SetTreeList(TvxCustomTreeList* Value) {
  if (FTreeList == Value) return;
  if (TvxCustomTreeList* old = FTreeList) {
    // An editor open on the column is closed without posting, and the controller forgets
    // the column; the edit item is then no longer bound to the control.
    if (TvxCustomControlController* c = old->Controller()) {
      if (c->EditingController()->EditingItem() == this) c->EditingController()->HideEdit(false);
      if (c->FocusedItem() == this) c->SetFocusedItem(nullptr);
    }
    FEditingControl = nullptr;
    TvxTreeListUpdateScope lock(old);
    if (FSortOrder != soNone) {
      FSortOrder = soNone;
      old->ColumnSortOrderChanged(this);
    }
    FPosition->LeaveBand();
    old->RemoveColumn(this);
    FTreeList = nullptr;
  }
  FTreeList = Value;
  // Only a tree list with its editing collaborators (a control, not a bare model) edits.
  FEditingControl = Value && Value->Controller() && Value->EditStyle() ? Value : nullptr;
  if (Value) Value->AddColumn(this);
  RefreshProperties();
}

void TvxTreeListColumn::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListColumn*>(Source);
  if (!src) return inherited::Assign(Source);
  auto apply = [&] {
    DataBinding()->Assign(src->DataBinding());
    FOptions->Assign(src->Options());
    FCalculatedWidth = src->FCalculatedWidth;
    FMinWidth = src->FMinWidth;
    FWidth = src->FWidth;
    FPosition->Assign(src->Position());
    FCaption->Assign(src->Caption());
    FStyles->Assign(src->Styles());
    FSummary->Assign(src->Summary());
    SetSortOrder(src->SortOrder());
    SetVisible(src->Visible());
  };
  if (FTreeList) {
    TvxTreeListUpdateScope lock(FTreeList);
    apply();
  } else {
    apply();
  }
}

void TvxTreeListColumn::Changed() {
  if (FTreeList) FTreeList->LayoutChanged();
}

Integer TvxTreeListColumn::ItemIndex() const {
  if (!FTreeList) return -1;
  auto& v = FTreeList->FColumns;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

void TvxTreeListColumn::SetItemIndex(Integer Value) {
  if (!FTreeList) return;
  Integer cur = ItemIndex();
  if (Value < 0 || Value >= static_cast<Integer>(FTreeList->FColumns.size()) || Value == cur) return;
  TvxTreeListUpdateScope lock(FTreeList);
  std::swap(FTreeList->FColumns[cur], FTreeList->FColumns[Value]);
  FTreeList->DataController()->ExchangeItems(cur, Value);
  FTreeList->RebuildSortColumns();
  FTreeList->LayoutChanged();
}

Integer TvxTreeListColumn::VisibleIndex() const {
  if (!FTreeList) return -1;
  auto& v = FTreeList->FVisibleColumns;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

Integer TvxTreeListColumn::Width() const { return std::max(FWidth != 0 ? FWidth : 100, FMinWidth); }

void TvxTreeListColumn::SetWidth(Integer Value) {
  Value = std::max(Value, IndentWidth() + FMinWidth);
  if (Value != FWidth && Value >= 0) {
    FWidth = Value;
    FCalculatedWidth = Value;
    if (FPosition->Band() && FTreeList && !FTreeList->IsUpdating() && !ComponentState().Contains(csLoading)) {
      FPosition->Band()->BandRows()->Refresh();
      FTreeList->Bands()->CalculateAutoWidth();
      if (FTreeList->OnColumnSizeChanged) FTreeList->OnColumnSizeChanged(FTreeList, this);
    }
  }
  Changed();
}

void TvxTreeListColumn::SetMinWidth(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  SetWidth(Value);
}

void TvxTreeListColumn::SetBestFitMaxWidth(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FBestFitMaxWidth) return;
  FBestFitMaxWidth = Value;
  Changed();
}

Integer TvxTreeListColumn::DisplayWidth() const {
  if (FTreeList) FTreeList->ProcessChanges();
  if (!ActuallyVisible()) return 0;
  return FCalculatedWidth != 0 ? FCalculatedWidth : Width();
}

void TvxTreeListColumn::SetDisplayWidth(Integer Value) {
  if (!FTreeList) return SetWidth(Value);
  TvxCustomTreeList* tl = FTreeList;
  tl->ProcessChanges();
  Value = std::max(FMinWidth, Value);
  if (Value == Width()) return;
  // The columns of the same visible row in every bottom band keep what they show now,
  // so only this column and those to its right take up the difference.
  auto freeze = [&] {
    Integer row = FPosition->VisibleRowIndex();
    TvxTreeListBands* bands = tl->Bands();
    for (Integer i = 0; i < bands->BottomItemCount(); ++i) {
      TvxTreeListBandRows* rows = bands->BottomItems(i)->BandRows();
      if (row < 0 || row >= rows->VisibleItemCount()) continue;
      TvxTreeListBandRow* r = rows->VisibleItems(row);
      for (Integer j = 0; j < r->VisibleItemCount(); ++j) {
        TvxTreeListColumn* c = r->VisibleItems(j);
        if (Integer w = c->DisplayWidth()) c->FWidth = w;
      }
    }
  };
  {
    TvxTreeListUpdateScope lock(tl);
    TValueScope<TvxTreeListColumn*> forcing(tl->ForcingWidthColumn, this);
    freeze();
    FWidth = std::max(Value, IndentWidth() + FMinWidth);
    FCalculatedWidth = FWidth;
    tl->Bands()->CalculateAutoWidth();
    freeze();
  }
  if (tl->OnColumnSizeChanged) tl->OnColumnSizeChanged(tl, this);
}

Integer TvxTreeListColumn::IndentWidth() const {
  if (!FTreeList || !FPosition->Band() || !FPosition->Row()) return 0;
  if (FPosition->Band() != FTreeList->Bands()->ExpandableBand() || FPosition->Row()->First() != this) return 0;
  return FTreeList->GetIndentWidth();
}

void TvxTreeListColumn::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  if (FTreeList) FTreeList->ClearCalculatedWidths();
  Changed();
}

bool TvxTreeListColumn::ActuallyVisible() const {
  return FVisible && FPosition->Band() && FPosition->Band()->ActuallyVisible();
}

bool TvxTreeListColumn::IsHidden() const { return !ActuallyVisible() || IsPreview(); }
bool TvxTreeListColumn::IsPreview() const { return FTreeList && FTreeList->Preview()->Column() == this; }

void TvxTreeListColumn::SetIsPreview(bool Value) {
  if (Value == IsPreview() || !FTreeList) return;
  FTreeList->Preview()->SetColumn(Value ? this : nullptr);
}

bool TvxTreeListColumn::IsLeft() const { return ActuallyVisible() && FPosition->Row()->First() == this; }
bool TvxTreeListColumn::IsRight() const { return ActuallyVisible() && FPosition->Row()->Last() == this; }

// The column's editor comes with the editing control; until then sorting is open to
// every column, and OnCompare decides for all of them when it is assigned.
bool TvxTreeListColumn::CanSort() const { return true; }

bool TvxTreeListColumn::CanMoving() const {
  return FTreeList && FTreeList->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::ColumnMoving) &&
         FOptions->Get(TvxTreeListColumnOptions::Moving);
}

bool TvxTreeListColumn::CanSizing(TvxTreeListSizingDirection ADirection) const {
  if (!FTreeList) return false;
  using C = TvxTreeListOptionsCustomizing;
  using O = TvxTreeListColumnOptions;
  if (ADirection == tlsdHorz)
    return FOptions->Get(O::Sizing) && FTreeList->OptionsCustomizing()->Get(C::ColumnHorzSizing);
  return FOptions->Get(O::VertSizing) && FTreeList->OptionsCustomizing()->Get(C::ColumnVertSizing);
}

Integer TvxTreeListColumn::GetSizingMinWidth() const {
  return FOptions->Get(TvxTreeListColumnOptions::Sizing) ? IndentWidth() + FMinWidth : Width();
}

Integer TvxTreeListColumn::GetSizingMaxWidth() const {
  TvxTreeListBand* band = FPosition->Band();
  TvxTreeListBandRow* row = FPosition->Row();
  if (!band || !row || band->Width() == 0) return 32767;
  Integer r = band->DisplayWidth();
  bool last = row->Last() == this;
  for (Integer i = 0; i < row->VisibleItemCount(); ++i) {
    TvxTreeListColumn* c = row->VisibleItems(i);
    if (c == this) continue;
    bool right = c->Position()->VisibleColIndex() > FPosition->VisibleColIndex();
    r -= right || last ? c->MinWidth() : c->DisplayWidth();
  }
  return r;
}

void TvxTreeListColumn::SetSizeDelta(TvxTreeListSizingDirection ADirection, Integer ADelta) {
  if (ADelta == 0 || !FTreeList) return;
  {
    TvxTreeListUpdateScope lock(FTreeList);
    if (ADirection == tlsdVert)
      FPosition->SetLineCount(FPosition->LineCount() + ADelta);
    else
      SetDisplayWidth(DisplayWidth() + ADelta);
  }
  FTreeList->DesignerModified();
}

void TvxTreeListColumn::SetSortOrder(TvxDataSortOrder Value) {
  if (!FOptions->Get(TvxTreeListColumnOptions::Sorting) || !CanSort() || Value == FSortOrder) return;
  FSortOrder = Value;
  if (FTreeList) FTreeList->ColumnSortOrderChanged(this);
}

void TvxTreeListColumn::SetSortIndex(Integer Value) {
  if (FSortOrder == soNone || Value < 0 || Value == FSortIndex || !FTreeList) return;
  FTreeList->MoveSortedColumn(this, Value);
}

Variant TvxTreeListColumn::Value() const {
  if (!FTreeList || !FTreeList->FocusedNode()) return Null();
  return FTreeList->FocusedNode()->Values(ItemIndex());
}

void TvxTreeListColumn::SetValue(const Variant& AValue) {
  if (FTreeList && FTreeList->FocusedNode()) FTreeList->FocusedNode()->SetValues(ItemIndex(), AValue);
}

String TvxTreeListColumn::DoGetDisplayText(TvxTreeListNode* ANode, const Variant& AValue) {
  String result = VarIsNull(AValue) || VarIsEmpty(AValue) ? String() : VarToStr(AValue);
  if (OnGetDisplayText) OnGetDisplayText(this, ANode, result);
  return result;
}

Variant TvxTreeListColumn::GetDisplayValue(TvxTreeListNode* ANode, bool AAsText, bool ARaw) {
  Variant value = ANode->Values(ItemIndex());
  if (ARaw || (!OnGetDisplayText && !AAsText)) return value;
  String text = DoGetDisplayText(ANode, AAsText ? Variant(FTreeList->DataController()->GetNodeDisplayText(ANode, ItemIndex()))
                                                : Variant(String()));
  if (!text.empty() || AAsText) return Variant(text);
  return value;
}

bool TvxTreeListColumn::IsCurrency() const {
  return FTreeList && FTreeList->DataController()->GetItemValueTypeClass(ItemIndex()) == TvxCurrencyValueType::Class();
}

void TvxTreeListColumn::RestoreDefaults() {
  FOptions->RestoreDefaults();
  SetSortOrder(soNone);
  FCaption->SetAlignHorz(taLeftJustify);
  FCaption->SetAlignVert(vaTop);
  RestoreWidths();
}

void TvxTreeListColumn::RestoreWidths() {
  FMinWidth = 20;
  SetWidth(100);
}

bool TvxTreeListColumn::IsFixedForAutoWidth() const {
  TvxTreeListColumn* f = FTreeList ? FTreeList->ForcingWidthColumn : nullptr;
  if (f == this || !FOptions->Get(TvxTreeListColumnOptions::Sizing)) return true;
  if (!f || f->Position()->Row() != FPosition->Row() || !FPosition->Row()) return false;
  return FPosition->Row()->Last() != f && FPosition->VisibleColIndex() < f->Position()->VisibleColIndex();
}

void TvxTreeListColumn::InitAutoWidthItem(TvxAutoWidthItem* AItem) {
  AItem->Width = Width();
  AItem->MinWidth = IndentWidth() + FMinWidth;
  AItem->Fixed = IsFixedForAutoWidth();
  if (AItem->Fixed) AItem->Width = AItem->MinWidth = std::max(AItem->Width, AItem->MinWidth);
  AItem->AutoWidth = -1;
}

// --- Band rows -------------------------------------------------------------------------------

TvxTreeListBand* TvxTreeListBandRow::Band() const { return FBandRows->Band(); }
TvxCustomTreeList* TvxTreeListBandRow::TreeList() const { return Band()->TreeList(); }

Integer TvxTreeListBandRow::IndexOf(TvxTreeListColumn* AColumn) const {
  // A column just placed is the row's last: found at once, so that a row filled column
  // by column costs its length, not its square.
  if (!FItems.empty() && FItems.back() == AColumn) return static_cast<Integer>(FItems.size()) - 1;
  auto it = std::find(FItems.begin(), FItems.end(), AColumn);
  return it == FItems.end() ? -1 : static_cast<Integer>(it - FItems.begin());
}

Integer TvxTreeListBandRow::Index() const { return FBandRows->IndexOf(this); }

Integer TvxTreeListBandRow::VisibleIndex() const {
  for (Integer i = 0; i < FBandRows->VisibleItemCount(); ++i)
    if (FBandRows->VisibleItems(i) == this) return i;
  return -1;
}

bool TvxTreeListBandRow::IsFirst() const { return Index() == FBandRows->Count() - 1; }
bool TvxTreeListBandRow::IsLast() const { return Index() == 0; }

void TvxTreeListBandRow::Refresh() {
  FVisibleItems.clear();
  FLineCount = FMinWidth = FWidth = 0;
  FWidthAssigned = false;
  TvxTreeListBand* band = Band();
  for (TvxTreeListColumn* c : FItems) {
    if (!c->Visible() || c->IsPreview()) {
      c->Position()->FVisibleColIndex = -1;
      continue;
    }
    c->Position()->FVisibleColIndex = static_cast<Integer>(FVisibleItems.size());
    FVisibleItems.push_back(c);
    Integer lines = c->Position()->LineCount();
    FLineCount = std::max(FLineCount, lines);
    if (lines < FLineCount) band->FHasEmptyArea = true;
    FWidth += c->Width();
    FMinWidth += c->MinWidth();
    FWidthAssigned = c->FWidth != 0;
  }
}

TvxTreeListBandRow* TvxTreeListBandRows::RowByIndex(Integer AIndex) {
  AIndex = std::max(AIndex, 0);
  if (AIndex >= Count()) {
    FItems.push_back(std::make_unique<TvxTreeListBandRow>(this));
    return FItems.back().get();
  }
  return FItems[AIndex].get();
}

TvxTreeListBandRow* TvxTreeListBandRows::Insert(Integer AIndex) {
  AIndex = std::clamp<Integer>(AIndex, 0, Count());
  auto it = FItems.insert(FItems.begin() + AIndex, std::make_unique<TvxTreeListBandRow>(this));
  return it->get();
}

void TvxTreeListBandRows::Delete(Integer AIndex) {
  if (AIndex < 0 || AIndex >= Count() || FItems[AIndex]->Count() > 0) return;
  std::erase(FVisibleItems, FItems[AIndex].get());
  FItems.erase(FItems.begin() + AIndex);
}

Integer TvxTreeListBandRows::IndexOf(const TvxTreeListBandRow* ARow) const {
  for (Integer i = 0; i < Count(); ++i)
    if (FItems[i].get() == ARow) return i;
  return -1;
}

void TvxTreeListBandRows::Refresh() {
  FRowMinWidth = FRowMaxWidth = FLineCount = 0;
  FBand->FHasEmptyArea = false;
  FVisibleItems.clear();
  FBand->FVisibleColumns.clear();
  bool assignedSeen = false;
  for (auto& row : FItems) {
    row->Refresh();
    if (row->VisibleItemCount() == 0) continue;
    FVisibleItems.push_back(row.get());
    row->FLineOffset = FLineCount;
    FLineCount += row->LineCount();
    FRowMinWidth = std::max(FRowMinWidth, row->MinWidth());
    // Rows up to the first with an assigned width count, and after it only those with
    // an assigned width.
    if (!assignedSeen || row->WidthAssigned()) FRowMaxWidth = std::max(FRowMaxWidth, row->Width());
    if (row->WidthAssigned()) assignedSeen = true;
    FBand->FVisibleColumns.insert(FBand->FVisibleColumns.end(), row->FVisibleItems.begin(), row->FVisibleItems.end());
  }
}

// --- Band options and position ---------------------------------------------------------------

void TvxTreeListBandOptions::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListBandOptions*>(Source);
  if (!src) return inherited::Assign(Source);
  Customizing = src->Customizing;
  Hidden = src->Hidden;
  Moving = src->Moving;
  OnlyOwnColumns = src->OnlyOwnColumns;
  SetSizing(src->Sizing());
  SetVertSizing(src->VertSizing());
}

void TvxTreeListBandOptions::RestoreDefaults() {
  Customizing = Moving = true;
  Hidden = OnlyOwnColumns = false;
  SetSizing(true);
  SetVertSizing(true);
}

void TvxTreeListBandOptions::SetSizing(bool Value) {
  if (FSizing == Value) return;
  FSizing = Value;
  if (auto* band = dynamic_cast<TvxTreeListBand*>(FOwner)) band->StructureChanged();
}

void TvxTreeListBandOptions::SetVertSizing(bool Value) {
  if (FVertSizing == Value) return;
  FVertSizing = Value;
  if (auto* band = dynamic_cast<TvxTreeListBand*>(FOwner)) band->StructureChanged();
}

TvxTreeListBand* TvxTreeListBandPosition::Band() const { return static_cast<TvxTreeListBand*>(FOwner); }
TvxCustomTreeList* TvxTreeListBandPosition::TreeList() const { return Band()->TreeList(); }

void TvxTreeListBandPosition::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListBandPosition*>(Source);
  if (!src) return inherited::Assign(Source);
  FBandIndex = src->BandIndex();
  FColIndex = src->ColIndex();
}

// While the tree list is read, places are kept as wishes and given all at once when the
// reading ends (TvxTreeListBands::PlaceFromWishes).
bool TvxTreeListBandPosition::IsDeferred() const {
  return !TreeList() || TreeList()->Destroying() || TreeList()->IsLoading() ||
         (TreeList()->IsRestoring() && !Band()->IsDestroying());
}

Integer TvxTreeListBandPosition::BandIndex() const { return FParentBand ? FParentBand->Index() : -1; }

Integer TvxTreeListBandPosition::ColIndex() const {
  return FParentBand ? FParentBand->IndexOf(Band()) : Band()->RootIndex();
}

Integer TvxTreeListBandPosition::VisibleColIndex() const {
  if (!FParentBand) return Band()->VisibleRootIndex();
  auto& v = FParentBand->FChildVisibleBands;
  auto it = std::find(v.begin(), v.end(), Band());
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

void TvxTreeListBandPosition::SetBandIndex(Integer Value) {
  if (IsDeferred()) {
    FBandIndex = Value;
    return;
  }
  TvxTreeListBand* band = Band();
  TvxTreeListBands* bands = band->Bands();
  if (Value == band->Index()) return;
  if (Value < -1 || Value >= bands->Count()) return;
  TvxTreeListBand* target = Value >= 0 ? bands->Items(Value) : nullptr;
  TvxTreeListUpdateScope lock(TreeList());
  if (target && target->HasAsParent(band)) {
    // The target lies below this band: this band's children first move up to this
    // band's parent, at this band's place, so that no cycle arises.
    Integer at = ColIndex();
    std::vector<TvxTreeListBand*> children = band->FChildBands;
    band->FChildBands.clear();
    for (TvxTreeListBand* child : children) {
      child->FPosition->FParentBand = FParentBand;
      if (FParentBand) {
        auto& list = FParentBand->FChildBands;
        list.insert(list.begin() + std::clamp<Integer>(++at, 0, static_cast<Integer>(list.size())), child);
      }
    }
  }
  if (Value == BandIndex()) return;
  if (FParentBand) std::erase(FParentBand->FChildBands, band);
  FParentBand = target;
  if (target) {
    target->FChildBands.push_back(band);
    band->FFixedKind = target->FixedKind();
    if (!target->FColumns.empty()) {
      // A band with children holds no columns: they move to its deepest first descendant.
      TvxTreeListBand* dest = target->DeepestFirstDescendant();
      for (TvxTreeListColumn* c : std::vector<TvxTreeListColumn*>(target->FColumns))
        c->Position()->SetBandIndex(dest->Index());
    }
  }
  band->StructureChanged();
}

void TvxTreeListBandPosition::SetColIndex(Integer Value) {
  if (IsDeferred()) {
    FColIndex = Value;
    return;
  }
  if (Value == ColIndex()) return;
  if (FParentBand)
    FParentBand->MoveBand(Band(), Value);
  else
    Band()->SetRootIndex(Value);
}

void TvxTreeListBandPosition::ApplyWishes() {
  SetBandIndex(FBandIndex);
  if (FParentBand) SetColIndex(FColIndex);
}

void TvxTreeListBandPosition::StoreWishes() {
  FBandIndex = BandIndex();
  FColIndex = ColIndex();
}

// --- Bands -----------------------------------------------------------------------------------

TvxTreeListBand::TvxTreeListBand(TCollection* Collection)
    : TvxInterfacedCollectionItem(Collection),
      FBandRows(std::make_unique<TvxTreeListBandRows>(this)),
      FCaption(std::make_unique<TvxTreeListCaption>(this)),
      FOptions(std::make_unique<TvxTreeListBandOptions>(this)),
      FPosition(std::make_unique<TvxTreeListBandPosition>(this)),
      FStyles(std::make_unique<TvxTreeListBandStyles>(this)) {
  FCaption->OnChange = [this](TObject* Sender) { CaptionChanged(Sender); };
}

TvxTreeListBand::~TvxTreeListBand() {
  FIsDestroying = true;
  TvxCustomTreeList* tl = TreeList();
  DetachFromStructure();
  // Out of the collection while the band is still whole, so that nothing reads it later.
  // The relayout's handlers may raise, which must not leave the destructor; the band is
  // out of every list by now.
  RunWithoutThrowing([this, tl] {
    SetCollection(nullptr);
    if (tl && !tl->Destroying()) tl->LayoutChanged();
  });
}

void TvxTreeListBand::DetachFromStructure() {
  TvxCustomTreeList* tl = TreeList();
  if (tl && tl->ForcingWidthBand == this) tl->ForcingWidthBand = nullptr;
  if (tl) tl->DragItemRemoved(this);
  // The band always leaves its parent's child list, whatever the tree list is doing:
  // a freed band must never stay listed there.
  if (TvxTreeListBand* parent = FPosition->FParentBand) {
    std::erase(parent->FChildBands, this);
    std::erase(parent->FChildVisibleBands, this);
    FPosition->FParentBand = nullptr;
  }
  bool destroying = !tl || tl->Destroying();
  for (TvxTreeListBand* child : FChildBands) {
    child->FPosition->FParentBand = nullptr;
    if (!destroying) child->FVisible = false;
  }
  FChildBands.clear();
  FChildVisibleBands.clear();
  while (!FColumns.empty()) FColumns.back()->Position()->LeaveBand();
  if (TvxTreeListBands* bands = Bands()) {
    for (auto* list : {&bands->FBottomItems, &bands->FRootItems, &bands->FVisibleItems, &bands->FVisibleRootItems})
      std::erase(*list, this);
    if (bands->FExpandableBand == this) bands->FExpandableBand = nullptr;
  }
}

void TvxTreeListBand::BeforeDestruction() {
  FIsDestroying = true;
  inherited::BeforeDestruction();
}

TvxTreeListBands* TvxTreeListBand::Bands() const { return static_cast<TvxTreeListBands*>(Collection()); }
TvxCustomTreeList* TvxTreeListBand::TreeList() const { return Bands() ? Bands()->TreeList() : nullptr; }

void TvxTreeListBand::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListBand*>(Source);
  if (!src) return inherited::Assign(Source);
  FCalculatedWidth = src->FCalculatedWidth;
  FMinWidth = src->FMinWidth;
  FWidth = src->FWidth;
  FPosition->Assign(src->Position());
  FOptions->Assign(src->Options());
  FStyles->Assign(src->Styles());
  FCaption->Assign(src->Caption());
  SetFixedKind(src->FixedKind());
  FExpandable = src->FExpandable;
  SetVisible(src->Visible());
}

void TvxTreeListBand::SetIndex(Integer Value) {
  if (Value == Index()) return;
  inherited::SetIndex(Value);
  StructureChanged();
}

void TvxTreeListBand::StructureChanged() {
  TvxCustomTreeList* tl = TreeList();
  if (!tl || tl->Destroying()) return;
  if (tl->IsUpdating()) {
    Bands()->RebuildLists();
    tl->LayoutChanged();
  } else {
    tl->LayoutChanged();
  }
}

void TvxTreeListBand::CaptionChanged(TObject*) {
  if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

Integer TvxTreeListBand::IndexOf(TvxTreeListBand* AChildBand) const {
  auto it = std::find(FChildBands.begin(), FChildBands.end(), AChildBand);
  return it == FChildBands.end() ? -1 : static_cast<Integer>(it - FChildBands.begin());
}

bool TvxTreeListBand::HasAsParent(const TvxTreeListBand* ABand) const {
  for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand())
    if (p == ABand) return true;
  return false;
}

void TvxTreeListBand::MoveBand(TvxTreeListBand* ABand, Integer AColIndex) {
  if (!ABand || ABand == this) return;
  TvxTreeListUpdateScope lock(TreeList());
  ABand->Position()->SetBandIndex(Index());
  if (ABand->ParentBand() != this) return;
  AColIndex = std::max(AColIndex, 0);
  std::erase(FChildBands, ABand);
  AColIndex = std::min(AColIndex, static_cast<Integer>(FChildBands.size()));
  FChildBands.insert(FChildBands.begin() + AColIndex, ABand);
  StructureChanged();
}

TvxTreeListBand* TvxTreeListBand::RootParentBand() const {
  TvxTreeListBand* p = ParentBand();
  while (p && p->ParentBand()) p = p->ParentBand();
  return p;
}

TvxTreeListBand* TvxTreeListBand::DeepestFirstDescendant() {
  TvxTreeListBand* b = this;
  while (!b->FChildBands.empty()) b = b->FChildBands.front();
  return b;
}

Integer TvxTreeListBand::Level() const {
  Integer r = 0;
  for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand()) ++r;
  return r;
}

Integer TvxTreeListBand::RootIndex() const {
  TvxTreeListBands* bands = Bands();
  if (!bands || !IsRoot()) return -1;
  Integer r = 0;
  for (Integer i = 0; i < bands->Count(); ++i) {
    TvxTreeListBand* b = bands->Items(i);
    if (b == this) return r;
    if (b->IsRoot()) ++r;
  }
  return -1;
}

void TvxTreeListBand::SetRootIndex(Integer Value) {
  TvxTreeListBands* bands = Bands();
  if (!bands || !IsRoot() || TreeList()->Destroying()) return;
  std::vector<TvxTreeListBand*> roots;
  for (Integer i = 0; i < bands->Count(); ++i)
    if (bands->Items(i)->IsRoot()) roots.push_back(bands->Items(i));
  Value = std::clamp<Integer>(Value, 0, static_cast<Integer>(roots.size()) - 1);
  if (Value == RootIndex()) return;
  SetIndex(roots[Value]->Index());
}

Integer TvxTreeListBand::VisibleRootIndex() const {
  auto& v = Bands()->FVisibleRootItems;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<Integer>(it - v.begin());
}

Integer TvxTreeListBand::VisibleIndex() const { return Bands()->VisibleIndexOf(this); }

bool TvxTreeListBand::ActuallyVisible() const {
  for (const TvxTreeListBand* b = this; b; b = b->ParentBand())
    if (!b->FVisible) return false;
  return true;
}

bool TvxTreeListBand::ActuallyExpandable() const {
  return Bands() && const_cast<TvxTreeListBand*>(this)->DeepestFirstDescendant() == Bands()->ExpandableBand();
}

Integer TvxTreeListBand::IndentWidth() const { return ActuallyExpandable() ? TreeList()->GetIndentWidth() : 0; }

bool TvxTreeListBand::IsLastAsChild() const {
  Integer siblings = ParentBand() ? ParentBand()->ChildVisibleBandCount() : Bands()->VisibleRootItemCount();
  return FPosition->VisibleColIndex() + 1 == siblings;
}

bool TvxTreeListBand::IsLeftMost() const {
  TvxTreeListBands* bands = Bands();
  Integer first = FFixedKind == tlbfLeft    ? 0
                  : FFixedKind == tlbfNone  ? bands->VisibleRootLeftFixedCount()
                                            : bands->VisibleRootItemCount() - bands->VisibleRootRightFixedCount();
  if (first != 0 || first >= bands->VisibleRootItemCount()) return false;
  TvxTreeListBand* b = bands->VisibleRootItems(first);
  while (b && b != this && b->ChildVisibleBandCount() > 0) b = b->ChildVisibleBands(0);
  return b == this;
}

bool TvxTreeListBand::IsRightMost() const {
  TvxTreeListBands* bands = Bands();
  Integer last = FFixedKind == tlbfLeft   ? bands->VisibleRootLeftFixedCount() - 1
                 : FFixedKind == tlbfNone ? bands->VisibleRootItemCount() - bands->VisibleRootRightFixedCount() - 1
                                          : bands->VisibleRootItemCount() - 1;
  if (last < 0 || last >= bands->VisibleRootItemCount()) return false;
  TvxTreeListBand* b = bands->VisibleRootItems(last);
  while (b && b != this && b->ChildVisibleBandCount() > 0) b = b->ChildVisibleBands(b->ChildVisibleBandCount() - 1);
  return b == this && bands->LastVisible() == this;
}

void TvxTreeListBand::RefreshLists() {
  FChildVisibleBands.clear();
  FBandRows->Refresh();
  if (TvxCustomTreeList* tl = TreeList()) {
    for (TvxTreeListColumn* c : FVisibleColumns)
      if (!c->FInVisibleList) {
        c->FInVisibleList = true;
        tl->FVisibleColumns.push_back(c);
      }
  }
  for (TvxTreeListBand* child : FChildBands)
    if (child->Visible()) FChildVisibleBands.push_back(child);
}

void TvxTreeListBand::CalculateLineCount(Integer ATotal) {
  FLineCount = ATotal - Level();
  for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand()) p->FLineCount = ATotal - p->Level();
}

Integer TvxTreeListBand::GetMinWidth() {
  Integer r = std::max(FMinWidth, FBandRows->RowMinWidth());
  Integer children = 0;
  for (TvxTreeListBand* child : FChildVisibleBands) children += child->GetMinWidth();
  return std::max(r, children);
}

Integer TvxTreeListBand::DisplayWidth() {
  RefreshLists();
  if (FCalculatedWidth == 0) {
    Integer w = FWidth;
    if (w == 0) {
      w = FBandRows->RowMaxWidth();
      if (!FChildVisibleBands.empty()) {
        Integer sum = 0;
        for (TvxTreeListBand* child : FChildVisibleBands) sum += child->DisplayWidth();
        w = std::max(w, sum);
      }
      if (w == 0) w = std::max(FMinWidth, 100);
    }
    FCalculatedWidth = w;
  }
  return std::max(FCalculatedWidth, FBandRows->RowMinWidth());
}

void TvxTreeListBand::SetWidth(Integer Value) {
  if (Value < 0) return;
  if (Value > 0) Value = std::max(Value, GetMinWidth());
  if (Value == FWidth) return;
  FWidth = Value;
  FCalculatedWidth = Value;
  UpdateContentWidths();
  if (ActuallyVisible())
    if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

void TvxTreeListBand::SetDisplayWidth(Integer Value) {
  TvxCustomTreeList* tl = TreeList();
  if (!tl) return SetWidth(Value);
  // The bands beside it keep what they show, so only this band takes the difference.
  auto freeze = [&] {
    auto keep = [](const std::vector<TvxTreeListBand*>& AList) {
      for (TvxTreeListBand* b : AList) b->FWidth = b->DisplayWidth();
    };
    for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand())
      if (p->FWidth != 0) {
        keep(ParentBand()->FChildVisibleBands);
        break;
      }
    if (tl->OptionsView()->ColumnAutoWidth()) {
      for (TvxTreeListBand* p = ParentBand(); p; p = p->ParentBand()) keep(p->FChildVisibleBands);
      keep(Bands()->FVisibleRootItems);
    }
  };
  {
    TvxTreeListUpdateScope lock(tl);
    freeze();
    TValueScope<TvxTreeListBand*> forcing(tl->ForcingWidthBand, this);
    SetWidth(Value);
    Bands()->CalculateAutoWidth();
    freeze();
  }
  if (tl->OnBandSizeChanged) tl->OnBandSizeChanged(tl, this);
}

void TvxTreeListBand::SetMinWidth(Integer Value) {
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  StructureChanged();
}

void TvxTreeListBand::SetExpandable(TvxTreeListBandExpandable Value) {
  if (Value == FExpandable) return;
  FExpandable = Value;
  StructureChanged();
}

void TvxTreeListBand::SetVisible(bool Value) {
  if (Value == FVisible) return;
  if (TvxCustomTreeList* tl = TreeList()) tl->ClearCalculatedWidths();
  FVisible = Value;
  StructureChanged();
}

void TvxTreeListBand::SetFixedKind(TvxTreeListBandFixedKind Value) {
  if (Value == FFixedKind) return;
  TvxCustomTreeList* tl = TreeList();
  auto apply = [&] {
    FFixedKind = Value;
    for (TvxTreeListBand* child : std::vector<TvxTreeListBand*>(FChildBands)) child->SetFixedKind(Value);
    if (!IsRoot() && ParentBand()->FixedKind() != Value) FPosition->SetBandIndex(-1);
  };
  if (tl) {
    TvxTreeListUpdateScope lock(tl);
    apply();
    StructureChanged();
  } else {
    apply();
  }
}

bool TvxTreeListBand::CanMoving() const {
  TvxCustomTreeList* tl = TreeList();
  return tl && FOptions->Moving && tl->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::BandMoving);
}

bool TvxTreeListBand::CanSizing(TvxTreeListSizingDirection ADirection) const {
  TvxCustomTreeList* tl = TreeList();
  if (!tl) return false;
  using C = TvxTreeListOptionsCustomizing;
  if (ADirection == tlsdHorz) return tl->OptionsCustomizing()->Get(C::BandHorzSizing) && FOptions->Sizing();
  return FOptions->VertSizing() && tl->OptionsCustomizing()->Get(C::BandVertSizing) && IsBottom();
}

void TvxTreeListBand::RestoreDefaults() {
  TvxTreeListUpdateScope lock(TreeList());
  FOptions->RestoreDefaults();
  RestoreWidths();
}

void TvxTreeListBand::RestoreWidths() {
  FMinWidth = 20;
  SetWidth(0);
}

bool TvxTreeListBand::IsFixedForAutoWidth() const {
  if (!FOptions->Sizing()) return true;
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListBand* f = tl ? tl->ForcingWidthBand : nullptr;
  if (f == this) return true;
  if (f && !f->IsLastAsChild() && f->ParentBand() == ParentBand() &&
      FPosition->VisibleColIndex() < f->Position()->VisibleColIndex())
    return true;
  if (TvxTreeListColumn* c = tl ? tl->ForcingWidthColumn : nullptr)
    if (TvxTreeListBand* b = c->Position()->Band()) {
      for (; b; b = b->ParentBand())
        if (b->FWidth != 0) return b == this;
    }
  return false;
}

void TvxTreeListBand::UpdateContentWidths() {
  FBandRows->Refresh();
  if (FVisibleColumns.empty()) {
    if (!FChildVisibleBands.empty()) Bands()->CalculateAutoWidth(&FChildVisibleBands, DisplayWidth());
    return;
  }
  Integer available = DisplayWidth();
  for (Integer r = 0; r < FBandRows->VisibleItemCount(); ++r) {
    TvxTreeListBandRow* row = FBandRows->VisibleItems(r);
    TvxAutoWidthObject autoWidth(row->VisibleItemCount());
    autoWidth.SetAvailableWidth(available);
    for (Integer i = 0; i < row->VisibleItemCount(); ++i) row->VisibleItems(i)->InitAutoWidthItem(autoWidth.AddItem());
    autoWidth.Calculate();
    for (Integer i = 0; i < row->VisibleItemCount(); ++i)
      row->VisibleItems(i)->FCalculatedWidth = autoWidth.GetItem(i)->AutoWidth;
  }
}

// --- Band collection -------------------------------------------------------------------------

TvxTreeListBands::TvxTreeListBands(TvxCustomTreeList* ATreeList)
    : TOwnedCollection(ATreeList, TvxTreeListBand::StaticClass()), FTreeList(ATreeList) {}

TvxTreeListBand* TvxTreeListBands::Add() {
  TUpdateScope<TvxTreeListBands> lock(this);
  return static_cast<TvxTreeListBand*>(TCollection::Add());
}

void TvxTreeListBands::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListBands*>(Source);
  if (!src) return inherited::Assign(Source);
  TvxTreeListUpdateScope lock(FTreeList);
  for (Integer i = 0; i < FTreeList->ColumnCount(); ++i)
    if (TvxTreeListColumn* c = FTreeList->Columns(i)) c->Position()->StoreWishes();
  Clear();
  for (Integer i = 0; i < src->Count(); ++i) Add()->Assign(src->Items(i));
  PlaceFromWishes();
  for (Integer i = 0; i < FTreeList->ColumnCount(); ++i)
    if (TvxTreeListColumn* c = FTreeList->Columns(i)) c->Position()->ApplyWishes();
}

void TvxTreeListBands::PlaceFromWishes() {
  const Integer n = Count();
  if (n == 0) return;
  TvxTreeListUpdateScope lock(FTreeList);
  std::vector<TvxTreeListBand*> items(static_cast<size_t>(n));
  for (Integer i = 0; i < n; ++i) items[i] = Items(i);
  // Parents from the wishes; out-of-range and self parents mean the root.
  std::vector<Integer> parent(static_cast<size_t>(n), -1);
  for (Integer i = 0; i < n; ++i) {
    const Integer p = items[i]->FPosition->FBandIndex;
    parent[i] = p >= 0 && p < n && p != i ? p : -1;
  }
  // A cycle of parents is broken where the walk meets it: that band stays at the root.
  // Each band is walked once (0 unseen, 1 on the current path, 2 done).
  std::vector<char> state(static_cast<size_t>(n), 0);
  std::vector<Integer> path;
  for (Integer i = 0; i < n; ++i) {
    Integer b = i;
    while (b >= 0 && state[b] == 0) {
      state[b] = 1;
      path.push_back(b);
      b = parent[b];
    }
    if (b >= 0 && state[b] == 1) parent[b] = -1;
    for (Integer v : path) state[v] = 2;
    path.clear();
  }
  for (TvxTreeListBand* b : items) b->FChildBands.clear();
  for (Integer i = 0; i < n; ++i) {
    TvxTreeListBand* p = parent[i] >= 0 ? items[parent[i]] : nullptr;
    items[i]->FPosition->FParentBand = p;
    if (p) p->FChildBands.push_back(items[i]);
  }
  // Siblings in the order of their wished places (ties keep the collection order); fixed
  // kinds come down from the root bands.
  std::vector<TvxTreeListBand*> stack;
  for (TvxTreeListBand* b : items) {
    std::stable_sort(b->FChildBands.begin(), b->FChildBands.end(), [](TvxTreeListBand* A, TvxTreeListBand* B) {
      return A->FPosition->FColIndex < B->FPosition->FColIndex;
    });
    if (!b->FPosition->FParentBand) stack.push_back(b);
  }
  while (!stack.empty()) {
    TvxTreeListBand* b = stack.back();
    stack.pop_back();
    for (TvxTreeListBand* c : b->FChildBands) {
      c->FFixedKind = b->FFixedKind;
      stack.push_back(c);
    }
  }
  // A band with children holds no columns: they move to its deepest first descendant.
  for (TvxTreeListBand* b : items)
    if (!b->FChildBands.empty() && !b->FColumns.empty()) {
      TvxTreeListBand* dest = b->DeepestFirstDescendant();
      for (TvxTreeListColumn* c : std::vector<TvxTreeListColumn*>(b->FColumns)) c->Position()->SetBandIndex(dest->Index());
    }
  RebuildLists();
  FTreeList->LayoutChanged();
}

void TvxTreeListBands::RestoreDefaults() {
  TvxTreeListUpdateScope lock(FTreeList);
  for (Integer i = 0; i < Count(); ++i) Items(i)->RestoreDefaults();
}

void TvxTreeListBands::RestoreWidths() {
  TvxTreeListUpdateScope lock(FTreeList);
  for (Integer i = 0; i < Count(); ++i) Items(i)->RestoreWidths();
}

Integer TvxTreeListBands::VisibleIndexOf(const TvxTreeListBand* ABand) const {
  auto it = std::find(FVisibleItems.begin(), FVisibleItems.end(), ABand);
  return it == FVisibleItems.end() ? -1 : static_cast<Integer>(it - FVisibleItems.begin());
}

void TvxTreeListBands::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  inherited::Notify(Item, Action);
  if (Action == cnExtracting)
    if (auto* band = dynamic_cast<TvxTreeListBand*>(Item)) band->DetachFromStructure();
}

void TvxTreeListBands::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  if (!FTreeList->Destroying()) FTreeList->LayoutChanged();
}

void TvxTreeListBands::RebuildLists() {
  FRootItems.clear();
  FBottomItems.clear();
  FVisibleItems.clear();
  FVisibleRootItems.clear();
  FTreeList->ClearVisibleColumns();
  FLineCount = FColumnsLineCount = 0;
  FVisibleLeftFixedCount = FVisibleRightFixedCount = FVisibleRootLeftFixedCount = FVisibleRootRightFixedCount = 0;
  FExpandableBand = nullptr;
  // Collection indexes taken once: asking each band for its index inside the sort
  // would search the collection per comparison.
  std::unordered_map<const TvxTreeListBand*, Integer> index;
  index.reserve(static_cast<size_t>(Count()));
  for (Integer i = 0; i < Count(); ++i) {
    TvxTreeListBand* b = Items(i);
    index.emplace(b, i);
    b->FLineCount = 0;
    if (!b->IsRoot()) continue;
    FRootItems.push_back(b);
    if (!b->ActuallyVisible()) continue;
    FVisibleRootItems.push_back(b);
    if (b->FixedKind() == tlbfLeft) ++FVisibleRootLeftFixedCount;
    if (b->FixedKind() == tlbfRight) ++FVisibleRootRightFixedCount;
  }
  auto byFixedKind = [&index](TvxTreeListBand* a, TvxTreeListBand* b) {
    return vxCompareVisibleBands({a->FixedKind(), index[a]}, {b->FixedKind(), index[b]}) < 0;
  };
  std::stable_sort(FVisibleRootItems.begin(), FVisibleRootItems.end(), byFixedKind);
  // Visible bands in depth-first order, walked with a stack of its own however deeply the
  // bands nest.
  std::vector<std::pair<TvxTreeListBand*, Integer>> stack;
  for (auto it = FVisibleRootItems.rbegin(); it != FVisibleRootItems.rend(); ++it) stack.emplace_back(*it, 0);
  while (!stack.empty()) {
    auto [b, level] = stack.back();
    stack.pop_back();
    if (!b->Visible()) continue;
    FVisibleItems.push_back(b);
    if (b->FixedKind() == tlbfLeft) ++FVisibleLeftFixedCount;
    if (b->FixedKind() == tlbfRight) ++FVisibleRightFixedCount;
    bool hasVisibleChild = false;
    for (TvxTreeListBand* child : b->FChildBands) hasVisibleChild = hasVisibleChild || child->Visible();
    if (!hasVisibleChild) {
      FBottomItems.push_back(b);
      FLineCount = std::max(FLineCount, level + 1);
    }
    for (auto it = b->FChildBands.rbegin(); it != b->FChildBands.rend(); ++it) stack.emplace_back(*it, level + 1);
  }
  std::stable_sort(FVisibleItems.begin(), FVisibleItems.end(), byFixedKind);
  FColumnsLineCount = FBottomItems.empty() ? 0 : 1;
  for (TvxTreeListBand* b : FBottomItems) {
    b->CalculateLineCount(FLineCount);
    b->RefreshLists();
    FColumnsLineCount = std::max(FColumnsLineCount, b->BandRows()->LineCount());
    if (b->FixedKind() == tlbfRight) continue;
    if (!FExpandableBand || (b->FixedKind() == tlbfLeft && FExpandableBand->FixedKind() != tlbfLeft))
      FExpandableBand = b;
  }
  for (Integer i = 0; i < Count(); ++i)
    if (!Items(i)->IsBottom()) Items(i)->RefreshLists();
  if (FExpandableBand && (FTreeList->OptionsView()->IsCategorized() || FTreeList->Preview()->Active()))
    FExpandableBand = FBottomItems.front();
}

void TvxTreeListBands::CalculateAutoWidth(const std::vector<TvxTreeListBand*>* AList, Integer AAvailableWidth) {
  std::vector<TvxTreeListBand*> list;
  bool roots = !AList;
  if (roots) {
    AAvailableWidth = FTreeList->GetBandAreaWidth();
    for (Integer i = 0; i < Count(); ++i) Items(i)->FCalculatedWidth = 0;
    RebuildLists();
    list = FVisibleRootItems;
  } else {
    list = *AList;
  }
  if (list.empty()) return;
  for (TvxTreeListBand* b : list) b->UpdateContentWidths();
  if (!roots || FTreeList->OptionsView()->ColumnAutoWidth()) {
    TvxAutoWidthObject autoWidth(static_cast<Integer>(list.size()));
    autoWidth.SetAvailableWidth(AAvailableWidth);
    for (TvxTreeListBand* b : list) {
      TvxAutoWidthItem* item = autoWidth.AddItem();
      item->Width = b->FWidth != 0 ? b->FWidth : b->DisplayWidth();
      item->Fixed = b->IsFixedForAutoWidth();
      item->MinWidth = std::max(b->FMinWidth, b->BandRows()->RowMinWidth());
      item->Width = std::max(item->Width, b->IndentWidth() + item->MinWidth);
      if (item->Fixed) item->MinWidth = item->Width;
      item->AutoWidth = -1;
    }
    autoWidth.Calculate();
    for (size_t i = 0; i < list.size(); ++i) {
      list[i]->FCalculatedWidth = autoWidth.GetItem(static_cast<Integer>(i))->AutoWidth;
      list[i]->UpdateContentWidths();
    }
  }
}
