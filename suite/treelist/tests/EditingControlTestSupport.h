// A small grid built on the editing control for the framework's tests: one row per record,
// one fixed-width cell per item, an editor that takes typed characters, and helpers that
// drive the window with messages and read its pixels back.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Forms.h"
#include "StdCtrls.h"
#include "vxInplaceContainer.h"
#include "vxTextEdit.h"

namespace tl_test {

inline void Pump(DWORD Ms = 30) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(2);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

class TTestEdit;

// Text properties whose editor is TTestEdit.
class TTestEditProperties : public TvxTextEditProperties {
  DECLARE_CLASS(TTestEditProperties, TvxTextEditProperties)
 public:
  using TvxTextEditProperties::TvxTextEditProperties;
  bool HasDisplayValue() override { return true; }
  TClass GetContainerClass() override;
};

// An in-place editor that takes typed characters into its text, as an inner edit would.
class TTestEdit : public TvxCustomEdit {
  DECLARE_CLASS(TTestEdit, TvxCustomEdit)
 public:
  using TvxCustomEdit::TvxCustomEdit;
  String Text;
  void GetEditDisplayText(String& S) override { S = Text; }
  void SetInternalDisplayValue(const Variant& V) override { Text = VarToStr(V); }
  void SynchronizeDisplayValue() override { Text = VarIsNull(EditValue()) ? String() : VarToStr(EditValue()); }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override {
    return std::make_unique<TTestEditProperties>(this);
  }
  void InternalApplyValidatedDisplayValue(const Variant& V) override { InternalSetEditValue(V, false); }
  void ProcessKeyPress(wchar_t& Key) override {
    TvxCustomEdit::ProcessKeyPress(Key);
    if (Key < L' ' || !DoEditing()) return;
    Text += Key;
    SetModifiedAfterEnter(true);
  }
};

inline TClass TTestEditProperties::GetContainerClass() { return TTestEdit::StaticClass(); }

class TTestColumn : public TvxCustomInplaceEditContainer {
  DECLARE_CLASS(TTestColumn, TvxCustomInplaceEditContainer)
 public:
  using TvxCustomInplaceEditContainer::TvxCustomInplaceEditContainer;
  Integer Width = 80;
};

class TTestCell : public TvxEditCellViewInfo {
  DECLARE_CLASS(TTestCell, TvxEditCellViewInfo)
 public:
  TTestCell(TvxCustomInplaceEditContainer* AItem, Integer ARecord) : TvxEditCellViewInfo(AItem), Record(ARecord) {}
  Integer GetRecordIndex() override { return Record; }
  // A hint with the cell's text when the text is wider than the cell.
  bool CalculateHint(TvxCanvas* ACanvas, const TPoint&, bool& AShowBelowCursor, TRect& AHintRect, bool,
                     String& AText) override {
    AShowBelowCursor = false;
    if (!Visible()) return false;
    String text = VarIsNull(CellValue) ? String() : VarToStr(CellValue);
    ACanvas->SetFont(GetControl()->Font());
    if (ACanvas->TextWidth(text) <= CellContentRect.right - CellContentRect.left) return false;
    AText = text;
    AHintRect = CellContentRect;
    return true;
  }
  Integer Record;
};

class TTestGrid;

class TTestViewInfo : public TvxCustomControlViewInfo {
  DECLARE_CLASS(TTestViewInfo, TvxCustomControlViewInfo)
 public:
  using TvxCustomControlViewInfo::TvxCustomControlViewInfo;
  Integer GetDefaultEditHeight() override { return 20; }
  void DoCalculate() override;
  TTestCell* CellAt(Integer ARecord, TvxCustomInplaceEditContainer* AItem) {
    for (TvxEditCellViewInfo* c : FEditCellViewInfoList)
      if (c->EditContainer() == AItem && static_cast<TTestCell*>(c)->Record == ARecord) return static_cast<TTestCell*>(c);
    return nullptr;
  }
  TvxCustomControlCells Cells;
};

class TTestPainter : public TvxCustomControlPainter {
  DECLARE_CLASS(TTestPainter, TvxCustomControlPainter)
 public:
  using TvxCustomControlPainter::TvxCustomControlPainter;
  void DoPaint() override {
    inherited::DoPaint();
    for (TvxEditCellViewInfo* c : ViewInfo()->EditCellViewInfoList()) {
      c->CheckVisibleInfo();
      DrawEditCell(c);
    }
  }
};

class TTestNavigator : public TvxCustomCellNavigator {
  DECLARE_CLASS(TTestNavigator, TvxCustomCellNavigator)
 public:
  using TvxCustomCellNavigator::TvxCustomCellNavigator;
  void CalcNextRow(bool AForward, Integer& ARow, Integer&) override {
    Integer r = ARow + (AForward ? 1 : -1);
    if (r >= 0 && r < RowCount) ARow = r;
  }
  TObject* GetCellContainer(Integer, Integer ACell) override;
  Integer GetCount(Integer) override;
  void Init(Integer& ARow, Integer& ACell, Integer& ARowCount) override;
  void SetFocusCell(Integer ARow, Integer ACell, TShiftState) override;
};

class TTestController : public TvxCustomControlController {
  DECLARE_CLASS(TTestController, TvxCustomControlController)
 public:
  using TvxCustomControlController::TvxCustomControlController;
  TvxEditCellViewInfo* GetFocusedCellViewInfo(TvxCustomInplaceEditContainer* AItem) override;
  void MakeFocusedItemVisible() override {}
  void MakeFocusedRecordVisible() override {}
  TClass GetNavigatorClass() override { return TTestNavigator::StaticClass(); }
};

class TTestGrid : public TvxExtEditingControl {
  DECLARE_CLASS(TTestGrid, TvxExtEditingControl)
 public:
  explicit TTestGrid(TComponent* AOwner) : TvxExtEditingControl(AOwner) {}
  ~TTestGrid() override {
    for (auto& c : Columns) c->SetEditingControl(nullptr);
    // The columns go with this object, before the base frees its view info: the cells that
    // name them go first.
    RecreateViewInfo();
  }
  TClass GetControllerClass() override { return TTestController::StaticClass(); }
  TClass GetViewInfoClass() override { return TTestViewInfo::StaticClass(); }
  TClass GetPainterClass() override { return TTestPainter::StaticClass(); }
  void LayoutCompleted() override { ++Layouts; }
  void DoLayoutChanged() override {
    TvxExtEditingControl::DoLayoutChanged();
    if (DuringLayout) DuringLayout();
  }
  std::function<void()> DuringLayout;
  void UpdateLockReleased() override { ++Releases; }

  // A column edited through TTestEdit, or (ADefaultEditor) through its value type's default
  // editor.
  TTestColumn* AddColumn(Integer AWidth = 80, bool ADefaultEditor = false) {
    auto c = std::make_unique<TTestColumn>(nullptr);
    c->AfterConstruction();
    c->Width = AWidth;
    if (!ADefaultEditor) c->SetPropertiesClass(TTestEditProperties::StaticClass());
    c->SetEditingControl(this);
    Columns.push_back(std::move(c));
    return Columns.back().get();
  }
  void SetRows(const std::vector<std::vector<String>>& ARows) {
    BeginUpdate();
    DataController()->SetRecordCount(static_cast<Integer>(ARows.size()));
    for (size_t r = 0; r < ARows.size(); ++r)
      for (size_t i = 0; i < ARows[r].size(); ++i)
        DataController()->SetValue(static_cast<Integer>(r), static_cast<Integer>(i), Variant(ARows[r][i]));
    EndUpdate();
  }
  String Value(Integer ARecord, Integer AItem) {
    Variant v = DataController()->GetValue(ARecord, AItem);
    return VarIsNull(v) || VarIsEmpty(v) ? String() : VarToStr(v);
  }
  TTestViewInfo* TestViewInfo() { return static_cast<TTestViewInfo*>(ViewInfo()); }
  TTestCell* CellAt(Integer ARecord, Integer AItem) { return TestViewInfo()->CellAt(ARecord, Items(AItem)); }
  TvxEditingController* Editing() { return Controller()->EditingController(); }
  void Focus(Integer ARecord, Integer AItem) { Controller()->SetFocusedRecordItem(ARecord, Items(AItem)); }
  void SetTopRecord(Integer Value) {
    TopRecord = Value;
    Controller()->EditingController()->PostEditUpdate();
    LayoutChanged();
  }

  Integer RowHeight = 20;
  Integer TopRecord = 0;
  Integer Layouts = 0;
  Integer Releases = 0;
  std::vector<std::unique_ptr<TTestColumn>> Columns;
};

inline void TTestViewInfo::DoCalculate() {
  auto* g = static_cast<TTestGrid*>(FControl);
  FEditCellViewInfoList.clear();
  Cells.Clear();
  Integer records = g->DataController()->RecordCount();
  for (Integer r = 0; r < records; ++r) {
    Integer x = 0, y = (r - g->TopRecord) * g->RowHeight;
    for (Integer i = 0; i < g->ItemCount(); ++i) {
      auto* col = static_cast<TTestColumn*>(g->Items(i));
      auto* cell = new TTestCell(col, r);
      cell->CalculateBounds(TRect{x, y, x + col->Width, y + g->RowHeight}, FClientRect);
      Cells.Add(cell);
      FEditCellViewInfoList.push_back(cell);
      x += col->Width;
    }
  }
  TvxCustomControlViewInfo::DoCalculate();
}

inline TObject* TTestNavigator::GetCellContainer(Integer, Integer ACell) {
  TvxEditingControl* c = Controller()->EditingControl();
  return ACell >= 0 && ACell < c->ItemCount() ? c->Items(ACell) : nullptr;
}

inline Integer TTestNavigator::GetCount(Integer) { return Controller()->EditingControl()->ItemCount(); }

inline void TTestNavigator::Init(Integer& ARow, Integer& ACell, Integer& ARowCount) {
  ARow = Controller()->FocusedRecordIndex();
  ACell = Controller()->FocusedItem() ? Controller()->FocusedItem()->ItemIndex() : -1;
  ARowCount = Controller()->DataController()->RecordCount();
}

inline void TTestNavigator::SetFocusCell(Integer ARow, Integer ACell, TShiftState) {
  Controller()->SetFocusedRecordItem(ARow, Controller()->EditingControl()->Items(ACell));
}

inline TvxEditCellViewInfo* TTestController::GetFocusedCellViewInfo(TvxCustomInplaceEditContainer* AItem) {
  auto* vi = static_cast<TTestViewInfo*>(EditingControl()->ViewInfo());
  return vi && AItem ? vi->CellAt(FocusedRecordIndex(), AItem) : nullptr;
}

// A form with a grid of two columns and three rows.
struct GridFixture : ::testing::Test {
  TForm* Form = nullptr;
  TTestGrid* Grid = nullptr;
  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(40, 40, 320, 200);
    Grid = TvxEditingControl::Create<TTestGrid>(Form);
    Grid->SetBorderStyle(vxcbsNone);
    Grid->SetBounds(0, 0, 240, 120);
    Grid->SetParent(Form);
    Grid->AddColumn(80);
    Grid->AddColumn(80);
    Grid->SetRows({{L"alpha", L"one"}, {L"beta", L"two"}, {L"gamma", L"three"}});
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Grid->SetFocus();
    Pump(60);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  // A key press on the focused window as the keyboard would send it.
  void Key(Word AVk, wchar_t AChar = 0) {
    HWND w = GetFocus();
    SendMessageW(w, WM_KEYDOWN, AVk, 1);
    if (AChar) SendMessageW(w, WM_CHAR, AChar, 1);
    SendMessageW(w, WM_KEYUP, AVk, 0xC0000001);
    Pump(10);
  }
  void Type(const wchar_t* AText) {
    for (const wchar_t* p = AText; *p; ++p) Key(static_cast<Word>(VkKeyScanW(*p) & 0xFF), *p);
  }
  void Click(Integer X, Integer Y) {
    LPARAM at = MAKELPARAM(X, Y);
    SendMessageW(Grid->Handle(), WM_MOUSEMOVE, 0, at);
    SendMessageW(Grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(Grid->Handle(), WM_LBUTTONUP, 0, at);
    Pump(10);
  }
  TTestEdit* Edit() { return dynamic_cast<TTestEdit*>(Grid->Editing()->Edit()); }
  // Takes the focus away from the grid.
  void FocusElsewhere() {
    ::SetFocus(nullptr);
    Pump(10);
  }
};

}  // namespace tl_test
