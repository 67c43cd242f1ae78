#include "vxTLView.h"

#include <algorithm>
#include <cmath>

#include "vxCheckBox.h"
#include "vxTLStrs.h"

// --- Hit test ---------------------------------------------------------------------------------

bool TvxTreeListHitTestArea::GetHitTest(TvxTreeListHitTest* AHitTest) {
  if (!PtInRect(&FArea, AHitTest->HitPoint())) return false;
  ApplyHit(AHitTest);
  return true;
}

TvxTreeListHeaderSizingArea::TvxTreeListHeaderSizingArea(TvxTreeListHeaderCellViewInfo* ALink,
                                                         TvxDragSizingDirection ADirection)
    : TvxTreeListHitTestArea(ALink), FDirection(ADirection) {
  FArea = vxRectExpand(ALink->DisplayRect, 3, 3, 3, 3);
  if (ADirection == dsdVert) {
    FArea.top = FArea.bottom - 6;
  } else if (ALink->ClipRect.right < ALink->DisplayRect.right) {
    FArea = TRect{};
  } else {
    FArea.left = FArea.right - 6;
  }
  if (ALink->HasClipping() && !IsRectEmpty(&FArea)) {
    TRect v = ALink->ClipRect;
    v.top -= 3;
    v.bottom += 3;
    TRect r{};
    IntersectRect(&r, &FArea, &v);
    FArea = r;
  }
}

void TvxTreeListHeaderSizingArea::ApplyHit(TvxTreeListHitTest* AHitTest) {
  AHitTest->SetHitAt(FDirection == dsdHorz ? tlhcSizingHorz : tlhcSizingVert, true);
  if (auto* c = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(FLink)) {
    AHitTest->DragItem = c->Column();
    AHitTest->HitColumn = c->Column();
  } else if (auto* b = dynamic_cast<TvxTreeListBandHeaderCellViewInfo*>(FLink)) {
    AHitTest->DragItem = b->Band();
    AHitTest->HitBand = b->Band();
  }
  if (AHitTest->IsItemEditCell()) AHitTest->ClearHitItem();
}

TvxCustomTreeList* TvxTreeListHitTest::TreeList() const {
  return static_cast<TvxCustomTreeList*>(FController->EditingControl());
}

void TvxTreeListHitTest::SetHitAt(Integer ACode, bool Value) {
  if (Value) FHitState |= UInt64{1} << ACode;
  else FHitState &= ~(UInt64{1} << ACode);
}

void TvxTreeListHitTest::NodeRemoved(TvxTreeListNode* ANode) {
  if (HitNode == ANode) HitNode = nullptr;
  if (DragItem == ANode) DragItem = nullptr;
}

bool TvxTreeListHitTest::IsFooter() const {
  return HitAt(tlhcFooter) || HitAt(tlhcFooterItem) || HitAt(tlhcGroupFooter) || HitAt(tlhcGroupFooterItem);
}

bool TvxTreeListHitTest::IsHeader() const {
  return (HitAt(tlhcBandHeader) || HitAt(tlhcColumnHeader) || HitAt(tlhcBandCustomizing) ||
          HitAt(tlhcColumnCustomizing)) &&
         dynamic_cast<TvxTreeListCustomHeaderCellViewInfo*>(FHitTestItem);
}

bool TvxTreeListHitTest::CanMoving() {
  if (CanSizing()) return false;
  return (HitAtBandHeader() && HitBand && HitBand->CanMoving()) ||
         (HitAtColumnHeader() && HitColumn && HitColumn->CanMoving());
}

bool TvxTreeListHitTest::AllowsCellHint(TObject* AItem) {
  if (FLockCount > 0) return false;
  auto* b = TreeList()->OptionsBehavior();
  if (dynamic_cast<TvxTreeListCustomHeaderCellViewInfo*>(AItem)) return b->HeaderHints();
  if (dynamic_cast<TvxTreeListFooterCellViewInfo*>(AItem)) return b->FooterHints();
  return TvxCustomHitTestController::AllowsCellHint(AItem);
}

void TvxTreeListHitTest::DoCalculate() {
  // A pending relayout runs first: it frees the cells, and a freed hit item forgets itself
  // only while it is still the hit item.
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListViewInfo* vi = tl->IsLocked() ? nullptr : tl->TreeListViewInfo();
  if (vi) vi->Validate();
  ++FLockCount;
  TObject* item = FHitTestItem;
  TScopeExit done([this, item] {
    --FLockCount;
    TObject* now = FHitTestItem;
    FHitTestItem = item;
    SetHitTestItem(now);
  });
  ClearHitState();
  HitBand = nullptr;
  HitColumn = nullptr;
  HitNode = nullptr;
  DragItem = nullptr;
  FHitTestItem = nullptr;
  if (vi) vi->CalculateHitTest(this);
  if (vi) FindFooterColumn();
}

void TvxTreeListHitTest::FindFooterColumn() {
  auto* cell = dynamic_cast<TvxTreeListBandCellViewInfo*>(FHitTestItem);
  if (!HitBand || !cell || (cell->Part() != tlbpFooter && cell->Part() != tlbpGroupFooter)) return;
  TvxTreeListViewInfo* vi = TreeList()->TreeListViewInfo();
  const Integer t = cell->DisplayRect.top, b = cell->DisplayRect.bottom;
  TvxTreeListBandRows* rows = HitBand->BandRows();
  const Integer n = rows->VisibleItemCount();
  const TPoint p = HitPoint();
  for (Integer r = n - 1; r >= 0; --r) {
    TvxTreeListBandRow* row = rows->VisibleItems(r);
    if (p.y < t + MulDiv(b - t, row->LineOffset(), n) || p.y > b) continue;
    for (Integer c = 0; c < row->VisibleItemCount(); ++c) {
      TvxTreeListColumn* col = row->VisibleItems(c);
      Integer left = 0, right = 0;
      if (!vi->ColumnSpan(col, left, right) || p.x < left || p.x > right) continue;
      HitColumn = col;
      SetHitAt(tlhcColumn, true);
      return;
    }
  }
}

TCursor TvxTreeListHitTest::GetCursor() {
  TCursor c = TvxCustomHitTestController::GetCursor();
  if (c != crDefault || !CanSizing()) return c;
  if (TreeList()->DragAndDropState() == ddsNone) return HitAtSizingVert() ? vxVertSizeCursor : vxHorzSizeCursor;
  return HitAtSizingVert() ? crVSplit : crHSplit;
}

// --- View info --------------------------------------------------------------------------------

TvxTreeListViewInfo::TvxTreeListViewInfo(TObject* AOwner) : TvxCustomControlViewInfo(AOwner) {}

TvxTreeListViewInfo::~TvxTreeListViewInfo() { Clear(); }

TvxCustomTreeList* TvxTreeListViewInfo::TreeList() const { return static_cast<TvxCustomTreeList*>(FControl); }

Integer TvxTreeListViewInfo::FontHeight(TFont* AFont) {
  if (!AFont) AFont = TreeList()->Font();
  // The font's handle changes with any change of the font, so the pair finds a stale entry.
  HFONT handle = AFont->Handle();
  if (AFont != FPrevFont || handle != FPrevFontHandle) {
    FPrevFont = AFont;
    FPrevFontHandle = handle;
    FPrevFontHeight = vxTextHeightOfFont(AFont, L"Wg");
  }
  return FPrevFontHeight;
}

void TvxTreeListViewInfo::CalcDefaultEditHeight() {
  TvxCustomTreeList* tl = TreeList();
  TvxCustomLookAndFeelPainterClass p = tl->LookAndFeelPainter();
  TvxTreeListOptionsView* ov = tl->OptionsView();
  HeaderLineHeight = 0;
  FooterLineHeight = 0;
  if (ov->Bands()) {
    BandHeaderLineHeight = 0;
    for (Integer i = 0; i < tl->Bands()->VisibleItemCount(); ++i) {
      TvxViewParams vp = tl->Styles()->GetBandHeaderParams(tl->Bands()->VisibleItems(i));
      BandHeaderLineHeight = std::max(BandHeaderLineHeight, p->HeaderHeight(FontHeight(vp.Font)));
    }
    BandLineHeight = ov->BandLineHeight() ? ov->BandLineHeight() : BandHeaderLineHeight;
  } else {
    BandLineHeight = 0;
  }
  if (ov->Headers())
    for (Integer i = 0; i < tl->VisibleColumnCount(); ++i) {
      TvxViewParams vp = tl->Styles()->GetColumnHeaderParams(tl->VisibleColumns(i));
      HeaderLineHeight = std::max(HeaderLineHeight, p->HeaderHeight(FontHeight(vp.Font)));
    }
  if (ov->Footer())
    for (Integer i = 0; i < tl->VisibleColumnCount(); ++i) {
      TvxTreeListColumn* c = tl->VisibleColumns(i);
      if (!c->Options()->Get(TvxTreeListColumnOptions::Footer)) continue;
      TvxViewParams vp = tl->Styles()->GetColumnFooterParams(c->ItemIndex(), tl->Root(), nullptr);
      FooterLineHeight = std::max(FooterLineHeight, p->HeaderHeight(FontHeight(vp.Font)));
    }
  if (HeaderLineHeight == 0) HeaderLineHeight = p->HeaderHeight(FontHeight(tl->Font()));
  if (FooterLineHeight == 0) FooterLineHeight = p->HeaderHeight(FontHeight(tl->Font()));
  FooterLineHeight += p->FooterCellOffset();
  TvxCustomControlViewInfo::CalcDefaultEditHeight();
}

Integer TvxTreeListViewInfo::GetDefaultEditHeight() {
  TvxCustomTreeList* tl = TreeList();
  Integer h = tl->DefaultRowHeight();
  DefaultCellHeight = 0;
  Integer textHeight = FontHeight(tl->Font()) + 2;
  if (h == 0) {
    for (Integer i = 0; i < tl->VisibleColumnCount(); ++i) {
      TvxTreeListColumn* c = tl->VisibleColumns(i);
      if (c->IsPreview()) continue;
      TvxViewParams vp = tl->Styles()->GetContentParams(nullptr, c->ItemIndex());
      DefaultCellHeight = std::max(DefaultCellHeight, FontHeight(vp.Font) + 2);
    }
    h = DefaultCellHeight;
  }
  PreviewLineHeight = tl->Preview()->Active() ? FontHeight(tl->Styles()->GetPreviewParams(nullptr).Font) + 2 : 0;
  if (h == 0) h = textHeight;
  if (tl->OptionsView()->HorzGridLines()) ++h;
  HScrollInc = std::max<Integer>(tl->Canvas() ? vxTextHeightOfFont(tl->Font(), L"W") / 2 : 8, 1);
  if (DefaultCellHeight == 0) DefaultCellHeight = textHeight;
  if (tl->DefaultRowHeight() > 0) return h;
  // Rows are as high as the indent's images need.
  Integer indent = tl->DefaultIndentSize().cy;
  if (indent <= 0) indent = tl->LookAndFeelPainter()->ExpandButtonSize() + 6;
  return std::max(h + 2, indent);
}

void TvxTreeListViewInfo::Clear() {
  // Nothing may keep a cell that goes: the hot element and the hit item are dropped.
  if (TvxCustomControlController* c = FControl->Controller()) {
    c->ClearHotTrack();
    c->HitTestController()->ClearHitItem();
  }
  FHitTestCells.clear();
  FHeaderCells.clear();
  HorzBackgroundCell = nullptr;
  FCells.Clear();
  FNodesViewData.clear();
}

void TvxTreeListViewInfo::SetDirty() {
  FDirty = true;
  SetState(vxvisCalculationNeeded, true);
  if (FControl->Controller()) FControl->Controller()->ClearHotTrack();
  // The cells may point at nodes that are going: they go first.
  if (!FCalculating) Clear();
}

bool TvxTreeListViewInfo::Validate() {
  TvxCustomTreeList* tl = TreeList();
  bool ran = false;
  TvxTreeListChanges pending = tl->Changes();
  pending.Exclude(tcSelection).Exclude(tcFocusedNode);
  if ((FDirty || GetState(vxvisCalculationNeeded) || !pending.Empty()) && !FCalculating && !tl->IsLocked()) {
    tl->ProcessChanges();
    tl->LayoutChanged();
    ran = true;
  }
  return ran;
}

TRect TvxTreeListViewInfo::ContentBounds() const {
  Integer top = FBounds.top + BandsHeight + HeadersHeight;
  return TRect{FBounds.left, top, FBounds.left + ContentWidth, top + ContentHeight};
}

void TvxTreeListViewInfo::DoCalculate() {
  TvxCustomTreeList* tl = TreeList();
  FCalculating = true;
  TScopeExit done([this] {
    FCalculating = false;
    FDirty = false;
  });
  if (FControl->Controller()) FControl->Controller()->ClearHotTrack();
  FDirty = false;
  Clear();
  // Line heights follow every relayout of the tree list.
  if (HeightsDirty) {
    HeightsDirty = false;
    CalcDefaultEditHeight();
  }
  FBounds = FClientRect;
  TvxTreeListOptionsView* ov = tl->OptionsView();
  TColor g = ov->GridLineColor();
  GridLineColor = g == clDefault ? tl->LookAndFeelPainter()->DefaultGridLineColor() : g;
  IndicatorWidth = ov->IsIndicatorVisible() ? ov->IndicatorWidth() : 0;
  TColor t = ov->TreeLineColor();
  TreeLineColor = t == clDefault ? tl->LookAndFeelPainter()->DefaultGridLineColor() : t;
  switch (ov->GridLines()) {
    case tlglNone: GridLines = {}; break;
    case tlglHorz: GridLines = {bTop, bBottom}; break;
    case tlglVert: GridLines = {bLeft, bRight}; break;
    case tlglBoth: GridLines = vxBordersAll; break;
  }
  BandsHeight = ov->Bands() ? tl->Bands()->LineCount() * BandLineHeight : 0;
  // While bands are shown the indicator's corner of the band row is never empty.
  if (ov->Bands() && BandsHeight == 0 && IndicatorWidth > 0) BandsHeight = DefaultEditHeight();
  HeadersHeight = ov->Headers() ? std::max(tl->Bands()->ColumnsLineCount(), 1) * HeaderLineHeight : 0;
  if (tl->VisibleColumnCount() == 0 && ov->Headers()) HeadersHeight = 0;
  CalculateHeaderLines();
  IndentWidth = tl->GetIndentWidth();
  CalculateFooterHeights();
  CalculateBands();
  CalculateColumnHeaders();
  CalculateNodes();
  CalculateFooter();
  CalculateBackground();
  // Headers are linked with their neighbours so that shared borders are drawn once.
  LinkHeaderNeighbours();
}

void TvxTreeListViewInfo::CalculateBands() {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListBands* bands = tl->Bands();
  // The indicator column stands left of the bands and does not scroll.
  TRect h{FBounds.left + IndicatorWidth, FBounds.top, FBounds.right, FBounds.top + BandsHeight + HeadersHeight};
  if (IndicatorWidth > 0 && BandsHeight > 0)
    FCells.Add(new TvxTreeListIndicatorCellViewInfo(
        tl, FBounds, TRect{FBounds.left, h.top, FBounds.left + IndicatorWidth, h.top + BandsHeight}, nullptr, tlipBands));
  if (IndicatorWidth > 0 && HeadersHeight > 0)
    FCells.Add(new TvxTreeListIndicatorCellViewInfo(
        tl, FBounds,
        TRect{FBounds.left, h.top + BandsHeight, FBounds.left + IndicatorWidth, h.top + BandsHeight + HeadersHeight},
        nullptr, tlipColumns));
  // Three parts side by side: the left-fixed bands, a separator, the scrolling bands, a
  // separator and the right-fixed bands. The fixed parts do not scroll; the right one
  // follows the scrolling bands while they end inside the view, else keeps to its edge.
  // A part is as wide as its root bands (child bands share their parent's width).
  Integer partWidth[3] = {0, 0, 0};
  for (Integer i = 0; i < bands->VisibleRootItemCount(); ++i) {
    TvxTreeListBand* b = bands->VisibleRootItems(i);
    partWidth[PartIndex(b)] += b->DisplayWidth();
  }
  ContentWidth = IndicatorWidth + partWidth[0] + partWidth[1] + partWidth[2];
  const Integer sepW = tl->OptionsView()->FixedSeparatorWidth();
  const Integer sepL = partWidth[0] > 0 ? sepW : 0, sepR = partWidth[2] > 0 ? sepW : 0;
  FPartLeft[0] = h.left;
  FPartRight[0] = h.left + partWidth[0];
  FPartLeft[1] = FPartRight[0] + sepL;
  FPartLeft[2] = std::max<Integer>(FPartLeft[1] + sepR,
                                   std::min<Integer>(FBounds.right - partWidth[2], FPartLeft[1] + partWidth[1] + sepR));
  FPartRight[2] = FPartLeft[2] + partWidth[2];
  FPartRight[1] = FPartLeft[2] - sepR;
  ContentWidth += sepL + sepR;
  HScrollPage = std::max(FPartRight[1] - FPartLeft[1], 0);
  HScrollSize = partWidth[1];
  HScrollPos = std::clamp(HScrollPos, 0, std::max(HScrollSize - HScrollPage, 0));
  FPartOrigin[0] = FPartLeft[0];
  FPartOrigin[1] = FPartLeft[1] - HScrollPos;
  FPartOrigin[2] = FPartLeft[2];
  FContentPart = TRect{FPartOrigin[1], h.top, FPartOrigin[1] + partWidth[1], FBounds.bottom};
  if (sepL > 0)
    FCells.Add(new TvxTreeListBandCellViewInfo(tl, FBounds, TRect{FPartRight[0], FBounds.top, FPartLeft[1], FBounds.bottom},
                                               nullptr, tlbpSeparator));
  if (sepR > 0)
    FCells.Add(new TvxTreeListBandCellViewInfo(tl, FBounds, TRect{FPartRight[1], FBounds.top, FPartLeft[2], FBounds.bottom},
                                               nullptr, tlbpSeparator));
  // The band headers, root bands side by side with their children below them; the bottom
  // bands are placed even while the band headers are hidden, for the columns under them.
  FBottomSpans.clear();
  Integer xs[3] = {FPartOrigin[0], FPartOrigin[1], FPartOrigin[2]};
  for (Integer i = 0; i < bands->VisibleRootItemCount(); ++i) {
    TvxTreeListBand* b = bands->VisibleRootItems(i);
    const Integer part = PartIndex(b);
    xs[part] = LayoutBand(b, xs[part], h.top, PartVisible(part, h.top, h.bottom));
  }
}

Integer TvxTreeListViewInfo::LayoutBand(TvxTreeListBand* ABand, Integer ALeft, Integer ATop, const TRect& AVisible) {
  TvxCustomTreeList* tl = TreeList();
  const bool parent = ABand->ChildVisibleBandCount() > 0;
  // A parent's header takes one line; a bottom band's header the lines left below it.
  const Integer lines = parent ? 1 : std::max(ABand->LineCount(), 1);
  const TRect r{ALeft, ATop, ALeft + ABand->DisplayWidth(), ATop + BandLineHeight * lines};
  if (BandsHeight > 0) {
    auto* cell = new TvxTreeListBandHeaderCellViewInfo(tl, AVisible, r, ABand);
    FCells.Add(cell);
    FHeaderCells.push_back(cell);
    const bool horz =
        tl->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::BandHorzSizing) && ABand->Options()->Sizing();
    AddHeaderSizingAreas(cell, horz, ABand->CanSizing(tlsdVert));
  }
  if (!parent) {
    FBottomSpans.push_back(TBandSpan{ABand, r.left, r.right, AVisible.left, AVisible.right});
    return r.right;
  }
  Integer x = r.left;
  for (Integer i = 0; i < ABand->ChildVisibleBandCount(); ++i)
    x = LayoutBand(ABand->ChildVisibleBands(i), x, r.bottom, AVisible);
  return r.right;
}

Integer TvxTreeListViewInfo::PartIndex(TvxTreeListBand* ABand) {
  switch (ABand->FixedKind()) {
    case tlbfLeft: return 0;
    case tlbfRight: return 2;
    default: return 1;
  }
}

TRect TvxTreeListViewInfo::PartVisible(Integer APart, Integer ATop, Integer ABottom) const {
  return TRect{FPartLeft[APart], ATop, std::max(FPartLeft[APart], FPartRight[APart]), ABottom};
}

Integer TvxTreeListViewInfo::HeaderLineTop(Integer ALine) const {
  if (FHeaderLines.empty()) return FBounds.top + BandsHeight + ALine * HeaderLineHeight;
  return FHeaderLines[std::clamp<size_t>(static_cast<size_t>(std::max(ALine, 0)), 0, FHeaderLines.size() - 1)];
}

Integer TvxTreeListViewInfo::ColumnHeaderHeight(TvxTreeListColumn* AColumn) {
  TvxCustomTreeList* tl = TreeList();
  TvxCustomLookAndFeelPainterClass p = tl->LookAndFeelPainter();
  Integer r = HeaderLineHeight * std::max(AColumn->Position()->LineCount(), 1);
  Integer width = AColumn->DisplayWidth() - 2 * p->HeaderBorderSize() - 4;
  if (AColumn->SortOrder() != soNone) width -= p->SortingMarkAreaSize().x;
  TvxTreeListCaption* c = AColumn->Caption();
  TvxScreenCanvas* canvas = vxGetScreenCanvas();
  canvas->FontHeight(tl->Styles()->GetColumnHeaderParams(AColumn).Font);
  Integer flags = vxtfCalcRect;
  if (c->MultiLine()) flags |= vxtfWordBreak;
  else flags |= vxtfSingleLine;
  if (c->ShowEndEllipsis()) flags |= vxtfEndEllipsis;
  TRect t{0, 0, std::max(width, 1), 0};
  canvas->TextExtent(c->Text(), t, flags);
  return std::max(r, p->HeaderHeight(t.bottom - t.top));
}

void TvxTreeListViewInfo::CalculateHeaderLines() {
  TvxCustomTreeList* tl = TreeList();
  Integer lines = std::max(tl->Bands()->ColumnsLineCount(), 1);
  FHeaderLines.assign(static_cast<size_t>(lines) + 1, 0);
  FHeaderLines[0] = FBounds.top + BandsHeight;
  for (Integer k = 0; k < lines; ++k) FHeaderLines[k + 1] = FHeaderLines[k] + HeaderLineHeight;
  if (HeadersHeight == 0 || !tl->OptionsView()->HeaderAutoHeight()) return;
  // A line boundary below a column grows to the height its caption needs; every later
  // boundary moves down with it.
  for (Integer i = 0; i < tl->VisibleColumnCount(); ++i) {
    TvxTreeListColumn* col = tl->VisibleColumns(i);
    TvxTreeListBandRow* row = col->Position()->Row();
    if (!row) continue;
    Integer t = row->LineOffset(), e = t + std::max(col->Position()->LineCount(), 1);
    if (t < 0 || e > lines) continue;
    Integer grow = FHeaderLines[t] + ColumnHeaderHeight(col) - FHeaderLines[e];
    if (grow > 0)
      for (Integer k = e; k <= lines; ++k) FHeaderLines[k] += grow;
  }
  HeadersHeight = FHeaderLines[lines] - FHeaderLines[0];
}

void TvxTreeListViewInfo::AddHeaderSizingAreas(TvxTreeListHeaderCellViewInfo* ACell, bool AHorz, bool AVert) {
  if (ACell->DisplayRect.bottom <= ACell->DisplayRect.top) return;
  if (AHorz) FHitTestCells.push_back(std::make_unique<TvxTreeListHeaderSizingArea>(ACell, dsdHorz));
  if (AVert) FHitTestCells.push_back(std::make_unique<TvxTreeListHeaderSizingArea>(ACell, dsdVert));
}

void TvxTreeListViewInfo::CalculateColumnHeaders() {
  TvxCustomTreeList* tl = TreeList();
  if (HeadersHeight <= 0) return;
  const Integer top = FBounds.top + BandsHeight;
  // Each bottom band's columns under its header, one header line per column line.
  for (const TBandSpan& span : FBottomSpans) {
    TvxTreeListBand* b = span.Band;
    const TRect visible{span.VisibleLeft, top, span.VisibleRight, top + HeadersHeight};
    FCells.Add(new TvxTreeListBandCellViewInfo(tl, visible, TRect{span.Left, top, span.Right, top + HeadersHeight}, b,
                                               tlbpHeader));
    for (Integer r = 0; r < b->BandRows()->VisibleItemCount(); ++r) {
      TvxTreeListBandRow* row = b->BandRows()->VisibleItems(r);
      Integer x = span.Left;
      const Integer rowTop = HeaderLineTop(row->LineOffset());
      for (Integer c = 0; c < row->VisibleItemCount(); ++c) {
        TvxTreeListColumn* col = row->VisibleItems(c);
        TRect cr{x, rowTop, x + col->DisplayWidth(),
                 HeaderLineTop(row->LineOffset() + std::max(col->Position()->LineCount(), 1))};
        auto* cell = new TvxTreeListColumnHeaderCellViewInfo(tl, visible, cr, col);
        FCells.Add(cell);
        FHeaderCells.push_back(cell);
        AddHeaderSizingAreas(cell, col->CanSizing(tlsdHorz), col->CanSizing(tlsdVert));
        x = cr.right;
      }
    }
  }
}

Integer TvxTreeListViewInfo::RowsThatFit() const {
  Integer area = FBounds.bottom - FooterHeight - (FBounds.top + BandsHeight + HeadersHeight);
  Integer rh = std::max(DataRowsHeight(), 1);
  return std::max(area / rh, 1);
}

Integer TvxTreeListViewInfo::DataRowsHeight() const {
  return DataLineHeight() * std::max(TreeList()->Bands()->ColumnsLineCount(), 1);
}

TvxTreeListNodeViewData* TvxTreeListViewInfo::CreateNodeRow(TvxTreeListNode* ANode, Integer ATop) {
  TvxCustomTreeList* tl = TreeList();
  // The data lines: a column spans its band row's lines from the row's line offset, as its
  // header does; a group row has one line.
  const std::vector<Integer> lineTops = NodeLineTops(ANode);
  const Integer rh = lineTops.back();
  const bool group = IsGroupRow(ANode), severalLines = lineTops.size() > 2;
  TRect rowBounds{FBounds.left, ATop, FBounds.right, ATop + rh};
  auto row = std::make_unique<TvxTreeListNodeViewData>(this, ANode, rowBounds);
  const TRect rowsVisible{FBounds.left + IndicatorWidth, FBounds.top + BandsHeight + HeadersHeight, FBounds.right,
                          FBounds.bottom};
  if (IndicatorWidth > 0) {
    TRect all = rowsVisible;
    all.left = FBounds.left;
    row->Cells().Add(new TvxTreeListIndicatorCellViewInfo(
        tl, all, TRect{FBounds.left, ATop, FBounds.left + IndicatorWidth, ATop + rh}, ANode, tlipContent));
  }
  TvxTreeListBand* indentBand = tl->Bands()->ExpandableBand();
  for (const TBandSpan& span : FBottomSpans) {
    TvxTreeListBand* b = span.Band;
    const TRect visible{span.VisibleLeft, rowsVisible.top, span.VisibleRight, rowsVisible.bottom};
    Integer cellsLeft = span.Left;
    if (b == indentBand && IndentWidth > 0) cellsLeft = AddIndentCells(row.get(), ANode, span.Left, ATop, rh, visible);
    if (group) continue;
    // Where a band's columns leave lines empty, its content shows behind them.
    if (severalLines) {
      auto* content = new TvxTreeListBandCellViewInfo(tl, visible, TRect{cellsLeft, ATop, span.Right, ATop + rh}, b,
                                                      tlbpContent);
      content->Node = ANode;
      content->AttachNode = ANode;
      row->Cells().Add(content);
    }
    for (const TDataCellPlace& p : DataCellPlaces(span, cellsLeft)) {
      auto* cell = new TvxTreeListEditCellViewInfo(
          tl, visible, TRect{p.Left, ATop + lineTops[p.FirstLine], p.Right, ATop + lineTops[p.EndLine]}, ANode, p.Column);
      cell->Borders = GridLines;
      if (cell->Borders.Contains(bTop)) cell->Borders.Exclude(bTop);
      if (cell->Borders.Contains(bLeft)) cell->Borders.Exclude(bLeft);
      cell->BorderColor = GridLineColor;
      row->Cells().Add(cell);
    }
  }
  if (group) AddGroupCell(row.get(), ANode, ATop, rh);
  FinishNodeRow(row.get(), ATop, rh);
  for (Integer i = 0; i < row->Cells().Count(); ++i)
    if (auto* c = dynamic_cast<TvxTreeListCustomCellViewInfo*>(row->Cells().Items(i))) c->CalculateVisibleInfo();
  row->UpdateSelection();
  return row.release();
}

TvxTreeListHeaderCellViewInfo* TvxTreeListViewInfo::HeaderCellOf(TObject* AItem) const {
  for (TvxTreeListCustomHeaderCellViewInfo* cell : FHeaderCells) {
    if (auto* c = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(cell); c && c->Column() == AItem) return c;
    if (auto* b = dynamic_cast<TvxTreeListBandHeaderCellViewInfo*>(cell); b && b->Band() == AItem) return b;
  }
  return nullptr;
}

TSize TvxTreeListViewInfo::CheckboxSize() const {
  TSize r = TreeList()->LookAndFeelPainter()->CheckButtonSize();
  return TSize{r.cx + 4, r.cy + 4};
}

bool TvxTreeListViewInfo::ShowsStateImage(TvxTreeListNode* ANode) const {
  TvxCustomTreeList* tl = TreeList();
  const TvxTreeListLevelInfo* info = tl->LevelInfo(ANode->Level());
  if (!info || !info->StateImages) return false;
  if (tl->OptionsView()->DynamicFocusedStateImages() && ANode != tl->FocusedNode()) return false;
  const Integer index = tl->DoGetNodeImageIndex(ANode, tlitStateIndex);
  return index >= 0 && index < info->StateImages->Count();
}

std::vector<TvxTreeListViewInfo::TIndentPart> TvxTreeListViewInfo::IndentParts(TvxTreeListNode* ANode) const {
  TvxCustomTreeList* tl = TreeList();
  const Integer level = ANode->Level();
  std::vector<TIndentPart> parts;
  // One step per level from the first shown one (the root's children's level, or the next
  // without ShowRoot) to the node's own, each as wide as its level's step.
  for (Integer l = tl->OptionsView()->ShowRoot() ? 0 : 1; l <= level; ++l) {
    const TvxTreeListLevelInfo* info = tl->LevelInfo(l);
    parts.push_back(TIndentPart{nikLevel, l, info ? info->Size.cx : tl->DefaultIndentSize().cx, nullptr});
  }
  // Then the node's own glyphs.
  const TvxTreeListLevelInfo* info = tl->LevelInfo(level);
  if (ANode->HasCheckbox()) parts.push_back(TIndentPart{nikCheck, level, CheckboxSize().cx, nullptr});
  if (ShowsStateImage(ANode))
    parts.push_back(TIndentPart{nikState, level, info->StateImages->Width() + 3, info->StateImages});
  if (info && info->Images) parts.push_back(TIndentPart{nikImage, level, info->Images->Width() + 3, info->Images});
  return parts;
}

Integer TvxTreeListViewInfo::NodeIndentWidth(TvxTreeListNode* ANode) const {
  if (!TreeList()->Bands()->ExpandableBand() || IndentWidth <= 0) return 0;
  Integer width = 0;
  for (const TIndentPart& part : IndentParts(ANode)) width += part.Width;
  return width;
}

Integer TvxTreeListViewInfo::LevelIndentStart(Integer ALevel) const {
  TvxCustomTreeList* tl = TreeList();
  const Integer first = tl->OptionsView()->ShowRoot() ? 0 : 1;
  if (ALevel < first) return 0;
  if (const TvxTreeListLevelInfo* info = tl->LevelInfo(ALevel)) return info->Offset;
  return (ALevel - first) * tl->DefaultIndentSize().cx;
}

Integer TvxTreeListViewInfo::LevelIndentEnd(Integer ALevel) const {
  TvxCustomTreeList* tl = TreeList();
  if (ALevel < (tl->OptionsView()->ShowRoot() ? 0 : 1)) return 0;
  const TvxTreeListLevelInfo* info = tl->LevelInfo(ALevel);
  return LevelIndentStart(ALevel) + (info ? info->Size.cx : tl->DefaultIndentSize().cx);
}

Integer TvxTreeListViewInfo::AddIndentCells(TvxTreeListNodeViewData* ARow, TvxTreeListNode* ANode, Integer AX,
                                            Integer ATop, Integer AHeight, const TRect& AVisible) {
  TvxCustomTreeList* tl = TreeList();
  TvxCustomLookAndFeelPainterClass p = tl->LookAndFeelPainter();
  const Integer level = ANode->Level();
  // The first of the node's glyphs carries the line down to its children.
  bool glyphSeen = false;
  for (const TIndentPart& part : IndentParts(ANode)) {
    auto* cell = new TvxTreeListIndentCellViewInfo(tl, AVisible, TRect{AX, ATop, AX + part.Width, ATop + AHeight});
    cell->Node = ANode;
    cell->AttachNode = ANode;
    cell->Kind = part.Kind;
    ARow->Cells().Add(cell);
    if (part.Kind == nikLevel) {
      cell->InitLines(ANode, part.Level);
      if (part.Level == level && tl->OptionsView()->Buttons() && ANode->HasChildren()) {
        const Integer bs = p->SmallExpandButtonSize();
        const Integer bx = AX + (part.Width - bs) / 2, by = ATop + (AHeight - bs) / 2;
        cell->ButtonRect = TRect{bx, by, bx + bs, by + bs};
      }
    } else {
      cell->Images = part.Images;
      if (!glyphSeen) cell->InitGlyphLines(ANode);
      else cell->Index = level;
      glyphSeen = true;
    }
    AX += part.Width;
  }
  return AX;
}

void TvxTreeListViewInfo::CalculateNodes() {
  TvxCustomTreeList* tl = TreeList();
  Integer count = tl->VisibleCount();
  Integer top = tl->TopVisibleNode() ? tl->TopVisibleNode()->VisibleIndex() : 0;
  // The top row never leaves a gap at the bottom while earlier rows could fill it.
  top = std::clamp(top, 0, TopIndexForLast(count - 1));
  const Integer limit = FBounds.bottom - FooterHeight;
  NodesVisibleCount = 0;
  ContentHeight = 0;
  Integer y = FBounds.top + BandsHeight + HeadersHeight;
  for (Integer i = top; i < count && y < limit; ++i) {
    TvxTreeListNodeViewData* row = CreateNodeRow(tl->AbsoluteVisibleItems(i), y);
    FNodesViewData.emplace_back(row);
    y = row->Bounds().bottom;
    if (y <= limit) ++NodesVisibleCount;
  }
  if (count > 0) NodesVisibleCount = std::max(NodesVisibleCount, 1);
  // A row cut off at the bottom is painted only down to the footer.
  ContentHeight = std::min(y, limit) - (FBounds.top + BandsHeight + HeadersHeight);
  TvxTreeListNode* topNode = count > 0 ? tl->AbsoluteVisibleItems(top) : nullptr;
  tl->FTopVisibleNode = topNode;
}

// --- Footers, group footers and previews ----------------------------------------------------

bool TvxTreeListViewInfo::ColumnSpan(TvxTreeListColumn* AColumn, Integer& ALeft, Integer& ARight) const {
  TvxTreeListBandRow* row = AColumn->Position()->Row();
  if (!row || !AColumn->ActuallyVisible()) return false;
  for (const TBandSpan& span : BottomBandSpans()) {
    if (span.Band != AColumn->Position()->Band()) continue;
    Integer x = span.Left;
    for (Integer c = 0; c < row->VisibleItemCount(); ++c) {
      TvxTreeListColumn* col = row->VisibleItems(c);
      if (col == AColumn) {
        ALeft = x;
        ARight = x + col->DisplayWidth();
        return true;
      }
      x += col->DisplayWidth();
    }
  }
  return false;
}

Integer TvxTreeListViewInfo::FooterSummaryRowCount(bool AGroup) const {
  TvxCustomTreeList* tl = TreeList();
  Integer rows = 0;
  for (Integer i = 0; i < tl->VisibleColumnCount(); ++i) {
    TvxTreeListColumn* c = tl->VisibleColumns(i);
    if (!c->Options()->Get(AGroup ? TvxTreeListColumnOptions::GroupFooter : TvxTreeListColumnOptions::Footer)) continue;
    TvxTreeListSummaryItems* items =
        AGroup ? c->Summary()->GroupFooterSummaryItems() : c->Summary()->FooterSummaryItems();
    rows = std::max(rows, std::max(c->Position()->LineCount(), 1) * items->VisibleCount());
  }
  return rows;
}

Integer TvxTreeListViewInfo::FooterLineCount() const {
  TvxCustomTreeList* tl = TreeList();
  if (!tl->OptionsView()->Footer()) return 0;
  return std::max(MultiRows ? tl->Bands()->ColumnsLineCount() : FooterSummaryRowCount(false), 1);
}

Integer TvxTreeListViewInfo::GroupFooterLineCount() const {
  TvxCustomTreeList* tl = TreeList();
  if (tl->OptionsView()->GroupFooters() == tlgfInvisible) return 0;
  return std::max(MultiRows ? tl->Bands()->ColumnsLineCount() : FooterSummaryRowCount(true), 1);
}

void TvxTreeListViewInfo::CalculateFooterHeights() {
  TvxCustomTreeList* tl = TreeList();
  MultiRows = false;
  for (Integer i = 0; i < tl->Bands()->BottomItemCount(); ++i)
    if (TvxTreeListBand* b = tl->Bands()->BottomItems(i); b->Visible() && b->BandRows()->VisibleItemCount() > 1)
      MultiRows = true;
  TvxCustomLookAndFeelPainterClass p = tl->LookAndFeelPainter();
  // The frame (separator, cell offset, border) comes once around all the lines.
  auto height = [&](Integer ALines) {
    Integer h = ALines * FooterLineHeight;
    if (h != 0 && !IsFooterFrameless()) h += p->FooterSeparatorSize() + p->FooterCellOffset() + p->FooterBorderSize();
    return h;
  };
  FooterHeight = height(FooterLineCount());
  GroupFooterHeight = height(GroupFooterLineCount());
}

void TvxTreeListViewInfo::CalculateFooter() {
  TvxCustomTreeList* tl = TreeList();
  if (FooterHeight <= 0) return;
  TRect f{FBounds.left, FBounds.bottom - FooterHeight, ContentBounds().right, FBounds.bottom};
  if (IndicatorWidth > 0) {
    FCells.Add(new TvxTreeListIndicatorCellViewInfo(tl, FBounds, TRect{f.left, f.top, f.left + IndicatorWidth, f.bottom},
                                                    nullptr, tlipFooter));
    f.left += IndicatorWidth;
  }
  if (tl->Bands()->VisibleItemCount() > 0) AddFooterCells(FCells, tl->Root(), nullptr, f, 0);
}

void TvxTreeListViewInfo::AddFooterCells(TvxCustomControlCells& ACells, TvxTreeListNode* ASummaryNode,
                                         TvxTreeListNode* AAttachNode, const TRect& AFooter, Integer AIndent) {
  TvxCustomTreeList* tl = TreeList();
  TvxCustomLookAndFeelPainterClass p = tl->LookAndFeelPainter();
  const bool group = ASummaryNode != tl->Root();
  const bool frameless = IsFooterFrameless();
  const std::vector<TBandSpan>& spans = BottomBandSpans();
  TvxTreeListBand* indentBand = tl->Bands()->ExpandableBand();
  const bool indentFirst = !spans.empty() && spans.front().Band == indentBand;
  const Integer summaryRows = FooterSummaryRowCount(group);
  for (size_t k = 0; k < spans.size(); ++k) {
    const TBandSpan& span = spans[k];
    const bool first = k == 0, last = k + 1 == spans.size();
    TRect b{span.Left, AFooter.top, span.Right, AFooter.bottom};
    TRect v{span.VisibleLeft, AFooter.top, span.VisibleRight, AFooter.bottom};
    // A group footer starts where the children's data starts in the indent band.
    const bool indented = group && span.Band == indentBand;
    if (indented) {
      b.left = std::min(b.left + AIndent, b.right);
      if (first) v.left = std::max(v.left, b.left);
    }
    auto* band = new TvxTreeListBandCellViewInfo(tl, v, b, span.Band, group ? tlbpGroupFooter : tlbpFooter);
    band->Node = ASummaryNode;
    band->AttachNode = AAttachNode;
    band->Borders = TvxBorders{bTop, bBottom};
    if (indented) band->Borders.Include(bLeft);
    if (last || (group && spans[k + 1].Band == indentBand)) band->Borders.Include(bRight);
    band->BorderColor = p->FooterSeparatorColor();
    ACells.Add(band);
    if (!frameless) {
      v.top += 2 * p->FooterSeparatorSize() + p->FooterCellOffset();
      v.bottom -= p->FooterBorderSize();
    }
    TvxTreeListBandRows* rows = span.Band->BandRows();
    for (Integer r = 0; r < rows->VisibleItemCount(); ++r) {
      TvxTreeListBandRow* row = rows->VisibleItems(r);
      for (Integer c = 0; c < row->VisibleItemCount(); ++c) {
        TvxTreeListColumn* col = row->VisibleItems(c);
        if (!col->Options()->Get(group ? TvxTreeListColumnOptions::GroupFooter : TvxTreeListColumnOptions::Footer))
          continue;
        Integer left = 0, right = 0;
        if (!ColumnSpan(col, left, right)) continue;
        left = std::max<Integer>(left, b.left);
        right = std::min<Integer>(right, b.right);
        if (left >= right) continue;
        // Cells keep off the panel's outer edges.
        if (!frameless && left == b.left && (first || (span.Band == indentBand && !indentFirst))) ++left;
        if (last && right == b.right) --right;
        const Integer height = std::max(col->Position()->LineCount(), 1) * FooterLineHeight;
        TRect cell{left, v.top + row->LineOffset() * FooterLineHeight, right, 0};
        cell.bottom = cell.top + height;
        if (!frameless) {
          cell.left += p->FooterCellOffset();
          cell.right -= p->FooterCellOffset();
          cell.bottom -= 1 + p->FooterCellOffset();
        }
        TvxTreeListSummaryItems* items =
            group ? col->Summary()->GroupFooterSummaryItems() : col->Summary()->FooterSummaryItems();
        if (!MultiRows && summaryRows > 1 && items->Count() > 0) {
          // One line per visible item, each the column's height below the previous one.
          Integer shown = 0;
          for (Integer i = 0; i < items->Count(); ++i) {
            if (!items->Items(i)->Visible()) continue;
            TRect r = cell;
            OffsetRect(&r, 0, shown++ * height);
            auto* single = new TvxTreeListFooterSingleCellViewInfo(tl, v, r);
            single->Init(ASummaryNode, AAttachNode, col);
            single->SetSummaryItem(items->Items(i));
            ACells.Add(single);
          }
        } else {
          auto* multi = new TvxTreeListFooterMultiItemsCellViewInfo(tl, v, cell);
          multi->Init(ASummaryNode, AAttachNode, col);
          multi->SetSummaryItems(items);
          ACells.Add(multi);
        }
      }
    }
  }
}

bool TvxTreeListViewInfo::IsGroupFooterNeeded(TvxTreeListNode* ANode) {
  switch (TreeList()->OptionsView()->GroupFooters()) {
    case tlgfAlwaysVisible:
      if (ANode->HasChildren() && !ANode->Expanded()) return true;
      if (ANode->HasChildren() || ANode->GetNextSiblingVisible()) return false;
      return ANode->Parent() && !ANode->Parent()->IsRoot();
    case tlgfVisibleWhenExpanded:
      return !ANode->Expanded() && !ANode->GetNextSiblingVisible() && ANode->Level() > 0;
    default:
      return false;
  }
}

std::vector<std::pair<TvxTreeListNode*, Integer>> TvxTreeListViewInfo::GroupFooterNodes(TvxTreeListNode* ANode) {
  std::vector<std::pair<TvxTreeListNode*, Integer>> result;
  if (!ANode->Parent() || !IsGroupFooterNeeded(ANode)) return result;
  const bool always = TreeList()->OptionsView()->GroupFooters() == tlgfAlwaysVisible;
  // A collapsed node closes its own hidden children's group; otherwise the footers close
  // the node's parent and every ancestor that ends with it.
  TvxTreeListNode* summary = ANode->Parent();
  if (ANode->HasChildren() && !ANode->Expanded() && (always || ANode->Parent()->IsRoot())) summary = ANode;
  Integer level = ANode->Level();
  if (always && summary != ANode && !summary->IsRoot()) --level;
  // Each group that ends here closes in turn, up to the first that has a later sibling:
  // its parent's group goes on after it. (A collapsed node that closes its own group is
  // the last of its parent's group too when it has no later sibling.)
  for (;;) {
    result.emplace_back(summary, level);
    if (summary->GetNextSiblingVisible()) break;
    summary = summary->Parent();
    --level;
    if (!summary || summary->IsRoot()) break;
  }
  return result;
}

void TvxTreeListViewInfo::PreviewSpan(TvxTreeListNode* ANode, Integer& ALeft, Integer& ARight) const {
  const std::vector<TBandSpan>& spans = BottomBandSpans();
  ALeft = ARight = 0;
  if (spans.empty()) return;
  ALeft = spans.front().Left;
  ARight = spans.front().Right;
  for (const TBandSpan& s : spans) {
    ALeft = std::min(ALeft, s.Left);
    ARight = std::max(ARight, s.Right);
  }
  // Beside the tree's indent when the indent band comes first.
  if (spans.front().Band == TreeList()->Bands()->ExpandableBand()) ALeft = std::min(ALeft + NodeIndentWidth(ANode), ARight);
}

Integer TvxTreeListViewInfo::NodePreviewHeight(TvxTreeListNode* ANode) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListPreview* preview = tl->Preview();
  if (!preview->Active()) return 0;
  const Integer grid = tl->OptionsView()->HorzGridLines() ? 1 : 0;
  const Integer area = FBounds.bottom - FooterHeight - (FBounds.top + BandsHeight + HeadersHeight);
  Integer h = preview->MaxLineCount() <= 0 ? std::max(area, 0) : preview->MaxLineCount() * PreviewLineHeight + grid + 2;
  const Variant value = preview->Column()->GetDisplayValue(ANode, true);
  if (preview->AutoHeight()) {
    // The text's height at the cell's text width, with the cell's pixel above and below
    // and its bottom grid line: the cell shows all of it, up to the line limit.
    Integer left = 0, right = 0;
    PreviewSpan(ANode, left, right);
    const Integer width = right - left - (tl->OptionsView()->VertGridLines() ? 1 : 0) - preview->LeftIndent() -
                          preview->RightIndent();
    const String text = VarIsNull(value) || VarIsEmpty(value) ? String() : VarToStr(value);
    Integer textHeight = 0;
    if (!text.empty()) {
      TvxScreenCanvas* canvas = vxGetScreenCanvas();
      canvas->FontHeight(tl->Styles()->GetPreviewParams(ANode).Font);
      TRect t{0, 0, std::max(width, 1), 0};
      canvas->TextExtent(text, t, vxtfCalcRect | vxtfWordBreak);
      textHeight = t.bottom - t.top;
    }
    h = std::min(h, textHeight + 2 + grid);
  }
  if (tl->OnGetNodePreviewHeight) tl->OnGetNodePreviewHeight(tl, ANode, value, h);
  return std::max(h, 0);
}

Integer TvxTreeListViewInfo::NodeRowHeight(TvxTreeListNode* ANode) {
  // What FinishNodeRow stacks: the data lines, the preview, one line per group footer;
  // summed without building the row's cells.
  return NodeDataHeight(ANode) + NodePreviewHeight(ANode) +
         static_cast<Integer>(GroupFooterNodes(ANode).size()) * GroupFooterHeight;
}

Integer TvxTreeListViewInfo::NodeDataHeight(TvxTreeListNode* ANode) { return NodeLineTops(ANode).back(); }

Integer TvxTreeListViewInfo::TopIndexForLast(Integer ALast) {
  if (ALast <= 0) return 0;
  TvxCustomTreeList* tl = TreeList();
  const Integer area = FBounds.bottom - FooterHeight - (FBounds.top + BandsHeight + HeadersHeight);
  Integer top = ALast, used = NodeRowHeight(tl->AbsoluteVisibleItems(ALast));
  while (top > 0) {
    const Integer h = NodeRowHeight(tl->AbsoluteVisibleItems(top - 1));
    if (used + h > area) break;
    used += h;
    --top;
  }
  return top;
}

Integer TvxTreeListViewInfo::LastWholeRowFrom(Integer ATop) {
  TvxCustomTreeList* tl = TreeList();
  const Integer count = tl->VisibleCount();
  if (ATop >= count - 1) return std::max(count - 1, 0);
  const Integer area = FBounds.bottom - FooterHeight - (FBounds.top + BandsHeight + HeadersHeight);
  Integer last = ATop, used = NodeRowHeight(tl->AbsoluteVisibleItems(ATop));
  while (last + 1 < count) {
    const Integer h = NodeRowHeight(tl->AbsoluteVisibleItems(last + 1));
    if (used + h > area) break;
    used += h;
    ++last;
  }
  // A row taller than the page still moves the focus on by one.
  return last == ATop ? ATop + 1 : last;
}

void TvxTreeListViewInfo::FinishNodeRow(TvxTreeListNodeViewData* ARow, Integer ATop, Integer AHeight) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListNode* node = ARow->Node();
  TvxTreeListPreview* preview = tl->Preview();
  TvxCustomControlCells& cells = ARow->Cells();
  const TRect rowsVisible{FBounds.left + IndicatorWidth, FBounds.top + BandsHeight + HeadersHeight, FBounds.right,
                          FBounds.bottom - FooterHeight};
  Integer dataTop = ATop, y = ATop + AHeight;
  ARow->PreviewHeight = NodePreviewHeight(node);
  if (ARow->PreviewHeight > 0) {
    const bool onTop = preview->Place() == tlppTop;
    if (onTop) {
      // The data lines move down below the preview.
      for (Integer i = 0; i < cells.Count(); ++i) cells.Items(i)->Offset(0, ARow->PreviewHeight);
      dataTop += ARow->PreviewHeight;
    }
    Integer left = 0, right = 0;
    PreviewSpan(node, left, right);
    const Integer top = onTop ? ATop : y;
    auto* cell = new TvxTreeListPreviewCellViewInfo(tl, rowsVisible, TRect{left, top, right, top + ARow->PreviewHeight},
                                                    node, preview->Column());
    cell->Borders = GridLines;
    cell->Borders.Exclude(bTop);
    cell->Borders.Exclude(bLeft);
    cell->BorderColor = GridLineColor;
    cells.Add(cell);
    y += ARow->PreviewHeight;
  }
  // The indent spans the data lines, and the preview too when the indent band comes first;
  // its button and lines centre in what it spans.
  const std::vector<TBandSpan>& spans = BottomBandSpans();
  const bool indentFirst = !spans.empty() && spans.front().Band == tl->Bands()->ExpandableBand();
  const Integer indentTop = indentFirst ? ATop : dataTop, indentBottom = indentFirst ? y : dataTop + AHeight;
  for (Integer i = 0; i < cells.Count(); ++i) {
    auto* indent = dynamic_cast<TvxTreeListIndentCellViewInfo*>(cells.Items(i));
    if (!indent) continue;
    TRect r = indent->DisplayRect;
    r.top = indentTop;
    r.bottom = indentBottom;
    indent->CalculateBounds(r, indent->VisibleBounds);
    if (!IsRectEmpty(&indent->ButtonRect)) {
      const Integer size = indent->ButtonRect.bottom - indent->ButtonRect.top;
      indent->ButtonRect.top = (r.top + r.bottom - size) / 2;
      indent->ButtonRect.bottom = indent->ButtonRect.top + size;
    }
  }
  ARow->FocusRectBounds = TRect{ARow->Bounds().left, dataTop, ARow->Bounds().right, dataTop + AHeight};
  // Group footers below, with the tree lines running on beside them.
  // A group footer starts where its level's step ends: the steps are as wide as the
  // levels' images make them.
  const Integer first = tl->OptionsView()->ShowRoot() ? 0 : 1;
  TvxTreeListBand* indentBand = tl->Bands()->ExpandableBand();
  for (const auto& [summary, level] : GroupFooterNodes(node)) {
    const TRect footer = IsFooterFrameless() ? TRect{FBounds.left, y, FBounds.right, y + GroupFooterHeight - 1}
                                             : TRect{FBounds.left, y - 1, FBounds.right, y + GroupFooterHeight};
    AddFooterCells(cells, summary, node, footer, LevelIndentEnd(level));
    ++ARow->GroupFooterCount;
    for (const TBandSpan& span : spans) {
      if (span.Band != indentBand || IndentWidth <= 0) continue;
      const TRect visible{span.VisibleLeft, rowsVisible.top, span.VisibleRight, rowsVisible.bottom};
      for (Integer l = first; l <= level; ++l) {
        const Integer x = span.Left + LevelIndentStart(l), right = span.Left + LevelIndentEnd(l);
        auto* indent = new TvxTreeListIndentCellViewInfo(tl, visible, TRect{x, footer.top, right, footer.bottom});
        indent->Node = node;
        indent->AttachNode = node;
        indent->InitFooterLines(node, l);
        cells.Add(indent);
      }
    }
    y += GroupFooterHeight;
  }
  // The indicator stands beside the whole row.
  for (Integer i = 0; i < cells.Count(); ++i)
    if (auto* ind = dynamic_cast<TvxTreeListIndicatorCellViewInfo*>(cells.Items(i)); ind && ind->Position == tlipContent)
      ind->CalculateBounds(TRect{ind->DisplayRect.left, ATop, ind->DisplayRect.right, y}, ind->VisibleBounds);
  ARow->SetBounds(TRect{ARow->Bounds().left, ATop, ARow->Bounds().right, y});
}

void TvxTreeListViewInfo::CalculateBackground() {
  TvxCustomTreeList* tl = TreeList();
  TRect right{FBounds.left + ContentWidth - HScrollPos, FBounds.top, FBounds.right, FBounds.bottom};
  right.left = std::max(right.left, FBounds.left + IndicatorWidth);
  if (right.left < right.right) FCells.Add(new TvxTreeListBackgroundCellViewInfo(tl, FBounds, right));
  Integer top = FBounds.top + BandsHeight + HeadersHeight + ContentHeight;
  TRect below{FBounds.left, top, std::min<Integer>(FBounds.right, right.left), FBounds.bottom - FooterHeight};
  if (below.top < below.bottom && below.left < below.right) {
    HorzBackgroundCell = new TvxTreeListBackgroundCellViewInfo(tl, FBounds, below);
    FCells.Add(HorzBackgroundCell);
  }
  for (Integer i = 0; i < FCells.Count(); ++i)
    if (auto* c = dynamic_cast<TvxTreeListCustomCellViewInfo*>(FCells.Items(i))) c->CalculateVisibleInfo();
}

void TvxTreeListViewInfo::LinkHeaderNeighbours() {
  TvxCustomLookAndFeelPainterClass p = TreeList()->LookAndFeelPainter();
  bool shared = p->HeaderBorders(TvxNeighbors{nLeft, nTop, nRight, nBottom}) != vxBordersAll;
  Integer right = ContentBounds().right - HScrollPos;
  for (size_t i = 0; i < FHeaderCells.size(); ++i) {
    TvxTreeListCustomHeaderCellViewInfo* c = FHeaderCells[i];
    c->IsLast = c->DisplayRect.right == right;
    for (size_t j = i + 1; j < FHeaderCells.size(); ++j) c->CheckNeighbour(FHeaderCells[j], shared);
  }
  for (TvxTreeListCustomHeaderCellViewInfo* c : FHeaderCells) c->CalculateBounds(c->DisplayRect, c->VisibleBounds);
}

void TvxTreeListViewInfo::UpdateSelection() {
  TvxCustomControlViewInfo::UpdateSelection();
  if (FCalculating) return;
  if (Validate() || FNodesViewData.empty()) {
    if (auto* p = dynamic_cast<TvxTreeListPainter*>(Painter())) p->Changed = true;
    FControl->InvalidateArea(FBounds, false);
    return;
  }
  bool changed = false;
  for (auto& row : FNodesViewData) changed = row->UpdateSelection() || changed;
  // A focus change may show or hide a state image: the rows are built again.
  if (changed && TreeList()->OptionsView()->DynamicFocusedStateImages())
    for (auto& row : FNodesViewData) {
      bool hasState = false;
      for (Integer i = 0; i < row->Cells().Count() && !hasState; ++i)
        if (auto* c = dynamic_cast<TvxTreeListIndentCellViewInfo*>(row->Cells().Items(i))) hasState = c->Kind == nikState;
      if (hasState != ShowsStateImage(row->Node())) {
        SetDirty();
        FControl->LayoutChanged();
        return;
      }
    }
  if (changed)
    if (auto* p = dynamic_cast<TvxTreeListPainter*>(Painter())) p->Changed = true;
}

TvxTreeListNodeViewData* TvxTreeListViewInfo::NodeViewData(TvxTreeListNode* ANode) {
  for (auto& row : FNodesViewData)
    if (row->Node() == ANode) return row.get();
  return nullptr;
}

TvxTreeListEditCellViewInfo* TvxTreeListViewInfo::GetEditCell(TvxTreeListNode* ANode, TvxTreeListColumn* AColumn) {
  TvxTreeListNodeViewData* row = NodeViewData(ANode);
  return row ? row->EditCell(AColumn) : nullptr;
}

void TvxTreeListViewInfo::CalculateHitTest(TvxTreeListHitTest* AHitTest) {
  Validate();
  bool hit = false;
  for (Integer i = FCells.Count() - 1; i >= 0 && !hit; --i) hit = FCells.Items(i)->GetHitTest(AHitTest);
  TRect content = ContentBounds();
  content.right = FBounds.right;
  if (PtInRect(&content, AHitTest->HitPoint()))
    for (auto& row : FNodesViewData)
      if (row->GetHitTest(AHitTest)) break;
  for (auto& area : FHitTestCells)
    if (area->GetHitTest(AHitTest)) break;
  if (!AHitTest->CanSizing()) CalculateNodeSizingHit(AHitTest);
}

void TvxTreeListViewInfo::UpdateScrollBars() {
  TvxCustomTreeList* tl = TreeList();
  Integer count = tl->VisibleCount();
  Integer top = tl->TopVisibleNode() ? std::max(tl->TopVisibleNode()->VisibleIndex(), 0) : 0;
  Integer page = std::max(NodesVisibleCount, 1);
  tl->SetScrollBarInfo(sbVertical, 0, std::max(count - 1, 0), 1, page, top, true, true);
  tl->SetScrollBarInfo(sbHorizontal, 0, std::max(HScrollSize - 1, 0), HScrollInc, std::max(HScrollPage, 1), HScrollPos,
                       true, true);
}

void TvxTreeListViewInfo::SetTopIndex(Integer AIndex) {
  TvxCustomTreeList* tl = TreeList();
  Integer count = tl->VisibleCount();
  if (count == 0) return;
  AIndex = std::clamp(AIndex, 0, TopIndexForLast(count - 1));
  tl->SetTopVisibleNode(tl->AbsoluteVisibleItems(AIndex));
}

void TvxTreeListViewInfo::SetLeftPos(Integer APos) {
  APos = std::clamp(APos, 0, std::max(HScrollSize - HScrollPage, 0));
  if (APos == HScrollPos) return;
  HScrollPos = APos;
  SetDirty();
  TreeList()->LayoutChanged();
}

void TvxTreeListViewInfo::MakeNodeVisible(TvxTreeListNode* ANode) {
  Integer index = ANode->VisibleIndex();
  if (index < 0) return;
  TvxCustomTreeList* tl = TreeList();
  Integer top = tl->TopVisibleNode() ? tl->TopVisibleNode()->VisibleIndex() : 0;
  if (index < top) SetTopIndex(index);
  else if (Integer first = TopIndexForLast(index); first > top) SetTopIndex(first);
}

// --- Painter ---------------------------------------------------------------------------------

TvxTreeListPainter::TvxTreeListPainter(TObject* AOwner) : TvxCustomControlPainter(AOwner) {
  TvxCustomControlPainter::SetBuffered(true);
}

void TvxTreeListPainter::SetBuffered(bool) { TvxCustomControlPainter::SetBuffered(true); }

TvxCustomTreeList* TvxTreeListPainter::TreeList() const { return static_cast<TvxCustomTreeList*>(FControl); }

TvxTreeListViewInfo* TvxTreeListPainter::TreeViewInfo() const { return TreeList()->TreeListViewInfo(); }

void TvxTreeListPainter::CheckSize(Integer AWidth, Integer AHeight) {
  Integer w = AWidth / 50 * 50 + 50, h = AHeight / 50 * 50 + 50;
  if (FBitmap->Width() >= w && FBitmap->Height() >= h) return;
  FBitmap->SetSize(w, h);
  Changed = true;
}

void TvxTreeListPainter::Paint() {
  TvxCustomTreeList* tl = TreeList();
  if (!tl->Changes().Empty()) tl->ProcessChanges();
  CheckSize(tl->Width(), tl->Height());
  TvxCanvas* control = FControl->Canvas();
  if (Changed) {
    FBitmapCanvas->SetClipRegion(new TvxRegion(0, 0, FBitmap->Width(), FBitmap->Height()), roSet);
    TValueScope<TvxCanvas*> canvas(FCanvas, FBitmapCanvas.get());
    DoPaint();
    Changed = false;
  }
  control->Draw(0, 0, FBitmap.get());
}

void TvxTreeListPainter::UpdateCustomDrawSupported() {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListOptionsView* v = tl->OptionsView();
  CustomDrawSupported = static_cast<bool>(FControl->OnCustomDrawCell) || static_cast<bool>(tl->OnCustomDrawBackgroundCell) ||
                        ((v->Headers() || v->Bands()) && tl->OnCustomDrawHeaderCell) ||
                        (v->Footer() && tl->OnCustomDrawFooterCell) ||
                        (v->Indicator() && tl->OnCustomDrawIndicatorCell) || tl->OnCustomDrawBandCell ||
                        tl->OnCustomDrawIndentCell || tl->OnCustomDrawDataCell || tl->OnCustomDrawPreviewCell;
}

void TvxTreeListPainter::DoCustomDraw(TvxCanvas* ACanvas, TvxCustomViewInfoItem* ACell, bool& ADone) {
  ADone = false;
  if (!CustomDrawSupported || ACell->CustomDrawID() == 0) return;
  TvxCustomTreeList* tl = TreeList();
  auto* cell = dynamic_cast<TvxTreeListCustomCellViewInfo*>(ACell);
  if (const TvxTreeListCustomDrawCellEvent* e = tl->CustomDrawEvent(ACell->CustomDrawID()); e && *e && cell)
    (*e)(tl, ACanvas, cell, ADone);
  if (!ADone && FControl->OnCustomDrawCell) FControl->OnCustomDrawCell(FControl, ACanvas, ACell, ADone);
}

void TvxTreeListPainter::DoPaint() {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListViewInfo* vi = TreeViewInfo();
  if (tl->IsLocked() && !tl->Changes().Empty()) {
    TvxCustomControlPainter::DoPaint();
    return;
  }
  UpdateCustomDrawSupported();
  TvxCellsPaintHandler handler = [this](TvxCanvas* C, TvxCustomViewInfoItem* I, bool& D) { DoCustomDraw(C, I, D); };
  vi->Cells().Paint(FCanvas, handler);
  FCanvas->SaveClipRegion();
  TvxCanvas* canvas = FCanvas;
  TScopeExit restore([canvas] { canvas->RestoreClipRegion(); });
  TRect content = vi->ContentBounds();
  content.left = vi->Bounds().left;
  content.right = vi->Bounds().right;
  FCanvas->IntersectClipRect(content);
  for (Integer i = 0; i < vi->Count(); ++i) vi->NodesViewData(i)->Paint(FCanvas, handler);
}
