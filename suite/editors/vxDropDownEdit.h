// The drop-down editors' popup window: its frame, the system panel with the size grip
// and the close button, its size and placement against the owner editor and the work
// area, resizing with the mouse and closing with a close-up reason.
#pragma once

#include <functional>
#include <memory>

#include "Forms.h"
#include "vxLookAndFeels.h"
#include "vxFilterControlUtils.h"
#include "vxMaskEdit.h"

class TvxCustomEditPopupWindow;

enum TvxEditCorner { ecoTopLeft, ecoTopRight, ecoBottomLeft, ecoBottomRight };

using TvxCustomDrawBorderEvent = std::function<void(TvxContainerViewInfo* AViewInfo, TvxCanvas* ACanvas,
                                                    const TRect& R, bool& AHandled, Integer& ABorderWidth)>;

// The computed layout of an editor's popup window.
class TvxCustomEditPopupWindowViewInfo : public TvxContainerViewInfo {
  DECLARE_CLASS(TvxCustomEditPopupWindowViewInfo, TvxContainerViewInfo)
 public:
  virtual void PaintContent(TvxCanvas* ACanvas);
  virtual void Calculate();
  virtual void DrawBorder(TvxCanvas* ACanvas, TRect& R);
  virtual void GetBorderExtent(TRect& AExtent);
  virtual void GetClientExtent(TRect& AExtent) { GetBorderExtent(AExtent); }
  virtual Integer GetSysPanelHeight();
  // Sets the unit's resize sides for a frame point; false inside the frame.
  virtual bool IsSizingPlace(Integer X, Integer Y);
  Integer GetClientEdgeWidth();
  Integer GetBorderWidth(bool AIncludeClientEdge);
  void Paint(TvxCanvas* ACanvas) override { PaintContent(ACanvas); }

  TvxCustomDrawBorderEvent FOnCustomDrawBorder;
  TvxEditPopupBorderStyle BorderStyle = epbsDefault;
  bool ClientEdge = false;
  bool CloseButton = false;
  TRect CloseButtonRect{};
  TvxLookAndFeelKind CloseButtonStyle = lfStandard;
  Integer CloseButtonNativeState = 0;
  TvxButtonState CloseButtonState = vxbsNormal;
  Integer MinSysPanelHeight = 0;
  bool Sizeable = false;
  TvxEditCorner SizeGripCorner = ecoBottomRight;
  TRect SizeGripRect{};
  TRect SizeGripSizingRect{};
  TRect SizingRegionBounds{};
  Integer SizingOffset = 0;
  Integer SysPanelHeight = 0;
  bool SysPanelStyle = false;

 protected:
  Integer BaseSysPanelHeight();
  void DrawSizeGrip(TvxCanvas* ACanvas);
  void DrawCloseButton(TvxCanvas* ACanvas);
};

// The popup edit's window: a heavier three-dimensional frame.
class TvxPopupEditPopupWindowViewInfo : public TvxCustomEditPopupWindowViewInfo {
  DECLARE_CLASS(TvxPopupEditPopupWindowViewInfo, TvxCustomEditPopupWindowViewInfo)
 public:
  void DrawBorder(TvxCanvas* ACanvas, TRect& R) override;
};

class TvxCustomDropDownEdit;

enum TvxEditDropDownListStyle { lsEditFixedList, lsEditList, lsFixedList };
ENUM_TYPEINFO(TvxEditDropDownListStyle, lsEditFixedList, lsEditList, lsFixedList)

// The settings and events of every drop-down editor's popup.
class TvxCustomDropDownEditProperties : public TvxCustomMaskEditProperties {
  DECLARE_CLASS(TvxCustomDropDownEditProperties, TvxCustomMaskEditProperties)
 public:
  explicit TvxCustomDropDownEditProperties(TPersistent* AOwner) : TvxCustomDropDownEditProperties(AOwner, Parts()) {}
  // A descendant with its own assigned-values class passes it in the parts.
  TvxCustomDropDownEditProperties(TPersistent* AOwner, const TvxEditPropertiesParts& AParts);
  void Assign(TPersistent* Source) override;
  void FirePropertiesChanged() override;
  TClass GetContainerClass() override;
  bool IsLookupListInPopup() override { return true; }
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                        bool APreviewMode = false) override;

  virtual Integer GetDropDownButtonVisibleIndex() { return 0; }
  virtual bool DropDownOnClick() { return false; }
  virtual bool PostAfterPopupClosed() { return false; }
  // The class of the popup window the editor creates (a TvxCustomEditPopupWindow).
  virtual TClass GetPopupWindowClass();
  virtual bool FitPopupToWorkArea() { return true; }
  virtual bool PopupWindowCapturesFocus() { return false; }

  // The glyph of the drop-down button (nullptr when that button does not exist).
  TBitmap* ButtonGlyph();
  void SetButtonGlyph(TBitmap* Value);
  Integer GlyphButtonIndex() const { return FGlyphButtonIndex; }
  void SetGlyphButtonIndex(Integer Value);
  bool ImmediateDropDown() const { return FImmediateDropDown; }
  void SetImmediateDropDown(bool Value) { FImmediateDropDown = Value; }
  bool ImmediatePopup() const { return FImmediatePopup; }
  void SetImmediatePopup(bool Value) { FImmediatePopup = Value; }
  bool KeepArrowButtonPressedWhenDroppedDown() const { return FKeepArrowButtonPressedWhenDroppedDown; }
  void SetKeepArrowButtonPressedWhenDroppedDown(bool Value) { SetValue(FKeepArrowButtonPressedWhenDroppedDown, Value); }
  TAlignment PopupAlignment() const;
  void SetPopupAlignment(TAlignment Value);
  bool PopupAutoSize() const { return FPopupAutoSize; }
  void SetPopupAutoSize(bool Value) { FPopupAutoSize = Value; }
  bool PopupClientEdge() const { return FPopupClientEdge; }
  void SetPopupClientEdge(bool Value) { SetValue(FPopupClientEdge, Value); }
  TvxPopupDirection PopupDirection() const { return FPopupDirection; }
  void SetPopupDirection(TvxPopupDirection Value) { FPopupDirection = Value; }
  Integer PopupHeight() const { return FPopupHeight; }
  void SetPopupHeight(Integer Value);
  TvxPopupAlignHorz PopupHorzAlignment() const { return FPopupHorzAlignment; }
  void SetPopupHorzAlignment(TvxPopupAlignHorz Value) { FPopupHorzAlignment = Value; }
  Integer PopupMinHeight() const { return FPopupMinHeight; }
  void SetPopupMinHeight(Integer Value);
  Integer PopupMinWidth() const { return FPopupMinWidth; }
  void SetPopupMinWidth(Integer Value);
  bool PopupSizeable() const { return FPopupSizeable; }
  void SetPopupSizeable(bool Value) { SetValue(FPopupSizeable, Value); }
  bool PopupSysPanelStyle() const { return FPopupSysPanelStyle; }
  void SetPopupSysPanelStyle(bool Value) { SetValue(FPopupSysPanelStyle, Value); }
  TvxPopupAlignVert PopupVertAlignment() const { return FPopupVertAlignment; }
  void SetPopupVertAlignment(TvxPopupAlignVert Value) { FPopupVertAlignment = Value; }
  Integer PopupWidth() const { return FPopupWidth; }
  void SetPopupWidth(Integer Value);
  bool PostPopupValueOnTab() const { return FPostPopupValueOnTab; }
  void SetPostPopupValueOnTab(bool Value) { FPostPopupValueOnTab = Value; }

  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnCloseUp;
  TNotifyEvent OnFinalizePopup;
  TNotifyEvent OnInitPopup;
  TNotifyEvent OnPopup;

 private:
  Integer FGlyphButtonIndex = 0;
  bool FImmediateDropDown = true;
  bool FImmediatePopup = false;
  bool FKeepArrowButtonPressedWhenDroppedDown = false;
  bool FPopupAutoSize = true;
  bool FPopupClientEdge = false;
  TvxPopupDirection FPopupDirection = pdVertical;
  Integer FPopupHeight = 0;
  TvxPopupAlignHorz FPopupHorzAlignment = pahLeft;
  Integer FPopupMinHeight = 0;
  Integer FPopupMinWidth = 0;
  bool FPopupSizeable = false;
  bool FPopupSysPanelStyle = false;
  TvxPopupAlignVert FPopupVertAlignment = pavBottom;
  Integer FPopupWidth = 0;
  bool FPostPopupValueOnTab = false;
};

// The drop-down button's state and the selection bar of a drop-down editor.
class TvxCustomDropDownEditViewData : public TvxCustomTextEditViewData {
  DECLARE_CLASS(TvxCustomDropDownEditViewData, TvxCustomTextEditViewData)
 public:
  TvxCustomDropDownEditViewData(TvxCustomDropDownEditProperties* AProperties, TvxCustomEditStyle* AStyle,
                                bool AIsInplace)
      : TvxCustomTextEditViewData(AProperties, AStyle, AIsInplace) {}
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  bool IsButtonPressable(TvxCustomEditViewInfo* AViewInfo, Integer AButtonVisibleIndex) override;
  bool IsButtonPressed(TvxCustomEditViewInfo* AViewInfo, Integer AButtonVisibleIndex) override;
  Integer GetEditNativeState(TvxCustomEditViewInfo* AViewInfo) override;
  TvxCustomDropDownEditProperties* DropDownProperties() const {
    return static_cast<TvxCustomDropDownEditProperties*>(Properties());
  }

  bool HasPopupWindow = false;
  bool IsHotAndPopup = false;
  bool KeepArrowButtonPressedWhenDroppedDown = false;
};

// What a container keeps per cell for an in-place drop-down editor: the popup size the
// user dragged.
class TvxCustomDropDownEditData : public TvxCustomEditData {
  DECLARE_CLASS(TvxCustomDropDownEditData, TvxCustomEditData)
 public:
  explicit TvxCustomDropDownEditData(TvxCustomEdit* AEdit) : TvxCustomEditData(AEdit) {}
  bool Initialized = false;
  Integer Width = 0;
  Integer Height = 0;
};

// The look and feel handed to controls inside the popup: it follows the editor's buttons,
// native style and skin.
class TvxEditPopupControlLookAndFeel : public TvxLookAndFeel {
  DECLARE_CLASS(TvxEditPopupControlLookAndFeel, TvxLookAndFeel)
 public:
  explicit TvxEditPopupControlLookAndFeel(TvxCustomDropDownEdit* AEdit);
  TvxCustomDropDownEdit* Edit() const { return FEdit; }
  // Tells the listeners when one of the editor's values differs from the current one.
  void EditStyleChanged();

 protected:
  TvxLookAndFeelKind EffectiveKind() override;
  bool EffectiveNativeStyle() override;
  TvdSkinName EffectiveSkinName() override;

 private:
  TvxCustomDropDownEdit* FEdit;
};

// The inner edit of a drop-down editor: no hints while the popup is open.
class TvxCustomDropDownInnerEdit : public TvxCustomInnerTextEdit {
  DECLARE_CLASS(TvxCustomDropDownInnerEdit, TvxCustomInnerTextEdit)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomDropDownInnerEdit(TComponent* AOwner) : TvxCustomInnerTextEdit(AOwner) {}

 protected:
  void CMHintShow(TMessage& Message);
};

// The message an editor posts to itself to bring its lookup in step with a pasted text.
constexpr UINT VXM_SYNCHRONIZELOOKUPWITHTEXT = 0x8097;

// The masked text editor with a drop-down button and a popup window: it opens and closes
// the popup (button, keys, typing, click, paste, focus loss), lays it out against itself,
// carries the typed text and the wheel into a lookup list in the popup, remembers a
// dragged popup size and reports each closing with its reason.
class TvxCustomDropDownEdit : public TvxCustomMaskEdit {
  DECLARE_CLASS(TvxCustomDropDownEdit, TvxCustomMaskEdit)
  DECLARE_MESSAGE_MAP
  friend class TvxCustomEditPopupWindow;

 public:
  explicit TvxCustomDropDownEdit(TComponent* AOwner, bool AIsInplace = false);
  ~TvxCustomDropDownEdit() override;

  TvxCustomDropDownEditProperties* Properties() const {
    return static_cast<TvxCustomDropDownEditProperties*>(TvxCustomMaskEdit::Properties());
  }
  TvxCustomDropDownEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomDropDownEditProperties*>(TvxCustomMaskEdit::ActiveProperties());
  }
  void SetProperties(TvxCustomDropDownEditProperties* Value) { Properties()->Assign(Value); }
  TClass GetPropertiesClass() override { return TvxCustomDropDownEditProperties::StaticClass(); }

  // The popup window (created with the editor, nullptr while designing).
  TvxCustomEditPopupWindow* PopupWindow();
  TvxEditPopupControlLookAndFeel* PopupControlsLookAndFeel() const { return FPopupControlsLookAndFeel.get(); }
  bool DroppedDown() { return HasPopupWindow(); }
  void SetDroppedDown(bool Value);
  TvxEditCloseUpReason CloseUpReason() const { return FCloseUpReason; }
  bool PopupInitialized() const { return FPopupInitialized; }
  bool IsHotAndPopup() const { return FIsHotAndPopup; }
  // A show request for the popup waits in the message queue.
  bool IsShowPending();

  bool HasPopupWindow() override;
  bool Focused() override;
  void Activate(TvxCustomEditData*& AEditData) override;
  void ActivateByKey(wchar_t Key, TvxCustomEditData*& AEditData) override;
  void ActivateByMouse(TShiftState Shift, Integer X, Integer Y, TvxCustomEditData*& AEditData) override;
  bool Deactivate() override;
  void PasteFromClipboard() override;
  void PropertiesChanged(TObject* Sender) override;
  bool IsInplaceEditing() override;

  virtual bool CanDropDown() { return false; }
  // Closes an open popup; the first reason other than crUnknown since it opened is the one
  // reported.
  virtual void CloseUp(TvxEditCloseUpReason AReason);
  virtual void DropDown();
  virtual void FinalizePopup();
  virtual void InitPopup();
  virtual void FirePopup();
  virtual void DoCloseUp();
  virtual TWinControl* GetPopupFocusedControl();
  // The size of the popup's content; descendants that auto-size their popup give it.
  virtual SIZE GetPopupPreferredSize() { return SIZE{0, 0}; }
  virtual void InitializeLookupData();
  virtual void SetupPopupWindow();
  virtual void PopupControlsLookAndFeelChanged(TvxLookAndFeel*, TvxLookAndFeelValues) {}
  virtual void PositionPopupContent(const TRect& AClientRect);
  virtual void UpdatePopupWindow();
  virtual bool CanHide() { return true; }
  // The owner rectangle in the coordinates of the editor's parent.
  virtual TRect GetPopupOwnerBounds();

  // What the popup window asks of its editor.
  bool FitPopupToWorkArea() { return ActiveProperties()->FitPopupToWorkArea(); }
  TvxLookAndFeelKind PopupLookAndFeelKind() { return GetEditButtonsLookAndFeelKind(this); }
  bool IsLookupListInPopup() { return ActiveProperties()->IsLookupListInPopup(); }
  bool PopupCloseQuery();
  bool UsesNativeStyle() { return IsNativeStyle(); }
  void UpdatePopupLookAndFeel();

  bool FPopupSizeChanged = false;
  bool FNeedStorePopupSize = false;

 protected:
  void Initialize() override;
  void CreateHandle() override;
  void DestroyWnd() override;
  TvxCustomEditViewData* CreateViewData() override;
  TClass GetEditDataClass() override { return TvxCustomDropDownEditData::StaticClass(); }
  TClass GetInnerEditClass() override { return TvxCustomDropDownInnerEdit::StaticClass(); }
  void InitializeEditData() override;
  TvxContainerStyleValues GetNotPublishedStyleValues() override;
  void ContainerStyleChanged(TObject* Sender) override;
  bool IsClickKey(Word Key, TShiftState Shift) override;
  bool CanScrollLookupItems(bool AIsMouseWheel) override;
  void DoButtonDown(Integer AButtonVisibleIndex) override;
  void DoExit() override;
  void FocusChanged() override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  void ProcessKeyPress(wchar_t& Key) override;
  void BeforeTabNavigation(TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift, bool AIsMouseEvent) override;
  bool SendActivationKey(wchar_t Key) override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) override;

  // The popup window's events.
  virtual void DoPopupShowed(TObject* Sender);
  virtual void DoPopupShowing(TObject*) {}
  virtual void DoPopupClosing(TObject*) {}
  virtual void DoPopupCloseQuery(TObject* Sender, bool& CanClose);
  virtual void DoClosePopupWindow(TObject* Sender);
  virtual std::unique_ptr<TvxCustomEditPopupWindow> CreatePopupWindow();

  void CMHintShow(TMessage& Message);
  void VXMSynchronizeLookupWithText(TMessage& Message);

  bool FIsActivatingByMouse = false;
  bool FIsHotAndPopup = false;
  std::unique_ptr<TvxEditPopupControlLookAndFeel> FPopupControlsLookAndFeel;
  bool FPopupInitialized = false;
  bool FPopupMouseMoveLocked = false;
  bool FSendChildrenStyle = false;
  TvxEditCloseUpReason FCloseUpReason = crUnknown;
  std::unique_ptr<TvxCustomEditPopupWindow> FPopupWindow;

 private:
  // Drops a show request still waiting in the queue; true when there was one.
  bool RemovePendingShow();
  void CancelPendingShow();
  bool FDestroyingPopup = false;
};


class TvxCustomEditPopupWindow : public TvxCustomPopupWindow {
  DECLARE_CLASS(TvxCustomEditPopupWindow, TvxCustomPopupWindow)
  DECLARE_MESSAGE_MAP
 public:
  using TCreateArg = TWinControl*;
  explicit TvxCustomEditPopupWindow(TWinControl* AOwnerControl);
  ~TvxCustomEditPopupWindow() override;

  TvxCustomDropDownEdit* Edit() const { return static_cast<TvxCustomDropDownEdit*>(OwnerControl()); }
  TvxCustomEditPopupWindowViewInfo* ViewInfo() const { return FViewInfo.get(); }
  Integer MinSysPanelHeight() const { return FViewInfo->MinSysPanelHeight; }
  void SetMinSysPanelHeight(Integer Value) { FViewInfo->MinSysPanelHeight = Value; }
  TvxEditPopupBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TvxEditPopupBorderStyle Value) { FBorderStyle = FViewInfo->BorderStyle = Value; }
  bool ClientEdge() const { return FClientEdge; }
  void SetClientEdge(bool Value) { FClientEdge = FViewInfo->ClientEdge = Value; }
  bool CloseButton() const { return FCloseButton; }
  void SetCloseButton(bool Value) { FCloseButton = FViewInfo->CloseButton = Value; }
  bool NativeStyle() const { return FNativeStyle; }
  void SetNativeStyle(bool Value) { FNativeStyle = FViewInfo->NativeStyle = Value; }
  bool Shadow() const { return FShadow; }
  void SetShadow(bool Value) { FShadow = FViewInfo->Shadow = Value; }
  bool Sizeable() const { return FSizeable; }
  void SetSizeable(bool Value) { FSizeable = FViewInfo->Sizeable = Value; }
  bool SysPanelStyle() const { return FSysPanelStyle; }
  void SetSysPanelStyle(bool Value) { FSysPanelStyle = FViewInfo->SysPanelStyle = Value; }
  bool PopupAutoSize() const { return FPopupAutoSize; }
  void SetPopupAutoSize(bool Value) { FPopupAutoSize = Value; }
  Integer MinHeight() const { return FMinHeight; }
  void SetMinHeight(Integer Value) { FMinHeight = Value; }
  Integer MinWidth() const { return FMinWidth; }
  void SetMinWidth(Integer Value) { FMinWidth = Value; }
  Integer PopupHeight() const { return FPopupHeight; }
  void SetPopupHeight(Integer Value) { FPopupHeight = Value; }
  Integer PopupWidth() const { return FPopupWidth; }
  void SetPopupWidth(Integer Value) { FPopupWidth = Value; }
  bool ShowContentWhileResize() const { return FShowContentWhileResize; }
  void SetShowContentWhileResize(bool Value) { FShowContentWhileResize = Value; }

  void Popup(TWinControl* AFocusedControl) override;
  TPoint CalculatePosition() override;
  void CalculateSize() override;
  bool AdjustsToWorkArea() override;
  void CloseUpByModalResult() override;
  bool CanResize(Integer& NewWidth, Integer& NewHeight) override;
  virtual SIZE MinSize();
  virtual void SendCharToFocus(WideChar C);
  // Recomputes the layout from the window's size.
  void CalculateViewInfo();
  // Size and position for the next show, computed with the size check locked.
  TPoint CalculateLockedBounds();
  // After a change of bounds: owner bounds, layout, the content, the shadow, a repaint.
  void LayOut();
  // The control the posted show request gives the focus to.
  void SetPendingFocusedControl(TWinControl* Value) { FPendingFocusedControl = Value; }
  // The largest client size a lookup list may take beside the owner.
  SIZE GetMaxVisualAreaSize();

 protected:
  void AdjustClientRect(RECT& Rect) override;
  void CreateParams(TCreateParams& Params) override;
  void DoClosed() override;
  void DoClosing() override;
  void Paint() override;
  void Resize() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseLeave(TControl* AControl) override;
  void VXMForwardChar(TMessage& Message);
  void VXMShowPopupWindow(TMessage& Message);
  // While set, CanResize leaves sizes alone (the size is being computed, not dragged).
  bool& LockCheckSizeFlag() { return FLockCheckSize; }
  // A descendant's window draws with its own kind of layout.
  void SetViewInfo(std::unique_ptr<TvxCustomEditPopupWindowViewInfo> Value) { FViewInfo = std::move(Value); }

 private:
  void ApplyBounds(const TRect& R);
  void DrawOutline(const TRect& R);
  void RepaintCloseButton();
  void UpdateShadowRegion();
  bool FLockCheckSize = false;
  TWinControl* FPendingFocusedControl = nullptr;
  bool FPopupAutoSize = false;
  TvxEditPopupBorderStyle FBorderStyle = epbsDefault;
  bool FClientEdge = false;
  bool FCloseButton = false;
  Integer FMinHeight = 0;
  Integer FMinWidth = 0;
  bool FNativeStyle = false;
  Integer FPopupHeight = 0;
  Integer FPopupWidth = 0;
  bool FShadow = false;
  bool FShowContentWhileResize = false;
  bool FSizeable = false;
  std::unique_ptr<TvxSizeFrame> FSizeFrame;
  bool FSysPanelStyle = false;
  std::unique_ptr<TvxCustomEditPopupWindowViewInfo> FViewInfo;
};

// The message an editor posts to forward a typed character to the popup's focused control.
constexpr UINT VXM_FORWARDCHARTOPOPUP = 0x8096;

// The cursor for resize sides (each -1, 0 or 1).
TCursor vxEditPopupSizingCursor(Integer AHorz, Integer AVert);

// ---- Combo box ----------------------------------------------------------------------------

class TvxCustomComboBox;

using TvxEditDrawItemEvent = std::function<void(TvxCustomComboBox* AControl, TvxCanvas* ACanvas, Integer AIndex,
                                                const TRect& ARect, TOwnerDrawState AState)>;
namespace vxDropDownEdit {
// A row's height asked of the application (the unit's own kind, not the list box one).
using TMeasureItemEvent =
    std::function<void(TvxCustomComboBox* AControl, Integer AIndex, TvxCanvas* ACanvas, Integer& AHeight)>;
}  // namespace vxDropDownEdit

// The combo box's settings: its list style, the rows the list shows and how they are
// drawn and measured.
class TvxCustomComboBoxProperties : public TvxCustomDropDownEditProperties {
  DECLARE_CLASS(TvxCustomComboBoxProperties, TvxCustomDropDownEditProperties)
 public:
  explicit TvxCustomComboBoxProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  TClass GetPopupWindowClass() override;
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                        bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;
  std::unique_ptr<TvxCustomTextEditLookupData> CreateLookupData(TvxCustomTextEdit* AEdit) override;
  bool IsLookupDataUsed() override { return true; }
  Integer GetLookupPageRowCount() override { return FDropDownRows; }
  TvxEditEditingStyle GetEditingStyle() override;
  bool DropDownOnClick() override { return FDropDownListStyle == lsFixedList; }

  TvxEditDropDownListStyle DropDownListStyle() const { return FDropDownListStyle; }
  void SetDropDownListStyle(TvxEditDropDownListStyle Value) { SetValue(FDropDownListStyle, Value); }
  Integer DropDownRows() const { return FDropDownRows; }
  // Values below 1 are ignored.
  void SetDropDownRows(Integer Value);
  Integer ItemHeight() const { return FItemHeight; }
  void SetItemHeight(Integer Value) { SetValue(FItemHeight, Value); }
  bool Revertable() const { return FRevertable; }
  void SetRevertable(bool Value) { FRevertable = Value; }
  TStringList* Items() const { return LookupItems(); }
  void SetItems(TStrings* Value) { SetLookupItems(Value); }
  bool Sorted() const { return LookupItemsSorted(); }
  void SetSorted(bool Value) { SetLookupItemsSorted(Value); }
  bool DropDownAutoWidth() const { return PopupAutoSize(); }
  void SetDropDownAutoWidth(bool Value) { SetPopupAutoSize(Value); }
  bool DropDownSizeable() const { return PopupSizeable(); }
  void SetDropDownSizeable(bool Value) { SetPopupSizeable(Value); }
  Integer DropDownWidth() const { return PopupWidth(); }
  void SetDropDownWidth(Integer Value) { SetPopupWidth(Value); }

  TvxEditDrawItemEvent OnDrawItem;
  vxDropDownEdit::TMeasureItemEvent OnMeasureItem;

 private:
  TvxEditDropDownListStyle FDropDownListStyle = lsEditList;
  Integer FDropDownRows = 8;
  Integer FItemHeight = 0;
  bool FRevertable = false;
};

class TvxComboBoxProperties : public TvxCustomComboBoxProperties {
  DECLARE_CLASS(TvxComboBoxProperties, TvxCustomComboBoxProperties)
  PUBLISHED(TvxComboBoxProperties)
 public:
  explicit TvxComboBoxProperties(TPersistent* AOwner) : TvxCustomComboBoxProperties(AOwner) {}
};

// The published settings of a combo box, shared by the editors built on it; C is the
// published properties class; AStringItems is false for an editor whose Items are not strings.
template <class C, bool AStringItems = true>
void vxDeclareComboBoxPropertiesPublished(TPublisher<C>& P) {
  P.Property(L"AssignedValues", &C::AssignedValues,
             [](C* E, TvxTextEditPropertiesValues* V) { E->SetAssignedValues(V); });
  P.Property(L"CharCase", &C::CharCase, &C::SetCharCase).Default(ecNormal);
  P.Property(L"DropDownAutoWidth", &C::DropDownAutoWidth, &C::SetDropDownAutoWidth).Default(true);
  P.Property(L"DropDownListStyle", &C::DropDownListStyle, &C::SetDropDownListStyle).Default(lsEditList);
  P.Property(L"DropDownRows", &C::DropDownRows, &C::SetDropDownRows).Default(8);
  P.Property(L"DropDownSizeable", &C::DropDownSizeable, &C::SetDropDownSizeable).Default(false);
  P.Property(L"DropDownWidth", &C::DropDownWidth, &C::SetDropDownWidth).Default(0);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"ImeMode", &C::ImeMode, &C::SetImeMode).Default(imDontCare);
  P.Property(L"ImeName", &C::ImeName, &C::SetImeName).Stored([](C* E) { return !E->ImeName().empty(); });
  P.Property(L"ImmediateDropDown", &C::ImmediateDropDown, &C::SetImmediateDropDown).Default(true);
  P.Property(L"ImmediateUpdateText", &C::ImmediateUpdateText, &C::SetImmediateUpdateText).Default(false);
  P.Property(L"IncrementalSearch", &C::IncrementalSearch, &C::SetIncrementalSearch).Default(true);
  P.Property(L"ItemHeight", &C::ItemHeight, &C::SetItemHeight).Default(0);
  if constexpr (AStringItems) P.Property(L"Items", &C::Items, [](C* E, TStringList* V) { E->SetItems(V); });
  P.Property(L"MaxLength", &C::MaxLength, &C::SetMaxLength).Stored([](C* E) {
    return E->AssignedValues()->MaxLength();
  });
  P.Property(L"OEMConvert", &C::OEMConvert, &C::SetOEMConvert).Default(false);
  P.Property(L"PopupAlignment", &C::PopupAlignment, &C::SetPopupAlignment).Default(taLeftJustify);
  P.Property(L"PostPopupValueOnTab", &C::PostPopupValueOnTab, &C::SetPostPopupValueOnTab).Default(false);
  P.Property(L"Revertable", &C::Revertable, &C::SetRevertable).Default(false);
  P.Property(L"Sorted", &C::Sorted, &C::SetSorted).Default(false);
}

// The combo box's view: the item drawn by the application in a fixed-list editor.
class TvxCustomComboBoxViewInfo : public TvxCustomTextEditViewInfo {
  DECLARE_CLASS(TvxCustomComboBoxViewInfo, TvxCustomTextEditViewInfo)
 public:
  void Assign(TObject* Source) override;
  Integer ItemIndex = -1;  // -1: the text is drawn normally
};

class TvxCustomComboBoxViewData : public TvxCustomDropDownEditViewData {
  DECLARE_CLASS(TvxCustomComboBoxViewData, TvxCustomDropDownEditViewData)
 public:
  using TvxCustomDropDownEditViewData::TvxCustomDropDownEditViewData;
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  bool IsComboBoxStyle() override { return true; }
  TvxCustomComboBoxProperties* ComboProperties() const {
    return static_cast<TvxCustomComboBoxProperties*>(Properties());
  }
};

// The combo box's popup: sized to the list's whole rows.
class TvxComboBoxPopupWindow : public TvxCustomEditPopupWindow {
  DECLARE_CLASS(TvxComboBoxPopupWindow, TvxCustomEditPopupWindow)
 public:
  explicit TvxComboBoxPopupWindow(TWinControl* AOwnerControl) : TvxCustomEditPopupWindow(AOwnerControl) {}
  void CalculateSize() override;
};

// The combo box's list: owner-drawn rows of the lookup items.
class TvxCustomComboBoxListBox : public TvxCustomEditListBox {
  DECLARE_CLASS(TvxCustomComboBoxListBox, TvxCustomEditListBox)
 public:
  explicit TvxCustomComboBoxListBox(TComponent* AOwner);
  Integer GetHeight(Integer ARowCount, Integer AMaxHeight) override;
  TvxCustomComboBox* Edit() const { return FEdit; }
  void SetEdit(TvxCustomComboBox* Value) { FEdit = Value; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) override;
  void MeasureItem(Integer Index, Integer& Height) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  TvxCustomComboBox* FEdit = nullptr;
};

class TvxComboBoxListBox : public TvxCustomComboBoxListBox {
  DECLARE_CLASS(TvxComboBoxListBox, TvxCustomComboBoxListBox)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxComboBoxListBox(TComponent* AOwner) : TvxCustomComboBoxListBox(AOwner) {}
  Integer GetItemHeight(Integer AIndex = -1) override;
  // The list takes the properties' row height and drawing style.
  void PropertiesChanged();
  void SetItemIndexProgrammatically(Integer Value);

 protected:
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void WMSize(TMessage& Message);
};

// The combo box's lookup: its list of whole rows in the popup.
class TvxComboBoxLookupData : public TvxCustomTextEditLookupData {
  DECLARE_CLASS(TvxComboBoxLookupData, TvxCustomTextEditLookupData)
 public:
  explicit TvxComboBoxLookupData(TvxCustomTextEdit* AOwner) : TvxCustomTextEditLookupData(AOwner) {}
  TSize GetVisualAreaPreferredSize(Integer AMaxHeight, Integer AWidth) override;
  bool CanResizeVisualArea(TSize& ASize, Integer AMaxHeight, Integer AMaxWidth) override;
  void Initialize(TWinControl* AVisualControlsParent) override;
  void PropertiesChanged() override;
  TvxComboBoxListBox* List() const { return static_cast<TvxComboBoxListBox*>(FList); }

 protected:
  TvxCustomEditListBox* CreateListBox(TComponent* AOwner) override;
};

class TvxCustomComboBoxInnerEdit : public TvxCustomDropDownInnerEdit {
  DECLARE_CLASS(TvxCustomComboBoxInnerEdit, TvxCustomDropDownInnerEdit)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomComboBoxInnerEdit(TComponent* AOwner) : TvxCustomDropDownInnerEdit(AOwner) {}

 protected:
  void WMLButtonUp(TMessage& Message);
  void WMLButtonDblClk(TMessage& Message);
};

// The drop-down edit whose popup lists the properties' items: typed with incremental
// search or picked from the list.
class TvxCustomComboBox : public TvxCustomDropDownEdit {
  DECLARE_CLASS(TvxCustomComboBox, TvxCustomDropDownEdit)
  DECLARE_MESSAGE_MAP
  friend class TvxCustomComboBoxListBox;
  friend class TvxComboBoxListBox;

 public:
  using TvxCustomDropDownEdit::TvxCustomDropDownEdit;
  TvxCustomComboBoxProperties* Properties() const {
    return static_cast<TvxCustomComboBoxProperties*>(TvxCustomDropDownEdit::Properties());
  }
  TvxCustomComboBoxProperties* ActiveProperties() const {
    return static_cast<TvxCustomComboBoxProperties*>(TvxCustomDropDownEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomComboBoxProperties::StaticClass(); }
  TvxComboBoxLookupData* GetLookupData() const { return static_cast<TvxComboBoxLookupData*>(ILookupData()); }
  // The list's row (-1 without a list).
  Integer SelectedItem() const;
  void SetSelectedItem(Integer Value);
  bool CanDropDown() override;
  SIZE GetPopupPreferredSize() override;
  void Activate(TvxCustomEditData*& AEditData) override;
  virtual void DoDrawItem(TvxCanvas* ACanvas, Integer AIndex, const TRect& ARect, TOwnerDrawState AState);
  virtual bool DoMeasureItem(Integer AIndex, TvxCanvas* ACanvas, Integer& AHeight);
  bool IsOnDrawItemAssigned();
  bool IsOnMeasureItemAssigned();
  bool PopupMouseMoveLocked() const { return FPopupMouseMoveLocked; }
  void SetPopupMouseMoveLocked(bool Value) { FPopupMouseMoveLocked = Value; }

 protected:
  void Initialize() override;
  TClass GetInnerEditClass() override { return TvxCustomComboBoxInnerEdit::StaticClass(); }
  void ChangeHandler(TObject* Sender) override;
  void DblClick() override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void DoPopupShowed(TObject* Sender) override;
  void SetupPopupWindow() override;
  void UpdatePopupWindow() override;
  bool ShouldSyncLookupWithText();
  void WMLButtonUp(TMessage& Message);
};

class TvxComboBox : public TvxCustomComboBox {
  DECLARE_CLASS(TvxComboBox, TvxCustomComboBox)
  PUBLISHED(TvxComboBox)
 public:
  using TvxCustomComboBox::TvxCustomComboBox;
  TvxComboBoxProperties* Properties() const {
    return static_cast<TvxComboBoxProperties*>(TvxCustomComboBox::Properties());
  }
  TClass GetPropertiesClass() override { return TvxComboBoxProperties::StaticClass(); }
  void SetProperties(TvxComboBoxProperties* Value) { Properties()->Assign(Value); }
  Integer GetItemIndex() const { return ItemIndex(); }
  bool SupportsSpelling() override;
};

// ---- Popup edit -------------------------------------------------------------------------------

// The popup edit's settings: the application's control shown in the popup.
class TvxCustomPopupEditProperties : public TvxCustomDropDownEditProperties {
  DECLARE_CLASS(TvxCustomPopupEditProperties, TvxCustomDropDownEditProperties)
 public:
  explicit TvxCustomPopupEditProperties(TPersistent* AOwner) : TvxCustomPopupEditProperties(AOwner, Parts()) {}
  TvxCustomPopupEditProperties(TPersistent* AOwner, const TvxEditPropertiesParts& AParts);
  ~TvxCustomPopupEditProperties() override;
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  TClass GetPopupWindowClass() override;
  bool IsLookupListInPopup() override { return false; }
  bool PopupWindowCapturesFocus() override { return true; }
  void DoFreeNotification(TComponent* AComponent) override;
  // Not owned; forgotten when it is freed.
  TControl* PopupControl() const { return FPopupControl; }
  void SetPopupControl(TControl* Value);

 private:
  TControl* FPopupControl = nullptr;
};

class TvxPopupEditProperties : public TvxCustomPopupEditProperties {
  DECLARE_CLASS(TvxPopupEditProperties, TvxCustomPopupEditProperties)
  PUBLISHED(TvxPopupEditProperties)
 public:
  explicit TvxPopupEditProperties(TPersistent* AOwner);
};

class TvxPopupEditPopupWindow : public TvxCustomEditPopupWindow {
  DECLARE_CLASS(TvxPopupEditPopupWindow, TvxCustomEditPopupWindow)
 public:
  explicit TvxPopupEditPopupWindow(TWinControl* AOwnerControl);
};

// The popup control's place before the popup took it.
struct TvxPrevPopupControlData {
  TAlign Align = alNone;
  TRect Bounds{};
  TWinControl* Parent = nullptr;
  bool Visible = false;
  TFormBorderStyle BorderStyle = bsNone;
};

// The drop-down edit whose popup hosts an application control: moved into the popup
// while it is open and put back where it was when it closes.
class TvxCustomPopupEdit : public TvxCustomDropDownEdit {
  DECLARE_CLASS(TvxCustomPopupEdit, TvxCustomDropDownEdit)
 public:
  using TvxCustomDropDownEdit::TvxCustomDropDownEdit;
  ~TvxCustomPopupEdit() override;
  TvxCustomPopupEditProperties* Properties() const {
    return static_cast<TvxCustomPopupEditProperties*>(TvxCustomDropDownEdit::Properties());
  }
  TvxCustomPopupEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomPopupEditProperties*>(TvxCustomDropDownEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomPopupEditProperties::StaticClass(); }
  bool CanDropDown() override { return ActiveProperties()->PopupControl() != nullptr; }
  // EvxEditError when the popup control would contain the editor or the popup itself.
  void InitPopup() override;
  SIZE GetPopupPreferredSize() override;
  TWinControl* GetPopupFocusedControl() override;
  void PositionPopupContent(const TRect& AClientRect) override;
  void UpdatePopupWindow() override;
  // Closes with a reason, later, from the message loop.
  virtual void ClosePopupWithReason(TvxEditCloseUpReason AReason);
  virtual void RestorePopupControl();
  virtual void SavePopupControlState();

 protected:
  void DoClosePopupWindow(TObject* Sender) override;

 private:
  TvxPrevPopupControlData FPrevPopupControlData;
  TControl* FSavedPopupControl = nullptr;
};

class TvxPopupEdit : public TvxCustomPopupEdit {
  DECLARE_CLASS(TvxPopupEdit, TvxCustomPopupEdit)
  PUBLISHED(TvxPopupEdit)
 public:
  using TvxCustomPopupEdit::TvxCustomPopupEdit;
  TvxPopupEditProperties* Properties() const {
    return static_cast<TvxPopupEditProperties*>(TvxCustomPopupEdit::Properties());
  }
  TClass GetPropertiesClass() override { return TvxPopupEditProperties::StaticClass(); }
  void SetProperties(TvxPopupEditProperties* Value) { Properties()->Assign(Value); }
  bool SupportsSpelling() override { return InternalSupportsSpelling(); }
};

// ---- Filter rows ----------------------------------------------------------------------------

// A drop-down editor typing a filter value keeps its buttons.
class TvxFilterDropDownEditHelper : public TvxCustomFilterEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterDropDownEditHelper, TvxCustomFilterEditHelper)
  bool EditPropertiesHasButtons() const override { return true; }
  void SetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties*, const Variant& AValue) const override {
    AEdit->SetEditValue(AValue);
  }
};

// The operators of a filter row over a fixed list of values: equality and blanks, and
// with the extended set, in and not in the list.
TvxFilterControlOperators vxFixedListFilterOperators(bool AExtendedSet);

class TvxFilterComboBoxHelper : public TvxFilterDropDownEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterComboBoxHelper, TvxFilterDropDownEditHelper)
  TClass GetFilterEditClass() const override { return TvxComboBox::StaticClass(); }
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
};

extern const TUnitInfo vxDropDownEditUnit;
