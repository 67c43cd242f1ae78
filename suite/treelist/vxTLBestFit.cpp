// Best fit of columns and bands (the width the widest of the header, the footer and the
// measured cells needs) and scrolling a column's or band's header into view.
#include <algorithm>

#include "vxTL.h"
#include "vxTLView.h"

// --- Best fit -------------------------------------------------------------------------------

Integer TvxTreeListColumn::GetHeaderFooterBestFitWidth() {
  if (!FTreeList) return 0;
  TvxTreeListStyles* styles = FTreeList->Styles();
  TvxCustomLookAndFeelPainterClass painter = FTreeList->LookAndFeelPainter();
  Integer width = 0;
  if (FTreeList->OptionsView()->Headers()) {
    const Integer text = vxTextWidthOfFont(styles->GetColumnHeaderParams(this).Font, FCaption->Text());
    const TAlignment glyphAlign = FCaption->GlyphAlignHorz();
    TBitmap* glyph = FCaption->Glyph();
    if (glyph && !glyph->Empty() && (glyphAlign == taLeftJustify || glyphAlign == taRightJustify))
      width = text + glyph->Width() + 10;
    else
      width = text + 8;
    if (FSortOrder != soNone) width += painter->SortingMarkAreaSize().x;
  }
  TvxTreeListSummaryItems* items = FSummary->FooterSummaryItems();
  if (FOptions->Get(TvxTreeListColumnOptions::Footer) && FTreeList->OptionsView()->Footer() && items->Count() > 0) {
    TvxTreeListNode* root = FTreeList->Root();
    TvxTreeListViewInfo* vi = FTreeList->TreeListViewInfo();
    // Items side by side in one cell add up; items on rows of their own take the widest.
    const bool sideBySide = vi && vi->MultiRows;
    const Integer frame = 2 * (painter->FooterCellBorderSize() + painter->FooterCellOffset()) + 4;
    Integer footer = 0;
    for (Integer i = 0; i < items->Count(); ++i) {
      TvxTreeListSummaryItem* item = items->Items(i);
      if (!item->Visible()) continue;
      TFont* font = styles->GetColumnFooterParams(ItemIndex(), root, item).Font;
      const Integer w = vxTextWidthOfFont(font, item->NodeText(root)) + frame;
      footer = sideBySide ? footer + w : std::max(footer, w);
    }
    width = std::max(width, footer);
  }
  return width;
}

Integer TvxTreeListColumn::MeasureCellWidth(TvxTreeListNode* ANode) {
  TvxCustomEditViewData* data = EditViewData();
  if (!data) return 0;
  TFont* font = FTreeList->Styles()->GetContentParams(ANode, ItemIndex()).Font;
  data->Style()->SetFont(font ? font : FTreeList->Font());
  data->ContentOffset = TRect{};
  TvxEditSizeProperties size{-1, 0, -1};
  return data->GetEditSize(GetControlCanvas(), GetDisplayValue(ANode, true), size).cx;
}

void TvxTreeListColumn::ApplyBestFit() {
  if (!FTreeList || FTreeList->IsLoading() || FTreeList->Destroying()) return;
  FTreeList->ProcessChanges();
  if (TvxCustomControlController* c = FTreeList->Controller()) c->EditingController()->HideEdit(true);
  const Integer maxCount = FTreeList->OptionsBehavior()->BestFitMaxRecordCount;
  TvxTreeListNode* node = FTreeList->GetBestFitFirstNode();
  if (!node) return;
  Integer width = IndentWidth() + FMinWidth;
  for (Integer measured = 0; node && (maxCount < 0 || measured < maxCount); node = node->GetNextVisible(), ++measured)
    width = std::max(width, IndentWidth() + MeasureCellWidth(node));
  width = std::max(width, GetHeaderFooterBestFitWidth());
  if (FBestFitMaxWidth > 0) width = std::min(width, FBestFitMaxWidth);
  SetSizeDelta(tlsdHorz, width - DisplayWidth());
}

TvxTreeListNode* TvxCustomTreeList::GetBestFitFirstNode() {
  ProcessChanges();
  if (FAbsoluteVisibleItems.empty()) return nullptr;
  if (FOptionsBehavior->BestFitMaxRecordCount < 0) return FAbsoluteVisibleItems.front();
  return FTopVisibleNode ? FTopVisibleNode : FAbsoluteVisibleItems.front();
}

void TvxTreeListBand::ApplyBestFit() {
  TvxCustomTreeList* tl = TreeList();
  if (!tl) return;
  tl->ProcessChanges();
  TvxTreeListUpdateScope lock(tl);
  if (TvxCustomControlController* c = tl->Controller()) c->EditingController()->HideEdit(true);
  FWidth = 0;
  if (FVisibleColumns.empty()) {
    FCalculatedWidth = FMinWidth;
    return;
  }
  for (TvxTreeListColumn* c : std::vector<TvxTreeListColumn*>(FVisibleColumns)) c->ApplyBestFit();
  FBandRows->Refresh();
  FCalculatedWidth = FBandRows->RowMaxWidth();
}

void TvxCustomTreeList::ApplyBestFit() {
  TvxTreeListUpdateScope lock(this);
  for (Integer i = 0; i < FBands->VisibleItemCount(); ++i) FBands->VisibleItems(i)->ApplyBestFit();
}

// --- Scrolling a header into view -----------------------------------------------------------

namespace {

// Scrolls the tree list horizontally so that AItem's clipped header shows.
void MakeHeaderVisible(TvxCustomTreeList* ATreeList, TObject* AItem) {
  TvxTreeListViewInfo* vi = ATreeList->TreeListViewInfo();
  if (!vi) return;
  vi->Validate();
  TvxTreeListHeaderCellViewInfo* cell = vi->HeaderCellOf(AItem);
  if (!cell) return;
  const TRect& bounds = cell->BoundsRect();
  const TRect& shown = cell->VisibleRect();
  if (EqualRect(&bounds, &shown)) return;
  // The header is cut where the scrolling area ends: the clip shows the area's edges.
  Integer pos = vi->HScrollPos;
  if (bounds.right > shown.right && bounds.left > shown.left)
    pos += bounds.right - shown.right;
  else if (bounds.left < shown.left)
    pos += bounds.left - shown.left;
  vi->SetLeftPos(pos);
  vi->UpdateScrollBars();
}

}  // namespace

void TvxTreeListColumn::MakeVisible() {
  if (!FTreeList || !ActuallyVisible() || !FPosition->Band() || FPosition->Band()->FixedKind() != tlbfNone) return;
  MakeHeaderVisible(FTreeList, this);
}

void TvxTreeListBand::MakeVisible() {
  TvxCustomTreeList* tl = TreeList();
  if (!tl || !ActuallyVisible() || FFixedKind != tlbfNone) return;
  MakeHeaderVisible(tl, this);
}
