// The shell list view of the shell controls unit: the producer, root and options of the
// list, and the owner-data list view itself.
#include "vxShellControls.h"

#include <commctrl.h>

#include <algorithm>

namespace {
constexpr UINT LVFI_SUBSTRING_FLAG = 0x0004;  // a search for any name starting with the text

// Set while the linked tree hands the list a folder, so that the list does not send it
// back to the tree.
bool TreeDrivenNavigation = false;
}  // namespace

// --- options, producer and root ---------------------------------------------------------------

void TvxShellListViewOptions::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxShellListViewOptions*>(Source)) {
    FAutoExecute = s->FAutoExecute;
    FAutoNavigate = s->FAutoNavigate;
  }
  TvxShellOptions::Assign(Source);
}

void TvxShellListViewOptions::DeclarePublished(TPublisher<TvxShellListViewOptions>& P) {
  using C = TvxShellListViewOptions;
  P.Property(L"AutoExecute", &C::AutoExecute, &C::SetAutoExecute).Default(true);
  P.Property(L"AutoNavigate", &C::AutoNavigate, &C::SetAutoNavigate).Default(true);
}

TvxShellListViewProducer::TvxShellListViewProducer(TvxCustomInnerShellListView* AList)
    : TvxCustomItemProducer(AList), FList(AList) {}

bool TvxShellListViewProducer::CanAddFolder(TvxShellFolder* AFolder) {
  bool can = true;
  if (FList->OnAddFolder) FList->OnAddFolder(FList, AFolder, can);
  return can;
}

bool TvxShellListViewProducer::DoCompareItems(TvxShellFolder* AItem1, TvxShellFolder* AItem2, Integer& ACompare) {
  return FList->DoCompare(AItem1, AItem2, ACompare);
}

DWORD TvxShellListViewProducer::GetEnumSettings() { return FList->FOptions->GetEnumFlags(); }
TvxShellItemsInfoGatherer* TvxShellListViewProducer::ItemsInfoGatherer() { return FList->FItemsInfoGatherer.get(); }
bool TvxShellListViewProducer::GetShowToolTip() { return FList->FOptions->ShowToolTip(); }

void TvxShellListViewProducer::NotifyUpdateItem(const TvxRequestItem& AItem) {
  // Runs on the fetch worker: only rows the UI thread asked for are redrawn.
  if (!AItem.Priority || AItem.ItemIndex < 0 || AItem.ItemIndex >= static_cast<Integer>(Items().size())) return;
  if (FList->HandleAllocated()) PostMessageW(FList->Handle(), WM_VXSHELL_UPDATEITEM, AItem.ItemIndex, 0);
}

void TvxShellListViewProducer::ProcessDetails(IShellFolder* ShellFolder, Integer) {
  Integer charWidth = 8;
  if (FList->HandleAllocated()) {
    HDC dc = GetDC(FList->Handle());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(FList->Handle(), WM_GETFONT, 0, 0)));
    SIZE sz{};
    if (GetTextExtentPoint32W(dc, L"X", 1, &sz)) charWidth = sz.cx;
    SelectObject(dc, old);
    ReleaseDC(FList->Handle(), dc);
  }
  TvxCustomItemProducer::ProcessDetails(ShellFolder, charWidth);
  if (FList->FListViewStyle != lvsReport) return;
  TUpdateScope<TListItems> update(FList->Items());
  FList->ClearColumns();
  for (Integer i = 0; i < Details()->Count(); ++i) {
    TvxDetailItem* d = Details()->Items(i);
    TListColumn* c = FList->AddColumn();
    c->SetCaption(d->Text);
    c->SetAlignment(d->Alignment);
    c->SetWidth(d->Width);
  }
}

TvxShellListRoot::TvxShellListRoot(TvxCustomInnerShellListView* AList)
    : TvxCustomShellRoot(AList, nullptr), FList(AList) {}

void TvxShellListRoot::RootChanged() {
  TvxCustomShellRoot::RootChanged();
  FList->RootChanged();
}

// --- list view ---------------------------------------------------------------------------------

TvxCustomInnerShellListView::TvxCustomInnerShellListView(TComponent* AOwner) : TListView(AOwner) {
  FDragDropSettings = std::make_unique<TvxDragDropSettings>();
  SHFILEINFOW fi{};
  FInternalLargeImages = reinterpret_cast<HIMAGELIST>(vxShellGetFileInfo(L"C:\\", 0, &fi, 0x4000));
  FInternalSmallImages = reinterpret_cast<HIMAGELIST>(vxShellGetFileInfo(L"C:\\", 0, &fi, 0x4001));
  FItemProducer = std::make_unique<TvxShellListViewProducer>(this);
  FItemsInfoGatherer = std::make_unique<TvxShellItemsInfoGatherer>(this);
  FOptions = std::make_unique<TvxShellListViewOptions>(this);
  FRoot = std::make_unique<TvxShellListRoot>(this);
  FRoot->OnSettingsChanged = [this](TObject*) {
    TWinControl* parent = Parent();
    if (parent && parent->ComponentState().Contains(csLoading)) return;
    if (FTreeViewControl && FTreeViewControl->HandleAllocated())
      SendMessageW(FTreeViewControl->Handle(), WM_VXSHELL_ROOTCHANGED, reinterpret_cast<WPARAM>(FRoot.get()), 0);
  };
  SetDoubleBuffered(true);
  SetDragMode(dmManual);
  SetHideSelection(false);
  SetOwnerData(true);
}

TvxCustomInnerShellListView::~TvxCustomInnerShellListView() {
  SetTreeView(nullptr);
  FDropTarget.LeaveTarget(false);
  FDropTarget.ForgetDraggedObject();
  vxShellUnregisterChangeNotify(FShellChangeNotifierData);
  FItemsInfoGatherer->ClearFetchQueue(nullptr);
  FItemProducer->ClearItems();
  FItemsInfoGatherer.reset();
  FRoot.reset();
  FItemProducer.reset();
}

const TMessageMap* TvxCustomInnerShellListView::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_NOTIFY, MessageHandler<&TvxCustomInnerShellListView::CNNotify>},
      {WM_VXSHELL_ITEMSCOUNT, MessageHandler<&TvxCustomInnerShellListView::WMItemsCount>},
      {WM_VXSHELL_UPDATEITEM, MessageHandler<&TvxCustomInnerShellListView::WMUpdateItem>},
      {WM_VXSHELL_OPTIONSCHANGED, MessageHandler<&TvxCustomInnerShellListView::WMOptionsChanged>},
      {WM_VXSHELL_AFTERDROP, MessageHandler<&TvxCustomInnerShellListView::WMAfterDrop>},
      {WM_VXSHELL_CHANGEPIDLS, MessageHandler<&TvxCustomInnerShellListView::WMChangePidls>},
      {WM_VXSHELL_ROOTCHANGED, MessageHandler<&TvxCustomInnerShellListView::WMRootChanged>},
      {WM_VXSHELL_NOTIFY, MessageHandler<&TvxCustomInnerShellListView::WMShellNotify>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxCustomInnerShellListView::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= LVS_SHAREIMAGELISTS | LVS_EDITLABELS;
  if (!ShowColumnHeaders()) Params.Style |= LVS_NOCOLUMNHEADER;
}

void TvxCustomInnerShellListView::CreateWnd() {
  inherited::CreateWnd();
  if (!HandleAllocated()) return;
  if (FInternalSmallImages)
    SendMessageW(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FInternalSmallImages));
  if (FInternalLargeImages)
    SendMessageW(Handle(), LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(FInternalLargeImages));
  ListView_SetCallbackMask(Handle(), LVIS_DROPHILITED);
  FDropRegistered = SUCCEEDED(RegisterDragDrop(Handle(), &FDropTarget));
  if (FRoot->Pidl())
    RefreshContent();
  else
    FRoot->ResolveRootFolder();
}

void TvxCustomInnerShellListView::DestroyWnd() {
  vxShellUnregisterChangeNotify(FShellChangeNotifierData);
  ClearColumns();
  if (FDropRegistered) RevokeDragDrop(Handle());
  FDropRegistered = false;
  FDropTarget.LeaveTarget(false);
  FDropTarget.ForgetDraggedObject();
  inherited::DestroyWnd();
}

void TvxCustomInnerShellListView::RootChanged() {
  RefreshContent();
  if (OnRootChanged) OnRootChanged(this, FRoot.get());
}

void TvxCustomInnerShellListView::RefreshContent() {
  FItemProducer->ClearItems();
  if (HandleAllocated()) {
    FRoot->CheckRoot();
    if (FRoot->ShellFolder() && FRoot->Pidl()) {
      if (FItemProducer->Items().empty()) FItemProducer->ProcessItems(FRoot->ShellFolder(), FRoot->Pidl(), 10);
    } else {
      Items()->SetCount(0);
    }
    // The registration covers the folders below too: a shell that tells a watcher of
    // only one folder of nothing but changes of that folder itself (not of its items)
    // would leave the list deaf. Changes below the folder shown are passed over when
    // they arrive.
    if (FOptions->TrackShellChanges() && FItemProducer->FolderPidl())
      vxShellRegisterChangeNotify(FItemProducer->FolderPidl(), Handle(), WM_VXSHELL_NOTIFY, FShellChangeNotifierData,
                                  true);
    else
      vxShellUnregisterChangeNotify(FShellChangeNotifierData);
    InvalidateRect(Handle(), nullptr, TRUE);
  }
}

Integer TvxCustomInnerShellListView::FolderCount() { return static_cast<Integer>(FItemProducer->Items().size()); }

void TvxCustomInnerShellListView::SetListViewStyle(TvxListViewStyle Value) {
  if (FListViewStyle == Value) return;
  FListViewStyle = Value;
  static constexpr TViewStyle styles[] = {vsIcon, vsSmallIcon, vsList, vsReport};
  SetViewStyle(styles[Value]);
  if (Value != lvsReport) ClearColumns();
  RefreshContent();
}

void TvxCustomInnerShellListView::Sort() {
  FItemProducer->Sort();
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

bool TvxCustomInnerShellListView::DoCompare(TvxShellFolder* AItem1, TvxShellFolder* AItem2, Integer& ACompare) {
  if (!OnCompareItems) return false;
  OnCompareItems(this, AItem1, AItem2, ACompare);
  return true;
}

TvxPidl TvxCustomInnerShellListView::GetItemAbsolutePIDL(Integer AIndex) {
  TvxProducerReadLock lock(FItemProducer.get());
  auto& items = FItemProducer->Items();
  if (AIndex < 0 || AIndex >= static_cast<Integer>(items.size()) || !FItemProducer->FolderPidl()) return nullptr;
  return vxShellPidlConcat(FItemProducer->FolderPidl(), items[AIndex]->pidl());
}

// --- rows ------------------------------------------------------------------------------------

void TvxCustomInnerShellListView::RequestPriority(const std::vector<Integer>& Rows) {
  for (Integer r : Rows) FItemProducer->FetchRequest(r, true);
}

bool TvxCustomInnerShellListView::OwnerDataFetch(TListItem* Item) {
  const Integer row = Item->Index();
  bool wanted = false;
  {
    TvxProducerReadLock lock(FItemProducer.get());
    auto& items = FItemProducer->Items();
    if (row < 0 || row >= static_cast<Integer>(items.size())) return true;
    TvxShellItemInfo* item = items[row].get();
    Item->SetCaption(item->Name());
    const Integer icon = item->IconIndex();
    Item->SetImageIndex(icon >= 0 ? icon : vxShellGetDefaultFileIcon());
    // The details are read by the fetch worker: a row shown before them asks for them
    // first in line and is redrawn when they arrive, rather than reading them here.
    if (!item->Updated()) {
      wanted = true;
    } else if (FListViewStyle == lvsReport) {
      if (item->Details().empty()) item->FetchDetails(Handle(), FItemProducer->ShellFolder(), FItemProducer->Details());
      for (const String& d : item->Details()) Item->SubItems()->Add(d);
    }
  }
  if (wanted) RequestPriority({row});
  return inherited::OwnerDataFetch(Item);
}

void TvxCustomInnerShellListView::GetDispInfo(NMLVDISPINFOW* Info) {
  LVITEMW& it = Info->item;
  // An owner-data list keeps no drop mark of its own: the row marked as drop target
  // says so when the control asks.
  if ((it.mask & LVIF_STATE) && (it.stateMask & LVIS_DROPHILITED)) {
    it.state &= ~static_cast<UINT>(LVIS_DROPHILITED);
    if (it.iItem >= 0 && it.iItem == FDropTargetItemIndex) it.state |= LVIS_DROPHILITED;
  }
  if (it.iItem < 0 || it.iItem >= FolderCount() || it.iItem >= Items()->Count()) return;
  TListItem* row = Items()->Item(it.iItem);
  if ((it.mask & LVIF_TEXT) && it.pszText && it.cchTextMax > 0) {
    String text;
    if (it.iSubItem == 0)
      text = row->Caption();
    else if (it.iSubItem - 1 < row->SubItems()->Count())
      text = row->SubItems()->Strings(it.iSubItem - 1);
    lstrcpynW(it.pszText, text.c_str(), it.cchTextMax);
  }
  if ((it.mask & LVIF_IMAGE) && it.iSubItem == 0) {
    it.iImage = row->ImageIndex();
    TvxProducerReadLock lock(FItemProducer.get());
    auto& items = FItemProducer->Items();
    if (it.iItem < static_cast<Integer>(items.size()) && items[it.iItem]->Updated()) {
      TvxShellItemInfo* item = items[it.iItem].get();
      const Integer overlay = vxShellGetOverlayIndex(item);
      it.mask |= LVIF_STATE;
      it.stateMask |= LVIS_OVERLAYMASK | LVIS_CUT;
      it.state = (it.state & ~(LVIS_OVERLAYMASK | LVIS_CUT)) | INDEXTOOVERLAYMASK(overlay + 1) |
                 (item->IsGhosted() ? LVIS_CUT : 0);
    }
  }
}

Integer TvxCustomInnerShellListView::FindRow(const String& Text, Integer Start, bool Partial, bool Wrap) {
  TvxProducerReadLock lock(FItemProducer.get());
  auto& items = FItemProducer->Items();
  const Integer count = static_cast<Integer>(items.size());
  if (count == 0 || Text.empty()) return -1;
  Start = std::clamp(Start, 0, count - 1);
  auto matches = [&](Integer i) {
    String name = items[i]->Name();
    if (Partial) name = name.substr(0, Text.size());
    return CompareText(name, Text) == 0;
  };
  for (Integer i = Start; i < count; ++i)
    if (matches(i)) return i;
  if (Wrap)
    for (Integer i = 0; i < Start; ++i)
      if (matches(i)) return i;
  return -1;
}

bool TvxCustomInnerShellListView::CanEditRow(Integer Index) {
  if (Index < 0) return true;
  TvxProducerReadLock lock(FItemProducer.get());
  auto& items = FItemProducer->Items();
  return Index < static_cast<Integer>(items.size()) && items[Index]->CanRename();
}

void TvxCustomInnerShellListView::RenameRow(Integer Index, const String& NewName) {
  if (!FItemProducer->ShellFolder()) return;
  TvxShellItemInfo* item = nullptr;
  {
    TvxProducerReadLock lock(FItemProducer.get());
    if (Index < 0 || Index >= static_cast<Integer>(FItemProducer->Items().size())) return;
    item = FItemProducer->Items()[Index].get();
  }
  // The folder's own change notification would rebuild the rows while the name changes.
  TValueScope<bool> lockNotifications(FNotificationLock, true);
  // A refused rename keeps the row's item, which shows the old name again.
  if (vxShellRenameItem(FItemProducer.get(), item, Handle(), NewName) == S_OK) {
    // The new name may sort elsewhere: the folder is read again.
    UpdateContent();
    return;
  }
  SendMessageW(Handle(), LVM_REDRAWITEMS, Index, Index);
}

void TvxCustomInnerShellListView::CNNotify(TWMNotify& Message) {
  if (ComponentState().Contains(csDestroying)) return;
  NMHDR* hdr = Message.NMHdr();
  switch (hdr->code) {
    case LVN_GETDISPINFOW:
      GetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(hdr));
      Message.Result = 0;
      return;
    case LVN_ODFINDITEMW: {
      auto* f = reinterpret_cast<NMLVFINDITEMW*>(hdr);
      LVFINDINFOW& fi = f->lvfi;
      if (fi.flags & LVFI_SUBSTRING_FLAG) fi.flags |= LVFI_PARTIAL;
      if (!(fi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !fi.psz) {
        Message.Result = -1;
        return;
      }
      Message.Result = FindRow(fi.psz, f->iStart, (fi.flags & LVFI_PARTIAL) != 0, (fi.flags & LVFI_WRAP) != 0);
      return;
    }
    case LVN_GETINFOTIPW: {
      auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(hdr);
      FItemProducer->DoGetInfoTip(Handle(), tip->iItem, tip->pszText, tip->cchTextMax);
      Message.Result = 0;
      return;
    }
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
      if (FDragDropSettings->AllowDragObjects() && SelCount() > 0) {
        StartShellDrag();
        Message.Result = 0;
        return;
      }
      break;
    case LVN_BEGINLABELEDITW: {
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      Message.Result = CanEditRow(di->item.iItem) ? FALSE : TRUE;
      return;
    }
    case LVN_ENDLABELEDITW: {
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      if (di->item.pszText) RenameRow(di->item.iItem, di->item.pszText);
      Message.Result = FALSE;  // the row's text comes from its item
      return;
    }
    default:
      break;
  }
  InheritedMessage(Message.M);
}

// --- navigation --------------------------------------------------------------------------------

void TvxCustomInnerShellListView::Navigate(PItemIDList APIDL) {
  if (!APIDL || (FItemProducer->FolderPidl() && vxShellPidlEqual(APIDL, FItemProducer->FolderPidl()))) return;
  TvxPidl target = vxShellPidlCopy(APIDL);
  {
    TUpdateScope<TListItems> update(Items());
    if (BeforeNavigation) {
      String name;
      STRRET sr{};
      if (SUCCEEDED(vxShellDesktop()->GetDisplayNameOf(target.get(), SHGDN_FORPARSING, &sr)))
        name = vxShellStrRetToString(sr, target.get());
      BeforeNavigation(this, target.get(), name);
    }
    FRoot->SetPidl(target.get());
    SyncTreeView();
    if (AfterNavigation) AfterNavigation(this, FRoot->Pidl(), FRoot->CurrentPath());
  }
}

void TvxCustomInnerShellListView::SyncTreeView() {
  if (TreeDrivenNavigation || !FTreeViewControl || !FRoot->Pidl()) return;
  if (!FTreeViewControl->Parent()) return;
  TvxPidl p = vxShellPidlCopy(FRoot->Pidl());
  SendMessageW(FTreeViewControl->Handle(), WM_VXSHELL_NAVIGATE, reinterpret_cast<WPARAM>(p.get()), 0);
}

void TvxCustomInnerShellListView::ProcessTreeViewNavigate(PItemIDList APIDL) {
  if (!APIDL) return;
  TValueScope<bool> treeDriven(TreeDrivenNavigation, true);
  SHFILEINFOW info{};
  info.dwAttributes = SFGAO_FOLDER;
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(APIDL), 0, &info, sizeof info,
                      SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) ||
      !(info.dwAttributes & SFGAO_FOLDER))
    return;
  if (FRoot->Pidl() && vxShellPidlEqual(APIDL, FRoot->Pidl())) return;
  FRoot->SetPidl(APIDL);
}

void TvxCustomInnerShellListView::SetTreeView(TvxCustomInnerShellTreeView* ATreeView) {
  if (FTreeViewControl == ATreeView) return;
  TvxCustomInnerShellTreeView* old = FTreeViewControl;
  FTreeViewControl = nullptr;
  if (old && old->ListView() == this) old->SetListView(nullptr);
  FTreeViewControl = ATreeView;
  if (ATreeView && ATreeView->ListView() != this) ATreeView->SetListView(this);
}

void TvxCustomInnerShellListView::BrowseParent() {
  if (!FItemProducer->FolderPidl()) return;
  TvxPidl parent = vxShellPidlParent(FItemProducer->FolderPidl());
  if (parent) Navigate(parent.get());
}

void TvxCustomInnerShellListView::ExecuteItem(Integer AItem) {
  TvxPidl pidl = GetItemAbsolutePIDL(AItem);
  if (!pidl) return;
  bool handled = false;
  if (OnExecuteItem) OnExecuteItem(this, pidl.get(), handled);
  if (handled) return;
  SHELLEXECUTEINFOW sei{};
  sei.cbSize = sizeof sei;  // the structure's size on this build: 60 is only the 32-bit one
  sei.fMask = SEE_MASK_INVOKEIDLIST;
  sei.hwnd = Handle();
  sei.lpIDList = pidl.get();
  sei.nShow = SW_SHOW;
  ShellExecuteExW(&sei);
}

void TvxCustomInnerShellListView::DblClick() {
  inherited::DblClick();
  if (!FOptions->AutoNavigate() || !HandleAllocated()) return;
  Integer index = ListView_GetNextItem(Handle(), -1, LVNI_SELECTED);
  if (index < 0) return;
  TvxPidl target;
  bool folder = false;
  {
    TvxProducerReadLock lock(FItemProducer.get());
    auto& items = FItemProducer->Items();
    if (index >= static_cast<Integer>(items.size()) || !FItemProducer->FolderPidl()) return;
    TvxShellItemInfo* item = items[index].get();
    item->CheckUpdate(FItemProducer->ShellFolder(), FItemProducer->FolderPidl(), true);
    folder = item->Folder() && item->Folder()->IsFolder();
    if (folder) target = vxShellPidlConcat(FItemProducer->FolderPidl(), item->pidl());
  }
  if (folder)
    Navigate(target.get());
  else if (FOptions->AutoExecute())
    ExecuteItem(index);
}

void TvxCustomInnerShellListView::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (HandleAllocated() && SendMessageW(Handle(), LVM_GETEDITCONTROL, 0, 0)) return;
  switch (Key) {
    case VK_BACK:
      if (FOptions->AutoNavigate()) BrowseParent();
      break;
    case VK_RETURN:
      DblClick();
      break;
    case VK_F5:
      UpdateContent();
      break;
    default:
      break;
  }
}

void TvxCustomInnerShellListView::UpdateContent() {
  TvxPidl kept;
  if (!MultiSelect() && HandleAllocated()) {
    Integer index = ListView_GetNextItem(Handle(), -1, LVNI_SELECTED);
    TvxProducerReadLock lock(FItemProducer.get());
    if (index >= 0 && index < static_cast<Integer>(FItemProducer->Items().size()))
      kept = vxShellPidlCopy(FItemProducer->Items()[index]->pidl());
  }
  RefreshContent();
  if (kept) {
    Integer index = FItemProducer->GetItemIndexByPidl(kept.get());
    if (index >= 0 && HandleAllocated())
      ListView_SetItemState(Handle(), index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void TvxCustomInnerShellListView::ProcessShellChange(Cardinal AEventID, PItemIDList APIDL1, PItemIDList APIDL2) {
  if (FNotificationLock) return;
  {
    TValueScope<bool> lock(FNotificationLock, true);
    RefreshContent();
  }
  if (OnShellChange) OnShellChange(this, AEventID, APIDL1, APIDL2);
}

void TvxCustomInnerShellListView::DoContextPopup(POINT MousePos, bool& Handled) {
  if (!FOptions->ContextMenus() || SelCount() == 0 || !FItemProducer->ShellFolder()) {
    inherited::DoContextPopup(MousePos, Handled);
    return;
  }
  Handled = true;
  std::vector<TvxPidl> copies = SelectedPidls();
  std::vector<PItemIDList> raw;
  for (auto& c : copies) raw.push_back(c.get());
  POINT screen = MousePos;
  if (screen.x == -1 && screen.y == -1)
    GetCursorPos(&screen);
  else
    ::ClientToScreen(Handle(), &screen);
  vxShellShowContextMenu(Handle(), FItemProducer->ShellFolder(), raw, screen);
}

// --- messages --------------------------------------------------------------------------------

void TvxCustomInnerShellListView::WMItemsCount(TMessage& Message) {
  if (!HandleAllocated()) return;
  Items()->SetCount(static_cast<Integer>(Message.WParam));
  ListView_SetItemState(Handle(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
}

void TvxCustomInnerShellListView::WMUpdateItem(TMessage& Message) {
  if (HandleAllocated()) SendMessageW(Handle(), LVM_REDRAWITEMS, Message.WParam, Message.WParam);
}

void TvxCustomInnerShellListView::WMOptionsChanged(TMessage&) {
  if (!ComponentState().Contains(csLoading)) RefreshContent();
}

void TvxCustomInnerShellListView::WMAfterDrop(TMessage&) { RefreshContent(); }

void TvxCustomInnerShellListView::WMChangePidls(TMessage& Message) {
  auto* pidls = reinterpret_cast<PItemIDList*>(Message.WParam);
  ProcessShellChange(static_cast<Cardinal>(Message.LParam), pidls ? pidls[0] : nullptr, pidls ? pidls[1] : nullptr);
}

void TvxCustomInnerShellListView::WMRootChanged(TMessage& Message) { FRoot->TakeLinkedRoot(this, Message.WParam); }

bool TvxCustomInnerShellListView::ConcernsFolderShown(PItemIDList P) {
  PItemIDList folder = FItemProducer->FolderPidl();
  if (!P || !folder) return false;
  if (vxShellPidlEqual(P, folder)) return true;
  TvxPidl parent = vxShellPidlParent(P);
  return parent && vxShellPidlEqual(parent.get(), folder);
}

void TvxCustomInnerShellListView::WMShellNotify(TMessage& Message) {
  LONG event = 0;
  TvxPidl p1, p2;
  if (!vxShellLockChangeNotification(Message.WParam, Message.LParam, event, p1, p2)) return;
  // Only the folder shown and its own items change the rows.
  if (!ConcernsFolderShown(p1.get()) && !ConcernsFolderShown(p2.get())) return;
  ProcessShellChange(static_cast<Cardinal>(event), p1.get(), p2.get());
}

// --- drag and drop ---------------------------------------------------------------------------

std::vector<TvxPidl> TvxCustomInnerShellListView::SelectedPidls() {
  std::vector<TvxPidl> copies;
  if (!HandleAllocated()) return copies;
  TvxProducerReadLock lock(FItemProducer.get());
  auto& items = FItemProducer->Items();
  for (Integer i = ListView_GetNextItem(Handle(), -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(Handle(), i, LVNI_SELECTED))
    if (i < static_cast<Integer>(items.size())) copies.push_back(vxShellPidlCopy(items[i]->pidl()));
  return copies;
}

void TvxCustomInnerShellListView::StartShellDrag() {
  IShellFolder* folder = FItemProducer->ShellFolder();
  if (!folder) return;
  // The rows are copied first and the drag runs without the list's lock: a drop on the
  // list itself, or a shell change during the drag, reads the folder again meanwhile.
  std::vector<TvxPidl> copies = SelectedPidls();
  std::vector<PItemIDList> raw;
  for (auto& c : copies) raw.push_back(c.get());
  folder->AddRef();
  TvxComRelease folderRef(folder);
  vxShellDragItems(Handle(), folder, raw, FDragDropSettings->DropEffectAPI());
}

void TvxCustomInnerShellListView::TDropTarget::UnmarkTarget() {
  const Integer row = FList->FDropTargetItemIndex;
  FList->FDropTargetItemIndex = -1;
  if (row >= 0 && FList->HandleAllocated()) ListView_RedrawItems(FList->Handle(), row, row);
}

bool TvxCustomInnerShellListView::UpdateDropTarget(POINTL ScreenPos) {
  if (!HandleAllocated()) return false;
  POINT p = ScreenToClient(POINT{ScreenPos.x, ScreenPos.y});
  LVHITTESTINFO hit{};
  hit.pt = p;
  Integer row = ListView_HitTest(Handle(), &hit);
  if (row >= 0 && !(hit.flags & LVHT_ONITEM)) row = -1;
  IShellFolder* folder = FItemProducer->ShellFolder();
  IDropTarget* target = nullptr;
  void** out = reinterpret_cast<void**>(&target);
  if (row < 0) {
    // Empty space: the folder shown takes the drop.
    if (FDropTargetItemIndex < 0 && FDropTarget.CurrentTarget()) return false;
    FDropTarget.LeaveTarget(true);
    if (!folder || FAILED(folder->CreateViewObject(Handle(), IID_IDropTarget, out)) || !target) return false;
    FDropTarget.SetCurrentTarget(target);
    return true;
  }
  if (row == FDropTargetItemIndex && FDropTarget.CurrentTarget()) return false;
  FDropTarget.LeaveTarget(true);
  if (!folder) return false;
  {
    TvxProducerReadLock lock(FItemProducer.get());
    auto& items = FItemProducer->Items();
    if (row >= static_cast<Integer>(items.size())) return false;
    target = vxShellItemDropTarget(Handle(), folder, items[row].get());
    if (!target) return false;
  }
  FDropTarget.SetCurrentTarget(target);
  FDropTargetItemIndex = row;
  ListView_RedrawItems(Handle(), row, row);
  return true;
}
