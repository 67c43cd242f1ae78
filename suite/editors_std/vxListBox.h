// The styled list box: a container around an inner list box window. The list's
// properties forward to the inner list; the container adds container coordinates for
// item hit tests, an owner-draw event with the suite's canvas and an integral-height
// rule that sizes the control to whole items.
#pragma once

#include <functional>

#include "vxContainer.h"
#include "vxDataUtils.h"
#include "vxGraphics.h"

class TvxListBox;

using TvxListBoxDrawItemEvent =
    std::function<void(TvxListBox* AControl, TvxCanvas* ACanvas, Integer AIndex, TRect ARect, TOwnerDrawState AState)>;
using TvxListBoxMeasureItemEvent = std::function<void(TvxListBox* AControl, Integer AIndex, Integer& Height)>;

// The inner list of a TvxListBox: owner drawing goes to the container first; clicks and
// presses that would change the selection need the container's binding to allow editing.
class TvxInnerListBox : public TvxCustomInnerListBox {
  DECLARE_CLASS(TvxInnerListBox, TvxCustomInnerListBox)
  DECLARE_MESSAGE_MAP
 public:
  using TvxCustomInnerListBox::TvxCustomInnerListBox;

 protected:
  void DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) override;
  void Click() override;
  void CreateWnd() override;

 private:
  void WMLButtonDown(TMessage& Message);
};

class TvxListBox : public TvxContainer {
  DECLARE_CLASS(TvxListBox, TvxContainer)
  PUBLISHED(TvxListBox)
 public:
  explicit TvxListBox(TComponent* AOwner);
  ~TvxListBox() override;
  void AfterConstruction() override;

  TvxInnerListBox* InnerListBox() const { return FInnerListBox; }
  TStrings* Items() const { return FInnerListBox->Items(); }
  // Takes the strings, then selects by the bound value again.
  void SetItems(TStrings* Value);
  Integer Count() const { return FInnerListBox->Count(); }
  Integer ItemIndex() { return FInnerListBox->ItemIndex(); }
  void SetItemIndex(Integer Value) { FInnerListBox->SetItemIndex(Value); }
  Integer ItemHeight() { return FInnerListBox->ItemHeight(); }
  void SetItemHeight(Integer Value) { FInnerListBox->SetItemHeight(Value); }
  TListBoxStyle ListStyle() const { return FInnerListBox->Style(); }
  void SetListStyle(TListBoxStyle Value) { FInnerListBox->SetStyle(Value); }
  bool MultiSelect() const { return FInnerListBox->MultiSelect(); }
  void SetMultiSelect(bool Value) { FInnerListBox->SetMultiSelect(Value); }
  bool ExtendedSelect() const { return FInnerListBox->ExtendedSelect(); }
  void SetExtendedSelect(bool Value) { FInnerListBox->SetExtendedSelect(Value); }
  bool Sorted() const { return FInnerListBox->Sorted(); }
  void SetSorted(bool Value) { FInnerListBox->SetSorted(Value); }
  bool AutoComplete() const { return FInnerListBox->AutoComplete(); }
  void SetAutoComplete(bool Value) { FInnerListBox->SetAutoComplete(Value); }
  Integer TopIndex() { return FInnerListBox->TopIndex(); }
  void SetTopIndex(Integer Value) { FInnerListBox->SetTopIndex(Value); }
  Integer SelCount() { return FInnerListBox->SelCount(); }
  bool Selected(Integer Index) { return FInnerListBox->Selected(Index); }
  void SetSelected(Integer Index, bool Value) { FInnerListBox->SetSelected(Index, Value); }
  bool ItemVisible(Integer Index) { return FInnerListBox->ItemVisible(Index); }
  void AddItem(const String& AItem, TObject* AObject) { Items()->AddObject(AItem, AObject); }
  void Clear() { FInnerListBox->Clear(); }
  void ClearSelection() { FInnerListBox->ClearSelection(); }
  void SelectAll() { FInnerListBox->SelectAll(); }
  void DeleteSelected();

  // Hit test and item rectangles in the container's coordinates.
  Integer ItemAtPos(const TPoint& APos, bool AExisting);
  TRect ItemRect(Integer Index);
  // The object of the selected item; setting an object not in the list clears the selection.
  TObject* ItemObject();
  void SetItemObject(TObject* Value);

  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value);
  // The largest height not above ARequested that shows whole items only (at least one).
  Integer CalcIntegralHeight(Integer ARequested);

  TvxListBoxMeasureItemEvent OnMeasureItem() const { return FOnMeasureItem; }
  void SetOnMeasureItem(TvxListBoxMeasureItemEvent Value);
  TvxListBoxDrawItemEvent OnDrawItem;

  // Raises OnDrawItem; false when no handler is assigned.
  virtual bool DoDrawItem(TvxCanvas* ACanvas, Integer AIndex, const TRect& ARect, TOwnerDrawState AState);

  // The link between the selected item and a value.
  TvxCustomDataBinding* DataBinding() const { return FDataBinding.get(); }
  bool ReadOnly() { return FDataBinding->ReadOnly(); }
  void SetReadOnly(bool Value) { FDataBinding->SetReadOnly(Value); }
  // The selected item's text goes to the bound value.
  virtual void UpdateData();
  // The bound value selects the item of that text.
  virtual void DataChange();

 protected:
  virtual std::unique_ptr<TvxCustomDataBinding> CreateDataBinding() {
    return std::make_unique<TvxCustomDataBinding>(this, this);
  }
  bool IsReadOnlyState() override { return FDataBinding->IsControlReadOnly(); }
  void DoExit() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  void FontChanged() override;
  bool CanResize(Integer& NewWidth, Integer& NewHeight) override;
  void AlignInnerControl() override;
  void WndProc(TMessage& Message) override;
  virtual TvxInnerListBox* CreateInnerListBox() { return new TvxInnerListBox(this); }
  Integer ItemHeightOf(Integer AIndex);

 private:
  bool AppliesIntegralHeight() const;
  std::unique_ptr<TvxCustomDataBinding> FDataBinding;
  bool FIsExitProcessing = false;
  TvxInnerListBox* FInnerListBox = nullptr;
  bool FIntegralHeight = false;
  TvxListBoxMeasureItemEvent FOnMeasureItem;
};

extern const TUnitInfo vxListBoxUnit;
