// Node rows of the tree list's view info: the heights of a node's data lines (grown to fit
// wrapped cell text with CellAutoHeight), where the data cells of a band go, and the group
// row of the categorized paint style.
#include "vxTLView.h"

#include <algorithm>

namespace {

// The text a cell shows for a node's value.
String CellText(TvxTreeListColumn* AColumn, TvxTreeListNode* ANode) {
  const Variant v = AColumn->GetDisplayValue(ANode, true);
  return VarIsNull(v) || VarIsEmpty(v) ? String() : VarToStr(v);
}

}  // namespace

bool TvxTreeListViewInfo::IsGroupRow(TvxTreeListNode* ANode) const {
  TvxCustomTreeList* tl = TreeList();
  return tl->VisibleColumnCount() > 0 && tl->OptionsView()->GetCategorizedColumn() && tl->IsGroupNode(ANode);
}

Integer TvxTreeListViewInfo::MeasureCellHeight(TvxTreeListColumn* AColumn, TvxTreeListNode* ANode, Integer AWidth) {
  const Integer line = DataLineHeight();
  const String text = CellText(AColumn, ANode);
  if (text.empty()) return line;
  TvxCustomTreeList* tl = TreeList();
  // The insets of a painted data cell: its right and bottom grid lines, two pixels left
  // and right of the text and one above and below.
  const Integer right = GridLines.Contains(bRight) ? 1 : 0, bottom = GridLines.Contains(bBottom) ? 1 : 0;
  TvxScreenCanvas* canvas = vxGetScreenCanvas();
  TFont* font = tl->Styles()->GetContentParams(ANode, AColumn->ItemIndex()).Font;
  canvas->FontHeight(font ? font : tl->Font());
  TRect t{0, 0, std::max<Integer>(AWidth - right - 4, 1), 0};
  canvas->TextExtent(text, t, vxtfCalcRect | vxtfWordBreak);
  return std::max<Integer>(line, t.bottom - t.top + 2 + bottom);
}

std::vector<TvxTreeListViewInfo::TDataCellPlace> TvxTreeListViewInfo::DataCellPlaces(const TBandSpan& ASpan,
                                                                                     Integer ACellsLeft) const {
  std::vector<TDataCellPlace> places;
  const Integer lines = std::max(TreeList()->Bands()->ColumnsLineCount(), 1);
  TvxTreeListBandRows* rows = ASpan.Band->BandRows();
  for (Integer r = 0; r < rows->VisibleItemCount(); ++r) {
    TvxTreeListBandRow* brow = rows->VisibleItems(r);
    Integer x = ASpan.Left;
    for (Integer c = 0; c < brow->VisibleItemCount(); ++c) {
      TvxTreeListColumn* col = brow->VisibleItems(c);
      const Integer right = x + col->DisplayWidth(), left = std::max(x, ACellsLeft);
      const Integer first = std::min(brow->LineOffset(), lines);
      const Integer end = std::min(brow->LineOffset() + std::max(col->Position()->LineCount(), 1), lines);
      places.push_back(TDataCellPlace{col, left, std::max(left, right), first, end});
      x = right;
    }
  }
  return places;
}

std::vector<Integer> TvxTreeListViewInfo::NodeLineTops(TvxTreeListNode* ANode) {
  TvxCustomTreeList* tl = TreeList();
  const bool autoHeight = tl->OptionsView()->CellAutoHeight();
  if (IsGroupRow(ANode)) {
    Integer h = DataLineHeight();
    if (autoHeight) {
      Integer left = 0, right = 0;
      PreviewSpan(ANode, left, right);
      h = MeasureCellHeight(tl->OptionsView()->GetCategorizedColumn(), ANode, right - left);
    }
    tl->FireGetNodeHeight(ANode, h);
    return {0, std::max(h, 0)};
  }
  const Integer lines = std::max(tl->Bands()->ColumnsLineCount(), 1);
  // A node sized by the user keeps its height; the others take the rows' default.
  const Integer h = ANode && ANode->Height() > 0 ? ANode->Height() : DataRowsHeight();
  std::vector<Integer> tops(static_cast<size_t>(lines) + 1);
  for (Integer k = 0; k <= lines; ++k) tops[k] = MulDiv(h, k, lines);
  if (autoHeight) {
    // A cell whose text needs more than its lines moves the boundary below it, and every
    // later one with it, down by the difference.
    TvxTreeListBand* indentBand = tl->Bands()->ExpandableBand();
    for (const TBandSpan& span : FBottomSpans) {
      const Integer cellsLeft =
          span.Band == indentBand && IndentWidth > 0 ? span.Left + NodeIndentWidth(ANode) : span.Left;
      for (const TDataCellPlace& p : DataCellPlaces(span, cellsLeft)) {
        if (p.EndLine <= p.FirstLine) continue;
        const Integer growth = tops[p.FirstLine] + MeasureCellHeight(p.Column, ANode, p.Right - p.Left) - tops[p.EndLine];
        if (growth > 0)
          for (Integer k = p.EndLine; k <= lines; ++k) tops[k] += growth;
      }
    }
  }
  const Integer natural = tops[lines];
  Integer wanted = natural;
  tl->FireGetNodeHeight(ANode, wanted);
  wanted = std::max(wanted, 0);
  if (!autoHeight) {
    // Lines of the default height stay equal.
    for (Integer k = 0; k <= lines; ++k) tops[k] = MulDiv(wanted, k, lines);
  } else if (wanted != natural) {
    // The lines share the height the handler gave in proportion to their own heights, and
    // end exactly at it.
    std::vector<Integer> scaled(tops.size(), 0);
    for (Integer k = 1; k <= lines; ++k)
      scaled[k] = scaled[k - 1] + (natural > 0 ? MulDiv(tops[k] - tops[k - 1], wanted, natural)
                                               : MulDiv(wanted, k, lines) - MulDiv(wanted, k - 1, lines));
    scaled[lines] = wanted;
    for (Integer k = 1; k < lines; ++k) scaled[k] = std::min(scaled[k], wanted);
    tops = std::move(scaled);
  }
  return tops;
}

void TvxTreeListViewInfo::AddGroupCell(TvxTreeListNodeViewData* ARow, TvxTreeListNode* ANode, Integer ATop,
                                       Integer AHeight) {
  TvxCustomTreeList* tl = TreeList();
  Integer left = 0, right = 0;
  PreviewSpan(ANode, left, right);
  const TRect visible{FBounds.left + IndicatorWidth, FBounds.top + BandsHeight + HeadersHeight, FBounds.right,
                      FBounds.bottom};
  auto* cell = new TvxTreeListGroupNodeEditViewInfo(tl, visible, TRect{left, ATop, std::max(left, right), ATop + AHeight},
                                                    ANode, tl->OptionsView()->GetCategorizedColumn());
  cell->Borders = GridLines;
  cell->Borders.Exclude(bTop);
  cell->Borders.Exclude(bLeft);
  cell->BorderColor = GridLineColor;
  ARow->Cells().Add(cell);
}
