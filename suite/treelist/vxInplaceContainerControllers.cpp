#include "vxInplaceContainer.h"

#include <algorithm>

#include "Forms.h"
#include "vxControls.h"
#include "vxEditDataRegisteredRepositoryItems.h"

// --- Editing controller ---------------------------------------------------------------------

TvxEditingController::TvxEditingController(TObject* AController)
    : FController(dynamic_cast<TvxCustomControlController*>(AController)),
      FEditList(std::make_unique<TvxInplaceEditList>(FController->EditingControl())) {}

TvxEditingController::~TvxEditingController() {
  StopEditShowingTimer();
  FEditList.reset();
}

TvxEditingControl* TvxEditingController::EditingControl() const { return FController->EditingControl(); }

bool TvxEditingController::IsDragging() {
  TvxEditingControl* c = EditingControl();
  return c->Dragging() || c->DragAndDropState() == ddsInProcess;
}

void TvxEditingController::ParkEdit() {
  if (IsEditing() && FEdit && (!FIsEditPlaced || FEditingItem->IsFocusedCellVisible())) {
    FEditUpdateNeeded = false;
    FEdit->SetLeft(30000);
  }
}

bool TvxEditingController::CanRemoveEditFocus() { return !IsEditing() || !FEdit || !FEdit->Focused() || FEditHiding; }

bool TvxEditingController::CanUpdateEditValue() {
  return IsEditing() && FEdit && !FEditHiding && !FInitiatingEditing;
}

void TvxEditingController::HookEditEvents() {
  FEdit->OnAfterKeyDown = [this](TObject* S, Word& K, TShiftState Sh) { EditAfterKeyDown(S, K, Sh); };
  FEdit->Properties()->OnChange = [this](TObject* S) { EditChanged(S); };
  FEdit->OnDblClick = [this](TObject* S) { EditDblClick(S); };
  FEdit->OnEditing = [this](TObject* S, bool& CanEdit) { EditEditing(S, CanEdit); };
  FEdit->OnExit = [this](TObject* S) { EditExit(S); };
  FEdit->OnFocusChanged = [this](TObject* S) { EditFocusChanged(S); };
  FEdit->OnKeyDown = [this](TObject* S, Word& K, TShiftState Sh) { EditKeyDown(S, K, Sh); };
  FEdit->OnKeyPress = [this](TObject* S, wchar_t& K) { EditKeyPress(S, K); };
  FEdit->OnKeyUp = [this](TObject* S, Word& K, TShiftState Sh) { EditKeyUp(S, K, Sh); };
  FEdit->OnPostEditValue = [this](TObject* S) { EditPostEditValue(S); };
  FEdit->Properties()->OnEditValueChanged = [this](TObject* S) { EditValueChanged(S); };
}

void TvxEditingController::UnhookEditEvents() {
  if (!FEdit) return;
  FEdit->OnAfterKeyDown = nullptr;
  FEdit->OnDblClick = nullptr;
  FEdit->OnEditing = nullptr;
  FEdit->OnExit = nullptr;
  FEdit->OnFocusChanged = nullptr;
  FEdit->OnKeyDown = nullptr;
  FEdit->OnKeyPress = nullptr;
  FEdit->OnKeyUp = nullptr;
  FEdit->OnPostEditValue = nullptr;
  FEdit->Properties()->OnChange = FPrevEditOnChange;
  FEdit->Properties()->OnEditValueChanged = FPrevEditOnEditValueChanged;
}

bool TvxEditingController::CanHideEditOnExit() {
  return !(FController->AlwaysShowEditorOption() && !EditingControl()->Focused());
}

bool TvxEditingController::NeedsHideOnRecordChange() {
  TvxEditingControl* c = EditingControl();
  bool plain = FController->AlwaysShowEditorOption() && (!FEditingItem || !FEditingItem->OnGetEditProperties) &&
               !c->OnEditing && !c->OnInitEdit;
  return !plain;
}

void TvxEditingController::SetEditingItem(TvxCustomInplaceEditContainer* Value) {
  if (Value == FEditingItem || FEditingItemSetting) return;
  TValueScope<bool> setting(FEditingItemSetting, true);
  if (Value) {
    if (!Value->CanEdit()) return;
    if (!EditingControl()->DoEditing(Value)) return;
    Value->SetFocused(true);
  }
  HideEdit(false);
  FEditingItem = Value;
  if (!Value) return;
  {
    TScopeExit failed([this] { FEditingItem = nullptr; });
    ShowEdit(Value);
    failed.Dismiss();
  }
  if (!FEditPreparing && !FEdit) FEditingItem = nullptr;
}

bool TvxEditingController::PrepareEdit(TvxCustomInplaceEditContainer* AItem, bool AIsMouseEvent) {
  FController->ClearPendingEditorCheck();
  if (FEditPreparing || FEditHiding || !AItem || IsDragging()) return false;
  TvxEditingControl* c = EditingControl();
  if (AItem != FEditingItem || FEditingItemSetting) {
    c->ViewInfo()->ValidateDirty();
    TValueScope<bool> preparing(FEditPreparing, true);
    if (c->HandleAllocated() && GetFocus() == c->Handle()) {
      FController->EnsureFocusedCellVisible();
      AItem->SetEditing(FController->GetFocusedCellViewInfo(AItem) != nullptr);
      c->ViewInfo()->ValidateDirty();
    }
    if (AItem != FEditingItem) return false;
    {
      // A failure while the editor is prepared leaves no half-made editor behind.
      TScopeExit failed([this, AItem] {
        FEdit = nullptr;
        AItem->SetEditing(false);
      });
      TvxEditCellViewInfo* cell = AItem->FocusedCellViewInfo();
      Integer record = cell ? cell->RecordIndex() : FController->FocusedRecordIndex();
      TvxCustomEditProperties* props = AItem->DoGetEditProperties(record);
      AItem->DoGetEditingProperties(record, props);
      if (!props) {
        // Nothing to edit with: the item gets no editor.
        failed.Dismiss();
        FEditingItem = nullptr;
        return false;
      }
      AItem->SetEditValueSource(props->GetEditValueSource(true));
      bool useRepository = false;
      if (AItem->RepositoryItem() && AItem->Properties())
        useRepository = AItem->Properties()->UseRepositoryItemProperties(AItem->RepositoryItem(), props);
      FEdit = FEditList->GetEdit(props);
      if (useRepository) {
        // The editor shows the repository item's settings.
        FEdit->Properties()->Assign(AItem->RepositoryItem()->Properties());
      }
      FEdit->Hide();
      FEdit->SetParent(nullptr);
      FEdit->SetParent(c);
      failed.Dismiss();
    }
    if (TvxEditCellViewInfo* cell = AItem->FocusedCellViewInfo()) cell->Invalidate(false);
    InitEdit();
    return true;
  }
  if (!FEdit) return false;
  if (c->HandleAllocated() && GetFocus() == c->Handle() && !FEdit->Focused()) return true;
  return AIsMouseEvent;
}

void TvxEditingController::InitEdit() {
  FPrevEditOnChange = FEdit->Properties()->OnChange;
  FPrevEditOnEditValueChanged = FEdit->Properties()->OnEditValueChanged;
  FEdit->Properties()->OnChange = nullptr;
  FEdit->Properties()->OnEditValueChanged = nullptr;
  UpdateEditPosition();
  UpdateEditValue();
  HookEditEvents();
  EditingControl()->DoInitEdit(FEditingItem, FEdit);
}

void TvxEditingController::UpdateEditPosition() {
  if (FEditingItem->FocusedCellViewInfo()) {
    if (FEditPreparing) PlaceEdit();
    else PostEditUpdate();
  }
  FIsEditPlaced = true;
}

void TvxEditingController::PlaceEdit() {
  FEditUpdateNeeded = false;
  if (!FEditingItem || !FEdit) return;
  FController->EnsureFocusedCellVisible();
  TvxEditCellViewInfo* cell = FController->GetFocusedCellViewInfo(FController->FocusedItem());
  TRect r{};
  if (cell) cell->GetEditRect(r);
  if (!cell || !cell->Visible() || IsRectEmpty(&r)) {
    FEdit->SetLeft(30000);
    return;
  }
  if (FEditPreparing) {
    cell->Refresh(false);
    vxLoadEditStyleFromCell(cell);
    FEdit->Style()->BeginUpdate();
    FEdit->Style()->SetColor(EditingControl()->EditStyle()->Color());
    if (TFont* f = EditingControl()->EditStyle()->Font()) FEdit->Style()->SetFont(f);
    FEdit->Style()->SetTextColor(EditingControl()->EditStyle()->TextColor());
    FEdit->Style()->EndUpdate();
  }
  FEdit->SetBoundsRect(r);
  FEdit->SetVisible(true);
}

void TvxEditingController::UpdateEditValue() {
  if (!CanUpdateEditValue()) return;
  FEdit->LockChangeEvents(true, true);
  TvxCustomEdit* edit = FEdit;
  TScopeExit unlock([edit] { edit->LockChangeEvents(false, true); });
  FEdit->SetEditValue(FEditingItem->EditValue());
  FEdit->SelectAll();
}

void TvxEditingController::UpdateValue() {
  if (!IsEditing() || !FEdit || !FEdit->EditModified()) return;
  FEdit->ValidateEdit(true);
  FEditingItem->SetEditValue(FEdit->EditValue());
  FEdit->SetModifiedAfterEnter(false);
}

void TvxEditingController::HideEdit(bool Accept) {
  FController->ClearPendingEditorCheck();
  FEditUpdateNeeded = false;
  StopEditShowingTimer();
  TvxEditingControl* c = EditingControl();
  if (FEditHiding || !IsEditing() || c->IsDestroying()) return;
  FEditHiding = true;
  // The relayout a hidden editor leaves pending runs however the hiding ends.
  TScopeExit fin([this, c] {
    FEditHiding = false;
    if (c->ViewInfo() && c->ViewInfo()->GetState(vxvisCalculationNeeded)) c->LayoutChanged();
  });
  TvxCustomInplaceEditContainer* item = FEditingItem;
  if (Accept) {
    if (FEdit && !FEdit->Deactivate()) throw EAbort(L"");
    c->DataController()->PostEditingData();
    if (FController->ShouldPostRecordAfterEdit()) c->DataController()->Post();
    if (!FEditingItem) return;
    if (FEdit)
      if (TvxEditCellViewInfo* cell = item->FocusedCellViewInfo(); cell && cell->Properties)
        cell->Properties->Update(FEdit->Properties());
  }
  if (!c->IsDestroying()) c->DoEdited(item);
  FEditingItem = nullptr;
  FController->RefreshItemCell(item);
  ReleaseEdit();
  FIsErrorOnEditExit = false;
}

void TvxEditingController::ReleaseEdit() {
  if (!FEdit) return;
  UnhookEditEvents();
  FEdit->SetEditModified(false);
  TValueScope<bool> noCheck(FController->FAllowCheckEdit, false);
  FController->RestoreControlFocus();
  FEdit->Hide();
  FEdit = nullptr;
}

void TvxEditingController::RemoveEdit(TvxCustomEditProperties* AProperties) {
  if (FEdit && FEditList->FindEdit(AProperties) == FEdit) SetEditingItem(nullptr);
  FEditList->RemoveItem(AProperties);
}

void TvxEditingController::ShowEdit(TvxCustomInplaceEditContainer* AItem) {
  if (!AItem) AItem = FController->FocusedItem();
  if (PrepareEdit(AItem, false)) FEdit->Activate(AItem->EditData());
}

void TvxEditingController::ShowEdit(TvxCustomInplaceEditContainer* AItem, Char Key) {
  if (!AItem) AItem = FController->FocusedItem();
  if (PrepareEdit(AItem, false)) FEdit->ActivateByKey(Key, AItem->EditData());
}

void TvxEditingController::ShowEdit(TvxCustomInplaceEditContainer* AItem, TShiftState Shift, Integer X, Integer Y) {
  if (!AItem) AItem = FController->FocusedItem();
  if (PrepareEdit(AItem, true)) FEdit->ActivateByMouse(Shift, X, Y, AItem->EditData());
}

void TvxEditingController::StartEditShowingTimer(TvxCustomInplaceEditContainer* AItem) {
  StopEditShowingTimer();
  FEditShowingTimerItem = AItem;
  FEditShowingTimer = std::make_unique<TvxTimer>(nullptr);
  FEditShowingTimer->SetInterval(GetDoubleClickTime());
  FEditShowingTimer->SetOnTimer([this](TObject* S) { EditShowingTimerHandler(S); });
}

void TvxEditingController::StopEditShowingTimer() {
  FEditShowingTimer.reset();
  FEditShowingTimerItem = nullptr;
}

void TvxEditingController::EditShowingTimerHandler(TObject*) {
  TvxCustomInplaceEditContainer* item = FEditShowingTimerItem;
  StopEditShowingTimer();
  if (item) item->SetEditing(true);
  FController->FEditingBeforeDrag = IsEditing();
}

void TvxEditingController::EditAfterKeyDown(TObject*, Word& Key, TShiftState Shift) {
  if (FController->IsKeyForController(Key, Shift)) FController->KeyDown(Key, Shift);
}

void TvxEditingController::EditChanged(TObject* Sender) {
  if (FPrevEditOnChange) FPrevEditOnChange(Sender);
  EditingControl()->DoEditChanged(FEditingItem);
}

void TvxEditingController::EditDblClick(TObject*) { EditingControl()->DblClick(); }

void TvxEditingController::EditEditing(TObject*, bool& CanEdit) {
  TValueScope<bool> initiating(FInitiatingEditing, true);
  CanEdit = FEditingItem && FEditingItem->CanInitEditing();
}

void TvxEditingController::EditExit(TObject*) {
  if (CanHideEditOnExit()) {
    // An edit that cannot be closed keeps the focus, and the failure travels on.
    TScopeExit failed([this] {
      if (FEdit) {
        FEdit->SetFocus();
        FIsErrorOnEditExit = true;
      }
    });
    HideEdit(!FController->CancelEditOnExit());
    failed.Dismiss();
  }
  EditingControl()->FocusChanged();
}

void TvxEditingController::EditFocusChanged(TObject*) {
  TvxEditingControl* c = EditingControl();
  FController->SetFocused(c->Focused() || (IsEditing() && FEdit && FEdit->Focused()));
  if (c->ViewInfo()) c->ViewInfo()->UpdateSelection();
}

void TvxEditingController::EditEnter(TObject*) {
  if (!FController->Focused()) {
    FController->SetFocused(true);
    FController->ControlFocusChanged();
  }
}

void TvxEditingController::EditKeyDown(TObject*, Word& Key, TShiftState Shift) {
  TvxEditingControl* c = EditingControl();
  if (c->OnKeyDown) c->OnKeyDown(c, Key, Shift);
  if (Key == 0) return;
  FController->BeforeEditKeyDown(Key, Shift);
  if (!c->IsScrollingContent() && FController->IsKeyForController(Key, Shift)) FController->MakeFocusedItemVisible();
  switch (Key) {
    case VK_RETURN:
      HideEdit(true);
      if (FController->GoToNextCellOnEnterOption()) {
        TValueScope<bool> block(FController->FBlockRecordKeyboardHandling, true);
        Word k = VK_RETURN;
        FController->KeyDown(k, Shift);
        ShowEdit(FController->FocusedItem());
      } else {
        FController->ApplyAlwaysShowEditor();
      }
      Key = 0;
      break;
    case VK_ESCAPE: {
      bool modified = FEdit && FEdit->EditModified();
      HideEdit(false);
      FController->ApplyAlwaysShowEditor();
      if (modified) Key = 0;
      break;
    }
    case VK_DELETE:
      if (Shift == TShiftState{ssCtrl} && FController->CanDeleteByKeyboard()) {
        FController->KeyDown(Key, Shift);
        Key = 0;
      }
      break;
    default:
      break;
  }
}

void TvxEditingController::EditKeyPress(TObject*, wchar_t& Key) {
  TvxEditingControl* c = EditingControl();
  if (c->OnKeyPress) c->OnKeyPress(c, Key);
  if (Key == 27) Key = 0;
  FController->MakeFocusedItemVisible();
}

void TvxEditingController::EditKeyUp(TObject*, Word& Key, TShiftState Shift) {
  TvxEditingControl* c = EditingControl();
  if (c->OnKeyUp) c->OnKeyUp(c, Key, Shift);
}

void TvxEditingController::EditPostEditValue(TObject*) { UpdateValue(); }

void TvxEditingController::EditValueChanged(TObject* Sender) {
  if (FPrevEditOnEditValueChanged) FPrevEditOnEditValueChanged(Sender);
  EditingControl()->DoEditValueChanged(FEditingItem);
}

// --- Hot tracking -----------------------------------------------------------------------------

TvxHotTrackController::TvxHotTrackController(TObject* AControl) : FControl(dynamic_cast<TvxEditingControl*>(AControl)) {
  HintTimer = std::make_unique<TvxTimer>(nullptr);
  HintCheckerTimer = std::make_unique<TvxTimer>(nullptr);
  HintCheckerTimer->SetEnabled(false);
  HintCheckerTimer->SetInterval(100);
  HintCheckerTimer->SetOnTimer([this](TObject* S) { CheckHintState(S); });
  ResetHintTimer();
}

TvxHotTrackController::~TvxHotTrackController() {
  HintTimer.reset();
  HintCheckerTimer.reset();
  delete HintWindow;
}

void TvxHotTrackController::ResetHintTimer() {
  HintTimer->SetEnabled(false);
  HintTimer->SetInterval(Application ? Application->HintPause() : 500);
  HintTimer->SetOnTimer([this](TObject* S) { ShowHint(S); });
}

void TvxHotTrackController::Clear() {
  PrevHitPoint = TPoint{-1, -1};
  PrevElement = nullptr;
}

void TvxHotTrackController::ElementRemoved(TObject* AElement) {
  bool known = false;
  if (AElement == PrevElement) {
    PrevElement = nullptr;
    known = true;
  }
  if (AElement == HintElement) {
    CancelHint();
    HintElement = nullptr;
    known = true;
  }
  if (known) SetHotElement(nullptr, TPoint{-1, -1});
}

void TvxHotTrackController::SetHotElement(TObject* AElement, const TPoint& APoint) {
  if (FControl->IsLocked()) {
    Clear();
    return;
  }
  TScopeExit fin([this, AElement, APoint] {
    PrevHitPoint = APoint;
    PrevElement = AElement;
    if (AElement != HintElement) CancelHint();
    if (CalculateHint()) ShowHint(nullptr);
  });
  if (AElement != PrevElement) {
    HintElement = PrevElement;
    if (auto* t = dynamic_cast<IvxHotTrackTarget*>(PrevElement)) t->UpdateHotTrackState(TPoint{-1, -1});
    if (auto* t = dynamic_cast<IvxHotTrackTarget*>(AElement)) t->UpdateHotTrackState(APoint);
  } else if (APoint.x != PrevHitPoint.x || APoint.y != PrevHitPoint.y) {
    if (auto* t = dynamic_cast<IvxHotTrackTarget*>(AElement)) t->UpdateHotTrackState(APoint);
  }
}

bool TvxHotTrackController::CanShowHint() {
  if (!FShowHint) return false;
  TvxCustomControlController* c = FControl->Controller();
  if (!c || c->FLockShowHint) return false;
  if (TCustomForm* f = GetParentForm(FControl)) {
    if (!Application->Active()) return false;
    if (!f->Active() && f->FormStyle() != fsMDIForm) return false;
  }
  if (FControl->IsDesigning() || FControl->Dragging() || FControl->DragAndDropState() != ddsNone) return false;
  if (c->IsEditing() && PrevElement && PrevElement == c->GetEditingCellViewInfo()) return false;
  if (!FControl->HandleAllocated() || !IsWindowVisible(FControl->Handle())) return false;
  POINT p = vxGetMouseCursorPos();
  return WindowFromPoint(p) == FControl->Handle();
}

bool TvxHotTrackController::CalculateHint() {
  auto* target = dynamic_cast<IvxHotTrackTarget*>(PrevElement);
  if (!target || !CanShowHint()) return false;
  TvxScreenCanvas* canvas = vxGetScreenCanvas();
  bool belowCursor = false;
  Hint.clear();
  bool result = target->CalculateHint(canvas, PrevHitPoint, belowCursor, HintRect, HintIsMultiLine, Hint);
  FControl->DoGetCellHint(PrevElement, Hint, result);
  if (result) {
    TPoint origin;
    target->GetHintOrigin(origin);
    origin = FControl->ClientToScreen(POINT{origin.x, origin.y});
    if (belowCursor) origin.y += GetSystemMetrics(SM_CYCURSOR) / 2;
    if (Is<TvxEditCellViewInfo>(PrevElement)) {
      origin.x -= 1;
      origin.y -= 1;
    }
    if (!HintWindow) HintWindow = new THintWindow(Application);
    HintWindow->SetColor(Application ? Application->HintColor() : clInfoBk);
    HintFont = std::make_unique<TFont>();
    HintFont->Assign(canvas->Font());
    HintWindow->SetFont(HintFont.get());
    RECT r = HintWindow->CalcHintRect(Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN), Hint, nullptr);
    OffsetRect(&r, origin.x, origin.y);
    HintRect = r;
  }
  return result;
}

void TvxHotTrackController::ShowHint(TObject*) {
  if (HintVisible || HintElement == PrevElement) return;
  THintInfo info;
  RECT r = HintRect;
  if (vxInitHintInfo(info, HintWindow, FControl, PrevElement, r, Hint)) {
    BeforeShowHint();
    HintElement = PrevElement;
    HintVisible = true;
    Hint = info.HintStr;
    if (HintFont) HintWindow->SetFont(HintFont.get());
    HintWindow->ActivateHint(HintRect, Hint);
    HintTimer->SetInterval(info.HideTimeout > 0 ? info.HideTimeout : 1);
    HintTimer->SetOnTimer([this](TObject* S) { HideHint(S); });
    HintTimer->SetEnabled(info.HideTimeout > 0);
  }
  HintCheckerTimer->SetEnabled(true);
}

void TvxHotTrackController::HideHint(TObject*) {
  if (!HintVisible) return;
  BeforeHideHint();
  HintVisible = false;
  if (HintWindow && HintWindow->HandleAllocated()) ShowWindow(HintWindow->Handle(), SW_HIDE);
  HintCheckerTimer->SetEnabled(false);
  ResetHintTimer();
}

void TvxHotTrackController::CheckHintState(TObject*) {
  if (!CanShowHint()) HideHint();
}

// --- Control controller -------------------------------------------------------------------

TvxCustomControlController::TvxCustomControlController(TObject* AOwner)
    : FEditingControl(dynamic_cast<TvxEditingControl*>(AOwner)) {}

void TvxCustomControlController::AfterConstruction() {
  inherited::AfterConstruction();
  FEditingController = vxCreateOfClass<TvxEditingController>(FEditingControl->GetEditingControllerClass(), this);
  FHitTestController = vxCreateOfClass<TvxCustomHitTestController>(FEditingControl->GetHitTestControllerClass(), this);
  FHotTrackController = vxCreateOfClass<TvxHotTrackController>(FEditingControl->GetHotTrackControllerClass(),
                                                               FEditingControl);
  FNavigator = vxCreateOfClass<TvxCustomCellNavigator>(GetNavigatorClass(), this);
  if (!FEditingController || !FHitTestController || !FHotTrackController)
    throw EvxAbstractError(L"The editing control's controllers cannot be created");
}

TvxCustomControlController::~TvxCustomControlController() {
  FNavigator.reset();
  FEditingController.reset();
  FHotTrackController.reset();
  FHitTestController.reset();
}

TvxControlDataController* TvxCustomControlController::DataController() const { return FEditingControl->DataController(); }

IvxEditingControlOptions* TvxCustomControlController::Options() { return FEditingControl->GetOptions(); }

void TvxCustomControlController::HandleMouseEnter() { FHitTestController->ReCalculate(); }

void TvxCustomControlController::HandleMouseLeave() {
  CancelHint();
  FHitTestController->ClearItemByMouse();
}

void TvxCustomControlController::AfterPaint() { RunPendingEditorCheck(); }

void TvxCustomControlController::PrepareMouseDown(TMouseButton, TShiftState, Integer, Integer) {
  FEditingBeforeDrag = IsEditing();
}

void TvxCustomControlController::BeforePaint() {
  if (FEditingController->EditUpdateNeeded()) FEditingController->PlaceEdit();
}

void TvxCustomControlController::UpdateViewState() {
  if (TvxCustomControlViewInfo* vi = FEditingControl->ViewInfo()) vi->UpdateSelection();
}

void TvxCustomControlController::ApplyAlwaysShowEditor() {
  FCheckEditNeeded = false;
  if (FAllowCheckEdit && AlwaysShowEditorOption()) FEditingController->ShowEdit(nullptr);
}

void TvxCustomControlController::DoEditDblClick() { FEditingControl->DblClick(); }

void TvxCustomControlController::DoMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  Integer prevRecord = FocusedRecordIndex();
  TvxCustomInplaceEditContainer* prevItem = FFocusedItem;
  FIsDblClick = Shift.Contains(ssDouble);
  FWasFocusedBeforeClick = false;
  FEditingController->StopEditShowingTimer();
  TvxEditCellViewInfo* hotCell = nullptr;
  if (TvxEditCellViewInfo* cell = FHitTestController->EditCellViewInfo())
    if (cell->ViewInfo && cell->ViewInfo->IsHotTrack(TPoint{X, Y})) hotCell = cell;
  MouseDown(Button, Shift, X, Y);
  FHitTestController->RecalculateByMouse(X, Y, Shift);
  if (Button == mbMiddle) return;
  TvxEditCellViewInfo* cell = FHitTestController->EditCellViewInfo();
  if (!cell) return;
  SetFocusedRecordItem(cell->RecordIndex(), cell->EditContainer());
  FHitTestController->RecalculateByMouse(X, Y, Shift);
  cell = FHitTestController->EditCellViewInfo();
  if (!cell) return;
  bool onHotPart = hotCell && hotCell == cell;
  if (ImmediateEditorOption() || onHotPart) {
    if (Button == mbLeft) {
      if (onHotPart) FEditingController->ShowEdit(cell->EditContainer(), Shift, X, Y);
      else FEditingController->ShowEdit(cell->EditContainer(), TShiftState(), -1, -1);
    }
  } else {
    FWasFocusedBeforeClick = FocusedRecordIndex() == prevRecord && FFocusedItem == prevItem && FFocusedItem;
    if (!FWasFocusedBeforeClick && FFocusedItem) FFocusedItem->CancelIncSearching();
  }
}

void TvxCustomControlController::DoMouseMove(TShiftState Shift, Integer X, Integer Y) {
  MouseMove(Shift, X, Y);
  FHitTestController->RecalculateByMouse(X, Y, Shift);
}

void TvxCustomControlController::DoMouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  MouseUp(Button, Shift, X, Y);
  TvxEditCellViewInfo* cell = FHitTestController->EditCellViewInfo();
  if (FWasFocusedBeforeClick && !IsEditing() && !FIsDblClick && cell && Button == mbLeft)
    FEditingController->StartEditShowingTimer(cell->EditContainer());
  FHitTestController->RecalculateByMouse(X, Y, Shift);
  cell = FHitTestController->EditCellViewInfo();
  if (!IsEditing() && !FIsDblClick && cell && ImmediateEditorOption()) {
    FEditingController->StopEditShowingTimer();
    if (Button == mbLeft) FEditingController->ShowEdit(cell->EditContainer());
  }
}

TvxEditCellViewInfo* TvxCustomControlController::GetEditingCellViewInfo() {
  return FEditingController->EditingItem() ? GetFocusedCellViewInfo(FEditingController->EditingItem()) : nullptr;
}

TvxEditCellViewInfo* TvxCustomControlController::GetFocusedCellViewInfo(TvxCustomInplaceEditContainer*) {
  vxAbstractError(this, "GetFocusedCellViewInfo");
}

Integer TvxCustomControlController::GetFocusedRecordIndex() { return DataController()->GetFocusedRecordIndex(); }

void TvxCustomControlController::FocusedItemChanged(TvxCustomInplaceEditContainer* APrevItem) {
  if (FEditingControl->IsLoading() || FEditingControl->IsDestroying()) return;
  CancelIncSearching();
  MakeFocusedItemVisible();
  if (APrevItem != FFocusedItem && !FDisableCellsRefresh) {
    if (APrevItem)
      if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(APrevItem)) c->Refresh(false);
    if (FFocusedItem)
      if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(FFocusedItem)) c->Refresh(false);
  }
  if (FNavigator) FNavigator->Refresh();
}

void TvxCustomControlController::FocusedRecordChanged(Integer, Integer) {
  if (FEditingController->NeedsHideOnRecordChange()) FEditingController->HideEdit(true);
  ApplyAlwaysShowEditor();
  FEditingController->UpdateEditValue();
}

bool TvxCustomControlController::IsEditorFocused() {
  TvxCustomEdit* e = FEditingController->Edit();
  return e && e->Focused();
}

void TvxCustomControlController::CancelHint() {
  if (FHotTrackController) FHotTrackController->CancelHint();
}

Word TvxCustomControlController::IncSearchKeyDown(Word Key, TShiftState Shift) {
  TvxCustomInplaceEditContainer* item = IncSearchCandidate();
  if (!IsIncSearching() || !item) return Key;
  switch (Key) {
    case VK_BACK: {
      String t = GetIncSearchingText();
      if (!t.empty()) t.pop_back();
      IncSearchLocate(t);
      return 0;
    }
    case VK_ESCAPE:
      CancelIncSearching();
      return 0;
    case VK_UP:
    case VK_DOWN:
      if (Shift == TShiftState{ssCtrl}) {
        SearchLocateNext(item, Key == VK_DOWN);
        return 0;
      }
      return Key;
    default:
      return Key;
  }
}

bool TvxCustomControlController::IsKeyForController(Word Key, TShiftState) {
  switch (Key) {
    case VK_TAB:
      return GoToNextCellOnTabOption();
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
      return true;
    default:
      return false;
  }
}

void TvxCustomControlController::RefreshItemCell(TvxCustomInplaceEditContainer* AItem) {
  if (FDisableCellsRefresh || !AItem) return;
  if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(AItem))
    if (c->Refresh(true)) FEditingControl->LayoutChanged();
}

void TvxCustomControlController::RefreshAllCells() {
  bool changed = false;
  {
    TCounterScope<Integer> lock(FEditingControl->FLockUpdate);
    for (Integer i = 0; i < FEditingControl->ItemCount() && !changed; ++i)
      if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(FEditingControl->Items(i))) changed = c->Refresh(true);
  }
  if (changed && !FEditingControl->IsLocked()) {
    FEditingControl->UpdateLockReleased();
    FEditingControl->LayoutChanged();
  }
}

void TvxCustomControlController::SetFocused(bool Value) { FFocused = Value; }

void TvxCustomControlController::SetFocusedItem(TvxCustomInplaceEditContainer* Value) {
  FEditingController->HideEdit(true);
  if (Value && !Value->CanFocus()) return;
  if (Value != FFocusedItem) {
    if (!FEditingController->EditingItemSetting()) FEditingController->HideEdit(true);
    TvxCustomInplaceEditContainer* prev = FFocusedItem;
    FFocusedItem = Value;
    FocusedItemChanged(prev);
  } else if (Value) {
    MakeFocusedItemVisible();
  }
  RequestEditorCheck();
}

void TvxCustomControlController::SetFocusedRecordIndex(Integer Value) {
  TvxControlDataController* dc = DataController();
  bool outside = Value < 0 || Value >= dc->RecordCount();
  if (outside || CanFocusRecord(Value)) {
    dc->ChangeFocusedRecordIndex(Value);
    if (FocusedRecordIndex() == Value && !outside) MakeFocusedRecordVisible();
  }
}

bool TvxCustomControlController::AlwaysShowEditorOption() {
  IvxEditingControlOptions* o = Options();
  return o && o->GetOptionsBehavior()->AlwaysShowEditor();
}

bool TvxCustomControlController::CancelEditOnExit() {
  IvxEditingControlOptions* o = Options();
  if (!o || !o->GetOptionsData()->CancelOnExit()) return false;
  TvxDataControllerEditState s = DataController()->EditState();
  return s.Contains(dceInsert) && !s.Contains(dceChanging) && !s.Contains(dceModified);
}

bool TvxCustomControlController::FocusCellOnCycleOption() {
  IvxEditingControlOptions* o = Options();
  return o && o->GetOptionsBehavior()->FocusCellOnCycle();
}

bool TvxCustomControlController::GoToNextCellOnEnterOption() {
  IvxEditingControlOptions* o = Options();
  return o && o->GetOptionsBehavior()->GoToNextCellOnEnter();
}

bool TvxCustomControlController::GoToNextCellOnTabOption() {
  IvxEditingControlOptions* o = Options();
  return o && o->GetOptionsBehavior()->GoToNextCellOnTab();
}

bool TvxCustomControlController::ImmediateEditorOption() {
  IvxEditingControlOptions* o = Options();
  if (!o) return false;
  TvxControlOptionsBehavior* b = o->GetOptionsBehavior();
  return (b->ImmediateEditor() || b->AlwaysShowEditor()) && FEditingControl->DragMode() == dmManual;
}

void TvxCustomControlController::DragOverControl() { FEditingController->HideEdit(true); }

void TvxCustomControlController::DragEnded(TObject*, Integer X, Integer Y) {
  FHitTestController->ReCalculate(TPoint{X, Y});
  if (FEditingBeforeDrag || AlwaysShowEditorOption()) FEditingController->ShowEdit(nullptr);
}

void TvxCustomControlController::ControlExit() {
  TvxControlDataController* dc = DataController();
  if (CancelEditOnExit()) {
    dc->Cancel();
  } else {
    dc->PostEditingData();
    if (ShouldPostRecordAfterEdit()) dc->Post();
  }
}

bool TvxCustomControlController::CanLeaveControl() {
  if (!FEditingControl->Focused() && !IsEditorFocused()) return true;
  if (!IsEditing()) return true;
  TvxCustomEdit* e = FEditingController->Edit();
  return !AlwaysShowEditorOption() && (!e || e->ValidateEdit(true));
}

void TvxCustomControlController::FocusChanged() {
  bool focused = FEditingControl->Focused() || IsEditorFocused();
  if (focused) {
    ApplyAlwaysShowEditor();
    TvxCustomEdit* e = FEditingController->Edit();
    if (IsEditing() && AlwaysShowEditorOption() && e && !e->Focused() && e->CanFocus()) {
      e->SetFocus();
    } else if (e && !e->Focused() && !AlwaysShowEditorOption()) {
      FEditingController->HideEdit(true);
    } else if (AlwaysShowEditorOption() && !IsEditing() && ImmediateEditorOption()) {
      FEditingController->ShowEdit(nullptr);
    }
  }
  if (focused != FFocused) {
    SetFocused(focused);
    ControlFocusChanged();
  }
}

void TvxCustomControlController::RestoreControlFocus() {
  if (!FEditingController->CanRemoveEditFocus()) return;
  if (FEditingControl->CanFocusEx() && (FEditingControl->Focused() || IsEditorFocused())) FEditingControl->SetFocus();
  RequestEditorCheck();
}

void TvxCustomControlController::CancelIncSearching() {
  TvxCustomInplaceEditContainer* item = IncSearchCandidate();
  DataController()->Search()->Cancel();
  if (item)
    if (TvxEditCellViewInfo* c = GetFocusedCellViewInfo(item)) c->Refresh(true);
}

TvxCustomInplaceEditContainer* TvxCustomControlController::GetIncSearchingItem() {
  if (!IsIncSearching()) return nullptr;
  Integer i = DataController()->Search()->ItemIndex();
  return vxInRange(i, 0, FEditingControl->ItemCount() - 1) ? FEditingControl->Items(i) : nullptr;
}

String TvxCustomControlController::GetIncSearchingText() { return DataController()->Search()->SearchText(); }

bool TvxCustomControlController::IsIncSearching() { return DataController()->Search()->Searching(); }

void TvxCustomControlController::SearchLocate(TvxCustomInplaceEditContainer* AItem, const String& AText) {
  DataController()->Search()->Locate(AItem->ItemIndex(), AText);
}

void TvxCustomControlController::SearchLocateNext(TvxCustomInplaceEditContainer*, bool AForward) {
  DataController()->Search()->LocateNext(AForward);
}

void TvxCustomControlController::RecordUpdated(Integer) { FEditingController->UpdateEditValue(); }

void TvxCustomControlController::ClearHotTrack() {
  if (!FHitTestController) return;
  FHitTestController->ClearHitItem();
  FHotTrackController->SetHotElement(nullptr, FHitTestController->HitPoint());
}

void TvxCustomControlController::Clear() {
  FHitTestController->ClearAll();
  FHotTrackController->Clear();
}

void TvxCustomControlController::Reset() {
  FEditingController->PostEditUpdate();
  FHitTestController->ClearAll();
  FHitTestController->ClearHitItem();
  FHotTrackController->Clear();
}

void TvxCustomControlController::ControlFocusChanged() {
  if (!Focused() && FEditingController->CanHideEditOnExit()) FEditingController->HideEdit(true);
  UpdateViewState();
}

TvxCustomInplaceEditContainer* TvxCustomControlController::IncSearchCandidate() {
  IvxEditingControlOptions* o = Options();
  if (o && o->GetOptionsBehavior()->IncSearch())
    if (auto* item = dynamic_cast<TvxCustomInplaceEditContainer*>(o->GetOptionsBehavior()->IncSearchItem()))
      return item;
  return FFocusedItem;
}

void TvxCustomControlController::IncSearchLocate(const String& AText) {
  TvxCustomInplaceEditContainer* item = IsIncSearching() ? GetIncSearchingItem() : IncSearchCandidate();
  if (AText == GetIncSearchingText() || !item) return;
  if (!AText.empty()) SearchLocate(item, AText);
  else CancelIncSearching();
  if (TvxCustomInplaceEditContainer* c = IncSearchCandidate())
    if (TvxEditCellViewInfo* cell = GetFocusedCellViewInfo(c)) cell->Invalidate(true);
}

void TvxCustomControlController::KeyDown(Word& Key, TShiftState Shift) {
  if (!FBlockRecordKeyboardHandling) {
    if (IsIncSearching()) Key = IncSearchKeyDown(Key, Shift);
    if (FNavigator) FNavigator->KeyDown(Key, Shift);
  }
  bool plainOrShift = Shift.Empty() || Shift == TShiftState{ssShift};
  switch (Key) {
    case VK_TAB:
      if (GoToNextCellOnTabOption() && plainOrShift && FNavigator) {
        FNavigator->FocusNextCell(!Shift.Contains(ssShift), FNavigator->DownOnTab, Shift);
        Key = 0;
      }
      break;
    case VK_RETURN:
      if (GoToNextCellOnEnterOption() && plainOrShift && FNavigator)
        FNavigator->FocusNextCell(!Shift.Contains(ssShift), FNavigator->DownOnEnter, Shift);
      break;
    case VK_ESCAPE:
      DataController()->Cancel();
      break;
    case VK_PRIOR:
    case VK_NEXT:
      PageScroll(Key == VK_NEXT, Shift);
      break;
    default:
      break;
  }
}

void TvxCustomControlController::KeyPress(wchar_t& Key) {
  if (FEatKeyPress) {
    FEatKeyPress = false;
    return;
  }
  TvxCustomInplaceEditContainer* item = IncSearchCandidate();
  if (vxIsIncSearchStartKey(Key) && item && item->CanIncSearch()) {
    TvxDataControllerEditState s = DataController()->EditState();
    if (!s.Contains(dceInsert) && !s.Contains(dceEdit)) {
      if (Key != VK_BACK) IncSearchLocate(GetIncSearchingText() + Key);
      Key = 0;
    }
  }
  if (FNavigator) FNavigator->DoKeyPress(Key);
}

void TvxCustomControlController::WndProc(TMessage& Message) {
  if (Message.Msg == WM_IME_STARTCOMPOSITION) FEditingController->ShowEdit(nullptr);
}

void TvxCustomControlController::BeginDragAndDrop() { FEditingController->HideEdit(true); }

void TvxCustomControlController::EndDragAndDrop(bool) {
  if (FEditingControl->DragAndDropState() == ddsNone) ApplyAlwaysShowEditor();
}

void TvxCustomControlController::SetFocusedRecordItem(Integer ARecordIndex, TvxCustomInplaceEditContainer* AItem) {
  FEditingController->HideEdit(true);
  FAllowCheckEdit = false;
  TScopeExit fin([this] {
    FAllowCheckEdit = true;
    ApplyAlwaysShowEditor();
    FDisableCellsRefresh = false;
  });
  FDisableCellsRefresh = FocusedRecordIndex() == ARecordIndex;
  SetFocusedRecordIndex(ARecordIndex);
  FDisableCellsRefresh = FDisableCellsRefresh && AItem == FFocusedItem;
  SetFocusedItem(AItem);
}

void TvxCustomControlController::MakeFocusedItemVisible() { vxAbstractError(this, "MakeFocusedItemVisible"); }

void TvxCustomControlController::MakeFocusedRecordVisible() { vxAbstractError(this, "MakeFocusedRecordVisible"); }

void TvxCustomControlController::ScheduleImmediateEditor() {
  IvxEditingControlOptions* o = Options();
  if (!o || IsEditing()) return;
  TvxControlOptionsBehavior* b = o->GetOptionsBehavior();
  if ((b->ImmediateEditor() || b->AlwaysShowEditor()) && FEditingControl->DragAndDropState() == ddsNone &&
      FHitTestController->IsItemEditCell())
    RequestEditorCheck();
}
