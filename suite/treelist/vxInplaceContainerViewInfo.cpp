#include "vxInplaceContainer.h"

#include <algorithm>

#include "Forms.h"
#include "vxControls.h"
#include "vxEditDataRegisteredRepositoryItems.h"

// --- View info items -------------------------------------------------------------------------

void TvxCustomViewInfoItem::TakeCanvasColors(TvxCanvas* ACanvas) {
  ItemViewParams.Color = ACanvas->Brush()->Color();
  ItemViewParams.TextColor = ACanvas->Font()->Color();
}

void TvxCustomViewInfoItem::ApplyViewParams(TvxCanvas* ACanvas) { ACanvas->SetParams(ItemViewParams); }

void TvxCustomViewInfoItem::SetBoundsInClient(const TRect& ABounds) {
  TvxEditingControl* c = GetControl();
  CalculateBounds(ABounds, c && c->ViewInfo() ? c->ViewInfo()->ClientRect() : ABounds);
}

void TvxCustomViewInfoItem::DoDraw(TvxCanvas* ACanvas) {
  if (!Transparent) ACanvas->FillRect(ClipRect, ItemViewParams);
}

bool TvxCustomViewInfoItem::HasBackgroundBitmap() {
  return ItemViewParams.Bitmap && !ItemViewParams.Bitmap->Empty();
}

TvxCustomControlPainter* TvxCustomViewInfoItem::Painter() {
  TvxEditingControl* c = GetControl();
  return c && c->ViewInfo() ? c->ViewInfo()->Painter() : nullptr;
}

void TvxCustomViewInfoItem::Draw(TvxCanvas* ACanvas) {
  CheckVisibleInfo();
  TValueScope<TvxCanvas*> canvas(ControlCanvas, ACanvas);
  DoDraw(ACanvas);
}

void TvxCustomViewInfoItem::Invalidate(bool ARecalculate) {
  if (ARecalculate) CalculateVisibleInfo();
  if (ItemVisible)
    if (TvxEditingControl* c = GetControl()) c->InvalidateArea(ClipRect, false);
}

bool TvxCustomViewInfoItem::DrawBackgroundBitmap(TvxCanvas* ACanvas, const TRect& R) {
  if (HasBackgroundBitmap() && !Transparent) {
    ACanvas->FillRect(R, ItemViewParams.Bitmap);
    return true;
  }
  return Transparent;
}

void TvxCustomViewInfoItem::ExcludeFromClipping(TvxCanvas* ACanvas) {
  if (ItemVisible) ACanvas->ExcludeClipRect(ClipRect);
}

void TvxCustomControlCells::BeforePaint() {
  for (TvxCustomViewInfoItem* i : FItems) i->CheckVisibleInfo();
}

bool TvxCustomControlCells::CalculateHitTest(TObject* AHitTest) {
  for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
    if ((*it)->GetHitTest(AHitTest)) return true;
  return false;
}

void TvxCustomControlCells::Clear() {
  std::vector<TvxCustomViewInfoItem*> items;
  items.swap(FItems);
  if (FOwnsObjects)
    for (TvxCustomViewInfoItem* i : items)
      if (!i->IsExternallyOwned()) delete i;
  items.shrink_to_fit();
}

void TvxCustomControlCells::ExcludeFromClipping(TvxCanvas* ACanvas) {
  for (TvxCustomViewInfoItem* i : FItems) i->ExcludeFromClipping(ACanvas);
}

void TvxCustomControlCells::Paint(TvxCanvas* ACanvas, const TvxCellsPaintHandler& AHandler) {
  for (TvxCustomViewInfoItem* i : FItems) {
    i->CheckVisibleInfo();
    if (!i->Visible() || !ACanvas->RectVisible(i->ClipRect)) continue;
    bool clip = i->HasClipping();
    if (clip) {
      ACanvas->SaveClipRegion();
      ACanvas->IntersectClipRect(i->ClipRect);
    }
    TScopeExit restore([ACanvas, clip] {
      if (clip) ACanvas->RestoreClipRegion();
    });
    i->ApplyViewParams(ACanvas);
    bool done = false;
    if (AHandler) AHandler(ACanvas, i, done);
    if (!done) {
      i->TakeCanvasColors(ACanvas);
      i->Draw(ACanvas);
    }
  }
}

// --- Edit cells --------------------------------------------------------------------------------

TvxEditCellViewInfo::~TvxEditCellViewInfo() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  TvxEditingControl* c = item ? item->EditingControl() : nullptr;
  if (c && c->Controller() && !item->ComponentState().Contains(csDestroying))
    c->Controller()->HitTestController()->CellRemoved(this);
}

void TvxEditCellViewInfo::GetHintOrigin(TPoint& P) {
  P = ViewInfo ? TPoint{ViewInfo->Left, ViewInfo->Top} : TPoint{DisplayRect.left, DisplayRect.top};
}

bool TvxEditCellViewInfo::CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor,
                                        TRect& AHintRect, bool AIsMultiLine, String& AText) {
  AShowBelowCursor = false;
  if (!ItemVisible || !ViewInfo) return false;
  TvxEditingControl* c = GetControl();
  TRect client = c ? c->ClientBounds() : TRect{};
  return ViewInfo->NeedShowHint(ACanvas, P, AHintRect, AIsMultiLine, AText, client);
}

void TvxEditCellViewInfo::UpdateHotTrackState(const TPoint& P) {
  if (!IsHotTrackable() || !ViewInfo || !ViewData) return;
  std::unique_ptr<TvxCustomEditViewInfo> prev(Properties->CreateViewInfo());
  prev->Assign(ViewInfo.get());
  vxLoadEditStyleFromCell(this);
  GetContentOffsets(ViewData->ContentOffset);
  TPoint offset;
  GetEditOffset(offset);
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  TPoint mp = P.x == -1 && P.y == -1 ? P : TPoint{P.x - offset.x, P.y - offset.y};
  ViewData->CalculateEx(item->GetControlCanvas(), CellContentRect, mp, vxmbNone, TShiftState(), ViewInfo.get(), false);
  TvxEditingControl* c = GetControl();
  if (!c || c->DragAndDropState() != ddsNone) return;
  if (ViewInfo->Repaint(c, prev.get())) {
    bool unbufferedInPlace = !c->BufferedPaint() && offset.x == 0 && offset.y == 0;
    if (!unbufferedInPlace) {
      TRect r = CellContentRect;
      OffsetRect(&r, offset.x, offset.y);
      c->InvalidateArea(r, false);
    }
  }
}

bool TvxEditCellViewInfo::AdjustHeight(Integer AOld, Integer ANew) {
  CellHeight = ANew;
  return AOld != ANew;
}

TvxEditButtonTransparency TvxEditCellViewInfo::GetButtonTransparency() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  switch (item->Options()->ShowEditButtons()) {
    case eisbAlways:
      return ebtNone;
    case eisbNever:
      return ebtHideInactive;
    default:
      break;
  }
  TvxEditingControl* c = GetControl();
  IvxEditingControlOptions* o = c ? c->GetOptions() : nullptr;
  switch (o ? o->GetOptionsView()->ShowEditButtons() : ecsbNever) {
    case ecsbAlways:
      return ebtNone;
    case ecsbFocused:
      return GetFocused() ? ebtNone : ebtHideInactive;
    default:
      return ebtHideInactive;
  }
}

void TvxEditCellViewInfo::GetDisplayValue(Variant& V) {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  Integer r = GetRecordIndex();
  if (item && vxInRange(r, 0, item->GetValueCount() - 1)) item->GetDisplayValue(Properties, r, V);
  else V = Null();
}

void TvxEditCellViewInfo::GetViewParams(TvxViewParams& AParams) {
  TvxEditingControl* c = GetControl();
  if (c && c->Styles()) c->Styles()->GetBackgroundParams(AParams);
}

bool TvxEditCellViewInfo::GetFocused() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  TvxCustomControlController* c = item ? item->GetController() : nullptr;
  return c && c->GetFocusedCellViewInfo(item) == this && c->FocusedRecordIndex() == GetRecordIndex();
}

Integer TvxEditCellViewInfo::GetMaxLineCount() {
  TvxEditingControl* c = GetControl();
  IvxEditingControlOptions* o = c ? c->GetOptions() : nullptr;
  return o ? o->GetOptionsView()->CellTextMaxLineCount() : 0;
}

TColor TvxEditCellViewInfo::GetSelectedTextColor() {
  return static_cast<TColor>(ColorToRGB(ItemViewParams.TextColor) ^ 0xFFFFFF);
}

TColor TvxEditCellViewInfo::GetSelectedBkColor() { return static_cast<TColor>(ColorToRGB(ItemViewParams.Color) ^ 0xFFFFFF); }

bool TvxEditCellViewInfo::IsAutoHeight() {
  TvxEditingControl* c = GetControl();
  IvxEditingControlOptions* o = c ? c->GetOptions() : nullptr;
  return o && o->GetOptionsView()->CellAutoHeight();
}

bool TvxEditCellViewInfo::IsEndEllipsis() {
  TvxEditingControl* c = GetControl();
  IvxEditingControlOptions* o = c ? c->GetOptions() : nullptr;
  return o && o->GetOptionsView()->CellEndEllipsis();
}

bool TvxEditCellViewInfo::IsHotTrackable() {
  TvxEditingControl* c = GetControl();
  if (!c || c->IsDesigning() || !Properties || !Properties->GetSupportedOperations().Contains(esoHotTrack))
    return false;
  TvxCustomEditStyle* s = c->EditStyle();
  return s && s->LookAndFeel()->Painter()->IsButtonHotTrack();
}

void TvxEditCellViewInfo::CalculateBounds(const TRect& ABounds, const TRect& AVisibleBounds) {
  inherited::CalculateBounds(ABounds, AVisibleBounds);
  CellContentRect = DisplayRect;
  TRect offsets;
  GetContentOffsets(offsets);
  auto reduce = [&](TRect& R) {
    R.left += offsets.left;
    R.top += offsets.top;
    R.right -= offsets.right;
    R.bottom -= offsets.bottom;
  };
  if (CellBorders.Empty()) {
    CellEditRect = ClipRect;
    reduce(CellEditRect);
    return;
  }
  if (CellBorders.Contains(bLeft)) ++CellContentRect.left;
  if (CellBorders.Contains(bTop)) ++CellContentRect.top;
  if (CellBorders.Contains(bRight)) --CellContentRect.right;
  if (CellBorders.Contains(bBottom)) --CellContentRect.bottom;
  if (!IntersectRect(&CellEditRect, &ClipRect, &CellContentRect)) CellEditRect = TRect{};
  else reduce(CellEditRect);
}

void TvxEditCellViewInfo::CalculateVisibleInfo() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  if (!item) return;
  item->InitEditViewInfo(this);
  item->CalculateEditViewInfo(CellValue, this, TPoint{-1, -1});
}

TvxEditingControl* TvxEditCellViewInfo::GetControl() {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  return item ? item->EditingControl() : nullptr;
}

void TvxEditCellViewInfo::Assign(TvxCustomViewInfoItem* Source) {
  if (auto* src = dynamic_cast<TvxEditCellViewInfo*>(Source)) {
    CellEditRect = src->CellEditRect;
    CellContentRect = src->CellContentRect;
    CellBorders = src->CellBorders;
  }
  inherited::Assign(Source);
}

void TvxEditCellViewInfo::SetTransparent(bool Value) {
  CellTransparent = Value;
  if (ViewInfo) ViewInfo->Transparent = Value;
}

bool TvxEditCellViewInfo::Refresh(bool ARecalculate) {
  TvxCustomInplaceEditContainer* item = GetEditContainer();
  if (!item) return false;
  bool result = false;
  if (ARecalculate) {
    if (IsAutoHeight()) {
      item->InitEditViewInfo(this);
      result = AdjustHeight(CellHeight, item->GetEditHeight(this));
    }
    if (!result) CalculateVisibleInfo();
  } else if (ViewInfo) {
    GetViewParams(ItemViewParams);
    ViewInfo->TextColor = ItemViewParams.TextColor;
    ViewInfo->Font = ItemViewParams.Font;
    ViewInfo->SetBackgroundColor(ItemViewParams.Color);
    ViewInfo->Transparent = HasBackgroundBitmap();
  }
  if (!result) Invalidate(false);
  return result;
}

void vxLoadEditStyleFromCell(TvxEditCellViewInfo* ACell) {
  TvxEditingControl* c = ACell->GetControl();
  TvxCustomEditStyle* s = c ? c->EditStyle() : nullptr;
  if (!s) return;
  TFont* font = ACell->ItemViewParams.Font;
  if (!font) {
    TvxViewParams p;
    ACell->GetViewParams(p);
    font = p.Font;
  }
  s->BeginUpdate();
  if (font) s->SetFont(font);
  s->SetColor(ACell->ItemViewParams.Color);
  s->SetTextColor(ACell->ItemViewParams.TextColor);
  s->SetButtonTransparency(ACell->GetButtonTransparency());
  s->EndUpdate();
  if (ACell->ViewInfo) ACell->ViewInfo->Transparent = ACell->HasBackgroundBitmap();
}

// --- Control view info -------------------------------------------------------------------------

TvxCustomControlViewInfo::TvxCustomControlViewInfo(TObject* AOwner) : FControl(dynamic_cast<TvxEditingControl*>(AOwner)) {
  FEditCellViewInfoList.reserve(1024);
}

void TvxCustomControlViewInfo::AfterConstruction() {
  inherited::AfterConstruction();
  CreatePainter();
  FControl->BrushCache()->SetBrushColor(Brush, clWindow);
  FControl->BrushCache()->SetBrushColor(SelectionBrush, clHighlight);
}

TvxCustomControlViewInfo::~TvxCustomControlViewInfo() {
  if (FControl->Controller()) FControl->Controller()->Reset();
  FPainter.reset();
  FControl->BrushCache()->ReleaseBrush(Brush);
  FControl->BrushCache()->ReleaseBrush(SelectionBrush);
}

Integer TvxCustomControlViewInfo::GetDefaultEditHeight() { vxAbstractError(this, "GetDefaultEditHeight"); }

void TvxCustomControlViewInfo::CreatePainter() {
  FPainter = vxCreateOfClass<TvxCustomControlPainter>(FControl->GetPainterClass(), FControl);
}

void TvxCustomControlViewInfo::DoCalculate() {
  if (FControl->Controller()) FControl->Controller()->ClearHotTrack();
  for (TvxEditCellViewInfo* cell : FEditCellViewInfoList)
    if (cell->Visible()) cell->CalculateVisibleInfo();
}

void TvxCustomControlViewInfo::UpdateSelection() {
  FControl->Styles()->GetSelectionParams(SelectionParams);
  FControl->BrushCache()->SetBrushColor(SelectionBrush, SelectionParams.Color);
}

void TvxCustomControlViewInfo::Invalidate(bool ARecalculate) {
  if (ARecalculate) FControl->LayoutChanged();
  else FControl->InvalidateArea(FClientRect, false);
}

TvxCustomLookAndFeelPainterClass TvxCustomControlViewInfo::LookAndFeelPainter() { return FControl->LookAndFeelPainter(); }

void TvxCustomControlViewInfo::Calculate() {
  TvxBrushCache* cache = FControl->BrushCache();
  TUpdateScope<TvxBrushCache> unlock(cache);
  if (GetState(vxvisViewParamsChanged)) {
    SetState(vxvisViewParamsChanged, false);
    CalcDefaultEditHeight();
    FControl->Styles()->GetBackgroundParams(ViewParams);
    cache->SetBrushColor(Brush, ViewParams.Color);
    UpdateSelection();
    FControl->Invalidate();
  }
  FClientRect = FControl->ClientBounds();
  DoCalculate();
  SetState(vxvisCalculationNeeded, false);
}

void TvxCustomControlViewInfo::ValidateDirty() {
  if (GetState(vxvisCalculationNeeded)) Calculate();
}

// --- Painter ----------------------------------------------------------------------------------

TvxCustomControlPainter::TvxCustomControlPainter(TObject* AOwner)
    : FControl(dynamic_cast<TvxEditingControl*>(AOwner)), FCanvas(FControl->Canvas()) {}

TvxCustomControlPainter::~TvxCustomControlPainter() = default;

TvxCustomLookAndFeelPainterClass TvxCustomControlPainter::Painter() { return FControl->LookAndFeelPainter(); }

TvxCustomControlViewInfo* TvxCustomControlPainter::ViewInfo() { return FControl->ViewInfo(); }

void TvxCustomControlPainter::SaveCellViewParams(TvxEditCellViewInfo* ACell) {
  FSaveViewParams = ACell->ItemViewParams;
  FCanvas->SetParams(ACell->ItemViewParams);
  ACell->ItemViewParams.Font = FCanvas->Font();
  if (ACell->ViewInfo) ACell->ViewInfo->Font = FCanvas->Font();
}

void TvxCustomControlPainter::RestoreCellViewParams(TvxEditCellViewInfo* ACell) {
  ACell->ItemViewParams = FSaveViewParams;
  if (ACell->ViewInfo) {
    ACell->ViewInfo->Font = FSaveViewParams.Font;
    ACell->ViewInfo->TextColor = FSaveViewParams.TextColor;
    ACell->ViewInfo->SetBackgroundColor(FSaveViewParams.Color);
  }
}

bool TvxCustomControlPainter::DoCustomDraw(TvxCustomViewInfoItem* AItem) {
  bool done = false;
  if (FControl->OnCustomDrawCell) FControl->OnCustomDrawCell(FControl, FCanvas, AItem, done);
  return done;
}

void TvxCustomControlPainter::DrawEditCell(TvxEditCellViewInfo* ACell, bool AExcludeFromClip) {
  bool visible = ACell->Visible() && FCanvas->RectVisible(ACell->ClipRect);
  bool done = visible && DoCustomDraw(ACell);
  if (visible && !done && ACell->ViewInfo) ACell->ViewInfo->PaintEx(FCanvas);
  if (AExcludeFromClip) ACell->ExcludeFromClipping(FCanvas);
}

void TvxCustomControlPainter::DoPaint() {
  TvxCustomControlViewInfo* vi = ViewInfo();
  FCanvas->Brush()->Assign(vi->Brush);
  FCanvas->FillRect(vi->ClientRect(), vi->ViewParams.Color);
}

void TvxCustomControlPainter::SetBuffered(bool Value) {
  if (FBuffered == Value) return;
  FBuffered = Value;
  if (Value) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmapCanvas = std::make_unique<TvxCanvas>(FBitmap->Canvas());
  } else {
    FBitmapCanvas.reset();
    FBitmap.reset();
  }
  if (ViewInfo()) ViewInfo()->Invalidate(false);
}

void TvxCustomControlPainter::Paint() {
  TvxCustomControlViewInfo* vi = ViewInfo();
  TvxCanvas* control = FControl->Canvas();
  if (!control->RectVisible(vi->ClientRect())) return;
  TvxCanvas* prev = FCanvas;
  FCanvas = control;
  if (FBuffered) {
    if (FBitmap->Width() != FControl->Width() || FBitmap->Height() != FControl->Height())
      FBitmap->SetSize(FControl->Width(), FControl->Height());
    if (FControl->IsLayoutChanged()) {
      FBitmapCanvas->SetClipRegion(new TvxRegion(vi->ClientRect()), roSet);
      FControl->SetIsLayoutChanged(false);
    } else {
      FBitmapCanvas->SetClipRegion(control->GetClipRegion(), roSet);
    }
    FCanvas = FBitmapCanvas.get();
  }
  TScopeExit finish([this, control, prev] {
    FCanvas = prev;
    if (FBuffered) {
      FBitmapCanvas->SetClipRegion(new TvxRegion(0, 0, FBitmap->Width(), FBitmap->Height()), roSet);
      control->Draw(0, 0, FBitmap.get());
    }
  });
  DoPaint();
}

// --- Hit test --------------------------------------------------------------------------------

TvxCustomHitTestController::TvxCustomHitTestController(TObject* AOwner)
    : FController(dynamic_cast<TvxCustomControlController*>(AOwner)) {}

bool TvxCustomHitTestController::AcceptsDesignClick(Integer X, Integer Y, TShiftState Shift) {
  RecalculateByMouse(X, Y, Shift);
  return false;
}

bool TvxCustomHitTestController::AllowsCellHint(TObject*) {
  IvxEditingControlOptions* o = FController->Options();
  return o && o->GetOptionsBehavior()->CellHints();
}

void TvxCustomHitTestController::DoCalculate() {
  TObject* hit = nullptr;
  if (TvxCustomControlViewInfo* vi = FController->EditingControl()->ViewInfo())
    for (TvxEditCellViewInfo* cell : vi->EditCellViewInfoList())
      if (cell->Visible() && PtInRect(&cell->ClipRect, FHitPoint)) {
        hit = cell;
        break;
      }
  SetHitTestItem(hit);
}

void TvxCustomHitTestController::ReCalculate(const TPoint& APoint) {
  FHitState &= 1;
  if (FController->EditingControl()->IsLocked()) return;
  FHitPoint = APoint;
  FController->EditingControl()->ViewInfo()->ValidateDirty();
  DoCalculate();
}

void TvxCustomHitTestController::RecalculateByMouse(Integer X, Integer Y, TShiftState Shift) {
  FShift = Shift;
  FHitState |= 1;
  TScopeExit reset([this] { FHitState &= ~UInt64(1); });
  ReCalculate(TPoint{X, Y});
}

void TvxCustomHitTestController::CellRemoved(TObject* ACell) {
  if (FHitTestItem == ACell) {
    FHitTestItem = nullptr;
    FHitState = 0;
  }
  if (FController->HotTrackController()) FController->HotTrackController()->ElementRemoved(ACell);
}

void TvxCustomHitTestController::ClearItemByMouse() {
  FHitState |= 1;
  TScopeExit reset([this] { FHitState &= ~UInt64(1); });
  SetHitTestItem(nullptr);
}

void TvxCustomHitTestController::SetHitTestItem(TObject* Value) {
  TObject* prev = FHitTestItem;
  FHitTestItem = Value;
  if (FHitState & 1) {
    TvxHotTrackController* h = FController->HotTrackController();
    h->SetShowHint(AllowsCellHint(Value));
    h->SetHotElement(Value, FHitPoint);
  }
  if (prev != Value) HitTestItemChanged(prev);
}
