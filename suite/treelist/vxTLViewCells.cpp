#include "vxTLView.h"

#include <algorithm>
#include <cmath>

#include "vxCheckBox.h"
#include "vxTLStrs.h"

namespace {

// Where a footer cell's text goes: inside the cell's border, two pixels in.
TRect FooterTextArea(TvxCustomTreeList* ATreeList, const TRect& R) {
  const Integer d = ATreeList->LookAndFeelPainter()->FooterCellBorderSize() + 2;
  return vxRectExpand(R, -d, -d, -d, -d);
}

// Text drawn with a clear brush for a block; the brush turns solid again on every exit.
class TClearBrushScope {
 public:
  explicit TClearBrushScope(TvxCanvas* ACanvas) : FCanvas(ACanvas) { FCanvas->Brush()->SetStyle(bsClear); }
  ~TClearBrushScope() { FCanvas->Brush()->SetStyle(bsSolid); }
  TClearBrushScope(const TClearBrushScope&) = delete;
  TClearBrushScope& operator=(const TClearBrushScope&) = delete;

 private:
  TvxCanvas* FCanvas;
};

}  // namespace

// --- Cells ------------------------------------------------------------------------------------

TvxTreeListCustomCellViewInfo::TvxTreeListCustomCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect,
                                                             const TRect& ABounds)
    : TvxCustomViewInfoItem(ATreeList), FTreeList(ATreeList) {
  CalculateBounds(ABounds, AVisibleRect);
}

TvxTreeListCustomCellViewInfo::~TvxTreeListCustomCellViewInfo() {
  if (TvxTreeListHitTest* h = FTreeList->HitTest()) {
    if (h->HitTestItem() == this) h->ClearHitItem();
    if (h->DragItem == this) h->DragItem = nullptr;
    h->CellRemoved(this);
  }
  if (TvxTreeListController* c = FTreeList->TreeListController())
    if (c->PressedHeader == this) c->PressedHeader = nullptr;
}

TvxEditingControl* TvxTreeListCustomCellViewInfo::GetControl() { return FTreeList; }

TvxTreeListViewInfo* TvxTreeListCustomCellViewInfo::ViewInfo() const { return FTreeList->TreeListViewInfo(); }

void TvxTreeListCustomCellViewInfo::CalculateVisibleInfo() {
  CalculateBounds(DisplayRect, VisibleBounds);
  CalculateViewParams();
  FVisibleInfoCalculated = true;
}

bool TvxTreeListCustomCellViewInfo::GetHitTest(TObject* AHitTest) {
  auto* h = dynamic_cast<TvxTreeListHitTest*>(AHitTest);
  if (!h || !Visible() || !PtInRect(&ClipRect, h->HitPoint())) return false;
  CheckVisibleInfo();
  if (AttachNode) h->HitNode = AttachNode;
  if (AttachNode && Node) h->SetHitAt(tlhcNode, true);
  h->SetHitItem(this);
  SetHitTestCodes(h);
  return true;
}

void TvxTreeListCustomCellViewInfo::DrawBorders(TvxCanvas* ACanvas, const TRect& R) {
  if (Borders.Empty()) return;
  TColor c = BorderColor == clDefault ? ViewInfo()->GridLineColor : BorderColor;
  if (Borders.Contains(bLeft)) ACanvas->FillRect(TRect{R.left, R.top, R.left + 1, R.bottom}, c);
  if (Borders.Contains(bTop)) ACanvas->FillRect(TRect{R.left, R.top, R.right, R.top + 1}, c);
  if (Borders.Contains(bRight)) ACanvas->FillRect(TRect{R.right - 1, R.top, R.right, R.bottom}, c);
  if (Borders.Contains(bBottom)) ACanvas->FillRect(TRect{R.left, R.bottom - 1, R.right, R.bottom}, c);
}

void TvxTreeListCustomCellViewInfo::DoDraw(TvxCanvas* ACanvas) {
  if (!Visible()) return;
  if (!DrawBackgroundBitmap(ACanvas, DisplayRect)) ACanvas->FillRect(DisplayRect, ItemViewParams.Color);
  DrawBorders(ACanvas, DisplayRect);
}

void TvxTreeListBackgroundCellViewInfo::CalculateViewParams() {
  FTreeList->Styles()->GetViewParams(tlsBackground, nullptr, nullptr, ItemViewParams);
}

void TvxTreeListBackgroundCellViewInfo::SetHitTestCodes(TvxTreeListHitTest* AHitTest) {
  AHitTest->SetHitAt(tlhcBackground, true);
}

TvxTreeListBandCellViewInfo::TvxTreeListBandCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect,
                                                         const TRect& ABounds, TvxTreeListBand* ABand,
                                                         TvxTreeListBandPart APart)
    : TvxTreeListCustomCellViewInfo(ATreeList, AVisibleRect, ABounds), FBand(ABand), FPart(APart) {}

void TvxTreeListBandCellViewInfo::CalculateViewParams() {
  TvxTreeListStyles* s = FTreeList->Styles();
  switch (FPart) {
    case tlbpHeader:
      ItemViewParams = s->GetBandBackgroundParams(FBand);
      break;
    case tlbpContent:
      ItemViewParams = s->GetBandContentParams(FBand, Node);
      break;
    case tlbpFooter:
    case tlbpGroupFooter:
      ItemViewParams = s->GetBandFooterParams(FBand, Node);
      break;
    case tlbpSeparator: {
      s->GetViewParams(tlsBackground, nullptr, nullptr, ItemViewParams);
      TColor c = FTreeList->OptionsView()->FixedSeparatorColor();
      ItemViewParams.Color = c == clDefault ? FTreeList->LookAndFeelPainter()->DefaultFixedSeparatorColor() : c;
      break;
    }
  }
}

void TvxTreeListBandCellViewInfo::DoDraw(TvxCanvas* ACanvas) {
  if (FPart != tlbpFooter && FPart != tlbpGroupFooter) return TvxTreeListCustomCellViewInfo::DoDraw(ACanvas);
  if (Visible()) FTreeList->LookAndFeelPainter()->DrawFooterPanel(ACanvas, DisplayRect, ItemViewParams, Borders);
}

void TvxTreeListBandCellViewInfo::SetHitTestCodes(TvxTreeListHitTest* AHitTest) {
  switch (FPart) {
    case tlbpHeader:
      AHitTest->SetHitAt(tlhcBandContainer, true);
      AHitTest->HitBand = FBand;
      break;
    case tlbpContent:
      AHitTest->SetHitAt(tlhcBand, true);
      AHitTest->HitBand = FBand;
      break;
    case tlbpFooter:
    case tlbpGroupFooter:
      AHitTest->SetHitAt(FPart == tlbpFooter ? tlhcFooter : tlhcGroupFooter, true);
      AHitTest->SetHitAt(tlhcBand, true);
      AHitTest->HitBand = FBand;
      break;
    case tlbpSeparator:
      AHitTest->SetHitAt(tlhcSeparator, true);
      break;
  }
}

TvxTreeListCustomHeaderCellViewInfo::TvxTreeListCustomHeaderCellViewInfo(TvxCustomTreeList* ATreeList,
                                                                         const TRect& AVisibleRect,
                                                                         const TRect& ABounds)
    : TvxTreeListCustomCellViewInfo(ATreeList, AVisibleRect, ABounds) {
  Borders = vxBordersAll;
}

void TvxTreeListCustomHeaderCellViewInfo::CalculateBounds(const TRect& ABounds, const TRect& AVisibleBounds) {
  TvxTreeListCustomCellViewInfo::CalculateBounds(ABounds, AVisibleBounds);
  if (!ItemVisible) return;
  ClipRect.left -= BordersMargins.left;
  ClipRect.top -= BordersMargins.top;
  ClipRect.right += BordersMargins.right;
  ClipRect.bottom += BordersMargins.bottom;
}

void TvxTreeListCustomHeaderCellViewInfo::CalculateVisibleInfo() {
  TvxTreeListCustomCellViewInfo::CalculateVisibleInfo();
  TextBounds = DisplayRect;
  if (Borders.Contains(bLeft)) ++TextBounds.left;
  if (Borders.Contains(bTop)) ++TextBounds.top;
  if (Borders.Contains(bRight)) --TextBounds.right;
  if (Borders.Contains(bBottom)) --TextBounds.bottom;
}

bool TvxTreeListCustomHeaderCellViewInfo::CanBeNeighbour(TvxTreeListCustomHeaderCellViewInfo* AOther) {
  return !IsRectEmpty(&DisplayRect) && !IsRectEmpty(&AOther->DisplayRect);
}

void TvxTreeListCustomHeaderCellViewInfo::CheckNeighbour(TvxTreeListCustomHeaderCellViewInfo* AOther, bool AShared) {
  if (!AShared) return;
  if (DisplayRect.right == AOther->DisplayRect.left) {
    Neighbors.Include(nRight);
    AOther->Neighbors.Include(nLeft);
    AOther->BordersMargins.left = 1;
  }
  if (CanBeNeighbour(AOther) && DisplayRect.bottom == AOther->DisplayRect.top) {
    Neighbors.Include(nBottom);
    AOther->Neighbors.Include(nTop);
    AOther->BordersMargins.top = 1;
  }
}

void TvxTreeListCustomHeaderCellViewInfo::SetState(TvxButtonState Value) {
  if (Value == FState || !IsItemVisible()) return;
  FState = Value;
  Invalidate();
}

void TvxTreeListCustomHeaderCellViewInfo::UpdateHotTrackState(const TPoint& P) {
  if (FState == vxbsPressed) return;
  SetState(PtInRect(&ClipRect, P) ? vxbsHot : vxbsNormal);
}

bool TvxTreeListCustomHeaderCellViewInfo::CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor,
                                                        TRect& AHintRect, bool, String& AText) {
  AShowBelowCursor = false;
  if (!PtInRect(&TextBounds, P)) return false;
  ACanvas->SetFont(ItemViewParams.Font);
  TSize sz = ACanvas->TextExtent(Text());
  if (sz.cx <= TextBounds.right - TextBounds.left && sz.cy <= TextBounds.bottom - TextBounds.top) return false;
  AText = Text();
  AHintRect = TRect{TextBounds.left, TextBounds.top, TextBounds.left + sz.cx, TextBounds.top + sz.cy};
  return true;
}

void TvxTreeListCustomHeaderCellViewInfo::DoDraw(TvxCanvas* ACanvas) {
  TRect r = DisplayRect;
  r.left -= BordersMargins.left;
  r.top -= BordersMargins.top;
  TvxCustomLookAndFeelPainterClass p = FTreeList->LookAndFeelPainter();
  if (FTreeList->OptionsView()->ExtPaintStyle())
    p->DrawHeaderEx(ACanvas, r, TextBounds, Neighbors, Borders, FState, AlignHorz(), AlignVert(), MultiLine(),
                    ShowEndEllipsis(), Text(), ItemViewParams.Font, ItemViewParams.TextColor, ItemViewParams.Color);
  else
    p->DrawHeader(ACanvas, r, TextBounds, Neighbors, Borders, FState, AlignHorz(), AlignVert(), MultiLine(),
                  ShowEndEllipsis(), Text(), ItemViewParams.Font, ItemViewParams.TextColor, ItemViewParams.Color,
                  nullptr, IsLast);
  if (SortOrder() != soNone) p->DrawSortingMark(ACanvas, SortMarkBounds, SortOrder() == soAscending);
  if (FState == vxbsPressed) p->DrawHeaderPressed(ACanvas, DisplayRect);
}

void TvxTreeListHeaderCellViewInfo::CalculateVisibleInfo() {
  TvxTreeListCustomHeaderCellViewInfo::CalculateVisibleInfo();
  InflateRect(&TextBounds, -2, -2);
  SortMarkBounds = TRect{};
  if (SortOrder() != soNone) {
    SortMarkBounds = TextBounds;
    SortMarkBounds.left = TextBounds.right - FTreeList->LookAndFeelPainter()->SortingMarkAreaSize().x;
    TextBounds.right = SortMarkBounds.left;
  }
}

TAlignment TvxTreeListHeaderCellViewInfo::AlignHorz() { return Caption ? Caption->AlignHorz() : taLeftJustify; }
TvxAlignmentVert TvxTreeListHeaderCellViewInfo::AlignVert() { return Caption ? Caption->AlignVert() : vaCenter; }
bool TvxTreeListHeaderCellViewInfo::MultiLine() { return Caption && Caption->MultiLine(); }
bool TvxTreeListHeaderCellViewInfo::ShowEndEllipsis() { return Caption && Caption->ShowEndEllipsis(); }
String TvxTreeListHeaderCellViewInfo::Text() { return Caption ? Caption->Text() : String(); }

TvxTreeListColumnHeaderCellViewInfo::TvxTreeListColumnHeaderCellViewInfo(TvxCustomTreeList* ATreeList,
                                                                         const TRect& AVisibleRect,
                                                                         const TRect& ABounds,
                                                                         TvxTreeListColumn* AColumn)
    : TvxTreeListHeaderCellViewInfo(ATreeList, AVisibleRect, ABounds), FColumn(AColumn) {
  Caption = AColumn->Caption();
}

void TvxTreeListColumnHeaderCellViewInfo::CalculateViewParams() {
  ItemViewParams = FTreeList->Styles()->GetColumnHeaderParams(FColumn);
}

void TvxTreeListColumnHeaderCellViewInfo::SetHitTestCodes(TvxTreeListHitTest* AHitTest) {
  AHitTest->DragItem = this;
  AHitTest->HitColumn = FColumn;
  AHitTest->SetHitAt(tlhcColumnHeader, true);
}

TvxTreeListBandHeaderCellViewInfo::TvxTreeListBandHeaderCellViewInfo(TvxCustomTreeList* ATreeList,
                                                                     const TRect& AVisibleRect, const TRect& ABounds,
                                                                     TvxTreeListBand* ABand)
    : TvxTreeListHeaderCellViewInfo(ATreeList, AVisibleRect, ABounds), FBand(ABand) {
  Caption = ABand->Caption();
}

void TvxTreeListBandHeaderCellViewInfo::CalculateViewParams() {
  ItemViewParams = FTreeList->Styles()->GetBandHeaderParams(FBand);
}

void TvxTreeListBandHeaderCellViewInfo::SetHitTestCodes(TvxTreeListHitTest* AHitTest) {
  AHitTest->DragItem = this;
  AHitTest->HitBand = FBand;
  AHitTest->SetHitAt(tlhcBandHeader, true);
}

void TvxTreeListIndentCellViewInfo::CalculateViewParams() {
  ItemViewParams = FTreeList->Styles()->GetIndentParams(Node, 0);
}

void TvxTreeListIndentCellViewInfo::CalculateVisibleInfo() {
  TvxTreeListCustomCellViewInfo::CalculateVisibleInfo();
  SetImages(Images);
  // The glyph stands in the middle of the cell.
  GlyphRect = TRect{};
  TSize size{0, 0};
  if (Images && (Kind == nikImage || Kind == nikState)) {
    size = TSize{Images->Width(), Images->Height()};
  } else if (Kind == nikCheck && Node) {
    TvxCustomLookAndFeelPainterClass p = FTreeList->LookAndFeelPainter();
    size = IsRadio() ? p->RadioButtonSize() : p->CheckButtonSize();
  }
  if (size.cx > 0 && size.cy > 0) {
    const Integer x = (DisplayRect.left + DisplayRect.right - size.cx) / 2;
    const Integer y = (DisplayRect.top + DisplayRect.bottom - size.cy) / 2;
    GlyphRect = TRect{x, y, x + size.cx, y + size.cy};
  }
}

void TvxTreeListIndentCellViewInfo::SetImages(TCustomImageList* AImages) {
  Images = AImages;
  ImageIndex = OverlayIndex = -1;
  if (!Images || !Node) return;
  if (Kind == nikImage) {
    ImageIndex = FTreeList->DoGetNodeImageIndex(Node, Node->Selected() ? tlitSelectedIndex : tlitImageIndex);
    if (ImageIndex != -1) OverlayIndex = FTreeList->DoGetNodeImageIndex(Node, tlitOverlayIndex);
  } else if (Kind == nikState) {
    ImageIndex = FTreeList->DoGetNodeImageIndex(Node, tlitStateIndex);
    if (ImageIndex != -1) OverlayIndex = FTreeList->DoGetNodeImageIndex(Node, tlitOverlayStateIndex);
  }
}

void TvxTreeListIndentCellViewInfo::InitLines(TvxTreeListNode* ANode, Integer AIndex) {
  Index = AIndex;
  LineUp = LineDown = LineHorz = false;
  if (FTreeList->OptionsView()->TreeLineStyle() == tllsNone) return;
  Integer level = ANode->Level();
  TvxTreeListNode* levelNode = ANode;
  while (levelNode && levelNode->Level() > AIndex) levelNode = levelNode->Parent();
  if (!levelNode) return;
  LineDown = levelNode->GetNextSiblingVisible() != nullptr;
  if (AIndex == level) {
    LineHorz = true;
    LineUp = ANode->VisibleIndex() != 0;
  } else {
    LineUp = LineDown;
  }
}

void TvxTreeListIndentCellViewInfo::InitGlyphLines(TvxTreeListNode* ANode) {
  Index = ANode->Level();
  LineUp = LineHorz = false;
  LineDown = FTreeList->OptionsView()->TreeLineStyle() != tllsNone && ANode->Expanded() && ANode->HasVisibleChildren();
}

void TvxTreeListIndentCellViewInfo::InitFooterLines(TvxTreeListNode* ANode, Integer AIndex) {
  Index = AIndex;
  LineUp = LineDown = LineHorz = false;
  if (FTreeList->OptionsView()->TreeLineStyle() == tllsNone) return;
  TvxTreeListNode* levelNode = ANode;
  while (levelNode && levelNode->Level() > AIndex) levelNode = levelNode->Parent();
  LineUp = LineDown = levelNode && levelNode->GetNextSiblingVisible() != nullptr;
}

TPoint TvxTreeListIndentCellViewInfo::LineCentre() const {
  const TRect& r = IsRectEmpty(&ButtonRect) ? DisplayRect : ButtonRect;
  TPoint c{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  if (Kind == nikCheck || Kind == nikState || (Kind == nikImage && FTreeList->OptionsView()->DynamicIndent())) {
    const TvxTreeListLevelInfo* next = FTreeList->LevelInfo(Index + 1);
    const Integer step = next ? next->Size.cx : FTreeList->DefaultIndentSize().cx;
    c.x = DisplayRect.left + step / 2;
  }
  return c;
}

TRect TvxTreeListIndentCellViewInfo::HorzTreeLine() const {
  const TPoint c = LineCentre();
  return TRect{c.x, c.y - 1, DisplayRect.right, c.y};
}

TRect TvxTreeListIndentCellViewInfo::VertTreeLine() const {
  const TPoint c = LineCentre();
  Integer top = LineUp ? DisplayRect.top : c.y - 1;
  // The line down to the children starts below the node's image or check box.
  if (Kind != nikLevel && !IsRectEmpty(&GlyphRect)) top = std::max<Integer>(top, GlyphRect.bottom);
  return TRect{c.x, top, c.x + 1, LineDown ? DisplayRect.bottom : c.y - 1};
}

void TvxTreeListIndentCellViewInfo::DrawImages(TvxCanvas* ACanvas) {
  // The overlay is a second image drawn over the first at the same place.
  for (Integer index : {ImageIndex, OverlayIndex})
    if (index >= 0 && index < Images->Count())
      Images->Draw(ACanvas->Canvas(), GlyphRect.left, GlyphRect.top, index, dsTransparent, Images->ImageType(), true);
}

namespace {

// The check box face drawn like the check box editor's for the tree list's look.
TvxEditBorderStyle CheckBorderStyleOf(TvxLookAndFeelKind AKind) {
  switch (AKind) {
    case lfFlat: return ebsFlat;
    case lfUltraFlat: return ebsUltraFlat;
    case lfOffice11: return ebsOffice11;
    default: return ebs3D;
  }
}

}  // namespace

void TvxTreeListIndentCellViewInfo::UpdateHotTrackState(const TPoint& P) {
  const bool hot = PtInRect(&DisplayRect, P);
  if (hot == HotTrack) return;
  HotTrack = hot;
  if (Kind == nikCheck) Invalidate();
}

void TvxTreeListIndentCellViewInfo::DrawCheck(TvxCanvas* ACanvas) {
  if (IsRectEmpty(&GlyphRect)) return;
  const bool enabled = Node->Enabled();
  if (IsRadio()) {
    FTreeList->LookAndFeelPainter()->DrawRadioButton(ACanvas, GlyphRect.left, GlyphRect.top,
                                                     !enabled ? vxbsDisabled : HotTrack ? vxbsHot : vxbsNormal,
                                                     CheckState() == cbsChecked, false, ItemViewParams.Color);
    return;
  }
  // The check box editor's face: the glyph is the face, its rectangle lies around it.
  TvxLookAndFeel* lf = FTreeList->LookAndFeel();
  const TvxEditBorderStyle border = CheckBorderStyleOf(lf->Kind());
  TRect r = GlyphRect;
  const Integer offset = CalcCheckBorderOffset(border, lf->NativeStyle(), false, nullptr);
  InflateRect(&r, offset, offset);
  const TvxEditCheckState state = !enabled ? ecsDisabled : HotTrack ? ecsHot : ecsNormal;
  PaintEditCheckBox(ACanvas, r, CheckState(), state, nullptr, 0, border, lf->NativeStyle(), clWindowText,
                    ItemViewParams.Color, false, false, false, true, nullptr, nssGrayedChecked);
}

void TvxTreeListIndentCellViewInfo::DoDraw(TvxCanvas* ACanvas) {
  TvxTreeListCustomCellViewInfo::DoDraw(ACanvas);
  if (Kind == nikCheck) DrawCheck(ACanvas);
  else if (Images && (Kind == nikImage || Kind == nikState)) DrawImages(ACanvas);
  TvxTreeListViewInfo* vi = ViewInfo();
  TColor lineColor = vi ? vi->TreeLineColor : clBtnShadow;
  auto drawLine = [&](const TRect& R) {
    if (IsRectEmpty(&R)) return;
    if (FTreeList->OptionsView()->TreeLineStyle() == tllsSolid) ACanvas->FillRect(R, lineColor);
    else vxFillHalftone(ACanvas->Canvas(), R, ItemViewParams.Color, lineColor);
  };
  if (LineUp || LineDown) drawLine(VertTreeLine());
  if (LineHorz) drawLine(HorzTreeLine());
  if (IsRectEmpty(&ButtonRect)) return;
  FTreeList->LookAndFeelPainter()->DrawSmallExpandButton(ACanvas, ButtonRect, Node->Expanded(), lineColor,
                                                         ItemViewParams.Color);
}

bool TvxTreeListIndentCellViewInfo::GetHitTest(TObject* AHitTest) {
  if (!TvxTreeListCustomCellViewInfo::GetHitTest(AHitTest)) return false;
  auto* h = static_cast<TvxTreeListHitTest*>(AHitTest);
  h->HitNode = Node;
  h->SetHitAt(tlhcNode, true);
  h->SetHitAt(tlhcIndent, true);
  if (Images && (Kind == nikImage || Kind == nikState)) {
    h->SetHitAt(Kind == nikState ? tlhcStateImage : tlhcImage, true);
    return true;
  }
  if (Kind == nikCheck) h->SetHitAt(tlhcCheckButton, true);
  TRect button = ButtonRect;
  InflateRect(&button, 2, 2);
  if (!IsRectEmpty(&ButtonRect) && PtInRect(&button, h->HitPoint())) h->SetHitAt(tlhcButton, true);
  return true;
}

TvxTreeListIndicatorCellViewInfo::TvxTreeListIndicatorCellViewInfo(TvxCustomTreeList* ATreeList,
                                                                   const TRect& AVisibleRect, const TRect& ABounds,
                                                                   TvxTreeListNode* ANode,
                                                                   TvxTreeListIndicatorPosition APosition)
    : TvxTreeListCustomCellViewInfo(ATreeList, AVisibleRect, ABounds), Position(APosition) {
  Node = ANode;
  AttachNode = ANode;
}

TvxTreeListIndicatorCellViewInfo::~TvxTreeListIndicatorCellViewInfo() {
  if (TvxTreeListController* c = FTreeList->TreeListController()) c->IndicatorCellRemoved(this);
}

void TvxTreeListIndicatorCellViewInfo::CalculateViewParams() {
  TvxTreeListStyles* s = FTreeList->Styles();
  switch (Position) {
    case tlipBands: ItemViewParams = s->GetBandHeaderParams(nullptr); break;
    case tlipColumns: ItemViewParams = s->GetColumnHeaderParams(nullptr); break;
    default: ItemViewParams = s->GetIndicatorParams(); break;
  }
}

TvxIndicatorKind TvxTreeListIndicatorCellViewInfo::Kind() const {
  if (!Node) return ikNone;
  if (Node != FTreeList->FocusedNode()) return FTreeList->IsSelected(Node) ? ikMultiDot : ikNone;
  if (Node->State.Contains(nsEditing) && FTreeList->Controller() && FTreeList->Controller()->IsEditing()) return ikEdit;
  if (Node->State.Contains(nsInserting)) return ikInsert;
  if (FTreeList->IsSelected(Node) && FTreeList->SelectionCount() > 1) return ikMultiArrow;
  return ikArrow;
}

void TvxTreeListIndicatorCellViewInfo::DoDraw(TvxCanvas* ACanvas) {
  if (!Visible()) return;
  TvxCustomLookAndFeelPainterClass p = FTreeList->LookAndFeelPainter();
  if (Position == tlipContent) {
    if (FTreeList->OptionsView()->ExtPaintStyle()) p->DrawIndicatorItemEx(ACanvas, DisplayRect, Kind(), ItemViewParams.Color);
    else p->DrawIndicatorItem(ACanvas, DisplayRect, Kind(), ItemViewParams.Color);
    return;
  }
  if (Position == tlipFooter) {
    p->DrawFooterPanel(ACanvas, DisplayRect, ItemViewParams, Borders);
    return;
  }
  p->DrawHeader(ACanvas, DisplayRect, DisplayRect, TvxNeighbors(), vxBordersAll, vxbsNormal, taLeftJustify, vaTop,
                false, false, String(), ItemViewParams.Font, ItemViewParams.TextColor, ItemViewParams.Color);
}

void TvxTreeListIndicatorCellViewInfo::SetHitTestCodes(TvxTreeListHitTest* AHitTest) {
  AHitTest->SetHitAt(tlhcIndicator, true);
  if (Position == tlipFooter) AHitTest->SetHitAt(tlhcFooter, true);
  // The header and band rows open the quick customization drop-downs.
  TvxTreeListOptionsCustomizing* o = FTreeList->OptionsCustomizing();
  using O = TvxTreeListOptionsCustomizing;
  if (Position == tlipColumns && o->Get(O::ColumnsQuickCustomization) && o->Get(O::ColumnCustomizing))
    AHitTest->SetHitAt(tlhcColumnCustomizing, true);
  if (Position == tlipBands && o->Get(O::BandsQuickCustomization) && o->Get(O::BandCustomizing))
    AHitTest->SetHitAt(tlhcBandCustomizing, true);
}

TvxTreeListEditCellViewInfo::TvxTreeListEditCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect,
                                                         const TRect& ABounds, TvxTreeListNode* ANode,
                                                         TvxTreeListColumn* AColumn)
    : TvxTreeListCustomCellViewInfo(ATreeList, AVisibleRect, ABounds), FColumn(AColumn) {
  Node = ANode;
  AttachNode = ANode;
}

void TvxTreeListEditCellViewInfo::CalculateViewParams() {
  Variant v = FColumn->GetDisplayValue(Node, true);
  FText = VarIsNull(v) || VarIsEmpty(v) ? String() : VarToStr(v);
  TvxCustomTreeList* tl = FTreeList;
  bool focusedCell = Node == tl->FocusedNode() && (!tl->OptionsSelection()->CellSelect || FColumn == tl->FocusedColumn());
  if (Selected && (!focusedCell || !tl->OptionsSelection()->CellSelect || tl->OptionsSelection()->InvertSelect)) {
    if (tl->Focused()) tl->Styles()->GetViewParams(tlsSelection, nullptr, nullptr, ItemViewParams);
    else if (tl->OptionsSelection()->HideSelection) ItemViewParams = tl->Styles()->GetContentParams(Node, FColumn->ItemIndex());
    else tl->Styles()->GetViewParams(tlsInactive, nullptr, nullptr, ItemViewParams);
    if (!ItemViewParams.Font) ItemViewParams.Font = tl->Font();
  } else {
    ItemViewParams = tl->Styles()->GetContentParams(Node, FColumn->ItemIndex());
  }
}

void TvxTreeListEditCellViewInfo::DoDraw(TvxCanvas* ACanvas) {
  TvxTreeListCustomCellViewInfo::DoDraw(ACanvas);
  TRect r = DisplayRect;
  if (Borders.Contains(bLeft)) ++r.left;
  if (Borders.Contains(bRight)) --r.right;
  if (Borders.Contains(bTop)) ++r.top;
  if (Borders.Contains(bBottom)) --r.bottom;
  InflateRect(&r, -2, -1);
  ACanvas->SetFont(ItemViewParams.Font);
  ACanvas->Font()->SetColor(ItemViewParams.TextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  // With CellAutoHeight the row is as high as the wrapped text: it starts at the top.
  const bool wrap = FTreeList->OptionsView()->CellAutoHeight();
  ACanvas->DrawTexT(FText, r, taLeftJustify, wrap ? vaTop : vaCenter, wrap, FTreeList->OptionsView()->CellEndEllipsis());
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TvxTreeListEditCellViewInfo::SetHitTestCodes(TvxTreeListHitTest* AHitTest) {
  AHitTest->HitColumn = FColumn;
  AHitTest->HitBand = FColumn->Position()->Band();
  AHitTest->SetHitAt(tlhcColumn, true);
}

// --- Preview and footer cells ------------------------------------------------------------------

TRect TvxTreeListPreviewCellViewInfo::TextRect() const {
  TRect r = DisplayRect;
  vxTreeListInsetBorders(r, Borders);
  TvxTreeListPreview* p = FTreeList->Preview();
  r.left += p->LeftIndent();
  r.right -= p->RightIndent();
  InflateRect(&r, 0, -1);
  return r;
}

void TvxTreeListPreviewCellViewInfo::DoDraw(TvxCanvas* ACanvas) {
  TvxTreeListCustomCellViewInfo::DoDraw(ACanvas);
  if (!Visible() || Text().empty()) return;
  ACanvas->SetFont(ItemViewParams.Font);
  ACanvas->Font()->SetColor(ItemViewParams.TextColor);
  TClearBrushScope brush(ACanvas);
  ACanvas->DrawTexT(Text(), TextRect(), taLeftJustify, vaTop, true, true);
}

void TvxTreeListPreviewCellViewInfo::SetHitTestCodes(TvxTreeListHitTest* AHitTest) {
  AHitTest->HitColumn = Column();
  AHitTest->SetHitAt(tlhcNodePreview, true);
}

TvxTreeListFooterCellViewInfo::TvxTreeListFooterCellViewInfo(TvxCustomTreeList* ATreeList, const TRect& AVisibleRect,
                                                             const TRect& ABounds)
    : TvxTreeListCustomCellViewInfo(ATreeList, AVisibleRect, ABounds) {
  Borders = vxBordersAll;
}

void TvxTreeListFooterCellViewInfo::Init(TvxTreeListNode* ANode, TvxTreeListNode* AAttachNode,
                                         TvxTreeListColumn* AColumn) {
  Node = ANode;
  AttachNode = AAttachNode;
  FColumn = AColumn;
  FText.clear();
}

void TvxTreeListFooterCellViewInfo::CalculateViewParams() {
  TvxTreeListSummaryItem* item = GetSummaryItem();
  // Once hidden, a cell stays hidden until the next layout makes it again.
  if (!item || !item->Visible()) FHidden = true;
  ItemViewParams = FTreeList->Styles()->GetColumnFooterParams(FColumn->ItemIndex(), Node, item);
  if (!ItemViewParams.Font) ItemViewParams.Font = FTreeList->Font();
}

TAlignment TvxTreeListFooterCellViewInfo::AlignHorz() {
  TvxTreeListSummaryItem* item = GetSummaryItem();
  return item ? item->AlignHorz() : taLeftJustify;
}

TvxAlignmentVert TvxTreeListFooterCellViewInfo::AlignVert() {
  TvxTreeListSummaryItem* item = GetSummaryItem();
  return item ? item->AlignVert() : vaCenter;
}

bool TvxTreeListFooterCellViewInfo::MultiLine() {
  TvxTreeListSummaryItem* item = GetSummaryItem();
  return FColumn->Position()->LineCount() > 1 && item && item->MultiLine();
}

bool TvxTreeListFooterCellViewInfo::ShowEndEllipsis() const {
  return FColumn->Options()->Get(TvxTreeListColumnOptions::CellEndEllipsis);
}

void TvxTreeListFooterCellViewInfo::DoDraw(TvxCanvas* ACanvas) {
  if (!Visible() || FHidden) return;
  TvxCustomLookAndFeelPainterClass p = FTreeList->LookAndFeelPainter();
  if (!Transparent)
    p->DrawFooterCellContent(ACanvas, DisplayRect, AlignHorz(), AlignVert(), MultiLine(), String(),
                             ItemViewParams.Font, ItemViewParams.TextColor, ItemViewParams.Color);
  DrawText(ACanvas);
  p->DrawFooterCellBorder(ACanvas, DisplayRect);
}

void TvxTreeListFooterCellViewInfo::DrawText(TvxCanvas* ACanvas) {
  if (FText.empty()) return;
  ACanvas->SetFont(ItemViewParams.Font);
  ACanvas->Font()->SetColor(ItemViewParams.TextColor);
  TClearBrushScope brush(ACanvas);
  ACanvas->DrawTexT(FText, FooterTextArea(FTreeList, DisplayRect), AlignHorz(),
                    AlignVert(), MultiLine(), ShowEndEllipsis());
}

bool TvxTreeListFooterCellViewInfo::GetHitTest(TObject* AHitTest) {
  auto* h = dynamic_cast<TvxTreeListHitTest*>(AHitTest);
  const TRect area = vxRectExpand(ClipRect, 2, 2, 2, 2);
  if (!h || !Visible() || !PtInRect(&area, h->HitPoint())) return false;
  CheckVisibleInfo();
  h->HitNode = AttachNode;
  if (AttachNode) h->SetHitAt(tlhcNode, true);
  h->SetHitItem(this);
  h->HitColumn = FColumn;
  h->SetHitAt(tlhcColumn, true);
  h->SetHitAt(Node && Node->Parent() ? tlhcGroupFooterItem : tlhcFooterItem, true);
  return true;
}

bool TvxTreeListFooterCellViewInfo::CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor,
                                                  TRect& AHintRect, bool, String& AText) {
  AShowBelowCursor = false;
  // The text's width against the text area; its height against the cell, since a line's
  // descent may reach into the cell's margin.
  TRect area = FooterTextArea(FTreeList, DisplayRect);
  area.top = DisplayRect.top;
  area.bottom = DisplayRect.bottom;
  if (FHidden || FText.empty() || !PtInRect(&DisplayRect, P)) return false;
  ACanvas->SetFont(ItemViewParams.Font);
  TRect measured = area;
  ACanvas->TextExtent(FText, measured, MultiLine() ? vxtfWordBreak : vxtfSingleLine);
  if (measured.right - measured.left <= area.right - area.left && measured.bottom - measured.top <= area.bottom - area.top)
    return false;
  AText = FText;
  AHintRect = measured;
  return true;
}

void TvxTreeListFooterSingleCellViewInfo::SetSummaryItem(TvxTreeListSummaryItem* AItem) {
  FSummaryItem = AItem;
  FText = AItem ? AItem->NodeText(Node) : String();
}

void TvxTreeListFooterMultiItemsCellViewInfo::SetSummaryItems(TvxTreeListSummaryItems* AItems) {
  FSummaryItems = AItems;
  FVisibleCount = 0;
  FText.clear();
  if (!AItems) return;
  const String separator = Separator();
  for (Integer i = 0; i < AItems->Count(); ++i) {
    TvxTreeListSummaryItem* item = AItems->Items(i);
    if (!item->Visible()) continue;
    if (FVisibleCount++ > 0) FText += separator;
    FText += item->NodeText(Node);
  }
}

TvxTreeListSummaryItem* TvxTreeListFooterMultiItemsCellViewInfo::GetSummaryItem() {
  if (!FSummaryItems || FSummaryItems->Count() == 0) return nullptr;
  for (Integer i = 0; i < FSummaryItems->Count(); ++i)
    if (FSummaryItems->Items(i)->Visible()) return FSummaryItems->Items(i);
  return FSummaryItems->Items(FSummaryItems->Count() - 1);
}

TAlignment TvxTreeListFooterMultiItemsCellViewInfo::AlignHorz() {
  if (FVisibleCount > 1 && !MultiLine()) return taLeftJustify;
  return TvxTreeListFooterCellViewInfo::AlignHorz();
}

TvxAlignmentVert TvxTreeListFooterMultiItemsCellViewInfo::AlignVert() {
  return FVisibleCount > 1 ? vaTop : TvxTreeListFooterCellViewInfo::AlignVert();
}

String TvxTreeListFooterMultiItemsCellViewInfo::Separator() {
  return MultiLine() ? String(L"\r\n") : String(1, FormatSettings.ListSeparator);
}

void TvxTreeListFooterMultiItemsCellViewInfo::DrawText(TvxCanvas* ACanvas) {
  if (FVisibleCount <= 1) return TvxTreeListFooterCellViewInfo::DrawText(ACanvas);
  // The items one after the other, each in its own footer colour; a multi-line cell
  // starts a new line for an item that does not fit the rest of the current one.
  const TRect area = FooterTextArea(FTreeList, DisplayRect);
  TvxClipRegionScope clip(ACanvas);
  ACanvas->IntersectClipRect(DisplayRect);
  TClearBrushScope brush(ACanvas);
  ACanvas->SetFont(ItemViewParams.Font);
  const Integer lineHeight = ACanvas->FontHeight(ItemViewParams.Font) + 4;
  const bool multiLine = MultiLine();
  const String separator(1, FormatSettings.ListSeparator);
  TRect line{area.left, area.top, area.right, area.top + lineHeight};
  Integer x = area.left, shown = 0;
  FNeedShowHint = false;
  for (Integer i = 0; i < FSummaryItems->Count(); ++i) {
    TvxTreeListSummaryItem* item = FSummaryItems->Items(i);
    if (!item->Visible()) continue;
    ++shown;
    String text = item->NodeText(Node);
    if (shown < FVisibleCount) text += separator;
    const Integer width = ACanvas->TextWidth(text);
    if (x > line.left && x + width > line.right) {
      const bool below = line.bottom + lineHeight <= area.bottom;
      if (multiLine && below && !FNeedShowHint) {
        OffsetRect(&line, 0, lineHeight);
        x = line.left;
      } else {
        FNeedShowHint = true;
      }
    }
    if (x + width > area.right) FNeedShowHint = true;
    TvxViewParams vp = FTreeList->Styles()->GetColumnFooterParams(FColumn->ItemIndex(), Node, item);
    ACanvas->Font()->SetColor(vp.TextColor);
    ACanvas->DrawTexT(text, TRect{x, line.top, line.right, line.bottom}, AlignHorz(), AlignVert(), false,
                      ShowEndEllipsis());
    x += width;
  }
}

bool TvxTreeListFooterMultiItemsCellViewInfo::CalculateHint(TvxCanvas* ACanvas, const TPoint& P,
                                                            bool& AShowBelowCursor, TRect& AHintRect,
                                                            bool AIsMultiLine, String& AText) {
  if (FVisibleCount <= 1)
    return TvxTreeListFooterCellViewInfo::CalculateHint(ACanvas, P, AShowBelowCursor, AHintRect, AIsMultiLine, AText);
  AShowBelowCursor = false;
  if (FHidden || !FNeedShowHint || !PtInRect(&DisplayRect, P)) return false;
  AText = FText;
  AHintRect = DisplayRect;
  return true;
}

// --- Node rows ------------------------------------------------------------------------------

TvxTreeListNodeViewData::TvxTreeListNodeViewData(TvxTreeListViewInfo* AViewInfo, TvxTreeListNode* ANode,
                                                 const TRect& ABounds)
    : FocusRectBounds(ABounds), FViewInfo(AViewInfo), FNode(ANode), FBounds(ABounds) {}

TvxTreeListEditCellViewInfo* TvxTreeListNodeViewData::EditCell(TvxTreeListColumn* AColumn) {
  for (Integer i = 0; i < FCells.Count(); ++i)
    if (auto* c = dynamic_cast<TvxTreeListEditCellViewInfo*>(FCells.Items(i)); c && c->Column() == AColumn) return c;
  return nullptr;
}

bool TvxTreeListNodeViewData::UpdateSelection() {
  TvxCustomTreeList* tl = FViewInfo->TreeList();
  bool focused = tl->FocusedNode() == FNode;
  bool selected = FNode->Selected() || focused;
  if (selected == Selected && focused == Focused) return false;
  Selected = selected;
  Focused = focused;
  for (Integer i = 0; i < FCells.Count(); ++i) {
    if (auto* c = dynamic_cast<TvxTreeListEditCellViewInfo*>(FCells.Items(i))) c->Selected = selected;
    if (auto* c = dynamic_cast<TvxTreeListCustomCellViewInfo*>(FCells.Items(i))) c->CalculateVisibleInfo();
  }
  tl->InvalidateArea(FBounds, false);
  return true;
}

bool TvxTreeListNodeViewData::GetHitTest(TObject* AHitTest) {
  auto* h = static_cast<TvxTreeListHitTest*>(AHitTest);
  if (!PtInRect(&FBounds, h->HitPoint())) return false;
  for (Integer i = FCells.Count() - 1; i >= 0; --i)
    if (FCells.Items(i)->GetHitTest(AHitTest)) return true;
  // Between the cells (grid lines, the band's content): the node all the same.
  h->HitNode = FNode;
  h->SetHitAt(tlhcNode, true);
  return true;
}

void TvxTreeListNodeViewData::Paint(TvxCanvas* ACanvas, const TvxCellsPaintHandler& AHandler) {
  FCells.Paint(ACanvas, AHandler);
  TvxCustomTreeList* tl = FViewInfo->TreeList();
  if (Focused && tl->Focused() && tl->OptionsView()->FocusRect() && !tl->OptionsSelection()->CellSelect) {
    TRect r = FocusRectBounds;
    r.left = FViewInfo->IndentWidth + FViewInfo->ContentBounds().left - FViewInfo->HScrollPos;
    r.right = std::min(r.right, FViewInfo->ContentBounds().right - FViewInfo->HScrollPos);
    if (FViewInfo->GridLines.Contains(bBottom)) --r.bottom;
    ACanvas->SetFont(tl->Font());
    ACanvas->DrawFocusRect(r);
  }
}
