#include "vxShellControls.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <map>

#include "vxControls.h"

namespace {
std::atomic<LPARAM> NextProducerSerial{1};
constexpr UINT_PTR ChangeTimerId = 0x5643;  // the delayed change's timer on the tree's window

}  // namespace

// --- producer ----------------------------------------------------------------------------------

TvxShellTreeItemProducer::TvxShellTreeItemProducer(TvxCustomInnerShellTreeView* ATree)
    : TvxCustomItemProducer(ATree), FTree(ATree), FSerial(NextProducerSerial++) {
  FTree->RegisterProducer(this);
}

TvxShellTreeItemProducer::~TvxShellTreeItemProducer() {
  if (OnDestroy) OnDestroy(this);
  ClearItems();
  FTree->UnregisterProducer(this);
}

bool TvxShellTreeItemProducer::CanRequestItemsInfo() { return !FTree->FNavigation; }

bool TvxShellTreeItemProducer::CanAddFolder(TvxShellFolder* AFolder) {
  bool can = true;
  if (FTree->OnAddFolder) FTree->OnAddFolder(FTree, AFolder, can);
  return can;
}

DWORD TvxShellTreeItemProducer::GetEnumSettings() { return FTree->FOptions->GetEnumFlags(); }
TvxShellItemsInfoGatherer* TvxShellTreeItemProducer::ItemsInfoGatherer() { return FTree->FItemsInfoGatherer.get(); }

void TvxShellTreeItemProducer::InitializeItem(TvxShellItemInfo* AItem) {
  AItem->CheckUpdate(ShellFolder(), FolderPidl(), false);
  CheckItemSubitems(AItem);
}

void TvxShellTreeItemProducer::CheckItemSubitems(TvxShellItemInfo* AItem) {
  if (!AItem->IsRemovable()) AItem->CheckSubitems(ShellFolder(), GetEnumSettings());
}

bool TvxShellTreeItemProducer::GetShowToolTip() { return FTree->FShowInfoTips; }

HWND TvxShellTreeItemProducer::TreeHandle() const {
  return FNode && FTree->HandleAllocated() ? FTree->Handle() : nullptr;
}

void TvxShellTreeItemProducer::SetItemsCount(Integer Count) {
  if (HWND h = TreeHandle()) SendMessageW(h, WM_VXSHELL_ITEMSCOUNT, static_cast<WPARAM>(Count), FSerial);
}
void TvxShellTreeItemProducer::NotifyUpdateItem(const TvxRequestItem& AItem) {
  if (HWND h = TreeHandle()) PostMessageW(h, WM_VXSHELL_UPDATEITEM, static_cast<WPARAM>(AItem.ItemIndex), FSerial);
}
void TvxShellTreeItemProducer::NotifyRemoveItem(Integer Index) {
  if (HWND h = TreeHandle()) SendMessageW(h, WM_VXSHELL_REMOVEITEM, static_cast<WPARAM>(Index), FSerial);
}
void TvxShellTreeItemProducer::NotifyAddItem(Integer Index) {
  if (HWND h = TreeHandle()) SendMessageW(h, WM_VXSHELL_ADDITEM, static_cast<WPARAM>(Index), FSerial);
}

void TvxShellTreeItemProducer::ProcessItems(IShellFolder* AIFolder, PItemIDList APIDL, TTreeNode* ANode,
                                            Integer cPreloadItems) {
  FNode = ANode;
  DescribeNode(APIDL, ANode);
  TvxCustomItemProducer::ProcessItems(AIFolder, APIDL, cPreloadItems);
}

void TvxShellTreeItemProducer::DescribeNode(PItemIDList APIDL, TTreeNode* ANode) {
  SHFILEINFOW fi{};
  LPCWSTR arg = reinterpret_cast<LPCWSTR>(APIDL);
  if (vxShellGetFileInfo(arg, 0, &fi, 0x4208)) {
    if (TTreeNode* parent = ANode->Parent()) {
      if (auto* pp = FTree->ProducerOf(parent))
        ANode->SetText(vxShellGetDisplayName(pp->ShellFolder(), vxShellPidlLastItem(APIDL)));
    } else {
      ANode->SetText(fi.szDisplayName);
    }
    ANode->SetImageIndex(fi.iIcon);
  }
  if (vxShellGetFileInfo(arg, 0, &fi, 0x400A)) ANode->SetSelectedIndex(fi.iIcon);
}

// --- root ------------------------------------------------------------------------------------

TvxShellTreeRoot::TvxShellTreeRoot(TvxCustomInnerShellTreeView* ATree) : TvxCustomShellRoot(ATree, nullptr), FTree(ATree) {}

void TvxShellTreeRoot::RootChanged() {
  TvxCustomShellRoot::RootChanged();
  FTree->RootChanged();
}

// --- tree ------------------------------------------------------------------------------------

TvxCustomInnerShellTreeView::TvxCustomInnerShellTreeView(TComponent* AOwner) : TTreeView(AOwner) {
  FItemsInfoGatherer = std::make_unique<TvxShellItemsInfoGatherer>(this);
  FRoot = std::make_unique<TvxShellTreeRoot>(this);
  FOptions = std::make_unique<TvxShellOptions>(this);
  FOptions->OnShowToolTipChanged = [this](TObject*) { ApplyInfoTipStyle(); };
  FDragDropSettings = std::make_unique<TvxDragDropSettings>();
  FDragDropSettings->OnChange = [this](TObject*) { ApplyDragStyle(); };
  SHFILEINFOW fi{};
  FInternalSmallImages = reinterpret_cast<HIMAGELIST>(vxShellGetFileInfo(L"C:\\", 0, &fi, 0x4001));
  if (FInternalSmallImages) ImageList_SetBkColor(FInternalSmallImages, CLR_NONE);
  SetRightClickSelect(true);
}

TvxCustomInnerShellTreeView::~TvxCustomInnerShellTreeView() {
  SetListView(nullptr);
  FDropTarget.LeaveTarget(false);
  FDropTarget.ForgetDraggedObject();
  vxShellUnregisterChangeNotify(FShellChangeNotifierData);
  // The whole tree goes. The worker ends first: no producer then has requests to take
  // out of its queue (a wait for the worker per node, and a walk of the queue per node).
  // The nodes go without their producers, and the producers, all listed by their
  // numbers, are freed after them in one pass.
  FItemsInfoGatherer.reset();
  {
    TValueScope<bool> destroying(FDestroyingNodes, true);
    Items()->Clear();
  }
  std::vector<TvxShellTreeItemProducer*> left;
  {
    std::lock_guard<std::mutex> lock(FItemProducersLock);
    left.reserve(FItemProducers.size());
    for (auto& [serial, p] : FItemProducers) left.push_back(p);
  }
  for (auto* p : left) delete p;
  FRoot.reset();
}

const TMessageMap* TvxCustomInnerShellTreeView::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_NOTIFY, MessageHandler<&TvxCustomInnerShellTreeView::CNNotify>},
      {WM_VXSHELL_ITEMSCOUNT, MessageHandler<&TvxCustomInnerShellTreeView::WMItemsCount>},
      {WM_VXSHELL_UPDATEITEM, MessageHandler<&TvxCustomInnerShellTreeView::WMUpdateItem>},
      {WM_VXSHELL_REMOVEITEM, MessageHandler<&TvxCustomInnerShellTreeView::WMRemoveItem>},
      {WM_VXSHELL_ADDITEM, MessageHandler<&TvxCustomInnerShellTreeView::WMAddItem>},
      {WM_VXSHELL_OPTIONSCHANGED, MessageHandler<&TvxCustomInnerShellTreeView::WMOptionsChanged>},
      {WM_VXSHELL_AFTERDROP, MessageHandler<&TvxCustomInnerShellTreeView::WMAfterDrop>},
      {WM_VXSHELL_ROOTCHANGED, MessageHandler<&TvxCustomInnerShellTreeView::WMRootChanged>},
      {WM_VXSHELL_NAVIGATE, MessageHandler<&TvxCustomInnerShellTreeView::WMNavigate>},
      {WM_VXSHELL_CHANGEPIDLS, MessageHandler<&TvxCustomInnerShellTreeView::WMChangePidls>},
      {WM_VXSHELL_DEFERREDNAVIGATE, MessageHandler<&TvxCustomInnerShellTreeView::WMDeferredNavigate>},
      {WM_VXSHELL_NOTIFY, MessageHandler<&TvxCustomInnerShellTreeView::WMShellNotify>},
      {WM_TIMER, MessageHandler<&TvxCustomInnerShellTreeView::WMTimer>},
      {WM_DESTROY, MessageHandler<&TvxCustomInnerShellTreeView::WMDestroy>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxCustomInnerShellTreeView::RegisterProducer(TvxShellTreeItemProducer* P) {
  std::lock_guard<std::mutex> lock(FItemProducersLock);
  FItemProducers[P->Serial()] = P;
}

void TvxCustomInnerShellTreeView::UnregisterProducer(TvxShellTreeItemProducer* P) {
  std::lock_guard<std::mutex> lock(FItemProducersLock);
  FItemProducers.erase(P->Serial());
}

TTreeNode* TvxCustomInnerShellTreeView::NodeOfSerial(LPARAM Serial) {
  std::lock_guard<std::mutex> lock(FItemProducersLock);
  auto it = FItemProducers.find(Serial);
  return it == FItemProducers.end() ? nullptr : it->second->Node();
}

TvxShellTreeItemProducer* TvxCustomInnerShellTreeView::ProducerOf(TTreeNode* Node) const {
  return Node ? static_cast<TvxShellTreeItemProducer*>(Node->Data()) : nullptr;
}

void TvxCustomInnerShellTreeView::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  // The tree control's own begin-drag notification starts the shell drag; without
  // dragging allowed the control gives none.
  if (FDragDropSettings->AllowDragObjects())
    Params.Style &= ~static_cast<DWORD>(TVS_DISABLEDRAGDROP);
  else
    Params.Style |= TVS_DISABLEDRAGDROP;
  if (FShowInfoTips) Params.Style = (Params.Style | TVS_INFOTIP) & ~static_cast<DWORD>(TVS_NOTOOLTIPS);
}

void TvxCustomInnerShellTreeView::ApplyInfoTipStyle() {
  if (!HandleAllocated()) return;
  LONG_PTR s = GetWindowLongPtrW(Handle(), GWL_STYLE);
  if (FShowInfoTips)
    s = (s | TVS_INFOTIP) & ~static_cast<LONG_PTR>(TVS_NOTOOLTIPS);
  else if (FOptions->ShowToolTip())
    s &= ~static_cast<LONG_PTR>(TVS_INFOTIP | TVS_NOTOOLTIPS);
  else
    s = (s | TVS_NOTOOLTIPS) & ~static_cast<LONG_PTR>(TVS_INFOTIP);
  SetWindowLongPtrW(Handle(), GWL_STYLE, s);
}

void TvxCustomInnerShellTreeView::ApplyDragStyle() {
  if (!HandleAllocated()) return;
  LONG_PTR s = GetWindowLongPtrW(Handle(), GWL_STYLE);
  if (FDragDropSettings->AllowDragObjects())
    s &= ~static_cast<LONG_PTR>(TVS_DISABLEDRAGDROP);
  else
    s |= TVS_DISABLEDRAGDROP;
  SetWindowLongPtrW(Handle(), GWL_STYLE, s);
}

void TvxCustomInnerShellTreeView::SetShowInfoTips(bool Value) {
  if (FShowInfoTips == Value) return;
  FShowInfoTips = Value;
  ApplyInfoTipStyle();
}

void TvxCustomInnerShellTreeView::CreateWnd() {
  inherited::CreateWnd();
  if (!HandleAllocated()) return;
  if (FInternalSmallImages)
    SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(FInternalSmallImages));
  if (!IsLoading() && !FRoot->Pidl()) FRoot->ResolveRootFolder();
  UpdateNode(nullptr, false);
  FDropRegistered = SUCCEEDED(RegisterDragDrop(Handle(), &FDropTarget));
}

void TvxCustomInnerShellTreeView::ReleaseWindowLinks() {
  KillTimer(FHandle, ChangeTimerId);
  FChangePending = false;
  vxShellUnregisterChangeNotify(FShellChangeNotifierData);
  if (FDropRegistered) RevokeDragDrop(FHandle);
  FDropRegistered = false;
  FDropTarget.LeaveTarget(false);
  FDropTarget.ForgetDraggedObject();
}

void TvxCustomInnerShellTreeView::WMDestroy(TMessage& Message) {
  ReleaseWindowLinks();
  InheritedMessage(Message);
}

void TvxCustomInnerShellTreeView::DestroyWnd() {
  ReleaseWindowLinks();
  // Nodes are not kept across a new window: it is built again from the root.
  if (FItemsInfoGatherer) FItemsInfoGatherer->ClearFetchQueue(nullptr);
  Items()->Clear();
  inherited::DestroyWnd();
}

void TvxCustomInnerShellTreeView::Loaded() {
  inherited::Loaded();
  if (!FRoot->Pidl()) FRoot->ResolveRootFolder();
  UpdateNode(nullptr, false);
}

void TvxCustomInnerShellTreeView::RootChanged() {
  if (HandleAllocated()) {
    FItemsInfoGatherer->ClearFetchQueue(nullptr);
    Items()->Clear();
  }
  UpdateNode(nullptr, false);
  if (OnRootChanged) OnRootChanged(this, FRoot.get());
}

void TvxCustomInnerShellTreeView::UpdateNode(TTreeNode* ANode, bool AFast) {
  if (IsLoading() || !HandleAllocated() || !IsWindow(Handle()) || !FRoot->Valid()) return;
  const bool newTop = !ANode;
  if (!ANode) {
    TTreeNode* first = Items()->GetFirstNode();
    if (first && first->Data()) {
      FItemsInfoGatherer->ClearFetchQueue(nullptr);
      Items()->Clear();
    }
    ANode = Items()->GetFirstNode();
    if (!ANode) ANode = Items()->Add(nullptr, L"");
    ANode->SetData(new TvxShellTreeItemProducer(this));
  }
  TTreeNode* parent = ANode->Parent();
  if (AFast && parent) {
    auto* pp = ProducerOf(parent);
    auto* own = ProducerOf(ANode);
    if (pp && own) {
      TvxProducerReadLock lock(pp);
      Integer index = ANode->Index();
      if (index < static_cast<Integer>(pp->Items().size())) {
        TvxPidl pidl = vxShellPidlConcat(pp->FolderPidl(), pp->Items()[index]->pidl());
        ANode->SetHasChildren(vxShellHasSubItems(pp->ShellFolder(), pidl.get(), pp->GetEnumSettings()));
        own->SetFolderPidl(std::move(pidl));
      }
    }
  } else if (newTop && !ANode->getFirstChild()) {
    // The new top node shows collapsed: it gets its name and icons now, and its folders
    // are enumerated when it is first expanded or selected (CanExpand), so that a new
    // window costs one shell look-up rather than a walk of every drive.
    ANode->SetHasChildren(true);
    FRoot->CheckRoot();
    if (auto* own = ProducerOf(ANode)) own->DescribeNode(FRoot->Pidl(), ANode);
  } else {
    ANode->SetHasChildren(true);
    CanExpand(ANode);
  }
  CreateChangeNotification(nullptr);
}

bool TvxCustomInnerShellTreeView::CanExpand(TTreeNode* Node) {
  bool ok = Node->getFirstChild() != nullptr || PopulateNode(Node);
  return ok && inherited::CanExpand(Node);
}

bool TvxCustomInnerShellTreeView::PopulateNode(TTreeNode* Node) {
  auto* own = ProducerOf(Node);
  if (!own) return false;
  IShellFolder* folder = nullptr;
  TvxPidl pidl;
  if (!Node->Parent()) {
    FRoot->CheckRoot();
    folder = FRoot->ShellFolder();
    if (folder) folder->AddRef();
    pidl = vxShellPidlCopy(FRoot->Pidl());
  } else {
    auto* pp = ProducerOf(Node->Parent());
    if (!pp) return false;
    TvxProducerReadLock lock(pp);
    Integer index = Node->Index();
    if (index >= static_cast<Integer>(pp->Items().size())) return false;
    TvxShellItemInfo* item = pp->Items()[index].get();
    Node->SetHasChildren(item->HasSubfolder());
    if (!item->HasSubfolder() || !pp->ShellFolder()) return false;
    if (FAILED(pp->ShellFolder()->BindToObject(item->pidl(), nullptr, IID_IShellFolder,
                                               reinterpret_cast<void**>(&folder))))
      folder = nullptr;
    pidl = vxShellPidlConcat(pp->FolderPidl(), item->pidl());
  }
  if (!folder) return false;
  TInterfaceScope release(folder);
  // A node enumerated before (a rebuild of its children) starts from an empty list.
  own->ClearItems();
  own->ProcessItems(folder, pidl.get(), Node, 0);
  return true;
}

void TvxCustomInnerShellTreeView::SetNodeFromItem(TTreeNode* Node, TvxShellItemInfo* Item, bool WithText) {
  Node->SetImageIndex(Item->IconIndex());
  Node->SetSelectedIndex(Item->OpenIconIndex());
  if (WithText) Node->SetText(Item->Name());
  Node->SetHasChildren(Item->HasSubfolder());
  if (Node->ItemId() && HandleAllocated()) {
    TVITEMW tvi{};
    tvi.mask = TVIF_STATE;
    tvi.hItem = Node->ItemId();
    tvi.stateMask = TVIS_CUT;
    tvi.state = Item->IsGhosted() ? TVIS_CUT : 0;
    SendMessageW(Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
  }
  Node->SetOverlayIndex(vxShellGetOverlayIndex(Item));
}

void TvxCustomInnerShellTreeView::CNNotify(TWMNotify& Message) {
  NMHDR* hdr = Message.NMHdr();
  switch (hdr->code) {
    case TVN_BEGINLABELEDITW: {
      auto* di = reinterpret_cast<NMTVDISPINFOW*>(hdr);
      if (!CanEditNode(reinterpret_cast<TTreeNode*>(di->item.lParam))) {
        Message.Result = TRUE;
        return;
      }
      break;
    }
    case TVN_ENDLABELEDITW: {
      auto* di = reinterpret_cast<NMTVDISPINFOW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(di->item.lParam);
      String old = node ? node->Text() : String();
      bool edited = di->item.pszText != nullptr;
      InheritedMessage(Message.M);
      if (edited && node && node->Parent()) RenameNode(node, old);
      return;
    }
    case NM_RCLICK: {
      // The right click's menu is asked for here, once: the tree control leaves it to the
      // answer of this notification whether it sends a context menu request itself, and
      // not every version of the control does.
      InheritedMessage(Message.M);
      POINT pos{};
      GetCursorPos(&pos);
      Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Handle()), MAKELPARAM(pos.x, pos.y));
      Message.Result = 1;
      return;
    }
    case TVN_BEGINDRAGW:
    case TVN_BEGINRDRAGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      if (node) {
        node->SetSelected(true);
        StartShellDrag(node);
      }
      Message.Result = 0;
      return;
    }
    case TVN_GETINFOTIPW: {
      auto* tip = reinterpret_cast<NMTVGETINFOTIPW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(tip->lParam);
      if (node && node->Parent())
        if (auto* pp = ProducerOf(node->Parent())) pp->DoGetInfoTip(Handle(), node->Index(), tip->pszText, tip->cchTextMax);
      Message.Result = 0;
      return;
    }
    default:
      break;
  }
  InheritedMessage(Message.M);
}

bool TvxCustomInnerShellTreeView::CanEditNode(TTreeNode* Node) {
  if (!Node || !Node->Parent()) return false;
  auto* pp = ProducerOf(Node->Parent());
  if (!pp) return false;
  TvxProducerReadLock lock(pp);
  Integer index = Node->Index();
  return index < static_cast<Integer>(pp->Items().size()) && pp->Items()[index]->CanRename();
}

void TvxCustomInnerShellTreeView::RenameNode(TTreeNode* Node, const String& OldText) {
  auto* pp = ProducerOf(Node->Parent());
  // The registration goes while the folder changes its name and comes back afterwards,
  // whether the rename worked or not.
  vxShellUnregisterChangeNotify(FShellChangeNotifierData);
  TScopeExit reregister([this] { CreateChangeNotification(nullptr); });
  Integer index = Node->Index();
  if (!pp || !pp->ShellFolder() || index >= static_cast<Integer>(pp->Items().size())) {
    Node->SetText(OldText);
    return;
  }
  if (vxShellRenameItem(pp, pp->Items()[index].get(), Handle(), Node->Text()) != S_OK) {
    Node->SetText(OldText);
    return;
  }
  UpdateNode(Node, true);
}

void TvxCustomInnerShellTreeView::WMItemsCount(TMessage& Message) {
  TTreeNode* node = NodeOfSerial(Message.LParam);
  auto* p = ProducerOf(node);
  if (!p) return;
  Integer count = static_cast<Integer>(Message.WParam);
  if (count == 0) {
    node->DeleteChildren();
    node->SetHasChildren(false);
    return;
  }
  {
    TvxProducerReadLock lock(p);
    TUpdateScope<TTreeNodes> update(Items());
    for (size_t k = 0; k < p->Items().size(); ++k) {
      TvxShellItemInfo* item = p->Items()[k].get();
      if (!item->Updated()) p->FetchRequest(static_cast<Integer>(k), false);
      TTreeNode* child = Items()->AddChild(node, item->Name());
      child->SetData(new TvxShellTreeItemProducer(this));
      SetNodeFromItem(child, item, false);
    }
  }
  if (!node->getFirstChild()) node->SetHasChildren(false);
}

void TvxCustomInnerShellTreeView::WMUpdateItem(TMessage& Message) {
  // The node travels as its producer's number: a node freed since the post is not found.
  TTreeNode* node = NodeOfSerial(Message.LParam);
  auto* p = ProducerOf(node);
  if (!p) return;
  Integer index = static_cast<Integer>(Message.WParam);
  TTreeNode* child = node->getFirstChild();
  for (Integer i = 0; child && i < index; ++i) child = child->getNextSibling();
  if (!child) return;
  TvxProducerReadLock lock(p);
  if (index < static_cast<Integer>(p->Items().size())) SetNodeFromItem(child, p->Items()[index].get(), true);
}

void TvxCustomInnerShellTreeView::WMRemoveItem(TMessage& Message) {
  TTreeNode* node = NodeOfSerial(Message.LParam);
  Integer index = static_cast<Integer>(Message.WParam);
  if (node && index < node->Count()) node->Item(index)->Delete();
}

void TvxCustomInnerShellTreeView::WMAddItem(TMessage& Message) {
  TTreeNode* node = NodeOfSerial(Message.LParam);
  auto* p = ProducerOf(node);
  if (!p) return;
  TvxProducerReadLock lock(p);
  Integer index = static_cast<Integer>(Message.WParam);
  if (index >= static_cast<Integer>(p->Items().size())) return;
  TvxShellItemInfo* item = p->Items()[index].get();
  TTreeNode* child = Items()->AddChild(node, item->Name());
  child->SetData(new TvxShellTreeItemProducer(this));
  SetNodeFromItem(child, item, false);
}

void TvxCustomInnerShellTreeView::WMOptionsChanged(TMessage&) {
  if (!IsLoading()) UpdateNode(nullptr, false);
}

void TvxCustomInnerShellTreeView::WMNavigate(TMessage& Message) {
  Navigate(reinterpret_cast<PItemIDList>(Message.WParam));
}

void TvxCustomInnerShellTreeView::Navigate(PItemIDList P) {
  if (!P) return;
  FRoot->CheckRoot();
  {
    TValueScope<bool> navigation(FNavigation, true);
    TUpdateScope<TTreeNodes> update(Items());
    Integer rootCount = vxShellPidlItemCount(FRoot->Pidl());
    if (vxShellPidlItemCount(P) < rootCount) {
      FRoot->SetPidl(P);
      if (TTreeNode* first = Items()->GetFirstNode()) first->SetSelected(true);
    } else if (vxShellPidlIsPrefix(FRoot->Pidl(), P)) {
      // Only a PIDL inside the root is walked down from the top node.
      PItemIDList rest = P;
      for (Integer i = 0; i < rootCount; ++i) rest = vxShellPidlNext(rest);
      TTreeNode* node = Items()->GetFirstNode();
      if (node) node->SetSelected(true);
      for (; node && rest && vxShellPidlSize(rest) > 0; rest = vxShellPidlNext(rest)) {
        TvxPidl item = vxShellPidlFirstItem(rest);
        auto* p = ProducerOf(Selected());
        if (!item || !p) break;
        Integer index = p->GetItemIndexByPidl(item.get());
        if (index < 0 || index >= Selected()->Count()) break;
        Selected()->Item(index)->SetSelected(true);
      }
    }
  }
  if (TTreeNode* s = Selected()) SendMessageW(Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(s->ItemId()));
}

TTreeNode* TvxCustomInnerShellTreeView::FindNodeByPidl(PItemIDList APidl) {
  if (!APidl) return nullptr;
  FRoot->CheckRoot();
  TTreeNode* node = Items()->GetFirstNode();
  if (vxShellPidlEqual(APidl, FRoot->Pidl())) return node;
  if (!vxShellPidlIsPrefix(FRoot->Pidl(), APidl)) return nullptr;
  PItemIDList rest = APidl;
  for (Integer i = vxShellPidlItemCount(FRoot->Pidl()); i > 0; --i) rest = vxShellPidlNext(rest);
  for (; node && rest && vxShellPidlSize(rest) > 0; rest = vxShellPidlNext(rest)) {
    auto* p = ProducerOf(node);
    TvxPidl item = vxShellPidlFirstItem(rest);
    if (!p || !item) return nullptr;
    Integer index = p->GetItemIndexByPidl(item.get());
    if (index < 0 || index >= node->Count()) return nullptr;
    node = node->Item(index);
  }
  return node;
}

void TvxCustomInnerShellTreeView::ProcessShellChange(Cardinal AEventID, PItemIDList APIDL1, PItemIDList APIDL2) {
  if (FShellChangeNotificationCreation || FIsUpdating) return;
  if (FIsChangeNotificationCreationLocked) {
    // The context menu holds its folder's items: the tree is built again once it closes.
    FShellChangedWhileLocked = true;
    return;
  }
  TScopeExit fire([=, this] {
    if (OnShellChange) OnShellChange(this, AEventID, APIDL1, APIDL2);
  });
  if (AEventID == SHCNE_UPDATEITEM && !FindNodeByPidl(APIDL1)) return;
  if (!Selected()) {
    // Nothing selected: refresh only the folder that holds the changed item.
    TvxPidl parent = vxShellPidlParent(APIDL1);
    TTreeNode* node = FindNodeByPidl(parent.get());
    if (!node && AEventID == SHCNE_UPDATEDIR) node = FindNodeByPidl(APIDL1);
    RefreshFolderNode(node);
    return;
  }
  RebuildTree();
}

void TvxCustomInnerShellTreeView::RefreshFolderNode(TTreeNode* Node) {
  if (!Node) return;
  if (!Node->getFirstChild()) {
    // Never enumerated: only its expand button may have to change.
    if (Node->Parent()) UpdateNode(Node, true);
    return;
  }
  TValueScope<bool> updating(FIsUpdating, true);
  bool expanded = Node->Expanded();
  FItemsInfoGatherer->ClearFetchQueue(ProducerOf(Node));
  Node->DeleteChildren();
  PopulateNode(Node);
  if (expanded) Node->Expand(false);
}

void TvxCustomInnerShellTreeView::RebuildTree() {
  // Nodes stay while a drag is over the tree or runs from it: the drag holds them.
  if (FDropTarget.DraggedObject() || FIsDragging) return;
  HWND parent = Parent() && Parent()->HandleAllocated() ? Parent()->Handle() : nullptr;
  {
    TUpdateScope<TTreeNodes> update(Items());
    TValueScope<bool> updating(FIsUpdating, true);
    if (parent) SendMessageW(parent, WM_SETREDRAW, FALSE, 0);
    TScopeExit redraw([parent] {
      if (parent) {
        SendMessageW(parent, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      }
    });
    SaveTreeState();
    TScopeExit restore([this] { RestoreTreeState(); });
    FItemsInfoGatherer->ClearFetchQueue(nullptr);
    Items()->Clear();
    UpdateNode(nullptr, false);
  }
}

void TvxCustomInnerShellTreeView::SaveTreeState() {
  TTreeNode* top = TopItem();
  FStateData.TopItemIndex = top ? top->AbsoluteIndex() : -1;
  FStateData.ExpandedNodeList.clear();
  for (TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext()) {
    if (!n->Expanded()) continue;
    FStateData.ExpandedNodeList.push_back(n->Parent() ? GetNodeAbsolutePIDL(n) : nullptr);
  }
  FStateData.CurrentPath = Selected() ? GetNodeAbsolutePIDL(Selected()) : nullptr;
}

void TvxCustomInnerShellTreeView::RestoreTreeState() {
  std::vector<TvxPidl> expanded;
  expanded.swap(FStateData.ExpandedNodeList);
  for (auto& p : expanded) {
    FRoot->CheckRoot();
    if (TTreeNode* n = FindNodeByPidl(p ? p.get() : FRoot->Pidl())) n->Expand(false);
  }
  if (FStateData.TopItemIndex >= 0 && FStateData.TopItemIndex < Items()->Count())
    SetTopItem(Items()->Item(FStateData.TopItemIndex));
  TvxPidl current = std::move(FStateData.CurrentPath);
  if (!current) return;
  // Walk up until a node shows the folder; with no nodes at all the walk ends at the
  // empty PIDL and nothing is posted.
  while (current && vxShellPidlSize(current.get()) > 0 && !FindNodeByPidl(current.get()))
    current = vxShellPidlParent(current.get());
  if (current && FindNodeByPidl(current.get()) && HandleAllocated())
    PostMessageW(Handle(), WM_VXSHELL_DEFERREDNAVIGATE, reinterpret_cast<WPARAM>(current.release()), 0);
}

void TvxCustomInnerShellTreeView::WMDeferredNavigate(TMessage& Message) {
  TvxPidl p(reinterpret_cast<PItemIDList>(Message.WParam));
  if (FIsChangeNotificationCreationLocked) {
    PostMessageW(Handle(), WM_VXSHELL_DEFERREDNAVIGATE, reinterpret_cast<WPARAM>(p.release()), 0);
    return;
  }
  bool autoExpand = AutoExpand();
  SetAutoExpand(false);
  TScopeExit restore([this, autoExpand] { SetAutoExpand(autoExpand); });
  Navigate(p.get());
}

void TvxCustomInnerShellTreeView::WMChangePidls(TMessage& Message) {
  auto* pidls = reinterpret_cast<PItemIDList*>(Message.WParam);
  ProcessShellChange(static_cast<Cardinal>(Message.LParam), pidls ? pidls[0] : nullptr, pidls ? pidls[1] : nullptr);
}

void TvxCustomInnerShellTreeView::WMShellNotify(TMessage& Message) {
  LONG event = 0;
  TvxPidl p1, p2;
  if (vxShellLockChangeNotification(Message.WParam, Message.LParam, event, p1, p2))
    ProcessShellChange(static_cast<Cardinal>(event), p1.get(), p2.get());
}

void TvxCustomInnerShellTreeView::UpdateContent() {
  FRoot->CheckRoot();
  PItemIDList pidls[2] = {FRoot->Pidl(), nullptr};
  if (HandleAllocated()) SendMessageW(Handle(), WM_VXSHELL_CHANGEPIDLS, reinterpret_cast<WPARAM>(pidls), 0);
}

void TvxCustomInnerShellTreeView::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key == VK_F5) UpdateContent();
}

void TvxCustomInnerShellTreeView::CreateChangeNotification(TTreeNode* Node) {
  if (FIsChangeNotificationCreationLocked) return;
  TValueScope<bool> creation(FShellChangeNotificationCreation, true);
  if (FOptions->TrackShellChanges() && Items()->Count() > 0 && HandleAllocated()) {
    if (!Node) Node = Selected() ? Selected() : Items()->GetFirstNode();
    TvxPidl pidl = GetNodeAbsolutePIDL(Node);
    vxShellRegisterChangeNotify(pidl.get(), Handle(), WM_VXSHELL_NOTIFY, FShellChangeNotifierData, true);
  } else {
    vxShellUnregisterChangeNotify(FShellChangeNotifierData);
  }
}

void TvxCustomInnerShellTreeView::DoContextPopup(POINT MousePos, bool& Handled) {
  const bool fromKeyboard = MousePos.x == -1 && MousePos.y == -1;
  TTreeNode* node = fromKeyboard ? Selected() : GetNodeAt(MousePos.x, MousePos.y);
  if (!FOptions->ContextMenus() || !node) {
    inherited::DoContextPopup(MousePos, Handled);
    return;
  }
  Handled = true;
  if (!node->Parent()) return;  // the root folder has no menu of its own here
  POINT at = MousePos;
  if (fromKeyboard) {
    RECT r = node->DisplayRect(true);
    at = POINT{r.left, r.bottom};
  }
  ShowNodeContextMenu(node, ClientToScreen(at));
}

void TvxCustomInnerShellTreeView::ReleaseContextPopupProducer(bool Unhook) {
  TvxShellTreeItemProducer* p = FContextPopupItemProducer;
  if (!p) return;
  FContextPopupItemProducer = nullptr;
  if (Unhook) p->OnDestroy = nullptr;
  p->UnlockRead();
}

void TvxCustomInnerShellTreeView::ShowNodeContextMenu(TTreeNode* Node, POINT ScreenPos) {
  auto* pp = ProducerOf(Node->Parent());
  if (!pp) return;
  TScopeExit end([this] {
    ReleaseContextPopupProducer(true);
    FIsChangeNotificationCreationLocked = false;
    const bool changed = FShellChangedWhileLocked;
    FShellChangedWhileLocked = false;
    if (!HandleAllocated() || ComponentState().Contains(csDestroying)) return;
    // A command of the menu may have changed the folders: build the tree again with its
    // state kept; otherwise the registration goes back to the selected folder.
    if (changed)
      UpdateContent();
    else
      CreateChangeNotification(nullptr);
  });
  FContextPopupItemProducer = pp;
  // A producer freed while its menu is open gives up its lock on the way out (it must
  // not clear its own event while that event runs).
  pp->OnDestroy = [this](TObject*) { ReleaseContextPopupProducer(false); };
  pp->LockRead();
  CreateChangeNotification(Node);
  FIsChangeNotificationCreationLocked = true;
  Integer index = Node->Index();
  if (index >= static_cast<Integer>(pp->Items().size())) return;
  TvxPidl item = vxShellPidlCopy(pp->Items()[index]->pidl());
  vxShellShowContextMenu(Handle(), pp->ShellFolder(), {item.get()}, ScreenPos);
}

void TvxCustomInnerShellTreeView::SetChangeDelay(Integer Value) { FChangeDelay = std::max<Integer>(Value, 0); }

void TvxCustomInnerShellTreeView::Change(TTreeNode* Node) {
  if (FChangeDelay > 0 && HandleAllocated() && !FDestroyingNodes) {
    FChangePending = true;
    SetTimer(Handle(), ChangeTimerId, static_cast<UINT>(FChangeDelay), nullptr);
    return;
  }
  ReportChange(Node);
}

void TvxCustomInnerShellTreeView::WMTimer(TMessage& Message) {
  if (Message.WParam != ChangeTimerId) {
    InheritedMessage(Message);
    return;
  }
  KillTimer(Handle(), ChangeTimerId);
  if (!FChangePending) return;
  FChangePending = false;
  ReportChange(Selected());
}

void TvxCustomInnerShellTreeView::ReportChange(TTreeNode* Node) {
  inherited::Change(Node);
  if (FDestroyingNodes) return;
  // A selection that went away leaves the nodes as they are: UpdateNode with no node
  // would build the whole tree again and free every node the caller still holds.
  if (TTreeNode* s = Selected()) UpdateNode(s, !FNavigation);
  if (!FNavigation) SyncLinkedViews();
}

void TvxCustomInnerShellTreeView::SetListView(TvxCustomInnerShellListView* Value) {
  if (FListView == Value) return;
  TvxCustomInnerShellListView* old = FListView;
  FListView = nullptr;
  if (old && old->TreeView() == this) old->SetTreeView(nullptr);
  FListView = Value;
  if (Value && Value->TreeView() != this) Value->SetTreeView(this);
  SyncLinkedViews();
}

void TvxCustomInnerShellTreeView::SyncLinkedViews() {
  if (!FListView || !HandleAllocated()) return;
  TTreeNode* node = Selected();
  if (!node) node = Items()->GetFirstNode();
  if (!node) return;
  TvxPidl p = GetNodeAbsolutePIDL(node);
  if (p) FListView->ProcessTreeViewNavigate(p.get());
}

void TvxCustomInnerShellTreeView::Delete(TTreeNode* Node) {
  auto* p = ProducerOf(Node);
  Node->SetData(nullptr);
  // While the whole tree goes, the producers are freed together afterwards.
  if (!FDestroyingNodes) delete p;
  inherited::Delete(Node);
}

TvxPidl TvxCustomInnerShellTreeView::GetNodeAbsolutePIDL(TTreeNode* ANode) {
  if (!ANode) return nullptr;
  TTreeNode* parent = ANode->Parent();
  if (!parent) {
    FRoot->CheckRoot();
    return vxShellPidlCopy(FRoot->Pidl());
  }
  // The parent's folder and the node's own item, as the parent enumerated them.
  if (auto* pp = ProducerOf(parent)) {
    TvxProducerReadLock lock(pp);
    Integer index = ANode->Index();
    if (pp->FolderPidl() && index < static_cast<Integer>(pp->Items().size()))
      return vxShellPidlConcat(pp->FolderPidl(), pp->Items()[index]->pidl());
  }
  auto* own = ProducerOf(ANode);
  return own && own->FolderPidl() ? vxShellPidlCopy(own->FolderPidl()) : nullptr;
}

TvxPidl TvxCustomInnerShellTreeView::AbsolutePIDL() {
  return Selected() ? GetNodeAbsolutePIDL(Selected()) : nullptr;
}

String TvxCustomInnerShellTreeView::AbsolutePath() {
  TvxPidl p = AbsolutePIDL();
  return p ? vxShellPidlToPath(p.get()) : String();
}

// --- drag and drop ---------------------------------------------------------------------------

void TvxCustomInnerShellTreeView::TDropTarget::Dropped() {
  // The folder dropped on is read again a little later; the node travels as its
  // producer's number, so a node freed meanwhile is not touched.
  if (TTreeNode* n = FTree->FPrevTargetNode)
    if (auto* p = FTree->ProducerOf(n); p && FTree->HandleAllocated())
      PostMessageW(FTree->Handle(), WM_VXSHELL_AFTERDROP, static_cast<WPARAM>(p->Serial()), 0);
}

void TvxCustomInnerShellTreeView::TDropTarget::UnmarkTarget() {
  if (FTree->FPrevTargetNode && FTree->HandleAllocated()) FTree->FPrevTargetNode->SetDropTarget(false);
  FTree->FPrevTargetNode = nullptr;
}

IDropTarget* TvxCustomInnerShellTreeView::NodeDropTarget(TTreeNode* Node) {
  IDropTarget* target = nullptr;
  void** out = reinterpret_cast<void**>(&target);
  if (!Node->Parent()) {
    FRoot->CheckRoot();
    if (IShellFolder* f = FRoot->ShellFolder())
      if (FAILED(f->CreateViewObject(Handle(), IID_IDropTarget, out))) target = nullptr;
    return target;
  }
  auto* pp = ProducerOf(Node->Parent());
  if (!pp || !pp->ShellFolder()) return nullptr;
  TvxProducerReadLock lock(pp);
  Integer index = Node->Index();
  if (index >= static_cast<Integer>(pp->Items().size())) return nullptr;
  return vxShellItemDropTarget(Handle(), pp->ShellFolder(), pp->Items()[index].get());
}

bool TvxCustomInnerShellTreeView::UpdateDropTarget(POINTL ScreenPos) {
  if (!HandleAllocated()) return false;
  POINT p = ScreenToClient(POINT{ScreenPos.x, ScreenPos.y});
  TTreeNode* node = GetNodeAt(p.x, p.y);
  if (!node) {
    FDropTarget.LeaveTarget(true);
    return false;
  }
  if (node == FPrevTargetNode && FDropTarget.CurrentTarget()) return false;
  FDropTarget.LeaveTarget(true);
  IDropTarget* target = NodeDropTarget(node);
  if (!target) return false;
  node->SetDropTarget(true);
  FPrevTargetNode = node;
  FDropTarget.SetCurrentTarget(target);
  return true;
}

void TvxCustomInnerShellTreeView::StartShellDrag(TTreeNode* Node) {
  if (!Node || !Node->Parent() || !FDragDropSettings->AllowDragObjects()) return;
  TTreeNode* parent = Node->Parent();
  auto* pp = ProducerOf(parent);
  if (!pp || !pp->ShellFolder()) return;
  {
    TValueScope<bool> dragging(FIsDragging, true);
    TvxProducerReadLock lock(pp);
    Integer index = Node->Index();
    if (index >= static_cast<Integer>(pp->Items().size())) return;
    TvxPidl item = vxShellPidlCopy(pp->Items()[index]->pidl());
    if (!vxShellDragItems(Handle(), pp->ShellFolder(), {item.get()}, FDragDropSettings->DropEffectAPI())) return;
  }
  // The item may have moved away: the folder it came from is read again.
  if (!pp->CheckUpdates()) UpdateNode(parent, false);
}

void TvxCustomInnerShellTreeView::WMAfterDrop(TMessage& Message) {
  TTreeNode* node = NodeOfSerial(static_cast<LPARAM>(Message.WParam));
  auto* p = ProducerOf(node);
  if (!p) return;
  Sleep(100);  // the shell may still be finishing the copy or move
  if (!p->CheckUpdates()) UpdateNode(node, false);
}

void TvxCustomInnerShellTreeView::WMRootChanged(TMessage& Message) { FRoot->TakeLinkedRoot(this, Message.WParam); }

bool TvxShellTreeItemProducer::CheckUpdates() {
  IShellFolder* folder = ShellFolder();
  std::vector<std::unique_ptr<TvxShellItemInfo>> fresh;
  if (!EnumerateItems(folder, [&fresh](std::unique_ptr<TvxShellItemInfo> AInfo) { fresh.push_back(std::move(AInfo)); }))
    return false;
  SortItemList(folder, fresh, this);
  // Requests queued by index would reach the wrong items once the list changes.
  FTree->FItemsInfoGatherer->ClearFetchQueue(this);
  TvxProducerWriteLock lock(this);
  auto& items = Items();
  // The fresh items by identifier, in the folder's own order: each old item finds its
  // fresh copy in log n, and the walk below compacts the list in one pass.
  auto before = [folder](PItemIDList a, PItemIDList b) {
    return static_cast<short>(HRESULT_CODE(folder->CompareIDs(0, a, b))) < 0;
  };
  std::map<PItemIDList, size_t, decltype(before)> byPidl(before);
  for (size_t i = 0; i < fresh.size(); ++i) byPidl.emplace(fresh[i]->pidl(), i);
  size_t kept = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    auto it = byPidl.find(items[i]->pidl());
    if (it != byPidl.end() && fresh[it->second]) {
      items[kept++] = std::move(fresh[it->second]);
    } else {
      // The items before this one that stay are at 0..kept-1, so this one is at kept.
      NotifyRemoveItem(static_cast<Integer>(kept));
      items[i].reset();
    }
  }
  items.resize(kept);
  for (auto& f : fresh) {
    if (!f) continue;
    if (f->Folder() && !CanAddFolder(f->Folder())) continue;
    items.push_back(std::move(f));
    items.back()->CheckUpdate(folder, FolderPidl(), false);
    NotifyAddItem(static_cast<Integer>(items.size()) - 1);
  }
  return true;
}
