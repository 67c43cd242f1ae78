#include "ComCtrls.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

// The classes form files may name, registered while the unit runs.
std::vector<TClass> ComCtrlsClasses() {
  return {TTreeView::StaticClass(), TListView::StaticClass(), TStatusBar::StaticClass(),
          TTabControl::StaticClass(), TPageControl::StaticClass(), TTabSheet::StaticClass()};
}

void InitComCtrls() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);
  for (TClass c : ComCtrlsClasses()) RegisterClass(c);
}

void DoneComCtrls() {
  for (TClass c : ComCtrlsClasses()) UnRegisterClass(c);
}

HTREEITEM NextItem(HWND H, HTREEITEM Item, UINT Code) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(H, TVM_GETNEXTITEM, Code, reinterpret_cast<LPARAM>(Item)));
}

void CopyText(const String& S, wchar_t* Buffer, int Size) {
  if (!Buffer || Size <= 0) return;
  size_t n = std::min(S.size(), static_cast<size_t>(Size - 1));
  std::copy(S.begin(), S.begin() + static_cast<std::ptrdiff_t>(n), Buffer);
  Buffer[n] = 0;
}

TCustomDrawState CustomDrawStateOf(UINT S) {
  TCustomDrawState r;
  if (S & CDIS_SELECTED) r.Include(cdsSelected);
  if (S & CDIS_GRAYED) r.Include(cdsGrayed);
  if (S & CDIS_DISABLED) r.Include(cdsDisabled);
  if (S & CDIS_CHECKED) r.Include(cdsChecked);
  if (S & CDIS_FOCUS) r.Include(cdsFocused);
  if (S & CDIS_DEFAULT) r.Include(cdsDefault);
  if (S & CDIS_HOT) r.Include(cdsHot);
  if (S & CDIS_MARKED) r.Include(cdsMarked);
  if (S & CDIS_INDETERMINATE) r.Include(cdsIndeterminate);
  return r;
}

}  // namespace

const TUnitInfo ComCtrlsUnit{L"ComCtrls", InitComCtrls, DoneComCtrls};

// =======================================================================================
// TTreeNode

TTreeNode::TTreeNode(TTreeNodes* AOwner) : FOwner(AOwner) {}

// Freeing a node removes its item (and with it the children) from the control.
TTreeNode::~TTreeNode() {
  if (FItemId && !FDeleting && FOwner->FOwner->HandleAllocated()) {
    FDeleting = true;
    SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(FItemId));
  }
}

TCustomTreeView* TTreeNode::TreeView() const { return FOwner->Owner(); }
HWND TTreeNode::Handle() const { return FOwner->Handle(); }

void TTreeNode::SetText(const String& Value) {
  FText = Value;
  if (!FItemId) return;
  TVITEMW it{};
  it.mask = TVIF_TEXT;
  it.hItem = FItemId;
  it.pszText = FText.data();
  SendMessageW(Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

namespace {
void RefreshImages(const TTreeNode* N) {
  if (!N->ItemId()) return;
  TVITEMW it{};
  it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  it.hItem = N->ItemId();
  it.iImage = I_IMAGECALLBACK;
  it.iSelectedImage = I_IMAGECALLBACK;
  SendMessageW(N->Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}
void SetState(const TTreeNode* N, UINT Mask, UINT State) {
  if (!N->ItemId()) return;
  TVITEMW it{};
  it.mask = TVIF_STATE;
  it.hItem = N->ItemId();
  it.stateMask = Mask;
  it.state = State;
  SendMessageW(N->Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}
UINT GetState(const TTreeNode* N, UINT Mask) {
  if (!N->ItemId()) return 0;
  return static_cast<UINT>(SendMessageW(N->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(N->ItemId()), Mask));
}
}  // namespace

void TTreeNode::SetImageIndex(Integer Value) {
  FImageIndex = Value;
  RefreshImages(this);
}
void TTreeNode::SetSelectedIndex(Integer Value) {
  FSelectedIndex = Value;
  RefreshImages(this);
}
void TTreeNode::SetStateIndex(Integer Value) {
  FStateIndex = Value;
  SetState(this, TVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(Value < 0 ? 0 : Value));
}
void TTreeNode::SetOverlayIndex(Integer Value) {
  FOverlayIndex = Value;
  SetState(this, TVIS_OVERLAYMASK, INDEXTOOVERLAYMASK(Value < 0 ? 0 : Value + 1));
}

bool TTreeNode::HasChildren() const {
  if (!FItemId) return FHasChildren;
  TVITEMW it{};
  it.mask = TVIF_CHILDREN;
  it.hItem = FItemId;
  SendMessageW(Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
  return it.cChildren > 0 || getFirstChild() != nullptr;
}

void TTreeNode::SetHasChildren(bool Value) {
  FHasChildren = Value;
  if (!FItemId) return;
  TVITEMW it{};
  it.mask = TVIF_CHILDREN;
  it.hItem = FItemId;
  it.cChildren = Value ? 1 : 0;
  SendMessageW(Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

bool TTreeNode::Expanded() const { return (GetState(this, TVIS_EXPANDED) & TVIS_EXPANDED) != 0; }
void TTreeNode::SetExpanded(bool Value) {
  if (Value) Expand(false);
  else Collapse(false);
}
bool TTreeNode::Selected() const { return (GetState(this, TVIS_SELECTED) & TVIS_SELECTED) != 0; }
void TTreeNode::SetSelected(bool Value) {
  if (Value) TreeView()->SetSelected(this);
  else if (Selected()) TreeView()->SetSelected(nullptr);
}
bool TTreeNode::Focused() const { return TreeView()->Selected() == this; }
void TTreeNode::SetFocused(bool Value) { SetSelected(Value); }
bool TTreeNode::DropTarget() const { return (GetState(this, TVIS_DROPHILITED) & TVIS_DROPHILITED) != 0; }
void TTreeNode::SetDropTarget(bool Value) {
  SendMessageW(Handle(), TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(Value ? FItemId : nullptr));
}
bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = Parent(); p; p = p->Parent())
    if (!p->Expanded()) return false;
  return true;
}

TTreeNode* TTreeNode::Parent() const { return FItemId ? FOwner->GetNode(NextItem(Handle(), FItemId, TVGN_PARENT)) : nullptr; }
TTreeNode* TTreeNode::getFirstChild() const { return FItemId ? FOwner->GetNode(NextItem(Handle(), FItemId, TVGN_CHILD)) : nullptr; }
TTreeNode* TTreeNode::GetLastChild() const {
  TTreeNode* c = getFirstChild();
  while (c) {
    TTreeNode* n = c->getNextSibling();
    if (!n) break;
    c = n;
  }
  return c;
}
TTreeNode* TTreeNode::getNextSibling() const { return FItemId ? FOwner->GetNode(NextItem(Handle(), FItemId, TVGN_NEXT)) : nullptr; }
TTreeNode* TTreeNode::getPrevSibling() const { return FItemId ? FOwner->GetNode(NextItem(Handle(), FItemId, TVGN_PREVIOUS)) : nullptr; }
TTreeNode* TTreeNode::GetNextVisible() const { return FItemId ? FOwner->GetNode(NextItem(Handle(), FItemId, TVGN_NEXTVISIBLE)) : nullptr; }

TTreeNode* TTreeNode::GetNext() const {
  if (TTreeNode* c = getFirstChild()) return c;
  for (const TTreeNode* n = this; n; n = n->Parent())
    if (TTreeNode* s = n->getNextSibling()) return s;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  TTreeNode* p = getPrevSibling();
  if (!p) return Parent();
  while (TTreeNode* last = p->GetLastChild()) p = last;
  return p;
}

Integer TTreeNode::Count() const {
  Integer n = 0;
  for (TTreeNode* c = getFirstChild(); c; c = c->getNextSibling()) ++n;
  return n;
}

TTreeNode* TTreeNode::Item(Integer Index) const {
  TTreeNode* c = getFirstChild();
  for (Integer i = 0; c && i < Index; ++i) c = c->getNextSibling();
  if (!c || Index < 0) throw ETreeViewError(L"List index out of bounds (%d)", {Index});
  return c;
}

Integer TTreeNode::Index() const {
  Integer n = 0;
  for (TTreeNode* s = getPrevSibling(); s; s = s->getPrevSibling()) ++n;
  return n;
}

Integer TTreeNode::Level() const {
  Integer n = 0;
  for (TTreeNode* p = Parent(); p; p = p->Parent()) ++n;
  return n;
}

Integer TTreeNode::AbsoluteIndex() const {
  Integer n = 0;
  for (TTreeNode* x = FOwner->GetFirstNode(); x && x != this; x = x->GetNext()) ++n;
  return n;
}

bool TTreeNode::HasAsParent(TTreeNode* Value) const {
  for (TTreeNode* p = Parent(); p; p = p->Parent())
    if (p == Value) return true;
  return false;
}

// The control does not announce expansions it is told to make: the events come from here.
void TTreeNode::Expand(bool Recurse) {
  if (!FItemId) return;
  if (!Expanded() && TreeView()->CanExpand(this)) {
    SendMessageW(Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FItemId));
    if (Expanded()) TreeView()->Expand(this);
  }
  if (Recurse)
    for (TTreeNode* c = getFirstChild(); c; c = c->getNextSibling()) c->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  if (!FItemId) return;
  if (Recurse)
    for (TTreeNode* c = getFirstChild(); c; c = c->getNextSibling()) c->Collapse(true);
  if (Expanded() && TreeView()->CanCollapse(this)) {
    SendMessageW(Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItemId));
    TreeView()->Collapse(this);
  }
}

void TTreeNode::Delete() { delete this; }

void TTreeNode::DeleteChildren() {
  while (TTreeNode* c = getFirstChild()) delete c;
}

RECT TTreeNode::DisplayRect(bool TextOnly) const {
  RECT r{};
  if (!FItemId) return r;
  // The item goes in where the rectangle comes back.
  std::memcpy(&r, &FItemId, sizeof FItemId);
  if (!SendMessageW(Handle(), TVM_GETITEMRECT, TextOnly, reinterpret_cast<LPARAM>(&r))) return RECT{};
  return r;
}

void TTreeNode::MakeVisible() {
  if (FItemId) SendMessageW(Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(FItemId));
}

bool TTreeNode::EditText() {
  return FItemId && SendMessageW(Handle(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(FItemId)) != 0;
}

void TTreeNode::EndEdit(bool Cancel) { SendMessageW(Handle(), TVM_ENDEDITLABELNOW, Cancel, 0); }

bool TTreeNode::AlphaSort(bool ARecurse) {
  return FItemId && SendMessageW(Handle(), TVM_SORTCHILDREN, ARecurse, reinterpret_cast<LPARAM>(FItemId)) != 0;
}

// Moves the node with its subtree: the items are made again at the new place and the
// node objects (with their data) carry over.
void TTreeNode::MoveTo(TTreeNode* Destination, TNodeAttachMode Mode) {
  if (Destination == this || (Destination && Destination->HasAsParent(this))) return;
  TCustomTreeView* tv = TreeView();
  std::vector<std::pair<TTreeNode*, TTreeNode*>> subtree;  // node, parent within the move
  std::function<void(TTreeNode*, TTreeNode*)> collect = [&](TTreeNode* n, TTreeNode* p) {
    subtree.emplace_back(n, p);
    for (TTreeNode* c = n->getFirstChild(); c; c = c->getNextSibling()) collect(c, n);
  };
  collect(this, nullptr);
  for (auto& e : subtree) e.first->FHasChildren = e.first->HasChildren() && !e.first->getFirstChild();
  HTREEITEM old = FItemId;
  tv->FRecreating = true;
  SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(old));
  tv->FRecreating = false;
  for (auto& e : subtree) e.first->FItemId = nullptr;
  HTREEITEM parent = TVI_ROOT, after = TVI_LAST;
  if (Destination) {
    switch (Mode) {
      case naAdd: parent = NextItem(Handle(), Destination->FItemId, TVGN_PARENT); break;
      case naAddFirst: parent = NextItem(Handle(), Destination->FItemId, TVGN_PARENT); after = TVI_FIRST; break;
      case naAddChild: parent = Destination->FItemId; break;
      case naAddChildFirst: parent = Destination->FItemId; after = TVI_FIRST; break;
      case naInsert: {
        parent = NextItem(Handle(), Destination->FItemId, TVGN_PARENT);
        HTREEITEM prev = NextItem(Handle(), Destination->FItemId, TVGN_PREVIOUS);
        after = prev ? prev : TVI_FIRST;
        break;
      }
    }
    if (!parent) parent = TVI_ROOT;
  }
  FOwner->InsertItem(this, parent, after);
  for (size_t i = 1; i < subtree.size(); ++i)
    FOwner->InsertItem(subtree[i].first, subtree[i].second->FItemId, TVI_LAST);
}

// =======================================================================================
// TTreeNodes

TTreeNodes::TTreeNodes(TCustomTreeView* AOwner) : FOwner(AOwner) {}
TTreeNodes::~TTreeNodes() = default;

HWND TTreeNodes::Handle() const { return FOwner->Handle(); }

Integer TTreeNodes::Count() const {
  if (!FOwner->HandleAllocated()) return static_cast<Integer>(FOwner->FSaved.size());
  return static_cast<Integer>(SendMessageW(Handle(), TVM_GETCOUNT, 0, 0));
}

TTreeNode* TTreeNodes::GetFirstNode() const { return GetNode(NextItem(Handle(), nullptr, TVGN_ROOT)); }

TTreeNode* TTreeNodes::Item(Integer Index) const {
  TTreeNode* n = Index >= 0 ? GetFirstNode() : nullptr;
  for (Integer i = 0; n && i < Index; ++i) n = n->GetNext();
  if (!n) throw ETreeViewError(L"List index out of bounds (%d)", {Index});
  return n;
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM ItemId) const {
  if (!ItemId) return nullptr;
  TVITEMW it{};
  it.mask = TVIF_PARAM;
  it.hItem = ItemId;
  if (!SendMessageW(FOwner->FHandle, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
  return reinterpret_cast<TTreeNode*>(it.lParam);
}

void TTreeNodes::InsertItem(TTreeNode* Node, HTREEITEM Parent, HTREEITEM After) {
  TVINSERTSTRUCTW is{};
  is.hParent = Parent;
  is.hInsertAfter = After;
  is.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  is.item.pszText = Node->FText.data();
  is.item.iImage = I_IMAGECALLBACK;
  is.item.iSelectedImage = I_IMAGECALLBACK;
  is.item.lParam = reinterpret_cast<LPARAM>(Node);
  if (Node->FHasChildren) {
    is.item.mask |= TVIF_CHILDREN;
    is.item.cChildren = 1;
  }
  if (Node->FStateIndex >= 0 || Node->FOverlayIndex >= 0) {
    is.item.mask |= TVIF_STATE;
    is.item.stateMask = TVIS_STATEIMAGEMASK | TVIS_OVERLAYMASK;
    is.item.state = INDEXTOSTATEIMAGEMASK(std::max(Node->FStateIndex, 0)) |
                    INDEXTOOVERLAYMASK(Node->FOverlayIndex < 0 ? 0 : Node->FOverlayIndex + 1);
  }
  HTREEITEM h = reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
  if (!h) throw ETreeViewError(L"Failed to insert a tree node");
  Node->FItemId = h;
}

TTreeNode* TTreeNodes::InternalAdd(HTREEITEM Parent, HTREEITEM After, const String& S, void* Ptr) {
  auto node = std::make_unique<TTreeNode>(this);
  node->FText = S;
  node->FData = Ptr;
  InsertItem(node.get(), Parent ? Parent : TVI_ROOT, After);
  TTreeNode* n = node.release();
  if (FOwner->OnAddition) FOwner->OnAddition(FOwner, n);
  return n;
}

namespace {
HTREEITEM ParentOf(HWND H, TTreeNode* Sibling) {
  return Sibling ? NextItem(H, Sibling->ItemId(), TVGN_PARENT) : nullptr;
}
}  // namespace

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const String& S, void* Ptr) {
  return InternalAdd(ParentOf(Handle(), Sibling), TVI_LAST, S, Ptr);
}
TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* Sibling, const String& S, void* Ptr) {
  return InternalAdd(ParentOf(Handle(), Sibling), TVI_FIRST, S, Ptr);
}
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const String& S, void* Ptr) {
  return InternalAdd(Parent ? Parent->FItemId : nullptr, TVI_LAST, S, Ptr);
}
TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* Parent, const String& S, void* Ptr) {
  return InternalAdd(Parent ? Parent->FItemId : nullptr, TVI_FIRST, S, Ptr);
}
TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const String& S, void* Ptr) {
  if (!Sibling) return AddObject(nullptr, S, Ptr);
  HTREEITEM prev = NextItem(Handle(), Sibling->FItemId, TVGN_PREVIOUS);
  return InternalAdd(ParentOf(Handle(), Sibling), prev ? prev : TVI_FIRST, S, Ptr);
}

void TTreeNodes::Delete(TTreeNode* Node) { delete Node; }

void TTreeNodes::Clear() {
  if (!FOwner->HandleAllocated()) {
    for (auto& s : FOwner->FSaved) {
      s.Node->FItemId = nullptr;
      FOwner->Delete(s.Node);
      delete s.Node;
    }
    FOwner->FSaved.clear();
    return;
  }
  SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void TTreeNodes::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeNodes::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FOwner->HandleAllocated()) {
    SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    FOwner->Invalidate();
  }
}

void TTreeNodes::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TTreeNodes*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  if (src == this) return;
  BeginUpdate();
  Clear();
  std::function<void(TTreeNode*, TTreeNode*)> copy = [&](TTreeNode* from, TTreeNode* parent) {
    TTreeNode* n = AddChildObject(parent, from->Text(), from->Data());
    n->SetImageIndex(from->ImageIndex());
    n->SetSelectedIndex(from->SelectedIndex());
    n->SetStateIndex(from->StateIndex());
    if (from->HasChildren() && !from->getFirstChild()) n->SetHasChildren(true);
    for (TTreeNode* c = from->getFirstChild(); c; c = c->getNextSibling()) copy(c, n);
  };
  for (TTreeNode* r = src->GetFirstNode(); r; r = r->getNextSibling()) copy(r, nullptr);
  EndUpdate();
}

// =======================================================================================
// TCustomTreeView

void TTreeView::DeclarePublished(TPublisher<TTreeView>& P) {
  using C = TTreeView;
  P.Property(L"Color", &C::Color, &C::SetColor).Default(clWindow);
  P.Property(L"ParentColor", &C::ParentColor, &C::SetParentColor).Default(false);
  P.Property(L"AutoExpand", &C::AutoExpand, &C::SetAutoExpand).Default(false);
  P.Property(L"BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(bsSingle);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"HotTrack", &C::HotTrack, &C::SetHotTrack).Default(false);
  P.Property(L"Images", &C::Images, &C::SetImages);
  P.Property(L"ReadOnly", &C::ReadOnly, &C::SetReadOnly).Default(false);
  P.Property(L"RightClickSelect", &C::RightClickSelect, &C::SetRightClickSelect).Default(false);
  P.Property(L"RowSelect", &C::RowSelect, &C::SetRowSelect).Default(false);
  P.Property(L"ShowButtons", &C::ShowButtons, &C::SetShowButtons).Default(true);
  P.Property(L"ShowLines", &C::ShowLines, &C::SetShowLines).Default(true);
  P.Property(L"ShowRoot", &C::ShowRoot, &C::SetShowRoot).Default(true);
  P.Property(L"StateImages", &C::StateImages, &C::SetStateImages);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  P.Property(L"OnChange", &C::OnChange);
  P.Property(L"OnChanging", &C::OnChanging);
  P.Property(L"OnCollapsed", &C::OnCollapsed);
  P.Property(L"OnCollapsing", &C::OnCollapsing);
  P.Property(L"OnDeletion", &C::OnDeletion);
  P.Property(L"OnExpanded", &C::OnExpanded);
  P.Property(L"OnExpanding", &C::OnExpanding);
  P.Property(L"OnGetImageIndex", &C::OnGetImageIndex);
  P.Property(L"OnGetSelectedIndex", &C::OnGetSelectedIndex);
}

TCustomTreeView::TCustomTreeView(TComponent* AOwner)
    : TWinControl(AOwner), FTreeNodes(new TTreeNodes(this)), FCanvas(new TControlCanvas()) {
  FCanvas->SetControl(this);
  FControlStyle.Exclude(csCaptureMouse);  // the control tracks the mouse itself
  FControlStyle.Exclude(csClickEvents);
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
  FImageChangeLink.OnChange = [this](TObject* S) { ImageListChange(S); };
  FStateChangeLink.OnChange = [this](TObject* S) { ImageListChange(S); };
  SetBounds(0, 0, 121, 97);
}

TCustomTreeView::~TCustomTreeView() {
  if (HandleAllocated()) FTreeNodes->Clear();
  else FTreeNodes->Clear();  // the nodes kept without a window
  if (FImages) FImages->UnRegisterChanges(&FImageChangeLink);
  if (FStateImages) FStateImages->UnRegisterChanges(&FStateChangeLink);
  FCanvas->SetControl(nullptr);
  DestroyHandle();
}

void TCustomTreeView::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, WC_TREEVIEWW);
  if (FShowLines) Params.Style |= TVS_HASLINES;
  if (FShowButtons) Params.Style |= TVS_HASBUTTONS;
  if (FShowRoot) Params.Style |= TVS_LINESATROOT;
  if (!FHideSelection) Params.Style |= TVS_SHOWSELALWAYS;
  if (!FReadOnly) Params.Style |= TVS_EDITLABELS;
  if (FRowSelect) Params.Style |= TVS_FULLROWSELECT;
  if (FHotTrack) Params.Style |= TVS_TRACKSELECT;
  if (FAutoExpand) Params.Style |= TVS_SINGLEEXPAND;
  Params.Style |= TVS_DISABLEDRAGDROP;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomTreeView::CreateWnd() {
  inherited::CreateWnd();
  SendMessageW(FHandle, TVM_SETBKCOLOR, 0, ColorToRGB(Color()));
  SendMessageW(FHandle, TVM_SETTEXTCOLOR, 0, ColorToRGB(Font()->Color()));
  if (FIndent >= 0) SendMessageW(FHandle, TVM_SETINDENT, static_cast<WPARAM>(FIndent), 0);
  if (FImages) SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(FImages->Handle()));
  if (FStateImages) SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(FStateImages->Handle()));
  // Nodes kept while the window was made again go back in their order.
  std::vector<TSavedNode> saved;
  saved.swap(FSaved);
  for (auto& s : saved)
    FTreeNodes->InsertItem(s.Node, s.Parent ? s.Parent->FItemId : TVI_ROOT, TVI_LAST);
  for (auto& s : saved)
    if (s.Expanded) SendMessageW(FHandle, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(s.Node->FItemId));
  if (FSavedSelected) SendMessageW(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FSavedSelected->FItemId));
  FSavedSelected = nullptr;
  FRecreating = false;
}

void TCustomTreeView::DestroyWnd() {
  FSaved.clear();
  for (TTreeNode* n = FTreeNodes->GetFirstNode(); n; n = n->GetNext()) {
    n->FHasChildren = n->HasChildren() && !n->getFirstChild();
    FSaved.push_back({n, n->Parent(), n->Expanded()});
  }
  FSavedSelected = Selected();
  FRecreating = true;
  inherited::DestroyWnd();
  for (auto& s : FSaved) s.Node->FItemId = nullptr;
}

void TCustomTreeView::UpdateStyle(DWORD Flag, bool On) {
  if (!HandleAllocated()) return;
  LONG_PTR s = GetWindowLongPtrW(FHandle, GWL_STYLE);
  s = On ? (s | Flag) : (s & ~static_cast<LONG_PTR>(Flag));
  SetWindowLongPtrW(FHandle, GWL_STYLE, s);
  ::InvalidateRect(FHandle, nullptr, TRUE);
}

void TCustomTreeView::SetShowLines(bool Value) { FShowLines = Value; UpdateStyle(TVS_HASLINES, Value); }
void TCustomTreeView::SetShowButtons(bool Value) { FShowButtons = Value; UpdateStyle(TVS_HASBUTTONS, Value); }
void TCustomTreeView::SetShowRoot(bool Value) { FShowRoot = Value; UpdateStyle(TVS_LINESATROOT, Value); }
void TCustomTreeView::SetHideSelection(bool Value) { FHideSelection = Value; UpdateStyle(TVS_SHOWSELALWAYS, !Value); }
void TCustomTreeView::SetReadOnly(bool Value) { FReadOnly = Value; UpdateStyle(TVS_EDITLABELS, !Value); }
void TCustomTreeView::SetRowSelect(bool Value) { FRowSelect = Value; UpdateStyle(TVS_FULLROWSELECT, Value); }
void TCustomTreeView::SetHotTrack(bool Value) { FHotTrack = Value; UpdateStyle(TVS_TRACKSELECT, Value); }
void TCustomTreeView::SetAutoExpand(bool Value) { FAutoExpand = Value; UpdateStyle(TVS_SINGLEEXPAND, Value); }

void TCustomTreeView::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

Integer TCustomTreeView::Indent() {
  if (HandleAllocated()) return static_cast<Integer>(SendMessageW(FHandle, TVM_GETINDENT, 0, 0));
  return FIndent;
}

void TCustomTreeView::SetIndent(Integer Value) {
  FIndent = Value;
  if (HandleAllocated()) SendMessageW(FHandle, TVM_SETINDENT, static_cast<WPARAM>(Value), 0);
}

void TCustomTreeView::SetImages(TCustomImageList* Value) {
  if (!ReplaceImageList(FImages, Value, FImageChangeLink, this)) return;
  ImageListChange(Value);
}

void TCustomTreeView::SetStateImages(TCustomImageList* Value) {
  if (!ReplaceImageList(FStateImages, Value, FStateChangeLink, this)) return;
  ImageListChange(Value);
}

void TCustomTreeView::ImageListChange(TObject*) {
  if (!HandleAllocated()) return;
  SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(FImages ? FImages->Handle() : nullptr));
  SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(FStateImages ? FStateImages->Handle() : nullptr));
  Invalidate();
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) SetImages(nullptr);
  if (AComponent == FStateImages) SetStateImages(nullptr);
}

TTreeNode* TCustomTreeView::Selected() {
  if (!HandleAllocated()) return FSavedSelected;
  return FTreeNodes->GetNode(NextItem(FHandle, nullptr, TVGN_CARET));
}

void TCustomTreeView::SetSelected(TTreeNode* Value) {
  SendMessageW(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Value ? Value->FItemId : nullptr));
}

TTreeNode* TCustomTreeView::TopItem() { return FTreeNodes->GetNode(NextItem(Handle(), nullptr, TVGN_FIRSTVISIBLE)); }

void TCustomTreeView::SetTopItem(TTreeNode* Value) {
  if (Value) SendMessageW(Handle(), TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(Value->FItemId));
}

TTreeNode* TCustomTreeView::DropTarget() { return FTreeNodes->GetNode(NextItem(Handle(), nullptr, TVGN_DROPHILITE)); }

TTreeNode* TCustomTreeView::GetNodeAt(Integer X, Integer Y) {
  TVHITTESTINFO hi{};
  hi.pt = POINT{X, Y};
  HTREEITEM h = reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hi)));
  if (!h || !(hi.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON))) return nullptr;
  return FTreeNodes->GetNode(h);
}

THitTests TCustomTreeView::GetHitTestInfoAt(Integer X, Integer Y) {
  TVHITTESTINFO hi{};
  hi.pt = POINT{X, Y};
  SendMessageW(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hi));
  THitTests r;
  struct { UINT Flag; THitTest Test; } map[] = {
      {TVHT_ABOVE, htAbove}, {TVHT_BELOW, htBelow}, {TVHT_NOWHERE, htNowhere},
      {TVHT_ONITEMBUTTON, htOnButton}, {TVHT_ONITEMICON, htOnIcon}, {TVHT_ONITEMINDENT, htOnIndent},
      {TVHT_ONITEMLABEL, htOnLabel}, {TVHT_ONITEMRIGHT, htOnRight},
      {TVHT_ONITEMSTATEICON, htOnStateIcon}, {TVHT_TOLEFT, htToLeft}, {TVHT_TORIGHT, htToRight}};
  for (auto& m : map)
    if (hi.flags & m.Flag) r.Include(m.Test);
  if (hi.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)) r.Include(htOnItem);
  return r;
}

void TCustomTreeView::FullExpand() {
  for (TTreeNode* n = FTreeNodes->GetFirstNode(); n; n = n->getNextSibling()) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* n = FTreeNodes->GetFirstNode(); n; n = n->getNextSibling()) n->Collapse(true);
}

namespace {
int CALLBACK CompareNodes(LPARAM A, LPARAM B, LPARAM Tree) {
  auto* tv = reinterpret_cast<TCustomTreeView*>(Tree);
  auto* a = reinterpret_cast<TTreeNode*>(A);
  auto* b = reinterpret_cast<TTreeNode*>(B);
  Integer r = 0;
  if (tv->OnCompare) tv->OnCompare(tv, a, b, 0, r);
  else r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a->Text().c_str(), -1, b->Text().c_str(), -1) - CSTR_EQUAL;
  return r;
}
}  // namespace

bool TCustomTreeView::AlphaSort(bool ARecurse) {
  std::function<void(HTREEITEM)> sort = [&](HTREEITEM parent) {
    TVSORTCB cb{parent, CompareNodes, reinterpret_cast<LPARAM>(this)};
    SendMessageW(FHandle, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&cb));
    if (!ARecurse) return;
    for (HTREEITEM c = NextItem(FHandle, parent == TVI_ROOT ? nullptr : parent, parent == TVI_ROOT ? TVGN_ROOT : TVGN_CHILD);
         c; c = NextItem(FHandle, c, TVGN_NEXT))
      sort(c);
  };
  HandleNeeded();
  sort(TVI_ROOT);
  return true;
}

bool TCustomTreeView::IsEditing() {
  return HandleAllocated() && SendMessageW(FHandle, TVM_GETEDITCONTROL, 0, 0) != 0;
}

bool TCustomTreeView::CanChange(TTreeNode* Node) {
  bool allow = true;
  if (OnChanging) OnChanging(this, Node, allow);
  return allow;
}
void TCustomTreeView::Change(TTreeNode* Node) {
  if (OnChange) OnChange(this, Node);
}
bool TCustomTreeView::CanExpand(TTreeNode* Node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, Node, allow);
  return allow;
}
void TCustomTreeView::Expand(TTreeNode* Node) {
  if (OnExpanded) OnExpanded(this, Node);
}
bool TCustomTreeView::CanCollapse(TTreeNode* Node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, Node, allow);
  return allow;
}
void TCustomTreeView::Collapse(TTreeNode* Node) {
  if (OnCollapsed) OnCollapsed(this, Node);
}
void TCustomTreeView::Delete(TTreeNode* Node) {
  if (OnDeletion) OnDeletion(this, Node);
}
void TCustomTreeView::GetImageIndex(TTreeNode* Node) {
  if (OnGetImageIndex) OnGetImageIndex(this, Node);
}
void TCustomTreeView::GetSelectedIndex(TTreeNode* Node) {
  if (OnGetSelectedIndex) OnGetSelectedIndex(this, Node);
}

void TCustomTreeView::CNNotify(TWMNotify& Message) {
  NMHDR* hdr = Message.NMHdr();
  Message.Result = 0;
  switch (hdr->code) {
    case TVN_SELCHANGINGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      if (!FRecreating && !CanChange(node)) Message.Result = TRUE;
      break;
    }
    case TVN_SELCHANGEDW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      if (!FRecreating) Change(reinterpret_cast<TTreeNode*>(nm->itemNew.lParam));
      break;
    }
    case TVN_ITEMEXPANDINGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      if (!node) break;
      if (nm->action & TVE_EXPAND) {
        if (!CanExpand(node)) Message.Result = TRUE;
      } else if (nm->action & TVE_COLLAPSE) {
        if (!CanCollapse(node)) Message.Result = TRUE;
      }
      break;
    }
    case TVN_ITEMEXPANDEDW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      if (!node) break;
      if (nm->action & TVE_EXPAND) Expand(node);
      else if (nm->action & TVE_COLLAPSE) Collapse(node);
      break;
    }
    case TVN_DELETEITEMW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemOld.lParam);
      if (!node || FRecreating) break;
      node->FItemId = nullptr;
      TScopeExit free([node] {
        if (!node->FDeleting) delete node;
      });
      Delete(node);
      break;
    }
    case TVN_GETDISPINFOW: {
      auto* di = reinterpret_cast<NMTVDISPINFOW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(di->item.lParam);
      if (!node) break;
      if (di->item.mask & TVIF_IMAGE) {
        GetImageIndex(node);
        di->item.iImage = node->FImageIndex;
      }
      if (di->item.mask & TVIF_SELECTEDIMAGE) {
        GetSelectedIndex(node);
        di->item.iSelectedImage = node->FSelectedIndex;
      }
      break;
    }
    case TVN_BEGINLABELEDITW: {
      auto* di = reinterpret_cast<NMTVDISPINFOW*>(hdr);
      bool allow = !FReadOnly;
      if (allow && OnEditing) OnEditing(this, reinterpret_cast<TTreeNode*>(di->item.lParam), allow);
      Message.Result = allow ? FALSE : TRUE;
      break;
    }
    case TVN_ENDLABELEDITW: {
      auto* di = reinterpret_cast<NMTVDISPINFOW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(di->item.lParam);
      if (di->item.pszText && node) {
        String s = di->item.pszText;
        if (OnEdited) OnEdited(this, node, s);
        node->SetText(s);
      }
      Message.Result = FALSE;  // the text is set above
      break;
    }
    case NM_RCLICK:
      if (FRightClickSelect) {
        POINT p;
        GetCursorPos(&p);
        ::ScreenToClient(FHandle, &p);
        if (TTreeNode* n = GetNodeAt(p.x, p.y)) SetSelected(n);
      }
      // Let the control send WM_CONTEXTMENU.
      Message.Result = 0;
      break;
    case NM_CUSTOMDRAW: {
      auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(hdr);
      Message.Result = CDRF_DODEFAULT;
      if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
        if (OnCustomDraw) {
          bool def = true;
          FCanvas->SetHandle(cd->nmcd.hdc);
          FCanvas->SetFont(Font());
          FCanvas->Brush()->SetColor(Color());
          OnCustomDraw(this, cd->nmcd.rc, def);
          FCanvas->SetHandle(nullptr);
          if (!def) {
            Message.Result = CDRF_SKIPDEFAULT;
            break;
          }
        }
        if (OnCustomDrawItem) Message.Result = CDRF_NOTIFYITEMDRAW;
      } else if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && OnCustomDrawItem) {
        auto* node = reinterpret_cast<TTreeNode*>(cd->nmcd.lItemlParam);
        bool def = true;
        FCanvas->SetHandle(cd->nmcd.hdc);
        FCanvas->SetFont(Font());
        FCanvas->Brush()->SetColor(Color());
        TCustomDrawState st = CustomDrawStateOf(cd->nmcd.uItemState);
        if (st.Contains(cdsSelected)) {
          FCanvas->Brush()->SetColor(clHighlight);
          FCanvas->Font()->SetColor(clHighlightText);
        }
        if (node) OnCustomDrawItem(this, node, st, def);
        if (def) {
          cd->clrText = static_cast<COLORREF>(ColorToRGB(FCanvas->Font()->Color()));
          cd->clrTextBk = static_cast<COLORREF>(ColorToRGB(FCanvas->Brush()->Color()));
          SelectObject(cd->nmcd.hdc, FCanvas->Font()->Handle());
          Message.Result = CDRF_NEWFONT;
        } else {
          Message.Result = CDRF_SKIPDEFAULT;
        }
        FCanvas->SetHandle(nullptr);
      }
      break;
    }
    default:
      break;
  }
}

const TMessageMap* TCustomTreeView::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_NOTIFY, MessageHandler<&TCustomTreeView::CNNotify>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// =======================================================================================
// TListColumn, TListItem, TListItems

void TListColumn::DeclarePublished(TPublisher<TListColumn>& P) {
  using C = TListColumn;
  P.Property(L"Alignment", &C::Alignment, &C::SetAlignment).Default(taLeftJustify);
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
  P.Property(L"ImageIndex", &C::ImageIndex, &C::SetImageIndex).Default(-1);
  P.Property(L"Width", &C::Width, &C::SetWidth).Default(50);
}

void TListColumn::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TListColumn*>(Source);
  if (!other) return inherited::Assign(Source);
  FCaption = other->FCaption;
  FWidth = other->FWidth;
  FAlignment = other->FAlignment;
  FImageIndex = other->FImageIndex;
  Update();
}

TCustomListView* TListColumn::ListView() const {
  auto* columns = static_cast<TListColumns*>(Collection());
  return columns ? columns->Owner() : nullptr;
}

void TListColumn::Update() {
  TCustomListView* view = ListView();
  if (!view || !view->HandleAllocated()) return;
  LVCOLUMNW c{};
  c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  c.fmt = FAlignment == taRightJustify ? LVCFMT_RIGHT : FAlignment == taCenter ? LVCFMT_CENTER : LVCFMT_LEFT;
  c.cx = FWidth;
  c.pszText = FCaption.data();
  SendMessageW(view->FHandle, LVM_SETCOLUMNW, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&c));
}

void TListColumn::SetCaption(const String& Value) { FCaption = Value; Update(); }
void TListColumn::SetAlignment(TAlignment Value) { FAlignment = Value; Update(); }
void TListColumn::SetImageIndex(Integer Value) { FImageIndex = Value; }
void TListColumn::SetWidth(Integer Value) { FWidth = Value; Update(); }
Integer TListColumn::Width() {
  TCustomListView* view = ListView();
  if (view && view->HandleAllocated() && view->ViewStyle() == vsReport)
    FWidth = static_cast<Integer>(SendMessageW(view->FHandle, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(Index()), 0));
  return FWidth;
}

TListColumns::TListColumns(TCustomListView* AOwner)
    : TOwnedCollection(AOwner, TListColumn::StaticClass()), FListView(AOwner) {}

void TListColumns::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  if (!FListView->HandleAllocated()) return;
  if (Action == cnAdded) {
    FListView->InsertColumn(static_cast<TListColumn*>(Item));
  } else if (Action == cnExtracting) {
    SendMessageW(FListView->FHandle, LVM_DELETECOLUMN, static_cast<WPARAM>(Item->Index()), 0);
  }
}

TListItem::TListItem(TListItems* AOwner) : FOwner(AOwner), FSubItems(new TStringList()) {}
TListItem::~TListItem() = default;

TCustomListView* TListItem::ListView() const { return FOwner->Owner(); }

// Owner-data items are filled while the control asks for them: redrawing then would
// ask again without end.
void TListItem::Update() {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated() && FIndex >= 0 && !lv->OwnerData())
    SendMessageW(lv->FHandle, LVM_REDRAWITEMS, static_cast<WPARAM>(FIndex), FIndex);
}

void TListItem::SetCaption(const String& Value) { FCaption = Value; Update(); }
void TListItem::SetSubItems(TStrings* Value) { FSubItems->Assign(Value); Update(); }
void TListItem::SetImageIndex(Integer Value) { FImageIndex = Value; Update(); }
void TListItem::SetStateIndex(Integer Value) {
  FStateIndex = Value;
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated() || FIndex < 0) return;
  LVITEMW it{};
  it.stateMask = LVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(Value < 0 ? 0 : Value + 1);
  SendMessageW(lv->FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&it));
}

bool TListItem::Selected() const {
  TCustomListView* lv = ListView();
  return lv->HandleAllocated() && FIndex >= 0 &&
         (SendMessageW(lv->FHandle, LVM_GETITEMSTATE, static_cast<WPARAM>(FIndex), LVIS_SELECTED) & LVIS_SELECTED);
}

void TListItem::SetSelected(bool Value) {
  LVITEMW it{};
  it.stateMask = LVIS_SELECTED;
  it.state = Value ? LVIS_SELECTED : 0;
  SendMessageW(ListView()->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&it));
}

bool TListItem::Focused() const {
  TCustomListView* lv = ListView();
  return lv->HandleAllocated() && FIndex >= 0 &&
         (SendMessageW(lv->FHandle, LVM_GETITEMSTATE, static_cast<WPARAM>(FIndex), LVIS_FOCUSED) & LVIS_FOCUSED);
}

void TListItem::SetFocused(bool Value) {
  LVITEMW it{};
  it.stateMask = LVIS_FOCUSED;
  it.state = Value ? LVIS_FOCUSED : 0;
  SendMessageW(ListView()->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&it));
}

RECT TListItem::DisplayRect(TDisplayCode Code) const {
  RECT r{};
  r.left = Code == drIcon ? LVIR_ICON : Code == drLabel ? LVIR_LABEL : Code == drSelectBounds ? LVIR_SELECTBOUNDS : LVIR_BOUNDS;
  if (!SendMessageW(ListView()->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&r))) return RECT{};
  return r;
}

void TListItem::MakeVisible(bool PartialOK) {
  SendMessageW(ListView()->Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(FIndex), PartialOK);
}

void TListItem::Delete() { FOwner->Delete(FIndex); }

TListItems::TListItems(TCustomListView* AOwner) : FOwner(AOwner) {}
TListItems::~TListItems() {
  for (TListItem* i : FItems) delete i;
}

Integer TListItems::Count() const {
  return FOwner->OwnerData() ? FOwnerDataCount : static_cast<Integer>(FItems.size());
}

void TListItems::SetCount(Integer Value) {
  if (!FOwner->OwnerData()) throw EListViewError(L"Only an owner-data list view takes a count");
  FOwnerDataCount = std::max<Integer>(Value, 0);
  if (FOwner->HandleAllocated())
    SendMessageW(FOwner->FHandle, LVM_SETITEMCOUNT, static_cast<WPARAM>(FOwnerDataCount), 0);
}

TListItem* TListItems::Item(Integer Index) {
  if (Index < 0 || Index >= Count()) throw EListViewError(L"List index out of bounds (%d)", {Index});
  if (!FOwner->OwnerData()) return FItems[static_cast<size_t>(Index)];
  if (!FTemp) FTemp = std::make_unique<TListItem>(this);
  FTemp->FIndex = Index;
  FTemp->FCaption.clear();
  FTemp->FSubItems->Clear();
  FTemp->FImageIndex = -1;
  FTemp->FData = nullptr;
  FOwner->OwnerDataFetch(FTemp.get());
  return FTemp.get();
}

void TListItems::Renumber(Integer From) {
  for (size_t i = static_cast<size_t>(std::max<Integer>(From, 0)); i < FItems.size(); ++i)
    FItems[i]->FIndex = static_cast<Integer>(i);
}

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::AddItem(TListItem* Item, Integer Index) {
  TListItem* n = Insert(Index < 0 ? Count() : Index);
  if (Item) {
    n->FCaption = Item->FCaption;
    n->FSubItems->Assign(Item->FSubItems.get());
    n->FImageIndex = Item->FImageIndex;
    n->FData = Item->FData;
    n->Update();
  }
  return n;
}

TListItem* TListItems::Insert(Integer Index) {
  if (FOwner->OwnerData()) throw EListViewError(L"An owner-data list view has no item objects");
  if (Index < 0 || Index > Count()) throw EListViewError(L"List index out of bounds (%d)", {Index});
  auto* item = new TListItem(this);
  FItems.insert(FItems.begin() + Index, item);
  Renumber(Index);
  if (FOwner->HandleAllocated()) FOwner->InsertItem(item);
  if (FOwner->OnInsert) FOwner->OnInsert(FOwner, item);
  return item;
}

void TListItems::Delete(Integer Index) {
  if (FOwner->OwnerData()) {
    SetCount(Count() - 1);
    return;
  }
  if (Index < 0 || Index >= Count()) throw EListViewError(L"List index out of bounds (%d)", {Index});
  TListItem* item = FItems[static_cast<size_t>(Index)];
  if (FOwner->HandleAllocated()) SendMessageW(FOwner->FHandle, LVM_DELETEITEM, static_cast<WPARAM>(Index), 0);
  else if (FOwner->OnDeletion) FOwner->OnDeletion(FOwner, item);
  FItems.erase(FItems.begin() + Index);
  Renumber(Index);
  delete item;
}

void TListItems::Clear() {
  if (FOwner->OwnerData()) {
    SetCount(0);
    return;
  }
  BeginUpdate();
  while (!FItems.empty()) Delete(Count() - 1);
  EndUpdate();
}

void TListItems::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageW(FOwner->FHandle, WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FOwner->HandleAllocated()) {
    SendMessageW(FOwner->FHandle, WM_SETREDRAW, TRUE, 0);
    FOwner->Invalidate();
  }
}

Integer TListItems::IndexOf(TListItem* Value) const {
  auto it = std::find(FItems.begin(), FItems.end(), Value);
  return it == FItems.end() ? -1 : static_cast<Integer>(it - FItems.begin());
}

// =======================================================================================
// TCustomListView

void TIconOptions::DeclarePublished(TPublisher<TIconOptions>& P) {
  P.Property(L"AutoArrange", &TIconOptions::AutoArrange, &TIconOptions::SetAutoArrange).Default(false);
}

void TIconOptions::SetAutoArrange(bool Value) {
  if (FAutoArrange == Value) return;
  FAutoArrange = Value;
  if (FListView) FListView->UpdateStyle(LVS_AUTOARRANGE, Value ? LVS_AUTOARRANGE : 0);
}

void TIconOptions::Assign(TPersistent* Source) {
  if (auto* o = dynamic_cast<TIconOptions*>(Source)) {
    SetAutoArrange(o->FAutoArrange);
    return;
  }
  inherited::Assign(Source);
}

TPersistent* TIconOptions::GetOwner() { return FListView; }

void TListView::DeclarePublished(TPublisher<TListView>& P) {
  using C = TListView;
  P.Property(L"Color", &C::Color, &C::SetColor).Default(clWindow);
  P.Property(L"ParentColor", &C::ParentColor, &C::SetParentColor).Default(false);
  P.Property(L"Columns", &C::Columns, &C::SetColumns);
  P.Property(L"BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(bsSingle);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"IconOptions", &C::IconOptions, &C::SetIconOptions);
  P.Property(L"LargeImages", &C::LargeImages, &C::SetLargeImages);
  P.Property(L"MultiSelect", &C::MultiSelect, &C::SetMultiSelect).Default(false);
  P.Property(L"OwnerData", &C::OwnerData, &C::SetOwnerData).Default(false);
  P.Property(L"ReadOnly", &C::ReadOnly, &C::SetReadOnly).Default(false);
  P.Property(L"RowSelect", &C::RowSelect, &C::SetRowSelect).Default(false);
  P.Property(L"ShowColumnHeaders", &C::ShowColumnHeaders, &C::SetShowColumnHeaders).Default(true);
  P.Property(L"SmallImages", &C::SmallImages, &C::SetSmallImages);
  P.Property(L"SortType", &C::SortType, &C::SetSortType).Default(stNone);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  P.Property(L"ViewStyle", &C::ViewStyle, &C::SetViewStyle).Default(vsIcon);
  P.Property(L"OnColumnClick", &C::OnColumnClick);
  P.Property(L"OnCompare", &C::OnCompare);
  P.Property(L"OnData", &C::OnData);
  P.Property(L"OnDeletion", &C::OnDeletion);
  P.Property(L"OnSelectItem", &C::OnSelectItem);
}

TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner),
      FListItems(new TListItems(this)),
      FColumns(new TListColumns(this)),
      FIconOptions(std::make_unique<TIconOptions>(this)) {
  FControlStyle.Exclude(csCaptureMouse);
  FControlStyle.Exclude(csClickEvents);
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
  FLargeChangeLink.OnChange = [this](TObject*) { UpdateImages(); };
  FSmallChangeLink.OnChange = [this](TObject*) { UpdateImages(); };
  SetBounds(0, 0, 250, 150);
}

TCustomListView::~TCustomListView() {
  if (FLargeImages) FLargeImages->UnRegisterChanges(&FLargeChangeLink);
  if (FSmallImages) FSmallImages->UnRegisterChanges(&FSmallChangeLink);
  if (!FOwnerData) FListItems->Clear();
  DestroyHandle();
}

TListColumn* TCustomListView::Column(Integer Index) const {
  if (Index < 0 || Index >= ColumnCount()) throw EListViewError(L"List index out of bounds (%d)", {Index});
  return FColumns->Items(Index);
}

TListColumn* TCustomListView::AddColumn() { return FColumns->Add(); }

void TCustomListView::ClearColumns() { FColumns->Clear(); }

void TCustomListView::InsertColumn(TListColumn* Column) {
  LVCOLUMNW c{};
  c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  c.fmt = Column->FAlignment == taRightJustify ? LVCFMT_RIGHT : Column->FAlignment == taCenter ? LVCFMT_CENTER : LVCFMT_LEFT;
  c.cx = Column->FWidth;
  c.pszText = Column->FCaption.data();
  c.iSubItem = Column->Index();
  SendMessageW(FHandle, LVM_INSERTCOLUMNW, static_cast<WPARAM>(Column->Index()), reinterpret_cast<LPARAM>(&c));
}

void TCustomListView::InsertItem(TListItem* Item) {
  LVITEMW it{};
  it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  it.iItem = Item->FIndex;
  it.pszText = LPSTR_TEXTCALLBACKW;
  it.iImage = I_IMAGECALLBACK;
  it.lParam = reinterpret_cast<LPARAM>(Item);
  if (SendMessageW(FHandle, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)) < 0)
    throw EListViewError(L"Failed to insert a list item");
}

void TCustomListView::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, WC_LISTVIEWW);
  static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  Params.Style |= views[FViewStyle] | LVS_SHAREIMAGELISTS;
  if (FOwnerData) Params.Style |= LVS_OWNERDATA;
  if (!FMultiSelect) Params.Style |= LVS_SINGLESEL;
  if (!FReadOnly) Params.Style |= LVS_EDITLABELS;
  if (!FHideSelection) Params.Style |= LVS_SHOWSELALWAYS;
  if (!FShowColumnHeaders) Params.Style |= LVS_NOCOLUMNHEADER;
  if (FIconOptions->AutoArrange()) Params.Style |= LVS_AUTOARRANGE;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomListView::CreateWnd() {
  inherited::CreateWnd();
  if (FRowSelect) SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  SendMessageW(FHandle, LVM_SETBKCOLOR, 0, ColorToRGB(Color()));
  SendMessageW(FHandle, LVM_SETTEXTBKCOLOR, 0, ColorToRGB(Color()));
  SendMessageW(FHandle, LVM_SETTEXTCOLOR, 0, ColorToRGB(Font()->Color()));
  UpdateImages();
  for (Integer i = 0; i < FColumns->Count(); ++i) InsertColumn(FColumns->Items(i));
  if (FOwnerData) {
    SendMessageW(FHandle, LVM_SETITEMCOUNT, static_cast<WPARAM>(FListItems->FOwnerDataCount), 0);
  } else {
    for (TListItem* i : FListItems->FItems) InsertItem(i);
  }
  FRecreating = false;
}

void TCustomListView::DestroyWnd() {
  for (Integer i = 0; i < FColumns->Count(); ++i) FColumns->Items(i)->Width();
  FRecreating = true;
  inherited::DestroyWnd();
}

void TCustomListView::UpdateStyle(DWORD Mask, DWORD Value) {
  if (!HandleAllocated()) return;
  LONG_PTR s = GetWindowLongPtrW(FHandle, GWL_STYLE);
  s = (s & ~static_cast<LONG_PTR>(Mask)) | Value;
  SetWindowLongPtrW(FHandle, GWL_STYLE, s);
  ::InvalidateRect(FHandle, nullptr, TRUE);
}

void TCustomListView::SetViewStyle(TViewStyle Value) {
  FViewStyle = Value;
  static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  UpdateStyle(LVS_TYPEMASK, views[Value]);
}

void TCustomListView::SetOwnerData(bool Value) {
  if (FOwnerData == Value) return;
  if (Value) FListItems->Clear();
  else FListItems->FOwnerDataCount = 0;
  FOwnerData = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomListView::SetMultiSelect(bool Value) { FMultiSelect = Value; UpdateStyle(LVS_SINGLESEL, Value ? 0 : LVS_SINGLESEL); }
void TCustomListView::SetReadOnly(bool Value) { FReadOnly = Value; UpdateStyle(LVS_EDITLABELS, Value ? 0 : LVS_EDITLABELS); }
void TCustomListView::SetHideSelection(bool Value) { FHideSelection = Value; UpdateStyle(LVS_SHOWSELALWAYS, Value ? 0 : LVS_SHOWSELALWAYS); }
void TCustomListView::SetShowColumnHeaders(bool Value) {
  FShowColumnHeaders = Value;
  UpdateStyle(LVS_NOCOLUMNHEADER, Value ? 0 : LVS_NOCOLUMNHEADER);
}
void TCustomListView::SetRowSelect(bool Value) {
  FRowSelect = Value;
  if (HandleAllocated())
    SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, Value ? LVS_EX_FULLROWSELECT : 0);
}
void TCustomListView::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomListView::SetSortType(TSortType Value) {
  if (FSortType == Value) return;
  FSortType = Value;
  if (Value != stNone && HandleAllocated()) AlphaSort();
}

void TCustomListView::SetLargeImages(TCustomImageList* Value) {
  if (!ReplaceImageList(FLargeImages, Value, FLargeChangeLink, this)) return;
  UpdateImages();
}

void TCustomListView::SetSmallImages(TCustomImageList* Value) {
  if (!ReplaceImageList(FSmallImages, Value, FSmallChangeLink, this)) return;
  UpdateImages();
}

void TCustomListView::UpdateImages() {
  if (!HandleAllocated()) return;
  SendMessageW(FHandle, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(FLargeImages ? FLargeImages->Handle() : nullptr));
  SendMessageW(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FSmallImages ? FSmallImages->Handle() : nullptr));
  Invalidate();
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FLargeImages) SetLargeImages(nullptr);
  if (AComponent == FSmallImages) SetSmallImages(nullptr);
}

namespace {
Integer NextIndex(HWND H, Integer Start, UINT Flags) {
  return static_cast<Integer>(SendMessageW(H, LVM_GETNEXTITEM, static_cast<WPARAM>(Start), Flags));
}
}  // namespace

TListItem* TCustomListView::Selected() {
  Integer i = NextIndex(Handle(), -1, LVNI_SELECTED);
  return i >= 0 && i < FListItems->Count() ? FListItems->Item(i) : nullptr;
}

void TCustomListView::SetSelected(TListItem* Value) {
  ClearSelection();
  if (Value) {
    Value->SetSelected(true);
    Value->SetFocused(true);
    Value->MakeVisible(false);
  }
}

TListItem* TCustomListView::ItemFocused() {
  Integer i = NextIndex(Handle(), -1, LVNI_FOCUSED);
  return i >= 0 && i < FListItems->Count() ? FListItems->Item(i) : nullptr;
}

void TCustomListView::SetItemFocused(TListItem* Value) {
  if (Value) Value->SetFocused(true);
}

Integer TCustomListView::ItemIndex() { return NextIndex(Handle(), -1, LVNI_SELECTED); }

void TCustomListView::SetItemIndex(Integer Value) {
  if (Value < 0) ClearSelection();
  else SetSelected(FListItems->Item(Value));
}

Integer TCustomListView::SelCount() { return static_cast<Integer>(SendMessageW(Handle(), LVM_GETSELECTEDCOUNT, 0, 0)); }

TListItem* TCustomListView::TopItem() {
  Integer i = static_cast<Integer>(SendMessageW(Handle(), LVM_GETTOPINDEX, 0, 0));
  return i >= 0 && i < FListItems->Count() ? FListItems->Item(i) : nullptr;
}

TListItem* TCustomListView::GetItemAt(Integer X, Integer Y) {
  LVHITTESTINFO hi{};
  hi.pt = POINT{X, Y};
  Integer i = static_cast<Integer>(SendMessageW(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hi)));
  if (i < 0 || !(hi.flags & LVHT_ONITEM)) return nullptr;
  return FListItems->Item(i);
}

void TCustomListView::ClearSelection() {
  LVITEMW it{};
  it.stateMask = LVIS_SELECTED;
  it.state = 0;
  SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
}

void TCustomListView::SelectAll() {
  if (!FMultiSelect) return;
  LVITEMW it{};
  it.stateMask = LVIS_SELECTED;
  it.state = LVIS_SELECTED;
  SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
}

void TCustomListView::Scroll(Integer DX, Integer DY) { SendMessageW(Handle(), LVM_SCROLL, static_cast<WPARAM>(DX), DY); }

Integer TCustomListView::DoCompare(TListItem* A, TListItem* B, NativeInt Data) {
  Integer r = 0;
  if (OnCompare) {
    OnCompare(this, A, B, static_cast<Integer>(Data), r);
    return r;
  }
  if (FSortType == stText || FSortType == stBoth || FSortType == stNone)
    r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A->Caption().c_str(), -1, B->Caption().c_str(), -1) - CSTR_EQUAL;
  if (r == 0 && (FSortType == stData || FSortType == stBoth))
    r = A->Data() < B->Data() ? -1 : A->Data() > B->Data() ? 1 : 0;
  return r;
}

namespace {
struct TSortContext {
  TCustomListView* View;
  const TLVCompare* Proc;
  NativeInt Data;
  std::function<Integer(TListItem*, TListItem*, NativeInt)> Default;
};
int CALLBACK CompareItems(LPARAM A, LPARAM B, LPARAM Ctx) {
  auto* c = reinterpret_cast<TSortContext*>(Ctx);
  auto* a = reinterpret_cast<TListItem*>(A);
  auto* b = reinterpret_cast<TListItem*>(B);
  return (c->Proc && *c->Proc) ? (*c->Proc)(a, b, c->Data) : c->Default(a, b, c->Data);
}
}  // namespace

// After the control sorted its items, the item list follows its order.
void TCustomListView::ResyncOrder() {
  auto& v = FListItems->FItems;
  for (size_t i = 0; i < v.size(); ++i) {
    LVITEMW it{};
    it.mask = LVIF_PARAM;
    it.iItem = static_cast<int>(i);
    SendMessageW(FHandle, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    v[i] = reinterpret_cast<TListItem*>(it.lParam);
  }
  FListItems->Renumber(0);
}

bool TCustomListView::CustomSort(const TLVCompare& SortProc, NativeInt Data) {
  if (FOwnerData || !HandleAllocated()) return false;
  TSortContext ctx{this, &SortProc, Data, [this](TListItem* a, TListItem* b, NativeInt d) { return DoCompare(a, b, d); }};
  bool ok = SendMessageW(FHandle, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&ctx), reinterpret_cast<LPARAM>(CompareItems)) != 0;
  ResyncOrder();
  return ok;
}

bool TCustomListView::OwnerDataFetch(TListItem* Item) {
  if (OnData) OnData(this, Item);
  return true;
}

bool TCustomListView::AlphaSort() { return CustomSort(nullptr, 0); }

void TCustomListView::CNNotify(TWMNotify& Message) {
  NMHDR* hdr = Message.NMHdr();
  Message.Result = 0;
  switch (hdr->code) {
    case LVN_GETDISPINFOW: {
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      Integer index = di->item.iItem;
      if (index < 0 || index >= FListItems->Count()) break;
      TListItem* item = FListItems->Item(index);
      if (di->item.mask & LVIF_TEXT) {
        Integer sub = di->item.iSubItem;
        FTextBuffer = sub == 0 ? item->Caption()
                      : sub - 1 < item->SubItems()->Count() ? item->SubItems()->Strings(sub - 1)
                                                            : String();
        CopyText(FTextBuffer, di->item.pszText, di->item.cchTextMax);
      }
      if ((di->item.mask & LVIF_IMAGE) && di->item.iSubItem == 0) di->item.iImage = item->ImageIndex();
      break;
    }
    case LVN_ITEMCHANGED: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
      if (FRecreating || !(nm->uChanged & LVIF_STATE)) break;
      if ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) {
        TListItem* item = nm->iItem >= 0 && nm->iItem < FListItems->Count() ? FListItems->Item(nm->iItem) : nullptr;
        if (OnSelectItem) OnSelectItem(this, item, (nm->uNewState & LVIS_SELECTED) != 0);
        if (OnChange) OnChange(this, item, ctState);
      }
      break;
    }
    case LVN_COLUMNCLICK: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
      if (OnColumnClick && nm->iSubItem >= 0 && nm->iSubItem < ColumnCount())
        OnColumnClick(this, Column(nm->iSubItem));
      break;
    }
    case LVN_DELETEITEM: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
      if (FRecreating || FOwnerData) break;
      if (OnDeletion && nm->lParam) OnDeletion(this, reinterpret_cast<TListItem*>(nm->lParam));
      break;
    }
    case LVN_BEGINLABELEDITW:
      Message.Result = FReadOnly ? TRUE : FALSE;
      break;
    case LVN_ENDLABELEDITW: {
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      if (di->item.pszText && di->item.iItem >= 0 && !FOwnerData)
        FListItems->Item(di->item.iItem)->SetCaption(di->item.pszText);
      break;
    }
    default:
      break;
  }
}

const TMessageMap* TCustomListView::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_NOTIFY, MessageHandler<&TCustomListView::CNNotify>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// =======================================================================================
// TStatusBar

void TStatusPanel::DeclarePublished(TPublisher<TStatusPanel>& P) {
  using C = TStatusPanel;
  P.Property(L"Alignment", &C::Alignment, &C::SetAlignment).Default(taLeftJustify);
  P.Property(L"Text", &C::Text, &C::SetText);
  P.Property(L"Width", &C::Width, &C::SetWidth).Default(50);
}

void TStatusPanel::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TStatusPanel*>(Source);
  if (!other) return inherited::Assign(Source);
  FText = other->FText;
  FWidth = other->FWidth;
  FAlignment = other->FAlignment;
  Changed(true);
}

void TStatusPanel::SetText(const String& Value) { FText = Value; Changed(false); }
void TStatusPanel::SetWidth(Integer Value) { FWidth = Value; Changed(true); }
void TStatusPanel::SetAlignment(TAlignment Value) { FAlignment = Value; Changed(false); }

TStatusPanels::TStatusPanels(TStatusBar* AOwner)
    : TOwnedCollection(AOwner, TStatusPanel::StaticClass()), FStatusBar(AOwner) {}

void TStatusPanels::Update(TCollectionItem*) { FStatusBar->UpdatePanels(); }

void TStatusBar::DeclarePublished(TPublisher<TStatusBar>& P) {
  using C = TStatusBar;
  P.Property(L"Align", &C::Align, &C::SetAlign).Default(alBottom);
  P.Property(L"Panels", &C::Panels, &C::SetPanels);
  P.Property(L"SimplePanel", &C::SimplePanel, &C::SetSimplePanel).Default(false);
  P.Property(L"SimpleText", &C::SimpleText, &C::SetSimpleText);
  P.Property(L"SizeGrip", &C::SizeGrip, &C::SetSizeGrip).Default(true);
}

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner), FPanels(new TStatusPanels(this)) {
  FControlStyle.Exclude(csSetCaption);
  SetBounds(0, 0, 150, 19);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() {
  DestroyHandle();  // before the panels go
}

void TStatusBar::SetSimplePanel(bool Value) {
  if (FSimplePanel == Value) return;
  FSimplePanel = Value;
  UpdatePanels();
}

void TStatusBar::SetSimpleText(const String& Value) {
  FSimpleText = Value;
  UpdatePanels();
}

void TStatusBar::SetSizeGrip(bool Value) {
  if (FSizeGrip == Value) return;
  FSizeGrip = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TStatusBar::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, STATUSCLASSNAMEW);
  // The control's own alignment places the bar; the window keeps the given bounds.
  Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
  if (FSizeGrip) Params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
  inherited::CreateWnd();
  UpdatePanels();
}

void TStatusBar::UpdatePanels() {
  if (!HandleAllocated()) return;
  SendMessageW(FHandle, SB_SIMPLE, FSimplePanel ? TRUE : FALSE, 0);
  if (FSimplePanel) {
    SendMessageW(FHandle, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(FSimpleText.c_str()));
    return;
  }
  std::vector<int> edges;
  int right = 0;
  for (Integer i = 0; i < FPanels->Count(); ++i) {
    right += FPanels->Items(i)->Width();
    edges.push_back(i + 1 == FPanels->Count() ? -1 : right);
  }
  if (edges.empty()) edges.push_back(-1);
  SendMessageW(FHandle, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (Integer i = 0; i < FPanels->Count(); ++i) {
    TStatusPanel* panel = FPanels->Items(i);
    // Tabs in the text centre or right-align it.
    String text = panel->Alignment() == taCenter ? L"\t" + panel->Text()
                  : panel->Alignment() == taRightJustify ? L"\t\t" + panel->Text()
                                                        : panel->Text();
    SendMessageW(FHandle, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.c_str()));
  }
}

// =======================================================================================
// TCustomTabControl, TTabControl

TCustomTabControl::TCustomTabControl(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle.Include(csAcceptsControls);
  FControlStyle.Exclude(csSetCaption);
  FTabStop = true;
  SetBounds(0, 0, 289, 193);
}

void TCustomTabControl::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, WC_TABCONTROLW);
  Params.Style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
}

void TCustomTabControl::CreateWnd() {
  inherited::CreateWnd();
  UpdateTabs();
}

void TCustomTabControl::UpdateTabs() {
  if (!HandleAllocated()) return;
  SendMessageW(FHandle, TCM_DELETEALLITEMS, 0, 0);
  std::vector<String> captions = TabCaptions();
  for (size_t i = 0; i < captions.size(); ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = captions[i].data();
    SendMessageW(FHandle, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(SelectedTab()), 0);
  Realign();
}

void TCustomTabControl::AdjustClientRect(RECT& Rect) {
  inherited::AdjustClientRect(Rect);
  if (HandleAllocated()) SendMessageW(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&Rect));
}

const TMessageMap* TCustomTabControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_NOTIFY, MessageHandler<&TCustomTabControl::CNNotify>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomTabControl::CNNotify(TWMNotify& Message) {
  switch (Message.NMHdr()->code) {
    case TCN_SELCHANGING: {
      bool allow = true;
      if (OnChanging) OnChanging(this, allow);
      Message.Result = allow ? 0 : 1;
      break;
    }
    case TCN_SELCHANGE:
      TabPicked(static_cast<Integer>(SendMessageW(FHandle, TCM_GETCURSEL, 0, 0)));
      if (OnChange) OnChange(this);
      break;
    default: break;
  }
}

void TTabControl::DeclarePublished(TPublisher<TTabControl>& P) {
  using C = TTabControl;
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  P.Property(L"Tabs", &C::Tabs, &C::SetTabs);
  P.Property(L"TabIndex", &C::TabIndex, &C::SetTabIndex).Default(-1);
  P.Property(L"OnChange", &C::OnChange);
  P.Property(L"OnChanging", &C::OnChanging);
}

TTabControl::TTabControl(TComponent* AOwner) : TCustomTabControl(AOwner), FTabs(new TStringList()) {
  FTabs->OnChange = [this](TObject*) {
    if (FTabIndex >= FTabs->Count()) FTabIndex = FTabs->Count() - 1;
    UpdateTabs();
  };
}

TTabControl::~TTabControl() { FTabs->OnChange = nullptr; }

TStrings* TTabControl::Tabs() const { return FTabs.get(); }
void TTabControl::SetTabs(TStrings* Value) { FTabs->Assign(Value); }

void TTabControl::SetTabIndex(Integer Value) {
  if (Value < -1 || Value >= FTabs->Count()) Value = -1;
  FTabIndex = Value;
  if (HandleAllocated()) SendMessageW(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

std::vector<String> TTabControl::TabCaptions() {
  std::vector<String> result;
  for (Integer i = 0; i < FTabs->Count(); ++i) result.push_back(FTabs->Strings(i));
  return result;
}

void TTabControl::TabPicked(Integer AIndex) { FTabIndex = AIndex; }

// =======================================================================================
// TTabSheet, TPageControl

void TTabSheet::DeclarePublished(TPublisher<TTabSheet>& P) {
  using C = TTabSheet;
  // The page control places and shows its pages.
  P.Property(L"Left", &C::Left, &C::SetLeft).Stored(false);
  P.Property(L"Top", &C::Top, &C::SetTop).Stored(false);
  P.Property(L"Width", &C::Width, &C::SetWidth).Stored(false);
  P.Property(L"Height", &C::Height, &C::SetHeight).Stored(false);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Stored(false);
  P.Property(L"TabOrder", &C::TabOrder, &C::SetTabOrder).Stored(false);
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
  P.Property(L"PageIndex", &C::PageIndex, &C::SetPageIndex).Stored(false);
  P.Property(L"ImageIndex", &C::ImageIndex, &C::SetImageIndex).Default(-1);
  P.Property(L"TabVisible", &C::TabVisible, &C::SetTabVisible).Default(true);
}

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle.Include(csAcceptsControls);
  SetVisible(false);
}

TTabSheet::~TTabSheet() {
  if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* Value) { SetParent(Value); }

void TTabSheet::SetParent(TWinControl* AParent) {
  if (FPageControl && FPageControl != AParent) FPageControl->RemovePage(this);
  inherited::SetParent(AParent);
  if (auto* pages = dynamic_cast<TPageControl*>(AParent); pages && FPageControl != pages) pages->InsertPage(this);
}

Integer TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  const auto& pages = FPageControl->FPages;
  return static_cast<Integer>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(Integer Value) {
  if (FPageControl) FPageControl->MovePage(this, Value);
}

Integer TTabSheet::TabIndex() const {
  if (!FPageControl || !FTabVisible) return -1;
  Integer result = 0;
  for (TTabSheet* page : FPageControl->FPages) {
    if (page == this) return result;
    if (page->FTabVisible) ++result;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
  if (FTabVisible == Value) return;
  FTabVisible = Value;
  if (FPageControl) FPageControl->UpdateTabs();
}

const TMessageMap* TTabSheet::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_TEXTCHANGED, MessageHandler<&TTabSheet::CMTextChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TTabSheet::CMTextChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  if (FPageControl) FPageControl->UpdateTabs();
}

void TPageControl::DeclarePublished(TPublisher<TPageControl>& P) {
  using C = TPageControl;
  P.Property(L"ActivePage", &C::ActivePage, &C::SetActivePage);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  P.Property(L"OnChange", &C::OnChange);
  P.Property(L"OnChanging", &C::OnChanging);
}

TPageControl::TPageControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}

TPageControl::~TPageControl() {
  for (TTabSheet* page : FPages) page->FPageControl = nullptr;
}

void TPageControl::InsertPage(TTabSheet* Page) {
  FPages.push_back(Page);
  Page->FPageControl = this;
  UpdateTabs();
}

void TPageControl::RemovePage(TTabSheet* Page) {
  auto it = std::find(FPages.begin(), FPages.end(), Page);
  if (it == FPages.end()) return;
  FPages.erase(it);
  Page->FPageControl = nullptr;
  if (FActivePage == Page) FActivePage = nullptr;
  UpdateTabs();
}

void TPageControl::MovePage(TTabSheet* Page, Integer Index) {
  auto it = std::find(FPages.begin(), FPages.end(), Page);
  if (it == FPages.end()) return;
  FPages.erase(it);
  Index = std::clamp<Integer>(Index, 0, PageCount());
  FPages.insert(FPages.begin() + Index, Page);
  UpdateTabs();
}

void TPageControl::SetActivePage(TTabSheet* Value) {
  if (Value && Value->FPageControl != this) return;
  if (FActivePage == Value) return;
  TTabSheet* old = FActivePage;
  FActivePage = Value;
  if (Value) Value->SetVisible(true);
  if (old) old->SetVisible(false);
  if (HandleAllocated()) SendMessageW(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(SelectedTab()), 0);
}

Integer TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(Integer Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<size_t>(Value)] : nullptr);
}

std::vector<String> TPageControl::TabCaptions() {
  std::vector<String> result;
  for (TTabSheet* page : FPages)
    if (page->FTabVisible) result.push_back(page->Caption());
  return result;
}

Integer TPageControl::SelectedTab() { return FActivePage ? FActivePage->TabIndex() : -1; }

void TPageControl::TabPicked(Integer AIndex) {
  for (TTabSheet* page : FPages)
    if (page->TabIndex() == AIndex) {
      SetActivePage(page);
      return;
    }
}

void TPageControl::AlignControls(TControl* AControl, RECT& Rect) {
  // Every page fills the area below the tabs.
  RECT area = Rect;
  AdjustClientRect(area);
  for (TTabSheet* page : FPages)
    page->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
  inherited::AlignControls(AControl, Rect);
}
