#include "vxInplaceContainer.h"

#include <algorithm>

#include "Forms.h"
#include "vxControls.h"
#include "vxEditDataRegisteredRepositoryItems.h"

// --- Editing control ------------------------------------------------------------------------

const TMessageMap* TvxEditingControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_CANCELMODE, MessageHandler<&TvxEditingControl::WMCancelMode>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxEditingControl::TvxEditingControl(TComponent* AOwner) : TvxControl(AOwner) {}

void TvxEditingControl::AfterConstruction() {
  inherited::AfterConstruction();
  CreateCollaborators();
  FCollaboratorsCreated = true;
  TvxKeys keys{kArrows, kChars};
  if (IvxEditingControlOptions* o = GetOptions(); o && o->GetOptionsBehavior()->GoToNextCellOnTab()) keys.Include(kTab);
  SetKeys(keys);
  SetBorderStyle(vxcbsDefault);
  SetDragCursor(0);
}

void TvxEditingControl::BeforeDestruction() {
  SetComponentStateItem(csDestroying, true);
  inherited::BeforeDestruction();
}

TvxEditingControl::~TvxEditingControl() {
  SetComponentStateItem(csDestroying, true);
  if (vxDragMouseHookControl() == this) vxResetMouseHookForDragControl();
  vxEndMouseTracking(this);
  // The items outlive the control when they are owned elsewhere: they forget it first.
  std::vector<TvxCustomInplaceEditContainer*> items = FContainerList;
  for (TvxCustomInplaceEditContainer* i : items) i->FEditingControl = nullptr;
  FContainerList.clear();
  if (FCollaboratorsCreated) DestroyCollaborators();
}

IvxEditingControlOptions* TvxEditingControl::GetOptions() { vxAbstractError(this, "GetOptions"); }

void TvxEditingControl::CreateCollaborators() {
  FStyles = vxCreateOfClass<TvxCustomControlStyles>(GetControlStylesClass(), this);
  FBrushCache = std::make_unique<TvxBrushCache>();
  FEditStyle.reset(static_cast<TvxCustomEditStyle*>(GetEditStyleClass()->Create(nullptr, true, nullptr, csNormal)));
  FEditStyle->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
  FController = vxCreateOfClass<TvxCustomControlController>(GetControllerClass(), this);
  FDataController = vxCreateOfClass<TvxControlDataController>(GetDataControllerClass(), this);
  RecreateViewInfo();
}

void TvxEditingControl::DestroyCollaborators() {
  FViewInfo.reset();
  FController.reset();
  FBrushCache.reset();
  FEditStyle.reset();
  FDataController.reset();
  FStyles.reset();
}

void TvxEditingControl::RecreateViewInfo() {
  if (FController) {
    FController->EditingController()->SetEditingItem(nullptr);
    FController->Clear();
  }
  FViewInfo.reset();
  FViewInfo = vxCreateOfClass<TvxCustomControlViewInfo>(GetViewInfoClass(), this);
}

void TvxEditingControl::EnterUpdate() {
  ++FLockUpdate;
  if (FDataController) FDataController->BeginUpdate();
}

void TvxEditingControl::LeaveUpdate() {
  if (FDataController) FDataController->EndUpdate();
  --FLockUpdate;
  if (FLockUpdate == 0) UpdateLockReleased();
  LayoutChanged();
}

void TvxEditingControl::CancelUpdate() {
  if (FDataController) FDataController->EndUpdate();
  --FLockUpdate;
}

bool TvxEditingControl::IsLocked() {
  return FLockUpdate != 0 || IsLoading() || IsDestroying() || !HandleAllocated();
}

void TvxEditingControl::LayoutChanged() {
  if (FViewInfo) FViewInfo->SetState(vxvisCalculationNeeded, true);
  if (IsLocked() || !FViewInfo) return;
  ++FChangesCount;
  FController->Reset();
  TScopeExit outer([this] {
    if (--FChangesCount != 0) return;
    FController->HitTestController()->ReCalculate();
    FController->EditingController()->PostEditUpdate();
    FIsLayoutChanged = true;
    LayoutCompleted();
    Invalidate();
  });
  BeginUpdate();
  TScopeExit inner([this] {
    FViewInfo->SetState(vxvisCalculationNeeded, false);
    CancelUpdate();
    UpdateScrollBars();
  });
  DoLayoutChanged();
}

void TvxEditingControl::DoLayoutChanged() { FViewInfo->Calculate(); }

void TvxEditingControl::StylesChanged() {
  if (FViewInfo) FViewInfo->SetState(vxvisViewParamsChanged, true);
  LayoutChanged();
}

void TvxEditingControl::ApplyDataChange(TvxUpdateControlInfo* AInfo) {
  if (Is<TvxDataChangedInfo>(AInfo)) {
    DataChanged();
  } else if (Is<TvxLayoutChangedInfo>(AInfo)) {
    DataLayoutChanged();
  } else if (auto* f = dynamic_cast<TvxFocusedRecordChangedInfo*>(AInfo)) {
    FController->FocusedRecordChanged(f->FocusedRecordIndex, f->PrevFocusedRecordIndex);
    if (FController->Navigator()) FController->Navigator()->Refresh();
  } else if (Is<TvxSelectionChangedInfo>(AInfo)) {
    SelectionChanged(AInfo);
  } else if (auto* u = dynamic_cast<TvxUpdateRecordInfo*>(AInfo)) {
    FController->RecordUpdated(u->RecordIndex);
  }
}

void TvxEditingControl::DataChanged() {
  {
    TCounterScope<Integer> lock(FLockUpdate);
    for (TvxCustomInplaceEditContainer* i : FContainerList) i->DataChanged();
  }
  if (!IsLocked()) FController->RefreshAllCells();
}

void TvxEditingControl::DataLayoutChanged() {
  FController->EditingController()->UpdateEditValue();
  FController->RefreshAllCells();
}

void TvxEditingControl::DoEditChanged(TvxCustomInplaceEditContainer* AItem) {
  if (OnEditChanged) OnEditChanged(this, AItem);
}

void TvxEditingControl::DoEdited(TvxCustomInplaceEditContainer* AItem) {
  if (OnEdited) OnEdited(this, AItem);
}

bool TvxEditingControl::DoEditing(TvxCustomInplaceEditContainer* AItem) {
  bool allow = true;
  if (OnEditing) OnEditing(this, AItem, allow);
  return allow;
}

void TvxEditingControl::DoEditValueChanged(TvxCustomInplaceEditContainer* AItem) {
  if (OnEditValueChanged) OnEditValueChanged(this, AItem);
}

void TvxEditingControl::DoInitEdit(TvxCustomInplaceEditContainer* AItem, TvxCustomEdit* AEdit) {
  if (OnInitEdit) OnInitEdit(this, AItem, AEdit);
}

void TvxEditingControl::AddItem(TvxCustomInplaceEditContainer* AItem) {
  TScopeExit relayout([this] { LayoutChanged(); });
  FContainerList.push_back(AItem);
  ReindexItems();
  FDataController->AddItem(AItem);
}

void TvxEditingControl::RemoveItem(TvxCustomInplaceEditContainer* AItem) {
  TScopeExit relayout([this] { LayoutChanged(); });
  if (FController && FController->FocusedItem() == AItem) FController->SetFocusedItem(nullptr);
  if (FController && FController->EditingController()->EditingItem() == AItem)
    FController->EditingController()->SetEditingItem(nullptr);
  std::erase(FContainerList, AItem);
  FDataController->RemoveItem(AItem);
  ReindexItems();
}

void TvxEditingControl::ReindexItems() {
  for (size_t i = 0; i < FContainerList.size(); ++i) FContainerList[i]->FItemIndex = static_cast<Integer>(i);
}

void TvxEditingControl::UpdateData() { FController->EditingController()->UpdateValue(); }

bool TvxEditingControl::IsDragDropTextEnabled() {
  IvxEditingControlOptions* o = GetOptions();
  return o && o->GetOptionsBehavior()->DragDropText();
}

bool TvxEditingControl::BufferedPaint() const { return FViewInfo && FViewInfo->Painter()->Buffered(); }

void TvxEditingControl::SetBufferedPaint(bool Value) {
  if (FViewInfo) FViewInfo->Painter()->SetBuffered(Value);
}

void TvxEditingControl::BeginDragAndDrop() {
  FController->BeginDragAndDrop();
  inherited::BeginDragAndDrop();
}

bool TvxEditingControl::ExecuteAction(TBasicAction* Action) { return FDataController->ExecuteAction(Action); }

bool TvxEditingControl::UpdateAction(TBasicAction* Action) { return FDataController->UpdateAction(Action); }

void TvxEditingControl::LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  if (!FController) return inherited::LookAndFeelChanged(Sender, AChangedValues);
  TvxEditingController* ec = FController->EditingController();
  bool wasEditing = ec->IsEditing();
  if (wasEditing) ec->HideEdit(true);
  inherited::LookAndFeelChanged(Sender, AChangedValues);
  // Each step of the ending runs even when one before it raises: the styles are applied,
  // the lock released, and the editor reopened.
  TScopeExit reopen([this, wasEditing] {
    if (wasEditing) FController->EditingController()->ShowEdit(nullptr);
  });
  TUpdateScope<TvxEditingControl> lock(this);
  TScopeExit styles([this] { StylesChanged(); });
  for (TvxCustomInplaceEditContainer* i : FContainerList) i->RefreshProperties();
}

// Platform handlers.

void TvxEditingControl::WndProc(TMessage& Message) {
  if (FController) FController->WndProc(Message);
  inherited::WndProc(Message);
}

void TvxEditingControl::WMCancelMode(TWMNoParams& Message) {
  if (FController) FController->FDragCancel = true;
  TScopeExit reset([this] {
    if (FController) FController->FDragCancel = false;
  });
  InheritedMessage(Message.M);
}

void TvxEditingControl::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_VREDRAW | CS_HREDRAW);
}

void TvxEditingControl::Loaded() {
  inherited::Loaded();
  FDataController->Loaded();
  LayoutChanged();
  EnsureDesignSelection();
}

void TvxEditingControl::AlignControls(TControl* AControl, RECT& Rect) {
  // The in-place editor places itself over its cell.
  if (Is<TvxCustomEdit>(AControl)) return;
  inherited::AlignControls(AControl, Rect);
}

void TvxEditingControl::Paint() {
  FController->BeforePaint();
  TScopeExit after([C = FController.get()] { C->AfterPaint(); });
  inherited::Paint();
  FViewInfo->ValidateDirty();
  FViewInfo->Painter()->Paint();
}

void TvxEditingControl::KeyDown(Word& Key, TShiftState Shift) {
  FController->FDragCancel = Key == VK_ESCAPE;
  TScopeExit reset([&F = FController->FDragCancel] { F = false; });
  inherited::KeyDown(Key, Shift);
  if (Key != 0) FController->KeyDown(Key, Shift);
}

void TvxEditingControl::KeyPress(wchar_t& Key) {
  inherited::KeyPress(Key);
  if (Key != 0) FController->KeyPress(Key);
}

void TvxEditingControl::KeyUp(Word& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  FController->KeyUp(Key, Shift);
}

void TvxEditingControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FController->CancelHint();
  FController->FLockShowHint = true;
  FController->PrepareMouseDown(Button, Shift, X, Y);
  inherited::MouseDown(Button, Shift, X, Y);
  FController->HitTestController()->RecalculateByMouse(X, Y, Shift);
  if (!FController->EditingController()->IsErrorOnEditExit()) FController->DoMouseDown(Button, Shift, X, Y);
}

void TvxEditingControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  FController->HitTestController()->RecalculateByMouse(X, Y, Shift);
  if (DragAndDropState() == ddsNone) FController->DoMouseMove(Shift, X, Y);
}

void TvxEditingControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FController->FLockShowHint = false;
  FController->HitTestController()->RecalculateByMouse(X, Y, Shift);
  if (DragAndDropState() != ddsNone) {
    inherited::MouseUp(Button, Shift, X, Y);
    FController->DoMouseUp(Button, Shift, X, Y);
  } else {
    FController->DoMouseUp(Button, Shift, X, Y);
    inherited::MouseUp(Button, Shift, X, Y);
  }
  FController->ScheduleImmediateEditor();
}

void TvxEditingControl::DblClick() {
  FController->DblClick();
  inherited::DblClick();
}

void TvxEditingControl::DoExit() {
  FController->ControlExit();
  inherited::DoExit();
}

void TvxEditingControl::FocusChanged() {
  inherited::FocusChanged();
  if (!IsDestroying() && FController) FController->FocusChanged();
}

void TvxEditingControl::MouseEnter(TControl* AControl) {
  inherited::MouseEnter(AControl);
  vxBeginMouseTracking(this, ClientBounds(), this);
  if (FController) FController->HandleMouseEnter();
}

void TvxEditingControl::MouseLeave(TControl* AControl) {
  vxEndMouseTracking(this);
  if (FController) FController->HandleMouseLeave();
  inherited::MouseLeave(AControl);
}

void TvxEditingControl::CancelMouseState() {
  inherited::CancelMouseState();
  if (FController) FController->HandleCancelMouseState();
}

void TvxEditingControl::BoundsChanged() {
  LayoutChanged();
  inherited::BoundsChanged();
}

void TvxEditingControl::FontChanged() {
  inherited::FontChanged();
  StylesChanged();
}

void TvxEditingControl::InitScrollBars() {
  inherited::InitScrollBars();
  LayoutChanged();
}

TCursor TvxEditingControl::GetCursorAt(Integer X, Integer Y) {
  TCursor c = FController ? FController->GetCursor(X, Y) : crDefault;
  return c == crDefault ? inherited::GetCursorAt(X, Y) : c;
}

bool TvxEditingControl::IsFocused() {
  return inherited::IsFocused() || (FController && FController->IsEditorFocused());
}

bool TvxEditingControl::MayFocus() { return inherited::MayFocus() && (!FController || FController->CanLeaveControl()); }

void TvxEditingControl::BeforeMouseDown(TMouseButton Button, Integer X, Integer Y) {
  FDragPos = TPoint{X, Y};
  inherited::BeforeMouseDown(Button, X, Y);
}

void TvxEditingControl::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {
  FController->EditingController()->PostEditUpdate();
  FController->Scroll(AScrollBarKind, AScrollCode, AScrollPos);
}

void TvxEditingControl::InitScrollBarsParameters() {}

bool TvxEditingControl::CanDrag(Integer X, Integer Y) { return FController && FController->CanDrag(X, Y); }

void TvxEditingControl::DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  inherited::DragOver(Source, X, Y, State, Accept);
  FController->DragOverControl();
}

void TvxEditingControl::DoEndDrag(TObject* Target, Integer X, Integer Y) {
  FController->DragEnded(Target, X, Y);
  inherited::DoEndDrag(Target, X, Y);
  FController->FLockShowHint = false;
  FController->ScheduleImmediateEditor();
  if (vxDragMouseHookControl() == this) vxResetMouseHookForDragControl();
  FDragPos = TPoint{0, 0};
}

void TvxEditingControl::DoStartDrag(TDragObject*& DragObject) {
  FController->HitTestController()->SetHitPoint(FDragPos);
  FController->BeforeStartDrag();
  inherited::DoStartDrag(DragObject);
  // One text drag image at a time: an old one goes before a new one is made.
  vxResetMouseHookForDragControl();
  if (IsDragDropTextEnabled()) vxInstallDragMouseHook(this);
}

TvxDragAndDropObjectClass TvxEditingControl::DragAndDropObjectClass() {
  TvxDragAndDropObjectClass c = FController ? FController->GetDragAndDropObjectClass() : nullptr;
  return c ? c : inherited::DragAndDropObjectClass();
}

bool TvxEditingControl::CanStartDragAndDrop(const TPoint& P) {
  if (!FController || !FController->StartDragAndDrop(P)) return false;
  FController->CancelHint();
  return true;
}

TvxExtEditingControl::~TvxExtEditingControl() {
  // The base destructor frees the collaborators; the options go with this part.
  std::vector<TvxCustomInplaceEditContainer*> items = FContainerList;
  for (TvxCustomInplaceEditContainer* i : items) i->FEditingControl = nullptr;
  FContainerList.clear();
  if (FCollaboratorsCreated) DestroyCollaborators();
  FCollaboratorsCreated = false;
}

void TvxExtEditingControl::CreateCollaborators() {
  FOptionsBehavior = vxCreateOfClass<TvxControlOptionsBehavior>(GetOptionsBehaviorClass(), this);
  FOptionsData = vxCreateOfClass<TvxControlOptionsData>(GetOptionsDataClass(), this);
  FOptionsView = vxCreateOfClass<TvxControlOptionsView>(GetOptionsViewClass(), this);
  inherited::CreateCollaborators();
}

void TvxExtEditingControl::DestroyCollaborators() {
  inherited::DestroyCollaborators();
  FOptionsBehavior.reset();
  FOptionsData.reset();
  FOptionsView.reset();
}
