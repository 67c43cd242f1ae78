// The owner-drawn radio button: painted through the look-and-feel painters or the theme,
// with hot and pressed states tracked from the mouse, optionally transparent.
#pragma once

#include "StdCtrls.h"
#include "vxContainerRoutines.h"
#include "vxControls.h"
#include "vxGroupBox.h"
#include "vxGraphics.h"
#include "vxLookAndFeelPainters.h"
#include "vxLookAndFeels.h"
#include "vxDropDownEdit.h"

enum TvxRadioButtonState { rbsDisabled, rbsHot, rbsNormal, rbsPressed };

// A windowed radio button. The checked state and the exclusion among sibling radio buttons
// are kept here; the window is a system button made owner-drawn.
class TvxRadioButton : public TWinControl, public IvxMouseTrackingCaller {
  DECLARE_CLASS(TvxRadioButton, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxRadioButton(TComponent* AOwner);
  ~TvxRadioButton() override;
  bool Checked() const { return FChecked; }
  // Checking unchecks the sibling radio buttons and clicks (unless clicks are disabled).
  virtual void SetChecked(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TvxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  TvxRadioButtonState State() const { return FState; }
  TRect ButtonRect() const { return FButtonRect; }
  Integer Column() const { return FColumn; }
  Integer Row() const { return FRow; }
  void SetColumn(Integer Value) { FColumn = Value; }
  void SetRow(Integer Value) { FRow = Value; }
  TComponent* PopupMenu() const { return FPopupMenu; }
  // Takes nil or a popup menu; anything else is stored as nil.
  void SetPopupMenu(TComponent* Value);
  bool Focused() override;
  void Invalidate() override;
  // IvxMouseTrackingCaller
  void MouseLeave() override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void DoEnter() override;
  virtual void AdjustCaptionRect(TRect& ARect, bool ANativeStyle);
  virtual bool DoShowPopupMenu(TComponent* AMenu, Integer X, Integer Y);
  virtual void DrawBackground();
  virtual void DrawCaption(TvxCanvas* ACanvas, bool ANativeStyle);
  virtual bool IsInplace() { return false; }
  virtual bool IsNativeBackground();
  virtual bool IsNativeStyle();
  virtual bool IsTransparentBackground() { return FTransparent && !IsInplace(); }
  virtual bool IsTransparent() { return IsNativeBackground() || IsTransparentBackground(); }
  virtual void LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues);
  virtual void DrawItem(bool AFocusOnly);
  virtual void UpdateState(TvxMouseButton AButton, TShiftState AShift, const TPoint& APoint);
  TvxCustomLookAndFeelPainterClass GetPainter();
  bool FClicksDisabled = false;

 private:
  void CNDrawItem(TMessage& Message);

 protected:
  void CNCommand(TWMCommand& Message);

 private:
  void WMEraseBkgnd(TMessage& Message);
  void WMContextMenu(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMSysColorChange(TMessage& Message);
  void SetState(TvxRadioButtonState Value);
  void BeginTracking();
  TAlignment FAlignment = taRightJustify;
  TRect FButtonRect{};
  TvxCanvas* FCanvas = nullptr;  // the canvas of the draw in progress
  bool FChecked = false;
  Integer FColumn = 0, FRow = 0;
  HDC FDrawDC = nullptr;
  bool FFocusedDraw = false;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  TComponent* FPopupMenu = nullptr;
  TvxRadioButtonState FState = rbsNormal;
  bool FTracking = false;
  bool FTransparent = false;
  bool FWordWrap = false;
};

// --- Radio group ------------------------------------------------------------------------------

// An item of a radio group: a caption and an optional value (Null: the caption stands for it).
class TvxRadioGroupItem : public TvxButtonGroupItem {
  DECLARE_CLASS(TvxRadioGroupItem, TvxButtonGroupItem)
  PUBLISHED(TvxRadioGroupItem)
 public:
  using TvxButtonGroupItem::TvxButtonGroupItem;
  void Assign(TPersistent* Source) override;
  const Variant& Value() const { return FValue; }
  // An equal value changes nothing.
  void SetValue(const Variant& Value);

 private:
  Variant FValue = Null();
};

class TvxRadioGroupItems : public TvxButtonGroupItems {
  DECLARE_CLASS(TvxRadioGroupItems, TvxButtonGroupItems)
 public:
  using TvxButtonGroupItems::TvxButtonGroupItems;
  TvxRadioGroupItem* Items(Integer Index) const { return static_cast<TvxRadioGroupItem*>(TCollection::Items(Index)); }
  TvxRadioGroupItem* Add() { return static_cast<TvxRadioGroupItem*>(TCollection::Add()); }
};

class TvxCustomRadioGroupProperties : public TvxCustomButtonGroupProperties {
  DECLARE_CLASS(TvxCustomRadioGroupProperties, TvxCustomButtonGroupProperties)
 public:
  explicit TvxCustomRadioGroupProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  TvxRadioGroupItems* Items() const { return static_cast<TvxRadioGroupItems*>(TvxCustomButtonGroupProperties::Items()); }
  // The first item that stands for the value: an item without a value by its caption (exact
  // case), an item with one by an equal value; -1 for none.
  Integer GetRadioGroupItemIndex(const Variant& AEditValue);
  // The edit value an item stands for: its value, or its caption when it has none; the
  // default value for -1 or an index out of range.
  Variant ItemEditValue(Integer AIndex);
  // What a filter row offers for item AIndex: the value it edits and its caption; for -1 the
  // default value and caption.
  void GetItemFilterValue(Integer AIndex, Variant& AValue, String& ADisplayText);
  String GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  bool CanCompareEditValue() override { return true; }
  bool IsResetEditClass() override { return true; }
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;
  TvxEditSupportedOperations GetSupportedOperations() override;

  const String& DefaultCaption() const { return FDefaultCaption; }
  void SetDefaultCaption(const String& Value);
  bool IsDefaultCaptionStored() const;
  const Variant& DefaultValue() const { return FDefaultValue; }
  void SetDefaultValue(const Variant& Value);

 protected:
  std::unique_ptr<TvxButtonGroupItems> CreateItems() override;

 private:
  String FDefaultCaption;
  Variant FDefaultValue = Null();
};

class TvxRadioGroupProperties : public TvxCustomRadioGroupProperties {
  DECLARE_CLASS(TvxRadioGroupProperties, TvxCustomRadioGroupProperties)
  PUBLISHED(TvxRadioGroupProperties)
 public:
  using TvxCustomRadioGroupProperties::TvxCustomRadioGroupProperties;
};

// --- In-place painting ------------------------------------------------------------------------

// A radio group painted as a cell: a radio glyph and a caption per item, the item of the
// value checked.
class TvxCustomRadioGroupViewInfo : public TvxButtonGroupViewInfo {
  DECLARE_CLASS(TvxCustomRadioGroupViewInfo, TvxButtonGroupViewInfo)
 public:
  TvxCustomRadioGroupViewInfo() = default;
  void DrawButtonCaption(TvxCanvas* ACanvas, TvxGroupBoxButtonViewInfo* AButton, const TRect& AGlyphRect) override;
  void DrawButtonGlyph(TvxCanvas* ACanvas, TvxGroupBoxButtonViewInfo* AButton, const TRect& AGlyphRect) override;
  // The theme state of a radio glyph for a button state, checked or not.
  static Integer NativeRadioState(TvxEditButtonState AState, bool AChecked);
  // The painter of the look-and-feel kind that belongs to a button style.
  static TvxCustomLookAndFeelPainterClass PainterOfButtonStyle(TvxEditButtonStyle AStyle);
  Integer ItemIndex = -1;
  bool DrawsButtons = false;  // the editor draws its buttons itself: captions move up by one
};

class TvxCustomRadioGroup;

class TvxCustomRadioGroupViewData : public TvxButtonGroupViewData {
  DECLARE_CLASS(TvxCustomRadioGroupViewData, TvxButtonGroupViewData)
 public:
  using TvxButtonGroupViewData::TvxButtonGroupViewData;
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  void EditValueToDrawValue(TvxCanvas* ACanvas, const Variant& AEditValue, TvxCustomEditViewInfo* AViewInfo) override;
  void GetButtonMetrics(TvxCanvas* ACanvas, TvxButtonGroupButtonMetrics& AMetrics) override;
  void CalculateButtonViewInfo(TvxButtonGroupViewInfo* AViewInfo, TvxGroupBoxButtonViewInfo* AButton) override;
  // A button of a radio group control counts as pressed while its own button window is.
  bool IsGroupButtonPressed(TvxButtonGroupViewInfo* AViewInfo, Integer AIndex) override;
  // The skin painter, else the look and feel's available button painter.
  TvxCustomLookAndFeelPainterClass ButtonPainter();
  // The radio group control painted through this view data; nullptr for a cell.
  TvxCustomRadioGroup* Group = nullptr;
};

// Filter rows offer the items of a radio group as a fixed list.
class TvxFilterRadioGroupHelper : public TvxFilterComboBoxHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterRadioGroupHelper, TvxFilterComboBoxHelper)
 public:
  TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                        TvxValueTypeClass AValueTypeClass,
                                                        bool AExtendedSet = false) const override;
  void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                            bool AHasButtons) const override;
  void GetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties, Variant& V,
                      String& S) const override;
  void SetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties,
                      const Variant& AValue) const override;
  bool UseDisplayValue() const override { return true; }
};

class TvxCustomRadioGroup;

// A radio button of a radio group: its checks go to the group, which keeps the value.
class TvxCustomRadioGroupButton : public TvxRadioButton {
  DECLARE_CLASS(TvxCustomRadioGroupButton, TvxRadioButton)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomRadioGroupButton(TComponent* AOwner);
  ~TvxCustomRadioGroupButton() override;
  TvxCustomRadioGroup* RadioGroup() const;
  void SetChecked(bool Value) override;
  bool CanFocus() override;
  bool InternalSettingChecked() const { return FInternalSettingChecked; }

 protected:
  friend class TvxCustomRadioGroup;
  void Click() override;
  void DoEnter() override;
  void DoExit() override;
  void KeyPress(wchar_t& Key) override;
  void WndProc(TMessage& Message) override;

 private:
  void CNCommandMsg(TWMCommand& Message);
  bool FFocusingByMouse = false;
  bool FInternalSettingChecked = false;
  bool FIsClickLocked = false;
};

class TvxCustomRadioGroup : public TvxCustomButtonGroup {
  DECLARE_CLASS(TvxCustomRadioGroup, TvxCustomButtonGroup)
 public:
  using TvxCustomButtonGroup::TvxCustomButtonGroup;
  TvxCustomRadioGroupProperties* Properties() const {
    return static_cast<TvxCustomRadioGroupProperties*>(TvxCustomEdit::Properties());
  }
  TvxCustomRadioGroupProperties* ActiveProperties() const {
    return static_cast<TvxCustomRadioGroupProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomRadioGroupProperties::StaticClass(); }
  TvxCustomRadioGroupButton* RadioButtons(Integer Index) const {
    return static_cast<TvxCustomRadioGroupButton*>(Buttons(Index));
  }
  // While loading or at design time the index kept for later; else the checked button's.
  Integer ItemIndex();
  // Clamped to -1 .. button count - 1; the edit value follows.
  void SetItemIndex(Integer Value);
  void Clear() override;
  void PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void SetFocus() override;
  // The group or one of its buttons has the focus.
  bool GroupFocused();
  // The buttons come from the items: they are never streamed.
  void GetChildren(const TGetChildProc&, TComponent*) override {}

 protected:
  friend class TvxCustomRadioGroupButton;
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  void Initialize() override;
  void Loaded() override;
  TWinControl* CreateButton() override;
  void UpdateButtons() override;
  void UpdateButtonColors() override;
  void InternalSetEditValue(const Variant& Value, bool AValidateEditValue) override;
  void SetEditValueForced(const Variant& Value, bool AForce);
  // A button was checked by the user.
  void ButtonChecked(TvxCustomRadioGroupButton* AButton);
  Integer CheckedIndex() const;
  bool IsLoadingOrDesigning() const;
  void FillViewDataState(TvxCustomEditViewData* AViewData) override;

 private:
  Integer FLoadedItemIndex = -1;
  bool FSkinsPaintCopy = false;
};

class TvxRadioGroup : public TvxCustomRadioGroup {
  DECLARE_CLASS(TvxRadioGroup, TvxCustomRadioGroup)
  PUBLISHED(TvxRadioGroup)
 public:
  using TvxCustomRadioGroup::TvxCustomRadioGroup;
  TvxRadioGroupProperties* Properties() const {
    return static_cast<TvxRadioGroupProperties*>(TvxCustomEdit::Properties());
  }
  TClass GetPropertiesClass() override { return TvxRadioGroupProperties::StaticClass(); }
};

extern const TUnitInfo vxRadioGroupUnit;
