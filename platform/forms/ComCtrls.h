// ComCtrls: the common controls the program hosts: the tree view (nodes kept as
// objects linked to the control's items, children added on demand when a node with
// HasChildren expands) and the list view (report and icon views, columns, items or
// owner data filled through OnData, selection, images and sorting).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Controls.h"
#include "ImgList.h"
#include "StdCtrls.h"
#include "SysInit.h"

class TCustomTreeView;
class TTreeNodes;

DECLARE_EXCEPTION(ETreeViewError, Exception)
DECLARE_EXCEPTION(EListViewError, Exception)

enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };
enum THitTest {
  htAbove, htBelow, htNowhere, htOnItem, htOnButton, htOnIcon, htOnIndent, htOnLabel,
  htOnRight, htOnStateIcon, htToLeft, htToRight
};
using THitTests = Set<THitTest, 16>;

class TTreeNode : public TPersistent {
  DECLARE_CLASS(TTreeNode, TPersistent)
 public:
  explicit TTreeNode(TTreeNodes* AOwner);
  ~TTreeNode() override;

  TTreeNodes* Owner() const { return FOwner; }
  TCustomTreeView* TreeView() const;
  HWND Handle() const;
  HTREEITEM ItemId() const { return FItemId; }

  String Text() const { return FText; }
  void SetText(const String& Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  Integer SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(Integer Value);
  Integer StateIndex() const { return FStateIndex; }
  void SetStateIndex(Integer Value);
  Integer OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(Integer Value);
  // The node shows an expand button even before it has children.
  bool HasChildren() const;
  void SetHasChildren(bool Value);
  bool Expanded() const;
  void SetExpanded(bool Value);
  bool Selected() const;
  void SetSelected(bool Value);
  bool Focused() const;
  void SetFocused(bool Value);
  bool DropTarget() const;
  void SetDropTarget(bool Value);
  bool IsVisible() const;

  TTreeNode* Parent() const;
  Integer Count() const;
  TTreeNode* Item(Integer Index) const;
  TTreeNode* getFirstChild() const;
  TTreeNode* GetLastChild() const;
  TTreeNode* getNextSibling() const;
  TTreeNode* getPrevSibling() const;
  // The next node in full depth-first order.
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  TTreeNode* GetNextVisible() const;
  Integer Index() const;
  Integer Level() const;
  Integer AbsoluteIndex() const;
  bool HasAsParent(TTreeNode* Value) const;

  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  void Delete();
  void DeleteChildren();
  RECT DisplayRect(bool TextOnly) const;
  void MakeVisible();
  bool EditText();
  void EndEdit(bool Cancel);
  void MoveTo(TTreeNode* Destination, TNodeAttachMode Mode);
  bool AlphaSort(bool ARecurse = false);

 private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  TTreeNodes* FOwner;
  HTREEITEM FItemId = nullptr;
  String FText;
  void* FData = nullptr;
  Integer FImageIndex = -1;
  Integer FSelectedIndex = -1;
  Integer FStateIndex = -1;
  Integer FOverlayIndex = -1;
  bool FHasChildren = false;  // kept for when the control is made again
  bool FDeleting = false;
};

class TTreeNodes : public TPersistent {
  DECLARE_CLASS(TTreeNodes, TPersistent)
 public:
  explicit TTreeNodes(TCustomTreeView* AOwner);
  ~TTreeNodes() override;

  TCustomTreeView* Owner() const { return FOwner; }
  HWND Handle() const;
  Integer Count() const;
  TTreeNode* Item(Integer Index) const;
  TTreeNode* GetFirstNode() const;
  TTreeNode* GetNode(HTREEITEM ItemId) const;

  TTreeNode* Add(TTreeNode* Sibling, const String& S) { return AddObject(Sibling, S, nullptr); }
  TTreeNode* AddObject(TTreeNode* Sibling, const String& S, void* Ptr);
  TTreeNode* AddFirst(TTreeNode* Sibling, const String& S) { return AddObjectFirst(Sibling, S, nullptr); }
  TTreeNode* AddObjectFirst(TTreeNode* Sibling, const String& S, void* Ptr);
  TTreeNode* AddChild(TTreeNode* Parent, const String& S) { return AddChildObject(Parent, S, nullptr); }
  TTreeNode* AddChildObject(TTreeNode* Parent, const String& S, void* Ptr);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const String& S) { return AddChildObjectFirst(Parent, S, nullptr); }
  TTreeNode* AddChildObjectFirst(TTreeNode* Parent, const String& S, void* Ptr);
  TTreeNode* Insert(TTreeNode* Sibling, const String& S) { return InsertObject(Sibling, S, nullptr); }
  TTreeNode* InsertObject(TTreeNode* Sibling, const String& S, void* Ptr);
  void Delete(TTreeNode* Node);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  void Assign(TPersistent* Source) override;

 private:
  friend class TTreeNode;
  friend class TCustomTreeView;
  TTreeNode* InternalAdd(HTREEITEM Parent, HTREEITEM After, const String& S, void* Ptr);
  void InsertItem(TTreeNode* Node, HTREEITEM Parent, HTREEITEM After);
  TCustomTreeView* FOwner;
  Integer FUpdateCount = 0;
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, String& S)>;
using TTVCompareEvent =
    std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, Integer Data, Integer& Compare)>;
enum TCustomDrawStateItem {
  cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot, cdsMarked,
  cdsIndeterminate
};
using TCustomDrawState = Set<TCustomDrawStateItem, 16>;
using TTVCustomDrawEvent = std::function<void(TCustomTreeView* Sender, const RECT& ARect, bool& DefaultDraw)>;
using TTVCustomDrawItemEvent = std::function<void(TCustomTreeView* Sender, TTreeNode* Node,
                                                  TCustomDrawState State, bool& DefaultDraw)>;

class TCustomTreeView : public TWinControl {
  DECLARE_CLASS(TCustomTreeView, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomTreeView(TComponent* AOwner);
  ~TCustomTreeView() override;

  TTreeNodes* Items() const { return FTreeNodes.get(); }
  TTreeNode* Selected();
  void SetSelected(TTreeNode* Value);
  TTreeNode* TopItem();
  void SetTopItem(TTreeNode* Value);
  TTreeNode* DropTarget();
  TCanvas* Canvas() const { return FCanvas.get(); }

  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* Value);
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool Value);
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool Value);
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value);
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value);
  bool RightClickSelect() const { return FRightClickSelect; }
  void SetRightClickSelect(bool Value) { FRightClickSelect = Value; }
  bool AutoExpand() const { return FAutoExpand; }
  void SetAutoExpand(bool Value);
  Integer Indent();
  void SetIndent(Integer Value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);

  TTreeNode* GetNodeAt(Integer X, Integer Y);
  THitTests GetHitTestInfoAt(Integer X, Integer Y);
  void FullExpand();
  void FullCollapse();
  bool AlphaSort(bool ARecurse = true);
  bool IsEditing();

  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVExpandedEvent OnDeletion;
  TTVExpandedEvent OnAddition;
  TTVExpandedEvent OnGetImageIndex;
  TTVExpandedEvent OnGetSelectedIndex;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVCompareEvent OnCompare;
  TTVCustomDrawEvent OnCustomDraw;
  TTVCustomDrawItemEvent OnCustomDrawItem;

  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Overridable steps behind the events.
  virtual bool CanChange(TTreeNode* Node);
  virtual void Change(TTreeNode* Node);
  virtual bool CanExpand(TTreeNode* Node);
  virtual void Expand(TTreeNode* Node);
  virtual bool CanCollapse(TTreeNode* Node);
  virtual void Collapse(TTreeNode* Node);
  virtual void Delete(TTreeNode* Node);
  virtual void GetImageIndex(TTreeNode* Node);
  virtual void GetSelectedIndex(TTreeNode* Node);

 protected:
  friend class TTreeNode;
  friend class TTreeNodes;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void CNNotify(TWMNotify& Message);
  void UpdateStyle(DWORD Flag, bool On);
  void ImageListChange(TObject* Sender);

 private:
  std::unique_ptr<TTreeNodes> FTreeNodes;
  std::unique_ptr<TControlCanvas> FCanvas;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  TChangeLink FImageChangeLink;
  TChangeLink FStateChangeLink;
  bool FShowLines = true, FShowButtons = true, FShowRoot = true;
  bool FHideSelection = true, FReadOnly = false, FRowSelect = false, FHotTrack = false;
  bool FRightClickSelect = false, FAutoExpand = false;
  Integer FIndent = -1;
  TBorderStyle FBorderStyle = bsSingle;
  // Nodes kept, in order, while the window is made again.
  struct TSavedNode {
    TTreeNode* Node;
    TTreeNode* Parent;
    bool Expanded;
  };
  std::vector<TSavedNode> FSaved;
  TTreeNode* FSavedSelected = nullptr;
  bool FRecreating = false;
  bool FClearing = false;
};

class TTreeView : public TCustomTreeView {
  DECLARE_CLASS(TTreeView, TCustomTreeView)
  PUBLISHED(TTreeView)
 public:
  using TCustomTreeView::TCustomTreeView;
};

// --- list view ---------------------------------------------------------------------------

class TCustomListView;
class TListItems;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
ENUM_TYPEINFO(TViewStyle, vsIcon, vsSmallIcon, vsList, vsReport)
enum TSortType { stNone, stData, stText, stBoth };
ENUM_TYPEINFO(TSortType, stNone, stData, stText, stBoth)
enum TItemChange { ctText, ctImage, ctState };
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };

// One column of a list view's report view, an item of the view's Columns.
class TListColumn : public TCollectionItem {
  DECLARE_CLASS(TListColumn, TCollectionItem)
  PUBLISHED(TListColumn)
 public:
  explicit TListColumn(TCollection* ACollection) : TCollectionItem(ACollection) {}
  void Assign(TPersistent* Source) override;
  String Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  Integer Width();
  void SetWidth(Integer Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TCustomListView* ListView() const;

 protected:
  String GetDisplayName() override { return FCaption.empty() ? inherited::GetDisplayName() : FCaption; }

 private:
  friend class TCustomListView;
  void Update();
  String FCaption;
  Integer FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
  Integer FImageIndex = -1;
};

// The columns of a list view: adding or removing one changes the view's window at once.
class TListColumns : public TOwnedCollection {
  DECLARE_CLASS(TListColumns, TOwnedCollection)
 public:
  explicit TListColumns(TCustomListView* AOwner);
  TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
  TListColumn* Items(Integer Index) const { return static_cast<TListColumn*>(TCollection::Items(Index)); }
  TCustomListView* Owner() const { return FListView; }

 protected:
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

 private:
  TCustomListView* FListView;
};

class TListItem : public TPersistent {
  DECLARE_CLASS(TListItem, TPersistent)
 public:
  explicit TListItem(TListItems* AOwner);
  ~TListItem() override;
  TListItems* Owner() const { return FOwner; }
  TCustomListView* ListView() const;
  String Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  TStrings* SubItems() const { return FSubItems.get(); }
  void SetSubItems(TStrings* Value);
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  Integer StateIndex() const { return FStateIndex; }
  void SetStateIndex(Integer Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  Integer Index() const { return FIndex; }
  bool Selected() const;
  void SetSelected(bool Value);
  bool Focused() const;
  void SetFocused(bool Value);
  RECT DisplayRect(TDisplayCode Code) const;
  void MakeVisible(bool PartialOK);
  void Update();
  void Delete();

 private:
  friend class TListItems;
  friend class TCustomListView;
  TListItems* FOwner;
  String FCaption;
  std::unique_ptr<TStringList> FSubItems;
  Integer FImageIndex = -1;
  Integer FStateIndex = -1;
  void* FData = nullptr;
  Integer FIndex = -1;
};

class TListItems : public TPersistent {
  DECLARE_CLASS(TListItems, TPersistent)
 public:
  explicit TListItems(TCustomListView* AOwner);
  ~TListItems() override;
  TCustomListView* Owner() const { return FOwner; }
  Integer Count() const;
  // With owner data: the number of rows the control shows.
  void SetCount(Integer Value);
  // With owner data the item is a temporary filled through OnData.
  TListItem* Item(Integer Index);
  TListItem* Add();
  TListItem* AddItem(TListItem* Item, Integer Index = -1);
  TListItem* Insert(Integer Index);
  void Delete(Integer Index);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  Integer IndexOf(TListItem* Value) const;

 private:
  friend class TListItem;
  friend class TCustomListView;
  void Renumber(Integer From);
  TCustomListView* FOwner;
  std::vector<TListItem*> FItems;
  Integer FOwnerDataCount = 0;
  std::unique_ptr<TListItem> FTemp;  // the owner-data item handed out last
  Integer FUpdateCount = 0;
};

using TLVNotifyEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVCompareEvent =
    std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, Integer Data, Integer& Compare)>;
using TLVCompare = std::function<Integer(TListItem* Item1, TListItem* Item2, NativeInt Data)>;

// How a list view lays out its icons: AutoArrange keeps them arranged in the icon
// styles (LVS_AUTOARRANGE).
class TIconOptions : public TPersistent {
  DECLARE_CLASS(TIconOptions, TPersistent)
  PUBLISHED(TIconOptions)
 public:
  explicit TIconOptions(TCustomListView* AOwner) : FListView(AOwner) {}
  bool AutoArrange() const { return FAutoArrange; }
  void SetAutoArrange(bool Value);
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override;

 private:
  TCustomListView* FListView;
  bool FAutoArrange = false;
};

class TCustomListView : public TWinControl {
  DECLARE_CLASS(TCustomListView, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;

  TListItems* Items() const { return FListItems.get(); }
  Integer ColumnCount() const { return FColumns->Count(); }
  TListColumns* Columns() const { return FColumns.get(); }
  void SetColumns(TListColumns* Value) { FColumns->Assign(Value); }
  TListColumn* Column(Integer Index) const;
  TListColumn* AddColumn();
  void ClearColumns();
  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle Value);
  bool OwnerData() const { return FOwnerData; }
  void SetOwnerData(bool Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool ShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool Value);
  TIconOptions* IconOptions() const { return FIconOptions.get(); }
  void SetIconOptions(TIconOptions* Value) { FIconOptions->Assign(Value); }
  TCustomImageList* LargeImages() const { return FLargeImages; }
  void SetLargeImages(TCustomImageList* Value);
  TCustomImageList* SmallImages() const { return FSmallImages; }
  void SetSmallImages(TCustomImageList* Value);
  TSortType SortType() const { return FSortType; }
  void SetSortType(TSortType Value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);

  TListItem* Selected();
  void SetSelected(TListItem* Value);
  TListItem* ItemFocused();
  void SetItemFocused(TListItem* Value);
  Integer ItemIndex();
  void SetItemIndex(Integer Value);
  Integer SelCount();
  TListItem* TopItem();
  TListItem* GetItemAt(Integer X, Integer Y);
  void ClearSelection();
  void SelectAll();
  bool AlphaSort();
  bool CustomSort(const TLVCompare& SortProc, NativeInt Data);
  void Scroll(Integer DX, Integer DY);

  TLVNotifyEvent OnData;
  TLVSelectItemEvent OnSelectItem;
  TLVChangeEvent OnChange;
  TLVColumnClickEvent OnColumnClick;
  TLVCompareEvent OnCompare;
  TLVNotifyEvent OnDeletion;
  TLVNotifyEvent OnInsert;

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  friend class TListItems;
  friend class TListItem;
  friend class TListColumn;
  friend class TListColumns;
  friend class TIconOptions;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void CNNotify(TWMNotify& Message);
  void UpdateStyle(DWORD Mask, DWORD Value);
  void UpdateImages();
  void InsertColumn(TListColumn* Column);
  void InsertItem(TListItem* Item);
  Integer DoCompare(TListItem* A, TListItem* B, NativeInt Data);
  void ResyncOrder();
  // Fills an owner-data row's temporary item (Item->Index() is the row); the base fires
  // OnData. A list with its own row store fills the item first, then calls this.
  virtual bool OwnerDataFetch(TListItem* Item);

 private:
  std::unique_ptr<TListItems> FListItems;
  std::unique_ptr<TListColumns> FColumns;
  std::unique_ptr<TIconOptions> FIconOptions;
  TViewStyle FViewStyle = vsIcon;
  bool FOwnerData = false, FMultiSelect = false, FReadOnly = false, FRowSelect = false;
  bool FHideSelection = true, FShowColumnHeaders = true;
  TCustomImageList* FLargeImages = nullptr;
  TCustomImageList* FSmallImages = nullptr;
  TChangeLink FLargeChangeLink, FSmallChangeLink;
  TSortType FSortType = stNone;
  TBorderStyle FBorderStyle = bsSingle;
  String FTextBuffer;  // keeps text handed to the control alive until the next request
  bool FRecreating = false;
};

class TListView : public TCustomListView {
  DECLARE_CLASS(TListView, TCustomListView)
  PUBLISHED(TListView)
 public:
  using TCustomListView::TCustomListView;
};

// --- status bar ------------------------------------------------------------------------

class TStatusBar;

// One part of a status bar.
class TStatusPanel : public TCollectionItem {
  DECLARE_CLASS(TStatusPanel, TCollectionItem)
  PUBLISHED(TStatusPanel)
 public:
  explicit TStatusPanel(TCollection* ACollection) : TCollectionItem(ACollection) {}
  void Assign(TPersistent* Source) override;
  String Text() const { return FText; }
  void SetText(const String& Value);
  Integer Width() const { return FWidth; }
  void SetWidth(Integer Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);

 private:
  String FText;
  Integer FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
};

class TStatusPanels : public TOwnedCollection {
  DECLARE_CLASS(TStatusPanels, TOwnedCollection)
 public:
  explicit TStatusPanels(TStatusBar* AOwner);
  TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
  TStatusPanel* Items(Integer Index) const { return static_cast<TStatusPanel*>(TCollection::Items(Index)); }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TStatusBar* FStatusBar;
};

// The system's status bar, aligned to the bottom: panels side by side, or one simple
// text across the whole bar.
class TStatusBar : public TWinControl {
  DECLARE_CLASS(TStatusBar, TWinControl)
  PUBLISHED(TStatusBar)
 public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  TStatusPanels* Panels() const { return FPanels.get(); }
  void SetPanels(TStatusPanels* Value) { FPanels->Assign(Value); }
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool Value);
  String SimpleText() const { return FSimpleText; }
  void SetSimpleText(const String& Value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool Value);
  // Hands the panels' widths and texts to the window.
  void UpdatePanels();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  std::unique_ptr<TStatusPanels> FPanels;
  bool FSimplePanel = false;
  bool FSizeGrip = true;
  String FSimpleText;
};

// --- tab and page controls -------------------------------------------------------------

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// The system's tab control: a row of tabs whose captions the derived control gives.
class TCustomTabControl : public TWinControl {
  DECLARE_CLASS(TCustomTabControl, TWinControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TCustomTabControl(TComponent* AOwner);
  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;
  void CNNotify(TWMNotify& Message);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void AdjustClientRect(RECT& Rect) override;
  // The tab captions, in tab order, and the selected tab (-1 for none).
  virtual std::vector<String> TabCaptions() = 0;
  virtual Integer SelectedTab() = 0;
  // The user picked tab AIndex.
  virtual void TabPicked(Integer AIndex) = 0;
  // Puts the captions and the selection into the window again.
  void UpdateTabs();
};

// A tab control over strings: Tabs are the captions, TabIndex the selected one.
class TTabControl : public TCustomTabControl {
  DECLARE_CLASS(TTabControl, TCustomTabControl)
  PUBLISHED(TTabControl)
 public:
  explicit TTabControl(TComponent* AOwner);
  ~TTabControl() override;
  TStrings* Tabs() const;
  void SetTabs(TStrings* Value);
  Integer TabIndex() const { return FTabIndex; }
  void SetTabIndex(Integer Value);

 protected:
  std::vector<String> TabCaptions() override;
  Integer SelectedTab() override { return FTabIndex; }
  void TabPicked(Integer AIndex) override;

 private:
  std::unique_ptr<TStringList> FTabs;
  Integer FTabIndex = -1;
};

class TPageControl;

// A page of a page control: a plain container shown while it is the active page. Its
// place and visibility follow the page control, so neither is written to a form.
class TTabSheet : public TWinControl {
  DECLARE_CLASS(TTabSheet, TWinControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TTabSheet)
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* Value);
  Integer PageIndex() const;
  void SetPageIndex(Integer Value);
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value) { FImageIndex = Value; }
  // The tab's index among the visible tabs, -1 when its tab is hidden.
  Integer TabIndex() const;
  void SetParent(TWinControl* AParent) override;
  void CMTextChanged(TCMNoParams& Message);

 private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  Integer FImageIndex = -1;
};

// Pages with a tab each; the active page shows, filling the area below the tabs.
class TPageControl : public TCustomTabControl {
  DECLARE_CLASS(TPageControl, TCustomTabControl)
  PUBLISHED(TPageControl)
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  Integer PageCount() const { return static_cast<Integer>(FPages.size()); }
  TTabSheet* Pages(Integer Index) const { return FPages[static_cast<size_t>(Index)]; }
  TTabSheet* ActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* Value);
  Integer ActivePageIndex() const;
  void SetActivePageIndex(Integer Value);

 protected:
  std::vector<String> TabCaptions() override;
  Integer SelectedTab() override;
  void TabPicked(Integer AIndex) override;
  void AlignControls(TControl* AControl, RECT& Rect) override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void MovePage(TTabSheet* Page, Integer Index);
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
};

extern const TUnitInfo ComCtrlsUnit;
