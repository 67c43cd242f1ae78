#include "vxShellTreeView.h"

#include <commctrl.h>

#include "vxContainerRoutines.h"
#include "vxShellListView.h"

// --- inner tree --------------------------------------------------------------------------------

TvxInnerShellTreeView::TvxInnerShellTreeView(TComponent* AOwner) : TvxInnerShellTreeViewBase(AOwner) {
  SetBorderStyle(bsNone);
  ControlStyle().Include(csDoubleClicks);
  SetParentFont(true);
}

TvxInnerShellTreeView::~TvxInnerShellTreeView() = default;

const TMessageMap* TvxInnerShellTreeView::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_NCCALCSIZE, MessageHandler<&TvxInnerShellTreeView::WMNCCalcSize>},
      {WM_NCPAINT, MessageHandler<&TvxInnerShellTreeView::WMNCPaint>},
      {WM_WINDOWPOSCHANGED, MessageHandler<&TvxInnerShellTreeView::WMWindowPosChanged>},
      {CM_MOUSELEAVE, MessageHandler<&TvxInnerShellTreeView::CMMouseLeave>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

TvxPidl TvxInnerShellTreeView::CurrentPIDL() {
  if (!HandleAllocated()) return FAbsolutePIDL ? vxShellPidlCopy(FAbsolutePIDL.get()) : nullptr;
  return AbsolutePIDL();
}

bool TvxInnerShellTreeView::ChangesScrollBars(const TMessage& Message) {
  switch (Message.Msg) {
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case CM_BASE + 0x25:
    case TVM_ENSUREVISIBLE:
    case WM_VXSHELL_AFTERDROP:
      return true;
    default:
      return false;
  }
}

void TvxInnerShellTreeView::WMNCCalcSize(TMessage& Message) {
  InheritedMessage(Message);
  if (FContainer && vxIsScrollBarInfoAvailable() && !FContainer->ScrollBarsCalculating())
    FContainer->SetScrollBarsParameters(false);
}

void TvxInnerShellTreeView::WMNCPaint(TMessage& Message) {
  if (!FContainer || !vxIsScrollBarInfoAvailable()) {
    InheritedMessage(Message);
    return;
  }
  // The container's scroll bars stand over the tree's own, which are not drawn.
  Message.Result = 1;
  if (FContainer->BothScrollBarsVisible()) vxPaintSizeGripCorner(FContainer);
}

void TvxInnerShellTreeView::WMWindowPosChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (!FContainer || FContainer->IsDestroying() || !FContainer->BothScrollBarsVisible()) return;
  TRect r;
  vxGetSizeGripCornerRect(this, r);
  HRGN rgn = CreateRectRgnIndirect(&r);
  SendMessageW(Handle(), WM_NCPAINT, reinterpret_cast<WPARAM>(rgn), 0);
  DeleteObject(rgn);
}

void TvxInnerShellTreeView::CMMouseLeave(TMessage& Message) {
  InheritedMessage(Message);
  if (FContainer && !FContainer->IsDestroying()) FContainer->ShortRefreshContainer(true);
}

void TvxInnerShellTreeView::CreateWnd() {
  inherited::CreateWnd();
  if (FAbsolutePIDL && HandleAllocated()) {
    TvxPidl kept = std::move(FAbsolutePIDL);
    Navigate(kept.get());
  }
}

void TvxInnerShellTreeView::DestroyWnd() {
  // The nodes go with the window: remember the selected folder for the next one.
  if (HandleAllocated() && !ComponentState().Contains(csDestroying)) FAbsolutePIDL = AbsolutePIDL();
  inherited::DestroyWnd();
}

// --- container ---------------------------------------------------------------------------------

TvxCustomShellTreeView::TvxCustomShellTreeView(TComponent* AOwner) : TvxShellViewContainer(AOwner) {}

void TvxCustomShellTreeView::AfterConstruction() {
  inherited::AfterConstruction();
  FInnerTreeView = new TvxInnerShellTreeView(this);
  FInnerTreeView->FContainer = this;
  HookInnerEvents();
  AdoptInnerControl(FInnerTreeView);
  SetBounds(Left(), Top(), 121, 97);
}

TvxCustomShellTreeView::~TvxCustomShellTreeView() { FreeInnerControl(FInnerTreeView); }

void TvxCustomShellTreeView::HookInnerEvents() {
  // The scroll-bar mirror follows every change of the tree's extent, also when the
  // user's handler raises.
  auto refreshScrollBars = [this] { SetScrollBarsParameters(false); };
  TvxInnerShellTreeView* t = FInnerTreeView;
  t->OnAddFolder = [this](TObject*, TvxShellFolder* F, bool& CanAdd) {
    if (OnAddFolder) OnAddFolder(this, F, CanAdd);
  };
  t->OnChange = [this, refreshScrollBars](TObject*, TTreeNode* N) {
    TScopeExit refresh(refreshScrollBars);
    if (OnChange) OnChange(this, N);
  };
  t->OnChanging = [this](TObject*, TTreeNode* N, bool& Allow) {
    if (OnChanging) OnChanging(this, N, Allow);
  };
  t->OnCollapsed = [this, refreshScrollBars](TObject*, TTreeNode* N) {
    TScopeExit refresh(refreshScrollBars);
    if (OnCollapsed) OnCollapsed(this, N);
  };
  t->OnCollapsing = [this](TObject*, TTreeNode* N, bool& Allow) {
    if (OnCollapsing) OnCollapsing(this, N, Allow);
  };
  t->OnEdited = [this, refreshScrollBars](TObject*, TTreeNode* N, String& S) {
    TScopeExit refresh(refreshScrollBars);
    if (OnEdited) OnEdited(this, N, S);
  };
  t->OnEditing = [this](TObject*, TTreeNode* N, bool& Allow) {
    if (OnEditing) OnEditing(this, N, Allow);
  };
  t->OnExpanded = [this, refreshScrollBars](TObject*, TTreeNode* N) {
    TScopeExit refresh(refreshScrollBars);
    if (OnExpanded) OnExpanded(this, N);
  };
  t->OnExpanding = [this](TObject*, TTreeNode* N, bool& Allow) {
    if (OnExpanding) OnExpanding(this, N, Allow);
  };
  t->OnRootChanged = [this](TObject*, TvxCustomShellRoot*) { SetScrollBarsParameters(false); };
  t->OnShellChange = [this](TObject*, Cardinal AEventID, PItemIDList P1, PItemIDList P2) {
    if (OnShellChange) OnShellChange(this, AEventID, P1, P2);
  };
}

void TvxCustomShellTreeView::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {
  if (!Enabled() || !FInnerTreeView || !FInnerTreeView->HandleAllocated()) return;
  HWND tree = FInnerTreeView->Handle();
  const bool vertical = AScrollBarKind == sbVertical;
  if (vertical && AScrollCode == scTrack) {
    // The tree control reads a dragged thumb's position from its own scroll bar.
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = AScrollPos;
    SetScrollInfo(tree, SB_VERT, &si, FALSE);
  }
  ScrollInnerControl(FInnerTreeView, vertical, AScrollCode, AScrollPos);
  AScrollPos = GetScrollPos(tree, vertical ? SB_VERT : SB_HORZ);
  SetScrollBarsParameters(true);
}

void TvxCustomShellTreeView::Loaded() {
  inherited::Loaded();
  FInnerTreeView->Loaded();
  SetScrollBarsParameters(false);
}

void TvxCustomShellTreeView::SetIndent(Integer Value) {
  const Integer old = FInnerTreeView->Indent();
  FInnerTreeView->SetIndent(Value);
  if (FInnerTreeView->Indent() != old) SetScrollBarsParameters(false);
}

TvxPidl TvxCustomShellTreeView::AbsolutePIDL() {
  if (IsDestroying() || !FInnerTreeView) return nullptr;
  return FInnerTreeView->CurrentPIDL();
}

String TvxCustomShellTreeView::AbsolutePath() {
  TvxPidl p = AbsolutePIDL();
  return p ? vxShellPidlToPath(p.get()) : String();
}

bool TvxCustomShellTreeView::IsAcceptablePIDL(PItemIDList P) {
  if (!P) return true;
  TvxShellTreeRoot* root = Root();
  root->CheckRoot();
  if (!root->Pidl() || !vxShellPidlIsPrefix(root->Pidl(), P)) return false;
  SHFILEINFOW info{};
  return SHGetFileInfoW(reinterpret_cast<LPCWSTR>(P), 0, &info, sizeof info,
                        SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON) != 0;
}

void TvxCustomShellTreeView::SetAbsolutePIDL(PItemIDList Value) {
  if (IsDestroying() || !FInnerTreeView) return;
  if (!FInnerTreeView->HandleAllocated()) {
    FInnerTreeView->FAbsolutePIDL = Value ? vxShellPidlCopy(Value) : nullptr;
    return;
  }
  if (!IsAcceptablePIDL(Value)) return;
  Root()->CheckRoot();
  TvxPidl target = vxShellPidlCopy(Value ? Value : Root()->Pidl());
  SendMessageW(FInnerTreeView->Handle(), WM_VXSHELL_NAVIGATE, reinterpret_cast<WPARAM>(target.get()), 0);
  FInnerTreeView->SyncLinkedViews();
}

TvxCustomShellListView* TvxCustomShellTreeView::ShellListView() const {
  TvxCustomInnerShellListView* l = FInnerTreeView ? FInnerTreeView->ListView() : nullptr;
  auto* inner = dynamic_cast<TvxInnerShellListView*>(l);
  return inner ? inner->Container() : nullptr;
}

void TvxCustomShellTreeView::SetShellListView(TvxCustomShellListView* Value) {
  if (!FInnerTreeView) return;
  FInnerTreeView->SetListView(Value ? Value->InnerListView() : nullptr);
}

void TvxCustomShellTreeView::SetAbsolutePath(const String& Value) {
  if (IsDestroying() || !FInnerTreeView) return;
  TvxShellTreeRoot* root = Root();
  root->CheckRoot();
  if (!root->ShellFolder()) return;
  DWORD options = 0;
  if (Options()->ShowNonFolders()) options |= 1;
  if (Options()->ShowFolders()) options |= 2;
  options |= 4;  // hidden folders are reachable by path even when not shown
  TvxPidl p = vxShellPathToPidl(Value, root->ShellFolder(), root->Pidl(), options, true);
  if (p) SetAbsolutePIDL(p.get());
}

void TvxShellTreeView::DeclarePublished(TPublisher<TvxShellTreeView>& P) {
  using C = TvxShellTreeView;
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"Anchors", &TControl::Anchors, &TControl::SetAnchors);
  P.Property(L"AutoExpand", &C::AutoExpand, &C::SetAutoExpand).Default(false);
  P.Property(L"ChangeDelay", &C::ChangeDelay, &C::SetChangeDelay).Default(0);
  P.Property(L"DragDropSettings", &C::DragDropSettings, &C::SetDragDropSettings);
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"Indent", &C::Indent, &C::SetIndent).NoDefault();
  P.Property(L"Options", &C::Options, &C::SetOptions);
  P.Property(L"RightClickSelect", &C::RightClickSelect, &C::SetRightClickSelect).Default(false);
  P.Property(L"Root", &C::Root, &C::SetRoot);
  P.Property(L"ShowButtons", &C::ShowButtons, &C::SetShowButtons).Default(true);
  P.Property(L"ShowInfoTips", &C::ShowInfoTips, &C::SetShowInfoTips).Default(false);
  P.Property(L"ShowLines", &C::ShowLines, &C::SetShowLines).Default(true);
  P.Property(L"ShowRoot", &C::ShowRoot, &C::SetShowRoot).Default(true);
  P.Property(L"StateImages", &C::StateImages, &C::SetStateImages);
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"StyleDisabled", &TvxContainer::StyleDisabled, &TvxContainer::SetStyleDisabled);
  P.Property(L"StyleFocused", &TvxContainer::StyleFocused, &TvxContainer::SetStyleFocused);
  P.Property(L"StyleHot", &TvxContainer::StyleHot, &TvxContainer::SetStyleHot);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"TreeHotTrack", &C::TreeHotTrack, &C::SetTreeHotTrack).Default(false);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  P.Property(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(false);
  P.Property(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  P.Property(L"ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  P.Property(L"PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  P.Property(L"ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
  P.Property(L"OnAddFolder", &C::OnAddFolder);
  P.Property(L"OnChange", &C::OnChange);
  P.Property(L"OnChanging", &C::OnChanging);
  P.Property(L"OnCollapsed", &C::OnCollapsed);
  P.Property(L"OnCollapsing", &C::OnCollapsing);
  P.Property(L"OnEdited", &C::OnEdited);
  P.Property(L"OnEditing", &C::OnEditing);
  P.Property(L"OnExpanded", &C::OnExpanded);
  P.Property(L"OnExpanding", &C::OnExpanding);
  P.Property(L"OnShellChange", &C::OnShellChange);
  P.Property(L"OnClick", &TControl::OnClick);
  P.Property(L"OnDblClick", &TControl::OnDblClick);
  P.Property(L"OnEnter", &TWinControl::OnEnter);
  P.Property(L"OnExit", &TWinControl::OnExit);
  P.Property(L"OnKeyDown", &TWinControl::OnKeyDown);
  P.Property(L"OnKeyPress", &TWinControl::OnKeyPress);
  P.Property(L"OnKeyUp", &TWinControl::OnKeyUp);
  P.Property(L"OnMouseDown", &TControl::OnMouseDown);
  P.Property(L"OnMouseMove", &TControl::OnMouseMove);
  P.Property(L"OnMouseUp", &TControl::OnMouseUp);
}

namespace {
void InitShellTreeView() { RegisterClass(TvxShellTreeView::StaticClass()); }
void FinShellTreeView() { UnRegisterClass(TvxShellTreeView::StaticClass()); }
}  // namespace

const TUnitInfo vxShellTreeViewUnit = {L"vxShellTreeView", InitShellTreeView, FinShellTreeView};
