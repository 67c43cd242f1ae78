// The check list box: a container around an owner-drawn inner list whose items carry a
// three-state check, an optional image and an enabled flag. The checks together form
// one edit value, built and read back with the check-state value formats.
#pragma once

#include <functional>

#include "ImgList.h"
#include "vxCheckBox.h"
#include "vxContainer.h"
#include "vxDataUtils.h"

class TvxCustomInnerCheckListBox;
class TvxCheckListBox;

enum TvxCheckListBoxImageLayout { ilBeforeChecks, ilAfterChecks };
ENUM_TYPEINFO(TvxCheckListBoxImageLayout, ilBeforeChecks, ilAfterChecks)

struct TvxCheckListBoxMetrics {
  Integer CheckFrameWidth = 1;
  Integer ContentOffset = 0;
  Integer ImageFrameWidth = 1;
  Integer TextAreaOffset = 1;
  Integer TextOffset = 2;
  Integer TextWidthCorrection = 3;
};

using TvxClickCheckEvent =
    std::function<void(TObject* Sender, Integer AIndex, TvxCheckBoxState APrevState, TvxCheckBoxState ANewState)>;

class TvxCheckListBoxItem : public TvxCaptionItem {
  DECLARE_CLASS(TvxCheckListBoxItem, TvxCaptionItem)
  PUBLISHED(TvxCheckListBoxItem)
 public:
  explicit TvxCheckListBoxItem(TCollection* Collection) : TvxCaptionItem(Collection) {}
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TvxCheckBoxState State() const { return FState; }
  void SetState(TvxCheckBoxState Value);
  bool Checked() const { return FState == cbsChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbsChecked : cbsUnchecked); }
  TObject* ItemObject() const { return FItemObject; }
  void SetItemObject(TObject* Value) { FItemObject = Value; }
  const String& Text() const { return Caption(); }
  void SetText(const String& Value) { SetCaption(Value); }

 private:
  TvxCustomInnerCheckListBox* List() const;
  bool FEnabled = true;
  Integer FImageIndex = -1;
  TObject* FItemObject = nullptr;  // not owned
  TvxCheckBoxState FState = cbsUnchecked;
};

class TvxCheckListBoxItems : public TvxCaptionItems {
  DECLARE_CLASS(TvxCheckListBoxItems, TvxCaptionItems)
 public:
  explicit TvxCheckListBoxItems(TvxCustomInnerCheckListBox* AOwner);
  TvxCheckListBoxItem* Items(Integer Index) const {
    return static_cast<TvxCheckListBoxItem*>(TCollection::Items(Index));
  }
  TvxCheckListBoxItem* Add() { return static_cast<TvxCheckListBoxItem*>(TCollection::Add()); }
  // The first item whose text equals S, ignoring case; -1 when none.
  Integer IndexOf(const String& S) const;
  Integer IndexOfObject(TObject* AObject) const;
  // Clears AStrings and adds every item's text in order.
  void LoadStrings(TStrings* AStrings) const;
  TvxCustomInnerCheckListBox* CheckListBox() const { return FCheckListBox; }
  // While held, the edit value is not rebuilt for each item state change.
  void LockChanged(bool ALock);
  bool ChangedLocked() const { return FChangedLockCount > 0; }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  Integer FChangedLockCount = 0;
  TvxCustomInnerCheckListBox* FCheckListBox;
};

class TvxCustomInnerCheckListBox : public TvxCustomInnerListBox {
  DECLARE_CLASS(TvxCustomInnerCheckListBox, TvxCustomInnerListBox)
  friend class TvxCheckListBoxItem;
  friend class TvxCheckListBoxItems;

 public:
  explicit TvxCustomInnerCheckListBox(TComponent* AOwner);
  ~TvxCustomInnerCheckListBox() override;
  TvxCheckListBoxItems* CheckItems() const { return FCheckItems.get(); }
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  bool AllowDblClickToggle() const { return FAllowDblClickToggle; }
  void SetAllowDblClickToggle(bool Value) { FAllowDblClickToggle = Value; }
  const TvxCheckListBoxMetrics& Metrics() const { return FMetrics; }
  TBitmap* Glyph();
  void SetGlyph(TBitmap* Value);
  TBitmap* GlyphOrNull() const { return FGlyph.get(); }
  Integer GlyphCount() const { return FGlyphCount; }
  void SetGlyphCount(Integer Value);
  // The size of a check face without its border.
  TSize CheckSize();
  TvxCheckListBox* CheckListBox() const;

  // The item whose check face (without its border) holds the client point; -1 when none.
  Integer CheckAtPoint(Integer X, Integer Y);
  // The check face of an item rectangle; empty without checks.
  TRect GetItemCheckRect(const TRect& AItemRect, bool AWithBorder);
  virtual Integer GetTextAreaOffset();
  virtual Integer GetStandardItemHeight();
  // Steps an enabled item to its next state and raises the click-check event.
  void ToggleItemCheck(Integer AIndex);
  virtual void InvalidateItem(Integer AIndex);
  void UpdateItemHeight();
  Integer HotCheckIndex() const { return FHotCheckIndex; }
  Integer PressedCheckIndex() const { return FPressedCheckIndex; }
  void WndProc(TMessage& Message) override;

  TvxClickCheckEvent OnClickCheck;

 protected:
  virtual void DoClickCheck(Integer AIndex, TvxCheckBoxState APrevState, TvxCheckBoxState ANewState);
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) override;
  void KeyPress(wchar_t& Key) override;
  void DblClick() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Click() override;
  void SyncRows(TCollectionItem* AItem);
  // The container's binding refuses editing (only asked while the checks are hidden).
  bool EditRefused();

 private:
  Integer CheckBorderOffset();
  void SetPressedCheck(Integer AIndex);
  bool FAllowGrayed = false;
  bool FAllowDblClickToggle = true;
  Integer FCapturedCheckIndex = -1;
  std::unique_ptr<TvxCheckListBoxItems> FCheckItems;
  std::unique_ptr<TBitmap> FGlyph;
  Integer FGlyphCount = 6;
  Integer FHotCheckIndex = -1;
  TvxCheckListBoxMetrics FMetrics;
  Integer FPressedCheckIndex = -1;
};

class TvxCheckListBox : public TvxContainer {
  DECLARE_CLASS(TvxCheckListBox, TvxContainer)
  PUBLISHED(TvxCheckListBox)
  friend class TvxCustomInnerCheckListBox;
  friend class TvxCheckListBoxItem;
  friend class TvxCheckListBoxItems;

 public:
  explicit TvxCheckListBox(TComponent* AOwner);
  ~TvxCheckListBox() override;
  void AfterConstruction() override;

  TvxCustomInnerCheckListBox* InnerCheckListBox() const { return FInnerCheckListBox; }
  TvxCheckListBoxItems* Items() const { return FInnerCheckListBox->CheckItems(); }
  Integer Count() const { return Items()->Count(); }
  Integer ItemIndex() { return FInnerCheckListBox->ItemIndex(); }
  void SetItemIndex(Integer Value) { FInnerCheckListBox->SetItemIndex(Value); }
  bool Selected(Integer Index) { return FInnerCheckListBox->Selected(Index); }
  void Clear() { Items()->Clear(); }
  bool AllowGrayed() const { return FInnerCheckListBox->AllowGrayed(); }
  void SetAllowGrayed(bool Value) { FInnerCheckListBox->SetAllowGrayed(Value); }
  TvxClickCheckEvent& OnClickCheck() { return FInnerCheckListBox->OnClickCheck; }

  const Variant& EditValue() const { return FEditValue; }
  bool AllowDblClickToggle() const { return FInnerCheckListBox->AllowDblClickToggle(); }
  void SetAllowDblClickToggle(bool Value) { FInnerCheckListBox->SetAllowDblClickToggle(Value); }
  void SetItems(TvxCheckListBoxItems* Value);
  // The glyph strip of the check faces, created on first read.
  TBitmap* Glyph() { return FInnerCheckListBox->Glyph(); }
  void SetGlyph(TBitmap* Value) { FInnerCheckListBox->SetGlyph(Value); }
  Integer GlyphCount() const { return FInnerCheckListBox->GlyphCount(); }
  void SetGlyphCount(Integer Value) { FInnerCheckListBox->SetGlyphCount(Value); }
  bool Sorted() const { return Items()->Sorted(); }
  // While loading the value waits for Loaded.
  void SetSorted(bool Value);
  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value);
  // The faces are the theme's button parts.
  bool NativeCheckStyle();

  // The link between the checks (or the focused item) and a value.
  TvxCustomDataBinding* DataBinding() const { return FDataBinding.get(); }
  bool ReadOnly() { return FDataBinding->ReadOnly(); }
  void SetReadOnly(bool Value) { FDataBinding->SetReadOnly(Value); }
  virtual void DataChange();
  virtual void UpdateData();
  void Loaded() override;
  virtual void SetEditValue(const Variant& Value);
  TvxCheckStatesValueFormat EditValueFormat() const { return FEditValueFormat; }
  void SetEditValueFormat(TvxCheckStatesValueFormat Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TvxCheckListBoxImageLayout ImageLayout() const { return FImageLayout; }
  void SetImageLayout(TvxCheckListBoxImageLayout Value);
  bool ShowChecks() const { return FShowChecks; }
  void SetShowChecks(bool Value);
  // The width that shows the widest item whole.
  Integer GetBestFitWidth();
  // The height that shows ARowCount standard rows.
  virtual Integer GetHeight(Integer ARowCount);
  // The width that shows item AIndex whole.
  virtual Integer GetItemWidth(Integer AIndex);
  // Hit tests and item rectangles in the container's coordinates.
  Integer ItemAtPos(const TPoint& APos, bool AExisting);
  TRect ItemRect(Integer Index);
  // The item whose check face holds the point; -1 when none.
  Integer CheckAtPos(const TPoint& APos);
  TvxCheckListBoxItem* AddItem(const String& AItem);
  // Deletes the focused item.
  void DeleteSelected();
  void Sort() { Items()->SortItems(); }

  TNotifyEvent OnEditValueChanged;
  std::function<void(TObject* Sender, const TvxCheckStates& ACheckStates, Variant& AEditValue)>
      OnCheckStatesToEditValue;
  std::function<void(TObject* Sender, const Variant& AEditValue, TvxCheckStates& ACheckStates)>
      OnEditValueToCheckStates;

 protected:
  virtual std::unique_ptr<TvxCustomDataBinding> CreateDataBinding() {
    return std::make_unique<TvxCustomDataBinding>(this, this);
  }
  bool IsReadOnlyState() override { return FDataBinding->IsControlReadOnly(); }
  void DoExit() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual TvxCustomInnerCheckListBox* CreateInnerCheckListBox() { return new TvxCustomInnerCheckListBox(this); }
  void StatesToEditValue();
  void EditValueToStates();
  // More than 64 items cannot be held by an integer edit value.
  void CheckItemLimit();
  TvxEditBorderStyle CheckBorderStyle();

 private:
  std::unique_ptr<TvxCustomDataBinding> FDataBinding;
  bool FIntegralHeight = false;
  bool FIsExitProcessing = false;
  bool FLoadedSortedValue = false;
  Variant FEditValue = Variant(0LL);
  TvxCheckStatesValueFormat FEditValueFormat = cvfInteger;
  TCustomImageList* FImages = nullptr;
  TvxCheckListBoxImageLayout FImageLayout = ilBeforeChecks;
  TvxCustomInnerCheckListBox* FInnerCheckListBox = nullptr;
  bool FIsModified = false;
  bool FShowChecks = true;
};

extern TResStringRec vxSCheckListBoxItemLimit;
extern const TUnitInfo vxCheckListBoxUnit;
