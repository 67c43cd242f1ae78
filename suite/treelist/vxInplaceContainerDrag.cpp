// The editing control's drag-and-drop objects: sizing by an edge, auto scrolling, the
// floating picture of a moved element with its place arrows, and the text drag image of a
// platform drag with its thread mouse hook.
#include <windows.h>

#include <algorithm>
#include <cmath>

#include "vxInplaceContainer.h"

namespace {

Integer SizingCoord(const TPoint& P, TvxDragSizingDirection D) { return D == dsdHorz ? P.x : P.y; }

void SetSizingCoord(TPoint& P, TvxDragSizingDirection D, Integer Value) { (D == dsdHorz ? P.x : P.y) = Value; }

// Steps of AStep in ADistance, to the nearest whole step with halves to the even one.
Integer NearestSteps(Integer ADistance, Integer AStep) {
  return static_cast<Integer>(std::nearbyint(static_cast<double>(ADistance) / AStep));
}

}  // namespace

// --- TvxSizingDragAndDropObject ---

TvxCustomControlController* TvxSizingDragAndDropObject::Controller() const {
  auto* c = dynamic_cast<TvxEditingControl*>(Control());
  return c ? c->Controller() : nullptr;
}

TObject* TvxSizingDragAndDropObject::DragItem() const {
  TvxCustomControlController* c = Controller();
  return c ? c->FDragItem : nullptr;
}

IvxDragSizing* TvxSizingDragAndDropObject::Sizing() const { return dynamic_cast<IvxDragSizing*>(DragItem()); }

TPoint TvxSizingDragAndDropObject::GetDragPos(const TPoint& P) const {
  TPoint r = FStartPos;
  const Integer start = SizingCoord(FStartPos, FDirection);
  SetSizingCoord(r, FDirection, start + NearestSteps(SizingCoord(P, FDirection) - start, FSizeDelta) * FSizeDelta);
  return r;
}

TRect TvxSizingDragAndDropObject::GetSizingMarkBounds() {
  if (FDirection == dsdHorz) return TRect{FDragPos.x - 1, FDragBounds.top, FDragPos.x, FDragBounds.bottom};
  return TRect{FDragBounds.left, FDragPos.y - 1, FDragBounds.right, FDragPos.y};
}

TCursor TvxSizingDragAndDropObject::GetDragAndDropCursor(bool) { return FDirection == dsdHorz ? crHSplit : crVSplit; }

void TvxSizingDragAndDropObject::InvertMark(HDC ADC) {
  const TRect mark = GetSizingMarkBounds();
  const TRect client = Control()->ClientBounds();
  TRect visible{};
  if (ADC && IntersectRect(&visible, &mark, &client))
    PatBlt(ADC, mark.left, mark.top, mark.right - mark.left, mark.bottom - mark.top, DSTINVERT);
}

void TvxSizingDragAndDropObject::DirtyHook() {
  if (FDynamicUpdate || !Control()->HandleAllocated()) return;
  TWindowDC dc(Control()->Handle());
  InvertMark(dc.DC());
  FMarkShown = !FMarkShown;
}

void TvxSizingDragAndDropObject::ControlPainted(HDC ADC) {
  if (FMarkShown && !FDynamicUpdate) InvertMark(ADC);
}

void TvxSizingDragAndDropObject::BeginDragAndDrop() {
  IvxDragSizing* s = Sizing();
  TvxCustomControlController* c = Controller();
  if (!s || !c) Abort();
  FDirection = c->GetResizeDirection();
  FDragBounds = s->GetSizingBoundsRect(FDirection);
  FSizeDelta = std::max(s->GetSizingIncrement(FDirection), 1);
  FStartPos = CurMousePos;
  FDragPos = GetDragPos(CurMousePos);
  FDynamicUpdate = s->IsDynamicUpdate();
  FDelta = 0;
  inherited::BeginDragAndDrop();
}

void TvxSizingDragAndDropObject::DragAndDrop(const TPoint& P, bool& Accepted) {
  Accepted = true;
  const Integer lo = FDirection == dsdHorz ? FDragBounds.left : FDragBounds.top;
  const Integer hi = FDirection == dsdHorz ? FDragBounds.right : FDragBounds.bottom;
  const Integer c = SizingCoord(P, FDirection);
  if (c < lo || c >= hi) return;  // outside its bounds the line stays where it was
  const Integer distance = c - SizingCoord(FStartPos, FDirection);
  FDelta = FDynamicUpdate ? distance / FSizeDelta : NearestSteps(distance, FSizeDelta);
  const TPoint pos = GetDragPos(P);
  if (FDelta == 0 && pos.x == FDragPos.x && pos.y == FDragPos.y) return;
  SetDirty(true);
  FDragPos = pos;
  if (FDynamicUpdate && FDelta != 0) {
    IvxDragSizing* s = Sizing();
    const Integer applied = FDelta;
    // The start moves by the steps applied, not to the mouse: movements smaller than a
    // step add up over several mouse events instead of being lost at each one.
    SetSizingCoord(FStartPos, FDirection, SizingCoord(FStartPos, FDirection) + applied * FSizeDelta);
    FDelta = 0;
    if (s) s->SetSizeDelta(FDirection, applied);
  }
  inherited::DragAndDrop(P, Accepted);
}

void TvxSizingDragAndDropObject::EndDragAndDrop(bool Accepted) {
  inherited::EndDragAndDrop(Accepted);
  TvxCustomControlController* c = Controller();
  if (Accepted && !FDynamicUpdate && FDelta != 0 && c && !c->FDragCancel)
    if (IvxDragSizing* s = Sizing()) s->SetSizeDelta(FDirection, FDelta);
}

// --- TvxAutoScrollingObject ---

TvxAutoScrollingObject::TvxAutoScrollingObject(TObject* AOwner) : FOwner(AOwner) {
  FTimer = std::make_unique<TvxTimer>(nullptr);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(50);
  FTimer->SetOnTimer([this](TObject* Sender) { TimerHandler(Sender); });
}

TvxAutoScrollingObject::~TvxAutoScrollingObject() {
  FTimer->SetEnabled(false);
  FTimer.reset();
}

void TvxAutoScrollingObject::SetParams(const TRect& AArea, TScrollBarKind AKind, Integer AIncrement,
                                       TScrollCode ACode) {
  FArea = AArea;
  FKind = AKind;
  FCode = ACode;
  FIncrement = ACode == scLineUp ? -AIncrement : AIncrement;
}

bool TvxAutoScrollingObject::Check(const TPoint& APos) {
  const bool inside = PtInRect(&FArea, APos) != 0;
  FTimer->SetEnabled(inside);
  return inside;
}

void TvxAutoScrollingObject::Stop() { FTimer->SetEnabled(false); }

TvxScrollBar* TvxAutoScrollingObject::GetScrollBar(TScrollBarKind AKind) {
  TvxControl* c = GetControl();
  if (!c) return nullptr;
  return AKind == sbVertical ? static_cast<TvxScrollBar*>(c->VScrollBar()) : c->HScrollBar();
}

void TvxAutoScrollingObject::ScrollBy(TScrollBarKind AKind, TScrollCode ACode, Integer AIncrement) {
  TvxControl* c = GetControl();
  TvxScrollBar* bar = GetScrollBar(AKind);
  if (!c || !bar || !bar->Visible()) return;
  const Integer top = std::max(bar->Min(), bar->Max() - bar->PageSize() + 1);
  Integer pos = std::clamp(bar->Position() + AIncrement, bar->Min(), top);
  if (pos != bar->Position()) c->Scroll(AKind, ACode, pos);
}

void TvxAutoScrollingObject::DoScroll() { ScrollBy(FKind, FCode, FIncrement); }

TvxControl* TvxDragDropObjectAutoScrollingObject::GetControl() {
  auto* o = dynamic_cast<TvxDragAndDropObject*>(FOwner);
  return o ? o->Control() : nullptr;
}

// --- TvxControllerAutoScrollingObject ---

TvxControl* TvxControllerAutoScrollingObject::GetControl() {
  auto* c = dynamic_cast<TvxCustomControlController*>(FOwner);
  return c ? c->EditingControl() : nullptr;
}

void TvxControllerAutoScrollingObject::SetBoundsParams(const TRect& AClientArea, bool ACheckHorz, bool ACheckVert,
                                                       Integer AIncrement) {
  FBoundsMode = true;
  FArea = AClientArea;
  FCheckHorz = ACheckHorz;
  FCheckVert = ACheckVert;
  FIncrement = AIncrement;
}

bool TvxControllerAutoScrollingObject::CheckBounds(const TPoint& APos) {
  FDirections = TvxNeighbors();
  if (PtInRect(&FArea, APos)) {
    FTimer->SetEnabled(false);
    return false;
  }
  if (FCheckHorz) {
    if (APos.x <= FArea.left) FDirections.Include(nLeft);
    if (APos.x >= FArea.right) FDirections.Include(nRight);
  }
  if (FCheckVert) {
    if (APos.y <= FArea.top) FDirections.Include(nTop);
    if (APos.y >= FArea.bottom) FDirections.Include(nBottom);
  }
  const bool any = !FDirections.Empty();
  FTimer->SetEnabled(any);
  return any;
}

void TvxControllerAutoScrollingObject::DoScroll() {
  if (!FBoundsMode) return TvxAutoScrollingObject::DoScroll();
  for (TvxNeighbor n : {nLeft, nTop, nRight, nBottom}) {
    if (!FDirections.Contains(n)) continue;
    const TScrollBarKind kind = n == nLeft || n == nRight ? sbHorizontal : sbVertical;
    const bool back = n == nLeft || n == nTop;
    ScrollBy(kind, back ? scLineUp : scLineDown, back ? -FIncrement : FIncrement);
  }
}

// --- TvxBaseDragAndDropObject ---

TCursor TvxBaseDragAndDropObject::GetDragAndDropCursor(bool Accepted) {
  return Accepted ? Control()->DragCursor() : crNoDrop;
}

// --- TvxCustomControlDragAndDropObject ---

TvxCustomControlDragAndDropObject::TvxCustomControlDragAndDropObject(TvxControl* AControl)
    : TvxBaseDragAndDropObject(AControl) {}

TvxCustomControlDragAndDropObject::~TvxCustomControlDragAndDropObject() {
  FAutoScrollObjects.clear();
  FDragImage.reset();
}

TvxAutoScrollingObject* TvxCustomControlDragAndDropObject::CreateAutoScrollingObject() {
  return new TvxDragDropObjectAutoScrollingObject(this);
}

void TvxCustomControlDragAndDropObject::AddAutoScrollingObject(const TRect& AArea, TScrollBarKind AKind,
                                                               TScrollCode ACode) {
  std::unique_ptr<TvxAutoScrollingObject> o(CreateAutoScrollingObject());
  o->SetParams(AArea, AKind, AKind == sbVertical ? GetVertScrollIncrement() : GetHorzScrollIncrement(), ACode);
  FAutoScrollObjects.push_back(std::move(o));
}

bool TvxCustomControlDragAndDropObject::CheckAutoScrolling(const TPoint& P) {
  for (auto& o : FAutoScrollObjects)
    if (o->Check(P)) return true;
  return false;
}

void TvxCustomControlDragAndDropObject::StopAutoScrolling() {
  for (auto& o : FAutoScrollObjects) o->Stop();
}

void TvxCustomControlDragAndDropObject::CreateDragImage() {
  TRect r{};
  GetDragImageBounds(r);
  FPictureSize = TRect{0, 0, r.right - r.left, r.bottom - r.top};
  FDragImage = std::make_unique<TvxDragImage>();
  FDragImage->SetBounds(0, 0, FPictureSize.right, FPictureSize.bottom);
  FHotSpot = TPoint{r.left - CurMousePos.x, r.top - CurMousePos.y};
  FOrgOffset = Control()->ClientToScreen(TPoint{0, 0});
  // The picture is painted with the bounds' top left at the image's origin.
  HDC dc = FDragImage->Canvas()->Handle();
  POINT saved{};
  SetWindowOrgEx(dc, r.left, r.top, &saved);
  TScopeExit restore([dc, saved] { SetWindowOrgEx(dc, saved.x, saved.y, nullptr); });
  DrawDragImage();
}

void TvxCustomControlDragAndDropObject::UpdateImagePosition() {
  if (!FDragImage) return;
  FDragImage->SetPositionOffset(TPoint{0, 0});
  FDragImage->MoveTo(TPoint{FOrgOffset.x + CurMousePos.x + FHotSpot.x, FOrgOffset.y + CurMousePos.y + FHotSpot.y});
  FDragImage->Show(SW_SHOWNA);
}

TCursor TvxCustomControlDragAndDropObject::GetDragAndDropCursor(bool Accepted) {
  return Accepted ? crDefault : crvxNoDrop;
}

void TvxCustomControlDragAndDropObject::BeginDragAndDrop() {
  inherited::BeginDragAndDrop();
  CreateDragImage();
}

void TvxCustomControlDragAndDropObject::DragAndDrop(const TPoint& P, bool& Accepted) {
  inherited::DragAndDrop(P, Accepted);
  UpdateImagePosition();
  CheckAutoScrolling(P);
  FCanDrop = Accepted;
}

void TvxCustomControlDragAndDropObject::EndDragAndDrop(bool Accepted) {
  StopAutoScrolling();
  inherited::EndDragAndDrop(Accepted);
}

// --- TvxPlaceArrows ---

TvxPlaceArrows::TvxPlaceArrows(TColor AColor, TColor ABorderColor) : FBorderColor(ABorderColor), FColor(AColor) {
  SetAlphaBlend(false);
}

bool TvxPlaceArrows::MoveTo(const TRect& ARect, TvxBorder ASide) {
  HandleNeeded();
  if (Visible() && EqualRect(&ARect, &FPrevRect) && ASide == FPrevSide) return false;
  Hide();
  FPrevRect = ARect;
  FPrevSide = ASide;
  static const POINT vertFirst[7] = {{0, 0}, {-5, -6}, {-2, -6}, {-2, -9}, {3, -9}, {3, -6}, {6, -6}};
  static const POINT vertSecond[7] = {{0, -1}, {6, 6}, {3, 6}, {3, 9}, {-2, 9}, {-2, 6}, {-6, 6}};
  static const POINT horzFirst[7] = {{0, 0}, {-6, -6}, {-6, -2}, {-9, -2}, {-9, 3}, {-6, 3}, {-6, 6}};
  static const POINT horzSecond[7] = {{0, 0}, {6, 6}, {6, 3}, {9, 3}, {9, -2}, {6, -2}, {6, -6}};
  POINT a1{}, a2{};
  switch (ASide) {
    case bLeft: a1 = {ARect.left, ARect.top}; a2 = {ARect.left, ARect.bottom}; break;
    case bTop: a1 = {ARect.left, ARect.top}; a2 = {ARect.right, ARect.top}; break;
    case bRight: a1 = {ARect.right, ARect.top}; a2 = {ARect.right, ARect.bottom}; break;
    default: a1 = {ARect.left, ARect.bottom}; a2 = {ARect.right, ARect.bottom}; break;
  }
  const bool horizontal = ASide == bTop || ASide == bBottom;
  auto polygon = [](const POINT& AAnchor, const POINT* AOffsets) {
    POINT pts[7];
    for (int i = 0; i < 7; ++i) pts[i] = POINT{AAnchor.x + AOffsets[i].x, AAnchor.y + AOffsets[i].y};
    return CreatePolygonRgn(pts, 7, ALTERNATE);
  };
  HRGN region = polygon(a1, horizontal ? horzFirst : vertFirst);
  HRGN second = polygon(a2, horizontal ? horzSecond : vertSecond);
  CombineRgn(region, region, second, RGN_OR);
  DeleteObject(second);
  RECT box{};
  GetRgnBox(region, &box);
  SetBounds(box.left, box.top, box.right - box.left, box.bottom - box.top);
  OffsetRgn(region, -box.left, -box.top);
  TRect local = ARect;
  OffsetRect(&local, -box.left, -box.top);
  TCanvas* canvas = Image()->Canvas();
  canvas->Brush()->SetColor(FColor);
  canvas->FillRect(TRect{0, 0, Width(), Height()});
  vxDrawInsertArrows(canvas, local, static_cast<Integer>(ASide), FBorderColor, FColor);
  // The window owns its region from here on and frees the one it had.
  SetWindowRgn(Handle(), region, FALSE);
  Show(SW_SHOWNA);
  Invalidate();
  return true;
}

// --- TvxDragImageHelper and the thread mouse hook ---

namespace {

struct TDragMouseHookState {
  HHOOK Hook = nullptr;
  TvxEditingControl* Control = nullptr;
  std::unique_ptr<TvxDragImageHelper> Helper;
};

TDragMouseHookState& HookState() {
  static TDragMouseHookState State;
  return State;
}

LRESULT CALLBACK DragMouseHookProc(int ACode, WPARAM AParam, LPARAM ALParam) {
  TDragMouseHookState& s = HookState();
  const LRESULT result = CallNextHookEx(s.Hook, ACode, AParam, ALParam);
  if (ACode < 0 || !s.Control) return result;
  const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(ALParam);
  switch (AParam) {
    case WM_MOUSEMOVE:
      if (s.Control->Dragging() && s.Helper) s.Helper->DragAndDrop(TPoint{info->pt.x, info->pt.y});
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      vxResetMouseHookForDragControl();
      break;
    default:
      break;
  }
  return result;
}

}  // namespace

TvxDragImageHelper::TvxDragImageHelper(TvxEditingControl* AControl, const TPoint& ADragPos)
    : FDragControl(AControl), FDragPos(ADragPos) {
  InitDragImage();
}

TvxDragImageHelper::~TvxDragImageHelper() {
  if (FDragImageVisible) Hide();
  FDragImage.reset();
}

void TvxDragImageHelper::GetImageRect(TRect& R) { FDragControl->GetDragImageBounds(R); }

void TvxDragImageHelper::InitDragImage() {
  GetImageRect(DragPictureBounds);
  HotSpot = TPoint{DragPictureBounds.left, DragPictureBounds.top};
  OffsetRect(&DragPictureBounds, -DragPictureBounds.left, -DragPictureBounds.top);
  HotSpot = TPoint{HotSpot.x - FDragPos.x, HotSpot.y - FDragPos.y};
  FDragImage = std::make_unique<TvxDragImage>();
  FDragImage->SetBounds(0, 0, DragPictureBounds.right, DragPictureBounds.bottom);
  FDragControl->PaintDragImage(FDragImage->Image(), FDragImage->Canvas());
}

TRect TvxDragImageHelper::DragImageRect() const {
  TRect r = DragPictureBounds;
  OffsetRect(&r, MousePos.x, MousePos.y);
  return r;
}

void TvxDragImageHelper::MoveImage(const TPoint& P) {
  FDragImage->SetPositionOffset(TPoint{0, 0});
  FDragImage->MoveTo(P);
  if (!FDragImageVisible) Show();
}

void TvxDragImageHelper::DragAndDrop(const TPoint& P) {
  MousePos = TPoint{P.x + HotSpot.x, P.y + HotSpot.y};
  MoveImage(MousePos);
}

void TvxDragImageHelper::Show() {
  FDragImage->Show(SW_SHOWNA);
  FDragImageVisible = true;
}

void TvxDragImageHelper::Hide() {
  FDragImage->Hide();
  FDragImageVisible = false;
}

void vxInstallDragMouseHook(TvxEditingControl* AControl) {
  vxResetMouseHookForDragControl();
  TDragMouseHookState& s = HookState();
  s.Helper = std::make_unique<TvxDragImageHelper>(AControl, AControl->DragPos());
  s.Control = AControl;
  s.Hook = SetWindowsHookExW(WH_MOUSE, &DragMouseHookProc, nullptr, GetCurrentThreadId());
}

void vxResetMouseHookForDragControl() {
  TDragMouseHookState& s = HookState();
  HHOOK hook = s.Hook;
  // The state is cleared whatever the system answers.
  TScopeExit clear([&s] {
    s.Hook = nullptr;
    s.Control = nullptr;
    s.Helper.reset();
  });
  if (hook) UnhookWindowsHookEx(hook);
}

TvxEditingControl* vxDragMouseHookControl() { return HookState().Control; }
