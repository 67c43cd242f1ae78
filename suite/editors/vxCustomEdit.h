// The control half of every editor: a container control that owns a properties object,
// keeps the edit value, validates what the user typed, fires the change events and posts
// the value; plus its data binding and the in-place editor cache of a container.
#pragma once

#include <memory>
#include <vector>

#include "SysUtils.h"
#include "Variants.h"
#include "vxContainer.h"
#include "vxEdit.h"

DECLARE_EXCEPTION(EvxEditError, Exception)
DECLARE_EXCEPTION(EvxEditValidationError, EvxEditError)

class TvxCustomEdit;

// Both numeric, of one variant type, or both strings.
bool AreVariantsComparable(const Variant& V1, const Variant& V2);
// Comparable (above) and equal.
bool VarEqualsComparable(const Variant& V1, const Variant& V2);

// Defers OnChange / OnEditValueChanged while locked; the caught events fire once at the
// outermost unlock that asks for it.
class TvxEditChangeEventsCatcher {
 public:
  explicit TvxEditChangeEventsCatcher(TvxCustomEdit* AEdit) : FEdit(AEdit) {}
  bool IsLocked() const { return FLockCount > 0; }
  void Lock(bool ALock, bool AInvokeChangedOnUnlock = true);
  bool OnChangeEvent = false;
  bool OnEditValueChangedEvent = false;

 private:
  TvxCustomEdit* FEdit;
  Integer FLockCount = 0;
};

// The editor's link to its value source: the value lives in the editor itself and the data
// questions are answered through a default values provider owned by the binding.
class TvxEditDataBinding : public TPersistent {
  DECLARE_CLASS(TvxEditDataBinding, TPersistent)
 public:
  explicit TvxEditDataBinding(TvxCustomEdit* AEdit);
  ~TvxEditDataBinding() override;
  virtual bool GetEditing();
  virtual bool Modified();
  virtual void GetStoredValue(Variant& Value);
  virtual void Reset();
  virtual bool SetEditMode();
  virtual void SetStoredValue(const Variant&) {}
  virtual bool CanModify() { return IsDataAvailable(); }
  virtual bool CanPostEditorValue() { return Modified(); }
  virtual void SetModified();
  virtual void UpdateDisplayValue();
  IvxEditDefaultValuesProvider* IDefaultValuesProvider() const { return FProvider.get(); }
  bool IsDataAvailable() const { return FProvider->IsDataAvailable(); }
  TvxCustomEdit* Edit() const { return FEdit; }

 private:
  TvxCustomEdit* FEdit;
  std::unique_ptr<TvxCustomEditDefaultValuesProvider> FProvider;
};

// Per-cell state a container keeps between activations of a shared in-place editor.
class TvxCustomEditData : public TObject {
  DECLARE_CLASS(TvxCustomEditData, TObject)
 public:
  explicit TvxCustomEditData(TvxCustomEdit* AEdit);
  void Clear();
  bool Cleared() const { return FCleared; }
  void SetCleared(bool Value) { FCleared = Value; }
  TvxCustomEdit* Edit() const { return FEdit; }

 private:
  bool FCleared = false;
  TvxCustomEdit* FEdit;
};

struct TvxEditModifiedState {
  bool Modified;
  bool ModifiedAfterEnter;
};

using TvxEditEditingEvent = std::function<void(TObject* Sender, bool& CanEdit)>;

class TvxCustomEdit : public TvxContainer {
  DECLARE_CLASS(TvxCustomEdit, TvxContainer)
  friend class TvxEditChangeEventsCatcher;

 public:
  explicit TvxCustomEdit(TComponent* AOwner, bool AIsInplace = false);
  ~TvxCustomEdit() override;
  void AfterConstruction() override;
  // An editor created for a container to show over the cell being edited.
  template <class T>
  static T* CreateInplace(TComponent* AOwner) {
    auto c = std::make_unique<T>(AOwner, true);
    c->AfterConstruction();
    return c.release();
  }

  // An editor of class AClass (a TvxCustomEdit descendant), finished and ready.
  static TvxCustomEdit* CreateOfClass(TClass AClass, TComponent* AOwner, bool AIsInplace);

  // Activation by the container that owns the in-place editor.
  virtual void Activate(TvxCustomEditData*& AEditData);
  virtual void ActivateByKey(wchar_t Key, TvxCustomEditData*& AEditData);
  virtual void ActivateByMouse(TShiftState Shift, Integer X, Integer Y, TvxCustomEditData*& AEditData);
  // Validates the value; a validation error propagates and the editor stays active.
  virtual bool Deactivate();
  void RefreshEditData(TvxCustomEditData* AEditData);
  bool DoubleClickPending() const { return FDblClickTime != 0; }

  TvxCustomEditProperties* Properties() const { return FProperties.get(); }
  TvxCustomEditProperties* ActiveProperties() const { return FProperties.get(); }
  TvxEditDataBinding* DataBinding() const { return FDataBinding.get(); }
  bool IsInplace() const { return FIsInplace; }

  // The edit value protocol.
  virtual Variant EditValue() { return FEditValue; }
  virtual void SetEditValue(const Variant& Value);
  Variant EditingValue();
  void SetInternalEditValue(const Variant& Value);
  virtual void SetEditValueUnchecked(const Variant& Value) { InternalSetEditValue(Value, false); }
  virtual void Clear();
  bool EditModified() const { return FModified; }
  void SetEditModified(bool Value);
  bool ModifiedAfterEnter() const { return FModifiedAfterEnter; }
  void SetModifiedAfterEnter(bool Value);
  bool IsEditValidated() const { return FIsEditValidated; }
  TvxCustomEditData* EditData() const { return FEditData; }

  bool DoEditing();
  virtual bool CanModify();
  virtual bool RealReadOnly();
  bool ValidateEdit(bool ARaiseExceptionOnError);
  void PostEditValue();
  bool CanPostEditValue();
  void InternalPostEditValue(bool AValidateEdit = false);
  void Reset() { FDataBinding->Reset(); }
  virtual void ResetEditValue();
  bool AreChangeEventsLocked() const { return FChangeEventsCatcher->IsLocked(); }
  void LockChangeEvents(bool ALock, bool AInvokeChangedOnUnlock = true) {
    FChangeEventsCatcher->Lock(ALock, AInvokeChangedOnUnlock);
  }
  void LockClick(bool ALock);
  void LockEditValueChanging(bool ALock);
  bool IsDataStorage();
  void PushModifiedState();
  void PopModifiedState();
  virtual void PropertiesChanged(TObject* Sender);
  virtual void SelectAll() {}
  virtual void GetEditDisplayText(String& Text) { Text = String(); }
  virtual void SetInternalDisplayValue(const Variant&) {}
  virtual void SynchronizeDisplayValue() {}
  virtual void PrepareEditValue(const Variant&, Variant&, bool) {}
  virtual bool IsEditClass() { return false; }
  // Focus entry and exit of the editor (called by the focus messages).
  virtual void EnterProcessing();
  void ExitProcessing();

  TKeyEvent OnAfterKeyDown;
  TvxEditEditingEvent OnEditing;
  TNotifyEvent OnPostEditValue;

 protected:
  virtual std::unique_ptr<TvxCustomEditProperties> CreateProperties();
  virtual void Initialize();
  virtual void AfterPosting() { FIsPosting = false; }
  virtual void BeforePosting() { FIsPosting = true; }
  virtual void NotifyChange();
  virtual void NotifyEditValueChanged();
  virtual void FireOnChange();
  virtual void FireOnEditValueChanged();
  virtual void GetClearValue(Variant& Value) { Value = Null(); }
  virtual void HandleValidationError(const String& AErrorText, bool ACanAbortExecution);
  virtual bool InternalDoEditing() { return true; }
  virtual void InternalGetEditingValue(Variant& Value) { Value = EditValue(); }
  virtual void InternalApplyValidatedDisplayValue(const Variant&) {}
  virtual void InternalSetEditValue(const Variant& Value, bool AValidateEditValue);
  void ApplyValidatedDisplayValue(const Variant& ADisplayValue);
  virtual bool NeedsDisplayValueUpdate() { return true; }
  // Keyboard.
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  virtual void ProcessKeyDown(Word& Key, TShiftState Shift);
  virtual void ProcessKeyPress(wchar_t& Key) { CanProcessKeyPress(Key); }
  virtual void ProcessKeyUp(Word&, TShiftState) {}
  virtual bool CanProcessKeyDown(Word Key, TShiftState Shift);
  virtual bool CanProcessKeyPress(wchar_t& Key);
  virtual bool CanKeyDownModifyEdit(Word, TShiftState) { return false; }
  virtual bool CanKeyPressModifyEdit(wchar_t) { return false; }
  virtual bool IsValidChar(wchar_t AChar);
  virtual bool PassNavigationKeys() { return false; }
  virtual bool SendActivationKey(wchar_t) { return true; }
  virtual bool WantsAfterKeyDownEvent(Word, TShiftState) { return false; }
  virtual bool ClickDefaultButton();
  virtual void FireButtonClick(Integer AButtonVisibleIndex);
  virtual TClass GetEditDataClass() { return nullptr; }
  virtual void InitializeEditData() {}
  virtual void BeforeTabNavigation(TShiftState) {}
  void DoAfterKeyDown(Word& Key, TShiftState Shift);
  Integer GetDefaultButtonVisibleIndex();
  bool IsClickKey(Word Key, TShiftState Shift);
  virtual void UpdateDrawValue() {}
  void DoEnter() override;
  void DoExit() override;
  bool IsLoadingOrDestroying() const;

  bool FKeyboardAction = false;

 private:
  bool FIsEditValueResetting = false;
  bool FIsEscapeDown = false;
  DWORD FDblClickTime = 0;  // tick count when the activating click's double-click window ends
  TvxCustomEditData* FEditData = nullptr;
  bool HasChangeHandler();
  bool HasEditValueChangedHandler();
  void FireInFrame(void (TvxCustomEdit::*AFire)());

  std::unique_ptr<TvxEditChangeEventsCatcher> FChangeEventsCatcher;
  Integer FClickLockCount = 0;
  bool FEditModeSetting = false;
  Integer FEditValueChangingLockCount = 0;
  bool FIsEditValidated = false;
  bool FIsEditValidating = false;
  bool FIsInplace = false;
  bool FIsPosting = false;
  Integer FLockValidate = 0;
  bool FModified = false;
  bool FModifiedAfterEnter = false;
  Variant FPrevEditValue;
  std::vector<TvxEditModifiedState> FPrevModifiedList;
  bool FValidateErrorProcessing = false;
  std::unique_ptr<TvxEditDataBinding> FDataBinding;
  Variant FEditValue;
  std::unique_ptr<TvxCustomEditProperties> FProperties;
};

// The cache through which a container gets the one hidden in-place editor it needs per
// properties object.
class TvxInplaceEditList {
 public:
  explicit TvxInplaceEditList(TComponent* AEditorOwner);
  ~TvxInplaceEditList();
  TvxInplaceEditList(const TvxInplaceEditList&) = delete;
  TvxInplaceEditList& operator=(const TvxInplaceEditList&) = delete;

  // The editor bound to AProperties (claiming an unbound editor of the exact class, or
  // creating one); its own properties receive a copy of AProperties without events.
  TvxCustomEdit* GetEdit(TvxCustomEditProperties* AProperties);
  // An unbound editor of class AEditClass (created unbound when none is free).
  TvxCustomEdit* GetEdit(TClass AEditClass);
  TvxCustomEdit* FindEdit(TvxCustomEditProperties* AProperties);
  TvxCustomEdit* FindEdit(TClass AEditClass);
  void DisconnectProperties(TvxCustomEditProperties* AProperties);
  void RemoveItem(TvxCustomEditProperties* AProperties);
  void RemoveItem(TClass AEditClass);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }

  // Every live list; a properties object that goes away disconnects itself from them.
  static void DisconnectFromAll(TvxCustomEditProperties* AProperties);
  static Integer LiveListCount();

 private:
  struct TItem {
    TvxCustomEdit* Edit;
    TvxCustomEditProperties* Properties;
  };
  Integer IndexOf(TvxCustomEditProperties* AProperties, bool AClaimUnbound);
  Integer IndexOfUnbound(TClass AEditClass);
  void RemoveAt(Integer Index);

  TComponent* FEditorOwner;
  std::vector<TItem> FItems;
};
