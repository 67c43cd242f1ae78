// The shell folder tree: a tree view whose top node is a root folder of the shell
// namespace and whose nodes enumerate their folders on demand, follow shell change
// notifications and navigate to any item identifier list.
#pragma once

#include <mutex>
#include <unordered_map>

#include "ComCtrls.h"
#include "vxShellCommon.h"

#include <commctrl.h>

class TvxCustomInnerShellTreeView;
class TvxCustomInnerShellListView;

// The producer behind one tree node: its items are the node's children, in order.
class TvxShellTreeItemProducer : public TvxCustomItemProducer {
  DECLARE_CLASS(TvxShellTreeItemProducer, TvxCustomItemProducer)
 public:
  explicit TvxShellTreeItemProducer(TvxCustomInnerShellTreeView* ATree);
  ~TvxShellTreeItemProducer() override;

  bool CanRequestItemsInfo() override;
  bool CanAddFolder(TvxShellFolder* AFolder) override;
  DWORD GetEnumSettings() override;
  TvxShellItemsInfoGatherer* ItemsInfoGatherer() override;
  void InitializeItem(TvxShellItemInfo* AItem) override;
  void CheckItemSubitems(TvxShellItemInfo* AItem) override;
  bool GetShowToolTip() override;
  void SetItemsCount(Integer Count) override;
  void NotifyUpdateItem(const TvxRequestItem& AItem) override;
  void NotifyRemoveItem(Integer Index) override;
  void NotifyAddItem(Integer Index) override;
  void ProcessItems(IShellFolder* AIFolder, PItemIDList APIDL, TTreeNode* ANode, Integer cPreloadItems);
  // Gives ANode, the node of the folder APIDL, its text (the top node's own display name)
  // and its icons, without enumerating the folder.
  void DescribeNode(PItemIDList APIDL, TTreeNode* ANode);
  // Reads the folder again and merges it into the items: kept items are replaced by fresh
  // ones, gone ones removed from the node, new ones appended. False without a folder or
  // when the folder cannot be enumerated.
  bool CheckUpdates();

  TTreeNode* Node() const { return FNode; }
  // The identity that messages posted about this producer's node carry: a freed
  // producer's number is never given again, so a stale message finds nothing.
  LPARAM Serial() const { return FSerial; }
  TvxCustomInnerShellTreeView* Tree() const { return FTree; }
  TNotifyEvent OnDestroy;

 private:
  HWND TreeHandle() const;
  TvxCustomInnerShellTreeView* FTree;
  TTreeNode* FNode = nullptr;
  LPARAM FSerial;
};

class TvxShellTreeRoot : public TvxCustomShellRoot {
  DECLARE_CLASS(TvxShellTreeRoot, TvxCustomShellRoot)
 public:
  TvxShellTreeRoot(TvxCustomInnerShellTreeView* ATree);

 protected:
  void RootChanged() override;

 private:
  TvxCustomInnerShellTreeView* FTree;
};

using TvxShellAddFolderEvent = std::function<void(TObject* Sender, TvxShellFolder* AFolder, bool& ACanAdd)>;
using TvxShellChangeEvent =
    std::function<void(TObject* Sender, Cardinal AEventID, PItemIDList APIDL1, PItemIDList APIDL2)>;
using TvxRootChangedEvent = std::function<void(TObject* Sender, TvxCustomShellRoot* Root)>;

class TvxCustomInnerShellTreeView : public TTreeView {
  DECLARE_CLASS(TvxCustomInnerShellTreeView, TTreeView)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomInnerShellTreeView(TComponent* AOwner);
  ~TvxCustomInnerShellTreeView() override;

  void UpdateContent();
  void UpdateNode(TTreeNode* ANode, bool AFast);
  TTreeNode* FindNodeByPidl(PItemIDList APidl);
  void ProcessShellChange(Cardinal AEventID, PItemIDList APIDL1, PItemIDList APIDL2);
  // A new absolute PIDL of the node: the root's for the top node, else the parent's
  // folder followed by the node's own item; nil when the node's place is unknown.
  TvxPidl GetNodeAbsolutePIDL(TTreeNode* ANode);
  // The selected node's PIDL and file-system path (empty without one).
  TvxPidl AbsolutePIDL();
  String AbsolutePath();
  // Walks down from the top node to P, selecting each level (see WM_VXSHELL_NAVIGATE).
  void Navigate(PItemIDList P);
  Integer FolderCount() { return Items()->Count(); }

  TvxShellTreeRoot* Root() const { return FRoot.get(); }
  TvxShellOptions* Options() const { return FOptions.get(); }
  TvxShellItemsInfoGatherer* ItemsInfoGatherer() const { return FItemsInfoGatherer.get(); }
  const TvxShellChangeNotifierData& ShellChangeNotifierData() const { return FShellChangeNotifierData; }
  bool Navigation() const { return FNavigation; }
  bool ShowInfoTips() const { return FShowInfoTips; }
  void SetShowInfoTips(bool Value);
  TvxShellTreeItemProducer* ProducerOf(TTreeNode* Node) const;

  TvxShellAddFolderEvent OnAddFolder;
  TvxShellChangeEvent OnShellChange;
  TvxRootChangedEvent OnRootChanged;

  bool CanExpand(TTreeNode* Node) override;
  void Change(TTreeNode* Node) override;
  // Milliseconds a change of selection waits before it is reported (0: at once); a new
  // selection meanwhile starts the wait again and only the last one is reported.
  Integer ChangeDelay() const { return FChangeDelay; }
  void SetChangeDelay(Integer Value);
  void Delete(TTreeNode* Node) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Loaded() override;
  // The shell's context menu of the node at the point (from the keyboard, of the
  // selected node); the ordinary handling with ContextMenus off or no node there.
  void DoContextPopup(POINT MousePos, bool& Handled) override;
  // True while the shell's context menu of a node is open.
  bool IsContextMenuOpen() const { return FIsChangeNotificationCreationLocked; }
  TvxDragDropSettings* DragDropSettings() const { return FDragDropSettings.get(); }
  // The drop target the tree's window is registered with: each drag event goes to the
  // shell's own drop target of the node under the mouse.
  IDropTarget* GetDropTarget() { return &FDropTarget; }
  bool IsDragging() const { return FIsDragging; }
  // The list view that shows the selected folder: linking tells it the folder at once.
  TvxCustomInnerShellListView* ListView() const { return FListView; }
  void SetListView(TvxCustomInnerShellListView* Value);
  // Tells the linked list view the selected folder (the top node's without a selection).
  void SyncLinkedViews();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  friend class TvxShellTreeItemProducer;
  // Lets go of what names the window (drop registration, change notification, timer).
  // Runs when the control destroys its window and also when the window goes with its
  // parent's, which skips DestroyWnd.
  void ReleaseWindowLinks();
  void WMDestroy(TMessage& Message);
  friend class TvxShellTreeRoot;
  struct TStateData {
    TvxPidl CurrentPath;
    std::vector<TvxPidl> ExpandedNodeList;  // nil stands for the top node
    Integer TopItemIndex = -1;
  };
  void RootChanged();
  bool PopulateNode(TTreeNode* Node);
  void SetNodeFromItem(TTreeNode* Node, TvxShellItemInfo* Item, bool WithText);
  void RebuildTree();
  void SaveTreeState();
  void RestoreTreeState();
  void RefreshFolderNode(TTreeNode* Node);
  void CreateChangeNotification(TTreeNode* Node);
  void ApplyInfoTipStyle();
  // The tree's side of a drag over it: the target is the node under the mouse.
  class TDropTarget : public TvxShellViewDropTarget {
   public:
    explicit TDropTarget(TvxCustomInnerShellTreeView* ATree) : FTree(ATree) {}

   protected:
    bool UpdateTarget(POINTL ScreenPos) override { return FTree->UpdateDropTarget(ScreenPos); }
    void UnmarkTarget() override;
    DWORD DefaultDropEffect() override { return FTree->FDragDropSettings->DefaultDropEffectAPI(); }
    void Dropped() override;

   private:
    TvxCustomInnerShellTreeView* FTree;
  };
  bool UpdateDropTarget(POINTL ScreenPos);
  IDropTarget* NodeDropTarget(TTreeNode* Node);
  void StartShellDrag(TTreeNode* Node);
  void ApplyDragStyle();
  void WMAfterDrop(TMessage& Message);
  void WMRootChanged(TMessage& Message);
  void ShowNodeContextMenu(TTreeNode* Node, POINT ScreenPos);
  void ReleaseContextPopupProducer(bool Unhook);
  void RegisterProducer(TvxShellTreeItemProducer* P);
  void UnregisterProducer(TvxShellTreeItemProducer* P);
  TTreeNode* NodeOfSerial(LPARAM Serial);
  bool IsLoading() const { return ComponentState().Contains(csLoading); }

  void CNNotify(TWMNotify& Message);
  bool CanEditNode(TTreeNode* Node);
  void RenameNode(TTreeNode* Node, const String& OldText);
  void WMItemsCount(TMessage& Message);
  void WMUpdateItem(TMessage& Message);
  void WMRemoveItem(TMessage& Message);
  void WMAddItem(TMessage& Message);
  void WMOptionsChanged(TMessage& Message);
  void WMNavigate(TMessage& Message);
  void WMChangePidls(TMessage& Message);
  void WMDeferredNavigate(TMessage& Message);
  void WMShellNotify(TMessage& Message);
  void WMTimer(TMessage& Message);
  void ReportChange(TTreeNode* Node);

  std::unique_ptr<TvxShellItemsInfoGatherer> FItemsInfoGatherer;
  Integer FChangeDelay = 0;
  bool FChangePending = false;  // a delayed change waits for its timer
  std::unique_ptr<TvxShellTreeRoot> FRoot;
  std::unique_ptr<TvxShellOptions> FOptions;
  std::unique_ptr<TvxDragDropSettings> FDragDropSettings;
  TDropTarget FDropTarget{this};
  TTreeNode* FPrevTargetNode = nullptr;        // the node marked as drop target
  bool FIsDragging = false;
  bool FDropRegistered = false;
  HIMAGELIST FInternalSmallImages = nullptr;
  TvxShellTreeItemProducer* FContextPopupItemProducer = nullptr;  // read-locked while its menu is open
  bool FIsChangeNotificationCreationLocked = false;
  bool FShellChangedWhileLocked = false;
  bool FIsUpdating = false;
  bool FDestroyingNodes = false;  // the destructor frees every node: producers go afterwards
  bool FNavigation = false;
  bool FShellChangeNotificationCreation = false;
  bool FShowInfoTips = false;
  std::mutex FItemProducersLock;
  std::unordered_map<LPARAM, TvxShellTreeItemProducer*> FItemProducers;
  TvxShellChangeNotifierData FShellChangeNotifierData;
  TStateData FStateData;
  TvxCustomInnerShellListView* FListView = nullptr;  // linked; it unlinks itself when freed
};


// --- the shell list view ----------------------------------------------------------------------

enum TvxListViewStyle { lvsIcon, lvsSmallIcon, lvsList, lvsReport };
ENUM_TYPEINFO(TvxListViewStyle, lvsIcon, lvsSmallIcon, lvsList, lvsReport)

using TvxNavigationEvent = std::function<void(TObject* Sender, PItemIDList APIDL, const String& ADisplayName)>;
using TvxShellCompareEvent =
    std::function<void(TObject* Sender, TvxShellFolder* AItem1, TvxShellFolder* AItem2, Integer& ACompare)>;
using TvxShellExecuteItemEvent = std::function<void(TObject* Sender, PItemIDList APIDL, bool& AHandled)>;

class TvxShellListViewOptions : public TvxShellOptions {
  DECLARE_CLASS(TvxShellListViewOptions, TvxShellOptions)
  PUBLISHED(TvxShellListViewOptions)
 public:
  using TvxShellOptions::TvxShellOptions;
  bool AutoExecute() const { return FAutoExecute; }
  void SetAutoExecute(bool Value) { FAutoExecute = Value; }
  bool AutoNavigate() const { return FAutoNavigate; }
  void SetAutoNavigate(bool Value) { FAutoNavigate = Value; }
  void Assign(TPersistent* Source) override;

 private:
  bool FAutoExecute = true;
  bool FAutoNavigate = true;
};

// The producer behind the list: its items are the rows, in order.
class TvxShellListViewProducer : public TvxCustomItemProducer {
  DECLARE_CLASS(TvxShellListViewProducer, TvxCustomItemProducer)
 public:
  explicit TvxShellListViewProducer(TvxCustomInnerShellListView* AList);
  bool CanRequestItemsInfo() override { return true; }
  bool CanAddFolder(TvxShellFolder* AFolder) override;
  bool DoCompareItems(TvxShellFolder* AItem1, TvxShellFolder* AItem2, Integer& ACompare) override;
  DWORD GetEnumSettings() override;
  TvxShellItemsInfoGatherer* ItemsInfoGatherer() override;
  bool GetShowToolTip() override;
  void NotifyUpdateItem(const TvxRequestItem& AItem) override;
  void ProcessDetails(IShellFolder* ShellFolder, Integer CharWidth) override;

 private:
  TvxCustomInnerShellListView* FList;
};

class TvxShellListRoot : public TvxCustomShellRoot {
  DECLARE_CLASS(TvxShellListRoot, TvxCustomShellRoot)
 public:
  explicit TvxShellListRoot(TvxCustomInnerShellListView* AList);

 protected:
  void RootChanged() override;

 private:
  TvxCustomInnerShellListView* FList;
};

// An owner-data list view of one shell folder. Rows are the producer's items; a row shown
// before its details are read asks the fetch worker for them first in line and is
// redrawn when they arrive.
class TvxCustomInnerShellListView : public TListView {
  DECLARE_CLASS(TvxCustomInnerShellListView, TListView)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomInnerShellListView(TComponent* AOwner);
  ~TvxCustomInnerShellListView() override;

  void BrowseParent();
  void SetTreeView(TvxCustomInnerShellTreeView* ATreeView);
  TvxCustomInnerShellTreeView* TreeView() const { return FTreeViewControl; }
  // The linked tree's selection changed: show that folder, without navigation events
  // and without telling the tree again.
  void ProcessTreeViewNavigate(PItemIDList APIDL);
  void Sort();
  void UpdateContent();
  void RefreshContent();
  Integer FolderCount();
  TvxListViewStyle ListViewStyle() const { return FListViewStyle; }
  void SetListViewStyle(TvxListViewStyle Value);
  void ProcessShellChange(Cardinal AEventID, PItemIDList APIDL1, PItemIDList APIDL2);

  virtual void ExecuteItem(Integer AItem);
  virtual bool DoCompare(TvxShellFolder* AItem1, TvxShellFolder* AItem2, Integer& ACompare);
  virtual void Navigate(PItemIDList APIDL);
  // Sends the folder shown to the linked tree, unless the tree itself asked for it.
  void SyncTreeView();
  // The row whose item has this relative PIDL, or -1.
  Integer GetItemIndexByPidl(PItemIDList APidl) { return FItemProducer->GetItemIndexByPidl(APidl); }
  // A new absolute PIDL of the row (nil beyond the rows).
  TvxPidl GetItemAbsolutePIDL(Integer AIndex);

  TvxShellListViewProducer* ItemProducer() const { return FItemProducer.get(); }
  TvxShellItemsInfoGatherer* ItemsInfoGatherer() const { return FItemsInfoGatherer.get(); }
  TvxShellListRoot* Root() const { return FRoot.get(); }
  TvxShellListViewOptions* Options() const { return FOptions.get(); }
  TvxDragDropSettings* DragDropSettings() const { return FDragDropSettings.get(); }
  // The drop target the list's window is registered with.
  IDropTarget* GetDropTarget() { return &FDropTarget; }
  // The row marked as drop target, -1 for none.
  Integer DropTargetItemIndex() const { return FDropTargetItemIndex; }

  TvxNavigationEvent AfterNavigation;
  TvxNavigationEvent BeforeNavigation;
  TvxRootChangedEvent OnRootChanged;
  TvxShellAddFolderEvent OnAddFolder;
  TvxShellCompareEvent OnCompareItems;
  TvxShellExecuteItemEvent OnExecuteItem;
  TvxShellChangeEvent OnShellChange;

  void DblClick() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void DoContextPopup(POINT MousePos, bool& Handled) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void RootChanged();
  // Row data: the row's name, icon and (in the report, once read) detail texts, then
  // OnData. A row whose details are not read yet asks the fetch worker for them.
  bool OwnerDataFetch(TListItem* Item) override;

 private:
  friend class TvxShellListViewProducer;
  friend class TvxShellListRoot;
  // The list's side of a drag over it: the target is the row under the mouse, or the
  // folder shown over empty space.
  class TDropTarget : public TvxShellViewDropTarget {
   public:
    explicit TDropTarget(TvxCustomInnerShellListView* AList) : FList(AList) {}

   protected:
    bool UpdateTarget(POINTL ScreenPos) override { return FList->UpdateDropTarget(ScreenPos); }
    void UnmarkTarget() override;
    DWORD DefaultDropEffect() override { return FList->FDragDropSettings->DefaultDropEffectAPI(); }

   private:
    TvxCustomInnerShellListView* FList;
  };
  bool UpdateDropTarget(POINTL ScreenPos);
  // Copies of the selected rows' relative PIDLs, in row order.
  std::vector<TvxPidl> SelectedPidls();
  void StartShellDrag();
  void CNNotify(TWMNotify& Message);
  void GetDispInfo(NMLVDISPINFOW* Info);
  Integer FindRow(const String& Text, Integer Start, bool Partial, bool Wrap);
  bool CanEditRow(Integer Index);
  void RenameRow(Integer Index, const String& NewName);
  void RequestPriority(const std::vector<Integer>& Rows);
  void WMItemsCount(TMessage& Message);
  void WMUpdateItem(TMessage& Message);
  void WMOptionsChanged(TMessage& Message);
  void WMAfterDrop(TMessage& Message);
  void WMChangePidls(TMessage& Message);
  void WMRootChanged(TMessage& Message);
  void WMShellNotify(TMessage& Message);
  // Lets go of the drop registration and the change notification, also when the window
  // goes with its parent's, which skips DestroyWnd.
  void ReleaseWindowLinks();
  void WMDestroy(TMessage& Message);
  // Whether a change of P is one of the folder shown or of one of its items.
  bool ConcernsFolderShown(PItemIDList P);

  std::unique_ptr<TvxDragDropSettings> FDragDropSettings;
  HIMAGELIST FInternalLargeImages = nullptr;
  HIMAGELIST FInternalSmallImages = nullptr;
  std::unique_ptr<TvxShellItemsInfoGatherer> FItemsInfoGatherer;
  std::unique_ptr<TvxShellListViewProducer> FItemProducer;
  TvxListViewStyle FListViewStyle = lvsIcon;
  bool FNotificationLock = false;
  std::unique_ptr<TvxShellListViewOptions> FOptions;
  std::unique_ptr<TvxShellListRoot> FRoot;
  TvxShellChangeNotifierData FShellChangeNotifierData;
  TvxCustomInnerShellTreeView* FTreeViewControl = nullptr;
  TDropTarget FDropTarget{this};
  Integer FDropTargetItemIndex = -1;  // the row marked as drop target
  bool FDropRegistered = false;
};
