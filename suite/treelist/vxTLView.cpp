#include "vxTLView.h"

#include <algorithm>
#include <cmath>

#include "vxCheckBox.h"
#include "vxTLStrs.h"

namespace {

TRect Inflated(TRect R, Integer D) {
  InflateRect(&R, D, D);
  return R;
}

bool Contains(const TRect& R, const TPoint& P) { return P.x >= R.left && P.x < R.right && P.y >= R.top && P.y < R.bottom; }

// Where a footer cell's text goes: inside the cell's border, two pixels in.
TRect FooterTextArea(TvxCustomTreeList* ATreeList, const TRect& R) {
  return Inflated(R, -(ATreeList->LookAndFeelPainter()->FooterCellBorderSize() + 2));
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

// --- The control's view side ----------------------------------------------------------------

TvxTreeListController* TvxCustomTreeList::TreeListController() const {
  return dynamic_cast<TvxTreeListController*>(Controller());
}

TvxTreeListViewInfo* TvxCustomTreeList::TreeListViewInfo() const { return dynamic_cast<TvxTreeListViewInfo*>(ViewInfo()); }

TvxTreeListHitTest* TvxCustomTreeList::HitTest() const {
  return Controller() ? dynamic_cast<TvxTreeListHitTest*>(Controller()->HitTestController()) : nullptr;
}

TClass TvxCustomTreeList::GetControllerClass() { return TvxTreeListController::StaticClass(); }
TClass TvxCustomTreeList::GetHitTestControllerClass() { return TvxTreeListHitTest::StaticClass(); }
TClass TvxCustomTreeList::GetEditingControllerClass() { return TvxTreeListEditingController::StaticClass(); }

void TvxCustomTreeList::SetFocusedColumn(TvxTreeListColumn* Value) {
  if (Value && !Value->ActuallyVisible()) return;
  if (FFocusedColumn == Value) return;
  FFocusedColumn = Value;
  if (TvxTreeListController* c = TreeListController()) c->FocusedColumnChanged();
}
TClass TvxCustomTreeList::GetViewInfoClass() { return TvxTreeListViewInfo::StaticClass(); }
TClass TvxCustomTreeList::GetPainterClass() { return TvxTreeListPainter::StaticClass(); }

bool TvxCustomTreeList::IsLocked() {
  return IsUpdating() || (FCollaboratorsCreated && TvxExtEditingControl::IsLocked());
}

bool TvxCustomTreeList::IsViewCalculating() const {
  TvxTreeListViewInfo* vi = TreeListViewInfo();
  return vi && vi->IsCalculating();
}

void TvxCustomTreeList::CheckPainterSize() {
  if (!FCollaboratorsCreated || !ViewInfo()) return;
  if (auto* p = dynamic_cast<TvxTreeListPainter*>(ViewInfo()->Painter())) p->CheckSize(Width(), Height());
}

void TvxCustomTreeList::ViewLayoutStarting() {
  TvxTreeListViewInfo* vi = TreeListViewInfo();
  if (!vi) return;
  if (auto* p = dynamic_cast<TvxTreeListPainter*>(vi->Painter())) p->Changed = true;
  vi->HeightsDirty = true;
  TRect r = ClientBounds();
  Integer indicator = FOptionsView->IsIndicatorVisible() ? FOptionsView->IndicatorWidth() : 0;
  // The fixed separators take their stripes from the width the bands share.
  Integer separators = FOptionsView->FixedSeparatorWidth() * ((FBands->VisibleRootLeftFixedCount() > 0 ? 1 : 0) +
                                                              (FBands->VisibleRootRightFixedCount() > 0 ? 1 : 0));
  FBandAreaWidth = std::max<Integer>(r.right - r.left - indicator - separators, 0);
}

void TvxCustomTreeList::ViewNodeRemoved(TvxTreeListNode* ANode) {
  if (FTopVisibleNode == ANode) {
    // Read from the links alone: reading the node lists would process the batch while the
    // node is still linked.
    TvxTreeListNode* next = ANode->getNextSibling();
    while (next && next->IsHidden()) next = next->getNextSibling();
    TvxTreeListNode* prev = ANode->getPrevSibling();
    if (!prev && ANode->Parent() && !ANode->Parent()->IsRoot()) prev = ANode->Parent();
    FTopVisibleNode = next ? next : prev;
    if (OnTopRecordIndexChanged) OnTopRecordIndexChanged(this);
  }
  if (!FCollaboratorsCreated) return;
  if (TvxTreeListController* c = TreeListController()) {
    if (c->SelectionAnchor == ANode) c->SelectionAnchor = nullptr;
    if (c->IncSearchNode == ANode) c->IncSearchNode = nullptr;
  }
  if (TvxTreeListHitTest* h = HitTest()) h->NodeRemoved(ANode);
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) vi->SetDirty();
}

void TvxCustomTreeList::SetTopVisibleNode(TvxTreeListNode* ANode) {
  if (ANode == FTopVisibleNode) return;
  FTopVisibleNode = ANode;
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) vi->SetDirty();
  if (OnTopRecordIndexChanged) OnTopRecordIndexChanged(this);
  LayoutChanged();
}

void TvxCustomTreeList::MakeNodeVisible(TvxTreeListNode* ANode) {
  if (!ANode || !ANode->IsVisible()) return;
  if (!FTopVisibleNode) FTopVisibleNode = ANode;
  ProcessChanges();
  TvxTreeListViewInfo* vi = TreeListViewInfo();
  if (!vi || !FCollaboratorsCreated || IsLocked()) return;
  vi->Validate();
  vi->MakeNodeVisible(ANode);
}

void TvxCustomTreeList::DeleteSelection() {
  if (!FFocusedNode) return;
  std::vector<TvxTreeListNode*> nodes = FSelection;
  if (std::find(nodes.begin(), nodes.end(), FFocusedNode) == nodes.end()) nodes.push_back(FFocusedNode);
  std::stable_sort(nodes.begin(), nodes.end(),
                   [](TvxTreeListNode* a, TvxTreeListNode* b) { return a->Level() > b->Level(); });
  TvxTreeListUpdateScope lock(this);
  for (TvxTreeListNode* n : nodes) n->Delete();
}

void TvxCustomTreeList::Paint() {
  if (!FCollaboratorsCreated) return;
  Controller()->BeforePaint();
  struct TAfter {
    TvxCustomControlController* C;
    ~TAfter() { C->AfterPaint(); }
  } after{Controller()};
  // The border, and the clip narrowed to the client bounds.
  TvxControl::Paint();
  TvxTreeListViewInfo* vi = TreeListViewInfo();
  vi->Validate();
  static_cast<TvxTreeListPainter*>(vi->Painter())->Paint();
}

void TvxCustomTreeList::InitScrollBarsParameters() {
  if (!FCollaboratorsCreated || IsLoading() || IsDestroying() || !FRoot) return;
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) vi->UpdateScrollBars();
}

void TvxCustomTreeList::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {
  if (IsLocked() || AScrollCode == scEndScroll) return;
  if (auto* c = TreeListController()) c->Scroll(AScrollBarKind, AScrollCode, AScrollPos);
}

void TvxCustomTreeList::InvalidateArea(const TRect& R, bool AEraseBackground) {
  if (ViewInfo())
    if (auto* p = dynamic_cast<TvxTreeListPainter*>(ViewInfo()->Painter())) p->Changed = true;
  TvxExtEditingControl::InvalidateArea(R, AEraseBackground);
}

void TvxCustomTreeList::BoundsChanged() {
  AddChanges({tcLayout});
  TvxExtEditingControl::BoundsChanged();
}

void TvxCustomTreeList::FocusChanged() {
  TvxExtEditingControl::FocusChanged();
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) {
    if (auto* p = dynamic_cast<TvxTreeListPainter*>(vi->Painter())) p->Changed = true;
    vi->UpdateSelection();
  }
}

void TvxCustomTreeList::LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  if (TvxTreeListViewInfo* vi = TreeListViewInfo()) vi->SetDirty();
  // The indent step holds the new painter's expand button.
  AddChanges({tcImages});
  TvxExtEditingControl::LookAndFeelChanged(Sender, AChangedValues);
  LayoutChanged();
}

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
  if (!h || !Visible() || !Contains(ClipRect, h->HitPoint())) return false;
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
  SetState(Contains(ClipRect, P) ? vxbsHot : vxbsNormal);
}

bool TvxTreeListCustomHeaderCellViewInfo::CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor,
                                                        TRect& AHintRect, bool, String& AText) {
  AShowBelowCursor = false;
  if (!Contains(TextBounds, P)) return false;
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
  const bool hot = Contains(DisplayRect, P);
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
  if (!IsRectEmpty(&ButtonRect) && Contains(button, h->HitPoint())) h->SetHitAt(tlhcButton, true);
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
  ACanvas->DrawTexT(FText, r, taLeftJustify, vaCenter, false, FTreeList->OptionsView()->CellEndEllipsis());
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
  if (!h || !Visible() || !Contains(Inflated(ClipRect, 2), h->HitPoint())) return false;
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
  if (FHidden || FText.empty() || !Contains(DisplayRect, P)) return false;
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
  if (FHidden || !FNeedShowHint || !Contains(DisplayRect, P)) return false;
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
  if (!Contains(FBounds, h->HitPoint())) return false;
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

// --- Hit test ---------------------------------------------------------------------------------

bool TvxTreeListHitTestArea::GetHitTest(TvxTreeListHitTest* AHitTest) {
  if (!Contains(FArea, AHitTest->HitPoint())) return false;
  ApplyHit(AHitTest);
  return true;
}

TvxTreeListHeaderSizingArea::TvxTreeListHeaderSizingArea(TvxTreeListHeaderCellViewInfo* ALink,
                                                         TvxDragSizingDirection ADirection)
    : TvxTreeListHitTestArea(ALink), FDirection(ADirection) {
  FArea = Inflated(ALink->DisplayRect, 3);
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
  struct TDone {
    TvxTreeListHitTest* H;
    TObject* Prev;
    ~TDone() {
      --H->FLockCount;
      TObject* now = H->FHitTestItem;
      H->FHitTestItem = Prev;
      H->SetHitTestItem(now);
    }
  } done{this, item};
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
  struct TDone {
    TvxTreeListViewInfo* V;
    ~TDone() {
      V->FCalculating = false;
      V->FDirty = false;
    }
  } done{this};
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
  // The data lines: one line height per column line of the bands; a column spans its band
  // row's lines from the row's line offset, as its header does.
  const Integer lineHeight = DataLineHeight(), rh = DataRowsHeight();
  const bool severalLines = rh > lineHeight;
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
    // Where a band's columns leave lines empty, its content shows behind them.
    if (severalLines) {
      auto* content = new TvxTreeListBandCellViewInfo(tl, visible, TRect{cellsLeft, ATop, span.Right, ATop + rh}, b,
                                                      tlbpContent);
      content->Node = ANode;
      content->AttachNode = ANode;
      row->Cells().Add(content);
    }
    for (Integer r = 0; r < b->BandRows()->VisibleItemCount(); ++r) {
      TvxTreeListBandRow* brow = b->BandRows()->VisibleItems(r);
      Integer x = span.Left;
      for (Integer c = 0; c < brow->VisibleItemCount(); ++c) {
        TvxTreeListColumn* col = brow->VisibleItems(c);
        const Integer right = x + col->DisplayWidth(), left = std::max(x, cellsLeft);
        const Integer top = ATop + brow->LineOffset() * lineHeight;
        const Integer bottom = top + std::max(col->Position()->LineCount(), 1) * lineHeight;
        auto* cell =
            new TvxTreeListEditCellViewInfo(tl, visible, TRect{left, top, std::max(left, right), bottom}, ANode, col);
        cell->Borders = GridLines;
        if (cell->Borders.Contains(bTop)) cell->Borders.Exclude(bTop);
        if (cell->Borders.Contains(bLeft)) cell->Borders.Exclude(bLeft);
        cell->BorderColor = GridLineColor;
        row->Cells().Add(cell);
        x = right;
      }
    }
  }
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
  return DataRowsHeight() + NodePreviewHeight(ANode) +
         static_cast<Integer>(GroupFooterNodes(ANode).size()) * GroupFooterHeight;
}

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
  if (Contains(content, AHitTest->HitPoint()))
    for (auto& row : FNodesViewData)
      if (row->GetHitTest(AHitTest)) break;
  for (auto& area : FHitTestCells)
    if (area->GetHitTest(AHitTest)) break;
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
    TvxCanvas* prev = FCanvas;
    FCanvas = FBitmapCanvas.get();
    struct TRestore {
      TvxTreeListPainter* P;
      TvxCanvas* Prev;
      ~TRestore() { P->FCanvas = Prev; }
    } restore{this, prev};
    DoPaint();
    Changed = false;
  }
  control->Draw(0, 0, FBitmap.get());
}

void TvxTreeListPainter::UpdateCustomDrawSupported() {
  CustomDrawSupported = static_cast<bool>(FControl->OnCustomDrawCell);
}

void TvxTreeListPainter::DoCustomDraw(TvxCanvas* ACanvas, TvxCustomViewInfoItem* ACell, bool& ADone) {
  ADone = false;
  if (!CustomDrawSupported || ACell->CustomDrawID() == 0) return;
  FControl->OnCustomDrawCell(FControl, ACanvas, ACell, ADone);
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
  struct TRestore {
    TvxCanvas* C;
    ~TRestore() { C->RestoreClipRegion(); }
  } restore{FCanvas};
  TRect content = vi->ContentBounds();
  content.left = vi->Bounds().left;
  content.right = vi->Bounds().right;
  FCanvas->IntersectClipRect(content);
  for (Integer i = 0; i < vi->Count(); ++i) vi->NodesViewData(i)->Paint(FCanvas, handler);
}

// --- Cell navigator ----------------------------------------------------------------------------

TvxTreeListController* TvxTreeListCellNavigator::TreeController() const {
  return static_cast<TvxTreeListController*>(FController);
}

TvxCustomTreeList* TvxTreeListCellNavigator::TreeList() const { return TreeController()->TreeList(); }

void TvxTreeListCellNavigator::Init(Integer& ARowIndex, Integer& ACellIndex, Integer& ARowCount) {
  TvxCustomTreeList* tl = TreeList();
  ARowCount = tl->AbsoluteVisibleCount();
  ARowIndex = tl->FocusedNode() ? tl->FocusedNode()->VisibleIndex() : -1;
  ACellIndex = tl->FocusedColumn() ? tl->FocusedColumn()->VisibleIndex() : -1;
  RowCount = ARowCount;
}

void TvxTreeListCellNavigator::CalcNextRow(bool AForward, Integer& ARowIndex, Integer&) {
  Integer r = ARowIndex + (AForward ? 1 : -1);
  if (r >= 0 && r < RowCount) ARowIndex = r;
}

TObject* TvxTreeListCellNavigator::GetCellContainer(Integer, Integer ACellIndex) {
  TvxCustomTreeList* tl = TreeList();
  return ACellIndex >= 0 && ACellIndex < tl->VisibleColumnCount() ? tl->VisibleColumns(ACellIndex) : nullptr;
}

Integer TvxTreeListCellNavigator::GetCount(Integer) { return TreeList()->VisibleColumnCount(); }

bool TvxTreeListCellNavigator::CanFocusItem(TObject* AItem) {
  auto* c = dynamic_cast<TvxTreeListColumn*>(AItem);
  return c && c->Options()->Get(TvxTreeListColumnOptions::Focusing);
}

bool TvxTreeListCellNavigator::HasFocusedItem() { return TreeList()->FocusedColumn() != nullptr; }

void TvxTreeListCellNavigator::SetFocusCell(Integer ARowIndex, Integer ACellIndex, TShiftState AShift) {
  TvxCustomTreeList* tl = TreeList();
  if (ACellIndex >= 0 && ACellIndex < tl->VisibleColumnCount()) tl->SetFocusedColumn(tl->VisibleColumns(ACellIndex));
  if (ARowIndex >= 0 && ARowIndex < tl->AbsoluteVisibleCount())
    TreeController()->Select(tl->AbsoluteVisibleItems(ARowIndex), AShift);
}

void TvxTreeListCellNavigator::KeyDown(Word& Key, TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  if (tl->OptionsSelection()->CellSelect) {
    TvxCustomCellNavigator::KeyDown(Key, Shift);
    return;
  }
  switch (Key) {
    case VK_UP:
    case VK_DOWN: {
      TvxTreeListNode* f = tl->FocusedNode();
      if (f) {
        tl->ProcessChanges();
        TvxTreeListNode* n = Key == VK_DOWN ? f->GetNextVisible() : f->GetPrevVisible();
        if (n) TreeController()->Select(n, Shift);
      }
      Key = 0;
      break;
    }
    case VK_LEFT:
    case VK_RIGHT:
      if (TvxTreeListViewInfo* vi = tl->TreeListViewInfo())
        vi->SetLeftPos(vi->HScrollPos + (Key == VK_RIGHT ? vi->HScrollInc : -vi->HScrollInc));
      Key = 0;
      break;
    default:
      TvxCustomCellNavigator::KeyDown(Key, Shift);
      break;
  }
}

// --- Controller --------------------------------------------------------------------------------

TvxCustomTreeList* TvxTreeListController::TreeList() const { return static_cast<TvxCustomTreeList*>(FEditingControl); }

TvxTreeListHitTest* TvxTreeListController::HitTest() const {
  return static_cast<TvxTreeListHitTest*>(FHitTestController.get());
}

TvxTreeListViewInfo* TvxTreeListController::TreeViewInfo() const { return TreeList()->TreeListViewInfo(); }

// --- Editing ----------------------------------------------------------------------------

void TvxTreeListEditingController::HideEdit(bool Accept) {
  auto* tl = dynamic_cast<TvxCustomTreeList*>(EditingControl());
  bool open = IsEditing() && !EditHiding() && tl && !tl->IsDestroying();
  // The editor's last text reaches the node before the editor goes.
  if (open && Accept) UpdateValue();
  TvxEditingController::HideEdit(Accept);
  if (!open || IsEditing()) return;
  TvxTreeListDataController* dc = tl->DataController();
  if (!dc->EditingNode()) return;
  if (Accept) dc->Post();
  else dc->Cancel();
}

TvxTreeListController::~TvxTreeListController() = default;

TvxEditCellViewInfo* TvxTreeListController::GetFocusedCellViewInfo(TvxCustomInplaceEditContainer* AItem) {
  TvxCustomTreeList* tl = TreeList();
  auto* col = dynamic_cast<TvxTreeListColumn*>(AItem);
  TvxTreeListViewInfo* vi = TreeViewInfo();
  TvxTreeListEditCellViewInfo* src =
      col && tl->FocusedNode() && vi && !vi->IsCalculating() ? vi->GetEditCell(tl->FocusedNode(), col) : nullptr;
  if (!src) {
    FEditCell.reset();
    return nullptr;
  }
  if (!FEditCell || FEditCell->EditContainer() != col) FEditCell = std::make_unique<TvxEditCellViewInfo>(col);
  FEditCell->CalculateBounds(src->BoundsRect(), src->VisibleBounds);
  FEditCell->CellContentRect = src->BoundsRect();
  FEditCell->CellEditRect = src->BoundsRect();
  FEditCell->ItemViewParams = src->ItemViewParams;
  return FEditCell.get();
}

void TvxTreeListController::SetFocusedItem(TvxCustomInplaceEditContainer* Value) {
  auto* col = dynamic_cast<TvxTreeListColumn*>(Value);
  if (Value && (!col || !col->CanFocus())) return;
  TreeList()->SetFocusedColumn(col);
  if (Value) RequestEditorCheck();
}

void TvxTreeListController::FocusedColumnChanged() {
  TvxTreeListColumn* col = TreeList()->FocusedColumn();
  if (FFocusedItem == col) return;
  if (!FEditingController->EditingItemSetting()) FEditingController->HideEdit(true);
  FFocusedItem = col;
  TreeList()->Invalidate();
}

void TvxTreeListController::MakeFocusedItemVisible() {
  TvxCustomTreeList* tl = TreeList();
  if (tl->FocusedNode()) tl->MakeNodeVisible(tl->FocusedNode());
}

void TvxTreeListController::MakeFocusedRecordVisible() {
  TvxCustomTreeList* tl = TreeList();
  if (tl->FocusedNode()) tl->MakeNodeVisible(tl->FocusedNode());
}

bool TvxTreeListController::CanSelectNode(TvxTreeListNode* ANode) {
  TvxCustomTreeList* tl = TreeList();
  bool allow = true;
  if (tl->OnCanFocusNode) tl->OnCanFocusNode(tl, ANode, allow);
  return allow;
}

bool TvxTreeListController::DoSetFocusedNode(TvxTreeListNode* ANode) {
  TvxCustomTreeList* tl = TreeList();
  if (ANode && ANode->IsHidden()) return false;
  bool changing = ANode != tl->FocusedNode();
  // An editor open on the focused node is posted before the focus leaves it.
  if (changing) FEditingController->HideEdit(true);
  // The tree list's setter asks OnCanFocusNode, remembers the previous node only on a
  // real change and puts the focus change into the batch.
  tl->SetFocusedNode(ANode);
  if (tl->FocusedNode() != ANode) return false;
  if (changing) {
    if (!tl->OptionsSelection()->MultiSelect) tl->AddChanges({tcSelection});
    if (!tl->FocusedColumn()) tl->SetFocusedColumn(FindNearestFocusableColumn(0));
    CancelIncSearching();
  }
  return true;
}

void TvxTreeListController::SelectRange(TvxTreeListNode* A, TvxTreeListNode* B) {
  TvxCustomTreeList* tl = TreeList();
  tl->ClearSelection();
  if (!A || A->VisibleIndex() < 0) {
    if (A) tl->TvxCustomTreeList::Select(A);
    return;
  }
  Integer a = A->VisibleIndex(), b = B->VisibleIndex();
  if (a > b) std::swap(a, b);
  for (Integer i = a; i <= b; ++i) {
    TvxTreeListNode* n = tl->AbsoluteVisibleItems(i);
    if (CanSelectNode(n)) tl->TvxCustomTreeList::Select(n);
  }
}

void TvxTreeListController::Select(TvxTreeListNode* ANode, TShiftState AShift) {
  TvxCustomTreeList* tl = TreeList();
  tl->BeginUpdate();
  struct TDone {
    TvxCustomTreeList* T;
    ~TDone() { T->CancelUpdate(); }
  } done{tl};
  if (!ANode) {
    DoSetFocusedNode(nullptr);
  } else {
    bool multi = tl->OptionsSelection()->MultiSelect;
    bool shift = AShift.Contains(ssShift), ctrl = AShift.Contains(ssCtrl), left = AShift.Contains(ssLeft);
    if (!shift && !ctrl) tl->ClearSelection();
    if (!DoSetFocusedNode(ANode)) {
      tl->AddChanges({tcSelection});
      return;
    }
    if (!shift && (ctrl || !ANode->Selected())) SelectionAnchor = ANode;
    bool selected = tl->IsSelected(ANode);
    if (!selected && (!multi || (!shift && !ctrl))) {
      tl->ClearSelection();
      if (CanSelectNode(ANode)) tl->TvxCustomTreeList::Select(ANode);
    } else if (ctrl && left) {
      if (selected) tl->Deselect(ANode);
      else if (CanSelectNode(ANode)) tl->TvxCustomTreeList::Select(ANode);
    } else if (left && selected) {
      if (shift) SelectRange(SelectionAnchor, ANode);
    } else if (shift) {
      if (!SelectionAnchor) SelectionAnchor = ANode;
      SelectRange(SelectionAnchor, ANode);
    }
    if (!multi && !tl->IsSelected(ANode) && CanSelectNode(ANode)) tl->TvxCustomTreeList::Select(ANode);
  }
  tl->AddChanges({tcSelection});
  if (TvxTreeListViewInfo* vi = TreeViewInfo()) vi->UpdateSelection();
}

TvxTreeListNode* TvxTreeListController::FindNearestFocusableNode(Integer AVisibleIndex) {
  TvxCustomTreeList* tl = TreeList();
  Integer count = tl->AbsoluteVisibleCount();
  if (count == 0) return nullptr;
  AVisibleIndex = std::clamp(AVisibleIndex, 0, count - 1);
  for (Integer i = AVisibleIndex; i < count; ++i)
    if (CanSelectNode(tl->AbsoluteVisibleItems(i))) return tl->AbsoluteVisibleItems(i);
  for (Integer i = AVisibleIndex - 1; i >= 0; --i)
    if (CanSelectNode(tl->AbsoluteVisibleItems(i))) return tl->AbsoluteVisibleItems(i);
  return nullptr;
}

TvxTreeListColumn* TvxTreeListController::FindNearestFocusableColumn(Integer AVisibleIndex) {
  TvxCustomTreeList* tl = TreeList();
  Integer count = tl->VisibleColumnCount();
  if (count == 0) return nullptr;
  AVisibleIndex = std::clamp(AVisibleIndex, 0, count - 1);
  for (Integer i = AVisibleIndex; i < count; ++i)
    if (tl->VisibleColumns(i)->Options()->Get(TvxTreeListColumnOptions::Focusing)) return tl->VisibleColumns(i);
  for (Integer i = AVisibleIndex - 1; i >= 0; --i)
    if (tl->VisibleColumns(i)->Options()->Get(TvxTreeListColumnOptions::Focusing)) return tl->VisibleColumns(i);
  return nullptr;
}

bool TvxTreeListController::HitAtNodeContent() {
  TvxTreeListHitTest* h = HitTest();
  return h->HitAtNode() && (h->HitAtIndicator() || h->HitAtImages() || h->HitAtColumn() || h->HitAtBand() ||
                            h->HitAtNodePreview()) &&
         !h->IsFooter();
}

bool TvxTreeListController::CanDeleteSelection() { return TreeList()->OptionsData()->Deleting && !IsEditing(); }

bool TvxTreeListController::DeleteConfirmation() {
  if (!TreeList()->OptionsBehavior()->ConfirmDelete) return true;
  return vxConfirmMessage(vxGetResString(&svxTreeListDeletingFocusedConfirmationText),
                          vxGetResString(&svxTreeListDeletingConfirmationCaption));
}

bool TvxTreeListController::DoNodeKeys(Word Key, TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListNode* f = tl->FocusedNode();
  bool ctrl = Shift.Contains(ssCtrl);
  switch (Key) {
    case VK_SPACE:
      if (f && f->HasCheckbox() && f->Enabled()) {
        f->CheckClick();
        return true;
      }
      return false;
    case VK_END:
    case VK_HOME:
      if (ctrl) {
        Select(Key == VK_END ? tl->LastNode() : tl->TopNode(), Shift);
      } else if (tl->VisibleColumnCount() > 0) {
        tl->SetFocusedColumn(tl->VisibleColumns(Key == VK_END ? tl->VisibleColumnCount() - 1 : 0));
      }
      return true;
    case VK_DELETE:
      // Deleting by keyboard needs Ctrl, the permission and the user's consent, in that
      // order; a plain Delete never deletes.
      if (!tl->OptionsData()->Deleting) return true;
      if (!ctrl || !CanDeleteSelection() || !DeleteConfirmation()) return false;
      tl->DeleteSelection();
      return true;
    case VK_MULTIPLY:
      if (f && f->HasChildren()) f->Expand(true);
      return true;
    case VK_ADD:
    case VK_SUBTRACT:
      if (IsIncSearching() || !f || !f->HasChildren()) return false;
      if (Key == VK_ADD) f->Expand(false);
      else f->Collapse(false);
      return true;
    default:
      return false;
  }
}

void TvxTreeListController::KeyDown(Word& Key, TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  // Escape ends a vertical sizing drag without a change.
  if (VertSizingItem && Key == VK_ESCAPE) {
    EndVertSizing(false);
    Key = 0;
    return;
  }
  // Nothing is focused after a fill: the first key focuses the nearest node to the top
  // before it is handled.
  if (!tl->FocusedNode() && tl->AbsoluteVisibleCount() > 0) {
    if (TvxTreeListNode* n = FindNearestFocusableNode(0)) Select(n, {});
  }
  if (DoNodeKeys(Key, Shift)) {
    if (tl->FocusedNode()) tl->MakeNodeVisible(tl->FocusedNode());
    Key = 0;
    return;
  }
  TvxTreeListNode* f = tl->FocusedNode();
  if ((Key == VK_LEFT || Key == VK_RIGHT) && f && f->HasChildren() && tl->OptionsSelection()->CellSelect == false &&
      Shift.Empty() && (Key == VK_LEFT) == f->Expanded()) {
    f->SetExpanded(Key == VK_RIGHT);
    Key = 0;
    return;
  }
  Word original = Key;
  TvxCustomControlController::KeyDown(Key, Shift);
  if (original == VK_UP || original == VK_DOWN || original == VK_LEFT || original == VK_RIGHT) {
    // The moved focus is shown; processing the batch here announces the move.
    if (tl->FocusedNode()) {
      Select(tl->FocusedNode(), Shift);
      tl->MakeNodeVisible(tl->FocusedNode());
    }
  }
}

void TvxTreeListController::KeyPress(wchar_t& Key) {
  TvxCustomTreeList* tl = TreeList();
  if (tl->OptionsBehavior()->IncSearch() && Key >= L' ') {
    // A text that matches nothing is refused: with a search node the search keeps the text
    // it had, without one the text is emptied.
    if (!IncSearchStep(FIncSearchText + Key) && !IncSearchNode) FIncSearchText.clear();
    Key = 0;
    return;
  }
  if (Key == VK_BACK && IsIncSearching()) {
    FIncSearchText.pop_back();
    Key = 0;
    return;
  }
  TvxCustomControlController::KeyPress(Key);
}

TvxTreeListColumn* TvxTreeListController::IncSearchColumn() {
  TvxCustomTreeList* tl = TreeList();
  if (auto* c = dynamic_cast<TvxTreeListColumn*>(tl->OptionsBehavior()->IncSearchItem())) return c;
  if (tl->FocusedColumn()) return tl->FocusedColumn();
  return tl->VisibleColumnCount() > 0 ? tl->VisibleColumns(0) : nullptr;
}

bool TvxTreeListController::IncSearchStep(const String& AText) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListColumn* col = IncSearchColumn();
  Integer count = tl->AbsoluteVisibleCount();
  if (!col || count == 0) return false;
  Integer start = tl->FocusedNode() ? std::max(tl->FocusedNode()->VisibleIndex(), 0) : 0;
  auto matches = [&](TvxTreeListNode* n) {
    Variant v = col->GetDisplayValue(n, true);
    String t = VarIsNull(v) || VarIsEmpty(v) ? String() : VarToStr(v);
    return n->Visible() && t.size() >= AText.size() &&
           CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, t.c_str(), static_cast<int>(AText.size()),
                          AText.c_str(), static_cast<int>(AText.size())) == CSTR_EQUAL;
  };
  TvxTreeListNode* found = nullptr;
  for (Integer i = start; i < count && !found; ++i)
    if (matches(tl->AbsoluteVisibleItems(i))) found = tl->AbsoluteVisibleItems(i);
  for (Integer i = start - 1; i >= 0 && !found; --i)
    if (matches(tl->AbsoluteVisibleItems(i))) found = tl->AbsoluteVisibleItems(i);
  if (!found) return false;
  FIncSearchText = AText;
  IncSearchNode = found;
  Select(found, {});
  // The search goes on while its node is focused: the focus change must not cancel it.
  FIncSearchText = AText;
  IncSearchNode = found;
  tl->MakeNodeVisible(found);
  return true;
}

void TvxTreeListController::SearchLocate(TvxCustomInplaceEditContainer*, const String& AText) { IncSearchStep(AText); }

void TvxTreeListController::CancelIncSearching() {
  TvxCustomTreeList* tl = TreeList();
  if (tl->IsLoading() || tl->IsDestroying() || !IncSearchNode) return;
  FIncSearchText.clear();
  IncSearchNode = nullptr;
}

void TvxTreeListController::CheckNodeContentClick(TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListHitTest* h = HitTest();
  if (HitAtNodeContent()) {
    tl->BeginUpdate();
    struct TDone {
      TvxCustomTreeList* T;
      ~TDone() { T->CancelUpdate(); }
    } done{tl};
    if (h->HitColumn && h->HitColumn->Options()->Get(TvxTreeListColumnOptions::Focusing)) tl->SetFocusedColumn(h->HitColumn);
    else if (!tl->FocusedColumn()) tl->SetFocusedColumn(FindNearestFocusableColumn(0));
    Select(h->HitNode, Shift);
  } else if (h->HitAtBackground()) {
    if (tl->OptionsSelection()->MultiSelect) {
      tl->ClearSelection();
      if (tl->FocusedNode()) tl->TvxCustomTreeList::Select(tl->FocusedNode());
    }
  }
}

void TvxTreeListController::DoMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxCustomTreeList* tl = TreeList();
  FIsDblClick = Shift.Contains(ssDouble);
  TvxTreeListNode* prevNode = tl->FocusedNode();
  TvxTreeListColumn* prevColumn = tl->FocusedColumn();
  FEditingController->StopEditShowingTimer();
  FEditingController->HideEdit(true);
  TvxTreeListHitTest* h = HitTest();
  h->RecalculateByMouse(X, Y, Shift);
  SizingItem = nullptr;
  // A header's right edge: horizontal sizing of its column or band begins.
  if (Button == mbLeft && !FIsDblClick && h->CanSizing() && h->HitAtSizingHorz()) {
    if (auto* c = dynamic_cast<TvxTreeListColumn*>(h->DragItem)) {
      SizingItem = c;
      SizingStartWidth = c->DisplayWidth();
    } else if (auto* b = dynamic_cast<TvxTreeListBand*>(h->DragItem)) {
      SizingItem = b;
      SizingStartWidth = b->DisplayWidth();
    }
    SizingStartX = X;
    if (SizingItem) return;
  }
  // A header's lower edge: vertical sizing of its column's lines or the band line height.
  if (Button == mbLeft && !FIsDblClick && h->HitAtSizingVert() &&
      (dynamic_cast<TvxTreeListColumn*>(h->DragItem) || dynamic_cast<TvxTreeListBand*>(h->DragItem))) {
    BeginVertSizing(h->DragItem, Y);
    return;
  }
  // Header: the clicked column or band is remembered and drawn pressed.
  if (h->IsHeader() && !h->CanSizing() && !FIsDblClick && Button == mbLeft) {
    auto* cell = static_cast<TvxTreeListCustomHeaderCellViewInfo*>(h->HitTestItem());
    if (auto* c = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(cell)) ClickedObject = c->Column();
    else if (auto* b = dynamic_cast<TvxTreeListBandHeaderCellViewInfo*>(cell)) ClickedObject = b->Band();
    PressedHeader = cell;
    cell->SetState(vxbsPressed);
  } else if (!h->CanSizing()) {
    if (!FIsDblClick && Button != mbMiddle) CheckNodeContentClick(Shift);
    if (Button == mbLeft && h->HitAtButton() && h->HitNode) h->HitNode->SetExpanded(!h->HitNode->Expanded());
    else if (Button == mbLeft && h->HitAt(tlhcCheckButton) && h->HitNode) h->HitNode->CheckClick();
    h->ReCalculate();
  }
  FWasFocusedBeforeClick = h->HitAtColumn() && h->HitNode == prevNode && h->HitColumn == prevColumn;
}

void TvxTreeListController::DoMouseMove(TShiftState Shift, Integer X, Integer Y) {
  TvxCustomTreeList* tl = TreeList();
  // A column or band freed during the drag ends it; only addresses are compared.
  bool alive = false;
  for (Integer i = 0; SizingItem && !alive && i < tl->ColumnCount(); ++i) alive = tl->Columns(i) == SizingItem;
  for (Integer i = 0; SizingItem && !alive && i < tl->Bands()->Count(); ++i) alive = tl->Bands()->Items(i) == SizingItem;
  if (!alive) SizingItem = nullptr;
  if (VertSizingItem) {
    MoveVertSizing(Y);
    return;
  }
  if (!SizingItem) {
    TvxCustomControlController::DoMouseMove(Shift, X, Y);
    return;
  }
  Integer w = SizingStartWidth + X - SizingStartX;
  if (auto* c = dynamic_cast<TvxTreeListColumn*>(SizingItem)) {
    w = std::clamp(w, c->GetSizingMinWidth(), std::max(c->GetSizingMinWidth(), c->GetSizingMaxWidth()));
    if (w != c->DisplayWidth()) c->SetSizeDelta(tlsdHorz, w - c->DisplayWidth());
  } else if (auto* b = dynamic_cast<TvxTreeListBand*>(SizingItem)) {
    w = std::max(w, 0);
    if (w != b->DisplayWidth()) b->SetDisplayWidth(w);
  }
}

void TvxTreeListController::DoMouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TvxCustomTreeList* tl = TreeList();
  if (SizingItem) {
    DoMouseMove(Shift, X, Y);
    SizingItem = nullptr;
    return;
  }
  if (VertSizingItem) {
    MoveVertSizing(Y);
    EndVertSizing(true);
    return;
  }
  if (PressedHeader) {
    PressedHeader->SetState(vxbsNormal);
    PressedHeader = nullptr;
  }
  TvxTreeListHitTest* h = HitTest();
  h->RecalculateByMouse(X, Y, Shift);
  if (Button == mbLeft && h->HitAtColumnHeader() && !h->CanSizing() && h->HitColumn && h->HitColumn == ClickedObject &&
      !tl->IsDesigning()) {
    if (tl->OnColumnHeaderClick) tl->OnColumnHeaderClick(tl, h->HitColumn);
    if (tl->OptionsBehavior()->Sorting && h->HitColumn->CanSort()) {
      TvxDataSortOrder next = Shift.Contains(ssCtrl) ? soNone
                              : h->HitColumn->SortOrder() == soAscending ? soDescending
                                                                         : soAscending;
      if (!Shift.Contains(ssShift)) {
        for (Integer i = tl->SortedColumnCount() - 1; i >= 0; --i)
          if (tl->SortedColumns(i) != h->HitColumn) tl->SortedColumns(i)->SetSortOrder(soNone);
      }
      h->HitColumn->SetSortOrder(next);
    }
  }
  ClickedObject = nullptr;
}

void TvxTreeListController::DblClick() {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListHitTest* h = HitTest();
  h->ReCalculate();
  if (h->HitNode && h->HitAtNode() && !h->HitAtButton() && !IsEditing() && tl->OptionsBehavior()->ExpandOnDblClick &&
      h->HitNode->HasChildren())
    h->HitNode->SetExpanded(!h->HitNode->Expanded());
  ClickedObject = nullptr;
}

TCursor TvxTreeListController::GetCursor(Integer X, Integer Y) {
  if (TreeList()->IsDesigning()) return crDefault;
  HitTest()->SetHitPoint(TPoint{X, Y});
  return HitTest()->GetCursor();
}

void TvxTreeListController::PageScroll(bool ADown, TShiftState Shift) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListViewInfo* vi = TreeViewInfo();
  Integer count = tl->AbsoluteVisibleCount();
  if (!vi || count == 0) return;
  Integer fit = vi->RowsThatFit();
  Integer top = tl->TopVisibleNode() ? tl->TopVisibleNode()->VisibleIndex() : 0;
  Integer focused = tl->FocusedNode() ? tl->FocusedNode()->VisibleIndex() : top;
  Integer target;
  if (ADown) {
    Integer last = std::min(top + fit - 1, count - 1);
    target = focused < last ? last : std::min(last + fit - 1, count - 1);
  } else {
    target = focused > top ? top : std::max(top - fit + 1, 0);
  }
  Select(tl->AbsoluteVisibleItems(target), Shift);
  tl->MakeNodeVisible(tl->FocusedNode());
  tl->LayoutChanged();
}

void TvxTreeListController::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListViewInfo* vi = TreeViewInfo();
  if (!vi) return;
  FEditingController->StopEditShowingTimer();
  if (AScrollBarKind == sbVertical) {
    Integer top = tl->TopVisibleNode() ? tl->TopVisibleNode()->VisibleIndex() : 0;
    Integer page = vi->RowsThatFit();
    switch (AScrollCode) {
      case scLineUp: top -= 1; break;
      case scLineDown: top += 1; break;
      case scPageUp: top -= page; break;
      case scPageDown: top += page; break;
      case scTop: top = 0; break;
      case scBottom: top = tl->AbsoluteVisibleCount(); break;
      case scTrack:
      case scPosition: top = AScrollPos; break;
      default: break;
    }
    vi->SetTopIndex(top);
    AScrollPos = tl->TopVisibleNode() ? tl->TopVisibleNode()->VisibleIndex() : 0;
  } else {
    Integer pos = vi->HScrollPos;
    switch (AScrollCode) {
      case scLineUp: pos -= vi->HScrollInc; break;
      case scLineDown: pos += vi->HScrollInc; break;
      case scPageUp: pos -= vi->HScrollPage; break;
      case scPageDown: pos += vi->HScrollPage; break;
      case scTop: pos = 0; break;
      case scBottom: pos = vi->HScrollSize; break;
      case scTrack:
      case scPosition: pos = AScrollPos; break;
      default: break;
    }
    vi->SetLeftPos(pos);
    AScrollPos = vi->HScrollPos;
  }
}

// --- Vertical header sizing -------------------------------------------------------------------

namespace {

// The window's DC for drawing outside a paint, released at the end of the scope.
class TClientDCScope {
 public:
  explicit TClientDCScope(HWND AWindow) : FWindow(AWindow), FDC(GetDC(AWindow)) {}
  ~TClientDCScope() {
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  TClientDCScope(const TClientDCScope&) = delete;
  TClientDCScope& operator=(const TClientDCScope&) = delete;
  HDC Handle() const { return FDC; }

 private:
  HWND FWindow;
  HDC FDC;
};

}  // namespace

void TvxTreeListController::BeginVertSizing(TObject* AItem, Integer Y) {
  TvxCustomTreeList* tl = TreeList();
  TvxTreeListViewInfo* vi = TreeViewInfo();
  // The line moves in steps of one header line for a column and of one pixel for the
  // bands, and never above one line below the header's top.
  TvxTreeListHeaderCellViewInfo* cell = nullptr;
  if (auto* c = dynamic_cast<TvxTreeListColumn*>(AItem)) {
    cell = vi->HeaderCellOf(c);
    VertSizingStep = std::max(vi->HeaderLineHeight, 1);
  } else if (auto* b = dynamic_cast<TvxTreeListBand*>(AItem)) {
    cell = vi->HeaderCellOf(b);
    VertSizingStep = 1;
  }
  if (!cell) return;
  const Integer minLine = dynamic_cast<TvxTreeListBand*>(AItem) ? vi->BandHeaderLineHeight : vi->HeaderLineHeight;
  VertSizingBounds = tl->ClientBounds();
  OffsetRect(&VertSizingBounds, 0, cell->DisplayRect.top + minLine - VertSizingBounds.top);
  VertSizingItem = AItem;
  VertSizingStartY = Y;
  VertSizingDelta = 0;
  InvertVertSizingLine();
}

void TvxTreeListController::MoveVertSizing(Integer Y) {
  // Outside its bounds the line stays where it was.
  if (!VertSizingItem || Y < VertSizingBounds.top || Y >= VertSizingBounds.bottom) return;
  // The nearest whole step, halves to the even one.
  const double steps = static_cast<double>(Y - VertSizingStartY) / VertSizingStep;
  const Integer delta = static_cast<Integer>(std::nearbyint(steps));
  if (delta == VertSizingDelta) return;
  InvertVertSizingLine();
  VertSizingDelta = delta;
  InvertVertSizingLine();
}

void TvxTreeListController::InvertVertSizingLine(HDC ADC) {
  TvxCustomTreeList* tl = TreeList();
  const Integer y = VertSizingStartY + VertSizingDelta * VertSizingStep;
  TRect line{VertSizingBounds.left, y - 1, VertSizingBounds.right, y};
  TRect client = tl->ClientBounds(), visible{};
  if (IntersectRect(&visible, &line, &client))
    PatBlt(ADC, line.left, line.top, line.right - line.left, 1, DSTINVERT);
}

void TvxTreeListController::InvertVertSizingLine() {
  TvxCustomTreeList* tl = TreeList();
  if (tl->HandleAllocated()) {
    TClientDCScope dc(tl->Handle());
    InvertVertSizingLine(dc.Handle());
  }
  VertSizingLineShown = !VertSizingLineShown;
}

void TvxTreeListController::AfterPaint() {
  TvxCustomControlController::AfterPaint();
  // A paint during the drag covered the line where it painted: the line is drawn again
  // through the paint's clip, so that it stays whole outside it.
  if (VertSizingItem && VertSizingLineShown) InvertVertSizingLine(TreeList()->Canvas()->Handle());
}

void TvxTreeListController::EndVertSizing(bool AApply) {
  if (!VertSizingItem) return;
  TObject* item = VertSizingItem;
  // A column or band freed during the drag takes no size; only addresses are compared.
  TvxCustomTreeList* owner = TreeList();
  bool alive = false;
  for (Integer i = 0; !alive && i < owner->ColumnCount(); ++i) alive = owner->Columns(i) == item;
  for (Integer i = 0; !alive && i < owner->Bands()->Count(); ++i) alive = owner->Bands()->Items(i) == item;
  if (!alive) AApply = false;
  const Integer delta = VertSizingDelta;
  if (VertSizingLineShown) InvertVertSizingLine();
  VertSizingItem = nullptr;
  VertSizingLineShown = false;
  if (!AApply || delta == 0) return;
  TvxCustomTreeList* tl = TreeList();
  if (auto* c = dynamic_cast<TvxTreeListColumn*>(item)) {
    c->SetSizeDelta(tlsdVert, delta);
  } else if (auto* b = dynamic_cast<TvxTreeListBand*>(item)) {
    // The band rows share the new height; a line is at least one pixel high, as 0 would
    // hand the height back to the band header font.
    TvxTreeListViewInfo* vi = TreeViewInfo();
    const Integer lines = std::max(tl->Bands()->LineCount(), 1);
    tl->OptionsView()->SetBandLineHeight(std::max((delta + vi->BandsHeight) / lines, 1));
    tl->DesignerModified();
    if (tl->OnBandSizeChanged) tl->OnBandSizeChanged(tl, b);
  }
}
