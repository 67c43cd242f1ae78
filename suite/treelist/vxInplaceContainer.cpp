#include "vxInplaceContainer.h"

void TvxControlOptionsData::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxControlOptionsData*>(Source)) {
    SetCancelOnExit(src->CancelOnExit());
    SetEditing(src->Editing());
  } else {
    inherited::Assign(Source);
  }
}

void TvxControlOptionsData::SetEditing(bool Value) {
  if (FEditing == Value) return;
  FEditing = Value;
  if (!Value) EditingTurnedOff();
  Changed();
}

void TvxControlOptionsBehavior::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxControlOptionsBehavior*>(Source)) {
    SetAlwaysShowEditor(src->AlwaysShowEditor());
    SetCellHints(src->CellHints());
    SetFocusCellOnCycle(src->FocusCellOnCycle());
    SetFocusFirstCellOnNewRecord(src->FocusFirstCellOnNewRecord());
    SetGoToNextCellOnEnter(src->GoToNextCellOnEnter());
    SetGoToNextCellOnTab(src->GoToNextCellOnTab());
    SetImmediateEditor(src->ImmediateEditor());
  } else {
    inherited::Assign(Source);
  }
}
