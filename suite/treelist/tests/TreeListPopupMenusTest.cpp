// The tree list's own context menus, reached by real right clicks: the built-in header,
// footer and group-footer menus with their items, and the commands the items run.
#include "TreeListViewTestSupport.h"
#include "vxTLCustomizing.h"
#include "vxTLPopupMenus.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

struct MenuFixture : ListFixture {
  TvxTreeListPopupMenu* Shown = nullptr;
  // Every menu uses its built-in menu, and the test looks at it instead of tracking it.
  void SetUp() override {
    ListFixture::SetUp();
    TvxTreeListPopupMenus* menus = TL->PopupMenus();
    for (TvxTreeListPopupMenu* m : std::initializer_list<TvxTreeListPopupMenu*>{
             menus->ColumnHeaderMenu(), menus->FooterMenu(), menus->GroupFooterMenu()}) {
      m->SetUseBuiltInMenu(true);
      m->OnPopup = [this](TvxCustomTreeList*, TvxTreeListPopupMenu* AMenu, bool& AHandled) {
        Shown = AMenu;
        AHandled = true;
      };
    }
  }
  void RightClick(Integer X, Integer Y) {
    Shown = nullptr;
    POINT p{X, Y};
    ClientToScreen(TL->Handle(), &p);
    SetCursorPos(p.x, p.y);
    Pump(10);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, in, sizeof(INPUT));
    Pump(60);
  }
  TRect HeaderRect(TvxTreeListColumn* C) {
    TvxTreeListHeaderCellViewInfo* h = VI()->HeaderCellOf(C);
    return h ? h->BoundsRect() : TRect{};
  }
  void RightClickHeader(TvxTreeListColumn* C) {
    const TRect r = HeaderRect(C);
    RightClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  // The first client point (scanning up from the bottom in the column's middle) whose hit
  // test satisfies APred.
  template <class P>
  POINT FindPoint(TvxTreeListColumn* C, P APred) {
    const TRect r = HeaderRect(C);
    const Integer x = (r.left + r.right) / 2;
    for (Integer y = TL->ClientHeight() - 1; y > 0; --y)
      if (APred(HitAt(x, y))) return POINT{x, y};
    return POINT{-1, -1};
  }
  static TMenuItem* Item(TMenuItem* ARoot, const String& ACaption) {
    for (Integer i = 0; ARoot && i < ARoot->Count(); ++i)
      if (ARoot->Items(i)->Caption() == ACaption) return ARoot->Items(i);
    return nullptr;
  }
  static std::vector<String> Captions(TMenuItem* ARoot) {
    std::vector<String> r;
    for (Integer i = 0; ARoot && i < ARoot->Count(); ++i) r.push_back(ARoot->Items(i)->Caption());
    return r;
  }
  TMenuItem* Root() { return Shown && Shown->BuiltInMenu() ? Shown->BuiltInMenu()->Root() : nullptr; }
};

TEST_F(MenuFixture, HeaderMenuItemsAndTheirCommands) {
  Fill(3);
  TvxTreeListColumn* name = TL->Columns(1);
  RightClickHeader(name);
  ASSERT_EQ(Shown, TL->PopupMenus()->ColumnHeaderMenu());
  EXPECT_EQ(TL->PopupMenus()->ColumnHeaderMenu()->Column(), name);
  TMenuItem* root = Root();
  std::vector<String> expected{L"&Sort Ascending", L"S&ort Descending", L"&Clear Sorting", L"-", L"&Footer",
                               L"&Group Footers",  L"-",                L"R&emove This Column", L"F&ield Chooser",
                               L"-"};
  if (name->Properties()) {
    expected.push_back(L"Ho&rizontal Alignment");
    expected.push_back(L"Ver&tical Alignment");
  }
  for (const wchar_t* s : {L"&Best Fit", L"-", L"Bes&t Fit (all columns)"}) expected.push_back(s);
  EXPECT_EQ(Captions(root), expected);
  EXPECT_FALSE(Item(root, L"&Clear Sorting")->Enabled());
  EXPECT_FALSE(Item(root, L"&Footer")->Checked());
  TMenuItem* groups = Item(root, L"&Group Footers");
  EXPECT_EQ(Captions(groups), (std::vector<String>{L"&Hidden", L"&Visible When Expanded", L"&Always Visible"}));
  EXPECT_TRUE(Item(groups, L"&Hidden")->Checked());

  // The commands.
  Item(root, L"&Sort Ascending")->Click();
  EXPECT_EQ(name->SortOrder(), soAscending);
  Item(root, L"&Footer")->Click();
  EXPECT_TRUE(TL->OptionsView()->Footer());
  Item(groups, L"&Always Visible")->Click();
  EXPECT_EQ(TL->OptionsView()->GroupFooters(), tlgfAlwaysVisible);
  Pump(30);
  RightClickHeader(name);
  ASSERT_NE(Root(), nullptr);
  EXPECT_TRUE(Item(Root(), L"&Sort Ascending")->Checked());
  EXPECT_TRUE(Item(Root(), L"&Clear Sorting")->Enabled());
  EXPECT_TRUE(Item(Root(), L"&Footer")->Checked());
  Item(Root(), L"&Clear Sorting")->Click();
  EXPECT_EQ(name->SortOrder(), soNone);
  std::vector<TvxTreeListColumn*> moved;
  TL->OnColumnPosChanged = [&](TObject*, TvxTreeListColumn* c) { moved.push_back(c); };
  Item(Root(), L"R&emove This Column")->Click();
  EXPECT_FALSE(name->Visible());
  EXPECT_EQ(moved, std::vector<TvxTreeListColumn*>{name});
  Item(Root(), L"F&ield Chooser")->Click();
  Pump(30);
  EXPECT_TRUE(TL->Customizing()->Visible());
  TL->Customizing()->SetVisible(false);
}

TEST_F(MenuFixture, RemoveIsMissingForTheOnlyVisibleColumnAndAHandledClickRunsNothing) {
  Fill(1);
  for (Integer i = 1; i < TL->ColumnCount(); ++i) TL->Columns(i)->SetVisible(false);
  Pump(30);
  TvxTreeListColumn* type = TL->Columns(0);
  RightClickHeader(type);
  ASSERT_NE(Root(), nullptr);
  EXPECT_EQ(Item(Root(), L"R&emove This Column"), nullptr);
  EXPECT_NE(Item(Root(), L"F&ield Chooser"), nullptr);
  // OnClick that handles the item keeps the command from running.
  TObject* clicked = nullptr;
  Shown->OnClick = [&](TvxCustomTreeList*, TObject* AItem, bool& AHandled) {
    clicked = AItem;
    AHandled = true;
  };
  TMenuItem* ascending = Item(Root(), L"&Sort Ascending");
  ascending->Click();
  EXPECT_EQ(clicked, ascending);
  EXPECT_EQ(type->SortOrder(), soNone);
}

TEST_F(MenuFixture, FooterMenuOnAStringColumnAndItsSummaryCommands) {
  TL->OptionsView()->SetFooter(true);
  Fill(3);
  TvxTreeListColumn* name = TL->Columns(1);
  const POINT p = FindPoint(name, [](TvxTreeListHitTest* h) { return h->HitAtFooter() || h->HitAtFooterItem(); });
  ASSERT_GE(p.y, 0);
  RightClick(p.x, p.y);
  ASSERT_EQ(Shown, TL->PopupMenus()->FooterMenu());
  TvxTreeListSummaryItems* items = name->Summary()->FooterSummaryItems();
  EXPECT_EQ(TL->PopupMenus()->FooterMenu()->SummaryItems(), items);
  EXPECT_EQ(Captions(Root()),
            (std::vector<String>{L"Sum", L"Min", L"Max", L"Count", L"Average", L"-", L"None", L"-", L"All Nodes"}));
  // A string column sums nothing: only Count, None and All Nodes (with a kind) are offered.
  for (const wchar_t* s : {L"Sum", L"Min", L"Max", L"Average"}) EXPECT_FALSE(Item(Root(), s)->Enabled()) << s;
  EXPECT_TRUE(Item(Root(), L"Count")->Enabled());
  EXPECT_TRUE(Item(Root(), L"None")->Checked());
  EXPECT_FALSE(Item(Root(), L"All Nodes")->Enabled());

  // Count adds one item, the second Count hides it; All Nodes toggles every item.
  Item(Root(), L"Count")->Click();
  ASSERT_EQ(items->Count(), 1);
  EXPECT_EQ(items->Items(0)->Kind(), skCount);
  EXPECT_TRUE(items->Items(0)->Visible());
  const bool allNodes = items->Items(0)->AllNodes();
  Pump(30);
  RightClick(p.x, p.y);
  ASSERT_NE(Root(), nullptr);
  EXPECT_TRUE(Item(Root(), L"Count")->Checked());
  EXPECT_FALSE(Item(Root(), L"None")->Checked());
  Item(Root(), L"All Nodes")->Click();
  EXPECT_NE(items->Items(0)->AllNodes(), allNodes);
  Item(Root(), L"Count")->Click();
  EXPECT_EQ(items->Count(), 1);
  EXPECT_FALSE(items->Items(0)->Visible());
  // Count again shows the same item; None hides every item.
  Item(Root(), L"Count")->Click();
  EXPECT_EQ(items->Count(), 1);
  EXPECT_TRUE(items->Items(0)->Visible());
  Item(Root(), L"None")->Click();
  EXPECT_FALSE(items->Items(0)->Visible());
}

TEST_F(MenuFixture, GroupFooterMenuTakesTheColumnsGroupItems) {
  TL->OptionsView()->SetGroupFooters(tlgfAlwaysVisible);
  Fill(2);
  Node* parent = Row(0);
  for (int i = 0; i < 2; ++i) parent->AddChild()->SetValues(1, Variant(String(L"child")));
  parent->Expand(false);
  Relayout();
  TvxTreeListColumn* name = TL->Columns(1);
  const POINT p =
      FindPoint(name, [](TvxTreeListHitTest* h) { return h->HitAtGroupFooter() || h->HitAtGroupFooterItem(); });
  ASSERT_GE(p.y, 0);
  RightClick(p.x, p.y);
  ASSERT_EQ(Shown, TL->PopupMenus()->GroupFooterMenu());
  EXPECT_EQ(TL->PopupMenus()->GroupFooterMenu()->SummaryItems(), name->Summary()->GroupFooterSummaryItems());
  Item(Root(), L"Count")->Click();
  ASSERT_EQ(name->Summary()->GroupFooterSummaryItems()->Count(), 1);
  EXPECT_EQ(name->Summary()->FooterSummaryItems()->Count(), 0);
}

TEST_F(MenuFixture, WithoutBuiltInMenusARightClickShowsTheUsersMenus) {
  Fill(1);
  TL->PopupMenus()->ColumnHeaderMenu()->SetUseBuiltInMenu(false);
  std::unique_ptr<TPopupMenu> headerMenu(new TPopupMenu(nullptr));
  std::unique_ptr<TPopupMenu> controlMenu(new TPopupMenu(nullptr));
  int headerShown = 0, controlShown = 0;
  // The menus close themselves as soon as they are up.
  auto closeSoon = [] { SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR AId, DWORD) {
                          KillTimer(nullptr, AId);
                          EndMenu();
                        }); };
  headerMenu->OnPopup = [&](TObject*) { ++headerShown, closeSoon(); };
  controlMenu->OnPopup = [&](TObject*) { ++controlShown, closeSoon(); };
  headerMenu->Items()->Add(new TMenuItem(headerMenu.get()));
  controlMenu->Items()->Add(new TMenuItem(controlMenu.get()));
  TL->SetPopupMenuComponent(controlMenu.get());
  // No menu of its own: the header falls through to the control's menu.
  TL->PopupMenus()->ColumnHeaderMenu()->OnPopup = nullptr;
  RightClickHeader(TL->Columns(1));
  EXPECT_EQ(controlShown, 1);
  TL->PopupMenus()->ColumnHeaderMenu()->SetPopupMenu(headerMenu.get());
  RightClickHeader(TL->Columns(1));
  EXPECT_EQ(headerShown, 1);
  EXPECT_EQ(controlShown, 1);
  TL->SetPopupMenuComponent(nullptr);
  TL->PopupMenus()->ColumnHeaderMenu()->SetPopupMenu(nullptr);
}

}  // namespace
}  // namespace tlv_test
}  // namespace ZS_UNITY_ID
