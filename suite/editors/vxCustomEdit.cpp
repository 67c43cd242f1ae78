#include "vxCustomEdit.h"

#include <windows.h>

#include <algorithm>
#include <exception>

#include "Forms.h"
#include "Menus.h"
#include "Streaming.h"
#include "vxControls.h"
#include "vxEditConsts.h"
#include "vxVariants.h"

// --- Validation of the properties (needs the edit control) ------------------------------------

void TvxCustomEditProperties::DoValidate(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                         TvxCustomEdit* AEdit) {
  if (!AEdit) return;
  TvxCustomEditProperties* own = AEdit->Properties();
  TvxCustomEditProperties* active = AEdit->ActiveProperties();
  if (!own->OnValidate && (active == own || !active->OnValidate)) return;
  const Variant before = ADisplayValue;
  if (own->OnValidate) own->OnValidate(AEdit, ADisplayValue, AErrorText, AError);
  if (active != own && active->OnValidate) active->OnValidate(AEdit, ADisplayValue, AErrorText, AError);
  if (AError && VarToStr(before) == VarToStr(ADisplayValue)) {
    String text;
    AEdit->GetEditDisplayText(text);
    ADisplayValue = text;
  }
}

void TvxCustomEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                   TvxCustomEdit* AEdit) {
  if (!HasDisplayValue()) return;
  if (AErrorText.empty()) AErrorText = GetValidationErrorText(0);
  DoValidate(ADisplayValue, AErrorText, AError, AEdit);
}

// --- Change events catcher ----------------------------------------------------------------------

void TvxEditChangeEventsCatcher::Lock(bool ALock, bool AInvokeChangedOnUnlock) {
  if (ALock) {
    if (FLockCount == 0) OnChangeEvent = OnEditValueChangedEvent = false;
    ++FLockCount;
    return;
  }
  if (FLockCount == 0) return;
  if (--FLockCount > 0 || !AInvokeChangedOnUnlock || FEdit->IsLoadingOrDestroying()) return;
  if (OnChangeEvent && FEdit->HasChangeHandler()) FEdit->FireOnChange();
  if (OnEditValueChangedEvent && FEdit->HasEditValueChangedHandler()) FEdit->FireOnEditValueChanged();
}

// --- Data binding -------------------------------------------------------------------------------

TvxEditDataBinding::TvxEditDataBinding(TvxCustomEdit* AEdit)
    : FEdit(AEdit), FProvider(std::make_unique<TvxCustomEditDefaultValuesProvider>(nullptr)) {}

TvxEditDataBinding::~TvxEditDataBinding() = default;

bool TvxEditDataBinding::GetEditing() { return FEdit->ModifiedAfterEnter(); }
bool TvxEditDataBinding::Modified() { return FEdit->ModifiedAfterEnter(); }
void TvxEditDataBinding::GetStoredValue(Variant& Value) { Value = FEdit->EditValue(); }
void TvxEditDataBinding::Reset() { FEdit->ResetEditValue(); }
bool TvxEditDataBinding::SetEditMode() {
  FEdit->SetModifiedAfterEnter(true);
  return true;
}
void TvxEditDataBinding::SetModified() {
  if (FEdit->Focused()) FEdit->SetModifiedAfterEnter(true);
}
void TvxEditDataBinding::UpdateDisplayValue() { FEdit->SynchronizeDisplayValue(); }
Variant TvxEditDataBinding::DisplayValue() {
  String text;
  FEdit->GetEditDisplayText(text);
  return text;
}
void TvxEditDataBinding::SetDisplayValue(const Variant& Value) { FEdit->SetInternalDisplayValue(Value); }

// --- Variant comparison ------------------------------------------------------------------------

bool AreVariantsComparable(const Variant& V1, const Variant& V2) {
  return (VarIsNumeric(V1) && VarIsNumeric(V2)) || VarType(V1) == VarType(V2) || (VarIsStr(V1) && VarIsStr(V2));
}

bool VarIsSoftNull(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V) || (VarIsStr(V) && VarToStr(V).empty()); }

bool VarEqualsComparable(const Variant& V1, const Variant& V2) {
  return AreVariantsComparable(V1, V2) && VariantsEqual(V1, V2);
}


// --- Shared helpers of the editors --------------------------------------------------------------

namespace {
IvxEditHook* EditHook = nullptr;
}

IvxEditHook* vxEditHook() { return EditHook; }
bool GetEditGlobalPaintOption() { return false; }
TvxEditStyleController* GetDefaultEditStyleController() { return DefaultEditStyleController(); }
void vxSetEditHook(IvxEditHook* Value) { EditHook = Value; }

TShiftState MouseButtonToShiftState(TMouseButton AButton) {
  switch (AButton) {
    case mbLeft:
      return TShiftState{ssLeft};
    case mbRight:
      return TShiftState{ssRight};
    default:
      return TShiftState{ssMiddle};
  }
}

TShiftState vxMouseButtonToShift(TvxMouseButton AButton) {
  switch (AButton) {
    case vxmbLeft:
      return TShiftState{ssLeft};
    case vxmbRight:
      return TShiftState{ssRight};
    case vxmbMiddle:
      return TShiftState{ssMiddle};
    default:
      return TShiftState{};
  }
}

void EnlargeSize(TSize& A, const TSize& B) {
  A.cx = std::max(A.cx, B.cx);
  A.cy = std::max(A.cy, B.cy);
}

bool IsBlankChar(wchar_t C) { return C == 0 || C == 9 || C == 10 || C == 12 || C == 13 || C == L' '; }

bool IsRegionEmpty(HRGN ARegion) {
  RECT r;
  return GetRgnBox(ARegion, &r) == NULLREGION;
}

TComponent* FindOwnerComponent(TPersistent* APersistent) {
  for (TPersistent* p = APersistent ? APersistent->GetOwner() : nullptr; p; p = p->GetOwner())
    if (auto* c = dynamic_cast<TComponent*>(p)) return c;
  return nullptr;
}

TvxLookAndFeelKind GetEditButtonsLookAndFeelKind(TvxCustomEdit* AEdit) {
  if (AEdit->IsInplace()) return AEdit->Style()->LookAndFeel()->Kind();
  TvxEditButtons* buttons = AEdit->ActiveProperties()->Buttons();
  if (buttons->Count() == 0) return lfStandard;
  switch (AEdit->ActiveStyle()->ButtonStyle()) {
    case btsFlat:
    case btsSimple:
    case btsHotFlat:
      return lfFlat;
    case btsUltraFlat:
      return lfUltraFlat;
    case btsOffice11:
      return lfOffice11;
    default:
      return lfStandard;
  }
}

namespace {

WPARAM KeyStateOf(TShiftState Shift) {
  WPARAM r = 0;
  if (Shift.Contains(ssShift)) r |= MK_SHIFT;
  if (Shift.Contains(ssCtrl)) r |= MK_CONTROL;
  if (Shift.Contains(ssLeft)) r |= MK_LBUTTON;
  if (Shift.Contains(ssRight)) r |= MK_RBUTTON;
  if (Shift.Contains(ssMiddle)) r |= MK_MBUTTON;
  return r;
}

LPARAM PointParam(POINT P) { return MAKELPARAM(static_cast<WORD>(P.x), static_cast<WORD>(P.y)); }

}  // namespace

LRESULT SendMouseMessageToControl(TWinControl* AControl, UINT AMsg, TShiftState AShift, const TPoint& P) {
  return SendMessageW(AControl->Handle(), AMsg, KeyStateOf(AShift), PointParam(POINT{P.x, P.y}));
}

LRESULT SendKeyMessage(TWinControl* AControl, UINT AMsg, WPARAM AKey, TShiftState) {
  return SendMessageW(AControl->Handle(), AMsg, AKey, 0);
}

LRESULT SendKeyDownMessage(TWinControl* AControl, WPARAM AKey, TShiftState AShift) {
  return SendKeyMessage(AControl, WM_KEYDOWN, AKey, AShift);
}

LRESULT SendCharMessage(TWinControl* AControl, wchar_t AChar) {
  return SendKeyMessage(AControl, WM_CHAR, AChar, TShiftState{});
}

void UniteRegionHandles(HRGN ADest, HRGN ASource) { CombineRgn(ADest, ADest, ASource, RGN_OR); }

// --- Edit control -------------------------------------------------------------------------------


// Hears the repository item the editor takes its properties from.
class TvxCustomEdit::TRepositoryItemListener : public IvxEditRepositoryItemListener {
 public:
  explicit TRepositoryItemListener(TvxCustomEdit* AEdit) : FEdit(AEdit) {}
  void RepositoryItemRemoved(TvxEditRepositoryItem*) override { FEdit->DropRepositoryItem(); }
  void PropertiesChanged(TvxEditRepositoryItem* Sender) override {
    if (!FEdit->IsLoadingOrDestroying()) FEdit->PropertiesChanged(Sender->Properties());
  }

 private:
  TvxCustomEdit* FEdit;
};

const TMessageMap* TvxCustomEdit::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_COPY, MessageHandler<&TvxCustomEdit::WMCopy>},
      {WM_CUT, MessageHandler<&TvxCustomEdit::WMCut>},
      {WM_PASTE, MessageHandler<&TvxCustomEdit::WMPaste>},
      {CM_DIALOGCHAR, MessageHandler<&TvxCustomEdit::CMDialogChar>},
      {CM_HINTSHOW, MessageHandler<&TvxCustomEdit::CMHintShow>},
      {CM_ENTER, MessageHandler<&TvxCustomEdit::CMEnter>},
      {CM_SHOWINGCHANGED, MessageHandler<&TvxCustomEdit::CMShowingChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxCustomEdit::TvxCustomEdit(TComponent* AOwner, bool AIsInplace) : TvxContainer(AOwner), FIsInplace(AIsInplace) {
  FEditValue = Null();
  FPrevEditValue = Null();
  FRepositoryItemListener = std::make_unique<TRepositoryItemListener>(this);
}

TvxCustomEdit::~TvxCustomEdit() {
  Destroying();
  if (EditHook) EditHook->EditingEnded(this);
  if (FRepositoryItem) {
    FRepositoryItem->RemoveListener(FRepositoryItemListener.get());
    FRepositoryItem->RemoveFreeNotification(this);
    FRepositoryItem = nullptr;
  }
  // The inner control calls back into the editor while it goes: free it while the
  // editor is whole.
  if (FInnerEditControl) {
    UnhookInnerEditWindowProc();
    SetInnerControl(nullptr);
    FInnerEdit = nullptr;
    TWinControl* inner = FInnerEditControl;
    FInnerEditControl = nullptr;
    delete inner;
  }
  if (FProperties) {
    FProperties->OnPropertiesChanged = nullptr;
    if (!FIsInplace) FProperties->SetIDefaultValuesProvider(nullptr);
  }
}

void TvxCustomEdit::AfterConstruction() {
  // The container's view info comes from the properties: they exist first.
  FProperties = CreateProperties();
  TvxContainer::AfterConstruction();
  Initialize();
  if (HandleAllocated()) ShortRefreshContainer(false);
}

std::unique_ptr<TvxCustomEditProperties> TvxCustomEdit::CreateProperties() {
  TObject* p = GetPropertiesClass()->NewInstance(this);
  auto* r = dynamic_cast<TvxCustomEditProperties*>(p);
  if (!r) {
    delete p;
    throw EvxEditError(L"Not an edit properties class");
  }
  return std::unique_ptr<TvxCustomEditProperties>(r);
}

void TvxCustomEdit::Initialize() {
  FChangeEventsCatcher = std::make_unique<TvxEditChangeEventsCatcher>(this);
  if (!FProperties) FProperties = CreateProperties();
  {
    std::unique_ptr<TvxCustomEditViewData> vd(CreateViewData());
    vd->InitEditContentParams(ContentParams);
    FIsContentParamsInitialized = true;
  }
  ControlStyle().Include(csCaptureMouse);
  ControlStyle().Include(csSetCaption);
  SetTabStop(true);
  FInnerEdit = CreateInnerEdit();
  if (FInnerEdit) {
    FInnerEditControl = FInnerEdit->GetControl();
    InitializeInnerEdit();
    SetInnerControl(FInnerEditControl);
  }
  ControlStyle().Include(csReplicatable);
  FDataBinding = std::make_unique<TvxEditDataBinding>(this);
  FAutoSize = !FIsInplace;
  FCaptureButtonVisibleIndex = -1;
  FEditValue = Null();
  FLockValidate = 0;
  if (!FIsInplace) FProperties->SetIDefaultValuesProvider(FDataBinding->IDefaultValuesProvider());
  FProperties->OnPropertiesChanged = [this](TObject* Sender) { PropertiesChanged(Sender); };
  FIsJustCreated = true;
}

IvxCustomInnerEdit* TvxCustomEdit::CreateInnerEdit() {
  TClass cls = GetInnerEditClass();
  if (!cls) return nullptr;
  std::unique_ptr<TObject> obj(cls->NewInstance(this));
  if (!obj) throw EvxEditError(L"The inner edit class cannot be created");
  obj->AfterConstruction();
  IvxCustomInnerEdit* r = dynamic_cast<IvxCustomInnerEdit*>(obj.get());
  if (!r)
    if (auto* owner = dynamic_cast<IvxInnerEditHelperOwner*>(obj.get())) r = owner->GetHelper();
  if (!r || !dynamic_cast<TWinControl*>(obj.get())) throw EvxEditError(L"Not an inner edit class");
  obj.release();  // the editor owns it as a component
  return r;
}

void TvxCustomEdit::InitializeInnerEdit() {
  FInnerEdit->SetParent(this);
  if (ActiveProperties()->HasSeparateChangeEvents())
    FInnerEdit->SetOnChange([this](TObject* Sender) { ChangeHandler(Sender); });
  FInnerEditControl->SetParentShowHint(false);
}

void TvxCustomEdit::ChangeHandler(TObject*) {
  if (Focused())
    SetModifiedAfterEnter(true);
  else if (!ActiveProperties()->IsChanging())
    FDataBinding->SetModified();
  NotifyChange();
}

bool TvxCustomEdit::SkipInnerEditUpdate() { return IsDestroying() || GetInnerEditClass() == nullptr; }

void TvxCustomEdit::UpdateInnerEditReadOnly() {
  if (SkipInnerEditUpdate() || !FInnerEdit) return;
  FInnerEdit->SetReadOnly(RealReadOnly());
}

// --- Repository item -------------------------------------------------------------------------

TvxCustomEditProperties* TvxCustomEdit::ActiveProperties() const {
  if (FRepositoryItem) {
    TvxCustomEditProperties* p = FRepositoryItem->Properties();
    if (FDataBinding) p->SetIDefaultValuesProvider(FDataBinding->IDefaultValuesProvider());
    return p;
  }
  return FProperties.get();
}

TRect TvxCustomEdit::GetShadowExtent() {
  const TvxCustomEditViewInfo* vi = ViewInfo();
  return TRect{vi->ShadowRect.left - vi->Bounds.left, vi->ShadowRect.top - vi->Bounds.top,
               vi->Bounds.right - vi->ShadowRect.right, vi->Bounds.bottom - vi->ShadowRect.bottom};
}

bool TvxCustomEdit::IsRepositoryItemAcceptable(TvxEditRepositoryItem* ARepositoryItem) {
  if (!ARepositoryItem) return true;
  TClass own = GetPropertiesClass();
  if (FProperties && FProperties->ClassType()->InheritsFrom(own)) own = FProperties->ClassType();
  return ARepositoryItem->Properties()->ClassType()->InheritsFrom(own);
}

void TvxCustomEdit::SetRepositoryItem(TvxEditRepositoryItem* Value) {
  if (Value == FRepositoryItem) return;
  if (!IsRepositoryItemAcceptable(Value)) throw EvxEditError(vxGetResString(&vxSEditInvalidRepositoryItem));
  RepositoryItemAssigning();
  if (FRepositoryItem) {
    FRepositoryItem->RemoveListener(FRepositoryItemListener.get());
    FRepositoryItem->RemoveFreeNotification(this);
  }
  FRepositoryItem = Value;
  if (FRepositoryItem) {
    FRepositoryItem->AddListener(FRepositoryItemListener.get());
    FRepositoryItem->FreeNotification(this);
    FProperties->SetIDefaultValuesProvider(nullptr);
    ApplyRepositoryItemProperties();
    if (!IsLoadingOrDestroying()) PropertiesChanged(FRepositoryItem->Properties());
    FProperties->OnPropertiesChanged = nullptr;
  } else {
    ApplyRepositoryItemProperties();
    if (!IsLoadingOrDestroying()) {
      FProperties->OnPropertiesChanged = [this](TObject* Sender) { PropertiesChanged(Sender); };
      PropertiesChanged(FProperties.get());
    }
    FProperties->SetIDefaultValuesProvider(FDataBinding->IDefaultValuesProvider());
  }
  RepositoryItemAssigned();
}

// The item goes: the editor shows its own properties again instead of keeping the look
// of properties that no longer exist.
void TvxCustomEdit::DropRepositoryItem() {
  FRepositoryItem = nullptr;
  if (IsDestroying()) return;
  ApplyRepositoryItemProperties();
  FProperties->OnPropertiesChanged = [this](TObject* Sender) { PropertiesChanged(Sender); };
  if (FDataBinding) FProperties->SetIDefaultValuesProvider(FDataBinding->IDefaultValuesProvider());
  if (!IsLoadingOrDestroying()) PropertiesChanged(FProperties.get());
}

// The view info is of the class the active properties paint with.
void TvxCustomEdit::ApplyRepositoryItemProperties() {
  std::unique_ptr<TvxCustomEditViewInfo> vi(ActiveProperties()->CreateViewInfo());
  if (vi && FViewInfo && vi->ClassType() != FViewInfo->ClassType()) {
    FViewInfo = std::move(vi);
    FIsViewInfoCalculated = false;
  }
}

void TvxCustomEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TvxContainer::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FRepositoryItem) {
    FRepositoryItem->RemoveListener(FRepositoryItemListener.get());
    DropRepositoryItem();
  } else if (AComponent == FInnerEditControl) {
    FInnerEditControl = nullptr;
    FInnerEdit = nullptr;
  }
}

bool TvxCustomEdit::IsLoadingOrDestroying() const {
  return ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying);
}

void TvxCustomEdit::SetEditModified(bool Value) {
  FModified = Value;
  if (!Value) FModifiedAfterEnter = false;
}

void TvxCustomEdit::SetModifiedAfterEnter(bool Value) {
  FModifiedAfterEnter = Value;
  if (Value) {
    FIsEditValidated = false;
    FModified = true;
  }
}

void TvxCustomEdit::PushModifiedState() { FPrevModifiedList.push_back({FModified, FModifiedAfterEnter}); }

void TvxCustomEdit::PopModifiedState() {
  if (FPrevModifiedList.empty()) return;
  const TvxEditModifiedState s = FPrevModifiedList.back();
  FPrevModifiedList.pop_back();
  FModified = s.Modified;
  FModifiedAfterEnter = s.ModifiedAfterEnter;
}

void TvxCustomEdit::LockClick(bool ALock) {
  if (ALock)
    ++FClickLockCount;
  else if (FClickLockCount > 0)
    --FClickLockCount;
}

void TvxCustomEdit::LockEditValueChanging(bool ALock) {
  if (ALock)
    ++FEditValueChangingLockCount;
  else if (FEditValueChangingLockCount > 0)
    --FEditValueChangingLockCount;
}

bool TvxCustomEdit::IsDataStorage() {
  IvxEditDefaultValuesProvider* p = FDataBinding->IDefaultValuesProvider();
  return p && p->IsDataStorage();
}

Variant TvxCustomEdit::EditingValue() {
  if (Focused() && !FIsEditValidated && FModifiedAfterEnter) {
    Variant v;
    InternalGetEditingValue(v);
    return v;
  }
  return EditValue();
}

void TvxCustomEdit::SetEditValue(const Variant& Value) {
  if (FEditValueChangingLockCount > 0) return;
  LockClick(true);
  TScopeExit unlock([this] { LockClick(false); });
  if (!FKeyboardAction || DoEditing()) InternalSetEditValue(Value, true);
}

void TvxCustomEdit::SetInternalEditValue(const Variant& Value) {
  if (FEditValueChangingLockCount > 0) return;
  if (!FKeyboardAction || DoEditing()) InternalSetEditValue(Value, true);
}

void TvxCustomEdit::Clear() {
  Variant v;
  GetClearValue(v);
  SetEditValue(v);
}

void TvxCustomEdit::InternalSetEditValue(const Variant& Value, bool) {
  if (FKeyboardAction && !DoEditing()) return;
  // Without value comparison every assignment counts as a change.
  const bool canCompare = ActiveProperties()->CanCompareEditValue();
  const bool changed = !canCompare || !VarEqualsComparable(Value, FEditValue);
  FEditValue = Value;
  SynchronizeDisplayValue();
  if (FKeyboardAction)
    SetModifiedAfterEnter(true);
  else
    SetEditModified(false);
  if (!changed) return;
  // NotifyChange reports the value change itself when values cannot be compared, so
  // each event fires once per assignment.
  if (canCompare || ActiveProperties()->HasSeparateChangeEvents()) NotifyEditValueChanged();
  if (!ActiveProperties()->HasSeparateChangeEvents()) NotifyChange();
}

bool TvxCustomEdit::CanModify() {
  if (FIsInplace) return ActiveProperties()->CanModify();
  TvxCustomEditProperties* p = ActiveProperties();
  if (p->IsReadOnlyStored()) return !p->ReadOnly();
  IvxEditDefaultValuesProvider* provider = FDataBinding->IDefaultValuesProvider();
  return !provider || (provider->DefaultCanModify() && provider->CanSetEditMode());
}

bool TvxCustomEdit::RealReadOnly() { return ActiveProperties()->ReadOnly() || !FDataBinding->IsDataAvailable(); }

bool TvxCustomEdit::DoEditing() {
  if (!InternalDoEditing()) return false;
  if (FDataBinding->Modified()) return true;
  bool r = CanModify();
  if (!r) return false;
  TValueScope<bool> setting(FEditModeSetting, true);
  if (FIsInplace) {
    LockEditValueChanging(true);
    TScopeExit unlock([this] { LockEditValueChanging(false); });
    if (OnEditing) OnEditing(this, r);
  } else {
    const bool editing = FDataBinding->GetEditing();
    if (OnEditing) OnEditing(this, r);
    if (editing && r)
      FDataBinding->SetModified();
    else if (!editing && r) {
      LockEditValueChanging(true);
      TScopeExit unlock([this] { LockEditValueChanging(false); });
      r = FDataBinding->SetEditMode();
    }
  }
  return r;
}

bool TvxCustomEdit::HasChangeHandler() {
  return static_cast<bool>(Properties()->OnChange) || static_cast<bool>(ActiveProperties()->OnChange);
}

bool TvxCustomEdit::HasEditValueChangedHandler() {
  return static_cast<bool>(Properties()->OnEditValueChanged) ||
         static_cast<bool>(ActiveProperties()->OnEditValueChanged);
}

void TvxCustomEdit::FireOnChange() {
  if (Properties()->OnChange) Properties()->OnChange(this);
  if (ActiveProperties() != Properties() && ActiveProperties()->OnChange) ActiveProperties()->OnChange(this);
}

void TvxCustomEdit::FireOnEditValueChanged() {
  if (Properties()->OnEditValueChanged) Properties()->OnEditValueChanged(this);
  if (ActiveProperties() != Properties() && ActiveProperties()->OnEditValueChanged)
    ActiveProperties()->OnEditValueChanged(this);
}

// In place the handler sees the editor as modified after entry for its duration only.
void TvxCustomEdit::FireInFrame(void (TvxCustomEdit::*AFire)()) {
  if (!FIsInplace) {
    (this->*AFire)();
    return;
  }
  TvxModifiedStateScope modified(this);
  FModified = FModifiedAfterEnter = true;
  (this->*AFire)();
}

void TvxCustomEdit::NotifyChange() {
  if (IsLoadingOrDestroying()) return;
  if (HasChangeHandler()) {
    if (AreChangeEventsLocked())
      FChangeEventsCatcher->OnChangeEvent = true;
    else
      FireInFrame(&TvxCustomEdit::FireOnChange);
  }
  if (!ActiveProperties()->HasSeparateChangeEvents() && !ActiveProperties()->CanCompareEditValue())
    NotifyEditValueChanged();
}

void TvxCustomEdit::NotifyEditValueChanged() {
  if (IsLoadingOrDestroying() || !HasEditValueChangedHandler()) return;
  if (AreChangeEventsLocked())
    FChangeEventsCatcher->OnEditValueChangedEvent = true;
  else
    FireInFrame(&TvxCustomEdit::FireOnEditValueChanged);
}

void TvxCustomEdit::ApplyValidatedDisplayValue(const Variant& ADisplayValue) {
  TvxModifiedStateScope modified(this);
  InternalApplyValidatedDisplayValue(ADisplayValue);
}

bool TvxCustomEdit::ValidateEdit(bool ARaiseExceptionOnError) {
  if (!FModifiedAfterEnter || FIsEditValidated || FLockValidate > 0) return true;
  TValueScope<bool> validating(FIsEditValidating, true);
  String text;
  GetEditDisplayText(text);
  Variant displayValue = text;
  String errorText;
  bool error = false;
  if (ActiveProperties()->HasDisplayValue())
    ActiveProperties()->ValidateDisplayValue(displayValue, errorText, error, this);
  if (error) {
    // The handler's display value is shown whether or not the error is raised.
    auto showValidated = [&] {
      String current;
      GetEditDisplayText(current);
      if (VarToStr(displayValue) != current) {
        SetInternalDisplayValue(displayValue);
        if (Visible()) {
          SelectAll();
          if (!IsEditClass()) UpdateDrawValue();
        }
      }
    };
    {
      TScopeExit show(showValidated);
      if (ARaiseExceptionOnError) {
        HandleValidationError(errorText, true);
        Application->ProcessMessages();
      }
    }
    return false;
  }
  if (FKeyboardAction && !DoEditing()) return true;
  ApplyValidatedDisplayValue(displayValue);
  if (!FIsInplace && !Focused()) SetModifiedAfterEnter(false);
  FIsEditValidated = true;
  return true;
}

void TvxCustomEdit::HandleValidationError(const String& AErrorText, bool ACanAbortExecution) {
  // An editor that cannot take the focus leaves the value unvalidated: the next
  // validation checks it again instead of letting the invalid value through.
  if (CanFocus() && Visible()) {
    if (!Focused()) {
      TValueScope<bool> processing(FValidateErrorProcessing, true);
      SetFocus();
    }
    SelectAll();
  }
  if (ActiveProperties()->BeepOnError()) MessageBeep(0);
  if (!AErrorText.empty()) throw EvxEditValidationError(AErrorText);
  if (ACanAbortExecution) Abort();
}

bool TvxCustomEdit::CanPostEditValue() {
  return !ComponentState().Contains(csDesigning) && FDataBinding->CanPostEditorValue();
}

void TvxCustomEdit::PostEditValue() {
  if (CanPostEditValue()) {
    InternalPostEditValue(true);
    return;
  }
  if (!Focused() || !DoEditing()) return;
  SetModifiedAfterEnter(true);
  FIsEditValidated = true;
  TScopeExit unmodify([this] { SetModifiedAfterEnter(false); });
  InternalPostEditValue(false);
}

void TvxCustomEdit::InternalPostEditValue(bool AValidateEdit) {
  if (AValidateEdit) {
    bool ok;
    {
      TValueScope<bool> keyboard(FKeyboardAction, false);
      ok = ValidateEdit(true);
    }
    if (!ok) return;
  }
  BeforePosting();
  {
    // A stand-alone editor that fails to post takes the focus back; in place the editor
    // stays modified and open, and the failure reaches the container that asked for the
    // post.
    const int exceptions = std::uncaught_exceptions();
    TScopeExit after([this, exceptions] {
      AfterPosting();
      if (std::uncaught_exceptions() > exceptions && !FIsInplace) HandleValidationError(String(), false);
    });
    if (FIsInplace) {
      if (OnPostEditValue) OnPostEditValue(this);
      SetEditModified(false);
    } else if (FDataBinding->Modified()) {
      FDataBinding->SetStoredValue(EditValue());
    }
  }
}

void TvxCustomEdit::ResetEditValue() {
  if (!FModifiedAfterEnter || !ActiveProperties()->IsResetEditClass()) return;
  LockChangeEvents(true);
  TScopeExit unlock([this] { LockChangeEvents(false); });
  FModifiedAfterEnter = false;
  if (IsDataStorage()) {
    Variant v;
    FDataBinding->GetStoredValue(v);
    SetEditValueUnchecked(v);
  } else {
    SetEditValueUnchecked(FPrevEditValue);
  }
  SetEditModified(true);
  SelectAll();
  if (ActiveProperties()->ImmediatePost() && CanPostEditValue()) InternalPostEditValue(false);
}

void TvxCustomEdit::PropertiesChanged(TObject*) {
  FIsEditValidated = false;
  UpdateInnerEditReadOnly();
  if (FModifiedAfterEnter && RealReadOnly()) SetModifiedAfterEnter(false);
  if (ActiveProperties()->Transparent()) SetTransparent(true);
  CalculateAnchors();
  ShortRefreshContainer(false);
}

void TvxCustomEdit::EnterProcessing() {
  PushModifiedState();
  if (NeedsDisplayValueUpdate()) FDataBinding->UpdateDisplayValue();
  if (ActiveProperties()->IsResetEditClass()) FPrevEditValue = EditValue();
  PopModifiedState();
  FModifiedAfterEnter = false;
  ShortRefreshContainer(false);
  if (EditHook) EditHook->InnerControlFocused(this, FInnerEditControl);
}

void TvxCustomEdit::DoEnter() {
  if (FValidateErrorProcessing) return;
  EnterProcessing();
  TvxContainer::DoEnter();
}

void TvxCustomEdit::ExitProcessing() {
  if (IsLoadingOrDestroying() || FValidateErrorProcessing) return;
  {
    TvxModifiedStateScope modified(this);
    {
      LockChangeEvents(true);
      TScopeExit unlock([this] { LockChangeEvents(false); });
      if (!ValidateEdit(true)) return;
      if (!FIsInplace && CanPostEditValue()) InternalPostEditValue(false);
    }
    if (NeedsDisplayValueUpdate()) FDataBinding->UpdateDisplayValue();
    UpdateDrawValue();
    ShortRefreshContainer(false);
  }
  TvxContainer::DoExit();
  SetModifiedAfterEnter(false);
}

void TvxCustomEdit::DoExit() {
  TValueScope<bool> keyboard(FKeyboardAction, false);
  if (EditHook) EditHook->EditingEnded(this);
  ExitProcessing();
}

TClass TvxCustomEditProperties::GetContainerClass() { return TvxCustomEdit::StaticClass(); }

TvxCustomEdit* TvxCustomEdit::CreateOfClass(TClass AClass, TComponent* AOwner, bool AIsInplace) {
  if (!AClass || !AClass->InheritsFrom(TvxCustomEdit::StaticClass()))
    throw EvxEditError(L"Not an editor class");
  std::unique_ptr<TvxCustomEdit> e(static_cast<TvxCustomEdit*>(AClass->NewInstance(AOwner)));
  if (!e) throw EvxEditError(L"The editor class cannot be created");
  e->FIsInplace = AIsInplace;
  e->AfterConstruction();
  return e.release();
}

// --- Per-cell edit data -------------------------------------------------------------------------

TvxCustomEditData::TvxCustomEditData(TvxCustomEdit* AEdit) : FEdit(AEdit) {
  FFreeNotificator = std::make_unique<TvxFreeNotificator>(nullptr);
  FFreeNotificator->OnFreeNotification = [this](TComponent*) { FEdit = nullptr; };
  if (FEdit) FFreeNotificator->AddSender(FEdit);
  Clear();
}

TvxCustomEditData::~TvxCustomEditData() {
  if (FEdit) FFreeNotificator->RemoveSender(FEdit);
}

void TvxCustomEditData::Clear() {
  FCleared = true;
  if (FEdit) FEdit->RefreshEditData(this);
}

void TvxCustomEdit::RefreshEditData(TvxCustomEditData* AEditData) {
  if (AEditData && AEditData == FEditData && AEditData->Cleared()) {
    InitializeEditData();
    AEditData->SetCleared(false);
  }
}

// --- Activation ---------------------------------------------------------------------------------

void TvxCustomEdit::Activate(TvxCustomEditData*& AEditData) {
  if (!AEditData && GetEditDataClass()) {
    AEditData = static_cast<TvxCustomEditData*>(GetEditDataClass()->NewInstance(this));
  }
  FEditData = AEditData;
  RefreshEditData(FEditData);
  SetVisible(true);
  if (HandleAllocated() && CanFocus()) {
    SetFocus();
    if (ActiveProperties()->AutoSelect()) SelectAll();
  }
  SynchronizeDisplayValue();
  SetEditModified(false);
  InplaceParams.MultiRowParent = true;
}

void TvxCustomEdit::ActivateByKey(wchar_t Key, TvxCustomEditData*& AEditData) {
  HookInnerEditWindowProc();
  TScopeExit unhook([this] { UnhookInnerEditWindowProc(); });
  Activate(AEditData);
  if (SendActivationKey(Key)) SendMessageW(Handle(), WM_CHAR, static_cast<WPARAM>(Key), 0);
}

void TvxCustomEdit::ActivateByMouse(TShiftState Shift, Integer X, Integer Y, TvxCustomEditData*& AEditData) {
  Activate(AEditData);
  POINT p{X, Y};
  if (Parent()) MapWindowPoints(Parent()->Handle(), Handle(), &p, 1);
  if (Shift.Contains(ssLeft)) {
    SendMessageW(Handle(), WM_MOUSEMOVE, 0, PointParam(p));
    SendMessageW(Handle(), WM_LBUTTONDOWN, KeyStateOf(Shift), PointParam(p));
    if (GetCapture() == Handle() && (GetKeyState(VK_LBUTTON) & 0x8000) == 0) ReleaseCapture();
  } else {
    SendMessageW(Handle(), WM_LBUTTONUP, KeyStateOf(Shift), PointParam(p));
  }
  // A quick second click after the activating one forms a double click.
  FDblClickTime = GetTickCount() + GetDoubleClickTime();
  if (FDblClickTime == 0) FDblClickTime = 1;
}

bool TvxCustomEdit::Deactivate() {
  FDblClickTime = 0;
  FKeyboardAction = false;
  const bool r = ValidateEdit(true);
  if (r) {
    SynchronizeDisplayValue();
    FIsEditValidated = true;
  }
  return r;
}

void TvxCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button == mbLeft && FDblClickTime != 0) {
    const bool inTime = static_cast<int>(FDblClickTime - GetTickCount()) > 0;
    FDblClickTime = 0;
    if (inTime && GetButtonIndexAt(TPoint{X, Y}) == -1) DblClick();
  }
  // A handler may free the editor: a weak link tells whether it is still there.
  TvxObjectLink* link = vxAddObjectLink(this);
  TScopeExit dropLink([link] { vxRemoveObjectLink(link); });
  TvxContainer::MouseDown(Button, Shift, X, Y);
  if (!link || !link->Ref) return;
  // The editor may not track the mouse yet (the first click): the pressed button still
  // has to show.
  if (!IsMouseTracked()) RefreshContainer(TPoint{X, Y}, vxMouseButtonToVx(Button), Shift, true);
  if (Button == mbLeft && HandleAllocated() && GetCapture() == Handle()) {
    const Integer i = GetButtonIndexAt(TPoint{X, Y});
    if (i != -1 && ViewInfo()->Buttons(i)->Data.State == ebsPressed) FCaptureButtonVisibleIndex = i;
  }
}

// --- Keyboard -----------------------------------------------------------------------------------

Integer TvxCustomEdit::GetDefaultButtonVisibleIndex() {
  TvxEditButtons* buttons = ActiveProperties()->Buttons();
  Integer visibleIndex = 0;
  for (Integer i = 0; i < buttons->Count(); ++i) {
    TvxEditButton* b = buttons->Items(i);
    if (!b->Visible()) continue;
    if (b->Default()) return visibleIndex;
    ++visibleIndex;
  }
  return -1;
}

bool TvxCustomEdit::IsClickKey(Word Key, TShiftState Shift) {
  return GetDefaultButtonVisibleIndex() != -1 && ShortCut(Key, Shift) == ActiveProperties()->ClickKey();
}

void TvxCustomEdit::FireButtonClick(Integer AButtonVisibleIndex) {
  if (Properties()->OnButtonClick) Properties()->OnButtonClick(this, AButtonVisibleIndex);
  if (ActiveProperties() != Properties() && ActiveProperties()->OnButtonClick)
    ActiveProperties()->OnButtonClick(this, AButtonVisibleIndex);
}

bool TvxCustomEdit::ClickDefaultButton() {
  const Integer i = GetDefaultButtonVisibleIndex();
  if (i == -1) return false;
  FireButtonClick(i);
  return true;
}

void TvxCustomEdit::DoAfterKeyDown(Word& Key, TShiftState Shift) {
  if (OnAfterKeyDown) OnAfterKeyDown(this, Key, Shift);
}

bool TvxCustomEdit::IsValidChar(wchar_t AChar) {
  IvxEditDefaultValuesProvider* p = ActiveProperties()->IDefaultValuesProvider();
  return !p || p->IsValidChar(AChar) || p->IsOnSetTextAssigned();
}

bool TvxCustomEdit::CanProcessKeyDown(Word Key, TShiftState Shift) {
  return FDataBinding->Modified() || !CanKeyDownModifyEdit(Key, Shift) || DoEditing();
}

bool TvxCustomEdit::CanProcessKeyPress(wchar_t& Key) {
  WORD type = 0;
  GetStringTypeW(CT_CTYPE1, &Key, 1, &type);
  if ((type & C1_CNTRL) == 0 && !IsValidChar(Key)) {
    Key = 0;
    MessageBeep(0);
  } else if (!FDataBinding->Modified() && CanKeyPressModifyEdit(Key) && !DoEditing()) {
    Key = 0;
  }
  return Key != 0;
}


void TvxCustomEdit::ProcessKeyDown(Word& Key, TShiftState Shift) {
  const TShortCut s = ShortCut(Key, Shift);
  TvxCustomEditProperties* p = ActiveProperties();
  if (s != 0 && s == p->ClearKey()) {
    auto lock = vxLockChangeEvents(this);
    TValueScope<bool> keyboard(FKeyboardAction, true);
    Variant v;
    GetClearValue(v);
    SetInternalEditValue(v);
    if (p->ImmediatePost() && CanPostEditValue()) InternalPostEditValue(false);
    FIsEditValidated = true;
    Key = 0;
  }
  if (Key != 0 && GetDefaultButtonVisibleIndex() != -1 && s == p->ClickKey()) {
    MSG m;
    while (PeekMessageW(&m, Handle(), WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
    ClickDefaultButton();
    Key = 0;
  }
  if (Key != 0 && !CanProcessKeyDown(Key, Shift)) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  switch (Key) {
    case VK_TAB:
      if (Focused() && !Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl) && !p->ProcessesTabKey()) {
        BeforeTabNavigation(Shift);
        DoAfterKeyDown(Key, Shift);
        if (Key != 0) {
          Key = 0;
          if (TCustomForm* form = GetParentForm(this))
            form->SelectNext(form->ActiveControl() ? form->ActiveControl() : this, !Shift.Contains(ssShift), true);
        }
      }
      break;
    case VK_RETURN:
      if (p->ValidateOnEnter()) {
        Key = 0;
        auto lock = vxLockChangeEvents(this);
        if (ValidateEdit(true) && CanPostEditValue()) InternalPostEditValue(false);
      }
      break;
    case VK_ESCAPE:
      if (FModifiedAfterEnter && (IsDataStorage() || p->IsResetEditClass())) {
        {
          auto lock = vxLockChangeEvents(this);
          Reset();
          SetEditModified(true);
        }
        FIsEditValueResetting = true;
        Key = 0;
      }
      break;
    default:
      break;
  }
  if (!PassNavigationKeys() && Key >= VK_PRIOR && Key <= VK_DOWN) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
  }
}

void TvxCustomEdit::KeyDown(Word& Key, TShiftState Shift) {
  FIsEditValueResetting = false;
  const bool escape = Key == VK_ESCAPE;
  FIsEscapeDown = escape;
  TScopeExit clear([this] { FIsEscapeDown = false; });
  if (!IsClickKey(Key, Shift)) TvxContainer::KeyDown(Key, Shift);
  if (Key != 0) ProcessKeyDown(Key, Shift);
  if (Key != 0 && WantsAfterKeyDownEvent(Key, Shift)) DoAfterKeyDown(Key, Shift);
}

void TvxCustomEdit::KeyPress(wchar_t& Key) {
  if (Key == 27 && FIsEditValueResetting) {
    FIsEditValueResetting = false;
    Key = 0;
    return;
  }
  TvxContainer::KeyPress(Key);
  if (Key != 0) ProcessKeyPress(Key);
  if (Key != 0 && EditHook) EditHook->KeyPressed(this, Key);
}

void TvxCustomEdit::KeyUp(Word& Key, TShiftState Shift) {
  TvxContainer::KeyUp(Key, Shift);
  if (Key != 0) ProcessKeyUp(Key, Shift);
}

// --- View data and view info --------------------------------------------------------------------

TvxContainerStyleClass TvxCustomEdit::GetStyleClass() { return TvxContainerStyle::ClassOf<TvxEditStyle>(); }

std::unique_ptr<TvxContainerViewInfo> TvxCustomEdit::CreateViewInfo() {
  return std::unique_ptr<TvxContainerViewInfo>(ActiveProperties()->CreateViewInfo());
}

TvxContainerStyleValues TvxCustomEdit::GetNotPublishedStyleValues() {
  TvxContainerStyleValues r;
  for (TvxContainerStyleValue v = svButtonStyle; v <= svGradientDirection; ++v) r.Include(v);
  return r;
}

TvxEditStateColorKind TvxCustomEdit::GetEditStateColorKind() {
  const TvxEditStateColorKind r = TvxContainer::GetEditStateColorKind();
  return r != esckDisabled && FProperties->ReadOnly() ? esckReadOnly : r;
}

void TvxCustomEdit::PrepareDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) {
  ActiveProperties()->PrepareDisplayValue(AEditValue, ADisplayValue, AEditFocused);
}

TvxCustomEditViewData* TvxCustomEdit::CreateViewData() {
  TvxCustomEditViewData* vd = ActiveProperties()->CreateViewData(ActiveStyle(), FIsInplace);
  if (FIsInplace && FIsContentParamsInitialized) vd->EditContentParams = ContentParams;
  vd->Edit = SkipInnerEditUpdate() ? nullptr : this;
  vd->WindowHandle = HandleAllocated() ? Handle() : nullptr;
  FillViewDataState(vd);
  return vd;
}

void TvxCustomEdit::FillViewDataState(TvxCustomEditViewData* AViewData) {
  AViewData->Enabled = Enabled();
  AViewData->Focused = Focused();
  AViewData->InnerEdit = FInnerEdit;
  AViewData->IsDesigning = IsDesigning();
}

void TvxCustomEdit::CalculateViewInfo(const TPoint& P, TvxMouseButton Button, TShiftState Shift, bool AIsMouseEvent) {
  std::unique_ptr<TvxCustomEditViewData> vd(CreateViewData());
  vd->Calculate(Canvas(), TRect{0, 0, Width(), Height()}, P, Button, Shift, ViewInfo(), AIsMouseEvent);
}

void TvxCustomEdit::CalculateViewInfoAtCursor() {
  TPoint p{-1, -1};
  if (HandleAllocated()) {
    POINT cur;
    vxQueryCursorPos(cur);
    ::ScreenToClient(Handle(), &cur);
    p = TPoint{cur.x, cur.y};
  }
  CalculateViewInfo(p, vxmbNone, vxCurrentShiftState(), false);
}

Integer TvxCustomEdit::GetButtonIndexAt(const TPoint& P) {
  TvxCustomEditViewInfo* vi = ViewInfo();
  for (Integer i = 0; i < vi->ButtonCount(); ++i)
    if (PtInRect(&vi->Buttons(i)->Bounds, POINT{P.x, P.y})) return i;
  return -1;
}

bool TvxCustomEdit::RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift,
                                      bool AIsMouseEvent) {
  if (FCaptureButtonVisibleIndex != -1 && (!HandleAllocated() || GetCapture() != Handle()))
    FCaptureButtonVisibleIndex = -1;
  std::unique_ptr<TvxCustomEditViewInfo> prev;
  if (AIsMouseEvent) {
    prev.reset(ActiveProperties()->CreateViewInfo());
    prev->Assign(ViewInfo());
  }
  CalculateViewInfo(P, AButton, AShift, AIsMouseEvent);
  TRect innerRect{};
  if (FInnerEditControl && IsEditClass()) innerRect = FInnerEditControl->BoundsRect();
  if (!ViewInfo()->Repaint(this, innerRect, prev.get()) && prev) return true;
  AlignInnerControl();
  CalculateViewInfo(P, AButton, AShift, AIsMouseEvent);
  if (ViewInfo()->ContainerState.Contains(csHotTrack)) vxBeginMouseTracking(this, Bounds(), this);
  if (prev) ProcessViewInfoChanges(prev.get(), AButton != vxmbNone);
  return true;
}

void TvxCustomEdit::ProcessViewInfoChanges(TvxCustomEditViewInfo* APrevViewInfo, bool) {
  TvxCustomEditViewInfo* vi = ViewInfo();
  if (APrevViewInfo->PressedButton == vi->PressedButton && APrevViewInfo->SelectedButton == vi->SelectedButton)
    return;
  const Integer wasPressed = APrevViewInfo->PressedButton;
  if (wasPressed != -1) {
    // A click fires on release over the button that was pressed.
    DoButtonUp(wasPressed);
    if (wasPressed == vi->SelectedButton) FireButtonClick(wasPressed);
  }
  if (vi->PressedButton != -1 && wasPressed == -1) DoButtonDown(vi->PressedButton);
}

bool TvxCustomEdit::IsDBEditPaintCopyDrawing() {
  return IsDataStorage() && ControlState().Contains(csPaintCopy);
}

void TvxCustomEdit::Paint() {
  if (IsDBEditPaintCopyDrawing()) {
    PaintCopyDraw();
    return;
  }
  TvxCanvas* canvas = Canvas();
  TvxCustomEditViewInfo* vi = ViewInfo();
  if (!RectVisible(canvas->Handle(), &vi->Bounds)) return;
  CheckViewInfo();
  // What lies behind a transparent or missing border shows through.
  vxDrawContainerFrameBackground(canvas, this, vi->Bounds, vi->BorderWidth, vi->BorderRect);
  vi->Paint(canvas);
}

void TvxCustomEdit::PaintCopyDraw() {
  std::unique_ptr<TvxCustomEditViewInfo> vi(ActiveProperties()->CreateViewInfo());
  std::unique_ptr<TvxCustomEditViewData> vd(CreateViewData());
  Variant v;
  FDataBinding->GetStoredValue(v);
  vd->EditValueToDrawValue(Canvas(), v, vi.get());
  const TRect r{0, 0, Width(), Height()};
  vd->Calculate(Canvas(), r, TPoint{-1, -1}, vxmbNone, TShiftState{}, vi.get(), false);
  vi->Paint(Canvas());
  ExcludeClipRect(Canvas()->Handle(), r.left, r.top, r.right, r.bottom);
}

// --- Mouse and buttons --------------------------------------------------------------------------

void TvxCustomEdit::Click() {
  if (IsDestroying() || FClickLockCount > 0) return;
  if (ComponentState().Contains(csLoading) && !CanClickWhileLoading()) return;
  TvxContainer::Click();
}

void TvxCustomEdit::DoClick() {
  SetModifiedAfterEnter(true);
  if (FClickLockCount == 0) Click();
}

void TvxCustomEdit::DblClick() {
  POINT cur{};
  if (HandleAllocated()) {
    vxQueryCursorPos(cur);
    ::ScreenToClient(Handle(), &cur);
  }
  if (!HandleAllocated() || GetButtonIndexAt(TPoint{cur.x, cur.y}) == -1) {
    TvxContainer::DblClick();
    return;
  }
  // A fast second click on a button clicks it again instead of double-clicking the editor.
  TShiftState shift = vxCurrentShiftState();
  shift.Include(ssLeft);
  MouseDown(mbLeft, shift, cur.x, cur.y);
  Click();
}

void TvxCustomEdit::DoClosePopup(TvxEditCloseUpReason AReason) {
  if (Properties()->OnClosePopup) Properties()->OnClosePopup(this, AReason);
  if (FRepositoryItem && ActiveProperties()->OnClosePopup) ActiveProperties()->OnClosePopup(this, AReason);
}

bool TvxCustomEdit::CanUseMouseWheel(TShiftState Shift) {
  return !FIsInplace || ActiveProperties()->UseMouseWheel() || Shift.Contains(ssCtrl);
}

bool TvxCustomEdit::IsClearOrClickKey(Word Key, TShiftState Shift) {
  const TShortCut s = ShortCut(Key, Shift);
  return (s != 0 && s == ActiveProperties()->ClearKey()) ||
         (s == ActiveProperties()->ClickKey() && GetDefaultButtonVisibleIndex() != -1);
}

bool TvxCustomEdit::InternalFocused() { return !(ActiveProperties()->DependsOnFocus() && !Focused()); }

bool TvxCustomEdit::HasValidateHandler() {
  return static_cast<bool>(Properties()->OnValidate) || static_cast<bool>(ActiveProperties()->OnValidate);
}

String TvxCustomEdit::GetHintText(Integer APart) {
  String r;
  if (APart >= 0 && APart < ViewInfo()->ButtonCount()) {
    const Integer index = ViewInfo()->Buttons(APart)->Index;
    TvxEditButtons* buttons = ActiveProperties()->Buttons();
    if (index >= 0 && index < buttons->Count()) r = buttons->Items(index)->Hint();
  }
  if (r.empty() && ShowHint()) r = Hint();
  return r;
}

// --- Messages -----------------------------------------------------------------------------------

void TvxCustomEdit::WMCopy(TMessage&) { CopyToClipboard(); }

void TvxCustomEdit::WMCut(TMessage&) {
  TValueScope<bool> keyboard(FKeyboardAction, true);
  if (ActiveProperties()->ReadOnly() || !FDataBinding->IsDataAvailable())
    CopyToClipboard();
  else
    CutToClipboard();
}

void TvxCustomEdit::WMPaste(TMessage&) {
  if (ActiveProperties()->ReadOnly() || !FDataBinding->IsDataAvailable()) return;
  TValueScope<bool> keyboard(FKeyboardAction, true);
  PasteFromClipboard();
}

namespace {

// The character after the single "&" of a caption (a doubled "&&" is a plain ampersand).
wchar_t AcceleratorOf(const String& ACaption) {
  for (size_t i = 0; i + 1 < ACaption.size(); ++i) {
    if (ACaption[i] != L'&') continue;
    if (ACaption[i + 1] != L'&') return ACaption[i + 1];
    ++i;
  }
  return 0;
}

}  // namespace

void TvxCustomEdit::CMDialogChar(TCMDialogChar& Message) {
  const wchar_t ch = static_cast<wchar_t>(Message.CharCode());
  TvxEditButtons* buttons = ActiveProperties()->Buttons();
  Integer visibleIndex = 0;
  for (Integer i = 0; i < buttons->Count(); ++i) {
    TvxEditButton* b = buttons->Items(i);
    if (!b->Visible()) continue;
    const wchar_t acc = AcceleratorOf(b->Caption());
    if (b->Enabled() && acc && CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(acc))) ==
                                   CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(ch)))) {
      FireButtonClick(visibleIndex);
      Message.M.Result = 1;
      return;
    }
    ++visibleIndex;
  }
  InheritedMessage(Message.M);
}

void TvxCustomEdit::CMHintShow(TMessage& Message) {
  auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
  POINT cur = info ? info->CursorPos : POINT{-1, -1};
  const Integer part = ViewInfo()->GetPart(TPoint{cur.x, cur.y});
  if (part == -2) {
    Message.Result = -1;
    return;
  }
  if (!info) return;
  String hint = GetHintText(part);
  const size_t bar = hint.find(L'|');
  info->HintStr = bar == String::npos ? hint : hint.substr(0, bar);
  info->CursorRect = ViewInfo()->GetPartRect(part);
}

void TvxCustomEdit::CMEnter(TMessage& Message) {
  InheritedMessage(Message);
  if (FInnerEdit && FDataBinding->CanModify() && !ActiveProperties()->ReadOnly()) FInnerEdit->SetReadOnly(false);
}

void TvxCustomEdit::CMShowingChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (Showing()) AlignInnerControl();
}

void TvxCustomEdit::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_CONTEXTMENU && FIsInplace) return;
  TvxContainer::DefaultHandler(Message);
}

bool TvxCustomEdit::DoInnerControlDefaultHandler(TMessage& Message) {
  if (TvxContainer::DoInnerControlDefaultHandler(Message)) return true;
  switch (Message.Msg) {
    case WM_CUT:
      if (FInnerEdit && FInnerEdit->GetReadOnly()) return false;
      {
        TValueScope<bool> keyboard(FKeyboardAction, true);
        if (DoEditing())
          CutToClipboard();
        else
          CopyToClipboard();
      }
      return true;
    case WM_PASTE:
      if ((FInnerEdit && FInnerEdit->GetReadOnly()) || !DoEditing()) return false;
      {
        TValueScope<bool> keyboard(FKeyboardAction, true);
        PasteFromClipboard();
      }
      return true;
    case WM_UNDO:
      FDataBinding->SetEditMode();
      return false;
    default:
      return false;
  }
}

// --- Focus --------------------------------------------------------------------------------------

void TvxCustomEdit::CreateHandle() {
  TvxContainer::CreateHandle();
  if (FInnerEdit && Focused()) FInnerEdit->SafelySetFocus();
}

void TvxCustomEdit::FocusInnerControl() {
  if (FInnerEdit)
    FInnerEdit->SafelySetFocus();
  else
    TvxContainer::FocusInnerControl();
}

void TvxCustomEdit::FocusChanged() {
  if (IsDestroying() || FValidateErrorProcessing) return;
  const bool focused = Focused() && Application->Active();
  if (focused == FFocused) return;
  FFocused = focused;
  TvxContainer::FocusChanged();
  DoFocusChanged();
}

void TvxCustomEdit::DoFocusChanged() {
  UpdateDrawValue();
  // A hidden modal form closing with a result takes the typed value with it.
  if (TCustomForm* form = GetParentForm(this)) {
    auto* f = dynamic_cast<TForm*>(form);
    if (f && !f->Visible() && f->ModalResult() != mrNone && f->ModalResult() != mrCancel) ValidateEdit(false);
  }
}

bool TvxCustomEdit::IsActiveControl() {
  if (Focused()) return true;
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  TWinControl* active = form->ActiveControl();
  return active && (active == this || (FInnerEditControl && active == FInnerEditControl));
}

// --- Automatic size -----------------------------------------------------------------------------

void TvxCustomEdit::GetEditSizeProperties(TvxEditSizeProperties& R) {
  R.Height = -1;
  R.MaxLineCount = 1;
  R.Width = IsAutoWidth() ? NoAnchor : Width();
}

bool TvxCustomEdit::IsAutoWidth() {
  return CanAutoSize() && CanAutoWidth() && (Align() == alNone || Align() == alLeft || Align() == alRight);
}

void TvxCustomEdit::CalculateAutoSize(Integer& AWidth, Integer& AHeight) {
  if (!CanAutoSize()) return;
  TvxEditSizeProperties sizeProperties;
  GetEditSizeProperties(sizeProperties);
  std::unique_ptr<TvxCustomEditViewData> vd(CreateViewData());
  TvxScreenCanvas* screen = vxGetScreenCanvas();
  TScopeExit release([screen] { screen->Dormant(); });
  const TSize size = vd->GetEditSize(screen, EditValue(), sizeProperties, ViewInfo());
  if (IsAutoWidth()) AWidth = size.cx;
  const TAlign a = Align();
  if (a != alLeft && a != alRight && a != alClient && a != alCustom) AHeight = size.cy;
}

bool TvxCustomEdit::CanResize(Integer& NewWidth, Integer& NewHeight) {
  const bool r = TvxContainer::CanResize(NewWidth, NewHeight);
  if (r && !ComponentState().Contains(csLoading)) CalculateAutoSize(NewWidth, NewHeight);
  return r;
}

void TvxCustomEdit::SetAutoSize(bool Value) {
  if (Value == FAutoSize || FIsInplace) return;
  FAutoSize = Value;
  DoAutoSizeChanged();
  if (Value) {
    if (!IsDestroying() && vxCanAllocateHandle(this)) HandleNeeded();
    AlignInnerControl();
    ShortRefreshContainer(false);
  }
}

void TvxCustomEdit::SetAnchorX(Integer Value) {
  FAnchorX = Value;
  AlignInnerControl();
}

void TvxCustomEdit::SetAnchorY(Integer Value) {
  FAnchorY = Value;
  AlignInnerControl();
}

namespace {
// Half a size, rounded up: an odd size keeps its centre within one pixel.
Integer HalfUp(Integer A) { return A / 2 + (A % 2); }
}  // namespace

void TvxCustomEdit::CalculateAnchors() {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading)) return;
  if (UsesAnchorX())
    FAnchorX = ActiveProperties()->Alignment()->Horz() == taCenter ? Left() + HalfUp(Width()) : Left() + Width();
  if (UsesAnchorY())
    FAnchorY = ActiveProperties()->Alignment()->Vert() == taVCenter ? Top() + HalfUp(Height()) : Top() + Height();
}

void TvxCustomEdit::AlignInnerControl() {
  if (!HandleAllocated() || IsDestroying()) return;
  Integer w = Width(), h = Height();
  CalculateAutoSize(w, h);
  Integer left = Left(), top = Top();
  if (UsesAnchors() && IsAutoWidth()) {
    if (!FIsFirstSetSize) CalculateAnchors();
    FIsFirstSetSize = false;
    if (UsesAnchorX() && FAnchorX != NoAnchor)
      left = FAnchorX - (ActiveProperties()->Alignment()->Horz() == taCenter ? HalfUp(w) : w);
    if (UsesAnchorY() && FAnchorY != NoAnchor)
      top = FAnchorY - (ActiveProperties()->Alignment()->Vert() == taVCenter ? HalfUp(h) : h);
  }
  if (left != Left() || top != Top() || w != Width() || h != Height()) SetBounds(left, top, w, h);
  AdjustInnerEditPosition();
}

void TvxCustomEdit::AdjustInnerEditPosition() {
  if (!FInnerEditControl) return;
  const TRect& c = ViewInfo()->ClientRect;
  RECT b = FInnerEditControl->BoundsRect();
  if (!EqualRect(&b, &c)) FInnerEditControl->SetBounds(c.left, c.top, c.right - c.left, c.bottom - c.top);
}

void TvxCustomEdit::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  if (Value)
    ControlStyle().Exclude(csOpaque);
  else
    ControlStyle().Include(csOpaque);
  ShortRefreshContainer(false);
}

// --- Life cycle ---------------------------------------------------------------------------------

void TvxCustomEdit::Loaded() {
  FIsFirstSetSize = true;
  TvxContainer::Loaded();
  auto lock = vxLockChangeEvents(this);
  LockClick(true);
  TScopeExit clicks([this] { LockClick(false); });
  ShortRefreshContainer(false);
  if (!FRepositoryItem) FProperties->OnPropertiesChanged = [this](TObject* Sender) { PropertiesChanged(Sender); };
  PropertiesChanged(ActiveProperties());
  ViewInfo()->Shadow = false;
}

void TvxCustomEdit::SetParent(TWinControl* AParent) {
  if (FIsJustCreated && AParent) {
    FIsJustCreated = false;
    PropertiesChanged(FProperties.get());
    FDataBinding->UpdateDisplayValue();
  }
  TvxContainer::SetParent(AParent);
}

void TvxCustomEdit::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  TvxContainer::GetChildren(
      [&](TComponent* AChild) {
        if (AChild != FInnerEditControl) Proc(AChild);
      },
      Root);
}

void TvxCustomEdit::DefineProperties(TFiler* Filer) {
  TvxContainer::DefineProperties(Filer);
  Filer->DefineProperty(
      L"AnchorX", [this](TReader* Reader) { SetAnchorX(Reader->ReadInteger()); },
      [this](TWriter* Writer) {
        CalculateAnchors();
        Writer->WriteInteger(FAnchorX);
      },
      UsesAnchorX());
  Filer->DefineProperty(
      L"AnchorY", [this](TReader* Reader) { SetAnchorY(Reader->ReadInteger()); },
      [this](TWriter* Writer) {
        CalculateAnchors();
        Writer->WriteInteger(FAnchorY);
      },
      UsesAnchorY());
}

// --- Inner-edit hook ----------------------------------------------------------------------------

namespace {
const wchar_t* const CHookProp = L"ZsEditInnerHook";
}

LRESULT CALLBACK TvxCustomEdit::InnerEditHookProc(HWND AWnd, UINT AMsg, WPARAM WParam, LPARAM LParam) {
  auto* edit = static_cast<TvxCustomEdit*>(GetPropW(AWnd, CHookProp));
  if (!edit || !edit->FInnerEditDefWindowProc) return DefWindowProcW(AWnd, AMsg, WParam, LParam);
  TMessage m{AMsg, WParam, LParam, 0};
  edit->InnerEditWindowProc(m);
  return m.Result;
}

void TvxCustomEdit::HookInnerEditWindowProc() {
  if (!FInnerEditControl || FInnerEditDefWindowProc) return;
  HWND w = FInnerEditControl->Handle();
  SetPropW(w, CHookProp, this);
  FInnerEditDefWindowProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TvxCustomEdit::InnerEditHookProc)));
}

void TvxCustomEdit::UnhookInnerEditWindowProc() {
  if (!FInnerEditDefWindowProc) return;
  if (FInnerEditControl && FInnerEditControl->HandleAllocated()) {
    HWND w = FInnerEditControl->Handle();
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FInnerEditDefWindowProc));
    RemovePropW(w, CHookProp);
  }
  FInnerEditDefWindowProc = nullptr;
}

// The message goes on to the inner edit's own procedure, for the inner edit's window (not
// the editor's: the inner window procedure keeps per-window state).
void TvxCustomEdit::InnerEditWindowProc(TMessage& Message) {
  HWND w = FInnerEditControl ? FInnerEditControl->Handle() : nullptr;
  Message.Result = CallWindowProcW(FInnerEditDefWindowProc, w, Message.Msg, Message.WParam, Message.LParam);
}

// --- In-place edit list -------------------------------------------------------------------------

namespace {
std::vector<TvxInplaceEditList*>* InplaceEditLists = nullptr;
}

void vxDisconnectFromInplaceEditLists(TvxCustomEditProperties* AProperties) {
  TvxInplaceEditList::DisconnectFromAll(AProperties);
}

void TvxInplaceEditList::DisconnectFromAll(TvxCustomEditProperties* AProperties) {
  if (!InplaceEditLists) return;
  for (TvxInplaceEditList* l : *InplaceEditLists) l->DisconnectProperties(AProperties);
}

Integer TvxInplaceEditList::LiveListCount() {
  return InplaceEditLists ? static_cast<Integer>(InplaceEditLists->size()) : 0;
}

TvxInplaceEditList::TvxInplaceEditList(TComponent* AEditorOwner) : FEditorOwner(AEditorOwner) {
  if (!InplaceEditLists) InplaceEditLists = new std::vector<TvxInplaceEditList*>();
  InplaceEditLists->push_back(this);
}

TvxInplaceEditList::~TvxInplaceEditList() {
  auto& lists = *InplaceEditLists;
  lists.erase(std::find(lists.begin(), lists.end(), this));
  if (lists.empty()) {
    delete InplaceEditLists;
    InplaceEditLists = nullptr;
  }
  while (!FItems.empty()) RemoveAt(0);
}

Integer TvxInplaceEditList::IndexOfUnbound(TClass AEditClass) {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (!FItems[i].Properties && FItems[i].Edit->ClassType() == AEditClass) return static_cast<Integer>(i);
  return -1;
}

Integer TvxInplaceEditList::IndexOf(TvxCustomEditProperties* AProperties, bool AClaimUnbound) {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Properties == AProperties) return static_cast<Integer>(i);
  if (!AClaimUnbound) return -1;
  const Integer i = IndexOfUnbound(AProperties->GetContainerClass());
  if (i != -1) FItems[i].Properties = AProperties;
  return i;
}

TvxCustomEdit* TvxInplaceEditList::GetEdit(TvxCustomEditProperties* AProperties) {
  Integer i = IndexOf(AProperties, true);
  if (i == -1) {
    std::unique_ptr<TvxCustomEdit> e(TvxCustomEdit::CreateOfClass(AProperties->GetContainerClass(), FEditorOwner, true));
    e->SetVisible(false);
    FItems.push_back({e.release(), AProperties});
    i = Count() - 1;
  }
  TvxCustomEdit* e = FItems[i].Edit;
  // The copy must not look like a user change.
  e->LockChangeEvents(true);
  {
    TScopeExit unlock([e] { e->LockChangeEvents(false, false); });
    e->Properties()->Assign(AProperties);
  }
  return e;
}

TvxCustomEdit* TvxInplaceEditList::GetEdit(TClass AEditClass) {
  const Integer i = IndexOfUnbound(AEditClass);
  if (i != -1) return FItems[i].Edit;
  std::unique_ptr<TvxCustomEdit> e(TvxCustomEdit::CreateOfClass(AEditClass, FEditorOwner, true));
  e->SetVisible(false);
  FItems.push_back({e.get(), nullptr});
  return e.release();
}

TvxCustomEdit* TvxInplaceEditList::FindEdit(TvxCustomEditProperties* AProperties) {
  const Integer i = IndexOf(AProperties, true);
  return i == -1 ? nullptr : FItems[i].Edit;
}

TvxCustomEdit* TvxInplaceEditList::FindEdit(TClass AEditClass) {
  const Integer i = IndexOfUnbound(AEditClass);
  return i == -1 ? nullptr : FItems[i].Edit;
}

void TvxInplaceEditList::DisconnectProperties(TvxCustomEditProperties* AProperties) {
  const Integer i = IndexOf(AProperties, false);
  if (i != -1) FItems[i].Properties = nullptr;
}

void TvxInplaceEditList::RemoveItem(TvxCustomEditProperties* AProperties) {
  const Integer i = IndexOf(AProperties, false);
  if (i != -1) RemoveAt(i);
}

void TvxInplaceEditList::RemoveItem(TClass AEditClass) {
  for (Integer i = Count() - 1; i >= 0; --i)
    if (!FItems[i].Properties && FItems[i].Edit->ClassType() == AEditClass) RemoveAt(i);
}

void TvxInplaceEditList::RemoveAt(Integer Index) {
  TvxCustomEdit* e = FItems[Index].Edit;
  FItems.erase(FItems.begin() + Index);
  e->SetParent(nullptr);
  delete e;
}
