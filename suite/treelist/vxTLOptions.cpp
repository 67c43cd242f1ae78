#include "vxTL.h"

#include <algorithm>
#include <exception>
#include <tuple>

#include "vxTLStrs.h"
#include "vxVariants.h"

// --- Options ----------------------------------------------------------------------------

TvxCustomTreeList* TvxTreeListOptionsBehavior::TreeList() const { return static_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListOptionsBehavior::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListOptionsBehavior*>(Source)) {
    AutoDragCopy = src->AutoDragCopy;
    BestFitMaxRecordCount = src->BestFitMaxRecordCount;
    ConfirmDelete = src->ConfirmDelete;
    DragCollapse = src->DragCollapse;
    DragExpand = src->DragExpand;
    DragFocusing = src->DragFocusing;
    ExpandOnDblClick = src->ExpandOnDblClick;
    ExpandOnIncSearch = src->ExpandOnIncSearch;
    SetFooterHints(src->FooterHints());
    SetHeaderHints(src->HeaderHints());
    HotTrack = src->HotTrack;
    MultiSort = src->MultiSort;
    ShowHourGlass = src->ShowHourGlass;
    Sorting = src->Sorting;
    SetChangeDelay(src->ChangeDelay());
    WaitForExpandNodeTime = src->WaitForExpandNodeTime;
    // The searched column is this tree list's column of the same item index; items are
    // not objects of this model yet, so only an empty choice carries over.
    SetIncSearchItem(nullptr);
  }
  inherited::Assign(Source);
}

void TvxTreeListOptionsBehavior::SetFooterHints(bool Value) {
  if (FFooterHints == Value) return;
  FFooterHints = Value;
  Changed();
}

void TvxTreeListOptionsBehavior::SetHeaderHints(bool Value) {
  if (FHeaderHints == Value) return;
  FHeaderHints = Value;
  Changed();
}

Integer TvxTreeListOptionsBehavior::ChangeDelay() const { return TreeList()->DelayTimerInterval(); }

void TvxTreeListOptionsBehavior::SetChangeDelay(Integer Value) {
  Value = std::max(Value, 0);
  TreeList()->SetDelayTimer(Value > 0, Value);
}

void TvxTreeListOptionsCustomizing::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListOptionsCustomizing*>(Source)) {
    for (Integer i = 0; i < OptionCount; ++i) Set(static_cast<TOption>(i), src->Get(static_cast<TOption>(i)));
    BandsQuickCustomizationMaxDropDownCount = src->BandsQuickCustomizationMaxDropDownCount;
    ColumnsQuickCustomizationMaxDropDownCount = src->ColumnsQuickCustomizationMaxDropDownCount;
  } else {
    inherited::Assign(Source);
  }
}

void TvxTreeListOptionsCustomizing::Set(TOption AOption, bool Value) {
  if (FValues[AOption] == Value) return;
  FValues[AOption] = Value;
  if (Value && AOption == NodeSizing) FValues[RowSizing] = false;
  if (Value && AOption == RowSizing) FValues[NodeSizing] = false;
  static_cast<TvxCustomTreeList*>(FOwner)->AddChanges({tcLayout});
}

TvxCustomTreeList* TvxTreeListOptionsData::TreeList() const { return static_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListOptionsData::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListOptionsData*>(Source)) {
    Deleting = src->Deleting;
    Inserting = src->Inserting;
    SetSummaryNullIgnore(src->SummaryNullIgnore());
  }
  inherited::Assign(Source);
}

bool TvxTreeListOptionsData::AnsiSort() const { return TreeList()->DataController()->AnsiSort; }
void TvxTreeListOptionsData::SetAnsiSort(bool Value) { TreeList()->DataController()->AnsiSort = Value; }
bool TvxTreeListOptionsData::CaseInsensitive() const { return TreeList()->DataController()->CaseInsensitive; }
void TvxTreeListOptionsData::SetCaseInsensitive(bool Value) { TreeList()->DataController()->CaseInsensitive = Value; }

void TvxTreeListOptionsData::EditingTurnedOff() { TreeList()->DataController()->SetEditingNode(nullptr); }

void TvxTreeListOptionsSelection::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListOptionsSelection*>(Source)) {
    CellSelect = src->CellSelect;
    HideFocusRect = src->HideFocusRect;
    HideSelection = src->HideSelection;
    InvertSelect = src->InvertSelect;
    MultiSelect = src->MultiSelect;
  } else {
    inherited::Assign(Source);
  }
}

// --- Styles -----------------------------------------------------------------------------

TvxTreeListStyles::TvxTreeListStyles(TPersistent* AOwner) : TvxStyles(AOwner) { BitmapInViewParams = true; }

// Nil for the styles of a style sheet.
TvxCustomTreeList* TvxTreeListStyles::TreeList() const {
  return dynamic_cast<TvxCustomStyleSheet*>(FOwner) ? nullptr : static_cast<TvxCustomTreeList*>(FOwner);
}

void TvxTreeListStyles::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxTreeListStyles*>(Source)) {
    for (Integer i = tlsBandBackground; i <= tlsHotTrack; ++i) PutStyle(i, src->FindStyle(i));
    // The four control styles every editing control has.
    for (Integer i = tlsContent; i <= tlsSelection; ++i) PutStyle(i, src->FindStyle(i));
  }
  inherited::Assign(Source);
}

void TvxTreeListStyles::GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) {
  inherited::GetDefaultViewParams(AIndex, AData, AParams);
  if (!TreeList()) return;  // a style sheet's styles have no defaults of their own
  TvxCustomLookAndFeelPainterClass p = TreeList()->LookAndFeelPainter();
  AParams.Font = TreeList()->Font();
  if (AIndex == tlsContent)
    if (auto* pos = dynamic_cast<TvxTreeListCellPos*>(AData); pos && pos->Node)
      AIndex = pos->Node->VisibleIndex() % 2 == 0 ? tlsContentEven : tlsContentOdd;
  switch (AIndex) {
    case tlsContent:
    case tlsBackground:
    case tlsBandContent:
      AParams.Color = p->DefaultContentColor();
      AParams.TextColor = p->DefaultContentTextColor();
      break;
    case tlsInactive:
      AParams.Color = p->DefaultInactiveColor();
      AParams.TextColor = p->DefaultInactiveTextColor();
      break;
    case tlsSelection:
    case tlsIncSearch:
      AParams.Color = p->DefaultSelectionColor();
      AParams.TextColor = p->DefaultSelectionTextColor();
      break;
    case tlsBandBackground:
      AParams.Color = p->DefaultHeaderBackgroundColor();
      AParams.TextColor = p->DefaultHeaderBackgroundTextColor();
      break;
    case tlsBandHeader:
    case tlsColumnHeader:
    case tlsIndicator:
      AParams.Color = p->DefaultHeaderColor();
      AParams.TextColor = p->DefaultHeaderTextColor();
      break;
    case tlsColumnFooter:
    case tlsFooter:
      AParams.Color = p->DefaultFooterColor();
      AParams.TextColor = p->DefaultFooterTextColor();
      break;
    case tlsContentEven:
      AParams.Color = p->DefaultContentEvenColor();
      AParams.TextColor = p->DefaultContentTextColor();
      break;
    case tlsContentOdd:
      AParams.Color = p->DefaultContentOddColor();
      AParams.TextColor = p->DefaultContentTextColor();
      break;
    case tlsPreview:
      AParams.Color = p->DefaultContentColor();
      AParams.TextColor = p->DefaultPreviewTextColor();
      break;
    case tlsHotTrack:
      if (auto* pos = dynamic_cast<TvxTreeListCellPos*>(AData)) {
        TvxViewParams content = DoGetContentParams(pos->Node, pos->Column);
        AParams.Bitmap = content.Bitmap;
        AParams.Color = content.Color;
        AParams.Font = content.Font;
      }
      AParams.TextColor = clHighlightText;
      break;
    default:
      break;
  }
}

TvxViewParams TvxTreeListStyles::Lookup(Integer AIndex, TObject* AData, TvxStyle* AStyle) {
  TvxViewParams r;
  GetViewParams(AIndex, AData, AStyle, r);
  return r;
}

TvxViewParams TvxTreeListStyles::GetContentParams(TvxTreeListNode* ANode, Integer AColumn) {
  TvxCustomTreeList* tl = TreeList();
  if (!ANode || ANode != tl->HotTrackNode || tl->DataController()->EditingNode() || AColumn == tl->PreviewColumnIndex()) {
    if (TvxTreeListColumn* column = tl->Columns(AColumn)) return column->Styles()->GetContentParams(ANode);
    return DoGetContentParams(ANode, AColumn);
  }
  TvxStyle* style = nullptr;
  if (OnGetHotTrackStyle) OnGetHotTrackStyle(tl, AColumn, ANode, style);
  TvxTreeListCellPos pos(ANode, AColumn);
  return Lookup(tlsHotTrack, &pos, style);
}

TvxViewParams TvxTreeListStyles::DoGetContentParams(TvxTreeListNode* ANode, Integer AColumn) {
  if (AColumn == TreeList()->PreviewColumnIndex()) return DoGetPreviewParams(ANode);
  TvxStyle* style = nullptr;
  if (ANode && OnGetContentStyle) OnGetContentStyle(TreeList(), AColumn, ANode, style);
  // Without a style of its own, a column in a band shows the band's content.
  if (!style)
    if (TvxTreeListColumn* column = TreeList()->Columns(AColumn))
      if (TvxTreeListBand* band = column->Position()->Band()) {
        if (OnGetBandContentStyle) OnGetBandContentStyle(TreeList(), band, ANode, style);
        if (!style && band->Styles()->FindStyle(TvxTreeListBandStyles::Content)) return band->Styles()->GetContentParams(ANode);
      }
  return DoGetNodeContentParams(ANode, style);
}

TvxViewParams TvxTreeListStyles::GetBandBackgroundParams(TvxTreeListBand* ABand) {
  if (ABand) return ABand->Styles()->GetHeaderBackgroundParams();
  TvxStyle* style = nullptr;
  if (OnGetBandBackgroundStyle) OnGetBandBackgroundStyle(TreeList(), ABand, style);
  return Lookup(tlsBandBackground, ABand, style);
}

TvxViewParams TvxTreeListStyles::GetBandContentParams(TvxTreeListBand* ABand, TvxTreeListNode* ANode) {
  TvxStyle* style = nullptr;
  if (OnGetBandContentStyle) OnGetBandContentStyle(TreeList(), ABand, ANode, style);
  if (FindStyle(tlsBandContent)) return Lookup(tlsBandContent, ANode, style);
  return DoGetNodeContentParams(ANode, style);
}

TvxViewParams TvxTreeListStyles::GetBandFooterParams(TvxTreeListBand* ABand, TvxTreeListNode* ANode) {
  TvxStyle* style = nullptr;
  if (OnGetBandFooterStyle) OnGetBandFooterStyle(TreeList(), ABand, ANode, style);
  return Lookup(tlsFooter, ABand, style);
}

TvxViewParams TvxTreeListStyles::GetBandHeaderParams(TvxTreeListBand* ABand) {
  return ABand ? ABand->Styles()->GetHeaderParams() : DoGetBandHeaderParams(nullptr);
}

TvxViewParams TvxTreeListStyles::DoGetBandHeaderParams(TvxTreeListBand* ABand) {
  TvxStyle* style = nullptr;
  if (OnGetBandHeaderStyle) OnGetBandHeaderStyle(TreeList(), ABand, style);
  return Lookup(tlsBandHeader, ABand, style);
}

TvxViewParams TvxTreeListStyles::GetColumnHeaderParams(TvxTreeListColumn* AColumn) {
  TvxStyle* style = nullptr;
  if (OnGetColumnHeaderStyle) OnGetColumnHeaderStyle(TreeList(), AColumn, style);
  return Lookup(tlsColumnHeader, AColumn, style);
}

TvxViewParams TvxTreeListStyles::DoGetNodeContentParams(TvxTreeListNode* ANode, TvxStyle* AStyle) {
  Integer index = tlsContent;
  if (ANode) {
    Integer parity = ANode->VisibleIndex() % 2 == 0 ? tlsContentEven : tlsContentOdd;
    if (FindStyle(parity)) index = parity;
  }
  return Lookup(index, ANode, AStyle);
}

TvxViewParams TvxTreeListStyles::DoGetPreviewParams(TvxTreeListNode* ANode) {
  TvxStyle* style = nullptr;
  if (OnGetPreviewStyle) OnGetPreviewStyle(TreeList(), ANode, style);
  return Lookup(tlsPreview, ANode, style);
}

TvxViewParams TvxTreeListStyles::GetColumnFooterParams(Integer AColumn, TvxTreeListNode* ANode, TObject* AItem) {
  TvxStyle* style = nullptr;
  if (OnGetColumnFooterStyle) OnGetColumnFooterStyle(TreeList(), AColumn, ANode, AItem, style);
  return Lookup(tlsColumnFooter, nullptr, style);
}

TvxViewParams TvxTreeListStyles::GetFooterParams() { return Lookup(tlsFooter, nullptr, nullptr); }
TvxViewParams TvxTreeListStyles::GetIncSearchParams() { return Lookup(tlsIncSearch, nullptr, nullptr); }
TvxViewParams TvxTreeListStyles::GetIndicatorParams() { return Lookup(tlsIndicator, nullptr, nullptr); }

TvxViewParams TvxTreeListStyles::GetIndentParams(TvxTreeListNode* ANode, Integer AIndent) {
  TvxStyle* style = nullptr;
  if (OnGetContentStyle) OnGetContentStyle(TreeList(), -1, ANode, style);
  if (OnGetNodeIndentStyle) OnGetNodeIndentStyle(TreeList(), ANode, AIndent, style);
  if (!TreeList()->OptionsView()->UseNodeColorForIndent() && ANode) {
    // The indent takes the colours of the ancestor standing at that level.
    Integer up = ANode->Level() + (TreeList()->OptionsView()->ShowRoot() ? 1 : 0) - AIndent;
    for (; up > 0 && ANode->Parent() && !ANode->Parent()->IsRoot(); --up) ANode = ANode->Parent();
  }
  return DoGetNodeContentParams(ANode, style);
}

bool TvxTreeListStyles::IsSelectionTextAssigned(bool AFocused) const {
  auto* s = dynamic_cast<TvxStyle*>(FindStyle(AFocused ? tlsSelection : tlsInactive));
  return s && s->AssignedValues().Contains(svTextColor);
}

// --- Captions -------------------------------------------------------------------------------

TvxTreeListCaption::TvxTreeListCaption(TPersistent* AOwner)
    : TvxOwnedPersistent(AOwner), FGlyph(std::make_unique<TBitmap>()) {}

TvxTreeListCaption::~TvxTreeListCaption() = default;

void TvxTreeListCaption::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListCaption*>(Source);
  if (!src) return inherited::Assign(Source);
  FAlignHorz = src->FAlignHorz;
  FAlignVert = src->FAlignVert;
  FText = src->Text();
  FGlyphAlignHorz = src->FGlyphAlignHorz;
  FGlyphAlignVert = src->FGlyphAlignVert;
  FMultiLine = src->FMultiLine;
  FShowEndEllipsis = src->FShowEndEllipsis;
  FGlyph->Assign(src->FGlyph.get());
  Changed();
}

void TvxTreeListCaption::Changed() {
  if (OnChange) OnChange(this);
}

bool TvxTreeListCaption::GlyphEmpty() const { return FGlyph->Empty(); }

void TvxTreeListCaption::SetGlyph(TBitmap* Value) {
  if (Value)
    FGlyph->Assign(Value);
  else
    FGlyph = std::make_unique<TBitmap>();
  Changed();
}

void TvxTreeListCaption::SetGlyphAlignHorz(TAlignment Value) {
  if (FGlyphAlignHorz == Value) return;
  FGlyphAlignHorz = Value;
  if (!GlyphEmpty()) Changed();
}

void TvxTreeListCaption::SetGlyphAlignVert(TvxAlignmentVert Value) {
  if (FGlyphAlignVert == Value) return;
  FGlyphAlignVert = Value;
  if (!GlyphEmpty()) Changed();
}

String TvxTreeListCaption::Text() const {
  if (FText.empty())
    if (auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner)) {
      String s;
      column->DataBinding()->GetDefaultText(s);
      return s;
    }
  return FText;
}

void TvxTreeListCaption::SetText(const String& Value) {
  if (FText == Value) return;
  FText = Value;
  Changed();
}

bool TvxTreeListCaption::IsTextStored() const {
  if (FText.empty()) return false;
  if (auto* column = dynamic_cast<TvxTreeListColumn*>(FOwner)) {
    String s;
    column->DataBinding()->GetDefaultText(s);
    return FText != s;
  }
  return true;
}

// --- View options and preview ----------------------------------------------------------------

TvxCustomTreeList* TvxTreeListOptionsView::TreeList() const { return static_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListOptionsView::Changed() {
  if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

void TvxTreeListOptionsView::SetImagesField(bool& AField, bool Value) {
  if (AField == Value) return;
  AField = Value;
  if (TvxCustomTreeList* tl = TreeList()) tl->AddChanges({tcImages});
  Changed();
}

void TvxTreeListOptionsView::SetBandLineHeight(Integer Value) {
  if (Value < 0 || Value == FBandLineHeight) return;
  FBandLineHeight = Value;
  if (FBands) Changed();
}

void TvxTreeListOptionsView::SetFixedSeparatorWidth(Integer Value) {
  if (Value < 0) return;
  SetField(FFixedSeparatorWidth, Value);
}

void TvxTreeListOptionsView::SetGridLineColor(TColor Value) {
  if (Value == FGridLineColor) return;
  FGridLineColor = Value;
  if (FGridLines != tlglNone) Changed();
}

void TvxTreeListOptionsView::SetGroupFooters(TvxTreeListGroupFootersMode Value) {
  if (Value == FGroupFooters) return;
  FGroupFooters = Value;
  if (TvxCustomTreeList* tl = TreeList()) tl->AddChanges({tcStructure});
  Changed();
}

void TvxTreeListOptionsView::SetIndicatorWidth(Integer Value) {
  if (Value < 0 || Value == FIndicatorWidth) return;
  FIndicatorWidth = Value;
  if (FIndicator) Changed();
}

TvxTreeListColumn* TvxTreeListOptionsView::GetCategorizedColumn() const {
  if (FCategorizedColumn) return FCategorizedColumn;
  TvxCustomTreeList* tl = TreeList();
  return tl && tl->VisibleColumnCount() > 0 ? tl->VisibleColumns(0) : nullptr;
}

bool TvxTreeListOptionsView::IsIndicatorVisible() const {
  TvxTreeListOptionsCustomizing* c = TreeList()->OptionsCustomizing();
  using O = TvxTreeListOptionsCustomizing;
  return FIndicator || (c->Get(O::BandsQuickCustomization) && c->Get(O::BandCustomizing)) ||
         (c->Get(O::ColumnsQuickCustomization) && c->Get(O::ColumnCustomizing));
}

void TvxTreeListOptionsView::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListOptionsView*>(Source);
  if (!src) return inherited::Assign(Source);
  FCategorizedColumn = src->FCategorizedColumn && TreeList()
                           ? TreeList()->Columns(src->FCategorizedColumn->ItemIndex())
                           : nullptr;
  FBandLineHeight = src->FBandLineHeight;
  FBands = src->FBands;
  FButtons = src->FButtons;
  FColumnAutoWidth = src->FColumnAutoWidth;
  FCheckGroups = src->FCheckGroups;
  DropArrowColor = src->DropArrowColor;
  DropNodeIndicator = src->DropNodeIndicator;
  FDynamicIndent = src->FDynamicIndent;
  FDynamicFocusedStateImages = src->FDynamicFocusedStateImages;
  FExtPaintStyle = src->FExtPaintStyle;
  FFixedSeparatorColor = src->FFixedSeparatorColor;
  FFixedSeparatorWidth = src->FFixedSeparatorWidth;
  FFocusRect = src->FFocusRect;
  FFooter = src->FFooter;
  FGridLineColor = src->FGridLineColor;
  FGridLines = src->FGridLines;
  FGroupFooters = src->FGroupFooters;
  FHeaderAutoHeight = src->FHeaderAutoHeight;
  FHeaders = src->FHeaders;
  FIndicator = src->FIndicator;
  FIndicatorWidth = src->FIndicatorWidth;
  FPaintStyle = src->FPaintStyle;
  FShowRoot = src->FShowRoot;
  FSimpleCustomizeBox = src->FSimpleCustomizeBox;
  FTreeLineColor = src->FTreeLineColor;
  FTreeLineStyle = src->FTreeLineStyle;
  FUseImageIndexForSelected = src->FUseImageIndexForSelected;
  FUseNodeColorForIndent = src->FUseNodeColorForIndent;
  FCellAutoHeight = src->FCellAutoHeight;
  FCellEndEllipsis = src->FCellEndEllipsis;
  FCellTextMaxLineCount = src->FCellTextMaxLineCount;
  FScrollBars = src->FScrollBars;
}

void TvxTreeListOptionsView::RestoreDefaults() {
  TvxTreeListOptionsView d(nullptr);
  TvxTreeListColumn* categorized = FCategorizedColumn;
  bool dropNodeIndicator = DropNodeIndicator, focusRect = FFocusRect;
  bool cellAutoHeight = FCellAutoHeight, cellEndEllipsis = FCellEndEllipsis;
  Integer cellTextMaxLineCount = FCellTextMaxLineCount;
  TScrollStyle scrollBars = FScrollBars;
  Assign(&d);
  FCategorizedColumn = categorized;
  DropNodeIndicator = dropNodeIndicator;
  FFocusRect = focusRect;
  FCellAutoHeight = cellAutoHeight;
  FCellEndEllipsis = cellEndEllipsis;
  FCellTextMaxLineCount = cellTextMaxLineCount;
  FScrollBars = scrollBars;
  Changed();
}

TvxCustomTreeList* TvxTreeListPreview::TreeList() const { return static_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListPreview::Changed() {
  if (TvxCustomTreeList* tl = TreeList()) tl->LayoutChanged();
}

bool TvxTreeListPreview::Active() const {
  TvxCustomTreeList* tl = TreeList();
  return FVisible && FColumn && tl && tl->VisibleColumnCount() > 0 && (FMaxLineCount != 0 || FAutoHeight);
}

void TvxTreeListPreview::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeListPreview*>(Source);
  if (!src) return inherited::Assign(Source);
  SetAutoHeight(src->AutoHeight());
  if (src->Column() && TreeList()) SetColumn(TreeList()->Columns(src->Column()->ItemIndex()));
  SetLeftIndent(src->LeftIndent());
  SetMaxLineCount(src->MaxLineCount());
  SetPlace(src->Place());
  SetRightIndent(src->RightIndent());
  SetVisible(src->Visible());
}
