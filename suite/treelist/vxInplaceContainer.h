// The editing-control framework: a custom-drawn control that owns edit items (fields of
// its data controller painted and edited through the editor framework), its options,
// controllers (editing, hit test, hot tracking, cell navigation), view info, painter and
// styles. The tree list is built on it.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Controls.h"
#include "SysInit.h"
#include "vxClasses.h"
#include "vxControls.h"
#include "vxCustomEdit.h"
#include "vxData.h"
#include "vxDataStorage.h"
#include "vxEdit.h"
#include "vxStyles.h"

class TvxEditingControl;
class TvxCustomInplaceEditContainer;
class TvxCustomControlController;
class TvxEditingController;
class TvxCustomHitTestController;
class TvxHotTrackController;
class TvxCustomControlViewInfo;
class TvxCustomControlPainter;
class TvxEditCellViewInfo;
class TvxControlOptionsView;

enum TvxDragSizingDirection { dsdHorz, dsdVert };

// An operation a descendant must supply was called on a class that does not supply it.
DECLARE_EXCEPTION(EvxAbstractError, Exception)
[[noreturn]] void vxAbstractError(const TObject* AObject, const char* AMethod);

bool vxInRange(Integer Value, Integer AMin, Integer AMax);
// Clamps Value into AMin .. AMax; answers whether it was inside.
bool vxRange(Integer& Value, Integer AMin, Integer AMax);
template <class T>
T vxSetValue(bool ACondition, const T& ATrueValue, const T& AFalseValue) {
  return ACondition ? ATrueValue : AFalseValue;
}
// An OK / Cancel question box; True for OK.
bool vxConfirmMessage(const String& AText, const String& ACaption);

// The editing control that owns an option object, nil for options owned elsewhere.
TvxEditingControl* vxOptionsControl(TPersistent* AOptions);

class TvxControlOptionsData : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxControlOptionsData, TvxOwnedPersistent)
 public:
  using TvxOwnedPersistent::TvxOwnedPersistent;
  // Copies CancelOnExit, then Editing.
  void Assign(TPersistent* Source) override;
  bool CancelOnExit() const { return FCancelOnExit; }
  void SetCancelOnExit(bool Value) { FCancelOnExit = Value; }
  bool Editing() const { return FEditing; }
  void SetEditing(bool Value);

 protected:
  // Turning editing off closes the open editor of the owning control.
  virtual void EditingTurnedOff();
  virtual void Changed() {}

 private:
  bool FCancelOnExit = true;
  bool FEditing = true;
};

class TvxControlOptionsBehavior : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxControlOptionsBehavior, TvxOwnedPersistent)
 public:
  using TvxOwnedPersistent::TvxOwnedPersistent;
  // Copies AlwaysShowEditor, CellHints, FocusCellOnCycle, FocusFirstCellOnNewRecord,
  // GoToNextCellOnEnter, GoToNextCellOnTab and ImmediateEditor, in this order.
  void Assign(TPersistent* Source) override;

  bool AlwaysShowEditor() const { return FAlwaysShowEditor; }
  void SetAlwaysShowEditor(bool Value) { SetFlag(FAlwaysShowEditor, Value); }
  bool CellHints() const { return FCellHints; }
  void SetCellHints(bool Value) { SetFlag(FCellHints, Value); }
  bool DragDropText() const { return FDragDropText; }
  void SetDragDropText(bool Value) { FDragDropText = Value; }
  bool FocusCellOnCycle() const { return FFocusCellOnCycle; }
  void SetFocusCellOnCycle(bool Value) { SetFlag(FFocusCellOnCycle, Value); }
  bool FocusFirstCellOnNewRecord() const { return FFocusFirstCellOnNewRecord; }
  void SetFocusFirstCellOnNewRecord(bool Value) { SetFlag(FFocusFirstCellOnNewRecord, Value); }
  bool GoToNextCellOnEnter() const { return FGoToNextCellOnEnter; }
  void SetGoToNextCellOnEnter(bool Value) { SetFlag(FGoToNextCellOnEnter, Value); }
  bool GoToNextCellOnTab() const { return FGoToNextCellOnTab; }
  // The owning control receives Tab while this is on.
  void SetGoToNextCellOnTab(bool Value);
  bool ImmediateEditor() const { return FImmediateEditor; }
  void SetImmediateEditor(bool Value) { SetFlag(FImmediateEditor, Value); }
  bool IncSearch() const { return FIncSearch; }
  void SetIncSearch(bool Value);
  TObject* IncSearchItem() const { return FIncSearchItem; }
  void SetIncSearchItem(TObject* Value);

 protected:
  // The owning control refreshes its selection state.
  virtual void Changed();

 private:
  void SetFlag(bool& AField, bool Value) {
    if (AField == Value) return;
    AField = Value;
    Changed();
  }
  bool FAlwaysShowEditor = false;
  bool FCellHints = false;
  bool FDragDropText = false;
  bool FFocusCellOnCycle = false;
  bool FFocusFirstCellOnNewRecord = false;
  bool FGoToNextCellOnEnter = false;
  bool FGoToNextCellOnTab = false;
  bool FImmediateEditor = true;
  bool FIncSearch = false;
  TObject* FIncSearchItem = nullptr;
};

// The value types by their descriptions ("String", "Integer", ...), through which an
// item's value type is named in a form file.
class TvxValueTypeClassRepository : public TObject {
  DECLARE_CLASS(TvxValueTypeClassRepository, TObject)
 public:
  // Adds the pair unless the class is already registered under any description.
  void RegisterValueTypeClass(const String& ADescription, TvxValueTypeClass ATypeClass);
  void UnRegisterValueTypeClass(TvxValueTypeClass ATypeClass);
  // The description, empty when the class is not registered.
  String FindByClassType(TvxValueTypeClass ATypeClass) const;
  // The first class whose description matches without regard to case, or nil.
  TvxValueTypeClass FindByDescription(const String& ADescription) const;
  Integer Count() const { return static_cast<Integer>(FItems.size()); }

 private:
  std::vector<std::pair<String, TvxValueTypeClass>> FItems;
};

// The process-wide instance; exists while the unit is started.
TvxValueTypeClassRepository* vxValueTypeClassRepository();

// The default values an item hands to its editor properties: no display format of its own.
class TvxContainerItemDefaultValuesProvider : public TvxCustomEditDefaultValuesProvider {
  DECLARE_CLASS(TvxContainerItemDefaultValuesProvider, TvxCustomEditDefaultValuesProvider)
 public:
  using TvxCustomEditDefaultValuesProvider::TvxCustomEditDefaultValuesProvider;
  bool IsDisplayFormatDefined(bool) override { return false; }
};

// An item's link to its data: the value type of its field and the default values
// provider handed to its editor properties.
class TvxCustomItemDataBinding : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxCustomItemDataBinding, TvxOwnedPersistent)
 public:
  explicit TvxCustomItemDataBinding(TPersistent* AOwner);
  ~TvxCustomItemDataBinding() override;
  // The editor repository item registered for the value type.
  virtual TvxEditRepositoryItem* GetDefaultRepositoryItem();
  virtual void GetDefaultText(String& AText) { AText = String(); }
  virtual IvxEditDefaultValuesProvider* GetDefaultValuesProvider(TvxCustomEditProperties* AProperties = nullptr);
  virtual TvxValueTypeClass GetValueTypeClass() { return TvxStringValueType::Class(); }
  virtual void DataChanged() {}
  // The owning item re-types its field in the data controller and refreshes its
  // properties.
  virtual void ValueTypeClassChanged();
  Pointer Data = nullptr;

 protected:

 private:
  std::unique_ptr<TvxCustomEditDefaultValuesProvider> FDefaultValuesProvider;
};

class TvxItemDataBinding : public TvxCustomItemDataBinding {
  DECLARE_CLASS(TvxItemDataBinding, TvxCustomItemDataBinding)
  PUBLISHED(TvxItemDataBinding)
 public:
  using TvxCustomItemDataBinding::TvxCustomItemDataBinding;
  // From another binding: its ValueType (by description), then its ValueTypeClass.
  void Assign(TPersistent* Source) override;
  TvxValueTypeClass GetValueTypeClass() override;
  String ValueType();
  // An unregistered description is ignored.
  void SetValueType(const String& Value);
  void SetValueTypeClass(TvxValueTypeClass Value);
  bool IsValueTypeStored() const { return FValueTypeClass != TvxStringValueType::Class(); }

 private:
  TvxValueTypeClass FValueTypeClass = nullptr;
};

// Moves the focus between cells with the keyboard. The row model (rows, cells, the item in
// a cell, the focused position) comes from the control's navigator; this base fixes the
// key rules and the search for the next focusable cell.
class TvxCustomCellNavigator : public TObject {
  DECLARE_CLASS(TvxCustomCellNavigator, TObject)
 public:
  using TCreateArg = TObject*;  // the controller
  TvxCustomCellNavigator() = default;
  explicit TvxCustomCellNavigator(TObject* AController);
  TvxCustomControlController* Controller() const { return FController; }
  virtual void FindNextCell(bool AForward, bool ANextRow, Integer& ACellIndex, Integer& ARowIndex);
  virtual void CalcNextRow(bool AForward, Integer& ARowIndex, Integer& ACellIndex) = 0;
  // The item shown in the cell, nil outside the row.
  virtual TObject* GetCellContainer(Integer ARowIndex, Integer ACellIndex) = 0;
  virtual Integer GetCount(Integer ARowIndex) = 0;
  virtual void Init(Integer& ARowIndex, Integer& ACellIndex, Integer& ARowCount) = 0;
  virtual bool MayFocusedEmptyRow(Integer) { return false; }
  virtual void SetFocusCell(Integer ARowIndex, Integer ACellIndex, TShiftState AShift) = 0;
  virtual void DoKeyPress(Char& Key);
  virtual void FocusNextCell(bool AForward, bool ANextRow, TShiftState AShift);
  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyPress(Char& Key);
  virtual void Refresh() {}

  bool EatKeyPress = false;
  bool DownOnEnter = false;
  bool DownOnTab = false;
  Integer RowCount = 0;

 protected:
  // What the controller answers: whether an item takes the focus by keyboard (it can be
  // focused and is a tab stop), the FocusCellOnCycle option, and the focused item's editor.
  virtual bool CanFocusItem(TObject* AItem);
  virtual bool FocusCellOnCycle();
  virtual bool HasFocusedItem();
  // Sets the focused item editing; answers whether an editor opened.
  virtual bool StartEditing();
  virtual void ShowEdit(Char AKey);

  TvxCustomControlController* FController = nullptr;
};

// --- Control options ---------------------------------------------------------------------

// How the controller reads the control's options.
class IvxEditingControlOptions {
 public:
  virtual ~IvxEditingControlOptions() = default;
  virtual TvxControlOptionsBehavior* GetOptionsBehavior() = 0;
  virtual TvxControlOptionsData* GetOptionsData() = 0;
  virtual TvxControlOptionsView* GetOptionsView() = 0;
};

enum TvxEditingControlEditShowButtons { ecsbAlways, ecsbFocused, ecsbNever };
enum TvxEditItemShowEditButtons { eisbDefault, eisbNever, eisbAlways };

class TvxControlOptionsView : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxControlOptionsView, TvxOwnedPersistent)
 public:
  using TvxOwnedPersistent::TvxOwnedPersistent;
  // Copies CellAutoHeight, CellEndEllipsis, CellTextMaxLineCount, ScrollBars and
  // ShowEditButtons.
  void Assign(TPersistent* Source) override;
  bool CellAutoHeight() const { return FCellAutoHeight; }
  void SetCellAutoHeight(bool Value) { SetValue(FCellAutoHeight, Value); }
  bool CellEndEllipsis() const { return FCellEndEllipsis; }
  void SetCellEndEllipsis(bool Value) { SetValue(FCellEndEllipsis, Value); }
  Integer CellTextMaxLineCount() const { return FCellTextMaxLineCount; }
  void SetCellTextMaxLineCount(Integer Value) { SetValue(FCellTextMaxLineCount, Value); }
  // The owning control's scroll bars.
  TScrollStyle ScrollBars() const;
  void SetScrollBars(TScrollStyle Value);
  TvxEditingControlEditShowButtons ShowEditButtons() const { return FShowEditButtons; }
  void SetShowEditButtons(TvxEditingControlEditShowButtons Value) { SetValue(FShowEditButtons, Value); }

 protected:
  // The control relayouts.
  virtual void Changed();

 private:
  template <class T>
  void SetValue(T& AField, const T& Value) {
    if (AField == Value) return;
    AField = Value;
    Changed();
  }
  bool FCellAutoHeight = false;
  bool FCellEndEllipsis = false;
  Integer FCellTextMaxLineCount = 0;
  TvxEditingControlEditShowButtons FShowEditButtons = ecsbNever;
};

// Per-item switches.
class TvxCustomEditContainerItemOptions : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxCustomEditContainerItemOptions, TvxOwnedPersistent)
 public:
  using TvxOwnedPersistent::TvxOwnedPersistent;
  void Assign(TPersistent* Source) override;
  TvxCustomInplaceEditContainer* Item() const;
  bool Customizing = true;
  bool Moving = true;
  bool Sorting = true;
  bool TabStop = true;
  bool Editing() const { return FEditing; }
  // Turning it off closes an editor open on the item.
  void SetEditing(bool Value);
  bool Filtering() const { return FFiltering; }
  void SetFiltering(bool Value);
  bool Focusing() const { return FFocusing; }
  void SetFocusing(bool Value);
  bool IncSearch() const { return FIncSearch; }
  void SetIncSearch(bool Value);
  TvxEditItemShowEditButtons ShowEditButtons() const { return FShowEditButtons; }
  void SetShowEditButtons(TvxEditItemShowEditButtons Value);

 protected:
  virtual void Changed();

 private:
  bool FEditing = true;
  bool FFiltering = true;
  bool FFocusing = true;
  bool FIncSearch = true;
  TvxEditItemShowEditButtons FShowEditButtons = eisbDefault;
};

// The item's styles: one, Content.
class TvxEditContainerStyles : public TvxStyles {
  DECLARE_CLASS(TvxEditContainerStyles, TvxStyles)
 public:
  using TCreateArg = TPersistent*;
  explicit TvxEditContainerStyles(TPersistent* AOwner) : TvxStyles(AOwner) {}
  void Assign(TPersistent* Source) override;
  void StyleChanged(Integer AIndex) override;
  TvxStyle* Content() const { return static_cast<TvxStyle*>(GetIndexedStyle(0)); }
  void SetContent(TvxStyle* Value) { SetIndexedStyle(0, Value); }
  TvxCustomInplaceEditContainer* Container() const;
  TvxEditingControl* Control() const;
};

// The control's four styles.
enum : Integer { vxcsContent, vxcsBackground, vxcsInactive, vxcsSelection };

class TvxCustomControlStyles : public TvxStyles {
  DECLARE_CLASS(TvxCustomControlStyles, TvxStyles)
 public:
  using TCreateArg = TPersistent*;
  explicit TvxCustomControlStyles(TPersistent* AOwner);
  ~TvxCustomControlStyles() override;
  void Assign(TPersistent* Source) override;
  void GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) override;
  void StyleChanged(Integer AIndex) override;
  void GetBackgroundParams(TvxViewParams& AParams);
  // Selection while the control (or its controller) is focused, else Inactive.
  void GetSelectionParams(TvxViewParams& AParams);
  TvxEditingControl* Control() const;
  TvxCustomLookAndFeelPainterClass LookAndFeelPainter() const;
  TvxStyle* Content() const { return static_cast<TvxStyle*>(GetIndexedStyle(vxcsContent)); }
  void SetContent(TvxStyle* Value) { SetIndexedStyle(vxcsContent, Value); }
  TvxStyle* Background() const { return static_cast<TvxStyle*>(GetIndexedStyle(vxcsBackground)); }
  void SetBackground(TvxStyle* Value) { SetIndexedStyle(vxcsBackground, Value); }
  TvxStyle* Inactive() const { return static_cast<TvxStyle*>(GetIndexedStyle(vxcsInactive)); }
  void SetInactive(TvxStyle* Value) { SetIndexedStyle(vxcsInactive, Value); }
  TvxStyle* Selection() const { return static_cast<TvxStyle*>(GetIndexedStyle(vxcsSelection)); }
  void SetSelection(TvxStyle* Value) { SetIndexedStyle(vxcsSelection, Value); }
  TvxStyle* DefaultStyle() const { return FDefaultStyle.get(); }
  std::function<void(TObject* Sender, TObject* AItem, TvxStyle*& AStyle)> OnGetContentStyle;

 private:
  std::unique_ptr<TvxStyle> FDefaultStyle;
};

// --- Data controller ---------------------------------------------------------------------

// The data controller of an editing control: item k of the control is its field k.
class TvxControlDataController : public TvxDataController {
  DECLARE_CLASS(TvxControlDataController, TvxDataController)
 public:
  using TCreateArg = TComponent*;
  explicit TvxControlDataController(TComponent* AOwner) : TvxDataController(AOwner) {}
  TObject* GetItem(Integer Index) override;
  Integer GetItemID(TObject* AItem) override;
  void UpdateItemIndexes() override;
  TvxDataEditValueSource GetItemValueSource(Integer AItemIndex) override;
  // The in-place editor posts its value.
  void UpdateData() override;
  // Every notification goes to the control's ApplyDataChange.
  void UpdateControl(TvxUpdateControlInfo* AInfo) override;
  TvxEditingControl* EditingControl() const;
  // Insert / Edit while a record is inserted or edited; Changing and Modified once a value
  // was taken into it.
  TvxDataControllerEditState EditState();
  TvxDataControllerEditOperations EditOperations();
  // Puts the focused record into edit mode for the item; False without a focused record.
  bool CanInitEditing(Integer AItemIndex);
};

// --- Edit items --------------------------------------------------------------------------

using TvxGetEditPropertiesEvent =
    std::function<void(TObject* Sender, Pointer AData, TvxCustomEditProperties*& AEditProperties)>;

// One field of an editing control's data controller, painted and edited through the editor
// framework: it owns its editor properties or takes them from a repository item or from
// the default editor of its value type.
class TvxCustomInplaceEditContainer : public TComponent, public IvxEditRepositoryItemListener {
  DECLARE_CLASS(TvxCustomInplaceEditContainer, TComponent)
 public:
  explicit TvxCustomInplaceEditContainer(TComponent* AOwner);
  ~TvxCustomInplaceEditContainer() override;
  // Creates the binding, options and styles from the class getters (after construction, so
  // that a descendant's getters are the ones used).
  void AfterConstruction() override;
  // DataBinding, PropertiesClassName, Properties, RepositoryItem, Styles, OnGetEditProperties.
  void Assign(TPersistent* Source) override;

  virtual void CalculateEditViewInfo(const Variant& AValue, TvxEditCellViewInfo* ACell, const TPoint& AMousePos);
  virtual bool CanEdit();
  virtual bool CanFocus();
  virtual bool CanInitEditing();
  virtual bool CanIncSearch();
  virtual bool CanTabStop();
  virtual void Changed();
  // A view data for AProperties whose display text comes through this item.
  virtual std::unique_ptr<TvxCustomEditViewData> CreateEditViewData(TvxCustomEditProperties* AProperties,
                                                                     bool AEditFocused);
  virtual void DataChanged();
  virtual void DoGetDisplayText(Integer ARecordIndex, String& AText) {}
  virtual TvxCustomEditProperties* DoGetEditProperties(Integer ARecordIndex);
  virtual void DoGetEditingProperties(Integer ARecordIndex, TvxCustomEditProperties*& AProperties);
  virtual TvxCustomEditProperties* DoGetProperties(Integer ARecordIndex, TvxCustomEditProperties* AProperties,
                                                   const TvxGetEditPropertiesEvent& AEvent);
  virtual void PropertiesChanged();
  virtual TvxCanvas* GetControlCanvas();
  virtual TvxCustomControlController* GetController();
  virtual Variant GetValue();
  virtual void GetDefaultText(String& AText);
  virtual TvxCustomEditProperties* ResolveProperties();
  virtual void GetDisplayValue(TvxCustomEditProperties* AProperties, Integer ARecordIndex, Variant& AValue);
  virtual TvxValueTypeClass GetValueTypeClass();
  virtual Integer GetDefaultEditHeight(TFont* AFont);
  virtual Integer GetEditHeight(TvxEditCellViewInfo* ACell);
  virtual bool GetEditing();
  virtual TvxCustomEditStyle* GetEditStyle(bool AFocused);
  virtual Variant GetEditValue();
  virtual Integer GetEditWidth(TvxEditCellViewInfo* ACell);
  virtual Variant GetValueByRecord(Integer ARecordIndex);
  virtual Integer GetValueCount();
  virtual bool HasDisplayTextHandler() { return false; }
  virtual void InitEditViewInfo(TvxEditCellViewInfo* ACell);
  virtual void InitProperties(TvxCustomEditProperties* AProperties);
  virtual void PropertiesRefreshed() { Changed(); }
  virtual void SetValue(const Variant& Value);
  virtual void SetEditing(bool Value);
  virtual void SetEditingControl(TvxEditingControl* AControl);
  virtual void SetEditValue(const Variant& Value);
  virtual void SetValueByRecord(Integer ARecordIndex, const Variant& Value);
  // Rebuilds PropertiesValue and the shared view data.
  void RefreshProperties();

  // IvxEditRepositoryItemListener
  void RepositoryItemRemoved(TvxEditRepositoryItem* Sender) override { SetRepositoryItem(nullptr); }
  void PropertiesChanged(TvxEditRepositoryItem* Sender) override { PropertiesChanged(); }

  TvxEditingControl* EditingControl() const { return FEditingControl; }
  Integer ItemIndex() const { return FItemIndex; }
  TvxItemDataBinding* DataBinding() const { return FDataBinding.get(); }
  TvxCustomEditContainerItemOptions* Options() const { return FOptions.get(); }
  TvxEditContainerStyles* Styles() const { return FStyles.get(); }
  void SetStyles(TvxEditContainerStyles* Value) { FStyles->Assign(Value); }
  TvxCustomEditProperties* Properties() const { return FProperties.get(); }
  void SetProperties(TvxCustomEditProperties* Value);
  TvxCustomEditPropertiesClass PropertiesClass() const { return FPropertiesClass; }
  void SetPropertiesClass(TvxCustomEditPropertiesClass Value);
  String PropertiesClassName() const;
  void SetPropertiesClassName(const String& Value);
  TvxCustomEditProperties* PropertiesValue();
  TvxEditRepositoryItem* RepositoryItem() const { return FRepositoryItem; }
  void SetRepositoryItem(TvxEditRepositoryItem* Value);
  TvxCustomEditData*& EditData() { return FEditData; }
  TvxCustomEditViewData* EditViewData() const { return FEditViewData.get(); }
  TvxDataEditValueSource EditValueSource() const { return FEditValueSource; }
  void SetEditValueSource(TvxDataEditValueSource Value) { FEditValueSource = Value; }
  bool Editing() { return GetEditing(); }
  bool Focused();
  void SetFocused(bool Value);
  Variant Value() { return GetValue(); }
  Variant EditValue() { return GetEditValue(); }
  Integer ValueCount() { return GetValueCount(); }
  bool IsIncSearchItem();
  void CancelIncSearching();
  TvxEditCellViewInfo* FocusedCellViewInfo();
  bool IsFocusedCellVisible();
  TvxDataController* DataController() const;

  Pointer Data = nullptr;
  TNotifyEvent PropertiesEvents;
  TvxGetEditPropertiesEvent OnGetEditProperties;
  TvxGetEditPropertiesEvent OnGetEditingProperties;

 protected:
  friend class TvxEditingControl;
  friend class TvxExtEditingControl;
  virtual TClass GetDataBindingClass() { return TvxItemDataBinding::StaticClass(); }
  virtual TClass GetOptionsClass() { return TvxCustomEditContainerItemOptions::StaticClass(); }
  virtual TClass GetStylesClass() { return TvxEditContainerStyles::StaticClass(); }
  void ViewDataGetDisplayText(TvxCustomEditViewData* Sender, String& AText);
  void CreateProperties();
  void DestroyProperties();

  TvxCustomEditData* FEditData = nullptr;  // owned
  TvxEditingControl* FEditingControl = nullptr;
  Integer FViewDataRecord = 0;  // the record the shared view data is calculating
  std::unique_ptr<TvxCustomEditViewData> FEditViewData;
  TvxDataEditValueSource FEditValueSource = evsValue;
  Integer FItemIndex = -1;
  std::unique_ptr<TvxCustomEditContainerItemOptions> FOptions;
  std::unique_ptr<TvxCustomEditProperties> FProperties;
  TvxCustomEditPropertiesClass FPropertiesClass = nullptr;
  TvxCustomEditProperties* FPropertiesValue = nullptr;
  TvxEditRepositoryItem* FRepositoryItem = nullptr;
  std::unique_ptr<TvxEditContainerStyles> FStyles;
  std::unique_ptr<TvxItemDataBinding> FDataBinding;
};

// --- View info ---------------------------------------------------------------------------

// One painted element of an editing control: its full bounds, the area it may show in,
// and the visible part of the two (its clip rectangle).
class TvxCustomViewInfoItem : public TObject {
  DECLARE_CLASS(TvxCustomViewInfoItem, TObject)
 public:
  explicit TvxCustomViewInfoItem(TObject* AOwner) : FOwner(AOwner) {}
  virtual void TakeCanvasColors(TvxCanvas* ACanvas);
  virtual void ApplyViewParams(TvxCanvas* ACanvas);
  // ClipRect := ABounds ∩ AVisibleBounds (empty when they do not meet); the item is visible
  // when that part is not empty, and clipped when it differs from the bounds.
  virtual void CalculateBounds(const TRect& ABounds, const TRect& AVisibleBounds);
  void SetBoundsInClient(const TRect& ABounds);
  virtual void CalculateVisibleInfo() {}
  virtual void DoDraw(TvxCanvas* ACanvas);
  virtual TvxEditingControl* GetControl() { return nullptr; }
  virtual bool GetHitTest(TObject*) { return false; }
  virtual bool IsExternallyOwned() { return false; }
  virtual bool HasBackgroundBitmap();
  virtual void Offset(Integer DX, Integer DY);
  virtual void Assign(TvxCustomViewInfoItem* Source);
  virtual Integer CustomDrawID() { return 0; }
  // Calculates the visible info once while the item is visible.
  void CheckVisibleInfo();
  void Draw(TvxCanvas* ACanvas);
  void Invalidate(bool ARecalculate = false);
  // Fills R with the background bitmap unless transparent; answers whether R is covered.
  bool DrawBackgroundBitmap(TvxCanvas* ACanvas, const TRect& R);
  void ExcludeFromClipping(TvxCanvas* ACanvas);

  const TRect& BoundsRect() const { return DisplayRect; }
  const TRect& VisibleRect() const { return ClipRect; }
  bool HasClipping() const { return FHasClipping; }
  bool Visible() const { return ItemVisible; }
  bool VisibleInfoCalculated() const { return FVisibleInfoCalculated; }
  TvxEditingControl* Control() { return GetControl(); }
  TvxCustomControlPainter* Painter();
  bool Transparent = false;

  TRect ClipRect{};
  TvxCanvas* ControlCanvas = nullptr;
  TRect DisplayRect{};
  TvxViewParams ItemViewParams;
  bool ItemVisible = false;
  TRect VisibleBounds{};

 protected:
  bool FHasClipping = false;
  TObject* FOwner;
  bool FVisibleInfoCalculated = false;
};

// The handler that may paint an element itself (ADone) before the element draws.
using TvxCustomDrawViewInfoItemEvent =
    std::function<void(TObject* Sender, TvxCanvas* ACanvas, TvxCustomViewInfoItem* AViewInfo, bool& ADone)>;
using TvxCellsPaintHandler = std::function<void(TvxCanvas* ACanvas, TvxCustomViewInfoItem* AItem, bool& ADone)>;

// A list of painted elements with painting and hit testing.
class TvxCustomControlCells : public TObject {
  DECLARE_CLASS(TvxCustomControlCells, TObject)
 public:
  explicit TvxCustomControlCells(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
  ~TvxCustomControlCells() override { Clear(); }
  void Add(TvxCustomViewInfoItem* AItem) { FItems.push_back(AItem); }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxCustomViewInfoItem* Items(Integer AIndex) const { return FItems.at(AIndex); }
  void BeforePaint();
  // From the last item to the first: whether one answered the hit test.
  bool CalculateHitTest(TObject* AHitTest);
  // Frees the items that are not externally owned (when owning), then empties the list.
  void Clear();
  // Empties the list without freeing anything.
  void DeleteAll() { FItems.clear(); }
  void ExcludeFromClipping(TvxCanvas* ACanvas);
  void Paint(TvxCanvas* ACanvas, const TvxCellsPaintHandler& AHandler);

 private:
  bool FOwnsObjects;
  std::vector<TvxCustomViewInfoItem*> FItems;
};

// The element under the mouse that reacts to it: an edit cell, a header.
class IvxHotTrackTarget {
 public:
  virtual ~IvxHotTrackTarget() = default;
  virtual void GetHintOrigin(TPoint& P) = 0;
  virtual bool CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor, TRect& AHintRect,
                             bool AIsMultiLine, String& AText) = 0;
  virtual void UpdateHotTrackState(const TPoint& P) = 0;
};

// A cell that shows an item's value through the editor framework without an editor.
class TvxEditCellViewInfo : public TvxCustomViewInfoItem, public IvxHotTrackTarget {
  DECLARE_CLASS(TvxEditCellViewInfo, TvxCustomViewInfoItem)
 public:
  explicit TvxEditCellViewInfo(TvxCustomInplaceEditContainer* AOwner) : TvxCustomViewInfoItem(AOwner) {}
  ~TvxEditCellViewInfo() override;

  // IvxHotTrackTarget
  void GetHintOrigin(TPoint& P) override;
  bool CalculateHint(TvxCanvas* ACanvas, const TPoint& P, bool& AShowBelowCursor, TRect& AHintRect,
                     bool AIsMultiLine, String& AText) override;
  void UpdateHotTrackState(const TPoint& P) override;

  virtual bool AdjustHeight(Integer AOld, Integer ANew);
  virtual void GetContentOffsets(TRect& R) { R = TRect{1, 1, 1, 1}; }
  virtual TPoint MapPoint(const TPoint& P) { return P; }
  virtual TvxEditButtonTransparency GetButtonTransparency();
  virtual void GetEditOffset(TPoint& P) { P = TPoint{0, 0}; }
  virtual void GetDisplayValue(Variant& V);
  virtual TvxCustomInplaceEditContainer* GetEditContainer() { return static_cast<TvxCustomInplaceEditContainer*>(FOwner); }
  virtual void GetEditRect(TRect& R) { R = CellEditRect; }
  virtual void GetViewParams(TvxViewParams& AParams);
  virtual bool GetFocused();
  virtual Integer GetMaxLineCount();
  virtual Integer GetRecordIndex() { return 0; }
  virtual TColor GetSelectedTextColor();
  virtual TColor GetSelectedBkColor();
  virtual Integer GetPropertiesRecord() { return GetRecordIndex(); }
  virtual bool IsAutoHeight();
  virtual bool IsEndEllipsis();
  virtual bool IsHotTrackable();
  // Recalculates (or only re-colours) the cell; True when its height changed.
  virtual bool Refresh(bool ARecalculate);

  void CalculateBounds(const TRect& ABounds, const TRect& AVisibleBounds) override;
  void CalculateVisibleInfo() override;
  TvxEditingControl* GetControl() override;
  void Assign(TvxCustomViewInfoItem* Source) override;

  TvxCustomInplaceEditContainer* EditContainer() { return GetEditContainer(); }
  TvxBorders Borders() const { return CellBorders; }
  const TRect& ContentRect() const { return CellContentRect; }
  const Variant& DisplayValue() const { return CellValue; }
  TvxCustomEditViewInfo* EditViewInfo() const { return ViewInfo.get(); }
  bool Focused() { return GetFocused(); }
  Integer MaxLineCount() { return GetMaxLineCount(); }
  Integer RecordIndex() { return GetRecordIndex(); }
  bool IsTransparent() const { return CellTransparent || (ViewInfo && ViewInfo->Transparent); }
  void SetTransparent(bool Value);

  TvxBorders CellBorders;
  TRect CellContentRect{};
  TRect CellEditRect{};
  Integer CellHeight = 0;
  bool CellTransparent = false;
  Variant CellValue;
  bool IsViewDataCreated = false;
  TvxCustomEditProperties* Properties = nullptr;
  std::unique_ptr<TvxCustomEditViewInfo> ViewInfo;
  TvxCustomEditViewData* ViewData = nullptr;  // owned only when IsViewDataCreated
  std::unique_ptr<TvxCustomEditViewData> OwnViewData;
};

// Loads the control's shared edit style from a cell before the cell or the in-place editor
// is calculated.
void vxLoadEditStyleFromCell(TvxEditCellViewInfo* ACell);

enum : Integer { vxvisCalculationNeeded = 1, vxvisViewParamsChanged = 2 };

// The control-level view info: client rect, background and selection parameters, the list
// of edit cells and the painter.
class TvxCustomControlViewInfo : public TObject {
  DECLARE_CLASS(TvxCustomControlViewInfo, TObject)
 public:
  using TCreateArg = TObject*;  // the control
  explicit TvxCustomControlViewInfo(TObject* AOwner);
  ~TvxCustomControlViewInfo() override;
  // Creates the painter from the control's painter class.
  void AfterConstruction() override;
  virtual Integer GetDefaultEditHeight();
  virtual void CalcDefaultEditHeight() { FDefaultEditHeight = GetDefaultEditHeight(); }
  virtual void CreatePainter();
  virtual void DoCalculate();
  virtual void UpdateSelection();
  virtual void Invalidate(bool ARecalculate = false);
  void Calculate();
  void ValidateDirty();
  bool GetState(Integer AMask) const { return (FState & AMask) == AMask; }
  void SetState(Integer AMask, bool Value) { FState = Value ? (FState | AMask) : (FState & ~AMask); }

  const TRect& ClientRect() const { return FClientRect; }
  TvxEditingControl* Control() const { return FControl; }
  Integer DefaultEditHeight() const { return FDefaultEditHeight; }
  TvxCustomLookAndFeelPainterClass LookAndFeelPainter();
  TvxCustomControlPainter* Painter() const { return FPainter.get(); }
  std::vector<TvxEditCellViewInfo*>& EditCellViewInfoList() { return FEditCellViewInfoList; }

  TBrush* Brush = nullptr;
  TBrush* SelectionBrush = nullptr;
  TvxViewParams SelectionParams;
  TvxViewParams ViewParams;

 protected:
  TvxEditingControl* FControl;
  TRect FClientRect{};
  Integer FDefaultEditHeight = 0;
  std::vector<TvxEditCellViewInfo*> FEditCellViewInfoList;
  std::unique_ptr<TvxCustomControlPainter> FPainter;
  Integer FState = vxvisViewParamsChanged;
};

// Paints the view info, optionally through an off-screen bitmap of the control's size,
// and runs the custom-draw event.
class TvxCustomControlPainter : public TObject {
  DECLARE_CLASS(TvxCustomControlPainter, TObject)
 public:
  using TCreateArg = TObject*;  // the control
  explicit TvxCustomControlPainter(TObject* AOwner);
  ~TvxCustomControlPainter() override;
  virtual void RestoreCellViewParams(TvxEditCellViewInfo* ACell);
  virtual void SaveCellViewParams(TvxEditCellViewInfo* ACell);
  virtual void DrawEditCell(TvxEditCellViewInfo* ACell, bool AExcludeFromClip = false);
  virtual void DoPaint();
  virtual void SetBuffered(bool Value);
  void Paint();
  // Runs the control's OnCustomDrawCell for an item; answers ADone.
  bool DoCustomDraw(TvxCustomViewInfoItem* AItem);

  bool Buffered() const { return FBuffered; }
  TvxCanvas* Canvas() const { return FCanvas; }
  TvxEditingControl* Control() const { return FControl; }
  TvxCustomLookAndFeelPainterClass Painter();
  TvxCustomControlViewInfo* ViewInfo();

 protected:
  TvxViewParams FSaveViewParams;
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TvxCanvas> FBitmapCanvas;
  bool FBuffered = false;
  TvxEditingControl* FControl;
  TvxCanvas* FCanvas;
};

// --- Controllers -------------------------------------------------------------------------

// Finds the view element under a point and feeds the hot-track controller.
class TvxCustomHitTestController : public TObject {
  DECLARE_CLASS(TvxCustomHitTestController, TObject)
 public:
  using TCreateArg = TObject*;  // the controller
  explicit TvxCustomHitTestController(TObject* AOwner);
  virtual bool AcceptsDesignClick(Integer X, Integer Y, TShiftState Shift);
  virtual bool AllowsCellHint(TObject* AItem);
  virtual void DoCalculate();
  virtual TCursor GetCursor() { return crDefault; }
  virtual void HitTestItemChanged(TObject* APrevItem) {}

  void ReCalculate() { ReCalculate(FHitPoint); }
  void ReCalculate(const TPoint& APoint);
  void RecalculateByMouse(Integer X, Integer Y, TShiftState Shift);
  // A cell that is being destroyed is forgotten.
  void CellRemoved(TObject* ACell);
  void ClearHitState() { FHitState = FHitState & 1; }
  void ClearAll() { FHitState = 0; }

  TvxCustomControlController* Controller() const { return FController; }
  TvxEditCellViewInfo* EditCellViewInfo() const { return dynamic_cast<TvxEditCellViewInfo*>(FHitTestItem); }
  const TPoint& HitPoint() const { return FHitPoint; }
  void SetHitPoint(const TPoint& Value) { ReCalculate(Value); }
  Integer HitX() const { return FHitPoint.x; }
  Integer HitY() const { return FHitPoint.y; }
  UInt64 HitState() const { return FHitState; }
  TObject* HitTestItem() const { return FHitTestItem; }
  void SetHitTestItem(TObject* Value);
  bool IsItemEditCell() const { return EditCellViewInfo() != nullptr; }
  // Clears the hit item as a mouse event would: the hot element goes.
  void ClearItemByMouse();
  // Forgets the hit item without telling the hot-track controller.
  void ClearHitItem() { FHitTestItem = nullptr; }
  TShiftState Shift() const { return FShift; }

 protected:
  TvxCustomControlController* FController;
  TPoint FHitPoint{-1, -1};
  TObject* FHitTestItem = nullptr;
  TShiftState FShift;
  UInt64 FHitState = 0;  // bit 0: the calculation comes from a mouse event
};

// Runs in-place editing: at most one editor, over the focused cell of the editing item,
// taken from the editor cache, parked out of sight when its cell scrolls away.
class TvxEditingController : public TObject {
  DECLARE_CLASS(TvxEditingController, TObject)
 public:
  using TCreateArg = TObject*;  // the controller
  explicit TvxEditingController(TObject* AController);
  ~TvxEditingController() override;

  virtual void ParkEdit();
  virtual void ResetEditPlacement() { FIsEditPlaced = false; }
  virtual bool CanRemoveEditFocus();
  virtual bool CanUpdateEditValue();
  virtual void HookEditEvents();
  virtual void UnhookEditEvents();
  virtual bool CanHideEditOnExit();
  virtual bool NeedsHideOnRecordChange();
  virtual void InitEdit();
  virtual bool PrepareEdit(TvxCustomInplaceEditContainer* AItem, bool AIsMouseEvent);
  virtual void HideEdit(bool Accept);
  virtual void RemoveEdit(TvxCustomEditProperties* AProperties);

  void ShowEdit(TvxCustomInplaceEditContainer* AItem = nullptr);
  void ShowEdit(TvxCustomInplaceEditContainer* AItem, Char Key);
  void ShowEdit(TvxCustomInplaceEditContainer* AItem, TShiftState Shift, Integer X, Integer Y);
  void PostEditUpdate() { FEditUpdateNeeded = true; }
  void PlaceEdit();
  void UpdateEditValue();
  void UpdateValue();
  void StartEditShowingTimer(TvxCustomInplaceEditContainer* AItem);
  void StopEditShowingTimer();

  TvxCustomControlController* Controller() const { return FController; }
  TvxEditingControl* EditingControl() const;
  TvxCustomEdit* Edit() const { return FEdit; }
  TvxCustomInplaceEditContainer* EditingItem() const { return FEditingItem; }
  void SetEditingItem(TvxCustomInplaceEditContainer* Value);
  bool IsEditing() const { return FEditingItem != nullptr; }
  bool IsDragging();
  bool EditHiding() const { return FEditHiding; }
  bool EditPreparing() const { return FEditPreparing; }
  bool EditingItemSetting() const { return FEditingItemSetting; }
  bool EditUpdateNeeded() const { return FEditUpdateNeeded; }
  bool IsErrorOnEditExit() const { return FIsErrorOnEditExit; }
  bool IsEditShowingTimerActive() const { return FEditShowingTimer != nullptr; }
  TvxInplaceEditList* EditList() const { return FEditList.get(); }

 protected:
  void EditAfterKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void EditChanged(TObject* Sender);
  void EditDblClick(TObject* Sender);
  void EditEditing(TObject* Sender, bool& CanEdit);
  void EditExit(TObject* Sender);
  void EditFocusChanged(TObject* Sender);
  void EditKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void EditKeyPress(TObject* Sender, wchar_t& Key);
  void EditKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void EditValueChanged(TObject* Sender);
  void EditPostEditValue(TObject* Sender);
  void EditEnter(TObject* Sender);
  void EditShowingTimerHandler(TObject* Sender);
  void ReleaseEdit();
  void UpdateEditPosition();

  TvxCustomControlController* FController;
  TvxCustomEdit* FEdit = nullptr;
  bool FEditHiding = false;
  TvxCustomInplaceEditContainer* FEditingItem = nullptr;
  bool FEditingItemSetting = false;
  std::unique_ptr<TvxInplaceEditList> FEditList;
  bool FEditPreparing = false;
  std::unique_ptr<TvxTimer> FEditShowingTimer;
  TvxCustomInplaceEditContainer* FEditShowingTimerItem = nullptr;
  bool FEditUpdateNeeded = false;
  bool FInitiatingEditing = false;
  bool FIsEditPlaced = false;
  bool FIsErrorOnEditExit = false;
  TNotifyEvent FPrevEditOnChange;
  TNotifyEvent FPrevEditOnEditValueChanged;
};

// Follows the element under the mouse and shows a hint over an element whose text does
// not fit.
class TvxHotTrackController : public TObject {
  DECLARE_CLASS(TvxHotTrackController, TObject)
 public:
  using TCreateArg = TObject*;  // the control
  explicit TvxHotTrackController(TObject* AControl);
  ~TvxHotTrackController() override;
  virtual void BeforeHideHint() {}
  virtual void BeforeShowHint() {}
  void SetHotElement(TObject* AElement, const TPoint& APoint);
  void CancelHint() { HideHint(); }
  void Clear();
  void ElementRemoved(TObject* AElement);
  bool CanShowHint();
  bool CalculateHint();

  TvxEditingControl* Control() const { return FControl; }
  bool ShowHintAllowed() const { return FShowHint; }
  void SetShowHint(bool Value) { FShowHint = Value; }

  String Hint;
  std::unique_ptr<TvxTimer> HintCheckerTimer;
  bool HintIsMultiLine = false;
  std::unique_ptr<TvxTimer> HintTimer;
  TRect HintRect{};
  bool HintVisible = false;
  TObject* HintElement = nullptr;
  THintWindow* HintWindow = nullptr;  // owned
  std::unique_ptr<TFont> HintFont;    // the font the element measured its hint with
  TPoint PrevHitPoint{-1, -1};
  TObject* PrevElement = nullptr;

 protected:
  void CheckHintState(TObject* Sender);
  void HideHint(TObject* Sender = nullptr);
  void ShowHint(TObject* Sender);
  void ResetHintTimer();
  TvxEditingControl* FControl;
  bool FShowHint = false;
};

// Turns user input into focus and editing changes of an editing control.
class TvxCustomControlController : public TObject {
  DECLARE_CLASS(TvxCustomControlController, TObject)
 public:
  using TCreateArg = TObject*;  // the control
  explicit TvxCustomControlController(TObject* AOwner);
  ~TvxCustomControlController() override;
  // Creates the collaborators from the control's class getters.
  void AfterConstruction() override;

  virtual void HandleMouseEnter();
  virtual void HandleMouseLeave();
  virtual void HandleCancelMouseState() { FocusChanged(); }
  virtual void AfterPaint();
  virtual void BeforeEditKeyDown(Word& Key, TShiftState& Shift) {}
  virtual void PrepareMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void BeforePaint();
  virtual void EnsureFocusedCellVisible() {}
  virtual void UpdateViewState();
  virtual bool CanDeleteByKeyboard() { return false; }
  virtual bool CanFocusRecord(Integer ARecordIndex) { return true; }
  virtual void ApplyAlwaysShowEditor();
  virtual void DoEditDblClick();
  virtual void DoMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void DoMouseMove(TShiftState Shift, Integer X, Integer Y);
  virtual void DoMouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void PageScroll(bool ADown, TShiftState Shift) {}
  virtual TvxEditCellViewInfo* GetEditingCellViewInfo();
  virtual bool GetFocused() { return FFocused; }
  virtual TvxEditCellViewInfo* GetFocusedCellViewInfo(TvxCustomInplaceEditContainer* AItem);
  virtual Integer GetFocusedRecordIndex();
  virtual TvxDragSizingDirection GetResizeDirection() { return dsdHorz; }
  virtual void FocusedItemChanged(TvxCustomInplaceEditContainer* APrevItem);
  virtual void FocusedRecordChanged(Integer ANewRecordIndex, Integer APrevRecordIndex);
  virtual bool IsEditorFocused();
  virtual void CancelHint();
  virtual Word IncSearchKeyDown(Word Key, TShiftState Shift);
  virtual bool ShouldPostRecordAfterEdit() { return false; }
  virtual bool IsKeyForController(Word Key, TShiftState Shift);
  virtual void RefreshItemCell(TvxCustomInplaceEditContainer* AItem);
  virtual void RefreshAllCells();
  virtual void SetFocused(bool Value);
  virtual void SetFocusedItem(TvxCustomInplaceEditContainer* Value);
  virtual void SetFocusedRecordIndex(Integer Value);
  virtual bool AlwaysShowEditorOption();
  virtual bool CancelEditOnExit();
  virtual bool FocusCellOnCycleOption();
  virtual bool GoToNextCellOnEnterOption();
  virtual bool GoToNextCellOnTabOption();
  virtual bool ImmediateEditorOption();
  virtual void BeforeStartDrag() {}
  virtual bool CanDrag(Integer X, Integer Y) { return false; }
  virtual void DragDropped(TObject* Source, Integer X, Integer Y) {}
  virtual void DragOverControl();
  virtual void DragEnded(TObject* Target, Integer X, Integer Y);
  virtual TClass GetNavigatorClass() { return TvxCustomCellNavigator::StaticClass(); }
  virtual bool AllowsScrollBarFit(TScrollBarKind) { return false; }
  virtual void ControlExit();
  virtual bool CanLeaveControl();
  virtual void FocusChanged();
  virtual void RestoreControlFocus();
  virtual void CancelIncSearching();
  virtual TvxCustomInplaceEditContainer* GetIncSearchingItem();
  virtual String GetIncSearchingText();
  virtual bool IsIncSearching();
  virtual void SearchLocate(TvxCustomInplaceEditContainer* AItem, const String& AText);
  virtual void SearchLocateNext(TvxCustomInplaceEditContainer* AItem, bool AForward);
  virtual void RecordUpdated(Integer ARecordIndex);
  virtual void ClearHotTrack();
  virtual void Clear();
  virtual void ControlFocusChanged();
  virtual void DblClick() {}
  virtual TCursor GetCursor(Integer X, Integer Y) { return crDefault; }
  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyPress(wchar_t& Key);
  virtual void KeyUp(Word& Key, TShiftState Shift) {}
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {}
  virtual void MouseMove(TShiftState Shift, Integer X, Integer Y) {}
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {}
  virtual void WndProc(TMessage& Message);
  virtual void BeginDragAndDrop();
  virtual void EndDragAndDrop(bool Accepted);
  // Whether a press at P starts a suite drag (sizing, moving a header).
  virtual bool StartDragAndDrop(const TPoint& P) { return false; }
  // The class of the suite's drag object for the current drag item; nil for the control's own.
  virtual TvxDragAndDropObjectClass GetDragAndDropObjectClass() { return nullptr; }
  virtual void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {}
  virtual void SetFocusedRecordItem(Integer ARecordIndex, TvxCustomInplaceEditContainer* AItem);
  virtual void MakeFocusedItemVisible();
  virtual void MakeFocusedRecordVisible();

  void Reset();
  void RequestEditorCheck() {
    if (FAllowCheckEdit) FCheckEditNeeded = true;
  }
  void RunPendingEditorCheck() {
    if (FCheckEditNeeded) ApplyAlwaysShowEditor();
  }
  void ClearPendingEditorCheck() { FCheckEditNeeded = false; }
  // After a mouse up or the end of a platform drag: an immediate editor may be due.
  void ScheduleImmediateEditor();
  void IncSearchLocate(const String& AText);
  TvxCustomInplaceEditContainer* IncSearchCandidate();

  TvxControlDataController* DataController() const;
  TvxEditingControl* EditingControl() const { return FEditingControl; }
  TvxEditingController* EditingController() const { return FEditingController.get(); }
  TvxCustomHitTestController* HitTestController() const { return FHitTestController.get(); }
  TvxHotTrackController* HotTrackController() const { return FHotTrackController.get(); }
  TvxCustomCellNavigator* Navigator() const { return FNavigator.get(); }
  bool Focused() { return GetFocused(); }
  TvxCustomInplaceEditContainer* FocusedItem() const { return FFocusedItem; }
  Integer FocusedRecordIndex() { return GetFocusedRecordIndex(); }
  bool IsDblClick() const { return FIsDblClick; }
  bool IsEditing() const { return FEditingController->IsEditing(); }
  IvxEditingControlOptions* Options();

  bool FAllowCheckEdit = true;
  bool FBlockRecordKeyboardHandling = false;
  bool FCheckEditNeeded = false;
  bool FDisableCellsRefresh = false;
  bool FDragCancel = false;
  TObject* FDragItem = nullptr;
  bool FEatKeyPress = false;
  bool FEditingBeforeDrag = false;
  bool FLockShowHint = false;
  bool FWasFocusedBeforeClick = false;

 protected:
  std::unique_ptr<TvxEditingController> FEditingController;
  TvxEditingControl* FEditingControl;
  bool FFocused = false;
  TvxCustomInplaceEditContainer* FFocusedItem = nullptr;
  std::unique_ptr<TvxCustomHitTestController> FHitTestController;
  std::unique_ptr<TvxHotTrackController> FHotTrackController;
  bool FIsDblClick = false;
  std::unique_ptr<TvxCustomCellNavigator> FNavigator;
};

// --- The editing control -----------------------------------------------------------------

using TvxecItemEvent = std::function<void(TObject* Sender, TvxCustomInplaceEditContainer* AItem)>;
using TvxecEditingEvent = std::function<void(TObject* Sender, TObject* AItem, bool& Allow)>;
using TvxecInitEditEvent = std::function<void(TObject* Sender, TObject* AItem, TvxCustomEdit* AEdit)>;

// The base of the tree list: a custom-drawn control that owns edit items, a data
// controller storing their values, a controller with its editing, hit-test, hot-track and
// navigation collaborators, a view info with its painter, styles and options. Every
// collaborator is built through a virtual class getter; construction finishes in
// AfterConstruction so that the descendant's getters are used.
class TvxEditingControl : public TvxControl, public IvxMouseTrackingCaller {
  DECLARE_CLASS(TvxEditingControl, TvxControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxEditingControl(TComponent* AOwner);
  ~TvxEditingControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  // Creates a control of class T and finishes its construction.
  template <class T>
  static T* Create(TComponent* AOwner) {
    auto c = std::make_unique<T>(AOwner);
    c->AfterConstruction();
    return c.release();
  }

  // The control's one update lock; descendants refine these, never hide them.
  virtual void BeginUpdate() { EnterUpdate(); }
  virtual void EndUpdate() { LeaveUpdate(); }
  // Drops one lock without a relayout.
  virtual void CancelUpdate();
  virtual void LayoutChanged();
  void StylesChanged();
  void BeginDragAndDrop() override;
  bool ExecuteAction(TBasicAction* Action);
  bool UpdateAction(TBasicAction* Action);

  virtual void LayoutCompleted() {}
  virtual void UpdateLockReleased() {}
  virtual void EnsureDesignSelection() {}
  virtual void CreateCollaborators();
  virtual void ApplyDataChange(TvxUpdateControlInfo* AInfo);
  virtual void DataChanged();
  virtual void DataLayoutChanged();
  virtual void DestroyCollaborators();
  virtual void EnterUpdate();
  virtual void LeaveUpdate();
  virtual void DoEditChanged(TvxCustomInplaceEditContainer* AItem);
  virtual void DoEdited(TvxCustomInplaceEditContainer* AItem);
  virtual bool DoEditing(TvxCustomInplaceEditContainer* AItem);
  virtual void DoEditValueChanged(TvxCustomInplaceEditContainer* AItem);
  virtual void DoGetCellHint(TObject* AElement, String& AText, bool& AShow) {}
  virtual void DoInitEdit(TvxCustomInplaceEditContainer* AItem, TvxCustomEdit* AEdit);
  virtual void AddItem(TvxCustomInplaceEditContainer* AItem);
  virtual void RemoveItem(TvxCustomInplaceEditContainer* AItem);
  virtual void DoLayoutChanged();
  virtual TClass GetControllerClass() { return TvxCustomControlController::StaticClass(); }
  virtual TClass GetControlStylesClass() { return TvxCustomControlStyles::StaticClass(); }
  virtual TClass GetDataControllerClass() { return TvxControlDataController::StaticClass(); }
  virtual TvxContainerStyleClass GetEditStyleClass() { return TvxContainerStyle::ClassOf<TvxEditStyle>(); }
  virtual TClass GetEditingControllerClass() { return TvxEditingController::StaticClass(); }
  virtual TClass GetHitTestControllerClass() { return TvxCustomHitTestController::StaticClass(); }
  virtual TClass GetHotTrackControllerClass() { return TvxHotTrackController::StaticClass(); }
  virtual TClass GetViewInfoClass() { return TvxCustomControlViewInfo::StaticClass(); }
  virtual IvxEditingControlOptions* GetOptions();
  virtual TClass GetPainterClass() { return TvxCustomControlPainter::StaticClass(); }
  virtual bool IsLocked();
  virtual void InvalidateArea(const TRect& R, bool AEraseBackground) { InvalidateRect(R, AEraseBackground); }
  virtual void RecreateViewInfo();
  virtual void SelectionChanged(TvxUpdateControlInfo* AInfo) {}
  virtual void UpdateData();
  virtual void GetDragImageBounds(TRect& R) { R = TRect{}; }
  // Paints the floating text picture of a platform drag.
  virtual void PaintDragImage(TBitmap* ABitmap, TvxCanvas* ACanvas) {}
  virtual bool IsDragDropTextEnabled();
  // The suite's drag object comes from the controller, which also decides whether a
  // press starts a suite drag.
  TvxDragAndDropObjectClass DragAndDropObjectClass() override;
  bool CanStartDragAndDrop(const TPoint& P) override;
  void ReindexItems();

  // IvxMouseTrackingCaller
  void MouseLeave() override { MouseLeave(nullptr); }

  Integer ItemCount() const { return static_cast<Integer>(FContainerList.size()); }
  TvxCustomInplaceEditContainer* Items(Integer AIndex) const { return FContainerList.at(AIndex); }
  bool BufferedPaint() const;
  void SetBufferedPaint(bool Value);
  Integer LockUpdate() const { return FLockUpdate; }
  TvxBrushCache* BrushCache() const { return FBrushCache.get(); }
  TvxCustomControlController* Controller() const { return FController.get(); }
  TvxControlDataController* DataController() const { return FDataController.get(); }
  TvxCustomEditStyle* EditStyle() const { return FEditStyle.get(); }
  TvxCustomControlStyles* Styles() const { return FStyles.get(); }
  TvxCustomControlViewInfo* ViewInfo() const { return FViewInfo.get(); }
  bool IsLayoutChanged() const { return FIsLayoutChanged; }
  void SetIsLayoutChanged(bool Value) { FIsLayoutChanged = Value; }
  const TPoint& DragPos() const { return FDragPos; }

  TvxCustomDrawViewInfoItemEvent OnCustomDrawCell;
  TvxecItemEvent OnEditChanged;
  TvxecItemEvent OnEdited;
  TvxecEditingEvent OnEditing;
  TvxecItemEvent OnEditValueChanged;
  TvxecInitEditEvent OnInitEdit;

  // Handlers of the platform that the control passes to its controller.
  void WndProc(TMessage& Message) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void DblClick() override;
  void DoExit() override;
  void FocusChanged() override;
  void MouseEnter(TControl* AControl) override;
  void MouseLeave(TControl* AControl) override;
  void CancelMouseState() override;
  void BoundsChanged() override;
  void FontChanged() override;
  void InitScrollBars() override;
  TCursor GetCursorAt(Integer X, Integer Y) override;
  bool IsFocused() override;
  bool MayFocus() override;
  void BeforeMouseDown(TMouseButton Button, Integer X, Integer Y) override;
  void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) override;
  void InitScrollBarsParameters() override;
  bool CanDrag(Integer X, Integer Y) override;
  void LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) override;
  void DragOver(TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) override;
  void DoEndDrag(TObject* Target, Integer X, Integer Y) override;
  void DoStartDrag(TDragObject*& DragObject) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Loaded() override;
  void AlignControls(TControl* AControl, RECT& Rect) override;
  void Paint() override;
  void WMCancelMode(TWMNoParams& Message);

  std::unique_ptr<TvxBrushCache> FBrushCache;
  Integer FChangesCount = 0;
  std::vector<TvxCustomInplaceEditContainer*> FContainerList;
  TPoint FDragPos{0, 0};
  std::unique_ptr<TvxCustomEditStyle> FEditStyle;
  bool FIsLayoutChanged = false;
  std::unique_ptr<TvxCustomControlStyles> FStyles;
  std::unique_ptr<TvxCustomControlViewInfo> FViewInfo;
  std::unique_ptr<TvxCustomControlController> FController;
  std::unique_ptr<TvxControlDataController> FDataController;
  Integer FLockUpdate = 0;
  friend class TvxCustomControlController;
  bool FCollaboratorsCreated = false;
};

// The editing control with its three option objects.
class TvxExtEditingControl : public TvxEditingControl, public IvxEditingControlOptions {
  DECLARE_CLASS(TvxExtEditingControl, TvxEditingControl)
 public:
  explicit TvxExtEditingControl(TComponent* AOwner) : TvxEditingControl(AOwner) {}
  ~TvxExtEditingControl() override;
  void CreateCollaborators() override;
  void DestroyCollaborators() override;
  IvxEditingControlOptions* GetOptions() override { return this; }
  virtual TClass GetOptionsBehaviorClass() { return TvxControlOptionsBehavior::StaticClass(); }
  virtual TClass GetOptionsDataClass() { return TvxControlOptionsData::StaticClass(); }
  virtual TClass GetOptionsViewClass() { return TvxControlOptionsView::StaticClass(); }
  TvxControlOptionsBehavior* GetOptionsBehavior() override { return FOptionsBehavior.get(); }
  TvxControlOptionsData* GetOptionsData() override { return FOptionsData.get(); }
  TvxControlOptionsView* GetOptionsView() override { return FOptionsView.get(); }
  TvxControlOptionsBehavior* OptionsBehavior() const { return FOptionsBehavior.get(); }
  TvxControlOptionsData* OptionsData() const { return FOptionsData.get(); }
  TvxControlOptionsView* OptionsView() const { return FOptionsView.get(); }
  void SetOptionsData(TvxControlOptionsData* Value) { FOptionsData->Assign(Value); }
  void SetOptionsView(TvxControlOptionsView* Value) { FOptionsView->Assign(Value); }

 protected:
  std::unique_ptr<TvxControlOptionsBehavior> FOptionsBehavior;
  std::unique_ptr<TvxControlOptionsData> FOptionsData;
  std::unique_ptr<TvxControlOptionsView> FOptionsView;
};

// --- Drag-and-drop objects ---------------------------------------------------------------

// An element whose size a drag of its edge changes: a node's row, a column, a band.
class IvxDragSizing {
 public:
  virtual ~IvxDragSizing() = default;
  virtual bool CanSizing(TvxDragSizingDirection ADirection) = 0;
  // Where the sizing line may move, in the control's client coordinates.
  virtual TRect GetSizingBoundsRect(TvxDragSizingDirection ADirection) = 0;
  // The step of the line, in pixels.
  virtual Integer GetSizingIncrement(TvxDragSizingDirection ADirection) = 0;
  // Resize while dragging rather than on the drop.
  virtual bool IsDynamicUpdate() = 0;
  // Applies ADelta steps.
  virtual void SetSizeDelta(TvxDragSizingDirection ADirection, Integer ADelta) = 0;
};

// Sizes the controller's drag item: the drag starts at the press, and an inverted line
// snapped to the item's steps shows the new edge until the drop applies it (or, with
// dynamic update, every whole step is applied as the mouse moves).
class TvxSizingDragAndDropObject : public TvxDragAndDropObject {
  DECLARE_CLASS(TvxSizingDragAndDropObject, TvxDragAndDropObject)
 public:
  explicit TvxSizingDragAndDropObject(TvxControl* AControl) : TvxDragAndDropObject(AControl) {}
  static TvxDragAndDropObject* CreateInstance(TvxControl* AControl) { return new TvxSizingDragAndDropObject(AControl); }
  bool ImmediateStart() override { return true; }

  TObject* DragItem() const;
  const TRect& DragBounds() const { return FDragBounds; }
  const TPoint& DragPos() const { return FDragPos; }
  bool DynamicUpdate() const { return FDynamicUpdate; }
  bool IsHorzSizing() const { return FDirection == dsdHorz; }
  bool IsVertSizing() const { return FDirection == dsdVert; }
  Integer SizeDelta() const { return FSizeDelta; }
  Integer Delta() const { return FDelta; }
  // After a paint of the control: a shown line is drawn again through the paint's DC, so
  // that it stays whole where the paint covered it.
  void ControlPainted(HDC ADC);

 protected:
  TvxCustomControlController* Controller() const;
  IvxDragSizing* Sizing() const;
  // P with its sizing coordinate snapped to the nearest step from the start (halves to even).
  TPoint GetDragPos(const TPoint& P) const;
  // The rectangle inverted as the line, in client coordinates.
  virtual TRect GetSizingMarkBounds();
  TCursor GetDragAndDropCursor(bool Accepted) override;
  void DirtyHook() override;
  void BeginDragAndDrop() override;
  void DragAndDrop(const TPoint& P, bool& Accepted) override;
  void EndDragAndDrop(bool Accepted) override;

  Integer FDelta = 0;
  TvxDragSizingDirection FDirection = dsdHorz;
  TRect FDragBounds{};
  TPoint FDragPos{};
  bool FDynamicUpdate = false;
  TPoint FStartPos{};
  Integer FSizeDelta = 1;

 private:
  void InvertMark(HDC ADC);
  bool FMarkShown = false;
};

// Scrolls a control by a timer while the mouse stays in an area (50 ms a step).
class TvxAutoScrollingObject : public TObject {
  DECLARE_CLASS(TvxAutoScrollingObject, TObject)
 public:
  explicit TvxAutoScrollingObject(TObject* AOwner);
  ~TvxAutoScrollingObject() override;
  // The increment counts backwards for scLineUp.
  void SetParams(const TRect& AArea, TScrollBarKind AKind, Integer AIncrement, TScrollCode ACode);
  // Runs the timer exactly while APos lies in the area (right and bottom edges excluded).
  virtual bool Check(const TPoint& APos);
  void Stop();
  TScrollCode Code() const { return FCode; }
  TvxControl* Control() { return GetControl(); }
  Integer Increment() const { return FIncrement; }
  TScrollBarKind Kind() const { return FKind; }
  TObject* Owner() const { return FOwner; }
  TvxTimer* Timer() const { return FTimer.get(); }
  virtual void DoScroll();

 protected:
  virtual TvxControl* GetControl() { return nullptr; }
  virtual TvxScrollBar* GetScrollBar(TScrollBarKind AKind);
  // Moves the bar of AKind by AIncrement within its range and scrolls the control.
  void ScrollBy(TScrollBarKind AKind, TScrollCode ACode, Integer AIncrement);
  void TimerHandler(TObject*) { DoScroll(); }

  TRect FArea{};
  TScrollCode FCode = scLineDown;
  Integer FIncrement = 0;
  TScrollBarKind FKind = sbHorizontal;
  TObject* FOwner;
  std::unique_ptr<TvxTimer> FTimer;
};

// Auto scrolling for a drag-and-drop object: the object's control scrolls.
class TvxDragDropObjectAutoScrollingObject : public TvxAutoScrollingObject {
  DECLARE_CLASS(TvxDragDropObjectAutoScrollingObject, TvxAutoScrollingObject)
 public:
  using TvxAutoScrollingObject::TvxAutoScrollingObject;

 protected:
  TvxControl* GetControl() override;
};

// Auto scrolling for a controller; in bounds mode it scrolls towards every side of the
// client area the mouse has left.
class TvxControllerAutoScrollingObject : public TvxAutoScrollingObject {
  DECLARE_CLASS(TvxControllerAutoScrollingObject, TvxAutoScrollingObject)
 public:
  using TvxAutoScrollingObject::TvxAutoScrollingObject;
  void SetBoundsParams(const TRect& AClientArea, bool ACheckHorz, bool ACheckVert, Integer AIncrement);
  bool CheckBounds(const TPoint& APos);
  TvxNeighbors Directions() const { return FDirections; }
  void DoScroll() override;

 protected:
  TvxControl* GetControl() override;
  bool FBoundsMode = false;
  bool FCheckHorz = false;
  bool FCheckVert = false;
  TvxNeighbors FDirections;
};

// A drag object whose cursor is the control's drag cursor while the drop is accepted.
class TvxBaseDragAndDropObject : public TvxDragAndDropObject {
  DECLARE_CLASS(TvxBaseDragAndDropObject, TvxDragAndDropObject)
 public:
  using TvxDragAndDropObject::TvxDragAndDropObject;

 protected:
  TCursor GetDragAndDropCursor(bool Accepted) override;
};

// A drag that carries a picture of what it moves in a floating window and scrolls the
// control while the mouse is in one of its scrolling areas.
class TvxCustomControlDragAndDropObject : public TvxBaseDragAndDropObject {
  DECLARE_CLASS(TvxCustomControlDragAndDropObject, TvxBaseDragAndDropObject)
 public:
  explicit TvxCustomControlDragAndDropObject(TvxControl* AControl);
  ~TvxCustomControlDragAndDropObject() override;
  void AddAutoScrollingObject(const TRect& AArea, TScrollBarKind AKind, TScrollCode ACode);
  // Checks the areas in order until one scrolls.
  bool CheckAutoScrolling(const TPoint& P);
  void StopAutoScrolling();
  bool CanDrop() const { return FCanDrop; }
  TvxDragImage* DragImage() const { return FDragImage.get(); }
  Integer AutoScrollObjectCount() const { return static_cast<Integer>(FAutoScrollObjects.size()); }
  TvxAutoScrollingObject* AutoScrollObjects(Integer AIndex) const { return FAutoScrollObjects.at(AIndex).get(); }
  // Moves the picture next to the mouse (also after each paint of the control).
  virtual void UpdateImagePosition();
  virtual void BeforeControlPaint() {}

 protected:
  virtual void CreateDragImage();
  virtual TvxAutoScrollingObject* CreateAutoScrollingObject();
  // The client rectangle to picture.
  virtual void GetDragImageBounds(TRect& R) { vxAbstractError(this, "GetDragImageBounds"); }
  virtual Integer GetHorzScrollIncrement() { return 1; }
  virtual Integer GetVertScrollIncrement() { return 1; }
  // Paints the picture on the drag image's canvas, whose origin is the bounds' top left.
  virtual void DrawDragImage() { vxAbstractError(this, "DrawDragImage"); }
  TCursor GetDragAndDropCursor(bool Accepted) override;
  void BeginDragAndDrop() override;
  void DragAndDrop(const TPoint& P, bool& Accepted) override;
  void EndDragAndDrop(bool Accepted) override;

  std::vector<std::unique_ptr<TvxAutoScrollingObject>> FAutoScrollObjects;
  bool FCanDrop = false;
  std::unique_ptr<TvxDragImage> FDragImage;
  TPoint FHotSpot{};
  TPoint FOrgOffset{};
  TRect FPictureSize{};
};

// Two arrows in a shaped window that mark where a dragged element would go.
class TvxPlaceArrows : public TvxDragImage {
  DECLARE_CLASS(TvxPlaceArrows, TvxDragImage)
 public:
  TvxPlaceArrows(TColor AColor, TColor ABorderColor);
  // Marks ASide of ARect (screen coordinates); False when it is already shown there.
  bool MoveTo(const TRect& ARect, TvxBorder ASide);
  using TvxDragImage::MoveTo;
  const TRect& PrevRect() const { return FPrevRect; }
  TvxBorder PrevSide() const { return FPrevSide; }

 private:
  TColor FBorderColor;
  TColor FColor;
  TRect FPrevRect{};
  TvxBorder FPrevSide = bLeft;
};

// The floating text picture of a platform drag out of an editing control; a thread mouse
// hook moves it with the mouse and a released button drops it.
class TvxDragImageHelper : public TObject {
  DECLARE_CLASS(TvxDragImageHelper, TObject)
 public:
  TvxDragImageHelper(TvxEditingControl* AControl, const TPoint& ADragPos);
  ~TvxDragImageHelper() override;
  virtual void DragAndDrop(const TPoint& P);
  void Show();
  void Hide();
  TRect DragImageRect() const;
  bool DragImageVisible() const { return FDragImageVisible; }
  TvxEditingControl* DragControl() const { return FDragControl; }
  TvxDragImage* DragImage() const { return FDragImage.get(); }
  TPoint HotSpot{};
  TRect DragPictureBounds{};
  TPoint MousePos{};

 protected:
  virtual void GetImageRect(TRect& R);
  virtual void InitDragImage();
  virtual void MoveImage(const TPoint& P);

 private:
  TvxEditingControl* FDragControl;
  bool FDragImageVisible = false;
  TPoint FDragPos;
  std::unique_ptr<TvxDragImage> FDragImage;
};

// The process's one text drag image: the hook is installed for the calling thread and
// remembers the control whose helper it moves; resetting removes hook and helper.
void vxInstallDragMouseHook(TvxEditingControl* AControl);
void vxResetMouseHookForDragControl();
// The control whose text drag image is shown, nil without one.
TvxEditingControl* vxDragMouseHookControl();

// Creates an object of a class whose constructor takes AArg; nil when the class cannot be
// created by reference or is not a T.
template <class T>
std::unique_ptr<T> vxCreateOfClass(TClass AClass, TObject* AArg) {
  TObject* o = AClass ? AClass->NewInstance(AArg) : nullptr;
  if (!o) return nullptr;
  T* t = dynamic_cast<T*>(o);
  if (!t) {
    delete o;
    return nullptr;
  }
  t->AfterConstruction();
  return std::unique_ptr<T>(t);
}

extern const TUnitInfo vxInplaceContainerUnit;
