#include "vxPC.h"

#include <algorithm>
#include <cmath>

#include "DragObjs.h"
#include "Forms.h"
#include "Streaming.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vdCore.h"
#include "vxClasses.h"
#include "vxImageList.h"
#include "vxPCConsts.h"
#include "vxPCInternal.h"

using namespace vxPCDetail;

// =======================================================================================
// TvxPageControl

TvxPageControl::TvxPageControl(TComponent* AOwner) : TvxCustomTabControl(AOwner) {}

TvxPageControl::~TvxPageControl() {
  for (TvxTabSheet* page : FPages) {
    page->FPageControl = nullptr;
    page->FTab = nullptr;
  }
  FPages.clear();
}

TWinControl* TvxPageControl::GetPageByIndex(Integer AIndex) {
  return AIndex >= 0 && AIndex < PageCount() ? FPages[AIndex] : nullptr;
}

void TvxPageControl::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TvxTabSheet* page : FPages) Proc(page);
}

void TvxPageControl::Relayout() {
  TvxCustomTabControl::Relayout();
  if (FActivePage && FActivePage->HandleAllocated()) FActivePage->Invalidate();
}

TComponent* TvxPageControl::ActivePageComponent() const { return FActivePage; }

void TvxPageControl::SetActivePageComponent(TComponent* Value) {
  auto* page = dynamic_cast<TvxTabSheet*>(Value);
  if (IsLoading() && page) {
    // The stored active page: applied as the form loads, without events.
    LockChangeEvents(true);
    TScopeExit unlock([this] { LockChangeEvents(false); });
    FActivePage = page;
    FTabIndex = page->FPageControl == this ? page->PageIndex() : -1;
    return;
  }
  SetActivePage(page);
}

// --- docking ---------------------------------------------------------------------------

TvxTabSheet* TvxPageControl::PageOfClient(TControl* AClient) const {
  auto* page = AClient ? dynamic_cast<TvxTabSheet*>(AClient->Parent()) : nullptr;
  return page && page->FPageControl == this ? page : nullptr;
}

void TvxPageControl::GetSiteInfo(TControl* Client, RECT& InfluenceRect, POINT MousePos, bool& CanDock) {
  TvxCustomTabControl::GetSiteInfo(Client, InfluenceRect, MousePos, CanDock);
  if (PageOfClient(Client)) CanDock = false;
}

void TvxPageControl::DockOver(TDragDockObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) {
  RECT r;
  GetWindowRect(Handle(), &r);
  Source->SetDockRect(r);
  TvxCustomTabControl::DockOver(Source, X, Y, State, Accept);
}

void TvxPageControl::DockDrop(TDragDockObject* Source, Integer X, Integer Y) {
  if (DockClientToNewPage(Source, POINT{X, Y}) >= 0 && OnDockDrop) OnDockDrop(this, Source, X, Y);
}

Integer TvxPageControl::DockClientToNewPage(TDragDockObject* Source, POINT) {
  TControl* client = Source->Control();
  if (TvxTabSheet* page = PageOfClient(client)) {
    page->SetPageIndex(PageCount() - 1);
    return 0;
  }
  auto* sheet = new TvxTabSheet(this);
  TScopeExit forget([this] { FNewDockSheet = nullptr; });
  FNewDockSheet = sheet;
  // A client that fails to dock takes its new page with it.
  TScopeExit freeSheet([sheet] { delete sheet; });
  if (auto* form = dynamic_cast<TCustomForm*>(client)) sheet->SetCaption(form->Caption());
  sheet->SetPageControl(this);
  RECT r = Source->DockRect();
  MapWindowPoints(HWND_DESKTOP, HandleAllocated() ? Handle() : nullptr, reinterpret_cast<POINT*>(&r), 2);
  DoAddDockClient(client, r);
  freeSheet.Dismiss();
  sheet->SetTabVisible(client->Visible());
  if (client->Visible()) SetActivePage(sheet);
  client->SetAlign(alClient);
  return sheet->PageIndex();
}

void TvxPageControl::DoAddDockClient(TControl* Client, const RECT& ARect) {
  if (FNewDockSheet) {
    Client->SetParent(FNewDockSheet);
    return;
  }
  TvxCustomTabControl::DoAddDockClient(Client, ARect);
}

bool TvxPageControl::DoUnDock(TWinControl* NewTarget, TControl* Client) {
  bool allow = true;
  if (OnUnDock) OnUnDock(this, Client, NewTarget, allow);
  return allow && PrepareUndock(NewTarget, Client);
}

bool TvxPageControl::PrepareUndock(TWinControl*, TControl* Client) {
  FUndockingPage = PageOfClient(Client);
  Client->SetAlign(alNone);
  return true;
}

void TvxPageControl::DoRemoveDockClient(TControl*) {
  TvxTabSheet* page = FUndockingPage;
  FUndockingPage = nullptr;
  if (!page || ComponentState().Contains(csDestroying)) return;
  if (page == FActivePage) SetActivePage(FindNextPage(page, true, true));
  delete page;
}

const TMessageMap* TvxPageControl::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_DOCKNOTIFICATION, MessageHandler<&TvxPageControl::CMDockNotification>},
      {CM_UNDOCKCLIENT, MessageHandler<&TvxPageControl::CMUnDockClient>},
      {WM_LBUTTONDOWN, MessageHandler<&TvxPageControl::WMLButtonDown>},
      {WM_LBUTTONDBLCLK, MessageHandler<&TvxPageControl::WMLButtonDblClk>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxPageControl::CMDockNotification(TMessage& Message) {
  auto* client = reinterpret_cast<TControl*>(Message.WParam);
  const auto* rec = reinterpret_cast<const TDockNotifyRec*>(Message.LParam);
  if (TvxTabSheet* page = PageOfClient(client); page && rec) {
    if (rec->ClientMsg == WM_SETTEXT) {
      // The tab shows the client's caption up to its first line break.
      String text = reinterpret_cast<const wchar_t*>(rec->MsgLParam);
      const size_t cut = text.find_first_of(L"\r\n");
      if (cut != String::npos) text.resize(cut);
      page->SetCaption(text);
    } else if (rec->ClientMsg == CM_VISIBLECHANGED) {
      page->SetTabVisible(rec->MsgWParam != 0);
    }
  }
  InheritedMessage(Message);
}

void TvxPageControl::CMUnDockClient(TMessage& Message) {
  PrepareUndock(reinterpret_cast<TWinControl*>(Message.WParam), reinterpret_cast<TControl*>(Message.LParam));
  Message.Result = 0;
}

TControl* TvxPageControl::DockClientAtTab(Integer X, Integer Y) {
  if (!DockSite()) return nullptr;
  const Integer v = IndexOfTabAt(X, Y);
  if (v < 0) return nullptr;
  TvxTab* tab = FVisibleTabList->GetTab(v);
  for (Integer i = 0; i < DockClientCount(); ++i) {
    TvxTabSheet* page = PageOfClient(DockClients(i));
    if (page && page->FTab == tab) return DockClients(i);
  }
  return nullptr;
}

void TvxPageControl::WMLButtonDown(TWMMouse& Message) {
  InheritedMessage(Message);
  if (TControl* client = DockClientAtTab(Message.XPos(), Message.YPos())) client->BeginDrag(false, -1);
}

void TvxPageControl::WMLButtonDblClk(TWMMouse& Message) {
  if (TControl* client = DockClientAtTab(Message.XPos(), Message.YPos())) {
    client->ManualDock(nullptr);
    return;
  }
  InheritedMessage(Message);
}

void TvxPageControl::DeclarePublished(TPublisher<TvxPageControl>& P) {
  using C = TvxPageControl;
  P.Property(L"ActivePage", &C::ActivePageComponent, &C::SetActivePageComponent);
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"DockSite", &TWinControl::DockSite, &TWinControl::SetDockSite).Default(false);
  // Colour and font are written only where they are the control's own: a text read
  // back and written again stays the same.
  P.Property(L"Color", &TControl::Color, &TControl::SetColor)
      .Type(TypeInfoColor())
      .Stored([](C* c) { return !c->ParentColor(); });
  P.Property(L"Focusable", &C::Focusable, &C::SetFocusable).Default(true);
  P.Property(L"Font", &TControl::Font, &TControl::SetFont).Stored([](C* c) { return !c->ParentFont(); });
  P.Property(L"HideTabs", &C::HideTabs, &C::SetHideTabs).Default(false);
  P.Property(L"HotTrack", &C::HotTrack, &C::SetHotTrack).Default(false);
  P.Property(L"ImageBorder", &C::ImageBorder, &C::SetImageBorder).Default(0);
  P.Property(L"Images", &C::Images, &C::SetImages);
  P.Property(L"LookAndFeel", &TvxControl::LookAndFeel, &TvxControl::SetLookAndFeel);
  P.Property(L"MaxRotatedTabWidth", &C::MaxRotatedTabWidth, &C::SetMaxRotatedTabWidth).Default(0);
  P.Property(L"MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false);
  P.Property(L"NavigatorPosition", &C::NavigatorPosition, &C::SetNavigatorPosition).Default(npRightTop);
  P.Property(L"Options", &C::Options, &C::SetOptions).NoDefault();
  P.Property(L"OwnerDraw", &C::OwnerDraw, &C::SetOwnerDraw).Default(false);
  P.Property(L"RaggedRight", &C::RaggedRight, &C::SetRaggedRight).Default(false);
  P.Property(L"Rotate", &C::Rotate, &C::SetRotate).Default(false);
  P.Property(L"ScrollOpposite", &C::ScrollOpposite, &C::SetScrollOpposite).Default(false);
  P.Property(L"ShowFrame", &C::ShowFrame, &C::SetShowFrame).Default(false);
  P.Property(L"Style", &C::Style, &C::SetStyle).Default(0);
  P.Property(L"TabHeight", &C::TabHeight, &C::SetTabHeight).Default(0);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabPosition", &C::TabPosition, &C::SetTabPosition).Default(tpTop);
  P.Property(L"TabSlants", &C::TabSlants, &C::SetTabSlants);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"TabWidth", &C::TabWidth, &C::SetTabWidth).Default(0);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  P.Property(L"OnCanClose", &C::OnCanClose);
  P.Property(L"OnChange", &C::OnChange);
  P.Property(L"OnChanging", &C::OnChanging);
  P.Property(L"OnDrawTab", &C::OnDrawTab);
  P.Property(L"OnDrawTabEx", &C::OnDrawTabEx);
  P.Property(L"OnGetImageIndex", &C::OnGetImageIndex);
  P.Property(L"OnPageChanging", &C::OnPageChanging);
}

Integer TvxPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TvxPageControl::SetActivePageIndex(Integer Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? FPages[Value] : nullptr);
}

void TvxPageControl::SetActivePage(TvxTabSheet* Value) {
  if (FActivePageSetting || IsDestroying() || (Value && Value->FPageControl != this)) return;
  ChangeActivePage(Value);
  if (Value == FActivePage) {
    TValueScope<bool> setting(FActivePageSetting, true);
    LockChangeEvents(true);
    TScopeExit unlock([this] { LockChangeEvents(false); });
    SelectTabByIndex(Value && Value->FTabVisible ? Value->PageIndex() : -1);
  }
}

bool TvxPageControl::DoPageChanging(TvxTabSheet* ANewPage) {
  bool allow = true;
  if (FChangeEventLockCount == 0 && !IsLoading() && OnPageChanging) OnPageChanging(this, ANewPage, allow);
  return allow;
}

void TvxPageControl::ChangeActivePage(TvxTabSheet* APage) {
  if (APage == FActivePage || !DoPageChanging(APage)) return;
  TCustomForm* form = GetParentForm(this);
  if (form && FActivePage && FActivePage->ContainsControl(form->ActiveControl())) {
    form->SetActiveControl(FActivePage);
    if (form->ActiveControl() != FActivePage) {
      SelectTabByIndex(FActivePage->FTabVisible ? FActivePage->PageIndex() : -1);
      return;
    }
  }
  TWinControl* focusTo = nullptr;
  if (APage && form && FActivePage && form->ActiveControl() == FActivePage) {
    if (APage->Enabled() && Visible() && Enabled() && Parent() && Parent()->CanFocus())
      focusTo = APage;
    else
      focusTo = this;
  }
  TvxTabSheet* old = FActivePage;
  if (old) old->SetVisible(false);
  if (APage) {
    APage->BringToFront();
    APage->SetVisible(true);
    APage->Invalidate();
  }
  if (form && focusTo) form->SetActiveControl(focusTo);
  FActivePage = APage;
  PageChanged();
  if (form && APage && form->ActiveControl() == APage) APage->SelectNext(nullptr, true, true);
}

bool TvxPageControl::CanChange(Integer ANewTabIndex) {
  bool allow = TvxCustomTabControl::CanChange(ANewTabIndex);
  if (allow && ANewTabIndex != -1 && ANewTabIndex < PageCount()) allow = DoPageChanging(FPages[ANewTabIndex]);
  return allow;
}

void TvxPageControl::Change() {
  LockChangeEvents(true);
  {
    TScopeExit unlock([this] { LockChangeEvents(false); });
    UpdateActivePage();
  }
  TvxCustomTabControl::Change();
}

void TvxPageControl::UpdateActivePage() {
  const Integer index = TabIndex();
  ChangeActivePage(index >= 0 && index < PageCount() ? FPages[index] : nullptr);
}

void TvxPageControl::DoClose() {
  TvxTabSheet* page = FActivePage;
  delete page;
  Change();
}

bool TvxPageControl::CanFocusOnClick() {
  if (!TvxCustomTabControl::CanFocusOnClick()) return false;
  POINT p;
  GetCursorPos(&p);
  if (HandleAllocated()) ::ScreenToClient(Handle(), &p);
  return IndexOfTabAt(p.x, p.y) == (FActivePage ? FActivePage->TabIndex() : -1);
}

void TvxPageControl::Loaded() {
  // Loading tells every page of its parent's colour and font, and each of those and each
  // tab refreshed below would lay out all the tabs again: the layouts asked for meanwhile
  // wait and run once at the end.
  ++FLayoutDeferCount;
  TScopeExit layout([this] {
    if (--FLayoutDeferCount == 0 && FLayoutPending) {
      FLayoutPending = false;
      Relayout();
    }
  });
  TvxCustomTabControl::Loaded();
  {
    // The tabs change in one batch and the pages are aligned once.
    TAlignScope align(*this);
    {
      TUpdateScope<TvxTabs> tabs(Tabs());
      for (TvxTabSheet* page : FPages) RefreshTabFromSheet(page);
    }
    // The active page read from the form was only stored: it is the one shown.
    for (TvxTabSheet* page : FPages) page->SetVisible(page == FActivePage);
  }
  if (FActivePage) FActivePage->BringToFront();
  if (!IsDesigning() && FActivePage && !FActivePage->Enabled()) SetActivePage(nullptr);
}

TvxTabSheet* TvxPageControl::FindNextPage(TvxTabSheet* ACurrentPage, bool AGoForward, bool ACheckTabAccessibility) {
  return FindNextPageEx(ACurrentPage, AGoForward, true, ACheckTabAccessibility);
}

TvxTabSheet* TvxPageControl::FindNextPageEx(TvxTabSheet* ACurrentPage, bool AGoForward, bool ACircular,
                                            bool ACheckTabAccessibility) {
  const Integer n = PageCount();
  if (n == 0) return nullptr;
  auto it = std::find(FPages.begin(), FPages.end(), ACurrentPage);
  Integer i, count;
  if (it == FPages.end()) {
    i = AGoForward ? 0 : n - 1;
    count = n;
  } else {
    i = static_cast<Integer>(it - FPages.begin()) + (AGoForward ? 1 : -1);
    count = n - 1;
  }
  for (Integer k = 0; k < count; ++k) {
    if (i < 0 || i >= n) {
      if (!ACircular) return nullptr;
      i = AGoForward ? 0 : n - 1;
    }
    TvxTabSheet* page = FPages[i];
    if (!ACheckTabAccessibility || (page->FTabVisible && page->Enabled())) return page;
    i += AGoForward ? 1 : -1;
  }
  return nullptr;
}

void TvxPageControl::SelectNextPage(bool AGoForward, bool ACheckTabVisible) {
  TvxTabSheet* page = FindNextPage(FActivePage, AGoForward, ACheckTabVisible);
  if (page && page != FActivePage) SetActivePage(page);
}

void TvxPageControl::InsertPage(TvxTabSheet* APage) {
  if (!HandleAllocated() && Parent()) HandleNeeded();
  {
    TValueScope<bool> inserting(FPageInserting, true);
    FPages.push_back(APage);
    APage->AssignPageControl(this);
    Tabs()->Add(APage->Caption());
  }
  APage->FTab = Tabs()->Tab(PageCount() - 1);
  RefreshTabFromSheet(APage);
}

void TvxPageControl::RemovePage(TvxTabSheet* APage) {
  TvxTabSheet* next = FindNextPageEx(APage, true, false, !IsDesigning());
  if (!next) next = FindNextPageEx(APage, false, false, !IsDesigning());
  auto it = std::find(FPages.begin(), FPages.end(), APage);
  if (it == FPages.end()) return;
  const Integer index = static_cast<Integer>(it - FPages.begin());
  FPages.erase(it);
  APage->FTab = nullptr;
  Tabs()->Delete(index);
  FTabIndex = -1;
  FMainTabVisibleIndex = -1;
  if (FActivePage == APage) {
    FActivePage = nullptr;  // gone: no focus or hiding to do on it
    SetActivePage(next == APage ? nullptr : next);
  } else if (TvxTabSheet* keep = FActivePage) {
    // Another page stays active: only its tab, which may have moved, is selected again.
    LockChangeEvents(true);
    TScopeExit unlock([this] { LockChangeEvents(false); });
    FActivePage = nullptr;
    SetActivePage(keep);
  }
  APage->AssignPageControl(nullptr);
}

void TvxPageControl::RefreshTabFromSheet(TvxTabSheet* APage) {
  if (IsLoading() || !APage->FTab) return;
  TvxTab* tab = APage->FTab;
  tab->SetCaption(APage->Caption());
  tab->SetEnabled(APage->Enabled());
  tab->SetImageIndex(APage->FImageIndex);
  tab->SetHighlighted(APage->FHighlighted);
  tab->SetVisible(APage->FTabVisible);
  if (APage == FActivePage) {
    LockChangeEvents(true);
    TScopeExit unlock([this] { LockChangeEvents(false); });
    SelectTabByIndex(APage->FTabVisible ? APage->PageIndex() : -1);
  }
}

void TvxPageControl::MovePage(TvxTabSheet* APage, Integer ANewIndex) {
  const Integer old = APage->PageIndex();
  FPages.erase(FPages.begin() + old);
  FPages.insert(FPages.begin() + ANewIndex, APage);
  Tabs()->Move(old, ANewIndex);
  for (Integer i = 0; i < PageCount(); ++i) FPages[i]->FTab = Tabs()->Tab(i);
  RefreshTabFromSheet(APage);
  if (FActivePage) {
    LockChangeEvents(true);
    TScopeExit unlock([this] { LockChangeEvents(false); });
    FTabIndex = -1;
    SelectTabByIndex(FActivePage->FTabVisible ? FActivePage->PageIndex() : -1);
  }
}

// =======================================================================================
// TvxTabSheet

TvxTabSheet::TvxTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
  SetAlign(alClient);
  ControlStyle() = ControlStyle() + TControlStyle{csAcceptsControls, csNoDesignVisible};
  SetVisible(false);
  SetTabStop(false);
}

TvxTabSheet::~TvxTabSheet() {
  if (FPageControl && FPageControl->FUndockingPage == this) FPageControl->FUndockingPage = nullptr;
  if (FPageControl) FPageControl->RemovePage(this);
}

void TvxTabSheet::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TvxTabSheet::AssignPageControl(TvxPageControl* Value) {
  FPageControl = Value;
  TCustomControl::SetParent(Value);
}

void TvxTabSheet::SetParent(TWinControl* AParent) {
  if (AParent && !dynamic_cast<TvxPageControl*>(AParent)) Abort();
  if (AParent == FPageControl && AParent)
    TCustomControl::SetParent(AParent);
  else
    SetPageControl(static_cast<TvxPageControl*>(AParent));
}

void TvxTabSheet::SetPageControl(TvxPageControl* Value) {
  if (Value == FPageControl) return;
  if (FPageControl) FPageControl->RemovePage(this);
  if (Value) {
    Value->InsertPage(this);
    if (!Value->IsLoading() && !Value->FActivePage && FTabVisible) Value->SetActivePage(this);
  }
}

void TvxTabSheet::SetParentComponent(TComponent* Value) {
  // A form stream names the page control as the sheet's parent.
  if (auto* pc = dynamic_cast<TvxPageControl*>(Value)) SetPageControl(pc);
  else TCustomControl::SetParentComponent(Value);
}

void TvxTabSheet::DeclarePublished(TPublisher<TvxTabSheet>& P) {
  using C = TvxTabSheet;
  P.Property(L"Caption", &TControl::Caption, &TControl::SetCaption);
  P.Property(L"Color", &TControl::Color, &TControl::SetColor)
      .Type(TypeInfoColor())
      .Stored([](C* c) { return !c->ParentColor(); });
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"Font", &TControl::Font, &TControl::SetFont).Stored([](C* c) { return !c->ParentFont(); });
  P.Property(L"Highlighted", &C::Highlighted, &C::SetHighlighted).Default(false);
  P.Property(L"ImageIndex", &C::ImageIndex, &C::SetImageIndex).Default(-1);
  // The page order is the order of the sheets in the stream; the index is not written.
  P.Property(L"PageIndex", &C::PageIndex, &C::SetPageIndex).Stored(false);
  P.Property(L"TabVisible", &C::TabVisible, &C::SetTabVisible).Default(true);
  P.Property(L"OnHide", &C::OnHide);
  P.Property(L"OnShow", &C::OnShow);
}

Integer TvxTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  auto& pages = FPageControl->FPages;
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : static_cast<Integer>(it - pages.begin());
}

void TvxTabSheet::SetPageIndex(Integer Value) {
  if (!FPageControl) return;
  const Integer count = FPageControl->PageCount();
  // Negative values are refused like values past the end: either would move the page
  // outside the page list.
  if (Value < 0 || Value > count - 1) throw EListError(Format(ResStr(svxPCPageIndexError), {Value, count - 1}));
  if (Value == PageIndex()) return;
  FPageControl->MovePage(this, Value);
}

Integer TvxTabSheet::TabIndex() const { return FTab ? FTab->VisibleIndex() : -1; }

void TvxTabSheet::SetHighlighted(bool Value) {
  if (Value == FHighlighted) return;
  FHighlighted = Value;
  if (FPageControl) FPageControl->RefreshTabFromSheet(this);
}

void TvxTabSheet::SetImageIndex(Integer Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  if (FPageControl) FPageControl->RefreshTabFromSheet(this);
}

void TvxTabSheet::SetTabVisible(bool Value) {
  if (Value == FTabVisible) return;
  FTabVisible = Value;
  if (!FPageControl) return;
  FPageControl->RefreshTabFromSheet(this);
  if (Value && FPageControl->PageCount() == 1 && !FPageControl->FActivePage) FPageControl->SetActivePage(this);
}

void TvxTabSheet::DoHide() {
  if (OnHide) OnHide(this);
}

void TvxTabSheet::DoShow() {
  if (OnShow) OnShow(this);
}

void TvxTabSheet::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  if (!FPageControl || !FPageControl->Painter()) {
    InheritedMessage(Message.M);
    return;
  }
  HDC dc = Message.DC();
  if (FPageControl->Painter()->IsNativePainting()) {
    FPageControl->Painter()->PaintPageBackground(dc, this);
  } else {
    const int saved = ::SaveDC(dc);
    POINT org;
    ::GetWindowOrgEx(dc, &org);
    ::SetWindowOrgEx(dc, org.x + Left(), org.y + Top(), nullptr);
    FPageControl->EraseBackground(dc);
    ::RestoreDC(dc, saved);
  }
  Message.M.Result = 1;
}

void TvxTabSheet::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (FPageControl) FPageControl->RefreshTabFromSheet(this);
}

void TvxTabSheet::CMTextChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (FPageControl) FPageControl->RefreshTabFromSheet(this);
}

void TvxTabSheet::CMShowingChanged(TMessage& Message) {
  InheritedMessage(Message);
  try {
    if (Showing())
      DoShow();
    else
      DoHide();
  } catch (Exception&) {
    Application->HandleException(this);
  }
}

void TvxTabSheet::CMColorChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (FTab) FTab->Changed(tckLayout);
  Invalidate();
}

const TMessageMap* TvxTabSheet::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_ERASEBKGND, MessageHandler<&TvxTabSheet::WMEraseBkgnd>},
      {CM_ENABLEDCHANGED, MessageHandler<&TvxTabSheet::CMEnabledChanged>},
      {CM_TEXTCHANGED, MessageHandler<&TvxTabSheet::CMTextChanged>},
      {CM_SHOWINGCHANGED, MessageHandler<&TvxTabSheet::CMShowingChanged>},
      {CM_COLORCHANGED, MessageHandler<&TvxTabSheet::CMColorChanged>},
      {CM_PARENTCOLORCHANGED, MessageHandler<&TvxTabSheet::CMColorChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}
