#include "vxGroupBox.h"

#include <algorithm>

#include "Menus.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxGraphics.h"

UINT WM_VDUPDATENONCLIENTAREA = 0;

TvxGroupBoxCaptionPosition vxGroupBoxCaptionPosition(TvxCaptionAlignment A) {
  switch (A) {
    case alTopLeft: case alTopCenter: case alTopRight: return vxgpTop;
    case alBottomLeft: case alBottomCenter: case alBottomRight: return vxgpBottom;
    case alLeftTop: case alLeftCenter: case alLeftBottom: return vxgpLeft;
    case alRightTop: case alRightCenter: case alRightBottom: return vxgpRight;
    default: return vxgpCenter;
  }
}

TRect vxGroupBoxCaptionRect(TvxCaptionAlignment A, const TSize& ATextSize, Integer W, Integer H, Integer S) {
  const Integer cx = ATextSize.cx, cy = ATextSize.cy;
  TRect R{8, 0, 8 + cx, cy};
  auto PlaceColumn = [&](Integer ALeft) { R.left = ALeft; R.right = ALeft + cx; };
  switch (A) {
    case alTopLeft: case alBottomLeft: PlaceColumn(8); break;
    case alTopCenter: case alBottomCenter: case alCenterCenter: PlaceColumn((W - S - cx) / 2); break;
    case alTopRight: case alBottomRight: PlaceColumn(W - 8 - S - cx); break;
    case alLeftTop: return TRect{0, 8, cy, 8 + cx + 1};
    case alLeftCenter: {
      const Integer B = H - S - (H - S - cx) / 2;
      return TRect{0, B - cx - 1, cy, B};
    }
    case alLeftBottom: return TRect{0, H - S - 8 - cx - 1, cy, H - S - 8};
    case alRightTop: return TRect{W - cy, 8, W, 8 + cx};
    case alRightCenter: return TRect{W - cy, (H - cx) / 2, W, (H - cx) / 2 + cx};
    case alRightBottom: return TRect{W - cy, H - 8 - cx, W, H - 8};
  }
  if (A == alBottomLeft || A == alBottomCenter || A == alBottomRight) {
    R.bottom = H;
    R.top = H - cy;
  } else if (A == alCenterCenter) {
    R.top = (H - S - cy) / 2;
    R.bottom = R.top + cy;
  }
  return R;
}

Integer vxButtonGroupColumnCount(Integer N, Integer C) {
  Integer c = std::min(C, N);
  if (N <= 0) return c < 0 ? 0 : c;
  if (c <= 0) c = 1;
  const Integer rows = (N + c - 1) / c;
  return (N + rows - 1) / rows;
}

Integer vxButtonGroupRowCount(Integer N, Integer AColumnCount) {
  if (N <= 0 || AColumnCount <= 0) return 0;
  return (N + AColumnCount - 1) / AColumnCount;
}

TRect vxButtonGroupButtonBounds(const TRect& ABounds, const TRect& AExtents, Integer AColumns, Integer ARows,
                                Integer AColumn, Integer ARow, const TvxButtonGroupButtonMetrics& M) {
  const Integer W = ABounds.right - ABounds.left, H = ABounds.bottom - ABounds.top;
  const Integer colWidth =
      (W + M.LayoutWidthCorrection - AExtents.left - AExtents.right - (AColumns - 1) * M.ColumnSpacing) / AColumns;
  const Integer inner = H - AExtents.top - AExtents.bottom;
  const Integer rowHeight = inner / ARows;
  const Integer firstTop = ABounds.top + AExtents.top + (inner % ARows) / 2;
  const Integer left = ABounds.left + AExtents.left + (colWidth + M.ColumnSpacing) * AColumn + M.ButtonsLeft;
  const Integer top = firstTop + rowHeight * ARow;
  return TRect{left, top, left + colWidth, top + rowHeight};
}

TSize vxButtonGroupNaturalSize(Integer AItemCount, Integer AColumns, Integer AWidestCaption, Integer ACaptionHeight,
                               const TvxButtonGroupButtonMetrics& M) {
  if (AItemCount <= 0 || AColumns <= 0) return TSize{0, ACaptionHeight};
  const Integer rows = vxButtonGroupRowCount(AItemCount, AColumns);
  return TSize{(AWidestCaption + M.ColumnExtra + M.GlyphWidth) * AColumns + (AColumns - 1) * M.ColumnSpacing +
                   M.TotalExtra,
               rows * std::max(ACaptionHeight, M.GlyphHeight)};
}

// --- In-place painting ------------------------------------------------------------------------

void TvxGroupBoxButtonViewInfo::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxGroupBoxButtonViewInfo*>(Source)) {
    Caption = s->Caption;
    Column = s->Column;
    Row = s->Row;
  }
  inherited::Assign(Source);
}

void TvxGroupBoxViewInfo::Offset(Integer DX, Integer DY) {
  inherited::Offset(DX, DY);
  OffsetRect(&CaptionRect, DX, DY);
}

void TvxGroupBoxViewInfo::DrawGroupBackground(TvxCanvas* ACanvas) {
  bool handled = false;
  if (OnDrawBackground) OnDrawBackground(this, ACanvas, handled);
  if (!handled && !Transparent) ACanvas->FillRect(Bounds, BackgroundColor());
}

void TvxGroupBoxViewInfo::PaintContent(TvxCanvas* ACanvas) { DrawGroupBackground(ACanvas); }

void TvxButtonGroupViewInfo::SetGroupButtonCount(Integer ACount) {
  if (ACount < 0) ACount = 0;
  while (ButtonCount() > ACount) ButtonsInfo.pop_back();
  while (ButtonCount() < ACount) ButtonsInfo.push_back(std::make_unique<TvxGroupBoxButtonViewInfo>());
}

TRect TvxButtonGroupViewInfo::GlyphRect(TvxGroupBoxButtonViewInfo* AButton) {
  const TSize g = GetGlyphSize();
  const TRect& b = AButton->Bounds;
  const Integer top = b.top + (b.bottom - b.top - g.cy) / 2;
  const Integer left = Alignment == taRightJustify ? b.right - g.cx : b.left;
  return TRect{left, top, left + g.cx, top + g.cy};
}

TvxButtonState TvxButtonGroupViewInfo::GetButtonState(TvxGroupBoxButtonViewInfo* AButton) {
  switch (AButton->Data.State) {
    case ebsDisabled: return vxbsDisabled;
    case ebsPressed: return vxbsPressed;
    case ebsSelected: return vxbsHot;
    default: return vxbsNormal;
  }
}

void TvxButtonGroupViewInfo::PaintContent(TvxCanvas* ACanvas) {
  inherited::PaintContent(ACanvas);
  for (Integer i = 0; i < ButtonCount(); ++i) {
    TvxGroupBoxButtonViewInfo* b = GroupButtons(i);
    if (vxRectHasNoArea(b->Bounds)) continue;
    const TRect glyph = GlyphRect(b);
    DrawButtonGlyph(ACanvas, b, glyph);
    DrawButtonCaption(ACanvas, b, glyph);
  }
}

TvxCustomButtonGroupProperties* TvxButtonGroupViewData::GroupProperties() const {
  return dynamic_cast<TvxCustomButtonGroupProperties*>(Properties());
}

bool TvxButtonGroupViewData::IsButtonNativeStyle() { return NativeStyle; }

Integer TvxButtonGroupViewData::GetCaptionFlags() {
  TvxCustomButtonGroupProperties* props = GroupProperties();
  if (ComputingAutoHeight && props && props->WordWrap())
    return vxtfLeft | vxtfCenterY | vxtfNoClip | vxtfShowPrefix | vxtfWordBreak;  // 1697
  return vxtfLeft | vxtfCenterY | vxtfSingleLine | vxtfShowPrefix;                // 609
}

TvxEditButtonStyle TvxButtonGroupViewData::GroupButtonStyle() {
  if (IsInplace()) {
    switch (Style()->LookAndFeel()->Kind()) {
      case lfFlat: return btsFlat;
      case lfUltraFlat: return btsUltraFlat;
      case lfOffice11: return btsOffice11;
      default: return bts3D;
    }
  }
  switch (GetBorderStyle()) {
    case ebsUltraFlat: return btsUltraFlat;
    case ebsOffice11: return btsOffice11;
    case ebsNone: case ebs3D: return bts3D;
    default: return btsFlat;
  }
}

void TvxButtonGroupViewData::CalculateButtonsCaptions(TvxButtonGroupViewInfo* AViewInfo) {
  TvxButtonGroupItems* items = GroupProperties()->Items();
  const Integer n = std::min(items->Count(), AViewInfo->ButtonCount());
  const Integer rows = vxButtonGroupRowCount(n, GroupProperties()->GetColumnCount());
  for (Integer i = 0; i < n; ++i) {
    TvxGroupBoxButtonViewInfo* b = AViewInfo->GroupButtons(i);
    b->Index = i;
    b->Caption = items->Items(i)->Caption();
    b->Column = rows > 0 ? i / rows : 0;
    b->Row = rows > 0 ? i % rows : 0;
  }
}

void TvxButtonGroupViewData::CalculateButtonPositions(TvxCanvas* ACanvas, TvxButtonGroupViewInfo* AViewInfo) {
  const Integer n = AViewInfo->ButtonCount();
  const Integer cols = GroupProperties()->GetColumnCount();
  const Integer rows = vxButtonGroupRowCount(n, cols);
  if (rows <= 0 || cols <= 0) return;
  TvxButtonGroupButtonMetrics m;
  GetButtonMetrics(ACanvas, m);
  const TRect extents = GetClientExtent(ACanvas, AViewInfo);
  for (Integer i = 0; i < n; ++i) {
    TvxGroupBoxButtonViewInfo* b = AViewInfo->GroupButtons(i);
    b->Bounds = vxButtonGroupButtonBounds(Bounds, extents, cols, rows, b->Column, b->Row, m);
    b->VisibleBounds = b->Bounds;
  }
}

void TvxButtonGroupViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                       TvxMouseButton Button, TShiftState Shift, TvxCustomEditViewInfo* AViewInfo,
                                       bool AIsMouseEvent) {
  inherited::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  auto* vi = static_cast<TvxButtonGroupViewInfo*>(AViewInfo);
  vi->CaptionFlags = GetCaptionFlags();
  vi->CaptionExtent = GetCaptionRectExtent();
  TvxCustomButtonGroupProperties* props = GroupProperties();
  const Integer n = props ? props->Items()->Count() : 0;
  vi->SetGroupButtonCount(n);
  if (n == 0) return;
  CalculateButtonsCaptions(vi);
  CalculateButtonPositions(ACanvas, vi);
  const TvxEditButtonStyle style = GroupButtonStyle();
  const TvxEditButtonTransparency transparency = Style()->ButtonTransparency();
  const bool anyButton = Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
  for (Integer i = 0; i < n; ++i) {
    TvxGroupBoxButtonViewInfo* b = vi->GroupButtons(i);
    b->Data.Style = style;
    b->Data.Transparent = transparency == ebtAlways || (transparency == ebtInactive && !Selected);
    const bool over = PtInRect(&b->Bounds, P) != FALSE;
    if (!Enabled || !props->Items()->Items(i)->Enabled())
      b->Data.State = ebsDisabled;
    else if (IsGroupButtonPressed(vi, i) || (over && Shift.Contains(ssLeft)))
      b->Data.State = ebsPressed;
    else if (over && !anyButton && !IsDesigning)
      b->Data.State = ebsSelected;
    else
      b->Data.State = ebsNormal;
    CalculateButtonViewInfo(vi, b);
  }
}

TSize TvxButtonGroupViewData::GetEditConstantPartSize(TvxCanvas* ACanvas,
                                                      const TvxEditSizeProperties& AEditSizeProperties,
                                                      TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo) {
  (void)AViewInfo;
  MinContentSize = TSize{0, 0};
  TvxCustomButtonGroupProperties* props = GroupProperties();
  ACanvas->SetFont(Style()->GetVisibleFont());
  const Integer captionHeight = ACanvas->TextHeight(L"Zg") + GetEditContentSizeCorrection().cy;
  const Integer n = props ? props->Items()->Count() : 0;
  const Integer cols = props ? props->GetColumnCount() : 0;
  TvxButtonGroupButtonMetrics m;
  GetButtonMetrics(ACanvas, m);
  HDC dc = ACanvas->Handle();
  auto Measure = [&](const String& AText, Integer AWidth, bool AWrap) {
    RECT r{0, 0, AWidth, 0};
    DrawTextW(dc, AText.c_str(), -1, &r, DT_CALCRECT | (AWrap ? DT_WORDBREAK : DT_SINGLELINE));
    return TSize{r.right - r.left, r.bottom - r.top};
  };
  if (AEditSizeProperties.Width < 0) {
    Integer widest = 0;
    for (Integer i = 0; i < n; ++i) widest = std::max<Integer>(widest, Measure(props->Items()->Items(i)->Caption(), 0, false).cx);
    return vxButtonGroupNaturalSize(n, cols, widest, captionHeight, m);
  }
  if (n == 0 || cols <= 0) return TSize{0, captionHeight};
  const Integer rows = vxButtonGroupRowCount(n, cols);
  const TRect extents = GetClientExtent(ACanvas, nullptr);
  const Integer captionWidth =
      std::max<Integer>(1, (AEditSizeProperties.Width + m.FitWidthCorrection - extents.left - extents.right -
                            (cols - 1) * m.ColumnSpacing) / cols -
                               m.GlyphWidth - m.TextGap);
  Integer rowHeight = std::max(captionHeight, m.GlyphHeight);
  if (props->WordWrap())
    for (Integer i = 0; i < n; ++i)
      rowHeight = std::max<Integer>(rowHeight, Measure(props->Items()->Items(i)->Caption(), captionWidth, true).cy);
  Integer height = rowHeight * rows;
  if (!IsInplace()) height += extents.top + extents.bottom;
  PaintOptions.Include(epoAutoHeight);
  return TSize{AEditSizeProperties.Width, height};
}

// --- TvxPanelStyle ------------------------------------------------------------------------------

void TvxPanelStyle::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxPanelStyle*>(Source)) {
    FActive = s->FActive;
    FCaptionIndent = s->FCaptionIndent;
    FWordWrap = s->FWordWrap;
    FOfficeBackgroundKind = s->FOfficeBackgroundKind;
    Changed(true);
  } else {
    inherited::Assign(Source);
  }
}

void TvxPanelStyle::Changed(bool AAlways) {
  if (FEdit && (AAlways || FActive)) FEdit->UpdateLayout();
}

void TvxPanelStyle::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  Changed(true);
}

void TvxPanelStyle::SetBorderWidth(Integer Value) {
  if (FBorderWidth == Value) return;
  FBorderWidth = Value;
  Changed();
}

void TvxPanelStyle::SetCaptionIndent(Integer Value) {
  Value = std::max(Value, 2);
  if (FCaptionIndent == Value) return;
  FCaptionIndent = Value;
  Changed();
}

void TvxPanelStyle::SetOfficeBackgroundKind(TvxPanelOffice11BackgroundKind Value) {
  if (FOfficeBackgroundKind == Value) return;
  FOfficeBackgroundKind = Value;
  if (FActive && FEdit && FEdit->Style()->LookAndFeel()->Kind() == lfOffice11) FEdit->UpdateLayout();
}

void TvxPanelStyle::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  Changed();
}

// --- Properties and items -----------------------------------------------------------------------

TClass TvxCustomGroupBoxProperties::GetContainerClass() { return TvxCustomGroupBox::StaticClass(); }

TvxCustomEditViewData* TvxCustomGroupBoxProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* result = new TvxGroupBoxViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomGroupBoxProperties::CreateViewInfo() { return new TvxGroupBoxViewInfo(); }

TvxButtonGroupItem::TvxButtonGroupItem(TCollection* Collection) : TvxCaptionItem(Collection) {
  if (auto* items = dynamic_cast<TvxButtonGroupItems*>(Collection)) items->ReportItemChange(Index(), copAdd);
}

TvxButtonGroupItem::~TvxButtonGroupItem() {
  auto* items = dynamic_cast<TvxButtonGroupItems*>(Collection());
  if (items) {
    const Integer index = Index();
    // Leave the collection first so that the editor sees the new count.
    items->RemoveQuietly(this);
    items->ReportItemChange(index, copDelete);
  }
}

void TvxButtonGroupItem::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxButtonGroupItem*>(Source)) FEnabled = s->FEnabled;
  inherited::Assign(Source);
}

void TvxButtonGroupItem::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  if (auto* items = dynamic_cast<TvxButtonGroupItems*>(Collection())) items->ReportItemChange(Index(), copChanged);
}

TvxButtonGroupItems::TvxButtonGroupItems(TvxCustomButtonGroupProperties* AOwner, TCollectionItemClass AItemClass)
    : TvxCaptionItems(AOwner, AItemClass) {}

TvxButtonGroupItems::~TvxButtonGroupItems() {
  FDestroying = true;
  Clear();
}

TvxCustomButtonGroupProperties* TvxButtonGroupItems::Owner_() const {
  return static_cast<TvxCustomButtonGroupProperties*>(const_cast<TvxButtonGroupItems*>(this)->GetOwner());
}

void TvxButtonGroupItems::ReportItemChange(Integer AIndex, TvxCollectionOperation AOperation) {
  TvxCustomButtonGroupProperties* owner = Owner_();
  if (FDestroying || !owner || owner->ChangedLocked() || UpdateCount() > 0) return;
  FChangedItemIndex = AIndex;
  FChangedItemOperation = AOperation;
  TValueScope<bool> itemChanged(FItemChanged, true);
  owner->Changed();
}

void TvxButtonGroupItems::RemoveQuietly(TCollectionItem* AItem) {
  TValueScope<bool> removing(FRemoving, true);
  AItem->SetCollection(nullptr);
}

void TvxButtonGroupItems::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  if (FDestroying || FRemoving) return;
  if (Item) {
    ReportItemChange(Item->Index(), copChanged);
    return;
  }
  if (TvxCustomButtonGroupProperties* owner = Owner_()) owner->Changed();
}

TvxCustomButtonGroupProperties::TvxCustomButtonGroupProperties(TPersistent* AOwner)
    : TvxCustomGroupBoxProperties(AOwner) {
  FItems = CreateItems();
}

TvxCustomButtonGroupProperties::~TvxCustomButtonGroupProperties() {
  BeginUpdate();
  FItems.reset();
  // The lock is never released: nothing may report changes of a half-freed object.
}

std::unique_ptr<TvxButtonGroupItems> TvxCustomButtonGroupProperties::CreateItems() {
  return std::make_unique<TvxButtonGroupItems>(this, TvxButtonGroupItem::StaticClass());
}

void TvxCustomButtonGroupProperties::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxCustomButtonGroupProperties*>(Source)) {
    BeginUpdate();
    auto unlock = TScopeExit([this] { EndUpdate(); });
    inherited::Assign(Source);
    SetColumns(s->Columns());
    FItems->Assign(s->Items());
    SetWordWrap(s->WordWrap());
  } else {
    inherited::Assign(Source);
  }
}

TClass TvxCustomButtonGroupProperties::GetContainerClass() { return TvxCustomButtonGroup::StaticClass(); }

TvxCustomEditViewData* TvxCustomButtonGroupProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                      bool APreviewMode) {
  auto* result = new TvxButtonGroupViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomButtonGroupProperties::CreateViewInfo() { return new TvxButtonGroupViewInfo(); }

TvxEditSupportedOperations TvxCustomButtonGroupProperties::GetSupportedOperations() {
  TvxEditSupportedOperations r{esoAlwaysHotTrack, esoAutoHeight, esoEditing,     esoFiltering,
                               esoShowingCaption, esoSorting,    esoTransparency};
  if (FItems->Count() > 0) r.Include(esoHotTrack);
  return r;
}

TvxEditSpecialFeatures TvxCustomButtonGroupProperties::GetSpecialFeatures() {
  TvxEditSpecialFeatures r = inherited::GetSpecialFeatures();
  r.Include(esfMinSize);
  return r;
}

TvxCustomEditProperties* TvxCustomButtonGroupProperties::CreatePreviewProperties() {
  auto* p = static_cast<TvxCustomButtonGroupProperties*>(inherited::CreatePreviewProperties());
  for (const wchar_t* caption : {L"A", L"B", L"C"}) p->Items()->Add()->SetCaption(caption);
  p->SetColumns(3);
  return p;
}

Integer TvxCustomButtonGroupProperties::GetColumnCount() {
  return vxButtonGroupColumnCount(FItems->Count(), FColumns);
}

void TvxCustomButtonGroupProperties::SetColumns(Integer Value) {
  SetValue(FColumns, Value <= 0 ? 1 : Value);
}

void TvxCustomButtonGroupProperties::SetWordWrap(bool Value) { SetValue(FWordWrap, Value); }

// --- TvxCustomGroupBox --------------------------------------------------------------------------

TvxCustomGroupBox::~TvxCustomGroupBox() = default;

std::unique_ptr<TvxCustomEditProperties> TvxCustomGroupBox::CreateProperties() {
  return std::make_unique<TvxCustomGroupBoxProperties>(this);
}

std::unique_ptr<TvxPanelStyle> TvxCustomGroupBox::CreatePanelStyle() { return std::make_unique<TvxPanelStyle>(this); }

void TvxCustomGroupBox::Initialize() {
  inherited::Initialize();
  ControlStyle().Include(csAcceptsControls);
  ControlStyle().Include(csCaptureMouse);
  ControlStyle().Include(csClickEvents);
  SetAutoSize(false);
  SetBounds(Left(), Top(), 185, 105);
  FCaptionFont = std::make_unique<TFont>();
  SetTabStop(false);
  FPanelStyle = CreatePanelStyle();
  UpdateCaptionFont();
}

bool TvxCustomGroupBox::DoCustomDrawCaption(TCanvas* ACanvas, const TRect& ARect,
                                            TvxCustomLookAndFeelPainterClass APainter) {
  bool done = false;
  if (OnCustomDrawCaption) OnCustomDrawCaption(this, ACanvas, ARect, APainter, done);
  return done;
}

bool TvxCustomGroupBox::DoCustomDrawContentBackground(TCanvas* ACanvas, const TRect& ARect,
                                                      TvxCustomLookAndFeelPainterClass APainter) {
  bool done = false;
  if (OnCustomDrawContentBackground) OnCustomDrawContentBackground(this, ACanvas, ARect, APainter, done);
  return done;
}

bool TvxCustomGroupBox::IsVerticalCaption() const {
  const TvxGroupBoxCaptionPosition p = vxGroupBoxCaptionPosition(FAlignment);
  return (p == vxgpLeft || p == vxgpRight) && !(FPanelStyle && FPanelStyle->Active());
}

void TvxCustomGroupBox::SetAlignment(TvxCaptionAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  UpdateLayout();
}

void TvxCustomGroupBox::UpdateCaptionFont() {
  if (!FCaptionFont || IsInplace()) return;
  FCaptionFont->Assign(Style()->GetVisibleFont());
  const TvxGroupBoxCaptionPosition p = CaptionPosition();
  const bool vertical = IsVerticalCaption();
  if (vertical) {
    // Only TrueType faces turn; any other face is replaced by one that does.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FCaptionFont->Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    if (!(tm.tmPitchAndFamily & TMPF_TRUETYPE)) FCaptionFont->SetName(L"Arial");
  }
  const Integer escapement = vertical ? (p == vxgpLeft ? 900 : 2700) : 0;
  LOGFONTW lf{};
  GetObjectW(FCaptionFont->Handle(), sizeof lf, &lf);
  if (lf.lfEscapement == escapement && (!vertical || lf.lfOutPrecision == OUT_TT_ONLY_PRECIS)) return;
  lf.lfEscapement = lf.lfOrientation = escapement;
  if (vertical) lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  HFONT f = CreateFontIndirectW(&lf);
  auto release = TScopeExit([f] { DeleteObject(f); });
  FCaptionFont->SetHandle(f);
}

void TvxCustomGroupBox::UpdateVisibleCaption() {
  String text = Caption();
  if (IsVerticalCaption()) {
    // A turned caption cannot underline its accelerator: drop the markers ("&&" keeps one '&').
    String plain;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == L'&') {
        if (i + 1 < text.size() && text[i + 1] == L'&') plain += L'&', ++i;
        continue;
      }
      plain += text[i];
    }
    text = plain;
  }
  if (text == FVisibleCaption) return;
  FVisibleCaption = text;
  if (HandleAllocated() && IsNonClientCaptionSupported())
    PostMessageW(Handle(), WM_VDUPDATENONCLIENTAREA, 0, 0);
}

void TvxCustomGroupBox::UpdateLayout() {
  if (!FCaptionFont) return;
  UpdateCaptionFont();
  UpdateVisibleCaption();
  ShortRefreshContainer(false);
  if (HandleAllocated() && IsNonClientCaptionSupported()) PostMessageW(Handle(), WM_VDUPDATENONCLIENTAREA, 0, 0);
  Realign();
  Invalidate();
}

void TvxCustomGroupBox::TextChanged() {
  inherited::TextChanged();
  UpdateVisibleCaption();
  ShortRefreshContainer(false);
  Invalidate();
}

void TvxCustomGroupBox::CMFontChanged(TMessage& Message) {
  InheritedMessage(Message);
  UpdateLayout();
}

void TvxCustomGroupBox::CMDialogChar(TCMDialogChar& Message) {
  // The caption's accelerator moves the focus to the first child that takes it.
  const wchar_t hotkey = GetHotkey(Caption());
  if (hotkey != 0 && hotkey == towupper(static_cast<wchar_t>(Message.CharCode())) && CanFocus()) {
    TValueScope<bool> handling(FIsAccelCharHandling, true);
    for (Integer i = 0; i < ControlCount(); ++i)
      if (auto* child = dynamic_cast<TWinControl*>(Controls(i)); child && child->CanFocus()) {
        child->SetFocus();
        break;
      }
    Message.Result = 1;
    return;
  }
  InheritedMessage(Message);
}

void TvxCustomGroupBox::WndProc(TMessage& Message) {
  if (WM_VDUPDATENONCLIENTAREA != 0 && Message.Msg == WM_VDUPDATENONCLIENTAREA && IsNonClientCaptionSupported()) {
    if (HandleAllocated()) {
      SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    Realign();
    Message.Result = 0;
    return;
  }
  inherited::WndProc(Message);
}

const TMessageMap* TvxCustomGroupBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_FONTCHANGED, MessageHandler<&TvxCustomGroupBox::CMFontChanged>},
      {CM_DIALOGCHAR, MessageHandler<&TvxCustomGroupBox::CMDialogChar>},
      {WM_NCCALCSIZE, MessageHandler<&TvxCustomGroupBox::WMNCCalcSize>},
      {WM_NCPAINT, MessageHandler<&TvxCustomGroupBox::WMNCPaint>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

Integer TvxCustomGroupBox::CaptionLineHeight(const wchar_t* ASample) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FCaptionFont->Handle());
  SIZE sz{};
  GetTextExtentPoint32W(dc, ASample, static_cast<int>(wcslen(ASample)), &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return sz.cy;
}

bool TvxCustomGroupBox::HasShadow() {
  const TvxGroupBoxCaptionPosition p = CaptionPosition();
  return inherited::HasShadow() && ((FPanelStyle && FPanelStyle->Active()) || p == vxgpTop || p == vxgpLeft) &&
         !IsNativeStyle() && !Style()->LookAndFeel()->SkinPainter();
}

void TvxCustomGroupBox::AdjustClientRect(RECT& Rect) {
  const bool nonClient = FCaptionFont && !IsDestroying() && HasNonClientCaption();
  // A skin's caption strip lies outside the client area, which is then smaller than the window.
  Rect = nonClient ? RECT{0, 0, ClientWidth(), ClientHeight()} : RECT{0, 0, Width(), Height()};
  if (!FCaptionFont || IsDestroying()) return;
  TRect e{};
  GetBorderExtent(e);
  const Integer S = ShadowWidth();
  const bool panel = FPanelStyle->Active();
  if (TvxCustomLookAndFeelPainterClass skin = SkinPainter(); skin && !IsInplace()) {
    const TRect b = panel ? skin->PanelBorderSize() : skin->GroupBoxBorderSize(false, CaptionPosition());
    e.left += b.left, e.top += b.top, e.right += b.right, e.bottom += b.bottom;
  }
  if (!IsInplace() && !panel && !nonClient && FAlignment != alCenterCenter) {
    const Integer H = CaptionLineHeight(L"Wg");
    switch (CaptionPosition()) {
      case vxgpTop: e.top = H + e.top + 3; break;
      case vxgpBottom: e.bottom = H + e.top + 3; break;
      case vxgpLeft: e.left = H + e.top + 3; break;
      case vxgpRight: e.right = H + e.top + 3; break;
      default: break;
    }
  }
  Rect.left += e.left;
  Rect.top += e.top;
  Rect.right -= e.right + S;
  Rect.bottom -= e.bottom + S;
  if (panel) {
    const Integer bw = FPanelStyle->BorderWidth();
    Rect.left += bw, Rect.top += bw, Rect.right -= bw, Rect.bottom -= bw;
  }
}

TRect TvxCustomGroupBox::CaptionRect() {
  if (FPanelStyle->Active() || FVisibleCaption.empty()) return FCaptionRect = TRect{};
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FCaptionFont->Handle());
  SIZE sz{};
  GetTextExtentPoint32W(dc, FVisibleCaption.c_str(), static_cast<int>(FVisibleCaption.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return FCaptionRect = vxGroupBoxCaptionRect(FAlignment, TSize{sz.cx, sz.cy}, Width(), Height(), ShadowWidth());
}

TRect TvxCustomGroupBox::FrameRect() {
  const Integer S = ShadowWidth();
  TRect R{0, 0, Width() - S, Height() - S};
  if (FPanelStyle->Active() || FAlignment == alCenterCenter) return R;
  const Integer half = CaptionLineHeight(L"Qq") / 2;
  switch (CaptionPosition()) {
    case vxgpTop: R.top += half; break;
    case vxgpBottom: R.bottom -= half; break;
    case vxgpLeft: R.left += half; break;
    case vxgpRight: R.right -= half; break;
    default: break;
  }
  return R;
}

namespace {

constexpr int CGroupBoxPart = 4;  // BP_GROUPBOX of the button theme

// The button theme when the group box paints in the native style, else nullptr.
HTHEME GroupBoxTheme(bool ANative) { return ANative ? vdOpenThemeByType(totButton) : nullptr; }

int GroupBoxThemeState(bool AEnabled) { return AEnabled ? 1 : 2; }  // GBS_NORMAL, GBS_DISABLED

}  // namespace

void TvxCustomGroupBox::DrawFrame(TCanvas* C, const TRect& AFrame) {
  HDC dc = C->Handle();
  const TvxContainerBorderStyle bs = Style()->BorderStyle();
  const bool enabled = Enabled();
  if (HTHEME theme = GroupBoxTheme(IsNativeStyle()); theme && bs != cbsNone) {
    RECT r{AFrame.left, AFrame.top, AFrame.right, AFrame.bottom};
    vdUxTheme::DrawThemeBackground(theme, dc, CGroupBoxPart, GroupBoxThemeState(enabled), &r, nullptr);
    return;
  }
  auto Frame = [&](const TRect& R, TColor AColor, Integer AWidth) {
    HBRUSH b = CreateSolidBrush(ColorToRGB(AColor));
    auto release = TScopeExit([b] { DeleteObject(b); });
    RECT r{R.left, R.top, R.right, R.bottom};
    for (Integer i = 0; i < AWidth; ++i) {
      ::FrameRect(dc, &r, b);
      InflateRect(&r, -1, -1);
    }
  };
  const TColor border = ComputeBorderColor();
  TRect R = AFrame;
  TvxCanvas vc(C);
  switch (bs) {
    case cbsNone: break;
    case cbsSingle: Frame(R, border, 1); break;
    case cbsThick: Frame(R, border, 2); break;
    case cbsFlat: TvxFlatLookAndFeelPainter::Instance()->DrawGroupBoxFrame(&vc, R, enabled, CaptionPosition(), vxBordersAll); break;
    default: TvxStandardLookAndFeelPainter::Instance()->DrawGroupBoxFrame(&vc, R, enabled, CaptionPosition(), vxBordersAll); break;
  }
}

void TvxCustomGroupBox::DrawPanelCaption(TCanvas* C) {
  // The caption inside the content rectangle, indented from the sides it is aligned to.
  const Integer S = ShadowWidth();
  TRect R{0, 0, Width() - S, Height() - S};
  const Integer bw = vxContainerBorderWidth(Style()->BorderStyle());
  R.left += bw, R.top += bw, R.right -= bw, R.bottom -= bw;
  const TvxCaptionAlignment a = FAlignment;
  const bool hCenter = a == alTopCenter || a == alBottomCenter || a == alCenterCenter;
  const bool vCenter = a == alLeftCenter || a == alRightCenter || a == alCenterCenter;
  const Integer hIndent = hCenter ? 2 : FPanelStyle->CaptionIndent();
  const Integer vIndent = vCenter ? 2 : FPanelStyle->CaptionIndent();
  const bool leftSide = a == alTopLeft || a == alBottomLeft || a == alLeftTop || a == alLeftCenter || a == alLeftBottom;
  const bool rightSide =
      a == alTopRight || a == alBottomRight || a == alRightTop || a == alRightCenter || a == alRightBottom;
  const bool topSide = a == alTopLeft || a == alTopCenter || a == alTopRight || a == alLeftTop || a == alRightTop;
  const bool bottomSide =
      a == alBottomLeft || a == alBottomCenter || a == alBottomRight || a == alLeftBottom || a == alRightBottom;
  if (leftSide) R.left += hIndent;
  if (rightSide) R.right -= hIndent;
  if (topSide) R.top += vIndent;
  if (bottomSide) R.bottom -= vIndent;
  UINT flags = hCenter ? DT_CENTER : rightSide ? DT_RIGHT : DT_LEFT;
  flags |= vCenter ? DT_VCENTER : bottomSide ? DT_BOTTOM : DT_TOP;
  flags |= FPanelStyle->WordWrap() ? DT_WORDBREAK : DT_SINGLELINE;
  RECT r{R.left, R.top, R.right, R.bottom};
  HDC dc = C->Handle();
  HGDIOBJ old = SelectObject(dc, FCaptionFont->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Style()->TextColor() == clDefault ? clBtnText : Style()->TextColor()));
  if (FPanelStyle->WordWrap() && (flags & (DT_VCENTER | DT_BOTTOM))) {
    // DrawText centres only single lines: place the measured block by hand.
    RECT m = r;
    DrawTextW(dc, FVisibleCaption.c_str(), -1, &m, flags | DT_CALCRECT);
    const Integer h = m.bottom - m.top;
    if (flags & DT_VCENTER) r.top += (r.bottom - r.top - h) / 2;
    else r.top = r.bottom - h;
  }
  FCaptionRect = TRect{r.left, r.top, r.right, r.bottom};
  IntersectClipRect(dc, R.left, R.top, R.right, R.bottom);
  DrawTextW(dc, FVisibleCaption.c_str(), -1, &r, flags);
  SelectClipRgn(dc, nullptr);
  SelectObject(dc, old);
}

void TvxCustomGroupBox::Paint() {
  bool done = false;
  if (OnCustomDraw) OnCustomDraw(this, done);
  if (done) return;
  TvxCanvas* vc = Canvas();
  TCanvas* C = vc->Canvas();
  if (TvxCustomLookAndFeelPainterClass skin = SkinPainter()) {
    PaintSkinned(vc, skin);
    PaintButtons(C);
    return;
  }
  HDC dc = C->Handle();
  const Integer S = ShadowWidth();
  const TRect bounds{0, 0, Width() - S, Height() - S};
  // Background: the shadow, then the parent's background or the style colour.
  if (S > 0) {
    vc->FillRect(TRect{bounds.right, S, Width(), Height()}, clBtnShadow);
    vc->FillRect(TRect{S, bounds.bottom, Width(), Height()}, clBtnShadow);
    vc->FillRect(TRect{bounds.right, 0, Width(), S}, ComputeBackgroundColor());
    vc->FillRect(TRect{0, bounds.bottom, S, Height()}, ComputeBackgroundColor());
  }
  HTHEME theme = GroupBoxTheme(IsNativeStyle());
  if (!DoCustomDrawContentBackground(C, bounds, nullptr)) DrawContentBackground(vc, bounds);
  // Caption.
  if (FPanelStyle->Active()) {
    if (!DoCustomDrawCaption(C, bounds, nullptr)) DrawPanelCaption(C);
  } else {
    const TRect cr = CaptionRect();
    if (!FVisibleCaption.empty() && !DoCustomDrawCaption(C, cr, nullptr)) {
      HGDIOBJ old = SelectObject(dc, FCaptionFont->Handle());
      SetBkMode(dc, TRANSPARENT);
      TColor tc = Style()->TextColor();
      if (tc == clDefault || tc == clWindowText) tc = clBtnText;
      COLORREF text = ColorToRGB(Enabled() ? tc : clGrayText);
      // The theme's caption colour, unless the style gives one of its own.
      COLORREF themed;
      if (theme && Style()->TextColor() == clDefault &&
          SUCCEEDED(vdUxTheme::GetThemeColor(theme, CGroupBoxPart, GroupBoxThemeState(Enabled()), 3803, &themed)))
        text = themed;  // TMT_TEXTCOLOR
      SetTextColor(dc, text);
      IntersectClipRect(dc, cr.left, cr.top, cr.right, cr.bottom);
      const TvxGroupBoxCaptionPosition p = CaptionPosition();
      if (p == vxgpLeft)
        TextOutW(dc, cr.left, cr.bottom - 1, FVisibleCaption.c_str(), static_cast<int>(FVisibleCaption.size()));
      else if (p == vxgpRight)
        TextOutW(dc, cr.right, cr.top + 1, FVisibleCaption.c_str(), static_cast<int>(FVisibleCaption.size()));
      else {
        RECT r{cr.left, cr.top, cr.right, cr.bottom};
        DrawTextW(dc, FVisibleCaption.c_str(), -1, &r, DT_SINGLELINE | DT_NOCLIP);
      }
      SelectClipRgn(dc, nullptr);
      SelectObject(dc, old);
    }
    // Frame, with the caption cut out of it.
    const int saved = SaveDC(dc);
    if (!FVisibleCaption.empty()) ExcludeClipRect(dc, cr.left, cr.top, cr.right, cr.bottom);
    DrawFrame(C, FrameRect());
    RestoreDC(dc, saved);
  }
  if (FPanelStyle->Active()) DrawFrame(C, bounds);
  PaintButtons(C);
}

void TvxCustomGroupBox::DrawContentBackground(TvxCanvas* ACanvas, const TRect& ABounds) {
  if (Transparent()) {
    vxDrawTransparentControlBackground(this, ACanvas, ABounds);
    return;
  }
  if (FPanelStyle->Active() && Style()->LookAndFeel()->Kind() == lfOffice11) {
    // The Office 2003 panel: its gradient, the blend of the gradient's two colours, or the
    // style's colour.
    switch (FPanelStyle->OfficeBackgroundKind()) {
      case pobkGradient:
        vdFillGradientRect(ACanvas->Handle(), ABounds, vdOffice11GradientColor1, vdOffice11GradientColor2, false);
        return;
      case pobkOffice11Color: {
        const COLORREF a = ColorToRGB(vdOffice11GradientColor1), b = ColorToRGB(vdOffice11GradientColor2);
        ACanvas->FillRect(ABounds, static_cast<TColor>(RGB((GetRValue(a) + GetRValue(b)) / 2,
                                                            (GetGValue(a) + GetGValue(b)) / 2,
                                                            (GetBValue(a) + GetBValue(b)) / 2)));
        return;
      }
      default: break;
    }
  }
  ACanvas->FillRect(ABounds, ComputeBackgroundColor());
}

// --- Skin painting ------------------------------------------------------------------------------

TvxCustomLookAndFeelPainterClass TvxCustomGroupBox::SkinPainter() {
  TvxContainerStyle* style = Style();
  return style && style->LookAndFeel() ? style->LookAndFeel()->SkinPainter() : nullptr;
}

bool TvxCustomGroupBox::HasNonClientCaption() {
  return FPanelStyle && FCaptionFont && !FPanelStyle->Active() && IsNonClientCaptionSupported() && SkinPainter() &&
         !FVisibleCaption.empty() && FAlignment != alCenterCenter;
}

Integer TvxCustomGroupBox::SkinCaptionDepth() {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FCaptionFont->Handle());
  SIZE sz{};
  GetTextExtentPoint32W(dc, FVisibleCaption.c_str(), static_cast<int>(FVisibleCaption.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  Integer depth = std::max<Integer>(sz.cy, CaptionLineHeight(L"Qq"));
  if (OnMeasureCaptionHeight) OnMeasureCaptionHeight(this, SkinPainter(), depth);
  return std::max<Integer>(depth, 0);
}

TRect TvxCustomGroupBox::NonClientCaptionRect() {
  const Integer W = Width(), H = Height(), d = SkinCaptionDepth();
  switch (CaptionPosition()) {
    case vxgpBottom: return TRect{0, H - d, W, H};
    case vxgpLeft: return TRect{0, 0, d, H};
    case vxgpRight: return TRect{W - d, 0, W, H};
    default: return TRect{0, 0, W, d};
  }
}

void TvxCustomGroupBox::DrawSkinCaptionText(TvxCanvas* ACanvas, const TRect& ARect,
                                            TvxCustomLookAndFeelPainterClass ASkin) {
  const TvxGroupBoxCaptionPosition p = CaptionPosition();
  const TRect b = ASkin->GroupBoxBorderSize(true, p);
  const TRect inner{ARect.left + b.left, ARect.top + b.top, ARect.right - b.right, ARect.bottom - b.bottom};
  HDC dc = ACanvas->Handle();
  const int saved = SaveDC(dc);
  auto restore = TScopeExit([dc, saved] { RestoreDC(dc, saved); });
  SelectObject(dc, FCaptionFont->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(ASkin->GroupBoxTextColor(Enabled(), p)));
  IntersectClipRect(dc, ARect.left, ARect.top, ARect.right, ARect.bottom);
  SIZE sz{};
  GetTextExtentPoint32W(dc, FVisibleCaption.c_str(), static_cast<int>(FVisibleCaption.size()), &sz);
  // Where along its side the caption goes: the start, the middle or the end.
  const TvxCaptionAlignment a = FAlignment;
  const int part = (a == alTopLeft || a == alBottomLeft || a == alLeftTop || a == alRightTop)         ? 0
                   : (a == alTopCenter || a == alBottomCenter || a == alLeftCenter || a == alRightCenter) ? 1
                                                                                                        : 2;
  auto Place = [&](Integer AFrom, Integer ATo, Integer ALength) {
    return part == 0 ? AFrom : part == 1 ? (AFrom + ATo - ALength) / 2 : ATo - ALength;
  };
  const int n = static_cast<int>(FVisibleCaption.size());
  if (p == vxgpLeft) {
    // Turned upwards: drawn from its lower end.
    TextOutW(dc, (inner.left + inner.right - sz.cy) / 2, Place(inner.top, inner.bottom, sz.cx) + sz.cx,
             FVisibleCaption.c_str(), n);
  } else if (p == vxgpRight) {
    // Turned downwards: drawn from its upper end, on the right.
    TextOutW(dc, (inner.left + inner.right + sz.cy) / 2, Place(inner.top, inner.bottom, sz.cx),
             FVisibleCaption.c_str(), n);
  } else {
    TextOutW(dc, Place(inner.left, inner.right, sz.cx), (inner.top + inner.bottom - sz.cy) / 2,
             FVisibleCaption.c_str(), n);
  }
}

void TvxCustomGroupBox::PaintSkinned(TvxCanvas* ACanvas, TvxCustomLookAndFeelPainterClass ASkin) {
  TCanvas* C = ACanvas->Canvas();
  const TRect bounds{0, 0, ClientWidth(), ClientHeight()};
  const TvxGroupBoxCaptionPosition p = CaptionPosition();
  const TvxGroupBoxCaptionPosition contentPosition = FVisibleCaption.empty() ? vxgpCenter : p;
  if (!DoCustomDrawContentBackground(C, bounds, ASkin)) {
    TRect r = bounds;
    if (FPanelStyle->Active()) {
      ASkin->DrawPanelContent(ACanvas, r, true);
    } else if (Style()->BorderStyle() != cbsNone) {
      if (ASkin->IsGroupBoxTransparent(false, contentPosition) || ASkin->IsGroupBoxTransparent(true, p))
        vxDrawTransparentControlBackground(this, ACanvas, bounds);
      ASkin->DrawGroupBoxContent(ACanvas, r, contentPosition, vxBordersAll);
    } else {
      TRect r2 = bounds;
      ASkin->DrawGroupBoxBackground(ACanvas, r, r2);
    }
  }
  if (FPanelStyle->Active()) {
    if (!DoCustomDrawCaption(C, bounds, ASkin)) DrawPanelCaption(C);
    return;
  }
  // A caption the skin does not draw outside the client area is drawn inside it.
  if (FVisibleCaption.empty() || HasNonClientCaption()) return;
  TRect cr = CaptionRect();
  if (Style()->BorderStyle() == cbsNone) {
    static constexpr TvxGroupBoxCaptionPosition Opposite[] = {vxgpBottom, vxgpTop, vxgpRight, vxgpLeft, vxgpCenter};
    const TRect grow = ASkin->GroupBoxBorderSize(false, Opposite[p]);
    cr.left -= grow.left, cr.top -= grow.top, cr.right += grow.right, cr.bottom += grow.bottom;
  }
  if (DoCustomDrawCaption(C, cr, ASkin)) return;
  ASkin->DrawGroupBoxCaption(ACanvas, cr, p);
  DrawSkinCaptionText(ACanvas, cr, ASkin);
}

void TvxCustomGroupBox::WMNCCalcSize(TMessage& Message) {
  InheritedMessage(Message);
  if (!HasNonClientCaption() || Message.LParam == 0) return;
  // The first rectangle of either form of the message is the proposed client area.
  RECT* r = reinterpret_cast<RECT*>(Message.LParam);
  const Integer d = SkinCaptionDepth();
  switch (CaptionPosition()) {
    case vxgpTop: r->top = std::min<LONG>(r->top + d, r->bottom); break;
    case vxgpBottom: r->bottom = std::max<LONG>(r->bottom - d, r->top); break;
    case vxgpLeft: r->left = std::min<LONG>(r->left + d, r->right); break;
    case vxgpRight: r->right = std::max<LONG>(r->right - d, r->left); break;
    default: break;
  }
}

void TvxCustomGroupBox::WMNCPaint(TMessage& Message) {
  InheritedMessage(Message);
  TvxCustomLookAndFeelPainterClass skin = SkinPainter();
  if (!HasNonClientCaption() || !HandleAllocated()) return;
  HDC dc = GetWindowDC(Handle());
  if (!dc) return;
  auto release = TScopeExit([this, dc] { ReleaseDC(Handle(), dc); });
  const int saved = SaveDC(dc);
  auto restore = TScopeExit([dc, saved] { RestoreDC(dc, saved); });
  TCanvas canvas;
  canvas.SetHandle(dc);
  auto detach = TScopeExit([&canvas] { canvas.SetHandle(nullptr); });
  TvxCanvas vc(&canvas);
  TRect r = NonClientCaptionRect();
  IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  if (DoCustomDrawCaption(&canvas, r, skin)) return;
  skin->DrawGroupBoxCaption(&vc, r, CaptionPosition());
  DrawSkinCaptionText(&vc, r, skin);
  Message.Result = 0;
}

void TvxCustomGroupBox::ContainerStyleChanged(TObject* Sender) {
  inherited::ContainerStyleChanged(Sender);
  // A skin set or taken away moves the caption into or out of the non-client area.
  if (FCaptionFont && HandleAllocated() && IsNonClientCaptionSupported())
    PostMessageW(Handle(), WM_VDUPDATENONCLIENTAREA, 0, 0);
}

void TvxCustomGroupBox::Resize() {
  inherited::Resize();
  if (HandleAllocated() && HasNonClientCaption()) RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

// --- TvxCustomButtonGroup -----------------------------------------------------------------------

TvxCustomButtonGroup::~TvxCustomButtonGroup() { SyncButtonCount(0); }

void TvxCustomButtonGroup::Initialize() {
  inherited::Initialize();
  SetTabStop(true);
}

void TvxCustomButtonGroup::AddButton(TWinControl* AButton, Integer AIndex) {
  if (AIndex < 0 || AIndex > ButtonCount()) FButtons.push_back(AButton);
  else FButtons.insert(FButtons.begin() + AIndex, AButton);
}

void TvxCustomButtonGroup::RemoveButton(TWinControl* AButton) {
  auto it = std::find(FButtons.begin(), FButtons.end(), AButton);
  if (it != FButtons.end()) FButtons.erase(it);
}

void TvxCustomButtonGroup::InitButton(TWinControl* AButton) {
  AButton->SetParentShowHint(false);
  AButton->SetParent(this);
}

void TvxCustomButtonGroup::SyncButtonCount(Integer ACount) {
  TValueScope<bool> syncing(FSyncing, true);
  DisableAlign();
  auto realign = TScopeExit([this] { EnableAlign(); });
  TvxButtonGroupItems* items = Properties() ? Properties()->Items() : nullptr;
  if (items && items->ItemChanged() && ACount == items->Count()) {
    const Integer i = items->ChangedItemIndex();
    if (items->ChangedItemOperation() == copAdd && ButtonCount() + 1 == ACount) {
      TWinControl* b = CreateButton();
      RemoveButton(b);
      AddButton(b, i);
      InitButton(b);
      return;
    }
    if (items->ChangedItemOperation() == copDelete && ButtonCount() - 1 == ACount && i >= 0 && i < ButtonCount()) {
      TWinControl* b = FButtons[i];
      FButtons.erase(FButtons.begin() + i);
      delete b;
      return;
    }
  }
  while (ButtonCount() < ACount) {
    TWinControl* b = CreateButton();
    RemoveButton(b);
    AddButton(b);
    InitButton(b);
  }
  while (ButtonCount() > ACount) {
    TWinControl* b = FButtons.back();
    FButtons.pop_back();
    delete b;
  }
}

void TvxCustomButtonGroup::UpdateButtonColors() {
  const TColor c = ComputeBackgroundColor();
  for (TWinControl* b : FButtons) b->SetColor(c);
}

Integer TvxCustomButtonGroup::ColumnCount() {
  return Properties() ? Properties()->GetColumnCount() : 0;
}

Integer TvxCustomButtonGroup::RowCount() {
  return Properties() ? vxButtonGroupRowCount(Properties()->Items()->Count(), ColumnCount()) : 0;
}

TvxButtonGroupButtonMetrics TvxCustomButtonGroup::GetButtonMetrics() {
  TvxButtonGroupButtonMetrics m;
  m.TextGap = 3;
  m.FitWidthCorrection = -6;
  m.ColumnExtra = 7;
  m.TotalExtra = 6;
  m.ButtonsLeft = 6;
  m.LayoutWidthCorrection = -6;
  m.ColumnSpacing = 0;
  return m;
}

TRect TvxCustomButtonGroup::ButtonBounds(Integer Index) {
  const Integer rows = RowCount(), cols = ColumnCount();
  if (rows <= 0 || Index < 0) return TRect{};
  RECT client{};
  AdjustClientRect(client);
  const TRect extents{client.left, client.top, Width() - client.right, Height() - client.bottom};
  return vxButtonGroupButtonBounds(TRect{0, 0, Width(), Height()}, extents, cols, rows, Index / rows, Index % rows,
                                   GetButtonMetrics());
}

void TvxCustomButtonGroup::UpdateButtonBounds() {
  for (Integer i = 0; i < ButtonCount(); ++i) {
    const TRect r = ButtonBounds(i);
    FButtons[i]->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
}

void TvxCustomButtonGroup::UpdateButtons() {
  if (!Properties()) return;
  TvxButtonGroupItems* items = Properties()->Items();
  SyncButtonCount(items->Count());
  ShortRefreshContainer(false);
  for (Integer i = 0; i < ButtonCount(); ++i) {
    FButtons[i]->SetEnabled(Enabled() && items->Items(i)->Enabled());
    SetButtonCaption(FButtons[i], items->Items(i)->Caption());
  }
  UpdateButtonColors();
  for (TWinControl* b : FButtons) b->SetCursor(Cursor());
  UpdateButtonBounds();
}

void TvxCustomButtonGroup::PropertiesChanged(TObject* Sender) {
  inherited::PropertiesChanged(Sender);
  if (!ComponentState().Contains(csReading)) UpdateButtons();
}

void TvxCustomButtonGroup::Loaded() {
  inherited::Loaded();
  UpdateButtons();
}

void TvxCustomButtonGroup::CreateWnd() {
  inherited::CreateWnd();
  UpdateButtons();
}

void TvxCustomButtonGroup::Resize() {
  inherited::Resize();
  UpdateButtonBounds();
}

bool TvxCustomButtonGroup::MoveFocusByKey(Integer AFrom, Word AKey) {
  const Integer R = RowCount(), N = ButtonCount();
  if (R <= 0 || AFrom < 0 || AFrom >= N) return false;
  const Integer col = AFrom / R, row = AFrom % R;
  const Integer rowsInCol = std::min(R, N - col * R);
  Integer target = -1;
  switch (AKey) {
    case VK_LEFT: if (col > 0) target = AFrom - R; break;
    case VK_RIGHT: if (AFrom + R < N) target = AFrom + R; break;
    case VK_UP: if (row > 0) target = AFrom - 1; break;
    case VK_DOWN: if (row < rowsInCol - 1) target = AFrom + 1; break;
    default: break;
  }
  if (target < 0) return false;
  if (FButtons[target]->CanFocus()) FButtons[target]->SetFocus();
  return true;
}

// --- Unit ---------------------------------------------------------------------------------------

namespace {
void InitGroupBox() { WM_VDUPDATENONCLIENTAREA = RegisterWindowMessageW(L"WM_VDUPDATENONCLIENTAREA"); }
void FinGroupBox() {}
}  // namespace

const TUnitInfo vxGroupBoxUnit = {L"vxGroupBox", InitGroupBox, FinGroupBox};
