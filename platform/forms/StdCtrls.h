// StdCtrls: the standard controls. Labels paint themselves; buttons, edits, memos,
// list boxes and scroll bars are the system's own windows, with their notifications
// turned into events and their state kept while no window exists.
#pragma once

#include <windows.h>

#include <memory>

#include "Classes.h"
#include "Controls.h"
#include "Menus.h"
#include "SysInit.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
ENUM_TYPEINFO(TAlignment, taLeftJustify, taRightJustify, taCenter)
enum TTextLayout { tlTop, tlCenter, tlBottom };
ENUM_TYPEINFO(TTextLayout, tlTop, tlCenter, tlBottom)
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
ENUM_TYPEINFO(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase)
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
ENUM_TYPEINFO(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
ENUM_TYPEINFO(TListBoxStyle, lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual,
              lbVirtualOwnerDraw)
enum TScrollBarKind { sbHorizontal, sbVertical };
ENUM_TYPEINFO(TScrollBarKind, sbHorizontal, sbVertical)
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };

// --- label -----------------------------------------------------------------------------

class TCustomLabel : public TGraphicControl {
  DECLARE_CLASS(TCustomLabel, TGraphicControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomLabel(TComponent* AOwner);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CMTextChanged(TCMNoParams& Message);
  void CMFontChanged(TCMNoParams& Message);
  void CMDialogChar(TCMDialogChar& Message);

 protected:
  void Paint() override;
  void AdjustBounds();
  // Draws the caption with DrawText flags (DT_CALCRECT measures instead).
  virtual void DoDrawText(RECT& Rect, UINT Flags);

 private:
  bool FAutoSize = true;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FTransparent = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
  DECLARE_CLASS(TLabel, TCustomLabel)
  PUBLISHED(TLabel)
 public:
  using TCustomLabel::TCustomLabel;
};

// --- button ----------------------------------------------------------------------------

class TButton : public TWinControl {
  DECLARE_CLASS(TButton, TWinControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TButton)
 public:
  explicit TButton(TComponent* AOwner);
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  // Runs OnClick and hands the modal result to the form.
  void Click() override;
  void CNCommand(TWMCommand& Message);
  void CMDialogKey(TCMDialogKey& Message);

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
};

// --- check box and radio button --------------------------------------------------------

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
ENUM_TYPEINFO(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)

// A check box: the system's button window showing a state the control keeps itself. A
// click steps the state (through grayed when AllowGrayed) and then fires OnClick.
// Alignment taRightJustify puts the caption right of the box.
class TCheckBox : public TWinControl {
  DECLARE_CLASS(TCheckBox, TWinControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TCheckBox)
 public:
  explicit TCheckBox(TComponent* AOwner);
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState Value);
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  void CNCommand(TWMCommand& Message);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  TAlignment FAlignment = taRightJustify;
};

// A radio button: checking one unchecks the other radio buttons of the same parent.
class TRadioButton : public TWinControl {
  DECLARE_CLASS(TRadioButton, TWinControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TRadioButton)
 public:
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  void CNCommand(TWMCommand& Message);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  bool FChecked = false;
  TAlignment FAlignment = taRightJustify;
};

// --- combo box -------------------------------------------------------------------------

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };
ENUM_TYPEINFO(TComboBoxStyle, csDropDown, csSimple, csDropDownList)

// A combo box over the system's window. Its items are a string list the control keeps
// and copies into the window whenever it changes or the window is made; the selected
// index and the text are kept while there is no window.
class TComboBox : public TWinControl {
  DECLARE_CLASS(TComboBox, TWinControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TComboBox)
 public:
  explicit TComboBox(TComponent* AOwner);
  ~TComboBox() override;
  TStrings* Items() const;
  void SetItems(TStrings* Value);
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  Integer ItemIndex();
  void SetItemIndex(Integer Value);
  Integer DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(Integer Value) { FDropDownCount = Value; }
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  Integer MaxLength() const { return FMaxLength; }
  void SetMaxLength(Integer Value);
  // The shown text; for a drop-down list, the selected item's.
  String Text();
  void SetText(const String& Value);

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  void CNCommand(TWMCommand& Message);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  void ItemsChanged(TObject* Sender);
  void FillWindow();
  std::unique_ptr<TStringList> FItems;
  TComboBoxStyle FStyle = csDropDown;
  Integer FItemIndex = -1;
  Integer FDropDownCount = 8;
  Integer FMaxLength = 0;
  bool FSorted = false;
  bool FFilling = false;
  String FText;
};

// --- edit ------------------------------------------------------------------------------

class TCustomEdit : public TWinControl {
  DECLARE_CLASS(TCustomEdit, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomEdit(TComponent* AOwner);

  Integer MaxLength() const { return FMaxLength; }
  void SetMaxLength(Integer Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  wchar_t PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(wchar_t Value);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { FAutoSelect = Value; }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool Modified();
  void SetModified(bool Value);

  Integer SelStart();
  void SetSelStart(Integer Value);
  Integer SelLength();
  void SetSelLength(Integer Value);
  String SelText();
  void SetSelText(const String& Value);
  void SelectAll();
  void ClearSelection() { SetSelText(L""); }
  void Clear() { SetText(L""); }
  bool CanUndo();
  void Undo();
  void ClearUndo();
  void CutToClipboard();
  void CopyToClipboard();
  void PasteFromClipboard();

  TNotifyEvent OnChange;
  void CNCommand(TWMCommand& Message);

 protected:
  virtual void Change();
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void DoEnter() override;

  Integer FMaxLength = 0;
  bool FReadOnly = false;
  wchar_t FPasswordChar = 0;
  TEditCharCase FCharCase = ecNormal;
  TBorderStyle FBorderStyle = bsSingle;
  bool FAutoSelect = true;
  bool FHideSelection = true;
  bool FModified = false;
  bool FCreating = false;
};

class TEdit : public TCustomEdit {
  DECLARE_CLASS(TEdit, TCustomEdit)
  PUBLISHED(TEdit)
 public:
  using TCustomEdit::TCustomEdit;
};

class TCustomMemo : public TCustomEdit {
  DECLARE_CLASS(TCustomMemo, TCustomEdit)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;
  // The text as lines (kept in the window; assigning replaces the text).
  TStrings* Lines() const { return FLines.get(); }
  void SetLines(TStrings* Value) { FLines->Assign(Value); }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value) { FWantReturns = Value; }
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value) { FWantTabs = Value; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // The caret position as a column and line.
  POINT CaretPos();
  void SetCaretPos(POINT Value);
  void WMGetDlgCode(TWMGetDlgCode& Message);
  void WMChar(TWMChar& Message);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void DoEnter() override;

 private:
  std::unique_ptr<TStrings> FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FWordWrap = true;
  bool FWantReturns = true;
  bool FWantTabs = false;
  TAlignment FAlignment = taLeftJustify;
};

class TMemo : public TCustomMemo {
  DECLARE_CLASS(TMemo, TCustomMemo)
  PUBLISHED(TMemo)
 public:
  using TCustomMemo::TCustomMemo;
};

// --- list box --------------------------------------------------------------------------

using TDrawItemEvent =
    std::function<void(TWinControl* Control, Integer Index, RECT Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, Integer Index, Integer& Height)>;

class TCustomListBox : public TWinControl {
  DECLARE_CLASS(TCustomListBox, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  TStrings* Items() const { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  Integer Count() const { return FItems->Count(); }
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle Value);
  Integer ItemIndex();
  void SetItemIndex(Integer Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool Value);
  bool Selected(Integer Index);
  void SetSelected(Integer Index, bool Value);
  Integer SelCount();
  Integer TopIndex();
  void SetTopIndex(Integer Value);
  Integer ItemHeight();
  void SetItemHeight(Integer Value);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TCanvas* Canvas() const { return FCanvas.get(); }
  // The item at a client point: -1 outside the items when Existing, else the nearest.
  Integer ItemAtPos(POINT Pos, bool Existing);
  RECT ItemRect(Integer Index);
  void Clear() { FItems->Clear(); }
  void SelectAll();
  void ClearSelection();

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  void CNCommand(TWMCommand& Message);
  void CNDrawItem(TWMDrawItem& Message);
  void CNMeasureItem(TWMMeasureItem& Message);

 protected:
  friend class TListBoxStrings;
  virtual void DrawItem(Integer Index, RECT Rect, TOwnerDrawState State);
  virtual void MeasureItem(Integer Index, Integer& Height);
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  std::unique_ptr<TStrings> FItems;        // the window's strings once it exists
  std::unique_ptr<TStringList> FSaved;     // the strings while there is no window
  std::unique_ptr<TControlCanvas> FCanvas;
  TListBoxStyle FStyle = lbStandard;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  bool FSorted = false;
  bool FIntegralHeight = false;
  TBorderStyle FBorderStyle = bsSingle;
  Integer FItemHeight = 16;
  Integer FItemIndex = -1;
  Integer FTopIndex = 0;
};

class TListBox : public TCustomListBox {
  DECLARE_CLASS(TListBox, TCustomListBox)
  PUBLISHED(TListBox)
 public:
  using TCustomListBox::TCustomListBox;
};

// --- scroll bar and group box ------------------------------------------------------------

using TScrollEvent =
    std::function<void(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos)>;

class TScrollBar : public TWinControl {
  DECLARE_CLASS(TScrollBar, TWinControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TScrollBar)
 public:
  explicit TScrollBar(TComponent* AOwner);
  TScrollBarKind Kind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  Integer Min() const { return FMin; }
  Integer Max() const { return FMax; }
  Integer Position() const { return FPosition; }
  Integer PageSize() const { return FPageSize; }
  void SetMin(Integer Value) { SetParams(FPosition, Value, FMax); }
  void SetMax(Integer Value) { SetParams(FPosition, FMin, Value); }
  void SetPosition(Integer Value) { SetParams(Value, FMin, FMax); }
  void SetPageSize(Integer Value);
  void SetParams(Integer APosition, Integer AMin, Integer AMax);
  Integer SmallChange() const { return FSmallChange; }
  void SetSmallChange(Integer Value) { FSmallChange = Value; }
  Integer LargeChange() const { return FLargeChange; }
  void SetLargeChange(Integer Value) { FLargeChange = Value; }
  TNotifyEvent OnChange;
  TScrollEvent OnScroll;
  void CNScroll(TWMScroll& Message);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void Change();
  void DoScroll(TWMScroll& Message);

 private:
  void UpdateInfo();
  TScrollBarKind FKind = sbHorizontal;
  Integer FMin = 0, FMax = 100, FPosition = 0, FPageSize = 0;
  Integer FSmallChange = 1, FLargeChange = 1;
};

class TCustomGroupBox : public TCustomControl {
  DECLARE_CLASS(TCustomGroupBox, TCustomControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomGroupBox(TComponent* AOwner);
  void CMTextChanged(TCMNoParams& Message);
  void CMFontChanged(TCMNoParams& Message);

 protected:
  void Paint() override;
  void AdjustClientRect(RECT& Rect) override;
};

class TGroupBox : public TCustomGroupBox {
  DECLARE_CLASS(TGroupBox, TCustomGroupBox)
  PUBLISHED(TGroupBox)
 public:
  using TCustomGroupBox::TCustomGroupBox;
};

// Registers the unit's classes for the form streaming.
extern const TUnitInfo StdCtrlsUnit;
