// The editing control's option objects shared by every control built on the framework:
// the data options (CancelOnExit, Editing) and the behaviour options.
#pragma once

#include "vxClasses.h"

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
