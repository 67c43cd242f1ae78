// The editing control's option objects shared by every control built on the framework:
// the data options (CancelOnExit, Editing) and the behaviour options.
#pragma once

#include <memory>
#include <vector>

#include "Controls.h"
#include "SysInit.h"
#include "vxClasses.h"
#include "vxDataStorage.h"
#include "vxEdit.h"

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
  // Turning editing off closes the open edit; the owner decides how.
  virtual void EditingTurnedOff() {}
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
  void SetGoToNextCellOnTab(bool Value) { SetFlag(FGoToNextCellOnTab, Value); }
  bool ImmediateEditor() const { return FImmediateEditor; }
  void SetImmediateEditor(bool Value) { SetFlag(FImmediateEditor, Value); }
  bool IncSearch() const { return FIncSearch; }
  void SetIncSearch(bool Value) { FIncSearch = Value; }
  TObject* IncSearchItem() const { return FIncSearchItem; }
  void SetIncSearchItem(TObject* Value) { FIncSearchItem = Value; }

 protected:
  virtual void Changed() {}

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
  Pointer Data = nullptr;

 protected:
  // Tells the owner that the value type changed (the item re-types its field).
  virtual void ValueTypeClassChanged() {}

 private:
  std::unique_ptr<TvxCustomEditDefaultValuesProvider> FDefaultValuesProvider;
};

class TvxItemDataBinding : public TvxCustomItemDataBinding {
  DECLARE_CLASS(TvxItemDataBinding, TvxCustomItemDataBinding)
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
  TvxCustomCellNavigator() = default;
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
  virtual bool CanFocusItem(TObject* AItem) = 0;
  virtual bool FocusCellOnCycle() = 0;
  virtual bool HasFocusedItem() = 0;
  // Sets the focused item editing; answers whether an editor opened.
  virtual bool StartEditing() = 0;
  virtual void ShowEdit(Char AKey) = 0;
};

// One painted element of an editing control: its full bounds, the area it may show in,
// and the visible part of the two (its clip rectangle).
class TvxCustomViewInfoItem : public TObject {
  DECLARE_CLASS(TvxCustomViewInfoItem, TObject)
 public:
  explicit TvxCustomViewInfoItem(TObject* AOwner) : FOwner(AOwner) {}
  // ClipRect := ABounds ∩ AVisibleBounds (empty when they do not meet); the item is visible
  // when that part is not empty, and clipped when it differs from the bounds.
  virtual void CalculateBounds(const TRect& ABounds, const TRect& AVisibleBounds);
  virtual void CalculateVisibleInfo() {}
  virtual void Offset(Integer DX, Integer DY);
  virtual void Assign(TvxCustomViewInfoItem* Source);
  // Calculates the visible info once while the item is visible.
  void CheckVisibleInfo();

  const TRect& BoundsRect() const { return DisplayRect; }
  const TRect& VisibleRect() const { return ClipRect; }
  bool HasClipping() const { return FHasClipping; }
  bool Visible() const { return ItemVisible; }
  bool VisibleInfoCalculated() const { return FVisibleInfoCalculated; }
  bool Transparent = false;

  TRect ClipRect{};
  TRect DisplayRect{};
  TvxViewParams ItemViewParams;
  bool ItemVisible = false;
  TRect VisibleBounds{};

 protected:
  bool FHasClipping = false;
  TObject* FOwner;
  bool FVisibleInfoCalculated = false;
};

extern const TUnitInfo vxInplaceContainerUnit;
