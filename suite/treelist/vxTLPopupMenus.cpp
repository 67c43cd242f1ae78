// The tree list's context menus: the user's menu or the built-in one, the items of the
// footer and column-header menus and the commands they run.
#include "vxTLPopupMenus.h"

#include <algorithm>

#include "vxControls.h"
#include "vxTLCustomizing.h"
#include "vxTLStrs.h"
#include "vxTLView.h"

namespace {

constexpr TSize kMenuImageSize{16, 16};

// Footer commands: 0 to 5 are summary kinds (0 None), 6 toggles AllNodes.
constexpr Integer kFooterAllNodes = 6;

enum : Integer {
  kHdrSortAscending = 20,
  kHdrSortDescending,
  kHdrClearSorting,
  kHdrFooter,
  kHdrGroupFootersInvisible,
  kHdrGroupFootersWhenExpanded,
  kHdrGroupFootersAlways,
  kHdrRemoveColumn,
  kHdrFieldChooser,
  kHdrAlignLeft,
  kHdrAlignRight,
  kHdrAlignCenter,
  kHdrAlignTop,
  kHdrAlignBottom,
  kHdrAlignVCenter,
  kHdrBestFit,
  kHdrBestFitAll
};

// The kinds of the visible items, and whether some item counts all nodes.
void VisibleKinds(TvxTreeListSummaryItems* AItems, std::vector<TvxSummaryKind>& AKinds, bool& AAllNodes) {
  AKinds.clear();
  AAllNodes = false;
  if (!AItems) return;
  for (Integer i = 0; i < AItems->Count(); ++i) {
    TvxTreeListSummaryItem* item = AItems->Items(i);
    if (item->AllNodes()) AAllNodes = true;
    if (item->Visible() && item->Kind() != skNone) AKinds.push_back(item->Kind());
  }
}

}  // namespace

// --- TvxTreeListCustomPopupMenu ---

TvxCustomTreeList* TvxTreeListCustomPopupMenu::TreeList() const { return dynamic_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListCustomPopupMenu::SetPopupMenu(TComponent* Value) {
  if (FPopupMenu == Value) return;
  FPopupMenu = Value;
  if (Value && TreeList()) Value->FreeNotification(TreeList());
}

bool TvxTreeListCustomPopupMenu::Popup(Integer X, Integer Y) { return vxShowPopupMenuAt(TreeList(), FPopupMenu, X, Y); }

// --- TvxTreeListBuiltInMenu ---

TvxTreeListBuiltInMenu::TvxTreeListBuiltInMenu(TvxTreeListPopupMenu* AOwner) : TvxTreeListCustomPopupMenu(AOwner) {}

TvxTreeListBuiltInMenu::~TvxTreeListBuiltInMenu() { DestroyPopupMenu(); }

TvxTreeListPopupMenu* TvxTreeListBuiltInMenu::Owner() const { return static_cast<TvxTreeListPopupMenu*>(FOwner); }

TvxCustomTreeList* TvxTreeListBuiltInMenu::TreeList() const { return Owner()->TreeList(); }

void TvxTreeListBuiltInMenu::CreatePopupMenu() {
  DestroyPopupMenu();
  // A component of the tree list: the tree list frees it if it goes first.
  auto* menu = new TPopupMenu(TreeList());
  FPopupMenu = menu;
  TvxTreeListPopupMenu* owner = Owner();
  menu->SetImages(owner->UserImages() ? owner->UserImages() : owner->Images());
  // The items draw themselves: image box, check frame and caption.
  menu->SetOwnerDraw(true);
}

void TvxTreeListBuiltInMenu::DestroyPopupMenu() {
  std::unique_ptr<TComponent> menu(FPopupMenu);
  FPopupMenu = nullptr;
}

void TvxTreeListBuiltInMenu::ItemClick(TObject* Sender) {
  if (auto* item = dynamic_cast<TvxTreeListBuiltInMenuItem*>(Sender)) Owner()->DoClick(item);
}

// --- TvxTreeListBuiltInMenuItem ---

void TvxTreeListBuiltInMenuItem::AdvancedDrawItem(TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State,
                                                  bool TopLevel) {
  if (TopLevel || IsLine()) {
    inherited::AdvancedDrawItem(ACanvas, ARect, State, TopLevel);
    return;
  }
  const Integer h = ARect.bottom - ARect.top;
  const RECT imageBox{ARect.left, ARect.top, ARect.left + h, ARect.bottom};
  RECT textBox{imageBox.right + 3, ARect.top, ARect.right - 1, ARect.bottom};
  HDC dc = ACanvas->Handle();
  const bool selected = State.Contains(odSelected);
  const COLORREF back = GetSysColor(selected ? (IsThemeActive() ? COLOR_MENUHILIGHT : COLOR_HIGHLIGHT) : COLOR_MENU);
  HBRUSH brush = CreateSolidBrush(back);
  FillRect(dc, &ARect, brush);
  DeleteObject(brush);
  if (Checked()) {
    HBRUSH frame = GetSysColorBrush(COLOR_BTNSHADOW);
    FrameRect(dc, &imageBox, frame);
    RECT inner = imageBox;
    InflateRect(&inner, -1, -1);
    FillRect(dc, &inner, GetSysColorBrush(COLOR_BTNFACE));
  }
  TCustomImageList* images = GetImageList();
  if (images && ImageIndex() >= 0 && ImageIndex() < images->Count()) {
    images->Draw(ACanvas, imageBox.left + 1, imageBox.top + 1, ImageIndex(), Enabled());
  } else if (Checked()) {
    RECT mark = imageBox;
    InflateRect(&mark, -3, -3);
    DrawFrameControl(dc, &mark, DFC_MENU, DFCS_MENUCHECK);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : (Enabled() ? COLOR_MENUTEXT : COLOR_GRAYTEXT)));
  const String caption = Caption();
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &textBox,
            DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS);
  if (ShortCut() != 0) {
    const String shortcut = ShortCutToText(ShortCut());
    textBox.right -= 10;
    DrawTextW(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &textBox,
              DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  }
}

// --- TvxTreeListPopupMenu ---

TvxTreeListPopupMenu::TvxTreeListPopupMenu(TvxCustomTreeList* AOwner)
    : TvxTreeListCustomPopupMenu(AOwner),
      FImages(std::make_unique<TvxImageList>(kMenuImageSize.cx, kMenuImageSize.cy)) {}

TvxTreeListPopupMenu::~TvxTreeListPopupMenu() = default;

TvxCustomTreeList* TvxTreeListPopupMenu::TreeList() const { return dynamic_cast<TvxCustomTreeList*>(FOwner); }

void TvxTreeListPopupMenu::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxTreeListPopupMenu*>(Source)) {
    SetUseBuiltInMenu(s->UseBuiltInMenu());
    SetPopupMenu(s->PopupMenu());
    OnClick = s->OnClick;
    OnPopup = s->OnPopup;
    return;
  }
  inherited::Assign(Source);
}

void TvxTreeListPopupMenu::SetUseBuiltInMenu(bool Value) {
  if (FUseBuiltInMenu == Value) return;
  FUseBuiltInMenu = Value;
  if (!Value) FBuiltInMenu.reset();
}

void TvxTreeListPopupMenu::SetUserImages(TCustomImageList* Value) {
  if (FUserImages == Value) return;
  FUserImages = Value;
  if (Value && TreeList()) Value->FreeNotification(TreeList());
}

void TvxTreeListPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation != opRemove) return;
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (AComponent == FUserImages) FUserImages = nullptr;
  if (FBuiltInMenu && AComponent == FBuiltInMenu->PopupMenu()) FBuiltInMenu->SetPopupMenu(nullptr);
}

void TvxTreeListPopupMenu::FillInternalImages() {
  if (FImagesFilled) return;
  FImagesFilled = true;
  const String prefix = ImageResourcePrefix();
  for (Integer i = 1; i <= ImageCount(); ++i) {
    const String name = prefix + IntToStr(i);
    TBitmap b;
    if (!vxTreeListLoadBitmapResource(&b, name)) b.SetSize(kMenuImageSize.cx, kMenuImageSize.cy);
    FImages->AddMasked(&b, clNone);
  }
}

bool TvxTreeListPopupMenu::Popup(Integer X, Integer Y) {
  if (FUseBuiltInMenu) {
    FillInternalImages();
    if (!FBuiltInMenu) FBuiltInMenu = std::make_unique<TvxTreeListBuiltInMenu>(this);
    FBuiltInMenu->CreatePopupMenu();
    AddItems(FBuiltInMenu->Root());
  }
  bool handled = false;
  if (OnPopup) OnPopup(TreeList(), this, handled);
  if (handled) return true;
  if (!FUseBuiltInMenu) return inherited::Popup(X, Y);
  return vxShowPopupMenuAt(TreeList(), FBuiltInMenu->PopupMenu(), X, Y);
}

TMenuItem* TvxTreeListPopupMenu::AddMenuItem(TComponent* AOwner, bool AInternal, const String& ACaption,
                                             Integer ACommand, bool AEnabled, bool AChecked, Integer AImageIndex,
                                             bool AWithSeparator) {
  auto* parent = dynamic_cast<TMenuItem*>(AOwner);
  if (!parent) {
    if (auto* menu = dynamic_cast<TMenu*>(AOwner)) parent = menu->Items();
  }
  if (!parent) return nullptr;
  if (AWithSeparator) {
    auto* line = new TvxTreeListBuiltInMenuItem(parent);
    line->SetCaption(L"-");
    parent->Add(line);
  }
  auto* item = new TvxTreeListBuiltInMenuItem(parent);
  item->SetCaption(ACaption);
  item->SetChecked(AChecked);
  item->SetEnabled(AEnabled);
  item->SetImageIndex(AImageIndex);
  item->SetTag(ACommand);
  item->FInternal = AInternal;
  item->FBuiltInMenu = FBuiltInMenu.get();
  if (AInternal && AImageIndex >= 0 && AImageIndex < FImages->Count()) {
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    FImages->GetBitmap(AImageIndex, &b);
    item->SetBitmap(&b);
  }
  item->OnClick = [this](TObject* Sender) {
    if (FBuiltInMenu) FBuiltInMenu->ItemClick(Sender);
  };
  parent->Add(item);
  return item;
}

TComponent* TvxTreeListPopupMenu::CreateMenuItem(TComponent* AOwner, const String& ACaption, Integer ACommand,
                                                 bool AEnabled, TvxTreeListBuiltInMenuItemType, bool AChecked,
                                                 Integer AImageIndex, bool AWithSeparator) {
  return AddMenuItem(AOwner, false, ACaption, ACommand, AEnabled, AChecked, AImageIndex, AWithSeparator);
}

TMenuItem* TvxTreeListPopupMenu::CreateInternalMenuItem(TMenuItem* AOwner, const String& ACaption, Integer ACommand,
                                                        bool AEnabled, TvxTreeListBuiltInMenuItemType,
                                                        bool AChecked, Integer AImageIndex, bool AWithSeparator) {
  return AddMenuItem(AOwner, true, ACaption, ACommand, AEnabled, AChecked, AImageIndex, AWithSeparator);
}

void TvxTreeListPopupMenu::DoClick(TvxTreeListBuiltInMenuItem* AItem) {
  bool handled = false;
  if (OnClick) OnClick(TreeList(), AItem, handled);
  if (!handled) ExecuteCommand(static_cast<Integer>(AItem->Tag()));
}

// --- Footer menus ---

void TvxTreeListFooterPopupMenu::Assign(TPersistent* Source) {
  inherited::Assign(Source);
  if (auto* s = dynamic_cast<TvxTreeListFooterPopupMenu*>(Source)) FItems = s->Items();
}

bool TvxTreeListFooterPopupMenu::CheckHitTest(TvxTreeListHitTest* AHitTest) {
  if (!(AHitTest->HitAtFooterItem() || AHitTest->HitAtFooter()) || !AHitTest->HitColumn) return false;
  FSummaryItems = AHitTest->HitColumn->Summary()->FooterSummaryItems();
  return true;
}

bool TvxTreeListGroupFooterPopupMenu::CheckHitTest(TvxTreeListHitTest* AHitTest) {
  if (!(AHitTest->HitAtGroupFooterItem() || AHitTest->HitAtGroupFooter()) || !AHitTest->HitColumn) return false;
  SetSummaryItems(AHitTest->HitColumn->Summary()->GroupFooterSummaryItems());
  return true;
}

bool TvxTreeListFooterPopupMenu::IsKindAllowed(TvxTreeListColumn* AColumn, TvxSummaryKind AKind) {
  if (AKind == skCount || AKind == skNone) return true;
  TvxValueTypeClass type = AColumn ? AColumn->GetValueTypeClass() : nullptr;
  if (!type) return false;
  const Integer vt = type->GetVarType();
  const bool numeric = (vt >= varSmallint && vt <= varDate) || (vt >= varShortInt && vt <= varInt64);
  if (!numeric) return false;
  return !(vt == varDate && (AKind == skSum || AKind == skAverage));
}

void TvxTreeListFooterPopupMenu::AddItems(TMenuItem* ARoot) {
  std::vector<TvxSummaryKind> kinds;
  bool allNodes = false;
  VisibleKinds(FSummaryItems, kinds, allNodes);
  auto has = [&kinds](TvxSummaryKind K) { return std::find(kinds.begin(), kinds.end(), K) != kinds.end(); };
  TvxTreeListColumn* column = FSummaryItems ? FSummaryItems->Summary()->Column() : nullptr;
  struct TEntry {
    TvxTreeListFooterPopupMenuItem Item;
    TResStringRec* Caption;
    TvxSummaryKind Kind;
    Integer Image;
  };
  static const TEntry entries[] = {
      {tlfmiSum, &svxTreeListSumMenuItem, skSum, 0},       {tlfmiMin, &svxTreeListMinMenuItem, skMin, 1},
      {tlfmiMax, &svxTreeListMaxMenuItem, skMax, 2},       {tlfmiCount, &svxTreeListCountMenuItem, skCount, 3},
      {tlfmiAverage, &svxTreeListAvgMenuItem, skAverage, 4},
  };
  for (const TEntry& e : entries)
    if (FItems.Contains(e.Item))
      CreateInternalMenuItem(ARoot, vxGetResString(e.Caption), e.Kind, IsKindAllowed(column, e.Kind), tlmitChecked,
                             has(e.Kind), e.Image, false);
  if (FItems.Contains(tlfmiNone))
    CreateInternalMenuItem(ARoot, vxGetResString(&svxTreeListNoneMenuItem), skNone, true, tlmitChecked,
                           kinds.empty(), -1, true);
  if (FItems.Contains(tlfmiAllNodes))
    CreateInternalMenuItem(ARoot, vxGetResString(&svxTreeListAllNodesMenuItem), kFooterAllNodes, !kinds.empty(),
                           tlmitChecked, !kinds.empty() && allNodes, -1, true);
}

void TvxTreeListFooterPopupMenu::ExecuteCommand(Integer ACommand) {
  if (!FSummaryItems) return;
  std::vector<TvxSummaryKind> kinds;
  bool allNodes = false;
  VisibleKinds(FSummaryItems, kinds, allNodes);
  TvxTreeListSummaryItems* items = FSummaryItems;
  items->BeginUpdate();
  TScopeExit endUpdate([items] { items->EndUpdate(); });
  if (ACommand == kFooterAllNodes) {
    for (Integer i = 0; i < items->Count(); ++i) items->Items(i)->SetAllNodes(!allNodes);
    return;
  }
  if (ACommand < skNone || ACommand > skAverage) return;
  const auto kind = static_cast<TvxSummaryKind>(ACommand);
  const bool visible = kind != skNone && std::find(kinds.begin(), kinds.end(), kind) == kinds.end();
  if (!visible || items->GetItemByKind(kind)) {
    for (Integer i = 0; i < items->Count(); ++i)
      if (kind == skNone || items->Items(i)->Kind() == kind) items->Items(i)->SetVisible(visible);
    return;
  }
  TvxTreeListSummaryItem* item = items->Add();
  item->SetKind(kind);
  item->SetAllNodes(allNodes);
}

// --- Column header menu ---

void TvxTreeListColumnHeaderPopupMenu::Assign(TPersistent* Source) {
  inherited::Assign(Source);
  if (auto* s = dynamic_cast<TvxTreeListColumnHeaderPopupMenu*>(Source)) FItems = s->Items();
}

bool TvxTreeListColumnHeaderPopupMenu::CheckHitTest(TvxTreeListHitTest* AHitTest) {
  if (!AHitTest->HitAtColumnHeader() || !AHitTest->HitColumn) return false;
  FColumn = AHitTest->HitColumn;
  return true;
}

TMenuItem* TvxTreeListColumnHeaderPopupMenu::Add(TMenuItem* AOwner, TResStringRec* ACaption, Integer ACommand,
                                                 bool AEnabled, TvxTreeListBuiltInMenuItemType AType, bool AChecked,
                                                 Integer AImage) {
  const bool separator = FSeparatorNeeded && AOwner->Count() > 0;
  FSeparatorNeeded = false;
  return CreateInternalMenuItem(AOwner, vxGetResString(ACaption), ACommand, AEnabled, AType, AChecked, AImage,
                                separator);
}

void TvxTreeListColumnHeaderPopupMenu::AddItems(TMenuItem* ARoot) {
  TvxTreeListColumn* c = FColumn;
  TvxCustomTreeList* tl = TreeList();
  if (!c || !tl) return;
  FSeparatorNeeded = false;
  const TvxDataSortOrder order = c->SortOrder();
  if (FItems.Contains(tlchmiSortAscending))
    Add(ARoot, &svxTreeListSortAscendingMenuItem, kHdrSortAscending, true, tlmitChecked, order == soAscending, 0);
  if (FItems.Contains(tlchmiSortDescending))
    Add(ARoot, &svxTreeListSortDescendingMenuItem, kHdrSortDescending, true, tlmitChecked, order == soDescending, 1);
  if (FItems.Contains(tlchmiClearSorting))
    Add(ARoot, &svxTreeListClearSortingMenuItem, kHdrClearSorting, order != soNone, tlmitDefault, false, -1);
  FSeparatorNeeded = true;
  TvxTreeListOptionsView* view = tl->OptionsView();
  if (FItems.Contains(tlchmiFooter))
    Add(ARoot, &svxTreeListFooterMenuItem, kHdrFooter, true, tlmitChecked, view->Footer(), 4);
  if (FItems.Contains(tlchmiGroupFooters)) {
    TMenuItem* sub = Add(ARoot, &svxTreeListGroupFootersMenuItem, -1, true, tlmitSubItem, false, 5);
    const TvxTreeListGroupFootersMode mode = view->GroupFooters();
    Add(sub, &svxTreeListGroupFootersInvisibleMenuItem, kHdrGroupFootersInvisible, true, tlmitChecked,
        mode == tlgfInvisible, -1);
    Add(sub, &svxTreeListGroupFootersVisibleWhenExpandedMenuItem, kHdrGroupFootersWhenExpanded, true, tlmitChecked,
        mode == tlgfVisibleWhenExpanded, -1);
    Add(sub, &svxTreeListGroupFootersAlwaysVisibleMenuItem, kHdrGroupFootersAlways, true, tlmitChecked,
        mode == tlgfAlwaysVisible, -1);
  }
  FSeparatorNeeded = true;
  if (FItems.Contains(tlchmiRemoveThisColumn) && !c->Options()->Get(TvxTreeListColumnOptions::Hidden) &&
      tl->OptionsCustomizing()->Get(TvxTreeListOptionsCustomizing::ColumnMoving) &&
      c->Options()->Get(TvxTreeListColumnOptions::Moving) && tl->VisibleColumnCount() > 1)
    Add(ARoot, &svxTreeListRemoveThisColumnMenuItem, kHdrRemoveColumn, true, tlmitDefault, false, -1);
  if (FItems.Contains(tlchmiFieldChooser))
    Add(ARoot, &svxTreeListFieldChooserMenuItem, kHdrFieldChooser, true, tlmitDefault, false, 2);
  FSeparatorNeeded = true;
  if (TvxCustomEditProperties* p = c->Properties()) {
    if (FItems.Contains(tlchmiHorzAlignment)) {
      TMenuItem* sub = Add(ARoot, &svxTreeListHorizontalAlignmentMenuItem, -1, true, tlmitSubItem, false, -1);
      const TAlignment h = p->Alignment()->Horz();
      Add(sub, &svxTreeListHorizontalAlignmentLeftMenuItem, kHdrAlignLeft, true, tlmitChecked, h == taLeftJustify, -1);
      Add(sub, &svxTreeListHorizontalAlignmentCenterMenuItem, kHdrAlignCenter, true, tlmitChecked, h == taCenter, -1);
      Add(sub, &svxTreeListHorizontalAlignmentRightMenuItem, kHdrAlignRight, true, tlmitChecked, h == taRightJustify,
          -1);
    }
    if (FItems.Contains(tlchmiVertAlignment)) {
      TMenuItem* sub = Add(ARoot, &svxTreeListVerticalAlignmentMenuItem, -1, true, tlmitSubItem, false, -1);
      const TvxEditVertAlignment v = p->Alignment()->Vert();
      Add(sub, &svxTreeListVerticalAlignmentTopMenuItem, kHdrAlignTop, true, tlmitChecked, v == taTopJustify, -1);
      Add(sub, &svxTreeListVerticalAlignmentCenterMenuItem, kHdrAlignVCenter, true, tlmitChecked, v == taVCenter, -1);
      Add(sub, &svxTreeListVerticalAlignmentBottomMenuItem, kHdrAlignBottom, true, tlmitChecked,
          v == taBottomJustify, -1);
    }
  }
  if (FItems.Contains(tlchmiBestFit)) Add(ARoot, &svxTreeListBestFitMenuItem, kHdrBestFit, true, tlmitDefault, false, 3);
  if (FItems.Contains(tlchmiBestFitAllColumns)) {
    FSeparatorNeeded = true;
    Add(ARoot, &svxTreeListBestFitAllColumnsMenuItem, kHdrBestFitAll, true, tlmitDefault, false, -1);
  }
}

void TvxTreeListColumnHeaderPopupMenu::ExecuteCommand(Integer ACommand) {
  TvxTreeListColumn* c = FColumn;
  TvxCustomTreeList* tl = TreeList();
  if (!c || !tl) return;
  TvxTreeListOptionsView* view = tl->OptionsView();
  TvxCustomEditProperties* p = c->Properties();
  switch (ACommand) {
    case kHdrSortAscending: c->SetSortOrder(soAscending); break;
    case kHdrSortDescending: c->SetSortOrder(soDescending); break;
    case kHdrClearSorting: c->SetSortOrder(soNone); break;
    case kHdrFooter: view->SetFooter(!view->Footer()); break;
    case kHdrGroupFootersInvisible: view->SetGroupFooters(tlgfInvisible); break;
    case kHdrGroupFootersWhenExpanded: view->SetGroupFooters(tlgfVisibleWhenExpanded); break;
    case kHdrGroupFootersAlways: view->SetGroupFooters(tlgfAlwaysVisible); break;
    case kHdrRemoveColumn:
      c->SetVisible(false);
      if (tl->OnColumnPosChanged) tl->OnColumnPosChanged(tl, c);
      break;
    case kHdrFieldChooser: tl->Customizing()->MakeColumnPageVisible(); break;
    case kHdrAlignLeft: if (p) p->Alignment()->SetHorz(taLeftJustify); break;
    case kHdrAlignRight: if (p) p->Alignment()->SetHorz(taRightJustify); break;
    case kHdrAlignCenter: if (p) p->Alignment()->SetHorz(taCenter); break;
    case kHdrAlignTop: if (p) p->Alignment()->SetVert(taTopJustify); break;
    case kHdrAlignBottom: if (p) p->Alignment()->SetVert(taBottomJustify); break;
    case kHdrAlignVCenter: if (p) p->Alignment()->SetVert(taVCenter); break;
    default: break;
  }
}

// --- TvxTreeListPopupMenus ---

TvxTreeListPopupMenus::TvxTreeListPopupMenus(TvxCustomTreeList* AOwner)
    : TvxOwnedPersistent(AOwner), FTreeList(AOwner) {
  auto footer = std::make_unique<TvxTreeListFooterPopupMenu>(AOwner);
  auto group = std::make_unique<TvxTreeListGroupFooterPopupMenu>(AOwner);
  auto header = std::make_unique<TvxTreeListColumnHeaderPopupMenu>(AOwner);
  FFooterMenu = footer.get();
  FGroupFooterMenu = group.get();
  FColumnHeaderMenu = header.get();
  FMenus.push_back(std::move(footer));
  FMenus.push_back(std::move(group));
  FMenus.push_back(std::move(header));
}

TvxTreeListPopupMenus::~TvxTreeListPopupMenus() = default;

void TvxTreeListPopupMenus::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxTreeListPopupMenus*>(Source)) {
    FColumnHeaderMenu->Assign(s->ColumnHeaderMenu());
    FFooterMenu->Assign(s->FooterMenu());
    FGroupFooterMenu->Assign(s->GroupFooterMenu());
    return;
  }
  inherited::Assign(Source);
}

bool TvxTreeListPopupMenus::Popup(Integer X, Integer Y) {
  TvxTreeListHitTest* h = FTreeList->HitTest();
  if (!h || !FTreeList->HandleAllocated()) return false;
  const POINT p = FTreeList->ScreenToClient(POINT{X, Y});
  for (auto& menu : FMenus) {
    h->SetHitPoint(TPoint{p.x, p.y});
    if (menu->CheckHitTest(h) && menu->Popup(X, Y)) return true;
  }
  return false;
}

void TvxTreeListPopupMenus::Notification(TComponent* AComponent, TOperation Operation) {
  for (auto& menu : FMenus) menu->Notification(AComponent, Operation);
}
