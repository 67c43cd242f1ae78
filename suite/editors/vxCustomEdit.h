// The control half of every editor: a container control that owns a properties object,
// keeps the edit value, validates what the user typed, fires the change events and posts
// the value; plus its data binding and the in-place editor cache of a container.
#pragma once

#include <exception>
#include <memory>
#include <vector>

#include "SysUtils.h"
#include "Variants.h"
#include "vxContainer.h"
#include "vxEdit.h"

DECLARE_EXCEPTION(EvxEditError, Exception)
DECLARE_EXCEPTION(EvxEditValidationError, EvxEditError)

class TvxCustomEdit;

// The inner windowed control of an editor (a text edit's EDIT window, for one), seen
// through the operations the editor needs.
class IvxCustomInnerEdit : public IvxContainerInnerControl {
 public:
  virtual LRESULT CallDefWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) = 0;
  virtual bool CanProcessClipboardMessages() = 0;
  virtual Variant GetEditValue() = 0;
  virtual TNotifyEvent GetOnChange() = 0;
  virtual bool GetReadOnly() = 0;
  virtual void LockBounds(bool ALock) = 0;
  virtual void SafelySetFocus() = 0;
  virtual void SetEditValue(const Variant& Value) = 0;
  virtual void SetParent(TWinControl* Value) = 0;
  virtual void SetOnChange(TNotifyEvent Value) = 0;
  virtual void SetReadOnly(bool Value) = 0;
};
// {468D21B5-48AA-4077-8ED5-4C6112D460B1}
constexpr GUID IID_IvxCustomInnerEdit = {0x468D21B5, 0x48AA, 0x4077, {0x8E, 0xD5, 0x4C, 0x61, 0x12, 0xD4, 0x60, 0xB1}};

// An inner control that hands out a separate object for its editor interface (the
// control's own names would clash with the interface's).
class IvxInnerEditHelperOwner {
 public:
  virtual ~IvxInnerEditHelperOwner() = default;
  virtual IvxCustomInnerEdit* GetHelper() = 0;
};
// {35667555-6DC8-40D5-B705-B08D5697C621}
constexpr GUID IID_IvxInnerEditHelperOwner = {
    0x35667555, 0x6DC8, 0x40D5, {0xB7, 0x05, 0xB0, 0x8D, 0x56, 0x97, 0xC6, 0x21}};

// The suite-wide observer of editing (nothing in this program installs one): told when
// editing ends, when an inner control takes the focus and about each key pressed.
class IvxEditHook {
 public:
  virtual ~IvxEditHook() = default;
  virtual void EditingEnded(TvxCustomEdit* AEdit) = 0;
  virtual void InnerControlFocused(TvxCustomEdit* AEdit, TWinControl* AInnerControl) = 0;
  virtual void KeyPressed(TvxCustomEdit* AEdit, wchar_t AKey) = 0;
};
IvxEditHook* vxEditHook();
// A module-wide painting option; nothing in this program sets it.
bool GetEditGlobalPaintOption();
TvxEditStyleController* GetDefaultEditStyleController();
void vxSetEditHook(IvxEditHook* Value);

// mbLeft -> ssLeft, mbRight -> ssRight, mbMiddle -> ssMiddle.
TShiftState MouseButtonToShiftState(TMouseButton AButton);
TShiftState vxMouseButtonToShift(TvxMouseButton AButton);
// A := the larger of each dimension.
void EnlargeSize(TSize& A, const TSize& B);
// #0, #9, #10, #12, #13 or a space.
bool IsBlankChar(wchar_t C);
bool IsRegionEmpty(HRGN ARegion);
// The first component up the owner chain of APersistent, nullptr when none.
TComponent* FindOwnerComponent(TPersistent* APersistent);
// The look-and-feel kind an editor's buttons are drawn with.
TvxLookAndFeelKind GetEditButtonsLookAndFeelKind(TvxCustomEdit* AEdit);
LRESULT SendMouseMessageToControl(TWinControl* AControl, UINT AMsg, TShiftState AShift, const TPoint& P);
LRESULT SendKeyMessage(TWinControl* AControl, UINT AMsg, WPARAM AKey, TShiftState AShift);
LRESULT SendKeyDownMessage(TWinControl* AControl, WPARAM AKey, TShiftState AShift);
LRESULT SendCharMessage(TWinControl* AControl, wchar_t AChar);
void UniteRegionHandles(HRGN ADest, HRGN ASource);

// Both numeric, of one variant type, or both strings.
bool AreVariantsComparable(const Variant& V1, const Variant& V2);
// Comparable (above) and equal.
bool VarEqualsComparable(const Variant& V1, const Variant& V2);
// Null, Empty or an empty string: an edit value that stands for no value.
bool VarIsSoftNull(const Variant& V);

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
  // The text shown by the editor; the binding passes it to the editor.
  virtual Variant DisplayValue();
  virtual void SetDisplayValue(const Variant& Value);
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
  ~TvxCustomEditData() override;
  void Clear();
  bool Cleared() const { return FCleared; }
  void SetCleared(bool Value) { FCleared = Value; }
  // nullptr once the editor was freed.
  TvxCustomEdit* Edit() const { return FEdit; }

 private:
  bool FCleared = false;
  TvxCustomEdit* FEdit;
  std::unique_ptr<TvxFreeNotificator> FFreeNotificator;
};

struct TvxInplaceEditPosition {
  TObject* Item = nullptr;
  Integer RecordIndex = -1;
};
struct TvxInplaceEditParams {
  bool MultiRowParent = false;
  TvxInplaceEditPosition Position;
};

struct TvxEditModifiedState {
  bool Modified;
  bool ModifiedAfterEnter;
};

using TvxEditEditingEvent = std::function<void(TObject* Sender, bool& CanEdit)>;

class TvxCustomEdit : public TvxContainer {
  DECLARE_CLASS(TvxCustomEdit, TvxContainer)
  DECLARE_MESSAGE_MAP
  friend class TvxEditChangeEventsCatcher;
  friend class TvxCustomInnerTextEdit;
  friend class TvxCustomInnerTextEditHelper;

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
  // The repository item's properties while an item is assigned, else the own ones.
  TvxCustomEditProperties* ActiveProperties() const;
  TvxCustomEditProperties* GetEffectiveProperties() const { return ActiveProperties(); }
  TvxEditRepositoryItem* RepositoryItem() const { return FRepositoryItem; }
  // EvxEditError when the item's properties do not fit this editor; the old item stays.
  void SetRepositoryItem(TvxEditRepositoryItem* Value);
  virtual bool IsRepositoryItemAcceptable(TvxEditRepositoryItem* ARepositoryItem);
  TvxEditDataBinding* DataBinding() const { return FDataBinding.get(); }
  bool IsInplace() override { return FIsInplace; }
  IvxCustomInnerEdit* InnerEdit() const { return FInnerEdit; }
  // Whether the editor has a background of its own that repaints erase; none here.
  virtual bool HasBackground() { return false; }
  TvxCustomEditViewInfo* ViewInfo() const { return static_cast<TvxCustomEditViewInfo*>(TvxContainer::ViewInfo()); }
  TvxCustomEditStyle* ActiveStyle() { return static_cast<TvxCustomEditStyle*>(GetActiveStyle()); }

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
  bool IsEditValidating() const { return FIsEditValidating; }
  bool IsPosting() const { return FIsPosting; }
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
  // True unless the properties depend on the focus and the editor does not have it.
  bool InternalFocused();
  bool HasValidateHandler();
  // Marks the value as typed and clicks (unless clicks are locked).
  void DoClick();
  void DoClosePopup(TvxEditCloseUpReason AReason);
  void PushModifiedState();
  void PopModifiedState();
  virtual void PropertiesChanged(TObject* Sender);
  virtual void SelectAll() {}
  virtual void CopyToClipboard() {}
  virtual void CutToClipboard() {}
  virtual void PasteFromClipboard() {}
  virtual void GetEditDisplayText(String& Text) { Text = String(); }
  virtual void SetInternalDisplayValue(const Variant&) {}
  virtual void SynchronizeDisplayValue() {}
  virtual void SynchronizeEditValue() {}
  virtual void PrepareEditValue(const Variant&, Variant&, bool) {}
  virtual void PrepareDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused);
  virtual bool IsEditClass() { return false; }
  // The properties class the editor creates for itself and accepts from a repository item.
  virtual TClass GetPropertiesClass() { return TvxCustomEditProperties::StaticClass(); }
  virtual bool IsInplaceEditing() { return IsInplace(); }
  // Whether AWnd is a window of this editor (its own, its inner control's or a child's).
  virtual bool IsChildWindow(HWND AWnd) { return vxIsControlHandle(this, AWnd, true); }
  // The shown text, where the editor has one; false when it was not taken.
  virtual bool SetDisplayText(const String&) { return false; }
  virtual bool EditValueIsStored() { return !VarIsNull(EditValue()); }
  virtual void AssignInternalEditValue(const Variant& Value) { SetInternalEditValue(Value); }
  // Spell checking: no spell checker exists here.
  virtual bool SupportsSpelling() { return false; }
  virtual void SetIsBarControl(bool Value) { FIsBarControl = Value; }
  virtual void SpellCheckOperation() {}
  bool IsBarControl() const { return FIsBarControl; }
  // The distances between the view info's bounds and its shadow rectangle.
  TRect GetShadowExtent();
  bool IsTransparentBackground() { return UsesParentThemeBackground() || IsTransparent(); }
  void SetFocusToInnerControl() {
    if (FInnerEdit) FInnerEdit->SafelySetFocus();
  }
  virtual Integer GetTextBaseLine() { return 0; }
  virtual bool HasTextBaseLine() { return false; }
  // True while destroying, and for editors without an inner edit.
  bool SkipInnerEditUpdate();
  // Focus entry and exit of the editor (called by the focus messages).
  virtual void EnterProcessing();
  void ExitProcessing();

  // Layout through the properties' view data.
  virtual TvxCustomEditViewData* CreateViewData();
  void CalculateViewInfo(const TPoint& P, TvxMouseButton Button, TShiftState Shift, bool AIsMouseEvent);
  void CalculateViewInfoAtCursor();
  // The visible index of the button under P, -1 when none.
  Integer GetButtonIndexAt(const TPoint& P);
  // The visible index of the button pressed while the editor holds the mouse, -1 none.
  Integer CaptureButtonVisibleIndex() const { return FCaptureButtonVisibleIndex; }
  bool CanUseMouseWheel(TShiftState Shift);
  bool IsClearOrClickKey(Word Key, TShiftState Shift);
  virtual String GetHintText(Integer APart);

  // Automatic size and its anchors.
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);
  Integer AnchorX() const { return FAnchorX; }
  Integer AnchorY() const { return FAnchorY; }
  void SetAnchorX(Integer Value);
  void SetAnchorY(Integer Value);
  bool IsAutoWidth();
  void CalculateAutoSize(Integer& AWidth, Integer& AHeight);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // The largest integer: the anchor is not set.
  static constexpr Integer NoAnchor = 2147483647;

  void SetParent(TWinControl* AParent) override;
  void DefineProperties(TFiler* Filer) override;
  // The inner edit belongs to the editor's make-up: it is not written with it.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

  TKeyEvent OnAfterKeyDown;
  TvxEditEditingEvent OnEditing;
  TNotifyEvent OnPostEditValue;

  TvxEditContentParams ContentParams;
  TvxInplaceEditParams InplaceParams;

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
  virtual void ApplyValidatedDisplayValue(const Variant& ADisplayValue);
  virtual bool NeedsDisplayValueUpdate() { return true; }
  // Stores the edit value as it is, with no display update and no events.
  void StoreEditValue(const Variant& Value) { FEditValue = Value; }
  // The inner edit.
  virtual TClass GetInnerEditClass() { return nullptr; }
  virtual IvxCustomInnerEdit* CreateInnerEdit();
  virtual void InitializeInnerEdit();
  virtual void ChangeHandler(TObject* Sender);
  virtual void ReadOnlyChanged() { UpdateInnerEditReadOnly(); }
  void UpdateInnerEditReadOnly();
  virtual void AdjustInnerEditPosition();
  virtual void HookInnerEditWindowProc();
  virtual void UnhookInnerEditWindowProc();
  // Sees the inner edit's messages while the hook is in force; passes them on.
  virtual void InnerEditWindowProc(TMessage& Message);
  virtual void RepositoryItemAssigned() {}
  virtual void RepositoryItemAssigning() {}
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
  virtual void DoButtonDown(Integer) {}
  virtual void DoButtonUp(Integer) {}
  virtual TClass GetEditDataClass() { return nullptr; }
  virtual void InitializeEditData() {}
  virtual void BeforeTabNavigation(TShiftState) {}
  void DoAfterKeyDown(Word& Key, TShiftState Shift);
  Integer GetDefaultButtonVisibleIndex();
  virtual bool IsClickKey(Word Key, TShiftState Shift);
  virtual void UpdateDrawValue() {}
  void DoEnter() override;
  void DoExit() override;
  bool IsLoadingOrDestroying() const;
  // Mouse and painting.
  void Click() override;
  void DblClick() override;
  virtual bool CanClickWhileLoading() { return false; }
  virtual void ProcessViewInfoChanges(TvxCustomEditViewInfo* APrevViewInfo, bool AIsMouseButtonEvent);
  virtual void FillViewDataState(TvxCustomEditViewData* AViewData);
  virtual bool IsDBEditPaintCopyDrawing();
  virtual void PaintCopyDraw();
  virtual void DoFocusChanged();
  virtual bool IsActiveControl();
  // Automatic size.
  virtual void CalculateAnchors();
  virtual bool CanAutoSize() { return !FIsInplace && FAutoSize; }
  virtual bool CanAutoWidth() { return ActiveProperties()->ButtonsViewStyle() == bvsButtonsAutoWidth; }
  virtual void DoAutoSizeChanged() {}
  virtual void GetEditSizeProperties(TvxEditSizeProperties& R);
  virtual bool UsesAnchors() { return UsesAnchorX() || UsesAnchorY(); }
  virtual bool UsesAnchorX() { return false; }
  virtual bool UsesAnchorY() { return false; }
  virtual bool IsTransparent() { return !FIsInplace && FTransparent; }
  virtual bool UsesParentThemeBackground() { return false; }
  virtual bool SkipButtonPainting(HDC) { return false; }

  // Container overrides.
  TvxContainerStyleClass GetStyleClass() override;
  std::unique_ptr<TvxContainerViewInfo> CreateViewInfo() override;
  bool RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift, bool AIsMouseEvent) override;
  TvxContainerStyleValues GetNotPublishedStyleValues() override;
  TvxEditStateColorKind GetEditStateColorKind() override;
  bool IsNativeStyle() override { return TvxCustomEditViewData::IsNativeStyle(Style()->LookAndFeel()); }
  void AlignInnerControl() override;
  void FocusInnerControl() override;
  bool DoInnerControlDefaultHandler(TMessage& Message) override;
  void Paint() override;
  bool CanFocusOnClick() override { return false; }
  bool CanResize(Integer& NewWidth, Integer& NewHeight) override;
  void CreateHandle() override;
  void FocusChanged() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void DefaultHandler(TMessage& Message) override;

  void WMCopy(TMessage& Message);
  void WMCut(TMessage& Message);
  void WMPaste(TMessage& Message);
  void CMDialogChar(TCMDialogChar& Message);
  void CMHintShow(TMessage& Message);
  void CMEnter(TMessage& Message);
  void CMShowingChanged(TMessage& Message);

  bool FKeyboardAction = false;
  bool FIsContentParamsInitialized = false;

 private:
  class TRepositoryItemListener;
  bool FIsEditValueResetting = false;
  bool FIsEscapeDown = false;
  DWORD FDblClickTime = 0;  // tick count when the activating click's double-click window ends
  TvxCustomEditData* FEditData = nullptr;
  bool HasChangeHandler();
  bool HasEditValueChangedHandler();
  void FireInFrame(void (TvxCustomEdit::*AFire)());
  void ApplyRepositoryItemProperties();
  void DropRepositoryItem();
  static LRESULT CALLBACK InnerEditHookProc(HWND AWnd, UINT AMsg, WPARAM WParam, LPARAM LParam);

  Integer FAnchorX = NoAnchor;
  Integer FAnchorY = NoAnchor;
  bool FAutoSize = true;
  Integer FCaptureButtonVisibleIndex = -1;
  std::unique_ptr<TvxEditChangeEventsCatcher> FChangeEventsCatcher;
  Integer FClickLockCount = 0;
  bool FEditModeSetting = false;
  Integer FEditValueChangingLockCount = 0;
  bool FFocused = false;
  IvxCustomInnerEdit* FInnerEdit = nullptr;
  TWinControl* FInnerEditControl = nullptr;  // owned through the component tree
  WNDPROC FInnerEditDefWindowProc = nullptr;
  bool FIsBarControl = false;
  bool FIsEditValidated = false;
  bool FIsEditValidating = false;
  bool FIsFirstSetSize = false;
  bool FIsJustCreated = true;
  bool FIsInplace = false;
  bool FIsPosting = false;
  Integer FLockValidate = 0;
  bool FModified = false;
  bool FModifiedAfterEnter = false;
  Variant FPrevEditValue;
  std::vector<TvxEditModifiedState> FPrevModifiedList;
  TvxEditRepositoryItem* FRepositoryItem = nullptr;
  std::unique_ptr<TRepositoryItemListener> FRepositoryItemListener;
  bool FTransparent = false;
  bool FValidateErrorProcessing = false;
  std::unique_ptr<TvxEditDataBinding> FDataBinding;
  Variant FEditValue;
  std::unique_ptr<TvxCustomEditProperties> FProperties;
};

// Locks an editor's change events for a scope: the caught events fire at its end, or
// are dropped when the scope is left by an exception.
//   auto events = vxLockChangeEvents(edit);
inline auto vxLockChangeEvents(TvxCustomEdit* AEdit) {
  AEdit->LockChangeEvents(true);
  return TScopeExit([AEdit, exceptions = std::uncaught_exceptions()] {
    AEdit->LockChangeEvents(false, std::uncaught_exceptions() == exceptions);
  });
}

// Keeps an editor's modified state across a scope.
using TvxModifiedStateScope =
    TCallScope<TvxCustomEdit, &TvxCustomEdit::PushModifiedState, &TvxCustomEdit::PopModifiedState>;

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
