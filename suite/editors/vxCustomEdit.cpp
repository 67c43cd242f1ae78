#include "vxCustomEdit.h"

#include <windows.h>

#include <algorithm>
#include <exception>

#include "Forms.h"
#include "Menus.h"
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

TvxCustomEditData::TvxCustomEditData(TvxCustomEdit* AEdit) : FEdit(AEdit) { Clear(); }

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
}

void TvxCustomEdit::ActivateByKey(wchar_t Key, TvxCustomEditData*& AEditData) {
  Activate(AEditData);
  if (SendActivationKey(Key)) SendMessageW(Handle(), WM_CHAR, static_cast<WPARAM>(Key), 0);
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
    if (inTime) DblClick();
  }
  TvxContainer::MouseDown(Button, Shift, X, Y);
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

namespace {

// Locks the change events of an editor for a scope, replaying the caught ones at the end.
class TChangeEventsScope {
 public:
  explicit TChangeEventsScope(TvxCustomEdit* AEdit) : FEdit(AEdit) { FEdit->LockChangeEvents(true); }
  ~TChangeEventsScope() noexcept(false) {
    // While an exception unwinds, the caught events are dropped instead of raising again.
    FEdit->LockChangeEvents(false, std::uncaught_exceptions() == 0);
  }
  TChangeEventsScope(const TChangeEventsScope&) = delete;
  TChangeEventsScope& operator=(const TChangeEventsScope&) = delete;

 private:
  TvxCustomEdit* FEdit;
};

}  // namespace

void TvxCustomEdit::ProcessKeyDown(Word& Key, TShiftState Shift) {
  const TShortCut s = ShortCut(Key, Shift);
  TvxCustomEditProperties* p = ActiveProperties();
  if (s != 0 && s == p->ClearKey()) {
    TChangeEventsScope lock(this);
    TCountScope keyboard(FKeyboardAction);
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
        TChangeEventsScope lock(this);
        if (ValidateEdit(true) && CanPostEditValue()) InternalPostEditValue(false);
      }
      break;
    case VK_ESCAPE:
      if (FModifiedAfterEnter && (IsDataStorage() || p->IsResetEditClass())) {
        {
          TChangeEventsScope lock(this);
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
  struct TClear {
    bool& F;
    ~TClear() { F = false; }
  } clear{FIsEscapeDown};
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
}

void TvxCustomEdit::KeyUp(Word& Key, TShiftState Shift) {
  TvxContainer::KeyUp(Key, Shift);
  if (Key != 0) ProcessKeyUp(Key, Shift);
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
  try {
    e->Properties()->Assign(AProperties);
  } catch (...) {
    e->LockChangeEvents(false, false);
    throw;
  }
  e->LockChangeEvents(false, false);
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
