// Customizing the tree list's layout by hand: the customization form that lists the hidden
// columns and bands as header cells (drag them onto the headers, or a header onto the
// form), its owner that remembers where the form was, the quick customization drop-downs
// with a check box per column or band, and the arrow window that marks where dragged nodes
// will land.
#pragma once

#include <memory>
#include <vector>

#include "Forms.h"
#include "vxCheckListBox.h"
#include "vxContainer.h"
#include "vxImageList.h"
#include "vxListBox.h"
#include "vxTL.h"
#include "vxTLView.h"

class TvxPageControl;
class TvxTabSheet;
class TvxTreeListCustomizing;

// Loads a bitmap resource of the program; False, with the bitmap left as it was, when the
// program has no such resource.
bool vxTreeListLoadBitmapResource(TBitmap* ABitmap, const String& AName);

// --- Customization form ------------------------------------------------------------------

// A list of hidden items, each drawn as the tree list's header cell. An entry can be
// dragged onto the tree list's headers (the drag runs as the tree list's header drag) or
// double-clicked to be shown again.
class TvxTreeListItemsCustomizeListBox : public TvxListBox {
  DECLARE_CLASS(TvxTreeListItemsCustomizeListBox, TvxListBox)
 public:
  TvxTreeListItemsCustomizeListBox(TComponent* AOwner, TWinControl* AParent, TvxCustomTreeList* ATreeList);
  ~TvxTreeListItemsCustomizeListBox() override;
  TvxCustomTreeList* TreeList() const { return FTreeList; }
  // Clears and fills the list with the items that are not actually visible.
  void RefreshList();
  // Every cell laid out again for the current width.
  void RefreshCells();
  Integer HeaderCount() const { return static_cast<Integer>(FHeaders.size()); }
  TvxTreeListHeaderCellViewInfo* Headers(Integer AIndex) const { return FHeaders.at(AIndex).get(); }
  // The item (column or band) of an entry.
  TObject* EntryItem(Integer AIndex) const;
  // Shows an entry's item again (as a double click does).
  void RestoreItem(Integer AIndex);
  bool DoDrawItem(TvxCanvas* ACanvas, Integer AIndex, const TRect& ARect, TOwnerDrawState AState) override;
  TvxDragAndDropObjectClass DragAndDropObjectClass() override;

 protected:
  virtual TvxTreeListHeaderCellViewInfo* CreateHeader(TObject* AItem) = 0;
  virtual void FillItems(std::vector<TObject*>& AItems) = 0;
  virtual TvxDragAndDropObjectClass DragObjectClass() = 0;
  virtual void DoRestoreItem(TObject* AItem) = 0;
  Integer CalcItemHeight();
  bool CanStartDragAndDrop(const TPoint& P) override;
  void DblClick() override;
  void Resize() override;
  void LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) override;

 private:
  TvxCustomTreeList* FTreeList;
  std::vector<std::unique_ptr<TvxTreeListHeaderCellViewInfo>> FHeaders;
  bool FFilling = false;
};

class TvxTreeListColumnsCustomizeListBox : public TvxTreeListItemsCustomizeListBox {
  DECLARE_CLASS(TvxTreeListColumnsCustomizeListBox, TvxTreeListItemsCustomizeListBox)
 public:
  using TvxTreeListItemsCustomizeListBox::TvxTreeListItemsCustomizeListBox;

 protected:
  TvxTreeListHeaderCellViewInfo* CreateHeader(TObject* AItem) override;
  void FillItems(std::vector<TObject*>& AItems) override;
  TvxDragAndDropObjectClass DragObjectClass() override;
  void DoRestoreItem(TObject* AItem) override;
};

class TvxTreeListBandsCustomizeListBox : public TvxTreeListItemsCustomizeListBox {
  DECLARE_CLASS(TvxTreeListBandsCustomizeListBox, TvxTreeListItemsCustomizeListBox)
 public:
  using TvxTreeListItemsCustomizeListBox::TvxTreeListItemsCustomizeListBox;

 protected:
  TvxTreeListHeaderCellViewInfo* CreateHeader(TObject* AItem) override;
  void FillItems(std::vector<TObject*>& AItems) override;
  TvxDragAndDropObjectClass DragObjectClass() override;
  void DoRestoreItem(TObject* AItem) override;
};

// The tool window of the customizing object. Its timer follows the application and the
// tree list: hidden while the application is minimized, closed when the tree list is no
// longer shown.
class TvxTreeListCustomizationForm : public TForm {
  DECLARE_CLASS(TvxTreeListCustomizationForm, TForm)
 public:
  explicit TvxTreeListCustomizationForm(TvxTreeListCustomizing* AOwner);
  ~TvxTreeListCustomizationForm() override;
  TvxTreeListCustomizing* Customizing() const { return FOwner; }
  TvxTimer* HookTimer() const { return FHookTimer.get(); }
  // One check of the timer (also called by tests).
  void HookTimerHandler(TObject* Sender);

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  TvxTreeListCustomizing* FOwner;
  std::unique_ptr<TvxTimer> FHookTimer;
};

// Owns the customization form and remembers its place between showings.
class TvxTreeListCustomizing : public TvxOwnedInterfacedPersistent {
  DECLARE_CLASS(TvxTreeListCustomizing, TvxOwnedInterfacedPersistent)
 public:
  explicit TvxTreeListCustomizing(TvxCustomTreeList* ATreeList);
  ~TvxTreeListCustomizing() override;
  void Assign(TPersistent* Source) override;

  TvxCustomTreeList* TreeList() const { return FTreeList; }
  TvxTreeListCustomizationForm* Form() const { return FForm.get(); }
  TvxTreeListItemsCustomizeListBox* HeaderListBox() const { return FHeaderListBox; }
  TvxTreeListItemsCustomizeListBox* BandListBox() const { return FBandListBox; }
  TvxPageControl* PageControl() const { return FPageControl; }
  TvxTabSheet* TabSheetBands() const { return FTabSheetBands; }
  TvxTabSheet* TabSheetHeaders() const { return FTabSheetHeaders; }
  bool IsPositionAssigned() const { return FIsPositionAssigned; }
  TPoint Position() const;
  void SetPosition(const TPoint& Value);
  Integer RowCount() const { return FRowCount; }
  void SetRowCount(Integer Value) { FRowCount = std::max(Value, 2); }
  bool Visible() const;
  void SetVisible(bool Value);
  void MakeBandPageVisible();
  void MakeColumnPageVisible();
  // The form is shown and its window contains the screen point.
  bool PtInCustomizingBox(const TPoint& APoint) const;
  // The tree list changed: the lists are filled again while the form is shown.
  virtual void TreeListChanged();
  // Each list box lays its cells out again.
  virtual void RefreshListBoxCells();
  virtual void RebuildListBoxes();

 protected:
  friend class TvxTreeListCustomizationForm;
  virtual void FormClose(TObject* Sender, TCloseAction& Action) { Action = caFree; }
  virtual void CreateFormContent();
  virtual void CreateForm();
  // The form is going: its place is remembered and the form forgotten.
  virtual void FormDestroyed(TvxTreeListCustomizationForm* AForm);
  void ShowForm();
  void FireVisibleChanged();

 private:
  TvxCustomTreeList* FTreeList;
  TvxTreeListItemsCustomizeListBox* FBandListBox = nullptr;  // children of the form
  TRect FBounds{-2000, -2000, -2000, -2000};
  // Freed by SetVisible(false) and the destructor; a form the user closes frees itself.
  std::unique_ptr<TvxTreeListCustomizationForm> FForm;
  TvxTreeListItemsCustomizeListBox* FHeaderListBox = nullptr;
  bool FIsPositionAssigned = false;
  TvxPageControl* FPageControl = nullptr;
  Integer FRowCount = 10;
  TvxTabSheet* FTabSheetBands = nullptr;
  TvxTabSheet* FTabSheetHeaders = nullptr;
};

// --- Drop-position arrow ----------------------------------------------------------------

enum TvxNodeDragInfoState { ndiNone, ndiInsertBefore, ndiInsertAfter, ndiAddChild };

// The small arrow beside the node row where dragged nodes would land: before, after, or as
// a child. The window takes the arrow's shape.
class TvxTreeListNodeDragInfoImage : public TvxDragImage {
  DECLARE_CLASS(TvxTreeListNodeDragInfoImage, TvxDragImage)
 public:
  TvxTreeListNodeDragInfoImage();
  ~TvxTreeListNodeDragInfoImage() override;
  TvxNodeDragInfoState State() const { return static_cast<TvxNodeDragInfoState>(FImageIndex + 1); }
  void SetState(TvxNodeDragInfoState Value) { SetImageIndex(static_cast<Integer>(Value) - 1); }
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TvxImageList* Images() const { return FImages.get(); }
  // Shows the arrow with its left edge at P.X, centred on P.Y (screen).
  void MoveTo(const TPoint& P) override;

 private:
  Integer FImageIndex = -1;
  std::unique_ptr<TvxImageList> FImages;
  TPoint FPrevPosition{-1, -1};
  Integer FPrevImageIndex = -1;
  HRGN FWindowRegion = nullptr;
};

// --- Quick customization popups ---------------------------------------------------------

// The drop-down of an indicator header cell.
class TvxTreeListPopup : public TvxCustomPopupWindow {
  DECLARE_CLASS(TvxTreeListPopup, TvxCustomPopupWindow)
 public:
  explicit TvxTreeListPopup(TvxCustomTreeList* AOwnerControl);
  TvxCustomTreeList* TreeList() const;
  TvxTreeListIndicatorCellViewInfo* Owner() const { return FOwner; }
  void SetOwner(TvxTreeListIndicatorCellViewInfo* Value);
  // The owner cell is being freed: forgotten without closing the popup.
  void OwnerFreed(TvxTreeListIndicatorCellViewInfo* ACell) {
    if (FOwner == ACell) FOwner = nullptr;
  }
  virtual Integer GetClientMinWidth();
  // Releases the mouse and pops up focusing the first tab-stop child.
  using TvxCustomPopupWindow::Popup;
  void Popup(TWinControl* AFocusedControl) override;
  void InitPopup() override;
  // Tells whether a screen point lies over the owner cell.
  bool IsOwnerArea(const TPoint& AScreenPoint);

 protected:
  virtual TRect GetOwnerBounds();
  virtual void CreateControls() {}
  void Paint() override;
  void VisibleChanged() override;

 private:
  TvxTreeListIndicatorCellViewInfo* FOwner = nullptr;
};

// A popup with a check list of items; a tick shows or hides the item.
class TvxTreeListCustomizationPopup : public TvxTreeListPopup {
  DECLARE_CLASS(TvxTreeListCustomizationPopup, TvxTreeListPopup)
 public:
  explicit TvxTreeListCustomizationPopup(TvxCustomTreeList* AOwnerControl);
  TvxCheckListBox* CheckListBox() const { return FCheckListBox; }
  void CloseUp() override;
  // Fills the list and sizes it before the popup shows.
  void Popup(TWinControl* AFocusedControl) override;
  void CorrectBoundsWithDesktopWorkArea(TPoint& APosition) override;
  // Refills the list (the objects selected stay selected).
  void RefreshList();
  // The list's size for its rows: every row (AAllRows) or the drop-down count's.
  virtual void SetCheckListBoxSize(bool AAllRows);
  // Columns the list is laid out in (at least 1) and rows that gives.
  Integer ColumnCount() const { return FColumnCount; }
  void SetColumnCount(Integer Value) { FColumnCount = std::max(Value, 1); }
  Integer RowCountFor(Integer AColumnCount) const;
  virtual Integer GetColumnWidth();
  virtual Integer GetDropDownCount() = 0;

 protected:
  void CreateControls() override;
  virtual void FillList() = 0;
  // An item of the list for a column or band (its tick comes with the refill).
  void AddListItem(TObject* AObject, const String& AText);
  // An item's tick: its column or band is visible.
  virtual bool IsItemChecked(TObject* AObject) = 0;
  virtual void DoItemCheck(Integer AIndex, bool AChecked);
  virtual void DoObjectCheck(TObject* AObject, bool AChecked) = 0;
  // Recalculates the popup's size and place for its owner.
  void AdjustPopup(TPoint& APosition);

 private:
  TvxCheckListBox* FCheckListBox = nullptr;  // a child control, owned by the popup
  Integer FColumnCount = 1;
};

class TvxTreeListColumnsCustomizationPopup : public TvxTreeListCustomizationPopup {
  DECLARE_CLASS(TvxTreeListColumnsCustomizationPopup, TvxTreeListCustomizationPopup)
 public:
  using TvxTreeListCustomizationPopup::TvxTreeListCustomizationPopup;
  Integer GetDropDownCount() override;

 protected:
  void FillList() override;
  bool IsItemChecked(TObject* AObject) override;
  void DoObjectCheck(TObject* AObject, bool AChecked) override;
};

class TvxTreeListBandsCustomizationPopup : public TvxTreeListCustomizationPopup {
  DECLARE_CLASS(TvxTreeListBandsCustomizationPopup, TvxTreeListCustomizationPopup)
 public:
  using TvxTreeListCustomizationPopup::TvxTreeListCustomizationPopup;
  Integer GetDropDownCount() override;

 protected:
  void FillList() override;
  bool IsItemChecked(TObject* AObject) override;
  void DoObjectCheck(TObject* AObject, bool AChecked) override;
};
