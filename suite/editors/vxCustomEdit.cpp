#include "vxCustomEdit.h"

#include <windows.h>

#include "Forms.h"
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

// --- Variant comparison ------------------------------------------------------------------------

bool AreVariantsComparable(const Variant& V1, const Variant& V2) {
  return (VarIsNumeric(V1) && VarIsNumeric(V2)) || VarType(V1) == VarType(V2) || (VarIsStr(V1) && VarIsStr(V2));
}

bool VarEqualsComparable(const Variant& V1, const Variant& V2) {
  return AreVariantsComparable(V1, V2) && VariantsEqual(V1, V2);
}

// --- Edit control -------------------------------------------------------------------------------

namespace {

// Holds a counter raised for the life of a scope.
class TCountScope {
 public:
  explicit TCountScope(bool& AFlag) : FFlag(AFlag), FOld(AFlag) { FFlag = true; }
  ~TCountScope() { FFlag = FOld; }
  TCountScope(const TCountScope&) = delete;
  TCountScope& operator=(const TCountScope&) = delete;

 private:
  bool& FFlag;
  bool FOld;
};

}  // namespace

TvxCustomEdit::TvxCustomEdit(TComponent* AOwner, bool AIsInplace) : TvxContainer(AOwner), FIsInplace(AIsInplace) {
  FEditValue = Null();
  FPrevEditValue = Null();
}

TvxCustomEdit::~TvxCustomEdit() {
  if (FProperties) {
    FProperties->OnPropertiesChanged = nullptr;
    if (!FIsInplace) FProperties->SetIDefaultValuesProvider(nullptr);
  }
}

void TvxCustomEdit::AfterConstruction() {
  TvxContainer::AfterConstruction();
  Initialize();
}

std::unique_ptr<TvxCustomEditProperties> TvxCustomEdit::CreateProperties() {
  return std::make_unique<TvxCustomEditProperties>(this);
}

void TvxCustomEdit::Initialize() {
  FChangeEventsCatcher = std::make_unique<TvxEditChangeEventsCatcher>(this);
  FProperties = CreateProperties();
  SetTabStop(true);
  FDataBinding = std::make_unique<TvxEditDataBinding>(this);
  if (!FIsInplace) FProperties->SetIDefaultValuesProvider(FDataBinding->IDefaultValuesProvider());
  FProperties->OnPropertiesChanged = [this](TObject* Sender) { PropertiesChanged(Sender); };
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
  struct TUnlock {
    TvxCustomEdit* E;
    ~TUnlock() { E->LockClick(false); }
  } unlock{this};
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
  TCountScope setting(FEditModeSetting);
  if (FIsInplace) {
    LockEditValueChanging(true);
    try {
      if (OnEditing) OnEditing(this, r);
    } catch (...) {
      LockEditValueChanging(false);
      throw;
    }
    LockEditValueChanging(false);
  } else {
    const bool editing = FDataBinding->GetEditing();
    if (OnEditing) OnEditing(this, r);
    if (editing && r)
      FDataBinding->SetModified();
    else if (!editing && r) {
      LockEditValueChanging(true);
      try {
        r = FDataBinding->SetEditMode();
      } catch (...) {
        LockEditValueChanging(false);
        throw;
      }
      LockEditValueChanging(false);
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
  PushModifiedState();
  FModified = FModifiedAfterEnter = true;
  try {
    (this->*AFire)();
  } catch (...) {
    PopModifiedState();
    throw;
  }
  PopModifiedState();
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
  PushModifiedState();
  try {
    InternalApplyValidatedDisplayValue(ADisplayValue);
  } catch (...) {
    PopModifiedState();
    throw;
  }
  PopModifiedState();
}

bool TvxCustomEdit::ValidateEdit(bool ARaiseExceptionOnError) {
  if (!FModifiedAfterEnter || FIsEditValidated || FLockValidate > 0) return true;
  TCountScope validating(FIsEditValidating);
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
    if (ARaiseExceptionOnError) {
      try {
        HandleValidationError(errorText, true);
        Application->ProcessMessages();
      } catch (...) {
        showValidated();
        throw;
      }
    }
    showValidated();
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
      TCountScope processing(FValidateErrorProcessing);
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
  try {
    InternalPostEditValue(false);
  } catch (...) {
    SetModifiedAfterEnter(false);
    throw;
  }
  SetModifiedAfterEnter(false);
}

void TvxCustomEdit::InternalPostEditValue(bool AValidateEdit) {
  if (AValidateEdit) {
    const bool keyboard = FKeyboardAction;
    FKeyboardAction = false;
    bool ok;
    try {
      ok = ValidateEdit(true);
    } catch (...) {
      FKeyboardAction = keyboard;
      throw;
    }
    FKeyboardAction = keyboard;
    if (!ok) return;
  }
  BeforePosting();
  try {
    if (FIsInplace) {
      if (OnPostEditValue) OnPostEditValue(this);
      SetEditModified(false);
    } else if (FDataBinding->Modified()) {
      FDataBinding->SetStoredValue(EditValue());
    }
  } catch (...) {
    AfterPosting();
    // A stand-alone editor takes the focus back; in place the editor stays modified and
    // open, and the failure reaches the container that asked for the post.
    if (!FIsInplace) HandleValidationError(String(), false);
    throw;
  }
  AfterPosting();
}

void TvxCustomEdit::ResetEditValue() {
  if (!FModifiedAfterEnter || !ActiveProperties()->IsResetEditClass()) return;
  LockChangeEvents(true);
  try {
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
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}

void TvxCustomEdit::PropertiesChanged(TObject*) {
  FIsEditValidated = false;
  if (FModifiedAfterEnter && RealReadOnly()) SetModifiedAfterEnter(false);
  ShortRefreshContainer(false);
}

void TvxCustomEdit::EnterProcessing() {
  PushModifiedState();
  if (NeedsDisplayValueUpdate()) FDataBinding->UpdateDisplayValue();
  if (ActiveProperties()->IsResetEditClass()) FPrevEditValue = EditValue();
  PopModifiedState();
  FModifiedAfterEnter = false;
  ShortRefreshContainer(false);
}

void TvxCustomEdit::DoEnter() {
  if (FValidateErrorProcessing) return;
  EnterProcessing();
  TvxContainer::DoEnter();
}

void TvxCustomEdit::ExitProcessing() {
  if (IsLoadingOrDestroying() || FValidateErrorProcessing) return;
  PushModifiedState();
  LockChangeEvents(true);
  try {
    if (!ValidateEdit(true)) {
      LockChangeEvents(false);
      PopModifiedState();
      return;
    }
    if (!FIsInplace && CanPostEditValue()) InternalPostEditValue(false);
  } catch (...) {
    LockChangeEvents(false);
    PopModifiedState();
    throw;
  }
  LockChangeEvents(false);
  if (NeedsDisplayValueUpdate()) FDataBinding->UpdateDisplayValue();
  UpdateDrawValue();
  ShortRefreshContainer(false);
  PopModifiedState();
  TvxContainer::DoExit();
  SetModifiedAfterEnter(false);
}

void TvxCustomEdit::DoExit() {
  const bool keyboard = FKeyboardAction;
  FKeyboardAction = false;
  try {
    ExitProcessing();
  } catch (...) {
    FKeyboardAction = keyboard;
    throw;
  }
  FKeyboardAction = keyboard;
}
