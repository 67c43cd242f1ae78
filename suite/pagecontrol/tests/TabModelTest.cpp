// The tab list, the visible-tab list and their errors.
#include "PageControlTestSupport.h"

#include "SysUtils.h"

namespace ZS_UNITY_ID {

using namespace pc_test;

namespace {

struct TabModelTest : TTabFormFixture {};

String MessageOf(const std::function<void()>& F) {
  try {
    F();
  } catch (EvdException& E) {
    return E.Message();
  }
  return L"(no error)";
}

}  // namespace

TEST_F(TabModelTest, FirstTabIsSelectedWithoutEventsAndIndexesFollowInsertDeleteMove) {
  auto* c = AddTabControl({0, 0, 300, 100});
  int changing = 0, changed = 0;
  c->OnChanging = [&](TObject*, bool&) { ++changing; };
  c->OnChange = [&](TObject*) { ++changed; };
  c->Tabs()->Add(L"A");
  EXPECT_EQ(c->TabIndex(), 0);
  c->Tabs()->Add(L"B");
  c->Tabs()->Insert(0, L"C");
  EXPECT_EQ(changing + changed, 0);
  EXPECT_EQ(c->Tabs()->Get(0), L"C");
  for (Integer i = 0; i < c->Tabs()->Count(); ++i) EXPECT_EQ(c->Tabs()->Tab(i)->Index(), i);
  // A new tab's image is the one with its index at creation; moving does not change it.
  EXPECT_EQ(c->Tabs()->Tab(0)->StoredImageIndex(), 0);
  EXPECT_EQ(c->Tabs()->Tab(2)->StoredImageIndex(), 1);
  c->Tabs()->Move(0, 2);
  EXPECT_EQ(c->Tabs()->Get(2), L"C");
  for (Integer i = 0; i < c->Tabs()->Count(); ++i) EXPECT_EQ(c->Tabs()->Tab(i)->Index(), i);
  delete c->Tabs()->Tab(1);  // a tab freed directly leaves the list
  EXPECT_EQ(c->Tabs()->Count(), 2);
  EXPECT_EQ(c->Tabs()->Get(1), L"C");
  c->Tabs()->Delete(0);
  EXPECT_EQ(c->Tabs()->Count(), 1);
  EXPECT_EQ(c->Tabs()->Tab(0)->Index(), 0);
}

TEST_F(TabModelTest, IndexErrorsNameClassMethodAndIndex) {
  auto* c = AddTabControl({0, 0, 300, 100}, {L"A", L"B"});
  c->Tabs()->Tab(1)->SetVisible(false);
  const struct {
    std::function<void()> F;
    const wchar_t* Text;
  } cases[] = {
      {[&] { c->Tabs()->Insert(3, L"X"); }, L"TvxTabs.Insert: Tab's index (3) out of bounds"},
      {[&] { c->Tabs()->Insert(-1, L"X"); }, L"TvxTabs.Insert: Tab's index (-1) out of bounds"},
      {[&] { c->Tabs()->Delete(2); }, L"TvxTabs.Delete: Tab's index (2) out of bounds"},
      {[&] { c->Tabs()->Get(-1); }, L"TvxTabs.Get: Tab's index (-1) out of bounds"},
      {[&] { c->Tabs()->Tab(5); }, L"TvxTabs.GetTab: Tab's index (5) out of bounds"},
      {[&] { c->Tabs()->Move(0, 2); }, L"TvxTabs.Move: Tab's index (2) out of bounds"},
      {[&] { c->Tabs()->Move(-1, 0); }, L"TvxTabs.Move: Tab's index (-1) out of bounds"},
      {[&] { c->Tabs()->VisibleTab(1); },
       L"TvxTabs.GetVisibleTab: TabVisibleIndex (1) must be between 0 and 0"},
      {[&] { c->VisibleTabList()->GetTab(1); },
       L"TvxVisibleTabList.GetTab: TabVisibleIndex (1) must be between 0 and 0"},
  };
  for (const auto& k : cases) EXPECT_EQ(MessageOf(k.F), k.Text);
  c->Tabs()->Tab(0)->SetVisible(false);
  EXPECT_EQ(MessageOf([&] { c->VisibleTabList()->GetTab(0); }),
            L"TvxVisibleTabList.GetTab: There are no visible tabs");
  EXPECT_EQ(c->Tabs()->Count(), 2);  // nothing changed by the refused calls
}

TEST_F(TabModelTest, VisibleTabListSearchAndEdits) {
  auto* c = AddTabControl({0, 0, 300, 100}, {L"0", L"1", L"2", L"3", L"4", L"5", L"6"});
  for (Integer i : {0, 2, 5}) c->Tabs()->Tab(i)->SetVisible(false);
  TvxVisibleTabList* list = c->VisibleTabList();
  ASSERT_EQ(list->TabIndexA, (std::vector<Integer>{1, 3, 4, 6}));
  const struct {
    Integer TabIndex;
    bool Found;
    Integer Visible;
  } cases[] = {{0, false, 0}, {1, true, 0}, {2, false, 1}, {3, true, 1}, {4, true, 2},
               {5, false, 3}, {6, true, 3}, {9, false, 4}};
  for (const auto& k : cases) {
    Integer v = -7;
    EXPECT_EQ(list->FindVisibleTab(k.TabIndex, v), k.Found) << k.TabIndex;
    EXPECT_EQ(v, k.Visible) << k.TabIndex;
    EXPECT_EQ(c->Tabs()->Tab(std::min<Integer>(k.TabIndex, 6))->VisibleIndex(),
              c->Tabs()->Tab(std::min<Integer>(k.TabIndex, 6))->Visible() ? list->TabVisibleIndexOf(std::min<Integer>(k.TabIndex, 6)) : -1);
  }
  c->Tabs()->Tab(2)->SetVisible(true);
  EXPECT_EQ(list->TabIndexA, (std::vector<Integer>{1, 2, 3, 4, 6}));
  EXPECT_EQ(c->Tabs()->VisibleTabsCount(), 5);
}

TEST_F(TabModelTest, SelectedMarkIsRefusedWithoutMultiSelection) {
  auto* c = AddTabControl({0, 0, 300, 100}, {L"A", L"B"});
  ASSERT_FALSE(c->Painter()->Class()->IsMultiSelectionAccepted());
  c->Tabs()->Tab(1)->SetSelected(true);
  EXPECT_FALSE(c->Tabs()->Tab(1)->Selected());
  c->Tabs()->Tab(0)->SetSelected(true);  // the selected tab may carry it
  EXPECT_TRUE(c->Tabs()->Tab(0)->Selected());
  EXPECT_FALSE(c->MultiSelect());
}

TEST_F(TabModelTest, HidingTheSelectedTabOfAPlainTabControlKeepsIt) {
  auto* c = AddTabControl({0, 0, 300, 100}, {L"A", L"B", L"C"});
  c->SelectTabByIndex(1);
  c->Tabs()->Tab(1)->SetVisible(false);
  EXPECT_EQ(c->TabIndex(), 1);
  EXPECT_EQ(c->MainTabVisibleIndex(), 1);  // where it would stand: the next visible tab
  EXPECT_TRUE(c->Tabs()->Tab(2)->IsMainTab());
}

}  // namespace ZS_UNITY_ID
